// A scripted session of random edits and inserts on database A whose
// statements, run on database B (A's starting state), leave B equal to A.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "applog/LogDS.h"
#include "platform/db/SQLiteDataSet.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

const char* const kSchema =
    "CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT, \"first name\" TEXT, \"odd \"\"q\"\" col\" TEXT, "
    "score REAL, qty INTEGER);"
    "INSERT INTO people (name, \"first name\", score, qty) VALUES "
    "('Smith', 'Jo', 1.5, 3), ('Smith', 'Jo', 1.5, 3), ('Smith', NULL, NULL, 3), ('O''Hara', 'Zo\xC3\xAB', 2, NULL);";

// Texts that break naive quoting, share values between rows, or aren't ASCII.
const char* const kTexts[] = {
    "Smith",       "Jo", "O'Hara", "say \"hi\"",  "it''s", "Zo\xC3\xAB", "\xE6\x97\xA5\xE6\x9C\xAC",
    "two  blanks", "",   "a, b",   "(x) AND (y)", "--",    "Smith"};

class Session {
 public:
  explicit Session(unsigned seed) : FRandom(seed) {}

  Variant Value(TField* f) {
    if (Pick(6) == 0) return Null;
    switch (f->DataType()) {
      case ftFloat: return static_cast<double>(Pick(40)) / 4;
      case ftLargeint:
      case ftInteger: return static_cast<std::int64_t>(Pick(5));
      default: return std::string(kTexts[Pick(std::size(kTexts))]);
    }
  }
  // A random value, for a random subset of the columns other than the key.
  void Change(TDataSet& t) {
    int changes = 1 + Pick(3);
    for (int i = 0; i < changes; ++i) {
      TField* f = t.Fields(1 + Pick(t.FieldCount() - 1));
      f->SetValue(Value(f));
    }
  }
  int Pick(std::size_t n) { return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom)); }

 private:
  std::mt19937 FRandom;
};

std::vector<std::string> Rows(TSQLiteConnection& db) {
  TSQLiteQuery q(nullptr);
  q.SetConnection(&db);
  q.SQL()->SetText("SELECT *, typeof(score) || typeof(qty) || typeof(name) FROM people ORDER BY id");
  q.Open();
  std::vector<std::string> rows;
  for (; !q.Eof(); q.Next()) {
    std::string row;
    for (int i = 0; i < q.FieldCount(); ++i)
      row += (q.Fields(i)->IsNull() ? std::string("<null>") : q.Fields(i)->AsString()) + "|";
    rows.push_back(row);
  }
  return rows;
}

TEST(DatasetLogReplayTest, StatementsOfARandomSessionReproduceIt) {
  rvtest::TempDir dir;
  TSQLiteConnection a(nullptr), b(nullptr);
  for (auto [db, file] : {std::pair{&a, "a.db"}, std::pair{&b, "b.db"}}) {
    db->SetDatabaseName(dir.File(file));
    db->SetCreateIfMissing(true);
    db->Open();
    db->ExecSQL("PRAGMA synchronous = OFF");  // durability is not under test
    db->ExecSQL(kSchema);
  }
  TSQLiteTable table(nullptr);
  table.SetConnection(&a);
  table.SetTableName("people");
  TDataSource source(nullptr);
  source.SetDataSet(&table);
  TQVDatasetLog log(nullptr);
  log.SetLogFile("");  // only the statements matter here
  int statements = 0;
  log.SetOnSQLStatement([&](TObject*, const std::string& sql) {
    ++statements;
    b.ExecSQL(sql);
  });
  log.SetDataSource(&source);
  log.SetActive(true);
  table.Open();

  Session s(20261209);
  for (int step = 0; step < 400; ++step) {
    switch (s.Pick(10)) {
      case 0:
      case 1:
        // A record of nulls only has no statement to reproduce it.
        table.Append();
        table.FieldByName("name")->SetAsString(kTexts[s.Pick(std::size(kTexts))]);
        s.Change(table);
        if (table.FieldByName("name")->IsNull()) table.FieldByName("qty")->SetAsInteger(9);
        table.Post();
        break;
      case 2:
        table.Edit();
        s.Change(table);
        table.Cancel();
        break;
      case 3:  // leaving the record posts the edit
        table.Edit();
        s.Change(table);
        table.MoveBy(s.Pick(3) - 1);
        break;
      default:
        table.SetRecNo(1 + s.Pick(table.RecordCount()));
        table.Edit();
        s.Change(table);
        table.Post();
        break;
    }
  }
  table.CheckBrowseMode();
  EXPECT_GT(statements, 250);
  std::vector<std::string> rowsA = Rows(a), rowsB = Rows(b);
  EXPECT_GT(rowsA.size(), 50u);
  ASSERT_EQ(rowsA.size(), rowsB.size());
  for (std::size_t i = 0; i < rowsA.size(); ++i) EXPECT_EQ(rowsA[i], rowsB[i]) << "row " << i;
}

}  // namespace
