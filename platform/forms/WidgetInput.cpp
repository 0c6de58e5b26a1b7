// What the user does, fed back into the model by a widget set.

#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"

namespace rv {

void FeedClick(TControl* Control) {
  Application->RunGuarded(Control, [&] { Control->UserClick(); });
}

void FeedText(TControl* Control, const std::string& Text) {
  Application->RunGuarded(Control, [&] { Control->UserText(Text); });
}

void FeedSelect(TComboBox* ComboBox, int ItemIndex) {
  Application->RunGuarded(ComboBox, [&] { ComboBox->UserSelect(ItemIndex); });
}

bool FeedKey(TCustomForm* Form, std::uint16_t Key, TShiftState Shift) {
  bool used = false;
  Application->RunGuarded(Form, [&] { used = Form->HandleKey(Key, Shift); });
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
}

void FeedClose(TCustomForm* Form) {
  Application->RunGuarded(Form, [&] { Form->Close(); });
}

}  // namespace rv
