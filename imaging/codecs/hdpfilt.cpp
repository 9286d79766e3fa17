// HD Photo reader and writer (see hdpfilt.h); jxrlib itself is reached through hdpjxr.h.
#include "imaging/codecs/hdpfilt.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/hdpjxr.h"
#include "imaging/codecs/iecodecutil.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

// Pixels a byte of the file may declare at most (past the first kilobyte).
constexpr unsigned long long kHdpMostPixelsPerByte = 4096;

// The caller's stream behind jxrlib's callbacks; positions count from where it began.
struct THdpStreamCtx {
  TStream* Stream = nullptr;
  int64_t Base = 0;
  THdpIO IO;
};

bool HdpRead(void* U, void* Buffer, size_t Count) {
  try {
    auto* c = static_cast<THdpStreamCtx*>(U);
    return c->Stream->Read(Buffer, static_cast<int64_t>(Count)) == static_cast<int64_t>(Count);
  } catch (...) {
    return false;
  }
}

bool HdpWrite(void* U, const void* Buffer, size_t Count) {
  try {
    auto* c = static_cast<THdpStreamCtx*>(U);
    return c->Stream->Write(Buffer, static_cast<int64_t>(Count)) == static_cast<int64_t>(Count);
  } catch (...) {
    return false;
  }
}

bool HdpSetPos(void* U, size_t Pos) {
  try {
    auto* c = static_cast<THdpStreamCtx*>(U);
    const int64_t target = c->Base + static_cast<int64_t>(Pos);
    c->Stream->SetPosition(target);
    return c->Stream->Position() == target;
  } catch (...) {
    return false;
  }
}

bool HdpGetPos(void* U, size_t* Pos) {
  try {
    auto* c = static_cast<THdpStreamCtx*>(U);
    *Pos = static_cast<size_t>(c->Stream->Position() - c->Base);
    return true;
  } catch (...) {
    return false;
  }
}

bool HdpEos(void* U) {
  try {
    auto* c = static_cast<THdpStreamCtx*>(U);
    return c->Stream->Position() >= c->Stream->Size();
  } catch (...) {
    return true;
  }
}

void HdpBind(THdpStreamCtx& C, TStream* Stream) {
  C.Stream = Stream;
  C.Base = Stream->Position();
  C.IO.User = &C;
  C.IO.Read = HdpRead;
  C.IO.Write = HdpWrite;
  C.IO.SetPos = HdpSetPos;
  C.IO.GetPos = HdpGetPos;
  C.IO.Eos = HdpEos;
}

}  // namespace

// ---- reader ----

namespace {

// The file being read, held in memory (the decoder runs in a child process).
struct THdpMemory {
  std::vector<uint8_t> Data;
  size_t At = 0;
  THdpIO IO;
};

// The decoder reads in blocks and takes a short block at the end of the data: what is missing
// reads as zeros. Reading from past the end fails.
bool HdpMemRead(void* U, void* Buffer, size_t Count) {
  auto* m = static_cast<THdpMemory*>(U);
  if (m->At >= m->Data.size()) return Count == 0;
  const size_t n = std::min(Count, m->Data.size() - m->At);
  std::memcpy(Buffer, m->Data.data() + m->At, n);
  if (n < Count) std::memset(static_cast<uint8_t*>(Buffer) + n, 0, Count - n);
  m->At += n;
  return true;
}
// Like a file, the position may go past the end; reading there fails.
bool HdpMemSetPos(void* U, size_t Pos) {
  static_cast<THdpMemory*>(U)->At = Pos;
  return true;
}
bool HdpMemGetPos(void* U, size_t* Pos) {
  *Pos = static_cast<THdpMemory*>(U)->At;
  return true;
}
bool HdpMemEos(void* U) {
  auto* m = static_cast<THdpMemory*>(U);
  return m->At >= m->Data.size();
}
bool HdpMemWrite(void*, const void*, size_t) { return false; }

}  // namespace

struct TIEWICReader::TImpl {
  THdpStreamCtx Ctx;
  THdpMemory Mem;
  THdpFrame Frame;
  bool Open = false;
};

TIEWICReader::TIEWICReader() : FImpl(new TImpl) {
  DpiX = IEDefaultDpiX;
  DpiY = IEDefaultDpiY;
}

TIEWICReader::~TIEWICReader() {
  Close();
  delete FImpl;
}

bool TIEWICReader::IsAvailable() const { return IEWICAvailable; }

