#pragma once
// What the real windows show, for tests and diagnostics (GUI thread).

#include <string>

#include "platform/forms/Controls.h"

namespace rv {

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
  int LabelFace = 0;     // the toolkit font the label is drawn in
  int LabelSize = 0;     // its pixel size
  // What the label takes drawn in that font: wrapped at the widget's width
  // when it wraps, else on its own lines.
  TSize LabelExtent;
};

// The state of the widget (or window) mirroring Control; false when the
// real-window set doesn't show it.
bool GetFltkWidgetState(const TControl* Control, TFltkWidgetState& State);

}  // namespace rv
