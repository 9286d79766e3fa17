// Variant: storage, conversions, operators and variant arrays (see variant.h for the rules).
#include "platform/rtl/variant.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <ostream>

#include "platform/rtl/automation.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/handletable.h"

// ---------------------------------------------------------------------------------------------
// Heap payloads. A string is shared text with a reference count; a null pointer is the empty
// string, so empty strings never allocate. An array is shared too and copied before a change
// when more than one variant holds it.

struct VarStr {
  std::atomic<int32_t> Refs{1};
  std::string Text;
  explicit VarStr(std::string S) : Text(std::move(S)) {}
};

struct VarArr {
  std::atomic<int32_t> Refs{1};
  TVarType ElemType = varVariant;
  std::vector<TVarArrayBound> Bounds;
  // Elements with the FIRST index varying fastest, so that changing the last dimension's high
  // bound (the only one VarArrayRedim changes) keeps every element in place.
  std::vector<Variant> Data;
  // Arrays of varByte (blobs, pictures) keep their bytes raw instead of 16 bytes per element;
  // VarArrayLock hands them out.
  std::vector<uint8_t> Bytes;
  bool Raw() const { return ElemType == varByte; }
};

struct Variant::Internal {
  static VarStr* Str(const Variant& V) { return static_cast<VarStr*>(V.FData.Ptr); }
  static VarArr* Arr(const Variant& V) { return static_cast<VarArr*>(V.FData.Ptr); }
  static IUnknown* Unk(const Variant& V) { return static_cast<IUnknown*>(V.FData.Ptr); }
  static Variant Make(TVarType T, Payload P) {
    Variant V;
    V.FType = T;
    V.FData = P;
    return V;
  }
  static Variant MakeString(TVarType T, std::string S) {
    Variant V;
    V.FType = T;
    V.FData.Ptr = S.empty() ? nullptr : new VarStr(std::move(S));
    return V;
  }
  // The array of V, unshared first (for a change in place).
  static VarArr* UniqueArr(Variant& V) {
    VarArr* A = Arr(V);
    if (A->Refs.load(std::memory_order_acquire) == 1) return A;
    VarArr* Copy = new VarArr;
    Copy->ElemType = A->ElemType;
    Copy->Bounds = A->Bounds;
    Copy->Data = A->Data;
    Copy->Bytes = A->Bytes;
    V.ReleasePayload();
    V.FData.Ptr = Copy;
    return Copy;
  }
  static Variant MakeArray(VarArr* A) {
    Variant V;
    V.FType = TVarType(varArray | A->ElemType);
    V.FData.Ptr = A;
    return V;
  }
};

using VI = Variant::Internal;

void Variant::AddRefPayload() const noexcept {
  if (!FData.Ptr) return;
  if (FType == varString || FType == varOleStr)
    VI::Str(*this)->Refs.fetch_add(1, std::memory_order_relaxed);
  else if (FType & varArray)
    VI::Arr(*this)->Refs.fetch_add(1, std::memory_order_relaxed);
  else
    VI::Unk(*this)->AddRef();
}

