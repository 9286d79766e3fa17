// The shell namespace over a temporary folder tree: the item list wire format, parsing and paths
// both ways, enumeration with hidden items, names, attributes, special folders, renaming, the
// context menu's verbs, drop targets and the system image list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/win/ole2.h"
#include "platform/win/shlobj.h"
#include "platform/win/winerror.h"
#include "platform/win/winuser.h"
#include "tests/support/shell_sandbox.h"

namespace {

struct TFolderRef {
  IShellFolder* F = nullptr;
  ~TFolderRef() {
    if (F) F->Release();
  }
  IShellFolder* operator->() const { return F; }
};

void BindTo(LPCITEMIDLIST pidl, TFolderRef& out) {
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  if (ILGetSize(pidl) <= 2) {
    out.F = desktop;
    return;
  }
  ASSERT_EQ(
      desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&out.F)),
      S_OK);
  desktop->Release();
}

std::string Text(IShellFolder* f, LPCITEMIDLIST item, DWORD flags) {
  STRRET s{};
  if (Failed(f->GetDisplayNameOf(item, flags, &s))) return "?";
  EXPECT_EQ(s.uType, STRRET_CSTR);
  return s.cStr;
}

struct TEntry {
  std::string Name;
  ULONG Attr;
};
std::vector<TEntry> Enumerate(IShellFolder* f, DWORD flags) {
  IEnumIDList* e = nullptr;
  std::vector<TEntry> out;
  if (Failed(f->EnumObjects(nullptr, flags, &e)) || !e) return out;
  LPITEMIDLIST item = nullptr;
  ULONG got = 0;
  while (e->Next(1, &item, &got) == S_OK && got == 1) {
    ULONG a = SFGAO_HASSUBFOLDER | SFGAO_FOLDER;
    LPCITEMIDLIST one[1] = {item};
    f->GetAttributesOf(1, one, &a);
    out.push_back({Text(f, item, SHGDN_NORMAL), a});
    ILFree(item);
  }
  e->Release();
  return out;
}

std::vector<std::string> Names(const std::vector<TEntry>& v) {
  std::vector<std::string> n;
  for (const auto& e : v) n.push_back(e.Name);
  return n;
}

class ShellNamespace : public ::testing::Test {
protected:
  TShellSandbox Box;
};

TEST_F(ShellNamespace, ItemListsKeepTheirWireFormat) {
  TPidl p = ParseShellPath(Box.Root + "/Alpha/a.txt");
  ASSERT_TRUE(p.P);
  // Count the items by hand: 16-bit little-endian counts, ended by a zero count.
  auto* b = reinterpret_cast<const uint8_t*>(p.P);
  size_t at = 0, items = 0;
  while (uint16_t cb = static_cast<uint16_t>(b[at] | b[at + 1] << 8)) {
    ASSERT_GE(cb, 3);
    at += cb;
    ++items;
  }
  EXPECT_EQ(ILGetSize(p), at + 2);
  // Computer, the root volume, then one item per path component.
  size_t components = static_cast<size_t>(std::count(Box.Root.begin(), Box.Root.end(), '/')) + 2;
  EXPECT_EQ(items, 2 + components);
  TPidl copy(ILClone(p));
  EXPECT_EQ(std::memcmp(copy.P, p.P, ILGetSize(p)), 0);
  EXPECT_TRUE(ILIsEqual(copy, p));
  ILRemoveLastID(copy);
  EXPECT_EQ(ShellPathOf(copy), Box.Root + "/Alpha");
  TPidl joined(ILCombine(copy, ILFindLastID(p)));
  EXPECT_TRUE(ILIsEqual(joined, p));
}

