// Dates and times: encoding, decoding, arithmetic, the clock, and text in both directions.
//
// Internally a moment is a time stamp: whole days since 0001-01-01 (day 1) and milliseconds of
// the day. TDateTime's negative values keep the time fraction's magnitude ("-1.25" is
// 1899-12-29 06:00), so a TDateTime is not linear before 1899-12-30; arithmetic that needs
// linear time goes through the time stamp.
#include "platform/rtl/dateutils.h"

#include <time.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int DateDelta = 693594;  // days from 0001-01-01 (day 1) to 1899-12-30
constexpr int64_t MSecsPerDayI = 86400000;
const Word MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

struct TTimeStamp {
  int64_t Date;  // days, 0001-01-01 = 1
  int64_t Time;  // milliseconds of the day
};

[[noreturn]] void RaiseDateEncode() { throw EConvertError("Invalid argument to date encode"); }
[[noreturn]] void RaiseTimeEncode() { throw EConvertError("Invalid argument to time encode"); }

// Milliseconds are rounded (halves to even) over the whole value, so 0.99999999999 is the next
// midnight rather than 23:59:59.1000.
TTimeStamp ToTimeStamp(TDateTime V) {
  double Ms = std::nearbyint(V * MSecsPerDay);
  // NaN, infinities and values whose milliseconds overflow 64 bits are no moment at all.
  if (!(std::fabs(Ms) < 9.2e18)) throw EInvalidOp("Invalid floating point operation");
  int64_t T = static_cast<int64_t>(Ms);
  TTimeStamp S;
  S.Time = (T < 0 ? -T : T) % MSecsPerDayI;
  S.Date = DateDelta + T / MSecsPerDayI;
  return S;
}

// Linear milliseconds since 1899-12-30, for differences.
int64_t LinearMs(TDateTime V) {
  TTimeStamp S = ToTimeStamp(V);
  return (S.Date - DateDelta) * MSecsPerDayI + S.Time;
}

TDateTime FromLinearMs(int64_t Ms) {
  int64_t Days = Ms >= 0 ? Ms / MSecsPerDayI : -((-Ms + MSecsPerDayI - 1) / MSecsPerDayI);
  int64_t Time = Ms - Days * MSecsPerDayI;
  double Frac = static_cast<double>(Time) / MSecsPerDay;
  return Days >= 0 ? Days + Frac : Days - Frac;
}

// Days since 1899-12-30 of a civil date, proleptic Gregorian.
int64_t DaysFromCivil(int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
  const unsigned Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + static_cast<int64_t>(Doe) - 719468 + 25569;
}

void CivilFromDays(int64_t Z, int64_t& Y, unsigned& M, unsigned& D) {
  Z += 719468 - 25569;
  const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
  const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
  const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
  const unsigned Mp = (5 * Doy + 2) / 153;
  D = Doy - (153 * Mp + 2) / 5 + 1;
  M = Mp < 10 ? Mp + 3 : Mp - 9;
  Y = static_cast<int64_t>(Yoe) + Era * 400 + (M <= 2);
}

// Combines a date (whole days) and a time fraction the way TDateTime stores them.
TDateTime Combine(TDateTime Date, TDateTime Time) { return Date < 0 ? Date - Time : Date + Time; }

struct TParts {
  Word Year, Month, Day, Hour, Min, Sec, MSec;
};

