#include "testing/forms/FltkWidgetState.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "platform/fltk/FltkMirror.h"

namespace rv {

bool GetFltkWidgetState(const TControl* Control, TFltkWidgetState& State) {
  Fl_Widget* widget = FltkWidgetOf(Control);
  if (!widget) return false;
  State = TFltkWidgetState{};
  State.Kind = MirrorKind(widget);
  State.Bounds = TRect{widget->x(), widget->y(), widget->x() + widget->w(), widget->y() + widget->h()};
  Fl_Window* window = widget->as_window();
  State.Visible = widget->visible_r() && (window ? window->shown() : widget->window() && widget->window()->shown());
  State.Enabled = widget->active_r();
  State.Label = widget->label() ? widget->label() : "";
  State.Tooltip = widget->tooltip() ? widget->tooltip() : "";
  MirrorContent(widget, State.Text, State.Value);
  Fl_Widget* focus = Fl::focus();
  State.Focused = window ? focus == window : focus && widget->contains(focus);
  State.Modal = window && window->modal();
  State.LabelFace = widget->labelfont();
  State.LabelSize = widget->labelsize();
  if (widget->label() && *widget->label()) {
    fl_font(widget->labelfont(), widget->labelsize());
    int width = (widget->align() & FL_ALIGN_WRAP) ? widget->w() : 0, height = 0;
    fl_measure(widget->label(), width, height, 0);
    State.LabelExtent = TSize{width, height};
  }
  return true;
}

}  // namespace rv
