// The class library's graphics objects: colours, fonts, pens, brushes, canvases, bitmaps with
// their pixel formats and BMP streaming, icons, metafiles, the picture registry, image lists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <utility>

#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "platform/win/gdi_user.h"
#include "platform/win/pngsnap.h"
#include "tests/platform/win/icon_file_builder.h"

namespace {

struct TTempDir {
  std::filesystem::path path;
  TTempDir() {
    char t[] = "/tmp/orvanta-vcl-XXXXXX";
    path = mkdtemp(t);
  }
  ~TTempDir() { std::filesystem::remove_all(path); }
};

std::unique_ptr<TBitmap> NewBitmap(int w, int h, TPixelFormat pf = pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf);
  b->SetSize(w, h);
  return b;
}

TEST(Graphics, SystemColoursResolveThroughTheColourScheme) {
  EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clHighlightText), GetSysColor(COLOR_HIGHLIGHTTEXT));
  for (TColor c : {TColor(clRed), TColor(clBtnFace), TColor(clNone), TColor(0x123456)}) EXPECT_EQ(StringToColor(ColorToString(c)), c);
  EXPECT_EQ(ColorToString(clWindowText), "clWindowText");
  EXPECT_THROW(StringToColor("clNoSuchColour"), EConvertError);
}

TEST(Graphics, FontSizeHeightStyleAndTheLogFontRecord) {
  TFont f;
  EXPECT_EQ(f.Name(), "MS Sans Serif");
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Height(), -11);
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  f.SetSize(12);
  EXPECT_EQ(changes, 1);  // no change, no event
  f.SetStyle(TFontStyles{fsBold, fsUnderline});
  LOGFONTA lf = f.LogFont();
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfItalic, 0);
  // The 60-byte record makes the same font again, escapement included.
  lf.lfEscapement = lf.lfOrientation = 900;
  lf.lfCharSet = GB2312_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  TFont g;
  g.SetLogFont(lf);
  LOGFONTA back = g.LogFont();
  EXPECT_EQ(std::memcmp(&lf, &back, sizeof lf), 0);
  EXPECT_EQ(g.Orientation(), 900);
  EXPECT_EQ(g.Charset(), GB2312_CHARSET);
  LOGFONTA fromHandle;
  ASSERT_EQ(GetObject(g.Handle(), sizeof fromHandle, &fromHandle), 60);
  EXPECT_EQ(std::memcmp(&lf, &fromHandle, sizeof lf), 0);
  // A handle set from outside is adopted with its attributes.
  LOGFONTA other{};
  other.lfHeight = -20;
  other.lfItalic = 1;
  std::strcpy(other.lfFaceName, "Courier New");
  TFont h;
  h.SetHandle(CreateFontIndirect(&other));
  EXPECT_EQ(h.Name(), "Courier New");
  EXPECT_EQ(h.Size(), 15);
  EXPECT_TRUE(h.Style().Contains(fsItalic));
}

TEST(Graphics, PublishedPropertiesOfFontPenAndBrush) {
  TFont f;
  EXPECT_EQ(GetPropInfo(&f, "Name")->PropType->Name, "TFontName");
  EXPECT_EQ(GetPropInfo(&f, "Color")->PropType->Name, "TColor");
  SetOrdProp(&f, "Color", clRed);
  EXPECT_EQ(f.Color(), clRed);
  TPen p;
  SetOrdProp(&p, "Width", 3);
  EXPECT_EQ(p.Width(), 3);
  TBrush b;
  EXPECT_EQ(GetOrdProp(&b, "Style"), bsSolid);
}

TEST(Graphics, CanvasDrawsWithPenBrushAndFont) {
  auto b = NewBitmap(40, 20);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clBlue);
  c->FillRect(RECT{0, 0, 10, 10});
  EXPECT_EQ(c->Pixels(5, 5), RGB(0, 0, 255));
  EXPECT_EQ(c->Pixels(10, 5), RGB(255, 255, 255));
  c->Pen()->SetColor(clRed);
  c->Pen()->SetWidth(1);
  c->MoveTo(0, 15);
  c->LineTo(20, 15);
  EXPECT_EQ(c->Pixels(19, 15), RGB(255, 0, 0));
  EXPECT_EQ(c->Pixels(20, 15), RGB(255, 255, 255));
  EXPECT_EQ(c->PenPos(), (POINT{20, 15}));
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->MoveTo(0, 15);
  c->LineTo(20, 15);
  EXPECT_EQ(c->Pixels(5, 15), RGB(0, 255, 255));
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetMode(pmCopy);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(20, 0, 30, 10);
  EXPECT_EQ(c->Pixels(25, 5), RGB(255, 255, 255));  // clear brush: inside untouched
  EXPECT_EQ(c->Pixels(20, 5), RGB(0, 0, 0));
  c->SetPixels(39, 19, clLime);
  EXPECT_EQ(c->Pixels(39, 19), RGB(0, 255, 0));
}

