// Type information records, the per-class property lists and the generic property access.
//
// Type records live for the whole process (the registries of the inspector and of the script
// engine keep pointers to them). A class's property list is built the first time it is asked:
// a copy of the parent's list, then the class's own Publish run over it.
#include "platform/rtl/typinfo.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/rtl/handletable.h"
#include "platform/rtl/variant.h"

namespace {

std::string Key(const std::string& Name) { return UpperCase(Name); }

struct TTypeStore {
  std::mutex Lock;
  std::map<std::string, std::unique_ptr<TTypeInfo>> Named;      // enums, aliases, sets, events
  std::map<TClass, std::unique_ptr<TTypeInfo>> Classes;
  std::map<std::string, std::unique_ptr<TTypeInfo>> Builtins;
};
TTypeStore& Types() {
  static TTypeStore* s = new TTypeStore;  // never destroyed: records outlive static destructors
  return *s;
}

std::unique_ptr<TTypeInfo> MakeOrd(TTypeKind Kind, const char* Name, TOrdType Ord, int64_t Min,
                                   int64_t Max) {
  auto t = std::make_unique<TTypeInfo>();
  t->Kind = Kind;
  t->Name = Name;
  t->OrdType = Ord;
  t->MinValue = Min;
  t->MaxValue = Max;
  return t;
}

void FillBuiltins(std::map<std::string, std::unique_ptr<TTypeInfo>>& m) {
  auto add = [&](std::unique_ptr<TTypeInfo> t) { m[Key(t->Name)] = std::move(t); };
  add(MakeOrd(tkInteger, "Integer", otSLong, INT32_MIN, INT32_MAX));
  add(MakeOrd(tkInteger, "Cardinal", otULong, 0, UINT32_MAX));
  add(MakeOrd(tkInteger, "SmallInt", otSWord, INT16_MIN, INT16_MAX));
  add(MakeOrd(tkInteger, "Word", otUWord, 0, UINT16_MAX));
  add(MakeOrd(tkInteger, "ShortInt", otSByte, INT8_MIN, INT8_MAX));
  add(MakeOrd(tkInteger, "Byte", otUByte, 0, UINT8_MAX));
  add(MakeOrd(tkInt64, "Int64", otSLong, INT64_MIN, INT64_MAX));
  add(MakeOrd(tkChar, "Char", otUByte, 0, 255));
  add(MakeOrd(tkWChar, "WideChar", otUWord, 0, 0xFFFF));
  auto b = MakeOrd(tkEnumeration, "Boolean", otUByte, 0, 1);
  b->EnumNames = {"False", "True"};
  add(std::move(b));
  for (auto [name, ft] : {std::pair{"Single", ftSingle}, std::pair{"Double", ftDouble},
                          std::pair{"Extended", ftExtended}}) {
    auto f = std::make_unique<TTypeInfo>();
    f->Kind = tkFloat;
    f->Name = name;
    f->FloatType = ft;
    add(std::move(f));
  }
  for (auto [name, kind] : {std::pair{"String", tkLString}, std::pair{"WideString", tkWString},
                            std::pair{"ShortString", tkString}}) {
    auto s = std::make_unique<TTypeInfo>();
    s->Kind = kind;
    s->Name = name;
    add(std::move(s));
  }
  auto v = std::make_unique<TTypeInfo>();
  v->Kind = tkVariant;
  v->Name = "Variant";
  add(std::move(v));
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

[[noreturn]] void UnknownProperty(const std::string& Name) {
  throw EPropertyError("Property " + Name + " does not exist");
}

[[noreturn]] void InvalidEnum(const std::string& Value) {
  throw EPropertyConvertError("Invalid enumeration value: " + Value);
}

bool IsDecimal(const std::string& s) {
  size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
  if (i >= s.size()) return false;
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

std::string Utf8Of(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
  return out;
}

uint32_t FirstCodePoint(const std::string& s) {
  if (s.empty()) return 0;
  auto c = static_cast<unsigned char>(s[0]);
  if (c < 0x80 || s.size() < 2) return c;
  if ((c & 0xE0) == 0xC0) return ((c & 0x1F) << 6) | (s[1] & 0x3F);
  if ((c & 0xF0) == 0xE0 && s.size() >= 3)
    return ((c & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
  return c;
}

bool IsDateType(PTypeInfo t) {
  return SameText(t->Name, "TDateTime") || SameText(t->Name, "TDate") || SameText(t->Name, "TTime");
}

// ---- property lists ----

// Property names are ASCII identifiers: hashing and comparing them folded to upper case lets a
// look-up by name (every attribute of a report file, every script access) avoid a scan.
struct TNameHash {
  size_t operator()(const std::string& s) const {
    size_t h = 1469598103934665603ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c)) * 1099511628211ull;
    return h;
  }
};
struct TNameEqual {
  bool operator()(const std::string& a, const std::string& b) const {
    return SameText(a, b);
  }
};

struct TClassProps {
  std::vector<std::unique_ptr<TPropInfo>> Props;
  TPropList List;
  std::unordered_map<std::string, PPropInfo, TNameHash, TNameEqual> ByName;
};

struct TPropStore {
  std::recursive_mutex Lock;
  std::map<TClass, std::unique_ptr<TClassProps>> Lists;
};
TPropStore& PropStore() {
  static TPropStore* s = new TPropStore;
  return *s;
}

const TClassProps& PropsOf(TClass AClass) {
  TPropStore& s = PropStore();
  std::lock_guard<std::recursive_mutex> g(s.Lock);
  auto it = s.Lists.find(AClass);
  if (it != s.Lists.end()) return *it->second;
  TPropListBuilder b(AClass);
  if (AClass->Parent) {
    for (PPropInfo p : PropsOf(AClass->Parent).List) b.Props().push_back(std::make_unique<TPropInfo>(*p));
  }
  if (AClass->Publish) AClass->Publish(b);
  auto cp = std::make_unique<TClassProps>();
  cp->Props = std::move(b.Props());
  for (size_t i = 0; i < cp->Props.size(); ++i) {
    cp->Props[i]->NameIndex = static_cast<int>(i);
    cp->List.push_back(cp->Props[i].get());
    cp->ByName.emplace(cp->Props[i]->Name, cp->Props[i].get());
  }
  return *(s.Lists[AClass] = std::move(cp));
}

PPropInfo Require(const TObject* Instance, const std::string& PropName) {
  PPropInfo p = GetPropInfo(Instance, PropName);
  if (!p) UnknownProperty(PropName);
  return p;
}

}  // namespace

// ---- type information ----

PTypeInfo RegisterEnumTypeInfo(const char* TypeName, const char* Names, int MinValue) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  auto& slot = s.Named[Key(TypeName)];
  if (slot) return slot.get();
  auto t = std::make_unique<TTypeInfo>();
  t->Kind = tkEnumeration;
  t->Name = TypeName;
  std::string all = Names;
  size_t start = 0;
  while (start <= all.size()) {
    size_t comma = all.find(',', start);
    if (comma == std::string::npos) comma = all.size();
    std::string n = Trimmed(all.substr(start, comma - start));
    if (!n.empty()) t->EnumNames.push_back(n);
    start = comma + 1;
  }
  t->MinValue = MinValue;
  t->MaxValue = MinValue + static_cast<int64_t>(t->EnumNames.size()) - 1;
  t->OrdType = t->EnumNames.size() <= 256 ? otUByte : otUWord;
  slot = std::move(t);
  return slot.get();
}

PTypeInfo ClassTypeInfo(TClass AClass) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  auto& slot = s.Classes[AClass];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>();
    slot->Kind = tkClass;
    slot->Name = AClass->Name;
    slot->ClassType = AClass;
  }
  return slot.get();
}

