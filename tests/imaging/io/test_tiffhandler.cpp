// TIFF tag handler: pages read into tag tables and written back with offsets recomputed.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/io/iebytes.h"
#include "imaging/io/ietiffhandler.h"
#include "platform/rtl/streams.h"

namespace {

struct TTiffHandlerTestEntry {
  uint16_t Tag, Type;
  uint32_t Count;
  std::vector<uint8_t> Value;  // in file order; more than 4 bytes go after the directory
};

// A one-directory file in either byte order; Next is the next-directory offset.
std::vector<uint8_t> TiffHandlerTestFile(bool Motorola, const std::vector<TTiffHandlerTestEntry>& Es,
                                         uint32_t Next = 0, const std::vector<uint8_t>& Tail = {}) {
  const bool le = !Motorola;
  std::vector<uint8_t> f(8);
  f[0] = f[1] = Motorola ? 'M' : 'I';
  IEPut16(f.data() + 2, 42, le);
  IEPut32(f.data() + 4, 8, le);
  const uint32_t data = 8 + 2 + uint32_t(Es.size()) * 12 + 4;
  std::vector<uint8_t> extra;
  f.resize(f.size() + 2);
  IEPut16(f.data() + 8, uint32_t(Es.size()), le);
  for (const auto& e : Es) {
    uint8_t b[12] = {};
    IEPut16(b, e.Tag, le);
    IEPut16(b + 2, e.Type, le);
    IEPut32(b + 4, e.Count, le);
    if (e.Value.size() <= 4) {
      std::copy(e.Value.begin(), e.Value.end(), b + 8);
    } else {
      IEPut32(b + 8, data + uint32_t(extra.size()), le);
      extra.insert(extra.end(), e.Value.begin(), e.Value.end());
    }
    f.insert(f.end(), b, b + 12);
  }
  uint8_t n[4];
  IEPut32(n, Next, le);
  f.insert(f.end(), n, n + 4);
  f.insert(f.end(), extra.begin(), extra.end());
  f.insert(f.end(), Tail.begin(), Tail.end());
  return f;
}

std::vector<uint8_t> TiffHandlerTestBytes(TMemoryStream& S) {
  const auto* p = static_cast<const uint8_t*>(S.Memory());
  return std::vector<uint8_t>(p, p + S.Size());
}

void TiffHandlerTestLoad(TMemoryStream& S, const std::vector<uint8_t>& V) {
  S.Clear();
  S.Write(V.data(), int64_t(V.size()));
  S.SetPosition(0);
}

}  // namespace

TEST(TiffTagHandler, MotorolaFileKeepsItsOrderAndSortsTags) {
  // tags out of order, a text of 6 bytes, a short in the entry
  TMemoryStream s;
  TiffHandlerTestLoad(s, TiffHandlerTestFile(true, {{305, 2, 6, {'O', 'r', 'v', 'a', 'n', 0}},
                                                    {256, 3, 1, {0, 37, 0, 0}}}));
  TIETIFFHandler h;
  ASSERT_TRUE(h.ReadStream(&s));
  ASSERT_EQ(h.PageCount(), 1);
  EXPECT_TRUE(h.Motorola());
  EXPECT_EQ(h.FindTag(0, 256), 0);
  EXPECT_EQ(h.GetIntegerValue(*h.Page(0), 256, 0), 37);
  TMemoryStream out;
  h.WriteStream(&out, -1);
  const auto b = TiffHandlerTestBytes(out);
  ASSERT_GE(b.size(), 8u);
  EXPECT_EQ(b[0], 'M');
  EXPECT_EQ(IEBE16(b.data() + 2), 42);
  TIETIFFHandler again;
  out.SetPosition(0);
  ASSERT_TRUE(again.ReadStream(&out));
  ASSERT_EQ(again.PageCount(), 1);
  const TIETIFFPage& p = *again.Page(0);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_LT(p[0].Tag, p[1].Tag);
  EXPECT_EQ(std::string(p[1].Data.begin(), p[1].Data.end() - 1), "Orvan");
}

TEST(TiffTagHandler, SelfLinkAndDataOutsideTheStream) {
  TMemoryStream s;
  // next-directory offset pointing at the directory itself; one entry's data lies past the end
  TiffHandlerTestLoad(s, TiffHandlerTestFile(false, {{256, 4, 1, {9, 0, 0, 0}}, {305, 2, 20, {0, 0, 0, 0}}}, 8));
  auto bytes = TiffHandlerTestBytes(s);
  IEPutLE32(bytes.data() + 8 + 2 + 12 + 8, 5000);
  TiffHandlerTestLoad(s, bytes);
  TIETIFFHandler h;
  ASSERT_TRUE(h.ReadStream(&s));
  EXPECT_EQ(h.PageCount(), 1);
  EXPECT_EQ(h.FindTag(0, 305), -1);
  EXPECT_EQ(h.FindTag(0, 256), 0);
}

