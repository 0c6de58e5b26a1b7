#pragma once

#include <string>

// Prints a file the showcase wrote, under its full path.
void PrintFile(const std::string& FileName);
// The number of lines of a text file.
int LineCount(const std::string& FileName);
