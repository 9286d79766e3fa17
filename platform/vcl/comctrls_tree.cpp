// The tree view: nodes, their collection, drawing, keyboard and mouse.
#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_labeledit.h"
#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TTreeView, TWinControl)

namespace {
constexpr UINT_PTR kTreeEditTimer = 0x5456;  // a second click on the selected text waits for it
}  // namespace

// ---- TTreeNode ----
TTreeNode::~TTreeNode() {
  for (TTreeNode* c : FChildren) delete c;
}

TTreeView* TTreeNode::TreeView() const { return FOwner ? FOwner->Owner() : nullptr; }

void TTreeNode::SetText(const std::string& Value) {
  FText = Value;
  FOwner->Changed();
}

TTreeNode* TTreeNode::GetNextSibling() const {
  auto& v = FOwner->ListOf(FParent);
  auto it = std::find(v.begin(), v.end(), this);
  return (it == v.end() || it + 1 == v.end()) ? nullptr : *(it + 1);
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  auto& v = FOwner->ListOf(FParent);
  auto it = std::find(v.begin(), v.end(), this);
  return (it == v.end() || it == v.begin()) ? nullptr : *(it - 1);
}

TTreeNode* TTreeNode::GetNext() const {
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (FExpanded && !FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* p = GetPrevSibling();
  if (!p) return FParent;
  while (p->FExpanded && !p->FChildren.empty()) p = p->FChildren.back();
  return p;
}

int TTreeNode::Index() const {
  auto& v = FOwner->ListOf(FParent);
  return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

int TTreeNode::Level() const {
  int l = 0;
  for (TTreeNode* p = FParent; p; p = p->FParent) ++l;
  return l;
}

void TTreeNode::SetHasChildren(bool Value) {
  FHasChildren = Value;
  FOwner->Changed();
}

void TTreeNode::SetExpanded(bool Value) {
  if (Value == FExpanded) return;
  TTreeView* tv = TreeView();
  if (Value) {
    if (tv && !tv->CanExpand(this)) return;
    if (!HasChildren()) return;
  } else if (tv && !tv->CanCollapse(this)) {
    return;
  }
  FExpanded = Value;
  if (!Value && tv && tv->Selected()) {
    // A selection hidden by the collapse moves up to this node.
    for (TTreeNode* p = tv->Selected()->FParent; p; p = p->FParent)
      if (p == this) {
        tv->SetSelected(this);
        break;
      }
  }
  if (tv) tv->Expanded(this, Value);
}

void TTreeNode::Expand(bool Recurse) {
  SetExpanded(true);
  if (Recurse)
    for (TTreeNode* c : std::vector<TTreeNode*>(FChildren)) c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  if (Recurse)
    for (TTreeNode* c : FChildren) c->Collapse(true);
  SetExpanded(false);
}

bool TTreeNode::Selected() const { return TreeView() && TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool Value) {
  if (TTreeView* tv = TreeView()) {
    if (Value) tv->SetSelected(this);
    else if (tv->Selected() == this) tv->SetSelected(nullptr);
  }
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (!p->FExpanded) return false;
  return true;
}

void TTreeNode::Delete() { FOwner->Delete(this); }

bool TTreeNode::EditText() {
  TTreeView* tv = TreeView();
  if (!tv || !tv->HandleAllocated()) return false;
  return TreeView_EditLabel(tv->Handle(), ItemId()) != nullptr;
}

void TTreeNode::EndEdit(bool Cancel) {
  TTreeView* tv = TreeView();
  if (tv && tv->FEditNode == this && tv->HandleAllocated()) TreeView_EndEditLabelNow(tv->Handle(), Cancel);
}

void TTreeNode::DeleteChildren() {
  while (!FChildren.empty()) FOwner->Delete(FChildren.back());
  FHasChildren = false;
}

void TTreeNode::SetStateIndex(int Value) {
  if (Value == FStateIndex) return;
  FStateIndex = Value;
  FOwner->Changed();
}

void TTreeNode::SetOverlayIndex(int Value) {
  if (Value == FOverlayIndex) return;
  FOverlayIndex = Value;
  FOwner->Changed();
}

void TTreeNode::SetCut(bool Value) {
  if (Value == FCut) return;
  FCut = Value;
  FOwner->Changed();
}

void TTreeNode::SetDropTarget(bool Value) {
  if (Value == FDropTarget) return;
  FDropTarget = Value;
  FOwner->Changed();
}

int TTreeNode::AbsoluteIndex() const {
  int i = 0;
  for (TTreeNode* n = FOwner->GetFirstNode(); n; n = n->GetNext(), ++i)
    if (n == this) return i;
  return -1;
}

RECT TTreeNode::DisplayRect(bool TextOnly) const {
  TTreeView* tv = TreeView();
  if (!tv) return RECT{};
  auto* self = const_cast<TTreeNode*>(this);
  return TextOnly ? tv->TextRect(self) : tv->RowRect(self);
}

bool TTreeNode::CustomSort(const TTVCompare& Compare, bool Recurse) {
  if (!Compare) return false;
  std::stable_sort(FChildren.begin(), FChildren.end(), [&](TTreeNode* a, TTreeNode* b) { return Compare(a, b) < 0; });
  if (Recurse)
    for (TTreeNode* c : FChildren) c->CustomSort(Compare, true);
  FOwner->Changed();
  return true;
}

bool TTreeNode::AlphaSort(bool Recurse) {
  return CustomSort([](TTreeNode* a, TTreeNode* b) { return AnsiCompareText(a->Text(), b->Text()); }, Recurse);
}

void TTreeNode::MakeVisible() {
  if (TTreeView* tv = TreeView()) tv->MakeVisible(this);
}

// ---- TTreeNodes ----
TTreeNodes::~TTreeNodes() {
  for (TTreeNode* n : FRoots) delete n;
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* Parent, size_t Pos, const std::string& S, void* Data) {
  auto* n = new TTreeNode(this, Parent);
  n->FText = S;
  n->FData = Data;
  auto& v = ListOf(Parent);
  v.insert(v.begin() + static_cast<ptrdiff_t>(std::min(Pos, v.size())), n);
  Changed();
  return n;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Data) {
  TTreeNode* parent = Sibling ? Sibling->Parent() : nullptr;
  return InsertAt(parent, ListOf(parent).size(), S, Data);
}
TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Data) {
  return InsertAt(Parent, ListOf(Parent).size(), S, Data);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) { return InsertAt(Parent, 0, S, nullptr); }
TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) {
  if (!Sibling) return Add(nullptr, S);
  return InsertAt(Sibling->Parent(), static_cast<size_t>(Sibling->Index()), S, nullptr);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node) return;
  while (!Node->FChildren.empty()) Delete(Node->FChildren.back());
  if (FOwner) FOwner->NodeDeleting(Node);
  auto& v = ListOf(Node->FParent);
  v.erase(std::remove(v.begin(), v.end(), Node), v.end());
  delete Node;
  Changed();
}

