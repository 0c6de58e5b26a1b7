#pragma once
// The real-window widget set: every shown form is a window on the X display
// and every control on it a toolkit widget (FLTK 1.3), positioned, drawn and
// answering input as the model says (see WidgetSet.h). The widget-set
// holder chooses it the first time the widget set is asked for, when a
// display opens; it then also installs its message boxes.

#include <string>

#include "platform/forms/Messages.h"

namespace rv {

class TControl;
class TCustomForm;
class TMessageBoxService;
class TWidgetSet;

// Opens the display DISPLAY names and, when that works, hands it to the
// toolkit and returns the real-window set, which lives until the library
// unloads; null without a display (the toolkit is never touched then).
// Later calls give the first answer. GUI thread only.
TWidgetSet* OpenFltkWidgetSet();

// Message boxes as modal forms: the icon of the box's type, the text and
// the buttons of the set; the answer is the modal result of the button
// chosen (closing the window gives mrCancel). From a worker thread the box
// is shown on the GUI thread.
TMessageBoxService& FltkMessageBoxes();

// ---- What the windows show, for tests and diagnostics (GUI thread) ----

struct TFltkWidgetState {
  std::string Kind;      // the toolkit class: "Fl_Button", "Fl_Double_Window"...
  TRect Bounds;          // a window's on the screen, a widget's in its window
  bool Visible = false;  // drawn: the widget and all around it are visible
  bool Enabled = false;  // takes input: the widget and all around it are active
  std::string Label;     // as given to the toolkit ('&' marks kept)
  std::string Tooltip;   // as given to the toolkit ("" for none)
  std::string Text;      // an edit's or memo's text, a list's item, a picture's "WxH"
  int Value = 0;         // a check box's state, a list's index
  bool Focused = false;  // has the toolkit's keyboard focus
  bool Modal = false;    // a window that blocks the others
};

// The state of the widget (or window) mirroring Control; false when the
// real-window set doesn't show it.
bool GetFltkWidgetState(const TControl* Control, TFltkWidgetState& State);
// The X window of a shown form; 0 when the form has no window (yet).
unsigned long FltkWindowHandle(const TCustomForm* Form);

}  // namespace rv
