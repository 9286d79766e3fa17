// The grid base: geometry, current cell and selection, keys, mouse, scroll bars, painting, and
// the string grid's cells.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "platform/vcl/forms.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/gdi_surface.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

void ShiftKey(UINT vk, UINT mod) {
  InjectKey(mod, true);
  Key(vk);
  InjectKey(mod, false);
}

void GridClickAt(TControl* c, int x, int y, bool shift = false) {
  if (shift) InjectKey(VK_SHIFT, true);
  POINT s = c->ClientToScreen(POINT{x, y});
  InjectMouseButton(s.x, s.y, 0, true);
  InjectMouseButton(s.x, s.y, 0, false);
  if (shift) InjectKey(VK_SHIFT, false);
}

class GridTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 500, 400);
    Grid = new TStringGrid(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(10, 10, 300, 200);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() { Application()->ProcessMessages(); }
  TForm* Form = nullptr;
  TStringGrid* Grid = nullptr;
};

}  // namespace

TEST_F(GridTest, CellGeometryFollowsWidthsHeightsAndScrolling) {
  Grid->SetColCount(8);
  Grid->SetRowCount(20);
  Grid->SetColWidths(1, 30);
  Grid->SetRowHeights(2, 40);
  Form->Show();
  struct Case {
    int col, row;
    RECT want;
  } before[] = {
      {0, 0, {0, 0, 64, 24}},       {1, 1, {65, 25, 95, 49}},  {2, 1, {96, 25, 160, 49}},
      {1, 2, {65, 50, 95, 90}},     {1, 3, {65, 91, 95, 115}}, {99, 1, {0, 0, 0, 0}},
      {-1, 0, {0, 0, 0, 0}},
  };
  for (const auto& c : before) EXPECT_TRUE(Grid->CellRect(c.col, c.row) == c.want) << c.col << "," << c.row;
  // Points map back to the cells; the grid lines belong to the cell on their left/above.
  struct Hit {
    int x, y, col, row;
  } hits[] = {{5, 5, 0, 0}, {64, 24, 0, 0}, {65, 25, 1, 1}, {100, 60, 2, 2}, {100, 91, 2, 3}};
  for (const auto& h : hits) {
    TGridCoord g = Grid->MouseCoord(h.x, h.y);
    EXPECT_EQ(g.X, h.col) << h.x << "," << h.y;
    EXPECT_EQ(g.Y, h.row) << h.x << "," << h.y;
  }
  // Scrolled: fixed cells stay, the scrolled-away ones have no rectangle.
  Grid->SetLeftCol(3);
  Grid->SetTopRow(3);
  EXPECT_TRUE(Grid->CellRect(1, 1) == (RECT{0, 0, 0, 0}));
  EXPECT_TRUE(Grid->CellRect(0, 0) == (RECT{0, 0, 64, 24}));
  EXPECT_TRUE(Grid->CellRect(3, 3) == (RECT{65, 25, 129, 49}));
  EXPECT_EQ(Grid->MouseCoord(70, 30).X, 3);
  EXPECT_EQ(Grid->MouseCoord(70, 30).Y, 3);
  // The last rows cannot scroll past the bottom.
  Grid->SetTopRow(19);
  EXPECT_LT(Grid->TopRow(), 19);
  EXPECT_EQ(Grid->TopRow() + Grid->VisibleRowCount(), 20);
}

