#pragma once
// The demo's part for the folder and registry monitors.

// Watches a scratch folder and a registry key, changes both, and logs each
// callback through the monitor's own log; prints the log.
void RunMonitorsDemo();
