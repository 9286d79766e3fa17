// What report scripts see of the report library: constants, the enumeration and set types, the
// report classes with their extra methods and properties, and the date and aggregate functions,
// registered once in the global script and removed with their registration object.
#include <cmath>
#include <memory>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptdmp.h"
#include "report/core/rptengine.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptservices.h"
#include "report/core/rptvariables.h"
#include "report/core/rptview.h"
#include "script/sc_iinterpreter.h"

namespace {

class TrptScriptFunctions : public TObject {
public:
  TrptScriptFunctions();
  ~TrptScriptFunctions() override;
};

template <class T> T* As(TObject* O) { return dynamic_cast<T*>(O); }

Variant Obj(TObject* O) { return scObjectToValue(O); }

Variant CallMethod(TObject* Instance, TClass ClassRef, const std::string& Name, TscArgs& P) {
  auto arg = [&](size_t i) { return i < P.size() ? P[i] : Variant(); };
  if (ClassRef == TrptDataSet::StaticClass()) {
    auto* d = As<TrptDataSet>(Instance);
    if (!d) return Variant(0);
    if (Name == "OPEN") d->Open();
    else if (Name == "CLOSE") d->Close();
    else if (Name == "FIRST") d->First();
    else if (Name == "NEXT") d->Next();
    else if (Name == "PRIOR") d->Prior();
    else if (Name == "EOF") return Variant(d->Eof());
    else if (Name == "FIELDSCOUNT") return Variant(d->FieldsCount());
    else if (Name == "HASFIELD") return Variant(d->HasField(VarToStr(arg(0))));
    else if (Name == "ISBLOBFIELD") return Variant(d->IsBlobField(VarToStr(arg(0))));
    else if (Name == "RECORDCOUNT") return Variant(d->RecordCount());
    else if (Name == "GETFIELDLIST") {
      if (auto* l = As<TStrings>(scValueToObject(arg(0)))) d->GetFieldList(l);
    } else if (Name == "DISPLAYTEXT.GET") return Variant(d->GetDisplayText(VarToStr(arg(0))));
    else if (Name == "DISPLAYWIDTH.GET") return Variant(d->GetDisplayWidth(VarToStr(arg(0))));
    else if (Name == "FIELDTYPE.GET") return Variant(static_cast<int>(d->GetFieldType(VarToStr(arg(0)))));
    else if (Name == "VALUE.GET") return d->GetValue(VarToStr(arg(0)));
  } else if (ClassRef == TrptComponent::StaticClass()) {
    auto* c = As<TrptComponent>(Instance);
    if (!c) return Variant(0);
    if (Name == "CLEAR") c->Clear();
    else if (Name == "FINDOBJECT") return Obj(c->FindObject(VarToStr(arg(0))));
    else if (Name == "LOADFROMSTREAM") {
      if (auto* s = As<TStream>(scValueToObject(arg(0)))) c->LoadFromStream(s);
    } else if (Name == "SAVETOSTREAM") {
      if (auto* s = As<TStream>(scValueToObject(arg(0)))) c->SaveToStream(s, P.size() < 2 || arg(1).AsBoolean());
    } else if (Name == "SETBOUNDS")
      c->SetBounds(arg(0).AsFloat(), arg(1).AsFloat(), arg(2).AsFloat(), arg(3).AsFloat());
  } else if (ClassRef == TrptStretcheable::StaticClass()) {
    if (auto* s = As<TrptStretcheable>(Instance); s && Name == "CALCHEIGHT") return Variant(s->CalcHeight());
  } else if (ClassRef == TrptCustomMemoView::StaticClass()) {
    if (auto* m = As<TrptCustomMemoView>(Instance); m && Name == "CALCWIDTH") return Variant(m->CalcWidth());
  } else if (ClassRef == TrptPictureView::StaticClass()) {
    if (auto* p = As<TrptPictureView>(Instance); p && Name == "LOADFROMFILE") p->Picture()->LoadFromFile(VarToStr(arg(0)));
  } else if (ClassRef == TrptDialogPage::StaticClass()) {
    if (auto* d = As<TrptDialogPage>(Instance); d && Name == "SHOWMODAL") return Variant(d->ShowModal());
  } else if (ClassRef == TrptDialogControl::StaticClass()) {
    if (auto* d = As<TrptDialogControl>(Instance); d && Name == "SETFOCUS" && d->Control())
      if (auto* w = dynamic_cast<TWinControl*>(d->Control())) w->SetFocus();
  } else if (ClassRef == TrptVariables::StaticClass()) {
    auto* v = As<TrptVariables>(Instance);
    if (!v) return Variant(0);
    if (Name == "VARIABLES.GET") return v->GetVariables(VarToStr(arg(0)));
    if (Name == "VARIABLES.SET") v->SetVariables(VarToStr(arg(0)), arg(1));
  } else if (ClassRef == TrptReport::StaticClass()) {
    auto* r = As<TrptReport>(Instance);
    if (!r) return Variant(0);
    if (Name == "CALC") return r->Calc(VarToStr(arg(0)));
    if (Name == "GETDATASET") return Obj(r->GetDataset(VarToStr(arg(0))));
    if (Name == "LOADFROMFILE") return Variant(r->LoadFromFile(VarToStr(arg(0))));
    if (Name == "SAVETOFILE") r->SaveToFile(VarToStr(arg(0)));
    if (Name == "SHOWREPORT") r->ShowReport();
  } else if (ClassRef == TrptCustomEngine::StaticClass()) {
    auto* e = As<TrptCustomEngine>(Instance);
    if (!e) return Variant(0);
    if (Name == "NEWPAGE") e->NewPage();
    else if (Name == "NEWCOLUMN") e->NewColumn();
    else if (Name == "SHOWBAND") e->ShowBand(As<TrptComponent>(scValueToObject(arg(0))));
    else if (Name == "STOPREPORT") e->StopReport();
    else if (Name == "FREESPACE") return Variant(e->FreeSpace());
    else if (auto* pp = dynamic_cast<TrptPreviewPages*>(e->PreviewPages)) {
      if (Name == "ADDANCHOR") pp->AddAnchor(VarToStr(arg(0)), static_cast<int>(std::nearbyint(static_cast<double>(e->CurY))));
      else if (Name == "GETANCHORPAGE") return Variant(pp->GetAnchorPage(VarToStr(arg(0))));
    }
  } else if (ClassRef == TrptCustomOutline::StaticClass()) {
    auto* o = As<TrptCustomOutline>(Instance);
    if (!o) return Variant(0);
    if (Name == "ADDITEM") o->AddItem(VarToStr(arg(0)), 0);
    else if (Name == "LEVELROOT") o->LevelRoot();
    else if (Name == "LEVELUP") o->LevelUp();
  } else if (!ClassRef) {
    TDateTime d = arg(0).AsFloat();
    Word y, m, dd;
    DecodeDate(d, y, m, dd);
    if (Name == "DAYOF") return Variant(static_cast<int>(dd));
    if (Name == "MONTHOF") return Variant(static_cast<int>(m));
    if (Name == "YEAROF") return Variant(static_cast<int>(y));
  }
  return Variant(0);
}

Variant GetProp(TObject* Instance, TClass ClassRef, const std::string& Name) {
  if (ClassRef == TrptDataSet::StaticClass()) {
    if (auto* d = As<TrptDataSet>(Instance); d && Name == "RECNO") return Variant(d->RecNo);
  } else if (ClassRef == TrptComponent::StaticClass()) {
    auto* c = As<TrptComponent>(Instance);
    if (!c) return Variant(0);
    if (Name == "PAGE") return Obj(c->GetPage());
    if (Name == "ABSLEFT") return Variant(c->GetAbsLeft());
    if (Name == "ABSTOP") return Variant(c->GetAbsTop());
    if (Name == "PARENT") return Obj(c->Parent());
  } else if (ClassRef == TrptCustomMemoView::StaticClass()) {
    auto* m = As<TrptCustomMemoView>(Instance);
    if (!m) return Variant(0);
    if (Name == "TEXT") return Variant(m->Text());
    if (Name == "LINES") return Obj(m->Memo());
    if (Name == "VALUE") return m->Value;
  } else if (ClassRef == TrptBand::StaticClass()) {
    if (auto* b = As<TrptBand>(Instance); b && Name == "OVERFLOW") return Variant(b->Overflow);
  } else if (ClassRef == TrptReport::StaticClass()) {
    if (auto* r = As<TrptReport>(Instance); r && Name == "TERMINATED") return Variant(r->Terminated());
  } else if (ClassRef == TrptDialogPage::StaticClass()) {
    if (auto* d = As<TrptDialogPage>(Instance); d && Name == "MODALRESULT") return Variant(d->ModalResult());
  }
  return Variant(0);
}

void SetProp(TObject* Instance, TClass ClassRef, const std::string& Name, const Variant& Value) {
  if (ClassRef == TrptComponent::StaticClass()) {
    if (auto* c = As<TrptComponent>(Instance); c && Name == "PARENT") c->SetParent(As<TrptComponent>(scValueToObject(Value)));
  } else if (ClassRef == TrptCustomMemoView::StaticClass()) {
    auto* m = As<TrptCustomMemoView>(Instance);
    if (!m) return;
    if (Name == "TEXT") m->SetText(VarToStr(Value));
    else if (Name == "LINES")
      if (auto* l = As<TStrings>(scValueToObject(Value))) m->SetMemo(l);
  } else if (ClassRef == TrptReport::StaticClass()) {
    if (auto* r = As<TrptReport>(Instance); r && Name == "TERMINATED") r->SetTerminated(Value.AsBoolean());
  } else if (ClassRef == TrptDialogPage::StaticClass()) {
    if (auto* d = As<TrptDialogPage>(Instance); d && Name == "MODALRESULT") d->SetModalResult(Value.AsInteger());
  }
}

TrptScriptFunctions::TrptScriptFunctions() {
  TscScript* g = scGlobalScript();
  g->Registrar = this;
  g->AddConst("rp01cm", "Extended", Variant(3.7795));
  g->AddConst("rp1cm", "Extended", Variant(37.7953));
  g->AddConst("rp01in", "Extended", Variant(9.6));
  g->AddConst("rp1in", "Extended", Variant(96.0));
  g->AddConst("rp1CharX", "Extended", Variant(9.6));
  g->AddConst("rp1CharY", "Extended", Variant(17.0));
  g->AddConst("clTransparent", "Integer", Variant(536870911));
  g->AddConst("crHand", "Integer", Variant(50));
  g->AddConst("crZoom", "Integer", Variant(51));
  g->AddConst("crFormat", "Integer", Variant(52));
  // Each enumeration lists every value of its type, so a script constant always has the value
  // the object's property takes.
  g->AddEnum("TrptStretchMode", "smDontStretch, smActualHeight, smMaxHeight");
  g->AddEnum("TrptShiftMode", "smDontShift, smAlways, smWhenOverlapped");
  g->AddEnum("TrptDuplexMode", "dmNone, dmVertical, dmHorizontal, dmSimplex");
  g->AddEnum("TrptAlign", "baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient");
  g->AddEnum("TrptFrameStyle", "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble");
  g->AddEnumSet("TrptFrameTypes", "ftLeft, ftRight, ftTop, ftBottom");
  g->AddEnum("TrptHAlign", "haLeft, haRight, haCenter, haBlock");
  g->AddEnum("TrptVAlign", "vaTop, vaBottom, vaCenter");
  g->AddEnumSet("TrptRestrictions", "rfDontModify, rfDontSize, rfDontMove, rfDontDelete");
  g->AddEnum("TrptShapeKind", "skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2");
  g->AddEnum("TrptPrintPages", "ppAll, ppOdd, ppEven");
  g->AddEnum("TrptRangeBegin", "rbFirst, rbCurrent");
  g->AddEnum("TrptRangeEnd", "reLast, reCurrent, reCount");
  g->AddEnum("TrptFieldType", "fftNumeric, fftString, fftBoolean");
  g->AddEnum("TrptFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");
  g->AddEnumSet("TrptDMPFontStyles",
                "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, fsx12cpi, fsx15cpi");

  TscClassVariable* c = g->AddClass(TrptDataSet::StaticClass(), "TComponent");
  for (const char* m : {"procedure Open", "procedure Close", "procedure First", "procedure Next", "procedure Prior",
                        "function Eof: Boolean", "function FieldsCount: Integer",
                        "function HasField(const fName: String): Boolean",
                        "function IsBlobField(const fName: String): Boolean", "function RecordCount: Integer",
                        "procedure GetFieldList(List: TStrings)"})
    c->AddMethod(m, CallMethod);
  c->AddProperty("RecNo", "Integer", GetProp);
  c->AddIndexProperty("DisplayText", "String", "String", CallMethod, true);
  c->AddIndexProperty("DisplayWidth", "String", "Integer", CallMethod, true);
  c->AddIndexProperty("FieldType", "String", "TrptFieldType", CallMethod, true);
  c->AddIndexProperty("Value", "String", "Variant", CallMethod, true);

  c = g->AddClass(TrptComponent::StaticClass(), "TComponent");
  for (const char* m : {"procedure Clear", "function FindObject(s: String): TrptComponent",
                        "procedure LoadFromStream(Stream: TStream)",
                        "procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)",
                        "procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)"})
    c->AddMethod(m, CallMethod);
  c->AddProperty("Page", "TrptPage", GetProp);
  c->AddProperty("AbsLeft", "Extended", GetProp);
  c->AddProperty("AbsTop", "Extended", GetProp);
  c->AddProperty("Parent", "TrptComponent", GetProp, SetProp);

  g->AddClass(TrptUserDataSet::StaticClass(), "TrptDataSet");
  g->AddClass(TrptCustomDBDataSet::StaticClass(), "TrptDataSet");
  g->AddClass(TrptReportComponent::StaticClass(), "TrptComponent");
  g->AddClass(TrptDialogComponent::StaticClass(), "TrptReportComponent");
  g->AddClass(TrptFrame::StaticClass(), "TPersistent");
  g->AddClass(TrptView::StaticClass(), "TrptReportComponent");
  g->AddClass(TrptShapeView::StaticClass(), "TrptView");
  g->AddClass(TrptHighlight::StaticClass(), "TPersistent");
  g->AddClass(TrptFormat::StaticClass(), "TPersistent");
  c = g->AddClass(TrptStretcheable::StaticClass(), "TrptView");
  c->AddMethod("function CalcHeight: Extended", CallMethod);
  c = g->AddClass(TrptCustomMemoView::StaticClass(), "TrptStretcheable");
  c->AddMethod("function CalcWidth: Extended", CallMethod);
  c->AddProperty("Text", "String", GetProp, SetProp);
  c->AddProperty("Lines", "TStrings", GetProp, SetProp);
  c->AddProperty("Value", "Variant", GetProp);
  g->AddClass(TrptMemoView::StaticClass(), "TrptCustomMemoView");
  g->AddClass(TrptSysMemoView::StaticClass(), "TrptCustomMemoView");
  g->AddClass(TrptDMPMemoView::StaticClass(), "TrptCustomMemoView");
  g->AddClass(TrptCustomLineView::StaticClass(), "TrptStretcheable");
  g->AddClass(TrptLineView::StaticClass(), "TrptCustomLineView");
  g->AddClass(TrptDMPLineView::StaticClass(), "TrptCustomLineView");
  c = g->AddClass(TrptPictureView::StaticClass(), "TrptView");
  c->AddMethod("procedure LoadFromFile(filename: String)", CallMethod);
  c = g->AddClass(TrptBand::StaticClass(), "TrptReportComponent");
  c->AddProperty("Overflow", "Boolean", GetProp);
  g->AddClass(TrptSubreport::StaticClass(), "TrptView");
  g->AddClass(TrptDataBand::StaticClass(), "TrptBand");
  g->AddClass(TrptHeader::StaticClass(), "TrptBand");
  g->AddClass(TrptFooter::StaticClass(), "TrptBand");
  for (TClass k : {TrptMasterData::StaticClass(), TrptDetailData::StaticClass(), TrptSubdetailData::StaticClass(),
                   TrptDataBand4::StaticClass(), TrptDataBand5::StaticClass(), TrptDataBand6::StaticClass()})
    g->AddClass(k, "TrptDataBand");
  for (TClass k : {TrptGroupHeader::StaticClass(), TrptGroupFooter::StaticClass(), TrptReportTitle::StaticClass(),
                   TrptReportSummary::StaticClass(), TrptPageHeader::StaticClass(), TrptPageFooter::StaticClass(),
                   TrptChild::StaticClass(), TrptColumnHeader::StaticClass(), TrptColumnFooter::StaticClass(),
                   TrptOverlay::StaticClass()})
    g->AddClass(k, "TrptBand");
  c = g->AddClass(TrptDialogControl::StaticClass(), "TrptReportComponent");
  c->AddMethod("procedure SetFocus", CallMethod);
  g->AddClass(TrptPage::StaticClass(), "TrptComponent");
  g->AddClass(TrptReportPage::StaticClass(), "TrptPage");
  c = g->AddClass(TrptDialogPage::StaticClass(), "TrptPage");
  c->AddMethod("function ShowModal: Integer", CallMethod);
  c->AddProperty("ModalResult", "Integer", GetProp, SetProp);
  g->AddClass(TrptDMPPage::StaticClass(), "TrptReportPage");
  c = g->AddClass(TrptVariables::StaticClass(), "TCollection");
  c->AddDefaultProperty("Variables", "String", "Variant", CallMethod, false);
  c = g->AddClass(TrptReport::StaticClass(), "TrptComponent");
  for (const char* m : {"function Calc(const Expr: String): Variant",
                        "function GetDataset(const Alias: String): TrptDataset",
                        "function LoadFromFile(const FileName: String): Boolean",
                        "procedure SaveToFile(const FileName: String)", "procedure ShowReport"})
    c->AddMethod(m, CallMethod);
  c->AddProperty("Terminated", "Boolean", GetProp, SetProp);
  c = g->AddClass(TrptCustomEngine::StaticClass(), "TPersistent");
  for (const char* m : {"procedure AddAnchor(const Text: String)", "procedure NewPage", "procedure NewColumn",
                        "procedure ShowBand(Band: TrptBand)", "procedure StopReport", "function FreeSpace: Extended",
                        "function GetAnchorPage(const Text: String): Integer"})
    c->AddMethod(m, CallMethod);
  c = g->AddClass(TrptCustomOutline::StaticClass(), "TPersistent");
  for (const char* m : {"procedure AddItem(const Text: String)", "procedure LevelRoot", "procedure LevelUp"})
    c->AddMethod(m, CallMethod);
  g->AddClass(TrptEngine::StaticClass(), "TrptCustomEngine");
  g->AddClass(TrptOutline::StaticClass(), "TrptCustomOutline");

  g->AddMethod("function DayOf(Date: TDateTime): Integer", CallMethod, "ctDate");
  g->AddMethod("function MonthOf(Date: TDateTime): Integer", CallMethod, "ctDate");
  g->AddMethod("function YearOf(Date: TDateTime): Integer", CallMethod, "ctDate");
  g->AddMethod("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", nullptr, "ctOther");
  for (const char* f : {"SUM", "AVG", "MIN", "MAX"})
    g->AddMethod(std::string("function ") + f + "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                 nullptr, "ctAggregate");
  g->AddMethod("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", nullptr, "ctAggregate");
  g->Registrar = nullptr;
}

TrptScriptFunctions::~TrptScriptFunctions() {
  if (TscScript* g = scGlobalScript()) g->RemoveItems(this);
}

}  // namespace

void rptRegisterScriptBindings() {
  // Lives as long as the process: the global script it registers into outlives every report.
  static TrptScriptFunctions* functions = new TrptScriptFunctions();
  (void)functions;
}
