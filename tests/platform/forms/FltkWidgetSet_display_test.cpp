// The real-window widget set under Xvfb (1024x768, depth 24, no window
// manager): the choice of the set, what the windows show, and what a user
// does (injected with XTEST) going back into the model. Modal loops are
// driven from a worker thread that looks at the GUI through Synchronize.

#include "testing/forms/FltkWidgetState.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/os/X11Display.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileHandle.h"
#include "tests/support/Environment.h"

// Last: it brings Xlib's macros (None, Bool, Status...).
#include "tests/support/XUser.h"

namespace rv {
namespace {

using namespace std::chrono_literals;
using namespace rv::test;

template <class T>
T* add(TWinControl* parent, const std::string& name, int left, int top, int width, int height) {
  TCustomForm* form = GetParentForm(parent);
  auto* c = new T(form ? static_cast<TComponent*>(form) : parent);
  c->SetName(name);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

// A dialog: an edit, a check box and three buttons, in this tab order.
struct TDialog {
  TForm Form{nullptr};
  TEdit* Edit = add<TEdit>(&Form, "Edit", 10, 10, 150, 21);
  TCheckBox* Box = add<TCheckBox>(&Form, "Box", 10, 40, 150, 17);
  TButton* Ok = add<TButton>(&Form, "Ok", 10, 80, 75, 25);
  TButton* Cancel = add<TButton>(&Form, "Cancel", 95, 80, 75, 25);
  TButton* Retry = add<TButton>(&Form, "Retry", 180, 80, 75, 25);
  std::vector<std::string> Log;

  TDialog() {
    Form.SetName("Dialog");
    Form.SetCaption("Dialog");
    Form.SetBounds(100, 100, 270, 120);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Cancel->SetCaption("Cancel");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    Retry->SetCaption("&Retry");
    Retry->SetModalResult(mrRetry);
    Box->SetCaption("&Attach");
    for (TButton* b : {Ok, Cancel, Retry})
      b->SetOnClick([this](TObject* s) { Log.push_back("click " + static_cast<TComponent*>(s)->Name()); });
    Box->SetOnClick([this](TObject*) { Log.push_back(Box->Checked() ? "ticked" : "unticked"); });
    Edit->SetOnChange([this](TObject*) { Log.push_back("text " + Edit->Text()); });
  }
};

int openSockets() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.rfind("socket:", 0) == 0) ++count;
  }
  return count;
}

// In a child process: exits 0 when Check holds, else names what it found.
void exitWith(bool Check, const std::string& Found) {
  if (!Check) std::fprintf(stderr, "found: %s\n", Found.c_str());
  std::exit(Check ? 0 : 1);
}

std::string describe(TWidgetSet* set) {
  return set->Name() + (set->Interactive() ? ", interactive" : "") + ", " + std::to_string(openSockets()) +
         " sockets, boxes " + (MessageBoxService() == &HeadlessMessageBoxes() ? "headless" : "other");
}

// ---- The choice of the set ---------------------------------------------------------------------

// With a live display, building a form, laying it out, changing it and
// running the loop opens no connection; showing it chooses the real set.
TEST(FltkSelectionDeathTest, OnlyAShownWindowConnectsToTheDisplay) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ASSERT_NE(std::getenv("DISPLAY"), nullptr);
  EXPECT_EXIT(
      {
        TWidgetSet* before = nullptr;
        std::string found;
        {
          TDialog dialog;
          auto* label = add<TLabel>(&dialog.Form, "Label", 10, 60, 0, 0);
          label->SetAutoSize(true);
          label->SetCaption("Sent to product support or saved to a file.");
          dialog.Box->SetChecked(true);
          dialog.Edit->SetText("text");
          dialog.Form.Font()->SetSize(10);
          Application->ProcessMessages();
          before = CurrentWidgetSet();
          // Not describe(): asking for the message boxes chooses the set.
          found = before->Name() + ", " + std::to_string(openSockets()) + " sockets";
          const TSize fixed = HeadlessWidgetSet()->TextExtent(*label->Font(), label->Caption());
          if (before != HeadlessWidgetSet() || openSockets() != 0 || label->Width() != fixed.cx) exitWith(false, found);
          dialog.Form.Show();
          found = describe(CurrentWidgetSet());
          dialog.Form.Hide();
        }
        exitWith(CurrentWidgetSet()->Name() == "fltk" && openSockets() == 1, found);
      },
      ::testing::ExitedWithCode(0), "");
}

