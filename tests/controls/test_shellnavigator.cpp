// The shell browser: PIDL routines, wildcard masks and filters, positioning by folder and object
// name with their errors, names and attributes, renaming, verbs, the context menu with the
// control's own items, the system image list and the PIDL history.
#include <filesystem>

#include "platform/vcl/menus.h"
#include "tests/controls/shelltree_fixture.h"

namespace {

using namespace shelltest;

TEST(ShellNavigatorPidls, ItemCountsCopiesAndConcatenation) {
  TShellSandbox box;
  TPidl p = ParseShellPath(box.Root + "/Alpha");
  const int n = PidlItemCount(p);
  EXPECT_GE(n, 4);
  EXPECT_EQ(PidlItemCount(nullptr), 0);
  EXPECT_EQ(PidlItemCount(DesktopPidl), 0);
  EXPECT_EQ(PidlSize(nullptr), 0u);
  EXPECT_EQ(PidlSize(DesktopPidl), 2u);
  // CopyItemAt: item n alone; the empty list at the count; none beyond.
  LPITEMIDLIST last = CopyItemAt(p, n - 1);
  EXPECT_EQ(PidlItemCount(last), 1);
  LPITEMIDLIST empty = CopyItemAt(p, n);
  EXPECT_EQ(PidlSize(empty), 2u);
  EXPECT_EQ(CopyItemAt(p, n + 1), nullptr);
  // The items put back together give the list again.
  LPITEMIDLIST joined = CopyPidl(DesktopPidl);
  for (int i = 0; i < n; ++i) {
    LPITEMIDLIST item = CopyItemAt(p, i);
    LPITEMIDLIST longer = ConcatPidls(joined, item);
    FreePidl(item);
    FreePidl(joined);
    joined = longer;
  }
  EXPECT_EQ(ComparePidls(joined, p), 0);
  EXPECT_EQ(PidlToPath(joined), box.Root + "/Alpha");
  FreePidl(joined);
  FreePidl(last);
  FreePidl(empty);
  EXPECT_EQ(CopyPidl(nullptr), nullptr);
  // The network test looks at the first item.
  LPITEMIDLIST net = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &net);
  EXPECT_TRUE(IsNetworkPidl(net));
  EXPECT_FALSE(IsNetworkPidl(p));
  FreePidl(net);
}

TEST(ShellNavigatorMasks, WildcardMatching) {
  struct Case {
    const char* Name;
    const char* Mask;
    bool Match;
  };
  const Case cases[] = {
      {"ABC", "a*c", true},
      {"ABC", "a?c", true},
      {"ABC", "a*d", false},
      {"", "*", true},
      {"photo.JPG", "*.jpg", true},
      {"photo.jpeg", "*.jpg", false},
      {"a.b.c", "*.c", true},
      {"abc", "abc", true},
      {"abc", "ab", false},
      {"ab", "abc", false},
      {"", "", true},
      {"x", "", false},
      {"abcbd", "a*b?", true},
      {"aaa", "a*a*a", true},
      {"aa", "a*a*a", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.Name, c.Mask), c.Match) << c.Name << " / " << c.Mask;
}

class ShellNavigatorTest : public ShellTreeTest {
protected:
  TShellNavigator* Nav() {
    auto* n = new TShellNavigator(Form);
    n->SetShowErrorMessages(false);
    return n;
  }
  static std::vector<std::string> Listed(TShellNavigator* N) {
    std::vector<std::string> v;
    while (N->Next()) v.push_back(N->ObjectName());
    return v;
  }
};

TEST_F(ShellNavigatorTest, FiltersKeepFoldersAndMatchingFiles) {
  TShellNavigator* n = Nav();
  n->SetFolder(Box.Root);
  EXPECT_EQ(n->Folder(), Box.Root + "/");
  n->SetFilter("*.jpg;*.png");
  EXPECT_EQ(n->Filter(), "*.jpg;*.png");
  EXPECT_EQ(Listed(n), (std::vector<std::string>{".hidden", "Alpha", "beta.jpg", "zeta.PNG"}));
  n->SetFilter("");
  EXPECT_EQ(n->Filter(), "*");
  EXPECT_EQ(Listed(n),
            (std::vector<std::string>{".hidden", "Alpha", ".dotfile", "beta.jpg", "zeta.PNG"}));
  n->SetFilter("*.txt;");
  EXPECT_EQ(n->Filter(), "*.txt");
  EXPECT_EQ(Listed(n), (std::vector<std::string>{".hidden", "Alpha"}));
}

