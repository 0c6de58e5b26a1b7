// What every mirror widget shares, and the table from a control's class to
// the factory of its widget.

#include "platform/fltk/FltkMirrored.h"

#include <mutex>
#include <unordered_map>

namespace rv {

namespace {

struct TFactoryTable {
  std::mutex Lock;
  std::unordered_map<const TClass*, TMirrorFactory> Factories;
};

// Made on first use: the families register from static objects.
TFactoryTable& factoryTable() {
  static TFactoryTable table;
  return table;
}

TMirrorFactory factoryOf(const TClass& Class) {
  TFactoryTable& table = factoryTable();
  std::lock_guard<std::mutex> guard(table.Lock);
  auto it = table.Factories.find(&Class);
  return it != table.Factories.end() ? it->second : nullptr;
}

}  // namespace

// ---- Texts ----------------------------------------------------------------------

std::string toolkitLines(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string withoutMarks(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

std::vector<std::string> splitAtNewlines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back().push_back(c);
  }
  return lines;
}

// ---- Pictures ---------------------------------------------------------------------

std::unique_ptr<Fl_RGB_Image> imageOf(const TGraphic* graphic, std::vector<unsigned char>& pixels) {
  pixels.clear();
  if (!graphic || graphic->Empty()) return nullptr;
  const int w = graphic->Width(), h = graphic->Height();
  if (const auto* icon = dynamic_cast<const TIcon*>(graphic)) {
    pixels.assign(icon->Bits(), icon->Bits() + static_cast<std::size_t>(w) * h * 4);
    return std::make_unique<Fl_RGB_Image>(pixels.data(), w, h, 4);
  }
  const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
  if (!bitmap) return nullptr;
  // A transparent bitmap gets an alpha channel keyed on its transparent colour.
  const bool keyed = bitmap->Transparent();
  const TColor key = bitmap->TransparentColor();
  const int depth = keyed ? 4 : 3;
  pixels.resize(static_cast<std::size_t>(w) * h * depth);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = bitmap->ScanLine(y);
    unsigned char* out = pixels.data() + static_cast<std::size_t>(y) * w * depth;
    for (int x = 0; x < w; ++x, out += depth) {
      out[0] = row[x * 3 + 2];
      out[1] = row[x * 3 + 1];
      out[2] = row[x * 3];
      if (keyed) out[3] = RGBToColor(out[0], out[1], out[2]) == key ? 0 : 255;
    }
  }
  return std::make_unique<Fl_RGB_Image>(pixels.data(), w, h, depth);
}

void clicked(Fl_Widget* widget, void*) {
  TMirror* m = mirrorOf(widget);
  if (!m || !m->Control()) return;
  FeedClick(m->Control());
  // The toolkit flipped the box itself; the model says what it shows.
  if (m->Control()) m->Sync();
}

bool RegisterMirrorFactory(const TClass& Class, TMirrorFactory Factory) {
  TFactoryTable& table = factoryTable();
  std::lock_guard<std::mutex> guard(table.Lock);
  table.Factories[&Class] = Factory;
  return true;
}

}  // namespace rv

// What FltkMirror.h declares: the test library reaches it.
namespace RV_API rv {

Fl_Widget* NewMirrorWidget(TControl* Control) {
  // Made outside any group: the set puts it into its parent's group.
  Fl_Group::current(nullptr);
  TMirrorFactory factory = nullptr;
  for (const TClass* cls = &Control->ClassType(); cls && !factory; cls = cls->Parent()) factory = factoryOf(*cls);
  // TControl has one (FltkContainers.cpp): every control finds a widget.
  Fl_Widget* widget = factory(Control);
  Fl_Group::current(nullptr);
  return widget;
}

TControl* MirrorControl(const Fl_Widget* Widget) {
  const TMirror* m = mirrorOf(Widget);
  return m ? m->Control() : nullptr;
}

Fl_Group* MirrorChildGroup(Fl_Widget* Widget) {
  TMirror* m = mirrorOf(Widget);
  return m ? m->ChildGroup() : nullptr;
}

bool MirrorFits(const Fl_Widget* Widget, const TControl* Control) {
  const TMirror* m = mirrorOf(Widget);
  return m && m->Fits(Control);
}

void SyncMirror(Fl_Widget* Widget) {
  TMirror* m = mirrorOf(Widget);
  if (!m || !m->Control()) return;
  m->Sync();
  // What shows through a widget without a background is its parent's.
  Fl_Group* parent = Widget->parent();
  m->Opaque() || !parent ? Widget->redraw() : parent->redraw();
}

void DetachMirror(Fl_Widget* Widget) {
  if (TMirror* m = mirrorOf(Widget)) m->Detach();
}

std::string MirrorKind(const Fl_Widget* Widget) {
  const TMirror* m = mirrorOf(Widget);
  return m ? m->Kind() : "";
}

void MirrorContent(const Fl_Widget* Widget, std::string& Text, int& Value) {
  Text.clear();
  Value = 0;
  if (const TMirror* m = mirrorOf(Widget)) m->Content(Text, Value);
}

}  // namespace rv
