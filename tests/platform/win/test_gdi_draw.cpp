// Drawing through the software GDI: the pixel rules of lines, rectangles, ellipses, polygons,
// pens, brushes, ROP2 modes, clipping, mapping and the user-level drawing calls.
#include <climits>
#include <cstring>
#include <vector>

#include "gdi_test_util.h"

namespace {

const COLORREF kDrawRed = RGB(255, 0, 0);

TEST(GdiDraw, RectangleOutlineExcludesRightAndBottomEdges) {
  TCanvasDC c(7, 5);
  Rectangle(c.dc, 1, 1, 5, 4);
  EXPECT_EQ(c.Art({0, 0, 7, 5}), Pic({".......",
                                      ".####..",
                                      ".#..#..",
                                      ".####..",
                                      "......."}));
}

TEST(GdiDraw, RectangleWithNullPenFillsOnePixelLessAtRightAndBottom) {
  TCanvasDC c(7, 5);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  Rectangle(c.dc, 1, 1, 5, 4);
  EXPECT_EQ(c.Art({0, 0, 7, 5}), Pic({".......",
                                      ".###...",
                                      ".###...",
                                      ".......",
                                      "......."}));
}

TEST(GdiDraw, WidePensCentreOnTheOutlineUnlessInsideFrame) {
  // Rectangle(2, 2, 7, 7) with a 3-pixel pen: centred on the outline x = 2..6 it covers 1..7;
  // inside the frame it stays within 2..6 (and leaves no room for the brush).
  const struct { int style; const char* pic[10]; } cases[] = {
      {PS_SOLID, {"..........", ".#######..", ".#######..", ".#######..", ".###r###..", ".#######..", ".#######..", ".#######..", "..........", ".........."}},
      {PS_INSIDEFRAME, {"..........", "..........", "..#####...", "..#####...", "..#####...", "..#####...", "..#####...", "..........", "..........", ".........."}},
  };
  for (const auto& k : cases) {
    TCanvasDC c(10, 10);
    HPEN pen = CreatePen(k.style, 3, RGB(0, 0, 0));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(c.dc, pen);
    SelectObject(c.dc, red);
    Rectangle(c.dc, 2, 2, 7, 7);
    std::string want;
    for (const char* row : k.pic) want += std::string(row) + "\n";
    EXPECT_EQ(c.Art({0, 0, 10, 10}, {{RGB(255, 255, 255), '.'}, {0, '#'}, {RGB(255, 0, 0), 'r'}}), want) << k.style;
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(red);
  }
}

TEST(GdiDraw, FillRectCoversLeftTopInclusiveRightBottomExclusive) {
  TCanvasDC c(6, 4);
  RECT r{2, 1, 4, 3};
  FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Art({0, 0, 6, 4}), Pic({"......", "..##..", "..##..", "......"}));
  // Reversed and empty rectangles.
  RECT e{4, 1, 4, 3};
  FillRect(c.dc, &e, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Count(RGB(0, 0, 0)), 4);
}

TEST(GdiDraw, LinesLeaveOutTheirLastPoint) {
  TCanvasDC c(6, 6);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 4, 4);
  MoveToEx(c.dc, 5, 5, nullptr);
  LineTo(c.dc, 5, 1);
  EXPECT_EQ(c.Art({0, 0, 6, 6}), Pic({"#.....",
                                      ".#....",
                                      "..#..#",
                                      "...#.#",
                                      ".....#",
                                      ".....#"}));
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p, (POINT{5, 1}));
}

TEST(GdiDraw, LineDDAReportsThePixelsLineToDraws) {
  const RECT lines[] = {{0, 0, 17, 5}, {16, 2, 1, 11}, {3, 14, 7, 0}, {0, 0, 15, 15}, {12, 0, 12, 9}};
  for (const RECT& l : lines) {
    TCanvasDC c(20, 16);
    MoveToEx(c.dc, l.left, l.top, nullptr);
    LineTo(c.dc, l.right, l.bottom);
    std::vector<POINT> pts;
    LineDDA(l.left, l.top, l.right, l.bottom, [](int x, int y, LPARAM d) { reinterpret_cast<std::vector<POINT>*>(d)->push_back({x, y}); },
            reinterpret_cast<LPARAM>(&pts));
    EXPECT_EQ(c.Count(0), static_cast<int>(pts.size()));
    for (POINT p : pts) EXPECT_EQ(c.At(p.x, p.y), 0u) << p.x << "," << p.y;
  }
}

