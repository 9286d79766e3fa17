// The export filters' option dialogs.
#include "report/output/rptexportdialogs.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/printers.h"
#include "platform/vcl/stdctrls.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/core/rptservices.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptutils.h"
#include "report/output/rptexporttxt.h"
#include "report/output/rptprinters.h"
#include "report/output/rptexptexts.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptExportDialog, TForm)
ORV_CLASS_IMPL(TrptPDFExportDialog, TrptExportDialog)
ORV_CLASS_IMPL(TrptXLSExportDialog, TrptExportDialog)
ORV_CLASS_IMPL(TrptXMLExportDialog, TrptExportDialog)
ORV_CLASS_IMPL(TrptHTMLExportDialog, TrptExportDialog)
ORV_CLASS_IMPL(TrptRTFExportDialog, TrptExportDialog)
ORV_CLASS_IMPL(TrptIMGExportDialog, TrptExportDialog)
ORV_CLASS_IMPL(TrptTXTExportDialog, TForm)
ORV_CLASS_IMPL(TrptPrnInit, TForm)

namespace {

constexpr int kExpDlgWidth = 278;
constexpr int kExpDlgLine = 20;

// A page list holds digits, commas, dashes and blanks, and at least one digit.
bool ExpDlgPageListOk(const std::string& Text) {
  bool digit = false;
  for (char ch : Text) {
    if (ch >= '0' && ch <= '9') digit = true;
    else if (ch != ',' && ch != '-' && ch != ' ') return false;
  }
  return digit;
}

template <class T> T* ExpDlgMake(TComponent* Owner, TWinControl* Parent, int L, int T_, int W, int H) {
  auto* c = new T(Owner);
  c->SetParent(Parent);
  c->SetBounds(L, T_, W, H);
  return c;
}

// The OK and Cancel buttons of a dialog at Top: OK closes only when the dialog's Validate passes,
// else it shows why and the dialog stays.
template <class TDialog>
void ExpDlgOkCancel(TDialog* Dialog, TButton*& Ok, TButton*& Cancel, int OkLeft, int CancelLeft, int Top) {
  Ok = ExpDlgMake<TButton>(Dialog, Dialog, OkLeft, Top, 75, 25);
  Ok->SetCaption(rptTextById(1));
  Ok->SetDefault(true);
  Ok->SetModalResult(mrOk);
  Ok->OnClick = [Dialog](TObject*) {
    std::string error;
    if (!Dialog->Validate(error)) {
      Dialog->SetModalResult(mrNone);
      rptShowError(error);
    }
  };
  Cancel = ExpDlgMake<TButton>(Dialog, Dialog, CancelLeft, Top, 75, 25);
  Cancel->SetCaption(rptTextById(2));
  Cancel->SetCancel(true);
  Cancel->SetModalResult(mrCancel);
}

constexpr TColor kPrnInitImageKey = clOlive;

// The printer picture: a grey body with a paper sheet rising from it, on the olive key colour.
void PrnInitDrawPrinter(TBitmap* Bmp) {
  Bmp->SetWidth(18);
  Bmp->SetHeight(16);
  TCanvas* c = Bmp->Canvas();
  c->Brush()->SetColor(kPrnInitImageKey);
  c->FillRect(RECT{0, 0, 18, 16});
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clWhite);
  c->Rectangle(5, 1, 13, 8);  // the sheet
  c->Brush()->SetColor(clSilver);
  c->Rectangle(1, 7, 17, 14);  // the body
  c->Brush()->SetColor(clGreen);
  c->FillRect(RECT{13, 9, 15, 11});  // the lamp
}

// A whole number within Min..Max.
bool ExpDlgNumberOk(const std::string& Text, int Min, int Max) {
  int v = 0;
  return TryStrToInt(Trim(Text), v) && v >= Min && v <= Max;
}

}  // namespace