TParts Decode(TDateTime V) {
  TTimeStamp S = ToTimeStamp(V);
  TParts P{};
  int64_t Y;
  unsigned M, D;
  CivilFromDays(S.Date - DateDelta, Y, M, D);
  if (S.Date <= 0) Y = M = D = 0;  // before 0001-01-01: nothing the platform can show
  P.Year = static_cast<Word>(Y);
  P.Month = static_cast<Word>(M);
  P.Day = static_cast<Word>(D);
  P.Hour = static_cast<Word>(S.Time / 3600000);
  P.Min = static_cast<Word>(S.Time / 60000 % 60);
  P.Sec = static_cast<Word>(S.Time / 1000 % 60);
  P.MSec = static_cast<Word>(S.Time % 1000);
  return P;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Calendar

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

Word DaysInAMonth(Word Year, Word Month) {
  if (Month < 1 || Month > 12) return 0;
  return static_cast<Word>(MonthDays[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0));
}

int DaysInMonth(int Year, int Month) {
  if (Year < 0 || Year > 65535) return 0;
  return DaysInAMonth(static_cast<Word>(Year), static_cast<Word>(Month < 0 ? 0 : Month));
}

Word DaysInMonth(TDateTime Date) {
  TParts P = Decode(Date);
  return DaysInAMonth(P.Year, P.Month);
}

Word DaysInYear(TDateTime Date) { return IsLeapYear(Decode(Date).Year) ? 366 : 365; }

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInAMonth(Year, Month))
    return false;
  Date = static_cast<double>(DaysFromCivil(Year, Month, Day));
  return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
  TDateTime D;
  if (!TryEncodeDate(Year, Month, Day, D)) RaiseDateEncode();
  return D;
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day) {
  TParts P = Decode(Date);
  Year = P.Year;
  Month = P.Month;
  Day = P.Day;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
  if (Hour > 23 || Min > 59 || Sec > 59 || MSec > 999) return false;
  Time = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime T;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, T)) RaiseTimeEncode();
  return T;
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  TParts P = Decode(Time);
  Hour = P.Hour;
  Min = P.Min;
  Sec = P.Sec;
  MSec = P.MSec;
}

bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec,
                       TDateTime& Value) {
  TDateTime D, T;
  if (!TryEncodeDate(Year, Month, Day, D) || !TryEncodeTime(Hour, Min, Sec, MSec, T)) return false;
  Value = Combine(D, T);
  return true;
}

TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime D = EncodeDate(Year, Month, Day);
  return Combine(D, EncodeTime(Hour, Min, Sec, MSec));
}

void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min,
                    Word& Sec, Word& MSec) {
  TParts P = Decode(Value);
  Year = P.Year;
  Month = P.Month;
  Day = P.Day;
  Hour = P.Hour;
  Min = P.Min;
  Sec = P.Sec;
  MSec = P.MSec;
}

int DayOfWeek(TDateTime Date) {
  // Day 1 (0001-01-01) was a Monday.
  int64_t D = ToTimeStamp(Date).Date;
  return static_cast<int>(((D % 7) + 7) % 7) + 1;
}

Word DayOfTheWeek(TDateTime Date) { return static_cast<Word>((DayOfWeek(Date) + 5) % 7 + 1); }

Word DayOfTheYear(TDateTime Date) {
  TParts P = Decode(Date);
  return static_cast<Word>(DaysFromCivil(P.Year, P.Month, P.Day) - DaysFromCivil(P.Year, 1, 1) + 1);
}

Word YearOf(TDateTime Value) { return Decode(Value).Year; }
Word MonthOf(TDateTime Value) { return Decode(Value).Month; }
Word DayOf(TDateTime Value) { return Decode(Value).Day; }
Word HourOf(TDateTime Value) { return Decode(Value).Hour; }
Word MinuteOf(TDateTime Value) { return Decode(Value).Min; }
Word SecondOf(TDateTime Value) { return Decode(Value).Sec; }
Word MilliSecondOf(TDateTime Value) { return Decode(Value).MSec; }

TDateTime DateOf(TDateTime Value) { return static_cast<double>(ToTimeStamp(Value).Date - DateDelta); }

TDateTime TimeOf(TDateTime Value) { return static_cast<double>(ToTimeStamp(Value).Time) / MSecsPerDay; }

TDateTime StartOfTheDay(TDateTime Value) { return DateOf(Value); }

TDateTime EndOfTheDay(TDateTime Value) { return Combine(DateOf(Value), (MSecsPerDay - 1) / MSecsPerDay); }

