// Run-time type information of published properties.
//
// One description per property serves the report file format (attributes written from published
// properties, defaults not stored), the script engine (properties read and written by name,
// enumerations by value name, events bound by handler) and the object inspector (rows by kind
// and type name). A class describes its properties once, in its static Publish function:
//
//     void TMyView::Publish(TPublisher<TMyView>& P) {
//       P.Prop("Left", &TMyView::Left, &TMyView::SetLeft);                  // float: always stored
//       P.Prop("Color", &TMyView::Color, &TMyView::SetColor).Type("TColor").Default(clNone);
//       P.Prop("Align", &TMyView::FAlign).Default(alNone);                  // field, read+write
//       P.Prop("Font", &TMyView::Font, &TMyView::SetFont).Stored(&TMyView::IsFontStored);
//       P.Prop("Count", &TMyView::Count);                                   // read-only
//       P.Event("OnClick", &TMyView::OnClick).Type("TNotifyEvent");
//       P.Prop("OnChange", &TMyView::OnChange, &TMyView::SetOnChange).Type("TNotifyEvent");
//     }
//
// The kind comes from the C++ type: integers tkInteger (64-bit ones tkInt64), char tkChar,
// char16_t/wchar_t tkWChar, bool and enums with ORV_ENUM_TYPEINFO tkEnumeration, TSet<E>
// tkSet, float/double/long double tkFloat, std::string tkLString, pointers to TObject classes
// tkClass, std::function members tkMethod, Variant tkVariant. Type("TColor") renames the type
// (TColor, TCursor, TComponentName, TDateTime, TrptNotifyEvent ...); every use of one name gives
// the same PTypeInfo, so registries keyed by type information work.
//
// Property list order: the ancestors' properties first, then each class's own in the order of its
// Publish; a property published again by a descendant (same name) keeps its ancestor's position
// and takes the descendant's accessors, default and stored rule. P.Redeclare("Color") changes
// only the default or stored rule of an inherited property.
//
// Errors: EPropertyError "Property %s does not exist" (by-name functions), "Property %s is
// read-only"; EPropertyConvertError "Invalid property type: %s" for a call of the wrong kind.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/sysutils.h"

class Variant;

// "Property %s does not exist", "Property %s is read-only"
ORV_EXCEPTION(EPropertyError, Exception)
// "Invalid property type: %s" (a value of the wrong kind for the property)
ORV_EXCEPTION(EPropertyConvertError, Exception)

enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
using TTypeKinds = uint32_t;  // bit (1 << kind) per kind
constexpr TTypeKinds TypeKindBit(TTypeKind k) { return TTypeKinds(1) << k; }
constexpr TTypeKinds tkAny = 0x3FFFF;
constexpr TTypeKinds tkMethods = TypeKindBit(tkMethod);
constexpr TTypeKinds tkProperties = tkAny & ~tkMethods;

enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  std::string Name;
  // Ordinal kinds (integer, char, enumeration, int64): storage and range.
  TOrdType OrdType = otSLong;
  int64_t MinValue = 0;
  int64_t MaxValue = 0;
  // tkEnumeration: names of MinValue..MaxValue in order.
  std::vector<std::string> EnumNames;
  // tkSet: the element type (an enumeration).
  PTypeInfo CompType = nullptr;
  // tkClass: the class the property holds.
  TClass ClassType = nullptr;
  // tkFloat.
  TFloatType FloatType = ftDouble;
  // tkMethod: the std::function type the handler is stored as.
  const std::type_info* MethodType = nullptr;
};

// A handler as the generic API sees it: the code (a std::function of the event's exact type held
// in std::any; empty when no handler), the object the handler belongs to (a script adapter, a
// form; may be null) and the handler's name (what report files and scripts bind by; may be empty).
struct TMethod {
  std::any Code;
  TObject* Data = nullptr;
  std::string Name;
  bool Assigned() const { return Code.has_value() || !Name.empty(); }
};

class TPropAccessor;

struct TPropInfo {
  PTypeInfo PropType = nullptr;
  std::string Name;
  int NameIndex = 0;      // position in the class's property list
  bool HasDefault = false;
  int64_t Default = 0;    // declared default (ordinal kinds; sets as their bit mask)
  bool CanRead = true;
  bool CanWrite = true;
  // Stored specifier: a constant, or a function of the instance when StoredFunc is set.
  bool StoredConst = true;
  std::function<bool(const TObject*)> StoredFunc;
  std::shared_ptr<const TPropAccessor> Access;
  TClass DeclaringClass = nullptr;
};
using PPropInfo = const TPropInfo*;
using TPropList = std::vector<PPropInfo>;

