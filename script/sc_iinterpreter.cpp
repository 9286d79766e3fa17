// The script runtime: items, designators, helpers, statements and the program.
#include "script/sc_iinterpreter.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "platform/rtl/handletable.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "script/sc_iconst.h"
#include "script/sc_iexpression.h"
#include "script/sc_ievents.h"
#include "script/sc_iilparser.h"
#include "script/sc_istack.h"
#include "script/sc_itools.h"
#include "script/sc_xml.h"

ORV_CLASS_IMPL(TscScript, TComponent)

namespace {

thread_local TClass gConstructing = nullptr;

// Argument values and saved locals of running calls live on one stack per thread, so that a
// call allocates nothing once the stack has grown to the deepest recursion seen.
thread_local std::vector<Variant> gValueStack;

const Variant kNullValue = Null();

[[noreturn]] void IndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

int StringIndex(const Variant& V, size_t Length) {
  int i = V.VType() == varInteger ? V.Data().I32 : V.AsInteger();
  if (i < 1 || static_cast<size_t>(i) > Length) throw ERangeError("String index out of range (" + std::to_string(i) + ")");
  return i;
}

}  // namespace

TClass scConstructingClass() { return gConstructing; }

Variant scObjectToValue(TObject* Obj) { return Variant(static_cast<int32_t>(ObjectHandle(Obj))); }

TObject* scValueToObject(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  if (V.VType() == varInteger && V.Data().I32 == 0) return nullptr;
  // Objects travel as handles: a value that is no live handle is refused, never dereferenced.
  int64_t h = V.VType() == varInteger ? V.Data().I32 : V.AsInt64();
  TObject* o = h > 0 && h <= 0xFFFFFFFFll ? HandleObject(static_cast<uint32_t>(h)) : nullptr;
  if (!o && h < 0 && h >= INT32_MIN) o = HandleObject(static_cast<uint32_t>(static_cast<int32_t>(h)));
  if (!o) throw EInvalidPointer("Invalid object reference");
  return o;
}

// ---- TscItemList -----------------------------------------------------------------------------

TscItemList::~TscItemList() { TscItemList::Clear(); }

void TscItemList::Clear() {
  // Frees the items first to last; reversed so that taking one off the list costs nothing.
  std::reverse(FList.begin(), FList.end());
  while (!FList.empty()) {
    TscItemList* first = FList.back();
    FList.pop_back();
    delete first;
  }
}

void TscItemList::InsertItem(int Index, TscItemList* Item) {
  Index = std::clamp(Index, 0, Count());
  FList.insert(FList.begin() + Index, Item);
}

void TscItemList::RemoveItem(TscItemList* Item) {
  auto it = std::find(FList.begin(), FList.end(), Item);
  if (it != FList.end()) FList.erase(it);
}

TscItemList* TscItemList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return FList[static_cast<size_t>(Index)];
}

// ---- TscCustomVariable -----------------------------------------------------------------------

TscCustomVariable::TscCustomVariable(const std::string& AName, TscTypeCode ATypeCode, const std::string& ATypeName)
    : Name(AName), TypeCode(ATypeCode), TypeName(ATypeName), Value(Null()) {}

void TscCustomVariable::SetValue(const Variant& V) {
  if (!ReadOnly) scStore(Value, V);
}

Variant TscCustomVariable::GetValue() { return Value; }

TscParamItem* TscCustomVariable::Param(int Index) const { return static_cast<TscParamItem*>(Get(Index)); }

int TscCustomVariable::RequiredParamCount() const {
  int n = 0;
  for (TscItemList* p : FList)
    if (!static_cast<TscParamItem*>(p)->Optional) ++n;
  return n;
}

std::string TscCustomVariable::TypeDisplayName() const {
  switch (TypeCode) {
    case tcInteger: return "Integer";
    case tcBoolean: return "Boolean";
    case tcFloat: return "Extended";
    case tcChar: return "Char";
    case tcString: return "String";
    case tcClass: return "Class " + TypeName;
    case tcArray: return "Array";
    case tcEnum: return TypeName;
    default: return "Variant";
  }
}

Variant* scPlainSlot(TscCustomVariable* Item) {
  // The exact classes: a descendant may read or write elsewhere.
  if (Item && (typeid(*Item) == typeid(TscVariable) || typeid(*Item) == typeid(TscParamItem))) return &Item->Value;
  return nullptr;
}

void TscStringVariable::SetValue(const Variant& V) {
  if (const std::string* s = V.StringPtr())
    StringValue = *s;
  else
    StringValue = VarToStr(V);
}

// ---- Procedures --------------------------------------------------------------------------------

TscProcVariable::TscProcVariable(const std::string& AName, bool AIsFunction, TscScript* AParent,
                                 const std::string& ATypeName, TscTypeCode ATypeCode)
    : TscCustomVariable(AName, ATypeCode, ATypeName), IsFunction(AIsFunction) {
  ItemKind |= kfProc;
  ReadOnly = true;
  LocalScope = new TscScript(nullptr);
  LocalScope->Parent = AParent;
  LocalScope->SyntaxType = AParent ? AParent->SyntaxType : "PascalScript";
  if (IsFunction) {
    TscCustomVariable* result;
    if (ATypeCode == tcChar || ATypeCode == tcString) {
      result = new TscStringVariable("Result", ATypeCode, ATypeName);
    } else {
      result = new TscVariable("Result", ATypeCode, ATypeName);
      if (ATypeCode == tcInteger || ATypeCode == tcFloat) result->Value = 0;
      if (ATypeCode == tcBoolean) result->Value = false;
    }
    Reference = result;
    FResultSlot = scPlainSlot(result);
    LocalScope->AddItem("Result", result);
  }
}

TscProcVariable::~TscProcVariable() {
  // Events bound to this routine are not called any more.
  if (TscEventList* events = scExistingEventList()) events->FreeProcEvents(this);
  // The parameters belong to the procedure, not to the local scope.
  for (TscItemList* p : FList) LocalScope->RemoveItem(static_cast<TscCustomVariable*>(p));
  delete LocalScope;
}

void TscProcVariable::CollectLocals() {
  FLocals.clear();
  for (int k = 0; k < LocalScope->ItemCount(); ++k) {
    TscCustomVariable* v = LocalScope->ItemAt(k);
    if (v->Is(kfVariable | kfParam)) FLocals.push_back(v);
  }
  FLocalsItemCount = LocalScope->ItemCount();
}

Variant TscProcVariable::GetValue() {
  // Script recursion goes as deep as the script stack's segments allow; a runaway one ends in a
  // script error.
  if (scStackLow()) {
    Variant r;
    if (!scRunOnFurtherStack([&] { r = Call(); })) throw Exception(SStackOverflow + Name);
    return r;
  }
  return Call();
}

Variant TscProcVariable::Call() {
  bool wasExecuting = Executing;
  Executing = true;
  TscScript* main = LocalScope;
  while (main && !main->RanAsMain) main = main->Parent;
  TscScript* savedActive = main ? main->ActiveLocalScope : nullptr;
  if (main) main->ActiveLocalScope = LocalScope;
  struct Restore {
    TscProcVariable* Self;
    TscScript* Main;
    TscScript* Active;
    bool Was;
    ~Restore() {
      TscScript* s = Self->LocalScope;
      s->ExitFlag = s->Terminated = s->Running = s->BreakFlag = s->ContinueFlag = false;
      if (Main) Main->ActiveLocalScope = Active;
      Self->Executing = Was;
    }
  } restore{this, main, savedActive, wasExecuting};
  TscScript* s = LocalScope;
  s->ExitFlag = s->Terminated = s->BreakFlag = s->ContinueFlag = false;
  s->Running = true;
  s->MainStatement->Execute();
  if (IsFunction && Reference) {
    if (FResultSlot) return *FResultSlot;
    return Reference->GetValue();
  }
  return kNullValue;
}