TEST_F(GridTest, KeysMoveTheCurrentCellAndScrollItIntoView) {
  Grid->SetColCount(10);
  Grid->SetRowCount(30);
  Grid->SetOptions(Grid->Options() + goTabs);
  Form->Show();
  Grid->SetFocus();
  struct Step {
    UINT key, mod;
    int col, row;
  } steps[] = {
      {VK_DOWN, 0, 1, 2},          {VK_RIGHT, 0, 2, 2},       {VK_UP, 0, 2, 1},
      {VK_UP, 0, 2, 1},            {VK_LEFT, 0, 1, 1},        {VK_LEFT, 0, 1, 1},  // fixed cells are not entered
      {VK_END, VK_CONTROL, 9, 29}, {VK_HOME, VK_CONTROL, 1, 1}, {VK_END, 0, 9, 1},
      {VK_TAB, 0, 1, 2},           {VK_TAB, VK_SHIFT, 9, 1},
  };
  for (const auto& s : steps) {
    if (s.mod) ShiftKey(s.key, s.mod);
    else Key(s.key);
    Run();
    EXPECT_EQ(Grid->Col(), s.col) << "key " << s.key;
    EXPECT_EQ(Grid->Row(), s.row) << "key " << s.key;
  }
  // Going to the end scrolls so that the current cell shows wholly.
  ShiftKey(VK_END, VK_CONTROL);
  Run();
  EXPECT_GT(Grid->TopRow(), 1);
  EXPECT_GE(Grid->TopRow() + Grid->VisibleRowCount() - 1, 29);
  RECT r = Grid->CellRect(9, 29);
  EXPECT_GT(r.bottom, 0);
  EXPECT_LE(r.bottom, Grid->ClientHeight());
  EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), Grid->TopRow() - Grid->FixedRows());
  Key(VK_PRIOR);
  Run();
  EXPECT_EQ(Grid->Row(), 29 - Grid->VisibleRowCount());
}

TEST_F(GridTest, SelectCellCanRefuseAndTheMouseSelectsCellsRangesAndRows) {
  Grid->SetColCount(6);
  Grid->SetRowCount(6);
  std::vector<std::pair<int, int>> asked;
  Grid->OnSelectCell = [&](TObject*, int c, int r, bool& can) {
    asked.emplace_back(c, r);
    can = !(c == 3 && r == 3);
  };
  Form->Show();
  RECT r22 = Grid->CellRect(2, 2);
  GridClickAt(Grid, r22.left + 5, r22.top + 5);
  Run();
  EXPECT_EQ(Grid->Col(), 2);
  EXPECT_EQ(Grid->Row(), 2);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), std::make_pair(2, 2));
  // A refused cell is not entered.
  RECT r33 = Grid->CellRect(3, 3);
  GridClickAt(Grid, r33.left + 5, r33.top + 5);
  Run();
  EXPECT_EQ(Grid->Col(), 2);
  EXPECT_EQ(Grid->Row(), 2);
  // Shift+click spans a range from the anchor (goRangeSelect is on by default).
  RECT r44 = Grid->CellRect(4, 4);
  GridClickAt(Grid, r44.left + 5, r44.top + 5, true);
  Run();
  TGridRect s = Grid->Selection();
  EXPECT_EQ(s.Left, 2);
  EXPECT_EQ(s.Top, 2);
  EXPECT_EQ(s.Right, 4);
  EXPECT_EQ(s.Bottom, 4);
  // A click on a fixed cell changes nothing.
  GridClickAt(Grid, 5, 5);
  Run();
  EXPECT_EQ(Grid->Col(), 4);
  // Whole rows with goRowSelect.
  Grid->SetOptions(Grid->Options() + goRowSelect);
  s = Grid->Selection();
  EXPECT_EQ(s.Left, 1);
  EXPECT_EQ(s.Right, 5);
  EXPECT_EQ(s.Top, 4);
  EXPECT_EQ(s.Bottom, 4);
}

TEST_F(GridTest, ScrollBarMessagesAndTheWheelMoveWithinRange) {
  Grid->SetRowCount(50);
  Grid->SetColCount(20);
  Form->Show();
  const int page = Grid->VisibleRowCount();
  struct Step {
    WPARAM code;
    int top;
  } steps[] = {
      {SB_LINEDOWN, 2},        {SB_PAGEDOWN, 2 + page},  {SB_LINEUP, 1 + page},
      {SB_TOP, 1},             {SB_LINEUP, 1},           {MAKEWPARAM(SB_THUMBPOSITION, 10), 11},
      {SB_BOTTOM, 50 - page},
  };
  for (const auto& s : steps) {
    SendMessage(Grid->Handle(), WM_VSCROLL, s.code, 0);
    EXPECT_EQ(Grid->TopRow(), s.top) << "code " << LOWORD(s.code);
    EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), Grid->TopRow() - 1);
  }
  SendMessage(Grid->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Grid->LeftCol(), 2);
  // Scrolling does not move the current cell; the wheel does (and scrolls it into view).
  EXPECT_EQ(Grid->Row(), 1);
  Grid->SetFocus();
  POINT p = Grid->ClientToScreen(POINT{100, 100});
  InjectMouseWheel(p.x, p.y, -WHEEL_DELTA * 2);
  Run();
  EXPECT_EQ(Grid->Row(), 3);
  EXPECT_LE(Grid->TopRow(), 3);
}

