// The system image lists (16 and 32 pixels) and SHGetFileInfo.
//
// Icons come from the installed icon theme (Adwaita, then hicolor, in the XDG data folders'
// "icons" folders), chosen by the XDG icon naming rules: places and devices for the shell's own
// folders and volumes, the file's MIME type (by extension, from shared-mime-info's globs2) and
// its generic icon for files. A name the theme lacks at the list's size is scaled from another
// size; a name it lacks altogether gets one of the drawn icons below, so the lists work without
// any theme installed. The lists only grow: an icon once added keeps its index.
#include <dirent.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/shell_internal.h"
#include "platform/win/wingdi.h"

struct HIMAGELIST__ {
  int Size = 16;
  std::vector<std::vector<uint32_t>> Images;  // 0xAARRGGBB, Size x Size, top row first
  std::map<std::string, int> ByName;
  std::vector<uint32_t> Overlays[3];  // 1 share, 2 link
};

namespace shellns {

namespace {

std::recursive_mutex& Lock() {
  static std::recursive_mutex m;
  return m;
}
std::atomic<unsigned> gGeneration{0};

// ---- Icon theme ----
std::vector<std::string> IconBases() {
  std::vector<std::string> v{XdgDataHome() + "/icons"};
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
  size_t at = 0;
  while (at <= list.size()) {
    size_t colon = list.find(':', at);
    std::string d = list.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
    if (!d.empty() && d[0] == '/') v.push_back(NormalPath(d) + "/icons");
    if (colon == std::string::npos) break;
    at = colon + 1;
  }
  return v;
}

// name -> file of every PNG icon of one theme at one size ("16x16/places/folder.png").
using TIconIndex = std::map<std::string, std::string>;
const TIconIndex& ThemeIndex(const std::string& theme, int size) {
  static std::map<std::string, TIconIndex> cache;
  std::string key = theme + "/" + std::to_string(size);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  TIconIndex& idx = cache[key];
  const std::string sizeDir = std::to_string(size) + "x" + std::to_string(size);
  for (const auto& base : IconBases()) {
    std::string dir = base + "/" + theme + "/" + sizeDir;
    DIR* d = opendir(dir.c_str());
    if (!d) continue;
    while (dirent* ctx = readdir(d)) {
      if (ctx->d_name[0] == '.') continue;
      std::string sub = dir + "/" + ctx->d_name;
      DIR* s = opendir(sub.c_str());
      if (!s) continue;
      while (dirent* f = readdir(s)) {
        std::string n = f->d_name;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".png") == 0)
          idx.emplace(n.substr(0, n.size() - 4), sub + "/" + n);
      }
      closedir(s);
    }
    closedir(d);
  }
  return idx;
}

bool ReadPng(const std::string& file, int& w, int& h, std::vector<uint32_t>& px) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, file.c_str())) return false;
  img.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
  if (img.width == 0 || img.height == 0 || img.width > 1024 || img.height > 1024) {
    png_image_free(&img);
    return false;
  }
  px.assign(static_cast<size_t>(img.width) * img.height, 0);
  if (!png_image_finish_read(&img, nullptr, px.data(), 0, nullptr)) {
    png_image_free(&img);
    return false;
  }
  w = static_cast<int>(img.width);
  h = static_cast<int>(img.height);
  return true;
}

// Area-weighted scaling in premultiplied alpha, so edges do not darken.
std::vector<uint32_t> Scale(const std::vector<uint32_t>& src, int sw, int sh, int size) {
  std::vector<uint32_t> out(static_cast<size_t>(size) * size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      int x0 = x * sw / size, x1 = std::max(x0 + 1, (x + 1) * sw / size);
      int y0 = y * sh / size, y1 = std::max(y0 + 1, (y + 1) * sh / size);
      double a = 0, r = 0, g = 0, b = 0;
      int n = 0;
      for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) {
          uint32_t p = src[static_cast<size_t>(yy) * sw + xx];
          double pa = (p >> 24) / 255.0;
          a += pa;
          r += ((p >> 16) & 255) * pa;
          g += ((p >> 8) & 255) * pa;
          b += (p & 255) * pa;
          ++n;
        }
      if (a <= 0) continue;
      auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
      out[static_cast<size_t>(y) * size + x] =
          c(a * 255 / n) << 24 | c(r / a) << 16 | c(g / a) << 8 | c(b / a);
    }
  return out;
}

