#include "testing/forms/MessageBoxRecorder.h"

namespace rv {

TModalResult TRecordingMessageBoxes::Show(const std::string& Caption, const std::string& Text, TMsgDlgType DlgType,
                                          TMsgDlgButtons Buttons, int HelpCtx) {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FRecords.push_back({Caption, Text, DlgType, Buttons});
    if (!FAnswers.empty()) {
      TModalResult answer = FAnswers.front();
      FAnswers.pop_front();
      return answer;
    }
  }
  return HeadlessMessageBoxes().Show(Caption, Text, DlgType, Buttons, HelpCtx);
}

std::vector<TMessageBoxRecord> TRecordingMessageBoxes::Records() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FRecords;
}

void TRecordingMessageBoxes::Clear() {
  std::lock_guard<std::mutex> guard(FLock);
  FRecords.clear();
  FAnswers.clear();
}

void TRecordingMessageBoxes::ProgramAnswer(TModalResult Answer) {
  std::lock_guard<std::mutex> guard(FLock);
  FAnswers.push_back(Answer);
}

}  // namespace rv
