#include "testing/os/MapiRecorder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace rv {
namespace {

using TText = std::optional<std::string>;

TEST(RecordingMapiService, KeepsDeepCopiesOfEverythingHandedOver) {
  TRecordingMapiService service;
  service.SetSendResult(MAPI_USER_ABORT);
  char subject[] = "Subject", name[] = "ann", id[] = "\x01\x00\x02", path[] = "/no/such/file.bmp";
  TMapiRecipDesc recips[] = {{0, MAPI_TO, name, "ann@x.org", 3, id}, {0, MAPI_BCC, nullptr, nullptr, 0, nullptr}};
  TMapiFileDesc files[] = {{0, 0, 0xFFFFFFFF, path, nullptr, nullptr}};
  const TMapiMessage msg{0, subject, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 2, recips, 1, files};
  EXPECT_EQ(service.MAPISendMail(0, 42, &msg, MAPI_LOGON_UI | MAPI_DIALOG, 0), MAPI_USER_ABORT);
  // The caller may release everything once the call has returned.
  for (char* s : {subject, name, id, path}) std::memset(s, 'x', std::strlen(s));

  ASSERT_EQ(service.Mails().size(), 1u);
  const TRecordedMail& m = service.Mails()[0];
  EXPECT_EQ(std::make_tuple(m.UIParam, m.Flags, m.Subject, m.NoteText, m.RecipCount),
            std::make_tuple(ULONG_PTR(42), 9u, TText("Subject"), TText(), 2u));
  ASSERT_EQ(m.Recipients.size(), 2u);
  const TRecordedRecipient &r0 = m.Recipients[0], &r1 = m.Recipients[1];
  EXPECT_EQ(std::make_tuple(r0.RecipClass, r0.Name, r0.Address, r0.EntryID),
            std::make_tuple(MAPI_TO, TText("ann"), TText("ann@x.org"), std::string("\x01\x00\x02", 3)));
  EXPECT_EQ(std::make_tuple(r1.RecipClass, r1.Name, r1.Address), std::make_tuple(MAPI_BCC, TText(), TText()));
  ASSERT_EQ(m.Files.size(), 1u);
  EXPECT_EQ(std::make_tuple(m.Files[0].PathName, m.Files[0].FileName, m.Files[0].Position, m.Files[0].Existed),
            std::make_tuple(TText("/no/such/file.bmp"), TText(), 0xFFFFFFFFu, false));
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
  EXPECT_EQ(std::make_tuple(std::string(r->lpszName), std::string(r->lpszAddress),
                            std::string(static_cast<const char*>(r->lpEntryID), r->ulEIDSize)),
            std::make_tuple("Bob B.", "bob@x.org", "EID-bob"));
  ASSERT_EQ(service.Resolves().size(), 2u);
  EXPECT_EQ(std::make_tuple(service.Resolves()[1].Name, service.Resolves()[1].Flags, service.Resolves()[1].UIParam),
            std::make_tuple(TText("bob"), MAPI_DIALOG, ULONG_PTR(7)));
  EXPECT_EQ(service.BuffersInUse(), 1u);
  EXPECT_EQ(service.MAPIFreeBuffer(r), SUCCESS_SUCCESS);
  EXPECT_EQ(service.BuffersInUse(), 0u);

  TMapiService& linux = MapiService();
  {
    TMapiServiceScope scope(service);
    EXPECT_EQ(&MapiService(), &service);
  }
  EXPECT_EQ(&MapiService(), &linux);
}

}  // namespace
}  // namespace rv
