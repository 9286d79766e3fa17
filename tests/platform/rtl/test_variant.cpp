// Variants: type codes of constructed values, sharing, conversions with their errors, arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/handletable.h"
#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"
#include "tests/platform/rtl/raised.h"

namespace {

struct LocaleGuard {
  LocaleGuard() { ResetFormatSettings(); }
  ~LocaleGuard() { ResetFormatSettings(); }
};

}  // namespace

TEST(Variant, EachCppTypeGetsItsTypeCode) {
  struct Case {
    const char* Name;
    Variant V;
    TVarType Type;
  };
  const Case Cases[] = {
      {"unassigned", Variant(), varEmpty},
      {"null", Null(), varNull},
      {"bool", Variant(true), varBoolean},
      {"int8", Variant(int8_t(-3)), varShortInt},
      {"uint8", Variant(uint8_t(200)), varByte},
      {"short", Variant(short(-300)), varSmallint},
      {"uint16", Variant(uint16_t(60000)), varWord},
      {"int", Variant(7), varInteger},
      {"unsigned", Variant(4000000000u), varLongWord},
      {"int64", Variant(int64_t(1) << 40), varInt64},
      {"size_t small", Variant(size_t(5)), varInt64},
      {"uint64 beyond int64", Variant(UINT64_MAX), varDouble},
      {"float", Variant(1.5f), varSingle},
      {"double", Variant(1.5), varDouble},
      {"literal", Variant("abc"), varString},
      {"std::string", Variant(std::string("abc")), varString},
      {"char", Variant('x'), varString},
      {"date", Variant::FromDate(45000.5), varDate},
      {"currency", Variant::FromCurrency(1.25), varCurrency},
      {"ole string", Variant::FromOleStr("w"), varOleStr},
      {"omitted parameter", EmptyParam(), varError},
      {"array of variants", VarArrayOf({1, 2}), TVarType(varArray | varVariant)},
      {"array of integers", VarArrayCreate({0, 1}, varInteger), TVarType(varArray | varInteger)},
  };
  for (const Case& C : Cases) EXPECT_EQ(VarType(C.V), C.Type) << C.Name;
  enum TSide { sdLeft, sdRight };
  enum class TMode : uint8_t { Fast = 7 };
  EXPECT_TRUE(VarSameValue(Variant(sdRight), Variant(1)));
  EXPECT_TRUE(VarSameValue(Variant(TMode::Fast), Variant(7)));
  EXPECT_EQ(Variant('x').AsString(), "x");
  EXPECT_EQ(Variant(UINT64_MAX).AsFloat(), 18446744073709551615.0);
}

TEST(Variant, CopiesShareTextAndArraysUntilChanged) {
  Variant A(std::string(100, 'q'));
  Variant B = A;
  EXPECT_EQ(A.StringPtr(), B.StringPtr());  // one text, two holders
  B = Variant("other");
  EXPECT_EQ(*A.StringPtr(), std::string(100, 'q'));

  Variant Arr = VarArrayOf({1, 2, 3});
  Variant Copy = Arr;
  Copy.PutElement({1}, "changed");
  EXPECT_EQ(Arr.GetElement({1}).AsInteger(), 2);
  EXPECT_EQ(Copy.GetElement({1}).AsString(), "changed");

  Variant Moved = std::move(Arr);
  EXPECT_TRUE(VarIsEmpty(Arr));  // NOLINT: moved-from state is specified
  EXPECT_EQ(VarArrayHighBound(Moved, 1), 2);

  Variant Self("keep");
  Variant& Ref = Self;
  Self = Ref;
  EXPECT_EQ(Self.AsString(), "keep");
}

