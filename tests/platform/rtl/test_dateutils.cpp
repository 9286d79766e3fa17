// Dates and times: encoding, arithmetic, the clock, FormatDateTime and reading dates back.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <functional>

#include "platform/rtl/dateutils.h"

namespace {

class DateUtilsTest : public ::testing::Test {
protected:
  void SetUp() override { ResetFormatSettings(); }
  void TearDown() override { ResetFormatSettings(); }
  // 2024-03-05 14:07:09.045, a Tuesday.
  const TDateTime Sample = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
};

void ExpectConvertError(const std::function<void()>& F, const std::string& Message) {
  try {
    F();
    ADD_FAILURE() << "no error, expected: " << Message;
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), Message);
  }
}

TEST_F(DateUtilsTest, EncodeDateCountsDaysFromTheEndOf1899) {
  struct Case { Word Y, M, D; double Want; };
  for (const Case& C : {Case{1899, 12, 30, 0}, Case{1899, 12, 31, 1}, Case{1900, 1, 1, 2}, Case{1899, 12, 29, -1},
                        Case{2000, 1, 1, 36526}, Case{2024, 2, 29, 45351}, Case{1970, 1, 1, 25569},
                        Case{1, 1, 1, -693593}, Case{9999, 12, 31, 2958465}}) {
    EXPECT_EQ(EncodeDate(C.Y, C.M, C.D), C.Want) << C.Y << "-" << C.M << "-" << C.D;
    Word Y, M, D;
    DecodeDate(C.Want, Y, M, D);
    EXPECT_EQ(Y * 10000 + M * 100 + D, C.Y * 10000 + C.M * 100 + C.D);
  }
}

TEST_F(DateUtilsTest, InvalidPartsRaiseTheConversionError) {
  struct Case { Word Y, M, D; };
  for (const Case& C : {Case{2023, 2, 29}, Case{1900, 2, 29}, Case{2024, 13, 1}, Case{2024, 0, 1},
                        Case{0, 1, 1}, Case{2024, 4, 31}, Case{2024, 1, 0}, Case{10000, 1, 1}}) {
    ExpectConvertError([&] { EncodeDate(C.Y, C.M, C.D); }, "Invalid argument to date encode");
    TDateTime Out = 123;
    EXPECT_FALSE(TryEncodeDate(C.Y, C.M, C.D, Out));
    EXPECT_EQ(Out, 123);
  }
  ExpectConvertError([] { EncodeTime(24, 0, 0, 0); }, "Invalid argument to time encode");
  ExpectConvertError([] { EncodeTime(0, 60, 0, 0); }, "Invalid argument to time encode");
  ExpectConvertError([] { EncodeTime(0, 0, 60, 0); }, "Invalid argument to time encode");
  ExpectConvertError([] { EncodeTime(0, 0, 0, 1000); }, "Invalid argument to time encode");
  ExpectConvertError([] { EncodeDateTime(2023, 2, 29, 0, 0, 0, 0); }, "Invalid argument to date encode");
}

TEST_F(DateUtilsTest, DecodingInvertsEncodingOverTheWholeRange) {
  for (int Day = -693593; Day <= 2958465; Day += 977) {
    Word Y, M, D;
    DecodeDate(Day, Y, M, D);
    ASSERT_EQ(EncodeDate(Y, M, D), Day) << Day;
  }
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  Word H, N, S, Ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), H, N, S, Ms);
  EXPECT_EQ(H * 10000000 + N * 100000 + S * 1000 + Ms, 235959999);
  // Dates before 1899-12-30 keep a positive time: -1.25 is 1899-12-29 06:00.
  Word Y, M, D;
  DecodeDateTime(-1.25, Y, M, D, H, N, S, Ms);
  EXPECT_EQ(Y * 10000 + M * 100 + D, 18991229);
  EXPECT_EQ(H, 6);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_THROW(DecodeDate(1e20, Y, M, D), EInvalidOp);
  EXPECT_THROW(FormatDateTime("c", std::nan("")), EInvalidOp);
  // A fraction a hair below midnight is the next day, not 23:59:59.1000.
  DecodeDateTime(1 - 1e-12, Y, M, D, H, N, S, Ms);
  EXPECT_EQ(D * 100 + H, 3100);
}