bool TIEWICReader::Open(TStream* Stream, int32_t FileType) {
  Close();
  if (!IsAvailable() || FileType != ioHDP || Stream == nullptr) return false;
  HdpBind(FImpl->Ctx, Stream);
  const int64_t left = Stream->Size() - FImpl->Ctx.Base;
  if (left <= 0 || left > (int64_t(1) << 30)) return false;
  THdpMemory& m = FImpl->Mem;
  m.Data.resize(static_cast<size_t>(left));
  const int64_t n = Stream->Read(m.Data.data(), left);
  Stream->SetPosition(FImpl->Ctx.Base);
  if (n <= 0) return false;
  m.Data.resize(static_cast<size_t>(n));
  m.At = 0;
  m.IO.User = &m;
  m.IO.Read = HdpMemRead;
  m.IO.Write = HdpMemWrite;
  m.IO.SetPos = HdpMemSetPos;
  m.IO.GetPos = HdpMemGetPos;
  m.IO.Eos = HdpMemEos;
  FImpl->Open = HdpJxrDecode(m.IO, 0, false, FImpl->Frame);
  return FImpl->Open;
}

void TIEWICReader::Close() {
  FImpl->Open = false;
  FImpl->Frame = THdpFrame{};
  FImpl->Mem.Data.clear();
}

int32_t TIEWICReader::GetFrameWidth() const { return FImpl->Open ? FImpl->Frame.Width : 0; }
int32_t TIEWICReader::GetFrameHeight() const { return FImpl->Open ? FImpl->Frame.Height : 0; }

bool TIEWICReader::CopyToBitmap(TIEBitmap* Bitmap, bool Native) {
  const THdpFrame& f = FImpl->Frame;
  const int w = f.Width, h = f.Height;
  TIEPixelFormat pf = ie24RGB;
  switch (f.Format) {
    case THdpPixel::BlackWhite: pf = ie1g; break;
    case THdpPixel::Gray8: pf = Native ? ie8g : ie24RGB; break;
    case THdpPixel::Gray16: pf = Native ? ie16g : ie24RGB; break;
    case THdpPixel::CMYK32: pf = Native ? ieCMYK : ie24RGB; break;
    case THdpPixel::RGB48: pf = Native ? ieRGB48 : ie24RGB; break;
    default: break;
  }
  if (!IERowLengthFits(w, 48) || f.Pixels.size() < f.Stride * h || !Bitmap->Allocate(w, h, pf)) return false;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = f.Pixels.data() + f.Stride * y;
    uint8_t* row = Bitmap->Scanline(y);
    if (pf == ie1g) {
      std::memcpy(row, s, (static_cast<size_t>(w) + 7) / 8);
    } else if (pf == ie8g || pf == ie16g || pf == ieRGB48) {
      std::memcpy(row, s, static_cast<size_t>(w) * IEBitsPerPixel[pf] / 8);
    } else if (pf == ieCMYK) {  // the file counts ink, the bitmap its absence
      for (size_t i = 0; i < static_cast<size_t>(w) * 4; ++i) row[i] = static_cast<uint8_t>(255 - s[i]);
    } else {
      for (int x = 0; x < w; ++x) {  // to blue, green, red
        uint8_t r, g, b;
        switch (f.Format) {
          case THdpPixel::Gray8: r = g = b = s[x]; break;
          case THdpPixel::Gray16: r = g = b = s[2 * x + 1]; break;
          case THdpPixel::RGB48: r = s[6 * x + 1], g = s[6 * x + 3], b = s[6 * x + 5]; break;
          case THdpPixel::CMYK32: {  // what the inks leave of white
            const int k = 255 - s[4 * x + 3];
            r = static_cast<uint8_t>((255 - s[4 * x]) * k / 255);
            g = static_cast<uint8_t>((255 - s[4 * x + 1]) * k / 255);
            b = static_cast<uint8_t>((255 - s[4 * x + 2]) * k / 255);
            break;
          }
          default: b = s[3 * x], g = s[3 * x + 1], r = s[3 * x + 2];  // BGR24 and RGB24 alike
        }
        row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r;
      }
    }
  }
  return true;
}

