// ShellControls: what the folder tree does with its nodes: the shell's context menu and verbs,
// keys, mouse, in-place rename, check boxes, OLE drag and drop in both directions (and files
// dropped from the desktop), and the reports of OnOperation.
#include <algorithm>

#include "controls/shellcontrols.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

ORV_CLASS_IMPL(TNavSelectionStateImageList, TImageList)

namespace {

// The flag a paste adds: 1 (move) when the first file is gone from where it was, else 0.
TNavShellOperations PasteFlags(TStrings* List, bool NoListCountsAsCopy) {
  TNavShellOperations f{noPaste, noInserted};
  if (!List) {
    if (NoListCountsAsCopy) f += noCopy;
  } else if (List->Count() == 0 || FileExists(List->Strings(0))) {
    f += noCopy;
  } else {
    f += noMove;
  }
  return f;
}

}  // namespace

// ---- State images ----
TNavSelectionStateImageList::TNavSelectionStateImageList(TComponent* AOwner) : TImageList(AOwner) {
  SetWidth(16);
  SetHeight(16);
  TBitmap bm;
  bm.SetPixelFormat(pf32bit);
  bm.SetSize(16, 16);
  // Image 0 ("TNAVSELECTIONSTATE_DUMMY") is never shown: state index 0 means no state image.
  bm.Canvas()->Brush()->SetColor(clWhite);
  bm.Canvas()->FillRect(RECT{0, 0, 16, 16});
  AddMasked(&bm, clWhite);
  const UINT states[] = {DFCS_BUTTONCHECK | DFCS_INACTIVE, DFCS_BUTTONCHECK | DFCS_CHECKED,
                         DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE};
  for (UINT s : states) {
    bm.Canvas()->Brush()->SetColor(clWhite);
    bm.Canvas()->FillRect(RECT{0, 0, 16, 16});
    RECT r{2, 2, 15, 15};
    DrawFrameControl(bm.Canvas()->Handle(), &r, DFC_BUTTON, s);
    Add(&bm, nullptr);
  }
}

// ---- Lists for the reports ----
TStringList* TNavShellTree::ClipboardList() {
  size_t n = 0;
  if (!GetClipboardBytes(CF_HDROP, nullptr, &n)) return nullptr;
  auto* l = new TStringList();
  for (const auto& f : GetClipboardFiles()) l->Add(f);
  return l;
}

TStringList* TNavShellTree::OneEntry(const std::string& Text) {
  auto* l = new TStringList();
  l->Add(Text);
  return l;
}

void TNavShellTree::DoOperation(TNavShellOperations Flags, TStrings* Files,
                                const std::string& Destination) {
  std::unique_ptr<TStrings> owned(Files);
  if (OnOperation && Files && Files->Count() > 0) OnOperation(this, Flags, Files, Destination);
}

// ---- Verbs and the context menu ----
void TNavShellTree::StartEdit(TObject*) {
  if (TTreeNode* n = Selected()) n->EditText();
}

bool TNavShellTree::ExecuteVerb(const std::string& Verb) {
  TTreeNode* n = Selected();
  if (!n) return false;
  if (ReadOnly())
    FBrowser->OnRename = nullptr;
  else
    FBrowser->OnRename = [this](TObject* S) { StartEdit(S); };
  std::unique_ptr<TStringList> list(SameText(Verb, "paste") ? ClipboardList()
                                                            : OneEntry(GetSelectedFolder()));
  bool ok = true;
  if (TNavShellTreeItem* d = ItemOf(n)) {
    FBrowser->SetItemFullPidl(d->AbsolutePidl);
    ok = FBrowser->ExecuteVerb(Verb);
  }
  if (!ok) return false;
  if (SameText(Verb, "delete")) {
    FImmediateNotice = true;
    DoOperation(TNavShellOperations{noDelete, noRemoved}, list.release(), "");
  } else if (SameText(Verb, "paste")) {
    Application()->ProcessMessages();
    RefreshSelected();
    TNavShellOperations f = PasteFlags(list.get(), false);
    DoOperation(f, list.release(), GetSelectedFolder());
  } else if (SameText(Verb, "cut")) {
    if (Selected()) Selected()->SetCut(true);
  }
  return true;
}

