// The report library's printers over the platform spooler.
#include "report/output/rptprinters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/strutils.h"
#include "platform/win/wingdi.h"
#include "platform/win/winspool.h"
#include "platform/win/winuser.h"
#include "report/core/rptbands.h"
#include "report/core/rptres.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptPrinterCanvas, TCanvas)
ORV_CLASS_IMPL(TrptCustomPrinter, TObject)
ORV_CLASS_IMPL(TrptPrinter, TrptCustomPrinter)
ORV_CLASS_IMPL(TrptVirtualPrinter, TrptCustomPrinter)
ORV_CLASS_IMPL(TrptPrinters, TObject)

namespace {

// A fixed-width name field of a capability list: up to Width bytes, not always terminated.
std::string FieldText(const char* P, size_t Width) { return std::string(P, strnlen(P, Width)); }

int ObjectNumber(TStringList* L, int I) { return static_cast<int>(reinterpret_cast<intptr_t>(L->Objects(I))); }
void AddNumber(TStringList* L, const std::string& Name, int N) {
  L->AddObject(Name, reinterpret_cast<TObject*>(static_cast<intptr_t>(N)));
}

int IndexOfNumber(TStringList* L, int N) {
  for (int i = 0; i < L->Count(); ++i)
    if (ObjectNumber(L, i) == N) return i;
  return -1;
}

int NumberOfName(TStringList* L, const std::string& Name) {
  for (int i = 0; i < L->Count(); ++i)
    if (AnsiCompareText(L->Strings(i), Name) == 0) return ObjectNumber(L, i);
  return L->Count() ? ObjectNumber(L, 0) : 0;
}

}  // namespace

// ---- canvas ----

void TrptPrinterCanvas::UpdateFont() {
  if (!Printer || Printer->DPI.y <= 0) return;
  TFont* f = Font();
  if (f->PixelsPerInch() == Printer->DPI.y) return;
  const int size = f->Size();
  f->SetPixelsPerInch(Printer->DPI.y);
  f->SetSize(size);
}

// ---- base printer ----

TrptCustomPrinter::TrptCustomPrinter(const std::string& AName, const std::string& APort)
    : Name(AName), Port(APort), Bins(std::make_unique<TStringList>()), Papers(std::make_unique<TStringList>()),
      FCanvas(std::make_unique<TrptPrinterCanvas>(this)) {
  rptInstallPreviewTexts();
  AddNumber(Bins.get(), rptGet("prDefault"), DMBIN_AUTO);
  AddNumber(Papers.get(), rptGet("prCustom"), DMPAPER_USER);
}

TrptCustomPrinter::~TrptCustomPrinter() = default;

int TrptCustomPrinter::IndexOfBin(int Number) const { return IndexOfNumber(Bins.get(), Number); }
int TrptCustomPrinter::IndexOfPaper(int Number) const { return IndexOfNumber(Papers.get(), Number); }
int TrptCustomPrinter::BinNumberOfName(const std::string& AName) const { return NumberOfName(Bins.get(), AName); }
int TrptCustomPrinter::PaperNumberOfName(const std::string& AName) const {
  return NumberOfName(Papers.get(), AName);
}

// ---- spooler printer ----

TrptPrinter::TrptPrinter(const std::string& AName, const std::string& APort) : TrptCustomPrinter(AName, APort) {}

TrptPrinter::~TrptPrinter() {
  FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  if (FHandle) ClosePrinter(FHandle);
}

