// ICO and CUR codecs: multi-size writing and reading, the size lists, 1/4/8/24/32-bit images with
// their AND masks, PNG-compressed images, cursors, hostile files and shell icons.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "codectest.h"
#include "imaging/codecs/bmpfilt.h"
#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/ieicofilt.h"
#include "imaging/codecs/pngfilt.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"

namespace {

struct TImage {
  TImage(uint8_t W, uint8_t H, uint8_t ColorCount = 0) : w(W), h(H), colorCount(ColorCount) {}
  uint8_t w, h, colorCount;
  uint16_t planes = 1, bitCount = 0;
  std::vector<uint8_t> data;  // info header onwards (or PNG data)
};

// DIB data of an icon image: info header (height doubled), colour table, XOR rows, AND rows.
std::vector<uint8_t> Dib(int w, int h, int bits, const std::vector<TIERGBPixel>& pal, const std::vector<uint8_t>& xorRows,
                         const std::vector<uint8_t>& andRows) {
  std::vector<uint8_t> v;
  Put32(v, 40);
  Put32(v, w);
  Put32(v, 2 * h);
  Put16(v, 1);
  Put16(v, bits);
  for (int i = 0; i < 6; ++i) Put32(v, 0);
  for (auto p : pal) v.insert(v.end(), {p.b, p.g, p.r, 0});
  v.insert(v.end(), xorRows.begin(), xorRows.end());
  v.insert(v.end(), andRows.begin(), andRows.end());
  return v;
}

std::vector<uint8_t> IconFile(const std::vector<TImage>& images, int type = 1) {
  std::vector<uint8_t> v;
  Put16(v, 0);
  Put16(v, type);
  Put16(v, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (auto& im : images) {
    v.insert(v.end(), {im.w, im.h, im.colorCount, 0});
    Put16(v, im.planes);
    Put16(v, im.bitCount);
    Put32(v, static_cast<uint32_t>(im.data.size()));
    Put32(v, offset);
    offset += static_cast<uint32_t>(im.data.size());
  }
  for (auto& im : images) v.insert(v.end(), im.data.begin(), im.data.end());
  return v;
}

std::unique_ptr<TRead> ReadIco(const std::vector<uint8_t>& data, int index = 0, bool cursor = false,
                               TIERGBPixel background = TIERGBPixel{255, 255, 255}) {
  auto r = std::make_unique<TRead>();
  r->Params.ICO_ImageIndex = index;
  r->Params.CUR_ImageIndex = index;
  r->Params.ICO_Background = background;
  r->Params.CUR_Background = background;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  if (cursor)
    CurReadImage(&s, &r->Bitmap, r->Params, false, pr.Rec, r->Mask, false);
  else
    IcoReadImage(&s, &r->Bitmap, r->Params, false, pr.Rec, r->Mask, false);
  r->Aborted = pr.Aborted();
  return r;
}

}  // namespace

TEST(Ico, WritesSeveralSizesAndDepthsAndReadsThemBack) {
  TIEBitmap src;
  MakePhoto(src, 64, 64);
  TIEBitmap* a = src.GetAlphaChannel();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) a->Scanline(y)[x] = x < 16 ? 0 : 255;
  a->Full = false;
  TIOParamsVals p;
  TIEIcoSize sizes[3] = {{16, 16}, {32, 32}, {48, 48}};
  int32_t bits[3] = {4, 8, 32};
  TMemoryStream out;
  TTestProgress pr;
  IcoWriteImage(&out, &src, p, pr.Rec, sizes, bits, 3);
  ASSERT_FALSE(pr.Aborted());
  auto file = Bytes(out);
  EXPECT_EQ(Get16(file, 4), 3);
  // Directory entries: 8 bits shows colour count 255; 32 bits planes 1 and bit count 32.
  EXPECT_EQ(file[6 + 16 * 0 + 2], 16);
  EXPECT_EQ(file[6 + 16 * 1 + 2], 255);
  EXPECT_EQ(Get16(file, 6 + 16 * 1 + 6), 0);
  EXPECT_EQ(Get16(file, 6 + 16 * 2 + 4), 1);
  EXPECT_EQ(Get16(file, 6 + 16 * 2 + 6), 32);
  TMemoryStream s;
  Load(s, file);
  EXPECT_TRUE(IcoDetect(&s));
  EXPECT_FALSE(CurDetect(&s));
  EXPECT_EQ(IcoImageCount(&s), 3);
  for (int k = 0; k < 3; ++k) {
    auto r = ReadIco(file, k);
    SCOPED_TRACE(k);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Bitmap.Width(), sizes[k].Width);
    ASSERT_NE(r->Mask, nullptr);
    int w = sizes[k].Width;
    // Transparent pixels: index 0 with the AND bit set (4 and 8 bits) or alpha 0 (32 bits).
    EXPECT_EQ(r->Mask->GetPixel(1, w / 2), 0);
    EXPECT_EQ(r->Mask->GetPixel(w - 2, w / 2), 255);
    EXPECT_EQ(r->Params.ICO_Sizes[k].Width, w);
    EXPECT_EQ(r->Params.ICO_BitCount[k], bits[k]);
    TIEBitmap small;
    std::unique_ptr<TIEBitmap> want(IEResampleCopy(&src, w, w));
    // Opaque half compares close to the resampled source (palettes quantize 4 and 8 bits).
    double err = 0;
    int n = 0;
    for (int y = 0; y < w; ++y)
      for (int x = w / 2; x < w; ++x) {
        TIERGBPixel g = r->Bitmap.GetPixelRGB(x, y), e = want->GetPixelRGB(x, y);
        err += std::abs(g.r - e.r) + std::abs(g.g - e.g) + std::abs(g.b - e.b);
        ++n;
      }
    EXPECT_LT(err / (3 * n), k == 0 ? 25 : 8);
  }
}

