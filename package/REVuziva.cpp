#include "package/REVuziva.h"

#include <iterator>
#include <mutex>

#include "core/LogBaseUnit.h"

namespace RV_API rv {

namespace {

// The package's contents list. Of these units only LogBase does work when
// the package loads or unloads.
const TPackageUnitEntry kUnits[] = {
    {"REVuziva", nullptr, nullptr},
    {"QVLChecks", nullptr, nullptr},
    {"LogCnst", nullptr, nullptr},
    {"LogRegistry", nullptr, nullptr},
    {"LogBase", InitializeLogBase, FinalizeLogBase},
    {"LogShell", nullptr, nullptr},
    {"QVMapFile", nullptr, nullptr},
    {"LogNT", nullptr, nullptr},
    {"LogFile", nullptr, nullptr},
    {"LogDS", nullptr, nullptr},
    {"LogDlg", nullptr, nullptr},
    {"LogReg", nullptr, nullptr},
    {"LogError", nullptr, nullptr},
    {"LogApp", nullptr, nullptr},
};

const TPackageInfoTable kInfoTable{std::size(kUnits), kUnits};

// Constant-initialised and trivially destroyed, so they hold from before the
// first static object of the library is built to after the last is gone.
constinit std::mutex packageLock;
constinit bool initialized = false;

void initializeUnits() {
  for (const TPackageUnitEntry& unit : kUnits)
    if (unit.Init) unit.Init();
}

void finalizeUnits() {
  for (auto unit = std::rbegin(kUnits); unit != std::rend(kUnits); ++unit)
    if (unit->FInit) unit->FInit();
}

void initializeOnce() {
  std::lock_guard<std::mutex> guard(packageLock);
  if (!initialized) initializeUnits();
  initialized = true;
}

void finalizeOnce() {
  std::lock_guard<std::mutex> guard(packageLock);
  if (initialized) finalizeUnits();
  initialized = false;
}

// The library's load and unload. The load runs after the static objects of
// the framework (linked before this unit) are built; the unload before they
// are destroyed (the C++ runtime destroys them after the unload hooks).
[[gnu::constructor]] void loadPackage() { initializeOnce(); }
[[gnu::destructor]] void unloadPackage() { finalizeOnce(); }

}  // namespace

void Initialize() { initializeOnce(); }

void Finalize() { finalizeOnce(); }

const TPackageInfoTable* GetPackageInfoTable() { return &kInfoTable; }

bool PackageInitialized() {
  std::lock_guard<std::mutex> guard(packageLock);
  return initialized;
}

}  // namespace rv
