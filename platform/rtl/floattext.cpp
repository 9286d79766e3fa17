// Floats to and from text: FloatToStr, FloatToStrF, FormatFloat, CurrToStr, StrToFloat.
//
// Every conversion first turns the value into decimal digits (TDecimal), rounded the way the
// platform rounds text: halves away from zero on the decimal digits (FormatFloat("0", 2.5) is
// "3", while Round(2.5) is 2). The digits come from the 17-digit correctly rounded decimal form
// of the double, which identifies it uniquely. A value that rounds to zero is written without a
// minus sign ("-0" never appears).
#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/rtl/sysutils.h"

namespace {

constexpr int MaxDigits = 17;

// Value = 0.Digits x 10^Exponent; Digits has no trailing zeros and is empty for zero.
struct TDecimal {
  bool Negative = false;
  bool Nan = false;
  bool Inf = false;
  int Exponent = 0;
  std::string Digits;
};

// Splits V into its 17 significant digits.
TDecimal Decompose(double V) {
  TDecimal D;
  if (std::isnan(V)) {
    D.Nan = true;
    return D;
  }
  D.Negative = std::signbit(V);
  if (std::isinf(V)) {
    D.Inf = true;
    return D;
  }
  if (V == 0) {
    D.Negative = false;
    return D;
  }
  char Buf[40];
  std::snprintf(Buf, sizeof Buf, "%.*e", MaxDigits - 1, std::fabs(V));
  // Buf: "d.dddddddddddddddde[+-]xx"
  D.Digits += Buf[0];
  const char* P = Buf + 2;
  while (*P != 'e') D.Digits += *P++;
  D.Exponent = std::atoi(P + 1) + 1;
  return D;
}

void StripZeros(TDecimal& D) {
  while (!D.Digits.empty() && D.Digits.back() == '0') D.Digits.pop_back();
  if (D.Digits.empty()) {
    D.Exponent = 0;
    D.Negative = false;
  }
}

// Keeps Count significant digits, rounding the rest half away from zero; Count may be 0 or
// negative (everything is rounded away, possibly up to one unit of the next place).
void RoundDigits(TDecimal& D, int Count) {
  if (D.Nan || D.Inf) return;
  if (Count < 0) {
    D.Digits.clear();
  } else if (static_cast<size_t>(Count) < D.Digits.size()) {
    bool Up = D.Digits[static_cast<size_t>(Count)] >= '5';
    D.Digits.resize(static_cast<size_t>(Count));
    if (Up) {
      int I = Count - 1;
      while (I >= 0 && D.Digits[static_cast<size_t>(I)] == '9') D.Digits[static_cast<size_t>(I--)] = '0';
      if (I >= 0) {
        ++D.Digits[static_cast<size_t>(I)];
      } else {
        D.Digits.insert(D.Digits.begin(), '1');
        ++D.Exponent;
      }
    }
  }
  StripZeros(D);
}

// Rounds to Decimals places after the point, keeping at most Precision significant digits.
void RoundFixed(TDecimal& D, int Decimals, int Precision = MaxDigits) {
  if (D.Digits.empty()) return;
  RoundDigits(D, std::min(Precision, D.Exponent + Decimals));
}

// The integer digits ("" when the value is below one) and exactly Decimals fraction digits.
void SplitFixed(const TDecimal& D, int Decimals, std::string& IntPart, std::string& FracPart) {
  IntPart.clear();
  FracPart.clear();
  for (int I = 0; I < D.Exponent; ++I)
    IntPart += static_cast<size_t>(I) < D.Digits.size() ? D.Digits[static_cast<size_t>(I)] : '0';
  for (int I = 0; I < Decimals; ++I) {
    int K = D.Exponent + I;
    FracPart += (K >= 0 && static_cast<size_t>(K) < D.Digits.size()) ? D.Digits[static_cast<size_t>(K)] : '0';
  }
}

std::string Group(const std::string& IntPart, char Sep) {
  std::string R;
  for (size_t I = 0; I < IntPart.size(); ++I) {
    if (I > 0 && (IntPart.size() - I) % 3 == 0) R += Sep;
    R += IntPart[I];
  }
  return R;
}

std::string ExponentText(int E, int MinDigits, bool PlusSign) {
  std::string R = E < 0 ? "-" : (PlusSign ? "+" : "");
  std::string Num = std::to_string(E < 0 ? -E : E);
  if (static_cast<int>(Num.size()) < MinDigits) Num.insert(0, static_cast<size_t>(MinDigits) - Num.size(), '0');
  return R + Num;
}

std::string SpecialText(const TDecimal& D) {
  if (D.Nan) return "NAN";
  return D.Negative ? "-INF" : "INF";
}

// d.ddd with Decimals fraction digits (trailing zeros written), "E", sign, exponent digits.
std::string ExponentForm(const TDecimal& D, int Decimals, bool Trim, int ExpDigits, bool PlusSign,
                         char DecSep) {
  std::string Digits = D.Digits.empty() ? "0" : D.Digits;
  std::string Frac = Digits.substr(1);
  if (Trim) {
    while (!Frac.empty() && Frac.back() == '0') Frac.pop_back();
  } else if (static_cast<int>(Frac.size()) < Decimals) {
    Frac.append(static_cast<size_t>(Decimals) - Frac.size(), '0');
  }
  std::string R(1, Digits[0]);
  if (!Frac.empty()) R += DecSep + Frac;
  int E = D.Digits.empty() ? 0 : D.Exponent - 1;
  return R + "E" + ExponentText(E, ExpDigits, PlusSign);
}

std::string GeneralForm(TDecimal D, int Precision, int ExpDigits, char DecSep) {
  RoundDigits(D, Precision);
  if (D.Digits.empty()) return "0";
  std::string Sign = D.Negative ? "-" : "";
  if (D.Exponent > Precision || D.Exponent < -3)
    return Sign + ExponentForm(D, 0, true, ExpDigits, false, DecSep);
  std::string IntPart, FracPart;
  SplitFixed(D, std::max(0, static_cast<int>(D.Digits.size()) - D.Exponent), IntPart, FracPart);
  std::string R = Sign + (IntPart.empty() ? "0" : IntPart);
  if (!FracPart.empty()) R += DecSep + FracPart;
  return R;
}

// Up to 18 significant digits may be asked for, as the platform allows; the digits past the 17th
// that a double carries are zeros.
int ClampPrecision(int Precision) { return Precision < 1 ? 1 : (Precision > 18 ? 18 : Precision); }
int ClampDigits(int Digits, int Hi) { return Digits < 0 ? 0 : (Digits > Hi ? Hi : Digits); }

std::string CurrencyForm(const std::string& Num, bool Negative, const TFormatSettings& FS) {
  const std::string& C = FS.CurrencyString;
  if (!Negative) {
    switch (FS.CurrencyFormat) {
      case 1: return Num + C;
      case 2: return C + " " + Num;
      case 3: return Num + " " + C;
      default: return C + Num;
    }
  }
  switch (FS.NegCurrFormat) {
    case 1: return "-" + C + Num;
    case 2: return C + "-" + Num;
    case 3: return C + Num + "-";
    case 4: return "(" + Num + C + ")";
    case 5: return "-" + Num + C;
    case 6: return Num + "-" + C;
    case 7: return Num + C + "-";
    case 8: return "-" + Num + " " + C;
    case 9: return "-" + C + " " + Num;
    case 10: return Num + " " + C + "-";
    case 11: return C + " " + Num + "-";
    case 12: return C + " -" + Num;
    case 13: return Num + "- " + C;
    case 14: return "(" + C + " " + Num + ")";
    case 15: return "(" + Num + " " + C + ")";
    default: return "(" + C + Num + ")";
  }
}

}  // namespace

