// The page settings dialog.
#include "report/output/rptpagesetup.h"

#include <memory>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/stdctrls.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/output/rptprinters.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptPageSettingsForm, TForm)

namespace {

TLabel* NewLabel(TComponent* Owner, TWinControl* Parent, int X, int Y, int W) {
  auto* l = new TLabel(Owner);
  l->SetParent(Parent);
  l->SetBounds(X, Y, W, 14);
  return l;
}

TEdit* NewEdit(TComponent* Owner, TWinControl* Parent, int X, int Y) {
  auto* e = new TEdit(Owner);
  e->SetParent(Parent);
  e->SetBounds(X, Y, 60, 21);
  return e;
}

TGroupBox* NewGroup(TComponent* Owner, TWinControl* Parent, int X, int Y, int W, int H) {
  auto* g = new TGroupBox(Owner);
  g->SetParent(Parent);
  g->SetBounds(X, Y, W, H);
  return g;
}

TRadioButton* NewRadio(TComponent* Owner, TWinControl* Parent, int X, int Y, int W) {
  auto* r = new TRadioButton(Owner);
  r->SetParent(Parent);
  r->SetBounds(X, Y, W, 17);
  return r;
}

// Reads a number the way the dialog shows it; false when the text is not one.
bool ParseNumber(const std::string& Text, Extended& Value) {
  try {
    Value = rptTextToFloat(Text);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

TrptPageSettingsForm::TrptPageSettingsForm(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption("Page Settings");
  SetClientWidth(400);
  SetClientHeight(290);
  SizeGB = NewGroup(this, this, 8, 4, 236, 120);
  WidthL = NewLabel(this, SizeGB, 10, 20, 60);
  WidthE = NewEdit(this, SizeGB, 76, 16);
  UnitL1 = NewLabel(this, SizeGB, 142, 20, 30);
  HeightL = NewLabel(this, SizeGB, 10, 48, 60);
  HeightE = NewEdit(this, SizeGB, 76, 44);
  UnitL2 = NewLabel(this, SizeGB, 142, 48, 30);
  SizeL = NewLabel(this, SizeGB, 10, 76, 60);
  SizeCB = new TComboBox(this);
  SizeCB->SetParent(SizeGB);
  SizeCB->SetStyle(csDropDownList);
  SizeCB->SetBounds(10, 90, 216, 21);
  OrientationGB = NewGroup(this, this, 252, 4, 140, 120);
  PortraitRB = NewRadio(this, OrientationGB, 10, 40, 120);
  LandscapeRB = NewRadio(this, OrientationGB, 10, 70, 120);
  MarginsGB = NewGroup(this, this, 8, 128, 384, 78);
  LeftL = NewLabel(this, MarginsGB, 10, 22, 50);
  MarginLeftE = NewEdit(this, MarginsGB, 62, 18);
  UnitL3 = NewLabel(this, MarginsGB, 126, 22, 30);
  TopL = NewLabel(this, MarginsGB, 10, 50, 50);
  MarginTopE = NewEdit(this, MarginsGB, 62, 46);
  UnitL4 = NewLabel(this, MarginsGB, 126, 50, 30);
  RightL = NewLabel(this, MarginsGB, 196, 22, 50);
  MarginRightE = NewEdit(this, MarginsGB, 250, 18);
  UnitL5 = NewLabel(this, MarginsGB, 314, 22, 30);
  BottomL = NewLabel(this, MarginsGB, 196, 50, 50);
  MarginBottomE = NewEdit(this, MarginsGB, 250, 46);
  UnitL6 = NewLabel(this, MarginsGB, 314, 50, 30);
  OtherGB = NewGroup(this, this, 8, 210, 220, 70);
  ApplyToCurRB = NewRadio(this, OtherGB, 10, 20, 200);
  ApplyToAllRB = NewRadio(this, OtherGB, 10, 44, 200);
  ApplyToCurRB->SetChecked(true);
  OKB = new TButton(this);
  OKB->SetParent(this);
  OKB->SetBounds(236, 255, 75, 25);
  OKB->SetDefault(true);
  OKB->SetModalResult(mrOk);
  CancelB = new TButton(this);
  CancelB->SetParent(this);
  CancelB->SetBounds(317, 255, 75, 25);
  CancelB->SetCancel(true);
  CancelB->SetModalResult(mrCancel);

  PortraitRB->OnClick = [this](TObject*) { OrientationClick(); };
  LandscapeRB->OnClick = [this](TObject*) { OrientationClick(); };
  SizeCB->OnClick = [this](TObject*) { SizeChanged(); };
  SizeCB->OnSelect = [this](TObject*) { SizeChanged(); };
  WidthE->OnChange = [this](TObject*) { SizeEdited(); };
  HeightE->OnChange = [this](TObject*) { SizeEdited(); };
  // A value that is not a number (or a unit the dialog cannot convert) keeps the dialog open
  // and the page as it was.
  OKB->OnClick = [this](TObject*) {
    std::string error;
    if (!Validate(error)) {
      SetModalResult(mrNone);
      rptShowError(error);
    }
  };
}

bool TrptPageSettingsForm::ApplyToAll() const { return ApplyToAllRB->Checked(); }

Extended TrptPageSettingsForm::ToUnits(Extended MM) const {
  switch (Units) {
    case 1: return MM / 25.4;
    case 0:
    case 2:
    case 3: return MM / 10;
    default: return 0;
  }
}

Extended TrptPageSettingsForm::FromUnits(Extended Value) const {
  switch (Units) {
    case 1: return Value * 25.4;
    case 0:
    case 2:
    case 3: return Value * 10;
    default: return 0;
  }
}

void TrptPageSettingsForm::LoadPage() {
  Updating = true;
  SetCaption(rptTextById(400));
  WidthL->SetCaption(rptTextById(401));
  HeightL->SetCaption(rptTextById(402));
  SizeL->SetCaption(rptTextById(403));
  OrientationGB->SetCaption(rptTextById(404));
  LeftL->SetCaption(rptTextById(405));
  TopL->SetCaption(rptTextById(406));
  RightL->SetCaption(rptTextById(407));
  BottomL->SetCaption(rptTextById(408));
  MarginsGB->SetCaption(rptTextById(409));
  PortraitRB->SetCaption(rptTextById(410));
  LandscapeRB->SetCaption(rptTextById(411));
  OKB->SetCaption(rptTextById(1));
  CancelB->SetCaption(rptTextById(2));
  OtherGB->SetCaption(rptTextById(412));
  ApplyToCurRB->SetCaption(rptTextById(413));
  ApplyToAllRB->SetCaption(rptTextById(414));
  Units = 0;
  if (Report) {
    std::unique_ptr<TCustomIniFile> ini(Report->OpenSettingsStore());
    if (ini) Units = ini->ReadInteger("Form.TrptDesignerForm", "Units", 0);
  }
  const std::string unit = Units == 1 ? rptGet("uInch") : (Units >= 0 && Units <= 3) ? rptGet("uCm") : "";
  for (TLabel* l : {UnitL1, UnitL2, UnitL3, UnitL4, UnitL5, UnitL6}) l->SetCaption(unit);
  TrptCustomPrinter* printer = rptGlobalPrinters()->PrinterIndex() >= 0 ? rptGlobalPrinters()->GetPrinter() : nullptr;
  SizeCB->Items()->Clear();
  if (printer) SizeCB->Items()->Assign(printer->Papers.get());
  if (Page) {
    int index = printer ? printer->IndexOfPaper(Page->PaperSize()) : -1;
    if (index < 0 && printer) index = printer->IndexOfPaper(256);
    SizeCB->SetItemIndex(index);
    WidthE->SetText(rptFloatToText(ToUnits(Page->PaperWidth())));
    HeightE->SetText(rptFloatToText(ToUnits(Page->PaperHeight())));
    MarginLeftE->SetText(rptFloatToText(ToUnits(Page->LeftMargin)));
    MarginTopE->SetText(rptFloatToText(ToUnits(Page->TopMargin)));
    MarginRightE->SetText(rptFloatToText(ToUnits(Page->RightMargin)));
    MarginBottomE->SetText(rptFloatToText(ToUnits(Page->BottomMargin)));
    PortraitRB->SetChecked(Page->Orientation() == poPortrait);
    LandscapeRB->SetChecked(Page->Orientation() == poLandscape);
  }
  Updating = false;
  OrientationClick();
}

void TrptPageSettingsForm::OrientationClick() { SizeChanged(); }

void TrptPageSettingsForm::SizeChanged() {
  if (Updating || rptGlobalPrinters()->PrinterIndex() < 0) return;
  Extended w = 0, h = 0;
  if (!ParseNumber(WidthE->Text(), w) || !ParseNumber(HeightE->Text(), h)) return;
  Updating = true;
  TrptCustomPrinter* printer = rptGlobalPrinters()->GetPrinter();
  const int paper = printer->PaperNumberOfName(SizeCB->Text());
  try {
    printer->SetPaperForView(paper, LandscapeRB->Checked(), FromUnits(w), FromUnits(h));
    WidthE->SetText(rptFloatToText(ToUnits(printer->PaperWidth)));
    HeightE->SetText(rptFloatToText(ToUnits(printer->PaperHeight)));
  } catch (...) {
    Updating = false;
    throw;
  }
  Updating = false;
}

void TrptPageSettingsForm::SizeEdited() {
  if (Updating) return;
  if (SizeCB->Items()->Count() > 0) SizeCB->SetItemIndex(0);
}

bool TrptPageSettingsForm::Validate(std::string& Error) const {
  if (Units < 0 || Units > 3) {
    Error = "Unknown measurement unit " + IntToStr(Units) + "; the page settings stay unchanged";
    return false;
  }
  const std::pair<TEdit*, TLabel*> fields[] = {{WidthE, WidthL},         {HeightE, HeightL},
                                               {MarginLeftE, LeftL},     {MarginTopE, TopL},
                                               {MarginRightE, RightL},   {MarginBottomE, BottomL}};
  for (const auto& [edit, label] : fields) {
    Extended v = 0;
    if (!ParseNumber(edit->Text(), v)) {
      Error = "'" + edit->Text() + "' is not a valid number (" + label->Caption() + ")";
      return false;
    }
    if (v < 0) {
      Error = "'" + edit->Text() + "' must not be negative (" + label->Caption() + ")";
      return false;
    }
  }
  return true;
}

bool TrptPageSettingsForm::ApplyToPage() {
  std::string error;
  if (!Page || !Validate(error)) return false;
  Extended w = 0, h = 0, l = 0, t = 0, r = 0, b = 0;
  ParseNumber(WidthE->Text(), w);
  ParseNumber(HeightE->Text(), h);
  ParseNumber(MarginLeftE->Text(), l);
  ParseNumber(MarginTopE->Text(), t);
  ParseNumber(MarginRightE->Text(), r);
  ParseNumber(MarginBottomE->Text(), b);
  int paper = 256;
  if (rptGlobalPrinters()->PrinterIndex() >= 0)
    paper = rptGlobalPrinters()->GetPrinter()->PaperNumberOfName(SizeCB->Text());
  Page->SetOrientation(LandscapeRB->Checked() ? poLandscape : poPortrait);
  Page->SetPaperWidth(FromUnits(w));
  Page->SetPaperHeight(FromUnits(h));
  Page->SetPaperSize(paper);
  Page->LeftMargin = FromUnits(l);
  Page->RightMargin = FromUnits(r);
  Page->TopMargin = FromUnits(t);
  Page->BottomMargin = FromUnits(b);
  Page->AlignChildren();
  return true;
}

void TrptPageSettingsForm::DoShow() {
  LoadPage();
  TForm::DoShow();
}

void TrptPageSettingsForm::DoHide() {
  if (ModalResult() == mrOk && !FApplied) {
    FApplied = true;
    if (!ApplyToPage()) SetModalResult(mrCancel);
  }
  TForm::DoHide();
}
