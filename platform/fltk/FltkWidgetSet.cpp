// The real-window widget set (FLTK 1.3 on the X display), a module that
// registers itself: every shown form is a window and every control on it a
// toolkit widget, positioned, drawn and answering input as the model says
// (see WidgetSet.h).

#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Tooltip.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <unordered_map>

#include "platform/fltk/FltkEventBackend.h"
#include "platform/fltk/FltkMirror.h"
#include "platform/fltk/FltkSettingsWatch.h"
#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/forms/WidgetSet.h"
#include "platform/os/X11Display.h"

namespace RV_API rv {

namespace {

// Coordinates the toolkit can add up without overflowing (X draws in 16
// bits anyway).
constexpr std::int64_t coordinateLimit = 1 << 20;
// How long the application may have no focused window before it counts as
// deactivated (seconds).
constexpr double kDeactivationDelay = 0.05;

int coordinate(std::int64_t v) { return static_cast<int>(std::clamp(v, -coordinateLimit, coordinateLimit)); }
int extent(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, coordinateLimit)); }

// Windows go through the toolkit's deferred deletion: one may be deleted
// from inside its own event handler.
struct TDeferredDelete {
  void operator()(Fl_Window* Window) const { Fl::delete_widget(Window); }
};
using TWindowPtr = std::unique_ptr<Fl_Window, TDeferredDelete>;

class TFltkWidgetSet : public TWidgetSet, private TFltkEventHooks {
 public:
  explicit TFltkWidgetSet(std::unique_ptr<TX11Display> Connection);
  TFltkWidgetSet(const TFltkWidgetSet&) = delete;
  TFltkWidgetSet& operator=(const TFltkWidgetSet&) = delete;

  std::string Name() const override { return "fltk"; }
  TEventBackend& EventBackend() override { return FLoop; }
  int ScreenWidth() const override { return FScreenWidth.load(); }
  int ScreenHeight() const override { return FScreenHeight.load(); }
  bool Interactive() const override { return true; }
  void ApplicationMinimized(bool Minimized) override;

  void FormShown(TCustomForm* Form, bool Modal) override;
  void FormHidden(TCustomForm* Form) override;
  void ControlChanged(TControl* Control, TControlChange Change) override;
  void ControlDestroying(TControl* Control) override;
  TSize TextExtent(const TFont& Font, std::string_view Text) const override;
  unsigned long WindowHandle(const TCustomForm* Form) const override;

  Fl_Widget* WidgetOf(const TControl* Control) const {
    auto it = FWidgets.find(Control);
    return it != FWidgets.end() ? it->second : nullptr;
  }

 private:
  void EventHandled(int Event, Fl_Window* Window) override;
  void EventsDone() override;
  static void DeactivateIfUnfocused(void* Data);
  void WindowFocus(int Event, Fl_Window* Window);
  void ApplyFocus();
  void Build(TControl* Control, Fl_Group* Group, int Index);
  void Place(TControl* Control);
  void Forget(Fl_Widget* Widget);
  void CloseWindow(const TControl* Form);
  void Remove(TControl* Control);
  void Rehome(TControl* Control);
  void Rebuild(TControl* Control);

  std::unique_ptr<TX11Display> FDisplay;
  TFltkEventBackend FLoop{*this};
  std::atomic<int> FScreenWidth{0};
  std::atomic<int> FScreenHeight{0};
  // The widget of every mirrored control and the window of every shown form.
  std::unordered_map<const TControl*, Fl_Widget*> FWidgets;
  std::unordered_map<const TControl*, TWindowPtr> FWindows;
  // Made once the toolkit has the display.
  std::optional<TDesktopSettingsWatch> FSettingsWatch;
  // Our window that has the keyboard (the window manager's choice), or null.
  Fl_Window* FFocusWindow = nullptr;
};

TFltkWidgetSet* instance = nullptr;

