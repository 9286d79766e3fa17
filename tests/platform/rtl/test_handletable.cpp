// The handle table: 32-bit values for live objects, forgotten when the object goes.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/rtl/handletable.h"
#include "platform/rtl/persistent.h"

TEST(HandleTable, SameHandleWhileAliveNullAfterDestruction) {
  auto* a = new TPersistent;
  auto* b = new TPersistent;
  uint32_t ha = ObjectHandle(a);
  uint32_t hb = ObjectHandle(b);
  EXPECT_NE(ha, 0u);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(ObjectHandle(a), ha);
  EXPECT_EQ(HandleObject(ha), a);
  EXPECT_EQ(HandleObjectAs<TPersistent>(hb), b);
  delete a;
  EXPECT_EQ(HandleObject(ha), nullptr);  // stale
  auto* c = new TPersistent;             // may reuse a's memory, never its handle
  uint32_t hc = ObjectHandle(c);
  EXPECT_NE(hc, ha);
  EXPECT_EQ(HandleObject(ha), nullptr);
  ReleaseObjectHandle(b);  // explicit release before destruction
  EXPECT_EQ(HandleObject(hb), nullptr);
  EXPECT_NE(ObjectHandle(b), hb);  // a new one on request
  delete b;
  delete c;
  EXPECT_EQ(ObjectHandle(nullptr), 0u);
  EXPECT_EQ(HandleObject(0), nullptr);
  EXPECT_EQ(HandleObject(0xFFFFFFF0u), nullptr);
}

TEST(HandleTable, WrapAroundSkipsZeroAndLiveHandles) {
  TPersistent keep;
  THandleTable::SetNextValue(0xFFFFFFFEu);
  uint32_t h1 = ObjectHandle(&keep);
  EXPECT_EQ(h1, 0xFFFFFFFEu);
  TPersistent x, y;
  EXPECT_EQ(ObjectHandle(&x), 0xFFFFFFFFu);
  uint32_t hy = ObjectHandle(&y);
  EXPECT_EQ(hy, 1u);  // 0 is nil
  // Next time round, the live handles are skipped.
  THandleTable::SetNextValue(0xFFFFFFFEu);
  TPersistent z;
  uint32_t hz = ObjectHandle(&z);
  EXPECT_NE(hz, h1);
  EXPECT_NE(hz, 0xFFFFFFFFu);
  EXPECT_NE(hz, hy);
  EXPECT_NE(hz, 0u);
  EXPECT_EQ(HandleObject(h1), &keep);
}

TEST(HandleTable, ConcurrentRequestsGiveOneHandlePerObject) {
  std::vector<std::unique_ptr<TPersistent>> objs;
  for (int i = 0; i < 64; ++i) objs.push_back(std::make_unique<TPersistent>());
  std::vector<std::vector<uint32_t>> seen(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (auto& o : objs) seen[t].push_back(ObjectHandle(o.get()));
    });
  for (auto& th : threads) th.join();
  for (int t = 1; t < 4; ++t) EXPECT_EQ(seen[t], seen[0]);
  EXPECT_EQ(std::set<uint32_t>(seen[0].begin(), seen[0].end()).size(), 64u);
  size_t before = THandleTable::Count();
  objs.clear();
  EXPECT_EQ(THandleTable::Count(), before - 64);
}
