// The report dataset over the data layer.
#include "report/core/rptdbset.h"

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "report/core/rptres.h"

ORV_CLASS_IMPL(TrptDBDataset, TrptCustomDBDataSet)

TrptDBDataset::TrptDBDataset(TComponent* AOwner) : TrptCustomDBDataSet(AOwner) {}

TrptDBDataset::~TrptDBDataset() {
  if (FHooked && FSource) FSource->AfterOpen = FSavedAfterOpen;
}

void TrptDBDataset::Publish(TPublisher<TrptDBDataset>& P) {
  P.Prop("DataSet", &TrptDBDataset::DataSet, &TrptDBDataset::SetDataSet).Stored(&TrptDBDataset::IsSourceStored);
  P.Prop("DataSource", &TrptDBDataset::DataSource, &TrptDBDataset::SetDataSource)
      .Stored(&TrptDBDataset::IsSourceStored);
}

bool TrptDBDataset::IsSourceStored() const { return !dynamic_cast<TrptReport*>(Owner()); }

void TrptDBDataset::UpdateSource() {
  FSource = FDataSet ? FDataSet : FDataSource ? FDataSource->DataSet() : nullptr;
}

void TrptDBDataset::SetDataSet(TDataSet* Value) {
  FDataSet = Value;
  if (Value) {
    FDataSource = nullptr;
    Value->FreeNotification(this);
  }
  UpdateSource();
}

void TrptDBDataset::SetDataSource(TDataSource* Value) {
  FDataSource = Value;
  if (Value) {
    FDataSet = nullptr;
    Value->FreeNotification(this);
  }
  UpdateSource();
}

void TrptDBDataset::Notification(TComponent* AComponent, TOperation Operation) {
  TrptCustomDBDataSet::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (static_cast<TComponent*>(FDataSet) == AComponent) FDataSet = nullptr;
  if (static_cast<TComponent*>(FDataSource) == AComponent) FDataSource = nullptr;
  if (static_cast<TComponent*>(FSource) == AComponent) {
    FSource = nullptr;
    FHooked = false;
  }
  UpdateSource();
}

void TrptDBDataset::ResolveFields(bool Strict) {
  FFields->Clear();
  TStringList names;
  GetFieldList(&names);
  for (int i = 0; i < names.Count(); ++i) {
    std::string source = ConvertAlias(names.Get(i));
    TField* f = Strict ? FSource->FieldByName(source) : FSource->FindField(source);
    FFields->AddObject(names.Get(i), f);
  }
}

void TrptDBDataset::Initialize() {
  UpdateSource();
  if (!FSource) throw Exception(Format(rptGet("dbNotConn"), {Name()}));
  FSavedAfterOpen = FSource->AfterOpen;
  FSource->AfterOpen = [this](TDataSet* D) {
    ResolveFields(true);
    if (FSavedAfterOpen) FSavedAfterOpen(D);
  };
  FHooked = true;
  FEof = false;
  Initialized = false;
}

void TrptDBDataset::Finalize() {
  if (FSource) {
    if (FHasBookmark) {
      if (FSource->Active() && FSource->BookmarkValid(FBookmark)) FSource->GotoBookmark(FBookmark);
      FHasBookmark = false;
    }
    if (CloseDataSource) FSource->Close();
    if (FHooked) FSource->AfterOpen = FSavedAfterOpen;
    FHooked = false;
  }
  Initialized = false;
}

void TrptDBDataset::Open() {
  if (Initialized) return;
  UpdateSource();
  if (!FSource) throw Exception(Format(rptGet("dbNotConn"), {Name()}));
  Initialized = true;
  FSource->Open();
  FHasBookmark = false;
  if (RangeBegin == rbCurrent || RangeEnd == reCurrent) {
    FBookmark = FSource->GetBookmark();
    FHasBookmark = true;
  }
  ResolveFields(false);
  TrptCustomDBDataSet::Open();
}

void TrptDBDataset::EnsureOpen() {
  if (!Initialized) Open();
}

void TrptDBDataset::Close() {
  TrptCustomDBDataSet::Close();
  FHasBookmark = false;
  Initialized = false;
  if (FSource) FSource->Close();
}

void TrptDBDataset::First() {
  EnsureOpen();
  if (RangeBegin == rbCurrent) {
    if (FHasBookmark) FSource->GotoBookmark(FBookmark);
  } else {
    FSource->First();
  }
  FEof = false;
  TrptCustomDBDataSet::First();
}

void TrptDBDataset::Next() {
  EnsureOpen();
  FEof = false;
  if (RangeEnd == reCurrent) {
    if (FHasBookmark && FSource->CompareBookmarks(FSource->GetBookmark(), FBookmark) == 0) {
      FEof = true;
      return;
    }
  }
  FSource->Next();
  TrptCustomDBDataSet::Next();
}

