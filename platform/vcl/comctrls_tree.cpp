// The tree view and its nodes.
#include "platform/vcl/comctrls_tree.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TTreeNode, TObject)
ORV_CLASS_IMPL(TTreeNodes, TPersistent)
ORV_CLASS_IMPL(TCustomTreeView, TCustomControl)
ORV_CLASS_IMPL(TTreeView, TCustomTreeView)

// ---- TTreeNode ----
TTreeNode::TTreeNode(TTreeNodes* AOwner, TTreeNode* AParent) : FOwner(AOwner), FParent(AParent) {}

TTreeNode::~TTreeNode() {
  FDeleting = true;
  DeleteChildren();
  if (FOwner) FOwner->Removed(this);
}

TCustomTreeView* TTreeNode::TreeView() const { return FOwner ? FOwner->Owner() : nullptr; }

void TTreeNode::Changed() {
  if (TCustomTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetText(const std::string& Value) {
  FText = Value;
  if (TCustomTreeView* tv = TreeView(); tv && tv->SortType() != stNone && FOwner->FUpdateCount == 0)
    tv->SortSiblings(FOwner->SiblingsOf(FParent), false);
  Changed();
}
void TTreeNode::SetImageIndex(int Value) { FImageIndex = Value; Changed(); }
void TTreeNode::SetSelectedIndex(int Value) { FSelectedIndex = Value; Changed(); }
void TTreeNode::SetStateIndex(int Value) { FStateIndex = Value; Changed(); }
void TTreeNode::SetDropTarget(bool Value) {
  if (Value)
      for (TTreeNode* n = FOwner->GetFirstNode(); n; n = n->GetNext()) n->FDropTarget = false;
  FDropTarget = Value;
  Changed();
}
void TTreeNode::SetCut(bool Value) { FCut = Value; Changed(); }

void TTreeNode::SetHasChildren(bool Value) {
  FHasChildren = Value;
  Changed();
}

bool TTreeNode::Selected() const {
  TCustomTreeView* tv = TreeView();
  return tv && tv->Selected() == this;
}

void TTreeNode::SetSelected(bool Value) {
  TCustomTreeView* tv = TreeView();
  if (!tv) return;
  if (Value) tv->SetSelected(this);
  else if (tv->Selected() == this) tv->SetSelected(nullptr);
}

int TTreeNode::Level() const {
  int l = 0;
  for (TTreeNode* p = FParent; p; p = p->FParent) ++l;
  return l;
}

int TTreeNode::IndexOf(TTreeNode* Child) const {
  auto it = std::find(FChildren.begin(), FChildren.end(), Child);
  return it == FChildren.end() ? -1 : static_cast<int>(it - FChildren.begin());
}

int TTreeNode::Index() const {
  const auto& sib = FOwner->SiblingsOf(FParent);
  return static_cast<int>(std::find(sib.begin(), sib.end(), this) - sib.begin());
}

int TTreeNode::AbsoluteIndex() const {
  int i = 0;
  for (const TTreeNode* n = FOwner->GetFirstNode(); n && n != this; n = n->GetNext()) ++i;
  return i;
}

bool TTreeNode::HasAsParent(TTreeNode* Value) const {
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (p == Value) return true;
  return false;
}

TTreeNode* TTreeNode::getNextSibling() const {
  const auto& sib = FOwner->SiblingsOf(FParent);
  size_t i = static_cast<size_t>(Index());
  return i + 1 < sib.size() ? sib[i + 1] : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const {
  const auto& sib = FOwner->SiblingsOf(FParent);
  int i = Index();
  return i > 0 ? sib[static_cast<size_t>(i - 1)] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* p = getPrevSibling();
  if (!p) return FParent;
  while (!p->FChildren.empty()) p = p->FChildren.back();
  return p;
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (!p->FExpanded) return false;
  return true;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (FExpanded && !FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* p = getPrevSibling();
  if (!p) return FParent;
  while (p->FExpanded && !p->FChildren.empty()) p = p->FChildren.back();
  return p;
}

void TTreeNode::Expand(bool Recurse) {
  TCustomTreeView* tv = TreeView();
  if (!FExpanded && HasChildren()) {
    if (!tv || tv->CanExpand(this)) {
      if (FChildren.empty()) {
        // Nothing was added while expanding: the node has no children after all.
        FHasChildren = false;
      } else {
        FExpanded = true;
        if (tv) tv->Expand(this);
      }
      Changed();
    }
  }
  if (Recurse) {
    std::vector<TTreeNode*> kids = FChildren;
    for (TTreeNode* c : kids) c->Expand(true);
  }
}

void TTreeNode::Collapse(bool Recurse) {
  TCustomTreeView* tv = TreeView();
  if (FExpanded && (!tv || tv->CanCollapse(this))) {
    FExpanded = false;
    // A hidden selection moves up to the collapsed node.
    if (tv && tv->Selected() && tv->Selected()->HasAsParent(this)) tv->SetSelected(this);
    if (tv) tv->Collapse(this);
    Changed();
  }
  if (Recurse)
    for (TTreeNode* c : FChildren) c->Collapse(true);
}

void TTreeNode::MakeVisible() {
  for (TTreeNode* p = FParent; p; p = p->FParent) p->Expand(false);
  TCustomTreeView* tv = TreeView();
  if (!tv || !IsVisible()) return;
  int row = tv->RowOf(this);
  if (row < tv->FTopRow) tv->FTopRow = row;
  else if (row >= tv->FTopRow + tv->VisibleRows()) tv->FTopRow = row - tv->VisibleRows() + 1;
  tv->UpdateScroll();
  tv->Invalidate();
}

RECT TTreeNode::DisplayRect(bool TextOnly) const {
  TCustomTreeView* tv = TreeView();
  if (!tv || !IsVisible()) return RECT{0, 0, 0, 0};
  int h = tv->ItemHeight();
  int y = (tv->RowOf(this) - tv->FTopRow) * h;
  RECT r{0, y, tv->ClientWidth(), y + h};
  if (TextOnly) {
    int x = tv->NodeLeft(this);
    if (tv->StateImages() && FStateIndex >= 0) x += tv->StateImages()->Width();
    if (tv->Images()) x += tv->Images()->Width() + 2;
    HDC dc = GetDC(tv->Handle());
    HGDIOBJ old = SelectObject(dc, tv->Font()->Handle());
    SIZE sz{0, 0};
    GetTextExtentPoint32(dc, FText.c_str(), static_cast<int>(FText.size()), &sz);
    SelectObject(dc, old);
    ReleaseDC(tv->Handle(), dc);
    r.left = x;
    r.right = x + sz.cx + 4;
  }
  return r;
}

void TTreeNode::DeleteChildren() {
  while (!FChildren.empty()) delete FChildren.back();
  FExpanded = false;
  FHasChildren = false;
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::MoveTo(TTreeNode* Destination) {
  if (Destination == this || (Destination && Destination->HasAsParent(this))) return;
  auto& from = FOwner->SiblingsOf(FParent);
  from.erase(std::find(from.begin(), from.end(), this));
  if (FParent && FParent->FChildren.empty()) FParent->FExpanded = false;
  FParent = Destination;
  FOwner->SiblingsOf(Destination).push_back(this);
  FOwner->Changed();
}

bool TTreeNode::AlphaSort(bool Recurse) {
  if (TCustomTreeView* tv = TreeView()) tv->SortSiblings(FChildren, Recurse);
  return true;
}

bool TTreeNode::CustomSort(const std::function<int(TTreeNode*, TTreeNode*)>& Compare, bool Recurse) {
  std::stable_sort(FChildren.begin(), FChildren.end(), [&](TTreeNode* a, TTreeNode* b) { return Compare(a, b) < 0; });
  if (Recurse)
    for (TTreeNode* c : FChildren) c->CustomSort(Compare, true);
  FOwner->Changed();
  return true;
}

// ---- TTreeNodes ----
TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner) {}

TTreeNodes::~TTreeNodes() {
  FOwner = nullptr;  // no events while the tree goes
  while (!FRoots.empty()) delete FRoots.back();
}

TTreeNode* TTreeNodes::Item(int Index) const {
  if (Index < 0 || Index >= FCount) throw EListError(Format("List index out of bounds (%d)", {Index}));
  TTreeNode* n = GetFirstNode();
  for (int i = 0; i < Index; ++i) n = n->GetNext();
  return n;
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* Parent, size_t Pos, const std::string& S, void* Ptr) {
  auto* n = new TTreeNode(this, Parent);
  n->FText = S;
  n->FData = Ptr;
  auto& sib = SiblingsOf(Parent);
  sib.insert(sib.begin() + static_cast<std::ptrdiff_t>(std::min(Pos, sib.size())), n);
  ++FCount;
  if (FOwner && FOwner->SortType() != stNone && FUpdateCount == 0) FOwner->SortSiblings(sib, false);
  Changed();
  return n;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  TTreeNode* parent = Sibling ? Sibling->Parent() : nullptr;
  return InsertAt(parent, SiblingsOf(parent).size(), S, Ptr);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  return InsertAt(Sibling ? Sibling->Parent() : nullptr, 0, S, Ptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return InsertAt(Parent, SiblingsOf(Parent).size(), S, Ptr);
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return InsertAt(Parent, 0, S, Ptr);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  if (!Sibling) return AddObject(nullptr, S, Ptr);
  return InsertAt(Sibling->Parent(), static_cast<size_t>(Sibling->Index()), S, Ptr);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node) return;
  // The selection moves to a neighbour of the deleted subtree, as the user expects.
  TTreeNode* next = nullptr;
  bool moved = FOwner && FOwner->Selected() && (FOwner->Selected() == Node || FOwner->Selected()->HasAsParent(Node));
  if (moved) {
    next = Node->getNextSibling();
    if (!next) next = Node->getPrevSibling();
    if (!next) next = Node->Parent();
  }
  delete Node;
  if (moved && FOwner) FOwner->SetSelected(next);
}

void TTreeNodes::Clear() {
  BeginUpdate();
  while (!FRoots.empty()) delete FRoots.back();
  EndUpdate();
}

void TTreeNodes::BeginUpdate() { ++FUpdateCount; }

void TTreeNodes::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) {
    if (FOwner && FOwner->SortType() != stNone) FOwner->SortSiblings(FRoots, true);
    Changed();
  }
}

void TTreeNodes::Removed(TTreeNode* Node) {
  auto& sib = SiblingsOf(Node->FParent);
  auto it = std::find(sib.begin(), sib.end(), Node);
  if (it != sib.end()) sib.erase(it);
  if (Node->FParent && Node->FParent->FChildren.empty() && !Node->FParent->FDeleting) Node->FParent->FExpanded = false;
  --FCount;
  if (FOwner) FOwner->NodeRemoved(Node);
}

void TTreeNodes::Changed() {
  if (FOwner && FUpdateCount == 0) FOwner->NodesChanged();
}

// ---- TCustomTreeView ----
TCustomTreeView::TCustomTreeView(TComponent* AOwner)
    : TCustomControl(AOwner), FNodes(std::make_unique<TTreeNodes>(this)) {
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView() {
  FSelected = nullptr;
  FNodes.reset();
}

void TCustomTreeView::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FStateImages) FStateImages = nullptr;
}

void TCustomTreeView::SetImages(TImageList* Value) {
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  UpdateScroll();
  Invalidate();
}

void TCustomTreeView::SetStateImages(TImageList* Value) {
  if (FStateImages) FStateImages->RemoveFreeNotification(this);
  FStateImages = Value;
  if (Value) Value->FreeNotification(this);
  Invalidate();
}

void TCustomTreeView::SetIndent(int Value) {
  FIndent = std::max(0, Value);
  Invalidate();
}

void TCustomTreeView::SetSortType(TSortType Value) {
  FSortType = Value;
  if (Value != stNone) AlphaSort(true);
}

int TCustomTreeView::ItemHeight() const {
  int h = std::max(16, -Font()->Height() + 5);
  if (FImages) h = std::max(h, FImages->Height() + 2);
  if (FStateImages) h = std::max(h, FStateImages->Height() + 2);
  return h;
}

std::vector<TTreeNode*> TCustomTreeView::VisibleNodes() const {
  std::vector<TTreeNode*> rows;
  for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNextVisible()) rows.push_back(n);
  return rows;
}

