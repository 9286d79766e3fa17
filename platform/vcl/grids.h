// Grids: TCustomGrid (rows and columns of cells with fixed title rows/columns, a current cell,
// keyboard and mouse selection, scrolling, owner drawing) and TStringGrid (a text per cell).
#pragma once

#include <map>
#include <vector>

#include "platform/vcl/controls.h"

ORV_ENUM(TGridDrawStateItem, gdSelected, gdFocused, gdFixed)
using TGridDrawState = TSet<TGridDrawStateItem>;
using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, RECT Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TCustomGrid : public TCustomControl {
  ORV_CLASS(TCustomGrid, TCustomControl)
public:
  explicit TCustomGrid(TComponent* AOwner);
  int ColCount() const { return static_cast<int>(FColWidths.size()); }
  int RowCount() const { return static_cast<int>(FRowHeights.size()); }
  void SetColCount(int Value);
  void SetRowCount(int Value);
  int FixedCols() const { return FFixedCols; }
  int FixedRows() const { return FFixedRows; }
  void SetFixedCols(int Value);
  void SetFixedRows(int Value);
  int DefaultColWidth() const { return FDefaultColWidth; }
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultColWidth(int Value);
  void SetDefaultRowHeight(int Value);
  int ColWidths(int Col) const { return FColWidths.at(static_cast<size_t>(Col)); }
  void SetColWidths(int Col, int Value);
  int RowHeights(int Row) const { return FRowHeights.at(static_cast<size_t>(Row)); }
  void SetRowHeights(int Row, int Value);
  // The current cell (never a fixed one). Moving it asks OnSelectCell and scrolls it into view.
  int Col() const { return FCol; }
  int Row() const { return FRow; }
  void SetCol(int Value) { MoveTo(Value, FRow); }
  void SetRow(int Value) { MoveTo(FCol, Value); }
  int TopRow() const { return FTopRow; }
  int LeftCol() const { return FLeftCol; }
  void SetTopRow(int Value);
  void SetLeftCol(int Value);
  int VisibleRowCount();
  int VisibleColCount();
  // Client rectangle of a cell (empty when scrolled out of view); cell under a client point.
  RECT CellRect(int ACol, int ARow);
  void MouseToCell(int X, int Y, int& ACol, int& ARow);
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
  void WndProc(TMessage& Message) override;
  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;

protected:
  void Paint() override;
  virtual void DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State);
  virtual std::string CellText(int, int) { return ""; }

private:
  void MoveTo(int ACol, int ARow);
  void UpdateScroll();
  int ColStart(int ACol);
  int RowStart(int ARow);
  std::vector<int> FColWidths, FRowHeights;
  int FFixedCols = 1, FFixedRows = 1;
  int FDefaultColWidth = 64, FDefaultRowHeight = 24;
  int FCol = 1, FRow = 1, FTopRow = 1, FLeftCol = 1;
  bool FDefaultDrawing = true;
};

class TStringGrid : public TCustomGrid {
  ORV_CLASS(TStringGrid, TCustomGrid)
public:
  explicit TStringGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
  std::string Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& Value);

protected:
  std::string CellText(int ACol, int ARow) override { return Cells(ACol, ARow); }

private:
  std::map<std::pair<int, int>, std::string> FCells;
};
