#pragma once
// The package's own unit: its entry points. The library's load and unload
// run them by themselves; a host that loads the library with dlopen may also
// call them, balanced, as a package loader would.

#include <cstddef>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// One unit of the package with its initialisation and finalisation (null
// where the unit does no work when the package loads or unloads).
struct TPackageUnitEntry {
  const char* Name;
  void (*Init)();
  void (*FInit)();
};

struct TPackageInfoTable {
  std::size_t UnitCount;
  const TPackageUnitEntry* Units;  // in package order
};

// Runs the unit initialisations in package order, unless they have run and
// not been finalised since (the library's load runs them).
void Initialize();
// Runs the unit finalisations in reverse order, unless they have run since
// the last initialisation (the library's unload runs them). Nothing of the
// package may be used between Finalize and the next Initialize.
void Finalize();
// The package's units and their routines, in package order.
const TPackageInfoTable* GetPackageInfoTable();
// Whether the unit initialisations have run and the finalisations not yet.
bool PackageInitialized();

// The entry points' symbol names, for a host that looks them up with dlsym.
inline constexpr const char* kInitializeSymbol = "_ZN2rv10InitializeEv";
inline constexpr const char* kFinalizeSymbol = "_ZN2rv8FinalizeEv";
inline constexpr const char* kGetPackageInfoTableSymbol = "_ZN2rv19GetPackageInfoTableEv";

}  // namespace rv
