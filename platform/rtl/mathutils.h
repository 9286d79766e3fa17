// Mathematics beyond sysutils.h's rounding and Min/Max: trigonometry, logarithms, statistics of
// arrays, three-way comparison, choice by condition and random numbers in a range.
//
// Angles are radians. Functions that are undefined for an argument (ArcSin(2), Ln(-1),
// LogN with base 1) raise EInvalidOp "Invalid floating point operation"; Ln(0) and Log10(0)
// raise EZeroDivide "Floating point division by zero", as the platform's floating-point unit
// did with its exceptions unmasked. Statistics of an empty array are 0 (Sum, Mean) or raise
// EInvalidOp (MinValue, MaxValue, which have no answer).
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/rtl/sysutils.h"

// Pi to the precision of the platform's widest float.
constexpr Extended Pi = 3.1415926535897932385;

Extended Sqr(Extended X);
Extended Sqrt(Extended X);  // EInvalidOp for X < 0
Extended Exp(Extended X);
Extended Ln(Extended X);
Extended Log10(Extended X);
Extended Log2(Extended X);
Extended LogN(Extended Base, Extended X);
Extended Tan(Extended X);
Extended Cotan(Extended X);  // EZeroDivide where the tangent is 0
Extended ArcTan(Extended X);
// Angle of the point (X, Y) from the positive x axis, -Pi .. Pi; ArcTan2(0, 0) = 0.
Extended ArcTan2(Extended Y, Extended X);
Extended ArcSin(Extended X);
Extended ArcCos(Extended X);
void SinCos(Extended Theta, Extended& Sin, Extended& Cos);
// Length of the hypotenuse without overflow for large X and Y.
Extended Hypot(Extended X, Extended Y);
Extended DegToRad(Extended Degrees);
Extended RadToDeg(Extended Radians);

Extended Sum(const std::vector<Extended>& Data);
int64_t SumInt(const std::vector<int>& Data);
Extended Mean(const std::vector<Extended>& Data);
Extended MinValue(const std::vector<Extended>& Data);
Extended MaxValue(const std::vector<Extended>& Data);
int MinIntValue(const std::vector<int>& Data);
int MaxIntValue(const std::vector<int>& Data);

// Three-way comparison: -1 (less), 0 (equal), 1 (greater).
using TValueRelationship = int;
constexpr TValueRelationship LessThanValue = -1;
constexpr TValueRelationship EqualsValue = 0;
constexpr TValueRelationship GreaterThanValue = 1;
template <class A, class B>
  requires std::is_integral_v<A> && std::is_integral_v<B> && (!std::is_same_v<A, bool>) &&
           (!std::is_same_v<B, bool>)
inline TValueRelationship CompareValue(A X, B Y) {
  if constexpr (std::is_signed_v<A> == std::is_signed_v<B>) {
    return X < Y ? -1 : (X > Y ? 1 : 0);
  } else {
    // Mixed signedness: compare as mathematical values, never through a wrap-around.
    if constexpr (std::is_signed_v<A>) {
      if (X < 0) return -1;
      return CompareValue(static_cast<std::make_unsigned_t<A>>(X), Y);
    } else {
      if (Y < 0) return 1;
      return CompareValue(X, static_cast<std::make_unsigned_t<B>>(Y));
    }
  }
}
// Floats are equal within Epsilon (0: the tolerance SameValue picks from the magnitudes).
TValueRelationship CompareValue(Extended A, Extended B, Extended Epsilon = 0);

// The value for the condition: IfThen(Count > 0, Count, 1), IfThen(B, "yes", "no").
template <class T>
  requires std::is_arithmetic_v<T>
inline T IfThen(bool Condition, T TrueValue, T FalseValue = T()) {
  return Condition ? TrueValue : FalseValue;
}
std::string IfThen(bool Condition, const std::string& TrueValue,
                   const std::string& FalseValue = std::string());

// A random integer from the smaller of AFrom and ATo (inclusive) to the larger (exclusive), from
// the process-wide generator of sysutils.h (RandSeed); AFrom when both are equal.
int RandomRange(int AFrom, int ATo);
// A random element; ERangeError "Range check error" for an empty array.
int RandomFrom(const std::vector<int>& Values);
std::string RandomFrom(const std::vector<std::string>& Values);

// Integer division with remainder in one step, truncating towards zero (the remainder takes the
// dividend's sign); Divisor 0 raises EDivByZero "Division by zero".
void DivMod(int64_t Dividend, int64_t Divisor, int64_t& Result, int64_t& Remainder);
