// Strings, integers, Booleans, math and locale settings of the runtime.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/rtl/sysutils.h"

namespace {

class SysUtilsTest : public ::testing::Test {
protected:
  void SetUp() override { ResetFormatSettings(); }
  void TearDown() override { ResetFormatSettings(); }
};

TEST_F(SysUtilsTest, PositionsCountFromOneAndClipOutOfRangeArguments) {
  EXPECT_EQ(Pos("lo", "hello"), 4);
  EXPECT_EQ(Pos("x", "hello"), 0);
  EXPECT_EQ(Pos("", "hello"), 0);
  EXPECT_EQ(PosEx("l", "hello", 4), 4);
  EXPECT_EQ(PosEx("l", "hello", 6), 0);

  struct Case { std::string S; int Index, Count; std::string Want; };
  for (const Case& C : {Case{"abcdef", 2, 3, "bcd"}, Case{"abcdef", 0, 2, "ab"}, Case{"abcdef", -5, 2, "ab"},
                        Case{"abcdef", 5, 10, "ef"}, Case{"abcdef", 7, 1, ""}, Case{"abcdef", 2, -1, ""},
                        Case{"abcdef", 2, INT_MAX, "bcdef"}})
    EXPECT_EQ(Copy(C.S, C.Index, C.Count), C.Want) << C.S << " " << C.Index << " " << C.Count;

  std::string S = "abcdef";
  Delete(S, 2, 3);
  EXPECT_EQ(S, "aef");
  Delete(S, 0, 1);
  Delete(S, 9, 1);
  EXPECT_EQ(S, "aef");
  Delete(S, 2, 100);
  EXPECT_EQ(S, "a");
  S = "abc";
  Insert("XY", S, 2);
  EXPECT_EQ(S, "aXYbc");
  Insert("!", S, 99);
  EXPECT_EQ(S, "aXYbc!");
  Insert("<", S, 0);
  EXPECT_EQ(S, "<aXYbc!");
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', -1), "");
  EXPECT_EQ(RightStr("abcdef", 2), "ef");
}

TEST_F(SysUtilsTest, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \x01"), "  a");
  EXPECT_EQ(Trim(" \t\n"), "");
}

TEST_F(SysUtilsTest, CaseMappingAndComparison) {
  EXPECT_EQ(UpperCase("abc äé"), "ABC äé");  // ASCII only
  EXPECT_EQ(LowerCase("ABC ÄÉ"), "abc ÄÉ");
  EXPECT_EQ(AnsiUpperCase("abc äéж"), "ABC ÄÉЖ");
  EXPECT_EQ(AnsiLowerCase("ABC ÄÉЖ"), "abc äéж");
  EXPECT_EQ(AnsiUpperCase("中文 \xff bad"), "中文 \xff BAD");  // other bytes pass through

  EXPECT_GT(CompareStr("a", "B"), 0);  // by byte value
  EXPECT_LT(CompareText("a", "B"), 0);
  EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
  EXPECT_LT(CompareText("abc", "abcd"), 0);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Ärger", "äRGER"));
  EXPECT_TRUE(AnsiSameText("Ärger", "äRGER"));
  EXPECT_LT(AnsiCompareText("äa", "ÄB"), 0);
  EXPECT_GT(AnsiCompareStr("b", "a"), 0);
  EXPECT_TRUE(AnsiStartsText("IMG", "img_001.jpg"));
  EXPECT_TRUE(AnsiEndsText(".JPG", "img_001.jpg"));
  EXPECT_FALSE(AnsiEndsText(".jpeg", "a.jpg"));
  EXPECT_TRUE(AnsiContainsText("Hello World", "WORLD"));
}

TEST_F(SysUtilsTest, Utf8AndWideStringsConvertBothWays) {
  const std::string Text = "aé中😀";
  const std::u16string Wide = u"aé中😀";
  EXPECT_EQ(UTF8Decode(Text), Wide);
  EXPECT_EQ(UTF8Encode(Wide), Text);
  EXPECT_EQ(Utf8Length(Text), 4);
  EXPECT_EQ(UTF8Decode("a\xff"), u"a\uFFFD");               // not UTF-8
  EXPECT_EQ(UTF8Decode("\xed\xa0\x80"), u"\uFFFD");          // an encoded surrogate
  EXPECT_EQ(UTF8Decode("\xc0\x80"), u"\uFFFD\uFFFD");        // overlong
  EXPECT_EQ(UTF8Encode(std::u16string{u'x', char16_t(0xD800)}), "x\xEF\xBF\xBD");  // unpaired
  EXPECT_EQ(UTF8Encode(u""), "");
}

TEST_F(SysUtilsTest, StringReplaceHonoursItsFlags) {
  struct Case { std::string S, Old, New; TReplaceFlags Flags; std::string Want; };
  for (const Case& C : {
           Case{"aXbxc", "x", "-", {rfReplaceAll, rfIgnoreCase}, "a-b-c"},
           Case{"aXbxc", "x", "-", {rfReplaceAll}, "aXb-c"},
           Case{"aaa", "a", "b", {}, "baa"},
           Case{"aaa", "aa", "a", {rfReplaceAll}, "aa"},  // no rescan of replaced text
           Case{"abc", "", "x", {rfReplaceAll}, "abc"},
           Case{"ÄbÄ", "ä", "a", {rfReplaceAll, rfIgnoreCase}, "aba"},
       })
    EXPECT_EQ(StringReplace(C.S, C.Old, C.New, C.Flags), C.Want) << C.S;
}

TEST_F(SysUtilsTest, QuotingDoublesTheQuoteAndDequotingUndoesIt) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  struct Case { std::string S, Want; };
  for (const Case& C : {Case{"'it''s'", "it's"}, Case{"abc", "abc"}, Case{"'ab", "'ab"},
                        Case{"'a'b", "a"}, Case{"''", ""}, Case{"", ""}, Case{"'ab''", "'ab''"}})
    EXPECT_EQ(AnsiDequotedStr(C.S, '\''), C.Want) << C.S;
  size_t P = 2;
  EXPECT_EQ(AnsiExtractQuotedStr("x='a''b' y", P, '\''), "a'b");
  EXPECT_EQ(P, 8u);
}

