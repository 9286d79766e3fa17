// The print dialog: printer, pages, copies and collation.
#include <algorithm>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/printers.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TPrintDialog, TCommonDialog)
ORV_CLASS_IMPL(TPrinterSetupDialog, TCommonDialog)

namespace {

class TPrintForm : public TForm {
public:
  explicit TPrintForm(TComponent* Owner) : TForm(Owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }

protected:
  void CreateParams(TCreateParams& P) override {
    TForm::CreateParams(P);
    P.WinClassName = "#32770";
  }
};

template <class T>
T* Place(TForm* f, const char* name, const char* caption, int x, int y, int w, int h) {
  auto* c = new T(f);
  c->SetName(name);
  c->SetParent(f);
  c->SetBounds(x, y, w, h);
  if (caption) c->SetCaption(caption);
  return c;
}

// The printer a dialog shows first: the one chosen before, else Printer()'s current one (none
// when there is no printer to choose).
int StartIndex(int chosen) {
  if (chosen >= 0) return chosen;
  try {
    return Printer()->Printing() ? 0 : Printer()->PrinterIndex();
  } catch (const EPrinter&) {
    return 0;
  }
}

// Makes the chosen printer Printer()'s current one (not while it prints a document).
void ChoosePrinter(int index) {
  if (index >= 0 && !Printer()->Printing()) Printer()->SetPrinterIndex(index);
}

}  // namespace

std::vector<std::string> TPrintDialog::Printers() {
  std::vector<std::string> out;
  TStrings* names = Printer()->Printers();
  for (int i = 0; i < names->Count(); ++i) out.push_back(names->Strings(i));
  return out;
}

std::string TPrintDialog::PrinterName() const {
  auto p = Printers();
  int i = FPrinterIndex >= 0 ? FPrinterIndex : StartIndex(-1);
  return i >= 0 && i < static_cast<int>(p.size()) ? p[static_cast<size_t>(i)] : "";
}

