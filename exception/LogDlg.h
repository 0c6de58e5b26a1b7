#pragma once
// Unit LogDlg: the extended error dialog. It only lays out its controls and
// forwards its two actions; the exception log sets its texts and visibility
// and supplies the callbacks.

#include "platform/classes/Events.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

using TQVOnActivateMail = Closure<void(TObject* Sender, bool IncludeScreenshot)>;

class TfrmVEVirErrorDialog : public TForm {
  RV_CLASS(TfrmVEVirErrorDialog, TForm)
 public:
  // Reads its layout from the form resource "TFRMQVLOGERRORDIALOG".
  explicit TfrmVEVirErrorDialog(TComponent* AOwner);

  // The controls, in the form's field order; owned by the form.
  TButton* btnClose = nullptr;
  TButton* btnEmail = nullptr;
  TCheckBox* cbAttachScreenshot = nullptr;
  TButton* btnGoWEB = nullptr;
  TPanel* pnlHeader = nullptr;
  TImage* imgError = nullptr;
  TLabel* lblHeader = nullptr;
  TGroupBox* gbExceptionReason = nullptr;
  TMemo* lblErrorText = nullptr;
  TLabel* lblProductSite = nullptr;

  const TNotifyEvent& OnActivateWeb() const { return FOnActivateWeb; }
  void SetOnActivateWeb(TNotifyEvent Value) { FOnActivateWeb = std::move(Value); }
  const TQVOnActivateMail& OnActivateMail() const { return FOnActivateMail; }
  void SetOnActivateMail(TQVOnActivateMail Value) { FOnActivateMail = std::move(Value); }

  // Click handlers of the layout; the dialog stays open. The web handler
  // serves both the web button and the link.
  void btnGoWEBClick(TObject* Sender);
  // Passes whether the screenshot box is ticked and visible.
  void btnEmailClick(TObject* Sender);

 private:
  TNotifyEvent FOnActivateWeb;
  TQVOnActivateMail FOnActivateMail;
};

}  // namespace rv
