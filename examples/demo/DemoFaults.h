#pragma once

// A null pointer read caught as EAccessViolation, its record with the call
// stack printed.
void DemoFaults();
