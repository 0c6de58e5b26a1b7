#pragma once
// The input validation part of the demo.

// With a display: a small entry form validated by a check processor, first
// with wrong input (markers beside the failed controls), then with right
// input; it closes by itself after a few seconds. Without one: the verdicts
// printed.
void DemoChecks();
