// Styles, style sets and style sheets, and the frame they carry.
#include "report/core/rptstyles.h"

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptclass.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"

ORV_CLASS_IMPL(TrptStyleItem, TCollectionItem)
ORV_CLASS_IMPL(TrptStyles, TCollection)
ORV_CLASS_IMPL(TrptStyleSheet, TObject)
ORV_CLASS_IMPL(TrptFrame, TPersistent)

void (*rptApplyStyleToObject)(TrptComponent* Obj) = nullptr;

// ---- TrptFrame ----

void TrptFrame::Publish(TPublisher<TrptFrame>& P) {
  P.Prop("Color", &TrptFrame::Color).Type("TColor").Default(0);
  P.Prop("DropShadow", &TrptFrame::DropShadow).Default(false);
  P.Prop("ShadowColor", &TrptFrame::ShadowColor).Type("TColor").Default(0);
  P.Prop("ShadowWidth", &TrptFrame::ShadowWidth).Type("Extended").Stored(&TrptFrame::IsShadowWidthStored);
  P.Prop("Style", &TrptFrame::Style).Default(fsSolid);
  P.Prop("Typ", &TrptFrame::Typ).Type("TrptFrameTypes").Stored(&TrptFrame::IsTypStored);
  P.Prop("Width", &TrptFrame::Width).Type("Extended").Stored(&TrptFrame::IsWidthStored);
}

void TrptFrame::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptFrame*>(Source);
  if (!s) return;
  Color = s->Color;
  DropShadow = s->DropShadow;
  ShadowColor = s->ShadowColor;
  ShadowWidth = s->ShadowWidth;
  Style = s->Style;
  Typ = s->Typ;
  Width = s->Width;
}

// ---- TrptStyleItem ----

TrptStyleItem::TrptStyleItem(TCollection* Collection)
    : TCollectionItem(Collection), Color(clNone), FFont(std::make_unique<TFont>()),
      FFrame(std::make_unique<TrptFrame>()) {
  FFont->SetName("Arial");
  FFont->SetSize(10);
  FFont->SetCharset(DEFAULT_CHARSET);
}

TrptStyleItem::~TrptStyleItem() = default;

void TrptStyleItem::Publish(TPublisher<TrptStyleItem>& P) {
  P.Prop("Name", &TrptStyleItem::Name, &TrptStyleItem::SetName);
  P.Prop("Color", &TrptStyleItem::Color).Type("TColor").NoDefault();
  P.Prop("Font", &TrptStyleItem::Font, &TrptStyleItem::SetFont);
  P.Prop("Frame", &TrptStyleItem::Frame, &TrptStyleItem::SetFrame);
}

void TrptStyleItem::SetName(const std::string& Value) {
  if (Collection())
    for (int i = 0; i < Collection()->Count(); ++i) {
      auto* other = static_cast<TrptStyleItem*>(Collection()->Items(i));
      if (other != this && AnsiSameText(other->FName, Value)) throw Exception("Duplicate name");
    }
  FName = Value;
}

void TrptStyleItem::MakeUniqueName() {
  for (int n = 1;; ++n) {
    std::string candidate = "Style" + IntToStr(n);
    bool taken = false;
    if (Collection())
      for (int i = 0; i < Collection()->Count() && !taken; ++i)
        taken = AnsiSameText(static_cast<TrptStyleItem*>(Collection()->Items(i))->FName, candidate);
    if (!taken) {
      FName = candidate;
      return;
    }
  }
}

void TrptStyleItem::SetFont(TFont* Value) { FFont->Assign(Value); }
void TrptStyleItem::SetFrame(TrptFrame* Value) { FFrame->Assign(Value); }

void TrptStyleItem::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptStyleItem*>(Source);
  if (!s) return;
  FName = s->FName;
  Color = s->Color;
  FFont->Assign(s->FFont.get());
  FFrame->Assign(s->FFrame.get());
}

// ---- TrptStyles ----

TrptStyles::TrptStyles(TrptReport* AReport)
    : TCollection(TrptStyleItem::StaticClass(), AReport), FReport(AReport) {}

TrptStyleItem* TrptStyles::Find(const std::string& AName) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), AName)) return Items(i);
  return nullptr;
}

void TrptStyles::GetList(TStrings* List) const {
  List->Clear();
  for (int i = 0; i < Count(); ++i) List->Add(Items(i)->Name());
}

void TrptStyles::LoadFromXMLItem(TrptXMLItem* Item) {
  Clear();
  Name = Item->Prop("Name");
  TrptXMLSerializer serializer;
  for (int i = 0; i < Item->GetCount(); ++i) {
    TrptXMLItem* child = Item->GetItems(i);
    if (!SameText(child->ElementName, "item")) continue;
    TrptStyleItem* style = Add();
    serializer.ApplyAttrText(child->AttrText, style);
  }
  Apply();
}

void TrptStyles::SaveToXMLItem(TrptXMLItem* Item) {
  Item->ElementName = "style";
  Item->SetProp("Name", Name);
  TrptXMLSerializer().SaveCollectionItems(Item, this);
}

void TrptStyles::LoadFromStream(TStream* Stream) {
  Clear();
  TrptXMLDocument doc;
  doc.LoadFromStream(Stream);
  if (SameText(doc.Root()->ElementName, "style")) LoadFromXMLItem(doc.Root());
}

void TrptStyles::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TrptStyles::SaveToStream(TStream* Stream) {
  TrptXMLDocument doc;
  doc.Indented = true;
  SaveToXMLItem(doc.Root());
  doc.SaveToStream(Stream);
}

void TrptStyles::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

void TrptStyles::Apply() {
  if (!FReport || !rptApplyStyleToObject) return;
  for (TrptComponent* c : std::vector<TrptComponent*>(FReport->GetAllObjects())) rptApplyStyleToObject(c);
}

// ---- TrptStyleSheet ----

TrptStyleSheet::~TrptStyleSheet() = default;

void TrptStyleSheet::Clear() { FItems.clear(); }

void TrptStyleSheet::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  FItems.erase(FItems.begin() + Index);
}

TrptStyles* TrptStyleSheet::Add() {
  FItems.push_back(std::make_unique<TrptStyles>(nullptr));
  return FItems.back().get();
}

TrptStyles* TrptStyleSheet::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FItems[static_cast<size_t>(Index)].get();
}

TrptStyles* TrptStyleSheet::Find(const std::string& AName) const {
  for (const auto& s : FItems)
    if (AnsiSameText(s->Name, AName)) return s.get();
  return nullptr;
}

void TrptStyleSheet::GetList(TStrings* List) const {
  List->Clear();
  for (const auto& s : FItems) List->Add(s->Name);
}

void TrptStyleSheet::LoadFromStream(TStream* Stream) {
  Clear();
  TrptXMLDocument doc;
  doc.LoadFromStream(Stream);
  if (!SameText(doc.Root()->ElementName, "stylesheet")) return;
  for (int i = 0; i < doc.Root()->GetCount(); ++i) {
    TrptXMLItem* child = doc.Root()->GetItems(i);
    if (SameText(child->ElementName, "style")) Add()->LoadFromXMLItem(child);
  }
}

void TrptStyleSheet::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}
