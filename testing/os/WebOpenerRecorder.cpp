#include "testing/os/WebOpenerRecorder.h"

namespace rv {

std::vector<std::string> TRecordingWebOpener::Addresses() const {
  std::lock_guard guard(FLock);
  return FAddresses;
}

void TRecordingWebOpener::SetResult(TShellOpenResult Value) {
  std::lock_guard guard(FLock);
  FResult = Value;
}

TShellOpenResult TRecordingWebOpener::DoOpen(const std::string& Address) {
  std::lock_guard guard(FLock);
  FAddresses.push_back(Address);
  return FResult;
}

}  // namespace rv