void TrptPrinter::Init() {
  if (Initialized) return;
  if (!OpenPrinter(Name.c_str(), &FHandle, nullptr)) {
    FHandle = nullptr;
    return;
  }
  const LONG size = DocumentProperties(nullptr, FHandle, Name.c_str(), nullptr, nullptr, 0);
  if (size <= 0) return;
  auto mode = std::make_unique<DEVMODEA>();
  std::memset(mode.get(), 0, sizeof(DEVMODEA));
  if (DocumentProperties(nullptr, FHandle, Name.c_str(), mode.get(), nullptr, DM_OUT_BUFFER) < 0) return;
  FDevMode = std::move(mode);
  FDC = CreateIC(FDriver.c_str(), Name.c_str(), nullptr, FDevMode.get());
  if (!FDC) {
    FDevMode.reset();
    return;
  }
  FCanvas->SetHandle(FDC);
  ReadMetrics();
  DefPaper = FDevMode->dmPaperSize;
  DefPaperWidth = PaperWidth;
  DefPaperHeight = PaperHeight;
  DefOrientation = FDevMode->dmOrientation != DMORIENT_PORTRAIT;
  Paper = DefPaper;
  Orientation = DefOrientation;
  const char* port = Port.empty() ? nullptr : Port.c_str();
  const int papers = DeviceCapabilities(Name.c_str(), port, DC_PAPERS, nullptr, FDevMode.get());
  if (papers > 0) {
    const int n = std::min(papers, 256);
    std::vector<WORD> numbers(static_cast<size_t>(papers));
    std::vector<char> names(static_cast<size_t>(papers) * 64 + 1, 0);
    DeviceCapabilities(Name.c_str(), port, DC_PAPERS, reinterpret_cast<char*>(numbers.data()), FDevMode.get());
    DeviceCapabilities(Name.c_str(), port, DC_PAPERNAMES, names.data(), FDevMode.get());
    for (int i = 0; i < n; ++i)
      if (numbers[static_cast<size_t>(i)] != DMPAPER_USER)
        AddNumber(Papers.get(), FieldText(&names[static_cast<size_t>(i) * 64], 64), numbers[static_cast<size_t>(i)]);
  }
  const int bins = DeviceCapabilities(Name.c_str(), port, DC_BINS, nullptr, FDevMode.get());
  if (bins > 0) {
    std::vector<WORD> numbers(static_cast<size_t>(bins));
    std::vector<char> names(static_cast<size_t>(bins) * 24 + 1, 0);
    DeviceCapabilities(Name.c_str(), port, DC_BINS, reinterpret_cast<char*>(numbers.data()), FDevMode.get());
    DeviceCapabilities(Name.c_str(), port, DC_BINNAMES, names.data(), FDevMode.get());
    for (int i = 0; i < bins; ++i)
      if (numbers[static_cast<size_t>(i)] != DMBIN_AUTO)
        AddNumber(Bins.get(), FieldText(&names[static_cast<size_t>(i) * 24], 24), numbers[static_cast<size_t>(i)]);
  }
  Bin = -1;
  Initialized = true;
}

void TrptPrinter::ReadMetrics() {
  DPI.x = GetDeviceCaps(FDC, LOGPIXELSX);
  DPI.y = GetDeviceCaps(FDC, LOGPIXELSY);
  if (DPI.x == 0 || DPI.y == 0) throw Exception("Printer selected is not valid");
  PaperHeight = GetDeviceCaps(FDC, PHYSICALHEIGHT) / static_cast<Extended>(DPI.y) * 25.4;
  PaperWidth = GetDeviceCaps(FDC, PHYSICALWIDTH) / static_cast<Extended>(DPI.x) * 25.4;
  LeftMargin = GetDeviceCaps(FDC, PHYSICALOFFSETX) / static_cast<Extended>(DPI.x) * 25.4;
  TopMargin = GetDeviceCaps(FDC, PHYSICALOFFSETY) / static_cast<Extended>(DPI.y) * 25.4;
  RightMargin = PaperWidth - GetDeviceCaps(FDC, HORZRES) / static_cast<Extended>(DPI.x) * 25.4 - LeftMargin;
  BottomMargin = PaperHeight - GetDeviceCaps(FDC, VERTRES) / static_cast<Extended>(DPI.y) * 25.4 - TopMargin;
}

void TrptPrinter::RecreateDC() {
  if (!FDevMode) return;
  FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  FDC = Printing ? CreateDC(FDriver.c_str(), Name.c_str(), nullptr, FDevMode.get())
                 : CreateIC(FDriver.c_str(), Name.c_str(), nullptr, FDevMode.get());
  if (!FDC) throw Exception("Printer selected is not valid");
  FCanvas->SetHandle(FDC);
  ReadMetrics();
  FCanvas->UpdateFont();
}

