// Blits and DIBs: raster operations, the monochrome rule, stretching modes, mirroring,
// transparency, alpha, DIB row order and conversions, palettes, PNG snapshots.
#include <cstring>
#include <vector>

#include "gdi_test_util.h"
#include "platform/win/gdi_drawdib.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

TEST(GdiBlit, BitBltCopiesAndClipsToTheSource) {
  TCanvasDC src(4, 4), dst(8, 8);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 3, 3, kBlue);
  ASSERT_TRUE(BitBlt(dst.dc, 2, 2, 4, 4, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(2, 2), kRed);
  EXPECT_EQ(dst.At(5, 5), kBlue);
  // The part of the source outside its bitmap is not drawn.
  TCanvasDC d2(8, 8);
  RECT all{0, 0, 8, 8};
  FillRect(d2.dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  BitBlt(d2.dc, 0, 0, 8, 8, src.dc, -2, -2, SRCCOPY);
  EXPECT_EQ(d2.At(2, 2), kRed);
  EXPECT_EQ(d2.At(1, 1), RGB(128, 128, 128));
  EXPECT_EQ(d2.At(6, 6), RGB(128, 128, 128));
}

TEST(GdiBlit, OverlappingBlitsWithinOneSurfaceScrollCorrectly) {
  // Each row y holds the grey level 10 * y; scrolling down by 2 and right by 1 shifts them.
  for (int dy : {2, -2}) {
    TCanvasDC c(6, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 6; ++x) SetPixel(c.dc, x, y, RGB(10 * y, 10 * x, 0));
    BitBlt(c.dc, 1, dy > 0 ? 2 : 0, 5, 6, c.dc, 0, dy > 0 ? 0 : 2, SRCCOPY);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 5; ++x) {
        int ty = (dy > 0 ? 2 : 0) + y, sy = (dy > 0 ? 0 : 2) + y;
        EXPECT_EQ(c.At(x + 1, ty), RGB(10 * sy, 10 * x, 0)) << dy << " " << x << "," << y;
      }
  }
}