void Variant::ReleasePayload() noexcept {
  if (!FData.Ptr) return;
  if (FType == varString || FType == varOleStr) {
    VarStr* S = VI::Str(*this);
    if (S->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete S;
  } else if (FType & varArray) {
    VarArr* A = VI::Arr(*this);
    if (A->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete A;
  } else {
    VI::Unk(*this)->Release();
  }
}

// Both assignments read Other completely before releasing this variant's payload: Other may
// live inside the array that this variant is about to release (V = V.ElementRef({0})).
Variant& Variant::operator=(const Variant& Other) {
  if (this == &Other) return *this;
  TVarType T = Other.FType;
  Payload D = Other.FData;
  if (IsManagedType(T)) Other.AddRefPayload();
  if (IsManagedType(FType)) ReleasePayload();
  FType = T;
  FData = D;
  return *this;
}

Variant& Variant::operator=(Variant&& Other) noexcept {
  if (this == &Other) return *this;
  TVarType T = Other.FType;
  Payload D = Other.FData;
  Other.FType = varEmpty;
  Other.FData.I64 = 0;
  if (IsManagedType(FType)) ReleasePayload();
  FType = T;
  FData = D;
  return *this;
}

void Variant::Clear() noexcept {
  if (IsManagedType(FType)) ReleasePayload();
  FType = varEmpty;
  FData.I64 = 0;
}

bool Variant::AppendText(std::string_view S) {
  if (!IsString()) return false;
  if (S.empty()) return true;
  VarStr* Own = VI::Str(*this);
  if (!Own) {
    FData.Ptr = new VarStr(std::string(S));
  } else if (Own->Refs.load(std::memory_order_acquire) == 1) {
    Own->Text.append(S.data(), S.size());  // S may be this text itself: append handles that
  } else {
    std::string T;
    T.reserve(Own->Text.size() + S.size());
    T.append(Own->Text).append(S.data(), S.size());
    ReleasePayload();
    FData.Ptr = new VarStr(std::move(T));
  }
  return true;
}

Variant::Variant(const char* S) : Variant(std::string_view(S ? S : "")) {}
Variant::Variant(std::string_view S) : FType(varString) {
  FData.Ptr = S.empty() ? nullptr : new VarStr(std::string(S));
}
Variant::Variant(const std::string& S) : FType(varString) {
  FData.Ptr = S.empty() ? nullptr : new VarStr(S);
}
Variant::Variant(std::string&& S) : FType(varString) {
  FData.Ptr = S.empty() ? nullptr : new VarStr(std::move(S));
}

Variant::Variant(IDispatch* Disp) : FType(varDispatch) {
  IUnknown* U = Disp;
  FData.Ptr = U;
  if (U) U->AddRef();
}

Variant::Variant(IUnknown* Unk) : FType(varUnknown) {
  FData.Ptr = Unk;
  if (Unk) Unk->AddRef();
}

Variant Variant::FromDate(TDateTime V) noexcept {
  Payload P;
  P.Dbl = V;
  return VI::Make(varDate, P);
}

Variant Variant::FromCurrencyRaw(int64_t Scaled) noexcept {
  Payload P;
  P.I64 = Scaled;
  return VI::Make(varCurrency, P);
}

Variant Variant::FromOleStr(std::string S) { return VI::MakeString(varOleStr, std::move(S)); }

Variant Variant::FromError(int32_t Code) noexcept {
  Payload P;
  P.I64 = 0;
  P.I32 = Code;
  return VI::Make(varError, P);
}

Variant Variant::MakeNull() noexcept {
  Payload P;
  P.I64 = 0;
  return VI::Make(varNull, P);
}

const std::string& Variant::StrRef() const noexcept {
  static const std::string Empty;
  const VarStr* S = VI::Str(*this);
  return S ? S->Text : Empty;
}

Variant Null() { return Variant::MakeNull(); }
Variant Unassigned() { return Variant(); }
Variant EmptyParam() { return Variant::FromError(DISP_E_PARAMNOTFOUND); }

// ---------------------------------------------------------------------------------------------
// Errors.

std::string VarTypeAsText(TVarType T) {
  if (T & varArray) return "Array of " + VarTypeAsText(TVarType(T & varTypeMask));
  switch (T & varTypeMask) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varDispatch: return "Dispatch";
    case varError: return "Error";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varUnknown: return "Unknown";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varStrArg: return "StrArg";
    case varString: return "String";
    case varAny: return "Any";
  }
  return "$" + IntToHex(int(T & varTypeMask), 4);
}

[[noreturn]] static void CastError(TVarType From, TVarType To) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(From) +
                              ") into type (" + VarTypeAsText(To) + ")");
}
[[noreturn]] static void InvalidOp() { throw EVariantInvalidOpError("Invalid variant operation"); }
[[noreturn]] static void Overflow() { throw EVariantOverflowError("Variant overflow"); }
[[noreturn]] static void BadIndex() {
  throw EVariantBadIndexError("Variant or safe array index out of bounds");
}
[[noreturn]] static void NotAnArray() { throw EVariantNotAnArrayError("Variant is not an array"); }
[[noreturn]] static void InvalidArg() { throw EVariantInvalidArgError("Invalid argument"); }
[[noreturn]] static void BadVarType() { throw EVariantBadVarTypeError("Invalid variant type"); }

// ---------------------------------------------------------------------------------------------
// Conversions.

static bool IsIntType(TVarType T) {
  switch (T) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return true;
  }
  return false;
}

// Integer kinds that fit 32 bits signed; arithmetic on them gives varInteger.
static bool IsSmallIntType(TVarType T) { return IsIntType(T) && T != varLongWord && T != varInt64; }

static int64_t IntOf(const Variant& V) {
  const Variant::Payload& D = V.Data();
  switch (V.VType()) {
    case varSmallint: return D.I16;
    case varInteger: return D.I32;
    case varShortInt: return D.I8;
    case varByte: return D.U8;
    case varWord: return D.U16;
    case varLongWord: return D.U32;
    default: return D.I64;
  }
}

// Rounds halves to the even neighbour (the processor's default rounding) into int64, or raises
// the variant overflow error.
static int64_t RoundToInt64(double X) {
  if (std::isnan(X)) Overflow();
  double R = std::nearbyint(X);
  if (!(R >= -9223372036854775808.0 && R < 9223372036854775808.0)) Overflow();
  return int64_t(R);
}

static int64_t RoundCurrencyToInt(int64_t Raw) {
  int64_t Q = Raw / 10000, Rem = Raw % 10000;
  if (Rem > 5000 || (Rem == 5000 && (Q & 1))) ++Q;
  else if (Rem < -5000 || (Rem == -5000 && (Q & 1))) --Q;
  return Q;
}

static int64_t DoubleToCurrencyRaw(double X) {
  // The currency range is +-922337203685477.5807.
  double Scaled = X * 10000.0;
  if (std::isnan(Scaled) || !(Scaled >= -9223372036854775808.0 && Scaled < 9223372036854775808.0))
    Overflow();
  return RoundToInt64(Scaled);
}

Variant Variant::FromCurrency(double V) { return FromCurrencyRaw(DoubleToCurrencyRaw(V)); }

static int64_t ToInt64(const Variant& V, TVarType Target) {
  TVarType T = V.VType();
  if (IsIntType(T)) return IntOf(V);
  const Variant::Payload& D = V.Data();
  switch (T) {
    case varEmpty: return 0;
    case varBoolean: return D.Bool ? -1 : 0;
    case varSingle: return RoundToInt64(D.Sgl);
    case varDouble:
    case varDate: return RoundToInt64(D.Dbl);
    case varCurrency: return RoundCurrencyToInt(D.I64);
    case varString:
    case varOleStr: {
      const std::string& S = V.StrRef();
      int64_t I;
      if (TryStrToInt64(S, I)) return I;
      double F;
      if (TryStrToFloat(S, F)) return RoundToInt64(F);
      break;
    }
  }
  CastError(T, Target);
}

