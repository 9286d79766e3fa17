// String, integer, Boolean and math helpers, and the process-wide locale settings.
//
// Floats (FloatToStr, FormatFloat, StrToFloat) are in floattext.cpp, Format in format.cpp,
// dates in dateutils.cpp.
#include "platform/rtl/sysutils.h"

#include <locale.h>
#include <time.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

// ---------------------------------------------------------------------------------------------
// Locale settings

// Built before every other static object of the program (those may format numbers or dates
// while they initialise); the aliases below bind at compile time.
TFormatSettings FormatSettings __attribute__((init_priority(101)));
char& DecimalSeparator = FormatSettings.DecimalSeparator;
char& ThousandSeparator = FormatSettings.ThousandSeparator;
char& DateSeparator = FormatSettings.DateSeparator;
char& TimeSeparator = FormatSettings.TimeSeparator;
char& ListSeparator = FormatSettings.ListSeparator;
std::string& CurrencyString = FormatSettings.CurrencyString;
Byte& CurrencyFormat = FormatSettings.CurrencyFormat;
Byte& NegCurrFormat = FormatSettings.NegCurrFormat;
Byte& CurrencyDecimals = FormatSettings.CurrencyDecimals;
std::string& ShortDateFormat = FormatSettings.ShortDateFormat;
std::string& LongDateFormat = FormatSettings.LongDateFormat;
std::string& TimeAMString = FormatSettings.TimeAMString;
std::string& TimePMString = FormatSettings.TimePMString;
std::string& ShortTimeFormat = FormatSettings.ShortTimeFormat;
std::string& LongTimeFormat = FormatSettings.LongTimeFormat;
std::string (&ShortMonthNames)[12] = FormatSettings.ShortMonthNames;
std::string (&LongMonthNames)[12] = FormatSettings.LongMonthNames;
std::string (&ShortDayNames)[7] = FormatSettings.ShortDayNames;
std::string (&LongDayNames)[7] = FormatSettings.LongDayNames;

void ResetFormatSettings() { FormatSettings = TFormatSettings(); }

namespace {

// The locale's date and time pictures use "M" for months and "m" for minutes; FormatDateTime
// uses "m" for both (minutes after an hour) and "n" for minutes. These two convert between them.
std::string LocalePictureToFormat(const std::string& Pic) {
  std::string R;
  char Quote = 0;
  for (char C : Pic) {
    if (Quote) {
      if (C == Quote) Quote = 0;
      R += C;
    } else if (C == '\'' || C == '"') {
      Quote = C;
      R += C;
    } else if (C == 'M') {
      R += 'm';
    } else if (C == 'm') {
      R += 'n';
    } else if (C == 'H') {
      R += 'h';
    } else if (C == 't') {
      // "tt" is the AM/PM marker in locale pictures.
      if (R.size() >= 4 && R.compare(R.size() - 4, 4, "ampm") == 0) continue;
      R += "ampm";
    } else {
      R += C;
    }
  }
  return R;
}

std::string FormatPictureToLocale(const std::string& Pic) {
  // Hours are on the 12-hour clock ("h") when the picture has an am/pm marker, else "H".
  const std::string Lower = LowerCase(Pic);
  const bool TwelveHour = Lower.find("am/pm") != std::string::npos ||
                          Lower.find("a/p") != std::string::npos || Lower.find("ampm") != std::string::npos;
  std::string R;
  char Quote = 0;
  bool AfterHour = false;
  for (size_t I = 0; I < Pic.size(); ++I) {
    char C = Pic[I];
    if (Quote) {
      if (C == Quote) Quote = 0;
      R += C;
      continue;
    }
    if (C == '\'' || C == '"') {
      Quote = C;
      R += C;
      continue;
    }
    char U = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (U == 'M') {
      R += AfterHour ? 'm' : 'M';
    } else if (U == 'N') {
      R += 'm';
    } else if (U == 'A' && Lower.compare(I, 4, "ampm") == 0) {
      R += "tt";
      I += 3;
    } else if (U == 'A' && Lower.compare(I, 5, "am/pm") == 0) {
      R += "tt";
      I += 4;
    } else if (U == 'H') {
      R += TwelveHour ? 'h' : 'H';
    } else if (U == 'D' || U == 'Y' || U == 'S') {
      R += static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    } else {
      R += C;
    }
    if (std::isalpha(static_cast<unsigned char>(C))) AfterHour = (U == 'H') || (AfterHour && U == 'M');
  }
  return R;
}

// The date separator a picture uses: the first character between d/m/y letters that is not one.
char SeparatorOf(const std::string& Pic, char Default) {
  for (char C : Pic) {
    if (std::isalpha(static_cast<unsigned char>(C)) || C == '\'' || C == '"') continue;
    return C;
  }
  return Default;
}

}  // namespace

