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

std::string DemoMonitors(TQVFileLog& Files, TQVRegistryLog& Registry) {
  std::printf("== The folder and registry monitors: changes reported from their workers\n");
  std::filesystem::create_directories(Files.Folder());
  TRegistry writer;
  writer.SetRootKey(Registry.RootKey());
  writer.OpenKey(Registry.Key() + "\\Showcase", true);
  Files.ClearLog();
  Files.SetActive(true);
  Registry.SetActive(true);
  ServeFor(milliseconds(50));

  std::filesystem::create_directory(Files.Folder() + "/reports");
  ServeFor(milliseconds(100));
  std::ofstream(Files.Folder() + "/reports/first.txt") << "a report\n";
  ServeFor(milliseconds(100));
  writer.WriteString("LastRun", DateTimeToStr(Now()));
  ServeFor(milliseconds(100));
  writer.CreateKey("Sessions");
  ServeFor(milliseconds(200));

  Files.SetActive(false);
  Registry.SetActive(false);
  PrintFile(Files.LogFile());
  return std::to_string(LineCount(Files.LogFile())) + " changes in " + Files.LogFile();
}
