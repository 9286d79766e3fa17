// JPEG marker list and IPTC records: block layouts, sorting, and refusal of what cannot fit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/iestreams.h"
#include "imaging/io/iemarkers.h"

TEST(IPTC, LongRecordUsesTheExtendedLengthAndReadsBack) {
  TIEIPTCInfoList l;
  std::vector<uint8_t> data(40000, 0x5A);
  l.AddBufferItem(2, 120, 40000, data.data());
  std::vector<uint8_t> b;
  l.SaveToStandardBuffer(b, false);
  // version record, then 1C 02 78 80 04 00 00 9C 40
  const uint8_t head[] = {0x1C, 0x02, 0x78, 0x80, 0x04, 0x00, 0x00, 0x9C, 0x40};
  ASSERT_GE(b.size(), 7u + 9u);
  EXPECT_EQ(std::memcmp(b.data() + 7, head, 9), 0);
  TIEIPTCInfoList r;
  ASSERT_TRUE(r.LoadFromStandardBuffer(b.data(), static_cast<int>(b.size())));
  int i = r.IndexOf(2, 120);
  ASSERT_GE(i, 0);
  EXPECT_EQ(r.GetItem(i).Length, 40000);
  EXPECT_EQ(std::memcmp(r.GetItemData(i), data.data(), 40000), 0);
  EXPECT_FALSE(r.ChangedByUser);
}

TEST(IPTC, WrappedBlockSizesAndSkippedRecords) {
  TIEIPTCInfoList l;
  std::string a(96, 'a');  // 5 + 96 = 101 bytes of records
  l.AddBufferItem(2, 0, 2, "xx");    // record 2 dataset 0: not written
  l.AddBufferItem(2, 25, 0, nullptr);  // empty: not written
  l.AddBufferItem(2, 25, 96, a.data());
  EXPECT_TRUE(l.ChangedByUser);
  std::vector<uint8_t> b;
  l.SaveToStandardBuffer(b, true);
  ASSERT_EQ(b.size(), 26u + 101u + 1u);
  EXPECT_EQ(std::memcmp(b.data(), "Photoshop 3.0\0008BIM\x04\x04", 20), 0);
  EXPECT_EQ((b[22] << 24) | (b[23] << 16) | (b[24] << 8) | b[25], 101);
  TIEIPTCInfoList r;
  ASSERT_TRUE(r.LoadFromStandardBuffer(b.data(), static_cast<int>(b.size())));
  EXPECT_EQ(r.GetCount(), 1);
  TIEIPTCInfoList empty;
  empty.SaveToStandardBuffer(b, true);
  EXPECT_TRUE(b.empty());
}

TEST(IPTC, HostileBlocksAreReadWithinTheirBounds) {
  TIEIPTCInfoList r;
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    int Records;
  } cases[] = {
      {"photoshop block without 0x0404", {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0, '8', 'B', 'I',
                                          'M', 0x03, 0xED, 0x1C, 2, 5, 0, 1, 'x'}, 0},
      {"length past the end", {0x1C, 2, 5, 0x00, 0x20, 'a', 'b'}, 0},
      {"extended length past the end", {0x1C, 2, 5, 0x80, 0x04, 0x7F, 0xFF, 0xFF, 0xFF, 'a'}, 0},
      {"extended header cut short", {0x1C, 2, 5, 0x80, 0x04, 0x00}, 0},
      {"one good record then garbage", {0x1C, 2, 5, 0, 1, 'x', 0x1C, 2}, 1},
      {"run of markers", {0x1C, 0x1C, 0x1C, 2, 5, 0, 1, 'x'}, 1},
  };
  for (auto& c : cases) {
    bool ok = r.LoadFromStandardBuffer(c.Bytes.data(), static_cast<int>(c.Bytes.size()));
    EXPECT_EQ(r.GetCount(), c.Records) << c.Name;
    EXPECT_EQ(ok, c.Records > 0) << c.Name;
  }
  EXPECT_FALSE(r.LoadFromStandardBuffer(nullptr, 0));
}

TEST(Markers, SortPutsICCChunksInSequenceAndExifFirst) {
  TIEMarkerList m;
  std::string icc2 = std::string("ICC_PROFILE", 12) + char(2) + char(2) + "data";
  std::string icc1 = std::string("ICC_PROFILE", 12) + char(1) + char(2) + "data";
  std::string xmp = "http://ns.adobe.com/xap/1.0/";
  std::string exif("Exif\0\0II", 8);
  m.AddMarker(0xED, "8BIM", 4);
  m.AddMarker(0xE2, icc2.data(), int(icc2.size()));
  m.AddMarker(0xE1, xmp.data(), int(xmp.size()));
  m.AddMarker(0xE2, icc1.data(), int(icc1.size()));
  m.AddMarker(0xE1, exif.data(), int(exif.size()));
  m.SortMarkers();
  ASSERT_EQ(m.GetCount(), 5);
  EXPECT_EQ(m.GetMarkerType(0), 0xE1);
  EXPECT_EQ(std::memcmp(m.GetMarkerData(0), "Exif", 4), 0);
  EXPECT_EQ(m.GetMarkerType(1), 0xE1);
  EXPECT_EQ(m.GetMarkerData(2)[12], 1);
  EXPECT_EQ(m.GetMarkerData(3)[12], 2);
  EXPECT_EQ(m.GetMarkerType(4), 0xED);
}

TEST(Markers, AMarkerThatCannotFitItsLengthFieldIsRefused) {
  TIEMarkerList m;
  std::vector<uint8_t> big(65534, 1);
  EXPECT_THROW(m.AddMarker(0xE1, big.data(), 65534), EIEException);
  EXPECT_EQ(m.GetCount(), 0);
  EXPECT_EQ(m.AddMarker(0xE1, big.data(), 65533), 0);
  EXPECT_THROW(m.SetMarker(0, 0xE2, 70000, big.data()), EIEException);
  EXPECT_EQ(m.GetMarkerType(0), 0xE1);
  TIEMarkerList copy;
  copy.Assign(&m);
  EXPECT_EQ(copy.GetMarkerLength(0), 65533);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.GetCount(), 1);
}
