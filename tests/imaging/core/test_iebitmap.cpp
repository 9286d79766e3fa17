// The image container: allocation and the location rule, row layout, file-located rows, the
// alpha channel and the palette.
#include <gtest/gtest.h>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"
#include "imgtestutil.h"

#include <memory>

namespace {

struct TSettingsGuard {
  int64_t Override = IEMemoryThresholdOverride, MaxBlock = IEMaxBlockSize;
  bool Fragments = IEAutoFragmentRows, FallBack = IEAutoFallBackToFile;
  ~TSettingsGuard() {
    IEMemoryThresholdOverride = Override;
    IEMaxBlockSize = MaxBlock;
    IEAutoFragmentRows = Fragments;
    IEAutoFallBackToFile = FallBack;
  }
};

TEST(IEBitmap, SmallImageLandsInMemoryAlthoughCreateAsksForFile) {
  TIEBitmap b;
  EXPECT_EQ(b.Location(), ieFile);
  ASSERT_TRUE(b.Allocate(100, 100, ie24RGB));
  EXPECT_EQ(b.Location(), ieMemory);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Bits()) % 64, 0u) << "the block starts on a 64-byte boundary";
}

TEST(IEBitmap, ThresholdZeroPutsImageInTemporaryFileNamedIMG) {
  TTempFolder tmp;
  TIEBitmap b;
  b.MemoryThreshold = 0;
  ASSERT_TRUE(b.Allocate(100, 100, ie24RGB));
  EXPECT_EQ(b.Location(), ieFile);
  auto files = tmp.Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].substr(0, 4), "IMG-");
  EXPECT_EQ(files[0].size(), std::string("IMG-01234567.tmp").size());
  b.FreeImage();
  EXPECT_TRUE(tmp.Files().empty()) << "freeing the image deletes its temporary file";
}

TEST(IEBitmap, SizeEqualToThresholdKeepsRequestedLocation) {
  TTempFolder tmp;
  for (TIELocation asked : {ieMemory, ieFile}) {
    TIEBitmap b;
    b.SetLocation(asked);
    b.MemoryThreshold = 12 * 10;  // RowLen 12 for width 3, 10 rows
    ASSERT_TRUE(b.Allocate(3, 10, ie24RGB));
    EXPECT_EQ(b.Location(), asked);
  }
}

TEST(IEBitmap, RowLengthAndGeometryPerFormat) {
  struct Case {
    int w;
    TIEPixelFormat pf;
    int rowLen, bits, channels;
  } cases[] = {{301, ie1g, 40, 1, 1},  {3, ie24RGB, 12, 24, 3}, {5, ie8p, 8, 8, 1},   {5, ie8g, 8, 8, 1},
               {5, ie16g, 12, 16, 1},  {5, ie32f, 20, 32, 1},   {5, ieCMYK, 20, 32, 4}, {5, ieRGB48, 32, 48, 3},
               {5, ieCIELab, 16, 24, 3}, {5, ie32RGB, 20, 32, 4}};
  for (const auto& c : cases) {
    TIEBitmap b(c.w, 2, c.pf);
    EXPECT_EQ(b.RowLen(), c.rowLen) << int(c.pf);
    EXPECT_EQ(b.BitCount(), c.bits) << int(c.pf);
    EXPECT_EQ(b.ChannelCount(), c.channels) << int(c.pf);
    EXPECT_EQ(b.GetPaletteLength(), c.pf == ie8p ? 256 : 0);
  }
}

TEST(IEBitmap, RowsAreBottomUpInOneBlock) {
  TIEBitmap b(4, 3, ie8g);
  EXPECT_EQ(b.Scanline(0), b.Bits() + 2 * b.RowLen()) << "row 0 is the last row of the block";
  EXPECT_EQ(b.Scanline(2), b.Bits());
}

