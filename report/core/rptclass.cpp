// The report component tree and the dialog-page wrappers.
#include "report/core/rptclass.h"

#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/filer.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptdataset.h"
#include "report/core/rptres.h"
#include "report/core/rptstyles.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"

ORV_CLASS_IMPL(TrptComponent, TComponent)
ORV_CLASS_IMPL(TrptReportComponent, TrptComponent)
ORV_CLASS_IMPL(TrptDialogComponent, TrptReportComponent)
ORV_CLASS_IMPL(TrptDialogControl, TrptReportComponent)
ORV_CLASS_IMPL(TrptPage, TrptComponent)

namespace {
// A report object given as owner hands its report over as the class-library owner.
TComponent* OwnerFor(TComponent* AOwner) {
  if (auto* c = dynamic_cast<TrptComponent*>(AOwner)) return c->GetReport();
  return AOwner;
}

void InitFont(TFont* F) {
  F->SetName("Arial");
  F->SetPixelsPerInch(96);
  F->SetSize(10);
  F->SetColor(clBlack);
  F->SetCharset(DEFAULT_CHARSET);
}
}  // namespace

// ---- TrptComponent ----------------------------------------------------------------------------

TrptComponent::TrptComponent(TComponent* AOwner)
    : TComponent(OwnerFor(AOwner)), FFont(std::make_unique<TFont>()) {
  InitFont(FFont.get());
  FFont->OnChange = [this](TObject*) { FontChanged(); };
  SetParentFont(true);
  if (auto* p = dynamic_cast<TrptComponent*>(AOwner)) SetParent(p);
}

TrptComponent::~TrptComponent() {
  FFont->OnChange = nullptr;
  while (!Objects.empty()) delete Objects.front();
  if (FParent) {
    auto& l = FParent->Objects;
    auto it = std::find(l.begin(), l.end(), this);
    if (it != l.end()) l.erase(it);
    FParent = nullptr;
  }
}

void TrptComponent::Publish(TPublisher<TrptComponent>&) {}

TrptComponent* TrptComponent::DesignCreate(TClass AClass, TComponent* AOwner, int) {
  if (!AClass || !AClass->Factory) return nullptr;
  auto* c = dynamic_cast<TrptComponent*>(AClass->Factory(AOwner));
  if (c) c->IsDesigning = true;
  return c;
}

void TrptComponent::SetParent(TrptComponent* Value) {
  if (Value != FParent) {
    if (FParent) {
      auto& l = FParent->Objects;
      auto it = std::find(l.begin(), l.end(), this);
      if (it != l.end()) l.erase(it);
    }
    if (Value) Value->Objects.push_back(this);
  }
  FParent = Value;
  if (Value) SetParentFont(FParentFont);
}

void TrptComponent::SetLeft(Extended Value) {
  if (IsDesigning && Restrictions.Contains(rfDontMove)) return;
  FLeft = Value;
}
void TrptComponent::SetTop(Extended Value) {
  if (IsDesigning && Restrictions.Contains(rfDontMove)) return;
  FTop = Value;
}
void TrptComponent::SetWidth(Extended Value) {
  if (IsDesigning && Restrictions.Contains(rfDontSize)) return;
  FWidth = Value;
}
void TrptComponent::SetHeight(Extended Value) {
  if (IsDesigning && Restrictions.Contains(rfDontSize)) return;
  FHeight = Value;
}

void TrptComponent::SetBounds(Extended ALeft, Extended ATop, Extended AWidth, Extended AHeight) {
  SetLeft(ALeft);
  SetTop(ATop);
  SetWidth(AWidth);
  SetHeight(AHeight);
}

void TrptComponent::SetFont(TFont* Value) {
  FFont->Assign(Value);
  FParentFont = false;
}

void TrptComponent::SetParentFont(bool Value) {
  if (Value && FParent) SetFont(FParent->Font());
  FParentFont = Value;
}

void TrptComponent::SetVisible(bool Value) { FVisible = Value; }

void TrptComponent::FontChanged() {
  FParentFont = false;
  for (TrptComponent* c : std::vector<TrptComponent*>(Objects))
    if (c->FParentFont) c->SetParentFont(true);
}

TrptPage* TrptComponent::GetPage() {
  for (TrptComponent* c = this; c; c = c->FParent)
    if (auto* p = dynamic_cast<TrptPage*>(c)) return p;
  return nullptr;
}

