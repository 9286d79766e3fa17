// TList, TObjectList and TThreadList.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"

namespace {
int Live = 0;
class TCounted : public TObject {
  ORV_CLASS(TCounted, TObject)
public:
  explicit TCounted(int V = 0) : Value(V) { ++Live; }
  ~TCounted() override { --Live; }
  int Value;
};
class TCountedChild : public TCounted {
  ORV_CLASS(TCountedChild, TCounted)
public:
  using TCounted::TCounted;
};
ORV_CLASS_IMPL(TCounted, TObject)
ORV_CLASS_IMPL(TCountedChild, TCounted)

int V(void* p) { return static_cast<int>(reinterpret_cast<intptr_t>(p)); }
void* P(int v) { return reinterpret_cast<void*>(static_cast<intptr_t>(v)); }
std::vector<int> Values(const TList& l) {
  std::vector<int> out;
  for (void* p : l.List()) out.push_back(V(p));
  return out;
}
}  // namespace

TEST(List, AddInsertDeleteMoveExchangeSortPack) {
  TList l;
  EXPECT_EQ(l.Add(P(3)), 0);
  EXPECT_EQ(l.Add(P(1)), 1);
  l.Insert(0, P(2));
  l.Insert(3, P(5));  // at Count: appends
  EXPECT_EQ(Values(l), (std::vector<int>{2, 3, 1, 5}));
  l.Move(0, 3);
  EXPECT_EQ(Values(l), (std::vector<int>{3, 1, 5, 2}));
  l.Exchange(0, 1);
  EXPECT_EQ(Values(l), (std::vector<int>{1, 3, 5, 2}));
  l.Sort([](void* a, void* b) { return V(a) - V(b); });
  EXPECT_EQ(Values(l), (std::vector<int>{1, 2, 3, 5}));
  EXPECT_EQ(l.IndexOf(P(3)), 2);
  EXPECT_EQ(l.Remove(P(3)), 2);
  EXPECT_EQ(l.Remove(P(42)), -1);
  l.Delete(0);
  EXPECT_EQ(Values(l), (std::vector<int>{2, 5}));
  l.SetCount(4);
  EXPECT_EQ(Values(l), (std::vector<int>{2, 5, 0, 0}));
  l.SetItems(2, P(7));
  l.Pack();
  EXPECT_EQ(Values(l), (std::vector<int>{2, 5, 7}));
  EXPECT_EQ(V(l.First()), 2);
  EXPECT_EQ(V(l.Last()), 7);
  EXPECT_EQ(l.Extract(P(5)), P(5));
  EXPECT_EQ(l.Extract(P(5)), nullptr);
  l.SetCapacity(100);
  EXPECT_GE(l.Capacity(), 100);
  EXPECT_THROW(l.SetCapacity(1), EListError);
  TList copy;
  copy.Assign(&l);
  EXPECT_EQ(Values(copy), (std::vector<int>{2, 7}));
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_THROW(l.First(), EListError);
}

TEST(List, BadIndexesRaiseListError) {
  TList l;
  l.Add(P(1));
  struct Case {
    const char* What;
    std::function<void()> Call;
    const char* Message;
  };
  const Case cases[] = {
      {"Items(1)", [&] { l.Items(1); }, "List index out of bounds (1)"},
      {"Items(-1)", [&] { l.Items(-1); }, "List index out of bounds (-1)"},
      {"Delete(5)", [&] { l.Delete(5); }, "List index out of bounds (5)"},
      {"Insert(2)", [&] { l.Insert(2, nullptr); }, "List index out of bounds (2)"},
      {"Exchange", [&] { l.Exchange(0, 3); }, "List index out of bounds (3)"},
      {"Move", [&] { l.Move(0, 1); }, "List index out of bounds (1)"},
  };
  for (const Case& c : cases) {
    try {
      c.Call();
      ADD_FAILURE() << c.What;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.Message) << c.What;
    }
  }
  EXPECT_EQ(l.Count(), 1);
}

TEST(ObjectList, OwnsObjectsFreesOnDeleteRemoveClearReplaceAndDestruction) {
  Live = 0;
  {
    TObjectList l;
    for (int i = 0; i < 5; ++i) l.Add(new TCounted(i));
    EXPECT_EQ(Live, 5);
    l.Delete(0);
    EXPECT_EQ(Live, 4);
    TObject* kept = l.Extract(l.Items(0));
    EXPECT_EQ(Live, 4);
    delete kept;
    l.Remove(l.Items(0));
    EXPECT_EQ(Live, 2);
    l.SetItems(0, new TCounted(9));
    EXPECT_EQ(Live, 2);
    EXPECT_EQ(static_cast<TCounted*>(l[0])->Value, 9);
  }
  EXPECT_EQ(Live, 0);
  {
    TObjectList l(false);
    TCounted a, b;
    l.Add(&a);
    l.Add(&b);
    l.Clear();
    EXPECT_EQ(Live, 2);
  }
}

TEST(ObjectList, FindInstanceOfExactOrDescendant) {
  TObjectList l;
  l.Add(new TCounted);
  l.Add(new TCountedChild);
  l.Add(new TCounted);
  EXPECT_EQ(l.FindInstanceOf(TCountedChild::StaticClass()), 1);
  EXPECT_EQ(l.FindInstanceOf(TCounted::StaticClass(), true, 1), 2);
  EXPECT_EQ(l.FindInstanceOf(TCounted::StaticClass(), false, 1), 1);
  EXPECT_EQ(l.FindInstanceOf(TObject::StaticClass()), -1);
}

TEST(ThreadList, ConcurrentAddsAllArriveWithoutDuplicates) {
  TThreadList tl;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&tl] {
      for (int i = 1; i <= 200; ++i) tl.Add(P(i));  // every thread adds the same values
    });
  for (auto& th : threads) th.join();
  TList* l = tl.LockList();
  EXPECT_EQ(l->Count(), 200);
  tl.UnlockList();
  tl.SetDuplicates(dupError);
  EXPECT_THROW(tl.Add(P(1)), EListError);
  tl.Remove(P(1));
  EXPECT_EQ(tl.LockList()->Count(), 199);
  tl.UnlockList();
}
