// The shell folders: the desktop, Home, Computer with its volumes, file-system folders, the
// trash and the (empty) network; parsing, enumeration, names, attributes and renaming; the
// special folders and the path and data of an item.
//
// A folder object only keeps its absolute list; every question about an item below it is
// answered by following the absolute list of that item to the disk (Resolve), so all folders
// share one set of rules.
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/shell_internal.h"
#include "platform/win/winerror.h"

namespace shellns {

namespace {

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string EnvDir(const char* var, const std::string& fallback) {
  const char* v = std::getenv(var);
  if (v && v[0] == '/') return NormalPath(v);
  return fallback;
}

bool IsDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Mount points in /proc/self/mounts escape blanks and backslashes as octal ("\040").
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    auto octal = [&](size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '7'; };
    if (s[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool PseudoFileSystem(const std::string& type) {
  static const char* const kPseudo[] = {
      "proc",    "sysfs",    "devpts", "cgroup",      "cgroup2", "securityfs",
      "debugfs", "tracefs",  "pstore", "bpf",         "mqueue",  "hugetlbfs",
      "fusectl", "configfs", "autofs", "binfmt_misc", "devtmpfs"};
  for (const char* p : kPseudo)
    if (type == p) return true;
  return false;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

bool HasSubFolder(const std::string& path) {
  DIR* d = opendir(path.c_str());
  if (!d) return false;
  bool found = false;
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    if (e->d_type == DT_DIR)
      found = true;
    else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN)
      found = IsDir(Join(path, e->d_name));
    if (found) break;
  }
  closedir(d);
  return found;
}

TItem VolumeItem(const TVolume& v) {
  TItem i;
  i.Tag = kTagVolume;
  i.Name = v.Path;
  i.Label = v.Label;
  if (v.Removable) i.Flags |= kFlagRemovable;
  return i;
}

// Where each special folder is on this platform; empty when there is none.
std::string SpecialPath(int csidl) {
  const std::string data = XdgDataHome(), config = XdgConfigHome();
  switch (csidl) {
    case CSIDL_PROFILE:
      return HomeDir();
    case CSIDL_PERSONAL:
      return XdgUserDir("DOCUMENTS");
    case CSIDL_DESKTOPDIRECTORY:
      return XdgUserDir("DESKTOP");
    case CSIDL_MYPICTURES:
      return XdgUserDir("PICTURES");
    case CSIDL_TEMPLATES:
      return XdgUserDir("TEMPLATES");
    case CSIDL_COMMON_DOCUMENTS:
      return XdgUserDir("PUBLICSHARE");
    case CSIDL_APPDATA:
      return config;
    case CSIDL_LOCAL_APPDATA:
      return data;
    case CSIDL_INTERNET_CACHE:
      return XdgCacheHome();
    case CSIDL_FONTS:
      return data + "/fonts";
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU:
      return data + "/applications";
    case CSIDL_STARTUP:
    case CSIDL_ALTSTARTUP:
      return config + "/autostart";
    case CSIDL_COMMON_PROGRAMS:
    case CSIDL_COMMON_STARTMENU:
      return "/usr/share/applications";
    case CSIDL_COMMON_STARTUP:
    case CSIDL_COMMON_ALTSTARTUP:
      return "/etc/xdg/autostart";
    case CSIDL_COMMON_APPDATA:
      return "/usr/share";
    case CSIDL_WINDOWS:
      return "/usr";
    case CSIDL_SYSTEM:
      return "/usr/bin";
    case CSIDL_PROGRAM_FILES:
      return "/opt";
    case CSIDL_PROGRAM_FILES_COMMON:
      return "/usr/lib";
    default:
      return "";
  }
}

}  // namespace

std::string NormalPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  auto flush = [&] {
    if (cur.empty() || cur == ".") {
    } else if (cur == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(cur);
    }
    cur.clear();
  };
  for (char c : path) {
    if (c == '/')
      flush();
    else
      cur += c;
  }
  flush();
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::string HomeDir() {
  const char* h = std::getenv("HOME");
  if (h && h[0] == '/') return NormalPath(h);
  if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return NormalPath(pw->pw_dir);
  return "/";
}
std::string XdgDataHome() { return EnvDir("XDG_DATA_HOME", Join(HomeDir(), ".local/share")); }
std::string XdgConfigHome() { return EnvDir("XDG_CONFIG_HOME", Join(HomeDir(), ".config")); }
std::string XdgCacheHome() { return EnvDir("XDG_CACHE_HOME", Join(HomeDir(), ".cache")); }

std::string XdgUserDir(const std::string& key) {
  static const std::pair<const char*, const char*> kDefaults[] = {
      {"DESKTOP", "Desktop"},     {"DOCUMENTS", "Documents"}, {"DOWNLOAD", "Downloads"},
      {"MUSIC", "Music"},         {"PICTURES", "Pictures"},   {"PUBLICSHARE", "Public"},
      {"TEMPLATES", "Templates"}, {"VIDEOS", "Videos"}};
  const std::string home = HomeDir();
  std::ifstream in(Join(XdgConfigHome(), "user-dirs.dirs"));
  const std::string want = "XDG_" + key + "_DIR=";
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, want.size(), want) != 0) continue;
    std::string v = line.substr(want.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (StartsWith(v, "$HOME")) v = home + v.substr(5);
    if (!v.empty() && v[0] == '/') return NormalPath(v);
  }
  for (const auto& [k, d] : kDefaults)
    if (key == k) return Join(home, d);
  return "";
}

