// TFont, and the names of cursors and character sets.

#include <algorithm>
#include <cstdint>

#include "platform/classes/Published.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

template <class T>
struct NamedValue {
  T Value;
  const char* Name;
};

template <class T, std::size_t N>
bool valueToIdent(const NamedValue<T> (&table)[N], T value, std::string& ident) {
  for (const NamedValue<T>& entry : table)
    if (entry.Value == value) {
      ident = entry.Name;
      return true;
    }
  return false;
}

template <class T, std::size_t N>
bool identToValue(const NamedValue<T> (&table)[N], std::string_view ident, T& value) {
  for (const NamedValue<T>& entry : table)
    if (SameText(entry.Name, ident)) {
      value = entry.Value;
      return true;
    }
  return false;
}

constexpr NamedValue<TCursor> cursorNames[] = {
    {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};

constexpr NamedValue<TFontCharset> charsetNames[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
    {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
    {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

// a * b / c rounded half away from zero, in 64 bits so it can't overflow.
int mulDiv(int a, int b, int c) {
  const std::int64_t p = std::int64_t{a} * b;
  const std::int64_t q = (p < 0 ? p - c / 2 : p + c / 2) / c;
  return static_cast<int>(std::clamp<std::int64_t>(q, INT32_MIN, INT32_MAX));
}

}  // namespace

bool CursorToIdent(TCursor Cursor, std::string& Ident) { return valueToIdent(cursorNames, Cursor, Ident); }
bool IdentToCursor(std::string_view Ident, TCursor& Cursor) { return identToValue(cursorNames, Ident, Cursor); }
bool CharsetToIdent(TFontCharset Charset, std::string& Ident) { return valueToIdent(charsetNames, Charset, Ident); }
bool IdentToCharset(std::string_view Ident, TFontCharset& Charset) {
  return identToValue(charsetNames, Ident, Charset);
}

const TClass& TFont::StaticClass() {
  // No declared defaults: a stored font is stored whole, since a control
  // reading it starts from its parent's font, not from these values.
  static const TClass cls = TClassBuilder<TFont>("TFont")
                                .Property("Charset", &TFont::Charset, &TFont::SetCharset)
                                .Idents(&CharsetToIdent, &IdentToCharset)
                                .Property("Color", &TFont::Color, &TFont::SetColor)
                                .Idents(&ColorToIdent, &IdentToColor)
                                .Property("Height", &TFont::Height, &TFont::SetHeight)
                                .Property("Name", &TFont::Name, &TFont::SetName)
                                .Property("Size", &TFont::Size, &TFont::SetSize)
                                .Stored([](const TFont&) { return false; })
                                .Property("Style", &TFont::Style, &TFont::SetStyle)
                                .Build();
  return cls;
}

void TFont::Changed() {
  if (FOnChange) FOnChange(this);
}

void TFont::SetCharset(TFontCharset Value) {
  if (FCharset == Value) return;
  FCharset = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  Changed();
}

void TFont::SetName(const std::string& Value) {
  if (FName == Value) return;
  FName = Value;
  Changed();
}

int TFont::Size() const { return -mulDiv(FHeight, 72, PixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-mulDiv(Value, PixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFont::Assign(const TPersistent* Source) {
  if (const auto* font = dynamic_cast<const TFont*>(Source)) {
    if (font == this) return;
    const bool same = FCharset == font->FCharset && FColor == font->FColor && FHeight == font->FHeight &&
                      FName == font->FName && FStyle == font->FStyle;
    FCharset = font->FCharset;
    FColor = font->FColor;
    FHeight = font->FHeight;
    FName = font->FName;
    FStyle = font->FStyle;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace rv
