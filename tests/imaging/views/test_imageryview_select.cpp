// Selections of the single-image view: rectangles (also at a fixed ratio and a fixed size),
// ellipses, grips, moving, the magic wand, the selection record and the mouse gestures.
#include <cmath>
#include <utility>

#include "platform/rtl/streams.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

class ImageryViewSelect : public ViewFixture {
protected:
  std::vector<std::pair<int, int>> Points() {
    std::vector<std::pair<int, int>> r;
    for (int i = 0; i < View->GetSelectionPointCount(); ++i)
      r.push_back({View->GetSelectionPoints()[i].X, View->GetSelectionPoints()[i].Y});
    return r;
  }
  static std::vector<std::pair<int, int>> Box(int x1, int y1, int x2, int y2) {
    return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
  }
};

TEST_F(ImageryViewSelect, RectangleCornersInImageCoordinates) {
  Load(200, 150);
  View->SelectionBase = iesbBitmap;
  View->SelectRect(10, 10, 20, 20, 0);
  EXPECT_TRUE(View->Selected());
  EXPECT_EQ(Points(), Box(10, 10, 20, 20));
  TIEMask* m = View->SelectionMask();
  EXPECT_TRUE(m->IsPointInside(10, 10));
  EXPECT_TRUE(m->IsPointInside(19, 19));
  EXPECT_FALSE(m->IsPointInside(9, 15));
  EXPECT_FALSE(m->IsPointInside(25, 15));
  EXPECT_EQ(View->SelX1(), 10);
  EXPECT_EQ(View->SelY1(), 10);
  // A degenerate rectangle changes nothing.
  View->SelectRect(30, 30, 30, 40, 0);
  EXPECT_EQ(Points(), Box(10, 10, 20, 20));
}

TEST_F(ImageryViewSelect, AFixedRatioShapesCallsToo) {
  struct Case {
    int ImageH;
    std::vector<std::pair<int, int>> Want;
  } cases[] = {{76, {{0, 0}, {100, 0}, {100, 75}, {0, 75}}}, {60, {{0, 0}, {79, 0}, {79, 60}, {0, 60}}}};
  for (const Case& c : cases) {
    Load(200, c.ImageH);
    View->SelectionBase = iesbBitmap;
    View->SetSelectionAspectRatio(0.75);
    View->SelectRect(0, 0, 100, 30, 0);
    EXPECT_EQ(Points(), c.Want) << "image height " << c.ImageH;
    View->Deselect();
  }
}

TEST_F(ImageryViewSelect, AspectRatioTogglesSizeable) {
  View->SetSelectionAspectRatio(0);
  EXPECT_FALSE(View->SelectionOptions().Contains(iesoSizeable));
  View->SetSelectionAspectRatio(1.5);
  EXPECT_TRUE(View->SelectionOptions().Contains(iesoSizeable));
}

TEST_F(ImageryViewSelect, ClientCoordinatesFollowZoomAndOrigin) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  Load(400, 300);
  View->SetZoom(200);
  View->SetViewOrigin(100, 50);
  View->SelectRect(0, 0, 40, 20, 0);
  EXPECT_EQ(Points(), Box(50, 25, 70, 35));
}

TEST_F(ImageryViewSelect, DeselectAlwaysEmpties) {
  Load(100, 100);
  View->Deselect();
  EXPECT_EQ(View->GetSelectionPointCount(), 0);
  EXPECT_TRUE(View->SelectionMask()->IsEmpty());
  View->SelectionBase = iesbBitmap;
  View->SelectRect(1, 1, 50, 50, 0);
  View->Deselect();
  EXPECT_FALSE(View->Selected());
  EXPECT_EQ(View->GetSelectionPointCount(), 0);
  EXPECT_TRUE(View->SelectionMask()->IsEmpty());
}

