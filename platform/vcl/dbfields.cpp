// Fields: the conversions between stored values and the As... forms, blob streams, field lists.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/db.h"
#include "platform/vcl/dbjet.h"
#include "platform/vcl/dbtext.h"

ORV_CLASS_IMPL(TFieldDef, TObject)
ORV_CLASS_IMPL(TFieldDefs, TObject)
ORV_CLASS_IMPL(TField, TComponent)
ORV_CLASS_IMPL(TStringField, TField)
ORV_CLASS_IMPL(TWideStringField, TStringField)
ORV_CLASS_IMPL(TNumericField, TField)
ORV_CLASS_IMPL(TIntegerField, TNumericField)
ORV_CLASS_IMPL(TSmallintField, TIntegerField)
ORV_CLASS_IMPL(TAutoIncField, TIntegerField)
ORV_CLASS_IMPL(TLargeintField, TNumericField)
ORV_CLASS_IMPL(TFloatField, TNumericField)
ORV_CLASS_IMPL(TCurrencyField, TFloatField)
ORV_CLASS_IMPL(TBooleanField, TField)
ORV_CLASS_IMPL(TDateTimeField, TField)
ORV_CLASS_IMPL(TBlobField, TField)
ORV_CLASS_IMPL(TMemoField, TBlobField)
ORV_CLASS_IMPL(TGraphicField, TBlobField)
ORV_CLASS_IMPL(TFields, TObject)

// ---- text forms of numbers and dates ----

namespace {

bool IsTextType(TFieldType t) {
  return t == ftString || t == ftWideString || t == ftFixedChar || t == ftMemo || t == ftFmtMemo ||
         t == ftWideMemo;
}
bool IsIntegerType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}
bool IsFloatType(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD; }
bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }
bool IsBinaryType(TFieldType t) {
  return t == ftBlob || t == ftGraphic || t == ftTypedBinary || t == ftBytes || t == ftVarBytes;
}

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = static_cast<int>(yy + (m <= 2));
}

// Day 0 of TDateTime is 1899-12-30.
const int64_t kDelphiEpochFromUnix = 25569;

}  // namespace

std::string DbDateTimeToText(TDateTime V, bool ForDisplay) {
  int64_t ms = std::llround(V * 86400000.0);
  int64_t day = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
  int64_t msOfDay = ms - day * 86400000;
  int y;
  unsigned mo, d;
  CivilFromDays(day - kDelphiEpochFromUnix, y, mo, d);
  char buf[64];
  int h = static_cast<int>(msOfDay / 3600000), mi = static_cast<int>(msOfDay / 60000 % 60),
      s = static_cast<int>(msOfDay / 1000 % 60), z = static_cast<int>(msOfDay % 1000);
  if (ForDisplay && msOfDay == 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, mo, d);
  } else if (z != 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d.%03d", y, mo, d, h, mi, s, z);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d", y, mo, d, h, mi, s);
  }
  return buf;
}

bool DbTextToDateTime(const std::string& Text, TDateTime& V) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, z = 0;
  const char* p = Text.c_str();
  while (*p == ' ') ++p;
  auto num = [&](int& out, int maxDigits) {
    int n = 0;
    out = 0;
    while (n < maxDigits && *p >= '0' && *p <= '9') out = out * 10 + (*p++ - '0'), ++n;
    return n > 0;
  };
  if (!num(y, 4) || (*p != '-' && *p != '/')) return false;
  char sep = *p++;
  if (!num(mo, 2) || *p++ != sep || !num(d, 2)) return false;
  if (*p == ' ' || *p == 'T') {
    ++p;
    if (!num(h, 2) || *p++ != ':' || !num(mi, 2)) return false;
    if (*p == ':') {
      ++p;
      if (!num(s, 2)) return false;
      if (*p == '.') {
        ++p;
        int digits = 0;
        const char* start = p;
        if (!num(z, 3)) return false;
        digits = static_cast<int>(p - start);
        while (digits++ < 3) z *= 10;
        while (*p >= '0' && *p <= '9') ++p;
      }
    }
  }
  while (*p == ' ') ++p;
  if (*p || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  int64_t day = DaysFromCivil(y, mo, d) + kDelphiEpochFromUnix;
  V = static_cast<double>(day) + (h * 3600000.0 + mi * 60000.0 + s * 1000.0 + z) / 86400000.0;
  return true;
}

std::string DbFloatToText(double V) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", V);
  return buf;
}

// ---- TFieldDefs ----

TFieldDef* TFieldDefs::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[Index].get();
}

