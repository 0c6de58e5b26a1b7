// What the user does, fed back into the model by a widget set.

#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/graphics/Graphics.h"

namespace RV_API rv {

namespace {

// The message the input stands for, addressed to the control's window.
TMsg inputMessage(const TObject* Target, std::uint32_t Message, WPARAM WParam = 0) {
  TMsg msg;
  msg.hwnd = reinterpret_cast<THandle>(Target);
  msg.message = Message;
  msg.wParam = WParam;
  return msg;
}

// A control without a hint shows its parent's.
std::string hintOf(const TControl* Control) {
  for (const TControl* c = Control; c; c = c->Parent())
    if (!c->Hint().empty()) return c->Hint();
  return {};
}

}  // namespace

void FeedClick(TControl* Control) {
  Application->RunGuarded(Control, [&] {
    TMsg msg = inputMessage(Control, WM_LBUTTONUP);
    if (!Application->FilterInput(msg)) Control->UserClick();
  });
}

void FeedText(TControl* Control, const std::string& Text) {
  Application->RunGuarded(Control, [&] { Control->UserText(Text); });
}

void FeedSelect(TComboBox* ComboBox, int ItemIndex) {
  Application->RunGuarded(ComboBox, [&] { ComboBox->UserSelect(ItemIndex); });
}

bool FeedKey(TCustomForm* Form, std::uint16_t Key, TShiftState Shift) {
  bool used = false;
  Application->RunGuarded(Form, [&] {
    TMsg msg = inputMessage(Form, WM_KEYDOWN, Key);
    used = Application->FilterInput(msg) || Form->HandleKey(Key, Shift);
  });
  return used;
}

void FeedFocus(TWinControl* Control) {
  // A click into a control that can't take the focus leaves it where it is.
  Application->RunGuarded(Control, [&] {
    if (Control->CanFocus()) Control->SetFocus();
  });
}

void FeedActivate(TCustomForm* Form) {
  Application->RunGuarded(Form, [&] {
    if (Form->Visible() && Form->Enabled()) Form->SetFocus();
  });
  Application->RunGuarded(Application, [] { Application->Activate(); });
}

void FeedDeactivate() {
  Application->RunGuarded(Application, [] { Application->Deactivate(); });
}

void FeedIconify(TCustomForm* Form, bool Iconic) {
  Application->RunGuarded(Form, [&] {
    if (Iconic)
      Application->Minimize();
    else
      Application->Restore();
  });
}

void FeedClose(TCustomForm* Form) {
  Application->RunGuarded(Form, [&] { Form->Close(); });
}

void FeedPointerEnter(TControl* Control) {
  Application->RunGuarded(Control, [&] {
    TMsg msg = inputMessage(Control, WM_MOUSEMOVE);
    if (!Application->FilterInput(msg)) Application->SetHint(GetShortHint(hintOf(Control)));
  });
}

void FeedPointerLeave(TControl* Control) {
  Application->RunGuarded(Control, [] { Application->SetHint({}); });
}

bool FeedHintShowing(TControl* Control, TPoint CursorPos, TPoint HintPos, THintInfo& Info) {
  Info = THintInfo{};
  Info.HintControl = Control;
  Info.HintPos = HintPos;
  Info.HintMaxWidth = CurrentWidgetSet()->ScreenWidth();
  Info.HintColor = clInfoBk;
  Info.CursorRect = Control->ClientRect();
  Info.CursorPos = CursorPos;
  Info.HintStr = GetShortHint(hintOf(Control));
  if (!Control->ShowHint() || Info.HintStr.empty()) return false;
  bool canShow = true;
  // The text is the record's own, so a handler may change either.
  Application->RunGuarded(Control, [&] { Application->DoShowHint(Info.HintStr, canShow, Info); });
  return canShow && !Info.HintStr.empty();
}

}  // namespace rv
