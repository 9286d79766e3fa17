// The runtime's exceptions and the string, number and date helpers every library uses.
//
// Exceptions carry the message texts the system shows; descendants exist so that callers can
// catch one kind of failure (a conversion, a file, a list index) and let the others pass.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/rtl/sets.h"

// The platform's basic scalar names, shared by every library (declare them nowhere else).
using Byte = uint8_t;
using Word = uint16_t;
using LongWord = uint32_t;
using Cardinal = uint32_t;
using Int64 = int64_t;
// The platform's widest float; kept as double so that every library shares one float type.
using Extended = double;
// Days since 1899-12-30, the fraction being the time of day (see dateutils.h).
using TDateTime = double;

class Exception : public std::exception {
public:
  explicit Exception(std::string msg) : FMessage(std::move(msg)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string msg) { FMessage = std::move(msg); }
  const char* what() const noexcept override { return FMessage.c_str(); }
  // Name of the exception class, as shown by the default error box and by scripts.
  virtual const char* ClassName() const { return "Exception"; }

private:
  std::string FMessage;
};

// Declares an exception class with its class name; every descendant the libraries raise or
// catch is declared this way so ClassName() reports the right name.
#define ORV_EXCEPTION(Name, Base)                                   \
  class Name : public Base {                                        \
  public:                                                           \
    using Base::Base;                                               \
    const char* ClassName() const override { return #Name; }        \
  };

// Silent exception: ends an operation without an error box.
ORV_EXCEPTION(EAbort, Exception)
ORV_EXCEPTION(EConvertError, Exception)
ORV_EXCEPTION(EOutOfMemory, Exception)
ORV_EXCEPTION(EInOutError, Exception)
ORV_EXCEPTION(EExternal, Exception)
ORV_EXCEPTION(EAccessViolation, EExternal)
ORV_EXCEPTION(EIntError, EExternal)
ORV_EXCEPTION(EDivByZero, EIntError)
ORV_EXCEPTION(ERangeError, EIntError)
ORV_EXCEPTION(EIntOverflow, EIntError)
ORV_EXCEPTION(EMathError, EExternal)
ORV_EXCEPTION(EInvalidOp, EMathError)
ORV_EXCEPTION(EZeroDivide, EMathError)
ORV_EXCEPTION(EOverflow, EMathError)
ORV_EXCEPTION(EUnderflow, EMathError)
ORV_EXCEPTION(EInvalidPointer, Exception)
ORV_EXCEPTION(EInvalidCast, Exception)
ORV_EXCEPTION(EVariantError, Exception)
ORV_EXCEPTION(EPropReadOnly, Exception)
ORV_EXCEPTION(EPropWriteOnly, Exception)
ORV_EXCEPTION(EAssertionFailed, Exception)
ORV_EXCEPTION(EAbstractError, Exception)
ORV_EXCEPTION(ENotImplemented, Exception)
ORV_EXCEPTION(EOSError, Exception)
ORV_EXCEPTION(EThread, Exception)
ORV_EXCEPTION(EOleError, Exception)
ORV_EXCEPTION(EOleSysError, EOleError)
ORV_EXCEPTION(EOleException, EOleSysError)
// Class-library exceptions.
ORV_EXCEPTION(EListError, Exception)
ORV_EXCEPTION(EStringListError, Exception)
ORV_EXCEPTION(EStreamError, Exception)
ORV_EXCEPTION(EFCreateError, EStreamError)
ORV_EXCEPTION(EFOpenError, EStreamError)
ORV_EXCEPTION(EFilerError, EStreamError)
ORV_EXCEPTION(EReadError, EFilerError)
ORV_EXCEPTION(EWriteError, EFilerError)
ORV_EXCEPTION(EClassNotFound, EFilerError)
ORV_EXCEPTION(EMethodNotFound, EFilerError)
ORV_EXCEPTION(EInvalidImage, EFilerError)
ORV_EXCEPTION(EResNotFound, Exception)
ORV_EXCEPTION(EComponentError, Exception)
ORV_EXCEPTION(EParserError, Exception)
ORV_EXCEPTION(EOutOfResources, EOutOfMemory)
ORV_EXCEPTION(EInvalidOperation, Exception)
ORV_EXCEPTION(EInvalidGraphic, Exception)
ORV_EXCEPTION(EInvalidGraphicOperation, Exception)
ORV_EXCEPTION(EPrinter, Exception)
ORV_EXCEPTION(EMenuError, Exception)
ORV_EXCEPTION(EDatabaseError, Exception)
ORV_EXCEPTION(EIniFileException, Exception)
ORV_EXCEPTION(ERegistryException, Exception)

// Raises an EAbort: ends the current operation silently.
[[noreturn]] void Abort();

// The operating system's text for an error number (errno), as the platform words OS errors.
std::string SysErrorMessage(int ErrorCode);
// Raises EOSError "System Error.  Code: %d.\n%s" for ErrorCode (errno when omitted or 0).
[[noreturn]] void RaiseLastOSError(int ErrorCode = 0);

// ---------------------------------------------------------------------------------------------
// Locale settings
//
// One process-wide set of settings (FormatSettings) is used by every conversion that does not
// take its own TFormatSettings. The classic names (DecimalSeparator, ShortDateFormat, ...) are
// references into FormatSettings, so assigning either changes both. Date formats use the
// FormatDateTime picture letters ("m" month, "n" minutes; "m" right after "h"/"hh" is minutes).
// Defaults: "." decimal, "," thousands, "-" date separator, ":" time separator, short date
// "yyyy-mm-dd", English month and day names. The settings exist before any other static object
// is built, so static initialisers may format. Not thread-safe to change while others format.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  std::string CurrencyString = "$";
  Byte CurrencyFormat = 0;    // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 0;     // 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", ... up to 15
  Byte CurrencyDecimals = 2;
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string LongMonthNames[12] = {"January", "February", "March",     "April",
                                    "May",     "June",     "July",      "August",
                                    "September", "October", "November", "December"};
  std::string ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::string LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
  Word TwoDigitYearCenturyWindow = 50;
};

