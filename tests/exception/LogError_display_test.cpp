// The extended error dialog in a real window, under Xvfb.

#include <gtest/gtest.h>

#include "exception/LogDlg.h"
#include "exception/LogError.h"
#include "platform/forms/Application.h"
#include "platform/forms/Screen.h"
#include "tests/support/TempDir.h"

// Last: it brings Xlib's macros.
#include "tests/support/XUser.h"

namespace rv {
namespace {

using namespace rv::test;

TEST(ErrorDialogDisplay, TheDefaultDialogIs492x232WithItsControlsAndEscClosesIt) {
  rvtest::TempDir dir;
  const TExceptionEvent saved = Application->OnException();
  Application->SetOnException(nullptr);
  TQVExceptionLog log(nullptr);
  log.SetLogFile(dir.File("crash.log"));
  log.SetActive(true);
  log.SendTo()->SetWWW("https://example.org/support");
  ASSERT_TRUE(WidgetSet()->Interactive());

  TRect client{};
  std::vector<std::pair<std::string, TFltkWidgetState>> widgets;
  TDriver driver([&](TDriver& drv) {
    TfrmVEVirErrorDialog* d = nullptr;
    if (!drv.Await([&] { return (d = dynamic_cast<TfrmVEVirErrorDialog*>(Screen->ActiveCustomForm())) != nullptr; },
                   "the dialog") ||
        !drv.Activate(*d))
      return;
    client = drv.User().Geometry(drv.Gui([&] { return FltkWindowHandle(d); }));
    drv.Gui([&] {
      for (TControl* c : std::initializer_list<TControl*>{d->btnClose, d->btnEmail, d->cbAttachScreenshot, d->btnGoWEB,
                                                          d->lblProductSite, d->lblErrorText})
        widgets.emplace_back(c->Name(), stateOf(c));
      return true;
    });
    drv.User().Key(XK_Escape);
  });
  Application->RunGuarded(nullptr, [] { throw EConvertError("'x' is not a valid integer value"); });
  Application->SetOnException(saved);

  EXPECT_EQ(client.Right - client.Left, 492);
  EXPECT_EQ(client.Bottom - client.Top, 232);
  struct Expected {
    const char* Name;
    TRect Bounds;
    const char* Label;
  };
  const Expected expected[] = {
      {"btnClose", {408, 180, 483, 205}, "&Close"},
      {"btnEmail", {8, 180, 133, 205}, "Email to author"},
      {"cbAttachScreenshot", {8, 210, 258, 227}, "to attach screenshot"},
      {"btnGoWEB", {138, 180, 263, 205}, "Support homepage"},
  };
  ASSERT_EQ(widgets.size(), 6u);
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].Name);
    EXPECT_EQ(widgets[i].first, expected[i].Name);
    EXPECT_TRUE(widgets[i].second.Visible);
    EXPECT_EQ(widgets[i].second.Bounds.Left, expected[i].Bounds.Left);
    EXPECT_EQ(widgets[i].second.Bounds.Top, expected[i].Bounds.Top);
    EXPECT_EQ(widgets[i].second.Bounds.Right, expected[i].Bounds.Right);
    EXPECT_EQ(widgets[i].second.Bounds.Bottom, expected[i].Bounds.Bottom);
    EXPECT_EQ(widgets[i].second.Label, expected[i].Label);
  }
  EXPECT_EQ(widgets[4].second.Label, "https://example.org/support");
  EXPECT_EQ(widgets[4].second.Tooltip, "Support homepage");
  EXPECT_EQ(widgets[5].second.Text, "'x' is not a valid integer value");
  EXPECT_EQ(dynamic_cast<TfrmVEVirErrorDialog*>(Screen->ActiveCustomForm()), nullptr) << "Esc closed the dialog";
}

// The layout is made for an 8-point interface font: drawn in the font the
// form names, every caption fits its control.
TEST(ErrorDialogDisplay, EveryCaptionFitsItsControl) {
  rvtest::TempDir dir;
  const TExceptionEvent saved = Application->OnException();
  Application->SetOnException(nullptr);
  TQVExceptionLog log(nullptr);
  log.SetLogFile(dir.File("crash.log"));
  log.SetActive(true);
  log.SetOptions(log.Options() + TQVLAOptions{laShowSendEMail, laShowSupportLink});
  log.SendTo()->SetWWW("https://example.org/support");
  log.SendTo()->SetOptions(log.SendTo()->Options() + TQVLDialogOptions{doEmail, doWeb, doScreenshot});

  std::vector<std::pair<std::string, TFltkWidgetState>> widgets;
  TDriver driver([&](TDriver& drv) {
    TfrmVEVirErrorDialog* d = nullptr;
    if (!drv.Await([&] { return (d = dynamic_cast<TfrmVEVirErrorDialog*>(Screen->ActiveCustomForm())) != nullptr; },
                   "the dialog"))
      return;
    drv.Gui([&] {
      for (TControl* c : std::initializer_list<TControl*>{d->lblHeader, d->lblProductSite, d->btnClose, d->btnEmail,
                                                          d->btnGoWEB, d->cbAttachScreenshot, d->gbExceptionReason})
        widgets.emplace_back(c->Name(), stateOf(c));
      d->SetModalResult(mrCancel);
      return true;
    });
  });
  Application->RunGuarded(nullptr, [] { throw EConvertError("'x' is not a valid integer value"); });
  Application->SetOnException(saved);

  ASSERT_EQ(widgets.size(), 7u);
  for (const auto& [name, state] : widgets) {
    SCOPED_TRACE(name + ": " + state.Label);
    EXPECT_FALSE(state.Label.empty());
    // 8 points at 96 dots per inch are 11 pixels; a face wider than the
    // classic one is drawn a little smaller.
    EXPECT_LE(state.LabelSize, 11);
    EXPECT_GE(state.LabelSize, 8);
    EXPECT_LE(state.LabelExtent.cx, state.Bounds.Right - state.Bounds.Left);
    EXPECT_LE(state.LabelExtent.cy, state.Bounds.Bottom - state.Bounds.Top);
  }
}

}  // namespace
}  // namespace rv
