#include "platform/db/Field.h"

#include <limits>

#include "platform/db/DBError.h"
#include "platform/db/DataSet.h"

namespace RV_API rv {

TField::TField(TDataSet* DataSet, std::string FieldName, int Index)
    : FDataSet(DataSet), FFieldName(std::move(FieldName)), FIndex(Index) {}

template <class F>
auto TField::Checked(F convert) const -> decltype(convert()) {
  try {
    return convert();
  } catch (const EVariantError& e) {
    DatabaseError("Field '" + FFieldName + "': " + e.Message());
  }
}

const Variant& TField::Value() const { return FDataSet->FieldValue(FIndex); }
void TField::SetValue(const Variant& Value) { FDataSet->SetFieldValue(FIndex, Convert(Value)); }
Variant TField::OldValue() const { return FDataSet->FieldOldValue(FIndex); }
Variant TField::NewValue() const { return FDataSet->FieldValue(FIndex); }

void TField::SetAsString(const std::string& Text) { SetValue(Text.empty() ? Null : Variant(Text)); }

std::int32_t TField::AsInteger() const {
  return Checked([&] {
    std::int64_t v = Value().AsInt64();
    if (!std::in_range<std::int32_t>(v)) throw EVariantError("Integer value out of range");
    return static_cast<std::int32_t>(v);
  });
}
std::int64_t TField::AsLargeInt() const {
  return Checked([&] { return Value().AsInt64(); });
}
double TField::AsFloat() const {
  return Checked([&] { return Value().AsFloat(); });
}
bool TField::AsBoolean() const {
  return Checked([&] { return Value().AsBoolean(); });
}
TDateTime TField::AsDateTime() const {
  return Checked([&] { return Value().AsDateTime(); });
}

Variant TField::Convert(const Variant& Value) const {
  if (Value.IsNull()) return Value;
  return Checked([&] { return ConvertValue(Value); });
}

Variant TIntegerField::ConvertValue(const Variant& Value) const {
  std::int64_t v = Value.AsInt64();
  if (!std::in_range<std::int32_t>(v)) throw EVariantError(Value.AsString() + " is not within the integer range");
  return static_cast<std::int32_t>(v);
}

Variant TLargeintField::ConvertValue(const Variant& Value) const { return Value.AsInt64(); }

std::unique_ptr<TField> CreateField(TDataSet* DataSet, TFieldType DataType, const std::string& FieldName, int Index) {
  switch (DataType) {
    case ftString: return std::make_unique<TStringField>(DataSet, FieldName, Index);
    case ftInteger: return std::make_unique<TIntegerField>(DataSet, FieldName, Index);
    case ftLargeint: return std::make_unique<TLargeintField>(DataSet, FieldName, Index);
    case ftFloat: return std::make_unique<TFloatField>(DataSet, FieldName, Index);
    case ftBoolean: return std::make_unique<TBooleanField>(DataSet, FieldName, Index);
    case ftDateTime: return std::make_unique<TDateTimeField>(DataSet, FieldName, Index);
    case ftBlob: return std::make_unique<TBlobField>(DataSet, FieldName, Index);
    case ftMemo: return std::make_unique<TMemoField>(DataSet, FieldName, Index);
    case ftUnknown: break;
  }
  return std::make_unique<TField>(DataSet, FieldName, Index);
}

}  // namespace rv
