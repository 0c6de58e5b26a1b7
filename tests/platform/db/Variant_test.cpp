#include "platform/db/Variant.h"

#include <gtest/gtest.h>

#include "platform/db/IsoDate.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

struct EqualityCase {
  const char* Name;
  Variant A, B;
  bool Equal;
};

TEST(VariantTest, EqualityFollowsNullAndNumericRules) {
  const EqualityCase cases[] = {
      {"two nulls", Null, Null, true},
      {"null and zero", Null, Variant(0), false},
      {"null and empty text", Null, Variant(""), false},
      {"int and int64", Variant(5), Variant(std::int64_t{5}), true},
      {"int and double", Variant(5), Variant(5.0), true},
      {"int and fraction", Variant(5), Variant(5.5), false},
      {"large int64s", Variant(std::int64_t{1} << 62), Variant((std::int64_t{1} << 62) + 1), false},
      {"text and number by text", Variant("5"), Variant(5), true},
      {"texts are case-sensitive", Variant("a"), Variant("A"), false},
      {"boolean and one", Variant(true), Variant(1), true},
      {"blobs", Variant(TBytes{1, 2}), Variant(TBytes{1, 2}), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.A == c.B, c.Equal) << c.Name;
    EXPECT_EQ(c.B == c.A, c.Equal) << c.Name << " (swapped)";
  }
}

TEST(VariantTest, TextOfEachType) {
  EXPECT_EQ(Null.AsString(), "");
  EXPECT_EQ(Variant(-7).AsString(), "-7");
  EXPECT_EQ(Variant(std::int64_t{9007199254740993}).AsString(), "9007199254740993");
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant("it's \"x\"").AsString(), "it's \"x\"");
  EXPECT_EQ(Variant(TBytes{'a', 0, 'b'}).AsString(), std::string("a\0b", 3));
  EXPECT_THROW(Null.AsInt64(), EVariantError);
  EXPECT_THROW(Variant("x1").AsFloat(), EVariantError);
}

TEST(VariantTest, IsoDatesRoundTripAndRejectMalformedText) {
  TDateTime d = EncodeDate(2026, 2, 28) + EncodeTime(13, 5, 9, 250);
  EXPECT_EQ(DateTimeToIso(d), "2026-02-28 13:05:09.250");
  TDateTime back = 0;
  ASSERT_TRUE(TryIsoToDateTime("2026-02-28 13:05:09.250", back));
  EXPECT_NEAR(back, d, 1e-9);
  ASSERT_TRUE(TryIsoToDateTime("2026-02-28", back));
  EXPECT_EQ(back, EncodeDate(2026, 2, 28));
  for (const char* bad :
       {"", "2026-02-30", "2026-2-28", "2026-02-28 25:00", "2026-02-28 12:00:00.5x", "2026-02-28 ", "abcd-ef-gh"})
    EXPECT_FALSE(TryIsoToDateTime(bad, back)) << bad;
}

}  // namespace