std::string GetLocaleInfo(LCID, LCTYPE LCType) {
  const TFormatSettings& FS = FormatSettings;
  switch (LCType) {
    case LOCALE_SDECIMAL: return std::string(1, FS.DecimalSeparator);
    case LOCALE_STHOUSAND: return std::string(1, FS.ThousandSeparator);
    case LOCALE_SDATE: return std::string(1, FS.DateSeparator);
    case LOCALE_STIME: return std::string(1, FS.TimeSeparator);
    case LOCALE_SSHORTDATE: {
      // "/" in a picture stands for the separator; the locale form spells it out.
      std::string R = FormatPictureToLocale(FS.ShortDateFormat);
      for (char& C : R)
        if (C == '/') C = FS.DateSeparator;
      return R;
    }
    case LOCALE_SLONGDATE: return FormatPictureToLocale(FS.LongDateFormat);
    case LOCALE_STIMEFORMAT: return FormatPictureToLocale(FS.LongTimeFormat);
    case LOCALE_SISO639LANGNAME:
    case LOCALE_SISO3166CTRYNAME: {
      const char* Lang = std::getenv("LANG");
      std::string L = Lang ? Lang : "";
      if (L.empty() || L == "C" || L == "POSIX" || L.rfind("C.", 0) == 0) L = "en_US";
      if (LCType == LOCALE_SISO639LANGNAME) return L.substr(0, L.find_first_of("_.@"));
      size_t U = L.find('_');
      if (U == std::string::npos) return "US";
      return L.substr(U + 1, L.find_first_of(".@", U) - U - 1);
    }
    default: return "";
  }
}

