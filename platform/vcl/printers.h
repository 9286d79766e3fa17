// TPrinter: the class library's printer, reached through Printer(). It lists the printers of
// the spooler (winspool.h), keeps the current printer's device mode (orientation, copies and
// the rest), and prints documents through a printer DC: BeginDoc, drawing on Canvas, NewPage,
// EndDoc (or Abort). With the "PDF file" printer a document becomes a PDF file in the user's
// documents folder named after Title.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/windef.h"

class TCanvas;
class TStrings;
class TStringList;
class TPrinterCanvas;
struct DEVMODEA;

ORV_ENUM(TPrinterOrientation, poPortrait, poLandscape)

class TPrinter : public TObject {
  ORV_CLASS(TPrinter, TObject)
public:
  TPrinter();
  ~TPrinter() override;

  // The names of the printers, read on first use (Refresh reads them again).
  TStrings* Printers();
  void Refresh();
  // The current printer's position in Printers; setting -1 chooses the default printer.
  // EPrinter "Printer index out of range" for another value outside the list, "Printing in
  // progress" while printing.
  int PrinterIndex();
  void SetPrinterIndex(int Value);
  // The current printer with a copy of its device mode. SetPrinter chooses a printer by name
  // and takes the fields of DevMode (when given) that the printer accepts; an unknown name
  // raises "Printer selected is not valid".
  void GetPrinter(std::string& Device, std::string& Driver, std::string& Port, DEVMODEA& DevMode);
  void SetPrinter(const std::string& Device, const std::string& Driver, const std::string& Port,
                  const DEVMODEA* DevMode);

  TPrinterOrientation Orientation();
  void SetOrientation(TPrinterOrientation Value);
  int Copies();
  void SetCopies(int Value);
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }

  // A document: BeginDoc starts it with its first page; NewPage ends a page and starts the
  // next; EndDoc delivers it; Abort throws it away. Failures of the spooler raise EPrinter.
  void BeginDoc();
  void NewPage();
  void EndDoc();
  void Abort();
  bool Printing() const { return FPrinting; }
  bool Aborted() const { return FAborted; }
  int PageNumber() const { return FPageNumber; }

  // Draws on the printer: the page while printing, else an information context for measuring.
  TCanvas* Canvas();
  int PageWidth();  // printable width in device pixels
  int PageHeight();
  HDC Handle();

private:
  void CheckPrinting(bool Value);
  void Select(int Index, const DEVMODEA* DevMode);
  void ApplyDevMode();  // recreates the information context after a device mode change
  void FreeDC();

  std::unique_ptr<TStringList> FPrinters;
  std::vector<std::string> FPorts;  // the port of each printer
  std::unique_ptr<DEVMODEA> FDevMode;
  std::unique_ptr<TPrinterCanvas> FCanvas;
  std::string FDevice, FDriver, FPort, FTitle;
  int FPrinterIndex = -1;
  HDC FDC = nullptr;  // the information context, or the printer DC while printing
  bool FPrinting = false, FAborted = false;
  int FPageNumber = 0;
};

// The process's printer, made on first use.
TPrinter* Printer();
// Replaces the process's printer (owned from then on); returns the earlier one, which the
// caller then owns.
TPrinter* SetPrinter(TPrinter* NewPrinter);
