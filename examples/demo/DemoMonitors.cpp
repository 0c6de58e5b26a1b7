#include "examples/demo/DemoMonitors.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "monitors/LogFile.h"
#include "monitors/LogRegistry.h"
#include "platform/classes/Stream.h"
#include "platform/classes/Thread.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Service.h"

using namespace rv;

namespace {

const char* const kKindNames[] = {"file name", "folder name", "attributes", "size", "last write"};

// Serves the GUI queue for a while, so the workers' callbacks run.
void serve(std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) CheckSynchronize(10);
}

}  // namespace

void RunMonitorsDemo() {
  std::printf("the folder and registry monitors\n");
  const std::string folder = ExpandFileName("demo-watched");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  // The demo's registry lives beside it, not in the user's configuration.
  TRegistryRoot store(ExpandFileName("demo-registry"));
  TServiceScope<TRegistryRoot> storeScope(SetRegistryRoot, store);

  TQVFileLog files(nullptr);
  files.SetLogFile("monitors.log");
  files.ClearLog();
  files.SetFolder(folder);
  files.SetOptions({foFile, foFolder, foSize, foWatchSubFolders});
  files.SetOnFileNotification([&](TObject*, TFileNotificationOption Action) {
    files.WriteAsString("FILE", std::string("folder monitor: ") + kKindNames[Action] + " changed\r\n");
  });
  files.SetActive(true);

  TRegistry writer;
  writer.SetRootKey(HKEY_CURRENT_USER);
  writer.OpenKey("Software\\Quindarex\\Demo", true);
  TQVRegistryLog registry(nullptr);
  registry.SetLogFile("monitors.log");
  registry.SetRootKey(HKEY_CURRENT_USER);
  registry.SetKey("Software\\Quindarex");
  registry.SetOptions({roName, roLastSet, roWatchSubFolders});
  registry.SetOnRegistryNotification(
      [&](TObject*) { registry.WriteAsString("REGISTRY", "registry monitor: " + registry.Key() + " changed\r\n"); });
  registry.SetActive(true);
  serve(std::chrono::milliseconds(50));

  std::filesystem::create_directory(folder + "/reports");
  serve(std::chrono::milliseconds(100));
  std::FILE* report = std::fopen((folder + "/reports/first.txt").c_str(), "w");
  if (report) {
    std::fputs("a report\n", report);
    std::fclose(report);
  }
  serve(std::chrono::milliseconds(100));
  writer.WriteString("LastRun", DateTimeToStr(Now()));
  serve(std::chrono::milliseconds(100));
  writer.CreateKey("Sessions");
  serve(std::chrono::milliseconds(200));

  files.SetActive(false);
  registry.SetActive(false);
  std::printf("--- %s\n%s---\n\n", ExpandFileName(files.LogFile()).c_str(), ReadFileBytes(files.LogFile()).c_str());
}
