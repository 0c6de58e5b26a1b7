#pragma once
// The input validation part of the showcase.

#include <string>

class TShowcaseForm;

// The form's entry controls are filled in wrongly and its Check button
// clicked: the check processor fails each control and marks it (shown for a
// few seconds with a display). Then right input passes.
std::string DemoChecks(TShowcaseForm& Form);