TEST(GdiDraw, HugeDiagonalLinesDrawOnlyTheirVisiblePart) {
  TCanvasDC c(10, 10);
  MoveToEx(c.dc, -1000000000, -999999990, nullptr);
  LineTo(c.dc, 1000000000, 1000000010);  // passes through (x, x + 10)... off the surface
  MoveToEx(c.dc, -1000000000, -1000000000, nullptr);
  LineTo(c.dc, 1000000000, 1000000000);  // the main diagonal
  EXPECT_EQ(c.Count(0), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(c.At(i, i), 0u);
  HPEN dash = CreatePen(PS_DOT, 1, RGB(255, 0, 0));
  SelectObject(c.dc, dash);
  MoveToEx(c.dc, -999999999, 9, nullptr);
  LineTo(c.dc, 1000000000, 9);
  // The pattern keeps its phase from the start point: x = 0 is pixel 999999999 of the line,
  // which is 3 into the 3-on, 3-off period.
  EXPECT_EQ(c.Art({0, 9, 10, 10}, {{RGB(255, 0, 0), 'r'}, {0, '#'}, {RGB(255, 255, 255), '.'}}), "...rrr...r\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(dash);
}

TEST(GdiDraw, PolylineJoinsSegmentsWithoutGaps) {
  TCanvasDC c(5, 4);
  POINT pts[] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
  Polyline(c.dc, pts, 4);
  EXPECT_EQ(c.Art({0, 0, 5, 4}), Pic({"####.", "...#.", "...#.", ".###."}));
}

TEST(GdiDraw, Rop2ModesCombinePenAndDestinationBitwise) {
  const COLORREF D = RGB(0x0F, 0xF0, 0x55), P = RGB(0x33, 0x3C, 0xAA);
  struct Case { int mode; uint32_t (*op)(uint32_t, uint32_t); };
  const Case cases[] = {
      {R2_BLACK, [](uint32_t, uint32_t) { return 0u; }},
      {R2_NOTMERGEPEN, [](uint32_t p, uint32_t d) { return ~(p | d); }},
      {R2_MASKNOTPEN, [](uint32_t p, uint32_t d) { return ~p & d; }},
      {R2_NOTCOPYPEN, [](uint32_t p, uint32_t) { return ~p; }},
      {R2_MASKPENNOT, [](uint32_t p, uint32_t d) { return p & ~d; }},
      {R2_NOT, [](uint32_t, uint32_t d) { return ~d; }},
      {R2_XORPEN, [](uint32_t p, uint32_t d) { return p ^ d; }},
      {R2_NOTMASKPEN, [](uint32_t p, uint32_t d) { return ~(p & d); }},
      {R2_MASKPEN, [](uint32_t p, uint32_t d) { return p & d; }},
      {R2_NOTXORPEN, [](uint32_t p, uint32_t d) { return ~(p ^ d); }},
      {R2_NOP, [](uint32_t, uint32_t d) { return d; }},
      {R2_MERGENOTPEN, [](uint32_t p, uint32_t d) { return ~p | d; }},
      {R2_COPYPEN, [](uint32_t p, uint32_t) { return p; }},
      {R2_MERGEPENNOT, [](uint32_t p, uint32_t d) { return p | ~d; }},
      {R2_MERGEPEN, [](uint32_t p, uint32_t d) { return p | d; }},
      {R2_WHITE, [](uint32_t, uint32_t) { return 0xFFFFFFu; }},
  };
  for (const Case& k : cases) {
    TCanvasDC c(3, 1);
    SetPixel(c.dc, 1, 0, D);
    HPEN pen = CreatePen(PS_SOLID, 1, P);
    HGDIOBJ old = SelectObject(c.dc, pen);
    SetROP2(c.dc, k.mode);
    MoveToEx(c.dc, 1, 0, nullptr);
    LineTo(c.dc, 2, 0);
    EXPECT_EQ(c.At(1, 0), k.op(P, D) & 0xFFFFFF) << "mode " << k.mode;
    EXPECT_EQ(c.At(2, 0), RGB(255, 255, 255)) << "end point untouched, mode " << k.mode;
    SelectObject(c.dc, old);
    DeleteObject(pen);
  }
}

TEST(GdiDraw, XorPenDrawingTwiceRestoresTheImage) {
  for (int width : {1, 6}) {
    TCanvasDC c(40, 40);
    SetPixel(c.dc, 20, 20, kDrawRed);
    HPEN pen = CreatePen(PS_SOLID, width, RGB(255, 255, 255));
    SelectObject(c.dc, pen);
    SetROP2(c.dc, R2_XORPEN);
    POINT pts[] = {{5, 5}, {30, 8}, {20, 30}, {6, 25}, {25, 20}};
    Polyline(c.dc, pts, 5);
    EXPECT_GT(c.Count(RGB(0, 0, 0)), 40) << width;
    Polyline(c.dc, pts, 5);
    EXPECT_EQ(c.Count(RGB(255, 255, 255)), 40 * 40 - 1) << width;
    EXPECT_EQ(c.At(20, 20), kDrawRed);
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

TEST(GdiDraw, WideXorPenTouchesEachPixelOnce) {
  // Drawn once with XOR over white, a wide polyline must look exactly like the copy-pen one:
  // no pixel of the overlapping joins may be inverted twice.
  TCanvasDC a(40, 40), b(40, 40);
  POINT pts[] = {{5, 5}, {30, 8}, {20, 30}, {6, 25}};
  HPEN white = CreatePen(PS_SOLID, 7, RGB(255, 255, 255));
  SelectObject(a.dc, white);
  SetROP2(a.dc, R2_XORPEN);
  Polyline(a.dc, pts, 4);
  HPEN black = CreatePen(PS_SOLID, 7, RGB(0, 0, 0));
  SelectObject(b.dc, black);
  Polyline(b.dc, pts, 4);
  EXPECT_EQ(a.Art({0, 0, 40, 40}), b.Art({0, 0, 40, 40}));
  SelectObject(a.dc, GetStockObject(BLACK_PEN));
  SelectObject(b.dc, GetStockObject(BLACK_PEN));
  DeleteObject(white);
  DeleteObject(black);
}

TEST(GdiDraw, PenStylesFollowTheirDashPatterns) {
  struct Case { int style; const char* pattern; };
  const Case cases[] = {
      {PS_SOLID, "##############################"},
      {PS_DASH, "##################......######"},
      {PS_DOT, "###...###...###...###...###..."},
      {PS_DASHDOT, "#########......###......######"},
      {PS_DASHDOTDOT, "#########...###...###...#######"},
      {PS_NULL, ".............................."},
  };
  for (const Case& k : cases) {
    TCanvasDC c(31, 1);
    HPEN pen = CreatePen(k.style, 1, RGB(0, 0, 0));
    SelectObject(c.dc, pen);
    SetBkMode(c.dc, TRANSPARENT);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, static_cast<int>(std::strlen(k.pattern)), 0);
    std::string row = c.Art({0, 0, static_cast<LONG>(std::strlen(k.pattern)), 1});
    EXPECT_EQ(row, std::string(k.pattern) + "\n") << "style " << k.style;
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

TEST(GdiDraw, OpaqueBackgroundFillsTheGapsOfDashedLines) {
  TCanvasDC c(12, 1);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(c.dc, pen);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, kDrawRed);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 12, 0);
  EXPECT_EQ(c.Art({0, 0, 12, 1}, {{0, '#'}, {kDrawRed, 'r'}}), "###rrr###rrr\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

TEST(GdiDraw, HatchBrushesDrawTheirSixPatterns) {
  struct Case { int hatch; int black; bool (*on)(int x, int y); };
  const Case cases[] = {
      {HS_HORIZONTAL, 8, [](int, int y) { return y == 7; }},
      {HS_VERTICAL, 8, [](int x, int) { return x == 7; }},
      {HS_FDIAGONAL, 8, [](int x, int y) { return x == y; }},
      {HS_BDIAGONAL, 8, [](int x, int y) { return x + y == 7; }},
      {HS_CROSS, 15, [](int x, int y) { return x == 7 || y == 7; }},
      {HS_DIAGCROSS, 16, [](int x, int y) { return x == y || x + y == 7; }},
  };
  for (const Case& k : cases) {
    TCanvasDC c(16, 16);
    HBRUSH br = CreateHatchBrush(k.hatch, RGB(0, 0, 0));
    SetBkColor(c.dc, kDrawRed);
    RECT r{0, 0, 8, 8};
    FillRect(c.dc, &r, br);
    EXPECT_EQ(c.Count(RGB(0, 0, 0)), k.black) << k.hatch;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(c.At(x, y), k.on(x, y) ? RGB(0, 0, 0) : kDrawRed) << k.hatch << " " << x << "," << y;
    // Transparent background: the gaps keep what was there.
    SetBkMode(c.dc, TRANSPARENT);
    SelectObject(c.dc, br);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    Rectangle(c.dc, 8, 8, 17, 17);
    EXPECT_EQ(c.At(8 + 1, 8 + 2), k.on(1, 2) ? RGB(0, 0, 0) : RGB(255, 255, 255)) << k.hatch;
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(br);
  }
}

TEST(GdiDraw, EllipseFitsItsBoxAndIsSymmetric) {
  for (RECT box : {RECT{0, 0, 10, 8}, RECT{1, 2, 14, 13}, RECT{0, 0, 3, 3}}) {
    TCanvasDC c(16, 16);
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    Ellipse(c.dc, box.left, box.top, box.right, box.bottom);
    RECT got{99, 99, -1, -1};
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (c.At(x, y) == 0) {
          got.left = std::min<LONG>(got.left, x);
          got.top = std::min<LONG>(got.top, y);
          got.right = std::max<LONG>(got.right, x + 1);
          got.bottom = std::max<LONG>(got.bottom, y + 1);
          EXPECT_EQ(c.At(box.left + box.right - 1 - x, y), 0u) << "mirror x";
          EXPECT_EQ(c.At(x, box.top + box.bottom - 1 - y), 0u) << "mirror y";
        }
    EXPECT_EQ(got, box);
  }
}

TEST(GdiDraw, EllipseOutlineAndInteriorUsePenAndBrush) {
  TCanvasDC c(12, 12);
  HBRUSH red = CreateSolidBrush(kDrawRed);
  SelectObject(c.dc, red);
  Ellipse(c.dc, 0, 0, 12, 12);
  EXPECT_EQ(c.At(6, 0), 0u);     // top of the outline
  EXPECT_EQ(c.At(11, 6), 0u);    // right end of the outline
  EXPECT_EQ(c.At(6, 6), kDrawRed);   // inside
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(GdiDraw, DashedEllipsesLeaveGapsAlongTheOutline) {
  TCanvasDC solid(30, 30), dotted(30, 30);
  SelectObject(solid.dc, GetStockObject(NULL_BRUSH));
  Ellipse(solid.dc, 2, 2, 28, 28);
  HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(dotted.dc, dot);
  SelectObject(dotted.dc, GetStockObject(NULL_BRUSH));
  SetBkMode(dotted.dc, TRANSPARENT);
  Ellipse(dotted.dc, 2, 2, 28, 28);
  int all = solid.Count(0), some = dotted.Count(0);
  EXPECT_GT(some, all * 4 / 10);
  EXPECT_LT(some, all * 6 / 10);
  // Every dotted pixel lies on the solid outline.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x)
      if (dotted.At(x, y) == 0) {
        EXPECT_EQ(solid.At(x, y), 0u) << x << "," << y;
      }
  SelectObject(dotted.dc, GetStockObject(BLACK_PEN));
  DeleteObject(dot);
}

TEST(GdiDraw, PolygonFillModesDifferOnlyInsideTheStar) {
  POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  for (int mode : {ALTERNATE, WINDING}) {
    TCanvasDC c(21, 21);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    SetPolyFillMode(c.dc, mode);
    Polygon(c.dc, star, 5);
    EXPECT_EQ(c.At(10, 10), mode == WINDING ? RGB(0, 0, 0) : RGB(255, 255, 255)) << mode;
    EXPECT_EQ(c.At(10, 3), RGB(0, 0, 0)) << mode;
  }
}

TEST(GdiDraw, PolygonSquareCoversTheSamePixelsAsFillRect) {
  TCanvasDC c(8, 8);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  POINT sq[] = {{2, 1}, {6, 1}, {6, 5}, {2, 5}};
  Polygon(c.dc, sq, 4);
  EXPECT_EQ(c.Count(0), 16);
  EXPECT_EQ(c.At(2, 1), 0u);
  EXPECT_EQ(c.At(5, 4), 0u);
  EXPECT_EQ(c.At(6, 4), RGB(255, 255, 255));
}

TEST(GdiDraw, WidePenCapsRoundSquareAndFlat) {
  struct Case { DWORD cap; bool beyondStart; };
  const Case cases[] = {{PS_ENDCAP_ROUND, true}, {PS_ENDCAP_SQUARE, true}, {PS_ENDCAP_FLAT, false}};
  for (const Case& k : cases) {
    TCanvasDC c(40, 20);
    LOGBRUSH lb{BS_SOLID, RGB(0, 0, 0), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | k.cap, 7, &lb, 0, nullptr);
    SelectObject(c.dc, pen);
    MoveToEx(c.dc, 10, 10, nullptr);
    LineTo(c.dc, 30, 10);
    EXPECT_EQ(c.At(20, 7), 0u);
    EXPECT_EQ(c.At(20, 13), 0u);
    EXPECT_EQ(c.At(20, 14), RGB(255, 255, 255));
    EXPECT_EQ(c.At(8, 10) == 0, k.beyondStart) << k.cap;
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

TEST(GdiDraw, WidePenJoinsMiterBevelAndRound) {
  // A right-angle corner at (30,30) drawn with an 11-pixel flat-capped pen: the outer corner is
  // square with a miter join, cut diagonally with a bevel and rounded with a round join.
  struct Case { DWORD join; bool inner; bool outer; };
  const Case cases[] = {{PS_JOIN_MITER, true, true}, {PS_JOIN_BEVEL, false, false}, {PS_JOIN_ROUND, true, false}};
  for (const Case& k : cases) {
    TCanvasDC c(50, 50);
    LOGBRUSH lb{BS_SOLID, RGB(0, 0, 0), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | k.join, 11, &lb, 0, nullptr);
    SelectObject(c.dc, pen);
    POINT pts[] = {{5, 30}, {30, 30}, {30, 5}};
    Polyline(c.dc, pts, 3);
    EXPECT_EQ(c.At(20, 30), 0u) << k.join;  // the segments themselves
    EXPECT_EQ(c.At(30, 20), 0u) << k.join;
    EXPECT_EQ(c.At(27, 27), 0u) << k.join;  // inside the corner
    EXPECT_EQ(c.At(33, 33) == 0, k.inner) << k.join;
    EXPECT_EQ(c.At(34, 34) == 0, k.outer) << k.join;
    EXPECT_EQ(c.At(40, 40), RGB(255, 255, 255)) << k.join;
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

TEST(GdiDraw, ClippingLimitsDrawingAndSaveDCRestoresIt) {
  TCanvasDC c(10, 10);
  int saved = SaveDC(c.dc);
  EXPECT_EQ(ExcludeClipRect(c.dc, 2, 2, 4, 4), COMPLEXREGION);
  RECT all{0, 0, 10, 10};
  FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Count(RGB(255, 255, 255)), 4);
  RECT in{2, 2, 4, 4}, out{0, 0, 2, 2};
  EXPECT_FALSE(RectVisible(c.dc, &in));
  EXPECT_TRUE(RectVisible(c.dc, &out));
  EXPECT_EQ(IntersectClipRect(c.dc, 0, 0, 3, 3), COMPLEXREGION);
  RECT box;
  GetClipBox(c.dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 3, 3}));
  RestoreDC(c.dc, saved);
  GetClipBox(c.dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 10}));
  FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(c.Count(RGB(255, 255, 255)), 100);
}

TEST(GdiDraw, SelectClipRgnUsesDeviceCoordinatesAndNullResets) {
  TCanvasDC c(10, 10);
  HRGN r = CreateEllipticRgn(0, 0, 10, 10);
  SetViewportOrgEx(c.dc, 3, 3, nullptr);
  EXPECT_EQ(SelectClipRgn(c.dc, r), COMPLEXREGION);
  EXPECT_EQ(GetPixel(c.dc, -3, -3), CLR_INVALID);  // device (0,0): outside the ellipse
  EXPECT_NE(GetPixel(c.dc, 2, 2), CLR_INVALID);    // device (5,5): inside
  SelectClipRgn(c.dc, nullptr);
  EXPECT_NE(GetPixel(c.dc, -3, -3), CLR_INVALID);
  DeleteObject(r);
}

TEST(GdiDraw, ViewportAndWindowOriginsShiftDrawing) {
  TCanvasDC c(20, 20);
  SetViewportOrgEx(c.dc, 10, 5, nullptr);
  SetPixel(c.dc, 0, 0, kDrawRed);
  SetWindowOrgEx(c.dc, 2, 2, nullptr);
  SetPixel(c.dc, 2, 3, RGB(0, 255, 0));
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  SetWindowOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(c.At(10, 5), kDrawRed);
  EXPECT_EQ(c.At(10, 6), RGB(0, 255, 0));
}

TEST(GdiDraw, AnisotropicMappingScalesShapes) {
  TCanvasDC c(20, 20);
  SetMapMode(c.dc, MM_ANISOTROPIC);
  SetWindowExtEx(c.dc, 10, 10, nullptr);
  SetViewportExtEx(c.dc, 20, 20, nullptr);
  RECT r{1, 1, 3, 2};
  FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetMapMode(c.dc, MM_TEXT);
  EXPECT_EQ(c.Count(0), 8);
  EXPECT_EQ(c.At(2, 2), 0u);
  EXPECT_EQ(c.At(5, 3), 0u);
}

TEST(GdiDraw, PixelsOutsideTheSurfaceAreInvalid) {
  TCanvasDC c(4, 4);
  EXPECT_EQ(SetPixel(c.dc, 4, 0, kDrawRed), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc, -1, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc, 3, 3, kDrawRed), kDrawRed);
  EXPECT_EQ(GetPixel(c.dc, 3, 3), kDrawRed);
}

TEST(GdiDraw, HostileCoordinatesAndSizesAreHarmless) {
  TCanvasDC c(10, 10);
  Rectangle(c.dc, 5, 5, 5, 5);
  Ellipse(c.dc, 3, 3, 3, 9);
  RoundRect(c.dc, 2, 2, 2, 2, -5, -5);
  EXPECT_EQ(c.Count(RGB(255, 255, 255)), 100);
  MoveToEx(c.dc, -1000000000, 5, nullptr);
  LineTo(c.dc, 1000000000, 5);
  EXPECT_EQ(c.Count(0), 10);
  RECT huge{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};
  FillRect(c.dc, &huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Count(0), 100);
  POINT far[] = {{-2000000000, -2000000000}, {2000000000, 0}, {0, 2000000000}};
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  Polygon(c.dc, far, 3);
  EXPECT_EQ(Rectangle(nullptr, 0, 0, 1, 1), FALSE);
  EXPECT_EQ(DeleteObject(nullptr), FALSE);
}

TEST(GdiDraw, ReversedRectangleCoordinatesDrawTheSameRectangle) {
  TCanvasDC a(8, 8), b(8, 8);
  Rectangle(a.dc, 1, 1, 6, 5);
  Rectangle(b.dc, 6, 5, 1, 1);
  EXPECT_EQ(a.Art({0, 0, 8, 8}), b.Art({0, 0, 8, 8}));
}

TEST(GdiDraw, InvertRectAndFocusRectUndoThemselves) {
  TCanvasDC c(10, 10);
  SetPixel(c.dc, 4, 4, kDrawRed);
  RECT r{1, 1, 9, 9};
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.At(4, 4), RGB(0, 255, 255));
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.At(4, 4), kDrawRed);
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.At(1, 1), 0u);
  EXPECT_EQ(c.At(2, 1), RGB(255, 255, 255));  // every other pixel
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.Count(RGB(255, 255, 255)), 99);
}