bool SetLocaleInfo(LCID, LCTYPE LCType, const std::string& Data) {
  TFormatSettings& FS = FormatSettings;
  switch (LCType) {
    case LOCALE_SDECIMAL:
    case LOCALE_STHOUSAND:
    case LOCALE_SDATE:
    case LOCALE_STIME:
      if (Data.size() != 1) return false;
      (LCType == LOCALE_SDECIMAL    ? FS.DecimalSeparator
       : LCType == LOCALE_STHOUSAND ? FS.ThousandSeparator
       : LCType == LOCALE_SDATE     ? FS.DateSeparator
                                    : FS.TimeSeparator) = Data[0];
      return true;
    case LOCALE_SSHORTDATE:
      if (Data.empty()) return false;
      FS.ShortDateFormat = LocalePictureToFormat(Data);
      FS.DateSeparator = SeparatorOf(FS.ShortDateFormat, FS.DateSeparator);
      return true;
    case LOCALE_SLONGDATE:
      if (Data.empty()) return false;
      FS.LongDateFormat = LocalePictureToFormat(Data);
      return true;
    case LOCALE_STIMEFORMAT:
      if (Data.empty()) return false;
      FS.LongTimeFormat = LocalePictureToFormat(Data);
      return true;
    default: return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Strings

int Pos(const std::string& Substr, const std::string& S) { return PosEx(Substr, S, 1); }

int PosEx(const std::string& Substr, const std::string& S, int Offset) {
  if (Substr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  size_t P = S.find(Substr, static_cast<size_t>(Offset - 1));
  return P == std::string::npos ? 0 : static_cast<int>(P) + 1;
}

int AnsiPos(const std::string& Substr, const std::string& S) { return Pos(Substr, S); }

std::string Copy(const std::string& S, int Index, int Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return "";
  return S.substr(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}

void Delete(std::string& S, int Index, int Count) {
  if (Index < 1 || Count <= 0 || static_cast<size_t>(Index) > S.size()) return;
  S.erase(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}

void Insert(const std::string& Source, std::string& S, int Index) {
  if (Index < 1) Index = 1;
  size_t At = static_cast<size_t>(Index - 1);
  if (At > S.size()) At = S.size();
  S.insert(At, Source);
}

std::string StringOfChar(char Ch, int Count) {
  return Count > 0 ? std::string(static_cast<size_t>(Count), Ch) : std::string();
}

std::string DupeString(const std::string& S, int Count) {
  std::string R;
  for (int I = 0; I < Count; ++I) R += S;
  return R;
}

std::string LeftStr(const std::string& S, int Count) { return Copy(S, 1, Count); }

std::string RightStr(const std::string& S, int Count) {
  if (Count <= 0) return "";
  if (static_cast<size_t>(Count) >= S.size()) return S;
  return S.substr(S.size() - static_cast<size_t>(Count));
}

std::string MidStr(const std::string& S, int Start, int Count) { return Copy(S, Start, Count); }

std::string ReverseString(const std::string& S) { return std::string(S.rbegin(), S.rend()); }

static bool IsTrimBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

std::string Trim(const std::string& S) {
  size_t B = 0, E = S.size();
  while (B < E && IsTrimBlank(S[B])) ++B;
  while (E > B && IsTrimBlank(S[E - 1])) --E;
  return S.substr(B, E - B);
}

std::string TrimLeft(const std::string& S) {
  size_t B = 0;
  while (B < S.size() && IsTrimBlank(S[B])) ++B;
  return S.substr(B);
}

std::string TrimRight(const std::string& S) {
  size_t E = S.size();
  while (E > 0 && IsTrimBlank(S[E - 1])) --E;
  return S.substr(0, E);
}

std::string UpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 32);
  return R;
}

std::string LowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + 32);
  return R;
}

namespace {

// UTF-8 decoding that never fails: a byte that does not start a valid sequence stands for
// itself (as code point 0xDC00 + byte, kept apart from real characters) and is written back
// unchanged, so text in other encodings passes through the Ansi functions intact.
char32_t NextChar(const std::string& S, size_t& I) {
  unsigned char C = static_cast<unsigned char>(S[I]);
  int Len = C < 0x80 ? 1 : (C >> 5) == 6 ? 2 : (C >> 4) == 14 ? 3 : (C >> 3) == 30 ? 4 : 0;
  if (Len == 1) {
    ++I;
    return C;
  }
  if (Len == 0 || I + static_cast<size_t>(Len) > S.size()) {
    ++I;
    return 0xDC00 + C;
  }
  char32_t Cp = C & (0x7F >> Len);
  for (int K = 1; K < Len; ++K) {
    unsigned char T = static_cast<unsigned char>(S[I + static_cast<size_t>(K)]);
    if ((T & 0xC0) != 0x80) {
      ++I;
      return 0xDC00 + C;
    }
    Cp = (Cp << 6) | (T & 0x3F);
  }
  // Overlong forms are not UTF-8 either.
  static const char32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (Cp < Least[Len]) {
    ++I;
    return 0xDC00 + C;
  }
  I += static_cast<size_t>(Len);
  return Cp;
}

void PutChar(std::string& R, char32_t Cp) {
  if (Cp >= 0xDC80 && Cp <= 0xDCFF) {
    R += static_cast<char>(Cp - 0xDC00);
  } else if (Cp < 0x80) {
    R += static_cast<char>(Cp);
  } else if (Cp < 0x800) {
    R += static_cast<char>(0xC0 | (Cp >> 6));
    R += static_cast<char>(0x80 | (Cp & 0x3F));
  } else if (Cp < 0x10000) {
    R += static_cast<char>(0xE0 | (Cp >> 12));
    R += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (Cp & 0x3F));
  } else {
    R += static_cast<char>(0xF0 | (Cp >> 18));
    R += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
    R += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (Cp & 0x3F));
  }
}

