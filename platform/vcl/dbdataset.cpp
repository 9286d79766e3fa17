// TDataSet: the rows of an open result, the current row, editing, events and notifications.
#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/db.h"
#include "platform/vcl/dbjet.h"
#include "platform/vcl/dbtext.h"

ORV_CLASS_IMPL(TDataSet, TComponent)

void TDataSet::Publish(TPublisher<TDataSet>& P) {
  P.Prop("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
}

namespace {

void Fire(const TDataSetNotifyEvent& E, TDataSet* D) {
  if (E) E(D);
}

// A memory stream over a blob field's bytes; what is written reaches the field when the stream
// is destroyed.
class TDbBlobStream : public TMemoryStream {
public:
  TDbBlobStream(TBlobField* F, TBlobStreamMode M) : FField(F), FMode(M) {
    if (M != bmWrite) {
      std::string b = F->AsBytes();
      if (!b.empty()) TMemoryStream::Write(b.data(), static_cast<int64_t>(b.size()));
      SetPosition(0);
    }
  }
  ~TDbBlobStream() override {
    if (FMode == bmRead || !FWritten) return;
    try {
      FField->SetAsBytes(
          std::string(static_cast<const char*>(Memory()), static_cast<size_t>(Size())));
    } catch (...) {
      // The data set left edit mode while the stream was open; the write is lost, as it would be
      // after a Cancel.
    }
  }
  int64_t Write(const void* Buffer, int64_t Count) override {
    if (FMode == bmRead) return 0;
    FWritten = true;
    return TMemoryStream::Write(Buffer, Count);
  }
  void SetSize(int64_t NewSize) override {
    if (FMode != bmRead) FWritten = true;
    TMemoryStream::SetSize(NewSize);
  }

private:
  TBlobField* FField;
  TBlobStreamMode FMode;
  bool FWritten = false;
};

}  // namespace

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner),
      FFields(std::make_unique<TFields>()),
      FFieldDefs(std::make_unique<TFieldDefs>()) {
  FFieldDefs->FDataSet = this;
}

TDataSet::~TDataSet() {
  // Links outlive nothing: detach every source so controls do not reach a dead data set.
  for (TDataSource* s : std::vector<TDataSource*>(FDataSources)) s->SetDataSet(nullptr);
}

// ---- state ----

