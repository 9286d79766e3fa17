#include "report/core/rptdmp.h"

#include <cmath>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptdataset.h"
#include "report/core/rptregistry.h"
#include "report/core/rptres.h"
#include "report/core/rptxml.h"

ORV_CLASS_IMPL(TrptDMPMemoView, TrptCustomMemoView)
ORV_CLASS_IMPL(TrptDMPLineView, TrptCustomLineView)
ORV_CLASS_IMPL(TrptDMPCommand, TrptView)
ORV_CLASS_IMPL(TrptDMPPage, TrptReportPage)

namespace {

// Nearest whole number, halves to even.
double CellNear(double V) { return std::nearbyint(V); }
// Cut toward zero; values a rounding error short of a whole number count as that number, so a
// stored grid position reads back as itself.
double CellTrunc(double V) { return V < 0 ? -std::floor(-V + 1e-9) : std::floor(V + 1e-9); }

std::string StyleAttr(TrptDMPFontStyles Style) { return " FontStyle=\"" + IntToStr(static_cast<int>(Style.Bits() & 0xFFFF)) + "\""; }

TrptDMPPage* DMPPageOf(TrptComponent* C) { return dynamic_cast<TrptDMPPage*>(C->GetPage()); }

}  // namespace

void rptSetDMPFont(TFont* Font, TrptDMPFontStyles Style) {
  TNotifyEvent saved = Font->OnChange;
  Font->OnChange = nullptr;
  Font->SetName("Courier New");
  Font->SetSize(12);
  TFontStyles fs;
  if (Style.Contains(fsxBold)) fs.Include(fsBold);
  if (Style.Contains(fsxItalic)) fs.Include(fsItalic);
  if (Style.Contains(fsxUnderline)) fs.Include(fsUnderline);
  Font->SetStyle(fs);
  Font->OnChange = saved;
}

// ---- TrptDMPMemoView ----

TrptDMPMemoView::TrptDMPMemoView(TComponent* AOwner) : TrptCustomMemoView(AOwner) {
  // Made on a dot-matrix page, the object follows the page's style as its font setter would.
  if (ParentFont())
    if (TrptDMPPage* p = DMPPageOf(this)) FFontStyle = p->FontStyle();
  SetDMPFont();
}

void TrptDMPMemoView::Publish(TPublisher<TrptDMPMemoView>& P) {
  P.Prop("AutoWidth", &TrptDMPMemoView::AutoWidth).Default(false);
  P.Prop("AllowExpressions", &TrptDMPMemoView::AllowExpressions).Default(true);
  P.Prop("DataField", &TrptDMPMemoView::DataField);
  P.Prop("DataSet", &TrptDMPMemoView::DataSet, &TrptDMPMemoView::SetDataSet);
  P.Prop("DataSetName", &TrptDMPMemoView::DataSetName, &TrptDMPMemoView::SetDataSetName);
  P.Prop("DisplayFormat", &TrptDMPMemoView::DisplayFormat, &TrptDMPMemoView::SetDisplayFormat);
  P.Prop("ExpressionDelimiters", &TrptDMPMemoView::ExpressionDelimiters)
      .Stored(&TrptDMPMemoView::IsDelimitersStored);
  P.Prop("FlowTo", &TrptDMPMemoView::FlowTo, &TrptDMPMemoView::SetFlowTo);
  P.Prop("FontStyle", &TrptDMPMemoView::FontStyle, &TrptDMPMemoView::SetFontStyle)
      .Stored(&TrptDMPMemoView::IsFontStyleStored);
  P.Prop("Frame", &TrptDMPMemoView::Frame, &TrptDMPMemoView::SetFrame);
  P.Prop("HAlign", &TrptDMPMemoView::HAlign).Default(haLeft);
  P.Prop("HideZeros", &TrptDMPMemoView::HideZeros).Default(false);
  P.Prop("Memo", &TrptDMPMemoView::Memo, &TrptDMPMemoView::SetMemo);
  P.Prop("ParentFont", &TrptDMPMemoView::ParentFont, &TrptDMPMemoView::SetParentFont).Default(true);
  P.Prop("RTLReading", &TrptDMPMemoView::RTLReading).Default(false);
  P.Prop("SuppressRepeated", &TrptDMPMemoView::SuppressRepeated).Default(false);
  P.Prop("WordWrap", &TrptDMPMemoView::WordWrap).Default(true);
  P.Prop("VAlign", &TrptDMPMemoView::VAlign).Default(vaTop);
}

void TrptDMPMemoView::SetDMPFont() {
  rptSetDMPFont(Font(), FFontStyle);
  CharSpacing = 0;
  LineSpacing = 1;
  GapX = 0;
  GapY = 0;
}