extern TFormatSettings FormatSettings;
extern char& DecimalSeparator;
extern char& ThousandSeparator;
extern char& DateSeparator;
extern char& TimeSeparator;
extern char& ListSeparator;
extern std::string& CurrencyString;
extern Byte& CurrencyFormat;
extern Byte& NegCurrFormat;
extern Byte& CurrencyDecimals;
extern std::string& ShortDateFormat;
extern std::string& LongDateFormat;
extern std::string& TimeAMString;
extern std::string& TimePMString;
extern std::string& ShortTimeFormat;
extern std::string& LongTimeFormat;
extern std::string (&ShortMonthNames)[12];
extern std::string (&LongMonthNames)[12];
extern std::string (&ShortDayNames)[7];
extern std::string (&LongDayNames)[7];

// Restores FormatSettings to the defaults above (tests and start-up use it).
void ResetFormatSettings();

// Locale queries in the platform's form. Locale ids and item codes as the platform numbers them;
// date pictures in these calls use the platform's locale syntax ("yyyy-MM-dd": "M" month, "m"
// minutes). SetLocaleInfo of LOCALE_SSHORTDATE also updates ShortDateFormat and DateSeparator,
// as a running program does when the system announces a settings change. The values live in the
// process only; a program that wants them to survive keeps them in its own settings store.
using LCID = uint32_t;
using LCTYPE = uint32_t;
enum : LCID { LOCALE_USER_DEFAULT = 0x400, LOCALE_SYSTEM_DEFAULT = 0x800 };
enum : LCTYPE {
  LOCALE_SDECIMAL = 0x0E,
  LOCALE_STHOUSAND = 0x0F,
  LOCALE_SDATE = 0x1D,
  LOCALE_STIME = 0x1E,
  LOCALE_SSHORTDATE = 0x1F,
  LOCALE_SLONGDATE = 0x20,
  LOCALE_STIMEFORMAT = 0x1003,
  LOCALE_SISO639LANGNAME = 0x59,
  LOCALE_SISO3166CTRYNAME = 0x5A,
};
// The item's text; empty when the item is unknown. The language name comes from LANG
// ("zh_CN.UTF-8" gives "zh"), "en" when unset.
std::string GetLocaleInfo(LCID Locale, LCTYPE LCType);
// Stores the item's text; false for an item that cannot be set.
bool SetLocaleInfo(LCID Locale, LCTYPE LCType, const std::string& Data);

// ---------------------------------------------------------------------------------------------
// Strings. Positions count from 1 and count bytes (UTF-8 text stays byte-addressed, as the
// platform's single-byte strings were); out-of-range positions and counts are clipped, never
// raise.
int Pos(const std::string& Substr, const std::string& S);
int PosEx(const std::string& Substr, const std::string& S, int Offset = 1);
int AnsiPos(const std::string& Substr, const std::string& S);
std::string Copy(const std::string& S, int Index, int Count);
void Delete(std::string& S, int Index, int Count);
void Insert(const std::string& Source, std::string& S, int Index);
std::string StringOfChar(char Ch, int Count);
std::string DupeString(const std::string& S, int Count);
std::string LeftStr(const std::string& S, int Count);
std::string RightStr(const std::string& S, int Count);
std::string MidStr(const std::string& S, int Start, int Count);
std::string ReverseString(const std::string& S);

