// Whole-image operations of TIEBitmap: hand-over, copies, relocation, alignment and resizing.
#include <gtest/gtest.h>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"

namespace {

TEST(IEBitmapOps, StorageMovesKeepEveryFormatIdentical) {
  TTempFolder tmp;
  for (TIEPixelFormat pf : kAllFormats) {
    TIEBitmap b(29, 11, pf);
    PaintPattern(b, 5);
    if (pf == ie8p) b.SetPaletteEntry(200, IEMakeRGB(4, 5, 6));
    b.GetAlphaChannel()->Fill(77);
    b.MemoryThreshold = 0;
    b.SetLocation(ieFile);
    ASSERT_EQ(b.Location(), ieFile) << int(pf);
    ASSERT_FALSE(tmp.Files().empty());
    EXPECT_TRUE(HasPattern(b, 5)) << int(pf);
    b.MemoryThreshold = int64_t(1) << 40;
    b.SetLocation(ieMemory);
    ASSERT_EQ(b.Location(), ieMemory);
    EXPECT_TRUE(HasPattern(b, 5)) << int(pf);
    EXPECT_EQ(b.GetAlpha(28, 10), 77) << "the alpha channel travels with the image";
    if (pf == ie8p) {
      EXPECT_EQ(b.GetPaletteEntry(200), IEMakeRGB(4, 5, 6));
    }
  }
}

TEST(IEBitmapOps, SetLocationFileWithDefaultThresholdStaysInMemory) {
  TIEBitmap b(10, 10, ie24RGB);
  b.SetLocation(ieFile);
  EXPECT_EQ(b.Location(), ieMemory);
}

TEST(IEBitmapOps, SetLocationToBitmapStorageKeepsARefusedImageWhereItWas) {
  TIEBitmap b(5, 5, ieCMYK);
  PaintPattern(b);
  b.SetLocation(ieTBitmap);
  EXPECT_EQ(b.Location(), ieMemory);
  EXPECT_EQ(b.PixelFormat(), ieCMYK);
  EXPECT_TRUE(HasPattern(b));
  TIEBitmap c(5, 5, ie24RGB);
  PaintPattern(c);
  c.SetLocation(ieTBitmap);
  EXPECT_EQ(c.Location(), ieTBitmap);
  EXPECT_TRUE(HasPattern(c));
}

TEST(IEBitmapOps, AssignCopiesPixelsPaletteAndAlpha) {
  TTempFolder tmp;
  TIEBitmap s(8, 6, ie8p);
  PaintPattern(s, 1);
  s.SetPaletteEntry(9, IEMakeRGB(9, 8, 7));
  s.GetAlphaChannel()->Fill(255);
  s.SetAlpha(3, 3, 10);
  s.DitherMethod = 0;
  for (bool fileTarget : {false, true}) {
    TIEBitmap d;
    if (fileTarget) d.MemoryThreshold = 0;
    d.Assign(&s);
    EXPECT_EQ(d.Location(), fileTarget ? ieFile : ieMemory);
    EXPECT_TRUE(HasPattern(d, 1));
    EXPECT_EQ(d.GetPaletteEntry(9), IEMakeRGB(9, 8, 7));
    ASSERT_TRUE(d.HasAlphaChannel());
    EXPECT_EQ(d.GetAlpha(3, 3), 10);
    EXPECT_EQ(d.GetAlphaChannel()->Full, s.GetAlphaChannel()->Full);
    EXPECT_EQ(d.DitherMethod, 0);
    EXPECT_TRUE(d.FullReallocate);
  }
  TIEBitmap plain(2, 2, ie24RGB), withAlpha(2, 2, ie24RGB);
  withAlpha.GetAlphaChannel();
  withAlpha.Assign(&plain);
  EXPECT_FALSE(withAlpha.HasAlphaChannel()) << "a source without alpha removes this bitmap's";
}

TEST(IEBitmapOps, AssignBetweenTwoFileImagesCopiesTheStore) {
  TTempFolder tmp;
  TIEBitmap s, d;
  s.MemoryThreshold = d.MemoryThreshold = 0;
  ASSERT_TRUE(s.Allocate(3000, 400, ie24RGB));  // 3.6 MB: several 1 MB chunks
  PaintPattern(s, 2);
  d.Assign(&s);
  EXPECT_EQ(d.Location(), ieFile);
  EXPECT_TRUE(HasPattern(d, 2));
  EXPECT_TRUE(IESameBitmaps(&s, &d));
}

TEST(IEBitmapOps, CopyImageFromKeepsAlphaAndLocationAndClearsFull) {
  TIEBitmap s(4, 4, ie8g);
  s.Fill(255);
  EXPECT_TRUE(s.Full);
  TIEBitmap d(2, 2, ie8g);
  d.GetAlphaChannel()->Fill(7);
  d.CopyImageFrom(&s);
  EXPECT_EQ(d.Width(), 4);
  EXPECT_FALSE(d.Full);
  EXPECT_EQ(d.GetPixel8(3, 3), 255);
  ASSERT_TRUE(d.HasAlphaChannel());
  EXPECT_EQ(d.GetAlphaChannel()->GetPixel8(0, 0), 7);
  TIEBitmap empty;
  d.CopyImageFrom(&empty);
  EXPECT_EQ(d.Width(), 4) << "an empty source changes nothing";
}

TEST(IEBitmapOps, MoveContentToHandsOverTheStorage) {
  TTempFolder tmp;
  TIEBitmap s;
  s.MemoryThreshold = 0;
  ASSERT_TRUE(s.Allocate(10, 10, ie16g));
  PaintPattern(s, 4);
  s.GetAlphaChannel();
  TIEBitmap t(3, 3, ie24RGB);
  s.MoveContentTo(&t);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.PixelFormat(), ieNone);
  EXPECT_FALSE(s.HasAlphaChannel());
  EXPECT_TRUE(s.FullReallocate);
  EXPECT_EQ(t.Location(), ieFile);
  EXPECT_EQ(t.PixelFormat(), ie16g);
  EXPECT_TRUE(t.HasAlphaChannel());
  EXPECT_TRUE(HasPattern(t, 4));
  EXPECT_EQ(tmp.Files().size(), 1u);
}

