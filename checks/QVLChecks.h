#pragma once
// Input validation. A check provider is one rule bound to one input control;
// the check processor owns a collection of them, runs them all in one call,
// and marks each failed control with an image and a hint beside it, moves
// the focus to the first failed control that takes it and beeps once.
// GUI thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TControl;
class TImage;
class TPicture;

RV_ENUM(TQVLCheckStatus, std::uint8_t, csUnknown, csValid, csFailed)

// The default hint texts of the provider classes, as the user reads them.
inline constexpr std::string_view sQVLCheckFailed = "Check failed.";
inline constexpr std::string_view sQVLEditboxEmpty = "Editbox can not be empty";
inline constexpr std::string_view sQVLEditboxRange = "Editbox must contain the value in range betwen %f and %f";
inline constexpr std::string_view sQVLCheckboxUnchecked = "Checkbox must be checked";

// The base provider: carries the picture, the control, the hint, the focus
// flag and the callback; its own rule always passes.
class TQVLCheckProvider : public TCollectionItem {
  RV_CLASS(TQVLCheckProvider, TCollectionItem)
 public:
  explicit TQVLCheckProvider(TCollection* Collection);
  // Destroys the linked image, if it still exists.
  ~TQVLCheckProvider() override;

  // Owned; used for the linked image instead of the processor's default
  // picture when it holds a non-empty bitmap. Setting it copies the graphic.
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture* Value);
  // Not owned. When the control is destroyed the provider forgets it: it
  // then checks nothing and places no image.
  TControl* CheckControl() const { return FCheckControl; }
  void SetCheckControl(TControl* Value);
  // Stored only when it differs from the class's default hint text.
  const std::string& HintText() const { return FHintText; }
  void SetHintText(const std::string& Value) { FHintText = Value; }
  bool FocusOnError() const { return FFocusOnError; }
  void SetFocusOnError(bool Value) { FFocusOnError = Value; }
  // Raised after every check, with the provider as Sender.
  TNotifyEvent OnCheck() const { return FOnCheck; }
  void SetOnCheck(TNotifyEvent Value) { FOnCheck = std::move(Value); }
  // The verdict of the last check; csUnknown before the first.
  TQVLCheckStatus CheckStatus() const { return FCheckStatus; }
  // The image beside the control, once a check failed; owned by the
  // processor, destroyed with the provider.
  TImage* LinkedImage() const { return FLinkedImage; }

  // HintText's stored-test.
  virtual bool HintMustBeStored() const;
  // The hint of the linked image.
  virtual std::string GetHintText() const;

  // Checks the control, empties the linked image's picture and raises OnCheck.
  void ExecuteCheck();
  // Creates the linked image when the check failed and there is none yet;
  // then fills, places, shows or hides and labels an existing one.
  // DefaultPicture is used when the provider's own picture holds no bitmap.
  // Without a control there is no place for it: an existing image is hidden.
  void CreateLinkedImage(const TPicture* DefaultPicture);

  // From another provider: Picture, CheckControl, HintText, FocusOnError;
  // each descendant adds its own properties when Source is of its class.
  void Assign(const TPersistent* Source) override;

 protected:
  // Applies the rule and sets CheckStatus; the base rule passes.
  virtual void InternalCheck();
  void SetCheckStatus(TQVLCheckStatus Value) { FCheckStatus = Value; }
  bool HintDiffersFrom(std::string_view DefaultHint) const { return FHintText != DefaultHint; }

 private:
  class TWatcher;
  void Forget(TComponent* Component);
  TImage* MakeLinkedImage();

  std::unique_ptr<TPicture> FPicture;
  TControl* FCheckControl = nullptr;
  std::string FHintText;
  bool FFocusOnError = true;
  TQVLCheckStatus FCheckStatus = csUnknown;
  TNotifyEvent FOnCheck;
  TImage* FLinkedImage = nullptr;
  // Hears of the destruction of the control and of the linked image.
  std::unique_ptr<TComponent> FWatcher;
};

