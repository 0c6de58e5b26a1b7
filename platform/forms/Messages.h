#pragma once
// Window messages: the queued message record TMsg, the message TMessage a
// window handles, the hint record, and the message identifiers the framework
// uses.

#include <cstdint>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TControl;

using THandle = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  bool operator==(const TRect&) const = default;
};

// A message as it was queued.
struct TMsg {
  THandle hwnd = 0;
  std::uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::uint32_t time = 0;  // milliseconds since the system started
  TPoint pt;               // the pointer position when it was queued
};

// A message as a window handles it; Result is the answer to the sender.
struct TMessage {
  std::uint32_t Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// What a hint window is about to show; OnShowHint may change any of it.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;  // screen position of the hint window
  std::int32_t HintMaxWidth = 0;
  std::int32_t HintColor = 0;  // a colour value
  TRect CursorRect;            // the hint hides when the pointer leaves it
  TPoint CursorPos;            // pointer position in the control
  std::int32_t ReshowTimeout = 0;
  std::int32_t HideTimeout = 0;
  std::string HintStr;
  void* HintData = nullptr;
};

constexpr std::uint32_t WM_NULL = 0x0000;
// The session manager asks whether the session may end.
constexpr std::uint32_t WM_QUERYENDSESSION = 0x0011;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_WININICHANGE = 0x001A;
// The system's settings changed; the same message as WM_WININICHANGE.
constexpr std::uint32_t WM_SETTINGCHANGE = WM_WININICHANGE;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_USER = 0x0400;

}  // namespace rv