TrptExportDialog::TrptExportDialog(TComponent* AOwner, int CaptionId, const std::vector<int>& OptionIds)
    : TForm(AOwner) {
  rptInstallPreviewTexts();
  rptAddExportTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(rptTextById(CaptionId));
  Font()->SetName("Tahoma");
  GroupPageRange = ExpDlgMake<TGroupBox>(this, this, 8, 4, kExpDlgWidth - 16, 112);
  GroupPageRange->SetCaption(rptTextById(7));
  AllRB = ExpDlgMake<TRadioButton>(this, GroupPageRange, 12, 18, 150, 17);
  AllRB->SetCaption(rptTextById(3));
  AllRB->SetChecked(true);
  CurPageRB = ExpDlgMake<TRadioButton>(this, GroupPageRange, 12, 38, 150, 17);
  CurPageRB->SetCaption(rptTextById(4));
  PageNumbersRB = ExpDlgMake<TRadioButton>(this, GroupPageRange, 12, 58, 80, 17);
  PageNumbersRB->SetCaption(rptTextById(5));
  PageNumbersE = ExpDlgMake<TEdit>(this, GroupPageRange, 94, 56, 152, 21);
  DescrL = ExpDlgMake<TLabel>(this, GroupPageRange, 12, 80, 236, 28);
  DescrL->SetWordWrap(true);
  DescrL->SetCaption(rptTextById(9));
  // Typing a page list chooses it.
  PageNumbersE->OnChange = [this](TObject*) {
    if (!PageNumbersE->Text().empty()) PageNumbersRB->SetChecked(true);
  };
  const int groupHeight = 20 + kExpDlgLine * static_cast<int>(OptionIds.size());
  GroupOptions = ExpDlgMake<TGroupBox>(this, this, 8, 120, kExpDlgWidth - 16, groupHeight);
  GroupOptions->SetCaption(rptTextById(8));
  for (size_t i = 0; i < OptionIds.size(); ++i) Options.push_back(AddOption(GroupOptions, OptionIds[i], 18 + kExpDlgLine * static_cast<int>(i)));
  const int buttons = 120 + groupHeight + 8;
  ExpDlgOkCancel(this, OkB, CancelB, kExpDlgWidth - 168, kExpDlgWidth - 85, buttons);
  SetClientWidth(kExpDlgWidth);
  SetClientHeight(buttons + 33);
}

TCheckBox* TrptExportDialog::AddOption(TWinControl* Parent, int TextId, int Top) {
  auto* cb = ExpDlgMake<TCheckBox>(this, Parent, 12, Top, kExpDlgWidth - 40, 17);
  cb->SetCaption(rptTextById(TextId));
  return cb;
}

bool TrptExportDialog::Validate(std::string& Error) const {
  if (PageNumbersRB->Checked() && !ExpDlgPageListOk(PageNumbersE->Text())) {
    Error = "'" + PageNumbersE->Text() + "' is not a list of page numbers";
    return false;
  }
  return true;
}

void TrptExportDialog::ReadRange(TrptCustomExportFilter* Filter) const {
  Filter->CurPage = CurPageRB->Checked();
  Filter->PageNumbers = PageNumbersRB->Checked() ? Trim(PageNumbersE->Text()) : std::string();
}

TrptPDFExportDialog::TrptPDFExportDialog(TComponent* AOwner)
    : TrptExportDialog(AOwner, 8700, {8701, 8702, 8703, 8704, 8705}) {
  CompressedCB = Options[0];
  EmbeddedCB = Options[1];
  PrintOptCB = Options[2];
  OutlineCB = Options[3];
  BackgrCB = Options[4];
  // "Open after export" stands below the settings group.
  OpenCB = AddOption(this, 8706, OkB->Top());
  OpenCB->SetLeft(12);
  OpenCB->SetWidth(kExpDlgWidth - 190);
  Options.push_back(OpenCB);
}

TrptXLSExportDialog::TrptXLSExportDialog(TComponent* AOwner)
    : TrptExportDialog(AOwner, 8000, {8001, 8002, 8003, 8004, 8005, 8006, 8007, 8008, 6}) {
  StylesCB = Options[0];
  PicturesCB = Options[1];
  MergeCB = Options[2];
  WCB = Options[3];
  OpenExcelCB = Options[4];
  AsTextCB = Options[5];
  BackgrCB = Options[6];
  FastExpCB = Options[7];
  PageBreaksCB = Options[8];
}

