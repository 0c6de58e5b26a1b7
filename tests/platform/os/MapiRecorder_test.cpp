#include "platform/os/MapiRecorder.h"

#include <cstring>

#include <gtest/gtest.h>

#include "tests/platform/os/OsTestSupport.h"

namespace rv {
namespace {

TEST(RecordingMapiService, KeepsDeepCopiesOfEverythingHandedOver) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("exists.log"), "x");
  TRecordingMapiService service;
  service.SetSendResult(MAPI_USER_ABORT);

  char subject[] = "Subject", body[] = "Body", name[] = "ann", address[] = "ann@x.org", id[] = "\x01\x00\x02";
  std::string path = dir.File("exists.log"), missing = dir.File("gone.bmp");
  TMapiRecipDesc recips[2] = {{0, MAPI_TO, name, address, 3, id}, {0, MAPI_BCC, nullptr, nullptr, 0, nullptr}};
  TMapiFileDesc files[2] = {{0, 0, 0xFFFFFFFF, path.c_str(), "exists.log", nullptr},
                            {0, 0, 0xFFFFFFFF, missing.c_str(), nullptr, nullptr}};
  TMapiMessage msg{};
  msg.lpszSubject = subject;
  msg.lpszNoteText = body;
  msg.nRecipCount = 2;
  msg.lpRecips = recips;
  msg.nFileCount = 2;
  msg.lpFiles = files;
  EXPECT_EQ(service.MAPISendMail(0, 42, &msg, MAPI_LOGON_UI | MAPI_DIALOG, 0), MAPI_USER_ABORT);
  // The caller may release everything once the call has returned.
  std::memset(subject, 0, sizeof subject);
  std::memset(name, 0, sizeof name);
  std::memset(id, 0, sizeof id);
  path.assign(path.size(), 'x');

  ASSERT_EQ(service.Mails().size(), 1u);
  const TRecordedMail& m = service.Mails()[0];
  EXPECT_EQ(m.UIParam, 42u);
  EXPECT_EQ(m.Flags, 9u);
  EXPECT_EQ(m.Subject, "Subject");
  EXPECT_EQ(m.NoteText, "Body");
  EXPECT_EQ(m.RecipCount, 2u);
  ASSERT_EQ(m.Recipients.size(), 2u);
  EXPECT_EQ(m.Recipients[0].RecipClass, MAPI_TO);
  EXPECT_EQ(m.Recipients[0].Name, "ann");
  EXPECT_EQ(m.Recipients[0].Address, "ann@x.org");
  EXPECT_EQ(m.Recipients[0].EntryID, std::string("\x01\x00\x02", 3));
  EXPECT_EQ(m.Recipients[1].RecipClass, MAPI_BCC);
  EXPECT_EQ(m.Recipients[1].Name, std::nullopt);
  EXPECT_EQ(m.Recipients[1].Address, std::nullopt);
  EXPECT_EQ(m.Recipients[1].EntryID, "");
  ASSERT_EQ(m.Files.size(), 2u);
  EXPECT_EQ(m.Files[0].PathName, dir.File("exists.log"));
  EXPECT_EQ(m.Files[0].FileName, "exists.log");
  EXPECT_EQ(m.Files[0].Position, 0xFFFFFFFFu);
  EXPECT_TRUE(m.Files[0].Existed);
  EXPECT_EQ(m.Files[1].FileName, std::nullopt);
  EXPECT_FALSE(m.Files[1].Existed);
}

TEST(RecordingMapiService, ProgrammedResolutionsAndTheirRelease) {
  TRecordingMapiService service;
  service.SetOnResolve([](const std::string& name, ULONG flags) {
    if (name == "bob" && !(flags & MAPI_DIALOG)) return TResolveAnswer{MAPI_E_AMBIGUOUS_RECIPIENT, "", "", ""};
    return TResolveAnswer{SUCCESS_SUCCESS, "Bob B.", "bob@x.org", "EID-bob"};
  });
  TMapiRecipDesc* r = nullptr;
  EXPECT_EQ(service.MAPIResolveName(0, 0, "bob", 0, 0, &r), MAPI_E_AMBIGUOUS_RECIPIENT);
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(service.MAPIResolveName(0, 7, "bob", MAPI_DIALOG, 0, &r), SUCCESS_SUCCESS);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->lpszName, "Bob B.");
  EXPECT_STREQ(r->lpszAddress, "bob@x.org");
  EXPECT_EQ(std::string(static_cast<const char*>(r->lpEntryID), r->ulEIDSize), "EID-bob");
  ASSERT_EQ(service.Resolves().size(), 2u);
  EXPECT_EQ(service.Resolves()[1].Name, "bob");
  EXPECT_EQ(service.Resolves()[1].Flags, MAPI_DIALOG);
  EXPECT_EQ(service.Resolves()[1].UIParam, 7u);
  EXPECT_EQ(service.BuffersInUse(), 1u);
  EXPECT_EQ(service.MAPIFreeBuffer(r), SUCCESS_SUCCESS);
  EXPECT_EQ(service.BuffersInUse(), 0u);

  TRecordingMapiService plain;
  EXPECT_EQ(plain.MAPIResolveName(0, 0, "ann", 0, 0, &r), SUCCESS_SUCCESS);
  EXPECT_STREQ(r->lpszAddress, "ann");
  // Left unreleased on purpose: the service releases its records when it goes.
}

TEST(MapiService, InstalledServiceIsUsedAndRestored) {
  TMapiService& linux = MapiService();
  TRecordingMapiService outer, inner;
  {
    TMapiServiceScope a(outer);
    EXPECT_EQ(&MapiService(), &outer);
    {
      TMapiServiceScope b(inner);
      EXPECT_EQ(&MapiService(), &inner);
    }
    EXPECT_EQ(&MapiService(), &outer);
  }
  EXPECT_EQ(&MapiService(), &linux);
  EXPECT_EQ(SetMapiService(nullptr), nullptr);
}

}  // namespace
}  // namespace rv