bool ThemeIcon(const std::string& name, int size, std::vector<uint32_t>& px) {
  static const char* const kThemes[] = {"Adwaita", "hicolor"};
  static const int kSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 256};
  std::vector<int> order{size};
  for (int s : kSizes)
    if (s > size) order.push_back(s);
  for (int s : kSizes)
    if (s < size) order.push_back(s);
  for (int s : order)
    for (const char* t : kThemes) {
      const auto& idx = ThemeIndex(t, s);
      auto it = idx.find(name);
      if (it == idx.end()) continue;
      int w, h;
      std::vector<uint32_t> raw;
      if (!ReadPng(it->second, w, h, raw)) continue;
      px = (w == size && h == size) ? raw : Scale(raw, w, h, size);
      return true;
    }
  return false;
}

// ---- Drawn icons ----
struct TCanvas32 {
  int Size;
  std::vector<uint32_t> Px;
  explicit TCanvas32(int s) : Size(s), Px(static_cast<size_t>(s) * s, 0) {}
  // Fills the rectangle given in sixteenths of the icon.
  void Rect(int l, int t, int r, int b, uint32_t c) {
    for (int y = t * Size / 16; y < b * Size / 16; ++y)
      for (int x = l * Size / 16; x < r * Size / 16; ++x) Px[static_cast<size_t>(y) * Size + x] = c;
  }
  void Frame(int l, int t, int r, int b, uint32_t fill, uint32_t edge) {
    Rect(l, t, r, b, edge);
    int k = std::max(1, Size / 16);
    for (int y = t * Size / 16 + k; y < b * Size / 16 - k; ++y)
      for (int x = l * Size / 16 + k; x < r * Size / 16 - k; ++x)
        Px[static_cast<size_t>(y) * Size + x] = fill;
  }
};

std::vector<uint32_t> DrawnIcon(const std::string& kind, int size) {
  TCanvas32 c(size);
  const uint32_t edge = 0xFF5A5A5A;
  if (kind == "folder" || kind == "folder-open") {
    c.Frame(1, 3, 8, 6, 0xFFE8B43A, 0xFFB07D1A);
    c.Frame(1, 5, 15, 14, kind == "folder" ? 0xFFF4C95D : 0xFFF8DC8C, 0xFFB07D1A);
  } else if (kind == "drive") {
    c.Frame(1, 5, 15, 12, 0xFFD0D0D0, edge);
    c.Rect(11, 8, 13, 10, 0xFF3CB043);
  } else if (kind == "computer") {
    c.Frame(2, 2, 14, 11, 0xFF6FA8DC, edge);
    c.Rect(6, 11, 10, 13, edge);
    c.Rect(4, 13, 12, 14, edge);
  } else if (kind == "trash") {
    c.Rect(3, 3, 13, 4, edge);
    c.Frame(4, 4, 12, 15, 0xFFE0E0E0, edge);
  } else if (kind == "home") {
    c.Frame(3, 7, 13, 15, 0xFFF4E3C1, edge);
    c.Rect(2, 5, 14, 7, 0xFFC0392B);
    c.Rect(7, 10, 9, 15, 0xFF8E5B2A);
  } else if (kind == "desktop") {
    c.Frame(1, 3, 15, 13, 0xFF4A90D9, edge);
  } else if (kind == "network") {
    c.Frame(5, 1, 11, 6, 0xFF6FA8DC, edge);
    c.Rect(7, 6, 9, 10, edge);
    c.Rect(2, 10, 14, 11, edge);
    c.Frame(1, 11, 5, 15, 0xFF6FA8DC, edge);
    c.Frame(11, 11, 15, 15, 0xFF6FA8DC, edge);
  } else if (kind == "link") {
    c.Frame(0, 10, 6, 16, 0xFFFFFFFF, edge);
    c.Rect(1, 13, 4, 14, 0xFF202020);
    c.Rect(3, 11, 4, 14, 0xFF202020);
  } else if (kind == "share") {
    c.Frame(0, 11, 7, 16, 0xFF6FA8DC, edge);
  } else {
    c.Frame(3, 1, 13, 15, 0xFFFFFFFF, edge);
    for (int y = 5; y < 13; y += 2) c.Rect(5, y, 11, y + 1, 0xFFA0A0A0);
  }
  return c.Px;
}

