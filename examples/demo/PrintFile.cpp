#include "examples/demo/PrintFile.h"

#include <algorithm>
#include <cstdio>

#include "platform/classes/Stream.h"
#include "platform/rtl/FileUtils.h"

using namespace rv;

void PrintFile(const std::string& FileName) {
  std::printf("--- %s\n%s---\n", ExpandFileName(FileName).c_str(), ReadFileBytes(FileName).c_str());
}

int LineCount(const std::string& FileName) {
  const std::string text = ReadFileBytes(FileName);
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}
