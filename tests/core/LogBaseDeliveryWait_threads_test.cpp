// Delivery waits for slow programs (the composer, sendmail, the opener)
// while the GUI queue keeps being served. Each fake program waits until a
// call queued or a message posted before the delivery has run, so it only
// ends by itself when the wait serves them.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "core/LogBase.h"
#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/os/MapiLinux.h"
#include "platform/rtl/FileUtils.h"
#include "testing/forms/MessageBoxRecorder.h"
#include "testing/os/MapiRecorder.h"
#include "tests/support/Environment.h"
#include "tests/support/TempDir.h"

using namespace rv;
using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kFlagMessage = WM_USER + 17;

class DeliveryWaitTest : public ::testing::Test {
 protected:
  DeliveryWaitTest() : Log(nullptr), Scope(Mail), Path(Dir.Path()) {
    Log.SendTo()->SetAttachScreenShot(false);
    Log.SendTo()->SetEMail("ann@example.org");
    Mail.SetSendmailProgram(Program("sendmail"));
    Mail.SetComposerProgram(Program("xdg-email"));
    Program("xdg-open");
    // Generous: only a wait that never serves the queue runs into them.
    Mail.SetSendTimeout(20s);
    Mail.SetComposerWait(20s);
  }
  ~DeliveryWaitTest() override { Application->SetOnMessage(nullptr); }

  // A program that ends only once the flag exists, leaving "done" behind.
  std::string Program(const std::string& name) {
    return test::WriteScript(Dir.File(name), "while [ ! -e '" + Flag() + "' ]; do sleep 0.01; done\ntouch '" +
                                                 Dir.File("done") + "'\ncat > /dev/null\n");
  }
  std::string Flag() const { return Dir.File("flag"); }
  void RaiseFlag() { rvtest::WriteFile(Flag(), ""); }
  bool Done() const { return FileExists(Dir.File("done")); }

  rvtest::TempDir Dir;
  TQVLogBase Log;
  TLinuxMapiService Mail;
  TMapiServiceScope Scope;
  test::TPathPrepend Path;
  TRecordingMessageBoxes Boxes;
  TMessageBoxServiceScope BoxesInUse{Boxes};
};

struct TWaitCase {
  const char* What;
  bool PostMessage;  // else a queued call raises the flag
  std::function<void(TQVLogBase&)> Deliver;
};

TEST_F(DeliveryWaitTest, QueuedCallsAndPostedMessagesRunWhileTheProgramRuns) {
  const TWaitCase cases[] = {
      {"sendmail", false,
       [](TQVLogBase& log) {
         log.SendTo()->SetEMailOpenBeforeSend(false);
         log.SendLogByMail();
       }},
      {"composer", true,
       [](TQVLogBase& log) {
         log.SendTo()->SetEMailOpenBeforeSend(true);
         log.SendLogByMail();
       }},
      {"opener", false,
       [](TQVLogBase& log) {
         log.SendTo()->SetWWW("https://example.org/support");
         log.SendLogByWWW();
       }},
  };
  for (const TWaitCase& c : cases) {
    SCOPED_TRACE(c.What);
    DeleteFile(Flag());
    DeleteFile(Dir.File("done"));
    Boxes.Clear();
    if (c.PostMessage) {
      Application->SetOnMessage([this](TMsg& msg, bool& handled) {
        if (msg.message == kFlagMessage) RaiseFlag(), handled = true;
      });
      Application->PostMessage(kFlagMessage);
    } else {
      TThread::Queue(nullptr, [this] { RaiseFlag(); });
    }
    c.Deliver(Log);
    EXPECT_TRUE(Done()) << "the program ended by itself during the wait";
    EXPECT_TRUE(Boxes.Records().empty());
  }
}

}  // namespace