// ---- Helpers -----------------------------------------------------------------------------------

namespace {

TObject* InstanceOf(const Variant& PrevValue) {
  if (PrevValue.IsNull()) throw EVariantTypeCastError("Could not convert variant of type (Null) into type (Integer)");
  return scValueToObject(PrevValue);
}

}  // namespace

Variant TscPropertyHelper::GetValue() {
  Variant r = Null();
  TObject* inst = InstanceOf(PrevValue);
  if (ViaTypeInfo && inst) {
    if (PPropInfo pi = GetPropInfo(inst, Name)) {
      switch (pi->PropType->Kind) {
        case tkChar: case tkWChar: case tkString: case tkLString: case tkWString:
          r = Variant(GetStrProp(inst, pi));
          break;
        case tkFloat: r = GetFloatProp(inst, pi); break;
        case tkVariant: r = GetVariantProp(inst, pi); break;
        case tkInteger: case tkEnumeration: case tkSet: case tkClass:
          r = static_cast<int32_t>(GetOrdProp(inst, pi));
          break;
        default: break;  // methods and kinds without a scalar value read as Null
      }
    }
  } else if (ReadCallback) {
    r = ReadCallback(inst, ClassRef, scUpper(Name));
  }
  if (TypeCode == tcBoolean && !r.IsNull() && r.VType() != varBoolean) r = Variant(r != Variant(0));
  return r;
}

void TscPropertyHelper::SetValue(const Variant& V) {
  if (ReadOnly) return;
  TObject* inst = InstanceOf(PrevValue);
  if (ViaTypeInfo) {
    if (!inst) return;
    PPropInfo pi = GetPropInfo(inst, Name);
    if (!pi) return;
    switch (pi->PropType->Kind) {
      case tkChar: case tkWChar: {
        std::string t = VarToStr(V);
        SetOrdProp(inst, pi, t.empty() ? 0 : static_cast<unsigned char>(t[0]));
        break;
      }
      case tkFloat: SetFloatProp(inst, pi, V.AsFloat()); break;
      case tkString: case tkLString: case tkWString: SetStrProp(inst, pi, VarToStr(V)); break;
      case tkVariant: SetVariantProp(inst, pi, V); break;
      case tkInteger: case tkEnumeration: case tkSet: case tkClass:
        // 64-bit first: colour constants with the top bit set are stored by their 32 bits.
        SetOrdProp(inst, pi, TypeCode == tcBoolean ? (V.AsBoolean() ? 1 : 0) : V.AsInt64());
        break;
      default: break;
    }
    return;
  }
  if (WriteCallback) WriteCallback(inst, ClassRef, scUpper(Name), V);
}

namespace {

// Argument vectors of native calls are reused, so a call does not allocate once warm; a vector
// stays taken while its call runs, so calls that nest take different vectors.
thread_local std::vector<std::unique_ptr<TscArgs>> gFreeArgs;

struct PooledArgs {
  std::unique_ptr<TscArgs> V;
  PooledArgs() {
    if (gFreeArgs.empty()) {
      V = std::make_unique<TscArgs>();
    } else {
      V = std::move(gFreeArgs.back());
      gFreeArgs.pop_back();
    }
  }
  ~PooledArgs() {
    V->clear();
    if (gFreeArgs.size() < 64) gFreeArgs.push_back(std::move(V));
  }
};

}  // namespace

Variant TscMethodHelper::GetValue() {
  if (!Callback) return 0;
  PooledArgs pooled;
  TscArgs& args = *pooled.V;
  for (TscItemList* p : FList) args.push_back(static_cast<TscParamItem*>(p)->Value);
  if (FUpperName.empty()) FUpperName = scUpper(IsIndexedProperty ? Name + ".Get" : Name);
  const std::string& name = FUpperName;
  Variant r = [&] {
    if (TypeCode == tcConstructor && PrevItem && PrevItem->Is(kfClass)) {
      // Construction: the callback builds the instance of the class the script named, so that a
      // class read alone never leaves a half-built object behind.
      struct Constructing {
        TClass Saved = gConstructing;
        ~Constructing() { gConstructing = Saved; }
      } constructing;
      gConstructing = static_cast<TscClassVariable*>(PrevItem)->ClassRef;
      return Callback(nullptr, ClassRef, name, args);
    }
    TObject* inst = PrevValue.IsNull() || PrevValue.IsEmpty() ? nullptr : scValueToObject(PrevValue);
    return Callback(inst, ClassRef, name, args);
  }();
  for (size_t k = 0; k < FList.size() && k < args.size(); ++k) {
    auto* p = static_cast<TscParamItem*>(FList[k]);
    if (p->ByReference) p->Value = args[k];
  }
  return r;
}

void TscMethodHelper::SetValue(const Variant& V) {
  if (!IsIndexedProperty || !Callback) return;
  TscArgs args;
  for (TscItemList* p : FList) args.push_back(static_cast<TscParamItem*>(p)->Value);
  args.push_back(V);
  Callback(InstanceOf(PrevValue), ClassRef, scUpper(Name + ".Set"), args);
}

int TscArrayHelper::DimCount() const { return std::min(Count(), 3); }

Variant TscArrayHelper::GetValue() {
  if (!PrevItem || !PrevItem->Value.IsArray()) return Null();
  int dims = VarArrayDimCount(PrevItem->Value);
  if (dims < 1 || dims > 3 || dims > Count()) return Null();
  int idx[3];
  for (int i = 0; i < dims; ++i) idx[i] = Param(i)->Value.AsInteger();
  return PrevItem->Value.GetElement(idx, dims);
}

void TscArrayHelper::SetValue(const Variant& V) {
  if (!PrevItem || !PrevItem->Value.IsArray()) return;
  int dims = VarArrayDimCount(PrevItem->Value);
  if (dims < 1 || dims > 3 || dims > Count()) return;
  int idx[3];
  for (int i = 0; i < dims; ++i) idx[i] = Param(i)->Value.AsInteger();
  PrevItem->Value.PutElement(idx, dims, V);
}

Variant TscStringHelper::GetValue() {
  std::string s = VarToStr(PrevValue);
  int i = StringIndex(Param(0)->Value, s.size());
  return Variant(std::string(1, s[static_cast<size_t>(i - 1)]));
}

void TscStringHelper::SetValue(const Variant& V) {
  std::string s = VarToStr(PrevValue);
  int i = StringIndex(Param(0)->Value, s.size());
  std::string c = VarToStr(V);
  if (c.empty()) throw ERangeError("Cannot store an empty string in one character");
  s[static_cast<size_t>(i - 1)] = c[0];
  if (PrevItem) PrevItem->SetValue(Variant(s));
}

// ---- Classes -------------------------------------------------------------------------------

TscClassVariable::TscClassVariable(TClass AClassRef, const std::string& AAncestorName)
    : TscCustomVariable(AClassRef->Name, tcClass, AClassRef->Name), AncestorName(AAncestorName), ClassRef(AClassRef) {
  ItemKind |= kfClass;
  AddTypeInfoProperties(AClassRef);
  // The type-cast parameter: TStrings(x).
  auto* p = new TscParamItem("", tcVariant, "");
  p->Optional = true;
  AddItem(p);
}

TscClassVariable::~TscClassVariable() = default;

