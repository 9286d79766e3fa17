// ShellControls: the folder tree's nodes, root, expansion, selection, refreshing, locating and
// change following (the shell operations, keys, mouse and drag and drop are in
// shellcontrols_ops.cpp).
#include "controls/shellcontrols.h"

#include <algorithm>

#include "platform/rtl/fileutils.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TNavShellTree, TTreeView)

namespace {

// BeginUpdate/EndUpdate of the nodes as a scope.
class TNodeUpdate {
public:
  explicit TNodeUpdate(TTreeNodes* Nodes) : FNodes(Nodes) { FNodes->BeginUpdate(); }
  ~TNodeUpdate() { FNodes->EndUpdate(); }

private:
  TTreeNodes* FNodes;
};

void ReleaseFolder(IShellFolder*& F) {
  if (F) F->Release();
  F = nullptr;
}

}  // namespace

// ---- Construction ----
TNavShellTree::TNavShellTree(TComponent* AOwner)
    : TTreeView(AOwner),
      FBrowser(new TShellNavigator(this)),
      FLinkTimer(new TTimer(this)),
      FHistory(std::make_unique<TPidlHistory>()),
      FNotifier(new TNavShellChangeNotifier(this)),
      FImages(new TNavSystemImageList(this)) {
  // ShellControls starts OLE for drag and drop and the shell's objects on this thread.
  OleInitialize(nullptr);
  FOleStarted = true;
  FExpandBeyondRoot = !Designing();
  FLinkTimer->SetEnabled(false);
  FLinkTimer->SetInterval(100);
  FLinkTimer->SetOnTimer([this](TObject* S) { LinkNotice(S); });
  FNotifier->SetRecursive(false);
  FNotifier->SetEventFilter(TNotificationEvents{
      neDriveAdd, neDriveRemove, neShellDriveAdd, neMediaInsert, neMediaRemove, neFolderCreate,
      neFolderDelete, neFolderRename, neFolderUpdate, neNetShare, neNetUnShare});
  FNotifier->DirectHandler = [this](TObject* S, TNotificationEvent E, LPCITEMIDLIST P1,
                                    LPCITEMIDLIST P2) { ShellChanged(S, E, P1, P2); };
  FBrowser->SetShowErrorMessages(FShowOptions.Contains(soShowErrorMessages));
  SetImages(FImages);
  SetWidth(150);
  SetHeight(200);
  SetHideSelection(false);
  SetShowRoot(false);
}

TNavShellTree::~TNavShellTree() {
  DragLeave();
  if (FOleRegistered && FHandle) RevokeDragDrop(FHandle);
  FOleRegistered = false;
  if (FShellLink && FHandle) FShellLink->Leave(FHandle);
  // The node data go while the browser still stands; nobody hears of it any more.
  FClosing = true;
  OnChange = nullptr;
  OnChanging = nullptr;
  OnDeletion = nullptr;
  FLinkTimer->SetEnabled(false);
  Items()->Clear();
  SetShellLink(nullptr);
  if (FOleStarted) OleUninitialize();
}

