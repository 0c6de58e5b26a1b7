#pragma once
// More controls: TPanel, a container with bevels, and TImage, which shows a
// picture. Model objects, GUI thread only.

#include <cstdint>
#include <memory>

#include "platform/forms/Controls.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

RV_ENUM(TBevelCut, std::uint8_t, bvNone, bvLowered, bvRaised, bvSpace)

class TPanel : public TWinControl {
  RV_CLASS(TPanel, TWinControl)
 public:
  explicit TPanel(TComponent* AOwner);

  // Of the caption, drawn in the middle row.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  // Each bevel's width, and the gap between them, in pixels (not negative).
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);

  // Children are aligned inside the bevels and the border.
  void AdjustClientRect(TRect& Rect) const override;

 private:
  void StyleChanged();

  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
};

// Shows a picture; it can't take the focus.
class TImage : public TControl {
  RV_CLASS(TImage, TControl)
 public:
  explicit TImage(TComponent* AOwner);

  // Owned by the image.
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture* Value) { FPicture->Assign(Value); }
  // Sized to the picture (when it has one).
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  // The picture in the middle instead of the top left corner.
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  // The picture scaled to the image's size.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

 protected:
  void AdjustSize() override;

 private:
  void PictureChanged(TObject* Sender);
  void StyleChanged();

  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false;
  bool FCenter = false;
  bool FStretch = false;
  bool FTransparent = false;
};

}  // namespace rv
