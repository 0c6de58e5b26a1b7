#pragma once
// The locale-dependent settings of the conversions: separators, date and time
// formats (in the classic letters of FormatDateTime), AM/PM texts, and month
// and day names.

#include <array>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "mm/dd/yy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  // Index 0 is January, respectively Sunday.
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                             "July",    "August",   "September", "October", "November", "December"};
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

  bool operator==(const TFormatSettings&) const = default;

  // The settings of a locale ("" = the user's locale from the environment,
  // falling back to "C" when the environment names a locale that is not
  // installed). The process's own locale is left alone. Raises EConvertError
  // for a named locale that is not installed.
  static TFormatSettings FromLocale(const char* LocaleName);
};

// The settings every conversion uses unless it is given its own; taken from
// the user's locale when the library loads. Tests may set its fields, but it
// must not be written while another thread formats.
extern TFormatSettings FormatSettings;

}  // namespace rv
