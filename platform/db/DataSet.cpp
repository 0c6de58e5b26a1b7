#include "platform/db/DataSet.h"

#include <algorithm>

#include "platform/classes/Published.h"
#include "platform/db/DBError.h"
#include "platform/db/DataSource.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

const TClass& TDataSet::StaticClass() {
  static const TClass cls =
      TClassBuilder<TDataSet>("TDataSet").Property("Active", &TDataSet::Active, &TDataSet::SetActive, false).Build();
  return cls;
}

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) {}

TDataSet::~TDataSet() {
  // The data sources forgot this dataset through their free notifications
  // unless a descendant's destructor already sent them.
  SendFreeNotifications();
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
}

void TDataSet::CloseBeforeDestruction() {
  SendFreeNotifications();
  if (!Active()) return;
  FState = dsInactive;
  InternalClose();
  FFields.clear();
}

void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedActive = Value;
    return;
  }
  if (Value == Active()) return;
  if (Value)
    DoOpen();
  else
    DoClose();
}

void TDataSet::Loaded() {
  Inherited::Loaded();
  if (FStreamedActive) SetActive(true);
}

void TDataSet::DoOpen() {
  Fire(FBeforeOpen);
  FFields.clear();
  try {
    InternalOpen();
    FRecordCount = InternalRecordCount();
  } catch (...) {
    InternalClose();
    FFields.clear();
    throw;
  }
  FCurrent = FRecordCount > 0 ? 0 : -1;
  FBof = true;
  FEof = FRecordCount == 0;
  ReadCurrent();
  SetState(dsBrowse);
  Fire(FAfterOpen);
}

void TDataSet::DoClose() {
  Fire(FBeforeClose);
  SetState(dsInactive);
  InternalClose();
  FFields.clear();
  FRecord.clear();
  FBuffer.clear();
  FCurrent = -1;
  FRecordCount = 0;
  Fire(FAfterClose);
}

void TDataSet::SetState(TDataSetState Value) {
  if (Value == FState) return;
  FState = Value;
  FModified = false;
  DataEvent(deUpdateState);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(Name() + ": Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckEditMode() const {
  if (FState != dsEdit && FState != dsInsert) DatabaseError(Name() + ": Dataset not in edit or insert mode");
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(Name() + ": Cannot modify a read-only dataset");
}

void TDataSet::ReadCurrent() {
  if (FCurrent >= 0)
    InternalGetRecord(FCurrent, FRecord);
  else
    FRecord.assign(FFields.size(), Null);
}

// ---- Navigation -------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  Fire(FBeforeScroll);
  FCurrent = FRecordCount > 0 ? 0 : -1;
  FBof = true;
  FEof = FRecordCount == 0;
  ReadCurrent();
  Scrolled(deDataSetChange, 0);
}

void TDataSet::Last() {
  CheckBrowseMode();
  Fire(FBeforeScroll);
  FCurrent = FRecordCount - 1;
  FEof = true;
  FBof = FRecordCount == 0;
  ReadCurrent();
  Scrolled(deDataSetChange, 0);
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  if (Distance == 0) return 0;
  Fire(FBeforeScroll);
  int from = FCurrent;
  if (FRecordCount == 0) {
    FBof = FEof = true;
  } else if (Distance > 0) {
    FBof = false;
    std::int64_t target = static_cast<std::int64_t>(FCurrent) + Distance;
    FEof = target > FRecordCount - 1;
    FCurrent = static_cast<int>(std::min<std::int64_t>(target, FRecordCount - 1));
  } else {
    FEof = false;
    std::int64_t target = static_cast<std::int64_t>(FCurrent) + Distance;
    FBof = target < 0;
    FCurrent = static_cast<int>(std::max<std::int64_t>(target, 0));
  }
  int moved = FCurrent - from;
  if (moved != 0) {
    ReadCurrent();
    Scrolled(deDataSetScroll, moved);
  } else {
    Fire(FAfterScroll);
  }
  return moved;
}

void TDataSet::Scrolled(TDataEvent Event, int Distance) {
  DataEvent(Event, nullptr, Distance);
  Fire(FAfterScroll);
}

int TDataSet::RecNo() const {
  if (FState == dsInsert) return FInsertPosition + 1;
  return Active() ? FCurrent + 1 : 0;
}

void TDataSet::SetRecNo(int Value) {
  CheckActive();
  if (FRecordCount == 0) return;
  MoveBy(std::clamp(Value, 1, FRecordCount) - 1 - FCurrent);
}

// ---- Editing --------------------------------------------------------------

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  CheckActive();
  CheckCanModify();
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  Fire(FBeforeEdit);
  FBuffer = FRecord;
  SetState(dsEdit);
  DataEvent(deRecordChange);
  Fire(FAfterEdit);
}

void TDataSet::Insert() { BeginInsert(FCurrent < 0 ? 0 : FCurrent); }

void TDataSet::Append() { BeginInsert(-1); }