// Each case runs in a fresh process (the choice is made once a process).
TEST(FltkSelectionDeathTest, TheRealSetIsChosenOnlyWhenADisplayOpensAndOnlyWhenAsked) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::unsetenv("DISPLAY");
        TWidgetSet* set = WidgetSet();
        exitWith(set == HeadlessWidgetSet() && !set->Interactive() && openSockets() == 0 &&
                     MessageBoxService() == &HeadlessMessageBoxes() && WidgetSet() == set,
                 describe(set));
      },
      ::testing::ExitedWithCode(0), "");
  // The toolkit would end the process had it been handed the bad name.
  EXPECT_EXIT(
      {
        ::setenv("DISPLAY", ":4242", 1);
        TWidgetSet* set = WidgetSet();
        exitWith(set == HeadlessWidgetSet() && openSockets() == 0, describe(set));
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        const int before = openSockets();
        TWidgetSet* set = WidgetSet();
        exitWith(before == 0 && set->Name() == "fltk" && set->Interactive() && openSockets() == 1 &&
                     MessageBoxService() == &FormMessageBoxes() && set->ScreenWidth() == 1024 &&
                     set->ScreenHeight() == 768 && Screen->Width() == 1024,
                 describe(set));
      },
      ::testing::ExitedWithCode(0), "");
  // A set installed first is the choice: nothing connects.
  EXPECT_EXIT(
      {
        SetWidgetSet(HeadlessWidgetSet());
        TWidgetSet* set = WidgetSet();
        exitWith(set == HeadlessWidgetSet() && openSockets() == 0, describe(set));
      },
      ::testing::ExitedWithCode(0), "");
  // Other threads don't choose: the toolkit belongs to the GUI thread.
  EXPECT_EXIT(
      {
        std::string onWorker;
        std::thread([&] { onWorker = WidgetSet()->Name(); }).join();
        const int sockets = openSockets();
        exitWith(onWorker == "headless" && sockets == 0 && WidgetSet()->Name() == "fltk", onWorker);
      },
      ::testing::ExitedWithCode(0), "");
}

// ---- What the windows show ------------------------------------------------------------------------

