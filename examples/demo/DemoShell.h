#pragma once
// The demo's part for the shell change monitor.

#include <string>

#include "monitors/LogShell.h"

// Empties ScratchFolder and watches it with Shell: creates, renames and deletes a file and
// creates a folder, serves the event loop until their notifications arrived
// (a few seconds at most), prints them and switches Shell off. Returns a
// one-line summary for the form.
std::string DemoShell(rv::TQVShellLog& Shell, const std::string& ScratchFolder);
