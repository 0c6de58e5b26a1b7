#pragma once
// The dataset change log: one "CHANGE" record for every notification a
// dataset sends through a data source, and on request the SQL statement
// that reproduces a posted edit.

#include <cstdint>
#include <memory>
#include <string>

#include "core/LogBase.h"
#include "platform/db/DataSource.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TQVLDBTypeEvent, std::uint8_t, dbeActiveChanged, dbeEditingChanged, dbeDataSetChanged, dbeDataSetScrolled,
        dbeLayoutChanged, dbeRecordChanged, dbeUpdateData)
using TQVLDBTypeEvents = Set<TQVLDBTypeEvent, std::uint8_t>;

// The handler may replace LogText; whatever it leaves there is written.
using TQVLDataChangeEvent = Closure<void(TObject* Sender, TQVLDBTypeEvent State, TField* Field, std::string& LogText)>;
using TQVLSQLStatementEvent = Closure<void(TObject* Sender, const std::string& SQL)>;

class TQVDatasetLog;

// Turns each notification of the data source into one UpdateStatus call of
// its owner.
class TLogDataLink : public TDataLink {
 public:
  explicit TLogDataLink(TQVDatasetLog* AOwner) : FOwner(AOwner) {}
  ~TLogDataLink() override { FOwner = nullptr; }

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int Distance) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

 private:
  void Report(TQVLDBTypeEvent State, TField* Field = nullptr);

  TQVDatasetLog* FOwner;
};

class TQVDatasetLog : public TQVLogBase {
  RV_CLASS(TQVDatasetLog, TQVLogBase)
 public:
  explicit TQVDatasetLog(TComponent* AOwner);
  ~TQVDatasetLog() override;

  // A reference, cleared when the data source is destroyed.
  TDataSource* DataSource() const { return GetDataSource(); }
  TDataSource* GetDataSource() const;
  // Outside loading, every assignment writes a dbeActiveChanged record.
  void SetDataSource(TDataSource* Value);
  TQVLDBTypeEvents FilterEvents() const { return FFilterEvents; }
  void SetFilterEvents(TQVLDBTypeEvents Value) { FFilterEvents = Value; }
  const TQVLDataChangeEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TQVLDataChangeEvent Value) { FOnChange = std::move(Value); }
  const TQVLSQLStatementEvent& OnSQLStatement() const { return FOnSQLStatement; }
  void SetOnSQLStatement(TQVLSQLStatementEvent Value) { FOnSQLStatement = std::move(Value); }

  // Does nothing at design time, while inactive, or for a filtered State.
  virtual void UpdateStatus(TQVLDBTypeEvent State, TField* Field);

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  std::unique_ptr<TLogDataLink> FDataLink;  // owned; lives as long as the component
  TQVLDataChangeEvent FOnChange;
  TQVLSQLStatementEvent FOnSQLStatement;
  TQVLDBTypeEvents FFilterEvents;
};

// The statement that reproduces the pending edit of DataSet: an UPDATE in
// dsEdit, an INSERT in dsInsert; empty in other states or when no value
// changed.
std::string DatasetChangeStatement(const TDataSet& DataSet);
// The table a dataset reads: its "TableName", or the word after the first
// "FROM " of its "SQL", cut at the first full stop.
std::string DatasetTableName(const TDataSet& DataSet);

}  // namespace rv