TEST_F(DateUtilsTest, CalendarQuestions) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5);  // Thursday, Sunday = 1
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
  EXPECT_EQ(DayOfWeek(-1.25), 6);
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 3, 3)), 7);  // ISO: Sunday = 7
  EXPECT_EQ(DayOfTheYear(EncodeDate(2024, 12, 31)), 366);
  for (auto [Y, Leap] : {std::pair<Word, bool>{1900, false}, {2000, true}, {2024, true}, {2023, false}, {2100, false}})
    EXPECT_EQ(IsLeapYear(Y), Leap) << Y;
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
  EXPECT_EQ(DaysInMonth(EncodeDate(2024, 2, 10)), 29);
  EXPECT_EQ(DayOf(EncodeDate(2024, 2, 29)), 29);
  EXPECT_EQ(MonthOf(EncodeDate(2024, 2, 29)), 2);
  EXPECT_EQ(YearOf(EncodeDate(2024, 2, 29)), 2024);
  EXPECT_EQ(HourOf(Sample), 14);
  EXPECT_EQ(MinuteOf(Sample), 7);
  EXPECT_EQ(SecondOf(Sample), 9);
  EXPECT_EQ(MilliSecondOf(Sample), 45);
  EXPECT_EQ(DateOf(Sample), EncodeDate(2024, 3, 5));
  EXPECT_NEAR(TimeOf(Sample), EncodeTime(14, 7, 9, 45), 1e-12);
}

TEST_F(DateUtilsTest, ArithmeticKeepsTheCalendarAndTheTimeOfDay) {
  struct Case { TDateTime From; int Months; TDateTime Want; };
  for (const Case& C : {Case{EncodeDate(2024, 1, 31), 1, EncodeDate(2024, 2, 29)},
                        Case{EncodeDate(2024, 3, 31), -1, EncodeDate(2024, 2, 29)},
                        Case{EncodeDate(2023, 12, 15), 1, EncodeDate(2024, 1, 15)},
                        Case{EncodeDate(2024, 5, 10), -17, EncodeDate(2022, 12, 10)},
                        Case{EncodeDateTime(2024, 1, 31, 12, 0, 0, 0), 13, EncodeDateTime(2025, 2, 28, 12, 0, 0, 0)}})
    EXPECT_EQ(IncMonth(C.From, C.Months), C.Want);
  EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29)), EncodeDate(2025, 2, 28));
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  // Across 1899-12-30 the arithmetic follows real time, not the stored number.
  EXPECT_EQ(IncDay(-1.25, 1), 0.25);
  EXPECT_EQ(IncHour(0.25, -12), -1.75);
  EXPECT_EQ(IncMinute(EncodeDate(2024, 1, 1), -1), EncodeDateTime(2023, 12, 31, 23, 59, 0, 0));
  EXPECT_EQ(IncSecond(Sample, 60 * 60 * 24 * 7), IncWeek(Sample));
  EXPECT_EQ(DaysBetween(EncodeDate(2024, 1, 1), EncodeDate(2024, 3, 1)), 60);
  EXPECT_EQ(DaysBetween(EncodeDate(2024, 3, 1), EncodeDate(2024, 1, 1)), 60);
  EXPECT_EQ(DaysBetween(EncodeDate(2024, 1, 1) + 0.9, EncodeDate(2024, 1, 1)), 0);
  EXPECT_EQ(HoursBetween(-1.25, 0.25), 24);
  EXPECT_EQ(SecondsBetween(Sample, IncMilliSecond(Sample, 1999)), 1);
  EXPECT_EQ(CompareDateTime(-1.25, -1.75), -1);  // 06:00 comes before 18:00 on the same day
  EXPECT_TRUE(SameDate(-1.25, -1.75));
}

