#include "platform/os/MailUri.h"

#include <gtest/gtest.h>

#include "platform/os/MailAddress.h"
#include "tests/platform/os/MailTestSupport.h"

namespace rv {
namespace {

using TParams = std::vector<std::pair<std::string, std::string>>;

// The addresses and the query's fields (decoded) of a mailto URI, checking
// that only URI syntax characters appear raw.
std::pair<std::string, TParams> splitUri(const std::string& uri) {
  EXPECT_EQ(uri.rfind("mailto:", 0), 0u);
  EXPECT_EQ(uri.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%@,/:?&="),
            std::string::npos)
      << uri;
  const std::size_t q = std::min(uri.find('?'), uri.size());
  TParams params;
  std::istringstream query(q < uri.size() ? uri.substr(q + 1) : "");
  for (std::string field; std::getline(query, field, '&');) {
    EXPECT_EQ(std::count(field.begin(), field.end(), '='), 1) << field;
    params.emplace_back(field.substr(0, field.find('=')), test::PercentDecode(field.substr(field.find('=') + 1)));
  }
  return {uri.substr(7, q - 7), params};
}

TEST(PercentEncode, EncodesAllButUnreservedAndKept) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"az-AZ_09.~", "", "az-AZ_09.~"},
      {"a b?c&d=e#f%g+", "", "a%20b%3Fc%26d%3De%23f%25g%2B"},
      {"\r\n\"'\\\xC3\xA9", "", "%0D%0A%22%27%5C%C3%A9"},
      {"/tmp/a b@c", "/@", "/tmp/a%20b@c"},
  };
  for (const auto& [in, keep, out] : cases) EXPECT_EQ(PercentEncode(in, keep), out) << in;
}

TEST(BuildMailtoUri, HostileTextNeverAddsParameters) {
  TMailDraft d{{{"", "ann@example.org"}, {"Ann & Co?attach=/etc/passwd", "a?attach=/etc/passwd@example.org"}},
               {{"", "x&bcc=evil@example.org"}},
               {{"", "cat@example.org"}},
               "Crash?\r\nBcc: evil@example.org&attach=/etc/shadow#x%41 \"q\" 'q' \\n \xC3\xA9",
               "line1\r\nline2&attach=/root/.ssh/id_rsa?x=y\\ %%",
               {{"/tmp/QVL1.bmp", "", ""}, {"/tmp/dir with blank/a&b=c.log", "", ""}}};
  const auto [to, params] = splitUri(BuildMailtoUri(d));
  EXPECT_EQ(to, "ann@example.org,a%3Fattach%3D%2Fetc%2Fpasswd@example.org");
  EXPECT_EQ(params, (TParams{{"cc", "x&bcc=evil@example.org"},
                             {"bcc", "cat@example.org"},
                             {"subject", d.Subject},
                             {"body", d.Body},
                             {"attach", "/tmp/QVL1.bmp"},
                             {"attach", "/tmp/dir with blank/a&b=c.log"}}));
  EXPECT_EQ(BuildMailtoUri({}), "mailto:");
  EXPECT_EQ(BuildMailtoUri({{{"", "a@x.org"}, {"B", "b@y.org"}}, {{"", "c@x.org"}, {"", "d@y.org"}}, {}, "", "B", {}}),
            "mailto:a@x.org,b@y.org?cc=c@x.org,d@y.org&body=B");
}

TEST(MailAddress, MailboxesTakeADisplayNameBeforeTheirAddress) {
  const std::pair<std::string, std::optional<TMailbox>> cases[] = {
      {"ann@example.org", TMailbox{"", "ann@example.org"}},
      {" SMTP:ann@example.org", TMailbox{"", "ann@example.org"}},
      {"Support Team <support@example.org>", TMailbox{"Support Team", "support@example.org"}},
      {"  Support Team\t<support@example.org>  ", TMailbox{"Support Team", "support@example.org"}},
      {"<support@example.org>", TMailbox{"", "support@example.org"}},
      {"\xC3\x9Cnal, Zo\xC3\xAB <zoe@example.org>", TMailbox{"\xC3\x9Cnal, Zo\xC3\xAB", "zoe@example.org"}},
      {"\"Team \\\"A\\\" <x>\" <a@example.org>", TMailbox{"Team \"A\" <x>", "a@example.org"}},
      {"Team <support@example.org", std::nullopt},
      {"Team <support@example.org> extra", std::nullopt},
      {"Team <not an address>", std::nullopt},
      {"Team <-oQ/tmp/x@example.org>", std::nullopt},
      {"Team <a@x.org\r\nBcc: evil@x.org>", std::nullopt},
      {"Team\r\nBcc: evil@x.org <a@x.org>", std::nullopt},
      {"Te\"am <a@x.org>", std::nullopt},
      {"Te<am <a@x.org>", std::nullopt},
      {"\"Team <a@x.org>", std::nullopt},
      {"\"Team\\\" <a@x.org>", std::nullopt},
      {"<>", std::nullopt},
      {">", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, mailbox] : cases) EXPECT_EQ(MailboxOf(text), mailbox) << text;
}

TEST(MailAddress, OnlyPlainAddressesAreAccepted) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"ann@example.org", "ann@example.org"},
      {"  bob@example.org\t", "bob@example.org"},
      {"SMTP:cat@example.org", "cat@example.org"},
      {"first.last+tag@sub.example.org", "first.last+tag@sub.example.org"},
      {"a?attach=/etc/passwd@example.org", "a?attach=/etc/passwd@example.org"},
      {"\xC3\xA9t\xC3\xA9@example.org", "\xC3\xA9t\xC3\xA9@example.org"},
  };
  for (const auto& [text, address] : cases) EXPECT_EQ(MailAddressOf(text), address) << text;
  for (std::string bad :
       {"ann", "", "@example.org", "ann@", "a@b@example.org", "-oQ/tmp/x@example.org",
        "ann@example.org\r\nBcc: evil@example.org", "ann@exa mple.org", "Ann <ann@example.org>", "\"ann\"@example.org",
        "o'brien@example.org", "ann@example.org,bob@example.org", "a;b@example.org", "a\\b@example.org",
        "ann@.example.org", "ann@example..org", "ann@example.org.", "ann@-example.org", "smtp: dan@example.org"})
    EXPECT_EQ(MailAddressOf(bad), std::nullopt) << bad;
  EXPECT_EQ(MailAddressOf(std::string("ann\0@example.org", 16)), std::nullopt);
  EXPECT_EQ(MailAddressOf(std::string(250, 'a') + "@x.org"), std::nullopt);
}

}  // namespace
}  // namespace rv
