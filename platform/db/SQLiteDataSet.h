#pragma once
// The SQLite datasets: TSQLiteTable (every row of one table, editable, read
// in windows) and TSQLiteQuery (the rows of a SELECT, with parameters,
// read-only). Both reach their database through a TSQLiteConnection.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Strings.h"
#include "platform/db/DataSet.h"
#include "platform/db/SQLiteConnection.h"
#include "platform/db/SQLiteStatement.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TSQLiteDataSet : public TDataSet {
  RV_CLASS(TSQLiteDataSet, TDataSet)
 public:
  explicit TSQLiteDataSet(TComponent* AOwner);
  ~TSQLiteDataSet() override;

  // A reference, cleared when the connection is destroyed.
  TSQLiteConnection* Connection() const { return FConnection; }
  void SetConnection(TSQLiteConnection* Value);

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  // Connects the connection when needed; raises EDatabaseError without one.
  sqlite3* Database();

 private:
  TSQLiteConnection* FConnection = nullptr;
};

class TSQLiteTable : public TSQLiteDataSet {
  RV_CLASS(TSQLiteTable, TSQLiteDataSet)
 public:
  explicit TSQLiteTable(TComponent* AOwner);
  ~TSQLiteTable() override;

  const std::string& TableName() const { return FTableName; }
  // Closes the table first when the name changes.
  void SetTableName(const std::string& Value);

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  int InternalRecordCount() override { return FRowCount; }
  void InternalGetRecord(int Index, TRecord& Values) override;
  int InternalPost(int Index, const TRecord& Values) override;
  int InternalInsert(int Position, const TRecord& Values) override;
  void InternalDelete(int Index) override;

 private:
  // Learns the rowids up to position Index (all of them for -1).
  void KnowRowIds(int Index);
  void LoadWindow(int Index);
  const TRecord& Row(int Index);
  // Binds the values that identify the row at Index from parameter First on.
  void BindKey(TSQLiteStatement& Statement, int First, int Index);
  std::string KeyCondition(int First) const;
  // The index of a stored rowid, placed in order.
  int PlaceRowId(std::int64_t RowId);
  TSQLiteStatement& InsertStatement(const TRecord& Values, std::vector<int>& Columns);

  std::string FTableName;
  int FRowCount = 0;
  // The rowids of the first rows, in order: the cursor's positions. Learnt
  // as windows are read, so a scroll reads the table once.
  std::vector<std::int64_t> FRowIds;
  std::vector<int> FKeyFields;  // primary key columns; empty: rows are identified by rowid
  int FWindowStart = 0;
  std::vector<TRecord> FWindow;  // rows read around the current one
  TRecord FEmptyRow;             // what a row that vanished reads as
  std::vector<TFieldType> FFieldTypes;
  TSQLiteStatement FSelectWindow;
  TSQLiteStatement FUpdate;
  TSQLiteStatement FFindKey;
  TSQLiteStatement FMoreRowIds;  // the rowid of a row by its key
  TSQLiteStatement FDelete;
  std::map<std::vector<int>, TSQLiteStatement> FInserts;  // by the columns given
};

// A parameter of a query, by name (without its ':', '@' or '$').
class TParam {
 public:
  explicit TParam(std::string Name) : FName(std::move(Name)) {}
  const std::string& Name() const { return FName; }
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& Value) { FValue = Value; }
  void SetAsString(const std::string& Value) { FValue = Value; }
  void SetAsInteger(std::int64_t Value) { FValue = Value; }
  void SetAsFloat(double Value) { FValue = Value; }
  void Clear() { FValue = Null; }

 private:
  std::string FName;
  Variant FValue;
};

class TSQLiteQuery : public TSQLiteDataSet {
  RV_CLASS(TSQLiteQuery, TSQLiteDataSet)
 public:
  explicit TSQLiteQuery(TComponent* AOwner);
  ~TSQLiteQuery() override;

  // The statement's text; changing it closes the query.
  TStrings* SQL() const { return FSQL.get(); }
  void SetSQL(const TStrings* Value);
  // The parameter of that name, created on first use (case-insensitive).
  TParam& ParamByName(const std::string& Name);
  // Runs the statement without reading rows; returns the rows it changed.
  int ExecSQL();
  bool CanModify() const override { return false; }

 protected:
  void InternalOpen() override;
  void InternalClose() override { FRows.clear(); }
  int InternalRecordCount() override { return static_cast<int>(FRows.size()); }
  void InternalGetRecord(int Index, TRecord& Values) override { Values = FRows[static_cast<std::size_t>(Index)]; }
  int InternalPost(int Index, const TRecord& Values) override;
  int InternalInsert(int Position, const TRecord& Values) override;
  void InternalDelete(int Index) override;

 private:
  TSQLiteStatement Prepare();

  std::unique_ptr<TStringList> FSQL;
  std::vector<TParam> FParams;
  std::vector<TRecord> FRows;
};

}  // namespace rv
