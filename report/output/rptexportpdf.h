// The PDF export filter: runs the export protocol into a PDF document writer.
#pragma once

#include <memory>
#include <string>

#include "report/core/rptservices.h"

class TrptPDFFile;
class TrptPDFPage;

class TrptPDFExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptPDFExport, TrptCustomExportFilter)
public:
  explicit TrptPDFExport(TComponent* AOwner);
  explicit TrptPDFExport(TUnregistered U);
  ~TrptPDFExport() override;
  static void Publish(TPublisher<TrptPDFExport>& P);

  std::string GetMenuCaption() override;
  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;

  bool Compressed = true;
  bool EmbeddedFonts = false;
  bool OpenAfterExport = false;
  bool PrintOptimized = false;
  bool Outline = false;
  std::string Author;
  std::string Subject;
  bool Background = false;
  std::string Creator;
  bool HTMLTags = true;

private:
  void Init();
  std::unique_ptr<TrptPDFFile> FPDF;
  TrptPDFPage* FPage = nullptr;
};

// Shared by the filters: a FileName without a folder gets DefaultPath in front.
std::string rptExportFullName(const std::string& FileName, const std::string& DefaultPath);
// Reports an export failure: into the report's error list in silent mode, otherwise in an error box.
void rptExportError(TrptReport* Report, const std::string& Message);
// The save dialog of an export: starts in DefaultPath with the filter and default extension
// given; mrOk with the chosen FileName, mrCancel when cancelled. A filter writing into a stream
// needs no file: mrOk at once.
int rptExportSaveDialog(TrptCustomExportFilter* Filter, const std::string& FilterText, const std::string& DefaultExt);
// Opens an exported file with the system's viewer.
void rptExportOpenFile(const std::string& FileName);