TEST_F(SysUtilsTest, IntegersToText) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0xABCDu, 2), "ABCD");
}

TEST_F(SysUtilsTest, StrToIntAcceptsThePlatformForms) {
  struct Case { std::string S; int Want; };
  for (const Case& C : {Case{"123", 123}, Case{"  123", 123}, Case{"-123", -123}, Case{"+5", 5},
                        Case{"007", 7}, Case{"$FF", 255}, Case{"$ff", 255}, Case{"0xFF", 255},
                        Case{"0XfF", 255}, Case{"xFF", 255}, Case{"-$10", -16}, Case{"$FFFFFFFF", -1},
                        Case{"$80000000", INT_MIN}, Case{"2147483647", INT_MAX},
                        Case{"-2147483648", INT_MIN}, Case{" -0", 0}}) {
    EXPECT_EQ(StrToInt(C.S), C.Want) << C.S;
    int V = 0;
    EXPECT_TRUE(TryStrToInt(C.S, V)) << C.S;
    EXPECT_EQ(V, C.Want);
  }
  for (const char* BadText : {"", " ", "123 ", "12a", "2147483648", "-2147483649", "$100000000",
                                 "0x", "$", "-", "\t5", "1.5", "1e3", "--1", "1,000"}) {
    const std::string Bad = BadText;
    int V = 77;
    EXPECT_FALSE(TryStrToInt(Bad, V)) << Bad;
    EXPECT_EQ(V, 77);
    EXPECT_EQ(StrToIntDef(Bad, -9), -9);
    try {
      StrToInt(Bad);
      ADD_FAILURE() << "no error for '" << Bad << "'";
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.Message(), "'" + Bad + "' is not a valid integer value");
    }
  }
}

TEST_F(SysUtilsTest, StrToInt64CoversTheWholeRange) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("x", 3), 3);
}

TEST_F(SysUtilsTest, BooleansToAndFromText) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_EQ(BoolToStr(false, true), "False");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_TRUE(StrToBool("2"));
  EXPECT_FALSE(StrToBool("FALSE"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBoolDef("maybe", true));
  try {
    StrToBool("yes");
    ADD_FAILURE();
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), "'yes' is not a valid boolean value");
  }
}

TEST_F(SysUtilsTest, RoundSendsHalvesToTheEvenNeighbour) {
  struct Case { double X; int64_t Want; };
  for (const Case& C : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{3.5, 4}, Case{-0.5, 0},
                        Case{-1.5, -2}, Case{-2.5, -2}, Case{2.4999999, 2}, Case{2.6, 3}, Case{-2.6, -3},
                        Case{1000000000000000.5, 1000000000000000}, Case{4503599627370497.0, 4503599627370497}})
    EXPECT_EQ(Round(C.X), C.Want) << C.X;
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
  EXPECT_THROW(Round(1e19), EInvalidOp);
  EXPECT_THROW(Trunc(-HUGE_VAL), EInvalidOp);
  try {
    Round(1e300);
  } catch (const EInvalidOp& E) {
    EXPECT_EQ(E.Message(), "Invalid floating point operation");
  }
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_DOUBLE_EQ(Int(-2.75), -2.0);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_EQ(Ceil(-1.5), -1);
  EXPECT_EQ(Floor(-1.5), -2);
  EXPECT_DOUBLE_EQ(RoundTo(1234.5678, -2), 1234.57);
  EXPECT_DOUBLE_EQ(RoundTo(1250, 2), 1200);  // half to even
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1.125, -2), 1.13);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(-1.125, -2), -1.13);
}

