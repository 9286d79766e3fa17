#include "report/core/rptview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/lists.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_jpeg.h"
#include "platform/win/wingdi.h"
#include "report/core/rptdataset.h"
#include "report/core/rptdrawtext.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"

ORV_CLASS_IMPL(TrptHighlight, TPersistent)
ORV_CLASS_IMPL(TrptFormat, TPersistent)
ORV_CLASS_IMPL(TrptView, TrptReportComponent)
ORV_CLASS_IMPL(TrptStretcheable, TrptView)
ORV_CLASS_IMPL(TrptShapeView, TrptView)
ORV_CLASS_IMPL(TrptCustomMemoView, TrptStretcheable)
ORV_CLASS_IMPL(TrptMemoView, TrptCustomMemoView)
ORV_CLASS_IMPL(TrptSysMemoView, TrptCustomMemoView)
ORV_CLASS_IMPL(TrptCustomLineView, TrptStretcheable)
ORV_CLASS_IMPL(TrptLineView, TrptCustomLineView)
ORV_CLASS_IMPL(TrptPictureView, TrptView)

// Sizes and positions read from a file may be anything: they are held to a range far beyond any
// page (and NaN becomes 0), so that the conversion and the sums of device coordinates stay defined.
int rptRound(Extended X) {
  const double r = std::nearbyint(static_cast<double>(X));
  constexpr double kLimit = 1073741823.0;
  if (!(r == r)) return 0;
  return static_cast<int>(std::clamp(r, -kLimit, kLimit));
}

namespace {

std::string Q(const std::string& Name, const std::string& Value) { return " " + Name + "=\"" + Value + "\""; }

// Replaces every bracketed part (Open … Close, nesting and quotes honoured) of S by Eval(inner).
template <class F> std::string ExpandDelimited(const std::string& S, const std::string& Open, const std::string& Close,
                                               F Eval) {
  if (Open.empty() || Close.empty()) return S;
  std::string s = S;
  size_t p = 0;
  while (p < s.size()) {
    size_t at = s.find(Open, p);
    if (at == std::string::npos) break;
    int I = static_cast<int>(at) + 1, J = 0;
    std::string inner = rptExtractBracketed(s, Open, Close, I, J);
    size_t endClose = static_cast<size_t>(J);  // 1-based last character of the closing delimiter
    if (J <= I || endClose < Close.size() || s.compare(endClose - Close.size(), Close.size(), Close) != 0) break;
    std::string value = Eval(inner);
    s.replace(static_cast<size_t>(I - 1), endClose - static_cast<size_t>(I - 1), value);
    p = static_cast<size_t>(I - 1) + value.size();
  }
  return s;
}

}  // namespace

// ---- TrptHighlight ----

TrptHighlight::TrptHighlight() : Color(clNone), FFont(std::make_unique<TFont>()) {
  FFont->SetName("Arial");
  FFont->SetSize(10);
  FFont->SetColor(255);
  FFont->SetCharset(DEFAULT_CHARSET);
}
TrptHighlight::~TrptHighlight() = default;

void TrptHighlight::Publish(TPublisher<TrptHighlight>& P) {
  P.Prop("Active", &TrptHighlight::Active).Default(false);
  P.Prop("Color", &TrptHighlight::Color).Type("TColor").Default(clNone);
  P.Prop("Condition", &TrptHighlight::Condition);
  P.Prop("Font", &TrptHighlight::Font, &TrptHighlight::SetFont);
}

void TrptHighlight::SetFont(TFont* Value) { FFont->Assign(Value); }

void TrptHighlight::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptHighlight*>(Source);
  if (!s) return;
  SetFont(s->Font());
  Color = s->Color;
  Condition = s->Condition;
}

// ---- TrptFormat ----

void TrptFormat::Publish(TPublisher<TrptFormat>& P) {
  P.Prop("DecimalSeparator", &TrptFormat::DecimalSeparator);
  P.Prop("FormatStr", &TrptFormat::FormatStr);
  P.Prop("Kind", &TrptFormat::Kind).Default(fkText);
}

void TrptFormat::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptFormat*>(Source);
  if (!s) return;
  DecimalSeparator = s->DecimalSeparator;
  FormatStr = s->FormatStr;
  Kind = s->Kind;
}

std::string TrptFormat::FormatValue(const Variant& V) const {
  if (V.IsNull() || V.IsEmpty()) return std::string();
  try {
    switch (Kind) {
      case fkText:
        return VarToStr(V);
      case fkNumeric: {
        // A private copy of the settings: the process-wide separator never changes, and the
        // format text goes through the checked formatter (a bad format raises, caught below).
        TFormatSettings fs = FormatSettings;
        if (DecimalSeparator.size() == 1) fs.DecimalSeparator = DecimalSeparator[0];
        if (!FormatStr.empty() && FormatStr[0] == '#') return FormatFloat(FormatStr, V.AsFloat(), fs);
        return Format(FormatStr, {TVarRec(static_cast<Extended>(V.AsFloat()))}, fs);
      }
      case fkDateTime:
        return FormatDateTime(FormatStr, V.AsFloat());
      case fkBoolean: {
        size_t comma = FormatStr.find(',');
        bool yes = VarType(V) == varBoolean && V.AsBoolean();
        if (comma == std::string::npos) return yes ? FormatStr : std::string();
        return yes ? FormatStr.substr(comma + 1, 255) : FormatStr.substr(0, comma);
      }
    }
  } catch (const std::exception&) {
  }
  return VarToStr(V);
}

// ---- TrptView ----

TrptView::TrptView(TComponent* AOwner) : TrptReportComponent(AOwner), Color(clNone), FFrame(std::make_unique<TrptFrame>()) {
  AllDiff = true;
}

TrptView::~TrptView() = default;

