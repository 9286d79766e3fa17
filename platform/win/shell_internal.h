// Shared inside the shell namespace (shell_*.cpp): the bytes of this shell's items, where an
// absolute item list leads on disk, the XDG folders, the trash, and the objects that
// IShellFolder::GetUIObjectOf hands out.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/win/ole2.h"
#include "platform/win/shlobj.h"

namespace shellns {

// ---- Item bytes ----
// Every item: cb (2 bytes), a tag byte, then:
//   kTagRoot    one byte: which object of the desktop (kRoot*)
//   kTagVolume  flags byte, mount path (UTF-8, zero-ended), label (UTF-8, zero-ended)
//   kTagFile    flags byte, size (8 bytes LE), modification time (8 bytes LE, Unix seconds),
//               name (UTF-8, zero-ended)
enum : BYTE { kTagRoot = 0x1F, kTagVolume = 0x2F, kTagFile = 0x31 };
enum : BYTE { kRootHome = 1, kRootComputer = 2, kRootTrash = 3, kRootNetwork = 4 };
enum : BYTE {
  kFlagDir = 1,
  kFlagHidden = 2,
  kFlagLink = 4,
  kFlagReadOnly = 8,
  kFlagRemovable = 16
};

struct TItem {
  BYTE Tag = 0;
  BYTE Root = 0;
  BYTE Flags = 0;
  uint64_t Size = 0;
  int64_t MTime = 0;
  std::string Name;   // file name; a volume's mount path
  std::string Label;  // a volume's name
  bool IsDir() const { return Tag != kTagFile || (Flags & kFlagDir); }
};
using TItemBytes = std::vector<BYTE>;

// The item at p (p points at its count). False for a malformed item.
bool DecodeItem(const BYTE* p, TItem& out);
TItemBytes EncodeItem(const TItem& item);
TItem RootItem(BYTE root);
// The items of a list, as pointers to their counts.
std::vector<const BYTE*> ListItems(LPCITEMIDLIST pidl);
// A list from items, through the shell allocator.
LPITEMIDLIST MakeList(const std::vector<TItemBytes>& items);
// The item for the directory entry `name` of folder `dir` (stat of dir/name); false when the
// entry does not exist.
bool FileItemFor(const std::string& dir, const std::string& name, TItem& out);
// Orders two items (see IShellFolder::CompareIDs).
int CompareItems(const TItem& a, const TItem& b);
int CompareLists(LPCITEMIDLIST a, LPCITEMIDLIST b);
IMalloc* Malloc();

// ---- Where a list leads ----
enum class TKind { Desktop, Home, Computer, Trash, Network, Volume, File };
struct TLocation {
  TKind Kind = TKind::Desktop;
  std::string Path;         // the folder or file on disk (empty for virtual folders)
  bool FileSystem = false;  // Path is a file-system path the callers may see
  bool InTrash = false;     // an item of the trash (Path inside its files folder)
  TItem Last;               // the last item (Tag 0 for the desktop)
  bool IsFolder() const { return Kind != TKind::File || (Last.Flags & kFlagDir); }
};
// False for a list this shell did not make.
bool Resolve(LPCITEMIDLIST absolute, TLocation& out);
// The display name of the last item of an absolute list, for the SHGDN flags.
std::string DisplayName(const TLocation& loc, DWORD flags);
// The attributes of the item an absolute list names; SFGAO_HASSUBFOLDER only when asked.
ULONG Attributes(const TLocation& loc, ULONG asked);
// Parses an absolute path ("/..."), "~", "~/...", or "::Name" of a desktop object into items
// from the desktop.
HRESULT ParseAbsolute(const std::string& name, std::vector<TItemBytes>& items);
// Parses a path relative to the folder dir into file items.
HRESULT ParseRelative(const std::string& dir, const std::string& name,
                      std::vector<TItemBytes>& items);

// ---- Folders of the system ----
struct TVolume {
  std::string Path;  // mount point, without a trailing "/" except the root
  std::string Label;
  bool Removable = false;
};
// The root file system and the volumes mounted under /media, /run/media and /mnt.
std::vector<TVolume> Volumes();
std::string HomeDir();
std::string XdgDataHome();
std::string XdgConfigHome();
std::string XdgCacheHome();
// A user folder of user-dirs.dirs ("DESKTOP", "DOCUMENTS", "PICTURES", ...) or its default.
std::string XdgUserDir(const std::string& key);
// A path with "." and ".." resolved, no doubled or trailing "/" (except "/").
std::string NormalPath(const std::string& path);

// ---- Trash (shell_trash.cpp) ----
std::string TrashDir();       // the user's trash folder
std::string TrashFilesDir();  // its "files" folder
// Moves path to the trash; false with the reason in err.
bool MoveToTrash(const std::string& path, std::string& err);
// The name path had before it was trashed (path inside a trash's files folder).
std::string TrashOriginalName(const std::string& path);
// Deletes a trashed item for good with its info file.
bool DeleteFromTrash(const std::string& path, std::string& err);
bool TrashIsEmpty();
bool EmptyTrash(std::string& err);

// ---- File operations (shell_ops.cpp) ----
// Copies, moves or links src into the folder dir under a name not taken yet; the new path in
// made. False with the reason in err (nothing half-done is left behind).
bool CopyInto(const std::string& src, const std::string& dir, std::string& made, std::string& err);
bool MoveInto(const std::string& src, const std::string& dir, std::string& made, std::string& err);
bool LinkInto(const std::string& src, const std::string& dir, std::string& made, std::string& err);
// Removes a file or a folder tree.
bool RemoveTree(const std::string& path, std::string& err);

// ---- UI objects (shell_ops.cpp) ----
// For absolute lists of one folder's items; null when the items do not support the object.
IContextMenu2* NewContextMenu(const std::vector<LPCITEMIDLIST>& items);
IDataObject* NewDataObject(const std::vector<LPCITEMIDLIST>& items);
IDropTarget* NewDropTarget(LPCITEMIDLIST folder);
const TShellUiHooks& UiHooks();

// ---- Icons (shell_icons.cpp) ----
int IconIndex(const TLocation& loc, bool small, bool open);
HIMAGELIST SystemList(bool small);

// Reference counting shared by the shell's objects (starting with the creator's reference), and
// QueryInterface for IUnknown and the interfaces Iids, all answered by Base.
template <class Base, const TGUID&... Iids>
class TRefCounted : public Base {
public:
  HRESULT QueryInterface(REFIID IID, void** Obj) override {
    if (!Obj) return E_POINTER;
    if (IID == IID_IUnknown || ((IID == Iids) || ...)) {
      *Obj = static_cast<Base*>(this);
      AddRef();
      return S_OK;
    }
    *Obj = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++FRefs; }
  uint32_t Release() override {
    uint32_t n = --FRefs;
    if (n == 0) delete this;
    return n;
  }

protected:
  virtual ~TRefCounted() = default;

private:
  std::atomic<uint32_t> FRefs{1};
};

}  // namespace shellns