void TrptPrinter::SetPaperForView(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight) {
  if (!FDevMode) return;
  if (PaperSize == DMPAPER_USER) {
    SetPaperForView(DMPAPER_A4, Landscape, 0, 0);
    PaperWidth = APaperWidth;
    PaperHeight = APaperHeight;
  } else {
    FDevMode->dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    FDevMode->dmPaperSize = static_cast<short>(PaperSize);
    FDevMode->dmOrientation = Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    RecreateDC();
  }
  Paper = PaperSize;
  Orientation = Landscape;
}

void TrptPrinter::SetPaperForPrinting(int PaperSize, bool Landscape, Extended APaperWidth, Extended APaperHeight,
                                      int ABin, int Duplex) {
  if (!FDevMode) return;
  FDevMode->dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE;
  if (Duplex != 1) FDevMode->dmFields |= DM_DUPLEX;
  if (PaperSize == DMPAPER_USER) {
    FDevMode->dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    FDevMode->dmPaperLength = static_cast<short>(std::lround(APaperHeight * 10));
    FDevMode->dmPaperWidth = static_cast<short>(std::lround(APaperWidth * 10));
  }
  FDevMode->dmPaperSize = static_cast<short>(PaperSize);
  FDevMode->dmOrientation = Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  FDevMode->dmCopies = 1;
  FDevMode->dmDefaultSource = static_cast<short>(Bin != -1 ? Bin : ABin);
  if (Duplex == 4)
    FDevMode->dmDuplex = DMDUP_SIMPLEX;
  else if (Duplex != 1)
    FDevMode->dmDuplex = static_cast<short>(Duplex);
  if (FDC) {
    ResetDC(FDC, FDevMode.get());
    ResetDC(FDC, FDevMode.get());
    FCanvas->SetHandle(FDC);
    ReadMetrics();
    FCanvas->UpdateFont();
  }
  Paper = PaperSize;
  Orientation = Landscape;
}

void TrptPrinter::BeginDoc() {
  Printing = true;
  DOCINFOA info{};
  info.cbSize = sizeof(info);
  info.lpszDocName = Title.c_str();
  info.lpszOutput = FileName.empty() ? nullptr : FileName.c_str();
  RecreateDC();
  if (StartDoc(FDC, &info) <= 0) {
    Printing = false;
    RecreateDC();
    throw Exception("Printing failed: " + SysErrorMessage(GetLastError()));
  }
}

void TrptPrinter::BeginPage() {
  if (FDC) StartPage(FDC);
}
void TrptPrinter::EndPage() {
  if (FDC) ::EndPage(FDC);
}

void TrptPrinter::EndDoc() {
  if (FDC) ::EndDoc(FDC);
  Printing = false;
  RecreateDC();
  Bin = -1;
}

void TrptPrinter::Abort() {
  if (FDC) AbortDoc(FDC);
  Printing = false;
  RecreateDC();
  Bin = -1;
}

void TrptPrinter::BeginRawJob() {
  RecreateDC();
  if (!FHandle) return;
  DOC_INFO_1A info{};
  std::string title = Title;
  std::string type = "RAW";
  info.pDocName = title.data();
  info.pOutputFile = nullptr;
  info.pDatatype = type.data();
  StartDocPrinter(FHandle, 1, &info);
  StartPagePrinter(FHandle);
}

void TrptPrinter::WriteRaw(const std::string& Text) {
  if (!FHandle) return;
  DWORD written = 0;
  WritePrinter(FHandle, Text.data(), static_cast<DWORD>(Text.size()), &written);
}

void TrptPrinter::EndRawJob() {
  if (!FHandle) return;
  EndPagePrinter(FHandle);
  EndDocPrinter(FHandle);
}

void TrptPrinter::ShowPropertiesDialog() {
  if (!FHandle || !FDevMode) return;
  if (DocumentProperties(GetActiveWindow(), FHandle, Name.c_str(), FDevMode.get(), FDevMode.get(),
                         DM_IN_BUFFER | DM_IN_PROMPT | DM_OUT_BUFFER) == IDOK) {
    Bin = FDevMode->dmDefaultSource;
    RecreateDC();
  }
}

// ---- virtual printer ----

