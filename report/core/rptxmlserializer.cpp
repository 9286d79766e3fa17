// The report file format: objects to XML elements and back through the published-property
// description of each class.
#include "report/core/rptxmlserializer.h"

#include <cctype>

#include "platform/rtl/collection.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptxml.h"

ORV_CLASS_IMPL(TrptXMLSerializer, TObject)

void (*rptSetMemoText)(TrptComponent* Obj, const std::string& Text) = nullptr;

namespace {
std::string Attr(const std::string& Name, const std::string& Value) {
  return " " + Name + "=\"" + Value + "\"";
}

// The lines of a string list joined by CR LF, without a final line break.
std::string ListText(TStrings* L) {
  std::string s;
  for (int i = 0; i < L->Count(); ++i) {
    if (i > 0) s += "\r\n";
    s += L->Get(i);
  }
  return s;
}

bool IsComponentClass(PPropInfo P) {
  TClass c = GetObjectPropClass(P);
  return c && c->InheritsFrom(TComponent::StaticClass());
}

bool IsDecimal(const std::string& S) {
  if (S.empty()) return false;
  size_t i = S[0] == '-' || S[0] == '+' ? 1 : 0;
  if (i >= S.size()) return false;
  for (; i < S.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(S[i]))) return false;
  return true;
}
}  // namespace

TrptXMLSerializer::TrptXMLSerializer(TStream* AStream)
    : XMLStream(AStream), FErrorList(std::make_unique<TStringList>()) {
  FErrorList->SetSorted(true);
  FErrorList->SetDuplicates(dupIgnore);
}

TrptXMLSerializer::~TrptXMLSerializer() = default;

void TrptXMLSerializer::AddError(const std::string& Text) { FErrorList->Add(Text); }

// ---- Writing ----

void TrptXMLSerializer::SaveCollectionItems(TrptXMLItem* Parent, TCollection* Items) {
  for (int i = 0; i < Items->Count(); ++i) {
    TrptXMLItem* child = Parent->AddChild();
    child->ElementName = "item";
    std::string text = BuildAttrText(Items->Items(i));
    child->AttrText = text.empty() ? text : text.substr(1);
  }
}

std::string TrptXMLSerializer::BuildAttrText(TPersistent* Obj, const std::string& Prefix) {
  auto* rc = dynamic_cast<TrptComponent*>(Obj);
  struct Writing {
    TrptComponent* C;
    bool Was;
    ~Writing() {
      if (C) C->IsWriting = Was;
    }
  } writing{rc, rc ? rc->IsWriting : false};
  if (rc) rc->IsWriting = true;

  std::string s;
  const bool isComponent = dynamic_cast<TComponent*>(Obj) != nullptr;
  for (PPropInfo p : GetPropList(Obj, tkProperties)) {
    if (!p->CanRead) continue;
    // Read-only properties are left out, except sub-objects, which are filled through the getter.
    if (!p->CanWrite && (p->PropType->Kind != tkClass || IsComponentClass(p))) continue;
    if (isComponent && SameText(p->Name, "Name")) continue;
    if (!IsStoredProp(Obj, p)) continue;
    const std::string name = Prefix + p->Name;
    switch (p->PropType->Kind) {
      case tkInteger: case tkChar: case tkWChar: case tkInt64:
        if (SaveDefaultValues || !IsDefaultPropValue(Obj, p)) s += Attr(name, IntToStr(GetInt64Prop(Obj, p)));
        break;
      case tkEnumeration:
        if (SaveDefaultValues || !IsDefaultPropValue(Obj, p))
          s += Attr(name, GetEnumName(p->PropType, GetOrdProp(Obj, p)));
        break;
      case tkSet:
        if (SaveDefaultValues || !IsDefaultPropValue(Obj, p)) s += Attr(name, IntToStr(GetOrdProp(Obj, p)));
        break;
      case tkFloat:
        s += Attr(name, FloatToStr(GetFloatProp(Obj, p)));
        break;
      case tkString: case tkLString: case tkWString: {
        std::string v = GetStrProp(Obj, p);
        if (!v.empty() || SaveDefaultValues) s += Attr(name, rptEscapeAttr(v));
        break;
      }
      case tkVariant: {
        std::string v = rptVariantToAttr(GetVariantProp(Obj, p));
        if (!v.empty()) s += Attr(name, v);
        break;
      }
      case tkClass: {
        TObject* o = GetObjectProp(Obj, p);
        if (IsComponentClass(p)) {
          if (!o) break;
          std::string path = rptComponentFullName(RefRoot, static_cast<TComponent*>(o));
          if (!path.empty()) s += Attr(name, path);
        } else if (auto* list = dynamic_cast<TStrings*>(o)) {
          s += Attr(name + ".Text", rptEscapeAttr(ListText(list)));
        } else if (auto* sub = dynamic_cast<TPersistent*>(o)) {
          s += BuildAttrText(sub, name + ".");
        }
        break;
      }
      default:
        break;
    }
  }
  TMemoryStream bin;
  {
    TWriter writer(&bin);
    writer.SetRoot(dynamic_cast<TComponent*>(RefRoot));
    Obj->DefineProperties(&writer);
  }
  if (bin.Size() > 0) s += Attr(Prefix + "PropData", rptStreamToHex(&bin));
  return s;
}