std::string TNavShellTree::ShowContextMenu(POINT P) {
  TTreeNode* n = Selected();
  TNavShellTreeItem* d = ItemOf(n);
  if (!d) return "";
  if (TNavShellTreeItem* parent = ItemOf(n->Parent())) {
    FBrowser->SetFolderIDList(parent->AbsolutePidl);
    FBrowser->SetItem(d->RelativePidl);
  } else {
    FBrowser->SetFolderIDList(d->AbsolutePidl);
    FBrowser->GoUp();
  }
  if (ReadOnly())
    FBrowser->OnRename = nullptr;
  else
    FBrowser->OnRename = [this](TObject* S) { StartEdit(S); };
  FBrowser->SetReadOnly(ReadOnly());
  FBrowser->SetShowContextMenuOnTop(FShowOptions.Contains(soShowContextMenuOnTop));
  std::unique_ptr<TStringList> clip(ClipboardList());
  std::unique_ptr<TStringList> one(OneEntry(GetSelectedFolder()));
  std::string verb = FBrowser->ShowContextMenu(P, PopupMenu());
  if (SameText(verb, "delete")) {
    FImmediateNotice = true;
    DoOperation(TNavShellOperations{noDelete, noRemoved}, one.release(), "");
  } else if (SameText(verb, "cut")) {
    if (Selected()) Selected()->SetCut(true);
  } else if (SameText(verb, "paste")) {
    Application()->ProcessMessages();
    RefreshSelected();
    TNavShellOperations f = PasteFlags(clip.get(), true);
    DoOperation(f, clip.release(), GetSelectedFolder());
  }
  return verb;
}

// ---- Check boxes ----
void TNavShellTree::SetCheckBoxes(bool Value) {
  FCheckBoxes = Value;
  if (!Value) {
    if (FStateList && StateImages() == FStateList) SetStateImages(nullptr);
    delete FStateList;
    FStateList = nullptr;
    for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) n->SetStateIndex(-1);
  } else if (!StateImages()) {
    FStateList = new TNavSelectionStateImageList(this);
    SetStateImages(FStateList);
  }
  if (TTreeNode* first = Items()->GetFirstNode()) {
    RefreshNode(first, true);
    if (FShellLink && FCheckBoxes) ApplyStateImage(first);
  }
}

TNavSelectionState TNavShellTree::NodeState(TTreeNode* Node) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d || !FShellLink) return nsUnavailable;
  bool covered;
  return FShellLink->SelectionList()->GetStatePidl(d->AbsolutePidl, covered);
}

void TNavShellTree::ApplyStateImage(TTreeNode* Node) { Node->SetStateIndex(NodeState(Node)); }

void TNavShellTree::UpdateAncestorStates(TTreeNode* Node) {
  if (!Node || !FShellLink || !FCheckBoxes) return;
  ApplyStateImage(Node);
  for (TTreeNode* p = Node->Parent(); p && p->Parent(); p = p->Parent()) ApplyStateImage(p);
}

void TNavShellTree::UpdateSubtreeStates(TTreeNode* Node) {
  if (!Node || !FShellLink || !FCheckBoxes) return;
  ApplyStateImage(Node);
  if (!Node->Expanded()) return;
  for (int i = 0; i < Node->Count(); ++i) UpdateSubtreeStates(Node->Item(i));
}

bool TNavShellTree::CheckBoxClick(int X, int Y) {
  TTreeNode* n = GetNodeAt(X, Y);
  if (!n || !StateImages() || !ItemOf(n)) return false;
  RECT row = n->DisplayRect(false);
  int left = (ShowRoot() ? n->Level() + 1 : n->Level()) * Indent() + row.left;
  if (X < left || X >= left + StateImages()->Width() || Y < row.top ||
      Y >= row.top + StateImages()->Height())
    return false;
  TNavWaitCursor wait;
  TNavSelectionList* sel = FShellLink->SelectionList();
  const std::string path = NodePath(n);
  switch (NodeState(n)) {
    case nsUnavailable:
      return true;
    case nsTicked:
      sel->Remove(path);
      break;
    default:
      sel->Add(path);
      sel->Add(sel->CollapsedPath(path));  // fully ticked siblings fold into their folder
      break;
  }
  UpdateAncestorStates(n);
  UpdateSubtreeStates(n);
  RefreshSelected();
  FShellLink->CheckStatesChanged(HandleAllocated() ? FHandle : nullptr);
  if (OnCheckStateChanged && Items()->GetNode(n->ItemId()))
    OnCheckStateChanged(this, n->AbsoluteIndex(), NodePath(n), NodeState(n));
  return true;
}

