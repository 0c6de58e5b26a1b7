#pragma once
// A registry store of its own below a temporary folder, installed for the
// test's scope.

#include <string>

#include "platform/os/Registry.h"
#include "platform/rtl/Service.h"
#include "tests/support/TempDir.h"

namespace rvtest {

struct RegistryStore {
  TempDir Dir;
  rv::TRegistryRoot Root{Dir.Path()};
  rv::TServiceScope<rv::TRegistryRoot> Scope{rv::SetRegistryRoot, Root};
};

}  // namespace rvtest
