// Mathematics beyond rounding: see mathutils.h.
#include "platform/rtl/mathutils.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void InvalidOp() { throw EInvalidOp("Invalid floating point operation"); }
[[noreturn]] void ZeroDivide() { throw EZeroDivide("Floating point division by zero"); }

// Logarithms share their domain rules: 0 is a pole, negative numbers and NaN have none.
void CheckLogArgument(Extended X) {
  if (std::isnan(X) || X < 0) InvalidOp();
  if (X == 0) ZeroDivide();
}

}  // namespace

Extended Sqr(Extended X) { return X * X; }

Extended Sqrt(Extended X) {
  if (X < 0) InvalidOp();
  return std::sqrt(X);
}

Extended Exp(Extended X) { return std::exp(X); }

Extended Ln(Extended X) {
  CheckLogArgument(X);
  return std::log(X);
}

Extended Log10(Extended X) {
  CheckLogArgument(X);
  return std::log10(X);
}

Extended Log2(Extended X) {
  CheckLogArgument(X);
  return std::log2(X);
}

Extended LogN(Extended Base, Extended X) {
  CheckLogArgument(X);
  if (std::isnan(Base) || Base <= 0 || Base == 1) InvalidOp();
  return std::log(X) / std::log(Base);
}

Extended Tan(Extended X) { return std::tan(X); }

Extended Cotan(Extended X) {
  double T = std::tan(X);
  if (T == 0) ZeroDivide();
  return 1 / T;
}

Extended ArcTan(Extended X) { return std::atan(X); }
Extended ArcTan2(Extended Y, Extended X) { return std::atan2(Y, X); }

Extended ArcSin(Extended X) {
  if (!(X >= -1 && X <= 1)) InvalidOp();
  return std::asin(X);
}

Extended ArcCos(Extended X) {
  if (!(X >= -1 && X <= 1)) InvalidOp();
  return std::acos(X);
}

void SinCos(Extended Theta, Extended& Sin, Extended& Cos) {
  Sin = std::sin(Theta);
  Cos = std::cos(Theta);
}

Extended Hypot(Extended X, Extended Y) { return std::hypot(X, Y); }
Extended DegToRad(Extended Degrees) { return Degrees * (Pi / 180); }
Extended RadToDeg(Extended Radians) { return Radians * (180 / Pi); }

Extended Sum(const std::vector<Extended>& Data) {
  // Kahan summation: long columns of report totals keep their cents.
  double S = 0, C = 0;
  for (double V : Data) {
    double Y = V - C;
    double T = S + Y;
    C = (T - S) - Y;
    S = T;
  }
  return S;
}

int64_t SumInt(const std::vector<int>& Data) {
  int64_t S = 0;
  for (int V : Data) S += V;
  return S;
}

Extended Mean(const std::vector<Extended>& Data) {
  if (Data.empty()) return 0;
  return Sum(Data) / static_cast<double>(Data.size());
}

Extended MinValue(const std::vector<Extended>& Data) {
  if (Data.empty()) InvalidOp();
  return *std::min_element(Data.begin(), Data.end());
}

Extended MaxValue(const std::vector<Extended>& Data) {
  if (Data.empty()) InvalidOp();
  return *std::max_element(Data.begin(), Data.end());
}

int MinIntValue(const std::vector<int>& Data) {
  if (Data.empty()) InvalidOp();
  return *std::min_element(Data.begin(), Data.end());
}

int MaxIntValue(const std::vector<int>& Data) {
  if (Data.empty()) InvalidOp();
  return *std::max_element(Data.begin(), Data.end());
}

TValueRelationship CompareValue(Extended A, Extended B, Extended Epsilon) {
  if (SameValue(A, B, Epsilon)) return EqualsValue;
  return A < B ? LessThanValue : GreaterThanValue;
}

std::string IfThen(bool Condition, const std::string& TrueValue, const std::string& FalseValue) {
  return Condition ? TrueValue : FalseValue;
}

int RandomRange(int AFrom, int ATo) {
  if (AFrom == ATo) return AFrom;
  int Lo = std::min(AFrom, ATo);
  int64_t Span = static_cast<int64_t>(std::max(AFrom, ATo)) - Lo;
  // Random(int) covers spans up to INT_MAX; wider spans combine two draws of the same generator.
  if (Span <= INT32_MAX) return Lo + Random(static_cast<int>(Span));
  return static_cast<int>(Lo + static_cast<int64_t>(Random() * static_cast<double>(Span)));
}

int RandomFrom(const std::vector<int>& Values) {
  if (Values.empty()) throw ERangeError("Range check error");
  return Values[static_cast<size_t>(Random(static_cast<int>(Values.size())))];
}

std::string RandomFrom(const std::vector<std::string>& Values) {
  if (Values.empty()) throw ERangeError("Range check error");
  return Values[static_cast<size_t>(Random(static_cast<int>(Values.size())))];
}

void DivMod(int64_t Dividend, int64_t Divisor, int64_t& Result, int64_t& Remainder) {
  if (Divisor == 0) throw EDivByZero("Division by zero");
  if (Divisor == -1) {  // INT64_MIN / -1 overflows; the remainder is 0 for every dividend
    if (Dividend == INT64_MIN) throw EIntOverflow("Integer overflow");
    Result = -Dividend;
    Remainder = 0;
    return;
  }
  Result = Dividend / Divisor;
  Remainder = Dividend % Divisor;
}