TDateTime IncMonth(TDateTime Date, int NumberOfMonths) {
  TParts P = Decode(Date);
  int64_t Total = static_cast<int64_t>(P.Year) * 12 + (P.Month - 1) + NumberOfMonths;
  int64_t Y = Total >= 0 ? Total / 12 : -((-Total + 11) / 12);
  Word M = static_cast<Word>(Total - Y * 12 + 1);
  if (Y < 1 || Y > 9999) RaiseDateEncode();
  Word D = std::min<Word>(P.Day, DaysInAMonth(static_cast<Word>(Y), M));
  return Combine(EncodeDate(static_cast<Word>(Y), M, D), TimeOf(Date));
}

TDateTime IncYear(TDateTime Value, int NumberOfYears) { return IncMonth(Value, NumberOfYears * 12); }
TDateTime IncWeek(TDateTime Value, int NumberOfWeeks) { return IncDay(Value, NumberOfWeeks * 7); }
TDateTime IncDay(TDateTime Value, int NumberOfDays) {
  return IncMilliSecond(Value, static_cast<int64_t>(NumberOfDays) * MSecsPerDayI);
}
TDateTime IncHour(TDateTime Value, int64_t NumberOfHours) { return IncMilliSecond(Value, NumberOfHours * 3600000); }
TDateTime IncMinute(TDateTime Value, int64_t NumberOfMinutes) { return IncMilliSecond(Value, NumberOfMinutes * 60000); }
TDateTime IncSecond(TDateTime Value, int64_t NumberOfSeconds) { return IncMilliSecond(Value, NumberOfSeconds * 1000); }
TDateTime IncMilliSecond(TDateTime Value, int64_t NumberOfMilliSeconds) {
  return FromLinearMs(LinearMs(Value) + NumberOfMilliSeconds);
}

static int64_t MsBetween(TDateTime A, TDateTime B) {
  int64_t D = LinearMs(A) - LinearMs(B);
  return D < 0 ? -D : D;
}

int DaysBetween(TDateTime A, TDateTime B) { return static_cast<int>(MsBetween(A, B) / MSecsPerDayI); }
int64_t HoursBetween(TDateTime A, TDateTime B) { return MsBetween(A, B) / 3600000; }
int64_t MinutesBetween(TDateTime A, TDateTime B) { return MsBetween(A, B) / 60000; }
int64_t SecondsBetween(TDateTime A, TDateTime B) { return MsBetween(A, B) / 1000; }
int64_t MilliSecondsBetween(TDateTime A, TDateTime B) { return MsBetween(A, B); }

int CompareDateTime(TDateTime A, TDateTime B) {
  int64_t La = LinearMs(A), Lb = LinearMs(B);
  return La < Lb ? -1 : (La > Lb ? 1 : 0);
}

bool SameDate(TDateTime A, TDateTime B) { return ToTimeStamp(A).Date == ToTimeStamp(B).Date; }

// ---------------------------------------------------------------------------------------------
// Clock

TDateTime Now() {
  timespec Ts;
  clock_gettime(CLOCK_REALTIME, &Ts);
  tm Local;
  localtime_r(&Ts.tv_sec, &Local);
  return EncodeDate(static_cast<Word>(Local.tm_year + 1900), static_cast<Word>(Local.tm_mon + 1),
                    static_cast<Word>(Local.tm_mday)) +
         EncodeTime(static_cast<Word>(Local.tm_hour), static_cast<Word>(Local.tm_min),
                    static_cast<Word>(Local.tm_sec > 59 ? 59 : Local.tm_sec),
                    static_cast<Word>(Ts.tv_nsec / 1000000));
}

TDateTime Date() { return std::floor(Now()); }
TDateTime Time() { return Frac(Now()); }

int64_t DateTimeToUnix(TDateTime Value) { return (LinearMs(Value) - LinearMs(UnixDateDelta)) / 1000; }

TDateTime UnixToDateTime(int64_t Value) {
  return FromLinearMs(LinearMs(UnixDateDelta) + Value * 1000);
}

// ---------------------------------------------------------------------------------------------
// FormatDateTime

