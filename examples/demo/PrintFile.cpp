#include "examples/demo/PrintFile.h"

#include <algorithm>
#include <cstdio>

#include "platform/classes/Stream.h"
#include "platform/rtl/FileUtils.h"

using namespace rv;

std::string FileText(const std::string& FileName) {
  return FileExists(FileName) ? ReadFileBytes(FileName) : std::string();
}

void PrintFile(const std::string& FileName) {
  if (!FileExists(FileName)) {
    std::printf("--- %s: nothing was written\n", ExpandFileName(FileName).c_str());
    return;
  }
  std::printf("--- %s\n%s---\n", ExpandFileName(FileName).c_str(), ReadFileBytes(FileName).c_str());
}

int LineCount(const std::string& FileName) {
  const std::string text = FileText(FileName);
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}
