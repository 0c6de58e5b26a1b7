#pragma once
// What mapgen learns from an executable, as offsets from the code base the
// map reader assumes. Every offset fits in 32 bits.

#include <cstdint>
#include <string>
#include <vector>

namespace rv::mapgen {

// The address of the first code byte of a non-PIE x86-64 executable linked
// by GNU ld; the map reader subtracts the same constant.
inline constexpr std::uint64_t kCodeBase = 0x00401000;
inline constexpr std::uint64_t kAddressLimit = 0x100000000;  // 4 GiB

// The address as an offset from the code base; false when the map can't
// express it (below the base or beyond 4 GiB).
inline bool ToOffset(std::uint64_t address, std::uint32_t& offset) {
  if (address < kCodeBase || address >= kAddressLimit) return false;
  offset = static_cast<std::uint32_t>(address - kCodeBase);
  return true;
}

struct TSegment {
  std::uint32_t Start = 0;
  std::uint32_t Length = 0;
  std::string Unit;
};

struct TPublic {
  std::uint32_t Offset = 0;
  std::string Name;
};

struct TLineEntry {
  std::uint32_t Offset = 0;
  int Line = 0;  // 0: no source line of the unit's own file
};

struct TLineSection {
  std::string Unit;
  std::string File;                 // the source file's name, without directory
  std::vector<TLineEntry> Entries;  // ascending by offset
};

struct TMapModel {
  std::vector<TSegment> Segments;  // ascending by start
  std::vector<TPublic> Publics;    // ascending by offset, one per offset
  std::vector<TLineSection> LineSections;
};

}  // namespace rv::mapgen