TEST(FltkWidgetSetDisplay, AFormShowsAtItsClientSizeWithEveryWidgetAtItsPlaceInTheWindow) {
  ASSERT_EQ(WidgetSet()->Name(), "fltk");
  TForm form(nullptr);
  form.SetName("Layout");
  form.SetCaption("Layout");
  form.SetBounds(60, 50, 420, 310);
  auto* outer = add<TPanel>(&form, "Outer", 10, 10, 200, 140);
  outer->SetColor(clRed);
  auto* title = add<TLabel>(outer, "Title", 6, 5, 0, 0);
  title->SetCaption("Outer &label");
  auto* inner = add<TPanel>(outer, "Inner", 20, 40, 120, 80);
  inner->SetColor(clBlue);
  auto* deep = add<TLabel>(inner, "Deep", 7, 9, 0, 0);
  deep->SetCaption("Deep");
  auto* group = add<TGroupBox>(&form, "Group", 220, 10, 190, 170);
  group->SetCaption("Details");
  auto* memo = add<TMemo>(group, "Memo", 8, 20, 170, 130);
  memo->Lines()->SetStrings({"one", "two"});
  memo->SetReadOnly(true);
  memo->SetScrollBars(ssVertical);
  auto* box = add<TCheckBox>(&form, "Box", 10, 200, 150, 17);
  box->SetCaption("&Attach");
  box->SetChecked(true);
  auto* ok = add<TButton>(&form, "Ok", 250, 270, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  auto* cancel = add<TButton>(&form, "Cancel", 335, 270, 75, 25);
  cancel->SetCaption("Cancel");

  TUser user;
  const Window w = showAndWait(user, form);
  EXPECT_EQ(user.Geometry(w), (TRect{60, 50, 480, 360}));
  const TFltkWidgetState window = stateOf(&form);
  EXPECT_EQ(window.Kind, "Fl_Double_Window");
  EXPECT_EQ(window.Label, "Layout");

  // Offsets: the sum of the parents' positions below the form.
  struct Row {
    TControl* Control;
    int X, Y;
    const char* Kind;
    std::string Label;
  } rows[] = {
      {outer, 0, 0, "Fl_Group", ""},
      {title, 10, 10, "Fl_Box", "Outer &label"},
      {inner, 10, 10, "Fl_Group", ""},
      {deep, 30, 50, "Fl_Box", "Deep"},
      {group, 0, 0, "Fl_Group", "Details"},
      {memo, 220, 10, "Fl_Text_Display", ""},
      {box, 0, 0, "Fl_Check_Button", "&Attach"},
      {ok, 0, 0, "Fl_Button", "OK"},
      {cancel, 0, 0, "Fl_Button", "Cancel"},
  };
  for (const Row& r : rows) {
    const TFltkWidgetState s = stateOf(r.Control);
    const TControl* c = r.Control;
    EXPECT_EQ(s.Bounds,
              (TRect{r.X + c->Left(), r.Y + c->Top(), r.X + c->Left() + c->Width(), r.Y + c->Top() + c->Height()}))
        << c->Name();
    EXPECT_EQ(s.Kind, r.Kind) << c->Name();
    EXPECT_EQ(s.Label, r.Label) << c->Name();
    EXPECT_TRUE(s.Visible && s.Enabled) << c->Name();
  }
  EXPECT_GT(title->Width(), 0);
  EXPECT_EQ(stateOf(memo).Text, "one\ntwo");
  EXPECT_EQ(stateOf(box).Value, cbChecked);

  // Each panel's own colour shows where no child covers it.
  EXPECT_TRUE(pumpUntil([&] { return user.PixelAt(w, 200, 140) == clRed; })) << user.PixelAt(w, 200, 140);
  EXPECT_TRUE(pumpUntil([&] { return user.PixelAt(w, 140, 120) == clBlue; })) << user.PixelAt(w, 140, 120);
}

TEST(FltkWidgetSetDisplay, ChangesAfterShowingReachTheWidgets) {
  TForm form(nullptr);
  form.SetName("Changes");
  form.SetBounds(40, 40, 400, 300);
  auto* panel = add<TPanel>(&form, "Panel", 10, 10, 200, 100);
  auto* label = add<TLabel>(panel, "Label", 5, 5, 0, 0);
  label->SetCaption("Label");
  auto* button = add<TButton>(&form, "Button", 10, 120, 75, 25);
  auto* memo = add<TMemo>(&form, "Memo", 220, 10, 170, 100);
  auto* combo = add<TComboBox>(&form, "Combo", 220, 120, 150, 21);
  combo->Items()->SetStrings({"alpha", "beta"});
  auto* box = add<TCheckBox>(&form, "Box", 10, 160, 150, 17);
  TUser user;
  const Window w = showAndWait(user, form);

  struct Case {
    const char* Name;
    std::function<void()> Change;
    std::function<bool()> Shows;
  } cases[] = {
      {"a moved panel takes what is inside along", [&] { panel->SetBounds(30, 40, 200, 100); },
       [&] { return stateOf(label).Bounds.Left == 35 && stateOf(label).Bounds.Top == 45; }},
      {"a control added to a shown form gets its widget",
       [&] { add<TLabel>(panel, "Added", 50, 60, 0, 0)->SetCaption("Added"); },
       [&] {
         auto* added = static_cast<TControl*>(form.FindComponent("Added"));
         return stateOf(added).Bounds.Left == 80 && stateOf(added).Label == "Added";
       }},
      {"caption", [&] { button->SetCaption("&Later"); }, [&] { return stateOf(button).Label == "&Later"; }},
      {"disabled", [&] { button->SetEnabled(false); }, [&] { return !stateOf(button).Enabled; }},
      {"inside a disabled parent", [&] { panel->SetEnabled(false); }, [&] { return !stateOf(label).Enabled; }},
      {"hidden", [&] { box->Hide(); }, [&] { return !stateOf(box).Visible; }},
      {"hint shown", [&] { button->SetHint("Short|Long"), button->SetShowHint(true); },
       [&] { return stateOf(button).Tooltip == "Short"; }},
      {"hint not shown", [&] { button->SetShowHint(false); }, [&] { return stateOf(button).Tooltip.empty(); }},
      {"lines",
       [&] {
         memo->Lines()->SetStrings({"a", "b"});
       },
       [&] { return stateOf(memo).Text == "a\nb"; }},
      {"a read-only memo is another widget", [&] { memo->SetReadOnly(true); },
       [&] { return stateOf(memo).Kind == "Fl_Text_Display" && stateOf(memo).Text == "a\nb"; }},
      {"typed combo", [&] { combo->SetItemIndex(1); },
       [&] { return stateOf(combo).Kind == "Fl_Input_Choice" && stateOf(combo).Text == "beta"; }},
      {"a list of items is another widget", [&] { combo->SetStyle(csDropDownList); },
       [&] { return stateOf(combo).Kind == "Fl_Choice" && stateOf(combo).Value == 1; }},
      {"check state", [&] { box->SetState(cbGrayed); }, [&] { return stateOf(box).Value == cbGrayed; }},
      {"a destroyed control loses its widget", [&] { delete label; }, [&] { return !shown(label); }},
      {"window caption", [&] { form.SetCaption("Renamed"); }, [&] { return stateOf(&form).Label == "Renamed"; }},
  };
  for (const Case& c : cases) {
    c.Change();
    EXPECT_TRUE(c.Shows()) << c.Name;
  }

  form.SetClientWidth(300);
  EXPECT_TRUE(pumpUntil([&] { return user.Geometry(w).Right - user.Geometry(w).Left == 300; }));
  form.Hide();
  EXPECT_FALSE(shown(&form));
  EXPECT_FALSE(shown(button));
  EXPECT_EQ(FltkWindowHandle(&form), 0u);
}

TEST(FltkWidgetSetDisplay, TheWindowManagerLearnsTheBorderStyleAndTheIcon) {
  struct Case {
    TFormBorderStyle Style;
    bool FixedSize;
  } cases[] = {{bsDialog, true}, {bsSingle, true}, {bsSizeable, false}};
  for (const Case& c : cases) {
    TForm form(nullptr);
    form.SetBounds(200, 200, 230, 140);
    form.SetBorderStyle(c.Style);
    form.Icon()->LoadStockIcon(IDI_ERROR);
    TUser user;
    const Window w = showAndWait(user, form);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(user.D(), w, &hints, &supplied));
    const bool fixed = (hints.flags & PMinSize) && (hints.flags & PMaxSize) && hints.min_width == 230 &&
                       hints.max_width == 230 && hints.min_height == 140 && hints.max_height == 140;
    EXPECT_EQ(fixed, c.FixedSize) << c.Style;

    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(user.D(), w, XInternAtom(user.D(), "_NET_WM_ICON", False), 0, 2, False, AnyPropertyType, &type,
                       &format, &count, &after, &data);
    ASSERT_EQ(count, 2u);
    const long* size = reinterpret_cast<const long*>(data);
    EXPECT_EQ(std::make_pair(size[0], size[1]), std::make_pair(32L, 32L));
    XFree(data);
  }
}

