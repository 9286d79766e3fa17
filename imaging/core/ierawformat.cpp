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