std::vector<TVolume> Volumes() {
  std::vector<TVolume> v{{"/", "File System", false}};
  std::ifstream in("/proc/self/mounts");
  for (std::string line; std::getline(in, line);) {
    std::istringstream ls(line);
    std::string dev, mnt, type;
    if (!(ls >> dev >> mnt >> type)) continue;
    mnt = Unescape(mnt);
    bool media = StartsWith(mnt, "/media/") || StartsWith(mnt, "/run/media/");
    if (!(media || StartsWith(mnt, "/mnt/")) || PseudoFileSystem(type)) continue;
    mnt = NormalPath(mnt);
    if (std::any_of(v.begin(), v.end(), [&](const TVolume& x) { return x.Path == mnt; })) continue;
    v.push_back({mnt, ExtractFileName(mnt), media});
  }
  return v;
}

bool Resolve(LPCITEMIDLIST absolute, TLocation& out) {
  out = TLocation{};
  if (!absolute) return false;
  auto items = ListItems(absolute);
  if (items.empty()) return true;
  TItem first;
  if (!DecodeItem(items[0], first) || first.Tag != kTagRoot) return false;
  out.Last = first;
  size_t i = 1;
  switch (first.Root) {
    case kRootHome:
      out.Kind = TKind::Home;
      out.Path = HomeDir();
      out.FileSystem = true;
      break;
    case kRootComputer:
      out.Kind = TKind::Computer;
      if (items.size() > 1) {
        TItem vol;
        if (!DecodeItem(items[1], vol) || vol.Tag != kTagVolume) return false;
        out.Kind = TKind::Volume;
        out.Path = vol.Name;
        out.FileSystem = true;
        out.Last = vol;
        i = 2;
      }
      break;
    case kRootTrash:
      out.Kind = TKind::Trash;
      out.Path = TrashFilesDir();
      out.InTrash = items.size() > 1;
      out.FileSystem = out.InTrash;
      break;
    default:
      out.Kind = TKind::Network;
      if (items.size() > 1) return false;
      break;
  }
  for (; i < items.size(); ++i) {
    TItem f;
    if (!DecodeItem(items[i], f) || f.Tag != kTagFile || out.Path.empty()) return false;
    out.Kind = TKind::File;
    out.Path = Join(out.Path, f.Name);
    out.Last = f;
  }
  return true;
}