void TrptDMPMemoView::SetFontStyle(TrptDMPFontStyles Value) {
  FFontStyle = Value;
  SetParentFont(false);
  SetDMPFont();
}

void TrptDMPMemoView::SetParentFont(bool Value) {
  TrptCustomMemoView::SetParentFont(Value);
  if (Value)
    if (TrptDMPPage* p = DMPPageOf(this)) FFontStyle = p->FontStyle();
}

void TrptDMPMemoView::SetLeft(Extended Value) {
  double cells = Value / rp1CharX;
  TrptCustomMemoView::SetLeft((Align == baRight ? CellTrunc(cells) : CellNear(cells)) * rp1CharX);
}
void TrptDMPMemoView::SetTop(Extended Value) { TrptCustomMemoView::SetTop(CellNear(Value / rp1CharY) * rp1CharY); }
void TrptDMPMemoView::SetWidth(Extended Value) { TrptCustomMemoView::SetWidth(CellNear(Value / rp1CharX) * rp1CharX); }
void TrptDMPMemoView::SetHeight(Extended Value) { TrptCustomMemoView::SetHeight(CellNear(Value / rp1CharY) * rp1CharY); }

Extended TrptDMPMemoView::CalcHeight() { return CellNear(TrptCustomMemoView::CalcHeight() / rp1CharY) * rp1CharY; }
Extended TrptDMPMemoView::CalcWidth() { return CellNear(TrptCustomMemoView::CalcWidth() / rp1CharX) * rp1CharX; }

std::string TrptDMPMemoView::Diff(TrptComponent* Reference) {
  std::string s = TrptCustomMemoView::Diff(Reference);
  auto* r = dynamic_cast<TrptDMPMemoView*>(Reference);
  if (r && r->FFontStyle != FFontStyle) s += StyleAttr(FFontStyle);
  return s;
}

std::string TrptDMPMemoView::GetKindCaption() const { return rptGet("obDMPText"); }

void TrptDMPMemoView::DrawFrame() {
  // The frame runs through the middle of the cells around the text, half a cell outside it.
  Extended l = GetAbsLeft(), t = GetAbsTop();
  FX = rptRound((l - rp1CharX / 2) * FScaleX + FOffsetX);
  FY = rptRound((t - rp1CharY / 2) * FScaleY + FOffsetY);
  FX1 = rptRound((l + Width() + rp1CharX / 2) * FScaleX + FOffsetX);
  FY1 = rptRound((t + Height() + rp1CharY / 2) * FScaleY + FOffsetY);
  TrptCustomMemoView::DrawFrame();
}

// ---- TrptDMPLineView ----

TrptDMPLineView::TrptDMPLineView(TComponent* AOwner) : TrptCustomLineView(AOwner) {
  if (ParentFont())
    if (TrptDMPPage* p = DMPPageOf(this)) FFontStyle = p->FontStyle();
}

void TrptDMPLineView::Publish(TPublisher<TrptDMPLineView>& P) {
  P.Prop("FontStyle", &TrptDMPLineView::FontStyle, &TrptDMPLineView::SetFontStyle)
      .Stored(&TrptDMPLineView::IsFontStyleStored);
  P.Prop("ParentFont", &TrptDMPLineView::ParentFont, &TrptDMPLineView::SetParentFont).Default(true);
}

void TrptDMPLineView::SetFontStyle(TrptDMPFontStyles Value) {
  FFontStyle = Value;
  SetParentFont(false);
}

void TrptDMPLineView::SetParentFont(bool Value) {
  TrptCustomLineView::SetParentFont(Value);
  if (Value)
    if (TrptDMPPage* p = DMPPageOf(this)) FFontStyle = p->FontStyle();
}

void TrptDMPLineView::SetLeft(Extended Value) {
  double cells = Value / rp1CharX, x;
  if (Value < 0) x = CellTrunc(cells) * rp1CharX - rp1CharX / 2;
  else if (Align == baRight) x = CellNear(cells) * rp1CharX - rp1CharX / 2;
  else x = CellTrunc(cells) * rp1CharX + rp1CharX / 2;
  TrptCustomLineView::SetLeft(x);
}
void TrptDMPLineView::SetTop(Extended Value) {
  TrptCustomLineView::SetTop(CellTrunc(Value / rp1CharY) * rp1CharY + rp1CharY / 2);
}
void TrptDMPLineView::SetWidth(Extended Value) {
  double cells = Value / rp1CharX;
  TrptCustomLineView::SetWidth((Align == baWidth ? CellTrunc(cells) : CellNear(cells)) * rp1CharX);
}

