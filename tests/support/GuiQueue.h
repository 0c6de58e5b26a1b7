#pragma once
// Serving the GUI queue from a test's (the GUI) thread while workers hand
// their calls over.

#include <chrono>
#include <functional>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"

namespace rvtest {

// Serves the queue until Done holds or the deadline passes; false then.
inline bool ServeUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + Limit;
  while (!Done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    rv::CheckSynchronize(10);
  }
  return true;
}

// Serves the queue for a while: long enough for a change that should not be
// reported to have been reported.
inline void ServeFor(std::chrono::milliseconds Span) {
  const auto end = std::chrono::steady_clock::now() + Span;
  while (std::chrono::steady_clock::now() < end) rv::CheckSynchronize(5);
}

// Runs the application's loop (posted messages, event-loop sources, handed
// over calls) until Done holds or the deadline passes; false then.
inline bool ServeAppUntil(const std::function<bool()>& Done,
                          std::chrono::milliseconds Limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + Limit;
  for (;;) {
    rv::Application->ProcessMessages();
    if (Done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    rv::EventLoop().Wait(20);
  }
}

// Runs the application's loop for a while: long enough for something that
// should not happen to have happened.
inline void ServeAppFor(std::chrono::milliseconds Span) {
  const auto end = std::chrono::steady_clock::now() + Span;
  ServeAppUntil([&] { return std::chrono::steady_clock::now() >= end; }, Span + std::chrono::seconds(1));
}

}  // namespace rvtest
