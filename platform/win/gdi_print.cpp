// Printer DCs: device contexts of a named printer with the page metrics of its device mode, and
// the document calls (StartDoc, StartPage, EndPage, EndDoc, AbortDoc, ResetDC).
//
// Every printer prints through PDF: each page is drawn by our GDI into a page bitmap at the
// printer's resolution, and at EndPage that bitmap is placed on a PDF page of the paper's size
// in points (cairo's PDF surface). Only one page bitmap exists at a time, so memory stays that
// of one page whatever the length of the document. The PDF file printer writes the PDF to the
// output file; a CUPS printer writes it to a temporary file that is submitted to the queue at
// EndDoc and then removed.
//
// Collated copies on the PDF printer: the first copy is written as the pages come, and each page
// is also kept zlib-compressed in an anonymous temporary file (gone when closed, even after a
// crash); EndDoc replays the stored pages for the other copies, one page in memory at a time.
#include <cairo-pdf.h>
#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win/gdi_internal.h"
#include "platform/win/spool_internal.h"
#include "platform/win/winerror.h"

// A page kept for the later collated copies: where its compressed pixels are in the store and
// what it takes to place it again.
struct TStoredPage {
  long Offset = 0;
  size_t Size = 0;
  int Width = 0, Height = 0;
  double SheetWidth = 0, SheetHeight = 0, Scale = 1;
  TPrinterPage Page;
};

struct TPrintJob {
  ~TPrintJob() {
    if (Store) std::fclose(Store);
  }
  TSpoolFile File;
  int Copies = 1;       // copies the PDF printer makes itself
  bool Collate = false;  // as whole documents, replayed at EndDoc from Store
  FILE* Store = nullptr;
  std::vector<TStoredPage> Stored;
  cairo_surface_t* Pdf = nullptr;
  std::string Title;
  bool ToCups = false;
  bool Discarding = false;  // aborting: whatever cairo still writes goes nowhere
  bool Failed = false;
  int Pages = 0;
};

// A sheet of paper: the page metrics of the DC and the size of the PDF page in points (from
// the paper's size, not the rounded pixels).
struct TSheet {
  TPrinterPage Page;
  double Width = 0, Height = 0;
  double Scale = 1;  // dmScale / 100: the page's pixels shrink (or grow) by this onto the paper
};

struct TPrinterState {
  TPrinterInfo Info;
  DEVMODEA DevMode{};
  TSheet Sheet;  // the sheet the DC measures (and the page being drawn is)
  TSheet Next;   // the sheet ResetDC asked for during a page, for the next one
  bool ResetPending = false;
  cairo_surface_t* PageImage = nullptr;  // the page being drawn (the DC's surface)
  std::unique_ptr<TPrintJob> Job;
};