void TscClassVariable::AddTypeInfoProperties(TClass AClass) {
  for (PPropInfo pi : GetPropList(AClass, tkProperties, true)) {
    TscTypeCode code = tcInteger;
    std::string typeName;
    switch (pi->PropType->Kind) {
      case tkChar: case tkWChar: code = tcChar; break;
      case tkEnumeration:
        if (scSameName(pi->PropType->Name, "Boolean")) {
          code = tcBoolean;
          typeName = "Boolean";
        } else {
          code = tcEnum;
          typeName = pi->PropType->Name;
        }
        break;
      case tkFloat: code = tcFloat; break;
      case tkString: case tkLString: case tkWString: code = tcString; break;
      case tkSet: code = tcEnum; typeName = pi->PropType->Name; break;
      case tkClass:
        code = tcClass;
        typeName = pi->PropType->ClassType ? pi->PropType->ClassType->Name : pi->PropType->Name;
        break;
      case tkVariant: code = tcVariant; break;
      default: break;
    }
    auto* p = new TscPropertyHelper(pi->Name, code, typeName);
    p->ClassRef = AClass;
    p->ViaTypeInfo = true;
    p->ReadOnly = !pi->CanWrite;
    Members.AddItem(p);
  }
}

TscCustomVariable* TscClassVariable::Member(int Index) const {
  return static_cast<TscCustomVariable*>(Members.Get(Index));
}

TscCustomVariable* TscClassVariable::Find(const std::string& MemberName) const {
  const TscClassVariable* c = this;
  for (int depth = 0; c && depth < 64; ++depth) {
    for (int i = 0; i < c->Members.Count(); ++i) {
      auto* m = static_cast<TscCustomVariable*>(c->Members.Get(i));
      if (scSameName(m->Name, MemberName)) return m;
    }
    if (c->AncestorName.empty() || !c->Program) return nullptr;
    c = c->Program->FindClassItem(c->AncestorName);
  }
  return nullptr;
}

Variant TscClassVariable::GetValue() {
  TscParamItem* p = Param(0);
  Variant v = p->Value;
  p->Value = Null();
  return v;
}

namespace {

// A native routine described by its declaration text, parsed against Program.
TscMethodHelper* NewMethodHelper(const std::string& Declaration, TscScript* Program, TscMethodCallback Callback) {
  std::unique_ptr<TscCustomVariable> d(ParseMethodSignature(Declaration, Program));
  auto* m = new TscMethodHelper(d->Name, d->TypeCode, d->TypeName);
  m->IsMacro = d->IsMacro;
  while (d->Count() > 0) {
    TscItemList* p = d->Get(0);
    d->RemoveItem(p);
    m->AddItem(p);
  }
  m->ReadOnly = true;
  m->Declaration = Declaration;
  m->Callback = std::move(Callback);
  return m;
}

}  // namespace

TscMethodHelper* TscClassVariable::AddMethod(const std::string& Declaration, TscMethodCallback Callback) {
  TscMethodHelper* m = NewMethodHelper(Declaration, Program, std::move(Callback));
  m->ClassRef = ClassRef;
  m->Registrar = Program ? Program->Registrar : nullptr;
  Members.AddItem(m);
  return m;
}

TscMethodHelper* TscClassVariable::AddConstructor(const std::string& Declaration, TscMethodCallback Callback) {
  size_t blank = Declaration.find(' ');
  std::string rest = blank == std::string::npos ? std::string() : Declaration.substr(blank);
  return AddMethod("function" + rest + ": Constructor", std::move(Callback));
}

TscPropertyHelper* TscClassVariable::AddProperty(const std::string& AName, const std::string& ATypeName,
                                                 TscPropertyGetCallback Read, TscPropertySetCallback Write) {
  auto* p = new TscPropertyHelper(AName, ScriptTypeCodeOf(ATypeName, Program), ATypeName);
  p->ClassRef = ClassRef;
  p->ReadCallback = std::move(Read);
  p->WriteCallback = std::move(Write);
  p->ReadOnly = !p->WriteCallback;
  Members.AddItem(p);
  return p;
}