TEST_F(ShellNamespace, PathsParseAndComeBack) {
  const std::string cases[] = {Box.Root, Box.Root + "/Alpha", Box.Root + "/Alpha/Sub",
                               Box.Root + "/beta.jpg", Box.Root + "/.hidden"};
  for (const auto& path : cases) {
    SCOPED_TRACE(path);
    TPidl p = ParseShellPath(path);
    ASSERT_TRUE(p.P);
    EXPECT_EQ(ShellPathOf(p), path);
  }
  // Redundant parts are resolved; the root volume keeps its "/".
  EXPECT_EQ(ShellPathOf(ParseShellPath(Box.Root + "//Alpha/./Sub/../a.txt")),
            Box.Root + "/Alpha/a.txt");
  EXPECT_EQ(ShellPathOf(ParseShellPath("/")), "/");
  EXPECT_EQ(ShellPathOf(ParseShellPath("~/tree")), Box.Root);
  HRESULT hr;
  EXPECT_FALSE(ParseShellPath(Box.Root + "/missing.txt", &hr).P);
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(ParseShellPath(Box.Root + "/missing/a.txt", &hr).P);
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(ParseShellPath("relative/path", &hr).P);
}

TEST_F(ShellNamespace, EnumerationListsFoldersFirstAndHidesDotFiles) {
  TFolderRef f;
  BindTo(ParseShellPath(Box.Root), f);
  const DWORD all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
  EXPECT_EQ(Names(Enumerate(f.F, all)),
            (std::vector<std::string>{"Alpha", "beta.jpg", "zeta.PNG"}));
  EXPECT_EQ(Names(Enumerate(f.F, all | SHCONTF_INCLUDEHIDDEN)),
            (std::vector<std::string>{".hidden", "Alpha", ".dotfile", "beta.jpg", "zeta.PNG"}));
  EXPECT_EQ(Names(Enumerate(f.F, SHCONTF_FOLDERS)), (std::vector<std::string>{"Alpha"}));
  EXPECT_EQ(Names(Enumerate(f.F, SHCONTF_NONFOLDERS)),
            (std::vector<std::string>{"beta.jpg", "zeta.PNG"}));
  auto entries = Enumerate(f.F, all);
  EXPECT_TRUE(entries[0].Attr & SFGAO_HASSUBFOLDER);  // Alpha holds Sub
  EXPECT_TRUE(entries[0].Attr & SFGAO_FOLDER);
  EXPECT_FALSE(entries[1].Attr & SFGAO_FOLDER);
}

TEST_F(ShellNamespace, AttributesComeFromTheFileSystem) {
  std::filesystem::create_symlink(Box.Root + "/beta.jpg", Box.Root + "/link.jpg");
  std::filesystem::create_directories(Box.Root + "/Empty");
  struct Case {
    const char* Name;
    ULONG Set, Clear;
  };
  const Case cases[] = {
      {"Alpha",
       SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER |
           SFGAO_CANRENAME | SFGAO_DROPTARGET,
       SFGAO_HIDDEN | SFGAO_LINK},
      {"Empty", SFGAO_FOLDER, SFGAO_HASSUBFOLDER},
      {"beta.jpg", SFGAO_FILESYSTEM | SFGAO_STREAM | SFGAO_CANDELETE | SFGAO_CANCOPY,
       SFGAO_FOLDER | SFGAO_HIDDEN},
      {".hidden", SFGAO_FOLDER | SFGAO_HIDDEN, 0},
      {".dotfile", SFGAO_HIDDEN, SFGAO_FOLDER},
      {"link.jpg", SFGAO_LINK, SFGAO_FOLDER},
  };
  TFolderRef f;
  BindTo(ParseShellPath(Box.Root), f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LPITEMIDLIST item = nullptr;
    ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, c.Name, nullptr, &item, nullptr), S_OK);
    ULONG a = 0xFFFFFFFF;
    LPCITEMIDLIST one[1] = {item};
    ASSERT_EQ(f->GetAttributesOf(1, one, &a), S_OK);
    EXPECT_EQ(a & c.Set, c.Set);
    EXPECT_EQ(a & c.Clear, 0u);
    ILFree(item);
  }
}

