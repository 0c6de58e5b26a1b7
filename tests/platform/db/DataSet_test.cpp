#include "platform/db/DataSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/db/DBError.h"
#include "platform/db/DataSource.h"
#include "platform/db/MemDataSet.h"

using namespace rv;

namespace {

// Records every notification as one word, the field's name after a colon.
class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> Calls;

 protected:
  void ActiveChanged() override { Calls.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { Calls.push_back("changed"); }
  void DataSetScrolled(int Distance) override { Calls.push_back("scrolled" + std::to_string(Distance)); }
  void EditingChanged() override { Calls.push_back(Editing() ? "editing" : "browsing"); }
  void LayoutChanged() override { Calls.push_back("layout"); }
  void RecordChanged(TField* Field) override { Calls.push_back(Field ? "record:" + Field->FieldName() : "record"); }
  void UpdateData() override { Calls.push_back("update"); }
};

class DataSetTest : public ::testing::Test {
 protected:
  DataSetTest() : Data(nullptr), Source(nullptr) {
    Data.AddFieldDef("ID", ftInteger, true);
    Data.AddFieldDef("Name", ftString);
    Source.SetDataSet(&Data);
    Link.SetDataSource(&Source);
  }
  void AddRows(int n) {
    Data.Open();
    for (int i = 1; i <= n; ++i) {
      Data.Append();
      Data.FieldByName("ID")->SetAsInteger(i);
      Data.FieldByName("Name")->SetAsString("n" + std::to_string(i));
      Data.Post();
    }
    Data.First();
    Link.Calls.clear();
  }

