// Report variables with categories.
#include "report/core/rptvariables.h"

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"

ORV_CLASS_IMPL(TrptVariable, TCollectionItem)
ORV_CLASS_IMPL(TrptVariables, TCollection)

TrptVariable::TrptVariable(TCollection* Collection) : TCollectionItem(Collection) {}

void TrptVariable::Publish(TPublisher<TrptVariable>& P) {
  P.Prop("Name", &TrptVariable::Name);
  P.Prop("Value", &TrptVariable::Value);
}

void TrptVariable::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptVariable*>(Source);
  if (!s) return;
  Name = s->Name;
  Value = s->Value;
  IsData = s->IsData;
}

TrptVariables::TrptVariables() : TCollection(TrptVariable::StaticClass()) {}

int TrptVariables::IndexOf(const std::string& AName) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name, AName)) return i;
  return -1;
}

Variant TrptVariables::GetVariables(const std::string& AName) const {
  int i = IndexOf(AName);
  return i < 0 ? Null() : Items(i)->Value;
}

void TrptVariables::SetVariables(const std::string& AName, const Variant& Value) {
  int i = IndexOf(AName);
  TrptVariable* v = i < 0 ? Add() : Items(i);
  if (i < 0) v->Name = AName;
  v->Value = Value;
  v->IsData = false;
}

namespace {
bool IsHeader(const std::string& Name) { return !Name.empty() && Name[0] == ' '; }
}  // namespace

int TrptVariables::IndexOfHeader(const std::string& Category) const {
  for (int i = 0; i < Count(); ++i)
    if (IsHeader(Items(i)->Name) && AnsiSameText(Items(i)->Name, " " + Category)) return i;
  return -1;
}

int TrptVariables::CategoryEnd(int Header) const {
  int i = Header + 1;
  while (i < Count() && !IsHeader(Items(i)->Name) && !Items(i)->Name.empty()) ++i;
  return i;
}

void TrptVariables::GetCategoriesList(TStrings* List, bool ClearList) const {
  if (ClearList) List->Clear();
  for (int i = 0; i < Count(); ++i)
    if (IsHeader(Items(i)->Name)) List->Add(Items(i)->Name.substr(1, 255));
}

void TrptVariables::GetVariablesList(const std::string& Category, TStrings* List) const {
  List->Clear();
  int from, to;
  if (Category.empty()) {
    from = 0;
    to = CategoryEnd(-1);
  } else {
    int h = IndexOfHeader(Category);
    if (h < 0) return;
    from = h + 1;
    to = CategoryEnd(h);
  }
  for (int i = from; i < to; ++i) List->Add(Items(i)->Name);
}

void TrptVariables::DeleteCategory(const std::string& AName) {
  int h = IndexOfHeader(AName);
  if (h < 0) return;
  int end = CategoryEnd(h);
  for (int i = end - 1; i >= h; --i) Delete(i);
}

void TrptVariables::DeleteVariable(const std::string& AName) {
  int i = IndexOf(AName);
  if (i >= 0) Delete(i);
}

void TrptVariables::AddVariable(const std::string& Category, const std::string& AName, const Variant& Value) {
  int h = IndexOfHeader(Category);
  if (h < 0) return;
  int end = CategoryEnd(h);
  TrptVariable* v = end >= Count() ? Add() : Insert(end);
  v->Name = AName;
  v->Value = Value;
}

void TrptVariables::LoadFromXMLItem(TrptXMLItem* Item) {
  Clear();
  TrptXMLSerializer serializer;
  for (int i = 0; i < Item->GetCount(); ++i) {
    TrptXMLItem* child = Item->GetItems(i);
    if (SameText(child->ElementName, "item")) serializer.ApplyAttrText(child->AttrText, Add());
  }
}

void TrptVariables::SaveToXMLItem(TrptXMLItem* Item) {
  TrptXMLSerializer().SaveCollectionItems(Item, this);
}

void TrptVariables::LoadFromStream(TStream* Stream) {
  Clear();
  TrptXMLDocument doc;
  doc.LoadFromStream(Stream);
  if (SameText(doc.Root()->ElementName, "variables")) LoadFromXMLItem(doc.Root());
}

void TrptVariables::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TrptVariables::SaveToStream(TStream* Stream) {
  TrptXMLDocument doc;
  doc.Indented = true;
  doc.Root()->ElementName = "variables";
  SaveToXMLItem(doc.Root());
  doc.SaveToStream(Stream);
}

void TrptVariables::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}