TEST(Variant, ConvertsToText) {
  LocaleGuard Locale;
  struct Case {
    Variant V;
    std::string Text;
  };
  const Case Cases[] = {
      {Variant(42), "42"},
      {Variant(int64_t(-9000000000)), "-9000000000"},
      {Variant(1.5), "1.5"},
      {Variant(0.1f), "0.1"},  // a single prints its own digits, not its binary expansion
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(), ""},
      {Variant("text"), "text"},
      {Variant::FromCurrency(12.345), CurrToStr(12.345)},
      {Variant::FromDate(EncodeDate(2024, 2, 29)), DateToStr(EncodeDate(2024, 2, 29))},
  };
  for (const Case& C : Cases) EXPECT_EQ(C.V.AsString(), C.Text) << VarTypeAsText(C.V.VType());

  DecimalSeparator = ',';
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
  EXPECT_EQ(Variant("2,25").AsFloat(), 2.25);
}

TEST(Variant, ConvertsToNumbersAndBooleans) {
  LocaleGuard Locale;
  struct Case {
    Variant V;
    int32_t Int;
    double Float;
    bool Bool;
  };
  const Case Cases[] = {
      {Variant("42"), 42, 42, true},
      {Variant("1.5"), 2, 1.5, true},    // halves go to the even neighbour
      {Variant("2.5"), 2, 2.5, true},
      {Variant(-2.5), -2, -2.5, true},
      {Variant(3.5), 4, 3.5, true},
      {Variant(true), -1, -1, true},     // the platform's True is -1
      {Variant(false), 0, 0, false},
      {Variant(), 0, 0, false},          // Unassigned counts as zero
      {Variant::FromCurrency(2.5), 2, 2.5, true},
      {Variant("0"), 0, 0, false},
      {Variant(uint8_t(255)), 255, 255, true},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(VarToStr(C.V));
    EXPECT_EQ(C.V.AsInteger(), C.Int);
    EXPECT_EQ(C.V.AsFloat(), C.Float);
    EXPECT_EQ(C.V.AsBoolean(), C.Bool);
  }
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_EQ(Variant(1e12).AsInt64(), 1000000000000);
  EXPECT_EQ(Variant::FromCurrency(1.23456).AsCurrencyRaw(), 12346);  // four decimals kept
  EXPECT_EQ(Variant::FromCurrencyRaw(35000).AsInteger(), 4);
  EXPECT_EQ(Variant::FromCurrencyRaw(-25000).AsInteger(), -2);
}

TEST(Variant, ConversionErrorsNameBothTypes) {
  struct Case {
    std::function<void()> F;
    std::string Error;
  };
  const std::string Cast = "EVariantTypeCastError: Could not convert variant of type ";
  const Case Cases[] = {
      {[] { Null().AsInteger(); }, Cast + "(Null) into type (Integer)"},
      {[] { Null().AsFloat(); }, Cast + "(Null) into type (Double)"},
      {[] { Null().AsString(); }, Cast + "(Null) into type (String)"},
      {[] { Null().AsBoolean(); }, Cast + "(Null) into type (Boolean)"},
      {[] { Variant("abc").AsInteger(); }, Cast + "(String) into type (Integer)"},
      {[] { Variant("abc").AsFloat(); }, Cast + "(String) into type (Double)"},
      {[] { Variant("maybe").AsBoolean(); }, Cast + "(String) into type (Boolean)"},
      {[] { VarArrayOf({1}).AsString(); }, Cast + "(Array of Variant) into type (String)"},
      {[] { Variant(5).AsDispatch(); }, Cast + "(Integer) into type (Dispatch)"},
      {[] { VarAsType(Null(), varOleStr); }, Cast + "(Null) into type (OleStr)"},
      {[] { Variant(3e9).AsInteger(); }, "EVariantOverflowError: Variant overflow"},
      {[] { Variant(int64_t(1) << 40).AsInteger(); }, "EVariantOverflowError: Variant overflow"},
      {[] { Variant(1e300).AsInt64(); }, "EVariantOverflowError: Variant overflow"},
      {[] { VarAsType(300, varByte); }, "EVariantOverflowError: Variant overflow"},
      {[] { VarAsType(1, 0x99); }, "EVariantBadVarTypeError: Invalid variant type"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Raised(C.F), C.Error);
  // Every one of them can be caught as the family.
  EXPECT_THROW(Null().AsInteger(), EVariantError);
}

TEST(Variant, NullAndUnassignedAsText) {
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Variant()), "");
  EXPECT_EQ(VarToStrDef(Null(), "n/a"), "n/a");
  EXPECT_EQ(VarToStrDef(Variant(3), "n/a"), "3");
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsNull(Variant()));
  EXPECT_TRUE(VarIsEmpty(Variant()));
  EXPECT_TRUE(VarIsClear(Variant()));
  EXPECT_TRUE(VarIsEmptyParam(EmptyParam()));
  EXPECT_FALSE(VarIsEmptyParam(Variant::FromError(0)));
}