namespace {
std::atomic<int> NextDocId{1};

TPrinterState* PrinterOf(HDC dc, bool needDevice) {
  if (!ValidDC(dc) || !dc->Printer || (needDevice && dc->Kind != TDCKind::Printer)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return dc->Printer;
}

// The printer state of a DC with a document started, or null with the reason in GetLastError.
TPrinterState* WithJob(HDC dc) {
  TPrinterState* s = PrinterOf(dc, true);
  if (s && !s->Job) {
    SetLastError(ERROR_SPL_NO_STARTDOC);
    return nullptr;
  }
  return s;
}

cairo_status_t WriteToJob(void* closure, const unsigned char* data, unsigned int length) {
  auto* job = static_cast<TPrintJob*>(closure);
  if (job->Discarding) return CAIRO_STATUS_SUCCESS;
  return job->File.Write(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

TSheet SheetOf(const TPrinterState& s) {
  TSheet sheet;
  sheet.Page = SpoolPageMetrics(s.Info, s.DevMode);
  int w = 0, h = 0;
  SpoolPaperSize(s.Info, s.DevMode, w, h);
  if (s.DevMode.dmOrientation == DMORIENT_LANDSCAPE) std::swap(w, h);
  sheet.Width = w * 72.0 / 254.0;
  sheet.Height = h * 72.0 / 254.0;
  if (s.DevMode.dmScale > 0) sheet.Scale = std::clamp<int>(s.DevMode.dmScale, 1, 1000) / 100.0;
  return sheet;
}

// Drops the page bitmap (the DC draws nowhere until the next StartPage).
void ReleasePage(HDC dc) {
  TPrinterState* s = dc->Printer;
  SetPrinterDCPage(dc, dc->Page, false);
  if (s->PageImage) cairo_surface_destroy(s->PageImage);
  s->PageImage = nullptr;
}

// A white page bitmap of the printable area, shared with cairo so that EndPage places it on the
// PDF page without a copy.
bool NewPage(HDC dc) {
  TPrinterState* s = dc->Printer;
  ReleasePage(dc);
  int w = std::max(1, dc->Page.Width), h = std::max(1, dc->Page.Height);
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(img);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  cairo_surface_flush(img);
  unsigned char* data = cairo_image_surface_get_data(img);
  int stride = cairo_image_surface_get_stride(img);
  // White with a zero top byte, as the GDI keeps 32-bit device pixels (cairo ignores that byte).
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    std::fill(row, row + w, 0x00FFFFFFu);
  }
  s->PageImage = img;
  dc->OwnSurface = std::make_unique<TGdiSurface>();
  dc->OwnSurface->Width = w;
  dc->OwnSurface->Height = h;
  dc->OwnSurface->BitCount = 32;
  dc->OwnSurface->Top = data;
  dc->OwnSurface->Stride = stride;
  dc->Surf = dc->OwnSurface.get();
  dc->Touch();
  return true;
}

// Places a page bitmap on copies PDF pages of the sheet's size.
bool PlaceImage(TPrintJob& job, cairo_surface_t* img, double sheetW, double sheetH, double scale,
                const TPrinterPage& p, int copies) {
  cairo_pdf_surface_set_size(job.Pdf, sheetW, sheetH);
  cairo_t* cr = cairo_create(job.Pdf);
  cairo_scale(cr, 72.0 / p.DpiX * scale, 72.0 / p.DpiY * scale);
  for (int i = 0; i < copies; ++i) {
    cairo_set_source_surface(cr, img, p.OffsetX, p.OffsetY);
    cairo_paint(cr);
    cairo_show_page(cr);
  }
  bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS &&
            cairo_surface_status(job.Pdf) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  return ok;
}

// Keeps the page bitmap, compressed, for the collated copies EndDoc replays. The pixels go
// through zlib in chunks, so storing costs no second page of memory.
constexpr size_t kStoreChunk = size_t(1) << 18;

bool StorePage(TPrintJob& job, cairo_surface_t* img, const TSheet& sheet, const TPrinterPage& p) {
  if (!job.Store) job.Store = std::tmpfile();
  if (!job.Store || std::fseek(job.Store, 0, SEEK_END) != 0) return false;
  TStoredPage sp;
  sp.Offset = std::ftell(job.Store);
  sp.Width = cairo_image_surface_get_width(img);
  sp.Height = cairo_image_surface_get_height(img);
  sp.SheetWidth = sheet.Width;
  sp.SheetHeight = sheet.Height;
  sp.Scale = sheet.Scale;
  sp.Page = p;
  if (sp.Offset < 0) return false;
  z_stream z{};
  if (deflateInit(&z, 1) != Z_OK) return false;
  z.next_in = cairo_image_surface_get_data(img);
  z.avail_in = static_cast<uInt>(sp.Height) * static_cast<uInt>(cairo_image_surface_get_stride(img));
  std::vector<Bytef> out(kStoreChunk);
  bool ok = true;
  int r = Z_OK;
  while (ok && r != Z_STREAM_END) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    r = deflate(&z, Z_FINISH);
    size_t n = out.size() - z.avail_out;
    ok = r != Z_STREAM_ERROR && std::fwrite(out.data(), 1, n, job.Store) == n;
    sp.Size += n;
  }
  deflateEnd(&z);
  if (ok) job.Stored.push_back(sp);
  return ok;
}

// Reads a stored page back into img (made with its size).
bool LoadPage(TPrintJob& job, const TStoredPage& sp, cairo_surface_t* img) {
  if (std::fseek(job.Store, sp.Offset, SEEK_SET) != 0) return false;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  cairo_surface_flush(img);
  z.next_out = cairo_image_surface_get_data(img);
  z.avail_out = static_cast<uInt>(sp.Height) * static_cast<uInt>(cairo_image_surface_get_stride(img));
  std::vector<Bytef> in(kStoreChunk);
  size_t left = sp.Size;
  int r = Z_OK;
  bool ok = true;
  while (ok && r != Z_STREAM_END) {
    if (z.avail_in == 0) {
      size_t n = std::min(left, in.size());
      ok = n > 0 && std::fread(in.data(), 1, n, job.Store) == n;
      left -= n;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
    }
    if (ok) r = inflate(&z, Z_NO_FLUSH);
    ok = ok && (r == Z_OK || r == Z_STREAM_END);
  }
  ok = ok && z.avail_out == 0;
  inflateEnd(&z);
  cairo_surface_mark_dirty(img);
  return ok;
}

// The copies after the first of a collated job: every stored page again, in order.
bool ReplayCopies(TPrintJob& job) {
  for (int copy = 1; copy < job.Copies; ++copy) {
    for (const TStoredPage& sp : job.Stored) {
      cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, sp.Width, sp.Height);
      bool ok = cairo_surface_status(img) == CAIRO_STATUS_SUCCESS && LoadPage(job, sp, img) &&
                PlaceImage(job, img, sp.SheetWidth, sp.SheetHeight, sp.Scale, sp.Page, 1);
      cairo_surface_destroy(img);
      if (!ok) return false;
    }
  }
  return true;
}

// Places the page bitmap on as many PDF pages as the copies asked for. Uncollated, the PDF
// printer repeats each page; collated, it writes the page once and stores it for EndDoc; a CUPS
// queue is asked for the copies instead.
bool EmitPage(HDC dc) {
  TPrinterState* s = dc->Printer;
  TPrintJob& job = *s->Job;
  const TPrinterPage& p = dc->Page;
  cairo_surface_mark_dirty(s->PageImage);
  int copies = job.Collate ? 1 : job.Copies;
  bool ok = PlaceImage(job, s->PageImage, s->Sheet.Width, s->Sheet.Height, s->Sheet.Scale, p, copies);
  if (ok && job.Collate) ok = StorePage(job, s->PageImage, s->Sheet, p);
  ++job.Pages;
  return ok;
}

void EndJob(TPrinterState& s) {
  if (s.Job && s.Job->Pdf) cairo_surface_destroy(s.Job->Pdf);
  s.Job.reset();  // removes the temporary file unless it was moved into place
}

void ApplySheet(HDC dc, const TSheet& sheet) {
  dc->Printer->Sheet = sheet;
  SetPrinterDCPage(dc, sheet.Page, false);
}

// Between pages: the metrics a ResetDC during the last page asked for take effect.
void ApplyPendingReset(HDC dc) {
  TPrinterState* s = dc->Printer;
  if (!s->ResetPending) return;
  s->ResetPending = false;
  ApplySheet(dc, s->Next);
}
}  // namespace

