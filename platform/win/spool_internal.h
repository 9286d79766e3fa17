// Internal view of the printers shared by the spooler calls (winspool.cpp), the printer DCs
// (gdi_print.cpp) and the CUPS back end (spool_cups.cpp). Not for use outside platform/win.
//
// A printer is described once (TPrinterInfo): its papers, bins, resolution and default device
// mode. The "PDF file" printer always exists and comes first; the CUPS queues follow when a CUPS
// server answers (ORVANTA_CUPS=0 in the environment leaves CUPS out).
#pragma once

#include <string>
#include <vector>

#include "platform/win/gdi_surface.h"
#include "platform/win/winerror.h"
#include "platform/win/wingdi.h"

// The printer that writes the pages to a PDF file.
inline constexpr const char* PdfPrinterName = "PDF file";
inline constexpr const char* PdfPrinterPort = "FILE:";
inline constexpr const char* PdfPrinterDriver = "Orvanta PDF";

// One entry of the table of paper numbers: portrait width and height in tenths of a millimetre
// (a few entries are stored wider than high, as the numbers were defined).
struct TPaperSize {
  short Number;
  short Width, Height;
  const char* Name;
};
const std::vector<TPaperSize>& PaperSizes();
const TPaperSize* FindPaperSize(int number);
// The first table number whose size lies within 1 mm of w x h (either way round), or 0.
int PaperNumberForSize(int w, int h);

struct TPrinterPaper {
  short Number = 0;
  std::string Name;
  int Width = 0, Height = 0;                     // tenths of a millimetre, portrait
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // unprintable margins, tenths of a millimetre
};
struct TPrinterBin {
  short Number = 0;
  std::string Name;
};
struct TPrinterInfo {
  std::string Name, Port, Driver;
  bool Cups = false;
  std::vector<TPrinterPaper> Papers;
  std::vector<TPrinterBin> Bins;
  bool Duplex = false;
  bool Landscape = true;
  bool Collate = false;  // copies can come out collated
  bool Detailed = true;  // papers, bins and defaults are known (CUPS queues: read on first use)
  int MaxCopies = 1;
  int Dpi = 300;
  DEVMODEA Defaults{};
  const TPrinterPaper* Paper(int number) const;
};

// The printers as they are now (the list is read again when refresh is set or on first use).
std::vector<TPrinterInfo> SpoolPrinters(bool refresh = false);
// Finds a printer by name (case-sensitive, as queue names are) with its details; false when
// there is none.
bool SpoolFindPrinter(const std::string& name, TPrinterInfo& out);
// Whether a printer exists; basic (when given) receives its name, port and driver without the
// details a CUPS queue would have to be asked for.
bool SpoolPrinterExists(const std::string& name, TPrinterInfo* basic = nullptr);
// The system's default printer: the "windows/device" profile entry when it names a printer,
// else the CUPS default, else the PDF printer.
std::string SpoolDefaultPrinter();

// Device modes. SpoolNewDevMode fills every field with the printer's defaults. SpoolMergeDevMode
// takes the fields named in from.dmFields that are valid for the printer and ignores the rest.
DEVMODEA SpoolNewDevMode(const TPrinterInfo& p);
void SpoolMergeDevMode(const TPrinterInfo& p, DEVMODEA& into, const DEVMODEA& from);
// The page metrics of a printer DC for a device mode (already merged).
TPrinterPage SpoolPageMetrics(const TPrinterInfo& p, const DEVMODEA& dm);
// Paper size in tenths of a millimetre as the device mode asks for it, before orientation.
void SpoolPaperSize(const TPrinterInfo& p, const DEVMODEA& dm, int& w, int& h);

// Where a job goes when no output file is given: a new file named after the document in the
// user's documents folder (or home), with the extension given ("pdf", "prn").
std::string SpoolDefaultOutput(const std::string& docName, const std::string& ext);

// The stored value of a profile entry (winspool.cpp); false when there is none.
bool ProfileValue(const std::string& section, const std::string& key, std::string& value);

// A job's output file: written under a temporary name and moved to its place only when the job
// completes, so that a failed or aborted job leaves no partial file.
class TSpoolFile {
public:
  TSpoolFile() = default;
  TSpoolFile(const TSpoolFile&) = delete;
  TSpoolFile& operator=(const TSpoolFile&) = delete;
  ~TSpoolFile() { Discard(); }
  // Opens a temporary file beside finalPath (or, with an empty finalPath, in the temporary
  // folder). False with the reason in error when the folder cannot be written.
  bool Open(const std::string& finalPath, DWORD& error);
  bool Write(const void* data, size_t size);  // false (and Failed) when the disk refuses
  // Closes the file and moves it to its final place (a temporary-only file stays where it is,
  // for the caller to submit and Discard). False when anything failed.
  bool Commit(DWORD& error);
  void Discard();  // closes and removes the temporary file
  const std::string& TempPath() const { return FTemp; }
  bool IsOpen() const { return FFd >= 0; }
  bool Failed() const { return FFailed; }

private:
  int FFd = -1;
  bool FFailed = false;
  std::string FTemp, FFinal;
};
DWORD ErrorFromErrno(int e);

// ---- CUPS (spool_cups.cpp) ----
// The CUPS queues (names and ports only, not Detailed); empty when no server answers.
// defaultName receives the CUPS default queue.
std::vector<TPrinterInfo> CupsPrinters(std::string& defaultName);
// Reads a queue's papers, bins, duplex and resolution from the server and sets Detailed; a
// queue that does not answer gets A4 and Letter.
void CupsReadDetails(TPrinterInfo& p);
// Submits a file to a queue (raw: sent unchanged to the device). Returns false with a reason
// in GetLastError when the server refuses the job.
bool CupsSubmit(const std::string& queue, const std::string& file, const std::string& title,
                const DEVMODEA& dm, bool raw);
