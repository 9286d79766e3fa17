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
  auto out = std::make_unique<TIEBitmap>();
  out->Allocate(w, h, ie1g);
  for (int y = 0; y < h; ++y) {
    std::memset(out->Scanline(y), 0, out->RowLen());
    for (int x = 0; x < w; ++x)
      if (Source->GetPixelAsRGB(x, y) == c[1]) out->Scanline(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return out.release();
}

TIEBitmap* IEConvertTo1Bit(TIEBitmap* Source) {
  const int w = Source->Width(), h = Source->Height();
  auto out = std::make_unique<TIEBitmap>();
  out->Allocate(w, h, ie1g);
  for (int y = 0; y < h; ++y) {
    std::memset(out->Scanline(y), 0, out->RowLen());
    for (int x = 0; x < w; ++x)
      if (IERGBToGray(Source->GetPixelAsRGB(x, y)) >= 128)
        out->Scanline(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return out.release();
}

namespace {

// Moves every pixel (of one byte-aligned format) to its place under the orientation.
void Reorient(TIEBitmap* B, int Orientation) {
  const int w = B->Width(), h = B->Height();
  const bool swap = Orientation >= 5;
  const int nw = swap ? h : w, nh = swap ? w : h;
  const TIEPixelFormat pf = B->PixelFormat();
  if (pf == ie1g) {
    std::unique_ptr<TIEBitmap> src(IEConvertTo24(B));
    B->Assign(src.get());
    Reorient(B, Orientation);
    return;
  }
  const int bpp = B->BitCount() / 8;
  TIEBitmap out;
  out.Allocate(nw, nh, pf);
  if (pf == ie8p) B->CopyPaletteTo(&out);
  for (int y = 0; y < nh; ++y) {
    uint8_t* d = out.Scanline(y);
    for (int x = 0; x < nw; ++x) {
      int sx, sy;
      switch (Orientation) {
        case 2: sx = w - 1 - x; sy = y; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sx = x; sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        default: sx = w - 1 - y; sy = x; break;  // 8
      }
      std::memcpy(d + x * bpp, B->Scanline(sy) + sx * bpp, bpp);
    }
  }
  TIEBitmap* alpha = B->HasAlphaChannel() ? B->DetachAlphaChannel() : nullptr;
  out.MoveContentTo(B);
  if (alpha) {
    Reorient(alpha, Orientation);
    B->AttachAlphaChannel(alpha);
  }
}

}  // namespace

void IEApplyOrientation(TIEBitmap* Bitmap, int Orientation) {
  if (Orientation < 2 || Orientation > 8 || Bitmap->IsEmpty()) return;
  Reorient(Bitmap, Orientation);
}

void IEMaskToAlpha(TIEBitmap* Bitmap, TIEMask* Mask) {
  if (!Mask || Mask->Width != Bitmap->Width() || Mask->Height != Bitmap->Height()) return;
  TIEBitmap* a = Bitmap->GetAlphaChannel();
  bool full = true;
  for (int y = 0; y < Mask->Height; ++y) {
    const uint8_t* m = Mask->GetScanline(y);
    uint8_t* d = a->Scanline(y);
    for (int x = 0; x < Mask->Width; ++x) {
      d[x] = Mask->BitsPerPixel == 8 ? m[x] : ((m[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0);
      if (d[x] != 255) full = false;
    }
  }
  a->Full = full;
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

bool IEPlausibleImageSize(int64_t Width, int64_t Height, int64_t DataBytes) {
  if (Width <= 0 || Height <= 0) return true;
  const int64_t pixels = Width * Height;
  if (DataBytes < 0) DataBytes = 0;
  return pixels <= (int64_t(1) << 30) && pixels <= (DataBytes + 1024) * 65536;
}
