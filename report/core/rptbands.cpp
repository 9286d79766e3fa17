#include "report/core/rptbands.h"

#include <cmath>

#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptdataset.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "script/sc_iinterpreter.h"

ORV_CLASS_IMPL(TrptBand, TrptReportComponent)
ORV_CLASS_IMPL(TrptDataBand, TrptBand)
ORV_CLASS_IMPL(TrptReportTitle, TrptBand)
ORV_CLASS_IMPL(TrptReportSummary, TrptBand)
ORV_CLASS_IMPL(TrptPageHeader, TrptBand)
ORV_CLASS_IMPL(TrptPageFooter, TrptBand)
ORV_CLASS_IMPL(TrptHeader, TrptBand)
ORV_CLASS_IMPL(TrptFooter, TrptBand)
ORV_CLASS_IMPL(TrptMasterData, TrptDataBand)
ORV_CLASS_IMPL(TrptDetailData, TrptDataBand)
ORV_CLASS_IMPL(TrptSubdetailData, TrptDataBand)
ORV_CLASS_IMPL(TrptDataBand4, TrptDataBand)
ORV_CLASS_IMPL(TrptDataBand5, TrptDataBand)
ORV_CLASS_IMPL(TrptDataBand6, TrptDataBand)
ORV_CLASS_IMPL(TrptGroupHeader, TrptBand)
ORV_CLASS_IMPL(TrptGroupFooter, TrptBand)
ORV_CLASS_IMPL(TrptChild, TrptBand)
ORV_CLASS_IMPL(TrptColumnHeader, TrptBand)
ORV_CLASS_IMPL(TrptColumnFooter, TrptBand)
ORV_CLASS_IMPL(TrptOverlay, TrptBand)
ORV_CLASS_IMPL(TrptNullBand, TrptBand)
ORV_CLASS_IMPL(TrptSubreport, TrptView)
ORV_CLASS_IMPL(TrptReportPage, TrptPage)
ORV_CLASS_IMPL(TrptDialogPage, TrptPage)

// ---- TrptBand ----

TrptBand::TrptBand(TComponent* AOwner) : TrptReportComponent(AOwner) { SetParentFont(true); }
TrptBand::~TrptBand() = default;

void TrptBand::Publish(TPublisher<TrptBand>& P) {
  P.Prop("Font", &TrptBand::Font, &TrptBand::SetFont).Stored(&TrptBand::IsFontStored);
  P.Prop("Height", &TrptBand::Height, &TrptBand::SetHeight);
  P.Prop("Left", &TrptBand::Left, &TrptBand::SetLeft);
  P.Prop("ParentFont", &TrptBand::ParentFont, &TrptBand::SetParentFont).Default(true);
  P.Prop("Restrictions", &TrptBand::Restrictions);
  P.Prop("Top", &TrptBand::Top, &TrptBand::SetTop);
  P.Prop("Vertical", &TrptBand::Vertical).Default(false);
  P.Prop("Visible", &TrptBand::Visible, &TrptBand::SetVisible).Default(true);
  P.Prop("Width", &TrptBand::Width, &TrptBand::SetWidth);
  P.Prop("OnAfterCalcHeight", &TrptBand::OnAfterCalcHeight).Type("TrptNotifyEvent");
  P.Prop("OnAfterPrint", &TrptBand::OnAfterPrint).Type("TrptNotifyEvent");
  P.Prop("OnBeforePrint", &TrptBand::OnBeforePrint).Type("TrptNotifyEvent");
}

namespace {
// The published options shared by most band classes.
template <class T> void PublishCommon(TPublisher<T>& P, bool Split, bool Keep, bool NewPage) {
  if (Split) P.Prop("AllowSplit", &T::AllowSplit).Default(false);
  P.Prop("Child", &T::Child, &T::SetChild);
  if (Keep) P.Prop("KeepChild", &T::KeepChild).Default(false);
  P.Prop("PrintChildIfInvisible", &T::PrintChildIfInvisible).Default(false);
  if (NewPage) P.Prop("StartNewPage", &T::StartNewPage).Default(false);
  P.Prop("Stretched", &T::Stretched).Default(false);
}

bool OnDotMatrixPage(TrptComponent* C) {
  TrptPage* p = C->GetPage();
  return p && p->ClassName() == "TrptDMPPage";
}

Extended Snap(Extended V, Extended Step) { return std::nearbyint(static_cast<double>(V / Step)) * Step; }
}  // namespace

