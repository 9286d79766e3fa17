// Exchange of TIEBitmap with masks and DIB-section images, and the raw bitmap layout
// "TIEBITMAPRAW" (layer files and undo snapshots): magic, version, palette, geometry, display
// settings, rows top first, then the optional alpha channel.
//
// The loader reads the whole header first and checks the pixel format and the sizes against
// what is left in the stream before it allocates anything, so that a damaged or hostile stream
// cannot make it allocate gigabytes or leave a half-loaded bitmap behind.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedibbitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "imaging/core/iedib.h"
#include <memory>

namespace {
constexpr char kMagic[12] = {'T', 'I', 'E', 'B', 'I', 'T', 'M', 'A', 'P', 'R', 'A', 'W'};

#pragma pack(push, 1)
struct TRawFields {
  int32_t Width, Height;
  uint8_t PixelFormat, Full;
  int32_t PaletteUsed;
  double BlackValue, WhiteValue;
  int32_t ChannelOffset[4];
  uint8_t EnableChannelOffset;
  int32_t Contrast, RowAlignment;
};
#pragma pack(pop)
static_assert(sizeof(TRawFields) == 55);
}  // namespace

void TIEBitmap::CopyFromMask(TIEMask* Mask) {
  if (!Mask) {
    Fill(255);
    return;
  }
  TIEPixelFormat pf;
  if (Mask->BitsPerPixel == 1)
    pf = ie1g;
  else if (Mask->BitsPerPixel == 8)
    pf = ie8g;
  else
    return;
  if (!Allocate(Mask->Width, Mask->Height, pf)) return;
  const int n = std::min(FRowLen, Mask->RowLength);
  for (int y = 0; y < FHeight; ++y) std::memcpy(Scanline(y), Mask->GetScanline(y), static_cast<size_t>(n));
  Full = Mask->Full;
}

void TIEBitmap::CopyToMask(TIEMask* Mask) {
  if (!Mask || IsEmpty()) return;
  switch (FPixelFormat) {
    case ie1g:
    case ie8g: {
      Mask->AllocateBits(FWidth, FHeight, FPixelFormat == ie1g ? 1 : 8);
      const int n = std::min(FRowLen, Mask->RowLength);
      for (int y = 0; y < FHeight; ++y) std::memcpy(Mask->GetScanline(y), Scanline(y), static_cast<size_t>(n));
      Mask->Full = Full;
      Mask->RecalcBounds();
      break;
    }
    case ie24RGB: {
      Mask->AllocateBits(FWidth, FHeight, 8);
      for (int y = 0; y < FHeight; ++y) {
        const TIERGBPixel* s = reinterpret_cast<const TIERGBPixel*>(Scanline(y));
        uint8_t* d = Mask->GetScanline(y);
        for (int x = 0; x < FWidth; ++x) d[x] = static_cast<uint8_t>(IERGBToGray(s[x]) / 4);
      }
      Mask->RecalcBounds();
      break;
    }
    default:
      break;
  }
}

void TIEBitmap::CopyFromDibbitmap(TIEDibbitmap* Source) {
  if (!Source) return;
  const int bc = Source->GetBitCount();
  const TIEPixelFormat pf = bc == 1 ? ie1g : (bc == 8 ? ie8g : ie24RGB);
  if (!Allocate(Source->GetWidth(), Source->GetHeight(), pf)) return;
  const int n = std::min(FRowLen, Source->GetRowLen());
  for (int y = 0; y < FHeight; ++y) std::memcpy(Scanline(y), Source->GetScanline(y), static_cast<size_t>(n));
}

