#include "examples/demo/DemoDataset.h"

#include <cstdio>
#include <string>

#include "applog/LogDS.h"
#include "platform/classes/Stream.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace rvdemo {

using namespace rv;

void DemoDataset() {
  std::printf("\nThe dataset change log over a SQLite table\n");
  DeleteFile("demo.db");
  TSQLiteConnection db(nullptr);
  db.SetDatabaseName("demo.db");
  db.SetCreateIfMissing(true);
  db.Open();
  db.ExecSQL(
      "CREATE TABLE Customers (ID INTEGER PRIMARY KEY, City TEXT, \"First Name\" TEXT);"
      "INSERT INTO Customers (City, \"First Name\") VALUES ('Paris', 'Joe'), ('Paris', 'Joe'), ('Oslo', 'Ann');");

  TSQLiteTable table(nullptr);
  table.SetName("Customers");
  table.SetConnection(&db);
  table.SetTableName("Customers");
  TDataSource source(nullptr);
  source.SetDataSet(&table);

  TQVDatasetLog log(nullptr);
  log.SetLogFile("changes.log");
  log.ClearLog();
  log.SetFilterEvents({dbeActiveChanged, dbeEditingChanged, dbeRecordChanged, dbeUpdateData});
  log.SetOnSQLStatement([](TObject*, const std::string& sql) { std::printf("statement:\n%s\n", sql.c_str()); });
  log.SetDataSource(&source);
  log.SetActive(true);

  table.Open();
  table.Edit();  // the first of the two rows that hold the same values
  table.FieldByName("City")->SetAsString("Lyon");
  table.FieldByName("First Name")->SetAsString("Jo \"the\" O'Hara");
  table.Post();
  table.Append();
  table.FieldByName("City")->SetAsString("Z\xC3\xBCrich");
  table.Post();
  table.Close();

  std::printf("--- %s\n%s---\n", ExpandFileName(log.LogFile()).c_str(), ReadFileBytes(log.LogFile()).c_str());
}

}  // namespace rvdemo