void TTreeNodes::Clear() {
  BeginUpdate();
  while (!FRoots.empty()) Delete(FRoots.back());
  EndUpdate();
}

int TTreeNodes::Count() const {
  int n = 0;
  for (TTreeNode* r = GetFirstNode(); r; r = r->GetNext()) ++n;
  return n;
}

TTreeNode* TTreeNodes::Item(int Index) const {
  int i = 0;
  for (TTreeNode* r = GetFirstNode(); r; r = r->GetNext())
    if (i++ == Index) return r;
  return nullptr;
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) const {
  for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext())
    if (n->ItemId() == ItemId) return n;
  return nullptr;
}

void TTreeNodes::EndUpdate() {
  if (--FUpdate <= 0) {
    FUpdate = 0;
    Changed();
  }
}

void TTreeNodes::Changed() {
  if (FUpdate == 0 && FOwner) FOwner->NodesChanged();
}

// ---- TTreeView ----
TTreeView::TTreeView(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()), FItems(std::make_unique<TTreeNodes>(this)) {
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  SetColor(clWindow);
}

TTreeView::~TTreeView() {
  if (FEditor) FEditor->Abandon();
  FEditNode = FClickNode = nullptr;
  FHotNode = FDragNode = nullptr;
  FDestroying = true;
  SetImages(nullptr);
  SetStateImages(nullptr);
  OnDeletion = nullptr;
  FSelected = FTopItem = nullptr;
  FItems.reset();
}