// The place of Control among its parent's children.
int indexInParent(const TControl* Control) {
  const TWinControl* parent = Control->Parent();
  for (int i = 0; parent && i < parent->ControlCount(); ++i)
    if (parent->Controls(i) == Control) return i;
  return 0;
}

// Control's top left corner in its form's window: the toolkit places every
// widget relative to the window, whatever group holds it.
void originInWindow(const TControl* Control, std::int64_t& X, std::int64_t& Y) {
  X = Control->Left();
  Y = Control->Top();
  for (const TControl* p = Control->Parent(); p && p->Parent(); p = p->Parent()) {
    X += p->Left();
    Y += p->Top();
  }
}

TFltkWidgetSet::TFltkWidgetSet(std::unique_ptr<TX11Display> Connection) : FDisplay(std::move(Connection)) {
  Display* display = FDisplay->Handle();
  fl_open_display(display);
  FScreenWidth = DisplayWidth(display, DefaultScreen(display));
  FScreenHeight = DisplayHeight(display, DefaultScreen(display));
  Fl_Tooltip::color(static_cast<Fl_Color>(FltkColorOf(clInfoBk)));
  Fl_Tooltip::textcolor(static_cast<Fl_Color>(FltkColorOf(clInfoText)));
  if (Application) Fl_Window::default_xclass(Application->Title().c_str());
  FltkPlainLabelType();
  FSettingsWatch.emplace();
  instance = this;
}

// ---- Events ------------------------------------------------------------------------------

void TFltkWidgetSet::EventHandled(int Event, Fl_Window* Window) {
  if (Event == FL_FOCUS || Event == FL_UNFOCUS) WindowFocus(Event, Window);
  ApplyFocus();
}

void TFltkWidgetSet::WindowFocus(int Event, Fl_Window* Window) {
  auto* form = dynamic_cast<TCustomForm*>(MirrorControl(Window));
  if (Event == FL_UNFOCUS) {
    if (Window == FFocusWindow) FFocusWindow = nullptr;
    return;
  }
  if (!form) return;
  FFocusWindow = Window;
  // While a modal window runs, the others stay inactive.
  if (!Fl::modal() || Fl::modal() == Window) FeedActivate(form);
}

void TFltkWidgetSet::EventsDone() {
  ApplyFocus();
  if (!Application) return;
  // Moving between our own windows is no deactivation: the focus leaving one
  // and entering the other may arrive in separate reads, so losing it counts
  // only when it stays lost for a moment.
  if (FFocusWindow) {
    Fl::remove_timeout(&TFltkWidgetSet::DeactivateIfUnfocused, this);
    if (!Application->Active()) Application->RunGuarded(Application, [] { Application->Activate(); });
  } else if (Application->Active() && !Fl::has_timeout(&TFltkWidgetSet::DeactivateIfUnfocused, this)) {
    Fl::add_timeout(kDeactivationDelay, &TFltkWidgetSet::DeactivateIfUnfocused, this);
  }
}

void TFltkWidgetSet::DeactivateIfUnfocused(void* Data) {
  auto* self = static_cast<TFltkWidgetSet*>(Data);
  if (!self->FFocusWindow && Application && Application->Active())
    Application->RunGuarded(Application, [] { Application->Deactivate(); });
}

void TFltkWidgetSet::ApplyFocus() {
  // A menu holding the pointer keeps the focus until it closes.
  // Focusing a widget maps its window: iconified windows stay so.
  if (!Screen || Fl::grab() || (Application && Application->Minimized())) return;
  TCustomForm* form = Screen->ActiveCustomForm();
  Fl_Widget* window = WidgetOf(form);
  if (!window || (Fl::modal() && Fl::modal() != window)) return;
  Fl_Widget* target = form->ActiveControl() ? WidgetOf(form->ActiveControl()) : nullptr;
  Fl_Widget* focus = Fl::focus();
  if (!target) {
    if (focus != window) Fl::focus(window);
    return;
  }
  if (focus && target->contains(focus)) return;
  if (!target->take_focus()) Fl::focus(window);
}

// ---- Mirroring -------------------------------------------------------------------------------

