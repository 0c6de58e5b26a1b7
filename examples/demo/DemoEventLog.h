#pragma once
// The system event log's part of the showcase.

#include <string>

#include "monitors/LogNT.h"

// Registers Log's source with a message file in ScratchFolder (the event
// log and registry in use are the showcase's own stores), writes three
// entries and reads them back with their message texts.
std::string DemoEventLog(rv::TQVNTEventLog& Log, const std::string& ScratchFolder);