TEST_F(ShellNavigatorTest, PositionsNamesAndErrors) {
  TShellNavigator* n = Nav();
  EXPECT_EQ(n->Folder(), "");  // a new browser is on Computer
  EXPECT_EQ(SpecialFolderOf(n->FolderIDList()), SF_DRIVES);
  EXPECT_EQ(n->Version(), "TShellNavigator V3.2");
  // A volume is named by its path, like a drive root.
  n->SetObjectName("/");
  EXPECT_EQ(n->ObjectName(), "/");
  EXPECT_EQ(n->DisplayName(), "File System");
  EXPECT_TRUE(n->IsFolder());
  // A full path positions folder and item.
  n->SetObjectName(Box.Root + "/Alpha/a.txt");
  EXPECT_EQ(n->Folder(), Box.Root + "/Alpha/");
  EXPECT_EQ(n->ObjectName(), "a.txt");
  EXPECT_FALSE(n->IsFolder());
  EXPECT_FALSE(n->IsHidden());
  EXPECT_TRUE(n->CanRename());
  EXPECT_EQ(PidlToPath(n->FullPidl()), Box.Root + "/Alpha/a.txt");
  n->GoUp();
  EXPECT_EQ(n->ObjectName(), "Alpha");
  EXPECT_EQ(n->Folder(), Box.Root + "/");
  EXPECT_TRUE(n->HasSubFolder());
  n->SetObjectName(".dotfile");
  EXPECT_TRUE(n->IsHidden());
  // Errors keep the position and say what was not found.
  try {
    n->SetFolder(Box.Root + "/missing");
    FAIL();
  } catch (const EShellNavigatorError& e) {
    EXPECT_EQ(e.Message(), "Cannot Find Folder: " + Box.Root + "/missing");
  }
  EXPECT_EQ(n->Folder(), Box.Root + "/");
  try {
    n->SetObjectName("nothing.here");
    FAIL();
  } catch (const EShellNavigatorError& e) {
    EXPECT_EQ(e.Message(),
              "Error! Cannot find Object \"nothing.here\" in Folder \"" + Box.Root + "/\"");
  }
  // Empty Folder: Computer again, reading empty.
  n->SetFolder("");
  EXPECT_EQ(n->Folder(), "");
  EXPECT_EQ(SpecialFolderOf(n->FolderIDList()), SF_DRIVES);
  // Special folders position the browser; the desktop has its own name and icon.
  EXPECT_TRUE(n->SetSpecialFolder(SF_BITBUCKET));
  EXPECT_EQ(SpecialFolderOf(n->FolderIDList()), SF_BITBUCKET);
  EXPECT_FALSE(n->SetSpecialFolder(SF_PERSONAL));  // no Documents folder in the sandbox
  EXPECT_EQ(n->DesktopName(), "Desktop");
  EXPECT_GE(n->DesktopIcon(), 0);
}

TEST_F(ShellNavigatorTest, OverlaysForLinks) {
  std::filesystem::create_symlink(Box.Root + "/beta.jpg", Box.Root + "/link.jpg");
  TShellNavigator* n = Nav();
  n->SetFolder(Box.Root);
  n->SetObjectName("link.jpg");
  EXPECT_EQ(n->OverlayIndex(), 1);
  n->SetObjectName("beta.jpg");
  EXPECT_EQ(n->OverlayIndex(), -1);
  n->SetItem(nullptr);
  EXPECT_EQ(n->OverlayIndex(), -1);
  EXPECT_EQ(n->ObjectName(), "");
}

TEST_F(ShellNavigatorTest, RenameGivesTheShellsName) {
  TShellNavigator* n = Nav();
  n->SetFolder(Box.Root);
  n->SetObjectName("Alpha");
  std::string name = "Omega";
  n->Rename(name);
  EXPECT_EQ(name, "Omega");
  EXPECT_EQ(n->ObjectName(), "Omega");
  EXPECT_TRUE(std::filesystem::is_directory(Box.Root + "/Omega"));
  // A name the shell refuses leaves the old name.
  name = "zeta.PNG";
  n->Rename(name);
  EXPECT_EQ(name, "Omega");
}

