// Canvas helpers: edge rectangles, hint boxes and colour tables of class-library bitmaps.
#include <gtest/gtest.h>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iehint.h"
#include "platform/vcl/graphics.h"

namespace {

TIERGBPixel At(TBitmap& b, int x, int y) { return static_cast<TIERGBPixel*>(b.ScanLine(y))[x]; }

TEST(CanvasHelpers, EdgeRectColours) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(20, 20);
  IEDrawEdgeRect(b.Canvas(), 2, 3, 0x0000FF, 0x00FF00, 12, 15);  // bottom-right red, top-left green
  EXPECT_EQ(At(b, 2, 8), (TIERGBPixel{0, 255, 0}));   // left edge
  EXPECT_EQ(At(b, 8, 3), (TIERGBPixel{0, 255, 0}));   // top edge
  EXPECT_EQ(At(b, 8, 12), (TIERGBPixel{0, 0, 255}));  // bottom edge
  EXPECT_EQ(At(b, 15, 8), (TIERGBPixel{0, 0, 255}));  // right edge
}

TEST(CanvasHelpers, HintBoxStaysInside) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(200, 100);
  TBitmap save;
  int x = -5, y = 10;
  IEDrawHintBox(b.Canvas(), x, y, 0x808080, 0xFFFFFF, 100, 200, &save, nullptr, nullptr, "Hint");
  EXPECT_EQ(x, 0);
  const int w = save.Width();
  EXPECT_EQ(w, b.Canvas()->TextWidth("Hint") + 12);
  x = 190;
  IEDrawHintBox(b.Canvas(), x, y, 0x808080, 0xFFFFFF, 100, 200, nullptr, nullptr, nullptr, "Hint");
  EXPECT_LT(x + w, 200);
}

TEST(CanvasHelpers, ColourTables) {
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(4, 4);
  IESetGrayPalette(&b);
  EXPECT_TRUE(IEIsGrayPalette(&b));
  TIEBitmap img(4, 4, ie8p);
  IECopyTBitmapPalette(&b, &img);
  EXPECT_EQ(img.GetPaletteEntry(77), (TIERGBPixel{77, 77, 77}));
}

}  // namespace
