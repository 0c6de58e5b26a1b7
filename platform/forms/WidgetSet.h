#pragma once
// TWidgetSet: the window system as the framework sees it. Widget sets are
// modules that register themselves (RegisterWidgetSet); the first time a
// window shows, or the set is asked for (WidgetSet()), the registered set
// that prefers itself most and can work here (a display opens) is chosen,
// else the headless set (no display, no windows). Until then the headless
// set hears the model, so building forms never connects to a display.
//
// Forms and controls are model objects that own all their state; a widget
// set only mirrors them:
// - When a form is shown (FormShown) it builds the form's window from the
//   model: the form's bounds, caption, border style and icon, and for each
//   control inside (Controls(i), recursively) a widget of its kind with the
//   control's bounds (relative to its parent), text, font, colour,
//   visibility, enabled state, hint (shown when ShowHint), cursor and what
//   is special to the kind (check state, lines, items, picture...).
// - After that it hears every change of mirrored state (ControlChanged with
//   what changed), also of controls added to a shown form (ccParent), and
//   reads the new state from the model. ControlDestroying comes once per
//   control when its destruction starts, a parent's before its children's.
// - A modal form is shown with Modal set; ShowModal then runs
//   Application->HandleMessage(), which asks the set to dispatch its events
//   through the event loop (EventLoop.h), whose backend is the set's, until
//   the form's ModalResult is set; FormHidden follows.
// - What the user does goes back into the model through the Feed functions
//   below, never by changing the widgets' own state: the model reacts, then
//   tells the set what to show. Keys go to the focused widget first; those
//   the focused control doesn't want (TWinControl::WantsKey) go to FeedKey.
//   The model moves the focus itself (ccFocus), so the set turns off its
//   toolkit's own keyboard navigation.
// - Texts: '&' in a caption marks an accelerator ("&&" is an '&'); TLabel
//   only when ShowAccelChar. Colours may be system colours (ColorToRGB).
//
// Everything here runs on the GUI thread except Name and the screen size.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/EventLoop.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TComboBox;
class TCustomForm;

class TWidgetSet {
 public:
  virtual ~TWidgetSet() = default;

  virtual std::string Name() const = 0;
  // Waiting and dispatching the window system's events; the default has
  // no window system (PollEventBackend). Handlers of the events run guarded
  // (TApplication::RunGuarded). GUI thread only.
  virtual TEventBackend& EventBackend() { return PollEventBackend(); }
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  // True when a user can see windows and answer them. Without one (the
  // headless set) nothing would ever close a dialog that waits for a user,
  // so components that would show one choose a non-interactive way instead.
  virtual bool Interactive() const { return false; }
  // Application->Minimize()/Restore(): iconify or restore the forms' windows
  // (the default has none).
  virtual void ApplicationMinimized(bool Minimized);

  // ---- Mirroring the model (the defaults ignore it) ----
  virtual void FormShown(TCustomForm* Form, bool Modal);
  virtual void FormHidden(TCustomForm* Form);
  virtual void ControlChanged(TControl* Control, TControlChange Change);
  virtual void ControlDestroying(TControl* Control);
  // The size of one line of text in the font, for controls that size
  // themselves. The default is a fixed metric: a line is the font's pixel
  // height plus a fifth, a space is 3/11 of it wide and other characters
  // 6/11 (8-point text: 13 pixels high, spaces 3 wide, others 6).
  virtual TSize TextExtent(const TFont& Font, std::string_view Text) const;
  // The window system's handle of a shown form's window (an X window); 0
  // when the form has no window.
  virtual unsigned long WindowHandle(const TCustomForm*) const { return 0; }
};

// A widget set module. Open returns its set, which lives until the library
// unloads, or null when it can't work here (no display); it is called at
// most once, on the GUI thread. Modules with a higher Preference are tried
// first.
struct TWidgetSetModule {
  std::string Name;
  int Preference = 0;
  TWidgetSet* (*Open)() = nullptr;
};
// Modules register while the library loads (a static object of theirs).
void RegisterWidgetSet(const TWidgetSetModule& Module);
// The names of the registered modules, most preferred first.
std::vector<std::string> RegisteredWidgetSets();

// The widget set in use. Not owned: an installed set outlives its use. The
// first call on the GUI thread chooses one (see above) and, when the set
// is Interactive, puts the form-based message boxes in place of the
// headless ones; off the GUI thread it is the set chosen so far.
TWidgetSet* WidgetSet();
// The set chosen so far, without choosing: the headless one before the
// first window shows. What only mirrors the model asks this one.
TWidgetSet* CurrentWidgetSet();
// Installs a widget set (null: the headless one); returns the previous one.
// Installing one before the first choice means there is none: nothing
// connects to a display then.
TWidgetSet* SetWidgetSet(TWidgetSet* Value);
TWidgetSet* HeadlessWidgetSet();

// ---- User actions fed back into the model ----
// Each runs the model's reaction through Application->RunGuarded with the
// control (or form) as Sender, so an exception from an event handler goes to
// the application's handler and the loop goes on.

// A click on a button, label, image or panel; a check box toggles.
void FeedClick(TControl* Control);
// The user changed the text of an edit, memo or combo box.
void FeedText(TControl* Control, const std::string& Text);
// The user picked an item of a combo box's list.
void FeedSelect(TComboBox* ComboBox, int ItemIndex);
// A key the focused control didn't want (TCustomForm::HandleKey); true when
// the form used it.
bool FeedKey(TCustomForm* Form, std::uint16_t Key, TShiftState Shift);
// The user put the focus into a control (clicked into it).
void FeedFocus(TWinControl* Control);
// The window manager activated a form's window.
void FeedActivate(TCustomForm* Form);
// The close box of a form's window (TCustomForm::Close).
void FeedClose(TCustomForm* Form);
// No window of ours has the input focus any more (a move between two of our
// own windows is none): the application is deactivated. FeedActivate
// activates it again.
void FeedDeactivate();
// The window manager iconified or restored a form's window: the application
// is minimized or restored.
void FeedIconify(TCustomForm* Form, bool Iconic);
// The pointer entered or left a control: the application's Hint follows the
// short part of its hint (or its nearest parent's). A WM_MOUSEMOVE passes
// OnMessage first.
void FeedPointerEnter(TControl* Control);
void FeedPointerLeave(TControl* Control);
// Before a control's tooltip shows: Info is filled in from the control and
// the positions given, and OnShowHint may change it. True when the tooltip
// is to show Info.HintStr.
bool FeedHintShowing(TControl* Control, TPoint CursorPos, TPoint HintPos, THintInfo& Info);

}  // namespace rv