TrptXMLExportDialog::TrptXMLExportDialog(TComponent* AOwner)
    : TrptExportDialog(AOwner, 8100, {8101, 6, 8102, 8104, 8103}) {
  StylesCB = Options[0];
  PageBreaksCB = Options[1];
  WCB = Options[2];
  OpenExcelCB = Options[3];
  BackgrCB = Options[4];
}

TrptHTMLExportDialog::TrptHTMLExportDialog(TComponent* AOwner)
    : TrptExportDialog(AOwner, 8200, {8201, 8202, 8203, 8204, 8205, 8206, 8207, 8208, 8209}) {
  StylesCB = Options[0];
  PicsSameCB = Options[1];
  PicturesCB = Options[2];
  OpenCB = Options[3];
  FixedWidthCB = Options[4];
  NavigatorCB = Options[5];
  MultipageCB = Options[6];
  MozillaCB = Options[7];
  BackgrCB = Options[8];
}

TrptRTFExportDialog::TrptRTFExportDialog(TComponent* AOwner)
    : TrptExportDialog(AOwner, 8500, {8501, 6, 8502, 8503}) {
  PicturesCB = Options[0];
  PageBreaksCB = Options[1];
  WCB = Options[2];
  OpenCB = Options[3];
}

TrptIMGExportDialog::TrptIMGExportDialog(TComponent* AOwner) : TrptExportDialog(AOwner, 8600, {}) {
  // The page range group also holds "separate files"; the settings group the image settings.
  GroupPageRange->SetHeight(132);
  SeparateCB = AddOption(GroupPageRange, 8604, 108);
  SeparateCB->SetChecked(true);
  GroupOptions->SetTop(140);
  GroupOptions->SetHeight(112);
  GroupOptions->SetCaption(rptTextById(8601));
  Label2 = ExpDlgMake<TLabel>(this, GroupOptions, 12, 22, 150, 15);
  Label2->SetCaption(rptTextById(8602));
  Quality = ExpDlgMake<TEdit>(this, GroupOptions, 176, 18, 70, 21);
  Label1 = ExpDlgMake<TLabel>(this, GroupOptions, 12, 48, 150, 15);
  Label1->SetCaption(rptTextById(8603));
  Resolution = ExpDlgMake<TEdit>(this, GroupOptions, 176, 44, 70, 21);
  CropPage = AddOption(GroupOptions, 8605, 70);
  CropPage->SetChecked(true);
  Mono = AddOption(GroupOptions, 8606, 90);
  OkB->SetTop(260);
  CancelB->SetTop(260);
  SetClientHeight(293);
}

bool TrptIMGExportDialog::Validate(std::string& Error) const {
  if (!TrptExportDialog::Validate(Error)) return false;
  if (Quality->Enabled() && !ExpDlgNumberOk(Quality->Text(), 1, 100)) {
    Error = "'" + Quality->Text() + "' is not a JPEG quality from 1 to 100";
    return false;
  }
  if (!ExpDlgNumberOk(Resolution->Text(), 1, 2400)) {
    Error = "'" + Resolution->Text() + "' is not a resolution from 1 to 2400";
    return false;
  }
  return true;
}