TEST_F(ShellNamespace, DisplayNamesForEachPurpose) {
  TFolderRef f;
  BindTo(ParseShellPath(Box.Root), f);
  LPITEMIDLIST item = nullptr;
  ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, "Alpha/a.txt", nullptr, &item, nullptr), S_OK);
  EXPECT_EQ(Text(f.F, item, SHGDN_NORMAL), "a.txt");
  EXPECT_EQ(Text(f.F, item, SHGDN_FORPARSING), Box.Root + "/Alpha/a.txt");
  EXPECT_EQ(Text(f.F, item, SHGDN_FORPARSING | SHGDN_INFOLDER), "a.txt");
  ILFree(item);
  // The find data of an item: name, size and attributes.
  ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, "beta.jpg", nullptr, &item, nullptr), S_OK);
  WIN32_FIND_DATAA fd{};
  ASSERT_EQ(SHGetDataFromIDList(f.F, item, SHGDFIL_FINDDATA, &fd, sizeof fd), S_OK);
  EXPECT_STREQ(fd.cFileName, "beta.jpg");
  EXPECT_EQ(fd.nFileSizeLow, 5u);
  EXPECT_FALSE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(SHGetDataFromIDList(f.F, item, SHGDFIL_NETRESOURCE, &fd, sizeof fd), S_OK);
  ILFree(item);
}

TEST_F(ShellNamespace, DesktopHoldsHomeComputerTrashAndNetwork) {
  TFolderRef desktop;
  SHGetDesktopFolder(&desktop.F);
  auto top = Enumerate(desktop.F, SHCONTF_FOLDERS);
  EXPECT_EQ(Names(top), (std::vector<std::string>{"Home", "Computer", "Trash", "Network"}));
  LPITEMIDLIST drives = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
  TFolderRef computer;
  BindTo(drives, computer);
  auto volumes = Enumerate(computer.F, SHCONTF_FOLDERS);
  ASSERT_FALSE(volumes.empty());
  EXPECT_EQ(volumes[0].Name, "File System");
  // A volume's path ends with "/", like a drive's root.
  EXPECT_EQ(ShellPathOf(ParseShellPath("/")), "/");
  EXPECT_EQ(ShellPathOf(drives), "");  // Computer is virtual
  ILFree(drives);
  // Home enumerates the home folder's items under the Home item.
  LPITEMIDLIST home = nullptr;
  ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, "::Home", nullptr, &home, nullptr), S_OK);
  EXPECT_EQ(ShellPathOf(home), Box.Home);
  TFolderRef homeFolder;
  BindTo(home, homeFolder);
  EXPECT_EQ(Names(Enumerate(homeFolder.F, SHCONTF_FOLDERS)), (std::vector<std::string>{"tree"}));
  ILFree(home);
}

TEST_F(ShellNamespace, SpecialFoldersFollowTheXdgUserFolders) {
  std::filesystem::create_directories(Box.Home + "/.config");
  std::filesystem::create_directories(Box.Home + "/Bilder");
  TShellSandbox::Write(Box.Home + "/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  LPITEMIDLIST p = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_MYPICTURES, &p), S_OK);
  EXPECT_EQ(ShellPathOf(p), Box.Home + "/Bilder");
  ILFree(p);
  // Documents is not there: it cannot be resolved.
  EXPECT_NE(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &p), S_OK);
  EXPECT_EQ(p, nullptr);
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &p), S_OK);
  EXPECT_EQ(ILGetSize(p), 2u);
  ILFree(p);
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PROFILE, &p), S_OK);
  EXPECT_EQ(ShellPathOf(p), Box.Home);
  ILFree(p);
}

