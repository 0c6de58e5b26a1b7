#pragma once

#include <string>

// A file the showcase wrote; empty when nothing was written.
std::string FileText(const std::string& FileName);
// Prints a file the showcase wrote, under its full path.
void PrintFile(const std::string& FileName);
// The number of lines of a text file.
int LineCount(const std::string& FileName);
