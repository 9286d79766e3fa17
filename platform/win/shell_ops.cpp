// What the shell does with items: its context menu and verbs, the data object of a selection,
// the drop target of a folder, the clipboard's file lists, and the file operations behind them
// (copy, move and link into a folder under a free name, remove a tree).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/shell_internal.h"
#include "platform/win/shellapi.h"
#include "platform/win/winerror.h"
#include "platform/win/winuser.h"

namespace shellns {

namespace {

TShellUiHooks& Hooks() {
  static TShellUiHooks h;
  return h;
}

std::string OpsJoin(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "name", else "name (2)", "name (3)" ... in dir; files keep their extension last.
std::string FreeName(const std::string& dir, const std::string& name) {
  if (!Exists(OpsJoin(dir, name))) return OpsJoin(dir, name);
  std::string stem = name, ext;
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && !IsDirectory(OpsJoin(dir, name))) {
    stem = name.substr(0, dot);
    ext = name.substr(dot);
  }
  for (int n = 2;; ++n) {
    std::string candidate = OpsJoin(dir, stem + " (" + std::to_string(n) + ")" + ext);
    if (!Exists(candidate)) return candidate;
  }
}

// dir is src or lies inside it.
bool Inside(const std::string& dir, const std::string& src) {
  return dir == src || (dir.size() > src.size() && dir.compare(0, src.size(), src) == 0 &&
                        dir[src.size()] == '/');
}

bool CopyEntry(const std::string& src, const std::string& dest, std::string& err) {
  struct stat st;
  if (lstat(src.c_str(), &st) != 0) {
    err = std::strerror(errno);
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    char target[4096];
    ssize_t n = readlink(src.c_str(), target, sizeof target - 1);
    if (n < 0 || symlink(std::string(target, static_cast<size_t>(n)).c_str(), dest.c_str()) != 0) {
      err = std::strerror(errno);
      return false;
    }
    return true;
  }
  if (S_ISDIR(st.st_mode)) {
    if (mkdir(dest.c_str(), st.st_mode & 07777) != 0) {
      err = std::strerror(errno);
      return false;
    }
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(src, ec)) {
      std::string name = e.path().filename().string();
      if (!CopyEntry(OpsJoin(src, name), OpsJoin(dest, name), err)) return false;
    }
    if (ec) {
      err = ec.message();
      return false;
    }
    return true;
  }
  if (!CopyFile(src, dest, true)) {
    err = "cannot copy " + ExtractFileName(src);
    return false;
  }
  return true;
}

const std::string& ClipboardEffectFormatName() {
  static const std::string n = "Preferred DropEffect";
  return n;
}

}  // namespace

const TShellUiHooks& UiHooks() { return Hooks(); }

bool RemoveTree(const std::string& path, std::string& err) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  if (ec) err = ec.message();
  return !ec;
}

bool CopyInto(const std::string& src, const std::string& dir, std::string& made, std::string& err) {
  if (Inside(dir, src)) {
    err = "a folder cannot be copied into itself";
    return false;
  }
  made = FreeName(dir, ExtractFileName(src));
  if (CopyEntry(src, made, err)) return true;
  std::string ignored;
  RemoveTree(made, ignored);
  return false;
}

bool MoveInto(const std::string& src, const std::string& dir, std::string& made, std::string& err) {
  if (ExtractFileDir(src) == dir) {
    made = src;
    return true;
  }
  if (Inside(dir, src)) {
    err = "a folder cannot be moved into itself";
    return false;
  }
  made = FreeName(dir, ExtractFileName(src));
  if (std::rename(src.c_str(), made.c_str()) == 0) return true;
  if (errno != EXDEV) {
    err = std::strerror(errno);
    return false;
  }
  if (!CopyInto(src, dir, made, err)) return false;
  return RemoveTree(src, err);
}

bool LinkInto(const std::string& src, const std::string& dir, std::string& made, std::string& err) {
  std::string name = ExtractFileName(src);
  if (ExtractFileDir(src) == dir) name = "Link to " + name;
  made = FreeName(dir, name);
  if (symlink(src.c_str(), made.c_str()) == 0) return true;
  err = std::strerror(errno);
  return false;
}

