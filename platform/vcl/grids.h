// Grids: TCustomGrid (a table of cells with fixed title rows and columns, column widths and row
// heights, a current cell, a selected range, scrolling with the window's scroll bars, keyboard
// and mouse navigation), TDrawGrid (the program draws the cells) and TStringGrid (a text per
// cell). The data-aware grid (dbgrids.h) builds on TCustomGrid.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/controls.h"

ORV_ENUM(TGridOption, goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
         goDrawFocusSelected, goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs,
         goRowSelect, goAlwaysShowEditor, goThumbTracking)
using TGridOptions = TSet<TGridOption>;
ORV_ENUM(TGridDrawStateItem, gdSelected, gdFocused, gdFixed)
using TGridDrawState = TSet<TGridDrawStateItem>;

struct TGridCoord {
  int X = 0, Y = 0;
};
struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, RECT Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TCustomEdit;
class TInplaceEdit;

// With goEditing the current cell can be edited in place: F2 or Enter opens an edit box over it
// with GetEditText, typing a character opens it with that character; Enter (or moving to another
// cell) stores the text with SetEditText, Escape drops it.
class TCustomGrid : public TCustomControl {
  ORV_CLASS(TCustomGrid, TCustomControl)
public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;
  static void Publish(TPublisher<TCustomGrid>& P);

  // ---- Size of the table ----
  int ColCount() const { return static_cast<int>(FColWidths.size()); }
  void SetColCount(int Value);
  int RowCount() const { return static_cast<int>(FRowHeights.size()); }
  void SetRowCount(int Value);
  int FixedCols() const { return FFixedCols; }
  void SetFixedCols(int Value);  // EInvalidGridOperation unless below ColCount
  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int Value);  // EInvalidGridOperation unless below RowCount
  int DefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(int Value);  // resets every column's width
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int Value);  // resets every row's height
  int ColWidths(int Index) const;
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const;
  void SetRowHeights(int Index, int Value);
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int Value);
  TGridOptions Options() const { return FOptions; }
  void SetOptions(TGridOptions Value);
  TColor FixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }

  // ---- Current cell, selection and scrolling ----
  int Col() const { return FCurrent.X; }
  void SetCol(int Value) { FocusCell(Value, FCurrent.Y, true); }
  int Row() const { return FCurrent.Y; }
  void SetRow(int Value) { FocusCell(FCurrent.X, Value, true); }
  // The selected range (the current cell alone unless goRangeSelect; whole rows with goRowSelect).
  TGridRect Selection() const;
  void SetSelection(const TGridRect& Value);
  int TopRow() const { return FTopLeft.Y; }
  void SetTopRow(int Value) { MoveTopLeft(FTopLeft.X, Value); }
  int LeftCol() const { return FTopLeft.X; }
  void SetLeftCol(int Value) { MoveTopLeft(Value, FTopLeft.Y); }
  // Scrollable rows / columns wholly visible from TopRow / LeftCol (at least one).
  int VisibleRowCount();
  int VisibleColCount();

  // ---- Geometry ----
  // The cell's rectangle in client coordinates (without its grid lines); empty when not visible.
  RECT CellRect(int ACol, int ARow);
  // The cell at a client point; -1 for a coordinate outside the cells.
  TGridCoord MouseCoord(int X, int Y);
  void MouseToCell(int X, int Y, int& ACol, int& ARow);

  // ---- Editing in place ----
  bool EditorMode() const { return FEditorShowing; }
  // True opens the editor on the current cell (when it may be edited); false stores and closes.
  void SetEditorMode(bool Value);
  // The edit box while it exists (made the first time it opens), or null.
  TCustomEdit* InplaceEditor() const;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;

  void WndProc(TMessage& Message) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle(const TCreateParams& Params) override;
  void Paint() override;
  // Draws one cell; the default fills it and calls OnDrawCell.
  virtual void DrawCell(int ACol, int ARow, const RECT& ARect, TGridDrawState AState);
  // Whether the user may move to the cell (OnSelectCell).
  virtual bool SelectCell(int ACol, int ARow);
  virtual void TopLeftChanged();
  virtual void ColWidthsChanged() {}
  virtual void RowHeightsChanged() {}
  virtual void SizeChanged(int /*OldColCount*/, int /*OldRowCount*/) {}
  // The column whose right edge (within 2 pixels) is at X in the fixed rows, or -1.
  int SizingColAt(int X, int Y);
  // Moves the current cell (and, with MoveAnchor, the selection's anchor) and scrolls it into
  // view. Cells refused by SelectCell are not entered.
  void FocusCell(int ACol, int ARow, bool MoveAnchor);
  void MoveTopLeft(int ALeft, int ATop);
  // Editing: whether the current cell may be edited, its text, storing a text (may throw: the
  // editor then stays open), and the first change of the editor's text.
  virtual bool CanEditShow();
  virtual std::string GetEditText(int /*ACol*/, int /*ARow*/) { return std::string(); }
  virtual void SetEditText(int /*ACol*/, int /*ARow*/, const std::string& /*Value*/) {}
  virtual void EditorChanged() {}
  void ShowEditor(const std::string* Initial);
  // Stores the text first when Commit (and it was changed), then hides the editor; the focus
  // comes back to the grid when the editor had it.
  void HideEditor(bool Commit);
  virtual void UpdateScrollRange();
  void InvalidateCell(int ACol, int ARow);
  void InvalidateRow(int ARow);
  void InvalidateGrid() { Invalidate(); }
  TGridCoord FCurrent{0, 0};
  TGridCoord FAnchor{0, 0};
  TGridCoord FTopLeft{0, 0};