// ---- Keys and mouse ----
void TNavShellTree::KeyDown(WORD& Key, TShiftState Shift) {
  if (!IsEditing()) {
    const bool alt = Shift.Contains(ssAlt), ctrl = Shift.Contains(ssCtrl),
               shift = Shift.Contains(ssShift);
    HWND self = HandleAllocated() ? FHandle : nullptr;
    switch (Key) {
      case VK_RETURN:
        if (alt) {
          ExecuteVerb("properties");
          Key = 0;
        }
        break;
      case VK_DELETE:
        if (!ReadOnly()) ExecuteVerb("delete");
        break;
      case 'A':
        if (ctrl) {
          if (FShellLink) FShellLink->SelectAll(self);
          Key = 0;
        }
        break;
      case 'C':
        if (ctrl) {
          ExecuteVerb("copy");
          Key = 0;
        }
        break;
      case 'V':
        if (ctrl && !ReadOnly()) {
          // The paste reports its files once (the verb's report, with copy or move).
          ExecuteVerb("paste");
          Key = 0;
        }
        break;
      case 'X':
        if (ctrl && !ReadOnly()) {
          ExecuteVerb("cut");
          Key = 0;
        }
        break;
      case VK_F2:
        if (Selected()) ExecuteVerb("rename");
        Key = 0;  // the edit is started through the browser, not a second time by the base
        break;
      case VK_F5:
        RefreshNodes();
        if (FShellLink) FShellLink->Refresh(self);
        break;
      case VK_F10:
        if (shift && FShellContextMenu && Selected()) {
          RECT t = Selected()->DisplayRect(true);
          ShowContextMenu(ClientToScreen(POINT{t.right, t.bottom}));
          Key = 0;
        }
        break;
    }
  }
  SetNoticeDelay(800);
  TTreeView::KeyDown(Key, Shift);
}

void TNavShellTree::KeyPress(char& Key) {
  if (Key == 3 || Key == 22 || Key == 24) Key = 0;  // Ctrl+C, Ctrl+V, Ctrl+X are verbs
  SetNoticeDelay(800);
  TTreeView::KeyPress(Key);
}

void TNavShellTree::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && !Shift.Contains(ssDouble) && FShellLink && FCheckBoxes)
    CheckBoxClick(X, Y);
  TTreeView::MouseDown(Button, Shift, X, Y);
}

void TNavShellTree::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_NAV_FOLDERSELECTED: {
      auto p = reinterpret_cast<LPCITEMIDLIST>(M.WParam);
      if (p) {
        if (ComparePidls(p, DesktopPidl) == 0)
          SetSpecialFolder(SF_DESKTOP);
        else
          LocatePidl(p, 0);
      }
      M.Result = 0;
      return;
    }
    case WM_NAV_REFRESH:
      RefreshNodes();
      M.Result = 0;
      return;
    case WM_NAV_CHECKSTATES:
      RefreshSelected();
      M.Result = 0;
      return;
    case WM_NAV_SELECTPARENT:
      SetNoticeDelay(100);
      if (Selected() && Selected()->Parent()) SetSelected(Selected()->Parent());
      M.Result = 1;
      return;
    case WM_LBUTTONDOWN:
      SetNoticeDelay(100);
      break;
    case WM_RBUTTONUP:
      if (FShellContextMenu && ItemOf(Selected())) {
        int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
        MouseUp(mbRight, KeysToShiftState(static_cast<WORD>(M.WParam)), x, y);
        ShowContextMenu(ClientToScreen(POINT{x, y}));
        M.Result = 0;
        return;
      }
      break;
    case WM_CONTEXTMENU:
      if (FShellContextMenu && Selected()) {
        POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        if (p.x <= 0) {
          // From the keyboard: at the bottom right of the selected node's text.
          RECT t = Selected()->DisplayRect(true);
          p = ClientToScreen(POINT{t.right, t.bottom});
        }
        ShowContextMenu(p);
        M.Result = 0;
        return;
      }
      break;
    case WM_LBUTTONDBLCLK: {
      TTreeView::WndProc(M);
      if (OnDblClick) return;
      TTreeNode* n = GetNodeAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
      if (TNavShellTreeItem* d = ItemOf(n)) {
        FBrowser->SetItemFullPidl(d->AbsolutePidl);
        if (FShowOptions.Contains(soShowFiles) && !FBrowser->IsFolder()) ExecuteVerb("default");
      }
      return;
    }
    case WM_DROPFILES:
      DroppedFiles(reinterpret_cast<HDROP>(M.WParam));
      M.Result = 0;
      return;
  }
  TTreeView::WndProc(M);
}

