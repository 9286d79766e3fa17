// The data side of a data-aware grid: its columns and the link that maps the grid's rows to rows
// of a data set. The visual grid (a custom control) owns a TDBGridColumns and a TGridDataLink,
// draws CellText for each visible row and column, repaints when the link says so, and moves the
// data set with SelectRow when a row is clicked. Nothing here draws.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/collection.h"
#include "platform/vcl/db.h"

class TDBGridColumns;
class TGridDataLink;

// The caption over a column; empty means the field's display label.
class TColumnTitle : public TPersistent {
  ORV_CLASS(TColumnTitle, TPersistent)
public:
  explicit TColumnTitle(class TColumn* AColumn) : FColumn(AColumn) {}
  std::string Caption() const;
  void SetCaption(const std::string& V);

private:
  class TColumn* FColumn;
  std::string FCaption;
};

// One column: the field it shows (by name), its title, width in pixels, visibility.
class TColumn : public TCollectionItem {
  ORV_CLASS(TColumn, TCollectionItem)
public:
  explicit TColumn(TCollection* Collection = nullptr);
  ~TColumn() override;

  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& V);
  // The data set's field of that name while the grid's data set is open; null otherwise.
  TField* Field() const;
  TColumnTitle* Title() const { return FTitle.get(); }
  // Width in pixels; 64 until set.
  int Width() const { return FWidth; }
  void SetWidth(int V);
  bool Visible() const { return FVisible; }
  void SetVisible(bool V);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }
  std::string DisplayName() const override;
  TDBGridColumns* Columns() const;

private:
  friend class TColumnTitle;
  std::string FFieldName;
  std::unique_ptr<TColumnTitle> FTitle;
  int FWidth = 64;
  bool FVisible = true;
  bool FReadOnly = false;
};

enum TDBGridColumnsState { csDefault, csCustomized };

// The grid's columns. Columns added by the program make the set customized and stay as they
// are; otherwise (csDefault) the set is rebuilt with one column per visible field whenever the
// data set's fields change.
class TDBGridColumns : public TCollection {
  ORV_CLASS(TDBGridColumns, TCollection)
public:
  explicit TDBGridColumns(TPersistent* AOwner = nullptr);
  TColumn* Add();
  TColumn* Items(int Index) const;
  TDBGridColumnsState State() const { return FState; }
  void SetState(TDBGridColumnsState V);
  // Rebuilds default columns from DataSet's fields (nothing for a customized set).
  void RebuildColumns(TDataSet* DataSet);
  TGridDataLink* Link() const { return FLink; }
  std::function<void()> OnColumnsChanged;

protected:
  void Update(TCollectionItem* Item) override;

private:
  friend class TGridDataLink;
  TDBGridColumnsState FState = csDefault;
  bool FRebuilding = false;
  TGridDataLink* FLink = nullptr;
};

// The grid's link. Rows are counted within the window of visible rows (BufferCount, which the
// grid sets to the number of rows it can show).
class TGridDataLink : public TDataLink {
  ORV_CLASS(TGridDataLink, TDataLink)
public:
  explicit TGridDataLink(TDBGridColumns* AColumns);
  ~TGridDataLink() override;

  TDBGridColumns* Columns() const { return FColumns; }
  int RowCount() const { return RecordCount(); }
  int CurrentRow() const { return ActiveRecord(); }
  // The text of visible row Row (0-based within the window) in column Col; "" when out of range.
  std::string CellText(int Row, int Col);
  // Makes visible row Row the data set's current row (a click on it).
  void SelectRow(int Row);

  std::function<void()> OnChanged;               // redraw every row
  std::function<void(int Distance)> OnScrolled;  // the window moved by Distance rows
  std::function<void()> OnEditingChanged;
  std::function<void()> OnLayoutChanged;  // columns were rebuilt

protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int Distance) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;

private:
  TDBGridColumns* FColumns;
};