TrptTXTExportDialog::TrptTXTExportDialog(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  rptAddExportTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(rptTextById(8300));
  Font()->SetName("Tahoma");
  GroupCellProp = ExpDlgMake<TGroupBox>(this, this, 8, 4, 261, 98);
  GroupCellProp->SetCaption(rptTextById(8302));
  CB_PageBreaks = ExpDlgMake<TCheckBox>(this, GroupCellProp, 10, 16, 240, 17);
  CB_PageBreaks->SetCaption(rptTextById(8303));
  CB_OEM = ExpDlgMake<TCheckBox>(this, GroupCellProp, 10, 36, 240, 17);
  CB_OEM->SetCaption(rptTextById(8304));
  CB_EmptyLines = ExpDlgMake<TCheckBox>(this, GroupCellProp, 10, 56, 240, 17);
  CB_EmptyLines->SetCaption(rptTextById(8305));
  CB_LeadSpaces = ExpDlgMake<TCheckBox>(this, GroupCellProp, 10, 76, 240, 17);
  CB_LeadSpaces->SetCaption(rptTextById(8306));
  GroupPageRange = ExpDlgMake<TGroupBox>(this, this, 8, 106, 261, 92);
  GroupPageRange->SetCaption(rptTextById(7));
  Pages = ExpDlgMake<TLabel>(this, GroupPageRange, 10, 20, 60, 15);
  Pages->SetCaption(rptTextById(8307));
  E_Range = ExpDlgMake<TEdit>(this, GroupPageRange, 74, 16, 176, 21);
  Descr = ExpDlgMake<TLabel>(this, GroupPageRange, 10, 42, 240, 44);
  Descr->SetWordWrap(true);
  Descr->SetCaption(rptTextById(8308));
  GroupScaleSettings = ExpDlgMake<TGroupBox>(this, this, 8, 202, 261, 50);
  GroupScaleSettings->SetCaption(rptTextById(8309));
  auto scale = [this](int Left, int TextId, TLabel*& L, TEdit*& E, TUpDown*& U) {
    L = ExpDlgMake<TLabel>(this, GroupScaleSettings, Left, 22, 50, 15);
    L->SetCaption(rptTextById(TextId));
    E = ExpDlgMake<TEdit>(this, GroupScaleSettings, Left + 52, 18, 50, 21);
    U = new TUpDown(this);
    U->SetParent(GroupScaleSettings);
    U->SetMin(10);
    U->SetMax(500);
    U->SetIncrement(10);
    U->SetAssociate(E);
    U->SetPosition(100);
  };
  scale(10, 8310, ScX, E_ScaleX, UpDown1);
  scale(134, 8311, ScY, E_ScaleY, UpDown2);
  GroupFramesSettings = ExpDlgMake<TGroupBox>(this, this, 8, 256, 261, 44);
  GroupFramesSettings->SetCaption(rptTextById(8312));
  RB_NoneFrames = ExpDlgMake<TRadioButton>(this, GroupFramesSettings, 10, 18, 76, 17);
  RB_NoneFrames->SetCaption(rptTextById(8313));
  RB_Simple = ExpDlgMake<TRadioButton>(this, GroupFramesSettings, 90, 18, 76, 17);
  RB_Simple->SetCaption(rptTextById(8314));
  RB_Graph = ExpDlgMake<TRadioButton>(this, GroupFramesSettings, 170, 18, 84, 17);
  RB_Graph->SetCaption(rptTextById(8315));
  RB_Graph->SetHint(rptTextById(8316));
  RB_Graph->SetShowHint(true);
  CB_PrintAfter = ExpDlgMake<TCheckBox>(this, this, 16, 306, 250, 17);
  CB_PrintAfter->SetCaption(rptTextById(8317));
  CB_Save = ExpDlgMake<TCheckBox>(this, this, 16, 326, 250, 17);
  CB_Save->SetCaption(rptTextById(8318));
  ExpDlgOkCancel(this, OkB, CancelB, 110, 193, 350);
  CB_OEM->OnClick = [this](TObject*) { CB_OEMClick(); };
  // The preview switch above the settings; the preview pane to their right.
  Panel1 = ExpDlgMake<TPanel>(this, this, 0, 0, 277, 0);
  Panel1->SetVisible(false);
  BtnPreview = ExpDlgMake<TSpeedButton>(this, this, 244, 4, 23, 22);
  BtnPreview->SetFlat(true);
  BtnPreview->SetGroupIndex(1);
  BtnPreview->SetAllowAllUp(true);
  BtnPreview->SetCaption(">>");
  BtnPreview->SetHint(rptTextById(8301));
  BtnPreview->SetShowHint(true);
  BtnPreview->OnClick = [this](TObject*) { BtnPreviewClick(); };
  GroupCellProp->SetWidth(232);
  Panel2 = ExpDlgMake<TPanel>(this, this, 277, 0, 354, 383);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetVisible(false);
  GroupBox1 = ExpDlgMake<TGroupBox>(this, Panel2, 0, 4, 346, 340);
  GroupBox1->SetCaption(rptTextById(8319));
  Preview = ExpDlgMake<TMemo>(this, GroupBox1, 8, 18, 330, 264);
  Preview->SetReadOnly(true);
  Preview->SetScrollBars(ssBoth);
  Preview->Font()->SetName("Courier New");
  Preview->Font()->SetSize(8);
  Label1 = ExpDlgMake<TLabel>(this, GroupBox1, 8, 290, 50, 15);
  Label1->SetCaption(rptTextById(8320));
  PgWidth = ExpDlgMake<TLabel>(this, GroupBox1, 60, 290, 40, 15);
  PgWidth->SetCaption("0");
  Label3 = ExpDlgMake<TLabel>(this, GroupBox1, 8, 310, 50, 15);
  Label3->SetCaption(rptTextById(8321));
  PgHeight = ExpDlgMake<TLabel>(this, GroupBox1, 60, 310, 40, 15);
  PgHeight->SetCaption("0");
  LBPage = ExpDlgMake<TLabel>(this, GroupBox1, 120, 300, 40, 15);
  LBPage->SetCaption(rptTextById(8322));
  EPage = ExpDlgMake<TEdit>(this, GroupBox1, 162, 296, 40, 21);
  EPage->SetText("1");
  PageUpDown = new TUpDown(this);
  PageUpDown->SetParent(GroupBox1);
  PageUpDown->SetMin(1);
  PageUpDown->SetMax(1);
  PageUpDown->SetAssociate(EPage);
  ToolButton1 = ExpDlgMake<TSpeedButton>(this, GroupBox1, 262, 296, 32, 22);
  ToolButton1->SetCaption("A+");
  ToolButton1->SetHint(rptTextById(8323));
  ToolButton1->OnClick = [this](TObject*) {
    if (Preview->Font()->Size() < 30) Preview->Font()->SetSize(Preview->Font()->Size() + 1);
  };
  ToolButton2 = ExpDlgMake<TSpeedButton>(this, GroupBox1, 298, 296, 32, 22);
  ToolButton2->SetCaption("A-");
  ToolButton2->SetHint(rptTextById(8324));
  ToolButton2->OnClick = [this](TObject*) {
    if (Preview->Font()->Size() > 2) Preview->Font()->SetSize(Preview->Font()->Size() - 1);
  };
  // Every change of a setting shows in the preview while it is open.
  auto refresh = [this](TObject*) {
    if (FPreviewShown) RefreshPreview();
  };
  for (TCheckBox* c : {CB_PageBreaks, CB_EmptyLines, CB_LeadSpaces}) c->OnClick = refresh;
  for (TRadioButton* r : {RB_NoneFrames, RB_Simple, RB_Graph}) r->OnClick = refresh;
  for (TEdit* e : {E_ScaleX, E_ScaleY, EPage}) e->OnChange = refresh;
  for (TUpDown* u : {UpDown1, UpDown2}) u->OnChanging = [this](TObject*, bool& Allow) { Allow = !FRefreshing; };
  CB_OEM->OnClick = [this](TObject*) {
    CB_OEMClick();
    if (FPreviewShown) RefreshPreview();
  };
  SetClientWidth(277);
  SetClientHeight(383);
}

