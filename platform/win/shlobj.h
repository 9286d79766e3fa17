// The shell namespace over the file system: item identifier lists, shell folders and their
// enumerators, special folders, the system image lists, the shell's own context menu, data
// objects and drop targets, and change notification.
//
// The namespace is a tree whose root is the desktop (the empty item identifier list):
//   Desktop
//     Home                  the user's home folder ($HOME)
//     Computer              the file-system root ("/") and the mounted volumes (/media, /mnt,
//                           /run/media), each a "drive" whose path ends with "/"
//     Trash                 the XDG trash of the user ($XDG_DATA_HOME/Trash)
//     Network               an empty folder (there is no network browsing here)
// Special folders (CSIDL_*) are the XDG user folders (user-dirs.dirs), the XDG base folders and
// the virtual folders above; a folder that does not exist cannot be resolved.
//
// Item identifier lists keep the wire format the callers rely on: a run of items, each a 16-bit
// little-endian byte count (the count included) followed by that many bytes less two, ended by a
// zero count. The item bytes are this shell's own: a tag byte, then the item's data (a file-system
// item holds its flags, size, modification time and UTF-8 name). Every list a caller receives is
// allocated through the shell allocator (SHGetMalloc) and freed by the caller through it.
//
// Texts are UTF-8 throughout (names, paths, display names, verbs); where the Windows shell takes
// wide strings this one takes UTF-8. Change notification runs over inotify (shell_notify.cpp);
// "open" goes through ShellExecute (shellapi.h), so only files, folders and http(s)/mailto
// addresses open. Deleting moves to the trash.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/automation.h"
#include "platform/win/windef.h"

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

// ---- Item identifier lists ----
struct SHITEMID {
  USHORT cb;     // size of the item, this count included
  BYTE abID[1];  // the item's bytes (read them through byte pointers, never index abID)
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = LPITEMIDLIST;
using PCIDLIST_ABSOLUTE = LPCITEMIDLIST;

// The byte size of a list, its terminating zero count included (0 for null).
UINT ILGetSize(LPCITEMIDLIST pidl);
// The item after the first one (null at the end or for null).
LPITEMIDLIST ILGetNext(LPCITEMIDLIST pidl);
// The last item of a list (the list itself when it is empty).
LPITEMIDLIST ILFindLastID(LPCITEMIDLIST pidl);
// Copies through the shell allocator (null for null).
LPITEMIDLIST ILClone(LPCITEMIDLIST pidl);
// A new list with a's items followed by b's (either may be null).
LPITEMIDLIST ILCombine(LPCITEMIDLIST a, LPCITEMIDLIST b);
// Removes the last item in place; FALSE for an empty list.
BOOL ILRemoveLastID(LPITEMIDLIST pidl);
void ILFree(LPITEMIDLIST pidl);
// The two absolute lists name the same item (the desktop's CompareIDs says 0).
BOOL ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b);

// ---- Interface identifiers ----
extern const TGUID IID_IMalloc;
extern const TGUID IID_IShellFolder;
extern const TGUID IID_IEnumIDList;
extern const TGUID IID_IContextMenu;
extern const TGUID IID_IContextMenu2;
extern const TGUID IID_IDataObject;
extern const TGUID IID_IDropTarget;
extern const TGUID IID_IDropSource;
extern const TGUID IID_IShellIconOverlay;

// ---- The shell allocator ----
struct IMalloc : IUnknown {
  virtual void* Alloc(size_t cb) = 0;
  virtual void* Realloc(void* pv, size_t cb) = 0;
  virtual void Free(void* pv) = 0;
  virtual size_t GetSize(void* pv) = 0;  // (size_t)-1 for null
  virtual int DidAlloc(void* pv) = 0;    // 1 when pv is a live block of this allocator
  virtual void HeapMinimize() = 0;
};
// The process's shell allocator (one object; AddRef'd for the caller).
HRESULT SHGetMalloc(IMalloc** out);

