// The filer's object level: published properties, sub-objects, collections, string lists,
// component trees and the references between components.
#include <cstring>
#include <mutex>

#include "platform/rtl/collection.h"
#include "platform/rtl/component.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"

namespace {

const char* kInvalidComponentValue = "Invalid property value";
const char kSignature[4] = {'T', 'P', 'F', '0'};

std::mutex& FinderLock() {
  static std::mutex m;
  return m;
}
std::vector<TFindGlobalComponent>& Finders() {
  static std::vector<TFindGlobalComponent> f;
  return f;
}

struct IntConsts {
  PTypeInfo Type;
  TIdentToInt IdentToInt;
  TIntToIdent IntToIdent;
};
std::vector<IntConsts>& IntegerConsts() {
  static std::vector<IntConsts> c;
  return c;
}
const IntConsts* FindIntConsts(PTypeInfo T) {
  std::lock_guard<std::mutex> lock(FinderLock());
  for (const auto& c : IntegerConsts())
    if (c.Type == T) return &c;
  return nullptr;
}

bool IsDateType(PTypeInfo T) {
  return T->Name == "TDateTime" || T->Name == "TDate" || T->Name == "TTime";
}

bool IsInteger(TValueType v) {
  return v == vaInt8 || v == vaInt16 || v == vaInt32 || v == vaInt64;
}

// Name by which a reference to Target is written from a stream whose root is Root.
std::string ReferenceName(TComponent* Target, TComponent* Root) {
  if (Target->Name().empty()) return std::string();
  if (Target == Root || !Target->Owner() || Target->Owner() == Root) return Target->Name();
  if (Target->Owner()->Name().empty()) return std::string();
  return Target->Owner()->Name() + "." + Target->Name();
}

}  // namespace

void RegisterFindGlobalComponentProc(TFindGlobalComponent Proc) {
  std::lock_guard<std::mutex> lock(FinderLock());
  Finders().push_back(std::move(Proc));
}

TComponent* FindGlobalComponent(const std::string& Name) {
  std::vector<TFindGlobalComponent> copy;
  {
    std::lock_guard<std::mutex> lock(FinderLock());
    copy = Finders();
  }
  for (const auto& f : copy)
    if (TComponent* c = f(Name)) return c;
  return nullptr;
}

void RegisterIntegerConsts(const TTypeInfo* IntegerType, TIdentToInt IdentToInt,
                           TIntToIdent IntToIdent) {
  std::lock_guard<std::mutex> lock(FinderLock());
  IntegerConsts().push_back(IntConsts{IntegerType, std::move(IdentToInt), std::move(IntToIdent)});
}

// ---- TWriter ----