TEST(FltkWidgetSetDisplay, HintsBecomeTooltipsThatOnShowHintMayChange) {
  TForm form(nullptr);
  form.SetBounds(300, 300, 200, 100);
  auto* button = add<TButton>(&form, "Button", 20, 20, 100, 30);
  button->SetHint("Saves it|Saves the file");
  button->SetShowHint(true);
  std::vector<std::string> seen;
  Application->SetOnShowHint([&](std::string& text, bool&, THintInfo& info) {
    seen.push_back(text + " over " + info.HintControl->Name());
    text = "Changed";
  });
  TUser user;
  showAndWait(user, form);
  EXPECT_EQ(stateOf(button).Tooltip, "Saves it");
  EXPECT_FALSE(user.PopupShown());
  user.MoveTo(centreOf(user, button));
  EXPECT_TRUE(pumpUntil([&] { return user.PopupShown(); }));
  Application->SetOnShowHint({});
  EXPECT_EQ(seen, std::vector<std::string>{"Saves it over Button"});
  EXPECT_EQ(stateOf(button).Tooltip, "Changed");
  EXPECT_EQ(Application->Hint(), "Saves it") << "the short part, before the bar";
  user.MoveTo(TPoint{1000, 700});
  EXPECT_TRUE(pumpUntil([&] { return !user.PopupShown(); }));
}

