#pragma once
// TMemDataSet: a dataset over records held in memory, for tests and small
// lookup lists. Its fields are declared before opening; the records stay
// while it is closed.

#include <string>
#include <vector>

#include "platform/db/DataSet.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TMemDataSet : public TDataSet {
  RV_CLASS(TMemDataSet, TDataSet)
 public:
  explicit TMemDataSet(TComponent* AOwner);
  ~TMemDataSet() override;

  // A field created when the dataset opens; key fields are marked pfInKey.
  void AddFieldDef(const std::string& FieldName, TFieldType DataType, bool Key = false);
  const std::vector<TRecord>& Records() const { return FRecords; }

 protected:
  void InternalOpen() override;
  void InternalClose() override {}
  int InternalRecordCount() override { return static_cast<int>(FRecords.size()); }
  void InternalGetRecord(int Index, TRecord& Values) override;
  int InternalPost(int Index, const TRecord& Values) override;
  int InternalInsert(int Position, const TRecord& Values) override;
  void InternalDelete(int Index) override;

 private:
  struct TFieldDef {
    std::string Name;
    TFieldType DataType;
    bool Key;
  };
  std::vector<TFieldDef> FFieldDefs;
  std::vector<TRecord> FRecords;
};

}  // namespace rv
