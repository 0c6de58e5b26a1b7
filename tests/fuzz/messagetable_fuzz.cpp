// Message tables and message formatting on arbitrary text: parsing never
// fails, and each message formats with and without inserts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/MessageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const rv::TMessageTable table = rv::TMessageTable::Parse(text);
  const std::vector<std::string> inserts = {"a", "%1", "%%"};
  for (std::uint32_t id = 0; id < 16; ++id)
    if (const std::string* message = table.Find(id)) {
      rv::FormatMessageText(*message, inserts);
      rv::FormatMessageText(*message, {});
    }
  rv::FormatMessageText(text, inserts);
  rv::ExpandEnvironmentStrings(text);
  return 0;
}
