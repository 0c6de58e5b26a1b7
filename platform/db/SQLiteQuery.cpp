#include "platform/db/SQLiteDataSet.h"

#include "platform/classes/Published.h"
#include "platform/db/DBError.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

const TClass& TSQLiteQuery::StaticClass() {
  static const TClass cls = TClassBuilder<TSQLiteQuery>("TSQLiteQuery").Property("SQL", &TSQLiteQuery::SQL).Build();
  return cls;
}
RV_REGISTER_CLASS(TSQLiteQuery)

TSQLiteQuery::TSQLiteQuery(TComponent* AOwner) : TSQLiteDataSet(AOwner), FSQL(std::make_unique<TStringList>()) {
  // Only an open query closes: while loading, Close would forget a stored Active.
  FSQL->SetOnChange([this](TObject*) {
    if (Active()) Close();
  });
}

TSQLiteQuery::~TSQLiteQuery() { CloseBeforeDestruction(); }

void TSQLiteQuery::SetSQL(const TStrings* Value) {
  FSQL->Clear();
  if (Value) FSQL->AddStrings(Value);
}

TParam& TSQLiteQuery::ParamByName(const std::string& Name) {
  for (TParam& p : FParams)
    if (SameText(p.Name(), Name)) return p;
  return FParams.emplace_back(Name);
}

TSQLiteStatement TSQLiteQuery::Prepare() {
  TSQLiteStatement statement(Database(), FSQL->Text());
  for (int i = 1; i <= statement.ParameterCount(); ++i) {
    std::string name = statement.ParameterName(i);
    if (name.size() > 1) name.erase(0, 1);  // its ':', '@' or '$'
    const TParam* found = nullptr;
    for (const TParam& p : FParams)
      if (SameText(p.Name(), name)) found = &p;
    if (!found) DatabaseError(Name() + ": No value for parameter '" + name + "'");
    statement.Bind(i, found->Value());
  }
  return statement;
}

void TSQLiteQuery::InternalOpen() {
  TSQLiteStatement statement = Prepare();
  for (int c = 0; c < statement.ColumnCount(); ++c)
    AddField(statement.ColumnName(c), FieldTypeOfDecl(statement.ColumnDeclType(c)));
  FRows.clear();
  while (statement.Step()) {
    TRecord& r = FRows.emplace_back(static_cast<std::size_t>(FieldCount()));
    for (int c = 0; c < FieldCount(); ++c) r[static_cast<std::size_t>(c)] = statement.Column(c, Fields(c)->DataType());
  }
}

int TSQLiteQuery::ExecSQL() {
  TSQLiteStatement statement = Prepare();
  while (statement.Step()) {
  }
  return Connection()->RowsAffected();
}

// A query is read-only (CanModify), so the base never asks for these.
int TSQLiteQuery::InternalPost(int, const TRecord&) { DatabaseError(Name() + ": Cannot modify a read-only dataset"); }
int TSQLiteQuery::InternalInsert(int, const TRecord&) { DatabaseError(Name() + ": Cannot modify a read-only dataset"); }
void TSQLiteQuery::InternalDelete(int) { DatabaseError(Name() + ": Cannot modify a read-only dataset"); }

}  // namespace rv