TEST(TiffTagHandler, OldStyleJpegGetsAStripOffsetAtItsTables) {
  // compression 6 with a JPEG interchange block holding a DQT marker at byte 4
  const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xDB, 0, 4, 1, 2, 0xFF, 0xD9};
  TMemoryStream s;
  TiffHandlerTestLoad(s, TiffHandlerTestFile(false, {{259, 3, 1, {6, 0, 0, 0}},
                                                     {273, 4, 1, {0, 0, 0, 0}},
                                                     {279, 4, 1, {0, 0, 0, 0}},
                                                     {513, 4, 1, {0, 0, 0, 0}},
                                                     {514, 4, 1, {12, 0, 0, 0}}},
                                             0, jpeg));
  auto bytes = TiffHandlerTestBytes(s);
  const uint32_t at = uint32_t(bytes.size() - jpeg.size());
  IEPutLE32(bytes.data() + 8 + 2 + 3 * 12 + 8, at);  // 513 points at the JPEG block
  TiffHandlerTestLoad(s, bytes);
  TIETIFFHandler h;
  ASSERT_TRUE(h.ReadStream(&s));
  EXPECT_EQ(h.FindTag(0, 273), -1);  // removed on reading
  TMemoryStream out;
  h.WriteStream(&out, -1);
  TIETIFFHandler back;
  out.SetPosition(0);
  ASSERT_TRUE(back.ReadStream(&out));
  const auto ob = TiffHandlerTestBytes(out);
  const uint32_t jpegAt = uint32_t(back.GetIntegerValue(*back.Page(0), 513, 0));
  // the strip offset as written (reading the file again drops it, as for any such page)
  uint32_t stripAt = 0;
  const uint32_t dir = IELE32(ob.data() + 4);
  for (uint32_t i = 0; i < IELE16(ob.data() + dir); ++i)
    if (IELE16(ob.data() + dir + 2 + 12 * i) == 273) stripAt = IELE32(ob.data() + dir + 2 + 12 * i + 8);
  ASSERT_LT(jpegAt + 12, ob.size() + 1);
  EXPECT_EQ(ob[jpegAt], 0xFF);
  EXPECT_EQ(ob[jpegAt + 1], 0xD8);
  EXPECT_EQ(stripAt, jpegAt + 4);
}

TEST(TiffTagHandler, CopyTagNeedsTheSameByteOrder) {
  TMemoryStream a, b;
  TiffHandlerTestLoad(a, TiffHandlerTestFile(false, {{256, 4, 1, {9, 0, 0, 0}}, {305, 2, 6, {'a', 'b', 'c', 'd', 'e', 0}}}));
  TiffHandlerTestLoad(b, TiffHandlerTestFile(true, {{256, 4, 1, {0, 0, 0, 7}}}));
  TIETIFFHandler intel, moto, intel2;
  ASSERT_TRUE(intel.ReadStream(&a));
  ASSERT_TRUE(moto.ReadStream(&b));
  moto.CopyTag(0, intel.FindTag(0, 305), 0, &intel);
  EXPECT_EQ(moto.FindTag(0, 305), -1);
  a.SetPosition(0);
  TiffHandlerTestLoad(b, TiffHandlerTestFile(false, {{256, 4, 1, {7, 0, 0, 0}}}));
  ASSERT_TRUE(intel2.ReadStream(&b));
  intel2.CopyTag(0, intel.FindTag(0, 305), 0, &intel);
  const int i = intel2.FindTag(0, 305);
  ASSERT_GE(i, 0);
  EXPECT_EQ((*intel2.Page(0))[size_t(i)].Data.size(), 6u);
}

TEST(TiffTagHandler, ForgedStripTablesStayBounded) {
  // A strip-offset entry of an unknown type (values of no size) claiming a billion of them is
  // kept as it is, with no block made for the values it cannot hold.
  {
    TMemoryStream s;
    TiffHandlerTestLoad(s, TiffHandlerTestFile(false, {{273, 99, 0x40000000u, {8, 0, 0, 0}},
                                                       {279, 4, 1, {8, 0, 0, 0}}}));
    TIETIFFHandler h;
    ASSERT_TRUE(h.ReadStream(&s));
    ASSERT_EQ(h.PageCount(), 1);
    const int e = h.FindTag(0, 273);
    ASSERT_GE(e, 0);
    EXPECT_TRUE((*h.Page(0))[size_t(e)].Blocks.empty());
  }
  // 4096 strips that all point at the same 8 KB would copy 32 MB out of a file of 41 KB: the
  // page is refused. The same table over distinct bytes is read whole.
  for (const bool repeated : {true, false}) {
    SCOPED_TRACE(repeated ? "repeated" : "distinct");
    const uint32_t strips = 4096, len = repeated ? 8192 : 2;
    std::vector<uint8_t> offsets(strips * 4), counts(strips * 4);
    const uint32_t pixels = 8 + 2 + 2 * 12 + 4 + strips * 8;  // after the two tables
    for (uint32_t i = 0; i < strips; ++i) {
      IEPut32(offsets.data() + i * 4, repeated ? pixels : pixels + i * 2, true);
      IEPut32(counts.data() + i * 4, len, true);
    }
    TMemoryStream s;
    TiffHandlerTestLoad(s, TiffHandlerTestFile(false, {{273, 4, strips, offsets}, {279, 4, strips, counts}}, 0,
                                               std::vector<uint8_t>(repeated ? 8192 : strips * 2, 7)));
    TIETIFFHandler h;
    ASSERT_TRUE(h.ReadStream(&s));
    if (repeated) {
      EXPECT_EQ(h.PageCount(), 0);
      continue;
    }
    ASSERT_EQ(h.PageCount(), 1);
    const TIETIFFTag& t = (*h.Page(0))[size_t(h.FindTag(0, 273))];
    ASSERT_EQ(t.Blocks.size(), strips);
    EXPECT_EQ(t.Blocks[strips - 1], std::vector<uint8_t>(2, 7));
  }
}
