#pragma once
// TDataSet: a cursor over the records of some storage, with the classic
// navigation, editing states and events. Descendants supply the storage
// through the Internal... operations; the dataset keeps the current record
// and the pending edit, and tells its data sources what happens.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/db/Field.h"
#include "platform/db/Variant.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TDataSource;

RV_ENUM(TDataSetState, std::uint8_t, dsInactive, dsBrowse, dsEdit, dsInsert)

// What a dataset tells its data sources.
enum TDataEvent : std::uint8_t {
  deFieldChange,      // a field's value changed; the field goes with it
  deRecordChange,     // the current record changed as a whole
  deDataSetChange,    // the records changed (post, cancel, delete, insert, First, Last)
  deDataSetScroll,    // the cursor moved; the distance goes with it
  deLayoutChange,     // the field list changed
  deUpdateRecord,     // pending edits of controls must be written into the record now
  deUpdateState,      // the state changed
  deCheckBrowseMode,  // the dataset is about to leave the current record
};

using TRecord = std::vector<Variant>;
using TDataSetNotifyEvent = Closure<void(TDataSet* DataSet)>;

class TDataSet : public TComponent {
  RV_CLASS(TDataSet, TComponent)
 public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  bool Active() const { return FState != dsInactive; }
  // While loading, the value is kept and applied by Loaded.
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }
  // True once a field value was set in the current edit.
  bool Modified() const { return FModified; }

  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Returns the distance actually moved; moving past either end stops on the
  // last (first) record and sets Eof (Bof).
  int MoveBy(int Distance);
  // 1-based; 0 when there is no current record.
  int RecNo() const;
  void SetRecNo(int Value);
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  int RecordCount() const { return Active() ? FRecordCount : 0; }
  bool IsEmpty() const { return RecordCount() == 0 && FState != dsInsert; }

  void Edit();
  // A new record before the current one (Insert) or after the last (Append).
  void Insert();
  void Append();
  // On failure the dataset stays in its state with the pending values.
  void Post();
  void Cancel();
  void Delete();
  // Asks the controls to write their pending edits (deUpdateRecord).
  void UpdateRecord();
  // Posts a modified record or cancels an unmodified one.
  void CheckBrowseMode();
  virtual bool CanModify() const { return true; }

  int FieldCount() const { return static_cast<int>(FFields.size()); }
  // Raises EDatabaseError for an index out of range.
  TField* Fields(int Index) const;
  // Case-insensitive; FindField gives null, FieldByName raises EDatabaseError.
  TField* FindField(std::string_view FieldName) const;
  TField* FieldByName(std::string_view FieldName) const;

  // Nested: data sources hear nothing until the last EnableControls, which
  // then sends one summary notification.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

  void SetBeforeOpen(TDataSetNotifyEvent Value) { FBeforeOpen = std::move(Value); }
  void SetAfterOpen(TDataSetNotifyEvent Value) { FAfterOpen = std::move(Value); }
  void SetBeforeClose(TDataSetNotifyEvent Value) { FBeforeClose = std::move(Value); }
  void SetAfterClose(TDataSetNotifyEvent Value) { FAfterClose = std::move(Value); }
  void SetBeforeEdit(TDataSetNotifyEvent Value) { FBeforeEdit = std::move(Value); }
  void SetAfterEdit(TDataSetNotifyEvent Value) { FAfterEdit = std::move(Value); }
  void SetBeforeInsert(TDataSetNotifyEvent Value) { FBeforeInsert = std::move(Value); }
  void SetAfterInsert(TDataSetNotifyEvent Value) { FAfterInsert = std::move(Value); }
  void SetBeforePost(TDataSetNotifyEvent Value) { FBeforePost = std::move(Value); }
  void SetAfterPost(TDataSetNotifyEvent Value) { FAfterPost = std::move(Value); }
  void SetBeforeCancel(TDataSetNotifyEvent Value) { FBeforeCancel = std::move(Value); }
  void SetAfterCancel(TDataSetNotifyEvent Value) { FAfterCancel = std::move(Value); }
  void SetBeforeDelete(TDataSetNotifyEvent Value) { FBeforeDelete = std::move(Value); }
  void SetAfterDelete(TDataSetNotifyEvent Value) { FAfterDelete = std::move(Value); }
  void SetBeforeScroll(TDataSetNotifyEvent Value) { FBeforeScroll = std::move(Value); }
  void SetAfterScroll(TDataSetNotifyEvent Value) { FAfterScroll = std::move(Value); }
  void SetOnNewRecord(TDataSetNotifyEvent Value) { FOnNewRecord = std::move(Value); }

  void Loaded() override;

 protected:
  // Opens the storage and declares the fields with AddField.
  virtual void InternalOpen() = 0;
  // Releases the storage; must not raise.
  virtual void InternalClose() = 0;
  virtual int InternalRecordCount() = 0;
  // Reads the record at 0-based Index into Values (one value per field).
  virtual void InternalGetRecord(int Index, TRecord& Values) = 0;
  // Writes the edited record at Index; returns its index afterwards.
  virtual int InternalPost(int Index, const TRecord& Values) = 0;
  // Stores a new record meant for Position; returns its index afterwards.
  virtual int InternalInsert(int Position, const TRecord& Values) = 0;
  virtual void InternalDelete(int Index) = 0;

  TField* AddField(const std::string& FieldName, TFieldType DataType);
  // For descendants' destructors: the storage must be released while the
  // descendant still exists.
  void CloseBeforeDestruction();

 private:
  friend class TField;
  friend class TDataSource;

  const Variant& FieldValue(int Index) const;
  Variant FieldOldValue(int Index) const;
  void SetFieldValue(int Index, const Variant& Value);

  void DoOpen();
  void DoClose();
  void SetState(TDataSetState Value);
  void CheckActive() const;
  void CheckEditMode() const;
  void CheckCanModify() const;
  void BeginInsert(int Position);
  void PostUpdated();
  void ReadCurrent();
  void Scrolled(TDataEvent Event, int Distance);
  void DataEvent(TDataEvent Event, TField* Field = nullptr, int Info = 0);
  void Fire(const TDataSetNotifyEvent& Event) {
    if (Event) Event(this);
  }
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);

  TDataSetState FState = dsInactive;
  bool FStreamedActive = false;
  bool FModified = false;
  bool FBof = true;
  bool FEof = true;
  int FRecordCount = 0;
  int FCurrent = -1;  // 0-based index of the current record; -1 when none
  int FInsertPosition = 0;
  TRecord FRecord;  // the current record as stored
  TRecord FBuffer;  // the pending values while editing or inserting
  std::vector<std::unique_ptr<TField>> FFields;
  std::vector<TDataSource*> FDataSources;
  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;

  TDataSetNotifyEvent FBeforeOpen, FAfterOpen, FBeforeClose, FAfterClose, FBeforeEdit, FAfterEdit, FBeforeInsert,
      FAfterInsert, FBeforePost, FAfterPost, FBeforeCancel, FAfterCancel, FBeforeDelete, FAfterDelete, FBeforeScroll,
      FAfterScroll, FOnNewRecord;
};

}  // namespace rv
