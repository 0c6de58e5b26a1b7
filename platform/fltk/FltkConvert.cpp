// Conversions between the model and the toolkit: fonts, colours, keys,
// cursors and label texts.

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>

#include "platform/fltk/FltkMirror.h"

namespace RV_API rv {

namespace {

bool mentions(const std::string& name, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return name.find(w) != std::string::npos; });
}

// Forms are laid out for the classic interface faces: a line is the pixel
// height plus a fifth, a character 6/11 of the height wide on average (a
// space 3/11). The toolkit's faces at the same pixel size are taller and
// wider, so captions would wrap into more lines than their controls hold:
// the largest size whose line and sample text fit the classic metrics is
// used. Measured once per face and size (the toolkit needs its display).
int fittedSize(int Face, int Pixels) {
  static std::map<std::pair<int, int>, int> fitted;
  const auto key = std::make_pair(Face, Pixels);
  if (auto it = fitted.find(key); it != fitted.end()) return it->second;
  static constexpr std::string_view sample = "The quick brown fox jumps over the lazy dog";
  const int spaces = static_cast<int>(std::count(sample.begin(), sample.end(), ' '));
  const int others = static_cast<int>(sample.size()) - spaces;
  const double classicWidth = spaces * ((3.0 * Pixels + 5) / 11) + others * ((6.0 * Pixels + 5) / 11);
  const int classicLine = Pixels + (Pixels + 2) / 5;
  const int smallest = std::max(1, (Pixels * 2 + 2) / 3);
  int size = Pixels;
  for (; size > smallest; --size) {
    fl_font(Face, size);
    if (fl_height() <= classicLine && fl_width(sample.data(), static_cast<int>(sample.size())) <= classicWidth) break;
  }
  fitted.emplace(key, size);
  return size;
}

// Virtual-key codes beyond the few the model names.
constexpr std::uint16_t VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
                        VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_NUMPAD0 = 0x60,
                        VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F,
                        VK_F1 = 0x70;
// The toolkit reports Shift+Tab as this X key.
constexpr int isoLeftTab = 0xfe20;

std::uint16_t virtualKey(int key) {
  if (key >= 'a' && key <= 'z') return static_cast<std::uint16_t>(key - 'a' + 'A');
  if ((key >= '0' && key <= '9') || key == ' ') return static_cast<std::uint16_t>(key);
  if (key >= FL_KP + '0' && key <= FL_KP + '9') return static_cast<std::uint16_t>(VK_NUMPAD0 + key - FL_KP - '0');
  if (key >= FL_F + 1 && key <= FL_F + 24) return static_cast<std::uint16_t>(VK_F1 + key - FL_F - 1);
  switch (key) {
    case FL_BackSpace: return VK_BACK;
    case FL_Tab:
    case isoLeftTab: return VK_TAB;
    case FL_Enter:
    case FL_KP_Enter: return VK_RETURN;
    case FL_Escape: return VK_ESCAPE;
    case FL_Page_Up: return VK_PRIOR;
    case FL_Page_Down: return VK_NEXT;
    case FL_End: return VK_END;
    case FL_Home: return VK_HOME;
    case FL_Left: return VK_LEFT;
    case FL_Up: return VK_UP;
    case FL_Right: return VK_RIGHT;
    case FL_Down: return VK_DOWN;
    case FL_Insert: return VK_INSERT;
    case FL_Delete: return VK_DELETE;
    case FL_KP + '*': return VK_MULTIPLY;
    case FL_KP + '+': return VK_ADD;
    case FL_KP + '-': return VK_SUBTRACT;
    case FL_KP + '.': return VK_DECIMAL;
    case FL_KP + '/': return VK_DIVIDE;
    default: return 0;
  }
}

void drawPlainLabel(const Fl_Label* label, int X, int Y, int W, int H, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(label->color);
  fl_draw(label->value, X, Y, W, H, align, label->image, 0);
}

void measurePlainLabel(const Fl_Label* label, int& W, int& H) {
  fl_font(label->font, label->size);
  fl_measure(label->value, W, H, 0);
}

}  // namespace

void FltkFontOf(const TFont& Font, int& Face, int& Size) {
  std::string name = Font.Name();
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  int base = FL_HELVETICA;
  if (mentions(name, {"courier", "mono", "console", "consolas", "fixedsys", "terminal"}))
    base = FL_COURIER;
  else if (!mentions(name, {"sans"}) && mentions(name, {"times", "serif", "roman", "georgia", "garamond"}))
    base = FL_TIMES;
  else if (name == "symbol")
    base = FL_SYMBOL;
  Face = base;
  if (base != FL_SYMBOL) {
    if (Font.Style().Contains(fsBold)) Face += FL_BOLD;
    if (Font.Style().Contains(fsItalic)) Face += FL_ITALIC;
  }
  // A positive height is the cell: the character itself is about 4/5 of it.
  const long height = Font.Height();
  const long pixels = height < 0 ? -height : height > 0 ? (height * 4 + 2) / 5 : 11;
  // Fitted in the regular face: bold text stays wider than regular.
  Size = fittedSize(base, static_cast<int>(std::clamp(pixels, 1L, 512L)));
}

unsigned FltkColorOf(TColor Color) {
  if (Color == clNone || Color == clDefault) return FL_BACKGROUND_COLOR;
  const TColor rgb = ColorToRGB(Color);
  return fl_rgb_color(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

std::uint16_t FltkEventKey(TShiftState& Shift) {
  const int state = Fl::event_state();
  Shift = {};
  if (state & FL_SHIFT) Shift.Include(ssShift);
  if (state & FL_ALT) Shift.Include(ssAlt);
  if (state & FL_CTRL) Shift.Include(ssCtrl);
  return virtualKey(Fl::event_key());
}

int FltkCursorOf(TCursor Cursor) {
  switch (Cursor) {
    case crNone: return FL_CURSOR_NONE;
    case crArrow: return FL_CURSOR_ARROW;
    case crCross: return FL_CURSOR_CROSS;
    case crIBeam: return FL_CURSOR_INSERT;
    case crSizeNESW: return FL_CURSOR_NESW;
    case crSizeNS:
    case crVSplit: return FL_CURSOR_NS;
    case crSizeNWSE: return FL_CURSOR_NWSE;
    case crSizeWE:
    case crHSplit: return FL_CURSOR_WE;
    case crHourGlass:
    case crSQLWait:
    case crAppStart: return FL_CURSOR_WAIT;
    case crHelp: return FL_CURSOR_HELP;
    case crHandPoint: return FL_CURSOR_HAND;
    case crSizeAll: return FL_CURSOR_MOVE;
    default: return FL_CURSOR_DEFAULT;
  }
}

int FltkPlainLabelType() {
  static const int type = [] {
    Fl::set_labeltype(FL_FREE_LABELTYPE, drawPlainLabel, measurePlainLabel);
    return int{FL_FREE_LABELTYPE};
  }();
  return type;
}

std::string FltkTooltipText(const std::string& Text) {
  std::string out;
  for (char c : Text) {
    out += c;
    if (c == '@') out += '@';
  }
  return out;
}

}  // namespace rv
