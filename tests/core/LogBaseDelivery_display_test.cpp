// Runs under Xvfb with a 1024x768 screen.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <vector>

#include "core/LogBase.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/FileUtils.h"
#include "testing/os/MapiRecorder.h"
#include "tests/support/Environment.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

// Looks at the capture while the mail service has it.
class TCaptureInspector : public TRecordingMapiService {
 public:
  ULONG MAPISendMail(LHANDLE Session, ULONG_PTR UIParam, const TMapiMessage* Message, ULONG Flags,
                     ULONG Reserved) override {
    const std::string path = Message->lpFiles[0].lpszPathName;
    Header = rvtest::ReadFile(path).substr(0, 2);
    if (Header == "BM") {
      TBitmap bitmap;
      bitmap.LoadFromFile(path);
      Width = bitmap.Width();
      Height = bitmap.Height();
    }
    return TRecordingMapiService::MAPISendMail(Session, UIParam, Message, Flags, Reserved);
  }
  std::string Header;
  int Width = 0;
  int Height = 0;
};

TEST(DeliveryDisplay, TheCaptureComesFirstAndIsGoneAfterwards) {
  rvtest::TempDir dir;
  TCaptureInspector mapi;
  TMapiServiceScope scope(mapi);
  TQVLogBase log(nullptr);
  log.SetLogFile(dir.File("app.log"));
  log.SendTo()->SetAttachLog(true);
  log.SendLogByMail();
  const TRecordedMail& mail = mapi.Mails().back();
  ASSERT_EQ(mail.Files.size(), 2u);
  const std::string capture = *mail.Files[0].PathName;
  EXPECT_EQ(ExtractFileName(capture).substr(0, 3), "QVL");
  EXPECT_EQ(ExtractFileExt(capture), ".bmp");
  EXPECT_EQ(mapi.Header, "BM");
  EXPECT_EQ(std::make_pair(mapi.Width, mapi.Height), std::make_pair(1024, 768));
  EXPECT_EQ(mail.Files[1].PathName, dir.File("app.log"));
  EXPECT_FALSE(FileExists(capture));

  log.SendTo()->SetScreenshotFormat(sfJpeg);
  log.SendLogByMail();
  const std::string jpeg = *mapi.Mails().back().Files[0].PathName;
  EXPECT_EQ(ExtractFileExt(jpeg), ".jpg");
  EXPECT_EQ(mapi.Header, "\xFF\xD8") << "a JPEG is written under the .jpg name";
  EXPECT_FALSE(FileExists(jpeg));
}

// The names of the files created in a folder while it lives.
class TCreatedFiles {
 public:
  explicit TCreatedFiles(const std::string& folder) : FFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    inotify_add_watch(FFd.Get(), folder.c_str(), IN_CREATE);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(FFd.Get(), buffer, sizeof buffer)) > 0;)
      for (char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        names.emplace_back(event->len ? event->name : "");
        p += sizeof(inotify_event) + event->len;
      }
    return names;
  }

 private:
  TFileHandle FFd;
};

TEST(DeliveryDisplay, TheCaptureIsCreatedOnceUnderItsOwnName) {
  rvtest::TempDir dir;
  rv::test::TEnvOverride tmpdir("TMPDIR", dir.Path());
  TRecordingMapiService mapi;
  TMapiServiceScope scope(mapi);
  TQVLogBase log(nullptr);
  for (TQVLScreenshotFormat format : {sfBitmap, sfJpeg}) {
    log.SendTo()->SetScreenshotFormat(format);
    const TCreatedFiles created(dir.Path());
    log.SendLogByMail();
    const std::vector<std::string> names = created.Names();
    ASSERT_EQ(names.size(), 1u) << "no placeholder file comes first";
    EXPECT_EQ(dir.File(names[0]), *mapi.Mails().back().Files[0].PathName);
  }
  // Where no temporary file can be made the mail goes without a capture.
  rv::test::TEnvOverride unwritable("TMPDIR", "/proc");
  EXPECT_NO_THROW(log.SendLogByMail());
  EXPECT_EQ(mapi.Mails().back().FileCount, 0u);
}

}  // namespace