PTypeInfo BuiltinTypeInfo(const std::string& Name) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  if (s.Builtins.empty()) FillBuiltins(s.Builtins);
  auto it = s.Builtins.find(Key(Name));
  return it == s.Builtins.end() ? nullptr : it->second.get();
}

PTypeInfo AliasTypeInfo(const std::string& Name, PTypeInfo Base) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  auto& slot = s.Named[Key(Name)];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>(*Base);
    slot->Name = Name;
  }
  return slot.get();
}

PTypeInfo SetTypeInfo(const std::string& Name, PTypeInfo Element) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  auto& slot = s.Named[Key(Name)];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>();
    slot->Kind = tkSet;
    slot->Name = Name;
    slot->CompType = Element;
    slot->OrdType = otULong;
  }
  return slot.get();
}

PTypeInfo MethodTypeInfo(const std::string& Name, const std::type_info& Signature) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  // Generic "TMethod" records are kept per signature; named event types once per name.
  std::string key = Name == "TMethod" ? std::string("TMethod:") + Signature.name() : Key(Name);
  auto& slot = s.Named[key];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>();
    slot->Kind = tkMethod;
    slot->Name = Name;
    slot->MethodType = &Signature;
  }
  return slot.get();
}

PTypeInfo FindTypeInfo(const std::string& Name) {
  if (PTypeInfo b = BuiltinTypeInfo(Name)) return b;
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> g(s.Lock);
  auto it = s.Named.find(Key(Name));
  return it == s.Named.end() ? nullptr : it->second.get();
}

