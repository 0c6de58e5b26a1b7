// Writes one registry value over and over, for tests of concurrent writers:
//   registry_writer ROOT KEY NAME FILL COUNT
// Each write stores 64 KiB of the character FILL under HKEY_CURRENT_USER\KEY.

#include <cstdlib>
#include <string>

#include "platform/os/Registry.h"

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  rv::TRegistryRoot root(argv[1]);
  rv::SetRegistryRoot(&root);
  rv::TRegistry reg;
  if (!reg.OpenKey(argv[2], true)) return 1;
  const std::string value(64 * 1024, argv[4][0]);
  for (int i = std::atoi(argv[5]); i > 0; --i) reg.WriteString(argv[3], value);
  return 0;
}
