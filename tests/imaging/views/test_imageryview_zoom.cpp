// The single-image view's core and its zoom model: automatic fitting, zooming about the centre
// and about a point, the origin's maximum, deep zoom limits, scroll bars, the wheel, click zoom,
// the coordinate conversions, companions and posted messages.
#include <cmath>

#include "imaging/io/imageryio.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

class ImageryViewZoom : public ViewFixture {};

TEST_F(ImageryViewZoom, AutoFitShrinksAndStretchesToTheClientArea) {
  View->SetAutoFit(true);
  Load(4000, 3000);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 10);
  EXPECT_DOUBLE_EQ(View->ZoomY(), 10);
  Load(40, 30);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 1000);
  EXPECT_DOUBLE_EQ(View->ZoomY(), 1000);
  // A 1 x 1 image counts as empty and keeps 100 %.
  Load(1, 1);
  EXPECT_TRUE(View->IsEmpty());
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100);
}

TEST_F(ImageryViewZoom, AutoShrinkAndAutoStretchOnlyGoTheirWay) {
  View->SetAutoShrink(true);
  Load(40, 30);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100) << "shrinking never enlarges";
  Load(800, 600);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 50);
  View->SetAutoShrink(false);
  View->SetAutoStretch(true);
  Load(800, 600);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100) << "stretching never shrinks: 100 %";
  View->SetZoom(100);
  Load(800, 600);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100);
  Load(100, 75);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 400);
}

TEST_F(ImageryViewZoom, ZoomKeepsThePointUnderTheCentre) {
  View->SetScrollBars(ssNone);
  Load(1000, 1000);
  View->SetViewOrigin(100, 100);
  ASSERT_EQ(View->ViewX(), 100);
  const int bx = View->ScreenToBitmapX(200), by = View->ScreenToBitmapY(150);
  View->SetZoom(200);
  EXPECT_EQ(View->ViewX(), 400);
  EXPECT_EQ(View->ViewY(), 350);
  EXPECT_EQ(View->ScreenToBitmapX(200), bx);
  EXPECT_EQ(View->ScreenToBitmapY(150), by);
}

TEST_F(ImageryViewZoom, ZeroOrNegativeZoomChangesNothingButIsAnnounced) {
  Load(100, 100);
  std::vector<double> changing;
  View->OnViewChanging = [&](TObject*, int c, double v) {
    if (c == 2) changing.push_back(v);
  };
  View->SetZoom(0);
  View->SetZoom(-5);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100);
  EXPECT_EQ(changing, (std::vector<double>{0, -5}));
}

TEST_F(ImageryViewZoom, AnExtraColumnOnlyPastTenPixels) {
  View->SetScrollBars(ssNone);
  struct Case {
    int W, MaxX;
  } cases[] = {{410, 10}, {411, 12}};
  for (const Case& c : cases) {
    Load(c.W, 600);
    View->ChangeZoomY(50);
    int mx = 0, my = 0;
    View->GetMaxViewOrigin(mx, my);
    EXPECT_EQ(mx, c.MaxX) << c.W;
    EXPECT_EQ(my, 0) << c.W;
    View->ChangeZoomY(100);
  }
}

TEST_F(ImageryViewZoom, ANarrowZoomedImageNeverScrollsSideways) {
  Load(395, 2000);
  View->ChangeZoomY(101);
  int mx = 0, my = 0;
  View->GetMaxViewOrigin(mx, my);
  EXPECT_GT(my, 0);
  EXPECT_LT(View->ClientWidth(), 395) << "the vertical bar narrows the client area";
  EXPECT_EQ(mx, 0) << "the control's Width decides";
}

