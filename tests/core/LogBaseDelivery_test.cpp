#include <gtest/gtest.h>

#include "core/LogBase.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/os/MapiLinux.h"
#include "platform/rtl/Exceptions.h"
#include "testing/forms/MessageBoxRecorder.h"
#include "testing/os/MapiRecorder.h"
#include "testing/os/WebOpenerRecorder.h"
#include "tests/platform/os/MailTestSupport.h"
#include "tests/support/Environment.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

class DeliveryTest : public ::testing::Test {
 protected:
  DeliveryTest() : Log(nullptr), Scope(Mapi) {
    Log.SendTo()->SetAttachScreenShot(false);
    Log.SendTo()->SetResolveNames(false);
  }
  const TRecordedMail& SendOne() {
    Log.SendLogByMail();
    EXPECT_EQ(Mapi.Mails().size(), 1u);
    return Mapi.Mails().back();
  }

  TQVLogBase Log;
  TRecordingMapiService Mapi;
  TMapiServiceScope Scope;
  TRecordingMessageBoxes Boxes;
  TMessageBoxServiceScope BoxesInUse{Boxes};
};

struct RecipientCase {
  const char* EMail;
  std::vector<std::pair<ULONG, std::string>> Expected;  // class and text, in order
};

TEST_F(DeliveryTest, RecipientsAreSplitAndClassifiedWithoutTrimming) {
  const RecipientCase table[] = {
      {"ann;CC:bob,bcc:cat", {{MAPI_TO, "ann"}, {MAPI_CC, "bob"}, {MAPI_BCC, "cat"}}},
      {"cc:", {{MAPI_CC, ""}}},
      {"ann;;bob", {{MAPI_TO, "ann"}, {MAPI_TO, ""}, {MAPI_TO, "bob"}}},
      {"ann; bob", {{MAPI_TO, "ann"}, {MAPI_TO, " bob"}}},
      {"ann,", {{MAPI_TO, "ann"}}},
      {"Cc:CC:x;bCc: y", {{MAPI_CC, "CC:x"}, {MAPI_BCC, " y"}}},
      {"c:x;bc:y", {{MAPI_TO, "c:x"}, {MAPI_TO, "bc:y"}}},
  };
  for (const RecipientCase& c : table) {
    SCOPED_TRACE(c.EMail);
    Log.SendTo()->SetEMail(c.EMail);
    Log.SendLogByMail();
    const TRecordedMail& mail = Mapi.Mails().back();
    ASSERT_EQ(mail.Recipients.size(), c.Expected.size());
    for (std::size_t i = 0; i < c.Expected.size(); ++i) {
      EXPECT_EQ(mail.Recipients[i].RecipClass, c.Expected[i].first);
      EXPECT_EQ(mail.Recipients[i].Name, c.Expected[i].second);
      EXPECT_EQ(mail.Recipients[i].Address, c.Expected[i].second);
    }
  }
  Log.SendTo()->SetEMail("");
  Log.SendLogByMail();
  const TRecordedMail& none = Mapi.Mails().back();
  EXPECT_EQ(none.RecipCount, 0u);
  EXPECT_FALSE(none.HasRecipArray);
}

TEST_F(DeliveryTest, ResolutionAsksTheUserOnceThenDropsWhatItCannotResolve) {
  Log.SendTo()->SetResolveNames(true);
  Log.SendTo()->SetEMail("known;ghost");
  Mapi.SetOnResolve([](const std::string& name, ULONG) {
    TResolveAnswer a;
    if (name == "known") {
      a.Name = "Known Person";
      a.Address = "SMTP:known@example.org";
      a.EntryID = "id-1";
    } else {
      a.Result = MAPI_E_UNKNOWN_RECIPIENT;
    }
    return a;
  });
  const TRecordedMail& mail = SendOne();
  ASSERT_EQ(Mapi.Resolves().size(), 3u);
  EXPECT_EQ(Mapi.Resolves()[1].Name, "ghost");
  EXPECT_EQ(Mapi.Resolves()[2].Flags, MAPI_DIALOG) << "unknown: asked again with the dialog";
  ASSERT_EQ(mail.Recipients.size(), 2u);
  EXPECT_EQ(mail.Recipients[0].Name, "Known Person");
  EXPECT_EQ(mail.Recipients[0].Address, "Known Person") << "name and address both take the display name";
  EXPECT_EQ(mail.Recipients[0].EntryID, "id-1");
  EXPECT_EQ(mail.Recipients[1].RecipClass, MAPI_TO);
  EXPECT_FALSE(mail.Recipients[1].Name.has_value());
  EXPECT_FALSE(mail.Recipients[1].Address.has_value());
  EXPECT_EQ(Mapi.BuffersInUse(), 0u) << "resolution results are released";
}

TEST_F(DeliveryTest, BodySubjectAndFlags) {
  Log.SendTo()->SetEMail("ann");
  Log.SendTo()->SetEMailSubject("Crash");
  Log.SetLogFile("varizera.log");
  const TRecordedMail& mail = SendOne();
  EXPECT_EQ(mail.Subject, "Crash");
  EXPECT_NE(mail.NoteText->find("please forward this message to ann. Also, you can send this file varizera.log as "
                                "attachment"),
            std::string::npos);
  EXPECT_EQ(mail.Flags, MAPI_LOGON_UI | MAPI_DIALOG);
  EXPECT_EQ(mail.UIParam, static_cast<ULONG_PTR>(Application->Handle())) << "the application's window is the parent";
  Log.SendTo()->SetEMailOpenBeforeSend(false);
  Log.SendTo()->SetEMailBody("100%% of %s");
  Log.SendLogByMail();
  EXPECT_EQ(Mapi.Mails().back().Flags, MAPI_LOGON_UI);
  EXPECT_EQ(Mapi.Mails().back().NoteText, "100% of ann");
}

