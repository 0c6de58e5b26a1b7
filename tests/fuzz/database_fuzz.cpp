// Feeds arbitrary bytes to the SQLite datasets as a database file (every
// table opened and scrolled to the end) and to the stored date-time parser.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/DBError.h"
#include "platform/db/IsoDate.h"
#include "platform/db/SQLiteDataSet.h"
#include "tests/support/TempDir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rv;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TDateTime parsed = 0;
  TryIsoToDateTime(bytes, parsed);

  static rvtest::TempDir dir;
  std::string path = dir.File("fuzz.db");
  rvtest::WriteFile(path, std::string(bytes));
  try {
    TSQLiteConnection db(nullptr);
    db.SetDatabaseName(path);
    db.SetBusyTimeout(0);
    TSQLiteQuery tables(nullptr);
    tables.SetConnection(&db);
    tables.SQL()->SetText("SELECT name FROM sqlite_schema WHERE type = 'table'");
    tables.Open();
    for (; !tables.Eof(); tables.Next()) {
      TSQLiteTable table(nullptr);
      table.SetConnection(&db);
      table.SetTableName(tables.Fields(0)->AsString());
      try {
        table.Open();
        for (; !table.Eof(); table.Next())
          for (int i = 0; i < table.FieldCount(); ++i) table.Fields(i)->AsString();
      } catch (const EDatabaseError&) {
      }
    }
  } catch (const EDatabaseError&) {
  }
  unlink(path.c_str());
  return 0;
}