int TCustomTreeView::RowOf(const TTreeNode* Node) const {
  int r = 0;
  for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNextVisible(), ++r)
    if (n == Node) return r;
  return -1;
}

// Left edge of a node's icons and text; the columns before it hold the lines and the button.
int TCustomTreeView::NodeLeft(const TTreeNode* Node) const {
  return 2 + (Node->Level() + (FShowRoot ? 1 : 0)) * FIndent;
}

int TCustomTreeView::VisibleRows() { return std::max(1, ClientHeight() / ItemHeight()); }

TTreeNode* TCustomTreeView::TopItem() const {
  TTreeNode* n = FNodes->GetFirstNode();
  for (int i = 0; n && i < FTopRow; ++i) n = n->GetNextVisible();
  return n;
}

void TCustomTreeView::SetTopItem(TTreeNode* Value) {
  if (!Value || !Value->IsVisible()) return;
  FTopRow = RowOf(Value);
  UpdateScroll();
  Invalidate();
}

TTreeNode* TCustomTreeView::DropTarget() const {
  for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNext())
    if (n->FDropTarget) return n;
  return nullptr;
}

void TCustomTreeView::UpdateScroll() {
  int rows = static_cast<int>(VisibleNodes().size());
  FTopRow = std::clamp(FTopRow, 0, std::max(0, rows - VisibleRows()));
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, rows - 1);
  si.nPage = static_cast<UINT>(VisibleRows());
  si.nPos = FTopRow;
  SetScrollInfo(FHandle, SB_VERT, &si, TRUE);
}