void TDataSet::CheckActive() const {
  if (FState == dsInactive)
    throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const {
  if (FState != dsInactive)
    throw EDatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::SetState(TDataSetState S) {
  if (FState == S) return;
  FState = S;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

bool TDataSet::CanModify() const { return !FReadOnly; }

// ---- opening and closing ----

void TDataSet::SetActive(bool V) {
  if (V)
    Open();
  else
    Close();
}

void TDataSet::Open() {
  if (Active()) return;
  Fire(BeforeOpen, this);
  std::vector<TDataRecord> rows;
  FFieldDefs->Clear();
  InternalOpen(rows);
  FRecords = std::move(rows);
  for (auto& r : FRecords) r.Serial = FNextSerial++;
  try {
    BindFields();
  } catch (...) {
    FRecords.clear();
    InternalClose();
    throw;
  }
  FCurrent = FRecords.empty() ? -1 : 0;
  FBof = true;
  FEof = FRecords.empty();
  FDisplayRecord = -1;
  SetState(dsBrowse);
  CalculateAll();
  Fire(AfterOpen, this);
  Fire(AfterScroll, this);
}

void TDataSet::Close() {
  if (!Active()) return;
  Fire(BeforeClose, this);
  // A row still being edited is dropped, as closing a window without saving drops it.
  FEditRecord = TDataRecord();
  FChanged.clear();
  FRecords.clear();
  FCurrent = -1;
  FBof = FEof = true;
  FDisplayRecord = -1;
  InternalClose();
  SetState(dsInactive);
  // Fields made for the columns of this result go with it; fields of one's own stay.
  FFields->FList.clear();
  FOwnedFields.erase(
      std::remove_if(FOwnedFields.begin(), FOwnedFields.end(),
                     [](const std::unique_ptr<TField>& f) { return f->FAutoCreated; }),
      FOwnedFields.end());
  for (auto& f : FOwnedFields) FFields->FList.push_back(f.get());
  Fire(AfterClose, this);
}

void TDataSet::Refresh() {
  CheckActive();
  CheckBrowseMode();
  int recNo = FCurrent;
  Close();
  Open();
  if (recNo > 0 && !FRecords.empty()) {
    FCurrent = std::min(recNo, static_cast<int>(FRecords.size()) - 1);
    FBof = FEof = false;
    DataEvent(deDataSetChange, 0);
  }
}

TField* TDataSet::CreateField(TFieldType Type, const std::string& Name, TFieldKind Kind, int Size) {
  CheckInactive();
  std::unique_ptr<TField> f = CreateFieldOfType(Type);
  f->FFieldName = Name;
  f->FFieldKind = Kind;
  if (Size > 0) f->FSize = Size;
  f->FDataSet = this;
  TField* raw = f.get();
  FOwnedFields.push_back(std::move(f));
  FFields->FList.push_back(raw);
  return raw;
}

// Gives every field its slot in the row buffers: data fields the column of their name,
// calculated fields the slots after the columns.
void TDataSet::BindFields() {
  bool ownData = false;
  for (auto& f : FOwnedFields) ownData = ownData || (!f->Calculated() && !f->FAutoCreated);
  if (!ownData) {
    // One field per column, in column order, before the calculated fields of one's own.
    std::vector<TField*> calc(FFields->FList.begin(), FFields->FList.end());
    FFields->FList.clear();
    for (int i = 0; i < FFieldDefs->Count(); ++i) {
      TFieldDef* d = FFieldDefs->Items(i);
      std::unique_ptr<TField> f = CreateFieldOfType(d->DataType);
      f->FFieldName = d->Name;
      f->FSize = d->Size;
      f->FRequired = d->Required;
      f->FDataSet = this;
      f->FAutoCreated = true;
      FFields->FList.push_back(f.get());
      FOwnedFields.push_back(std::move(f));
    }
    for (TField* f : calc) FFields->FList.push_back(f);
  }
  const int columns = FFieldDefs->Count();
  int nextCalc = columns;
  for (TField* f : FFields->FList) {
    if (f->Calculated()) {
      f->FFieldNo = 0;
      f->FSlot = nextCalc++;
      continue;
    }
    int i = FFieldDefs->IndexOf(f->FFieldName);
    if (i < 0) throw EDatabaseError("Field '" + f->FFieldName + "' not found");
    f->FFieldNo = i + 1;
    f->FSlot = i;
    if (f->FSize == 0) f->FSize = FFieldDefs->Items(i)->Size;
    f->FCaseInsensitive = ColumnNoCase(i);
  }
  for (auto& r : FRecords) r.Values.resize(nextCalc);
}

TDataRecord TDataSet::BlankRecord() const {
  TDataRecord r;
  int slots = FFieldDefs->Count();
  for (TField* f : FFields->FList)
    if (f->Calculated()) ++slots;
  r.Values.resize(slots);
  return r;
}

// ---- calculated fields ----

void TDataSet::CalculateFields(TDataRecord& R) {
  bool any = false;
  for (TField* f : FFields->FList) {
    if (!f->Calculated()) continue;
    any = true;
    R.Values[f->FSlot] = TDbValue();
  }
  if (!any || !OnCalcFields) return;
  TDataSetState saved = FState;
  TDataRecord* savedCalc = FCalcRecord;
  FState = dsCalcFields;
  FCalcRecord = &R;
  try {
    OnCalcFields(this);
  } catch (...) {
    FState = saved;
    FCalcRecord = savedCalc;
    throw;
  }
  FState = saved;
  FCalcRecord = savedCalc;
}

void TDataSet::CalculateAll() {
  bool any = false;
  for (TField* f : FFields->FList) any = any || f->Calculated();
  if (!any) return;
  for (auto& r : FRecords) CalculateFields(r);
  if (FState == dsEdit || FState == dsInsert) CalculateFields(FEditRecord);
}

// ---- reading and writing values ----

const TDataRecord* TDataSet::ActiveRecordPtr() const {
  if (FState == dsCalcFields && FCalcRecord) return FCalcRecord;
  const bool editing = FState == dsEdit || FState == dsInsert;
  int idx = FDisplayRecord;
  if (idx < 0) {
    if (editing) return &FEditRecord;
    idx = FCurrent;
  } else if (FState == dsInsert) {
    // A link's window shows the new row at its place among the stored ones.
    if (idx == FInsertPos) return &FEditRecord;
    if (idx > FInsertPos) --idx;
  } else if (FState == dsEdit && idx == FCurrent) {
    return &FEditRecord;
  }
  if (idx >= 0 && idx < static_cast<int>(FRecords.size())) return &FRecords[idx];
  return nullptr;
}

int TDataSet::RecordIndex() const { return FState == dsInsert ? FInsertPos : FCurrent; }

int TDataSet::StoredCount() const {
  return static_cast<int>(FRecords.size()) + (FState == dsInsert ? 1 : 0);
}

const TDbValue& TDataSet::FieldValue(const TField* F) const {
  static const TDbValue kNull;
  const TDataRecord* r = ActiveRecordPtr();
  if (!r || F->FSlot < 0 || F->FSlot >= static_cast<int>(r->Values.size())) return kNull;
  return r->Values[F->FSlot];
}

void TDataSet::SetFieldValue(TField* F, TDbValue V) {
  if (FState == dsCalcFields) {
    if (!F->Calculated()) throw EDatabaseError("Field '" + F->FieldName() + "' cannot be modified");
    FCalcRecord->Values[F->FSlot] = std::move(V);
    return;
  }
  if (FState != dsEdit && FState != dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (F->ReadOnly() && !F->Calculated())
    throw EDatabaseError("Field '" + F->FieldName() + "' cannot be modified");
  if (F->OnValidate) F->OnValidate(F);
  FEditRecord.Values[F->FSlot] = std::move(V);
  if (F->FSlot < static_cast<int>(FChanged.size())) FChanged[F->FSlot] = true;
  FModified = true;
  if (F->OnChange) F->OnChange(F);
  DataEvent(deFieldChange, reinterpret_cast<intptr_t>(F));
}

std::vector<std::string> TDataSet::FieldNames() const {
  std::vector<std::string> names;
  if (FFields->Count() > 0) {
    for (TField* f : FFields->FList) names.push_back(f->FieldName());
  } else {
    for (int i = 0; i < FFieldDefs->Count(); ++i) names.push_back(FFieldDefs->Items(i)->Name);
  }
  return names;
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  auto* blob = dynamic_cast<TBlobField*>(Field);
  if (!blob) throw EDatabaseError("Field '" + Field->FieldName() + "' is not a blob field");
  if (Mode != bmRead && FState != dsEdit && FState != dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  auto s = std::make_unique<TDbBlobStream>(blob, Mode);
  return s;
}

// ---- navigation ----

int TDataSet::RecordCount() const {
  CheckActive();
  return static_cast<int>(FRecords.size());
}

int TDataSet::RecNo() const {
  if (FState == dsCalcFields && FCalcRecord) {
    if (FCalcRecord == &FEditRecord) return FInsertPos >= 0 ? 1 : FCurrent + 1;
    return static_cast<int>(FCalcRecord - FRecords.data()) + 1;
  }
  // Deliberate: a row being inserted reports 1, which the requirement list shows as its number.
  if (FState == dsInsert) return 1;
  return FCurrent + 1;
}

void TDataSet::Scrolled(int OldCurrent) {
  DataEvent(deDataSetScroll, FCurrent - OldCurrent);
  Fire(AfterScroll, this);
}

int TDataSet::MoveBy(int Distance) {
  CheckActive();
  CheckBrowseMode();
  if (Distance == 0 || (Distance > 0 && FEof) || (Distance < 0 && FBof)) return 0;
  const int old = FCurrent;
  FBof = FEof = false;
  Fire(BeforeScroll, this);
  const int last = static_cast<int>(FRecords.size()) - 1;
  int target = FCurrent + Distance;
  if (target > last) {
    target = last;
    FEof = true;
  }
  if (target < 0) {
    target = last < 0 ? -1 : 0;
    FBof = true;
  }
  if (last < 0) FBof = FEof = true;
  FCurrent = target;
  Scrolled(old);
  return FCurrent - old;
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  const int old = FCurrent;
  Fire(BeforeScroll, this);
  FCurrent = FRecords.empty() ? -1 : 0;
  FBof = true;
  FEof = FRecords.empty();
  DataEvent(deDataSetChange, 0);
  (void)old;
  Fire(AfterScroll, this);
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  Fire(BeforeScroll, this);
  FCurrent = static_cast<int>(FRecords.size()) - 1;
  FEof = true;
  FBof = FRecords.empty();
  DataEvent(deDataSetChange, 0);
  Fire(AfterScroll, this);
}

void TDataSet::SetRecNo(int Value) {
  CheckActive();
  CheckBrowseMode();
  if (FRecords.empty()) return;
  const int old = FCurrent;
  Fire(BeforeScroll, this);
  FCurrent = std::clamp(Value - 1, 0, static_cast<int>(FRecords.size()) - 1);
  FBof = FEof = false;
  Scrolled(old);
}

namespace {

// Field value against a key value, as Locate compares them.
bool KeyMatches(const TField* F, const TDbValue& Key, TLocateOptions Options) {
  const TDbValue& v = F->RawValue();
  if (Key.IsNull()) return v.IsNull();
  if (v.IsNull()) return false;
  const TFieldType t = F->DataType();
  const bool text = !(t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc ||
                      t == ftLargeint || t == ftFloat || t == ftCurrency || t == ftBCD ||
                      t == ftBoolean || t == ftDate || t == ftTime || t == ftDateTime);
  std::string keyText;
  switch (Key.Kind) {
    case TDbValue::Integer: keyText = std::to_string(Key.Int); break;
    case TDbValue::Float: keyText = DbFloatToText(Key.Real); break;
    default: keyText = Key.Bytes;
  }
  if (text) {
    std::string s = F->AsString();
    if (Options & loPartialKey) s = s.substr(0, std::min(s.size(), keyText.size()));
    if ((Options & loCaseInsensitive) || F->CaseInsensitive()) return SameTextNoCase(s, keyText);
    return s == keyText;
  }
  try {
    if (t == ftBoolean) {
      bool k = Key.Kind == TDbValue::Text
                   ? (SameTextNoCase(keyText, "true") || keyText == "1" || keyText == "-1")
                   : (Key.Kind == TDbValue::Float ? Key.Real != 0 : Key.Int != 0);
      return F->AsBoolean() == k;
    }
    double k = Key.Kind == TDbValue::Integer ? static_cast<double>(Key.Int)
               : Key.Kind == TDbValue::Float ? Key.Real
                                             : std::stod(keyText);
    return F->AsFloat() == k;
  } catch (...) {
    return false;
  }
}

std::vector<std::string> SplitFieldList(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(';', start);
    std::string part = s.substr(start, p == std::string::npos ? std::string::npos : p - start);
    size_t b = part.find_first_not_of(' '), e = part.find_last_not_of(' ');
    if (b != std::string::npos) out.push_back(part.substr(b, e - b + 1));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return out;
}

}  // namespace

bool TDataSet::LocateRaw(const std::string& KeyFields, const std::vector<TDbValue>& KeyValues,
                         TLocateOptions Options) {
  CheckActive();
  CheckBrowseMode();
  std::vector<TField*> fields;
  for (const auto& n : SplitFieldList(KeyFields)) fields.push_back(FieldByName(n));
  if (fields.size() != KeyValues.size())
    throw EDatabaseError("Locate needs one value for each key field");
  const int saved = FCurrent;
  const int savedDisplay = FDisplayRecord;
  FDisplayRecord = -1;  // the rows are read through the current-row position below
  for (int i = 0; i < static_cast<int>(FRecords.size()); ++i) {
    FCurrent = i;
    bool all = true;
    for (size_t k = 0; k < fields.size() && all; ++k)
      all = KeyMatches(fields[k], KeyValues[k], Options);
    if (!all) continue;
    FCurrent = saved;
    FDisplayRecord = savedDisplay;
    Fire(BeforeScroll, this);
    FCurrent = i;
    FBof = FEof = false;
    Scrolled(saved);
    return true;
  }
  FCurrent = saved;
  FDisplayRecord = savedDisplay;
  return false;
}

bool TDataSet::LocateText(const std::string& KeyField, const std::string& Text,
                          TLocateOptions Options) {
  return LocateRaw(KeyField, {TDbValue::FromText(Text)}, Options);
}

// ---- bookmarks ----

int TDataSet::IndexOfSerial(TBookmark B) const {
  for (int i = 0; i < static_cast<int>(FRecords.size()); ++i)
    if (FRecords[i].Serial == B) return i;
  return -1;
}

TBookmark TDataSet::GetBookmark() const {
  if (FCurrent < 0 || FCurrent >= static_cast<int>(FRecords.size())) return 0;
  return FRecords[FCurrent].Serial;
}

bool TDataSet::BookmarkValid(TBookmark B) const { return B != 0 && IndexOfSerial(B) >= 0; }

void TDataSet::GotoBookmark(TBookmark B) {
  CheckActive();
  CheckBrowseMode();
  int i = IndexOfSerial(B);
  if (i < 0) throw EDatabaseError("Record not found");
  const int old = FCurrent;
  Fire(BeforeScroll, this);
  FCurrent = i;
  FBof = FEof = false;
  Scrolled(old);
}

int TDataSet::CompareBookmarks(TBookmark A, TBookmark B) const {
  if (A == B) return 0;
  if (A == 0) return -1;
  if (B == 0) return 1;
  return IndexOfSerial(A) < IndexOfSerial(B) ? -1 : 1;
}

// ---- editing ----

void TDataSet::UpdateRecord() {
  if (FState != dsEdit && FState != dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (FState != dsEdit && FState != dsInsert) return;
  UpdateRecord();
  if (FModified)
    Post();
  else
    Cancel();
}

void TDataSet::Edit() {
  CheckActive();
  if (FState == dsEdit || FState == dsInsert) return;
  if (FRecords.empty()) {
    Insert();
    return;
  }
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  CheckBrowseMode();
  Fire(BeforeEdit, this);
  FEditRecord = FRecords[FCurrent];
  FChanged.assign(FEditRecord.Values.size(), false);
  FInsertPos = -1;
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  Fire(AfterEdit, this);
}

void TDataSet::BeginInsertAt(int Pos) {
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  CheckBrowseMode();
  Fire(BeforeInsert, this);
  Fire(BeforeScroll, this);
  FEditRecord = BlankRecord();
  FChanged.assign(FEditRecord.Values.size(), false);
  FInsertPos = Pos < 0 ? 0 : Pos;
  SetState(dsInsert);
  try {
    if (OnNewRecord) OnNewRecord(this);
  } catch (...) {
    FEditRecord = TDataRecord();
    SetState(dsBrowse);
    throw;
  }
  // Values set by OnNewRecord are defaults: an untouched new row is still dropped by a move.
  FModified = false;
  CalculateFields(FEditRecord);
  DataEvent(deDataSetChange, 0);
  Fire(AfterInsert, this);
  Fire(AfterScroll, this);
}

void TDataSet::Insert() {
  CheckActive();
  CheckBrowseMode();
  BeginInsertAt(FCurrent < 0 ? 0 : FCurrent);
}

void TDataSet::Append() {
  CheckActive();
  CheckBrowseMode();
  BeginInsertAt(static_cast<int>(FRecords.size()));
}

void TDataSet::Post() {
  CheckActive();
  if (FState != dsEdit && FState != dsInsert) return;
  UpdateRecord();
  Fire(BeforePost, this);
  for (TField* f : FFields->FList) {
    if (f->Required() && !f->Calculated() && f->DataType() != ftAutoInc && !f->ReadOnly() &&
        f->RawValue().IsNull() && (FState == dsEdit || FChanged[f->FSlot]))
      throw EDatabaseError("Field '" + f->FieldName() + "' must have a value");
  }
  const bool inserting = FState == dsInsert;
  // The engine sees the data columns only.
  TDataRecord row = FEditRecord;
  const size_t columns = static_cast<size_t>(FFieldDefs->Count());
  row.Values.resize(columns);
  std::vector<bool> changed(FChanged.begin(),
                            FChanged.begin() + std::min(columns, FChanged.size()));
  TDataRecord stored = InternalPost(row, changed, inserting);
  stored.Values.resize(FEditRecord.Values.size());
  stored.Serial = inserting ? FNextSerial++ : FEditRecord.Serial;
  if (inserting) {
    const int pos = std::min(FInsertPos, static_cast<int>(FRecords.size()));
    FRecords.insert(FRecords.begin() + pos, std::move(stored));
    FCurrent = pos;
  } else {
    FRecords[FCurrent] = std::move(stored);
  }
  FBof = FEof = false;
  FEditRecord = TDataRecord();
  FChanged.clear();
  SetState(dsBrowse);
  CalculateAll();
  DataEvent(deDataSetChange, 0);
  Fire(AfterPost, this);
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  Fire(BeforeCancel, this);
  FEditRecord = TDataRecord();
  FChanged.clear();
  SetState(dsBrowse);
  DataEvent(deDataSetChange, 0);
  Fire(AfterCancel, this);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert) {
    Cancel();
    return;
  }
  if (FRecords.empty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  DataEvent(deCheckBrowseMode, 0);
  if (FState == dsEdit) Cancel();
  Fire(BeforeDelete, this);
  Fire(BeforeScroll, this);
  InternalDelete(FRecords[FCurrent]);
  FRecords.erase(FRecords.begin() + FCurrent);
  if (FCurrent >= static_cast<int>(FRecords.size()))
    FCurrent = static_cast<int>(FRecords.size()) - 1;
  FBof = FEof = FRecords.empty();
  CalculateAll();
  DataEvent(deDataSetChange, 0);
  Fire(AfterDelete, this);
  Fire(AfterScroll, this);
}

// ---- controls and notifications ----

void TDataSet::DisableControls() { ++FDisableCount; }

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount == 0 && FPendingChange) {
    FPendingChange = false;
    DataEvent(deUpdateState, 0);
    DataEvent(deDataSetChange, 0);
  }
}

void TDataSet::DataEvent(TDataEvent Event, intptr_t Info) {
  // While controls are disabled only the transfers between controls and fields happen; the
  // rest is told once, as one change, when they are enabled again.
  // A data set that closes is always told at once: its fields are gone, and a control that kept
  // one must let go of it before it paints again.
  const bool closing = Event == deUpdateState && FState == dsInactive;
  if (FDisableCount > 0 && Event != deUpdateRecord && Event != deCheckBrowseMode &&
      Event != deFocusControl && !closing) {
    FPendingChange = true;
    return;
  }
  for (TDataSource* s : std::vector<TDataSource*>(FDataSources)) s->DataEvent(Event, Info);
}

void TDataSet::AddDataSource(TDataSource* S) {
  if (std::find(FDataSources.begin(), FDataSources.end(), S) == FDataSources.end())
    FDataSources.push_back(S);
}

void TDataSet::RemoveDataSource(TDataSource* S) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), S), FDataSources.end());
}
