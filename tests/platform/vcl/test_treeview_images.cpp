// Tree view: node images, state images, overlays, faded (cut) and drop-highlighted nodes, custom
// drawing, sorting, the overridable steps behind the events, and the begin-drag step.
#include <gtest/gtest.h>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/graphics.h"
#include "tests/platform/vcl/formtest.h"
#include "tests/platform/vcl/painttest.h"

namespace {

class TRecordingTree : public TTreeView {
public:
  using TTreeView::TTreeView;
  std::string Log;
  bool RefuseExpand = false;
  TTreeNode* Dragged = nullptr;
  TMouseButton DragButton = mbMiddle;

protected:
  bool CanExpand(TTreeNode* Node) override {
    Log += "canexpand:" + Node->Text() + " ";
    return !RefuseExpand && TTreeView::CanExpand(Node);
  }
  void Expand(TTreeNode* Node) override {
    Log += "expand:" + Node->Text() + " ";
    TTreeView::Expand(Node);
  }
  void Collapse(TTreeNode* Node) override {
    Log += "collapse:" + Node->Text() + " ";
    TTreeView::Collapse(Node);
  }
  void Change(TTreeNode* Node) override {
    Log += "change:" + (Node ? Node->Text() : std::string("-")) + " ";
    TTreeView::Change(Node);
  }
  void Delete(TTreeNode* Node) override {
    Log += "delete:" + Node->Text() + " ";
    TTreeView::Delete(Node);
  }
  void BeginDragNode(TTreeNode* Node, TMouseButton Button) override {
    Dragged = Node;
    DragButton = Button;
  }
};

class TreeViewImages : public FormTestBase {
protected:
  TRecordingTree* NewTree() {
    auto* tv = new TRecordingTree(Form);
    tv->SetParent(Form);
    tv->SetBounds(0, 0, 200, 120);
    tv->SetHideSelection(false);
    Form->Show();
    Run();
    return tv;
  }
};

TEST_F(TreeViewImages, StateImageThenImageThenText) {
  auto* tv = NewTree();
  tv->SetShowRoot(false);
  tv->SetImages(SquareImages(Form, {clRed, clLime, clBlue}));
  tv->SetStateImages(SquareImages(Form, {clYellow, clFuchsia}));
  TTreeNode* n = tv->Items()->Add(nullptr, "Node");
  n->SetImageIndex(0);
  n->SetSelectedIndex(1);
  n->SetStateIndex(1);
  Run();
  {
    TPaintShot shot(tv->Handle());
    EXPECT_EQ(shot.FirstX(RGB(255, 0, 255), 8), 0);  // state image at the row's left edge
    EXPECT_EQ(shot.FirstX(RGB(255, 0, 0), 8), 16);   // then the image
    RECT text = n->DisplayRect(true);
    EXPECT_EQ(text.left, 16 + 16 + 1 + 2);  // images, one pixel gap, the text margin
  }
  // The selected node shows its selected image; state index 0 shows no state image.
  tv->SetSelected(n);
  n->SetStateIndex(0);
  Run();
  TPaintShot shot(tv->Handle());
  EXPECT_EQ(shot.FirstX(RGB(0, 255, 0), 8), 0);
  EXPECT_EQ(shot.FirstX(RGB(255, 0, 255), 8), -1);
}

TEST_F(TreeViewImages, OverlayCutAndDropTarget) {
  auto* tv = NewTree();
  tv->SetShowRoot(false);
  TImageList* il = SquareImages(Form, {clRed}, 16);
  // Image 1 becomes overlay 0: a blue square over the left half only.
  TBitmap half;
  half.SetWidth(16);
  half.SetHeight(16);
  half.Canvas()->Brush()->SetColor(clWhite);
  half.Canvas()->FillRect(RECT{0, 0, 16, 16});
  half.Canvas()->Brush()->SetColor(clBlue);
  half.Canvas()->FillRect(RECT{0, 0, 8, 16});
  il->AddMasked(&half, clWhite);
  ASSERT_TRUE(il->Overlay(1, 0));
  EXPECT_EQ(il->OverlayImage(0), 1);
  EXPECT_FALSE(il->Overlay(5, 0));
  tv->SetImages(il);
  TTreeNode* a = tv->Items()->Add(nullptr, "A");
  TTreeNode* b = tv->Items()->Add(nullptr, "B");
  a->SetImageIndex(0);
  b->SetImageIndex(0);
  a->SetOverlayIndex(0);
  b->SetCut(true);
  Run();
  TPaintShot shot(tv->Handle());
  EXPECT_EQ(shot.At(2, 8), RGB(0, 0, 255));   // overlay on the left half
  EXPECT_EQ(shot.At(12, 8), RGB(255, 0, 0));  // the image on the right
  COLORREF faded = shot.At(12, 17 + 8);
  EXPECT_NE(faded, RGB(255, 0, 0));  // cut: faded towards the window colour
  EXPECT_GT(GetGValue(faded), 100);
  // A drop target is highlighted like a selection.
  b->SetDropTarget(true);
  Run();
  TPaintShot lit(tv->Handle());
  RECT t = b->DisplayRect(true);
  EXPECT_EQ(lit.At(t.left + 1, t.top + 1), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(TreeViewImages, CustomDrawingChoosesTheTextColour) {
  auto* tv = NewTree();
  TTreeNode* n = tv->Items()->Add(nullptr, "WWWWWW");
  tv->OnCustomDrawItem = [](TObject* Sender, TTreeNode*, TCustomDrawState, bool& DefaultDraw) {
    static_cast<TTreeView*>(Sender)->Canvas()->Font()->SetColor(clBlue);
    DefaultDraw = true;
  };
  Run();
  TPaintShot shot(tv->Handle());
  RECT t = n->DisplayRect(true);
  bool blue = false;
  for (int x = t.left; x < t.right && !blue; ++x)
    for (int y = t.top; y < t.bottom && !blue; ++y) {
      // Anti-aliased strokes of a narrow face may cover no pixel fully: a pixel at least half
      // covered in blue is (r = g <= 128, b = 255) on the white background.
      const COLORREF c = shot.At(x, y);
      blue = GetBValue(c) == 255 && GetRValue(c) <= 128 && GetGValue(c) == GetRValue(c);
    }
  EXPECT_TRUE(blue);
}

TEST_F(TreeViewImages, SortingKeepsEqualNodesInPlace) {
  auto* tv = NewTree();
  TTreeNode* root = tv->Items()->Add(nullptr, "root");
  for (const char* t : {"b2", "a", "b1", "C"}) tv->Items()->AddChild(root, t);
  root->CustomSort([](TTreeNode* x, TTreeNode* y) {
    return x->Text()[0] < y->Text()[0] ? -1 : x->Text()[0] > y->Text()[0];
  });
  std::string order;
  for (int i = 0; i < root->Count(); ++i) order += root->Item(i)->Text() + " ";
  EXPECT_EQ(order, "C a b2 b1 ");
  root->AlphaSort();
  order.clear();
  for (int i = 0; i < root->Count(); ++i) order += root->Item(i)->Text() + " ";
  EXPECT_EQ(order, "a b1 b2 C ");
  EXPECT_EQ(root->Item(2)->AbsoluteIndex(), 3);
}

TEST_F(TreeViewImages, EventsGoThroughOverridableSteps) {
  auto* tv = NewTree();
  TTreeNode* root = tv->Items()->Add(nullptr, "r");
  TTreeNode* child = tv->Items()->AddChild(root, "c");
  tv->Log.clear();
  root->Expand(false);
  tv->SetSelected(child);
  root->Collapse(false);  // the selection moves up to the closing node
  tv->RefuseExpand = true;
  root->Expand(false);
  EXPECT_FALSE(root->Expanded());
  tv->Items()->Delete(child);
  EXPECT_EQ(tv->Log, "canexpand:r expand:r change:c change:r collapse:r canexpand:r delete:c ");
}

TEST_F(TreeViewImages, BeginDragNodeAfterTheDragDistanceInAutomaticMode) {
  auto* tv = NewTree();
  tv->Items()->Add(nullptr, "first");
  TTreeNode* second = tv->Items()->Add(nullptr, "second");
  POINT o = tv->ClientToScreen(POINT{0, 0});
  tv->SetDragMode(dmAutomatic);
  InjectMouseButton(o.x + 40, o.y + 17 + 8, 0, true);
  Run();
  EXPECT_EQ(DragControl(), nullptr);  // no drag at the press
  InjectMouseMove(o.x + 41, o.y + 17 + 8);
  Run();
  EXPECT_EQ(tv->Dragged, nullptr);  // not far enough yet
  InjectMouseMove(o.x + 60, o.y + 17 + 9);
  Run();
  EXPECT_EQ(tv->Dragged, second);
  EXPECT_EQ(tv->DragButton, mbLeft);
  InjectMouseButton(o.x + 60, o.y + 17 + 9, 0, false);
  Run();
  // Manual mode: no begin-drag step.
  tv->Dragged = nullptr;
  tv->SetDragMode(dmManual);
  InjectMouseButton(o.x + 40, o.y + 8, 0, true);
  InjectMouseMove(o.x + 80, o.y + 8);
  InjectMouseButton(o.x + 80, o.y + 8, 0, false);
  Run();
  EXPECT_EQ(tv->Dragged, nullptr);
}

TEST_F(TreeViewImages, TheWheelScrollsThreeRowsPerNotchUnlessAHandlerTakesIt) {
  TRecordingTree* tv = NewTree();
  for (int i = 0; i < 40; ++i) tv->Items()->Add(nullptr, "n" + std::to_string(i));
  Run();
  auto wheel = [&](int delta) {
    SendMessage(tv->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
  };
  auto scroll = [&] {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(tv->Handle(), SB_VERT, &si);
    return si;
  };
  ASSERT_EQ(scroll().nPos, 0);
  struct Case {
    int delta;
    int top;
  } cases[] = {{-120, 3}, {-240, 9}, {120, 6}, {360, 0}, {120, 0}};
  for (const Case& c : cases) {
    wheel(c.delta);
    EXPECT_EQ(scroll().nPos, c.top) << c.delta;
    if (c.top > 0) { EXPECT_EQ(tv->TopItem()->Text(), "n" + std::to_string(c.top)); }
  }
  // Down to the bottom: the last rows stay on screen.
  for (int i = 0; i < 20; ++i) wheel(-120);
  SCROLLINFO si = scroll();
  EXPECT_EQ(si.nPos + static_cast<int>(si.nPage), si.nMax + 1);
  // A handler that takes the wheel keeps the tree where it is.
  tv->OnMouseWheel = [](TObject*, TShiftState, int, POINT, bool& Handled) { Handled = true; };
  wheel(120);
  EXPECT_EQ(scroll().nPos, si.nPos);
}

}  // namespace
