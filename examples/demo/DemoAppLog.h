#pragma once
// The application event log's part of the showcase.

#include <string>

class TShowcaseForm;

// The application's events arrive as a widget set feeds them (activation,
// the pointer over the Convert button, a settings change, the loop waiting);
// the form's handlers of its AppLog write them to its log, which is printed.
std::string DemoAppLog(TShowcaseForm& Form);