TscMethodHelper* TscClassVariable::AddIndexProperty(const std::string& AName, const std::string& IndexTypes,
                                                    const std::string& ATypeName, TscMethodCallback Callback,
                                                    bool IsReadOnly) {
  std::string params;
  int n = 0;
  size_t from = 0;
  while (from <= IndexTypes.size()) {
    size_t comma = IndexTypes.find(',', from);
    std::string t = Trim(IndexTypes.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (!t.empty()) {
      if (!params.empty()) params += "; ";
      params.append(1, 'p').append(std::to_string(n++)).append(": ").append(t);
    }
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  TscMethodHelper* m = AddMethod("function " + AName + "(" + params + "): " + ATypeName, std::move(Callback));
  m->IsIndexedProperty = true;
  m->ReadOnly = IsReadOnly;
  return m;
}

TscMethodHelper* TscClassVariable::AddDefaultProperty(const std::string& AName, const std::string& IndexTypes,
                                                      const std::string& ATypeName, TscMethodCallback Callback,
                                                      bool IsReadOnly) {
  TscMethodHelper* m = AddIndexProperty(AName, IndexTypes, ATypeName, std::move(Callback), IsReadOnly);
  DefaultProperty = m;
  return m;
}

TscEventHelper* TscClassVariable::AddEvent(const std::string& AName, TClass AAdapterClass) {
  auto* e = new TscEventHelper(AName, tcString, "");
  e->ClassRef = ClassRef;
  e->AdapterClass = AAdapterClass;
  Members.AddItem(e);
  return e;
}

// ---- Designators -----------------------------------------------------------------------------

TscExpression* TscDesignatorItem::Arg(int Index) const { return static_cast<TscExpression*>(Get(Index)); }

TscDesignator::TscDesignator(TscScript* AProgram) : TscCustomVariable("", tcVariant, ""), Program(AProgram) {
  ItemKind |= kfDesignator;
}

TscDesignator::~TscDesignator() = default;

void TscDesignator::ComputeKind() {
  Kind = 0;
  Reference = nullptr;
  LinkedItem = nullptr;
  IndexList = nullptr;
  if (Count() == 0) return;
  TscCustomVariable* last = LastItem()->Target;
  if (!last) return;
  TypeCode = last->TypeCode;
  TypeName = last->TypeName;
  ReadOnly = last->ReadOnly;
  if (TypeCode == tcConstructor) {
    TypeCode = tcClass;
    TypeName = Count() >= 2 && Item(Count() - 2)->Target ? Item(Count() - 2)->Target->TypeName : std::string();
  }
  TscCustomVariable* first = Item(0)->Target;
  // A lone variable or parameter: read and written directly, without walking.
  if (Count() == 1 && (dynamic_cast<TscVariable*>(first) || dynamic_cast<TscParamItem*>(first))) {
    Kind = 1;
    Reference = first;
  } else if (Count() == 2 && dynamic_cast<TscStringVariable*>(first) && Item(1)->Count() > 0) {
    Kind = 2;
    Reference = first;
    LinkedItem = Item(1)->Arg(0);
  } else if (Count() == 2 && dynamic_cast<TscVariable*>(first) && first->TypeCode == tcArray && first->Reference &&
             Item(1)->Target == first->Reference) {
    Kind = 3;
    Reference = first;
    LinkedItem = first->Reference;
    IndexList = Item(1);
  }
}

void TscDesignator::TakeOver(TscDesignator* Other) {
  std::swap(FList, Other->FList);
  Kind = Other->Kind;
  LinkedItem = Other->LinkedItem;
  IndexList = Other->IndexList;
  TypeCode = Other->TypeCode;
  TypeName = Other->TypeName;
  ReadOnly = Other->ReadOnly;
  Reference = Other->Reference;
}

void TscDesignator::CompileDeferredElement() {
  std::unique_ptr<TscXMLItem> element = std::move(DeferredElement);
  TscILParser parser(Program);
  parser.SelectScriptLanguage(DeferredLanguage.empty() ? Program->SyntaxType : DeferredLanguage);
  for (const std::string& w : DeferredWith) parser.WithList.emplace_back(w, nullptr);
  std::unique_ptr<TscDesignator> d(parser.CompileDeferredDesignator(element.get(), Program));
  Clear();
  TakeOver(d.get());
  // Still unresolved (the value is Null again): the element waits for the next use, and this
  // use fails as a member of Null does.
  if (d->DeferredElement) {
    DeferredElement = std::move(d->DeferredElement);
    DeferredLanguage = d->DeferredLanguage;
    DeferredWith = d->DeferredWith;
    throw EVariantTypeCastError("Could not convert variant of type (Null) into type (Dispatch)");
  }
}

Variant TscDesignator::GetValue() {
  DeferredCompile();
  return Walk(false, nullptr);
}

void TscDesignator::SetValue(const Variant& V) {
  DeferredCompile();
  Walk(true, &V);
}

namespace {

// Drops the values above Base (the elements are small; pop_back keeps their destructors inline).
inline void ShrinkTo(std::vector<Variant>& Stack, size_t Base) {
  while (Stack.size() > Base) Stack.pop_back();
}

// The locals of a procedure that is called again while it runs: saved before the inner call and
// put back after it, also when the inner call raises (a try statement of an outer level may
// catch the error and go on with its own values). A few locals are kept right here; more go on
// the per-thread value stack.
class TSavedLocals {
public:
  TSavedLocals(std::vector<Variant>& Stack, TscProcVariable* Proc) : FStack(Stack) {
    if (!Proc || !Proc->Executing) return;
    FLocals = &Proc->Locals();
    const size_t n = FLocals->size();
    if (n <= kInline) {
      FSaved = reinterpret_cast<Variant*>(FInline);
    } else {
      FBase = FStack.size();
      FStack.resize(FBase + n);
      FSaved = nullptr;  // found again at the end: the stack may grow meanwhile
    }
    Variant* to = FSaved ? FSaved : FStack.data() + FBase;
    for (size_t i = 0; i < n; ++i) {
      TscCustomVariable* v = (*FLocals)[i];
      if (FSaved) {
        if (v->Is(kfStringVariable)) new (&to[i]) Variant(static_cast<TscStringVariable*>(v)->StringValue);
        else new (&to[i]) Variant(v->Value);
      } else {
        if (v->Is(kfStringVariable)) to[i] = Variant(static_cast<TscStringVariable*>(v)->StringValue);
        else to[i] = v->Value;
      }
    }
  }
  ~TSavedLocals() {
    if (!FLocals) return;
    const size_t n = FLocals->size();
    Variant* at = FSaved ? FSaved : FStack.data() + FBase;
    for (size_t i = 0; i < n; ++i) {
      TscCustomVariable* v = (*FLocals)[i];
      if (v->Is(kfStringVariable)) static_cast<TscStringVariable*>(v)->StringValue = VarToStr(at[i]);
      else scStore(v->Value, std::move(at[i]));
      if (FSaved) at[i].~Variant();
    }
    if (!FSaved) ShrinkTo(FStack, FBase);
  }
  TSavedLocals(const TSavedLocals&) = delete;
  TSavedLocals& operator=(const TSavedLocals&) = delete;

private:
  static constexpr size_t kInline = 4;
  std::vector<Variant>& FStack;
  size_t FBase = 0;
  const std::vector<TscCustomVariable*>* FLocals = nullptr;
  Variant* FSaved = nullptr;
  alignas(Variant) unsigned char FInline[kInline * sizeof(Variant)];
};

}  // namespace

bool TscDesignatorItem::HasVarParams() {
  if (FHasVarParams < 0) {
    FHasVarParams = 0;
    int np = std::min(Count(), Target ? Target->ParamCount() : 0);
    for (int k = 0; k < np; ++k)
      if (Target->Param(k)->ByReference) FHasVarParams = 1;
  }
  return FHasVarParams != 0;
}

Variant TscDesignator::ReadSingle(TscDesignatorItem* Item, TscCustomVariable* T) {
  std::vector<Variant>& stack = gValueStack;
  TSavedLocals saved(stack, T->Is(kfProc) ? static_cast<TscProcVariable*>(T) : nullptr);
  const std::vector<TscItemList*>& params = static_cast<TscItemList*>(T)->FList;
  const std::vector<TscItemList*>& args = Item->FList;
  const size_t np = std::min(args.size(), params.size());
  if (np == 1 && args.size() == 1) {
    // One argument needs no stack: it is assigned once evaluated.
    Variant t;
    const Variant& v = static_cast<TscExpression*>(args[0])->Eval(t);
    if (&v == &t) scStore(static_cast<TscParamItem*>(params[0])->Value, std::move(t));
    else scStore(static_cast<TscParamItem*>(params[0])->Value, v);
  } else if (np > 0) {
    // All arguments are evaluated before any parameter is assigned.
    size_t base = stack.size();
    try {
      for (TscItemList* a : args) {
        Variant t;
        const Variant& v = static_cast<TscExpression*>(a)->Eval(t);
        if (&v == &t) stack.push_back(std::move(t));
        else stack.push_back(v);
      }
    } catch (...) {
      ShrinkTo(stack, base);
      throw;
    }
    Variant* from = stack.data() + base;
    for (size_t k = 0; k < np; ++k) scStore(static_cast<TscParamItem*>(params[k])->Value, std::move(from[k]));
    ShrinkTo(stack, base);
  }
  if (T->Is(kfHelper)) {
    // First in the chain: no item and a Null value before it.
    auto* h = static_cast<TscCustomHelper*>(T);
    h->PrevItem = nullptr;
    scStore(h->PrevValue, kNullValue);
    h->CallerProgram = Program;
  }
  T->ResultWanted = ResultWanted;
  Variant r = T->GetValue();
  if (np > 0 && Item->HasVarParams()) {
    for (size_t k = 0; k < np; ++k) {
      auto* p = static_cast<TscParamItem*>(params[k]);
      if (p->ByReference) Item->Arg(static_cast<int>(k))->SetValue(p->GetValue());
    }
  }
  return r;
}

Variant TscDesignator::Walk(bool Assign, const Variant* AssignValue) {
  const int n = Count();
  if (n == 1 && !Assign) {
    auto* item = static_cast<TscDesignatorItem*>(FList[0]);
    if (!item->Target->Is(kfDesignator) && !item->Target->IsMacro) return ReadSingle(item, item->Target);
  }
  std::vector<Variant>& stack = gValueStack;
  Variant current = kNullValue;
  TscCustomVariable* prev = nullptr;
  for (int i = 0; i < n; ++i) {
    auto* item = static_cast<TscDesignatorItem*>(FList[static_cast<size_t>(i)]);
    TscCustomVariable* T = item->Target;
    const bool last = i == n - 1;
    if (T->Is(kfDesignator)) {
      prev = T;
      scStore(current, T->GetValue());
      continue;
    }
    TSavedLocals saved(stack, T->Is(kfProc) ? static_cast<TscProcVariable*>(T) : nullptr);
    const int argc = item->Count();
    const std::vector<TscItemList*>& params = static_cast<TscItemList*>(T)->FList;
    const int np = std::min(argc, static_cast<int>(params.size()));
    if (argc > 0 && np > 0) {
      // All arguments are evaluated before any parameter is assigned.
      size_t base = stack.size();
      try {
        for (int k = 0; k < argc; ++k) {
          auto* e = static_cast<TscExpression*>(item->FList[static_cast<size_t>(k)]);
          if (T->IsMacro) {
            stack.emplace_back(e->SourceText);
          } else {
            Variant t;
            const Variant& v = e->Eval(t);
            if (&v == &t) stack.push_back(std::move(t));
            else stack.push_back(v);
          }
        }
      } catch (...) {
        ShrinkTo(stack, base);
        throw;
      }
      Variant* from = stack.data() + base;
      for (int k = 0; k < np; ++k) scStore(static_cast<TscParamItem*>(params[static_cast<size_t>(k)])->Value, std::move(from[k]));
      ShrinkTo(stack, base);
    }
    if (T->Is(kfHelper)) {
      auto* h = static_cast<TscCustomHelper*>(T);
      h->PrevItem = prev;
      scStore(h->PrevValue, current);
      h->CallerProgram = Program;
    }
    prev = T;
    if (Assign && last) {
      T->SetValue(*AssignValue);
    } else {
      T->ResultWanted = last ? ResultWanted : true;
      scStore(current, T->GetValue());
    }
    if (argc > 0 && item->HasVarParams()) {
      for (int k = 0; k < np; ++k) {
        auto* p = static_cast<TscParamItem*>(params[static_cast<size_t>(k)]);
        if (p->ByReference) item->Arg(k)->SetValue(p->GetValue());
      }
    }
  }
  return current;
}

Variant TscStringDesignator::GetValue() {
  DeferredCompile();
  auto* sv = static_cast<TscStringVariable*>(Reference);
  int i = StringIndex(LinkedItem->GetValue(), sv->StringValue.size());
  return Variant(std::string(1, sv->StringValue[static_cast<size_t>(i - 1)]));
}

void TscStringDesignator::SetValue(const Variant& V) {
  DeferredCompile();
  auto* sv = static_cast<TscStringVariable*>(Reference);
  int i = StringIndex(LinkedItem->GetValue(), sv->StringValue.size());
  std::string c = VarToStr(V);
  if (c.empty()) throw ERangeError("Cannot store an empty string in one character");
  sv->StringValue[static_cast<size_t>(i - 1)] = c[0];
}

void TscArrayDesignator::Prepare() {
  DeferredCompile();
  auto* helper = static_cast<TscArrayHelper*>(LinkedItem);
  helper->PrevItem = Reference;
  int n = std::min(IndexList->Count(), helper->ParamCount());
  for (int k = 0; k < n; ++k) helper->Param(k)->Value = IndexList->Arg(k)->GetValue();
}

Variant TscArrayDesignator::GetValue() {
  Prepare();
  return LinkedItem->GetValue();
}

void TscArrayDesignator::SetValue(const Variant& V) {
  Prepare();
  LinkedItem->SetValue(V);
}

// ---- Sets ------------------------------------------------------------------------------------

TscSetExpression::~TscSetExpression() {
  for (TscExpression* e : FEntries) delete e;
}

void TscSetExpression::AddEntry(TscExpression* E) { FEntries.push_back(E); }

Variant TscSetExpression::GetValue() {
  std::vector<Variant> values;
  for (TscExpression* e : FEntries) values.push_back(e ? e->GetValue() : Variant(0));
  return VarArrayOf(values);
}

bool TscSetExpression::Contains(const Variant& V) {
  size_t n = FEntries.size();
  for (size_t i = 0; i < n; ++i) {
    if (!FEntries[i]) continue;
    if (i + 2 < n && !FEntries[i + 1] && FEntries[i + 2]) {
      Variant lo = FEntries[i]->GetValue(), hi = FEntries[i + 2]->GetValue();
      if (VarCompareOp(opCmpGE, V, lo) && VarCompareOp(opCmpLE, V, hi)) return true;
      i += 2;
      continue;
    }
    if (VarCompareOp(opCmpEQ, V, FEntries[i]->GetValue())) return true;
  }
  return false;
}

// ---- Statements ------------------------------------------------------------------------------

TscStatement::TscStatement(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName)
    : Program(AProgram), SourcePos(ASourcePos), UnitName(AUnitName) {}


void TscStatement::RunList() {
  TscScript* p = Program;
  for (TscItemList* s : FList) {
    if (p->Terminated) return;
    static_cast<TscStatement*>(s)->Execute();
    if (p->BreakFlag || p->ContinueFlag || p->ExitFlag) return;
  }
}

void TscStatement::Execute() { RunList(); }

TscAssignmentStmt::~TscAssignmentStmt() {
  delete Target;
  delete Source;
}

void TscAssignmentStmt::Optimize() {
  TargetItem = dynamic_cast<TscVariableDesignator*>(Target) ? Target->Reference : Target;
  SourceItem = Source;
  if (TscCustomVariable* single = Source ? Source->SingleItem() : nullptr) SourceItem = single;
  TargetSlot = scPlainSlot(TargetItem);
}

void TscAssignmentStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  Variant t;
  const Variant& v = Source->Eval(t);
  if (TargetSlot) {
    if (TargetItem->ReadOnly) return;
    if (&v == &t) scStore(*TargetSlot, std::move(t));
    else scStore(*TargetSlot, v);
    return;
  }
  // Storing may run code (indexes, properties) that changes the variable v refers to: the value
  // is taken first.
  if (&v != &t) scStore(t, v);
  TargetItem->SetValue(t);
}

namespace {

// The variant result of L op R for two integers, on the 32-bit path when it fits.
inline bool IntModify(const Variant& L, const Variant& R, TVarOp Op, Variant& Out) {
  if (L.VType() != varInteger || R.VType() != varInteger || Op == opDivide) return false;
  int32_t a = L.Data().I32, b = R.Data().I32;
  int64_t exact = Op == opAdd ? int64_t(a) + b : Op == opSubtract ? int64_t(a) - b : int64_t(a) * b;
  if (exact < INT32_MIN || exact > INT32_MAX) return false;
  scStore(Out, Variant(static_cast<int32_t>(exact)));
  return true;
}

// x := x op e: integers take the 32-bit path; a String variable, and a plain variable holding
// a string that has a string added, append in place instead of copying the text each time.
int32_t WrapInt(int32_t A, int32_t B, TVarOp Op) {
  uint32_t a = static_cast<uint32_t>(A), b = static_cast<uint32_t>(B);
  return static_cast<int32_t>(Op == opAdd ? a + b : Op == opSubtract ? a - b : a * b);
}

void Modify(TscAssignmentStmt* S, TVarOp Op) {
  TscCustomVariable* Target = S->TargetItem;
  // "x := x op e" computes what the expression would: with an Integer variable and an Integer
  // operand the 32-bit operation (wrapping like the expression's integer path), otherwise the
  // variant operation.
  const bool intOps = Op != opDivide && Target->TypeCode == tcInteger && S->Source->TypeCode == tcInteger;
  if (Variant* slot = S->TargetSlot; slot && Op != opDivide) {
    // Both integers: the value computed without variants (the source runs no code, so reading
    // the target first changes nothing).
    int32_t b;
    if (slot->VType() == varInteger && !Target->ReadOnly && S->Source->EvalInt(b)) {
      int32_t a = slot->Data().I32;
      int64_t exact = Op == opAdd ? int64_t(a) + b : Op == opSubtract ? int64_t(a) - b : int64_t(a) * b;
      if (exact >= INT32_MIN && exact <= INT32_MAX) {
        scStoreInt(*slot, static_cast<int32_t>(exact));
        return;
      }
      if (intOps) {
        scStoreInt(*slot, WrapInt(a, b, Op));
        return;
      }
    }
  }
  Variant t;
  const Variant& r = S->Source->Eval(t);
  if (intOps && !Target->ReadOnly) {
    // Read the target after the source, as the expression does when the source runs code.
    Variant rv = r;
    Variant l = Target->GetValue();
    int32_t a = l.VType() == varInteger ? l.Data().I32 : l.AsInteger();
    int32_t b = rv.VType() == varInteger ? rv.Data().I32 : rv.AsInteger();
    Variant v(WrapInt(a, b, Op));
    if (Variant* slot = S->TargetSlot) scStore(*slot, v);
    else Target->SetValue(v);
    return;
  }
  if (Op == opAdd && Target->Is(kfStringVariable)) {
    if (const std::string* s = r.StringPtr()) {
      static_cast<TscStringVariable*>(Target)->StringValue += *s;
      return;
    }
  }
  if (Variant* slot = S->TargetSlot; slot && !Target->ReadOnly) {
    Variant& l = *slot;
    if (IntModify(l, r, Op, l)) return;
    // The general operator joins two strings into a varString (a varOleStr when both are):
    // the same text and kind as appending to the left one.
    if (Op == opAdd && ((l.VType() == varString && r.IsString()) || (l.VType() == varOleStr && r.VType() == varOleStr))) {
      l.AppendText(*r.StringPtr());
      return;
    }
    scStore(l, VarBinaryOp(Op, l, r));
    return;
  }
  // Reading the target may run code that changes the variable r refers to: r is taken first.
  if (&r != &t) scStore(t, r);
  Variant l = Target->GetValue();
  Variant v;
  if (IntModify(l, t, Op, v)) Target->SetValue(v);
  else Target->SetValue(VarBinaryOp(Op, l, t));
}

}  // namespace

void TscAssignPlusStmt::Execute() {
  ReportLine();
  if (!Program->Terminated) Modify(this, opAdd);
}
void TscAssignMinusStmt::Execute() {
  ReportLine();
  if (!Program->Terminated) Modify(this, opSubtract);
}
void TscAssignMulStmt::Execute() {
  ReportLine();
  if (!Program->Terminated) Modify(this, opMultiply);
}
void TscAssignDivStmt::Execute() {
  ReportLine();
  if (!Program->Terminated) Modify(this, opDivide);
}

void TscAssignCatStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  Variant t;
  const Variant& r = Source->Eval(t);
  auto* sv = static_cast<TscStringVariable*>(TargetItem);
  if (const std::string* s = r.StringPtr()) sv->StringValue += *s;
  else sv->StringValue += VarToStr(r);
}

