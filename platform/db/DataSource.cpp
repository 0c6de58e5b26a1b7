#include "platform/db/DataSource.h"

#include <algorithm>

#include "platform/classes/Published.h"

namespace RV_API rv {

const TClass& TDataSource::StaticClass() {
  static const TClass cls = TClassBuilder<TDataSource>("TDataSource")
                                .Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
                                .Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true)
                                .Property("OnDataChange", &TDataSource::OnDataChange, &TDataSource::SetOnDataChange)
                                .Property("OnStateChange", &TDataSource::OnStateChange, &TDataSource::SetOnStateChange)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TDataSource)

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  // Observers that asked to hear of our end detach their links while this
  // source is still whole.
  SendFreeNotifications();
  FOnStateChange = nullptr;
  SetDataSet(nullptr);
  while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet) return;
  if (FDataSet) {
    FDataSet->RemoveDataSource(this);
    RemoveFreeNotification(FDataSet);
  }
  FDataSet = Value;
  if (FDataSet) {
    FDataSet->AddDataSource(this);
    FreeNotification(FDataSet);
  }
  NotifyState();
}

void TDataSource::SetEnabled(bool Value) {
  FEnabled = Value;
  NotifyState();
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  Inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) SetDataSet(nullptr);
}

void TDataSource::NotifyState() {
  TDataSetState state = FEnabled && FDataSet ? FDataSet->State() : dsInactive;
  if (state == FState) return;
  FState = state;
  std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* l : links)
    if (std::find(FDataLinks.begin(), FDataLinks.end(), l) != FDataLinks.end()) l->UpdateState();
  if (FOnStateChange) FOnStateChange(this);
}

void TDataSource::DataEvent(TDataEvent Event, TField* Field, int Info) {
  if (Event == deUpdateState) {
    NotifyState();
    return;
  }
  if (FState == dsInactive) return;
  // A link may leave (or take another link away) while it is told.
  std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* l : links)
    if (std::find(FDataLinks.begin(), FDataLinks.end(), l) != FDataLinks.end()) l->DataEvent(Event, Field, Info);
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (FOnDataChange) FOnDataChange(this, Event == deFieldChange ? Field : nullptr);
      break;
    default: break;
  }
}

void TDataSource::AddDataLink(TDataLink* Link) { FDataLinks.push_back(Link); }

void TDataSource::RemoveDataLink(TDataLink* Link) {
  auto it = std::find(FDataLinks.begin(), FDataLinks.end(), Link);
  if (it != FDataLinks.end()) FDataLinks.erase(it);
}

// ---- TDataLink ------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (FDataSource) FDataSource->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == FDataSource) return;
  if (FDataSource) FDataSource->RemoveDataLink(this);
  FDataSource = Value;
  if (FDataSource) FDataSource->AddDataLink(this);
  UpdateState();
}

void TDataLink::UpdateState() {
  TDataSetState state = FDataSource ? FDataSource->State() : dsInactive;
  bool active = state != dsInactive;
  if (active != FActive) {
    FActive = active;
    ActiveChanged();
  }
  bool editing = state == dsEdit || state == dsInsert;
  if (editing != FEditing) {
    FEditing = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent Event, TField* Field, int Info) {
  if (!FActive) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange: RecordChanged(Field); break;
    case deDataSetChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(Info); break;
    case deLayoutChange: LayoutChanged(); break;
    case deUpdateRecord: UpdateData(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deUpdateState: UpdateState(); break;
  }
}

}  // namespace rv
