// Variant: the OLE-compatible tagged value of the runtime.
//
// Every script value (the four script languages evaluate each expression over variants), every
// data-field value and every late-bound automation argument is a Variant. It keeps the OLE type
// codes (VarType), the Null / Unassigned rules and the conversion and operator semantics of the
// class library's variants, with the texts of its errors.
//
// Layout and cost: 16 bytes, a type code and one 8-byte payload. Numbers, Booleans, dates and
// currency live inline and copy with two word moves; strings and arrays are reference-counted
// and shared between copies until one copy is changed (copy on write), so passing string values
// around never copies text. Automation objects (varDispatch / varUnknown) are reference-counted
// through their own AddRef/Release.
//
// Objects of our class hierarchy are NOT stored as pointers: a script or a report passes an
// object as a 32-bit integer variant (nil = 0) obtained from the handle table (handletable.h).
// VarFromObject / VarToObject below do that conversion; the item's type code, not the variant,
// says that an integer means an object.
//
// Text is UTF-8; varString and varOleStr both hold UTF-8 (varOleStr only keeps the tag so that
// VarType reports what the producer asked for).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/rtl/sysutils.h"

struct IUnknown;
struct IDispatch;

using TVarType = uint16_t;

// The OLE type codes. Their values are stored in files and seen by scripts (VarType).
constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varAny = 0x0101;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// The variant errors. Every one is an EVariantError, so callers may catch the family.
// Texts: "Invalid variant operation", "Could not convert variant of type (%s) into type (%s)",
// "Variant overflow", "Variant or safe array index out of bounds", "Variant is not an array",
// "Invalid argument", "Invalid variant type".
ORV_EXCEPTION(EVariantInvalidOpError, EVariantError)
ORV_EXCEPTION(EVariantTypeCastError, EVariantError)
ORV_EXCEPTION(EVariantOverflowError, EVariantError)
ORV_EXCEPTION(EVariantBadIndexError, EVariantError)
ORV_EXCEPTION(EVariantNotAnArrayError, EVariantError)
ORV_EXCEPTION(EVariantInvalidArgError, EVariantError)
ORV_EXCEPTION(EVariantBadVarTypeError, EVariantError)

// The error code of an omitted optional automation argument (varError), see EmptyParam.
constexpr int32_t DISP_E_PARAMNOTFOUND = int32_t(0x80020004u);

struct TVarArrayBound {
  int LowBound;
  int HighBound;
  int ElementCount() const { return HighBound - LowBound + 1; }
};

class TObject;

class Variant {
public:
  // Unassigned (varEmpty).
  Variant() noexcept : FType(varEmpty) { FData.I64 = 0; }
  Variant(const Variant& Other) : FType(Other.FType), FData(Other.FData) {
    if (IsManagedType(FType)) AddRefPayload();
  }
  Variant(Variant&& Other) noexcept : FType(Other.FType), FData(Other.FData) {
    Other.FType = varEmpty;
    Other.FData.I64 = 0;
  }
  Variant& operator=(const Variant& Other);
  Variant& operator=(Variant&& Other) noexcept;
  ~Variant() {
    if (IsManagedType(FType)) ReleasePayload();
  }

