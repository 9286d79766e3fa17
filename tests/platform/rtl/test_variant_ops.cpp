// Variant operators: result types and values, Null rules, errors, comparisons.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"
#include "tests/platform/rtl/raised.h"

namespace {

const char* OpName(TVarOp Op) {
  static const char* Names[] = {"+", "-", "*", "/", "div", "mod", "shl", "shr", "and", "or",
                                "xor", "=", "<>", "<", "<=", ">", ">=", "neg", "not"};
  return Names[Op];
}

}  // namespace

TEST(VariantOps, ResultTypesAndValues) {
  struct Case {
    Variant L;
    TVarOp Op;
    Variant R;
    Variant Expected;  // compared with VarSameValue: type code and value
  };
  const Variant Day = Variant::FromDate(45000);
  const Case Cases[] = {
      {1, opAdd, 2, 3},
      {INT_MAX, opAdd, 1, int64_t(INT_MAX) + 1},               // widens instead of wrapping
      {INT64_MAX, opAdd, int64_t(1), 9223372036854775808.0},    // and then to a float
      {short(2), opMultiply, uint8_t(3), 6},                     // small kinds give Integer
      {4000000000u, opSubtract, 1, int64_t(3999999999)},
      {1, opAdd, 1.5, 2.5},
      {"a", opAdd, "b", "ab"},
      {"1", opAdd, 2, 3.0},                                      // text beside a number
      {"4", opMultiply, "2", 8.0},
      {Variant(), opAdd, 5, 5},
      {Variant(), opAdd, "x", "x"},
      {"x", opAdd, Variant(), "x"},
      {true, opAdd, 1, 0},                                       // True counts as -1
      {7, opDivide, 2, 3.5},
      {6, opDivide, 3, 2.0},
      {7, opIntDivide, 2, 3},
      {-7, opIntDivide, 2, -3},
      {-7, opModulus, 2, -1},
      {7.6, opIntDivide, 2, 4},                                  // floats are rounded first
      {int64_t(1) << 40, opIntDivide, 2, int64_t(1) << 39},
      {Day, opAdd, 1, Variant::FromDate(45001)},
      {1, opAdd, Day, Variant::FromDate(45001)},
      {Day, opSubtract, 0.5, Variant::FromDate(44999.5)},
      {Day, opSubtract, Variant::FromDate(44990), 10.0},
      {Variant::FromCurrency(1.5), opAdd, 2, Variant::FromCurrency(3.5)},
      {Variant::FromCurrency(0.1), opMultiply, 3, Variant::FromCurrency(0.3)},
      {Variant::FromCurrency(1.5), opAdd, 0.25, 1.75},
      {1, opShiftLeft, 4, 16},
      {1, opShiftLeft, 33, 2},                                   // counts modulo 32
      {-1, opShiftRight, 28, 15},                                // logical shift
      {true, opAnd, false, false},
      {true, opOr, false, true},
      {true, opXor, "False", true},
      {12, opAnd, 10, 8},
      {12, opOr, 3, 15},
      {6, opXor, 3, 5},
      {5, opAnd, true, 5},
      {Variant(), opOr, false, false},
  };
  for (const Case& C : Cases) {
    Variant R = VarBinaryOp(C.Op, C.L, C.R);
    EXPECT_TRUE(VarSameValue(R, C.Expected))
        << VarToStr(C.L) << " " << OpName(C.Op) << " " << VarToStr(C.R) << " gave "
        << VarTypeAsText(R.VType()) << " " << VarToStr(R) << ", expected "
        << VarTypeAsText(C.Expected.VType()) << " " << VarToStr(C.Expected);
  }
}

TEST(VariantOps, OperatorsMatchTheOperations) {
  Variant A = 7, B = 2;
  EXPECT_EQ((A + B).AsInteger(), 9);
  EXPECT_EQ((A - B).AsInteger(), 5);
  EXPECT_EQ((A * B).AsInteger(), 14);
  EXPECT_EQ((A / B).AsFloat(), 3.5);
  EXPECT_EQ(VarIntDiv(A, B).AsInteger(), 3);
  EXPECT_EQ((A % B).AsInteger(), 1);
  EXPECT_EQ((A & B).AsInteger(), 2);
  EXPECT_EQ((A | B).AsInteger(), 7);
  EXPECT_EQ((A ^ B).AsInteger(), 5);
  EXPECT_EQ((A << B).AsInteger(), 28);
  EXPECT_EQ((A >> B).AsInteger(), 1);
  EXPECT_EQ((-A).AsInteger(), -7);
  EXPECT_EQ((~A).AsInteger(), -8);
  A += B;
  EXPECT_EQ(A.AsInteger(), 9);
  A -= Variant(10);
  EXPECT_EQ(A.AsInteger(), -1);
  Variant S = "ab";
  S += Variant("cd");
  EXPECT_EQ(S.AsString(), "abcd");
}

TEST(VariantOps, UnaryOperators) {
  struct Case {
    TVarOp Op;
    Variant V;
    Variant Expected;
  };
  const Case Cases[] = {
      {opNegate, 5, -5},
      {opNegate, INT_MIN, -int64_t(INT_MIN)},
      {opNegate, 1.5, -1.5},
      {opNegate, "2.5", -2.5},
      {opNegate, Variant::FromCurrency(2), Variant::FromCurrency(-2)},
      {opNot, true, false},
      {opNot, 0, -1},
      {opNot, "True", false},
      {opNot, "5", -6},
      {opNot, Variant(), -1},
  };
  for (const Case& C : Cases) {
    Variant R = VarUnaryOp(C.Op, C.V);
    EXPECT_TRUE(VarSameValue(R, C.Expected))
        << OpName(C.Op) << " " << VarToStr(C.V) << " gave " << VarTypeAsText(R.VType()) << " "
        << VarToStr(R);
  }
}