void TIEWICReader::ReadFrame(int Index, TIEBitmap* Bitmap, std::atomic<bool>* Aborting, TIOParamsVals* IOParams) {
  auto fail = [&] {
    if (Aborting != nullptr) Aborting->store(true);
  };
  if (!IsAvailable() || !FImpl->Open) return fail();
  TStream* s = FImpl->Ctx.Stream;
  THdpFrame frame;
  FImpl->Mem.At = 0;
  // The decoder fills every pixel of the frame's declared size however little data there is: a
  // few hundred bytes declaring tens of megapixels would keep it busy for seconds. Even a blank
  // frame takes a byte per few thousand pixels, so a frame beyond that is refused undecoded.
  const unsigned long long most = (FImpl->Mem.Data.size() + 1024ull) * kHdpMostPixelsPerByte;
  if (!HdpJxrDecode(FImpl->Mem.IO, Index, true, frame, most)) return fail();
  FImpl->Frame = std::move(frame);
  const THdpFrame& f = FImpl->Frame;
  if (f.DpiX > 0 && f.DpiY > 0 && f.DpiX < 1e6 && f.DpiY < 1e6) DpiX = f.DpiX, DpiY = f.DpiY;
  const bool native = IOParams == nullptr || IOParams->IsNativePixelFormat;
  // The decoder offers no separate thumbnail: the frame itself is copied.
  if (!CopyToBitmap(Bitmap, native)) return fail();
  if (IOParams == nullptr) return;
  // The EXIF tags come from the file's TIFF-like directory, whose image fields are not the
  // frame's (HD Photo keeps its own): they are read first, and the frame's values set after.
  IELoadEXIFFromTIFF(s, IOParams);
  const int bits = IEBitsPerPixel[Bitmap->PixelFormat()], ch = IEChannelsPerPixel[Bitmap->PixelFormat()];
  IOParams->BitsPerSample = ch > 0 ? bits / ch : 0;
  IOParams->SamplesPerPixel = ch;
  IOParams->OriginalWidth = f.Width;
  IOParams->OriginalHeight = f.Height;
  IOParams->Width = Bitmap->Width();
  IOParams->Height = Bitmap->Height();
  IOParams->SetDpiX(static_cast<int32_t>(DpiX));
  IOParams->SetDpiY(static_cast<int32_t>(DpiY));
  s->SetPosition(FImpl->Ctx.Base);
}

// ---- writer ----

TIEWICWriter::TIEWICWriter() : DpiX(IEDefaultDpiX), DpiY(IEDefaultDpiY) {}

TIEWICWriter::~TIEWICWriter() { Close(); }

bool TIEWICWriter::IsAvailable() const { return IEWICAvailable; }

bool TIEWICWriter::Open(TStream* Stream, int32_t FileType) {
  if (!IsAvailable() || FileType != ioHDP || Stream == nullptr) return false;
  FStream = Stream;
  FStart = Stream->Position();
  FOpen = true;
  return true;
}

void TIEWICWriter::Close() { FOpen = false; }

void TIEWICWriter::WriteProperty(TIEWICPropertyBag& Bag, const std::string& Name, double Value,
                                 TIEWICVarType VarType) {
  Bag.push_back({Name, Value, VarType});
}

TIEWICPropertyBag TIEWICWriter::MakePropertyBag() const {
  using V = TIEWICVarType;
  TIEWICPropertyBag b;
  if (ImageQuality >= 0) WriteProperty(b, "ImageQuality", static_cast<float>(ImageQuality), V::VT_R4);
  if (CompressionQuality >= 0) WriteProperty(b, "CompressionQuality", static_cast<float>(CompressionQuality), V::VT_R4);
  WriteProperty(b, "Lossless", Lossless, V::VT_BOOL);
  if (UseCodecOptions) {
    WriteProperty(b, "UseCodecOptions", 1, V::VT_BOOL);
    WriteProperty(b, "Quality", Quality, V::VT_UI1);
    WriteProperty(b, "Overlap", Overlap, V::VT_UI1);
    WriteProperty(b, "Subsampling", Subsampling, V::VT_UI1);
  }
  WriteProperty(b, "HorizontalTileSlices", HorizontalTileSlices, V::VT_UI2);
  WriteProperty(b, "VerticalTileSlices", VerticalTileSlices, V::VT_UI2);
  WriteProperty(b, "FrequencyOrder", FrequencyOrder, V::VT_BOOL);
  WriteProperty(b, "TiffCompressionMethod", std::clamp(TiffCompression, 0, 3), V::VT_UI1);
  return b;
}

namespace {

double HdpBagValue(const TIEWICPropertyBag& Bag, const char* Name, double Default) {
  for (const auto& p : Bag)
    if (p.Name == Name) return p.Value;
  return Default;
}

// The bag's options as the encoder's: lossless (quantizer index 1) when asked or at full
// quality; otherwise the quantizer grows as the quality falls. Codec options, when given, set
// the quantizer, overlap and chroma subsampling themselves.
THdpEncodeOptions HdpEncoderOptions(const TIEWICPropertyBag& Bag) {
  THdpEncodeOptions o;
  o.FrequencyOrder = HdpBagValue(Bag, "FrequencyOrder", 1) != 0;
  o.SlicesH = static_cast<int>(std::clamp(HdpBagValue(Bag, "HorizontalTileSlices", 0), 0.0, 15.0));
  o.SlicesV = static_cast<int>(std::clamp(HdpBagValue(Bag, "VerticalTileSlices", 0), 0.0, 15.0));
  const double q = std::clamp(HdpBagValue(Bag, "ImageQuality", 0.9), 0.0, 1.0);
  const bool lossless = HdpBagValue(Bag, "Lossless", 0) != 0 || q >= 1.0;
  o.QuantizerIndex = lossless ? 1 : static_cast<int>(std::clamp(1.0 + std::floor((1.0 - q) * 160.0), 2.0, 255.0));
  if (!lossless && HdpBagValue(Bag, "UseCodecOptions", 0) != 0) {
    o.QuantizerIndex = static_cast<int>(std::clamp(HdpBagValue(Bag, "Quality", 1), 1.0, 255.0));
    o.Overlap = static_cast<int>(std::clamp(HdpBagValue(Bag, "Overlap", 1), 0.0, 2.0));
    o.Subsampling = static_cast<int>(std::clamp(HdpBagValue(Bag, "Subsampling", 3), 0.0, 3.0));
  }
  return o;
}

}  // namespace