std::string DisplayName(const TLocation& loc, DWORD flags) {
  const bool parsing = flags & SHGDN_FORPARSING, inFolder = flags & SHGDN_INFOLDER;
  switch (loc.Kind) {
    case TKind::Desktop:
      return parsing ? "::Desktop" : "Desktop";
    case TKind::Home:
      return parsing ? (inFolder ? "::Home" : loc.Path) : "Home";
    case TKind::Computer:
      return parsing ? "::Computer" : "Computer";
    case TKind::Trash:
      return parsing ? "::Trash" : "Trash";
    case TKind::Network:
      return parsing ? "::Network" : "Network";
    case TKind::Volume:
      return parsing ? loc.Path : loc.Last.Label;
    case TKind::File:
      if (parsing) return inFolder ? loc.Last.Name : loc.Path;
      return loc.InTrash ? TrashOriginalName(loc.Path) : loc.Last.Name;
  }
  return "";
}

ULONG Attributes(const TLocation& loc, ULONG asked) {
  const ULONG folder = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
  ULONG a = 0;
  switch (loc.Kind) {
    case TKind::Desktop:
      return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
    case TKind::Computer:
      return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_HASPROPSHEET;
    case TKind::Trash:
      return SFGAO_FOLDER | SFGAO_DROPTARGET | SFGAO_HASPROPSHEET;
    case TKind::Network:
      return SFGAO_FOLDER | SFGAO_HASPROPSHEET;
    case TKind::Home:
    case TKind::Volume:
      a = folder | SFGAO_FILESYSTEM | SFGAO_CANLINK | SFGAO_CANCOPY | SFGAO_HASPROPSHEET;
      if (loc.Last.Flags & kFlagRemovable) a |= SFGAO_REMOVABLE;
      break;
    case TKind::File: {
      a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_HASPROPSHEET;
      if (loc.InTrash) {
        a |= SFGAO_CANDELETE;
      } else {
        a |= SFGAO_CANLINK;
        if (access(ExtractFileDir(loc.Path).c_str(), W_OK) == 0)
          a |= SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE;
      }
      a |= (loc.Last.Flags & kFlagDir) ? folder : SFGAO_STREAM;
      if (loc.Last.Flags & kFlagHidden) a |= SFGAO_HIDDEN;
      if (loc.Last.Flags & kFlagLink) a |= SFGAO_LINK;
      if (loc.Last.Flags & kFlagReadOnly) a |= SFGAO_READONLY;
      break;
    }
  }
  // Whether a folder holds folders costs a look into it: only when asked.
  if ((asked & SFGAO_HASSUBFOLDER) && (a & SFGAO_FOLDER) && !loc.InTrash && HasSubFolder(loc.Path))
    a |= SFGAO_HASSUBFOLDER;
  return a;
}

HRESULT ParseRelative(const std::string& dir, const std::string& name,
                      std::vector<TItemBytes>& items) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : name + "/") {
    if (c != '/') {
      cur += c;
      continue;
    }
    if (cur == "..") return E_INVALIDARG;
    if (!cur.empty() && cur != ".") parts.push_back(cur);
    cur.clear();
  }
  if (parts.empty()) return E_INVALIDARG;
  std::string at = dir;
  for (size_t i = 0; i < parts.size(); ++i) {
    TItem it;
    bool last = i + 1 == parts.size();
    if (!FileItemFor(at, parts[i], it))
      return HRESULT_FROM_WIN32(last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    if (!last && !(it.Flags & kFlagDir)) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    items.push_back(EncodeItem(it));
    at = Join(at, parts[i]);
  }
  return S_OK;
}