TEST(Graphics, CanvasTextMeasuresAndClips) {
  auto b = NewBitmap(100, 30);
  TCanvas* c = b->Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetSize(10);
  EXPECT_GT(c->TextWidth("Proof"), 20);
  EXPECT_EQ(c->TextHeight("Proof"), c->TextExtent("x").cy);
  int w = c->TextWidth("Proof");
  c->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_GT(c->TextWidth("Proof"), w);
  c->Brush()->SetColor(clYellow);
  c->TextRect(RECT{10, 5, 30, 20}, 12, 5, "WWWWWWWW");
  EXPECT_EQ(c->Pixels(29, 19), RGB(255, 255, 0));  // background filled inside the rectangle
  EXPECT_EQ(c->Pixels(31, 10), RGB(255, 255, 255));  // nothing outside
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(clRed);
  c->TextOut(40, 5, "I");
  bool red = false;
  for (int y = 5; y < 25; ++y)
    for (int x = 40; x < 50; ++x) red = red || c->Pixels(x, y) == RGB(255, 0, 0);
  EXPECT_TRUE(red);
}

TEST(Graphics, CanvasFormattedTextRect) {
  auto b = NewBitmap(200, 60);
  TCanvas* c = b->Canvas();
  c->Font()->SetName("Arial");
  RECT r{0, 0, 40, 0};
  std::string text = "proof sheet order";
  c->TextRect(r, text, TTextFormat{tfCalcRect, tfWordBreak});
  EXPECT_GE(r.bottom, 2 * c->TextHeight("p"));
  EXPECT_EQ(b->Canvas()->Pixels(1, 1), RGB(255, 255, 255));  // measuring draws nothing
  RECT cell{0, 0, 50, 20};
  std::string caption = "A caption far too long for the cell";
  c->TextRect(cell, caption, TTextFormat{tfEndEllipsis, tfModifyString, tfSingleLine});
  EXPECT_EQ(caption.substr(caption.size() - 3), "...");
  EXPECT_LE(c->TextWidth(caption), 50);
}

TEST(Graphics, CanvasLockIsRecursiveAndExcludesOtherThreads) {
  TCanvas c;
  c.Lock();
  EXPECT_TRUE(c.TryLock());
  EXPECT_EQ(c.LockCount(), 2);
  std::atomic<bool> got{true};
  std::thread t([&] { got = c.TryLock(); if (got) c.Unlock(); });
  t.join();
  EXPECT_FALSE(got);
  c.Unlock();
  c.Unlock();
  std::thread t2([&] { got = c.TryLock(); if (got) c.Unlock(); });
  t2.join();
  EXPECT_TRUE(got);
}

