#include "examples/demo/DemoMonitors.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "examples/demo/PrintFile.h"
#include "examples/demo/ServeFor.h"
#include "platform/os/Registry.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"

using namespace rv;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

int occurrences(const std::string& Text, const std::string& What) {
  int count = 0;
  for (std::size_t at = Text.find(What); at != std::string::npos; at = Text.find(What, at + What.size())) ++count;
  return count;
}

}  // namespace

std::string DemoMonitors(TQVFileLog& Files, TQVRegistryLog& Registry) {
  std::printf("== The folder and registry monitors: changes reported from their workers\n");
  std::filesystem::create_directories(Files.Folder());
  TRegistry writer;
  writer.SetRootKey(Registry.RootKey());
  writer.OpenKey(Registry.Key() + "\\Showcase", true);
  Files.ClearLog();
  Files.SetActive(true);
  Registry.SetActive(true);
  // The registry worker arms its request on its own thread.
  ServeFor(milliseconds(50));

  // Each change is waited for, so a busy machine gets its callbacks in too.
  auto logged = [&](const std::string& What, int Times) {
    ServeUntil([&] { return occurrences(FileText(Files.LogFile()), What) >= Times; }, seconds(5));
  };
  std::filesystem::create_directory(Files.Folder() + "/reports");
  logged("folder name changed", 1);
  std::ofstream(Files.Folder() + "/reports/first.txt") << "a report\n";
  logged("file name changed", 1);
  writer.WriteString("LastRun", DateTimeToStr(Now()));
  logged("registry monitor:", 1);
  writer.CreateKey("Sessions");
  logged("registry monitor:", 2);

  Files.SetActive(false);
  Registry.SetActive(false);
  PrintFile(Files.LogFile());
  return std::to_string(LineCount(Files.LogFile())) + " changes in " + Files.LogFile();
}
