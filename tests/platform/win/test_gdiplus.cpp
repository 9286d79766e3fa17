// The anti-aliased flat interface over cairo: start-up, pixel coverage of fills, smoothing,
// transparency, clipping, hatches, dashes and paths, on DIB sections of either row order.
#include "gdi_test_util.h"
#include "platform/win/gdiplus.h"

namespace {

struct TGdiplusFixture : ::testing::Test {
  ULONG_PTR token = 0;
  void SetUp() override {
    GdiplusStartupInput in;
    ASSERT_EQ(GdiplusStartup(&token, &in, nullptr), Ok);
  }
  void TearDown() override { GdiplusShutdown(token); }
};

struct TGraphicsOn {
  GpGraphics* g = nullptr;
  explicit TGraphicsOn(HDC dc, GpSmoothingMode mode = SmoothingModeNone) {
    EXPECT_EQ(GdipCreateFromHDC(dc, &g), Ok);
    GdipSetSmoothingMode(g, mode);
  }
  ~TGraphicsOn() { GdipDeleteGraphics(g); }
};

int Greys(const TCanvasDC& c, COLORREF a, COLORREF b) {
  int n = 0;
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      COLORREF v = c.At(x, y);
      n += v != a && v != b;
    }
  return n;
}

TEST(Gdiplus, NothingWorksBeforeStartUp) {
  GpGraphics* g = reinterpret_cast<GpGraphics*>(1);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GdipCreateFromHDC(dc, &g), GdiplusNotInitialized);
  EXPECT_EQ(g, nullptr);
  GpPen* pen = nullptr;
  EXPECT_EQ(GdipCreatePen1(0xFF000000, 1, UnitPixel, &pen), GdiplusNotInitialized);
  DeleteDC(dc);
  ULONG_PTR t;
  GdiplusStartupInput bad;
  bad.GdiplusVersion = 7;
  EXPECT_EQ(GdiplusStartup(&t, &bad, nullptr), UnsupportedGdiplusVersion);
}

TEST_F(TGdiplusFixture, GraphicsNeedADCWithPixels) {
  GpGraphics* g = nullptr;
  HDC meta = CreateEnhMetaFile(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GdipCreateFromHDC(meta, &g), GenericError);
  EXPECT_EQ(g, nullptr);
  DeleteEnhMetaFile(CloseEnhMetaFile(meta));
  EXPECT_EQ(GdipCreateFromHDC(nullptr, &g), InvalidParameter);
}

