// ShellNavigator: the process-wide shell objects, the PIDL and path routines, TShellNavigator,
// TNavSystemImageList and TPidlHistory.
#include "controls/shellnavigator.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/rtl/fileutils.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/msgwnd.h"
#include "platform/win/ole2.h"
#include "platform/win/winerror.h"

ORV_CLASS_IMPL(TShellNavigator, TComponent)
ORV_CLASS_IMPL(TNavSystemImageList, TImageList)
ORV_CLASS_IMPL(TPidlHistory, TList)

IMalloc* ShellMalloc = nullptr;
IShellFolder* DesktopFolder = nullptr;
LPITEMIDLIST DesktopPidl = nullptr;
TSHChangeNotifyRegister SHChangeNotifyRegisterEntry = nullptr;
TSHChangeNotifyDeregister SHChangeNotifyDeregisterEntry = nullptr;
bool ShellIsNT = false;
bool ShellIsOld = false;

namespace {

int gUnitUsers = 0;
BYTE gDesktopPidl[2] = {0, 0};

// The unit's start-up and shut-down for the program's lifetime.
struct TUnitLife {
  TUnitLife() { ShellNavigatorStartup(); }
  ~TUnitLife() { ShellNavigatorShutdown(); }
} gUnitLife;

const int kCSIDL[] = {CSIDL_DRIVES,
                      CSIDL_BITBUCKET,
                      CSIDL_CONTROLS,
                      CSIDL_DESKTOP,
                      CSIDL_DESKTOPDIRECTORY,
                      CSIDL_DRIVES,
                      CSIDL_FONTS,
                      CSIDL_NETHOOD,
                      CSIDL_NETWORK,
                      CSIDL_PERSONAL,
                      CSIDL_PRINTERS,
                      CSIDL_PROGRAMS,
                      CSIDL_RECENT,
                      CSIDL_SENDTO,
                      CSIDL_STARTMENU,
                      CSIDL_STARTUP,
                      CSIDL_TEMPLATES,
                      CSIDL_FAVORITES,
                      CSIDL_COMMON_STARTMENU,
                      CSIDL_COMMON_STARTUP,
                      CSIDL_COMMON_DESKTOPDIRECTORY,
                      CSIDL_APPDATA,
                      CSIDL_PRINTHOOD,
                      CSIDL_COMMON_FAVORITES,
                      CSIDL_INTERNET_CACHE,
                      CSIDL_COOKIES,
                      CSIDL_HISTORY,
                      CSIDL_COMMON_PROGRAMS,
                      CSIDL_ALTSTARTUP,
                      CSIDL_COMMON_APPDATA,
                      CSIDL_COMMON_DOCUMENTS,
                      CSIDL_INTERNET,
                      CSIDL_LOCAL_APPDATA,
                      CSIDL_MYPICTURES,
                      CSIDL_PROGRAM_FILES,
                      CSIDL_SYSTEM,
                      CSIDL_PROGRAM_FILES_COMMON};
static_assert(sizeof kCSIDL / sizeof kCSIDL[0] == SF_PROGRAM_FILES_COMMON + 1);

std::string StrRetText(STRRET& s, LPCITEMIDLIST Item) {
  switch (s.uType) {
    case STRRET_WSTR: {
      std::string t = s.pOleStr ? UTF8Encode(s.pOleStr) : std::string();
      ShellMalloc->Free(s.pOleStr);
      return t;
    }
    case STRRET_OFFSET:
      return Item ? std::string(reinterpret_cast<const char*>(Item) + s.uOffset) : std::string();
    default:
      return s.cStr;
  }
}

// The default item of a menu (by command), 0 when it has none.
UINT MenuDefaultCommand(HMENU Menu) {
  for (int i = 0; i < GetMenuItemCount(Menu); ++i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STATE | MIIM_ID;
    if (GetMenuItemInfo(Menu, static_cast<UINT>(i), TRUE, &mii) && (mii.fState & MFS_DEFAULT))
      return mii.wID;
  }
  return 0;
}

std::set<TNavSystemImageList*>& SystemLists() {
  static std::set<TNavSystemImageList*> s;
  return s;
}

}  // namespace

TNavWaitCursor::TNavWaitCursor() : FSaved(Screen()->Cursor()) { Screen()->SetCursor(crHourGlass); }
TNavWaitCursor::~TNavWaitCursor() { Screen()->SetCursor(static_cast<TCursor>(FSaved)); }

