// A plugin of a host that loads it with dlopen: it uses the library (which
// comes with it) and offers the host plain C functions.

#include <exception>
#include <string>

#include "core/LogBase.h"
#include "exception/LogError.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

extern "C" [[gnu::visibility("default")]] int rvplugin_write(const char* file, const char* value) {
  try {
    TQVLogBase log(nullptr);
    log.SetLogFile(file);
    log.WriteAsString("T", value);
    return 0;
  } catch (...) {
    return 1;
  }
}

// Writes the record of an exception that reached the application's handler;
// answers whether its throw site was recorded.
extern "C" [[gnu::visibility("default")]] int rvplugin_exception(const char* file) {
  TQVExceptionLog log(nullptr);
  log.SetLogFile(file);
  log.SetFormats({lfExceptionClassName, lfMessage, lfPhysAddress});
  log.SetErrorDialog(edNone);
  log.SetActive(true);
  bool recorded = false;
  Application->RunGuarded(nullptr, [&] {
    try {
      throw EConvertError("plugin failure");
    } catch (...) {
      recorded = ThrowAddress(std::current_exception()) != nullptr;
      throw;
    }
  });
  return recorded ? 1 : 0;
}
