// The base classes as scripts see them.
#include "script/sc_iclassesrtti.h"

#include <cstring>

#include "platform/rtl/collection.h"
#include "platform/rtl/component.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "script/sc_ievents.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_ibindhelpers.h"
#include "script/sc_isysrtti.h"
#include "script/sc_xml.h"

namespace {

using scbind::Obj;
using scbind::Ref;
using scbind::Self;

// Builds an instance of the class a script named, with its class's own (virtual) constructor.
TObject* Construct(TComponent* Owner) {
  TClass c = scConstructingClass();
  if (!c) throw EInvalidPointer("Invalid object reference");
  return TPendingInstance(c).Construct(Owner);
}

// The registration object of the base classes: registrar of its items, owner of the callbacks.
class TClassesFunctions : public TObject {
public:
  explicit TClassesFunctions(TscScript* S);
  ~TClassesFunctions() override {
    if (TscScript* s = scGlobalScript()) s->RemoveItems(this);
  }
  Variant CallMethod(TObject* Instance, TClass ClassRef, const std::string& Name, TscArgs& P);
  Variant GetProp(TObject* Instance, TClass ClassRef, const std::string& Name);
  void SetProp(TObject* Instance, TClass ClassRef, const std::string& Name, const Variant& Value);
};

TClassesFunctions* gClassesFunctions = nullptr;

TClassesFunctions::TClassesFunctions(TscScript* S) {
  S->Registrar = this;
  auto m = [this](TObject* I, TClass C, const std::string& N, TscArgs& P) {
    return CallMethod(I, C, N, P);
  };
  auto g = [this](TObject* I, TClass C, const std::string& N) { return GetProp(I, C, N); };
  auto s = [this](TObject* I, TClass C, const std::string& N, const Variant& V) {
    SetProp(I, C, N, V);
  };
  const std::pair<const char*, int> consts[] = {{"fmCreate", 65535},      {"fmOpenRead", 0},
                                                {"fmOpenWrite", 1},       {"fmOpenReadWrite", 2},
                                                {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32},
                                                {"fmShareDenyNone", 64},  {"soFromBeginning", 0},
                                                {"soFromCurrent", 1},     {"soFromEnd", 2}};
  for (const auto& c : consts) S->AddConst(c.first, "Integer", c.second);
  S->AddEnum("TDuplicates", "dupIgnore, dupAccept, dupError");
  S->AddEnum("TPrinterOrientation", "poPortrait, poLandscape");

  if (TscClassVariable* c = S->AddClass(TObject::StaticClass(), "")) {
    c->AddConstructor("constructor Create", m);
    c->AddMethod("procedure Free", m);
    c->AddMethod("function ClassName: String", m);
  }
  if (TscClassVariable* c = S->AddClass(TPersistent::StaticClass(), "TObject"))
    c->AddMethod("procedure Assign(Source: TPersistent)", m);
  S->AddClass(TCollectionItem::StaticClass(), "TPersistent");
  if (TscClassVariable* c = S->AddClass(TCollection::StaticClass(), "TPersistent")) {
    c->AddMethod("procedure Clear", m);
    c->AddProperty("Count", "Integer", g);
    c->AddDefaultProperty("Items", "Integer", "TCollectionItem", m, true);
  }
  if (TscClassVariable* c = S->AddClass(TList::StaticClass(), "TObject")) {
    c->AddMethod("function Add(Item: TObject): Integer", m);
    c->AddMethod("procedure Clear", m);
    c->AddMethod("procedure Delete(Index: Integer)", m);
    c->AddMethod("function IndexOf(Item: TObject): Integer", m);
    c->AddMethod("procedure Insert(Index: Integer; Item: TObject)", m);
    c->AddMethod("function Remove(Item: TObject): Integer", m);
    c->AddProperty("Count", "Integer", g);
    c->AddDefaultProperty("Items", "Integer", "TObject", m, false);
  }
  if (TscClassVariable* c = S->AddClass(TStrings::StaticClass(), "TPersistent")) {
    for (const char* d :
         {"function Add(const S: string): Integer",
          "function AddObject(const S: string; AObject: TObject): Integer", "procedure Clear",
          "procedure Delete(Index: Integer)", "function IndexOf(const S: string): Integer",
          "function IndexOfName(const Name: string): Integer",
          "function IndexOfObject(AObject: TObject): Integer",
          "procedure Insert(Index: Integer; const S: string)",
          "procedure InsertObject(Index: Integer; const S: string; AObject: TObject)",
          "procedure LoadFromFile(const FileName: string)",
          "procedure LoadFromStream(Stream: TStream)",
          "procedure SaveToFile(const FileName: string)",
          "procedure Move(CurIndex, NewIndex: Integer)", "procedure SaveToStream(Stream: TStream)"})
      c->AddMethod(d, m);
    c->AddProperty("CommaText", "string", g, s);
    c->AddProperty("Count", "Integer", g);
    c->AddIndexProperty("Names", "Integer", "string", m, true);
    c->AddIndexProperty("Objects", "Integer", "TObject", m, false);
    c->AddIndexProperty("Values", "String", "string", m, false);
    c->AddDefaultProperty("Strings", "Integer", "string", m, false);
    c->AddProperty("Text", "string", g, s);
  }
  if (TscClassVariable* c = S->AddClass(TStringList::StaticClass(), "TStrings")) {
    c->AddMethod("function Find(s: String; var Index: Integer): Boolean", m);
    c->AddMethod("procedure Sort", m);
    c->AddProperty("Duplicates", "TDuplicates", g, s);
    c->AddProperty("Sorted", "Boolean", g, s);
  }
  if (TscClassVariable* c = S->AddClass(TStream::StaticClass(), "TObject")) {
    c->AddMethod("function Read(var Buffer: string; Count: Longint): Longint", m);
    c->AddMethod("function Write(Buffer: string; Count: Longint): Longint", m);
    c->AddMethod("function Seek(Offset: Longint; Origin: Word): Longint", m);
    c->AddMethod("function CopyFrom(Source: TStream; Count: Longint): Longint", m);
    c->AddProperty("Position", "Longint", g, s);
    c->AddProperty("Size", "Longint", g);
  }
  if (TscClassVariable* c = S->AddClass(TFileStream::StaticClass(), "TStream"))
    c->AddConstructor("constructor Create(Filename: String; Mode: Word)", m);
  if (TscClassVariable* c = S->AddClass(TMemoryStream::StaticClass(), "TStream")) {
    c->AddMethod("procedure Clear", m);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", m);
    c->AddMethod("procedure LoadFromFile(Filename: String)", m);
    c->AddMethod("procedure SaveToStream(Stream: TStream)", m);
    c->AddMethod("procedure SaveToFile(Filename: String)", m);
  }
  if (TscClassVariable* c = S->AddClass(TComponent::StaticClass(), "TPersistent")) {
    c->AddConstructor("constructor Create(AOwner: TComponent)", m);
    c->AddProperty("Owner", "TComponent", g);
  }
  if (TscClassVariable* c = S->AddClass(TscXMLItem::StaticClass(), "TObject")) {
    c->AddConstructor("constructor Create", m);
    c->AddMethod("procedure AddItem(Item: TscXMLItem)", m);
    c->AddMethod("procedure Clear", m);
    c->AddMethod("procedure InsertItem(Index: Integer; Item: TscXMLItem)", m);
    c->AddMethod("function Add: TscXMLItem", m);
    c->AddMethod("function Find(const Name: String): Integer", m);
    c->AddMethod("function FindItem(const Name: String): TscXMLItem", m);
    c->AddMethod("function Prop(const Name: String): String", m);
    c->AddMethod("function Root: TscXMLItem", m);
    c->AddProperty("Data", "Integer", g, s);
    c->AddProperty("Count", "Integer", g);
    c->AddDefaultProperty("Items", "Integer", "TscXMLItem", m, true);
    c->AddProperty("Name", "String", g, s);
    c->AddProperty("Parent", "TscXMLItem", g);
    c->AddProperty("Text", "String", g, s);
  }
  if (TscClassVariable* c = S->AddClass(TscXMLDocument::StaticClass(), "TObject")) {
    c->AddConstructor("constructor Create", m);
    c->AddMethod("procedure SaveToStream(Stream: TStream)", m);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", m);
    c->AddMethod("procedure SaveToFile(const FileName: String)", m);
    c->AddMethod("procedure LoadFromFile(const FileName: String)", m);
    c->AddProperty("Root", "TscXMLItem", g);
  }
  S->Registrar = nullptr;
}

Variant TClassesFunctions::CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P) {
  auto str = [&](size_t i) { return VarToStr(P[i]); };
  auto i32 = [&](size_t i) { return P[i].AsInteger(); };
  if (C == TObject::StaticClass()) {
    if (N == "CREATE") return Instance ? Ref(Instance) : Ref(Construct(nullptr));
    if (N == "FREE") {
      if (!Instance) return 0;
      if (TscEventList* l = GlobalEventList()) l->FreeObjectEvents(Instance);
      delete Instance;
      return 0;
    }
    if (N == "CLASSNAME") return Variant(Self<TObject>(Instance)->ClassName());
  } else if (C == TPersistent::StaticClass()) {
    if (N == "ASSIGN") Self<TPersistent>(Instance)->Assign(Obj<TPersistent>(P[0]));
  } else if (C == TCollection::StaticClass()) {
    auto* c = Self<TCollection>(Instance);
    if (N == "CLEAR")
      c->Clear();
    else if (N == "ITEMS.GET")
      return Ref(c->Items(i32(0)));
  } else if (C == TList::StaticClass()) {
    auto* l = Self<TList>(Instance);
    if (N == "ADD") return l->Add(Obj<TObject>(P[0]));
    if (N == "CLEAR")
      l->Clear();
    else if (N == "DELETE")
      l->Delete(i32(0));
    else if (N == "INDEXOF")
      return l->IndexOf(Obj<TObject>(P[0]));
    else if (N == "INSERT")
      l->Insert(i32(0), Obj<TObject>(P[1]));
    else if (N == "REMOVE")
      return l->Remove(Obj<TObject>(P[0]));
    else if (N == "ITEMS.GET")
      return Ref(static_cast<TObject*>(l->Items(i32(0))));
    else if (N == "ITEMS.SET")
      l->SetItems(i32(0), Obj<TObject>(P[1]));
  } else if (C == TStrings::StaticClass()) {
    auto* l = Self<TStrings>(Instance);
    if (N == "ADD") return l->Add(str(0));
    if (N == "ADDOBJECT") return l->AddObject(str(0), Obj<TObject>(P[1]));
    if (N == "CLEAR")
      l->Clear();
    else if (N == "DELETE")
      l->Delete(i32(0));
    else if (N == "INDEXOF")
      return l->IndexOf(str(0));
    else if (N == "INDEXOFNAME")
      return l->IndexOfName(str(0));
    else if (N == "INDEXOFOBJECT")
      return l->IndexOfObject(Obj<TObject>(P[0]));
    else if (N == "INSERT")
      l->Insert(i32(0), str(1));
    else if (N == "INSERTOBJECT")
      l->InsertObject(i32(0), str(1), Obj<TObject>(P[2]));
    else if (N == "LOADFROMFILE")
      l->LoadFromFile(str(0));
    else if (N == "LOADFROMSTREAM")
      l->LoadFromStream(Obj<TStream>(P[0]));
    else if (N == "MOVE")
      l->Move(i32(0), i32(1));
    else if (N == "SAVETOFILE")
      l->SaveToFile(str(0));
    else if (N == "SAVETOSTREAM")
      l->SaveToStream(Obj<TStream>(P[0]));
    else if (N == "NAMES.GET")
      return Variant(l->Names(i32(0)));
    else if (N == "OBJECTS.GET")
      return Ref(l->Objects(i32(0)));
    else if (N == "OBJECTS.SET")
      l->SetObjects(i32(0), Obj<TObject>(P[1]));
    else if (N == "VALUES.GET")
      return Variant(l->Values(str(0)));
    else if (N == "VALUES.SET")
      l->SetValues(str(0), str(1));
    else if (N == "STRINGS.GET")
      return Variant(l->Strings(i32(0)));
    else if (N == "STRINGS.SET")
      l->SetStrings(i32(0), str(1));
  } else if (C == TStringList::StaticClass()) {
    auto* l = Self<TStringList>(Instance);
    if (N == "FIND") {
      int index = 0;
      bool found = l->Find(str(0), index);
      P[1] = index;
      return found;
    }
    if (N == "SORT") l->Sort();
  } else if (C == TStream::StaticClass()) {
    auto* st = Self<TStream>(Instance);
    if (N == "READ") {
      int64_t count = std::max<int64_t>(0, P[1].AsInt64());
      int64_t left = std::max<int64_t>(0, st->Size() - st->Position());
      std::string buffer(static_cast<size_t>(std::min(count, left)), '\0');
      int64_t read =
          buffer.empty() ? 0 : st->Read(buffer.data(), static_cast<int64_t>(buffer.size()));
      buffer.resize(static_cast<size_t>(std::max<int64_t>(read, 0)));
      P[0] = Variant(buffer);
      return static_cast<int32_t>(read);
    }
    if (N == "WRITE") {
      // Never more than the text holds.
      std::string text = str(0);
      int64_t count = std::min<int64_t>(std::max<int64_t>(0, P[1].AsInt64()),
                                        static_cast<int64_t>(text.size()));
      return static_cast<int32_t>(st->Write(text.data(), count));
    }
    if (N == "SEEK") return static_cast<int32_t>(st->Seek(i32(0), i32(1)));
    if (N == "COPYFROM") return Variant(st->CopyFrom(Obj<TStream>(P[0]), P[1].AsInt64()));
  } else if (C == TFileStream::StaticClass()) {
    if (N == "CREATE") {
      if (Instance) return Ref(Instance);
      int mode = i32(1);
      // The scripts' fmCreate (65535) asks for a new file, whatever share bits come with it.
      uint16_t m = (mode & 0xFF00) == 0xFF00 ? uint16_t(fmCreate) : static_cast<uint16_t>(mode);
      return Ref(new TFileStream(str(0), m));
    }
  } else if (C == TMemoryStream::StaticClass()) {
    auto* st = Self<TMemoryStream>(Instance);
    if (N == "CLEAR")
      st->Clear();
    else if (N == "LOADFROMSTREAM")
      st->LoadFromStream(Obj<TStream>(P[0]));
    else if (N == "LOADFROMFILE")
      st->LoadFromFile(str(0));
    else if (N == "SAVETOSTREAM")
      st->SaveToStream(Obj<TStream>(P[0]));
    else if (N == "SAVETOFILE")
      st->SaveToFile(str(0));
  } else if (C == TComponent::StaticClass()) {
    if (N == "CREATE") return Instance ? Ref(Instance) : Ref(Construct(Obj<TComponent>(P[0])));
  } else if (C == TscXMLItem::StaticClass()) {
    if (N == "CREATE") return Instance ? Ref(Instance) : Ref(Construct(nullptr));
    auto* x = Self<TscXMLItem>(Instance);
    if (N == "ADDITEM")
      x->AddItem(Obj<TscXMLItem>(P[0]));
    else if (N == "CLEAR")
      x->Clear();
    else if (N == "INSERTITEM")
      x->InsertItem(i32(0), Obj<TscXMLItem>(P[1]));
    else if (N == "ADD")
      return Ref(x->Add());
    else if (N == "FIND")
      return x->Find(str(0));
    else if (N == "FINDITEM")
      return Ref(x->FindItem(str(0)));
    else if (N == "PROP")
      return Variant(x->Prop(str(0)));
    else if (N == "ROOT")
      return Ref(x->Root());
    else if (N == "ITEMS.GET")
      return Ref(x->Items(i32(0)));
  } else if (C == TscXMLDocument::StaticClass()) {
    if (N == "CREATE") return Instance ? Ref(Instance) : Ref(Construct(nullptr));
    auto* d = Self<TscXMLDocument>(Instance);
    if (N == "SAVETOSTREAM")
      d->SaveToStream(Obj<TStream>(P[0]));
    else if (N == "LOADFROMSTREAM")
      d->LoadFromStream(Obj<TStream>(P[0]));
    else if (N == "SAVETOFILE")
      d->SaveToFile(str(0));
    else if (N == "LOADFROMFILE")
      d->LoadFromFile(str(0));
  }
  return 0;
}

