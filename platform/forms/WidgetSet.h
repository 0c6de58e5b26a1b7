#pragma once
// TWidgetSet: the window system as the framework sees it. The headless set
// (no display, no windows) is in use until another one is installed; the
// real-window set installs itself when a display opens.
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
//   (ProcessEvents) and to wait (Wait), until the form's ModalResult is set;
//   FormHidden follows.
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

#include "platform/forms/Controls.h"

namespace rv {

class TComboBox;
class TCustomForm;

class TWidgetSet {
 public:
  virtual ~TWidgetSet() = default;

  virtual std::string Name() const = 0;
  // Returns when WakeFd is readable, the window system has events, or
  // TimeoutMs passed (-1: no time limit). GUI thread only.
  virtual void Wait(int WakeFd, int TimeoutMs) = 0;
  // Dispatches the pending window-system events; true when there were any.
  // Handlers run guarded (TApplication::RunGuarded).
  virtual bool ProcessEvents() = 0;
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
};

// The widget set in use. Not owned: an installed set outlives its use. The
// first call on the GUI thread chooses: the real-window set when a display
// opens (WidgetSetFltk.h), else the headless one; before that, and without
// a display, it is the headless one.
TWidgetSet* WidgetSet();
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
