#include "platform/forms/Screen.h"

#include "platform/classes/Published.h"
#include "platform/forms/WidgetSet.h"

namespace RV_API rv {

TScreen* Screen = nullptr;

namespace {

struct GlobalScreen {
  GlobalScreen() { Screen = new TScreen(nullptr); }
  ~GlobalScreen() {
    delete Screen;
    Screen = nullptr;
  }
};
GlobalScreen globalScreen;

}  // namespace

const TClass& TScreen::StaticClass() {
  static const TClass cls = TClassBuilder<TScreen>("TScreen").Build();
  return cls;
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

int TScreen::Width() const { return WidgetSet()->ScreenWidth(); }

int TScreen::Height() const { return WidgetSet()->ScreenHeight(); }

void TScreen::SetActiveForm(TCustomForm* ACustomForm, TForm* AForm) {
  FActiveForm = AForm;
  if (FActiveCustomForm == ACustomForm) return;
  FActiveCustomForm = ACustomForm;
  if (FOnActiveFormChange) FOnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* AControl) {
  if (FActiveControl == AControl) return;
  FActiveControl = AControl;
  if (FOnActiveControlChange) FOnActiveControlChange(this);
}

}  // namespace rv