// ---- enumerations and sets ----

std::string GetEnumName(PTypeInfo TypeInfo, int64_t Value) {
  if (!TypeInfo || TypeInfo->Kind != tkEnumeration) return IntToStr(Value);
  if (Value < TypeInfo->MinValue || Value > TypeInfo->MaxValue) return "";
  size_t i = static_cast<size_t>(Value - TypeInfo->MinValue);
  return i < TypeInfo->EnumNames.size() ? TypeInfo->EnumNames[i] : "";
}

int64_t GetEnumValue(PTypeInfo TypeInfo, const std::string& Name) {
  if (!TypeInfo || TypeInfo->Kind != tkEnumeration) return -1;
  for (size_t i = 0; i < TypeInfo->EnumNames.size(); ++i)
    if (SameText(TypeInfo->EnumNames[i], Name)) return TypeInfo->MinValue + static_cast<int64_t>(i);
  return -1;
}

std::string SetToString(PTypeInfo SetType, uint32_t Bits, bool Brackets) {
  std::string out;
  PTypeInfo el = SetType ? SetType->CompType : nullptr;
  for (int i = 0; i < 32; ++i) {
    if (!(Bits & (uint32_t(1) << i))) continue;
    if (!out.empty()) out += ',';
    std::string n = GetEnumName(el, i);
    out += n.empty() ? IntToStr(i) : n;
  }
  return Brackets ? "[" + out + "]" : out;
}

uint32_t StringToSet(PTypeInfo SetType, const std::string& Value) {
  std::string s = Trimmed(Value);
  if (!s.empty() && s.front() == '[') s.erase(0, 1);
  if (!s.empty() && s.back() == ']') s.pop_back();
  uint32_t bits = 0;
  PTypeInfo el = SetType ? SetType->CompType : nullptr;
  size_t start = 0;
  while (start <= s.size()) {
    size_t comma = s.find(',', start);
    if (comma == std::string::npos) comma = s.size();
    std::string n = Trimmed(s.substr(start, comma - start));
    if (!n.empty()) {
      int64_t v = GetEnumValue(el, n);
      if (v < 0 || v > 31) InvalidEnum(n);
      bits |= uint32_t(1) << v;
    }
    start = comma + 1;
  }
  return bits;
}

// ---- property lists ----

TPropInfo& TPropListBuilder::Add(const std::string& Name, PTypeInfo Type,
                                 std::shared_ptr<const TPropAccessor> Access, bool CanRead,
                                 bool CanWrite) {
  TPropInfo* p = nullptr;
  for (auto& e : FProps)
    if (SameText(e->Name, Name)) p = e.get();
  if (!p) {
    FProps.push_back(std::make_unique<TPropInfo>());
    p = FProps.back().get();
  }
  // A redeclaration keeps its ancestor's position and states everything else anew.
  *p = TPropInfo{};
  p->Name = Name;
  p->PropType = Type;
  p->Access = std::move(Access);
  p->CanRead = CanRead;
  p->CanWrite = CanWrite;
  p->DeclaringClass = FClass;
  return *p;
}