TEST_F(DateUtilsTest, UnixTimeAndTheClock) {
  EXPECT_EQ(DateTimeToUnix(EncodeDate(1970, 1, 1)), 0);
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2001, 9, 9, 1, 46, 40, 0)), 1000000000);
  EXPECT_EQ(UnixToDateTime(1000000000), EncodeDateTime(2001, 9, 9, 1, 46, 40, 0));
  EXPECT_EQ(UnixToDateTime(-86400), EncodeDate(1969, 12, 31));
  // Before 1899-12-30: 1899-12-29 18:00.
  EXPECT_EQ(UnixToDateTime(-2209161600 - 6 * 3600), -1.75);
  EXPECT_EQ(DateTimeToUnix(-1.75), -2209161600 - 6 * 3600);

  time_t T = time(nullptr);
  tm L;
  localtime_r(&T, &L);
  TDateTime N = Now();
  EXPECT_EQ(YearOf(N), L.tm_year + 1900);
  EXPECT_LE(DaysBetween(Date(), N), 1);
  EXPECT_EQ(Date(), DateOf(Date()));
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
}

TEST_F(DateUtilsTest, FormatDateTimeSpecifiers) {
  struct Case { const char* Fmt; std::string Want; };
  for (const Case& C : {Case{"yyyy-mm-dd", "2024-03-05"}, Case{"d/m/yy", "5-3-24"}, Case{"dd.mm.yyyy", "05.03.2024"},
                        Case{"ddd dddd", "Tue Tuesday"}, Case{"mmm mmmm", "Mar March"}, Case{"MMM", "Mar"},
                        Case{"h:n:s", "14:7:9"}, Case{"hh:nn:ss.zzz", "14:07:09.045"}, Case{"z", "45"},
                        Case{"hh:mm", "14:07"}, Case{"h:mm", "14:07"}, Case{"mm", "03"}, Case{"m", "3"},
                        Case{"hh 'h' mm", "14 h 07"}, Case{"h:mm am/pm", "2:07 pm"}, Case{"h:mm AM/PM", "2:07 PM"},
                        Case{"h:mm a/p", "2:07 p"}, Case{"hh ampm", "02 PM"}, Case{"c", "2024-03-05 14:07:09"},
                        Case{"ddddd", "2024-03-05"}, Case{"dddddd", "Tuesday, March 5, 2024"},
                        Case{"t", "14:07"}, Case{"tt", "14:07:09"}, Case{"\"yyyy\" yyyy", "yyyy 2024"},
                        Case{"'It''s' d", "Its 5"}, Case{"yy", "24"}, Case{"y", "24"}, Case{"", "2024-03-05 14:07:09"},
                        Case{"[#]", "[#]"}, Case{"hh:nn a", "14:07 a"}, Case{"HH:NN:SS", "14:07:09"},
                        Case{"yyyy年m月d日 dddd", "2024年3月5日 Tuesday"}})
    EXPECT_EQ(FormatDateTime(C.Fmt, Sample), C.Want) << C.Fmt;
  // The hour is on the 12-hour clock only when an am/pm marker follows it.
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(0, 30, 0, 0)), "12:30 am");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(12, 0, 0, 0)), "12:00 pm");
  EXPECT_EQ(FormatDateTime("h:nn", EncodeTime(0, 30, 0, 0)), "0:30");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "2024-03-05");  // midnight: no time
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
  TimeSeparator = '.';
  DateSeparator = '/';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", Sample), "2024/03/05 14.07");
  TFormatSettings FS;
  FS.LongMonthNames[2] = "mars";
  EXPECT_EQ(FormatDateTime("mmmm", Sample, FS), "mars");
  // A locale picture that names itself does not loop.
  ShortDateFormat = "ddddd";
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "");
}