TscCallStmt::~TscCallStmt() { delete Target; }

void TscCallStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  if (FModifier == 0) {
    FModifier = Modifier.empty() ? ' ' : Modifier[0];
    if (dynamic_cast<TscVariableDesignator*>(Target)) FSlot = scPlainSlot(Target->Reference);
  }
  // "x++" is "x := x + 1": on an Integer variable the 32-bit sum (wrapping as the expression
  // does), on anything else the variant sum.
  const bool intOps = Target->TypeCode == tcInteger;
  auto step = [&](const Variant& v) {
    bool plus = FModifier == '+';
    if (v.VType() == varInteger && (intOps || v.Data().I32 != (plus ? INT32_MAX : INT32_MIN)))
      return Variant(WrapInt(v.Data().I32, 1, plus ? opAdd : opSubtract));
    if (intOps) return Variant(WrapInt(v.AsInteger(), 1, plus ? opAdd : opSubtract));
    return VarBinaryOp(plus ? opAdd : opSubtract, v, Variant(1));
  };
  if (FSlot && (FModifier == '+' || FModifier == '-') && !Target->Reference->ReadOnly) {
    scStore(*FSlot, step(*FSlot));
    return;
  }
  if (FModifier == ' ') {
    Target->ResultWanted = false;
    Target->GetValue();
  } else if (FModifier == '+' || FModifier == '-') {
    Target->SetValue(step(Target->GetValue()));
  }
}