TEST(GdiDraw, DrawEdgeSunkenUsesTheShadowColoursAndAdjusts) {
  TCanvasDC c(10, 10);
  RECT r{0, 0, 10, 10};
  DrawEdge(c.dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(c.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(5, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(9, 9), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(1, 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(c.At(8, 8), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
  EXPECT_EQ(r, (RECT{2, 2, 8, 8}));
}

TEST(GdiDraw, FrameControlCheckBoxShowsItsTickOnlyWhenChecked) {
  TCanvasDC a(13, 13), b(13, 13);
  RECT r{0, 0, 13, 13};
  DrawFrameControl(a.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK);
  DrawFrameControl(b.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(a.At(6, 6), RGB(255, 255, 255));
  EXPECT_EQ(b.Count(GetSysColor(COLOR_BTNTEXT)), 21);
}

TEST(GdiDraw, VerticalGradientRunsFromFirstToLastRow) {
  TCanvasDC c(4, 5);
  TRIVERTEX v[2] = {{0, 0, 0, 0, 0xFF00, 0}, {4, 5, 0xFF00, 0, 0x0000, 0}};
  GRADIENT_RECT g{0, 1};
  ASSERT_TRUE(GradientFill(c.dc, v, 2, &g, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 4), RGB(255, 0, 0));
  EXPECT_EQ(c.At(2, 2), RGB(127, 0, 128));
}

TEST(GdiDraw, HorizontalAndTriangleGradientsAndBadMeshes) {
  TCanvasDC c(5, 3);
  TRIVERTEX v[2] = {{0, 0, 0, 0, 0xFF00, 0}, {5, 3, 0xFF00, 0, 0x0000, 0}};
  GRADIENT_RECT g{0, 1};
  ASSERT_TRUE(GradientFill(c.dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H));
  for (int y = 0; y < 3; ++y) {  // every row the same ramp, from the first to the last column
    EXPECT_EQ(c.At(0, y), RGB(0, 0, 255));
    EXPECT_EQ(c.At(2, y), RGB(127, 0, 128));
    EXPECT_EQ(c.At(4, y), RGB(255, 0, 0));
  }
  // A vertex index beyond the vertex list fails and draws nothing.
  TCanvasDC bad(5, 3);
  GRADIENT_RECT out{0, 2};
  EXPECT_FALSE(GradientFill(bad.dc, v, 2, &out, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(bad.Count(RGB(255, 255, 255)), 15);
  // A triangle whose corners share one colour fills its inside with that colour only.
  TCanvasDC t(10, 10);
  TRIVERTEX tv[3] = {{0, 0, 0, 0xFF00, 0, 0}, {9, 0, 0, 0xFF00, 0, 0}, {0, 9, 0, 0xFF00, 0, 0}};
  GRADIENT_TRIANGLE tri{0, 1, 2};
  ASSERT_TRUE(GradientFill(t.dc, tv, 3, &tri, 1, GRADIENT_FILL_TRIANGLE));
  EXPECT_EQ(t.At(1, 1), RGB(0, 255, 0));
  EXPECT_EQ(t.At(3, 2), RGB(0, 255, 0));
  EXPECT_EQ(t.At(8, 8), RGB(255, 255, 255));
  EXPECT_EQ(t.At(9, 9), RGB(255, 255, 255));
}

TEST(GdiDraw, FloodFillStopsAtTheBorderColour) {
  TCanvasDC c(10, 10);
  Rectangle(c.dc, 2, 2, 8, 8);
  HBRUSH red = CreateSolidBrush(kDrawRed);
  SelectObject(c.dc, red);
  ASSERT_TRUE(FloodFill(c.dc, 4, 4, RGB(0, 0, 0)));
  EXPECT_EQ(c.Count(kDrawRed), 16);
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
  ASSERT_TRUE(ExtFloodFill(c.dc, 0, 0, RGB(255, 255, 255), FLOODFILLSURFACE));
  EXPECT_EQ(c.Count(kDrawRed), 100 - 20);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(GdiDraw, LineDDAReportsEachPointButTheLast) {
  std::vector<POINT> pts;
  LineDDA(0, 0, 3, -2, [](int x, int y, LPARAM d) { reinterpret_cast<std::vector<POINT>*>(d)->push_back({x, y}); },
          reinterpret_cast<LPARAM>(&pts));
  ASSERT_EQ(pts.size(), 3u);
  EXPECT_EQ(pts[0], (POINT{0, 0}));
  EXPECT_EQ(pts[2].x, 2);
}

TEST(GdiDraw, PieAndChordFillOnlyTheirPart) {
  TCanvasDC c(21, 21);
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  // The upper-right quarter: from 3 o'clock counter-clockwise to 12 o'clock.
  Pie(c.dc, 0, 0, 21, 21, 20, 10, 10, 0);
  EXPECT_EQ(c.At(15, 5), 0u);
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
  EXPECT_EQ(c.At(15, 15), RGB(255, 255, 255));
  TCanvasDC d(21, 21);
  SelectObject(d.dc, GetStockObject(BLACK_BRUSH));
  SelectObject(d.dc, GetStockObject(NULL_PEN));
  Chord(d.dc, 0, 0, 21, 21, 20, 10, 10, 0);
  EXPECT_EQ(d.At(17, 3), 0u);
  EXPECT_EQ(d.At(12, 8), RGB(255, 255, 255));  // beyond the chord, towards the centre
}

TEST(GdiDraw, DeviceCapsOfMemoryAndPrinterDCs) {
  HDC mem = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(mem, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(mem, NUMCOLORS), -1);
  DeleteDC(mem);
  TPrinterPage page;
  page.Width = 2400;
  page.Height = 3300;
  page.DpiX = page.DpiY = 300;
  page.PhysicalWidth = 2550;
  page.PhysicalHeight = 3508;
  page.OffsetX = 75;
  page.OffsetY = 100;
  HDC pr = CreatePrinterDC(page);
  const std::pair<int, int> caps[] = {{LOGPIXELSX, 300}, {HORZRES, 2400}, {VERTRES, 3300}, {PHYSICALWIDTH, 2550},
                                      {PHYSICALHEIGHT, 3508}, {PHYSICALOFFSETX, 75}, {PHYSICALOFFSETY, 100},
                                      {TECHNOLOGY, DT_RASPRINTER}};
  for (auto [index, value] : caps) EXPECT_EQ(GetDeviceCaps(pr, index), value) << index;
  HDC compatible = CreateCompatibleDC(pr);
  EXPECT_EQ(GetDeviceCaps(compatible, LOGPIXELSX), 300);
  DeleteDC(compatible);
  DeleteDC(pr);
}

TEST(GdiDraw, DeletingASelectedObjectWaitsUntilItIsDeselected) {
  TCanvasDC c(4, 4);
  HBRUSH br = CreateSolidBrush(kDrawRed);
  SelectObject(c.dc, br);
  EXPECT_TRUE(DeleteObject(br));
  EXPECT_EQ(GetObjectType(br), OBJ_BRUSH);  // still alive while selected
  Rectangle(c.dc, 0, 0, 4, 4);
  EXPECT_EQ(c.At(1, 1), kDrawRed);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetObjectType(br), 0);
  EXPECT_EQ(SelectObject(c.dc, br), nullptr);
}

TEST(GdiDraw, PatBltPatternRops) {
  TCanvasDC c(4, 1);
  SetPixel(c.dc, 0, 0, kDrawRed);
  HBRUSH br = CreateSolidBrush(RGB(0, 255, 0));
  SelectObject(c.dc, br);
  PatBlt(c.dc, 0, 0, 1, 1, PATINVERT);
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 0));
  PatBlt(c.dc, 1, 0, 1, 1, PATCOPY);
  EXPECT_EQ(c.At(1, 0), RGB(0, 255, 0));
  PatBlt(c.dc, 2, 0, 1, 1, DSTINVERT);
  EXPECT_EQ(c.At(2, 0), RGB(0, 0, 0));
  PatBlt(c.dc, 3, 0, 1, 1, BLACKNESS);
  EXPECT_EQ(c.At(3, 0), RGB(0, 0, 0));
  EXPECT_FALSE(PatBlt(c.dc, 0, 0, 1, 1, SRCCOPY));  // needs a source
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(br);
}

TEST(GdiDraw, PolyPolygonFillsEachPolygonAndTheOverlapByFillMode) {
  // Two disjoint squares in one call cover what two FillRects cover.
  {
    TCanvasDC c(12, 6);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    POINT pts[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}, {6, 1}, {10, 1}, {10, 5}, {6, 5}};
    INT counts[] = {4, 4};
    EXPECT_TRUE(PolyPolygon(c.dc, pts, counts, 2));
    EXPECT_EQ(c.Art({0, 0, 12, 6}), Pic({"............",
                                         ".###..####..",
                                         ".###..####..",
                                         ".###..####..",
                                         "......####..",
                                         "............"}));
  }
  // Two overlapping squares of the same orientation: ALTERNATE leaves the overlap empty,
  // WINDING fills it (polygons of one call fill together, not one after the other).
  POINT pts[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {4, 4}, {12, 4}, {12, 12}, {4, 12}};
  INT counts[] = {4, 4};
  for (int mode : {ALTERNATE, WINDING}) {
    TCanvasDC c(14, 14);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    SetPolyFillMode(c.dc, mode);
    PolyPolygon(c.dc, pts, counts, 2);
    EXPECT_EQ(c.At(2, 2), 0u) << mode;
    EXPECT_EQ(c.At(10, 10), 0u) << mode;
    EXPECT_EQ(c.At(6, 6), mode == WINDING ? 0u : RGB(255, 255, 255)) << mode;
    EXPECT_EQ(c.At(10, 2), RGB(255, 255, 255)) << mode;
  }
  // Hostile counts draw nothing.
  TCanvasDC h(6, 6);
  INT bad[] = {1, 0};
  PolyPolygon(h.dc, pts, bad, 2);
  PolyPolygon(h.dc, pts, counts, 0);
  EXPECT_EQ(h.Count(RGB(255, 255, 255)), 36);
}

TEST(GdiDraw, ArcDrawsOnlyTheOutlineBetweenItsRadials) {
  // A full turn (start equals end) draws the same pixels as the outline of an ellipse.
  TCanvasDC full(21, 21), ell(21, 21);
  Arc(full.dc, 0, 0, 21, 21, 20, 10, 20, 10);
  SelectObject(ell.dc, GetStockObject(NULL_BRUSH));
  Ellipse(ell.dc, 0, 0, 21, 21);
  EXPECT_EQ(full.Art({0, 0, 21, 21}), ell.Art({0, 0, 21, 21}));
  EXPECT_EQ(full.At(10, 10), RGB(255, 255, 255));  // never filled
  // From 3 o'clock to 12 o'clock: counter-clockwise is the upper-right quarter, clockwise the
  // other three.
  for (int dir : {AD_COUNTERCLOCKWISE, AD_CLOCKWISE}) {
    TCanvasDC c(21, 21);
    SetArcDirection(c.dc, dir);
    Arc(c.dc, 0, 0, 21, 21, 20, 10, 10, 0);
    int upperRight = 0, rest = 0;
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 21; ++x)
        if (c.At(x, y) == 0) (x >= 10 && y <= 10 ? upperRight : rest)++;
    if (dir == AD_COUNTERCLOCKWISE) {
      EXPECT_GT(upperRight, 10);
      EXPECT_LE(rest, 2);
    } else {
      EXPECT_LE(upperRight, 2);
      EXPECT_GT(rest, 30);
    }
  }
}

TEST(GdiDraw, FrameRectDrawsAOnePixelBorderInsideTheRectangle) {
  TCanvasDC c(7, 5);
  RECT r{1, 1, 5, 4};
  FrameRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Art({0, 0, 7, 5}), Pic({".......",
                                      ".####..",
                                      ".#..#..",
                                      ".####..",
                                      "......."}));
  // An empty rectangle draws nothing.
  TCanvasDC e(7, 5);
  RECT empty{3, 3, 3, 5};
  FrameRect(e.dc, &empty, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(e.Count(RGB(255, 255, 255)), 35);
}

}  // namespace
