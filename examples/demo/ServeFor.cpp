#include "examples/demo/ServeFor.h"

#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"

void ServeFor(std::chrono::milliseconds Time) {
  const auto end = std::chrono::steady_clock::now() + Time;
  while (std::chrono::steady_clock::now() < end) {
    rv::Application->ProcessMessages();
    rv::EventLoop().Wait(10);
  }
}
