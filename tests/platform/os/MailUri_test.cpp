#include "platform/os/MailUri.h"

#include <gtest/gtest.h>

#include "platform/os/MailAddress.h"
#include "tests/platform/os/MailTestSupport.h"

namespace rv {
namespace {

struct TUriParts {
  std::string To;
  std::vector<std::pair<std::string, std::string>> Params;  // names and decoded values
};

TUriParts splitUri(const std::string& uri) {
  TUriParts parts;
  EXPECT_EQ(uri.rfind("mailto:", 0), 0u);
  // Only these characters may appear raw; everything else must be encoded.
  EXPECT_EQ(uri.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%@,/:?&="),
            std::string::npos)
      << uri;
  const auto q = uri.find('?');
  parts.To = uri.substr(7, q == std::string::npos ? std::string::npos : q - 7);
  if (q == std::string::npos) return parts;
  std::string query = uri.substr(q + 1);
  std::size_t pos = 0;
  while (pos <= query.size()) {
    std::size_t amp = query.find('&', pos);
    if (amp == std::string::npos) amp = query.size();
    const std::string field = query.substr(pos, amp - pos);
    const auto eq = field.find('=');
    EXPECT_NE(eq, std::string::npos) << field;
    EXPECT_EQ(field.find('=', eq + 1), std::string::npos) << field;
    parts.Params.emplace_back(field.substr(0, eq), test::PercentDecode(field.substr(eq + 1)));
    pos = amp + 1;
  }
  return parts;
}

TEST(PercentEncode, EncodesAllButUnreservedAndKept) {
  struct {
    std::string in, keep, out;
  } const cases[] = {
      {"az-AZ_09.~", "", "az-AZ_09.~"},
      {"a b?c&d=e#f%g", "", "a%20b%3Fc%26d%3De%23f%25g"},
      {"\r\n\"'\\+", "", "%0D%0A%22%27%5C%2B"},
      {"\xC3\xA9\xE2\x82\xAC", "", "%C3%A9%E2%82%AC"},
      {"/tmp/a b@c", "/@", "/tmp/a%20b@c"},
      {std::string("a\0b", 3), "", "a%00b"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncode(c.in, c.keep), c.out) << c.in;
}

TEST(BuildMailtoUri, HostileTextNeverAddsParameters) {
  TMailDraft d;
  d.To = {"ann@example.org", "a?attach=/etc/passwd@example.org"};
  d.Cc = {"x&bcc=evil@example.org"};
  d.Bcc = {"cat@example.org"};
  d.Subject = "Crash?\r\nBcc: evil@example.org&attach=/etc/shadow#frag%41 \"q\" 'q' \\n \xC3\xA9";
  d.Body = "line1\r\nline2&attach=/root/.ssh/id_rsa?x=y\\ %%";
  d.Files = {{"/tmp/QVL1.bmp", "QVL1.bmp", ""}, {"/tmp/dir with blank/a&b=c.log", "a&b=c.log", ""}};

  const TUriParts parts = splitUri(BuildMailtoUri(d));
  EXPECT_EQ(parts.To, "ann@example.org,a%3Fattach%3D%2Fetc%2Fpasswd@example.org");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"cc", "x&bcc=evil@example.org"},
      {"bcc", "cat@example.org"},
      {"subject", d.Subject},
      {"body", d.Body},
      {"attach", "/tmp/QVL1.bmp"},
      {"attach", "/tmp/dir with blank/a&b=c.log"},
  };
  EXPECT_EQ(parts.Params, expected);
}

TEST(BuildMailtoUri, EmptyPartsAreLeftOut) {
  struct {
    TMailDraft draft;
    std::string uri;
  } const cases[] = {
      {{}, "mailto:"},
      {{{}, {}, {}, "Hi", "", {}}, "mailto:?subject=Hi"},
      {{{}, {"c@x.org"}, {}, "", "", {}}, "mailto:?cc=c@x.org"},
      {{{"a@x.org", "b@y.org"}, {"c@x.org", "d@y.org"}, {}, "", "B", {}},
       "mailto:a@x.org,b@y.org?cc=c@x.org,d@y.org&body=B"},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildMailtoUri(c.draft), c.uri);
}

TEST(MailAddress, OnlyPlainAddressesAreAccepted) {
  struct {
    std::string text;
    std::optional<std::string> address;
  } const cases[] = {
      {"ann@example.org", "ann@example.org"},
      {"  bob@example.org\t", "bob@example.org"},
      {"SMTP:cat@example.org", "cat@example.org"},
      {"smtp: dan@example.org", std::nullopt},
      {"first.last+tag@sub.example.org", "first.last+tag@sub.example.org"},
      {"a?attach=/etc/passwd@example.org", "a?attach=/etc/passwd@example.org"},
      {"\xC3\xA9t\xC3\xA9@example.org", "\xC3\xA9t\xC3\xA9@example.org"},
      {"ann", std::nullopt},
      {"", std::nullopt},
      {"@example.org", std::nullopt},
      {"ann@", std::nullopt},
      {"ann@@example.org", std::nullopt},
      {"a@b@example.org", std::nullopt},
      {"-oQ/tmp/x@example.org", std::nullopt},
      {"ann@example.org\r\nBcc: evil@example.org", std::nullopt},
      {"ann@exa mple.org", std::nullopt},
      {"Ann <ann@example.org>", std::nullopt},
      {"\"ann\"@example.org", std::nullopt},
      {"o'brien@example.org", std::nullopt},
      {"ann@example.org,bob@example.org", std::nullopt},
      {"ann@example.org;bob", std::nullopt},
      {"a\\b@example.org", std::nullopt},
      {"ann@.example.org", std::nullopt},
      {"ann@example..org", std::nullopt},
      {"ann@example.org.", std::nullopt},
      {"ann@-example.org", std::nullopt},
      {std::string("ann\0@example.org", 16), std::nullopt},
      {std::string(250, 'a') + "@x.org", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(MailAddressOf(c.text), c.address) << c.text;
}

}  // namespace
}  // namespace rv