std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits,
                        const TFormatSettings& FS) {
  TDecimal D = Decompose(Value);
  if (D.Nan || D.Inf) return SpecialText(D);
  Precision = ClampPrecision(Precision);
  const char Sep = FS.DecimalSeparator;
  switch (Format) {
    case ffExponent: {
      RoundDigits(D, Precision);
      std::string Sign = D.Negative ? "-" : "";
      return Sign + ExponentForm(D, Precision - 1, false, ClampDigits(Digits, 4), true, Sep);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      Digits = ClampDigits(Digits, 18);
      if (D.Exponent > Precision && Format != ffCurrency) return GeneralForm(D, Precision, 0, Sep);
      RoundFixed(D, Digits, Format == ffCurrency ? MaxDigits : Precision);
      std::string IntPart, FracPart;
      SplitFixed(D, Digits, IntPart, FracPart);
      if (IntPart.empty()) IntPart = "0";
      if (Format != ffFixed) IntPart = Group(IntPart, FS.ThousandSeparator);
      std::string Num = IntPart + (Digits > 0 ? Sep + FracPart : "");
      if (Format == ffCurrency) return CurrencyForm(Num, D.Negative, FS);
      return (D.Negative ? "-" : "") + Num;
    }
    default: return GeneralForm(D, Precision, ClampDigits(Digits, 4), Sep);
  }
}