void TrptTXTExportDialog::SetPagesCount(int Count) { PageUpDown->SetMax(std::max(Count, 1)); }

void TrptTXTExportDialog::BtnPreviewClick() {
  if (BtnPreview->Down()) {
    SetLeft(Left() - 177);
    FWidened = true;
    SetClientWidth(631);
    Panel2->SetVisible(true);
    FPreviewShown = true;
    RefreshPreview();
  } else {
    SetClientWidth(277);
    if (FWidened) SetLeft(Left() + 177);
    FWidened = false;
    Panel2->SetVisible(false);
    FPreviewShown = false;
  }
}

void TrptTXTExportDialog::RefreshPreview() {
  if (FRefreshing || !Report || !Report->PreviewPages()) return;
  std::string error;
  if (!Validate(error) || !ExpDlgPageListOk(EPage->Text())) return;  // half-typed values wait
  FRefreshing = true;
  TrptTXTExport preview(TrptCustomExportFilter::TUnregistered{});
  preview.PreviewMode = true;
  preview.ShowDialog = false;
  preview.Borders = !RB_NoneFrames->Checked();
  preview.Pseudogrpahic = RB_Graph->Checked();
  preview.PageBreaks = CB_PageBreaks->Checked();
  preview.OEMCodepage = CB_OEM->Checked();
  preview.EmptyLines = CB_EmptyLines->Checked();
  preview.LeadSpaces = CB_LeadSpaces->Checked();
  preview.ScaleWidth = StrToInt(Trim(E_ScaleX->Text())) / 100.0;
  preview.ScaleHeight = StrToInt(Trim(E_ScaleY->Text())) / 100.0;
  preview.FileName = GetTempFileName(GetTempPath(), "rp");
  preview.PageNumbers = Trim(EPage->Text());
  bool showProgress = false;
  if (Export) {
    showProgress = Export->ShowProgress;
    Export->ShowProgress = false;
  }
  Report->PreviewPages()->Export(&preview);
  if (Export) Export->ShowProgress = showProgress;
  Preview->Font()->SetName(CB_OEM->Checked() ? "Terminal" : "Courier New");
  // Form feeds end pages in the file; the memo shows the lines.
  std::string text;
  {
    std::unique_ptr<TStringList> lines(new TStringList());
    try {
      lines->LoadFromFile(preview.FileName);
    } catch (const Exception&) {
    }
    for (int i = 0; i < lines->Count(); ++i) {
      std::string line = lines->Strings(i);
      line.erase(std::remove(line.begin(), line.end(), '\x0C'), line.end());
      text += line + "\r\n";
    }
  }
  Preview->SetText(text);
  DeleteFile(preview.FileName);
  PgWidth->SetCaption(IntToStr(preview.MaxWidth));
  PgHeight->SetCaption(IntToStr(preview.LinesCount));
  FRefreshing = false;
}

