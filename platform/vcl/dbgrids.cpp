// Grid columns and the grid's data link.
#include "platform/vcl/dbgrids.h"

ORV_CLASS_IMPL(TColumnTitle, TPersistent)
ORV_CLASS_IMPL(TColumn, TCollectionItem)
ORV_CLASS_IMPL(TDBGridColumns, TCollection)
ORV_CLASS_IMPL(TGridDataLink, TDataLink)

// ---- TColumnTitle / TColumn ----

std::string TColumnTitle::Caption() const {
  if (!FCaption.empty()) return FCaption;
  if (TField* f = FColumn->Field()) return f->DisplayLabel();
  return FColumn->FieldName();
}

void TColumnTitle::SetCaption(const std::string& V) {
  if (V == FCaption) return;
  FCaption = V;
  FColumn->Changed(false);
}

TColumn::TColumn(TCollection* Collection)
    : TCollectionItem(Collection), FTitle(std::make_unique<TColumnTitle>(this)) {}

TColumn::~TColumn() = default;

TDBGridColumns* TColumn::Columns() const { return dynamic_cast<TDBGridColumns*>(Collection()); }

void TColumn::SetFieldName(const std::string& V) {
  if (V == FFieldName) return;
  FFieldName = V;
  Changed(false);
}

TField* TColumn::Field() const {
  TDBGridColumns* cols = Columns();
  TDataSet* ds = cols && cols->Link() ? cols->Link()->DataSet() : nullptr;
  if (!ds || !ds->Active() || FFieldName.empty()) return nullptr;
  return ds->FindField(FFieldName);
}

void TColumn::SetWidth(int V) {
  if (V == FWidth) return;
  FWidth = V;
  Changed(false);
}

void TColumn::SetVisible(bool V) {
  if (V == FVisible) return;
  FVisible = V;
  Changed(false);
}

std::string TColumn::DisplayName() const {
  return FFieldName.empty() ? TCollectionItem::DisplayName() : FFieldName;
}

// ---- TDBGridColumns ----

TDBGridColumns::TDBGridColumns(TPersistent* AOwner) : TCollection(TColumn::StaticClass(), AOwner) {}

TColumn* TDBGridColumns::Add() {
  // A column the program adds makes the set its own.
  if (!FRebuilding && FState == csDefault) {
    FState = csCustomized;
    Clear();
  }
  return static_cast<TColumn*>(TCollection::Add());
}

TColumn* TDBGridColumns::Items(int Index) const {
  return static_cast<TColumn*>(TCollection::Items(Index));
}

void TDBGridColumns::SetState(TDBGridColumnsState V) {
  if (V == FState) return;
  FState = V;
  if (V == csDefault) RebuildColumns(FLink ? FLink->DataSet() : nullptr);
}

void TDBGridColumns::RebuildColumns(TDataSet* DataSet) {
  if (FState != csDefault) return;
  FRebuilding = true;
  BeginUpdate();
  try {
    Clear();
    if (DataSet && DataSet->Active()) {
      for (int i = 0; i < DataSet->FieldCount(); ++i) {
        TField* f = DataSet->Fields()->Fields(i);
        if (!f->Visible()) continue;
        Add()->SetFieldName(f->FieldName());
      }
    }
  } catch (...) {
    EndUpdate();
    FRebuilding = false;
    throw;
  }
  EndUpdate();
  FRebuilding = false;
}

void TDBGridColumns::Update(TCollectionItem*) {
  if (OnColumnsChanged) OnColumnsChanged();
}

// ---- TGridDataLink ----

TGridDataLink::TGridDataLink(TDBGridColumns* AColumns) : FColumns(AColumns) {
  FColumns->FLink = this;
}

TGridDataLink::~TGridDataLink() {
  if (FColumns && FColumns->FLink == this) FColumns->FLink = nullptr;
}

std::string TGridDataLink::CellText(int Row, int Col) {
  if (Row < 0 || Row >= RowCount() || Col < 0 || Col >= FColumns->Count()) return std::string();
  TField* f = FColumns->Items(Col)->Field();
  if (!f) return std::string();
  SetActiveRecord(Row);
  std::string text;
  try {
    text = f->DisplayText();
  } catch (...) {
    SetActiveRecord(-1);
    throw;
  }
  SetActiveRecord(-1);
  return text;
}

void TGridDataLink::SelectRow(int Row) {
  TDataSet* ds = DataSet();
  if (!Active() || !ds || Row < 0 || Row >= RowCount()) return;
  const int distance = Row - ActiveRecord();
  if (distance != 0) ds->MoveBy(distance);
}

void TGridDataLink::ActiveChanged() {
  FColumns->RebuildColumns(Active() ? DataSet() : nullptr);
  if (OnLayoutChanged) OnLayoutChanged();
  if (OnChanged) OnChanged();
}

void TGridDataLink::DataSetChanged() {
  if (OnChanged) OnChanged();
}

void TGridDataLink::DataSetScrolled(int Distance) {
  if (OnScrolled)
    OnScrolled(Distance);
  else if (OnChanged)
    OnChanged();
}

void TGridDataLink::EditingChanged() {
  if (OnEditingChanged) OnEditingChanged();
}

void TGridDataLink::LayoutChanged() {
  FColumns->RebuildColumns(DataSet());
  if (OnLayoutChanged) OnLayoutChanged();
  if (OnChanged) OnChanged();
}

void TGridDataLink::RecordChanged(TField*) {
  if (OnChanged) OnChanged();
}
