#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>
#include <locale.h>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

bool installed(const char* name) {
  locale_t loc = newlocale(LC_ALL_MASK, name, locale_t{});
  if (loc) freelocale(loc);
  return loc != locale_t{};
}

TEST(FormatSettings, CLocaleMatchesTheDefaults) {
  const TFormatSettings c = TFormatSettings::FromLocale("C");
  EXPECT_EQ('.', c.DecimalSeparator);
  EXPECT_EQ('/', c.DateSeparator);
  EXPECT_EQ(':', c.TimeSeparator);
  EXPECT_EQ("mm/dd/yy", c.ShortDateFormat);
  EXPECT_EQ("hh:nn:ss", c.LongTimeFormat);
  EXPECT_EQ("hh:nn", c.ShortTimeFormat);
  EXPECT_EQ("December", c.LongMonthNames[11]);
  EXPECT_EQ("Sun", c.ShortDayNames[0]);
  EXPECT_TRUE(c == TFormatSettings{});
}

TEST(FormatSettings, UnknownLocaleRaises) {
  EXPECT_THROW(TFormatSettings::FromLocale("xx_NOWHERE.UTF-8"), EConvertError);
  EXPECT_NO_THROW(TFormatSettings::FromLocale(""));
}

TEST(FormatSettings, GermanLocaleWhenInstalled) {
  if (!installed("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  const TFormatSettings de = TFormatSettings::FromLocale("de_DE.UTF-8");
  EXPECT_EQ(',', de.DecimalSeparator);
  EXPECT_EQ('.', de.ThousandSeparator);
  EXPECT_EQ('.', de.DateSeparator);
  EXPECT_EQ("dd/mm/yyyy", de.ShortDateFormat);
  EXPECT_EQ("05.03.2024", FormatDateTime("ddddd", EncodeDate(2024, 3, 5), de));
  EXPECT_EQ("Dezember", de.LongMonthNames[11]);
}

}  // namespace
