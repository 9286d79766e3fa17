// The folder tree's operations: keys and verbs with their OnOperation reports, in-place rename,
// the context menu, OLE drag and drop (dropping on the tree, dragging from it, automatic
// expanding and scrolling), files dropped from the desktop, and the check boxes.
#include <filesystem>

#include "platform/vcl/menus.h"
#include "platform/win/shellapi.h"
#include "tests/controls/shelltree_fixture.h"

namespace {

using namespace shelltest;

struct TOp {
  TNavShellOperations Flags;
  std::vector<std::string> Files;
  std::string Destination;
};

// A tree whose drag clock the test sets.
class TClockedTree : public TNavShellTree {
public:
  using TNavShellTree::TNavShellTree;
  uint32_t Now = 1000;

protected:
  uint32_t DragClock() override { return Now; }
};

class ShellTreeOps : public ShellTreeTest {
protected:
  template <class T = TNavShellTree>
  T* Tree(bool rooted = true) {
    auto* t = new T(Form);
    t->SetParent(Form);
    t->SetBounds(0, 0, 300, 460);
    TNavShellShowOptions o = t->ShowOptions();
    o -= soShowErrorMessages;
    t->SetShowOptions(o);
    // Rooted at the sandbox's home: the tests aim the mouse at rows, and an unrooted tree lists
    // the shared temporary folder, whose entries other test programs add and remove meanwhile.
    if (rooted) t->SetRootedAtFileSystemFolder(Box.Home);
    t->OnOperation = [this](TObject*, TNavShellOperations F, TStrings* Files,
                            const std::string& D) {
      TOp op{F, {}, D};
      for (int i = 0; i < Files->Count(); ++i) op.Files.push_back(Files->Strings(i));
      Ops.push_back(op);
    };
    Form->Show();
    Application()->ProcessMessages();
    return t;
  }
  static void CtrlKey(UINT vk) {
    InjectKey(VK_CONTROL, true);
    Key(vk);
    InjectKey(VK_CONTROL, false);
  }
  // The screen point in the middle of a node's text.
  static POINT At(TNavShellTree* T, TTreeNode* N) {
    RECT r = N->DisplayRect(true);
    return T->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  std::vector<TOp> Ops;
};

TEST_F(ShellTreeOps, CtrlVPastesAndReportsOnce) {
  TNavShellTree* t = Tree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  t->SetFocus();
  SetClipboardFiles({Box.Root + "/beta.jpg"}, DROPEFFECT_COPY);
  CtrlKey('V');
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/Alpha/beta.jpg"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noCopy, noPaste, noInserted}));
  EXPECT_EQ(Ops[0].Files, std::vector<std::string>{Box.Root + "/beta.jpg"});
  EXPECT_EQ(Ops[0].Destination, Box.Root + "/Alpha");
  // Files that were cut are moved: the first one is gone afterwards.
  Ops.clear();
  SetClipboardFiles({Box.Root + "/zeta.PNG"}, DROPEFFECT_MOVE);
  CtrlKey('V');
  Application()->ProcessMessages();
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noMove, noPaste, noInserted}));
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/zeta.PNG"));
  // Read-only trees do not paste.
  Ops.clear();
  t->SetReadOnly(true);
  SetClipboardFiles({Box.Root + "/.dotfile"}, DROPEFFECT_COPY);
  CtrlKey('V');
  Application()->ProcessMessages();
  EXPECT_TRUE(Ops.empty());
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/Alpha/.dotfile"));
}

TEST_F(ShellTreeOps, DeleteKeyMovesTheFolderToTheTrash) {
  TNavShellTree* t = Tree();
  t->SetSelectedFolder(Box.Root + "/Alpha/Sub");
  TTreeNode* alpha = t->Selected()->Parent();
  t->SetFocus();
  t->SetReadOnly(true);
  Key(VK_DELETE);
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/Alpha/Sub"));
  t->SetReadOnly(false);
  Key(VK_DELETE);
  Application()->ProcessMessages();
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/Alpha/Sub"));
  EXPECT_TRUE(std::filesystem::exists(Box.Home + "/.local/share/Trash/files/Sub"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noDelete, noRemoved}));
  EXPECT_EQ(Ops[0].Files, std::vector<std::string>{Box.Root + "/Alpha/Sub"});
  EXPECT_EQ(Ops[0].Destination, "");
  // The shell's report takes the node away.
  EXPECT_TRUE(PumpUntil([&] { return alpha->Count() == 0; }));
}