TrptReport* TrptComponent::GetReport() {
  for (TrptComponent* c = this; c; c = c->FParent)
    if (auto* r = dynamic_cast<TrptReport*>(c)) return r;
  return nullptr;
}

Extended TrptComponent::GetAbsLeft() const {
  Extended r = FLeft;
  for (TrptComponent* p = FParent; p && !p->ClassNameIs("TrptDialogPage"); p = p->FParent) r += p->FLeft;
  return r;
}

Extended TrptComponent::GetAbsTop() const {
  Extended r = FTop;
  for (TrptComponent* p = FParent; p && !p->ClassNameIs("TrptDialogPage"); p = p->FParent) r += p->FTop;
  return r;
}

const std::vector<TrptComponent*>& TrptComponent::GetAllObjects() {
  AllObjects.clear();
  std::vector<TrptComponent*> stack(Objects.rbegin(), Objects.rend());
  while (!stack.empty()) {
    TrptComponent* c = stack.back();
    stack.pop_back();
    AllObjects.push_back(c);
    stack.insert(stack.end(), c->Objects.rbegin(), c->Objects.rend());
  }
  return AllObjects;
}

TrptComponent* TrptComponent::FindObject(const std::string& AName) {
  for (TrptComponent* c : GetAllObjects())
    if (SameText(c->Name(), AName)) return c;
  return nullptr;
}

void TrptComponent::SetName(const std::string& Value) {
  if (!Value.empty()) {
    if (TrptReport* r = GetReport()) {
      TrptComponent* other = r->FindObject(Value);
      if (other && other != this) throw Exception(rptGet("prDupl"));
    }
  }
  TComponent::SetName(Value);
}

std::string TrptComponent::BaseName() const {
  std::string n = ClassName();
  auto drop = [&n](const std::string& part) {
    size_t p = n.find(part);
    if (p != std::string::npos) n.erase(p, part.size());
  };
  drop("Trpt");
  drop(InheritsFrom(TrptDialogControl::StaticClass()) ? "Control" : "View");
  return n;
}

void TrptComponent::MakeUniqueName() {
  TStringList names;
  names.SetSorted(true);
  names.SetDuplicates(dupAccept);
  TrptComponent* source = GetReport();
  if (!source) source = FParent;
  if (!source) return;
  for (TrptComponent* c : source->GetAllObjects()) names.Add(c->Name());
  std::string base = BaseName();
  int i;
  for (int n = 1;; ++n) {
    std::string candidate = base + IntToStr(n);
    if (!names.Find(candidate, i)) {
      SetName(candidate);
      return;
    }
  }
}

void TrptComponent::Clear() {
  while (!Objects.empty()) delete Objects.front();
}

void TrptComponent::LoadFromStream(TStream* Stream) {
  std::string saved = Name();
  Clear();
  TrptReport* report = GetReport();
  TrptXMLSerializer serializer(Stream);
  serializer.RefRoot = report;
  if (report) report->CurrentSerializer = &serializer;
  struct Restore {
    TrptComponent* Self;
    TrptReport* Report;
    TrptXMLSerializer* S;
    std::string Name;
    ~Restore() {
      if (Report) {
        for (int i = 0; i < S->ErrorList()->Count(); ++i) Report->AddError(S->ErrorList()->Get(i));
        Report->CurrentSerializer = nullptr;
      }
      Self->ChangeName(Name);
    }
  } restore{this, report, &serializer, saved};
  ChangeName(std::string());
  serializer.ReadRoot(this);
}

void TrptComponent::SaveToStream(TStream* Stream, bool SaveChildren, bool SaveDefaultValues) {
  std::string saved = Name();
  struct Restore {
    TrptComponent* Self;
    std::string Name;
    ~Restore() { Self->ChangeName(Name); }
  } restore{this, saved};
  ChangeName(std::string());
  TrptXMLSerializer serializer(Stream);
  serializer.RefRoot = GetReport();
  serializer.SaveDefaultValues = SaveDefaultValues;
  serializer.WriteRoot(this, SaveChildren);
}

void TrptComponent::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TrptComponent*>(Source);
  if (!src) return;
  TMemoryStream m;
  src->SaveToStream(&m, false, true);
  m.SetPosition(0);
  LoadFromStream(&m);
}

void TrptComponent::AssignWithChildren(TrptComponent* Source) {
  if (!Source) return;
  TMemoryStream m;
  Source->SaveToStream(&m, true, true);
  m.SetPosition(0);
  LoadFromStream(&m);
}

std::string TrptComponent::GetKindCaption() const { return ClassName(); }

