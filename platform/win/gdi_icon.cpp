// Icons: colour bitmap and mask pairs, drawn blended (32 bits with alpha) or with the AND/XOR
// rule.
#include <algorithm>
#include <cstring>

#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_user.h"

namespace {

// Icons live in the object table under a private type, so stale handles fail cleanly.
constexpr int kIconType = 0x100;

struct TIconObj : TGdiObject {
  ICONINFO Info{};  // the bitmaps are the icon's own copies
  ~TIconObj() override {
    if (Info.hbmMask) DeleteObject(Info.hbmMask);
    if (Info.hbmColor) DeleteObject(Info.hbmColor);
  }
};

TIconObj* Icon(HICON h) { return GdiAs<TIconObj>(h, kIconType); }

// A copy of a bitmap in its own depth.
HBITMAP CopyBitmap(HBITMAP bm) {
  TGdiSurface* s = GetBitmapSurface(bm);
  if (!s) return nullptr;
  auto* src = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  TGdiBitmapObj* o = NewBitmapObj(s->Width, s->Height, s->BitCount, true, s->Palette.empty() ? nullptr : s->Palette.data(),
                                  static_cast<int>(s->Palette.size()));
  if (!o) return nullptr;
  o->Surf.Rgb565 = s->Rgb565;
  o->Surf.Dib = s->Dib;
  o->DibSection = src->DibSection;
  size_t row = (static_cast<size_t>(s->Width) * s->BitCount + 7) / 8;
  for (int y = 0; y < s->Height; ++y) std::memcpy(o->Surf.Row(y), s->Row(y), row);
  return static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP));
}

// Pixel X of a row of a surface in its own depth (sub-byte depths: the high bits first).
uint32_t IconScalePixel(const uint8_t* Row, int X, int Bpp) {
  if (Bpp >= 8) {
    uint32_t v = 0;
    std::memcpy(&v, Row + static_cast<size_t>(X) * (Bpp / 8), Bpp / 8);
    return v;
  }
  const int bit = X * Bpp, shift = 8 - Bpp - bit % 8;
  return (Row[bit / 8] >> shift) & ((1u << Bpp) - 1);
}

void IconScaleSetPixel(uint8_t* Row, int X, int Bpp, uint32_t V) {
  if (Bpp >= 8) {
    std::memcpy(Row + static_cast<size_t>(X) * (Bpp / 8), &V, Bpp / 8);
    return;
  }
  const int bit = X * Bpp, shift = 8 - Bpp - bit % 8;
  const uint8_t m = static_cast<uint8_t>(((1u << Bpp) - 1) << shift);
  Row[bit / 8] = static_cast<uint8_t>((Row[bit / 8] & ~m) | ((V << shift) & m));
}

// A copy of a bitmap resized to W x H by nearest pixel, in its own depth and palette.
HBITMAP IconScaleBitmap(HBITMAP bm, int W, int H) {
  TGdiSurface* s = GetBitmapSurface(bm);
  if (!s || W <= 0 || H <= 0 || s->Width <= 0 || s->Height <= 0) return nullptr;
  auto* src = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  TGdiBitmapObj* o = NewBitmapObj(W, H, s->BitCount, true, s->Palette.empty() ? nullptr : s->Palette.data(),
                                  static_cast<int>(s->Palette.size()));
  if (!o) return nullptr;
  o->Surf.Rgb565 = s->Rgb565;
  o->Surf.Dib = s->Dib;
  o->DibSection = src->DibSection;
  for (int y = 0; y < H; ++y) {
    const uint8_t* from = s->Row(static_cast<int>(static_cast<int64_t>(y) * s->Height / H));
    uint8_t* to = o->Surf.Row(y);
    for (int x = 0; x < W; ++x)
      IconScaleSetPixel(to, x, s->BitCount,
                        IconScalePixel(from, static_cast<int>(static_cast<int64_t>(x) * s->Width / W), s->BitCount));
  }
  return static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP));
}

bool HasAlpha(const TGdiSurface& s) {
  if (s.BitCount != 32) return false;
  for (int y = 0; y < s.Height; ++y) {
    const uint8_t* r = s.Row(y);
    for (int x = 0; x < s.Width; ++x)
      if (r[4 * x + 3]) return true;
  }
  return false;
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info || !GetBitmapSurface(info->hbmMask)) return nullptr;
  auto* o = new TIconObj;
  o->Info = *info;
  o->Info.hbmMask = CopyBitmap(info->hbmMask);
  o->Info.hbmColor = info->hbmColor ? CopyBitmap(info->hbmColor) : nullptr;
  return static_cast<HICON>(GdiRegister(o, kIconType));
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  TIconObj* o = Icon(icon);
  if (!o || !info) return FALSE;
  *info = o->Info;
  info->hbmMask = CopyBitmap(o->Info.hbmMask);
  info->hbmColor = o->Info.hbmColor ? CopyBitmap(o->Info.hbmColor) : nullptr;
  return TRUE;
}

