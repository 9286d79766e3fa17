// The data-aware grid: layout from the columns, rows from the link's window, navigation through
// the data set, painting of titles, indicator and field texts.
#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/dbgrids.h"

ORV_CLASS_IMPL(TDBGrid, TCustomGrid)

namespace {
constexpr int kIndicatorWidth = 11;

bool RightAligned(TField* F) {
  switch (F->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD:
    case ftAutoInc: case ftLargeint:
      return true;
    default:
      return false;
  }
}
}  // namespace

TDBGrid::TDBGrid(TComponent* AOwner)
    : TCustomGrid(AOwner), FColumns(std::make_unique<TDBGridColumns>(this)),
      FDataLink(std::make_unique<TGridDataLink>(FColumns.get())), FTitleFont(std::make_unique<TFont>()) {
  FTitleFont->OnChange = [this](TObject*) {
    if (FSyncingTitle) return;
    FTitleFontSet = true;
    Invalidate();
  };
  FWidth = 320;
  FHeight = 120;
  SetDefaultRowHeight(18);
  FDataLink->OnChanged = [this] { DataChanged(); };
  FDataLink->OnScrolled = [this](int) { DataChanged(); };
  FDataLink->OnLayoutChanged = [this] { LayoutChanged(); };
  FDataLink->OnEditingChanged = [this] { Invalidate(); };
  FColumns->OnColumnsChanged = [this] { LayoutChanged(); };
  SetOptions(FDBOptions);
}

TDBGrid::~TDBGrid() {
  FColumns->OnColumnsChanged = nullptr;
  FDataLink->OnChanged = nullptr;
  FDataLink->OnScrolled = nullptr;
  FDataLink->OnLayoutChanged = nullptr;
  FDataLink->OnEditingChanged = nullptr;
  FDataLink->SetDataSource(nullptr);
}

