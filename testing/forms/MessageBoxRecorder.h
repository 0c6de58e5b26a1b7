#pragma once
// TRecordingMessageBoxes: message boxes for tests. Each box is recorded and
// answered with the next programmed answer, else as the headless boxes
// answer (which also write it to standard error).

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/forms/Dialogs.h"
#include "platform/rtl/Service.h"

namespace rv {

// One box that was shown.
struct TMessageBoxRecord {
  std::string Caption;
  std::string Text;
  TMsgDlgType DlgType = mtCustom;
  TMsgDlgButtons Buttons;
  bool operator==(const TMessageBoxRecord&) const = default;
};

// Boxes may be shown from worker threads: every member locks.
class TRecordingMessageBoxes : public TMessageBoxService {
 public:
  TModalResult Show(const std::string& Caption, const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                    int HelpCtx) override;

  std::vector<TMessageBoxRecord> Records() const;
  // Forgets the records and the answers not given yet.
  void Clear();
  // Answers for the coming boxes, first in first out.
  void ProgramAnswer(TModalResult Answer);

 private:
  mutable std::mutex FLock;
  std::vector<TMessageBoxRecord> FRecords;
  std::deque<TModalResult> FAnswers;
};

// Installs a message-box service for a scope and restores the previous one after.
class TMessageBoxServiceScope : public TServiceScope<TMessageBoxService> {
 public:
  explicit TMessageBoxServiceScope(TMessageBoxService& Service) : TServiceScope(SetMessageBoxService, Service) {}
};

}  // namespace rv