void TrptView::Publish(TPublisher<TrptView>& P) {
  P.Prop("Left", &TrptView::Left, &TrptView::SetLeft);
  P.Prop("Top", &TrptView::Top, &TrptView::SetTop);
  P.Prop("Width", &TrptView::Width, &TrptView::SetWidth);
  P.Prop("Height", &TrptView::Height, &TrptView::SetHeight);
  P.Prop("Align", &TrptView::Align).Default(baNone);
  P.Prop("Cursor", &TrptView::Cursor).Type("TCursor").Default(0);
  P.Prop("GroupIndex", &TrptView::GroupIndex).Default(0);
  P.Prop("Printable", &TrptView::Printable).Default(true);
  P.Prop("Restrictions", &TrptView::Restrictions);
  P.Prop("ShiftMode", &TrptView::ShiftMode).Default(smAlways);
  P.Prop("TagStr", &TrptView::TagStr);
  P.Prop("URL", &TrptView::URL);
  P.Prop("Visible", &TrptView::Visible, &TrptView::SetVisible).Default(true);
  P.Prop("OnAfterData", &TrptView::OnAfterData).Type("TrptNotifyEvent");
  P.Prop("OnAfterPrint", &TrptView::OnAfterPrint).Type("TrptNotifyEvent");
  P.Prop("OnBeforePrint", &TrptView::OnBeforePrint).Type("TrptNotifyEvent");
  P.Prop("OnPreviewClick", &TrptView::OnPreviewClick).Type("TrptNotifyEvent");
}

void TrptView::SetDataSet(TrptDataSet* Value) {
  FDataSet = Value;
  FDataSetName = Value ? Value->UserName() : std::string();
  if (Value) Value->FreeNotification(this);
}

std::string TrptView::DataSetName() const { return FDataSet ? FDataSet->UserName() : FDataSetName; }

void TrptView::SetDataSetName(const std::string& Value) {
  FDataSetName = Value;
  TrptReport* r = GetReport();
  FDataSet = Value.empty() ? nullptr : r ? r->GetDataset(Value) : rptFindDataSet(nullptr, Value, nullptr);
  if (FDataSet) FDataSet->FreeNotification(this);
}

void TrptView::Notification(TComponent* AComponent, TOperation Operation) {
  TrptReportComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

void TrptView::BeginDraw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  FCanvas = Canvas;
  FScaleX = ScaleX;
  FScaleY = ScaleY;
  FOffsetX = OffsetX;
  FOffsetY = OffsetY;
  Extended l = GetAbsLeft(), t = GetAbsTop();
  FX = rptRound(OffsetX + l * ScaleX);
  FY = rptRound(OffsetY + t * ScaleY);
  FX1 = rptRound(OffsetX + (l + Width()) * ScaleX);
  FY1 = rptRound(OffsetY + (t + Height()) * ScaleY);
  if (FFrame->DropShadow) {
    FX1 -= rptRound(FFrame->ShadowWidth * ScaleX);
    FY1 -= rptRound(FFrame->ShadowWidth * ScaleY);
  }
  FDX = FX1 - FX;
  FDY = FY1 - FY;
  FFrameWidth = rptRound(FFrame->Width * ScaleX);
}

void TrptView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  DrawBackground();
  DrawFrame();
}

void TrptView::DrawBackground() {
  if (!FCanvas) return;
  if (Color != clNone) {
    FCanvas->Brush()->SetStyle(bsSolid);
    FCanvas->Brush()->SetColor(Color);
    FCanvas->FillRect(RECT{FX, FY, FX1, FY1});
  }
  if (BrushStyle >= bsHorizontal) {
    HDC dc = FCanvas->Handle();
    HBRUSH hatch = CreateHatchBrush(static_cast<int>(BrushStyle) - 2, ColorToRGB(FFrame->Color));
    FCanvas->Pen()->SetStyle(psClear);
    FCanvas->Rectangle(0, 0, 0, 0);  // selects the canvas's pen and brush before ours
    HGDIOBJ old = SelectObject(dc, hatch);
    ::Rectangle(dc, FX, FY, FX1 + 1, FY1 + 1);
    SelectObject(dc, old);
    DeleteObject(hatch);
    FCanvas->Pen()->SetStyle(psSolid);
  }
}

void TrptView::DrawThickLine(int X1, int Y1, int X2, int Y2, int W) {
  if (W == 0) W = 1;
  int from = (-W) / 2, to = W / 2 - (W % 2 == 0 ? 1 : 0);
  for (int o = from; o <= to; ++o) {
    if (std::abs(X2 - X1) > std::abs(Y2 - Y1)) {
      FCanvas->MoveTo(X1, Y1 + o);
      FCanvas->LineTo(X2, Y2 + o);
    } else {
      FCanvas->MoveTo(X1 + o, Y1);
      FCanvas->LineTo(X2 + o, Y2);
    }
  }
}