void TIEBitmap::SaveRaw(TStream* Stream) {
  if (!Stream) return;
  Stream->WriteBuffer(kMagic, 12);
  const int32_t version = 0, P = FPaletteLength;
  Stream->WriteBuffer(&version, 4);
  Stream->WriteBuffer(&P, 4);
  if (P > 0) Stream->WriteBuffer(FPalette, static_cast<int64_t>(P) * 3);
  TRawFields f{};
  f.Width = FWidth;
  f.Height = FHeight;
  f.PixelFormat = FPixelFormat;
  f.Full = Full ? 1 : 0;
  f.PaletteUsed = PaletteUsed;
  f.BlackValue = BlackValue;
  f.WhiteValue = WhiteValue;
  std::memcpy(f.ChannelOffset, ChannelOffset, sizeof(f.ChannelOffset));
  f.EnableChannelOffset = EnableChannelOffset ? 1 : 0;
  f.Contrast = Contrast;
  f.RowAlignment = FRowAlignment;
  Stream->WriteBuffer(&f, sizeof(f));
  const int64_t rows = static_cast<int64_t>(FRowLen) * FHeight;
  try {
    const int64_t size = Stream->Size();
    if (static_cast<uint64_t>(size + rows) < IEGetPhysicalMemory(false)) Stream->SetSize(size + rows);
  } catch (...) {
    // growing ahead is only a hint
  }
  for (int y = 0; y < FHeight; ++y) Stream->WriteBuffer(Scanline(y), FRowLen);
  const uint8_t hasAlpha = FAlphaChannel ? 1 : 0;
  Stream->WriteBuffer(&hasAlpha, 1);
  if (!FAlphaChannel) return;
  TIEBitmap* a = FAlphaChannel;
  for (int y = 0; y < a->Height(); ++y) Stream->WriteBuffer(a->Scanline(y), a->RowLen());
  const uint8_t afull = a->Full ? 1 : 0;
  Stream->WriteBuffer(&afull, 1);
}

bool TIEBitmap::LoadRaw(TStream* Stream) {
  if (!Stream) return false;
  char magic[12];
  if (Stream->Read(magic, 12) != 12 || std::memcmp(magic, kMagic, 12) != 0) return false;
  int32_t version = 0, P = 0;
  Stream->ReadBuffer(&version, 4);
  if (version < 0) return false;
  Stream->ReadBuffer(&P, 4);
  if (P < 0 || P > 65536) return false;
  std::vector<TIERGBPixel> pal(static_cast<size_t>(P));
  if (P > 0) Stream->ReadBuffer(pal.data(), static_cast<int64_t>(P) * 3);
  TRawFields f{};
  Stream->ReadBuffer(&f, sizeof(f));
  // Check what the header promises against the stream before allocating.
  if (f.PixelFormat == ieNone || f.PixelFormat >= IEPixelFormatCount) return false;
  if (f.Width < 0 || f.Height < 0 || !IERowLengthFits(f.Width, IEBitsPerPixel[f.PixelFormat])) return false;
  const int alignment = (f.RowAlignment == 8 || f.RowAlignment == 16 || f.RowAlignment == 32 || f.RowAlignment == 64)
                            ? f.RowAlignment
                            : 32;
  const int64_t rowLen = IERowLength(f.Width, IEBitsPerPixel[f.PixelFormat], alignment);
  const int64_t left = Stream->Size() - Stream->Position();
  if (rowLen * f.Height > left) return false;
  if (FLocation == ieMemory) SetRowAlignment(alignment);
  if (!Allocate(f.Width, f.Height, static_cast<TIEPixelFormat>(f.PixelFormat))) return f.Width == 0 || f.Height == 0;
  Full = f.Full != 0;
  PaletteUsed = f.PaletteUsed;
  BlackValue = f.BlackValue;
  WhiteValue = f.WhiteValue;
  std::memcpy(ChannelOffset, f.ChannelOffset, sizeof(ChannelOffset));
  EnableChannelOffset = f.EnableChannelOffset != 0;
  Contrast = f.Contrast;
  for (int i = 0; i < std::min(P, FPaletteLength); ++i) FPalette[i] = pal[i];
  // Rows were written with the writer's row length; read each and keep what fits ours.
  std::vector<uint8_t> row(static_cast<size_t>(rowLen));
  for (int y = 0; y < FHeight; ++y) {
    Stream->ReadBuffer(row.data(), rowLen);
    std::memcpy(Scanline(y), row.data(), static_cast<size_t>(std::min<int64_t>(rowLen, FRowLen)));
  }
  uint8_t hasAlpha = 0;
  Stream->ReadBuffer(&hasAlpha, 1);
  if (hasAlpha) {
    TIEBitmap* a = GetAlphaChannel();
    if (!a) return true;
    const int64_t arow = IERowLength(FWidth, 8);
    if (arow * FHeight + 1 > Stream->Size() - Stream->Position()) return true;
    std::vector<uint8_t> buf(static_cast<size_t>(arow));
    for (int y = 0; y < FHeight; ++y) {
      Stream->ReadBuffer(buf.data(), arow);
      std::memcpy(a->Scanline(y), buf.data(), static_cast<size_t>(std::min<int64_t>(arow, a->RowLen())));
    }
    uint8_t afull = 0;
    Stream->ReadBuffer(&afull, 1);
    a->Full = afull != 0;
  }
  return true;
}

