// The printer list, device modes and page metrics shared by the spooler calls and printer DCs.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/win/spool_internal.h"

namespace {
std::mutex& ListLock() {
  static std::mutex m;
  return m;
}

TPrinterInfo PdfPrinter() {
  TPrinterInfo p;
  p.Name = PdfPrinterName;
  p.Port = PdfPrinterPort;
  p.Driver = PdfPrinterDriver;
  for (const TPaperSize& s : PaperSizes()) {
    TPrinterPaper paper;
    paper.Number = s.Number;
    paper.Name = s.Name;
    paper.Width = s.Width;
    paper.Height = s.Height;
    p.Papers.push_back(paper);  // a PDF page has no unprintable margin
  }
  p.Bins.push_back({DMBIN_AUTO, "Automatically Select"});
  p.MaxCopies = 9999;
  p.Collate = true;  // collated copies are replayed from the job's stored pages
  p.Dpi = 300;
  p.Defaults.dmPaperSize = DMPAPER_A4;
  p.Defaults = SpoolNewDevMode(p);
  return p;
}

struct TPrinterCache {
  bool Loaded = false;
  std::vector<TPrinterInfo> Printers;
  std::string CupsDefault;
};
TPrinterCache& Cache() {
  static TPrinterCache c;
  return c;
}

bool CupsWanted() {
  const char* v = std::getenv("ORVANTA_CUPS");
  return !(v && std::strcmp(v, "0") == 0);
}

void LoadLocked(bool refresh) {
  TPrinterCache& c = Cache();
  if (c.Loaded && !refresh) return;
  c.Printers.clear();
  c.CupsDefault.clear();
  c.Printers.push_back(PdfPrinter());
  if (CupsWanted())
    for (TPrinterInfo& p : CupsPrinters(c.CupsDefault))
      if (p.Name != PdfPrinterName) c.Printers.push_back(std::move(p));
  c.Loaded = true;
}

int ResolutionOf(short v, int fallback) {
  if (v > 0) return std::clamp<int>(v, 72, 1200);
  switch (v) {
    case DMRES_DRAFT:
      return 75;
    case DMRES_LOW:
      return 150;
    case DMRES_MEDIUM:
      return 300;
    case DMRES_HIGH:
      return 600;
    default:
      return fallback;
  }
}

void CopyName(BYTE* dst, size_t size, const std::string& s) {
  std::memset(dst, 0, size);
  std::memcpy(dst, s.data(), std::min(s.size(), size - 1));
}

bool SpoolIsDir(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The documents folder named in the XDG user-dirs file, when it exists.
std::string XdgDocuments(const std::string& home) {
  const char* cfg = std::getenv("XDG_CONFIG_HOME");
  std::string file = (cfg && *cfg ? std::string(cfg) : home + "/.config") + "/user-dirs.dirs";
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(key, 0) != 0) continue;
    std::string v = line.substr(key.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
    return v;
  }
  return "";
}
}  // namespace

const TPrinterPaper* TPrinterInfo::Paper(int number) const {
  for (const TPrinterPaper& p : Papers)
    if (p.Number == number) return &p;
  return nullptr;
}

std::vector<TPrinterInfo> SpoolPrinters(bool refresh) {
  std::lock_guard<std::mutex> g(ListLock());
  LoadLocked(refresh);
  return Cache().Printers;
}

bool SpoolFindPrinter(const std::string& name, TPrinterInfo& out) {
  std::lock_guard<std::mutex> g(ListLock());
  LoadLocked(false);
  for (TPrinterInfo& p : Cache().Printers)
    if (p.Name == name) {
      if (!p.Detailed) CupsReadDetails(p);
      out = p;
      return true;
    }
  return false;
}

bool SpoolPrinterExists(const std::string& name, TPrinterInfo* basic) {
  std::lock_guard<std::mutex> g(ListLock());
  LoadLocked(false);
  for (const TPrinterInfo& p : Cache().Printers)
    if (p.Name == name) {
      if (basic) *basic = p;
      return true;
    }
  return false;
}

std::string SpoolDefaultPrinter() {
  std::string cupsDefault;
  {
    std::lock_guard<std::mutex> g(ListLock());
    LoadLocked(false);
    cupsDefault = Cache().CupsDefault;
  }
  // The profile entry is "name,driver,port"; an entry naming a printer that is gone is ignored.
  std::string name;
  ProfileValue("windows", "device", name);
  name = name.substr(0, name.find(','));
  if (!name.empty() && SpoolPrinterExists(name)) return name;
  if (!cupsDefault.empty() && SpoolPrinterExists(cupsDefault)) return cupsDefault;
  return PdfPrinterName;
}

