// Item lists, the hash set and the byte array.
#include <gtest/gtest.h>

#include "imaging/core/ielists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

TEST(IELists, DoubleListStartsCleanAndClearRestoresIt) {
  TIEDoubleList a;
  EXPECT_EQ(a.ItemSize, 8);
  EXPECT_EQ(a.RangeMax, 0);
  a.Add(1.5);
  a.Add(2.5);
  a.RangeMax = 10;
  TIEDoubleList b;
  b.Assign(&a);
  EXPECT_EQ(b.Count, 2);
  EXPECT_EQ(b.Get(1), 2.5);
  EXPECT_EQ(b.RangeMax, 10);
  b.Clear();
  EXPECT_EQ(b.Count, 0);
  EXPECT_EQ(b.ItemSize, 8);
  EXPECT_EQ(b.RangeMax, 0);
  EXPECT_FALSE(b.Changed);
  TIEIntegerList i;
  EXPECT_THROW(i.Assign(&a), EInvalidCast);
}

TEST(IELists, DeleteIgnoresOutOfRangeIndexes) {
  TIEIntegerList l;
  for (int v : {10, 20, 30}) l.Add(v);
  l.Changed = false;
  l.Delete(-1);
  l.Delete(3);
  EXPECT_EQ(l.Count, 3);
  EXPECT_FALSE(l.Changed);
  l.Delete(1);
  EXPECT_EQ(l.Count, 2);
  EXPECT_EQ(l.Get(1), 30);
  TIEIntegerList one;
  one.Add(5);
  one.Changed = false;
  one.Delete(0);
  EXPECT_EQ(one.Count, 0);
  EXPECT_TRUE(one.Changed);
}

TEST(IELists, RecordListKeepsItsItemSize) {
  struct P {
    int x, y;
  };
  TIERecordList r(sizeof(P));
  P p{3, 4};
  EXPECT_EQ(r.AddRecord(&p), 0);
  p = {5, 6};
  EXPECT_EQ(r.AddRecord(&p), 1);
  EXPECT_EQ(static_cast<P*>(r.GetRecord(1))->y, 6);
  r.Clear();
  EXPECT_EQ(r.ItemSize, int(sizeof(P)));
}

TEST(IELists, HashChainsCollidingKeys) {
  THash1 h(13);
  EXPECT_EQ(h.Size, 8192);
  int bucket;
  THash1Item* item;
  EXPECT_TRUE(h.Insert(1, bucket, item));
  EXPECT_EQ(bucket, 1);
  EXPECT_EQ(item, nullptr) << "a lone key is stored directly";
  EXPECT_TRUE(h.Insert(8193, bucket, item));
  EXPECT_EQ(bucket, 1);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(h.States[1], 2);
  EXPECT_EQ(h.Count, 2);
  EXPECT_FALSE(h.Add(1));
  EXPECT_FALSE(h.Add(8193));
  EXPECT_EQ(h.Count, 2);
  EXPECT_TRUE(h.Add(16385));
  EXPECT_EQ(h.Count, 3);
}

TEST(IELists, ByteArrayGrowsAndShrinksBySteps) {
  TIEByteArray a(10);
  for (int i = 0; i < 11; ++i) a.AppendByte(static_cast<uint8_t>(i));
  EXPECT_EQ(a.Capacity, 21);
  EXPECT_EQ(a.Data[10], 10);
  a.SetCount(0);
  EXPECT_EQ(a.Capacity, 10);
  a.SetCount(20);
  EXPECT_EQ(a.Capacity, 30);
  TIEByteArray b(10);
  b.SetCount(11);
  for (int i = 0; i < 11; ++i) b.Data[i] = static_cast<uint8_t>(i + 1);
  b.SetCount(20);
  EXPECT_EQ(b.Capacity, 21);
  b.SetCount(15);
  EXPECT_EQ(b.Capacity, 21) << "15 >= 21 - 10: only Count changes";
  b.SetCount(5);
  EXPECT_EQ(b.Capacity, 15);
  EXPECT_EQ(b.Data[4], 5);
}

TEST(IELists, AppendFromStreamTakesWhatIsThere) {
  TMemoryStream s;
  std::vector<uint8_t> bytes(130, 7);
  s.WriteBuffer(bytes.data(), 130);
  s.SetPosition(100);
  TIEByteArray a(16);
  a.AppendByte(1);
  EXPECT_EQ(a.AppendFromStream(&s, 100), 30);
  EXPECT_EQ(a.Count, 31);
  EXPECT_EQ(a.Data[30], 7);
}

}  // namespace