// An edit box or memo must not be empty (blanks count as text).
class TQVLCheckProviderEdit : public TQVLCheckProvider {
  RV_CLASS(TQVLCheckProviderEdit, TQVLCheckProvider)
 public:
  explicit TQVLCheckProviderEdit(TCollection* Collection);
  bool Required() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  bool HintMustBeStored() const override;
  void Assign(const TPersistent* Source) override;

 protected:
  void InternalCheck() override;

 private:
  bool FRequired = true;
};

// An edit box must hold a number from MinValue to MaxValue, both included,
// written with the locale's decimal separator. A text that is no number
// fails; an empty box passes unless Required.
class TQVLCheckProviderNumericEdit : public TQVLCheckProviderEdit {
  RV_CLASS(TQVLCheckProviderNumericEdit, TQVLCheckProviderEdit)
 public:
  explicit TQVLCheckProviderNumericEdit(TCollection* Collection);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double Value) { FMinValue = Value; }
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double Value) { FMaxValue = Value; }
  bool HintMustBeStored() const override;
  // The range text with both bounds, whatever HintText holds.
  std::string GetHintText() const override;
  void Assign(const TPersistent* Source) override;

 protected:
  void InternalCheck() override;

 private:
  double FMinValue = 0;
  double FMaxValue = 0;
};

// A check box must be checked (when Checked; otherwise nothing is asked).
class TQVLCheckProviderCheckbox : public TQVLCheckProvider {
  RV_CLASS(TQVLCheckProviderCheckbox, TQVLCheckProvider)
 public:
  explicit TQVLCheckProviderCheckbox(TCollection* Collection);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; }
  bool HintMustBeStored() const override;
  void Assign(const TPersistent* Source) override;

 protected:
  void InternalCheck() override;

 private:
  bool FChecked = true;
};

// A combo box must have a text (the selected index is not consulted).
class TQVLCheckProviderCombobox : public TQVLCheckProvider {
  RV_CLASS(TQVLCheckProviderCombobox, TQVLCheckProvider)
 public:
  explicit TQVLCheckProviderCombobox(TCollection* Collection);
  bool Required() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  bool HintMustBeStored() const override;
  void Assign(const TPersistent* Source) override;

 protected:
  void InternalCheck() override;

 private:
  bool FRequired = true;
};

// The processor's providers. Add makes base providers; providers of the
// four rule classes are made by constructing them with this collection.
class TQVLCheckProviders : public TCollection {
  RV_CLASS(TQVLCheckProviders, TCollection)
 public:
  // AOwner (the processor) also owns the providers' linked images.
  explicit TQVLCheckProviders(TComponent* AOwner);
  TComponent* OwnerComponent() const { return FOwnerComponent; }
  TQVLCheckProvider* Add();
  // Raise EListError for an index out of range.
  TQVLCheckProvider* GetCheckProvider(int Index) const;
  // Assigns Value into the provider at Index (which stays the same object).
  void SetCheckProvider(int Index, const TQVLCheckProvider* Value);

 private:
  TComponent* FOwnerComponent;
};

class TQVLCheckProcessor : public TComponent {
  RV_CLASS(TQVLCheckProcessor, TComponent)
 public:
  explicit TQVLCheckProcessor(TComponent* AOwner);
  // The providers go first, each destroying its linked image.
  ~TQVLCheckProcessor() override;

  // Owned; the failure marker until replaced. Setting it copies the graphic.
  TPicture* DefaultPicture() const { return FDefaultPicture.get(); }
  void SetDefaultPicture(const TPicture* Value);
  // Owned; checked in index order. Setting it replaces the providers by
  // base providers carrying the source items' base settings.
  TQVLCheckProviders* CheckProviders() const { return FCheckProviders.get(); }
  void SetCheckProviders(const TQVLCheckProviders* Value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }

  // Runs every check and, when any failed, highlights the result; true when
  // every check passed.
  bool Execute();
  void CheckAllProviders();
  // Providers whose last check failed.
  int FailedCount() const;
  // Updates every provider's image, focuses the first failed control that
  // can take the focus and beeps once.
  void HighlightFailed();

 private:
  std::unique_ptr<TPicture> FDefaultPicture;
  std::unique_ptr<TQVLCheckProviders> FCheckProviders;
  bool FBeepOnError = true;
};

}  // namespace rv
