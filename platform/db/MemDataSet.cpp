#include "platform/db/MemDataSet.h"

#include "platform/classes/Published.h"

namespace RV_API rv {

const TClass& TMemDataSet::StaticClass() {
  static const TClass cls = TClassBuilder<TMemDataSet>("TMemDataSet").Build();
  return cls;
}
RV_REGISTER_CLASS(TMemDataSet)

TMemDataSet::TMemDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TMemDataSet::~TMemDataSet() { CloseBeforeDestruction(); }

void TMemDataSet::AddFieldDef(const std::string& FieldName, TFieldType DataType, bool Key) {
  FFieldDefs.push_back({FieldName, DataType, Key});
}

void TMemDataSet::InternalOpen() {
  for (const TFieldDef& d : FFieldDefs) {
    TField* f = AddField(d.Name, d.DataType);
    if (d.Key) f->SetProviderFlags(f->ProviderFlags() + TProviderFlags{pfInKey});
  }
  for (TRecord& r : FRecords) r.resize(FFieldDefs.size());
}

void TMemDataSet::InternalGetRecord(int Index, TRecord& Values) { Values = FRecords[static_cast<std::size_t>(Index)]; }

int TMemDataSet::InternalPost(int Index, const TRecord& Values) {
  FRecords[static_cast<std::size_t>(Index)] = Values;
  return Index;
}

int TMemDataSet::InternalInsert(int Position, const TRecord& Values) {
  FRecords.insert(FRecords.begin() + Position, Values);
  return Position;
}

void TMemDataSet::InternalDelete(int Index) { FRecords.erase(FRecords.begin() + Index); }

}  // namespace rv
