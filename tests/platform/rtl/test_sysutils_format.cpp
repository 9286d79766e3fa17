// Float text in both directions, FormatFloat pictures and Format.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"

namespace {

// Formatted while the program's static objects are built: the settings must already be there.
const std::string TextAtStartUp = FloatToStr(1.5) + " " + FormatFloat("#,##0.00", 1234.5);

class FloatTextTest : public ::testing::Test {
protected:
  void SetUp() override { ResetFormatSettings(); }
  void TearDown() override { ResetFormatSettings(); }
};

TEST_F(FloatTextTest, FloatToStrWritesFifteenSignificantDigitsInTheShortestForm) {
  struct Case { double V; const char* Want; };
  for (const Case& C : {Case{0, "0"}, Case{-0.0, "0"}, Case{1.5, "1.5"}, Case{-1.5, "-1.5"},
                        Case{0.1 + 0.2, "0.3"}, Case{100, "100"}, Case{1.0 / 3, "0.333333333333333"},
                        Case{2.0 / 3, "0.666666666666667"}, Case{123456789012345.0, "123456789012345"},
                        Case{1e15, "1E15"}, Case{1234567890123456.0, "1.23456789012346E15"},
                        Case{0.0001, "0.0001"}, Case{0.00001, "1E-5"}, Case{-1.5e-7, "-1.5E-7"},
                        Case{1e300, "1E300"}, Case{DBL_MAX, "1.79769313486232E308"},
                        Case{5e-324, "4.94065645841247E-324"}, Case{999999999999999.9, "1E15"},
                        Case{HUGE_VAL, "INF"}, Case{-HUGE_VAL, "-INF"}, Case{std::nan(""), "NAN"}})
    EXPECT_EQ(FloatToStr(C.V), C.Want) << C.Want;
  DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  TFormatSettings Dot;
  EXPECT_EQ(FloatToStr(1.5, Dot), "1.5");
}

TEST_F(FloatTextTest, StaticObjectsCanFormatWhileTheProgramStarts) {
  EXPECT_EQ(TextAtStartUp, "1.5 1,234.50");
}

TEST_F(FloatTextTest, FloatToStrFFormats) {
  struct Case { double V; TFloatFormat F; int Prec, Digits; const char* Want; };
  for (const Case& C : {
           Case{1234.5678, ffFixed, 15, 2, "1234.57"},
           Case{1234.5678, ffFixed, 4, 2, "1235.00"},  // precision limits the digits first
           Case{2.5, ffFixed, 15, 0, "3"},             // text rounds halves away from zero
           Case{-2.5, ffFixed, 15, 0, "-3"},
           Case{-0.001, ffFixed, 15, 2, "0.00"},       // no negative zero
           Case{0.125, ffFixed, 15, 2, "0.13"},
           Case{1e20, ffFixed, 15, 2, "1E20"},         // too many integer digits
           Case{1234.5678, ffNumber, 15, 2, "1,234.57"},
           Case{-1234567.891, ffNumber, 15, 1, "-1,234,567.9"},
           Case{999.999, ffNumber, 15, 2, "1,000.00"},
           Case{1234.5, ffExponent, 5, 2, "1.2345E+03"},
           Case{0.000123, ffExponent, 3, 0, "1.23E-4"},
           Case{0, ffExponent, 4, 2, "0.000E+00"},
           Case{-9.99, ffExponent, 2, 1, "-1.0E+1"},
           Case{123456789, ffGeneral, 4, 0, "1.235E8"},
           Case{1e20, ffGeneral, 15, 3, "1E020"},
           Case{12.5, ffCurrency, 15, 2, "$12.50"},
           Case{-12.5, ffCurrency, 15, 2, "($12.50)"},
           Case{1234567, ffCurrency, 15, 0, "$1,234,567"},
       })
    EXPECT_EQ(FloatToStrF(C.V, C.F, C.Prec, C.Digits), C.Want) << C.Want;
  EXPECT_EQ(FloatToStrF(HUGE_VAL, ffFixed, 15, 2), "INF");
}

TEST_F(FloatTextTest, CurrencyFollowsTheLocalesPatterns) {
  CurrencyString = "EUR";
  CurrencyFormat = 3;
  NegCurrFormat = 8;
  DecimalSeparator = ',';
  ThousandSeparator = '.';
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1.234,50 EUR");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1.234,50 EUR");
  NegCurrFormat = 1;
  CurrencyString = "$";
  EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 0), "-$5");
  ResetFormatSettings();
  EXPECT_EQ(CurrToStr(1.23456), "1.2346");
  EXPECT_EQ(CurrToStr(0.00005), "0");  // four decimals, halves to even
  EXPECT_EQ(CurrToStr(-12.5), "-12.5");
  EXPECT_EQ(CurrToStr(1e12 + 0.25), "1000000000000.25");
  EXPECT_EQ(CurrToStrF(1234.5, ffNumber, 2), "1,234.50");
}

