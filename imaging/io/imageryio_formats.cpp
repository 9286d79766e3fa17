// The load and save methods of TImageryIO: the per-format members (file and stream variants),
// the stream headers, the JPEG marker preparation, the GIF frame composition, the generic entry
// points (by extension, by content, by FileType, from a memory block), parameter-only reads and
// the text export.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ieview.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/ieiohelpers.h"
#include "imaging/io/ieiothread.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iexmp.h"
#include "imaging/io/imageryio.h"
#include "imaging/io/ieurl.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr uint16_t kOpenRead = fmOpenRead | fmShareDenyWrite;
constexpr uint16_t kCreate = 65535;

enum class LoadShape { None, Own, Wrapped, J2K };
enum class SaveShape { None, Own, WrappedAbort, WrappedNoAbort, J2K };

// How each built-in member departs from the common frame.
struct TFormatTraits {
  int32_t FileType;
  LoadShape Load;
  SaveShape Save;
  bool Alpha;             // a mask returned by the reader becomes the alpha channel
  bool NoViewDPIFile;     // UpdateViewDPI not called by the file load
  bool NoViewDPIStream;   // ... nor by the stream load
  bool NoCheckDPI;
  bool NoAdjustDPI;
  bool Save24;            // the target is converted to 24-bit RGB (unless 24-bit or 1-bit)
};

constexpr TFormatTraits Traits[] = {
    {ioTIFF, LoadShape::Wrapped, SaveShape::Own, true, false, false, false, false, false},
    {ioGIF, LoadShape::Wrapped, SaveShape::Own, false, true, true, false, false, false},
    {ioJPEG, LoadShape::Own, SaveShape::Own, false, false, false, false, false, true},
    {ioPCX, LoadShape::Wrapped, SaveShape::Own, false, false, false, false, false, true},
    {ioBMP, LoadShape::Wrapped, SaveShape::WrappedAbort, true, false, false, false, false, false},
    {ioICO, LoadShape::Own, SaveShape::Own, true, false, true, false, false, true},
    {ioCUR, LoadShape::Own, SaveShape::None, true, false, true, false, false, false},
    {ioPNG, LoadShape::Own, SaveShape::Own, false, false, false, false, false, false},
    {ioTGA, LoadShape::Own, SaveShape::Own, true, false, true, false, false, true},
    {ioPXM, LoadShape::Own, SaveShape::Own, false, true, true, false, false, true},
    {ioJP2, LoadShape::J2K, SaveShape::J2K, false, false, false, false, false, true},
    {ioJ2K, LoadShape::J2K, SaveShape::J2K, false, false, false, false, false, true},
    {ioWBMP, LoadShape::Own, SaveShape::Own, false, true, true, false, true, true},
    {ioPS, LoadShape::None, SaveShape::WrappedNoAbort, false, false, false, false, false, true},
    {ioPDF, LoadShape::None, SaveShape::WrappedNoAbort, false, false, false, false, false, true},
    {ioDCX, LoadShape::Wrapped, SaveShape::WrappedAbort, false, false, false, false, false, false},
    {ioRAW, LoadShape::Wrapped, SaveShape::None, false, false, false, false, false, false},
    {ioBMPRAW, LoadShape::Wrapped, SaveShape::None, false, true, true, true, true, false},
    {ioPSD, LoadShape::Wrapped, SaveShape::WrappedAbort, false, false, false, false, false, false},
    {ioDICOM, LoadShape::Own, SaveShape::None, false, true, true, true, true, false},
    {ioHDP, LoadShape::Wrapped, SaveShape::WrappedAbort, false, false, false, false, false, false},
};

const TFormatTraits* TraitsOf(int32_t FileType) {
  for (const auto& t : Traits)
    if (t.FileType == FileType) return &t;
  return nullptr;
}

// Whether the codec table can read / write a built-in format.
bool CanRead(int32_t ft) {
  const TIECodecs& c = IECodecs;
  switch (ft) {
    case ioTIFF: return c.TiffReadImage != nullptr;
    case ioGIF: return c.GifReadImage != nullptr;
    case ioJPEG: return c.JpegReadImage != nullptr;
    case ioPCX: return c.PcxReadImage != nullptr;
    case ioBMP: return c.BmpReadImage != nullptr;
    case ioICO: return c.IcoReadImage != nullptr;
    case ioCUR: return c.CurReadImage != nullptr;
    case ioPNG: return c.PngReadImage != nullptr;
    case ioTGA: return c.TgaReadImage != nullptr;
    case ioPXM: return c.PnmReadImage != nullptr;
    case ioJP2:
    case ioJ2K: return c.Jpeg2000ReadImage != nullptr;
    case ioWBMP: return c.WbmpReadImage != nullptr;
    case ioDCX: return c.DcxReadPage != nullptr;
    case ioRAW: return c.CameraRawReadImage != nullptr;
    case ioBMPRAW: return c.RawPixelsRead != nullptr;
    case ioPSD: return c.PsdReadImage != nullptr;
    case ioDICOM: return c.DicomReadImage != nullptr;
    case ioHDP: return c.HdPhotoReadImage != nullptr;
    default: return false;
  }
}

bool CanWrite(int32_t ft) {
  const TIECodecs& c = IECodecs;
  switch (ft) {
    case ioTIFF: return c.TiffWriteImage != nullptr;
    case ioGIF: return c.GifWriteImage != nullptr;
    case ioJPEG: return c.JpegWriteImage != nullptr;
    case ioPCX: return c.PcxWriteImage != nullptr;
    case ioBMP: return c.BmpWriteImage != nullptr;
    case ioICO: return c.IcoWriteImage != nullptr;
    case ioPNG: return c.PngWriteImage != nullptr;
    case ioTGA: return c.TgaWriteImage != nullptr;
    case ioPXM: return c.PnmWriteImage != nullptr;
    case ioJP2:
    case ioJ2K: return c.Jpeg2000WriteImage != nullptr;
    case ioWBMP: return c.WbmpWriteImage != nullptr;
    case ioPS: return c.PsWriteImage != nullptr;
    case ioPDF: return c.PdfWriteImage != nullptr;
    case ioDCX: return c.DcxInsertPage != nullptr;
    case ioPSD: return c.PsdWriteImage != nullptr;
    case ioHDP: return c.HdPhotoWriteImage != nullptr;
    default: return false;
  }
}

// A mask built from the alpha channel (nil without one), for the PNG and TGA writers.
std::unique_ptr<TIEMask> AlphaAsMask(TIEBitmap* B) {
  if (B == nullptr || !B->HasAlphaChannel()) return nullptr;
  TIEBitmap* a = B->GetAlphaChannel();
  auto m = std::make_unique<TIEMask>();
  m->AllocateBits(a->Width(), a->Height(), 8);
  for (int y = 0; y < a->Height(); ++y) {
    const uint8_t* row = a->Scanline(y);
    for (int x = 0; x < a->Width(); ++x) m->SetPixel(x, y, row[x]);
  }
  return m;
}

void WriteHeader(TStream* S, const char* Magic, int32_t Length) {
  uint8_t h[12] = {};
  std::memcpy(h, Magic, std::min<size_t>(4, std::strlen(Magic)));
  IEPutLE32(h + 8, uint32_t(Length));
  S->WriteBuffer(h, 12);
}

int32_t HeaderLength(const uint8_t* h) {
  return int32_t(IELE32(h + 8));
}

std::string LowerExt(const std::string& FileName) {
  size_t slash = FileName.find_last_of('/');
  size_t dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string e = FileName.substr(dot);
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

bool StartsWithNoCase(const std::string& s, const char* p) {
  size_t n = std::strlen(p);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != p[i]) return false;
  return true;
}

// Runs Body and then Finish, also when Body raises (the exception continues afterwards).
template <class B, class F> void Protected(B&& Body, F&& Finish) {
  try {
    Body();
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
}

}  // namespace

// ================================================================ reader and writer calls

