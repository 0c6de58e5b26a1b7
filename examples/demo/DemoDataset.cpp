#include "examples/demo/DemoDataset.h"

#include <cstdio>

#include "examples/demo/PrintFile.h"
#include "platform/db/DataSource.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/FileUtils.h"

using namespace rv;

std::string DemoDataset(TQVDatasetLog& Log) {
  std::printf("== The dataset change log: edits of a SQLite table and their SQL\n");
  auto& table = dynamic_cast<TSQLiteTable&>(*Log.DataSource()->DataSet());
  TSQLiteConnection& db = *table.Connection();
  DeleteFile(db.DatabaseName());
  db.Open();
  db.ExecSQL(
      "CREATE TABLE Customers (ID INTEGER PRIMARY KEY, City TEXT, \"First Name\" TEXT);"
      "INSERT INTO Customers (City, \"First Name\") VALUES ('Paris', 'Joe'), ('Paris', 'Joe'), ('Oslo', 'Ann');");
  Log.ClearLog();

  table.Open();
  table.Edit();  // the first of the two rows that hold the same values
  table.FieldByName("City")->SetAsString("Lyon");
  table.FieldByName("First Name")->SetAsString("Jo \"the\" O'Hara");
  table.Post();
  table.Append();
  table.FieldByName("City")->SetAsString("Z\xC3\xBCrich");
  table.Post();
  table.Close();
  db.Close();

  PrintFile(Log.LogFile());
  return "an UPDATE and an INSERT; " + std::to_string(LineCount(Log.LogFile())) + " lines in " + Log.LogFile();
}
