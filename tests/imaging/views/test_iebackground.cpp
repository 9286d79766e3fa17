// The background painter: every style over a 24-bit image with a canvas, and the wallpaper.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/views/iebackground.h"

namespace {

constexpr TColor kRed = 0x0000FF;  // TColor: red in the low byte
constexpr TColor kBlue = 0xFF0000;

// A white 60 x 40 image in class-library storage, so that it has a canvas.
std::unique_ptr<TIEBitmap> Surface() {
  auto b = std::make_unique<TIEBitmap>();
  b->SetLocation(ieTBitmap);
  b->Allocate(60, 40, ie24RGB);
  b->Fill(0xFFFFFF);
  return b;
}

TIERGBPixel At(TIEBitmap* B, int x, int y) { return B->GetPixelRGB(x, y); }
bool Is(TIERGBPixel p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }

void Paint(TIEBitmap* B, TIEBackgroundStyle Style, bool WithBitmap = true, bool Designing = false,
           TPicture* Wall = nullptr, TIEWallPaperStyle WallStyle = iewoNormal) {
  IEDrawBackground(Designing, B->GetCanvas(), WithBitmap ? B : nullptr, Style, kRed, 0, 0, 60, 40,
                   10, 10, 40, 30, 16, bsSolid, kBlue, Wall, WallStyle);
}

TEST(IEBackground, SolidAndHatchedStylesFillWithTheColour) {
  auto b = Surface();
  Paint(b.get(), iebsSolid);
  EXPECT_TRUE(Is(At(b.get(), 1, 1), 255, 0, 0));
  EXPECT_TRUE(Is(At(b.get(), 59, 39), 255, 0, 0));
  for (TIEBackgroundStyle s :
       {iebsHorizontal, iebsVertical, iebsFDiagonal, iebsBDiagonal, iebsCross, iebsDiagCross}) {
    auto h = Surface();
    Paint(h.get(), s);
    int red = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) red += Is(At(h.get(), x, y), 255, 0, 0);
    EXPECT_GT(red, 40) << "hatch lines of style " << int(s);
    EXPECT_LT(red, 60 * 40) << "and gaps between them, style " << int(s);
  }
}

TEST(IEBackground, TheChessboardStartsWithAWholeSquareOfTheColour) {
  auto b = Surface();
  Paint(b.get(), iebsChessboard);
  EXPECT_TRUE(Is(At(b.get(), 0, 0), 255, 0, 0));
  EXPECT_TRUE(Is(At(b.get(), 15, 15), 255, 0, 0));
  EXPECT_TRUE(Is(At(b.get(), 16, 0), 0, 255, 255)) << "the complement";
  EXPECT_TRUE(Is(At(b.get(), 0, 16), 0, 255, 255));
  EXPECT_TRUE(Is(At(b.get(), 16, 16), 255, 0, 0));
  // Without the image the squares are rectangles of the canvas, starting with the complement.
  auto c = Surface();
  Paint(c.get(), iebsChessboard, false);
  EXPECT_TRUE(Is(At(c.get(), 0, 0), 0, 255, 255));
  EXPECT_TRUE(Is(At(c.get(), 16, 0), 255, 0, 0));
}

TEST(IEBackground, DiagonalsCroppedAndShadowStyles) {
  auto d = Surface();
  Paint(d.get(), iebsDiagonals);
  EXPECT_TRUE(Is(At(d.get(), 30, 5), 255, 0, 0));
  EXPECT_TRUE(Is(At(d.get(), 0, 0), 0, 255, 255)) << "the diagonal in the complement";

  auto c = Surface();
  Paint(c.get(), iebsCropped);
  const TIERGBPixel face = At(c.get(), 1, 1);
  EXPECT_FALSE(Is(face, 255, 0, 0)) << "the button face, not the colour";
  EXPECT_FALSE(Is(At(c.get(), 9, 20), face.r, face.g, face.b)) << "a sunken edge around the image";

  auto s = Surface();
  Paint(s.get(), iebsCropShadow);
  EXPECT_TRUE(Is(At(s.get(), 1, 1), 255, 0, 0));
  EXPECT_LT(At(s.get(), 41, 25).r, 255) << "shadow at the right of the image";
  EXPECT_LT(At(s.get(), 25, 31).r, 255) << "shadow below the image";

  auto soft = Surface();
  Paint(soft.get(), iebsSoftShadow);
  EXPECT_TRUE(Is(At(soft.get(), 1, 1), 255, 0, 0));
  EXPECT_LT(At(soft.get(), 41, 20).r, 250);
  auto none = Surface();
  Paint(none.get(), iebsSoftShadow, false);
  EXPECT_TRUE(Is(At(none.get(), 1, 1), 255, 255, 255)) << "without the image nothing is painted";

  auto design = Surface();
  Paint(design.get(), iebsCropped, true, true);
  EXPECT_TRUE(Is(At(design.get(), 9, 20), 255, 0, 0)) << "designing: a plain fill";
}

TEST(IEBackground, GradientAndPhotoLike) {
  auto g = Surface();
  Paint(g.get(), iebsGradient);
  EXPECT_GT(At(g.get(), 5, 0).r, 240);
  EXPECT_GT(At(g.get(), 5, 39).b, 240);
  EXPECT_GT(At(g.get(), 5, 20).r, 60);
  EXPECT_GT(At(g.get(), 5, 20).b, 60);

  auto p = Surface();
  Paint(p.get(), iebsPhotoLike);
  EXPECT_TRUE(Is(At(p.get(), 1, 1), 0xB0, 0xB0, 0xB0));
  EXPECT_TRUE(Is(At(p.get(), 9, 20), 0, 0, 0)) << "frame one pixel outside the image";
  EXPECT_TRUE(Is(At(p.get(), 10, 10), 255, 0, 0)) << "chessboard over the image";
  EXPECT_TRUE(Is(At(p.get(), 26, 10), 0, 255, 255));
}

TEST(IEBackground, TheWallpaperIsDrawnFromTheCorner) {
  TPicture wall;
  TBitmap* w = wall.Bitmap();
  w->SetPixelFormat(pf24bit);
  w->SetSize(8, 6);
  w->Canvas()->Brush()->SetColor(clLime);
  w->Canvas()->FillRect(RECT{0, 0, 8, 6});
  auto n = Surface();
  Paint(n.get(), iebsSolid, true, false, &wall, iewoNormal);
  EXPECT_TRUE(Is(At(n.get(), 7, 5), 0, 255, 0));
  EXPECT_TRUE(Is(At(n.get(), 8, 5), 255, 0, 0));
  auto t = Surface();
  Paint(t.get(), iebsSolid, true, false, &wall, iewoTile);
  EXPECT_TRUE(Is(At(t.get(), 59, 39), 0, 255, 0));
  auto s = Surface();
  Paint(s.get(), iebsSolid, true, false, &wall, iewoStretch);
  EXPECT_TRUE(Is(At(s.get(), 59, 39), 0, 255, 0));
  EXPECT_TRUE(Is(At(s.get(), 30, 20), 0, 255, 0));
}

}  // namespace
