// The application's events from the real-window set: F1 through XTEST, the
// window manager iconifying and restoring a form, and the desktop's
// settings changing (X resources, the XSETTINGS manager).

#include <X11/Xatom.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "tests/support/XUser.h"

namespace {

using namespace rv;
using namespace rv::test;

struct THelpForm {
  TForm Form{nullptr};
  TEdit* Edit = new TEdit(&Form);
  THelpForm() {
    Form.SetBounds(200, 200, 200, 80);
    Edit->SetParent(&Form);
    Edit->SetBounds(10, 10, 150, 21);
    Edit->SetHelpContext(12);
  }
};

TEST(AppEventsFltkDisplay, F1OnAControlAsksForItsHelp) {
  THelpForm f;
  TUser user;
  const Window w = showAndWait(user, f.Form);
  f.Edit->SetFocus();
  user.Focus(w);
  std::vector<std::string> asked;
  Application->SetOnHelp([&](std::uint16_t Command, std::int32_t Data, bool&) {
    asked.push_back(std::to_string(Command) + "/" + std::to_string(Data));
    return true;
  });
  EXPECT_TRUE(pumpUntil([&] { return Application->Active(); }));
  user.Key(XK_F1);
  EXPECT_TRUE(pumpUntil([&] { return !asked.empty(); }));
  Application->SetOnHelp({});
  EXPECT_EQ(asked, std::vector<std::string>{"1/12"});
}

TEST(AppEventsFltkDisplay, TheWindowManagerIconifyingAFormMinimizesTheApplication) {
  THelpForm f;
  TUser user;
  const Window w = showAndWait(user, f.Form);
  std::vector<std::string> events;
  Application->SetOnMinimize([&](TObject*) { events.push_back("minimize"); });
  Application->SetOnRestore([&](TObject*) { events.push_back("restore"); });
  // A window manager iconifies a window by unmapping it; the toolkit still
  // has it shown.
  XUnmapWindow(user.D(), w);
  XFlush(user.D());
  // Events, not the state: a map request of the toolkit's own still on its
  // way may restore the window before the state is looked at.
  EXPECT_TRUE(pumpUntil([&] { return !events.empty(); }));
  XMapWindow(user.D(), w);
  XFlush(user.D());
  EXPECT_TRUE(pumpUntil([&] { return !Application->Minimized(); }));
  Application->SetOnMinimize({});
  Application->SetOnRestore({});
  EXPECT_EQ(events, (std::vector<std::string>{"minimize", "restore"}));
}

TEST(AppEventsFltkDisplay, DesktopSettingsChangesReachTheMainWindowsHooks) {
  ASSERT_EQ(WidgetSet()->Name(), "fltk");
  TUser user;
  Display* d = user.D();
  const Window root = DefaultRootWindow(d);
  int seen = 0;
  TWindowHook hook = [&](TMessage& m) {
    if (m.Msg == WM_SETTINGCHANGE) ++seen;
    return false;
  };
  Application->HookMainWindow(hook);

  const std::string resources = "Xft.dpi:\t96\n";
  XChangeProperty(d, root, XInternAtom(d, "RESOURCE_MANAGER", False), XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
  XFlush(d);
  EXPECT_TRUE(pumpUntil([&] { return seen == 1; })) << "X resources";

  // A settings manager takes the selection and announces itself, then
  // changes its settings.
  const Window manager = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom selection = XInternAtom(d, ("_XSETTINGS_S" + std::to_string(DefaultScreen(d))).c_str(), False);
  XSetSelectionOwner(d, selection, manager, CurrentTime);
  XEvent announce{};
  announce.xclient.type = ClientMessage;
  announce.xclient.window = root;
  announce.xclient.message_type = XInternAtom(d, "MANAGER", False);
  announce.xclient.format = 32;
  announce.xclient.data.l[0] = CurrentTime;
  announce.xclient.data.l[1] = static_cast<long>(selection);
  announce.xclient.data.l[2] = static_cast<long>(manager);
  XSendEvent(d, root, False, StructureNotifyMask, &announce);
  XFlush(d);
  EXPECT_TRUE(pumpUntil([&] { return seen == 2; })) << "a new settings manager";
  const unsigned char settings[] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  const Atom settingsAtom = XInternAtom(d, "_XSETTINGS_SETTINGS", False);
  XChangeProperty(d, manager, settingsAtom, settingsAtom, 8, PropModeReplace, settings, sizeof settings);
  XFlush(d);
  EXPECT_TRUE(pumpUntil([&] { return seen == 3; })) << "the manager's settings";

  Application->UnhookMainWindow(hook);
  XDestroyWindow(d, manager);
  XFlush(d);
}

}  // namespace
