// The tree view: node store, lazy expansion with its events, selection by mouse and keys,
// painting, published properties.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls_tree.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"

namespace {

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

void Key(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

void ClickAt(TControl* c, int x, int y, bool dbl = false) {
  POINT s = c->ClientToScreen(POINT{x, y});
  for (int i = 0; i < (dbl ? 2 : 1); ++i) {
    InjectMouseButton(s.x, s.y, 0, true);
    InjectMouseButton(s.x, s.y, 0, false);
  }
}

class TreeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 400, 300);
    Tree = new TTreeView(Form);
    Tree->SetParent(Form);
    Tree->SetBounds(10, 10, 200, 200);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() { Application()->ProcessMessages(); }
  // "A" with children "A1" (with "A1x") and "A2"; "B" empty; "C" with "C1".
  void Build() {
    auto* n = Tree->Items();
    A = n->Add(nullptr, "A");
    A1 = n->AddChild(A, "A1");
    A1x = n->AddChild(A1, "A1x");
    A2 = n->AddChild(A, "A2");
    B = n->Add(nullptr, "B");
    C = n->Add(A, "C");  // sibling of A: top level
    C1 = n->AddChildFirst(C, "C1");
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> r;
    for (TTreeNode* n : Tree->VisibleNodes()) r.push_back(n->Text());
    return r;
  }
  TForm* Form = nullptr;
  TTreeView* Tree = nullptr;
  TTreeNode *A = nullptr, *A1 = nullptr, *A1x = nullptr, *A2 = nullptr, *B = nullptr, *C = nullptr, *C1 = nullptr;
};

}  // namespace

TEST_F(TreeTest, NodesKeepTheirOrderLevelsAndNeighbours) {
  Build();
  EXPECT_EQ(Tree->Items()->Count(), 7);
  std::vector<std::string> order;
  for (TTreeNode* n = Tree->Items()->GetFirstNode(); n; n = n->GetNext()) order.push_back(n->Text());
  EXPECT_EQ(order, (std::vector<std::string>{"A", "A1", "A1x", "A2", "B", "C", "C1"}));
  struct Case { TTreeNode* node; int level, index, absolute; const char* next; const char* prev; };
  for (const Case& c : {Case{A, 0, 0, 0, "B", nullptr}, Case{A1x, 2, 0, 2, nullptr, nullptr},
                        Case{A2, 1, 1, 3, nullptr, "A1"}, Case{C1, 1, 0, 6, nullptr, nullptr}}) {
    SCOPED_TRACE(c.node->Text());
    EXPECT_EQ(c.node->Level(), c.level);
    EXPECT_EQ(c.node->Index(), c.index);
    EXPECT_EQ(c.node->AbsoluteIndex(), c.absolute);
    EXPECT_EQ(Tree->Items()->Item(c.absolute), c.node);
    EXPECT_EQ(c.node->getNextSibling() ? c.node->getNextSibling()->Text() : "", c.next ? c.next : "");
    EXPECT_EQ(c.node->getPrevSibling() ? c.node->getPrevSibling()->Text() : "", c.prev ? c.prev : "");
  }
  EXPECT_TRUE(A1x->HasAsParent(A));
  EXPECT_FALSE(A->HasAsParent(A1x));
  EXPECT_THROW(Tree->Items()->Item(7), EListError);
  // Only the top level shows while everything is collapsed.
  EXPECT_EQ(Rows(), (std::vector<std::string>{"A", "B", "C"}));
  Tree->FullExpand();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"A", "A1", "A1x", "A2", "B", "C", "C1"}));
  A1->Collapse(false);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"A", "A1", "A2", "B", "C", "C1"}));
  A1x->MoveTo(B);
  EXPECT_EQ(A1x->Parent(), B);
  EXPECT_FALSE(A1->HasChildren());
}

