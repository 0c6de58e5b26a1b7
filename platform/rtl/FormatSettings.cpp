#include "platform/rtl/FormatSettings.h"

#include <langinfo.h>
#include <locale.h>

#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

class TLocaleHandle {
 public:
  explicit TLocaleHandle(const char* name) : FHandle(newlocale(LC_ALL_MASK, name, locale_t{})) {}
  ~TLocaleHandle() {
    if (FHandle) freelocale(FHandle);
  }
  TLocaleHandle(const TLocaleHandle&) = delete;
  TLocaleHandle& operator=(const TLocaleHandle&) = delete;
  locale_t Get() const { return FHandle; }

 private:
  locale_t FHandle;
};

std::string langInfo(locale_t loc, nl_item item) {
  const char* text = nl_langinfo_l(item, loc);
  return text ? text : "";
}

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Skips the flags, width and E/O modifier of a strftime conversion; returns
// the index of its conversion letter (or the end).
std::size_t conversionLetter(std::string_view fmt, std::size_t i) {
  while (i < fmt.size() && std::string_view("_-0^#").find(fmt[i]) != std::string_view::npos) ++i;
  while (i < fmt.size() && IsDigit(fmt[i])) ++i;
  if (i < fmt.size() && (fmt[i] == 'E' || fmt[i] == 'O')) ++i;
  return i;
}

// The separator following the first conversion, e.g. '.' in "%d.%m.%Y".
char firstSeparator(std::string_view fmt, char fallback) {
  std::size_t pct = fmt.find('%');
  if (pct == std::string_view::npos) return fallback;
  std::size_t i = conversionLetter(fmt, pct + 1) + 1;
  if (i >= fmt.size()) return fallback;
  char c = fmt[i];
  bool usable = c > ' ' && c < 0x7F && !isAsciiLetter(c) && !IsDigit(c) && c != '%' && c != '"' && c != '\'';
  return usable ? c : fallback;
}

std::string_view classicFor(char letter) {
  switch (letter) {
    case 'a': return "ddd";
    case 'A': return "dddd";
    case 'b':
    case 'h': return "mmm";
    case 'B': return "mmmm";
    case 'd': return "dd";
    case 'e': return "d";
    case 'm': return "mm";
    case 'y': return "yy";
    case 'Y':
    case 'G': return "yyyy";
    case 'H':
    case 'I': return "hh";
    case 'k':
    case 'l': return "h";
    case 'M': return "nn";
    case 'S': return "ss";
    case 'p':
    case 'P': return "ampm";
    default: return {};
  }
}

// Converts a strftime format to the letters of FormatDateTime. `separator`
// is the locale's date or time separator, written as the classic '/' or ':'
// (`separatorLetter`) so that changing the separator setting takes effect.
class TStrftimeConverter {
 public:
  TStrftimeConverter(std::string ampmFormat, char separator, char separatorLetter)
      : FAmPmFormat(std::move(ampmFormat)), FSeparator(separator), FSeparatorLetter(separatorLetter) {}

  std::string Convert(std::string_view fmt) {
    append(fmt, 0);
    flushLiteral();
    std::size_t first = FOut.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return FOut.substr(first, FOut.find_last_not_of(' ') - first + 1);
  }

 private:
  void append(std::string_view fmt, int depth) {
    for (std::size_t i = 0; i < fmt.size(); ++i) {
      if (fmt[i] != '%') {
        FLiteral += fmt[i];
        continue;
      }
      i = conversionLetter(fmt, i + 1);
      if (i >= fmt.size()) break;
      char letter = fmt[i];
      if (std::string_view classic = classicFor(letter); !classic.empty()) {
        flushLiteral();
        FOut += classic;
      } else if (std::string_view nested = compositeFor(letter); !nested.empty()) {
        // %r is the locale's own 12-hour format, which might name %r again.
        if (depth < 2) append(nested, depth + 1);
      } else if (letter == '%') {
        FLiteral += '%';
      } else if (letter == 'n' || letter == 't') {
        FLiteral += ' ';
      }
    }
  }

  std::string_view compositeFor(char letter) const {
    switch (letter) {
      case 'D': return "%m/%d/%y";
      case 'F': return "%Y-%m-%d";
      case 'T': return "%H:%M:%S";
      case 'R': return "%H:%M";
      case 'r': return FAmPmFormat;
      default: return {};
    }
  }

  // Letters, quotes and the other separator letters in literal text are
  // quoted, so that FormatDateTime copies them unchanged.
  void flushLiteral() {
    std::string quoted;
    auto closeQuote = [&] {
      if (quoted.empty()) return;
      FOut += '"' + quoted + '"';
      quoted.clear();
    };
    for (char c : FLiteral) {
      if (c == FSeparator) {
        closeQuote();
        FOut += FSeparatorLetter;
      } else if (c == '"') {
        closeQuote();
        FOut += "'\"'";
      } else if (isAsciiLetter(c) || c == '\'' || c == '/' || c == ':') {
        quoted += c;
      } else {
        closeQuote();
        FOut += c;
      }
    }
    closeQuote();
    FLiteral.clear();
  }

