// Feeds arbitrary text to the form reader: it must either read it or raise
// EReadError, never crash, hang or leak.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/classes/FormFile.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/FormTestClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (rvtest::RegisterFormTestClasses(), true);
  (void)registered;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    std::unique_ptr<rv::TComponent> root(rv::ReadComponentText(text, nullptr));
    rv::WriteComponentText(*root);
  } catch (const rv::EReadError&) {
  }
  try {
    rvtest::TTestForm form(nullptr);
    rv::ReadComponentTextInto(text, &form);
  } catch (const rv::EReadError&) {
  }
  return 0;
}
