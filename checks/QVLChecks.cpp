// The base check provider, the provider collection and the check processor.

#include "checks/QVLChecks.h"

#include <string>
#include <utility>

#include "platform/classes/Published.h"
#include "platform/classes/Resources.h"
#include "platform/classes/Stream.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/graphics/Graphics.h"
#include "platform/os/Beep.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

// The built-in failure marker: an 8-bit bitmap carried as a resource,
// drawn on magenta, which is made transparent.
void loadFailureMarker(TPicture& Picture) {
  const std::string_view bytes = FindResource("QVL_FAILED");
  TStringStream stream{std::string(bytes)};
  TBitmap* marker = Picture.Bitmap();
  marker->LoadFromStream(stream);
  marker->SetTransparentColor(static_cast<TColor>(0xFF00FF));
  marker->SetTransparent(true);
}

bool holdsBitmap(const TPicture& Picture) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(Picture.Graphic());
  return bitmap && !bitmap->Empty();
}

}  // namespace

// Tells its provider when a watched component (the control, the linked
// image) is destroyed. Owned by the provider; has no owner of its own.
class TQVLCheckProvider::TWatcher : public TComponent {
 public:
  explicit TWatcher(TQVLCheckProvider& Provider) : TComponent(nullptr), FProvider(Provider) {}
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) FProvider.Forget(AComponent);
  }

 private:
  TQVLCheckProvider& FProvider;
};

// ---- TQVLCheckProvider ----------------------------------------------------------------

const TClass& TQVLCheckProvider::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLCheckProvider>("TQVLCheckProvider")
          .Property("Picture", &TQVLCheckProvider::Picture)
          .Property("CheckControl", &TQVLCheckProvider::CheckControl, &TQVLCheckProvider::SetCheckControl)
          .Property("HintText", &TQVLCheckProvider::HintText, &TQVLCheckProvider::SetHintText)
          .Stored([](const TQVLCheckProvider& p) { return p.HintMustBeStored(); })
          .Property("FocusOnError", &TQVLCheckProvider::FocusOnError, &TQVLCheckProvider::SetFocusOnError, true)
          .Property("OnCheck", &TQVLCheckProvider::OnCheck, &TQVLCheckProvider::SetOnCheck)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLCheckProvider)

TQVLCheckProvider::TQVLCheckProvider(TCollection* Collection)
    : TCollectionItem(Collection),
      FPicture(std::make_unique<TPicture>()),
      FHintText(sQVLCheckFailed),
      FWatcher(std::make_unique<TWatcher>(*this)) {}

TQVLCheckProvider::~TQVLCheckProvider() {
  // Forgotten first: its destruction notifies the watcher.
  if (TImage* image = std::exchange(FLinkedImage, nullptr)) delete image;
}

void TQVLCheckProvider::SetPicture(const TPicture* Value) { FPicture->Assign(Value); }

void TQVLCheckProvider::SetCheckControl(TControl* Value) {
  if (Value == FCheckControl) return;
  if (FCheckControl) FWatcher->RemoveFreeNotification(FCheckControl);
  FCheckControl = Value;
  if (FCheckControl) FWatcher->FreeNotification(FCheckControl);
}

void TQVLCheckProvider::Forget(TComponent* Component) {
  if (Component == FCheckControl) FCheckControl = nullptr;
  if (Component == FLinkedImage) FLinkedImage = nullptr;
}

bool TQVLCheckProvider::HintMustBeStored() const { return HintDiffersFrom(sQVLCheckFailed); }

std::string TQVLCheckProvider::GetHintText() const { return FHintText; }

void TQVLCheckProvider::InternalCheck() { SetCheckStatus(csValid); }

void TQVLCheckProvider::ExecuteCheck() {
  InternalCheck();
  // The image keeps its place, hint and visibility until the processor
  // highlights again.
  if (FLinkedImage) FLinkedImage->Picture()->Assign(nullptr);
  if (FOnCheck) FOnCheck(this);
}

TImage* TQVLCheckProvider::MakeLinkedImage() {
  auto* providers = dynamic_cast<TQVLCheckProviders*>(Collection());
  if (!providers) throw EInvalidCast("Invalid class typecast");
  auto* image = new TImage(providers->OwnerComponent());
  FWatcher->FreeNotification(image);
  return image;
}