TEST_F(FloatTextTest, FormatFloatPictures) {
  struct Case { const char* Fmt; double V; const char* Want; };
  for (const Case& C : {
           Case{"0.00", 3.14159, "3.14"},
           Case{"#,##0.00", 1234567.891, "1,234,567.89"},
           Case{"#,##0.00", -1234.5, "-1,234.50"},
           Case{"#,##0", 999, "999"},
           Case{"0", 2.5, "3"},
           Case{"0", 3.5, "4"},
           Case{"0", -2.5, "-3"},
           Case{"0.##", 1, "1"},
           Case{"0.##", 1.5, "1.5"},
           Case{"0.0#", 1.5, "1.5"},
           Case{"0.0#", 1.567, "1.57"},
           Case{"#.##", 0.5, ".5"},
           Case{"000", 7, "007"},
           Case{"00", 12345, "12345"},
           Case{"000-000", 123456, "123-456"},
           Case{"\"$\"#,##0", 1234, "$1,234"},
           Case{"0 'kg'", 5, "5 kg"},
           Case{"0.00;(0.00)", -12.346, "(12.35)"},
           Case{"0.00;(0.00);'zero'", 0, "zero"},
           Case{"0.00;(0.00);'zero'", 0.001, "zero"},  // rounds to zero
           Case{"0.00;(0.00);'zero'", -0.001, "zero"},
           Case{"0.00", -0.001, "0.00"},  // never "-0.00"
           Case{"0;;'nil'", -5, "-5"},    // empty negative section: positive one with a minus
           Case{"0;;'nil'", 0, "nil"},
           Case{"0.00E+00", 1234.5, "1.23E+03"},
           Case{"0.00E+00", 0.00012345, "1.23E-04"},
           Case{"0.0E-0", 1234.5, "1.2E3"},
           Case{"00.0E+0", 1234.5, "12.3E+2"},
           Case{"0.00E+00", 0, "0.00E+00"},
           Case{"0.0", 1e20, "100000000000000000000.0"},
           Case{"#,##0", 1e20, "100,000,000,000,000,000,000"},
           Case{"0.000", 1.0625, "1.063"},  // an exact half rounds up
           Case{"0.00", 2.675, "2.67"},  // 2.675 is stored just below the half
           Case{"", 1.5, "1.5"},
           Case{"#,##0.00元", 1234.5, "1,234.50元"},
       })
    EXPECT_EQ(FormatFloat(C.Fmt, C.V), C.Want) << C.Fmt << " " << C.V;
  EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -HUGE_VAL), "-INF");
}

TEST_F(FloatTextTest, FormatFloatUsesTheLocaleSeparators) {
  DecimalSeparator = ',';
  ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
  TFormatSettings FS;
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, FS), "1,234.50");
}

TEST_F(FloatTextTest, StrToFloatReadsWhatTheLocaleWrites) {
  struct Case { const char* S; double Want; };
  for (const Case& C : {Case{"1.5", 1.5}, Case{" 1.5 ", 1.5}, Case{"-1.5e3", -1500}, Case{"1E-2", 0.01},
                        Case{".5", 0.5}, Case{"5.", 5}, Case{"+3", 3}, Case{"1e-400", 0},
                        Case{"0.30000000000000004", 0.1 + 0.2}})
    EXPECT_DOUBLE_EQ(StrToFloat(C.S), C.Want) << C.S;
  EXPECT_TRUE(std::isinf(StrToFloat("-INF")));
  EXPECT_TRUE(std::isnan(StrToFloat("nan")));
  for (const char* Bad : {"", " ", "abc", "1,5", "1.5.3", "1e", "e5", "1 5", "1e400", "-", ".", "1.5x", "$5"}) {
    double V = 7;
    EXPECT_FALSE(TryStrToFloat(Bad, V)) << Bad;
    EXPECT_EQ(V, 7);
    EXPECT_EQ(StrToFloatDef(Bad, -1), -1);
    try {
      StrToFloat(Bad);
      ADD_FAILURE() << Bad;
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.Message(), std::string("'") + Bad + "' is not a valid floating point value");
    }
  }
  DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_THROW(StrToFloat("1.5"), EConvertError);
  // Every FloatToStr text reads back as the value it came from (to 15 digits).
  for (double V : {1.0 / 3, -2.5e-10, 123456.789, 6.02214076e23}) {
    double Back = StrToFloat(FloatToStr(V));
    EXPECT_NEAR(Back, V, std::fabs(V) * 1e-14);
  }
}

