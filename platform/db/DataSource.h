#pragma once
// TDataSource connects a dataset with data links (the data-aware controls
// and observers); TDataLink is the observer's end: it hears the dataset's
// notifications as seven virtual calls.

#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TDataLink;

using TDataChangeEvent = Closure<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
  RV_CLASS(TDataSource, TComponent)
 public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;

  // A reference, cleared when the dataset is destroyed.
  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);
  // A disabled source shows its links an inactive dataset.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TDataSetState State() const { return FState; }
  const TDataChangeEvent& OnDataChange() const { return FOnDataChange; }
  void SetOnDataChange(TDataChangeEvent Value) { FOnDataChange = std::move(Value); }
  const TNotifyEvent& OnStateChange() const { return FOnStateChange; }
  void SetOnStateChange(TNotifyEvent Value) { FOnStateChange = std::move(Value); }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;

  void DataEvent(TDataEvent Event, TField* Field, int Info);
  void NotifyState();
  void AddDataLink(TDataLink* Link);
  void RemoveDataLink(TDataLink* Link);

  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks;
  TDataChangeEvent FOnDataChange;
  TNotifyEvent FOnStateChange;
};

class TDataLink {
 public:
  TDataLink() = default;
  // Leaves its data source.
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }
  // The source shows an open dataset / one being edited or inserted into.
  bool Active() const { return FActive; }
  bool Editing() const { return FEditing; }

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}

 private:
  friend class TDataSource;

  void DataEvent(TDataEvent Event, TField* Field, int Info);
  void UpdateState();

  TDataSource* FDataSource = nullptr;
  bool FActive = false;
  bool FEditing = false;
};

}  // namespace rv