// Trim removes leading and trailing characters up to and including the blank (controls too).
std::string Trim(const std::string& S);
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);

// UpperCase/LowerCase change ASCII letters only; the Ansi forms also change the letters of
// other alphabets (UTF-8 text, Unicode simple case mapping, the same on every machine); bytes
// that are not UTF-8 pass through unchanged.
std::string UpperCase(const std::string& S);
std::string LowerCase(const std::string& S);
std::string AnsiUpperCase(const std::string& S);
std::string AnsiLowerCase(const std::string& S);

// Comparisons answer negative, 0 or positive. CompareStr is by bytes; CompareText ignores the
// case of ASCII letters; the Ansi forms compare by characters (Unicode code points, not by a
// language's collation), AnsiCompareText ignoring the case of all letters.
int CompareStr(const std::string& S1, const std::string& S2);
int CompareText(const std::string& S1, const std::string& S2);
int AnsiCompareStr(const std::string& S1, const std::string& S2);
int AnsiCompareText(const std::string& S1, const std::string& S2);
bool SameStr(const std::string& S1, const std::string& S2);
bool SameText(const std::string& S1, const std::string& S2);
bool AnsiSameStr(const std::string& S1, const std::string& S2);
bool AnsiSameText(const std::string& S1, const std::string& S2);
bool AnsiStartsStr(const std::string& SubText, const std::string& Text);
bool AnsiStartsText(const std::string& SubText, const std::string& Text);
bool AnsiEndsStr(const std::string& SubText, const std::string& Text);
bool AnsiEndsText(const std::string& SubText, const std::string& Text);
bool AnsiContainsStr(const std::string& Text, const std::string& SubText);
bool AnsiContainsText(const std::string& Text, const std::string& SubText);

// UTF-8 text to and from the platform's wide (UTF-16) strings. Bytes that are not UTF-8 and
// unpaired surrogates become U+FFFD. Utf8Length counts characters (code points).
std::u16string UTF8Decode(const std::string& S);
std::string UTF8Encode(const std::u16string& S);
int Utf8Length(const std::string& S);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
// The set of TReplaceFlag: StringReplace(S, "a", "b", {rfReplaceAll, rfIgnoreCase}).
using TReplaceFlags = TSet<TReplaceFlag>;
std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern, TReplaceFlags Flags = {});

// QuotedStr("it's") = "'it''s'". AnsiDequotedStr gives S unchanged when it does not start with
// Quote or has no closing quote; text after the closing quote is dropped.
std::string QuotedStr(const std::string& S);
std::string AnsiQuotedStr(const std::string& S, char Quote);
std::string AnsiDequotedStr(const std::string& S, char Quote);
// Reads the quoted text at Pos (0-based offset, advanced past the closing quote).
std::string AnsiExtractQuotedStr(const std::string& S, size_t& Pos, char Quote);

// ---------------------------------------------------------------------------------------------
// Integers. StrToInt accepts optional blanks before the sign, "+" or "-", decimal digits or hex
// after "$", "0x"/"0X" or "x"; nothing may follow the digits. Out-of-range values and bad text
// raise EConvertError "'%s' is not a valid integer value".
std::string IntToStr(int64_t Value);
std::string UIntToStr(uint64_t Value);
// Upper-case hex, at least Digits digits; negative values as their two's complement in the
// argument's width (IntToHex(-1, 2) is "FFFFFFFF" for an int, 16 F for a 64-bit value).
std::string IntToHex(int Value, int Digits);
std::string IntToHex(unsigned Value, int Digits);
std::string IntToHex(int64_t Value, int Digits);
std::string IntToHex(uint64_t Value, int Digits);
int StrToInt(const std::string& S);
int StrToIntDef(const std::string& S, int Default);
bool TryStrToInt(const std::string& S, int& Value);
int64_t StrToInt64(const std::string& S);
int64_t StrToInt64Def(const std::string& S, int64_t Default);
bool TryStrToInt64(const std::string& S, int64_t& Value);

// Booleans. BoolToStr(true) is "-1" and false "0"; with UseBoolStrs "True"/"False".
// StrToBool accepts those texts (any case) and any number (0 false, else true); other text
// raises EConvertError "'%s' is not a valid boolean value".
std::string BoolToStr(bool B, bool UseBoolStrs = false);
bool StrToBool(const std::string& S);
bool StrToBoolDef(const std::string& S, bool Default);
bool TryStrToBool(const std::string& S, bool& Value);