namespace {

std::string Num(int V, int Width) {
  std::string S = std::to_string(V);
  if (static_cast<int>(S.size()) < Width) S.insert(0, static_cast<size_t>(Width) - S.size(), '0');
  return S;
}

bool StartsNoCase(const std::string& S, size_t I, const char* W) {
  for (size_t K = 0; W[K]; ++K) {
    if (I + K >= S.size()) return false;
    if (std::tolower(static_cast<unsigned char>(S[I + K])) != W[K]) return false;
  }
  return true;
}

class TDateFormatter {
public:
  TDateFormatter(TDateTime Value, const TFormatSettings& FS) : FS(FS), P(Decode(Value)) {}

  // Level counts nested pictures (c, ddddd, t, ...); pictures inside those stop at depth 2 so
  // that a locale picture naming itself cannot loop.
  void Append(const std::string& F, int Level) {
    if (Level > 2) return;
    char LastToken = ' ';
    size_t I = 0;
    while (I < F.size()) {
      char C = F[I];
      char Token = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
      bool Letter = Token >= 'A' && Token <= 'Z';
      if (Letter) {
        if (Token == 'M' && LastToken == 'H') Token = 'N';
        LastToken = Token;
      }
      size_t Count = 1;
      auto CountRun = [&]() {
        while (I + Count < F.size() &&
               std::toupper(static_cast<unsigned char>(F[I + Count])) == std::toupper(static_cast<unsigned char>(C)))
          ++Count;
      };
      switch (Token) {
        case 'Y':
          CountRun();
          Out += Count <= 2 ? Num(P.Year % 100, 2) : Num(P.Year, 4);
          break;
        case 'M':
          CountRun();
          if (Count <= 2) Out += Num(P.Month, static_cast<int>(Count));
          else if (P.Month >= 1) Out += (Count == 3 ? FS.ShortMonthNames : FS.LongMonthNames)[P.Month - 1];
          break;
        case 'D':
          CountRun();
          if (Count <= 2) Out += Num(P.Day, static_cast<int>(Count));
          else if (Count == 3) Out += FS.ShortDayNames[DayIndex()];
          else if (Count == 4) Out += FS.LongDayNames[DayIndex()];
          else if (Count == 5) Append(FS.ShortDateFormat, Level + 1);
          else Append(FS.LongDateFormat, Level + 1);
          break;
        case 'H': {
          CountRun();
          int H = P.Hour;
          if (Uses12Hour(F, I + Count)) {
            H %= 12;
            if (H == 0) H = 12;
          }
          Out += Num(H, Count >= 2 ? 2 : 1);
          break;
        }
        case 'N':
          CountRun();
          Out += Num(P.Min, Count >= 2 ? 2 : 1);
          break;
        case 'S':
          CountRun();
          Out += Num(P.Sec, Count >= 2 ? 2 : 1);
          break;
        case 'Z':
          CountRun();
          Out += Num(P.MSec, Count >= 3 ? 3 : 1);
          break;
        case 'T':
          CountRun();
          Append(Count == 1 ? FS.ShortTimeFormat : FS.LongTimeFormat, Level + 1);
          break;
        case 'C':
          CountRun();
          Append(FS.ShortDateFormat, Level + 1);
          if (P.Hour || P.Min || P.Sec) {
            Out += ' ';
            Append(FS.LongTimeFormat, Level + 1);
          }
          break;
        case 'A':
          Count = AmPm(F, I);
          break;
        case '/':
          Out += FS.DateSeparator;
          break;
        case ':':
          Out += FS.TimeSeparator;
          break;
        case '\'':
        case '"': {
          size_t End = F.find(C, I + 1);
          if (End == std::string::npos) End = F.size();
          Out.append(F, I + 1, End - I - 1);
          Count = End - I + 1;
          break;
        }
        default:
          Out += C;
          break;
      }
      I += Count;
    }
  }

