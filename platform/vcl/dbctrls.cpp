// Data-aware controls over the field and grid data links.
#include "platform/vcl/dbctrls.h"

#include <algorithm>

ORV_CLASS_IMPL(TDBText, TLabel)
ORV_CLASS_IMPL(TDBEdit, TCustomEdit)
ORV_CLASS_IMPL(TDBMemo, TMemo)
ORV_CLASS_IMPL(TDBGrid, TCustomControl)

namespace {
std::string FieldText(TFieldDataLink* L, bool Display) {
  TField* f = L->Field();
  if (!f) return "";
  return Display ? f->DisplayText() : f->Text();
}
}  // namespace

// ---- TDBText ----
TDBText::TDBText(TComponent* AOwner) : TLabel(AOwner), FLink(std::make_unique<TFieldDataLink>()) {
  SetAutoSize(false);
  FLink->SetControl(this);
  FLink->OnDataChange = [this](TObject*) { SetCaption(FieldText(FLink.get(), true)); };
  FLink->OnActiveChange = [this](TObject*) { SetCaption(FieldText(FLink.get(), true)); };
}

TDBText::~TDBText() { FLink->SetDataSource(nullptr); }

// ---- TDBEdit ----
TDBEdit::TDBEdit(TComponent* AOwner) : TCustomEdit(AOwner), FLink(std::make_unique<TFieldDataLink>()) {
  FLink->SetControl(this);
  auto load = [this](TObject*) {
    FLoading = true;
    SetText(FieldText(FLink.get(), !Focused()));
    FLoading = false;
  };
  FLink->OnDataChange = load;
  FLink->OnActiveChange = load;
  FLink->OnUpdateData = [this](TObject*) {
    if (TField* f = FLink->Field()) f->SetText(Text());
  };
}

TDBEdit::~TDBEdit() { FLink->SetDataSource(nullptr); }

void TDBEdit::Change() {
  if (!FLoading) FLink->Modified();
  TCustomEdit::Change();
}

void TDBEdit::WndProc(TMessage& M) {
  // Only a field that may change takes typing, and typing puts the data set into edit mode.
  bool typing = (M.Msg == WM_CHAR && M.WParam != VK_ESCAPE && M.WParam != VK_TAB && M.WParam != VK_RETURN) ||
                (M.Msg == WM_KEYDOWN && M.WParam == VK_DELETE);
  if (typing && FLink->Field() && (!FLink->CanModify() || !FLink->Edit())) return;
  if (M.Msg == WM_KEYDOWN && M.WParam == VK_ESCAPE && FLink->IsModified()) {
    FLink->Reset();
    SelectAll();
    return;
  }
  if (M.Msg == CM_EXIT && FLink->IsModified()) FLink->UpdateRecord();
  TCustomEdit::WndProc(M);
}

// ---- TDBMemo ----
TDBMemo::TDBMemo(TComponent* AOwner) : TMemo(AOwner), FLink(std::make_unique<TFieldDataLink>()) {
  FLink->SetControl(this);
  auto load = [this](TObject*) {
    FLoading = true;
    SetText(FieldText(FLink.get(), false));
    FLoading = false;
  };
  FLink->OnDataChange = load;
  FLink->OnActiveChange = load;
  FLink->OnUpdateData = [this](TObject*) {
    if (TField* f = FLink->Field()) f->SetAsString(Text());
  };
}

TDBMemo::~TDBMemo() { FLink->SetDataSource(nullptr); }

void TDBMemo::Change() {
  if (!FLoading) FLink->Modified();
  TMemo::Change();
}

void TDBMemo::WndProc(TMessage& M) {
  bool typing = (M.Msg == WM_CHAR && M.WParam != VK_ESCAPE && M.WParam != VK_TAB) || (M.Msg == WM_KEYDOWN && M.WParam == VK_DELETE);
  if (typing && FLink->Field() && (!FLink->CanModify() || !FLink->Edit())) return;
  if (M.Msg == CM_EXIT && FLink->IsModified()) FLink->UpdateRecord();
  TMemo::WndProc(M);
}

// ---- TDBGrid ----
TDBGrid::TDBGrid(TComponent* AOwner)
    : TCustomControl(AOwner), FColumns(std::make_unique<TDBGridColumns>()), FTitleFont(std::make_unique<TFont>()) {
  FLink = std::make_unique<TGridDataLink>(FColumns.get());
  FWidth = 320;
  FHeight = 120;
  FTabStop = true;
  SetColor(clWindow);
  FLink->OnChanged = [this] { Invalidate(); };
  FLink->OnScrolled = [this](int) { Invalidate(); };
  FLink->OnLayoutChanged = [this] { Invalidate(); };
  FLink->OnEditingChanged = [this] { Invalidate(); };
  FTitleFont->Assign(Font());
}