namespace {

// The effect a drop of files on folder would have with these keys, among the allowed ones.
DWORD ChooseEffect(const TLocation& folder, const std::vector<std::string>& files, DWORD keys,
                   DWORD allowed) {
  if (files.empty()) return DROPEFFECT_NONE;
  if (folder.Kind == TKind::Trash)
    return (allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
  if (folder.Path.empty() || access(folder.Path.c_str(), W_OK) != 0) return DROPEFFECT_NONE;
  bool allHere = true;
  for (const auto& f : files) {
    if (Inside(folder.Path, f)) return DROPEFFECT_NONE;
    allHere = allHere && ExtractFileDir(f) == folder.Path;
  }
  DWORD want;
  if ((keys & MK_ALT) || ((keys & MK_CONTROL) && (keys & MK_SHIFT)))
    want = DROPEFFECT_LINK;
  else if (keys & MK_CONTROL)
    want = DROPEFFECT_COPY;
  else if (keys & MK_SHIFT)
    want = DROPEFFECT_MOVE;
  else {
    struct stat a, b;
    bool same = lstat(files[0].c_str(), &a) == 0 && stat(folder.Path.c_str(), &b) == 0 &&
                a.st_dev == b.st_dev;
    want = same ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
  }
  if (want == DROPEFFECT_MOVE && allHere) return DROPEFFECT_NONE;  // already there
  if (allowed & want) return want;
  for (DWORD e : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
    if ((allowed & e) && !(e == DROPEFFECT_MOVE && allHere)) return e;
  return DROPEFFECT_NONE;
}

class TDropTarget final : public TRefCounted<IDropTarget, IID_IDropTarget> {
public:
  explicit TDropTarget(const TLocation& folder) : FFolder(folder) {}
  HRESULT DragEnter(IDataObject* data, DWORD keys, POINT, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    FFiles = DataObjectFiles(data);
    *effect = ChooseEffect(FFolder, FFiles, keys, *effect);
    return S_OK;
  }
  HRESULT DragOver(DWORD keys, POINT, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    *effect = ChooseEffect(FFolder, FFiles, keys, *effect);
    return S_OK;
  }
  HRESULT DragLeave() override {
    FFiles.clear();
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, DWORD keys, POINT, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    FFiles = DataObjectFiles(data);
    DWORD e = ChooseEffect(FFolder, FFiles, keys, *effect);
    bool any = false;
    for (const auto& f : FFiles) {
      std::string made, err;
      bool ok = false;
      if (FFolder.Kind == TKind::Trash)
        ok = MoveToTrash(f, err);
      else if (e == DROPEFFECT_COPY)
        ok = CopyInto(f, FFolder.Path, made, err);
      else if (e == DROPEFFECT_MOVE)
        ok = MoveInto(f, FFolder.Path, made, err);
      else if (e == DROPEFFECT_LINK)
        ok = LinkInto(f, FFolder.Path, made, err);
      any = any || ok;
    }
    FFiles.clear();
    *effect = any ? e : DROPEFFECT_NONE;
    return S_OK;
  }

private:
  TLocation FFolder;
  std::vector<std::string> FFiles;
};

struct TVerb {
  const char* Verb;
  const char* Caption;
  const char* Help;
};
const TVerb kVerbs[] = {
    {"open", "&Open", "Opens the selected item."},
    {"cut", "Cu&t", "Removes the selected items and copies them onto the clipboard."},
    {"copy", "&Copy", "Copies the selected items to the clipboard."},
    {"paste", "&Paste", "Inserts the items you have copied or cut into the selected folder."},
    {"link", "Create &Link", "Creates a link to the selected item."},
    {"delete", "&Delete", "Moves the selected items to the trash."},
    {"rename", "Rena&me", "Renames the selected item."},
    {"newfolder", "&New Folder", "Creates a new, empty folder."},
    {"emptytrash", "&Empty Trash", "Deletes everything in the trash for good."},
    {"properties", "P&roperties", "Shows the properties of the selected items."},
};
const TVerb* FindVerb(const std::string& v) {
  for (const TVerb& t : kVerbs)
    if (SameText(v, t.Verb)) return &t;
  return nullptr;
}

std::string SizeText(uint64_t n) {
  char b[64];
  if (n < 1024)
    std::snprintf(b, sizeof b, "%llu bytes", static_cast<unsigned long long>(n));
  else if (n < 1024 * 1024)
    std::snprintf(b, sizeof b, "%.1f KB (%llu bytes)", n / 1024.0,
                  static_cast<unsigned long long>(n));
  else
    std::snprintf(b, sizeof b, "%.1f MB (%llu bytes)", n / 1048576.0,
                  static_cast<unsigned long long>(n));
  return b;
}

class TContextMenu final : public TRefCounted<IContextMenu2, IID_IContextMenu, IID_IContextMenu2> {
public:
  explicit TContextMenu(const std::vector<LPCITEMIDLIST>& items) {
    for (LPCITEMIDLIST p : items) {
      FItems.push_back(ILClone(p));
      TLocation loc;
      Resolve(p, loc);
      FLocs.push_back(loc);
    }
  }
  ~TContextMenu() override {
    for (LPITEMIDLIST p : FItems) ILFree(p);
  }

  HRESULT QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override {
    FOffsets.clear();
    std::vector<std::string> rows = Rows(flags);
    UINT pos = index, maxOffset = 0;
    bool any = false;
    for (const auto& r : rows) {
      if (r.empty()) {
        if (any && pos > index) InsertMenu(menu, pos++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        continue;
      }
      UINT offset = static_cast<UINT>(FOffsets.size());
      if (first + offset > last) break;
      FOffsets.push_back(r);
      const TVerb* v = FindVerb(r);
      MENUITEMINFOA mii{};
      mii.cbSize = sizeof mii;
      mii.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
      mii.fType = MFT_STRING;
      mii.wID = first + offset;
      mii.dwTypeData = const_cast<LPSTR>(v->Caption);
      mii.fState =
          (r == DefaultVerb() ? UINT(MFS_DEFAULT) : 0u) | (Enabled(r) ? 0u : UINT(MFS_GRAYED));
      InsertMenuItem(menu, pos++, TRUE, &mii);
      maxOffset = offset + 1;
      any = true;
    }
    // A separator left at the end is taken away again.
    if (pos > index && GetMenuState(menu, pos - 1, MF_BYPOSITION) & MF_SEPARATOR)
      DeleteMenu(menu, pos - 1, MF_BYPOSITION);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, maxOffset);
  }

  HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    if (!info) return E_INVALIDARG;
    std::string verb;
    if (IS_INTRESOURCE(info->lpVerb)) {
      size_t i = reinterpret_cast<uintptr_t>(info->lpVerb);
      if (i >= FOffsets.size()) return E_INVALIDARG;
      verb = FOffsets[i];
    } else {
      verb = info->lpVerb ? info->lpVerb : "";
    }
    return Run(LowerCase(verb), info->hwnd);
  }

  HRESULT GetCommandString(UINT_PTR idCmd, UINT type, UINT*, LPSTR name, UINT cchMax) override {
    if (idCmd >= FOffsets.size()) return E_INVALIDARG;
    if (type == GCS_VALIDATEA) return S_OK;
    const TVerb* v = FindVerb(FOffsets[idCmd]);
    std::string text = type == GCS_HELPTEXTA ? v->Help : v->Verb;
    if (!name || cchMax == 0) return E_INVALIDARG;
    std::strncpy(name, text.c_str(), cchMax - 1);
    name[cchMax - 1] = 0;
    return S_OK;
  }
  HRESULT HandleMenuMsg(UINT, WPARAM, LPARAM) override { return S_OK; }

private:
  bool Single() const { return FLocs.size() == 1; }
  bool AllFiles() const {
    return std::all_of(FLocs.begin(), FLocs.end(),
                       [](const TLocation& l) { return l.Kind == TKind::File && !l.InTrash; });
  }
  bool AllHave(ULONG attr) const {
    return std::all_of(FLocs.begin(), FLocs.end(),
                       [attr](const TLocation& l) { return (Attributes(l, 0) & attr) == attr; });
  }
  bool WritableFolder() const {
    const TLocation& l = FLocs[0];
    return Single() && !l.Path.empty() && l.Kind != TKind::Trash && l.IsFolder() &&
           access(l.Path.c_str(), W_OK) == 0;
  }
  std::string DefaultVerb() const {
    if (FLocs.empty()) return "";
    if (FLocs[0].Kind == TKind::Trash || FLocs[0].InTrash) return "";
    return std::all_of(FLocs.begin(), FLocs.end(), [](const TLocation& l) { return l.FileSystem; })
               ? "open"
               : "";
  }
  bool Enabled(const std::string& verb) const {
    if (verb == "paste") return !GetClipboardFiles().empty();
    if (verb == "emptytrash") return !TrashIsEmpty();
    return true;
  }
  // The rows of the menu; "" stands for a separator.
  std::vector<std::string> Rows(UINT flags) const {
    std::vector<std::string> r;
    if (FLocs.empty()) return r;
    if (flags & CMF_DEFAULTONLY) {
      if (!DefaultVerb().empty()) r.push_back(DefaultVerb());
      return r;
    }
    if (Single() && FLocs[0].Kind == TKind::Trash) return {"emptytrash", "", "properties"};
    if (std::all_of(FLocs.begin(), FLocs.end(), [](const TLocation& l) { return l.InTrash; }))
      return {"delete", "", "properties"};
    if (!DefaultVerb().empty()) r.push_back("open");
    r.push_back("");
    if (AllFiles() && AllHave(SFGAO_CANMOVE)) r.push_back("cut");
    if (AllHave(SFGAO_CANCOPY)) r.push_back("copy");
    if (WritableFolder()) r.push_back("paste");
    r.push_back("");
    if (AllHave(SFGAO_CANLINK) && AllFiles()) r.push_back("link");
    if (AllFiles() && AllHave(SFGAO_CANDELETE)) r.push_back("delete");
    if (Single() && (flags & CMF_CANRENAME) && AllHave(SFGAO_CANRENAME)) r.push_back("rename");
    r.push_back("");
    if (WritableFolder()) r.push_back("newfolder");
    r.push_back("");
    r.push_back("properties");
    return r;
  }

  void ShowError(HWND owner, const std::string& text) {
    if (owner && Hooks().Show) Hooks().Show(owner, text, "Error");
  }
  std::vector<std::string> Paths() const {
    std::vector<std::string> v;
    for (const auto& l : FLocs)
      if (l.FileSystem) v.push_back(l.Path);
    return v;
  }
  std::string ItemsText() const {
    return Single() ? "\"" + DisplayName(FLocs[0], SHGDN_NORMAL) + "\""
                    : "these " + std::to_string(FLocs.size()) + " items";
  }

  HRESULT Run(const std::string& verb, HWND owner) {
    const HRESULT cancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);
    if (verb == "open" || verb == "explore") {
      if (DefaultVerb().empty()) return E_FAIL;
      bool ok = true;
      for (const auto& p : Paths())
        ok = reinterpret_cast<intptr_t>(
                 ShellExecute(owner, "open", p.c_str(), nullptr, nullptr, 1)) > 32 &&
             ok;
      return ok ? S_OK : E_FAIL;
    }
    if (verb == "cut" || verb == "copy") {
      auto p = Paths();
      if (p.empty() || p.size() != FLocs.size()) return E_FAIL;
      return SetClipboardFiles(p, verb == "cut" ? DROPEFFECT_MOVE : DROPEFFECT_COPY) ? S_OK
                                                                                     : E_FAIL;
    }
    if (verb == "paste") {
      if (!WritableFolder()) return E_FAIL;
      DWORD effect = DROPEFFECT_COPY;
      auto files = GetClipboardFiles(&effect);
      if (files.empty()) return E_FAIL;
      bool ok = true;
      for (const auto& f : files) {
        std::string made, err;
        bool done = effect == DROPEFFECT_MOVE ? MoveInto(f, FLocs[0].Path, made, err)
                                              : CopyInto(f, FLocs[0].Path, made, err);
        if (!done) ShowError(owner, "Cannot paste " + ExtractFileName(f) + ": " + err);
        ok = ok && done;
      }
      // Files that were cut are gone from where they were: the clipboard no longer names them.
      if (effect == DROPEFFECT_MOVE && ok && OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
      }
      return ok ? S_OK : E_FAIL;
    }
    if (verb == "link") {
      bool ok = true;
      for (const auto& p : Paths()) {
        std::string made, err;
        if (!LinkInto(p, ExtractFileDir(p), made, err)) {
          ShowError(owner, "Cannot create a link to " + ExtractFileName(p) + ": " + err);
          ok = false;
        }
      }
      return ok ? S_OK : E_FAIL;
    }
    if (verb == "delete") {
      bool inTrash = FLocs[0].InTrash;
      if (owner && Hooks().Confirm &&
          !Hooks().Confirm(owner,
                           inTrash
                               ? "Are you sure you want to delete " + ItemsText() + " for good?"
                               : "Are you sure you want to move " + ItemsText() + " to the Trash?",
                           inTrash ? "Delete" : "Move to Trash"))
        return cancelled;
      bool ok = true;
      for (const auto& l : FLocs) {
        std::string err;
        bool done = l.InTrash ? DeleteFromTrash(l.Path, err)
                              : (l.Kind == TKind::File && MoveToTrash(l.Path, err));
        if (!done) ShowError(owner, "Cannot delete " + DisplayName(l, SHGDN_NORMAL) + ": " + err);
        ok = ok && done;
      }
      return ok ? S_OK : E_FAIL;
    }
    if (verb == "rename") {
      if (!Single() || !owner || !Hooks().Ask) return E_FAIL;
      std::string name = FLocs[0].Last.Name;
      if (!Hooks().Ask(owner, "Rename", "New name:", name)) return cancelled;
      return RenameTo(owner, name);
    }
    if (verb == "newfolder") {
      if (!WritableFolder()) return E_FAIL;
      std::string made = FreeName(FLocs[0].Path, "New Folder");
      std::string name = ExtractFileName(made);
      if (owner && Hooks().Ask) {
        if (!Hooks().Ask(owner, "New Folder", "Name of the new folder:", name)) return cancelled;
        if (name.empty() || name.find('/') != std::string::npos) return E_INVALIDARG;
        made = OpsJoin(FLocs[0].Path, name);
      }
      if (mkdir(made.c_str(), 0777) == 0) return S_OK;
      ShowError(owner, "Cannot create the folder " + name + ": " + std::strerror(errno));
      return E_FAIL;
    }
    if (verb == "emptytrash") {
      if (owner && Hooks().Confirm &&
          !Hooks().Confirm(owner, "Delete everything in the Trash for good?", "Empty Trash"))
        return cancelled;
      std::string err;
      if (EmptyTrash(err)) return S_OK;
      ShowError(owner, "Cannot empty the Trash: " + err);
      return E_FAIL;
    }
    if (verb == "properties") {
      if (owner && Hooks().Show) Hooks().Show(owner, PropertiesText(), "Properties");
      return S_OK;
    }
    return E_INVALIDARG;
  }

  HRESULT RenameTo(HWND owner, const std::string& name) {
    LPITEMIDLIST parent = ILClone(FItems[0]);
    ILRemoveLastID(parent);
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    IShellFolder* folder = nullptr;
    HRESULT hr = ILGetSize(parent) <= 2 ? (desktop->AddRef(), folder = desktop, S_OK)
                                        : desktop->BindToObject(parent, nullptr, IID_IShellFolder,
                                                                reinterpret_cast<void**>(&folder));
    if (Succeeded(hr)) {
      hr = folder->SetNameOf(owner, ILFindLastID(FItems[0]), name.c_str(), SHGDN_NORMAL, nullptr);
      folder->Release();
    }
    desktop->Release();
    ILFree(parent);
    return hr;
  }

  std::string PropertiesText() const {
    std::string t;
    for (const auto& l : FLocs) {
      if (!t.empty()) t += "\n\n";
      t += "Name: " + DisplayName(l, SHGDN_NORMAL);
      if (l.Kind == TKind::File) t += std::string("\nType: ") + (l.IsFolder() ? "Folder" : "File");
      if (!l.Path.empty())
        t += "\nLocation: " + (l.Kind == TKind::File ? ExtractFileDir(l.Path) : l.Path);
      struct stat st;
      if (!l.Path.empty() && stat(l.Path.c_str(), &st) == 0) {
        if (S_ISREG(st.st_mode)) t += "\nSize: " + SizeText(static_cast<uint64_t>(st.st_size));
        char when[64];
        tm local{};
        localtime_r(&st.st_mtime, &local);
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
        t += std::string("\nModified: ") + when;
      }
    }
    return t;
  }

  std::vector<LPITEMIDLIST> FItems;
  std::vector<TLocation> FLocs;
  std::vector<std::string> FOffsets;  // the verb of each command offset
};

}  // namespace

