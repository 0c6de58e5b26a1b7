#pragma once

// The demo host's application events (idle, activation, hints) logged
// through an application event log into its own log file, which is shown.
void RunAppLogDemo();
