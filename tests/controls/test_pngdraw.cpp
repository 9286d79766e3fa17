// The PNG picture on screen: opaque, colour-keyed and alpha-blended drawing, the key colour,
// the palette, conversions to and from bitmaps and the clipboard, and pixel access.
#include <gtest/gtest.h>

#include "controls/pnglang.h"
#include "platform/win/winuser.h"
#include "tests/controls/pngtest.h"

namespace {

// A 32-bit bitmap of W x H filled with Background, to draw pictures on.
std::unique_ptr<TBitmap> Target(int W, int H, COLORREF Background) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(TColor(Background));
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  return b;
}
COLORREF PixelAt(TBitmap& B, int X, int Y) { return static_cast<COLORREF>(B.Canvas()->Pixels(X, Y)); }

TBytes Rows(std::initializer_list<TBytes> RowList) {
  TBytes raw;
  for (const TBytes& r : RowList) {
    raw.push_back(0);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  return raw;
}
TBytes Image(uint32_t W, uint32_t H, uint8_t Depth, uint8_t ColorType, const TBytes& Raw,
             std::initializer_list<TBytes> Extra = {}) {
  TBytes out = Signature();
  const TBytes head = Chunk("IHDR", IhdrData(W, H, Depth, ColorType));
  out.insert(out.end(), head.begin(), head.end());
  for (const TBytes& c : Extra) out.insert(out.end(), c.begin(), c.end());
  for (const TBytes& c : {Chunk("IDAT", Deflate(Raw)), Chunk("IEND", {})})
    out.insert(out.end(), c.begin(), c.end());
  return out;
}
TPNGObject& Load(TPNGObject& P, const TBytes& Bytes) {
  LoadBytes(P, Bytes);
  return P;
}

TEST(PngDrawing, AlphaPicturesBlendAtTheirOwnSizeAtTheRectanglesCorner) {
  // 3 x 1 RGBA: transparent red, opaque green, half-transparent blue.
  TPNGObject p;
  Load(p, Image(3, 1, 8, 6, Rows({{255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 128}})));
  auto t = Target(20, 10, RGB(200, 200, 200));
  t->Canvas()->StretchDraw(RECT{5, 2, 19, 9}, &p);
  EXPECT_EQ(PixelAt(*t, 5, 2), RGB(200, 200, 200));
  EXPECT_EQ(PixelAt(*t, 6, 2), RGB(0, 255, 0));
  // (a * s + (255 - a) * d + 255) div 256: (128 * 255 + 127 * 200 + 255) div 256 = 227
  EXPECT_EQ(PixelAt(*t, 7, 2), RGB(100, 100, 227));
  // Only the picture's own size is drawn.
  EXPECT_EQ(PixelAt(*t, 8, 2), RGB(200, 200, 200));
  EXPECT_EQ(PixelAt(*t, 6, 3), RGB(200, 200, 200));
}

TEST(PngDrawing, OpaquePicturesAreStretchedToTheRectangle) {
  TPNGObject p;
  Load(p, Image(2, 2, 8, 2, Rows({{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}})));
  EXPECT_FALSE(p.Transparent());
  auto t = Target(10, 10, RGB(1, 2, 3));
  t->Canvas()->StretchDraw(RECT{1, 1, 5, 5}, &p);
  EXPECT_EQ(PixelAt(*t, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(*t, 2, 2), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(*t, 4, 1), RGB(0, 255, 0));
  EXPECT_EQ(PixelAt(*t, 1, 4), RGB(0, 0, 255));
  EXPECT_EQ(PixelAt(*t, 4, 4), RGB(255, 255, 255));
  EXPECT_EQ(PixelAt(*t, 5, 5), RGB(1, 2, 3));
}

TEST(PngDrawing, APaletteEntryWithAlphaZeroIsKeyedAndPartlyTransparentOnesBlend) {
  const TBytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  const TBytes raw = Rows({{0, 1, 2}});
  // One entry at 0: the picture is keyed, and stretching keeps the key.
  TPNGObject keyed;
  Load(keyed, Image(3, 1, 8, 3, raw, {Chunk("PLTE", plte), Chunk("tRNS", {255, 0})}));
  EXPECT_EQ(keyed.TransparencyKind(), ptmBit);
  EXPECT_EQ(keyed.KeyColor(), TColor(RGB(0, 255, 0)));
  auto t = Target(12, 4, RGB(9, 9, 9));
  t->Canvas()->StretchDraw(RECT{0, 0, 12, 4}, &keyed);
  EXPECT_EQ(PixelAt(*t, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(*t, 5, 1), RGB(9, 9, 9));
  EXPECT_EQ(PixelAt(*t, 10, 3), RGB(0, 0, 255));
  // An entry at 128 blends it, it is not keyed out.
  TPNGObject half;
  Load(half, Image(3, 1, 8, 3, raw, {Chunk("PLTE", plte), Chunk("tRNS", {255, 128})}));
  EXPECT_EQ(half.TransparencyKind(), ptmPartial);
  auto u = Target(3, 1, RGB(0, 0, 0));
  u->Canvas()->Draw(0, 0, &half);
  EXPECT_EQ(PixelAt(*u, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(*u, 1, 0), RGB(0, 128, 0));
}

TEST(PngDrawing, GreyAndRgbKeysMatchTheDrawnColours) {
  // An 8-bit grey image keying level 100, and a 16-bit RGB image keying (0x10, 0x20, 0x30).
  TPNGObject grey;
  Load(grey, Image(2, 1, 8, 0, Rows({{100, 50}}), {Chunk("tRNS", {0, 100})}));
  EXPECT_EQ(grey.KeyColor(), TColor(RGB(100, 100, 100)));
  auto t = Target(2, 1, RGB(7, 7, 7));
  t->Canvas()->Draw(0, 0, &grey);
  EXPECT_EQ(PixelAt(*t, 0, 0), RGB(7, 7, 7));
  EXPECT_EQ(PixelAt(*t, 1, 0), RGB(50, 50, 50));
  TPNGObject rgb;
  Load(rgb, Image(2, 1, 16, 2, Rows({{0x10, 1, 0x20, 2, 0x30, 3, 0x90, 0, 0x90, 0, 0x90, 0}}),
                  {Chunk("tRNS", {0x10, 1, 0x20, 2, 0x30, 3})}));
  EXPECT_EQ(rgb.KeyColor(), TColor(RGB(0x10, 0x20, 0x30)));
  auto u = Target(2, 1, RGB(7, 7, 7));
  u->Canvas()->Draw(0, 0, &rgb);
  EXPECT_EQ(PixelAt(*u, 0, 0), RGB(7, 7, 7));
  EXPECT_EQ(PixelAt(*u, 1, 0), RGB(0x90, 0x90, 0x90));
  // Low-depth grey keys are spread over 0..255 like the pixels: a 1-bit key of 1 is white.
  TPNGObject bits;
  Load(bits, Image(8, 1, 1, 0, Rows({{0xF0}}), {Chunk("tRNS", {0, 1})}));
  EXPECT_EQ(bits.KeyColor(), TColor(RGB(255, 255, 255)));
}

TEST(PngDrawing, PicturesWithoutAHeaderDrawNothingAndRefuseWhatNeedsOne) {
  TPNGObject p;
  auto t = Target(4, 4, RGB(3, 3, 3));
  t->Canvas()->Draw(0, 0, &p);
  EXPECT_EQ(PixelAt(*t, 0, 0), RGB(3, 3, 3));
  EXPECT_EQ(p.KeyColor(), 0);
  EXPECT_EQ(p.PixelAt(0, 0), 0);
  EXPECT_FALSE(p.Transparent());
  EXPECT_THROW(p.TransparencyKind(), EPNGHeaderNotPresent);
  EXPECT_THROW(p.GetTransparent(), EPNGHeaderNotPresent);
  EXPECT_THROW(p.GetPalette(), EPNGHeaderNotPresent);
  EXPECT_THROW(p.RowPointer(0), EPNGHeaderNotPresent);
  try {
    p.SetWidth(5);
    ADD_FAILURE() << "no exception";
  } catch (const EPngError& e) {
    EXPECT_EQ(e.Message(), pnglang::CannotChangeSizeText);
  }
  EXPECT_THROW(p.SetHeight(5), EPngError);
}

TEST(PngDrawing, PixelsReadAndWriteInsideTheImageOnly) {
  TBytes row(400 * 3);
  for (int x = 0; x < 400; ++x) {
    row[3 * x] = uint8_t(x);
    row[3 * x + 1] = 7;
    row[3 * x + 2] = uint8_t(x / 2);
  }
  TBytes raw;
  for (int y = 0; y < 20; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  TPNGObject p;
  Load(p, Image(400, 20, 8, 2, raw));
  EXPECT_EQ(p.PixelAt(300, 10), TColor(RGB(300 % 256, 7, 150)));
  EXPECT_EQ(p.PixelAt(400, 10), 0);
  EXPECT_EQ(p.PixelAt(-1, 10), 0);
  p.SetPixelAt(3, 4, TColor(RGB(1, 2, 3)));
  p.SetPixelAt(400, 4, TColor(RGB(1, 2, 3)));
  EXPECT_EQ(p.PixelAt(3, 4), TColor(RGB(1, 2, 3)));
  EXPECT_EQ(p.RowPointer(4)[9], 3);  // blue first in the bitmap
  // A 1-bit grey picture reads black and white; writing takes the nearest level.
  TPNGObject bits;
  Load(bits, Image(8, 1, 1, 0, Rows({{0xA0}})));
  EXPECT_EQ(bits.PixelAt(0, 0), TColor(RGB(255, 255, 255)));
  EXPECT_EQ(bits.PixelAt(1, 0), TColor(RGB(0, 0, 0)));
  bits.SetPixelAt(1, 0, TColor(RGB(250, 240, 200)));
  bits.SetPixelAt(0, 0, clBlack);
  EXPECT_EQ(bits.RowPointer(0)[0], 0x60);
  // A palette picture writes the nearest entry its palette holds.
  TPNGObject pal;
  Load(pal,
       Image(2, 1, 4, 3, Rows({{0x01}}), {Chunk("PLTE", {0, 0, 0, 200, 10, 10, 10, 200, 10})}));
  pal.SetPixelAt(1, 0, TColor(RGB(20, 190, 30)));
  EXPECT_EQ(pal.RowPointer(0)[0], 0x02);
  EXPECT_EQ(pal.PixelAt(1, 0), TColor(RGB(10, 200, 10)));
}

TEST(PngDrawing, PaletteAndGreyColoursPassTheGammaOnce) {
  // Gamma 1.0 (gAMA 100000) brightens: sample 80 decodes to about 151.
  const TBytes gama = Chunk("gAMA", {0, 1, 0x86, 0xA0});
  TPNGObject pal;
  Load(pal, Image(1, 1, 8, 3, Rows({{0}}), {gama, Chunk("PLTE", {80, 80, 80})}));
  const uint8_t once = pal.DecodeGamma()[80];
  ASSERT_GT(once, 140);
  EXPECT_EQ(pal.PixelAt(0, 0), TColor(RGB(once, once, once)));
  auto t = Target(1, 1, RGB(0, 0, 0));
  t->Canvas()->Draw(0, 0, &pal);
  EXPECT_EQ(PixelAt(*t, 0, 0), RGB(once, once, once));
  // A grey picture with alpha draws its grey through the same gamma as opaque grey.
  TPNGObject ga;
  Load(ga, Image(1, 1, 8, 4, Rows({{80, 255}}), {gama}));
  auto u = Target(1, 1, RGB(0, 0, 0));
  u->Canvas()->Draw(0, 0, &ga);
  EXPECT_EQ(PixelAt(*u, 0, 0), RGB(once, once, once));
  EXPECT_EQ(ga.PixelAt(0, 0), TColor(RGB(once, once, once)));
}

TEST(PngDrawing, BitmapsBecomePicturesOfTheirDepth) {
  TBitmap deep;
  deep.SetPixelFormat(pf24bit);
  deep.SetSize(5, 4);
  deep.Canvas()->Brush()->SetColor(TColor(RGB(10, 20, 30)));
  deep.Canvas()->FillRect(RECT{0, 0, 5, 4});
  deep.Canvas()->SetPixels(2, 1, TColor(RGB(200, 100, 50)));
  TPNGObject p;
  p.Assign(&deep);
  EXPECT_EQ(p.HeaderChunk()->ColorType(), ctRGB);
  EXPECT_EQ(p.HeaderChunk()->BitDepth(), 8);
  EXPECT_EQ(p.ChunkList().FirstOf<TChunktRNS>(), nullptr);
  EXPECT_EQ(p.PixelAt(2, 1), TColor(RGB(200, 100, 50)));
  EXPECT_EQ(p.PixelAt(4, 3), TColor(RGB(10, 20, 30)));
  std::vector<std::string> types;
  for (int i = 0; i < p.ChunkList().Count(); ++i)
    types.push_back(p.ChunkList().ItemAt(i)->ChunkType());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  EXPECT_EQ(ReadWithLibpng(SaveBytes(p)).At(2, 1)[0], 200);

  TBitmap indexed;
  indexed.SetPixelFormat(pf8bit);
  indexed.SetSize(4, 4);
  indexed.Canvas()->Brush()->SetColor(clRed);
  indexed.Canvas()->FillRect(RECT{0, 0, 4, 4});
  indexed.SetTransparentColor(clRed);
  indexed.SetTransparent(true);
  p.Assign(&indexed);
  EXPECT_EQ(p.HeaderChunk()->ColorType(), ctPalette);
  EXPECT_EQ(p.HeaderChunk()->BitDepth(), 8);
  EXPECT_EQ(p.ChunkList().FirstOf<TChunkPLTE>()->Count(), 256u);
  ASSERT_NE(p.ChunkList().FirstOf<TChunktRNS>(), nullptr);
  EXPECT_EQ(p.TransparencyKind(), ptmBit);
  EXPECT_EQ(p.KeyColor(), clRed);
  EXPECT_EQ(p.PixelAt(1, 1), clRed);
  // Written and read by libpng: red is transparent.
  EXPECT_EQ(ReadWithLibpng(SaveBytes(p)).At(1, 1)[3], 0);
}

TEST(PngDrawing, PicturesBecomeBitmapsWithTheirKeyColour) {
  TPNGObject keyed;
  Load(keyed, Image(3, 1, 8, 3, Rows({{0, 1, 2}}),
                    {Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255}), Chunk("tRNS", {255, 0})}));
  TBitmap b;
  b.Assign(&keyed);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.TransparentColor(), TColor(RGB(0, 255, 0)));
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), TColor(RGB(255, 0, 0)));
  EXPECT_EQ(b.Canvas()->Pixels(2, 0), TColor(RGB(0, 0, 255)));
  // An RGBA picture gives a 24-bit bitmap without its alpha.
  TPNGObject rgba;
  Load(rgba, Image(1, 1, 8, 6, Rows({{9, 8, 7, 0}})));
  TBitmap c;
  c.Assign(&rgba);
  EXPECT_EQ(c.PixelFormat(), pf24bit);
  EXPECT_FALSE(c.Transparent());
  EXPECT_EQ(c.Canvas()->Pixels(0, 0), TColor(RGB(9, 8, 7)));
  // A picture copies another completely.
  TPNGObject copy;
  copy.Assign(&keyed);
  EXPECT_EQ(SaveBytes(copy), SaveBytes(keyed));
  // Other classes are refused.
  TIcon icon;
  EXPECT_THROW(copy.Assign(&icon), Exception);
}