// ---------------------------------------------------------------------------------------------
// Floats.
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// FloatToStr: ffGeneral with 15 significant digits ("1.5", "1E20", "1E-5", "NAN", "INF", "-INF").
std::string FloatToStr(Extended Value);
std::string FloatToStr(Extended Value, const TFormatSettings& FS);
// Precision = significant digits, Digits = exponent digits (ffGeneral/ffExponent) or decimals.
std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits);
std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits,
                        const TFormatSettings& FS);
// Picture formatting: up to three sections "positive;negative;zero"; "0" digit, "#" optional
// digit, "." decimal point, "," thousands grouping, "E+"/"E-"/"e+"/"e-" exponent, '...' and
// "..." literals; other characters are copied.
std::string FormatFloat(const std::string& Format, Extended Value);
std::string FormatFloat(const std::string& Format, Extended Value, const TFormatSettings& FS);
std::string CurrToStr(double Value);
std::string CurrToStrF(double Value, TFloatFormat Format, int Digits);
// StrToFloat accepts blanks around the number, a sign, digits with the locale's decimal
// separator, an exponent "E[+-]digits"; bad text raises EConvertError
// "'%s' is not a valid floating point value". Also "INF"/"NAN" forms as FloatToStr writes them.
Extended StrToFloat(const std::string& S);
Extended StrToFloat(const std::string& S, const TFormatSettings& FS);
Extended StrToFloatDef(const std::string& S, Extended Default);
bool TryStrToFloat(const std::string& S, Extended& Value);
bool TryStrToFloat(const std::string& S, Extended& Value, const TFormatSettings& FS);
double StrToCurr(const std::string& S);

// ---------------------------------------------------------------------------------------------
// Format: the platform's format strings. Specifiers "%" [index ":"] ["-"] [width] ["." prec]
// type, type one of d u e f g n m p s x (any case), width and prec may be "*" (taken from the
// next integer argument), "%%" is a percent sign. %f %n %m default to 2 decimals, %e and %g to
// 15 digits. A missing or mismatched argument raises EConvertError
// "Format '%s' invalid or incompatible with argument".
class Variant;
struct TVarRec {
  enum Kind { vtInteger, vtBoolean, vtChar, vtExtended, vtString, vtPointer, vtCurrency, vtVariant, vtInt64 };
  Kind VType;
  int64_t VInteger = 0;  // vtInteger, vtInt64, vtBoolean (0/1), vtChar (byte)
  double VExtended = 0;  // vtExtended, vtCurrency
  std::string VString;
  const void* VPointer = nullptr;
  // vtVariant: a copy of the variant. Format reads it as the specifier asks (integer, float or
  // text), so a variant that cannot be converted raises the variant's conversion error.
  std::shared_ptr<const Variant> VVariant;

  // A currency argument: formatted like a float.
  static TVarRec Currency(double V) {
    TVarRec R(V);
    R.VType = vtCurrency;
    return R;
  }
  TVarRec(const Variant& V);

  TVarRec(int V) : VType(vtInteger), VInteger(V) {}
  TVarRec(unsigned V) : VType(vtInt64), VInteger(V) {}
  TVarRec(long V) : VType(vtInt64), VInteger(V) {}
  TVarRec(unsigned long V) : VType(vtInt64), VInteger(static_cast<int64_t>(V)) {}
  TVarRec(long long V) : VType(vtInt64), VInteger(V) {}
  TVarRec(unsigned long long V) : VType(vtInt64), VInteger(static_cast<int64_t>(V)) {}
  TVarRec(short V) : VType(vtInteger), VInteger(V) {}
  TVarRec(unsigned short V) : VType(vtInteger), VInteger(V) {}
  TVarRec(signed char V) : VType(vtInteger), VInteger(V) {}
  TVarRec(unsigned char V) : VType(vtInteger), VInteger(V) {}
  TVarRec(bool V) : VType(vtBoolean), VInteger(V ? 1 : 0) {}
  TVarRec(char V) : VType(vtChar), VInteger(static_cast<unsigned char>(V)) {}
  TVarRec(double V) : VType(vtExtended), VExtended(V) {}
  TVarRec(float V) : VType(vtExtended), VExtended(V) {}
  TVarRec(long double V) : VType(vtExtended), VExtended(static_cast<double>(V)) {}
  TVarRec(const char* V) : VType(vtString), VString(V ? V : "") {}
  TVarRec(std::string V) : VType(vtString), VString(std::move(V)) {}
  TVarRec(const void* V) : VType(vtPointer), VPointer(V) {}
  TVarRec(std::nullptr_t) : VType(vtPointer) {}
};
using TVarRecs = std::vector<TVarRec>;

