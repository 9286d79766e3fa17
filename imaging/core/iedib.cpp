// Packed DIBs, YUV frames, row conversions and bit helpers (see iedib.h).
#include "imaging/core/iedib.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedibbitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

namespace {
uint32_t LE32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
constexpr uint32_t FourCC(const char* s) {
  return static_cast<uint8_t>(s[0]) | (static_cast<uint8_t>(s[1]) << 8) | (static_cast<uint8_t>(s[2]) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}
// Largest image the DIB readers accept; keeps a hostile header from asking for gigabytes.
constexpr int64_t kMaxDIBPixels = int64_t(1) << 27;
}  // namespace

// ---- bits ----

void IECopyBits(uint8_t* Dest, const uint8_t* Source, int DestBitPos, int SourceLimit, int Count, int SourceBitPos) {
  if (Count < 1 || DestBitPos < 0 || SourceBitPos < 0) return;
  const int avail = SourceLimit * 8 - SourceBitPos;  // bits readable from Source
  if (avail <= 0) return;
  Count = std::min(Count, avail);
  if ((DestBitPos & 7) == 0 && (SourceBitPos & 7) == 0 && (Count & 7) == 0) {
    std::memmove(Dest + (DestBitPos >> 3), Source + (SourceBitPos >> 3), Count >> 3);
    return;
  }
  // Realign the source bits in a buffer so that the source overlapping the destination is safe.
  std::vector<uint8_t> tmp((Count + 7) / 8 + 1, 0);
  for (int i = 0; i < Count; ++i)
    if (IEGetBit(Source, SourceBitPos + i)) tmp[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
  for (int i = 0; i < Count; ++i) IESetBit(Dest, DestBitPos + i, (tmp[i >> 3] & (0x80 >> (i & 7))) != 0);
}

void IECopySwapRB(void* Dest, const void* Source, int Count) {
  auto* d = static_cast<uint8_t*>(Dest);
  auto* s = static_cast<const uint8_t*>(Source);
  for (int i = 0; i < Count; ++i, d += 3, s += 3) {
    uint8_t a = s[0], b = s[1], c = s[2];
    d[0] = c;
    d[1] = b;
    d[2] = a;
  }
}

void IESwapRB(void* Pixels, int Count) {
  auto* p = static_cast<uint8_t*>(Pixels);
  for (int i = 0; i < Count; ++i, p += 3) std::swap(p[0], p[2]);
}

void IESwapRB48(void* Pixels, int Count) {
  auto* p = static_cast<uint16_t*>(Pixels);
  for (int i = 0; i < Count; ++i, p += 3) std::swap(p[0], p[2]);
}

void IESwapRBPalette(TIERGBPixel* Palette, int Count) {
  for (int i = 0; i < Count; ++i) std::swap(Palette[i].r, Palette[i].b);
}

void IENotBytes(void* Buffer, int Length) {
  auto* p = static_cast<uint8_t*>(Buffer);
  for (int i = 0; i < Length; ++i) p[i] = static_cast<uint8_t>(~p[i]);
}

void IEInvertBits(TIEBitmap* Bitmap) {
  if (!Bitmap) return;
  for (int y = 0; y < Bitmap->Height(); ++y) IENotBytes(Bitmap->Scanline(y), Bitmap->RowLen());
}

const uint8_t* IEBuildBitExpandTable() {
  static const std::vector<uint8_t> table = [] {
    std::vector<uint8_t> t(256 * 24);
    for (int v = 0; v < 256; ++v)
      for (int k = 0; k < 8; ++k) std::memset(&t[v * 24 + k * 3], (v & (0x80 >> k)) ? 255 : 0, 3);
    return t;
  }();
  return table.data();
}

bool IESameBitmaps(TIEBitmap* A, TIEBitmap* B) {
  if (!A || !B) return false;
  if (A->Width() != B->Width() || A->Height() != B->Height()) return false;
  if (A->HasAlphaChannel() != B->HasAlphaChannel()) return false;
  if (A->RowLen() != B->RowLen()) return false;
  std::vector<uint8_t> row(A->RowLen());
  for (int y = 0; y < A->Height(); ++y) {
    std::memcpy(row.data(), A->Scanline(y), row.size());
    if (std::memcmp(row.data(), B->Scanline(y), row.size()) != 0) return false;
  }
  if (A->HasAlphaChannel()) return IESameBitmaps(A->GetAlphaChannel(), B->GetAlphaChannel());
  return true;
}

// ---- YCbCr ----

void IEYCbCr601ToRGB(int Y, int Cb, int Cr, TIERGBPixel& Pixel) {
  const double y = 1.164 * (Y - 16);
  Pixel.r = IEClampByte(static_cast<int>(std::nearbyint(y + 1.596 * (Cr - 128))));
  Pixel.g = IEClampByte(static_cast<int>(std::nearbyint(y - 0.813 * (Cr - 128) - 0.391 * (Cb - 128))));
  Pixel.b = IEClampByte(static_cast<int>(std::nearbyint(y + 2.018 * (Cb - 128))));
}

// ---- row conversion ----

int IEConvertPixelRow(const uint8_t* Source, uint8_t* Dest, int SourceBits, const TIEColorIndexFunc& Quantizer,
                      int PaletteCount, const TIERGBPixel* Palette, int Count, int DestBits) {
  TIERGBPixel pal[256] = {};
  if (Palette) std::memcpy(pal, Palette, sizeof(TIERGBPixel) * std::clamp(PaletteCount, 0, 256));
  auto nibble = [&](int i) { return (i & 1) ? (Source[i >> 1] & 0x0F) : (Source[i >> 1] >> 4); };
  auto putNibble = [&](int i, int v) { Dest[i >> 1] |= static_cast<uint8_t>((i & 1) ? (v & 0x0F) : ((v & 0x0F) << 4)); };
  auto* rgbOut = reinterpret_cast<TIERGBPixel*>(Dest);
  auto* rgbIn = reinterpret_cast<const TIERGBPixel*>(Source);
  const int key = SourceBits * 100 + DestBits;
  switch (key) {
    case 2404:
      if (!Quantizer) return 0;
      for (int i = 0; i < Count; ++i) putNibble(i, Quantizer(rgbIn[i]));
      break;
    case 2408:
      if (!Quantizer) return 0;
      for (int i = 0; i < Count; ++i) Dest[i] = static_cast<uint8_t>(Quantizer(rgbIn[i]));
      break;
    case 2424: std::memcpy(Dest, Source, static_cast<size_t>(Count) * 3); break;
    case 3224:
      for (int i = 0; i < Count; ++i) std::memcpy(Dest + 3 * i, Source + 4 * i, 3);
      break;
    case 801:
      std::memset(Dest, 0, (Count + 7) / 8);
      for (int i = 0; i < Count; ++i)
        if (Source[i]) IESetBit(Dest, i, true);
      break;
    case 808: std::memcpy(Dest, Source, Count); break;
    case 824:
      for (int i = 0; i < Count; ++i) rgbOut[i] = pal[Source[i]];
      break;
    case 404: std::memcpy(Dest, Source, (Count + 1) / 2); break;
    case 408:
      for (int i = 0; i < Count; ++i) Dest[i] = static_cast<uint8_t>(nibble(i));
      break;
    case 424:
      for (int i = 0; i < Count; ++i) rgbOut[i] = pal[nibble(i)];
      break;
    case 101: std::memcpy(Dest, Source, (Count + 7) / 8); break;
    case 104:
      for (int i = 0; i < Count; ++i) putNibble(i, IEGetBit(Source, i) ? 1 : 0);
      break;
    case 108:
      for (int i = 0; i < Count; ++i) Dest[i] = IEGetBit(Source, i) ? 1 : 0;
      break;
    case 124:
      for (int i = 0; i < Count; ++i) rgbOut[i] = pal[IEGetBit(Source, i) ? 1 : 0];
      break;
    default:
      return 0;
  }
  switch (DestBits) {
    case 1: return (Count + 7) / 8;
    case 4: return (Count + 1) / 2;
    case 8: return Count;
    case 24: return 3 * Count;
    default: return 0;
  }
}

// ---- DIB to bitmap ----

namespace {
struct TDIBInfo {
  int32_t Width, Height;
  uint16_t BitCount;
  uint32_t Compression, ColorsUsed, HeaderSize;
};

// Decodes the YUV FOURCC layouts. Data holds DataSize bytes; false when it is too short.
bool DecodeYUV(const TDIBInfo& h, const uint8_t* Data, int64_t DataSize, TIEBitmap* Bitmap) {
  const int W = h.Width, H = std::abs(h.Height);
  const uint32_t c = h.Compression;
  const bool planar = c == FourCC("I420") || c == FourCC("IYUV") || c == FourCC("YV12") || c == FourCC("YVU9");
  bool topDown = h.Height > 0;
  if (c == FourCC("cyuv") || c == FourCC("Y41P")) topDown = h.Height < 0;
  auto outRow = [&](int r) { return reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(topDown ? r : H - 1 - r)); };
  if (planar) {
    const int div = c == FourCC("YVU9") ? 4 : 2;
    const int64_t cw = W / div, ch = H / div;
    const int64_t need = int64_t(W) * H + 2 * cw * ch;
    if (DataSize < need || cw == 0 || ch == 0) return false;
    const uint8_t* Y = Data;
    const uint8_t* P1 = Data + int64_t(W) * H;
    const uint8_t* P2 = P1 + cw * ch;
    const bool cbFirst = c == FourCC("I420") || c == FourCC("IYUV");
    const uint8_t* Cb = cbFirst ? P1 : P2;
    const uint8_t* Cr = cbFirst ? P2 : P1;
    for (int r = 0; r < H; ++r) {
      TIERGBPixel* o = outRow(r);
      const int64_t cr = std::min<int64_t>(r / div, ch - 1);
      for (int x = 0; x < W; ++x) {
        const int64_t cx = std::min<int64_t>(x / div, cw - 1);
        IEYCbCr601ToRGB(Y[int64_t(r) * W + x], Cb[cr * cw + cx], Cr[cr * cw + cx], o[x]);
      }
    }
    return true;
  }
  int groupBytes, groupPixels;
  if (c == FourCC("YUY2") || c == FourCC("YUNV") || c == FourCC("UYVY") || c == FourCC("UYNV") ||
      c == FourCC("cyuv") || c == FourCC("YVYU")) {
    groupBytes = 4;
    groupPixels = 2;
  } else if (c == FourCC("Y211") || c == FourCC("CLJR")) {
    groupBytes = 4;
    groupPixels = 4;
  } else if (c == FourCC("IYU1")) {
    groupBytes = 6;
    groupPixels = 4;
  } else if (c == FourCC("IYU2")) {
    groupBytes = 3;
    groupPixels = 1;
  } else if (c == FourCC("Y41P")) {
    groupBytes = 12;
    groupPixels = 8;
  } else {
    return false;
  }
  const int64_t groups = (W + groupPixels - 1) / groupPixels;
  const int64_t stride = groups * groupBytes;
  if (DataSize < stride * H) return false;
  for (int r = 0; r < H; ++r) {
    TIERGBPixel* o = outRow(r);
    const uint8_t* g = Data + stride * r;
    for (int64_t gi = 0; gi < groups; ++gi, g += groupBytes) {
      int y[8] = {}, cb[8] = {}, cr[8] = {};
      if (c == FourCC("YUY2") || c == FourCC("YUNV")) {
        y[0] = g[0]; y[1] = g[2]; cb[0] = cb[1] = g[1]; cr[0] = cr[1] = g[3];
      } else if (c == FourCC("UYVY") || c == FourCC("UYNV") || c == FourCC("cyuv")) {
        y[0] = g[1]; y[1] = g[3]; cb[0] = cb[1] = g[0]; cr[0] = cr[1] = g[2];
      } else if (c == FourCC("YVYU")) {
        y[0] = g[0]; y[1] = g[2]; cr[0] = cr[1] = g[1]; cb[0] = cb[1] = g[3];
      } else if (c == FourCC("Y211")) {
        y[0] = y[1] = g[0]; y[2] = y[3] = g[2];
        for (int k = 0; k < 4; ++k) { cb[k] = g[1]; cr[k] = g[3]; }
      } else if (c == FourCC("IYU1")) {
        y[0] = g[1]; y[1] = g[2]; y[2] = g[4]; y[3] = g[5];
        for (int k = 0; k < 4; ++k) { cb[k] = g[0]; cr[k] = g[3]; }
      } else if (c == FourCC("IYU2")) {
        cb[0] = g[0]; y[0] = g[1]; cr[0] = g[2];
      } else if (c == FourCC("Y41P")) {
        const int ys[8] = {g[1], g[3], g[5], g[7], g[8], g[9], g[10], g[11]};
        for (int k = 0; k < 8; ++k) {
          y[k] = ys[k];
          cb[k] = k < 4 ? g[0] : g[4];
          cr[k] = k < 4 ? g[2] : g[6];
        }
      } else {  // CLJR: 5-bit luma and 6-bit chroma fields scaled to 8 bits
        const uint32_t v = LE32(g);
        for (int k = 0; k < 4; ++k) {
          y[k] = static_cast<int>((v >> (12 + 5 * k)) & 0x1F) << 3;
          cr[k] = static_cast<int>(v & 0x3F) << 2;
          cb[k] = static_cast<int>((v >> 6) & 0x3F) << 2;
        }
      }
      for (int k = 0; k < groupPixels; ++k) {
        const int64_t x = gi * groupPixels + k;
        if (x < W) IEYCbCr601ToRGB(y[k], cb[k], cr[k], o[x]);
      }
    }
  }
  return true;
}

// Run-length DIBs (compression 1: 8 bits, 2: 4 bits), bottom-up, through the colour table.
bool DecodeRLE(const TDIBInfo& h, const uint8_t* Data, int64_t DataSize, const TIERGBPixel* Pal, int PalCount,
               TIEBitmap* Bitmap) {
  const int W = h.Width, H = h.Height;
  const bool four = h.Compression == 2;
  auto color = [&](int i) { return i < PalCount ? Pal[i] : TIERGBPixel{0, 0, 0}; };
  const TIERGBPixel bg = color(0);
  for (int r = 0; r < H; ++r) {
    TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(r));
    for (int x = 0; x < W; ++x) row[x] = bg;
  }
  int x = 0, line = 0;  // line 0 is the bottom row
  int64_t p = 0;
  auto put = [&](int idx) {
    if (x < W && line < H) {
      reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(H - 1 - line))[x] = color(idx);
    }
    ++x;
  };
  while (p + 1 < DataSize) {
    const int n = Data[p], v = Data[p + 1];
    p += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(four ? ((i & 1) ? (v & 0x0F) : (v >> 4)) : v);
      continue;
    }
    if (v == 0) {  // end of line
      x = 0;
      ++line;
    } else if (v == 1) {  // end of bitmap
      return true;
    } else if (v == 2) {  // delta
      if (p + 1 >= DataSize) return false;
      x += Data[p];
      line += Data[p + 1];
      p += 2;
    } else {  // absolute run of v pixels, padded to a 16-bit boundary
      const int64_t bytes = four ? (v + 1) / 2 : v;
      if (p + bytes > DataSize) return false;
      for (int i = 0; i < v; ++i) put(four ? ((i & 1) ? (Data[p + i / 2] & 0x0F) : (Data[p + i / 2] >> 4)) : Data[p + i]);
      p += (bytes + 1) & ~int64_t(1);
    }
    if (line >= H) return true;
  }
  return true;  // data ended without an end marker: what was decoded stays
}
}  // namespace

