// StrUtils and Utf16.
#include <gtest/gtest.h>

#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Utf16.h"

using namespace rv;

namespace {

TEST(StrUtils, TrimAndCase) {
  EXPECT_EQ("a b", Trim(" \t\r\na b\x01 "));
  EXPECT_EQ("a ", TrimLeft("  a "));
  EXPECT_EQ("  a", TrimRight("  a \n"));
  EXPECT_EQ("", Trim("   "));
  EXPECT_EQ("ABC\xC3\xA9", UpperCase("aBc\xC3\xA9"));  // ASCII letters only
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("abc", "AB"), 0);
  EXPECT_EQ(0, CompareText("MiXeD", "mixed"));
  EXPECT_TRUE(StartsText("HTTP", "http://x"));
  EXPECT_TRUE(EndsText(".XML", "log.xml"));
  EXPECT_TRUE(ContainsText("Varizera Log", "ZERA"));
}

TEST(StrUtils, StringReplace) {
  const struct {
    const char *S, *Old, *New;
    TReplaceFlags Flags;
    const char* Expected;
  } cases[] = {
      {"a-b-c", "-", "+", {}, "a+b-c"},
      {"a-b-c", "-", "+", {rfReplaceAll}, "a+b+c"},
      {"Aa-aA", "a", "x", {rfReplaceAll}, "Ax-xA"},
      {"Aa-aA", "a", "x", {rfReplaceAll, rfIgnoreCase}, "xx-xx"},
      {"aaa", "aa", "a", {rfReplaceAll}, "aa"},
      {"abc", "", "x", {rfReplaceAll}, "abc"},
      {"\r\n\r\n", "\r\n", "\n", {rfReplaceAll}, "\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, StringReplace(c.S, c.Old, c.New, c.Flags)) << c.S;
}

TEST(Utf16, CountsAndCutsWithoutSplittingCharacters) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € U+1F600 z
  EXPECT_EQ(6u, Utf16Length(text));
  const char* prefixes[] = {"",
                            "a",
                            "a\xC3\xA9",
                            "a\xC3\xA9\xE2\x82\xAC",
                            "a\xC3\xA9\xE2\x82\xAC",
                            "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                            text.c_str(),
                            text.c_str()};
  for (std::size_t units = 0; units < std::size(prefixes); ++units)
    EXPECT_EQ(prefixes[units], Utf16Truncate(text, units)) << units;
}

TEST(Utf16, InvalidBytesCountAsReplacementCharacters) {
  const struct {
    std::string Bytes;
    std::size_t Units;
  } cases[] = {
      {"\x80", 1},              // stray continuation
      {"\xC3", 1},              // truncated
      {"\xE2\x82", 2},          // truncated three-byte sequence
      {"\xC0\xAF", 2},          // overlong '/'
      {"\xE0\x80\xAF", 3},      // overlong
      {"\xED\xA0\x80", 3},      // encoded surrogate
      {"\xF4\x90\x80\x80", 4},  // above U+10FFFF
      {"\xFF", 1},
      {"\xF0\x9F\x98", 3},  // truncated four-byte sequence
      {std::string("a\0b", 3), 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.Units, Utf16Length(c.Bytes));
    std::u16string wide = Utf8ToUtf16(c.Bytes);
    EXPECT_EQ(c.Units, wide.size());
    EXPECT_EQ(Utf16ToUtf8(wide), Utf16ToUtf8(Utf8ToUtf16(Utf16ToUtf8(wide))));
  }
  EXPECT_EQ(
      "\xEF\xBF\xBD"
      "a",
      Utf16ToUtf8(Utf8ToUtf16("\x80"
                              "a")));
  EXPECT_EQ("\xE2\x82", Utf16Truncate("\xE2\x82", 5));  // keeps its own bytes
}

TEST(Utf16, RoundTripsAndLoneSurrogates) {
  const std::string text = "Log \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(text, Utf16ToUtf8(Utf8ToUtf16(text)));
  EXPECT_EQ((std::u16string{u'L', u'o', u'g', u' ', 0x20AC, u' ', 0xD83D, 0xDE00}), Utf8ToUtf16(text));
  EXPECT_EQ(
      "\xEF\xBF\xBD"
      "x\xEF\xBF\xBD",
      Utf16ToUtf8(std::u16string{0xDC00, u'x', 0xD800}));
}

}  // namespace