void TrptVirtualPrinter::Init() {
  if (Initialized) return;
  DPI = POINT{600, 600};
  DefPaper = DMPAPER_A4;
  DefOrientation = false;
  DefPaperWidth = 210;
  DefPaperHeight = 297;
  for (const TrptPaperEntry& p : rptPaperTable()) AddNumber(Papers.get(), "", p.Number);
  Bin = -1;
  SetPaperForView(DefPaper, false, DefPaperWidth, DefPaperHeight);
  Initialized = true;
}

void TrptVirtualPrinter::SetPaperForView(int PaperSize, bool Landscape, Extended APaperWidth,
                                         Extended APaperHeight) {
  Extended w = 0, h = 0;
  if (PaperSize != DMPAPER_USER && rptPaperSizeMM(PaperSize, w, h)) {
    Paper = PaperSize;
    PaperWidth = Landscape ? h : w;
    PaperHeight = Landscape ? w : h;
  } else {
    Paper = DMPAPER_USER;
    PaperWidth = APaperWidth;
    PaperHeight = APaperHeight;
  }
  Orientation = Landscape;
  LeftMargin = TopMargin = RightMargin = BottomMargin = 5;
}

void TrptVirtualPrinter::SetPaperForPrinting(int PaperSize, bool Landscape, Extended APaperWidth,
                                             Extended APaperHeight, int ABin, int) {
  SetPaperForView(PaperSize, Landscape, APaperWidth, APaperHeight);
  Bin = ABin;
}

// ---- the list ----

TrptPrinters::TrptPrinters() : FNames(std::make_unique<TStringList>()) { FillPrinters(); }

TrptPrinters::~TrptPrinters() = default;

void TrptPrinters::FillPrinters() {
  FPrinters.clear();
  FNames->Clear();
  FPrinterIndex = -1;
  DWORD needed = 0, returned = 0;
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  EnumPrinters(flags, nullptr, 4, nullptr, 0, &needed, &returned);
  if (needed > 0) {
    std::vector<BYTE> buf(needed);
    if (EnumPrinters(flags, nullptr, 4, buf.data(), needed, &needed, &returned)) {
      const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buf.data());
      for (DWORD i = 0; i < returned; ++i) {
        const std::string name = info[i].pPrinterName ? info[i].pPrinterName : "";
        FPrinters.push_back(std::make_unique<TrptPrinter>(name, ""));
        FNames->Add(name);
      }
    }
  }
  if (!FPrinters.empty()) {
    FHasPhysicalPrinters = true;
    // The whole profile value, however long the printer's name is.
    std::string device;
    for (DWORD size = 256;; size *= 2) {
      std::vector<char> buf(size, 0);
      const DWORD got = GetProfileString("windows", "device", "", buf.data(), size);
      if (got + 1 < size || size >= (1u << 20)) {
        device.assign(buf.data(), strnlen(buf.data(), size));
        break;
      }
    }
    const std::string name = device.substr(0, device.find(','));
    int index = IndexOf(name);
    // A default that is not installed (any more) leaves the first printer current, so that
    // printing always has a printer to work with.
    if (index < 0) index = 0;
    SetPrinterIndex(index);
  } else {
    FHasPhysicalPrinters = false;
    FPrinters.push_back(std::make_unique<TrptVirtualPrinter>(rptGet("prVirtual"), ""));
    FNames->Add(rptGet("prVirtual"));
    SetPrinterIndex(0);
  }
}

TrptCustomPrinter* TrptPrinters::GetItems(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return FPrinters[static_cast<size_t>(Index)].get();
}

int TrptPrinters::IndexOf(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiCompareText(FPrinters[static_cast<size_t>(i)]->Name, Name) == 0) return i;
  return -1;
}

void TrptPrinters::SetPrinterIndex(int Value) {
  if (Value != -1) GetItems(Value)->Init();
  FPrinterIndex = Value;
}

TrptCustomPrinter* TrptPrinters::GetPrinter() const { return GetItems(FPrinterIndex); }

namespace {
std::unique_ptr<TrptPrinters>& GlobalPrinters() {
  static std::unique_ptr<TrptPrinters> printers;
  return printers;
}
}  // namespace

TrptPrinters* rptGlobalPrinters() {
  if (!GlobalPrinters()) GlobalPrinters() = std::make_unique<TrptPrinters>();
  return GlobalPrinters().get();
}

void rptFreeGlobalPrinters() { GlobalPrinters().reset(); }
