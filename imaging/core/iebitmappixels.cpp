// TIEBitmap: single pixels as RGB, fills, rectangle copies and whole-image tests.
//
// Fills build one row of the fill pattern and copy it into every row, so each format costs a
// memcpy per row; only ie32RGB, whose fourth byte is kept, writes pixel by pixel.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"

namespace {
// Trunc of a fill value, as a 64-bit integer (out-of-range values count as 0).
int64_t TruncValue(double v) {
  if (!(std::fabs(v) < 9.2e18)) return 0;
  return static_cast<int64_t>(v);
}

// The bytes of one pixel of the fill value in the given format; answers the pixel size and
// whether the colour is white.
int FillPixel(TIEPixelFormat pf, double value, uint8_t out[8], bool& white) {
  const int64_t t = TruncValue(value);
  white = false;
  switch (pf) {
    case ie8p:
    case ie8g:
      out[0] = static_cast<uint8_t>(t);
      white = out[0] == 255;
      return 1;
    case ie16g: {
      uint16_t w = static_cast<uint16_t>(t);
      std::memcpy(out, &w, 2);
      white = w == 65535;
      return 2;
    }
    case ie32f: {
      float f = static_cast<float>(value);
      std::memcpy(out, &f, 4);
      white = value == 1.0;
      return 4;
    }
    default:
      break;
  }
  const TIERGBPixel rgb = IEColorToRGB(static_cast<TColor>(static_cast<int32_t>(t)));
  white = rgb.r == 255 && rgb.g == 255 && rgb.b == 255;
  switch (pf) {
    case ie24RGB:
    case ie32RGB:
      std::memcpy(out, &rgb, 3);
      out[3] = 255;
      return pf == ie24RGB ? 3 : 4;
    case ieCMYK: {
      TIECMYK c = IERGB2CMYK(rgb);
      std::memcpy(out, &c, 4);
      return 4;
    }
    case ieRGB48: {
      TIERGB48Pixel p{static_cast<uint16_t>(rgb.r * 257), static_cast<uint16_t>(rgb.g * 257),
                      static_cast<uint16_t>(rgb.b * 257)};
      std::memcpy(out, &p, 6);
      return 6;
    }
    case ieCIELab: {
      TIECIELabPixel l = IERGBToCIELab(rgb);
      std::memcpy(out, &l, 3);
      return 3;
    }
    default:
      return 0;
  }
}

void SetBitSpan(uint8_t* row, int x1, int x2, bool on) {
  for (int x = x1; x <= x2;) {
    uint8_t& byte = row[x >> 3];
    if ((x & 7) == 0 && x + 7 <= x2) {  // whole bytes at a time
      int n = (x2 - x + 1) >> 3;
      std::memset(&row[x >> 3], on ? 0xFF : 0, n);
      x += n * 8;
      continue;
    }
    uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
    byte = on ? (byte | mask) : (byte & ~mask);
    ++x;
  }
}

// Saves and restores Access around an operation.
struct TAccessScope {
  TIEBitmap* B;
  uint8_t Saved;
  TAccessScope(TIEBitmap* b, uint8_t access) : B(b), Saved(b->Access) { b->Access = access; }
  ~TAccessScope() { B->Access = Saved; }
};
}  // namespace

TIERGBPixel TIEBitmap::GetPixelAsRGB(int x, int y) {
  const uint8_t* row = Scanline(y);
  switch (FPixelFormat) {
    case ie1g: {
      uint8_t v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      return TIERGBPixel{v, v, v};
    }
    case ie8p:
      return GetPaletteEntry(row[x]);
    case ie8g:
      return TIERGBPixel{row[x], row[x], row[x]};
    case ie16g: {
      uint8_t v = static_cast<uint8_t>(reinterpret_cast<const uint16_t*>(row)[x] >> 8);
      return TIERGBPixel{v, v, v};
    }
    case ie24RGB:
      return reinterpret_cast<const TIERGBPixel*>(row)[x];
    case ie32f: {
      // 0.0 black, 1.0 white; values outside (and NaN) are limited to that range
      const float f = reinterpret_cast<const float*>(row)[x] * 255.0f;
      const uint8_t v = f >= 255.0f ? 255 : (f > 0.0f ? static_cast<uint8_t>(f) : 0);
      return TIERGBPixel{v, v, v};
    }
    case ieCMYK:
      return IECMYK2RGB(reinterpret_cast<const TIECMYK*>(row)[x]);
    case ieRGB48: {
      TIERGB48Pixel p = reinterpret_cast<const TIERGB48Pixel*>(row)[x];
      return IEMakeRGB(static_cast<uint8_t>(p.r >> 8), static_cast<uint8_t>(p.g >> 8), static_cast<uint8_t>(p.b >> 8));
    }
    case ieCIELab:
      return IECIELabToRGB(reinterpret_cast<const TIECIELabPixel*>(row)[x]);
    case ie32RGB:
      return TIERGBPixel{row[x * 4], row[x * 4 + 1], row[x * 4 + 2]};
    default:
      return TIERGBPixel{0, 0, 0};
  }
}