// ---- Results ----
constexpr HRESULT MAKE_HRESULT(unsigned sev, unsigned fac, unsigned code) {
  return static_cast<HRESULT>((static_cast<uint32_t>(sev) << 31) |
                              (static_cast<uint32_t>(fac) << 16) | (code & 0xFFFF));
}
constexpr unsigned SEVERITY_SUCCESS = 0, SEVERITY_ERROR = 1, FACILITY_WIN32 = 7;
constexpr HRESULT HRESULT_FROM_WIN32(DWORD e) {
  return e == 0 ? 0 : static_cast<HRESULT>((e & 0xFFFF) | 0x80070000u);
}
constexpr uint16_t HRESULT_CODE(HRESULT hr) { return static_cast<uint16_t>(hr & 0xFFFF); }
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);

// ---- Shell folders ----
enum : DWORD {
  SHCONTF_FOLDERS = 0x0020,
  SHCONTF_NONFOLDERS = 0x0040,
  SHCONTF_INCLUDEHIDDEN = 0x0080,
};
enum : DWORD {
  SHGDN_NORMAL = 0x0000,
  SHGDN_INFOLDER = 0x0001,
  SHGDN_FOREDITING = 0x1000,
  SHGDN_FORADDRESSBAR = 0x4000,
  SHGDN_FORPARSING = 0x8000,
};
enum : ULONG {
  SFGAO_CANCOPY = 0x00000001,
  SFGAO_CANMOVE = 0x00000002,
  SFGAO_CANLINK = 0x00000004,
  SFGAO_STORAGE = 0x00000008,
  SFGAO_CANRENAME = 0x00000010,
  SFGAO_CANDELETE = 0x00000020,
  SFGAO_HASPROPSHEET = 0x00000040,
  SFGAO_DROPTARGET = 0x00000100,
  SFGAO_GHOSTED = 0x00008000,
  SFGAO_LINK = 0x00010000,
  SFGAO_SHARE = 0x00020000,
  SFGAO_READONLY = 0x00040000,
  SFGAO_HIDDEN = 0x00080000,
  SFGAO_STREAM = 0x00400000,
  SFGAO_REMOVABLE = 0x02000000,
  SFGAO_COMPRESSED = 0x04000000,
  SFGAO_FILESYSANCESTOR = 0x10000000,
  SFGAO_FOLDER = 0x20000000,
  SFGAO_FILESYSTEM = 0x40000000,
  SFGAO_HASSUBFOLDER = 0x80000000,
};

// A display name as a folder hands it out: a text allocated through the shell allocator
// (STRRET_WSTR, UTF-16; the caller frees it), an offset of the text inside the item
// (STRRET_OFFSET), or the text itself (STRRET_CSTR, UTF-8). This shell gives STRRET_CSTR when
// the text fits and STRRET_WSTR otherwise.
enum : UINT { STRRET_WSTR = 0, STRRET_OFFSET = 1, STRRET_CSTR = 2 };
struct STRRET {
  UINT uType;
  union {
    LPWSTR pOleStr;
    UINT uOffset;
    char cStr[MAX_PATH];
  };
};

