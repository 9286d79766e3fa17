// The PNG picture's image data: every colour type, bit depth and interlace method decoded from
// streams that libpng wrote, written back and read by libpng again; the row filters chosen when
// writing; image data split over chunks; the size of the chunks written.
#include <gtest/gtest.h>

#include "tests/controls/pngtest.h"

namespace {

struct TImageCase {
  int ColorType, Depth;
};
const TImageCase kImageCases[] = {
    {0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
    {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16},
};
struct TSize {
  uint32_t W, H;
};
// Odd sizes, widths that are no multiple of 8, and images whose interlace passes are empty.
const TSize kSizes[] = {{13, 9}, {1, 1}, {1, 5}, {5, 1}, {9, 3}, {33, 17}};

std::string Name(const TImageCase& C, bool Interlaced, const TSize& S) {
  return "colour type " + std::to_string(C.ColorType) + ", depth " + std::to_string(C.Depth) +
         (Interlaced ? ", Adam7, " : ", ") + std::to_string(S.W) + "x" + std::to_string(S.H);
}

TPngLayout SpecOf(const TImageCase& C, bool Interlaced, const TSize& S) {
  TPngLayout layout;
  layout.Width = S.W;
  layout.Height = S.H;
  layout.ColorType = C.ColorType;
  layout.Depth = C.Depth;
  layout.Interlaced = Interlaced;
  if (C.ColorType == 3) {
    for (int i = 0; i < (1 << C.Depth); ++i)
      layout.Palette.push_back(
          png_color{uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 97 + 5)});
  }
  return layout;
}

// Every pixel of the picture (colour and, with an alpha channel, alpha) against libpng's
// reading of Data.
void ExpectSamePixels(TPNGObject& P, const TBytes& Data) {
  const TRgbaImage want = ReadWithLibpng(Data);
  ASSERT_EQ(uint32_t(P.Width()), want.Width);
  ASSERT_EQ(uint32_t(P.Height()), want.Height);
  const uint8_t* alpha = P.HeaderChunk()->AlphaData();
  long wrong = 0;
  for (uint32_t y = 0; y < want.Height; ++y)
    for (uint32_t x = 0; x < want.Width; ++x) {
      const uint8_t* w = want.At(x, y);
      const TColor c = P.PixelAt(int(x), int(y));
      if (c != TColor(RGB(w[0], w[1], w[2]))) ++wrong;
      if (alpha && alpha[size_t(y) * want.Width + x] != w[3]) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(PngImageData, EveryColourTypeDepthAndInterlaceDecodesAsLibpngReadsIt) {
  for (const TImageCase& c : kImageCases)
    for (bool interlaced : {false, true})
      for (const TSize& s : kSizes) {
        SCOPED_TRACE(Name(c, interlaced, s));
        const TBytes data = MakePng(SpecOf(c, interlaced, s));
        TPNGObject p;
        ASSERT_NO_THROW(LoadBytes(p, data));
        EXPECT_EQ(p.InterlaceMode(), interlaced ? 1 : 0);
        ExpectSamePixels(p, data);
        EXPECT_EQ(p.TransparencyKind(),
                  c.ColorType == 4 || c.ColorType == 6 ? ptmPartial : ptmNone);
      }
}

TEST(PngImageData, AnInterlacedImageDecodesToTheSameBitmapAsItsPlainTwin) {
  for (const TImageCase& c : kImageCases)
    for (const TSize& s : kSizes) {
      SCOPED_TRACE(Name(c, true, s));
      TPNGObject plain, interlaced;
      LoadBytes(plain, MakePng(SpecOf(c, false, s)));
      LoadBytes(interlaced, MakePng(SpecOf(c, true, s)));
      const TChunkIHDR* a = plain.HeaderChunk();
      const TChunkIHDR* b = interlaced.HeaderChunk();
      ASSERT_EQ(a->RowStride(), b->RowStride());
      EXPECT_EQ(std::memcmp(a->ImageData(), b->ImageData(), size_t(a->RowStride()) * s.H), 0);
      if (a->AlphaData()) {
        EXPECT_EQ(std::memcmp(a->AlphaData(), b->AlphaData(), size_t(s.W) * s.H), 0);
      }
    }
}

TEST(PngImageData, EveryImageWrittenBackReadsTheSameInLibpngAndHere) {
  for (const TImageCase& c : kImageCases)
    for (bool interlaced : {false, true}) {
      const TSize s{13, 9};
      SCOPED_TRACE(Name(c, interlaced, s));
      TPNGObject p;
      LoadBytes(p, MakePng(SpecOf(c, interlaced, s)));
      // Every filter is tried, so that each one's coding is checked.
      p.SetRowFilters(TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth});
      const TBytes out = SaveBytes(p);
      EXPECT_EQ(ReadWithLibpng(out).Interlace, interlaced ? 1 : 0);
      ExpectSamePixels(p, out);
      TPNGObject back;
      LoadBytes(back, out);
      EXPECT_EQ(std::memcmp(back.HeaderChunk()->ImageData(), p.HeaderChunk()->ImageData(),
                            size_t(p.HeaderChunk()->RowStride()) * s.H),
                0);
    }
}

TEST(PngImageData, TwoBitGreySpansBlackToWhite) {
  // Samples 0, 1, 2, 3 in one row: the bitmap holds 0, 5, 10, 15 of its 4-bit scale and the
  // pixels read black, dark grey, light grey and white.
  TBytes raw = {0, 0x1B};  // filter None, then 00 01 10 11
  for (uint8_t interlace : {uint8_t(0), uint8_t(1)}) {
    TPNGObject p;
    TBytes stream_raw = raw;
    if (interlace) {
      // Adam7 of a 4 x 1 image: pass 1 holds pixel 0, pass 2 is empty (no column 4), pass 4
      // pixel 2, pass 6 pixels 1 and 3.
      stream_raw = {0, 0x00, 0, 0x80, 0, 0x70};
    }
    LoadBytes(p, PngStream({Chunk("IHDR", IhdrData(4, 1, 2, 0, interlace)),
                            Chunk("IDAT", Deflate(stream_raw)), Chunk("IEND", {})}));
    const uint8_t* row = p.HeaderChunk()->ImageData();
    EXPECT_EQ(row[0], 0x05);
    EXPECT_EQ(row[1], 0xAF);
    EXPECT_EQ(p.PixelAt(0, 0), TColor(RGB(0, 0, 0)));
    EXPECT_EQ(p.PixelAt(1, 0), TColor(RGB(85, 85, 85)));
    EXPECT_EQ(p.PixelAt(2, 0), TColor(RGB(170, 170, 170)));
    EXPECT_EQ(p.PixelAt(3, 0), TColor(RGB(255, 255, 255)));
    // Written with 4 bits, the levels stay where they were.
    const TRgbaImage back = ReadWithLibpng(SaveBytes(p));
    EXPECT_EQ(back.Depth, 4);
    EXPECT_EQ(back.At(3, 0)[0], 255);
    EXPECT_EQ(back.At(1, 0)[0], 85);
  }
}

TEST(PngImageData, TwoBitPaletteImagesKeepTheirIndices) {
  TPNGObject p;
  LoadBytes(p, PngStream({Chunk("IHDR", IhdrData(4, 1, 2, 3)), Chunk("PLTE", TBytes(12, 40)),
                          Chunk("IDAT", Deflate(TBytes{0, 0x1B})), Chunk("IEND", {})}));
  EXPECT_EQ(p.HeaderChunk()->ImageData()[0], 0x01);
  EXPECT_EQ(p.HeaderChunk()->ImageData()[1], 0x23);
}

// The decompressed image data of a stream (all its IDAT chunks in order).
TBytes InflatedImageData(const TBytes& Data, size_t Size) {
  TBytes packed;
  for (int i = 0;; ++i) {
    const TBytes part = ChunkData(Data, "IDAT", i);
    if (part.empty() && i > 0) break;
    packed.insert(packed.end(), part.begin(), part.end());
    if (part.empty()) break;
  }
  TBytes raw(Size);
  uLongf n = static_cast<uLongf>(Size);
  EXPECT_EQ(uncompress(raw.data(), &n, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  raw.resize(n);
  return raw;
}

TEST(PngImageData, SixteenBitSamplesAreHeldAsTheirHighByteAndWrittenWithALowByteOfZero) {
  TBytes raw = {0, 0x12, 0x34, 0xAB, 0xCD, 0xFF, 0xFF};  // one RGB pixel of 16 bits
  TPNGObject p;
  LoadBytes(p, PngStream({Chunk("IHDR", IhdrData(1, 1, 16, 2)), Chunk("IDAT", Deflate(raw)),
                          Chunk("IEND", {})}));
  EXPECT_EQ(p.PixelAt(0, 0), TColor(RGB(0x12, 0xAB, 0xFF)));
  p.SetRowFilters(TFilters{pfNone});
  EXPECT_EQ(InflatedImageData(SaveBytes(p), 7), (TBytes{0, 0x12, 0, 0xAB, 0, 0xFF, 0}));
}

// A grey image of one row per entry of Rows (all of the same length), rows filtered None.
TBytes GreyRows(const std::vector<TBytes>& Rows) {
  TBytes raw;
  for (const TBytes& r : Rows) {
    raw.push_back(0);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  const uint32_t w = static_cast<uint32_t>(Rows[0].size()), h = static_cast<uint32_t>(Rows.size());
  return PngStream({Chunk("IHDR", IhdrData(w, h)), Chunk("IDAT", Deflate(raw)), Chunk("IEND", {})});
}

// The filter type of each row written with Filters.
std::vector<int> WrittenFilters(TPNGObject& P, TFilters Filters) {
  P.SetRowFilters(Filters);
  const uint32_t w = uint32_t(P.Width()), h = uint32_t(P.Height());
  const TBytes raw = InflatedImageData(SaveBytes(P), (w + 1) * h);
  std::vector<int> types;
  for (uint32_t y = 0; y < h; ++y) types.push_back(raw[y * (w + 1)]);
  return types;
}

TEST(PngImageData, RowFiltersAreChosenByTheSetAndTheScore) {
  TPNGObject p;
  LoadBytes(p, GreyRows({{5, 5, 5, 5, 5}, {1, 3, 7, 15, 31}, {9, 8, 200, 3, 77}}));
  // The default set and single filters are taken without scoring.
  EXPECT_EQ(p.RowFilters(), TFilters{pfSub});
  EXPECT_EQ(WrittenFilters(p, TFilters{pfSub}), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(WrittenFilters(p, TFilters{pfNone}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(WrittenFilters(p, TFilters{}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(WrittenFilters(p, TFilters{pfPaeth}), (std::vector<int>{4, 4, 4}));
  // Row 1: Up (the row itself over a zero row) and Sub (5, 0, 0, 0, 0) both score 3: the lower
  // type wins. Row 2: no candidate repeats a byte of the two before it: None, though None is
  // not in the set. Row 3: Up (9 - 1, 8 - 3, ...) scores nothing; Sub neither: None.
  EXPECT_EQ(WrittenFilters(p, TFilters{pfSub, pfUp}), (std::vector<int>{1, 0, 0}));
  // Whatever was chosen, the image reads back the same.
  TPNGObject back;
  LoadBytes(back, SaveBytes(p));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(back.PixelAt(x, 1), p.PixelAt(x, 1));
}

TEST(PngImageData, ImageDataSplitOverManyChunksDecodesAsOne) {
  TPngLayout layout = SpecOf({6, 8}, false, {40, 30});
  const TBytes whole = MakePng(layout);
  TBytes data;
  for (int i = 0;; ++i) {
    const TBytes part = ChunkData(whole, "IDAT", i);
    if (part.empty()) break;
    data.insert(data.end(), part.begin(), part.end());
  }
  ASSERT_GT(data.size(), 20u);
  const TBytes header = ChunkData(whole, "IHDR");
  auto split = [&](bool Damage) {
    std::vector<TBytes> chunks = {Chunk("IHDR", header)};
    const size_t cuts[] = {0, 1, 1, 8, data.size() / 2, data.size()};  // pieces of 1, 0, 7, ...
    for (size_t i = 0; i + 1 < std::size(cuts); ++i)
      chunks.push_back(Chunk("IDAT", TBytes(data.begin() + static_cast<ptrdiff_t>(cuts[i]),
                                            data.begin() + static_cast<ptrdiff_t>(cuts[i + 1]))));
    if (Damage) chunks[3].back() ^= 0x10;  // the CRC of the 7-byte piece
    chunks.push_back(Chunk("IEND", {}));
    TBytes out = Signature();
    for (const TBytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
  };
  TPNGObject p;
  LoadBytes(p, split(false));
  ExpectSamePixels(p, whole);
  EXPECT_EQ(ChunkTypes(SaveBytes(p)), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  EXPECT_THROW(LoadBytes(p, split(true)), EPngInvalidCRC);
}

TEST(PngImageData, ImageDataIsCutIntoChunksOfTheLimit) {
  // 200 x 200 RGB of noise: far more than 65535 bytes compressed.
  TBytes raw;
  uint32_t seed = 12345;
  for (int y = 0; y < 200; ++y) {
    raw.push_back(0);
    for (int i = 0; i < 600; ++i) {
      seed = seed * 1103515245u + 12345u;
      raw.push_back(uint8_t(seed >> 16));
    }
  }
  TPNGObject p;
  LoadBytes(p, PngStream({Chunk("IHDR", IhdrData(200, 200, 8, 2)), Chunk("IDAT", Deflate(raw)),
                          Chunk("IEND", {})}));
  auto sizes = [&] {
    const TBytes out = SaveBytes(p);
    std::vector<size_t> n;
    for (int i = 0;; ++i) {
      const TBytes part = ChunkData(out, "IDAT", i);
      if (part.empty()) break;
      n.push_back(part.size());
    }
    return n;
  };
  std::vector<size_t> n = sizes();
  ASSERT_GE(n.size(), 2u);
  for (size_t i = 0; i + 1 < n.size(); ++i) EXPECT_EQ(n[i], 65535u);
  EXPECT_LT(n.back(), 65535u);
  EXPECT_GT(n.back(), 0u);
  p.SetDataChunkLimit(100000);
  n = sizes();
  for (size_t i = 0; i + 1 < n.size(); ++i) EXPECT_EQ(n[i], 100000u);
  p.SetDataChunkLimit(10);
  EXPECT_EQ(p.DataChunkLimit(), 65535u);
}

TEST(PngImageData, RgbaRowsGoBottomUpIntoTheBitmapAndTopDownIntoTheAlphaPlane) {
  TBytes raw = {0, 10, 20, 30, 40, 0, 50, 60, 70, 80};  // 1 x 2: top pixel, bottom pixel
  TPNGObject p;
  LoadBytes(p, PngStream({Chunk("IHDR", IhdrData(1, 2, 8, 6)), Chunk("IDAT", Deflate(raw)),
                          Chunk("IEND", {})}));
  const TChunkIHDR* h = p.HeaderChunk();
  EXPECT_EQ(h->DibBitCount(), 24);
  // The last row in memory is the top of the image; pixels are blue, green, red.
  const uint8_t* top = h->ImageData() + h->RowStride();
  EXPECT_EQ((TBytes{top[0], top[1], top[2]}), (TBytes{30, 20, 10}));
  EXPECT_EQ((TBytes{h->AlphaData()[0], h->AlphaData()[1]}), (TBytes{40, 80}));
}

}  // namespace
