// Pixel helpers of the IO frame.
#include "imaging/io/ieiohelpers.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"

static TIERGBPixel PixelAsRGB(TIEBitmap* B, const uint8_t* row, int x) {
  switch (B->PixelFormat()) {
    case ie1g: {
      uint8_t v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      return {v, v, v};
    }
    case ie8p: return B->GetPaletteEntry(row[x]);
    case ie8g: return {row[x], row[x], row[x]};
    case ie16g: {
      uint8_t v = static_cast<uint8_t>(reinterpret_cast<const uint16_t*>(row)[x] >> 8);
      return {v, v, v};
    }
    case ie24RGB: return reinterpret_cast<const TIERGBPixel*>(row)[x];
    case ie32f: {
      float f = reinterpret_cast<const float*>(row)[x];
      uint8_t v = static_cast<uint8_t>(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f);
      return {v, v, v};
    }
    case ieCMYK: {
      const uint8_t* p = row + x * 4;  // inverted: 255 = no ink
      auto ch = [&](uint8_t c) { return static_cast<uint8_t>(c * p[3] / 255); };
      return {ch(p[2]), ch(p[1]), ch(p[0])};
    }
    case ieRGB48: {
      const uint16_t* p = reinterpret_cast<const uint16_t*>(row) + x * 3;
      return {uint8_t(p[2] >> 8), uint8_t(p[1] >> 8), uint8_t(p[0] >> 8)};
    }
    case ieCIELab: {
      uint8_t v = row[x * 3];
      return {v, v, v};
    }
    case ie32RGB: {
      const uint8_t* p = row + x * 4;
      return {p[0], p[1], p[2]};
    }
    default: return {0, 0, 0};
  }
}

void IOConvertTo24(TIEBitmap* B) {
  if (B == nullptr || B->IsEmpty() || B->PixelFormat() == ie24RGB) return;
  const int w = B->Width(), h = B->Height();
  TIEBitmap tmp;
  tmp.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = B->Scanline(y);
    auto* dst = reinterpret_cast<TIERGBPixel*>(tmp.Scanline(y));
    for (int x = 0; x < w; ++x) dst[x] = PixelAsRGB(B, src, x);
  }
  TIEBitmap* alpha = B->HasAlphaChannel() ? B->DetachAlphaChannel() : nullptr;
  B->Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y) std::memcpy(B->Scanline(y), tmp.Scanline(y), size_t(w) * 3);
  if (alpha != nullptr) {
    B->GetAlphaChannel()->Assign(alpha);
    delete alpha;
  }
}

void IOMaskToAlpha(TIEMask* Mask, TIEBitmap* B) {
  if (Mask == nullptr || B == nullptr || Mask->Width != B->Width() || Mask->Height != B->Height()) return;
  TIEBitmap* a = B->GetAlphaChannel();
  if (a == nullptr) return;
  for (int y = 0; y < Mask->Height; ++y) {
    uint8_t* row = a->Scanline(y);
    for (int x = 0; x < Mask->Width; ++x) {
      int v = Mask->GetPixel(x, y);
      row[x] = Mask->BitsPerPixel == 1 ? (v ? 255 : 0) : static_cast<uint8_t>(v);
    }
  }
}

