#pragma once
// Little-endian fields of the Windows picture formats (BMP, ICO), shared by
// their readers and writers. Reads take a buffer already known to hold the
// field; writes advance the pointer.

#include <cstdint>

namespace rv::le {

inline std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put16(std::uint8_t*& p, std::uint16_t v) {
  *p++ = static_cast<std::uint8_t>(v);
  *p++ = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t*& p, std::uint32_t v) {
  put16(p, static_cast<std::uint16_t>(v));
  put16(p, static_cast<std::uint16_t>(v >> 16));
}

// Bytes in one row of a device-independent bitmap: rows are padded to 4 bytes.
constexpr std::uint64_t dibRowSize(std::uint64_t width, unsigned bitCount) { return (width * bitCount + 31) / 32 * 4; }

}  // namespace rv::le