HDC CreatePrinterDeviceDC(LPCSTR device, const void* devmode, bool info) {
  std::string name = device && *device ? std::string(device) : SpoolDefaultPrinter();
  auto state = std::make_unique<TPrinterState>();
  if (!SpoolFindPrinter(name, state->Info)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  state->DevMode = SpoolNewDevMode(state->Info);
  if (devmode)
    SpoolMergeDevMode(state->Info, state->DevMode, *static_cast<const DEVMODEA*>(devmode));
  // No page bitmap yet: a printer DC draws only between StartPage and EndPage.
  state->Sheet = SheetOf(*state);
  HDC dc = CreatePrinterDC(state->Sheet.Page, false);
  dc->Kind = info ? TDCKind::Info : TDCKind::Printer;
  dc->Printer = state.release();
  return dc;
}

void DestroyPrinterState(HDC dc) {
  TPrinterState* s = dc->Printer;
  if (!s) return;
  if (s->Job) s->Job->Discarding = true;
  EndJob(*s);
  ReleasePage(dc);
  dc->Printer = nullptr;
  delete s;
}

HDC ResetDC(HDC dc, const DEVMODEA* devmode) {
  TPrinterState* s = PrinterOf(dc, false);
  if (!s) return nullptr;
  if (devmode) SpoolMergeDevMode(s->Info, s->DevMode, *devmode);
  TSheet sheet = SheetOf(*s);
  if (s->PageImage) {
    // Inside a page the page keeps its size; the new one starts with the next page.
    s->Next = sheet;
    s->ResetPending = true;
  } else {
    ApplySheet(dc, sheet);
  }
  return dc;
}

int StartDoc(HDC dc, const DOCINFOA* info) {
  TPrinterState* s = PrinterOf(dc, true);
  if (!s) return SP_ERROR;
  if (s->Job) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return SP_ERROR;
  }
  auto job = std::make_unique<TPrintJob>();
  job->Title = info && info->lpszDocName ? info->lpszDocName : "";
  job->Copies = std::max<int>(1, s->DevMode.dmCopies);
  job->Collate = job->Copies > 1 && s->DevMode.dmCollate == DMCOLLATE_TRUE;
  std::string target;
  if (info && info->lpszOutput && *info->lpszOutput)
    target = info->lpszOutput;
  else if (s->Info.Cups)
    job->ToCups = true;
  else
    target = SpoolDefaultOutput(job->Title, "pdf");
  if (job->ToCups) job->Copies = 1, job->Collate = false;  // the queue makes the copies
  DWORD error = 0;
  if (!job->File.Open(target, error)) {
    SetLastError(error);
    return SP_ERROR;
  }
  job->Pdf =
      cairo_pdf_surface_create_for_stream(WriteToJob, job.get(), s->Sheet.Width, s->Sheet.Height);
  if (cairo_surface_status(job->Pdf) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(job->Pdf);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return SP_ERROR;
  }
  if (!job->Title.empty())
    cairo_pdf_surface_set_metadata(job->Pdf, CAIRO_PDF_METADATA_TITLE, job->Title.c_str());
  cairo_pdf_surface_set_metadata(job->Pdf, CAIRO_PDF_METADATA_CREATOR, "Orvanta");
  s->Job = std::move(job);
  return NextDocId++;
}