  // Construction from the C++ types. Integers keep their width and sign: signed char
  // varShortInt, unsigned char varByte, short varSmallint, unsigned short varWord, int
  // varInteger, unsigned varLongWord, 64-bit varInt64 (an unsigned 64-bit value above the
  // signed range becomes varDouble). char makes a one-character varString.
  Variant(bool V) noexcept : FType(varBoolean) { FData.I64 = 0; FData.Bool = V; }
  Variant(char C) : Variant(std::string_view(&C, 1)) {}
  template <class T,
            std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                 !std::is_same_v<T, char>,
                             int> = 0>
  Variant(T V) noexcept {
    FData.I64 = 0;
    if constexpr (sizeof(T) == 1) {
      if constexpr (std::is_signed_v<T>) { FType = varShortInt; FData.I8 = int8_t(V); }
      else { FType = varByte; FData.U8 = uint8_t(V); }
    } else if constexpr (sizeof(T) == 2) {
      if constexpr (std::is_signed_v<T>) { FType = varSmallint; FData.I16 = int16_t(V); }
      else { FType = varWord; FData.U16 = uint16_t(V); }
    } else if constexpr (sizeof(T) == 4) {
      if constexpr (std::is_signed_v<T>) { FType = varInteger; FData.I32 = int32_t(V); }
      else { FType = varLongWord; FData.U32 = uint32_t(V); }
    } else if constexpr (std::is_signed_v<T>) {
      FType = varInt64; FData.I64 = int64_t(V);
    } else if (uint64_t(V) <= uint64_t(INT64_MAX)) {
      FType = varInt64; FData.I64 = int64_t(V);
    } else {
      FType = varDouble; FData.Dbl = double(V);
    }
  }
  // Enumerations are their ordinal values (varInteger), as scripts and property values see them.
  template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
  Variant(T V) noexcept : FType(varInteger) {
    FData.I64 = 0;
    FData.I32 = int32_t(V);
  }
  Variant(float V) noexcept : FType(varSingle) { FData.I64 = 0; FData.Sgl = V; }
  Variant(double V) noexcept : FType(varDouble) { FData.Dbl = V; }
  Variant(long double V) noexcept : FType(varDouble) { FData.Dbl = double(V); }
  Variant(const char* S);
  Variant(std::string_view S);
  Variant(const std::string& S);
  Variant(std::string&& S);
  // Automation objects: the variant takes its own reference (AddRef); null gives a varDispatch
  // (or varUnknown) holding nothing, as the platform does.
  Variant(IDispatch* Disp);
  Variant(IUnknown* Unk);
  // Pointers other than the two above would silently turn into Booleans; refuse them.
  Variant(const void*) = delete;
  Variant(std::nullptr_t) = delete;

  // Tagged constructors for kinds that share a C++ type with another kind.
  static Variant FromDate(TDateTime V) noexcept;        // varDate
  static Variant FromCurrency(double V);                // varCurrency, 4 decimals, rounded
  static Variant FromCurrencyRaw(int64_t Scaled) noexcept;  // varCurrency, value * 10000
  static Variant FromOleStr(std::string S);             // varOleStr
  static Variant FromError(int32_t Code) noexcept;      // varError (an HRESULT)
  static Variant MakeNull() noexcept;

  TVarType VType() const noexcept { return FType; }
  bool IsEmpty() const noexcept { return FType == varEmpty; }
  bool IsNull() const noexcept { return FType == varNull; }
  bool IsArray() const noexcept { return (FType & varArray) != 0; }
  bool IsString() const noexcept { return FType == varString || FType == varOleStr; }

  // Conversions. Unassigned converts to 0, "", false; Null and values that have no such form
  // raise EVariantTypeCastError "Could not convert variant of type (Null) into type (Integer)";
  // numbers out of the target's range raise EVariantOverflowError; floats become integers by
  // rounding halves to even; text converts through the locale's number and date formats.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  double AsCurrency() const;
  int64_t AsCurrencyRaw() const;   // currency value * 10000
  bool AsBoolean() const;          // numbers: non-zero; text: "True"/"False" (any case) or a number
  std::string AsString() const;    // Boolean: "True"/"False"; Null raises (VarToStr gives "")
  // The automation object of a varDispatch (also of a varUnknown that is one); Unassigned gives
  // null; anything else raises EVariantTypeCastError "... into type (Dispatch)". No new
  // reference is taken.
  IDispatch* AsDispatch() const;
  IUnknown* AsUnknown() const;
  int32_t AsError() const;         // the code of a varError

  // Zero-copy access to text: the UTF-8 of a varString/varOleStr, null for other kinds.
  const std::string* StringPtr() const noexcept {
    return IsString() ? &StrRef() : nullptr;
  }

  // Variant arrays (see also the VarArray* functions). Indices are in the array's own bounds,
  // one per dimension; a wrong count or an index outside raises EVariantBadIndexError; a value
  // that is not an array raises EVariantNotAnArrayError.
  Variant GetElement(std::initializer_list<int> Indices) const;
  Variant GetElement(const int* Indices, int Count) const;
  // Stores the value converted to the array's element type (kept as is in arrays of varVariant).
  // Changes this variant in place (a shared array is copied first).
  void PutElement(std::initializer_list<int> Indices, const Variant& Value);
  void PutElement(const int* Indices, int Count, const Variant& Value);
  // Direct reference to an element of an array of varVariant, for changing it in place
  // (for instance an element that is an array itself). Other element types raise
  // EVariantInvalidOpError.
  Variant& ElementRef(std::initializer_list<int> Indices);
  Variant& ElementRef(const int* Indices, int Count);
  // One-dimensional shortcut: GetElement({Index}).
  Variant operator[](int Index) const { return GetElement(&Index, 1); }

