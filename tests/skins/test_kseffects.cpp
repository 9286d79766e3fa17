// Skin image composition on small fixtures, pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"
#include "skins/kseffects.h"

namespace {

// A source whose pixel (x, y) is RGB(x, y, 7): every pixel says where it came from.
void MakeCoordinatePicture(TBitmap& B, int W, int H) {
  B.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) B.Canvas()->SetPixels(x, y, TColor(RGB(x, y, 7)));
}

int SrcX(TBitmap& B, int X, int Y) { return GetRValue(B.Canvas()->Pixels(X, Y)); }
int SrcY(TBitmap& B, int X, int Y) { return GetGValue(B.Canvas()->Pixels(X, Y)); }

// Black where the mask string has '#', white elsewhere.
void MakeMask(TBitmap& B, const std::vector<std::string>& Rows) {
  B.SetSize(static_cast<int>(Rows[0].size()), static_cast<int>(Rows.size()));
  for (size_t y = 0; y < Rows.size(); ++y)
    for (size_t x = 0; x < Rows[y].size(); ++x)
      B.Canvas()->SetPixels(static_cast<int>(x), static_cast<int>(y),
                            Rows[y][x] == '#' ? clBlack : clWhite);
}

struct TRunRect {
  int L, T, R, B;
  bool operator==(const TRunRect&) const = default;
};

std::vector<TRunRect> Runs(const std::vector<uint8_t>& Data) {
  std::vector<TRunRect> out;
  RGNDATAHEADER h;
  std::memcpy(&h, Data.data(), sizeof h);
  for (DWORD i = 0; i < h.nCount; ++i) {
    RECT r;
    std::memcpy(&r, Data.data() + sizeof h + i * sizeof r, sizeof r);
    out.push_back({r.left, r.top, r.right, r.bottom});
  }
  return out;
}

}  // namespace

TEST(KsEffects, ThreePartHorizontalTilesTheMiddleAndCutsTheLastTile) {
  TBitmap src, dest;
  MakeCoordinatePicture(src, 20, 3);
  MakeThreePartH(5, 5, &dest, false, 45, RECT{0, 0, 20, 3}, &src);
  ASSERT_EQ(dest.Width(), 45);
  ASSERT_EQ(dest.Height(), 3);
  for (int x = 0; x < 45; ++x) {
    int want;
    if (x < 5)
      want = x;  // left part
    else if (x >= 40)
      want = 15 + (x - 40);  // right part
    else
      want = 5 + (x - 5) % 10;  // tiles at 5, 15, 25, 35 (the last cut to 5)
    EXPECT_EQ(SrcX(dest, x, 1), want) << x;
    EXPECT_EQ(SrcY(dest, x, 2), 2);
  }
}

TEST(KsEffects, ThreePartMiddleOfWidthZero) {
  TBitmap src, dest;
  MakeCoordinatePicture(src, 10, 4);
  // Horizontal: an empty middle counts as one column (the one after the left part).
  MakeThreePartH(5, 5, &dest, false, 14, RECT{0, 0, 10, 4}, &src);
  for (int x = 5; x < 9; ++x) EXPECT_EQ(SrcX(dest, x, 0), 5) << x;
  EXPECT_EQ(SrcX(dest, 9, 0), 5);
  // Vertical: no tiles at all (the new area keeps the bitmap's white).
  TBitmap v;
  MakeThreePartV(2, 2, &v, false, 9, RECT{0, 0, 10, 4}, &src);
  ASSERT_EQ(v.Height(), 9);
  EXPECT_EQ(SrcY(v, 3, 1), 1);
  EXPECT_EQ(SrcY(v, 3, 7), 2);
  EXPECT_EQ(v.Canvas()->Pixels(3, 4), COLORREF(0xFFFFFF));
}

TEST(KsEffects, ThreePartVerticalTilesAndStretches) {
  TBitmap src, tiled, stretched;
  MakeCoordinatePicture(src, 4, 10);
  MakeThreePartV(3, 3, &tiled, false, 20, RECT{0, 0, 4, 10}, &src);
  for (int y = 0; y < 20; ++y) {
    const int want = y < 3 ? y : y >= 17 ? 7 + (y - 17) : 3 + (y - 3) % 4;
    EXPECT_EQ(SrcY(tiled, 1, y), want) << y;
  }
  MakeThreePartV(3, 3, &stretched, true, 20, RECT{0, 0, 4, 10}, &src);
  EXPECT_EQ(SrcY(stretched, 1, 3), 3);
  EXPECT_EQ(SrcY(stretched, 1, 16), 6);
}

