// ShellControls: the shell folder tree TNavShellTree.
//
// A tree view of the shell namespace (the desktop, Home, Computer with its volumes and folders,
// the trash) filled as nodes open, which reports the folder the user picks: a click selects a
// node, OnChange runs at once, and SelectedFolder gives the node's path. The tree follows changes
// on disk through its TNavShellChangeNotifier (the folders it has open are watched), offers the
// shell's context menu, verbs from keys, in-place rename, OLE drag and drop in both directions
// (and files dropped from the desktop), and a check-box mode in which folders and files are
// ticked into the selection list of a TNavShellLink.
//
// Every shell call goes through the tree's TShellNavigator (Browser). Node data is a
// TNavShellTreeItem owned by its node. The main window's folder picker uses SelectedFolder,
// SetSelectedFolder, RefreshNodes and OnChange.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "controls/navcontrols.h"
#include "controls/shelllink.h"
#include "controls/shellnavigator.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/win/ole2.h"

ORV_ENUM(TNavShellShowOption, soShowNethood, soShowRecycleBin, soShowErrorMessages, soShowHidden,
         soShowFiles, soShowContextMenuOnTop, soColorCompressed)
using TNavShellShowOptions = TSet<TNavShellShowOption>;

// The ten flags of an operation's report (numbered 0 to 9): copied, moved, dragged out of the
// tree, dropped on it, created, pasted, deleted, removed from where it was, inserted where it
// went, renamed.
ORV_ENUM(TNavShellOperation, noCopy, noMove, noDragSource, noDropTarget, noCreate, noPaste,
         noDelete, noRemoved, noInserted, noRename)
using TNavShellOperations = TSet<TNavShellOperation>;

class TNavShellTree;
using TOnAddNode = std::function<void(TTreeNode* Node, const std::string& Path, bool& CanAdd)>;
// Files is owned by the tree and freed right after the event.
using TOnOperation = std::function<void(TObject* Sender, TNavShellOperations Operation,
                                        TStrings* Files, const std::string& Destination)>;
using TOnCheckStateChanged = std::function<void(
    TObject* sender, int ItemIndex, const std::string& Path, TNavSelectionState CheckState)>;

// The data of a node that stands for a shell item (owned by the node).
struct TNavShellTreeItem {
  LPITEMIDLIST RelativePidl = nullptr;  // within its parent folder (for a root: the absolute one)
  LPITEMIDLIST AbsolutePidl = nullptr;
  int Seen = 0;                          // set while RefreshNode matches children
  IShellFolder* ParentFolder = nullptr;  // the folder it was enumerated from
  BYTE IsFolder = 0;
  IShellFolder* OwnFolder = nullptr;  // root nodes only: the root's folder
  std::string WatchedFolder;          // the notifier entry made when it was opened
};

// The state images of the check-box mode: 0 a placeholder, then 16 x 16 check boxes on white:
// 1 inactive not ticked, 2 ticked, 3 not ticked, 4 inactive ticked.
class TNavSelectionStateImageList : public TImageList {
  ORV_CLASS(TNavSelectionStateImageList, TImageList)
public:
  explicit TNavSelectionStateImageList(TComponent* AOwner);
};

class TNavShellTree : public TTreeView, public IDropSource, public IDropTarget {
  ORV_CLASS(TNavShellTree, TTreeView)
public:
  explicit TNavShellTree(TComponent* AOwner);
  ~TNavShellTree() override;
  static void Publish(TPublisher<TNavShellTree>& P);

  // ---- What the application uses ----
  std::string GetSelectedFolder();
  void SetSelectedFolder(const std::string& Path);
  std::string SelectedFolder() { return GetSelectedFolder(); }
  void RefreshNodes();