struct IEnumIDList : IUnknown {
  // Hands out up to celt relative lists (the caller frees them); S_FALSE when fewer came.
  virtual HRESULT Next(ULONG celt, LPITEMIDLIST* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
};

struct IShellFolder : IUnknown {
  // Parses a name relative to this folder (the desktop also takes absolute paths, "~/..." and
  // the "::Name" of its virtual folders) into a relative list. A name that names nothing gives
  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) or (ERROR_PATH_NOT_FOUND for a missing folder on the
  // way). bindCtx is ignored; attributes, when given, receive the attributes asked for.
  virtual HRESULT ParseDisplayName(HWND owner, void* bindCtx, LPCSTR displayName, ULONG* eaten,
                                   LPITEMIDLIST* pidl, ULONG* attributes) = 0;
  virtual HRESULT EnumObjects(HWND owner, DWORD flags, IEnumIDList** out) = 0;
  // The folder of a relative list below this one (IID_IShellFolder).
  virtual HRESULT BindToObject(LPCITEMIDLIST pidl, void* bindCtx, REFIID riid, void** out) = 0;
  virtual HRESULT BindToStorage(LPCITEMIDLIST pidl, void* bindCtx, REFIID riid, void** out) = 0;
  // Orders two relative lists: HRESULT with a signed 16-bit code (negative, 0, positive) in its
  // low word. Folders come before other items, then names without regard to case (then with);
  // column (low word of lParam) 0 is the name.
  virtual HRESULT CompareIDs(LPARAM lParam, LPCITEMIDLIST a, LPCITEMIDLIST b) = 0;
  virtual HRESULT CreateViewObject(HWND owner, REFIID riid, void** out) = 0;
  // ANDs the attributes the items share into *inOut (ask with the bits wanted).
  virtual HRESULT GetAttributesOf(UINT cidl, LPCITEMIDLIST* apidl, ULONG* inOut) = 0;
  // IID_IContextMenu(2) for the items, IID_IDataObject (their file list), IID_IDropTarget (one
  // folder item: dropping copies, moves or links into it).
  virtual HRESULT GetUIObjectOf(HWND owner, UINT cidl, LPCITEMIDLIST* apidl, REFIID riid,
                                UINT* reserved, void** out) = 0;
  virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST pidl, DWORD flags, STRRET* name) = 0;
  // Renames the item; out (when given) receives its new relative list. With an owner window a
  // failure is also shown to the user.
  virtual HRESULT SetNameOf(HWND owner, LPCITEMIDLIST pidl, LPCSTR name, DWORD flags,
                            LPITEMIDLIST* out) = 0;
};

struct IShellIconOverlay : IUnknown {
  virtual HRESULT GetOverlayIndex(LPCITEMIDLIST pidl, int* index) = 0;
  virtual HRESULT GetOverlayIconIndex(LPCITEMIDLIST pidl, int* iconIndex) = 0;
};

HRESULT SHGetDesktopFolder(IShellFolder** out);

// ---- Special folders ----
enum : int {
  CSIDL_DESKTOP = 0x0000,
  CSIDL_INTERNET = 0x0001,
  CSIDL_PROGRAMS = 0x0002,
  CSIDL_CONTROLS = 0x0003,
  CSIDL_PRINTERS = 0x0004,
  CSIDL_PERSONAL = 0x0005,
  CSIDL_FAVORITES = 0x0006,
  CSIDL_STARTUP = 0x0007,
  CSIDL_RECENT = 0x0008,
  CSIDL_SENDTO = 0x0009,
  CSIDL_BITBUCKET = 0x000A,
  CSIDL_STARTMENU = 0x000B,
  CSIDL_DESKTOPDIRECTORY = 0x0010,
  CSIDL_DRIVES = 0x0011,
  CSIDL_NETWORK = 0x0012,
  CSIDL_NETHOOD = 0x0013,
  CSIDL_FONTS = 0x0014,
  CSIDL_TEMPLATES = 0x0015,
  CSIDL_COMMON_STARTMENU = 0x0016,
  CSIDL_COMMON_PROGRAMS = 0x0017,
  CSIDL_COMMON_STARTUP = 0x0018,
  CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019,
  CSIDL_APPDATA = 0x001A,
  CSIDL_PRINTHOOD = 0x001B,
  CSIDL_LOCAL_APPDATA = 0x001C,
  CSIDL_ALTSTARTUP = 0x001D,
  CSIDL_COMMON_ALTSTARTUP = 0x001E,
  CSIDL_COMMON_FAVORITES = 0x001F,
  CSIDL_INTERNET_CACHE = 0x0020,
  CSIDL_COOKIES = 0x0021,
  CSIDL_HISTORY = 0x0022,
  CSIDL_COMMON_APPDATA = 0x0023,
  CSIDL_WINDOWS = 0x0024,
  CSIDL_SYSTEM = 0x0025,
  CSIDL_PROGRAM_FILES = 0x0026,
  CSIDL_MYPICTURES = 0x0027,
  CSIDL_PROFILE = 0x0028,
  CSIDL_PROGRAM_FILES_COMMON = 0x002B,
  CSIDL_COMMON_DOCUMENTS = 0x002E,
};
// The absolute list of a special folder (the caller frees it); E_INVALIDARG for a folder this
// platform has no equivalent of or whose folder does not exist. Which folder each id stands for
// is listed in shell_folders.cpp.
HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* out);
// The file-system path of an absolute list (a volume's with a trailing "/", others without);
// FALSE for a virtual folder. path holds MAX_PATH chars; SHGetPathFromIDListEx takes its size.
BOOL SHGetPathFromIDList(LPCITEMIDLIST pidl, LPSTR path);
BOOL SHGetPathFromIDListEx(LPCITEMIDLIST pidl, LPSTR path, DWORD cchPath, int flags);
inline BOOL SHGetPathFromIDListA(LPCITEMIDLIST p, LPSTR s) { return SHGetPathFromIDList(p, s); }