TEST_F(ShellNamespace, RenamingGivesTheNewItem) {
  TFolderRef f;
  BindTo(ParseShellPath(Box.Root), f);
  LPITEMIDLIST item = nullptr, renamed = nullptr;
  ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, "beta.jpg", nullptr, &item, nullptr), S_OK);
  ASSERT_EQ(f->SetNameOf(nullptr, item, "gamma.jpg", SHGDN_NORMAL, &renamed), S_OK);
  EXPECT_EQ(Text(f.F, renamed, SHGDN_NORMAL), "gamma.jpg");
  EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/gamma.jpg"));
  EXPECT_FALSE(TShellSandbox::Exists(Box.Root + "/beta.jpg"));
  // A name that is taken, or one with a slash, is refused and nothing changes.
  EXPECT_EQ(f->SetNameOf(nullptr, renamed, "zeta.PNG", SHGDN_NORMAL, nullptr),
            HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(f->SetNameOf(nullptr, renamed, "a/b", SHGDN_NORMAL, nullptr),
            HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
  EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/gamma.jpg"));
  ILFree(item);
  ILFree(renamed);
}

// Runs a verb of the context menu of one item of the folder at dir.
HRESULT RunVerb(const std::string& dir, const char* item, const char* verb) {
  TFolderRef f;
  BindTo(ParseShellPath(dir), f);
  LPITEMIDLIST child = nullptr;
  HRESULT hr = f->ParseDisplayName(nullptr, nullptr, item, nullptr, &child, nullptr);
  if (Failed(hr)) return hr;
  IContextMenu* cm = nullptr;
  LPCITEMIDLIST one[1] = {child};
  hr = f->GetUIObjectOf(nullptr, 1, one, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&cm));
  ILFree(child);
  if (Failed(hr)) return hr;
  CMINVOKECOMMANDINFO ci{};
  ci.cbSize = sizeof ci;
  ci.lpVerb = verb;
  hr = cm->InvokeCommand(&ci);
  cm->Release();
  return hr;
}

TEST_F(ShellNamespace, ContextMenuListsVerbsWithTheirHelp) {
  TFolderRef f;
  BindTo(ParseShellPath(Box.Root), f);
  LPITEMIDLIST child = nullptr;
  ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, "Alpha", nullptr, &child, nullptr), S_OK);
  IContextMenu2* cm = nullptr;
  LPCITEMIDLIST one[1] = {child};
  ASSERT_EQ(
      f->GetUIObjectOf(nullptr, 1, one, IID_IContextMenu2, nullptr, reinterpret_cast<void**>(&cm)),
      S_OK);
  HMENU menu = CreatePopupMenu();
  HRESULT hr = cm->QueryContextMenu(menu, 0, 1, 255, CMF_EXPLORE | CMF_CANRENAME);
  ASSERT_TRUE(Succeeded(hr));
  std::vector<std::string> verbs;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    UINT id = GetMenuItemID(menu, i);
    if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) continue;
    char v[64] = "";
    ASSERT_EQ(cm->GetCommandString(id - 1, GCS_VERBA, nullptr, v, sizeof v), S_OK);
    verbs.push_back(v);
  }
  EXPECT_EQ(verbs, (std::vector<std::string>{"open", "cut", "copy", "paste", "link", "delete",
                                             "rename", "newfolder", "properties"}));
  EXPECT_EQ(HRESULT_CODE(hr), verbs.size());
  // The default item is "open"; with CMF_DEFAULTONLY it is the only one.
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_STATE;
  GetMenuItemInfo(menu, 0, TRUE, &mii);
  EXPECT_TRUE(mii.fState & MFS_DEFAULT);
  DestroyMenu(menu);
  menu = CreatePopupMenu();
  cm->QueryContextMenu(menu, 0, 1, 255, CMF_DEFAULTONLY);
  EXPECT_EQ(GetMenuItemCount(menu), 1);
  DestroyMenu(menu);
  char help[128] = "";
  EXPECT_EQ(cm->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, sizeof help), S_OK);
  EXPECT_GT(std::strlen(help), 0u);
  cm->Release();
  ILFree(child);
}