void TNavShellTree::Publish(TPublisher<TNavShellTree>& P) {
  P.Redeclare("HideSelection").Default(false);
  P.Redeclare("ShowRoot").Default(false);
  P.Prop("ShellLink", &TNavShellTree::ShellLink, &TNavShellTree::SetShellLink);
  P.Prop("RootedAt", &TNavShellTree::RootedAt, &TNavShellTree::SetRootedAt).NoDefault();
  P.Prop("RootedAtFileSystemFolder", &TNavShellTree::RootedAtFileSystemFolder,
         &TNavShellTree::SetRootedAtFileSystemFolder);
  P.Prop("SelectedFolder", &TNavShellTree::SelectedFolder, &TNavShellTree::SetSelectedFolder);
  P.Prop("SpecialFolder", &TNavShellTree::SpecialFolder, &TNavShellTree::SetSpecialFolder)
      .NoDefault();
  P.Prop("OleDragDrop", &TNavShellTree::OleDragDrop, &TNavShellTree::SetOleDragDrop).Default(true);
  P.Prop("ShellContextMenu", &TNavShellTree::ShellContextMenu, &TNavShellTree::SetShellContextMenu)
      .Default(true);
  P.Prop("ShowOptions", &TNavShellTree::ShowOptions, &TNavShellTree::SetShowOptions)
      .Type(SetTypeInfo("TNavShellShowOptions", TypeInfo<TNavShellShowOption>()))
      .Default(TNavShellShowOptions{soShowNethood, soShowRecycleBin, soShowErrorMessages});
  P.Prop("FileSystemOnly", &TNavShellTree::FileSystemOnly, &TNavShellTree::SetFileSystemOnly)
      .Default(false);
  P.Prop("ExpandOnSelected", &TNavShellTree::ExpandOnSelected, &TNavShellTree::SetExpandOnSelected)
      .Default(false);
  P.Prop("Filter", &TNavShellTree::Filter, &TNavShellTree::SetFilter);
  P.Prop("CheckBoxes", &TNavShellTree::CheckBoxes, &TNavShellTree::SetCheckBoxes).Default(false);
  P.Prop("CreateLinkOnDrop", &TNavShellTree::CreateLinkOnDrop, &TNavShellTree::SetCreateLinkOnDrop)
      .Default(false);
  P.Prop("Version", &TNavShellTree::Version).Stored(false);
  P.Event("OnAddFolder", &TNavShellTree::OnAddFolder).Type("TOnAddNode");
  P.Event("OnOperation", &TNavShellTree::OnOperation).Type("TOnOperation");
  P.Prop("OnContextMenuSelect", &TNavShellTree::OnContextMenuSelect,
         &TNavShellTree::SetOnContextMenuSelect)
      .Type("TOnContextMenuSelectEvent");
  P.Event("OnCheckStateChanged", &TNavShellTree::OnCheckStateChanged).Type("TOnCheckStateChanged");
}

// ---- Window ----
void TNavShellTree::CreateWnd() {
  TTreeView::CreateWnd();
  if (!FWindowCreated) {
    FWindowCreated = true;
    FBrowser->Loaded();  // from now on the browser's owner window is the tree's
    SetRightClickSelect(true);
    if (Items()->Count() == 0 && !Loading()) SetRootedAt(FRootedAt);
  } else if (TTreeNode* first = Items()->GetFirstNode()) {
    RefreshNode(first, true);
  }
  if (FShellLink) FShellLink->Join(FHandle);
  RegisterDropTarget();
}

void TNavShellTree::DestroyWnd() {
  if (FShellLink && FHandle) FShellLink->Leave(FHandle);
  if (FOleRegistered && FHandle) RevokeDragDrop(FHandle);
  FOleRegistered = false;
  TTreeView::DestroyWnd();
}

void TNavShellTree::RegisterDropTarget() {
  if (!FHandle || Designing()) return;
  if (FOleRegistered) {
    RevokeDragDrop(FHandle);
    FOleRegistered = false;
  }
  DragAcceptFiles(FHandle, FOleDragDrop);
  if (!FOleDragDrop) return;
  FOleRegistered = Succeeded(RegisterDragDrop(FHandle, static_cast<IDropTarget*>(this)));
  if (!FOleRegistered) FOleDragDrop = false;
  SetDragMode(FOleDragDrop ? dmAutomatic : dmManual);
}

void TNavShellTree::PaintWindow(HDC DC) {
  FImages->Sync();
  TTreeView::PaintWindow(DC);
}

void TNavShellTree::Notification(TComponent* AComponent, TOperation Operation) {
  TTreeView::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FShellLink) FShellLink = nullptr;
}

void TNavShellTree::Loaded() {
  TTreeView::Loaded();
  if (Items()->Count() == 0) SetRootedAt(FRootedAt);
  if (!FStoredSelectedFolder.empty()) {
    std::string path = FStoredSelectedFolder;
    FStoredSelectedFolder.clear();
    SetSelectedFolder(path);
  } else if (FStoredSpecialFolder != SF_FILESYSTEMFOLDER) {
    SetSpecialFolder(FStoredSpecialFolder);
  }
  NotifyLink(Selected());
  if (TTreeNode* first = Items()->GetFirstNode()) {
    first->Expand(false);
    if (FShellLink && FCheckBoxes) ApplyStateImage(first);
  }
}