  // ---- Published ----
  TNavShellLink* ShellLink() const { return FShellLink; }
  void SetShellLink(TNavShellLink* Value);
  TNavShellFolder RootedAt() const { return FRootedAt; }
  void SetRootedAt(TNavShellFolder Value);
  const std::string& RootedAtFileSystemFolder() const { return FRootedAtFileSystemFolder; }
  void SetRootedAtFileSystemFolder(const std::string& Value);
  TNavShellFolder GetSpecialFolder();
  void SetSpecialFolder(TNavShellFolder Value);
  TNavShellFolder SpecialFolder() { return GetSpecialFolder(); }
  bool OleDragDrop() const { return FOleDragDrop; }
  void SetOleDragDrop(bool Value);
  bool ShellContextMenu() const { return FShellContextMenu; }
  void SetShellContextMenu(bool Value) { FShellContextMenu = Value; }
  TNavShellShowOptions ShowOptions() const { return FShowOptions; }
  void SetShowOptions(TNavShellShowOptions Value);
  bool FileSystemOnly() const { return FBrowser->FileSystemOnly(); }
  void SetFileSystemOnly(bool Value);
  bool ExpandOnSelected() const { return FExpandOnSelected; }
  void SetExpandOnSelected(bool Value) { FExpandOnSelected = Value; }
  std::string Filter() const { return FBrowser->Filter(); }
  void SetFilter(const std::string& Value);
  bool CheckBoxes() const { return FCheckBoxes; }
  void SetCheckBoxes(bool Value);
  bool CreateLinkOnDrop() const { return FCreateLinkOnDrop; }
  void SetCreateLinkOnDrop(bool Value) { FCreateLinkOnDrop = Value; }
  std::string Version() const { return std::string(ClassName()) + " V3.2"; }
  TOnContextMenuSelectEvent OnContextMenuSelect() const { return FBrowser->OnContextMenuSelect; }
  void SetOnContextMenuSelect(TOnContextMenuSelectEvent Value) {
    FBrowser->OnContextMenuSelect = std::move(Value);
  }
  TOnAddNode OnAddFolder;
  TOnOperation OnOperation;
  TOnCheckStateChanged OnCheckStateChanged;

  // ---- Nodes ----
  std::string NodePath(TTreeNode* Node);
  LPITEMIDLIST SelectedPidl();  // a copy, or none
  // Finds the node of an absolute PIDL, opening nodes on the way (mode 0), and selects it (0),
  // refreshes it (1) or its parent (2), or deletes it (3). False when it is not listed.
  bool LocatePidl(LPCITEMIDLIST Pidl, int Mode);
  void RefreshNode(TTreeNode* Node, bool Recursive);
  void RefreshSelected();
  TTreeNode* AddNode(TTreeNode* Parent);
  bool ShouldShowItem(TNavShellShowOptions Options);
  int CompareNodes(TTreeNode* Node1, TTreeNode* Node2, IShellFolder* Folder);
  void NotifyLink(TTreeNode* Node);
  static TNavShellTreeItem* ItemOf(TTreeNode* Node) {
    return Node ? static_cast<TNavShellTreeItem*>(Node->Data()) : nullptr;
  }

  // ---- Operations ----
  bool ExecuteVerb(const std::string& Verb);
  std::string ShowContextMenu(POINT P);
  void StartEdit(TObject* Sender = nullptr);
  // Reports Files (taken over and freed) through OnOperation.
  void DoOperation(TNavShellOperations Flags, TStrings* Files, const std::string& Destination);
  void UpdateAncestorStates(TTreeNode* Node);
  void UpdateSubtreeStates(TTreeNode* Node);

  // ---- OLE drag and drop ----
  void BeginOleDrag(TMouseButton Button);
  HRESULT QueryInterface(REFIID IID, void** Obj) override;
  uint32_t AddRef() override { return 1; }  // the component's own lifetime rules
  uint32_t Release() override { return 1; }
  virtual HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
  virtual HRESULT GiveFeedback(DWORD Effect) override;
  HRESULT DragEnter(IDataObject* Data, DWORD KeyState, POINT P, DWORD* Effect) override;
  HRESULT DragOver(DWORD KeyState, POINT P, DWORD* Effect) override;
  using TTreeView::DragOver;
  HRESULT DragLeave() override;
  HRESULT Drop(IDataObject* Data, DWORD KeyState, POINT P, DWORD* Effect) override;
  void AutoScroll(POINT P);