int TImageryIO::CallReader(int32_t ft, TStream* S, TIEBitmap* B, bool Preview, TIEProgressRec& Rec, TIEMask*& Alpha,
                           int64_t DataSize) {
  const TIECodecs& c = IECodecs;
  TIOParamsVals& P = *Params;
  Alpha = nullptr;
  if (!CanRead(ft)) {
    Rec.Abort();  // format not available
    return 0;
  }
  int count = 0;
  switch (ft) {
    case ioTIFF:
      c.TiffReadImage(B, S, count, false, Preview, true, Alpha, Preview, Rec, P);
      return count;
    case ioGIF: c.GifReadImage(S, B, count, Preview, Alpha, Preview, Rec, P); return count;
    case ioJPEG:
      c.JpegReadImage(S, nullptr, B, NativePixelFormat(), -1, true, true, false, true, false, Preview, Rec, P);
      return 0;
    case ioPCX: c.PcxReadImage(S, B, P, Preview, Rec, DataSize); return 0;
    case ioBMP:
      c.BmpReadImage(S, B, DataSize, !P.BMP_HandleTransparency, Alpha, false, Preview, Rec, P);
      return 0;
    case ioICO: c.IcoReadImage(S, B, P, Preview, Alpha, Rec, false); return 0;
    case ioCUR: c.CurReadImage(S, B, P, Preview, Alpha, Rec, false); return 0;
    case ioPNG: c.PngReadImage(S, B, P, Preview, Rec); return 0;
    case ioTGA: c.TgaReadImage(S, B, P, Preview, Alpha, Preview, Rec); return 0;
    case ioPXM: c.PnmReadImage(S, B, P, Rec, Preview); return 0;
    case ioJP2:
    case ioJ2K: c.Jpeg2000ReadImage(S, B, P, Rec, Preview); return 0;
    case ioWBMP: c.WbmpReadImage(S, B, P, Rec, Preview); return 0;
    case ioDCX: c.DcxReadPage(S, B, P, Preview, Rec); return 0;
    case ioRAW: c.CameraRawReadImage(S, B, P, Rec, Preview); return 0;
    case ioBMPRAW: c.RawPixelsRead(S, B, P, Rec); return 0;
    case ioPSD:
      if (FAttachedImagery != nullptr && c.PsdReadIntoView != nullptr && !Preview)
        c.PsdReadIntoView(FAttachedImagery, S, B, P, Rec);
      else
        c.PsdReadImage(S, B, P, nullptr, false, Rec);
      return 0;
    case ioDICOM: c.DicomReadImage(S, P, B, Preview, Rec); return 0;
    case ioHDP: c.HdPhotoReadImage(S, B, P, Rec, Preview); return 0;
    default: Rec.Abort(); return 0;
  }
}

void TImageryIO::CallWriter(int32_t ft, TStream* S, TIEProgressRec& Rec) {
  const TIECodecs& c = IECodecs;
  TIOParamsVals& P = *Params;
  TIEBitmap* B = FIEBitmap;
  switch (ft) {
    case ioTIFF: c.TiffWriteImage(S, false, B, Rec, P); break;
    case ioGIF: c.GifWriteImage(S, B, P, Rec); break;
    case ioJPEG: c.JpegWriteImage(S, B, P, Rec); break;
    case ioPCX: c.PcxWriteImage(S, B, P, Rec); break;
    case ioBMP: c.BmpWriteImage(S, B, P, P.BMP_HandleTransparency, Rec); break;
    case ioICO: {
      int n = 0;
      while (n < IEMaxIcoImages && P.ICO_Sizes[n].Width != 0) ++n;
      c.IcoWriteImage(S, B, P, P.ICO_BitCount, P.ICO_Sizes, n, Rec);
      break;
    }
    case ioPNG: {
      auto m = AlphaAsMask(B);
      c.PngWriteImage(S, B, P, m.get(), Rec);
      break;
    }
    case ioTGA: {
      auto m = AlphaAsMask(B);
      c.TgaWriteImage(S, B, P, m.get(), Rec);
      break;
    }
    case ioPXM: c.PnmWriteImage(S, B, P, Rec); break;
    case ioJP2: c.Jpeg2000WriteImage(S, B, P, 0, Rec); break;
    case ioJ2K: c.Jpeg2000WriteImage(S, B, P, 1, Rec); break;
    case ioWBMP: c.WbmpWriteImage(S, B, P, Rec); break;
    case ioPS: c.PsWriteImage(S, B, P, Rec); break;
    case ioPDF: c.PdfWriteImage(S, B, P, Rec); break;
    case ioDCX:
      S->SetSize(0);
      S->SetPosition(0);
      c.DcxInsertPage(S, B, P, Rec);
      break;
    case ioPSD:
      if (FAttachedImagery != nullptr && c.PsdWriteFromView != nullptr)
        c.PsdWriteFromView(FAttachedImagery, S, B, P, Rec);
      else
        c.PsdWriteImage(S, P, Rec, nullptr, B);
      break;
    case ioHDP: c.HdPhotoWriteImage(S, B, P, Rec); break;
    default: Rec.Abort(); break;
  }
}

// ================================================================ load frame

// Steps shared by every built-in load once the stream is ready: progress record, alpha dropped,
// stream headers (stream loads of JPEG, TIFF, PCX), the reader, the alpha mask, DPI checks.
// Returns the reader's count (TIFF pages) or 0; -2 when an expected header is missing.
int TImageryIO::RunLoad(int32_t ft, TStream* S, const std::string& FileName, bool FileShape) {
  const TFormatTraits* tr = TraitsOf(ft);
  TIEProgressRec rec;
  FillProgress(rec);
  FIEBitmap->RemoveAlphaChannel(false, 0xFFFFFF);
  if (ft == ioPNG && FileShape) Params->PNG_Background = {uint8_t(Background() >> 16), uint8_t(Background() >> 8),
                                                          uint8_t(Background())};
  int64_t start = S->Position();
  int64_t dataSize = 0;
  int64_t endAfter = -1;  // where the stream is left after a headed image
  std::unique_ptr<TStream> buffered;
  TStream* src = S;
  uint8_t h[12] = {};
  if (!FileShape && ft == ioJPEG) {
    if (S->Read(h, 12) == 12 && std::memcmp(h, "JFIF", 4) == 0)
      endAfter = start + 12 + HeaderLength(h);
    else
      S->SetPosition(start);
  } else if (!FileShape && ft == ioTIFF && StreamHeaders) {
    if (S->Read(h, 12) != 12 || std::memcmp(h, "TIFF", 4) != 0) return -2;
    endAfter = start + 12 + HeaderLength(h);
  } else if (!FileShape && ft == ioPCX && StreamHeaders) {
    if (S->Read(h, 12) < 4 || std::memcmp(h, "PCX", 3) != 0) return -2;
    if (h[3] == '2') {
      dataSize = HeaderLength(h);
      endAfter = start + 12 + dataSize;
    } else {
      S->SetPosition(start + 4);
      dataSize = S->Size() - (start + 4);
    }
  }
  if (ft == ioPCX && dataSize == 0) dataSize = S->Size() - S->Position();
  // A header length that does not fit the stream is cut to what the stream holds.
  const int64_t streamSize = S->Size();
  if (endAfter >= 0) endAfter = std::clamp<int64_t>(endAfter, start + 12, streamSize);
  dataSize = std::clamp<int64_t>(dataSize, 0, std::max<int64_t>(0, streamSize - S->Position()));
  if (ft == ioTIFF || (ft == ioJPEG && FileShape)) {
    // offsets of a TIFF count from where its data start; JPEG files read through a buffer
    buffered = std::make_unique<TIEBufferedReadStream>(S, 8192, true);
    src = buffered.get();
  }
  TIEMask* alpha = nullptr;
  int count = CallReader(ft, src, FIEBitmap, false, rec, alpha, ft == ioBMP ? 0 : dataSize);
  buffered.reset();
  if (alpha != nullptr) {
    if (tr != nullptr && tr->Alpha) IOMaskToAlpha(alpha, FIEBitmap);
    delete alpha;
  }
  if (endAfter >= 0) S->SetPosition(endAfter);
  if (ft == ioPNG) SetBackground(TColor(Params->PNG_Background.r) << 16 | TColor(Params->PNG_Background.g) << 8 |
                                 TColor(Params->PNG_Background.b));
  if (tr == nullptr || !tr->NoCheckDPI) CheckDPI();
  if (AutoAdjustDPI && (tr == nullptr || !tr->NoAdjustDPI)) AdjustDPI();
  (void)FileName;
  return count;
}