TEST_F(ShellNamespace, CopyCutPasteAndDeleteToTheTrash) {
  ASSERT_EQ(RunVerb(Box.Root, "beta.jpg", "copy"), S_OK);
  DWORD effect = 0;
  EXPECT_EQ(GetClipboardFiles(&effect), std::vector<std::string>{Box.Root + "/beta.jpg"});
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  ASSERT_EQ(RunVerb(Box.Root, "Alpha", "paste"), S_OK);
  EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/Alpha/beta.jpg"));
  EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/beta.jpg"));
  // Pasting again does not overwrite: the copy gets a free name.
  ASSERT_EQ(RunVerb(Box.Root, "Alpha", "paste"), S_OK);
  EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/Alpha/beta (2).jpg"));

  ASSERT_EQ(RunVerb(Box.Root, "zeta.PNG", "cut"), S_OK);
  ASSERT_EQ(RunVerb(Box.Root, "Alpha/Sub", "paste"), S_OK);
  EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/Alpha/Sub/zeta.PNG"));
  EXPECT_FALSE(TShellSandbox::Exists(Box.Root + "/zeta.PNG"));
  EXPECT_TRUE(GetClipboardFiles().empty());  // what was cut is gone from the clipboard

  ASSERT_EQ(RunVerb(Box.Root, "beta.jpg", "delete"), S_OK);
  EXPECT_FALSE(TShellSandbox::Exists(Box.Root + "/beta.jpg"));
  const std::string trash = Box.Home + "/.local/share/Trash";
  EXPECT_TRUE(TShellSandbox::Exists(trash + "/files/beta.jpg"));
  std::ifstream info(trash + "/info/beta.jpg.trashinfo");
  std::string first, path;
  std::getline(info, first);
  std::getline(info, path);
  EXPECT_EQ(first, "[Trash Info]");
  EXPECT_EQ(path, "Path=" + Box.Root + "/beta.jpg");

  // The trash lists the item under its original name.
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  LPITEMIDLIST bin = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &bin), S_OK);
  TFolderRef trashFolder;
  BindTo(bin, trashFolder);
  EXPECT_EQ(Names(Enumerate(trashFolder.F, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)),
            std::vector<std::string>{"beta.jpg"});
  ILFree(bin);
  desktop->Release();

  ASSERT_EQ(RunVerb(Box.Root, "Alpha", "newfolder"), S_OK);
  EXPECT_TRUE(std::filesystem::is_directory(Box.Root + "/Alpha/New Folder"));
  EXPECT_NE(RunVerb(Box.Root, "Alpha", "no-such-verb"), S_OK);
}

