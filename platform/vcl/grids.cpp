// Grids.
#include "platform/vcl/grids.h"

#include <algorithm>

ORV_CLASS_IMPL(TCustomGrid, TCustomControl)
ORV_CLASS_IMPL(TStringGrid, TCustomGrid)

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 320;
  FHeight = 120;
  FTabStop = true;
  SetColor(clWindow);
  FColWidths.assign(5, FDefaultColWidth);
  FRowHeights.assign(5, FDefaultRowHeight);
}

void TCustomGrid::SetColCount(int Value) {
  FColWidths.resize(static_cast<size_t>(std::max(Value, FFixedCols + 1)), FDefaultColWidth);
  MoveTo(std::min(FCol, ColCount() - 1), FRow);
  UpdateScroll();
  Invalidate();
}

void TCustomGrid::SetRowCount(int Value) {
  FRowHeights.resize(static_cast<size_t>(std::max(Value, FFixedRows + 1)), FDefaultRowHeight);
  MoveTo(FCol, std::min(FRow, RowCount() - 1));
  UpdateScroll();
  Invalidate();
}

void TCustomGrid::SetFixedCols(int Value) {
  FFixedCols = std::clamp(Value, 0, ColCount() - 1);
  FLeftCol = std::max(FLeftCol, FFixedCols);
  FCol = std::max(FCol, FFixedCols);
  Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
  FFixedRows = std::clamp(Value, 0, RowCount() - 1);
  FTopRow = std::max(FTopRow, FFixedRows);
  FRow = std::max(FRow, FFixedRows);
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  FDefaultColWidth = Value;
  std::fill(FColWidths.begin(), FColWidths.end(), Value);
  UpdateScroll();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  FDefaultRowHeight = Value;
  std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
  UpdateScroll();
  Invalidate();
}

void TCustomGrid::SetColWidths(int Col, int Value) {
  FColWidths.at(static_cast<size_t>(Col)) = std::max(0, Value);
  Invalidate();
}

void TCustomGrid::SetRowHeights(int Row, int Value) {
  FRowHeights.at(static_cast<size_t>(Row)) = std::max(0, Value);
  Invalidate();
}

int TCustomGrid::ColStart(int ACol) {
  // Fixed columns stay; the others start at LeftCol.
  int x = 0;
  for (int c = 0; c < FFixedCols && c < ACol; ++c) x += FColWidths[static_cast<size_t>(c)] + 1;
  if (ACol < FFixedCols) return x;
  if (ACol < FLeftCol) return -1;
  for (int c = FLeftCol; c < ACol; ++c) x += FColWidths[static_cast<size_t>(c)] + 1;
  return x;
}

int TCustomGrid::RowStart(int ARow) {
  int y = 0;
  for (int r = 0; r < FFixedRows && r < ARow; ++r) y += FRowHeights[static_cast<size_t>(r)] + 1;
  if (ARow < FFixedRows) return y;
  if (ARow < FTopRow) return -1;
  for (int r = FTopRow; r < ARow; ++r) y += FRowHeights[static_cast<size_t>(r)] + 1;
  return y;
}

RECT TCustomGrid::CellRect(int ACol, int ARow) {
  if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount()) return RECT{0, 0, 0, 0};
  int x = ColStart(ACol), y = RowStart(ARow);
  if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return RECT{0, 0, 0, 0};
  return RECT{x, y, x + FColWidths[static_cast<size_t>(ACol)], y + FRowHeights[static_cast<size_t>(ARow)]};
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
  ACol = ARow = -1;
  for (int c = 0; c < ColCount(); ++c) {
    RECT r = CellRect(c, FFixedRows > 0 ? 0 : FTopRow);
    if (!IsRectEmpty(&r) && X >= r.left && X <= r.right) ACol = c;
  }
  for (int rr = 0; rr < RowCount(); ++rr) {
    RECT r = CellRect(FFixedCols > 0 ? 0 : FLeftCol, rr);
    if (!IsRectEmpty(&r) && Y >= r.top && Y <= r.bottom) ARow = rr;
  }
}

int TCustomGrid::VisibleRowCount() {
  int n = 0;
  for (int r = FTopRow; r < RowCount(); ++r) {
    int y = RowStart(r);
    if (y + FRowHeights[static_cast<size_t>(r)] > ClientHeight()) break;
    ++n;
  }
  return std::max(1, n);
}

int TCustomGrid::VisibleColCount() {
  int n = 0;
  for (int c = FLeftCol; c < ColCount(); ++c) {
    int x = ColStart(c);
    if (x + FColWidths[static_cast<size_t>(c)] > ClientWidth()) break;
    ++n;
  }
  return std::max(1, n);
}

void TCustomGrid::SetTopRow(int Value) {
  FTopRow = std::clamp(Value, FFixedRows, std::max(FFixedRows, RowCount() - 1));
  UpdateScroll();
  Invalidate();
}

void TCustomGrid::SetLeftCol(int Value) {
  FLeftCol = std::clamp(Value, FFixedCols, std::max(FFixedCols, ColCount() - 1));
  UpdateScroll();
  Invalidate();
}