// ---- Type information of C++ types ----

// Type information of a class (kind tkClass), one per class.
PTypeInfo ClassTypeInfo(TClass AClass);
// The built-in types: "Integer", "Byte", "Word", "ShortInt", "SmallInt", "Cardinal", "Int64",
// "Char", "WideChar", "Boolean", "Double", "Single", "Extended", "String", "WideString",
// "ShortString", "Variant". A std::string property registered with
// .Type(BuiltinTypeInfo("WideString")) reports the wide-string kind (its text stays UTF-8).
PTypeInfo BuiltinTypeInfo(const std::string& Name);
// Type information named Name with the kind and details of Base; the first call for a name makes
// it, later calls with the same name return the same record.
PTypeInfo AliasTypeInfo(const std::string& Name, PTypeInfo Base);
// Type information of a set of Element, named Name ("TFontStyles"); same sharing rule.
PTypeInfo SetTypeInfo(const std::string& Name, PTypeInfo Element);
// Type information of an event type named Name whose handlers are stored as Signature.
PTypeInfo MethodTypeInfo(const std::string& Name, const std::type_info& Signature);
// An enumeration or alias type made earlier, by name (case-insensitive); null when none.
PTypeInfo FindTypeInfo(const std::string& Name);

namespace orv_detail {
template <class T> struct IsSet : std::false_type {};
template <class E> struct IsSet<TSet<E>> : std::true_type {};
template <class T> struct IsFunction : std::false_type {};
template <class S> struct IsFunction<std::function<S>> : std::true_type {};

template <class T> PTypeInfo TypeInfoOf() {
  if constexpr (requires { OrvTypeInfoOf(static_cast<const T*>(nullptr)); }) {
    return OrvTypeInfoOf(static_cast<const T*>(nullptr));
  } else if constexpr (std::is_same_v<T, bool>) {
    return BuiltinTypeInfo("Boolean");
  } else if constexpr (std::is_same_v<T, char>) {
    return BuiltinTypeInfo("Char");
  } else if constexpr (std::is_same_v<T, char16_t> || std::is_same_v<T, wchar_t>) {
    return BuiltinTypeInfo("WideChar");
  } else if constexpr (std::is_integral_v<T>) {
    if constexpr (sizeof(T) == 8) return BuiltinTypeInfo("Int64");
    else if constexpr (sizeof(T) == 4) return BuiltinTypeInfo(std::is_signed_v<T> ? "Integer" : "Cardinal");
    else if constexpr (sizeof(T) == 2) return BuiltinTypeInfo(std::is_signed_v<T> ? "SmallInt" : "Word");
    else return BuiltinTypeInfo(std::is_signed_v<T> ? "ShortInt" : "Byte");
  } else if constexpr (std::is_same_v<T, float>) {
    return BuiltinTypeInfo("Single");
  } else if constexpr (std::is_same_v<T, double>) {
    return BuiltinTypeInfo("Double");
  } else if constexpr (std::is_same_v<T, long double>) {
    return BuiltinTypeInfo("Extended");
  } else if constexpr (std::is_same_v<T, std::string>) {
    return BuiltinTypeInfo("String");
  } else if constexpr (std::is_same_v<T, Variant>) {
    return BuiltinTypeInfo("Variant");
  } else if constexpr (std::is_pointer_v<T> &&
                       std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>) {
    return ClassTypeInfo(std::remove_cv_t<std::remove_pointer_t<T>>::StaticClass());
  } else if constexpr (IsSet<T>::value) {
    PTypeInfo el = TypeInfoOf<typename T::Element>();
    return SetTypeInfo("set of " + el->Name, el);
  } else if constexpr (IsFunction<T>::value) {
    return MethodTypeInfo("TMethod", typeid(T));
  } else {
    static_assert(sizeof(T) == 0, "no type information for this property type");
    return nullptr;
  }
}
}  // namespace orv_detail

// Type information of a C++ type (see the list at the top of this file).
template <class T> PTypeInfo TypeInfo() { return orv_detail::TypeInfoOf<std::remove_cv_t<T>>(); }

// ---- Reading and writing properties through the type information ----