TEST(FltkWidgetSetDisplay, TextIsMeasuredWithTheFontsOwnMetrics) {
  TFont regular, bold, large;
  bold.SetStyle({fsBold});
  large.SetHeight(-24);
  const TWidgetSet* set = WidgetSet();
  EXPECT_EQ(set->TextExtent(regular, "").cx, 0);
  EXPECT_GT(set->TextExtent(regular, "").cy, 0);
  // The fixed metric of the headless set makes these equal.
  EXPECT_LT(set->TextExtent(regular, "iiii").cx, set->TextExtent(regular, "WWWW").cx);
  EXPECT_GT(set->TextExtent(bold, "Wide Words").cx, set->TextExtent(regular, "Wide Words").cx);
  EXPECT_GT(set->TextExtent(large, "x").cy, set->TextExtent(regular, "x").cy);
  TForm form(nullptr);
  auto* label = add<TLabel>(&form, "Label", 0, 0, 0, 0);
  label->SetCaption("Auto &sized");
  EXPECT_EQ(label->Width(), set->TextExtent(*label->Font(), "Auto sized").cx);
}

// ---- What the user does ------------------------------------------------------------------------------

TEST(FltkInputDisplay, ClicksAndTypingGoBackIntoTheModel) {
  TDialog d;
  auto* label = add<TLabel>(&d.Form, "Link", 180, 10, 0, 0);
  label->SetCaption("Link");
  label->SetCursor(crHandPoint);
  label->SetOnClick([&](TObject*) { d.Log.push_back("click Link"); });
  TUser user;
  const Window w = showAndWait(user, d.Form);

  auto logged = [&](const std::string& entry) {
    return pumpUntil([&] { return !d.Log.empty() && d.Log.back() == entry; });
  };
  user.Click(centreOf(user, d.Retry));
  EXPECT_TRUE(logged("click Retry"));
  EXPECT_EQ(d.Form.ModalResult(), mrRetry);
  // The toolkit flips the box; what it shows is the model's state.
  user.Click(centreOf(user, d.Box));
  EXPECT_TRUE(logged("ticked"));
  EXPECT_EQ(stateOf(d.Box).Value, cbChecked);
  user.Click(centreOf(user, d.Box));
  EXPECT_TRUE(logged("unticked"));
  EXPECT_EQ(stateOf(d.Box).Value, cbUnchecked);
  user.Click(centreOf(user, label));
  EXPECT_TRUE(logged("click Link"));

  user.Click(centreOf(user, d.Edit));
  EXPECT_TRUE(pumpUntil([&] { return d.Form.ActiveControl() == d.Edit && stateOf(d.Edit).Focused; }));
  user.Focus(w);
  user.Key(XK_h);
  user.Key(XK_i);
  EXPECT_TRUE(logged("text hi"));
  EXPECT_EQ(d.Edit->Text(), "hi");
}

TEST(FltkInputDisplay, DialogKeysCloseAModalFormThroughItsButtons) {
  struct Case {
    KeySym Key, Modifier;
    TModalResult Result;
    const char* Clicked;
  } cases[] = {
      {XK_Escape, NoSymbol, mrCancel, "click Cancel"},
      {XK_Return, NoSymbol, mrOk, "click Ok"},
      {XK_r, XK_Alt_L, mrRetry, "click Retry"},
  };
  for (const Case& c : cases) {
    TDialog d;
    TDriver driver([&](TDriver& drv) {
      if (drv.Activate(d.Form)) drv.User().Key(c.Key, c.Modifier);
    });
    EXPECT_EQ(d.Form.ShowModal(), c.Result) << c.Clicked;
    EXPECT_EQ(d.Log, std::vector<std::string>{c.Clicked});
    EXPECT_FALSE(shown(&d.Form));
  }
}