void TrptTXTExportDialog::CB_OEMClick() {
  RB_Graph->SetEnabled(CB_OEM->Checked());
  if (!RB_Simple->Checked() && RB_Graph->Checked() && !CB_OEM->Checked()) RB_Simple->SetChecked(true);
}

bool TrptTXTExportDialog::Validate(std::string& Error) const {
  for (TEdit* e : {E_ScaleX, E_ScaleY})
    if (!ExpDlgNumberOk(e->Text(), 10, 500)) {
      Error = "'" + e->Text() + "' is not a scale from 10 to 500";
      return false;
    }
  const std::string range = Trim(E_Range->Text());
  if (!range.empty() && !ExpDlgPageListOk(range)) {
    Error = "'" + range + "' is not a list of page numbers";
    return false;
  }
  return true;
}

TrptPrnInit::TrptPrnInit(TComponent* AOwner, TrptTXTExport* AExport) : TForm(AOwner), FExport(AExport) {
  rptInstallPreviewTexts();
  rptAddExportTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(rptTextById(8400));
  Font()->SetName("Tahoma");
  GroupBox1 = ExpDlgMake<TGroupBox>(this, this, 8, 4, 320, 52);
  GroupBox1->SetCaption(rptTextById(8401));
  Label4 = ExpDlgMake<TLabel>(this, GroupBox1, 10, 22, 50, 15);
  Label4->SetCaption(rptTextById(8402));
  Image1 = new TImage(this);
  Image1->SetVisible(false);
  PrnInitDrawPrinter(Image1->Picture()->Bitmap());
  Image1->Picture()->Bitmap()->SetTransparentColor(kPrnInitImageKey);
  Image1->Picture()->Bitmap()->SetTransparent(true);
  CB1 = ExpDlgMake<TComboBox>(this, GroupBox1, 62, 18, 170, 21);
  CB1->SetStyle(csOwnerDrawFixed);
  CB1->OnDrawItem = [this](TWinControl*, int Index, RECT R, TOwnerDrawState) {
    if (Index < 0 || Index >= CB1->Items()->Count()) return;
    TCanvas* c = CB1->Canvas();
    c->FillRect(R);
    c->Draw(R.left + 2, R.top, Image1->Picture()->Bitmap());
    c->TextOut(R.left + 24, R.top + 1, CB1->Items()->Strings(Index));
  };
  PropButton = ExpDlgMake<TButton>(this, GroupBox1, 238, 17, 72, 23);
  PropButton->SetCaption(rptTextById(8403));
  GroupBox3 = ExpDlgMake<TGroupBox>(this, this, 8, 60, 320, 48);
  GroupBox3->SetCaption(rptTextById(8404));
  Label2 = ExpDlgMake<TLabel>(this, GroupBox3, 10, 22, 80, 15);
  Label2->SetCaption(rptTextById(8405));
  E1 = ExpDlgMake<TEdit>(this, GroupBox3, 96, 18, 50, 21);
  E1->SetMaxLength(5);
  UpDown1 = new TUpDown(this);
  UpDown1->SetParent(GroupBox3);
  UpDown1->SetMin(1);
  UpDown1->SetMax(9999);
  UpDown1->SetAssociate(E1);
  UpDown1->SetPosition(1);
  GroupBox2 = ExpDlgMake<TGroupBox>(this, this, 8, 112, 320, 190);
  GroupBox2->SetCaption(rptTextById(8406));
  Label1 = ExpDlgMake<TLabel>(this, GroupBox2, 10, 22, 80, 15);
  Label1->SetCaption(rptTextById(8407));
  ComboBox1 = ExpDlgMake<TComboBox>(this, GroupBox2, 96, 18, 214, 21);
  ComboBox1->SetStyle(csDropDownList);
  CheckListBox1 = ExpDlgMake<TCheckListBox>(this, GroupBox2, 10, 46, 220, 134);
  Button1 = ExpDlgMake<TButton>(this, GroupBox2, 238, 46, 72, 23);
  Button1->SetCaption("...");
  Button2 = ExpDlgMake<TButton>(this, GroupBox2, 238, 76, 72, 23);
  Button2->SetCaption("...");
  ExpDlgOkCancel(this, OkB, CancelB, 172, 253, 310);
  SetClientWidth(336);
  SetClientHeight(343);
  // The printers, with the current one chosen and remembered.
  TrptPrinters* printers = rptGlobalPrinters();
  CB1->Items()->Assign(printers->Printers());
  FOldIndex = printers->PrinterIndex();
  CB1->SetItemIndex(FOldIndex);
  for (const auto& t : FExport->PrinterTypes) ComboBox1->Items()->Add(t.Name);
  ComboBox1->SetItemIndex(FExport->SelectedType);
  ShowCommands();
  CB1->OnSelect = [this](TObject*) { CB1Click(); };
  ComboBox1->OnSelect = [this](TObject*) { ComboBox1Change(); };
  CheckListBox1->OnClickCheck = [this](TObject*) { CheckListBox1ClickCheck(); };
  PropButton->OnClick = [](TObject*) {
    if (rptGlobalPrinters()->PrinterIndex() >= 0) rptGlobalPrinters()->GetPrinter()->ShowPropertiesDialog();
  };
  Button1->OnClick = [this](TObject*) {
    TOpenDialog open(nullptr);
    open.SetDefaultExt(rptTextById(8408));
    open.SetFilter(rptTextById(8409));
    if (open.Execute()) LoadSettings(open.FileName());
  };
  Button2->OnClick = [this](TObject*) {
    TSaveDialog save(nullptr);
    save.SetDefaultExt(rptTextById(8410));
    save.SetFilter(rptTextById(8411));
    if (save.Execute()) SaveSettings(save.FileName());
  };
}