TEST(IEBitmap, RefusedAllocationsLeaveBitmapEmpty) {
  TIEBitmap b;
  EXPECT_FALSE(b.Allocate(0, 10, ie24RGB));
  EXPECT_FALSE(b.Allocate(10, -1, ie24RGB));
  EXPECT_FALSE(b.Allocate(10, 10, ieNone));
  EXPECT_FALSE(b.Allocate(2000000000, 1, ieRGB48)) << "a row longer than 2 GB";
  EXPECT_FALSE(b.Allocate(10, 10, static_cast<TIEPixelFormat>(11))) << "not a pixel format";
  EXPECT_EQ(b.PixelFormat(), ieNone);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Width(), 0);
}

TEST(IEBitmap, SameSizeTwiceKeepsPixelsUnlessAssignAskedForReallocation) {
  TIEBitmap b(10, 10, ie8g);
  b.Fill(77);
  ASSERT_TRUE(b.Allocate(10, 10, ie8g));
  EXPECT_EQ(b.GetPixel8(5, 5), 77);
  TIEBitmap other(10, 10, ie8g);
  other.Fill(1);
  b.Assign(&other);
  EXPECT_TRUE(b.FullReallocate);
  EXPECT_EQ(b.GetPixel8(5, 5), 1);
  ASSERT_TRUE(b.Allocate(10, 10, ie8g));
  EXPECT_FALSE(b.FullReallocate);
}

TEST(IEBitmap, TBitmapLocationHoldsItsFormatsAndRefusesTheOthers) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  ASSERT_TRUE(b.Allocate(10, 5, ie16g));
  EXPECT_EQ(b.PixelFormat(), ie8g) << "16-bit grey is held as 8-bit grey";
  EXPECT_EQ(b.RowLen(), 12);
  for (TIEPixelFormat pf : {ie32f, ieCMYK, ieRGB48, ieCIELab}) {
    TIEBitmap r;
    r.SetLocation(ieTBitmap);
    EXPECT_FALSE(r.Allocate(10, 5, pf));
    EXPECT_TRUE(r.IsEmpty());
  }
  TIEBitmap c;
  c.SetLocation(ieTBitmap);
  ASSERT_TRUE(c.Allocate(7, 3, ie24RGB));
  PaintPattern(c);
  EXPECT_TRUE(HasPattern(c));
}

TEST(IEBitmap, TBitmapLocationRowsAreTheBitmapsScanLines) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  ASSERT_TRUE(b.Allocate(5, 4, ie24RGB));
  ASSERT_NE(b.Bitmap(), nullptr);
  EXPECT_EQ(b.Bitmap()->PixelFormat(), pf24bit);
  EXPECT_EQ(b.Bitmap()->Width(), 5);
  EXPECT_EQ(b.Scanline(3), b.Bitmap()->ScanLine(3));
  b.Fill(0x0000FF);
  EXPECT_EQ(GetPixel(b.Bitmap()->Canvas()->Handle(), 4, 3), 0x0000FFu) << "class-library drawing sees the pixels";
  SetPixelV(b.Bitmap()->Canvas()->Handle(), 1, 1, 0x00FF00);
  EXPECT_EQ(b.GetPixelRGB(1, 1), IEMakeRGB(0, 255, 0)) << "and the image sees class-library drawing";

  TIEBitmap g;
  g.SetLocation(ieTBitmap);
  ASSERT_TRUE(g.Allocate(3, 3, ie8g));
  PALETTEENTRY e[256];
  ASSERT_EQ(GetPaletteEntries(g.Bitmap()->Palette(), 0, 256, e), 256u);
  EXPECT_EQ(e[77].peRed, 77);
  EXPECT_EQ(e[77].peBlue, 77) << "a grey colour table";

  TIEBitmap p;
  p.SetLocation(ieTBitmap);
  ASSERT_TRUE(p.Allocate(3, 3, ie8p));
  p.SetPaletteEntry(5, IEMakeRGB(10, 20, 30));
  ASSERT_EQ(GetPaletteEntries(p.Bitmap()->Palette(), 5, 1, e), 1u);
  EXPECT_EQ(e[0].peRed, 10);
  EXPECT_EQ(e[0].peBlue, 30) << "palette changes reach the class-library bitmap";
}