TPropInfo& TPropListBuilder::Find(const std::string& Name) {
  for (auto& e : FProps)
    if (SameText(e->Name, Name)) return *e;
  UnknownProperty(Name);
}

PPropInfo GetPropInfo(TClass AClass, const std::string& PropName, TTypeKinds Kinds) {
  if (!AClass) return nullptr;
  const TClassProps& props = PropsOf(AClass);
  auto it = props.ByName.find(PropName);
  if (it == props.ByName.end()) return nullptr;
  return (Kinds & TypeKindBit(it->second->PropType->Kind)) ? it->second : nullptr;
}

PPropInfo GetPropInfo(const TObject* Instance, const std::string& PropName, TTypeKinds Kinds) {
  return Instance ? GetPropInfo(Instance->ClassType(), PropName, Kinds) : nullptr;
}

TPropList GetPropList(TClass AClass, TTypeKinds Kinds, bool SortList) {
  TPropList out;
  if (!AClass) return out;
  for (PPropInfo p : PropsOf(AClass).List)
    if (Kinds & TypeKindBit(p->PropType->Kind)) out.push_back(p);
  if (SortList)
    std::stable_sort(out.begin(), out.end(),
                     [](PPropInfo a, PPropInfo b) { return CompareText(a->Name, b->Name) < 0; });
  return out;
}

TPropList GetPropList(const TObject* Instance, TTypeKinds Kinds, bool SortList) {
  return Instance ? GetPropList(Instance->ClassType(), Kinds, SortList) : TPropList{};
}

int GetPropCount(TClass AClass) {
  return AClass ? static_cast<int>(PropsOf(AClass).List.size()) : 0;
}

bool IsPublishedProp(const TObject* Instance, const std::string& PropName) {
  return GetPropInfo(Instance, PropName) != nullptr;
}

TTypeKind PropType(const TObject* Instance, const std::string& PropName) {
  return Require(Instance, PropName)->PropType->Kind;
}

bool PropIsType(const TObject* Instance, const std::string& PropName, TTypeKind Kind) {
  return PropType(Instance, PropName) == Kind;
}

bool IsStoredProp(const TObject* Instance, PPropInfo PropInfo) {
  if (!PropInfo) return false;
  if (PropInfo->StoredFunc) return PropInfo->StoredFunc(Instance);
  return PropInfo->StoredConst;
}

bool IsStoredProp(const TObject* Instance, const std::string& PropName) {
  return IsStoredProp(Instance, Require(Instance, PropName));
}

bool IsDefaultPropValue(TObject* Instance, PPropInfo PropInfo) {
  switch (PropInfo->PropType->Kind) {
    case tkInteger: case tkChar: case tkWChar: case tkEnumeration: case tkSet: case tkInt64:
      return PropInfo->HasDefault && GetOrdProp(Instance, PropInfo) == PropInfo->Default;
    case tkString: case tkLString: case tkWString:
      return GetStrProp(Instance, PropInfo).empty();
    default:
      return false;
  }
}

// ---- accessors' defaults ----

void TPropAccessor::WrongKind(const std::string& What) {
  throw EPropertyConvertError("Invalid property type: " + What);
}
void TPropAccessor::ReadOnly() { throw EPropertyError("Property is read-only"); }
void TPropAccessor::WriteOnly() { throw EPropertyError("Property is write-only"); }