TEST_F(TGdiplusFixture, FillRectangleCoversWholePixelsWithoutSmoothing) {
  for (bool topDown : {true, false}) {
    TCanvasDC c(10, 8, 24, topDown);
    TGraphicsOn gr(c.dc);
    GpSolidFill* b;
    GdipCreateSolidFill(0xFF0000FF, &b);
    ASSERT_EQ(GdipFillRectangle(gr.g, AsBrush(b), 2, 2, 4, 3), Ok);
    EXPECT_EQ(c.Count(RGB(0, 0, 255)), 12) << topDown;
    EXPECT_EQ(c.At(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(c.At(5, 4), RGB(0, 0, 255));
    EXPECT_EQ(c.At(6, 4), RGB(255, 255, 255));
    GdipDeleteBrush(AsBrush(b));
  }
}

TEST_F(TGdiplusFixture, SmoothingDecidesWhetherEdgesAreBlended) {
  for (GpSmoothingMode mode : {SmoothingModeNone, SmoothingModeAntiAlias}) {
    TCanvasDC c(40, 40);
    TGraphicsOn gr(c.dc, mode);
    GpPen* pen;
    GdipCreatePen1(0xFF000000, 2, UnitPixel, &pen);
    GdipDrawLine(gr.g, pen, 3, 5, 35, 30);
    GpSolidFill* b;
    GdipCreateSolidFill(0xFF000000, &b);
    GdipFillEllipse(gr.g, AsBrush(b), 5, 20, 15, 12);
    int greys = Greys(c, RGB(0, 0, 0), RGB(255, 255, 255));
    if (mode == SmoothingModeNone) EXPECT_EQ(greys, 0);
    else EXPECT_GT(greys, 20);
    GdipDeletePen(pen);
    GdipDeleteBrush(AsBrush(b));
  }
}

TEST_F(TGdiplusFixture, TranslucentColoursBlendOverTheDestination) {
  TCanvasDC c(4, 4);
  TGraphicsOn gr(c.dc);
  GpSolidFill* b;
  GdipCreateSolidFill(0x80FF0000, &b);
  GdipFillRectangle(gr.g, AsBrush(b), 0, 0, 4, 4);
  COLORREF v = c.At(1, 1);
  EXPECT_EQ(GetRValue(v), 255);
  EXPECT_NEAR(GetGValue(v), 127, 1);
  EXPECT_NEAR(GetBValue(v), 127, 1);
  GdipDeleteBrush(AsBrush(b));
}

TEST_F(TGdiplusFixture, DrawingStaysInsideTheClipRegion) {
  TCanvasDC c(20, 20);
  ExcludeClipRect(c.dc, 5, 5, 15, 15);
  SetViewportOrgEx(c.dc, 1, 0, nullptr);
  TGraphicsOn gr(c.dc, SmoothingModeAntiAlias);
  GpSolidFill* b;
  GdipCreateSolidFill(0xFF00FF00, &b);
  GdipFillRectangle(gr.g, AsBrush(b), -1, 0, 20, 20);
  EXPECT_EQ(c.At(10, 10), RGB(255, 255, 255));
  EXPECT_EQ(c.At(2, 2), RGB(0, 255, 0));
  EXPECT_EQ(c.Count(RGB(0, 255, 0)), 400 - 100);
  GdipDeleteBrush(AsBrush(b));
}

TEST_F(TGdiplusFixture, HatchBrushesUseBothColoursAndDashedPensLeaveGaps) {
  TCanvasDC c(40, 20);
  TGraphicsOn gr(c.dc);
  GpHatch* h;
  ASSERT_EQ(GdipCreateHatchBrush(HatchStyleCross, 0xFFFF0000, 0xFF0000FF, &h), Ok);
  GdipFillRectangle(gr.g, AsBrush(h), 0, 0, 16, 16);
  // Two 8x8 tiles each way, each with one row and one column of the fore colour: 15 per tile.
  EXPECT_EQ(c.Count(RGB(255, 0, 0)), 4 * 15);
  EXPECT_EQ(c.Count(RGB(255, 0, 0)) + c.Count(RGB(0, 0, 255)), 256);
  GpHatch* bad;
  EXPECT_EQ(GdipCreateHatchBrush(77, 0, 0, &bad), InvalidParameter);
  GpPen* pen;
  GdipCreatePen1(0xFF000000, 1, UnitPixel, &pen);
  GdipSetPenDashStyle(pen, DashStyleDash);
  GdipDrawLine(gr.g, pen, 20, 18, 39, 18);
  int on = 0;
  for (int x = 20; x < 40; ++x) on += c.At(x, 18) == 0;
  EXPECT_GT(on, 8);
  EXPECT_LT(on, 19);
  GdipDeletePen(pen);
  GdipDeleteBrush(AsBrush(h));
}

TEST_F(TGdiplusFixture, RoundedRectanglePathLeavesTheCornersOut) {
  TCanvasDC c(30, 30);
  TGraphicsOn gr(c.dc);
  GpPath* p;
  GdipCreatePath(FillModeAlternate, &p);
  // A 20x20 box with corners of radius 5 at (5, 5): arcs joined by lines.
  GdipAddPathArc(p, 5, 5, 10, 10, 180, 90);
  GdipAddPathArc(p, 15, 5, 10, 10, 270, 90);
  GdipAddPathArc(p, 15, 15, 10, 10, 0, 90);
  GdipAddPathArc(p, 5, 15, 10, 10, 90, 90);
  GdipClosePathFigure(p);
  GpSolidFill* b;
  GdipCreateSolidFill(0xFF000000, &b);
  ASSERT_EQ(GdipFillPath(gr.g, AsBrush(b), p), Ok);
  EXPECT_EQ(c.At(15, 15), 0u);
  EXPECT_EQ(c.At(15, 5), 0u);
  EXPECT_EQ(c.At(5, 15), 0u);
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
  EXPECT_EQ(c.At(24, 24), RGB(255, 255, 255));
  EXPECT_EQ(c.At(26, 15), RGB(255, 255, 255));
  GpPen* pen;
  GdipCreatePen1(0xFFFF0000, 1, UnitPixel, &pen);
  EXPECT_EQ(GdipDrawPath(gr.g, pen, p), Ok);
  EXPECT_EQ(c.At(15, 5), RGB(255, 0, 0));
  GdipDeletePen(pen);
  GdipDeleteBrush(AsBrush(b));
  GdipDeletePath(p);
}

TEST_F(TGdiplusFixture, PolygonsArcsAndLines) {
  TCanvasDC c(30, 30);
  TGraphicsOn gr(c.dc);
  GpPoint tri[] = {{2, 2}, {20, 2}, {2, 20}};
  GpSolidFill* b;
  GdipCreateSolidFill(0xFF000000, &b);
  EXPECT_EQ(GdipFillPolygonI(gr.g, AsBrush(b), tri, 3, FillModeAlternate), Ok);
  EXPECT_EQ(c.At(5, 5), 0u);
  EXPECT_EQ(c.At(18, 18), RGB(255, 255, 255));
  EXPECT_EQ(GdipFillPolygonI(gr.g, AsBrush(b), tri, 2, FillModeAlternate), InvalidParameter);
  GpPen* pen;
  GdipCreatePen1(0xFFFF0000, 1, UnitPixel, &pen);
  // The upper half of a circle: from 180 degrees clockwise through 270 (the top).
  GdipDrawArc(gr.g, pen, 10, 10, 16, 16, 180, 180);
  EXPECT_EQ(c.At(18, 10), RGB(255, 0, 0));
  EXPECT_EQ(c.At(18, 26), RGB(255, 255, 255));
  GpPoint zig[] = {{0, 28}, {10, 28}, {10, 25}};
  GdipDrawLinesI(gr.g, pen, zig, 3);
  EXPECT_EQ(c.At(5, 28), RGB(255, 0, 0));
  EXPECT_EQ(c.At(10, 26), RGB(255, 0, 0));
  GdipDeletePen(pen);
  GdipDeleteBrush(AsBrush(b));
}

}  // namespace
