#pragma once
// The standard message boxes, shown through a replaceable service. The
// headless service writes each box to standard error; an interactive widget
// set, once chosen, brings the form-based boxes.

#include <cstdint>
#include <string>

#include "platform/classes/Object.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TMsgDlgType, std::uint8_t, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
RV_ENUM(TMsgDlgBtn, std::uint8_t, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll,
        mbHelp)
using TMsgDlgButtons = Set<TMsgDlgBtn, std::uint16_t>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// The modal result a button gives (mbHelp gives none: it doesn't close).
TModalResult ModalResultOf(TMsgDlgBtn Button);

// Button sets and icons of TApplication::MessageBox; its answers are the
// modal results (IDOK = mrOk ... IDNO = mrNo).
constexpr std::uint32_t MB_OK = 0x00;
constexpr std::uint32_t MB_OKCANCEL = 0x01;
constexpr std::uint32_t MB_ABORTRETRYIGNORE = 0x02;
constexpr std::uint32_t MB_YESNOCANCEL = 0x03;
constexpr std::uint32_t MB_YESNO = 0x04;
constexpr std::uint32_t MB_RETRYCANCEL = 0x05;
constexpr std::uint32_t MB_ICONERROR = 0x10;
constexpr std::uint32_t MB_ICONQUESTION = 0x20;
constexpr std::uint32_t MB_ICONWARNING = 0x30;
constexpr std::uint32_t MB_ICONINFORMATION = 0x40;

class TMessageBoxService {
 public:
  virtual ~TMessageBoxService() = default;
  // Shows a modal box and returns the modal result of the button chosen.
  virtual TModalResult Show(const std::string& Caption, const std::string& Text, TMsgDlgType DlgType,
                            TMsgDlgButtons Buttons, int HelpCtx) = 0;
};

// Writes "<caption>: <text>" to standard error and answers with the result
// of the first button, in the set's order, that closes the box (mrNone when
// none does).
class THeadlessMessageBoxes : public TMessageBoxService {
 public:
  TModalResult Show(const std::string& Caption, const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                    int HelpCtx) override;
};

// The service in use (headless until one is installed). Not owned.
TMessageBoxService* MessageBoxService();
// Installs a service (null: the headless one); returns the previous one.
TMessageBoxService* SetMessageBoxService(TMessageBoxService* Value);
THeadlessMessageBoxes& HeadlessMessageBoxes();
// Message boxes as modal forms: the icon of the box's type, the text and
// the buttons of the set; the answer is the modal result of the button
// chosen (closing the window gives mrCancel). From a worker thread the box
// is shown on the GUI thread.
TMessageBoxService& FormMessageBoxes();

// A box of the given type with its standard caption ("Warning", "Error",
// "Information", "Confirm"; mtCustom: the application's title).
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// An OK box titled with the application's title.
void ShowMessage(const std::string& Msg);

}  // namespace rv