int64_t TPropAccessor::GetOrd(TObject*) const { WrongKind("not an ordinal"); }
void TPropAccessor::SetOrd(TObject*, int64_t) const { WrongKind("not an ordinal"); }
double TPropAccessor::GetFloat(TObject*) const { WrongKind("not a float"); }
void TPropAccessor::SetFloat(TObject*, double) const { WrongKind("not a float"); }
std::string TPropAccessor::GetStr(TObject*) const { WrongKind("not a string"); }
void TPropAccessor::SetStr(TObject*, const std::string&) const { WrongKind("not a string"); }
TObject* TPropAccessor::GetObject(TObject*) const { WrongKind("not a class"); }
void TPropAccessor::SetObject(TObject*, TObject*) const { WrongKind("not a class"); }
TMethod TPropAccessor::GetMethod(TObject*) const { WrongKind("not an event"); }
void TPropAccessor::SetMethod(TObject*, const TMethod&) const { WrongKind("not an event"); }
std::any TPropAccessor::GetAny(TObject*) const { WrongKind("not a variant"); }
void TPropAccessor::SetAny(TObject*, const std::any&) const { WrongKind("not a variant"); }

// ---- typed access ----

namespace {
void CheckWritable(PPropInfo p) {
  if (!p->CanWrite) throw EPropertyError("Property " + p->Name + " is read-only");
}

void CheckKind(PPropInfo p, std::initializer_list<TTypeKind> kinds) {
  for (TTypeKind k : kinds)
    if (p->PropType->Kind == k) return;
  TPropAccessor::WrongKind(p->PropType->Name);
}
}  // namespace

int64_t GetOrdProp(TObject* Instance, PPropInfo PropInfo) {
  if (PropInfo->PropType->Kind == tkClass)
    return ObjectHandle(PropInfo->Access->GetObject(Instance));
  CheckKind(PropInfo, {tkInteger, tkChar, tkWChar, tkEnumeration, tkSet, tkInt64});
  return PropInfo->Access->GetOrd(Instance);
}
int64_t GetOrdProp(TObject* Instance, const std::string& PropName) {
  return GetOrdProp(Instance, Require(Instance, PropName));
}
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, int64_t Value) {
  CheckWritable(PropInfo);
  if (PropInfo->PropType->Kind == tkClass) {
    SetObjectProp(Instance, PropInfo, HandleObject(static_cast<uint32_t>(Value)));
    return;
  }
  CheckKind(PropInfo, {tkInteger, tkChar, tkWChar, tkEnumeration, tkSet, tkInt64});
  PropInfo->Access->SetOrd(Instance, Value);
}
void SetOrdProp(TObject* Instance, const std::string& PropName, int64_t Value) {
  SetOrdProp(Instance, Require(Instance, PropName), Value);
}
int64_t GetInt64Prop(TObject* Instance, PPropInfo PropInfo) { return GetOrdProp(Instance, PropInfo); }
void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, int64_t Value) {
  SetOrdProp(Instance, PropInfo, Value);
}

std::string GetEnumProp(TObject* Instance, PPropInfo PropInfo) {
  CheckKind(PropInfo, {tkEnumeration});
  return GetEnumName(PropInfo->PropType, PropInfo->Access->GetOrd(Instance));
}
std::string GetEnumProp(TObject* Instance, const std::string& PropName) {
  return GetEnumProp(Instance, Require(Instance, PropName));
}
void SetEnumProp(TObject* Instance, PPropInfo PropInfo, const std::string& Value) {
  CheckWritable(PropInfo);
  CheckKind(PropInfo, {tkEnumeration});
  std::string v = Trimmed(Value);
  int64_t ord = IsDecimal(v) ? std::stoll(v) : GetEnumValue(PropInfo->PropType, v);
  if (ord < PropInfo->PropType->MinValue || ord > PropInfo->PropType->MaxValue) InvalidEnum(Value);
  PropInfo->Access->SetOrd(Instance, ord);
}
void SetEnumProp(TObject* Instance, const std::string& PropName, const std::string& Value) {
  SetEnumProp(Instance, Require(Instance, PropName), Value);
}

