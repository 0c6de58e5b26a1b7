#pragma once
// The dataset change log's part of the showcase.

#include <string>

#include "applog/LogDS.h"

// Creates the small SQLite database of the table that Log watches through
// its data source, edits a row and appends one: Log writes a record per
// notification and hands out the statements (printed by the form's
// handler). Prints the log.
std::string DemoDataset(rv::TQVDatasetLog& Log);