std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits) {
  return FloatToStrF(Value, Format, Precision, Digits, FormatSettings);
}

std::string FloatToStr(Extended Value, const TFormatSettings& FS) {
  return FloatToStrF(Value, ffGeneral, 15, 0, FS);
}

std::string FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings); }

// Currency values carry four decimals; the value is rounded to them (halves to even, as a
// conversion to the platform's currency type does) before it is written.
static double ToCurrency(double Value) {
  if (!std::isfinite(Value)) return Value;
  return std::nearbyint(Value * 10000) / 10000;
}

std::string CurrToStr(double Value) {
  // Four decimals at most, trailing zeros dropped: the double's binary noise never shows.
  std::string R = FloatToStrF(ToCurrency(Value), ffFixed, MaxDigits, 4);
  size_t Sep = R.find(FormatSettings.DecimalSeparator);
  if (Sep == std::string::npos || !std::isfinite(Value)) return R;
  while (R.back() == '0') R.pop_back();
  if (R.size() == Sep + 1) R.pop_back();
  return R;
}

std::string CurrToStrF(double Value, TFloatFormat Format, int Digits) {
  return FloatToStrF(ToCurrency(Value), Format, MaxDigits, Digits);
}

// ---------------------------------------------------------------------------------------------
// FormatFloat

namespace {

// What one section of a picture asks for.
struct TPicture {
  std::string Text;
  int IntPlaces = 0;     // digit placeholders before the decimal point
  int MinInt = 0;        // from the first "0" before the point to the point
  int MaxDecimals = 0;   // placeholders after the point
  int MinDecimals = 0;   // up to the last "0" after the point
  bool Thousands = false;
  bool Scientific = false;
};

// Splits the picture at ";" outside quotes.
std::vector<std::string> SplitSections(const std::string& Format) {
  std::vector<std::string> R(1);
  char Quote = 0;
  for (char C : Format) {
    if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == ';') {
      R.emplace_back();
      continue;
    }
    R.back() += C;
  }
  return R;
}

bool IsExponentAt(const std::string& T, size_t I) {
  return (T[I] == 'E' || T[I] == 'e') && I + 1 < T.size() && (T[I + 1] == '+' || T[I + 1] == '-');
}

TPicture Analyse(const std::string& Text) {
  TPicture P;
  P.Text = Text;
  bool AfterPoint = false;
  int FirstZero = -1;
  char Quote = 0;
  for (size_t I = 0; I < Text.size(); ++I) {
    char C = Text[I];
    if (Quote) {
      if (C == Quote) Quote = 0;
      continue;
    }
    if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == '0' || C == '#') {
      if (AfterPoint) {
        ++P.MaxDecimals;
        if (C == '0') P.MinDecimals = P.MaxDecimals;
      } else {
        if (C == '0' && FirstZero < 0) FirstZero = P.IntPlaces;
        ++P.IntPlaces;
      }
    } else if (C == '.') {
      AfterPoint = true;
    } else if (C == ',') {
      if (!AfterPoint) P.Thousands = true;
    } else if (IsExponentAt(Text, I)) {
      P.Scientific = true;
      // The exponent's own "0"s follow; they are not digit placeholders of the number.
      ++I;
      while (I + 1 < Text.size() && Text[I + 1] == '0') ++I;
    }
  }
  if (FirstZero >= 0) P.MinInt = P.IntPlaces - FirstZero;
  return P;
}

