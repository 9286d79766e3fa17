// The spreadsheet export through automation: the cell matrix driven into "Excel.Application"
// (columns, rows, styles, values, merged ranges, borders, page setup) and saved as a workbook.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/variant.h"
#include "platform/vcl/printers.h"
#include "report/core/rptservices.h"
#include "report/core/rptstyles.h"

class TrptIEMatrix;
class TrptIEMObject;
class TrptProgress;

// A cell address of the grouped writer with the value it is grouped by (style index, frame sides
// as bits, or 0 for merged ranges); for row heights the value is the index of the height.
struct TrptExcelAddress {
  std::string Address;
  int Value = 0;
};

// The automation objects of one export. Every call that the program may not offer is guarded.
class TrptExcel {
public:
  void Open();
  void SetVisible(bool Value);
  static std::string ColumnName(int N);
  static std::string CellAddress(int Column, int Row);
  void SetColumnWidth(int Column, double Width);
  void SetRowHeight(int Row, double Height);
  void MergeRange();
  void SetPageSetup(TPrinterOrientation Orientation, double Bottom, double Top, double Right, double Left);
  void SetRange(int Column, int Row, int Rows, int Columns);
  void SetStyle(const std::string& Address, int StyleIndex);
  void SetFrame(const std::string& Address, TrptFrameTypes Sides);
  void SetRangeFrame(TrptFrameTypes Sides);
  // Applies the addresses in list order, joining those of equal value (at most 255 characters a
  // call). Kind 0 styles, 1 frames, 2 merged ranges. Progress may be null.
  void ApplyRanges(const std::vector<TrptExcelAddress>& List, int Kind, TrptProgress* Progress);
  // All rows 1..Rows get the most frequent height, then the row ranges of the other heights
  // (Heights indexed by TrptExcelAddress::Value) are applied joined.
  void SetRowHeights(const std::vector<TrptExcelAddress>& List, const std::vector<double>& Heights, int Frequent,
                     int Rows, TrptProgress* Progress);
  bool IsOpened = false;
  Variant Excel, Workbook, Worksheet, Range;
};

// Frame sides as bits (left 1, right 2, top 4, bottom 8) and back.
int rptFrameBits(TrptFrameTypes Sides);
TrptFrameTypes rptFrameFromBits(int Bits);

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
  void WriteCommon(bool Fast);
  void WriteCellByCell();
  void WriteFast();
  void PasteImage(TrptIEMObject* Obj, int& Counter, bool Nudge);
  void OpenProgress(int Max, const std::string& Text);
  bool Cancelled() const;
  std::unique_ptr<TrptIEMatrix> FMatrix;
  std::unique_ptr<TrptExcel> FExcel;
  std::unique_ptr<TrptProgress> FProgress;
  bool FFirstPage = true;
  double FPageLeft = 0, FPageTop = 0, FPageRight = 0, FPageBottom = 0;
  TPrinterOrientation FOrientation = poPortrait;
};
