#include "platform/db/SQLiteDataSet.h"

#include <algorithm>
#include <limits>

#include "platform/classes/Published.h"
#include "platform/db/DBError.h"

namespace RV_API rv {

namespace {

// Rows read at a time: enough that scrolling rarely waits on SQLite, few
// enough that a large table never sits in memory.
constexpr int kWindowRows = 256;

}  // namespace

const TClass& TSQLiteTable::StaticClass() {
  static const TClass cls = TClassBuilder<TSQLiteTable>("TSQLiteTable")
                                .Property("TableName", &TSQLiteTable::TableName, &TSQLiteTable::SetTableName)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TSQLiteTable)

TSQLiteTable::TSQLiteTable(TComponent* AOwner) : TSQLiteDataSet(AOwner) {}

TSQLiteTable::~TSQLiteTable() { CloseBeforeDestruction(); }

void TSQLiteTable::SetTableName(const std::string& Value) {
  if (Value == FTableName) return;
  if (Active()) Close();
  FTableName = Value;
}

void TSQLiteTable::InternalOpen() {
  sqlite3* db = Database();
  std::string table = QuoteIdentifier(FTableName);
  // Preparing the select first gives SQLite's own message for a missing table.
  FSelectWindow = TSQLiteStatement(db, "SELECT rowid, * FROM " + table + " WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2");
  int columns = FSelectWindow.ColumnCount() - 1;
  for (int c = 0; c < columns; ++c)
    AddField(FSelectWindow.ColumnName(c + 1), FieldTypeOfDecl(FSelectWindow.ColumnDeclType(c + 1)));

  // table_info lists the key's columns by their place in the key.
  FKeyFields.clear();
  std::vector<std::pair<std::int64_t, int>> key;
  TSQLiteStatement info(db, "SELECT name, pk FROM pragma_table_info(?1)");
  info.Bind(1, FTableName);
  while (info.Step())
    if (std::int64_t pk = info.ColumnInt64(1); pk > 0)
      if (TField* f = FindField(info.Column(0, ftString).AsString())) key.emplace_back(pk, f->Index());
  std::sort(key.begin(), key.end());
  for (auto [order, index] : key) {
    FKeyFields.push_back(index);
    TField* f = Fields(index);
    f->SetProviderFlags(f->ProviderFlags() + TProviderFlags{pfInKey});
  }

  std::string set;
  for (int c = 0; c < columns; ++c)
    set += (c ? ", " : "") + QuoteIdentifier(Fields(c)->FieldName()) + "=?" + std::to_string(c + 1);
  if (columns > 0)
    FUpdate = TSQLiteStatement(db, "UPDATE " + table + " SET " + set + " WHERE " + KeyCondition(columns + 1));
  if (!FKeyFields.empty()) FFindKey = TSQLiteStatement(db, "SELECT rowid FROM " + table + " WHERE " + KeyCondition(1));
  FDelete = TSQLiteStatement(db, "DELETE FROM " + table + " WHERE " + KeyCondition(1));
  FMoreRowIds = TSQLiteStatement(db, "SELECT rowid FROM " + table + " WHERE rowid > ?1 ORDER BY rowid LIMIT ?2");
  FRowIds.clear();
  FWindow.clear();
  TSQLiteStatement count(db, "SELECT count(*) FROM " + table);
  FRowCount = count.Step() ? static_cast<int>(count.ColumnInt64(0)) : 0;
  FEmptyRow.assign(static_cast<std::size_t>(FieldCount()), Null);
  FFieldTypes.clear();
  for (int c = 0; c < FieldCount(); ++c) FFieldTypes.push_back(Fields(c)->DataType());
}

void TSQLiteTable::InternalClose() {
  FSelectWindow = TSQLiteStatement();
  FUpdate = TSQLiteStatement();
  FFindKey = TSQLiteStatement();
  FDelete = TSQLiteStatement();
  FMoreRowIds = TSQLiteStatement();
  FInserts.clear();
  FRowCount = 0;
  FRowIds.clear();
  FWindow.clear();
  FWindowStart = 0;
}

void TSQLiteTable::KnowRowIds(int Index) {
  if (Index >= 0 && Index < static_cast<int>(FRowIds.size())) return;
  FMoreRowIds.Reset();
  FMoreRowIds.Bind(1, FRowIds.empty() ? std::numeric_limits<std::int64_t>::min() : FRowIds.back());
  FMoreRowIds.Bind(2, Index < 0 ? -1 : Index + 1 - static_cast<int>(FRowIds.size()));
  while (FMoreRowIds.Step()) FRowIds.push_back(FMoreRowIds.ColumnInt64(0));
  FMoreRowIds.Reset();
  // Another connection may have changed the table since it was counted.
  if (Index < 0 || Index >= static_cast<int>(FRowIds.size())) FRowCount = static_cast<int>(FRowIds.size());
}

std::string TSQLiteTable::KeyCondition(int First) const {
  if (FKeyFields.empty()) return "rowid=?" + std::to_string(First);
  std::string where;
  for (std::size_t k = 0; k < FKeyFields.size(); ++k)
    where += (k ? " AND " : "") + QuoteIdentifier(Fields(FKeyFields[k])->FieldName()) + " = ?" +
             std::to_string(First + static_cast<int>(k));
  return where;
}

void TSQLiteTable::BindKey(TSQLiteStatement& Statement, int First, int Index) {
  if (static_cast<std::size_t>(Index) >= FRowIds.size()) DatabaseError(Name() + ": Record not found");
  if (FKeyFields.empty()) {
    Statement.Bind(First, FRowIds[static_cast<std::size_t>(Index)]);
    return;
  }
  const TRecord& stored = Row(Index);
  for (std::size_t k = 0; k < FKeyFields.size(); ++k)
    Statement.Bind(First + static_cast<int>(k), stored[static_cast<std::size_t>(FKeyFields[k])]);
}

void TSQLiteTable::LoadWindow(int Index) {
  // Scrolling backwards reads the rows before Index, forwards those after.
  int start = Index < FWindowStart ? std::max(0, Index - kWindowRows + 1) : Index;
  KnowRowIds(start);
  int rows = std::min(kWindowRows, FRowCount - start);
  FWindowStart = start;
  if (rows <= 0) {
    FWindow.clear();
    return;
  }
  FWindow.resize(static_cast<std::size_t>(rows));
  for (TRecord& r : FWindow) r.resize(FFieldTypes.size());
  FSelectWindow.Reset();
  FSelectWindow.Bind(1, FRowIds[static_cast<std::size_t>(start)]);
  FSelectWindow.Bind(2, rows);
  // The rows past the known rowids make them known: one scroll reads the
  // table once. Rows another connection deleted stay empty; rows it added
  // are skipped.
  int at = 0;
  while (at < rows && FSelectWindow.Step()) {
    std::int64_t rowid = FSelectWindow.ColumnInt64(0);
    auto pos = [&] { return static_cast<std::size_t>(start + at); };
    while (at < rows && pos() < FRowIds.size() && FRowIds[pos()] < rowid)
      FWindow[static_cast<std::size_t>(at++)] = FEmptyRow;
    if (at == rows) break;
    if (pos() == FRowIds.size())
      FRowIds.push_back(rowid);
    else if (FRowIds[pos()] != rowid)
      continue;
    TRecord& r = FWindow[static_cast<std::size_t>(at++)];
    for (std::size_t c = 0; c < FFieldTypes.size(); ++c)
      r[c] = FSelectWindow.Column(static_cast<int>(c) + 1, FFieldTypes[c]);
  }
  FSelectWindow.Reset();
  for (; at < rows; ++at) FWindow[static_cast<std::size_t>(at)] = FEmptyRow;
  // The table shrank since it was counted: the rows past its end are gone.
  if (FRowIds.size() < static_cast<std::size_t>(start + rows)) {
    FRowCount = static_cast<int>(FRowIds.size());
    FWindow.resize(static_cast<std::size_t>(std::max(0, FRowCount - start)));
  }
}

const TRecord& TSQLiteTable::Row(int Index) {
  auto inWindow = [&] { return Index >= FWindowStart && Index < FWindowStart + static_cast<int>(FWindow.size()); };
  if (!inWindow()) LoadWindow(Index);
  return inWindow() ? FWindow[static_cast<std::size_t>(Index - FWindowStart)] : FEmptyRow;
}

void TSQLiteTable::InternalGetRecord(int Index, TRecord& Values) { Values = Row(Index); }

int TSQLiteTable::PlaceRowId(std::int64_t RowId) {
  KnowRowIds(-1);  // which may have read this row already
  auto at = std::lower_bound(FRowIds.begin(), FRowIds.end(), RowId);
  if (at == FRowIds.end() || *at != RowId) at = FRowIds.insert(at, RowId);
  FRowCount = static_cast<int>(FRowIds.size());
  return static_cast<int>(at - FRowIds.begin());
}

int TSQLiteTable::InternalPost(int Index, const TRecord& Values) {
  if (!FUpdate) DatabaseError(Name() + ": Table has no columns");
  FUpdate.Reset();
  for (int c = 0; c < FieldCount(); ++c) FUpdate.Bind(c + 1, Values[static_cast<std::size_t>(c)]);
  BindKey(FUpdate, FieldCount() + 1, Index);
  // A changed key may move the row (an integer key is its rowid).
  bool keyChanged = false;
  for (int k : FKeyFields)
    if (!(Values[static_cast<std::size_t>(k)] == Row(Index)[static_cast<std::size_t>(k)])) keyChanged = true;
  FUpdate.Step();
  int changed = FUpdate.Changes();
  FUpdate.Reset();
  if (changed == 0) DatabaseError(Name() + ": Record not found or changed by another user");
  std::size_t i = static_cast<std::size_t>(Index);
  std::int64_t rowid = FRowIds[i];
  if (keyChanged) {
    FFindKey.Reset();
    for (std::size_t k = 0; k < FKeyFields.size(); ++k)
      FFindKey.Bind(static_cast<int>(k + 1), Values[static_cast<std::size_t>(FKeyFields[k])]);
    if (FFindKey.Step()) rowid = FFindKey.ColumnInt64(0);
    FFindKey.Reset();
  }
  if (rowid == FRowIds[i]) {
    // The row keeps its place: the window takes the written values.
    if (Index >= FWindowStart && Index < FWindowStart + static_cast<int>(FWindow.size()))
      FWindow[i - static_cast<std::size_t>(FWindowStart)] = Values;
    return Index;
  }
  FRowIds.erase(FRowIds.begin() + Index);
  FWindow.clear();
  return PlaceRowId(rowid);
}

TSQLiteStatement& TSQLiteTable::InsertStatement(const TRecord& Values, std::vector<int>& Columns) {
  // Null columns are left out, so the table's defaults apply to them.
  Columns.clear();
  for (int c = 0; c < FieldCount(); ++c)
    if (!Values[static_cast<std::size_t>(c)].IsNull()) Columns.push_back(c);
  auto found = FInserts.find(Columns);
  if (found != FInserts.end()) return found->second;
  std::string sql = "INSERT INTO " + QuoteIdentifier(FTableName);
  if (Columns.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, params;
    for (std::size_t k = 0; k < Columns.size(); ++k) {
      names += (k ? ", " : "") + QuoteIdentifier(Fields(Columns[k])->FieldName());
      params += (k ? ", ?" : "?") + std::to_string(k + 1);
    }
    sql += " (" + names + ") VALUES (" + params + ")";
  }
  return FInserts.emplace(Columns, TSQLiteStatement(Database(), sql + " RETURNING rowid")).first->second;
}

int TSQLiteTable::InternalInsert(int /*Position*/, const TRecord& Values) {
  // A stored row takes its place by rowid, wherever it was inserted.
  std::vector<int> columns;
  TSQLiteStatement& insert = InsertStatement(Values, columns);
  insert.Reset();
  for (std::size_t k = 0; k < columns.size(); ++k)
    insert.Bind(static_cast<int>(k + 1), Values[static_cast<std::size_t>(columns[k])]);
  bool stored = insert.Step();
  std::int64_t rowid = stored ? insert.ColumnInt64(0) : 0;
  insert.Reset();
  if (!stored) DatabaseError(Name() + ": Record was not stored");
  FWindow.clear();
  return PlaceRowId(rowid);
}

void TSQLiteTable::InternalDelete(int Index) {
  FDelete.Reset();
  BindKey(FDelete, 1, Index);
  FDelete.Step();
  FDelete.Reset();
  FRowIds.erase(FRowIds.begin() + Index);
  --FRowCount;
  FWindow.clear();
}

}  // namespace rv