TEST_F(TreeTest, DeletingASubtreeReportsEveryNodeAndMovesTheSelection) {
  Build();
  std::vector<std::string> deleted;
  Tree->OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->Text()); };
  std::vector<std::string> changes;
  Tree->OnChange = [&](TObject*, TTreeNode* n) { changes.push_back(n ? n->Text() : "-"); };
  Tree->SetSelected(A1x);
  EXPECT_TRUE(A->Expanded() && A1->Expanded());  // selecting makes the node visible
  A->Delete();
  EXPECT_EQ(deleted.size(), 4u);
  EXPECT_EQ(Tree->Items()->Count(), 3);
  EXPECT_EQ(Tree->Selected(), B);
  EXPECT_EQ(changes, (std::vector<std::string>{"A1x", "B"}));
  Tree->Items()->Clear();
  EXPECT_EQ(Tree->Items()->Count(), 0);
  EXPECT_EQ(Tree->Selected(), nullptr);
  EXPECT_EQ(deleted.size(), 7u);
}

TEST_F(TreeTest, LazyNodesAreFilledWhenExpandingAndLoseTheirButtonWhenEmpty) {
  auto* root = Tree->Items()->Add(nullptr, "folder");
  auto* empty = Tree->Items()->Add(nullptr, "empty");
  auto* locked = Tree->Items()->Add(nullptr, "locked");
  for (TTreeNode* n : {root, empty, locked}) n->SetHasChildren(true);
  std::vector<std::string> log;
  Tree->OnExpanding = [&](TObject*, TTreeNode* n, bool& allow) {
    log.push_back("expanding " + n->Text());
    if (n == locked) allow = false;
    if (n == root && n->Count() == 0)
      for (const char* s : {"x", "y"}) Tree->Items()->AddChild(n, s)->SetHasChildren(true);
  };
  Tree->OnExpanded = [&](TObject*, TTreeNode* n) { log.push_back("expanded " + n->Text()); };
  Tree->OnCollapsing = [&](TObject*, TTreeNode* n, bool&) { log.push_back("collapsing " + n->Text()); };
  root->Expand(false);
  empty->Expand(false);
  locked->Expand(false);
  EXPECT_EQ(log, (std::vector<std::string>{"expanding folder", "expanded folder", "expanding empty", "expanding locked"}));
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(root->Count(), 2);
  EXPECT_FALSE(empty->Expanded());
  EXPECT_FALSE(empty->HasChildren());
  EXPECT_FALSE(locked->Expanded());
  EXPECT_TRUE(locked->HasChildren());
  // Collapsing a node whose descendant is selected selects the node.
  Tree->SetSelected(root->Item(1));
  root->Collapse(false);
  EXPECT_EQ(Tree->Selected(), root);
  EXPECT_EQ(log.back(), "collapsing folder");
}

TEST_F(TreeTest, MouseAndKeysSelectAndExpandAndChangingCanRefuse) {
  Build();
  Form->Show();
  Tree->SetFocus();
  int h = Tree->ItemHeight();
  // The button of A sits in the first indent column.
  ClickAt(Tree, 2 + Tree->Indent() / 2, h / 2);
  Run();
  EXPECT_TRUE(A->Expanded());
  EXPECT_EQ(Tree->Selected(), nullptr);
  // The label of A2 (row 2: A, A1, A2).
  RECT t = A2->DisplayRect(true);
  EXPECT_EQ(Tree->GetNodeAt(t.left + 3, t.top + 2), A2);
  EXPECT_TRUE(Tree->GetHitTestInfoAt(t.left + 3, t.top + 2).Contains(htOnLabel));
  EXPECT_TRUE(Tree->GetHitTestInfoAt(5, 500).Contains(htBelow));
  ClickAt(Tree, t.left + 3, t.top + 2);
  Run();
  EXPECT_EQ(Tree->Selected(), A2);
  struct Step { UINT key; TTreeNode* selected; bool aExpanded; };
  const Step steps[] = {
      {VK_UP, A1, true}, {VK_RIGHT, A1, true}, {VK_RIGHT, A1x, true}, {VK_LEFT, A1, true},
      {VK_LEFT, A1, true}, {VK_LEFT, A, true}, {VK_LEFT, A, false}, {VK_DOWN, B, false}, {VK_END, C, false},
  };
  for (const Step& s : steps) {
    Key(s.key);
    Run();
    EXPECT_EQ(Tree->Selected(), s.selected) << "after key " << s.key;
    EXPECT_EQ(A->Expanded(), s.aExpanded) << "after key " << s.key;
  }
  Tree->OnChanging = [&](TObject*, TTreeNode* n, bool& allow) { allow = n != B; };
  Key(VK_UP);
  Run();
  EXPECT_EQ(Tree->Selected(), C);
  // Double-click on a label toggles the node.
  RECT c = C->DisplayRect(true);
  ClickAt(Tree, c.left + 3, c.top + 2, true);
  Run();
  EXPECT_TRUE(C->Expanded());
}

