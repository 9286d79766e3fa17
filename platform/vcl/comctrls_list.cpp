// The list view: items, columns, the four view styles, selection by mouse and keys.
#include "platform/vcl/comctrls_list.h"

#include <algorithm>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls_labeledit.h"
#include "platform/win/commctrl.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TListItem, TObject)
ORV_CLASS_IMPL(TListItems, TPersistent)
ORV_CLASS_IMPL(TCustomListView, TCustomControl)
ORV_CLASS_IMPL(TListView, TCustomListView)

namespace {
constexpr int kIconCellWidth = 76;
constexpr int kListCellWidth = 120;
constexpr int kCheckWidth = 16;
const char* const kListViewProp = "OrvListView";  // the header window's list view
constexpr UINT_PTR kEditTimer = 0x4C56;  // a second click on the selected caption waits for it
}  // namespace

// ---- TListItem ----
TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner), FSubItems(std::make_unique<TStringList>()) {
  FSubItems->OnChange = [this](TObject*) {
    if (FOwner) FOwner->Changed();
  };
}

TListItem::~TListItem() {
  FSubItems->OnChange = nullptr;
  if (FOwner) {
    auto& v = FOwner->FItems;
    auto it = std::find(v.begin(), v.end(), this);
    if (it != v.end()) v.erase(it);
    if (FOwner->FOwner) FOwner->FOwner->ItemRemoved(this);
  }
}

bool TListItem::EditCaption() {
  TCustomListView* lv = ListView();
  if (!lv || !lv->HandleAllocated()) return false;
  return ListView_EditLabel(lv->Handle(), Index()) != nullptr;
}

TCustomListView* TListItem::ListView() const { return FOwner ? FOwner->Owner() : nullptr; }
TStrings* TListItem::SubItems() const { return FSubItems.get(); }
int TListItem::Index() const { return FOwner ? FOwner->IndexOf(this) : -1; }
void TListItem::Delete() { delete this; }

void TListItem::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (TCustomListView* lv = ListView(); lv && lv->OnChange) lv->OnChange(lv, this, ctText);
  FOwner->Changed();
}

void TListItem::SetImageIndex(int Value) {
  FImageIndex = Value;
  if (TCustomListView* lv = ListView(); lv && lv->OnChange) lv->OnChange(lv, this, ctImage);
  FOwner->Changed();
}

void TListItem::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (TCustomListView* lv = ListView(); lv && lv->OnChange) lv->OnChange(lv, this, ctState);
  FOwner->Changed();
}

void TListItem::SetSelected(bool Value) {
  if (FSelected == Value) return;
  TCustomListView* lv = ListView();
  if (lv && Value && !lv->MultiSelect()) {
    for (TListItem* o : std::vector<TListItem*>(FOwner->FItems))
      if (o != this && o->FSelected) o->SetSelected(false);
  }
  FSelected = Value;
  if (lv) lv->SelectionChanging(this, Value);
}

bool TListItem::Focused() const {
  TCustomListView* lv = ListView();
  return lv && lv->ItemFocused() == this;
}

void TListItem::SetFocused(bool Value) {
  if (TCustomListView* lv = ListView()) {
    if (Value) lv->SetItemFocused(this);
    else if (lv->ItemFocused() == this) lv->SetItemFocused(nullptr);
  }
}

RECT TListItem::DisplayRect() const {
  TCustomListView* lv = ListView();
  return lv ? lv->ItemRect(Index()) : RECT{0, 0, 0, 0};
}

void TListItem::MakeVisible() {
  TCustomListView* lv = ListView();
  if (!lv) return;
  int i = Index();
  int line = lv->FViewStyle == vsReport ? i : i / lv->PerLine();
  int lines = lv->VisibleLines();
  if (line < lv->FTopIndex) lv->FTopIndex = line;
  else if (line >= lv->FTopIndex + lines) lv->FTopIndex = line - lines + 1;
  lv->UpdateScroll();
  lv->Invalidate();
}

// ---- TListItems ----
TListItems::TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}