std::string TrptBand::GetKindCaption() const { return rptGet("obBand"); }

void TrptBand::SetChild(TrptChild* Value) {
  FChild = Value == static_cast<TrptBand*>(this) ? nullptr : Value;
  if (FChild) FChild->FreeNotification(this);
}

void TrptBand::Notification(TComponent* AComponent, TOperation Operation) {
  TrptReportComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FChild) FChild = nullptr;
}

void TrptBand::SetLeft(Extended Value) { TrptReportComponent::SetLeft(OnDotMatrixPage(this) ? Snap(Value, 9.6) : Value); }
void TrptBand::SetTop(Extended Value) { TrptReportComponent::SetTop(OnDotMatrixPage(this) ? Snap(Value, 17) : Value); }
void TrptBand::SetHeight(Extended Value) {
  TrptReportComponent::SetHeight(OnDotMatrixPage(this) ? Snap(Value, 17) : Value);
}

std::string TrptBand::GetBandName() const {
  std::string n = ClassName();
  size_t p = n.find("Trpt");
  if (p != std::string::npos) n.erase(p, 4);
  p = n.find("Band");
  if (p != std::string::npos) n.erase(p, 4);
  return n;
}

int TrptBand::KindIndex() const {
  const TClass order[] = {
      TrptReportTitle::StaticClass(),  TrptReportSummary::StaticClass(), TrptPageHeader::StaticClass(),
      TrptPageFooter::StaticClass(),   TrptHeader::StaticClass(),        TrptFooter::StaticClass(),
      TrptMasterData::StaticClass(),   TrptDetailData::StaticClass(),    TrptSubdetailData::StaticClass(),
      TrptDataBand4::StaticClass(),    TrptDataBand5::StaticClass(),     TrptDataBand6::StaticClass(),
      TrptGroupHeader::StaticClass(),  TrptGroupFooter::StaticClass(),   TrptChild::StaticClass(),
      TrptColumnHeader::StaticClass(), TrptColumnFooter::StaticClass(),  TrptOverlay::StaticClass()};
  int result = 0;
  for (int i = 0; i < 18; ++i)
    if (InheritsFrom(order[i])) result = i;
  return result;
}

// ---- Data bands ----

TrptDataBand::TrptDataBand(TComponent* AOwner)
    : TrptBand(AOwner), FVirtualDataSet(std::make_unique<TrptUserDataSet>(nullptr)) {
  FVirtualDataSet->RangeEnd = reCount;
}

TrptDataBand::~TrptDataBand() = default;

void TrptDataBand::Publish(TPublisher<TrptDataBand>& P) {
  PublishCommon(P, true, true, true);
  P.Prop("Columns", &TrptDataBand::Columns).Default(0);
  P.Prop("ColumnWidth", &TrptDataBand::ColumnWidth);
  P.Prop("ColumnGap", &TrptDataBand::ColumnGap);
  P.Prop("DataSet", &TrptDataBand::DataSet, &TrptDataBand::SetDataSet);
  P.Prop("DataSetName", &TrptDataBand::DataSetName, &TrptDataBand::SetDataSetName);
  P.Prop("FooterAfterEach", &TrptDataBand::FooterAfterEach).Default(false);
  P.Prop("KeepFooter", &TrptDataBand::KeepFooter).Default(false);
  P.Prop("KeepHeader", &TrptDataBand::KeepHeader).Default(false);
  P.Prop("KeepTogether", &TrptDataBand::KeepTogether).Default(false);
  P.Prop("OutlineText", &TrptDataBand::OutlineText);
  P.Prop("PrintIfDetailEmpty", &TrptDataBand::PrintIfDetailEmpty).Default(false);
  P.Prop("RowCount", &TrptDataBand::RowCount, &TrptDataBand::SetRowCount).Default(0);
  P.Prop("OnMasterDetail", &TrptDataBand::OnMasterDetail).Type("TrptNotifyEvent");
}

std::string TrptDataBand::GetKindCaption() const { return rptGet("obDataBand"); }