// ---- Properties ----
void TNavShellTree::SetShellLink(TNavShellLink* Value) {
  if (Value == FShellLink) return;
  if (FShellLink) {
    if (FHandle) FShellLink->Leave(FHandle);
    FShellLink->RemoveFreeNotification(this);
  }
  FShellLink = Value;
  if (FShellLink) {
    FShellLink->FreeNotification(this);
    if (FHandle) FShellLink->Join(FHandle);
  }
}

void TNavShellTree::SetRootedAtFileSystemFolder(const std::string& Value) {
  FRootedAtFileSystemFolder = Value;
  if (!Value.empty()) SetRootedAt(SF_FILESYSTEMFOLDER);
}

void TNavShellTree::SetShowOptions(TNavShellShowOptions Value) {
  if (Value == FShowOptions) return;
  FShowOptions = Value;
  FBrowser->SetShowErrorMessages(Value.Contains(soShowErrorMessages));
  if (Value.Contains(soShowFiles)) {
    TNotificationEvents f = FNotifier->EventFilter();
    f += neFileCreate;
    f += neFileDelete;
    f += neFileRename;
    FNotifier->SetEventFilter(f);
  }
  RefreshNodes();
}

void TNavShellTree::SetFileSystemOnly(bool Value) {
  FBrowser->SetFileSystemOnly(Value);
  RefreshNodes();
}

void TNavShellTree::SetFilter(const std::string& Value) {
  FBrowser->SetFilter(Value);
  RefreshNodes();
}

// ---- The root (building it anew) ----
void TNavShellTree::SetRootedAt(TNavShellFolder Value) {
  FRootedAt = Value;
  TNavWaitCursor wait;
  TNodeUpdate update(Items());
  SetSelected(nullptr);
  Items()->Clear();
  auto* item = new TNavShellTreeItem();
  std::string text;
  int image = -1, selectedImage = -1;
  bool children = true;
  if (Value == SF_DESKTOP) {
    item->RelativePidl = item->AbsolutePidl = DesktopPidl;
    item->IsFolder = 1;
    item->OwnFolder = item->ParentFolder = DesktopFolder;
    DesktopFolder->AddRef();
    DesktopFolder->AddRef();
    image = selectedImage = FBrowser->DesktopIcon();
    text = FBrowser->DesktopName();
  } else {
    bool positioned = true;
    if (Value == SF_FILESYSTEMFOLDER) {
      try {
        FBrowser->SetFolder(FRootedAtFileSystemFolder);
      } catch (const EShellNavigatorError&) {
        positioned = false;
      }
    } else {
      positioned = FBrowser->SetSpecialFolder(Value);
    }
    if (!positioned) {
      // A root that cannot be found leaves the tree empty.
      delete item;
      return;
    }
    item->AbsolutePidl = FBrowser->FolderPidl();
    item->RelativePidl = FBrowser->FolderPidl();
    item->IsFolder = 1;
    item->OwnFolder = FBrowser->ShellFolder();
    item->OwnFolder->AddRef();
    FBrowser->GoUp();
    item->ParentFolder = FBrowser->ShellFolder();
    item->ParentFolder->AddRef();
    image = FBrowser->SmallIcon();
    selectedImage = FBrowser->OpenIcon();
    text = FBrowser->DisplayName();
    children = FBrowser->HasSubFolder() || FShowOptions.Contains(soShowFiles);
  }
  TTreeNode* root = Items()->AddObject(nullptr, text, item);
  root->SetImageIndex(image);
  root->SetSelectedIndex(selectedImage);
  root->SetHasChildren(children);
  if (!Loading()) root->Expand(false);
  SetSelected(root);
  FNotifier->SetRootPidl(FBrowser->FolderIDList());
  if (Value != SF_FILESYSTEMFOLDER) FRootedAtFileSystemFolder.clear();
}