TEST_F(ImageryViewSelect, EllipsesHaveAtLeastFiftyPoints) {
  Load(200, 200);
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  View->SelectEllipseClient(100, 100, 105, 103, false, false);
  EXPECT_EQ(View->GetSelectionPointCount(), 50);
  const TIEPoint first = View->GetSelectionPoints()[0];
  EXPECT_EQ(first.X, 105);
  EXPECT_EQ(first.Y, 100);
  View->SelectEllipseClient(100, 100, 160, 140, false, false);
  EXPECT_EQ(View->GetSelectionPointCount(), static_cast<int>(40 * 2 * 3.14159265358979));
}

TEST_F(ImageryViewSelect, DraggingTheRightEdgePastTheLeftTurnsTheGrip) {
  Load(200, 200);
  View->SelectionBase = iesbBitmap;
  View->SelectRect(50, 50, 100, 100, 0);
  const int g = View->DragSelectionGrip(6, 30, 70, false);
  EXPECT_EQ(g, 5);
  EXPECT_EQ(Points(), Box(31, 50, 50, 100));
}

TEST_F(ImageryViewSelect, GripsAreFoundAtCornersAndEdges) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  Load(300, 300);
  View->SelectionBase = iesbBitmap;
  View->SelectRect(50, 50, 100, 100, 0);
  PaintNow();
  EXPECT_EQ(View->GetSelectionGrip(50, 50, false), 1);
  EXPECT_EQ(View->GetSelectionGrip(104, 96, false), 3);
  EXPECT_EQ(View->GetSelectionGrip(51, 75, false), 5);
  EXPECT_EQ(View->GetSelectionGrip(75, 99, false), 8);
  EXPECT_EQ(View->GetSelectionGrip(75, 75, false), 0);
  EXPECT_EQ(View->GetSelectionGrip(50, 50, true), 0) << "Shift disables grips";
}

TEST_F(ImageryViewSelect, MovingStaysInsideWithoutCutBorders) {
  Load(100, 100);
  View->SelectionBase = iesbBitmap;
  View->SelectRect(10, 10, 30, 30, 0);
  View->MoveSelection(200, 5);
  EXPECT_EQ(Points(), Box(80, 15, 100, 35));
  EXPECT_TRUE(View->SelectionMask()->IsPointInside(99, 20));
}

TEST_F(ImageryViewSelect, TheRecordRoundTripsAndShrinksIntoASmallerImage) {
  Load(200, 200);
  View->SelectionBase = iesbBitmap;
  View->SelectRect(150, 150, 190, 180, 0);
  TMemoryStream m;
  View->SaveSelectionToStream(&m);
  Load(100, 100);
  m.SetPosition(0);
  View->LoadSelectionFromStream(&m, 1);
  EXPECT_TRUE(View->Selected());
  TIEMask* mask = View->SelectionMask();
  EXPECT_EQ(mask->Width, 100);
  EXPECT_EQ(mask->X2, 99) << "moved left so that it ends at the last column";
  EXPECT_EQ(mask->Y2, 99);
  EXPECT_EQ(mask->X2 - mask->X1, 39);
  // A selection pushed and popped comes back.
  View->PushSelection();
  View->Deselect();
  View->PopSelection(true, 0);
  EXPECT_TRUE(View->Selected());
  EXPECT_EQ(View->SavedSelectionCount(), 0);
}

TEST_F(ImageryViewSelect, MagicWandSelectsTheRegionOfOneColour) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  TIEBitmap b;
  b.Allocate(100, 100, ie24RGB);
  b.Fill(0xFFFFFF);
  b.FillRect(20, 20, 59, 49, 0x0000FF);
  View->GetIEBitmap()->Assign(&b);
  View->Update();
  View->SelectionBase = iesbBitmap;
  View->SelectMagicWand(30, 30, false);
  ASSERT_TRUE(View->Selected());
  TIEMask* m = View->SelectionMask();
  EXPECT_TRUE(m->IsPointInside(25, 25));
  EXPECT_FALSE(m->IsPointInside(70, 70));
  View->SelectMagicWand(-1, 5, false);  // outside: ignored
  EXPECT_TRUE(View->Selected());
}

