// The report dataset protocol, the event-driven user dataset, the aliasing base of data-layer
// adapters and the report's datasets list.
#include "report/core/rptdataset.h"

#include <algorithm>

#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "report/core/rptres.h"

ORV_CLASS_IMPL(TrptDataSet, TrptDialogComponent)
ORV_CLASS_IMPL(TrptUserDataSet, TrptDataSet)
ORV_CLASS_IMPL(TrptCustomDBDataSet, TrptDataSet)
ORV_CLASS_IMPL(TrptDataSetItem, TCollectionItem)
ORV_CLASS_IMPL(TrptReportDataSets, TCollection)

// ---- TrptDataSet ------------------------------------------------------------------------------

TrptDataSet::TrptDataSet(TComponent* AOwner) : TrptDialogComponent(AOwner) {
  rptDataSetList().push_back(this);
}

TrptDataSet::~TrptDataSet() {
  auto& l = rptDataSetList();
  l.erase(std::remove(l.begin(), l.end(), this), l.end());
}

void TrptDataSet::Publish(TPublisher<TrptDataSet>& P) {
  P.Prop("Enabled", &TrptDataSet::Enabled).Default(true);
  P.Prop("RangeBegin", &TrptDataSet::RangeBegin).Default(rbFirst);
  P.Prop("RangeEnd", &TrptDataSet::RangeEnd).Default(reLast);
  P.Prop("RangeEndCount", &TrptDataSet::RangeEndCount).Default(0);
  P.Prop("UserName", &TrptDataSet::UserName, &TrptDataSet::SetUserName);
  P.Event("OnCheckEOF", &TrptDataSet::OnCheckEOF).Type("TrptCheckEOFEvent");
  P.Event("OnFirst", &TrptDataSet::OnFirst).Type("TNotifyEvent");
  P.Event("OnNext", &TrptDataSet::OnNext).Type("TNotifyEvent");
  P.Event("OnPrior", &TrptDataSet::OnPrior).Type("TNotifyEvent");
}

void TrptDataSet::SetName(const std::string& Value) {
  if (!Value.empty() && (FUserName.empty() || FUserName == Name())) SetUserName(Value);
  TrptDialogComponent::SetName(Value);
}

void TrptDataSet::SetUserName(const std::string& Value) {
  if (Trim(Value).empty()) throw Exception(rptGet("prInvProp"));
  FUserName = Value;
}

std::string TrptDataSet::GetDisplayText(const std::string&) { return std::string(); }
int TrptDataSet::GetDisplayWidth(const std::string&) { return 10; }
TrptFieldType TrptDataSet::GetFieldType(const std::string&) { return fftNumeric; }
Variant TrptDataSet::GetValue(const std::string&) { return Null(); }

void TrptDataSet::Open() {
  if (OnOpen) OnOpen(this);
}

void TrptDataSet::Close() {
  if (OnClose) OnClose(this);
}

void TrptDataSet::First() {
  RecNo = 0;
  if (OnFirst) OnFirst(this);
}

void TrptDataSet::Next() {
  ++RecNo;
  if (!(RangeEnd == reCount && RecNo >= RangeEndCount) && OnNext) OnNext(this);
}

void TrptDataSet::Prior() {
  --RecNo;
  if (OnPrior) OnPrior(this);
}

bool TrptDataSet::Eof() {
  bool eof = RangeEnd == reCount && RecNo >= RangeEndCount;
  if (OnCheckEOF) OnCheckEOF(this, eof);
  return eof;
}

int TrptDataSet::RecordCount() {
  return RangeBegin == rbFirst && RangeEnd == reCount ? RangeEndCount : 0;
}

void TrptDataSet::GetFieldList(TStrings* List) { List->Clear(); }

bool TrptDataSet::HasField(const std::string& Field) {
  TStringList list;
  GetFieldList(&list);
  for (int i = 0; i < list.Count(); ++i)
    if (AnsiSameText(list.Get(i), Field)) return true;
  return false;
}

// ---- TrptUserDataSet --------------------------------------------------------------------------

TrptUserDataSet::TrptUserDataSet(TComponent* AOwner)
    : TrptDataSet(AOwner), FFields(std::make_unique<TStringList>()) {}

TrptUserDataSet::~TrptUserDataSet() = default;

void TrptUserDataSet::Publish(TPublisher<TrptUserDataSet>& P) {
  P.Prop("Fields", &TrptUserDataSet::Fields, &TrptUserDataSet::SetFields);
  P.Event("OnGetValue", &TrptUserDataSet::OnGetValue).Type("TrptGetValueEvent");
}

void TrptUserDataSet::SetFields(TStrings* Value) { FFields->Assign(Value); }

void TrptUserDataSet::GetFieldList(TStrings* List) { List->Assign(FFields.get()); }

int TrptUserDataSet::FieldsCount() { return FFields->Count(); }