namespace {
std::string Quoted(const std::string& Name, const std::string& Value) {
  return " " + Name + "=\"" + Value + "\"";
}
}  // namespace

std::string TrptComponent::Diff(TrptComponent* R) {
  std::string s;
  if (!(IsView() && GetAlign() != baNone) && rptFloatDiffers(R->FLeft, FLeft))
    s += Quoted("l", FloatToStr(FLeft));
  if (IsBand() || rptFloatDiffers(R->FTop, FTop)) s += Quoted("t", FloatToStr(FTop));
  if (!HasAutoWidth() && rptFloatDiffers(R->FWidth, FWidth)) s += Quoted("w", FloatToStr(FWidth));
  if (rptFloatDiffers(R->FHeight, FHeight)) s += Quoted("h", FloatToStr(FHeight));
  if (FVisible != R->FVisible) s += Quoted("Visible", FVisible ? "1" : "0");
  if (!FParentFont) {
    TFont* f = FFont.get();
    TFont* rf = R->FFont.get();
    if (f->Name() != rf->Name()) s += Quoted("Font.Name", rptEscapeAttr(f->Name()));
    if (f->Size() != rf->Size()) s += Quoted("Font.Size", IntToStr(f->Size()));
    if (f->Color() != rf->Color()) s += Quoted("Font.Color", IntToStr(f->Color()));
    if (f->Style().Bits() != rf->Style().Bits()) s += Quoted("Font.Style", IntToStr(f->Style().Bits()));
    if (f->Charset() != rf->Charset()) s += Quoted("Font.Charset", IntToStr(f->Charset()));
  }
  if (FParentFont != R->FParentFont) s += Quoted("ParentFont", FParentFont ? "1" : "0");
  if (Tag() != R->Tag()) s += Quoted("Tag", IntToStr(Tag()));
  return s;
}

std::string TrptComponent::FullDiff(TrptComponent* Reference) {
  TrptXMLSerializer serializer;
  serializer.RefRoot = GetReport();
  std::string text = "<" + serializer.ObjectToText(this) + "/>";
  size_t blank = text.find(' ');
  text = blank == std::string::npos ? std::string() : text.substr(blank + 1, text.size() - blank - 3);
  if (Reference) text += " " + TrptComponent::Diff(Reference);
  return text;
}

void TrptComponent::AlignChildren() {
  std::vector<std::pair<std::string, TrptComponent*>> list;
  for (TrptComponent* c : Objects) {
    if (!c->IsView()) continue;
    char buf[64];
    if (c->FLeft > 0)
      snprintf(buf, sizeof buf, "1%9.2f", static_cast<double>(c->FLeft));
    else
      snprintf(buf, sizeof buf, "0%9.2f", static_cast<double>(-c->FLeft));
    list.emplace_back(buf, c);
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return CompareText(a.first, b.first) < 0; });
  const int count = static_cast<int>(list.size());
  auto neighbour = [&](int i, int d) -> TrptComponent* {
    TrptComponent* self = list[static_cast<size_t>(i)].second;
    for (int j = i; j >= 0 && j < count; j -= d) {
      TrptComponent* e = list[static_cast<size_t>(j)].second;
      if (e == self) continue;
      if (e->GetAbsTop() >= self->GetAbsTop() + self->FHeight) continue;
      if (self->GetAbsTop() >= e->GetAbsTop() + e->FHeight) continue;
      if (self->GetAlign() == baWidth) {
        if (d == 1 && self->FLeft < e->FLeft) continue;
        if (d == -1 && self->FLeft + self->FWidth > e->FLeft + e->FWidth) continue;
      }
      return e;
    }
    return nullptr;
  };
  for (int i = 0; i < count; ++i) {
    TrptComponent* c = list[static_cast<size_t>(i)].second;
    if (c->GetAlign() != baLeft && c->GetAlign() != baWidth) continue;
    TrptComponent* n = neighbour(i, 1);
    c->SetLeft(n ? n->FLeft + n->FWidth : 0);
  }
  for (int i = count - 1; i >= 0; --i) {
    TrptComponent* c = list[static_cast<size_t>(i)].second;
    if (c->GetAlign() != baRight && c->GetAlign() != baWidth) continue;
    TrptComponent* n = neighbour(i, -1);
    if (c->GetAlign() == baRight)
      c->SetLeft(n ? n->FLeft - c->FWidth : FWidth - c->FWidth);
    else
      c->SetWidth(n ? n->FLeft - c->FLeft : FWidth - c->FLeft);
  }
  for (TrptComponent* c : Objects) {
    if (!c->IsView()) continue;
    switch (c->GetAlign()) {
      case baCenter: c->SetLeft((FWidth - c->FWidth) / 2); break;
      case baBottom: c->SetTop(FHeight - c->FHeight); break;
      case baClient: c->SetBounds(0, 0, FWidth, FHeight); break;
      default: break;
    }
  }
}