std::string GetSetProp(TObject* Instance, PPropInfo PropInfo, bool Brackets) {
  CheckKind(PropInfo, {tkSet});
  return SetToString(PropInfo->PropType, static_cast<uint32_t>(PropInfo->Access->GetOrd(Instance)),
                     Brackets);
}
void SetSetProp(TObject* Instance, PPropInfo PropInfo, const std::string& Value) {
  CheckWritable(PropInfo);
  CheckKind(PropInfo, {tkSet});
  PropInfo->Access->SetOrd(Instance, StringToSet(PropInfo->PropType, Value));
}

std::string GetStrProp(TObject* Instance, PPropInfo PropInfo) {
  switch (PropInfo->PropType->Kind) {
    case tkString: case tkLString: case tkWString:
      return PropInfo->Access->GetStr(Instance);
    case tkChar: {
      int64_t c = PropInfo->Access->GetOrd(Instance);
      return c ? std::string(1, static_cast<char>(c)) : std::string();
    }
    case tkWChar: {
      int64_t c = PropInfo->Access->GetOrd(Instance);
      return c ? Utf8Of(static_cast<uint32_t>(c)) : std::string();
    }
    default:
      TPropAccessor::WrongKind(PropInfo->PropType->Name);
  }
}
std::string GetStrProp(TObject* Instance, const std::string& PropName) {
  return GetStrProp(Instance, Require(Instance, PropName));
}
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const std::string& Value) {
  CheckWritable(PropInfo);
  switch (PropInfo->PropType->Kind) {
    case tkString: case tkLString: case tkWString:
      PropInfo->Access->SetStr(Instance, Value);
      return;
    case tkChar:
      PropInfo->Access->SetOrd(Instance, Value.empty() ? 0 : static_cast<unsigned char>(Value[0]));
      return;
    case tkWChar:
      PropInfo->Access->SetOrd(Instance, FirstCodePoint(Value));
      return;
    default:
      TPropAccessor::WrongKind(PropInfo->PropType->Name);
  }
}
void SetStrProp(TObject* Instance, const std::string& PropName, const std::string& Value) {
  SetStrProp(Instance, Require(Instance, PropName), Value);
}

double GetFloatProp(TObject* Instance, PPropInfo PropInfo) {
  CheckKind(PropInfo, {tkFloat});
  return PropInfo->Access->GetFloat(Instance);
}
double GetFloatProp(TObject* Instance, const std::string& PropName) {
  return GetFloatProp(Instance, Require(Instance, PropName));
}
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value) {
  CheckWritable(PropInfo);
  CheckKind(PropInfo, {tkFloat});
  PropInfo->Access->SetFloat(Instance, Value);
}
void SetFloatProp(TObject* Instance, const std::string& PropName, double Value) {
  SetFloatProp(Instance, Require(Instance, PropName), Value);
}

TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo, TClass MinClass) {
  CheckKind(PropInfo, {tkClass});
  TObject* o = PropInfo->Access->GetObject(Instance);
  if (o && MinClass && !o->InheritsFrom(MinClass)) return nullptr;
  return o;
}
TObject* GetObjectProp(TObject* Instance, const std::string& PropName, TClass MinClass) {
  return GetObjectProp(Instance, Require(Instance, PropName), MinClass);
}
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value) {
  CheckWritable(PropInfo);
  CheckKind(PropInfo, {tkClass});
  PropInfo->Access->SetObject(Instance, Value);
}
void SetObjectProp(TObject* Instance, const std::string& PropName, TObject* Value) {
  SetObjectProp(Instance, Require(Instance, PropName), Value);
}
TClass GetObjectPropClass(PPropInfo PropInfo) {
  return PropInfo && PropInfo->PropType->Kind == tkClass ? PropInfo->PropType->ClassType : nullptr;
}

TMethod GetMethodProp(TObject* Instance, PPropInfo PropInfo) {
  CheckKind(PropInfo, {tkMethod});
  return PropInfo->Access->GetMethod(Instance);
}
TMethod GetMethodProp(TObject* Instance, const std::string& PropName) {
  return GetMethodProp(Instance, Require(Instance, PropName));
}
void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value) {
  CheckWritable(PropInfo);
  CheckKind(PropInfo, {tkMethod});
  PropInfo->Access->SetMethod(Instance, Value);
}
void SetMethodProp(TObject* Instance, const std::string& PropName, const TMethod& Value) {
  SetMethodProp(Instance, Require(Instance, PropName), Value);
}

