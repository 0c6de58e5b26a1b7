#include "applog/LogDS.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "platform/classes/FormFile.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/MemTable.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

// Records with the date and time (fixed to one shape here) replaced by "@".
std::string withoutTimes(const std::string& text) {
  static const std::regex stamp(R"(\d{4}-\d\d-\d\d( \d\d:\d\d:\d\d)? )");
  return std::regex_replace(text, stamp, "@ ");
}

class DatasetLogTest : public ::testing::Test {
 protected:
  DatasetLogTest() : Table(nullptr), Source(nullptr), Log(nullptr) {
    Table.SetTableName("Customers");
    Table.AddFieldDef("City", ftString);
    Table.AddFieldDef("First Name", ftString);
    Table.Open();
    Table.Append();
    Table.FieldByName("City")->SetAsString("Paris");
    Table.FieldByName("First Name")->SetAsString("Joe");
    Table.Post();
    Source.SetDataSet(&Table);
    Log.SetLogFile(Dir.File("changes.log"));
    Log.SetOnSQLStatement([this](TObject*, const std::string& sql) { Statements.push_back(sql); });
    Log.SetActive(true);
  }
  std::string Records() const { return withoutTimes(rvtest::ReadFile(Log.LogFile())); }
  void EditFirstRow(const Variant& city, const Variant& name) {
    Table.First();
    Table.Edit();
    Table.FieldByName("City")->SetValue(city);
    Table.FieldByName("First Name")->SetValue(name);
  }

  TemporaryChange<std::string> DateFormat{FormatSettings.ShortDateFormat, "yyyy-mm-dd"};
  TemporaryChange<std::string> TimeFormat{FormatSettings.LongTimeFormat, "hh:nn:ss"};
  rvtest::TempDir Dir;
  rvtest::TMemTable Table;
  TDataSource Source;
  TQVDatasetLog Log;
  std::vector<std::string> Statements;
};

TEST_F(DatasetLogTest, RecordsFollowTheSessionByteForByte) {
  Log.SetDataSource(&Source);
  EditFirstRow("Lyon", "Jo");
  Table.Post();
  Table.Next();
  Table.Close();
  // The link sees an open dataset, then the assignment itself is recorded.
  EXPECT_EQ(Records(),
            "@ dbeActiveChanged\r\n"
            "@ dbeActiveChanged\r\n"
            "@ dbeDataSetChanged\r\n"
            "@ dbeEditingChanged\r\n"
            "@ dbeRecordChanged\r\n"
            "@ dbeRecordChanged City:Lyon\r\n"
            "@ dbeRecordChanged First Name:Jo\r\n"
            "@ dbeUpdateData\r\n"
            "@ dbeEditingChanged\r\n"
            "@ dbeDataSetChanged\r\n"
            "@ dbeActiveChanged\r\n");
  ASSERT_EQ(Statements.size(), 1u);
  EXPECT_EQ(Statements[0],
            "UPDATE Customers\r\nSET\r\n  City='Lyon', \"First Name\"='Jo'\r\nWHERE\r\n"
            "  (City='Paris') AND (\"First Name\"='Joe')");
}

TEST_F(DatasetLogTest, XmlRecordsCarryTheChangeTag) {
  Log.SetFormatting(qvlfXML);
  Log.SetDataSource(&Source);
  EXPECT_NE(Records().find("  <CHANGE>@ dbeActiveChanged\r\n\r\n  </CHANGE>\r\n</DATA>"), std::string::npos)
      << Records();
}

struct StatementCase {
  const char* Name;
  bool Key;  // City is the table's key
  bool Insert;
  Variant City, FirstName;
  const char* Expected;
};