HRESULT ParseAbsolute(const std::string& name, std::vector<TItemBytes>& items) {
  static const std::pair<const char*, BYTE> kRoots[] = {{"::Home", kRootHome},
                                                        {"::Computer", kRootComputer},
                                                        {"::Trash", kRootTrash},
                                                        {"::Network", kRootNetwork}};
  if (name == "::Desktop") return S_OK;
  for (const auto& [text, root] : kRoots)
    if (SameText(name, text)) {
      items.push_back(EncodeItem(RootItem(root)));
      return S_OK;
    }
  std::string s = name;
  if (s == "~" || StartsWith(s, "~/")) s = HomeDir() + s.substr(1);
  if (s.empty() || s[0] != '/') return E_INVALIDARG;
  const std::string norm = NormalPath(s);
  const TVolume* best = nullptr;
  auto vols = Volumes();
  for (const auto& v : vols) {
    bool inside = v.Path == "/" || norm == v.Path || StartsWith(norm, (v.Path + "/").c_str());
    if (inside && (!best || v.Path.size() > best->Path.size())) best = &v;
  }
  items.push_back(EncodeItem(RootItem(kRootComputer)));
  items.push_back(EncodeItem(VolumeItem(*best)));
  std::string rest = norm.substr(best->Path == "/" ? 1 : best->Path.size());
  if (rest.empty() || rest == "/") return S_OK;
  return ParseRelative(best->Path, rest, items);
}

namespace {

class TEnum final : public TRefCounted<IEnumIDList, IID_IEnumIDList> {
public:
  explicit TEnum(std::vector<TItem> items) : FItems(std::move(items)) {}
  HRESULT Next(ULONG celt, LPITEMIDLIST* rgelt, ULONG* fetched) override {
    if (!rgelt) return E_POINTER;
    ULONG n = 0;
    while (n < celt && FAt < FItems.size()) rgelt[n++] = MakeList({EncodeItem(FItems[FAt++])});
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG celt) override {
    FAt = std::min(FItems.size(), FAt + celt);
    return FAt < FItems.size() ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    FAt = 0;
    return S_OK;
  }

private:
  std::vector<TItem> FItems;
  size_t FAt = 0;
};

HRESULT ErrnoResult(int e) { return HRESULT_FROM_WIN32(Win32ErrorFromErrno(e)); }

class TFolder final : public TRefCounted<IShellFolder, IID_IShellFolder> {
public:
  explicit TFolder(LPITEMIDLIST absolute) : FAbs(absolute) { Resolve(FAbs, FLoc); }
  ~TFolder() override { ILFree(FAbs); }
  LPCITEMIDLIST Absolute() const { return FAbs; }


  HRESULT ParseDisplayName(HWND, void*, LPCSTR name, ULONG* eaten, LPITEMIDLIST* pidl,
                           ULONG* attributes) override {
    if (!pidl) return E_POINTER;
    *pidl = nullptr;
    if (!name) return E_INVALIDARG;
    std::vector<TItemBytes> items;
    HRESULT hr;
    const std::string text = name;
    if (FLoc.Kind == TKind::Desktop) {
      hr = text.empty() ? S_OK : ParseAbsolute(text, items);
    } else if (FLoc.Kind == TKind::Computer && !text.empty() && text[0] == '/') {
      hr = ParseAbsolute(text, items);
      if (Succeeded(hr)) items.erase(items.begin());  // relative to Computer
    } else if (FLoc.Path.empty() || text.empty() || text[0] == '/') {
      hr = E_INVALIDARG;
    } else {
      hr = ParseRelative(FLoc.Path, text, items);
    }
    if (Failed(hr)) return hr;
    *pidl = MakeList(items);
    if (eaten) *eaten = static_cast<ULONG>(text.size());
    if (attributes) {
      LPITEMIDLIST full = ILCombine(FAbs, *pidl);
      TLocation loc;
      *attributes = Resolve(full, loc) ? Attributes(loc, *attributes) & *attributes : 0;
      ILFree(full);
    }
    return S_OK;
  }

