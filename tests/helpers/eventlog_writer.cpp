// Appends event records to one log, for tests of concurrent writers:
//   eventlog_writer ROOT LOG TEXT COUNT

#include <cstdlib>
#include <string>

#include "platform/os/EventLog.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  rv::TEventLogRoot root(argv[1]);
  rv::SetEventLogRoot(&root);
  for (int i = std::atoi(argv[4]); i > 0; --i) {
    rv::TEventRecordFields fields;
    fields.SourceName = "Writer";
    fields.Strings = {argv[3], std::to_string(i)};
    if (rv::AppendEventRecord(argv[2], fields) != rv::ERROR_SUCCESS) return 1;
  }
  return 0;
}