TEST_F(DatasetLogTest, StatementsQuoteValuesAndNamesSafely) {
  const StatementCase cases[] = {
      {"unchanged", false, false, "Paris", "Joe", ""},
      {"one column", false, false, "Paris", "Jo",
       "UPDATE Customers\r\nSET\r\n  \"First Name\"='Jo'\r\nWHERE\r\n  (\"First Name\"='Joe')"},
      {"quotes in values", false, false, "Paris", "O'Hara \"Jo\"",
       "UPDATE Customers\r\nSET\r\n  \"First Name\"='O''Hara \"Jo\"'\r\nWHERE\r\n  (\"First Name\"='Joe')"},
      {"null new value", false, false, Null, "Joe",
       "UPDATE Customers\r\nSET\r\n  City=NULL\r\nWHERE\r\n  (City='Paris')"},
      {"key first", true, false, "Paris", "Jo",
       "UPDATE Customers\r\nSET\r\n  \"First Name\"='Jo'\r\nWHERE\r\n  (City='Paris') AND (\"First Name\"='Joe')"},
      {"changed key once", true, false, "Lyon", "Joe",
       "UPDATE Customers\r\nSET\r\n  City='Lyon'\r\nWHERE\r\n  (City='Paris')"},
      {"insert", false, true, "Nice", "Ann",
       "INSERT INTO Customers\r\n  (City, \"First Name\")\r\nVALUES\r\n  ('Nice', 'Ann')"},
      {"insert leaves nulls out", false, true, Null, "it's",
       "INSERT INTO Customers\r\n  (\"First Name\")\r\nVALUES\r\n  ('it''s')"},
      {"insert of nothing", false, true, Null, Null, ""},
  };
  for (const auto& c : cases) {
    Table.Fields(0)->SetProviderFlags(c.Key ? TProviderFlags{pfInUpdate, pfInWhere, pfInKey}
                                            : TProviderFlags{pfInUpdate, pfInWhere});
    if (c.Insert) {
      Table.Append();
      Table.Fields(0)->SetValue(c.City);
      Table.Fields(1)->SetValue(c.FirstName);
    } else {
      EditFirstRow(c.City, c.FirstName);
    }
    EXPECT_EQ(DatasetChangeStatement(Table), c.Expected) << c.Name;
    Table.Cancel();
  }
  EXPECT_EQ(DatasetChangeStatement(Table), "") << "browsing";
}

TEST_F(DatasetLogTest, NamesAreQuotedOnlyForBlanksAndKeepNoBareQuote) {
  TMemDataSet odd(nullptr);
  odd.AddFieldDef("my \"odd\" name", ftString);
  odd.AddFieldDef("plain\"", ftString);
  odd.Open();
  odd.Append();
  odd.Fields(0)->SetAsString("a");
  odd.Fields(1)->SetAsString("b");
  EXPECT_EQ(DatasetChangeStatement(odd),
            "INSERT INTO \r\n  (\"my \"\"odd\"\" name\", plain\")\r\nVALUES\r\n  ('a', 'b')");
}

struct TableNameCase {
  const char* Name;
  const char* TableName;  // null: a query with this SQL instead
  const char* SQL;
  const char* Expected;
};

TEST(DatasetTableNameTest, TableNameOrTheWordAfterFrom) {
  const TableNameCase cases[] = {
      {"table", "Orders", nullptr, "Orders"},
      {"table with extension", "customer.db", nullptr, "customer"},
      {"schema prefix", "dbo.Orders", nullptr, "dbo"},
      {"query", nullptr, "select * from Orders o where o.id=1", "Orders"},
      {"first line ends the name", nullptr, "SELECT * FROM Orders\r\nWHERE 1", "Orders"},
      {"from inside a word", nullptr, "SELECT DATEFROM x FROM y", "x"},
      {"two blanks", nullptr, "SELECT * FROM  Orders", ""},
      {"line break after from", nullptr, "SELECT a FROM\r\nOrders.x", "SELECT a FROM\r\nOrders"},
      {"no from", nullptr, "PRAGMA x", "PRAGMA x\r\n"},
  };
  for (const auto& c : cases) {
    if (c.TableName) {
      TSQLiteTable t(nullptr);
      t.SetTableName(c.TableName);
      EXPECT_EQ(DatasetTableName(t), c.Expected) << c.Name;
    } else {
      TSQLiteQuery q(nullptr);
      q.SQL()->SetText(c.SQL);
      EXPECT_EQ(DatasetTableName(q), c.Expected) << c.Name;
    }
  }
  TMemDataSet unnamed(nullptr);
  EXPECT_EQ(DatasetTableName(unnamed), "");
}