bool TPrintDialog::Execute() {
  std::vector<std::string> printers = Printers();
  TPrintForm f(nullptr);
  f.SetCaption("Print");
  f.SetClientWidth(360);
  f.SetClientHeight(220);
  auto* printer = Place<TComboBox>(&f, "PrinterCombo", nullptr, 8, 8, 344, 21);
  printer->SetStyle(csDropDownList);
  for (auto& p : printers) printer->Items()->Add(p);
  printer->SetItemIndex(std::clamp(StartIndex(FPrinterIndex), 0, static_cast<int>(printers.size()) - 1));
  auto* all = Place<TRadioButton>(&f, "AllRadio", "&All", 8, 40, 160, 20);
  auto* selection = Place<TRadioButton>(&f, "SelectionRadio", "S&election", 8, 64, 160, 20);
  selection->SetEnabled(FOptions.Contains(poSelection));
  auto* pages = Place<TRadioButton>(&f, "PagesRadio", "&Pages", 8, 88, 70, 20);
  pages->SetEnabled(FOptions.Contains(poPageNums));
  auto* from = Place<TEdit>(&f, "FromEdit", nullptr, 80, 88, 40, 21);
  auto* to = Place<TEdit>(&f, "ToEdit", nullptr, 128, 88, 40, 21);
  from->SetText(IntToStr(FFromPage));
  to->SetText(IntToStr(FToPage));
  from->SetEnabled(pages->Enabled());
  to->SetEnabled(pages->Enabled());
  (FPrintRange == prSelection && selection->Enabled() ? selection
   : FPrintRange == prPageNums && pages->Enabled() ? pages
                                                   : all)
      ->SetChecked(true);
  // Typing a page number chooses the page range.
  auto pick = [pages](TObject*) { pages->SetChecked(true); };
  from->OnChange = pick;
  to->OnChange = pick;
  auto* copies = Place<TEdit>(&f, "CopiesEdit", nullptr, 260, 40, 50, 21);
  copies->SetText(IntToStr(std::max(1, FCopies)));
  auto* collate = Place<TCheckBox>(&f, "CollateCheck", "C&ollate", 200, 68, 150, 20);
  collate->SetChecked(FCollate);
  auto* toFile = Place<TCheckBox>(&f, "PrintToFileCheck", "Print to &file", 200, 92, 150, 20);
  toFile->SetChecked(FPrintToFile);
  toFile->SetVisible(FOptions.Contains(poPrintToFile));
  toFile->SetEnabled(!FOptions.Contains(poDisablePrintToFile));

  auto warn = [&](const std::string& text, TWinControl* focus) {
    MessageBox(f.Handle(), text, "Print", MB_OK | MB_ICONWARNING);
    f.SetActiveControl(focus);
    return false;
  };
  int nCopies = 1, nFrom = 0, nTo = 0;
  auto check = [&]() {
    if (!TryStrToInt(Trim(copies->Text()), nCopies) || nCopies < 1 || nCopies > 9999)
      return warn("The number of copies must be between 1 and 9999.", copies);
    if (pages->Checked()) {
      std::string range = "Enter a number between " + IntToStr(FMinPage) + " and " + IntToStr(FMaxPage) + ".";
      if (!TryStrToInt(Trim(from->Text()), nFrom) || nFrom < FMinPage || nFrom > FMaxPage)
        return warn("This value is not within the page range.\n" + range, from);
      if (!TryStrToInt(Trim(to->Text()), nTo) || nTo < FMinPage || nTo > FMaxPage)
        return warn("This value is not within the page range.\n" + range, to);
      if (nFrom > nTo) return warn("The 'From' page must not be greater than the 'To' page.", from);
    }
    return true;
  };
  auto* ok = Place<TButton>(&f, "OKButton", "OK", 196, 188, 75, 25);
  ok->SetDefault(true);
  ok->OnClick = [&](TObject*) {
    if (check()) f.SetModalResult(mrOk);
  };
  auto* cancel = Place<TButton>(&f, "CancelButton", "Cancel", 277, 188, 75, 25);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  f.SetActiveControl(ok);
  if (OnShow) OnShow(this);
  bool accepted = f.ShowModal() == mrOk;
  if (OnClose) OnClose(this);
  if (!accepted) return false;
  FPrinterIndex = std::max(0, printer->ItemIndex());
  ChoosePrinter(FPrinterIndex);
  FCopies = nCopies;
  FCollate = collate->Checked();
  FPrintToFile = toFile->Visible() && toFile->Checked();
  FPrintRange = pages->Checked() ? prPageNums : selection->Checked() ? prSelection : prAllPages;
  if (FPrintRange == prPageNums) {
    FFromPage = nFrom;
    FToPage = nTo;
  }
  return true;
}

bool TPrinterSetupDialog::Execute() {
  std::vector<std::string> printers = TPrintDialog::Printers();
  TPrintForm f(nullptr);
  f.SetCaption("Print Setup");
  f.SetClientWidth(360);
  f.SetClientHeight(80);
  auto* printer = Place<TComboBox>(&f, "PrinterCombo", nullptr, 8, 8, 344, 21);
  printer->SetStyle(csDropDownList);
  for (auto& p : printers) printer->Items()->Add(p);
  printer->SetItemIndex(std::clamp(StartIndex(FPrinterIndex), 0, static_cast<int>(printers.size()) - 1));
  auto* ok = Place<TButton>(&f, "OKButton", "OK", 196, 48, 75, 25);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = Place<TButton>(&f, "CancelButton", "Cancel", 277, 48, 75, 25);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  f.SetActiveControl(printer);
  if (OnShow) OnShow(this);
  bool accepted = f.ShowModal() == mrOk;
  if (OnClose) OnClose(this);
  if (accepted) {
    FPrinterIndex = std::max(0, printer->ItemIndex());
    ChoosePrinter(FPrinterIndex);
  }
  return accepted;
}