static double ToDouble(const Variant& V, TVarType Target) {
  TVarType T = V.VType();
  if (IsIntType(T)) return double(IntOf(V));
  const Variant::Payload& D = V.Data();
  switch (T) {
    case varEmpty: return 0;
    case varBoolean: return D.Bool ? -1 : 0;
    case varSingle: return D.Sgl;
    case varDouble:
    case varDate: return D.Dbl;
    case varCurrency: return double(D.I64) / 10000.0;
    case varString:
    case varOleStr: {
      double F;
      if (TryStrToFloat(V.StrRef(), F)) return F;
      if (Target == varDate && TryStrToDateTime(V.StrRef(), F)) return F;
      break;
    }
  }
  CastError(T, Target);
}

static int64_t ToCurrencyRaw(const Variant& V) {
  TVarType T = V.VType();
  if (T == varCurrency) return V.Data().I64;
  if (IsIntType(T) || T == varBoolean || T == varEmpty) {
    int64_t I = ToInt64(V, varCurrency), R;
    if (__builtin_mul_overflow(I, int64_t(10000), &R)) Overflow();
    return R;
  }
  return DoubleToCurrencyRaw(ToDouble(V, varCurrency));
}

int64_t Variant::AsInt64() const { return ToInt64(*this, varInt64); }

int32_t Variant::AsInteger() const {
  if (FType == varInteger) return FData.I32;
  int64_t I = ToInt64(*this, varInteger);
  if (I < INT32_MIN || I > INT32_MAX) Overflow();
  return int32_t(I);
}

double Variant::AsFloat() const {
  if (FType == varDouble) return FData.Dbl;
  return ToDouble(*this, varDouble);
}

TDateTime Variant::AsDateTime() const { return ToDouble(*this, varDate); }
int64_t Variant::AsCurrencyRaw() const { return ToCurrencyRaw(*this); }
double Variant::AsCurrency() const { return double(ToCurrencyRaw(*this)) / 10000.0; }

bool Variant::AsBoolean() const {
  if (IsIntType(FType)) return IntOf(*this) != 0;
  switch (FType) {
    case varBoolean: return FData.Bool;
    case varEmpty: return false;
    case varSingle: return FData.Sgl != 0;
    case varDouble:
    case varDate: return FData.Dbl != 0;
    case varCurrency: return FData.I64 != 0;
    case varString:
    case varOleStr: {
      bool B;
      if (TryStrToBool(StrRef(), B)) return B;
      break;
    }
  }
  CastError(FType, varBoolean);
}

std::string Variant::AsString() const {
  if (IsString()) return StrRef();
  if (IsIntType(FType)) return IntToStr(IntOf(*this));
  switch (FType) {
    case varEmpty: return std::string();
    case varBoolean: return FData.Bool ? "True" : "False";
    // A single has about 7 significant digits; more would print its binary noise.
    case varSingle: return FloatToStrF(FData.Sgl, ffGeneral, 7, 0);
    case varDouble: return FloatToStr(FData.Dbl);
    case varDate: return DateTimeToStr(FData.Dbl);
    case varCurrency: return CurrToStr(double(FData.I64) / 10000.0);
  }
  CastError(FType, varString);
}

IUnknown* Variant::AsUnknown() const {
  if (FType == varUnknown || FType == varDispatch) return VI::Unk(*this);
  if (FType == varEmpty) return nullptr;
  CastError(FType, varUnknown);
}

IDispatch* Variant::AsDispatch() const {
  if (FType == varDispatch) return static_cast<IDispatch*>(VI::Unk(*this));
  if (FType == varEmpty) return nullptr;
  if (FType == varUnknown && FData.Ptr) {
    void* Obj = nullptr;
    if (VI::Unk(*this)->QueryInterface(IID_IDispatch, &Obj) == S_OK && Obj) {
      // The variant keeps the object alive; the caller takes no reference.
      IDispatch* D = static_cast<IDispatch*>(Obj);
      D->Release();
      return D;
    }
  }
  CastError(FType, varDispatch);
}

int32_t Variant::AsError() const {
  if (FType == varError) return FData.I32;
  CastError(FType, varError);
}

// ---------------------------------------------------------------------------------------------
// Type queries.

TVarType VarType(const Variant& V) { return V.VType(); }
bool VarIsNull(const Variant& V) { return V.IsNull(); }
bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
bool VarIsClear(const Variant& V) {
  return V.IsEmpty() || ((V.VType() == varDispatch || V.VType() == varUnknown) && !V.Data().Ptr);
}
bool VarIsEmptyParam(const Variant& V) {
  return V.VType() == varError && V.Data().I32 == DISP_E_PARAMNOTFOUND;
}
bool VarIsArray(const Variant& V) { return V.IsArray(); }
bool VarIsStr(const Variant& V) { return V.IsString(); }
bool VarIsNumeric(const Variant& V) {
  TVarType T = V.VType();
  return IsIntType(T) || T == varSingle || T == varDouble || T == varCurrency;
}
bool VarIsOrdinal(const Variant& V) { return IsIntType(V.VType()) || V.VType() == varBoolean; }
bool VarIsFloat(const Variant& V) {
  TVarType T = V.VType();
  return T == varSingle || T == varDouble || T == varCurrency || T == varDate;
}
bool VarIsType(const Variant& V, TVarType T) { return V.VType() == T; }
void VarClear(Variant& V) { V.Clear(); }

std::string VarToStr(const Variant& V) { return V.IsNull() ? std::string() : V.AsString(); }
TDateTime VarToDateTime(const Variant& V) { return V.AsDateTime(); }
Variant VarFromDateTime(TDateTime DateTime) { return Variant::FromDate(DateTime); }
std::string VarToStrDef(const Variant& V, const std::string& Default) {
  return V.IsNull() || V.IsEmpty() ? Default : V.AsString();
}