// ---- Paths and special folders ----
std::string TNavShellTree::NodePath(TTreeNode* Node) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d) return "";
  if (!Node->Parent() && FRootedAt == SF_DESKTOP) return "";  // the desktop root
  // A volume keeps its "/" (as a drive's "C:\" did); any other folder goes without.
  return PidlToPath(d->AbsolutePidl);
}

std::string TNavShellTree::GetSelectedFolder() {
  if (Loading()) return FStoredSelectedFolder;
  TTreeNode* n = Selected();
  if (!n || !ItemOf(n)) return "";
  return NodePath(n);
}

TNavShellFolder TNavShellTree::GetSpecialFolder() {
  if (Loading()) return FStoredSpecialFolder;
  TNavShellTreeItem* d = ItemOf(Selected());
  if (!d) return SF_FILESYSTEMFOLDER;
  TNavShellFolder f = SpecialFolderOf(d->AbsolutePidl);
  if (f == SF_DRIVES && !GetSelectedFolder().empty()) return SF_FILESYSTEMFOLDER;
  return f;
}

void TNavShellTree::SetSpecialFolder(TNavShellFolder Value) {
  if (Loading()) {
    FStoredSpecialFolder = Value;
    if (Value != SF_FILESYSTEMFOLDER) FStoredSelectedFolder.clear();
    return;
  }
  if (Value == SF_FILESYSTEMFOLDER) return;
  if (!FBrowser->SetSpecialFolder(Value)) return;
  LPITEMIDLIST p = FBrowser->FolderPidl();
  LocatePidl(p, 0);
  FreePidl(p);
}

void TNavShellTree::SetSelectedFolder(const std::string& Path) {
  if (Loading()) {
    if (FStoredSpecialFolder == SF_FILESYSTEMFOLDER || FStoredSpecialFolder == SF_DRIVES) {
      FStoredSelectedFolder = Path;
      FStoredSpecialFolder = SF_FILESYSTEMFOLDER;
    }
    return;
  }
  if (Path.empty()) {
    if (FRootedAt == SF_DESKTOP)
      SetSpecialFolder(SF_DRIVES);
    else if (TTreeNode* first = Items()->GetFirstNode())
      SetSelected(first);
    return;
  }
  if (Items()->Count() == 0) return;
  HRESULT last = S_OK;
  std::vector<TTreeNode*> roots = Items()->Roots();
  for (size_t i = 0; i < roots.size(); ++i) {
    LPITEMIDLIST p = nullptr;
    last = DesktopFolder->ParseDisplayName(HandleAllocated() ? FHandle : nullptr, nullptr,
                                           Path.c_str(), nullptr, &p, nullptr);
    if (Failed(last) || !p) continue;
    bool found = LocatePidl(p, 0);
    FreePidl(p);
    if (found) break;
  }
  if (Failed(last) && FShowOptions.Contains(soShowErrorMessages))
    MessageBox(HandleAllocated() ? FHandle : nullptr, TrimRight(SysErrorText(last)) + ": " + Path,
               Application()->Title(), MB_OK | MB_ICONERROR);
}

LPITEMIDLIST TNavShellTree::SelectedPidl() {
  TNavShellTreeItem* d = ItemOf(Selected());
  return d ? CopyPidl(d->AbsolutePidl) : nullptr;
}

// ---- Expanding ----
void TNavShellTree::PositionOnNode(TTreeNode* Node) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (d) FBrowser->SetItemFullPidl(d->AbsolutePidl);
}

void TNavShellTree::SortChildren(TTreeNode* Node, IShellFolder* Folder) {
  Node->CustomSort(
      [this, Folder](TTreeNode* a, TTreeNode* b) { return CompareNodes(a, b, Folder); });
}

bool TNavShellTree::CanExpand(TTreeNode* Node) {
  bool yes = TTreeView::CanExpand(Node);
  if (yes && !FExpandBeyondRoot) yes = !Node->Parent() && !Loading();
  // Only a node marked as having children opens (as the tree view control asks only for those).
  if (yes && Node->Count() == 0 && Node->HasChildren()) LoadChildren(Node);
  return yes;
}

