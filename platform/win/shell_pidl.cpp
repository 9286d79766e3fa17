// Item identifier lists: the shell allocator, the IL* helpers, and the bytes of this shell's
// items (encoding, decoding, ordering).
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/rtl/fileutils.h"
#include "platform/win/shell_internal.h"

// Interface identifiers: they only need to be distinct inside the program.
const TGUID IID_IMalloc = {
    0x4F2D7A01, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x01}};
const TGUID IID_IShellFolder = {
    0x4F2D7A02, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x02}};
const TGUID IID_IEnumIDList = {
    0x4F2D7A03, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x03}};
const TGUID IID_IContextMenu = {
    0x4F2D7A04, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x04}};
const TGUID IID_IContextMenu2 = {
    0x4F2D7A05, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x05}};
const TGUID IID_IDataObject = {
    0x4F2D7A06, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x06}};
const TGUID IID_IDropTarget = {
    0x4F2D7A07, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x07}};
const TGUID IID_IDropSource = {
    0x4F2D7A08, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x08}};
const TGUID IID_IShellIconOverlay = {
    0x4F2D7A09, 0x5C11, 0x4E20, {0x9A, 0x10, 0x53, 0x48, 0x45, 0x4C, 0x4C, 0x09}};

namespace {

// The shell allocator: malloc with a 16-byte header holding the block's size, so GetSize works
// and blocks keep malloc's alignment. Live blocks are remembered so DidAlloc can answer.
class TShellMalloc final : public IMalloc {
public:
  HRESULT QueryInterface(REFIID IID, void** Obj) override {
    if (!Obj) return E_POINTER;
    if (IID == IID_IUnknown || IID == IID_IMalloc) {
      *Obj = static_cast<IMalloc*>(this);
      return S_OK;
    }
    *Obj = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return 2; }  // the process's one allocator never goes
  uint32_t Release() override { return 1; }
  void* Alloc(size_t cb) override {
    auto* p = static_cast<uint8_t*>(std::malloc(cb + kHeader));
    if (!p) return nullptr;
    std::memcpy(p, &cb, sizeof cb);
    std::lock_guard<std::mutex> g(FLock);
    FLive.insert(p + kHeader);
    return p + kHeader;
  }
  void* Realloc(void* pv, size_t cb) override {
    if (!pv) return Alloc(cb);
    if (cb == 0) {
      Free(pv);
      return nullptr;
    }
    void* q = Alloc(cb);
    if (!q) return nullptr;
    std::memcpy(q, pv, std::min(cb, GetSize(pv)));
    Free(pv);
    return q;
  }
  void Free(void* pv) override {
    if (!pv) return;
    {
      std::lock_guard<std::mutex> g(FLock);
      FLive.erase(pv);
    }
    std::free(static_cast<uint8_t*>(pv) - kHeader);
  }
  size_t GetSize(void* pv) override {
    if (!pv) return static_cast<size_t>(-1);
    size_t cb;
    std::memcpy(&cb, static_cast<uint8_t*>(pv) - kHeader, sizeof cb);
    return cb;
  }
  int DidAlloc(void* pv) override {
    std::lock_guard<std::mutex> g(FLock);
    return FLive.count(pv) ? 1 : 0;
  }
  void HeapMinimize() override {}

private:
  static constexpr size_t kHeader = 16;
  std::mutex FLock;
  std::unordered_set<void*> FLive;
};

USHORT ItemSize(const BYTE* p) { return static_cast<USHORT>(p[0] | (p[1] << 8)); }

}  // namespace

HRESULT SHGetMalloc(IMalloc** out) {
  if (!out) return E_INVALIDARG;
  *out = shellns::Malloc();
  return S_OK;
}

UINT ILGetSize(LPCITEMIDLIST pidl) {
  if (!pidl) return 0;
  auto* p = reinterpret_cast<const BYTE*>(pidl);
  UINT n = 0;
  for (USHORT cb; (cb = ItemSize(p + n)) != 0;) n += cb;
  return n + 2;
}

LPITEMIDLIST ILGetNext(LPCITEMIDLIST pidl) {
  if (!pidl) return nullptr;
  auto* p = reinterpret_cast<const BYTE*>(pidl);
  USHORT cb = ItemSize(p);
  if (cb == 0) return nullptr;
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(p + cb));
}