TEST(IEBitmap, GetTBitmapMovesTheImageIntoClassLibraryStorage) {
  TIEBitmap b(6, 2, ie1g);
  PaintPattern(b);
  TBitmap* t = b.GetTBitmap();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(b.Location(), ieTBitmap);
  EXPECT_EQ(t->PixelFormat(), pf1bit);
  EXPECT_TRUE(HasPattern(b));
  EXPECT_NE(b.GetCanvas(), nullptr);
  TIEBitmap f(2, 2, ie32f);
  EXPECT_EQ(f.GetTBitmap(), nullptr) << "a refused format stays where it is";
  EXPECT_EQ(f.Location(), ieMemory);
}

TEST(IEBitmap, ChangesMadeToTheClassLibraryBitmapAreReadBack) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  ASSERT_TRUE(b.Allocate(4, 4, ie24RGB));
  b.GetAlphaChannel();
  TBitmap* t = b.Bitmap();
  t->SetSize(10, 6);
  EXPECT_EQ(b.GetWidth(), 10);
  EXPECT_EQ(b.GetHeight(), 6);
  EXPECT_EQ(b.Scanline(5), t->ScanLine(5)) << "rows follow the new scan lines";
  EXPECT_EQ(b.GetAlphaChannel()->Width(), 10) << "the alpha channel follows the size";
  t->SetPixelFormat(pf16bit);  // a depth the container has no format for: held as 24 bits
  EXPECT_EQ(b.GetPixelFormat(), ie24RGB);
  EXPECT_EQ(t->PixelFormat(), pf24bit);
  t->SetPixelFormat(pf1bit);
  EXPECT_EQ(b.GetPixelFormat(), ie1g);
  EXPECT_EQ(b.GetRowLen(), 4);
  t->SetPixelFormat(pf8bit);
  const TIEPixelFormat pf = b.GetPixelFormat();
  if (pf == ie8p) {
    RGBQUAD q;
    ASSERT_EQ(GetDIBColorTable(t->Canvas()->Handle(), 3, 1, &q), 1u);
    EXPECT_EQ(b.GetPaletteEntry(3), IEMakeRGB(q.rgbRed, q.rgbGreen, q.rgbBlue)) << "palette read from the table";
  } else {
    EXPECT_EQ(pf, ie8g);
  }
  TIEBitmap a;
  a.IsAlpha = true;
  a.SetLocation(ieTBitmap);
  ASSERT_TRUE(a.Allocate(3, 3, ie8g));
  EXPECT_EQ(a.GetPixelFormat(), ie8g);
}

// Every format, in memory and in a temporary file: write a pattern, read it back.
TEST(IEBitmap, EveryFormatInMemoryAndFileKeepsItsPixels) {
  TTempFolder tmp;
  for (TIEPixelFormat pf : kAllFormats) {
    for (bool inFile : {false, true}) {
      TIEBitmap b;
      if (inFile) b.MemoryThreshold = 0;
      ASSERT_TRUE(b.Allocate(37, 23, pf)) << int(pf);
      EXPECT_EQ(b.Location(), inFile ? ieFile : ieMemory);
      PaintPattern(b, int(pf));
      b.UnmapAll();
      EXPECT_TRUE(HasPattern(b, int(pf))) << int(pf) << (inFile ? " file" : " memory");
    }
  }
}

TEST(IEBitmap, FragmentsAreUsedWhenOneBlockCannotBeHad) {
  TSettingsGuard guard;
  IEMaxBlockSize = 20 * 1048576;  // 20 MB blocks at most
  TIEBitmap b;
  ASSERT_TRUE(b.Allocate(2000, 8000, ie24RGB));  // 48 MB
  EXPECT_EQ(b.Location(), ieMemory);
  EXPECT_EQ(b.FragmentCount(), 4);
  EXPECT_EQ(b.RowsPerFragment(), 2000);
  EXPECT_EQ(b.Bits(), nullptr);
  b.FillRect(0, 1999, 1999, 2000, 0x0000FF);  // rows on both sides of a fragment boundary
  EXPECT_EQ(b.GetPixelRGB(5, 1999).r, 255);
  EXPECT_EQ(b.GetPixelRGB(5, 2000).r, 255);
}

