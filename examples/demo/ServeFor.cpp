#include "examples/demo/ServeFor.h"

#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"

bool ServeUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit) {
  const auto end = std::chrono::steady_clock::now() + Limit;
  while (!Done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    rv::Application->ProcessMessages();
    rv::EventLoop().Wait(10);
  }
  return true;
}

void ServeFor(std::chrono::milliseconds Time) {
  ServeUntil([] { return false; }, Time);
}