TEST(IEBitmapOps, SetRowAlignmentRepacksMemoryRowsOnly) {
  TIEBitmap b(3, 4, ie24RGB);  // 9 pixel bytes, RowLen 12
  PaintPattern(b, 6);
  b.SetRowAlignment(8);
  EXPECT_EQ(b.RowAlignment(), 8);
  EXPECT_EQ(b.RowLen(), 9);
  EXPECT_TRUE(HasPattern(b, 6));
  EXPECT_EQ(b.Scanline(0), b.Bits() + 27) << "packed rows: the block starts with the last row";
  TTempFolder tmp;
  TIEBitmap f;
  f.MemoryThreshold = 0;
  f.Allocate(3, 4, ie24RGB);
  f.SetRowAlignment(8);
  EXPECT_EQ(f.RowAlignment(), 32);
}

TEST(IEBitmapOps, SetWidthAndHeightKeepTheCommonContent) {
  TIEBitmap b(4, 3, ie8g);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) b.SetPixel8(x, y, static_cast<uint8_t>(10 * y + x));
  b.GetAlphaChannel()->Fill(5);
  b.SetWidth(2);
  b.SetHeight(5);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.GetPixel8(1, 2), 21);
  EXPECT_EQ(b.GetAlphaChannel()->Width(), 2);
  EXPECT_EQ(b.GetAlphaChannel()->Height(), 5);
  EXPECT_EQ(b.GetAlpha(1, 2), 5);
  TIEBitmap e;
  e.SetWidth(7);
  EXPECT_EQ(e.Width(), 7);
  EXPECT_TRUE(e.IsEmpty());
}

TEST(IEBitmapOps, ResizePlacesTheOldContentByAlignment) {
  struct Case {
    int oldW, newW, align;
    const char* expected;  // one row: old columns are 'a'+index, '.' the fill
  } cases[] = {{4, 6, 1, ".abcd."}, {4, 6, 0, "abcd.."}, {4, 6, 2, "..abcd"},
               {6, 4, 2, "cdef"},   {6, 4, 1, "bcde"},   {6, 4, 0, "abcd"}};
  for (const auto& c : cases) {
    TIEBitmap b(c.oldW, 4, ie8g);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < c.oldW; ++x) b.SetPixel8(x, y, static_cast<uint8_t>('a' + x));
    b.GetAlphaChannel()->Fill(200);
    b.Resize(c.newW, 4, '.', 0, c.align, 0);
    std::string row;
    for (int x = 0; x < b.Width(); ++x) row += static_cast<char>(b.GetPixel8(x, 3));
    EXPECT_EQ(row, c.expected) << c.oldW << "->" << c.newW << " align " << c.align;
    for (int x = 0; x < b.Width(); ++x)
      EXPECT_EQ(b.GetAlpha(x, 0), row[x] == '.' ? 0 : 200) << "alpha follows with its own fill";
  }
  TIEBitmap v(2, 2, ie8g);
  v.Fill(1);
  v.Resize(2, 4, 9, 255, 0, 2);  // bottom: the old rows move down
  EXPECT_EQ(v.GetPixel8(0, 0), 9);
  EXPECT_EQ(v.GetPixel8(0, 3), 1);
}

}  // namespace
