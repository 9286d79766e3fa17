// Pixel helpers the codecs share (see iecodecutil.h).
#include "imaging/codecs/iecodecutil.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieutils.h"

TIEBitmap* IEConvertTo24(TIEBitmap* Source) {
  auto out = std::make_unique<TIEBitmap>();
  const int w = Source->Width(), h = Source->Height();
  if (!out->Allocate(w, h, ie24RGB)) return out.release();
  for (int y = 0; y < h; ++y) {
    if (Source->PixelFormat() == ie24RGB) {
      std::memcpy(out->Scanline(y), Source->Scanline(y), static_cast<size_t>(w) * 3);
      continue;
    }
    // GetPixelAsRGB reads the source row each time; keep the output row index stable per row.
    for (int x = 0; x < w; ++x) {
      TIERGBPixel p = Source->GetPixelAsRGB(x, y);
      reinterpret_cast<TIERGBPixel*>(out->Scanline(y))[x] = p;
    }
  }
  if (Source->HasAlphaChannel()) {
    TIEBitmap* a = Source->GetAlphaChannel();
    TIEBitmap* b = out->GetAlphaChannel();
    for (int y = 0; y < h; ++y) std::memcpy(b->Scanline(y), a->Scanline(y), w);
    b->Full = a->Full;
  }
  return out.release();
}

namespace {

// A new ie1g image of Source's size whose bits are set where On(pixel colour) holds.
template <class Pred> TIEBitmap* OneBitWhere(TIEBitmap* Source, Pred On) {
  const int w = Source->Width(), h = Source->Height();
  auto out = std::make_unique<TIEBitmap>();
  out->Allocate(w, h, ie1g);
  for (int y = 0; y < h; ++y) {
    std::memset(out->Scanline(y), 0, out->RowLen());
    for (int x = 0; x < w; ++x)
      if (On(Source->GetPixelAsRGB(x, y))) out->Scanline(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return out.release();
}

}  // namespace

TIEBitmap* IETwoColorTo1Bit(TIEBitmap* Source, TIERGBPixel& Color1, TIERGBPixel& Color2) {
  const int w = Source->Width(), h = Source->Height();
  TIERGBPixel c[2];
  int n = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      TIERGBPixel p = Source->GetPixelAsRGB(x, y);
      if (n > 0 && p == c[0]) continue;
      if (n > 1 && p == c[1]) continue;
      if (n == 2) return nullptr;
      c[n++] = p;
    }
  if (n != 2) return nullptr;
  if (IERGBToGray(c[1]) < IERGBToGray(c[0])) std::swap(c[0], c[1]);
  Color1 = c[0];
  Color2 = c[1];
  const TIERGBPixel light = c[1];
  return OneBitWhere(Source, [light](TIERGBPixel p) { return p == light; });
}

TIEBitmap* IEConvertTo1Bit(TIEBitmap* Source) {
  return OneBitWhere(Source, [](TIERGBPixel p) { return IERGBToGray(p) >= 128; });
}

namespace {

void ResamplePlane(TIEBitmap* src, TIEBitmap* dst, int channels) {
  const int sw = src->Width(), sh = src->Height(), dw = dst->Width(), dh = dst->Height();
  for (int y = 0; y < dh; ++y) {
    double fy = (y + 0.5) * sh / dh - 0.5;
    int y0 = static_cast<int>(std::floor(fy));
    double ty = fy - y0;
    int y1 = std::min(std::max(y0 + 1, 0), sh - 1);
    y0 = std::min(std::max(y0, 0), sh - 1);
    std::vector<uint8_t> r0(src->Scanline(y0), src->Scanline(y0) + static_cast<size_t>(sw) * channels);
    const uint8_t* r1 = src->Scanline(y1);
    uint8_t* d = dst->Scanline(y);
    for (int x = 0; x < dw; ++x) {
      double fx = (x + 0.5) * sw / dw - 0.5;
      int x0 = static_cast<int>(std::floor(fx));
      double tx = fx - x0;
      int x1 = std::min(std::max(x0 + 1, 0), sw - 1);
      x0 = std::min(std::max(x0, 0), sw - 1);
      for (int c = 0; c < channels; ++c) {
        double top = r0[x0 * channels + c] * (1 - tx) + r0[x1 * channels + c] * tx;
        double bottom = r1[x0 * channels + c] * (1 - tx) + r1[x1 * channels + c] * tx;
        d[x * channels + c] = static_cast<uint8_t>(std::lround(top * (1 - ty) + bottom * ty));
      }
    }
  }
}

}  // namespace

TIEBitmap* IEResampleCopy(TIEBitmap* Source, int Width, int Height) {
  auto out = std::make_unique<TIEBitmap>();
  if (Width <= 0 || Height <= 0 || Source->IsEmpty()) return out.release();
  if (Source->PixelFormat() == ie1g) {
    out->Allocate(Width, Height, ie1g);
    for (int y = 0; y < Height; ++y) {
      uint8_t* d = out->Scanline(y);
      std::memset(d, 0, out->RowLen());
      const uint8_t* s = Source->Scanline(static_cast<int>(static_cast<int64_t>(y) * Source->Height() / Height));
      for (int x = 0; x < Width; ++x) {
        int sx = static_cast<int>(static_cast<int64_t>(x) * Source->Width() / Width);
        if (s[sx >> 3] & (0x80 >> (sx & 7))) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    return out.release();
  }
  std::unique_ptr<TIEBitmap> rgb;
  TIEBitmap* src = Source;
  if (src->PixelFormat() != ie24RGB) {
    rgb.reset(IEConvertTo24(src));
    src = rgb.get();
  }
  out->Allocate(Width, Height, ie24RGB);
  ResamplePlane(src, out.get(), 3);
  if (src->HasAlphaChannel()) {
    TIEBitmap* a = out->GetAlphaChannel();
    ResamplePlane(src->GetAlphaChannel(), a, 1);
    a->UpdateOpaqueFlag();
  }
  return out.release();
}

int IEDpiFromPpm(int64_t PixelsPerMetre) { return static_cast<int>(std::nearbyint(PixelsPerMetre / 100.0 * 2.54)); }

int64_t IEPpmFromDpi(int64_t Dpi) { return static_cast<int64_t>(std::nearbyint(Dpi / 2.54 * 100)); }

bool IEPlausibleImageSize(int64_t Width, int64_t Height, int64_t DataBytes) {
  if (Width <= 0 || Height <= 0) return true;
  const int64_t pixels = Width * Height;
  if (DataBytes < 0) DataBytes = 0;
  return pixels <= (int64_t(1) << 30) && pixels <= (DataBytes + 1024) * 65536;
}
