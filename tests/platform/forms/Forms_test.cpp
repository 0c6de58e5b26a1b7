// Forms: tab order and focus, the active form, the modal loop, dialog keys,
// closing and positioning.

#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Screen.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/SizedWidgetSet.h"

using namespace rv;

namespace {

// Runs the steps one per pass of the message loop: each is queued by the
// one before, so a modal loop sees the effect of every step.
void queueSteps(std::vector<std::function<void()>> steps, std::size_t first = 0) {
  if (first >= steps.size()) return;
  TThread::Queue(nullptr, [steps, first] {
    steps[first]();
    queueSteps(steps, first + 1);
  });
}

template <class T>
T* add(TWinControl* parent, const std::string& name) {
  auto* c = new T(parent->Owner() ? parent->Owner() : parent);
  c->SetName(name);
  c->SetParent(parent);
  return c;
}

// A dialog: an edit, a check box and three buttons, in this tab order.
struct Dialog {
  TForm Form{nullptr};
  TEdit* Edit = add<TEdit>(&Form, "Edit");
  TCheckBox* Box = add<TCheckBox>(&Form, "Box");
  TButton* Ok = add<TButton>(&Form, "Ok");
  TButton* Cancel = add<TButton>(&Form, "Cancel");
  TButton* Retry = add<TButton>(&Form, "Retry");
  std::vector<std::string> Log;