void TrptDataBand::SetDataSet(TrptDataSet* Value) {
  FDataSet = Value;
  FDataSetName = Value ? Value->UserName() : std::string();
  if (Value) Value->FreeNotification(this);
}

std::string TrptDataBand::DataSetName() const { return FDataSet ? FDataSet->UserName() : FDataSetName; }

void TrptDataBand::SetDataSetName(const std::string& Value) {
  FDataSetName = Value;
  TrptReport* r = GetReport();
  FDataSet = Value.empty() ? nullptr : r ? r->GetDataset(Value) : rptFindDataSet(nullptr, Value, nullptr);
  if (FDataSet) FDataSet->FreeNotification(this);
}

void TrptDataBand::Notification(TComponent* AComponent, TOperation Operation) {
  TrptBand::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

void TrptDataBand::SetRowCount(int Value) {
  FRowCount = Value;
  FVirtualDataSet->RangeEndCount = Value;
}

TrptDataSet* TrptDataBand::EffectiveDataSet() const { return FDataSet ? FDataSet : FVirtualDataSet.get(); }

void TrptDataBand::SetCurColumn(int N) {
  if (N > Columns) N = 1;
  FCurColumn = N;
  if (N == 1) MaxY = 0;
  FLeft = (N - 1) * (ColumnWidth + ColumnGap);
}

// ---- Band classes ----

TrptReportTitle::TrptReportTitle(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptReportTitle::Publish(TPublisher<TrptReportTitle>& P) {
  PublishCommon(P, false, true, true);
}
TrptReportSummary::TrptReportSummary(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptReportSummary::Publish(TPublisher<TrptReportSummary>& P) { PublishCommon(P, true, true, true); }
TrptPageHeader::TrptPageHeader(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptPageHeader::Publish(TPublisher<TrptPageHeader>& P) {
  P.Prop("Child", &TrptPageHeader::Child, &TrptPageHeader::SetChild);
  P.Prop("PrintChildIfInvisible", &TrptPageHeader::PrintChildIfInvisible).Default(false);
  P.Prop("PrintOnFirstPage", &TrptPageHeader::PrintOnFirstPage).Default(true);
  P.Prop("Stretched", &TrptPageHeader::Stretched).Default(false);
}
TrptPageFooter::TrptPageFooter(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptPageFooter::Publish(TPublisher<TrptPageFooter>& P) {
  P.Prop("PrintOnFirstPage", &TrptPageFooter::PrintOnFirstPage).Default(true);
  P.Prop("PrintOnLastPage", &TrptPageFooter::PrintOnLastPage).Default(true);
}
TrptHeader::TrptHeader(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptHeader::Publish(TPublisher<TrptHeader>& P) {
  PublishCommon(P, true, true, true);
  P.Prop("ReprintOnNewPage", &TrptHeader::ReprintOnNewPage).Default(false);
}
TrptFooter::TrptFooter(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptFooter::Publish(TPublisher<TrptFooter>& P) { PublishCommon(P, true, true, false); }
TrptMasterData::TrptMasterData(TComponent* AOwner) : TrptDataBand(AOwner) {}
void TrptMasterData::Publish(TPublisher<TrptMasterData>&) {}
TrptDetailData::TrptDetailData(TComponent* AOwner) : TrptDataBand(AOwner) {}
void TrptDetailData::Publish(TPublisher<TrptDetailData>&) {}
TrptSubdetailData::TrptSubdetailData(TComponent* AOwner) : TrptDataBand(AOwner) {}
void TrptSubdetailData::Publish(TPublisher<TrptSubdetailData>&) {}
TrptDataBand4::TrptDataBand4(TComponent* AOwner) : TrptDataBand(AOwner) {}
void TrptDataBand4::Publish(TPublisher<TrptDataBand4>&) {}
TrptDataBand5::TrptDataBand5(TComponent* AOwner) : TrptDataBand(AOwner) {}
void TrptDataBand5::Publish(TPublisher<TrptDataBand5>&) {}
TrptDataBand6::TrptDataBand6(TComponent* AOwner) : TrptDataBand(AOwner) {}
void TrptDataBand6::Publish(TPublisher<TrptDataBand6>&) {}
TrptGroupHeader::TrptGroupHeader(TComponent* AOwner) : TrptBand(AOwner) { LastValue = Null(); }
void TrptGroupHeader::Publish(TPublisher<TrptGroupHeader>& P) {
  PublishCommon(P, true, true, true);
  P.Prop("Condition", &TrptGroupHeader::Condition);
  P.Prop("KeepTogether", &TrptGroupHeader::KeepTogether).Default(false);
  P.Prop("ReprintOnNewPage", &TrptGroupHeader::ReprintOnNewPage).Default(false);
  P.Prop("OutlineText", &TrptGroupHeader::OutlineText);
}
TrptGroupFooter::TrptGroupFooter(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptGroupFooter::Publish(TPublisher<TrptGroupFooter>& P) { PublishCommon(P, true, true, false); }
TrptChild::TrptChild(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptChild::Publish(TPublisher<TrptChild>& P) { PublishCommon(P, true, true, true); }
TrptColumnHeader::TrptColumnHeader(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptColumnHeader::Publish(TPublisher<TrptColumnHeader>& P) {
  P.Prop("Stretched", &TrptColumnHeader::Stretched).Default(false);
}
TrptColumnFooter::TrptColumnFooter(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptColumnFooter::Publish(TPublisher<TrptColumnFooter>&) {}
TrptOverlay::TrptOverlay(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptOverlay::Publish(TPublisher<TrptOverlay>& P) { P.Prop("PrintOnTop", &TrptOverlay::PrintOnTop).Default(false); }
TrptNullBand::TrptNullBand(TComponent* AOwner) : TrptBand(AOwner) {}
void TrptNullBand::Publish(TPublisher<TrptNullBand>&) {}

// ---- Subreport ----

TrptSubreport::TrptSubreport(TComponent* AOwner) : TrptView(AOwner) {
  Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  SetParentFont(false);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);
  Color = clSilver;
}

TrptSubreport::~TrptSubreport() {
  if (FPage) FPage->FSubReport = nullptr;
}

void TrptSubreport::Publish(TPublisher<TrptSubreport>& P) {
  P.Prop("Page", &TrptSubreport::Page, &TrptSubreport::SetPage);
  P.Prop("PrintOnParent", &TrptSubreport::PrintOnParent).Default(false);
}

std::string TrptSubreport::GetKindCaption() const { return rptGet("obSubRep"); }

void TrptSubreport::SetPage(TrptReportPage* Value) {
  if (FPage && FPage->FSubReport == this) FPage->FSubReport = nullptr;
  FPage = Value;
  if (Value) Value->FSubReport = this;
}

void TrptSubreport::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  TrptView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  Canvas->SetFont(Font());
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->TextOut(FX + 2, FY + 2, Name());
}

// ---- Report page ----

const std::vector<TrptPaperEntry>& rptPaperTable() {
  // Paper number, width and height in tenths of a millimetre (portrait; 4, 35, 39 and 46 are
  // stored wider than high).
  static const std::vector<TrptPaperEntry> table = {
    {1, 2159, 2794}, {2, 2159, 2794}, {3, 2794, 4318}, {4, 4318, 2794}, {5, 2159, 3556}, {6, 1397, 2159},
    {7, 1842, 2667}, {8, 2970, 4200}, {9, 2100, 2970}, {10, 2100, 2970}, {11, 1480, 2100}, {12, 2500, 3540},
    {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750}, {16, 2540, 3556}, {17, 2794, 4318},
    {18, 2159, 2794}, {19, 984, 2254}, {20, 1048, 2413}, {21, 1143, 2635}, {22, 1207, 2794},
    {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636}, {26, 8636, 11176}, {27, 1100, 2200},
    {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240}, {31, 1140, 1620}, {32, 1140, 2290},
    {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250}, {36, 1100, 2300}, {37, 984, 1905}, {38, 920, 1651},
    {39, 3778, 2794}, {40, 2159, 3048}, {41, 2159, 3302}, {42, 2500, 3530}, {43, 1000, 1480},
    {44, 2286, 2794}, {45, 2540, 2794}, {46, 3810, 2794}, {47, 2200, 2200}, {50, 2355, 3048},
    {51, 2355, 3810}, {52, 2969, 4572}, {53, 2354, 3223}, {54, 2101, 2794}, {55, 2100, 2970},
    {56, 2355, 3048}, {57, 2270, 3560}, {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300},
    {61, 1480, 2100}, {62, 1820, 2570}, {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760},
    {66, 4200, 5940}, {67, 2970, 4200}, {68, 3220, 4450}};
  return table;
}

bool rptPaperSizeMM(int PaperSize, Extended& Width, Extended& Height) {
  for (const TrptPaperEntry& p : rptPaperTable())
    if (p.Number == PaperSize) {
      Width = p.Width / 10.0;
      Height = p.Height / 10.0;
      return true;
    }
  return false;
}

TrptReportPage::TrptReportPage(TComponent* AOwner)
    : TrptPage(AOwner), FBackground(std::make_unique<TrptPictureView>(nullptr)),
      FColumnPositions(std::make_unique<TStringList>()), FHGuides(std::make_unique<TStringList>()),
      FVGuides(std::make_unique<TStringList>()) {
  FBackground->Color = clNone;
  FBackground->KeepAspectRatio = false;
  SetPaperSize(9);
}

TrptReportPage::~TrptReportPage() {
  if (FSubReport) FSubReport->FPage = nullptr;
}

void TrptReportPage::Publish(TPublisher<TrptReportPage>& P) {
  P.Prop("Font", &TrptReportPage::Font, &TrptReportPage::SetFont);
  P.Prop("Visible", &TrptReportPage::Visible, &TrptReportPage::SetVisible).Default(true);
  P.Prop("Orientation", &TrptReportPage::Orientation, &TrptReportPage::SetOrientation).Default(poPortrait);
  P.Prop("PaperWidth", &TrptReportPage::PaperWidth, &TrptReportPage::SetPaperWidth);
  P.Prop("PaperHeight", &TrptReportPage::PaperHeight, &TrptReportPage::SetPaperHeight);
  P.Prop("PaperSize", &TrptReportPage::PaperSize, &TrptReportPage::SetPaperSize).NoDefault();
  P.Prop("LeftMargin", &TrptReportPage::LeftMargin);
  P.Prop("RightMargin", &TrptReportPage::RightMargin);
  P.Prop("TopMargin", &TrptReportPage::TopMargin);
  P.Prop("BottomMargin", &TrptReportPage::BottomMargin);
  P.Prop("MirrorMargins", &TrptReportPage::MirrorMargins).Default(false);
  P.Prop("Columns", &TrptReportPage::Columns, &TrptReportPage::SetColumns).Default(0);
  P.Prop("ColumnWidth", &TrptReportPage::ColumnWidth);
  P.Prop("ColumnPositions", &TrptReportPage::ColumnPositions, &TrptReportPage::SetColumnPositions);
  P.Prop("Bin", &TrptReportPage::Bin).Default(7);
  P.Prop("BinOtherPages", &TrptReportPage::BinOtherPages).Default(7);
  P.Prop("BackPicture", &TrptReportPage::BackPicture, &TrptReportPage::SetBackPicture);
  P.Prop("Color", &TrptReportPage::Color, &TrptReportPage::SetColor).Type("TColor").Default(clNone);
  P.Prop("DataSet", &TrptReportPage::DataSet, &TrptReportPage::SetDataSet);
  P.Prop("DataSetName", &TrptReportPage::DataSetName, &TrptReportPage::SetDataSetName);
  P.Prop("Duplex", &TrptReportPage::Duplex).Default(dmNone);
  P.Prop("Frame", &TrptReportPage::Frame, &TrptReportPage::SetFrame);
  P.Prop("LargeDesignHeight", &TrptReportPage::LargeDesignHeight).Default(false);
  P.Prop("OutlineText", &TrptReportPage::OutlineText);
  P.Prop("PrintIfEmpty", &TrptReportPage::PrintIfEmpty).Default(true);
  P.Prop("PrintOnPreviousPage", &TrptReportPage::PrintOnPreviousPage).Default(false);
  P.Prop("TitleBeforeHeader", &TrptReportPage::TitleBeforeHeader).Default(true);
  P.Prop("HGuides", &TrptReportPage::HGuides, &TrptReportPage::SetHGuides);
  P.Prop("VGuides", &TrptReportPage::VGuides, &TrptReportPage::SetVGuides);
  P.Prop("OnAfterPrint", &TrptReportPage::OnAfterPrint).Type("TrptNotifyEvent");
  P.Prop("OnBeforePrint", &TrptReportPage::OnBeforePrint).Type("TrptNotifyEvent");
  P.Prop("OnManualBuild", &TrptReportPage::OnManualBuild).Type("TrptNotifyEvent");
}

std::string TrptReportPage::GetKindCaption() const { return rptGet("obRepPage"); }

void TrptReportPage::UpdateDimensions() {
  FWidth = std::nearbyint(static_cast<double>(FPaperWidth * rptMM));
  FHeight = std::nearbyint(static_cast<double>(FPaperHeight * rptMM));
}

void TrptReportPage::SetPaperDimensions(Extended AWidth, Extended AHeight) {
  FPaperWidth = AWidth;
  FPaperHeight = AHeight;
  UpdateDimensions();
}

void TrptReportPage::SetPaperWidth(Extended Value) {
  FPaperWidth = Value;
  FPaperSize = 256;
  UpdateDimensions();
}

void TrptReportPage::SetPaperHeight(Extended Value) {
  FPaperHeight = Value;
  FPaperSize = 256;
  UpdateDimensions();
}

void TrptReportPage::SetPaperSize(int Value) {
  FPaperSize = Value;
  if (Value < 256) {
    Extended w, h;
    if (rptPaperSizeMM(Value, w, h)) {
      if (FOrientation == poLandscape) std::swap(w, h);
      FPaperWidth = w;
      FPaperHeight = h;
    }
  }
  UpdateDimensions();
}

void TrptReportPage::SetOrientation(TPrinterOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  std::swap(FPaperWidth, FPaperHeight);
  // The margins turn with the paper: left becomes top on landscape, and back.
  Extended l = LeftMargin, t = TopMargin, r = RightMargin, b = BottomMargin;
  if (Value == poLandscape) {
    LeftMargin = t;
    TopMargin = r;
    RightMargin = b;
    BottomMargin = l;
  } else {
    LeftMargin = b;
    TopMargin = l;
    RightMargin = t;
    BottomMargin = r;
  }
  UpdateDimensions();
}

void TrptReportPage::SetColumns(int Value) {
  FColumns = Value;
  FColumnPositions->Clear();
  if (Value > 0) {
    ColumnWidth = (FPaperWidth - LeftMargin - RightMargin) / Value;
    for (int i = 0; i < Value; ++i) FColumnPositions->Add(FloatToStr(i * ColumnWidth));
  }
}

void TrptReportPage::SetColumnPositions(TStrings* Value) { FColumnPositions->Assign(Value); }
void TrptReportPage::SetHGuides(TStrings* Value) { FHGuides->Assign(Value); }
void TrptReportPage::SetVGuides(TStrings* Value) { FVGuides->Assign(Value); }
void TrptReportPage::ClearGuides() {
  FHGuides->Clear();
  FVGuides->Clear();
}

void TrptReportPage::SetDefaults() {
  LeftMargin = RightMargin = TopMargin = BottomMargin = 10;
  SetPaperSize(9);
}

int32_t TrptReportPage::Color() const { return FBackground->Color; }
void TrptReportPage::SetColor(int32_t Value) { FBackground->Color = Value; }
TrptFrame* TrptReportPage::Frame() const { return FBackground->Frame(); }
void TrptReportPage::SetFrame(TrptFrame* Value) { FBackground->SetFrame(Value); }
TPicture* TrptReportPage::BackPicture() const { return FBackground->Picture(); }
void TrptReportPage::SetBackPicture(TPicture* Value) { FBackground->SetPicture(Value); }

void TrptReportPage::SetDataSet(TrptDataSet* Value) {
  FDataSet = Value;
  FDataSetName = Value ? Value->UserName() : std::string();
  if (Value) Value->FreeNotification(this);
}

std::string TrptReportPage::DataSetName() const { return FDataSet ? FDataSet->UserName() : FDataSetName; }

void TrptReportPage::SetDataSetName(const std::string& Value) {
  FDataSetName = Value;
  TrptReport* r = GetReport();
  FDataSet = Value.empty() ? nullptr : r ? r->GetDataset(Value) : rptFindDataSet(nullptr, Value, nullptr);
  if (FDataSet) FDataSet->FreeNotification(this);
}

void TrptReportPage::Notification(TComponent* AComponent, TOperation Operation) {
  TrptPage::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

TrptBand* TrptReportPage::FindBand(TClass AClass) const {
  for (TrptComponent* c : Objects)
    if (c->InheritsFrom(AClass)) return dynamic_cast<TrptBand*>(c);
  return nullptr;
}

void TrptReportPage::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  FBackground->SetBounds(0, 0, (FPaperWidth - LeftMargin - RightMargin) * rptMM,
                         (FPaperHeight - TopMargin - BottomMargin) * rptMM);
  FBackground->Draw(Canvas, ScaleX, ScaleY, OffsetX + LeftMargin * rptMM * ScaleX, OffsetY + TopMargin * rptMM * ScaleY);
}

// ---- Dialog page ----

TrptDialogPage::TrptDialogPage(TComponent* AOwner) : TrptPage(AOwner), FColor(clBtnFace) {
  FForm = new TForm(this);
  FForm->SetName("Form");
  FForm->SetKeyPreview(true);
  SetParentFont(false);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);
  FForm->Font()->Assign(Font());
  FForm->SetColor(FColor);
}

TrptDialogPage::~TrptDialogPage() {
  // The controls go with the children before the form that hosts them.
  TrptComponent::Clear();
}

void TrptDialogPage::Publish(TPublisher<TrptDialogPage>& P) {
  P.Prop("BorderStyle", &TrptDialogPage::BorderStyle).Default(bsSizeable);
  P.Prop("Caption", &TrptDialogPage::Caption, &TrptDialogPage::SetCaption);
  P.Prop("Color", &TrptDialogPage::Color, &TrptDialogPage::SetColor).Type("TColor").Default(clBtnFace);
  P.Prop("Height", &TrptDialogPage::Height, &TrptDialogPage::SetHeight);
  P.Prop("Left", &TrptDialogPage::Left, &TrptDialogPage::SetLeft);
  P.Prop("Position", &TrptDialogPage::Position).Default(poScreenCenter);
  P.Prop("Top", &TrptDialogPage::Top, &TrptDialogPage::SetTop);
  P.Prop("Width", &TrptDialogPage::Width, &TrptDialogPage::SetWidth);
  P.Prop("WindowState", &TrptDialogPage::WindowState).Default(wsNormal);
  P.Prop("OnActivate", &TrptDialogPage::OnActivate).Type("TrptNotifyEvent");
  P.Prop("OnClick", &TrptDialogPage::OnClick).Type("TrptNotifyEvent");
  P.Prop("OnDeactivate", &TrptDialogPage::OnDeactivate).Type("TrptNotifyEvent");
  P.Prop("OnHide", &TrptDialogPage::OnHide).Type("TrptNotifyEvent");
  P.Prop("OnKeyDown", &TrptDialogPage::OnKeyDown).Type("TrptKeyEvent");
  P.Prop("OnKeyPress", &TrptDialogPage::OnKeyPress).Type("TrptKeyPressEvent");
  P.Prop("OnKeyUp", &TrptDialogPage::OnKeyUp).Type("TrptKeyEvent");
  P.Prop("OnResize", &TrptDialogPage::OnResize).Type("TrptNotifyEvent");
  P.Prop("OnShow", &TrptDialogPage::OnShow).Type("TrptNotifyEvent");
  P.Prop("OnCloseQuery", &TrptDialogPage::OnCloseQuery).Type("TrptCloseQueryEvent");
}

std::string TrptDialogPage::GetKindCaption() const { return rptGet("obDlgPage"); }

void TrptDialogPage::UpdateBounds() {
  // Held to the int range: the bounds come from the template.
  FForm->SetBounds(rptRound(Left()), rptRound(Top()), rptRound(Width()), rptRound(Height()));
}

void TrptDialogPage::SetLeft(Extended Value) {
  TrptPage::SetLeft(Value);
  UpdateBounds();
}
void TrptDialogPage::SetTop(Extended Value) {
  TrptPage::SetTop(Value);
  UpdateBounds();
}
void TrptDialogPage::SetWidth(Extended Value) {
  TrptPage::SetWidth(Value);
  UpdateBounds();
}
void TrptDialogPage::SetHeight(Extended Value) {
  TrptPage::SetHeight(Value);
  UpdateBounds();
}

void TrptDialogPage::FontChanged() {
  TrptPage::FontChanged();
  if (FForm) FForm->Font()->Assign(Font());
}

void TrptDialogPage::SetCaption(const std::string& Value) {
  FCaption = Value;
  FForm->SetCaption(Value);
}

void TrptDialogPage::SetColor(int32_t Value) {
  FColor = Value;
  FForm->SetColor(Value);
}

int TrptDialogPage::ShowModal() {
  FForm->SetFormStyle(fsNormal);
  int result;
  try {
    result = FForm->ShowModal();
  } catch (...) {
    FForm->SetFormStyle(fsStayOnTop);
    throw;
  }
  FForm->SetFormStyle(fsStayOnTop);
  return result;
}

int TrptDialogPage::ModalResult() const { return FForm->ModalResult(); }
void TrptDialogPage::SetModalResult(int Value) { FForm->SetModalResult(Value); }

bool TrptDialogPage::HasControls() const { return FForm->ControlCount() > 0 || !Objects.empty(); }

void TrptDialogPage::InitializeForm() {
  if (FForm->Visible()) FForm->Hide();
  FForm->SetPosition(Position);
  FForm->SetWindowState(WindowState);
  auto notify = [this](const std::string* Handler) {
    return [this, Handler](TObject* Sender) {
      if (TrptReport* r = GetReport()) r->DoNotifyEvent(Sender, *Handler);
    };
  };
  FForm->OnActivate = notify(&OnActivate);
  FForm->OnClick = notify(&OnClick);
  FForm->OnDeactivate = notify(&OnDeactivate);
  FForm->OnHide = notify(&OnHide);
  FForm->OnResize = notify(&OnResize);
  FForm->OnShow = notify(&OnShow);
  FForm->OnCloseQuery = [this](TObject* Sender, bool& CanClose) {
    TrptReport* r = GetReport();
    if (!r || OnCloseQuery.empty()) return;
    Variant params = VarArrayOf({scObjectToValue(Sender), Variant(CanClose)});
    r->DoParamEvent(OnCloseQuery, params);
    CanClose = params[1].AsBoolean();
  };
  auto key = [this](const std::string* Handler) {
    return [this, Handler](TObject* Sender, WORD& Key, TShiftState Shift) {
      TrptReport* r = GetReport();
      if (!r || Handler->empty()) return;
      Variant params = VarArrayOf({scObjectToValue(Sender), Variant(static_cast<int>(Key)),
                                   Variant(static_cast<int>(Shift.Bits() & 0xFF))});
      r->DoParamEvent(*Handler, params);
      Key = static_cast<WORD>(params[1].AsInteger());
    };
  };
  FForm->OnKeyDown = key(&OnKeyDown);
  FForm->OnKeyUp = key(&OnKeyUp);
  FForm->OnKeyPress = [this](TObject* Sender, char& Key) {
    TrptReport* r = GetReport();
    if (!r || OnKeyPress.empty()) return;
    Variant params = VarArrayOf({scObjectToValue(Sender), Variant(std::string(1, Key))});
    r->DoParamEvent(OnKeyPress, params);
    std::string k = VarToStr(params[1]);
    Key = k.empty() ? '\0' : k[0];
  };
}

void rptRegisterBandClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterClasses({TrptReportTitle::StaticClass(), TrptReportSummary::StaticClass(), TrptPageHeader::StaticClass(),
                   TrptPageFooter::StaticClass(), TrptHeader::StaticClass(), TrptFooter::StaticClass(),
                   TrptMasterData::StaticClass(), TrptDetailData::StaticClass(), TrptSubdetailData::StaticClass(),
                   TrptDataBand4::StaticClass(), TrptDataBand5::StaticClass(), TrptDataBand6::StaticClass(),
                   TrptGroupHeader::StaticClass(), TrptGroupFooter::StaticClass(), TrptChild::StaticClass(),
                   TrptColumnHeader::StaticClass(), TrptColumnFooter::StaticClass(), TrptOverlay::StaticClass(),
                   TrptNullBand::StaticClass(), TrptSubreport::StaticClass(), TrptReportPage::StaticClass(),
                   TrptDialogPage::StaticClass()});
}