// ---- What an item looks like ----
std::map<std::string, std::string>& MimeByExtension() {
  static std::map<std::string, std::string> m;
  static bool loaded = false;
  if (loaded) return m;
  loaded = true;
  for (const auto& base : IconBases()) {
    std::ifstream in(base.substr(0, base.size() - 6) +
                     "/mime/globs2");  // ".../icons" -> ".../mime"
    for (std::string line; std::getline(in, line);) {
      // weight:type:glob[:flags]; the file lists higher weights first, so the first one wins.
      size_t a = line.find(':'), b = a == std::string::npos ? a : line.find(':', a + 1);
      if (line.empty() || line[0] == '#' || b == std::string::npos) continue;
      std::string type = line.substr(a + 1, b - a - 1), glob = line.substr(b + 1);
      glob = glob.substr(0, glob.find(':'));
      if (glob.size() < 3 || glob.compare(0, 2, "*.") != 0 ||
          glob.find_first_of("*?[", 2) != std::string::npos)
        continue;
      m.emplace(LowerCase(glob.substr(2)), type);
    }
  }
  return m;
}

std::string GenericIcon(const std::string& mime) {
  static std::map<std::string, std::string> m;
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    for (const auto& base : IconBases()) {
      std::ifstream in(base.substr(0, base.size() - 6) + "/mime/generic-icons");
      for (std::string line; std::getline(in, line);)
        if (size_t c = line.find(':'); c != std::string::npos)
          m.emplace(line.substr(0, c), line.substr(c + 1));
    }
  }
  auto it = m.find(mime);
  return it == m.end() ? "" : it->second;
}

// The theme names to try for an item, best first, then the drawn icon to fall back on.
std::vector<std::string> IconNames(const TLocation& loc, bool open, std::string& drawn) {
  switch (loc.Kind) {
    case TKind::Desktop:
      drawn = "desktop";
      return {"user-desktop"};
    case TKind::Home:
      drawn = "home";
      return {"user-home"};
    case TKind::Computer:
      drawn = "computer";
      return {"computer"};
    case TKind::Network:
      drawn = "network";
      return {"network-workgroup"};
    case TKind::Trash:
      drawn = "trash";
      return {TrashIsEmpty() ? "user-trash" : "user-trash-full", "user-trash"};
    case TKind::Volume:
      drawn = "drive";
      return {(loc.Last.Flags & kFlagRemovable) ? "drive-removable-media" : "drive-harddisk",
              "drive-harddisk"};
    case TKind::File:
      break;
  }
  if (loc.Last.Flags & kFlagDir) {
    drawn = open ? "folder-open" : "folder";
    if (open) return {"folder-open", "folder"};
    if (!loc.InTrash) {
      if (loc.Path == HomeDir()) return {"user-home", "folder"};
      static const std::pair<const char*, const char*> kPlaces[] = {
          {"DESKTOP", "user-desktop"},       {"DOCUMENTS", "folder-documents"},
          {"DOWNLOAD", "folder-download"},   {"MUSIC", "folder-music"},
          {"PICTURES", "folder-pictures"},   {"PUBLICSHARE", "folder-publicshare"},
          {"TEMPLATES", "folder-templates"}, {"VIDEOS", "folder-videos"}};
      for (const auto& [key, icon] : kPlaces)
        if (XdgUserDir(key) == loc.Path && loc.Path != HomeDir()) return {icon, "folder"};
    }
    return {"folder"};
  }
  drawn = "file";
  std::vector<std::string> names;
  const std::string& n = loc.Last.Name;
  size_t dot = n.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    auto& m = MimeByExtension();
    auto it = m.find(LowerCase(n.substr(dot + 1)));
    if (it != m.end()) {
      std::string icon = it->second;
      std::replace(icon.begin(), icon.end(), '/', '-');
      names.push_back(icon);
      if (std::string g = GenericIcon(it->second); !g.empty()) names.push_back(g);
      names.push_back(it->second.substr(0, it->second.find('/')) + "-x-generic");
    }
  }
  if (!loc.InTrash && access(loc.Path.c_str(), X_OK) == 0)
    names.push_back("application-x-executable");
  names.push_back("text-x-generic");
  return names;
}