TEST(IEBitmap, FallsBackToFileOrFailsWhenMemoryCannotBeHad) {
  TTempFolder tmp;
  TSettingsGuard guard;
  IEMaxBlockSize = 1000;
  IEAutoFragmentRows = false;
  TIEBitmap b;
  b.SetLocation(ieMemory);
  ASSERT_TRUE(b.Allocate(100, 100, ie24RGB));
  EXPECT_EQ(b.Location(), ieFile);
  IEAutoFallBackToFile = false;
  TIEBitmap c;
  c.SetLocation(ieMemory);
  EXPECT_FALSE(c.Allocate(100, 100, ie24RGB));
  EXPECT_TRUE(c.IsEmpty());
}

TEST(IEBitmap, FileRowsWriteBackOnlyWithWriteAccess) {
  TTempFolder tmp;
  TIEBitmap b;
  b.MemoryThreshold = 0;
  ASSERT_TRUE(b.Allocate(8, 4, ie8g));
  b.Fill(10);
  b.Access = iaRead;
  b.Scanline(1)[0] = 99;  // changed in a read-only window: discarded
  b.Scanline(2);
  b.Access = iaReadWrite;
  EXPECT_EQ(b.GetPixel8(0, 1), 10);
  b.Scanline(1)[0] = 99;
  b.Scanline(2);
  EXPECT_EQ(b.GetPixel8(0, 1), 99);
}

TEST(IEBitmap, AcquiredRowsStayMappedTogether) {
  TTempFolder tmp;
  TIEBitmap b;
  b.MemoryThreshold = 0;
  ASSERT_TRUE(b.Allocate(16, 8, ie8g));
  b.Fill(0);
  uint8_t* r1 = static_cast<uint8_t*>(b.AcquireScanline(1));
  uint8_t* r5 = static_cast<uint8_t*>(b.AcquireScanline(5));
  for (int i = 0; i < 16; ++i) {
    r1[i] = 1;
    r5[i] = 5;
  }
  b.Scanline(3)[0] = 3;  // an ordinary row access does not unmap kept rows
  b.ReleaseScanline(1);
  b.UnmapAll();
  EXPECT_EQ(b.GetPixel8(15, 1), 1);
  EXPECT_EQ(b.GetPixel8(15, 5), 5);
  EXPECT_EQ(b.GetPixel8(0, 3), 3);
}

TEST(IEBitmap, AlphaChannelIsCreatedOpaqueOnDemand) {
  TIEBitmap b(6, 4, ie24RGB);
  EXPECT_FALSE(b.HasAlphaChannel());
  TIEBitmap* a = b.GetAlphaChannel();
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(b.HasAlphaChannel());
  EXPECT_TRUE(a->IsAlpha);
  EXPECT_TRUE(a->Full);
  EXPECT_EQ(a->PixelFormat(), ie8g);
  EXPECT_EQ(a->Width(), 6);
  EXPECT_EQ(a->GetPixel8(5, 3), 255);
  EXPECT_EQ(a->GetAlphaChannel(), nullptr) << "an alpha channel never gets one";
}

TEST(IEBitmap, CreateSizedAndCreateAsAlpha) {
  std::unique_ptr<TIEBitmap> b(TIEBitmap::CreateSized(7, 3, ieRGB48));
  EXPECT_EQ(b->Width(), 7);
  EXPECT_EQ(b->PixelFormat(), ieRGB48);
  std::unique_ptr<TIEBitmap> a(TIEBitmap::CreateAsAlpha(5, 2, ieTBitmap));
  EXPECT_TRUE(a->IsAlpha);
  EXPECT_EQ(a->Location(), ieMemory) << "alpha channels never use class-library storage";
  EXPECT_EQ(a->PixelFormat(), ie8g);
  EXPECT_TRUE(a->Full);
  EXPECT_EQ(a->GetPixel8(4, 1), 255);
}

