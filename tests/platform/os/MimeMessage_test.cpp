#include "platform/os/MimeMessage.h"

#include <gtest/gtest.h>

#include <regex>

#include "tests/platform/os/MailTestSupport.h"

namespace rv {
namespace {

TEST(Base64Encode, Rfc4648VectorsAndLines) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {{"\xFF\xFE\0", 3}, "//4A"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(in), out) << in;
  std::string data(1000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  const std::string lines = Base64Encode(data, true);
  EXPECT_EQ(test::Base64Decode(lines), data);
  EXPECT_TRUE(std::regex_match(lines, std::regex("([A-Za-z0-9+/]{76}\n)*[A-Za-z0-9+/=]{1,76}\n")));
}

TEST(EncodeHeaderText, NoLineBreaksSurviveAndTextDecodesBack) {
  std::string euros;
  for (int i = 0; i < 40; ++i) euros += "\xE2\x82\xAC\xC3\xA9";  // 3- and 2-byte characters
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"Crash report", "Crash report", true},
      {"x\r\nBcc: evil@example.org", "x  Bcc: evil@example.org", true},
      {"Fehler: \xC3\x9C"
       "berlauf",
       "Fehler: \xC3\x9C"
       "berlauf",
       false},
      {"tab\there", "tab\there", false},
      {std::string(200, 'a'), std::string(200, 'a'), false},
      {std::string(100, '\x80'), std::string(100, '\x80'), false},  // no characters to keep whole
      {euros, euros, false},
  };
  for (const auto& [in, decoded, plain] : cases) {
    const std::string enc = EncodeHeaderText(in);
    SCOPED_TRACE(enc);
    EXPECT_EQ(plain, enc == decoded);
    EXPECT_EQ(test::DecodeWords(enc), decoded);
    // Folding is the only line break; words fit 75 characters and never cut a character.
    EXPECT_TRUE(std::regex_match(enc, std::regex("[^\r\n]*(\n [^\r\n]+)*")));
    for (std::size_t p = 0; !plain && (p = enc.find("=?UTF-8?B?", p)) != std::string::npos; p += 2) {
      const std::size_t end = enc.find("?=", p);
      EXPECT_LE(end + 2 - p, 75u);
      const std::string word = test::Base64Decode(enc.substr(p + 10, end - p - 10));
      EXPECT_TRUE(in != euros || (word[0] & 0xC0) != 0x80) << word;
    }
  }
}

TEST(BuildMimeMessage, ParsesBackWithoutBccAndWithEqualAttachments) {
  TMailDraft d{{{"", "ann@example.org"}, {"Bob \"B\" Smith", "bob@example.org"}},
               {{"Zo\xC3\xAB \xC3\x9Cnal", "cat@example.org"}},
               {{"Secret", "secret@example.org"}},
               "Fehlerbericht \xE2\x80\x93 varizera",
               "Hello,\r\n.\r\nFrom the app\r\n",
               {}};
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>(i * 31 % 256);
  d.Files = {{"/tmp/QVL1.bmp", "QVL1.bmp", binary},
             {"/var/log/a.log", "a.log\r\nContent-Type: text/html", "log line\n"},
             {"/tmp/x", "r\xC3\xA9sum\xC3\xA9 \"q\".txt", ""}};
  TMimeHeaders h = NewMimeHeaders();
  EXPECT_NE(h.MessageID, NewMimeHeaders().MessageID);
  EXPECT_NE(h.Boundary, NewMimeHeaders().Boundary);
  h.From = "me@host\nBcc: evil@example.org";

  const std::string text = BuildMimeMessage(d, h);
  EXPECT_EQ(text.find('\r'), std::string::npos) << "sendmail reads LF lines";
  EXPECT_EQ(text.find("secret"), std::string::npos);
  const auto m = test::ParseMime(text);
  const std::map<std::string, std::string> expected = {
      {"From", "me@host Bcc: evil@example.org"},
      {"To", "ann@example.org, \"Bob \\\"B\\\" Smith\" <bob@example.org>"},
      {"Cc", m[0].Headers.at("Cc")},
      {"Subject", m[0].Headers.at("Subject")},
      {"Date", m[0].Headers.at("Date")},
      {"Message-ID", h.MessageID},
      {"MIME-Version", "1.0"},
      {"Content-Type", "multipart/mixed; boundary=\"" + h.Boundary + "\""}};
  EXPECT_EQ(m[0].Headers, expected);
  EXPECT_EQ(test::DecodeWords(m[0].Headers.at("Subject")), d.Subject);
  const std::string cc = m[0].Headers.at("Cc");
  ASSERT_EQ(cc.substr(cc.find(' ')), " <cat@example.org>") << "a display name outside ASCII is encoded";
  EXPECT_EQ(test::DecodeWords(cc.substr(0, cc.find(' '))), "Zo\xC3\xAB \xC3\x9Cnal");
  EXPECT_TRUE(std::regex_match(m[0].Headers.at("Date"),
                               std::regex(R"([A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")));
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[1].Headers.at("Content-Type"), "text/plain; charset=UTF-8");
  EXPECT_EQ(test::Base64Decode(m[1].Body), d.Body);
  const std::string names[] = {"filename=\"QVL1.bmp\"", "filename=\"a.log  Content-Type: text/html\"",
                               "filename*=UTF-8''r%C3%A9sum%C3%A9%20%22q%22.txt"};
  const std::string types[] = {"image/bmp", "application/octet-stream", "text/plain"};
  for (int i = 0; i < 3; ++i) {
    const test::TMimePart& p = m[i + 2];
    EXPECT_EQ(p.Headers.size(), 3u);
    EXPECT_EQ(p.Headers.at("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(p.Headers.at("Content-Disposition"), "attachment; " + names[i]);
    EXPECT_EQ(p.Headers.at("Content-Type").substr(0, types[i].size()), types[i]);
    EXPECT_EQ(test::Base64Decode(p.Body), d.Files[i].Data);
  }
}

}  // namespace
}  // namespace rv