void TrptView::DrawFrame() {
  if (!FCanvas) return;
  TCanvas* c = FCanvas;
  TrptFrame* f = FFrame.get();
  if (f->DropShadow) {
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(f->ShadowColor);
    int s = rptRound(f->ShadowWidth * FScaleX);
    DrawThickLine(FX1 + s / 2, FY + s, FX1 + s / 2, FY1, s);
    int t = rptRound(f->ShadowWidth * FScaleY);
    DrawThickLine(FX + t, FY1 + t / 2, FX1 + t, FY1 + t / 2, t);
  }
  if (f->Typ.Empty() || f->Color == clNone || f->Width == 0) return;
  const int FW = FFrameWidth;
  c->Pen()->SetColor(f->Color);
  if (f->Style == fsSolid || f->Style == fsDouble) {
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(std::max(1, FW));
  } else {
    c->Pen()->SetStyle(static_cast<TPenStyle>(f->Style));
    c->Pen()->SetWidth(1);
  }
  c->Brush()->SetStyle(bsSolid);
  if (f->Style != fsSolid) {
    if (Color == clNone) c->Brush()->SetStyle(bsClear);
    else c->Brush()->SetColor(Color);
  }
  auto has = [&](TrptFrameType t) { return f->Typ.Contains(t); };
  auto side = [&](int x1, int y1, int x2, int y2, bool vertical, bool n1, bool n2, bool negate) {
    if (f->Style == fsSolid) {
      if (FW <= 1) {
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
      } else {
        DrawThickLine(x1, y1, x2, y2, FW);
      }
    } else if (f->Style == fsDouble) {
      int a = n1 ? FW : 0, b = n2 ? FW : 0;
      if (negate) {
        a = -a;
        b = -b;
      }
      c->Pen()->SetWidth(1);
      if (vertical) {
        c->MoveTo(x1 - FW, y1 + a);
        c->LineTo(x1 - FW, y2 - b);
      } else {
        c->MoveTo(x1 + a, y1 - FW);
        c->LineTo(x2 - b, y1 - FW);
      }
      if (Color != clNone) {
        c->Pen()->SetColor(Color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
        c->Pen()->SetColor(f->Color);
      }
      if (vertical) {
        c->MoveTo(x1 + FW, y1 - a);
        c->LineTo(x1 + FW, y2 + b);
      } else {
        c->MoveTo(x1 - a, y1 + FW);
        c->LineTo(x2 + b, y1 + FW);
      }
    } else {
      DrawThickLine(x1, y1, x2, y2, FW);
    }
  };
  if (has(ftLeft)) side(FX, FY, FX, FY1, true, has(ftTop), has(ftBottom), true);
  if (has(ftRight)) side(FX1, FY, FX1, FY1, true, has(ftTop), has(ftBottom), false);
  if (has(ftTop)) side(FX, FY, FX1, FY, false, has(ftLeft), has(ftRight), true);
  if (has(ftBottom)) side(FX, FY1, FX1 + (FW == 1 ? 1 : 0), FY1, false, has(ftLeft), has(ftRight), false);
}

std::string TrptView::ExpandBrackets(const std::string& S) {
  TrptReport* r = GetReport();
  if (!r || S.find('[') == std::string::npos) return S;
  return ExpandDelimited(S, "[", "]", [r](const std::string& E) { return VarToStr(r->Calc(E)); });
}

void TrptView::BeforePrint() {
  TrptReportComponent::BeforePrint();
  FSavedTagStr = TagStr;
  FSavedURL = URL;
}

void TrptView::GetData() {
  TagStr = ExpandBrackets(TagStr);
  URL = ExpandBrackets(URL);
}

void TrptView::AfterPrint() {
  TagStr = FSavedTagStr;
  URL = FSavedURL;
  TrptReportComponent::AfterPrint();
}

std::string TrptView::Diff(TrptComponent* Reference) {
  std::string s = TrptComponent::Diff(Reference);
  auto* r = dynamic_cast<TrptView*>(Reference);
  if (!r) return s;
  if (BrushStyle != r->BrushStyle) s += Q("BrushStyle", IntToStr(BrushStyle));
  if (Align != r->Align) s += Q("Align", IntToStr(Align));
  if (Color != r->Color) s += Q("Color", IntToStr(Color));
  TrptFrame *f = FFrame.get(), *rf = r->Frame();
  if (f->Color != rf->Color) s += Q("Frame.Color", IntToStr(f->Color));
  if (f->DropShadow != rf->DropShadow) s += Q("Frame.DropShadow", f->DropShadow ? "1" : "0");
  if (f->ShadowColor != rf->ShadowColor) s += Q("Frame.ShadowColor", IntToStr(f->ShadowColor));
  if (rptFloatDiffers(f->ShadowWidth, rf->ShadowWidth)) s += Q("Frame.ShadowWidth", FloatToStr(f->ShadowWidth));
  if (f->Style != rf->Style) s += Q("Frame.Style", IntToStr(f->Style));
  if (f->Typ.Bits() != rf->Typ.Bits()) s += Q("Frame.Typ", IntToStr(static_cast<int>(f->Typ.Bits())));
  if (rptFloatDiffers(f->Width, rf->Width)) s += Q("Frame.Width", FloatToStr(f->Width));
  if (Cursor != r->Cursor) s += Q("Cursor", IntToStr(Cursor));
  if (Printable != r->Printable) s += Q("Printable", Printable ? "1" : "0");
  if (TagStr != r->TagStr) s += Q("TagStr", rptEscapeAttr(TagStr));
  if (URL != r->URL) s += Q("URL", rptEscapeAttr(URL));
  return s;
}

// ---- TrptStretcheable ----

TrptStretcheable::TrptStretcheable(TComponent* AOwner) : TrptView(AOwner) {}

void TrptStretcheable::Publish(TPublisher<TrptStretcheable>& P) {
  P.Prop("StretchMode", &TrptStretcheable::StretchMode).Default(smDontStretch);
}

// ---- TrptShapeView ----

TrptShapeView::TrptShapeView(TComponent* AOwner) : TrptView(AOwner) { AllDiff = false; }

void TrptShapeView::Publish(TPublisher<TrptShapeView>& P) {
  P.Prop("BrushStyle", &TrptShapeView::BrushStyle).Default(bsSolid);
  P.Prop("Color", &TrptShapeView::Color).Type("TColor").Default(clNone);
  P.Prop("Curve", &TrptShapeView::Curve).Default(0);
  P.Prop("Frame", &TrptShapeView::Frame, &TrptShapeView::SetFrame);
  P.Prop("Shape", &TrptShapeView::Shape).Default(skRectangle);
}

std::string TrptShapeView::GetKindCaption() const { return rptGet("obShape"); }

std::string TrptShapeView::Diff(TrptComponent* Reference) {
  std::string s = TrptView::Diff(Reference);
  auto* r = dynamic_cast<TrptShapeView*>(Reference);
  if (r && Shape != r->Shape) s += Q("Shape", IntToStr(Shape));
  return s;
}

void TrptShapeView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  TCanvas* c = Canvas;
  c->Pen()->SetColor(Frame()->Color);
  c->Pen()->SetWidth(std::max(1, FFrameWidth));
  c->Pen()->SetStyle(Frame()->Style == fsDouble || Frame()->Color == clNone ? psClear
                                                                            : static_cast<TPenStyle>(Frame()->Style));
  SetBkMode(c->Handle(), OPAQUE);
  auto shape = [&]() {
    switch (Shape) {
      case skRectangle: c->Rectangle(FX, FY, FX1 + 1, FY1 + 1); break;
      case skRoundRectangle: {
        int r = Curve != 0 ? rptRound(Curve * ScaleX * 10) : std::min(FDX, FDY) / 4;
        c->RoundRect(FX, FY, FX1 + 1, FY1 + 1, r, r);
        break;
      }
      case skEllipse: c->Ellipse(FX, FY, FX1 + 1, FY1 + 1); break;
      case skTriangle:
        c->Polygon({POINT{FX1, FY1}, POINT{FX, FY1}, POINT{FX + FDX / 2, FY}, POINT{FX1, FY1}});
        break;
      case skDiamond:
        c->Polygon({POINT{FX + FDX / 2, FY}, POINT{FX1, FY + FDY / 2}, POINT{FX + FDX / 2, FY1},
                    POINT{FX, FY + FDY / 2}, POINT{FX + FDX / 2, FY}});
        break;
      case skDiagonal1: DrawThickLine(FX, FY1, FX1, FY, FFrameWidth); break;
      case skDiagonal2: DrawThickLine(FX, FY, FX1, FY1, FFrameWidth); break;
    }
  };
  if (BrushStyle != bsSolid) {
    if (Color != clNone) {
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(Color);
      shape();
    }
    c->Brush()->SetStyle(BrushStyle);
    c->Brush()->SetColor(Frame()->Color);
    shape();
  } else {
    if (Color == clNone) c->Brush()->SetStyle(bsClear);
    else {
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(Color);
    }
    shape();
  }
}