// Writes the rounded digits into the picture: integer digits fill the placeholders before the
// point (extra digits go before the first one), fraction digits those after it; a literal
// between placeholders stays in place.
std::string Render(const TPicture& P, const TDecimal& D, const TFormatSettings& FS) {
  std::string IntPart, FracPart;
  int Exponent = 0;
  if (P.Scientific) {
    int IntDigits = std::max(1, P.IntPlaces);
    Exponent = D.Digits.empty() ? 0 : D.Exponent - IntDigits;
    TDecimal M = D;
    M.Exponent = D.Digits.empty() ? 0 : IntDigits;
    SplitFixed(M, P.MaxDecimals, IntPart, FracPart);
  } else {
    SplitFixed(D, P.MaxDecimals, IntPart, FracPart);
  }
  // Leading zeros of the integer part only where "0" placeholders ask for them.
  size_t Lead = IntPart.find_first_not_of('0');
  IntPart = Lead == std::string::npos ? "" : IntPart.substr(Lead);
  if (static_cast<int>(IntPart.size()) < P.MinInt)
    IntPart.insert(0, static_cast<size_t>(P.MinInt) - IntPart.size(), '0');
  while (static_cast<int>(FracPart.size()) > P.MinDecimals && FracPart.back() == '0') FracPart.pop_back();

  const int L = static_cast<int>(IntPart.size());
  std::string R;
  auto EmitInt = [&](int K) {
    R += IntPart[static_cast<size_t>(K)];
    if (P.Thousands && K < L - 1 && (L - 1 - K) % 3 == 0) R += FS.ThousandSeparator;
  };
  int IntIndex = 0, FracIndex = 0;
  bool AfterPoint = false, NoPlaceFlushed = false;
  char Quote = 0;
  const std::string& T = P.Text;
  for (size_t I = 0; I < T.size(); ++I) {
    char C = T[I];
    if (Quote) {
      if (C == Quote) Quote = 0;
      else R += C;
      continue;
    }
    if (C == '\'' || C == '"') {
      Quote = C;
    } else if ((C == '0' || C == '#') && !AfterPoint) {
      // Placeholder IntIndex of IntPlaces covers digit L - IntPlaces + IntIndex.
      int K = L - P.IntPlaces + IntIndex;
      if (IntIndex == 0)
        for (int J = 0; J <= K; ++J) EmitInt(J);
      else if (K >= 0)
        EmitInt(K);
      ++IntIndex;
    } else if ((C == '0' || C == '#') && AfterPoint) {
      if (FracIndex < static_cast<int>(FracPart.size())) R += FracPart[static_cast<size_t>(FracIndex)];
      ++FracIndex;
    } else if (C == '.') {
      if (P.IntPlaces == 0 && !NoPlaceFlushed) {
        for (int K = 0; K < L; ++K) EmitInt(K);
        NoPlaceFlushed = true;
      }
      if (!AfterPoint && !FracPart.empty()) R += FS.DecimalSeparator;
      AfterPoint = true;
    } else if (C == ',') {
      // Grouping is placed by the digits themselves.
    } else if (IsExponentAt(T, I)) {
      R += C;
      bool Plus = T[I + 1] == '+';
      ++I;
      int Zeros = 0;
      while (I + 1 < T.size() && T[I + 1] == '0') {
        ++Zeros;
        ++I;
      }
      R += ExponentText(Exponent, Zeros, Plus);
    } else {
      R += C;
    }
  }
  if (P.IntPlaces == 0 && !NoPlaceFlushed && L > 0) {
    // No placeholder before the point and no point: the integer digits lead the text.
    std::string Digits;
    std::swap(R, Digits);
    for (int K = 0; K < L; ++K) EmitInt(K);
    R += Digits;
  }
  return R;
}

void RoundFor(const TPicture& P, TDecimal& D) {
  if (P.Scientific)
    RoundDigits(D, std::max(1, P.IntPlaces) + P.MaxDecimals);
  else
    RoundFixed(D, P.MaxDecimals);
}

}  // namespace