TListItems::~TListItems() {
  FOwner = nullptr;
  while (!FItems.empty()) delete FItems.back();
}

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FItems[static_cast<size_t>(Index)];
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int Index) {
  auto* item = new TListItem(this);
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, item);
  Changed();
  return item;
}

void TListItems::Delete(int Index) { delete Item(Index); }

void TListItems::Clear() {
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

int TListItems::IndexOf(const TListItem* Value) const {
  auto it = std::find(FItems.begin(), FItems.end(), Value);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TListItems::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TListItems::Changed() {
  if (FOwner && FUpdateCount == 0) FOwner->ItemsChanged();
}

// ---- TCustomListView ----
TCustomListView::TCustomListView(TComponent* AOwner)
    : TCustomControl(AOwner), FItems(std::make_unique<TListItems>(this)) {
  FWidth = 250;
  FHeight = 150;
  FTabStop = true;
  SetColor(clWindow);
}

TCustomListView::~TCustomListView() {
  if (FEditor) FEditor->Abandon();
  FEditItem = FClickItem = nullptr;
  if (FHeader && IsWindow(FHeader)) {
    RemoveProp(FHeader, kListViewProp);
    DestroyWindow(FHeader);
  }
  FHeader = nullptr;
  FFocused = FAnchor = nullptr;
  FItems.reset();
}

void TCustomListView::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FSmallImages) FSmallImages = nullptr;
  if (AComponent == FLargeImages) FLargeImages = nullptr;
}

void TCustomListView::SetSmallImages(TImageList* Value) {
  if (FSmallImages) FSmallImages->RemoveFreeNotification(this);
  FSmallImages = Value;
  if (Value) Value->FreeNotification(this);
  ItemsChanged();
}

void TCustomListView::SetLargeImages(TImageList* Value) {
  if (FLargeImages) FLargeImages->RemoveFreeNotification(this);
  FLargeImages = Value;
  if (Value) Value->FreeNotification(this);
  ItemsChanged();
}

TListColumn* TCustomListView::AddColumn() {
  FColumns.emplace_back();
  UpdateHeader();
  Invalidate();
  return &FColumns.back();
}

void TCustomListView::ClearColumns() {
  FColumns.clear();
  UpdateHeader();
  Invalidate();
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
  FViewStyle = Value;
  FTopIndex = 0;
  UpdateHeader();
  ItemsChanged();
}

void TCustomListView::SetMultiSelect(bool Value) {
  FMultiSelect = Value;
  if (!Value) {
    // Keep only the first selected item.
    TListItem* first = Selected();
    for (TListItem* i : std::vector<TListItem*>(FItems->FItems))
      if (i != first) i->SetSelected(false);
  }
}

void TCustomListView::ItemsChanged() {
  UpdateScroll();
  Invalidate();
}

void TCustomListView::ItemRemoved(TListItem* Item) {
  if (FClickItem == Item) FClickItem = nullptr;
  if (FEditItem == Item) {
    // The item goes while its caption is edited: the edit ends without a word.
    FEditItem = nullptr;
    if (FEditor) FEditor->Finish(false);
  }
  if (FFocused == Item) FFocused = nullptr;
  if (FAnchor == Item) FAnchor = nullptr;
  if (OnDeletion) OnDeletion(this, Item);
  if (FItems && FItems->FUpdateCount == 0) ItemsChanged();
}

// ---- Editing captions ----
bool TCustomListView::IsEditing() const { return FEditor && FEditor->Active(); }