// ---- TrptCustomMemoView ----

TrptCustomMemoView::TrptCustomMemoView(TComponent* AOwner)
    : TrptStretcheable(AOwner), FMemo(std::make_unique<TStringList>()), FHighlight(std::make_unique<TrptHighlight>()),
      FDisplayFormat(std::make_unique<TrptFormat>()) {
  SetParentFont(true);
  AllDiff = false;
  LastValue = Null();
}

TrptCustomMemoView::~TrptCustomMemoView() = default;

void TrptCustomMemoView::Publish(TPublisher<TrptCustomMemoView>&) {}

void TrptMemoView::Publish(TPublisher<TrptMemoView>& P) {
  P.Prop("AutoWidth", &TrptMemoView::AutoWidth).Default(false);
  P.Prop("AllowExpressions", &TrptMemoView::AllowExpressions).Default(true);
  P.Prop("AllowHTMLTags", &TrptMemoView::AllowHTMLTags).Default(false);
  P.Prop("BrushStyle", &TrptMemoView::BrushStyle).Default(bsSolid);
  P.Prop("CharSpacing", &TrptMemoView::CharSpacing).Stored(&TrptMemoView::IsCharSpacingStored);
  P.Prop("Clipped", &TrptMemoView::Clipped).Default(true);
  P.Prop("Color", &TrptMemoView::Color).Type("TColor").Default(clNone);
  P.Prop("DataField", &TrptMemoView::DataField);
  P.Prop("DataSet", &TrptMemoView::DataSet, &TrptMemoView::SetDataSet);
  P.Prop("DataSetName", &TrptMemoView::DataSetName, &TrptMemoView::SetDataSetName);
  P.Prop("DisplayFormat", &TrptMemoView::DisplayFormat, &TrptMemoView::SetDisplayFormat);
  P.Prop("ExpressionDelimiters", &TrptMemoView::ExpressionDelimiters).Stored(&TrptMemoView::IsDelimitersStored);
  P.Prop("FlowTo", &TrptMemoView::FlowTo, &TrptMemoView::SetFlowTo);
  P.Prop("Font", &TrptMemoView::Font, &TrptMemoView::SetFont).Stored(&TrptMemoView::IsFontStored);
  P.Prop("Frame", &TrptMemoView::Frame, &TrptMemoView::SetFrame);
  P.Prop("GapX", &TrptMemoView::GapX).Stored(&TrptMemoView::IsGapXStored);
  P.Prop("GapY", &TrptMemoView::GapY).Stored(&TrptMemoView::IsGapYStored);
  P.Prop("HAlign", &TrptMemoView::HAlign).Default(haLeft);
  P.Prop("HideZeros", &TrptMemoView::HideZeros).Default(false);
  P.Prop("Highlight", &TrptMemoView::Highlight, &TrptMemoView::SetHighlight).Stored(&TrptMemoView::IsHighlightStored);
  P.Prop("LineSpacing", &TrptMemoView::LineSpacing).Stored(&TrptMemoView::IsLineSpacingStored);
  P.Prop("Memo", &TrptMemoView::Memo, &TrptMemoView::SetMemo);
  P.Prop("ParagraphGap", &TrptMemoView::ParagraphGap).Stored(&TrptMemoView::IsParagraphGapStored);
  P.Prop("ParentFont", &TrptMemoView::ParentFont, &TrptMemoView::SetParentFont).Default(true);
  P.Prop("Rotation", &TrptMemoView::Rotation, &TrptMemoView::SetRotation).Default(0);
  P.Prop("RTLReading", &TrptMemoView::RTLReading).Default(false);
  P.Prop("Style", &TrptMemoView::Style, &TrptMemoView::SetStyle);
  P.Prop("SuppressRepeated", &TrptMemoView::SuppressRepeated).Default(false);
  P.Prop("Underlines", &TrptMemoView::Underlines).Default(false);
  P.Prop("WordBreak", &TrptMemoView::WordBreak).Default(false);
  P.Prop("WordWrap", &TrptMemoView::WordWrap).Default(true);
  P.Prop("VAlign", &TrptMemoView::VAlign).Default(vaTop);
}

void TrptSysMemoView::Publish(TPublisher<TrptSysMemoView>& P) {
  P.Prop("AutoWidth", &TrptSysMemoView::AutoWidth).Default(false);
  P.Prop("BrushStyle", &TrptSysMemoView::BrushStyle).Default(bsSolid);
  P.Prop("CharSpacing", &TrptSysMemoView::CharSpacing).Stored(&TrptSysMemoView::IsCharSpacingStored);
  P.Prop("Color", &TrptSysMemoView::Color).Type("TColor").Default(clNone);
  P.Prop("DisplayFormat", &TrptSysMemoView::DisplayFormat, &TrptSysMemoView::SetDisplayFormat);
  P.Prop("Font", &TrptSysMemoView::Font, &TrptSysMemoView::SetFont).Stored(&TrptSysMemoView::IsFontStored);
  P.Prop("Frame", &TrptSysMemoView::Frame, &TrptSysMemoView::SetFrame);
  P.Prop("GapX", &TrptSysMemoView::GapX).Stored(&TrptSysMemoView::IsGapXStored);
  P.Prop("GapY", &TrptSysMemoView::GapY).Stored(&TrptSysMemoView::IsGapYStored);
  P.Prop("HAlign", &TrptSysMemoView::HAlign).Default(haLeft);
  P.Prop("HideZeros", &TrptSysMemoView::HideZeros).Default(false);
  P.Prop("Highlight", &TrptSysMemoView::Highlight, &TrptSysMemoView::SetHighlight)
      .Stored(&TrptSysMemoView::IsHighlightStored);
  P.Prop("Memo", &TrptSysMemoView::Memo, &TrptSysMemoView::SetMemo);
  P.Prop("ParentFont", &TrptSysMemoView::ParentFont, &TrptSysMemoView::SetParentFont).Default(true);
  P.Prop("Rotation", &TrptSysMemoView::Rotation, &TrptSysMemoView::SetRotation).Default(0);
  P.Prop("RTLReading", &TrptSysMemoView::RTLReading).Default(false);
  P.Prop("Style", &TrptSysMemoView::Style, &TrptSysMemoView::SetStyle);
  P.Prop("SuppressRepeated", &TrptSysMemoView::SuppressRepeated).Default(false);
  P.Prop("VAlign", &TrptSysMemoView::VAlign).Default(vaTop);
}