IContextMenu2* NewContextMenu(const std::vector<LPCITEMIDLIST>& items) {
  for (LPCITEMIDLIST p : items) {
    TLocation loc;
    if (!Resolve(p, loc)) return nullptr;
  }
  return items.empty() ? nullptr : new TContextMenu(items);
}

IDataObject* NewDataObject(const std::vector<LPCITEMIDLIST>& items) {
  std::vector<std::string> paths;
  for (LPCITEMIDLIST p : items) {
    TLocation loc;
    if (!Resolve(p, loc) || !loc.FileSystem || loc.Kind != TKind::File) return nullptr;
    paths.push_back(loc.Path);
  }
  return paths.empty() ? nullptr : CreateFileDataObject(paths);
}

IDropTarget* NewDropTarget(LPCITEMIDLIST folder) {
  TLocation loc;
  if (!Resolve(folder, loc) || !loc.IsFolder() || (loc.Path.empty() && loc.Kind != TKind::Trash) ||
      loc.InTrash)
    return nullptr;
  return new TDropTarget(loc);
}

}  // namespace shellns

void SetShellUiHooks(const TShellUiHooks& H) { shellns::Hooks() = H; }

std::vector<uint8_t> MakeDropFilesBlock(const std::vector<std::string>& Files) {
  std::vector<uint8_t> b(20, 0);
  b[0] = 20;  // pFiles: the names start after the header
  for (const auto& f : Files) {
    b.insert(b.end(), f.begin(), f.end());
    b.push_back(0);
  }
  b.push_back(0);
  return b;
}

