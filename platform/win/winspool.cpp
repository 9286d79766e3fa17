// The spooler calls: profile, enumeration, default printer, printer handles, device modes,
// capabilities and raw jobs. The printer descriptions come from spool_printers.cpp.
#include "platform/win/winspool.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>
#include <unordered_map>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/spool_internal.h"

namespace {
constexpr LONG DocumentPropertiesOk = 1;  // IDOK

std::string ProfileFile() { return RegistryStoreFolder() + "/win.ini"; }

bool SameText(const char* a, const char* b) {
  if (!a || !b) return false;
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

// Copies text into a caller's buffer of size bytes (truncated, always terminated).
DWORD CopyOut(const std::string& text, char* out, DWORD size) {
  if (!out || size == 0) return 0;
  DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

// A raw job on a printer handle.
struct TRawJob {
  DWORD Id = 0;
  std::string Title;
  TSpoolFile File;
  bool ToCups = false;
  bool PageOpen = false;
};

struct TSpoolHandle {
  TPrinterInfo Info;
  DEVMODEA DevMode{};
  std::unique_ptr<TRawJob> Job;
};

std::mutex& HandleLock() {
  static std::mutex m;
  return m;
}
std::unordered_map<HANDLE, std::unique_ptr<TSpoolHandle>>& Handles() {
  static std::unordered_map<HANDLE, std::unique_ptr<TSpoolHandle>> h;
  return h;
}
// The live handle, or null with ERROR_INVALID_HANDLE. Handles are used by one thread at a time,
// as with the system's spooler; the table itself is guarded.
TSpoolHandle* Lookup(HANDLE h) {
  std::lock_guard<std::mutex> g(HandleLock());
  auto it = Handles().find(h);
  if (it == Handles().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.get();
}

std::atomic<DWORD> NextJobId{1};

// One printer's entry of an enumeration, with its strings.
struct TEnumEntry {
  std::string Name, Port;
  DWORD Attributes;
};

template <class T>
BOOL PackEntries(const std::vector<TEnumEntry>& entries, DWORD level, BYTE* buf, DWORD cbBuf,
                 DWORD* needed, DWORD* returned) {
  size_t size = entries.size() * sizeof(T);
  for (const TEnumEntry& e : entries)
    size += e.Name.size() + 1 + (level == 5 ? e.Port.size() + 1 : 0);
  if (needed) *needed = static_cast<DWORD>(size);
  if (returned) *returned = 0;
  if (!buf || cbBuf < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buf, 0, size);
  auto* recs = reinterpret_cast<T*>(buf);
  char* strings = reinterpret_cast<char*>(buf + entries.size() * sizeof(T));
  auto put = [&](const std::string& s) {
    char* at = strings;
    std::memcpy(at, s.c_str(), s.size() + 1);
    strings += s.size() + 1;
    return at;
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    T& r = recs[i];
    r.pPrinterName = put(entries[i].Name);
    r.Attributes = entries[i].Attributes;
    if constexpr (std::is_same_v<T, PRINTER_INFO_5A>) {
      r.pPortName = put(entries[i].Port);
      r.DeviceNotSelectedTimeout = 15000;
      r.TransmissionRetryTimeout = 45000;
    } else {
      r.pServerName = nullptr;
    }
  }
  if (returned) *returned = static_cast<DWORD>(entries.size());
  return TRUE;
}

// The printer a name or handle refers to, for the calls that take either.
bool PrinterByName(LPCSTR device, TPrinterInfo& out) {
  if (!device || !*device || !SpoolFindPrinter(device, out)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return false;
  }
  return true;
}

template <class T>
int CopyList(const std::vector<T>& items, char* output) {
  if (output) std::memcpy(output, items.data(), items.size() * sizeof(T));
  return static_cast<int>(items.size());
}
int CopyNames(const std::vector<std::string>& names, size_t width, char* output) {
  if (output)
    for (size_t i = 0; i < names.size(); ++i) {
      char* at = output + i * width;
      std::memset(at, 0, width);
      std::memcpy(at, names[i].data(), std::min(names[i].size(), width - 1));
    }
  return static_cast<int>(names.size());
}

void EndRawJob(TSpoolHandle& h) { h.Job.reset(); }

// The handle of a printer with a raw job running, or null with the reason in GetLastError.
TSpoolHandle* WithJob(HANDLE printer) {
  TSpoolHandle* h = Lookup(printer);
  if (h && !h->Job) {
    SetLastError(ERROR_SPL_NO_STARTDOC);
    return nullptr;
  }
  return h;
}
}  // namespace

// ---- Profile ----
bool ProfileValue(const std::string& section, const std::string& key, std::string& value) {
  try {
    TIniFile ini(ProfileFile());
    if (!ini.ValueExists(section, key)) return false;
    value = ini.ReadString(section, key, "");
    return true;
  } catch (const Exception&) {
    return false;
  }
}

DWORD GetProfileString(LPCSTR section, LPCSTR key, LPCSTR def, char* out, DWORD size) {
  std::string value = def ? def : "";
  if (section && key) {
    std::string stored;
    if (ProfileValue(section, key, stored)) {
      value = stored;
    } else if (SameText(section, "windows") && SameText(key, "device")) {
      TPrinterInfo p;
      if (SpoolPrinterExists(SpoolDefaultPrinter(), &p))
        value = p.Name + "," + p.Driver + "," + p.Port;
    }
  }
  return CopyOut(value, out, size);
}

BOOL WriteProfileString(LPCSTR section, LPCSTR key, LPCSTR value) {
  if (!section || !key) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    ForceDirectories(RegistryStoreFolder());
    TIniFile ini(ProfileFile());
    if (value)
      ini.WriteString(section, key, value);
    else
      ini.DeleteKey(section, key);
    return TRUE;
  } catch (const Exception&) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
}

// ---- Enumeration and the default printer ----
BOOL EnumPrinters(DWORD flags, LPSTR, DWORD level, BYTE* buf, DWORD cbBuf, DWORD* needed,
                  DWORD* returned) {
  if (level != 4 && level != 5) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<TPrinterInfo> printers = SpoolPrinters(true);
  std::string def = SpoolDefaultPrinter();
  std::vector<TEnumEntry> entries;
  for (const TPrinterInfo& p : printers) {
    if ((flags & PRINTER_ENUM_DEFAULT) && p.Name != def) continue;
    DWORD attr =
        PRINTER_ATTRIBUTE_LOCAL | (p.Name == def ? DWORD{PRINTER_ATTRIBUTE_DEFAULT} : DWORD{0});
    entries.push_back({p.Name, p.Port, attr});
  }
  return level == 4 ? PackEntries<PRINTER_INFO_4A>(entries, level, buf, cbBuf, needed, returned)
                    : PackEntries<PRINTER_INFO_5A>(entries, level, buf, cbBuf, needed, returned);
}

BOOL GetDefaultPrinter(char* buffer, DWORD* size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name = SpoolDefaultPrinter();
  DWORD need = static_cast<DWORD>(name.size() + 1);
  if (!buffer || *size < need) {
    *size = need;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  CopyOut(name, buffer, *size);
  *size = need;
  return TRUE;
}

BOOL SetDefaultPrinter(LPCSTR name) {
  TPrinterInfo p;
  if (!name || !SpoolPrinterExists(name, &p)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  return WriteProfileString("windows", "device", (p.Name + "," + p.Driver + "," + p.Port).c_str());
}

// ---- Handles and device modes ----
BOOL OpenPrinter(LPCSTR name, HANDLE* printer, const PRINTER_DEFAULTSA* defaults) {
  if (!printer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *printer = nullptr;
  auto h = std::make_unique<TSpoolHandle>();
  if (!PrinterByName(name, h->Info)) return FALSE;
  h->DevMode = SpoolNewDevMode(h->Info);
  if (defaults && defaults->pDevMode) SpoolMergeDevMode(h->Info, h->DevMode, *defaults->pDevMode);
  HANDLE key = h.get();
  std::lock_guard<std::mutex> g(HandleLock());
  Handles().emplace(key, std::move(h));
  *printer = key;
  return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
  std::unique_ptr<TSpoolHandle> h;
  {
    std::lock_guard<std::mutex> g(HandleLock());
    auto it = Handles().find(printer);
    if (it == Handles().end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    h = std::move(it->second);
    Handles().erase(it);
  }
  return TRUE;  // an unfinished raw job is thrown away with the handle
}

LONG DocumentProperties(HWND, HANDLE printer, LPCSTR device, DEVMODEA* out, const DEVMODEA* in,
                        DWORD mode) {
  TPrinterInfo info;
  DEVMODEA dm{};
  if (printer) {
    TSpoolHandle* h = Lookup(printer);
    if (!h) return -1;
    info = h->Info;
    dm = h->DevMode;
  } else {
    if (!PrinterByName(device, info)) return -1;
    dm = SpoolNewDevMode(info);
  }
  if (mode == 0 || (!out && !(mode & DM_OUT_BUFFER))) return static_cast<LONG>(sizeof(DEVMODEA));
  if ((mode & DM_IN_BUFFER) && in) SpoolMergeDevMode(info, dm, *in);
  // DM_IN_PROMPT: there is no driver dialog; the settings stand as they are.
  if (mode & DM_OUT_BUFFER) {
    if (!out) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return -1;
    }
    *out = dm;
  }
  return DocumentPropertiesOk;
}

int DeviceCapabilities(LPCSTR device, LPCSTR, WORD capability, char* output,
                       const DEVMODEA* devmode) {
  TPrinterInfo p;
  if (!PrinterByName(device, p)) return -1;
  switch (capability) {
    case DC_PAPERS: {
      std::vector<WORD> v;
      for (const TPrinterPaper& x : p.Papers) v.push_back(static_cast<WORD>(x.Number));
      return CopyList(v, output);
    }
    case DC_PAPERNAMES: {
      std::vector<std::string> v;
      for (const TPrinterPaper& x : p.Papers) v.push_back(x.Name);
      return CopyNames(v, 64, output);
    }
    case DC_PAPERSIZE: {
      std::vector<POINT> v;
      for (const TPrinterPaper& x : p.Papers) v.push_back(POINT{x.Width, x.Height});
      return CopyList(v, output);
    }
    case DC_BINS: {
      std::vector<WORD> v;
      for (const TPrinterBin& b : p.Bins) v.push_back(static_cast<WORD>(b.Number));
      return CopyList(v, output);
    }
    case DC_BINNAMES: {
      std::vector<std::string> v;
      for (const TPrinterBin& b : p.Bins) v.push_back(b.Name);
      return CopyNames(v, 24, output);
    }
    case DC_ENUMRESOLUTIONS: {
      std::vector<LONG> v;
      for (int dpi : {75, 150, 300, 600})
        if (dpi <= std::max(p.Dpi, 600)) v.insert(v.end(), {dpi, dpi});
      if (output) std::memcpy(output, v.data(), v.size() * sizeof(LONG));
      return static_cast<int>(v.size() / 2);
    }
    case DC_ORIENTATION:
      return p.Landscape ? 90 : 0;
    case DC_DUPLEX:
      return p.Duplex ? 1 : 0;
    case DC_COPIES:
      return p.MaxCopies;
    case DC_COLLATE:
      return p.Collate ? 1 : 0;
    case DC_SIZE:
      return static_cast<int>(sizeof(DEVMODEA));
    case DC_EXTRA:
      return 0;
    case DC_VERSION:
      return 0x0401;
    case DC_DRIVER:
      return 0x0100;
    case DC_FIELDS: {
      DEVMODEA dm = SpoolNewDevMode(p);
      if (devmode) SpoolMergeDevMode(p, dm, *devmode);
      return static_cast<int>(dm.dmFields);
    }
    case DC_MINEXTENT:
      return (100 << 16) | 100;  // 1 cm either way, in tenths of a millimetre
    case DC_MAXEXTENT:
      return (32767 << 16) | 32767;
    default:
      SetLastError(ERROR_NOT_SUPPORTED);
      return -1;
  }
}

// ---- Raw jobs ----
DWORD StartDocPrinter(HANDLE printer, DWORD level, const DOC_INFO_1A* info) {
  TSpoolHandle* h = Lookup(printer);
  if (!h) return 0;
  if (level != 1 || !info) {
    SetLastError(level != 1 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (h->Job) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return 0;
  }
  if (info->pDatatype && *info->pDatatype && !SameText(info->pDatatype, "RAW")) {
    SetLastError(ERROR_INVALID_DATATYPE);
    return 0;
  }
  auto job = std::make_unique<TRawJob>();
  job->Title = info->pDocName ? info->pDocName : "";
  std::string target;
  if (info->pOutputFile && *info->pOutputFile)
    target = info->pOutputFile;
  else if (h->Info.Cups)
    job->ToCups = true;
  else
    target = SpoolDefaultOutput(job->Title, "prn");
  DWORD error = 0;
  if (!job->File.Open(target, error)) {
    SetLastError(error);
    return 0;
  }
  job->Id = NextJobId++;
  h->Job = std::move(job);
  return h->Job->Id;
}

BOOL StartPagePrinter(HANDLE printer) {
  TSpoolHandle* h = WithJob(printer);
  if (!h) return FALSE;
  h->Job->PageOpen = true;
  return TRUE;
}

BOOL EndPagePrinter(HANDLE printer) {
  TSpoolHandle* h = WithJob(printer);
  if (!h) return FALSE;
  h->Job->PageOpen = false;
  return TRUE;
}

BOOL WritePrinter(HANDLE printer, const void* buf, DWORD count, DWORD* written) {
  if (written) *written = 0;
  TSpoolHandle* h = WithJob(printer);
  if (!h) return FALSE;
  if (count > 0 && !buf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!h->Job->File.Write(buf, count)) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  if (written) *written = count;
  return TRUE;
}

BOOL EndDocPrinter(HANDLE printer) {
  TSpoolHandle* h = WithJob(printer);
  if (!h) return FALSE;
  TRawJob& job = *h->Job;
  DWORD error = 0;
  bool ok = job.File.Commit(error);
  if (ok && job.ToCups) {
    ok = CupsSubmit(h->Info.Name, job.File.TempPath(), job.Title, h->DevMode, true);
    error = GetLastError();
  }
  EndRawJob(*h);  // removes a temporary file that went to CUPS
  if (!ok) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

BOOL AbortPrinter(HANDLE printer) {
  TSpoolHandle* h = WithJob(printer);
  if (!h) return FALSE;
  EndRawJob(*h);
  return TRUE;
}