void TTreeView::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

std::vector<TTreeNode*> TTreeView::VisibleRows() const {
  std::vector<TTreeNode*> rows;
  for (TTreeNode* n = FItems ? FItems->GetFirstNode() : nullptr; n; n = n->GetNextVisible()) rows.push_back(n);
  return rows;
}

int TTreeView::RowsOnScreen() { return std::max(1, ClientHeight() / FItemHeight); }

void TTreeView::UpdateScroll() {
  if (!HandleAllocated()) return;
  auto rows = VisibleRows();
  int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
  if (top >= static_cast<int>(rows.size())) top = 0;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, static_cast<int>(rows.size()) - 1);
  si.nPage = static_cast<UINT>(RowsOnScreen());
  si.nPos = top;
  SetScrollInfo(FHandle, SB_VERT, &si, TRUE);
}

void TTreeView::SetTopItem(TTreeNode* Node) {
  auto rows = VisibleRows();
  int i = static_cast<int>(std::find(rows.begin(), rows.end(), Node) - rows.begin());
  if (i >= static_cast<int>(rows.size())) return;
  int maxTop = std::max(0, static_cast<int>(rows.size()) - RowsOnScreen());
  FTopItem = rows[static_cast<size_t>(std::min(i, maxTop))];
  UpdateScroll();
  Invalidate();
}

void TTreeView::MakeVisible(TTreeNode* Node) {
  for (TTreeNode* p = Node->Parent(); p; p = p->Parent()) p->SetExpanded(true);
  auto rows = VisibleRows();
  int i = static_cast<int>(std::find(rows.begin(), rows.end(), Node) - rows.begin());
  int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
  if (top >= static_cast<int>(rows.size())) top = 0;
  if (i < top) SetTopItem(Node);
  else if (i >= top + RowsOnScreen()) SetTopItem(rows[static_cast<size_t>(i - RowsOnScreen() + 1)]);
}

void TTreeView::SetSelected(TTreeNode* Node) {
  if (Node == FSelected) return;
  if (Node && !CanChange(Node)) return;
  FSelected = Node;
  if (Node) MakeVisible(Node);
  Invalidate();
  Change(Node);
}

bool TTreeView::CanChange(TTreeNode* Node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Node, allow);
  return allow;
}

void TTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

void TTreeView::Expand(TTreeNode* Node) {
  if (OnExpanded) OnExpanded(this, Node);
}

void TTreeView::Collapse(TTreeNode* Node) {
  if (OnCollapsed) OnCollapsed(this, Node);
}

void TTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion) OnDeletion(this, Node);
}

bool TTreeView::CustomDrawItem(TTreeNode* Node, TCustomDrawState State) {
  bool defaultDraw = true;
  if (OnCustomDrawItem) OnCustomDrawItem(this, Node, State, defaultDraw);
  return defaultDraw;
}

void TTreeView::BeginDragNode(TTreeNode*, TMouseButton Button) {
  if (Button == mbLeft) BeginDrag(true);
}

void TTreeView::SetImages(TImageList* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  Invalidate();
}

void TTreeView::SetStateImages(TImageList* Value) {
  if (Value == FStateImages) return;
  if (FStateImages) FStateImages->RemoveFreeNotification(this);
  FStateImages = Value;
  if (Value) Value->FreeNotification(this);
  Invalidate();
}

void TTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FStateImages) FStateImages = nullptr;
}

bool TTreeView::CustomSort(const TTVCompare& Compare, bool Recurse) {
  if (!Compare) return false;
  auto& roots = const_cast<std::vector<TTreeNode*>&>(FItems->Roots());
  std::stable_sort(roots.begin(), roots.end(), [&](TTreeNode* a, TTreeNode* b) { return Compare(a, b) < 0; });
  if (Recurse)
    for (TTreeNode* r : roots) r->CustomSort(Compare, true);
  NodesChanged();
  return true;
}

bool TTreeView::AlphaSort(bool Recurse) {
  return CustomSort([](TTreeNode* a, TTreeNode* b) { return AnsiCompareText(a->Text(), b->Text()); }, Recurse);
}

