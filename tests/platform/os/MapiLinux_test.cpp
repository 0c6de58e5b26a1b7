#include "platform/os/MapiLinux.h"

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/platform/os/MailTestSupport.h"
#include "tests/platform/os/OsTestSupport.h"

namespace rv {
namespace {

using namespace std::chrono_literals;
using rvtest::ReadFile;
using rvtest::WriteFile;

TProcessResult outcome(TProcessOutcome o, int code) {
  TProcessResult r;
  r.Outcome = o;
  r.Code = code;
  return r;
}

TEST(MapiResultCodes, ComposerAndSendmailEndingsMapOntoResults) {
  struct {
    TProcessOutcome outcome;
    int code;
    ULONG composer, sendmail;
  } const cases[] = {
      {poExited, 0, SUCCESS_SUCCESS, SUCCESS_SUCCESS},
      {poExited, 1, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poExited, 2, MAPI_E_ATTACHMENT_NOT_FOUND, MAPI_E_FAILURE},
      {poExited, 3, MAPI_E_NOT_SUPPORTED, MAPI_E_FAILURE},
      {poExited, 4, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poExited, 5, MAPI_E_ATTACHMENT_OPEN_FAILURE, MAPI_E_FAILURE},
      {poExited, 67, MAPI_E_FAILURE, MAPI_E_UNKNOWN_RECIPIENT},
      {poExited, 68, MAPI_E_FAILURE, MAPI_E_NETWORK_FAILURE},
      {poExited, 69, MAPI_E_FAILURE, MAPI_E_NETWORK_FAILURE},
      {poExited, 75, MAPI_E_FAILURE, MAPI_E_NETWORK_FAILURE},
      {poExited, 78, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poExited, 127, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poSignalled, 9, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poTimedOut, 0, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poStillRunning, 0, SUCCESS_SUCCESS, MAPI_E_FAILURE},
      {poNotStarted, ENOENT, MAPI_E_NOT_SUPPORTED, MAPI_E_NOT_SUPPORTED},
      {poNotStarted, EACCES, MAPI_E_NOT_SUPPORTED, MAPI_E_NOT_SUPPORTED},
      {poNotStarted, E2BIG, MAPI_E_TEXT_TOO_LARGE, MAPI_E_NOT_SUPPORTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.outcome) << "/" << c.code);
    EXPECT_EQ(ComposerResult(outcome(c.outcome, c.code)), c.composer);
    EXPECT_EQ(SendmailResult(outcome(c.outcome, c.code)), c.sendmail);
  }
}

TEST(LinuxMapiResolve, AnAddressResolvesToItselfAndNothingElseResolves) {
  TLinuxMapiService service;
  struct {
    const char* name;
    ULONG result;
    std::string address;
  } const cases[] = {
      {"ann@example.org", SUCCESS_SUCCESS, "ann@example.org"},
      {" bob@example.org", SUCCESS_SUCCESS, "bob@example.org"},
      {"SMTP:cat@example.org", SUCCESS_SUCCESS, "cat@example.org"},
      {"ann", MAPI_E_UNKNOWN_RECIPIENT, ""},
      {"", MAPI_E_UNKNOWN_RECIPIENT, ""},
      {nullptr, MAPI_E_UNKNOWN_RECIPIENT, ""},
      {"-f@example.org", MAPI_E_UNKNOWN_RECIPIENT, ""},
      {"ann@example.org\nBcc: x@y.org", MAPI_E_UNKNOWN_RECIPIENT, ""},
  };
  for (const auto& c : cases) {
    for (ULONG flags : {0u, MAPI_DIALOG}) {
      SCOPED_TRACE(testing::Message() << (c.name ? c.name : "(null)") << " flags " << flags);
      TMapiRecipDesc* recip = reinterpret_cast<TMapiRecipDesc*>(1);
      EXPECT_EQ(service.MAPIResolveName(0, 0, c.name, flags, 0, &recip), c.result);
      if (c.result != SUCCESS_SUCCESS) {
        EXPECT_EQ(recip, nullptr);
        continue;
      }
      ASSERT_NE(recip, nullptr);
      EXPECT_EQ(recip->ulRecipClass, MAPI_TO);
      EXPECT_STREQ(recip->lpszName, c.address.c_str());
      EXPECT_STREQ(recip->lpszAddress, c.address.c_str());
      EXPECT_EQ(std::string(static_cast<const char*>(recip->lpEntryID), recip->ulEIDSize), c.address);
      EXPECT_EQ(service.BuffersInUse(), 1u);
      EXPECT_EQ(service.MAPIFreeBuffer(recip), SUCCESS_SUCCESS);
      EXPECT_EQ(service.MAPIFreeBuffer(recip), MAPI_E_FAILURE) << "released twice";
      EXPECT_EQ(service.BuffersInUse(), 0u);
    }
  }
  EXPECT_EQ(service.MAPIResolveName(0, 0, "ann@example.org", 0, 0, nullptr), MAPI_E_FAILURE);
  int notOurs = 0;
  EXPECT_EQ(service.MAPIFreeBuffer(&notOurs), MAPI_E_FAILURE);
  EXPECT_EQ(service.MAPIFreeBuffer(nullptr), SUCCESS_SUCCESS);
}

// A message built the way the log component builds one, with storage for its texts.
struct TTestMessage {
  std::vector<std::string> names;
  std::vector<TMapiRecipDesc> recips;
  std::vector<TMapiFileDesc> files;
  std::string subject = "Crash \xE2\x80\x93 report";
  std::string body = "Hello,\r\nsee the log.\r\n";
  TMapiMessage msg;