// ---- Unit start-up ----
void ShellNavigatorStartup() {
  if (gUnitUsers++ > 0) return;
  OleInitialize(nullptr);
  SHChangeNotifyRegisterEntry = &SHChangeNotifyRegister;
  SHChangeNotifyDeregisterEntry = &SHChangeNotifyDeregister;
  if (Failed(SHGetMalloc(&ShellMalloc)) || Failed(SHGetDesktopFolder(&DesktopFolder))) {
    ShowMessage("Cannot find Shell!");
    Application()->Terminate();
  }
  DesktopPidl = reinterpret_cast<LPITEMIDLIST>(gDesktopPidl);
  ShellIsNT = true;
  ShellIsOld = false;
  // The shell asks and tells the user through the class library's dialogs.
  TShellUiHooks hooks;
  hooks.Confirm = [](HWND Owner, const std::string& Text, const std::string& Caption) {
    return MessageBox(Owner, Text, Caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
  };
  hooks.Show = [](HWND Owner, const std::string& Text, const std::string& Caption) {
    MessageBox(Owner, Text, Caption, MB_OK | MB_ICONINFORMATION);
  };
  hooks.Ask = [](HWND, const std::string& Caption, const std::string& Prompt, std::string& Value) {
    return InputQuery(Caption, Prompt, Value);
  };
  SetShellUiHooks(hooks);
}

void ShellNavigatorShutdown() {
  if (gUnitUsers <= 0 || --gUnitUsers > 0) return;
  SetShellUiHooks(TShellUiHooks{});
  SHChangeNotifyRegisterEntry = nullptr;
  SHChangeNotifyDeregisterEntry = nullptr;
  if (DesktopFolder) DesktopFolder->Release();
  DesktopFolder = nullptr;
  if (ShellMalloc) ShellMalloc->Release();
  ShellMalloc = nullptr;
  OleUninitialize();
}

// ---- Special folders ----
int ShellFolderCSIDL(TNavShellFolder Folder) {
  int i = static_cast<int>(Folder);
  return i >= 0 && i <= SF_PROGRAM_FILES_COMMON ? kCSIDL[i] : CSIDL_DRIVES;
}

TNavShellFolder SpecialFolderOf(LPCITEMIDLIST Pidl) {
  if (!Pidl) return SF_FILESYSTEMFOLDER;
  for (int f = SF_BITBUCKET; f <= SF_PROGRAM_FILES_COMMON; ++f) {
    LPITEMIDLIST p = nullptr;
    if (Failed(SHGetSpecialFolderLocation(nullptr, kCSIDL[f], &p)) || !p) continue;
    bool same = ComparePidls(p, Pidl) == 0;
    ShellMalloc->Free(p);
    if (same) return static_cast<TNavShellFolder>(f);
  }
  return SF_FILESYSTEMFOLDER;
}

// ---- PIDL routines ----
int PidlItemCount(LPCITEMIDLIST Pidl) {
  if (!Pidl) return 0;
  int n = 0;
  for (LPCITEMIDLIST p = Pidl; p && PidlItemSize(p); p = ILGetNext(p)) ++n;
  return n;
}

UINT PidlSize(LPCITEMIDLIST Pidl) { return Pidl ? ILGetSize(Pidl) : 0; }

LPITEMIDLIST AllocPidl(UINT Size) {
  void* p = ShellMalloc->Alloc(Size);
  if (p) std::memset(p, 0, Size);
  return static_cast<LPITEMIDLIST>(p);
}

void FreePidl(LPITEMIDLIST Pidl) {
  if (Pidl && Pidl != DesktopPidl) ShellMalloc->Free(Pidl);
}

LPITEMIDLIST CopyPidl(LPCITEMIDLIST Pidl) {
  if (!Pidl) return nullptr;
  UINT n = PidlSize(Pidl);
  LPITEMIDLIST q = AllocPidl(n);
  if (q) std::memcpy(q, Pidl, n);
  return q;
}

LPITEMIDLIST ConcatPidls(LPCITEMIDLIST A, LPCITEMIDLIST B) {
  UINT na = A ? PidlSize(A) - 2 : 0, nb = B ? PidlSize(B) - 2 : 0;
  LPITEMIDLIST q = AllocPidl(na + nb + 2);
  if (!q) return nullptr;
  if (na) std::memcpy(q, A, na);
  if (nb) std::memcpy(reinterpret_cast<BYTE*>(q) + na, B, nb);
  return q;
}

LPITEMIDLIST CopyItemAt(LPCITEMIDLIST Pidl, int N) {
  int count = PidlItemCount(Pidl);
  if (!Pidl || N < 0 || N > count) return nullptr;
  if (N == count) return AllocPidl(2);
  LPCITEMIDLIST p = Pidl;
  for (int i = 0; i < N; ++i) p = ILGetNext(p);
  UINT cb = PidlItemSize(p);
  LPITEMIDLIST q = AllocPidl(cb + 2);
  if (q) std::memcpy(q, p, cb);
  return q;
}

int ComparePidls(LPCITEMIDLIST A, LPCITEMIDLIST B) {
  if (!DesktopFolder || !A || !B) return A == B ? 0 : 1;
  return static_cast<short>(HRESULT_CODE(DesktopFolder->CompareIDs(0, A, B)));
}

bool IsNetworkPidl(LPCITEMIDLIST Pidl) {
  if (PidlItemCount(Pidl) < 1) return false;
  LPITEMIDLIST net = nullptr;
  if (Failed(SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &net)) || !net) return false;
  LPITEMIDLIST first = CopyItemAt(Pidl, 0);
  bool same = ComparePidls(first, net) == 0;
  FreePidl(first);
  ShellMalloc->Free(net);
  return same;
}

// ---- Path routines ----
LPITEMIDLIST ParsePath(IShellFolder* Folder, const std::string& Path) {
  if (Path.empty()) return CopyPidl(DesktopPidl);
  IShellFolder* f = Folder ? Folder : DesktopFolder;
  if (!f) return nullptr;
  LPITEMIDLIST p = nullptr;
  ULONG eaten = 0;
  if (Failed(f->ParseDisplayName(nullptr, nullptr, Path.c_str(), &eaten, &p, nullptr)))
    return nullptr;
  return p;
}

