#include "platform/db/SQLiteConnection.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/classes/Published.h"
#include "platform/db/DBError.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SQLiteStatement.h"

namespace RV_API rv {

const TClass& TSQLiteConnection::StaticClass() {
  // Connected comes last, so a stored connection opens with its settings.
  static const TClass cls =
      TClassBuilder<TSQLiteConnection>("TSQLiteConnection")
          .Property("DatabaseName", &TSQLiteConnection::DatabaseName, &TSQLiteConnection::SetDatabaseName)
          .Property("BusyTimeout", &TSQLiteConnection::BusyTimeout, &TSQLiteConnection::SetBusyTimeout, 5000)
          .Property("CreateIfMissing", &TSQLiteConnection::CreateIfMissing, &TSQLiteConnection::SetCreateIfMissing,
                    false)
          .Property("Connected", &TSQLiteConnection::Connected, &TSQLiteConnection::SetConnected, false)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TSQLiteConnection)

void TSQLiteConnection::TCloser::operator()(sqlite3* Db) const { sqlite3_close_v2(Db); }

TSQLiteConnection::TSQLiteConnection(TComponent* AOwner) : TComponent(AOwner) {}

TSQLiteConnection::~TSQLiteConnection() {
  // The datasets close while their statements can still be finalised.
  SendFreeNotifications();
  Disconnect();
}

void TSQLiteConnection::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName) return;
  Disconnect();
  FDatabaseName = Value;
}

void TSQLiteConnection::SetBusyTimeout(int Value) {
  FBusyTimeout = Value;
  if (FDb) sqlite3_busy_timeout(FDb.get(), Value);
}

void TSQLiteConnection::SetConnected(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedConnected = Value;
    return;
  }
  if (Value == Connected()) return;
  if (Value)
    Connect();
  else
    Disconnect();
}

void TSQLiteConnection::Loaded() {
  Inherited::Loaded();
  if (FStreamedConnected) SetConnected(true);
}

void TSQLiteConnection::Connect() {
  if (FDatabaseName.empty()) DatabaseError(Name() + ": Missing DatabaseName");
  // A connection serves the thread that drives its datasets, so SQLite's
  // own locking of every call is not needed.
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (FCreateIfMissing ? SQLITE_OPEN_CREATE : 0);
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(FDatabaseName.c_str(), &raw, flags, nullptr);
  std::unique_ptr<sqlite3, TCloser> db(raw);
  if (rc != SQLITE_OK) DatabaseError(FDatabaseName + ": " + (raw ? sqlite3_errmsg(raw) : "out of memory"));
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, FBusyTimeout);
  // SQLite opens lazily: reading the schema finds a file that is no
  // database, or a damaged one, now rather than at the first query.
  TSQLiteStatement check(raw, "SELECT count(*) FROM sqlite_schema");
  try {
    while (check.Step()) {
    }
  } catch (const EDatabaseError& e) {
    DatabaseError(FDatabaseName + ": " + e.Message());
  }
  check = TSQLiteStatement();
  FDb = std::move(db);
}

void TSQLiteConnection::Disconnect() {
  if (!FDb) return;
  std::vector<TSQLiteDataSet*> datasets = FDataSets;
  for (TSQLiteDataSet* d : datasets) d->Close();
  // Uncommitted work is rolled back by SQLite when the handle closes.
  FDb.reset();
}

sqlite3* TSQLiteConnection::Handle() const {
  if (!FDb) DatabaseError(Name() + ": Database is not connected");
  return FDb.get();
}

void TSQLiteConnection::ExecSQL(const std::string& SQL) {
  char* error = nullptr;
  if (sqlite3_exec(Handle(), SQL.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : sqlite3_errmsg(FDb.get());
    sqlite3_free(error);
    DatabaseError(message);
  }
}

int TSQLiteConnection::RowsAffected() const { return sqlite3_changes(Handle()); }

bool TSQLiteConnection::InTransaction() const { return FDb && sqlite3_get_autocommit(FDb.get()) == 0; }

void TSQLiteConnection::StartTransaction() { ExecSQL("BEGIN IMMEDIATE"); }
void TSQLiteConnection::Commit() { ExecSQL("COMMIT"); }
void TSQLiteConnection::Rollback() { ExecSQL("ROLLBACK"); }

}  // namespace rv
