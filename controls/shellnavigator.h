// ShellNavigator: the shell browser every shell control works through.
//
// TShellNavigator is positioned on one shell folder and one item of it; it enumerates the folder
// (Next), names and describes the item, parses paths, renames items and runs the shell's verbs
// and context menu. The unit also holds the process-wide shell objects (ShellMalloc,
// DesktopFolder, DesktopPidl), the routines on item identifier lists (PIDLs) every shell control
// uses, the special-folder table, the system image list component TNavSystemImageList and the
// PIDL history TPidlHistory.
//
// On this platform the shell is the namespace of platform/win/shlobj.h (the file system with
// Home, Computer and its volumes, the trash): paths use "/" where the original used "\", a
// volume plays a drive's part (its path ends with "/", as "C:\" did), and texts are UTF-8.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/win/shlobj.h"
#include "platform/win/winuser.h"

class TPopupMenu;
class TMenuItem;

// ---- Special folders ----
// Each value stands for the special folder whose CSIDL constant has the same name;
// SF_FILESYSTEMFOLDER is a plain folder given by path (CSIDL_DRIVES when a PIDL is needed).
ORV_ENUM(TNavShellFolder, SF_FILESYSTEMFOLDER, SF_BITBUCKET, SF_CONTROLS, SF_DESKTOP,
         SF_DESKTOPDIRECTORY, SF_DRIVES, SF_FONTS, SF_NETHOOD, SF_NETWORK, SF_PERSONAL, SF_PRINTERS,
         SF_PROGRAMS, SF_RECENT, SF_SENDTO, SF_STARTMENU, SF_STARTUP, SF_TEMPLATES, SF_FAVORITES,
         SF_COMMON_STARTMENU, SF_COMMON_STARTUP, SF_COMMON_DESKTOPDIRECTORY, SF_APPDATA,
         SF_PRINTHOOD, SF_COMMON_FAVORITES, SF_INTERNET_CACHE, SF_COOKIES, SF_HISTORY,
         SF_COMMON_PROGRAMS, SF_ALTSTARTUP, SF_COMMON_APPDATA, SF_COMMON_DOCUMENTS, SF_INTERNET,
         SF_LOCAL_APPDATA, SF_MYPICTURES, SF_PROGRAM_FILES, SF_SYSTEM, SF_PROGRAM_FILES_COMMON)

// The CSIDL of a special folder.
int ShellFolderCSIDL(TNavShellFolder Folder);
// The first special folder (SF_BITBUCKET .. SF_PROGRAM_FILES_COMMON, in order) whose PIDL names
// the same item; SF_FILESYSTEMFOLDER when none does. Folders that cannot be resolved are skipped.
TNavShellFolder SpecialFolderOf(LPCITEMIDLIST Pidl);

// ---- Process-wide shell objects ----
// Set up by the unit's start-up (counted across the units that use it), released by the last
// shut-down. DesktopPidl is the empty list (two zero bytes) and is never freed.
extern IMalloc* ShellMalloc;
extern IShellFolder* DesktopFolder;
extern LPITEMIDLIST DesktopPidl;
// The shell's change-notification entries; they may be absent (null), and then nothing is
// watched.
using TSHChangeNotifyRegister = ULONG (*)(HWND, int, LONG, UINT, int, const SHChangeNotifyEntry*);
using TSHChangeNotifyDeregister = BOOL (*)(ULONG);
extern TSHChangeNotifyRegister SHChangeNotifyRegisterEntry;
extern TSHChangeNotifyDeregister SHChangeNotifyDeregisterEntry;
// The flags the original took from the Windows version: this platform counts as the NT family
// with a shell that is not old.
extern bool ShellIsNT;
extern bool ShellIsOld;
void ShellNavigatorStartup();
void ShellNavigatorShutdown();

// ---- PIDL routines ----
int PidlItemCount(LPCITEMIDLIST Pidl);
// The byte count of the first item (items sit at any address: read byte by byte).
inline UINT PidlItemSize(LPCITEMIDLIST Pidl) {
  auto* b = reinterpret_cast<const BYTE*>(Pidl);
  return Pidl ? static_cast<UINT>(b[0] | (b[1] << 8)) : 0;
}
UINT PidlSize(LPCITEMIDLIST Pidl);  // item counts plus 2; 0 for none
LPITEMIDLIST AllocPidl(UINT Size);  // zero-filled, through ShellMalloc
void FreePidl(LPITEMIDLIST Pidl);   // DesktopPidl and null are left alone
LPITEMIDLIST CopyPidl(LPCITEMIDLIST Pidl);
LPITEMIDLIST ConcatPidls(LPCITEMIDLIST A, LPCITEMIDLIST B);
// A one-item list holding item N (from 0); the empty list when N is the item count; none beyond.
LPITEMIDLIST CopyItemAt(LPCITEMIDLIST Pidl, int N);
// The first item is the Network folder.
bool IsNetworkPidl(LPCITEMIDLIST Pidl);
// DesktopFolder's order of two absolute lists (0: the same item).
int ComparePidls(LPCITEMIDLIST A, LPCITEMIDLIST B);