TEST(GdiBlit, HostileSizesAndCoordinates) {
  TCanvasDC src(4, 4), dst(8, 8);
  SetPixel(src.dc, 1, 1, RGB(255, 0, 0));
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, 0, 4, SRCCOPY));  // empty source
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 0, 0, src.dc, 0, 0, SRCCOPY));              // nothing to do
  // Negative extents turn both rectangles around: the source becomes (-4, -4)..(0, 0), off
  // the bitmap, so nothing is drawn.
  EXPECT_TRUE(BitBlt(dst.dc, 4, 4, -4, -4, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.Count(RGB(255, 255, 255)), 64);
  EXPECT_TRUE(BitBlt(dst.dc, 4, 4, -4, -4, src.dc, 4, 4, SRCCOPY));
  EXPECT_EQ(dst.At(1, 1), RGB(255, 0, 0));
  // A destination a billion pixels wide shows only what lands on the surface.
  TCanvasDC big(8, 8);
  SetStretchBltMode(big.dc, COLORONCOLOR);
  EXPECT_TRUE(StretchBlt(big.dc, -1000000000, 0, 2000000000, 8, src.dc, 0, 0, 4, 4, SRCCOPY));
  SetStretchBltMode(big.dc, HALFTONE);
  EXPECT_TRUE(StretchBlt(big.dc, 0, -1000000000, 8, 2000000000, src.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP zero = CreateCompatibleBitmap(mem, 0, 0);
  BITMAP bm;
  ASSERT_EQ(GetObject(zero, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(zero);
  DeleteDC(mem);
}

TEST(GdiBlit, TernaryRasterOperations) {
  const COLORREF S = RGB(0xF0, 0x0F, 0x33), D = RGB(0xAA, 0x55, 0x0F), P = RGB(0xCC, 0x99, 0x66);
  struct Case { DWORD rop; uint32_t (*f)(uint32_t p, uint32_t s, uint32_t d); };
  const Case cases[] = {
      {SRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return s; }},
      {SRCAND, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
      {SRCPAINT, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
      {SRCINVERT, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
      {SRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; }},
      {NOTSRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
      {NOTSRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); }},
      {MERGECOPY, [](uint32_t p, uint32_t s, uint32_t) { return p & s; }},
      {MERGEPAINT, [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; }},
      {PATCOPY, [](uint32_t p, uint32_t, uint32_t) { return p; }},
      {PATPAINT, [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; }},
      {PATINVERT, [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; }},
      {DSTINVERT, [](uint32_t, uint32_t, uint32_t d) { return ~d; }},
      {BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
      {WHITENESS, [](uint32_t, uint32_t, uint32_t) { return ~0u; }},
      {0x00B8074A, [](uint32_t p, uint32_t s, uint32_t d) { return (s & p) | (~s & d); }},  // PSDPxax
      {0x00E20746, [](uint32_t p, uint32_t s, uint32_t d) { return (s & d) | (~s & p); }},  // DSPDxax
      {0x00960169, [](uint32_t p, uint32_t s, uint32_t d) { return p ^ s ^ d; }},          // DPSxx
  };
  for (const Case& k : cases) {
    TCanvasDC src(1, 1), dst(1, 1);
    SetPixel(src.dc, 0, 0, S);
    SetPixel(dst.dc, 0, 0, D);
    HBRUSH br = CreateSolidBrush(P);
    SelectObject(dst.dc, br);
    BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, k.rop);
    EXPECT_EQ(dst.At(0, 0), k.f(P, S, D) & 0xFFFFFF) << std::hex << k.rop;
    SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(br);
  }
}

TEST(GdiBlit, MonochromeSourceTakesTextAndBackgroundColours) {
  // Bits: 1 0 / 0 1 (rows are word-aligned).
  const uint8_t bits[] = {0x80, 0, 0x40, 0};
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, bits);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mdc, mono);
  TCanvasDC dst(2, 2);
  SetTextColor(dst.dc, kRed);
  SetBkColor(dst.dc, kBlue);
  BitBlt(dst.dc, 0, 0, 2, 2, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), kBlue);  // 1 -> background colour
  EXPECT_EQ(dst.At(1, 0), kRed);   // 0 -> text colour
  EXPECT_EQ(dst.At(1, 1), kBlue);
  SelectObject(mdc, old);
  DeleteObject(mono);
  DeleteDC(mdc);
}

TEST(GdiBlit, ColourToMonochromeMakesTheBackgroundColourWhite) {
  TCanvasDC src(3, 1);
  SetPixel(src.dc, 0, 0, kGreen);
  SetPixel(src.dc, 1, 0, kRed);
  SetBkColor(src.dc, kGreen);
  HDC mdc = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(mdc, 3, 1);  // a fresh memory DC is monochrome
  BITMAP info;
  GetObject(mono, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  HGDIOBJ old = SelectObject(mdc, mono);
  BitBlt(mdc, 0, 0, 3, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(mdc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mdc, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mdc, 2, 0), RGB(0, 0, 0));  // white is not the background colour here
  SelectObject(mdc, old);
  DeleteObject(mono);
  DeleteDC(mdc);
}

TEST(GdiBlit, MaskAndImageMakeATransparentBlit) {
  // The classic two-step: AND the mask (white = keep background), then OR the image whose
  // transparent part is black.
  TCanvasDC image(2, 1), dst(2, 1);
  SetPixel(image.dc, 0, 0, kRed);
  SetPixel(image.dc, 1, 0, RGB(0, 0, 0));
  const uint8_t bits[] = {0x40, 0};  // pixel 0 opaque (0), pixel 1 transparent (1)
  HBITMAP mask = CreateBitmap(2, 1, 1, 1, bits);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mdc, mask);
  SetPixel(dst.dc, 1, 0, kBlue);
  SetTextColor(dst.dc, RGB(0, 0, 0));
  SetBkColor(dst.dc, RGB(255, 255, 255));
  BitBlt(dst.dc, 0, 0, 2, 1, mdc, 0, 0, SRCAND);
  BitBlt(dst.dc, 0, 0, 2, 1, image.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(dst.At(0, 0), kRed);
  EXPECT_EQ(dst.At(1, 0), kBlue);
  // MaskBlt does the same in one call: mask 1 -> foreground (keep), 0 -> background (copy).
  TCanvasDC d2(2, 1);
  SetPixel(d2.dc, 1, 0, kBlue);
  MaskBlt(d2.dc, 0, 0, 2, 1, image.dc, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY));
  EXPECT_EQ(d2.At(0, 0), kRed);
  EXPECT_EQ(d2.At(1, 0), kBlue);
  SelectObject(mdc, old);
  DeleteObject(mask);
  DeleteDC(mdc);
}

TEST(GdiBlit, StretchDuplicatesAndDropsPixels) {
  TCanvasDC src(2, 1), big(4, 2), small(1, 1);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 1, 0, kBlue);
  SetStretchBltMode(big.dc, COLORONCOLOR);
  StretchBlt(big.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(big.Art({0, 0, 4, 2}, {{kRed, 'r'}, {kBlue, 'b'}}), Pic({"rrbb", "rrbb"}));
  SetStretchBltMode(small.dc, COLORONCOLOR);
  StretchBlt(small.dc, 0, 0, 1, 1, big.dc, 0, 0, 4, 2, SRCCOPY);
  EXPECT_TRUE(small.At(0, 0) == kRed || small.At(0, 0) == kBlue);
}

TEST(GdiBlit, NegativeExtentsMirror) {
  TCanvasDC src(3, 2), dst(3, 2);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 2, 1, kBlue);
  std::map<COLORREF, char> legend{{kRed, 'r'}, {kBlue, 'b'}, {RGB(255, 255, 255), '.'}};
  // A negative extent runs from the given corner back over [x + w, x), as any rectangle does.
  StretchBlt(dst.dc, 3, 0, -3, 2, src.dc, 0, 0, 3, 2, SRCCOPY);  // destination mirrored in x
  EXPECT_EQ(dst.Art({0, 0, 3, 2}, legend), Pic({"..r", "b.."}));
  TCanvasDC d2(3, 2);
  StretchBlt(d2.dc, 0, 0, 3, 2, src.dc, 0, 2, 3, -2, SRCCOPY);  // source mirrored in y
  EXPECT_EQ(d2.Art({0, 0, 3, 2}, legend), Pic({"..b", "r.."}));
  TCanvasDC d3(3, 2);
  SetStretchBltMode(d3.dc, HALFTONE);
  StretchBlt(d3.dc, 3, 2, -3, -2, src.dc, 0, 0, 3, 2, SRCCOPY);  // both: a half turn
  EXPECT_EQ(d3.Art({0, 0, 3, 2}, legend), Pic({"b..", "..r"}));
}