// The depths the multi-size test leaves out: 1 and 24 bits, written at the source's own size.
TEST(Ico, OneAndTwentyFourBitImagesWriteAndReadBack) {
  TIEBitmap src;
  src.Allocate(16, 16, ie24RGB);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) src.SetPixelRGB(x, y, ((x / 4 + y / 2) % 2) ? PixRGB(255, 255, 255) : PixRGB(0, 0, 0));
  TIEIcoSize sizes[2] = {{16, 16}, {16, 16}};
  int32_t bits[2] = {1, 24};
  TIOParamsVals p;
  TMemoryStream out;
  TTestProgress pr;
  IcoWriteImage(&out, &src, p, pr.Rec, sizes, bits, 2);
  ASSERT_FALSE(pr.Aborted());
  auto file = Bytes(out);
  ASSERT_EQ(Get16(file, 4), 2);
  // 1 bit: colour count 2, planes and bit count 0; 24 bits: colour count 0, planes 1, bit count 24.
  EXPECT_EQ(file[6 + 16 * 0 + 2], 2);
  EXPECT_EQ(Get16(file, 6 + 16 * 0 + 6), 0);
  EXPECT_EQ(file[6 + 16 * 1 + 2], 0);
  EXPECT_EQ(Get16(file, 6 + 16 * 1 + 4), 1);
  EXPECT_EQ(Get16(file, 6 + 16 * 1 + 6), 24);
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(bits[k]);
    auto r = ReadIco(file, k);
    ASSERT_FALSE(r->Aborted);
    ASSERT_EQ(r->Bitmap.Width(), 16);
    ASSERT_EQ(r->Bitmap.Height(), 16);
    EXPECT_EQ(r->Params.ICO_BitCount[k], bits[k]);
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) wrong += r->Bitmap.GetPixelAsRGB(x, y) != src.GetPixelRGB(x, y);
    EXPECT_EQ(wrong, 0);
  }
}

TEST(Ico, SizeListsSkipLargeEntriesAndStopAtSixteen) {
  std::vector<TImage> images;
  for (int i = 0; i < 20; ++i) {
    TImage im{static_cast<uint8_t>(i == 2 ? 0 : 16 + i), static_cast<uint8_t>(i == 2 ? 0 : 16 + i)};
    im.bitCount = 24;
    im.data = Dib(1, 1, 24, {}, {1, 2, 3, 0}, {0, 0, 0, 0});
    images.push_back(im);
  }
  auto r = ReadIco(IconFile(images), 0);
  EXPECT_EQ(r->Params.ICO_Sizes[0].Width, 16);
  EXPECT_EQ(r->Params.ICO_Sizes[2].Width, 19);  // the 256-pixel entry is left out
  EXPECT_EQ(r->Params.ICO_Sizes[14].Width, 31);
  EXPECT_EQ(r->Params.ICO_Sizes[15].Width, 0);
}