bool TCustomListView::CanEdit(TListItem* Item) {
  if (FReadOnly) return false;
  bool allow = true;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TCustomListView::Edit(TListItem* Item, std::string S) {
  if (OnEdited) OnEdited(this, Item, S);
  Item->SetCaption(S);
}

// Opens the box on Item's caption; answers the box's window, or null when refused.
HWND TCustomListView::StartEdit(TListItem* Item) {
  if (!Item || !HandleAllocated()) return nullptr;
  if (IsEditing()) FEditor->Finish(true);  // one edit at a time; this may delete items
  if (FItems->IndexOf(Item) < 0 || !CanEdit(Item) || FItems->IndexOf(Item) < 0) return nullptr;
  Item->MakeVisible();
  if (!FEditor) {
    FEditor = new TLabelEditor(this);
    FEditor->OnDone = [this](bool Accept, const std::string& Text) { EditDone(Accept, Text); };
  }
  FEditItem = Item;
  FEditor->Open(LabelRect(Item->Index()), Item->FCaption);
  return FEditor->Handle();
}

void TCustomListView::EditDone(bool Accept, const std::string& Text) {
  TListItem* it = FEditItem;
  FEditItem = nullptr;
  Invalidate();
  if (!it) return;
  if (Accept) Edit(it, Text);
  else if (OnCancelEdit) OnCancelEdit(this, it);
}

// Where the caption of item Index is drawn: after its check box and small picture (report, list
// and small icons), under its picture (icons); at least wide enough to type into.
RECT TCustomListView::LabelRect(int Index) {
  RECT r = ItemRect(Index);
  RECT t = r;
  if (FViewStyle == vsIcon) {
    t.top += (FLargeImages ? FLargeImages->Height() : 32) + 6;
  } else {
    if (FCheckboxes) t.left += kCheckWidth;
    if (FSmallImages) t.left += FSmallImages->Width() + 2;
    if (FViewStyle == vsReport && !FColumns.empty()) t.right = r.left + FColumns[0].Width;
  }
  t.right = std::max(t.right, t.left + 60);
  t.bottom = std::max(t.bottom, t.top - Font()->Height() + 6);
  return t;
}

void TCustomListView::SelectionChanging(TListItem* Item, bool Sel) {
  Invalidate();
  if (OnChange) OnChange(this, Item, ctState);
  if (OnSelectItem) OnSelectItem(this, Item, Sel);
}

TListItem* TCustomListView::Selected() const {
  for (TListItem* i : FItems->FItems)
    if (i->FSelected) return i;
  return nullptr;
}

void TCustomListView::SetSelected(TListItem* Value) {
  for (TListItem* i : std::vector<TListItem*>(FItems->FItems))
    if (i != Value && i->FSelected) i->SetSelected(false);
  if (Value) {
    Value->SetSelected(true);
    FFocused = FAnchor = Value;
    Value->MakeVisible();
  }
}

int TCustomListView::SelCount() const {
  return static_cast<int>(std::count_if(FItems->FItems.begin(), FItems->FItems.end(), [](TListItem* i) { return i->FSelected; }));
}

void TCustomListView::SetItemFocused(TListItem* Value) {
  FFocused = Value;
  Invalidate();
}

int TCustomListView::ItemIndex() const {
  TListItem* s = Selected();
  return s ? s->Index() : -1;
}

void TCustomListView::SetItemIndex(int Value) {
  SetSelected(Value >= 0 && Value < FItems->Count() ? FItems->Item(Value) : nullptr);
}

void TCustomListView::ClearSelection() { SetSelected(nullptr); }

void TCustomListView::SelectAll() {
  if (!FMultiSelect) return;
  for (TListItem* i : FItems->FItems) i->SetSelected(true);
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, bool OnlySelected) const {
  int i = StartItem ? FItems->IndexOf(StartItem) + 1 : 0;
  for (; i < FItems->Count(); ++i) {
    TListItem* it = FItems->FItems[static_cast<size_t>(i)];
    if (!OnlySelected || it->FSelected) return it;
  }
  return nullptr;
}

void TCustomListView::CustomSort(const std::function<int(TListItem*, TListItem*)>& Compare) {
  std::stable_sort(FItems->FItems.begin(), FItems->FItems.end(), [&](TListItem* a, TListItem* b) { return Compare(a, b) < 0; });
  ItemsChanged();
}

void TCustomListView::AlphaSort() {
  CustomSort([this](TListItem* a, TListItem* b) {
    int c = 0;
    if (OnCompare) OnCompare(this, a, b, 0, c);
    else c = AnsiCompareText(a->FCaption, b->FCaption);
    return c;
  });
}

int TCustomListView::HeaderHeight() const {
  return FViewStyle == vsReport && FShowColumnHeaders && !FColumns.empty() ? 19 : 0;
}

int TCustomListView::RowHeight() const {
  int h = std::max(16, -Font()->Height() + 5);
  if (FSmallImages) h = std::max(h, FSmallImages->Height() + 2);
  return h;
}

SIZE TCustomListView::CellSize() const {
  if (FViewStyle == vsIcon) {
    int ih = FLargeImages ? FLargeImages->Height() : 32;
    return SIZE{kIconCellWidth, ih + 8 + RowHeight()};
  }
  return SIZE{kListCellWidth, RowHeight()};
}

int TCustomListView::PerLine() {
  SIZE c = CellSize();
  if (FViewStyle == vsList) return std::max(1, ClientHeight() / c.cy);
  if (FViewStyle == vsReport) return 1;
  return std::max(1, ClientWidth() / c.cx);
}

int TCustomListView::VisibleLines() {
  SIZE c = CellSize();
  switch (FViewStyle) {
    case vsReport: return std::max(1, (ClientHeight() - HeaderHeight()) / RowHeight());
    case vsList: return std::max(1, ClientWidth() / c.cx);
    default: return std::max(1, ClientHeight() / c.cy);
  }
}

RECT TCustomListView::ItemRect(int Index) {
  SIZE c = CellSize();
  switch (FViewStyle) {
    case vsReport: {
      int y = HeaderHeight() + (Index - FTopIndex) * RowHeight();
      int w = 0;
      for (auto& col : FColumns) w += col.Width;
      if (FColumns.empty()) w = ClientWidth();
      return RECT{0, y, w, y + RowHeight()};
    }
    case vsList: {
      int per = PerLine();
      int x = (Index / per - FTopIndex) * c.cx, y = (Index % per) * c.cy;
      return RECT{x, y, x + c.cx, y + c.cy};
    }
    default: {
      int per = PerLine();
      int x = (Index % per) * c.cx, y = (Index / per - FTopIndex) * c.cy;
      return RECT{x, y, x + c.cx, y + c.cy};
    }
  }
}

TListItem* TCustomListView::GetItemAt(int X, int Y) {
  if (Y < HeaderHeight()) return nullptr;
  for (int i = 0; i < FItems->Count(); ++i) {
    RECT r = ItemRect(i);
    POINT p{X, Y};
    if (PtInRect(&r, p)) return FItems->FItems[static_cast<size_t>(i)];
  }
  return nullptr;
}

void TCustomListView::UpdateScroll() {
  int per = PerLine();
  int lines = FViewStyle == vsReport ? FItems->Count() : (FItems->Count() + per - 1) / per;
  FTopIndex = std::clamp(FTopIndex, 0, std::max(0, lines - VisibleLines()));
  if (!HandleAllocated()) return;
  int bar = FViewStyle == vsList ? SB_HORZ : SB_VERT;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, lines - 1);
  si.nPage = static_cast<UINT>(VisibleLines());
  si.nPos = FTopIndex;
  SetScrollInfo(FHandle, bar, &si, TRUE);
}