TEST(FltkInputDisplay, TheModelMovesTheFocusAndAModalWindowBlocksTheOthers) {
  TDialog d;
  std::vector<std::string> focus;
  TDriver driver([&](TDriver& drv) {
    if (!drv.Activate(d.Form)) return;
    drv.Gui([&] { return stateOf(&d.Form).Modal; }) ? focus.push_back("modal") : focus.push_back("not modal");
    auto focused = [&](TWinControl* c) {
      return drv.Await([&] { return d.Form.ActiveControl() == c && stateOf(c).Focused; }, c->Name().c_str());
    };
    if (!focused(d.Edit)) return;
    drv.User().Key(XK_Tab);
    if (!focused(d.Box)) return;
    drv.User().Key(XK_space);
    drv.Await([&] { return d.Box->Checked(); }, "the tick");
    drv.User().Key(XK_Tab, XK_Shift_L);
    if (!focused(d.Edit)) return;
    drv.User().Key(XK_Escape);
  });
  EXPECT_EQ(d.Form.ShowModal(), mrCancel);
  EXPECT_EQ(focus, std::vector<std::string>{"modal"});
  EXPECT_EQ(d.Log, (std::vector<std::string>{"ticked", "click Cancel"}));
}

TEST(FltkInputDisplay, TheModalLoopServesWorkersWhileItWaitsForTheWindowSystem) {
  ASSERT_EQ(WidgetSet()->Name(), "fltk");
  TDialog d;
  std::atomic<int> queued{0};
  bool onGuiThread = false;
  TDriver driver([&](TDriver& drv) {
    if (!drv.Await([&] { return FltkWindowHandle(&d.Form) != 0; }, "the window")) return;
    onGuiThread = drv.Gui([] { return IsMainThread(); });
    for (int i = 0; i < 3; ++i) TThread::Queue(nullptr, [&] { ++queued; });
    drv.Await([&] { return queued == 3; }, "the queued calls");
    drv.Gui([&] { return d.Form.SetModalResult(mrIgnore), true; });
  });
  EXPECT_EQ(d.Form.ShowModal(), mrIgnore);
  EXPECT_TRUE(onGuiThread);
  EXPECT_EQ(queued, 3);
}

// A descriptor written by a worker and a timer both end the modal loop's
// wait in the toolkit, and their handlers run on the GUI thread.
TEST(FltkInputDisplay, TheModalLoopServesDescriptorSourcesAndTimers) {
  ASSERT_EQ(WidgetSet()->Name(), "fltk");
  TDialog d;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const TFileHandle readEnd(fds[0]), writeEnd(fds[1]);
  bool readOnGuiThread = false;
  int ticks = 0;
  TEventLoop::TSourceId timer = 0;
  const auto source = EventLoop().AddFdSource(readEnd.Get(), [&](int fd) {
    char c;
    readOnGuiThread = ::read(fd, &c, 1) == 1 && IsMainThread();
    timer = EventLoop().AddTimer(10, [&] {
      if (++ticks == 2) d.Form.SetModalResult(mrRetry);
    });
  });
  std::atomic<bool> showing{false};
  d.Form.SetOnShow([&](TObject*) { showing = true; });
  std::thread writer([&] {
    PollUntil([&] { return showing.load(); });
    EXPECT_EQ(::write(writeEnd.Get(), "x", 1), 1);
  });
  EXPECT_EQ(d.Form.ShowModal(), mrRetry);
  writer.join();
  EventLoop().RemoveFdSource(source);
  EventLoop().RemoveTimer(timer);
  EXPECT_TRUE(readOnGuiThread);
  EXPECT_EQ(ticks, 2);
}

TEST(FltkInputDisplay, AnExceptionInAClickHandlerReachesTheApplicationAndTheLoopGoesOn) {
  TDialog d;
  auto* boom = add<TButton>(&d.Form, "Boom", 180, 40, 75, 25);
  boom->SetOnClick([](TObject*) { throw EConvertError("Boom"); });
  std::vector<std::string> handled;
  Application->SetOnException([&](TObject* sender, Exception* e) {
    handled.push_back(static_cast<TComponent*>(sender)->Name() + ": " + e->Message());
  });
  TDriver driver([&](TDriver& drv) {
    if (!drv.Await([&] { return FltkWindowHandle(&d.Form) != 0 && drv.User().Viewable(FltkWindowHandle(&d.Form)); },
                   "the window"))
      return;
    drv.User().Click(drv.Centre(boom));
    if (!drv.Await([&] { return !handled.empty(); }, "the exception")) return;
    drv.User().Click(drv.Centre(d.Ok));
  });
  const TModalResult result = d.Form.ShowModal();
  Application->SetOnException({});
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(handled, std::vector<std::string>{"Boom: Boom"});
  EXPECT_EQ(d.Log, std::vector<std::string>{"click Ok"});
}

