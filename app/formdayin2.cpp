// The print window: datasets, template, before-print texts, preview commands and status.
#include "app/formdayin2.h"

#include "app/catalog.h"
#include "app/formutil.h"
#include "app/printstaging.h"
#include "app/seemain.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdbset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptview.h"
#include "report/output/rptexporthtml.h"
#include "report/output/rptexportimage.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexportrtf.h"
#include "report/output/rptexporttxt.h"
#include "report/output/rptexportxls.h"
#include "report/output/rptpreview.h"

ORV_CLASS_IMPL(TFormdayin2, TForm)

namespace {

constexpr UINT kMouseWheelMessage = 522;  // WM_MOUSEWHEEL

TrptDBDataset* NewDataset(TComponent* Owner, const char* Name, const char* UserName,
                          TDataSet* Source) {
  auto* d = new TrptDBDataset(Owner);
  d->SetName(Name);
  d->SetUserName(UserName);
  d->SetDataSet(Source);
  return d;
}

}  // namespace

TFormdayin2::TFormdayin2(TComponent* Owner, TFormSeeMain* Main) : TForm(Owner), FMain(Main) {
  SetName("");  // one window per "Print Selected": the name would clash with the next one
  SetCaption("Print");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 900, 680);
  SetProgramFont(this);
  CreateDataAccess();
  CreateMenu();
  CreateControls();
  OnShow = [this](TObject* S) { FormShow(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
}

TFormdayin2::~TFormdayin2() {
  // The report lets go of the preview and the datasets before they go.
  if (fr1) {
    fr1->OnBeforePrint = nullptr;
    fr1->SetPreview(nullptr);
  }
  DestroyComponents();
}

void TFormdayin2::CreateDataAccess() {
  auto query = [this](const char* Name, TADOConnection* C, const char* Sql) {
    auto* q = new TADOQuery(this);
    q->SetName(Name);
    q->SetConnection(C);
    q->SetSQLText(Sql);
    return q;
  };
  ADOQuery1 = query("ADOQuery1", FMain->ADOConnection1, kSqlAllPic);
  ADOQuery2 = query("ADOQuery2", FMain->ADOConnection4, kSqlStagedByRequirement);
  ADOQuery3 = query("ADOQuery3", FMain->ADOConnection2, kSqlStudio);
  ADOQuery5 = query("ADOQuery5", FMain->ADOConnection1, kSqlDesignRequirements);
  ADOQuery6 = query("ADOQuery6", FMain->ADOConnection1, kSqlMemo);
  rptDBDataset1 = NewDataset(this, "rptDBDataset1", "a1", ADOQuery1);
  rptDBDataset2 = NewDataset(this, "rptDBDataset2", "a2", ADOQuery2);
  rptDBDataset4 = NewDataset(this, "rptDBDataset4", "a3", ADOQuery3);
  rptDBDataset4->FieldAliases()->Add("ID=ID");
  rptDBDataset4->FieldAliases()->Add("GSname=gsname");
  rptDBDataset4->FieldAliases()->Add("GStel=gstel");
  rptDBDataset4->FieldAliases()->Add("addr=addr");
  rptDBDataset5 = NewDataset(this, "rptDBDataset5", "a5", ADOQuery5);
  rptDBDataset3 = NewDataset(this, "rptDBDataset3", "rptDBDataset3", ADOQuery6);

  fr1 = new TrptReport(this);
  fr1->SetName("fr1");
  fr1->OnBeforePrint = [this](TrptReportComponent* Sender) { fr1BeforePrint(Sender); };
  for (TrptDBDataset* d : {rptDBDataset1, rptDBDataset2, rptDBDataset4, rptDBDataset5, rptDBDataset3})
    fr1->DataSets()->Add(d);
}

void TFormdayin2::CreateMenu() {
  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  auto item = [this](const char* Name, const char* Caption, void (TFormdayin2::*Handler)(TObject*)) {
    auto* i = new TMenuItem(this);
    i->SetName(Name);
    i->SetCaption(Caption);
    i->OnClick = [this, Handler](TObject* Sender) { (this->*Handler)(Sender); };
    PopupMenu1->Items()->Add(i);
    return i;
  };
  EXCEL2 = item("EXCEL2", "Excel", &TFormdayin2::EXCEL2Click);
  RTF2 = item("RTF2", "RTF-Word ", &TFormdayin2::RTF2Click);
  html2 = item("html2", "Html", &TFormdayin2::html2Click);
  PDF2 = item("PDF2", "PDF", &TFormdayin2::PDF2Click);
  BMP2 = item("BMP2", "BMP", &TFormdayin2::BMP2Click);
  JPG2 = item("JPG2", "JPG", &TFormdayin2::JPG2Click);
  tif2 = item("tif2", "TIF", &TFormdayin2::tif2Click);
  txt2 = item("txt2", "Txt", &TFormdayin2::txt2Click);
  CreateExportFilters();
}

void TFormdayin2::CreateExportFilters() {
  // Every filter keeps its pages in a file cache; the rest is what the window stores for each.
  auto named = [this](TrptCustomExportFilter* F, const char* Name) {
    F->SetName(Name);
    F->UseFileCache = true;
  };
  rptXLSExport1 = new TrptXLSExport(this);
  named(rptXLSExport1, "rptXLSExport1");
  rptXLSExport1->ShowProgress = true;
  rptXLSExport1->AsText = false;
  rptXLSExport1->Background = true;
  rptXLSExport1->FastExport = true;
  rptXLSExport1->PageBreaks = true;
  rptRTFExport1 = new TrptRTFExport(this);
  named(rptRTFExport1, "rptRTFExport1");
  rptRTFExport1->ShowProgress = true;
  rptRTFExport1->Wysiwyg = true;
  rptHTMLExport1 = new TrptHTMLExport(this);
  named(rptHTMLExport1, "rptHTMLExport1");
  rptHTMLExport1->FixedWidth = true;
  rptHTMLExport1->Background = false;
  rptPDFExport1 = new TrptPDFExport(this);
  named(rptPDFExport1, "rptPDFExport1");
  rptPDFExport1->PrintOptimized = false;
  rptPDFExport1->Outline = false;
  rptPDFExport1->Background = false;
  rptPDFExport1->HTMLTags = true;
  rptBMPExport1 = new TrptBMPExport(this);
  named(rptBMPExport1, "rptBMPExport1");
  rptJPEGExport1 = new TrptJPEGExport(this);
  named(rptJPEGExport1, "rptJPEGExport1");
  rptTIFFExport1 = new TrptTIFFExport(this);
  named(rptTIFFExport1, "rptTIFFExport1");
  rptTXTExport1 = new TrptTXTExport(this);
  named(rptTXTExport1, "rptTXTExport1");
  rptTXTExport1->ScaleWidth = 1;
  rptTXTExport1->ScaleHeight = 1;
  rptTXTExport1->Borders = false;
  rptTXTExport1->Pseudogrpahic = false;
  rptTXTExport1->PageBreaks = true;
  rptTXTExport1->OEMCodepage = false;
  rptTXTExport1->EmptyLines = false;
  rptTXTExport1->LeadSpaces = false;
  rptTXTExport1->PrintAfter = false;
  rptTXTExport1->PrinterDialog = true;
  rptTXTExport1->UseSavedProps = true;
  rptTXTExport1->ShowProgress = true;
}

void TFormdayin2::ExportWith(TrptCustomExportFilter* Filter) {
  if (rptP1 && Filter) rptP1->Export(Filter);
}

void TFormdayin2::EXCEL2Click(TObject*) { ExportWith(rptXLSExport1); }
void TFormdayin2::RTF2Click(TObject*) { ExportWith(rptRTFExport1); }
void TFormdayin2::html2Click(TObject*) { ExportWith(rptHTMLExport1); }
void TFormdayin2::PDF2Click(TObject*) { ExportWith(rptPDFExport1); }
void TFormdayin2::BMP2Click(TObject*) { ExportWith(rptBMPExport1); }
void TFormdayin2::JPG2Click(TObject*) { ExportWith(rptJPEGExport1); }
void TFormdayin2::tif2Click(TObject*) { ExportWith(rptTIFFExport1); }
void TFormdayin2::txt2Click(TObject*) { ExportWith(rptTXTExport1); }

void TFormdayin2::CreateControls() {
  ToolBar1 = PlaceControl<TToolBar>(this, this, "ToolBar1", 0, 0, 900, 32);
  ToolBar1->SetAlign(alTop);
  ToolBar1->SetButtonHeight(28);
  // The buttons in their groups: print and page set-up | zoom | paging | export and close.
  struct Button {
    TBitBtn** Field;
    const char* Name;
    const char* Caption;
    int Width;
    bool GroupStart;
    void (TFormdayin2::*Handler)(TObject*);
  };
  const Button buttons[] = {
      {&BitBtn1, "BitBtn1", "Print", 60, false, &TFormdayin2::BitBtn1Click},
      {&BitBtn11, "BitBtn11", "Set", 50, false, &TFormdayin2::BitBtn11Click},
      {&BitBtn7, "BitBtn7", "100%", 50, true, &TFormdayin2::BitBtn7Click},
      {&BitBtn8, "BitBtn8", "Full page", 72, false, &TFormdayin2::BitBtn8Click},
      {&BitBtn9, "BitBtn9", "Page width", 78, false, &TFormdayin2::BitBtn9Click},
      {&BitBtn10, "BitBtn10", "Pages", 56, false, &TFormdayin2::BitBtn10Click},
      {&BitBtn3, "BitBtn3", "First", 52, true, &TFormdayin2::BitBtn3Click},
      {&BitBtn4, "BitBtn4", "Previous", 68, false, &TFormdayin2::BitBtn4Click},
      {&BitBtn5, "BitBtn5", "Next", 52, false, &TFormdayin2::BitBtn5Click},
      {&BitBtn6, "BitBtn6", "End", 52, false, &TFormdayin2::BitBtn6Click},
      {&BitBtn12, "BitBtn12", "Copy To", 64, true, &TFormdayin2::BitBtn12Click},
      {&BitBtn13, "BitBtn13", "Close", 56, false, &TFormdayin2::BitBtn13Click},
  };
  int x = 2;
  for (const Button& b : buttons) {
    if (b.GroupStart) x += 10;  // the separator
    TBitBtn* btn = PlaceControl<TBitBtn>(this, ToolBar1, b.Name, x, 2, b.Width, 28);
    btn->SetCaption(b.Caption);
    auto handler = b.Handler;
    btn->OnClick = [this, handler](TObject* S) { (this->*handler)(S); };
    *b.Field = btn;
    x += b.Width + 2;
  }

  StatusBar1 = PlaceControl<TStatusBar>(this, this, "StatusBar1", 0, 658, 900, 22);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->AddPanel().Width = 250;
  StatusBar1->AddPanel().Width = 50;

  rptP1 = new TrptPreview(this);
  rptP1->SetName("rptP1");
  rptP1->SetParent(this);
  rptP1->SetAlign(alClient);
  rptP1->SetOutlineVisible(false);
  rptP1->SetPopupMenu(PopupMenu1);
  rptP1->OnPageChanged = [this](TrptPreview* S, int PageNo) { rptP1PageChanged(S, PageNo); };
  fr1->SetPreview(rptP1);
}

void TFormdayin2::BindOwnDataSets() {
  TrptDBDataset* own[] = {rptDBDataset1, rptDBDataset2, rptDBDataset4, rptDBDataset5, rptDBDataset3};
  auto find = [&own](const std::string& UserName) -> TrptDBDataset* {
    for (TrptDBDataset* d : own)
      if (SameText(d->UserName(), UserName)) return d;
    return nullptr;
  };
  TrptReportDataSets* list = fr1->DataSets();
  for (int i = 0; i < list->Count(); ++i) {
    TrptDataSetItem* item = list->Items(i);
    if (TrptDBDataset* d = find(item->DataSetName())) item->SetDataSet(d);
  }
  for (TrptComponent* c : std::vector<TrptComponent*>(fr1->GetAllObjects())) {
    if (auto* band = dynamic_cast<TrptDataBand*>(c)) {
      band->SetDataSetName(band->DataSetName());
    } else if (auto* view = dynamic_cast<TrptView*>(c)) {
      if (!view->DataSetName().empty()) view->SetDataSetName(view->DataSetName());
    } else if (auto* page = dynamic_cast<TrptReportPage*>(c)) {
      if (!page->DataSetName().empty()) page->SetDataSetName(page->DataSetName());
    }
  }
}

void TFormdayin2::PrepareSheet(const std::string& TemplateFile) {
  try {
    ADOQuery2->Close();
    ADOQuery2->SetSQLText(kSqlStagedByRequirement);
    ADOQuery2->Open();
    ADOQuery5->Close();
    ADOQuery5->SetSQLText(kSqlDesignRequirements);
    ADOQuery5->Open();
    // Every catalog column keeps its name in the report, but fname is offered as Fname (an
    // alias list offers only the fields it names).
    rptDBDataset5->FieldAliases()->Clear();
    for (int i = 0; i < ADOQuery5->FieldCount(); ++i) {
      const std::string name = ADOQuery5->Fields()->Fields(i)->FieldName();
      rptDBDataset5->FieldAliases()->Add(name + "=" + (SameText(name, "fname") ? "Fname" : name));
    }
    ADOQuery3->Close();
    ADOQuery3->Open();
    ADOQuery6->Close();
    ADOQuery6->Open();
  } catch (const Exception& E) {
    Application()->ShowException(E);
    return;
  }
  // A missing template leaves the report empty; the preview then shows no page. A template that
  // cannot be read is reported and leaves the report empty too.
  try {
    fr1->LoadFromFile(TemplateFile);
  } catch (const Exception& E) {
    fr1->Clear();
    Application()->ShowException(E);
  }
  BindOwnDataSets();
  if (fr1->PrepareReport(true)) fr1->ShowPreparedReport();
}

void TFormdayin2::fr1BeforePrint(TrptReportComponent* Sender) {
  auto* memo = dynamic_cast<TrptCustomMemoView*>(Sender);
  if (!memo) return;
  std::string text;
  if (SameText(memo->Name(), "Memo8")) {
    text = "Customer Name:" + FMain->Edit2->Text();
  } else if (SameText(memo->Name(), "Memo9")) {
    text = "Telephone:" + FMain->Edit1->Text();
  } else if (SameText(memo->Name(), "Memo30")) {
    // The studio's own telephone, from the studio record the sheet shows.
    TField* tel = ADOQuery3->Active() ? ADOQuery3->FindField("GStel") : nullptr;
    text = "Telephone:" + (tel ? tel->AsString() : std::string());
  } else {
    return;
  }
  // The texts are data: brackets typed into a customer's name are printed, not evaluated.
  memo->AllowExpressions = false;
  memo->Memo()->SetText(text);
}

void TFormdayin2::FormShow(TObject*) { rptP1->Realign(); }

// Closing frees the window (each "Print Selected" makes a new one).
void TFormdayin2::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }

void TFormdayin2::BitBtn1Click(TObject*) { rptP1->Print(); }
void TFormdayin2::BitBtn11Click(TObject*) { rptP1->EditPageSettings(); }
void TFormdayin2::BitBtn7Click(TObject*) { rptP1->SetZoom(1.0); }
void TFormdayin2::BitBtn8Click(TObject*) { rptP1->SetZoomMode(zmWholePage); }
void TFormdayin2::BitBtn9Click(TObject*) { rptP1->SetZoomMode(zmPageWidth); }
void TFormdayin2::BitBtn10Click(TObject*) { rptP1->SetZoomMode(zmManyPages); }
void TFormdayin2::BitBtn3Click(TObject*) { rptP1->First(); }
void TFormdayin2::BitBtn4Click(TObject*) { rptP1->Prior(); }
void TFormdayin2::BitBtn5Click(TObject*) { rptP1->Next(); }
void TFormdayin2::BitBtn6Click(TObject*) { rptP1->Last(); }

void TFormdayin2::BitBtn12Click(TObject*) {
  POINT p = ClientToScreen(POINT{BitBtn12->Left() + 7, ToolBar1->Height() * 2 - 10});
  PopupMenu1->Popup(p.x, p.y);
}

void TFormdayin2::BitBtn13Click(TObject*) { Close(); }

void TFormdayin2::rptP1PageChanged(TObject*, int PageNo) {
  StatusBar1->SetPanelText(0, PageStatusText(PageNo, rptP1->GetPageCount()));
}

void TFormdayin2::WndProc(TMessage& Message) {
  if (Message.Msg == kMouseWheelMessage && rptP1) {
    const short delta = static_cast<short>(HIWORD(Message.WParam));
    rptP1->ScrollByWheel(delta < 0 ? -1 : 1, false, false);
  }
  TForm::WndProc(Message);
}