  std::string Out;

private:
  int DayIndex() const {
    TDateTime D;
    if (!TryEncodeDate(P.Year, P.Month, P.Day, D)) return 0;
    return DayOfWeek(D) - 1;
  }

  // An hour is written on the 12-hour clock when an am/pm specifier follows it before the next
  // hour specifier (quoted text skipped).
  static bool Uses12Hour(const std::string& F, size_t I) {
    char Quote = 0;
    for (; I < F.size(); ++I) {
      char C = F[I];
      if (Quote) {
        if (C == Quote) Quote = 0;
        continue;
      }
      if (C == '\'' || C == '"') Quote = C;
      else if (C == 'h' || C == 'H') return false;
      else if (C == 'a' || C == 'A')
        return StartsNoCase(F, I, "am/pm") || StartsNoCase(F, I, "a/p") || StartsNoCase(F, I, "ampm");
    }
    return false;
  }

  // Writes an am/pm marker at F[I] and answers its length; a lone "a" is copied as it is.
  size_t AmPm(const std::string& F, size_t I) {
    bool Pm = P.Hour >= 12;
    if (StartsNoCase(F, I, "am/pm")) {
      Out += F.substr(Pm ? I + 3 : I, 2);
      return 5;
    }
    if (StartsNoCase(F, I, "a/p")) {
      Out += F[Pm ? I + 2 : I];
      return 3;
    }
    if (StartsNoCase(F, I, "ampm")) {
      Out += Pm ? FS.TimePMString : FS.TimeAMString;
      return 4;
    }
    Out += F[I];
    return 1;
  }

  const TFormatSettings& FS;
  TParts P;
};

}  // namespace

std::string FormatDateTime(const std::string& Format, TDateTime Value, const TFormatSettings& FS) {
  TDateFormatter Fmt(Value, FS);
  Fmt.Append(Format.empty() ? std::string("c") : Format, 0);
  return Fmt.Out;
}

std::string FormatDateTime(const std::string& Format, TDateTime Value) {
  return FormatDateTime(Format, Value, FormatSettings);
}

void DateTimeToString(std::string& Result, const std::string& Format, TDateTime Value) {
  Result = FormatDateTime(Format, Value);
}

std::string DateToStr(TDateTime Date, const TFormatSettings& FS) { return FormatDateTime("ddddd", Date, FS); }
std::string DateToStr(TDateTime Date) { return DateToStr(Date, FormatSettings); }
std::string TimeToStr(TDateTime Time, const TFormatSettings& FS) { return FormatDateTime("tt", Time, FS); }
std::string TimeToStr(TDateTime Time) { return TimeToStr(Time, FormatSettings); }
std::string DateTimeToStr(TDateTime Value, const TFormatSettings& FS) { return FormatDateTime("c", Value, FS); }
std::string DateTimeToStr(TDateTime Value) { return DateTimeToStr(Value, FormatSettings); }

// ---------------------------------------------------------------------------------------------
// Reading dates and times

namespace {

class TDateScanner {
public:
  TDateScanner(const std::string& S, const TFormatSettings& FS) : S(S), FS(FS) {}

  void SkipBlanks() {
    while (Pos < S.size() && S[Pos] == ' ') ++Pos;
  }
  bool AtEnd() {
    SkipBlanks();
    return Pos >= S.size();
  }

  // Up to MaxDigits digits; Digits reports how many were read.
  bool Number(int& V, int& Digits) {
    SkipBlanks();
    V = 0;
    Digits = 0;
    while (Pos < S.size() && S[Pos] >= '0' && S[Pos] <= '9' && Digits < 9) {
      V = V * 10 + (S[Pos++] - '0');
      ++Digits;
    }
    return Digits > 0;
  }

  bool DateSep() {
    SkipBlanks();
    if (Pos < S.size() && (S[Pos] == FS.DateSeparator || S[Pos] == '/' || S[Pos] == '-' || S[Pos] == '.')) {
      ++Pos;
      return true;
    }
    return false;
  }

