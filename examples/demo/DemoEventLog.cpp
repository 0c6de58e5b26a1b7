#include "examples/demo/DemoEventLog.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "monitors/LogNT.h"
#include "platform/os/EventLog.h"
#include "platform/os/Registry.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Service.h"

using namespace rv;

void RunEventLogDemo() {
  std::printf("the system event log\n");
  // A scratch store and registry beside the demo: nothing reaches the
  // machine's logs.
  const std::string folder = ExpandFileName("demo-eventlog");
  std::filesystem::remove_all(folder);
  TEventLogRoot store(folder + "/logs");
  TServiceScope<TEventLogRoot> storeScope(SetEventLogRoot, store);
  TRegistryRoot registryStore(folder + "/registry");
  TServiceScope<TRegistryRoot> registryScope(SetRegistryRoot, registryStore);

  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/demo.msg") << "MessageId=100\nThe demo says: %1%nAll is well.\n.\n";
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  registry.OpenKey(EventLogKey("Application", "REVuziva Demo"), true);
  registry.WriteExpandString("EventMessageFile", folder + "/demo.msg");

  TQVNTEventLog log(nullptr);
  log.SetSource("REVuziva Demo");
  log.WriteToEventLog("hello from the demo", EVENTLOG_INFORMATION_TYPE, 0, 100);
  log.Open();
  const int count = log.GetEventCount();
  log.ReadEvent(count - 1);
  std::printf("%d record(s) in %s; the newest, from %s on %s at %s UTC:\n%s\n\n", count, log.Log().c_str(),
              log.GetEventSource().c_str(), log.GetEventComputer().c_str(),
              FormatDateTime("yyyy-mm-dd hh:nn:ss", log.GetEventTime()).c_str(), log.GetEventMessageText().c_str());
}