// Own frame: Aborting set before the open, the finish runs also when the open fails.
void TImageryIO::LoadFileOwnFrame(int32_t ft, const std::string& FileName) {
  const TFormatTraits* tr = TraitsOf(ft);
  Aborting.store(true);
  std::unique_ptr<TStream> fs;
  Protected(
      [&] {
        if (!MakeConsistentBitmap(0)) return;
        Params->ResetInfo();
        fs = std::make_unique<TIEWideFileStream>(FileName, kOpenRead);
        Aborting.store(false);
        RunLoad(ft, fs.get(), FileName, true);
        Params->FileName = FileName;
        Params->FileType = ft;
        if (!tr->NoViewDPIFile) UpdateViewDPI();
        Update();
      },
      [&] {
        fs.reset();
        DoFinishWork();
      });
}

// The stream body of every member: the whole frame on the caller's stream, with the finish.
static int LoadStreamBody(TImageryIO* IO, int32_t ft, TStream* S);

int TImageryIO::LoadFileWrapped(int32_t ft, const std::string& FileName) {
  // A failing open raises before any finish.
  TIEWideFileStream fs(FileName, kOpenRead);
  int r;
  if (ft == ioGIF)
    r = LoadGIFBody(&fs);
  else
    r = LoadStreamBody(this, ft, &fs);
  Params->FileName = FileName;
  return r;
}

// Friend-free access to the private pieces the stream body needs goes through this helper.
struct TImageryIO::TLoadSpec {
  static int Body(TImageryIO* IO, int32_t ft, TStream* S) {
    const TFormatTraits* tr = TraitsOf(ft);
    IO->Aborting.store(false);
    int result = 0;
    Protected(
        [&] {
          if (!IO->MakeConsistentBitmap(0)) return;
          IO->Params->ResetInfo();
          result = IO->RunLoad(ft, S, std::string(), false);
          if (result == -2) {  // missing stream header: target untouched
            IO->Aborting.store(true);
            result = 0;
            return;
          }
          IO->Params->FileName.clear();
          IO->Params->FileType = ft;
          if (!tr->NoViewDPIStream) IO->UpdateViewDPI();
          IO->Update();
        },
        [&] { IO->DoFinishWork(); });
    return result;
  }
};

static int LoadStreamBody(TImageryIO* IO, int32_t ft, TStream* S) { return TImageryIO::TLoadSpec::Body(IO, ft, S); }

// ================================================================ GIF composition

int TImageryIO::LoadGIFBody(TStream* S) {
  Aborting.store(false);
  int result = 0;
  Protected(
      [&] {
        if (!MakeConsistentBitmap(0)) return;
        Params->ResetInfo();
        TIEProgressRec rec;
        FillProgress(rec);
        FIEBitmap->RemoveAlphaChannel(false, 0xFFFFFF);
        const int64_t start = S->Position();
        TIEGifCanvas canvas;
        const int N = Params->GIF_ImageIndex;
        TIEProgressRec silent = rec;
        silent.Callback = nullptr;
        int frameCount = 0;
        if (!CanRead(ioGIF)) {
          Aborting.store(true);
          return;
        }
        for (int i = 0;; ++i) {
          S->SetPosition(start);
          Params->SetImageIndex(i);
          TIEBitmap frame;
          TIEMask* mask = nullptr;
          IECodecs.GifReadImage(S, &frame, frameCount, false, mask, false, N < 1 ? rec : silent, *Params);
          const TIEPixelFormat framePF = frame.PixelFormat();
          CheckDPI();
          if (mask != nullptr) {
            IOMaskToAlpha(mask, &frame);
            delete mask;
          }
          if (Aborting.load()) break;  // a refused or damaged frame is not composed
          TIEBitmap* current = &frame;
          if (frameCount > 1 && !frame.IsEmpty()) current = canvas.Compose(&frame, *Params);
          if (Aborting.load()) break;
          if (frameCount >= 1) {
            FIEBitmap->Assign(current);
            // The composed canvas is 24-bit; a frame that was 24-bit keeps that format, other
            // formats stay 24-bit (a palette cannot be rebuilt here without a quantizer).
            (void)framePF;
          }
          if (rec.Callback != nullptr && N >= 1 && frameCount > 0) rec.Callback(rec.Data, this, i * 100 / frameCount);
          if (Aborting.load() || i + 1 >= frameCount || i == N) break;
        }
        Params->SetImageIndex(N);
        result = frameCount;
        if (AutoAdjustDPI) AdjustDPI();
        if (Params->GIF_FlagTranspColor)
          SetBackground(TColor(Params->GIF_TranspColor.r) << 16 | TColor(Params->GIF_TranspColor.g) << 8 |
                        Params->GIF_TranspColor.b);
        else
          SetBackground(TColor(Params->GIF_Background.r) << 16 | TColor(Params->GIF_Background.g) << 8 |
                        Params->GIF_Background.b);
        Params->FileType = ioGIF;
        Params->FileName.clear();
        Update();
      },
      [&] { DoFinishWork(); });
  return result;
}

// ================================================================ save frame

void TImageryIO::ConvertTo24IfNeeded() {
  if (FIEBitmap == nullptr) return;
  TIEPixelFormat pf = FIEBitmap->PixelFormat();
  if (pf != ie24RGB && pf != ie1g && !FIEBitmap->IsEmpty()) FIEBitmap->SetPixelFormat(ie24RGB);
}

// The stream save body with headers; Aborting and the finish are the caller's.
void TImageryIO::RunSave(int32_t ft, TStream* S, const std::string& FileName) {
  const bool headed = FileName.empty() && StreamHeaders && (ft == ioJPEG || ft == ioTIFF || ft == ioPCX);
  const int64_t start = S->Position();
  if (headed) WriteHeader(S, "", 0);
  if (ft == ioJPEG) PrepareJpegMarkers();
  TIEProgressRec rec;
  FillProgress(rec);
  CallWriter(ft, S, rec);
  if (headed && (ft != ioPCX || !Aborting.load())) {
    const int64_t end = S->Position();
    S->SetPosition(start);
    WriteHeader(S, ft == ioJPEG ? "JFIF" : ft == ioTIFF ? "TIFF" : "PCX2", int32_t(end - start - 12));
    S->SetPosition(end);
  }
}

void TImageryIO::SaveFileOwnFrame(int32_t ft, const std::string& FileName) {
  const TFormatTraits* tr = TraitsOf(ft);
  Aborting.store(true);
  std::unique_ptr<TStream> fs;
  Protected(
      [&] {
        if (!MakeConsistentBitmap(0)) return;
        if (!CanWrite(ft)) return;  // format not available: Aborting stays set, no file made
        if (tr->Save24) ConvertTo24IfNeeded();
        fs = std::make_unique<TIEWideFileStream>(FileName, kCreate);
        Aborting.store(false);
        RunSave(ft, fs.get(), FileName);
        Params->FileName = FileName;
        Params->FileType = ft;
      },
      [&] {
        fs.reset();
        DoFinishWork();
      });
}

struct TImageryIO::TSaveSpec {
  static void Body(TImageryIO* IO, int32_t ft, TStream* S, bool Named) {
    const TFormatTraits* tr = TraitsOf(ft);
    IO->Aborting.store(false);
    Protected(
        [&] {
          if (!IO->MakeConsistentBitmap(0)) return;
          if (!CanWrite(ft)) {
            IO->Aborting.store(true);
            return;
          }
          if (tr->Save24) IO->ConvertTo24IfNeeded();
          IO->RunSave(ft, S, Named ? std::string("file") : std::string());
        },
        [&] { IO->DoFinishWork(); });
  }
};