// Case mapping through the built-in C.UTF-8 locale, the same on every machine whatever the
// user's locale; ASCII only if that locale is missing.
locale_t Utf8Locale() {
  static locale_t L = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return L;
}

char32_t MapCase(char32_t Cp, bool Upper) {
  if (Cp < 0x80) {
    if (Upper && Cp >= 'a' && Cp <= 'z') return Cp - 32;
    if (!Upper && Cp >= 'A' && Cp <= 'Z') return Cp + 32;
    return Cp;
  }
  if (Cp >= 0xDC80 && Cp <= 0xDCFF) return Cp;
  locale_t L = Utf8Locale();
  if (!L) return Cp;
  return static_cast<char32_t>(Upper ? towupper_l(static_cast<wint_t>(Cp), L)
                                     : towlower_l(static_cast<wint_t>(Cp), L));
}

std::string MapString(const std::string& S, bool Upper) {
  std::string R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size();) PutChar(R, MapCase(NextChar(S, I), Upper));
  return R;
}

int Sign3(long V) { return V < 0 ? -1 : (V > 0 ? 1 : 0); }

int CompareChars(const std::string& A, const std::string& B, bool IgnoreCase) {
  size_t I = 0, J = 0;
  while (I < A.size() && J < B.size()) {
    char32_t Ca = NextChar(A, I), Cb = NextChar(B, J);
    if (IgnoreCase) {
      Ca = MapCase(Ca, false);
      Cb = MapCase(Cb, false);
    }
    if (Ca != Cb) return Ca < Cb ? -1 : 1;
  }
  return Sign3(static_cast<long>(A.size() - I) - static_cast<long>(B.size() - J));
}

}  // namespace

std::u16string UTF8Decode(const std::string& S) {
  std::u16string R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size();) {
    char32_t Cp = NextChar(S, I);
    // Stand-ins for undecodable bytes, surrogates and overlong forms are not characters.
    if ((Cp >= 0xD800 && Cp <= 0xDFFF) || Cp > 0x10FFFF) Cp = 0xFFFD;
    if (Cp >= 0x10000) {
      Cp -= 0x10000;
      R += static_cast<char16_t>(0xD800 + (Cp >> 10));
      R += static_cast<char16_t>(0xDC00 + (Cp & 0x3FF));
    } else {
      R += static_cast<char16_t>(Cp);
    }
  }
  return R;
}

std::string UTF8Encode(const std::u16string& S) {
  std::string R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    char32_t Cp = S[I];
    if (Cp >= 0xD800 && Cp <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) {
      Cp = 0x10000 + ((Cp - 0xD800) << 10) + (S[++I] - 0xDC00);
    } else if (Cp >= 0xD800 && Cp <= 0xDFFF) {
      Cp = 0xFFFD;
    }
    PutChar(R, Cp);
  }
  return R;
}

int Utf8Length(const std::string& S) {
  int N = 0;
  for (size_t I = 0; I < S.size(); ++N) NextChar(S, I);
  return N;
}

std::string AnsiUpperCase(const std::string& S) { return MapString(S, true); }
std::string AnsiLowerCase(const std::string& S) { return MapString(S, false); }