void TrptPrnInit::ShowCommands() {
  CheckListBox1->Items()->Clear();
  const int t = FExport->SelectedType;
  if (t < 0 || t >= static_cast<int>(FExport->PrinterTypes.size())) return;
  const auto& commands = FExport->PrinterTypes[static_cast<size_t>(t)].Commands;
  for (size_t i = 0; i < commands.size(); ++i) {
    CheckListBox1->Items()->Add(commands[i].Name);
    CheckListBox1->SetChecked(static_cast<int>(i), commands[i].Trigger);
  }
}

void TrptPrnInit::CB1Click() {
  const int index = CB1->ItemIndex();
  if (index < 0) return;
  // The spooler list and the class library's printer enumerate the printers alike; both follow,
  // so the raw job goes where the dialog says.
  rptGlobalPrinters()->SetPrinterIndex(index);
  if (Printer() && index < Printer()->Printers()->Count()) Printer()->SetPrinterIndex(index);
}

void TrptPrnInit::ComboBox1Change() {
  if (ComboBox1->ItemIndex() < 0) return;
  FExport->SelectedType = ComboBox1->ItemIndex();
  ShowCommands();
}

void TrptPrnInit::CheckListBox1ClickCheck() {
  const int t = FExport->SelectedType;
  if (t < 0 || t >= static_cast<int>(FExport->PrinterTypes.size())) return;
  auto& commands = FExport->PrinterTypes[static_cast<size_t>(t)].Commands;
  for (size_t i = 0; i < commands.size() && static_cast<int>(i) < CheckListBox1->Items()->Count(); ++i)
    commands[i].Trigger = CheckListBox1->Checked(static_cast<int>(i));
}