void TDBGrid::Publish(TPublisher<TDBGrid>& P) {
  P.Prop("DataSource", &TDBGrid::DataSource, &TDBGrid::SetDataSource);
  P.Prop("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly);
}

void TDBGrid::SetDataSource(TDataSource* Value) {
  FDataLink->SetDataSource(Value);
  LayoutChanged();
}

void TDBGrid::SetOptions(TDBGridOptions Value) {
  FDBOptions = Value;
  TGridOptions g;
  if (Value.Contains(dgColLines)) g += TGridOptions{goFixedVertLine, goVertLine};
  if (Value.Contains(dgRowLines)) g += TGridOptions{goFixedHorzLine, goHorzLine};
  if (Value.Contains(dgTabs)) g += goTabs;
  if (Value.Contains(dgRowSelect)) g += goRowSelect;
  if (Value.Contains(dgAlwaysShowSelection)) g += goDrawFocusSelected;
  if (Value.Contains(dgColumnResize)) g += goColSizing;
  if (Value.Contains(dgEditing)) g += goEditing;
  TCustomGrid::SetOptions(g);
  SetGridLineWidth(Value.Contains(dgColLines) || Value.Contains(dgRowLines) ? 1 : 0);
  LayoutChanged();
}

void TDBGrid::SetReadOnly(bool Value) {
  if (Value) HideEditor(false);
  FReadOnly = Value;
  FDataLink->SetReadOnly(Value);
}

TColumn* TDBGrid::ColumnAt(int ACol) const {
  const int i = ACol - IndicatorOffset();
  if (i < 0 || i >= static_cast<int>(FColMap.size())) return nullptr;
  return FColumns->Items(FColMap[static_cast<size_t>(i)]);
}

int TDBGrid::SelectedIndex() const {
  TColumn* c = ColumnAt(Col());
  return c ? c->Index() : -1;
}

void TDBGrid::SetSelectedIndex(int Value) {
  for (size_t i = 0; i < FColMap.size(); ++i)
    if (FColMap[i] == Value) {
      SetCol(static_cast<int>(i) + IndicatorOffset());
      return;
    }
}

TField* TDBGrid::SelectedField() const {
  TColumn* c = ColumnAt(Col());
  return c ? c->Field() : nullptr;
}

TFont* TDBGrid::TitleFont() {
  if (!FTitleFontSet) {
    FSyncingTitle = true;
    FTitleFont->Assign(Font());
    FSyncingTitle = false;
  }
  return FTitleFont.get();
}

int TDBGrid::RowAt(int Y) {
  const int r = MouseCoord(0, Y).Y - TitleOffset();
  if (r < 0 || !FDataLink->Active() || r >= FDataLink->RowCount()) return -1;
  return r;
}

int TDBGrid::VisibleDataRows() {
  const int line = GridLineWidth();
  const int title = TitleOffset() ? RowHeights(0) + line : 0;
  return std::max(1, (ClientHeight() - title) / std::max(1, DefaultRowHeight() + line));
}

void TDBGrid::UpdateBufferCount() {
  if (!HandleAllocated()) return;
  FDataLink->SetBufferCount(VisibleDataRows());
}

// Columns, widths and fixed parts follow the column set and the options.
void TDBGrid::LayoutChanged() {
  if (FUpdating) return;
  ++FUpdating;
  try {
    FColMap.clear();
    for (int i = 0; i < FColumns->Count(); ++i)
      if (FColumns->Items(i)->Visible()) FColMap.push_back(i);
    const int ind = IndicatorOffset();
    // Fixed parts go first so that the counts never fall to them.
    SetFixedCols(0);
    SetFixedRows(0);
    SetColCount(ind + std::max<int>(1, static_cast<int>(FColMap.size())));
    if (ind) SetColWidths(0, kIndicatorWidth);
    for (size_t i = 0; i < FColMap.size(); ++i)
      SetColWidths(ind + static_cast<int>(i), FColumns->Items(FColMap[i])->Width());
    if (FColMap.empty()) SetColWidths(ind, DefaultColWidth());
    SetRowCount(std::max(RowCount(), TitleOffset() + 1));
    SetFixedCols(ind);
    SetFixedRows(TitleOffset());
  } catch (...) {
    --FUpdating;
    throw;
  }
  --FUpdating;
  UpdateBufferCount();
  DataChanged();
}

// Rows follow the link's window; the grid's current row is the data set's.
void TDBGrid::DataChanged() {
  if (FUpdating) return;
  ++FUpdating;
  const int title = TitleOffset();
  const bool active = FDataLink->Active();
  // The data set moved under an open editor: its text belonged to the old row.
  if (EditorMode() && (!active || title + std::max(0, FDataLink->CurrentRow()) != Row())) HideEditor(false);
  SetRowCount(title + (active ? std::max(1, FDataLink->RowCount()) : 1));
  FCurrent.Y = title + (active ? std::max(0, FDataLink->CurrentRow()) : 0);
  FCurrent.X = std::clamp(FCurrent.X, IndicatorOffset(), ColCount() - 1);
  FAnchor = FCurrent;
  FTopLeft.Y = title;
  --FUpdating;
  UpdateScrollRange();
  Invalidate();
}

void TDBGrid::UpdateScrollRange() {
  if (!HandleAllocated()) return;
  // Horizontal: the grid's columns. Vertical: the current row within the whole result.
  TScrollStyle keep = ScrollBars();
  if (keep == ssHorizontal || keep == ssBoth) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = std::max(0, ColCount() - FixedCols() - 1);
    si.nPage = static_cast<UINT>(std::max(1, VisibleColCount()));
    si.nPos = LeftCol() - FixedCols();
    SetScrollInfo(FHandle, SB_HORZ, &si, TRUE);
  }
  if (keep == ssVertical || keep == ssBoth) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    TDataSet* ds = FDataLink->DataSet();
    const bool active = FDataLink->Active() && ds;
    const int count = active ? ds->RecordCount() : 0;
    si.nMax = std::max(0, count - 1);
    si.nPage = 1;
    si.nPos = active ? std::max(0, ds->RecNo() - 1) : 0;
    SetScrollInfo(FHandle, SB_VERT, &si, TRUE);
  }
}