std::string TrptSysMemoView::GetKindCaption() const { return rptGet("obSysText"); }
std::string TrptCustomMemoView::GetKindCaption() const { return rptGet("obText"); }

bool TrptCustomMemoView::IsHighlightStored() const { return !Trim(FHighlight->Condition).empty(); }

void TrptCustomMemoView::SetMemo(TStrings* Value) { FMemo->Assign(Value); }

std::string TrptCustomMemoView::Text() const { return FMemo->Text(); }

void TrptCustomMemoView::SetText(const std::string& Value) { FMemo->SetText(Value); }

void TrptCustomMemoView::SetFlowTo(TrptCustomMemoView* Value) {
  FFlowTo = Value == this ? nullptr : Value;
  if (FFlowTo) FFlowTo->FreeNotification(this);
}

void TrptCustomMemoView::SetStyle(const std::string& Value) {
  FStyle = Value;
  CopyStyle();
}

void TrptCustomMemoView::CopyStyle() {
  TrptReport* r = GetReport();
  if (!r || FStyle.empty() || !r->Styles()) return;
  TrptStyleItem* item = r->Styles()->Find(FStyle);
  if (!item) return;
  Color = item->Color;
  SetFont(item->Font());
  SetFrame(item->Frame());
}

void TrptCustomMemoView::Notification(TComponent* AComponent, TOperation Operation) {
  TrptView::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFlowTo) FFlowTo = nullptr;
}

TrptDrawText* TrptCustomMemoView::Renderer() { return rptDrawText(); }

Extended TrptCustomMemoView::VerticalGaps() const {
  Extended g = 2 * GapY;
  if (Frame()->Typ.Contains(ftTop)) g += (Frame()->Width - 1) / 2;
  if (Frame()->Typ.Contains(ftBottom)) g += Frame()->Width / 2;
  if (Frame()->DropShadow) g += Frame()->ShadowWidth;
  return g;
}

Extended TrptCustomMemoView::HorizontalGaps() const {
  Extended g = 2 * GapX;
  if (Frame()->Typ.Contains(ftLeft)) g += (Frame()->Width - 1) / 2;
  if (Frame()->Typ.Contains(ftRight)) g += Frame()->Width / 2;
  if (Frame()->DropShadow) g += Frame()->ShadowWidth;
  return g;
}

void TrptCustomMemoView::BeginDraw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
                                   Extended OffsetY) {
  TrptView::BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  int gx = rptRound(ScaleX * GapX), gy = rptRound(ScaleY * GapY);
  const TrptFrame* f = Frame();
  int l = f->Typ.Contains(ftLeft) ? rptRound((ScaleX * f->Width - 1) / 2) : 0;
  int t = f->Typ.Contains(ftTop) ? rptRound((ScaleY * f->Width - 1) / 2) : 0;
  int r = f->Typ.Contains(ftRight) ? rptRound(ScaleX * f->Width / 2) : 0;
  int b = f->Typ.Contains(ftBottom) ? rptRound(ScaleY * f->Width / 2) : 0;
  TextRect = RECT{FX + l + gx, FY + t + gy, FX1 - r - gx + 1, FY1 - b - gy + 1};
}

void TrptCustomMemoView::PrepareRenderer(TrptDrawText* R, TCanvas* Canvas, Extended ScaleX, Extended ScaleY,
                                         Extended OffsetX, Extended OffsetY, bool Measure) {
  if (FHighlight->Active) {
    R->AssignFont(FHighlight->Font());
    Color = FHighlight->Color;
  } else {
    R->AssignFont(Font());
  }
  R->SetOptions(WordWrap, AllowHTMLTags, RTLReading, WordBreak, Clipped, FRotation);
  R->SetSpacing(ParagraphGap, CharSpacing, LineSpacing);
  const RECT big{0, 0, 10000, 10000};
  if (!IsDesigning && AutoWidth && !Measure) {
    R->SetDimensions(1, 1, big, big);
    R->SetText(FMemo.get());
    Extended oldW = Width();
    Extended w = R->CalcWidth() + HorizontalGaps();
    FWidth = w;
    if (HAlign == haRight) FLeft += oldW - w;
    else if (HAlign == haCenter) FLeft += (oldW - w) / 2;
    if (Parent()) Parent()->AlignChildren();
  }
  if (Measure && AutoWidth) {
    R->SetDimensions(1, 1, big, big);
    R->SetText(FMemo.get());
    return;
  }
  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  RECT scaled = TextRect;
  BeginDraw(Canvas, 1, 1, 0, 0);
  RECT unscaled = TextRect;
  R->SetDimensions(ScaleX, ScaleY, unscaled, scaled);
  R->SetText(FMemo.get());
  if (Canvas) BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
}

