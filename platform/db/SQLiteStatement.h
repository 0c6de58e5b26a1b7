#pragma once
// A prepared SQLite statement, owned; the helpers the SQLite datasets share.
// SQLite's own types stay opaque here, so only the .cpp files of this folder
// see the library's header.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/Field.h"
#include "platform/db/Variant.h"
#include "platform/rtl/Export.h"

struct sqlite3;
struct sqlite3_stmt;

namespace RV_API rv {

// Raises EDatabaseError with the connection's last message.
[[noreturn]] void SQLiteError(sqlite3* Db);

class TSQLiteStatement {
 public:
  TSQLiteStatement() = default;
  // Prepares the first statement of Sql; raises EDatabaseError with SQLite's
  // message when it doesn't compile.
  TSQLiteStatement(sqlite3* Db, std::string_view Sql);
  ~TSQLiteStatement();
  TSQLiteStatement(TSQLiteStatement&& Other) noexcept;
  TSQLiteStatement& operator=(TSQLiteStatement&& Other) noexcept;

  explicit operator bool() const { return FStmt != nullptr; }

  // 1-based, as SQLite counts parameters.
  void Bind(int Index, const Variant& Value);
  int ParameterCount() const;
  // The parameter's name with its prefix (":id"); empty for a bare "?".
  std::string ParameterName(int Index) const;
  // True when a row is ready; raises EDatabaseError on failure, after which
  // the statement is reset.
  bool Step();
  // The rows the statement's last run changed.
  int Changes() const;
  // Ready to run again, bindings cleared.
  void Reset();

  int ColumnCount() const;
  std::string ColumnName(int Index) const;
  std::string ColumnDeclType(int Index) const;
  std::int64_t ColumnInt64(int Index) const;
  // The column of the current row as the field type wants it; a stored
  // value that isn't of that type comes as SQLite holds it.
  Variant Column(int Index, TFieldType Type) const;

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FStmt = nullptr;
};

// The field type for a declared column type, by SQLite's affinity rules.
TFieldType FieldTypeOfDecl(std::string_view DeclType);
// Name in double quotes, any double quote in it doubled.
std::string QuoteIdentifier(std::string_view Name);

}  // namespace rv