// Property by name (case-insensitive); null when the class publishes no such property.
PPropInfo GetPropInfo(TClass AClass, const std::string& PropName, TTypeKinds Kinds = tkAny);
PPropInfo GetPropInfo(const TObject* Instance, const std::string& PropName,
                      TTypeKinds Kinds = tkAny);
// The class's published properties of the given kinds: in property-list order, or sorted by
// name (case-insensitive) when SortList is set.
TPropList GetPropList(TClass AClass, TTypeKinds Kinds = tkAny, bool SortList = false);
TPropList GetPropList(const TObject* Instance, TTypeKinds Kinds = tkAny, bool SortList = false);
int GetPropCount(TClass AClass);
bool IsPublishedProp(const TObject* Instance, const std::string& PropName);
TTypeKind PropType(const TObject* Instance, const std::string& PropName);  // EPropertyError
bool PropIsType(const TObject* Instance, const std::string& PropName, TTypeKind Kind);

// The stored specifier of the property for this instance.
bool IsStoredProp(const TObject* Instance, PPropInfo PropInfo);
bool IsStoredProp(const TObject* Instance, const std::string& PropName);
// True when the property is an ordinal (or set) whose value equals its declared default, or a
// string that is empty: the values the report writer leaves out.
bool IsDefaultPropValue(TObject* Instance, PPropInfo PropInfo);

// Ordinal kinds (integer, char, wide char, enumeration, set as bit mask, int64). For tkClass the
// ordinal is the object's handle in the handle table (0 for nil): objects travel to scripts as
// 32-bit integers, never as truncated addresses. Kinds without an ordinal raise
// EPropertyConvertError "Invalid property type: %s".
int64_t GetOrdProp(TObject* Instance, PPropInfo PropInfo);
int64_t GetOrdProp(TObject* Instance, const std::string& PropName);
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, int64_t Value);
void SetOrdProp(TObject* Instance, const std::string& PropName, int64_t Value);
int64_t GetInt64Prop(TObject* Instance, PPropInfo PropInfo);
void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, int64_t Value);
// Enumerations by value name. SetEnumProp accepts a name (case-insensitive) or a decimal
// ordinal; anything else raises EPropertyConvertError "Invalid enumeration value: %s".
std::string GetEnumProp(TObject* Instance, PPropInfo PropInfo);
std::string GetEnumProp(TObject* Instance, const std::string& PropName);
void SetEnumProp(TObject* Instance, PPropInfo PropInfo, const std::string& Value);
void SetEnumProp(TObject* Instance, const std::string& PropName, const std::string& Value);
// Sets as text: "a,b" (or "[a,b]" with Brackets), element names in ordinal order.
std::string GetSetProp(TObject* Instance, PPropInfo PropInfo, bool Brackets = false);
void SetSetProp(TObject* Instance, PPropInfo PropInfo, const std::string& Value);
// Strings: string kinds as they are; char kinds as a one-character string.
std::string GetStrProp(TObject* Instance, PPropInfo PropInfo);
std::string GetStrProp(TObject* Instance, const std::string& PropName);
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const std::string& Value);
void SetStrProp(TObject* Instance, const std::string& PropName, const std::string& Value);
double GetFloatProp(TObject* Instance, PPropInfo PropInfo);
double GetFloatProp(TObject* Instance, const std::string& PropName);
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value);
void SetFloatProp(TObject* Instance, const std::string& PropName, double Value);
// Objects. SetObjectProp ignores a value that is not of the property's class (nil is accepted).
TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo, TClass MinClass = nullptr);
TObject* GetObjectProp(TObject* Instance, const std::string& PropName, TClass MinClass = nullptr);
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value);
void SetObjectProp(TObject* Instance, const std::string& PropName, TObject* Value);
TClass GetObjectPropClass(PPropInfo PropInfo);
// Events. SetMethodProp raises EPropertyConvertError when Code holds a function of another type.
TMethod GetMethodProp(TObject* Instance, PPropInfo PropInfo);
TMethod GetMethodProp(TObject* Instance, const std::string& PropName);
void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value);
void SetMethodProp(TObject* Instance, const std::string& PropName, const TMethod& Value);
// Variants: tkVariant properties as they are, every other kind converted (enumerations as their
// ordinal, Boolean as a Boolean, sets as the bit mask, objects as their handle).
Variant GetVariantProp(TObject* Instance, PPropInfo PropInfo);
void SetVariantProp(TObject* Instance, PPropInfo PropInfo, const Variant& Value);
// By name, any kind: GetPropValue gives enumerations as their names when PreferStrings is set
// (Boolean stays Boolean) and sets as "a,b" text; SetPropValue accepts names or numbers for
// enumerations and text or numbers for sets. EPropertyError "Property %s does not exist".
Variant GetPropValue(TObject* Instance, const std::string& PropName, bool PreferStrings = true);
void SetPropValue(TObject* Instance, const std::string& PropName, const Variant& Value);