TEST(Ico, OneBitIconsWithBackgrounds) {
  // 2 x 1: pixel 0 transparent (AND 1, XOR 0), pixel 1 inverting (AND 1, XOR 1).
  TImage im{2, 1};
  im.data = Dib(2, 1, 1, {PixRGB(0, 0, 0), PixRGB(255, 255, 255)}, {0x40, 0, 0, 0}, {0xC0, 0, 0, 0});
  auto file = IconFile({im});
  auto white = ReadIco(file, 0, false, PixRGB(255, 255, 255));
  ASSERT_EQ(white->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(white->Bitmap.GetPixelAsRGB(0, 0), PixRGB(255, 255, 255));
  EXPECT_EQ(white->Bitmap.GetPixelAsRGB(1, 0), PixRGB(0, 0, 0));
  auto black = ReadIco(file, 0, false, PixRGB(0, 0, 0));
  EXPECT_EQ(black->Bitmap.GetPixelAsRGB(0, 0), PixRGB(0, 0, 0));
  EXPECT_EQ(black->Bitmap.GetPixelAsRGB(1, 0), PixRGB(255, 255, 255));
  ASSERT_NE(white->Mask, nullptr);
  EXPECT_EQ(white->Mask->GetPixel(0, 0), 0);
}

TEST(Ico, ThirtyTwoBitAlphaSources) {
  auto make = [](uint8_t alpha0, uint8_t alpha1, uint8_t andBits) {
    TImage im{2, 1};
    im.bitCount = 32;
    im.data = Dib(2, 1, 32, {}, {10, 20, 30, alpha0, 40, 50, 60, alpha1}, {andBits, 0, 0, 0});
    return IconFile({im});
  };
  auto fromAnd = ReadIco(make(0, 0, 0x80));
  ASSERT_NE(fromAnd->Mask, nullptr);
  EXPECT_EQ(fromAnd->Mask->GetPixel(0, 0), 0);
  EXPECT_EQ(fromAnd->Mask->GetPixel(1, 0), 255);
  auto real = ReadIco(make(0, 128, 0x00));
  ASSERT_NE(real->Mask, nullptr);
  EXPECT_EQ(real->Mask->GetPixel(1, 0), 128);
  auto opaque = ReadIco(make(255, 255, 0));
  EXPECT_EQ(opaque->Mask, nullptr);
  EXPECT_EQ(opaque->Bitmap.GetPixelRGB(1, 0), PixRGB(60, 50, 40));
}

TEST(Ico, FourBitOddWidthAndPaletteIndexes) {
  std::vector<TIERGBPixel> pal(16);
  for (int i = 0; i < 16; ++i) pal[i] = PixRGB(i * 17, 0, 0);
  TImage im{3, 1};
  im.data = Dib(3, 1, 4, pal, {0x12, 0x30, 0, 0}, {0, 0, 0, 0});
  auto r = ReadIco(IconFile({im}));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.Width(), 3);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), pal[1]);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(2, 0), pal[3]);
  EXPECT_EQ(r->Mask, nullptr);  // fully opaque
}

TEST(Ico, PngImagesAndBitmapFiles) {
  TIEBitmap src;
  MakePhoto(src, 24, 24);
  TIEMask mask;
  mask.AllocateBits(24, 24, 8);
  mask.Fill(255);
  mask.SetPixel(5, 5, 0);
  TIOParamsVals pp;
  TMemoryStream png;
  TTestProgress pr;
  PngWriteImage(&png, &src, pp, &mask, pr.Rec);
  TImage im{24, 24};
  im.bitCount = 32;
  im.data = Bytes(png);
  auto r = ReadIco(IconFile({im}));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(PSNR(src, r->Bitmap), 99);
  EXPECT_FALSE(r->Bitmap.HasAlphaChannel());
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetPixel(5, 5), 0);
  // Data that start with "BM" load as a bitmap file.
  TIOParamsVals bp;
  TMemoryStream bmp;
  BmpWriteImage(&bmp, &src, bp, false, pr.Rec);
  auto b = ReadIco(Bytes(bmp));
  EXPECT_EQ(PSNR(src, b->Bitmap), 99);
}