bool TDBGrid::CanEditShow() {
  if (FReadOnly || !FDBOptions.Contains(dgEditing) || !FDataLink->Active()) return false;
  TColumn* c = ColumnAt(Col());
  TField* f = c ? c->Field() : nullptr;
  return f && !c->ReadOnly() && f->CanModify() && TCustomGrid::CanEditShow();
}

std::string TDBGrid::GetEditText(int ACol, int) {
  TColumn* c = ColumnAt(ACol);
  TField* f = c ? c->Field() : nullptr;
  return f ? f->AsString() : std::string();
}

void TDBGrid::EditorChanged() {
  // The first change of the text: the row goes into edit mode (an empty result gets a new row).
  if (!FDataLink->Editing() && !FDataLink->Edit()) HideEditor(false);
}

void TDBGrid::SetEditText(int ACol, int, const std::string& Value) {
  TColumn* c = ColumnAt(ACol);
  TField* f = c ? c->Field() : nullptr;
  if (!f) return;
  if (!FDataLink->Editing() && !FDataLink->Edit()) return;
  f->SetAsString(Value);
}

void TDBGrid::ColWidthsChanged() {
  if (FUpdating) return;
  ++FUpdating;
  for (size_t i = 0; i < FColMap.size(); ++i)
    FColumns->Items(FColMap[i])->SetWidth(ColWidths(IndicatorOffset() + static_cast<int>(i)));
  --FUpdating;
}

bool TDBGrid::SelectCell(int ACol, int ARow) {
  if (!FUpdating && FDataLink->Active() && ARow - TitleOffset() != FDataLink->CurrentRow()) {
    FDataLink->SelectRow(ARow - TitleOffset());
    // The data set decides where it stands (a failed move leaves the row).
    if (FDataLink->CurrentRow() != ARow - TitleOffset()) return false;
  }
  return TCustomGrid::SelectCell(ACol, ARow);
}

void TDBGrid::KeyDown(WORD& Key, TShiftState Shift) {
  TDataSet* ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
  const bool ctrl = Shift.Contains(ssCtrl);
  if (ds) {
    // Rows may be added and deleted from the keyboard in an editing grid.
    const bool canChange = !FReadOnly && FDBOptions.Contains(dgEditing) && ds->CanModify();
    const bool blankNew = ds->State() == dsInsert && !ds->Modified();
    bool handled = true;
    switch (Key) {
      case VK_UP: ds->Prior(); break;
      case VK_DOWN:
        // Down from the last row starts a new one (not from a new row still untouched).
        if (blankNew) ds->Next();
        else if (ds->MoveBy(1) == 0 && ds->Eof() && canChange) ds->Append();
        break;
      case VK_INSERT:
        if (canChange && !ctrl && !Shift.Contains(ssShift)) ds->Insert();
        else handled = false;
        break;
      case VK_DELETE:
        if (!ctrl || !canChange) {
          handled = false;
        } else if (!ds->IsEmpty() &&
                   (!FDBOptions.Contains(dgConfirmDelete) ||
                    MessageDlg("Delete record?", mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0) == mrOk)) {
          ds->Delete();
        }
        break;
      case VK_PRIOR: ds->MoveBy(-VisibleDataRows()); break;
      case VK_NEXT: ds->MoveBy(VisibleDataRows()); break;
      case VK_HOME: if (ctrl) ds->First(); else handled = false; break;
      case VK_END: if (ctrl) ds->Last(); else handled = false; break;
      case VK_ESCAPE:
        if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
        else handled = false;
        break;
      default: handled = false;
    }
    if (handled) {
      if (OnKeyDown) OnKeyDown(this, Key, Shift);
      Key = 0;
      return;
    }
  }
  TCustomGrid::KeyDown(Key, Shift);
}

void TDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGridCoord g = MouseCoord(X, Y);
  // A click on the indicator selects its row.
  if (Button == mbLeft && g.X >= 0 && g.X < IndicatorOffset() && g.Y >= TitleOffset() && FDataLink->Active())
    FDataLink->SelectRow(g.Y - TitleOffset());
  TCustomGrid::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft && OnCellClick && g.Y >= FixedRows())
    if (TColumn* c = ColumnAt(g.X)) OnCellClick(c);
}

