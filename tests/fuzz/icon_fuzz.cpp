// Feeds arbitrary bytes to the icon reader and to a picture's stored data:
// they must read them or raise EInvalidGraphic, never crash, hang, leak or
// read out of bounds. An icon read must write back and read again unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/classes/Stream.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    rv::TPicture picture;
    picture.SetData(std::vector<std::uint8_t>(data, data + size));
  } catch (const rv::EInvalidGraphic&) {
  }

  rv::TStringStream in(std::string(reinterpret_cast<const char*>(data), size));
  rv::TIcon icon;
  try {
    icon.LoadFromStream(in);
  } catch (const rv::EInvalidGraphic&) {
    return 0;
  }
  rv::TStringStream out;
  icon.SaveToStream(out);
  out.SetPosition(0);
  rv::TIcon again;
  again.LoadFromStream(out);
  const std::size_t bytes = static_cast<std::size_t>(icon.Width()) * icon.Height() * 4;
  if (again.Width() != icon.Width() || again.Height() != icon.Height() ||
      std::memcmp(again.Bits(), icon.Bits(), bytes) != 0)
    std::abort();
  return 0;
}
