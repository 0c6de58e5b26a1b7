#include "platform/os/RegistryValue.h"

namespace RV_API rv {

namespace {

constexpr std::string_view kMagic = "RVRG";
constexpr char kVersion = 1;
constexpr std::size_t kHeaderSize = 13;

void putU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t getU32(std::string_view in) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[static_cast<std::size_t>(i)]);
  return v;
}

}  // namespace

std::string EncodeRegValue(const TRegValue& Value) {
  std::string out(kMagic);
  out += kVersion;
  putU32(out, Value.Type);
  putU32(out, static_cast<std::uint32_t>(Value.Data.size()));
  out += Value.Data;
  return out;
}

std::optional<TRegValue> DecodeRegValue(std::string_view Bytes) {
  if (Bytes.size() < kHeaderSize || Bytes.substr(0, 4) != kMagic || Bytes[4] != kVersion) return std::nullopt;
  const std::uint32_t type = getU32(Bytes.substr(5, 4));
  const std::uint32_t length = getU32(Bytes.substr(9, 4));
  if (length != Bytes.size() - kHeaderSize) return std::nullopt;
  if (type == REG_DWORD && length != 4) return std::nullopt;
  return TRegValue{type, std::string(Bytes.substr(kHeaderSize))};
}

}  // namespace rv
