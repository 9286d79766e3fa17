// The thumbnail store: slot arithmetic, eviction of mapped entries, reuse of freed space, fetched
// bitmaps and the round trip of pixels, alpha and palette.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/views/ievirtualimagelist.h"

namespace {

bool FileExists(const std::string& Name) {
  struct stat st;
  return ::stat(Name.c_str(), &st) == 0;
}

// A bitmap whose every pixel encodes its position, so copies can be checked exactly.
std::unique_ptr<TIEBitmap> Pattern(int W, int H, TIEPixelFormat PF = ie24RGB, bool Alpha = false) {
  auto b = std::make_unique<TIEBitmap>(W, H, PF);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = b->Scanline(y);
    for (int i = 0; i < b->RowLen(); ++i) row[i] = static_cast<uint8_t>(y * 7 + i * 3 + 1);
  }
  if (Alpha) {
    TIEBitmap* a = b->GetAlphaChannel();
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) a->SetPixel8(x, y, static_cast<uint8_t>(x + y));
  }
  return b;
}

bool SamePixels(TIEBitmap* A, TIEBitmap* B) {
  if (A->Width() != B->Width() || A->Height() != B->Height() ||
      A->PixelFormat() != B->PixelFormat())
    return false;
  const int bytes = (A->Width() * A->BitCount() + 7) / 8;
  for (int y = 0; y < A->Height(); ++y)
    if (std::memcmp(A->Scanline(y), B->Scanline(y), bytes) != 0) return false;
  return true;
}

TEST(VirtualImageListSlots, EntrySizesFollowTheRowPaddingAndTheAlphaBlock) {
  struct Case {
    int W, H;
    bool Alpha;
    int64_t Size;
  };
  const Case cases[] = {
      {100, 75, false, 300 * 75},        // R = 300
      {100, 75, true, 300 * 75 + 7501},  // + 75 alpha rows of 100 bytes and the mark
      {1, 10, false, 4 * 10},            // a 1-pixel row is padded to 4 bytes
      {3, 2, true, 12 * 2 + 4 * 2 + 1},  // alpha rows padded to 4 as well
  };
  for (const Case& c : cases) {
    TIEVirtualImageList list("ILIST", false);
    auto b = Pattern(c.W, c.H, ie24RGB, c.Alpha);
    TIEVirtualImageEntry* e = list.AddBitmap(b.get());
    EXPECT_EQ(e->Size, c.Size) << c.W << "x" << c.H << (c.Alpha ? " with alpha" : "");
    EXPECT_EQ(e->Offset, 0);
    EXPECT_EQ(list.NextFree(), c.Size);
  }
}

TEST(VirtualImageListSlots, PicturesArePackedOneAfterAnother) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(100, 75);
  TIEVirtualImageEntry* a = list.AddBitmap(b.get());
  TIEVirtualImageEntry* c = list.AddBitmap(b.get());
  EXPECT_EQ(a->Offset, 0);
  EXPECT_EQ(c->Offset, 22500);
  EXPECT_EQ(list.Capacity(), 262144);
}

TEST(VirtualImageListSlots, TwelvePicturesLeaveElevenMappedAndTheFirstIsEvictedFirst) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(10, 10);
  std::vector<TIEVirtualImageEntry*> entries;
  for (int i = 0; i < 12; ++i) entries.push_back(list.AddBitmap(b.get()));
  EXPECT_EQ(list.MappedCount(), 11);
  EXPECT_EQ(entries[0]->Data, nullptr) << "the least recently used goes first";
  for (int i = 1; i < 12; ++i) EXPECT_NE(entries[i]->Data, nullptr) << i;
  // Touching an entry makes it the most recent one: the next eviction takes entry 2, not 1.
  ASSERT_NE(list.GetPixels(entries[1]), nullptr);
  list.AddBitmap(b.get());
  EXPECT_NE(entries[1]->Data, nullptr);
  EXPECT_EQ(entries[2]->Data, nullptr);
}

TEST(VirtualImageListSlots, AFreedBlockIsReusedBySmallerPicturesAndLargerOnesAreAppended) {
  TIEVirtualImageList list("ILIST", false);
  auto big = Pattern(100, 75), small = Pattern(50, 50), larger = Pattern(120, 80);
  TIEVirtualImageEntry* a = list.AddBitmap(big.get());
  TIEVirtualImageEntry* b = list.AddBitmap(big.get());
  list.AddBitmap(big.get());
  const int64_t end = list.NextFree();
  const int64_t bOffset = b->Offset;
  list.Delete(b);
  TIEVirtualImageEntry* same = list.AddBitmap(big.get());
  EXPECT_EQ(same->Offset, bOffset) << "same size: the freed block";
  list.Delete(same);
  TIEVirtualImageEntry* s = list.AddBitmap(small.get());
  EXPECT_EQ(s->Offset, bOffset) << "smaller: the freed block";
  // The rest of the block stays free for another small picture.
  TIEVirtualImageEntry* s2 = list.AddBitmap(Pattern(10, 10).get());
  EXPECT_EQ(s2->Offset, bOffset + s->Size);
  TIEVirtualImageEntry* l = list.AddBitmap(larger.get());
  EXPECT_EQ(l->Offset, end) << "larger: appended";
  (void)a;
}