TEST_F(ImageryViewZoom, DeepZoomStaysWithinLimits) {
  Load(6000, 4000);
  View->SetZoom(1e12);
  EXPECT_LE(View->ExtentX(), IEMaxZoomedExtent);
  EXPECT_LE(View->ExtentY(), IEMaxZoomedExtent);
  EXPECT_GT(View->ZoomX(), 1000);
  int mx = 0, my = 0;
  View->GetMaxViewOrigin(mx, my);
  EXPECT_GT(mx, 0);
  View->SetViewOrigin(mx, my);
  EXPECT_EQ(View->ViewX(), mx);
  const int c = View->ScreenToBitmapX(View->OffsetX());
  EXPECT_GE(c, 5990);
  EXPECT_LT(c, 6000);
  EXPECT_GT(View->VisibleRect().DstW, 0) << "the last pixel still shows at the largest origin";
  PaintNow();
  // A tiny image zoomed as far as it goes keeps its extents bounded too.
  Load(2, 2);
  View->SetZoom(1e15);
  EXPECT_LE(View->ExtentX(), IEMaxZoomedExtent);
  PaintNow();
}

TEST_F(ImageryViewZoom, ConversionsRoundTripAtEveryZoom) {
  Load(300, 200);
  for (double z : {100.0, 150.0, 400.0, 1000.0}) {
    View->SetZoom(z);
    View->SetViewOrigin(37, 21);
    for (int c : {0, 1, 17, 99}) {
      const int sx = View->BitmapToScreenX(c);
      if (sx < View->OffsetX() || sx >= View->OffsetX() + View->VisibleRect().DstW) continue;
      EXPECT_EQ(View->ScreenToBitmapX(sx), c) << "zoom " << z << " column " << c;
    }
  }
}

TEST_F(ImageryViewZoom, ClickZoomSteps) {
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miZoom});
  PaintNow();
  struct Case {
    double From;
    int Button;
    double To;
  } cases[] = {{30, 0, 33}, {100, 0, 200}, {150, 1, 100}, {3, 1, 2}, {2, 1, 2}, {250, 0, 350}, {75, 1, 50}};
  for (const Case& c : cases) {
    View->SetZoom(c.From);
    Click(200, 150, c.Button);
    EXPECT_DOUBLE_EQ(View->ZoomX(), c.To) << c.From << (c.Button ? " right" : " left");
  }
}

TEST_F(ImageryViewZoom, OnZoomInMayRefuse) {
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miZoom});
  View->OnZoomIn = [&](TObject*, double& z) { z = View->ZoomX(); };
  Click(200, 150);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100);
}

TEST_F(ImageryViewZoom, ClickZoomKeepsThePointUnderTheMouse) {
  View->SetScrollBars(ssNone);
  Load(400, 300);
  View->SetMouseInteract(TIEMouseInteract{miZoom});
  const int bx = View->ScreenToBitmapX(120), by = View->ScreenToBitmapY(90);
  Click(120, 90);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 200);
  EXPECT_NEAR(View->ScreenToBitmapX(120), bx, 1);
  EXPECT_NEAR(View->ScreenToBitmapY(90), by, 1);
}

TEST_F(ImageryViewZoom, WheelZoomsScrollsOrDoesNothing) {
  Load(2000, 2000);
  View->DoMouseWheelAction(-120, 10, 10, false);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 108);
  View->DoMouseWheelAction(120, 10, 10, false);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 99);
  View->SetZoom(100);
  View->SetViewOrigin(0, 0);
  View->MouseWheelParams()->Action = 1;
  View->DoMouseWheelAction(-120, 10, 10, false);
  EXPECT_EQ(View->ViewX(), 0);
  EXPECT_EQ(View->ViewY(), std::max(static_cast<int>(std::nearbyint(View->GetExtentY() * 8 / 100.0)), 1));
  View->DoMouseWheelAction(-120, 10, 10, true);
  EXPECT_GT(View->ViewX(), 0) << "Ctrl scrolls sideways";
  View->SetAutoFit(true);
  const double z = View->ZoomX();
  View->MouseWheelParams()->Action = 2;
  View->DoMouseWheelAction(-120, 10, 10, false);
  EXPECT_DOUBLE_EQ(View->ZoomX(), z) << "the wheel does nothing while AutoFit is on";
}

TEST_F(ImageryViewZoom, WheelScrollsSidewaysOnAnImageThatOnlyScrollsSideways) {
  Load(3000, 100);
  View->MouseWheelParams()->Action = 1;
  View->DoMouseWheelAction(-120, 10, 10, false);
  EXPECT_GT(View->ViewX(), 0);
  EXPECT_EQ(View->ViewY(), 0);
}