int IEDIBToBitmap(const void* DIB, int64_t DIBSize, TIEBitmap* Bitmap, const void* Bits, int64_t BitsSize) {
  if (!DIB || !Bitmap || DIBSize < 40) return 0;
  const uint8_t* d = static_cast<const uint8_t*>(DIB);
  TDIBInfo h;
  h.HeaderSize = LE32(d);
  h.Width = static_cast<int32_t>(LE32(d + 4));
  h.Height = static_cast<int32_t>(LE32(d + 8));
  h.BitCount = LE16(d + 14);
  h.Compression = LE32(d + 16);
  h.ColorsUsed = LE32(d + 32);
  if (h.HeaderSize < 40 || h.HeaderSize > DIBSize) return 0;
  if (h.Width <= 0 || h.Height == 0 || h.Height == INT32_MIN) return 0;
  const int W = h.Width, H = std::abs(h.Height);
  if (int64_t(W) * H > kMaxDIBPixels) return 0;

  const bool yuv = h.Compression > 3;
  if (yuv) {
    if (!Bits) return 0;
    if (!Bitmap->Allocate(W, H, ie24RGB)) return 0;
    if (!DecodeYUV(h, static_cast<const uint8_t*>(Bits), BitsSize, Bitmap)) {
      Bitmap->FreeImage(true);
      return 0;
    }
    return h.BitCount;
  }
  const int bc = h.BitCount;
  if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return 0;
  // Run-length data only exists for 8 bits (1) and 4 bits (2), bottom-up; bit fields (3) for 16
  // and 32 bits.
  if ((h.Compression == 1 && bc != 8) || (h.Compression == 2 && bc != 4)) return 0;
  if ((h.Compression == 1 || h.Compression == 2) && h.Height < 0) return 0;
  if (h.Compression == 3 && bc != 16 && bc != 32) return 0;

  int64_t tableCount = 0;
  if (bc <= 8) tableCount = h.ColorsUsed ? h.ColorsUsed : (int64_t(1) << bc);
  if (tableCount > 256) return 0;
  int64_t offset = h.HeaderSize + tableCount * 4;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (h.Compression == 3) {
    if (40 + 12 > DIBSize) return 0;
    for (int i = 0; i < 3; ++i) masks[i] = LE32(d + 40 + 4 * i);
    offset = std::max<int64_t>(offset, 40 + 12);
  }
  if (offset > DIBSize) return 0;
  TIERGBPixel pal[256] = {};
  for (int64_t i = 0; i < tableCount; ++i)
    pal[i] = TIERGBPixel{d[h.HeaderSize + 4 * i], d[h.HeaderSize + 4 * i + 1], d[h.HeaderSize + 4 * i + 2]};
  const uint8_t* data = Bits ? static_cast<const uint8_t*>(Bits) : d + offset;
  const int64_t dataSize = Bits ? BitsSize : DIBSize - offset;

  const int64_t rowLen = IERowLength(W, bc, 32);
  if (h.Compression != 1 && h.Compression != 2 && dataSize < rowLen * H) return 0;
  if (!Bitmap->Allocate(W, H, bc == 1 ? ie1g : ie24RGB)) return 0;

  if (h.Compression == 1 || h.Compression == 2) {
    if (!DecodeRLE(h, data, dataSize, pal, static_cast<int>(tableCount), Bitmap)) {
      Bitmap->FreeImage(true);
      return 0;
    }
    return bc;
  }
  int rb = 0, gb = 0, bb = 0;
  if (bc == 16) {
    rb = IEMaskBitCount(masks[0]);
    gb = IEMaskBitCount(masks[1]);
    bb = IEMaskBitCount(masks[2]);
  }
  auto shift = [](uint32_t v, int s) { return s >= 0 ? (v >> s) : (v << -s); };
  for (int i = 0; i < H; ++i) {
    const uint8_t* src = data + rowLen * i;
    const int target = h.Height > 0 ? H - 1 - i : i;  // DIB row 0 is the bottom row unless top-down
    uint8_t* dst = Bitmap->Scanline(target);
    TIERGBPixel* o = reinterpret_cast<TIERGBPixel*>(dst);
    auto palColor = [&](int idx) { return idx < tableCount ? pal[idx] : TIERGBPixel{0, 0, 0}; };
    switch (bc) {
      case 1:
        std::memcpy(dst, src, std::min<int64_t>(rowLen, Bitmap->RowLen()));
        break;
      case 4:
        for (int x = 0; x < W; ++x) o[x] = palColor((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
        break;
      case 8:
        for (int x = 0; x < W; ++x) o[x] = palColor(src[x]);
        break;
      case 16:
        for (int x = 0; x < W; ++x) {
          const uint32_t px = LE16(src + 2 * x);
          o[x].r = static_cast<uint8_t>(shift(px & masks[0], rb + gb + bb - 8));
          o[x].g = static_cast<uint8_t>(shift(px & masks[1], gb + bb - 8));
          o[x].b = static_cast<uint8_t>(shift(px & masks[2], -(8 - bb)));
        }
        break;
      case 24:
        std::memcpy(dst, src, static_cast<size_t>(W) * 3);
        break;
      case 32:
        for (int x = 0; x < W; ++x) o[x] = TIERGBPixel{src[4 * x], src[4 * x + 1], src[4 * x + 2]};
        break;
    }
  }
  return bc;
}

int IEDIBToDibbitmap(const void* DIB, int64_t DIBSize, TIEDibbitmap* Dibbitmap, const void* Bits, int64_t BitsSize) {
  if (!Dibbitmap) return 0;
  TIEBitmap tmp;
  tmp.SetLocation(ieMemory);
  const int bc = IEDIBToBitmap(DIB, DIBSize, &tmp, Bits, BitsSize);
  if (bc == 0) return 0;
  if (!Dibbitmap->AllocateDib(tmp.Width(), tmp.Height(), bc == 1 ? 1 : 24)) return 0;
  const int len = std::min(tmp.RowLen(), Dibbitmap->RowLen);
  for (int y = 0; y < tmp.Height(); ++y) std::memcpy(Dibbitmap->GetScanline(y), tmp.Scanline(y), len);
  return bc;
}

// ---- bitmap to DIB ----

void* _CopyBitmaptoDIBEx(TIEBitmap* Bitmap, int X1, int Y1, int X2, int Y2, int DpiX, int DpiY, int64_t* Size) {
  if (Size) *Size = 0;
  if (!Bitmap || Bitmap->IsEmpty()) return nullptr;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != ie1g && pf != ie8p && pf != ie8g && pf != ie24RGB) {
    // Stored as its 24-bit colours.
    TIEBitmap copy;
    copy.SetLocation(Bitmap->Location() == ieFile ? ieFile : ieMemory);
    if (!copy.Allocate(Bitmap->Width(), Bitmap->Height(), ie24RGB)) return nullptr;
    std::vector<TIERGBPixel> row(Bitmap->Width());
    for (int y = 0; y < Bitmap->Height(); ++y) {
      for (int x = 0; x < Bitmap->Width(); ++x) row[x] = Bitmap->GetPixelAsRGB(x, y);
      std::memcpy(copy.Scanline(y), row.data(), row.size() * 3);
    }
    return _CopyBitmaptoDIBEx(&copy, X1, Y1, X2, Y2, DpiX, DpiY, Size);
  }
  if (X2 == 0) X2 = Bitmap->Width();
  if (Y2 == 0) Y2 = Bitmap->Height();
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, Bitmap->Width());
  Y2 = std::min(Y2, Bitmap->Height());
  const int w = X2 - X1, h = Y2 - Y1;
  if (w <= 0 || h <= 0) return nullptr;
  const int bc = pf == ie1g ? 1 : (pf == ie24RGB ? 24 : 8);
  const int table = pf == ie1g ? 8 : (pf == ie24RGB ? 0 : 1024);
  const int64_t rowLen = IERowLength(w, bc, 32);
  const int64_t total = 44 + table + rowLen * h;
  auto* block = static_cast<uint8_t*>(IEGlobalAlloc(total));
  if (!block) return nullptr;
  PutLE32(block, 40);
  PutLE32(block + 4, static_cast<uint32_t>(w));
  PutLE32(block + 8, static_cast<uint32_t>(h));
  block[12] = 1;
  block[14] = static_cast<uint8_t>(bc);
  PutLE32(block + 24, static_cast<uint32_t>(static_cast<int>(DpiX * 39.3700787)));
  PutLE32(block + 28, static_cast<uint32_t>(static_cast<int>(DpiY * 39.3700787)));
  uint8_t* tab = block + 40;
  if (pf == ie1g) {
    std::memset(tab + 4, 255, 4);
  } else if (pf == ie8p) {
    for (int i = 0; i < 256; ++i) {
      TIERGBPixel c = Bitmap->GetPaletteEntry(i);
      tab[4 * i] = c.b;
      tab[4 * i + 1] = c.g;
      tab[4 * i + 2] = c.r;
    }
  } else if (pf == ie8g) {
    for (int i = 0; i < 256; ++i) std::memset(tab + 4 * i, i, 3);
  }
  uint8_t* rows = tab + table;
  for (int y = Y2 - 1, i = 0; y >= Y1; --y, ++i) {
    const uint8_t* src = Bitmap->Scanline(y);
    uint8_t* dst = rows + rowLen * i;
    if (pf == ie1g)
      IECopyBits(dst, src, 0, Bitmap->RowLen(), w, X1);
    else
      std::memcpy(dst, src + static_cast<size_t>(X1) * (bc / 8), static_cast<size_t>(w) * (bc / 8));
  }
  if (Size) *Size = total;
  return block;
}