std::string PidlToPath(LPCITEMIDLIST Pidl) {
  if (!Pidl) return "";
  if (PidlItemCount(Pidl) <= 1) {
    // A desktop item names a file-system object only when it has file data (Documents aside).
    if (SpecialFolderOf(Pidl) != SF_PERSONAL) {
      WIN32_FIND_DATAA fd{};
      if (PidlItemCount(Pidl) == 0 ||
          Failed(SHGetDataFromIDList(DesktopFolder, Pidl, SHGDFIL_FINDDATA, &fd, sizeof fd)))
        return "";
    }
  }
  char buf[4096];
  return SHGetPathFromIDListEx(Pidl, buf, sizeof buf, 0) ? std::string(buf) : std::string();
}

int64_t FileSize64(const std::string& Path) {
  struct stat st;
  if (stat(Path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool ObjectExists(const std::string& Path) {
  struct stat st;
  return !Path.empty() && lstat(Path.c_str(), &st) == 0;
}

std::string SysErrorText(int64_t Code) {
  DWORD code = static_cast<DWORD>(Code);
  if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFF;  // HRESULT of a Win32 error
  char buf[256] = "";
  FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                255, nullptr);
  return buf;
}

std::vector<std::string> DropHandleFiles(HDROP Drop) {
  std::vector<std::string> v;
  UINT n = DragQueryFile(Drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < n; ++i) {
    UINT len = DragQueryFile(Drop, i, nullptr, 0);
    std::string s(len + 1, '\0');  // names are not cut at 260 characters here
    DragQueryFile(Drop, i, s.data(), len + 1);
    s.resize(len);
    v.push_back(s);
  }
  return v;
}

bool WildcardMatch(const std::string& Name, const std::string& Mask) {
  if (Mask == "*") return true;
  // Iterative matching with one backtrack point per "*", trying zero characters first.
  size_t n = 0, m = 0, starM = std::string::npos, starN = 0;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  while (n < Name.size()) {
    if (m < Mask.size() && Mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (m < Mask.size() && (Mask[m] == '?' || lower(Mask[m]) == lower(Name[n]))) {
      ++m;
      ++n;
    } else if (starM != std::string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < Mask.size() && Mask[m] == '*') ++m;
  return m == Mask.size();
}

// ---- TShellNavigator ----
struct TShellNavigator::TObjects {
  std::vector<LPITEMIDLIST> Pidls;
  std::string Path;
  ~TObjects() {
    for (LPITEMIDLIST p : Pidls) FreePidl(p);
  }
  std::vector<LPCITEMIDLIST> Const() const { return {Pidls.begin(), Pidls.end()}; }
};

TShellNavigator::TShellNavigator(TComponent* AOwner)
    : TComponent(AOwner),
      FMultiObjects(std::make_unique<TStringList>()),
      FFilters(std::make_unique<TStringList>()) {
  ShellNavigatorStartup();
  FFilters->Add("*");
  SetFolder("");
}

TShellNavigator::~TShellNavigator() {
  ReleaseEnum();
  DropFullPidl();
  FreePidl(FItem);
  FreePidl(FFolderPidl);
  if (FShellFolder) FShellFolder->Release();
  ShellNavigatorShutdown();
}

void TShellNavigator::Publish(TPublisher<TShellNavigator>& P) {
  P.Prop("Filter", &TShellNavigator::Filter, &TShellNavigator::SetFilter).Type("TFileName");
  P.Prop("Folder", &TShellNavigator::Folder, &TShellNavigator::SetFolder).Type("TFileName");
  P.Prop("ObjectName", &TShellNavigator::ObjectName, &TShellNavigator::SetObjectName)
      .Type("TFileName");
  P.Prop("FileSystemOnly", &TShellNavigator::FileSystemOnly, &TShellNavigator::SetFileSystemOnly)
      .Default(false);
  P.Prop("MultiObjects", &TShellNavigator::MultiObjects, &TShellNavigator::SetMultiObjects);
  P.Prop("ShowErrorMessages", &TShellNavigator::ShowErrorMessages,
         &TShellNavigator::SetShowErrorMessages)
      .Default(false);
  P.Prop("ShowContextMenuOnTop", &TShellNavigator::ShowContextMenuOnTop,
         &TShellNavigator::SetShowContextMenuOnTop)
      .Default(true);
  P.Prop("Version", &TShellNavigator::Version).Stored(false);
  P.Event("OnRename", &TShellNavigator::OnRename).Type("TNotifyEvent");
  P.Event("OnContextMenuSelect", &TShellNavigator::OnContextMenuSelect)
      .Type("TOnContextMenuSelectEvent");
}

void TShellNavigator::Loaded() {
  TComponent::Loaded();
  FLoaded = true;
}

void TShellNavigator::ReleaseEnum() {
  if (FEnum) FEnum->Release();
  FEnum = nullptr;
}

void TShellNavigator::DropFullPidl() {
  FreePidl(FFullPidl);
  FFullPidl = nullptr;
}

void TShellNavigator::SetFolder(const std::string& Value) {
  if (!Value.empty() && Value == FFolder) return;  // paths differ by case on this platform
  const std::string old = FFolder;
  FFolder = Value;
  LPITEMIDLIST pidl = nullptr;
  if (Value.empty())
    SHGetSpecialFolderLocation(OwnerWindow(), CSIDL_DRIVES, &pidl);
  else
    pidl = ParsePath(nullptr, Value);
  if (!pidl) {
    FFolder = old;
    throw EShellNavigatorError("Cannot Find Folder: " + Value);
  }
  if (!FFolder.empty()) FFolder = IncludeTrailingPathDelimiter(FFolder);
  try {
    SetFolderIDList(pidl);
  } catch (...) {
    FreePidl(pidl);
    throw;
  }
  FreePidl(pidl);
}

void TShellNavigator::SetFolderIDList(LPCITEMIDLIST Pidl) {
  DropFullPidl();
  ReleaseEnum();
  if (!Pidl) {
    FreePidl(FFolderPidl);
    FFolderPidl = nullptr;
    if (FShellFolder) FShellFolder->Release();
    FShellFolder = nullptr;
    SetItem(nullptr);
    return;
  }
  LPITEMIDLIST copy = CopyPidl(Pidl);  // Pidl may be our own folder list
  IShellFolder* folder = nullptr;
  if (ComparePidls(copy, DesktopPidl) != 0) {
    if (Failed(DesktopFolder->BindToObject(copy, nullptr, IID_IShellFolder,
                                           reinterpret_cast<void**>(&folder))) ||
        !folder) {
      FreePidl(copy);
      throw EShellNavigatorError(
          "ShellNavigator.SetFolderIDList: Desktop.BindToObject: Could not get Folder");
    }
  } else {
    FreePidl(copy);
    copy = DesktopPidl;
    folder = DesktopFolder;
    folder->AddRef();
  }
  FreePidl(FFolderPidl);
  if (FShellFolder) FShellFolder->Release();
  FFolderPidl = copy;
  FShellFolder = folder;
  SetItem(nullptr);
  char buf[4096];
  FFolder = SHGetPathFromIDListEx(FFolderPidl, buf, sizeof buf, 0)
                ? IncludeTrailingPathDelimiter(buf)
                : "";
}

bool TShellNavigator::SetSpecialFolder(TNavShellFolder Value) {
  LPITEMIDLIST p = nullptr;
  if (Failed(SHGetSpecialFolderLocation(OwnerWindow(), ShellFolderCSIDL(Value), &p)) || !p)
    return false;
  bool ok = true;
  try {
    SetFolderIDList(p);
  } catch (const EShellNavigatorError&) {
    ok = false;
  }
  FreePidl(p);
  return ok;
}

void TShellNavigator::SetItem(LPCITEMIDLIST Pidl) {
  LPITEMIDLIST copy = CopyPidl(Pidl);
  FreePidl(FItem);
  FItem = copy;
  DropFullPidl();
  FHasSubFolder = -1;
}

void TShellNavigator::SetItemFullPidl(LPCITEMIDLIST Pidl) {
  if (!Pidl) return;
  LPITEMIDLIST folder = CopyPidl(Pidl);
  LPITEMIDLIST item = CopyItemAt(Pidl, PidlItemCount(Pidl) - 1);
  if (PidlItemCount(folder) > 0) ILRemoveLastID(folder);
  try {
    SetFolderIDList(folder);
  } catch (...) {
    FreePidl(folder);
    FreePidl(item);
    throw;
  }
  SetItem(PidlItemCount(Pidl) > 0 ? item : nullptr);
  FreePidl(folder);
  FreePidl(item);
}

void TShellNavigator::GoUp() {
  LPITEMIDLIST f = CopyPidl(FFolderPidl);
  SetItemFullPidl(f);
  FreePidl(f);
}

LPCITEMIDLIST TShellNavigator::FullPidl() {
  if (!FFullPidl) FFullPidl = FItem ? ConcatPidls(FFolderPidl, FItem) : CopyPidl(FFolderPidl);
  return FFullPidl;
}

std::string TShellNavigator::ObjectName() {
  if (!FFolderPidl || !FItem || !FShellFolder) return "";
  WIN32_FIND_DATAA fd{};
  std::string name;
  if (Succeeded(SHGetDataFromIDList(FShellFolder, FItem, SHGDFIL_FINDDATA, &fd, sizeof fd)))
    name = fd.cFileName;
  if (name.empty() && PidlItemCount(FullPidl()) > 1) {
    char buf[4096] = "";
    std::string path = SHGetPathFromIDListEx(FullPidl(), buf, sizeof buf, 0) ? buf : "";
    // A volume's root (its path ends with "/", as a drive's "C:\" did) is named by its path.
    if (!path.empty() && path.back() == PathDelim) return path;
    name = ExtractFileName(path);
  }
  if (name.empty()) name = NetworkName();
  return name;
}

void TShellNavigator::SetObjectName(const std::string& Value) {
  if (Value.empty()) {
    SetItem(nullptr);
    return;
  }
  std::string name = Value;
  if (name.size() > 3 && name.back() == PathDelim) name.pop_back();
  if (name.find(PathDelim) == std::string::npos) {
    if (LPITEMIDLIST p = ParsePath(FShellFolder, name)) {
      SetItem(p);
      FreePidl(p);
      return;
    }
    ReleaseEnum();
    while (Next())
      if (SameText(DisplayName(), name) || SameText(ObjectName(), name)) {
        ReleaseEnum();
        return;
      }
    throw EShellNavigatorError("Error! Cannot find Object \"" + name + "\" in Folder \"" + FFolder +
                               "\"");
  }
  if (name.size() <= 3) {
    SetFolder(name);
    GoUp();
    return;
  }
  SetFolder(ExtractFilePath(name));
  SetObjectName(ExtractFileName(name));
}

std::string TShellNavigator::DisplayName() {
  std::string t;
  if (FShellFolder && FItem) {
    STRRET s{};
    if (Succeeded(FShellFolder->GetDisplayNameOf(FItem, SHGDN_NORMAL, &s)))
      t = StrRetText(s, FItem);
  }
  return t.empty() ? ObjectName() : t;
}

ULONG TShellNavigator::GetAttributes(ULONG Mask) {
  if (!FShellFolder || !FItem) return 0;
  ULONG a = Mask;
  LPCITEMIDLIST one[1] = {FItem};
  if (Failed(FShellFolder->GetAttributesOf(1, one, &a))) return 0;
  return a;
}

bool TShellNavigator::CanRename() {
  if (!FShellFolder || !FItem) return false;
  ULONG a = SFGAO_CANRENAME;
  LPCITEMIDLIST one[1] = {FItem};
  return Succeeded(FShellFolder->GetAttributesOf(1, one, &a)) && (a & SFGAO_CANRENAME);
}

bool TShellNavigator::HasSubFolder() {
  if (!FItem) return false;
  if (FHasSubFolder < 0) {
    std::string n = UpperCase(ObjectName());
    // Asking an archive for folders opens it: newer shells are told yes without asking.
    if (!ShellIsOld && n.size() >= 4 && n.compare(n.size() - 4, 4, ".ZIP") == 0)
      FHasSubFolder = 1;
    else
      FHasSubFolder = (GetAttributes(SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER) ? 1 : 0;
  }
  return FHasSubFolder == 1;
}

std::string TShellNavigator::NetworkName() {
  if (!FShellFolder || !FItem) return "";
  BYTE buf[292];
  if (Failed(SHGetDataFromIDList(FShellFolder, FItem, SHGDFIL_NETRESOURCE, buf, sizeof buf)))
    return "";
  auto* nr = reinterpret_cast<NETRESOURCEA*>(buf);
  if ((nr->dwType == RESOURCETYPE_DISK || nr->dwType == RESOURCETYPE_PRINT) && nr->lpRemoteName)
    return nr->lpRemoteName;
  return "";
}

namespace {
int IconOf(LPCITEMIDLIST Pidl, UINT Extra) {
  if (!Pidl) return -1;
  SHFILEINFOA fi{};
  fi.iIcon = -1;
  SHGetFileInfo(reinterpret_cast<LPCSTR>(Pidl), 0, &fi, sizeof fi,
                SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | Extra);
  SyncSystemImageLists();
  return fi.iIcon;
}
}  // namespace

int TShellNavigator::SmallIcon() { return IconOf(FullPidl(), 0); }
int TShellNavigator::OpenIcon() { return IconOf(FullPidl(), SHGFI_OPENICON); }
int TShellNavigator::DesktopIcon() { return IconOf(DesktopPidl, 0); }

std::string TShellNavigator::DesktopName() {
  SHFILEINFOA fi{};
  SHGetFileInfo(reinterpret_cast<LPCSTR>(DesktopPidl), 0, &fi, sizeof fi,
                SHGFI_PIDL | SHGFI_DISPLAYNAME);
  return fi.szDisplayName;
}

int TShellNavigator::OverlayIndex() {
  if (!FItem) return -1;
  if (ShellIsNT && FShellFolder) {
    IShellIconOverlay* ov = nullptr;
    if (Succeeded(
            FShellFolder->QueryInterface(IID_IShellIconOverlay, reinterpret_cast<void**>(&ov))) &&
        ov) {
      int i = 0;
      HRESULT hr = ov->GetOverlayIndex(FItem, &i);
      ov->Release();
      return Succeeded(hr) ? i - 1 : -1;
    }
  }
  ULONG a = GetAttributes(SFGAO_LINK | SFGAO_SHARE);
  if (a & SFGAO_LINK) return 1;
  if (a & SFGAO_SHARE) return 0;
  return -1;
}

void TShellNavigator::Rename(std::string& Name) {
  TNavWaitCursor wait;
  if (FShellFolder && FItem) {
    LPITEMIDLIST renamed = nullptr;
    if (Succeeded(FShellFolder->SetNameOf(OwnerWindow(), FItem, Name.c_str(), 32, &renamed)) &&
        renamed) {
      SetItem(renamed);
      ShellMalloc->Free(renamed);
    }
  }
  Name = DisplayName();
}

std::string TShellNavigator::Filter() const {
  std::string s;
  for (int i = 0; i < FFilters->Count(); ++i) s += FFilters->Strings(i) + ";";
  if (!s.empty()) s.pop_back();
  return s;
}

void TShellNavigator::SetFilter(const std::string& Value) {
  FFilters->Clear();
  std::string t = Value.empty() ? "*;" : Value;
  if (t.back() != ';') t += ';';
  size_t at = 0;
  for (size_t semi; (semi = t.find(';', at)) != std::string::npos; at = semi + 1)
    FFilters->Add(t.substr(at, semi - at));
}

bool TShellNavigator::MatchesFilter() {
  if (IsFolder()) return true;
  const std::string name = ObjectName();
  for (int i = 0; i < FFilters->Count(); ++i)
    if (WildcardMatch(name, FFilters->Strings(i))) return true;
  return false;
}

bool TShellNavigator::Next() {
  if (!FEnum) {
    if (!FShellFolder) return false;
    if (Failed(FShellFolder->EnumObjects(
            OwnerWindow(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &FEnum)) ||
        !FEnum) {
      FEnum = nullptr;
      return false;
    }
  }
  try {
    for (;;) {
      LPITEMIDLIST p = nullptr;
      ULONG got = 0;
      if (FEnum->Next(1, &p, &got) != S_OK || got == 0 || !p) {
        ReleaseEnum();
        return false;
      }
      SetItem(p);
      ShellMalloc->Free(p);
      if (FFileSystemOnly && !(GetAttributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR) &
                               (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR))) {
        std::string head = UpperCase(ObjectName().substr(0, 7));
        TNavShellFolder sf = SpecialFolderOf(FullPidl());
        if (head != "RECYCLE" && sf != SF_DRIVES && sf != SF_NETWORK &&
            SpecialFolderOf(FFolderPidl) != SF_NETWORK)
          continue;
      }
      if (MatchesFilter()) return true;
    }
  } catch (...) {
    ReleaseEnum();
    return false;
  }
}

HWND TShellNavigator::OwnerWindow() {
  if (!FShowErrorMessages) return nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(Owner()); w && FLoaded) return w->Handle();
  TCustomForm* main = Application()->MainForm();
  return main && main->HandleAllocated() ? main->Handle() : nullptr;
}

void TShellNavigator::TakeObjects(TObjects& Objects) {
  if (FMultiObjects->Count() > 0) {
    LPITEMIDLIST saved = CopyPidl(FItem);
    for (int i = 0; i < FMultiObjects->Count(); ++i) {
      const std::string& name = FMultiObjects->Strings(i);
      LPITEMIDLIST p = ParsePath(FShellFolder, name);
      if (!p) {
        try {
          SetObjectName(name);
          p = CopyPidl(FItem);
        } catch (const EShellNavigatorError&) {
        }
      }
      if (p) Objects.Pidls.push_back(p);
    }
    SetItem(saved);
    FreePidl(saved);
    Objects.Path = FFolder + FMultiObjects->Strings(0);
  } else {
    Objects.Pidls.push_back(CopyPidl(FItem));
    Objects.Path = FFolder + ObjectName();
  }
}

bool TShellNavigator::ExecuteVerb(const std::string& Verb) {
  bool execute = true;
  if (OnContextMenuSelect) OnContextMenuSelect(Verb, execute);
  if (!execute || !FShellFolder || (!FItem && FMultiObjects->Count() == 0)) {
    FMultiObjects->Clear();
    return false;
  }
  const std::string verb = Verb.empty() ? "default" : Verb;
  if (UpperCase(verb) == "DELETE" && FMultiObjects->Count() == 0 &&
      !(GetAttributes(SFGAO_CANDELETE) & SFGAO_CANDELETE))
    return false;
  TNavWaitCursor wait;
  bool ok = false;
  try {
    TObjects objects;
    TakeObjects(objects);
    auto items = objects.Const();
    IContextMenu* cm = nullptr;
    HRESULT hr =
        FShellFolder->GetUIObjectOf(OwnerWindow(), static_cast<UINT>(items.size()), items.data(),
                                    IID_IContextMenu, nullptr, reinterpret_cast<void**>(&cm));
    ok = Succeeded(hr) && cm;
    if (ok) {
      if (UpperCase(verb) == "DEFAULT") {
        HMENU menu = CreatePopupMenu();
        cm->QueryContextMenu(menu, 0, 1, 32767, CMF_DEFAULTONLY);
        if (UINT id = MenuDefaultCommand(menu); id != 0) {
          CMINVOKECOMMANDINFO ci{};
          ci.cbSize = sizeof ci;
          ci.hwnd = OwnerWindow();
          ci.lpVerb = MAKEINTRESOURCEA(id - 1);
          ci.nShow = 1;  // SW_SHOWNORMAL
          ok = Succeeded(cm->InvokeCommand(&ci));
        }
        DestroyMenu(menu);
      } else if (SameText(verb, "rename")) {
        if (OnRename) OnRename(this);
      } else {
        CMINVOKECOMMANDINFO ci{};
        ci.cbSize = sizeof ci;
        ci.hwnd = OwnerWindow();
        ci.lpVerb = verb.c_str();
        ci.nShow = 1;
        ok = Succeeded(cm->InvokeCommand(&ci));
      }
      cm->Release();
    }
    // A delete the user cancelled leaves the object where it was.
    if (UpperCase(verb) == "DELETE" && ObjectExists(objects.Path)) ok = false;
  } catch (...) {
    FMultiObjects->Clear();
    throw;
  }
  FMultiObjects->Clear();
  return ok;
}

bool TShellNavigator::IsCopiedCommand(UINT Id) const {
  if (!FMenu) return false;
  for (int i = 0; i < FMenu->Items()->Count(); ++i) {
    TMenuItem* it = FMenu->Items()->Items(i);
    if (static_cast<UINT>(it->Command()) == Id) return true;
    for (int k = 0; k < it->Count(); ++k)
      if (static_cast<UINT>(it->Items(k)->Command()) == Id) return true;
  }
  return false;
}

namespace {

TMenuItem* CopyMenuItem(TComponent* Owner, TMenuItem* Src) {
  auto* m = new TMenuItem(Owner);
  m->SetCaption(Src->Caption());
  m->SetShortCut(Src->ShortCut());
  m->OnClick = Src->OnClick;
  m->SetBreak(Src->Break());
  m->SetChecked(Src->Checked());
  m->SetDefault(Src->Default());
  m->SetEnabled(Src->Enabled());
  m->SetGroupIndex(Src->GroupIndex());
  m->SetHelpContext(Src->HelpContext());
  m->SetRadioItem(Src->RadioItem());
  m->SetTag(Src->Tag());
  m->SetVisible(Src->Visible());
  m->SetImageIndex(Src->ImageIndex());
  m->SetHint(Src->Hint());
  if (Src->Action()) m->SetAction(Src->Action());
  return m;
}

}  // namespace

std::string TShellNavigator::ShowContextMenu(POINT P, TPopupMenu* Popup) {
  std::string verb;
  FMenu = new TPopupMenu(this);
  TObjects objects;
  try {
    FCopiedCount = 0;
    UINT highest = 0;
    if (Popup) {
      FMenu->SetImages(Popup->Images());
      for (int i = 0; i < Popup->Items()->Count(); ++i) {
        TMenuItem* src = Popup->Items()->Items(i);
        TMenuItem* copy = CopyMenuItem(FMenu, src);
        for (int k = 0; k < src->Count(); ++k) copy->Add(CopyMenuItem(FMenu, src->Items(k)));
        FMenu->Items()->Add(copy);
        ++FCopiedCount;
        highest = std::max<UINT>(highest, static_cast<UINT>(copy->Command()));
        for (int k = 0; k < copy->Count(); ++k)
          highest = std::max<UINT>(highest, static_cast<UINT>(copy->Items(k)->Command()));
      }
    }
    // The shell's commands get 255 ids of their own: after the copied items' command numbers
    // when those fall into the first 255, so that a shell command is never taken for one of them.
    FFirstCommand = highest > 0 && highest < 0xFF00 ? std::max<UINT>(1, highest + 1) : 1;
    TakeObjects(objects);
    FMultiObjects->Clear();
    auto items = objects.Const();
    IContextMenu* cm = nullptr;
    HRESULT hr = FShellFolder ? FShellFolder->GetUIObjectOf(
                                    OwnerWindow(), static_cast<UINT>(items.size()), items.data(),
                                    IID_IContextMenu, nullptr, reinterpret_cast<void**>(&cm))
                              : E_FAIL;
    if (Succeeded(hr) && cm) {
      cm->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&FContextMenu2));
      HMENU menu = FMenu->Handle();
      if (menu) {
        FTrackedMenu = menu;
        UINT flags = CMF_EXPLORE | (OnRename ? CMF_CANRENAME : 0u);
        hr = cm->QueryContextMenu(menu, FShowContextMenuOnTop ? 0 : static_cast<UINT>(FCopiedCount),
                                  FFirstCommand, FFirstCommand + 254, flags);
        if (Succeeded(hr)) {
          FMenuWindow = AllocateHWnd([this](TMessage& M) { MenuWindowProc(M); });
          if (Popup && Popup->OnPopup) Popup->OnPopup(Popup);
          UINT id = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, P.x,
                                                     P.y, 0, FMenuWindow, nullptr));
          DeallocateHWnd(FMenuWindow);
          FMenuWindow = nullptr;
          if (id && IsCopiedCommand(id)) {
            if (TMenuItem* it = TMenuItem::FindCommand(static_cast<int>(id))) it->Click();
            id = 0;
          }
          if (id >= FFirstCommand && id <= FFirstCommand + 254) {
            char buf[261] = "";
            cm->GetCommandString(id - FFirstCommand, GCS_VERBA, nullptr, buf, 260);
            verb = buf;
            bool execute = true;
            if (OnContextMenuSelect)
              OnContextMenuSelect(verb, execute);
            else if (FReadOnly &&
                     (SameText(verb, "delete") || SameText(verb, "cut") || SameText(verb, "paste")))
              execute = false;
            if (!execute) {
              verb.clear();
            } else if (SameText(verb, "rename") && OnRename) {
              OnRename(this);
            } else {
              CMINVOKECOMMANDINFO ci{};
              ci.cbSize = 36;
              ci.hwnd = OwnerWindow();
              ci.lpVerb = MAKEINTRESOURCEA(id - FFirstCommand);
              ci.nShow = 1;
              if (Failed(cm->InvokeCommand(&ci))) verb.clear();
            }
          }
        }
      }
      cm->Release();
    }
  } catch (...) {
    if (FContextMenu2) FContextMenu2->Release();
    FContextMenu2 = nullptr;
    delete FMenu;
    FMenu = nullptr;
    FTrackedMenu = nullptr;
    throw;
  }
  delete FMenu;
  FMenu = nullptr;
  if (FContextMenu2) FContextMenu2->Release();
  FContextMenu2 = nullptr;
  FTrackedMenu = nullptr;
  if (UpperCase(verb) == "DELETE" && ObjectExists(objects.Path)) verb.clear();
  return verb;
}