void TCustomTreeView::NodesChanged() {
  UpdateScroll();
  Invalidate();
}

void TCustomTreeView::NodeRemoved(TTreeNode* Node) {
  if (FSelected == Node) FSelected = nullptr;
  Delete(Node);
  if (FNodes->FUpdateCount == 0 && !FControlState.Contains(csDestroyingHandle)) NodesChanged();
}

void TCustomTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion) OnDeletion(this, Node);
}

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}

void TCustomTreeView::Expand(TTreeNode* Node) {
  NodesChanged();
  if (OnExpanded) OnExpanded(this, Node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}

void TCustomTreeView::Collapse(TTreeNode* Node) {
  NodesChanged();
  if (OnCollapsed) OnCollapsed(this, Node);
}

bool TCustomTreeView::CanChange(TTreeNode* Node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

void TCustomTreeView::SetSelected(TTreeNode* Value) {
  if (Value == FSelected) return;
  if (Value && Value->Owner() != FNodes.get()) return;
  if (!CanChange(Value)) return;
  FSelected = Value;
  if (Value) {
    Value->MakeVisible();
    if (FAutoExpand) Value->Expand(false);
  }
  Invalidate();
  Change(Value);
}

void TCustomTreeView::FullExpand() {
  std::vector<TTreeNode*> roots = FNodes->FRoots;
  for (TTreeNode* n : roots) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n : FNodes->FRoots) n->Collapse(true);
}

void TCustomTreeView::SortSiblings(std::vector<TTreeNode*>& List, bool Recurse) {
  std::stable_sort(List.begin(), List.end(), [this](TTreeNode* a, TTreeNode* b) {
    int c = 0;
    if (OnCompare) OnCompare(this, a, b, 0, c);
    else if (FSortType == stData) c = a->FData < b->FData ? -1 : a->FData > b->FData ? 1 : 0;
    else c = AnsiCompareText(a->FText, b->FText);
    return c < 0;
  });
  if (Recurse)
    for (TTreeNode* n : List) SortSiblings(n->FChildren, true);
  Invalidate();
}

bool TCustomTreeView::AlphaSort(bool Recurse) {
  SortSiblings(FNodes->FRoots, Recurse);
  return true;
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) {
  THitTests h = GetHitTestInfoAt(X, Y);
  if (h.Contains(htOnItem) || (FRowSelect && (h.Contains(htOnRight) || h.Contains(htOnIndent)))) {
    TTreeNode* n = TopItem();
    for (int i = 0; n && i < Y / ItemHeight(); ++i) n = n->GetNextVisible();
    return n;
  }
  return nullptr;
}

THitTests TCustomTreeView::GetHitTestInfoAt(int X, int Y) {
  RECT cr = ClientRect();
  THitTests r;
  if (Y < 0) r += htAbove;
  if (Y >= cr.bottom) r += htBelow;
  if (X < 0) r += htToLeft;
  if (X >= cr.right) r += htToRight;
  if (!r.Empty()) return r;
  TTreeNode* n = TopItem();
  for (int i = 0; n && i < Y / ItemHeight(); ++i) n = n->GetNextVisible();
  if (!n) return THitTests{htNowhere};
  int left = NodeLeft(n);
  if (X < left) {
    int col = n->Level() + (FShowRoot ? 1 : 0) - 1;
    int cx = 2 + col * FIndent + FIndent / 2;
    if (col >= 0 && FShowButtons && n->HasChildren() && X >= cx - 6 && X <= cx + 6) return THitTests{htOnButton};
    return THitTests{htOnIndent};
  }
  int x = left;
  if (FStateImages && n->FStateIndex >= 0) {
    if (X < x + FStateImages->Width()) return THitTests{htOnItem, htOnStateIcon};
    x += FStateImages->Width();
  }
  if (FImages) {
    if (X < x + FImages->Width() + 2) return THitTests{htOnItem, htOnIcon};
    x += FImages->Width() + 2;
  }
  RECT t = n->DisplayRect(true);
  if (X < t.right) return THitTests{htOnItem, htOnLabel};
  return THitTests{htOnRight};
}

void TCustomTreeView::Paint() {
  HDC dc = Canvas()->Handle();
  RECT cr = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(cr);
  int h = ItemHeight();
  COLORREF lineColor = GetSysColor(COLOR_BTNSHADOW);
  auto dotsV = [&](int x, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
      if ((x + y) % 2 == 0) SetPixelV(dc, x, y, lineColor);
  };
  auto dotsH = [&](int x0, int x1, int y) {
    for (int x = x0; x < x1; ++x)
      if ((x + y) % 2 == 0) SetPixelV(dc, x, y, lineColor);
  };
  int y = 0;
  for (TTreeNode* n = TopItem(); n && y < cr.bottom; n = n->GetNextVisible(), y += h) {
    int col = n->Level() + (FShowRoot ? 1 : 0) - 1;  // column of the node's button, -1: none
    int mid = y + h / 2;
    if (FShowLines) {
      if (col >= 0) {
        int cx = 2 + col * FIndent + FIndent / 2;
        bool above = n->getPrevSibling() || n->Parent();
        dotsV(cx, above ? y : mid, n->getNextSibling() ? y + h : mid + 1);
        dotsH(cx, 2 + (col + 1) * FIndent, mid);
      }
      // The lines of the ancestors that have siblings further down.
      int acol = col - 1;
      for (TTreeNode* a = n->Parent(); a && acol >= 0; a = a->Parent(), --acol)
        if (a->getNextSibling()) dotsV(2 + acol * FIndent + FIndent / 2, y, y + h);
    }
    if (col >= 0 && FShowButtons && n->HasChildren()) {
      int cx = 2 + col * FIndent + FIndent / 2;
      RECT b{cx - 4, mid - 4, cx + 5, mid + 5};
      FillRect(dc, &b, GetSysColorBrush(COLOR_WINDOW));
      FrameRect(dc, &b, GetSysColorBrush(COLOR_BTNSHADOW));
      RECT hl{cx - 2, mid, cx + 3, mid + 1};
      FillRect(dc, &hl, GetSysColorBrush(COLOR_WINDOWTEXT));
      if (!n->FExpanded) {
        RECT vl{cx, mid - 2, cx + 1, mid + 3};
        FillRect(dc, &vl, GetSysColorBrush(COLOR_WINDOWTEXT));
      }
    }
    int x = NodeLeft(n);
    if (FStateImages && n->FStateIndex >= 0) {
      if (n->FStateIndex < FStateImages->Count())
        FStateImages->Draw(Canvas(), x, y + (h - FStateImages->Height()) / 2, n->FStateIndex);
      x += FStateImages->Width();
    }
    bool sel = n == FSelected;
    if (FImages) {
      if (OnGetImageIndex) OnGetImageIndex(this, n);
      if (sel && OnGetSelectedIndex) OnGetSelectedIndex(this, n);
      int idx = sel && n->FSelectedIndex >= 0 ? n->FSelectedIndex : n->FImageIndex;
      if (idx >= 0 && idx < FImages->Count())
        FImages->Draw(Canvas(), x, y + (h - FImages->Height()) / 2, idx, !n->FCut);
      x += FImages->Width() + 2;
    }
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    SIZE sz{0, 0};
    GetTextExtentPoint32(dc, n->FText.c_str(), static_cast<int>(n->FText.size()), &sz);
    RECT t{x, y, x + sz.cx + 4, y + h};
    if (FRowSelect) t.right = cr.right;
    bool focused = Focused();
    bool hilite = n->FDropTarget || (sel && (focused || !FHideSelection));
    COLORREF text = ColorToRGB(Enabled() ? Font()->Color() : clGrayText);
    if (hilite) {
      bool active = focused || n->FDropTarget;
      FillRect(dc, &t, GetSysColorBrush(active ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
      if (active) text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT tt = t;
    tt.left += 2;
    DrawText(dc, n->FText.c_str(), -1, &tt, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    if (sel && focused) DrawFocusRect(dc, &t);
  }
}

void TCustomTreeView::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SIZE:
      TCustomControl::WndProc(M);
      UpdateScroll();
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (CanFocus() && !Focused()) SetFocus();
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      THitTests hit = GetHitTestInfoAt(x, y);
      TTreeNode* n = TopItem();
      for (int i = 0; n && i < y / ItemHeight(); ++i) n = n->GetNextVisible();
      if (M.Msg == WM_RBUTTONDOWN) {
        if (FRightClickSelect && (n = GetNodeAt(x, y))) SetSelected(n);
      } else if (hit.Contains(htOnButton) && n) {
        n->SetExpanded(!n->Expanded());
      } else if ((n = GetNodeAt(x, y))) {
        SetSelected(n);
        if (M.Msg == WM_LBUTTONDBLCLK && n == FSelected) n->SetExpanded(!n->Expanded());
      }
      TCustomControl::WndProc(M);
      return;
    }
    case WM_KEYDOWN: {
      if (DoKeyDown(M)) return;
      TTreeNode* s = FSelected;
      TTreeNode* to = s;
      std::vector<TTreeNode*> rows = VisibleNodes();
      if (rows.empty()) { TCustomControl::WndProc(M); return; }
      int row = s ? RowOf(s) : -1;
      int last = static_cast<int>(rows.size()) - 1;
      switch (M.WParam) {
        case VK_UP: to = s ? (s->GetPrevVisible() ? s->GetPrevVisible() : s) : rows.front(); break;
        case VK_DOWN: to = s ? (s->GetNextVisible() ? s->GetNextVisible() : s) : rows.front(); break;
        case VK_HOME: to = rows.front(); break;
        case VK_END: to = rows.back(); break;
        case VK_PRIOR: to = rows[static_cast<size_t>(std::max(0, row - VisibleRows() + 1))]; break;
        case VK_NEXT: to = rows[static_cast<size_t>(std::min(last, std::max(0, row) + VisibleRows() - 1))]; break;
        case VK_LEFT:
          if (s && s->Expanded()) s->Collapse(false);
          else if (s && s->Parent()) to = s->Parent();
          break;
        case VK_RIGHT:
          if (s && !s->Expanded() && s->HasChildren()) s->Expand(false);
          else if (s && s->Expanded()) to = s->getFirstChild();
          break;
        case VK_ADD: if (s) s->Expand(false); break;
        case VK_SUBTRACT: if (s) s->Collapse(false); break;
        case VK_MULTIPLY: if (s) s->Expand(true); break;
        default: TCustomControl::WndProc(M); return;
      }
      if (to && to != FSelected) SetSelected(to);
      return;
    }
    case WM_VSCROLL: {
      int top = FTopRow;
      switch (LOWORD(M.WParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= VisibleRows(); break;
        case SB_PAGEDOWN: top += VisibleRows(); break;
        case SB_THUMBTRACK: case SB_THUMBPOSITION: top = HIWORD(M.WParam); break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = static_cast<int>(VisibleNodes().size()); break;
        default: return;
      }
      FTopRow = top;
      UpdateScroll();
      Invalidate();
      return;
    }
    case WM_MOUSEWHEEL:
      if (!DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), GET_WHEEL_DELTA_WPARAM(M.WParam), POINT{0, 0})) {
        FTopRow -= GET_WHEEL_DELTA_WPARAM(M.WParam) / WHEEL_DELTA * 3;
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

void TTreeView::Publish(TPublisher<TTreeView>& P) {
  P.Prop("AutoExpand", &TTreeView::AutoExpand, &TTreeView::SetAutoExpand);
  P.Prop("HideSelection", &TTreeView::HideSelection, &TTreeView::SetHideSelection).Default(true);
  P.Prop("HotTrack", &TTreeView::HotTrack, &TTreeView::SetHotTrack);
  P.Prop("Images", &TTreeView::Images, &TTreeView::SetImages);
  P.Prop("Indent", &TTreeView::Indent, &TTreeView::SetIndent).Default(19);
  P.Prop("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly);
  P.Prop("RightClickSelect", &TTreeView::RightClickSelect, &TTreeView::SetRightClickSelect);
  P.Prop("RowSelect", &TTreeView::RowSelect, &TTreeView::SetRowSelect);
  P.Prop("ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons).Default(true);
  P.Prop("ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines).Default(true);
  P.Prop("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot).Default(true);
  P.Prop("SortType", &TTreeView::SortType, &TTreeView::SetSortType).Default(stNone);
  P.Prop("StateImages", &TTreeView::StateImages, &TTreeView::SetStateImages);
  P.Event<TTVChangedEvent>("OnChange", &TTreeView::OnChange).Type("TTVChangedEvent");
  P.Event<TTVChangingEvent>("OnChanging", &TTreeView::OnChanging).Type("TTVChangingEvent");
  P.Event<TTVExpandedEvent>("OnCollapsed", &TTreeView::OnCollapsed).Type("TTVExpandedEvent");
  P.Event<TTVCollapsingEvent>("OnCollapsing", &TTreeView::OnCollapsing).Type("TTVCollapsingEvent");
  P.Event<TTVCompareEvent>("OnCompare", &TTreeView::OnCompare).Type("TTVCompareEvent");
  P.Event<TTVExpandedEvent>("OnDeletion", &TTreeView::OnDeletion).Type("TTVExpandedEvent");
  P.Event<TTVEditedEvent>("OnEdited", &TTreeView::OnEdited).Type("TTVEditedEvent");
  P.Event<TTVEditingEvent>("OnEditing", &TTreeView::OnEditing).Type("TTVEditingEvent");
  P.Event<TTVExpandedEvent>("OnExpanded", &TTreeView::OnExpanded).Type("TTVExpandedEvent");
  P.Event<TTVExpandingEvent>("OnExpanding", &TTreeView::OnExpanding).Type("TTVExpandingEvent");
  P.Event<TTVExpandedEvent>("OnGetImageIndex", &TTreeView::OnGetImageIndex).Type("TTVExpandedEvent");
  P.Event<TTVExpandedEvent>("OnGetSelectedIndex", &TTreeView::OnGetSelectedIndex).Type("TTVExpandedEvent");
}