  bool Char(char C) {
    SkipBlanks();
    if (Pos < S.size() && S[Pos] == C) {
      ++Pos;
      return true;
    }
    return false;
  }

  // AM/PM marker: the locale strings, "AM"/"PM", "A"/"P" (any case). 0 none, 1 am, 2 pm.
  int AmPm() {
    SkipBlanks();
    const std::string Rest = S.substr(Pos);
    for (const auto& [Text, Kind] : {std::pair<std::string, int>{FS.TimeAMString, 1}, {FS.TimePMString, 2},
                                     {"AM", 1}, {"PM", 2}, {"A", 1}, {"P", 2}}) {
      if (!Text.empty() && Rest.size() >= Text.size() && SameText(Rest.substr(0, Text.size()), Text)) {
        Pos += Text.size();
        return Kind;
      }
    }
    return 0;
  }

  bool ScanDate(TDateTime& Date) {
    // The order of day, month and year follows the short date picture.
    enum { MDY, DMY, YMD } Order = MDY;
    for (char C : FS.ShortDateFormat) {
      char U = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
      if (U == 'D') { Order = DMY; break; }
      if (U == 'M') { Order = MDY; break; }
      if (U == 'Y') { Order = YMD; break; }
    }
    int N1, N2, N3 = 0, D1, D2, D3 = 0;
    size_t Start = Pos;
    if (!Number(N1, D1) || !DateSep() || !Number(N2, D2)) {
      Pos = Start;
      return false;
    }
    bool Three = false;
    if (DateSep()) {
      if (!Number(N3, D3)) return false;
      Three = true;
    }
    int Y, M, D, YDigits;
    if (!Three) {
      // Year left out: this year.
      Y = YearOf(::Date());
      YDigits = 4;
      if (Order == DMY) { D = N1; M = N2; }
      else { M = N1; D = N2; }
    } else if (Order == YMD) {
      Y = N1; YDigits = D1; M = N2; D = N3;
    } else if (Order == DMY) {
      D = N1; M = N2; Y = N3; YDigits = D3;
    } else {
      M = N1; D = N2; Y = N3; YDigits = D3;
    }
    if (YDigits <= 2) {
      // Two-digit years fall in the hundred years starting TwoDigitYearCenturyWindow years
      // before now (window 0: this century).
      int Pivot = YearOf(::Date()) - FS.TwoDigitYearCenturyWindow;
      Y += Pivot - Pivot % 100;
      if (FS.TwoDigitYearCenturyWindow > 0 && Y < Pivot) Y += 100;
    }
    if (Y < 1 || Y > 9999 || M < 1 || M > 12 || D < 1 || D > 31) return false;
    return TryEncodeDate(static_cast<Word>(Y), static_cast<Word>(M), static_cast<Word>(D), Date);
  }

  bool ScanTime(TDateTime& Time) {
    int Marker = AmPm();
    int H, Mi = 0, Se = 0, Ms = 0, Dg;
    if (!Number(H, Dg)) return false;
    bool HasMin = false;
    if (Char(FS.TimeSeparator) || (FS.TimeSeparator != ':' && Char(':'))) {
      if (!Number(Mi, Dg)) return false;
      HasMin = true;
      if (Char(FS.TimeSeparator) || (FS.TimeSeparator != ':' && Char(':'))) {
        if (!Number(Se, Dg)) return false;
        if (Char(FS.DecimalSeparator) || Char('.')) {
          if (!Number(Ms, Dg) || Dg > 3) return false;
          for (; Dg < 3; ++Dg) Ms *= 10;
        }
      }
    }
    if (!Marker) Marker = AmPm();
    if (!HasMin && !Marker) return false;
    if (Marker) {
      if (H < 1 || H > 12) return false;
      if (H == 12) H = 0;
      if (Marker == 2) H += 12;
    }
    if (H > 23 || Mi > 59 || Se > 59) return false;
    return TryEncodeTime(static_cast<Word>(H), static_cast<Word>(Mi), static_cast<Word>(Se),
                         static_cast<Word>(Ms), Time);
  }

