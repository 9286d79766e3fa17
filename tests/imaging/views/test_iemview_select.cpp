// The thumbnail grid's selection: clicks with and without Ctrl and Shift, ranges by dragging,
// selection on mouse up, the keys, the application's drag of photos, notifications only for user
// actions, double clicks and play mode.
#include <algorithm>

#include "gridtest.h"

namespace {

using gridtest::GridFixture;

class MViewSelect : public GridFixture {
protected:
  void SetUp() override {
    GridFixture::SetUp();
    // Images without pictures: selection needs no files. 4 columns, no scroll bar for 12.
    Grid->SetGridWidth(-1);
    for (int i = 0; i < 12; ++i) Grid->InsertImageKeepSelection(i);
    Grid->OnImageSelect = [this](TObject*, int idx) { Selected.push_back(idx); };
    Grid->OnImageDeselect = [this](TObject*, int idx) { Deselected.push_back(idx); };
  }
  std::vector<int> Multi() {
    std::vector<int> out;
    for (int i = 0; i < Grid->GetMultiSelectedImagesCount(); ++i)
      out.push_back(Grid->GetMultiSelectedImage(i));
    return out;
  }
  void ClickImage(int idx, UINT Modifier = 0, bool Down = true, bool Up = true) {
    POINT p = CellCentre(idx);
    if (Modifier) InjectKey(Modifier, true);
    Click(p.x, p.y, Down, Up);
    if (Modifier) InjectKey(Modifier, false);
    Run();
  }
  std::vector<int> Selected, Deselected;
};

TEST_F(MViewSelect, AClickSelectsAtMouseDownAndRaisesTheEvent) {
  ClickImage(3, 0, true, false);
  EXPECT_EQ(Grid->SelectedImage(), 3);
  ClickImage(3, 0, false, true);
  EXPECT_EQ(Selected, std::vector<int>{3});
  // A click between cells selects nothing and keeps the selection.
  Click(2, 2);
  EXPECT_EQ(Grid->SelectedImage(), 3);
}

TEST_F(MViewSelect, SelectionsByProgramRaiseNoEvents) {
  Grid->SetEnableMultiSelect(true);
  Grid->SetSelectedImage(4);
  Grid->SelectAll();
  Grid->DeselectNone();
  EXPECT_TRUE(Selected.empty());
  EXPECT_TRUE(Deselected.empty());
  // Inside a user action (a key handler here) SelectAll raises OnImageSelect for the last image.
  Grid->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
    if (Key == 'A') Grid->SelectAll();
  };
  Grid->SetFocus();
  Key('A');
  EXPECT_EQ(Selected, std::vector<int>{11});
  EXPECT_EQ(Grid->GetMultiSelectedImagesCount(), 12);
  EXPECT_EQ(Grid->SelectedImage(), 11);
}

TEST_F(MViewSelect, CtrlClicksBuildAndShrinkAMultiSelection) {
  Grid->SetEnableMultiSelect(true);
  ClickImage(1);
  ClickImage(5, VK_CONTROL);
  ClickImage(7, VK_CONTROL);
  EXPECT_EQ(Multi(), (std::vector<int>{1, 5, 7}));
  // Ctrl-click on a selected image: kept at mouse down (a drag could start), removed at mouse up.
  ClickImage(5, VK_CONTROL, true, false);
  EXPECT_EQ(Multi(), (std::vector<int>{1, 5, 7}));
  ClickImage(5, VK_CONTROL, false, true);
  EXPECT_EQ(Multi(), (std::vector<int>{1, 7}));
  EXPECT_EQ(Grid->SelectedImage(), -1);
  // A plain click on an image of the selection keeps it at mouse down and reduces it at mouse up.
  ClickImage(7, 0, true, false);
  EXPECT_EQ(Multi(), (std::vector<int>{1, 7}));
  ClickImage(7, 0, false, true);
  EXPECT_EQ(Multi(), (std::vector<int>{7}));
  EXPECT_EQ(Grid->SelectedImage(), 7);
}