void TrptCustomMemoView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  if (!IsDesigning) {
    if (AllowExpressions) {
      std::string t = Text();
      size_t at = UpperCase(t).find("[TOTALPAGES#]");
      if (at != std::string::npos) {
        t.replace(at, 13, IntToStr(TotalPages));
        // The memo text keeps its last line break handling: set lines from the text.
        std::string body = t;
        if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0) body.resize(body.size() - 2);
        SetText(body);
      }
    }
  } else if (HasDataField()) {
    SetText("[" + DataSetName() + ".\"" + DataField + "\"]");
  }
  int32_t savedColor = Color;
  TrptDrawText* R = Renderer();
  R->Acquire();
  try {
    PrepareRenderer(R, Canvas, ScaleX, ScaleY, OffsetX, OffsetY, false);
    TrptView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (Underlines && FRotation == 0) {
      Canvas->Pen()->SetColor(Frame()->Color);
      Canvas->Pen()->SetWidth(std::max(1, FFrameWidth));
      Canvas->Pen()->SetStyle(psSolid);
      Extended step = R->GetLineHeight() * ScaleY;
      if (step > 0)
        for (Extended y = FY + step; y < FY1; y += step) {
          Canvas->MoveTo(FX, rptRound(y));
          Canvas->LineTo(FX1, rptRound(y));
        }
    }
    R->DrawText(Canvas, HAlign, VAlign);
  } catch (...) {
    R->Release();
    Color = savedColor;
    throw;
  }
  R->Release();
  Color = savedColor;
}

Extended TrptCustomMemoView::CalcHeight() {
  TrptDrawText* R = Renderer();
  R->Acquire();
  Extended h;
  try {
    PrepareRenderer(R, nullptr, 1, 1, 0, 0, true);
    h = R->CalcHeight() + VerticalGaps();
  } catch (...) {
    R->Release();
    throw;
  }
  R->Release();
  return rptRound(h);
}

Extended TrptCustomMemoView::CalcWidth() {
  TrptDrawText* R = Renderer();
  R->Acquire();
  Extended w;
  try {
    if (FHighlight->Active) R->AssignFont(FHighlight->Font());
    else R->AssignFont(Font());
    R->SetOptions(WordWrap, AllowHTMLTags, RTLReading, WordBreak, Clipped, FRotation);
    R->SetSpacing(ParagraphGap, CharSpacing, LineSpacing);
    const RECT big{0, 0, 10000, 10000};
    R->SetDimensions(1, 1, big, big);
    R->SetText(FMemo.get());
    w = R->CalcWidth() + HorizontalGaps();
  } catch (...) {
    R->Release();
    throw;
  }
  R->Release();
  return rptRound(w);
}

void TrptCustomMemoView::BeginParts() { RemainingPart = Text(); }

std::string TrptCustomMemoView::LayoutText(bool Wrapped) {
  TrptDrawText* R = Renderer();
  R->Acquire();
  std::string result;
  try {
    TBitmap scratch;
    scratch.SetSize(1, 1);
    PrepareRenderer(R, scratch.Canvas(), 1, 1, 0, 0, false);
    if (Wrapped) {
      for (size_t i = 0; i < R->Lines().size(); ++i) result += (i ? "\r\n" : "") + R->Lines()[i];
    } else {
      result = AllowHTMLTags ? R->RemoveTags(Text()) : Text();
    }
  } catch (...) {
    R->Release();
    throw;
  }
  R->Release();
  return result;
}

Extended TrptCustomMemoView::FitNextPart() {
  int32_t savedColor = Color;
  TrptDrawText* R = Renderer();
  R->Acquire();
  Extended result;
  try {
    SetText(RemainingPart);
    PrepareRenderer(R, nullptr, 1, 1, 0, 0, false);
    RemainingPart = R->GetOverflowText();
    std::string fit = R->GetFittingText();
    if (fit.size() >= 2 && fit.compare(fit.size() - 2, 2, "\r\n") == 0) fit.resize(fit.size() - 2);
    SetText(fit);
    result = R->GetSpaceLeft();
    if (result == 0) result = Height();
  } catch (...) {
    R->Release();
    Color = savedColor;
    throw;
  }
  R->Release();
  Color = savedColor;
  return result;
}

void TrptCustomMemoView::BeforePrint() {
  TrptView::BeforePrint();
  if (!HasDataField()) FSavedText = Text();
}

void TrptCustomMemoView::AfterPrint() {
  if (!HasDataField()) SetText(FSavedText);
  TrptView::AfterPrint();
}

std::string TrptCustomMemoView::CalcBracket(const std::string& Expr) {
  TrptReport* r = GetReport();
  std::string e = Expr;
  std::unique_ptr<TrptFormat> inlineFormat;
  size_t k = e.find(" #");
  if (k != std::string::npos) {
    std::string f = e.substr(k + 2);
    e = e.substr(0, k);
    inlineFormat = std::make_unique<TrptFormat>();
    char c = f.empty() ? ' ' : static_cast<char>(toupper(static_cast<unsigned char>(f[0])));
    inlineFormat->Kind = c == 'N' ? fkNumeric : (c == 'D' || c == 'T') ? fkDateTime : c == 'B' ? fkBoolean : fkText;
    if (inlineFormat->Kind == fkNumeric)
      for (char& ch : f)
        if (ch == ',' || ch == '-') {
          inlineFormat->DecimalSeparator = std::string(1, ch);
          ch = '.';
        }
    inlineFormat->FormatStr = f.size() > 1 ? f.substr(1, 255) : std::string();
  }
  Variant v;
  if (SameText(Trim(e), "TOTALPAGES#")) v = Variant(std::string("[TotalPages#]"));
  else v = r ? r->Calc(e) : Variant(e);
  Value = v;
  if (HideZeros && !VarIsStr(v) && VarIsNumeric(v) && v.AsFloat() == 0) return std::string();
  return inlineFormat ? inlineFormat->FormatValue(v) : FDisplayFormat->FormatValue(v);
}