LPITEMIDLIST ILFindLastID(LPCITEMIDLIST pidl) {
  if (!pidl) return nullptr;
  auto* p = reinterpret_cast<const BYTE*>(pidl);
  const BYTE* last = p;
  for (USHORT cb; (cb = ItemSize(p)) != 0; p += cb) last = p;
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(last));
}

LPITEMIDLIST ILClone(LPCITEMIDLIST pidl) {
  if (!pidl) return nullptr;
  UINT n = ILGetSize(pidl);
  void* q = shellns::Malloc()->Alloc(n);
  if (q) std::memcpy(q, pidl, n);
  return static_cast<LPITEMIDLIST>(q);
}

LPITEMIDLIST ILCombine(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a && !b) return nullptr;
  UINT na = a ? ILGetSize(a) - 2 : 0, nb = b ? ILGetSize(b) : 2;
  auto* q = static_cast<BYTE*>(shellns::Malloc()->Alloc(na + nb));
  if (!q) return nullptr;
  if (na) std::memcpy(q, a, na);
  if (b)
    std::memcpy(q + na, b, nb);
  else
    q[na] = q[na + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(q);
}

BOOL ILRemoveLastID(LPITEMIDLIST pidl) {
  if (!pidl || ItemSize(reinterpret_cast<BYTE*>(pidl)) == 0) return FALSE;
  auto* last = reinterpret_cast<BYTE*>(ILFindLastID(pidl));
  last[0] = last[1] = 0;
  return TRUE;
}

void ILFree(LPITEMIDLIST pidl) { shellns::Malloc()->Free(pidl); }

BOOL ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return FALSE;
  return shellns::CompareLists(a, b) == 0;
}