// ---- Path routines ----
// The folder (the desktop when null) parses Path; an empty path gives a copy of DesktopPidl.
// None when the shell cannot parse it.
LPITEMIDLIST ParsePath(IShellFolder* Folder, const std::string& Path);
// The file-system path of an absolute list: empty for none; a list of at most one item that is
// not SF_PERSONAL must have file data; otherwise the shell's path (a volume's ends with "/").
std::string PidlToPath(LPCITEMIDLIST Pidl);
// Size of a file from its directory entry (64 bits), -1 when not found.
int64_t FileSize64(const std::string& Path);
// The path names something (file, folder, link).
bool ObjectExists(const std::string& Path);
// The system's text of an error code (an HRESULT of the Win32 facility gives its code's text).
std::string SysErrorText(int64_t Code);
// The files of a drop handle.
std::vector<std::string> DropHandleFiles(HDROP Drop);
// Matching a name against one mask: "*" any run (trying the shortest first), "?" one character,
// other characters without case; the mask "*" matches everything.
bool WildcardMatch(const std::string& Name, const std::string& Mask);

ORV_EXCEPTION(EShellNavigatorError, Exception)

// The hourglass while the shell works; the cursor before it comes back at the end of the scope.
class TNavWaitCursor {
public:
  TNavWaitCursor();
  ~TNavWaitCursor();
  TNavWaitCursor(const TNavWaitCursor&) = delete;
  TNavWaitCursor& operator=(const TNavWaitCursor&) = delete;

private:
  int FSaved;
};

using TOnContextMenuSelectEvent = std::function<void(const std::string& command, bool& execute)>;

class TShellNavigator : public TComponent {
  ORV_CLASS(TShellNavigator, TComponent)
public:
  explicit TShellNavigator(TComponent* AOwner);
  ~TShellNavigator() override;
  static void Publish(TPublisher<TShellNavigator>& P);

  // ---- Published ----
  std::string Filter() const;
  void SetFilter(const std::string& Value);
  // The current folder's path with a trailing "/", empty for a virtual folder. Setting it
  // positions the browser there (empty: Computer); EShellNavigatorError "Cannot Find Folder: "
  // when the shell cannot parse it.
  const std::string& Folder() const { return FFolder; }
  void SetFolder(const std::string& Value);
  // The current item's file name; setting it finds the item (by parsing, then by its names).
  std::string ObjectName();
  void SetObjectName(const std::string& Value);
  bool FileSystemOnly() const { return FFileSystemOnly; }
  void SetFileSystemOnly(bool Value) { FFileSystemOnly = Value; }
  // Names of several objects of the folder that the next verb or menu works on.
  TStrings* MultiObjects() const { return FMultiObjects.get(); }
  void SetMultiObjects(TStrings* Value) { FMultiObjects->Assign(Value); }
  bool ShowErrorMessages() const { return FShowErrorMessages; }
  void SetShowErrorMessages(bool Value) { FShowErrorMessages = Value; }
  bool ShowContextMenuOnTop() const { return FShowContextMenuOnTop; }
  void SetShowContextMenuOnTop(bool Value) { FShowContextMenuOnTop = Value; }
  std::string Version() const { return std::string(ClassName()) + " V3.2"; }
  TNotifyEvent OnRename;
  TOnContextMenuSelectEvent OnContextMenuSelect;

  // ---- Position ----
  void SetFolderIDList(LPCITEMIDLIST Pidl);
  bool SetSpecialFolder(TNavShellFolder Value);
  void SetItem(LPCITEMIDLIST Pidl);
  void SetItemFullPidl(LPCITEMIDLIST Pidl);
  void GoUp();
  LPITEMIDLIST ItemPidl() const { return CopyPidl(FItem); }          // a copy
  LPITEMIDLIST FolderPidl() const { return CopyPidl(FFolderPidl); }  // a copy
  LPCITEMIDLIST FullPidl();  // folder + item, made once per item; not a copy
  LPCITEMIDLIST Item() const { return FItem; }
  LPCITEMIDLIST FolderIDList() const { return FFolderPidl; }
  IShellFolder* ShellFolder() const { return FShellFolder; }

