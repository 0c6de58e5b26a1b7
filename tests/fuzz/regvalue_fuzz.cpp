// The registry store's value files and names on arbitrary bytes: decoding
// never fails, a value file that decodes encodes back to the same bytes, and
// every name survives its encoding as a file name that stays in its folder.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/os/RegistryNames.h"
#include "platform/os/RegistryValue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto value = rv::DecodeRegValue(bytes)) {
    if (rv::EncodeRegValue(*value) != bytes) std::abort();
    if (value->Type == rv::REG_DWORD && value->Data.size() != 4) std::abort();
  }
  const std::string encoded = rv::EncodeRegName(bytes);
  if (rv::DecodeRegName(encoded) != bytes) std::abort();
  if (encoded.find('/') != std::string::npos || encoded.front() == '.') std::abort();
  rv::DecodeRegName(bytes);
  std::string problem;
  if (auto parts = rv::SplitRegPath(bytes, problem))
    for (const std::string& part : *parts)
      if (!rv::RegNameProblem(part, true).empty()) std::abort();
  return 0;
}
