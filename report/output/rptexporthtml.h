// The HTML export: the cell matrix as HTML 4.01 tables with one CSS class per cell style, pictures
// beside the document, links between pages, optionally one file per page and a frameset with a
// page navigator.
#pragma once

#include <memory>
#include <string>

#include "report/core/rptservices.h"

class TrptIEMatrix;
class TBitmap;
class TStream;

class TrptHTMLExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptHTMLExport, TrptCustomExportFilter)
public:
  explicit TrptHTMLExport(TComponent* AOwner);
  explicit TrptHTMLExport(TUnregistered U);
  ~TrptHTMLExport() override;
  static void Publish(TPublisher<TrptHTMLExport>& P);

  std::string GetMenuCaption() override;
  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;

  bool OpenAfterExport = false, FixedWidth = true, ExportPictures = true, PicsInSameFolder = false,
       ExportStyles = true, Navigator = false, Multipage = false, MozillaFrames = false, ShowProgress = true,
       UseJpeg = true, AbsLinks = false, Background = false;

private:
  void Init();
  void MakeMatrix();
  void WriteDocument(TStream* Out);
  void WriteNavigator(TStream* Out);
  void WriteFrameset(TStream* Out);
  std::string SavePicture(TBitmap* Bmp, const std::string& Name);
  std::string Title() const;
  std::unique_ptr<TrptIEMatrix> FMatrix;
  std::unique_ptr<TBitmap> FBackground;
  bool FHasBackground = false;
  int FPageCount = 0, FPictureCount = 0;
  std::string FFolderPath;   // where side files are saved (absolute)
  std::string FLinkPath;     // prefix of references inside documents
  std::string FFramePrefix;  // prefix of the frameset's references
};
