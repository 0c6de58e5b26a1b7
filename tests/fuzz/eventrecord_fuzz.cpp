// Event records and whole log files on arbitrary bytes: a record that parses
// builds back to the same length, and reading every record of a damaged log
// file never fails in any other way than the corrupt-log error.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/os/EventLog.h"
#include "platform/os/EventLogFile.h"
#include "platform/rtl/FileHandle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto record = rv::ParseEventRecord(bytes))
    if (rv::BuildEventRecord(*record).size() > bytes.size() + 4) std::abort();

  static const std::string path = [] {
    char name[] = "/tmp/rv-eventlog-fuzz-XXXXXX";
    rv::TFileHandle file(mkstemp(name));
    return std::string(name);
  }();
  rv::TFileHandle file(open(path.c_str(), O_WRONLY | O_TRUNC));
  if (write(file.Get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return 0;
  rv::TEventLogFileReader reader({path});
  std::uint32_t count = 0, oldest = 0;
  if (reader.NumberOfRecords(count) != rv::ERROR_SUCCESS || reader.OldestRecord(oldest) != rv::ERROR_SUCCESS) return 0;
  std::string buffer;
  for (std::uint32_t n = oldest; n < oldest + std::min<std::uint32_t>(count, 64); ++n) {
    std::uint32_t read = 0, needed = 0;
    long error = reader.Read(rv::EVENTLOG_SEEK_READ | rv::EVENTLOG_FORWARDS_READ, n, nullptr, 0, read, needed);
    if (error == rv::ERROR_INSUFFICIENT_BUFFER) {
      buffer.assign(needed, '\0');
      error = reader.Read(rv::EVENTLOG_SEEK_READ | rv::EVENTLOG_FORWARDS_READ, n, buffer.data(), needed, read, needed);
      if (error == rv::ERROR_SUCCESS && !rv::ParseEventRecord(buffer)) std::abort();
    }
    if (error != rv::ERROR_SUCCESS && error != rv::ERROR_EVENTLOG_FILE_CORRUPT) std::abort();
  }
  return 0;
}
