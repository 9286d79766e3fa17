// Dates and times: TDateTime counts days since 1899-12-30 (0.0 is that midnight), the fraction
// is the time of day. Dates before 1899-12-30 are negative with a positive time fraction's
// magnitude (-1.25 is 1899-12-29 06:00), as the platform stores them.
//
// Invalid parts raise EConvertError with the platform's texts: "Invalid argument to date
// encode", "Invalid argument to time encode", "'%s' is not a valid date", "'%s' is not a valid
// time", "'%s' is not a valid date and time". Decoding a value that is no moment at all (NaN,
// infinite, beyond 64-bit milliseconds) raises EInvalidOp "Invalid floating point operation".
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/sysutils.h"

constexpr double HoursPerDay = 24;
constexpr double MinsPerDay = 24 * 60;
constexpr double SecsPerDay = 24 * 60 * 60;
constexpr double MSecsPerDay = 24.0 * 60 * 60 * 1000;
// TDateTime of 1970-01-01 00:00 (the Unix epoch).
constexpr double UnixDateDelta = 25569;

bool IsLeapYear(Word Year);
// Days of Month (1..12) in Year; 0 for a month outside 1..12.
Word DaysInAMonth(Word Year, Word Month);
int DaysInMonth(int Year, int Month);
Word DaysInMonth(TDateTime Date);
Word DaysInYear(TDateTime Date);

// Year 1..9999, Month 1..12, Day 1..days of that month.
TDateTime EncodeDate(Word Year, Word Month, Word Day);
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
// Hour 0..23, Min 0..59, Sec 0..59, MSec 0..999.
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec,
                         Word MSec);
bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec,
                       TDateTime& Value);
void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min,
                    Word& Sec, Word& MSec);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime Date);
// ISO: 1 = Monday ... 7 = Sunday.
Word DayOfTheWeek(TDateTime Date);
Word DayOfTheYear(TDateTime Date);
Word YearOf(TDateTime Value);
Word MonthOf(TDateTime Value);
Word DayOf(TDateTime Value);
Word HourOf(TDateTime Value);
Word MinuteOf(TDateTime Value);
Word SecondOf(TDateTime Value);
Word MilliSecondOf(TDateTime Value);
TDateTime DateOf(TDateTime Value);  // midnight of the day
TDateTime TimeOf(TDateTime Value);  // time of day only
TDateTime StartOfTheDay(TDateTime Value);
TDateTime EndOfTheDay(TDateTime Value);  // 23:59:59.999

// IncMonth keeps the day, clipped to the last day of the target month; the time is kept.
TDateTime IncMonth(TDateTime Date, int NumberOfMonths = 1);
TDateTime IncYear(TDateTime Value, int NumberOfYears = 1);
TDateTime IncWeek(TDateTime Value, int NumberOfWeeks = 1);
TDateTime IncDay(TDateTime Value, int NumberOfDays = 1);
TDateTime IncHour(TDateTime Value, int64_t NumberOfHours = 1);
TDateTime IncMinute(TDateTime Value, int64_t NumberOfMinutes = 1);
TDateTime IncSecond(TDateTime Value, int64_t NumberOfSeconds = 1);
TDateTime IncMilliSecond(TDateTime Value, int64_t NumberOfMilliSeconds = 1);
// Whole units between two moments, never negative.
int DaysBetween(TDateTime A, TDateTime B);
int64_t HoursBetween(TDateTime A, TDateTime B);
int64_t MinutesBetween(TDateTime A, TDateTime B);
int64_t SecondsBetween(TDateTime A, TDateTime B);
int64_t MilliSecondsBetween(TDateTime A, TDateTime B);
// -1, 0 or 1.
int CompareDateTime(TDateTime A, TDateTime B);
bool SameDate(TDateTime A, TDateTime B);

// The local clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Unix seconds (UTC taken as local, as the platform does) to and from TDateTime.
int64_t DateTimeToUnix(TDateTime Value);
TDateTime UnixToDateTime(int64_t Value);

// Text. DateToStr uses ShortDateFormat, TimeToStr LongTimeFormat, DateTimeToStr both (the time
// left out when it is midnight).
std::string DateToStr(TDateTime Date);
std::string DateToStr(TDateTime Date, const TFormatSettings& FS);
std::string TimeToStr(TDateTime Time);
std::string TimeToStr(TDateTime Time, const TFormatSettings& FS);
std::string DateTimeToStr(TDateTime Value);
std::string DateTimeToStr(TDateTime Value, const TFormatSettings& FS);