void TCustomGrid::UpdateScroll() {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = FFixedRows;
  si.nMax = RowCount() - 1;
  si.nPage = static_cast<UINT>(VisibleRowCount());
  si.nPos = FTopRow;
  SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
  si.nMin = FFixedCols;
  si.nMax = ColCount() - 1;
  si.nPage = static_cast<UINT>(VisibleColCount());
  si.nPos = FLeftCol;
  SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
}

void TCustomGrid::MoveTo(int ACol, int ARow) {
  ACol = std::clamp(ACol, FFixedCols, ColCount() - 1);
  ARow = std::clamp(ARow, FFixedRows, RowCount() - 1);
  if (ACol == FCol && ARow == FRow) return;
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  if (!can) return;
  FCol = ACol;
  FRow = ARow;
  if (FRow < FTopRow) SetTopRow(FRow);
  else if (FRow >= FTopRow + VisibleRowCount()) SetTopRow(FRow - VisibleRowCount() + 1);
  if (FCol < FLeftCol) SetLeftCol(FCol);
  else if (FCol >= FLeftCol + VisibleColCount()) SetLeftCol(FCol - VisibleColCount() + 1);
  Invalidate();
}

void TCustomGrid::DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) {
  HDC dc = Canvas()->Handle();
  if (FDefaultDrawing) {
    bool fixed = State.Contains(gdFixed), sel = State.Contains(gdSelected);
    FillRect(dc, &Rect, GetSysColorBrush(fixed ? COLOR_BTNFACE : sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (fixed) {
      RECT e = Rect;
      DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
    }
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, sel && !fixed ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font()->Color()));
    RECT t = Rect;
    InflateRect(&t, -2, 0);
    std::string s = CellText(ACol, ARow);
    DrawText(dc, s.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    if (State.Contains(gdFocused)) DrawFocusRect(dc, &Rect);
  }
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, Rect, State);
}

void TCustomGrid::Paint() {
  RECT all = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(all);
  for (int r = 0; r < RowCount(); ++r)
    for (int c = 0; c < ColCount(); ++c) {
      RECT cell = CellRect(c, r);
      if (IsRectEmpty(&cell)) continue;
      TGridDrawState st;
      if (c < FFixedCols || r < FFixedRows) st += gdFixed;
      if (c == FCol && r == FRow) {
        st += gdSelected;
        if (Focused()) st += gdFocused;
      }
      DrawCell(c, r, cell, st);
      RECT line{cell.right, cell.top, cell.right + 1, cell.bottom + 1};
      FillRect(Canvas()->Handle(), &line, GetSysColorBrush(COLOR_BTNFACE));
      RECT under{cell.left, cell.bottom, cell.right + 1, cell.bottom + 1};
      FillRect(Canvas()->Handle(), &under, GetSysColorBrush(COLOR_BTNFACE));
    }
}

void TCustomGrid::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS; return;
    case WM_SIZE:
      TCustomControl::WndProc(M);
      UpdateScroll();
      return;
    case WM_LBUTTONDOWN: {
      if (CanFocus() && !Focused()) SetFocus();
      int c, r;
      MouseToCell(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam), c, r);
      if (c >= FFixedCols && r >= FFixedRows) MoveTo(c, r);
      break;
    }
    case WM_KEYDOWN:
      if (DoKeyDown(M)) return;
      switch (M.WParam) {
        case VK_UP: MoveTo(FCol, FRow - 1); return;
        case VK_DOWN: MoveTo(FCol, FRow + 1); return;
        case VK_LEFT: MoveTo(FCol - 1, FRow); return;
        case VK_RIGHT: MoveTo(FCol + 1, FRow); return;
        case VK_PRIOR: MoveTo(FCol, FRow - VisibleRowCount()); return;
        case VK_NEXT: MoveTo(FCol, FRow + VisibleRowCount()); return;
        case VK_HOME: MoveTo(FFixedCols, FRow); return;
        case VK_END: MoveTo(ColCount() - 1, FRow); return;
      }
      break;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      bool v = M.Msg == WM_VSCROLL;
      int pos = v ? FTopRow : FLeftCol, page = v ? VisibleRowCount() : VisibleColCount();
      switch (LOWORD(M.WParam)) {
        case SB_LINEUP: --pos; break;
        case SB_LINEDOWN: ++pos; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = HIWORD(M.WParam); break;
        default: return;
      }
      if (v) SetTopRow(pos);
      else SetLeftCol(pos);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TCustomControl::WndProc(M);
}

std::string TStringGrid::Cells(int ACol, int ARow) const {
  auto it = FCells.find({ACol, ARow});
  return it == FCells.end() ? std::string() : it->second;
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
  if (Value.empty()) FCells.erase({ACol, ARow});
  else FCells[{ACol, ARow}] = Value;
  RECT r = CellRect(ACol, ARow);
  if (HandleAllocated() && !IsRectEmpty(&r)) InvalidateRect(Handle(), &r, TRUE);
}