void TrptPrnInit::LoadSettings(const std::string& FileName) {
  FExport->LoadPrinterInit(FileName);
  ComboBox1->SetItemIndex(FExport->SelectedType);
  ShowCommands();
}

void TrptPrnInit::SaveSettings(const std::string& FileName) { FExport->SavePrinterInit(FileName); }

bool TrptPrnInit::Validate(std::string& Error) const {
  if (!ExpDlgNumberOk(E1->Text(), 1, 9999)) {
    Error = "'" + E1->Text() + "' is not a valid number of copies";
    return false;
  }
  return true;
}

void TrptPrnInit::DoHide() {
  // Without OK the printer chosen before is current again.
  if (ModalResult() != mrOk && FOldIndex >= 0) {
    rptGlobalPrinters()->SetPrinterIndex(FOldIndex);
    if (Printer() && FOldIndex < Printer()->Printers()->Count()) Printer()->SetPrinterIndex(FOldIndex);
  }
  TForm::DoHide();
}

int rptRunExportDialog(TrptCustomExportFilter* Filter, TForm* Dialog, const std::function<void()>& Fill,
                       const std::function<void()>& Read, const std::string& SaveFilter,
                       const std::string& DefaultExt) {
  if (Filter->Stream) return mrOk;
  if (Fill) Fill();
  int result = Dialog->ShowModal();
  if (result != mrOk) return result;
  if (Read) Read();
  TSaveDialog save(nullptr);
  if (!Filter->DefaultPath.empty()) save.SetInitialDir(Filter->DefaultPath);
  save.SetFilter(SaveFilter);
  save.SetDefaultExt(DefaultExt);
  save.SetFileName(ExtractFileName(Filter->FileName));
  if (!save.Execute()) return mrCancel;
  Filter->FileName = save.FileName();
  return mrOk;
}

void rptFillBindings(const std::vector<TrptExportBinding>& Bindings) {
  for (const auto& b : Bindings) b.Box->SetChecked(*b.Value);
}

void rptReadBindings(const std::vector<TrptExportBinding>& Bindings) {
  for (const auto& b : Bindings) *b.Value = b.Box->Checked();
}