TTreeNode* TTreeView::GetNodeAt(int, int Y) {
  auto rows = VisibleRows();
  int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
  if (top >= static_cast<int>(rows.size())) top = 0;
  if (Y < 0) return nullptr;
  size_t i = static_cast<size_t>(top + Y / FItemHeight);
  return i < rows.size() ? rows[i] : nullptr;
}

void TTreeView::SetIndent(int Value) {
  FIndent = std::max(1, Value);
  Invalidate();
}

void TTreeView::FullExpand() {
  for (TTreeNode* r : std::vector<TTreeNode*>(FItems->Roots())) r->Expand(true);
}

void TTreeView::FullCollapse() {
  for (TTreeNode* r : FItems->Roots()) r->Collapse(true);
}

bool TTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}

bool TTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}

void TTreeView::Expanded(TTreeNode* Node, bool Value) {
  if (Value) Expand(Node);
  else Collapse(Node);
  NodesChanged();
}

void TTreeView::NodeDeleting(TTreeNode* Node) {
  if (FDestroying) return;
  if (FClickNode == Node) FClickNode = nullptr;
  if (FHotNode == Node) FHotNode = nullptr;
  if (FDragNode == Node) FDragNode = nullptr;
  if (FEditNode == Node) {
    // The node goes while its text is edited: the edit ends without a word.
    FEditNode = nullptr;
    if (FEditor) FEditor->Finish(false);
  }
  Delete(Node);
  if (FTopItem == Node) FTopItem = nullptr;
  if (FSelected == Node) {
    // The selection moves to a neighbour, as the original does.
    TTreeNode* next = Node->GetNextSibling() ? Node->GetNextSibling() : Node->GetPrevSibling() ? Node->GetPrevSibling() : Node->Parent();
    FSelected = nullptr;
    if (next) SetSelected(next);
    else Change(nullptr);
  }
}

void TTreeView::NodesChanged() {
  if (FDestroying) return;
  auto rows = VisibleRows();
  if (FTopItem && std::find(rows.begin(), rows.end(), FTopItem) == rows.end()) FTopItem = nullptr;
  UpdateScroll();
  Invalidate();
}

// ---- Editing node texts ----
bool TTreeView::IsEditing() const { return FEditor && FEditor->Active(); }

bool TTreeView::CanEdit(TTreeNode* Node) {
  if (FReadOnly) return false;
  bool allow = true;
  if (OnEditing) OnEditing(this, Node, allow);
  return allow;
}

void TTreeView::Edit(TTreeNode* Node, std::string S) {
  if (OnEdited) OnEdited(this, Node, S);
  Node->SetText(S);
}

// Opens the box on Node's text (its parents expanded, scrolled into view); answers the box's
// window, or null when refused.
HWND TTreeView::StartEdit(TTreeNode* Node) {
  if (!Node || !HandleAllocated()) return nullptr;
  if (IsEditing()) FEditor->Finish(true);  // one edit at a time; this may delete nodes
  if (!FItems->GetNode(Node->ItemId()) || !CanEdit(Node) || !FItems->GetNode(Node->ItemId())) return nullptr;
  MakeVisible(Node);
  if (!FEditor) {
    FEditor = new TLabelEditor(this);
    FEditor->OnDone = [this](bool Accept, const std::string& Text) { EditDone(Accept, Text); };
  }
  FEditNode = Node;
  RECT r = TextRect(Node);
  r.right = std::max(r.right + 16, r.left + 60);
  FEditor->Open(r, Node->Text());
  return FEditor->Handle();
}

void TTreeView::EditDone(bool Accept, const std::string& Text) {
  TTreeNode* n = FEditNode;
  FEditNode = nullptr;
  Invalidate();
  if (!n) return;
  if (Accept) Edit(n, Text);
  else if (OnCancelEdit) OnCancelEdit(this, n);
}