TscIfStmt::TscIfStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName)
    : TscStatement(AProgram, ASourcePos, AUnitName), ElseList(new TscStatement(AProgram, ASourcePos, AUnitName)) {}

TscIfStmt::~TscIfStmt() {
  delete Condition;
  delete ElseList;
}

namespace {
inline bool AsBool(const Variant& V) { return V.VType() == varBoolean ? V.Data().Bool : V.AsBoolean(); }
inline int32_t AsInt(const Variant& V) { return V.VType() == varInteger ? V.Data().I32 : V.AsInteger(); }
}  // namespace

void TscIfStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  if (Condition->EvalBool())
    RunList();
  else
    ElseList->Execute();
}

TscCaseSelector::~TscCaseSelector() { delete Values; }

bool TscCaseSelector::Matches(const Variant& V) { return Values->Contains(V); }

TscCaseStmt::TscCaseStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName)
    : TscStatement(AProgram, ASourcePos, AUnitName), ElseList(new TscStatement(AProgram, ASourcePos, AUnitName)) {}

TscCaseStmt::~TscCaseStmt() {
  delete Condition;
  delete ElseList;
}

void TscCaseStmt::Execute() {
  Variant v = Condition->GetValue();
  ReportLine();
  if (Program->Terminated) return;
  bool matched = false;
  for (TscItemList* s : FList) {
    auto* sel = static_cast<TscCaseSelector*>(s);
    if (sel->Matches(v)) {
      sel->Execute();
      matched = true;
      break;
    }
  }
  if (!matched) ElseList->Execute();
  if (BreakEndsCase) Program->BreakFlag = false;
}

TscRepeatStmt::~TscRepeatStmt() { delete Condition; }

void TscRepeatStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  TscScript* p = Program;
  for (;;) {
    RunList();
    if (p->BreakFlag || p->ExitFlag || p->Terminated) break;
    p->ContinueFlag = false;
    bool c = Condition->EvalBool();
    if (InvertedCondition ? !c : c) break;
  }
  p->BreakFlag = false;
}

TscWhileStmt::~TscWhileStmt() { delete Condition; }

void TscWhileStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  TscScript* p = Program;
  while (!p->Terminated && Condition->EvalBool()) {
    RunList();
    if (p->BreakFlag || p->ExitFlag) break;
    p->ContinueFlag = false;
  }
  p->BreakFlag = false;
}

TscForStmt::~TscForStmt() {
  delete BeginValue;
  delete EndValue;
}

void TscForStmt::Execute() {
  int32_t b = AsInt(BeginValue->GetValue());
  int32_t e = AsInt(EndValue->GetValue());
  ReportLine();
  if (Program->Terminated) return;
  TscScript* p = Program;
  int64_t count = Descending ? int64_t(b) - e + 1 : int64_t(e) - b + 1;
  int64_t counter = b;
  auto* sv = LoopVariable->Is(kfStringVariable) ? static_cast<TscStringVariable*>(LoopVariable) : nullptr;
  for (int64_t k = 0; k < count; ++k) {
    if (sv) sv->StringValue = std::to_string(counter);
    else scStoreInt(LoopVariable->Value, static_cast<int32_t>(counter));
    RunList();
    if (p->BreakFlag || p->ExitFlag || p->Terminated) break;
    p->ContinueFlag = false;
    counter += Descending ? -1 : 1;
  }
  p->BreakFlag = false;
}

TscVbForStmt::~TscVbForStmt() {
  delete BeginValue;
  delete EndValue;
  delete StepValue;
}