  HRESULT EnumObjects(HWND, DWORD flags, IEnumIDList** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<TItem> items;
    switch (FLoc.Kind) {
      case TKind::Desktop:
        if (IsDir(HomeDir())) items.push_back(RootItem(kRootHome));
        items.push_back(RootItem(kRootComputer));
        items.push_back(RootItem(kRootTrash));
        items.push_back(RootItem(kRootNetwork));
        if (!(flags & SHCONTF_FOLDERS)) items.clear();
        break;
      case TKind::Computer:
        if (flags & SHCONTF_FOLDERS)
          for (const auto& v : Volumes()) items.push_back(VolumeItem(v));
        break;
      case TKind::Network:
        break;
      default: {
        if (!FLoc.IsFolder()) return E_INVALIDARG;
        DIR* d = opendir(FLoc.Path.c_str());
        if (!d) {
          if (FLoc.Kind == TKind::Trash) break;  // no trash yet: an empty one
          return ErrnoResult(errno);
        }
        while (dirent* e = readdir(d)) {
          if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
          TItem it;
          if (!FileItemFor(FLoc.Path, e->d_name, it)) continue;
          bool dir = it.Flags & kFlagDir;
          if (dir ? !(flags & SHCONTF_FOLDERS) : !(flags & SHCONTF_NONFOLDERS)) continue;
          if ((it.Flags & kFlagHidden) && !(flags & SHCONTF_INCLUDEHIDDEN)) continue;
          items.push_back(std::move(it));
        }
        closedir(d);
        std::sort(items.begin(), items.end(),
                  [](const TItem& a, const TItem& b) { return CompareItems(a, b) < 0; });
      }
    }
    *out = new TEnum(std::move(items));
    return S_OK;
  }

