#pragma once
// TScreen: the screen object. It knows the active form and control and
// tells about their changes; the forms layer keeps it up to date.

#include "platform/classes/Component.h"
#include "platform/classes/EventSlot.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TForm;
class TCustomForm;
class TWinControl;

class TScreen : public TComponent {
  RV_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* AOwner);

  // The active form when it is a TForm; ActiveCustomForm is any kind of form.
  TForm* ActiveForm() const { return FActiveForm; }
  TCustomForm* ActiveCustomForm() const { return FActiveCustomForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }

  TNotifyEvent OnActiveControlChange() const { return FOnActiveControlChange.Handler(); }
  void SetOnActiveControlChange(TNotifyEvent Value) { FOnActiveControlChange.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnActiveControlChangeSlot() { return FOnActiveControlChange; }
  TNotifyEvent OnActiveFormChange() const { return FOnActiveFormChange.Handler(); }
  void SetOnActiveFormChange(TNotifyEvent Value) { FOnActiveFormChange.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnActiveFormChangeSlot() { return FOnActiveFormChange; }

  // In pixels, from the widget set (0 without a display).
  int Width() const;
  int Height() const;

  // Framework-internal: the forms layer reports focus changes here (and
  // clears a form or control it destroys). OnActiveFormChange and
  // OnActiveControlChange follow a change, with the screen as Sender. AForm
  // is ACustomForm when that is a TForm, else null.
  void SetActiveForm(TCustomForm* ACustomForm, TForm* AForm);
  void SetActiveControl(TWinControl* AControl);

 private:
  TForm* FActiveForm = nullptr;
  TCustomForm* FActiveCustomForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TEventSlot<TNotifyEvent> FOnActiveControlChange;
  TEventSlot<TNotifyEvent> FOnActiveFormChange;
};

// The screen object: created when the library loads, destroyed when it
// unloads.
extern TScreen* Screen;

}  // namespace rv