// ---- Item data ----
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
enum : DWORD {
  FILE_ATTRIBUTE_READONLY = 0x01,
  FILE_ATTRIBUTE_HIDDEN = 0x02,
  FILE_ATTRIBUTE_SYSTEM = 0x04,
  FILE_ATTRIBUTE_DIRECTORY = 0x10,
  FILE_ATTRIBUTE_ARCHIVE = 0x20,
  FILE_ATTRIBUTE_NORMAL = 0x80,
  FILE_ATTRIBUTE_REPARSE_POINT = 0x400,
};
struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;  // 100-ns intervals since 1601-01-01 UTC
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];  // UTF-8
  CHAR cAlternateFileName[14];
};
using WIN32_FIND_DATA = WIN32_FIND_DATAA;
enum : DWORD { RESOURCETYPE_ANY = 0, RESOURCETYPE_DISK = 1, RESOURCETYPE_PRINT = 2 };
struct NETRESOURCEA {
  DWORD dwScope, dwType, dwDisplayType, dwUsage;
  LPSTR lpLocalName, lpRemoteName, lpComment, lpProvider;
};
enum : int { SHGDFIL_FINDDATA = 1, SHGDFIL_NETRESOURCE = 2, SHGDFIL_DESCRIPTIONID = 3 };
// The directory entry of a file-system item (SHGDFIL_FINDDATA into a WIN32_FIND_DATAA of cb
// bytes). Volumes and virtual folders have none (E_INVALIDARG), nor have network resources
// (SHGDFIL_NETRESOURCE always fails: there is no network here).
HRESULT SHGetDataFromIDList(IShellFolder* folder, LPCITEMIDLIST pidl, int format, void* out,
                            int cb);

// ---- System image lists and file information ----
struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;
enum : UINT {
  SHGFI_LARGEICON = 0x000000,
  SHGFI_SMALLICON = 0x000001,
  SHGFI_OPENICON = 0x000002,
  SHGFI_PIDL = 0x000008,
  SHGFI_USEFILEATTRIBUTES = 0x000010,
  SHGFI_ICON = 0x000100,
  SHGFI_DISPLAYNAME = 0x000200,
  SHGFI_TYPENAME = 0x000400,
  SHGFI_ATTRIBUTES = 0x000800,
  SHGFI_SYSICONINDEX = 0x004000,
  SHGFI_LINKOVERLAY = 0x008000,
  SHGFI_SELECTED = 0x010000,
};
struct SHFILEINFOA {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  CHAR szDisplayName[MAX_PATH];
  CHAR szTypeName[80];
};
using SHFILEINFO = SHFILEINFOA;
// Information on a path (or, with SHGFI_PIDL, on an absolute list passed as the path). With
// SHGFI_SYSICONINDEX the result is the system image list (small with SHGFI_SMALLICON, large
// otherwise) and iIcon the item's image in it; otherwise non-zero on success.
DWORD_PTR SHGetFileInfo(LPCSTR path, DWORD fileAttributes, SHFILEINFOA* info, UINT cbInfo,
                        UINT flags);