TEST(VirtualImageListSlots, DeletingTheLastEntryResetsTheStore) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(300, 300);  // 270000 bytes: more than one growth step
  TIEVirtualImageEntry* e = list.AddBitmap(b.get());
  EXPECT_GT(list.Capacity(), 262144);
  list.Delete(e);
  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_EQ(list.NextFree(), 0);
  EXPECT_TRUE(list.FreeBlocks().empty());
  EXPECT_EQ(list.Capacity(), list.GrowthStep());
}

TEST(VirtualImageListSlots, AnEntryLargerThanTheGrowthStepRaisesTheStep) {
  TIEVirtualImageList list("ILIST", false);
  auto small = Pattern(8, 10);  // 240 bytes
  list.AddBitmap(small.get());
  auto big = Pattern(300, 300);  // 270000 bytes
  list.AddBitmap(big.get());
  EXPECT_EQ(list.GrowthStep(), 270000 + 240) << "the entry's size plus the previous entry's";
  EXPECT_EQ(list.Capacity(), 262144 + 270240);
}

TEST(VirtualImageListReuse, FreedSpaceSurvivesGrowthAndTheStoreStaysAsLargeAsWhatIsAlive) {
  // A grid scrolled over many photos keeps about 40 pictures alive and deletes those that scroll
  // away; the store must not grow with every picture ever stored.
  TIEVirtualImageList list("ILIST", true);
  auto b = Pattern(100, 66);  // 19800 bytes
  std::vector<TIEVirtualImageEntry*> alive;
  for (int i = 0; i < 2000; ++i) {
    alive.push_back(list.AddBitmap(b.get()));
    if (alive.size() > 40) {
      list.Delete(alive.front());
      alive.erase(alive.begin());
    }
  }
  EXPECT_LE(list.NextFree(), 42 * 19800);
  EXPECT_LE(list.StoreSize(), 42 * 19800 + 2 * 262144);
}

TEST(VirtualImageListReuse, NeighbouringFreedBlocksMergeAndGoBackToTheEnd) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(8, 5);  // 120 bytes each
  TIEVirtualImageEntry* e[4];
  for (auto*& x : e) x = list.AddBitmap(b.get());
  list.Delete(e[1]);
  list.Delete(e[2]);
  ASSERT_EQ(list.FreeBlocks().size(), 1u);
  EXPECT_EQ(list.FreeBlocks()[0].Offset, 120);
  EXPECT_EQ(list.FreeBlocks()[0].Size, 240);
  // Deleting the last entry gives the whole tail back.
  list.Delete(e[3]);
  EXPECT_TRUE(list.FreeBlocks().empty());
  EXPECT_EQ(list.NextFree(), 120);
}

TEST(VirtualImageListReuse, AWrittenBackPictureOfAnotherSizeFreesItsOldSpace) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(20, 20);
  TIEVirtualImageEntry* e = list.AddBitmap(b.get());
  list.AddBitmap(b.get());
  TIEBitmap* f = list.GetBitmap(e);
  ASSERT_NE(f, nullptr);
  f->Allocate(30, 30, ie24RGB);
  list.ReleaseBitmap(f, true);
  EXPECT_EQ(e->Width, 30);
  ASSERT_EQ(list.FreeBlocks().size(), 1u);
  EXPECT_EQ(list.FreeBlocks()[0].Offset, 0);
  EXPECT_EQ(list.FreeBlocks()[0].Size, 60 * 20);
}

TEST(VirtualImageListFetch, FetchingTwiceGivesTheSameBitmapFreedAfterTwoReleases) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(8, 5);
  TIEVirtualImageEntry* e = list.AddBitmap(b.get());
  TIEBitmap* f1 = list.GetBitmap(e);
  TIEBitmap* f2 = list.GetBitmap(e);
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1, f2);
  EXPECT_TRUE(SamePixels(f1, b.get()));
  list.ReleaseBitmap(f1, false);
  EXPECT_TRUE(e->Fetched);
  list.ReleaseBitmap(f2, false);
  EXPECT_FALSE(e->Fetched);
}