void TrptDBDataset::Prior() {
  EnsureOpen();
  FSource->Prior();
  TrptCustomDBDataSet::Prior();
}

bool TrptDBDataset::Eof() {
  EnsureOpen();
  return TrptCustomDBDataSet::Eof() || FSource->Eof() || FEof;
}

TField* TrptDBDataset::ResolvedField(const std::string& Field) const {
  int i = FFields->IndexOf(Field);
  return i < 0 ? nullptr : static_cast<TField*>(FFields->Objects(i));
}

void TrptDBDataset::FieldNotFound(const std::string& Field, std::string* Text) {
  std::string text = rptGet("dbFldNotFound") + " " + UserName() + ".\"" + Field + "\"";
  if (Text) *Text = text;
  if (Report) Report->AddError(Report->CurObjectName + ": " + text);
}

Variant TrptDBDataset::GetValue(const std::string& Field) {
  EnsureOpen();
  int i = FFields->IndexOf(Field);
  if (i >= 0) {
    TField* f = static_cast<TField*>(FFields->Objects(i));
    return f ? f->Value() : Null();
  }
  FieldNotFound(Field, nullptr);
  return Null();
}

std::string TrptDBDataset::GetDisplayText(const std::string& Field) {
  EnsureOpen();
  if (!FSource->Active()) return UserName() + ".\"" + Field + "\"";
  if (FFields->Count() > 0) {
    int i = FFields->IndexOf(Field);
    if (i >= 0) {
      TField* f = static_cast<TField*>(FFields->Objects(i));
      return f ? f->DisplayText() : std::string();
    }
    std::string text;
    FieldNotFound(Field, &text);
    return text;
  }
  return FSource->FieldByName(Field)->DisplayText();
}

int TrptDBDataset::GetDisplayWidth(const std::string& Field) {
  UpdateSource();
  if (!FSource) return 10;
  std::string source = ConvertAlias(Field);
  if (TField* f = FSource->FindField(source)) return f->DisplayWidth();
  try {
    FSource->FieldDefs()->Update();
  } catch (const std::exception&) {
  }
  int i = FSource->FieldDefs()->IndexOf(source);
  if (i < 0) return 10;
  TFieldDef* d = FSource->FieldDefs()->Items(i);
  switch (d->DataType) {
    case ftString: case ftFixedChar: case ftWideString: return d->Size;
    case ftDateTime: return 20;
    case ftLargeint: return 15;
    default: return 10;
  }
}

TrptFieldType TrptDBDataset::GetFieldType(const std::string& Field) {
  UpdateSource();
  TField* f = FSource ? FSource->FindField(ConvertAlias(Field)) : nullptr;
  if (!f) return fftNumeric;
  switch (f->DataType()) {
    case ftString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftWideString: case ftWideMemo:
      return fftString;
    case ftBoolean:
      return fftBoolean;
    default:
      return fftNumeric;
  }
}

bool TrptDBDataset::IsBlobField(const std::string& Field) {
  EnsureOpen();
  TField* f = ResolvedField(Field);
  return f && f->IsBlob();
}

void TrptDBDataset::AssignBlobTo(const std::string& Field, TObject* Target) {
  EnsureOpen();
  int i = FFields->IndexOf(Field);
  if (i < 0) throw EListError(Format("List index out of bounds (%d)", {i}));
  TField* f = static_cast<TField*>(FFields->Objects(i));
  if (!f) return;
  if (auto* stream = dynamic_cast<TStream*>(Target)) {
    if (auto* blob = dynamic_cast<TBlobField*>(f)) {
      blob->SaveToStream(stream);
    } else {
      std::string bytes = f->AsString();
      stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    stream->SetPosition(0);
  } else if (auto* p = dynamic_cast<TPersistent*>(Target)) {
    p->Assign(f);
  }
}

void TrptDBDataset::GetFieldList(TStrings* List) {
  List->Clear();
  if (FieldAliases()->Count() > 0) {
    for (int i = 0; i < FieldAliases()->Count(); ++i) {
      std::string line = FieldAliases()->Get(i);
      size_t eq = line.find('=');
      if (line.empty() || line[0] == '-' || eq == std::string::npos) continue;
      List->Add(line.substr(eq + 1));
    }
    return;
  }
  UpdateSource();
  if (!FSource) return;
  try {
    for (const std::string& n : FSource->FieldNames()) List->Add(n);
  } catch (const std::exception&) {
  }
}

int TrptDBDataset::RecordCount() {
  EnsureOpen();
  return FSource->RecordCount();
}
