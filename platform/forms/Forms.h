#pragma once
// Forms: TCustomForm, a top-level window holding controls, and TForm, the
// class forms are declared from. A form shows and hides, becomes the
// screen's active form, keeps the control that has its focus, handles the
// dialog keys, and runs modally.
//
// A form class created in code loads its layout from a form resource with
// ReadComponentResource(Name, this) (FormFile.h) in its constructor: the
// reader creates the stored controls, owned by the form, puts them into the
// form's published fields of the same names and binds stored callbacks to
// the form's published methods by name.
//
// GUI thread only.

#include <cstdint>
#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TButton;

RV_ENUM(TPosition, std::uint8_t, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
        poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
RV_ENUM(TCloseAction, std::uint8_t, caNone, caHide, caFree)

using TCloseEvent = Closure<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = Closure<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  RV_CLASS(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* AOwner);
  // The previous active form becomes active again when this one was.
  ~TCustomForm() override;

  // ---- Properties ----
  // The control that has the form's focus (also while the form is not
  // active), or null. Raises EInvalidOperation for a control on another form
  // or one that can't take the focus (checked once loading is done).
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  // Owned by the form: the window's icon.
  TIcon* Icon() const { return FIcon.get(); }
  // Where the form appears when shown: centred ones are centred on the
  // screen (or on their owner form) each time they are shown; without a
  // screen size (headless) the stored position stays.
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  // Set while the form runs modally to end ShowModal with that result.
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  // Running in ShowModal.
  bool Modal() const { return FModal; }
  // The screen's active form.
  bool Active() const;

  // ---- Showing ----
  // True shows the form (OnShow, then it becomes visible and active); an
  // already visible form is made active. False hides it (OnHide after), and
  // the form that was active before it becomes active again. Kept while
  // loading and applied at the end.
  void SetVisible(bool Value) override;
  // Activates a visible form.
  void SetFocus() override;
  // A modal form ends with mrCancel. Otherwise OnCloseQuery may refuse,
  // OnClose chooses the action (caHide by default; caFree also destroys
  // the form later, from the application's queue).
  void Close();
  // OnCloseQuery's answer (true without a handler).
  bool CloseQuery();
  // Shows the form and handles the application's messages
  // (Application->HandleMessage) until ModalResult is set, then hides it and
  // returns the result. Closing or hiding the form, or terminating the
  // application, ends it with mrCancel. Raises EInvalidOperation "Cannot
  // make a visible window modal" for a visible or disabled form.
  TModalResult ShowModal();
  // Destroys the form once the messages being handled are done.
  void Release();

  // ---- Keys ----
  // A key the focused control didn't take (see TWinControl::WantsKey): Tab
  // (with Shift: backwards) moves the focus, Enter clicks the focused button
  // or else the Default one, Esc the Cancel one, Space clicks the focused
  // button or toggles the focused check box, and a letter or digit (with
  // Alt, or while the focus is not in a text control) clicks the button or
  // toggles the check box whose caption marks it with '&'. True when the
  // key was used.
  bool HandleKey(std::uint16_t Key, TShiftState Shift);

  // ---- Focus (framework) ----
  // Makes Control the form's focused control, the screen's too when the form
  // is active, activating a visible inactive form.
  void FocusControl(TWinControl* Control);
  // Control (or a control inside it) can't keep the focus: the form has no
  // focused control then.
  void DefocusControl(TWinControl* Control);

  // ---- Events ----
  TNotifyEvent OnActivate() const { return FOnActivate; }
  void SetOnActivate(TNotifyEvent Value) { FOnActivate = std::move(Value); }
  TCloseEvent OnClose() const { return FOnClose; }
  void SetOnClose(TCloseEvent Value) { FOnClose = std::move(Value); }
  TCloseQueryEvent OnCloseQuery() const { return FOnCloseQuery; }
  void SetOnCloseQuery(TCloseQueryEvent Value) { FOnCloseQuery = std::move(Value); }
  TNotifyEvent OnDeactivate() const { return FOnDeactivate; }
  void SetOnDeactivate(TNotifyEvent Value) { FOnDeactivate = std::move(Value); }
  TNotifyEvent OnHide() const { return FOnHide; }
  void SetOnHide(TNotifyEvent Value) { FOnHide = std::move(Value); }
  TNotifyEvent OnShow() const { return FOnShow; }
  void SetOnShow(TNotifyEvent Value) { FOnShow = std::move(Value); }

  void Loaded() override;

 protected:
  void VisibleChanged() override;

 private:
  void BecomeActive();
  void ApplyPosition();
  void CloseModal();
  TButton* FindButton(bool (TButton::*Flag)() const) const;
  bool HandleAccelerator(char Key);

  TWinControl* FActiveControl = nullptr;
  TFormBorderStyle FBorderStyle = bsSizeable;
  std::unique_ptr<TIcon> FIcon;
  TPosition FPosition = poDesigned;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FShowWhenLoaded = false;
  // Lives exactly as long as the form: Release's queued call checks it.
  std::shared_ptr<char> FLifeToken = std::make_shared<char>();
  TNotifyEvent FOnActivate;
  TCloseEvent FOnClose;
  TCloseQueryEvent FOnCloseQuery;
  TNotifyEvent FOnDeactivate;
  TNotifyEvent FOnHide;
  TNotifyEvent FOnShow;
};

class TForm : public TCustomForm {
  RV_CLASS(TForm, TCustomForm)
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

}  // namespace rv