void TCustomListView::Paint() {
  HDC dc = Canvas()->Handle();
  RECT cr = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(cr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  bool focused = Focused();
  auto textIn = [&](RECT r, const std::string& s, UINT align, COLORREF c) {
    SetTextColor(dc, c);
    InflateRect(&r, -2, 0);
    DrawText(dc, s.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
  };
  auto alignOf = [](TAlignment a) { return a == taCenter ? UINT(DT_CENTER) : a == taRightJustify ? UINT(DT_RIGHT) : 0u; };
  COLORREF normal = ColorToRGB(Enabled() ? Font()->Color() : clGrayText);
  int hh = HeaderHeight();
  for (int i = 0; i < FItems->Count(); ++i) {
    RECT r = ItemRect(i);
    if (r.bottom <= hh || r.right <= 0) continue;
    if (r.top >= cr.bottom || r.left >= cr.right) {
      if (FViewStyle == vsReport) break;
      continue;
    }
    TListItem* it = FItems->FItems[static_cast<size_t>(i)];
    bool hilite = it->FSelected && (focused || !FHideSelection);
    COLORREF tc = hilite && focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : normal;
    HBRUSH selBrush = GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    if (FViewStyle == vsIcon) {
      TImageList* il = FLargeImages;
      int iw = il ? il->Width() : 32, ih = il ? il->Height() : 32;
      if (il && it->FImageIndex >= 0 && it->FImageIndex < il->Count())
        il->Draw(Canvas(), r.left + (kIconCellWidth - iw) / 2, r.top + 2, it->FImageIndex);
      RECT t{r.left + 1, r.top + ih + 6, r.right - 1, r.bottom};
      if (hilite) FillRect(dc, &t, selBrush);
      textIn(t, it->FCaption, DT_CENTER, tc);
      if (it == FFocused && focused) DrawFocusRect(dc, &t);
      continue;
    }
    int x = r.left;
    if (FCheckboxes) {
      RECT b{x + 2, r.top + (r.bottom - r.top - 13) / 2, x + 15, r.top + (r.bottom - r.top - 13) / 2 + 13};
      DrawFrameControl(dc, &b, DFC_BUTTON, DFCS_BUTTONCHECK | (it->FChecked ? UINT(DFCS_CHECKED) : 0u));
      x += kCheckWidth;
    }
    if (FSmallImages) {
      if (it->FImageIndex >= 0 && it->FImageIndex < FSmallImages->Count())
        FSmallImages->Draw(Canvas(), x + 1, r.top + (r.bottom - r.top - FSmallImages->Height()) / 2, it->FImageIndex);
      x += FSmallImages->Width() + 2;
    }
    int firstRight = FViewStyle == vsReport && !FColumns.empty() ? r.left + FColumns[0].Width : r.right;
    RECT t{x, r.top, firstRight, r.bottom};
    if (FViewStyle != vsReport) {
      SIZE sz{0, 0};
      GetTextExtentPoint32(dc, it->FCaption.c_str(), static_cast<int>(it->FCaption.size()), &sz);
      t.right = std::min(r.right, x + sz.cx + 4);
    }
    RECT selR = FRowSelect && FViewStyle == vsReport ? RECT{x, r.top, r.right, r.bottom} : t;
    if (hilite) FillRect(dc, &selR, selBrush);
    textIn(t, it->FCaption, FViewStyle == vsReport && !FColumns.empty() ? alignOf(FColumns[0].Alignment) : 0, tc);
    if (FViewStyle == vsReport) {
      int cx = firstRight;
      for (size_t c = 1; c < FColumns.size(); ++c) {
        RECT s{cx, r.top, cx + FColumns[c].Width, r.bottom};
        if (static_cast<int>(c) - 1 < it->FSubItems->Count())
          textIn(s, it->FSubItems->Strings(static_cast<int>(c) - 1), alignOf(FColumns[c].Alignment),
                 hilite && FRowSelect ? tc : normal);
        cx = s.right;
      }
      if (FGridLines) {
        RECT g{r.left, r.bottom - 1, r.right, r.bottom};
        FillRect(dc, &g, GetSysColorBrush(COLOR_BTNFACE));
      }
    }
    if (it == FFocused && focused) DrawFocusRect(dc, &selR);
  }
  SelectObject(dc, old);
}

// ---- The header window ----
LRESULT ListHeaderProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  auto* lv = static_cast<TCustomListView*>(GetProp(w, kListViewProp));
  if (!lv) return DefWindowProc(w, m, wp, lp);
  auto& cols = lv->FColumns;
  switch (m) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
    case WM_PAINT: {
      TPaintDC dc(w, m, wp);
      lv->PaintHeader(dc);
      return 0;
    }
    case HDM_GETITEMCOUNT:
      return static_cast<LRESULT>(cols.size());
    case HDM_GETITEMRECT: {
      size_t i = static_cast<size_t>(wp);
      auto* r = reinterpret_cast<RECT*>(lp);
      if (i >= cols.size() || !r) return FALSE;
      int x = 0;
      for (size_t k = 0; k < i; ++k) x += cols[k].Width;
      RECT c;
      GetClientRect(w, &c);
      *r = RECT{x, 0, x + cols[i].Width, c.bottom};
      return TRUE;
    }
    case HDM_GETITEMA:
    case HDM_SETITEMA: {
      size_t i = static_cast<size_t>(wp);
      auto* item = reinterpret_cast<HDITEMA*>(lp);
      if (i >= cols.size() || !item) return FALSE;
      TListColumn& col = cols[i];
      bool set = m == HDM_SETITEMA;
      if (item->mask & HDI_WIDTH) {
        if (set) col.Width = std::max(0, item->cxy);
        else item->cxy = col.Width;
      }
      if (item->mask & HDI_TEXT) {
        if (set) col.Caption = item->pszText ? item->pszText : "";
        else if (item->pszText && item->cchTextMax > 0) {
          size_t n = std::min(col.Caption.size(), static_cast<size_t>(item->cchTextMax - 1));
          std::copy_n(col.Caption.data(), n, item->pszText);
          item->pszText[n] = 0;
        }
      }
      if (item->mask & HDI_FORMAT) {
        if (set) col.Alignment = (item->fmt & 3) == HDF_RIGHT ? taRightJustify : (item->fmt & 3) == HDF_CENTER ? taCenter : taLeftJustify;
        else item->fmt = col.Alignment == taRightJustify ? HDF_RIGHT : col.Alignment == taCenter ? HDF_CENTER : HDF_LEFT;
      }
      if (item->mask & HDI_IMAGE) {
        if (set) col.ImageIndex = item->iImage;
        else item->iImage = col.ImageIndex;
      }
      if (set) {
        InvalidateRect(w, nullptr, TRUE);
        lv->Invalidate();
      }
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      int x = GET_X_LPARAM(lp), cx = 0;
      for (auto& col : cols) {
        if (x >= cx && x < cx + col.Width) {
          if (lv->OnColumnClick) lv->OnColumnClick(lv, &col);
          break;
        }
        cx += col.Width;
      }
      return 0;
    }
  }
  return DefWindowProc(w, m, wp, lp);
}

