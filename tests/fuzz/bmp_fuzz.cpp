// Feeds arbitrary bytes to the BMP reader: it must read them or raise
// EInvalidGraphic, never crash, hang, leak or read out of bounds. What it
// reads must write back and read again unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/classes/Stream.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rv::TStringStream in(std::string(reinterpret_cast<const char*>(data), size));
  rv::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(in);
  } catch (const rv::EInvalidGraphic&) {
    return 0;
  }
  rv::TStringStream out;
  bitmap.SaveToStream(out);
  out.SetPosition(0);
  rv::TBitmap again;
  again.LoadFromStream(out);
  if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height()) std::abort();
  for (int y = 0; bitmap.Width() > 0 && y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (again.Pixel(x, y) != bitmap.Pixel(x, y)) std::abort();
  return 0;
}