  TMemDataSet Data;
  TDataSource Source;
  RecordingLink Link;
};

using Calls = std::vector<std::string>;

TEST_F(DataSetTest, NavigationStopsAtBothEnds) {
  AddRows(3);
  EXPECT_TRUE(Data.Bof());
  EXPECT_EQ(Data.RecNo(), 1);
  Data.Next();
  Data.Next();
  EXPECT_FALSE(Data.Eof());
  EXPECT_EQ(Data.FieldByName("ID")->AsInteger(), 3);
  Data.Next();
  EXPECT_TRUE(Data.Eof());
  EXPECT_EQ(Data.RecNo(), 3);
  EXPECT_EQ(Data.MoveBy(-10), -2);
  EXPECT_TRUE(Data.Bof());
  Data.Last();
  EXPECT_EQ(Data.FieldByName("Name")->AsString(), "n3");
  Data.SetRecNo(2);
  EXPECT_EQ(Data.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(Link.Calls, (Calls{"scrolled1", "scrolled1", "scrolled-2", "changed", "scrolled-1"}));
}

TEST_F(DataSetTest, EmptyDatasetIsBofAndEof) {
  Data.Open();
  EXPECT_TRUE(Data.Bof() && Data.Eof() && Data.IsEmpty());
  EXPECT_EQ(Data.RecNo(), 0);
  EXPECT_TRUE(Data.FieldByName("ID")->IsNull());
  EXPECT_THROW(Data.Delete(), EDatabaseError);
}

TEST_F(DataSetTest, NotificationsArriveAtTheClassicMoments) {
  Data.Open();
  EXPECT_EQ(Link.Calls, (Calls{"active"}));
  Link.Calls.clear();
  Data.Append();
  Data.FieldByName("Name")->SetAsString("x");
  Data.Post();
  EXPECT_EQ(Link.Calls, (Calls{"editing", "changed", "record:Name", "update", "browsing", "changed"}));
  Link.Calls.clear();
  Data.Edit();
  Data.Cancel();
  Data.Close();
  EXPECT_EQ(Link.Calls, (Calls{"editing", "record", "browsing", "changed", "inactive"}));
}

TEST_F(DataSetTest, OldAndNewValuesWhileEditing) {
  AddRows(1);
  TField* name = Data.FieldByName("name");
  Data.Edit();
  name->SetAsString("changed");
  EXPECT_EQ(name->OldValue(), Variant("n1"));
  EXPECT_EQ(name->NewValue(), Variant("changed"));
  Data.Cancel();
  EXPECT_EQ(name->AsString(), "n1");
  Data.Insert();
  EXPECT_TRUE(name->OldValue().IsNull());
  EXPECT_EQ(Data.State(), dsInsert);
}

TEST_F(DataSetTest, FieldsConvertToTheirTypeAndRefuseWrongUse) {
  AddRows(1);
  TField* id = Data.FieldByName("ID");
  EXPECT_THROW(id->SetAsInteger(2), EDatabaseError);  // not editing
  Data.Edit();
  id->SetAsString("42");
  EXPECT_EQ(id->Value().VarType(), varInteger);
  EXPECT_THROW(id->SetAsString("forty"), EDatabaseError);
  EXPECT_THROW(id->SetValue(std::int64_t{1} << 40), EDatabaseError);
  EXPECT_EQ(id->AsInteger(), 42);
  EXPECT_THROW(Data.FieldByName("Nope"), EDatabaseError);
  EXPECT_EQ(Data.FindField("Nope"), nullptr);
  EXPECT_TRUE(id->ProviderFlags().Contains(pfInKey));
  EXPECT_FALSE(Data.FieldByName("Name")->ProviderFlags().Contains(pfInKey));
}

TEST_F(DataSetTest, ScrollingWhileEditingPostsOnceOrCancels) {
  AddRows(2);
  Data.Edit();
  Data.FieldByName("Name")->SetAsString("edited");
  Data.Next();
  EXPECT_EQ(Data.Records()[0][1], Variant("edited"));
  EXPECT_EQ(std::count(Link.Calls.begin(), Link.Calls.end(), "update"), 1);
  Data.Edit();
  Data.Prior();  // nothing changed: cancelled, not posted
  EXPECT_EQ(Data.State(), dsBrowse);
  EXPECT_EQ(std::count(Link.Calls.begin(), Link.Calls.end(), "update"), 2);
}

TEST_F(DataSetTest, DisabledControlsHearOneSummary) {
  AddRows(3);
  Data.DisableControls();
  Data.DisableControls();
  Data.Next();
  Data.Edit();
  Data.FieldByName("Name")->SetAsString("quiet");
  Data.Post();
  Data.EnableControls();
  EXPECT_TRUE(Link.Calls.empty());
  Data.EnableControls();
  EXPECT_EQ(Link.Calls, (Calls{"changed"}));
  EXPECT_FALSE(Data.ControlsDisabled());
}

TEST_F(DataSetTest, DataSourceStateEventsAndFreeNotification) {
  int stateChanges = 0;
  std::vector<TField*> changed;
  Source.SetOnStateChange([&](TObject*) { ++stateChanges; });
  Source.SetOnDataChange([&](TObject*, TField* f) { changed.push_back(f); });
  AddRows(1);
  EXPECT_EQ(Source.State(), dsBrowse);
  Source.SetEnabled(false);
  EXPECT_EQ(Source.State(), dsInactive);
  EXPECT_FALSE(Link.Active());
  Source.SetEnabled(true);
  Data.Edit();
  Data.FieldByName("Name")->SetAsString("y");
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(changed.back(), Data.FieldByName("Name"));
  EXPECT_GE(stateChanges, 4);
  {
    auto other = std::make_unique<TMemDataSet>(nullptr);
    Source.SetDataSet(other.get());
  }
  EXPECT_EQ(Source.DataSet(), nullptr);  // cleared when the dataset went
  EXPECT_EQ(Link.DataSet(), nullptr);
}

TEST_F(DataSetTest, DeleteKeepsACurrentRecord) {
  AddRows(3);
  Data.Last();
  Data.Delete();
  EXPECT_EQ(Data.RecordCount(), 2);
  EXPECT_EQ(Data.FieldByName("ID")->AsInteger(), 2);
  Data.First();
  Data.Delete();
  EXPECT_EQ(Data.FieldByName("ID")->AsInteger(), 2);
  Data.Delete();
  EXPECT_TRUE(Data.IsEmpty());
  EXPECT_TRUE(Data.FieldByName("ID")->IsNull());
}

}  // namespace