RECT TTreeView::TextRect(TTreeNode* Node) {
  auto rows = VisibleRows();
  int i = static_cast<int>(std::find(rows.begin(), rows.end(), Node) - rows.begin());
  int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
  if (top >= static_cast<int>(rows.size())) top = 0;
  if (i >= static_cast<int>(rows.size())) return RECT{};
  int y = (i - top) * FItemHeight;
  int x = TextLeft(Node) - 2;
  SIZE sz{0, 0};
  HDC dc = GetDC(HandleAllocated() ? FHandle : nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  GetTextExtentPoint32(dc, Node->Text().c_str(), static_cast<int>(Node->Text().size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(HandleAllocated() ? FHandle : nullptr, dc);
  return RECT{x + 2, y, x + 6 + sz.cx, y + FItemHeight};
}

int TTreeView::TextLeft(TTreeNode* Node) const {
  int x = (FShowRoot ? FIndent : 0) + Node->Level() * FIndent;
  if (FStateImages && Node->StateIndex() > 0) x += FStateImages->Width();
  if (FImages) x += FImages->Width() + 1;
  return x + 2;
}

RECT TTreeView::RowRect(TTreeNode* Node) {
  auto rows = VisibleRows();
  int i = static_cast<int>(std::find(rows.begin(), rows.end(), Node) - rows.begin());
  int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
  if (top >= static_cast<int>(rows.size())) top = 0;
  if (i >= static_cast<int>(rows.size())) return RECT{};
  return RECT{0, (i - top) * FItemHeight, ClientWidth(), (i - top + 1) * FItemHeight};
}

// The state image at X, then the image (the selected one when selected), faded when cut, with
// its overlay.
void TTreeView::DrawNodeImages(HDC DC, TTreeNode* Node, int X, int Y, bool Selected) {
  FCanvas->SetHandle(DC);
  if (FStateImages && Node->StateIndex() > 0) {
    if (Node->StateIndex() < FStateImages->Count())
      FStateImages->Draw(FCanvas.get(), X, Y + (FItemHeight - FStateImages->Height()) / 2, Node->StateIndex());
    X += FStateImages->Width();
  }
  if (FImages) {
    int index = Selected && Node->SelectedIndex() >= 0 ? Node->SelectedIndex() : Node->ImageIndex();
    int y = Y + (FItemHeight - FImages->Height()) / 2;
    if (index >= 0 && index < FImages->Count()) {
      FImages->Draw(FCanvas.get(), X, y, index);
      int overlay = Node->OverlayIndex() >= 0 ? FImages->OverlayImage(Node->OverlayIndex()) : -1;
      if (overlay >= 0 && overlay < FImages->Count()) FImages->Draw(FCanvas.get(), X, y, overlay);
      if (Node->Cut()) {
        // Half of the window colour over the image.
        HDC mem = CreateCompatibleDC(DC);
        void* bits = nullptr;
        HBITMAP bm = CreateDIB32(FImages->Width(), FImages->Height(), &bits);
        HGDIOBJ old = SelectObject(mem, bm);
        HBRUSH b = CreateSolidBrush(ColorToRGB(Color()));
        RECT r{0, 0, FImages->Width(), FImages->Height()};
        FillRect(mem, &r, b);
        DeleteObject(b);
        BLENDFUNCTION bf{AC_SRC_OVER, 0, 128, 0};
        AlphaBlend(DC, X, y, FImages->Width(), FImages->Height(), mem, 0, 0, FImages->Width(), FImages->Height(), bf);
        SelectObject(mem, old);
        DeleteObject(bm);
        DeleteDC(mem);
      }
    }
  }
  FCanvas->SetHandle(nullptr);
}

void TTreeView::PaintWindow(HDC DC) {
  auto rows = VisibleRows();
  size_t top = static_cast<size_t>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
  if (top >= rows.size()) top = 0;
  HGDIOBJ old = SelectObject(DC, Font()->Handle());
  SetBkMode(DC, TRANSPARENT);
  HPEN dots = CreatePen(PS_DOT, 1, GetSysColor(COLOR_GRAYTEXT));
  HGDIOBJ oldPen = SelectObject(DC, dots);
  int base = FShowRoot ? FIndent : 0;
  for (size_t i = top; i < rows.size(); ++i) {
    int y = static_cast<int>(i - top) * FItemHeight;
    if (y > ClientHeight()) break;
    TTreeNode* n = rows[i];
    int x = base + n->Level() * FIndent;
    int cy = y + FItemHeight / 2;
    if (FShowLines && (n->Level() > 0 || FShowRoot)) {
      MoveToEx(DC, x - FIndent / 2, cy, nullptr);
      LineTo(DC, x, cy);
      MoveToEx(DC, x - FIndent / 2, y, nullptr);
      LineTo(DC, x - FIndent / 2, n->GetNextSibling() ? y + FItemHeight : cy);
    }
    if (FShowButtons && n->HasChildren() && (n->Level() > 0 || FShowRoot)) {
      RECT b{x - FIndent / 2 - 4, cy - 4, x - FIndent / 2 + 5, cy + 5};
      FillRect(DC, &b, GetSysColorBrush(COLOR_WINDOW));
      FrameRect(DC, &b, GetSysColorBrush(COLOR_GRAYTEXT));
      RECT h{b.left + 2, cy, b.right - 2, cy + 1};
      FillRect(DC, &h, GetSysColorBrush(COLOR_WINDOWTEXT));
      if (!n->Expanded()) {
        RECT v{x - FIndent / 2, b.top + 2, x - FIndent / 2 + 1, b.bottom - 2};
        FillRect(DC, &v, GetSysColorBrush(COLOR_WINDOWTEXT));
      }
    }
    bool sel = n == FSelected && (Focused() || !FHideSelection);
    bool drop = n->DropTarget();
    TColor textColor = Font()->Color();
    if (IsCustomDrawn()) {
      // The handler sees the canvas the node is drawn with and may change its font colour.
      FCanvas->SetHandle(DC);
      FCanvas->Font()->Assign(Font());
      TCustomDrawState st;
      if (n == FSelected) st += cdsSelected;
      if (n == FSelected && Focused()) st += cdsFocused;
      if (n == FHotNode) st += cdsHot;
      bool draw = CustomDrawItem(n, st);
      textColor = FCanvas->Font()->Color();
      FCanvas->SetHandle(nullptr);
      SelectObject(DC, Font()->Handle());
      SelectObject(DC, dots);
      if (!draw) continue;
    }
    DrawNodeImages(DC, n, x, y, n == FSelected);
    SelectObject(DC, Font()->Handle());
    int tx = TextLeft(n);
    SIZE sz{0, 0};
    GetTextExtentPoint32(DC, n->Text().c_str(), static_cast<int>(n->Text().size()), &sz);
    RECT t{tx, y, tx + 4 + sz.cx, y + FItemHeight};
    bool lit = drop || (sel && Focused());
    if (sel || drop) FillRect(DC, &t, GetSysColorBrush(lit ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    COLORREF tc = ColorToRGB(textColor);
    if (lit) tc = GetSysColor(COLOR_HIGHLIGHTTEXT);
    else if (FHotTrack && n == FHotNode) tc = GetSysColor(COLOR_HOTLIGHT);
    SetTextColor(DC, tc);
    RECT tt = t;
    tt.left += 2;
    DrawText(DC, n->Text().c_str(), -1, &tt, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (FHotTrack && n == FHotNode && !lit) {
      RECT u{tt.left, y + FItemHeight / 2 + sz.cy / 2, tt.left + sz.cx, y + FItemHeight / 2 + sz.cy / 2 + 1};
      HBRUSH ub = CreateSolidBrush(tc);
      FillRect(DC, &u, ub);
      DeleteObject(ub);
    }
    if (sel && Focused() && !drop) DrawFocusRect(DC, &t);
  }
  SelectObject(DC, oldPen);
  DeleteObject(dots);
  SelectObject(DC, old);
}

void TTreeView::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SIZE:
      TWinControl::WndProc(M);
      UpdateScroll();
      return;
    case TVM_EDITLABEL:
      M.Result = reinterpret_cast<LRESULT>(StartEdit(FItems->GetNode(reinterpret_cast<HTREEITEM>(M.LParam))));
      return;
    case TVM_ENDEDITLABELNOW:
      M.Result = IsEditing();
      if (FEditor) FEditor->Finish(M.WParam == 0);
      return;
    case TVM_GETEDITCONTROL:
      M.Result = IsEditing() ? reinterpret_cast<LRESULT>(FEditor->Handle()) : 0;
      return;
    case WM_TIMER:
      if (M.WParam == kTreeEditTimer) {
        KillTimer(FHandle, kTreeEditTimer);
        TTreeNode* n = FClickNode;
        FClickNode = nullptr;
        if (n && n == FSelected) StartEdit(n);
        return;
      }
      break;
    case WM_MOUSEMOVE: {
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      if (FHotTrack) {
        TTreeNode* hot = GetNodeAt(x, y);
        if (hot != FHotNode) {
          FHotNode = hot;
          TRACKMOUSEEVENT tme;
          tme.dwFlags = TME_LEAVE;
          tme.hwndTrack = FHandle;
          TrackMouseEvent(&tme);
          Invalidate();
        }
      }
      if (FDragNode) {
        WPARAM need = FDragButton == mbLeft ? MK_LBUTTON : MK_RBUTTON;
        int t = GetSystemMetrics(SM_CXDRAG);
        if (!(M.WParam & need)) {
          FDragNode = nullptr;
        } else if (std::abs(x - FDragStart.x) >= t || std::abs(y - FDragStart.y) >= t) {
          TTreeNode* n = FDragNode;
          FDragNode = nullptr;
          // A press that turns into a drag is not the first half of a slow click: the label
          // edit it may have armed is dropped, or it would open in the middle of the drag.
          KillTimer(FHandle, kTreeEditTimer);
          FClickNode = nullptr;
          if (DragMode() == dmAutomatic) BeginDragNode(n, FDragButton);
        }
      }
      break;
    }
    case WM_MOUSELEAVE:
      if (FHotNode) {
        FHotNode = nullptr;
        Invalidate();
      }
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      FDragNode = nullptr;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const bool wasFocused = Focused();
      if (CanFocus() && !Focused()) SetFocus();
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      KillTimer(FHandle, kTreeEditTimer);
      FClickNode = nullptr;
      // A plain click on the text of the selected node, while the tree has the focus, edits it
      // once the double-click time has passed without a second click.
      if (TTreeNode* n = GetNodeAt(x, y); n && M.Msg == WM_LBUTTONDOWN && wasFocused && !FReadOnly && n == FSelected &&
                                           !(M.WParam & (MK_SHIFT | MK_CONTROL))) {
        RECT t = TextRect(n);
        if (PtInRect(&t, POINT{x, y})) {
          FClickNode = n;
          SetTimer(FHandle, kTreeEditTimer, GetDoubleClickTime(), nullptr);
        }
      }
      if (TTreeNode* n = GetNodeAt(x, y)) {
        int bx = (FShowRoot ? FIndent : 0) + n->Level() * FIndent - FIndent / 2;
        bool onButton = n->HasChildren() && std::abs(x - bx) <= 6;
        if (M.Msg == WM_LBUTTONDBLCLK || (onButton && M.Msg == WM_LBUTTONDOWN)) n->SetExpanded(!n->Expanded());
        if (!onButton && (M.Msg != WM_RBUTTONDOWN || FRightClickSelect)) SetSelected(n);
        if (!onButton && M.Msg != WM_LBUTTONDBLCLK && FItems->GetNode(n->ItemId())) {
          FDragNode = n;
          FDragStart = POINT{x, y};
          FDragButton = M.Msg == WM_RBUTTONDOWN ? mbRight : mbLeft;
        }
      }
      // A drag starts from the node once the mouse moves (BeginDragNode), not at the press.
      if (DragMode() == dmAutomatic) {
        SetDragMode(dmManual);
        TWinControl::WndProc(M);
        SetDragMode(dmAutomatic);
        return;
      }
      break;
    }
    case WM_KEYDOWN: {
      if (DoKeyDown(M)) return;
      TTreeNode* s = FSelected;
      auto rows = VisibleRows();
      if (rows.empty()) break;
      switch (M.WParam) {
        case VK_UP: SetSelected(s ? (s->GetPrevVisible() ? s->GetPrevVisible() : s) : rows.front()); return;
        case VK_DOWN: SetSelected(s ? (s->GetNextVisible() ? s->GetNextVisible() : s) : rows.front()); return;
        case VK_HOME: SetSelected(rows.front()); return;
        case VK_END: SetSelected(rows.back()); return;
        case VK_RIGHT:
          if (s && s->HasChildren()) {
            if (!s->Expanded()) s->SetExpanded(true);
            else if (s->GetFirstChild()) SetSelected(s->GetFirstChild());
          }
          return;
        case VK_LEFT:
          if (s) {
            if (s->Expanded()) s->SetExpanded(false);
            else if (s->Parent()) SetSelected(s->Parent());
          }
          return;
        case VK_F2: if (s) StartEdit(s); return;
        case VK_ADD: if (s) s->SetExpanded(true); return;
        case VK_SUBTRACT: if (s) s->SetExpanded(false); return;
      }
      break;
    }
    case WM_VSCROLL: {
      if (IsEditing()) FEditor->Finish(true);  // the box would no longer sit on its node
      auto rows = VisibleRows();
      if (rows.empty()) return;
      int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
      if (top >= static_cast<int>(rows.size())) top = 0;
      switch (LOWORD(M.WParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= RowsOnScreen(); break;
        case SB_PAGEDOWN: top += RowsOnScreen(); break;
        case SB_THUMBTRACK: case SB_THUMBPOSITION: top = HIWORD(M.WParam); break;
        default: return;
      }
      top = std::clamp(top, 0, static_cast<int>(rows.size()) - 1);
      SetTopItem(rows[static_cast<size_t>(top)]);
      return;
    }
    case WM_MOUSEWHEEL: {
      // Unless an OnMouseWheel handler took it, each notch scrolls three rows.
      const int delta = GET_WHEEL_DELTA_WPARAM(M.WParam);
      M.Result = 1;
      if (DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), delta, POINT{0, 0})) return;
      if (IsEditing()) FEditor->Finish(true);
      auto rows = VisibleRows();
      if (rows.empty()) return;
      int top = static_cast<int>(std::find(rows.begin(), rows.end(), FTopItem) - rows.begin());
      if (top >= static_cast<int>(rows.size())) top = 0;
      top = std::clamp(top - delta / WHEEL_DELTA * 3, 0, static_cast<int>(rows.size()) - 1);
      SetTopItem(rows[static_cast<size_t>(top)]);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TWinControl::WndProc(M);
}

void TTreeView::Publish(TPublisher<TTreeView>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("HideSelection", &TTreeView::HideSelection, &TTreeView::SetHideSelection).Default(true);
  P.Prop("HotTrack", &TTreeView::HotTrack, &TTreeView::SetHotTrack).Default(false);
  P.Prop("Images", &TTreeView::Images, &TTreeView::SetImages);
  P.Prop("Indent", &TTreeView::Indent, &TTreeView::SetIndent).Default(19);
  P.Prop("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly).Default(false);
  P.Prop("RightClickSelect", &TTreeView::RightClickSelect, &TTreeView::SetRightClickSelect).Default(false);
  P.Prop("ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons).Default(true);
  P.Prop("ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines).Default(true);
  P.Prop("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot).Default(true);
  P.Prop("StateImages", &TTreeView::StateImages, &TTreeView::SetStateImages);
  P.Event("OnCancelEdit", &TTreeView::OnCancelEdit).Type("TTVChangedEvent");
  P.Event("OnChange", &TTreeView::OnChange).Type("TTVChangedEvent");
  P.Event("OnChanging", &TTreeView::OnChanging).Type("TTVChangingEvent");
  P.Event("OnCollapsed", &TTreeView::OnCollapsed).Type("TTVExpandedEvent");
  P.Event("OnCollapsing", &TTreeView::OnCollapsing).Type("TTVCollapsingEvent");
  P.Event("OnCustomDrawItem", &TTreeView::OnCustomDrawItem).Type("TTVCustomDrawItemEvent");
  P.Event("OnDeletion", &TTreeView::OnDeletion).Type("TTVExpandedEvent");
  P.Event("OnEdited", &TTreeView::OnEdited).Type("TTVEditedEvent");
  P.Event("OnEditing", &TTreeView::OnEditing).Type("TTVEditingEvent");
  P.Event("OnExpanded", &TTreeView::OnExpanded).Type("TTVExpandedEvent");
  P.Event("OnExpanding", &TTreeView::OnExpanding).Type("TTVExpandingEvent");
  P.Event("OnGetImageIndex", &TTreeView::OnGetImageIndex).Type("TTVExpandedEvent");
  P.Event("OnGetSelectedIndex", &TTreeView::OnGetSelectedIndex).Type("TTVExpandedEvent");
}