// ---- In-place rename ----
bool TNavShellTree::CanEdit(TTreeNode* Node) {
  if (!TTreeView::CanEdit(Node)) return false;
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d) return true;
  FBrowser->SetItemFullPidl(d->AbsolutePidl);
  return FBrowser->CanRename();
}

void TNavShellTree::Edit(TTreeNode* Node, std::string S) {
  const std::string before = Node->Text();
  TTreeView::Edit(Node, S);
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d || Node->Text() == before) return;  // no new text: nothing is renamed
  std::string newName = Node->Text();
  auto* old = OneEntry(NodePath(Node));
  FBrowser->SetItemFullPidl(d->AbsolutePidl);
  FBrowser->Rename(newName);
  Node->SetText(FBrowser->DisplayName());
  DoOperation(TNavShellOperations{noRename}, old, newName);
  LPITEMIDLIST rel = FBrowser->ItemPidl();
  LPITEMIDLIST abs = ConcatPidls(FBrowser->FolderIDList(), rel);
  FreePidl(d->RelativePidl);
  FreePidl(d->AbsolutePidl);
  d->RelativePidl = rel;
  d->AbsolutePidl = abs;
  Unwatch(Node);  // the old name is no longer there to watch
  const bool expanded = Node->Expanded();
  Node->DeleteChildren();
  RefreshNode(Node, true);
  Node->SetHasChildren(true);
  if (expanded) Node->Expand(false);
  if (FShellLink)
    FShellLink->FolderSelected(HandleAllocated() ? FHandle : nullptr, d->AbsolutePidl);
}

// ---- Custom drawing ----
bool TNavShellTree::IsCustomDrawn() {
  return FShowOptions.Contains(soColorCompressed) || TTreeView::IsCustomDrawn();
}

bool TNavShellTree::CustomDrawItem(TTreeNode* Node, TCustomDrawState State) {
  if (FShowOptions.Contains(soColorCompressed))
    if (TNavShellTreeItem* d = ItemOf(Node)) {
      FBrowser->SetItemFullPidl(d->AbsolutePidl);
      if (FBrowser->GetAttributes(SFGAO_COMPRESSED) & SFGAO_COMPRESSED)
        Canvas()->Font()->SetColor(static_cast<TColor>(0xFF0000));
    }
  return TTreeView::CustomDrawItem(Node, State);
}

// ---- OLE drag and drop ----
void TNavShellTree::SetOleDragDrop(bool Value) {
  FOleDragDrop = Value;
  if (Designing()) return;
  if (HandleAllocated())
    RegisterDropTarget();
  else
    SetDragMode(Value ? dmAutomatic : dmManual);
}

uint32_t TNavShellTree::DragClock() { return GetTickCount(); }

HRESULT TNavShellTree::QueryInterface(REFIID IID, void** Obj) {
  if (!Obj) return E_POINTER;
  if (IID == IID_IUnknown || IID == IID_IDropTarget)
    *Obj = static_cast<IDropTarget*>(this);
  else if (IID == IID_IDropSource)
    *Obj = static_cast<IDropSource*>(this);
  else
    *Obj = nullptr;
  return *Obj ? S_OK : E_NOINTERFACE;
}

void TNavShellTree::BeginDragNode(TTreeNode* Node, TMouseButton Button) {
  if (!FOleDragDrop) {
    TTreeView::BeginDragNode(Node, Button);
    return;
  }
  if (!Node->Parent()) return;  // root nodes are not dragged
  FDragSourceNode = Node;
  BeginOleDrag(Button);
  FDragSourceNode = nullptr;
}