void TDataSet::BeginInsert(int Position) {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify();
  Fire(FBeforeInsert);
  Fire(FBeforeScroll);
  FInsertPosition = Position < 0 ? FRecordCount : Position;
  FBuffer.assign(FFields.size(), Null);
  SetState(dsInsert);
  Fire(FOnNewRecord);
  FModified = false;
  DataEvent(deDataSetChange);
  Fire(FAfterInsert);
  Fire(FAfterScroll);
}

void TDataSet::UpdateRecord() {
  CheckEditMode();
  DataEvent(deUpdateRecord);
}

void TDataSet::Post() {
  if (FState != dsEdit && FState != dsInsert) return;
  UpdateRecord();
  PostUpdated();
}

void TDataSet::PostUpdated() {
  DataEvent(deCheckBrowseMode);
  Fire(FBeforePost);
  // A failure leaves state, position and pending values as they were.
  int index = FState == dsInsert ? InternalInsert(FInsertPosition, FBuffer) : InternalPost(FCurrent, FBuffer);
  FRecordCount = InternalRecordCount();
  FCurrent = std::clamp(index, FRecordCount > 0 ? 0 : -1, FRecordCount - 1);
  FBof = FEof = false;
  ReadCurrent();
  FBuffer.clear();
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(FAfterPost);
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  Fire(FBeforeCancel);
  FBuffer.clear();
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(FAfterCancel);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (FState != dsEdit && FState != dsInsert) return;
  // One request to the controls per post, so an observer composing a
  // statement from it composes one.
  UpdateRecord();
  if (FModified)
    PostUpdated();
  else
    Cancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError(Name() + ": Cannot perform this operation on an empty dataset");
  CheckCanModify();
  DataEvent(deCheckBrowseMode);
  Fire(FBeforeDelete);
  Fire(FBeforeScroll);
  InternalDelete(FCurrent);
  FBuffer.clear();
  FRecordCount = InternalRecordCount();
  FEof = FCurrent >= FRecordCount;
  FCurrent = std::min(FCurrent, FRecordCount - 1);
  FBof = FRecordCount == 0;
  ReadCurrent();
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(FAfterDelete);
  Fire(FAfterScroll);
}

// ---- Fields -----------------------------------------------------------------

TField* TDataSet::AddField(const std::string& FieldName, TFieldType DataType) {
  FFields.push_back(CreateField(this, DataType, FieldName, FieldCount()));
  return FFields.back().get();
}

TField* TDataSet::Fields(int Index) const {
  if (Index < 0 || Index >= FieldCount())
    DatabaseError(Name() + ": Field index out of range (" + std::to_string(Index) + ")");
  return FFields[static_cast<std::size_t>(Index)].get();
}

TField* TDataSet::FindField(std::string_view FieldName) const {
  for (const auto& f : FFields)
    if (SameText(f->FieldName(), FieldName)) return f.get();
  return nullptr;
}

TField* TDataSet::FieldByName(std::string_view FieldName) const {
  TField* f = FindField(FieldName);
  if (!f) DatabaseError(Name() + ": Field '" + std::string(FieldName) + "' not found");
  return f;
}

const Variant& TDataSet::FieldValue(int Index) const {
  const TRecord& r = (FState == dsEdit || FState == dsInsert) ? FBuffer : FRecord;
  return static_cast<std::size_t>(Index) < r.size() ? r[static_cast<std::size_t>(Index)] : Null;
}

Variant TDataSet::FieldOldValue(int Index) const {
  if (FState == dsInsert || static_cast<std::size_t>(Index) >= FRecord.size()) return Null;
  return FRecord[static_cast<std::size_t>(Index)];
}

void TDataSet::SetFieldValue(int Index, const Variant& Value) {
  CheckEditMode();
  FBuffer[static_cast<std::size_t>(Index)] = Value;
  FModified = true;
  DataEvent(deFieldChange, FFields[static_cast<std::size_t>(Index)].get());
}

// ---- Data sources -------------------------------------------------------------

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount > 0) return;
  if (FDisableState != FState) DataEvent(deUpdateState);
  if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent);
}

void TDataSet::DataEvent(TDataEvent Event, TField* Field, int Info) {
  if (FDisableCount > 0) {
    if ((Event == deUpdateState && FState == dsInactive) || Event == deLayoutChange) FEnableEvent = deLayoutChange;
    return;
  }
  // A handler may detach a source meanwhile.
  std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* s : sources)
    if (std::find(FDataSources.begin(), FDataSources.end(), s) != FDataSources.end()) s->DataEvent(Event, Field, Info);
}

void TDataSet::AddDataSource(TDataSource* Source) { FDataSources.push_back(Source); }

void TDataSet::RemoveDataSource(TDataSource* Source) {
  auto it = std::find(FDataSources.begin(), FDataSources.end(), Source);
  if (it != FDataSources.end()) FDataSources.erase(it);
}

}  // namespace rv