DEVMODEA SpoolNewDevMode(const TPrinterInfo& p) {
  DEVMODEA dm{};
  CopyName(dm.dmDeviceName, sizeof dm.dmDeviceName, p.Name);
  dm.dmSpecVersion = 0x0401;
  dm.dmDriverVersion = 0x0100;
  dm.dmSize = sizeof(DEVMODEA);
  dm.dmDriverExtra = 0;
  dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE |
                DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_YRESOLUTION |
                DM_COLLATE;
  if (p.Duplex) dm.dmFields |= DM_DUPLEX;
  dm.dmOrientation =
      p.Defaults.dmOrientation == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  short paper = p.Defaults.dmPaperSize;
  if (!p.Paper(paper)) paper = p.Papers.empty() ? short{DMPAPER_A4} : p.Papers.front().Number;
  dm.dmPaperSize = paper;
  int w = 2100, h = 2970;
  if (const TPrinterPaper* pp = p.Paper(paper)) {
    w = pp->Width;
    h = pp->Height;
  }
  dm.dmPaperWidth = static_cast<short>(w);
  dm.dmPaperLength = static_cast<short>(h);
  dm.dmScale = 100;
  dm.dmCopies = 1;
  dm.dmDefaultSource = p.Bins.empty() ? short{DMBIN_AUTO} : p.Bins.front().Number;
  dm.dmPrintQuality = static_cast<short>(p.Dpi);
  dm.dmYResolution = static_cast<short>(p.Dpi);
  dm.dmColor = DMCOLOR_COLOR;
  dm.dmDuplex = p.Duplex && p.Defaults.dmDuplex > 0 ? p.Defaults.dmDuplex : short{DMDUP_SIMPLEX};
  dm.dmCollate = p.Collate ? 1 : 0;
  CopyName(dm.dmFormName, sizeof dm.dmFormName, p.Paper(paper) ? p.Paper(paper)->Name : "");
  return dm;
}

void SpoolMergeDevMode(const TPrinterInfo& p, DEVMODEA& into, const DEVMODEA& from) {
  DWORD f = from.dmFields;
  if ((f & DM_ORIENTATION) && (from.dmOrientation == DMORIENT_PORTRAIT ||
                               (from.dmOrientation == DMORIENT_LANDSCAPE && p.Landscape)))
    into.dmOrientation = from.dmOrientation;
  if (f & DM_PAPERSIZE) {
    if (const TPrinterPaper* pp =
            from.dmPaperSize != DMPAPER_USER ? p.Paper(from.dmPaperSize) : nullptr) {
      into.dmPaperSize = pp->Number;
      into.dmPaperWidth = static_cast<short>(pp->Width);
      into.dmPaperLength = static_cast<short>(pp->Height);
      CopyName(into.dmFormName, sizeof into.dmFormName, pp->Name);
    } else if (from.dmPaperSize == DMPAPER_USER) {
      into.dmPaperSize = DMPAPER_USER;
      CopyName(into.dmFormName, sizeof into.dmFormName, "");
    }
  }
  // A length and width given outside a known paper make a paper of that size (1 cm at least).
  bool custom = !(f & DM_PAPERSIZE) || into.dmPaperSize == DMPAPER_USER;
  if (custom && (f & DM_PAPERLENGTH) && (f & DM_PAPERWIDTH) && from.dmPaperLength >= 100 &&
      from.dmPaperWidth >= 100) {
    into.dmPaperSize = DMPAPER_USER;
    into.dmPaperLength = from.dmPaperLength;
    into.dmPaperWidth = from.dmPaperWidth;
    CopyName(into.dmFormName, sizeof into.dmFormName, "");
  }
  if ((f & DM_SCALE) && from.dmScale > 0) into.dmScale = from.dmScale;
  if ((f & DM_COPIES) && from.dmCopies > 0)
    into.dmCopies = static_cast<short>(std::min<int>(from.dmCopies, p.MaxCopies));
  if (f & DM_DEFAULTSOURCE)
    for (const TPrinterBin& b : p.Bins)
      if (b.Number == from.dmDefaultSource) into.dmDefaultSource = b.Number;
  if ((f & DM_PRINTQUALITY) && from.dmPrintQuality != 0) {
    into.dmPrintQuality = static_cast<short>(ResolutionOf(from.dmPrintQuality, p.Dpi));
    if (!(f & DM_YRESOLUTION)) into.dmYResolution = into.dmPrintQuality;
  }
  if ((f & DM_YRESOLUTION) && from.dmYResolution > 0)
    into.dmYResolution = static_cast<short>(ResolutionOf(from.dmYResolution, p.Dpi));
  if ((f & DM_COLOR) && (from.dmColor == DMCOLOR_MONOCHROME || from.dmColor == DMCOLOR_COLOR))
    into.dmColor = from.dmColor;
  if ((f & DM_DUPLEX) &&
      (from.dmDuplex == DMDUP_SIMPLEX ||
       (p.Duplex && (from.dmDuplex == DMDUP_VERTICAL || from.dmDuplex == DMDUP_HORIZONTAL))))
    into.dmDuplex = from.dmDuplex;
  if ((f & DM_COLLATE) && (from.dmCollate == 0 || (from.dmCollate == 1 && p.Collate)))
    into.dmCollate = from.dmCollate;
}