void TNavShellTree::LoadChildren(TTreeNode* Node) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d) return;
  TNavWaitCursor wait;
  {
    TNodeUpdate update(Items());
    FBrowser->SetFolderIDList(d->AbsolutePidl);
    while (FBrowser->Next())
      if (FShowOptions.Contains(soShowFiles) || FBrowser->IsFolder()) AddNode(Node);
    SortChildren(Node, FBrowser->ShellFolder());
    Node->SetHasChildren(Node->Count() > 0);
  }
  // Open folders are watched (a root with a path too, so that its own folders are followed).
  if (Node->Parent() || FRootedAt != SF_DESKTOP) Watch(Node, FBrowser->Folder());
}

void TNavShellTree::Expand(TTreeNode* Node) {
  // A node opened again after it was closed: its folder is watched again and read afresh, since
  // changes made while it was closed went unreported.
  TNavShellTreeItem* d = ItemOf(Node);
  if (d && Node->Parent() && d->WatchedFolder.empty() && Node->Count() > 0) {
    try {
      RefreshNode(Node, false);
      FBrowser->SetFolderIDList(d->AbsolutePidl);
      Watch(Node, FBrowser->Folder());
    } catch (const EShellNavigatorError&) {
    }
  }
  TTreeView::Expand(Node);
}

void TNavShellTree::Collapse(TTreeNode* Node) {
  Unwatch(Node);
  TTreeView::Collapse(Node);
}

void TNavShellTree::Watch(TTreeNode* Node, const std::string& Folder) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d || !d->WatchedFolder.empty() || Folder.empty()) return;
  d->WatchedFolder = Folder;
  if (FWatched[Folder]++ == 0) FNotifier->Directories()->Add(Folder);
}

// A closed or deleted folder leaves the notifier's list when no other open node shows it.
void TNavShellTree::Unwatch(TTreeNode* Node) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (!d || d->WatchedFolder.empty()) return;
  auto it = FWatched.find(d->WatchedFolder);
  if (it != FWatched.end() && --it->second <= 0) {
    FWatched.erase(it);
    TStrings* dirs = FNotifier->Directories();
    if (int i = dirs->IndexOf(d->WatchedFolder); i >= 0) dirs->Delete(i);
  }
  d->WatchedFolder.clear();
}

// ---- Adding nodes ----
bool TNavShellTree::ShouldShowItem(TNavShellShowOptions Options) {
  const bool hidden = FBrowser->IsHidden();
  if (!Options.Contains(soShowHidden) && hidden) return false;
  if (!Options.Contains(soShowNethood)) {
    TNavShellFolder f = SpecialFolderOf(FBrowser->FullPidl());
    if (f == SF_NETHOOD || f == SF_NETWORK) return false;
  }
  if (!Options.Contains(soShowRecycleBin)) {
    if (SpecialFolderOf(FBrowser->FullPidl()) == SF_BITBUCKET) return false;
    if (hidden && UpperCase(FBrowser->ObjectName().substr(0, 6)) == "RECYCL") return false;
  }
  return Options.Contains(soShowFiles) || FBrowser->IsFolder();
}

int TNavShellTree::CompareNodes(TTreeNode* Node1, TTreeNode* Node2, IShellFolder* Folder) {
  TNavShellTreeItem *a = ItemOf(Node1), *b = ItemOf(Node2);
  if (!a || !b || !Folder) return 0;
  HRESULT hr = Folder->CompareIDs(0, a->RelativePidl, b->RelativePidl);
  return Succeeded(hr) ? static_cast<short>(HRESULT_CODE(hr)) : 0;
}