TEST(Cur, PaletteOfColourCount255AndHotSpot) {
  std::vector<TIERGBPixel> pal(256);
  for (int i = 0; i < 256; ++i) pal[i] = PixRGB(i, 255 - i, 9);
  TImage im{2, 1, 255};
  im.planes = 7;     // hot spot x
  im.bitCount = 11;  // hot spot y
  auto data = Dib(2, 1, 8, pal, {200, 255, 0, 0}, {0x40, 0, 0, 0});
  data[14] = 8;
  im.data = data;
  auto file = IconFile({im}, 2);
  TMemoryStream s;
  Load(s, file);
  EXPECT_TRUE(CurDetect(&s));
  EXPECT_FALSE(IcoDetect(&s));
  auto r = ReadIco(file, 0, true, PixRGB(1, 2, 3));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.ColorMapCount, 256);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), pal[200]);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(1, 2, 3));  // AND bit: the background
  EXPECT_EQ(r->Params.CUR_XHotSpot, 7);
  EXPECT_EQ(r->Params.CUR_YHotSpot, 11);
  ASSERT_NE(r->Mask, nullptr);  // a cursor's mask comes back even when set
}

// A cursor's colour table holds as many entries as its colour count: an index past them reads black.
TEST(Cur, IndexesBeyondAShortColourTableReadBlack) {
  std::vector<TIERGBPixel> pal = {PixRGB(10, 20, 30), PixRGB(40, 50, 60), PixRGB(70, 80, 90), PixRGB(1, 2, 3)};
  TImage im{2, 1, 4};
  im.data = Dib(2, 1, 8, pal, {2, 200, 0, 0}, {0, 0, 0, 0});
  auto file = IconFile({im}, 2);
  file.insert(file.end(), 1024, 0x77);  // bytes after the image that a 256-entry table would take
  auto r = ReadIco(file, 0, true);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.ColorMapCount, 4);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), PixRGB(70, 80, 90));
  EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(0, 0, 0));
}

// 24- and 32-bit cursors decode their pixels (a bitmap that held another picture is overwritten).
TEST(Cur, TrueColourCursorsDecode) {
  TImage c24{2, 2};
  c24.data = Dib(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}, std::vector<uint8_t>(8, 0));
  TImage c32{2, 1};
  c32.data = Dib(2, 1, 32, {}, {10, 20, 30, 255, 40, 50, 60, 0}, std::vector<uint8_t>(4, 0));
  struct Case { const char* name; TImage im; std::vector<std::pair<int, TIERGBPixel>> want; } cases[] = {
      {"24", c24, {{0, PixRGB(9, 8, 7)}, {1, PixRGB(12, 11, 10)}, {2, PixRGB(3, 2, 1)}, {3, PixRGB(6, 5, 4)}}},
      {"32", c32, {{0, PixRGB(30, 20, 10)}, {1, PixRGB(60, 50, 40)}}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = IconFile({c.im}, 2);
    TRead r;
    r.Bitmap.Allocate(c.im.w, c.im.h, ie24RGB);
    for (int y = 0; y < c.im.h; ++y) std::memset(r.Bitmap.Scanline(y), 0xEE, r.Bitmap.RowLen());
    TMemoryStream s;
    Load(s, file);
    TTestProgress pr;
    CurReadImage(&s, &r.Bitmap, r.Params, false, pr.Rec, r.Mask, false);
    ASSERT_FALSE(pr.Aborted());
    ASSERT_EQ(r.Bitmap.Width(), c.im.w);
    for (auto& [i, px] : c.want) EXPECT_EQ(r.Bitmap.GetPixelRGB(i % c.im.w, i / c.im.w), px) << i;
  }
  auto r32 = ReadIco(IconFile({c32}, 2), 0, true);
  ASSERT_NE(r32->Mask, nullptr);
  EXPECT_EQ(r32->Mask->GetPixel(0, 0), 255);
  EXPECT_EQ(r32->Mask->GetPixel(1, 0), 0);
}

// A cursor with a two-entry table of a 4-bit image is a colour image, not a 1-bit one.
TEST(Cur, FourBitCursorWithTwoColours) {
  TImage im{2, 1, 2};
  im.data = Dib(2, 1, 4, {PixRGB(200, 0, 0), PixRGB(0, 0, 200)}, {0x10, 0, 0, 0}, {0, 0, 0, 0});
  auto r = ReadIco(IconFile({im}, 2), 0, true);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), PixRGB(0, 0, 200));
  EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(200, 0, 0));
}

// Content decides: an icon handed to the cursor reader (a ".cur" file holding an icon) reads as
// an icon, with the icon's size lists.
TEST(Cur, IconContentReadsAsAnIcon) {
  TImage im{2, 1};
  im.bitCount = 24;
  im.data = Dib(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0}, {0, 0, 0, 0});
  auto r = ReadIco(IconFile({im}, 1), 0, true);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(6, 5, 4));
  EXPECT_EQ(r->Params.ICO_Sizes[0].Width, 2);
  EXPECT_EQ(r->Params.CUR_XHotSpot, 0);
}

