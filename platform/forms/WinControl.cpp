// TWinControl: child controls, tab order, focus and the layout of aligned
// children.

#include <algorithm>
#include <cstdint>

#include "platform/classes/Published.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

std::int32_t clampToInt(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The edge aligned controls are stacked from: those nearer to it come first.
std::int64_t alignKey(TAlign align, const TControl* c) {
  switch (align) {
    case alBottom: return -(std::int64_t{c->Top()} + c->Height());
    case alLeft: return c->Left();
    case alRight: return -(std::int64_t{c->Left()} + c->Width());
    default: return c->Top();
  }
}

// The part of the client area not yet taken by aligned controls; 64 bits so
// that hostile sizes can't overflow.
struct FreeRect {
  std::int64_t Left, Top, Right, Bottom;
};

void place(TControl* c, TAlign align, FreeRect& r) {
  const std::int64_t width = std::max<std::int64_t>(r.Right - r.Left, 0);
  const std::int64_t height = std::max<std::int64_t>(r.Bottom - r.Top, 0);
  switch (align) {
    case alTop:
      c->SetBounds(clampToInt(r.Left), clampToInt(r.Top), clampToInt(width), c->Height());
      r.Top += c->Height();
      break;
    case alBottom:
      c->SetBounds(clampToInt(r.Left), clampToInt(r.Bottom - c->Height()), clampToInt(width), c->Height());
      r.Bottom -= c->Height();
      break;
    case alLeft:
      c->SetBounds(clampToInt(r.Left), clampToInt(r.Top), c->Width(), clampToInt(height));
      r.Left += c->Width();
      break;
    case alRight:
      c->SetBounds(clampToInt(r.Right - c->Width()), clampToInt(r.Top), c->Width(), clampToInt(height));
      r.Right -= c->Width();
      break;
    case alClient: c->SetBounds(clampToInt(r.Left), clampToInt(r.Top), clampToInt(width), clampToInt(height)); break;
    case alNone: break;
  }
}

}  // namespace

const TClass& TWinControl::StaticClass() {
  static const TClass cls = TClassBuilder<TWinControl>("TWinControl")
                                .Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
                                .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false)
                                .Build();
  return cls;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  Destroying();
  while (!FControls.empty()) {
    TControl* last = FControls.back();
    RemoveControl(last);
    delete last;
  }
}

// ---- Children -------------------------------------------------------------------------

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FControls[static_cast<std::size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (; Control; Control = Control->Parent())
    if (Control == this) return true;
  return false;
}

void TWinControl::InsertControl(TControl* AControl) {
  FControls.push_back(AControl);
  AControl->FParent = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    // A place asked for before the control had a parent is taken now.
    const int wanted = w->FTabOrder;
    FTabList.push_back(w);
    w->FTabOrder = static_cast<int>(FTabList.size()) - 1;
    if (wanted >= 0 && !w->IsLoading()) w->SetTabOrder(wanted);
  }
  AControl->RequestAlign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  // Compared as TControl: the control may be half destroyed already.
  auto tab = std::find_if(FTabList.begin(), FTabList.end(), [&](TWinControl* w) { return w == AControl; });
  if (tab != FTabList.end()) {
    TWinControl* w = *tab;
    if (TCustomForm* form = LiveForm()) form->DefocusControl(w);
    FTabList.erase(tab);
    w->FTabOrder = -1;
    for (std::size_t i = 0; i < FTabList.size(); ++i) FTabList[i]->FTabOrder = static_cast<int>(i);
  }
  FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
  AControl->FParent = nullptr;
  if (AControl->FAlign != alNone) AlignControls(nullptr);
}

void TWinControl::GetChildren(std::vector<TComponent*>& Children, TComponent* Root) const {
  for (TControl* c : FControls)
    if (c->Owner() == Root) Children.push_back(c);
  TComponent::GetChildren(Children, Root);
}

void TWinControl::NotifyChildren(void (TControl::*Method)()) {
  ForEachChild([&](TControl* c) { (c->*Method)(); });
}

void TWinControl::FontChanged(TObject* Sender) {
  TControl::FontChanged(Sender);
  Realign();  // captions take room in some containers
}