std::vector<std::string> ParseDropFilesBlock(const uint8_t* Data, size_t Size) {
  std::vector<std::string> v;
  if (!Data || Size < 20) return v;
  uint32_t at = Data[0] | (Data[1] << 8) | (Data[2] << 16) | (uint32_t(Data[3]) << 24);
  if (at < 20 || at > Size) return v;
  while (at < Size && Data[at]) {
    const void* z = std::memchr(Data + at, 0, Size - at);
    if (!z) break;  // an unterminated name: the block is damaged
    size_t n = static_cast<const uint8_t*>(z) - (Data + at);
    v.emplace_back(reinterpret_cast<const char*>(Data + at), n);
    at += static_cast<uint32_t>(n + 1);
  }
  return v;
}

std::vector<std::string> GetClipboardFiles(DWORD* preferredEffect) {
  if (preferredEffect) *preferredEffect = DROPEFFECT_COPY;
  size_t n = 0;
  if (!GetClipboardBytes(CF_HDROP, nullptr, &n) || n == 0) return {};
  std::vector<uint8_t> b(n);
  GetClipboardBytes(CF_HDROP, b.data(), &n);
  if (preferredEffect) {
    UINT fmt = RegisterClipboardFormat(shellns::ClipboardEffectFormatName().c_str());
    uint32_t e = 0;
    size_t en = sizeof e;
    if (GetClipboardBytes(fmt, &e, &en) && en == sizeof e && (e & DROPEFFECT_MOVE))
      *preferredEffect = DROPEFFECT_MOVE;
  }
  return ParseDropFilesBlock(b.data(), b.size());
}

bool SetClipboardFiles(const std::vector<std::string>& Files, DWORD preferredEffect) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  auto block = MakeDropFilesBlock(Files);
  bool ok = SetClipboardBytes(CF_HDROP, block.data(), block.size());
  uint32_t e = preferredEffect;
  ok = SetClipboardBytes(RegisterClipboardFormat(shellns::ClipboardEffectFormatName().c_str()), &e,
                         sizeof e) &&
       ok;
  CloseClipboard();
  return ok;
}
