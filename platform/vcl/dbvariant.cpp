// The Variant side of the data layer: field values, parameter values and Locate keys.
#include <cmath>

#include "platform/rtl/variant.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/db.h"
#include "platform/vcl/dbtext.h"

namespace {

TDbValue ToDbValue(const Variant& V) {
  switch (V.VType()) {
    case varEmpty:
    case varNull: return TDbValue();
    case varBoolean: return TDbValue::FromInt(V.AsBoolean() ? 1 : 0);
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64: return TDbValue::FromInt(V.AsInt64());
    case varSingle:
    case varDouble:
    case varCurrency: return TDbValue::FromFloat(V.AsFloat());
    // Dates are stored as text, so a date key or parameter compares as that text.
    case varDate: return TDbValue::FromText(DbDateTimeToText(V.AsDateTime(), false));
    default: return TDbValue::FromText(V.AsString());
  }
}

}  // namespace

Variant TField::Value() const {
  const TDbValue& v = RawValue();
  if (v.IsNull()) return Null();
  switch (FDataType) {
    case ftBoolean: return Variant(AsBoolean());
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc: {
      int64_t i = AsLargeInt();
      if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<int32_t>(i));
      return Variant(i);
    }
    case ftLargeint: return Variant(AsLargeInt());
    case ftFloat:
    case ftBCD: return Variant(AsFloat());
    case ftCurrency: return Variant::FromCurrency(AsFloat());
    case ftDate:
    case ftTime:
    case ftDateTime: return Variant::FromDate(AsDateTime());
    default: break;
  }
  switch (v.Kind) {
    case TDbValue::Integer: return Variant(v.Int);
    case TDbValue::Float: return Variant(v.Real);
    default: return Variant(v.Bytes);
  }
}

Variant TField::AsVariant() const { return Value(); }

void TField::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TField*>(Source)) {
    SetValue(f->Value());
    return;
  }
  TComponent::Assign(Source);
}

void TField::SetValue(const Variant& V) {
  switch (V.VType()) {
    case varEmpty:
    case varNull: Clear(); return;
    case varBoolean: SetAsBoolean(V.AsBoolean()); return;
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64: SetAsLargeInt(V.AsInt64()); return;
    case varSingle:
    case varDouble:
    case varCurrency: SetAsFloat(V.AsFloat()); return;
    case varDate: SetAsDateTime(V.AsDateTime()); return;
    default: SetAsString(V.AsString()); return;
  }
}

Variant TParameter::Value() const {
  switch (FValue.Kind) {
    case TDbValue::Null: return Null();
    case TDbValue::Integer:
      if (DataType == ftBoolean) return Variant(FValue.Int != 0);
      return Variant(FValue.Int);
    case TDbValue::Float: return Variant(FValue.Real);
    default: return Variant(FValue.Bytes);
  }
}

void TParameter::SetValue(const Variant& V) {
  FValue = ToDbValue(V);
  if (DataType != ftUnknown) return;
  switch (V.VType()) {
    case varBoolean: DataType = ftBoolean; break;
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord: DataType = ftInteger; break;
    case varInt64: DataType = ftLargeint; break;
    case varSingle:
    case varDouble: DataType = ftFloat; break;
    case varCurrency: DataType = ftCurrency; break;
    case varDate: DataType = ftDateTime; break;
    case varString:
    case varOleStr: DataType = ftWideString; break;
    default: break;
  }
}

TParameter* TParameters::CreateParameter(const std::string& Name, TFieldType DataType,
                                         TParameterDirection Direction, int Size,
                                         const Variant& Value) {
  TParameter* p = AddParameter();
  p->Name = Name;
  p->DataType = DataType;
  p->Direction = Direction;
  p->Size = Size;
  p->SetValue(Value);
  return p;
}

bool TDataSet::Locate(const std::string& KeyFields, const std::vector<Variant>& KeyValues,
                      TLocateOptions Options) {
  std::vector<TDbValue> keys;
  for (const auto& v : KeyValues) keys.push_back(ToDbValue(v));
  return LocateRaw(KeyFields, keys, Options);
}

bool TDataSet::Locate(const std::string& KeyFields, const Variant& KeyValue,
                      TLocateOptions Options) {
  // Several key fields take their values from a variant array.
  if (KeyValue.IsArray()) {
    std::vector<TDbValue> keys;
    for (int i = VarArrayLowBound(KeyValue, 1); i <= VarArrayHighBound(KeyValue, 1); ++i)
      keys.push_back(ToDbValue(KeyValue[i]));
    return LocateRaw(KeyFields, keys, Options);
  }
  return LocateRaw(KeyFields, {ToDbValue(KeyValue)}, Options);
}

int TADOCommand::Execute(const std::vector<Variant>& Values) {
  for (size_t i = 0; i < Values.size() && static_cast<int>(i) < FParameters->Count(); ++i)
    FParameters->Items(static_cast<int>(i))->SetValue(Values[i]);
  return Execute();
}
