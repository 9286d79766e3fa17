// Deflate and inflate streams: round trips, positions, seeks, misuse and damaged data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/codecs/iezlib.h"

namespace {

std::vector<uint8_t> Sample(size_t n) {
  std::vector<uint8_t> v(n);
  uint32_t s = 12345;
  for (size_t i = 0; i < n; ++i) {
    s = s * 1103515245 + 12345;
    v[i] = static_cast<uint8_t>((i % 97) ^ ((s >> 16) & 3));  // compressible, not trivial
  }
  return v;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, int level) {
  TMemoryStream out;
  {
    TZCompressionStream z(&out, level);
    if (!data.empty()) z.Write(data.data(), static_cast<int64_t>(data.size()));
  }
  std::vector<uint8_t> v(static_cast<size_t>(out.Size()));
  std::memcpy(v.data(), out.Memory(), v.size());
  return v;
}

std::vector<uint8_t> ZlibInflate(const std::vector<uint8_t>& packed, size_t expected) {
  std::vector<uint8_t> out(expected + 16);
  uLongf len = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &len, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  out.resize(len);
  return out;
}

}  // namespace

TEST(ZStreams, CompressionLevelsRoundTripThroughZlib) {
  auto data = Sample(200000);
  struct Case { int level; int zlevel; } cases[] = {{0, 0}, {1, 1}, {2, 6}, {3, 9}, {7, 9}};
  for (auto c : cases) {
    auto packed = Compress(data, c.level);
    EXPECT_EQ(ZlibInflate(packed, data.size()), data) << c.level;
    if (c.level == 0) continue;  // stored blocks depend on how the input arrives
    // Same bytes as zlib's own compress2 at the mapped level.
    std::vector<uint8_t> ref(compressBound(data.size()));
    uLongf len = static_cast<uLongf>(ref.size());
    ASSERT_EQ(compress2(ref.data(), &len, data.data(), data.size(), c.zlevel), Z_OK);
    ref.resize(len);
    EXPECT_EQ(packed, ref) << c.level;
  }
  // Level 0 stores: the output is larger than the input.
  EXPECT_GT(Compress(data, 0).size(), data.size());
}

TEST(ZStreams, EmptyInputGivesCompleteStream) {
  auto packed = Compress({}, 2);
  EXPECT_FALSE(packed.empty());
  EXPECT_TRUE(ZlibInflate(packed, 0).empty());
}

TEST(ZStreams, CompressionPositionCountsInputAndReadIsMisuse) {
  TMemoryStream out;
  TZCompressionStream z(&out, 2);
  auto data = Sample(100000);
  z.Write(data.data(), 100000);
  EXPECT_EQ(z.Position(), 100000);
  EXPECT_EQ(z.Seek(5, soBeginning), 100000);
  char b;
  try {
    z.Read(&b, 1);
    FAIL();
  } catch (const EZCompressionError& e) {
    EXPECT_STREQ(e.what(), "Invalid ZStream operation!");
  }
}

TEST(ZStreams, DecompressionStopsAtStreamEndAndLeavesSourceBehindIt) {
  auto data = Sample(150000);
  auto packed = Compress(data, 2);
  TMemoryStream src;
  src.Write("abc", 3);
  src.Write(packed.data(), packed.size());
  src.Write("TRAILER", 7);
  src.SetPosition(3);
  TZDecompressionStream z(&src);
  std::vector<uint8_t> got(data.size() + 100);
  int64_t n = 0, r;
  while ((r = z.Read(got.data() + n, 4096)) > 0) n += r;
  EXPECT_EQ(n, static_cast<int64_t>(data.size()));
  got.resize(n);
  EXPECT_EQ(got, data);
  EXPECT_EQ(z.Read(got.data(), 10), 0);
  EXPECT_EQ(src.Position(), static_cast<int64_t>(3 + packed.size()));
  char tail[8] = {};
  src.Read(tail, 7);
  EXPECT_STREQ(tail, "TRAILER");
}

TEST(ZStreams, DecompressionSeeks) {
  auto data = Sample(60000);
  auto packed = Compress(data, 1);
  TMemoryStream src;
  src.Write(packed.data(), packed.size());
  src.SetPosition(0);
  TZDecompressionStream z(&src);
  EXPECT_EQ(z.Seek(20000, soCurrent), 20000);
  uint8_t b[4];
  ASSERT_EQ(z.Read(b, 4), 4);
  EXPECT_EQ(0, std::memcmp(b, &data[20000], 4));
  EXPECT_EQ(z.Seek(30000, soBeginning), 30000);  // forward from the beginning: discards
  ASSERT_EQ(z.Read(b, 1), 1);
  EXPECT_EQ(b[0], data[30000]);
  EXPECT_EQ(z.Position(), 30001);
  for (auto [off, org] : std::vector<std::pair<int64_t, TSeekOrigin>>{{-1, soCurrent}, {10, soBeginning}, {5, soEnd}}) {
    try {
      z.Seek(off, org);
      ADD_FAILURE() << off;
    } catch (const EZDecompressionError& e) {
      EXPECT_STREQ(e.what(), "Invalid ZStream operation!");
    }
  }
  EXPECT_EQ(z.Seek(0, soBeginning), 0);  // restart at the source's position 0
  ASSERT_EQ(z.Read(b, 4), 4);
  EXPECT_EQ(0, std::memcmp(b, data.data(), 4));
  EXPECT_EQ(z.Seek(0, soEnd), 60000);
  EXPECT_THROW(z.Write(b, 1), EZDecompressionError);
}

TEST(ZStreams, DamagedSourceRaisesDataErrorAndShortSourceDeliversLess) {
  auto data = Sample(50000);
  auto packed = Compress(data, 2);
  {
    auto bad = packed;
    for (size_t i = 10; i < 40; ++i) bad[i] ^= 0x5A;
    TMemoryStream src;
    src.Write(bad.data(), bad.size());
    src.SetPosition(0);
    TZDecompressionStream z(&src);
    std::vector<uint8_t> got(data.size());
    try {
      z.Read(got.data(), got.size());
      FAIL();
    } catch (const EZDecompressionError& e) {
      EXPECT_STREQ(e.what(), "data error");
    }
  }
  TMemoryStream src;
  src.Write(packed.data(), packed.size() / 2);
  src.SetPosition(0);
  TZDecompressionStream z(&src);
  std::vector<uint8_t> got(data.size());
  int64_t n = z.Read(got.data(), got.size());
  EXPECT_GT(n, 0);
  EXPECT_LT(n, static_cast<int64_t>(data.size()));
}

TEST(ZStreams, DecompressBufferGrowsAndFailsCleanly) {
  auto data = Sample(300000);
  auto packed = Compress(data, 3);
  void* out = nullptr;
  int outSize = 0;
  ZDecompressBuffer(packed.data(), static_cast<int>(packed.size()), out, 0, outSize);
  ASSERT_EQ(outSize, static_cast<int>(data.size()));
  EXPECT_EQ(0, std::memcmp(out, data.data(), data.size()));
  std::free(out);
  struct Case { std::vector<uint8_t> input; const char* text; } cases[] = {
      {{0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}, "data error"},
      {std::vector<uint8_t>(packed.begin(), packed.begin() + packed.size() / 3), "buffer error"},
  };
  for (auto& c : cases) {
    out = reinterpret_cast<void*>(1);
    try {
      ZDecompressBuffer(c.input.data(), static_cast<int>(c.input.size()), out, 0, outSize);
      ADD_FAILURE() << c.text;
    } catch (const EZDecompressionError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_EQ(out, nullptr);
  }
}