  TTestMessage& To(ULONG cls, const char* text) {
    recips.push_back({0, cls, text, text, 0, nullptr});
    return *this;
  }
  TTestMessage& Attach(const char* path, const char* name = nullptr) {
    files.push_back({0, 0, 0xFFFFFFFF, path, name, nullptr});
    return *this;
  }
  const TMapiMessage* Get() {
    msg = {};
    msg.lpszSubject = subject.c_str();
    msg.lpszNoteText = body.c_str();
    if (!recips.empty()) {
      msg.nRecipCount = static_cast<ULONG>(recips.size());
      msg.lpRecips = recips.data();
    }
    if (!files.empty()) {
      msg.nFileCount = static_cast<ULONG>(files.size());
      msg.lpFiles = files.data();
    }
    return &msg;
  }
};

class LinuxMapiSend : public testing::Test {
 protected:
  LinuxMapiSend() : path(dir.Path()) {
    // Both fakes record their arguments one per line and their input, and
    // exit with the code in the file "code".
    const std::string record = "printf '%s\\n' \"$@\" > '" + (dir.File("args")) + "'\n";
    const std::string code = "exit $(cat '" + (dir.File("code")) + "' 2>/dev/null || echo 0)\n";
    test::WriteScript(dir.File("sendmail"), record + "cat > '" + (dir.File("input")) + "'\n" + code);
    test::WriteScript(dir.File("xdg-email"),
                      record + "[ -f '" + (dir.File("linger")) + "' ] && exec sleep 5\n" + code);
    service.SetSendmailProgram(dir.File("sendmail"));
    service.SetComposerWait(20s);
    WriteFile(dir.File("crash.log"), "the log\n");
    WriteFile(dir.File("QVL12.bmp"), std::string("BM\0\x01\xFF", 5));
  }
  bool ran() const { return std::filesystem::exists(dir.File("args")); }
  std::vector<std::string> args() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(dir.File("args")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  rvtest::TempDir dir;
  test::TPathPrepend path;
  TLinuxMapiService service;
};

TEST_F(LinuxMapiSend, SendmailGetsTheEnvelopeAndAMessageWithoutBcc) {
  TTestMessage m;
  m.To(MAPI_TO, "ann@example.org").To(MAPI_CC, " bob@example.org").To(MAPI_BCC, "cat@example.org");
  const std::string capture = dir.File("QVL12.bmp"), log = dir.File("crash.log");
  m.Attach(capture.c_str()).Attach(log.c_str(), "renamed.log");
  ASSERT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_LOGON_UI, 0), SUCCESS_SUCCESS);

