// Periods, ISO weeks, whole months between moments, recoding and date/time comparisons.
#include <gtest/gtest.h>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/variant.h"
#include "raised.h"

namespace {

TDateTime DT(Word Y, Word M, Word D, Word H = 0, Word N = 0, Word S = 0, Word Ms = 0) {
  return EncodeDateTime(Y, M, D, H, N, S, Ms);
}

std::string Show(TDateTime V) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", V); }

TEST(DateCalendar, StartsAndEndsOfPeriods) {
  const TDateTime V = DT(2024, 2, 14, 15, 30);  // a Wednesday in a leap year
  struct Case { TDateTime Got; std::string Want; };
  for (const Case& C : {
           Case{StartOfTheMonth(V), "2024-02-01 00:00:00.000"},
           Case{EndOfTheMonth(V), "2024-02-29 23:59:59.999"},
           Case{StartOfTheYear(V), "2024-01-01 00:00:00.000"},
           Case{EndOfTheYear(V), "2024-12-31 23:59:59.999"},
           Case{StartOfTheWeek(V), "2024-02-12 00:00:00.000"},
           Case{EndOfTheWeek(V), "2024-02-18 23:59:59.999"},
           Case{StartOfTheWeek(DT(2024, 2, 18, 23)), "2024-02-12 00:00:00.000"},  // Sunday
           Case{StartOfTheWeek(DT(2024, 2, 12)), "2024-02-12 00:00:00.000"},      // Monday
           Case{EndOfAMonth(2023, 2), "2023-02-28 23:59:59.999"},
           Case{StartOfAMonth(1899, 12), "1899-12-01 00:00:00.000"},  // before day 0
           Case{EndOfTheMonth(DT(1899, 12, 5, 6)), "1899-12-31 23:59:59.999"},
           Case{StartOfTheWeek(DT(1899, 12, 29, 6)), "1899-12-25 00:00:00.000"},  // a Friday
           Case{EndOfTheWeek(DT(1899, 12, 29, 6)), "1899-12-31 23:59:59.999"},
           Case{StartOfTheWeek(DT(1800, 1, 1, 12)), "1799-12-30 00:00:00.000"},  // a Wednesday
       })
    EXPECT_EQ(Show(C.Got), C.Want);
  EXPECT_EQ(Raised([] { StartOfAMonth(2024, 13); }), "EConvertError: Invalid argument to date encode");
}

TEST(DateCalendar, IsoWeekNumbers) {
  struct Case { TDateTime D; Word Week, Year; };
  for (const Case& C : {Case{DT(2024, 1, 1), 1, 2024},     // Monday
                        Case{DT(2021, 1, 3), 53, 2020},    // Sunday of 2020's last week
                        Case{DT(2020, 12, 31), 53, 2020},
                        Case{DT(2019, 12, 30), 1, 2020},   // Monday of 2020's first week
                        Case{DT(2023, 6, 15), 24, 2023},
                        Case{DT(2026, 12, 31), 53, 2026}}) {
    Word Year = 0;
    EXPECT_EQ(WeekOfTheYear(C.D, Year), C.Week) << Show(C.D);
    EXPECT_EQ(Year, C.Year) << Show(C.D);
  }
}

TEST(DateCalendar, WholeUnitsBetweenMoments) {
  struct Case { TDateTime A, B; int Months, Years; };
  for (const Case& C : {
           Case{DT(2024, 1, 31), DT(2024, 2, 28), 0, 0},  // short of a whole month
           Case{DT(2024, 1, 31), DT(2024, 2, 29), 1, 0},  // clipped to the month's last day
           Case{DT(2024, 1, 15, 12), DT(2024, 3, 15, 11), 1, 0},  // the time counts
           Case{DT(2024, 1, 15, 12), DT(2024, 3, 15, 12), 2, 0},
           Case{DT(2020, 2, 29), DT(2021, 2, 28), 12, 1},
           Case{DT(2025, 6, 1), DT(2023, 6, 2), 23, 1},  // either order
           Case{DT(1899, 11, 30, 6), DT(1900, 1, 30, 6), 2, 0},  // across day 0
       }) {
    EXPECT_EQ(MonthsBetween(C.A, C.B), C.Months) << Show(C.A) << " " << Show(C.B);
    EXPECT_EQ(YearsBetween(C.A, C.B), C.Years) << Show(C.A) << " " << Show(C.B);
  }
  EXPECT_EQ(WeeksBetween(DT(2024, 1, 1), DT(2024, 1, 14, 23)), 1);
  EXPECT_EQ(WeeksBetween(DT(2024, 1, 15), DT(2024, 1, 1)), 2);
  EXPECT_DOUBLE_EQ(DaySpan(DT(2024, 1, 2, 6), DT(2024, 1, 1)), 1.25);
  EXPECT_DOUBLE_EQ(DaySpan(DT(1899, 12, 29, 18), DT(1899, 12, 30, 6)), 0.5);
}

TEST(DateCalendar, ComparisonsAndRecoding) {
  const TDateTime A = DT(2024, 5, 1, 8), B = DT(2024, 5, 2, 7);
  EXPECT_EQ(CompareDate(A, B), -1);
  EXPECT_EQ(CompareTime(A, B), 1);
  EXPECT_EQ(CompareDate(A, DT(2024, 5, 1, 23)), 0);
  EXPECT_TRUE(SameTime(A, DT(1999, 1, 1, 8)));
  EXPECT_FALSE(SameDateTime(A, A + 1.0 / MSecsPerDay));
  EXPECT_TRUE(SameDateTime(A, A + 0.2 / MSecsPerDay));  // same millisecond

  EXPECT_EQ(Show(RecodeDate(A, 2020, 2, 29)), "2020-02-29 08:00:00.000");
  EXPECT_EQ(Show(RecodeTime(A, 23, 59, 58, 7)), "2024-05-01 23:59:58.007");
  EXPECT_EQ(Show(RecodeTime(DT(1899, 12, 29, 6), 18, 0, 0, 0)), "1899-12-29 18:00:00.000");
  EXPECT_EQ(Raised([&] { RecodeDate(A, 2023, 2, 29); }), "EConvertError: Invalid argument to date encode");
  EXPECT_EQ(Raised([&] { RecodeTime(A, 24, 0, 0, 0); }), "EConvertError: Invalid argument to time encode");

  EXPECT_TRUE(IsValidDate(2024, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidTime(12, 60, 0, 0));
  EXPECT_TRUE(IsValidDateTime(2024, 12, 31, 23, 59, 59, 999));
  EXPECT_FALSE(IsValidDateTime(2024, 12, 31, 23, 59, 59, 1000));
  EXPECT_TRUE(IsPM(DT(2024, 1, 1, 12)));
  EXPECT_FALSE(IsPM(DT(2024, 1, 1, 11, 59)));
  EXPECT_TRUE(IsInLeapYear(DT(2000, 7, 1)));
  EXPECT_EQ(DaysInAYear(1900), 365);
  EXPECT_EQ(DayOfTheMonth(A), 1);
}

TEST(DateCalendar, RelativeDaysFollowTheClock) {
  const TDateTime Before = Date();
  const TDateTime T = Today();
  if (Before == T) {  // not across midnight while the test ran
    EXPECT_EQ(Tomorrow() - T, 1);
    EXPECT_EQ(T - Yesterday(), 1);
    EXPECT_TRUE(IsToday(T + 0.75));
    EXPECT_FALSE(IsToday(T - 0.25));
  }
  EXPECT_EQ(T, static_cast<double>(static_cast<int64_t>(T)));  // midnight
}

TEST(DateCalendar, VariantDates) {
  EXPECT_EQ(VarToDateTime(Variant(45000.5)), 45000.5);
  EXPECT_EQ(VarToDateTime(Variant(std::string("2024-03-05"))), EncodeDate(2024, 3, 5));
  EXPECT_EQ(VarType(VarFromDateTime(1.5)), varDate);
  EXPECT_NE(Raised([] { VarToDateTime(Null()); }), "");
  EXPECT_NE(Raised([] { VarToDateTime(Variant(std::string("no date"))); }), "");
}

}  // namespace
