#include "platform/forms/MessageWindow.h"

#include "platform/forms/Application.h"

namespace RV_API rv {

THandle TMessageWindows::Allocate(TWndMethod Method) {
  const THandle wnd = FNext;
  FNext += 2;
  FWindows.emplace(wnd, std::move(Method));
  return wnd;
}

void TMessageWindows::Deallocate(THandle Wnd) { FWindows.erase(Wnd); }

bool TMessageWindows::Dispatch(THandle Wnd, TMessage& Message) {
  auto it = FWindows.find(Wnd);
  if (it == FWindows.end()) return false;
  // A copy: the handler may release its own window.
  const TWndMethod method = it->second;
  method(Message);
  return true;
}

THandle AllocateHWnd(TWndMethod Method) { return Application->MessageWindows().Allocate(std::move(Method)); }

void DeallocateHWnd(THandle Wnd) {
  if (Application) Application->MessageWindows().Deallocate(Wnd);
}

void PostMessage(THandle Wnd, std::uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  if (Application) Application->PostMessageTo(Wnd, Msg, WParam, LParam);
}

LRESULT SendMessage(THandle Wnd, std::uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  if (Application) Application->MessageWindows().Dispatch(Wnd, message);
  return message.Result;
}

}  // namespace rv