TEST_F(ShellTreeOps, RenamingInPlaceRenamesTheFolder) {
  TNavShellTree* t = Tree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* n = t->Selected();
  t->SetFocus();
  Key(VK_F2);
  Application()->ProcessMessages();
  ASSERT_TRUE(t->IsEditing());
  InjectKey(VK_CONTROL, true);
  Key('A');
  InjectKey(VK_CONTROL, false);
  InjectText("Gamma");
  Key(VK_RETURN);
  Application()->ProcessMessages();
  EXPECT_FALSE(t->IsEditing());
  EXPECT_TRUE(std::filesystem::is_directory(Box.Root + "/Gamma"));
  EXPECT_EQ(n->Text(), "Gamma");
  EXPECT_EQ(t->NodePath(n), Box.Root + "/Gamma");
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, TNavShellOperations{noRename});
  EXPECT_EQ(Ops[0].Files, std::vector<std::string>{Box.Root + "/Alpha"});
  EXPECT_EQ(Ops[0].Destination, "Gamma");
  EXPECT_EQ(ChildTexts(n), std::vector<std::string>{"Sub"});  // read again under the new name
  // A read-only tree does not edit.
  t->SetReadOnly(true);
  Key(VK_F2);
  Application()->ProcessMessages();
  EXPECT_FALSE(t->IsEditing());
}

TEST_F(ShellTreeOps, DroppingFilesOnANodeCopiesOrMovesThemThere) {
  TNavShellTree* t = Tree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  POINT p = At(t, alpha);
  IDataObject* data = CreateFileDataObject({Box.Root + "/beta.jpg"});
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  DWORD e = all;
  ASSERT_EQ(t->DragEnter(data, 0, p, &e), S_OK);
  EXPECT_EQ(e, static_cast<DWORD>(DROPEFFECT_NONE));
  e = all;
  EXPECT_EQ(t->DragOver(0, p, &e), S_OK);
  EXPECT_EQ(e, static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_TRUE(alpha->DropTarget());
  // Holding Ctrl changes the effect; the drag goes on without a failure.
  e = all;
  EXPECT_EQ(t->DragOver(MK_CONTROL, p, &e), S_OK);
  EXPECT_EQ(e, static_cast<DWORD>(DROPEFFECT_COPY));
  e = all;
  EXPECT_EQ(t->Drop(data, MK_CONTROL, p, &e), S_OK);
  EXPECT_FALSE(alpha->DropTarget());
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/Alpha/beta.jpg"));
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/beta.jpg"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noCopy, noDropTarget}));
  EXPECT_EQ(Ops[0].Destination, Box.Root + "/Alpha");
  // Read-only: the drag shows no effect.
  t->SetReadOnly(true);
  e = all;
  t->DragEnter(data, 0, p, &e);
  e = all;
  EXPECT_EQ(t->DragOver(0, p, &e), S_OK);
  EXPECT_EQ(e, static_cast<DWORD>(DROPEFFECT_NONE));
  t->DragLeave();
  // No node under the point: a drop there is unexpected.
  t->SetReadOnly(false);
  t->SetRootedAtFileSystemFolder(Box.Root);  // a short tree
  POINT below = t->ClientToScreen(POINT{10, 440});
  e = all;
  t->DragEnter(data, 0, below, &e);
  e = all;
  t->DragOver(0, below, &e);
  EXPECT_EQ(e, static_cast<DWORD>(DROPEFFECT_NONE));
  e = all;
  EXPECT_EQ(t->Drop(data, 0, below, &e), E_UNEXPECTED);
  data->Release();
}

TEST_F(ShellTreeOps, DraggingANodeOntoAnotherMovesTheFolder) {
  TNavShellTree* t = Tree();
  std::filesystem::create_directory(Box.Root + "/Target");
  t->SetSelectedFolder(Box.Root + "/Alpha/Sub");
  TTreeNode* sub = t->Selected();
  TTreeNode* target = NodeOf(t, Box.Root + "/Target");
  ASSERT_NE(target, nullptr);
  POINT from = At(t, sub), to = At(t, target);
  InjectMouseButton(from.x, from.y, 0, true);
  InjectMouseMove(from.x + 12, from.y + 2);
  InjectMouseMove(to.x, to.y);
  InjectMouseMove(to.x + 1, to.y);
  InjectMouseButton(to.x + 1, to.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::is_directory(Box.Root + "/Target/Sub"));
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/Alpha/Sub"));
  ASSERT_EQ(Ops.size(), 2u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noMove, noDropTarget}));
  EXPECT_EQ(Ops[0].Destination, Box.Root + "/Target");
  EXPECT_EQ(Ops[1].Flags, (TNavShellOperations{noMove, noDragSource, noRemoved}));
  EXPECT_EQ(Ops[1].Files, std::vector<std::string>{Box.Root + "/Alpha/Sub"});
  TTreeNode* alpha = NodeOf(t, Box.Root + "/Alpha");
  EXPECT_TRUE(PumpUntil([&] { return alpha->Count() == 0; }));
  TTreeNode* moved = NodeOf(t, Box.Root + "/Target");
  moved->Expand(false);
  EXPECT_EQ(ChildTexts(moved), std::vector<std::string>{"Sub"});
}

