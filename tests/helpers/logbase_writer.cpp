// logbase_writer FILE FORM THREADS RECORDS PREFIX: appends THREADS x RECORDS
// records, "PREFIX-thread-n", to FILE in the text ("text") or XML ("xml")
// form from as many threads, for the tests of writers in several processes.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/LogBase.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: logbase_writer FILE text|xml THREADS RECORDS PREFIX\n");
    return 2;
  }
  const std::string form = argv[2];
  const int threads = std::atoi(argv[3]);
  const int records = std::atoi(argv[4]);
  const std::string prefix = argv[5];
  rv::TQVLogBase log(nullptr);
  log.SetLogFile(argv[1]);
  if (form == "xml") log.SetFormatting(rv::qvlfXML);
  log.SetLogFile(argv[1]);  // keep the exact name given
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      for (int r = 0; r < records; ++r)
        log.WriteAsString("R",
                          prefix + "-" + std::to_string(t) + "-" + std::to_string(r) + (form == "xml" ? "" : "\n"));
    });
  for (auto& w : workers) w.join();
  return 0;
}