TEST(Graphics, CanvasWithoutDCRefusesToDraw) {
  TCanvas c;
  EXPECT_THROW(c.FillRect(RECT{0, 0, 1, 1}), EInvalidOperation);
  // An empty bitmap's canvas measures text and draws nowhere.
  TBitmap empty;
  EXPECT_GT(empty.Canvas()->TextWidth("Proof"), 0);
  empty.Canvas()->LineTo(5, 5);
  empty.SetSize(3, 3);
  empty.Canvas()->SetPixels(1, 1, clRed);
  EXPECT_EQ(empty.Canvas()->Pixels(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(empty.Canvas()->Pixels(2, 2), RGB(255, 255, 255));
}

TEST(Graphics, CopyRectAndStretchDraw) {
  auto src = NewBitmap(2, 2);
  src->Canvas()->SetPixels(0, 0, clRed);
  src->Canvas()->SetPixels(1, 1, clBlue);
  auto dst = NewBitmap(8, 8);
  dst->Canvas()->StretchDraw(RECT{0, 0, 4, 4}, src.get());
  EXPECT_EQ(dst->Canvas()->Pixels(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dst->Canvas()->Pixels(3, 3), RGB(0, 0, 255));
  dst->Canvas()->SetCopyMode(NOTSRCCOPY);
  dst->Canvas()->CopyRect(RECT{4, 4, 6, 6}, src->Canvas(), RECT{0, 0, 2, 2});
  EXPECT_EQ(dst->Canvas()->Pixels(4, 4), RGB(0, 255, 255));
  dst->Canvas()->SetCopyMode(SRCCOPY);
  dst->Canvas()->Draw(6, 0, src.get());
  EXPECT_EQ(dst->Canvas()->Pixels(6, 0), RGB(255, 0, 0));
  // A transparent bitmap leaves its transparent colour out (bottom-left pixel by default).
  auto spot = NewBitmap(2, 2);
  spot->Canvas()->Brush()->SetColor(clLime);
  spot->Canvas()->FillRect(RECT{0, 0, 2, 2});
  spot->Canvas()->SetPixels(1, 0, clRed);
  spot->SetTransparent(true);
  auto back = NewBitmap(2, 2);
  back->Canvas()->Draw(0, 0, spot.get());
  EXPECT_EQ(back->Canvas()->Pixels(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(back->Canvas()->Pixels(1, 0), RGB(255, 0, 0));
}

TEST(Graphics, FixedTransparentColourOverridesTheBottomLeftPixel) {
  auto spot = NewBitmap(2, 2);
  spot->Canvas()->Brush()->SetColor(clLime);
  spot->Canvas()->FillRect(RECT{0, 0, 2, 2});
  spot->Canvas()->SetPixels(1, 0, clRed);
  EXPECT_EQ(spot->TransparentMode(), tmAuto);
  EXPECT_EQ(spot->TransparentColor(), static_cast<TColor>(RGB(0, 255, 0)));  // bottom-left
  spot->SetTransparentColor(clRed);
  EXPECT_EQ(spot->TransparentMode(), tmFixed);
  EXPECT_EQ(spot->TransparentColor(), clRed);
  spot->SetTransparent(true);
  auto back = NewBitmap(2, 2);
  back->Canvas()->Draw(0, 0, spot.get());
  EXPECT_EQ(back->Canvas()->Pixels(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(back->Canvas()->Pixels(1, 0), RGB(255, 255, 255));  // red left out
  // Not transparent: every pixel is drawn.
  spot->SetTransparent(false);
  back->Canvas()->Draw(0, 0, spot.get());
  EXPECT_EQ(back->Canvas()->Pixels(1, 0), RGB(255, 0, 0));
  // clDefault goes back to the automatic colour.
  spot->SetTransparentColor(clDefault);
  EXPECT_EQ(spot->TransparentMode(), tmAuto);
}

TEST(Graphics, ScanLineZeroIsTheTopRowInEveryFormat) {
  for (TPixelFormat pf : {pf8bit, pf24bit, pf32bit}) {
    auto b = NewBitmap(3, 4, pf);
    b->Canvas()->SetPixels(0, 0, clBlack);
    b->Canvas()->SetPixels(0, 3, clWhite);
    auto* top = static_cast<uint8_t*>(b->ScanLine(0));
    EXPECT_EQ(top[0], 0) << pf;
    if (pf != pf8bit) {
      EXPECT_EQ(static_cast<uint8_t*>(b->ScanLine(3))[0], 255) << pf;
    }
    // Bottom-up rows: the top row lies after the others in memory.
    EXPECT_GT(b->ScanLine(0), b->ScanLine(3)) << pf;
    EXPECT_THROW(b->ScanLine(4), ERangeError);
    EXPECT_THROW(b->ScanLine(-1), ERangeError);
  }
}

TEST(Graphics, ScanLinesOfPackedAndSixteenBitFormats) {
  for (TPixelFormat pf : {pf1bit, pf4bit, pf15bit, pf16bit}) {
    auto b = NewBitmap(3, 4, pf);
    b->Canvas()->SetPixels(0, 0, clBlack);
    b->Canvas()->SetPixels(0, 3, clWhite);
    auto* top = static_cast<uint8_t*>(b->ScanLine(0));
    auto* bottom = static_cast<uint8_t*>(b->ScanLine(3));
    switch (pf) {
      case pf1bit:  // the first pixel is the high bit
        EXPECT_EQ(top[0] & 0x80, 0);
        EXPECT_NE(bottom[0] & 0x80, 0);
        break;
      case pf4bit:  // the first pixel is the high nibble, white and black differ
        EXPECT_NE(top[0] >> 4, bottom[0] >> 4);
        break;
      default:  // 5 bits per channel: black is all zero, white all ones below the top bit
        EXPECT_EQ(top[0] | top[1], 0) << pf;
        EXPECT_EQ(bottom[0], 0xFF) << pf;
        EXPECT_EQ(bottom[1] & (pf == pf15bit ? 0x7F : 0xFF), pf == pf15bit ? 0x7F : 0xFF) << pf;
    }
    EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(0, 0, 0)) << pf;
    EXPECT_EQ(b->Canvas()->Pixels(0, 3), RGB(255, 255, 255)) << pf;
    EXPECT_GT(b->ScanLine(0), b->ScanLine(3)) << pf;
    EXPECT_THROW(b->ScanLine(4), ERangeError);
  }
}

TEST(Graphics, PixelFormatConversionsKeepTheColours) {
  auto b = NewBitmap(4, 1, pf24bit);
  TCanvas* c = b->Canvas();
  c->SetPixels(0, 0, clRed);
  c->SetPixels(1, 0, clBlack);
  c->SetPixels(2, 0, clWhite);
  c->SetPixels(3, 0, TColor(RGB(200, 200, 200)));
  b->SetPixelFormat(pf32bit);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(255, 0, 0));
  b->SetPixelFormat(pf16bit);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(255, 0, 0));
  b->SetPixelFormat(pf8bit);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(255, 0, 0));
  b->SetPixelFormat(pf1bit);
  EXPECT_TRUE(b->Monochrome());
  EXPECT_EQ(b->Canvas()->Pixels(1, 0), RGB(0, 0, 0));
  EXPECT_EQ(b->Canvas()->Pixels(2, 0), RGB(255, 255, 255));
  EXPECT_EQ(b->Canvas()->Pixels(3, 0), RGB(255, 255, 255));
}

TEST(Graphics, IndexedBitmapsExposeAndTakeTheirPalette) {
  auto b = NewBitmap(2, 1, pf8bit);
  HPALETTE pal = b->Palette();
  ASSERT_NE(pal, nullptr);
  PALETTEENTRY e[256];
  EXPECT_EQ(GetPaletteEntries(pal, 0, 256, e), 256u);
  // A palette of shades of green: drawing red ends on the nearest entry.
  struct {
    WORD version, count;
    PALETTEENTRY e[256];
  } lp{0x300, 256, {}};
  for (int i = 0; i < 256; ++i) lp.e[i] = PALETTEENTRY{0, static_cast<BYTE>(i), 0, 0};
  b->SetPalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp)));
  b->Canvas()->SetPixels(0, 0, TColor(RGB(10, 200, 10)));
  EXPECT_EQ(static_cast<uint8_t*>(b->ScanLine(0))[0], 200);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(0, 200, 0));
  GetPaletteEntries(b->Palette(), 0, 256, e);
  EXPECT_EQ(e[77].peGreen, 77);
  EXPECT_EQ(NewBitmap(1, 1, pf24bit)->Palette(), nullptr);
}