  const std::string& S;
  const TFormatSettings& FS;
  size_t Pos = 0;
};

}  // namespace

bool TryStrToDate(const std::string& S, TDateTime& Value, const TFormatSettings& FS) {
  TDateScanner Sc(S, FS);
  TDateTime D;
  if (!Sc.ScanDate(D) || !Sc.AtEnd()) return false;
  Value = D;
  return true;
}

bool TryStrToTime(const std::string& S, TDateTime& Value, const TFormatSettings& FS) {
  TDateScanner Sc(S, FS);
  TDateTime T;
  if (!Sc.ScanTime(T) || !Sc.AtEnd()) return false;
  Value = T;
  return true;
}

bool TryStrToDateTime(const std::string& S, TDateTime& Value, const TFormatSettings& FS) {
  TDateScanner Sc(S, FS);
  TDateTime D = 0, T = 0;
  size_t Start = Sc.Pos;
  if (!Sc.ScanDate(D)) {
    // A time alone is a time on day 0.
    Sc.Pos = Start;
    if (!Sc.ScanTime(T) || !Sc.AtEnd()) return false;
    Value = T;
    return true;
  }
  if (!Sc.AtEnd() && (!Sc.ScanTime(T) || !Sc.AtEnd())) return false;
  Value = Combine(D, T);
  return true;
}

bool TryStrToDate(const std::string& S, TDateTime& Value) { return TryStrToDate(S, Value, FormatSettings); }
bool TryStrToTime(const std::string& S, TDateTime& Value) { return TryStrToTime(S, Value, FormatSettings); }
bool TryStrToDateTime(const std::string& S, TDateTime& Value) { return TryStrToDateTime(S, Value, FormatSettings); }

TDateTime StrToDate(const std::string& S, const TFormatSettings& FS) {
  TDateTime V;
  if (!TryStrToDate(S, V, FS)) throw EConvertError("'" + S + "' is not a valid date");
  return V;
}
TDateTime StrToTime(const std::string& S, const TFormatSettings& FS) {
  TDateTime V;
  if (!TryStrToTime(S, V, FS)) throw EConvertError("'" + S + "' is not a valid time");
  return V;
}
TDateTime StrToDateTime(const std::string& S, const TFormatSettings& FS) {
  TDateTime V;
  if (!TryStrToDateTime(S, V, FS)) throw EConvertError("'" + S + "' is not a valid date and time");
  return V;
}
TDateTime StrToDate(const std::string& S) { return StrToDate(S, FormatSettings); }
TDateTime StrToTime(const std::string& S) { return StrToTime(S, FormatSettings); }
TDateTime StrToDateTime(const std::string& S) { return StrToDateTime(S, FormatSettings); }

TDateTime StrToDateDef(const std::string& S, TDateTime Default) {
  TDateTime V;
  return TryStrToDate(S, V) ? V : Default;
}
TDateTime StrToTimeDef(const std::string& S, TDateTime Default) {
  TDateTime V;
  return TryStrToTime(S, V) ? V : Default;
}
TDateTime StrToDateTimeDef(const std::string& S, TDateTime Default) {
  TDateTime V;
  return TryStrToDateTime(S, V) ? V : Default;
}

// ---- Calendar helpers ----

bool IsValidDate(Word Year, Word Month, Word Day) {
  TDateTime D;
  return TryEncodeDate(Year, Month, Day, D);
}

bool IsValidTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime T;
  return TryEncodeTime(Hour, Min, Sec, MSec, T);
}

bool IsValidDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec) {
  return IsValidDate(Year, Month, Day) && IsValidTime(Hour, Min, Sec, MSec);
}

bool IsInLeapYear(TDateTime Value) { return IsLeapYear(YearOf(Value)); }
bool IsPM(TDateTime Value) { return HourOf(Value) >= 12; }
Word DaysInAYear(Word Year) { return IsLeapYear(Year) ? 366 : 365; }
Word DayOfTheMonth(TDateTime Value) { return DayOf(Value); }

