#pragma once
// Runs the application's loop for a while: windows redraw and take input,
// and the monitors' workers hand their changes over (Synchronize).

#include <chrono>
#include <functional>

void ServeFor(std::chrono::milliseconds Time);
// Until Done holds, or at most for Limit; whether Done held.
bool ServeUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit);
