// The thumbnail grid's model and layout: cell positions, hit tests, the image list with its
// selection rules and change records, caption gaps, the paint lock and the view origin.
#include <vector>

#include "gridtest.h"
#include "imaging/io/ieparams.h"
#include "imaging/views/ievirtualimagelist.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"

namespace {

using gridtest::GridFixture;

class MViewLayout : public GridFixture {
protected:
  void Fill(int n) {
    for (int i = 0; i < n; ++i) Grid->InsertImageKeepSelection(Grid->GetImageCount());
  }
};

TEST_F(MViewLayout, DefaultsAreThoseOfAFreshGrid) {
  TImageryMView g(nullptr);
  EXPECT_EQ(g.Width(), 180);
  EXPECT_EQ(g.Height(), 90);
  EXPECT_EQ(g.ThumbWidth(), 100);
  EXPECT_EQ(g.HorizBorder(), 4);
  EXPECT_EQ(g.GridWidth(), 0);
  EXPECT_EQ(g.ThreadPoolSize(), 5);
  EXPECT_EQ(g.SelectionColor(), 0xFFA0A0);
  EXPECT_EQ(g.Style(), iemsACD);
  EXPECT_EQ(g.StoreType(), ietNormal);
  EXPECT_EQ(g.MouseInteract(), TIEMMouseInteract{mmiSelect});
  EXPECT_EQ(g.ImageryVersion(), "3.0.3");
  EXPECT_EQ(g.SelectedImage(), -1);
  EXPECT_TRUE(g.EnableImageCaching());
}

TEST_F(MViewLayout, CellsFollowTheGridWidth) {
  // Client 436 wide: (436 - 4) / 104 = 4 columns for GridWidth -1.
  struct Case {
    int GridWidth;
    int idx, Row, Col, X, Y;
  };
  const Case cases[] = {
      {0, 5, 0, 5, 4 + 5 * 104, 4},     // one row
      {-1, 5, 1, 1, 4 + 104, 4 + 104},  // as many columns as fit: 4
      {-1, 4, 1, 0, 4, 4 + 104},
      {3, 7, 2, 1, 4 + 104, 4 + 2 * 104},  // three columns
  };
  Fill(10);
  for (const Case& c : cases) {
    Grid->SetGridWidth(c.GridWidth);
    EXPECT_EQ(Grid->GetImageRow(c.idx), c.Row) << "GridWidth " << c.GridWidth << " image " << c.idx;
    EXPECT_EQ(Grid->GetImageCol(c.idx), c.Col);
    EXPECT_EQ(Grid->GetImageX(c.idx), c.X);
    EXPECT_EQ(Grid->GetImageY(c.idx), c.Y);
  }
  Grid->SetGridWidth(3);
  EXPECT_EQ(Grid->ExtentX(), 4 + 2 * 104 + 104);
  EXPECT_EQ(Grid->ExtentY(), 4 + 3 * 104 + 104);
}

TEST_F(MViewLayout, ANarrowClientGivesOneRow) {
  Fill(3);
  Grid->SetGridWidth(-1);
  Grid->SetBounds(0, 0, 90, 300);
  Run();
  EXPECT_EQ(Grid->ColumnCount(), 0);
  EXPECT_EQ(Grid->GetImageRow(2), 0);
  EXPECT_EQ(Grid->GetImageCol(2), 2);
}

TEST_F(MViewLayout, HitTestsCoverTheCellsAndMissTheBorders) {
  Fill(8);
  Grid->SetGridWidth(-1);
  // Image 5: row 1, column 1, cell at (108, 108).
  struct Case {
    int x, y, idx;
  };
  const Case cases[] = {
      {108, 108, 5},  {207, 108, 5},  // ThumbWidth columns: 108 .. 207
      {208, 108, -1},                 // a point ThumbWidth right of the left edge misses
      {108, 207, 5},                  // the cell's last row
      {150, 105, -1},                 // in the border between rows
      {2, 2, -1},                     // in the border before the first cell
      {430, 300, -1},                 // past the last image
  };
  for (const Case& c : cases) EXPECT_EQ(Grid->ImageAtPos(c.x, c.y), c.idx) << c.x << "," << c.y;
}

TEST_F(MViewLayout, ImageAtPosNeverAnswersANegativeIndexButMinusOne) {
  Fill(6);
  Grid->SetGridWidth(-3);  // a negative column count puts everything into row 0
  for (int y = -50; y < 340; y += 7)
    for (int x = -50; x < 436; x += 11) EXPECT_GE(Grid->ImageAtPos(x, y), -1) << x << "," << y;
  EXPECT_EQ(Grid->ImageAtPos(10, 200), -1);
}

TEST_F(MViewLayout, AnEmptyGridHasOneCellPitchAndNoScrollBars) {
  EXPECT_EQ(Grid->ExtentX(), 104);
  EXPECT_EQ(Grid->ExtentY(), 104);
  EXPECT_EQ(Grid->ImageAtPos(50, 50), -1);
  EXPECT_EQ(GetWindowLong(Grid->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
}

TEST_F(MViewLayout, ScrollBarsAppearWhenTheContentIsLarger) {
  Fill(40);
  Grid->SetGridWidth(-1);
  EXPECT_NE(GetWindowLong(Grid->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_EQ(GetWindowLong(Grid->Handle(), GWL_STYLE) & WS_HSCROLL, 0);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(Grid->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 65535);
  Grid->SetViewY(300);
  GetScrollInfo(Grid->Handle(), SB_VERT, &si);
  EXPECT_GT(si.nPos, 0);
}

TEST_F(MViewLayout, SingleModePutsEveryCellAtTheCornerAndHitsTheCurrentFrame) {
  Fill(4);
  Grid->SetDisplayMode(mdSingle);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Grid->GetImageX(i), 0);
    EXPECT_EQ(Grid->GetImageY(i), 0);
  }
  EXPECT_EQ(Grid->ImageAtPos(300, 300), Grid->PlayFrame());
}

TEST_F(MViewLayout, InsertionsAndRemovalsMoveTheSelectionAsTheUserExpects) {
  Fill(5);
  EXPECT_EQ(Grid->SelectedImage(), -1) << "InsertImageKeepSelection selects nothing";
  Grid->InsertImage(99);
  EXPECT_EQ(Grid->SelectedImage(), 5) << "beyond the count: appended and selected";
  Grid->SetSelectedImage(2);
  Grid->RemoveImage(2);
  EXPECT_EQ(Grid->SelectedImage(), 2) << "the image that moved into its place";
  Grid->RemoveImage(0);
  EXPECT_EQ(Grid->SelectedImage(), 1) << "an image before the selected one";
  Grid->SetSelectedImage(Grid->GetImageCount() - 1);
  Grid->RemoveImage(Grid->GetImageCount() - 1);
  EXPECT_EQ(Grid->SelectedImage(), Grid->GetImageCount() - 1)
      << "the selected last one: the new last";
  EXPECT_FALSE(Grid->RemoveImage(Grid->GetImageCount()));
  EXPECT_FALSE(Grid->RemoveImage(-1));
}

TEST_F(MViewLayout, ListenersReadTheChangeRecordAndTheInputKeepsOneParameterSetPerImage) {
  std::vector<std::pair<int, int>> seen;
  Grid->RegisterListener([&](TIEView*, int e) {
    if (e == 0 && Grid->GetLastChangeKind() != 0)
      seen.push_back({Grid->GetLastChangeKind(), Grid->GetLastChangeIndex()});
  });
  TImageryMIO* mio = Grid->GetMIO();
  Fill(3);
  Grid->GetMIO()->GetParams(1)->JPEG_Quality = 42;
  Grid->InsertImageKeepSelection(1);
  Grid->DeleteImage(0);
  const std::vector<std::pair<int, int>> expected = {{1, 0}, {1, 1}, {1, 2}, {1, 1}, {2, 0}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Grid->GetLastChangeKind(), 0) << "only non-zero while the listeners run";
  ASSERT_EQ(mio->GetParamsCount(), 3);
  EXPECT_EQ(mio->GetParams(1)->JPEG_Quality, 42) << "the set moved with its image";
}

TEST_F(MViewLayout, PerImageAccessorsIgnoreIndexesOutOfRange) {
  Fill(2);
  Grid->SetImageFileName(5, "x");
  Grid->SetImageFileName(-1, "x");
  EXPECT_EQ(Grid->GetImageFileName(5), "");
  EXPECT_EQ(Grid->GetImageBottomText(2), nullptr);
  EXPECT_EQ(Grid->GetImageRow(9), 0);
  Grid->SetImageFileName(1, "a.jpg");
  Grid->SetImageID(1, 7);
  Grid->SetImageFileName(1, "b.jpg");
  EXPECT_EQ(Grid->GetImageID(1), -1) << "a file name drops the ID";
}

TEST_F(MViewLayout, BottomCaptionsRaiseTheGapOnlyWhenTheyAreHigher) {
  Fill(1);
  TCanvas* c = Grid->BackBuffer()->GetCanvas();
  c->Font()->Assign(Grid->GetImageBottomText(0)->Font());
  const int h = c->TextHeight("Photo");
  Grid->SetBottomGap(h + 3);
  Grid->GetImageBottomText(0)->SetCaption("Photo");
  EXPECT_EQ(Grid->ActiveBottomGap(), h + 3);
  Grid->SetBottomGap(h + 1);
  Grid->GetImageBottomText(0)->SetCaption("Photo");
  EXPECT_EQ(Grid->ActiveBottomGap(), h + 4) << "iemsACD: text height + 4";
  EXPECT_EQ(Grid->BottomGap(), h + 1) << "the property keeps its value";
  Grid->SetStyle(iemsFlat);
  Grid->SetBottomGap(0);
  Grid->GetImageBottomText(0)->SetCaption("Photo");
  EXPECT_EQ(Grid->ActiveBottomGap(), h + 2);
  Grid->GetImageTopText(0)->SetCaption("Top");
  EXPECT_EQ(Grid->ActiveUpperGap(), h + 2);
}

TEST_F(MViewLayout, UnlockingMoreOftenThanLockingKeepsTheCounterAtZero) {
  Grid->LockPaint();
  EXPECT_EQ(Grid->UnlockPaint(), 0);
  EXPECT_EQ(Grid->UnlockPaint(), 0);
  EXPECT_EQ(Grid->UnlockPaintNoRefresh(), 0);
  Grid->LockPaint();
  Grid->LockPaint();
  EXPECT_EQ(Grid->UnlockPaintNoRefresh(), 1);
  Fill(30);
  const int extent = Grid->ExtentY();
  Grid->SetGridWidth(1);
  EXPECT_EQ(Grid->ExtentY(), extent) << "no layout while locked";
  Grid->UnlockPaint();
  EXPECT_GT(Grid->ExtentY(), extent);
}

TEST_F(MViewLayout, TheOriginIsClampedAndViewChangesAreReportedOnlyForUserActions) {
  Fill(40);
  Grid->SetGridWidth(-1);
  int changes = 0;
  Grid->OnViewChange = [&](TObject*, int) { ++changes; };
  int mx, my;
  Grid->GetMaxViewXY(mx, my);
  Grid->SetViewY(100000);
  EXPECT_EQ(Grid->ViewY(), my);
  Grid->SetViewY(-5);
  EXPECT_EQ(Grid->ViewY(), 0);
  EXPECT_EQ(changes, 0) << "by program: no event";
  // The wheel scrolls one row; a delta of 0 scrolls down too.
  Grid->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(Grid->ViewY(), 104);
  Grid->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
  EXPECT_EQ(Grid->ViewY(), 208);
  Grid->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(Grid->ViewY(), 104);
  EXPECT_EQ(changes, 3);
  // Scroll-bar messages: line, page, thumb, top and bottom.
  Grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Grid->ViewY(), 208);
  Grid->Perform(WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(Grid->ViewY(), std::max(0, 208 - Grid->ClientHeight()));
  Grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(Grid->ViewY(), my);
  Grid->Perform(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(Grid->ViewY(), 0);
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 1000), 0);
  EXPECT_NEAR(Grid->ViewY(), 1000 * (Grid->ClientHeight() + my - 1) / 65536.0, 1);
  // Removing images shrinks the content: the next layout pulls the origin back, silently.
  Grid->SetViewY(my);
  changes = 0;
  for (int i = 0; i < 38; ++i) Grid->RemoveImage(0);
  Grid->Update();
  EXPECT_EQ(Grid->ViewY(), 0);
  EXPECT_EQ(changes, 0);
}

TEST_F(MViewLayout, CellVisibilityAndCentring) {
  Fill(40);
  Grid->SetGridWidth(-1);
  const int C = Grid->ColumnCount();  // 3 beside the vertical scroll bar
  EXPECT_EQ(C, 3);
  EXPECT_EQ(Grid->CellVisibility(0), 2);
  EXPECT_EQ(Grid->CellVisibility(3 * C), 1) << "row 3 reaches below the client area";
  EXPECT_EQ(Grid->CellVisibility(39), 0);
  EXPECT_EQ(Grid->CellVisibility(40), 0);
  Grid->CenterSelected();
  EXPECT_EQ(Grid->ViewY(), 0) << "nothing selected: nothing happens";
  Grid->SetSelectedImage(21);  // row 5
  Grid->CenterSelected();
  EXPECT_EQ(Grid->ViewY(), Grid->GetImageY(21) - (Grid->ClientHeight() - 100) / 2);
  EXPECT_EQ(Grid->CellVisibility(21), 2);
}

TEST_F(MViewLayout, ClearEmptiesTheGridAndItsStores) {
  Fill(5);
  TIEBitmap b(20, 10, ie24RGB);
  Grid->SetImageBitmap(2, &b);
  EXPECT_EQ(Grid->PictureStore()->EntryCount(), 1);
  Grid->SetSelectedImage(2);
  Grid->Clear();
  EXPECT_EQ(Grid->GetImageCount(), 0);
  EXPECT_EQ(Grid->SelectedImage(), -1);
  EXPECT_EQ(Grid->PictureStore()->EntryCount(), 0);
  EXPECT_EQ(Grid->GetMIO()->GetParamsCount(), 0);
}

TEST_F(MViewLayout, TheGridStreamsItsPublishedSettings) {
  Grid->SetThumbWidth(150);
  Grid->SetStyle(iemsFlat);
  Grid->SetMouseInteract(TIEMMouseInteract{mmiScroll, mmiSelect});
  Grid->SetMultiSelectionOptions(TIEMultiSelectionOptions{iemoRegion});
  EXPECT_EQ(GetOrdProp(Grid, "ThumbWidth"), 150);
  EXPECT_EQ(GetEnumProp(Grid, "Style"), "iemsFlat");
  EXPECT_EQ(GetPropValue(Grid, "MouseInteract").AsString(), "mmiScroll,mmiSelect");
  SetPropValue(Grid, "GridWidth", Variant(-1));
  EXPECT_EQ(Grid->GridWidth(), -1);
  SetEnumProp(Grid, "StoreType", "ietThumb");
  EXPECT_EQ(Grid->StoreType(), ietThumb);
}

}  // namespace