// Integer of the given kind with a range check.
template <class T> static T CheckedNarrow(int64_t I) {
  if (I < int64_t(std::numeric_limits<T>::min()) || I > int64_t(std::numeric_limits<T>::max()))
    Overflow();
  return T(I);
}

Variant VarAsType(const Variant& V, TVarType T) {
  if (V.VType() == T || T == varVariant) return V;
  switch (T) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varSmallint: return Variant(CheckedNarrow<int16_t>(ToInt64(V, T)));
    case varInteger: return Variant(CheckedNarrow<int32_t>(ToInt64(V, T)));
    case varShortInt: return Variant(CheckedNarrow<int8_t>(ToInt64(V, T)));
    case varByte: return Variant(CheckedNarrow<uint8_t>(ToInt64(V, T)));
    case varWord: return Variant(CheckedNarrow<uint16_t>(ToInt64(V, T)));
    case varLongWord: return Variant(CheckedNarrow<uint32_t>(ToInt64(V, T)));
    case varInt64: return Variant(ToInt64(V, T));
    case varSingle: {
      double D = ToDouble(V, T);
      if (std::isfinite(D) && std::fabs(D) > double(std::numeric_limits<float>::max()))
        Overflow();
      return Variant(float(D));
    }
    case varDouble: return Variant(ToDouble(V, T));
    case varDate: return Variant::FromDate(ToDouble(V, T));
    case varCurrency: return Variant::FromCurrencyRaw(ToCurrencyRaw(V));
    case varBoolean: return Variant(V.AsBoolean());
    case varString:
    case varOleStr: {
      if (V.IsNull()) CastError(varNull, T);
      std::string S = V.AsString();
      return T == varString ? Variant(std::move(S)) : Variant::FromOleStr(std::move(S));
    }
    case varDispatch: return Variant(V.AsDispatch());
    case varUnknown: return Variant(V.AsUnknown());
  }
  if (T & varArray) CastError(V.VType(), T);
  BadVarType();
}

// ---------------------------------------------------------------------------------------------
// Operators.