  EXPECT_EQ(args(), (std::vector<std::string>{"-i", "--", "ann@example.org", "bob@example.org", "cat@example.org"}));
  const test::TMimeMail mail = test::ParseMime(ReadFile(dir.File("input")));
  EXPECT_EQ(mail.Top.Header("To"), "ann@example.org");
  EXPECT_EQ(mail.Top.Header("Cc"), "bob@example.org");
  EXPECT_FALSE(mail.Top.HasHeader("Bcc"));
  EXPECT_EQ(test::DecodeHeaderWords(mail.Top.Header("Subject")), m.subject);
  ASSERT_EQ(mail.Parts.size(), 3u);
  EXPECT_EQ(test::Base64Decode(mail.Parts[0].Body), m.body);
  EXPECT_EQ(mail.Parts[1].Header("Content-Disposition"), "attachment; filename=\"QVL12.bmp\"");
  EXPECT_EQ(test::Base64Decode(mail.Parts[1].Body), ReadFile(dir.File("QVL12.bmp")));
  EXPECT_EQ(mail.Parts[2].Header("Content-Disposition"), "attachment; filename=\"renamed.log\"");
  EXPECT_EQ(test::Base64Decode(mail.Parts[2].Body), "the log\n");
}

TEST_F(LinuxMapiSend, SendmailExitCodesAndAMissingSendmail) {
  const std::pair<const char*, ULONG> cases[] = {{"67", MAPI_E_UNKNOWN_RECIPIENT}, {"75", MAPI_E_NETWORK_FAILURE},
                                                 {"1", MAPI_E_FAILURE}, {"0", SUCCESS_SUCCESS}};
  TTestMessage m;
  m.To(MAPI_TO, "ann@example.org");
  for (const auto& [code, result] : cases) {
    WriteFile(dir.File("code"), code);
    EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), 0, 0), result) << code;
  }
  service.SetSendmailProgram(dir.File("no-sendmail"));
  EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), 0, 0), MAPI_E_NOT_SUPPORTED);
}

TEST_F(LinuxMapiSend, UndeliverableMessagesAreRefusedBeforeAnythingStarts) {
  const std::string missing = dir.File("missing.log");
  const std::string folder = dir.Path();
  struct {
    const char* name;
    std::vector<std::pair<ULONG, const char*>> recips;
    std::vector<const char*> files;
    ULONG result;
  } const cases[] = {
      {"option-like address", {{MAPI_TO, "-oQ/tmp/x@example.org"}}, {}, MAPI_E_INVALID_RECIPS},
      {"blank-separated entry", {{MAPI_TO, "ann@example.org"}, {MAPI_TO, ""}}, {}, MAPI_E_INVALID_RECIPS},
      {"unresolved recipient", {{MAPI_TO, nullptr}}, {}, MAPI_E_INVALID_RECIPS},
      {"name only", {{MAPI_CC, "Ann"}}, {}, MAPI_E_INVALID_RECIPS},
      {"header injection", {{MAPI_TO, "a@x.org\r\nBcc: evil@x.org"}}, {}, MAPI_E_INVALID_RECIPS},
      {"no recipients", {}, {}, MAPI_E_INVALID_RECIPS},
      {"originator class", {{MAPI_ORIG, "ann@example.org"}}, {}, MAPI_E_BAD_RECIPTYPE},
      {"unknown class", {{7, "ann@example.org"}}, {}, MAPI_E_BAD_RECIPTYPE},
      {"missing attachment", {{MAPI_TO, "ann@example.org"}}, {missing.c_str()}, MAPI_E_ATTACHMENT_NOT_FOUND},
      {"empty attachment path", {{MAPI_TO, "ann@example.org"}}, {""}, MAPI_E_ATTACHMENT_NOT_FOUND},
      {"null attachment path", {{MAPI_TO, "ann@example.org"}}, {nullptr}, MAPI_E_ATTACHMENT_NOT_FOUND},
      {"folder as attachment", {{MAPI_TO, "ann@example.org"}}, {folder.c_str()}, MAPI_E_ATTACHMENT_OPEN_FAILURE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTestMessage m;
    for (const auto& [cls, text] : c.recips) m.To(cls, text);
    for (const char* f : c.files) m.Attach(f);
    EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), 0, 0), c.result);
    EXPECT_FALSE(ran());
  }
  EXPECT_EQ(service.MAPISendMail(0, 0, nullptr, 0, 0), MAPI_E_INVALID_MESSAGE);
  TMapiMessage broken{};
  broken.nRecipCount = 2;
  EXPECT_EQ(service.MAPISendMail(0, 0, &broken, MAPI_DIALOG, 0), MAPI_E_INVALID_MESSAGE);
  broken = {};
  broken.nFileCount = 1;
  EXPECT_EQ(service.MAPISendMail(0, 0, &broken, 0, 0), MAPI_E_INVALID_MESSAGE);
  EXPECT_FALSE(ran());
}

