#pragma once
// Runs the application's loop for a while: windows redraw and take input,
// and the monitors' workers hand their changes over (Synchronize).

#include <chrono>

void ServeFor(std::chrono::milliseconds Time);
