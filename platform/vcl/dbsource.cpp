// TDataSource, TDataLink and TFieldDataLink: how controls follow a data set.
#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/db.h"

ORV_CLASS_IMPL(TDataSource, TComponent)
ORV_CLASS_IMPL(TDataLink, TObject)
ORV_CLASS_IMPL(TFieldDataLink, TDataLink)

void TDataSource::Publish(TPublisher<TDataSource>& P) {
  P.Prop("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  P.Prop("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  P.Prop("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
}

// ---- TDataSource ----

TDataSource::~TDataSource() {
  for (TDataLink* l : std::vector<TDataLink*>(FLinks)) l->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* V) {
  if (V == FDataSet) return;
  if (FDataSet) FDataSet->RemoveDataSource(this);
  FDataSet = V;
  if (FDataSet) FDataSet->AddDataSource(this);
  DataEvent(deUpdateState, 0);
  DataEvent(deLayoutChange, 0);
}

void TDataSource::SetEnabled(bool V) {
  if (V == FEnabled) return;
  FEnabled = V;
  for (TDataLink* l : std::vector<TDataLink*>(FLinks)) l->DataEvent(deUpdateState, 0);
}

TDataSetState TDataSource::State() const {
  return FDataSet && FEnabled ? FDataSet->State() : dsInactive;
}

void TDataSource::Edit() {
  if (FAutoEdit && FDataSet && FDataSet->State() == dsBrowse) FDataSet->Edit();
}

void TDataSource::DataEvent(TDataEvent Event, intptr_t Info) {
  if (Event == deUpdateState) {
    TDataSetState s = State();
    if (s != FLastState) {
      FLastState = s;
      if (OnStateChange) OnStateChange(this);
    }
  }
  if (!FEnabled && Event != deUpdateState) return;
  for (TDataLink* l : std::vector<TDataLink*>(FLinks)) l->DataEvent(Event, Info);
  switch (Event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(Info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange && State() != dsInactive) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default: break;
  }
}

void TDataSource::AddLink(TDataLink* L) {
  if (std::find(FLinks.begin(), FLinks.end(), L) == FLinks.end()) FLinks.push_back(L);
}

void TDataSource::RemoveLink(TDataLink* L) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), L), FLinks.end());
}

// ---- TDataLink ----

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* V) {
  if (V == FDataSource) return;
  if (FDataSource) FDataSource->RemoveLink(this);
  FDataSource = V;
  if (FDataSource) FDataSource->AddLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool V) {
  if (FReadOnly == V) return;
  FReadOnly = V;
  UpdateState();
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateState() {
  const bool active = FDataSource && FDataSource->Enabled() && DataSet() && DataSet()->Active();
  if (active != FActive) {
    FActive = active;
    FFirst = 0;
    if (active) AdjustWindow();
    ActiveChanged();
  }
  const TDataSetState s = FDataSource ? FDataSource->State() : dsInactive;
  const bool editing = active && !FReadOnly && (s == dsEdit || s == dsInsert);
  if (editing != FEditing) {
    FEditing = editing;
    EditingChanged();
  }
}

void TDataLink::SetBufferCount(int V) {
  if (V < 1) V = 1;
  if (V == FBufferCount) return;
  FBufferCount = V;
  if (FActive) {
    AdjustWindow();
    DataSetChanged();
  }
}

int TDataLink::AdjustWindow() {
  TDataSet* ds = DataSet();
  if (!ds) return 0;
  const int old = FFirst;
  const int count = ds->StoredCount();
  const int cur = std::max(ds->RecordIndex(), 0);
  if (cur < FFirst) FFirst = cur;
  if (cur >= FFirst + FBufferCount) FFirst = cur - FBufferCount + 1;
  // Keep the window full when rows were removed at the end.
  FFirst = std::max(0, std::min(FFirst, count - FBufferCount));
  if (cur < FFirst) FFirst = cur;
  return FFirst - old;
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  if (!FActive || !ds) return 0;
  return std::max(0, std::min(FBufferCount, ds->StoredCount() - FFirst));
}

int TDataLink::ActiveRecord() const {
  if (FActiveOverride >= 0) return FActiveOverride;
  TDataSet* ds = DataSet();
  return ds ? std::max(0, ds->RecordIndex() - FFirst) : 0;
}

void TDataLink::SetActiveRecord(int V) {
  TDataSet* ds = DataSet();
  if (!ds) return;
  if (V < 0) {
    FActiveOverride = -1;
    ds->SetDisplayRecord(-1);
    return;
  }
  FActiveOverride = V;
  ds->SetDisplayRecord(FFirst + V);
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
}

void TDataLink::DataEvent(TDataEvent Event, intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange:
      AdjustWindow();
      DataSetChanged();
      break;
    case deDataSetScroll: DataSetScrolled(AdjustWindow()); break;
    case deLayoutChange:
      AdjustWindow();
      LayoutChanged();
      break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(Info)); break;
    default: break;
  }
}

// ---- TFieldDataLink ----

void TFieldDataLink::SetFieldName(const std::string& V) {
  if (V == FFieldName) return;
  FFieldName = V;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  TDataSet* ds = DataSet();
  TField* f = Active() && ds && !FFieldName.empty() ? ds->FindField(FFieldName) : nullptr;
  if (f != FField) FField = f;
  FModified = false;
  if (OnDataChange) OnDataChange(this);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && FField && FField->CanModify(); }

void TFieldDataLink::Modified() { FModified = true; }

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* Field) {
  if (Field && Field != FField) return;
  FModified = false;
  if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::UpdateData() {
  if (!FModified) return;
  if (FField && OnUpdateData) OnUpdateData(this);
  FModified = false;
}