inline DWORD_PTR SHGetFileInfoA(LPCSTR p, DWORD a, SHFILEINFOA* i, UINT c, UINT f) {
  return SHGetFileInfo(p, a, i, c, f);
}
// The system image lists hold the icons of the installed icon theme (looked up by the XDG icon
// theme rules, 16 and 32 pixels), with drawn ones where the theme has none; they only grow.
// Overlay images: 1 the share hand, 2 the shortcut arrow (as ILD_OVERLAYMASK indexes); they are
// also images 0 and 1 of each list.
enum : UINT { ILD_NORMAL = 0, ILD_TRANSPARENT = 1, ILD_OVERLAYMASK = 0x0F00 };
constexpr UINT INDEXTOOVERLAYMASK(UINT i) { return i << 8; }
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Draws image i at (x, y) blended by its alpha; the overlay in the style's overlay bits on top.
BOOL ImageList_Draw(HIMAGELIST list, int i, HDC dc, int x, int y, UINT style);
// Not Windows API: image i as 0xAARRGGBB pixels (straight alpha, top row first), width x height
// of the list; an overlay image with i = -overlay. FALSE for a bad index.
BOOL ImageList_GetImageBits(HIMAGELIST list, int i, std::vector<uint32_t>* argb);
// Not Windows API: a counter that changes whenever a system list gains an image, so that copies
// of the lists know when to take the new images.
unsigned SystemImageListGeneration();

// ---- Context menus ----
enum : UINT {
  CMF_NORMAL = 0x0000,
  CMF_DEFAULTONLY = 0x0001,
  CMF_VERBSONLY = 0x0002,
  CMF_EXPLORE = 0x0004,
  CMF_NOVERBS = 0x0008,
  CMF_CANRENAME = 0x0010,
};
enum : UINT { GCS_VERBA = 0x0000, GCS_HELPTEXTA = 0x0001, GCS_VALIDATEA = 0x0002 };
struct CMINVOKECOMMANDINFO {
  DWORD cbSize;
  DWORD fMask;
  HWND hwnd;
  LPCSTR lpVerb;  // a verb, or MAKEINTRESOURCE(command offset)
  LPCSTR lpParameters;
  LPCSTR lpDirectory;
  int nShow;
  DWORD dwHotKey;
  HANDLE hIcon;
};
inline bool IS_INTRESOURCE(LPCSTR p) { return (reinterpret_cast<uintptr_t>(p) >> 16) == 0; }
inline LPCSTR MAKEINTRESOURCEA(uintptr_t i) { return reinterpret_cast<LPCSTR>(i & 0xFFFF); }