TEST_F(ImageryViewSelect, ADragWithTheMouseSelectsARectangle) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miSelect});
  int changes = 0;
  View->OnSelectionChange = [&](TObject*) { ++changes; };
  PaintNow();
  Drag(20, 30, 120, 90);
  EXPECT_TRUE(View->Selected());
  EXPECT_EQ(Points(), Box(20, 30, 120, 90));
  EXPECT_EQ(changes, 1);
  // A click without movement deselects.
  Click(300, 250);
  EXPECT_FALSE(View->Selected());
}

TEST_F(ImageryViewSelect, ADragAtAFixedRatioKeepsTheRatio) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miSelect});
  View->SetSelectionAspectRatio(0.5);
  PaintNow();
  Drag(10, 10, 110, 200);
  EXPECT_EQ(Points(), Box(10, 10, 110, 60));
}

TEST_F(ImageryViewSelect, AFixedSizeSelectionSlidesAlongTheBorder) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miSelect});
  View->SetSelectionAspectRatio(0);
  View->FixedSelectionWidth = 60;
  View->FixedSelectionHeight = 40;
  PaintNow();
  Drag(100, 100, 398, 100);
  const auto p = Points();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[2].first - p[0].first, 59) << "the size is kept " << p[0].first << " " << p[2].first;
  EXPECT_EQ(p[2].first, 399);
}

TEST_F(ImageryViewSelect, MouseInteractExclusions) {
  View->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  View->SetMouseInteract(TIEMouseInteract{miZoom, miScroll, miSelect});
  EXPECT_EQ(View->MouseInteract(), (TIEMouseInteract{miZoom, miSelect}));
  View->SetMouseInteract(TIEMouseInteract{});
  View->SetMouseInteract(TIEMouseInteract{miSelectPolygon, miZoom});
  EXPECT_EQ(View->MouseInteract(), (TIEMouseInteract{miSelectPolygon}));
}

}  // namespace

namespace {

class ImageryViewMouse : public ImageryViewSelect {
protected:
  void SetUp() override {
    ViewFixture::SetUp();
    View->SetScrollBars(ssNone);
    View->SetCenter(false);
  }
};

TEST_F(ImageryViewMouse, APolygonOfClicksEndsWithTheRightButton) {
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miSelectPolygon});
  View->SetSelectionOptions(TIESelectionOptions{iesoRightButtonTerminatePolySelect});
  PaintNow();
  int changes = 0;
  View->OnSelectionChange = [&](TObject*) { ++changes; };
  Click(50, 50);
  Click(150, 50);
  Click(100, 150);
  const int before = changes;
  Click(100, 150, 1);
  EXPECT_EQ(changes, before + 1) << "ending the polygon is a change";
  ASSERT_TRUE(View->Selected());
  EXPECT_EQ(View->GetSelectionPointCount(), 3);
  EXPECT_TRUE(View->SelectionMask()->IsPointInside(100, 80));
  EXPECT_FALSE(View->SelectionMask()->IsPointInside(60, 140));
}

TEST_F(ImageryViewMouse, DraggingScrollsTheView) {
  Load(1000, 1000);
  View->SetMouseInteract(TIEMouseInteract{miScroll});
  PaintNow();
  Drag(300, 200, 200, 150);
  EXPECT_EQ(View->ViewX(), 100);
  EXPECT_EQ(View->ViewY(), 50);
}

TEST_F(ImageryViewMouse, DraggingMovesALayer) {
  Load(300, 200);
  View->AddLayer();
  View->GetIEBitmap()->Allocate(40, 30, ie24RGB);
  View->GetIEBitmap()->Fill(0xFFFFFF);
  View->GetCurrentLayer()->Left = 50;
  View->GetCurrentLayer()->Top = 60;
  View->SetMouseInteract(TIEMouseInteract{miMoveLayers});
  View->Update();
  PaintNow();
  std::vector<int> events;
  View->OnLayerNotify = [&](TObject*, int, int e) { events.push_back(e); };
  Drag(60, 70, 90, 100);
  EXPECT_EQ(View->GetCurrentLayer()->Left, 80);
  EXPECT_EQ(View->GetCurrentLayer()->Top, 90);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), 0) << "picked";
  EXPECT_EQ(events.back(), 1) << "moved";
}

}  // namespace