void TFltkWidgetSet::FormShown(TCustomForm* Form, bool Modal) {
  if (FWindows.count(Form)) FormHidden(Form);
  TWindowPtr window(NewFormWindow(Form));
  FWidgets[Form] = window.get();
  for (int i = 0; i < Form->ControlCount(); ++i) Build(Form->Controls(i), window.get(), i);
  if (Modal) window->set_modal();
  Fl_Window* shown = window.get();
  FWindows.emplace(Form, std::move(window));
  shown->show();
  // The window exists on the server before anyone hears of its handle.
  XSync(fl_display, False);
}

void TFltkWidgetSet::FormHidden(TCustomForm* Form) { CloseWindow(Form); }

void TFltkWidgetSet::CloseWindow(const TControl* Form) {
  auto it = FWindows.find(Form);
  if (it == FWindows.end()) return;
  Fl_Window* window = it->second.get();
  if (window == FFocusWindow) FFocusWindow = nullptr;
  Forget(window);
  window->hide();
  FWindows.erase(it);
}

void TFltkWidgetSet::ControlChanged(TControl* Control, TControlChange Change) {
  if (Change == ccParent) {
    Rehome(Control);
    return;
  }
  Fl_Widget* widget = WidgetOf(Control);
  if (!widget) return;
  if (FWindows.count(Control)) {
    if (Change == ccBounds)
      widget->resize(coordinate(Control->Left()), coordinate(Control->Top()), std::max(extent(Control->Width()), 1),
                     std::max(extent(Control->Height()), 1));
    SyncMirror(widget);
    return;
  }
  if (!MirrorFits(widget, Control)) {
    Rebuild(Control);
    return;
  }
  switch (Change) {
    case ccFocus: ApplyFocus(); break;
    case ccBounds:
      Place(Control);
      SyncMirror(widget);
      break;
    case ccVisible:
      SyncMirror(widget);
      if (Fl_Group* parent = widget->parent()) parent->redraw();
      break;
    default: SyncMirror(widget); break;
  }
}

void TFltkWidgetSet::ControlDestroying(TControl* Control) {
  if (FWindows.count(Control))
    CloseWindow(Control);
  else
    Remove(Control);
}

void TFltkWidgetSet::Build(TControl* Control, Fl_Group* Group, int Index) {
  Fl_Widget* widget = NewMirrorWidget(Control);
  // Owned by the group from here on: the toolkit deletes children with it.
  Group->insert(*widget, std::clamp(Index, 0, Group->children()));
  FWidgets[Control] = widget;
  std::int64_t x = 0, y = 0;
  originInWindow(Control, x, y);
  widget->resize(coordinate(x), coordinate(y), extent(Control->Width()), extent(Control->Height()));
  SyncMirror(widget);
  Group->redraw();
  auto* win = dynamic_cast<TWinControl*>(Control);
  Fl_Group* children = MirrorChildGroup(widget);
  if (!win || !children) return;
  for (int i = 0; i < win->ControlCount(); ++i) Build(win->Controls(i), children, i);
}

void TFltkWidgetSet::Place(TControl* Control) {
  Fl_Widget* widget = WidgetOf(Control);
  if (!widget) return;
  std::int64_t x = 0, y = 0;
  originInWindow(Control, x, y);
  if (Fl_Group* parent = widget->parent()) parent->redraw();
  widget->resize(coordinate(x), coordinate(y), extent(Control->Width()), extent(Control->Height()));
  // A group moves its children along by the same amount; the model's
  // positions are applied anyway, so nothing rounds off.
  if (auto* win = dynamic_cast<TWinControl*>(Control))
    for (int i = 0; i < win->ControlCount(); ++i) Place(win->Controls(i));
}

void TFltkWidgetSet::Forget(Fl_Widget* Widget) {
  if (const TControl* control = MirrorControl(Widget)) FWidgets.erase(control);
  DetachMirror(Widget);
  if (MirrorChildGroup(Widget))
    for (int i = 0; i < Widget->as_group()->children(); ++i) Forget(Widget->as_group()->child(i));
}