TEST_F(DatasetLogTest, NothingHappensAtDesignTimeWhenInactiveOrFiltered) {
  int changes = 0;
  Log.SetOnChange([&](TObject*, TQVLDBTypeEvent, TField*, std::string&) { ++changes; });
  int round = 0;
  auto session = [&] {
    Log.SetDataSource(&Source);
    EditFirstRow("Lyon" + std::to_string(++round), "Jo");
    Table.Post();
    Log.SetDataSource(nullptr);
  };
  Log.SetDesigning(true);
  session();
  Log.SetDesigning(false);
  Log.SetActive(false);
  session();
  Log.SetActive(true);
  Log.SetFilterEvents({});
  session();
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(Statements.empty());
  EXPECT_FALSE(FileExists(Log.LogFile()));

  Log.SetFilterEvents({dbeUpdateData});
  session();
  EXPECT_EQ(Records(), "@ dbeUpdateData\r\n");
  EXPECT_EQ(Statements.size(), 1u);
}

TEST_F(DatasetLogTest, UpdateDataWithoutChangesOrCallbackStillWritesItsRecord) {
  Log.SetFilterEvents({dbeUpdateData});
  Log.SetDataSource(&Source);
  Table.Edit();
  Table.Post();
  EXPECT_TRUE(Statements.empty());
  Log.SetOnSQLStatement(nullptr);
  EditFirstRow("Lyon", "Jo");
  Table.Post();
  EXPECT_EQ(Records(), "@ dbeUpdateData\r\n@ dbeUpdateData\r\n");
}

TEST_F(DatasetLogTest, OnChangeEditsTheTextAndRunsWithoutALogFile) {
  std::vector<TQVLDBTypeEvent> seen;
  Log.SetOnChange([&](TObject* Sender, TQVLDBTypeEvent State, TField* Field, std::string& Text) {
    EXPECT_EQ(Sender, &Log);
    seen.push_back(State);
    Text = State == dbeRecordChanged && Field ? "field " + Field->FieldName() + "\r\n" : "";
  });
  Log.SetDataSource(&Source);
  EditFirstRow("Lyon", "Paris");
  EXPECT_EQ(Records(), "field City\r\nfield First Name\r\n");
  Table.Cancel();
  Log.SetLogFile("");
  seen.clear();
  EditFirstRow("Nice", "Joe");
  Table.Post();
  EXPECT_EQ(seen.size(), 8u);  // First, Edit (2), two fields, UpdateData, Post (2)
  EXPECT_EQ(Statements.size(), 1u);
}

TEST_F(DatasetLogTest, FreeingTheDataSourceClearsItWithARecord) {
  auto source = std::make_unique<TDataSource>(nullptr);
  Log.SetDataSource(source.get());  // no dataset: inactive link
  source.reset();
  EXPECT_EQ(Log.DataSource(), nullptr);
  EXPECT_EQ(Records(), "@ dbeActiveChanged\r\n@ dbeActiveChanged\r\n");
}

TEST(DatasetLogFormTest, LoadingAssignsTheSourceWithoutARecord) {
  rvtest::TempDir dir;
  std::string form =
      "object Root: TComponent\n"
      "  object Log: TQVDatasetLog\n    Active = True\n    LogFile = '" +
      dir.File("load.log") +
      "'\n    DataSource = Src\n    FilterEvents = [dbeActiveChanged, dbeUpdateData]\n  end\n"
      "  object Src: TDataSource\n  end\n"
      "end\n";
  std::unique_ptr<TComponent> root(ReadComponentText(form, nullptr));
  auto* log = static_cast<TQVDatasetLog*>(root->FindComponent("Log"));
  EXPECT_EQ(log->DataSource(), root->FindComponent("Src"));
  EXPECT_EQ(log->FilterEvents(), (TQVLDBTypeEvents{dbeActiveChanged, dbeUpdateData}));
  EXPECT_FALSE(FileExists(log->LogFile()));
  std::string stored = WriteComponentText(*root);
  EXPECT_NE(stored.find("DataSource = Src"), std::string::npos) << stored;
  EXPECT_EQ(TQVDatasetLog(nullptr).FilterEvents().ToBits(), 0x7F);
}

}  // namespace
