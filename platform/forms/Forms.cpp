// TCustomForm and TForm: showing, activation, focus, closing, the modal loop
// and the dialog keys.

#include "platform/forms/Forms.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

#include "platform/classes/Published.h"
#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Screen.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

// The visible forms, the most recently active last: when the active form
// goes, the one before it becomes active again. GUI thread only.
std::vector<TCustomForm*>& shownForms() {
  static std::vector<TCustomForm*> forms;
  return forms;
}

bool isShown(const TCustomForm* form) {
  const std::vector<TCustomForm*>& forms = shownForms();
  return std::find(forms.begin(), forms.end(), form) != forms.end();
}

void forget(TCustomForm* form) {
  std::vector<TCustomForm*>& forms = shownForms();
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

// The form that was active before, or none.
void activateLastShown() {
  if (!Screen) return;
  if (shownForms().empty()) {
    Screen->SetActiveForm(nullptr, nullptr);
    Screen->SetActiveControl(nullptr);
    return;
  }
  shownForms().back()->SetFocus();
}

int centred(int origin, int outer, int inner) {
  const std::int64_t v = origin + (std::int64_t{outer} - inner) / 2;
  return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The character a caption marks with '&' (upper case), or 0.
char acceleratorOf(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    ++i;
  }
  return 0;
}

void collectControls(const TWinControl* parent, std::vector<TControl*>& out) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    out.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) collectControls(w, out);
  }
}

}  // namespace

const TClass& TCustomForm::StaticClass() {
  auto notParentColor = [](const TCustomForm& f) { return !f.ParentColor(); };
  // A form's bounds are stored as its client size.
  auto never = [](const TCustomForm&) { return false; };
  static const TClass cls =
      TClassBuilder<TCustomForm>("TCustomForm")
          .Property("Width", &TControl::Width, &TControl::SetWidth)
          .Stored(never)
          .Property("Height", &TControl::Height, &TControl::SetHeight)
          .Stored(never)
          .Property("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
          .Idents(&ColorToIdent, &IdentToColor)
          .Stored(notParentColor)
          .Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, false)
          .Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, false)
          // A form has no parent to take it from: its own default is safe.
          .Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
          .Stored([](const TCustomForm& f) { return !f.ParentShowHint(); })
          .Property("Visible", &TControl::Visible, &TControl::SetVisible, false)
          .Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
          .Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, bsSizeable)
          .Property("Caption", &TControl::Caption, &TControl::SetCaption)
          .Property("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight)
          .Property("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth)
          .Property("Icon", &TCustomForm::Icon)
          .Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition, poDesigned)
          .Property("OnActivate", &TCustomForm::OnActivate, &TCustomForm::SetOnActivate)
          .Property("OnClose", &TCustomForm::OnClose, &TCustomForm::SetOnClose)
          .Property("OnCloseQuery", &TCustomForm::OnCloseQuery, &TCustomForm::SetOnCloseQuery)
          .Property("OnDeactivate", &TCustomForm::OnDeactivate, &TCustomForm::SetOnDeactivate)
          .Property("OnHide", &TCustomForm::OnHide, &TCustomForm::SetOnHide)
          .Property("OnShow", &TCustomForm::OnShow, &TCustomForm::SetOnShow)
          .Build();
  return cls;
}

const TClass& TForm::StaticClass() {
  static const TClass cls = TClassBuilder<TForm>("TForm").Build();
  return cls;
}
RV_REGISTER_CLASS(TForm)

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), FIcon(std::make_unique<TIcon>()) {
  FVisible = false;
  FParentFont = false;
  FParentShowHint = false;
  FColor = clBtnFace;
  SetBounds(0, 0, 320, 240);
  FIcon->SetOnChange([this](TObject*) { NotifyWidgetSet(ccPicture); });
}

TCustomForm::~TCustomForm() {
  Destroying();
  forget(this);
  if (Active()) {
    // The next form's activation runs its handlers: nothing may leave a destructor.
    try {
      activateLastShown();
    } catch (...) {
      if (Application) Application->HandleException(Application);
    }
  }
}

bool TCustomForm::Active() const { return Screen && Screen->ActiveCustomForm() == this; }

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  NotifyWidgetSet(ccStyle);
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  if (FShowWhenLoaded) {
    FShowWhenLoaded = false;
    Show();
  }
}

// ---- Showing and activation ---------------------------------------------------------

void TCustomForm::SetVisible(bool Value) {
  if (IsLoading()) {
    FShowWhenLoaded = Value;
    return;
  }
  if (Value && Visible()) {
    if (Enabled()) BecomeActive();
    return;
  }
  if (Value == Visible()) return;
  if (Value) {
    if (FOnShow) FOnShow(this);
    ApplyPosition();
    TControl::SetVisible(true);
  } else {
    TControl::SetVisible(false);
    if (FOnHide) FOnHide(this);
  }
}

void TCustomForm::VisibleChanged() {
  if (Visible()) {
    WidgetSet()->FormShown(this, FModal);
    BecomeActive();
    return;
  }
  const bool wasActive = Active();
  forget(this);
  CurrentWidgetSet()->FormHidden(this);
  if (wasActive) {
    if (FOnDeactivate) FOnDeactivate(this);
    activateLastShown();
  }
}