  explicit Dialog(const std::string& name = "Dlg") {
    Form.SetName(name);
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    Retry->SetModalResult(mrRetry);
    Retry->SetCaption("&Retry");
    Box->SetCaption("&Attach");
    for (TButton* b : {Ok, Cancel, Retry})
      b->SetOnClick([this](TObject* s) { Log.push_back("click " + static_cast<TComponent*>(s)->Name()); });
    Box->SetOnClick([this](TObject*) { Log.push_back(Box->Checked() ? "ticked" : "unticked"); });
    Form.SetOnShow([this](TObject*) { Log.push_back("show"); });
    Form.SetOnHide([this](TObject*) { Log.push_back("hide"); });
    Form.SetOnActivate([this](TObject*) { Log.push_back("activate " + Form.Name()); });
    Form.SetOnDeactivate([this](TObject*) { Log.push_back("deactivate " + Form.Name()); });
  }
};

// Leaves the global screen and application as it found them.
class FormsTest : public ::testing::Test {
 protected:
  FormsTest() {
    Screen->SetOnActiveControlChange([this](TObject*) {
      ControlChanges.push_back(Screen->ActiveControl() ? Screen->ActiveControl()->Name() : "none");
    });
    Screen->SetOnActiveFormChange([this](TObject*) {
      FormChanges.push_back(Screen->ActiveCustomForm() ? Screen->ActiveCustomForm()->Name() : "none");
    });
  }
  ~FormsTest() override {
    Screen->SetOnActiveControlChange(nullptr);
    Screen->SetOnActiveFormChange(nullptr);
    Application->SetOnException(nullptr);
    Application->ProcessMessages();
    EXPECT_EQ(Screen->ActiveCustomForm(), nullptr);
    EXPECT_EQ(Screen->ActiveControl(), nullptr);
  }
  std::vector<std::string> ControlChanges, FormChanges;
};

std::string tabOrder(const TWinControl& parent) {
  std::vector<TWinControl*> list;
  parent.GetTabOrderList(list);
  std::string names;
  for (TWinControl* w : list) names += w->Name() + std::to_string(w->TabOrder()) + " ";
  return names;
}

TEST_F(FormsTest, TabOrderIsRenumberedAmongSiblings) {
  const struct {
    const char* Control;
    int Value;
    const char* Expected;
  } steps[] = {
      {"Retry", 0, "Retry0 Edit1 Box2 Ok3 Cancel4 "},
      {"Edit", 99, "Retry0 Box1 Ok2 Cancel3 Edit4 "},
      {"Ok", -5, "Ok0 Retry1 Box2 Cancel3 Edit4 "},
      {"Ok", 2, "Retry0 Box1 Ok2 Cancel3 Edit4 "},
  };
  Dialog d;
  EXPECT_EQ(tabOrder(d.Form), "Edit0 Box1 Ok2 Cancel3 Retry4 ");
  for (const auto& s : steps) {
    static_cast<TWinControl*>(d.Form.FindComponent(s.Control))->SetTabOrder(s.Value);
    EXPECT_EQ(tabOrder(d.Form), s.Expected) << s.Control << " " << s.Value;
  }
  delete d.Box;
  EXPECT_EQ(tabOrder(d.Form), "Retry0 Ok1 Cancel2 Edit3 ");
  auto* late = new TButton(&d.Form);  // a place asked for before it had a parent
  late->SetName("Late");
  late->SetTabOrder(1);
  EXPECT_EQ(late->TabOrder(), -1);
  late->SetParent(&d.Form);
  EXPECT_EQ(tabOrder(d.Form), "Retry0 Late1 Ok2 Cancel3 Edit4 ");
}

TEST_F(FormsTest, ShowingFocusesTheFirstTabStopAndTabMovesOn) {
  Dialog d;
  d.Form.Show();
  EXPECT_EQ(Screen->ActiveForm(), &d.Form);
  EXPECT_EQ(Screen->ActiveControl(), d.Edit);
  EXPECT_TRUE(d.Edit->Focused());
  const struct {
    std::uint16_t Key;
    TShiftState Shift;
    const char* Focus;
  } keys[] = {
      {VK_TAB, {}, "Box"},         {VK_TAB, {}, "Ok"},           {VK_TAB, {ssShift}, "Box"},
      {VK_TAB, {ssShift}, "Edit"}, {VK_TAB, {ssShift}, "Retry"}, {VK_TAB, {}, "Edit"},  // wraps both ways
  };
  for (const auto& k : keys) {
    EXPECT_TRUE(FeedKey(&d.Form, k.Key, k.Shift));
    EXPECT_EQ(Screen->ActiveControl()->Name(), k.Focus);
  }
  EXPECT_EQ(ControlChanges, (std::vector<std::string>{"Edit", "Box", "Ok", "Box", "Edit", "Retry", "Edit"}));
  EXPECT_FALSE(FeedKey(&d.Form, VK_TAB, {ssCtrl}));
  EXPECT_EQ(FormChanges, (std::vector<std::string>{"Dlg"}));
  d.Form.Hide();
}

TEST_F(FormsTest, ControlsThatCantTakeTheFocusAreSkippedAndLoseIt) {
  Dialog d;
  d.Box->Hide();
  d.Ok->SetEnabled(false);
  d.Cancel->SetTabStop(false);
  d.Form.Show();
  FeedKey(&d.Form, VK_TAB, {});
  EXPECT_EQ(Screen->ActiveControl(), d.Retry);
  EXPECT_THROW(d.Box->SetFocus(), EInvalidOperation);
  EXPECT_THROW(d.Ok->SetFocus(), EInvalidOperation);
  d.Cancel->SetFocus();  // no tab stop, but it can take the focus
  EXPECT_TRUE(d.Cancel->Focused());
  d.Cancel->SetEnabled(false);
  EXPECT_EQ(Screen->ActiveControl(), nullptr);
  EXPECT_EQ(d.Form.ActiveControl(), nullptr);
  FeedKey(&d.Form, VK_TAB, {});
  EXPECT_EQ(Screen->ActiveControl(), d.Edit);
  delete d.Edit;  // destroying the focused control
  EXPECT_EQ(Screen->ActiveControl(), nullptr);
  Dialog other("Other");
  EXPECT_THROW(d.Form.SetActiveControl(other.Ok), EInvalidOperation);
  d.Form.Hide();
}

TEST_F(FormsTest, TheFocusOfAnInactiveFormIsKeptForItsActivation) {
  Dialog d;
  d.Retry->SetFocus();  // not shown yet
  EXPECT_EQ(d.Form.ActiveControl(), d.Retry);
  EXPECT_EQ(Screen->ActiveControl(), nullptr);
  EXPECT_FALSE(d.Retry->Focused());
  d.Form.Show();
  EXPECT_EQ(Screen->ActiveControl(), d.Retry);
  d.Form.Hide();
}

TEST_F(FormsTest, HidingTheActiveFormGivesThePreviousOneBack) {
  Dialog a("A"), b("B");
  a.Form.Show();
  a.Box->SetFocus();
  b.Form.Show();
  EXPECT_EQ(Screen->ActiveForm(), &b.Form);
  EXPECT_EQ(Screen->ActiveControl(), b.Edit);
  FeedActivate(&a.Form);
  EXPECT_EQ(Screen->ActiveControl(), a.Box);
  FeedFocus(b.Ok);  // a click into the other window
  EXPECT_EQ(Screen->ActiveForm(), &b.Form);
  b.Form.Hide();
  EXPECT_EQ(Screen->ActiveForm(), &a.Form);
  EXPECT_EQ(Screen->ActiveControl(), a.Box);
  EXPECT_EQ(FormChanges, (std::vector<std::string>{"A", "B", "A", "B", "A"}));
  EXPECT_EQ(a.Log, (std::vector<std::string>{"show", "activate A", "deactivate A", "activate A", "deactivate A",
                                             "activate A"}));
  EXPECT_EQ(b.Log,
            (std::vector<std::string>{"show", "activate B", "deactivate B", "activate B", "deactivate B", "hide"}));
  {
    Dialog c("C");
    c.Form.Show();
  }  // destroyed while active
  EXPECT_EQ(Screen->ActiveForm(), &a.Form);
  a.Form.Hide();
}

struct ModalCase {
  const char* Name;
  std::function<void(Dialog&)> Action;
  TModalResult Result;
  std::vector<std::string> Log;
};

TEST_F(FormsTest, ShowModalEndsWithTheResultOfWhatClosedIt) {
  const ModalCase cases[] = {
      {"a button's modal result", [](Dialog& d) { FeedClick(d.Retry); }, mrRetry, {"click Retry"}},
      {"the close box", [](Dialog& d) { FeedClose(&d.Form); }, mrCancel, {}},
      {"Esc", [](Dialog& d) { FeedKey(&d.Form, VK_ESCAPE, {}); }, mrCancel, {"click Cancel"}},
      {"Enter", [](Dialog& d) { FeedKey(&d.Form, VK_RETURN, {}); }, mrOk, {"click Ok"}},
      {"Enter on a focused button",
       [](Dialog& d) {
         d.Retry->SetFocus();
         FeedKey(&d.Form, VK_RETURN, {});
       },
       mrRetry,
       {"click Retry"}},
      {"Space on a focused button",
       [](Dialog& d) {
         d.Retry->SetFocus();
         FeedKey(&d.Form, VK_SPACE, {});
       },
       mrRetry,
       {"click Retry"}},
      {"an accelerator", [](Dialog& d) { FeedKey(&d.Form, 'R', {ssAlt}); }, mrRetry, {"click Retry"}},
      {"hiding the form", [](Dialog& d) { d.Form.Hide(); }, mrCancel, {"hide"}},
      {"a result set in code", [](Dialog& d) { d.Form.SetModalResult(mrYes); }, mrYes, {}},
  };
  for (const ModalCase& c : cases) {
    Dialog d;
    queueSteps({[&] { c.Action(d); }});
    EXPECT_EQ(d.Form.ShowModal(), c.Result) << c.Name;
    EXPECT_FALSE(d.Form.Visible());
    EXPECT_FALSE(d.Form.Modal());
    std::vector<std::string> expected{"show", "activate Dlg"};
    expected.insert(expected.end(), c.Log.begin(), c.Log.end());
    if (expected.back() != "hide")
      expected.insert(expected.end(), {"deactivate Dlg", "hide"});
    else
      expected.insert(expected.end() - 1, "deactivate Dlg");
    EXPECT_EQ(d.Log, expected) << c.Name;
  }
}

TEST_F(FormsTest, KeysTheFocusedControlTakesAreNotDialogKeys) {
  Dialog d;
  auto* memo = add<TMemo>(&d.Form, "Memo");
  d.Form.Show();
  const struct {
    TWinControl* Focus;
    std::uint16_t Key;
    TShiftState Shift;
    bool Used;
    std::vector<std::string> Log;
  } cases[] = {
      {d.Edit, 'A', {}, false, {}},  // typing into the edit
      {d.Edit, 'R', {ssAlt}, true, {"click Retry"}},
      {d.Ok, 'A', {}, true, {"ticked"}},  // no text control has the focus
      {d.Ok, 'Q', {}, false, {}},
      {d.Ok, 'A', {ssCtrl}, false, {}},
      {memo, VK_RETURN, {}, false, {}},  // a new line
      {memo, VK_TAB, {}, true, {}},
      {memo, VK_RETURN, {ssAlt}, false, {}},
      {d.Box, VK_SPACE, {}, true, {"unticked"}},
      {d.Box, VK_RETURN, {}, true, {"click Ok"}},
  };
  for (const auto& c : cases) {
    c.Focus->SetFocus();
    d.Log.clear();
    EXPECT_EQ(FeedKey(&d.Form, c.Key, c.Shift), c.Used) << c.Focus->Name() << " " << c.Key;
    EXPECT_EQ(d.Log, c.Log) << c.Focus->Name() << " " << c.Key;
  }
  EXPECT_EQ(Screen->ActiveControl(), d.Box);  // where the accelerator put it
  memo->SetWantTabs(true);
  memo->SetFocus();
  EXPECT_FALSE(FeedKey(&d.Form, VK_TAB, {}));
  d.Ok->SetDefault(false);
  d.Edit->SetFocus();
  EXPECT_FALSE(FeedKey(&d.Form, VK_RETURN, {}));
  d.Cancel->SetVisible(false);
  EXPECT_FALSE(FeedKey(&d.Form, VK_ESCAPE, {}));
  d.Form.Hide();
}

TEST_F(FormsTest, CloseQueryAndOnCloseCanKeepAModalFormOpen) {
  Dialog d;
  int queries = 0;
  d.Form.SetOnCloseQuery([&](TObject*, bool& canClose) { canClose = ++queries > 1; });
  std::vector<TCloseAction> actions = {caNone, caHide};
  d.Form.SetOnClose([&](TObject*, TCloseAction& action) {
    action = actions.front();
    actions.erase(actions.begin());
  });
  queueSteps({[&] { FeedClose(&d.Form); }, [&] { FeedClick(d.Ok); }, [&] { FeedClick(d.Retry); }});
  EXPECT_EQ(d.Form.ShowModal(), mrRetry);
  EXPECT_EQ(queries, 3);
  EXPECT_TRUE(actions.empty());
}

TEST_F(FormsTest, AnExceptionInAHandlerReachesTheApplicationAndTheLoopGoesOn) {
  Dialog d;
  TObject* sender = nullptr;
  std::string message;
  Application->SetOnException([&](TObject* s, Exception* e) {
    sender = s;
    message = e->Message();
  });
  TButton* faulty = add<TButton>(&d.Form, "Faulty");
  faulty->SetOnClick([](TObject*) { throw EConvertError("'x' is not a valid integer value"); });
  queueSteps({[&] { FeedClick(faulty); }, [&] { FeedClick(d.Ok); }});
  EXPECT_EQ(d.Form.ShowModal(), mrOk);
  EXPECT_EQ(sender, faulty);
  EXPECT_EQ(message, "'x' is not a valid integer value");
}

TEST_F(FormsTest, TheModalLoopServesPostedMessages) {
  Dialog d;
  TWindowHook hook = [&](TMessage& m) {
    if (m.Msg != WM_USER + 7) return false;
    d.Form.SetModalResult(static_cast<TModalResult>(m.WParam));
    return true;
  };
  Application->HookMainWindow(hook);
  Application->PostMessage(WM_USER + 7, mrIgnore);
  const TModalResult result = d.Form.ShowModal();
  Application->UnhookMainWindow(hook);
  EXPECT_EQ(result, mrIgnore);
}

TEST_F(FormsTest, ModalFormsNestAndGiveTheFocusBack) {
  Dialog outer("Outer"), inner("Inner");
  outer.Retry->SetFocus();
  queueSteps({[&] {
                queueSteps({[&] { FeedClick(inner.Ok); }});
                EXPECT_EQ(inner.Form.ShowModal(), mrOk);
                EXPECT_EQ(Screen->ActiveControl(), outer.Retry);
              },
              [&] { FeedKey(&outer.Form, VK_ESCAPE, {}); }});
  EXPECT_EQ(outer.Form.ShowModal(), mrCancel);
  EXPECT_EQ(outer.Log, (std::vector<std::string>{"show", "activate Outer", "deactivate Outer", "activate Outer",
                                                 "click Cancel", "deactivate Outer", "hide"}));
}

TEST_F(FormsTest, AVisibleOrDisabledFormCantRunModally) {
  Dialog d;
  d.Form.Show();
  EXPECT_THROW(d.Form.ShowModal(), EInvalidOperation);
  d.Form.Hide();
  d.Form.SetEnabled(false);
  EXPECT_THROW(d.Form.ShowModal(), EInvalidOperation);
}

struct Probe : TComponent {
  bool& Gone;
  Probe(TComponent* owner, bool& gone) : TComponent(owner), Gone(gone) {}
  ~Probe() override { Gone = true; }
};

TEST_F(FormsTest, CloseWithCaFreeDestroysTheFormFromTheQueue) {
  bool gone = false;
  auto* form = new TForm(nullptr);
  new Probe(form, gone);
  form->SetOnClose([](TObject*, TCloseAction& action) { action = caFree; });
  form->Show();
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(gone);
  Application->ProcessMessages();
  EXPECT_TRUE(gone);

  // Destroyed before the queued release runs: nothing happens twice.
  form = new TForm(nullptr);
  form->Release();
  delete form;
  Application->ProcessMessages();
}

TEST_F(FormsTest, CentredFormsAreCentredWhenAScreenSizeIsKnown) {
  rvtest::TSizedWidgetSet sized;
  const struct {
    TPosition Position;
    bool Sized;
    int Left, Top;
  } cases[] = {
      {poScreenCenter, false, 200, 108}, {poScreenCenter, true, 266, 279},   {poMainFormCenter, true, 266, 279},
      {poDesigned, true, 200, 108},      {poOwnerFormCenter, true, 54, 145},
  };
  for (const auto& c : cases) {
    TForm owner(nullptr);
    owner.SetBounds(100, 100, 400, 300);
    owner.Show();
    auto* form = new TForm(&owner);
    form->SetBounds(200, 108, 492, 210);
    form->SetPosition(c.Position);
    TWidgetSet* previous = SetWidgetSet(c.Sized ? &sized : nullptr);
    form->Show();
    SetWidgetSet(previous);
    EXPECT_EQ(form->Left(), c.Left) << c.Position << c.Sized;
    EXPECT_EQ(form->Top(), c.Top) << c.Position << c.Sized;
    form->Hide();
    owner.Hide();
  }
}

}  // namespace
