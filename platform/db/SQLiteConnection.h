#pragma once
// TSQLiteConnection: one SQLite database file, its transactions and its busy
// timeout. The SQLite datasets read and write through it.

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/rtl/Export.h"

struct sqlite3;

namespace RV_API rv {

class TSQLiteDataSet;

class TSQLiteConnection : public TComponent {
  RV_CLASS(TSQLiteConnection, TComponent)
 public:
  explicit TSQLiteConnection(TComponent* AOwner);
  ~TSQLiteConnection() override;

  const std::string& DatabaseName() const { return FDatabaseName; }
  // Closes the connection first when the name changes.
  void SetDatabaseName(const std::string& Value);
  // How long a statement waits for another connection's lock before it
  // fails with "database is locked", in milliseconds.
  int BusyTimeout() const { return FBusyTimeout; }
  void SetBusyTimeout(int Value);
  // Without it, a missing file is an error rather than a new database.
  bool CreateIfMissing() const { return FCreateIfMissing; }
  void SetCreateIfMissing(bool Value) { FCreateIfMissing = Value; }
  bool Connected() const { return FDb != nullptr; }
  // Opening checks that the file is a readable database; closing closes the
  // datasets first. While loading, the value is kept and applied by Loaded.
  void SetConnected(bool Value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  void StartTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const;
  // Runs one or more statements that return no rows.
  void ExecSQL(const std::string& SQL);
  // The number of rows the last statement changed.
  int RowsAffected() const;

  void Loaded() override;

  // For the SQLite datasets. Raises EDatabaseError when not connected.
  sqlite3* Handle() const;

 private:
  friend class TSQLiteDataSet;
  struct TCloser {
    void operator()(sqlite3* Db) const;
  };

  void Connect();
  void Disconnect();

  std::string FDatabaseName;
  int FBusyTimeout = 5000;
  bool FCreateIfMissing = false;
  bool FStreamedConnected = false;
  std::unique_ptr<sqlite3, TCloser> FDb;
  std::vector<TSQLiteDataSet*> FDataSets;
};

}  // namespace rv
