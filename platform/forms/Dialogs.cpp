#include "platform/forms/Dialogs.h"

#include <cstdio>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Service.h"

namespace RV_API rv {

namespace {

// Nothing is installed while the headless service is in use, which is
// created on first use so that boxes shown while the library loads or
// unloads still work.
TService<TMessageBoxService> messageBoxes([]() -> TMessageBoxService& { return HeadlessMessageBoxes(); });

std::string captionOf(TMsgDlgType DlgType) {
  switch (DlgType) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    case mtCustom: break;
  }
  return Application ? Application->Title() : std::string();
}

}  // namespace

TModalResult ModalResultOf(TMsgDlgBtn Button) {
  switch (Button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: break;
  }
  return mrNone;
}

TModalResult THeadlessMessageBoxes::Show(const std::string& Caption, const std::string& Text, TMsgDlgType,
                                         TMsgDlgButtons Buttons, int) {
  std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
  for (unsigned b = mbYes; b <= mbHelp; ++b) {
    auto button = static_cast<TMsgDlgBtn>(b);
    if (Buttons.Contains(button) && ModalResultOf(button) != mrNone) return ModalResultOf(button);
  }
  return mrNone;
}

TMessageBoxService* MessageBoxService() {
  // The real-window set installs its boxes when it is chosen, which happens
  // the first time the widget set is asked for: ask first.
  if (IsMainThread()) WidgetSet();
  return &messageBoxes.Get();
}

TMessageBoxService* SetMessageBoxService(TMessageBoxService* Value) {
  TMessageBoxService* previous = messageBoxes.Install(Value == &HeadlessMessageBoxes() ? nullptr : Value);
  return previous ? previous : &HeadlessMessageBoxes();
}

THeadlessMessageBoxes& HeadlessMessageBoxes() {
  static THeadlessMessageBoxes headless;
  return headless;
}

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  return MessageBoxService()->Show(captionOf(DlgType), Msg, DlgType, Buttons, HelpCtx);
}

void ShowMessage(const std::string& Msg) { MessageBoxService()->Show(captionOf(mtCustom), Msg, mtCustom, {mbOK}, 0); }

}  // namespace rv
