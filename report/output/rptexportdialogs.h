// The option dialogs of the export filters: a page range and the filter's check boxes (PDF,
// spreadsheet automation, SpreadsheetML, HTML, RTF), the page-image dialog and the text export's
// dialog. Each is filled from its filter, shown modally, checked before it closes and read back,
// after which the save dialog asks for the file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"

class TGroupBox;
class TRadioButton;
class TEdit;
class TLabel;
class TCheckBox;
class TButton;
class TUpDown;
class TMemo;
class TPanel;
class TSpeedButton;
class TComboBox;
class TCheckListBox;
class TrptCustomExportFilter;
class TrptTXTExport;
class TrptReport;

// Page range group, a group of options and OK / Cancel. The check boxes are made from the text
// keys given, in that order; OK is refused while the page list is not a list of page numbers.
class TrptExportDialog : public TForm {
  ORV_CLASS(TrptExportDialog, TForm)
public:
  TrptExportDialog(TComponent* AOwner, int CaptionId, const std::vector<int>& OptionIds);
  TGroupBox* GroupPageRange;
  TRadioButton *AllRB, *CurPageRB, *PageNumbersRB;
  TEdit* PageNumbersE;
  TLabel* DescrL;
  TGroupBox* GroupOptions;
  std::vector<TCheckBox*> Options;
  TButton *OkB, *CancelB;
  // False with a message in Error when the dialog may not close with OK.
  virtual bool Validate(std::string& Error) const;
  // The page range chosen: CurPage, or the page list, or all pages.
  void ReadRange(TrptCustomExportFilter* Filter) const;

protected:
  TCheckBox* AddOption(TWinControl* Parent, int TextId, int Top);
};

class TrptPDFExportDialog : public TrptExportDialog {
  ORV_CLASS(TrptPDFExportDialog, TrptExportDialog)
public:
  explicit TrptPDFExportDialog(TComponent* AOwner);
  TCheckBox *CompressedCB, *EmbeddedCB, *PrintOptCB, *OutlineCB, *BackgrCB, *OpenCB;
};

class TrptXLSExportDialog : public TrptExportDialog {
  ORV_CLASS(TrptXLSExportDialog, TrptExportDialog)
public:
  explicit TrptXLSExportDialog(TComponent* AOwner);
  TCheckBox *StylesCB, *PicturesCB, *MergeCB, *WCB, *OpenExcelCB, *AsTextCB, *BackgrCB, *FastExpCB, *PageBreaksCB;
};

class TrptXMLExportDialog : public TrptExportDialog {
  ORV_CLASS(TrptXMLExportDialog, TrptExportDialog)
public:
  explicit TrptXMLExportDialog(TComponent* AOwner);
  TCheckBox *StylesCB, *PageBreaksCB, *WCB, *OpenExcelCB, *BackgrCB;
};

class TrptHTMLExportDialog : public TrptExportDialog {
  ORV_CLASS(TrptHTMLExportDialog, TrptExportDialog)
public:
  explicit TrptHTMLExportDialog(TComponent* AOwner);
  TCheckBox *StylesCB, *PicsSameCB, *PicturesCB, *OpenCB, *FixedWidthCB, *NavigatorCB, *MultipageCB, *MozillaCB,
      *BackgrCB;
};

class TrptRTFExportDialog : public TrptExportDialog {
  ORV_CLASS(TrptRTFExportDialog, TrptExportDialog)
public:
  explicit TrptRTFExportDialog(TComponent* AOwner);
  TCheckBox *PicturesCB, *PageBreaksCB, *WCB, *OpenCB;
};

// The page images: page range with separate files, JPEG quality, resolution, cropping, black and
// white. Quality must be 1 to 100 and the resolution 1 to 2400 dots per inch.
class TrptIMGExportDialog : public TrptExportDialog {
  ORV_CLASS(TrptIMGExportDialog, TrptExportDialog)
public:
  explicit TrptIMGExportDialog(TComponent* AOwner);
  TCheckBox* SeparateCB;
  TLabel *Label2, *Label1;
  TEdit *Quality, *Resolution;
  TCheckBox *CropPage, *Mono;
  bool Validate(std::string& Error) const override;
};