void TrptXMLSerializer::WriteObjectTree(TrptComponent* Obj, TrptXMLItem* Item, bool SaveChildren) {
  Item->ElementName = Obj->ClassName();
  Item->AttrText = "Name=\"" + Obj->Name() + "\"" + BuildAttrText(Obj);
  if (!SaveChildren) return;
  for (TrptComponent* c : Obj->Objects) WriteObjectTree(c, Item->AddChild(), true);
}

void TrptXMLSerializer::WriteRoot(TrptComponent* Component, bool SaveChildren, TrptXMLItem* Item) {
  if (!RefRoot) RefRoot = Component;
  std::unique_ptr<TrptXMLDocument> doc;
  if (!Item) {
    doc = std::make_unique<TrptXMLDocument>();
    doc->Indented = true;
    Item = doc->Root();
  }
  WriteObjectTree(Component, Item, SaveChildren);
  if (doc) doc->SaveToStream(XMLStream);
}

std::string TrptXMLSerializer::ObjectToText(TPersistent* Obj) { return Obj->ClassName() + BuildAttrText(Obj); }

void TrptXMLSerializer::WriteComponent(TrptComponent* Component) {
  std::string text = "<" + ObjectToText(Component) + "/>";
  XMLStream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// ---- Reading ----

void TrptXMLSerializer::ApplyAttrText(const std::string& Text, TPersistent* Obj) {
  std::string text = Text;
  while (!text.empty()) {
    size_t q = text.find('"');
    if (q == std::string::npos) break;
    std::string name = Trim(LowerCase(q > 0 ? text.substr(0, q - 1) : std::string()));
    if (name.empty()) break;
    text[q] = ' ';
    size_t close = text.find('"', q);
    std::string value = text.substr(q + 1, close == std::string::npos ? std::string::npos : close - q - 1);
    try {
      ApplyAttr(Obj, name, value);
    } catch (const std::exception& e) {
      AddError(e.what());
    }
    if (close == std::string::npos) break;
    text.erase(0, close + 2);
  }
}

void TrptXMLSerializer::ApplyAttr(TPersistent* Obj, const std::string& AName, const std::string& Value) {
  std::string name = AName;
  if (name.size() == 1) {
    auto* rc = dynamic_cast<TrptComponent*>(Obj);
    switch (name[0]) {
      case 'h': name = "height"; break;
      case 'l': name = "left"; break;
      case 't': name = "top"; break;
      case 'w': name = "width"; break;
      case 'x':
        if (rc && rptSetMemoText) rptSetMemoText(rc, rptUnescapeAttr(Value));
        return;
      default: break;
    }
    if (rc && name.size() > 1) {
      Extended v = rptTextToFloat(Value);
      if (name == "height") rc->SetHeight(v);
      else if (name == "left") rc->SetLeft(v);
      else if (name == "top") rc->SetTop(v);
      else rc->SetWidth(v);
      return;
    }
  }
  TPersistent* cur = Obj;
  size_t dot;
  while ((dot = name.find('.')) != std::string::npos) {
    PPropInfo p = GetPropInfo(cur, name.substr(0, dot));
    if (!p || p->PropType->Kind != tkClass || IsComponentClass(p)) return;
    cur = dynamic_cast<TPersistent*>(GetObjectProp(cur, p));
    if (!cur) return;
    name.erase(0, dot + 1);
  }
  if (auto* list = dynamic_cast<TStrings*>(cur); list && name == "text") {
    list->SetText(rptUnescapeAttr(Value));
    return;
  }
  if (name == "propdata") {
    ReadPropData(cur, Value);
    return;
  }
  PPropInfo p = GetPropInfo(cur, name);
  if (!p || !p->CanWrite) return;
  switch (p->PropType->Kind) {
    case tkInteger: case tkChar: case tkWChar:
      SetOrdProp(cur, p, StrToInt(Value));
      break;
    case tkInt64:
      SetInt64Prop(cur, p, StrToInt64(Value));
      break;
    case tkEnumeration: {
      // A number sets that ordinal; a name is looked up. Anything else, or a number outside the
      // type, is a load error: the property keeps its value.
      int64_t ord;
      if (IsDecimal(Value)) {
        ord = StrToInt64(Value);
      } else {
        ord = GetEnumValue(p->PropType, Value);
        if (ord < 0) ord = p->PropType->MinValue - 1;
      }
      if (ord < p->PropType->MinValue || ord > p->PropType->MaxValue)
        throw EReadError(Format("Invalid property value: %s=\"%s\"", {p->Name, Value}));
      SetOrdProp(cur, p, ord);
      break;
    }
    case tkSet:
      SetOrdProp(cur, p, static_cast<uint32_t>(StrToInt64(Value)));
      break;
    case tkFloat:
      SetFloatProp(cur, p, rptTextToFloat(Value));
      break;
    case tkString: case tkLString: case tkWString:
      SetStrProp(cur, p, rptUnescapeAttr(Value));
      break;
    case tkVariant:
      SetVariantProp(cur, p, Variant(rptUnescapeAttr(Value)));
      break;
    case tkClass:
      if (IsComponentClass(p)) FPendingRefs.push_back({cur, p, rptUnescapeAttr(Value)});
      break;
    default:
      break;
  }
}

void TrptXMLSerializer::ReadPropData(TPersistent* Obj, const std::string& Hex) {
  TMemoryStream bin;
  rptHexToStream(Hex, &bin);
  bin.SetPosition(0);
  TReader reader(&bin);
  reader.SetRoot(dynamic_cast<TComponent*>(RefRoot));
  try {
    while (reader.Position() < bin.Size()) reader.ReadProperty(Obj);
  } catch (...) {
    // Data that cannot be read ends quietly at the first failing record.
  }
}

void TrptXMLSerializer::ReadObjectTree(TrptXMLItem* Item, TrptComponent* Parent, TrptComponent* Top,
                                       int Depth) {
  TClass cls = GetClass(Item->ElementName);
  TrptComponent* obj = Top;
  if (!Top) {
    // Only report objects are made from a file: a registered class of another kind (a form, a
    // stream) is as unknown here as an unregistered one.
    if (!cls || !cls->InheritsFrom(TrptComponent::StaticClass()) || !cls->Factory ||
        cls->InheritsFrom(TrptReport::StaticClass())) {
      AddError(rptGet("xrCantFindClass") + " " + Item->ElementName);
      return;
    }
    obj = dynamic_cast<TrptComponent*>(cls->Factory(Parent));
    if (!obj) return;
  } else if (!cls) {
    AddError(rptGet("xrCantFindClass") + " " + Item->ElementName);
    return;
  }
  obj->IsLoading = true;
  FObjectsRead.push_back(obj);
  ApplyAttrText(Item->AttrText, obj);
  for (int i = 0; i < Item->GetCount(); ++i) ReadObjectTree(Item->GetItems(i), obj, nullptr, Depth + 1);
}

void TrptXMLSerializer::ResolveRefs() {
  std::vector<TrptFixupItem> pending;
  pending.swap(FPendingRefs);
  for (const TrptFixupItem& f : pending) {
    TComponent* found = nullptr;
    if (auto* root = dynamic_cast<TrptComponent*>(RefRoot)) found = root->FindObject(f.RefName);
    if (!found) {
      try {
        found = rptComponentByPath(RefRoot, f.RefName);
      } catch (const std::exception&) {
        found = nullptr;
      }
    }
    if (found) SetObjectProp(f.Instance, f.PropertyInfo, found);
  }
}

void TrptXMLSerializer::ReadRoot(TrptComponent* Component, TrptXMLItem* Item) {
  if (!RefRoot) RefRoot = Component;
  std::unique_ptr<TrptXMLDocument> doc;
  if (!Item) {
    doc = std::make_unique<TrptXMLDocument>();
    doc->LoadFromStream(XMLStream, false);
    Item = doc->Root();
  }
  FObjectsRead.clear();
  struct Done {
    TrptXMLSerializer* S;
    ~Done() {
      for (TrptComponent* o : S->FObjectsRead) o->IsLoading = false;
    }
  } done{this};
  ReadObjectTree(Item, nullptr, Component, 0);
  ResolveRefs();
  for (TrptComponent* o : FObjectsRead) {
    o->IsLoading = false;
    if (!dynamic_cast<TrptReport*>(o)) o->Loaded();
  }
}

TrptComponent* TrptXMLSerializer::ObjectFromText(TrptComponent* Owner, const std::string& Text) {
  RefRoot = Owner;
  std::string text = Trim(Text);
  if (text.empty()) return nullptr;
  size_t blank = text.find(' ');
  std::string className = text.substr(0, blank);
  TClass cls = FindClass(className);
  if (!cls->InheritsFrom(TrptComponent::StaticClass()) || !cls->Factory)
    throw EClassNotFound(Format("Class %s not found", {className}));
  auto* obj = dynamic_cast<TrptComponent*>(cls->Factory(Owner));
  if (!obj) throw EClassNotFound(Format("Class %s not found", {className}));
  obj->IsLoading = true;
  struct Done {
    TrptComponent* O;
    ~Done() {
      O->IsLoading = false;
      if (!dynamic_cast<TrptReport*>(O)) O->Loaded();
    }
  } done{obj};
  ApplyAttrText(blank == std::string::npos ? std::string() : text.substr(blank + 1), obj);
  ResolveRefs();
  return obj;
}

TrptComponent* TrptXMLSerializer::ReadComponent(TrptComponent* Owner) {
  TrptXMLItem item;
  {
    TrptXMLReader reader(XMLStream);
    reader.ReadElement(&item, true);
  }
  if (item.ElementName.empty() || item.ElementName[0] == '/') return nullptr;
  return ObjectFromText(Owner, item.ElementName + " " + item.AttrText);
}

void TrptXMLSerializer::ApplyToItem(TComponent* Owner, TPersistent* Obj, const std::string& Text) {
  if (!RefRoot) RefRoot = Owner;
  ApplyAttrText(Text, Obj);
  ResolveRefs();
}