private:
  void ClampCurrent();
  void ScrollIntoView(int ACol, int ARow);
  // Pixel extent of the fixed part and of a run of cells.
  int FixedWidth() const;
  int FixedHeight() const;
  int LastFullyVisible(bool Cols, int From) const;
  void Scroll(bool Vertical, WPARAM Code);
  std::vector<int> FColWidths, FRowHeights;
  int FFixedCols = 1, FFixedRows = 1;
  int FDefaultColWidth = 64, FDefaultRowHeight = 24;
  int FGridLineWidth = 1;
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TColor FFixedColor = clBtnFace;
  TScrollStyle FScrollBars = ssBoth;
  bool FDefaultDrawing = true;
  friend class TInplaceEdit;
  void PlaceEditor();
  TInplaceEdit* FEditor = nullptr;
  bool FEditorShowing = false;
  bool FSelecting = false;  // the mouse drags a range
  int FSizingCol = -1;      // the column whose right edge the mouse drags (goColSizing)
  int FSizingStart = 0;     // its left edge in client coordinates
};

ORV_EXCEPTION(EInvalidGridOperation, Exception)

// A grid whose cells the program draws in OnDrawCell.
class TDrawGrid : public TCustomGrid {
  ORV_CLASS(TDrawGrid, TCustomGrid)
public:
  static void Publish(TPublisher<TDrawGrid>& P);
public:
  explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
};

// A grid with a text (and an object) per cell, drawn unless OnDrawCell draws instead (with
// DefaultDrawing the text is drawn first, then OnDrawCell runs).
class TStringGrid : public TDrawGrid {
  ORV_CLASS(TStringGrid, TDrawGrid)
public:
  explicit TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}
  std::string Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& Value);
  TObject* Objects(int ACol, int ARow) const;
  void SetObjects(int ACol, int ARow, TObject* Value);
  // The texts of one column or row, in order.
  std::vector<std::string> Cols(int Index) const;
  std::vector<std::string> Rows(int Index) const;

protected:
  void DrawCell(int ACol, int ARow, const RECT& ARect, TGridDrawState AState) override;
  void SizeChanged(int OldColCount, int OldRowCount) override;
  std::string GetEditText(int ACol, int ARow) override { return Cells(ACol, ARow); }
  void SetEditText(int ACol, int ARow, const std::string& Value) override { SetCells(ACol, ARow, Value); }

private:
  struct TCellData {
    std::string Text;
    TObject* Object = nullptr;
  };
  const TCellData* Find(int ACol, int ARow) const;
  // Rows of cells, grown on demand.
  std::vector<std::vector<TCellData>> FData;
};
