// The report library's printers: the process-wide list of installed printers with the current
// one, each printer's papers, bins, margins and resolution, drawing jobs through a printer
// device context and raw jobs through the spooler, and a substitute printer when none exists.
// Sizes are millimetres; paper and bin numbers are the device-mode numbers (256 = custom paper).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/win/windef.h"

class TStringList;
struct DEVMODEA;
class TrptCustomPrinter;

// A canvas on a printer; its font is kept at the printer's vertical resolution.
class TrptPrinterCanvas : public TCanvas {
  ORV_CLASS(TrptPrinterCanvas, TCanvas)
public:
  explicit TrptPrinterCanvas(TrptCustomPrinter* APrinter) : Printer(APrinter) {}
  // Re-reads the font size at the printer's resolution.
  void UpdateFont();
  TrptCustomPrinter* Printer;
};

class TrptCustomPrinter : public TObject {
  ORV_CLASS(TrptCustomPrinter, TObject)
public:
  TrptCustomPrinter(const std::string& AName, const std::string& APort);
  ~TrptCustomPrinter() override;
  virtual void Init() = 0;
  virtual void Abort() = 0;
  virtual void BeginDoc() = 0;
  virtual void BeginPage() = 0;
  virtual void BeginRawJob() = 0;
  virtual void EndDoc() = 0;
  virtual void EndPage() = 0;
  virtual void EndRawJob() = 0;
  virtual void WriteRaw(const std::string& Text) = 0;
  virtual void SetPaperForView(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight) = 0;
  virtual void SetPaperForPrinting(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight,
                                   int ABin, int Duplex) = 0;
  virtual void ShowPropertiesDialog() = 0;

  // Position of a number in Bins / Papers, -1 when absent.
  int IndexOfBin(int Number) const;
  int IndexOfPaper(int Number) const;
  // Number stored under a name (case-insensitive); the first entry's number for an unknown name.
  int BinNumberOfName(const std::string& AName) const;
  int PaperNumberOfName(const std::string& AName) const;

  std::string Name, Port, Title, FileName;
  int Bin = -1;
  std::unique_ptr<TStringList> Bins;    // name -> number (in the object)
  std::unique_ptr<TStringList> Papers;  // name -> number (in the object)
  TrptPrinterCanvas* Canvas() const { return FCanvas.get(); }
  int DefPaper = 0;
  bool DefOrientation = false;
  Extended DefPaperWidth = 0, DefPaperHeight = 0;
  int Paper = 0;
  bool Orientation = false;
  Extended PaperWidth = 0, PaperHeight = 0;
  Extended LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
  POINT DPI{0, 0};
  bool Initialized = false;
  bool Printing = false;

protected:
  std::unique_ptr<TrptPrinterCanvas> FCanvas;
};

// A printer of the spooler.
class TrptPrinter : public TrptCustomPrinter {
  ORV_CLASS(TrptPrinter, TrptCustomPrinter)
public:
  TrptPrinter(const std::string& AName, const std::string& APort);
  ~TrptPrinter() override;
  void Init() override;
  void Abort() override;
  void BeginDoc() override;
  void BeginPage() override;
  void BeginRawJob() override;
  void EndDoc() override;
  void EndPage() override;
  void EndRawJob() override;
  void WriteRaw(const std::string& Text) override;
  void SetPaperForView(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight) override;
  void SetPaperForPrinting(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight, int ABin,
                           int Duplex) override;
  void ShowPropertiesDialog() override;
  HDC DC() const { return FDC; }

private:
  void RecreateDC();
  void ReadMetrics();
  HANDLE FHandle = nullptr;
  std::unique_ptr<DEVMODEA> FDevMode;
  HDC FDC = nullptr;
  std::string FDriver;
};

// The substitute printer when no printer is installed: A4, 600 dpi, 5 mm margins, no device.
class TrptVirtualPrinter : public TrptCustomPrinter {
  ORV_CLASS(TrptVirtualPrinter, TrptCustomPrinter)
public:
  using TrptCustomPrinter::TrptCustomPrinter;
  void Init() override;
  void Abort() override {}
  void BeginDoc() override {}
  void BeginPage() override {}
  void BeginRawJob() override {}
  void EndDoc() override {}
  void EndPage() override {}
  void EndRawJob() override {}
  void WriteRaw(const std::string&) override {}
  void SetPaperForView(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight) override;
  void SetPaperForPrinting(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight, int ABin,
                           int Duplex) override;
  void ShowPropertiesDialog() override {}
};

class TrptPrinters : public TObject {
  ORV_CLASS(TrptPrinters, TObject)
public:
  TrptPrinters();
  ~TrptPrinters() override;
  // Enumerates the printers again and chooses the default one.
  void FillPrinters();
  int Count() const { return static_cast<int>(FPrinters.size()); }
  TrptCustomPrinter* GetItems(int Index) const;
  int IndexOf(const std::string& Name) const;
  int PrinterIndex() const { return FPrinterIndex; }
  void SetPrinterIndex(int Value);
  // The current printer; ERangeError when there is none.
  TrptCustomPrinter* GetPrinter() const;
  TStringList* Printers() const { return FNames.get(); }
  bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }

private:
  std::vector<std::unique_ptr<TrptCustomPrinter>> FPrinters;
  std::unique_ptr<TStringList> FNames;
  int FPrinterIndex = -1;
  bool FHasPhysicalPrinters = false;
};

// The process's printer list, made on first use.
TrptPrinters* rptGlobalPrinters();
// Frees the list (the next rptGlobalPrinters enumerates again).
void rptFreeGlobalPrinters();