void SpoolPaperSize(const TPrinterInfo& p, const DEVMODEA& dm, int& w, int& h) {
  const TPrinterPaper* pp = dm.dmPaperSize != DMPAPER_USER ? p.Paper(dm.dmPaperSize) : nullptr;
  if (pp) {
    w = pp->Width;
    h = pp->Height;
  } else if (dm.dmPaperWidth > 0 && dm.dmPaperLength > 0) {
    w = dm.dmPaperWidth;
    h = dm.dmPaperLength;
  } else {
    w = 2100;
    h = 2970;
  }
}

TPrinterPage SpoolPageMetrics(const TPrinterInfo& p, const DEVMODEA& dm) {
  int w = 0, h = 0;
  SpoolPaperSize(p, dm, w, h);
  int l = 0, t = 0, r = 0, b = 0;
  if (const TPrinterPaper* pp =
          dm.dmPaperSize != DMPAPER_USER ? p.Paper(dm.dmPaperSize) : nullptr) {
    l = pp->Left;
    t = pp->Top;
    r = pp->Right;
    b = pp->Bottom;
  }
  if (dm.dmOrientation == DMORIENT_LANDSCAPE) {
    // The sheet turns counter-clockwise: the portrait top edge becomes the left one.
    std::swap(w, h);
    int ol = l, ot = t, orr = r, ob = b;
    l = ot;
    t = orr;
    r = ob;
    b = ol;
  }
  if (dm.dmScale > 0 && dm.dmScale != 100) {
    // Scaling as drivers do it: the logical page grows by 100/scale (so HORZRES and VERTRES
    // report the larger page) and the drawing is shrunk onto the paper when it is printed.
    double f = 100.0 / std::clamp<int>(dm.dmScale, 1, 1000);
    for (int* v : {&w, &h, &l, &t, &r, &b}) *v = static_cast<int>(std::lround(*v * f));
  }
  double dpiX = ResolutionOf(dm.dmPrintQuality, p.Dpi);
  double dpiY = dm.dmYResolution > 0 ? ResolutionOf(dm.dmYResolution, p.Dpi) : dpiX;
  // The page is drawn in memory: keep it within 2^27 pixels and 32767 pixels a side (the most
  // a page bitmap can have) by lowering the resolution.
  const double limit = 134217728.0, side = 32767.0;
  double pixels = (w * dpiX / 254.0) * (h * dpiY / 254.0);
  if (pixels > limit) {
    double k = std::sqrt(limit / pixels);
    dpiX = std::floor(dpiX * k);
    dpiY = std::floor(dpiY * k);
  }
  if (w * dpiX / 254.0 > side) dpiX = std::floor(side * 254.0 / w);
  if (h * dpiY / 254.0 > side) dpiY = std::floor(side * 254.0 / h);
  auto px = [](int tenths, double dpi) {
    return static_cast<int>(std::lround(tenths * dpi / 254.0));
  };
  TPrinterPage page;
  page.DpiX = static_cast<int>(dpiX);
  page.DpiY = static_cast<int>(dpiY);
  page.PhysicalWidth = px(w, dpiX);
  page.PhysicalHeight = px(h, dpiY);
  page.OffsetX = px(l, dpiX);
  page.OffsetY = px(t, dpiY);
  page.Width = std::max(1, page.PhysicalWidth - page.OffsetX - px(r, dpiX));
  page.Height = std::max(1, page.PhysicalHeight - page.OffsetY - px(b, dpiY));
  return page;
}

std::string SpoolDefaultOutput(const std::string& docName, const std::string& ext) {
  const char* homeEnv = std::getenv("HOME");
  std::string home = homeEnv && *homeEnv ? homeEnv : "";
  std::string folder = XdgDocuments(home);
  if (!SpoolIsDir(folder)) folder = home + "/Documents";
  if (!SpoolIsDir(folder)) folder = home;
  if (!SpoolIsDir(folder)) folder = "/tmp";
  // The document name becomes the file name: no folder separators or control characters.
  std::string base;
  for (char c : docName) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '/') c = '_';
    base += c;
  }
  while (!base.empty() && (base.front() == ' ' || base.front() == '.')) base.erase(base.begin());
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base.size() > 120) {
    size_t cut = 120;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
      --cut;  // whole UTF-8 characters
    base.resize(cut);
  }
  if (base.empty()) base = "Document";
  for (int n = 1;; ++n) {
    std::string name =
        folder + "/" + base + (n > 1 ? " (" + std::to_string(n) + ")" : "") + "." + ext;
    struct stat st {};
    if (lstat(name.c_str(), &st) != 0) return name;
  }
}