TEST_F(FloatTextTest, FormatFillsSpecifiers) {
  const int X = 42;
  const void* Ptr = reinterpret_cast<const void*>(uintptr_t{0xABC});
  struct Case { const char* Fmt; std::vector<TVarRec> Args; std::string Want; };
  std::vector<Case> Cases = {
      {"%d", {X}, "42"},
      {"%5d|%-5d|", {X, X}, "   42|42   |"},
      {"%.4d", {X}, "0042"},
      {"%.4d", {-42}, "-0042"},
      {"%d", {int64_t{1} << 40}, "1099511627776"},
      {"%u", {-1}, "4294967295"},
      {"%x", {255}, "FF"},
      {"%.4X", {255}, "00FF"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%f", {3.14159}, "3.14"},
      {"%.3f", {2.0 / 3}, "0.667"},
      {"%.0f", {0.5}, "1"},
      {"%f", {-0.001}, "0.00"},
      {"%.1f", {123456789012345678.0}, "123456789012345680.0"},  // 18 digits still fixed
      {"%f", {1e19}, "1E19"},
      {"%e", {1234.5}, "1.23450000000000E+003"},
      {"%.3e", {-0.00012345}, "-1.23E-004"},
      {"%g", {0.5}, "0.5"},
      {"%g", {1e20}, "1E20"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%m", {-5.0}, "($5.00)"},
      {"%8.2f|", {3.14159}, "    3.14|"},
      {"%s-%s", {"a", std::string("b")}, "a-b"},
      {"%s", {'c'}, "c"},
      {"%.2s", {"abcdef"}, "ab"},
      {"%10s|", {"abc"}, "       abc|"},
      {"%-6s|", {"abc"}, "abc   |"},
      {"%*d", {5, X}, "   42"},
      {"%-*.*f|", {8, 1, 2.25}, "2.3     |"},
      {"%1:s %0:s %s", {"a", "b"}, "b a b"},
      {"100%%", {}, "100%"},
      {"%p", {Ptr}, "0000000000000ABC"},
      {"%s %d", {"中文", 1}, "中文 1"},
      {"%.4s|", {"中文"}, "中|"},  // no half characters
      {"%.3s|", {"中文"}, "中|"},
      {"no specifiers", {1}, "no specifiers"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Format(C.Fmt, C.Args), C.Want) << C.Fmt;
  DecimalSeparator = ',';
  EXPECT_EQ(Format("%.2f", {3.14159}), "3,14");
}

TEST_F(FloatTextTest, FormatReadsVariantsAndCurrencyAsTheSpecifierAsks) {
  EXPECT_EQ(Format("%d|%s|%.1f|%x", {Variant(5), Variant("x"), Variant(2.25), Variant(-1)}), "5|x|2.3|FFFFFFFF");
  EXPECT_EQ(Format("%d|%s", {Variant("12"), Variant(3.5)}), "12|3.5");
  EXPECT_EQ(Format("%d", {Variant(int64_t{1} << 40)}), "1099511627776");
  EXPECT_EQ(Format("[%s]", {Null()}), "[]");
  EXPECT_THROW(Format("%d", {Variant("abc")}), EVariantError);
  // The argument list owns its variant copies.
  std::vector<TVarRec> Args;
  {
    Variant Temp("kept");
    Args.emplace_back(Temp);
  }
  EXPECT_EQ(Format("%s", Args), "kept");

  EXPECT_EQ(Format("%m|%.1f", {TVarRec::Currency(1234.5), TVarRec::Currency(-0.25)}), "$1,234.50|-0.3");
  EXPECT_THROW(Format("%d", {TVarRec::Currency(1)}), EConvertError);
}

TEST_F(FloatTextTest, FormatRejectsBadSpecifiersAndMismatchedArguments) {
  struct Case { const char* Fmt; std::vector<TVarRec> Args; };
  std::vector<Case> Invalid = {
      {"%d", {1.5}},      {"%d", {true}},    {"%s", {1}},    {"%f", {1}},      {"%x", {"a"}},
      {"%", {}},          {"abc%", {1}},     {"%q", {1}},    {"%5", {1}},      {"%.d", {1}},
      {"%*d", {"x", 1}},  {"%p", {1}},       {"%e", {"1"}},
  };
  for (const Case& C : Invalid) {
    try {
      Format(C.Fmt, C.Args);
      ADD_FAILURE() << C.Fmt;
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.Message(), std::string("Format '") + C.Fmt + "' invalid or incompatible with argument");
    }
  }
  std::vector<Case> Missing = {{"%d %d", {1}}, {"%2:d", {1, 2}}, {"%*d", {3}}, {"%s", {}}};
  for (const Case& C : Missing) {
    try {
      Format(C.Fmt, C.Args);
      ADD_FAILURE() << C.Fmt;
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.Message(), std::string("No argument for format '") + C.Fmt + "'");
    }
  }
}

}  // namespace