TEST(GdiBlit, HalftoneAveragesTheCoveredPixels) {
  TCanvasDC src(4, 2), dst(2, 1);
  COLORREF px[2][4] = {{RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(255, 0, 0)},
                       {RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0)}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, y, px[y][x]);
  SetStretchBltMode(dst.dc, HALFTONE);
  StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), RGB(128, 128, 128));  // (0 + 255 + 255 + 0) / 4 rounded
  EXPECT_EQ(dst.At(1, 0), RGB(191, 0, 64));
  // BLACKONWHITE keeps thin black lines when shrinking.
  TCanvasDC line(4, 1), thin(1, 1);
  SetPixel(line.dc, 2, 0, RGB(0, 0, 0));
  SetStretchBltMode(thin.dc, BLACKONWHITE);
  StretchBlt(thin.dc, 0, 0, 1, 1, line.dc, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(thin.At(0, 0), RGB(0, 0, 0));
}

TEST(GdiBlit, TransparentBltSkipsTheTransparentColour) {
  TCanvasDC src(2, 1), dst(4, 2);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 1, 0, kGreen);
  SetPixel(dst.dc, 3, 1, kBlue);
  ASSERT_TRUE(TransparentBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, kGreen));
  EXPECT_EQ(dst.At(1, 1), kRed);
  EXPECT_EQ(dst.At(2, 0), RGB(255, 255, 255));
  EXPECT_EQ(dst.At(3, 1), kBlue);
}