namespace {

// How an operand takes part in arithmetic.
enum class K { Int, Int64, Float, Currency, Date, Bool, String, Empty };

K KindOf(const Variant& V) {
  TVarType T = V.VType();
  if (IsSmallIntType(T)) return K::Int;
  switch (T) {
    case varLongWord:
    case varInt64: return K::Int64;
    case varSingle:
    case varDouble: return K::Float;
    case varCurrency: return K::Currency;
    case varDate: return K::Date;
    case varBoolean: return K::Bool;
    case varString:
    case varOleStr: return K::String;
    case varEmpty: return K::Empty;
  }
  InvalidOp();  // Null, arrays, objects, errors
}

Variant IntResult(int64_t R, bool Wide) {
  if (!Wide && R >= INT32_MIN && R <= INT32_MAX) return Variant(int32_t(R));
  return Variant(R);
}

Variant FloatOp(TVarOp Op, double A, double B) {
  switch (Op) {
    case opAdd: return Variant(A + B);
    case opSubtract: return Variant(A - B);
    case opMultiply: return Variant(A * B);
    default:
      if (B == 0) {
        if (A == 0 || std::isnan(A)) throw EInvalidOp("Invalid floating point operation");
        throw EZeroDivide("Floating point division by zero");
      }
      return Variant(A / B);
  }
}

// Integer +, -, * with promotion to Int64 and, beyond that, to Double.
Variant IntArith(TVarOp Op, int64_t A, int64_t B, bool Wide) {
  int64_t R;
  bool Ovf;
  switch (Op) {
    case opAdd: Ovf = __builtin_add_overflow(A, B, &R); break;
    case opSubtract: Ovf = __builtin_sub_overflow(A, B, &R); break;
    default: Ovf = __builtin_mul_overflow(A, B, &R); break;
  }
  if (Ovf) return FloatOp(Op, double(A), double(B));
  return IntResult(R, Wide);
}

Variant CurrencyArith(TVarOp Op, const Variant& L, const Variant& R) {
  int64_t A = ToCurrencyRaw(L), B = ToCurrencyRaw(R), Res;
  switch (Op) {
    case opAdd:
      if (__builtin_add_overflow(A, B, &Res)) Overflow();
      return Variant::FromCurrencyRaw(Res);
    case opSubtract:
      if (__builtin_sub_overflow(A, B, &Res)) Overflow();
      return Variant::FromCurrencyRaw(Res);
    default: {
      // Raw values carry four decimals each; the product is rescaled with halves to even.
      __int128 P = __int128(A) * B;
      __int128 Q = P / 10000, Rem = P % 10000;
      if (Rem > 5000 || (Rem == 5000 && (Q & 1))) ++Q;
      else if (Rem < -5000 || (Rem == -5000 && (Q & 1))) --Q;
      if (Q > INT64_MAX || Q < INT64_MIN) Overflow();
      return Variant::FromCurrencyRaw(int64_t(Q));
    }
  }
}

// Text beside a number converts to a number; the form of the other operand decides whether an
// integer or a float is enough.
double StringToNumber(const Variant& V) { return ToDouble(V, varDouble); }

Variant Arith(TVarOp Op, const Variant& L, const Variant& R) {
  K A = KindOf(L), B = KindOf(R);
  if (Op == opAdd && (A == K::String || B == K::String) &&
      (A == K::String || A == K::Empty) && (B == K::String || B == K::Empty)) {
    const std::string& X = L.StrRef();
    const std::string& Y = R.StrRef();
    if (A == K::Empty) return R.VType() == varOleStr ? R : Variant(Y);
    if (B == K::Empty) return L;
    std::string S;
    S.reserve(X.size() + Y.size());
    S.append(X).append(Y);
    return L.VType() == varOleStr && R.VType() == varOleStr ? Variant::FromOleStr(std::move(S))
                                                           : Variant(std::move(S));
  }
  if (Op == opDivide) return FloatOp(Op, ToDouble(L, varDouble), ToDouble(R, varDouble));
  if (A == K::String || B == K::String) {
    double X = A == K::String ? StringToNumber(L) : ToDouble(L, varDouble);
    double Y = B == K::String ? StringToNumber(R) : ToDouble(R, varDouble);
    return FloatOp(Op, X, Y);
  }
  if (A == K::Date || B == K::Date) {
    double X = ToDouble(L, varDouble), Y = ToDouble(R, varDouble);
    Variant Res = FloatOp(Op, X, Y);
    // A date moved by a number stays a date; the distance of two dates is a number.
    bool KeepDate = (Op == opAdd && !(A == K::Date && B == K::Date)) ||
                    (Op == opSubtract && A == K::Date && B != K::Date);
    return KeepDate ? Variant::FromDate(Res.Data().Dbl) : Res;
  }
  if (A == K::Float || B == K::Float) return FloatOp(Op, ToDouble(L, varDouble), ToDouble(R, varDouble));
  if (A == K::Currency || B == K::Currency) return CurrencyArith(Op, L, R);
  bool Wide = A == K::Int64 || B == K::Int64;
  return IntArith(Op, ToInt64(L, varInt64), ToInt64(R, varInt64), Wide);
}

bool IsWideInt(const Variant& V) {
  TVarType T = V.VType();
  if (T == varLongWord || T == varInt64) return true;
  if (T == varSingle || T == varDouble || T == varDate || T == varCurrency || V.IsString()) {
    // A float or text operand is wide only when its value needs it.
    int64_t I = ToInt64(V, varInt64);
    return I < INT32_MIN || I > INT32_MAX;
  }
  return false;
}

Variant IntOp(TVarOp Op, const Variant& L, const Variant& R) {
  KindOf(L);  // rejects Null, arrays and objects
  KindOf(R);
  int64_t A = ToInt64(L, varInt64), B = ToInt64(R, varInt64);
  bool Wide = IsWideInt(L) || IsWideInt(R);
  switch (Op) {
    case opIntDivide:
    case opModulus:
      if (B == 0) throw EDivByZero("Division by zero");
      if (A == INT64_MIN && B == -1) {
        if (Op == opModulus) return IntResult(0, Wide);
        Overflow();
      }
      return IntResult(Op == opIntDivide ? A / B : A % B, Wide);
    case opShiftLeft:
    case opShiftRight: {
      // Shifts are logical and count modulo the operand width, as on the platform.
      if (Wide) {
        uint64_t U = uint64_t(A);
        unsigned N = unsigned(B) & 63;
        return Variant(int64_t(Op == opShiftLeft ? U << N : U >> N));
      }
      uint32_t U = uint32_t(A);
      unsigned N = unsigned(B) & 31;
      return Variant(int32_t(Op == opShiftLeft ? U << N : U >> N));
    }
    default: break;
  }
  // and / or / xor on integers: bitwise.
  int64_t Res = Op == opAnd ? (A & B) : Op == opOr ? (A | B) : (A ^ B);
  if (!Wide) Res = int32_t(Res);
  return IntResult(Res, Wide);
}

bool BoolOperand(const Variant& V, bool& B) {
  if (V.VType() == varBoolean) { B = V.Data().Bool; return true; }
  return false;
}

Variant Logic(TVarOp Op, const Variant& L, const Variant& R) {
  KindOf(L);
  KindOf(R);
  bool A, B;
  bool LB = BoolOperand(L, A), RB = BoolOperand(R, B);
  // Two Booleans, or a Boolean beside text or Unassigned, combine as Booleans.
  if ((LB || RB) && (LB || L.IsString() || L.IsEmpty()) && (RB || R.IsString() || R.IsEmpty())) {
    if (!LB) A = L.AsBoolean();
    if (!RB) B = R.AsBoolean();
    return Variant(Op == opAnd ? (A && B) : Op == opOr ? (A || B) : (A != B));
  }
  return IntOp(Op, L, R);
}

// Result of comparing two values: -1, 0, 1, or 2 when they cannot be ordered.
constexpr int Unordered = 2;

int Sign(double A, double B) {
  if (A < B) return -1;
  if (A > B) return 1;
  if (A == B) return 0;
  return Unordered;  // NaN
}

int Compare(const Variant& L, const Variant& R) {
  TVarType TL = L.VType(), TR = R.VType();
  if (TL == varNull || TR == varNull) return TL == TR ? 0 : Unordered;
  if (TL == varInteger && TR == varInteger) {
    int32_t A = L.Data().I32, B = R.Data().I32;
    return A < B ? -1 : A > B ? 1 : 0;
  }
  if (TL == varDouble && TR == varDouble) return Sign(L.Data().Dbl, R.Data().Dbl);
  if ((TL == varDispatch || TL == varUnknown) && (TR == varDispatch || TR == varUnknown))
    return L.Data().Ptr == R.Data().Ptr ? 0 : Unordered;
  K A = KindOf(L), B = KindOf(R);
  if ((A == K::String || A == K::Empty) && (B == K::String || B == K::Empty)) {
    int C = L.StrRef().compare(R.StrRef());
    return C < 0 ? -1 : C > 0 ? 1 : 0;
  }
  if (A == K::Bool && B == K::Bool) return int(L.Data().Bool) - int(R.Data().Bool);
  if (A == K::Bool || B == K::Bool) {
    // A Boolean beside text compares as Booleans; beside a number as -1 / 0.
    if (A == K::String || B == K::String) return int(L.AsBoolean()) - int(R.AsBoolean());
  }
  if ((A == K::Int || A == K::Int64 || A == K::Bool || A == K::Empty) &&
      (B == K::Int || B == K::Int64 || B == K::Bool || B == K::Empty)) {
    int64_t X = ToInt64(L, varInt64), Y = ToInt64(R, varInt64);
    return X < Y ? -1 : X > Y ? 1 : 0;
  }
  if (A == K::Currency && B == K::Currency) {
    int64_t X = L.Data().I64, Y = R.Data().I64;
    return X < Y ? -1 : X > Y ? 1 : 0;
  }
  return Sign(ToDouble(L, varDouble), ToDouble(R, varDouble));
}

}  // namespace