int CompareStr(const std::string& S1, const std::string& S2) {
  size_t N = std::min(S1.size(), S2.size());
  for (size_t I = 0; I < N; ++I)
    if (S1[I] != S2[I]) return static_cast<unsigned char>(S1[I]) - static_cast<unsigned char>(S2[I]);
  return static_cast<int>(S1.size()) - static_cast<int>(S2.size());
}

int CompareText(const std::string& S1, const std::string& S2) {
  auto Up = [](char C) {
    unsigned char U = static_cast<unsigned char>(C);
    return U >= 'a' && U <= 'z' ? U - 32 : U;
  };
  size_t N = std::min(S1.size(), S2.size());
  for (size_t I = 0; I < N; ++I) {
    int D = Up(S1[I]) - Up(S2[I]);
    if (D) return D;
  }
  return static_cast<int>(S1.size()) - static_cast<int>(S2.size());
}

int AnsiCompareStr(const std::string& S1, const std::string& S2) { return CompareChars(S1, S2, false); }
int AnsiCompareText(const std::string& S1, const std::string& S2) { return CompareChars(S1, S2, true); }
bool SameStr(const std::string& S1, const std::string& S2) { return S1 == S2; }
// Equality without regard to ASCII case: answers early on a length difference, so name tables
// (properties, INI keys, registry values) use it for their look-ups.
bool SameText(const std::string& S1, const std::string& S2) {
  const std::string& a = S1;
  const std::string& b = S2;
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}
bool AnsiSameStr(const std::string& S1, const std::string& S2) { return S1 == S2; }
bool AnsiSameText(const std::string& S1, const std::string& S2) { return AnsiCompareText(S1, S2) == 0; }

bool AnsiStartsStr(const std::string& SubText, const std::string& Text) {
  return Text.compare(0, SubText.size(), SubText) == 0 && Text.size() >= SubText.size();
}
bool AnsiStartsText(const std::string& SubText, const std::string& Text) {
  return Text.size() >= SubText.size() && AnsiSameText(Text.substr(0, SubText.size()), SubText);
}
bool AnsiEndsStr(const std::string& SubText, const std::string& Text) {
  return Text.size() >= SubText.size() &&
         Text.compare(Text.size() - SubText.size(), SubText.size(), SubText) == 0;
}
bool AnsiEndsText(const std::string& SubText, const std::string& Text) {
  return Text.size() >= SubText.size() &&
         AnsiSameText(Text.substr(Text.size() - SubText.size()), SubText);
}
bool AnsiContainsStr(const std::string& Text, const std::string& SubText) {
  return Text.find(SubText) != std::string::npos;
}
bool AnsiContainsText(const std::string& Text, const std::string& SubText) {
  return AnsiLowerCase(Text).find(AnsiLowerCase(SubText)) != std::string::npos;
}

