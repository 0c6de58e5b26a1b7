// The SQLite datasets against raw SQLite calls doing the same work:
// scrolling a 100,000-row table from first to last, and 10,000 edits posted
// in one transaction. And one notification recorded by an active dataset
// change log against WriteAsString of the same record text.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "applog/LogDS.h"
#include "bench/support/Compare.h"
#include "bench/support/Scratch.h"
#include "platform/db/MemDataSet.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/DateTime.h"

namespace {

using namespace rv;

constexpr int kRows = 100000;
constexpr int kEdits = 10000;

const std::string& databaseFile() {
  static const std::string path = [] {
    std::string file = rvbench::ScratchDir() + "/dataset.db";
    std::filesystem::remove(file);
    TSQLiteConnection db(nullptr);
    db.SetDatabaseName(file);
    db.SetCreateIfMissing(true);
    db.Open();
    db.ExecSQL(
        "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, score REAL);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
        "INSERT INTO t SELECT i, 'name ' || i, i * 0.5 FROM n;");
    return file;
  }();
  return path;
}

TSQLiteConnection& connection() {
  static TSQLiteConnection db(nullptr);
  if (!db.Connected()) {
    db.SetDatabaseName(databaseFile());
    db.Open();
  }
  return db;
}

sqlite3* rawDatabase() {
  static sqlite3* db = [] {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(databaseFile().c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    return handle;
  }();
  return db;
}

void BM_ScrollOurs(benchmark::State& state) {
  TSQLiteTable table(nullptr);
  table.SetConnection(&connection());
  table.SetTableName("t");
  std::size_t bytes = 0;
  for (auto _ : state) {
    table.Open();
    for (; !table.Eof(); table.Next()) bytes += table.Fields(1)->AsString().size();
    table.Close();
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_ScrollRaw(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(rawDatabase(), "SELECT rowid, * FROM t ORDER BY rowid", -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      sqlite3_column_int64(stmt, 0);
      sqlite3_column_int64(stmt, 1);
      std::string name(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)));
      sqlite3_column_double(stmt, 3);
      bytes += name.size();
    }
    sqlite3_finalize(stmt);
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_PostOurs(benchmark::State& state) {
  TSQLiteTable table(nullptr);
  table.SetConnection(&connection());
  table.SetTableName("t");
  table.Open();
  TField* score = table.FieldByName("score");
  double value = 0;
  for (auto _ : state) {
    connection().StartTransaction();
    table.First();
    for (int i = 0; i < kEdits; ++i) {
      table.Edit();
      score->SetAsFloat(++value);
      table.Post();
      table.Next();
    }
    connection().Commit();
  }
  state.SetItemsProcessed(state.iterations() * kEdits);
}

void BM_PostRaw(benchmark::State& state) {
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(rawDatabase(), "UPDATE t SET score = ?1 WHERE id = ?2", -1, &update, nullptr);
  double value = 0;
  for (auto _ : state) {
    sqlite3_exec(rawDatabase(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (int i = 1; i <= kEdits; ++i) {
      sqlite3_bind_double(update, 1, ++value);
      sqlite3_bind_int64(update, 2, i);
      sqlite3_step(update);
      sqlite3_reset(update);
    }
    sqlite3_exec(rawDatabase(), "COMMIT", nullptr, nullptr, nullptr);
  }
  sqlite3_finalize(update);
  state.SetItemsProcessed(state.iterations() * kEdits);
}

std::string logFile(const char* name) {
  std::string path = rvbench::ScratchDir() + "/" + name;
  std::filesystem::remove(path);
  return path;
}

void BM_NotifyOurs(benchmark::State& state) {
  TMemDataSet data(nullptr);
  data.AddFieldDef("ID", ftInteger, true);
  data.Open();
  for (int i = 0; i < 2; ++i) {
    data.Append();
    data.Fields(0)->SetAsInteger(i);
    data.Post();
  }
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  TQVDatasetLog log(nullptr);
  log.SetLogFile(logFile("notify-ours.log"));
  log.SetDataSource(&source);
  log.SetActive(true);
  int step = 1;
  for (auto _ : state) {
    data.MoveBy(step);  // one dbeDataSetScrolled record
    step = -step;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_NotifyWrite(benchmark::State& state) {
  TQVLogBase log(nullptr);
  log.SetLogFile(logFile("notify-write.log"));
  for (auto _ : state) log.WriteAsString("CHANGE", FormatDateTime("c", Now()) + " dbeDataSetScrolled\r\n");
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ScrollOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PostOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PostRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NotifyOurs);
BENCHMARK(BM_NotifyWrite);

}  // namespace

int main(int argc, char** argv) {
  return rvbench::RunAndCompare(
      argc, argv,
      {{"scrolling 100,000 rows: TSQLiteTable / sqlite3_step", "BM_ScrollOurs", "BM_ScrollRaw", 0.5},
       {"10,000 posted edits: TSQLiteTable / prepared UPDATE", "BM_PostOurs", "BM_PostRaw", 0.5},
       {"a logged notification / WriteAsString", "BM_NotifyOurs", "BM_NotifyWrite", 1 / 1.3}});
}