// A 12 x 10 skin at (2, 1) of its picture; corners at LT (4, 4), RT (8, 4), LB (4, 7),
// RB (8, 7); client (2, 3, 10, 8). Drawn at 20 x 15.
TEST(KsEffects, NinePartKeepsCornersAndTilesEdgesAndClient) {
  TBitmap src, dest;
  MakeCoordinatePicture(src, 20, 15);
  TksSkinGeometry g;
  g.SR = RECT{2, 1, 14, 11};
  g.LT = POINT{4, 4};
  g.RT = POINT{8, 4};
  g.LB = POINT{4, 7};
  g.RB = POINT{8, 7};
  g.CR = RECT{2, 3, 10, 8};
  g.Fit(20, 15);
  EXPECT_EQ(g.NRT.x, 16);
  EXPECT_EQ(g.NRB.y, 12);
  MakeNinePart(g, true, 20, 15, &src, &dest);
  struct Case {
    int X, Y, SX, SY;
  } cases[] = {
      {0, 0, 2, 1},      // top-left corner at its own place
      {3, 2, 5, 3},      // corner piece (0, 0, LT.X, CR.Top)
      {19, 0, 13, 1},    // top-right corner: source column SW - 1
      {16, 2, 10, 3},    // starts at NRT.X with source RT.X
      {4, 0, 6, 1},      // top edge tile start (source LT.X)
      {8, 1, 6, 2},      // next tile (period 4)
      {0, 14, 2, 10},    // bottom-left corner
      {19, 14, 13, 10},  // bottom-right corner
      {19, 12, 13, 8},   // right edge / corner below NRB.Y
      {2, 3, 4, 4},      // client tile origin (source CR offset by SR)
      {10, 3, 4, 4},     // next client tile (period 8)
      {2, 8, 4, 4},      // next client row (period 5) starts at the client part again
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SrcX(dest, c.X, c.Y), c.SX) << c.X << "," << c.Y;
    EXPECT_EQ(SrcY(dest, c.X, c.Y), c.SY) << c.X << "," << c.Y;
  }
}

TEST(KsEffects, NinePartDrawsNothingForDegenerateCorners) {
  TBitmap src, dest;
  MakeCoordinatePicture(src, 10, 10);
  TksSkinGeometry g;
  g.SR = RECT{0, 0, 10, 10};
  g.LT = POINT{4, 4};
  g.RB = POINT{4, 8};  // RB.X = LT.X
  g.CR = RECT{2, 2, 8, 8};
  g.Fit(30, 30);
  MakeNinePart(g, true, 30, 30, &src, &dest);
  EXPECT_EQ(dest.Width(), 30);
  EXPECT_EQ(dest.Canvas()->Pixels(0, 0), COLORREF(0xFFFFFF));
}