TEST_F(ShellTreeOps, TheOtherButtonCancelsADragAndRootsAreNotDragged) {
  TNavShellTree* t = Tree();
  std::filesystem::create_directory(Box.Root + "/Target");
  t->SetSelectedFolder(Box.Root + "/Alpha");
  POINT from = At(t, t->Selected()), to = At(t, NodeOf(t, Box.Root + "/Target"));
  InjectMouseButton(from.x, from.y, 0, true);
  InjectMouseMove(from.x + 12, from.y + 2);
  InjectMouseMove(to.x, to.y);
  InjectMouseButton(to.x, to.y, 1, true);
  Application()->ProcessMessages();
  POINT away = Form->ClientToScreen(POINT{350, 200});  // beside the tree: no context menu
  InjectMouseButton(away.x, away.y, 1, false);
  InjectMouseButton(away.x, away.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::is_directory(Box.Root + "/Alpha"));
  EXPECT_TRUE(Ops.empty());
  // The tree's root does not move.
  TTreeNode* root = t->Items()->GetFirstNode();
  t->TopItem();
  t->SetTopItem(root);
  POINT r = At(t, root);
  InjectMouseButton(r.x, r.y, 0, true);
  InjectMouseMove(r.x + 30, r.y + 40);
  InjectMouseButton(r.x + 30, r.y + 40, 0, false);
  Application()->ProcessMessages();
  EXPECT_TRUE(Ops.empty());
  // QueryContinueDrag outside a drag: no button is the drag's, any button cancels.
  EXPECT_EQ(t->QueryContinueDrag(TRUE, 0), DRAGDROP_S_CANCEL);
  EXPECT_EQ(t->QueryContinueDrag(FALSE, MK_RBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(t->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(t->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
}

TEST_F(ShellTreeOps, HoveringExpandsAndTheEdgesScroll) {
  for (int i = 0; i < 40; ++i)
    std::filesystem::create_directory(Box.Root + "/F" + std::to_string(100 + i));
  auto* t = Tree<TClockedTree>(false);  // a tree deep enough to scroll; no mouse is injected
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  alpha->Collapse(false);
  IDataObject* data = CreateFileDataObject({Box.Root + "/beta.jpg"});
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  DWORD e = all;
  POINT p = At(t, alpha);
  t->DragEnter(data, 0, p, &e);
  e = all;
  t->DragOver(0, p, &e);
  t->Now += 1900;
  e = all;
  t->DragOver(0, p, &e);
  EXPECT_FALSE(alpha->Expanded());
  t->Now += 200;
  e = all;
  t->DragOver(0, p, &e);
  EXPECT_TRUE(alpha->Expanded());
  // Near the top edge the tree scrolls up a line per 100 ms while it can.
  TTreeNode* top = t->TopItem();
  ASSERT_NE(top, nullptr);
  ASSERT_NE(top, t->Items()->GetFirstNode());
  POINT edge = t->ClientToScreen(POINT{60, 5});
  t->Now += 150;
  e = all;
  t->DragOver(0, edge, &e);
  TTreeNode* after = t->TopItem();
  EXPECT_EQ(after, top->GetPrevVisible());
  t->Now += 50;
  e = all;
  t->DragOver(0, edge, &e);
  EXPECT_EQ(t->TopItem(), after);  // not yet another 100 ms
  t->DragLeave();
  data->Release();
}

TEST_F(ShellTreeOps, FilesDroppedFromTheDesktopGoToTheNodeUnderThem) {
  TNavShellTree* t = Tree();
  t->SetSelectedFolder(Box.Root + "/Alpha");
  POINT p = At(t, t->Selected());
  InjectDropFiles(p.x, p.y, {Box.Root + "/beta.jpg", Box.Root + "/zeta.PNG"});
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/Alpha/beta.jpg"));
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/Alpha/zeta.PNG"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noMove, noDropTarget}));
  EXPECT_EQ(Ops[0].Files.size(), 2u);
  // Without OLE drag and drop the tree takes no drops.
  t->SetOleDragDrop(false);
  TShellSandbox::Write(Box.Root + "/late.txt", "l");
  InjectDropFiles(p.x, p.y, {Box.Root + "/late.txt"});
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/late.txt"));
}

TEST_F(ShellTreeOps, ContextMenuVerbsAndOwnItems) {
  TNavShellTree* t = Tree();
  auto* popup = new TPopupMenu(Form);
  auto* own = new TMenuItem(popup);
  own->SetCaption("&Own");
  int clicks = 0;
  own->OnClick = [&](TObject*) { ++clicks; };
  popup->Items()->Add(own);
  t->SetPopupMenu(popup);
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  POINT p = At(t, alpha);
  Later(Application(), [] { Key('O'); });
  InjectMouseButton(p.x, p.y, 1, true);
  InjectMouseButton(p.x, p.y, 1, false);
  Application()->ProcessMessages();
  EXPECT_EQ(clicks, 1);
  Later(Application(), [] { Key('T'); });  // Cu&t
  EXPECT_EQ(t->ShowContextMenu(p), "cut");
  EXPECT_TRUE(alpha->Cut());
  DWORD effect = 0;
  EXPECT_EQ(GetClipboardFiles(&effect), std::vector<std::string>{Box.Root + "/Alpha"});
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
  // Read-only trees refuse delete from the menu; OnContextMenuSelect decides when it is set.
  t->SetReadOnly(true);
  Later(Application(), [] { Key('D'); });
  EXPECT_EQ(t->ShowContextMenu(p), "");
  EXPECT_TRUE(std::filesystem::exists(Box.Root + "/Alpha"));
  std::string asked;
  t->SetOnContextMenuSelect([&](const std::string& c, bool& execute) {
    asked = c;
    execute = true;
  });
  Later(Application(), [] { Key('D'); });
  EXPECT_EQ(t->ShowContextMenu(p), "delete");
  EXPECT_EQ(asked, "delete");
  EXPECT_FALSE(std::filesystem::exists(Box.Root + "/Alpha"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Flags, (TNavShellOperations{noDelete, noRemoved}));
}

TEST_F(ShellTreeOps, DoubleClickOpensFilesWhenFilesAreShown) {
  TNavShellTree* t = Tree();
  TNavShellShowOptions o = t->ShowOptions();
  o += soShowFiles;
  t->SetShowOptions(o);
  t->SetSelectedFolder(Box.Root);
  t->Selected()->Expand(false);
  TTreeNode* file = NodeOf(t, Box.Root + "/beta.jpg");
  ASSERT_NE(file, nullptr);
  file->MakeVisible();
  Application()->ProcessMessages();
  ClearShellRequests();
  POINT p = At(t, file);
  InjectMouseButton(p.x, p.y, 0, true);
  InjectMouseButton(p.x, p.y, 0, false);
  InjectMouseButton(p.x, p.y, 0, true);
  InjectMouseButton(p.x, p.y, 0, false);
  Application()->ProcessMessages();
  auto requests = ShellRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Verb, "open");
  EXPECT_EQ(requests[0].Target, Box.Root + "/beta.jpg");
}

TEST_F(ShellTreeOps, CheckBoxesTickIntoTheLinksSelection) {
  auto* link = new TNavShellLink(Form);
  TNavShellTree* t = Tree();
  t->SetShellLink(link);
  t->SetCheckBoxes(true);
  ASSERT_NE(t->StateImages(), nullptr);
  EXPECT_EQ(t->StateImages()->Count(), 5);
  t->SetSelectedFolder(Box.Root + "/Alpha");
  TTreeNode* alpha = t->Selected();
  TTreeNode* tree = alpha->Parent();
  EXPECT_EQ(alpha->StateIndex(), nsNotTicked);
  std::vector<std::pair<std::string, int>> changed;
  t->OnCheckStateChanged = [&](TObject*, int, const std::string& Path, TNavSelectionState S) {
    changed.push_back({Path, S});
  };
  // The state image's cell: left of the node's image.
  RECT row = alpha->DisplayRect(false);
  POINT cell = t->ClientToScreen(POINT{alpha->Level() * t->Indent() + 8, row.top + 8});
  InjectMouseButton(cell.x, cell.y, 0, true);
  InjectMouseButton(cell.x, cell.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_EQ(alpha->StateIndex(), nsTicked);
  EXPECT_EQ(tree->StateIndex(), nsPartlyTicked);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], std::make_pair(Box.Root + "/Alpha", static_cast<int>(nsTicked)));
  EXPECT_EQ(link->SelectionList()->Paths()->Count(), 1);
  ResetInputState();
  AdvanceMessageClock(1000);  // not a double click
  InjectMouseButton(cell.x, cell.y, 0, true);
  InjectMouseButton(cell.x, cell.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_EQ(alpha->StateIndex(), nsNotTicked);
  EXPECT_EQ(link->SelectionList()->Paths()->Count(), 0);
  PumpUntil([&] { return !link->SelectionList()->Busy(); });
  t->SetCheckBoxes(false);
  EXPECT_EQ(t->StateImages(), nullptr);
  EXPECT_EQ(alpha->StateIndex(), -1);
}

}  // namespace
