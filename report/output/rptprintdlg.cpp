// The print dialog and the printing of prepared pages.
#include "report/output/rptprintdlg.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/strutils.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptservices.h"
#include "report/core/rptutils.h"
#include "report/output/rptprinters.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptPrintDialog, TForm)

namespace {

template <class T> T* Make(TComponent* Owner, TWinControl* Parent, int X, int Y, int W, int H) {
  auto* c = new T(Owner);
  c->SetParent(Parent);
  c->SetBounds(X, Y, W, H);
  return c;
}

}  // namespace

TrptPrintDialog::TrptPrintDialog(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(477);
  SetClientHeight(263);
  SetCaption(rptTextById(200));
  Label12 = Make<TGroupBox>(this, this, 8, 4, 461, 97);
  Label12->SetCaption(rptTextById(201));
  PrintersCB = Make<TComboBox>(this, Label12, 12, 18, 300, 21);
  PrintersCB->SetStyle(csDropDownList);
  TypeL = Make<TLabel>(this, Label12, 12, 48, 50, 14);
  TypeL->SetCaption(rptTextById(207));
  TypeL1 = Make<TLabel>(this, Label12, 64, 48, 250, 14);
  WhereL = Make<TLabel>(this, Label12, 12, 68, 50, 14);
  WhereL->SetCaption(rptTextById(208));
  WhereL1 = Make<TLabel>(this, Label12, 64, 68, 250, 14);
  PropButton = Make<TButton>(this, Label12, 326, 16, 123, 25);
  PropButton->SetCaption(rptTextById(209));
  FileCB = Make<TCheckBox>(this, Label12, 326, 48, 123, 17);
  FileCB->SetCaption(rptTextById(210));
  ReverseCB = Make<TCheckBox>(this, Label12, 326, 68, 123, 17);
  ReverseCB->SetCaption(rptTextById(211));
  Label1 = Make<TGroupBox>(this, this, 8, 106, 253, 117);
  Label1->SetCaption(rptTextById(202));
  AllRB = Make<TRadioButton>(this, Label1, 12, 18, 200, 17);
  AllRB->SetCaption(rptTextById(3));
  AllRB->SetChecked(true);
  CurPageRB = Make<TRadioButton>(this, Label1, 12, 38, 200, 17);
  CurPageRB->SetCaption(rptTextById(4));
  PageNumbersRB = Make<TRadioButton>(this, Label1, 12, 60, 60, 17);
  PageNumbersRB->SetCaption(rptTextById(5));
  PageNumbersE = Make<TEdit>(this, Label1, 76, 58, 165, 21);
  DescrL = Make<TLabel>(this, Label1, 12, 84, 230, 28);
  DescrL->SetCaption(rptTextById(9));
  Label2 = Make<TGroupBox>(this, this, 268, 106, 201, 117);
  Label2->SetCaption(rptTextById(205));
  CopiesL = Make<TLabel>(this, Label2, 12, 22, 100, 14);
  CopiesL->SetCaption(rptTextById(203));
  CopiesE = Make<TEdit>(this, Label2, 120, 18, 50, 21);
  CopiesE->SetText("1");
  UpDown1 = Make<TUpDown>(this, Label2, 170, 18, 16, 21);
  UpDown1->SetMin(1);
  UpDown1->SetMax(9999);
  UpDown1->SetPosition(1);
  UpDown1->SetWrap(false);
  UpDown1->SetAssociate(CopiesE);
  CopiesPB = Make<TPaintBox>(this, Label2, 12, 48, 92, 53);
  CollateCB = Make<TCheckBox>(this, Label2, 112, 64, 17, 17);
  CollateCB->SetChecked(true);
  CollateL = Make<TLabel>(this, Label2, 130, 66, 65, 14);
  CollateL->SetCaption(rptTextById(204));
  PrintL = Make<TLabel>(this, this, 8, 236, 60, 14);
  PrintL->SetCaption(rptTextById(206));
  PrintPagesCB = Make<TComboBox>(this, this, 80, 232, 170, 21);
  PrintPagesCB->SetStyle(csDropDownList);
  PrintPagesCB->Items()->Add(rptGet("ppAll"));
  PrintPagesCB->Items()->Add(rptGet("ppOdd"));
  PrintPagesCB->Items()->Add(rptGet("ppEven"));
  PrintPagesCB->SetItemIndex(0);
  OkB = Make<TButton>(this, this, 313, 230, 75, 25);
  OkB->SetCaption(rptTextById(1));
  OkB->SetDefault(true);
  OkB->SetModalResult(mrOk);
  CancelB = Make<TButton>(this, this, 394, 230, 75, 25);
  CancelB->SetCaption(rptTextById(2));
  CancelB->SetCancel(true);
  CancelB->SetModalResult(mrCancel);
  FileDlg = new TSaveDialog(this);
  FileDlg->SetTitle("Print To File");
  FileDlg->SetFilter("Printer files (*.prn)|*.prn");

  PrintersCB->OnSelect = [this](TObject*) { PrintersCBClick(); };
  PropButton->OnClick = [](TObject*) {
    if (rptGlobalPrinters()->PrinterIndex() >= 0) rptGlobalPrinters()->GetPrinter()->ShowPropertiesDialog();
  };
  PageNumbersE->OnEnter = [this](TObject*) { PageNumbersRB->SetChecked(true); };
  PageNumbersRB->OnClick = [this](TObject*) {
    if (Visible() && PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
  };
  auto toggle = [this](TObject*) { CollateCB->SetChecked(!CollateCB->Checked()); };
  CollateL->OnClick = toggle;
  CollateL->OnDblClick = toggle;
  CollateCB->OnClick = [this](TObject*) { CopiesPB->Invalidate(); };
  CopiesPB->OnPaint = [this](TObject*) {
    // Collated copies: two stacked page sets numbered 1 2 3; otherwise pairs of equal pages.
    TCanvas* c = CopiesPB->Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(RECT{0, 0, CopiesPB->Width(), CopiesPB->Height()});
    const bool collate = CollateCB->Checked();
    c->Pen()->SetColor(clBlack);
    for (int set = 0; set < 2; ++set)
      for (int i = 0; i < 3; ++i) {
        const int x = set * 46 + i * 10, y = 4 + i * 8;
        c->Brush()->SetColor(clWhite);
        c->Rectangle(x, y, x + 24, y + 30);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(x + 8, y + 14, IntToStr(collate ? i + 1 : set + 1));
        c->Brush()->SetStyle(bsSolid);
      }
  };
  // Copies must be a whole number and the page list readable before the dialog closes.
  OkB->OnClick = [this](TObject*) {
    std::string error;
    if (!Validate(error)) {
      SetModalResult(mrNone);
      rptShowError(error);
    }
  };
}

void TrptPrintDialog::LoadPrinters() {
  TrptPrinters* printers = rptGlobalPrinters();
  PrintersCB->Items()->Assign(printers->Printers());
  PrintersCB->SetItemIndex(printers->PrinterIndex());
  FOldIndex = printers->PrinterIndex();
  PrintersCBClick();
  PrintPagesCB->SetLeft(PrintL->Left() + PrintL->Width() + 11);
}

void TrptPrintDialog::PrintersCBClick() {
  const int index = PrintersCB->ItemIndex();
  if (index < 0) return;
  TrptPrinters* printers = rptGlobalPrinters();
  printers->SetPrinterIndex(index);
  TypeL1->SetCaption(printers->GetPrinter()->Name);
  WhereL1->SetCaption(printers->GetPrinter()->Port);
}

bool TrptPrintDialog::Validate(std::string& Error) const {
  int copies = 0;
  if (!TryStrToInt(Trim(CopiesE->Text()), copies) || copies < 1) {
    Error = "'" + CopiesE->Text() + "' is not a valid number of copies";
    return false;
  }
  if (PageNumbersRB->Checked()) {
    const std::string text = PageNumbersE->Text();
    for (char ch : text)
      if (!(ch >= '0' && ch <= '9') && ch != ',' && ch != '-' && ch != ' ') {
        Error = "'" + text + "' is not a list of page numbers";
        return false;
      }
  }
  return true;
}

bool TrptPrintDialog::FinishDialog(bool Ok, const std::string& ChosenFile) {
  TrptPrinters* printers = rptGlobalPrinters();
  if (!Ok) {
    if (FOldIndex >= 0 || printers->PrinterIndex() >= 0) printers->SetPrinterIndex(FOldIndex);
    return false;
  }
  if (printers->PrinterIndex() < 0) return true;
  TrptCustomPrinter* p = printers->GetPrinter();
  p->FileName.clear();
  if (FileCB->Checked()) {
    if (ChosenFile.empty()) return false;
    p->FileName = ChangeFileExt(ChosenFile, ".prn");
  }
  return true;
}

void TrptPrintDialog::DoShow() {
  LoadPrinters();
  TForm::DoShow();
}

void TrptPrintDialog::DoHide() {
  if (!FFinished) {
    FFinished = true;
    const bool ok = ModalResult() == mrOk;
    std::string file;
    if (ok && FileCB->Checked() && FileDlg->Execute()) file = FileDlg->FileName();
    if (!FinishDialog(ok, file) && ok) SetModalResult(mrCancel);
  }
  TForm::DoHide();
}

bool rptPrintPreparedPages(TrptCustomPreviewPages* Pages, TrptReport* Report, const TrptPrintSettings& Settings) {
  if (!Pages || !Report) return false;
  const int count = Pages->PageCount();
  if (count == 0) return false;
  std::vector<int> list;
  if (!Trim(Settings.PageNumbers).empty()) {
    TStringList numbers;
    rptParsePageNumbers(Settings.PageNumbers, &numbers, count);
    for (int i = 0; i < numbers.Count(); ++i) {
      const int n = StrToIntDef(numbers.Strings(i), 0);
      if (n >= 1 && n <= count) list.push_back(n - 1);
    }
  } else {
    for (int i = 0; i < count; ++i) list.push_back(i);
  }
  if (Settings.PrintPages != 0) {
    std::vector<int> kept;
    for (int i : list)
      if ((i % 2 == 0) == (Settings.PrintPages == 1)) kept.push_back(i);
    list = kept;
  }
  if (list.empty()) return false;
  if (Settings.Reverse) std::reverse(list.begin(), list.end());
  TrptPrinters* printers = rptGlobalPrinters();
  if (printers->PrinterIndex() < 0) printers->SetPrinterIndex(0);
  TrptCustomPrinter* printer = printers->GetPrinter();
  const std::string name = Report->ReportOptions() ? Report->ReportOptions()->Name : std::string();
  printer->Title = name.empty() ? std::string("Report") : name;
  const int copies = std::max(1, Settings.Copies);
  // Collated copies repeat the document; uncollated ones repeat each page.
  std::vector<int> order;
  for (int c = 0; c < (Settings.Collate ? copies : 1); ++c)
    for (int index : list)
      for (int k = 0; k < (Settings.Collate ? 1 : copies); ++k) order.push_back(index);
  Report->SetTerminated(false);
  printer->BeginDoc();
  Report->DoProgressStart(ptPrinting);
  bool first = true;
  try {
    for (int index : order) {
      if (Report->Terminated()) break;
      if (auto* page = dynamic_cast<TrptReportPage*>(Pages->PageAt(index)))
        printer->SetPaperForPrinting(page->PaperSize(), page->Orientation() == poLandscape, page->PaperWidth(),
                                     page->PaperHeight(), first ? page->Bin : page->BinOtherPages,
                                     static_cast<int>(page->Duplex) + 1);
      first = false;
      printer->BeginPage();
      const Extended sx = printer->DPI.x / 96.0, sy = printer->DPI.y / 96.0;
      Pages->DrawPage(index, printer->Canvas(), sx, sy, -printer->LeftMargin * printer->DPI.x / 25.4,
                      -printer->TopMargin * printer->DPI.y / 25.4);
      printer->EndPage();
      Report->DoProgress(ptPrinting, index + 1);
    }
    if (Report->Terminated())
      printer->Abort();
    else
      printer->EndDoc();
  } catch (...) {
    if (printer->Printing) printer->Abort();
    Report->DoProgressStop(ptPrinting);
    throw;
  }
  Report->DoProgressStop(ptPrinting);
  if (Report->Terminated()) return false;
  if (Report->OnPrintReport) Report->OnPrintReport(Report);
  if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
  return true;
}

bool rptPrintPreparedPages(TrptCustomPreviewPages* Pages, TrptReport* Report, int CurPage, bool ShowDialog) {
  if (!Pages || !Report) return false;
  TrptPrintOptions* po = Report->PrintOptions();
  TrptPrinters* printers = rptGlobalPrinters();
  if (!po->Printer.empty() && printers->IndexOf(po->Printer) >= 0) printers->SetPrinterIndex(printers->IndexOf(po->Printer));
  TrptPrintSettings s;
  s.Copies = po->Copies;
  s.Collate = po->Collate;
  s.PageNumbers = po->PageNumbers;
  s.PrintPages = static_cast<int>(po->PrintPages);
  s.Reverse = po->Reverse;
  if (ShowDialog) {
    std::unique_ptr<TrptPrintDialog> dlg(new TrptPrintDialog(nullptr));
    dlg->UpDown1->SetPosition(po->Copies);
    dlg->CopiesE->SetText(IntToStr(std::max(1, po->Copies)));
    dlg->CollateCB->SetChecked(po->Collate);
    dlg->PageNumbersE->SetText(po->PageNumbers);
    if (!po->PageNumbers.empty()) dlg->PageNumbersRB->SetChecked(true);
    dlg->PrintPagesCB->SetItemIndex(static_cast<int>(po->PrintPages));
    dlg->ReverseCB->SetChecked(po->Reverse);
    if (dlg->ShowModal() != mrOk) return false;
    s.Copies = StrToInt(Trim(dlg->CopiesE->Text()));
    s.Collate = dlg->CollateCB->Checked();
    s.PageNumbers = dlg->AllRB->Checked()      ? std::string()
                    : dlg->CurPageRB->Checked() ? IntToStr(CurPage + 1)
                                                : dlg->PageNumbersE->Text();
    s.PrintPages = std::max(0, dlg->PrintPagesCB->ItemIndex());
    s.Reverse = dlg->ReverseCB->Checked();
  }
  return rptPrintPreparedPages(Pages, Report, s);
}