TEST_F(MViewSelect, ADragStartedDuringThePressKeepsTheMultiSelection) {
  Grid->SetEnableMultiSelect(true);
  ClickImage(2);
  ClickImage(6, VK_CONTROL);
  // The application's moving of photos: on a move with the button down, no interaction and a drag.
  Grid->OnMouseMove = [this](TObject*, TShiftState Shift, int, int) {
    if (Shift.Contains(ssLeft) && !Grid->IsDragging()) {
      Grid->SetMouseInteract(TIEMMouseInteract{});
      Grid->BeginDrag(true, -1);
    }
  };
  Grid->OnEndDrag = [this](TObject*, TObject*, int, int) {
    Grid->EndDrag();
    Grid->SetMouseInteract(TIEMMouseInteract{mmiSelect});
  };
  POINT a = CellCentre(6), b = CellCentre(9);
  POINT sa = Grid->ClientToScreen(a), sb = Grid->ClientToScreen(b);
  InjectMouseButton(sa.x, sa.y, 0, true);
  Run();
  InjectMouseMove(sa.x + 10, sa.y + 10);
  Run();
  InjectMouseMove(sb.x, sb.y);
  Run();
  InjectMouseButton(sb.x, sb.y, 0, false);
  Run();
  EXPECT_EQ(Multi(), (std::vector<int>{2, 6}));
  EXPECT_FALSE(Grid->IsDragging());
  EXPECT_EQ(Grid->MouseInteract(), TIEMMouseInteract{mmiSelect});
}

TEST_F(MViewSelect, ShiftClicksSelectRangesFromTheAnchor) {
  Grid->SetEnableMultiSelect(true);
  ClickImage(6, VK_SHIFT);
  std::vector<int> m = Multi();
  std::sort(m.begin(), m.end());
  EXPECT_EQ(m, (std::vector<int>{0, 1, 2, 3, 4, 5, 6})) << "nothing selected before: from image 0";
  ClickImage(9);
  ClickImage(2, VK_SHIFT);
  m = Multi();
  std::sort(m.begin(), m.end());
  EXPECT_EQ(m, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
  // With iemoRegion the rectangle of cells: rows 0..2, columns 1..2.
  Grid->SetMultiSelectionOptions(TIEMultiSelectionOptions{iemoRegion});
  ClickImage(1);
  ClickImage(10, VK_SHIFT);
  m = Multi();
  std::sort(m.begin(), m.end());
  EXPECT_EQ(m, (std::vector<int>{1, 2, 5, 6, 9, 10}));
}

TEST_F(MViewSelect, DraggingOverCellsSelectsTheRangeAndSelectOnMouseUpWaits) {
  Grid->SetEnableMultiSelect(true);
  Grid->SetMultiSelectionOptions(TIEMultiSelectionOptions{iemoSelectOnMouseUp});
  POINT a = Grid->ClientToScreen(CellCentre(1)), b = Grid->ClientToScreen(CellCentre(3));
  InjectMouseButton(a.x, a.y, 0, true);
  Run();
  EXPECT_EQ(Grid->SelectedImage(), -1) << "nothing at mouse down";
  InjectMouseMove(b.x, b.y);
  Run();
  std::vector<int> m = Multi();
  std::sort(m.begin(), m.end());
  EXPECT_EQ(m, (std::vector<int>{1, 2, 3}));
  InjectMouseButton(b.x, b.y, 0, false);
  Run();
  m = Multi();
  std::sort(m.begin(), m.end());
  EXPECT_EQ(m, (std::vector<int>{1, 2, 3})) << "the dragged range is not selected again";
  ClickImage(8);
  EXPECT_EQ(Multi(), std::vector<int>{8}) << "a plain click selects at mouse up";
}

TEST_F(MViewSelect, ADoubleClickSelectsNothingBeyondItsFirstClick) {
  Grid->SetEnableMultiSelect(true);
  int dbl = 0;
  Grid->OnDblClick = [&](TObject*) { ++dbl; };
  POINT p = Grid->ClientToScreen(CellCentre(4));
  ClickImage(0);
  ClickImage(4, VK_CONTROL);
  InjectMouseButton(p.x, p.y, 0, true);
  InjectMouseButton(p.x, p.y, 0, false);
  InjectMouseButton(p.x, p.y, 0, true);
  InjectMouseButton(p.x, p.y, 0, false);
  Run();
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(Grid->SelectedImage(), 4);
  EXPECT_EQ(Multi(), std::vector<int>{4});
  // The next press selects again.
  ClickImage(6);
  EXPECT_EQ(Grid->SelectedImage(), 6);
}

TEST_F(MViewSelect, KeysMoveTheSelectionAndScrollItIntoView) {
  for (int i = 12; i < 40; ++i) Grid->InsertImageKeepSelection(i);
  Grid->SetFocus();
  Key(VK_LEFT);
  EXPECT_EQ(Grid->SelectedImage(), -1) << "Left with nothing selected does nothing";
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->SelectedImage(), 0) << "Right with nothing selected selects image 0";
  EXPECT_EQ(Selected, std::vector<int>{0});
  const int C = Grid->ColumnCount();
  Key(VK_DOWN);
  EXPECT_EQ(Grid->SelectedImage(), C);
  Key(VK_END);
  EXPECT_EQ(Grid->SelectedImage(), 39);
  EXPECT_EQ(Grid->CellVisibility(39), 2) << "scrolled into view";
  Key(VK_UP);
  EXPECT_EQ(Grid->SelectedImage(), 39 - C);
  Key(VK_HOME);
  EXPECT_EQ(Grid->SelectedImage(), 0);
  EXPECT_EQ(Grid->ViewY(), 0);
  const int page = C * ((Grid->ClientHeight() - 4) / 104);
  Key(VK_NEXT);
  EXPECT_EQ(Grid->SelectedImage(), page);
  Key(VK_PRIOR);
  EXPECT_EQ(Grid->SelectedImage(), 0);
  // One row: Page Up and Page Down have a page of 0 images.
  Grid->SetGridWidth(0);
  Grid->SetSelectedImage(5);
  Key(VK_NEXT);
  EXPECT_EQ(Grid->SelectedImage(), 5);
  Key(VK_DOWN);
  EXPECT_EQ(Grid->SelectedImage(), 6);
}

