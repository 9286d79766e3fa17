// ShellLink: joining shell controls and the ticked selection of the check-box mode.
//
// TNavShellLink keeps the windows of the shell controls that name it in their ShellLink; a
// selection, refresh or check-state change in one of them is sent as a window message to all the
// others. The link owns a TNavSelectionList: the ticked files ("path") and folders with
// everything below them ("path/*"), with running totals kept by TNavFolderSizeThread workers.
// The main window of the application uses no link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/component.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/typinfo.h"
#include "platform/win/shlobj.h"

// The messages a link sends to its controls.
enum : UINT {
  WM_NAV_FOLDERSELECTED = 1664,  // wParam: absolute PIDL of the folder
  WM_NAV_SELECTALL = 1665,
  WM_NAV_REFRESH = 1666,
  WM_NAV_CHECKSTATES = 1667,
  WM_NAV_SELECTPARENT = 1668,
  WM_NAV_ITEMSELECTED =
      1669,  // wParam: absolute PIDL of the folder, lParam: relative PIDL of the item
};

// The state images of the check-box mode.
enum TNavSelectionState : int {
  nsUnavailable = 1,  // cannot be ticked (the path does not exist or its volume does not answer)
  nsTicked = 2,
  nsNotTicked = 3,
  nsPartlyTicked = 4,  // something below it is ticked
};

class TNavSelectionList;

// A pointer list of window handles.
class TShellList : public TList {
  ORV_CLASS(TShellList, TList)
};
// A pointer list without operations of its own.
class TNavStack : public TList {
  ORV_CLASS(TNavStack, TList)
};

// Adds up the files below a folder (or one file) on a thread of its own; its total reaches the
// list through the list's SizeThreadDone on the user-interface thread when it ends.
class TNavFolderSizeThread : public TThread {
  ORV_CLASS(TNavFolderSizeThread, TThread)
public:
  TNavFolderSizeThread(const std::string& Path, TNavSelectionList* List);
  int Sign = 1;
  std::string Path;
  uint64_t TotalSize = 0;
  uint32_t FileCount = 0;

protected:
  void Execute() override;

private:
  void Scan(const std::string& Dir);
};

class TNavSelectionList : public TComponent {
  ORV_CLASS(TNavSelectionList, TComponent)
public:
  explicit TNavSelectionList(TComponent* AOwner);
  ~TNavSelectionList() override;
  static void Publish(TPublisher<TNavSelectionList>& P);
  void Assign(TPersistent* Source) override;

  // The ticked entries. Writing adds each line with Add; nothing is removed.
  TStrings* Paths() const { return FPaths.get(); }
  void SetPaths(TStrings* Value);
  // What is ticked: bytes and files. Workers still counting are not in yet (Busy).
  uint64_t TotalSize() const;
  uint32_t FileCount() const;
  bool Busy() const;

  TNavSelectionState GetState(const std::string& Path, bool& Covered);
  TNavSelectionState GetStatePidl(LPCITEMIDLIST Pidl, bool& Covered);
  void Add(const std::string& Path);
  void AddPidl(LPCITEMIDLIST Pidl);
  void Remove(const std::string& Path);
  void RemovePidl(LPCITEMIDLIST Pidl);
  void RemoveDescendants(const std::string& Path);
  // The highest ancestor of Path that has become fully ticked (Path itself when none has).
  std::string CollapsedPath(const std::string& Path);
  LPITEMIDLIST CollapsedPidl(LPCITEMIDLIST Pidl);
  // A worker ended: its total joins the list's.
  void SizeThreadDone(TObject* Sender);

  // A normalised path: an existing file as it is, an existing folder as "folder/*"; false for
  // anything else.
  static bool Normalise(std::string& Path);

private:
  struct TTotals;
  TNavSelectionState StateOf(const std::string& P, bool& Covered) const;
  bool IsCovered(const std::string& P) const;
  bool IsEntry(const std::string& P) const;
  bool FullyTicked(const std::string& P) const;
  void StartWorker(const std::string& Path, int Sign);
  void CountIn(const std::string& Entry, int Sign);
  void DeleteEntry(int Index);
  std::unique_ptr<TStringList> FPaths;
  std::shared_ptr<TTotals> FTotals;
  std::unique_ptr<TNavStack> FStack;
};

class TNavShellLink : public TComponent {
  ORV_CLASS(TNavShellLink, TComponent)
public:
  explicit TNavShellLink(TComponent* AOwner);
  ~TNavShellLink() override;
  static void Publish(TPublisher<TNavShellLink>& P);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  std::string Version() const { return std::string(ClassName()) + " V3.2"; }
  TNotifyEvent OnChange;
  TNavSelectionList* SelectionList() const { return FSelection; }
  // Set by the tree: its selected node lies below the root.
  bool BelowRoot() const { return FBelowRoot; }
  void SetBelowRoot(bool Value) { FBelowRoot = Value; }

  // A control's window joins (once) or leaves the link.
  void Join(HWND Wnd);
  void Leave(HWND Wnd);
  bool Joined(HWND Wnd) const;
  int WindowCount() const { return FWindows->Count(); }

  // Broadcasts to every joined window but Sender's, each handled before the next is addressed.
  void FolderSelected(HWND Sender, LPCITEMIDLIST Folder);
  void SelectAll(HWND Sender);
  void Refresh(HWND Sender);
  // With no sender every window receives it.
  void CheckStatesChanged(HWND Sender);
  void ItemSelected(HWND Sender, LPCITEMIDLIST Folder, LPCITEMIDLIST Item);

private:
  void Send(HWND Sender, UINT Msg, WPARAM W, LPARAM L, bool Selection);
  std::unique_ptr<TShellList> FWindows;
  bool FEnabled = true;
  TNavSelectionList* FSelection;
  bool FBelowRoot = true;
};