int TFieldDefs::IndexOf(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameTextNoCase(FItems[i]->Name, Name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const std::string& Name) const {
  int i = IndexOf(Name);
  if (i < 0) throw EDatabaseError("Field '" + Name + "' not found");
  return FItems[i].get();
}

void TFieldDefs::Update() {
  // An open data set already has its definitions.
  if (!FDataSet || FDataSet->Active()) return;
  FDataSet->InternalInitFieldDefs();
}

TFieldDef* TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  auto d = std::make_unique<TFieldDef>();
  d->Name = Name;
  d->DataType = DataType;
  d->Size = Size;
  d->Required = Required;
  d->FieldNo = Count() + 1;
  FItems.push_back(std::move(d));
  return FItems.back().get();
}

// ---- TField ----

void TField::Publish(TPublisher<TField>& P) {
  P.Prop("FieldName", &TField::FieldName, &TField::SetFieldName);
  P.Prop("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
  P.Prop("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth);
  P.Prop("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  P.Prop("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  P.Prop("Required", &TField::Required, &TField::SetRequired).Default(false);
  P.Prop("Size", &TField::Size, &TField::SetSize).Default(0);
}

TField::TField(TFieldType AType) : TComponent(nullptr), FDataType(AType) {}
TField::~TField() = default;

int TField::Index() const { return FDataSet ? FDataSet->Fields()->IndexOf(this) : -1; }

int TField::DisplayWidth() const {
  if (FDisplayWidth > 0) return FDisplayWidth;
  if (IsTextType(FDataType) && !IsBlob()) return FSize > 0 ? FSize : 10;
  switch (FDataType) {
    case ftSmallint: return 6;
    case ftBoolean: return 5;
    case ftDateTime: return 18;
    case ftLargeint: return 15;
    default: return 10;
  }
}

bool TField::CanModify() const {
  return !FReadOnly && FDataSet && (Calculated() || FDataSet->CanModify());
}

const TDbValue& TField::RawValue() const {
  static const TDbValue kNull;
  return FDataSet ? FDataSet->FieldValue(this) : kNull;
}

void TField::SetRawValue(TDbValue V) {
  if (!FDataSet) throw EDatabaseError("Field '" + FFieldName + "' has no dataset");
  FDataSet->SetFieldValue(this, std::move(V));
}

bool TField::IsNull() const { return RawValue().IsNull(); }

std::string TField::AsString() const {
  const TDbValue& v = RawValue();
  switch (v.Kind) {
    case TDbValue::Null: return std::string();
    case TDbValue::Integer:
      if (FDataType == ftBoolean) return v.Int ? "True" : "False";
      if (IsDateType(FDataType)) return DbDateTimeToText(static_cast<double>(v.Int), true);
      return std::to_string(v.Int);
    case TDbValue::Float:
      if (IsDateType(FDataType)) return DbDateTimeToText(v.Real, true);
      return DbFloatToText(v.Real);
    case TDbValue::Text:
      if (IsDateType(FDataType)) {
        TDateTime d;
        if (DbTextToDateTime(v.Bytes, d)) return DbDateTimeToText(d, true);
      }
      return v.Bytes;
    case TDbValue::Blob: return v.Bytes;
  }
  return std::string();
}

int64_t TField::AsLargeInt() const {
  const TDbValue& v = RawValue();
  switch (v.Kind) {
    case TDbValue::Null: return 0;
    case TDbValue::Integer: return v.Int;
    case TDbValue::Float: return std::llrint(v.Real);
    default: {
      std::string t = v.Bytes;
      if (t.empty()) return 0;
      errno = 0;
      char* end = nullptr;
      long long r = std::strtoll(t.c_str(), &end, 10);
      while (end && *end == ' ') ++end;
      if (errno || !end || *end || end == t.c_str())
        throw EConvertError("'" + t + "' is not a valid integer value");
      return r;
    }
  }
}

int32_t TField::AsInteger() const {
  int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX)
    throw EConvertError("'" + std::to_string(v) + "' is not a valid integer value");
  return static_cast<int32_t>(v);
}

bool TField::AsBoolean() const {
  const TDbValue& v = RawValue();
  switch (v.Kind) {
    case TDbValue::Null: return false;
    case TDbValue::Integer: return v.Int != 0;
    case TDbValue::Float: return v.Real != 0;
    default: {
      const std::string& t = v.Bytes;
      if (t.empty() || SameTextNoCase(t, "false") || SameTextNoCase(t, "no") || t == "0")
        return false;
      if (SameTextNoCase(t, "true") || SameTextNoCase(t, "yes") || t == "1" || t == "-1")
        return true;
      throw EConvertError("'" + t + "' is not a valid boolean value");
    }
  }
}

double TField::AsFloat() const {
  const TDbValue& v = RawValue();
  switch (v.Kind) {
    case TDbValue::Null: return 0;
    case TDbValue::Integer: return static_cast<double>(v.Int);
    case TDbValue::Float: return v.Real;
    default: {
      const std::string& t = v.Bytes;
      if (t.empty()) return 0;
      if (IsDateType(FDataType)) return AsDateTime();
      char* end = nullptr;
      double r = std::strtod(t.c_str(), &end);
      while (end && *end == ' ') ++end;
      if (!end || *end || end == t.c_str())
        throw EConvertError("'" + t + "' is not a valid floating point value");
      return r;
    }
  }
}

TDateTime TField::AsDateTime() const {
  const TDbValue& v = RawValue();
  switch (v.Kind) {
    case TDbValue::Null: return 0;
    case TDbValue::Integer: return static_cast<double>(v.Int);
    case TDbValue::Float: return v.Real;
    default: {
      TDateTime d;
      if (v.Bytes.empty()) return 0;
      if (!DbTextToDateTime(v.Bytes, d))
        throw EConvertError("'" + v.Bytes + "' is not a valid date and time");
      return d;
    }
  }
}

std::string TField::DisplayText() const {
  if (IsBlob() || FDataType == ftMemo) {
    const char* kind = FDataType == ftMemo ? "MEMO" : FDataType == ftGraphic ? "GRAPHIC" : "BLOB";
    std::string k = kind;
    if (IsNull()) {
      for (size_t i = 1; i < k.size(); ++i) k[i] = static_cast<char>(std::tolower(k[i]));
    }
    return "(" + k + ")";
  }
  return AsString();
}

void TField::SetAsString(const std::string& V) {
  if (IsTextType(FDataType) || IsBinaryType(FDataType) || FDataType == ftUnknown) {
    SetRawValue(IsBinaryType(FDataType) ? TDbValue::FromBlob(V) : TDbValue::FromText(V));
    return;
  }
  // An empty text clears a number, a date or a yes/no value, as typing nothing into its box does.
  if (V.empty()) {
    Clear();
    return;
  }
  if (FDataType == ftBoolean) {
    if (SameTextNoCase(V, "true") || SameTextNoCase(V, "yes") || V == "1" || V == "-1")
      SetAsBoolean(true);
    else if (SameTextNoCase(V, "false") || SameTextNoCase(V, "no") || V == "0")
      SetAsBoolean(false);
    else
      throw EConvertError("'" + V + "' is not a valid boolean value");
    return;
  }
  if (IsDateType(FDataType)) {
    TDateTime d;
    if (!DbTextToDateTime(V, d)) throw EConvertError("'" + V + "' is not a valid date and time");
    SetAsDateTime(d);
    return;
  }
  char* end = nullptr;
  if (IsIntegerType(FDataType)) {
    errno = 0;
    long long r = std::strtoll(V.c_str(), &end, 10);
    while (end && *end == ' ') ++end;
    if (errno || !end || *end || end == V.c_str())
      throw EConvertError("'" + V + "' is not a valid integer value");
    SetAsLargeInt(r);
    return;
  }
  double r = std::strtod(V.c_str(), &end);
  while (end && *end == ' ') ++end;
  if (!end || *end || end == V.c_str())
    throw EConvertError("'" + V + "' is not a valid floating point value");
  SetAsFloat(r);
}

void TField::SetAsLargeInt(int64_t V) {
  if (IsTextType(FDataType)) return SetRawValue(TDbValue::FromText(std::to_string(V)));
  if (FDataType == ftBoolean) return SetRawValue(TDbValue::FromInt(V != 0));
  if (IsFloatType(FDataType)) return SetRawValue(TDbValue::FromFloat(static_cast<double>(V)));
  if (IsDateType(FDataType)) return SetAsDateTime(static_cast<double>(V));
  SetRawValue(TDbValue::FromInt(V));
}

void TField::SetAsInteger(int32_t V) { SetAsLargeInt(V); }

void TField::SetAsBoolean(bool V) {
  if (IsTextType(FDataType)) return SetRawValue(TDbValue::FromText(V ? "True" : "False"));
  if (IsFloatType(FDataType)) return SetRawValue(TDbValue::FromFloat(V ? 1 : 0));
  SetRawValue(TDbValue::FromInt(V ? 1 : 0));
}

void TField::SetAsFloat(double V) {
  if (IsTextType(FDataType)) return SetRawValue(TDbValue::FromText(DbFloatToText(V)));
  if (IsDateType(FDataType)) return SetAsDateTime(V);
  if (IsIntegerType(FDataType)) return SetRawValue(TDbValue::FromInt(std::llrint(V)));
  if (FDataType == ftBoolean) return SetRawValue(TDbValue::FromInt(V != 0));
  SetRawValue(TDbValue::FromFloat(V));
}

void TField::SetAsDateTime(TDateTime V) {
  if (IsFloatType(FDataType)) return SetRawValue(TDbValue::FromFloat(V));
  // Dates are stored as text "yyyy-mm-dd hh:nn:ss" so that they sort and read as dates.
  SetRawValue(TDbValue::FromText(DbDateTimeToText(V, false)));
}

void TField::Clear() { SetRawValue(TDbValue()); }

// ---- blob fields ----

int64_t TBlobField::BlobSize() const {
  const TDbValue& v = RawValue();
  return (v.Kind == TDbValue::Text || v.Kind == TDbValue::Blob)
             ? static_cast<int64_t>(v.Bytes.size())
             : static_cast<int64_t>(AsString().size());
}

void TBlobField::SaveToStream(TStream* Stream) const {
  std::string b = AsString();
  if (!b.empty()) Stream->WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
}

void TBlobField::LoadFromStream(TStream* Stream) {
  std::string b;
  char buf[65536];
  for (;;) {
    int64_t n = Stream->Read(buf, sizeof buf);
    if (n <= 0) break;
    b.append(buf, static_cast<size_t>(n));
  }
  SetAsBytes(b);
}

void TBlobField::SaveToFile(const std::string& FileName) const {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

void TBlobField::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TBlobField::SetAsBytes(const std::string& V) {
  SetRawValue(FDataType == ftMemo || FDataType == ftWideMemo || FDataType == ftFmtMemo
                  ? TDbValue::FromText(V)
                  : TDbValue::FromBlob(V));
}

void TBlobField::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBlobField*>(Source)) {
    if (b->IsNull())
      Clear();
    else
      SetAsBytes(b->AsBytes());
    return;
  }
  if (auto* lines = dynamic_cast<TStrings*>(Source)) {
    SetAsBytes(lines->Text());
    return;
  }
  TField::Assign(Source);
}

namespace {
std::vector<std::pair<TClass, TBlobAssignLoader>>& BlobTargets() {
  static std::vector<std::pair<TClass, TBlobAssignLoader>> targets;
  return targets;
}
}  // namespace

void RegisterBlobAssignTarget(TClass Target, TBlobAssignLoader Loader) {
  auto& t = BlobTargets();
  for (auto& e : t)
    if (e.first == Target) {
      e.second = Loader;
      return;
    }
  t.emplace_back(Target, Loader);
}

void TBlobField::AssignTo(TPersistent* Dest) {
  if (auto* lines = dynamic_cast<TStrings*>(Dest)) {
    lines->SetText(AsString());
    return;
  }
  // The most derived registered class the target belongs to.
  TBlobAssignLoader loader = nullptr;
  for (TClass c = Dest ? Dest->ClassType() : nullptr; c && !loader; c = c->Parent)
    for (const auto& e : BlobTargets())
      if (e.first == c) loader = e.second;
  if (loader) {
    loader(this, Dest);
    return;
  }
  TField::AssignTo(Dest);
}

std::unique_ptr<TField> CreateFieldOfType(TFieldType Type) {
  switch (Type) {
    case ftString:
    case ftFixedChar: return std::make_unique<TStringField>();
    case ftWideString: return std::make_unique<TWideStringField>();
    case ftSmallint:
    case ftWord: return std::make_unique<TSmallintField>();
    case ftInteger: return std::make_unique<TIntegerField>();
    case ftAutoInc: return std::make_unique<TAutoIncField>();
    case ftLargeint: return std::make_unique<TLargeintField>();
    case ftFloat:
    case ftBCD: return std::make_unique<TFloatField>();
    case ftCurrency: return std::make_unique<TCurrencyField>();
    case ftBoolean: return std::make_unique<TBooleanField>();
    case ftDate:
    case ftTime:
    case ftDateTime: return std::make_unique<TDateTimeField>(Type);
    case ftMemo:
    case ftFmtMemo:
    case ftWideMemo: return std::make_unique<TMemoField>();
    case ftGraphic: return std::make_unique<TGraphicField>();
    case ftBlob:
    case ftTypedBinary:
    case ftBytes:
    case ftVarBytes: return std::make_unique<TBlobField>();
    default: return std::make_unique<TField>(Type);
  }
}

// ---- TFields ----

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FList[Index];
}

TField* TFields::FindField(const std::string& Name) const {
  for (TField* f : FList)
    if (SameTextNoCase(f->FieldName(), Name)) return f;
  return nullptr;
}

TField* TFields::FieldByName(const std::string& Name) const {
  TField* f = FindField(Name);
  if (!f) throw EDatabaseError("Field '" + Name + "' not found");
  return f;
}

int TFields::IndexOf(const TField* F) const {
  for (int i = 0; i < Count(); ++i)
    if (FList[i] == F) return i;
  return -1;
}