HICON CopyIcon(HICON icon) {
  TIconObj* o = Icon(icon);
  return o ? CreateIconIndirect(&o->Info) : nullptr;
}

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
  if (type != IMAGE_ICON) return nullptr;
  auto icon = static_cast<HICON>(image);
  TIconObj* o = Icon(icon);
  if (!o || cx < 0 || cy < 0 || cx > 4096 || cy > 4096) return nullptr;
  TGdiSurface* mask = GetBitmapSurface(o->Info.hbmMask);
  if (!mask) return nullptr;
  const bool colour = o->Info.hbmColor != nullptr;
  const int w = mask->Width, h = colour ? mask->Height : mask->Height / 2;
  if (cx == 0) cx = w;
  if (cy == 0) cy = h;
  HICON copy = nullptr;
  if (cx == w && cy == h) {
    copy = CopyIcon(icon);
  } else {
    // A monochrome icon's mask holds both halves: it keeps twice the height.
    ICONINFO info = o->Info;
    info.hbmMask = IconScaleBitmap(o->Info.hbmMask, cx, colour ? cy : 2 * cy);
    info.hbmColor = colour ? IconScaleBitmap(o->Info.hbmColor, cx, cy) : nullptr;
    if (info.hbmMask && (!colour || info.hbmColor)) copy = CreateIconIndirect(&info);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
  }
  if (copy && (flags & LR_COPYDELETEORG)) DestroyIcon(icon);
  return copy;
}

BOOL DestroyIcon(HICON icon) {
  TIconObj* o = Icon(icon);
  if (!o) return FALSE;
  GdiDestroy(o);
  return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH, UINT flags) {
  TIconObj* o = Icon(icon);
  if (!ValidDC(dc) || !o) return FALSE;
  TGdiSurface* mask = GetBitmapSurface(o->Info.hbmMask);
  TGdiSurface* colour = o->Info.hbmColor ? GetBitmapSurface(o->Info.hbmColor) : nullptr;
  int w = mask->Width, h = colour ? mask->Height : mask->Height / 2;
  if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? 32 : w;
  if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? 32 : h;
  if (!(flags & DI_NORMAL)) flags |= DI_NORMAL;
  HDC src = CreateCompatibleDC(nullptr);
  int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  COLORREF oldText = SetTextColor(dc, 0), oldBk = SetBkColor(dc, RGB(255, 255, 255));
  if (colour && (flags & DI_IMAGE) && HasAlpha(*colour) && (flags & DI_NORMAL) == DI_NORMAL) {
    // Alpha blending wants premultiplied colours: blend from a premultiplied copy.
    HBITMAP pre = CopyBitmap(o->Info.hbmColor);
    TGdiSurface* p = GetBitmapSurface(pre);
    for (int yy = 0; yy < p->Height; ++yy) {
      uint8_t* r = p->Row(yy);
      for (int xx = 0; xx < p->Width; ++xx)
        for (int k = 0; k < 3; ++k) r[4 * xx + k] = static_cast<uint8_t>((r[4 * xx + k] * r[4 * xx + 3] + 127) / 255);
    }
    HGDIOBJ old = SelectObject(src, pre);
    AlphaBlend(dc, x, y, cx, cy, src, 0, 0, w, h, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
    SelectObject(src, old);
    DeleteObject(pre);
  } else {
    HGDIOBJ old = SelectObject(src, o->Info.hbmMask);
    if (flags & DI_MASK) StretchBlt(dc, x, y, cx, cy, src, 0, 0, w, h, SRCAND);
    if (flags & DI_IMAGE) {
      if (colour) {
        SelectObject(src, o->Info.hbmColor);
        StretchBlt(dc, x, y, cx, cy, src, 0, 0, w, h, (flags & DI_MASK) ? SRCINVERT : SRCCOPY);
      } else {
        StretchBlt(dc, x, y, cx, cy, src, 0, h, w, h, SRCINVERT);
      }
    }
    SelectObject(src, old);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
  SetStretchBltMode(dc, oldMode);
  DeleteDC(src);
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }
