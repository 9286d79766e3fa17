// The skin zlib streams: round trips, buffers and progress, seeking, errors.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "skins/kszlibcompress.h"

namespace {

std::vector<uint8_t> Pattern(size_t N) {
  // Pseudo-random bytes (so deflate cannot shrink them much).
  std::vector<uint8_t> v(N);
  uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return v;
}

std::vector<uint8_t> Bytes(TMemoryStream& S) {
  const auto* p = static_cast<const uint8_t*>(S.Memory());
  return std::vector<uint8_t>(p, p + S.Size());
}

// Inflates with zlib directly: an independent check of the compressed form.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& In, size_t Expected) {
  std::vector<uint8_t> out(Expected + 1);
  uLongf n = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &n, In.data(), static_cast<uLong>(In.size())), Z_OK);
  out.resize(n);
  return out;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& In) {
  std::vector<uint8_t> out(compressBound(static_cast<uLong>(In.size())));
  uLongf n = static_cast<uLongf>(out.size());
  EXPECT_EQ(compress2(out.data(), &n, In.data(), static_cast<uLong>(In.size()), 9), Z_OK);
  out.resize(n);
  return out;
}

}  // namespace

TEST(KsZlibCompress, EmptyInputMakesACompleteZlibStream) {
  TMemoryStream dest;
  { TCompressionStream z(3, &dest); }
  const std::vector<uint8_t> out = Bytes(dest);
  ASSERT_GE(out.size(), 8u);
  EXPECT_EQ(out[0], 0x78);  // zlib header
  EXPECT_TRUE(Inflate(out, 0).empty());
}

TEST(KsZlibCompress, ProgressOncePerFullBufferAndTheRestOnFinish) {
  const std::vector<uint8_t> data = Pattern(40000);
  TMemoryStream dest;
  int progress = 0;
  {
    TCompressionStream z(0, &dest);  // stored blocks: output a little larger than input
    z.OnProgress = [&](TObject*) { ++progress; };
    z.Write(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(dest.Size(), int64_t(progress) * TCustomZlibStream::BufferSize);
    z.Finish();
  }
  EXPECT_EQ(progress, static_cast<int>(dest.Size() / TCustomZlibStream::BufferSize));
  EXPECT_GT(progress, 8);
  EXPECT_EQ(Inflate(Bytes(dest), data.size()), data);
}

TEST(KsZlibCompress, WholeStreamHelpersRoundTrip) {
  for (size_t n : {size_t(0), size_t(1), size_t(4096), size_t(100000)}) {
    const std::vector<uint8_t> data = Pattern(n);
    TMemoryStream src, packed, back;
    if (n) src.WriteBuffer(data.data(), static_cast<int64_t>(n));
    CompressStream(&src, &packed);
    EXPECT_EQ(Inflate(Bytes(packed), n), data) << n;
    DecompressStream(&back, &packed);
    EXPECT_EQ(Bytes(back), data) << n;
  }
}

TEST(KsZlibCompress, CompressionStreamRefusesReadingAndSeeking) {
  TMemoryStream dest;
  TCompressionStream z(2, &dest);
  z.Write("abc", 3);
  EXPECT_EQ(z.Position(), 3);
  char b[4];
  EXPECT_THROW(z.Read(b, 1), ECompressionError);
  EXPECT_THROW(z.Seek(0, soBeginning), ECompressionError);
  try {
    z.Seek(1, soCurrent);
    FAIL();
  } catch (const ECompressionError& e) {
    EXPECT_STREQ(e.what(), "Invalid stream operation");
  }
  EXPECT_THROW(TCompressionStream(4, &dest), ECompressionError);
}

// The compressed data sits after other bytes in its stream: going back to the start restarts at
// the compressed data, not at byte 0 of the outer stream.
TEST(KsZlibCompress, SeekToStartRewindsToTheCompressedData) {
  const std::vector<uint8_t> data = Pattern(10000);
  const std::vector<uint8_t> packed = Deflate(data);
  TMemoryStream src;
  src.WriteBuffer("HEADER--", 8);
  src.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
  src.SetPosition(8);
  TDecompressionStream z(&src);
  std::vector<uint8_t> first(5000), again(5000);
  ASSERT_EQ(z.Read(first.data(), 5000), 5000);
  EXPECT_EQ(z.Seek(0, soBeginning), 0);
  ASSERT_EQ(z.Read(again.data(), 5000), 5000);
  EXPECT_EQ(first, again);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), data.begin()));
}

TEST(KsZlibCompress, SeekRules) {
  const std::vector<uint8_t> data = Pattern(20000);
  const std::vector<uint8_t> packed = Deflate(data);
  TMemoryStream src;
  src.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
  src.SetPosition(0);
  TDecompressionStream z(&src);
  EXPECT_EQ(z.Seek(100, soCurrent), 100);      // forward skip
  EXPECT_EQ(z.Seek(9000, soBeginning), 9000);  // forward from the beginning
  uint8_t b = 0;
  ASSERT_EQ(z.Read(&b, 1), 1);
  EXPECT_EQ(b, data[9000]);
  EXPECT_EQ(z.Seek(0, soCurrent), 9001);
  EXPECT_THROW(z.Seek(-1, soCurrent), EDecompressionError);
  EXPECT_THROW(z.Seek(0, soEnd), EDecompressionError);
  EXPECT_THROW(z.Seek(10, soBeginning), EDecompressionError);  // backwards
  EXPECT_THROW(z.Seek(50000, soBeginning), EReadError);        // past the end of the data
  EXPECT_THROW(z.Write("x", 1), EDecompressionError);
}

TEST(KsZlibCompress, EndOfDataAndTrailingBytes) {
  const std::vector<uint8_t> data = Pattern(3000);
  std::vector<uint8_t> packed = Deflate(data);
  packed.insert(packed.end(), 50, 0xAB);  // bytes after the zlib stream are not read
  TMemoryStream src;
  src.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
  src.SetPosition(0);
  TDecompressionStream z(&src);
  std::vector<uint8_t> out(5000);
  EXPECT_EQ(z.Read(out.data(), 5000), 3000);
  EXPECT_EQ(z.Read(out.data(), 5000), 0);
  out.resize(3000);
  EXPECT_EQ(out, data);
}

TEST(KsZlibCompress, DamagedDataFailsCleanly) {
  const std::vector<uint8_t> data = Pattern(3000);
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
  };
  std::vector<uint8_t> corrupt = Deflate(data);
  for (size_t i = 10; i < corrupt.size(); i += 7) corrupt[i] ^= 0x5A;
  // A header asking for a preset dictionary (FDICT set, check bits valid) followed by an id.
  std::vector<uint8_t> dict{0x78, 0xBB, 0, 0, 0, 1, 1, 2, 3};
  std::vector<uint8_t> garbage(64, 0xFF);
  for (Case c : {Case{"corrupt", corrupt}, Case{"dictionary", dict}, Case{"garbage", garbage}}) {
    TMemoryStream src;
    src.WriteBuffer(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
    TMemoryStream dest;
    try {
      DecompressStream(&dest, &src);
      ADD_FAILURE() << c.Name << " was accepted";
    } catch (const EDecompressionError& e) {
      EXPECT_STREQ(e.what(), "compression error") << c.Name;
    }
  }
}

TEST(KsZlibCompress, TruncatedDataEndsWithTheBytesProduced) {
  const std::vector<uint8_t> data = Pattern(30000);
  std::vector<uint8_t> packed = Deflate(data);
  packed.resize(packed.size() / 2);
  TMemoryStream src, dest;
  src.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
  DecompressStream(&dest, &src);
  EXPECT_GT(dest.Size(), 0);
  EXPECT_LT(dest.Size(), 30000);
  EXPECT_EQ(std::memcmp(dest.Memory(), data.data(), static_cast<size_t>(dest.Size())), 0);
}