TEST(Graphics, SetSizeKeepsTheTopLeftAndWhitensTheRest) {
  auto b = NewBitmap(2, 2);
  b->Canvas()->SetPixels(1, 1, clRed);
  b->SetSize(4, 3);
  EXPECT_EQ(b->Width(), 4);
  EXPECT_EQ(b->Canvas()->Pixels(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(b->Canvas()->Pixels(3, 2), RGB(255, 255, 255));
  b->SetSize(1, 1);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(255, 255, 255));
}

TEST(Graphics, ASizeNoImageCanHoldLeavesTheBitmapEmpty) {
  // Sides beyond what an image can have: the bitmap becomes empty and its old image is freed
  // (the leak checker of the test build reports one that is not).
  for (const auto& [w, h] : {std::pair{1 << 17, 1}, std::pair{60000, 60000}}) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    EXPECT_THROW(b.SetSize(w, h), EOutOfResources);
    EXPECT_TRUE(b.Empty());
    b.SetSize(3, 1);  // usable again
    EXPECT_EQ(b.Width(), 3);
  }
}

TEST(Graphics, BmpStreamsRoundTripEveryFormat) {
  for (TPixelFormat pf : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    auto b = NewBitmap(5, 3, pf24bit);
    b->Canvas()->SetPixels(0, 0, clBlack);
    b->Canvas()->SetPixels(4, 2, clBlack);
    b->Canvas()->SetPixels(2, 1, pf == pf1bit ? clWhite : clRed);
    b->SetPixelFormat(pf);
    TMemoryStream s;
    b->SaveToStream(&s);
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(&s);
    EXPECT_EQ(back.PixelFormat(), pf);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);
    for (auto [x, y] : {std::pair{0, 0}, {4, 2}, {2, 1}, {3, 0}})
      EXPECT_EQ(back.Canvas()->Pixels(x, y), b->Canvas()->Pixels(x, y)) << pf << " " << x << "," << y;
  }
}

TEST(Graphics, BmpReaderTurnsTopDownFilesAndRefusesBadData) {
  // A top-down 2x2 24-bit file: first stored row is the top (red, green).
  const uint8_t rows[2][8] = {{0, 0, 255, 0, 255, 0, 0, 0}, {255, 0, 0, 0, 0, 0, 0, 0}};
  BITMAPFILEHEADER fh{0x4D42, 14 + 40 + 16, 0, 0, 14 + 40};
  BITMAPINFOHEADER h{40, 2, -2, 1, 24, BI_RGB, 16, 0, 0, 0, 0};
  TMemoryStream s;
  s.WriteBuffer(&fh, sizeof fh);
  s.WriteBuffer(&h, sizeof h);
  s.WriteBuffer(rows, sizeof rows);
  s.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(&s);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), RGB(0, 255, 0));
  EXPECT_EQ(b.Canvas()->Pixels(0, 1), RGB(0, 0, 255));
  // Truncated, wrong magic, absurd sizes.
  for (size_t cut : {size_t(10), size_t(30), size_t(60)}) {
    TMemoryStream t;
    t.WriteBuffer(s.Memory(), static_cast<int64_t>(cut));
    t.SetPosition(0);
    TBitmap x;
    EXPECT_THROW(x.LoadFromStream(&t), EInvalidGraphic) << cut;
  }
  TMemoryStream junk;
  junk.WriteBuffer("GIF89a.........................................................", 60);
  junk.SetPosition(0);
  TBitmap y;
  try {
    y.LoadFromStream(&junk);
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Bitmap image is not valid");
  }
}

TEST(Graphics, RunLengthBitmapsAreUnpacked) {
  // 4x2 8-bit, bottom row first: [run 4 x index 1], end of line, [literal 3: 2 3 2], end of picture.
  const uint8_t packed[] = {4, 1, 0, 0, 0, 3, 2, 3, 2, 0, 0, 1};
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD c[4];
  } bi{{40, 4, 2, 1, 8, BI_RLE8, sizeof packed, 0, 0, 4, 0}, {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}}};
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(14 + sizeof bi + sizeof packed), 0, 0, static_cast<DWORD>(14 + sizeof bi)};
  TMemoryStream s;
  s.WriteBuffer(&fh, sizeof fh);
  s.WriteBuffer(&bi, sizeof bi);
  s.WriteBuffer(packed, sizeof packed);
  s.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(&s);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 1), RGB(255, 0, 0));  // bottom row: the run
  EXPECT_EQ(b.Canvas()->Pixels(3, 1), RGB(255, 0, 0));
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(0, 255, 0));  // top row: the literal
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(b.Canvas()->Pixels(3, 0), RGB(0, 0, 0));    // not reached: index 0
  // The same with 4 bits: runs alternate the two nibbles, literals hold two pixels a byte.
  const uint8_t packed4[] = {4, 0x12, 0, 0, 0, 3, 0x32, 0x30, 0, 1};
  bi.h.biBitCount = 4;
  bi.h.biCompression = BI_RLE4;
  bi.h.biSizeImage = sizeof packed4;
  TMemoryStream s4;
  fh.bfSize = static_cast<DWORD>(14 + sizeof bi + sizeof packed4);
  s4.WriteBuffer(&fh, sizeof fh);
  s4.WriteBuffer(&bi, sizeof bi);
  s4.WriteBuffer(packed4, sizeof packed4);
  s4.SetPosition(0);
  TBitmap b4;
  b4.LoadFromStream(&s4);
  EXPECT_EQ(b4.PixelFormat(), pf4bit);
  EXPECT_EQ(b4.Canvas()->Pixels(0, 1), RGB(255, 0, 0));
  EXPECT_EQ(b4.Canvas()->Pixels(1, 1), RGB(0, 255, 0));
  EXPECT_EQ(b4.Canvas()->Pixels(2, 1), RGB(255, 0, 0));
  EXPECT_EQ(b4.Canvas()->Pixels(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(b4.Canvas()->Pixels(1, 0), RGB(0, 255, 0));
  EXPECT_EQ(b4.Canvas()->Pixels(2, 0), RGB(0, 0, 255));
}

TEST(Graphics, AssignMakesAnIndependentCopy) {
  auto a = NewBitmap(3, 3, pf8bit);
  a->Canvas()->SetPixels(1, 1, clRed);
  TBitmap b;
  b.Assign(a.get());
  a->Canvas()->SetPixels(1, 1, clBlue);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), RGB(255, 0, 0));
  TFont f;
  EXPECT_THROW(b.Assign(&f), EConvertError);
}