  // Sets to Unassigned, releasing what was held.
  void Clear() noexcept;
  // Appends text to a varString or varOleStr in place, keeping its kind; text shared with other
  // variants is copied first, so they keep theirs. Repeated appends to a variant that alone holds
  // its text take amortized constant time. Other kinds are left alone and give false.
  bool AppendText(std::string_view S);

  // Internal representation, used by variant.cpp.
  union Payload {
    int8_t I8;
    uint8_t U8;
    int16_t I16;
    uint16_t U16;
    int32_t I32;
    uint32_t U32;
    int64_t I64;
    float Sgl;
    double Dbl;
    bool Bool;
    void* Ptr;
  };
  static bool IsManagedType(TVarType T) noexcept {
    // Every managed code is varOleStr (the lowest of them) or above, so the common scalar kinds
    // (integers, floats, Null, Empty) leave after one comparison: copies and destructors of
    // numbers stay a few instructions.
    static_assert(varOleStr < varDispatch && varOleStr < varUnknown && varOleStr < varString &&
                  varOleStr < varArray);
    return T >= varOleStr && (T == varString || T == varOleStr || T == varDispatch || T == varUnknown ||
                              (T & varArray) != 0);
  }
  const Payload& Data() const noexcept { return FData; }
  const std::string& StrRef() const noexcept;
  struct Internal;

private:
  friend struct Internal;
  void AddRefPayload() const noexcept;
  void ReleasePayload() noexcept;

  TVarType FType;
  Payload FData;
};

static_assert(sizeof(Variant) == 16, "Variant must stay two words");

// The platform's two special values.
Variant Null();
Variant Unassigned();
// An omitted optional argument of an automation call: varError DISP_E_PARAMNOTFOUND.
Variant EmptyParam();

TVarType VarType(const Variant& V);
bool VarIsNull(const Variant& V);
bool VarIsEmpty(const Variant& V);
bool VarIsClear(const Variant& V);       // Unassigned, or an automation variant holding nothing
bool VarIsEmptyParam(const Variant& V);
bool VarIsArray(const Variant& V);
bool VarIsStr(const Variant& V);
bool VarIsNumeric(const Variant& V);     // integer kinds, floats, currency, (not dates)
bool VarIsOrdinal(const Variant& V);     // integer kinds and Boolean
bool VarIsFloat(const Variant& V);       // single, double, currency, date
bool VarIsType(const Variant& V, TVarType T);
void VarClear(Variant& V);

// Text of a value; Null and Unassigned give "".
std::string VarToStr(const Variant& V);
std::string VarToStrDef(const Variant& V, const std::string& Default);
// The value as a date (numbers as days, text as a date, a time or both); Null and values that are
// no date raise the conversion error. VarFromDateTime makes a varDate variant.
TDateTime VarToDateTime(const Variant& V);
Variant VarFromDateTime(TDateTime DateTime);
// The value converted to another type code (the simple codes and varString/varOleStr; varNull
// and varEmpty give Null and Unassigned; varVariant returns the value itself). Unknown codes
// raise EVariantBadVarTypeError.
Variant VarAsType(const Variant& V, TVarType T);
// "Integer", "String", "Null", ..., "Array of Variant" (the names of the conversion errors).
std::string VarTypeAsText(TVarType T);

// Operators, with the platform's rules:
// - Null in arithmetic, logic or an ordering comparison raises EVariantInvalidOpError
//   "Invalid variant operation"; only = and <> compare a Null (Null = Null).
// - Unassigned counts as 0 (as "" beside a string).
// - + on two strings joins them; a string beside a number converts to a number (bad text raises
//   EVariantTypeCastError); two strings compare by their text, case-sensitively.
// - Integer kinds give Integer (Int64 when an operand is 64-bit or the result overflows), a
//   float operand gives Double, currency gives Currency, date +/- number gives a Date.
// - / always divides as floats; div and mod work on integers (floats are rounded first);
//   division by zero raises EDivByZero (integers) or EZeroDivide (floats).
// - and/or/xor/not are logical on two Booleans and bitwise on integers (True counts as -1).
enum TVarOp {
  opAdd, opSubtract, opMultiply, opDivide, opIntDivide, opModulus,
  opShiftLeft, opShiftRight, opAnd, opOr, opXor,
  opCmpEQ, opCmpNE, opCmpLT, opCmpLE, opCmpGT, opCmpGE,
  opNegate, opNot
};
Variant VarBinaryOp(TVarOp Op, const Variant& L, const Variant& R);
Variant VarUnaryOp(TVarOp Op, const Variant& V);
// Comparison with the rules above; returns the Boolean result of an opCmp* operator.
bool VarCompareOp(TVarOp Op, const Variant& L, const Variant& R);