Variant VarBinaryOp(TVarOp Op, const Variant& L, const Variant& R) {
  // The frequent cases first: two integers, two doubles.
  if (L.VType() == varInteger && R.VType() == varInteger && Op <= opMultiply) {
    int64_t A = L.Data().I32, B = R.Data().I32;
    return IntResult(Op == opAdd ? A + B : Op == opSubtract ? A - B : A * B, false);
  }
  if (Op <= opDivide) {
    // Doubles beside doubles or Integers: no conversion rules to consult.
    TVarType TL = L.VType(), TR = R.VType();
    if ((TL == varDouble || TL == varInteger) && (TR == varDouble || TR == varInteger) &&
        (TL == varDouble || TR == varDouble)) {
      double A = TL == varDouble ? L.Data().Dbl : L.Data().I32;
      double B = TR == varDouble ? R.Data().Dbl : R.Data().I32;
      return FloatOp(Op, A, B);
    }
  }
  switch (Op) {
    case opAdd:
    case opSubtract:
    case opMultiply:
    case opDivide: return Arith(Op, L, R);
    case opIntDivide:
    case opModulus:
    case opShiftLeft:
    case opShiftRight: return IntOp(Op, L, R);
    case opAnd:
    case opOr:
    case opXor: return Logic(Op, L, R);
    case opCmpEQ: case opCmpNE: case opCmpLT: case opCmpLE: case opCmpGT: case opCmpGE:
      return Variant(VarCompareOp(Op, L, R));
    default: InvalidOp();
  }
}

bool VarCompareOp(TVarOp Op, const Variant& L, const Variant& R) {
  if (Op != opCmpEQ && Op != opCmpNE && (L.IsNull() || R.IsNull())) InvalidOp();
  if ((L.IsArray() || R.IsArray())) InvalidOp();
  int C = Compare(L, R);
  switch (Op) {
    case opCmpEQ: return C == 0;
    case opCmpNE: return C != 0;
    case opCmpLT: return C == -1;
    case opCmpLE: return C == -1 || C == 0;
    case opCmpGT: return C == 1;
    case opCmpGE: return C == 1 || C == 0;
    default: InvalidOp();
  }
}

Variant VarUnaryOp(TVarOp Op, const Variant& V) {
  K A = KindOf(V);
  if (Op == opNegate) {
    switch (A) {
      case K::Float: return V.VType() == varSingle ? Variant(-V.Data().Sgl) : Variant(-V.Data().Dbl);
      case K::Date: return Variant::FromDate(-V.Data().Dbl);
      case K::Currency:
        if (V.Data().I64 == INT64_MIN) Overflow();
        return Variant::FromCurrencyRaw(-V.Data().I64);
      case K::String: return Variant(-StringToNumber(V));
      default: return IntArith(opSubtract, 0, ToInt64(V, varInt64), A == K::Int64);
    }
  }
  if (Op != opNot) InvalidOp();
  if (A == K::Bool) return Variant(!V.Data().Bool);
  if (A == K::String) {
    // "True"/"False" text negates as a Boolean, numeric text as an integer.
    int64_t I;
    bool B;
    if (!TryStrToInt64(V.StrRef(), I) && TryStrToBool(V.StrRef(), B)) return Variant(!B);
  }
  bool Wide = IsWideInt(V);
  int64_t I = ~ToInt64(V, varInt64);
  return IntResult(Wide ? I : int32_t(I), Wide);
}