void TrptComponent::GetChildren(const TGetChildProc& Proc, TComponent*) {
  if (auto* r = dynamic_cast<TrptReport*>(this); r && !r->StoreInDFM) return;
  for (TrptComponent* c : Objects) Proc(c);
}

// ---- TrptReportComponent ----------------------------------------------------------------------

TrptReportComponent::TrptReportComponent(TComponent* AOwner) : TrptComponent(AOwner) {}
TrptReportComponent::~TrptReportComponent() = default;

void TrptReportComponent::Publish(TPublisher<TrptReportComponent>& P) {
  P.Prop("Description", &TrptReportComponent::Description);
}

void TrptReportComponent::BeforePrint() {
  FSavedLeft = FLeft;
  FSavedTop = FTop;
  FSavedWidth = FWidth;
  FSavedHeight = FHeight;
}

void TrptReportComponent::AfterPrint() { SetBounds(FSavedLeft, FSavedTop, FSavedWidth, FSavedHeight); }

// ---- TrptDialogComponent ----------------------------------------------------------------------

TrptDialogComponent::TrptDialogComponent(TComponent* AOwner) : TrptReportComponent(AOwner) {
  FLeft = -10000;
  FTop = -10000;
}
TrptDialogComponent::~TrptDialogComponent() = default;

void TrptDialogComponent::DefineProperties(TFiler* Filer) {
  TrptReportComponent::DefineProperties(Filer);
  if (!GetReport()) return;
  // Positions of form streams: read, never written.
  Filer->DefineProperty("pLeft", [this](TReader* R) { FLeft = R->ReadInteger(); }, nullptr, false);
  Filer->DefineProperty("pTop", [this](TReader* R) { FTop = R->ReadInteger(); }, nullptr, false);
}

// ---- TrptPage ---------------------------------------------------------------------------------

TrptPage::TrptPage(TComponent* AOwner) : TrptComponent(AOwner) {}

// ---- TrptDialogControl ------------------------------------------------------------------------

namespace {
TForm* gParentForm = nullptr;
}

TCustomForm* rptParentForm() {
  if (!gParentForm) gParentForm = new TForm(nullptr);
  return gParentForm;
}

TrptDialogControl::TrptDialogControl(TComponent* AOwner) : TrptReportComponent(AOwner) {}

TrptDialogControl::~TrptDialogControl() { delete FControl; }

void TrptDialogControl::Publish(TPublisher<TrptDialogControl>& P) {
  P.Prop("Left", &TrptDialogControl::Left, &TrptDialogControl::SetLeft);
  P.Prop("Top", &TrptDialogControl::Top, &TrptDialogControl::SetTop);
  P.Prop("Width", &TrptDialogControl::Width, &TrptDialogControl::SetWidth);
  P.Prop("Height", &TrptDialogControl::Height, &TrptDialogControl::SetHeight);
  P.Prop("Font", &TrptDialogControl::Font, &TrptDialogControl::SetFont)
      .Stored(&TrptDialogControl::IsFontStored);
  P.Prop("GroupIndex", &TrptDialogControl::GroupIndex).Default(0);
  P.Prop("ParentFont", &TrptDialogControl::ParentFont, &TrptDialogControl::SetParentFont).Default(true);
  P.Prop("Enabled", &TrptDialogControl::Enabled, &TrptDialogControl::SetEnabled).Default(true);
  P.Prop("Visible", &TrptDialogControl::Visible, &TrptDialogControl::SetVisible).Default(true);
}

void TrptDialogControl::SetControl(TControl* AControl) {
  FControl = AControl;
  if (!FControl) return;
  SetParent(Parent());
  UpdateControlBounds();
  FControl->Font()->Assign(Font());
}

void TrptDialogControl::UpdateControlBounds() {
  if (!FControl) return;
  FControl->SetBounds(static_cast<int>(Round(FLeft)), static_cast<int>(Round(FTop)),
                      static_cast<int>(Round(FWidth)), static_cast<int>(Round(FHeight)));
}