void TImageryIO::SaveFileWrapped(int32_t ft, const std::string& FileName, bool AbortFirst) {
  if (AbortFirst) Aborting.store(true);
  if (!CanWrite(ft)) {  // format not available: no file is made
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  TIEWideFileStream fs(FileName, kCreate);  // raises before any finish
  TSaveSpec::Body(this, ft, &fs, true);
  Params->FileName = FileName;
  Params->FileType = ft;
}

// ================================================================ JPEG markers before a save

void TImageryIO::SyncResolutionInfo() {
  TIEMarkerList* ml = Params->JPEG_MarkerList;
  int idx = ml->IndexOf(0xED);
  if (idx < 0) return;
  std::vector<uint8_t> d(ml->GetMarkerData(idx), ml->GetMarkerData(idx) + ml->GetMarkerLength(idx));
  const int64_t n = static_cast<int64_t>(d.size());
  static const uint8_t sig[6] = {'8', 'B', 'I', 'M', 0x03, 0xED};
  int64_t p = -1;
  for (int64_t i = 0; i + 6 <= n; ++i)
    if (std::memcmp(d.data() + i, sig, 6) == 0) {
      p = i + 6;
      break;
    }
  if (p < 0 || p + 2 > n) return;
  int64_t nameLen = IEBE16(d.data() + p);
  p += 2 + nameLen;
  if (p + 4 > n) return;
  uint32_t size = IEBE32(d.data() + p);
  p += 4;
  if (size < 16 || p + 16 > n) return;  // the record must lie inside the marker
  auto put32 = [&](int64_t at, uint32_t v) { IEPut32(d.data() + at, v, false); };
  auto put16 = [&](int64_t at, uint16_t v) { IEPut16(d.data() + at, v, false); };
  put32(p, uint32_t(Params->DpiX) << 16);
  put16(p + 4, 1);
  put16(p + 6, 1);
  put32(p + 8, uint32_t(Params->DpiY) << 16);
  put16(p + 12, 1);
  put16(p + 14, 1);
  ml->SetMarker(idx, 0xED, static_cast<int>(d.size()), d.data());
}

static bool IsXMPMarker(const uint8_t* d, int len) { return IECheckXMPMarker(d, len) != nullptr; }

void TImageryIO::PrepareJpegMarkers() {
  TIOParamsVals& P = *Params;
  TIEMarkerList* ml = P.JPEG_MarkerList;
  SyncResolutionInfo();
  if (P.IPTC_Info->ChangedByUser || (P.IPTC_Info->GetCount() > 0 && ml->GetCount() == 0)) {
    std::vector<uint8_t> block;
    P.IPTC_Info->SaveToStandardBuffer(block, true);
    int idx = ml->IndexOf(0xED);
    if (!block.empty()) {
      if (idx >= 0)
        ml->SetMarker(idx, 0xED, static_cast<int>(block.size()), block.data());
      else
        ml->AddMarker(0xED, block.data(), static_cast<int>(block.size()));
    } else if (idx >= 0) {
      ml->DeleteMarker(idx);
    }
  }
  if (P.EXIF_HasEXIFData) {
    std::vector<uint8_t> block;
    IESaveEXIFToStandardBuffer(&P, block, true);
    if (static_cast<int>(block.size()) > TIEMarkerList::MaxMarkerData)
      throw EIEException("EXIF block too large for a JPEG marker");
    for (int i = 0; i < ml->GetCount(); ++i)
      if (ml->GetMarkerType(i) == 0xE1 && IEIsEXIFMarker(ml->GetMarkerData(i), ml->GetMarkerLength(i))) {
        ml->DeleteMarker(i);
        break;
      }
    ml->AddMarker(0xE1, block.data(), static_cast<int>(block.size()));
  }
  if (!P.XMP_Info.empty()) {
    std::vector<uint8_t> block;
    IESaveXMPToMarker(&P, block);
    if (static_cast<int>(block.size()) > TIEMarkerList::MaxMarkerData)
      throw EIEException("XMP packet too large for a JPEG marker");
    for (int i = 0; i < ml->GetCount(); ++i)
      if (ml->GetMarkerType(i) == 0xE1 && IsXMPMarker(ml->GetMarkerData(i), ml->GetMarkerLength(i))) {
        ml->DeleteMarker(i);
        break;
      }
    ml->AddMarker(0xE1, block.data(), static_cast<int>(block.size()));
  }
}

// ================================================================ the per-format members

#define IO_DEFER_FILE(Method, F) \
  if (Defer(TIEIOThread::ckFile, [this, F] { Method(F); })) return
#define IO_DEFER_STREAM(Method, S) \
  if (Defer(TIEIOThread::ckStream, [this, S] { Method(S); })) return

#define IO_LOAD_OWN(Name, FT)                                                \
  void TImageryIO::LoadFromFile##Name(const std::string& FileName) {         \
    IO_DEFER_FILE(LoadFromFile##Name, FileName);                             \
    LoadFileOwnFrame(FT, FileName);                                          \
  }                                                                          \
  void TImageryIO::LoadFromStream##Name(TStream* Stream) {                   \
    IO_DEFER_STREAM(LoadFromStream##Name, Stream);                           \
    LoadStreamBody(this, FT, Stream);                                        \
  }
#define IO_LOAD_WRAPPED(Name, FT)                                            \
  void TImageryIO::LoadFromFile##Name(const std::string& FileName) {         \
    IO_DEFER_FILE(LoadFromFile##Name, FileName);                             \
    LoadFileWrapped(FT, FileName);                                           \
  }                                                                          \
  void TImageryIO::LoadFromStream##Name(TStream* Stream) {                   \
    IO_DEFER_STREAM(LoadFromStream##Name, Stream);                           \
    LoadStreamBody(this, FT, Stream);                                        \
  }
#define IO_SAVE_STREAM(Name, FT)                                             \
  void TImageryIO::SaveToStream##Name(TStream* Stream) {                     \
    IO_DEFER_STREAM(SaveToStream##Name, Stream);                             \
    TSaveSpec::Body(this, FT, Stream, false);                                \
  }
#define IO_SAVE_OWN(Name, FT)                                                \
  void TImageryIO::SaveToFile##Name(const std::string& FileName) {           \
    IO_DEFER_FILE(SaveToFile##Name, FileName);                               \
    SaveFileOwnFrame(FT, FileName);                                          \
  }                                                                          \
  IO_SAVE_STREAM(Name, FT)
#define IO_SAVE_WRAPPED(Name, FT, AbortFirst)                                \
  void TImageryIO::SaveToFile##Name(const std::string& FileName) {           \
    IO_DEFER_FILE(SaveToFile##Name, FileName);                               \
    SaveFileWrapped(FT, FileName, AbortFirst);                               \
  }                                                                          \
  IO_SAVE_STREAM(Name, FT)

IO_LOAD_OWN(Jpeg, ioJPEG)
IO_SAVE_OWN(Jpeg, ioJPEG)
IO_SAVE_OWN(TIFF, ioTIFF)
IO_SAVE_OWN(GIF, ioGIF)
IO_LOAD_WRAPPED(PCX, ioPCX)
IO_SAVE_OWN(PCX, ioPCX)
IO_LOAD_WRAPPED(BMP, ioBMP)
IO_SAVE_WRAPPED(BMP, ioBMP, true)
IO_LOAD_OWN(ICO, ioICO)
IO_SAVE_OWN(ICO, ioICO)
IO_LOAD_OWN(CUR, ioCUR)
IO_LOAD_OWN(PNG, ioPNG)
IO_SAVE_OWN(PNG, ioPNG)
IO_LOAD_OWN(TGA, ioTGA)
IO_SAVE_OWN(TGA, ioTGA)
IO_LOAD_OWN(PXM, ioPXM)
IO_SAVE_OWN(PXM, ioPXM)
IO_LOAD_OWN(WBMP, ioWBMP)
IO_SAVE_OWN(WBMP, ioWBMP)
IO_SAVE_WRAPPED(PS, ioPS, false)
IO_SAVE_WRAPPED(PDF, ioPDF, false)
IO_LOAD_WRAPPED(DCX, ioDCX)
IO_SAVE_WRAPPED(DCX, ioDCX, true)
IO_LOAD_WRAPPED(RawPixels, ioBMPRAW)
IO_LOAD_WRAPPED(PSD, ioPSD)
IO_SAVE_WRAPPED(PSD, ioPSD, true)

// ================================================================ multi-page PS and PDF documents

void TImageryIO::CreatePSFile(const std::string& FileName) {
  ClosePSFile();
  const TIECodecs& c = IECodecs;
  if (c.PsBeginDocument == nullptr || c.PsWritePage == nullptr || c.PsEndDocument == nullptr) {
    Aborting.store(true);  // format not available: no file is made
    return;
  }
  auto fs = std::make_unique<TIEWideFileStream>(FileName, kCreate);  // raises when it cannot be made
  FPSContext = c.PsBeginDocument(fs.get(), *Params);
  FPSStream = std::move(fs);
  Aborting.store(false);
  Params->FileName = FileName;
  Params->FileType = ioPS;
}

void TImageryIO::SaveToPSFile() {
  Aborting.store(false);
  Protected(
      [&] {
        if (FPSContext == nullptr || !MakeConsistentBitmap(0) || FIEBitmap->IsEmpty()) {
          Aborting.store(true);
          return;
        }
        ConvertTo24IfNeeded();
        TIEProgressRec rec;
        FillProgress(rec);
        IECodecs.PsWritePage(FPSContext, FPSStream.get(), FIEBitmap, rec, *Params);
      },
      [&] { DoFinishWork(); });
}

void TImageryIO::ClosePSFile() {
  if (FPSContext == nullptr) return;
  TIEPSContext* ctx = FPSContext;
  std::unique_ptr<TStream> fs = std::move(FPSStream);
  FPSContext = nullptr;  // cleared first: a failing trailer write leaves nothing half open
  IECodecs.PsEndDocument(ctx, fs.get());
}

void TImageryIO::CreatePDFFile(const std::string& FileName) {
  ClosePDFFile();
  const TIECodecs& c = IECodecs;
  if (c.PdfBeginDocument == nullptr || c.PdfWritePage == nullptr || c.PdfEndDocument == nullptr) {
    Aborting.store(true);
    return;
  }
  auto fs = std::make_unique<TIEWideFileStream>(FileName, kCreate);
  FPDFContext = c.PdfBeginDocument();
  FPDFStream = std::move(fs);
  Aborting.store(false);
  Params->FileName = FileName;
  Params->FileType = ioPDF;
}

void TImageryIO::SaveToPDFFile() {
  Aborting.store(false);
  Protected(
      [&] {
        if (FPDFContext == nullptr || !MakeConsistentBitmap(0) || FIEBitmap->IsEmpty()) {
          Aborting.store(true);
          return;
        }
        ConvertTo24IfNeeded();
        TIEProgressRec rec;
        FillProgress(rec);
        IECodecs.PdfWritePage(FPDFContext, FIEBitmap, *Params, rec);
      },
      [&] { DoFinishWork(); });
}

void TImageryIO::ClosePDFFile() {
  if (FPDFContext == nullptr) return;
  TIEPDFContext* ctx = FPDFContext;
  std::unique_ptr<TStream> fs = std::move(FPDFStream);
  FPDFContext = nullptr;
  IECodecs.PdfEndDocument(ctx, fs.get(), *Params);  // frees the context, also when a write fails
}
IO_LOAD_OWN(DICOM, ioDICOM)
IO_LOAD_WRAPPED(HDP, ioHDP)
IO_SAVE_WRAPPED(HDP, ioHDP, true)

int TImageryIO::LoadFromFileTIFF(const std::string& FileName) {
  if (Defer(TIEIOThread::ckFileCount, [this, FileName] { LoadFromFileTIFF(FileName); })) return -1;
  return LoadFileWrapped(ioTIFF, FileName);
}
int TImageryIO::LoadFromStreamTIFF(TStream* Stream) {
  if (Defer(TIEIOThread::ckStreamCount, [this, Stream] { LoadFromStreamTIFF(Stream); })) return -1;
  return LoadStreamBody(this, ioTIFF, Stream);
}
int TImageryIO::LoadFromFileGIF(const std::string& FileName) {
  if (Defer(TIEIOThread::ckFileCount, [this, FileName] { LoadFromFileGIF(FileName); })) return -1;
  return LoadFileWrapped(ioGIF, FileName);
}
int TImageryIO::LoadFromStreamGIF(TStream* Stream) {
  if (Defer(TIEIOThread::ckStreamCount, [this, Stream] { LoadFromStreamGIF(Stream); })) return -1;
  return LoadGIFBody(Stream);
}

void TImageryIO::LoadFromFileRAW(const std::string& FileName) {
  IO_DEFER_FILE(LoadFromFileRAW, FileName);
  LoadFileWrapped(ioRAW, FileName);
}
void TImageryIO::LoadFromStreamRAW(TStream* Stream) {
  int32_t ft = IEExtToFileType("raw");
  if (ft != ioRAW && ft != 0) {  // another format took the extension
    LoadFromStreamFormat(Stream, ft);
    return;
  }
  IO_DEFER_STREAM(LoadFromStreamRAW, Stream);
  LoadStreamBody(this, ioRAW, Stream);
}

// JPEG 2000: one body for both kinds; the wrappers set FileType.
#define IO_J2K(Name, FT)                                                      \
  void TImageryIO::LoadFromFile##Name(const std::string& FileName) {          \
    IO_DEFER_FILE(LoadFromFile##Name, FileName);                              \
    Aborting.store(true);                                                     \
    std::unique_ptr<TStream> fs;                                              \
    Protected(                                                                \
        [&] {                                                                 \
          fs = std::make_unique<TIEWideFileStream>(FileName, kOpenRead);      \
          Aborting.store(false);                                              \
          if (!MakeConsistentBitmap(0)) return;                               \
          Params->ResetInfo();                                                \
          RunLoad(FT, fs.get(), FileName, true);                              \
          UpdateViewDPI();                                                    \
          Params->FileName = FileName;                                        \
          Params->FileType = FT;                                              \
          Update();                                                           \
        },                                                                    \
        [&] {                                                                 \
          fs.reset();                                                         \
          DoFinishWork();                                                     \
        });                                                                   \
  }                                                                           \
  void TImageryIO::LoadFromStream##Name(TStream* Stream) {                    \
    IO_DEFER_STREAM(LoadFromStream##Name, Stream);                            \
    LoadStreamBody(this, FT, Stream);                                         \
  }                                                                           \
  void TImageryIO::SaveToFile##Name(const std::string& FileName) {            \
    IO_DEFER_FILE(SaveToFile##Name, FileName);                                \
    SaveFileOwnFrame(FT, FileName);                                           \
  }                                                                           \
  IO_SAVE_STREAM(Name, FT)
IO_J2K(JP2, ioJP2)
IO_J2K(J2K, ioJ2K)

// ================================================================ layers and vector objects

void TImageryIO::LoadFromFileLayersObjects(const std::string& FileName, int32_t FileType) {
  // Layer files go through the views' layer loader: into an attached single-image view, or
  // flattened into the target. Vector-object and layers-and-objects files go through the vector
  // views' loader: into an attached vector view, or burnt into the target by an unseen one.
  const bool layers = FileType == ioLYR && IECodecs.LoadLayersFile != nullptr;
  const bool objects = (FileType == ioIEV || FileType == ioALL) && IECodecs.LoadVectorObjectsFile != nullptr;
  if (layers || objects) {
    bool intoView = false, loaded = false;
    Aborting.store(false);
    try {
      TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
      loaded = layers ? IECodecs.LoadLayersFile(FAttachedImagery, &fs, FIEBitmap, intoView)
                      : IECodecs.LoadVectorObjectsFile(FAttachedImagery, &fs, FileType, FIEBitmap, intoView);
    } catch (const Exception&) {
      loaded = false;  // a file that cannot be opened or read is not loaded
    }
    Aborting.store(!loaded);
    if (loaded && !intoView) {
      Params->Width = FIEBitmap->Width();
      Params->Height = FIEBitmap->Height();
      Params->OriginalWidth = FIEBitmap->Width();
      Params->OriginalHeight = FIEBitmap->Height();
      Update();
    }
    if (!intoView) DoFinishWork();
    Params->FileType = FileType;
    return;
  }
  Aborting.store(true);
  DoFinishWork();
  Params->FileType = FileType;
}

void TImageryIO::LoadFromStreamLayersObjects(TStream* Stream, int32_t FileType) {
  // Only an attached view of the right kind takes a layer or vector-object stream.
  bool intoView = false, loaded = false;
  try {
    if (FileType == ioLYR && IECodecs.LoadLayersFile != nullptr && FAttachedImagery != nullptr)
      loaded = IECodecs.LoadLayersFile(FAttachedImagery, Stream, nullptr, intoView);
    else if ((FileType == ioIEV || FileType == ioALL) && IECodecs.LoadVectorObjectsFile != nullptr &&
             FAttachedImagery != nullptr)
      loaded = IECodecs.LoadVectorObjectsFile(FAttachedImagery, Stream, FileType, nullptr, intoView);
  } catch (const Exception&) {
    loaded = false;
  }
  if (intoView) Aborting.store(!loaded);
  Params->FileType = FileType;
}

// ================================================================ generic entry points

int32_t IEExtToFileType(const std::string& Ext) {
  TIEFileFormatInfo* e = IEFindFileFormatInfoByExt(Ext);
  return e != nullptr ? e->FileType : 0;
}

bool IEIsExtensionReadable(const std::string& FileName) {
  TIEFileFormatInfo* e = IEFindFileFormatInfoByExt(LowerExt(FileName));
  return e != nullptr && e->ReadFunction != nullptr;
}

// Dispatches a built-in FileType to its file load member; false when it has none.
static bool LoadBuiltinFile(TImageryIO* IO, int32_t ft, const std::string& F, bool WithRawPixels) {
  switch (ft) {
    case ioTIFF: IO->LoadFromFileTIFF(F); return true;
    case ioGIF: IO->LoadFromFileGIF(F); return true;
    case ioJPEG: IO->LoadFromFileJpeg(F); return true;
    case ioPCX: IO->LoadFromFilePCX(F); return true;
    case ioBMP: IO->LoadFromFileBMP(F); return true;
    case ioICO: IO->LoadFromFileICO(F); return true;
    case ioCUR: IO->LoadFromFileCUR(F); return true;
    case ioPNG: IO->LoadFromFilePNG(F); return true;
    case ioTGA: IO->LoadFromFileTGA(F); return true;
    case ioPXM: IO->LoadFromFilePXM(F); return true;
    case ioJP2: IO->LoadFromFileJP2(F); return true;
    case ioJ2K: IO->LoadFromFileJ2K(F); return true;
    case ioWBMP: IO->LoadFromFileWBMP(F); return true;
    case ioDCX: IO->LoadFromFileDCX(F); return true;
    case ioRAW: IO->LoadFromFileRAW(F); return true;
    case ioPSD: IO->LoadFromFilePSD(F); return true;
    case ioDICOM: IO->LoadFromFileDICOM(F); return true;
    case ioHDP: IO->LoadFromFileHDP(F); return true;
    case ioWMF:
    case ioEMF:
      // Metafiles need the graphics layer's metafile player; not available: abort and finish.
      IO->Aborting.store(true);
      IO->DoFinishWork();
      return true;
    case ioIEV:
    case ioLYR:
    case ioALL: IO->LoadFromFileLayersObjects(F, ft); return true;
    case ioBMPRAW:
      if (!WithRawPixels) return false;
      IO->LoadFromFileRawPixels(F);
      return true;
    default: return false;
  }
}

static bool LoadBuiltinStream(TImageryIO* IO, int32_t ft, TStream* S, bool FormatGiven) {
  switch (ft) {
    case ioTIFF: IO->LoadFromStreamTIFF(S); return true;
    case ioGIF: IO->LoadFromStreamGIF(S); return true;
    case ioJPEG: IO->LoadFromStreamJpeg(S); return true;
    case ioPCX: IO->LoadFromStreamPCX(S); return true;
    case ioBMP: IO->LoadFromStreamBMP(S); return true;
    case ioICO: IO->LoadFromStreamICO(S); return true;
    case ioCUR: IO->LoadFromStreamCUR(S); return true;
    case ioPNG: IO->LoadFromStreamPNG(S); return true;
    case ioTGA: IO->LoadFromStreamTGA(S); return true;
    case ioPXM: IO->LoadFromStreamPXM(S); return true;
    case ioJP2: IO->LoadFromStreamJP2(S); return true;
    case ioJ2K: IO->LoadFromStreamJ2K(S); return true;
    case ioDCX: IO->LoadFromStreamDCX(S); return true;
    case ioRAW: IO->LoadFromStreamRAW(S); return true;
    case ioPSD: IO->LoadFromStreamPSD(S); return true;
    case ioDICOM: IO->LoadFromStreamDICOM(S); return true;
    case ioHDP: IO->LoadFromStreamHDP(S); return true;
    case ioIEV:
    case ioLYR:
    case ioALL: IO->LoadFromStreamLayersObjects(S, ft); return true;
    case ioWBMP:
      if (FormatGiven) IO->LoadFromStreamWBMP(S);
      return true;
    case ioBMPRAW:
      if (FormatGiven) IO->LoadFromStreamRawPixels(S);
      return true;
    case ioWMF:
    case ioEMF:
    case ioAVI:
    case ioPS:
    case ioPDF: return true;  // not loadable from a stream: nothing happens
    default: return false;
  }
}

void TImageryIO::LoadRegistry(TIEFileFormatInfo* Info, TStream* S, const std::string& FileName) {
  Params->ResetInfo();
  Params->FileName.clear();
  Params->FileType = 0;
  if (Info->ReadFunction == nullptr) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  TIEProgressRec rec;
  FillProgress(rec);
  Protected(
      [&] {
        if (!FileName.empty()) {
          Params->FileName = FileName;
        }
        Params->FileType = Info->FileType;
        try {
          Info->ReadFunction(S, FIEBitmap, *Params, rec, false);
        } catch (...) {
          Aborting.store(true);
        }
        if (!Aborting.load()) {
          if (AutoAdjustDPI) AdjustDPI();
          UpdateViewDPI();
        }
        Update();
      },
      [&] { DoFinishWork(); });
}

void TImageryIO::LoadFromURL(const std::string& URL) {
  if (FIEBitmap == nullptr) return;
  if (Defer(TIEIOThread::ckURL, [this, URL] { LoadFromURL(URL); })) return;
  TMemoryStream ms;
  std::string kind;
  const bool ok = IEGetFromURL(URL, &ms, ProxyAddress, &kind, &Aborting, this,
                               [this](TObject* Sender, int Per) { DoProgress(Sender, Per); }, ProxyUser, ProxyPassword);
  if (!ok) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  ms.SetPosition(0);
  LoadFromStream(&ms);
}

void TImageryIO::LoadFromFile(const std::string& FileName) {
  if (FIEBitmap == nullptr) return;
  if (FileName.empty()) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  if (StartsWithNoCase(FileName, "http://") || StartsWithNoCase(FileName, "https://") ||
      StartsWithNoCase(FileName, "ftp://")) {
    LoadFromURL(FileName);
    return;
  }
  const std::string ext = LowerExt(FileName);
  if (ext == ".avi") {
    // The video route opens, reads and closes in one call, deferred as a whole, so the file is
    // never closed before the frame read. No video decoder is available here: the frame read
    // fails (Aborting) and the one finish runs.
    IO_DEFER_FILE(LoadFromFile, FileName);
    Aborting.store(true);
    Params->FileName = FileName;
    Params->FileType = ioAVI;
    DoFinishWork();
    return;
  }
  TIEFileFormatInfo* e = IEFindFileFormatInfoByExt(ext);
  if (e == nullptr) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  if (e->InternalFormat && LoadBuiltinFile(this, e->FileType, FileName, false)) return;
  // registry route
  IO_DEFER_FILE(LoadFromFile, FileName);
  Params->FileName.clear();
  Params->FileType = 0;
  Params->ResetInfo();
  if (e->ReadFunction == nullptr) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  Aborting.store(true);
  if (!MakeConsistentBitmap(0)) return;
  std::unique_ptr<TStream> fs;
  Protected(
      [&] {
        fs = std::make_unique<TIEWideFileStream>(FileName, kOpenRead);
        Aborting.store(false);
        TIEProgressRec rec;
        FillProgress(rec);
        Params->FileName = FileName;
        Params->FileType = e->FileType;
        try {
          e->ReadFunction(fs.get(), FIEBitmap, *Params, rec, false);
        } catch (...) {
          Aborting.store(true);
        }
        if (!Aborting.load()) {
          if (AutoAdjustDPI) AdjustDPI();
          UpdateViewDPI();
        }
        Update();
      },
      [&] {
        fs.reset();
        DoFinishWork();
      });
}

void TImageryIO::LoadFromFileFormat(const std::string& FileName, int32_t FileType) {
  TIEFileFormatInfo* e = IEFindFileFormatInfo(FileType);
  if (e == nullptr) {
    if (FileType == ioAVI) LoadFromFile(FileName);
    return;
  }
  if (e->InternalFormat) {
    if (!LoadBuiltinFile(this, FileType, FileName, true)) LoadFromFile(FileName);
    return;
  }
  if (Defer(TIEIOThread::ckFileFormat, [this, FileName, FileType] { LoadFromFileFormat(FileName, FileType); }))
    return;
  Params->ResetInfo();
  Params->FileName.clear();
  Params->FileType = 0;
  if (e->ReadFunction == nullptr) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  Aborting.store(true);
  std::unique_ptr<TStream> fs;
  Protected(
      [&] {
        if (!MakeConsistentBitmap(0)) return;
        fs = std::make_unique<TIEWideFileStream>(FileName, kOpenRead);
        Aborting.store(false);
        TIEProgressRec rec;
        FillProgress(rec);
        Params->FileName = FileName;
        Params->FileType = FileType;
        e->ReadFunction(fs.get(), FIEBitmap, *Params, rec, false);
        if (AutoAdjustDPI) AdjustDPI();
        UpdateViewDPI();
        Update();
      },
      [&] {
        fs.reset();
        DoFinishWork();
      });
}

void TImageryIO::LoadFromFileAuto(const std::string& FileName) {
  int32_t ft = IEFindFileFormat(FileName, false);
  if (ft != 0)
    LoadFromFileFormat(FileName, ft);
  else
    LoadFromFile(FileName);
}

void TImageryIO::LoadFromStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  int32_t ft = IEFindStreamFormat(Stream);
  TIEFileFormatInfo* e = IEFindFileFormatInfo(ft);
  if (e == nullptr) return;  // nothing matched: nothing happens, no finish
  Stream->SetPosition(pos);
  if (e->InternalFormat) {
    LoadBuiltinStream(this, ft, Stream, false);
    return;
  }
  if (Defer(TIEIOThread::ckStream, [this, Stream] { LoadFromStream(Stream); })) return;
  Aborting.store(false);
  if (!MakeConsistentBitmap(0)) return;
  LoadRegistry(e, Stream, std::string());
}