std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern, TReplaceFlags Flags) {
  if (OldPattern.empty()) return S;
  // Case-insensitive search runs on a lower-cased copy; ASCII folding keeps byte offsets equal,
  // and for other letters the folded copy is used only when its length matches.
  const bool IgnoreCase = Flags.Contains(rfIgnoreCase);
  std::string Hay = S, Needle = OldPattern;
  if (IgnoreCase) {
    Hay = AnsiLowerCase(S);
    Needle = AnsiLowerCase(OldPattern);
    if (Hay.size() != S.size() || Needle.size() != OldPattern.size()) {
      Hay = LowerCase(S);
      Needle = LowerCase(OldPattern);
    }
  }
  std::string R;
  size_t From = 0;
  while (true) {
    size_t P = Hay.find(Needle, From);
    if (P == std::string::npos) break;
    R.append(S, From, P - From);
    R += NewPattern;
    From = P + Needle.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  R.append(S, From, std::string::npos);
  return R;
}

std::string QuotedStr(const std::string& S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiQuotedStr(const std::string& S, char Quote) {
  std::string R(1, Quote);
  for (char C : S) {
    R += C;
    if (C == Quote) R += Quote;
  }
  R += Quote;
  return R;
}

namespace {
// Reads the quoted text at Pos; Closed tells whether its closing quote was found.
std::string ExtractQuoted(const std::string& S, size_t& Pos, char Quote, bool& Closed) {
  Closed = false;
  if (Pos >= S.size() || S[Pos] != Quote) return "";
  std::string R;
  size_t I = Pos + 1;
  while (I < S.size()) {
    if (S[I] == Quote) {
      if (I + 1 < S.size() && S[I + 1] == Quote) {
        R += Quote;
        I += 2;
        continue;
      }
      ++I;
      Closed = true;
      break;
    }
    R += S[I++];
  }
  Pos = I;
  return R;
}
}  // namespace

std::string AnsiExtractQuotedStr(const std::string& S, size_t& Pos, char Quote) {
  bool Closed;
  return ExtractQuoted(S, Pos, Quote, Closed);
}

std::string AnsiDequotedStr(const std::string& S, char Quote) {
  // Without a closing quote S is given back as it was; text after the closing quote is dropped.
  size_t P = 0;
  bool Closed;
  std::string R = ExtractQuoted(S, P, Quote, Closed);
  return Closed ? R : S;
}

// ---------------------------------------------------------------------------------------------
// Integers

std::string IntToStr(int64_t Value) { return std::to_string(Value); }
std::string UIntToStr(uint64_t Value) { return std::to_string(Value); }

std::string IntToHex(uint64_t Value, int Digits) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string R;
  do {
    R.insert(R.begin(), Hex[Value & 15]);
    Value >>= 4;
  } while (Value);
  if (Digits > 32) Digits = 32;
  if (static_cast<int>(R.size()) < Digits) R.insert(0, static_cast<size_t>(Digits) - R.size(), '0');
  return R;
}
std::string IntToHex(int64_t Value, int Digits) { return IntToHex(static_cast<uint64_t>(Value), Digits); }
std::string IntToHex(unsigned Value, int Digits) { return IntToHex(static_cast<uint64_t>(Value), Digits); }
std::string IntToHex(int Value, int Digits) {
  return IntToHex(static_cast<uint64_t>(static_cast<uint32_t>(Value)), Digits);
}

namespace {

// The platform's integer reading: spaces before the number, a sign, then decimal digits or hex
// digits after "$", "x", "X", "0x" or "0X"; nothing after the digits. Hex may use the full
// unsigned range of the target width (so "$FFFFFFFF" is -1 as a 32-bit integer); decimal must
// fit the signed range.
bool ParseInt(const std::string& S, int Bits, int64_t& Out) {
  size_t I = 0, N = S.size();
  while (I < N && S[I] == ' ') ++I;
  bool Neg = false;
  if (I < N && (S[I] == '+' || S[I] == '-')) Neg = S[I++] == '-';
  bool IsHex = false;
  if (I < N && (S[I] == '$' || S[I] == 'x' || S[I] == 'X')) {
    IsHex = true;
    ++I;
  } else if (I + 1 < N && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    IsHex = true;
    I += 2;
  }
  if (I >= N) return false;
  const uint64_t UMax = Bits == 64 ? std::numeric_limits<uint64_t>::max() : 0xFFFFFFFFull;
  const uint64_t SMax = Bits == 64 ? 0x7FFFFFFFFFFFFFFFull : 0x7FFFFFFFull;
  uint64_t V = 0;
  for (; I < N; ++I) {
    unsigned char C = static_cast<unsigned char>(S[I]);
    unsigned D;
    if (C >= '0' && C <= '9') D = C - '0';
    else if (IsHex && C >= 'a' && C <= 'f') D = C - 'a' + 10;
    else if (IsHex && C >= 'A' && C <= 'F') D = C - 'A' + 10;
    else return false;
    unsigned Base = IsHex ? 16 : 10;
    if (V > (UMax - D) / Base) return false;
    V = V * Base + D;
  }
  if (!IsHex && V > SMax + (Neg ? 1 : 0)) return false;
  if (Bits == 32) {
    int32_t R = static_cast<int32_t>(static_cast<uint32_t>(V));
    Out = Neg ? -static_cast<int64_t>(R) : R;
    if (Out > INT32_MAX || Out < INT32_MIN) Out = static_cast<int32_t>(static_cast<uint32_t>(Out));
  } else {
    Out = Neg ? static_cast<int64_t>(0 - V) : static_cast<int64_t>(V);
  }
  return true;
}

[[noreturn]] void RaiseIntError(const std::string& S) {
  throw EConvertError("'" + S + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt(const std::string& S, int& Value) {
  int64_t V;
  if (!ParseInt(S, 32, V)) return false;
  Value = static_cast<int>(V);
  return true;
}

int StrToInt(const std::string& S) {
  int V;
  if (!TryStrToInt(S, V)) RaiseIntError(S);
  return V;
}

int StrToIntDef(const std::string& S, int Default) {
  int V;
  return TryStrToInt(S, V) ? V : Default;
}

bool TryStrToInt64(const std::string& S, int64_t& Value) { return ParseInt(S, 64, Value); }

int64_t StrToInt64(const std::string& S) {
  int64_t V;
  if (!ParseInt(S, 64, V)) RaiseIntError(S);
  return V;
}

int64_t StrToInt64Def(const std::string& S, int64_t Default) {
  int64_t V;
  return ParseInt(S, 64, V) ? V : Default;
}

// ---------------------------------------------------------------------------------------------
// Booleans

std::string BoolToStr(bool B, bool UseBoolStrs) {
  if (UseBoolStrs) return B ? "True" : "False";
  return B ? "-1" : "0";
}

bool TryStrToBool(const std::string& S, bool& Value) {
  if (SameText(S, "True")) {
    Value = true;
    return true;
  }
  if (SameText(S, "False")) {
    Value = false;
    return true;
  }
  Extended F;
  if (TryStrToFloat(S, F)) {
    Value = F != 0;
    return true;
  }
  return false;
}

bool StrToBool(const std::string& S) {
  bool B;
  if (!TryStrToBool(S, B)) throw EConvertError("'" + S + "' is not a valid boolean value");
  return B;
}

bool StrToBoolDef(const std::string& S, bool Default) {
  bool B;
  return TryStrToBool(S, B) ? B : Default;
}

// ---------------------------------------------------------------------------------------------
// Operating-system errors

std::string SysErrorMessage(int ErrorCode) {
  char Buf[256];
  // The GNU strerror_r returns the text, which may or may not be in Buf.
  return strerror_r(ErrorCode, Buf, sizeof Buf);
}

void RaiseLastOSError(int ErrorCode) {
  if (ErrorCode == 0) ErrorCode = errno;
  throw EOSError("System Error.  Code: " + std::to_string(ErrorCode) + ".\n" + SysErrorMessage(ErrorCode));
}

// ---------------------------------------------------------------------------------------------
// Math

namespace {
[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }

int64_t CheckedInt64(double R) {
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (!(R >= -9223372036854775808.0 && R < 9223372036854775808.0)) RaiseInvalidOp();
  return static_cast<int64_t>(R);
}
}  // namespace

int64_t Round(Extended X) {
  // Halves go to the even neighbour, as the processor's default rounding does; computed here
  // rather than through the floating-point environment so a caller that changed the rounding
  // mode does not change Round.
  if (!std::isfinite(X)) RaiseInvalidOp();
  double Whole = std::floor(X);
  double Diff = X - Whole;
  double R = Whole;
  if (Diff > 0.5 || (Diff == 0.5 && std::fmod(Whole, 2.0) != 0)) R = Whole + 1;
  return CheckedInt64(R);
}

int64_t Trunc(Extended X) {
  if (!std::isfinite(X)) RaiseInvalidOp();
  return CheckedInt64(std::trunc(X));
}

Extended Int(Extended X) { return std::trunc(X); }
Extended Frac(Extended X) { return X - std::trunc(X); }

int64_t Ceil(Extended X) {
  if (!std::isfinite(X)) RaiseInvalidOp();
  return CheckedInt64(std::ceil(X));
}

int64_t Floor(Extended X) {
  if (!std::isfinite(X)) RaiseInvalidOp();
  return CheckedInt64(std::floor(X));
}

Extended RoundTo(Extended Value, int Digit) {
  double Factor = std::pow(10.0, -Digit);
  double Scaled = Value * Factor;
  double R = std::nearbyint(Scaled);  // default rounding: halves to even
  return R / Factor;
}

Extended SimpleRoundTo(Extended Value, int Digit) {
  double Factor = std::pow(10.0, Digit);
  if (Value < 0) return -std::floor(-Value / Factor + 0.5) * Factor;
  return std::floor(Value / Factor + 0.5) * Factor;
}

int MulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  int64_t P = static_cast<int64_t>(Number) * Numerator;
  int64_t Q = P / Denominator, R = P % Denominator;
  // Halves round away from zero.
  if (2 * (R < 0 ? -R : R) >= (Denominator < 0 ? -static_cast<int64_t>(Denominator) : Denominator))
    Q += ((P < 0) != (Denominator < 0)) ? -1 : 1;
  if (Q > INT32_MAX || Q < INT32_MIN) return -1;
  return static_cast<int>(Q);
}

Extended Power(Extended Base, Extended Exponent) {
  if (Exponent == 0) return 1;
  if (Base == 0) {
    if (Exponent > 0) return 0;
    throw EZeroDivide("Floating point division by zero");
  }
  if (Base < 0 && Exponent != std::trunc(Exponent)) RaiseInvalidOp();
  return std::pow(Base, Exponent);
}

Extended IntPower(Extended Base, int Exponent) {
  double R = 1, B = Base;
  long long E = Exponent < 0 ? -static_cast<long long>(Exponent) : Exponent;
  while (E) {
    if (E & 1) R *= B;
    B *= B;
    E >>= 1;
  }
  return Exponent < 0 ? 1 / R : R;
}

// A 32-bit linear congruential generator: small, fast and reproducible from RandSeed, which is
// all the callers (shuffles, transition effects, scripts) need.
uint32_t RandSeed = 0;

namespace {
std::mutex RandLock;
uint32_t NextRand() {
  RandSeed = RandSeed * 134775813u + 1u;
  return RandSeed;
}
}  // namespace

void Randomize() {
  timespec Ts;
  clock_gettime(CLOCK_REALTIME, &Ts);
  std::lock_guard<std::mutex> G(RandLock);
  RandSeed = static_cast<uint32_t>(Ts.tv_sec) * 1000003u ^ static_cast<uint32_t>(Ts.tv_nsec);
}

Extended Random() {
  std::lock_guard<std::mutex> G(RandLock);
  return NextRand() / 4294967296.0;
}

int Random(int Range) {
  if (Range <= 0) return 0;
  std::lock_guard<std::mutex> G(RandLock);
  return static_cast<int>((static_cast<uint64_t>(NextRand()) * static_cast<uint32_t>(Range)) >> 32);
}

bool SameValue(Extended A, Extended B, Extended Epsilon) {
  if (Epsilon == 0) Epsilon = std::max(std::fabs(A), std::fabs(B)) * 1E-12;
  if (A > B) return A - B <= Epsilon;
  return B - A <= Epsilon;
}

bool IsZero(Extended A, Extended Epsilon) {
  if (Epsilon == 0) Epsilon = 1E-12;
  return std::fabs(A) <= Epsilon;
}

bool IsNan(Extended A) { return std::isnan(A); }
bool IsInfinite(Extended A) { return std::isinf(A); }
