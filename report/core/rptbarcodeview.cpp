#include "report/core/rptbarcodeview.h"

#include <cmath>

#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptdataset.h"
#include "report/core/rptregistry.h"
#include "report/core/rptres.h"
#include "script/sc_iinterpreter.h"

ORV_CLASS_IMPL(TrptBarCodeView, TrptView)
ORV_CLASS_IMPL(TrptBarCodeObject, TComponent)

namespace {
constexpr int32_t kTransparent = 536870911;
}

TrptBarCodeView::TrptBarCodeView(TComponent* AOwner)
    : TrptView(AOwner), FBarcode(std::make_unique<TrptBarcode>(nullptr)) {
  Color = kTransparent;
}

TrptBarCodeView::~TrptBarCodeView() = default;

void TrptBarCodeView::Publish(TPublisher<TrptBarCodeView>& P) {
  P.Prop("BarType", &TrptBarCodeView::BarType);
  P.Prop("BrushStyle", &TrptBarCodeView::BrushStyle).Default(bsSolid);
  P.Prop("CalcCheckSum", &TrptBarCodeView::CalcCheckSum).Default(false);
  P.Prop("Color", &TrptBarCodeView::Color).Type("TColor").Default(kTransparent);
  P.Prop("DataField", &TrptBarCodeView::DataField);
  P.Prop("DataSet", &TrptBarCodeView::DataSet, &TrptBarCodeView::SetDataSet);
  P.Prop("DataSetName", &TrptBarCodeView::DataSetName, &TrptBarCodeView::SetDataSetName);
  P.Prop("Expression", &TrptBarCodeView::Expression);
  P.Prop("Frame", &TrptBarCodeView::Frame, &TrptBarCodeView::SetFrame);
  P.Prop("HAlign", &TrptBarCodeView::HAlign).Default(haLeft);
  P.Prop("Rotation", &TrptBarCodeView::Rotation);
  P.Prop("ShowText", &TrptBarCodeView::ShowText).Default(true);
  P.Prop("Text", &TrptBarCodeView::Text);
  P.Prop("Zoom", &TrptBarCodeView::Zoom);
}

std::string TrptBarCodeView::GetKindCaption() const { return rptGet("obBarC"); }

void TrptBarCodeView::GetData() {
  TrptView::GetData();
  if (HasDataField()) {
    Text = VarToStr(DataSet()->GetValue(DataField));
  } else if (!Expression.empty()) {
    if (TrptReport* r = GetReport()) Text = VarToStr(r->Calc(Expression));
  }
}

void TrptBarCodeView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  TrptBarcode* b = FBarcode.get();
  b->Angle = Rotation;
  b->Checksum = CalcCheckSum;
  b->Typ = BarType;
  b->Color = Color == kTransparent ? 16777215 : Color;
  b->Text = Text;
  FErrorText.clear();
  const Extended oldWidth = Width();
  if (Zoom < 0.0001) Zoom = 1;
  try {
    int w = b->Width();
    if (Rotation == 0 || Rotation == 180) SetWidth(w * Zoom);
    else SetHeight(w * Zoom);
  } catch (const Exception& E) {
    b->Text = "12345678";
    FErrorText = E.Message();
  }
  if (HAlign == haRight) SetLeft(Left() + (oldWidth - Width()));
  else if (HAlign == haCenter) SetLeft(Left() + (oldWidth - Width()) / 2);

  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  DrawBackground();
  if (FErrorText.empty()) {
    try {
      b->DrawToCanvas(Canvas, RECT{FX, FY, FX1, FY1}, ShowText);
    } catch (const Exception& E) {
      FErrorText = E.Message();
    }
  }
  if (!FErrorText.empty()) {
    Canvas->Font()->SetName("Arial");
    Canvas->Font()->SetSize(rptRound(ScaleY * 8));
    Canvas->Font()->SetColor(255);
    Canvas->Font()->SetStyle(TFontStyles());
    Canvas->Font()->SetOrientation(0);
    Canvas->Brush()->SetStyle(bsClear);
    RECT r{FX + 2, FY + 2, FX1, FY1};
    std::string text = FErrorText;
    Canvas->TextRect(r, text, TTextFormat{tfWordBreak});
  }
  DrawFrame();
}

void rptRegisterBarcodeClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  rptObjectRegistry().AddObjectClass(TrptBarCodeView::StaticClass(), nullptr, "", "Other", 0, 23);
  // These names stay in the global script for as long as it lives.
  TscScript* g = scGlobalScript();
  TObject* saved = g->Registrar;
  g->Registrar = nullptr;
  g->AddEnum("TrptBarcodeType",
             "bcCode_2_5_interleaved, bcCode_2_5_industrial, bcCode_2_5_matrix, bcCode39, bcCode39Extended, "
             "bcCode128A, bcCode128B, bcCode128C, bcCode93, bcCode93Extended, bcCodeMSI, bcCodePostNet, "
             "bcCodeCodabar, bcCodeEAN8, bcCodeEAN13, bcCodeUPC_A, bcCodeUPC_E0, bcCodeUPC_E1, bcCodeUPC_Supp2, "
             "bcCodeUPC_Supp5, bcCodeEAN128A, bcCodeEAN128B, bcCodeEAN128C");
  g->AddClass(TrptBarCodeView::StaticClass(), "TrptView");
  g->Registrar = saved;
}