  // ---- The current item ----
  std::string DisplayName();
  ULONG GetAttributes(ULONG Mask);
  bool IsFolder() { return GetAttributes(SFGAO_FOLDER) & SFGAO_FOLDER; }
  bool IsHidden() { return GetAttributes(SFGAO_HIDDEN) & SFGAO_HIDDEN; }
  bool CanRename();
  bool HasSubFolder();
  std::string NetworkName();
  int SmallIcon();
  int OpenIcon();
  int DesktopIcon();
  std::string DesktopName();
  int OverlayIndex();  // -1 none, 0 share hand, 1 shortcut arrow
  void Rename(std::string& Name);
  bool MatchesFilter();
  bool Next();
  HWND OwnerWindow();
  bool ExecuteVerb(const std::string& Verb);
  std::string ShowContextMenu(POINT P, TPopupMenu* Popup);

  // Set by the tree: refuses "delete", "cut" and "paste" from the context menu.
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool IsLoaded() const { return FLoaded; }
  void Loaded() override;

private:
  struct TObjects;
  void TakeObjects(TObjects& Objects);
  void ReleaseEnum();
  void DropFullPidl();
  void MenuWindowProc(TMessage& Message);
  bool IsCopiedCommand(UINT Id) const;

  std::string FFolder;
  LPITEMIDLIST FFolderPidl = nullptr;
  IShellFolder* FShellFolder = nullptr;
  LPITEMIDLIST FItem = nullptr;
  LPITEMIDLIST FFullPidl = nullptr;
  IEnumIDList* FEnum = nullptr;
  bool FFileSystemOnly = false;
  std::unique_ptr<TStringList> FMultiObjects;
  std::unique_ptr<TStringList> FFilters;
  IContextMenu2* FContextMenu2 = nullptr;
  TPopupMenu* FMenu = nullptr;
  HMENU FTrackedMenu = nullptr;
  HWND FMenuWindow = nullptr;
  UINT FFirstCommand = 1;
  int FCopiedCount = 0;
  bool FLoaded = false;
  bool FReadOnly = false;
  int FHasSubFolder = -1;
  bool FShowErrorMessages = true;
  bool FShowContextMenuOnTop = false;
};

ORV_ENUM(TNavImageListSize, si_small, si_large)

// The system image list as an image list: its images are the shell's, index for index (the
// two overlays are images 0 and 1 and overlay numbers 0 and 1). With ShareImages the list follows
// the system list as it grows; without it, it is a private copy taken when the handle is taken.
// System images are kept blended on the window colour.
class TNavSystemImageList : public TImageList {
  ORV_CLASS(TNavSystemImageList, TImageList)
public:
  explicit TNavSystemImageList(TComponent* AOwner);
  ~TNavSystemImageList() override;
  static void Publish(TPublisher<TNavSystemImageList>& P);
  bool ShareImages() const { return FShareImages; }
  void SetShareImages(bool Value);
  TNavImageListSize Size() const { return FSize; }
  void SetSize(TNavImageListSize Value);
  HIMAGELIST Handle() const { return FHandle; }
  // Takes the images the system list gained since the last look (shared lists only).
  void Sync();
  void Loaded() override;

private:
  void TakeHandle();
  bool FShareImages = true;
  TNavImageListSize FSize = si_small;
  HIMAGELIST FHandle = nullptr;
};
// Brings every shared TNavSystemImageList up to date (called after the shell hands out icons).
void SyncSystemImageLists();

// The PIDLs of the folders visited (absolute, owned by the history) and the current position.
class TPidlHistory : public TList {
  ORV_CLASS(TPidlHistory, TList)
public:
  TPidlHistory() = default;
  ~TPidlHistory() override;
  int Position() const { return FPosition; }
  LPITEMIDLIST Pidls(int Index) const { return static_cast<LPITEMIDLIST>(Items(Index)); }
  // Takes Pidl over: entries after the position go first (last first), then it is appended and
  // becomes the position. Null is not added.
  virtual void Add(LPITEMIDLIST Pidl);
  // Frees the entry's PIDL and removes it.
  virtual void Delete(int Index);
  virtual void Forward(int N);
  virtual void Back(int N);

private:
  int FPosition = 0;
};