void TCustomListView::CreateWnd() {
  TCustomControl::CreateWnd();
  WNDCLASSA wc{};
  if (!GetClassInfo(nullptr, "SysHeader32", &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = DefWindowProc;  // a plain class; the list view's header is subclassed below
    wc.lpszClassName = "SysHeader32";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClass(&wc);
  }
  FHeader = CreateWindowEx(0, "SysHeader32", "", WS_CHILD, 0, 0, ClientWidth(), 19, FHandle, nullptr, nullptr, nullptr);
  SetWindowLongPtr(FHeader, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListHeaderProc));
  SetProp(FHeader, kListViewProp, this);
  UpdateHeader();
}

// Shows the header window in the report view with columns, across the client width.
void TCustomListView::UpdateHeader() {
  if (!FHeader || !IsWindow(FHeader)) return;
  int hh = HeaderHeight();
  if (hh > 0) SetWindowPos(FHeader, nullptr, 0, 0, ClientWidth(), hh, SWP_NOZORDER);
  ShowWindow(FHeader, hh > 0 ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(FHeader, nullptr, TRUE);
}

void TCustomListView::PaintHeader(HDC dc) {
  RECT cr;
  GetClientRect(FHeader, &cr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  int x = 0;
  for (auto& col : FColumns) {
    RECT h{x, 0, x + col.Width, cr.bottom};
    FillRect(dc, &h, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &h, EDGE_RAISED, BF_RECT);
    RECT t = h;
    InflateRect(&t, -4, 0);
    if (FSmallImages && col.ImageIndex >= 0 && col.ImageIndex < FSmallImages->Count()) {
      HDC keep = Canvas()->HandleAllocated() ? Canvas()->Handle() : nullptr;
      Canvas()->Lock();
      Canvas()->SetHandle(dc);
      FSmallImages->Draw(Canvas(), t.left, (cr.bottom - FSmallImages->Height()) / 2, col.ImageIndex);
      Canvas()->SetHandle(keep);
      Canvas()->Unlock();
      t.left += FSmallImages->Width() + 2;
    }
    UINT align = col.Alignment == taCenter ? UINT(DT_CENTER) : col.Alignment == taRightJustify ? UINT(DT_RIGHT) : 0u;
    DrawText(dc, col.Caption.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
    x = h.right;
  }
  if (x < cr.right) {
    RECT h{x, 0, cr.right, cr.bottom};
    FillRect(dc, &h, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &h, EDGE_RAISED, BF_RECT);
  }
  SelectObject(dc, old);
}

void TCustomListView::ClickItem(TListItem* Item, TShiftState Shift) {
  if (!Item) {
    if (!Shift.Contains(ssCtrl)) SetSelected(nullptr);
    return;
  }
  if (FMultiSelect && Shift.Contains(ssShift) && FAnchor) {
    int a = FAnchor->Index(), b = Item->Index();
    if (a > b) std::swap(a, b);
    for (int i = 0; i < FItems->Count(); ++i) FItems->Item(i)->SetSelected(i >= a && i <= b);
    FFocused = Item;
  } else if (FMultiSelect && Shift.Contains(ssCtrl)) {
    Item->SetSelected(!Item->FSelected);
    FFocused = FAnchor = Item;
  } else {
    SetSelected(Item);
  }
  Item->MakeVisible();
  Invalidate();
}

void TCustomListView::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SIZE:
      TCustomControl::WndProc(M);
      UpdateScroll();
      UpdateHeader();
      return;
    case LVM_GETHEADER:
      M.Result = reinterpret_cast<LRESULT>(FHeader);
      return;
    case LVM_EDITLABEL: {
      int i = static_cast<int>(M.WParam);
      M.Result = 0;
      if (i < 0) {
        if (FEditor) FEditor->Finish(false);
      } else if (i < FItems->Count()) {
        M.Result = reinterpret_cast<LRESULT>(StartEdit(FItems->Item(i)));
      }
      return;
    }
    case LVM_GETEDITCONTROL:
      M.Result = IsEditing() ? reinterpret_cast<LRESULT>(FEditor->Handle()) : 0;
      return;
    case WM_TIMER:
      if (M.WParam == kEditTimer) {
        KillTimer(FHandle, kEditTimer);
        TListItem* it = FClickItem;
        FClickItem = nullptr;
        if (it && it->FSelected) StartEdit(it);
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const bool wasFocused = Focused();
      if (CanFocus() && !Focused()) SetFocus();
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      KillTimer(FHandle, kEditTimer);
      FClickItem = nullptr;
      if (y < HeaderHeight()) {
        TCustomControl::WndProc(M);
        return;
      }
      TListItem* it = GetItemAt(x, y);
      // A plain click on the caption of the only selected item, while the view has the focus,
      // edits it once the double-click time has passed without a second click.
      if (M.Msg == WM_LBUTTONDOWN && it && wasFocused && !FReadOnly && it->FSelected && it == FFocused &&
          SelCount() == 1 && !(M.WParam & (MK_SHIFT | MK_CONTROL))) {
        RECT lr = LabelRect(it->Index());
        if (PtInRect(&lr, POINT{x, y})) {
          FClickItem = it;
          SetTimer(FHandle, kEditTimer, GetDoubleClickTime(), nullptr);
        }
      }
      if (M.Msg == WM_RBUTTONDOWN) {
        if (it && !it->FSelected) SetSelected(it);
      } else {
        RECT r = it ? ItemRect(it->Index()) : RECT{};
        if (it && FCheckboxes && FViewStyle != vsIcon && x >= r.left && x < r.left + kCheckWidth)
          it->SetChecked(!it->FChecked);
        ClickItem(it, KeysToShiftState(LOWORD(M.WParam)));
      }
      TCustomControl::WndProc(M);
      return;
    }
    case WM_KEYDOWN: {
      if (DoKeyDown(M)) return;
      int n = FItems->Count();
      if (n == 0) { TCustomControl::WndProc(M); return; }
      int cur = FFocused ? FFocused->Index() : -1;
      int per = PerLine();
      bool across = FViewStyle == vsIcon || FViewStyle == vsSmallIcon;
      int to = cur;
      switch (M.WParam) {
        case VK_UP: to = cur < 0 ? 0 : cur - (across ? per : 1); break;
        case VK_DOWN: to = cur < 0 ? 0 : cur + (across ? per : 1); break;
        case VK_LEFT:
          if (FViewStyle == vsReport) return;
          to = cur - (FViewStyle == vsList ? per : 1);
          break;
        case VK_RIGHT:
          if (FViewStyle == vsReport) return;
          to = cur + (FViewStyle == vsList ? per : 1);
          break;
        case VK_F2:
          if (FFocused) StartEdit(FFocused);
          return;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_PRIOR: to = cur - VisibleLines() * (FViewStyle == vsReport ? 1 : per); break;
        case VK_NEXT: to = cur + VisibleLines() * (FViewStyle == vsReport ? 1 : per); break;
        case VK_SPACE:
          if (FFocused && FMultiSelect && GetKeyState(VK_CONTROL) < 0) FFocused->SetSelected(!FFocused->FSelected);
          else if (FFocused && FCheckboxes) FFocused->SetChecked(!FFocused->FChecked);
          return;
        case 'A':
          if (GetKeyState(VK_CONTROL) < 0) { SelectAll(); return; }
          TCustomControl::WndProc(M);
          return;
        default: TCustomControl::WndProc(M); return;
      }
      to = std::clamp(to, 0, n - 1);
      TShiftState shift;
      if (GetKeyState(VK_SHIFT) < 0) shift += ssShift;
      ClickItem(FItems->Item(to), shift);
      return;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
      if (IsEditing()) FEditor->Finish(true);  // the box would no longer sit on its item
      int top = FTopIndex;
      switch (LOWORD(M.WParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= VisibleLines(); break;
        case SB_PAGEDOWN: top += VisibleLines(); break;
        case SB_THUMBTRACK: case SB_THUMBPOSITION: top = HIWORD(M.WParam); break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = FItems->Count(); break;
        default: return;
      }
      FTopIndex = top;
      UpdateScroll();
      Invalidate();
      return;
    }
    case WM_MOUSEWHEEL:
      if (!DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), GET_WHEEL_DELTA_WPARAM(M.WParam), POINT{0, 0})) {
        FTopIndex -= GET_WHEEL_DELTA_WPARAM(M.WParam) / WHEEL_DELTA * 3;
        UpdateScroll();
        Invalidate();
      }
      M.Result = 1;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TCustomControl::WndProc(M);
}

void TListView::Publish(TPublisher<TListView>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("Checkboxes", &TListView::Checkboxes, &TListView::SetCheckboxes);
  P.Prop("GridLines", &TListView::GridLines, &TListView::SetGridLines);
  P.Prop("HideSelection", &TListView::HideSelection, &TListView::SetHideSelection).Default(true);
  P.Prop("LargeImages", &TListView::LargeImages, &TListView::SetLargeImages);
  P.Prop("MultiSelect", &TListView::MultiSelect, &TListView::SetMultiSelect);
  P.Prop("ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly);
  P.Prop("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect);
  P.Prop("ShowColumnHeaders", &TListView::ShowColumnHeaders, &TListView::SetShowColumnHeaders).Default(true);
  P.Prop("SmallImages", &TListView::SmallImages, &TListView::SetSmallImages);
  P.Prop("ViewStyle", &TListView::ViewStyle, &TListView::SetViewStyle).Default(vsIcon);
  P.Event<TLVChangeEvent>("OnChange", &TListView::OnChange).Type("TLVChangeEvent");
  P.Event<TLVColumnClickEvent>("OnColumnClick", &TListView::OnColumnClick).Type("TLVColumnClickEvent");
  P.Event<TLVCompareEvent>("OnCompare", &TListView::OnCompare).Type("TLVCompareEvent");
  P.Event<TLVDeletedEvent>("OnDeletion", &TListView::OnDeletion).Type("TLVDeletedEvent");
  P.Event<TLVEditingEvent>("OnEditing", &TListView::OnEditing).Type("TLVEditingEvent");
  P.Event<TLVEditedEvent>("OnEdited", &TListView::OnEdited).Type("TLVEditedEvent");
  P.Event<TLVSelectItemEvent>("OnSelectItem", &TListView::OnSelectItem).Type("TLVSelectItemEvent");
}
