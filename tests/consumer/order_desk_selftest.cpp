// The order desk's own check of its support link, with the test double of
// the web opener: nothing is started, the address is recorded.

#include <cstdio>

#include "core/LogBase.h"
#include "testing/os/WebOpenerRecorder.h"

int main() {
  rv::TRecordingWebOpener opener;
  rv::TWebOpenerScope scope(opener);
  rv::TQVLogBase log(nullptr);
  log.SendTo()->SetWWW("https://orders.example.org/support");
  log.SendLogByWWW();
  const auto addresses = opener.Addresses();
  if (addresses.size() != 1 || addresses[0] != "https://orders.example.org/support") {
    std::fprintf(stderr, "the support link was not opened as set\n");
    return 1;
  }
  return 0;
}