TEST(VirtualImageListFetch, EditsReachTheStoreOnlyWithWriteBack) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(8, 5);
  TIEVirtualImageEntry* e = list.AddBitmap(b.get());
  TIEBitmap* f = list.GetBitmap(e);
  f->Fill(0);
  list.ReleaseBitmap(f, false);
  f = list.GetBitmap(e);
  EXPECT_TRUE(SamePixels(f, b.get()));
  f->Fill(0);
  list.ReleaseEntryBitmap(e, true);
  f = list.GetBitmap(e);
  EXPECT_EQ(f->GetPixelRGB(3, 3).r, 0);
  list.ReleaseBitmap(f, false);
}

TEST(VirtualImageListFetch, PixelsAlphaAndPaletteComeBackAsStored) {
  TIEVirtualImageList list("ILIST", true);
  auto rgb = Pattern(13, 9, ie24RGB, true);
  auto grey = Pattern(7, 4, ie8g);
  auto pal = Pattern(5, 5, ie8p);
  for (int i = 0; i < 256; ++i)
    pal->SetPaletteEntry(i, TIERGBPixel{uint8_t(i), uint8_t(255 - i), 7});
  auto bw = Pattern(17, 3, ie1g);
  for (TIEBitmap* src : {rgb.get(), grey.get(), pal.get(), bw.get()}) {
    TIEVirtualImageEntry* e = list.AddBitmap(src);
    TIEBitmap* back = list.GetBitmap(e);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(SamePixels(back, src)) << int(src->PixelFormat());
    EXPECT_EQ(back->HasAlphaChannel(), src->HasAlphaChannel());
    if (src->HasAlphaChannel()) {
      EXPECT_TRUE(SamePixels(back->GetAlphaChannel(), src->GetAlphaChannel()));
    }
    if (src->PixelFormat() == ie8p) {
      EXPECT_EQ(back->GetPaletteEntry(200), (TIERGBPixel{200, 55, 7}));
    }
    list.ReleaseBitmap(back, false);
  }
}

TEST(VirtualImageListFetch, AFullAlphaMarkComesOutWithoutAlphaChannel) {
  TIEVirtualImageList list("ILIST", false);
  auto b = Pattern(6, 6);
  b->GetAlphaChannel()->Fill(255);
  b->GetAlphaChannel()->Full = true;
  TIEVirtualImageEntry* e = list.AddBitmap(b.get());
  EXPECT_TRUE(e->HasAlpha);
  EXPECT_EQ(list.GetAlphaPixels(e), nullptr);
  TIEBitmap* f = list.GetBitmap(e);
  EXPECT_FALSE(f->HasAlphaChannel());
  list.ReleaseBitmap(f, false);
}

TEST(VirtualImageListFetch, AnEmptyPictureHoldsNothing) {
  TIEVirtualImageList list("ILIST", false);
  TIEBitmap empty;
  TIEVirtualImageEntry* e = list.AddBitmap(&empty);
  EXPECT_EQ(e->Size, 0);
  EXPECT_EQ(list.GetBitmap(e), nullptr);
  EXPECT_EQ(list.GetPixels(e), nullptr);
  EXPECT_EQ(list.NextFree(), 0);
  list.Delete(e);
}

TEST(VirtualImageListFile, TheStoreIsATemporaryFileDeletedWithTheList) {
  std::string name;
  {
    TIEVirtualImageList list("ICACHE", true);
    name = list.StoreFileName();
    EXPECT_NE(name.find("ICACHE-"), std::string::npos) << name;
    EXPECT_TRUE(FileExists(name));
    auto b = Pattern(40, 40);
    for (int i = 0; i < 20; ++i) list.AddBitmap(b.get());
    // Entries evicted from memory come back from the file.
    TIEBitmap* f = list.GetBitmap(list.Mapped().front());
    EXPECT_TRUE(SamePixels(f, b.get()));
  }
  EXPECT_FALSE(FileExists(name));
}

TEST(VirtualImageListFile, ReservedSpaceGrowsTheStoreOnce) {
  TIEVirtualImageList list("ILIST", true);
  list.ReserveSpace(100, 100, 24, 50);
  EXPECT_EQ(list.Capacity(), 262144 + 300 * 100 * 50);
  EXPECT_EQ(list.StoreSize(), list.Capacity());
  auto b = Pattern(100, 100);
  for (int i = 0; i < 50; ++i) list.AddBitmap(b.get());
  EXPECT_EQ(list.Capacity(), 262144 + 300 * 100 * 50) << "no further growth";
}

}  // namespace