TEST(Variant, ChangesTypeOnRequest) {
  struct Case {
    Variant V;
    TVarType To;
    Variant Expected;
  };
  const Case Cases[] = {
      {Variant("12"), varInteger, Variant(12)},
      {Variant(12), varString, Variant("12")},
      {Variant(12), varOleStr, Variant::FromOleStr("12")},
      {Variant(3), varBoolean, Variant(true)},
      {Variant(3), varCurrency, Variant::FromCurrency(3)},
      {Variant(2.75), varSmallint, Variant(short(3))},
      {Variant(45000), varDate, Variant::FromDate(45000)},
      {Variant(true), varInteger, Variant(-1)},
      {Variant("x"), varVariant, Variant("x")},
      {Variant(1), varNull, Null()},
      {Variant(1.5), varSingle, Variant(1.5f)},
  };
  for (const Case& C : Cases) {
    Variant R = VarAsType(C.V, C.To);
    EXPECT_TRUE(VarSameValue(R, C.Expected))
        << VarTypeAsText(C.To) << " got " << VarTypeAsText(R.VType()) << " " << VarToStr(R);
  }
}

TEST(VariantArray, TypedElementsConvertOnStore) {
  Variant A = VarArrayCreate({1, 3}, varInteger);
  EXPECT_EQ(VarArrayDimCount(A), 1);
  EXPECT_EQ(VarArrayLowBound(A, 1), 1);
  EXPECT_EQ(VarArrayHighBound(A, 1), 3);
  EXPECT_EQ(VarArrayElementType(A), varInteger);
  EXPECT_EQ(VarType(A[2]), varInteger);
  EXPECT_EQ(A[2].AsInteger(), 0);

  A.PutElement({2}, "5");
  EXPECT_EQ(VarType(A[2]), varInteger);
  EXPECT_EQ(A[2].AsInteger(), 5);
  // A value that does not convert leaves the element as it was.
  EXPECT_THROW(A.PutElement({2}, "five"), EVariantTypeCastError);
  EXPECT_EQ(A[2].AsInteger(), 5);

  Variant S = VarArrayCreate({0, 1}, varString);
  EXPECT_EQ(VarType(S[0]), varString);
  S.PutElement({0}, 12);
  EXPECT_EQ(S[0].AsString(), "12");
  EXPECT_EQ(VarType(S[0]), varString);
}

TEST(VariantArray, BoundsAreChecked) {
  Variant A = VarArrayCreate({1, 3}, varVariant);
  const std::string Bad = "EVariantBadIndexError: Variant or safe array index out of bounds";
  EXPECT_EQ(Raised([&] { A.GetElement({0}); }), Bad);
  EXPECT_EQ(Raised([&] { A.GetElement({4}); }), Bad);
  EXPECT_EQ(Raised([&] { A.PutElement({4}, 1); }), Bad);
  EXPECT_EQ(Raised([&] { A.GetElement({1, 1}); }), Bad);   // wrong number of indices
  EXPECT_EQ(Raised([&] { VarArrayHighBound(A, 2); }), Bad);  // no second dimension
  EXPECT_EQ(Raised([] { Variant(1).GetElement({0}); }),
            "EVariantNotAnArrayError: Variant is not an array");
  EXPECT_EQ(Raised([] { VarArrayLowBound(Variant("x"), 1); }),
            "EVariantNotAnArrayError: Variant is not an array");
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

  const std::string Arg = "EVariantInvalidArgError: Invalid argument";
  EXPECT_EQ(Raised([] { VarArrayCreate({3, 1}, varVariant); }), Arg);
  EXPECT_EQ(Raised([] { VarArrayCreate({0, 1, 2}, varVariant); }), Arg);
  EXPECT_EQ(Raised([] { VarArrayCreate(std::vector<int>{}, varVariant); }), Arg);
  EXPECT_EQ(Raised([] { VarArrayCreate({0, 1}, varNull); }),
            "EVariantBadVarTypeError: Invalid variant type");

  Variant Empty = VarArrayCreate({0, -1}, varVariant);  // an empty dimension is allowed
  EXPECT_EQ(VarArrayHighBound(Empty, 1) - VarArrayLowBound(Empty, 1) + 1, 0);
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
}