TIEBitmap* IOStretchNearest(TIEBitmap* S, int W, int H) {
  auto* D = new TIEBitmap();
  D->Allocate(W, H, S->PixelFormat());
  S->CopyPaletteTo(D);
  const int bpp = IEBitsPerPixel[S->PixelFormat()];
  for (int y = 0; y < H; ++y) {
    int sy = static_cast<int>(int64_t(y) * S->Height() / H);
    const uint8_t* src = S->Scanline(sy);
    uint8_t* dst = D->Scanline(y);
    for (int x = 0; x < W; ++x) {
      int sx = static_cast<int>(int64_t(x) * S->Width() / W);
      if (bpp == 1) {
        bool on = src[sx >> 3] & (0x80 >> (sx & 7));
        if (on)
          dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
        else
          dst[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
      } else {
        const int n = bpp / 8;
        std::memcpy(dst + size_t(x) * n, src + size_t(sx) * n, n);
      }
    }
  }
  return D;
}

TIEBitmap* TIEGifCanvas::Compose(TIEBitmap* Frame, TIOParamsVals& P) {
  const int W = std::max(P.GIF_WinWidth, Frame->Width());
  const int H = std::max(P.GIF_WinHeight, Frame->Height());
  const TIERGBPixel bg = P.GIF_Background;
  TIEBitmap& C = FCanvas;
  if (FPrevDisposal == 2 && !C.IsEmpty()) {
    for (int y = std::max(0, FPrevY); y < std::min(FPrevY + FPrevH, C.Height()); ++y)
      for (int x = std::max(0, FPrevX); x < std::min(FPrevX + FPrevW, C.Width()); ++x) {
        reinterpret_cast<TIERGBPixel*>(C.Scanline(y))[x] = bg;
        C.GetAlphaChannel()->Scanline(y)[x] = 0;
      }
  }
  if (C.IsEmpty()) {
    C.Allocate(W, H, ie24RGB);
    for (int y = 0; y < H; ++y) {
      auto* row = reinterpret_cast<TIERGBPixel*>(C.Scanline(y));
      std::fill(row, row + W, bg);
      std::memset(C.GetAlphaChannel()->Scanline(y), 0, W);
    }
  } else {
    IOConvertTo24(&C);
    if (C.Width() < W || C.Height() < H) {
      TIEBitmap big;
      big.Allocate(W, H, ie24RGB);
      for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<TIERGBPixel*>(big.Scanline(y));
        std::fill(row, row + W, bg);
        std::memset(big.GetAlphaChannel()->Scanline(y), 255, W);
        if (y < C.Height()) {
          std::memcpy(row, C.Scanline(y), size_t(C.Width()) * 3);
          std::memcpy(big.GetAlphaChannel()->Scanline(y), C.GetAlphaChannel()->Scanline(y), C.Width());
        }
      }
      C.Assign(&big);
    }
  }
  TIEBitmap frame;
  frame.Assign(Frame);
  IOConvertTo24(&frame);
  const int fx = P.GIF_XPos, fy = P.GIF_YPos;
  for (int y = 0; y < frame.Height(); ++y) {
    const int cy = fy + y;
    if (cy < 0 || cy >= C.Height()) continue;
    const auto* src = reinterpret_cast<const TIERGBPixel*>(frame.Scanline(y));
    const uint8_t* fa = frame.HasAlphaChannel() ? frame.GetAlphaChannel()->Scanline(y) : nullptr;
    auto* dst = reinterpret_cast<TIERGBPixel*>(C.Scanline(cy));
    uint8_t* ca = C.GetAlphaChannel()->Scanline(cy);
    for (int x = 0; x < frame.Width(); ++x) {
      const int cx = fx + x;
      if (cx < 0 || cx >= C.Width()) continue;
      const int a = fa != nullptr ? fa[x] : 255;
      dst[cx].r = uint8_t((src[x].r * a + dst[cx].r * (255 - a)) / 255);
      dst[cx].g = uint8_t((src[x].g * a + dst[cx].g * (255 - a)) / 255);
      dst[cx].b = uint8_t((src[x].b * a + dst[cx].b * (255 - a)) / 255);
      ca[cx] = uint8_t(std::max<int>(ca[cx], a));
    }
  }
  FPrevX = fx;
  FPrevY = fy;
  FPrevW = frame.Width();
  FPrevH = frame.Height();
  FPrevDisposal = P.GIF_Action;
  P.GIF_Action = 2;
  P.GIF_XPos = P.GIF_YPos = 0;
  return &C;
}

namespace {

// Moves every pixel (of one byte-aligned format) to its place under the orientation.
void Reorient(TIEBitmap* B, int Orientation) {
  const int w = B->Width(), h = B->Height();
  const bool swap = Orientation >= 5;
  const int nw = swap ? h : w, nh = swap ? w : h;
  const TIEPixelFormat pf = B->PixelFormat();
  if (pf == ie1g) {
    IOConvertTo24(B);
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
  if (Bitmap == nullptr || Orientation < 2 || Orientation > 8 || Bitmap->IsEmpty()) return;
  Reorient(Bitmap, Orientation);
}

void IOApplyOrientation(TIEBitmap* B, int Orientation) {
  if (B == nullptr || B->IsEmpty() || Orientation < 2 || Orientation > 8) return;
  IOConvertTo24(B);
  Reorient(B, Orientation);
}
