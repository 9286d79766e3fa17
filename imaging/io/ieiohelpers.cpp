// Pixel helpers of the IO frame.
#include "imaging/io/ieiohelpers.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iesmall.h"
#include "imaging/io/ieparams.h"

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
    C.SetPixelFormat(ie24RGB);
    if (C.Width() < W || C.Height() < H) {
      // The canvas only grows: a frame wider but shorter than it keeps its width.
      const int GW = std::max(W, C.Width()), GH = std::max(H, C.Height());
      TIEBitmap big;
      big.Allocate(GW, GH, ie24RGB);
      for (int y = 0; y < GH; ++y) {
        auto* row = reinterpret_cast<TIERGBPixel*>(big.Scanline(y));
        std::fill(row, row + GW, bg);
        std::memset(big.GetAlphaChannel()->Scanline(y), 255, GW);
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
  frame.SetPixelFormat(ie24RGB);
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

void IOApplyOrientation(TIEBitmap* B, int Orientation) {
  if (B == nullptr || B->IsEmpty() || Orientation < 2 || Orientation > 8) return;
  B->SetPixelFormat(ie24RGB);
  IEApplyOrientation(B, Orientation);
}