void TShellNavigator::MenuWindowProc(TMessage& M) {
  if (!FContextMenu2 || Application()->Terminated()) {
    M.Result = DefWindowProc(FMenuWindow, M.Msg, M.WParam, M.LParam);
    return;
  }
  switch (M.Msg) {
    case WM_INITMENUPOPUP:
    case WM_MEASUREITEM:
    case WM_DRAWITEM: {
      int shellItems = FTrackedMenu ? GetMenuItemCount(FTrackedMenu) - FCopiedCount : 0;
      if (M.Msg != WM_INITMENUPOPUP || static_cast<int>(LOWORD(M.LParam)) < shellItems)
        FContextMenu2->HandleMenuMsg(M.Msg, M.WParam, M.LParam);
      // Owner-drawn copies of the class library's items are drawn by its popup-list window.
      SendMessage(PopupListWindow(), M.Msg, M.WParam, M.LParam);
      M.Result = 0;
      return;
    }
    case WM_MENUSELECT: {
      UINT id = LOWORD(M.WParam), flags = HIWORD(M.WParam);
      if (id >= FFirstCommand && id <= FFirstCommand + 254 && !(flags & MF_POPUP) &&
          !IsCopiedCommand(id)) {
        char buf[262] = "";
        FContextMenu2->GetCommandString(id - FFirstCommand, GCS_HELPTEXTA, nullptr, buf, 261);
        Application()->SetHint(buf);
      } else {
        TMenuItem* it = nullptr;
        if (FMenu) {
          if (flags & MF_POPUP) {
            HMENU sub = GetSubMenu(reinterpret_cast<HMENU>(M.LParam), static_cast<int>(id));
            it = FMenu->FindItem(reinterpret_cast<intptr_t>(sub), fkHandle);
          } else {
            it = FMenu->FindItem(id, fkCommand);
          }
        }
        Application()->SetHint(it ? GetLongHint(it->Hint()) : "");
      }
      M.Result = 0;
      return;
    }
  }
  M.Result = DefWindowProc(FMenuWindow, M.Msg, M.WParam, M.LParam);
}