TEST_F(GridTest, StringGridKeepsCellsWithinItsSizeAndRejectsBadIndexes) {
  Grid->SetColCount(3);
  Grid->SetRowCount(3);
  Grid->SetCells(0, 0, "Name");
  Grid->SetCells(2, 2, "last");
  TObject tag;
  Grid->SetObjects(1, 1, &tag);
  EXPECT_EQ(Grid->Cells(0, 0), "Name");
  EXPECT_EQ(Grid->Cells(1, 0), "");
  EXPECT_EQ(Grid->Objects(1, 1), &tag);
  EXPECT_EQ(Grid->Rows(2), (std::vector<std::string>{"", "", "last"}));
  EXPECT_EQ(Grid->Cols(0), (std::vector<std::string>{"Name", "", ""}));
  EXPECT_THROW(Grid->SetCells(3, 0, "x"), EInvalidGridOperation);
  EXPECT_THROW(Grid->SetCells(0, -1, "x"), EInvalidGridOperation);
  EXPECT_THROW(Grid->SetFixedRows(3), EInvalidGridOperation);
  EXPECT_THROW(Grid->SetColWidths(5, 10), EInvalidGridOperation);
  // Shrinking forgets the cells outside; growing again shows them empty.
  Grid->SetRowCount(2);
  Grid->SetRowCount(3);
  EXPECT_EQ(Grid->Cells(2, 2), "");
  EXPECT_EQ(Grid->Cells(0, 0), "Name");
  // The current cell stays inside a shrunk grid.
  Grid->SetRow(2);
  Grid->SetRowCount(2);
  EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridTest, PaintingDrawsVisibleCellsWithTheirStatesAndColours) {
  Grid->SetColCount(10);
  Grid->SetRowCount(10);
  Grid->SetFixedColor(clYellow);
  std::map<std::pair<int, int>, TGridDrawState> drawn;
  Grid->OnDrawCell = [&](TObject*, int c, int r, RECT, TGridDrawState s) { drawn[{c, r}] = s; };
  Form->Show();
  Grid->SetFocus();
  Run();
  drawn.clear();
  Grid->Repaint();
  Run();
  ASSERT_TRUE(drawn.count({0, 0}));
  EXPECT_TRUE((drawn[{0, 0}].Contains(gdFixed)));
  EXPECT_TRUE((drawn[{1, 1}].Contains(gdFocused)));
  EXPECT_FALSE((drawn[{2, 2}].Contains(gdSelected)));
  EXPECT_FALSE((drawn.count({9, 9})));  // outside the client area
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  TGdiSurface* s = GetBitmapSurface(shot);
  // The form's client origin within the rendering, then the grid's cells.
  POINT formOrg = Form->ClientToScreen(POINT{0, 0});
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  POINT gridOrg = Grid->ClientToScreen(POINT{0, 0});
  auto pixel = [&](int cx, int cy) {
    const int x = gridOrg.x - wr.left + cx, y = gridOrg.y - wr.top + cy;
    const uint8_t* p = s->Row(y) + x * 4;
    return RGB(p[2], p[1], p[0]);
  };
  (void)formOrg;
  EXPECT_EQ(pixel(30, 12), RGB(255, 255, 0));                 // fixed cell
  EXPECT_EQ(pixel(100, 40), ColorToRGB(clWindow));           // plain cell
  EXPECT_EQ(pixel(129, 40), RGB(192, 192, 192));             // grid line between cells
  EXPECT_EQ(pixel(64, 40), RGB(0, 0, 0));                    // line of the fixed column
  DeleteObject(shot);
}

