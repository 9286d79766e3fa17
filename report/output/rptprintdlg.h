// The print dialog (printer, pages, copies, collation, print to file) and the printing of
// prepared pages through the report library's printer list.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TLabel;
class TEdit;
class TComboBox;
class TRadioButton;
class TCheckBox;
class TGroupBox;
class TButton;
class TUpDown;
class TPaintBox;
class TSaveDialog;
class TrptReport;
class TrptCustomPreviewPages;

class TrptPrintDialog : public TForm {
  ORV_CLASS(TrptPrintDialog, TForm)
public:
  explicit TrptPrintDialog(TComponent* AOwner);

  TGroupBox* Label12;
  TComboBox* PrintersCB;
  TLabel *TypeL, *TypeL1, *WhereL, *WhereL1;
  TButton* PropButton;
  TCheckBox *FileCB, *ReverseCB;
  TGroupBox* Label1;
  TRadioButton *AllRB, *CurPageRB, *PageNumbersRB;
  TEdit* PageNumbersE;
  TLabel* DescrL;
  TGroupBox* Label2;
  TLabel* CopiesL;
  TEdit* CopiesE;
  TUpDown* UpDown1;
  TCheckBox* CollateCB;
  TLabel* CollateL;
  TPaintBox* CopiesPB;
  TLabel* PrintL;
  TComboBox* PrintPagesCB;
  TButton *OkB, *CancelB;
  TSaveDialog* FileDlg;

  // Fills the printer list from the global printers (what showing the dialog does).
  void LoadPrinters();
  // The global printer list's current printer becomes the one chosen in PrintersCB.
  void PrintersCBClick();
  // Checks the copies and page numbers; on failure Error tells why.
  bool Validate(std::string& Error) const;
  // On OK: the output file when printing to a file (the chosen name with ".prn"); false when
  // the file dialog was cancelled. Any other result brings the earlier printer back.
  bool FinishDialog(bool Ok, const std::string& ChosenFile);

  void DoShow() override;
  void DoHide() override;

private:
  int FOldIndex = -1;
  bool FFinished = false;
};

// How prepared pages are printed.
struct TrptPrintSettings {
  int Copies = 1;
  bool Collate = true;
  std::string PageNumbers;  // empty = all pages
  int PrintPages = 0;       // 0 all, 1 odd, 2 even
  bool Reverse = false;
};

// Prints the pages on the current printer of the global printer list: the report's printer
// is chosen first; with ShowDialog the print dialog asks (CurPage, from 0, is the page that
// "current page" means). False when cancelled or nothing is to be printed.
bool rptPrintPreparedPages(TrptCustomPreviewPages* Pages, TrptReport* Report, int CurPage, bool ShowDialog);
// Prints with settings given (no dialog).
bool rptPrintPreparedPages(TrptCustomPreviewPages* Pages, TrptReport* Report, const TrptPrintSettings& Settings);
