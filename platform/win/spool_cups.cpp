// The CUPS back end: the queues of the local CUPS server as printers, and job submission.
// The only file that includes the CUPS headers.
#include <cups/cups.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/rtl/dynlib.h"
#include "platform/win/spool_internal.h"

namespace {
// libcups is opened the first time the printers are listed or a job goes to a queue, not
// linked: a program that never prints does not map it nor the TLS and Kerberos libraries it
// pulls in. The header gives the types and constants; every function goes through this table.
#define ORV_CUPS_FUNCTIONS(X) \
  X(cupsAddOption)            \
  X(cupsCheckDestSupported)   \
  X(cupsCopyDestInfo)         \
  X(cupsFindDestDefault)      \
  X(cupsFindDestSupported)    \
  X(cupsFreeDestInfo)         \
  X(cupsFreeDests)            \
  X(cupsFreeOptions)          \
  X(cupsGetDestMediaByIndex)  \
  X(cupsGetDestMediaCount)    \
  X(cupsGetDestMediaDefault)  \
  X(cupsGetDests2)            \
  X(cupsGetNamedDest)         \
  X(cupsGetOption)            \
  X(cupsPrintFile2)           \
  X(ippGetCount)              \
  X(ippGetResolution)         \
  X(ippGetString)             \
  X(ippGetValueTag)

struct TCupsApi {
  void* Lib = nullptr;
#define X(name) decltype(&::name) name = nullptr;
  ORV_CUPS_FUNCTIONS(X)
#undef X
};
TCupsApi gCups;

// Opens the library and resolves every function once; false when the library or any of its
// functions is missing (then there are no CUPS printers). A library that failed is not tried
// again. Once loaded it stays mapped: the TLS libraries it loads keep exit handlers in it.
bool CupsLoad() {
  static std::mutex lock;
  static bool tried = false;
  std::lock_guard<std::mutex> g(lock);
  if (gCups.Lib || tried) return gCups.Lib != nullptr;
  tried = true;
  void* lib = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return false;
  TCupsApi api;
  bool all = true;
#define X(name) all = ResolveLibraryFunction(lib, &api.name, #name) && all;
  ORV_CUPS_FUNCTIONS(X)
#undef X
  if (!all) {
    dlclose(lib);
    return false;
  }
  api.Lib = lib;
  gCups = api;
  return true;
}
}  // namespace

namespace {
// Paper sources as CUPS names them, mapped to the bin numbers device modes use.
short BinNumberOf(const char* keyword, short& nextUser) {
  static const struct {
    const char* Name;
    short Number;
  } known[] = {
      {"auto", DMBIN_AUTO},         {"top", DMBIN_UPPER},         {"upper", DMBIN_UPPER},
      {"tray-1", DMBIN_UPPER},      {"bottom", DMBIN_LOWER},      {"lower", DMBIN_LOWER},
      {"tray-2", DMBIN_LOWER},      {"middle", DMBIN_MIDDLE},     {"tray-3", DMBIN_MIDDLE},
      {"manual", DMBIN_MANUAL},     {"envelope", DMBIN_ENVELOPE}, {"by-pass-tray", DMBIN_MANUAL},
      {"continuous", DMBIN_TRACTOR}};
  for (const auto& k : known)
    if (std::strcmp(k.Name, keyword) == 0) return k.Number;
  return nextUser++;
}

void ReadMedia(cups_dest_t* dest, cups_dinfo_t* info, TPrinterInfo& p) {
  int count = gCups.cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, 0);
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!gCups.cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, 0, &size)) continue;
    // CUPS sizes are in hundredths of a millimetre; papers the table does not know are left out.
    int number = PaperNumberForSize(size.width / 10, size.length / 10);
    if (number == 0 || p.Paper(number)) continue;
    TPrinterPaper paper;
    paper.Number = static_cast<short>(number);
    paper.Name = FindPaperSize(number)->Name;
    paper.Width = size.width / 10;
    paper.Height = size.length / 10;
    paper.Left = size.left / 10;
    paper.Top = size.top / 10;
    paper.Right = size.right / 10;
    paper.Bottom = size.bottom / 10;
    p.Papers.push_back(paper);
  }
  cups_size_t def{};
  if (gCups.cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &def))
    p.Defaults.dmPaperSize =
        static_cast<short>(PaperNumberForSize(def.width / 10, def.length / 10));
}

void ReadBins(cups_dest_t* dest, cups_dinfo_t* info, TPrinterInfo& p) {
  p.Bins.push_back({DMBIN_AUTO, "Automatically Select"});
  ipp_attribute_t* a = gCups.cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, "media-source");
  short nextUser = DMBIN_USER;
  for (int i = 0; a && i < gCups.ippGetCount(a); ++i) {
    const char* kw = gCups.ippGetString(a, i, nullptr);
    if (!kw) continue;
    short n = BinNumberOf(kw, nextUser);
    if (std::none_of(p.Bins.begin(), p.Bins.end(),
                     [n](const TPrinterBin& b) { return b.Number == n; }))
      p.Bins.push_back({n, std::string(kw).substr(0, 23)});
  }
}