void TscVbForStmt::Execute() {
  Variant counter = BeginValue->GetValue();
  Variant e = EndValue->GetValue();
  Variant step = StepValue ? StepValue->GetValue() : Variant(1);
  bool negative = VarCompareOp(opCmpLT, step, Variant(0));
  ReportLine();
  if (Program->Terminated) return;
  TscScript* p = Program;
  if (counter.VType() == varInteger && e.VType() == varInteger && step.VType() == varInteger) {
    // Integer bounds and step: the same loop on machine integers until the counter would leave
    // the 32-bit range, where the variant loop below goes on (it widens the counter).
    int32_t c = counter.Data().I32, last = e.Data().I32, by = step.Data().I32;
    for (;;) {
      if (negative ? c < last : c > last) {
        p->BreakFlag = false;
        return;
      }
      scStoreInt(LoopVariable->Value, c);
      RunList();
      if (p->BreakFlag || p->ExitFlag || p->Terminated) {
        p->BreakFlag = false;
        return;
      }
      p->ContinueFlag = false;
      int64_t next = int64_t(c) + by;
      if (next < INT32_MIN || next > INT32_MAX) {
        counter = VarBinaryOp(opAdd, Variant(c), step);
        break;
      }
      c = static_cast<int32_t>(next);
    }
  }
  for (;;) {
    if (!VarCompareOp(negative ? opCmpGE : opCmpLE, counter, e)) break;
    LoopVariable->Value = counter;
    RunList();
    if (p->BreakFlag || p->ExitFlag || p->Terminated) break;
    p->ContinueFlag = false;
    if (counter.VType() == varInteger && step.VType() == varInteger &&
        int64_t(counter.Data().I32) + step.Data().I32 <= INT32_MAX && int64_t(counter.Data().I32) + step.Data().I32 >= INT32_MIN)
      counter = Variant(counter.Data().I32 + step.Data().I32);
    else
      counter = VarBinaryOp(opAdd, counter, step);
  }
  p->BreakFlag = false;
}

TscCppForStmt::TscCppForStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName)
    : TscStatement(AProgram, ASourcePos, AUnitName),
      InitList(new TscStatement(AProgram, ASourcePos, AUnitName)),
      StepList(new TscStatement(AProgram, ASourcePos, AUnitName)) {}

TscCppForStmt::~TscCppForStmt() {
  delete InitList;
  delete Condition;
  delete StepList;
}

void TscCppForStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  TscScript* p = Program;
  InitList->Execute();
  while (!p->Terminated && Condition->EvalBool()) {
    RunList();
    if (p->BreakFlag || p->ExitFlag) break;
    p->ContinueFlag = false;
    StepList->Execute();
  }
  p->BreakFlag = false;
}

TscTryStmt::TscTryStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName)
    : TscStatement(AProgram, ASourcePos, AUnitName), HandlerList(new TscStatement(AProgram, ASourcePos, AUnitName)) {}

TscTryStmt::~TscTryStmt() { delete HandlerList; }

void TscTryStmt::Execute() {
  ReportLine();
  if (Program->Terminated) return;
  TscScript* p = Program;
  if (IsExcept) {
    try {
      RunList();
    } catch (const std::exception&) {
      HandlerList->Execute();
    }
    return;
  }
  try {
    RunList();
  } catch (...) {
    bool exitFlag = p->ExitFlag;
    p->ExitFlag = false;
    HandlerList->Execute();
    p->ExitFlag = exitFlag;
    throw;
  }
  // The finally part runs in full; an exit inside it ends only the finally part, and the flag
  // the body left (an exit of the body goes on afterwards) is put back.
  bool exitFlag = p->ExitFlag;
  p->ExitFlag = false;
  HandlerList->Execute();
  p->ExitFlag = exitFlag;
}

void TscBreakStmt::Execute() { Program->BreakFlag = true; }
void TscContinueStmt::Execute() { Program->ContinueFlag = true; }
void TscExitStmt::Execute() { Program->ExitFlag = true; }

TscWithStmt::~TscWithStmt() { delete Target; }

void TscWithStmt::Execute() {
  RunList();
  WithVariable->Value = Target->GetValue();
}

// ---- The program -----------------------------------------------------------------------------

TscScript::TscScript(TComponent* AOwner) : TComponent(AOwner), MainStatement(new TscStatement(this, "", "")) {
  AddItem("__StringHelper", [] {
    auto* h = new TscStringHelper("__StringHelper", tcChar, "");
    h->AddItem(new TscParamItem("", tcInteger, ""));
    return h;
  }());
  AddItem("__ArrayHelper", [] {
    auto* h = new TscArrayHelper("__ArrayHelper", tcVariant, "");
    h->AddItem(new TscParamItem("", tcInteger, ""));
    for (int i = 0; i < 2; ++i) {
      auto* p = new TscParamItem("", tcInteger, "");
      p->Optional = true;
      h->AddItem(p);
    }
    return h;
  }());
}

TscScript::~TscScript() {
  Clear();
  delete MainStatement;
}

int TscScript::LowerBound(const std::string& AName) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), AName,
                             [](const Entry& e, const std::string& n) { return scCompareNames(e.Name, n) < 0; });
  return static_cast<int>(it - FItems.begin());
}

void TscScript::AddItem(const std::string& AName, TscCustomVariable* Item) {
  // Before the items that have the name already: among equal names the last added is found.
  FItems.insert(FItems.begin() + LowerBound(AName), Entry{AName, Item});
  if (Item) Item->Registrar = Registrar;
}

void TscScript::RemoveItem(TscCustomVariable* Item) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Item == Item) {
      FItems.erase(FItems.begin() + static_cast<long>(i));
      return;
    }
}

void TscScript::Clear() {
  std::reverse(FItems.begin(), FItems.end());
  while (!FItems.empty()) {
    TscCustomVariable* item = FItems.back().Item;
    FItems.pop_back();
    delete item;
  }
  MainStatement->Clear();
  ExecutableLines.clear();
  FNotedLines.clear();
}

void TscScript::RemoveItems(TObject* ARegistrar) {
  for (int i = ItemCount() - 1; i >= 0; --i) {
    if (i >= ItemCount()) continue;
    TscCustomVariable* item = FItems[static_cast<size_t>(i)].Item;
    if (item && item->Registrar == ARegistrar) {
      FItems.erase(FItems.begin() + i);
      delete item;
    }
  }
}

void TscScript::ClearItems(TObject* ARegistrar) {
  RemoveItems(ARegistrar);
  MainStatement->Clear();
  ExecutableLines.clear();
  FNotedLines.clear();
}

TscCustomVariable* TscScript::FindLocal(const std::string& AName) const {
  int i = LowerBound(AName);
  if (i < ItemCount() && scCompareNames(FItems[static_cast<size_t>(i)].Name, AName) == 0)
    return FItems[static_cast<size_t>(i)].Item;
  return nullptr;
}

TscCustomVariable* TscScript::Find(const std::string& AName) const {
  for (const TscScript* s = this; s; s = s->Parent)
    if (TscCustomVariable* v = s->FindLocal(AName)) return v;
  return nullptr;
}

TscClassVariable* TscScript::FindClassItem(const std::string& AName) const {
  return dynamic_cast<TscClassVariable*>(Find(AName));
}

void TscScript::SetText(const std::string& Text) {
  Lines.clear();
  size_t from = 0;
  while (from <= Text.size()) {
    size_t lf = Text.find('\n', from);
    std::string line = Text.substr(from, lf == std::string::npos ? std::string::npos : lf - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lf == std::string::npos) {
      if (!line.empty()) Lines.push_back(line);
      break;
    }
    Lines.push_back(line);
    from = lf + 1;
  }
}

std::string TscScript::Text() const {
  std::string t;
  for (const std::string& l : Lines) {
    t += l;
    t += "\r\n";
  }
  return t;
}

bool TscScript::Compile() {
  ErrorText.clear();
  ErrorUnitName.clear();
  // The matcher and the compiler recurse as deep as the text nests.
  scRunOnScriptStack([this] {
    TscILParser parser(this);
    parser.SelectScriptLanguage(SyntaxType);
    if (parser.MakeIntermediateScript(Text())) parser.ParseIntermediateScript();
  });
  if (ErrorText.empty()) {
    ErrorPosition.clear();
    return true;
  }
  return false;
}

void TscScript::Execute() {
  // Every run starts and ends with clear flags, so a break or exit of one run never reaches the
  // next one.
  BreakFlag = ContinueFlag = ExitFlag = Terminated = false;
  Running = true;
  RanAsMain = true;
  struct Reset {
    TscScript* S;
    ~Reset() { S->BreakFlag = S->ContinueFlag = S->ExitFlag = S->Terminated = S->Running = false; }
  } reset{this};
  scRunOnScriptStack([this] { MainStatement->Execute(); });
}