int StartPage(HDC dc) {
  TPrinterState* s = WithJob(dc);
  if (!s) return SP_ERROR;
  ApplyPendingReset(dc);
  return NewPage(dc) ? 1 : SP_ERROR;
}

int EndPage(HDC dc) {
  TPrinterState* s = PrinterOf(dc, true);
  if (!s) return SP_ERROR;
  if (!s->Job || !s->PageImage) {
    SetLastError(ERROR_SPL_NO_STARTDOC);
    return SP_ERROR;
  }
  bool ok = EmitPage(dc);
  ReleasePage(dc);
  ApplyPendingReset(dc);
  if (!ok) {
    s->Job->Failed = true;
    SetLastError(ERROR_WRITE_FAULT);
    return SP_ERROR;
  }
  return 1;
}

int EndDoc(HDC dc) {
  TPrinterState* s = WithJob(dc);
  if (!s) return SP_ERROR;
  bool ok = !s->Job->Failed;
  if (s->PageImage) ok = EmitPage(dc) && ok;  // a page left open is printed as it is
  ReleasePage(dc);
  TPrintJob& job = *s->Job;
  if (ok && job.Collate) ok = ReplayCopies(job);
  cairo_surface_finish(job.Pdf);
  ok = ok && cairo_surface_status(job.Pdf) == CAIRO_STATUS_SUCCESS && !job.File.Failed();
  DWORD error = ERROR_WRITE_FAULT;
  if (ok) ok = job.File.Commit(error);
  if (ok && job.ToCups) {
    ok = CupsSubmit(s->Info.Name, job.File.TempPath(), job.Title, s->DevMode, false);
    error = GetLastError();
  }
  EndJob(*s);
  if (!ok) {
    SetLastError(error);
    return SP_ERROR;
  }
  return 1;
}

int AbortDoc(HDC dc) {
  TPrinterState* s = WithJob(dc);
  if (!s) return SP_ERROR;
  s->Job->Discarding = true;
  ReleasePage(dc);
  EndJob(*s);
  return 1;
}
