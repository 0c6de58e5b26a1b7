#pragma once
// The log file's part of the showcase.

#include <string>

#include "core/LogBase.h"

// Writes the same records through a log in the text form and one in the XML
// form, prints both files and sums them up.
std::string DemoLog(rv::TQVLogBase& TextLog, rv::TQVLogBase& XmlLog);
