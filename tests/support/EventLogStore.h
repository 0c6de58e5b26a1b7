#pragma once
// An event log store and a registry store of their own below temporary
// folders, installed for the test's scope.

#include <string>

#include "platform/os/EventLog.h"
#include "platform/rtl/Service.h"
#include "tests/support/RegistryStore.h"

namespace rvtest {

struct EventLogStore {
  RegistryStore Registry;
  TempDir Dir;
  rv::TEventLogRoot Root{Dir.Path()};
  rv::TServiceScope<rv::TEventLogRoot> Scope{rv::SetEventLogRoot, Root};

  // Registers Source under Log with its message file list.
  void RegisterSource(const std::string& Log, const std::string& Source, const std::string& MessageFiles) {
    rv::TRegistry registry;
    registry.SetRootKey(rv::HKEY_LOCAL_MACHINE);
    registry.OpenKey(rv::EventLogKey(Log, Source), true);
    registry.WriteExpandString("EventMessageFile", MessageFiles);
  }
};

}  // namespace rvtest
