// The tree view: nodes, their collection, drawing, keyboard and mouse.
#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_labeledit.h"

ORV_CLASS_IMPL(TTreeView, TWinControl)

namespace {
constexpr UINT_PTR kEditTimer = 0x5456;  // a second click on the selected text waits for it
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
TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TTreeNodes>(this)) {
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  SetColor(clWindow);
}

TTreeView::~TTreeView() {
  if (FEditor) FEditor->Abandon();
  FEditNode = FClickNode = nullptr;
  FDestroying = true;
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
  bool allow = true;
  if (OnChanging && Node) OnChanging(this, Node, allow);
  if (!allow) return;
  FSelected = Node;
  if (Node) MakeVisible(Node);
  Invalidate();
  if (OnChange) OnChange(this, Node);
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
  if (Value && OnExpanded) OnExpanded(this, Node);
  if (!Value && OnCollapsed) OnCollapsed(this, Node);
  NodesChanged();
}

void TTreeView::NodeDeleting(TTreeNode* Node) {
  if (FDestroying) return;
  if (FClickNode == Node) FClickNode = nullptr;
  if (FEditNode == Node) {
    // The node goes while its text is edited: the edit ends without a word.
    FEditNode = nullptr;
    if (FEditor) FEditor->Finish(false);
  }
  if (OnDeletion) OnDeletion(this, Node);
  if (FTopItem == Node) FTopItem = nullptr;
  if (FSelected == Node) {
    // The selection moves to a neighbour, as the original does.
    TTreeNode* next = Node->GetNextSibling() ? Node->GetNextSibling() : Node->GetPrevSibling() ? Node->GetPrevSibling() : Node->Parent();
    FSelected = nullptr;
    if (next) SetSelected(next);
    else if (OnChange) OnChange(this, nullptr);
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
  int x = (FShowRoot ? FIndent : 0) + Node->Level() * FIndent;
  SIZE sz{0, 0};
  HDC dc = GetDC(HandleAllocated() ? FHandle : nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  GetTextExtentPoint32(dc, Node->Text().c_str(), static_cast<int>(Node->Text().size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(HandleAllocated() ? FHandle : nullptr, dc);
  return RECT{x + 2, y, x + 6 + sz.cx, y + FItemHeight};
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
    SIZE sz{0, 0};
    GetTextExtentPoint32(DC, n->Text().c_str(), static_cast<int>(n->Text().size()), &sz);
    RECT t{x + 2, y, x + 6 + sz.cx, y + FItemHeight};
    bool sel = n == FSelected && (Focused() || !FHideSelection);
    if (sel) FillRect(DC, &t, GetSysColorBrush(Focused() ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    SetTextColor(DC, sel && Focused() ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font()->Color()));
    RECT tt = t;
    tt.left += 2;
    DrawText(DC, n->Text().c_str(), -1, &tt, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (sel && Focused()) DrawFocusRect(DC, &t);
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
      if (M.WParam == kEditTimer) {
        KillTimer(FHandle, kEditTimer);
        TTreeNode* n = FClickNode;
        FClickNode = nullptr;
        if (n && n == FSelected) StartEdit(n);
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
      FClickNode = nullptr;
      // A plain click on the text of the selected node, while the tree has the focus, edits it
      // once the double-click time has passed without a second click.
      if (TTreeNode* n = GetNodeAt(x, y); n && M.Msg == WM_LBUTTONDOWN && wasFocused && !FReadOnly && n == FSelected &&
                                           !(M.WParam & (MK_SHIFT | MK_CONTROL))) {
        RECT t = TextRect(n);
        if (PtInRect(&t, POINT{x, y})) {
          FClickNode = n;
          SetTimer(FHandle, kEditTimer, GetDoubleClickTime(), nullptr);
        }
      }
      if (TTreeNode* n = GetNodeAt(x, y)) {
        int bx = (FShowRoot ? FIndent : 0) + n->Level() * FIndent - FIndent / 2;
        bool onButton = n->HasChildren() && std::abs(x - bx) <= 6;
        if (M.Msg == WM_LBUTTONDBLCLK || (onButton && M.Msg == WM_LBUTTONDOWN)) n->SetExpanded(!n->Expanded());
        if (!onButton && (M.Msg != WM_RBUTTONDOWN || FRightClickSelect)) SetSelected(n);
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
  P.Prop("Indent", &TTreeView::Indent, &TTreeView::SetIndent).Default(19);
  P.Prop("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly).Default(false);
  P.Prop("RightClickSelect", &TTreeView::RightClickSelect, &TTreeView::SetRightClickSelect).Default(false);
  P.Prop("ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons).Default(true);
  P.Prop("ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines).Default(true);
  P.Prop("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot).Default(true);
  P.Event("OnCancelEdit", &TTreeView::OnCancelEdit).Type("TTVChangedEvent");
  P.Event("OnChange", &TTreeView::OnChange).Type("TTVChangedEvent");
  P.Event("OnChanging", &TTreeView::OnChanging).Type("TTVChangingEvent");
  P.Event("OnCollapsed", &TTreeView::OnCollapsed).Type("TTVExpandedEvent");
  P.Event("OnCollapsing", &TTreeView::OnCollapsing).Type("TTVCollapsingEvent");
  P.Event("OnDeletion", &TTreeView::OnDeletion).Type("TTVExpandedEvent");
  P.Event("OnEdited", &TTreeView::OnEdited).Type("TTVEditedEvent");
  P.Event("OnEditing", &TTreeView::OnEditing).Type("TTVEditingEvent");
  P.Event("OnExpanded", &TTreeView::OnExpanded).Type("TTVExpandedEvent");
  P.Event("OnExpanding", &TTreeView::OnExpanding).Type("TTVExpandingEvent");
  P.Event("OnGetImageIndex", &TTreeView::OnGetImageIndex).Type("TTVExpandedEvent");
  P.Event("OnGetSelectedIndex", &TTreeView::OnGetSelectedIndex).Type("TTVExpandedEvent");
}
