// Class references: names, inheritance and virtual construction.
#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"

namespace {
class TAnimal : public TObject {
  ORV_CLASS(TAnimal, TObject)
public:
  virtual int Legs() const = 0;
};
class TDog : public TAnimal {
  ORV_CLASS(TDog, TAnimal)
public:
  int Legs() const override { return 4; }
};
ORV_CLASS_IMPL(TAnimal, TObject)
ORV_CLASS_IMPL(TDog, TAnimal)
}  // namespace

TEST(ClassReference, NameAndChain) {
  TDog d;
  EXPECT_EQ(d.ClassName(), "TDog");
  EXPECT_TRUE(d.InheritsFrom(TAnimal::StaticClass()));
  EXPECT_TRUE(d.Is<TObject>());
  EXPECT_FALSE(TAnimal::StaticClass()->InheritsFrom(TDog::StaticClass()));
  EXPECT_EQ(TDog::StaticClass()->Parent, TAnimal::StaticClass());
}

TEST(ClassReference, AbstractClassHasNoConstructor) {
  EXPECT_EQ(TAnimal::StaticClass()->Factory, nullptr);
  ASSERT_NE(TDog::StaticClass()->Factory, nullptr);
  std::unique_ptr<TObject> o(TDog::StaticClass()->Factory(nullptr));
  EXPECT_EQ(o->ClassName(), "TDog");
}

TEST(Exceptions, ClassNameAndMessage) {
  try {
    throw EConvertError("'x' is not a valid integer value");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EConvertError");
    EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
  }
  EXPECT_THROW(Abort(), EAbort);
}
