// The page image exports: prepared pages drawn into bitmaps and saved as BMP, TIFF (our own
// uncompressed writer) or JPEG files, one file per page or all pages one below the other.
#pragma once

#include <memory>
#include <string>

#include "report/core/rptservices.h"

class TBitmap;

class TrptCustomImageExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptCustomImageExport, TrptCustomExportFilter)
public:
  explicit TrptCustomImageExport(TComponent* AOwner);
  explicit TrptCustomImageExport(TUnregistered U);
  ~TrptCustomImageExport() override;
  static void Publish(TPublisher<TrptCustomImageExport>& P);

  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;
  // Writes the finished bitmap; the file name is FileName with FileSuffix before the extension.
  virtual void SaveImage();
  // The file the current image goes to.
  std::string ImageFileName(const std::string& Extension) const;

  bool CropImages = true;
  int JPEGQuality = 90;
  bool Monochrome = false;
  int Resolution = 96;
  bool SeparateFiles = true;

protected:
  TBitmap* Image() const { return FBitmap.get(); }
  std::string FileSuffix;

private:
  void NewBitmap();
  void FinishImage();
  std::unique_ptr<TBitmap> FBitmap;
  Extended FScale = 1;
  int FMinX = 0, FMinY = 0, FMaxX = 0, FMaxY = 0, FYOffset = 0, FPageCounter = 0;
  bool FFirstPage = true;
};

class TrptBMPExport : public TrptCustomImageExport {
  ORV_CLASS(TrptBMPExport, TrptCustomImageExport)
public:
  using TrptCustomImageExport::TrptCustomImageExport;
  std::string GetMenuCaption() override;
  void SaveImage() override;
};

class TrptTIFFExport : public TrptCustomImageExport {
  ORV_CLASS(TrptTIFFExport, TrptCustomImageExport)
public:
  using TrptCustomImageExport::TrptCustomImageExport;
  std::string GetMenuCaption() override;
  void SaveImage() override;
};

class TrptJPEGExport : public TrptCustomImageExport {
  ORV_CLASS(TrptJPEGExport, TrptCustomImageExport)
public:
  using TrptCustomImageExport::TrptCustomImageExport;
  std::string GetMenuCaption() override;
  void SaveImage() override;
};

// Writes Bitmap as an uncompressed little-endian TIFF file with Resolution dots per inch.
void rptSaveTIFF(TBitmap* Bitmap, int Resolution, TStream* Stream);
