#pragma once
// The demo's part for the system event log.

// Registers a source with a message file in a scratch store, writes an entry
// to its "Application" log and reads it back with its message text.
void RunEventLogDemo();