  HRESULT BindToObject(LPCITEMIDLIST pidl, void*, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!pidl) return E_INVALIDARG;
    LPITEMIDLIST full = ILCombine(FAbs, pidl);
    TLocation loc;
    if (!Resolve(full, loc) || !loc.IsFolder() || (loc.Kind == TKind::File && !IsDir(loc.Path))) {
      ILFree(full);
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
    auto* f = new TFolder(full);
    HRESULT hr = f->QueryInterface(riid, out);
    f->Release();
    return hr;
  }
  HRESULT BindToStorage(LPCITEMIDLIST, void*, REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT CompareIDs(LPARAM, LPCITEMIDLIST a, LPCITEMIDLIST b) override {
    int c = CompareLists(a, b);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(c)));
  }
  HRESULT CreateViewObject(HWND, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IDropTarget) return E_NOINTERFACE;
    *out = NewDropTarget(FAbs);
    return *out ? S_OK : E_NOINTERFACE;
  }
  HRESULT GetAttributesOf(UINT cidl, LPCITEMIDLIST* apidl, ULONG* inOut) override {
    if (!inOut) return E_POINTER;
    ULONG asked = *inOut, all = ~0u;
    if (cidl == 0) {
      all = Attributes(FLoc, asked);
    } else {
      if (!apidl) return E_INVALIDARG;
      for (UINT i = 0; i < cidl; ++i) {
        LPITEMIDLIST full = ILCombine(FAbs, apidl[i]);
        TLocation loc;
        bool ok = Resolve(full, loc);
        ILFree(full);
        if (!ok) return E_INVALIDARG;
        all &= Attributes(loc, asked);
      }
    }
    *inOut = all;
    return S_OK;
  }
  HRESULT GetUIObjectOf(HWND, UINT cidl, LPCITEMIDLIST* apidl, REFIID riid, UINT*,
                        void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (cidl == 0 || !apidl) return E_INVALIDARG;
    std::vector<LPITEMIDLIST> full;
    for (UINT i = 0; i < cidl; ++i) full.push_back(ILCombine(FAbs, apidl[i]));
    std::vector<LPCITEMIDLIST> items(full.begin(), full.end());
    if (riid == IID_IContextMenu2) {
      *out = NewContextMenu(items);
    } else if (riid == IID_IContextMenu) {
      if (IContextMenu2* cm = NewContextMenu(items)) *out = static_cast<IContextMenu*>(cm);
    } else if (riid == IID_IDataObject) {
      *out = NewDataObject(items);
    } else if (riid == IID_IDropTarget && cidl == 1) {
      *out = NewDropTarget(items[0]);
    }
    for (LPITEMIDLIST p : full) ILFree(p);
    return *out ? S_OK : E_NOINTERFACE;
  }
  HRESULT GetDisplayNameOf(LPCITEMIDLIST pidl, DWORD flags, STRRET* name) override {
    if (!name) return E_POINTER;
    LPITEMIDLIST full = ILCombine(FAbs, pidl);
    TLocation loc;
    bool ok = Resolve(full, loc);
    ILFree(full);
    if (!ok) return E_INVALIDARG;
    std::string text = DisplayName(loc, flags);
    if (text.size() < MAX_PATH) {
      name->uType = STRRET_CSTR;
      std::memcpy(name->cStr, text.c_str(), text.size() + 1);
    } else {
      std::u16string w = UTF8Decode(text);
      auto* p = static_cast<char16_t*>(Malloc()->Alloc((w.size() + 1) * sizeof(char16_t)));
      if (!p) return E_OUTOFMEMORY;
      std::memcpy(p, w.c_str(), (w.size() + 1) * sizeof(char16_t));
      name->uType = STRRET_WSTR;
      name->pOleStr = p;
    }
    return S_OK;
  }
  HRESULT SetNameOf(HWND owner, LPCITEMIDLIST pidl, LPCSTR newName, DWORD,
                    LPITEMIDLIST* out) override {
    if (out) *out = nullptr;
    LPITEMIDLIST full = ILCombine(FAbs, pidl);
    TLocation loc;
    bool ok = Resolve(full, loc);
    ILFree(full);
    if (!ok || loc.Kind != TKind::File || loc.InTrash) return E_INVALIDARG;
    const std::string name = newName ? newName : "";
    const std::string dir = ExtractFileDir(loc.Path);
    DWORD err = 0;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.size() > 255) {
      err = ERROR_INVALID_NAME;
    } else if (name != loc.Last.Name) {
      struct stat st;
      if (lstat(Join(dir, name).c_str(), &st) == 0)
        err = ERROR_ALREADY_EXISTS;
      else if (std::rename(loc.Path.c_str(), Join(dir, name).c_str()) != 0)
        err = Win32ErrorFromErrno(errno);
    }
    if (err) {
      if (owner && UiHooks().Show) {
        char text[256] = "";
        FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0,
                      text, sizeof text, nullptr);
        UiHooks().Show(owner, "Cannot rename " + loc.Last.Name + ": " + TrimRight(text),
                       "Error Renaming File or Folder");
      }
      return HRESULT_FROM_WIN32(err);
    }
    TItem it;
    if (!FileItemFor(dir, name, it)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (out) *out = MakeList({EncodeItem(it)});
    return S_OK;
  }

private:
  LPITEMIDLIST FAbs;
  TLocation FLoc;
};

}  // namespace

// The absolute list of a folder interface made here (null for foreign objects).
LPCITEMIDLIST FolderAbsolute(IShellFolder* f) {
  auto* t = dynamic_cast<TFolder*>(f);
  return t ? t->Absolute() : nullptr;
}

}  // namespace shellns

using namespace shellns;