// Enumeration names. GetEnumName gives "" for a value outside the range (the Boolean type gives
// "False"/"True"); GetEnumValue looks a name up without regard to case and gives -1 when absent.
std::string GetEnumName(PTypeInfo TypeInfo, int64_t Value);
int64_t GetEnumValue(PTypeInfo TypeInfo, const std::string& Name);
// Set text <-> bit mask over the set type's element names; unknown names raise
// EPropertyConvertError "Invalid enumeration value: %s".
std::string SetToString(PTypeInfo SetType, uint32_t Bits, bool Brackets = false);
uint32_t StringToSet(PTypeInfo SetType, const std::string& Value);

// ---- Accessors: the type-erased get/set of one property ----

// One implementation per registered property, made by TPublisher. Each kind overrides the
// functions of its storage; the others raise EPropertyConvertError.
class TPropAccessor {
public:
  virtual ~TPropAccessor() = default;
  virtual int64_t GetOrd(TObject* Instance) const;
  virtual void SetOrd(TObject* Instance, int64_t Value) const;
  virtual double GetFloat(TObject* Instance) const;
  virtual void SetFloat(TObject* Instance, double Value) const;
  virtual std::string GetStr(TObject* Instance) const;
  virtual void SetStr(TObject* Instance, const std::string& Value) const;
  virtual TObject* GetObject(TObject* Instance) const;
  virtual void SetObject(TObject* Instance, TObject* Value) const;
  virtual TMethod GetMethod(TObject* Instance) const;
  virtual void SetMethod(TObject* Instance, const TMethod& Value) const;
  // tkVariant: the Variant held in std::any.
  virtual std::any GetAny(TObject* Instance) const;
  virtual void SetAny(TObject* Instance, const std::any& Value) const;

  [[noreturn]] static void WrongKind(const std::string& What);
  [[noreturn]] static void ReadOnly();
  [[noreturn]] static void WriteOnly();
};

// Collects the properties of one class while its Publish runs (used through TPublisher).
class TPropListBuilder {
public:
  explicit TPropListBuilder(TClass AClass) : FClass(AClass) {}
  // Adds a property, or replaces the ancestor's of the same name in place; returns the entry to
  // be refined (Default, Stored, Type) until the next Add.
  TPropInfo& Add(const std::string& Name, PTypeInfo Type, std::shared_ptr<const TPropAccessor> Access,
                 bool CanRead, bool CanWrite);
  // The property of that name already in the list (an ancestor's); EPropertyError when none.
  TPropInfo& Find(const std::string& Name);
  std::vector<std::unique_ptr<TPropInfo>>& Props() { return FProps; }
  TClass Class() const { return FClass; }

private:
  TClass FClass;
  std::vector<std::unique_ptr<TPropInfo>> FProps;
};