// The text export: cell properties, page list, scales (10 to 500 per cent), frames and printing
// after the export.
class TrptTXTExportDialog : public TForm {
  ORV_CLASS(TrptTXTExportDialog, TForm)
public:
  explicit TrptTXTExportDialog(TComponent* AOwner);
  TGroupBox* GroupCellProp;
  TCheckBox *CB_PageBreaks, *CB_OEM, *CB_EmptyLines, *CB_LeadSpaces;
  TGroupBox* GroupPageRange;
  TLabel *Pages, *Descr;
  TEdit* E_Range;
  TGroupBox* GroupScaleSettings;
  TLabel *ScX, *ScY;
  TEdit *E_ScaleX, *E_ScaleY;
  TUpDown *UpDown1, *UpDown2;
  TGroupBox* GroupFramesSettings;
  TRadioButton *RB_NoneFrames, *RB_Simple, *RB_Graph;
  TCheckBox *CB_PrintAfter, *CB_Save;
  TButton *OkB, *CancelB;
  // The preview: BtnPreview shows Panel2 with one page (EPage) exported as text into Preview.
  TPanel* Panel1;
  TSpeedButton* BtnPreview;
  TPanel* Panel2;
  TGroupBox* GroupBox1;
  TMemo* Preview;
  TLabel *Label1, *Label3, *PgWidth, *PgHeight, *LBPage;
  TEdit* EPage;
  TUpDown* PageUpDown;
  TSpeedButton *ToolButton1, *ToolButton2;
  // The report whose prepared pages the preview exports, the export that owns the dialog and
  // the number of prepared pages (set before the dialog shows).
  TrptReport* Report = nullptr;
  TrptTXTExport* Export = nullptr;
  void SetPagesCount(int Count);
  bool Validate(std::string& Error) const;
  // "Graphic" frames only with the OEM code page; a chosen "Graphic" moves to "Simple".
  void CB_OEMClick();
  // Down: the dialog widens to the left and shows the preview; up: it narrows back.
  void BtnPreviewClick();
  bool PreviewShown() const { return FPreviewShown; }
  // Exports the page chosen in EPage with the dialog's settings and shows the text.
  void RefreshPreview();

private:
  bool FPreviewShown = false, FWidened = false, FRefreshing = false;
};

// The printer dialog of printing after a text export: the printer, the number of copies and the
// printer type with its commands (written into the export while the dialog runs), loaded from
// and saved to ".fpi" files. Cancel makes the printer chosen before current again.
class TImage;

class TrptPrnInit : public TForm {
  ORV_CLASS(TrptPrnInit, TForm)
public:
  TrptPrnInit(TComponent* AOwner, TrptTXTExport* AExport);
  TGroupBox* GroupBox1;
  TLabel* Label4;
  // The printer picture (18 x 16, olive transparent) that CB1 draws before each printer name.
  TImage* Image1;
  TComboBox* CB1;
  TButton* PropButton;
  TGroupBox* GroupBox3;
  TLabel* Label2;
  TEdit* E1;
  TUpDown* UpDown1;
  TGroupBox* GroupBox2;
  TLabel* Label1;
  TComboBox* ComboBox1;
  TCheckListBox* CheckListBox1;
  TButton *Button1, *Button2;
  TButton *OkB, *CancelB;
  void CB1Click();
  void ComboBox1Change();
  void CheckListBox1ClickCheck();
  // Lists the selected type's commands with their flags.
  void ShowCommands();
  // Reads or writes the printer-command settings file, then shows the type again.
  void LoadSettings(const std::string& FileName);
  void SaveSettings(const std::string& FileName);
  bool Validate(std::string& Error) const;
  void DoHide() override;

private:
  TrptTXTExport* FExport;
  int FOldIndex = -1;
};

// Shows Dialog for Filter: Fill sets the boxes before, Read takes them back after OK; then the
// save dialog (Filter text and default extension) gives the file name. A filter writing into a
// stream gets OK at once without any dialog.
int rptRunExportDialog(TrptCustomExportFilter* Filter, TForm* Dialog, const std::function<void()>& Fill,
                       const std::function<void()>& Read, const std::string& SaveFilter,
                       const std::string& DefaultExt);

// Check boxes and the Booleans they stand for: Fill puts the values into the boxes, Read takes
// the boxes' states back.
struct TrptExportBinding {
  TCheckBox* Box;
  bool* Value;
};
void rptFillBindings(const std::vector<TrptExportBinding>& Bindings);
void rptReadBindings(const std::vector<TrptExportBinding>& Bindings);