TTreeNode* TNavShellTree::AddNode(TTreeNode* Parent) {
  if (!ShouldShowItem(FShowOptions)) return nullptr;
  TTreeNode* n = Items()->AddChild(Parent, FBrowser->DisplayName());
  n->SetImageIndex(FBrowser->SmallIcon());
  n->SetSelectedIndex(FBrowser->OpenIcon());
  n->SetHasChildren(FShowOptions.Contains(soShowFiles) ? FBrowser->IsFolder()
                                                       : FBrowser->HasSubFolder());
  auto* d = new TNavShellTreeItem();
  d->RelativePidl = FBrowser->ItemPidl();
  d->AbsolutePidl = CopyPidl(FBrowser->FullPidl());
  d->Seen = 1;
  d->ParentFolder = FBrowser->ShellFolder();
  if (d->ParentFolder) d->ParentFolder->AddRef();
  d->IsFolder = FBrowser->IsFolder() ? 1 : 0;
  n->SetData(d);
  if (FBrowser->IsHidden()) n->SetCut(true);
  n->SetOverlayIndex(FBrowser->OverlayIndex());
  if (OnAddFolder) {
    bool canAdd = true;
    OnAddFolder(n, NodePath(n), canAdd);
    if (!canAdd) {
      n->Delete();
      return nullptr;
    }
  }
  if (FShellLink && FCheckBoxes) ApplyStateImage(n);
  return n;
}

void TNavShellTree::Delete(TTreeNode* Node) {
  if (TNavShellTreeItem* d = ItemOf(Node)) {
    Unwatch(Node);
    if (Node == FDropNode) FDropNode = nullptr;
    if (Node == FDragSourceNode) FDragSourceNode = nullptr;
    FreePidl(d->RelativePidl);
    if (d->AbsolutePidl != d->RelativePidl) FreePidl(d->AbsolutePidl);
    ReleaseFolder(d->ParentFolder);
    ReleaseFolder(d->OwnFolder);
    delete d;
    Node->SetData(nullptr);
  }
  TTreeView::Delete(Node);
}

// ---- Selection ----
void TNavShellTree::SetNoticeDelay(UINT Ms) { FLinkTimer->SetInterval(Ms); }

void TNavShellTree::Change(TTreeNode* Node) {
  if (FClosing) return;
  if (FImmediateNotice) {
    FImmediateNotice = false;
    NotifyLink(Node);
  } else {
    FLinkTimer->SetEnabled(false);
    FLinkTimer->SetEnabled(true);
  }
  if (TNavShellTreeItem* d = ItemOf(Node)) FHistory->Add(CopyPidl(d->AbsolutePidl));
  TTreeView::Change(Node);
  if (FExpandOnSelected && Node && Items()->GetNode(Node->ItemId())) Node->Expand(false);
}

void TNavShellTree::LinkNotice(TObject*) {
  FLinkTimer->SetEnabled(false);
  NotifyLink(Selected());
}

void TNavShellTree::NotifyLink(TTreeNode* Node) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (!FShellLink || !Node || !d) return;
  FShellLink->SetBelowRoot(Node->Level() > 0);
  if (Loading()) return;
  HWND self = HandleAllocated() ? FHandle : nullptr;
  if (FShowOptions.Contains(soShowFiles) && !d->IsFolder) {
    TNavShellTreeItem* parent = ItemOf(Node->Parent());
    if (parent) FShellLink->ItemSelected(self, parent->AbsolutePidl, d->RelativePidl);
  } else {
    FShellLink->FolderSelected(self, d->AbsolutePidl);
  }
}

// ---- Refreshing ----
void TNavShellTree::RefreshNodes() {
  if (Items()->Count() == 0) return;
  TNavWaitCursor wait;
  Application()->ProcessMessages();
  TNodeUpdate update(Items());
  TTreeNode* first = Items()->GetFirstNode();
  if (first && first->Count() > 0) RefreshNode(first, true);
}

