// TPicture: one graphic of any kind, and its stored form.

#include <memory>

#include "platform/classes/Published.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

// The kinds of graphic a stored picture can name.
std::unique_ptr<TGraphic> createGraphic(std::string_view className) {
  if (className == TBitmap::StaticClass().Name()) return std::make_unique<TBitmap>();
  if (className == TIcon::StaticClass().Name()) return std::make_unique<TIcon>();
  return nullptr;
}

std::unique_ptr<TGraphic> copyOf(const TGraphic& source) {
  std::unique_ptr<TGraphic> copy = createGraphic(source.ClassName());
  if (!copy) throw EInvalidGraphic("Unknown picture format " + source.ClassName());
  copy->Assign(&source);
  return copy;
}

}  // namespace

const TClass& TPicture::StaticClass() {
  static const TClass cls =
      TClassBuilder<TPicture>("TPicture").Property("Data", &TPicture::Data, &TPicture::SetData).Build();
  return cls;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Hold(std::unique_ptr<TGraphic> Value) {
  FGraphic = std::move(Value);
  if (FGraphic) FGraphic->SetOnChange(TNotifyEvent(this, &TPicture::Changed));
  Changed(this);
}

void TPicture::Changed(TObject*) {
  if (FOnChange) FOnChange(this);
}

void TPicture::SetGraphic(const TGraphic* Value) {
  if (Value == FGraphic.get()) return;
  Hold(Value ? copyOf(*Value) : nullptr);
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) Hold(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(FGraphic.get())) Hold(std::make_unique<TIcon>());
  return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (const auto* picture = dynamic_cast<const TPicture*>(Source)) {
    SetGraphic(picture->Graphic());
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(Source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(Source);
  }
}

std::vector<std::uint8_t> TPicture::Data() const {
  if (!FGraphic || FGraphic->Empty()) return {};
  const std::string name = FGraphic->ClassName();
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(name.size())};
  bytes.insert(bytes.end(), name.begin(), name.end());
  const std::vector<std::uint8_t> data = FGraphic->Data();
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

void TPicture::SetData(const std::vector<std::uint8_t>& Value) {
  if (Value.empty()) {
    SetGraphic(nullptr);
    return;
  }
  const std::size_t nameLength = Value[0];
  if (nameLength == 0 || 1 + nameLength > Value.size()) throw EInvalidGraphic("Picture data has no class name");
  const std::string name(Value.begin() + 1, Value.begin() + 1 + static_cast<std::ptrdiff_t>(nameLength));
  std::unique_ptr<TGraphic> graphic = createGraphic(name);
  if (!graphic) throw EInvalidGraphic("Unknown picture format " + name);
  graphic->SetData(std::vector<std::uint8_t>(Value.begin() + 1 + static_cast<std::ptrdiff_t>(nameLength), Value.end()));
  Hold(std::move(graphic));
}

}  // namespace rv