TEST_F(ShellNamespace, DropTargetsCopyMoveAndLinkFiles) {
  TFolderRef f;
  BindTo(ParseShellPath(Box.Root), f);
  LPITEMIDLIST alpha = nullptr;
  ASSERT_EQ(f->ParseDisplayName(nullptr, nullptr, "Alpha", nullptr, &alpha, nullptr), S_OK);
  LPCITEMIDLIST one[1] = {alpha};
  struct Case {
    const char* File;
    DWORD Keys;
    DWORD Effect;
    bool SourceStays;
  };
  const Case cases[] = {
      {"beta.jpg", MK_CONTROL, DROPEFFECT_COPY, true},
      {"zeta.PNG", 0, DROPEFFECT_MOVE, false},  // same file system: a move
      {".dotfile", MK_ALT, DROPEFFECT_LINK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    IDropTarget* t = nullptr;
    ASSERT_EQ(
        f->GetUIObjectOf(nullptr, 1, one, IID_IDropTarget, nullptr, reinterpret_cast<void**>(&t)),
        S_OK);
    IDataObject* data = CreateFileDataObject({Box.Root + "/" + c.File});
    DWORD e = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    ASSERT_EQ(t->DragEnter(data, c.Keys, POINT{0, 0}, &e), S_OK);
    EXPECT_EQ(e, c.Effect);
    e = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    ASSERT_EQ(t->Drop(data, c.Keys, POINT{0, 0}, &e), S_OK);
    EXPECT_EQ(e, c.Effect);
    EXPECT_TRUE(TShellSandbox::Exists(Box.Root + "/Alpha/" + c.File));
    EXPECT_EQ(TShellSandbox::Exists(Box.Root + "/" + c.File), c.SourceStays);
    data->Release();
    t->Release();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(Box.Root + "/Alpha/.dotfile"));
  // A folder cannot be dropped into itself.
  IDropTarget* t = nullptr;
  ASSERT_EQ(
      f->GetUIObjectOf(nullptr, 1, one, IID_IDropTarget, nullptr, reinterpret_cast<void**>(&t)),
      S_OK);
  IDataObject* self = CreateFileDataObject({Box.Root + "/Alpha"});
  DWORD e = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  t->DragEnter(self, 0, POINT{0, 0}, &e);
  EXPECT_EQ(e, static_cast<DWORD>(DROPEFFECT_NONE));
  t->DragLeave();
  self->Release();
  t->Release();
  ILFree(alpha);
}

TEST_F(ShellNamespace, SystemImageListGivesThemeIconsByKind) {
  SHFILEINFOA fi{};
  auto list = reinterpret_cast<HIMAGELIST>(SHGetFileInfo(
      (Box.Root + "/Alpha").c_str(), 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ASSERT_NE(list, nullptr);
  int folder = fi.iIcon;
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(cx, 16);
  std::vector<uint32_t> px;
  ASSERT_TRUE(ImageList_GetImageBits(list, folder, &px));
  EXPECT_EQ(px.size(), 256u);
  EXPECT_TRUE(std::any_of(px.begin(), px.end(), [](uint32_t p) { return (p >> 24) > 128; }));
  SHGetFileInfo((Box.Root + "/Alpha/Sub").c_str(), 0, &fi, sizeof fi,
                SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  EXPECT_EQ(fi.iIcon, folder);
  SHGetFileInfo((Box.Root + "/Alpha").c_str(), 0, &fi, sizeof fi,
                SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
  EXPECT_NE(fi.iIcon, folder);
  SHGetFileInfo((Box.Root + "/beta.jpg").c_str(), 0, &fi, sizeof fi,
                SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  EXPECT_NE(fi.iIcon, folder);
  EXPECT_LT(fi.iIcon, ImageList_GetImageCount(list));
  // The large list is another list with 32-pixel icons.
  auto large =
      reinterpret_cast<HIMAGELIST>(SHGetFileInfo("/", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX));
  ASSERT_NE(large, list);
  ImageList_GetIconSize(large, &cx, &cy);
  EXPECT_EQ(cx, 32);
  ASSERT_TRUE(ImageList_GetImageBits(list, -2, &px));  // the shortcut arrow overlay
  EXPECT_FALSE(ImageList_GetImageBits(list, 100000, &px));
  // Display name of the desktop through the list's own query.
  LPITEMIDLIST desktop = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop);
  SHGetFileInfo(reinterpret_cast<LPCSTR>(desktop), 0, &fi, sizeof fi,
                SHGFI_PIDL | SHGFI_DISPLAYNAME);
  EXPECT_STREQ(fi.szDisplayName, "Desktop");
  ILFree(desktop);
}

TEST(ShellClipboardBlock, DropFilesBlockRoundTripsAndRefusesDamage) {
  std::vector<std::string> files{"/a/b.txt", "/c d/é.jpg"};
  auto block = MakeDropFilesBlock(files);
  EXPECT_EQ(ParseDropFilesBlock(block.data(), block.size()), files);
  EXPECT_TRUE(ParseDropFilesBlock(block.data(), 10).empty());
  block.pop_back();
  block.pop_back();  // the last name loses its terminator
  EXPECT_EQ(ParseDropFilesBlock(block.data(), block.size()), std::vector<std::string>{"/a/b.txt"});
}

}  // namespace