HIMAGELIST__& List(bool small) {
  static HIMAGELIST__ smallList = [] {
    HIMAGELIST__ l;
    l.Size = 16;
    return l;
  }();
  static HIMAGELIST__ largeList = [] {
    HIMAGELIST__ l;
    l.Size = 32;
    return l;
  }();
  return small ? smallList : largeList;
}

bool ValidList(HIMAGELIST h) { return h && (h == &List(true) || h == &List(false)); }

const std::vector<uint32_t>& Overlay(HIMAGELIST__& l, int i) {
  auto& o = l.Overlays[i];
  if (o.empty()) {
    const char* name = i == 1 ? "emblem-shared" : "emblem-symbolic-link";
    std::vector<uint32_t> px;
    // Emblems cover the lower left corner at half the icon's size.
    int half = l.Size / 2;
    if (ThemeIcon(name, half, px)) {
      o.assign(static_cast<size_t>(l.Size) * l.Size, 0);
      for (int y = 0; y < half; ++y)
        std::memcpy(&o[static_cast<size_t>(y + l.Size - half) * l.Size],
                    &px[static_cast<size_t>(y) * half], half * 4);
    } else {
      o = DrawnIcon(i == 1 ? "share" : "link", l.Size);
    }
  }
  return o;
}

// Images 0 and 1 of every list are the overlays (the share hand and the shortcut arrow), so that
// copies of the list can name them as overlay images by index.
void EnsureOverlays(HIMAGELIST__& l) {
  if (!l.Images.empty()) return;
  l.Images.push_back(Overlay(l, 1));
  l.Images.push_back(Overlay(l, 2));
  ++gGeneration;
}

}  // namespace

int IconIndex(const TLocation& loc, bool small, bool open) {
  std::string drawn;
  std::vector<std::string> names = IconNames(loc, open, drawn);
  std::lock_guard<std::recursive_mutex> g(Lock());
  HIMAGELIST__& l = List(small);
  EnsureOverlays(l);
  const std::string key = names.front();
  if (auto it = l.ByName.find(key); it != l.ByName.end()) return it->second;
  std::vector<uint32_t> px;
  bool found = false;
  for (const auto& n : names)
    if ((found = ThemeIcon(n, l.Size, px))) break;
  if (!found) {
    if (auto it = l.ByName.find("#" + drawn); it != l.ByName.end())
      return l.ByName[key] = it->second;
    px = DrawnIcon(drawn, l.Size);
    l.ByName["#" + drawn] = static_cast<int>(l.Images.size());
  }
  l.Images.push_back(std::move(px));
  ++gGeneration;
  return l.ByName[key] = static_cast<int>(l.Images.size()) - 1;
}

HIMAGELIST SystemList(bool small) { return &List(small); }

}  // namespace shellns

using namespace shellns;

unsigned SystemImageListGeneration() { return gGeneration.load(); }

int ImageList_GetImageCount(HIMAGELIST list) {
  if (!ValidList(list)) return 0;
  std::lock_guard<std::recursive_mutex> g(Lock());
  EnsureOverlays(*list);
  return static_cast<int>(list->Images.size());
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  if (!ValidList(list)) return FALSE;
  if (cx) *cx = list->Size;
  if (cy) *cy = list->Size;
  return TRUE;
}