TEST_F(SysUtilsTest, MulDivRoundsHalvesAwayFromZeroAndReportsFailureAsMinusOne) {
  struct Case { int A, B, C, Want; };
  for (const Case& K : {Case{10, 3, 4, 8}, Case{-10, 3, 4, -8}, Case{10, -3, 4, -8}, Case{-10, -3, -4, -8},
                        Case{1, 1, 2, 1}, Case{-1, 1, 2, -1}, Case{1, 1, 3, 0}, Case{2, 3, 4, 2},
                        Case{128, 255, 255, 128}, Case{255, -255, 255, -255}, Case{5, 0, 3, 0},
                        Case{1, 2, 0, -1}, Case{INT_MAX, 2, 1, -1}, Case{INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                        Case{100000, 100000, 4, -1}})
    EXPECT_EQ(MulDiv(K.A, K.B, K.C), K.Want) << K.A << "*" << K.B << "/" << K.C;
}

TEST_F(SysUtilsTest, PowersAndComparisons) {
  EXPECT_DOUBLE_EQ(Power(2, 10), 1024);
  EXPECT_DOUBLE_EQ(Power(9, 0.5), 3);
  EXPECT_DOUBLE_EQ(Power(0, 0), 1);
  EXPECT_THROW(Power(-8, 1.0 / 3), EInvalidOp);
  EXPECT_DOUBLE_EQ(IntPower(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(IntPower(-3, 3), -27);
  EXPECT_EQ(Min(3, -4), -4);
  EXPECT_EQ(Max(3, int64_t{1} << 40), int64_t{1} << 40);  // mixed types widen
  EXPECT_DOUBLE_EQ(Min(2, 1.5), 1.5);
  EXPECT_DOUBLE_EQ(Max(1.5, 2.5), 2.5);
  EXPECT_EQ(EnsureRange(300, 0, 255), 255);
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_FALSE(SameValue(1.0, 1.0001));
  EXPECT_TRUE(IsZero(1e-13));
}

TEST_F(SysUtilsTest, RandomIsReproducibleFromItsSeedAndStaysInRange) {
  RandSeed = 12345;
  std::vector<int> First;
  for (int I = 0; I < 50; ++I) First.push_back(Random(10));
  RandSeed = 12345;
  int Seen[10] = {};
  for (int I = 0; I < 50; ++I) {
    int R = Random(10);
    EXPECT_EQ(R, First[static_cast<size_t>(I)]);
    ASSERT_TRUE(R >= 0 && R < 10);
    ++Seen[R];
  }
  for (int I = 0; I < 10; ++I) EXPECT_GT(Seen[I], 0) << I;  // 50 draws reach every value
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
  Randomize();
  for (int I = 0; I < 1000; ++I) {
    double F = Random();
    ASSERT_TRUE(F >= 0 && F < 1);
  }
}

TEST_F(SysUtilsTest, OperatingSystemErrorsCarryCodeAndText) {
  EXPECT_EQ(SysErrorMessage(ENOENT), "No such file or directory");
  try {
    RaiseLastOSError(EACCES);
    ADD_FAILURE();
  } catch (const EOSError& E) {
    EXPECT_EQ(E.Message(), "System Error.  Code: 13.\nPermission denied");
  }
  errno = ENOENT;
  EXPECT_THROW(RaiseLastOSError(), EOSError);
}

TEST_F(SysUtilsTest, ClassicLocaleNamesAliasFormatSettings) {
  DecimalSeparator = ',';
  EXPECT_EQ(FormatSettings.DecimalSeparator, ',');
  FormatSettings.ShortDateFormat = "d/m/yyyy";
  EXPECT_EQ(ShortDateFormat, "d/m/yyyy");
  ResetFormatSettings();
  EXPECT_EQ(DecimalSeparator, '.');
  EXPECT_EQ(ShortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(LongMonthNames[11], "December");
}

TEST_F(SysUtilsTest, LocaleInfoSpeaksThePlatformsPictureSyntax) {
  ASSERT_TRUE(SetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE, "M/d/yyyy"));
  EXPECT_EQ(ShortDateFormat, "m/d/yyyy");
  EXPECT_EQ(DateSeparator, '/');
  EXPECT_EQ(GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "M/d/yyyy");
  // What the main window does at start-up: force "yyyy-MM-dd" when it differs.
  if (GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE) != "yyyy-MM-dd") {
    ASSERT_TRUE(SetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE, "yyyy-MM-dd"));
  }
  EXPECT_EQ(ShortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(DateSeparator, '-');
  EXPECT_EQ(GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "yyyy-MM-dd");

  ASSERT_TRUE(SetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, "h:mm:ss tt"));
  EXPECT_EQ(LongTimeFormat, "h:nn:ss ampm");
  EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT), "h:mm:ss tt");
  LongTimeFormat = "hh:nn";
  EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT), "HH:mm");
  EXPECT_FALSE(SetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ",,"));
  EXPECT_FALSE(SetLocaleInfo(LOCALE_USER_DEFAULT, 0x9999, "x"));
  EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, 0x9999), "");

  const char* Old = std::getenv("LANG");
  std::string Saved = Old ? Old : "";
  setenv("LANG", "zh_CN.UTF-8", 1);
  EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME), "zh");
  EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME), "CN");
  unsetenv("LANG");
  EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME), "en");
  if (Old) {
    setenv("LANG", Saved.c_str(), 1);
  }
}

}  // namespace