namespace orv_detail {

template <class V> constexpr bool IsOrdinal() {
  return std::is_integral_v<V> || std::is_enum_v<V> || IsSet<V>::value;
}
template <class V> int64_t ToOrd(const V& v) {
  if constexpr (IsSet<V>::value) return int64_t(v.Bits());
  else return static_cast<int64_t>(v);
}
template <class V> V FromOrd(int64_t v) {
  if constexpr (IsSet<V>::value) return V::FromBits(uint32_t(v));
  else if constexpr (std::is_same_v<V, bool>) return v != 0;
  else return static_cast<V>(v);
}

// G: member function pointer (getter) or data member pointer; S: member function pointer
// (setter), data member pointer or std::nullptr_t.
template <class T, class V, class G, class S> class TMemberAccessor : public TPropAccessor {
public:
  TMemberAccessor(G g, S s) : FGet(g), FSet(s) {}

  V Read(TObject* Instance) const {
    if constexpr (std::is_same_v<G, std::nullptr_t>) {
      (void)Instance;
      WriteOnly();
    } else {
      return std::invoke(FGet, *static_cast<T*>(Instance));
    }
  }
  void Write(TObject* Instance, V v) const {
    if constexpr (std::is_same_v<S, std::nullptr_t>) {
      (void)Instance, (void)v;
      ReadOnly();
    } else if constexpr (std::is_member_object_pointer_v<S>) {
      static_cast<T*>(Instance)->*FSet = std::move(v);
    } else {
      std::invoke(FSet, *static_cast<T*>(Instance), std::move(v));
    }
  }

  int64_t GetOrd(TObject* Instance) const override {
    if constexpr (IsOrdinal<V>()) return ToOrd(Read(Instance));
    else return TPropAccessor::GetOrd(Instance);
  }
  void SetOrd(TObject* Instance, int64_t Value) const override {
    if constexpr (IsOrdinal<V>()) Write(Instance, FromOrd<V>(Value));
    else TPropAccessor::SetOrd(Instance, Value);
  }
  double GetFloat(TObject* Instance) const override {
    if constexpr (std::is_floating_point_v<V>) return double(Read(Instance));
    else return TPropAccessor::GetFloat(Instance);
  }
  void SetFloat(TObject* Instance, double Value) const override {
    if constexpr (std::is_floating_point_v<V>) Write(Instance, V(Value));
    else TPropAccessor::SetFloat(Instance, Value);
  }
  std::string GetStr(TObject* Instance) const override {
    if constexpr (std::is_same_v<V, std::string>) return Read(Instance);
    else return TPropAccessor::GetStr(Instance);
  }
  void SetStr(TObject* Instance, const std::string& Value) const override {
    if constexpr (std::is_same_v<V, std::string>) Write(Instance, Value);
    else TPropAccessor::SetStr(Instance, Value);
  }
  TObject* GetObject(TObject* Instance) const override {
    if constexpr (std::is_pointer_v<V>) return const_cast<TObject*>(static_cast<const TObject*>(Read(Instance)));
    else return TPropAccessor::GetObject(Instance);
  }
  void SetObject(TObject* Instance, TObject* Value) const override {
    if constexpr (std::is_pointer_v<V>) {
      using C = std::remove_cv_t<std::remove_pointer_t<V>>;
      if (Value && !Value->InheritsFrom(C::StaticClass())) return;
      Write(Instance, static_cast<V>(static_cast<C*>(Value)));
    } else {
      TPropAccessor::SetObject(Instance, Value);
    }
  }
  TMethod GetMethod(TObject* Instance) const override {
    if constexpr (IsFunction<V>::value) {
      TMethod m;
      V f = Read(Instance);
      if (f) m.Code = std::move(f);
      return m;
    } else {
      return TPropAccessor::GetMethod(Instance);
    }
  }
  void SetMethod(TObject* Instance, const TMethod& Value) const override {
    if constexpr (IsFunction<V>::value) {
      V f;
      if (Value.Code.has_value()) {
        const V* p = std::any_cast<V>(&Value.Code);
        if (!p) WrongKind("handler of another event type");
        f = *p;
      }
      Write(Instance, std::move(f));
    } else {
      TPropAccessor::SetMethod(Instance, Value);
    }
  }
  std::any GetAny(TObject* Instance) const override {
    if constexpr (std::is_same_v<V, Variant>) return std::any(Read(Instance));
    else return TPropAccessor::GetAny(Instance);
  }
  void SetAny(TObject* Instance, const std::any& Value) const override {
    if constexpr (std::is_same_v<V, Variant>) {
      const V* v = std::any_cast<V>(&Value);
      if (!v) WrongKind("Variant");
      Write(Instance, *v);
    } else {
      TPropAccessor::SetAny(Instance, Value);
    }
  }

private:
  G FGet;
  S FSet;
};

// An event held in a std::function data member F, optionally with its handler name in a string
// data member N.
template <class T, class F, class N> class TEventAccessor : public TPropAccessor {
public:
  TEventAccessor(F T::*f, N n) : FFunc(f), FName(n) {}
  TMethod GetMethod(TObject* Instance) const override {
    T& obj = *static_cast<T*>(Instance);
    TMethod m;
    if (obj.*FFunc) m.Code = obj.*FFunc;
    if constexpr (!std::is_same_v<N, std::nullptr_t>) m.Name = obj.*FName;
    return m;
  }
  void SetMethod(TObject* Instance, const TMethod& Value) const override {
    T& obj = *static_cast<T*>(Instance);
    F f;
    if (Value.Code.has_value()) {
      const F* p = std::any_cast<F>(&Value.Code);
      if (!p) WrongKind("handler of another event type");
      f = *p;
    }
    obj.*FFunc = std::move(f);
    if constexpr (!std::is_same_v<N, std::nullptr_t>) obj.*FName = Value.Name;
  }

private:
  F T::*FFunc;
  N FName;
};

template <class T, class G> struct GetterValue {
  using type = std::remove_cvref_t<std::invoke_result_t<G, T&>>;
};
template <class T> struct GetterValue<T, std::nullptr_t> {
  using type = void;
};
}  // namespace orv_detail