void TImageryIO::LoadFromStreamFormat(TStream* Stream, int32_t FileType) {
  if (FileType == 0) return;
  TIEFileFormatInfo* e = IEFindFileFormatInfo(FileType);
  if (e == nullptr) return;
  if (e->InternalFormat) {
    LoadBuiltinStream(this, FileType, Stream, true);
    return;
  }
  if (Defer(TIEIOThread::ckStreamFormat, [this, Stream, FileType] { LoadFromStreamFormat(Stream, FileType); }))
    return;
  Aborting.store(false);
  if (!MakeConsistentBitmap(0)) return;
  LoadRegistry(e, Stream, std::string());
}

void TImageryIO::LoadFromBuffer(const void* Buffer, int64_t Size, int32_t FileType) {
  if (!FOwnsBitmap && AsyncMode && !IsInsideAsyncThreads()) {
    // The worker reads later: it gets its own copy of the data, which lives as long as the call.
    auto data = std::make_shared<std::vector<uint8_t>>(static_cast<const uint8_t*>(Buffer),
                                                       static_cast<const uint8_t*>(Buffer) + std::max<int64_t>(Size, 0));
    Defer(TIEIOThread::ckStream, [this, data, FileType] {
      TIEMemStream ms(data->data(), static_cast<int64_t>(data->size()));
      if (FileType != 0)
        LoadFromStreamFormat(&ms, FileType);
      else
        LoadFromStream(&ms);
    });
    return;
  }
  TIEMemStream ms(Buffer, Size);
  if (FileType != 0)
    LoadFromStreamFormat(&ms, FileType);
  else
    LoadFromStream(&ms);
}