void TrptCustomMemoView::GetData() {
  TrptView::GetData();
  TrptReport* r = GetReport();
  if (HasDataField()) {
    if (DataSet()->IsBlobField(DataField)) {
      DataSet()->AssignBlobTo(DataField, FMemo.get());
    } else {
      Value = DataSet()->GetValue(DataField);
      if (FDisplayFormat->Kind != fkText) SetText(FDisplayFormat->FormatValue(Value));
      else SetText(DataSet()->GetDisplayText(DataField));
      if (HideZeros && !VarIsStr(Value) && VarIsNumeric(Value) && Value.AsFloat() == 0) SetText("");
    }
  } else if (AllowExpressions) {
    size_t comma = ExpressionDelimiters.find(',');
    std::string open = comma == std::string::npos ? std::string() : ExpressionDelimiters.substr(0, comma);
    std::string close = comma == std::string::npos ? ExpressionDelimiters : ExpressionDelimiters.substr(comma + 1, 255);
    std::string t = Text();
    if (!open.empty() && t.find(open) != std::string::npos) {
      if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) t.resize(t.size() - 2);
      SetText(ExpandDelimited(t, open, close, [this](const std::string& E) { return CalcBracket(E); }));
    }
  }
  if (r) {
    r->SetLocalValue(Value);
    FHighlight->Active = false;
    if (!FHighlight->Condition.empty()) {
      Variant c = r->Calc(FHighlight->Condition);
      FHighlight->Active = !c.IsNull() && c.AsBoolean();
    }
  }
  if (SuppressRepeated) {
    std::string t = Text();
    if (!LastValue.IsNull() && VarToStr(LastValue) == t) SetText("");
    else LastValue = Variant(t);
  }
  if (FFlowTo) {
    BeginParts();
    FitNextPart();
    std::string rest = RemainingPart;
    if (rest.size() >= 2 && rest.compare(rest.size() - 2, 2, "\r\n") == 0) rest.resize(rest.size() - 2);
    FFlowTo->SetText(rest);
    FFlowTo->AllowExpressions = false;
  }
}

std::string TrptCustomMemoView::GetComponentText() {
  std::string t = Text();
  if (AllowExpressions) {
    size_t at = UpperCase(t).find("[TOTALPAGES]");
    if (at != std::string::npos) t.replace(at, 12, IntToStr(TotalPages));
  }
  return t;
}

std::string TrptCustomMemoView::Diff(TrptComponent* Reference) {
  std::string s = TrptView::Diff(Reference);
  auto* r = dynamic_cast<TrptCustomMemoView*>(Reference);
  if (!r) return s;
  if (AutoWidth != r->AutoWidth) s += Q("AutoWidth", AutoWidth ? "1" : "0");
  if (rptFloatDiffers(CharSpacing, r->CharSpacing)) s += Q("CharSpacing", FloatToStr(CharSpacing));
  if (rptFloatDiffers(GapX, r->GapX)) s += Q("GapX", FloatToStr(GapX));
  if (rptFloatDiffers(GapY, r->GapY)) s += Q("GapY", FloatToStr(GapY));
  if (HAlign != r->HAlign) s += Q("HAlign", IntToStr(HAlign));
  if (FHighlight->Active != r->Highlight()->Active) s += Q("Highlight.Active", FHighlight->Active ? "1" : "0");
  if (rptFloatDiffers(LineSpacing, r->LineSpacing)) s += Q("LineSpacing", FloatToStr(LineSpacing));
  std::string text;
  if (FMemo->Count() == 1) text = FMemo->Strings(0);
  else if (FMemo->Count() > 1) {
    text = FMemo->Text();
    if (text.size() >= 2) text.resize(text.size() - 2);
  }
  s += Q("x", rptEscapeAttr(text));
  if (rptFloatDiffers(ParagraphGap, r->ParagraphGap)) s += Q("ParagraphGap", FloatToStr(ParagraphGap));
  if (FRotation != r->Rotation()) s += Q("Rotation", IntToStr(FRotation));
  if (RTLReading != r->RTLReading) s += Q("RTLReading", RTLReading ? "1" : "0");
  if (Underlines != r->Underlines) s += Q("Underlines", Underlines ? "1" : "0");
  if (VAlign != r->VAlign) s += Q("VAlign", IntToStr(VAlign));
  if (WordWrap != r->WordWrap) s += Q("WordWrap", WordWrap ? "1" : "0");
  return s;
}

// ---- Lines ----

TrptCustomLineView::TrptCustomLineView(TComponent* AOwner) : TrptStretcheable(AOwner) { AllDiff = false; }

void TrptLineView::Publish(TPublisher<TrptLineView>& P) {
  P.Prop("Frame", &TrptLineView::Frame, &TrptLineView::SetFrame);
  P.Prop("Diagonal", &TrptLineView::Diagonal).Default(false);
}

std::string TrptCustomLineView::GetKindCaption() const { return rptGet("obLine"); }

void TrptCustomLineView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  if (!Diagonal) {
    TrptFrameTypes t;
    if (Width() <= Height()) {
      FWidth = 0;
      t.Include(ftLeft);
    } else {
      FHeight = 0;
      t.Include(ftTop);
    }
    Frame()->Typ = t;
  }
  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  if (!Diagonal) {
    DrawFrame();
    return;
  }
  if (Frame()->Color == clNone || Frame()->Width == 0) return;
  if (Color == clNone) Canvas->Brush()->SetStyle(bsClear);
  else {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
  }
  Canvas->Pen()->SetColor(Frame()->Color);
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(Frame()->Style == fsDouble ? psSolid : static_cast<TPenStyle>(Frame()->Style));
  DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
}

// ---- Pictures ----

TrptPictureView::TrptPictureView(TComponent* AOwner) : TrptView(AOwner), FPicture(std::make_unique<TPicture>()) {
  Color = clWhite;
  AllDiff = false;
  FPicture->OnChange = [this](TObject*) { PictureChange(); };
}

TrptPictureView::~TrptPictureView() { FPicture->OnChange = nullptr; }

void TrptPictureView::Publish(TPublisher<TrptPictureView>& P) {
  P.Prop("AutoSize", &TrptPictureView::AutoSize, &TrptPictureView::SetAutoSize).Default(false);
  P.Prop("Center", &TrptPictureView::Center).Default(false);
  P.Prop("DataField", &TrptPictureView::DataField);
  P.Prop("DataSet", &TrptPictureView::DataSet, &TrptPictureView::SetDataSet);
  P.Prop("DataSetName", &TrptPictureView::DataSetName, &TrptPictureView::SetDataSetName);
  P.Prop("Frame", &TrptPictureView::Frame, &TrptPictureView::SetFrame);
  P.Prop("KeepAspectRatio", &TrptPictureView::KeepAspectRatio).Default(true);
  P.Prop("Picture", &TrptPictureView::Picture, &TrptPictureView::SetPicture);
  P.Prop("Stretched", &TrptPictureView::Stretched).Default(true);
}

std::string TrptPictureView::GetKindCaption() const { return rptGet("obPicture"); }

void TrptPictureView::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