// The one-line-per-property registration handed to a class's Publish.
template <class T> class TPublisher {
public:
  explicit TPublisher(TPropListBuilder& Builder) : FBuilder(Builder) {}

  // Refines the property just added.
  class TEntry {
  public:
    explicit TEntry(TPropInfo& Info) : FInfo(Info) {}
    // Declared default: ordinal values, enumerations, Booleans, sets.
    template <class D> TEntry& Default(D Value) {
      FInfo.HasDefault = true;
      FInfo.Default = orv_detail::ToOrd(Value);
      return *this;
    }
    TEntry& NoDefault() { FInfo.HasDefault = false; return *this; }
    TEntry& Stored(bool Value) { FInfo.StoredConst = Value; FInfo.StoredFunc = nullptr; return *this; }
    TEntry& Stored(bool (T::*Func)() const) {
      FInfo.StoredFunc = [Func](const TObject* o) { return (static_cast<const T*>(o)->*Func)(); };
      return *this;
    }
    // Names the property's type (TColor, TComponentName, TrptNotifyEvent ...).
    TEntry& Type(const std::string& TypeName) {
      FInfo.PropType = FInfo.PropType->Kind == tkMethod && FInfo.PropType->Name == "TMethod"
                           ? MethodTypeInfo(TypeName, *FInfo.PropType->MethodType)
                           : AliasTypeInfo(TypeName, FInfo.PropType);
      return *this;
    }
    TEntry& Type(PTypeInfo Info) { FInfo.PropType = Info; return *this; }

  private:
    TPropInfo& FInfo;
  };

  // Getter: member function or data member; Setter: member function, data member or nullptr
  // (read-only). With only a data member, the property reads and writes that field.
  template <class G, class S> TEntry Prop(const std::string& Name, G Getter, S Setter) {
    using V = typename orv_detail::GetterValue<T, G>::type;
    static_assert(!std::is_void_v<V>, "a published property needs a getter");
    auto acc = std::make_shared<orv_detail::TMemberAccessor<T, V, G, S>>(Getter, Setter);
    return TEntry(FBuilder.Add(Name, TypeInfo<V>(), std::move(acc), true,
                               !std::is_same_v<S, std::nullptr_t>));
  }
  template <class G> TEntry Prop(const std::string& Name, G Getter) {
    if constexpr (std::is_member_object_pointer_v<G>)
      return Prop(Name, Getter, Getter);
    else
      return Prop(Name, Getter, nullptr);
  }

  // An ancestor's property published again with a new default or stored rule, keeping its
  // accessors and position: P.Redeclare("Color").Default(clWhite).
  TEntry Redeclare(const std::string& Name) {
    TPropInfo& p = FBuilder.Find(Name);
    p.DeclaringClass = FBuilder.Class();
    return TEntry(p);
  }

  // An event held in a std::function field, optionally with a string field for the handler name.
  // (Events behind a getter and setter are registered with Prop.)
  template <class F> TEntry Event(const std::string& Name, F T::*Func) {
    return AddEvent(Name, std::make_shared<orv_detail::TEventAccessor<T, F, std::nullptr_t>>(Func, nullptr), typeid(F));
  }
  template <class F> TEntry Event(const std::string& Name, F T::*Func, std::string T::*HandlerName) {
    return AddEvent(Name,
                    std::make_shared<orv_detail::TEventAccessor<T, F, std::string T::*>>(Func, HandlerName),
                    typeid(F));
  }

private:
  TEntry AddEvent(const std::string& Name, std::shared_ptr<const TPropAccessor> Acc,
                  const std::type_info& Sig) {
    return TEntry(FBuilder.Add(Name, MethodTypeInfo("TMethod", Sig), std::move(Acc), true, true));
  }
  TPropListBuilder& FBuilder;
};

template <class T> void orv_detail::ClassAccess::RunPublish(TPropListBuilder& Builder) {
  TPublisher<T> p(Builder);
  T::Publish(p);
}
