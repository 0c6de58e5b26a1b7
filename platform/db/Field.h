#pragma once
// TField and its typed descendants: one column of a dataset's current
// record. A field holds no value of its own; it reads and writes the record
// buffers of its dataset, and a typed field converts what it is given to its
// own type.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/Object.h"
#include "platform/db/Variant.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

class TDataSet;

RV_ENUM(TFieldType, std::uint8_t, ftUnknown, ftString, ftInteger, ftBoolean, ftFloat, ftDateTime, ftBlob, ftMemo,
        ftLargeint)
RV_ENUM(TProviderFlag, std::uint8_t, pfInUpdate, pfInWhere, pfInKey, pfHidden)
using TProviderFlags = Set<TProviderFlag, std::uint8_t>;

class TField {
 public:
  TField(TDataSet* DataSet, std::string FieldName, int Index);
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  TDataSet* DataSet() const { return FDataSet; }
  const std::string& FieldName() const { return FFieldName; }
  virtual TFieldType DataType() const { return ftUnknown; }
  // 0-based position in the dataset's field list.
  int Index() const { return FIndex; }
  // Key fields carry pfInKey; every field is in the update and where lists.
  TProviderFlags ProviderFlags() const { return FProviderFlags; }
  void SetProviderFlags(TProviderFlags Value) { FProviderFlags = Value; }

  // The value as the current state shows it: the pending one while editing
  // or inserting, the stored one otherwise.
  const Variant& Value() const;
  // Raises EDatabaseError unless the dataset is editing or inserting, or
  // when the value doesn't convert to the field's type.
  void SetValue(const Variant& Value);
  // The stored value of the record (null for a record being inserted).
  Variant OldValue() const;
  // The value being written (the stored one when not editing).
  Variant NewValue() const;
  bool IsNull() const { return Value().IsNull(); }
  void Clear() { SetValue(Null); }

  std::string AsString() const { return Value().AsString(); }
  // Empty text stores null.
  void SetAsString(const std::string& Text);
  std::int32_t AsInteger() const;
  void SetAsInteger(std::int32_t Value) { SetValue(Variant(Value)); }
  std::int64_t AsLargeInt() const;
  void SetAsLargeInt(std::int64_t Value) { SetValue(Variant(Value)); }
  double AsFloat() const;
  void SetAsFloat(double Value) { SetValue(Variant(Value)); }
  bool AsBoolean() const;
  void SetAsBoolean(bool Value) { SetValue(Variant(Value)); }
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime Value) { SetValue(Variant::FromDateTime(Value)); }

  // The value this field stores for Value, in its own type; raises
  // EVariantError when there is none. Null stays null.
  Variant Convert(const Variant& Value) const;

 protected:
  virtual Variant ConvertValue(const Variant& Value) const { return Value; }

 private:
  // Runs a conversion, turning its failure into the field's error.
  template <class F>
  auto Checked(F convert) const -> decltype(convert());

  TDataSet* FDataSet;
  std::string FFieldName;
  int FIndex;
  TProviderFlags FProviderFlags{pfInUpdate, pfInWhere};
};

class TStringField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftString; }

 protected:
  Variant ConvertValue(const Variant& Value) const override { return Value.AsString(); }
};

class TIntegerField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftInteger; }

 protected:
  Variant ConvertValue(const Variant& Value) const override;
};

class TLargeintField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftLargeint; }

 protected:
  Variant ConvertValue(const Variant& Value) const override;
};

class TFloatField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftFloat; }

 protected:
  Variant ConvertValue(const Variant& Value) const override { return Value.AsFloat(); }
};

class TBooleanField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftBoolean; }

 protected:
  Variant ConvertValue(const Variant& Value) const override { return Value.AsBoolean(); }
};

class TDateTimeField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftDateTime; }

 protected:
  Variant ConvertValue(const Variant& Value) const override { return Variant::FromDateTime(Value.AsDateTime()); }
};

class TBlobField : public TField {
 public:
  using TField::TField;
  TFieldType DataType() const override { return ftBlob; }

 protected:
  Variant ConvertValue(const Variant& Value) const override { return Value.AsBytes(); }
};

// A blob of text.
class TMemoField : public TBlobField {
 public:
  using TBlobField::TBlobField;
  TFieldType DataType() const override { return ftMemo; }

 protected:
  Variant ConvertValue(const Variant& Value) const override { return Value.AsString(); }
};

// The field class of a data type (ftUnknown: an untyped TField).
std::unique_ptr<TField> CreateField(TDataSet* DataSet, TFieldType DataType, const std::string& FieldName, int Index);

}  // namespace rv
