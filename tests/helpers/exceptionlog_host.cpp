// exceptionlog_host LOG LINEFILE: a program linked with its map file. An
// exception log writes XML records with the source position to LOG; a
// handler run by the loop raises, and the line of that throw goes to
// LINEFILE for the test to compare.

#include <fstream>
#include <string>

#include "exception/LogError.h"
#include "platform/forms/Application.h"

namespace {

std::string lineFile;

[[gnu::noinline]] void FailToConvert() {
  std::ofstream(lineFile) << __LINE__ + 1;
  throw rv::EConvertError("'x' is not a valid integer value");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  lineFile = argv[2];
  rv::TQVExceptionLog log(nullptr);
  log.SetLogFile(argv[1]);
  log.SetFormatting(rv::qvlfXML);
  log.SetLogFile(argv[1]);
  log.SetFormats({rv::lfExceptionClassName, rv::lfSourceLine});
  log.SetErrorDialog(rv::edNone);
  log.SetActive(true);
  rv::Application->RunGuarded(nullptr, [] { FailToConvert(); });
  return 0;
}
