#pragma once
// The dataset change log's part of the demo.

namespace rvdemo {

// Edits and inserts rows of a small SQLite database through a watched
// table, then prints the change records and the statements.
void DemoDataset();

}  // namespace rvdemo