TEST(Ico, HostileFilesFailCleanly) {
  TImage good{4, 4};
  good.bitCount = 24;
  good.data = Dib(4, 4, 24, {}, std::vector<uint8_t>(4 * 12, 7), std::vector<uint8_t>(16, 0));
  auto file = IconFile({good});
  auto hugeHeader = file;
  hugeHeader[6] = 0, hugeHeader[7] = 0;  // width and height from the info header
  hugeHeader[22 + 4] = 0xFF, hugeHeader[22 + 5] = 0xFF, hugeHeader[22 + 6] = 0xFF, hugeHeader[22 + 7] = 0x7F;
  hugeHeader[22 + 8] = 0xFE, hugeHeader[22 + 9] = 0xFF, hugeHeader[22 + 10] = 0xFF, hugeHeader[22 + 11] = 0x7F;
  auto noBits = file;
  noBits[22 + 14] = 0;
  noBits[12] = 0;  // entry bit count 0, colour count 0
  auto badOffset = file;
  badOffset[18] = 0xF0, badOffset[19] = 0xFF, badOffset[20] = 0xFF, badOffset[21] = 0x0F;
  struct Case { const char* name; std::vector<uint8_t> data; int index; bool aborts; } cases[] = {
      {"good", file, 0, false},
      {"index beyond", file, 3, false},
      {"negative index", file, -1, false},
      {"truncated pixels", std::vector<uint8_t>(file.begin(), file.end() - 30), 0, true},
      {"truncated directory", std::vector<uint8_t>(file.begin(), file.begin() + 10), 0, true},
      {"huge header size", hugeHeader, 0, true},
      {"no bit count", noBits, 0, true},
      {"offset beyond the file", badOffset, 0, true},
      {"empty", {}, 0, true},
  };
  for (auto& c : cases) {
    auto r = ReadIco(c.data, c.index);
    EXPECT_EQ(r->Aborted, c.aborts) << c.name;
    if (c.index != 0) {
      EXPECT_TRUE(r->Bitmap.IsEmpty()) << c.name;
    }
  }
  TMemoryStream s;
  Load(s, std::vector<uint8_t>(file.begin(), file.begin() + 22));
  EXPECT_FALSE(IcoDetect(&s));  // fewer than 23 bytes
}

TEST(ShellIcon, MimeTypeThemeIconOrBuiltIn) {
  EXPECT_EQ(IEMimeTypeOfFile("/tmp/some/80013578-John/IMG_0001.JPG"), "image/jpeg");
  EXPECT_EQ(IEMimeTypeOfFile("/"), "inode/directory");
  TIEBitmap icon;
  ShellIconToBitmap("/nowhere/photo.jpg", &icon);
  ASSERT_FALSE(icon.IsEmpty());
  EXPECT_EQ(icon.PixelFormat(), ie24RGB);
  EXPECT_TRUE(icon.HasAlphaChannel());
  std::string themed = IEFindMimeIcon("image/jpeg");
  if (!themed.empty()) {
    EXPECT_NE(themed.find("image"), std::string::npos) << themed;
  }
  // Without any MIME database or icon theme: the built-in icon.
  auto dir = std::filesystem::temp_directory_path() / ("orv_icons_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const char* oldDirs = std::getenv("XDG_DATA_DIRS");
  const char* oldHome = std::getenv("XDG_DATA_HOME");
  std::string savedDirs = oldDirs ? oldDirs : "", savedHome = oldHome ? oldHome : "";
  setenv("XDG_DATA_DIRS", dir.c_str(), 1);
  setenv("XDG_DATA_HOME", dir.c_str(), 1);
  TIEBitmap builtin;
  ShellIconToBitmap("/nowhere/photo.jpg", &builtin);
  EXPECT_EQ(IEMimeTypeOfFile("x.jpg"), "application/octet-stream");
  auto restore = [](const char* name, const char* old, const std::string& saved) {
    if (old) {
      setenv(name, saved.c_str(), 1);
    } else {
      unsetenv(name);
    }
  };
  restore("XDG_DATA_DIRS", oldDirs, savedDirs);
  restore("XDG_DATA_HOME", oldHome, savedHome);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(builtin.Width(), 32);
  ASSERT_TRUE(builtin.HasAlphaChannel());
  EXPECT_EQ(builtin.GetAlphaChannel()->Scanline(0)[0], 0);
  EXPECT_EQ(builtin.GetAlphaChannel()->Scanline(16)[12], 255);
}