// ---- variants ----

namespace {
Variant OrdinalVariant(PTypeInfo t, int64_t v) {
  if (t->Kind == tkInt64) return Variant(v);
  if (t->OrdType == otULong) return Variant(static_cast<uint32_t>(v));
  return Variant(static_cast<int32_t>(v));
}

Variant ReadValue(TObject* Instance, PPropInfo p, bool PreferStrings) {
  PTypeInfo t = p->PropType;
  switch (t->Kind) {
    case tkInteger: case tkChar: case tkWChar: case tkInt64:
      return OrdinalVariant(t, GetOrdProp(Instance, p));
    case tkEnumeration: {
      int64_t v = GetOrdProp(Instance, p);
      if (SameText(t->Name, "Boolean")) return Variant(v != 0);
      if (PreferStrings) return Variant(GetEnumName(t, v));
      return Variant(static_cast<int32_t>(v));
    }
    case tkSet:
      if (PreferStrings) return Variant(GetSetProp(Instance, p));
      return Variant(static_cast<int32_t>(GetOrdProp(Instance, p)));
    case tkFloat: {
      double d = GetFloatProp(Instance, p);
      return IsDateType(t) ? Variant::FromDate(d) : Variant(d);
    }
    case tkString: case tkLString: case tkWString:
      return Variant(GetStrProp(Instance, p));
    case tkClass:
      return Variant(static_cast<int32_t>(GetOrdProp(Instance, p)));
    case tkVariant:
      return std::any_cast<Variant>(p->Access->GetAny(Instance));
    default:
      TPropAccessor::WrongKind(t->Name);
  }
}

void WriteValue(TObject* Instance, PPropInfo p, const Variant& Value) {
  PTypeInfo t = p->PropType;
  switch (t->Kind) {
    case tkInteger: case tkInt64:
      SetOrdProp(Instance, p, Value.AsInt64());
      return;
    case tkChar: case tkWChar:
      if (Value.IsString()) SetStrProp(Instance, p, Value.AsString());
      else SetOrdProp(Instance, p, Value.AsInt64());
      return;
    case tkEnumeration:
      if (Value.IsString()) SetEnumProp(Instance, p, Value.AsString());
      else if (Value.VType() == varBoolean) SetOrdProp(Instance, p, Value.AsBoolean() ? 1 : 0);
      else SetOrdProp(Instance, p, Value.AsInt64());
      return;
    case tkSet:
      if (Value.IsString()) SetSetProp(Instance, p, Value.AsString());
      else SetOrdProp(Instance, p, Value.AsInt64());
      return;
    case tkFloat:
      SetFloatProp(Instance, p, Value.AsFloat());
      return;
    case tkString: case tkLString: case tkWString:
      SetStrProp(Instance, p, VarToStr(Value));
      return;
    case tkClass:
      SetOrdProp(Instance, p, Value.IsEmpty() || Value.IsNull() ? 0 : Value.AsInt64());
      return;
    case tkVariant:
      CheckWritable(p);
      p->Access->SetAny(Instance, std::any(Value));
      return;
    default:
      TPropAccessor::WrongKind(t->Name);
  }
}
}  // namespace

Variant GetVariantProp(TObject* Instance, PPropInfo PropInfo) {
  return ReadValue(Instance, PropInfo, false);
}
void SetVariantProp(TObject* Instance, PPropInfo PropInfo, const Variant& Value) {
  WriteValue(Instance, PropInfo, Value);
}
Variant GetPropValue(TObject* Instance, const std::string& PropName, bool PreferStrings) {
  return ReadValue(Instance, Require(Instance, PropName), PreferStrings);
}
void SetPropValue(TObject* Instance, const std::string& PropName, const Variant& Value) {
  WriteValue(Instance, Require(Instance, PropName), Value);
}