void TImageryIO::SaveToFile(const std::string& FileName) {
  if (FileName.empty()) return;
  const std::string e = LowerExt(FileName);
  auto is = [&](std::initializer_list<const char*> l) {
    for (const char* x : l)
      if (e == x) return true;
    return false;
  };
  if (is({".jpg", ".jpeg", ".jpe", ".jif"})) return SaveToFileJpeg(FileName);
  if (is({".jp2"})) return SaveToFileJP2(FileName);
  if (is({".j2k", ".jpc", ".j2c"})) return SaveToFileJ2K(FileName);
  if (is({".pcx"})) return SaveToFilePCX(FileName);
  if (is({".dcx"})) return SaveToFileDCX(FileName);
  if (is({".gif"})) return SaveToFileGIF(FileName);
  if (is({".tif", ".tiff", ".fax", ".g3f", ".g3n"})) return SaveToFileTIFF(FileName);
  if (is({".png"})) return SaveToFilePNG(FileName);
  if (is({".bmp", ".dib", ".rle"})) return SaveToFileBMP(FileName);
  if (is({".tga", ".targa", ".vda", ".icb", ".vst", ".win"})) return SaveToFileTGA(FileName);
  if (is({".pxm", ".pbm", ".pgm", ".ppm"})) return SaveToFilePXM(FileName);
  if (is({".ico"})) return SaveToFileICO(FileName);
  if (is({".wbmp"})) return SaveToFileWBMP(FileName);
  if (is({".ps", ".eps"})) return SaveToFilePS(FileName);
  if (is({".pdf"})) return SaveToFilePDF(FileName);
  if (is({".psd"})) return SaveToFilePSD(FileName);
  if (is({".hdp", ".wdp"})) return SaveToFileHDP(FileName);
  TIEFileFormatInfo* info = IEFindFileFormatInfoByExt(e);
  if (info == nullptr || info->WriteFunction == nullptr || info->InternalFormat) {
    Aborting.store(true);
    return;
  }
  IO_DEFER_FILE(SaveToFile, FileName);
  Aborting.store(true);
  std::unique_ptr<TStream> fs;
  Protected(
      [&] {
        if (!MakeConsistentBitmap(0)) return;
        ConvertTo24IfNeeded();
        fs = std::make_unique<TIEWideFileStream>(FileName, kCreate);
        Aborting.store(false);
        TIEProgressRec rec;
        FillProgress(rec);
        Params->FileName = FileName;
        Params->FileType = info->FileType;
        info->WriteFunction(fs.get(), FIEBitmap, *Params, rec);
        Params->FileName = FileName;
        Params->FileType = info->FileType;
      },
      [&] {
        fs.reset();
        DoFinishWork();
      });
}