TEST_F(ShellNavigatorTest, VerbsRunThroughTheShell) {
  TShellNavigator* n = Nav();
  n->SetFolder(Box.Root);
  n->SetObjectName("beta.jpg");
  EXPECT_TRUE(n->ExecuteVerb("copy"));
  EXPECT_EQ(GetClipboardFiles(), std::vector<std::string>{Box.Root + "/beta.jpg"});
  // OnContextMenuSelect may refuse a verb.
  std::string asked;
  n->OnContextMenuSelect = [&](const std::string& c, bool& execute) {
    asked = c;
    execute = false;
  };
  EXPECT_FALSE(n->ExecuteVerb("delete"));
  EXPECT_EQ(asked, "delete");
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/beta.jpg"));
  n->OnContextMenuSelect = nullptr;
  EXPECT_TRUE(n->ExecuteVerb("delete"));
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/beta.jpg"));
  // Several objects at once.
  n->MultiObjects()->Add("zeta.PNG");
  n->MultiObjects()->Add(".dotfile");
  EXPECT_TRUE(n->ExecuteVerb("delete"));
  EXPECT_EQ(n->MultiObjects()->Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/zeta.PNG"));
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/.dotfile"));
  // "rename" goes to OnRename.
  int renames = 0;
  n->OnRename = [&](TObject*) { ++renames; };
  n->SetObjectName("Alpha");
  EXPECT_TRUE(n->ExecuteVerb("rename"));
  EXPECT_EQ(renames, 1);
  // Without error messages the shell gets no owner window.
  EXPECT_EQ(n->OwnerWindow(), nullptr);
}

TEST_F(ShellNavigatorTest, ContextMenuMergesTheControlsItems) {
  auto* popup = new TPopupMenu(Form);
  auto* own = new TMenuItem(popup);
  own->SetCaption("&Own item");
  int clicks = 0;
  own->OnClick = [&](TObject*) { ++clicks; };
  popup->Items()->Add(own);
  Form->Show();
  TShellNavigator* n = Nav();
  n->SetFolder(Box.Root);
  n->SetObjectName("beta.jpg");
  // The copied item comes first unless the shell's are on top; "O" picks it.
  Later(Application(), [] { Key('O'); });
  EXPECT_EQ(n->ShowContextMenu(POINT{100, 100}, popup), "");
  EXPECT_EQ(clicks, 1);
  // "C" picks the shell's Copy: the verb comes back and runs.
  Later(Application(), [] { Key('C'); });
  EXPECT_EQ(n->ShowContextMenu(POINT{100, 100}, popup), "copy");
  EXPECT_EQ(GetClipboardFiles(), std::vector<std::string>{Box.Root + "/beta.jpg"});
  // Read-only browsers refuse delete, cut and paste from the menu.
  n->SetReadOnly(true);
  Later(Application(), [] { Key('D'); });
  EXPECT_EQ(n->ShowContextMenu(POINT{100, 100}, popup), "");
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/beta.jpg"));
  n->SetReadOnly(false);
  Later(Application(), [] { Key(VK_ESCAPE); });
  EXPECT_EQ(n->ShowContextMenu(POINT{100, 100}, popup), "");
  // The popup itself is left as it was.
  EXPECT_EQ(popup->Items()->Count(), 1);
}

TEST_F(ShellNavigatorTest, SystemImageListFollowsTheShellsList) {
  auto* shared = new TNavSystemImageList(Form);
  auto* own = new TNavSystemImageList(Form);
  own->SetShareImages(false);
  EXPECT_EQ(shared->Width(), 16);
  EXPECT_EQ(shared->OverlayImage(1), 1);  // the shortcut arrow
  TShellNavigator* n = Nav();
  n->SetFolder(Box.Root);
  n->SetObjectName("zeta.PNG");
  int icon = n->SmallIcon();
  EXPECT_GE(icon, 2);
  EXPECT_LT(icon, shared->Count());
  EXPECT_EQ(shared->Count(), ImageList_GetImageCount(shared->Handle()));
  EXPECT_LE(own->Count(), shared->Count());
  auto* large = new TNavSystemImageList(Form);
  large->SetSize(si_large);
  EXPECT_EQ(large->Width(), 32);
}

TEST(ShellNavigatorHistory, NewEntriesReplaceWhatLayAhead) {
  TShellSandbox box;
  TPidlHistory h;
  for (int i = 0; i < 3; ++i) h.Add(ParsePath(nullptr, box.Root));
  EXPECT_EQ(h.Position(), 2);
  h.Back(5);
  EXPECT_EQ(h.Position(), 0);
  h.Add(ParsePath(nullptr, box.Root + "/Alpha"));
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(h.Position(), 1);
  EXPECT_EQ(PidlToPath(h.Pidls(0)), box.Root);
  EXPECT_EQ(PidlToPath(h.Pidls(1)), box.Root + "/Alpha");
  h.Forward(3);
  EXPECT_EQ(h.Position(), 1);
  h.Add(nullptr);
  EXPECT_EQ(h.Count(), 2);
  h.Delete(0);
  EXPECT_EQ(h.Count(), 1);
}

}  // namespace
