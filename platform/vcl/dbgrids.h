// The data-aware grid. Its data side is its columns and the link that maps the grid's rows to rows
// of a data set: the visual grid (TDBGrid, a custom grid) owns a TDBGridColumns and a
// TGridDataLink, draws CellText for each visible row and column, repaints when the link says so,
// and moves the data set with SelectRow when a row is clicked.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/collection.h"
#include "platform/vcl/db.h"
#include "platform/vcl/grids.h"

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

ORV_ENUM(TDBGridOption, dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize,
         dgColLines, dgRowLines, dgTabs, dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete,
         dgCancelOnExit, dgMultiSelect)
using TDBGridOptions = TSet<TDBGridOption>;

using TDrawColumnCellEvent = std::function<void(TObject* Sender, const RECT& Rect, int DataCol,
                                                TColumn* Column, TGridDrawState State)>;
using TDBGridClickEvent = std::function<void(TColumn* Column)>;

// A grid over a data source: a title row (dgTitles) with the columns' captions, an indicator
// column (dgIndicator) marking the current row, and one grid row per row of the link's window.
// The grid's current row is the data set's current row: moving in the grid (keys, clicks, the
// wheel, the scroll bar) moves the data set, and a data set that moves moves the grid's row.
// The scroll bar shows the current row's position in the whole result. Cells show the fields'
// DisplayText. With dgEditing and not ReadOnly a cell of a field that can change is edited in
// place: the first change puts the data set into edit mode, Enter stores the text in the field,
// moving to another row posts it (the data set does), Escape in the grid cancels the row. An
// editing grid also adds rows (Down past the last row, Insert) and deletes them (Ctrl+Delete,
// confirmed with dgConfirmDelete); with dgCancelOnExit leaving it drops an untouched new row.
class TDBGrid : public TCustomGrid {
  ORV_CLASS(TDBGrid, TCustomGrid)
public:
  explicit TDBGrid(TComponent* AOwner);
  ~TDBGrid() override;
  static void Publish(TPublisher<TDBGrid>& P);

  TDataSource* DataSource() const { return FDataLink->DataSource(); }
  void SetDataSource(TDataSource* Value);
  TDBGridColumns* Columns() const { return FColumns.get(); }
  TGridDataLink* DataLink() const { return FDataLink.get(); }
  TDBGridOptions Options() const { return FDBOptions; }
  void SetOptions(TDBGridOptions Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // The column of the current cell (its index among the columns) and its field.
  int SelectedIndex() const;
  void SetSelectedIndex(int Value);
  TField* SelectedField() const;
  // The column a grid column shows, or null (the indicator, or no columns).
  TColumn* ColumnAt(int ACol) const;
  // Number of data rows the grid shows at its height.
  int VisibleDataRows();
  // The data row (0-based within the link's window) at a client point's Y, or -1.
  int RowAt(int Y);
  // The font of the column titles: the grid's font until the program changes it.
  TFont* TitleFont();

  TDrawColumnCellEvent OnDrawColumnCell;
  TDBGridClickEvent OnCellClick;

  void WndProc(TMessage& Message) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  void DrawCell(int ACol, int ARow, const RECT& ARect, TGridDrawState AState) override;
  bool SelectCell(int ACol, int ARow) override;
  void UpdateScrollRange() override;
  bool CanEditShow() override;
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;
  void EditorChanged() override;
  // A column sized with the mouse keeps its new width.
  void ColWidthsChanged() override;

private:
  void LayoutChanged();
  void DataChanged();
  void UpdateBufferCount();
  int TitleOffset() const { return FDBOptions.Contains(dgTitles) ? 1 : 0; }
  int IndicatorOffset() const { return FDBOptions.Contains(dgIndicator) ? 1 : 0; }
  std::unique_ptr<TDBGridColumns> FColumns;
  std::unique_ptr<TGridDataLink> FDataLink;
  std::unique_ptr<TFont> FTitleFont;
  bool FTitleFontSet = false, FSyncingTitle = false;
  std::vector<int> FColMap;  // grid column - indicator offset -> index in Columns
  TDBGridOptions FDBOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
                            dgTabs, dgConfirmDelete, dgCancelOnExit};
  bool FReadOnly = false;
  int FUpdating = 0;
};