Variant TClassesFunctions::GetProp(TObject* Instance, TClass C, const std::string& N) {
  if (C == TCollection::StaticClass() && N == "COUNT") return Self<TCollection>(Instance)->Count();
  if (C == TList::StaticClass() && N == "COUNT") return Self<TList>(Instance)->Count();
  if (C == TStrings::StaticClass()) {
    auto* l = Self<TStrings>(Instance);
    if (N == "COMMATEXT") return Variant(l->CommaText());
    if (N == "COUNT") return l->Count();
    if (N == "TEXT") return Variant(l->Text());
  } else if (C == TStringList::StaticClass()) {
    auto* l = Self<TStringList>(Instance);
    if (N == "DUPLICATES") return static_cast<int32_t>(l->Duplicates());
    if (N == "SORTED") return l->Sorted();
  } else if (C == TStream::StaticClass()) {
    auto* st = Self<TStream>(Instance);
    if (N == "POSITION") return Variant(st->Position());
    if (N == "SIZE") return Variant(st->Size());
  } else if (C == TComponent::StaticClass() && N == "OWNER") {
    return Ref(Self<TComponent>(Instance)->Owner());
  } else if (C == TscXMLItem::StaticClass()) {
    auto* x = Self<TscXMLItem>(Instance);
    if (N == "DATA") return static_cast<int32_t>(x->Data);
    if (N == "COUNT") return x->Count();
    if (N == "NAME") return Variant(x->Name);
    if (N == "PARENT") return Ref(x->Parent);
    if (N == "TEXT") return Variant(x->Text);
  } else if (C == TscXMLDocument::StaticClass() && N == "ROOT") {
    return Ref(Self<TscXMLDocument>(Instance)->Root());
  }
  return 0;
}