TEST_F(MViewSelect, ShiftWithKeysExtendsAMultiSelection) {
  Grid->SetEnableMultiSelect(true);
  Grid->SetFocus();
  ClickImage(1);
  Key(VK_RIGHT, VK_SHIFT);
  Key(VK_RIGHT, VK_SHIFT);
  EXPECT_EQ(Multi(), (std::vector<int>{1, 2, 3}));
  Key(VK_RIGHT);
  EXPECT_EQ(Multi(), std::vector<int>{4});
}

TEST_F(MViewSelect, PlayModeStepsThroughTheImagesAndRestoresTheView) {
  std::vector<int> frames;
  Grid->OnPlayFrame = [&](TObject*, int f) { frames.push_back(f); };
  for (int i = 0; i < 12; ++i) Grid->SetImageDelay(i, 1);
  Grid->SetSelectedImage(3);
  Grid->SetPlaying(true);
  EXPECT_EQ(Grid->DisplayMode(), mdSingle);
  EXPECT_EQ(Grid->SelectedImage(), -1);
  Grid->SetSelectedImage(2);
  EXPECT_EQ(Grid->SelectedImage(), -1) << "ignored while playing";
  for (int i = 0; i < 14; ++i) Grid->Perform(WM_TIMER, 1, 0);
  ASSERT_GE(frames.size(), 13u);
  EXPECT_EQ(frames[0], 0);
  EXPECT_EQ(frames[11], 11);
  EXPECT_EQ(frames[12], 0) << "it loops";
  Grid->SetPlaying(false);
  EXPECT_EQ(Grid->DisplayMode(), mdGrid);
  EXPECT_EQ(Grid->SelectedImage(), 3);
  // An empty grid ends the step at once and keeps playing.
  Grid->Clear();
  frames.clear();
  Grid->SetPlaying(true);
  EXPECT_TRUE(Grid->Playing());
  EXPECT_TRUE(frames.empty());
  Grid->SetPlaying(false);
}

}  // namespace