TEST_F(DateUtilsTest, DatesAndTimesToText) {
  EXPECT_EQ(DateToStr(Sample), "2024-03-05");
  EXPECT_EQ(TimeToStr(Sample), "14:07:09");
  EXPECT_EQ(DateTimeToStr(Sample), "2024-03-05 14:07:09");
  ShortDateFormat = "m/d/yyyy";
  DateSeparator = '/';
  LongTimeFormat = "h:nn:ss ampm";
  EXPECT_EQ(DateTimeToStr(Sample), "3/5/2024 2:07:09 PM");
}

TEST_F(DateUtilsTest, ReadingDatesFollowsTheShortDateOrder) {
  struct Case { const char* Picture; const char* Text; TDateTime Want; };
  const int ThisYear = YearOf(Date());
  for (const Case& C : {Case{"yyyy-mm-dd", "2024-03-05", EncodeDate(2024, 3, 5)},
                        Case{"yyyy-mm-dd", " 2024/3/5 ", EncodeDate(2024, 3, 5)},
                        Case{"yyyy-mm-dd", "3-5", EncodeDate(static_cast<Word>(ThisYear), 3, 5)},
                        Case{"dd/mm/yyyy", "05/03/2024", EncodeDate(2024, 3, 5)},
                        Case{"d/m/yy", "5/3/24", EncodeDate(2024, 3, 5)},
                        Case{"m/d/yyyy", "3/5/2024", EncodeDate(2024, 3, 5)},
                        Case{"m/d/yyyy", "12/31/0001", EncodeDate(1, 12, 31)}}) {
    ShortDateFormat = C.Picture;
    EXPECT_EQ(StrToDate(C.Text), C.Want) << C.Picture << " " << C.Text;
  }
  ResetFormatSettings();
  for (const std::string& Bad : std::vector<std::string>{"2024-02-30", "abc", "2024-03", "2024-03-05x", "", "2024--03-05", "2024-3-"})
    ExpectConvertError([&] { StrToDate(Bad); }, "'" + Bad + "' is not a valid date");
  EXPECT_EQ(StrToDateDef("nope", 7), 7);
}

TEST_F(DateUtilsTest, ReadingTimesAndDateTimes) {
  struct Case { const char* Text; TDateTime Want; };
  for (const Case& C : {Case{"14:07", EncodeTime(14, 7, 0, 0)}, Case{"14:07:09", EncodeTime(14, 7, 9, 0)},
                        Case{"14:07:09.045", EncodeTime(14, 7, 9, 45)}, Case{"2:07 PM", EncodeTime(14, 7, 0, 0)},
                        Case{"12:00 am", 0}, Case{"12:30 PM", EncodeTime(12, 30, 0, 0)}, Case{"3 pm", EncodeTime(15, 0, 0, 0)}})
    EXPECT_EQ(StrToTime(C.Text), C.Want) << C.Text;
  for (const std::string& Bad : std::vector<std::string>{"25:00", "14", "14:60", "13:00 PM", "14:07:09.1234", "x"})
    ExpectConvertError([&] { StrToTime(Bad); }, "'" + Bad + "' is not a valid time");

  EXPECT_EQ(StrToDateTime("2024-03-05 14:07:09"), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime("2024-03-05"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
  ExpectConvertError([] { StrToDateTime("2024-03-05 x"); }, "'2024-03-05 x' is not a valid date and time");
  // What DateTimeToStr writes reads back, in other locale settings too.
  for (const char* Picture : {"yyyy-mm-dd", "dd/mm/yyyy", "m/d/yyyy"}) {
    ShortDateFormat = Picture;
    DateSeparator = Picture[2] == '/' || Picture[1] == '/' ? '/' : '-';
    TDateTime Whole = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(Whole)), Whole) << Picture;
  }
}

}  // namespace
