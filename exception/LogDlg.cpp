#include "exception/LogDlg.h"

#include "platform/classes/FormFile.h"
#include "platform/classes/Published.h"

namespace RV_API rv {

const TClass& TfrmVEVirErrorDialog::StaticClass() {
  static const TClass cls = TClassBuilder<TfrmVEVirErrorDialog>("TfrmVEVirErrorDialog")
                                .Method("btnGoWEBClick", &TfrmVEVirErrorDialog::btnGoWEBClick)
                                .Method("btnEmailClick", &TfrmVEVirErrorDialog::btnEmailClick)
                                .Field("btnClose", &TfrmVEVirErrorDialog::btnClose)
                                .Field("btnEmail", &TfrmVEVirErrorDialog::btnEmail)
                                .Field("cbAttachScreenshot", &TfrmVEVirErrorDialog::cbAttachScreenshot)
                                .Field("btnGoWEB", &TfrmVEVirErrorDialog::btnGoWEB)
                                .Field("pnlHeader", &TfrmVEVirErrorDialog::pnlHeader)
                                .Field("imgError", &TfrmVEVirErrorDialog::imgError)
                                .Field("lblHeader", &TfrmVEVirErrorDialog::lblHeader)
                                .Field("gbExceptionReason", &TfrmVEVirErrorDialog::gbExceptionReason)
                                .Field("lblErrorText", &TfrmVEVirErrorDialog::lblErrorText)
                                .Field("lblProductSite", &TfrmVEVirErrorDialog::lblProductSite)
                                .Build();
  return cls;
}

TfrmVEVirErrorDialog::TfrmVEVirErrorDialog(TComponent* AOwner) : TForm(AOwner) {
  ReadComponentResource("TFRMQVLOGERRORDIALOG", this);
}

void TfrmVEVirErrorDialog::btnGoWEBClick(TObject* Sender) {
  if (FOnActivateWeb) FOnActivateWeb(Sender);
}

void TfrmVEVirErrorDialog::btnEmailClick(TObject* Sender) {
  if (FOnActivateMail) FOnActivateMail(Sender, cbAttachScreenshot->Checked() && cbAttachScreenshot->Visible());
}

}  // namespace rv