Variant TrptUserDataSet::GetValue(const std::string& Field) {
  Variant v = Null();
  if (OnGetValue) OnGetValue(Field, v);
  return v;
}

std::string TrptUserDataSet::GetDisplayText(const std::string& Field) {
  if (!OnGetValue) return std::string();
  return VarToStr(GetValue(Field));
}

// ---- TrptCustomDBDataSet ----------------------------------------------------------------------

TrptCustomDBDataSet::TrptCustomDBDataSet(TComponent* AOwner)
    : TrptDataSet(AOwner), FFields(std::make_unique<TStringList>()),
      FFieldAliases(std::make_unique<TStringList>()) {
  FFields->SetSorted(true);
  FFields->SetDuplicates(dupIgnore);
}

TrptCustomDBDataSet::~TrptCustomDBDataSet() = default;

void TrptCustomDBDataSet::Publish(TPublisher<TrptCustomDBDataSet>& P) {
  P.Prop("CloseDataSource", &TrptCustomDBDataSet::CloseDataSource).Default(false);
  P.Prop("FieldAliases", &TrptCustomDBDataSet::FieldAliases, &TrptCustomDBDataSet::SetFieldAliases);
  P.Prop("OpenDataSource", &TrptCustomDBDataSet::OpenDataSource).Default(true);
  P.Event("OnClose", static_cast<TNotifyEvent TrptCustomDBDataSet::*>(&TrptDataSet::OnClose)).Type("TNotifyEvent");
  P.Event("OnOpen", static_cast<TNotifyEvent TrptCustomDBDataSet::*>(&TrptDataSet::OnOpen)).Type("TNotifyEvent");
}

void TrptCustomDBDataSet::SetFieldAliases(TStrings* Value) { FFieldAliases->Assign(Value); }

std::string TrptCustomDBDataSet::ConvertAlias(const std::string& UserFieldName) {
  for (int i = 0; i < FFieldAliases->Count(); ++i) {
    std::string line = FFieldAliases->Get(i);
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (AnsiSameText(line.substr(eq + 1), UserFieldName)) return line.substr(0, eq);
  }
  return UserFieldName;
}

int TrptCustomDBDataSet::FieldsCount() {
  TStringList list;
  GetFieldList(&list);
  return list.Count();
}

// ---- Datasets list ----------------------------------------------------------------------------

TrptDataSetItem::TrptDataSetItem(TCollection* Collection) : TCollectionItem(Collection) {}

void TrptDataSetItem::Publish(TPublisher<TrptDataSetItem>& P) {
  P.Prop("DataSet", &TrptDataSetItem::DataSet, &TrptDataSetItem::SetDataSet);
  P.Prop("DataSetName", &TrptDataSetItem::DataSetName, &TrptDataSetItem::SetDataSetName);
}

void TrptDataSetItem::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptDataSetItem*>(Source);
  if (!s) return;
  SetDataSet(s->FDataSet);
  FDataSetName = s->FDataSetName;
}

namespace {
TrptReport* ListReport(const TCollectionItem* Item) {
  auto* list = dynamic_cast<TrptReportDataSets*>(Item->Collection());
  return list ? list->Report() : nullptr;
}
}  // namespace

void TrptDataSetItem::SetDataSet(TrptDataSet* Value) {
  FDataSet = Value;
  FDataSetName = Value ? Value->UserName() : std::string();
  // The report hears of the dataset's removal and drops this entry.
  if (Value)
    if (TrptReport* r = ListReport(this)) Value->FreeNotification(r);
}

std::string TrptDataSetItem::DataSetName() const { return FDataSet ? FDataSet->UserName() : FDataSetName; }

void TrptDataSetItem::SetDataSetName(const std::string& Value) {
  FDataSetName = Value;
  TrptReport* r = ListReport(this);
  FDataSet = rptFindDataSet(FDataSet, Value, r);
  if (FDataSet && r) FDataSet->FreeNotification(r);
}

TrptReportDataSets::TrptReportDataSets(TrptReport* AReport)
    : TCollection(TrptDataSetItem::StaticClass(), AReport), FReport(AReport) {}

TrptDataSetItem* TrptReportDataSets::Add(TrptDataSet* D) {
  auto* item = static_cast<TrptDataSetItem*>(TCollection::Add());
  item->SetDataSet(D);
  return item;
}

TrptDataSetItem* TrptReportDataSets::Find(TrptDataSet* D) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->DataSet() == D) return Items(i);
  return nullptr;
}

TrptDataSetItem* TrptReportDataSets::Find(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->DataSet() && SameText(Items(i)->DataSet()->UserName(), Name)) return Items(i);
  return nullptr;
}

void TrptReportDataSets::Initialize() {
  for (int i = 0; i < Count(); ++i) {
    TrptDataSet* d = Items(i)->DataSet();
    d->Report = FReport;
    d->Initialize();
  }
}

void TrptReportDataSets::Finalize() {
  for (int i = 0; i < Count(); ++i) Items(i)->DataSet()->Finalize();
}
