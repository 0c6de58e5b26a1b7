#pragma once
// The folder and registry monitors' part of the showcase.

#include <string>

#include "monitors/LogFile.h"
#include "monitors/LogRegistry.h"

// Activates both monitors on their stored folder and key, changes both (the
// registry in use is the showcase's own store), and prints the log the
// form's handlers wrote from the callbacks.
std::string DemoMonitors(rv::TQVFileLog& Files, rv::TQVRegistryLog& Registry);
