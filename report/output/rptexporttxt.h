// The text export: text objects of each page placed on a character grid (one cell = 7 x 8
// pixels, scaled), framed with ASCII or OEM box-drawing characters, wrapped and aligned in their
// cell blocks, written line by line; optionally sent, after a printer-command string, straight
// to a printer as a raw job.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "report/core/rptservices.h"
#include "report/core/rptview.h"

class TFileStream;

struct TrptPrinterCommand {
  std::string Name, SequenceOn, SequenceOff;
  bool Trigger = false;
};

struct TrptPrinterType {
  std::string Name;
  std::vector<TrptPrinterCommand> Commands;
};

class TrptTXTExport : public TrptCustomExportFilter {
  ORV_CLASS(TrptTXTExport, TrptCustomExportFilter)
public:
  explicit TrptTXTExport(TComponent* AOwner);
  explicit TrptTXTExport(TUnregistered U);
  ~TrptTXTExport() override;
  static void Publish(TPublisher<TrptTXTExport>& P);

  std::string GetMenuCaption() override;
  int ShowOptionsDialog() override;
  bool Start() override;
  void StartPage(TrptPage* Page, int Index) override;
  void ExportObject(TrptComponent* Obj) override;
  void FinishPage(TrptPage* Page, int Index) override;
  void Finish() override;

  // The init string of the selected printer type from its commands.
  void MakeInitString();
  // Printer-command settings files (".fpi").
  void LoadPrinterInit(const std::string& FileName);
  void SavePrinterInit(const std::string& FileName);
  // Sends the exported file to the current printer as raw jobs (Copies times); false when no
  // printer takes it.
  bool PrintFile();

  double ScaleWidth = 1, ScaleHeight = 1;
  bool Borders = false, Pseudogrpahic = false, PageBreaks = true, OEMCodepage = false, EmptyLines = false,
       LeadSpaces = false, PrintAfter = false, PrinterDialog = true, UseSavedProps = true, ShowProgress = true;
  std::string InitString, CustomFrameSet;
  std::vector<TrptPrinterType> PrinterTypes;
  int SelectedType = 0;
  int Copies = 1;
  bool PreviewMode = false;
  int MaxWidth = 0, LinesCount = 0;

private:
  void Init();
  std::string FrameSet() const;
  void DrawMemo(TrptCustomMemoView* M, int X, int Y, int DX, int DY, int StyleHAlign, int StyleVAlign);
  void SetChar(int X, int Y, char C);
  char GetChar(int X, int Y) const;
  void Junctions();
  void WritePage();
  std::unique_ptr<TFileStream> FFile;
  std::vector<std::unique_ptr<TrptMemoView>> FObjects;
  std::vector<double> FXs, FYs;
  double FMaxRight = 0, FMaxBottom = 0;
  std::vector<std::string> FGrid;
  int FGridW = 0, FGridH = 0;
};