void TIEBitmap::Fill(double Value) {
  if (IsEmpty() || FPixelFormat == ieNone) return;
  // Every byte of every row is written, so nothing needs reading from a file store; ie32RGB keeps
  // its fourth bytes and therefore still reads.
  TAccessScope scope(this, FPixelFormat == ie32RGB ? iaReadWrite : iaWrite);
  if (FPixelFormat == ie1g) {
    const bool on = TruncValue(Value) != 0;
    for (int y = 0; y < FHeight; ++y) std::memset(Scanline(y), on ? 0xFF : 0, FRowLen);
    Full = on;
    return;
  }
  uint8_t px[8];
  bool white;
  const int bpp = FillPixel(FPixelFormat, Value, px, white);
  if (FPixelFormat == ie32RGB) {
    for (int y = 0; y < FHeight; ++y) {
      uint8_t* row = Scanline(y);
      for (int x = 0; x < FWidth; ++x) std::memcpy(row + 4 * x, px, 3);
    }
  } else if (bpp == 1) {
    for (int y = 0; y < FHeight; ++y) std::memset(Scanline(y), px[0], FRowLen);
  } else {
    std::vector<uint8_t> pattern(FRowLen, 0);
    for (int x = 0; x < FWidth; ++x) std::memcpy(&pattern[static_cast<size_t>(x) * bpp], px, bpp);
    for (int y = 0; y < FHeight; ++y) std::memcpy(Scanline(y), pattern.data(), FRowLen);
  }
  Full = white;
}

void TIEBitmap::FillRect(int x1, int y1, int x2, int y2, double Value) {
  if (IsEmpty()) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, FWidth - 1);
  y2 = std::min(y2, FHeight - 1);
  if (y2 < y1 || x2 < x1) return;
  if (FPixelFormat == ie1g) {
    const bool on = TruncValue(Value) != 0;
    for (int y = y1; y <= y2; ++y) SetBitSpan(Scanline(y), x1, x2, on);
    return;
  }
  uint8_t px[8];
  bool white;
  const int bpp = FillPixel(FPixelFormat, Value, px, white);
  if (bpp == 0) return;
  const int n = x2 - x1 + 1;
  if (FPixelFormat == ie32RGB) {
    for (int y = y1; y <= y2; ++y) {
      uint8_t* row = Scanline(y) + 4 * x1;
      for (int x = 0; x < n; ++x) std::memcpy(row + 4 * x, px, 3);
    }
    return;
  }
  std::vector<uint8_t> pattern(static_cast<size_t>(n) * bpp);
  for (int x = 0; x < n; ++x) std::memcpy(&pattern[static_cast<size_t>(x) * bpp], px, bpp);
  for (int y = y1; y <= y2; ++y) std::memcpy(Scanline(y) + static_cast<size_t>(x1) * bpp, pattern.data(), pattern.size());
}

namespace {
// Clips a rectangle copy between images of the given sizes; false when nothing remains.
bool ClipCopy(int srcW, int srcH, int dstW, int dstH, int& sx, int& sy, int& dx, int& dy, int& w, int& h) {
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  dx = std::clamp(dx, 0, std::max(dstW - 1, 0));
  dy = std::clamp(dy, 0, std::max(dstH - 1, 0));
  sx = std::clamp(sx, 0, std::max(srcW - 1, 0));
  sy = std::clamp(sy, 0, std::max(srcH - 1, 0));
  w = std::min({w, srcW - sx, dstW - dx});
  h = std::min({h, srcH - sy, dstH - dy});
  return w > 0 && h > 0;
}
}  // namespace