  std::string FAmPmFormat;
  char FSeparator;
  char FSeparatorLetter;
  std::string FLiteral;
  std::string FOut;
};

// The long date in the order of the short one: "dddd, mmmm d, yyyy" where the
// month comes before the day, "dddd, d mmmm yyyy" otherwise.
std::string longDateFrom(std::string_view shortDate) {
  std::size_t day = shortDate.find('d'), month = shortDate.find('m'), year = shortDate.find('y');
  if (year != std::string_view::npos && year < day && year < month) return "dddd, yyyy mmmm d";
  if (month != std::string_view::npos && month < day) return "dddd, mmmm d, yyyy";
  return "dddd, d mmmm yyyy";
}

// The short time is the long one without its seconds: the field, a unit
// written right after it (the Korean seconds sign) and the separator or blank
// before it.
std::string shortTimeFrom(std::string longTime) {
  std::size_t at = longTime.find("ss");
  if (at == std::string::npos) return longTime;
  std::size_t end = at + 2;
  while (end < longTime.size() && longTime[end] != ' ' && !isAsciiLetter(longTime[end]) && longTime[end] != '"' &&
         longTime[end] != '\'')
    ++end;
  if (at > 0 && (longTime[at - 1] == ':' || longTime[at - 1] == ' ')) --at;
  longTime.erase(at, end - at);
  return longTime;
}

// A separator must be one byte; "" or a multi-byte one (a narrow no-break
// space) gets a stand-in.
char singleByte(const std::string& text, char fallback) { return text.size() == 1 ? text[0] : fallback; }

template <std::size_t N>
void readNames(locale_t loc, const nl_item (&items)[N], std::array<std::string, N>& names) {
  for (std::size_t i = 0; i < N; ++i) {
    std::string name = langInfo(loc, items[i]);
    if (!name.empty()) names[i] = std::move(name);
  }
}

TFormatSettings fromHandle(locale_t loc) {
  TFormatSettings s;
  s.DecimalSeparator = singleByte(langInfo(loc, RADIXCHAR), '.');
  std::string thousands = langInfo(loc, THOUSEP);
  s.ThousandSeparator = singleByte(thousands, thousands.empty() ? (s.DecimalSeparator == ',' ? '.' : ',') : ' ');

  std::string dateFmt = langInfo(loc, D_FMT), timeFmt = langInfo(loc, T_FMT);
  std::string ampmFmt = langInfo(loc, T_FMT_AMPM);
  s.DateSeparator = firstSeparator(dateFmt, '/');
  s.TimeSeparator = firstSeparator(timeFmt, ':');
  if (std::string date = TStrftimeConverter(ampmFmt, s.DateSeparator, '/').Convert(dateFmt); !date.empty())
    s.ShortDateFormat = std::move(date);
  if (std::string time = TStrftimeConverter(ampmFmt, s.TimeSeparator, ':').Convert(timeFmt); !time.empty())
    s.LongTimeFormat = std::move(time);
  s.LongDateFormat = longDateFrom(s.ShortDateFormat);
  s.ShortTimeFormat = shortTimeFrom(s.LongTimeFormat);

  // Locales on a 24-hour clock have no AM/PM texts; an "ampm" in a format
  // still needs something to write.
  if (std::string am = langInfo(loc, AM_STR); !am.empty()) s.TimeAMString = std::move(am);
  if (std::string pm = langInfo(loc, PM_STR); !pm.empty()) s.TimePMString = std::move(pm);

  static const nl_item shortMonths[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                          ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  static const nl_item longMonths[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                         MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  static const nl_item shortDays[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
  static const nl_item longDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  readNames(loc, shortMonths, s.ShortMonthNames);
  readNames(loc, longMonths, s.LongMonthNames);
  readNames(loc, shortDays, s.ShortDayNames);
  readNames(loc, longDays, s.LongDayNames);
  return s;
}

}  // namespace

TFormatSettings TFormatSettings::FromLocale(const char* LocaleName) {
  const char* name = LocaleName ? LocaleName : "";
  TLocaleHandle loc(name);
  if (loc.Get()) return fromHandle(loc.Get());
  if (*name) throw EConvertError("Locale '" + std::string(name) + "' is not installed");
  TLocaleHandle fallback("C");
  return fromHandle(fallback.Get());
}

// Initialised before the library's other globals, which may format while
// they are built.
__attribute__((init_priority(101))) TFormatSettings FormatSettings = TFormatSettings::FromLocale("");

}  // namespace rv
