// TPrinter over the spooler and printer DCs.
#include "platform/vcl/printers.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "platform/win/winspool.h"

ORV_CLASS_IMPL(TPrinter, TObject)

// The canvas of the printer: it draws on the printer's current context, and keeps its font at
// the printer's resolution so that point sizes print at their size.
class TPrinterCanvas : public TCanvas {
public:
  explicit TPrinterCanvas(TPrinter* APrinter) : FPrinter(APrinter) {}
  // Takes the printer's current context and matches the font to its resolution.
  void Attach() {
    SetHandle(FPrinter->Handle());
    MatchFont();
  }

protected:
  void CreateHandle() override { Attach(); }
  void Changing() override {
    MatchFont();
    TCanvas::Changing();
  }

private:
  void MatchFont() {
    if (!FHandle) return;
    int dpi = GetDeviceCaps(FHandle, LOGPIXELSY);
    if (dpi <= 0 || Font()->PixelsPerInch() == dpi) return;
    int size = Font()->Size();
    Font()->SetPixelsPerInch(dpi);
    Font()->SetSize(size);
  }
  TPrinter* FPrinter;
};

namespace {
std::unique_ptr<TPrinter>& GlobalPrinter() {
  // The GDI's tables must outlive the printer, which deletes its DC when the program ends:
  // using them once before the printer's holder exists makes them end after it.
  static bool gdiReady = [] {
    DeleteDC(CreateCompatibleDC(nullptr));
    return true;
  }();
  static std::unique_ptr<TPrinter> p;
  (void)gdiReady;
  return p;
}

std::string DeviceText(const char* what) {
  return std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
}
}  // namespace

TPrinter::TPrinter() : FDevMode(std::make_unique<DEVMODEA>()) {}

TPrinter::~TPrinter() {
  if (FPrinting) {
    AbortDoc(FDC);
    FPrinting = false;
  }
  if (FCanvas) FCanvas->SetHandle(nullptr);
  FreeDC();
}

void TPrinter::FreeDC() {
  if (FCanvas) FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  FDC = nullptr;
}

TStrings* TPrinter::Printers() {
  if (FPrinters) return FPrinters.get();
  FPrinters = std::make_unique<TStringList>();
  FPorts.clear();
  DWORD needed = 0, count = 0;
  EnumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 5, nullptr, 0, &needed,
               &count);
  std::vector<BYTE> buf(needed);
  if (needed && EnumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 5, buf.data(),
                             needed, &needed, &count)) {
    auto* info = reinterpret_cast<PRINTER_INFO_5A*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
      FPrinters->Add(info[i].pPrinterName);
      FPorts.push_back(info[i].pPortName);
    }
  }
  return FPrinters.get();
}

void TPrinter::Refresh() {
  CheckPrinting(false);
  std::string current = FDevice;
  FPrinters.reset();
  FreeDC();
  FPrinterIndex = -1;
  FDevice.clear();
  int at = current.empty() ? -1 : Printers()->IndexOf(current);
  if (at >= 0) Select(at, FDevMode.get());
}

void TPrinter::CheckPrinting(bool Value) {
  if (FPrinting == Value) return;
  throw EPrinter(Value ? "Printer is not currently printing" : "Printing in progress");
}

int TPrinter::PrinterIndex() {
  if (FPrinterIndex < 0) SetPrinterIndex(-1);
  return FPrinterIndex;
}

void TPrinter::SetPrinterIndex(int Value) {
  CheckPrinting(false);
  TStrings* names = Printers();
  if (Value == -1) {
    char buf[256] = {};
    DWORD size = sizeof buf;
    if (!GetDefaultPrinter(buf, &size))
      throw EPrinter("There is no default printer currently selected");
    Value = names->IndexOf(buf);
    if (Value < 0) throw EPrinter("There is no default printer currently selected");
  }
  if (Value < 0 || Value >= names->Count()) throw EPrinter("Printer index out of range");
  Select(Value, nullptr);
}

// Makes the printer at Index current with its default device mode, merged with DevMode.
void TPrinter::Select(int Index, const DEVMODEA* DevMode) {
  std::string name = Printers()->Strings(Index);
  HANDLE h = nullptr;
  if (!OpenPrinter(name.c_str(), &h, nullptr)) throw EPrinter("Printer selected is not valid");
  DEVMODEA dm{};
  DWORD mode = DM_OUT_BUFFER | (DevMode ? DWORD{DM_IN_BUFFER} : DWORD{0});
  LONG r = DocumentProperties(nullptr, h, name.c_str(), &dm, DevMode, mode);
  ClosePrinter(h);
  if (r < 0) throw EPrinter("Printer selected is not valid");
  *FDevMode = dm;
  FPrinterIndex = Index;
  FDevice = name;
  FDriver = "WINSPOOL";
  FPort = static_cast<size_t>(Index) < FPorts.size() ? FPorts[static_cast<size_t>(Index)] : "";
  ApplyDevMode();
}