TEST(GdiBlit, AlphaBlendConstantAndPerPixel) {
  TCanvasDC src(2, 1), dst(2, 1);
  SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(dst.dc, 0, 0, RGB(0, 0, 255));
  BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  ASSERT_TRUE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, half));
  EXPECT_EQ(dst.At(0, 0), RGB(128, 0, 127));
  // Premultiplied per-pixel alpha: 50% green over white.
  src.bits[1] = 0x80008000;  // A=128, G=128 (premultiplied)
  BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(AlphaBlend(dst.dc, 1, 0, 1, 1, src.dc, 1, 0, 1, 1, perPixel));
  EXPECT_EQ(dst.At(1, 0), RGB(127, 255, 127));
  EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 1, 0, 2, 1, half));  // source out of bounds
}

// ---- DIBs ----

TEST(GdiDib, BottomUpDibsStoreTheirLastRowFirst) {
  // Two rows of a 24-bit DIB: memory row 0 red, memory row 1 blue.
  uint8_t bits[2][4] = {{0, 0, 255, 0}, {255, 0, 0, 0}};
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  TCanvasDC dst(1, 2);
  StretchDIBits(dst.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), kBlue);  // bottom-up: the first memory row is the bottom
  EXPECT_EQ(dst.At(0, 1), kRed);
  bi.bmiHeader.biHeight = -2;
  StretchDIBits(dst.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), kRed);
  // SRCINVERT through StretchDIBits.
  StretchDIBits(dst.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, &bi, DIB_RGB_COLORS, SRCINVERT);
  EXPECT_EQ(dst.At(0, 0), RGB(0, 0, 0));
}

TEST(GdiDib, MonochromeMaskInvertsThroughStretchDIBits) {
  // A 1-bit bottom-up mask, 8x4, with its colour table black/white; stored rows bottom first.
  // Picture rows (top first): 11110000, 00000000, 00001111, 10000001.
  const uint8_t rows[4][4] = {{0x81, 0, 0, 0}, {0x0F, 0, 0, 0}, {0x00, 0, 0, 0}, {0xF0, 0, 0, 0}};
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD c[2];
  } bi{{sizeof(BITMAPINFOHEADER), 8, 4, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  TCanvasDC c(8, 4);
  RECT all{0, 0, 8, 4};
  HBRUSH grey = CreateSolidBrush(RGB(100, 150, 200));
  FillRect(c.dc, &all, grey);
  DeleteObject(grey);
  // The lower half of the picture (rows 2..3), source y measured from the bottom.
  int ySrc = 4 - 2 - 2;
  StretchDIBits(c.dc, 0, 2, 8, 2, 0, ySrc, 8, 2, rows, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, SRCINVERT);
  const COLORREF g = RGB(100, 150, 200), inv = RGB(155, 105, 55);
  EXPECT_EQ(c.Art(all, {{g, '.'}, {inv, '#'}}), Pic({"........", "........", "....####", "#......#"}));
  // Again: inverting twice restores.
  StretchDIBits(c.dc, 0, 2, 8, 2, 0, ySrc, 8, 2, rows, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, SRCINVERT);
  EXPECT_EQ(c.Count(g), 32);
}

TEST(GdiDib, DrawDibDrawsDibMemoryAtFullSizeOrStretched) {
  // Bottom-up 2x2 8-bit DIB: stored rows bottom first; picture: top row red blue, bottom green.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD c[3];
  } bi{{sizeof(BITMAPINFOHEADER), 2, 2, 1, 8, BI_RGB, 0, 0, 0, 3, 0}, {{0, 0, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}}};
  const uint8_t bits[2][4] = {{2, 2, 0, 0}, {0, 1, 0, 0}};
  HDRAWDIB dd = DrawDibOpen();
  ASSERT_NE(dd, nullptr);
  TCanvasDC c(4, 4);
  ASSERT_TRUE(DrawDibDraw(dd, c.dc, 0, 0, -1, -1, &bi.h, bits, 0, 0, -1, -1, 0));
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(1, 1), RGB(0, 255, 0));
  // The top row only (source y from the top), stretched over the whole canvas.
  ASSERT_TRUE(DrawDibDraw(dd, c.dc, 0, 0, 4, 4, &bi.h, bits, 0, 0, 2, 1, 0));
  EXPECT_EQ(c.At(0, 3), RGB(255, 0, 0));
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 255));
  EXPECT_FALSE(DrawDibDraw(nullptr, c.dc, 0, 0, -1, -1, &bi.h, bits, 0, 0, -1, -1, 0));
  EXPECT_TRUE(DrawDibClose(dd));
}