// Format("%d items of %s", {3, Name}); the vector form serves callers that build arguments.
std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args);
std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args,
                   const TFormatSettings& FS);

// ---------------------------------------------------------------------------------------------
// Math.
// Round: nearest integer, halves to the even neighbour (Round(2.5) = 2, Round(3.5) = 4).
// Round and Trunc raise EInvalidOp "Invalid floating point operation" for NaN, infinities and
// values outside the 64-bit range.
int64_t Round(Extended X);
int64_t Trunc(Extended X);
Extended Int(Extended X);   // integer part towards zero, as a float
Extended Frac(Extended X);  // fractional part with the sign of X
int64_t Ceil(Extended X);
int64_t Floor(Extended X);
// RoundTo(1234.5678, -2) = 1234.57: rounds to a power of ten, halves to even (on the scaled
// value). SimpleRoundTo rounds halves away from zero.
Extended RoundTo(Extended Value, int Digit);
Extended SimpleRoundTo(Extended Value, int Digit = -2);
// MulDiv: Number * Numerator / Denominator with a 64-bit intermediate, rounded to the nearest
// integer with halves away from zero; -1 when Denominator is 0 or the result overflows 32 bits.
int MulDiv(int Number, int Numerator, int Denominator);
Extended Power(Extended Base, Extended Exponent);
Extended IntPower(Extended Base, int Exponent);
// Min/Max of any two numbers, mixed types allowed (Min(3, Int64Value) is an Int64).
template <class A, class B>
  requires std::is_arithmetic_v<A> && std::is_arithmetic_v<B>
inline std::common_type_t<A, B> Min(A X, B Y) {
  using C = std::common_type_t<A, B>;
  return static_cast<C>(X) < static_cast<C>(Y) ? static_cast<C>(X) : static_cast<C>(Y);
}
template <class A, class B>
  requires std::is_arithmetic_v<A> && std::is_arithmetic_v<B>
inline std::common_type_t<A, B> Max(A X, B Y) {
  using C = std::common_type_t<A, B>;
  return static_cast<C>(X) > static_cast<C>(Y) ? static_cast<C>(X) : static_cast<C>(Y);
}
// EnsureRange clips V to Lo..Hi; InRange tests Lo <= V <= Hi. Both take any mix of number types
// and compare in their common type (InRange(0.5, 0, 1) compares as floats, never truncating).
template <class V, class L, class H>
  requires std::is_arithmetic_v<V> && std::is_arithmetic_v<L> && std::is_arithmetic_v<H>
inline std::common_type_t<V, L, H> EnsureRange(V Value, L Lo, H Hi) {
  using C = std::common_type_t<V, L, H>;
  const C X = static_cast<C>(Value), A = static_cast<C>(Lo), B = static_cast<C>(Hi);
  return X < A ? A : (X > B ? B : X);
}
template <class V, class L, class H>
  requires std::is_arithmetic_v<V> && std::is_arithmetic_v<L> && std::is_arithmetic_v<H>
inline bool InRange(V Value, L Lo, H Hi) {
  using C = std::common_type_t<V, L, H>;
  const C X = static_cast<C>(Value);
  return X >= static_cast<C>(Lo) && X <= static_cast<C>(Hi);
}
// -1, 0 or 1 by the sign of V (0 for NaN).
inline int Sign(double V) { return V > 0 ? 1 : (V < 0 ? -1 : 0); }
template <class T>
  requires std::is_integral_v<T>
inline int Sign(T V) {
  if constexpr (std::is_signed_v<T>) return V > 0 ? 1 : (V < 0 ? -1 : 0);
  else return V > 0 ? 1 : 0;
}
// The process-wide pseudo-random generator. Setting RandSeed restarts a reproducible sequence;
// Randomize seeds it from the clock. Random() is in [0, 1), Random(Range) in 0 .. Range-1 (0 for
// Range <= 0). Calls from several threads are serialised.
extern uint32_t RandSeed;
void Randomize();
Extended Random();
int Random(int Range);

// SameValue: equal within Epsilon; Epsilon 0 picks a tolerance from the magnitudes.
bool SameValue(Extended A, Extended B, Extended Epsilon = 0);
bool IsZero(Extended A, Extended Epsilon = 0);
bool IsNan(Extended A);
bool IsInfinite(Extended A);