void TDBGrid::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_SIZE:
      TCustomGrid::WndProc(M);
      UpdateBufferCount();
      DataChanged();
      return;
    case WM_VSCROLL: {
      TDataSet* ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
      if (ds) {
        switch (LOWORD(M.WParam)) {
          case SB_LINEUP: ds->Prior(); break;
          case SB_LINEDOWN: ds->Next(); break;
          case SB_PAGEUP: ds->MoveBy(-VisibleDataRows()); break;
          case SB_PAGEDOWN: ds->MoveBy(VisibleDataRows()); break;
          case SB_TOP: ds->First(); break;
          case SB_BOTTOM: ds->Last(); break;
          case SB_THUMBPOSITION: ds->SetRecNo(HIWORD(M.WParam) + 1); break;
          default: break;
        }
      }
      M.Result = 0;
      return;
    }
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(M.WParam);
      TDataSet* ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
      if (!DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), delta, POINT{0, 0}) && ds)
        ds->MoveBy(-delta / WHEEL_DELTA);
      M.Result = 1;
      return;
    }
    case CM_EXIT:
      // Leaving the grid drops a new row nobody typed into (not when the grid's own editor
      // takes the focus).
      if (!EditorMode() && FDBOptions.Contains(dgCancelOnExit) && FDataLink->Active() &&
          FDataLink->DataSet()->State() == dsInsert && !FDataLink->DataSet()->Modified())
        FDataLink->DataSet()->Cancel();
      break;
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS |
                 (FDBOptions.Contains(dgTabs) ? static_cast<LRESULT>(DLGC_WANTTAB) : 0);
      return;
  }
  TCustomGrid::WndProc(M);
}

void TDBGrid::DrawCell(int ACol, int ARow, const RECT& ARect, TGridDrawState AState) {
  TCanvas* c = Canvas();
  const int row = ARow - TitleOffset();
  if (ACol < IndicatorOffset()) {
    // The indicator: a triangle at the current row, "I" while editing, "*" while inserting.
    if (row < 0 || !FDataLink->Active() || row != FDataLink->CurrentRow()) return;
    TDataSetState st = FDataLink->DataSet()->State();
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(clWindowText);
    if (st == dsEdit || st == dsInsert) {
      const std::string mark = st == dsEdit ? "I" : "*";
      SIZE sz = c->TextExtent(mark);
      c->TextOut(ARect.left + (ARect.right - ARect.left - sz.cx) / 2,
                 ARect.top + (ARect.bottom - ARect.top - sz.cy) / 2, mark);
    } else {
      const int cy = (ARect.top + ARect.bottom) / 2;
      const int x = ARect.left + 3;
      c->Pen()->SetColor(clBlack);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(clBlack);
      c->Polygon({POINT{x, cy - 4}, POINT{x + 4, cy}, POINT{x, cy + 4}});
    }
    c->Brush()->SetStyle(bsSolid);
    return;
  }
  TColumn* col = ColumnAt(ACol);
  if (!col) return;
  if (row < 0) {
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(TitleFont());
    c->TextRect(ARect, ARect.left + 2, ARect.top + 2, col->Title()->Caption());
    c->Brush()->SetStyle(bsSolid);
    return;
  }
  if (FDataLink->Active() && row < FDataLink->RowCount()) {
    const std::string text = FDataLink->CellText(row, col->Index());
    TField* f = col->Field();
    int x = ARect.left + 2;
    if (f && RightAligned(f)) x = ARect.right - 2 - c->TextWidth(text);
    c->Brush()->SetStyle(bsClear);
    c->TextRect(ARect, x, ARect.top + 2, text);
    c->Brush()->SetStyle(bsSolid);
    if (OnDrawColumnCell) {
      // The handler reads the fields of the row it draws.
      FDataLink->SetActiveRecord(row);
      try {
        OnDrawColumnCell(this, ARect, col->Index(), col, AState);
      } catch (...) {
        FDataLink->SetActiveRecord(-1);
        throw;
      }
      FDataLink->SetActiveRecord(-1);
    }
  }
}
