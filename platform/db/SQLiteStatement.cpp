#include "platform/db/SQLiteStatement.h"

#include <sqlite3.h>

#include <limits>
#include <utility>

#include "platform/db/DBError.h"
#include "platform/db/IsoDate.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

void SQLiteError(sqlite3* Db) { DatabaseError(Db ? sqlite3_errmsg(Db) : "out of memory"); }

TSQLiteStatement::TSQLiteStatement(sqlite3* Db, std::string_view Sql) : FDb(Db) {
  if (Sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) DatabaseError("statement too long");
  if (sqlite3_prepare_v2(Db, Sql.data(), static_cast<int>(Sql.size()), &FStmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(FStmt);
    FStmt = nullptr;
    SQLiteError(Db);
  }
  if (!FStmt) DatabaseError("empty statement");
}

TSQLiteStatement::~TSQLiteStatement() { sqlite3_finalize(FStmt); }

TSQLiteStatement::TSQLiteStatement(TSQLiteStatement&& Other) noexcept
    : FDb(std::exchange(Other.FDb, nullptr)), FStmt(std::exchange(Other.FStmt, nullptr)) {}

TSQLiteStatement& TSQLiteStatement::operator=(TSQLiteStatement&& Other) noexcept {
  if (this != &Other) {
    sqlite3_finalize(FStmt);
    FDb = std::exchange(Other.FDb, nullptr);
    FStmt = std::exchange(Other.FStmt, nullptr);
  }
  return *this;
}

void TSQLiteStatement::Bind(int Index, const Variant& Value) {
  int rc = SQLITE_OK;
  switch (Value.VarType()) {
    case varNull: rc = sqlite3_bind_null(FStmt, Index); break;
    case varInteger:
    case varInt64:
    case varBoolean: rc = sqlite3_bind_int64(FStmt, Index, Value.AsInt64()); break;
    case varDouble: rc = sqlite3_bind_double(FStmt, Index, Value.AsFloat()); break;
    case varDate: {
      std::string iso = DateTimeToIso(Value.AsDateTime());
      rc = sqlite3_bind_text64(FStmt, Index, iso.data(), iso.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
    }
    case varString: {
      std::string s = Value.AsString();
      rc = sqlite3_bind_text64(FStmt, Index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
    }
    case varBlob: {
      TBytes b = Value.AsBytes();
      rc = sqlite3_bind_blob64(FStmt, Index, b.data(), b.size(), SQLITE_TRANSIENT);
      break;
    }
  }
  if (rc != SQLITE_OK) SQLiteError(FDb);
}

int TSQLiteStatement::ParameterCount() const { return sqlite3_bind_parameter_count(FStmt); }

std::string TSQLiteStatement::ParameterName(int Index) const {
  const char* name = sqlite3_bind_parameter_name(FStmt, Index);
  return name ? name : "";
}

bool TSQLiteStatement::Step() {
  int rc = sqlite3_step(FStmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string message = sqlite3_errmsg(FDb);
  sqlite3_reset(FStmt);
  DatabaseError(message);
}

int TSQLiteStatement::Changes() const { return sqlite3_changes(FDb); }

void TSQLiteStatement::Reset() {
  sqlite3_reset(FStmt);
  sqlite3_clear_bindings(FStmt);
}

int TSQLiteStatement::ColumnCount() const { return sqlite3_column_count(FStmt); }

std::string TSQLiteStatement::ColumnName(int Index) const {
  const char* name = sqlite3_column_name(FStmt, Index);
  return name ? name : "";
}

std::string TSQLiteStatement::ColumnDeclType(int Index) const {
  const char* type = sqlite3_column_decltype(FStmt, Index);
  return type ? type : "";
}

std::int64_t TSQLiteStatement::ColumnInt64(int Index) const { return sqlite3_column_int64(FStmt, Index); }

Variant TSQLiteStatement::Column(int Index, TFieldType Type) const {
  switch (sqlite3_column_type(FStmt, Index)) {
    case SQLITE_INTEGER: {
      std::int64_t v = sqlite3_column_int64(FStmt, Index);
      if (Type == ftBoolean) return v != 0;
      if (Type == ftFloat) return static_cast<double>(v);
      if (Type == ftInteger && std::in_range<std::int32_t>(v)) return static_cast<std::int32_t>(v);
      return v;
    }
    case SQLITE_FLOAT: return sqlite3_column_double(FStmt, Index);
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, Index));
      std::string s(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(FStmt, Index)));
      TDateTime d = 0;
      if (Type == ftDateTime && TryIsoToDateTime(s, d)) return Variant::FromDateTime(d);
      return s;
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(FStmt, Index));
      return TBytes(p, p + sqlite3_column_bytes(FStmt, Index));
    }
    default: return Null;
  }
}

TFieldType FieldTypeOfDecl(std::string_view DeclType) {
  std::string t = UpperCase(DeclType);
  auto has = [&](const char* part) { return t.find(part) != std::string::npos; };
  if (has("BOOL")) return ftBoolean;
  if (has("DATE") || has("TIME")) return ftDateTime;
  if (has("INT")) return (t == "INTEGER" || has("BIG") || has("INT8")) ? ftLargeint : ftInteger;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return ftString;
  if (has("BLOB") || t.empty()) return t.empty() ? ftUnknown : ftBlob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return ftFloat;
  return ftUnknown;
}

std::string QuoteIdentifier(std::string_view Name) {
  std::string q = "\"";
  for (char c : Name) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

}  // namespace rv