void TIEBitmap::CopyRectTo(TIEBitmap* Dest, int SourceX, int SourceY, int DestX, int DestY, int Width, int Height) {
  if (!Dest || IsEmpty() || Dest->IsEmpty()) return;
  if (!ClipCopy(FWidth, FHeight, Dest->Width(), Dest->Height(), SourceX, SourceY, DestX, DestY, Width, Height)) return;
  const TIEPixelFormat spf = FPixelFormat, dpf = Dest->PixelFormat();
  const bool sameFormat = spf == dpf;
  const bool bwToRGB = spf == ie1g && dpf == ie24RGB;
  if (!sameFormat && !bwToRGB) return;
  TAccessScope scope(this, iaRead);
  // A source row of a file image (or of the destination itself) is only valid until the next
  // row access, so it is staged in a buffer first.
  const bool stage = FLocation == ieFile || Dest->Location() == ieFile || Dest == this || FFragmentCount > 0;
  std::vector<uint8_t> buffer(stage ? FRowLen : 0);
  const int bpp = IEBytesPerPixel(spf);
  // Rows run top-down, or bottom-up when copying downward within the same image.
  const bool reverse = Dest == this && DestY > SourceY;
  for (int i = 0; i < Height; ++i) {
    const int r = reverse ? Height - 1 - i : i;
    const uint8_t* src = Scanline(SourceY + r);
    if (stage) {
      std::memcpy(buffer.data(), src, FRowLen);
      src = buffer.data();
    }
    uint8_t* dst = Dest->Scanline(DestY + r);
    if (spf == ie1g && dpf == ie1g) {
      IECopyBits(dst, src, DestX, FRowLen, Width, SourceX);
    } else if (bwToRGB) {
      TIERGBPixel* d = reinterpret_cast<TIERGBPixel*>(dst) + DestX;
      for (int x = 0; x < Width; ++x) {
        const int sxx = SourceX + x;
        uint8_t v = (src[sxx >> 3] & (0x80 >> (sxx & 7))) ? 255 : 0;
        d[x] = TIERGBPixel{v, v, v};
      }
    } else {
      std::memmove(dst + static_cast<size_t>(DestX) * bpp, src + static_cast<size_t>(SourceX) * bpp,
                   static_cast<size_t>(Width) * bpp);
    }
  }
}

void TIEBitmap::MaxAlphaRectTo(TIEBitmap* Dest, int SourceX, int SourceY, int DestX, int DestY, int Width, int Height) {
  if (!Dest) return;
  TIEBitmap* sa = GetAlphaChannel();
  TIEBitmap* da = Dest->GetAlphaChannel();
  if (!sa || !da || sa->PixelFormat() != ie8g || da->PixelFormat() != ie8g) return;
  if (!ClipCopy(sa->Width(), sa->Height(), da->Width(), da->Height(), SourceX, SourceY, DestX, DestY, Width, Height))
    return;
  std::vector<uint8_t> buffer(Width);
  for (int r = 0; r < Height; ++r) {
    std::memcpy(buffer.data(), sa->Scanline(SourceY + r) + SourceX, Width);
    uint8_t* d = da->Scanline(DestY + r) + DestX;
    for (int x = 0; x < Width; ++x) d[x] = std::max(d[x], buffer[x]);
  }
}

void TIEBitmap::UpdateOpaqueFlag() {
  const int n = (FWidth * FBitCount + 7) / 8;
  for (int y = 0; y < FHeight; ++y) {
    const uint8_t* row = Scanline(y);
    for (int i = 0; i < n; ++i)
      if (row[i] != 255) {
        Full = false;
        return;
      }
  }
  Full = true;
}

bool TIEBitmap::IsAllZero() {
  const int n = (FWidth * FBitCount + 7) / 8;
  for (int y = 0; y < FHeight; ++y) {
    const uint8_t* row = Scanline(y);
    for (int i = 0; i < n; ++i)
      if (row[i]) return false;
  }
  return true;
}

bool TIEBitmap::IsGrayScale() {
  switch (FPixelFormat) {
    case ie8p:
      for (int i = 0; i < FPaletteLength; ++i)
        if (FPalette[i].r != FPalette[i].g || FPalette[i].g != FPalette[i].b) return false;
      return true;
    case ie24RGB:
    case ie32RGB: {
      const int step = FPixelFormat == ie24RGB ? 3 : 4;
      for (int y = 0; y < FHeight; ++y) {
        const uint8_t* p = Scanline(y);
        for (int x = 0; x < FWidth; ++x, p += step)
          if (p[0] != p[1] || p[1] != p[2]) return false;
      }
      return true;
    }
    case ieRGB48:
      for (int y = 0; y < FHeight; ++y) {
        const TIERGB48Pixel* p = reinterpret_cast<const TIERGB48Pixel*>(Scanline(y));
        for (int x = 0; x < FWidth; ++x)
          if (p[x].r != p[x].g || p[x].g != p[x].b) return false;
      }
      return true;
    default:
      return true;
  }
}

void TIEBitmap::SetChannelBias(int Index, int Value) {
  if (Index < 0 || Index > 3) return;
  ChannelOffset[Index] = Value;
  EnableChannelOffset = ChannelOffset[0] || ChannelOffset[1] || ChannelOffset[2] || ChannelOffset[3];
}