std::string TrptDMPLineView::Diff(TrptComponent* Reference) {
  std::string s = TrptCustomLineView::Diff(Reference);
  auto* r = dynamic_cast<TrptDMPLineView*>(Reference);
  if (r && r->FFontStyle != FFontStyle) s += StyleAttr(FFontStyle);
  return s;
}

std::string TrptDMPLineView::GetKindCaption() const { return rptGet("obDMPLine"); }

// ---- TrptDMPCommand ----

TrptDMPCommand::TrptDMPCommand(TComponent* AOwner) : TrptView(AOwner) {}

void TrptDMPCommand::Publish(TPublisher<TrptDMPCommand>& P) { P.Prop("Command", &TrptDMPCommand::Command); }

void TrptDMPCommand::SetLeft(Extended Value) { TrptView::SetLeft(CellNear(Value / rp1CharX) * rp1CharX); }
void TrptDMPCommand::SetTop(Extended Value) { TrptView::SetTop(CellNear(Value / rp1CharY) * rp1CharY); }

std::string TrptDMPCommand::Diff(TrptComponent* Reference) {
  std::string s = TrptView::Diff(Reference);
  auto* r = dynamic_cast<TrptDMPCommand*>(Reference);
  if (r && r->Command != Command) s += " Command=\"" + rptEscapeAttr(Command) + "\"";
  return s;
}

std::string TrptDMPCommand::GetKindCaption() const { return rptGet("obDMPCmd"); }

// ---- TrptDMPPage ----

TrptDMPPage::TrptDMPPage(TComponent* AOwner) : TrptReportPage(AOwner) { rptSetDMPFont(Font(), FFontStyle); }

void TrptDMPPage::Publish(TPublisher<TrptDMPPage>& P) {
  P.Prop("FontStyle", &TrptDMPPage::FontStyle, &TrptDMPPage::SetFontStyle);
}

void TrptDMPPage::SetFontStyle(TrptDMPFontStyles Value) {
  FFontStyle = Value;
  rptSetDMPFont(Font(), FFontStyle);
  for (TrptComponent* c : std::vector<TrptComponent*>(GetAllObjects()))
    if (c->ParentFont()) c->SetParentFont(true);
}

void TrptDMPPage::SetDefaults() {
  // The default paper is cut to whole cells from its own size, not from a size already rounded
  // by this page's paper-size setter.
  FInDefaults = true;
  TrptReportPage::SetDefaults();
  FInDefaults = false;
  LeftMargin = RightMargin = rp1CharX / rptMM;
  TopMargin = BottomMargin = rp1CharY / rptMM;
  SetPaperDimensions(CellTrunc(PaperWidth() * rptMM / rp1CharX) * rp1CharX / rptMM,
                     CellTrunc(PaperHeight() * rptMM / rp1CharY) * rp1CharY / rptMM);
}

void TrptDMPPage::SetPaperWidth(Extended Value) {
  TrptReportPage::SetPaperWidth(Value);
  SetPaperDimensions(CellNear(PaperWidth() * rptMM / rp1CharX) * rp1CharX / rptMM, PaperHeight());
}

void TrptDMPPage::SetPaperHeight(Extended Value) {
  TrptReportPage::SetPaperHeight(Value);
  SetPaperDimensions(PaperWidth(), CellNear(PaperHeight() * rptMM / rp1CharY) * rp1CharY / rptMM);
}

void TrptDMPPage::SetPaperSize(int Value) {
  // While a file is read, the width and height it stores (whole cells already) stay: the named
  // size read after them would otherwise round the paper anew (A4 from 82 to 83 columns).
  if (IsLoading && Value < 256) {
    const Extended w = PaperWidth(), h = PaperHeight();
    TrptReportPage::SetPaperSize(Value);
    SetPaperDimensions(w, h);
    return;
  }
  TrptReportPage::SetPaperSize(Value);
  if (FInDefaults) return;
  SetPaperDimensions(CellNear(PaperWidth() * rptMM / rp1CharX) * rp1CharX / rptMM,
                     CellNear(PaperHeight() * rptMM / rp1CharY) * rp1CharY / rptMM);
}

void rptRegisterDMPClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterClasses({TrptDMPPage::StaticClass()});
  rptObjectRegistry().AddObjectClass(TrptDMPMemoView::StaticClass(), nullptr, "", "", 0, 2);
  rptObjectRegistry().AddObjectClass(TrptDMPLineView::StaticClass(), nullptr, "", "", 0, 5);
  rptObjectRegistry().AddObjectClass(TrptDMPCommand::StaticClass(), nullptr, "", "", 0, 53);
}
