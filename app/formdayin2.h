// The print window TFormdayin2 ("Print"): loads the picking-sheet template, prepares it over the
// staging database, the catalog and the settings, and shows the pages in its preview, from which
// the user prints, sets up the page, zooms, pages through and exports.
//
// Each "Print Selected" makes a new window (owned by the main window); closing a window frees
// it. The window's report reads only the window's own datasets, also while older print windows
// with datasets of the same names are open.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TADOQuery;
class TBitBtn;
class TFormSeeMain;
class TMenuItem;
class TPopupMenu;
class TStatusBar;
class TToolBar;
class TrptDBDataset;
class TrptPreview;
class TrptReport;
class TrptReportComponent;
class TrptCustomExportFilter;
class TrptXLSExport;
class TrptRTFExport;
class TrptHTMLExport;
class TrptPDFExport;
class TrptBMPExport;
class TrptJPEGExport;
class TrptTIFFExport;
class TrptTXTExport;

class TFormdayin2 : public TForm {
  ORV_CLASS(TFormdayin2, TForm)
public:
  TFormdayin2(TComponent* Owner, TFormSeeMain* Main);
  ~TFormdayin2() override;

  // Opens the datasets (a2 and a5 with their print statements, a3 and the memo again), loads
  // TemplateFile (a missing file leaves the report empty), prepares it and, when that succeeds,
  // shows the pages in the preview.
  void PrepareSheet(const std::string& TemplateFile);

  // ---- event handlers ----
  void fr1BeforePrint(TrptReportComponent* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void BitBtn1Click(TObject* Sender);   // "Print"
  void BitBtn11Click(TObject* Sender);  // "Set"
  void BitBtn7Click(TObject* Sender);   // "100%"
  void BitBtn8Click(TObject* Sender);   // "Full page"
  void BitBtn9Click(TObject* Sender);   // "Page width"
  void BitBtn10Click(TObject* Sender);  // "Pages"
  void BitBtn3Click(TObject* Sender);   // "First"
  void BitBtn4Click(TObject* Sender);   // "Previous"
  void BitBtn5Click(TObject* Sender);   // "Next"
  void BitBtn6Click(TObject* Sender);   // "End"
  void BitBtn12Click(TObject* Sender);  // "Copy To": the export menu
  void BitBtn13Click(TObject* Sender);  // "Close"
  void rptP1PageChanged(TObject* Sender, int PageNo);
  // The export menu: each item exports the prepared pages with the window's filter.
  void EXCEL2Click(TObject* Sender);
  void RTF2Click(TObject* Sender);
  void html2Click(TObject* Sender);
  void PDF2Click(TObject* Sender);
  void BMP2Click(TObject* Sender);
  void JPG2Click(TObject* Sender);
  void tif2Click(TObject* Sender);
  void txt2Click(TObject* Sender);
  void WndProc(TMessage& Message) override;

  // ---- components (names as the window knows them) ----
  TToolBar* ToolBar1 = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TBitBtn* BitBtn11 = nullptr;
  TBitBtn* BitBtn7 = nullptr;
  TBitBtn* BitBtn8 = nullptr;
  TBitBtn* BitBtn9 = nullptr;
  TBitBtn* BitBtn10 = nullptr;
  TBitBtn* BitBtn3 = nullptr;
  TBitBtn* BitBtn4 = nullptr;
  TBitBtn* BitBtn5 = nullptr;
  TBitBtn* BitBtn6 = nullptr;
  TBitBtn* BitBtn12 = nullptr;
  TBitBtn* BitBtn13 = nullptr;
  TrptPreview* rptP1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* EXCEL2 = nullptr;
  TMenuItem* RTF2 = nullptr;
  TMenuItem* html2 = nullptr;
  TMenuItem* PDF2 = nullptr;
  TMenuItem* BMP2 = nullptr;
  TMenuItem* JPG2 = nullptr;
  TMenuItem* tif2 = nullptr;
  TMenuItem* txt2 = nullptr;
  TrptReport* fr1 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;  // a1: the catalog
  TADOQuery* ADOQuery2 = nullptr;  // a2: the staged photos
  TADOQuery* ADOQuery3 = nullptr;  // a3: the studio
  TADOQuery* ADOQuery5 = nullptr;  // a5: the design requirements
  TADOQuery* ADOQuery6 = nullptr;  // rptDBDataset3: the folder memo
  TrptDBDataset* rptDBDataset1 = nullptr;
  TrptDBDataset* rptDBDataset2 = nullptr;
  TrptDBDataset* rptDBDataset3 = nullptr;
  TrptDBDataset* rptDBDataset4 = nullptr;
  TrptDBDataset* rptDBDataset5 = nullptr;
  // The export filters, with the settings the window keeps for them.
  TrptXLSExport* rptXLSExport1 = nullptr;
  TrptRTFExport* rptRTFExport1 = nullptr;
  TrptHTMLExport* rptHTMLExport1 = nullptr;
  TrptPDFExport* rptPDFExport1 = nullptr;
  TrptBMPExport* rptBMPExport1 = nullptr;
  TrptJPEGExport* rptJPEGExport1 = nullptr;
  TrptTIFFExport* rptTIFFExport1 = nullptr;
  TrptTXTExport* rptTXTExport1 = nullptr;

private:
  void CreateExportFilters();
  void ExportWith(TrptCustomExportFilter* Filter);
  void CreateDataAccess();
  void CreateControls();
  void CreateMenu();
  // Points the loaded template's dataset list, bands and views at this window's datasets.
  void BindOwnDataSets();

  TFormSeeMain* FMain;
};