HRESULT SHGetDesktopFolder(IShellFolder** out) {
  if (!out) return E_POINTER;
  *out = new TFolder(MakeList({}));
  return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int csidl, LPITEMIDLIST* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::vector<TItemBytes> items;
  switch (csidl) {
    case CSIDL_DESKTOP:
      break;
    case CSIDL_DRIVES:
      items.push_back(EncodeItem(RootItem(kRootComputer)));
      break;
    case CSIDL_BITBUCKET:
      items.push_back(EncodeItem(RootItem(kRootTrash)));
      break;
    case CSIDL_NETWORK:
      items.push_back(EncodeItem(RootItem(kRootNetwork)));
      break;
    default: {
      std::string path = SpecialPath(csidl);
      if (path.empty() || !IsDir(path) || Failed(ParseAbsolute(path, items))) return E_INVALIDARG;
    }
  }
  *out = MakeList(items);
  return *out ? S_OK : E_OUTOFMEMORY;
}

BOOL SHGetPathFromIDListEx(LPCITEMIDLIST pidl, LPSTR path, DWORD cchPath, int) {
  if (!path || cchPath == 0) return FALSE;
  path[0] = 0;
  TLocation loc;
  if (!Resolve(pidl, loc) || !loc.FileSystem) return FALSE;
  std::string p = loc.Kind == TKind::Volume ? IncludeTrailingPathDelimiter(loc.Path) : loc.Path;
  if (p.size() + 1 > cchPath) return FALSE;
  std::memcpy(path, p.c_str(), p.size() + 1);
  return TRUE;
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST pidl, LPSTR path) {
  return SHGetPathFromIDListEx(pidl, path, MAX_PATH, 0);
}

HRESULT SHGetDataFromIDList(IShellFolder* folder, LPCITEMIDLIST pidl, int format, void* out,
                            int cb) {
  if (!folder || !pidl || !out) return E_INVALIDARG;
  if (format != SHGDFIL_FINDDATA || cb < static_cast<int>(sizeof(WIN32_FIND_DATAA)))
    return E_INVALIDARG;
  LPCITEMIDLIST abs = FolderAbsolute(folder);
  if (!abs) return E_INVALIDARG;
  LPITEMIDLIST full = ILCombine(abs, pidl);
  TLocation loc;
  bool ok = Resolve(full, loc);
  ILFree(full);
  if (!ok) return E_INVALIDARG;
  TItem it = loc.Last;
  if (loc.Kind == TKind::Home) {
    // The desktop's Home item is the home folder itself: its data is the folder's.
    struct stat st;
    if (loc.Path.empty() || stat(loc.Path.c_str(), &st) != 0) return E_INVALIDARG;
    it.Flags = kFlagDir;
    if (access(loc.Path.c_str(), W_OK) != 0) it.Flags |= kFlagReadOnly;
    it.Size = 0;
    it.MTime = st.st_mtime;
    const size_t slash = loc.Path.find_last_of('/', loc.Path.size() > 1 ? loc.Path.size() - 2 : 0);
    it.Name = slash == std::string::npos ? loc.Path : loc.Path.substr(slash + 1);
    if (!it.Name.empty() && it.Name.back() == '/') it.Name.pop_back();
  } else if (loc.Kind != TKind::File) {
    return E_INVALIDARG;
  }
  WIN32_FIND_DATAA fd{};
  fd.dwFileAttributes = (it.Flags & kFlagDir) ? DWORD(FILE_ATTRIBUTE_DIRECTORY) : 0u;
  if (it.Flags & kFlagHidden) fd.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
  if (it.Flags & kFlagReadOnly) fd.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (it.Flags & kFlagLink) fd.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (!fd.dwFileAttributes) fd.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  uint64_t t = static_cast<uint64_t>(it.MTime + 11644473600LL) * 10000000ULL;
  fd.ftLastWriteTime = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
  fd.ftCreationTime = fd.ftLastAccessTime = fd.ftLastWriteTime;
  fd.nFileSizeHigh = static_cast<DWORD>(it.Size >> 32);
  fd.nFileSizeLow = static_cast<DWORD>(it.Size);
  std::string name = loc.InTrash ? TrashOriginalName(loc.Path) : it.Name;
  std::strncpy(fd.cFileName, name.c_str(), MAX_PATH - 1);
  std::memcpy(out, &fd, sizeof fd);
  return S_OK;
}
