// The anti-aliased canvas: drawing with and without the anti-aliased interface, pens and brushes,
// the ellipse rectangle rule and the load count.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/core/iestreams.h"
#include "imaging/views/iegdiplus.h"
#include "platform/vcl/graphics.h"

namespace {

std::unique_ptr<TBitmap> WhiteBitmap(int W = 40, int H = 40) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(clWhite);
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  return b;
}

// Pixels that are neither white nor black: the soft edge of anti-aliased drawing.
int GreyPixels(TBitmap* B) {
  int n = 0;
  for (int y = 0; y < B->Height(); ++y)
    for (int x = 0; x < B->Width(); ++x) {
      COLORREF c = B->Canvas()->Pixels(x, y);
      int r = GetRValue(c);
      if (r > 20 && r < 235) ++n;
    }
  return n;
}

bool SameBitmaps(TBitmap* A, TBitmap* B) {
  for (int y = 0; y < A->Height(); ++y)
    for (int x = 0; x < A->Width(); ++x)
      if (A->Canvas()->Pixels(x, y) != B->Canvas()->Pixels(x, y)) return false;
  return true;
}

// Loads the interface for the test's duration.
struct TLoaded {
  TLoaded() { GdiPlusLoad(); }
  ~TLoaded() { GdiPlusUnload(); }
};

TEST(IECanvasLoad, TheInterfaceIsCountedAndOnlyUsableWhileLoaded) {
  IEGdiPlusInit();
  EXPECT_FALSE(IEGdiPlusUsable());
  GdiPlusLoad();
  GdiPlusLoad();
  EXPECT_TRUE(IEGdiPlusLoaded());
  GdiPlusUnload();
  EXPECT_TRUE(IEGdiPlusUsable()) << "still one holder";
  GdiPlusUnload();
  EXPECT_FALSE(IEGdiPlusLoaded());
  IESetGdiPlusAllowed(false);
  GdiPlusLoad();
  EXPECT_FALSE(IEGdiPlusUsable()) << "not allowed: never loaded";
  GdiPlusUnload();
  IEGdiPlusInit();
}

TEST(IECanvasDraw, WithoutTheInterfaceARoundedRectangleIsTheCanvasOne) {
  auto a = WhiteBitmap(), b = WhiteBitmap();
  {
    TIECanvas c(a->Canvas(), true, true);
    EXPECT_FALSE(c.UsesGdiPlus());
    c.Pen()->SetColor(clBlack);
    c.Brush()->SetStyle(bsClear);
    c.RoundRect(5, 5, 30, 30, 4, 4);
  }
  b->Canvas()->Pen()->SetColor(clBlack);
  b->Canvas()->Brush()->SetStyle(bsClear);
  b->Canvas()->RoundRect(5, 5, 30, 30, 4, 4);
  EXPECT_TRUE(SameBitmaps(a.get(), b.get()));
  EXPECT_EQ(GreyPixels(a.get()), 0);
}

TEST(IECanvasDraw, WithTheInterfaceARoundedRectangleIsAntiAliased) {
  TLoaded loaded;
  auto a = WhiteBitmap();
  TIECanvas c(a->Canvas(), true, true);
  ASSERT_TRUE(c.UsesGdiPlus());
  c.Pen()->SetColor(clBlack);
  c.Brush()->SetStyle(bsClear);
  c.RoundRect(5, 5, 30, 30, 8, 8);
  EXPECT_GT(GreyPixels(a.get()), 4) << "soft edges at the corners";
  // A clear brush draws only the outline: the middle stays white.
  EXPECT_EQ(a->Canvas()->Pixels(17, 17), RGB(255, 255, 255));
  EXPECT_EQ(c.Brush()->GetARGB() >> 24, 0u);
}

TEST(IECanvasDraw, AClearPenStaysTransparentUntilItsColourIsSetAgain) {
  TLoaded loaded;
  auto a = WhiteBitmap();
  TIECanvas c(a->Canvas(), true, false);
  c.Pen()->SetColor(clBlack);
  c.Pen()->SetStyle(psClear);
  c.Pen()->SetStyle(psSolid);
  c.Line(2, 10, 38, 10);
  EXPECT_EQ(a->Canvas()->Pixels(20, 10), RGB(255, 255, 255));
  c.Pen()->SetColor(clBlack);
  c.Line(2, 10, 38, 10);
  EXPECT_NE(a->Canvas()->Pixels(20, 10), RGB(255, 255, 255));
}

TEST(IECanvasDraw, TranslucentFillBlendsWithWhatIsBelow) {
  TLoaded loaded;
  auto a = WhiteBitmap();
  TIECanvas c(a->Canvas(), true, true);
  c.Brush()->SetColor(clBlack);
  c.Brush()->SetTransparency(128);
  c.FillRect(RECT{0, 0, 20, 20});
  const int r = GetRValue(a->Canvas()->Pixels(5, 5));
  EXPECT_GT(r, 100);
  EXPECT_LT(r, 160);
}

TEST(IECanvasDraw, TextIsTheSameWithAndWithoutTheInterface) {
  auto a = WhiteBitmap(80, 30), b = WhiteBitmap(80, 30);
  {
    TIECanvas c(a->Canvas(), false, true);
    c.GetFont()->SetName("Arial");
    c.TextOut(2, 2, "Photo 12");
    EXPECT_GT(c.TextWidth("Photo 12"), 20);
  }
  TLoaded loaded;
  {
    TIECanvas c(b->Canvas(), true, true);
    c.GetFont()->SetName("Arial");
    c.TextOut(2, 2, "Photo 12");
  }
  EXPECT_TRUE(SameBitmaps(a.get(), b.get()));
}

TEST(IECanvasDraw, ACanvasWithoutPixelsCannotTakeTheInterface) {
  TLoaded loaded;
  TMetafile mf;
  TMetafileCanvas mc(&mf, nullptr);
  try {
    TIECanvas c(&mc, true, true);
    FAIL() << "no exception";
  } catch (EIEException& e) {
    EXPECT_EQ(std::string(e.Message()), "Cannot create TIECanvas. GdipCreateFromHDC failed.");
  }
}

TEST(IECanvasEllipse, ThePenWidthAdjustsOnlyDegenerateRectangles) {
  struct Case {
    int x1, y1, x2, y2;
    float w;
    int ex1, ey1, ex2, ey2;
  };
  const Case cases[] = {
      {10, 10, 30, 20, 1, 10, 10, 30, 20},  // width 1: unchanged
      {10, 10, 30, 20, 4, 10, 10, 30, 20},  // wide enough: unchanged
      {10, 10, 10, 20, 4, 8, 10, 12, 20},   // zero width: x2 = x1 + 2, then x1 shifted back by 2
      {10, 10, 30, 10, 4, 10, 8, 30, 12},   // zero height likewise
  };
  for (const Case& c : cases) {
    int x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
    IEAdjustEllipseRect(x1, y1, x2, y2, c.w);
    EXPECT_EQ(x1, c.ex1) << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2 << " w" << c.w;
    EXPECT_EQ(y1, c.ey1);
    EXPECT_EQ(x2, c.ex2);
    EXPECT_EQ(y2, c.ey2);
  }
}

}  // namespace
