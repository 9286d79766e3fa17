// The SpreadsheetML export: the cell matrix as one Excel XML workbook with a single worksheet.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/printers.h"
#include "report/core/rptservices.h"

class TrptIEMatrix;

class TrptXMLExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptXMLExport, TrptCustomExportFilter)
public:
  explicit TrptXMLExport(TComponent* AOwner);
  explicit TrptXMLExport(TUnregistered U);
  ~TrptXMLExport() override;
  static void Publish(TPublisher<TrptXMLExport>& P);

  std::string GetMenuCaption() override;
  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;

  bool ExportStyles = true, ExportPageBreaks = true, OpenExcelAfterExport = false, ShowProgress = true,
       Wysiwyg = true, Background = true;
  std::string Creator;

private:
  void WriteWorkbook(TStream* S);
  std::unique_ptr<TrptIEMatrix> FMatrix;
  bool FFirstPage = true;
  double FBottom = 0, FLeft = 0, FRight = 0, FTop = 0;
  TPrinterOrientation FOrientation = poPortrait;
};