void TWriter::WriteProperties(TPersistent* Instance) {
  for (PPropInfo p : GetPropList(Instance, tkAny)) WriteProperty(Instance, p);
  Instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo* P) {
  const PTypeInfo T = P->PropType;
  if (!P->CanRead || (!P->CanWrite && T->Kind != tkClass)) return;
  if (!IsStoredProp(Instance, P) || IsDefaultPropValue(Instance, P)) return;
  const std::string name = FPropPath + P->Name;
  switch (T->Kind) {
    case tkInteger:
    case tkInt64:
    case tkWChar: {
      const int64_t v = GetOrdProp(Instance, P);
      WritePropName(name);
      std::string ident;
      const IntConsts* consts = T->Kind == tkWChar ? nullptr : FindIntConsts(T);
      if (consts && consts->IntToIdent && consts->IntToIdent(v, ident))
        WriteIdent(ident);
      else
        WriteInteger(v);
      break;
    }
    case tkChar:
      WritePropName(name);
      WriteChar(static_cast<char>(GetOrdProp(Instance, P)));
      break;
    case tkEnumeration: {
      std::string ident = GetEnumName(T, GetOrdProp(Instance, P));
      WritePropName(name);
      if (ident.empty())
        WriteInteger(GetOrdProp(Instance, P));  // a value outside the named range
      else
        WriteIdent(ident);
      break;
    }
    case tkSet: {
      auto bits = static_cast<uint64_t>(GetOrdProp(Instance, P));
      std::vector<std::string> names;
      for (int i = 0; i < 64; ++i)
        if (bits & (uint64_t(1) << i)) names.push_back(GetEnumName(T->CompType, i));
      WritePropName(name);
      WriteSet(names);
      break;
    }
    case tkFloat: {
      double v = GetFloatProp(Instance, P);
      if (v == 0) return;  // zero is every float property's implicit default
      WritePropName(name);
      if (IsDateType(T))
        WriteDate(v);
      else if (T->FloatType == ftSingle)
        WriteSingle(static_cast<float>(v));
      else if (T->FloatType == ftCurr)
        WriteCurrency(v);
      else
        WriteFloat(v);
      break;
    }
    case tkString:
    case tkLString:
    case tkWString:
      WritePropName(name);
      WriteString(GetStrProp(Instance, P));
      break;
    case tkMethod: {
      TMethod m = GetMethodProp(Instance, P);
      if (m.Name.empty()) return;  // handlers without a name cannot be bound again
      WritePropName(name);
      WriteIdent(m.Name);
      break;
    }
    case tkVariant: {
      Variant v = GetVariantProp(Instance, P);
      if (v.IsEmpty() || v.IsArray()) return;
      switch (v.VType()) {
        case varNull: WritePropName(name); WriteValue(vaNull); break;
        case varBoolean: WritePropName(name); WriteBoolean(v.AsBoolean()); break;
        case varSingle:
        case varDouble: WritePropName(name); WriteFloat(v.AsFloat()); break;
        case varDate: WritePropName(name); WriteDate(v.AsDateTime()); break;
        case varCurrency: WritePropName(name); WriteCurrency(v.AsCurrency()); break;
        case varString:
        case varOleStr: WritePropName(name); WriteString(v.AsString()); break;
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
        case varLongWord: case varInt64:
          WritePropName(name);
          WriteInteger(v.AsInt64());
          break;
        default: break;  // automation objects and errors are not streamed
      }
      break;
    }
    case tkClass: {
      TObject* obj = GetObjectProp(Instance, P);
      if (!obj) return;
      auto* comp = dynamic_cast<TComponent*>(obj);
      if (comp && !comp->ComponentStyle().Contains(csSubComponent)) {
        std::string ref = ReferenceName(comp, FRoot);
        if (ref.empty()) return;
        WritePropName(name);
        WriteIdent(ref);
        return;
      }
      if (auto* coll = dynamic_cast<TCollection*>(obj)) {
        if (coll->Count() == 0) return;  // an empty collection is the default
        WritePropName(name);
        WriteCollection(coll);
        return;
      }
      if (auto* list = dynamic_cast<TStrings*>(obj)) {
        if (list->Count() == 0) return;
        WritePropName(name + ".Strings");
        WriteListBegin();
        for (int i = 0; i < list->Count(); ++i) WriteString(list->Get(i));
        WriteListEnd();
        return;
      }
      if (auto* sub = dynamic_cast<TPersistent*>(obj)) {
        std::string saved = FPropPath;
        FPropPath = name + ".";
        try {
          WriteProperties(sub);
        } catch (...) {
          FPropPath = saved;
          throw;
        }
        FPropPath = saved;
      }
      break;
    }
    default: break;
  }
}

void TWriter::WriteCollection(TCollection* Value) {
  WriteValue(vaCollection);
  std::string saved = FPropPath;
  FPropPath.clear();
  for (int i = 0; Value && i < Value->Count(); ++i) {
    WriteListBegin();
    WriteProperties(Value->Items(i));
    WriteListEnd();
  }
  FPropPath = saved;
  WriteListEnd();
}

void TWriter::WriteSignature() { Write(kSignature, 4); }

void TWriter::WriteComponent(TComponent* Component) {
  Component->SetWriting(true);
  try {
    WriteStr(Component->ClassName());
    WriteStr(Component->Name());
    std::string saved = FPropPath;
    FPropPath.clear();
    WriteProperties(Component);
    FPropPath = saved;
    WriteListEnd();
    Component->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot);
    WriteListEnd();
  } catch (...) {
    Component->SetWriting(false);
    throw;
  }
  Component->SetWriting(false);
}