void TClassesFunctions::SetProp(TObject* Instance, TClass C, const std::string& N, const Variant& V) {
  if (C == TStrings::StaticClass()) {
    auto* l = Self<TStrings>(Instance);
    if (N == "COMMATEXT")
      l->SetCommaText(VarToStr(V));
    else if (N == "TEXT")
      l->SetText(VarToStr(V));
  } else if (C == TStringList::StaticClass()) {
    auto* l = Self<TStringList>(Instance);
    if (N == "DUPLICATES") {
      int d = V.AsInteger();
      if (d < dupIgnore || d > dupError)
        throw ERangeError("Invalid duplicates mode: " + std::to_string(d));
      l->SetDuplicates(static_cast<TDuplicates>(d));
    } else if (N == "SORTED") {
      l->SetSorted(V.AsBoolean());
    }
  } else if (C == TStream::StaticClass() && N == "POSITION") {
    Self<TStream>(Instance)->SetPosition(V.AsInt64());
  } else if (C == TscXMLItem::StaticClass()) {
    auto* x = Self<TscXMLItem>(Instance);
    if (N == "DATA")
      x->Data = V.AsInteger();
    else if (N == "NAME")
      x->Name = VarToStr(V);
    else if (N == "TEXT")
      x->Text = VarToStr(V);
  }
}

}  // namespace

void scStartClassesRTTI() {
  if (gClassesFunctions) return;
  if (TscScript* s = scGlobalScript()) gClassesFunctions = new TClassesFunctions(s);
}

void scStopClassesRTTI() {
  delete gClassesFunctions;
  gClassesFunctions = nullptr;
}