TEST(IEBitmap, RemoveAlphaChannelMergesTowardBackground) {
  TIEBitmap b(2, 1, ie24RGB);
  b.SetPixelRGB(0, 0, IEMakeRGB(0, 0, 0));
  b.SetPixelRGB(1, 0, IEMakeRGB(200, 100, 0));
  b.SetAlpha(0, 0, 128);
  b.SetAlpha(1, 0, 0);
  EXPECT_FALSE(b.GetAlphaChannel()->Full);
  b.RemoveAlphaChannel(true, 0xFFFFFF);
  EXPECT_FALSE(b.HasAlphaChannel());
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(127, 127, 127));
  EXPECT_EQ(b.GetPixelRGB(1, 0), IEMakeRGB(255, 255, 255));
}

TEST(IEBitmap, AttachAlphaChannelMarksItAndKeepsThePreviousOneForTheCaller) {
  TIEBitmap b(3, 3, ie24RGB);
  TIEBitmap* old = b.GetAlphaChannel();
  TIEBitmap* mine = new TIEBitmap(3, 3, ie8g);
  b.AttachAlphaChannel(mine);
  EXPECT_TRUE(mine->IsAlpha);
  EXPECT_EQ(b.GetAlphaChannel(), mine);
  delete old;  // still alive: the caller frees it
}

TEST(IEBitmap, PaletteEntriesAndCopy) {
  TIEBitmap b(4, 4, ie8p);
  b.SetPaletteEntry(3, IEMakeRGB(1, 2, 3));
  b.SetPaletteEntry(256, IEMakeRGB(9, 9, 9));  // ignored
  b.SetPaletteEntry(-1, IEMakeRGB(9, 9, 9));
  EXPECT_EQ(b.GetPaletteEntry(3), IEMakeRGB(1, 2, 3));
  EXPECT_EQ(b.GetPaletteEntry(300), IEMakeRGB(0, 0, 0));
  b.PaletteUsed = 16;
  TIEBitmap t(2, 2, ie24RGB);
  b.CopyPaletteTo(&t);
  EXPECT_EQ(t.GetPaletteLength(), 256);
  EXPECT_EQ(t.PaletteUsed, 16);
  EXPECT_EQ(t.GetPaletteEntry(3), IEMakeRGB(1, 2, 3));
  TIEBitmap g(2, 2, ie8g);
  g.CopyPaletteTo(&t);  // a source without palette clears the target's
  EXPECT_EQ(t.GetPaletteLength(), 0);
  EXPECT_EQ(t.PaletteUsed, 256);
}

TEST(IEBitmap, EncapsulatedMemoryIsUsedNotOwned) {
  std::vector<uint8_t> block(8 * 3, 0);
  block[0] = 42;  // first byte of the last row
  {
    TIEBitmap b;
    b.EncapsulateMemory(block.data(), 5, 3, ie8g);
    EXPECT_TRUE(b.EncapsulatedMemory);
    EXPECT_EQ(b.GetPixel8(0, 2), 42);
    b.SetPixel8(1, 0, 7);
  }
  EXPECT_EQ(block[16 + 1], 7);
}

}  // namespace

namespace {

// A 6000 x 4000 photo in a temporary file: only one row is ever in memory.
TEST(IEBitmap, LargeImageInAFileLocation) {
  TTempFolder tmp;
  TIEBitmap b;
  b.MemoryThreshold = 0;
  ASSERT_TRUE(b.Allocate(6000, 4000, ie24RGB));
  EXPECT_EQ(b.Location(), ieFile);
  b.Fill(0x000080);
  b.FillRect(5990, 3990, 7000, 5000, 0x00FF00);
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(0x80, 0, 0));
  EXPECT_EQ(b.GetPixelRGB(5999, 3999), IEMakeRGB(0, 255, 0));
  EXPECT_EQ(b.GetPixelRGB(5989, 3999), IEMakeRGB(0x80, 0, 0));
  EXPECT_LE(b.FileBuffer()->Mapped().size(), 1u);
  TIEBitmap m(6000, 4000, ie24RGB);
  EXPECT_EQ(m.Location(), ieMemory);
  b.CopyRectTo(&m, 5000, 3000, 0, 0, 1000, 1000);
  EXPECT_EQ(m.GetPixelRGB(999, 999), IEMakeRGB(0, 255, 0));
}

}  // namespace
