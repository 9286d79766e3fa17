// TSet<E>: a small set of enumeration values, the class library's "set of" type.
//
// Elements are the ordinals 0..31 of a plain enum; the set is stored as a 32-bit mask whose bit n
// stands for element n. That mask is what report files and scripts store for a set property, so
// Bits()/FromBits() are part of the contract.
#pragma once

#include <cstdint>
#include <initializer_list>

template <class E> class TSet {
public:
  using Element = E;
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Elements) {
    for (E e : Elements) FBits |= Bit(e);
  }
  static constexpr TSet FromBits(uint32_t Bits) {
    TSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr uint32_t Bits() const { return FBits; }

  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) { FBits |= Bit(e); return *this; }
  constexpr TSet& Exclude(E e) { FBits &= ~Bit(e); return *this; }

  // Union, difference and intersection, as "+", "-" and "*" of the class library.
  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr TSet operator+(TSet a, E e) { return a.Include(e); }
  friend constexpr TSet operator-(TSet a, E e) { return a.Exclude(e); }
  TSet& operator+=(TSet b) { FBits |= b.FBits; return *this; }
  TSet& operator-=(TSet b) { FBits &= ~b.FBits; return *this; }
  TSet& operator+=(E e) { return Include(e); }
  TSet& operator-=(E e) { return Exclude(e); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }
  // a <= b: every element of a is in b.
  friend constexpr bool operator<=(TSet a, TSet b) { return (a.FBits & ~b.FBits) == 0; }

private:
  static constexpr uint32_t Bit(E e) { return uint32_t(1) << static_cast<unsigned>(e); }
  uint32_t FBits = 0;
};
