// FreeAndNil: the reference is null before the destructor runs.
#include <gtest/gtest.h>

#include "platform/rtl/object.h"

namespace {

class TWatched : public TObject {
public:
  TWatched(TWatched** Ref, bool* SawNull, int* Destroyed)
      : FRef(Ref), FSawNull(SawNull), FDestroyed(Destroyed) {}
  ~TWatched() override {
    *FSawNull = *FRef == nullptr;
    ++*FDestroyed;
  }

private:
  TWatched** FRef;
  bool* FSawNull;
  int* FDestroyed;
};

TEST(ObjectLifetime, FreeAndNilClearsTheReferenceFirst) {
  TWatched* Obj = nullptr;
  bool SawNull = false;
  int Destroyed = 0;
  Obj = new TWatched(&Obj, &SawNull, &Destroyed);
  FreeAndNil(Obj);
  EXPECT_EQ(Obj, nullptr);
  EXPECT_TRUE(SawNull);
  EXPECT_EQ(Destroyed, 1);
  FreeAndNil(Obj);  // null stays null, nothing is freed twice
  EXPECT_EQ(Destroyed, 1);
}

}  // namespace