// ---- class-library bitmaps ----

namespace {
int TBitmapRowBytes(TBitmap* b) {
  switch (b->PixelFormat()) {
    case pf1bit: return IERowLength(b->Width(), 1, 32);
    case pf4bit: return IERowLength(b->Width(), 4, 32);
    case pf8bit: return IERowLength(b->Width(), 8, 32);
    case pf15bit:
    case pf16bit: return IERowLength(b->Width(), 16, 32);
    case pf24bit: return IERowLength(b->Width(), 24, 32);
    default: return IERowLength(b->Width(), 32, 32);
  }
}
}  // namespace

void IECopyTBitmapTo(TBitmap* Source, TBitmap* Dest) {
  if (!Source || !Dest || Source == Dest) return;
  if (Dest->PixelFormat() != Source->PixelFormat()) {
    Dest->SetSize(1, 1);
    Dest->SetPixelFormat(Source->PixelFormat());
  }
  if (Source->Empty() || Source->Width() == 0 || Source->Height() == 0) {
    Dest->SetSize(1, 1);
    return;
  }
  Dest->SetSize(Source->Width(), Source->Height());
  if (Source->Palette()) {
    PALETTEENTRY e[256];
    const UINT n = GetPaletteEntries(Source->Palette(), 0, 256, e);
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    std::memcpy(lp->palPalEntry, e, sizeof(PALETTEENTRY) * n);
    Dest->SetPalette(CreatePalette(lp));
  }
  const int len = TBitmapRowBytes(Source);
  for (int y = 0; y < Source->Height(); ++y) std::memcpy(Dest->ScanLine(y), Source->ScanLine(y), len);
}

TBitmap* IECopyTBitmap(TBitmap* Source) {
  auto* b = new TBitmap;
  IECopyTBitmapTo(Source, b);
  return b;
}

void IEExpand1BitTBitmap(TBitmap* Source, TBitmap* Dest, const std::function<void(int Percent)>& Progress) {
  if (!Source || !Dest || Source->PixelFormat() != pf1bit) return;
  Dest->SetSize(1, 1);
  Dest->SetPixelFormat(pf24bit);
  const int W = Source->Width(), H = Source->Height();
  Dest->SetSize(W, H);
  if (W == 0 || H == 0) return;
  const uint8_t* table = IEBuildBitExpandTable();
  for (int y = 0; y < H; ++y) {
    const uint8_t* src = static_cast<const uint8_t*>(Source->ScanLine(y));
    uint8_t* dst = static_cast<uint8_t*>(Dest->ScanLine(y));
    const int whole = W / 8;
    for (int i = 0; i < whole; ++i) std::memcpy(dst + 24 * i, table + 24 * src[i], 24);
    if (W % 8) std::memcpy(dst + 24 * whole, table + 24 * src[whole], 3 * (W % 8));
    if (Progress) Progress(static_cast<int>((y + 1) * 100 / (H + 0.5)));
  }
}