void TrptPictureView::SetAutoSize(bool Value) {
  FAutoSize = Value;
  if (Value && FPicture->Graphic() && !FPicture->Graphic()->Empty()) {
    FWidth = FPicture->Width();
    FHeight = FPicture->Height();
  }
}

void TrptPictureView::PictureChange() {
  SetAutoSize(FAutoSize);
  PictureChanged = true;
}

void TrptPictureView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  DrawBackground();
  RECT r{FX, FY, FX1, FY1};
  TGraphic* g = FPicture->Graphic();
  if (g && !g->Empty() && g->Width() > 0 && g->Height() > 0) {
    const int pw = g->Width(), ph = g->Height();
    if (Stretched && KeepAspectRatio) {
      Extended kx = static_cast<Extended>(FDX) / pw, ky = static_cast<Extended>(FDY) / ph;
      if (ky > kx) r.bottom = r.top + rptRound(ph * kx);
      else r.right = r.left + rptRound(pw * ky);
      if (Center) {
        int mx = (FDX + r.left - r.right) / 2, my = (FDY + r.top - r.bottom) / 2;
        r.left += mx;
        r.right += mx;
        r.top += my;
        r.bottom += my;
      }
    } else if (!Stretched) {
      if (Center) {
        r.left += (FDX - rptRound(pw * ScaleX)) / 2;
        r.top += (FDY - rptRound(ph * ScaleY)) / 2;
      }
      r.right = r.left + rptRound(pw * ScaleX);
      r.bottom = r.top + rptRound(ph * ScaleY);
    }
    Canvas->StretchDraw(r, g);
  } else if (IsDesigning) {
    Canvas->Font()->SetName("Tahoma");
    Canvas->Font()->SetSize(8);
    Canvas->Font()->SetColor(clBlack);
    Canvas->Font()->SetStyle(TFontStyles());
    Canvas->TextRect(r, FX + 20, FY + 3, rptGet("obPicture"));
  }
  DrawFrame();
}

bool TrptPictureView::LoadFromBlob(TStream* Stream) {
  int64_t size = Stream->Size();
  int64_t p = 0;
  if (size >= 8) {
    uint8_t h[8];
    Stream->SetPosition(0);
    Stream->ReadBuffer(h, 8);
    unsigned count = h[0] | (h[1] << 8), type = h[2] | (h[3] << 8);
    uint32_t length = h[4] | (h[5] << 8) | (h[6] << 16) | (static_cast<uint32_t>(h[7]) << 24);
    if (count == 1 && type == 0x0100 && size == static_cast<int64_t>(length) + 8) p = 8;
  }
  auto peek = [&](size_t n) {
    std::vector<uint8_t> b(n, 0);
    if (size - p < static_cast<int64_t>(n)) return std::vector<uint8_t>();
    Stream->SetPosition(p);
    Stream->ReadBuffer(b.data(), static_cast<int64_t>(n));
    Stream->SetPosition(p);
    return b;
  };
  std::string ext;
  auto b14 = peek(14);
  auto b8 = peek(8);
  auto b6 = peek(6);
  auto b44 = size - p > 100 ? peek(44) : std::vector<uint8_t>();
  auto b22 = peek(22);
  if (b14.size() == 14 && b14[0] == 'B' && b14[1] == 'M') ext = "bmp";
  else if (b6.size() >= 2 && b6[0] == 0xFF && b6[1] == 0xD8) ext = "jpg";
  // Pictures stored as PNG or GIF load as well (a picture field holds what users put there).
  else if (b8.size() == 8 && memcmp(b8.data(), "\x89PNG\r\n\x1a\n", 8) == 0) ext = "png";
  else if (b6.size() == 6 && (memcmp(b6.data(), "GIF87a", 6) == 0 || memcmp(b6.data(), "GIF89a", 6) == 0)) ext = "gif";
  else if (b22.size() == 22 && (b22[0] | (b22[1] << 8) | (b22[2] << 16) | (static_cast<uint32_t>(b22[3]) << 24)) == 0x9AC6CDD7u)
    ext = "wmf";
  else if (b44.size() == 44 && b44[40] == ' ' && b44[41] == 'E' && b44[42] == 'M' && b44[43] == 'F') ext = "emf";
  else if (b6.size() == 6 && (b6[2] | (b6[3] << 8)) < 2) ext = "ico";
  if (ext.empty() || !TPicture::FileFormatClass(ext)) {
    FPicture->Assign(nullptr);
    return false;
  }
  TMemoryStream part;
  Stream->SetPosition(p);
  part.CopyFrom(Stream, size - p);
  part.SetPosition(0);
  FPicture->LoadFromStream(&part, ext);
  return true;
}

void TrptPictureView::GetData() {
  TrptView::GetData();
  if (!HasDataField() || !DataSet()->IsBlobField(DataField)) return;
  TMemoryStream blob;
  DataSet()->AssignBlobTo(DataField, &blob);
  blob.SetPosition(0);
  if (blob.Size() == 0) {
    FPicture->Assign(nullptr);
    return;
  }
  LoadFromBlob(&blob);
}

std::string TrptPictureView::Diff(TrptComponent* Reference) {
  std::string s;
  if (PictureChanged && FPicture->Graphic() && !FPicture->Graphic()->Empty()) {
    // The picture's data as the report format writes it (its "Data" record in hexadecimal).
    TrptXMLSerializer serializer;
    std::string all = serializer.BuildAttrText(this);
    size_t at = all.find(" Picture.PropData=\"");
    if (at != std::string::npos) {
      size_t end = all.find('"', at + 19);
      if (end != std::string::npos && end > at + 19) s += all.substr(at, end - at + 1);
    }
  }
  return s + " " + TrptComponent::Diff(Reference);
}

void rptRegisterViewClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterClasses({TrptShapeView::StaticClass(), TrptMemoView::StaticClass(), TrptSysMemoView::StaticClass(),
                   TrptLineView::StaticClass(), TrptPictureView::StaticClass()});
  rptSetMemoText = [](TrptComponent* Obj, const std::string& Text) {
    if (auto* m = dynamic_cast<TrptCustomMemoView*>(Obj)) m->SetText(Text);
  };
  rptApplyStyleToObject = [](TrptComponent* Obj) {
    if (auto* m = dynamic_cast<TrptCustomMemoView*>(Obj)) m->CopyStyle();
  };
}