  // The notifier's direct handler.
  void ShellChanged(TObject* Sender, TNotificationEvent Event, LPCITEMIDLIST Pidl1,
                    LPCITEMIDLIST Pidl2);

  // ---- Parts, for the application and tests ----
  TShellNavigator* Browser() const { return FBrowser; }
  TNavShellChangeNotifier* Notifier() const { return FNotifier; }
  TPidlHistory* History() const { return FHistory.get(); }
  TTimer* LinkNoticeTimer() const { return FLinkTimer; }
  TNavSystemImageList* SystemImages() const { return FImages; }

  void WndProc(TMessage& Message) override;
  void Loaded() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  // The clock of automatic scrolling and expanding during a drag (milliseconds).
  virtual uint32_t DragClock();
  void CreateWnd() override;
  void DestroyWnd() override;
  void PaintWindow(HDC DC) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool CanExpand(TTreeNode* Node) override;
  void Expand(TTreeNode* Node) override;
  void Collapse(TTreeNode* Node) override;
  void Change(TTreeNode* Node) override;
  void Delete(TTreeNode* Node) override;
  bool CanEdit(TTreeNode* Node) override;
  void Edit(TTreeNode* Node, std::string S) override;
  bool IsCustomDrawn() override;
  bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State) override;
  void BeginDragNode(TTreeNode* Node, TMouseButton Button) override;

private:
  bool Loading() const { return ComponentState().Contains(csLoading); }
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  void LoadChildren(TTreeNode* Node);
  void Watch(TTreeNode* Node, const std::string& Folder);
  void Unwatch(TTreeNode* Node);
  void PositionOnNode(TTreeNode* Node);
  void SortChildren(TTreeNode* Node, IShellFolder* Folder);
  void LinkNotice(TObject* Sender);
  void SetNoticeDelay(UINT Ms);
  void DropTargetNode(TTreeNode* Node);
  void ReleaseShellTarget();
  bool CheckBoxClick(int X, int Y);
  TNavSelectionState NodeState(TTreeNode* Node);
  void ApplyStateImage(TTreeNode* Node);
  void DroppedFiles(HDROP Drop);
  void RegisterDropTarget();
  TStringList* ClipboardList();
  TStringList* OneEntry(const std::string& Text);
  LPITEMIDLIST HomeAlias(LPCITEMIDLIST Pidl);

  bool FWindowCreated = false;
  bool FExpandBeyondRoot = true;
  TShellNavigator* FBrowser;
  TNavShellLink* FShellLink = nullptr;
  TNavShellFolder FRootedAt = SF_DESKTOP;
  TTimer* FLinkTimer;
  bool FImmediateNotice = true;
  std::string FRootedAtFileSystemFolder;
  bool FOleDragDrop = true;
  IDataObject* FDragData = nullptr;
  TTreeNode* FDropNode = nullptr;
  IDropTarget* FShellTarget = nullptr;
  TTreeNode* FDragSourceNode = nullptr;
  DWORD FDragButtons = 0;
  DWORD FLastEffect = DROPEFFECT_NONE;
  uint32_t FLastScroll = 0, FTargetTime = 0;
  bool FShellContextMenu = true;
  TNavShellShowOptions FShowOptions{soShowNethood, soShowRecycleBin, soShowErrorMessages};
  bool FCreateLinkOnDrop = false;
  std::string FStoredSelectedFolder;
  TNavShellFolder FStoredSpecialFolder = SF_DRIVES;
  bool FExpandOnSelected = false;
  std::unique_ptr<TPidlHistory> FHistory;
  bool FCheckBoxes = false;
  TNavShellChangeNotifier* FNotifier;
  TNavSystemImageList* FImages;
  TNavSelectionStateImageList* FStateList = nullptr;
  std::map<std::string, int> FWatched;  // notifier entries and how many open nodes asked for each
  bool FOleRegistered = false;
  bool FOleStarted = false;
  bool FClosing = false;
};
