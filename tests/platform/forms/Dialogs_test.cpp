#include "platform/forms/Dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/Application.h"
#include "testing/forms/MessageBoxRecorder.h"

using namespace rv;

namespace {

class DialogsTest : public ::testing::Test {
 protected:
  TRecordingMessageBoxes Boxes;
  TMessageBoxServiceScope BoxesInUse{Boxes};
};

struct Dlg {
  TMsgDlgType DlgType;
  TMsgDlgButtons Buttons;
  std::string Caption;
  TModalResult Answer;
};

TEST_F(DialogsTest, MessageDlgUsesTheStandardCaptionAndAnswersWithTheFirstButton) {
  const std::vector<Dlg> cases = {
      {mtWarning, {mbOK, mbCancel}, "Warning", mrOk},
      {mtError, {mbAbort, mbIgnore}, "Error", mrAbort},
      {mtInformation, {mbOK}, "Information", mrOk},
      {mtConfirmation, {mbNo, mbYes}, "Confirm", mrYes},
      {mtCustom, {mbYesToAll, mbNoToAll, mbAll}, Application->Title(), mrAll},
      {mtConfirmation, {mbHelp, mbCancel}, "Confirm", mrCancel},
      {mtWarning, {mbHelp}, "Warning", mrNone},
      {mtWarning, {}, "Warning", mrNone},
  };
  for (const Dlg& c : cases) {
    SCOPED_TRACE(c.Caption);
    Boxes.Clear();
    EXPECT_EQ(MessageDlg("Delete the log?", c.DlgType, c.Buttons, 0), c.Answer);
    EXPECT_EQ(Boxes.Records(), (std::vector<TMessageBoxRecord>{{c.Caption, "Delete the log?", c.DlgType, c.Buttons}}));
  }
}

TEST_F(DialogsTest, ProgrammedAnswersComeFirstInOrder) {
  Boxes.ProgramAnswer(mrNo);
  Boxes.ProgramAnswer(mrCancel);
  for (TModalResult expected : {mrNo, mrCancel, mrYes})
    EXPECT_EQ(MessageDlg("?", mtConfirmation, {mbYes, mbNo}, 0), expected);
}

TEST_F(DialogsTest, ShowMessageIsAnOkBoxTitledWithTheApplication) {
  ShowMessage("Saved");
  EXPECT_EQ(Boxes.Records(), (std::vector<TMessageBoxRecord>{{Application->Title(), "Saved", mtCustom, {mbOK}}}));
}

TEST_F(DialogsTest, TheServiceIsReplaceable) {
  struct TRecorder : TMessageBoxService {
    std::vector<std::string> Texts;
    TModalResult Show(const std::string&, const std::string& Text, TMsgDlgType, TMsgDlgButtons, int) override {
      Texts.push_back(Text);
      return mrIgnore;
    }
  } recorder;
  TMessageBoxService* previous = SetMessageBoxService(&recorder);
  EXPECT_EQ(previous, &Boxes);
  EXPECT_EQ(MessageBoxService(), &recorder);
  EXPECT_EQ(MessageDlg("x", mtError, {mbOK}, 0), mrIgnore);
  ShowMessage("y");
  EXPECT_EQ(SetMessageBoxService(previous), &recorder);
  EXPECT_EQ(MessageBoxService(), &Boxes);
  EXPECT_EQ(recorder.Texts, (std::vector<std::string>{"x", "y"}));
  EXPECT_TRUE(Boxes.Records().empty());
}

// Without a service installed, the headless boxes answer by themselves.
TEST(HeadlessDialogsTest, NothingInstalledMeansTheHeadlessBoxes) {
  ASSERT_EQ(MessageBoxService(), &HeadlessMessageBoxes());
  EXPECT_EQ(MessageDlg("Retry?", mtWarning, {mbRetry, mbIgnore}, 0), mrRetry);
  EXPECT_EQ(SetMessageBoxService(nullptr), &HeadlessMessageBoxes());
  {
    TRecordingMessageBoxes boxes;
    TMessageBoxServiceScope inUse(boxes);
    boxes.ProgramAnswer(mrIgnore);
    EXPECT_EQ(MessageDlg("Retry?", mtWarning, {mbRetry, mbIgnore}, 0), mrIgnore);
  }
  EXPECT_EQ(MessageBoxService(), &HeadlessMessageBoxes()) << "the scope put the headless boxes back";
}

}  // namespace