Variant operator+(const Variant& L, const Variant& R) { return VarBinaryOp(opAdd, L, R); }
Variant operator-(const Variant& L, const Variant& R) { return VarBinaryOp(opSubtract, L, R); }
Variant operator*(const Variant& L, const Variant& R) { return VarBinaryOp(opMultiply, L, R); }
Variant operator/(const Variant& L, const Variant& R) { return VarBinaryOp(opDivide, L, R); }
Variant operator%(const Variant& L, const Variant& R) { return VarBinaryOp(opModulus, L, R); }
Variant VarIntDiv(const Variant& L, const Variant& R) { return VarBinaryOp(opIntDivide, L, R); }
Variant operator&(const Variant& L, const Variant& R) { return VarBinaryOp(opAnd, L, R); }
Variant operator|(const Variant& L, const Variant& R) { return VarBinaryOp(opOr, L, R); }
Variant operator^(const Variant& L, const Variant& R) { return VarBinaryOp(opXor, L, R); }
Variant operator<<(const Variant& L, const Variant& R) { return VarBinaryOp(opShiftLeft, L, R); }
Variant operator>>(const Variant& L, const Variant& R) { return VarBinaryOp(opShiftRight, L, R); }
Variant operator-(const Variant& V) { return VarUnaryOp(opNegate, V); }
Variant operator~(const Variant& V) { return VarUnaryOp(opNot, V); }
Variant& operator+=(Variant& L, const Variant& R) { return L = VarBinaryOp(opAdd, L, R); }
Variant& operator-=(Variant& L, const Variant& R) { return L = VarBinaryOp(opSubtract, L, R); }
bool operator==(const Variant& L, const Variant& R) { return VarCompareOp(opCmpEQ, L, R); }
bool operator!=(const Variant& L, const Variant& R) { return VarCompareOp(opCmpNE, L, R); }
bool operator<(const Variant& L, const Variant& R) { return VarCompareOp(opCmpLT, L, R); }
bool operator<=(const Variant& L, const Variant& R) { return VarCompareOp(opCmpLE, L, R); }
bool operator>(const Variant& L, const Variant& R) { return VarCompareOp(opCmpGT, L, R); }
bool operator>=(const Variant& L, const Variant& R) { return VarCompareOp(opCmpGE, L, R); }

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B) {
  if (A.IsArray() || B.IsArray()) return vrNotEqual;
  int C;
  try {
    C = Compare(A, B);
  } catch (const Exception&) {
    return vrNotEqual;
  }
  return C == 0 ? vrEqual : C == -1 ? vrLessThan : C == 1 ? vrGreaterThan : vrNotEqual;
}

bool VarSameValue(const Variant& A, const Variant& B) {
  if (A.VType() != B.VType()) return false;
  if (A.IsArray()) {
    if (A.Data().Ptr == B.Data().Ptr) return true;
    const VarArr* X = VI::Arr(A);
    const VarArr* Y = VI::Arr(B);
    if (X->Bounds.size() != Y->Bounds.size()) return false;
    for (size_t I = 0; I < X->Bounds.size(); ++I)
      if (X->Bounds[I].LowBound != Y->Bounds[I].LowBound ||
          X->Bounds[I].HighBound != Y->Bounds[I].HighBound)
        return false;
    if (X->Bytes != Y->Bytes) return false;
    for (size_t I = 0; I < X->Data.size(); ++I)
      if (!VarSameValue(X->Data[I], Y->Data[I])) return false;
    return true;
  }
  if (A.IsString()) return A.StrRef() == B.StrRef();
  switch (A.VType()) {
    case varEmpty:
    case varNull: return true;
    case varSingle: return A.Data().Sgl == B.Data().Sgl;
    case varDouble:
    case varDate: return A.Data().Dbl == B.Data().Dbl;
    case varBoolean: return A.Data().Bool == B.Data().Bool;
    case varError: return A.Data().I32 == B.Data().I32;
    case varDispatch:
    case varUnknown: return A.Data().Ptr == B.Data().Ptr;
  }
  return IntOf(A) == IntOf(B) && (A.VType() != varCurrency || A.Data().I64 == B.Data().I64);
}

// ---------------------------------------------------------------------------------------------
// Variant arrays.

static bool ValidElementType(TVarType T) {
  switch (T) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varDate: case varOleStr: case varDispatch: case varError: case varBoolean:
    case varVariant: case varUnknown: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varString:
      return true;
  }
  return false;
}

// The value a new element of type T starts with.
static Variant ZeroOf(TVarType T) {
  switch (T) {
    case varVariant: return Variant();
    case varString: return Variant(std::string());
    case varOleStr: return Variant::FromOleStr(std::string());
    case varDispatch: return Variant(static_cast<IDispatch*>(nullptr));
    case varUnknown: return Variant(static_cast<IUnknown*>(nullptr));
    case varError: return Variant::FromError(0);
    case varBoolean: return Variant(false);
  }
  return VarAsType(Variant(int32_t(0)), T);
}

static Variant CreateArray(const int* Bounds, size_t Count, TVarType ElementType) {
  if (Count == 0 || Count % 2 != 0) InvalidArg();
  if (!ValidElementType(ElementType)) BadVarType();
  auto* A = new VarArr;
  A->ElemType = ElementType;
  Variant Result = VI::MakeArray(A);  // owns A from here on
  int64_t Total = 1;
  for (size_t I = 0; I < Count; I += 2) {
    if (int64_t(Bounds[I + 1]) < int64_t(Bounds[I]) - 1) InvalidArg();
    A->Bounds.push_back({Bounds[I], Bounds[I + 1]});
    Total *= int64_t(Bounds[I + 1]) - Bounds[I] + 1;
    if (Total > (int64_t(1) << 31)) throw EOutOfMemory("Out of memory");
  }
  if (A->Raw())
    A->Bytes.assign(size_t(Total), 0);
  else
    A->Data.assign(size_t(Total), ZeroOf(ElementType));
  return Result;
}

Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType ElementType) {
  return CreateArray(Bounds.begin(), Bounds.size(), ElementType);
}

Variant VarArrayCreate(const std::vector<int>& Bounds, TVarType ElementType) {
  return CreateArray(Bounds.data(), Bounds.size(), ElementType);
}

Variant VarArrayOf(const std::vector<Variant>& Values) {
  auto* A = new VarArr;
  Variant Result = VI::MakeArray(A);
  A->Bounds.push_back({0, int(Values.size()) - 1});
  A->Data = Values;
  return Result;
}

Variant VarArrayOf(std::initializer_list<Variant> Values) {
  return VarArrayOf(std::vector<Variant>(Values));
}

static const VarArr* ArrOf(const Variant& A) {
  if (!A.IsArray()) NotAnArray();
  return VI::Arr(A);
}