void TWriter::WriteRootComponent(TComponent* Root) {
  SetRoot(Root);
  FLookupRoot = Root;
  WriteSignature();
  WriteComponent(Root);
}

// ---- TReader ----

bool TReader::Error(const std::string& Message) {
  bool handled = false;
  if (OnError) OnError(this, Message, handled);
  return handled;
}

void TReader::ReadProperty(TPersistent* Instance) {
  const std::string name = ReadStr();
  // Walk the dotted path through sub-object properties.
  TPersistent* target = Instance;
  std::string rest = name;
  for (size_t dot; (dot = rest.find('.')) != std::string::npos;) {
    std::string part = rest.substr(0, dot);
    PPropInfo p = GetPropInfo(target, part);
    TPersistent* next = nullptr;
    if (p && p->PropType->Kind == tkClass)
      next = dynamic_cast<TPersistent*>(GetObjectProp(target, p));
    if (!next) {
      if (ReadStringsProperty(target, rest)) return;
      SkipValue();
      throw EReadError("Property " + name + " does not exist");
    }
    target = next;
    rest = rest.substr(dot + 1);
  }
  // Sub-objects and collections are read through their getter even without a setter.
  if (PPropInfo p = GetPropInfo(target, rest);
      p && (p->CanWrite || p->PropType->Kind == tkClass)) {
    ReadPropValue(target, p);
    return;
  }
  if (ReadStringsProperty(target, rest)) return;
  FPropName = rest;
  FPropHandled = false;
  try {
    target->DefineProperties(this);
  } catch (...) {
    FPropName.clear();
    throw;
  }
  FPropName.clear();
  if (FPropHandled) return;
  SkipValue();
  throw EReadError("Property " + name + " does not exist");
}