void TImageryIO::SaveToStream(TStream* Stream, int32_t FileType) {
  switch (FileType) {
    case ioTIFF: return SaveToStreamTIFF(Stream);
    case ioGIF: return SaveToStreamGIF(Stream);
    case ioJPEG: return SaveToStreamJpeg(Stream);
    case ioPCX: return SaveToStreamPCX(Stream);
    case ioBMP: return SaveToStreamBMP(Stream);
    case ioICO: return SaveToStreamICO(Stream);
    case ioPNG: return SaveToStreamPNG(Stream);
    case ioTGA: return SaveToStreamTGA(Stream);
    case ioPXM: return SaveToStreamPXM(Stream);
    case ioJP2: return SaveToStreamJP2(Stream);
    case ioJ2K: return SaveToStreamJ2K(Stream);
    case ioWBMP: return SaveToStreamWBMP(Stream);
    case ioPS: return SaveToStreamPS(Stream);
    case ioPDF: return SaveToStreamPDF(Stream);
    case ioDCX: return SaveToStreamDCX(Stream);
    case ioPSD: return SaveToStreamPSD(Stream);
    case ioHDP: return SaveToStreamHDP(Stream);
    default: break;
  }
  if (Defer(TIEIOThread::ckStreamFormat, [this, Stream, FileType] { SaveToStream(Stream, FileType); })) return;
  TIEFileFormatInfo* info = IEFindFileFormatInfo(FileType);
  if (info == nullptr || info->WriteFunction == nullptr || info->InternalFormat) {
    Aborting.store(true);
    return;
  }
  Aborting.store(false);
  Protected(
      [&] {
        if (!MakeConsistentBitmap(0)) return;
        ConvertTo24IfNeeded();
        TIEProgressRec rec;
        FillProgress(rec);
        Params->FileType = FileType;
        info->WriteFunction(Stream, FIEBitmap, *Params, rec);
      },
      [&] { DoFinishWork(); });
}