TEST(VariantArray, TwoDimensionsKeepEveryCellApart) {
  Variant A = VarArrayCreate({1, 3, 1, 2}, varVariant);  // 3 rows, 2 columns
  EXPECT_EQ(VarArrayDimCount(A), 2);
  for (int R = 1; R <= 3; ++R)
    for (int C = 1; C <= 2; ++C) A.PutElement({R, C}, R * 10 + C);
  for (int R = 1; R <= 3; ++R)
    for (int C = 1; C <= 2; ++C) EXPECT_EQ(A.GetElement({R, C}).AsInteger(), R * 10 + C);
}

TEST(VariantArray, RedimKeepsElementsOfTheLastDimension) {
  Variant A = VarArrayOf({"a", "b", "c"});
  VarArrayRedim(A, 4);
  EXPECT_EQ(VarArrayHighBound(A, 1), 4);
  EXPECT_EQ(A[2].AsString(), "c");
  EXPECT_TRUE(VarIsEmpty(A[4]));
  VarArrayRedim(A, 0);
  EXPECT_EQ(VarArrayHighBound(A, 1), 0);
  EXPECT_EQ(A[0].AsString(), "a");
  EXPECT_THROW(VarArrayRedim(A, -2), EVariantInvalidArgError);

  Variant M = VarArrayCreate({0, 1, 0, 1}, varInteger);
  M.PutElement({1, 1}, 11);
  M.PutElement({0, 1}, 1);
  VarArrayRedim(M, 2);  // a third column
  EXPECT_EQ(M.GetElement({1, 1}).AsInteger(), 11);
  EXPECT_EQ(M.GetElement({0, 1}).AsInteger(), 1);
  EXPECT_EQ(M.GetElement({1, 2}).AsInteger(), 0);
  EXPECT_EQ(VarArrayHighBound(M, 1), 1);

  Variant Shared = VarArrayOf({1});
  Variant Before = Shared;
  VarArrayRedim(Shared, 3);
  EXPECT_EQ(VarArrayHighBound(Before, 1), 0);  // the other holder keeps its array
}

TEST(VariantArray, ByteArraysHoldRawBytes) {
  Variant Blob = VarArrayCreate({0, 3}, varByte);
  EXPECT_EQ(VarType(Blob), TVarType(varArray | varByte));
  auto* P = static_cast<uint8_t*>(VarArrayLock(Blob));
  const uint8_t Bytes[] = {0x89, 'P', 'N', 'G'};
  std::copy(std::begin(Bytes), std::end(Bytes), P);
  VarArrayUnlock(Blob);
  EXPECT_EQ(VarType(Blob[0]), varByte);
  EXPECT_EQ(Blob[0].AsInteger(), 0x89);
  EXPECT_EQ(Blob[3].AsString(), "71");

  Variant Copy = Blob;
  Copy.PutElement({1}, 255);
  EXPECT_THROW(Copy.PutElement({1}, 256), EVariantOverflowError);
  EXPECT_EQ(Blob[1].AsInteger(), 'P');
  EXPECT_EQ(Copy[1].AsInteger(), 255);
  EXPECT_FALSE(VarSameValue(Blob, Copy));
  Copy.PutElement({1}, 'P' + 0);
  EXPECT_TRUE(VarSameValue(Blob, Copy));

  VarArrayRedim(Blob, 5);
  EXPECT_EQ(Blob[5].AsInteger(), 0);
  EXPECT_EQ(Blob[2].AsInteger(), 'N');
  Variant Ints = VarArrayOf({1});
  EXPECT_THROW(VarArrayLock(Ints), EVariantInvalidOpError);
}