TEST_F(DeliveryTest, ABodyThatDoesNotFitItsArgumentsRaisesAndSendsNothing) {
  for (const char* body : {"%d", "%s %s %s"}) {
    Log.SendTo()->SetEMailBody(body);
    EXPECT_THROW(Log.SendLogByMail(), EConvertError) << body;
  }
  EXPECT_TRUE(Mapi.Mails().empty());
}

TEST_F(DeliveryTest, AttachmentsInOrderWithoutAScreenToCapture) {
  rvtest::TempDir dir;
  Log.SetLogFile(dir.File("app.log"));
  Log.SendTo()->SetAttachScreenShot(true);  // no display in this test: nothing to capture
  Log.SendTo()->SetAttachLog(true);
  Log.SendTo()->AdditionalFiles()->Add("/var/extra.txt");
  const TRecordedMail& mail = SendOne();
  ASSERT_EQ(mail.Files.size(), 2u);
  EXPECT_EQ(mail.Files[0].PathName, dir.File("app.log")) << "the log file as stored, even when missing";
  EXPECT_EQ(mail.Files[0].FileName, "app.log");
  EXPECT_EQ(mail.Files[0].Position, 0xFFFFFFFFu);
  EXPECT_EQ(mail.Files[1].PathName, "/var/extra.txt");

  Log.SetLogFile("");
  Log.SendTo()->AdditionalFiles()->Clear();
  Log.SendLogByMail();
  EXPECT_EQ(Mapi.Mails().back().FileCount, 0u);
  EXPECT_FALSE(Mapi.Mails().back().HasFileArray);
}

TEST_F(DeliveryTest, EveryFailureIsShownInAnErrorBoxAndNotRaised) {
  for (ULONG code : {MAPI_USER_ABORT, MAPI_E_NOT_SUPPORTED, 40u}) {
    Boxes.Clear();
    Mapi.SetSendResult(code);
    EXPECT_NO_THROW(Log.SendLogByMail());
    auto boxes = Boxes.Records();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, Log.MAPIErrorDescription(static_cast<std::int32_t>(code)));
    EXPECT_EQ(boxes[0].DlgType, mtError);
  }
  Boxes.Clear();
  Mapi.SetSendResult(SUCCESS_SUCCESS);
  Log.SendLogByMail();
  EXPECT_TRUE(Boxes.Records().empty());
}

TEST(DeliveryNamedRecipientsTest, ResolvedDisplayNamesKeepTheirAddresses) {
  rvtest::TempDir dir;
  const std::string record = "printf '%s\\n' \"$@\" > '" + dir.File("args") + "'\ncat > '" + dir.File("input") + "'\n";
  TLinuxMapiService mail;
  mail.SetSendmailProgram(rv::test::WriteScript(dir.File("sendmail"), record));
  mail.SetComposerProgram(rv::test::WriteScript(dir.File("xdg-email"), record));
  TMapiServiceScope scope(mail);
  TRecordingMessageBoxes Boxes;
  TMessageBoxServiceScope boxesInUse(Boxes);
  TQVLogBase log(nullptr);
  log.SendTo()->SetAttachScreenShot(false);
  log.SendTo()->SetEMail("Support Team <support@example.org>;CC:Zo\xC3\xAB \xC3\x9Cnal <zoe@example.org>");

  log.SendTo()->SetEMailOpenBeforeSend(false);
  log.SendLogByMail();
  EXPECT_TRUE(Boxes.Records().empty());
  EXPECT_EQ(rvtest::ReadFile(dir.File("args")), "-i\n--\nsupport@example.org\nzoe@example.org\n");
  const auto headers = rv::test::ParseMime(rvtest::ReadFile(dir.File("input")))[0].Headers;
  EXPECT_EQ(headers.at("To"), "\"Support Team\" <support@example.org>");
  EXPECT_EQ(rv::test::DecodeWords(headers.at("Cc").substr(0, headers.at("Cc").find(' '))), "Zo\xC3\xAB \xC3\x9Cnal");

  log.SendTo()->SetEMailOpenBeforeSend(true);
  log.SendLogByMail();
  EXPECT_EQ(rvtest::ReadFile(dir.File("args")).rfind("mailto:support@example.org?cc=zoe@example.org&", 0), 0u)
      << "the composer gets both";
}

TEST(DeliveryWebTest, TheSupportPageGoesToTheOpenerAndHostileAddressesDoNot) {
  TRecordingWebOpener opener;
  TWebOpenerScope scope(opener);
  TQVLogBase log(nullptr);
  for (const char* www : {"", "--help", "-", "https://example.org/support?a=1&b=2"}) {
    log.SendTo()->SetWWW(www);
    log.SendLogByWWW();
  }
  EXPECT_EQ(opener.Addresses(), std::vector<std::string>{"https://example.org/support?a=1&b=2"});
}

}  // namespace