TEST_F(ImageryViewZoom, ScrollBarMessagesMoveTheOrigin) {
  Load(3000, 3000);
  View->SetZoom(300);
  View->SetViewOrigin(0, 0);
  SendMessage(View->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(View->ViewX(), 3);
  View->HScrollBarParams()->LineStep = 5;
  SendMessage(View->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(View->ViewX(), 18);
  SendMessage(View->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(View->ViewY(), View->GetExtentY());
  SendMessage(View->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
  int mx = 0, my = 0;
  View->GetMaxViewOrigin(mx, my);
  EXPECT_EQ(View->ViewY(), my);
  View->VScrollBarParams()->Tracking = false;
  SendMessage(View->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100), 0);
  EXPECT_EQ(View->ViewY(), my) << "tracking off: the thumb moves nothing until released";
  SendMessage(View->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100), 0);
  EXPECT_LT(View->ViewY(), my);
  SendMessage(View->Handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(View->ViewY(), 0);
}

TEST_F(ImageryViewZoom, OriginsAreClamped) {
  Load(500, 400);
  View->SetViewOrigin(-50, 100000);
  int mx = 0, my = 0;
  View->GetMaxViewOrigin(mx, my);
  EXPECT_EQ(View->ViewX(), 0);
  EXPECT_EQ(View->ViewY(), my);
}

TEST_F(ImageryViewZoom, LocksBatchLayouts) {
  Load(800, 600);
  View->SetAutoFit(false);
  View->LockUpdate();
  View->SetAutoFit(true);
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100) << "nothing laid out while locked";
  View->UnlockUpdate();
  EXPECT_DOUBLE_EQ(View->ZoomX(), 50);
  EXPECT_EQ(View->UnlockUpdate(), 0);
  EXPECT_EQ(View->UnlockUpdateNoRefresh(), 0);
}

TEST_F(ImageryViewZoom, CompanionsAndWorkerMessages) {
  TImageryIO* io = View->GetIO();
  EXPECT_EQ(View->GetIO(), io);
  int progress = -1, finished = 0;
  View->SetOnProgress([&](TObject*, int p) { progress = p; });
  EXPECT_TRUE(static_cast<bool>(io->OnProgress));
  PostMessage(View->Handle(), 8027, 42, 0);
  Run();
  EXPECT_EQ(progress, 42);
  PostMessage(View->Handle(), 8028, 0, 0);
  Run();
  EXPECT_EQ(finished, 0);
  View->SetOnFinishWork([&](TObject*) { ++finished; });
  PostMessage(View->Handle(), 8028, 0, 0);
  Run();
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(View->ImageryVersion(), "3.0.3");
}

TEST_F(ImageryViewZoom, PublishedPropertiesReachTheView) {
  Load(4000, 3000);
  SetPropValue(View, "AutoFit", Variant(true));
  EXPECT_DOUBLE_EQ(View->ZoomX(), 10);
  SetPropValue(View, "MouseInteract", Variant("miSelect"));
  EXPECT_EQ(View->MouseInteract(), TIEMouseInteract{miSelect});
  EXPECT_EQ(GetPropValue(View, "Cursor").AsInt64(), 1785);
  EXPECT_EQ(GetPropValue(View, "ImageryVersion").AsString(), "3.0.3");
}

TEST(ImageryViewAlone, WithoutAParentWindowTheAreaIs50By50) {
  IEImagingStartup();
  {
    TImageryView v(nullptr);
    EXPECT_EQ(v.GetExtentX(), 50);
    EXPECT_EQ(v.GetExtentY(), 50);
    EXPECT_EQ(v.IdleCursor(), 1785);
    EXPECT_TRUE(v.LegacyBitmap());
    EXPECT_NE(v.GetBitmap(), nullptr);
    v.SetLegacyBitmap(false);
    EXPECT_EQ(v.GetBitmap(), nullptr);
    v.SetLegacyBitmap(true);
    EXPECT_NE(v.GetBitmap(), nullptr);
  }
  IEImagingShutdown();
}

}  // namespace