// ---- TNavSystemImageList ----
TNavSystemImageList::TNavSystemImageList(TComponent* AOwner) : TImageList(AOwner) {
  ShellNavigatorStartup();
  SystemLists().insert(this);
  TakeHandle();
}

TNavSystemImageList::~TNavSystemImageList() {
  SystemLists().erase(this);
  ShellNavigatorShutdown();
}

void TNavSystemImageList::Publish(TPublisher<TNavSystemImageList>& P) {
  P.Prop("ShareImages", &TNavSystemImageList::ShareImages, &TNavSystemImageList::SetShareImages)
      .Default(true);
  P.Prop("Size", &TNavSystemImageList::Size, &TNavSystemImageList::SetSize).Default(si_small);
}

void TNavSystemImageList::SetShareImages(bool Value) {
  FShareImages = Value;
  TakeHandle();
}

void TNavSystemImageList::SetSize(TNavImageListSize Value) {
  FSize = Value;
  TakeHandle();
}

void TNavSystemImageList::Loaded() {
  TImageList::Loaded();
  TakeHandle();
}

void TNavSystemImageList::TakeHandle() {
  SHFILEINFOA fi{};
  FHandle = reinterpret_cast<HIMAGELIST>(SHGetFileInfo(
      "/", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | (FSize == si_small ? SHGFI_SMALLICON : 0u)));
  int cx = 16, cy = 16;
  ImageList_GetIconSize(FHandle, &cx, &cy);
  SetWidth(cx);  // both clear the list
  SetHeight(cy);
  bool shared = FShareImages;
  FShareImages = true;
  Sync();
  FShareImages = shared;
}