TEST(VariantArray, NestedArraysChangeInPlace) {
  Variant Outer = VarArrayOf({VarArrayOf({1, 2}), "x"});
  Variant& Inner = Outer.ElementRef({0});
  Inner.PutElement({1}, 20);
  EXPECT_EQ(Outer[0][1].AsInteger(), 20);
  EXPECT_THROW(VarArrayCreate({0, 1}, varInteger).ElementRef({0}), EVariantInvalidOpError);
  // Assigning an element of a variable's own array to the variable.
  Variant Holder = VarArrayOf({VarArrayOf({std::string(40, 'a')})});
  Holder = Holder.ElementRef({0});
  Holder = Holder.ElementRef({0});
  EXPECT_EQ(Holder.AsString(), std::string(40, 'a'));
  Variant Mover = VarArrayOf({std::string(40, 'b')});
  Mover = std::move(Mover.ElementRef({0}));
  EXPECT_EQ(Mover.AsString(), std::string(40, 'b'));

  VarArrayPut(Outer, "y", {1});
  EXPECT_EQ(VarArrayGet(Outer, {1}).AsString(), "y");
}

TEST(Variant, ObjectsTravelAsHandles) {
  auto* Obj = new TObject;
  Variant V = VarFromObject(Obj);
  EXPECT_EQ(VarType(V), varInteger);
  EXPECT_NE(V.AsInteger(), 0);
  EXPECT_EQ(VarToObject(V), Obj);
  EXPECT_EQ(VarToObject(Variant(int64_t(V.AsInteger()))), Obj);  // any integer kind
  EXPECT_EQ(VarFromObject(Obj).AsInteger(), V.AsInteger());       // the same handle each time
  delete Obj;
  EXPECT_EQ(VarToObject(V), nullptr);  // a stale handle finds nothing
  EXPECT_EQ(VarFromObject(nullptr).AsInteger(), 0);
  EXPECT_EQ(VarToObject(Variant(0)), nullptr);
  EXPECT_EQ(VarToObject(Null()), nullptr);
  EXPECT_EQ(VarToObject(Variant(int64_t(1) << 40)), nullptr);
}

TEST(Variant, PrintsTypeAndValue) {
  struct Case {
    Variant V;
    std::string Text;
  };
  const Case Cases[] = {
      {Variant(42), "Integer: 42"},
      {Variant("a b"), "String: a b"},
      {Null(), "Null"},
      {Variant(), "Empty"},
      {EmptyParam(), "Error: 80020004"},
      {VarArrayCreate({1, 2, 0, 4}, varByte), "Array of Byte[1..2][0..4]"},
  };
  for (const Case& C : Cases) {
    std::ostringstream Out;
    Out << C.V;
    EXPECT_EQ(Out.str(), C.Text);
  }
}

TEST(Variant, AppendsTextInPlaceWithoutTouchingSharers) {
  Variant S("ab");
  Variant Shared = S;
  ASSERT_TRUE(S.AppendText("cd"));
  EXPECT_EQ(S.AsString(), "abcd");
  EXPECT_EQ(Shared.AsString(), "ab");  // the shared text was copied, not changed
  ASSERT_TRUE(S.AppendText(S.AsString()));  // its own text
  EXPECT_EQ(S.AsString(), "abcdabcd");
  const std::string* Before = S.StringPtr();
  S.AppendText("e");
  EXPECT_EQ(S.StringPtr(), Before);  // alone: the same text grows
  Variant Empty(std::string{});
  ASSERT_TRUE(Empty.AppendText("x"));
  EXPECT_EQ(Empty.AsString(), "x");
  Variant Ole = Variant::FromOleStr("o");
  ASSERT_TRUE(Ole.AppendText("k"));
  EXPECT_EQ(Ole.VType(), varOleStr);
  EXPECT_EQ(Ole.AsString(), "ok");
  Variant Number(5);
  EXPECT_FALSE(Number.AppendText("x"));
  EXPECT_EQ(Number, Variant(5));
}