void TscScript::Terminate() {
  ExitFlag = Terminated = true;
  for (const Entry& e : FItems)
    if (auto* p = dynamic_cast<TscProcVariable*>(e.Item)) p->LocalScope->Terminate();
}

Variant TscScript::Evaluate(const std::string& Expression) {
  Variant result = Null();
  TscScript* context = ActiveLocalScope ? ActiveLocalScope : this;
  TscRunLineEvent saved = std::move(OnRunLine);
  OnRunLine = nullptr;
  struct Restore {
    TscScript* S;
    TscRunLineEvent& Saved;
    ~Restore() { S->OnRunLine = std::move(Saved); }
  } restore{this, saved};
  TscScript temp(nullptr);
  temp.Parent = context;
  temp.SetText("function __f__: Variant; begin Result := " + Expression + " end; begin end.");
  if (temp.Compile()) {
    if (auto* f = dynamic_cast<TscProcVariable*>(temp.FindLocal("__f__")))
      scRunOnScriptStack([&] { result = f->GetValue(); });
  } else {
    result = Variant(temp.ErrorText);
  }
  return result;
}

Variant TscScript::CallProc(const std::string& AName, const Variant& Params, Variant* Out) {
  auto* proc = dynamic_cast<TscProcVariable*>(FindLocal(AName));
  if (!proc) return Null();
  // Called again from native code while it runs: the running level keeps its values.
  TSavedLocals saved(gValueStack, proc);
  int assigned = 0;
  if (Params.IsArray()) {
    int lo = VarArrayLowBound(Params, 1), hi = VarArrayHighBound(Params, 1);
    for (int i = 0; i <= hi; ++i) {
      if (i >= proc->ParamCount()) IndexError(i);
      proc->Param(i)->Value = i >= lo ? Params.GetElement(&i, 1) : Null();
      ++assigned;
    }
  }
  // Parameters not given in this call start from their defaults, never from the previous call.
  for (int i = assigned; i < proc->ParamCount(); ++i) proc->Param(i)->Value = proc->Param(i)->DefaultValue;
  Variant r;
  scRunOnScriptStack([&] { r = proc->GetValue(); });
  if (Out && Out->IsArray()) {
    int hi = VarArrayHighBound(*Out, 1);
    for (int i = 0; i <= hi && i < proc->ParamCount(); ++i) Out->PutElement(&i, 1, proc->Param(i)->Value);
  }
  return r;
}

Variant TscScript::CallFunction(const std::string& AName, const Variant& Params) {
  return CallProc(AName, Params, nullptr);
}

Variant TscScript::CallFunctionVarParams(const std::string& AName, Variant& Params) {
  Variant in = Params;
  return CallProc(AName, in, &Params);
}

void TscScript::ReportLine(const std::string& AUnitName, const std::string& ASourcePos) {
  for (TscScript* s = this; s; s = s->Parent)
    if (s->OnRunLine) {
      s->OnRunLine(this, AUnitName, ASourcePos);
      return;
    }
}

void TscScript::NoteExecutableLine(const std::string& AUnitName, const std::string& ASourcePos) {
  std::string line = ASourcePos.substr(0, ASourcePos.find(':'));
  int number = atoi(line.c_str());
  std::string key = AUnitName + "=";
  size_t unit = 0;
  while (unit < FNotedLines.size() && FNotedLines[unit].first != AUnitName) ++unit;
  if (unit == FNotedLines.size()) FNotedLines.emplace_back(AUnitName, std::vector<bool>());
  std::vector<bool>& noted = FNotedLines[unit].second;
  if (number >= 0 && static_cast<size_t>(number) < noted.size() && noted[static_cast<size_t>(number)]) return;
  if (number >= 0) {
    if (static_cast<size_t>(number) >= noted.size()) noted.resize(static_cast<size_t>(number) + 1);
    noted[static_cast<size_t>(number)] = true;
  }
  for (std::string& e : ExecutableLines) {
    if (e.compare(0, key.size(), key) != 0) continue;
    e += line + ",";
    return;
  }
  ExecutableLines.push_back(key + line + ",");
}

bool TscScript::IsExecutableLine(int Line, const std::string& AUnitName) const {
  std::string key = AUnitName + "=";
  for (const std::string& e : ExecutableLines)
    if (e.compare(0, key.size(), key) == 0)
    {
      std::string list(1, ',');
      list.append(e, key.size(), std::string::npos);
      std::string needle(1, ',');
      needle.append(std::to_string(Line)).append(1, ',');
      return list.find(needle) != std::string::npos;
    }
  return false;
}

void TscScript::AddBaseType(const std::string& AName, TscTypeCode ACode) {
  if (Find(AName)) return;
  AddItem(AName, new TscTypeVariable(AName, ACode, ""));
}

TscClassVariable* TscScript::AddClass(TClass AClass, const std::string& AncestorName) {
  if (!AClass || Find(AClass->Name)) return nullptr;
  auto* c = new TscClassVariable(AClass, AncestorName);
  c->Program = this;
  AddItem(c->Name, c);
  if (TscClassVariable* anc = FindClassItem(AncestorName)) c->DefaultProperty = anc->DefaultProperty;
  return c;
}

void TscScript::AddConst(const std::string& AName, const std::string& ATypeName, const Variant& AValue) {
  if (Find(AName)) return;
  auto* v = new TscVariable(AName, ScriptTypeCodeOf(ATypeName, this), ATypeName);
  v->Value = AValue;
  v->ReadOnly = true;
  AddItem(AName, v);
}

void TscScript::AddVariable(const std::string& AName, const std::string& ATypeName, const Variant& AValue) {
  if (Find(AName)) return;
  auto* v = new TscVariable(AName, ScriptTypeCodeOf(ATypeName, this), ATypeName);
  v->Value = AValue;
  AddItem(AName, v);
}

void TscScript::AddObject(const std::string& AName, TObject* Obj) {
  AddVariable(AName, Obj ? Obj->ClassName() : "TObject", scObjectToValue(Obj));
}

namespace {
std::vector<std::string> SplitNames(const std::string& Names) {
  std::vector<std::string> r;
  size_t from = 0;
  while (from <= Names.size()) {
    size_t comma = Names.find(',', from);
    std::string n = Trim(Names.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (!n.empty()) r.push_back(n);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return r;
}
}  // namespace

void TscScript::AddEnum(const std::string& ATypeName, const std::string& Names) {
  AddItem(ATypeName, new TscVariable(ATypeName, tcEnum, ATypeName));
  int i = 0;
  for (const std::string& n : SplitNames(Names)) {
    auto* v = new TscVariable(n, tcEnum, ATypeName);
    v->Value = i++;
    v->ReadOnly = true;
    AddItem(n, v);
  }
}

void TscScript::AddEnumSet(const std::string& ATypeName, const std::string& Names) {
  AddItem(ATypeName, new TscVariable(ATypeName, tcEnum, ATypeName));
  int i = 0;
  for (const std::string& n : SplitNames(Names)) {
    auto* v = new TscVariable(n, tcEnum, ATypeName);
    v->Value = static_cast<int32_t>(1u << (i++ & 31));
    v->ReadOnly = true;
    AddItem(n, v);
  }
}

TscMethodHelper* TscScript::AddMethod(const std::string& Declaration, TscMethodCallback Callback,
                                      const std::string& Category, const std::string& Description) {
  TscMethodHelper* m = NewMethodHelper(Declaration, this, std::move(Callback));
  m->Category = Category;
  m->Description = Description.empty() ? m->Name : Description;
  AddItem(m->Name, m);
  return m;
}
