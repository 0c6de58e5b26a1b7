#include "applog/LogDS.h"

#include "platform/classes/Published.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"

namespace RV_API rv {

namespace {

const TQVLDBTypeEvents kAllEvents{dbeActiveChanged, dbeEditingChanged, dbeDataSetChanged, dbeDataSetScrolled,
                                  dbeLayoutChanged, dbeRecordChanged,  dbeUpdateData};

// A name with a blank is quoted; a double quote inside it is doubled so it
// cannot end the quotes early.
std::string columnName(const std::string& Name) {
  if (Name.find(' ') == std::string::npos) return Name;
  std::string q = "\"";
  for (char c : Name) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

// Values are string literals whatever their type (the column's affinity
// converts them); a double-quoted word would be read as a column name.
std::string literal(const Variant& Value) {
  if (Value.IsNull()) return "NULL";
  std::string q = "'";
  for (char c : Value.AsString()) {
    if (c == '\'') q += '\'';
    q += c;
  }
  return q + '\'';
}

std::string condition(const std::string& Name, const Variant& Old) {
  return Old.IsNull() ? "(" + Name + " IS NULL)" : "(" + Name + "=" + literal(Old) + ")";
}

void appendWith(std::string& List, const char* Separator, const std::string& Item) {
  if (!List.empty()) List += Separator;
  List += Item;
}

}  // namespace

std::string DatasetTableName(const TDataSet& DataSet) {
  std::string name;
  const TClass& cls = DataSet.ClassType();
  if (const TPropInfo* table = cls.FindProperty("TableName"); table && table->Kind == tkString) {
    name = table->GetStr(&DataSet);
  } else if (const TPropInfo* sql = cls.FindProperty("SQL"); sql && sql->Kind == tkOwned) {
    if (const auto* lines = dynamic_cast<const TStrings*>(sql->GetObj(&DataSet))) {
      name = lines->Text();
      // Only a to z are upper-cased, so positions stay those of the text.
      std::string upper = name;
      for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      std::size_t from = upper.find("FROM ");
      if (from != std::string::npos) {
        name.erase(0, from + 5);
        name = name.substr(0, name.find_first_of(" \r\n"));
      }
    }
  }
  return name.substr(0, name.find('.'));
}

std::string DatasetChangeStatement(const TDataSet& DataSet) {
  TDataSetState state = DataSet.State();
  if (state != dsEdit && state != dsInsert) return {};
  std::string columns, values, keys;
  for (int i = 0; i < DataSet.FieldCount(); ++i) {
    const TField* field = DataSet.Fields(i);
    bool key = field->ProviderFlags().Contains(pfInKey);
    Variant old = field->OldValue();
    // An edited row is found by its key first, whether the key changed or not.
    if (state == dsEdit && key) appendWith(keys, " AND ", condition(columnName(field->FieldName()), old));
    Variant now = field->NewValue();
    if (old == now) continue;
    std::string name = columnName(field->FieldName());
    if (state == dsEdit) {
      appendWith(columns, ", ", name + "=" + literal(now));
      if (!key) appendWith(values, " AND ", condition(name, old));
    } else {
      appendWith(columns, ", ", name);
      appendWith(values, ", ", literal(now));
    }
  }
  if (state == dsEdit && !keys.empty()) {
    if (!values.empty()) keys += " AND " + values;
    values = keys;
  }
  if (columns.empty() || values.empty()) return {};
  std::string table = DatasetTableName(DataSet);
  if (state == dsEdit) return "UPDATE " + table + "\r\nSET\r\n  " + columns + "\r\nWHERE\r\n  " + values;
  return "INSERT INTO " + table + "\r\n  (" + columns + ")\r\nVALUES\r\n  (" + values + ")";
}

// ---- TLogDataLink ------------------------------------------------------------

void TLogDataLink::Report(TQVLDBTypeEvent State, TField* Field) {
  if (FOwner) FOwner->UpdateStatus(State, Field);
}

void TLogDataLink::ActiveChanged() { Report(dbeActiveChanged); }
void TLogDataLink::DataSetChanged() { Report(dbeDataSetChanged); }
void TLogDataLink::DataSetScrolled(int /*Distance*/) { Report(dbeDataSetScrolled); }
void TLogDataLink::EditingChanged() { Report(dbeEditingChanged); }
void TLogDataLink::LayoutChanged() { Report(dbeLayoutChanged); }
void TLogDataLink::RecordChanged(TField* Field) { Report(dbeRecordChanged, Field); }
void TLogDataLink::UpdateData() { Report(dbeUpdateData); }

// ---- TQVDatasetLog -------------------------------------------------------------

const TClass& TQVDatasetLog::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVDatasetLog>("TQVDatasetLog")
          .Property("DataSource", &TQVDatasetLog::DataSource, &TQVDatasetLog::SetDataSource)
          .Property("FilterEvents", &TQVDatasetLog::FilterEvents, &TQVDatasetLog::SetFilterEvents, kAllEvents)
          .Property("OnChange", &TQVDatasetLog::OnChange, &TQVDatasetLog::SetOnChange)
          .Property("OnSQLStatement", &TQVDatasetLog::OnSQLStatement, &TQVDatasetLog::SetOnSQLStatement)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVDatasetLog)

TQVDatasetLog::TQVDatasetLog(TComponent* AOwner)
    : TQVLogBase(AOwner), FDataLink(std::make_unique<TLogDataLink>(this)), FFilterEvents(kAllEvents) {}

TQVDatasetLog::~TQVDatasetLog() { FDataLink.reset(); }

TDataSource* TQVDatasetLog::GetDataSource() const { return FDataLink ? FDataLink->DataSource() : nullptr; }

void TQVDatasetLog::SetDataSource(TDataSource* Value) {
  FDataLink->SetDataSource(Value);
  if (Value) FreeNotification(Value);
  if (!ComponentState().Contains(csLoading)) UpdateStatus(dbeActiveChanged, nullptr);
}

void TQVDatasetLog::Notification(TComponent* AComponent, TOperation Operation) {
  Inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && FDataLink && AComponent == GetDataSource()) SetDataSource(nullptr);
}

void TQVDatasetLog::UpdateStatus(TQVLDBTypeEvent State, TField* Field) {
  if (ComponentState().Contains(csDesigning) || !Active() || !FFilterEvents.Contains(State)) return;
  if (State == dbeUpdateData && FOnSQLStatement) {
    TDataSet* data = FDataLink->DataSet();
    std::string sql = data ? DatasetChangeStatement(*data) : std::string();
    if (!sql.empty()) FOnSQLStatement(this, sql);
  }
  std::string text = FormatDateTime("c", Now()) + " " + EnumInfo<TQVLDBTypeEvent>().Name(State);
  if (Field) text += " " + Field->FieldName() + ":" + Field->AsString();
  text += "\r\n";
  if (FOnChange) FOnChange(this, State, Field, text);
  if (!LogFile().empty()) WriteAsString("CHANGE", text);
}

}  // namespace rv