struct IContextMenu : IUnknown {
  // Inserts the shell's items at indexMenu with ids from idCmdFirst; returns a success HRESULT
  // whose code is the largest offset used plus one.
  virtual HRESULT QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                   UINT flags) = 0;
  virtual HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) = 0;
  virtual HRESULT GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, LPSTR name,
                                   UINT cchMax) = 0;
};
struct IContextMenu2 : IContextMenu {
  virtual HRESULT HandleMenuMsg(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

// The verbs of this shell's context menu: "open", "explore" (folders), "cut", "copy", "paste"
// (folders, when the clipboard holds files), "link" (creates a symbolic link beside the item),
// "delete" (to the trash; in the trash itself, for good), "rename", "newfolder" (folders),
// "properties". An owner window lets the shell ask (delete, new folder name) and show results
// through the user-interface hooks below; without one nothing is shown and nothing is asked.

// What the shell asks of the user interface. The class library installs these; without them
// confirmations answer yes, names are not asked (a default name is used) and nothing is shown.
struct TShellUiHooks {
  // Yes/no question; true for yes.
  std::function<bool(HWND Owner, const std::string& Text, const std::string& Caption)> Confirm;
  // A message (errors, properties).
  std::function<void(HWND Owner, const std::string& Text, const std::string& Caption)> Show;
  // Asks for a text; false when cancelled.
  std::function<bool(HWND Owner, const std::string& Caption, const std::string& Prompt,
                     std::string& Value)>
      Ask;
};
void SetShellUiHooks(const TShellUiHooks& Hooks);

// ---- Clipboard file lists ----
// The clipboard's file list (CF_HDROP) and how it got there (the registered format "Preferred
// DropEffect": DROPEFFECT_MOVE after a cut). Empty when the clipboard holds no files.
std::vector<std::string> GetClipboardFiles(DWORD* preferredEffect = nullptr);
bool SetClipboardFiles(const std::vector<std::string>& Files, DWORD preferredEffect);
// The bytes of CF_HDROP as this platform keeps them (a 20-byte DROPFILES header, then the UTF-8
// names, each ended by a zero, and one more zero), and back.
std::vector<uint8_t> MakeDropFilesBlock(const std::vector<std::string>& Files);
std::vector<std::string> ParseDropFilesBlock(const uint8_t* Data, size_t Size);

// ---- Change notification ----
enum : LONG {
  SHCNE_RENAMEITEM = 0x00000001,
  SHCNE_CREATE = 0x00000002,
  SHCNE_DELETE = 0x00000004,
  SHCNE_MKDIR = 0x00000008,
  SHCNE_RMDIR = 0x00000010,
  SHCNE_MEDIAINSERTED = 0x00000020,
  SHCNE_MEDIAREMOVED = 0x00000040,
  SHCNE_DRIVEREMOVED = 0x00000080,
  SHCNE_DRIVEADD = 0x00000100,
  SHCNE_NETSHARE = 0x00000200,
  SHCNE_NETUNSHARE = 0x00000400,
  SHCNE_ATTRIBUTES = 0x00000800,
  SHCNE_UPDATEDIR = 0x00001000,
  SHCNE_UPDATEITEM = 0x00002000,
  SHCNE_SERVERDISCONNECT = 0x00004000,
  SHCNE_UPDATEIMAGE = 0x00008000,
  SHCNE_DRIVEADDGUI = 0x00010000,
  SHCNE_RENAMEFOLDER = 0x00020000,
  SHCNE_FREESPACE = 0x00040000,
  SHCNE_ASSOCCHANGED = 0x08000000,
  SHCNE_ALLEVENTS = 0x7FFFFFFF,
  SHCNE_INTERRUPT = static_cast<LONG>(0x80000000u),
};
enum : int {
  SHCNRF_InterruptLevel = 0x0001,
  SHCNRF_ShellLevel = 0x0002,
  SHCNRF_RecursiveInterrupt = 0x1000
};
struct SHChangeNotifyEntry {
  LPCITEMIDLIST pidl;
  BOOL fRecursive;
};
// Watches the folders of the entries (recursively when asked) and reports the events of the
// mask to wnd as message msg: wParam points to two absolute lists (the item, and for a rename
// its new name; the second may be null), valid only while the message is handled; lParam is the
// event. The reports are sent on the thread that registered, from its message loop. Folders are
// watched through inotify; virtual folders (the desktop, Computer) report volumes that are
// mounted and unmounted (SHCNE_DRIVEADD, SHCNE_DRIVEREMOVED). Returns the registration's id, 0
// on failure.
ULONG SHChangeNotifyRegister(HWND wnd, int sources, LONG events, UINT msg, int entries,
                             const SHChangeNotifyEntry* items);
BOOL SHChangeNotifyDeregister(ULONG id);
// Not Windows API: the number of live registrations (for tests and diagnostics).
int SHChangeNotifyRegistrationCount();