TEST(GdiDib, SetDIBitsToDeviceCountsSourceRowsFromTheBottom) {
  uint8_t bits[3][4] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};  // bottom: red, green, top: blue
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  TCanvasDC dst(1, 1);
  SetDIBitsToDevice(dst.dc, 0, 0, 1, 1, 0, 0, 0, 3, bits, &bi, DIB_RGB_COLORS);
  EXPECT_EQ(dst.At(0, 0), kRed);  // source (0,0) is the lower-left corner
  SetDIBitsToDevice(dst.dc, 0, 0, 1, 1, 0, 2, 0, 3, bits, &bi, DIB_RGB_COLORS);
  EXPECT_EQ(dst.At(0, 0), kBlue);
}

TEST(GdiDib, GetAndSetDIBitsRoundTripEveryDepth) {
  // A 5x3 picture of palette-friendly colours.
  const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 255, 0)};
  TCanvasDC src(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) SetPixel(src.dc, x, y, colours[(x + y) % 5]);
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    for (int height : {3, -3}) {
      struct {
        BITMAPINFOHEADER h;
        RGBQUAD pal[256];
      } bi{};
      bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
      std::vector<uint8_t> buf(static_cast<size_t>(((5 * bpp + 31) / 32) * 4 * 3));
      ASSERT_EQ(GetDIBits(src.dc, src.bm, 0, 3, buf.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS), 3) << bpp;
      TCanvasDC back(5, 3);
      ASSERT_EQ(SetDIBits(back.dc, back.bm, 0, 3, buf.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS), 3);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
          COLORREF want = colours[(x + y) % 5];
          if (bpp == 1) continue;  // colours collapse to black and white; checked below
          EXPECT_EQ(back.At(x, y), want) << bpp << " " << height << " " << x << "," << y;
        }
      if (bpp == 1) {
        EXPECT_EQ(back.At(0, 0), RGB(0, 0, 0));
        EXPECT_EQ(back.At(1, 0), RGB(255, 255, 255));
      }
    }
  }
}

