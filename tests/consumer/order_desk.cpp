// order_desk LOG: a program of REVuziva's users. An exception log writes XML
// records to LOG; an order that can't be read is thrown from this file, and
// its record must name this file's unit and line.

#include <revuziva/exception/LogError.h>
#include <revuziva/platform/forms/Application.h>

#include <stdexcept>
#include <string>

namespace {

[[gnu::noinline]] int ParseQuantity(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    throw std::invalid_argument("not a quantity: " + text);  // the throw the record names
  return std::stoi(text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  rv::TQVExceptionLog log(nullptr);
  log.SetFormatting(rv::qvlfXML);
  log.SetLogFile(argv[1]);
  log.SetFormats({rv::lfExceptionClassName, rv::lfMessage, rv::lfSourceLine});
  log.SetErrorDialog(rv::edNone);
  log.SetActive(true);
  rv::Application->RunGuarded(nullptr, [] { ParseQuantity("twelve"); });
  return 0;
}
