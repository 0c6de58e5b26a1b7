// The system colours' fixed RGB values and the names of colours.

#include <array>

#include "platform/graphics/Graphics.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

// The system colours by index, in the classic light grey scheme: there is no
// system palette to ask on Linux, and a fixed one keeps forms looking the
// same everywhere.
constexpr std::array<TColor, 31> systemColors = {
    RGBToColor(212, 208, 200),  // scroll bar
    RGBToColor(58, 110, 165),   // desktop background
    RGBToColor(10, 36, 106),    // active caption
    RGBToColor(128, 128, 128),  // inactive caption
    RGBToColor(212, 208, 200),  // menu
    RGBToColor(255, 255, 255),  // window
    RGBToColor(0, 0, 0),        // window frame
    RGBToColor(0, 0, 0),        // menu text
    RGBToColor(0, 0, 0),        // window text
    RGBToColor(255, 255, 255),  // caption text
    RGBToColor(212, 208, 200),  // active border
    RGBToColor(212, 208, 200),  // inactive border
    RGBToColor(128, 128, 128),  // application work space
    RGBToColor(10, 36, 106),    // highlight
    RGBToColor(255, 255, 255),  // highlight text
    RGBToColor(212, 208, 200),  // button face
    RGBToColor(128, 128, 128),  // button shadow
    RGBToColor(128, 128, 128),  // grey text
    RGBToColor(0, 0, 0),        // button text
    RGBToColor(212, 208, 200),  // inactive caption text
    RGBToColor(255, 255, 255),  // button highlight
    RGBToColor(64, 64, 64),     // 3D dark shadow
    RGBToColor(212, 208, 200),  // 3D light
    RGBToColor(0, 0, 0),        // tooltip text
    RGBToColor(255, 255, 225),  // tooltip background
    RGBToColor(0, 0, 0),        // (unused)
    RGBToColor(0, 0, 128),      // hot-tracked item
    RGBToColor(166, 202, 240),  // active caption gradient
    RGBToColor(192, 192, 192),  // inactive caption gradient
    RGBToColor(49, 106, 197),   // menu highlight
    RGBToColor(236, 233, 216),  // menu bar
};

struct ColorName {
  TColor Color;
  const char* Name;
};

// Where two names share a value (clGray and clDkGray), the first one is the
// name a colour is written with.
constexpr ColorName colorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

}  // namespace

TColor ColorToRGB(TColor Color) {
  if (Color >= 0) return Color;
  const auto index = static_cast<std::size_t>(Color & 0xFF);
  return index < systemColors.size() ? systemColors[index] : clBlack;
}

bool ColorToIdent(TColor Color, std::string& Ident) {
  for (const ColorName& c : colorNames)
    if (c.Color == Color) {
      Ident = c.Name;
      return true;
    }
  return false;
}

bool IdentToColor(std::string_view Ident, TColor& Color) {
  for (const ColorName& c : colorNames)
    if (SameText(c.Name, Ident)) {
      Color = c.Color;
      return true;
    }
  return false;
}

}  // namespace rv