void TCustomForm::SetFocus() {
  if (!Visible() || !Enabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  BecomeActive();
}

void TCustomForm::BecomeActive() {
  forget(this);
  shownForms().push_back(this);
  if (!Screen || Active()) return;
  // A form that was hidden or is being destroyed has had its deactivation.
  TCustomForm* previous = Screen->ActiveCustomForm();
  Screen->SetActiveForm(this, dynamic_cast<TForm*>(this));
  if (previous && isShown(previous) && previous->FOnDeactivate) previous->FOnDeactivate(previous);
  // The focus returns where it was, or goes to the first tab stop.
  if (!FActiveControl || !FActiveControl->CanFocus()) FocusControl(FindNextControl(nullptr, true, true));
  Screen->SetActiveControl(FActiveControl);
  if (FOnActivate) FOnActivate(this);
}

void TCustomForm::ApplyPosition() {
  const int screenWidth = WidgetSet()->ScreenWidth(), screenHeight = WidgetSet()->ScreenHeight();
  switch (FPosition) {
    case poOwnerFormCenter:
      if (auto* owner = dynamic_cast<TCustomForm*>(Owner()); owner && owner->Visible()) {
        SetBounds(centred(owner->Left(), owner->Width(), Width()), centred(owner->Top(), owner->Height(), Height()),
                  Width(), Height());
        return;
      }
      [[fallthrough]];
    case poScreenCenter:
    case poDesktopCenter:
    case poMainFormCenter:
      if (screenWidth > 0 && screenHeight > 0)
        SetBounds(centred(0, screenWidth, Width()), centred(0, screenHeight, Height()), Width(), Height());
      return;
    default: return;
  }
}

// ---- Focus ------------------------------------------------------------------------------

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (Control == FActiveControl) return;
  if (Control && !ContainsControl(Control)) throw EInvalidOperation("The control is not on this form");
  if (Control && !IsLoading() && !Control->CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  FocusControl(Control);
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool changed = Control != FActiveControl;
  FActiveControl = Control;
  if (changed && Control) Control->NotifyWidgetSet(ccFocus);
  if (IsLoading()) return;
  if (Active())
    Screen->SetActiveControl(Control);
  else if (Visible() && Control)
    BecomeActive();
}

void TCustomForm::DefocusControl(TWinControl* Control) {
  if (FActiveControl && Control->ContainsControl(FActiveControl)) FocusControl(nullptr);
}

// ---- Closing ------------------------------------------------------------------------------

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (FOnCloseQuery) FOnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (FOnClose) FOnClose(this, action);
  if (action == caNone) return;
  Hide();
  if (action == caFree) Release();
}

void TCustomForm::Release() {
  TThread::Queue(nullptr, [alive = std::weak_ptr<char>(FLifeToken), this] {
    if (!alive.expired()) delete this;
  });
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  try {
    if (CloseQuery()) {
      action = caHide;
      if (FOnClose) FOnClose(this, action);
    }
    if (action == caNone) FModalResult = mrNone;
    if (action == caFree) Release();
  } catch (...) {
    FModalResult = mrNone;
    Application->HandleException(this);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  TemporaryChange modal(FModal, true);
  FModalResult = mrNone;
  Show();
  while (FModalResult == mrNone) {
    try {
      Application->HandleMessage();
    } catch (...) {
      Application->HandleException(this);
    }
    if (FModalResult == mrNone && (Application->Terminated() || !Visible()))
      FModalResult = mrCancel;
    else if (FModalResult != mrNone)
      CloseModal();
  }
  const TModalResult result = FModalResult;
  Hide();
  return result;
}

// ---- Keys ----------------------------------------------------------------------------------

TButton* TCustomForm::FindButton(bool (TButton::*Flag)() const) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  for (TWinControl* w : list)
    if (auto* button = dynamic_cast<TButton*>(w); button && (button->*Flag)() && button->CanFocus()) return button;
  return nullptr;
}

namespace {

// F1: the help of the nearest control up from Control that has any.
bool askHelp(TControl* Control) {
  for (TControl* c = Control; c; c = c->Parent()) {
    if (!c->HelpKeyword().empty()) {
      Application->HelpKeyword(c->HelpKeyword());
      return true;
    }
    if (c->HelpContext() != 0) {
      Application->HelpContext(c->HelpContext());
      return true;
    }
  }
  return false;
}

}  // namespace

bool TCustomForm::HandleAccelerator(char Key) {
  std::vector<TControl*> controls;
  collectControls(this, controls);
  for (TControl* c : controls) {
    auto* button = dynamic_cast<TButton*>(c);
    auto* box = dynamic_cast<TCheckBox*>(c);
    if ((!button && !box) || acceleratorOf(c->Caption()) != Key || !static_cast<TWinControl*>(c)->CanFocus()) continue;
    if (box) {
      box->SetFocus();
      box->Toggle();
    } else {
      button->Click();
    }
    return true;
  }
  return false;
}

bool TCustomForm::HandleKey(std::uint16_t Key, TShiftState Shift) {
  TWinControl* focused = FActiveControl;
  if (focused && focused->WantsKey(Key, Shift)) return false;
  if (Shift.Contains(ssCtrl)) return false;
  const bool alt = Shift.Contains(ssAlt);
  TButton* button = nullptr;
  switch (Key) {
    case VK_TAB:
      if (alt) return false;
      SelectNext(focused, !Shift.Contains(ssShift), true);
      return true;
    case VK_RETURN:
      button = dynamic_cast<TButton*>(focused);
      if (!button) button = FindButton(&TButton::Default);
      break;
    case VK_ESCAPE: button = FindButton(&TButton::Cancel); break;
    case VK_F1: return !alt && !Shift.Contains(ssShift) && askHelp(focused ? static_cast<TControl*>(focused) : this);
    case VK_SPACE:
      if (auto* box = dynamic_cast<TCheckBox*>(focused)) {
        box->Toggle();
        return true;
      }
      button = dynamic_cast<TButton*>(focused);
      break;
    default:
      if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) return HandleAccelerator(static_cast<char>(Key));
      return false;
  }
  if (!button || alt) return false;
  button->Click();
  return true;
}

}  // namespace rv
