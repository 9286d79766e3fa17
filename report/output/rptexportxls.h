// The spreadsheet export through automation: the cell matrix driven into "Excel.Application"
// (columns, rows, styles, values, merged ranges, borders, page setup) and saved as a workbook.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/variant.h"
#include "platform/vcl/printers.h"
#include "report/core/rptservices.h"
#include "report/core/rptstyles.h"

class TrptIEMatrix;

// The automation objects of one export. Every call that the program may not offer is guarded.
class TrptExcel {
public:
  void Open();
  void SetVisible(bool Value);
  static std::string ColumnName(int N);
  static std::string CellAddress(int Column, int Row);
  void SetColumnWidth(int Column, double Width);
  void SetRowHeight(int Row, double Height);
  void SetRange(int Column, int Row, int Rows, int Columns);
  void SetFrame(const std::string& Address, TrptFrameTypes Sides);
  bool IsOpened = false;
  Variant Excel, Workbook, Worksheet, Range;
};

class TrptXLSExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptXLSExport, TrptCustomExportFilter)
public:
  explicit TrptXLSExport(TComponent* AOwner);
  explicit TrptXLSExport(TUnregistered U);
  ~TrptXLSExport() override;
  static void Publish(TPublisher<TrptXLSExport>& P);

  std::string GetMenuCaption() override;
  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;

  // Whether a cell text goes in as a number: it converts, and converting loses nothing (no
  // leading zeros, at most 15 digits).
  static bool IsNumberText(const std::string& Text, double& Value);

  bool ExportStyles = true, ExportPictures = true, MergeCells = true, OpenExcelAfterExport = false,
       ShowProgress = true, Wysiwyg = true, AsText = false, Background = true, FastExport = true, PageBreaks = true;

private:
  void Write();
  std::unique_ptr<TrptIEMatrix> FMatrix;
  std::unique_ptr<TrptExcel> FExcel;
  bool FFirstPage = true;
  double FPageLeft = 0, FPageTop = 0, FPageRight = 0, FPageBottom = 0;
  TPrinterOrientation FOrientation = poPortrait;
};