void TNavSystemImageList::Sync() {
  if (!FHandle || !FShareImages) return;
  const int n = ImageList_GetImageCount(FHandle);
  if (Count() >= n) return;
  const uint32_t window = static_cast<uint32_t>(ColorToRGB(clWindow));
  const uint32_t wr = window & 0xFF, wg = (window >> 8) & 0xFF, wb = (window >> 16) & 0xFF;
  // A colour no theme icon uses stands for the transparent pixels.
  const TColor key = static_cast<TColor>(RGB(1, 254, 3));
  TBitmap bm;
  bm.SetPixelFormat(pf32bit);
  bm.SetSize(Width(), Height());
  for (int i = Count(); i < n; ++i) {
    std::vector<uint32_t> px;
    ImageList_GetImageBits(FHandle, i, &px);
    for (int y = 0; y < Height(); ++y) {
      auto* row = static_cast<uint32_t*>(bm.ScanLine(y));
      for (int x = 0; x < Width(); ++x) {
        uint32_t p = static_cast<size_t>(y * Width() + x) < px.size()
                         ? px[static_cast<size_t>(y * Width() + x)]
                         : 0;
        uint32_t a = p >> 24;
        if (a < 24) {
          row[x] = 0x00010000 | 0xFE00 | 0x03;  // the key colour, 0x00RRGGBB
          continue;
        }
        uint32_t r = ((p >> 16) & 255) * a / 255 + wr * (255 - a) / 255;
        uint32_t g = ((p >> 8) & 255) * a / 255 + wg * (255 - a) / 255;
        uint32_t b = (p & 255) * a / 255 + wb * (255 - a) / 255;
        row[x] = r << 16 | g << 8 | b;
      }
    }
    AddMasked(&bm, key);
  }
  if (n >= 2) {
    Overlay(0, 0);  // the share hand
    Overlay(1, 1);  // the shortcut arrow
  }
}

void SyncSystemImageLists() {
  for (TNavSystemImageList* l : SystemLists()) l->Sync();
}

// ---- TPidlHistory ----
TPidlHistory::~TPidlHistory() {
  for (int i = Count() - 1; i >= 0; --i) FreePidl(Pidls(i));
  TList::Clear();
}

void TPidlHistory::Add(LPITEMIDLIST Pidl) {
  if (!Pidl) return;
  while (Count() > 0 && FPosition < Count() - 1) Delete(Count() - 1);
  TList::Add(Pidl);
  FPosition = Count() - 1;
}

void TPidlHistory::Delete(int Index) {
  FreePidl(Pidls(Index));
  TList::Delete(Index);
  if (FPosition >= Count()) FPosition = std::max(0, Count() - 1);
}

void TPidlHistory::Forward(int N) {
  FPosition = std::min(FPosition + std::max(N, 0), std::max(0, Count() - 1));
}

void TPidlHistory::Back(int N) { FPosition = std::max(FPosition - std::max(N, 0), 0); }
