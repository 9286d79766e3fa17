// Shell links and the selection list: ticking and unticking files and folders, folding fully
// ticked folders, the totals kept by the folder-size workers, folder boundaries, and the
// link's broadcasts to the joined windows.
#include <filesystem>

#include "tests/controls/shelltree_fixture.h"
#include "tests/platform/win/wnd_test_util.h"

namespace {

using namespace shelltest;

class SelectionList : public ::testing::Test {
protected:
  SelectionList() {
    // Alpha/: a.txt (5 bytes), b.txt (3 bytes), Sub/c.txt (2 bytes)
    TShellSandbox::Write(Box.Root + "/Alpha/b.txt", "bbb");
    TShellSandbox::Write(Box.Root + "/Alpha/Sub/c.txt", "cc");
    List = new TNavSelectionList(nullptr);
  }
  ~SelectionList() override {
    Settle();
    delete List;
  }
  // Waits for the folder-size workers to report.
  void Settle() {
    EXPECT_TRUE(PumpUntil([&] { return !List->Busy(); }));
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> v;
    for (int i = 0; i < List->Paths()->Count(); ++i) v.push_back(List->Paths()->Strings(i));
    std::sort(v.begin(), v.end());
    return v;
  }
  TNavSelectionState State(const std::string& Path) {
    bool covered;
    return List->GetState(Path, covered);
  }
  TShellSandbox Box;
  TNavSelectionList* List;
  std::string A() const { return Box.Root + "/Alpha"; }
};

TEST_F(SelectionList, TickingAFolderReplacesItsTickedChildren) {
  List->Add(A() + "/a.txt");
  EXPECT_EQ(State(A() + "/a.txt"), nsTicked);
  EXPECT_EQ(State(A()), nsPartlyTicked);
  EXPECT_EQ(List->TotalSize(), 5u);
  EXPECT_EQ(List->FileCount(), 1u);
  List->Add(A());
  Settle();
  EXPECT_EQ(Entries(), std::vector<std::string>{A() + "/*"});
  EXPECT_EQ(List->TotalSize(), 10u);  // a.txt, b.txt and Sub/c.txt, counted once
  EXPECT_EQ(List->FileCount(), 3u);
  bool covered = false;
  EXPECT_EQ(List->GetState(A() + "/Sub/c.txt", covered), nsTicked);
  EXPECT_TRUE(covered);
  EXPECT_EQ(State(Box.Root), nsPartlyTicked);
  // Ticking again changes nothing.
  List->Add(A() + "/b.txt");
  EXPECT_EQ(Entries(), std::vector<std::string>{A() + "/*"});
}

TEST_F(SelectionList, UntickingAFileInATickedFolderKeepsTheTotalsRight) {
  List->Add(A());
  Settle();
  ASSERT_EQ(List->TotalSize(), 10u);
  List->Remove(A() + "/b.txt");
  Settle();
  // The siblings are entered on their own, the folder's wildcard goes, and only b.txt leaves
  // the totals.
  EXPECT_EQ(Entries(), (std::vector<std::string>{A() + "/Sub/*", A() + "/a.txt"}));
  EXPECT_EQ(List->TotalSize(), 7u);
  EXPECT_EQ(List->FileCount(), 2u);
  EXPECT_EQ(State(A() + "/b.txt"), nsNotTicked);
  EXPECT_EQ(State(A()), nsPartlyTicked);
}

TEST_F(SelectionList, UntickingDeepInsideExplodesEveryLevel) {
  List->Add(A());
  Settle();
  List->Remove(A() + "/Sub/c.txt");
  Settle();
  // Sub is not wholly ticked any more (its only file went), its siblings in Alpha still are.
  EXPECT_EQ(Entries(), (std::vector<std::string>{A() + "/a.txt", A() + "/b.txt"}));
  EXPECT_EQ(List->TotalSize(), 8u);
  EXPECT_EQ(List->FileCount(), 2u);
  EXPECT_EQ(State(A() + "/Sub"), nsNotTicked);
}

TEST_F(SelectionList, TickingTheLastFileFoldsTheFolder) {
  List->Add(A() + "/a.txt");
  List->Add(A() + "/Sub");
  Settle();
  EXPECT_EQ(List->CollapsedPath(A() + "/a.txt"), A() + "/a.txt");  // b.txt is not ticked yet
  List->Add(A() + "/b.txt");
  std::string collapsed = List->CollapsedPath(A() + "/b.txt");
  EXPECT_EQ(collapsed, A());
  List->Add(collapsed);
  Settle();
  EXPECT_EQ(Entries(), std::vector<std::string>{A() + "/*"});
  EXPECT_EQ(List->TotalSize(), 10u);
  EXPECT_EQ(List->FileCount(), 3u);
}

TEST_F(SelectionList, AnEmptyFolderIsFullyTickedOnlyByItsWildcard) {
  std::filesystem::create_directory(Box.Root + "/Empty");
  List->Add(Box.Root + "/Alpha");
  List->Add(Box.Root + "/beta.jpg");
  List->Add(Box.Root + "/zeta.PNG");
  List->Add(Box.Root + "/.dotfile");
  List->Add(Box.Root + "/.hidden");
  EXPECT_EQ(List->CollapsedPath(Box.Root + "/zeta.PNG"),
            Box.Root + "/zeta.PNG");  // Empty holds it back
  List->Add(Box.Root + "/Empty");
  // Every level up is fully ticked now (the tree is the home folder's only entry, the home
  // folder the sandbox's): the fold goes up to the sandbox.
  EXPECT_EQ(List->CollapsedPath(Box.Root + "/Empty"), Box.Base.string());
}

TEST_F(SelectionList, BelowAFolderMeansInsideItsPath) {
  // A folder whose path appears again deeper down: what is ticked there is not below it.
  const std::string echo = Box.Root + "/deep" + Box.Root + "/Alpha";
  std::filesystem::create_directories(echo);
  TShellSandbox::Write(echo + "/f.txt", "f");
  List->Add(echo + "/f.txt");
  EXPECT_EQ(State(A()), nsNotTicked);
  List->Add(A() + "/a.txt");
  List->Remove(A());  // partly ticked: its own descendants go, the echo stays
  EXPECT_EQ(Entries(), std::vector<std::string>{echo + "/f.txt"});
  // The same for prefixes of names: AlphaBeta is not inside Alpha.
  std::filesystem::create_directory(Box.Root + "/AlphaBeta");
  TShellSandbox::Write(Box.Root + "/AlphaBeta/x.txt", "x");
  List->Add(Box.Root + "/AlphaBeta/x.txt");
  EXPECT_EQ(State(A()), nsNotTicked);
  List->Add(A());
  EXPECT_EQ(State(Box.Root + "/AlphaBeta/x.txt"), nsTicked);
  Settle();
}

TEST_F(SelectionList, PathsThatDoNotExistAreUnavailable) {
  EXPECT_EQ(State(Box.Root + "/missing"), nsUnavailable);
  EXPECT_EQ(State(""), nsUnavailable);
  EXPECT_EQ(State(".."), nsUnavailable);
  List->Add(Box.Root + "/missing");
  EXPECT_EQ(List->Paths()->Count(), 0);
  EXPECT_EQ(State(Box.Root + "/beta.jpg"), nsNotTicked);
}

TEST_F(SelectionList, WritingPathsAddsAndAssignCopies) {
  List->Add(Box.Root + "/beta.jpg");
  TStringList more;
  more.Add(Box.Root + "/zeta.PNG");
  more.Add(Box.Root + "/missing");
  List->SetPaths(&more);
  EXPECT_EQ(Entries(), (std::vector<std::string>{Box.Root + "/beta.jpg", Box.Root + "/zeta.PNG"}));
  TNavSelectionList copy(nullptr);
  copy.Assign(List);
  EXPECT_EQ(copy.Paths()->Count(), 2);
  EXPECT_EQ(copy.TotalSize(), 6u);
  EXPECT_EQ(copy.FileCount(), 2u);
}

TEST_F(SelectionList, AWorkerEndingAfterItsListIsGoneChangesNothing) {
  auto* shortLived = new TNavSelectionList(nullptr);
  shortLived->Add(A());
  delete shortLived;  // the worker may still be counting
  PumpUntil([] { return false; }, 100);
  SUCCEED();
}

class ShellLinkTest : public ShellTreeTest {};

TEST_F(ShellLinkTest, BroadcastsReachEveryOtherJoinedWindow) {
  RegisterTestClass();
  MsgLog().clear();
  HWND a =
      CreateWindowEx(0, "OrvTest", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
  HWND b =
      CreateWindowEx(0, "OrvTest", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
  auto* link = new TNavShellLink(Form);
  EXPECT_EQ(link->Version(), "TNavShellLink V3.2");
  link->Join(a);
  link->Join(b);
  link->Join(b);
  EXPECT_EQ(link->WindowCount(), 2);
  int changes = 0;
  bool enabledDuring = true;
  Handlers()[b] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_NAV_FOLDERSELECTED) enabledDuring = link->Enabled();
    return false;
  };
  link->OnChange = [&](TObject*) { ++changes; };
  TPidl p = ParseShellPath(Box.Root);
  link->FolderSelected(a, p);
  EXPECT_EQ(Logged(WM_NAV_FOLDERSELECTED, a).size(), 0u);
  ASSERT_EQ(Logged(WM_NAV_FOLDERSELECTED, b).size(), 1u);
  EXPECT_EQ(Logged(WM_NAV_FOLDERSELECTED, b)[0].W, reinterpret_cast<WPARAM>(p.P));
  EXPECT_FALSE(enabledDuring);
  EXPECT_TRUE(link->Enabled());
  EXPECT_EQ(changes, 1);
  link->CheckStatesChanged(nullptr);  // no sender: everyone
  EXPECT_EQ(Logged(WM_NAV_CHECKSTATES).size(), 2u);
  link->Refresh(b);
  EXPECT_EQ(Logged(WM_NAV_REFRESH, a).size(), 1u);
  EXPECT_EQ(Logged(WM_NAV_REFRESH, b).size(), 0u);
  link->SetEnabled(false);
  link->SelectAll(a);
  EXPECT_EQ(Logged(WM_NAV_SELECTALL).size(), 0u);
  link->SetEnabled(true);
  link->Leave(b);
  link->SelectAll(a);
  EXPECT_EQ(Logged(WM_NAV_SELECTALL).size(), 0u);
  Handlers().clear();
}

TEST_F(ShellLinkTest, TwoTreesFollowEachOther) {
  auto* link = new TNavShellLink(Form);
  TNavShellTree* one = NewTree();
  auto* two = new TNavShellTree(Form);
  two->SetParent(Form);
  two->SetBounds(300, 0, 100, 400);
  one->SetShellLink(link);
  two->SetShellLink(link);
  Application()->ProcessMessages();
  EXPECT_EQ(link->WindowCount(), 2);
  one->SetSelectedFolder(Box.Root + "/Alpha");  // selected in code: the link hears at once
  EXPECT_EQ(two->GetSelectedFolder(), Box.Root + "/Alpha");
  EXPECT_TRUE(link->BelowRoot());
  // The other tree selects its parent on 1668.
  SendMessage(two->Handle(), WM_NAV_SELECTPARENT, 0, 0);
  EXPECT_EQ(two->GetSelectedFolder(), Box.Root);
}

}  // namespace