int VarArrayDimCount(const Variant& A) {
  return A.IsArray() ? int(VI::Arr(A)->Bounds.size()) : 0;
}

static const TVarArrayBound& BoundOf(const Variant& A, int Dim) {
  const VarArr* Arr = ArrOf(A);
  if (Dim < 1 || Dim > int(Arr->Bounds.size())) BadIndex();
  return Arr->Bounds[Dim - 1];
}

int VarArrayLowBound(const Variant& A, int Dim) { return BoundOf(A, Dim).LowBound; }
int VarArrayHighBound(const Variant& A, int Dim) { return BoundOf(A, Dim).HighBound; }
TVarType VarArrayElementType(const Variant& A) { return ArrOf(A)->ElemType; }

void VarArrayRedim(Variant& A, int HighBound) {
  ArrOf(A);
  VarArr* Arr = VI::UniqueArr(A);
  TVarArrayBound& Last = Arr->Bounds.back();
  if (int64_t(HighBound) < int64_t(Last.LowBound) - 1) InvalidArg();
  int64_t Slice = 1;
  for (size_t I = 0; I + 1 < Arr->Bounds.size(); ++I) Slice *= Arr->Bounds[I].ElementCount();
  int64_t Total = Slice * (int64_t(HighBound) - Last.LowBound + 1);
  if (Total > (int64_t(1) << 31)) throw EOutOfMemory("Out of memory");
  Last.HighBound = HighBound;
  if (Arr->Raw())
    Arr->Bytes.resize(size_t(Total), 0);
  else
    Arr->Data.resize(size_t(Total), ZeroOf(Arr->ElemType));
}

static size_t LinearIndex(const VarArr* A, const int* Indices, int Count) {
  if (Count != int(A->Bounds.size())) BadIndex();
  size_t Pos = 0, Stride = 1;
  for (int I = 0; I < Count; ++I) {
    const TVarArrayBound& B = A->Bounds[I];
    if (Indices[I] < B.LowBound || Indices[I] > B.HighBound) BadIndex();
    Pos += size_t(int64_t(Indices[I]) - B.LowBound) * Stride;
    Stride *= size_t(B.ElementCount());
  }
  return Pos;
}

Variant Variant::GetElement(const int* Indices, int Count) const {
  const VarArr* A = ArrOf(*this);
  size_t Pos = LinearIndex(A, Indices, Count);
  return A->Raw() ? Variant(A->Bytes[Pos]) : A->Data[Pos];
}

Variant Variant::GetElement(std::initializer_list<int> Indices) const {
  return GetElement(Indices.begin(), int(Indices.size()));
}

void Variant::PutElement(const int* Indices, int Count, const Variant& Value) {
  const VarArr* A = ArrOf(*this);
  size_t Pos = LinearIndex(A, Indices, Count);  // check before copying a shared array
  // Convert first: a failed conversion leaves the array as it was.
  Variant Stored = A->ElemType == varVariant ? Value : VarAsType(Value, A->ElemType);
  VarArr* U = VI::UniqueArr(*this);
  if (U->Raw())
    U->Bytes[Pos] = Stored.Data().U8;
  else
    U->Data[Pos] = std::move(Stored);
}

void Variant::PutElement(std::initializer_list<int> Indices, const Variant& Value) {
  PutElement(Indices.begin(), int(Indices.size()), Value);
}

Variant& Variant::ElementRef(const int* Indices, int Count) {
  const VarArr* A = ArrOf(*this);
  if (A->ElemType != varVariant) InvalidOp();
  size_t Pos = LinearIndex(A, Indices, Count);
  return VI::UniqueArr(*this)->Data[Pos];
}

Variant& Variant::ElementRef(std::initializer_list<int> Indices) {
  return ElementRef(Indices.begin(), int(Indices.size()));
}

Variant VarArrayGet(const Variant& A, std::initializer_list<int> Indices) {
  return A.GetElement(Indices);
}

void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<int> Indices) {
  A.PutElement(Indices, Value);
}

// ---------------------------------------------------------------------------------------------
// Objects as 32-bit handles.

Variant VarFromObject(TObject* Obj) { return Variant(int32_t(ObjectHandle(Obj))); }

TObject* VarToObject(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  // Handles above the signed range travel as negative Integers; both forms name the same value.
  int64_t H = V.AsInt64();
  if (H < INT32_MIN || H > int64_t(UINT32_MAX)) return nullptr;
  return HandleObject(uint32_t(H));
}

void* VarArrayLock(Variant& A) {
  ArrOf(A);
  if (VI::Arr(A)->ElemType != varByte) InvalidOp();
  VarArr* U = VI::UniqueArr(A);
  return U->Bytes.data();
}

void VarArrayUnlock(Variant& A) { ArrOf(A); }

// ---------------------------------------------------------------------------------------------
// Printing.

std::ostream& operator<<(std::ostream& Out, const Variant& V) {
  Out << VarTypeAsText(V.VType());
  if (V.IsArray()) {
    for (int D = 1; D <= VarArrayDimCount(V); ++D)
      Out << "[" << VarArrayLowBound(V, D) << ".." << VarArrayHighBound(V, D) << "]";
    return Out;
  }
  switch (V.VType()) {
    case varEmpty:
    case varNull: return Out;
    case varDispatch:
    case varUnknown: return Out << ": " << V.Data().Ptr;
    case varError: return Out << ": " << IntToHex(uint32_t(V.Data().I32), 8);
  }
  return Out << ": " << V.AsString();
}

void PrintTo(const Variant& V, std::ostream* Out) { *Out << V; }