// "Strings" of a string list: a list of strings replacing its entries.
bool TReader::ReadStringsProperty(TPersistent* Instance, const std::string& Name) {
  auto* list = dynamic_cast<TStrings*>(Instance);
  if (!list || !SameText(Name, "Strings")) return false;
  ReadListBegin();
  list->BeginUpdate();
  try {
    list->Clear();
    while (!EndOfList()) list->Add(ReadString());
  } catch (...) {
    list->EndUpdate();
    throw;
  }
  list->EndUpdate();
  ReadListEnd();
  return true;
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo* P) {
  const PTypeInfo T = P->PropType;
  const int64_t start = Position();
  auto invalid = [&]() {
    SetPosition(start);
    SkipValue();
    throw EReadError(kInvalidComponentValue);
  };
  switch (T->Kind) {
    case tkInteger:
    case tkInt64: {
      if (NextValue() == vaIdent) {
        const IntConsts* consts = FindIntConsts(T);
        int64_t v = 0;
        if (!consts || !consts->IdentToInt || !consts->IdentToInt(ReadIdent(), v)) invalid();
        SetOrdProp(Instance, P, v);
        break;
      }
      if (!IsInteger(NextValue())) invalid();
      SetOrdProp(Instance, P, ReadInt64());
      break;
    }
    case tkChar:
    case tkWChar: {
      if (IsInteger(NextValue())) {
        SetOrdProp(Instance, P, ReadInt64());
        break;
      }
      std::string s = ReadString();
      if (s.empty()) invalid();
      SetStrProp(Instance, P, s);
      break;
    }
    case tkEnumeration: {
      if (IsInteger(NextValue())) {
        // A number must name one of the type's values; anything else is never stored.
        const int64_t ord = ReadInt64();
        if (ord < T->MinValue || ord > T->MaxValue)
          throw EReadError("Property " + P->Name + " value " + IntToStr(ord) + " is out of range");
        SetOrdProp(Instance, P, ord);
        break;
      }
      TValueType v = NextValue();
      if (v != vaIdent && v != vaFalse && v != vaTrue) invalid();
      int64_t ord = GetEnumValue(T, ReadIdent());
      if (ord < 0) invalid();
      SetOrdProp(Instance, P, ord);
      break;
    }
    case tkSet: {
      if (NextValue() != vaSet) invalid();
      uint64_t bits = 0;
      for (const auto& n : ReadSet()) {
        int64_t ord = GetEnumValue(T->CompType, n);
        if (ord < 0 || ord > 63) throw EReadError(kInvalidComponentValue);
        bits |= uint64_t(1) << ord;
      }
      SetOrdProp(Instance, P, static_cast<int64_t>(bits));
      break;
    }
    case tkFloat: {
      TValueType v = NextValue();
      if (v != vaExtended && v != vaSingle && v != vaDate && v != vaCurrency && !IsInteger(v))
        invalid();
      SetFloatProp(Instance, P, ReadFloat());
      break;
    }
    case tkString:
    case tkLString:
    case tkWString: {
      TValueType v = NextValue();
      if (v != vaString && v != vaLString && v != vaWString && v != vaUTF8String) invalid();
      SetStrProp(Instance, P, ReadString());
      break;
    }
    case tkMethod: {
      TValueType v = NextValue();
      if (v == vaNil) {
        ReadValue();
        SetMethodProp(Instance, P, TMethod{});
        break;
      }
      if (v != vaIdent) invalid();
      TMethod m;
      m.Name = ReadIdent();
      m.Data = FRoot;
      SetMethodProp(Instance, P, m);
      break;
    }
    case tkVariant: {
      Variant value;
      switch (NextValue()) {
        case vaNull: ReadValue(); value = Null(); break;
        case vaFalse:
        case vaTrue: value = ReadBoolean(); break;
        case vaInt8: case vaInt16: case vaInt32: value = static_cast<int32_t>(ReadInt64()); break;
        case vaInt64: value = ReadInt64(); break;
        case vaExtended:
        case vaSingle: value = ReadFloat(); break;
        case vaDate: value = Variant::FromDate(ReadDate()); break;
        case vaCurrency: value = Variant::FromCurrency(ReadCurrency()); break;
        case vaString: case vaLString: case vaWString: case vaUTF8String:
          value = ReadString();
          break;
        default: invalid();
      }
      SetVariantProp(Instance, P, value);
      break;
    }
    case tkClass: {
      TValueType v = NextValue();
      if (v == vaNil) {
        ReadValue();
        SetObjectProp(Instance, P, nullptr);
      } else if (v == vaCollection) {
        auto* coll = dynamic_cast<TCollection*>(GetObjectProp(Instance, P));
        if (!coll) invalid();
        ReadCollection(coll);
      } else if (v == vaIdent) {
        FFixups.push_back(TFixup{Instance, P, ReadIdent()});
      } else {
        invalid();
      }
      break;
    }
    default: invalid();
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  CheckValue(vaCollection);
  Collection->BeginUpdate();
  try {
    Collection->Clear();
    while (!EndOfList()) {
      if (IsInteger(NextValue())) ReadInt64();  // the item's index, kept for compatibility only
      TCollectionItem* item = Collection->Add();
      ReadListBegin();
      while (!EndOfList()) {
        try {
          ReadProperty(item);
        } catch (const EReadError& e) {
          if (!Error(e.Message())) throw;
        }
      }
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

void TReader::ReadSignature() {
  char sig[4] = {};
  if (FStream->Read(sig, 4) != 4 || std::memcmp(sig, kSignature, 4) != 0)
    throw EReadError("Invalid stream format");
}

// Child components nest no deeper than the text form allows (256 levels), so a forged stream
// cannot exhaust the stack.
constexpr int kMaxComponentNesting = 256;

TComponent* TReader::ReadComponent(TComponent* Component) {
  ++FReadDepth;
  try {
    if (FReadDepth > kMaxComponentNesting) throw EReadError("Components nested too deeply");
    // An optional prefix byte ($F0 | flags), then the child position when flag 2 is set.
    uint8_t b = 0;
    Read(&b, 1);
    if ((b & 0xF0) == 0xF0) {
      if (b & 0x02) ReadInt64();
    } else {
      FStream->Seek(-1, soCurrent);
    }
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    TComponent* c = Component;
    if (!c && FOwner && !name.empty()) c = FOwner->FindComponent(name);
    if (!c) {
      TClass cls = FindClass(className);
      TObject* obj = cls->Factory ? cls->Factory(FOwner) : nullptr;
      c = dynamic_cast<TComponent*>(obj);
      if (!c) {
        delete obj;
        throw EReadError("Class " + className + " cannot be read as a component");
      }
    }
    c->SetLoading(true);
    c->SetReading(true);
    FLoaded.push_back(c);
    if (FParent && FParent != c) c->SetParentComponent(FParent);
    if (!name.empty() && c->Name() != name) c->SetName(name);
    while (!EndOfList()) {
      try {
        ReadProperty(c);
      } catch (const EReadError& e) {
        if (!Error(e.Message())) throw;
      }
    }
    ReadListEnd();
    TComponent* savedOwner = FOwner;
    TComponent* savedParent = FParent;
    FOwner = c->GetChildOwner() ? c->GetChildOwner() : (FRoot ? FRoot : c);
    FParent = c->GetChildParent();
    try {
      while (!EndOfList()) ReadComponent(nullptr);
    } catch (...) {
      FOwner = savedOwner;
      FParent = savedParent;
      throw;
    }
    FOwner = savedOwner;
    FParent = savedParent;
    ReadListEnd();
    c->SetReading(false);
    if (--FReadDepth == 0) {
      FixupReferences();
      std::vector<TComponent*> loaded;
      loaded.swap(FLoaded);
      for (TComponent* l : loaded) l->Loaded();
    }
    return c;
  } catch (...) {
    if (--FReadDepth == 0) {
      for (TComponent* l : FLoaded) {
        l->SetReading(false);
        l->SetLoading(false);
      }
      FLoaded.clear();
      FFixups.clear();
    }
    throw;
  }
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  ReadSignature();
  const int64_t start = Position();
  bool made = false;
  if (!Root) {
    // Peek at the class name to make the root.
    uint8_t b = 0;
    Read(&b, 1);
    if ((b & 0xF0) == 0xF0) {
      if (b & 0x02) ReadInt64();
    } else {
      FStream->Seek(-1, soCurrent);
    }
    TClass cls = FindClass(ReadStr());
    TObject* obj = cls->Factory ? cls->Factory(nullptr) : nullptr;
    Root = dynamic_cast<TComponent*>(obj);
    if (!Root) {
      delete obj;
      throw EReadError("Invalid stream format");
    }
    made = true;
    SetPosition(start);
  }
  SetRoot(Root);
  FLookupRoot = Root;
  FOwner = Root;
  try {
    ReadComponent(Root);
  } catch (...) {
    if (made) delete Root;
    SetRoot(nullptr);
    FOwner = nullptr;
    throw;
  }
  return Root;
}

void TReader::FixupReferences() {
  std::vector<TFixup> pending;
  pending.swap(FFixups);
  for (const TFixup& f : pending) {
    TComponent* target = nullptr;
    const std::string& n = f.Name;
    size_t dot = n.find('.');
    if (dot == std::string::npos) {
      if (FRoot && SameText(FRoot->Name(), n))
        target = FRoot;
      else if (FRoot)
        target = FRoot->FindComponent(n);
      if (!target) target = FindGlobalComponent(n);
    } else {
      TComponent* owner = FRoot && SameText(FRoot->Name(), n.substr(0, dot))
                              ? FRoot
                              : FindGlobalComponent(n.substr(0, dot));
      if (owner) target = owner->FindComponent(n.substr(dot + 1));
    }
    if (target) SetObjectProp(f.Instance, f.Prop, target);
  }
}

// ---- TStream's component shortcuts ----

TComponent* TStream::ReadComponent(TComponent* Instance) {
  TReader reader(this, 4096);
  return reader.ReadRootComponent(Instance);
}

void TStream::WriteComponent(TComponent* Instance) {
  TWriter writer(this, 4096);
  writer.WriteRootComponent(Instance);
}
