// Format and picture texts as the system's callers write them: the runtime must produce these
// exact texts (number formats of reports and status lines, PDF dates, the forced short date).
#include <gtest/gtest.h>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

namespace {

class FormatPictures : public ::testing::Test {
protected:
  void SetUp() override { ResetFormatSettings(); }
  void TearDown() override { ResetFormatSettings(); }
};

TEST_F(FormatPictures, FormatSpecifiersOfTheCallers) {
  struct Case { std::string Fmt; std::vector<TVarRec> Args; std::string Want; };
  for (const Case& C : {
           Case{"%9.2f", {1234.5}, "  1234.50"},
           Case{"%2.2f", {1234.5}, "1234.50"},
           Case{"%2.2n", {1234.5}, "1,234.50"},
           Case{"%2.2m", {1234.5}, "$1,234.50"},
           Case{"%g", {1234.5}, "1234.5"},
           Case{"%f", {1.0}, "1.00"},  // "%f" means two decimals
           Case{"%.4f", {3.14159}, "3.1416"},
           Case{"%.2x%.2x%.2x", {255, 0, 16}, "FF0010"},
           Case{"%5d%5d", {1, 23}, "    1   23"},
           Case{"%d x %d", {640, 480}, "640 x 480"},
           Case{"%s%f; %s%f", {"w=", 1.5, "h=", 2.25}, "w=1.50; h=2.25"},
       })
    EXPECT_EQ(Format(C.Fmt, C.Args), C.Want) << C.Fmt;
  // With another decimal separator.
  DecimalSeparator = ',';
  ThousandSeparator = '.';
  EXPECT_EQ(Format("%2.2n", {1234.5}), "1.234,50");
  EXPECT_EQ(FormatFloat("0.00", 0.5), "0,50");
}

TEST_F(FormatPictures, FloatAndDatePictures) {
  EXPECT_EQ(FormatFloat("0.00", 1536.0 / 1024), "1.50");
  EXPECT_EQ(FormatFloat("0000 x 0000", 12), "0000 x 0012");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatDateTime("yyyymmddhhmmss", EncodeDateTime(2024, 3, 5, 7, 8, 9, 0)),
            "20240305070809");
  // The program forces the short date format through the locale call ("M" month, "m" minutes).
  EXPECT_TRUE(SetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE, "yyyy-MM-dd"));
  EXPECT_EQ(GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "yyyy-MM-dd");
  EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "2024-03-05");
  EXPECT_EQ(StrToDate("2024-03-05"), EncodeDate(2024, 3, 5));
}

}  // namespace