TEST(PngDrawing, TheClipboardFormatIsABitmap) {
  TPNGObject p;
  Load(p, Image(2, 1, 8, 2, Rows({{255, 0, 0, 0, 0, 255}})));
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  p.SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, UINT(CF_BITMAP));
  EXPECT_EQ(palette, nullptr);
  ASSERT_NE(data, nullptr);
  TPNGObject back;
  back.LoadFromClipboardFormat(format, data, nullptr);
  DeleteObject(static_cast<HBITMAP>(data));
  EXPECT_EQ(back.PixelAt(0, 0), TColor(RGB(255, 0, 0)));
  EXPECT_EQ(back.PixelAt(1, 0), TColor(RGB(0, 0, 255)));
  EXPECT_THROW(back.LoadFromClipboardFormat(CF_TEXT, nullptr, nullptr), EInvalidGraphic);
}

TEST(PngDrawing, GreyAndPalettePicturesHaveAPalette) {
  TPNGObject pal;
  Load(pal, Image(1, 1, 8, 3, Rows({{0}}), {Chunk("PLTE", {1, 2, 3, 4, 5, 6})}));
  HPALETTE h = pal.GetPalette();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(pal.GetPalette(), h);  // cached
  PALETTEENTRY e[2];
  ASSERT_EQ(GetPaletteEntries(h, 0, 2, e), 2u);
  EXPECT_EQ((TBytes{e[1].peRed, e[1].peGreen, e[1].peBlue}), (TBytes{4, 5, 6}));
  TPNGObject rgb;
  Load(rgb, Image(1, 1, 8, 2, Rows({{0, 0, 0}})));
  EXPECT_EQ(rgb.GetPalette(), nullptr);
  // Reading a new image drops the cached palette.
  Load(pal, Image(1, 1, 8, 3, Rows({{0}}), {Chunk("PLTE", {7, 8, 9})}));
  EXPECT_EQ(pal.PaletteHandle(), nullptr);
}

}  // namespace
