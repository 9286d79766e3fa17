// Regions: construction, boolean operations, rasterisation rules, data round trips, painting.
#include <vector>

#include "gdi_test_util.h"

namespace {

long Area(HRGN r) {
  DWORD n = GetRegionData(r, 0, nullptr);
  std::vector<char> buf(n);
  auto* d = reinterpret_cast<RGNDATA*>(buf.data());
  GetRegionData(r, n, d);
  const RECT* rects = reinterpret_cast<const RECT*>(buf.data() + d->rdh.dwSize);
  long a = 0;
  for (DWORD i = 0; i < d->rdh.nCount; ++i) a += long(rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
  return a;
}

TEST(GdiRegion, CombineModesGiveTheExpectedKindsBoxesAndAreas) {
  struct Case { int mode; int kind; RECT box; long area; };
  const Case cases[] = {
      {RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, 25},
      {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, 175},
      {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, 150},
      {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, 75},
      {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, 100},
  };
  for (const Case& k : cases) {
    HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, k.mode), k.kind) << k.mode;
    RECT box;
    GetRgnBox(d, &box);
    EXPECT_EQ(box, k.box) << k.mode;
    EXPECT_EQ(Area(d), k.area) << k.mode;
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(d);
  }
}

TEST(GdiRegion, DisjointAndEmptyOperands) {
  HRGN a = CreateRectRgn(0, 0, 4, 4), e = CreateRectRgn(3, 3, 3, 9), d = CreateRectRgn(0, 0, 1, 1);
  RECT box;
  EXPECT_EQ(GetRgnBox(e, &box), NULLREGION);
  EXPECT_EQ(CombineRgn(d, a, e, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(d, a, e, RGN_OR), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(d, a));
  HRGN far = CreateRectRgn(100, 100, 102, 102);
  EXPECT_EQ(CombineRgn(d, a, far, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(CombineRgn(d, d, far, RGN_DIFF), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(d, a));
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(CombineRgn(d, a, a, 99), ERROR);
  for (HRGN r : {a, e, d, far}) DeleteObject(r);
}

TEST(GdiRegion, PointsOnTheRightAndBottomEdgesAreOutside) {
  HRGN r = CreateRectRgn(2, 3, 6, 8);
  const std::pair<POINT, bool> cases[] = {{{2, 3}, true}, {{5, 7}, true}, {{6, 7}, false}, {{5, 8}, false}, {{1, 3}, false}};
  for (auto [p, in] : cases) EXPECT_EQ(PtInRegion(r, p.x, p.y) != 0, in) << p.x << "," << p.y;
  RECT touching{6, 3, 9, 8}, overlapping{5, 7, 9, 9};
  EXPECT_FALSE(RectInRegion(r, &touching));
  EXPECT_TRUE(RectInRegion(r, &overlapping));
  EXPECT_EQ(OffsetRgn(r, -2, -3), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(r, 0, 0));
  EXPECT_FALSE(PtInRegion(r, 4, 0));
  DeleteObject(r);
}

TEST(GdiRegion, PolygonFillModes) {
  POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE), wind = CreatePolygonRgn(star, 5, WINDING);
  EXPECT_FALSE(PtInRegion(alt, 10, 10));
  EXPECT_TRUE(PtInRegion(wind, 10, 10));
  EXPECT_TRUE(PtInRegion(alt, 10, 3));
  EXPECT_GT(Area(wind), Area(alt));
  // A polygon that is a rectangle is exactly that rectangle.
  POINT sq[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
  HRGN p = CreatePolygonRgn(sq, 4, ALTERNATE), r = CreateRectRgn(1, 1, 5, 4);
  EXPECT_TRUE(EqualRgn(p, r));
  EXPECT_EQ(CreatePolygonRgn(sq, 1, ALTERNATE), nullptr);
  for (HRGN h : {alt, wind, p, r}) DeleteObject(h);
}

TEST(GdiRegion, EllipticAndRoundRectRegions) {
  HRGN e = CreateEllipticRgn(0, 0, 20, 10);
  RECT box;
  EXPECT_EQ(GetRgnBox(e, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 20, 10}));
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  EXPECT_TRUE(PtInRegion(e, 10, 5));
  EXPECT_TRUE(PtInRegion(e, 0, 5));
  EXPECT_TRUE(PtInRegion(e, 19, 4));
  HRGN rr = CreateRoundRectRgn(0, 0, 20, 20, 8, 8);
  EXPECT_FALSE(PtInRegion(rr, 0, 0));
  EXPECT_TRUE(PtInRegion(rr, 10, 0));
  EXPECT_TRUE(PtInRegion(rr, 0, 10));
  EXPECT_FALSE(PtInRegion(rr, 19, 19));
  // Corners no bigger than a pixel: a plain rectangle.
  HRGN sharp = CreateRoundRectRgn(0, 0, 5, 5, 0, 0), rect = CreateRectRgn(0, 0, 5, 5);
  EXPECT_TRUE(EqualRgn(sharp, rect));
  for (HRGN h : {e, rr, sharp, rect}) DeleteObject(h);
}

TEST(GdiRegion, RegionDataRoundTripsThroughExtCreateRegion) {
  HRGN a = CreateEllipticRgn(3, 4, 30, 22);
  DWORD n = GetRegionData(a, 0, nullptr);
  ASSERT_GT(n, sizeof(RGNDATAHEADER));
  std::vector<char> buf(n);
  EXPECT_EQ(GetRegionData(a, n - 1, reinterpret_cast<RGNDATA*>(buf.data())), 0u);
  ASSERT_EQ(GetRegionData(a, n, reinterpret_cast<RGNDATA*>(buf.data())), n);
  HRGN b = ExtCreateRegion(nullptr, n, reinterpret_cast<RGNDATA*>(buf.data()));
  EXPECT_TRUE(EqualRgn(a, b));
  XFORM shift{1, 0, 0, 1, 5, -2};
  HRGN c = ExtCreateRegion(&shift, n, reinterpret_cast<RGNDATA*>(buf.data()));
  OffsetRgn(b, 5, -2);
  EXPECT_TRUE(EqualRgn(b, c));
  // A count that runs past the data is refused.
  reinterpret_cast<RGNDATA*>(buf.data())->rdh.nCount += 10;
  EXPECT_EQ(ExtCreateRegion(nullptr, n, reinterpret_cast<RGNDATA*>(buf.data())), nullptr);
  for (HRGN h : {a, b, c}) DeleteObject(h);
}

TEST(GdiRegion, FillFrameAndInvertPaintExactlyTheRegion) {
  TCanvasDC c(10, 8);
  HRGN r = CreateRectRgn(1, 1, 7, 6);
  HRGN hole = CreateRectRgn(3, 3, 5, 4);
  CombineRgn(r, r, hole, RGN_DIFF);
  FrameRgn(c.dc, r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
  EXPECT_EQ(c.Art({0, 0, 10, 8}), Pic({"..........",
                                       ".######...",
                                       ".#.##.#...",
                                       ".##..##...",
                                       ".#.##.#...",
                                       ".######...",
                                       "..........",
                                       ".........."}));
  InvertRgn(c.dc, r);
  InvertRgn(c.dc, r);
  FillRgn(c.dc, hole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Count(0), 24 + 2);  // the hole's rim is frame too
  DeleteObject(r);
  DeleteObject(hole);
}

TEST(GdiRegion, StaleHandlesFailCleanly) {
  HRGN r = CreateRectRgn(0, 0, 2, 2);
  DeleteObject(r);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), ERROR);
  EXPECT_FALSE(PtInRegion(r, 0, 0));
  EXPECT_EQ(OffsetRgn(r, 1, 1), ERROR);
  EXPECT_FALSE(DeleteObject(r));
}

}  // namespace