TDBGrid::~TDBGrid() {
  FLink->OnChanged = nullptr;
  FLink->OnScrolled = nullptr;
  FLink->OnLayoutChanged = nullptr;
  FLink->OnEditingChanged = nullptr;
  FLink->SetDataSource(nullptr);
}

void TDBGrid::SetDataSource(TDataSource* Value) {
  FLink->SetDataSource(Value);
  UpdateBufferCount();
  Invalidate();
}

void TDBGrid::SetReadOnly(bool Value) {
  FReadOnly = Value;
  FLink->SetReadOnly(Value);
}

void TDBGrid::SetDefaultRowHeight(int Value) {
  FRowHeight = std::max(1, Value);
  UpdateBufferCount();
  Invalidate();
}

void TDBGrid::UpdateBufferCount() {
  int rows = std::max(1, (ClientHeight() - FRowHeight) / FRowHeight);
  if (FLink->BufferCount() != rows) FLink->SetBufferCount(rows);
}

int TDBGrid::RowAt(int Y) const {
  if (Y < FRowHeight) return -1;
  int r = (Y - FRowHeight) / FRowHeight;
  return r < FLink->RowCount() ? r : -1;
}

void TDBGrid::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  RECT all = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(all);
  SetBkMode(dc, TRANSPARENT);
  // Title row.
  int x = 0;
  HGDIOBJ old = SelectObject(dc, FTitleFont->Handle());
  SetTextColor(dc, ColorToRGB(FTitleFont->Color()));
  for (int col = 0; col < FColumns->Count(); ++col) {
    TColumn* k = FColumns->Items(col);
    if (!k->Visible()) continue;
    RECT t{x, 0, x + k->Width(), FRowHeight};
    FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &t, BDR_RAISEDINNER, BF_RECT);
    RECT tt = t;
    InflateRect(&tt, -2, 0);
    DrawText(dc, k->Title()->Caption().c_str(), -1, &tt, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    x += k->Width();
  }
  SelectObject(dc, Font()->Handle());
  int current = FLink->Active() ? FLink->CurrentRow() : -1;
  for (int row = 0; row < FLink->RowCount(); ++row) {
    int y = FRowHeight * (row + 1);
    bool cur = row == current;
    RECT line{0, y, x, y + FRowHeight};
    if (cur) FillRect(dc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, cur ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font()->Color()));
    int cx = 0;
    for (int col = 0; col < FColumns->Count(); ++col) {
      TColumn* k = FColumns->Items(col);
      if (!k->Visible()) continue;
      RECT cell{cx, y, cx + k->Width(), y + FRowHeight};
      RECT grid = cell;
      FrameRect(dc, &grid, GetSysColorBrush(COLOR_BTNFACE));
      InflateRect(&cell, -2, 0);
      std::string t = FLink->CellText(row, col);
      DrawText(dc, t.c_str(), -1, &cell, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
      cx += k->Width();
    }
  }
  SelectObject(dc, old);
}

void TDBGrid::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SIZE:
      TCustomControl::WndProc(M);
      UpdateBufferCount();
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (CanFocus() && !Focused()) SetFocus();
      int r = RowAt(GET_Y_LPARAM(M.LParam));
      if (r >= 0) FLink->SelectRow(r);
      break;
    }
    case WM_KEYDOWN: {
      if (DoKeyDown(M)) return;
      TDataSet* ds = FLink->DataSet();
      if (!ds || !FLink->Active()) break;
      int page = std::max(1, FLink->BufferCount());
      switch (M.WParam) {
        case VK_UP: ds->Prior(); return;
        case VK_DOWN: ds->Next(); return;
        case VK_HOME: ds->First(); return;
        case VK_END: ds->Last(); return;
        case VK_PRIOR: for (int i = 0; i < page; ++i) ds->Prior(); return;
        case VK_NEXT: for (int i = 0; i < page; ++i) ds->Next(); return;
      }
      break;
    }
    case WM_MOUSEWHEEL:
      if (TDataSet* ds = FLink->DataSet(); ds && FLink->Active()) {
        if (GET_WHEEL_DELTA_WPARAM(M.WParam) > 0) ds->Prior();
        else ds->Next();
      }
      M.Result = 1;
      return;
  }
  TCustomControl::WndProc(M);
}