BOOL ImageList_GetImageBits(HIMAGELIST list, int i, std::vector<uint32_t>* argb) {
  if (!ValidList(list) || !argb) return FALSE;
  std::lock_guard<std::recursive_mutex> g(Lock());
  EnsureOverlays(*list);
  if (i < 0) {
    if (i < -2) return FALSE;
    *argb = Overlay(*list, -i);
    return TRUE;
  }
  if (i >= static_cast<int>(list->Images.size())) return FALSE;
  *argb = list->Images[static_cast<size_t>(i)];
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int i, HDC dc, int x, int y, UINT style) {
  std::vector<uint32_t> px;
  if (!ImageList_GetImageBits(list, i, &px)) return FALSE;
  if (UINT ov = (style & ILD_OVERLAYMASK) >> 8; ov == 1 || ov == 2) {
    std::vector<uint32_t> o;
    ImageList_GetImageBits(list, -static_cast<int>(ov), &o);
    for (size_t k = 0; k < px.size() && k < o.size(); ++k)
      if (o[k] >> 24) px[k] = o[k];
  }
  const int n = list->Size;
  void* bits = nullptr;
  HBITMAP bm = CreateDIB32(n, n, &bits);
  if (!bm) return FALSE;
  auto* out = static_cast<uint32_t*>(bits);
  for (size_t k = 0; k < px.size(); ++k) {
    uint32_t p = px[k], a = p >> 24;
    out[k] = a << 24 | (((p >> 16) & 255) * a / 255) << 16 | (((p >> 8) & 255) * a / 255) << 8 |
             ((p & 255) * a / 255);
  }
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bm);
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  BOOL ok = AlphaBlend(dc, x, y, n, n, mem, 0, 0, n, n, bf);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bm);
  return ok;
}

DWORD_PTR SHGetFileInfo(LPCSTR path, DWORD fileAttributes, SHFILEINFOA* info, UINT cbInfo,
                        UINT flags) {
  if (info && cbInfo < sizeof(SHFILEINFOA)) return 0;
  TLocation loc;
  LPITEMIDLIST parsed = nullptr;
  if (flags & SHGFI_PIDL) {
    if (!Resolve(reinterpret_cast<LPCITEMIDLIST>(path), loc)) return 0;
  } else if (flags & SHGFI_USEFILEATTRIBUTES) {
    // Only the name and the attributes given: nothing on disk is looked at.
    loc.Kind = TKind::File;
    loc.Path = path ? path : "";
    loc.FileSystem = true;
    loc.Last.Tag = kTagFile;
    loc.Last.Name = ExtractFileName(loc.Path);
    if (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) loc.Last.Flags |= kFlagDir;
  } else {
    std::vector<TItemBytes> items;
    if (!path || Failed(ParseAbsolute(path, items))) return 0;
    parsed = MakeList(items);
    bool ok = Resolve(parsed, loc);
    ILFree(parsed);
    if (!ok) return 0;
  }
  if (info) {
    std::memset(info, 0, sizeof *info);
    if (flags & SHGFI_DISPLAYNAME)
      std::strncpy(info->szDisplayName, DisplayName(loc, SHGDN_NORMAL).c_str(), MAX_PATH - 1);
    if (flags & SHGFI_TYPENAME) {
      std::string t = loc.IsFolder() ? "Folder" : "File";
      size_t dot = loc.Last.Name.rfind('.');
      if (!loc.IsFolder() && dot != std::string::npos && dot > 0)
        t = UpperCase(loc.Last.Name.substr(dot + 1)) + " File";
      std::strncpy(info->szTypeName, t.c_str(), sizeof info->szTypeName - 1);
    }
    if (flags & SHGFI_ATTRIBUTES) info->dwAttributes = Attributes(loc, 0);
  }
  if (flags & SHGFI_SYSICONINDEX) {
    bool small = flags & SHGFI_SMALLICON;
    int i = IconIndex(loc, small, flags & SHGFI_OPENICON);
    if (info) info->iIcon = i;
    return reinterpret_cast<DWORD_PTR>(SystemList(small));
  }
  return 1;
}