std::string FormatFloat(const std::string& Format, Extended Value, const TFormatSettings& FS) {
  if (Format.empty()) return FloatToStr(Value, FS);
  TDecimal D = Decompose(Value);
  if (D.Nan || D.Inf) return SpecialText(D);
  std::vector<std::string> Sections = SplitSections(Format);
  auto SectionText = [&](size_t I) -> const std::string& {
    return (I < Sections.size() && !Sections[I].empty()) ? Sections[I] : Sections[0];
  };
  bool Negative = D.Negative;
  size_t Index = Negative ? 1 : 0;
  TPicture P = Analyse(SectionText(Index));
  TDecimal Rounded = D;
  RoundFor(P, Rounded);
  if (Rounded.Digits.empty()) {
    // Zero after rounding: the zero section, else the positive one; never a minus sign.
    P = Analyse(SectionText(2));
    Negative = false;
    Rounded = TDecimal();
  }
  Rounded.Negative = false;
  std::string Body = Render(P, Rounded, FS);
  // The negative section carries its own sign; the positive one used for a negative value
  // gets a minus.
  bool OwnNegative = Index == 1 && Sections.size() > 1 && !Sections[1].empty();
  if (Negative && !OwnNegative) return "-" + Body;
  return Body;
}

std::string FormatFloat(const std::string& Format, Extended Value) {
  return FormatFloat(Format, Value, FormatSettings);
}

// ---------------------------------------------------------------------------------------------
// StrToFloat

bool TryStrToFloat(const std::string& S, Extended& Value, const TFormatSettings& FS) {
  // Blanks around the number; sign; digits with at most one decimal separator and at least
  // one digit; optional exponent. The text is rebuilt with "." and read in the "C" locale, so
  // the C library's own locale never matters.
  size_t I = 0, N = S.size();
  while (I < N && static_cast<unsigned char>(S[I]) <= ' ') ++I;
  while (N > I && static_cast<unsigned char>(S[N - 1]) <= ' ') --N;
  std::string Body = S.substr(I, N - I);
  if (Body.empty()) return false;
  std::string Norm;
  size_t K = 0;
  bool Neg = false;
  if (Body[K] == '+' || Body[K] == '-') Neg = Body[K++] == '-';
  std::string Rest = UpperCase(Body.substr(K));
  if (Rest == "INF" || Rest == "NAN") {
    Value = Rest == "NAN" ? std::nan("") : (Neg ? -HUGE_VAL : HUGE_VAL);
    return true;
  }
  if (Neg) Norm += '-';
  bool Digit = false, Point = false;
  for (; K < Body.size(); ++K) {
    char C = Body[K];
    if (C >= '0' && C <= '9') {
      Digit = true;
      Norm += C;
    } else if (C == FS.DecimalSeparator && !Point) {
      Point = true;
      Norm += '.';
    } else {
      break;
    }
  }
  if (!Digit) return false;
  if (K < Body.size()) {
    if (Body[K] != 'E' && Body[K] != 'e') return false;
    Norm += 'e';
    ++K;
    if (K < Body.size() && (Body[K] == '+' || Body[K] == '-')) Norm += Body[K++];
    bool ExpDigit = false;
    for (; K < Body.size() && Body[K] >= '0' && Body[K] <= '9'; ++K) {
      Norm += Body[K];
      ExpDigit = true;
    }
    if (!ExpDigit || K != Body.size()) return false;
  }
  static locale_t CLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
  char* End = nullptr;
  double V = strtod_l(Norm.c_str(), &End, CLocale);
  if (End != Norm.c_str() + Norm.size()) return false;
  // Overflow is not a valid number; underflow reads as zero or the nearest tiny value.
  if (std::isinf(V)) return false;
  Value = V;
  return true;
}

bool TryStrToFloat(const std::string& S, Extended& Value) { return TryStrToFloat(S, Value, FormatSettings); }

Extended StrToFloat(const std::string& S, const TFormatSettings& FS) {
  Extended V;
  if (!TryStrToFloat(S, V, FS)) throw EConvertError("'" + S + "' is not a valid floating point value");
  return V;
}

Extended StrToFloat(const std::string& S) { return StrToFloat(S, FormatSettings); }

Extended StrToFloatDef(const std::string& S, Extended Default) {
  Extended V;
  return TryStrToFloat(S, V) ? V : Default;
}

double StrToCurr(const std::string& S) { return ToCurrency(StrToFloat(S)); }