TEST(VariantOps, NullTakesPartOnlyInEquality) {
  const std::string Invalid = "EVariantInvalidOpError: Invalid variant operation";
  const TVarOp Binary[] = {opAdd, opSubtract, opMultiply, opDivide, opIntDivide, opModulus,
                           opShiftLeft, opShiftRight, opAnd, opOr, opXor,
                           opCmpLT, opCmpLE, opCmpGT, opCmpGE};
  for (TVarOp Op : Binary) {
    EXPECT_EQ(Raised([&] { VarBinaryOp(Op, Null(), 1); }), Invalid) << OpName(Op);
    EXPECT_EQ(Raised([&] { VarBinaryOp(Op, "a", Null()); }), Invalid) << OpName(Op);
  }
  // An average over no values divides Null by a count of 0: the Null wins.
  EXPECT_EQ(Raised([] { VarBinaryOp(opDivide, Null(), 0); }), Invalid);
  EXPECT_EQ(Raised([] { -Null(); }), Invalid);
  EXPECT_EQ(Raised([] { ~Null(); }), Invalid);

  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(0));
  EXPECT_FALSE(Variant() == Null());
  EXPECT_TRUE(Null() != Variant("x"));
  EXPECT_FALSE(Null() != Null());
}

TEST(VariantOps, ArithmeticErrors) {
  struct Case {
    std::function<void()> F;
    std::string Error;
  };
  const Case Cases[] = {
      {[] { Variant("abc") + Variant(1); },
       "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
      {[] { VarIntDiv(1, 0); }, "EDivByZero: Division by zero"},
      {[] { Variant(1) % Variant(0); }, "EDivByZero: Division by zero"},
      {[] { Variant(1) / Variant(0); }, "EZeroDivide: Floating point division by zero"},
      {[] { Variant(0.0) / Variant(0.0); }, "EInvalidOp: Invalid floating point operation"},
      {[] { VarArrayOf({1}) + Variant(1); }, "EVariantInvalidOpError: Invalid variant operation"},
      {[] { EmptyParam() + Variant(1); }, "EVariantInvalidOpError: Invalid variant operation"},
      {[] { VarIntDiv(INT64_MIN, int64_t(-1)); }, "EVariantOverflowError: Variant overflow"},
      {[] { Variant::FromCurrencyRaw(INT64_MAX) + Variant::FromCurrencyRaw(1); },
       "EVariantOverflowError: Variant overflow"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Raised(C.F), C.Error);
}

TEST(VariantOps, Comparisons) {
  struct Case {
    Variant L, R;
    int Order;  // -1 L < R, 0 equal, 1 L > R
  };
  const Case Cases[] = {
      {1, 1, 0},
      {1, 2, -1},
      {2.5, 2, 1},
      {2.5, 3.5, -1},
      {1, 1.0, 0},
      {"a", "b", -1},
      {"A", "a", -1},          // text compares case-sensitively
      {"10", "9", -1},         // two texts compare as text
      {"10", 9, 1},            // text beside a number compares as a number
      {Variant(), 0, 0},
      {Variant(), "", 0},
      {true, -1, 0},           // True is -1 beside a number
      {true, 1, -1},
      {false, true, -1},
      {true, "True", 0},
      {Variant::FromCurrency(1.5), 1.5, 0},
      {Variant::FromDate(45000), 45000, 0},
      {int64_t(1) << 40, 1, 1},
      {uint8_t(200), short(-1), 1},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(VarToStr(C.L) + " vs " + VarToStr(C.R));
    EXPECT_EQ(C.L == C.R, C.Order == 0);
    EXPECT_EQ(C.L != C.R, C.Order != 0);
    EXPECT_EQ(C.L < C.R, C.Order < 0);
    EXPECT_EQ(C.L <= C.R, C.Order <= 0);
    EXPECT_EQ(C.L > C.R, C.Order > 0);
    EXPECT_EQ(C.L >= C.R, C.Order >= 0);
    EXPECT_EQ(VarCompareValue(C.L, C.R),
              C.Order == 0 ? vrEqual : C.Order < 0 ? vrLessThan : vrGreaterThan);
    EXPECT_EQ(VarBinaryOp(opCmpLT, C.L, C.R).AsBoolean(), C.Order < 0);
  }
  const Variant NaN = Variant(0.0) * Variant(__builtin_nan(""));
  EXPECT_FALSE(NaN == NaN);  // a NaN is unordered, even against itself
  EXPECT_TRUE(NaN != NaN);
  EXPECT_FALSE(NaN < Variant(1.0));
  EXPECT_FALSE(NaN >= Variant(1.0));
  EXPECT_THROW(Variant("abc") == Variant(1), EVariantTypeCastError);
  EXPECT_THROW((void)(VarArrayOf({1}) == VarArrayOf({1})), EVariantInvalidOpError);
}

TEST(VariantOps, CompareValueAndSameValueNeverRaise) {
  EXPECT_EQ(VarCompareValue(Null(), 1), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue("abc", 1), vrNotEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1}), 1), vrNotEqual);

  EXPECT_FALSE(VarSameValue(1, 1.0));  // different type codes
  EXPECT_TRUE(VarSameValue("a", "a"));
  EXPECT_FALSE(VarSameValue("a", "A"));
  EXPECT_TRUE(VarSameValue(VarArrayOf({1, "x"}), VarArrayOf({1, "x"})));
  EXPECT_FALSE(VarSameValue(VarArrayOf({1, "x"}), VarArrayOf({1, "y"})));
  EXPECT_TRUE(VarSameValue(Null(), Null()));
}