TEST(Graphics, IconsKeepTheirAlphaThroughFiles) {
  TIcon icon;
  {
    TMemoryStream s;
    // Build an icon from a 32-bit image: opaque red square with a transparent border.
    auto img = NewBitmap(16, 16, pf32bit);
    for (int y = 0; y < 16; ++y) {
      auto* row = static_cast<uint8_t*>(img->ScanLine(y));
      for (int x = 0; x < 16; ++x) {
        bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
        row[x * 4 + 0] = 0;
        row[x * 4 + 1] = 0;
        row[x * 4 + 2] = 255;
        row[x * 4 + 3] = inside ? 255 : 0;
      }
    }
    TIcon first;
    // Load through the file format: write the icon by hand from the image.
    WORD head[3] = {0, 1, 1};
    BYTE entry[16] = {16, 16, 0, 0, 1, 0, 32, 0};
    DWORD size = 40 + 16 * 16 * 4 + 16 * 4, off = 22;
    std::memcpy(entry + 8, &size, 4);
    std::memcpy(entry + 12, &off, 4);
    BITMAPINFOHEADER bh{40, 16, 32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    s.WriteBuffer(head, 6);
    s.WriteBuffer(entry, 16);
    s.WriteBuffer(&bh, 40);
    for (int y = 15; y >= 0; --y) s.WriteBuffer(img->ScanLine(y), 64);
    std::vector<uint8_t> mask(64, 0);
    s.WriteBuffer(mask.data(), 64);
    s.SetPosition(0);
    icon.LoadFromStream(&s);
  }
  EXPECT_EQ(icon.Width(), 16);
  TMemoryStream saved;
  icon.SaveToStream(&saved);
  saved.SetPosition(0);
  TIcon again;
  again.LoadFromStream(&saved);
  auto canvas = NewBitmap(16, 16);
  canvas->Canvas()->Draw(0, 0, &again);
  EXPECT_EQ(canvas->Canvas()->Pixels(8, 8), RGB(255, 0, 0));
  EXPECT_EQ(canvas->Canvas()->Pixels(1, 1), RGB(255, 255, 255));
  TBitmap asBitmap;
  asBitmap.Assign(&again);
  EXPECT_EQ(asBitmap.PixelFormat(), pf32bit);
  EXPECT_EQ(static_cast<uint8_t*>(asBitmap.ScanLine(8))[8 * 4 + 3], 255);
  EXPECT_EQ(static_cast<uint8_t*>(asBitmap.ScanLine(1))[1 * 4 + 3], 0);
  // Through a handle and back.
  TIcon viaHandle;
  viaHandle.SetHandle(CopyIcon(again.Handle()));
  auto other = NewBitmap(16, 16);
  other->Canvas()->Draw(0, 0, &viaHandle);
  EXPECT_EQ(other->Canvas()->Pixels(8, 8), RGB(255, 0, 0));
  EXPECT_EQ(other->Canvas()->Pixels(1, 1), RGB(255, 255, 255));
  TMemoryStream bad;
  bad.WriteBuffer("\0\0\1\0\0\0", 6);
  bad.SetPosition(0);
  EXPECT_THROW(again.LoadFromStream(&bad), EInvalidGraphic);
}

// ---- Icon files with several images ----
using namespace icon_file_builder;

// A PNG stream of w x h, every pixel argb.
std::vector<uint8_t> IconPng(int w, int h, uint32_t argb) {
  auto b = NewBitmap(w, h, pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) static_cast<uint32_t*>(b->ScanLine(y))[x] = argb;
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("orv_icon_" + std::to_string(::getpid()) + ".png");
  EXPECT_TRUE(SaveBitmapToPng(b->Handle(), path.string(), true));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return png;
}

// An .ico file of square images, in the given order.
std::vector<uint8_t> IcoFile(const std::vector<std::pair<std::vector<uint8_t>, int>>& images) {
  std::vector<icon_file_builder::TImage> all;
  for (auto& [data, side] : images) all.push_back({data, side, side, 0, 0});
  return CurFile(all, 1);
}

void LoadIcon(TIcon& icon, const std::vector<uint8_t>& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  icon.LoadFromStream(&s);
}

uint32_t IconPixel(const TIcon& icon, int x, int y) {
  return static_cast<const uint32_t*>(icon.Image()->ScanLine(y))[x];
}

TEST(Graphics, IconFilesGiveTheirLargestDeepestImage) {
  const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
  const TDibLook runLengths{0xFF, 1, false};
  struct TCase {
    const char* Name;
    std::vector<std::pair<std::vector<uint8_t>, int>> Images;
    int Side;
    uint32_t Centre;
  } cases[] = {
      {"largest wins wherever it stands",
       {{DibImage(16, 16, 8, red), 16},
        {DibImage(48, 48, 8, green), 48},
        {DibImage(32, 32, 32, blue), 32}},
       48,
       0xFF000000u | green},
      {"deepest among equally large",
       {{DibImage(32, 32, 8, red), 32},
        {DibImage(32, 32, 32, blue), 32},
        {DibImage(32, 32, 8, green), 32}},
       32,
       0xFF000000u | blue},
      {"PNG-compressed image with its alpha",
       {{DibImage(16, 16, 32, red), 16}, {IconPng(64, 64, 0x80FFFF00u), 64}},
       64,
       0x80FFFF00u},
      {"an image that does not decode gives way",
       {{DibImage(48, 48, 8, red, runLengths), 48}, {DibImage(32, 32, 8, green), 32}},
       32,
       0xFF000000u | green},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TIcon icon;
    LoadIcon(icon, IcoFile(c.Images));
    EXPECT_EQ(icon.Width(), c.Side);
    EXPECT_EQ(icon.Height(), c.Side);
    EXPECT_EQ(IconPixel(icon, c.Side / 2, c.Side / 2), c.Centre);
  }
}

TEST(Graphics, IconTransparencyComesFromAlphaOrFromTheMask) {
  // An image with alpha keeps it as it is, whatever the mask says: the top-left pixel (mask
  // bit set) stays as opaque as its alpha, and a pixel of alpha 0 (mask bit clear) stays clear.
  std::vector<uint8_t> dib = DibImage(16, 16, 32, 0x123456, {0x40, 0, true});
  dib[40 + (15 - 5) * 64 + 5 * 4 + 3] = 0;  // pixel (5, 5); rows are stored bottom-up
  TIcon withAlpha;
  LoadIcon(withAlpha, IcoFile({{dib, 16}}));
  EXPECT_EQ(IconPixel(withAlpha, 0, 0), 0x40123456u);
  EXPECT_EQ(IconPixel(withAlpha, 5, 5), 0x00123456u);
  EXPECT_EQ(IconPixel(withAlpha, 6, 5), 0x40123456u);
  // No alpha anywhere (an old-style 32-bit image) and paletted images: the mask decides.
  for (int bpp : {32, 8}) {
    SCOPED_TRACE(bpp);
    TIcon icon;
    LoadIcon(icon, IcoFile({{DibImage(16, 16, bpp, 0x123456, {0, 0, true}), 16}}));
    EXPECT_EQ(IconPixel(icon, 0, 0) >> 24, 0u);
    EXPECT_EQ(IconPixel(icon, 5, 5), 0xFF123456u);
  }
}

TEST(Graphics, IconLoadingStopsAtTheEndOfTheIcon) {
  std::vector<uint8_t> ico =
      IcoFile({{DibImage(16, 16, 8, 0x00FF00), 16}, {DibImage(32, 32, 8, 0xFF0000), 32}});
  TMemoryStream s;
  s.WriteBuffer("lead", 4);
  s.WriteBuffer(ico.data(), static_cast<int64_t>(ico.size()));
  s.WriteBuffer("tail", 4);
  s.SetPosition(4);
  TIcon icon;
  icon.LoadFromStream(&s);
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(s.Position(), static_cast<int64_t>(4 + ico.size()));
}

// The reader's own checks are the cursor tests'; these show that TIcon turns a refusal into
// its exception and stays empty, including damage that only a stream shows (a file cut short).
TEST(Graphics, DamagedIconFilesAreRefused) {
  std::vector<uint8_t> good =
      IcoFile({{DibImage(16, 16, 8, 0x00FF00), 16}, {DibImage(32, 32, 8, 0xFF0000), 32}});
  struct TCase {
    const char* Name;
    std::function<void(std::vector<uint8_t>&)> Damage;
  } cases[] = {
      {"directory longer than the stream", [](auto& f) { Put16(f, 4, 5000); }},
      {"image inside the directory", [](auto& f) { Put32(f, 6 + 12, 10); }},
      {"last image cut short", [](auto& f) { f.resize(f.size() - 10); }},
      {"no image decodes",
       [](auto& f) {
         Put32(f, 38 + 16, 1);  // both images compressed
         Put32(f, f.size() - (40 + 8 + 32 * 32 + 4 * 32) + 16, 1);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> f = good;
    c.Damage(f);
    TIcon icon;
    EXPECT_THROW(LoadIcon(icon, f), EInvalidGraphic);
    EXPECT_TRUE(icon.Empty());
  }
}

TEST(Graphics, MetafileCanvasRecordsAndPlaysBackScaled) {
  TMetafile mf;
  mf.SetWidth(100);
  mf.SetHeight(50);
  {
    TMetafileCanvas mc(&mf, nullptr);
    mc.Brush()->SetColor(clRed);
    mc.Pen()->SetStyle(psClear);
    mc.Rectangle(0, 0, 51, 26);
    mc.Brush()->SetStyle(bsClear);
    mc.Font()->SetName("Arial");
    mc.TextOut(60, 10, "Invoice 42");
  }
  ASSERT_FALSE(mf.Empty());
  EXPECT_EQ(mf.Width(), 100);
  // Played at twice the size, the red rectangle covers 0..99 x 0..49.
  auto big = NewBitmap(200, 100);
  big->Canvas()->StretchDraw(RECT{0, 0, 200, 100}, &mf);
  EXPECT_EQ(big->Canvas()->Pixels(90, 40), RGB(255, 0, 0));
  EXPECT_EQ(big->Canvas()->Pixels(110, 40), RGB(255, 255, 255));
  // The text can be found by walking the records.
  std::string found;
  EnumEnhMetaFile(nullptr, mf.Handle(), [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM d) {
    if (r->iType == EMR_EXTTEXTOUTW) *reinterpret_cast<std::string*>(d) += GetEnhMetaRecordText(r);
    return 1;
  }, &found, nullptr);
  EXPECT_EQ(found, "Invoice 42");
  // Streams and copies.
  TMemoryStream s;
  mf.SaveToStream(&s);
  s.SetPosition(0);
  TMetafile back;
  back.LoadFromStream(&s);
  auto again = NewBitmap(100, 50);
  again->Canvas()->Draw(0, 0, &back);
  EXPECT_EQ(again->Canvas()->Pixels(45, 20), RGB(255, 0, 0));
  TMemoryStream junk;
  junk.WriteBuffer("not a metafile at all, certainly not", 36);
  junk.SetPosition(0);
  EXPECT_THROW(back.LoadFromStream(&junk), EInvalidGraphic);
}

class TTestGraphic : public TBitmap {
  ORV_CLASS(TTestGraphic, TBitmap)
};
ORV_CLASS_IMPL(TTestGraphic, TBitmap)

TEST(Graphics, PictureLoadsByExtensionThroughTheRegistry) {
  TTempDir tmp;
  auto b = NewBitmap(3, 2);
  b->Canvas()->SetPixels(2, 1, clRed);
  std::string path = (tmp.path / "photo.BMP").string();
  b->SaveToFile(path);
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.LoadFromFile(path);
  ASSERT_NE(p.Graphic(), nullptr);
  EXPECT_TRUE(p.Graphic()->Is<TBitmap>());
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Bitmap()->Canvas()->Pixels(2, 1), RGB(255, 0, 0));
  EXPECT_GT(changes, 0);
  try {
    p.LoadFromFile((tmp.path / "photo.xyz").string());
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  TPicture::RegisterFileFormat("xyz", "Test pictures", TTestGraphic::StaticClass());
  std::filesystem::copy_file(path, tmp.path / "photo.xyz");
  p.LoadFromFile((tmp.path / "photo.xyz").string());
  EXPECT_TRUE(p.Graphic()->Is<TTestGraphic>());
  EXPECT_NE(TPicture::GraphicFilter(TGraphic::StaticClass()).find("Test pictures (*.xyz)|*.xyz"), std::string::npos);
  TPicture::UnregisterGraphicClass(TTestGraphic::StaticClass());
  EXPECT_EQ(TPicture::FileFormatClass("xyz"), nullptr);
  // Assign copies the graphic; Icon() replaces a graphic of another class.
  TPicture q;
  q.Assign(&p);
  EXPECT_TRUE(q.Graphic()->Is<TTestGraphic>());
  EXPECT_NE(q.Graphic(), p.Graphic());
  q.Icon();
  EXPECT_TRUE(q.Graphic()->Is<TIcon>());
  q.Assign(nullptr);
  EXPECT_EQ(q.Graphic(), nullptr);
}

TEST(Graphics, ImageListDrawsMaskedAndDisabledImages) {
  TImageList list;
  list.SetWidth(4);
  list.SetHeight(4);
  auto strip = NewBitmap(8, 4);
  strip->Canvas()->Brush()->SetColor(clFuchsia);
  strip->Canvas()->FillRect(RECT{0, 0, 8, 4});
  strip->Canvas()->Brush()->SetColor(clBlack);
  strip->Canvas()->FillRect(RECT{1, 1, 3, 3});
  strip->Canvas()->Brush()->SetColor(clRed);
  strip->Canvas()->FillRect(RECT{4, 0, 8, 4});
  EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);
  auto c = NewBitmap(10, 10);
  c->Canvas()->Brush()->SetColor(clSilver);
  c->Canvas()->FillRect(RECT{0, 0, 10, 10});
  list.Draw(c->Canvas(), 0, 0, 0);
  EXPECT_EQ(c->Canvas()->Pixels(0, 0), RGB(192, 192, 192));  // transparent corner
  EXPECT_EQ(c->Canvas()->Pixels(1, 1), RGB(0, 0, 0));
  list.Draw(c->Canvas(), 5, 5, 0, false);
  EXPECT_EQ(c->Canvas()->Pixels(6, 6), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c->Canvas()->Pixels(8, 8), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c->Canvas()->Pixels(5, 5), RGB(192, 192, 192));
  try {
    list.Draw(c->Canvas(), 0, 0, 2);
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Invalid ImageList Index");
  }
  TBitmap out;
  list.GetBitmap(1, &out);
  EXPECT_EQ(out.Canvas()->Pixels(2, 2), RGB(255, 0, 0));
}

}  // namespace

#include "platform/vcl/graphics_jpeg.h"

namespace {

TEST(Graphics, JpegImagesCompressFromBitmapsAndDecodeBack) {
  auto b = NewBitmap(32, 16);
  b->Canvas()->Brush()->SetColor(clRed);
  b->Canvas()->FillRect(RECT{0, 0, 16, 16});
  b->Canvas()->Brush()->SetColor(clBlue);
  b->Canvas()->FillRect(RECT{16, 0, 32, 16});
  TJPEGImage jpg;
  jpg.Assign(b.get());
  jpg.SetCompressionQuality(95);
  TMemoryStream s;
  jpg.SaveToStream(&s);
  ASSERT_GT(s.Size(), 100);
  EXPECT_EQ(static_cast<uint8_t*>(s.Memory())[0], 0xFF);
  EXPECT_EQ(static_cast<uint8_t*>(s.Memory())[1], 0xD8);
  s.SetPosition(0);
  TJPEGImage back;
  back.LoadFromStream(&s);
  EXPECT_EQ(back.Width(), 32);
  EXPECT_EQ(back.Height(), 16);
  COLORREF left = back.Bitmap()->Canvas()->Pixels(4, 8), right = back.Bitmap()->Canvas()->Pixels(28, 8);
  EXPECT_GT(GetRValue(left), 230);
  EXPECT_LT(GetBValue(left), 25);
  EXPECT_GT(GetBValue(right), 230);
  EXPECT_LT(GetRValue(right), 25);
  // A bitmap takes the decoded picture.
  TBitmap decoded;
  decoded.Assign(&back);
  EXPECT_EQ(decoded.Width(), 32);
  EXPECT_EQ(decoded.PixelFormat(), pf24bit);
  EXPECT_GT(GetRValue(decoded.Canvas()->Pixels(4, 8)), 230);
  // Smaller quality, smaller file; half scale halves the size; grey decodes to 8 bits.
  TJPEGImage low;
  low.Assign(b.get());
  low.SetCompressionQuality(10);
  TMemoryStream ls;
  low.SaveToStream(&ls);
  EXPECT_LT(ls.Size(), s.Size());
  back.SetScale(jsHalf);
  EXPECT_EQ(back.Width(), 16);
  back.SetGrayscale(true);
  EXPECT_EQ(back.Bitmap()->PixelFormat(), pf8bit);
  // Bad data: EJPEG, and the picture stays as it was.
  TMemoryStream junk;
  const std::string notJpeg = "\xFF\xD8\xFF\xE0 not really a jpeg";
  junk.WriteBuffer(notJpeg.data(), static_cast<int64_t>(notJpeg.size()));
  junk.SetPosition(0);
  EXPECT_THROW(back.LoadFromStream(&junk), EJPEG);
  EXPECT_EQ(back.Width(), 16);
}

TEST(Graphics, PictureOpensJpegFilesByExtension) {
  TTempDir tmp;
  auto b = NewBitmap(8, 8);
  TJPEGImage jpg;
  jpg.Assign(b.get());
  std::string path = (tmp.path / "IMG_0001.JPG").string();
  jpg.SaveToFile(path);
  TPicture p;
  p.LoadFromFile(path);
  ASSERT_TRUE(p.Graphic()->Is<TJPEGImage>());
  EXPECT_EQ(p.Width(), 8);
  auto canvas = NewBitmap(8, 8);
  canvas->Canvas()->Draw(0, 0, p.Graphic());
  EXPECT_GT(GetRValue(canvas->Canvas()->Pixels(4, 4)), 240);
}

}  // namespace

namespace {

TEST(Graphics, PictureDataRecordNamesTheClassThenHoldsTheImage) {
  auto b = NewBitmap(3, 2);
  b->Canvas()->SetPixels(2, 1, clRed);
  TPicture p;
  p.SetGraphic(b.get());
  TMemoryStream s;
  p.WriteData(&s);
  const auto* bytes = static_cast<const uint8_t*>(s.Memory());
  ASSERT_EQ(bytes[0], 7);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 1), 7), "TBitmap");
  int32_t size;
  std::memcpy(&size, bytes + 8, 4);
  EXPECT_EQ(size, s.Size() - 12);
  EXPECT_EQ(bytes[12], 'B');
  EXPECT_EQ(bytes[13], 'M');
  s.SetPosition(0);
  TPicture q;
  q.ReadData(&s);
  ASSERT_TRUE(q.Graphic()->Is<TBitmap>());
  EXPECT_EQ(q.Bitmap()->Canvas()->Pixels(2, 1), RGB(255, 0, 0));
  // A JPEG picture keeps its compressed data.
  TJPEGImage jpg;
  jpg.Assign(b.get());
  TPicture pj;
  pj.SetGraphic(&jpg);
  TMemoryStream sj;
  pj.WriteData(&sj);
  sj.SetPosition(0);
  TPicture qj;
  qj.ReadData(&sj);
  ASSERT_TRUE(qj.Graphic()->Is<TJPEGImage>());
  EXPECT_EQ(qj.Width(), 3);
  // An unknown class name is refused.
  TMemoryStream bad;
  bad.WriteBuffer("\x05TNope", 6);
  bad.SetPosition(0);
  try {
    q.ReadData(&bad);
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture format TNope");
  }
}

}  // namespace