void TNavShellTree::RefreshNode(TTreeNode* Node, bool Recursive) {
  TNavShellTreeItem* d = ItemOf(Node);
  if (Loading() || !Node || !d || !d->IsFolder) return;
  for (int i = 0; i < Node->Count(); ++i)
    if (TNavShellTreeItem* c = ItemOf(Node->Item(i))) c->Seen = 0;
  FBrowser->SetFolderIDList(d->AbsolutePidl);
  bool added = false;
  while (FBrowser->Next()) {
    if (!ShouldShowItem(FShowOptions)) continue;
    const std::string name = FBrowser->DisplayName();
    TTreeNode* match = nullptr;
    for (int i = 0; i < Node->Count() && !match; ++i)
      if (Node->Item(i)->Text() == name) match = Node->Item(i);
    if (match) {
      if (TNavShellTreeItem* c = ItemOf(match)) c->Seen = 1;
      match->SetHasChildren(FShowOptions.Contains(soShowFiles) && FBrowser->IsFolder()
                                ? true
                                : FBrowser->HasSubFolder());
    } else if (!IsEditing()) {
      if (AddNode(Node)) added = true;
    }
  }
  IShellFolder* folder = FBrowser->ShellFolder();
  if (folder) folder->AddRef();
  for (int i = Node->Count() - 1; i >= 0; --i) {
    TTreeNode* c = Node->Item(i);
    if (ItemOf(c) && !ItemOf(c)->Seen) c->Delete();
  }
  for (int i = 0; i < Node->Count(); ++i) {
    TTreeNode* c = Node->Item(i);
    TNavShellTreeItem* cd = ItemOf(c);
    if (!cd) continue;
    if (Recursive) {
      if (c->Expanded()) {
        RefreshNode(c, true);
      } else if (c->Count() > 0) {
        c->DeleteChildren();
        c->SetHasChildren(true);
      }
    }
    // The child's own attributes, read against this node's folder.
    FBrowser->SetFolderIDList(d->AbsolutePidl);
    FBrowser->SetItem(cd->RelativePidl);
    if (FBrowser->IsHidden()) c->SetCut(true);
    c->SetOverlayIndex(FBrowser->OverlayIndex());
    if (FShellLink && FCheckBoxes) ApplyStateImage(c);
  }
  if (added && folder) SortChildren(Node, folder);
  if (folder) folder->Release();
}

void TNavShellTree::RefreshSelected() {
  TTreeNode* n = Selected();
  if (!n) return;
  Application()->ProcessMessages();
  n = Selected();
  if (!n) return;
  TNodeUpdate update(Items());
  if (n->Text().empty() && n->Parent()) n = n->Parent();
  RefreshNode(n, true);
  std::vector<TTreeNode*> cut;
  for (TTreeNode* x = Items()->GetFirstNode(); x; x = x->GetNext())
    if (x->Cut() && x->Parent()) cut.push_back(x->Parent());
  for (TTreeNode* p : cut)
    if (Items()->GetNode(p->ItemId())) RefreshNode(p, true);
  if (FCheckBoxes && FShellLink && Items()->GetNode(n->ItemId())) UpdateAncestorStates(n);
}

