// The RTF export: the cell matrix as RTF table rows with borders, backgrounds, fonts, alignment,
// pictures as metafiles around their bitmaps, spliced rich text, and section breaks with each
// page's size and margins.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "report/core/rptservices.h"

class TrptIEMatrix;
class TrptIEMObject;
class TrptIEMStyle;
class TBitmap;

class TrptRTFExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptRTFExport, TrptCustomExportFilter)
public:
  explicit TrptRTFExport(TComponent* AOwner);
  explicit TrptRTFExport(TUnregistered U);
  ~TrptRTFExport() override;
  static void Publish(TPublisher<TrptRTFExport>& P);

  std::string GetMenuCaption() override;
  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;

  // Moves the font and colour tables of an RTF document into this document's tables and returns
  // its body with the fonts and colours renumbered.
  std::string SpliceRichText(const std::string& Rtf);
  // The picture of a bitmap as an RTF picture group (a metafile around the bitmap).
  static std::string PictureGroup(TBitmap* Bitmap, double Width, double Height);

  bool ExportPageBreaks = true, ExportPictures = true, OpenAfterExport = false, ShowProgress = true, Wysiwyg = true;
  std::string Creator;
  std::vector<std::string> FontTable, ColorTable;

private:
  int ColorNumber(int32_t Color);
  int FontNumber(const std::string& Name);
  std::string Borders(TrptIEMStyle* S);
  void WriteDocument(TStream* S);
  std::unique_ptr<TrptIEMatrix> FMatrix;
  int FPageCount = 0;
};