void TNavShellTree::BeginOleDrag(TMouseButton Button) {
  TTreeNode* n = FDragSourceNode ? FDragSourceNode : Selected();
  TNavShellTreeItem* d = ItemOf(n);
  if (!d) return;
  FBrowser->SetItemFullPidl(d->AbsolutePidl);
  DWORD allowed = FBrowser->GetAttributes(SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK) &
                  (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
  FDragButtons = Button == mbRight ? MK_RBUTTON : MK_LBUTTON;
  TTreeNode* refresh = n->Parent() ? n->Parent() : n;
  IDataObject* data = nullptr;
  DWORD effect = DROPEFFECT_NONE;
  LPCITEMIDLIST one[1] = {d->RelativePidl};
  if (IShellFolder* f = FBrowser->ShellFolder();
      f &&
      Succeeded(f->GetUIObjectOf(Handle(), 1, one, IID_IDataObject, nullptr,
                                 reinterpret_cast<void**>(&data))) &&
      data) {
    if (DoDragDrop(data, static_cast<IDropSource*>(this), allowed, &effect) != DRAGDROP_S_DROP)
      effect = DROPEFFECT_NONE;
  }
  FDragButtons = 0;
  Application()->ProcessMessages();
  if (Items()->GetNode(refresh->ItemId())) RefreshNode(refresh, true);
  if (data) {
    if (effect != DROPEFFECT_NONE) {
      TNavShellOperations f{noDragSource};
      if (effect & DROPEFFECT_MOVE)
        f += noMove, f += noRemoved;
      else if (effect & DROPEFFECT_COPY)
        f += noCopy;
      auto* files = new TStringList();
      for (const auto& s : DataObjectFiles(data)) files->Add(s);
      DoOperation(f, files, "");
    }
    data->Release();
  }
}

HRESULT TNavShellTree::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) {
  const DWORD buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
  if (EscapePressed || (KeyState & buttons & ~FDragButtons)) return DRAGDROP_S_CANCEL;
  return (KeyState & FDragButtons) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT TNavShellTree::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

HRESULT TNavShellTree::DragEnter(IDataObject* Data, DWORD, POINT, DWORD* Effect) {
  if (Effect) *Effect = DROPEFFECT_NONE;
  if (Data) Data->AddRef();
  if (FDragData) FDragData->Release();
  FDragData = Data;
  FLastEffect = DROPEFFECT_NONE;
  FLastScroll = DragClock();
  return S_OK;
}

void TNavShellTree::ReleaseShellTarget() {
  if (FShellTarget) {
    FShellTarget->DragLeave();
    FShellTarget->Release();
  }
  FShellTarget = nullptr;
}

HRESULT TNavShellTree::DragOver(DWORD KeyState, POINT P, DWORD* Effect) {
  if (!Effect) return E_INVALIDARG;
  if (ReadOnly()) {
    *Effect = DROPEFFECT_NONE;
    return S_OK;
  }
  if (FCreateLinkOnDrop) KeyState |= MK_ALT;
  const POINT client = ScreenToClient(P);
  TTreeNode* node = GetNodeAt(client.x, client.y);
  const DWORD allowed = *Effect;
  if (node != FDropNode) {
    Items()->BeginUpdate();
    if (FDropNode && Items()->GetNode(FDropNode->ItemId())) FDropNode->SetDropTarget(false);
    ReleaseShellTarget();
    FDropNode = node;
    if (TNavShellTreeItem* d = ItemOf(node)) {
      FBrowser->SetItemFullPidl(d->AbsolutePidl);
      LPCITEMIDLIST one[1] = {FBrowser->Item()};
      IShellFolder* f = FBrowser->ShellFolder();
      DWORD e = allowed;
      if (!f || !one[0] ||
          Failed(f->GetUIObjectOf(Handle(), 1, one, IID_IDropTarget, nullptr,
                                  reinterpret_cast<void**>(&FShellTarget))) ||
          !FShellTarget || Failed(FShellTarget->DragEnter(FDragData, KeyState, P, &e))) {
        *Effect = DROPEFFECT_NONE;
      }
      node->SetDropTarget(true);
    }
    FTargetTime = DragClock();
    Items()->EndUpdate();
  }
  const uint32_t now = DragClock();
  if (now - FLastScroll > 100) {
    AutoScroll(client);
    FLastScroll = now;
  }
  if (FDropNode && now - FTargetTime > 2000 && !FDropNode->Expanded() && FDropNode->HasChildren())
    FDropNode->Expand(false);
  HRESULT hr = E_FAIL;
  if (FShellTarget) {
    *Effect = allowed;
    hr = FShellTarget->DragOver(KeyState, P, Effect);
  } else {
    *Effect = DROPEFFECT_NONE;
  }
  // A changed effect is only remembered: the drag goes on showing it.
  if (*Effect != FLastEffect) FLastEffect = *Effect;
  return hr;
}

HRESULT TNavShellTree::DragLeave() {
  if (FDropNode && Items()->GetNode(FDropNode->ItemId())) FDropNode->SetDropTarget(false);
  if (FDragData) FDragData->Release();
  FDragData = nullptr;
  ReleaseShellTarget();
  FDropNode = nullptr;
  return S_OK;
}

HRESULT TNavShellTree::Drop(IDataObject* Data, DWORD KeyState, POINT P, DWORD* Effect) {
  if (!Effect) return E_INVALIDARG;
  if (FCreateLinkOnDrop) KeyState |= MK_ALT;
  HRESULT hr = E_UNEXPECTED;
  TTreeNode* target = FDropNode;
  if (FShellTarget) {
    hr = FShellTarget->Drop(Data, KeyState, P, Effect);
    FShellTarget->Release();
    FShellTarget = nullptr;
  }
  Application()->ProcessMessages();
  if (target && !Items()->GetNode(target->ItemId())) target = nullptr;
  if (Succeeded(hr) && target) {
    std::vector<std::string> files = DataObjectFiles(Data);
    TNavShellOperations f{noDropTarget};
    bool report = true;
    if (*Effect == DROPEFFECT_NONE) {
      // A move the shell did itself reports no effect; the source being gone tells it.
      report = ShellIsNT && !files.empty() && !FileExists(files[0]);
      if (report) {
        f += noMove;
        *Effect = DROPEFFECT_MOVE;
      }
    } else if (*Effect & DROPEFFECT_MOVE) {
      f += noMove;
    } else if (*Effect & DROPEFFECT_COPY) {
      f += noCopy;
    }
    if (report) {
      auto* list = new TStringList();
      for (const auto& s : files) list->Add(s);
      DoOperation(f, list, NodePath(target));
    }
    if (target->Count() > 0) {
      RefreshNode(target, true);
    } else if (TNavShellTreeItem* d = ItemOf(target)) {
      // Not opened yet: at least its "+" tells that something is in it now.
      FBrowser->SetItemFullPidl(d->AbsolutePidl);
      target->SetHasChildren(FShowOptions.Contains(soShowFiles) ? FBrowser->IsFolder()
                                                                : FBrowser->HasSubFolder());
    }
  }
  DragLeave();
  return hr;
}

void TNavShellTree::AutoScroll(POINT P) {
  if (!HandleAllocated()) return;
  auto scrolls = [this](int bar) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(FHandle, bar, &si)) return false;
    return si.nMax - si.nMin + 1 > static_cast<int>(si.nPage);
  };
  const int w = ClientWidth(), h = ClientHeight();
  if (P.x < 25 && scrolls(SB_HORZ))
    Perform(WM_HSCROLL, SB_LINEUP, 0);
  else if (P.x > w - 25 && scrolls(SB_HORZ))
    Perform(WM_HSCROLL, SB_LINEDOWN, 0);
  if (P.y < 20 && scrolls(SB_VERT))
    Perform(WM_VSCROLL, SB_LINEUP, 0);
  else if (P.y > h - 20 && scrolls(SB_VERT))
    Perform(WM_VSCROLL, SB_LINEDOWN, 0);
}

// Files dropped from the desktop: the same path as an OLE drop of their list at that point.
void TNavShellTree::DroppedFiles(HDROP Drop) {
  std::vector<std::string> files = DropHandleFiles(Drop);
  POINT p{0, 0};
  DragQueryPoint(Drop, &p);
  DragFinish(Drop);
  if (files.empty() || !FOleDragDrop) return;
  const POINT screen = ClientToScreen(p);
  IDataObject* data = CreateFileDataObject(files);
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  DWORD e = all;
  DragEnter(data, 0, screen, &e);
  e = all;
  DragOver(0, screen, &e);
  if (e != DROPEFFECT_NONE) {
    e = all;
    this->Drop(data, 0, screen, &e);
  } else {
    DragLeave();
  }
  data->Release();
}