namespace shellns {

IMalloc* Malloc() {
  static TShellMalloc* m = new TShellMalloc();  // lives as long as the process
  return m;
}

namespace {

void PutU64(TItemBytes& b, uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<BYTE>(v >> (8 * i)));
}
uint64_t GetU64(const BYTE* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
// A zero-ended text inside [p, end); false when no zero comes.
bool GetText(const BYTE*& p, const BYTE* end, std::string& out) {
  const BYTE* z = static_cast<const BYTE*>(std::memchr(p, 0, static_cast<size_t>(end - p)));
  if (!z) return false;
  out.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(z - p));
  p = z + 1;
  return true;
}

// Case-blind order of UTF-8 names: ASCII letters fold, other bytes compare as they are.
int CompareNames(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca += 32;
    if (cb >= 'A' && cb <= 'Z') cb += 32;
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int TagRank(BYTE tag) { return tag == kTagRoot ? 0 : tag == kTagVolume ? 1 : 2; }

}  // namespace

bool DecodeItem(const BYTE* p, TItem& out) {
  USHORT cb = ItemSize(p);
  if (cb < 3) return false;
  const BYTE* end = p + cb;
  out = TItem{};
  out.Tag = p[2];
  const BYTE* q = p + 3;
  switch (out.Tag) {
    case kTagRoot:
      if (q >= end) return false;
      out.Root = *q;
      return out.Root >= kRootHome && out.Root <= kRootNetwork;
    case kTagVolume:
      if (q >= end) return false;
      out.Flags = *q++;
      return GetText(q, end, out.Name) && GetText(q, end, out.Label) && !out.Name.empty();
    case kTagFile:
      if (end - q < 17) return false;
      out.Flags = q[0];
      out.Size = GetU64(q + 1);
      out.MTime = static_cast<int64_t>(GetU64(q + 9));
      q += 17;
      return GetText(q, end, out.Name) && !out.Name.empty() &&
             out.Name.find('/') == std::string::npos;
    default:
      return false;
  }
}

TItemBytes EncodeItem(const TItem& item) {
  TItemBytes b{0, 0, item.Tag};
  switch (item.Tag) {
    case kTagRoot:
      b.push_back(item.Root);
      break;
    case kTagVolume:
      b.push_back(item.Flags);
      b.insert(b.end(), item.Name.begin(), item.Name.end());
      b.push_back(0);
      b.insert(b.end(), item.Label.begin(), item.Label.end());
      b.push_back(0);
      break;
    default:
      b.push_back(item.Flags);
      PutU64(b, item.Size);
      PutU64(b, static_cast<uint64_t>(item.MTime));
      b.insert(b.end(), item.Name.begin(), item.Name.end());
      b.push_back(0);
      break;
  }
  size_t n = std::min<size_t>(b.size(), 0xFFFF);
  b.resize(n);
  b[0] = static_cast<BYTE>(n & 0xFF);
  b[1] = static_cast<BYTE>(n >> 8);
  return b;
}

TItem RootItem(BYTE root) {
  TItem i;
  i.Tag = kTagRoot;
  i.Root = root;
  return i;
}

std::vector<const BYTE*> ListItems(LPCITEMIDLIST pidl) {
  std::vector<const BYTE*> v;
  if (!pidl) return v;
  auto* p = reinterpret_cast<const BYTE*>(pidl);
  for (USHORT cb; (cb = ItemSize(p)) != 0; p += cb) v.push_back(p);
  return v;
}

LPITEMIDLIST MakeList(const std::vector<TItemBytes>& items) {
  size_t n = 2;
  for (const auto& i : items) n += i.size();
  auto* q = static_cast<BYTE*>(Malloc()->Alloc(n));
  if (!q) return nullptr;
  size_t at = 0;
  for (const auto& i : items) {
    std::memcpy(q + at, i.data(), i.size());
    at += i.size();
  }
  q[at] = q[at + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(q);
}

bool FileItemFor(const std::string& dir, const std::string& name, TItem& out) {
  std::string path = dir == "/" ? "/" + name : dir + "/" + name;
  struct stat ls, st;
  if (lstat(path.c_str(), &ls) != 0) return false;
  bool link = S_ISLNK(ls.st_mode);
  bool target = stat(path.c_str(), &st) == 0;
  const struct stat& s = target ? st : ls;
  out = TItem{};
  out.Tag = kTagFile;
  out.Name = name;
  out.Size = S_ISDIR(s.st_mode) ? 0 : static_cast<uint64_t>(s.st_size);
  out.MTime = static_cast<int64_t>(s.st_mtime);
  if (S_ISDIR(s.st_mode)) out.Flags |= kFlagDir;
  if (link) out.Flags |= kFlagLink;
  if (!(s.st_mode & S_IWUSR)) out.Flags |= kFlagReadOnly;
  int attr = name[0] == '.' ? faHidden : FileGetAttr(path);
  if (attr >= 0 && (attr & faHidden)) out.Flags |= kFlagHidden;
  return true;
}

int CompareItems(const TItem& a, const TItem& b) {
  if (a.Tag != b.Tag) return TagRank(a.Tag) < TagRank(b.Tag) ? -1 : 1;
  switch (a.Tag) {
    case kTagRoot:
      return a.Root == b.Root ? 0 : (a.Root < b.Root ? -1 : 1);
    case kTagVolume:
      if (a.Name == b.Name) return 0;
      if (a.Name == "/") return -1;
      if (b.Name == "/") return 1;
      return CompareNames(a.Name, b.Name);
    default:
      if ((a.Flags & kFlagDir) != (b.Flags & kFlagDir)) return (a.Flags & kFlagDir) ? -1 : 1;
      return CompareNames(a.Name, b.Name);
  }
}

int CompareLists(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  auto ia = ListItems(a), ib = ListItems(b);
  for (size_t i = 0; i < ia.size() && i < ib.size(); ++i) {
    TItem x, y;
    bool okx = DecodeItem(ia[i], x), oky = DecodeItem(ib[i], y);
    if (!okx || !oky) {
      // Foreign items: order by their bytes so the answer is still a total order.
      USHORT cx = ItemSize(ia[i]), cy = ItemSize(ib[i]);
      int c = std::memcmp(ia[i], ib[i], std::min(cx, cy));
      if (c != 0) return c < 0 ? -1 : 1;
      if (cx != cy) return cx < cy ? -1 : 1;
      continue;
    }
    int c = CompareItems(x, y);
    if (c != 0) return c;
  }
  if (ia.size() == ib.size()) return 0;
  return ia.size() < ib.size() ? -1 : 1;
}

}  // namespace shellns
