// Grids: layout, painting, navigation and scrolling of TCustomGrid; the texts of TStringGrid.
#include "platform/vcl/grids.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TCustomGrid, TCustomControl)
ORV_CLASS_IMPL(TDrawGrid, TCustomGrid)
ORV_CLASS_IMPL(TStringGrid, TDrawGrid)

// The grid's in-place edit box: a borderless edit over the current cell.
class TInplaceEdit : public TCustomEdit {
public:
  explicit TInplaceEdit(TCustomGrid* Grid) : TCustomEdit(Grid), FGrid(Grid) { SetVisible(false); }
  bool FLoading = false;

  void KeyDown(WORD& Key, TShiftState Shift) override {
    TCustomEdit::KeyDown(Key, Shift);
    switch (Key) {
      case VK_RETURN: FGrid->HideEditor(true); Key = 0; break;
      case VK_ESCAPE: FGrid->HideEditor(false); Key = 0; break;
      case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_TAB:
        FGrid->HideEditor(true);
        if (!FGrid->FEditorShowing) FGrid->KeyDown(Key, Shift);
        Key = 0;
        break;
      default: break;
    }
  }
  void WndProc(TMessage& M) override {
    if (M.Msg == WM_GETDLGCODE) {
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
      return;
    }
    if (M.Msg == WM_CHAR && (M.WParam == '\r' || M.WParam == 27 || M.WParam == '\t')) return;
    TCustomEdit::WndProc(M);
    // Focus going elsewhere keeps what was typed.
    // A text the cell refuses is reported like any error of a user action; the editor closes
    // without it, since the focus is already on its way elsewhere.
    if (M.Msg == WM_KILLFOCUS && FGrid->FEditorShowing && reinterpret_cast<HWND>(M.WParam) != FGrid->Handle()) {
      try {
        FGrid->HideEditor(true);
      } catch (const Exception& E) {
        FGrid->HideEditor(false);
        Application()->HandleException(FGrid, E);
      }
    }
  }

protected:
  void CreateParams(TCreateParams& P) override {
    TCustomEdit::CreateParams(P);
    P.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
    P.Style &= ~static_cast<DWORD>(WS_BORDER);
  }
  void Change() override {
    TCustomEdit::Change();
    if (!FLoading) FGrid->EditorChanged();
  }

private:
  TCustomGrid* FGrid;
};

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 320;
  FHeight = 120;
  FTabStop = true;
  SetColor(clWindow);
  FColWidths.assign(5, FDefaultColWidth);
  FRowHeights.assign(5, FDefaultRowHeight);
  FCurrent = FAnchor = FTopLeft = TGridCoord{1, 1};
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::Publish(TPublisher<TCustomGrid>& P) {
  P.Prop("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount).Default(5);
  P.Prop("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount).Default(5);
  P.Prop("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols).Default(1);
  P.Prop("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows).Default(1);
  P.Prop("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth).Default(64);
  P.Prop("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight).Default(24);
  P.Prop("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth).Default(1);
  P.Prop("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor).Type("TColor");
  P.Prop("ScrollBars", &TCustomGrid::ScrollBars, &TCustomGrid::SetScrollBars).Default(ssBoth);
  P.Prop("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing).Default(true);
}

void TCustomGrid::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) P.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) P.Style |= WS_HSCROLL;
}

void TCustomGrid::CreateWindowHandle(const TCreateParams& P) {
  TCustomControl::CreateWindowHandle(P);
  UpdateScrollRange();
}

// ---- Size of the table ----

void TCustomGrid::SetColCount(int Value) {
  Value = std::max(1, Value);
  if (Value == ColCount()) return;
  const int old = ColCount();
  FColWidths.resize(static_cast<size_t>(Value), FDefaultColWidth);
  if (FFixedCols >= Value) FFixedCols = Value - 1;
  ClampCurrent();
  SizeChanged(old, RowCount());
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetRowCount(int Value) {
  Value = std::max(1, Value);
  if (Value == RowCount()) return;
  const int old = RowCount();
  FRowHeights.resize(static_cast<size_t>(Value), FDefaultRowHeight);
  if (FFixedRows >= Value) FFixedRows = Value - 1;
  ClampCurrent();
  SizeChanged(ColCount(), old);
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetFixedCols(int Value) {
  if (Value < 0 || Value >= ColCount()) throw EInvalidGridOperation("Fixed column count must be less than column count");
  FFixedCols = Value;
  ClampCurrent();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
  if (Value < 0 || Value >= RowCount()) throw EInvalidGridOperation("Fixed row count must be less than row count");
  FFixedRows = Value;
  ClampCurrent();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  FDefaultColWidth = std::max(0, Value);
  std::fill(FColWidths.begin(), FColWidths.end(), FDefaultColWidth);
  ColWidthsChanged();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  FDefaultRowHeight = std::max(0, Value);
  std::fill(FRowHeights.begin(), FRowHeights.end(), FDefaultRowHeight);
  RowHeightsChanged();
  UpdateScrollRange();
  Invalidate();
}

int TCustomGrid::ColWidths(int Index) const {
  if (Index < 0 || Index >= ColCount()) return FDefaultColWidth;
  return FColWidths[static_cast<size_t>(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value) {
  if (Index < 0 || Index >= ColCount()) throw EInvalidGridOperation("Grid index out of range");
  FColWidths[static_cast<size_t>(Index)] = std::max(0, Value);
  ColWidthsChanged();
  UpdateScrollRange();
  Invalidate();
}

int TCustomGrid::RowHeights(int Index) const {
  if (Index < 0 || Index >= RowCount()) return FDefaultRowHeight;
  return FRowHeights[static_cast<size_t>(Index)];
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
  if (Index < 0 || Index >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
  FRowHeights[static_cast<size_t>(Index)] = std::max(0, Value);
  RowHeightsChanged();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value) {
  FGridLineWidth = std::max(0, Value);
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
  FOptions = Value;
  if (FOptions.Contains(goRowSelect)) FAnchor = FCurrent;
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
  if (Value == FFixedColor) return;
  FFixedColor = Value;
  Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
  if (Value == FScrollBars) return;
  FScrollBars = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGrid::ClampCurrent() {
  auto clamp = [](int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); };
  FCurrent.X = clamp(FCurrent.X, FFixedCols, ColCount() - 1);
  FCurrent.Y = clamp(FCurrent.Y, FFixedRows, RowCount() - 1);
  FAnchor.X = clamp(FAnchor.X, FFixedCols, ColCount() - 1);
  FAnchor.Y = clamp(FAnchor.Y, FFixedRows, RowCount() - 1);
  FTopLeft.X = clamp(FTopLeft.X, FFixedCols, ColCount() - 1);
  FTopLeft.Y = clamp(FTopLeft.Y, FFixedRows, RowCount() - 1);
}

// ---- Geometry ----

int TCustomGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < FFixedCols; ++c) w += ColWidths(c) + FGridLineWidth;
  return w;
}

int TCustomGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < FFixedRows; ++r) h += RowHeights(r) + FGridLineWidth;
  return h;
}

// The last cell, from From on, that fits wholly in the client area (From itself at least).
int TCustomGrid::LastFullyVisible(bool Cols, int From) const {
  auto* self = const_cast<TCustomGrid*>(this);
  int limit = Cols ? self->ClientWidth() : self->ClientHeight();
  int pos = Cols ? FixedWidth() : FixedHeight();
  const int count = Cols ? ColCount() : RowCount();
  int last = From;
  for (int i = From; i < count; ++i) {
    pos += (Cols ? ColWidths(i) : RowHeights(i)) + FGridLineWidth;
    if (pos > limit) break;
    last = i;
  }
  return last;
}

int TCustomGrid::VisibleRowCount() { return LastFullyVisible(false, FTopLeft.Y) - FTopLeft.Y + 1; }
int TCustomGrid::VisibleColCount() { return LastFullyVisible(true, FTopLeft.X) - FTopLeft.X + 1; }

RECT TCustomGrid::CellRect(int ACol, int ARow) {
  RECT r{0, 0, 0, 0};
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return r;
  if ((ACol >= FFixedCols && ACol < FTopLeft.X) || (ARow >= FFixedRows && ARow < FTopLeft.Y)) return r;
  int x = 0;
  for (int c = 0; c < ACol; ++c) {
    if (c >= FFixedCols && c < FTopLeft.X) continue;
    x += ColWidths(c) + FGridLineWidth;
  }
  int y = 0;
  for (int rr = 0; rr < ARow; ++rr) {
    if (rr >= FFixedRows && rr < FTopLeft.Y) continue;
    y += RowHeights(rr) + FGridLineWidth;
  }
  if (x >= ClientWidth() || y >= ClientHeight()) return r;
  return RECT{x, y, x + ColWidths(ACol), y + RowHeights(ARow)};
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) {
  TGridCoord g{-1, -1};
  auto find = [&](bool cols, int p) {
    if (p < 0) return -1;
    const int count = cols ? ColCount() : RowCount();
    const int fixed = cols ? FFixedCols : FFixedRows;
    const int first = cols ? FTopLeft.X : FTopLeft.Y;
    int pos = 0;
    for (int i = 0; i < count; ++i) {
      if (i >= fixed && i < first) continue;
      pos += (cols ? ColWidths(i) : RowHeights(i)) + FGridLineWidth;
      if (p < pos) return i;
    }
    return -1;
  };
  if (X >= ClientWidth() || Y >= ClientHeight()) return g;
  g.X = find(true, X);
  g.Y = find(false, Y);
  if (g.X < 0 || g.Y < 0) g = TGridCoord{-1, -1};
  return g;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
  TGridCoord g = MouseCoord(X, Y);
  ACol = g.X;
  ARow = g.Y;
}

// ---- Selection and scrolling ----

TGridRect TCustomGrid::Selection() const {
  TGridRect s;
  s.Left = std::min(FAnchor.X, FCurrent.X);
  s.Right = std::max(FAnchor.X, FCurrent.X);
  s.Top = std::min(FAnchor.Y, FCurrent.Y);
  s.Bottom = std::max(FAnchor.Y, FCurrent.Y);
  if (FOptions.Contains(goRowSelect)) {
    s.Left = FFixedCols;
    s.Right = ColCount() - 1;
  }
  return s;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
  FAnchor = TGridCoord{Value.Left, Value.Top};
  FCurrent = TGridCoord{Value.Right, Value.Bottom};
  ClampCurrent();
  ScrollIntoView(FCurrent.X, FCurrent.Y);
  Invalidate();
}

bool TCustomGrid::SelectCell(int ACol, int ARow) {
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  return can;
}

// ---- Editing in place ----

TCustomEdit* TCustomGrid::InplaceEditor() const { return FEditor; }

bool TCustomGrid::CanEditShow() {
  return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FCurrent.X >= FFixedCols &&
         FCurrent.Y >= FFixedRows;
}

void TCustomGrid::SetEditorMode(bool Value) {
  if (Value) ShowEditor(nullptr);
  else HideEditor(true);
}

void TCustomGrid::PlaceEditor() {
  RECT r = CellRect(FCurrent.X, FCurrent.Y);
  if (r.right <= r.left) {
    HideEditor(true);
    return;
  }
  FEditor->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TCustomGrid::ShowEditor(const std::string* Initial) {
  if (FEditorShowing || !CanEditShow()) return;
  if (!FEditor) {
    FEditor = new TInplaceEdit(this);
    FEditor->SetParent(this);
  }
  FEditor->FLoading = true;
  FEditor->SetText(GetEditText(FCurrent.X, FCurrent.Y));
  FEditor->FLoading = false;
  FEditor->SetModified(false);
  FEditorShowing = true;
  PlaceEditor();
  if (!FEditorShowing) return;
  FEditor->SetFont(Font());
  FEditor->Show();
  if (HandleAllocated() && Showing()) FEditor->SetFocus();
  if (Initial) {
    // The typed character replaces the text.
    FEditor->SetText(*Initial);
    FEditor->SetModified(true);
  } else {
    FEditor->SelectAll();
  }
  const int n = static_cast<int>(FEditor->Text().size());
  if (Initial) FEditor->SetSelStart(n);
}

void TCustomGrid::HideEditor(bool Commit) {
  if (!FEditorShowing) return;
  if (Commit && FEditor->Modified()) {
    SetEditText(FCurrent.X, FCurrent.Y, FEditor->Text());  // may throw: the editor stays
    FEditor->SetModified(false);
  }
  FEditorShowing = false;
  const bool hadFocus = FEditor->Focused();
  FEditor->Hide();
  if (hadFocus && CanFocus()) SetFocus();
  InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
  HideEditor(true);
  ACol = std::clamp(ACol, FFixedCols, ColCount() - 1);
  ARow = std::clamp(ARow, FFixedRows, RowCount() - 1);
  if (ACol < FFixedCols || ARow < FFixedRows) return;  // nothing but fixed cells
  if ((ACol != FCurrent.X || ARow != FCurrent.Y) && !SelectCell(ACol, ARow)) return;
  FCurrent = TGridCoord{ACol, ARow};
  if (MoveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
  ScrollIntoView(ACol, ARow);
  Invalidate();
}

void TCustomGrid::ScrollIntoView(int ACol, int ARow) {
  int left = FTopLeft.X, top = FTopLeft.Y;
  if (ACol < left) left = ACol;
  else
    while (left < ACol && LastFullyVisible(true, left) < ACol) ++left;
  if (ARow < top) top = ARow;
  else
    while (top < ARow && LastFullyVisible(false, top) < ARow) ++top;
  MoveTopLeft(left, top);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
  // The last scroll position leaves the last cell at the bottom/right edge.
  auto maxFirst = [&](bool cols) {
    const int count = cols ? ColCount() : RowCount();
    const int fixed = cols ? FFixedCols : FFixedRows;
    const int limit = (cols ? ClientWidth() : ClientHeight()) - (cols ? FixedWidth() : FixedHeight());
    int used = 0, first = count - 1;
    for (int i = count - 1; i >= fixed; --i) {
      used += (cols ? ColWidths(i) : RowHeights(i)) + FGridLineWidth;
      if (used > limit) break;
      first = i;
    }
    return std::max(fixed, first);
  };
  ALeft = std::clamp(ALeft, FFixedCols, std::max(FFixedCols, maxFirst(true)));
  ATop = std::clamp(ATop, FFixedRows, std::max(FFixedRows, maxFirst(false)));
  if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
  FTopLeft = TGridCoord{ALeft, ATop};
  if (FEditorShowing) PlaceEditor();
  UpdateScrollRange();
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::UpdateScrollRange() {
  if (!HandleAllocated()) return;
  auto set = [&](int bar, int fixed, int count, int first, int page) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, count - fixed - 1);
    si.nPage = static_cast<UINT>(std::max(1, page));
    si.nPos = first - fixed;
    SetScrollInfo(FHandle, bar, &si, TRUE);
  };
  if (FScrollBars == ssVertical || FScrollBars == ssBoth)
    set(SB_VERT, FFixedRows, RowCount(), FTopLeft.Y, VisibleRowCount());
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
    set(SB_HORZ, FFixedCols, ColCount(), FTopLeft.X, VisibleColCount());
}

void TCustomGrid::Scroll(bool Vertical, WPARAM Code) {
  int first = Vertical ? FTopLeft.Y : FTopLeft.X;
  const int fixed = Vertical ? FFixedRows : FFixedCols;
  const int page = Vertical ? VisibleRowCount() : VisibleColCount();
  switch (LOWORD(Code)) {
    case SB_LINEUP: --first; break;
    case SB_LINEDOWN: ++first; break;
    case SB_PAGEUP: first -= page; break;
    case SB_PAGEDOWN: first += page; break;
    case SB_THUMBTRACK:
      if (!FOptions.Contains(goThumbTracking)) return;
      first = fixed + HIWORD(Code);
      break;
    case SB_THUMBPOSITION: first = fixed + HIWORD(Code); break;
    case SB_TOP: first = fixed; break;
    case SB_BOTTOM: first = Vertical ? RowCount() : ColCount(); break;
    default: return;
  }
  if (Vertical) MoveTopLeft(FTopLeft.X, first);
  else MoveTopLeft(first, FTopLeft.Y);
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
  if (!HandleAllocated()) return;
  RECT r = CellRect(ACol, ARow);
  r.right += FGridLineWidth;
  r.bottom += FGridLineWidth;
  InvalidateRect(FHandle, &r, FALSE);
}

void TCustomGrid::InvalidateRow(int ARow) {
  if (!HandleAllocated()) return;
  RECT r = CellRect(0, ARow);
  r.right = ClientWidth();
  r.bottom += FGridLineWidth;
  InvalidateRect(FHandle, &r, FALSE);
}

// ---- Painting ----

void TCustomGrid::DrawCell(int ACol, int ARow, const RECT& ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomGrid::Paint() {
  TCanvas* c = Canvas();
  RECT client = ClientRect();
  const TGridRect sel = Selection();
  const bool focused = Focused();
  int y = 0;
  for (int r = 0; r < RowCount() && y < client.bottom; ++r) {
    if (r >= FFixedRows && r < FTopLeft.Y) continue;
    const int h = RowHeights(r);
    int x = 0;
    for (int col = 0; col < ColCount() && x < client.right; ++col) {
      if (col >= FFixedCols && col < FTopLeft.X) continue;
      const int w = ColWidths(col);
      const bool fixed = col < FFixedCols || r < FFixedRows;
      RECT cell{x, y, x + w, y + h};
      TGridDrawState state;
      if (fixed) state += gdFixed;
      bool isCurrent = col == FCurrent.X && r == FCurrent.Y;
      if (!fixed && col >= sel.Left && col <= sel.Right && r >= sel.Top && r <= sel.Bottom) state += gdSelected;
      if (isCurrent && focused) state += gdFocused;
      // The current cell of a grid that does not select whole rows shows as focused, not
      // highlighted, unless goDrawFocusSelected.
      bool highlight = state.Contains(gdSelected) &&
                       (FOptions.Contains(goDrawFocusSelected) || FOptions.Contains(goRowSelect) || !isCurrent);
      // Grid lines: the strip right of and below the cell.
      const bool vline = FOptions.Contains(fixed ? goFixedVertLine : goVertLine);
      const bool hline = FOptions.Contains(fixed ? goFixedHorzLine : goHorzLine);
      if (FGridLineWidth > 0) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(fixed ? clBlack : clSilver);
        if (vline) c->FillRect(RECT{cell.right, cell.top, cell.right + FGridLineWidth, cell.bottom + FGridLineWidth});
        if (hline) c->FillRect(RECT{cell.left, cell.bottom, cell.right + FGridLineWidth, cell.bottom + FGridLineWidth});
        // Without a line the cell's own colour fills the gap.
        if (!vline) cell.right += FGridLineWidth;
        if (!hline) cell.bottom += FGridLineWidth;
      }
      if (FDefaultDrawing) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(fixed ? FFixedColor : highlight ? clHighlight : Color());
        c->Font()->Assign(Font());
        if (highlight) c->Font()->SetColor(clHighlightText);
        c->FillRect(cell);
        if (fixed) {
          RECT e = cell;
          DrawEdge(c->Handle(), &e, BDR_RAISEDINNER, BF_TOPLEFT);
        }
      }
      if (highlight) state += gdSelected;
      DrawCell(col, r, RECT{x, y, x + w, y + h}, state);
      if (FDefaultDrawing && state.Contains(gdFocused) && !FOptions.Contains(goRowSelect)) c->DrawFocusRect(RECT{x, y, x + w, y + h});
      x += w + FGridLineWidth;
    }
    if (x < client.right) {
      c->Brush()->SetColor(Color());
      c->FillRect(RECT{x, y, client.right, y + h + FGridLineWidth});
    }
    if (FDefaultDrawing && focused && FOptions.Contains(goRowSelect) && r == FCurrent.Y)
      c->DrawFocusRect(RECT{FixedWidth(), y, std::min<int>(x - FGridLineWidth, client.right), y + h});
    y += h + FGridLineWidth;
  }
  if (y < client.bottom) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(RECT{0, y, client.right, client.bottom});
  }
}

// ---- Input ----

void TCustomGrid::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  const bool ctrl = Shift.Contains(ssCtrl);
  const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect) && !FOptions.Contains(goRowSelect);
  int col = FCurrent.X, row = FCurrent.Y;
  const int page = VisibleRowCount();
  switch (Key) {
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_LEFT: if (FOptions.Contains(goRowSelect)) { MoveTopLeft(FTopLeft.X - 1, FTopLeft.Y); Key = 0; return; } --col; break;
    case VK_RIGHT: if (FOptions.Contains(goRowSelect)) { MoveTopLeft(FTopLeft.X + 1, FTopLeft.Y); Key = 0; return; } ++col; break;
    case VK_PRIOR: row -= page; MoveTopLeft(FTopLeft.X, FTopLeft.Y - page); break;
    case VK_NEXT: row += page; MoveTopLeft(FTopLeft.X, FTopLeft.Y + page); break;
    case VK_HOME: if (ctrl) row = FFixedRows; col = FFixedCols; break;
    case VK_END: if (ctrl) row = RowCount() - 1; col = ColCount() - 1; break;
    case VK_F2:
      ShowEditor(nullptr);
      Key = 0;
      return;
    case VK_RETURN:
      if (!CanEditShow()) return;
      ShowEditor(nullptr);
      Key = 0;
      return;
    case VK_TAB:
      if (!FOptions.Contains(goTabs) || ctrl) return;
      if (Shift.Contains(ssShift)) {
        if (--col < FFixedCols) { col = ColCount() - 1; --row; }
      } else if (++col >= ColCount()) {
        col = FFixedCols;
        ++row;
      }
      if (row < FFixedRows || row >= RowCount()) { Key = 0; return; }
      break;
    default: return;
  }
  FocusCell(col, row, !extend);
  Key = 0;
}

int TCustomGrid::SizingColAt(int X, int Y) {
  if (!FOptions.Contains(goColSizing) || FFixedRows == 0 || Y < 0 || Y >= FixedHeight()) return -1;
  int x = 0;
  for (int c = 0; c < ColCount() && x < ClientWidth(); ++c) {
    if (c >= FFixedCols && c < FTopLeft.X) continue;
    x += ColWidths(c);
    if (X >= x - 2 && X <= x + FGridLineWidth + 1) return c;
    x += FGridLineWidth;
  }
  return -1;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (CanFocus() && !Focused()) SetFocus();
  if (Button == mbLeft && (FSizingCol = SizingColAt(X, Y)) >= 0) {
    FSizingStart = CellRect(FSizingCol, 0).left;
    TCustomControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  if (Button == mbLeft) {
    TGridCoord g = MouseCoord(X, Y);
    if (g.X >= FFixedCols && g.Y >= FFixedRows) {
      const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
      FocusCell(g.X, g.Y, !extend);
      FSelecting = FOptions.Contains(goRangeSelect) && !FOptions.Contains(goRowSelect);
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  if (FSizingCol >= 0) {
    if (Shift.Contains(ssLeft)) SetColWidths(FSizingCol, std::max(1, X - FSizingStart));
    TCustomControl::MouseMove(Shift, X, Y);
    return;
  }
  if (FSelecting && Shift.Contains(ssLeft)) {
    TGridCoord g = MouseCoord(X, Y);
    if (g.X >= FFixedCols && g.Y >= FFixedRows && (g.X != FCurrent.X || g.Y != FCurrent.Y)) FocusCell(g.X, g.Y, false);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FSelecting = false;
  FSizingCol = -1;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (FOptions.Contains(goTabs) ? static_cast<LRESULT>(DLGC_WANTTAB) : 0);
      return;
    case WM_ERASEBKGND:
      M.Result = 1;  // Paint covers every pixel
      return;
    case WM_SIZE:
      TCustomControl::WndProc(M);
      MoveTopLeft(FTopLeft.X, FTopLeft.Y);
      UpdateScrollRange();
      return;
    case WM_VSCROLL:
    case WM_HSCROLL:
      Scroll(M.Msg == WM_VSCROLL, M.WParam);
      M.Result = 0;
      return;
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(M.WParam);
      if (!DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), delta, POINT{0, 0})) {
        const int rows = -delta / WHEEL_DELTA;
        FocusCell(FCurrent.X, FCurrent.Y + rows, true);
      }
      M.Result = 1;
      return;
    }
    case WM_CHAR:
      TCustomControl::WndProc(M);
      if (M.WParam >= 32 && M.WParam != 127 && !FEditorShowing && CanEditShow()) {
        const std::string typed(1, static_cast<char>(M.WParam));
        ShowEditor(&typed);
      }
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TCustomControl::WndProc(M);
}

// ---- TStringGrid ----

const TStringGrid::TCellData* TStringGrid::Find(int ACol, int ARow) const {
  if (ARow < 0 || ACol < 0 || static_cast<size_t>(ARow) >= FData.size()) return nullptr;
  const auto& row = FData[static_cast<size_t>(ARow)];
  if (static_cast<size_t>(ACol) >= row.size()) return nullptr;
  return &row[static_cast<size_t>(ACol)];
}

std::string TStringGrid::Cells(int ACol, int ARow) const {
  const TCellData* d = Find(ACol, ARow);
  return d ? d->Text : std::string();
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
    throw EInvalidGridOperation("Grid index out of range");
  if (FData.size() <= static_cast<size_t>(ARow)) FData.resize(static_cast<size_t>(ARow) + 1);
  auto& row = FData[static_cast<size_t>(ARow)];
  if (row.size() <= static_cast<size_t>(ACol)) row.resize(static_cast<size_t>(ACol) + 1);
  row[static_cast<size_t>(ACol)].Text = Value;
  InvalidateCell(ACol, ARow);
}

TObject* TStringGrid::Objects(int ACol, int ARow) const {
  const TCellData* d = Find(ACol, ARow);
  return d ? d->Object : nullptr;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) {
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
    throw EInvalidGridOperation("Grid index out of range");
  if (FData.size() <= static_cast<size_t>(ARow)) FData.resize(static_cast<size_t>(ARow) + 1);
  auto& row = FData[static_cast<size_t>(ARow)];
  if (row.size() <= static_cast<size_t>(ACol)) row.resize(static_cast<size_t>(ACol) + 1);
  row[static_cast<size_t>(ACol)].Object = Value;
}

std::vector<std::string> TStringGrid::Cols(int Index) const {
  std::vector<std::string> out;
  for (int r = 0; r < RowCount(); ++r) out.push_back(Cells(Index, r));
  return out;
}

std::vector<std::string> TStringGrid::Rows(int Index) const {
  std::vector<std::string> out;
  for (int c = 0; c < ColCount(); ++c) out.push_back(Cells(c, Index));
  return out;
}

void TStringGrid::SizeChanged(int, int) {
  // Cells outside the new size are forgotten.
  if (FData.size() > static_cast<size_t>(RowCount())) FData.resize(static_cast<size_t>(RowCount()));
  for (auto& row : FData)
    if (row.size() > static_cast<size_t>(ColCount())) row.resize(static_cast<size_t>(ColCount()));
}

void TStringGrid::DrawCell(int ACol, int ARow, const RECT& ARect, TGridDrawState AState) {
  if (DefaultDrawing()) {
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsClear);
    c->TextRect(ARect, ARect.left + 2, ARect.top + 2, Cells(ACol, ARow));
    c->Brush()->SetStyle(bsSolid);
  }
  TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TDrawGrid::Publish(TPublisher<TDrawGrid>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("Options", &TDrawGrid::Options, &TDrawGrid::SetOptions).Type(SetTypeInfo("TGridOptions", TypeInfo<TGridOption>())).Default(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect});
  P.Event<TDrawCellEvent>("OnDrawCell", &TDrawGrid::OnDrawCell).Type("TDrawCellEvent");
  P.Event<TSelectCellEvent>("OnSelectCell", &TDrawGrid::OnSelectCell).Type("TSelectCellEvent");
  P.Event<TNotifyEvent>("OnTopLeftChanged", &TDrawGrid::OnTopLeftChanged).Type("TNotifyEvent");
}