TEST_F(LinuxMapiSend, ComposerGetsOneMailtoArgumentWithNothingInjected) {
  TTestMessage m;
  m.subject = "Crash?\r\nBcc: evil@example.org&attach=/etc/shadow \"q\" 'q' \\ \xC3\xA9";
  m.body = "-- body\r\n&attach=/root/.ssh/id_rsa#x";
  m.To(MAPI_TO, "ann@example.org")
      .To(MAPI_TO, "a?attach=/etc/passwd@example.org")
      .To(MAPI_CC, nullptr)
      .To(MAPI_CC, "bob")
      .To(MAPI_BCC, "x@y.org',attachment='/etc/passwd")
      .To(MAPI_BCC, "--help");
  const std::string relative = std::filesystem::relative(dir.File("crash.log")).string();
  m.Attach(relative.c_str());
  ASSERT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_LOGON_UI | MAPI_DIALOG, 0), SUCCESS_SUCCESS);

  const std::vector<std::string> a = args();
  ASSERT_EQ(a.size(), 1u);
  const std::string& uri = a[0];
  EXPECT_EQ(uri.find_first_of(" \r\n\"'\\#<>"), std::string::npos) << uri;
  const auto q = uri.find('?');
  EXPECT_EQ(uri.substr(0, q), "mailto:ann@example.org,a%3Fattach%3D%2Fetc%2Fpasswd@example.org");
  std::vector<std::pair<std::string, std::string>> params;
  std::istringstream query(uri.substr(q + 1));
  for (std::string field; std::getline(query, field, '&');) {
    auto eq = field.find('=');
    params.emplace_back(field.substr(0, eq), test::PercentDecode(field.substr(eq + 1)));
  }
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"subject", m.subject}, {"body", m.body}, {"attach", dir.File("crash.log")}};
  EXPECT_EQ(params, expected);
}

TEST_F(LinuxMapiSend, ComposerEndings) {
  TTestMessage m;
  m.To(MAPI_TO, "ann@example.org");
  WriteFile(dir.File("code"), "2");
  EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_DIALOG, 0), MAPI_E_ATTACHMENT_NOT_FOUND);
  WriteFile(dir.File("code"), "3");
  EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_DIALOG, 0), MAPI_E_NOT_SUPPORTED);

  // A composer that stays open is a message handed over.
  WriteFile(dir.File("linger"), "");
  service.SetComposerWait(100ms);
  EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_DIALOG, 0), SUCCESS_SUCCESS);

  service.SetComposerProgram("rv-no-such-composer");
  EXPECT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_DIALOG, 0), MAPI_E_NOT_SUPPORTED);
}

TEST_F(LinuxMapiSend, ComposerWithNoRecipientsStillOpens) {
  TTestMessage m;
  m.subject = "";
  m.body = "";
  ASSERT_EQ(service.MAPISendMail(0, 0, m.Get(), MAPI_DIALOG, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(args(), std::vector<std::string>{"mailto:"});
}

}  // namespace
}  // namespace rv