void TrptDialogControl::SetLeft(Extended Value) {
  TrptReportComponent::SetLeft(Value);
  UpdateControlBounds();
}
void TrptDialogControl::SetTop(Extended Value) {
  TrptReportComponent::SetTop(Value);
  UpdateControlBounds();
}
void TrptDialogControl::SetWidth(Extended Value) {
  TrptReportComponent::SetWidth(Value);
  UpdateControlBounds();
}
void TrptDialogControl::SetHeight(Extended Value) {
  TrptReportComponent::SetHeight(Value);
  UpdateControlBounds();
}

void TrptDialogControl::SetVisible(bool Value) {
  TrptReportComponent::SetVisible(Value);
  if (FControl) FControl->SetVisible(Value);
}

void TrptDialogControl::SetParentFont(bool Value) {
  TrptReportComponent::SetParentFont(Value);
  if (FControl) FControl->Font()->Assign(Font());
}

void TrptDialogControl::FontChanged() {
  TrptReportComponent::FontChanged();
  if (FControl) FControl->Font()->Assign(Font());
}

void TrptDialogControl::SetParent(TrptComponent* Value) {
  TrptReportComponent::SetParent(Value);
  if (!FControl) return;
  TWinControl* host = nullptr;
  if (auto* dc = dynamic_cast<TrptDialogControl*>(Value))
    host = dynamic_cast<TWinControl*>(dc->Control());
  else if (Value && Value->ClassNameIs("TrptDialogPage"))
    host = dynamic_cast<TWinControl*>(Value->FindComponent("Form"));  // the dialog page's form
  if (!host) host = rptParentForm();
  FControl->SetParent(host);
}

void TrptDialogControl::SetName(const std::string& Value) {
  std::string old = Name();
  bool follow = FControl && FControl->ControlStyle().Contains(csSetCaption) &&
                FControl->Caption() == old && !IsLoading && !ComponentState().Contains(csLoading);
  TrptReportComponent::SetName(Value);
  if (follow) FControl->SetCaption(Value);
}

bool TrptDialogControl::Enabled() const { return FControl ? FControl->Enabled() : true; }
void TrptDialogControl::SetEnabled(bool Value) {
  if (FControl) FControl->SetEnabled(Value);
}
std::string TrptDialogControl::Caption() const { return FControl ? FControl->Caption() : std::string(); }
void TrptDialogControl::SetCaption(const std::string& Value) {
  if (FControl) FControl->SetCaption(Value);
}

void TrptDialogControl::Draw(TCanvas* Canvas, Extended, Extended, Extended, Extended) {
  if (!FControl) return;
  TBitmap bmp;
  bmp.SetWidth(static_cast<int>(Round(FWidth)));
  bmp.SetHeight(static_cast<int>(Round(FHeight)));
  bmp.Canvas()->Brush()->SetColor(clBtnFace);
  bmp.Canvas()->FillRect(RECT{0, 0, static_cast<int>(Round(FWidth)) + 1, static_cast<int>(Round(FHeight)) + 1});
  if (auto* wc = dynamic_cast<TWinControl*>(FControl)) {
    wc->PaintTo(bmp.Canvas(), 0, 0);
  } else {
    HDC dc = bmp.Canvas()->Handle();
    FControl->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    FControl->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
  Canvas->Draw(static_cast<int>(Round(GetAbsLeft())), static_cast<int>(Round(GetAbsTop())), &bmp);
}

// ---- Unit helpers -----------------------------------------------------------------------------

std::vector<TrptDataSet*>& rptDataSetList() {
  static std::vector<TrptDataSet*> list;
  return list;
}

TrptDataSet* rptFindDataSet(TrptDataSet* Default, const std::string& Name, TComponent* Owner) {
  if (Name.empty()) return nullptr;
  if (!Owner) return Default;
  for (TrptDataSet* d : rptDataSetList()) {
    if (!AnsiSameText(d->UserName(), Name)) continue;
    auto* dsOwner = dynamic_cast<TrptReport*>(d->Owner());
    if (dynamic_cast<TrptReport*>(Owner) && dsOwner && dsOwner != Owner) continue;
    return d;
  }
  return Default;
}

void rptListGlobalDataSets(TStrings* List) {
  List->Clear();
  for (TrptDataSet* d : rptDataSetList())
    if (d->Enabled && !d->UserName().empty()) List->AddObject(d->UserName(), d);
}

int rptShiftToInt(uint32_t ShiftBits) { return static_cast<int>(ShiftBits); }

bool rptFloatDiffers(Extended A, Extended B) { return std::abs(B - A) > 0.0001; }