void TWinControl::Loaded() {
  TControl::Loaded();
  FixupTabList();
  if (Parent()) SetTabOrder(FTabOrder);
  Realign();
}

// ---- Tab order --------------------------------------------------------------------------

int TWinControl::TabOrder() const { return Parent() ? FTabOrder : -1; }

void TWinControl::SetTabOrder(int Value) {
  TWinControl* parent = Parent();
  if (IsLoading() || !parent) {
    FTabOrder = Value;
    return;
  }
  std::vector<TWinControl*>& list = parent->FTabList;
  auto current = std::find(list.begin(), list.end(), this);
  list.erase(current);
  const int place = std::clamp(Value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + place, this);
  for (std::size_t i = 0; i < list.size(); ++i) list[i]->FTabOrder = static_cast<int>(i);
}

void TWinControl::FixupTabList() {
  // The stored places, applied together once every child is there.
  std::stable_sort(FTabList.begin(), FTabList.end(),
                   [](const TWinControl* a, const TWinControl* b) { return a->FTabOrder < b->FTabOrder; });
  for (std::size_t i = 0; i < FTabList.size(); ++i) FTabList[i]->FTabOrder = static_cast<int>(i);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const {
  for (TWinControl* w : FTabList) {
    List.push_back(w);
    w->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  const auto n = static_cast<std::ptrdiff_t>(list.size());
  if (n == 0) return nullptr;
  auto found = std::find(list.begin(), list.end(), CurControl);
  // Without a current control the search starts just outside the list.
  const std::ptrdiff_t start = found != list.end() ? found - list.begin() : (GoForward ? n - 1 : 0);
  for (std::ptrdiff_t step = 1; step <= n; ++step) {
    const std::ptrdiff_t i = GoForward ? (start + step) % n : (start - step + n) % n;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (found == list.end() || c != CurControl)
      if ((!CheckTabStop || c->TabStop()) && c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop)) next->SetFocus();
}

// ---- Focus ------------------------------------------------------------------------------

bool TWinControl::CanFocus() const {
  const TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (const TControl* c = this; c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form || !CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  form->FocusControl(this);
}

bool TWinControl::Focused() const {
  const TCustomForm* form = GetParentForm(this);
  return form && form->Active() && form->ActiveControl() == this;
}

bool TWinControl::WantsKey(std::uint16_t, TShiftState) const { return false; }

TCustomForm* TWinControl::LiveForm() const {
  if (IsDestroying()) return nullptr;
  TCustomForm* form = GetParentForm(this);
  return form && !form->IsDestroying() ? form : nullptr;
}

void TWinControl::RemoveFocus() {
  if (TCustomForm* form = LiveForm()) form->DefocusControl(this);
}

void TWinControl::VisibleChanged() {
  TControl::VisibleChanged();
  if (!Visible()) RemoveFocus();
}

void TWinControl::EnabledChanged() {
  TControl::EnabledChanged();
  if (!Enabled()) RemoveFocus();
}

// ---- Layout ------------------------------------------------------------------------------

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::Realign() { AlignControls(nullptr); }

void TWinControl::AlignControls(TControl* AControl) {
  // Children moved by the layout below ask for it again: ignored.
  if (FAlignLevel > 0 || IsLoading() || IsDestroying()) return;
  TemporaryChange aligning(FAlignLevel, 1);

  TRect client = ClientRect();
  AdjustClientRect(client);
  FreeRect r{client.Left, client.Top, client.Right, client.Bottom};
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* c : FControls)
      if (c->Align() == align && c->Visible()) list.push_back(c);
    // The control that moved wins a tie: it was put there on purpose.
    std::stable_sort(list.begin(), list.end(), [&](const TControl* a, const TControl* b) {
      const std::int64_t ka = alignKey(align, a), kb = alignKey(align, b);
      return ka != kb ? ka < kb : (a == AControl && b != AControl);
    });
    for (TControl* c : list) place(c, align, r);
  }
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const int oldWidth = Width(), oldHeight = Height();
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (Width() != oldWidth || Height() != oldHeight) Realign();
}

}  // namespace rv