// Reads a date in the order of ShortDateFormat's d/m/y letters, parts split by DateSeparator
// (or "/" "-" "."); the year may be left out (current year) or given with 1-2 digits (window of
// TwoDigitYearCenturyWindow). Times are h[:n[:s[.z]]] with optional AM/PM.
TDateTime StrToDate(const std::string& S);
TDateTime StrToDate(const std::string& S, const TFormatSettings& FS);
TDateTime StrToDateDef(const std::string& S, TDateTime Default);
bool TryStrToDate(const std::string& S, TDateTime& Value);
bool TryStrToDate(const std::string& S, TDateTime& Value, const TFormatSettings& FS);
TDateTime StrToTime(const std::string& S);
TDateTime StrToTime(const std::string& S, const TFormatSettings& FS);
TDateTime StrToTimeDef(const std::string& S, TDateTime Default);
bool TryStrToTime(const std::string& S, TDateTime& Value);
bool TryStrToTime(const std::string& S, TDateTime& Value, const TFormatSettings& FS);
TDateTime StrToDateTime(const std::string& S);
TDateTime StrToDateTime(const std::string& S, const TFormatSettings& FS);
TDateTime StrToDateTimeDef(const std::string& S, TDateTime Default);
bool TryStrToDateTime(const std::string& S, TDateTime& Value);
bool TryStrToDateTime(const std::string& S, TDateTime& Value, const TFormatSettings& FS);

// Picture formatting. Specifiers (letters in any case): c (short date + long time, time left out
// at midnight), d dd ddd dddd ddddd (short date) dddddd (long date), m mm mmm mmmm (month;
// minutes right after h/hh), yy yyyy, h hh (12-hour after an am/pm specifier), n nn, s ss, z zzz,
// t (short time) tt (long time), am/pm, a/p, ampm (locale strings), "/" date separator,
// ":" time separator, '...' and "..." literals. An empty format acts as "c".
std::string FormatDateTime(const std::string& Format, TDateTime Value);
std::string FormatDateTime(const std::string& Format, TDateTime Value, const TFormatSettings& FS);
void DateTimeToString(std::string& Result, const std::string& Format, TDateTime Value);

// ---- Calendar helpers ----
// Weeks run Monday to Sunday (ISO 8601); ends of periods are their last millisecond.
bool IsValidDate(Word Year, Word Month, Word Day);
bool IsValidTime(Word Hour, Word Min, Word Sec, Word MSec);
bool IsValidDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec);
bool IsInLeapYear(TDateTime Value);
bool IsPM(TDateTime Value);  // from 12:00 on
Word DaysInAYear(Word Year);
Word DayOfTheMonth(TDateTime Value);
// ISO week number 1..53: week 1 holds the year's first Thursday, so early January may belong to
// the previous year's last week and late December to the next year's week 1.
Word WeekOfTheYear(TDateTime Value);
Word WeekOfTheYear(TDateTime Value, Word& Year);
TDateTime StartOfTheMonth(TDateTime Value);
TDateTime EndOfTheMonth(TDateTime Value);
TDateTime StartOfTheYear(TDateTime Value);
TDateTime EndOfTheYear(TDateTime Value);
TDateTime StartOfTheWeek(TDateTime Value);  // Monday 00:00
TDateTime EndOfTheWeek(TDateTime Value);    // Sunday 23:59:59.999
TDateTime StartOfAMonth(Word Year, Word Month);
TDateTime EndOfAMonth(Word Year, Word Month);
TDateTime StartOfAYear(Word Year);
TDateTime EndOfAYear(Word Year);
TDateTime Today();
TDateTime Yesterday();
TDateTime Tomorrow();
bool IsToday(TDateTime Value);
// Whole calendar months and years between two moments, never negative: n months lie between A
// and B (A <= B) when IncMonth(A, n) <= B (so 01-31 to 02-28 is no whole month).
int MonthsBetween(TDateTime A, TDateTime B);
int YearsBetween(TDateTime A, TDateTime B);
int WeeksBetween(TDateTime A, TDateTime B);
// Days between two moments with the fraction, never negative.
double DaySpan(TDateTime A, TDateTime B);
// -1, 0 or 1 comparing only the days, or only the times of day (to the millisecond).
int CompareDate(TDateTime A, TDateTime B);
int CompareTime(TDateTime A, TDateTime B);
bool SameTime(TDateTime A, TDateTime B);
bool SameDateTime(TDateTime A, TDateTime B);
// The same moment with the date, or the time of day, replaced (EConvertError on invalid parts).
TDateTime RecodeDate(TDateTime Value, Word Year, Word Month, Word Day);
TDateTime RecodeTime(TDateTime Value, Word Hour, Word Min, Word Sec, Word MSec);
