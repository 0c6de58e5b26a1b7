#include "platform/classes/FormText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Hex.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Utf16.h"

namespace rv::formtext {

namespace {

// Deeper nesting than any real form, shallow enough that hostile files can't
// exhaust the stack.
constexpr int kMaxDepth = 64;

bool isIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdentChar(char c) { return isIdentStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

class Parser {
 public:
  explicit Parser(std::string_view text) : FText(text) {}

  Object ParseRoot() {
    SkipSpace();
    Object root = ParseObject(0);
    SkipSpace();
    if (!AtEnd()) Fail("Text after the end of the root object");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw EReadError("Line " + std::to_string(FLine) + ": " + what);
  }

  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek(std::size_t ahead = 0) const { return FPos + ahead < FText.size() ? FText[FPos + ahead] : '\0'; }
  char Next() {
    char c = FText[FPos++];
    if (c == '\n') ++FLine;
    return c;
  }

  void SkipSpace() {
    while (!AtEnd()) {
      char c = Peek();
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v')
        Next();
      else
        break;
    }
  }

  void Expect(char c) {
    SkipSpace();
    if (Peek() != c || AtEnd()) Fail(std::string("'") + c + "' expected");
    Next();
  }

  std::string Ident() {
    SkipSpace();
    if (!isIdentStart(Peek())) Fail("Identifier expected");
    std::size_t start = FPos;
    while (!AtEnd() && isIdentChar(Peek())) Next();
    return std::string(FText.substr(start, FPos - start));
  }

  // An identifier with dotted parts: a property path or a component reference.
  std::string QualifiedIdent() {
    std::string name = Ident();
    while (Peek() == '.' && isIdentStart(Peek(1))) {
      Next();
      name += '.';
      name += Ident();
    }
    return name;
  }

  bool PeekWord(std::string_view word) {
    SkipSpace();
    std::size_t end = FPos;
    while (end < FText.size() && isIdentChar(FText[end])) ++end;
    return SameText(FText.substr(FPos, end - FPos), word);
  }

  bool PeekObjectKeyword() { return PeekWord("object") || PeekWord("inherited") || PeekWord("inline"); }

  Object ParseObject(int depth) {
    if (depth > kMaxDepth) Fail("Objects nested too deeply");
    if (!PeekObjectKeyword()) Fail("'object' expected");
    Object obj;
    obj.Line = FLine;
    Ident();  // the keyword
    std::string first = Ident();
    SkipSpace();
    if (Peek() == ':') {
      Next();
      obj.Name = std::move(first);
      obj.ClassName = Ident();
    } else {
      obj.ClassName = std::move(first);
    }
    SkipSpace();
    if (Peek() == '[') {  // creation order index of inherited forms: not used
      Next();
      ParseNumber();
      Expect(']');
    }
    for (;;) {
      SkipSpace();
      if (AtEnd()) Fail("'end' expected");
      if (PeekWord("end")) {
        Ident();
        return obj;
      }
      if (PeekObjectKeyword())
        obj.Children.push_back(ParseObject(depth + 1));
      else
        obj.Properties.push_back(ParseProperty(depth));
    }
  }

  Property ParseProperty(int depth) {
    Property p;
    p.Line = FLine;
    p.Path = QualifiedIdent();
    Expect('=');
    p.Val = ParseValue(depth);
    return p;
  }

  Value ParseValue(int depth) {
    SkipSpace();
    if (AtEnd()) Fail("Value expected");
    char c = Peek();
    if (c == '\'' || c == '#') return StringValue(ParseString());
    if (c == '-' || c == '+' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) return ParseNumber();
    if (c == '[') return ParseSet();
    if (c == '{') return ParseBinary();
    if (c == '(') return ParseList();
    if (c == '<') return ParseCollection(depth);
    if (isIdentStart(c)) {
      Value v;
      v.Type = Value::Ident;
      v.Text = QualifiedIdent();
      return v;
    }
    Fail("Invalid value");
  }

  static Value StringValue(std::string s) {
    Value v;
    v.Type = Value::String;
    v.Text = std::move(s);
    return v;
  }

  // Quoted pieces and #n character codes, joined directly or by '+'.
  std::string ParseString() {
    std::string out;
    std::uint32_t pendingHigh = 0;  // a high surrogate waiting for its pair
    auto flushHigh = [&] {
      if (pendingHigh) AppendUtf8(out, 0xFFFD);
      pendingHigh = 0;
    };
    for (;;) {
      char c = Peek();
      if (c == '\'' && !AtEnd()) {
        flushHigh();
        Next();
        for (;;) {
          if (AtEnd() || Peek() == '\n' || Peek() == '\r') Fail("Unterminated string");
          char d = Next();
          if (d == '\'') {
            if (Peek() == '\'' && !AtEnd()) {
              Next();
              out += '\'';
              continue;
            }
            break;
          }
          out += d;
        }
      } else if (c == '#' && !AtEnd()) {
        Next();
        std::uint32_t cp = ParseCharCode();
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          flushHigh();
          pendingHigh = cp;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
          AppendUtf8(out, pendingHigh ? 0x10000 + ((pendingHigh - 0xD800) << 10) + (cp - 0xDC00) : 0xFFFD);
          pendingHigh = 0;
        } else {
          flushHigh();
          AppendUtf8(out, cp);
        }
      } else {
        // A '+' continues the string, possibly on the next line.
        std::size_t save = FPos;
        int saveLine = FLine;
        SkipSpace();
        if (Peek() == '+' && !AtEnd()) {
          Next();
          SkipSpace();
          if (Peek() != '\'' && Peek() != '#') Fail("String expected after '+'");
          continue;
        }
        FPos = save;
        FLine = saveLine;
        flushHigh();
        return out;
      }
    }
  }

  std::uint32_t ParseCharCode() {
    int base = 10;
    if (Peek() == '$') {
      Next();
      base = 16;
    }
    std::size_t start = FPos;
    while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(Peek()))) {
      if (base == 10 && !std::isdigit(static_cast<unsigned char>(Peek()))) break;
      Next();
    }
    std::uint32_t cp = 0;
    auto [end, ec] = std::from_chars(FText.data() + start, FText.data() + FPos, cp, base);
    if (ec != std::errc() || end != FText.data() + FPos || FPos == start || cp > 0x10FFFF)
      Fail("Invalid character code");
    return cp;
  }

