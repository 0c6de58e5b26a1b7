#pragma once
// Private to the real-window widget set: the widgets that mirror forms and
// controls, and the conversions between the model and the toolkit. Only the
// toolkit's class names appear here; its headers stay in the .cpp files.

#include <cstdint>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/rtl/Export.h"

class Fl_Group;
class Fl_Widget;
class Fl_Window;

namespace RV_API rv {

class TCustomForm;

// ---- Conversions (FltkConvert.cpp) ----

// The toolkit's face and pixel size for a font (its style picks bold and
// italic faces; underline and strike-out are drawn by the widgets).
void FltkFontOf(const TFont& Font, int& Face, int& Size);
// A model colour (system colours resolved) as a toolkit colour.
unsigned FltkColorOf(TColor Color);
// The virtual-key code and shift state of the toolkit's current key event;
// 0 for keys the model has no code for (modifiers alone, for one).
std::uint16_t FltkEventKey(TShiftState& Shift);
// The toolkit cursor for a model cursor.
int FltkCursorOf(TCursor Cursor);
// Registers the label type every mirrored widget uses: text without the
// toolkit's '@' symbols, so captions show as written. Returns it.
int FltkPlainLabelType();
// A text for the toolkit's tooltips, which read '@' as a symbol.
std::string FltkTooltipText(const std::string& Text);

// The widget (or window) mirroring Control in the real-window set; null
// when it shows none.
Fl_Widget* FltkWidgetOf(const TControl* Control);

// ---- Mirror widgets (FltkMirrored.cpp, FltkFormWindow.cpp) ----

// The form's window (not shown yet), sized and placed from the model, with
// no children.
Fl_Window* NewFormWindow(TCustomForm* Form);
// A widget of the control's kind, not placed in any group yet.
Fl_Widget* NewMirrorWidget(TControl* Control);
// The control a widget mirrors (or a form its window), null for other
// widgets and for mirrors whose control is gone.
TControl* MirrorControl(const Fl_Widget* Widget);
// The group that holds the widgets of the control's children: the widget
// itself for containers and windows, else null.
Fl_Group* MirrorChildGroup(Fl_Widget* Widget);
// True while the widget is of the kind the control's state asks for (a
// read-only memo and an editable one, for example, are different widgets).
bool MirrorFits(const Fl_Widget* Widget, const TControl* Control);
// Reads the control's state into its widget: everything but its bounds,
// its place among its siblings and the keyboard focus.
void SyncMirror(Fl_Widget* Widget);
// The control is going: the widget ignores input from now on.
void DetachMirror(Fl_Widget* Widget);
// A short name of the widget's toolkit class, for tests.
std::string MirrorKind(const Fl_Widget* Widget);
// The text and value a widget shows: an input's text, a memo's lines, a
// list's selected item; a check box's value or a list's index.
void MirrorContent(const Fl_Widget* Widget, std::string& Text, int& Value);

}  // namespace rv