// ---- class-library bitmaps ----

void TIEBitmap::EncapsulateTBitmap(TBitmap* Bitmap, bool FreeCurrent) {
  if (FreeCurrent) FreeImage(true);
  if (!Bitmap) return;
  if (FBitmap != Bitmap) FreeImage(false);  // an own previous storage must not leak
  FBitmap = Bitmap;
  EncapsulatedBitmap = true;
  FLocation = ieTBitmap;
  FWidth = FHeight = 0;  // forces the geometry and row table to be read from the bitmap
  FPixelFormat = ieNone;
  UpdateFromTBitmap();
}

void TIEBitmap::CopyFromTBitmap(TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty() || Bitmap->Width() < 1 || Bitmap->Height() < 1) return;
  if (FLocation == ieTBitmap) {
    // The own class-library bitmap takes a copy in 1, 24 or 32 bits.
    TBitmap* src = Bitmap;
    std::unique_ptr<TBitmap> converted;
    const TPixelFormat spf = Bitmap->PixelFormat();
    if (spf != pf1bit && spf != pf24bit && spf != pf32bit) {
      converted.reset(IECopyTBitmap(Bitmap));
      if (!converted) return;
      converted->SetPixelFormat(pf24bit);
      src = converted.get();
    }
    const TIEPixelFormat pf = src->PixelFormat() == pf1bit ? ie1g : (src->PixelFormat() == pf32bit ? ie32RGB : ie24RGB);
    if (!Allocate(src->Width(), src->Height(), pf)) return;
    if (FBitmap) IECopyTBitmapTo(src, FBitmap);
    UpdateFromTBitmap();
    Full = false;
    return;
  }
  const int w = Bitmap->Width(), h = Bitmap->Height();
  const TPixelFormat spf = Bitmap->PixelFormat();
  RGBQUAD table[256] = {};
  UINT entries = 0;
  if (spf == pf1bit || spf == pf4bit || spf == pf8bit) entries = GetDIBColorTable(Bitmap->Canvas()->Handle(), 0, 256, table);
  auto palColor = [&](int i) { return TIERGBPixel{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed}; };
  const bool mono = spf == pf1bit && (entries < 2 || (table[0].rgbRed == 0 && table[0].rgbGreen == 0 && table[0].rgbBlue == 0 &&
                                                       table[1].rgbRed == 255 && table[1].rgbGreen == 255 && table[1].rgbBlue == 255));
  TIEPixelFormat pf;
  switch (spf) {
    case pf1bit: pf = mono ? ie1g : ie8p; break;
    case pf4bit:
    case pf8bit: pf = ie8p; break;
    case pf15bit:
    case pf16bit:
    case pf24bit: pf = ie24RGB; break;
    case pf32bit: pf = ie32RGB; break;
    default: return;
  }
  if (!Allocate(w, h, pf)) return;
  if (pf == ie8p)
    for (int i = 0; i < 256; ++i) SetPaletteEntry(i, static_cast<UINT>(i) < entries ? palColor(i) : TIERGBPixel{0, 0, 0});
  const int srcRowLen = IETBitmapRowLength(w, spf);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = static_cast<const uint8_t*>(Bitmap->ScanLine(y));
    uint8_t* d = Scanline(y);
    switch (spf) {
      case pf1bit:
        if (pf == ie1g) {
          std::memcpy(d, s, static_cast<size_t>(std::min(FRowLen, srcRowLen)));
        } else {
          for (int x = 0; x < w; ++x) d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1;
        }
        break;
      case pf4bit:
        for (int x = 0; x < w; ++x) d[x] = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
        break;
      case pf15bit:
      case pf16bit:
        for (int x = 0; x < w; ++x) {
          const uint16_t v = reinterpret_cast<const uint16_t*>(s)[x];
          TIERGBPixel& p = reinterpret_cast<TIERGBPixel*>(d)[x];
          if (spf == pf15bit) {
            p.r = static_cast<uint8_t>(((v >> 10) & 31) * 8);
            p.g = static_cast<uint8_t>(((v >> 5) & 31) * 8);
          } else {
            p.r = static_cast<uint8_t>((v >> 11) * 8);
            p.g = static_cast<uint8_t>(((v >> 5) & 63) * 4);
          }
          p.b = static_cast<uint8_t>((v & 31) * 8);
        }
        break;
      default:
        std::memcpy(d, s, static_cast<size_t>(std::min(FRowLen, srcRowLen)));
        break;
    }
  }
  Full = false;
}