int DefaultResolution(cups_dest_t* dest, cups_dinfo_t* info) {
  ipp_attribute_t* a =
      gCups.cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
  if (!a || gCups.ippGetValueTag(a) != IPP_TAG_RESOLUTION) return 300;
  int y = 0;
  ipp_res_t units{};
  int x = gCups.ippGetResolution(a, 0, &y, &units);
  if (units == IPP_RES_PER_CM) x = x * 254 / 100;
  return std::clamp(x, 72, 1200);
}
}  // namespace

namespace {
// A device URI without the user name and password it may carry.
std::string PublicUri(std::string uri) {
  size_t scheme = uri.find("://");
  if (scheme == std::string::npos) return uri;
  size_t hostEnd = uri.find('/', scheme + 3);
  size_t at = uri.rfind('@', hostEnd == std::string::npos ? std::string::npos : hostEnd);
  if (at != std::string::npos && at > scheme) uri.erase(scheme + 3, at - scheme - 2);
  return uri;
}
}  // namespace

std::vector<TPrinterInfo> CupsPrinters(std::string& defaultName) {
  std::vector<TPrinterInfo> out;
  if (!CupsLoad()) return out;  // no CUPS on this machine: no queues
  cups_dest_t* dests = nullptr;
  int n = gCups.cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < n; ++i) {
    cups_dest_t* d = &dests[i];
    if (d->instance) continue;  // instances are option sets of a queue, not printers
    TPrinterInfo p;
    p.Name = d->name;
    p.Cups = true;
    p.Detailed = false;
    p.Driver = "CUPS";
    const char* uri = gCups.cupsGetOption("device-uri", d->num_options, d->options);
    p.Port = uri ? PublicUri(uri) : std::string("cups:") + d->name;
    // Ports are listed separated by commas, so a comma inside one is escaped.
    for (size_t at; (at = p.Port.find(',')) != std::string::npos;) p.Port.replace(at, 1, "%2C");
    if (d->is_default) defaultName = p.Name;
    out.push_back(std::move(p));
  }
  gCups.cupsFreeDests(n, dests);
  return out;
}

void CupsReadDetails(TPrinterInfo& p) {
  p.Detailed = true;
  p.MaxCopies = 9999;
  p.Collate = true;
  p.Papers.clear();
  p.Bins.clear();
  // Without the library the queue gets the papers of a queue that does not answer.
  if (cups_dest_t* d = !CupsLoad()
                           ? nullptr
                           : gCups.cupsGetNamedDest(CUPS_HTTP_DEFAULT, p.Name.c_str(), nullptr)) {
    if (cups_dinfo_t* info = gCups.cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d)) {
      ReadMedia(d, info, p);
      ReadBins(d, info, p);
      p.Duplex = gCups.cupsCheckDestSupported(CUPS_HTTP_DEFAULT, d, info, CUPS_SIDES,
                                              CUPS_SIDES_TWO_SIDED_PORTRAIT) != 0;
      p.Dpi = DefaultResolution(d, info);
      gCups.cupsFreeDestInfo(info);
    }
    gCups.cupsFreeDests(1, d);
  }
  if (p.Bins.empty()) p.Bins.push_back({DMBIN_AUTO, "Automatically Select"});
  if (p.Papers.empty())
    for (int number : {DMPAPER_A4, DMPAPER_LETTER}) {
      const TPaperSize* s = FindPaperSize(number);
      p.Papers.push_back({s->Number, s->Name, s->Width, s->Height, 0, 0, 0, 0});
    }
  if (!p.Paper(p.Defaults.dmPaperSize)) p.Defaults.dmPaperSize = p.Papers.front().Number;
  p.Defaults = SpoolNewDevMode(p);
}

bool CupsSubmit(const std::string& queue, const std::string& file, const std::string& title,
                const DEVMODEA& dm, bool raw) {
  if (!CupsLoad()) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return false;
  }
  int n = 0;
  cups_option_t* options = nullptr;
  if (raw) {
    n = gCups.cupsAddOption("raw", "true", n, &options);
  } else {
    if (dm.dmCopies > 1)
      n = gCups.cupsAddOption(CUPS_COPIES, std::to_string(dm.dmCopies).c_str(), n, &options);
    if (dm.dmCopies > 1)
      n = gCups.cupsAddOption("collate", dm.dmCollate ? "true" : "false", n, &options);
    const char* sides = dm.dmDuplex == DMDUP_VERTICAL     ? CUPS_SIDES_TWO_SIDED_PORTRAIT
                        : dm.dmDuplex == DMDUP_HORIZONTAL ? CUPS_SIDES_TWO_SIDED_LANDSCAPE
                                                          : CUPS_SIDES_ONE_SIDED;
    n = gCups.cupsAddOption(CUPS_SIDES, sides, n, &options);
    if (dm.dmColor == DMCOLOR_MONOCHROME)
      n = gCups.cupsAddOption("print-color-mode", "monochrome", n, &options);
  }
  int job = gCups.cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.c_str(), file.c_str(),
                                 title.empty() ? "Document" : title.c_str(), n, options);
  gCups.cupsFreeOptions(n, options);
  if (job == 0) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return false;
  }
  return true;
}