TEST(GdiDib, GetDIBitsAnswersHeaderQueries) {
  TCanvasDC src(7, 5);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_NE(GetDIBits(src.dc, src.bm, 0, 0, nullptr, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(bi.bmiHeader.biWidth, 7);
  EXPECT_EQ(bi.bmiHeader.biHeight, 5);
  EXPECT_EQ(bi.bmiHeader.biBitCount, 32);
  EXPECT_EQ(bi.bmiHeader.biSizeImage, 7u * 4 * 5);
}

TEST(GdiDib, DibSectionsDrawInTheirOwnDepthAndOrder) {
  for (bool topDown : {true, false}) {
    TCanvasDC c(4, 2, 24, topDown);
    SetPixel(c.dc, 1, 0, kRed);
    DIBSECTION ds;
    ASSERT_EQ(GetObject(c.bm, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
    auto* mem = static_cast<uint8_t*>(ds.dsBm.bmBits);
    const uint8_t* row0 = topDown ? mem : mem + 12;  // bottom-up: the top row is stored last
    EXPECT_EQ(row0[3], 0);
    EXPECT_EQ(row0[4], 0);
    EXPECT_EQ(row0[5], 255) << topDown;
  }
  TCanvasDC grey(3, 1, 8);
  SetPixel(grey.dc, 0, 0, RGB(100, 100, 100));
  SetPixel(grey.dc, 1, 0, RGB(200, 10, 10));
  EXPECT_EQ(reinterpret_cast<uint8_t*>(grey.bits)[0], 100);
  EXPECT_EQ(grey.At(1, 0), RGB(73, 73, 73));  // the nearest grey
}

TEST(GdiDib, SixteenBitDibsKeepFiveBitsPerChannel) {
  struct {
    BITMAPINFOHEADER h;
    DWORD masks[3];
  } bi{{sizeof(BITMAPINFOHEADER), 2, -1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0}, {0xF800, 0x07E0, 0x001F}};
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bm, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  SetPixel(dc, 0, 0, RGB(255, 255, 255));
  SetPixel(dc, 1, 0, RGB(0, 128, 0));
  EXPECT_EQ(static_cast<uint16_t*>(bits)[0], 0xFFFF);
  EXPECT_EQ(static_cast<uint16_t*>(bits)[1], 32 << 5);  // 565: six bits of green
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 130, 0));
  SelectObject(dc, old);
  DeleteObject(bm);
  DeleteDC(dc);
}

TEST(GdiDib, MalformedHeadersAreRefused) {
  BITMAPINFO bi{};
  void* bits = nullptr;
  const BITMAPINFOHEADER bad[] = {
      {sizeof(BITMAPINFOHEADER), 0, 5, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
      {sizeof(BITMAPINFOHEADER), 5, 0, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
      {sizeof(BITMAPINFOHEADER), 5, 5, 1, 7, BI_RGB, 0, 0, 0, 0, 0},
      {sizeof(BITMAPINFOHEADER), 5, 5, 1, 8, BI_RLE8, 0, 0, 0, 0, 0},
      {sizeof(BITMAPINFOHEADER), 1 << 20, 1 << 20, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
      {12, 5, 5, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
  };
  for (const BITMAPINFOHEADER& h : bad) {
    bi.bmiHeader = h;
    EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
  EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(-3, 5, 1, 32, nullptr), nullptr);
}

TEST(GdiDib, PalettesFindTheNearestEntry) {
  struct {
    WORD version, count;
    PALETTEENTRY e[3];
  } lp{0x300, 3, {{0, 0, 0, 0}, {250, 10, 10, 0}, {20, 20, 240, 0}}};
  HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(255, 0, 0)), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(0, 0, 200)), 2u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(30, 30, 30)), 0u);
  PALETTEENTRY e[3];
  EXPECT_EQ(GetPaletteEntries(pal, 1, 5, e), 2u);
  EXPECT_EQ(e[0].peRed, 250);
  DeleteObject(pal);
}

TEST(GdiSnapshot, PngRoundTripKeepsEveryPixel) {
  TTempDir tmp;
  TCanvasDC c(9, 7);
  Ellipse(c.dc, 1, 1, 8, 6);
  SetPixel(c.dc, 0, 6, RGB(12, 34, 56));
  std::string path = (tmp.path / "snap.png").string();
  ASSERT_TRUE(SaveDCToPng(c.dc, path));
  HBITMAP back = LoadPngToBitmap(path);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(ComparePixels(*GetBitmapSurface(c.bm), *GetBitmapSurface(back), 0), 0);
  DeleteObject(back);
  EXPECT_EQ(LoadPngToBitmap((tmp.path / "missing.png").string()), nullptr);
}

TEST(GdiDib, CreateDIBitmapTakesTheBitsInEitherRowOrder) {
  // A 2x2 24-bit picture: blue, white over red, green. Bottom-up stores the last row first.
  const uint8_t topRow[8] = {255, 0, 0, 255, 255, 255, 0, 0};
  const uint8_t bottomRow[8] = {0, 0, 255, 0, 255, 0, 0, 0};
  for (int height : {2, -2}) {
    uint8_t bits[16];
    std::memcpy(bits, height > 0 ? bottomRow : topRow, 8);
    std::memcpy(bits + 8, height > 0 ? topRow : bottomRow, 8);
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    TCanvasDC screen(1, 1);
    HBITMAP bm = CreateDIBitmap(screen.dc, &bi.bmiHeader, CBM_INIT, bits, &bi, DIB_RGB_COLORS);
    ASSERT_NE(bm, nullptr) << height;
    BITMAP info{};
    ASSERT_NE(GetObject(bm, sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmHeight, 2);  // the bitmap's own height is positive whatever the row order
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255)) << height;
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255)) << height;
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0)) << height;
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 255, 0)) << height;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bm);
  }
  // Without CBM_INIT only the size is taken; no header is refused.
  BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 3, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP empty = CreateDIBitmap(nullptr, &h, 0, nullptr, nullptr, DIB_RGB_COLORS);
  ASSERT_NE(empty, nullptr);
  BITMAP info{};
  GetObject(empty, sizeof(info), &info);
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 4);
  DeleteObject(empty);
  EXPECT_EQ(CreateDIBitmap(nullptr, nullptr, 0, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
}

TEST(GdiDib, PackedDibSectionsStoreIndicesHighBitsFirstInEitherRowOrder) {
  // 1 and 4 bits per pixel, both row orders: a red pixel at (1,0) of a 3x2 section is stored as
  // the palette index of red in the second pixel slot of the top row.
  for (int bpp : {1, 4}) {
    for (bool topDown : {true, false}) {
      struct {
        BITMAPINFOHEADER h;
        RGBQUAD pal[16];
      } bi{};
      bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, topDown ? -2 : 2, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
      bi.pal[0] = RGBQUAD{255, 255, 255, 0};  // white
      bi.pal[1] = RGBQUAD{0, 0, 255, 0};      // red
      for (int i = 2; i < 16; ++i) bi.pal[i] = RGBQUAD{static_cast<BYTE>(i * 10), 0, 0, 0};
      if (bpp == 4) {  // red at index 5, so the nibble shows the index rather than a 1
        bi.pal[5] = RGBQUAD{0, 0, 255, 0};
        bi.pal[1] = RGBQUAD{0, 255, 0, 0};
      }
      void* p = nullptr;
      HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &p, nullptr, 0);
      ASSERT_NE(bm, nullptr);
      std::memset(p, 0, 8);  // every pixel white (index 0)
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, bm);
      SetPixel(dc, 1, 0, kRed);
      auto* mem = static_cast<uint8_t*>(p);
      const uint8_t* top = topDown ? mem : mem + 4;
      const uint8_t* bottom = topDown ? mem + 4 : mem;
      if (bpp == 1)
        EXPECT_EQ(top[0], 0x40) << topDown;
      else
        EXPECT_EQ(top[0], 0x05) << topDown;
      EXPECT_EQ(bottom[0], 0) << bpp << " " << topDown;
      EXPECT_EQ(GetPixel(dc, 1, 0), kRed);
      EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
      EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(bm);
    }
  }
}

}  // namespace