void TQVLCheckProvider::CreateLinkedImage(const TPicture* DefaultPicture) {
  if (!FCheckControl) {
    // Nothing to place it beside: a control that went away takes its mark along.
    if (FLinkedImage) FLinkedImage->Hide();
    return;
  }
  if (!FLinkedImage && FCheckStatus != csFailed) return;
  if (!FLinkedImage) FLinkedImage = MakeLinkedImage();
  TImage* image = FLinkedImage;
  image->Picture()->Assign(holdsBitmap(*FPicture) ? FPicture.get() : DefaultPicture);
  image->SetTransparent(true);
  // The image's transparency is its bitmap's: keyed on the bottom left
  // pixel unless the bitmap names its colour.
  if (auto* bitmap = dynamic_cast<TBitmap*>(image->Picture()->Graphic())) bitmap->SetTransparent(true);
  image->SetAutoSize(true);
  image->SetShowHint(true);
  image->SetParent(FCheckControl->Parent());
  image->SetBounds(FCheckControl->Left() + FCheckControl->Width() + 5, FCheckControl->Top(), image->Width(),
                   image->Height());
  image->SetVisible(FCheckStatus == csFailed);
  image->SetHint(GetHintText());
}

void TQVLCheckProvider::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TQVLCheckProvider*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  TCollection* collection = Collection();
  if (collection) collection->BeginUpdate();
  TScopeExit endUpdate([collection] {
    if (collection) collection->EndUpdate();
  });
  FPicture->Assign(source->FPicture.get());
  SetCheckControl(source->FCheckControl);
  FHintText = source->FHintText;
  FFocusOnError = source->FFocusOnError;
}

// ---- TQVLCheckProviders --------------------------------------------------------------

const TClass& TQVLCheckProviders::StaticClass() {
  static const TClass cls = TClassBuilder<TQVLCheckProviders>("TQVLCheckProviders").Build();
  return cls;
}

TQVLCheckProviders::TQVLCheckProviders(TComponent* AOwner)
    : TCollection(TQVLCheckProvider::StaticClass(), AOwner), FOwnerComponent(AOwner) {}

TQVLCheckProvider* TQVLCheckProviders::Add() { return static_cast<TQVLCheckProvider*>(TCollection::Add()); }

TQVLCheckProvider* TQVLCheckProviders::GetCheckProvider(int Index) const {
  return static_cast<TQVLCheckProvider*>(Items(Index));
}

void TQVLCheckProviders::SetCheckProvider(int Index, const TQVLCheckProvider* Value) {
  GetCheckProvider(Index)->Assign(Value);
}

// ---- TQVLCheckProcessor -------------------------------------------------------------

const TClass& TQVLCheckProcessor::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLCheckProcessor>("TQVLCheckProcessor")
          .Property("DefaultPicture", &TQVLCheckProcessor::DefaultPicture)
          .Property("BeepOnError", &TQVLCheckProcessor::BeepOnError, &TQVLCheckProcessor::SetBeepOnError, true)
          .Property("CheckProviders", &TQVLCheckProcessor::CheckProviders)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLCheckProcessor)

TQVLCheckProcessor::TQVLCheckProcessor(TComponent* AOwner)
    : TComponent(AOwner),
      FDefaultPicture(std::make_unique<TPicture>()),
      FCheckProviders(std::make_unique<TQVLCheckProviders>(this)) {
  loadFailureMarker(*FDefaultPicture);
}

TQVLCheckProcessor::~TQVLCheckProcessor() {
  FCheckProviders.reset();
  FDefaultPicture.reset();
}

void TQVLCheckProcessor::SetDefaultPicture(const TPicture* Value) { FDefaultPicture->Assign(Value); }

void TQVLCheckProcessor::SetCheckProviders(const TQVLCheckProviders* Value) { FCheckProviders->Assign(Value); }

bool TQVLCheckProcessor::Execute() {
  CheckAllProviders();
  const int failed = FailedCount();
  if (failed > 0) HighlightFailed();
  return failed == 0;
}

void TQVLCheckProcessor::CheckAllProviders() {
  const int count = FCheckProviders->Count();
  for (int i = 0; i < count; ++i) FCheckProviders->GetCheckProvider(i)->ExecuteCheck();
}

int TQVLCheckProcessor::FailedCount() const {
  int failed = 0;
  for (int i = 0; i < FCheckProviders->Count(); ++i)
    if (FCheckProviders->GetCheckProvider(i)->CheckStatus() == csFailed) ++failed;
  return failed;
}

void TQVLCheckProcessor::HighlightFailed() {
  bool focused = false;
  bool beeped = false;
  for (int i = 0; i < FCheckProviders->Count(); ++i) {
    TQVLCheckProvider* provider = FCheckProviders->GetCheckProvider(i);
    provider->CreateLinkedImage(FDefaultPicture.get());
    if (provider->CheckStatus() != csFailed) continue;
    if (provider->FocusOnError() && !focused) {
      // A control that can't take the focus leaves the turn to the next one.
      auto* control = dynamic_cast<TWinControl*>(provider->CheckControl());
      if (control && control->CanFocus()) {
        control->SetFocus();
        focused = true;
      }
    }
    if (FBeepOnError && !beeped) {
      beeped = true;
      MessageBeep(MB_ICONHAND);
    }
  }
}

}  // namespace rv