void TFltkWidgetSet::Remove(TControl* Control) {
  Fl_Widget* widget = WidgetOf(Control);
  if (!widget) return;
  if (Fl::focus() && widget->contains(Fl::focus())) Fl::focus(widget->window());
  Forget(widget);
  if (Fl_Group* parent = widget->parent()) {
    parent->remove(widget);
    parent->redraw();
  }
  // Later: it may be the widget whose event handler is running.
  Fl::delete_widget(widget);
}

void TFltkWidgetSet::Rehome(TControl* Control) {
  Remove(Control);
  const TWinControl* parent = Control->Parent();
  Fl_Widget* parentWidget = parent ? WidgetOf(parent) : nullptr;
  if (Fl_Group* group = parentWidget ? MirrorChildGroup(parentWidget) : nullptr)
    Build(Control, group, indexInParent(Control));
}

void TFltkWidgetSet::Rebuild(TControl* Control) {
  Fl_Widget* widget = WidgetOf(Control);
  Fl_Group* group = widget ? widget->parent() : nullptr;
  if (!group) return;
  const int index = group->find(widget);
  Remove(Control);
  Build(Control, group, index);
}

TSize TFltkWidgetSet::TextExtent(const TFont& Font, std::string_view Text) const {
  int face = 0, size = 0;
  FltkFontOf(Font, face, size);
  fl_font(face, size);
  const double width =
      Text.empty() ? 0 : fl_width(Text.data(), static_cast<int>(std::min<std::size_t>(Text.size(), INT32_MAX)));
  return TSize{static_cast<std::int32_t>(std::min(std::ceil(width), double{INT32_MAX})), fl_height()};
}

unsigned long TFltkWidgetSet::WindowHandle(const TCustomForm* Form) const {
  Fl_Widget* widget = WidgetOf(Form);
  Fl_Window* window = widget ? widget->as_window() : nullptr;
  return window && window->shown() ? fl_xid(window) : 0;
}

// Keeps the shared object holding Code loaded until the process ends.
void keepLoaded(const void* Code) {
  Dl_info info{};
  if (!dladdr(Code, &info) || !info.dli_fname) return;
  if (void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
}

// The set lives as long as the process, never destroyed: the toolkit keeps
// using the display (its fonts, its windows) to the end, and forms
// destroyed while the library unloads still reach a working set. Once it
// is open the toolkit holds our windows and handlers, so this library stays
// loaded from then on.
TWidgetSet* openFltkWidgetSet() {
  alignas(TFltkWidgetSet) static unsigned char storage[sizeof(TFltkWidgetSet)];
  static TFltkWidgetSet* const set = []() -> TFltkWidgetSet* {
    // The toolkit ends the process when it can't open a display itself:
    // it only ever gets one that is open.
    auto display = std::make_unique<TX11Display>();
    if (!display->Opened()) return nullptr;
    keepLoaded(reinterpret_cast<const void*>(&openFltkWidgetSet));
    return ::new (storage) TFltkWidgetSet(std::move(display));
  }();
  return set;
}

void TFltkWidgetSet::ApplicationMinimized(bool Minimized) {
  for (const auto& [form, window] : FWindows) {
    if (!window->shown()) continue;
    if (Minimized)
      window->iconize();
    else
      window->show();
  }
}

// Real windows are preferred wherever a display opens. The toolkit itself
// is never unloaded: its static objects are made when it loads and never
// freed, so each reload of a host's plugin would leak them again.
[[maybe_unused]] const bool registered = (keepLoaded(reinterpret_cast<const void*>(static_cast<int (*)()>(&Fl::wait))),
                                          RegisterWidgetSet({"fltk", 10, &openFltkWidgetSet}), true);

}  // namespace

Fl_Widget* FltkWidgetOf(const TControl* Control) { return instance ? instance->WidgetOf(Control) : nullptr; }

}  // namespace rv