TEST(FltkInputDisplay, WindowActivationMovesTheActiveFormAndTheApplicationsFocus) {
  TDialog a, b;
  a.Form.SetName("A");
  b.Form.SetName("B");
  b.Form.SetLeft(500);
  TUser user;
  const Window wa = showAndWait(user, a.Form), wb = showAndWait(user, b.Form);
  auto active = [&](TCustomForm* form, bool app) {
    return pumpUntil([&] { return Screen->ActiveCustomForm() == form && Application->Active() == app; });
  };
  user.Focus(None);
  EXPECT_TRUE(active(&b.Form, false));
  std::vector<std::string> events;
  Application->SetOnActivate([&](TObject*) { events.push_back("app on"); });
  Application->SetOnDeactivate([&](TObject*) { events.push_back("app off"); });
  user.Focus(wa);
  EXPECT_TRUE(active(&a.Form, true));
  user.Focus(wb);
  EXPECT_TRUE(active(&b.Form, true));
  user.Focus(None);
  EXPECT_TRUE(active(&b.Form, false));
  Application->SetOnActivate({});
  Application->SetOnDeactivate({});
  EXPECT_EQ(events, (std::vector<std::string>{"app on", "app off"}));
}

TEST(FltkInputDisplay, TheCloseBoxClosesTheForm) {
  TDialog d;
  TDriver driver([&](TDriver& drv) {
    if (!drv.Await([&] { return FltkWindowHandle(&d.Form) != 0; }, "the window")) return;
    // What a window manager sends for the close box.
    Display* x = drv.User().D();
    const Window w = drv.Gui([&] { return FltkWindowHandle(&d.Form); });
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, w, False, NoEventMask, &e);
    XFlush(x);
  });
  EXPECT_EQ(d.Form.ShowModal(), mrCancel);
  EXPECT_TRUE(d.Log.empty());
}

// ---- Message boxes ----------------------------------------------------------------------------------------

TEST(FltkDialogsDisplay, AMessageBoxShowsItsTypeTextAndButtonsAndAnswersWithTheOneChosen) {
  // Asking for the widget set installs the boxes.
  ASSERT_EQ(WidgetSet()->Name(), "fltk");
  struct Case {
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
    std::string Caption;
    std::vector<std::string> Labels;
    const char* Press;  // a button's label, or "Esc"
    TModalResult Result;
  } cases[] = {
      {mtWarning, {mbYes, mbNo, mbCancel}, "Warning", {"&Yes", "&No", "Cancel"}, "&No", mrNo},
      {mtConfirmation, {mbYes, mbNo}, "Confirm", {"&Yes", "&No"}, "Esc", mrNo},
      {mtError, {mbOK}, "Error", {"OK"}, "Esc", mrOk},
      {mtInformation,
       {mbAbort, mbRetry, mbIgnore},
       "Information",
       {"&Abort", "&Retry", "&Ignore"},
       "&Ignore",
       mrIgnore},
  };
  for (const Case& c : cases) {
    std::vector<std::string> labels;
    std::string caption, icon;
    TDriver driver([&](TDriver& drv) {
      TCustomForm* box = nullptr;
      if (!drv.Await([&] { return (box = Screen->ActiveCustomForm()) && box->Name() == "MessageBox"; }, "the box") ||
          !drv.Activate(*box))
        return;
      TControl* press = nullptr;
      drv.Gui([&] {
        caption = stateOf(box).Label;
        for (int i = 0; i < box->ControlCount(); ++i) {
          TControl* control = box->Controls(i);
          if (dynamic_cast<TImage*>(control)) icon = stateOf(control).Text;
          if (!dynamic_cast<TButton*>(control)) continue;
          labels.push_back(stateOf(control).Label);
          if (labels.back() == c.Press) press = control;
        }
        return true;
      });
      if (press)
        drv.User().Click(drv.Centre(press));
      else
        drv.User().Key(XK_Escape);
    });
    EXPECT_EQ(MessageDlg("The disk is full.", c.Type, c.Buttons, 0), c.Result) << c.Caption;
    EXPECT_EQ(caption, c.Caption);
    EXPECT_EQ(labels, c.Labels);
    EXPECT_EQ(icon, "32x32");
  }
}

}  // namespace
}  // namespace rv
