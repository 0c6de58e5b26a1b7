#include "platform/os/MapiLinux.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "tests/platform/os/MailTestSupport.h"
#include "tests/support/Environment.h"

namespace rv {
namespace {

using namespace std::chrono_literals;

TEST(MapiResultCodes, ComposerAndSendmailEndingsMapOntoResults) {
  const std::tuple<TProcessOutcome, int, ULONG, ULONG> cases[] = {
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
      {poSignalled, 9, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poTimedOut, 0, MAPI_E_FAILURE, MAPI_E_FAILURE},
      {poStillRunning, 0, SUCCESS_SUCCESS, MAPI_E_FAILURE},
      {poNotStarted, ENOENT, MAPI_E_NOT_SUPPORTED, MAPI_E_NOT_SUPPORTED},
      {poNotStarted, E2BIG, MAPI_E_TEXT_TOO_LARGE, MAPI_E_NOT_SUPPORTED},
  };
  for (const auto& [outcome, code, composer, sendmail] : cases) {
    const TProcessResult run{outcome, code, "", ""};
    EXPECT_EQ(ComposerResult(run), composer) << int(outcome) << "/" << code;
    EXPECT_EQ(SendmailResult(run), sendmail) << int(outcome) << "/" << code;
  }
}

TEST(LinuxMapiResolve, AddressesAndMailboxesResolveAndNothingElseDoes) {
  TLinuxMapiService service;
  const std::pair<const char*, std::string> cases[] = {{"ann@example.org", "ann@example.org"},
                                                       {" SMTP:bob@example.org", "bob@example.org"},
                                                       {"ann", ""},
                                                       {"", ""},
                                                       {nullptr, ""},
                                                       {"-f@example.org", ""},
                                                       {"a@x.org\nBcc: b@y.org", ""}};
  for (const auto& [name, address] : cases) {
    for (ULONG flags : {0u, MAPI_DIALOG}) {
      SCOPED_TRACE(testing::Message() << (name ? name : "(null)") << " flags " << flags);
      TMapiRecipDesc* r = reinterpret_cast<TMapiRecipDesc*>(1);
      EXPECT_EQ(service.MAPIResolveName(0, 0, name, flags, 0, &r),
                address.empty() ? MAPI_E_UNKNOWN_RECIPIENT : SUCCESS_SUCCESS);
      if (address.empty()) {
        EXPECT_EQ(r, nullptr);
        continue;
      }
      EXPECT_EQ(std::make_tuple(r->ulRecipClass, std::string(r->lpszName), std::string(r->lpszAddress)),
                std::make_tuple(MAPI_TO, address, address));
      EXPECT_EQ(std::string(static_cast<const char*>(r->lpEntryID), r->ulEIDSize), address);
      EXPECT_EQ(service.MAPIFreeBuffer(r), SUCCESS_SUCCESS);
      EXPECT_EQ(service.MAPIFreeBuffer(r), MAPI_E_FAILURE) << "released twice";
    }
  }
  EXPECT_EQ(service.BuffersInUse(), 0u);
  EXPECT_EQ(service.MAPIResolveName(0, 0, "ann@example.org", 0, 0, nullptr), MAPI_E_FAILURE);
  // A display name is what resolution shows; the identifier keeps the mailbox.
  TMapiRecipDesc* named = nullptr;
  ASSERT_EQ(service.MAPIResolveName(0, 0, "Support Team <support@example.org>", 0, 0, &named), SUCCESS_SUCCESS);
  EXPECT_EQ(std::make_tuple(std::string(named->lpszName), std::string(named->lpszAddress),
                            std::string(static_cast<const char*>(named->lpEntryID), named->ulEIDSize)),
            std::make_tuple("Support Team", "support@example.org", "Support Team <support@example.org>"));
  service.MAPIFreeBuffer(named);
  EXPECT_EQ(service.MAPIFreeBuffer(nullptr), SUCCESS_SUCCESS);
}

// Fake sendmail and xdg-email record their arguments (one per line) and
// input, and exit with the code in the file "code"; the composer stays open
// while the file "linger" exists.
class LinuxMapiSend : public testing::Test {
 protected:
  LinuxMapiSend() : path(dir.Path()) {
    const std::string record = "printf '%s\\n' \"$@\" > '" + dir.File("args") + "'\n";
    const std::string code = "exit $(cat '" + dir.File("code") + "' 2>/dev/null || echo 0)\n";
    test::WriteScript(dir.File("sendmail"), record + "cat > '" + dir.File("input") + "'\n" + code);
    test::WriteScript(dir.File("xdg-email"), record + "[ -f '" + dir.File("linger") + "' ] && exec sleep 5\n" + code);
    service.SetSendmailProgram(dir.File("sendmail"));
    service.SetComposerWait(20s);
    rvtest::WriteFile(log, "the log\n");
  }
  // A message with a recipient per entry (class, text as name and address) and the files.
  ULONG send(ULONG flags, std::vector<std::pair<ULONG, const char*>> to, std::vector<const char*> files = {}) {
    std::vector<TMapiRecipDesc> recips;
    std::vector<TMapiFileDesc> descs;
    for (const auto& [cls, text] : to) recips.push_back({0, cls, text, text, 0, nullptr});
    for (const char* f : files) descs.push_back({0, 0, 0xFFFFFFFF, f, nullptr, nullptr});
    TMapiMessage m{0,
                   subject.c_str(),
                   body.c_str(),
                   nullptr,
                   nullptr,
                   nullptr,
                   0,
                   nullptr,
                   ULONG(recips.size()),
                   recips.empty() ? nullptr : recips.data(),
                   ULONG(descs.size()),
                   descs.empty() ? nullptr : descs.data()};
    std::filesystem::remove(dir.File("args"));
    return service.MAPISendMail(0, 0, &m, flags, 0);
  }
  std::vector<std::string> args() {
    std::vector<std::string> lines;
    std::istringstream in(rvtest::ReadFile(dir.File("args")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  rvtest::TempDir dir;
  test::TPathPrepend path;
  TLinuxMapiService service;
  std::string subject = "Crash \xE2\x80\x93 report", body = "Hello,\r\nsee the log.\r\n";
  const std::string log = dir.File("crash.log");
};

TEST_F(LinuxMapiSend, SendmailGetsTheWholeEnvelopeAndAMessageWithoutBcc) {
  ASSERT_EQ(send(MAPI_LOGON_UI, {{MAPI_TO, "ann@example.org"}, {MAPI_CC, " bob@example.org"}, {MAPI_BCC, "cat@x.org"}},
                 {log.c_str()}),
            SUCCESS_SUCCESS);
  EXPECT_EQ(args(), (std::vector<std::string>{"-i", "--", "ann@example.org", "bob@example.org", "cat@x.org"}));
  auto m = test::ParseMime(rvtest::ReadFile(dir.File("input")));
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].Headers["To"], "ann@example.org");
  EXPECT_EQ(m[0].Headers["Cc"], "bob@example.org");
  EXPECT_EQ(m[0].Headers.count("Bcc"), 0u);
  EXPECT_EQ(test::DecodeWords(m[0].Headers["Subject"]), subject);
  EXPECT_EQ(test::Base64Decode(m[1].Body), body);
  EXPECT_EQ(m[2].Headers["Content-Disposition"], "attachment; filename=\"crash.log\"");
  EXPECT_EQ(test::Base64Decode(m[2].Body), "the log\n");

  rvtest::WriteFile(dir.File("code"), "75");
  EXPECT_EQ(send(0, {{MAPI_TO, "ann@example.org"}}), MAPI_E_NETWORK_FAILURE);
  service.SetSendmailProgram(dir.File("no-sendmail"));
  EXPECT_EQ(send(0, {{MAPI_TO, "ann@example.org"}}), MAPI_E_NOT_SUPPORTED);
}

TEST_F(LinuxMapiSend, UndeliverableMessagesAreRefusedBeforeAnythingStarts) {
  const std::string missing = dir.File("missing.log"), folder = dir.Path();
  const std::tuple<const char*, std::vector<std::pair<ULONG, const char*>>, std::vector<const char*>, ULONG> cases[] = {
      {"option-like address", {{MAPI_TO, "-oQ/tmp/x@example.org"}}, {}, MAPI_E_INVALID_RECIPS},
      {"empty entry", {{MAPI_TO, "ann@example.org"}, {MAPI_TO, ""}}, {}, MAPI_E_INVALID_RECIPS},
      {"unresolved recipient", {{MAPI_TO, nullptr}}, {}, MAPI_E_INVALID_RECIPS},
      {"header injection", {{MAPI_TO, "a@x.org\r\nBcc: evil@x.org"}}, {}, MAPI_E_INVALID_RECIPS},
      {"no recipients", {}, {}, MAPI_E_INVALID_RECIPS},
      {"originator class", {{MAPI_ORIG, "ann@example.org"}}, {}, MAPI_E_BAD_RECIPTYPE},
      {"missing attachment", {{MAPI_TO, "ann@example.org"}}, {missing.c_str()}, MAPI_E_ATTACHMENT_NOT_FOUND},
      {"null attachment path", {{MAPI_TO, "ann@example.org"}}, {nullptr}, MAPI_E_ATTACHMENT_NOT_FOUND},
      {"folder as attachment", {{MAPI_TO, "ann@example.org"}}, {folder.c_str()}, MAPI_E_ATTACHMENT_OPEN_FAILURE},
  };
  for (const auto& [name, to, files, result] : cases) {
    EXPECT_EQ(send(0, to, files), result) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.File("args"))) << name;
  }
  EXPECT_EQ(send(MAPI_DIALOG, {{MAPI_TO, "a@x.org"}}, {missing.c_str()}), MAPI_E_ATTACHMENT_NOT_FOUND);
  EXPECT_EQ(service.MAPISendMail(0, 0, nullptr, 0, 0), MAPI_E_INVALID_MESSAGE);
  TMapiMessage broken{};
  broken.nRecipCount = 2;
  EXPECT_EQ(service.MAPISendMail(0, 0, &broken, MAPI_DIALOG, 0), MAPI_E_INVALID_MESSAGE);
}

TEST_F(LinuxMapiSend, ComposerGetsOneMailtoArgumentWithUsableRecipientsOnly) {
  subject = "Crash?\r\n&attach=/etc/shadow 'q' \\";
  const std::string relative = std::filesystem::relative(log).string();
  ASSERT_EQ(send(MAPI_LOGON_UI | MAPI_DIALOG,
                 {{MAPI_TO, "ann@example.org"},
                  {MAPI_CC, nullptr},
                  {MAPI_CC, "bob"},
                  {MAPI_BCC, "x@y.org',attachment='/etc/passwd"},
                  {MAPI_BCC, "--help"}},
                 {relative.c_str()}),
            SUCCESS_SUCCESS);
  // The composer gets the path from the root: it may run in another folder.
  EXPECT_EQ(args(), std::vector<std::string>{
                        "mailto:ann@example.org?subject=Crash%3F%0D%0A%26attach%3D%2Fetc%2Fshadow%20%27q%27%20%5C"
                        "&body=Hello%2C%0D%0Asee%20the%20log.%0D%0A&attach=" +
                        log});

  rvtest::WriteFile(dir.File("code"), "2");
  EXPECT_EQ(send(MAPI_DIALOG, {}), MAPI_E_ATTACHMENT_NOT_FOUND);
  // A composer that stays open is a message handed over.
  rvtest::WriteFile(dir.File("linger"), "");
  service.SetComposerWait(100ms);
  EXPECT_EQ(send(MAPI_DIALOG, {}), SUCCESS_SUCCESS);
  service.SetComposerProgram("rv-no-such-composer");
  EXPECT_EQ(send(MAPI_DIALOG, {}), MAPI_E_NOT_SUPPORTED);
}

}  // namespace
}  // namespace rv