// ---- Locating ----
bool TNavShellTree::LocatePidl(LPCITEMIDLIST Pidl, int Mode) {
  if (!Pidl) return false;
  TNavWaitCursor wait;
  TNodeUpdate update(Items());
  const bool savedBeyond = FExpandBeyondRoot;
  FExpandBeyondRoot = Mode != 1;
  const int total = PidlItemCount(Pidl);
  TTreeNode* N = nullptr;
  bool found = false;
  std::vector<TTreeNode*> roots = Items()->Roots();
  for (TTreeNode* R : roots) {
    TNavShellTreeItem* rd = ItemOf(R);
    if (!rd) continue;
    if (ComparePidls(Pidl, rd->AbsolutePidl) == 0) {
      N = R;
      found = true;
      break;
    }
    const int d = PidlItemCount(rd->AbsolutePidl);
    // Only a PIDL below this root can be found in it: its first d items are the root's (the
    // desktop's d is 0, and every PIDL is below it).
    LPITEMIDLIST head = CopyPidl(Pidl);
    while (PidlItemCount(head) > d) ILRemoveLastID(head);
    bool below = d < total && ComparePidls(head, rd->AbsolutePidl) == 0;
    FreePidl(head);
    if (!below) continue;
    N = R;
    found = true;
    LPITEMIDLIST sub = CopyItemAt(Pidl, R->Level() + d);
    // A node at level L stands for the first L + d items of the PIDL.
    while (N->Level() + d < total) {
      if (Mode == 0) {
        N->SetHasChildren(true);
        N->Expand(false);
      } else if (!N->Expanded() && N->Count() > 0) {
        N->DeleteChildren();
        N->SetHasChildren(true);
      }
      TTreeNode* match = nullptr;
      for (int i = 0; i < N->Count() && !match; ++i) {
        TNavShellTreeItem* cd = ItemOf(N->Item(i));
        if (cd && cd->ParentFolder &&
            HRESULT_CODE(cd->ParentFolder->CompareIDs(0, sub, cd->RelativePidl)) == 0)
          match = N->Item(i);
      }
      if (!match) {
        found = false;
        if (Mode == 2 || Mode == 3) Mode = 1;
        break;
      }
      FreePidl(sub);
      N = match;
      sub = CopyItemAt(Pidl, N->Level() + d);
    }
    if (found) {
      FreePidl(sub);
      break;
    }
    if (IsNetworkPidl(Pidl)) {
      // The Network folder does not list its machines: the item is added where the walk stopped.
      FBrowser->SetItemFullPidl(Pidl);
      FBrowser->SetFolderIDList(ItemOf(N)->AbsolutePidl);
      FBrowser->SetItem(sub);
      FreePidl(sub);
      if (TTreeNode* added = AddNode(N)) N = added;
      found = true;
      break;
    }
    FreePidl(sub);
  }
  FExpandBeyondRoot = savedBeyond;
  if (N) {
    switch (Mode) {
      case 0:
        FImmediateNotice = true;
        SetSelected(N);
        N->MakeVisible();
        break;
      case 1:
        if (N->Expanded()) RefreshNode(N, false);
        break;
      case 2:
        if (N->Parent()) RefreshNode(N->Parent(), false);
        break;
      case 3:
        N->Delete();
        break;
    }
  }
  return found;
}

// ---- Following changes ----
// The namespace shows the home folder twice: as Home on the desktop and inside its volume. The
// shell reports a change by the volume's path; the same item under Home is followed too.
LPITEMIDLIST TNavShellTree::HomeAlias(LPCITEMIDLIST Pidl) {
  const std::string path = PidlToPath(Pidl);
  LPITEMIDLIST home = ParsePath(nullptr, "::Home");
  if (!home) return nullptr;
  char buf[4096];
  std::string homePath = SHGetPathFromIDListEx(home, buf, sizeof buf, 0) ? buf : "";
  if (homePath.empty() || path.size() <= homePath.size() + 1 ||
      path.compare(0, homePath.size() + 1, homePath + "/") != 0) {
    FreePidl(home);
    return nullptr;
  }
  int depth = static_cast<int>(
      std::count(path.begin() + static_cast<ptrdiff_t>(homePath.size()), path.end(), '/'));
  int count = PidlItemCount(Pidl);
  LPITEMIDLIST alias = home;
  for (int i = count - depth; i < count; ++i) {
    LPITEMIDLIST item = CopyItemAt(Pidl, i);
    LPITEMIDLIST longer = ConcatPidls(alias, item);
    FreePidl(item);
    FreePidl(alias);
    alias = longer;
  }
  return alias;
}

void TNavShellTree::ShellChanged(TObject*, TNotificationEvent Event, LPCITEMIDLIST Pidl1,
                                 LPCITEMIDLIST) {
  if (Loading() || !Pidl1) return;
  int mode;
  switch (Event) {
    case neFileCreate:
    case neFolderCreate:
    case neFolderUpdate:
      mode = 1;
      break;
    case neFileDelete:
    case neDriveRemove:
    case neFolderDelete:
      mode = 3;
      break;
    default:
      mode = 2;
  }
  try {
    LocatePidl(Pidl1, mode);
    if (LPITEMIDLIST alias = HomeAlias(Pidl1)) {
      LocatePidl(alias, mode);
      FreePidl(alias);
    }
  } catch (const EShellNavigatorError&) {
    // A folder that went away while the report travelled: the next report tidies up.
  }
}
