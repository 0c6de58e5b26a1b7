#pragma once
// The exception log's part of the showcase.

#include <string>

class TShowcaseForm;

// A click on the form's Convert button whose handler fails: the exception
// log writes its record and answers with the extended dialog (the standard
// error text without a display). Then a null pointer read in a handler,
// caught as EAccessViolation and recorded with its call stack, the dialog
// left out. Prints the log file.
std::string DemoExceptions(TShowcaseForm& Form);
