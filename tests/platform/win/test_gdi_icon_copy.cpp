// Copies of icons at another size (CopyImage): masked icons keep their transparent part where
// it was, monochrome icons keep both mask halves, and what is not an icon gives no copy.
#include <vector>

#include "gdi_test_util.h"

namespace {

// A W x W icon: red colour, the left half transparent (mask 1, colour black there).
HICON IconCopyTestIcon(int W) {
  TCanvasDC colour(W, W);
  RECT all{0, 0, W, W};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(colour.dc, &all, red);
  DeleteObject(red);
  RECT left{0, 0, W / 2, W};
  FillRect(colour.dc, &left, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const int stride = ((W + 15) / 16) * 2;
  std::vector<uint8_t> bits(static_cast<size_t>(stride) * W, 0);
  for (int y = 0; y < W; ++y)
    for (int x = 0; x < W / 2; ++x) bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  HBITMAP mask = CreateBitmap(W, W, 1, 1, bits.data());
  ICONINFO ii{TRUE, 0, 0, mask, colour.bm};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(mask);
  return icon;
}

TEST(GdiIconCopy, ScaledCopiesKeepTheirTransparentPart) {
  HICON icon = IconCopyTestIcon(32);
  ASSERT_NE(icon, nullptr);
  struct Case {
    int cx, cy, wantW, wantH;
  };
  for (const Case& k : {Case{16, 16, 16, 16}, Case{0, 0, 32, 32}, Case{48, 24, 48, 24}, Case{32, 32, 32, 32}}) {
    SCOPED_TRACE(k.cx * 1000 + k.cy);
    auto copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, k.cx, k.cy, LR_DEFAULTCOLOR));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, icon);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(copy, &info));
    BITMAP bm;
    GetObject(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, k.wantW);
    EXPECT_EQ(bm.bmHeight, k.wantH);
    GetObject(info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, k.wantW);
    EXPECT_EQ(bm.bmHeight, k.wantH);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    // Drawn at its own size over blue: blue on the left, red on the right.
    TCanvasDC c(k.wantW, k.wantH);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT back{0, 0, k.wantW, k.wantH};
    FillRect(c.dc, &back, blue);
    DeleteObject(blue);
    ASSERT_TRUE(DrawIconEx(c.dc, 0, 0, copy, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(c.At(k.wantW / 2 - 1, k.wantH - 1), RGB(0, 0, 255));
    EXPECT_EQ(c.At(k.wantW / 2, 0), RGB(255, 0, 0));
    EXPECT_EQ(c.At(k.wantW - 1, k.wantH - 1), RGB(255, 0, 0));
    EXPECT_TRUE(DestroyIcon(copy));
  }
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(GdiIconCopy, MonochromeIconsKeepBothHalvesAndOthersGiveNothing) {
  // A 8x8 monochrome icon: AND half all 0 (opaque), XOR half with the right half set (white).
  const int stride = 2;
  std::vector<uint8_t> bits(static_cast<size_t>(stride) * 16, 0);
  for (int y = 8; y < 16; ++y) bits[static_cast<size_t>(y) * stride] = 0x0F;
  HBITMAP mask = CreateBitmap(8, 16, 1, 1, bits.data());
  ICONINFO ii{TRUE, 0, 0, mask, nullptr};
  HICON mono = CreateIconIndirect(&ii);
  DeleteObject(mask);
  ASSERT_NE(mono, nullptr);
  auto copy = static_cast<HICON>(CopyImage(mono, IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(copy, nullptr);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(copy, &info));
  EXPECT_EQ(info.hbmColor, nullptr);
  BITMAP bm;
  GetObject(info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  EXPECT_EQ(bm.bmHeight, 32);
  DeleteObject(info.hbmMask);
  TCanvasDC c(16, 16);
  RECT all{0, 0, 16, 16};
  FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ASSERT_TRUE(DrawIconEx(c.dc, 0, 0, copy, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(2, 5), RGB(0, 0, 0));
  EXPECT_EQ(c.At(12, 5), RGB(255, 255, 255));
  EXPECT_TRUE(DestroyIcon(copy));
  // Not an icon, or not asked as one; a deleted original with LR_COPYDELETEORG.
  HBITMAP plain = CreateBitmap(4, 4, 1, 1, nullptr);
  EXPECT_EQ(CopyImage(plain, IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_EQ(CopyImage(mono, IMAGE_BITMAP, 16, 16, 0), nullptr);
  EXPECT_EQ(CopyImage(nullptr, IMAGE_ICON, 16, 16, 0), nullptr);
  DeleteObject(plain);
  auto moved = static_cast<HICON>(CopyImage(mono, IMAGE_ICON, 4, 4, LR_COPYDELETEORG));
  ASSERT_NE(moved, nullptr);
  EXPECT_FALSE(DestroyIcon(mono));
  EXPECT_TRUE(DestroyIcon(moved));
}

}  // namespace
