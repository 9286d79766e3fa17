// Trigonometry, logarithms, statistics, comparisons and random ranges of the runtime.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <set>

#include "platform/rtl/mathutils.h"
#include "raised.h"

namespace {

TEST(MathUtils, AnglesAndTrigonometry) {
  struct Case { double Y, X, Want; };
  for (const Case& C : {Case{0, 1, 0}, Case{1, 0, Pi / 2}, Case{0, -1, Pi}, Case{-1, 0, -Pi / 2},
                        Case{1, 1, Pi / 4}, Case{-1, -1, -3 * Pi / 4}, Case{0, 0, 0}})
    EXPECT_NEAR(ArcTan2(C.Y, C.X), C.Want, 1e-15) << C.Y << "," << C.X;

  EXPECT_DOUBLE_EQ(DegToRad(180), Pi);
  EXPECT_DOUBLE_EQ(RadToDeg(Pi / 2), 90);
  EXPECT_NEAR(Tan(Pi / 4), 1, 1e-15);
  EXPECT_NEAR(Cotan(Pi / 4), 1, 1e-15);
  EXPECT_NEAR(ArcSin(1), Pi / 2, 1e-15);
  EXPECT_NEAR(ArcCos(-1), Pi, 1e-15);
  Extended S = 0, C = 0;
  SinCos(Pi / 6, S, C);
  EXPECT_NEAR(S, 0.5, 1e-15);
  EXPECT_NEAR(C, std::sqrt(3.0) / 2, 1e-15);
  // Large sides whose squares overflow still give the hypotenuse.
  EXPECT_DOUBLE_EQ(Hypot(3e200, 4e200), 5e200);
  EXPECT_DOUBLE_EQ(Hypot(-3, 4), 5);
}

TEST(MathUtils, LogarithmsAndRootsRaiseOutsideTheirDomain) {
  EXPECT_DOUBLE_EQ(Log10(1000), 3);
  EXPECT_DOUBLE_EQ(Log2(1024), 10);
  EXPECT_NEAR(LogN(3, 81), 4, 1e-14);
  EXPECT_NEAR(Ln(Exp(2.5)), 2.5, 1e-15);
  EXPECT_DOUBLE_EQ(Sqrt(2.25), 1.5);
  EXPECT_DOUBLE_EQ(Sqr(-3), 9);

  const std::string Invalid = "EInvalidOp: Invalid floating point operation";
  const std::string Zero = "EZeroDivide: Floating point division by zero";
  struct Case { std::function<void()> F; std::string Want; };
  for (const Case& C : {Case{[] { Ln(-1); }, Invalid}, Case{[] { Ln(0); }, Zero},
                        Case{[] { Log10(0); }, Zero}, Case{[] { Log2(-8); }, Invalid},
                        Case{[] { LogN(1, 5); }, Invalid}, Case{[] { LogN(-2, 5); }, Invalid},
                        Case{[] { Sqrt(-1); }, Invalid}, Case{[] { ArcSin(1.5); }, Invalid},
                        Case{[] { ArcCos(-2); }, Invalid}, Case{[] { Cotan(0); }, Zero}})
    EXPECT_EQ(Raised(C.F), C.Want);
}

TEST(MathUtils, StatisticsOfArrays) {
  // Kahan summation keeps the small terms that a plain running sum loses.
  std::vector<Extended> Data(1000, 0.1);
  Data.insert(Data.begin(), 1e16);
  EXPECT_NEAR(Sum(Data) - 1e16, 100, 2.0);  // a plain running sum gives 0
  EXPECT_DOUBLE_EQ(Mean({1, 2, 3, 4}), 2.5);
  EXPECT_EQ(Mean({}), 0);
  EXPECT_EQ(Sum({}), 0);
  EXPECT_EQ(SumInt({INT_MAX, INT_MAX, 2}), 2LL * INT_MAX + 2);  // no 32-bit overflow
  EXPECT_EQ(MinValue({3, -1.5, 2}), -1.5);
  EXPECT_EQ(MaxValue({3, -1.5, 2}), 3);
  EXPECT_EQ(MinIntValue({7, -4, 9}), -4);
  EXPECT_EQ(MaxIntValue({7, -4, 9}), 9);
  EXPECT_EQ(Raised([] { MinValue({}); }), "EInvalidOp: Invalid floating point operation");
  EXPECT_EQ(Raised([] { MaxIntValue({}); }), "EInvalidOp: Invalid floating point operation");
}

TEST(MathUtils, RangesSignsAndComparisonsAcrossNumberTypes) {
  // Mixed types compare as the common type: a fraction is never truncated into range.
  EXPECT_TRUE(InRange(0.5, 0, 1));
  EXPECT_FALSE(InRange(1.5, 0, 1));
  EXPECT_FALSE(InRange(-0.5, 0, 1));
  EXPECT_TRUE(InRange(int64_t(1) << 40, 0, INT64_MAX));
  EXPECT_EQ(EnsureRange(300, 0, 255), 255);
  EXPECT_EQ(EnsureRange(-3, 0, 255), 0);
  EXPECT_DOUBLE_EQ(EnsureRange(1.25, 0, 1), 1.0);
  EXPECT_EQ(EnsureRange(int64_t(1) << 40, 0, INT_MAX), INT_MAX);

  EXPECT_EQ(Sign(-7), -1);
  EXPECT_EQ(Sign(0), 0);
  EXPECT_EQ(Sign(5u), 1);
  EXPECT_EQ(Sign(-0.25), -1);
  EXPECT_EQ(Sign(int64_t(1) << 40), 1);

  EXPECT_EQ(CompareValue(1, 2), LessThanValue);
  EXPECT_EQ(CompareValue(2, 2), EqualsValue);
  EXPECT_EQ(CompareValue(-1, 1u), LessThanValue);  // not through an unsigned wrap-around
  EXPECT_EQ(CompareValue(UINT64_MAX, int64_t(-1)), GreaterThanValue);
  EXPECT_EQ(CompareValue(1.0, 1.0 + 1e-15), EqualsValue);
  EXPECT_EQ(CompareValue(1.0, 1.1, 0.05), LessThanValue);
  EXPECT_EQ(CompareValue(1.0, 1.04, 0.05), EqualsValue);

  EXPECT_EQ(IfThen(true, 3, 4), 3);
  EXPECT_EQ(IfThen(false, 3.5, 4.5), 4.5);
  EXPECT_EQ(IfThen(false, 3), 0);
  EXPECT_EQ(IfThen(true, "yes", "no"), "yes");
  EXPECT_EQ(IfThen(false, std::string("yes")), "");
}

TEST(MathUtils, RandomRangeStaysInsideAndIsReproducible) {
  RandSeed = 12345;
  std::set<int> Seen;
  for (int I = 0; I < 2000; ++I) {
    int V = RandomRange(10, 3);  // either order: 3 .. 9
    ASSERT_GE(V, 3);
    ASSERT_LE(V, 9);
    Seen.insert(V);
  }
  EXPECT_EQ(Seen.size(), 7u);  // every value turns up
  EXPECT_EQ(RandomRange(5, 5), 5);
  int Wide = RandomRange(INT_MIN, INT_MAX);
  EXPECT_LT(Wide, INT_MAX);

  RandSeed = 99;
  std::vector<int> First;
  for (int I = 0; I < 5; ++I) First.push_back(RandomRange(0, 1000));
  RandSeed = 99;
  for (int I = 0; I < 5; ++I) EXPECT_EQ(RandomRange(0, 1000), First[static_cast<size_t>(I)]);

  for (int I = 0; I < 50; ++I) {
    int V = RandomFrom({2, 4, 8});
    EXPECT_TRUE(V == 2 || V == 4 || V == 8);
  }
  EXPECT_EQ(RandomFrom(std::vector<std::string>{"only"}), "only");
  EXPECT_EQ(Raised([] { RandomFrom(std::vector<int>{}); }), "ERangeError: Range check error");
}

TEST(MathUtils, DivModTruncatesTowardsZero) {
  struct Case { int64_t A, B, Q, R; };
  for (const Case& C : {Case{17, 5, 3, 2}, Case{-17, 5, -3, -2}, Case{17, -5, -3, 2},
                        Case{INT64_MIN, 1, INT64_MIN, 0}, Case{7, -1, -7, 0}}) {
    int64_t Q = 0, R = 0;
    DivMod(C.A, C.B, Q, R);
    EXPECT_EQ(Q, C.Q) << C.A << "/" << C.B;
    EXPECT_EQ(R, C.R) << C.A << "%" << C.B;
  }
  int64_t Q, R;
  EXPECT_EQ(Raised([&] { DivMod(1, 0, Q, R); }), "EDivByZero: Division by zero");
  EXPECT_EQ(Raised([&] { DivMod(INT64_MIN, -1, Q, R); }), "EIntOverflow: Integer overflow");
}

}  // namespace