Variant operator+(const Variant& L, const Variant& R);
Variant operator-(const Variant& L, const Variant& R);
Variant operator*(const Variant& L, const Variant& R);
Variant operator/(const Variant& L, const Variant& R);
Variant operator%(const Variant& L, const Variant& R);   // mod
Variant VarIntDiv(const Variant& L, const Variant& R);   // div
Variant operator&(const Variant& L, const Variant& R);   // and
Variant operator|(const Variant& L, const Variant& R);   // or
Variant operator^(const Variant& L, const Variant& R);   // xor
Variant operator<<(const Variant& L, const Variant& R);  // shl
Variant operator>>(const Variant& L, const Variant& R);  // shr
Variant operator-(const Variant& V);                     // negation
Variant operator~(const Variant& V);                     // not
Variant& operator+=(Variant& L, const Variant& R);
Variant& operator-=(Variant& L, const Variant& R);
bool operator==(const Variant& L, const Variant& R);
bool operator!=(const Variant& L, const Variant& R);
bool operator<(const Variant& L, const Variant& R);
bool operator<=(const Variant& L, const Variant& R);
bool operator>(const Variant& L, const Variant& R);
bool operator>=(const Variant& L, const Variant& R);

// Comparison that never raises: vrEqual, vrLessThan, vrGreaterThan, or vrNotEqual when the
// values cannot be ordered (a Null beside a non-Null, objects, arrays).
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);
// Same type code and the same value (strings case-sensitively); never raises.
bool VarSameValue(const Variant& A, const Variant& B);

// Variant arrays. Bounds come in pairs: low and high bound of each dimension in turn.
// A high bound of low - 1 makes an empty dimension; anything lower, or an odd or empty list,
// raises EVariantInvalidArgError "Invalid argument". Elements start as the element type's
// zero (Unassigned for varVariant, "" for strings).
Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType ElementType);
Variant VarArrayCreate(const std::vector<int>& Bounds, TVarType ElementType);
// A one-dimensional array of varVariant, bounds 0 .. count - 1.
Variant VarArrayOf(std::initializer_list<Variant> Values);
Variant VarArrayOf(const std::vector<Variant>& Values);
int VarArrayDimCount(const Variant& A);                  // 0 for a non-array
int VarArrayLowBound(const Variant& A, int Dim);          // Dim from 1
int VarArrayHighBound(const Variant& A, int Dim);
TVarType VarArrayElementType(const Variant& A);
// Changes the high bound of the LAST dimension, keeping the elements that still fit and
// filling new ones with the element type's zero.
void VarArrayRedim(Variant& A, int HighBound);
// The raw bytes of an array of varByte, in index order (first index fastest), for copying
// blobs in and out; valid until the array is changed through another call or released.
// Other element types raise EVariantInvalidOpError. A shared array is copied first, so writing
// through the pointer changes only A. VarArrayUnlock ends the access (nothing to undo here).
void* VarArrayLock(Variant& A);
void VarArrayUnlock(Variant& A);
Variant VarArrayGet(const Variant& A, std::initializer_list<int> Indices);
void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<int> Indices);

// Writes "Type: text" ("Integer: 42", "Null", "Array of Variant[0..2]"); test frameworks use
// it to print values, and it is handy in logs.
void PrintTo(const Variant& V, std::ostream* Out);
std::ostream& operator<<(std::ostream& Out, const Variant& V);

// Objects as script and report values: the object's 32-bit handle from the handle table as a
// varInteger (nil is 0). VarToObject accepts any integer-valued variant (Null and Unassigned
// give nil) and returns nil for a handle whose object no longer exists.
Variant VarFromObject(TObject* Obj);
TObject* VarToObject(const Variant& V);
