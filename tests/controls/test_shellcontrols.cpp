// The shell folder tree: the desktop root, lazy expansion, SelectedFolder both ways with
// OnChange, hidden items, roots other than the desktop, refreshing, following changes on disk, and
// the watch list of the notifier.
#include <filesystem>

#include "platform/vcl/stdctrls.h"
#include "tests/controls/shelltree_fixture.h"

namespace {

using namespace shelltest;

class ShellTree : public ShellTreeTest {};

TEST_F(ShellTree, DesktopRootIsSelectedAndOpenWithAnEmptySelectedFolder) {
  TNavShellTree* t = NewTree();
  TTreeNode* root = t->Items()->GetFirstNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text(), "Desktop");
  EXPECT_EQ(t->Selected(), root);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"Home", "Computer", "Trash", "Network"}));
  EXPECT_EQ(t->GetSelectedFolder(), "");
  EXPECT_EQ(t->SpecialFolder(), SF_DESKTOP);
  // Children are read only when a node opens: Computer has its "+" but no nodes yet.
  TTreeNode* computer = root->Item(1);
  EXPECT_TRUE(computer->HasChildren());
  EXPECT_EQ(computer->Count(), 0);
  EXPECT_EQ(t->Version(), "TNavShellTree V3.2");
}

TEST_F(ShellTree, EmptySelectedFolderSelectsComputer) {
  TNavShellTree* t = NewTree();
  int changes = 0;
  std::string seen = "?";
  t->OnChange = [&](TObject*, TTreeNode*) {
    ++changes;
    seen = t->GetSelectedFolder();
  };
  t->SetSelectedFolder("");
  EXPECT_EQ(t->Selected()->Text(), "Computer");
  EXPECT_EQ(t->Selected()->Level(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(seen, "");
  EXPECT_EQ(t->SpecialFolder(), SF_DRIVES);
}

TEST_F(ShellTree, SelectedFolderOpensTheWayAndReportsOnce) {
  TNavShellTree* t = NewTree();
  t->SetExpandOnSelected(true);
  int changes = 0;
  std::string seen;
  t->OnChange = [&](TObject*, TTreeNode*) {
    ++changes;
    seen = t->GetSelectedFolder();
  };
  t->SetSelectedFolder(Box.Root + "/Alpha/");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(seen, Box.Root + "/Alpha");
  EXPECT_EQ(t->GetSelectedFolder(), Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->Text(), "Alpha");
  for (TTreeNode* p = alpha->Parent(); p; p = p->Parent()) EXPECT_TRUE(p->Expanded()) << p->Text();
  // With ExpandOnSelected the folder itself opens after the handler.
  EXPECT_TRUE(alpha->Expanded());
  EXPECT_EQ(ChildTexts(alpha), std::vector<std::string>{"Sub"});
  // The file-system root is a volume: its path keeps the slash.
  t->SetSelectedFolder("/");
  EXPECT_EQ(t->GetSelectedFolder(), "/");
  EXPECT_EQ(t->Selected()->Text(), "File System");
  // The history holds what was selected.
  EXPECT_GE(t->History()->Count(), 2);
}

TEST_F(ShellTree, HiddenFoldersAreNotListedAndAPathToOneStopsAtItsParent) {
  TNavShellTree* t = NewTree();
  t->SetSelectedFolder(Box.Root);
  TTreeNode* tree = t->Selected();
  tree->Expand(false);
  EXPECT_EQ(ChildTexts(tree), std::vector<std::string>{"Alpha"});  // folders only, .hidden left out
  t->SetSelectedFolder(Box.Root + "/.hidden");
  EXPECT_EQ(t->Selected(), tree);
  // With soShowHidden and soShowFiles everything is there, hidden ones drawn cut.
  TNavShellShowOptions o = t->ShowOptions();
  o += soShowHidden;
  o += soShowFiles;
  t->SetShowOptions(o);
  t->SetSelectedFolder(Box.Root);
  tree = t->Selected();
  tree->Expand(false);
  EXPECT_EQ(ChildTexts(tree),
            (std::vector<std::string>{".hidden", "Alpha", ".dotfile", "beta.jpg", "zeta.PNG"}));
  EXPECT_TRUE(tree->Item(0)->Cut());
  EXPECT_FALSE(tree->Item(1)->Cut());
}

TEST_F(ShellTree, APathThatDoesNotExistLeavesTheSelectionAndTellsWhy) {
  TNavShellTree* t = NewTree(true);
  t->SetSelectedFolder(Box.Root);
  TTreeNode* before = t->Selected();
  std::string shown;
  Later(Application(), [&shown] {
    // The message box's text is its label's caption.
    if (TCustomForm* box = Screen()->ActiveForm())
      for (int i = 0; i < box->ControlCount(); ++i)
        if (auto* l = dynamic_cast<TLabel*>(box->Controls(i))) shown = l->Caption();
    Key(VK_RETURN);
  });
  t->SetSelectedFolder(Box.Root + "/nowhere/");
  EXPECT_EQ(t->Selected(), before);
  EXPECT_EQ(shown, "The system cannot find the file specified.: " + Box.Root + "/nowhere/");
  // Without soShowErrorMessages nothing is shown.
  TNavShellShowOptions o = t->ShowOptions();
  o -= soShowErrorMessages;
  t->SetShowOptions(o);
  t->SetSelectedFolder(Box.Root + "/nowhere/");
  EXPECT_EQ(t->GetSelectedFolder(), Box.Root);
}

TEST_F(ShellTree, RootsOtherThanTheDesktopFindTheirFolders) {
  TNavShellTree* t = NewTree();
  t->SetRootedAtFileSystemFolder(Box.Root);
  EXPECT_EQ(t->RootedAt(), SF_FILESYSTEMFOLDER);
  TTreeNode* root = t->Items()->GetFirstNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text(), "tree");
  EXPECT_EQ(t->NodePath(root), Box.Root);
  t->SetSelectedFolder(Box.Root + "/Alpha/Sub");
  ASSERT_NE(t->Selected(), nullptr);
  EXPECT_EQ(t->GetSelectedFolder(), Box.Root + "/Alpha/Sub");
  EXPECT_EQ(t->Selected()->Level(), 2);
  // A folder outside the root is not found.
  TPidl outside = ParseShellPath(Box.Home);
  EXPECT_FALSE(t->LocatePidl(outside, 0));
  EXPECT_EQ(t->GetSelectedFolder(), Box.Root + "/Alpha/Sub");
  // A special folder as the root.
  t->SetRootedAt(SF_DRIVES);
  EXPECT_EQ(t->Items()->GetFirstNode()->Text(), "Computer");
  EXPECT_EQ(t->RootedAtFileSystemFolder(), "");
  t->SetSelectedFolder(Box.Root);
  EXPECT_EQ(t->GetSelectedFolder(), Box.Root);
}

TEST_F(ShellTree, RefreshNodesPicksUpNewFoldersAndDropsGoneOnes) {
  TNavShellTree* t = NewTree();
  t->Notifier()->SetEnabled(false);  // only the refresh may change the nodes here
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  alpha->Expand(false);
  std::filesystem::create_directory(Box.Root + "/Alpha/Aaa");
  std::filesystem::remove_all(Box.Root + "/Alpha/Sub");
  t->RefreshNodes();
  EXPECT_EQ(ChildTexts(alpha), std::vector<std::string>{"Aaa"});
  std::filesystem::create_directory(Box.Root + "/Alpha/Zed");
  std::filesystem::create_directory(Box.Root + "/Alpha/Mid");
  t->SetSelected(alpha);
  t->RefreshSelected();
  EXPECT_EQ(ChildTexts(alpha),
            (std::vector<std::string>{"Aaa", "Mid", "Zed"}));  // sorted by the shell
}

TEST_F(ShellTree, RefreshNodesOnAnEmptyTreeDoesNothing) {
  auto* t = new TNavShellTree(Form);  // no window, no root yet
  t->RefreshNodes();
  EXPECT_EQ(t->Items()->Count(), 0);
}

TEST_F(ShellTree, FolderChangesOnDiskFollowInTheTree) {
  TNavShellTree* t = NewTree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  alpha->Expand(false);
  ASSERT_EQ(ChildTexts(alpha), std::vector<std::string>{"Sub"});
  std::filesystem::create_directory(Box.Root + "/Alpha/Added");
  EXPECT_TRUE(PumpUntil([&] { return ChildTexts(alpha).size() == 2; }));
  EXPECT_EQ(ChildTexts(alpha), (std::vector<std::string>{"Added", "Sub"}));
  std::filesystem::rename(Box.Root + "/Alpha/Added", Box.Root + "/Alpha/Renamed");
  EXPECT_TRUE(PumpUntil([&] {
    return ChildTexts(alpha) == std::vector<std::string>{"Renamed", "Sub"};
  }));
  std::filesystem::remove(Box.Root + "/Alpha/Renamed");
  EXPECT_TRUE(PumpUntil([&] { return ChildTexts(alpha) == std::vector<std::string>{"Sub"}; }));
}

TEST_F(ShellTree, ClosedAndDeletedFoldersLeaveTheWatchList) {
  std::filesystem::create_directory(Box.Root + "/Alpha/Sub/Deep");
  TNavShellTree* t = NewTree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  alpha->Expand(false);
  TStrings* dirs = t->Notifier()->Directories();
  const std::string watched = Box.Root + "/Alpha/";
  ASSERT_GE(dirs->IndexOf(watched), 0);
  ULONG handle = TNavShellChangeNotifier::HandleOf(dirs, dirs->IndexOf(watched));
  EXPECT_NE(handle, 0u);
  // Opening another folder registers it alone: the others keep their registrations.
  TTreeNode* sub = alpha->Item(0);
  sub->Expand(false);
  EXPECT_EQ(TNavShellChangeNotifier::HandleOf(dirs, dirs->IndexOf(watched)), handle);
  EXPECT_GE(dirs->IndexOf(Box.Root + "/Alpha/Sub/"), 0);
  // Closing a folder stops watching it; opening it again reads it afresh.
  alpha->Collapse(false);
  EXPECT_LT(dirs->IndexOf(watched), 0);
  std::filesystem::create_directory(Box.Root + "/Alpha/WhileClosed");
  alpha->Expand(false);
  EXPECT_EQ(ChildTexts(alpha), (std::vector<std::string>{"Sub", "WhileClosed"}));
  EXPECT_GE(dirs->IndexOf(watched), 0);
  // A deleted node's folder goes from the list.
  TTreeNode* subNode = NodeOf(t, Box.Root + "/Alpha/Sub");
  ASSERT_NE(subNode, nullptr);
  subNode->Delete();
  EXPECT_LT(dirs->IndexOf(Box.Root + "/Alpha/Sub/"), 0);
}

TEST_F(ShellTree, ChangesUnderHomeAreFollowedInTheHomeBranch) {
  TNavShellTree* t = NewTree();
  TTreeNode* home = t->Items()->GetFirstNode()->Item(0);
  ASSERT_EQ(home->Text(), "Home");
  home->Expand(false);
  TTreeNode* tree = home->Item(0);
  ASSERT_EQ(tree->Text(), "tree");
  tree->Expand(false);
  ASSERT_EQ(ChildTexts(tree), std::vector<std::string>{"Alpha"});
  std::filesystem::create_directory(Box.Root + "/Beta");
  EXPECT_TRUE(PumpUntil([&] { return ChildTexts(tree).size() == 2; }));
  EXPECT_EQ(ChildTexts(tree), (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST_F(ShellTree, ClickingHomeGivesTheHomeFolderAndVirtualFoldersNone) {
  TNavShellTree* t = NewTree();
  TTreeNode* root = t->Items()->GetFirstNode();
  std::vector<std::string> seen;
  t->OnChange = [&](TObject*, TTreeNode*) { seen.push_back(t->SelectedFolder()); };
  // The desktop's items, as a click selects them: Home is the home folder on disk, the others
  // are virtual and give no folder.
  struct Case {
    const char* text;
    std::string folder;
  } cases[] = {{"Home", Box.Home}, {"Computer", ""}, {"Trash", ""}, {"Network", ""}};
  for (const Case& c : cases) {
    TTreeNode* n = nullptr;
    for (int i = 0; i < root->Count(); ++i)
      if (root->Item(i)->Text() == c.text) n = root->Item(i);
    ASSERT_NE(n, nullptr) << c.text;
    RECT r = n->DisplayRect(true);
    POINT s = t->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    seen.clear();
    InjectMouseButton(s.x, s.y, 0, true);
    InjectMouseButton(s.x, s.y, 0, false);
    Application()->ProcessMessages();
    EXPECT_EQ(t->Selected(), n) << c.text;
    EXPECT_EQ(seen, std::vector<std::string>{c.folder}) << c.text;
  }
}

TEST_F(ShellTree, RendersIconsAndNames) {
  TNavShellTree* t = NewTree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  Application()->ProcessMessages();
  const char* out = std::getenv("ORVANTA_TREE_PNG");
  if (out) SaveWindowToPng(Form->Handle(), out);
  // The selected node's text is highlighted; icons are drawn left of every text.
  RECT r = t->Selected()->DisplayRect(true);
  EXPECT_GT(r.left, 16);
  EXPECT_GE(t->SystemImages()->Count(), 3);
  TTreeNode* root = t->Items()->GetFirstNode();
  EXPECT_GE(root->ImageIndex(), 2);
  EXPECT_LT(root->ImageIndex(), t->SystemImages()->Count());
}

}  // namespace

namespace {

using namespace shelltest;

class ShellTreeForm : public ShellTreeTest {};

TEST_F(ShellTreeForm, TheMainWindowsTreeLoadsFromItsForm) {
  RegisterClasses({TNavShellTree::StaticClass()});
  const std::string text =
      "object Main: TForm\n"
      "  Left = 10\n  Top = 10\n  Width = 400\n  Height = 500\n"
      "  object dir1: TNavShellTree\n"
      "    Left = 0\n    Top = 0\n    Width = 222\n    Height = 324\n"
      "    Hint = 'click folder'\n    ShowHint = True\n    Tag = 9999\n    Align = alTop\n"
      "    HideSelection = False\n    Indent = 19\n    HotTrack = True\n    RightClickSelect = "
      "True\n"
      "    RootedAt = SF_DESKTOP\n    SpecialFolder = SF_DESKTOP\n    OleDragDrop = True\n"
      "    ShellContextMenu = True\n"
      "    ShowOptions = [soShowNethood, soShowRecycleBin, soShowErrorMessages]\n"
      "    ExpandOnSelected = True\n    Filter = '*'\n"
      "  end\n"
      "end\n";
  Form->LoadFromText(text);
  auto* t = dynamic_cast<TNavShellTree*>(Form->FindComponent("dir1"));
  ASSERT_NE(t, nullptr);
  Form->Show();
  Application()->ProcessMessages();
  EXPECT_TRUE(t->ExpandOnSelected());
  EXPECT_TRUE(t->HotTrack());
  EXPECT_EQ(t->Indent(), 19);
  EXPECT_EQ(t->Tag(), 9999);
  EXPECT_EQ(t->Filter(), "*");
  // After loading the desktop root is selected and open, and SelectedFolder is empty.
  TTreeNode* root = t->Items()->GetFirstNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(t->Selected(), root);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(t->GetSelectedFolder(), "");
  // The program then sets the folder from its command line.
  t->SetSelectedFolder(Box.Root + "/");
  EXPECT_EQ(t->GetSelectedFolder(), Box.Root);
  EXPECT_TRUE(t->Selected()->Expanded());
}

}  // namespace