TEST_F(GridTest, DraggingATitleLineSizesTheColumnOnlyWithColSizing) {
  Form->Show();
  auto drag = [&](int x0, int y, int x1) {
    POINT a = Grid->ClientToScreen(POINT{x0, y}), b = Grid->ClientToScreen(POINT{x1, y});
    InjectMouseButton(a.x, a.y, 0, true);
    InjectMouseMove((a.x + b.x) / 2, b.y);
    InjectMouseMove(b.x, b.y);
    InjectMouseButton(b.x, b.y, 0, false);
    Run();
  };
  drag(129, 10, 160);  // the line right of column 1, without goColSizing
  EXPECT_EQ(Grid->ColWidths(1), 64);
  Grid->SetOptions(Grid->Options() + goColSizing);
  drag(129, 10, 160);
  EXPECT_EQ(Grid->ColWidths(1), 95);
  EXPECT_EQ(Grid->Col(), 1);  // sizing does not select
  drag(160, 10, 20);  // never below one pixel
  EXPECT_EQ(Grid->ColWidths(1), 1);
  drag(100, 40, 140);  // in a data row: a click, not a sizing
  EXPECT_EQ(Grid->ColWidths(1), 1);
}

TEST_F(GridTest, CellsAreEditedInPlaceOnlyWithGoEditing) {
  Grid->SetCells(1, 1, "old");
  Grid->SetCells(2, 1, "keep");
  Form->Show();
  Grid->SetFocus();
  InjectText("x");  // without goEditing typing edits nothing
  Key(VK_F2);
  Run();
  EXPECT_FALSE(Grid->EditorMode());
  EXPECT_EQ(Grid->Cells(1, 1), "old");
  Grid->SetOptions(Grid->Options() + goEditing);
  struct Step {
    std::function<void()> act;
    bool editing;
    const char* cell11;
    const char* cell21;
  } steps[] = {
      {[] { Key(VK_F2); }, true, "old", "keep"},                       // opens with the cell's text
      {[] { Key(VK_END); InjectText("er"); }, true, "old", "keep"},    // not stored while typing
      {[] { Key(VK_RETURN); }, false, "older", "keep"},                // Enter stores
      {[] { InjectText("n"); }, true, "older", "keep"},                // a character opens and replaces
      {[] { InjectText("ew"); Key(VK_ESCAPE); }, false, "older", "keep"},  // Escape drops it
      {[] { InjectText("z"); Key(VK_RIGHT); }, true, "older", "keep"}, // arrows inside the box move the caret
      {[] { Key(VK_DOWN); }, false, "z", "keep"},                      // moving away stores
  };
  int i = 0;
  for (auto& s : steps) {
    s.act();
    Run();
    EXPECT_EQ(Grid->EditorMode(), s.editing) << "step " << i;
    EXPECT_EQ(Grid->Cells(1, 1), s.cell11) << "step " << i;
    EXPECT_EQ(Grid->Cells(2, 1), s.cell21) << "step " << i;
    ++i;
  }
  EXPECT_EQ(Grid->Row(), 2);
  // The editor lies over the current cell.
  Key(VK_F2);
  Run();
  ASSERT_TRUE(Grid->InplaceEditor());
  RECT c = Grid->CellRect(Grid->Col(), Grid->Row());
  EXPECT_EQ(Grid->InplaceEditor()->Left(), c.left);
  EXPECT_EQ(Grid->InplaceEditor()->Top(), c.top);
  // Focus going to another control keeps the text.
  auto* other = new TStringGrid(Form);
  other->SetParent(Form);
  other->SetBounds(320, 10, 100, 100);
  InjectText("q");
  Run();
  other->SetFocus();
  Run();
  EXPECT_FALSE(Grid->EditorMode());
  EXPECT_EQ(Grid->Cells(1, 2), "q");
}