// ================================================================ parameter-only reads

// The preview read of FileType from S into the parameter set (no pixels).
static void PreviewRead(TImageryIO* IO, int32_t ft, TStream* S, TIEProgressRec& Rec, bool FromFile);

void TImageryIO::ParamsFromStreamFormat(TStream* Stream, int32_t FileType) {
  Params->FileType = FileType;
  Aborting.store(false);
  Protected(
      [&] {
        Params->ResetInfo();
        TIEProgressRec rec;
        FillProgress(rec, false);
        try {
          PreviewRead(this, FileType, Stream, rec, false);
        } catch (...) {
          Params->FileType = 0;
        }
        if (Aborting.load()) Params->FileType = 0;
      },
      [&] { DoFinishWork(); });
}

void TImageryIO::ParamsFromFileFormat(const std::string& FileName, int32_t FileType) {
  Params->FileType = FileType;
  std::unique_ptr<TStream> fs;
  Protected(
      [&] {
        Params->ResetInfo();
        Aborting.store(true);
        TIEProgressRec rec;
        FillProgress(rec, false);
        try {
          fs = std::make_unique<TIEWideFileStream>(FileName, kOpenRead);
          Aborting.store(false);
          PreviewRead(this, FileType, fs.get(), rec, true);
        } catch (...) {
          Params->FileType = 0;
        }
        if (Aborting.load()) Params->FileType = 0;
        Params->FileName = FileName;
      },
      [&] {
        fs.reset();
        DoFinishWork();
      });
}

void TImageryIO::ParamsFromFile(const std::string& FileName) {
  int32_t ft = 0;
  try {
    ft = IEFindFileFormat(FileName, true);
  } catch (...) {
    ft = 0;
  }
  ParamsFromFileFormat(FileName, ft);
}

void TImageryIO::ParamsFromStream(TStream* Stream) { ParamsFromStreamFormat(Stream, IEFindStreamFormat(Stream)); }

struct TPreviewAccess {
  static int Call(TImageryIO* IO, int32_t ft, TStream* S, TIEProgressRec& Rec, int64_t DataSize) {
    TIEMask* alpha = nullptr;
    TIEBitmap scratch;
    int r = IO->CallReader(ft, S, &scratch, true, Rec, alpha, DataSize);
    delete alpha;
    return r;
  }
};

static void PreviewRead(TImageryIO* IO, int32_t ft, TStream* S, TIEProgressRec& Rec, bool FromFile) {
  switch (ft) {
    case ioTIFF:
    case ioGIF:
    case ioJPEG:
    case ioBMP:
    case ioICO:
    case ioCUR:
    case ioPNG:
    case ioTGA:
    case ioPXM:
    case ioJP2:
    case ioJ2K:
    case ioWBMP:
    case ioDCX:
    case ioPSD:
    case ioDICOM:
    case ioHDP: TPreviewAccess::Call(IO, ft, S, Rec, 0); return;
    case ioPCX: TPreviewAccess::Call(IO, ft, S, Rec, S->Size()); return;
    case ioRAW:
      if (!FromFile) {
        TPreviewAccess::Call(IO, ft, S, Rec, 0);
        return;
      }
      break;
    default: break;
  }
  TIEFileFormatInfo* e = IEFindFileFormatInfo(ft);
  if (e != nullptr && !e->InternalFormat && e->ReadFunction != nullptr) {
    TIEBitmap scratch;
    e->ReadFunction(S, &scratch, *IO->Params, Rec, true);
  } else if (e == nullptr || e->ReadFunction == nullptr || ft == ioRAW) {
    Rec.Abort();
  }
}

// ================================================================ text export

void TImageryIO::SaveToText(const std::string& FileName, int32_t FileType, int Kind) {
  TFileStream out(FileName, fmCreate);
  auto line = [&](const std::string& s) {
    std::string t = s + "\n";
    out.WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
  };
  if (Kind >= 0 && Kind <= 2) {
    TMemoryStream ms;
    SaveToStream(&ms, FileType);
    const int64_t size = ms.Size();
    const auto* b = static_cast<const uint8_t*>(ms.Memory());
    std::string id = FileName;
    if (size_t dot = id.find('.'); dot != std::string::npos) id[dot] = '_';
    char hex[8];
    if (Kind == 0) {
      line("const");
      line("  " + id + "_Size = " + std::to_string(size) + ";");
      line("  " + id + " : array [0.." + id + "_Size-1] of byte = (");
      std::string buf;
      for (int64_t i = 0; i < size; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", b[i]);
        if (i == size - 1) {
          line("    " + buf + "$" + hex + ");");
          break;
        }
        buf += std::string("$") + hex + ",";
        if (buf.size() > 70) {
          line("    " + buf);
          buf.clear();
        }
      }
    } else if (Kind == 1) {
      line("\\\\ Size=" + std::to_string(size));
      std::string buf;
      for (int64_t i = 0; i < size; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", b[i]);
        if (i == size - 1) {
          line(buf + "0x" + hex);
          break;
        }
        buf += std::string("0x") + hex + ",";
        if (buf.size() > 70) {
          line(buf);
          buf.clear();
        }
      }
    } else {
      static const char* tbl = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
      std::string enc;
      for (int64_t i = 0; i < size; i += 3) {
        uint32_t v = uint32_t(b[i]) << 16;
        if (i + 1 < size) v |= uint32_t(b[i + 1]) << 8;
        if (i + 2 < size) v |= b[i + 2];
        enc += tbl[(v >> 18) & 63];
        enc += tbl[(v >> 12) & 63];
        enc += i + 1 < size ? tbl[(v >> 6) & 63] : '=';
        enc += i + 2 < size ? tbl[v & 63] : '=';
      }
      for (size_t i = 0; i < enc.size(); i += 76) line(enc.substr(i, 76));
    }
  } else if (Kind == 3 && FIEBitmap != nullptr && FIEBitmap->PixelFormat() == ie24RGB) {
    static const char ramp[] = "W@#*+:., ";
    for (int y = 0; y < FIEBitmap->Height(); ++y) {
      const auto* row = reinterpret_cast<const TIERGBPixel*>(FIEBitmap->Scanline(y));
      std::string s;
      for (int x = 0; x < FIEBitmap->Width(); ++x) {
        int g = (row[x].r * IEGrayWeightRed + row[x].g * IEGrayWeightGreen + row[x].b * IEGrayWeightBlue) / 100;
        int idx = static_cast<int>(std::trunc(g / 255.0 * 9));
        s += ramp[std::min(idx, 8)];
      }
      line(s);
    }
  }
  Params->FileName = FileName;
}