TEST(KsEffects, FitRectToSize) {
  TksSkinGeometry g;
  g.SR = RECT{0, 0, 100, 60};
  g.LT = POINT{10, 20};
  g.RT = POINT{90, 20};
  g.LB = POINT{10, 50};
  g.RB = POINT{90, 50};
  struct Case {
    const char* Name;
    int Mode;
    RECT In, Out;
  } cases[] = {
      {"caption spans top-left to top-right: grows", 1, {4, 3, 96, 18}, {4, 3, 146, 18}},
      {"button inside the top-right region: moves", 1, {92, 3, 98, 10}, {142, 3, 148, 10}},
      {"button touching the region's right edge: corner rules",
       1,
       {92, 3, 100, 10},
       {92, 3, 100, 10}},
      {"inside the top-left region: stays", 1, {1, 1, 5, 5}, {1, 1, 5, 5}},
      {"inside the bottom-right region: moves both ways", 1, {92, 52, 95, 55}, {142, 82, 145, 85}},
      {"top-left to bottom-right: grows both ways", 1, {0, 0, 100, 60}, {0, 0, 150, 90}},
      {"mode 2 spanning: grows", 2, {5, 0, 95, 10}, {5, 0, 145, 10}},
      {"mode 2 right of RT: moves", 2, {91, 0, 95, 10}, {141, 0, 145, 10}},
      {"mode 3 below LB: moves down", 3, {0, 52, 10, 58}, {0, 82, 10, 88}},
      {"mode 3 spanning: grows", 3, {0, 10, 10, 55}, {0, 10, 10, 85}},
      {"mode 0: unchanged", 0, {0, 52, 10, 58}, {0, 52, 10, 58}},
  };
  for (const Case& c : cases) {
    const RECT r = FitRectToSize(c.In, c.Mode, g, 150, 90);
    EXPECT_TRUE(r.left == c.Out.left && r.top == c.Out.top && r.right == c.Out.right &&
                r.bottom == c.Out.bottom)
        << c.Name << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
}

TEST(KsEffects, MaskRegionDataOneRectanglePerRun) {
  TBitmap m;
  MakeMask(m, {"##..#", ".###.", "....."});
  const std::vector<uint8_t> data = MaskRegionData(&m, 10, 20);
  RGNDATAHEADER h;
  std::memcpy(&h, data.data(), sizeof h);
  EXPECT_EQ(h.dwSize, 32u);
  EXPECT_EQ(h.iType, 1u);
  EXPECT_EQ(data.size(), 32u + 16u * h.nCount);
  EXPECT_EQ(h.rcBound.left, 10);
  EXPECT_EQ(h.rcBound.bottom, 23);
  EXPECT_EQ(Runs(data),
            (std::vector<TRunRect>{{10, 20, 12, 21}, {14, 20, 15, 21}, {11, 21, 14, 22}}));
  TBitmap white, black;
  MakeMask(white, {"...", "..."});
  EXPECT_TRUE(Runs(MaskRegionData(&white, 0, 0)).empty());
  MakeMask(black, {"###", "###", "###"});
  EXPECT_EQ(Runs(MaskRegionData(&black, 0, 0)).size(), 3u);
  TBitmap none;
  EXPECT_TRUE(MaskRegionData(&none, 0, 0).empty());
  EXPECT_EQ(MaskRegion(&none), nullptr);
}

// A checkerboard of 300 x 80 has 12,000 runs, more than a fixed table of 10,001 would hold.
TEST(KsEffects, MaskWithMoreRunsThanAFixedTable) {
  TBitmap m;
  m.SetSize(300, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 300; ++x) m.Canvas()->SetPixels(x, y, (x + y) % 2 ? clWhite : clBlack);
  const std::vector<uint8_t> data = MaskRegionData(&m, 0, 0);
  EXPECT_EQ(Runs(data).size(), 12000u);
  HRGN r = MaskRegion(&m);
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(PtInRegion(r, 0, 0));
  EXPECT_FALSE(PtInRegion(r, 1, 0));
  EXPECT_TRUE(PtInRegion(r, 299, 79) == ((299 + 79) % 2 == 0));
  DeleteObject(r);
}

TEST(KsEffects, NinePartRegionCutsTheMaskAroundTheClient) {
  // A 10 x 8 mask: black but for the two top corners.
  TBitmap m;
  MakeMask(m, {".########.", "##########", "##########", "##########", "##########", "##########",
               "##########", "##########"});
  TksSkinGeometry g;
  g.SR = RECT{0, 0, 10, 8};
  g.LT = POINT{3, 3};
  g.RT = POINT{7, 3};
  g.LB = POINT{3, 6};
  g.RB = POINT{7, 6};
  g.CR = RECT{1, 2, 9, 7};
  g.Fit(30, 20);
  HRGN r = MakeNinePartRegion(g, 1, 30, 20, &m);
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(PtInRegion(r, 0, 0));
  EXPECT_FALSE(PtInRegion(r, 29, 0));
  EXPECT_TRUE(PtInRegion(r, 1, 0));
  EXPECT_TRUE(PtInRegion(r, 28, 0));
  EXPECT_TRUE(PtInRegion(r, 15, 10));  // client
  EXPECT_TRUE(PtInRegion(r, 0, 19));
  EXPECT_TRUE(PtInRegion(r, 29, 19));
  EXPECT_FALSE(PtInRegion(r, 30, 5));
  DeleteObject(r);
  // Crossed corners give no region.
  g.Fit(2, 2);
  EXPECT_EQ(MakeNinePartRegion(g, 1, 2, 2, &m), nullptr);
}