bool TIEWICWriter::WriteFrame(TIEBitmap* Bitmap, TIOParamsVals* IOParams) {
  if (!FOpen || Bitmap == nullptr || Bitmap->IsEmpty()) return false;
  if (IOParams != nullptr) {
    DpiX = IOParams->DpiX;
    DpiY = IOParams->DpiY;
    ImageQuality = IOParams->HDP_ImageQuality;
    Lossless = IOParams->HDP_Lossless;
  }
  std::unique_ptr<TIEBitmap> converted;
  TIEBitmap* b = Bitmap;
  TIEPixelFormat pf = b->PixelFormat();
  if (pf != ie1g && pf != ie8g && pf != ie16g && pf != ie24RGB && pf != ieCMYK && pf != ieRGB48) {
    converted.reset(IEConvertedCopy(Bitmap, ie24RGB));
    if (converted == nullptr) return false;
    b = converted.get();
    pf = ie24RGB;
  }
  THdpPixel layout = THdpPixel::BGR24;
  switch (pf) {
    case ie1g: layout = THdpPixel::BlackWhite; break;
    case ie8g: layout = THdpPixel::Gray8; break;
    case ie16g: layout = THdpPixel::Gray16; break;
    case ieCMYK: layout = THdpPixel::CMYK32; break;
    case ieRGB48: layout = THdpPixel::RGB48; break;
    default: break;
  }
  const int w = b->Width(), h = b->Height();
  const size_t used = pf == ie1g ? (static_cast<size_t>(w) + 7) / 8 : static_cast<size_t>(w) * IEBitsPerPixel[pf] / 8;
  const size_t stride = (used + 15) & ~size_t(15);
  std::vector<uint8_t> buf(stride * h, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = b->Scanline(y);
    uint8_t* d = buf.data() + stride * y;
    if (pf == ieCMYK) {  // the bitmap counts the absence of ink, the file the ink
      for (size_t i = 0; i < used; ++i) d[i] = static_cast<uint8_t>(255 - row[i]);
    } else {
      std::memcpy(d, row, used);
    }
  }
  THdpStreamCtx ctx;
  HdpBind(ctx, FStream);
  return HdpJxrEncode(ctx.IO, layout, w, h, buf.data(), stride, DpiX > 0 ? DpiX : IEDefaultDpiX,
                      DpiY > 0 ? DpiY : IEDefaultDpiY, HdpEncoderOptions(MakePropertyBag()));
}

// ---- codec entries ----

void HdPhotoReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                      bool) {
  try {
    if (Progress.Callback != nullptr) Progress.Callback(Progress.Data, Progress.Sender, 0);
    {
      TIEWICReader r;
      if (r.Open(Stream, ioHDP)) r.ReadFrame(IOParams.ImageIndex, Bitmap, Progress.Aborting, &IOParams);
      else Progress.Abort();
    }
    if (Progress.Callback != nullptr) Progress.Callback(Progress.Data, Progress.Sender, 0);
  } catch (...) {
    Progress.Abort();
  }
}

void HdPhotoWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress) {
  try {
    if (!IEWICAvailable) return Progress.Abort();
    if (Progress.Callback != nullptr) Progress.Callback(Progress.Data, Progress.Sender, 0);
    const int64_t at = Stream->Position();
    bool ok = false;
    {
      TIEWICWriter w;
      ok = w.Open(Stream, ioHDP) && w.WriteFrame(Bitmap, &IOParams);
    }
    if (!ok) Progress.Abort();  // a frame that could not be encoded is reported
    Stream->SetPosition(at);
    if (Progress.Callback != nullptr) Progress.Callback(Progress.Data, Progress.Sender, 0);
  } catch (...) {
    Progress.Abort();
  }
}

void IEWICInit() {
  IEWICAvailable = HdpJxrAvailable();
}

void IEWICFree() {}

void IERegisterHdPhotoCodec() {
  IECodecs.HdPhotoReadImage = HdPhotoReadImage;
  IECodecs.HdPhotoWriteImage = HdPhotoWriteImage;
  IESetLibraryStep(lsWIC, &IEWICInit, &IEWICFree);
}
