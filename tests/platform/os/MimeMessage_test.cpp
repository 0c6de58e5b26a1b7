#include "platform/os/MimeMessage.h"

#include <regex>

#include <gtest/gtest.h>

#include "tests/platform/os/MailTestSupport.h"

namespace rv {
namespace {

TEST(Base64Encode, Rfc4648VectorsAndLines) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {std::string("\xFF\xFE\x00", 3), "//4A"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(in), out) << in;

  std::string data(1000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  const std::string lines = Base64Encode(data, true);
  EXPECT_EQ(test::Base64Decode(lines), data);
  std::size_t start = 0, end;
  while ((end = lines.find('\n', start)) != std::string::npos) {
    EXPECT_LE(end - start, 76u);
    start = end + 1;
  }
  EXPECT_EQ(start, lines.size());
}

TEST(EncodeHeaderText, NoLineBreaksSurviveAndTextDecodesBack) {
  struct {
    std::string in;
    std::string decoded;  // what a reader gets back
    bool plain;           // written as it stands
  } const cases[] = {
      {"Crash report", "Crash report", true},
      {"", "", true},
      {"x\r\nBcc: evil@example.org", "x  Bcc: evil@example.org", true},
      {"Fehler: \xC3\x9C" "berlauf \xE2\x82\xAC", "Fehler: \xC3\x9C" "berlauf \xE2\x82\xAC", false},
      {"tab\there", "tab\there", false},
      {std::string(200, 'a'), std::string(200, 'a'), false},
      {std::string(100, '\x80'), std::string(100, '\x80'), false},
  };
  for (const auto& c : cases) {
    const std::string enc = EncodeHeaderText(c.in);
    SCOPED_TRACE(enc);
    EXPECT_EQ(enc.find('\r'), std::string::npos);
    // Folding is the only line break, and it is always followed by a blank.
    for (std::size_t p = enc.find('\n'); p != std::string::npos; p = enc.find('\n', p + 1))
      EXPECT_EQ(enc[p + 1], ' ');
    if (c.plain) {
      EXPECT_EQ(enc, c.decoded);
    }
    EXPECT_EQ(test::DecodeHeaderWords(enc), c.decoded);
  }
}

TEST(EncodeHeaderText, WordsNeverSplitACharacter) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "\xE2\x82\xAC\xC3\xA9";  // 3- and 2-byte characters
  const std::string enc = EncodeHeaderText(text);
  std::size_t pos = 0;
  while ((pos = enc.find("=?UTF-8?B?", pos)) != std::string::npos) {
    auto end = enc.find("?=", pos);
    EXPECT_LE(end + 2 - pos, 75u);
    const std::string word = test::Base64Decode(enc.substr(pos + 10, end - pos - 10));
    ASSERT_FALSE(word.empty());
    EXPECT_NE(static_cast<unsigned char>(word.front()) & 0xC0, 0x80u);
    pos = end;
  }
  EXPECT_EQ(test::DecodeHeaderWords(enc), text);
}

TEST(BuildMimeMessage, ParsesBackWithoutBccAndWithEqualAttachments) {
  TMailDraft d;
  d.To = {"ann@example.org", "bob@example.org"};
  d.Cc = {"cat@example.org"};
  d.Bcc = {"secret@example.org"};
  d.Subject = "Fehlerbericht \xE2\x80\x93 varizera";
  d.Body = "Hello,\r\nplease forward this.\r\n.\r\nFrom the app\r\n";
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>(i * 31 % 256);
  d.Files = {{"/tmp/QVL1.bmp", "QVL1.bmp", binary},
             {"/var/log/a.log", "a.log", "log line\n"},
             {"/tmp/x", "r\xC3\xA9sum\xC3\xA9 \"q\".txt", ""}};
  TMimeHeaders h = NewMimeHeaders();

  const std::string text = BuildMimeMessage(d, h);
  EXPECT_EQ(text.find('\r'), std::string::npos) << "sendmail reads LF lines";
  EXPECT_EQ(text.find("secret"), std::string::npos);
  const test::TMimeMail m = test::ParseMime(text);
  EXPECT_EQ(m.Top.Header("From"), h.From);
  EXPECT_EQ(m.Top.Header("To"), "ann@example.org, bob@example.org");
  EXPECT_EQ(m.Top.Header("Cc"), "cat@example.org");
  EXPECT_FALSE(m.Top.HasHeader("Bcc"));
  EXPECT_EQ(test::DecodeHeaderWords(m.Top.Header("Subject")), d.Subject);
  EXPECT_EQ(m.Top.Header("MIME-Version"), "1.0");
  EXPECT_EQ(m.Top.Header("Message-ID"), h.MessageID);
  EXPECT_TRUE(std::regex_match(m.Top.Header("Date"),
                               std::regex(R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")))
      << m.Top.Header("Date");
  ASSERT_TRUE(m.Closed);
  ASSERT_EQ(m.Parts.size(), 4u);
  EXPECT_EQ(m.Parts[0].Header("Content-Type"), "text/plain; charset=UTF-8");
  EXPECT_EQ(test::Base64Decode(m.Parts[0].Body), d.Body);
  const std::string dispositions[] = {"attachment; filename=\"QVL1.bmp\"", "attachment; filename=\"a.log\"",
                                      "attachment; filename*=UTF-8''r%C3%A9sum%C3%A9%20%22q%22.txt"};
  const std::string types[] = {"image/bmp; name=\"QVL1.bmp\"", "text/plain; name=\"a.log\"",
                               "text/plain; name*=UTF-8''r%C3%A9sum%C3%A9%20%22q%22.txt"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const test::TMimePart& p = m.Parts[i + 1];
    EXPECT_EQ(p.Header("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(p.Header("Content-Disposition"), dispositions[i]);
    EXPECT_EQ(p.Header("Content-Type"), types[i]);
    EXPECT_EQ(test::Base64Decode(p.Body), d.Files[i].Data);
  }
}

TEST(BuildMimeMessage, HostileFileNamesAndHeaderValuesStayOnTheirLine) {
  TMailDraft d;
  d.To = {"ann@example.org"};
  d.Subject = "s\r\nBcc: evil@example.org";
  d.Files = {{"/tmp/x", "x.log\r\nContent-Type: text/html", "data"}};
  TMimeHeaders h = NewMimeHeaders();
  h.From = "me@host\nBcc: evil@example.org";
  const test::TMimeMail m = test::ParseMime(BuildMimeMessage(d, h));
  EXPECT_FALSE(m.Top.HasHeader("Bcc"));
  ASSERT_EQ(m.Parts.size(), 2u);
  EXPECT_EQ(m.Parts[1].Headers.size(), 3u);
  EXPECT_EQ(test::Base64Decode(m.Parts[1].Body), "data");
}

TEST(NewMimeHeaders, FreshIdentifiersEachTime) {
  const TMimeHeaders a = NewMimeHeaders(), b = NewMimeHeaders();
  EXPECT_NE(a.MessageID, b.MessageID);
  EXPECT_NE(a.Boundary, b.Boundary);
  EXPECT_NE(a.From.find('@'), std::string::npos);
  EXPECT_TRUE(std::regex_match(a.MessageID, std::regex(R"(<[^<>@\s]+@[^<>@\s]+>)"))) << a.MessageID;
}

}  // namespace
}  // namespace rv
