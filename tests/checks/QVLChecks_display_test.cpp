// Failed checks on a real window, under Xvfb: the markers beside the failed
// controls, drawn without their magenta background, and their hints as
// tooltips.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/QVLChecks.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/graphics/Graphics.h"
#include "platform/os/ScreenCapture.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/support/CheckEntryForm.h"
#include "tests/support/RecordingBeep.h"

// Last: it brings Xlib's macros.
#include "tests/support/XUser.h"

namespace rv {
namespace {

using namespace rv::test;

TEST(QVLChecksDisplay, FourFailedControlsShowTheMarkerBesideThemAndNoMagenta) {
  rvtest::TRecordingBeep beep;
  rvtest::TCheckEntryForm form(nullptr);
  form.Build();
  TUser user;
  const Window w = showAndWait(user, form);
  ASSERT_FALSE(form.Checks->Execute());
  ASSERT_EQ(form.Checks->FailedCount(), 4);

  std::vector<TImage*> images;
  for (int i = 0; i < 4; ++i) images.push_back(form.Checks->CheckProviders()->GetCheckProvider(i)->LinkedImage());
  ASSERT_TRUE(pumpUntil([&] {
    for (TImage* image : images)
      if (!shown(image) || !stateOf(image).Visible) return false;
    return true;
  }));
  const auto* marker = static_cast<const TBitmap*>(form.Checks->DefaultPicture()->Graphic());
  const TColor centre = marker->Pixel(8, 8);
  const TRect window = user.Geometry(w);
  // Once the centre of every marker is drawn, the capture holds them all.
  ASSERT_TRUE(pumpUntil([&] {
    for (TImage* image : images)
      if (user.PixelAt(w, image->Left() + 8, image->Top() + 8) != centre) return false;
    return true;
  }));

  TBitmap screen;
  ASSERT_TRUE(CaptureScreen(screen));
  for (TImage* image : images) {
    SCOPED_TRACE(image->Hint());
    const TRect bounds = stateOf(image).Bounds;
    EXPECT_EQ(bounds.Left, image->Left());
    EXPECT_EQ(bounds.Right - bounds.Left, 16);
    int markerPixels = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const TColor expected = marker->Pixel(x, y);
        if (expected == 0xFF00FF) continue;
        markerPixels += screen.Pixel(window.Left + bounds.Left + x, window.Top + bounds.Top + y) == expected;
      }
    EXPECT_GT(markerPixels, 150) << "the marker is drawn in place";
  }
  int magenta = 0;
  for (int y = window.Top; y < window.Bottom; ++y)
    for (int x = window.Left; x < window.Right; ++x) magenta += screen.Pixel(x, y) == 0xFF00FF;
  EXPECT_EQ(magenta, 0);
}

TEST(QVLChecksDisplay, AMarkersTooltipShowsItsHint) {
  TemporaryChange<char> dot(FormatSettings.DecimalSeparator, '.');
  rvtest::TRecordingBeep beep;
  rvtest::TCheckEntryForm form(nullptr);
  form.Build();
  TUser user;
  showAndWait(user, form);
  form.edtAge->SetText("7");
  ASSERT_FALSE(form.Checks->Execute());
  TImage* image = form.Checks->CheckProviders()->GetCheckProvider(1)->LinkedImage();
  ASSERT_TRUE(pumpUntil([&] { return shown(image) && stateOf(image).Visible; }));

  std::vector<std::string> seen;
  Application->SetOnShowHint([&](std::string& text, bool&, THintInfo& info) {
    if (info.HintControl == image) seen.push_back(text);
  });
  const std::string hint = "Editbox must contain the value in range betwen 18.00 and 120.00";
  EXPECT_EQ(stateOf(image).Tooltip, hint);
  user.MoveTo(centreOf(user, image));
  EXPECT_TRUE(pumpUntil([&] { return user.PopupShown(); }));
  Application->SetOnShowHint({});
  EXPECT_EQ(seen, std::vector<std::string>{hint});
  user.MoveTo(TPoint{1000, 700});
  EXPECT_TRUE(pumpUntil([&] { return !user.PopupShown(); }));
}

}  // namespace
}  // namespace rv