void TPrinter::ApplyDevMode() {
  FreeDC();
  FDC = CreateIC(nullptr, FDevice.c_str(), nullptr, FDevMode.get());
  if (!FDC) throw EPrinter("Printer selected is not valid");
  if (FCanvas) FCanvas->Attach();
}

void TPrinter::GetPrinter(std::string& Device, std::string& Driver, std::string& Port,
                          DEVMODEA& DevMode) {
  PrinterIndex();
  Device = FDevice;
  Driver = FDriver;
  Port = FPort;
  DevMode = *FDevMode;
}

void TPrinter::SetPrinter(const std::string& Device, const std::string&, const std::string&,
                          const DEVMODEA* DevMode) {
  CheckPrinting(false);
  int at = Printers()->IndexOf(Device);
  if (at < 0) throw EPrinter("Printer selected is not valid");
  Select(at, DevMode);
}

TPrinterOrientation TPrinter::Orientation() {
  PrinterIndex();
  return FDevMode->dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation Value) {
  CheckPrinting(false);
  PrinterIndex();
  FDevMode->dmFields |= DM_ORIENTATION;
  FDevMode->dmOrientation = Value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  ApplyDevMode();
}

int TPrinter::Copies() {
  PrinterIndex();
  return FDevMode->dmCopies;
}

void TPrinter::SetCopies(int Value) {
  CheckPrinting(false);
  PrinterIndex();
  DEVMODEA want = *FDevMode;  // every field, so that only the copies change
  want.dmFields |= DM_COPIES;
  want.dmCopies = static_cast<short>(std::clamp(Value, 1, 32767));
  Select(FPrinterIndex, &want);
}

HDC TPrinter::Handle() {
  if (!FDC) PrinterIndex();
  return FDC;
}

TCanvas* TPrinter::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TPrinterCanvas>(this);
  return FCanvas.get();
}

int TPrinter::PageWidth() { return GetDeviceCaps(Handle(), HORZRES); }
int TPrinter::PageHeight() { return GetDeviceCaps(Handle(), VERTRES); }

void TPrinter::BeginDoc() {
  CheckPrinting(false);
  PrinterIndex();
  HDC dc = CreateDC(nullptr, FDevice.c_str(), nullptr, FDevMode.get());
  if (!dc) throw EPrinter("Printer selected is not valid");
  DOCINFOA info{static_cast<int>(sizeof(DOCINFOA)), FTitle.c_str(), nullptr, nullptr, 0};
  if (StartDoc(dc, &info) <= 0 || StartPage(dc) <= 0) {
    std::string why = DeviceText("The document could not be started");
    DeleteDC(dc);
    throw EPrinter(why);
  }
  FreeDC();
  FDC = dc;
  FPrinting = true;
  FAborted = false;
  FPageNumber = 1;
  if (FCanvas) FCanvas->Attach();
}

void TPrinter::NewPage() {
  CheckPrinting(true);
  if (FCanvas) FCanvas->Refresh();
  if (EndPage(FDC) <= 0 || StartPage(FDC) <= 0)
    throw EPrinter(DeviceText("The page could not be printed"));
  ++FPageNumber;
}

void TPrinter::EndDoc() {
  CheckPrinting(true);
  if (FCanvas) FCanvas->Refresh();
  bool ok = EndPage(FDC) > 0;
  ok = ::EndDoc(FDC) > 0 && ok;
  std::string why = ok ? "" : DeviceText("The document could not be printed");
  FPrinting = false;
  FPageNumber = 0;
  ApplyDevMode();
  if (!ok) throw EPrinter(why);
}

void TPrinter::Abort() {
  CheckPrinting(true);
  if (FCanvas) FCanvas->Refresh();
  AbortDoc(FDC);
  FPrinting = false;
  FAborted = true;
  FPageNumber = 0;
  ApplyDevMode();
}

TPrinter* Printer() {
  auto& p = GlobalPrinter();
  if (!p) p = std::make_unique<TPrinter>();
  return p.get();
}

TPrinter* SetPrinter(TPrinter* NewPrinter) {
  TPrinter* old = GlobalPrinter().release();
  GlobalPrinter().reset(NewPrinter);
  return old;
}