TDateTime StartOfAMonth(Word Year, Word Month) { return EncodeDate(Year, Month, 1); }
TDateTime EndOfAMonth(Word Year, Word Month) {
  return EncodeDateTime(Year, Month, DaysInAMonth(Year, Month), 23, 59, 59, 999);
}
TDateTime StartOfAYear(Word Year) { return EncodeDate(Year, 1, 1); }
TDateTime EndOfAYear(Word Year) { return EncodeDateTime(Year, 12, 31, 23, 59, 59, 999); }

TDateTime StartOfTheMonth(TDateTime Value) {
  TParts P = Decode(Value);
  return StartOfAMonth(P.Year, P.Month);
}
TDateTime EndOfTheMonth(TDateTime Value) {
  TParts P = Decode(Value);
  return EndOfAMonth(P.Year, P.Month);
}
TDateTime StartOfTheYear(TDateTime Value) { return StartOfAYear(YearOf(Value)); }
TDateTime EndOfTheYear(TDateTime Value) { return EndOfAYear(YearOf(Value)); }

TDateTime StartOfTheWeek(TDateTime Value) {
  return IncDay(DateOf(Value), -(static_cast<int>(DayOfTheWeek(Value)) - 1));
}
TDateTime EndOfTheWeek(TDateTime Value) { return EndOfTheDay(IncDay(StartOfTheWeek(Value), 6)); }

Word WeekOfTheYear(TDateTime Value, Word& Year) {
  // The week's Thursday decides the year; its day of that year decides the week.
  TDateTime Thursday = IncDay(StartOfTheWeek(Value), 3);
  Year = YearOf(Thursday);
  return static_cast<Word>((DayOfTheYear(Thursday) - 1) / 7 + 1);
}
Word WeekOfTheYear(TDateTime Value) {
  Word Year;
  return WeekOfTheYear(Value, Year);
}

TDateTime Today() { return Date(); }
TDateTime Yesterday() { return Date() - 1; }
TDateTime Tomorrow() { return Date() + 1; }
bool IsToday(TDateTime Value) { return SameDate(Value, Now()); }

int MonthsBetween(TDateTime A, TDateTime B) {
  if (CompareDateTime(A, B) > 0) std::swap(A, B);
  TParts PA = Decode(A), PB = Decode(B);
  int N = (PB.Year - PA.Year) * 12 + (PB.Month - PA.Month);
  // IncMonth clips the day, so one step back is always enough.
  while (N > 0 && LinearMs(IncMonth(A, N)) > LinearMs(B)) --N;
  return N;
}
int YearsBetween(TDateTime A, TDateTime B) { return MonthsBetween(A, B) / 12; }
int WeeksBetween(TDateTime A, TDateTime B) { return DaysBetween(A, B) / 7; }
double DaySpan(TDateTime A, TDateTime B) { return static_cast<double>(MsBetween(A, B)) / MSecsPerDay; }

int CompareDate(TDateTime A, TDateTime B) {
  int64_t DA = ToTimeStamp(A).Date, DB = ToTimeStamp(B).Date;
  return DA < DB ? -1 : (DA > DB ? 1 : 0);
}
int CompareTime(TDateTime A, TDateTime B) {
  int64_t TA = ToTimeStamp(A).Time, TB = ToTimeStamp(B).Time;
  return TA < TB ? -1 : (TA > TB ? 1 : 0);
}
bool SameTime(TDateTime A, TDateTime B) { return CompareTime(A, B) == 0; }
bool SameDateTime(TDateTime A, TDateTime B) { return CompareDateTime(A, B) == 0; }

TDateTime RecodeDate(TDateTime Value, Word Year, Word Month, Word Day) {
  return Combine(EncodeDate(Year, Month, Day), TimeOf(Value));
}
TDateTime RecodeTime(TDateTime Value, Word Hour, Word Min, Word Sec, Word MSec) {
  return Combine(DateOf(Value), EncodeTime(Hour, Min, Sec, MSec));
}