  Value ParseNumber() {
    SkipSpace();
    Value v;
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') negative = Next() == '-';
    if (Peek() == '$') {
      Next();
      std::size_t start = FPos;
      while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(Peek()))) Next();
      std::uint64_t u = 0;
      auto [end, ec] = std::from_chars(FText.data() + start, FText.data() + FPos, u, 16);
      if (ec != std::errc() || FPos == start) Fail("Invalid number");
      v.Int = static_cast<std::int64_t>(u);  // hex is written as the raw bit pattern
      if (negative) v.Int = -v.Int;
      return v;
    }
    std::size_t start = FPos;
    bool real = false;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek()))) Next();
    if (Peek() == '.' && std::isdigit(static_cast<unsigned char>(Peek(1)))) {
      real = true;
      Next();
      while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek()))) Next();
    }
    if ((Peek() == 'e' || Peek() == 'E') && FPos > start) {
      std::size_t k = 1;
      if (Peek(1) == '-' || Peek(1) == '+') ++k;
      if (std::isdigit(static_cast<unsigned char>(Peek(k)))) {
        real = true;
        for (std::size_t i = 0; i < k; ++i) Next();
        while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek()))) Next();
      }
    }
    if (FPos == start) Fail("Invalid number");
    const char* first = FText.data() + start;
    const char* last = FText.data() + FPos;
    if (real) {
      v.Type = Value::Float;
      auto [end, ec] = std::from_chars(first, last, v.Real);
      if (ec != std::errc() || end != last || !std::isfinite(v.Real)) Fail("Invalid number");
      if (negative) v.Real = -v.Real;
    } else {
      std::uint64_t u = 0;
      auto [end, ec] = std::from_chars(first, last, u);
      std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
      if (ec != std::errc() || end != last || u > limit) Fail("Number out of range");
      v.Int = negative ? static_cast<std::int64_t>(0 - u) : static_cast<std::int64_t>(u);
    }
    return v;
  }

  Value ParseSet() {
    Expect('[');
    Value v;
    v.Type = Value::SetOf;
    SkipSpace();
    if (Peek() == ']' && !AtEnd()) {
      Next();
      return v;
    }
    for (;;) {
      v.Names.push_back(Ident());
      SkipSpace();
      if (AtEnd()) Fail("']' expected");
      char c = Next();
      if (c == ']') return v;
      if (c != ',') Fail("',' or ']' expected");
    }
  }

  Value ParseBinary() {
    Expect('{');
    Value v;
    v.Type = Value::Binary;
    int high = -1;
    for (;;) {
      SkipSpace();
      if (AtEnd()) Fail("'}' expected");
      char c = Next();
      if (c == '}') break;
      const int digit = HexDigitValue(c);
      if (digit < 0) Fail("Invalid binary data");
      if (high < 0) {
        high = digit;
      } else {
        v.Text += static_cast<char>(high * 16 + digit);
        high = -1;
      }
    }
    if (high >= 0) Fail("Invalid binary data");
    return v;
  }

  Value ParseList() {
    Expect('(');
    Value v;
    v.Type = Value::List;
    for (;;) {
      SkipSpace();
      if (AtEnd()) Fail("')' expected");
      if (Peek() == ')') {
        Next();
        return v;
      }
      if (Peek() != '\'' && Peek() != '#') Fail("String expected");
      v.Names.push_back(ParseString());
    }
  }

  Value ParseCollection(int depth) {
    if (depth > kMaxDepth) Fail("Collections nested too deeply");
    Expect('<');
    Value v;
    v.Type = Value::Collection;
    for (;;) {
      SkipSpace();
      if (AtEnd()) Fail("'>' expected");
      if (Peek() == '>') {
        Next();
        return v;
      }
      if (!PeekWord("item")) Fail("'item' expected");
      Ident();
      Item item;
      SkipSpace();
      if (!AtEnd() && Peek() == ':') {
        Next();
        item.ClassName = Ident();
      }
      for (;;) {
        SkipSpace();
        if (AtEnd()) Fail("'end' expected");
        if (PeekWord("end")) {
          Ident();
          break;
        }
        item.Properties.push_back(ParseProperty(depth + 1));
      }
      v.Items.push_back(std::move(item));
    }
  }

  std::string_view FText;
  std::size_t FPos = 0;
  int FLine = 1;
};

}  // namespace

Object Parse(std::string_view Text) { return Parser(Text).ParseRoot(); }

std::string QuoteString(std::string_view Utf8) {
  // Printable text goes in quotes; control characters as #n codes.
  std::string out;
  bool inQuotes = false;
  for (char c : Utf8) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      if (inQuotes) out += '\'';
      inQuotes = false;
      out += '#';
      out += std::to_string(u);
      continue;
    }
    if (!inQuotes) out += '\'';
    inQuotes = true;
    out += c;
    if (c == '\'') out += '\'';
  }
  if (inQuotes) out += '\'';
  if (out.empty()) out = "''";
  return out;
}

std::string FormatFloat(double Value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, Value);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  // Keep it recognisable as a float when read back.
  if (text.find_first_of(".eE") == std::string::npos) text += ".0";
  return text;
}

}  // namespace rv::formtext