TEST_F(TreeTest, PaintsButtonsLinesAndTheFocusedSelection) {
  Build();
  A->Expand(false);
  Form->Show();
  Tree->SetFocus();
  Tree->SetSelected(A2);
  UpdateAllWindows();
  HBITMAP shot = RenderWindowToBitmap(Tree->Handle());
  ASSERT_TRUE(shot);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  const int edge = 2;  // the client edge
  int h = Tree->ItemHeight();
  int cx = edge + 2 + Tree->Indent() / 2;
  int midA = edge + h / 2;
  // A's button: a frame in the shadow colour with a minus (expanded), no vertical bar.
  EXPECT_EQ(GetPixel(dc, cx - 4, midA), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(dc, cx - 1, midA), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_NE(GetPixel(dc, cx, midA - 2), GetSysColor(COLOR_WINDOWTEXT));
  // C (row 4, collapsed) shows a plus; B (row 3) has no children and no button.
  int midC = edge + 4 * h + h / 2;
  EXPECT_EQ(GetPixel(dc, cx, midC - 2), GetSysColor(COLOR_WINDOWTEXT));
  int midB = edge + 3 * h + h / 2;
  EXPECT_NE(GetPixel(dc, cx - 4, midB), GetSysColor(COLOR_BTNSHADOW));  // B has no button
  // The selected label is filled with the highlight colour while the tree has the focus.
  RECT t = A2->DisplayRect(true);
  EXPECT_EQ(GetPixel(dc, edge + t.right - 2, edge + t.top + 2), GetSysColor(COLOR_HIGHLIGHT));
  RECT u = A1->DisplayRect(true);
  EXPECT_EQ(GetPixel(dc, edge + u.right - 2, edge + u.top + 2), GetSysColor(COLOR_WINDOW));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
}

TEST_F(TreeTest, SortTypeKeepsSiblingsInOrderAndPropertiesArePublished) {
  Tree->SetSortType(stText);
  for (const char* s : {"pear", "Apple", "fig"}) Tree->Items()->Add(nullptr, s);
  std::vector<std::string> got;
  for (TTreeNode* n = Tree->Items()->GetFirstNode(); n; n = n->getNextSibling()) got.push_back(n->Text());
  EXPECT_EQ(got, (std::vector<std::string>{"Apple", "fig", "pear"}));
  Tree->Items()->GetFirstNode()->SetText("zebra");
  EXPECT_EQ(Tree->Items()->GetFirstNode()->Text(), "fig");
  SetOrdProp(Tree, "ShowLines", 0);
  EXPECT_FALSE(Tree->ShowLines());
  SetEnumProp(Tree, "SortType", "stNone");
  EXPECT_EQ(Tree->SortType(), stNone);
  EXPECT_EQ(GetOrdProp(Tree, "Indent"), 19);
  EXPECT_TRUE(IsPublishedProp(Tree, "OnExpanding"));
  EXPECT_TRUE(IsPublishedProp(Tree, "Images"));
}
