#include "platform/rtl/Format.h"

#include <optional>

#include "platform/rtl/Convert.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

constexpr std::int64_t kMaxWidth = 1'000'000;
constexpr std::size_t kMaxPadding = 16u << 20;

bool isIntegral(const TVarRec& a) { return a.VType == vtInteger || a.VType == vtUnsigned; }

// The two's complement bits of an integer argument in its own width, so that
// %x of an int -1 is "FFFFFFFF".
std::uint64_t integerBits(const TVarRec& a) {
  if (a.VType == vtUnsigned) return a.VUnsigned;
  auto bits = static_cast<std::uint64_t>(a.VInteger);
  return a.VSize >= 8 ? bits : bits & ((std::uint64_t{1} << (a.VSize * 8)) - 1);
}

class TFormatter {
 public:
  TFormatter(std::string_view fmt, std::span<const TVarRec> args, const TFormatSettings& settings)
      : FFmt(fmt), FArgs(args), FSettings(settings) {}

  std::string Run() {
    for (std::size_t i = 0; i < FFmt.size();) {
      std::size_t pct = FFmt.find('%', i);
      FOut.append(FFmt.substr(i, pct == std::string_view::npos ? std::string_view::npos : pct - i));
      if (pct == std::string_view::npos) break;
      i = specifier(pct + 1);
    }
    return std::move(FOut);
  }

 private:
  [[noreturn]] void fail() const {
    throw EConvertError("Format '" + std::string(FFmt) + "' invalid or incompatible with argument");
  }

  const TVarRec& nextArg() {
    if (FNextArg >= FArgs.size()) fail();
    return FArgs[FNextArg++];
  }

  // Digits or '*' (an integer argument); nothing when neither is there.
  std::optional<std::int64_t> number(std::size_t& i) {
    if (i < FFmt.size() && FFmt[i] == '*') {
      ++i;
      const TVarRec& a = nextArg();
      if (!isIntegral(a)) fail();
      if (a.VType == vtUnsigned ? a.VUnsigned > static_cast<std::uint64_t>(kMaxWidth)
                                : (a.VInteger > kMaxWidth || a.VInteger < -kMaxWidth))
        fail();
      return a.VType == vtUnsigned ? static_cast<std::int64_t>(a.VUnsigned) : a.VInteger;
    }
    if (i >= FFmt.size() || !IsDigit(FFmt[i])) return std::nullopt;
    std::int64_t value = 0;
    for (; i < FFmt.size() && IsDigit(FFmt[i]); ++i) {
      value = value * 10 + (FFmt[i] - '0');
      if (value > kMaxWidth) fail();
    }
    return value;
  }

  // Parses and writes one specifier starting after its '%'; returns the
  // index after it.
  std::size_t specifier(std::size_t i) {
    if (i < FFmt.size() && FFmt[i] == '%') {
      FOut += '%';
      return i + 1;
    }
    std::optional<std::int64_t> n = number(i);
    if (n && i < FFmt.size() && FFmt[i] == ':') {
      if (*n < 0 || static_cast<std::uint64_t>(*n) >= FArgs.size()) fail();
      FNextArg = static_cast<std::size_t>(*n);
      n.reset();
      ++i;
    }
    bool left = false;
    if (!n) {
      if (i < FFmt.size() && FFmt[i] == '-') {
        left = true;
        ++i;
      }
      n = number(i);
    }
    // A negative '*' width justifies left, as in C.
    std::int64_t width = n.value_or(0);
    if (width < 0) {
      left = true;
      width = -width;
    }
    std::optional<std::int64_t> precision;
    if (i < FFmt.size() && FFmt[i] == '.') {
      ++i;
      precision = number(i).value_or(0);
      if (*precision < 0) precision.reset();
    }
    if (i >= FFmt.size()) fail();
    std::string text = convert(LowCase(FFmt[i]), precision);
    pad(text, static_cast<std::size_t>(width), left);
    return i + 1;
  }

  std::string convert(char type, std::optional<std::int64_t> precision) {
    const TVarRec& a = nextArg();
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        if (!isIntegral(a)) fail();
        bool negative = type == 'd' && a.VType == vtInteger && a.VInteger < 0;
        std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(a.VInteger) : integerBits(a);
        std::string digits = type == 'x' ? IntToHex(magnitude, 0) : std::to_string(magnitude);
        if (precision && static_cast<std::size_t>(*precision) > digits.size())
          digits.insert(0, fill(static_cast<std::size_t>(*precision) - digits.size()), '0');
        return negative ? "-" + digits : digits;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n': {
        if (a.VType != vtFloat) fail();
        int p = static_cast<int>(precision.value_or(-1));
        if (type == 'e') return FloatToStrF(a.VFloat, ffExponent, p < 0 ? 15 : p, 3, FSettings);
        if (type == 'g') return FloatToStrF(a.VFloat, ffGeneral, p < 0 ? 15 : p, 3, FSettings);
        return FloatToStrF(a.VFloat, type == 'f' ? ffFixed : ffNumber, 18, p < 0 ? 2 : p, FSettings);
      }
      case 'p': {
        if (a.VType != vtPointer) fail();
        auto address = reinterpret_cast<std::uintptr_t>(a.VPointer);
        return IntToHex(address, address <= 0xFFFFFFFFu ? 8 : 16);
      }
      case 's': {
        std::string_view s;
        if (a.VType == vtString)
          s = a.VString;
        else if (a.VType == vtChar)
          s = std::string_view(&a.VChar, 1);
        else
          fail();
        return precision ? Utf16Truncate(s, static_cast<std::size_t>(*precision)) : std::string(s);
      }
      default: fail();
    }
  }

  // Counts padding against the call's budget, so that a hostile format
  // cannot make us allocate without bound.
  std::size_t fill(std::size_t count) {
    FPadding += count;
    if (FPadding > kMaxPadding) fail();
    return count;
  }

  void pad(const std::string& text, std::size_t width, bool left) {
    std::size_t length = width > 0 ? Utf16Length(text) : 0;
    std::size_t gap = length < width ? fill(width - length) : 0;
    if (!left) FOut.append(gap, ' ');
    FOut += text;
    if (left) FOut.append(gap, ' ');
  }

  std::string_view FFmt;
  std::span<const TVarRec> FArgs;
  const TFormatSettings& FSettings;
  std::string FOut;
  std::size_t FNextArg = 0;
  std::size_t FPadding = 0;
};

}  // namespace

std::string FormatV(std::string_view Fmt, std::span<const TVarRec> Args) { return FormatV(Fmt, Args, FormatSettings); }

std::string FormatV(std::string_view Fmt, std::span<const TVarRec> Args, const TFormatSettings& Settings) {
  return TFormatter(Fmt, Args, Settings).Run();
}

}  // namespace rv
