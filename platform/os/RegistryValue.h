#pragma once
// The value file of the registry store: a 13-byte header ("RVRG", a version
// byte, the type and the data length as little-endian 32-bit numbers) and the
// data. A file that is not exactly that is corrupt.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/rtl/Export.h"

namespace RV_API rv {

constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// Larger files are not read: a hostile file can't exhaust memory.
constexpr std::size_t kRegMaxValueFileSize = 64u << 20;

struct TRegValue {
  std::uint32_t Type = REG_NONE;
  std::string Data;  // strings as UTF-8 without a terminator; DWORD as 4 bytes little-endian
  bool operator==(const TRegValue&) const = default;
};

std::string EncodeRegValue(const TRegValue& Value);
// nullopt for a corrupt file: a wrong header, a length that disagrees with the
// size, or a DWORD whose data is not four bytes.
std::optional<TRegValue> DecodeRegValue(std::string_view Bytes);

}  // namespace rv
