// Bitmaps and DIBs: device-dependent bitmaps, DIB sections in every depth and both row orders,
// and the conversions between them (GetDIBits, SetDIBits, StretchDIBits, SetDIBitsToDevice).
//
// DIB memory handed in by a caller is wrapped in a TGdiSurface without copying; a bottom-up DIB
// is a surface with a negative stride, so row 0 is always the top row.
#include <algorithm>
#include <cstring>

#include "platform/win/gdi_blit.h"
#include "platform/win/gdi_internal.h"

std::vector<RGBQUAD> DefaultPalette(int bpp) {
  static const BYTE vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                  {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                  {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                  {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  std::vector<RGBQUAD> p;
  if (bpp == 1) return {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  for (auto& c : vga) p.push_back(RGBQUAD{c[2], c[1], c[0], 0});
  if (bpp == 4) return p;
  // 8 bits: the 16 standard colours, a 6x6x6 colour cube and a grey ramp.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.push_back(RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(r * 51), 0});
  for (int i = 0; p.size() < 256; ++i) {
    BYTE v = static_cast<BYTE>(8 + i * 10);
    p.push_back(RGBQUAD{v, v, v, 0});
  }
  return p;
}

namespace {
int StrideOf(int w, int bpp) { return ((w * bpp + 31) / 32) * 4; }
bool ValidDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }
constexpr int kMaxSide = 1 << 16;
constexpr int64_t kMaxBytes = int64_t(1) << 31;

// Describes DIB memory as a surface. Fails on compressed or malformed headers.
bool WrapDIB(const BITMAPINFO* bmi, UINT usage, HDC dc, const void* bits, TGdiSurface& s) {
  if (!bmi) return false;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || !ValidDepth(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0) return false;
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (h.biWidth > kMaxSide || height > kMaxSide) return false;
  s.Width = h.biWidth;
  s.Height = height;
  s.BitCount = h.biBitCount;
  s.Dib = true;
  ptrdiff_t stride = StrideOf(h.biWidth, h.biBitCount);
  auto* base = static_cast<uint8_t*>(const_cast<void*>(bits));
  if (h.biHeight > 0) {
    s.Top = base ? base + (height - 1) * stride : nullptr;
    s.Stride = -stride;
  } else {
    s.Top = base;
    s.Stride = stride;
  }
  const auto* colours = reinterpret_cast<const uint8_t*>(bmi) + h.biSize;
  if (h.biCompression == BI_BITFIELDS) {
    DWORD m[3];
    std::memcpy(m, colours, sizeof m);
    if (h.biBitCount == 16) s.Rgb565 = m[1] == 0x07E0;
  }
  if (h.biBitCount <= 8) {
    int n = h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 1u << h.biBitCount)) : 1 << h.biBitCount;
    s.Palette.resize(static_cast<size_t>(n));
    if (usage == DIB_PAL_COLORS) {
      auto* p = dc && ValidDC(dc) ? GdiAs<TGdiPaletteObj>(dc->S.Palette, OBJ_PAL) : nullptr;
      for (int i = 0; i < n; ++i) {
        WORD idx;
        std::memcpy(&idx, colours + 2 * i, 2);
        PALETTEENTRY e = p && idx < p->Entries.size() ? p->Entries[idx] : PALETTEENTRY{0, 0, 0, 0};
        s.Palette[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
      }
    } else {
      std::memcpy(s.Palette.data(), colours, static_cast<size_t>(n) * sizeof(RGBQUAD));
      for (RGBQUAD& q : s.Palette) q.rgbReserved = 0;
    }
  }
  return true;
}

bool SameFormat(const TGdiSurface& a, const TGdiSurface& b) {
  if (a.BitCount != b.BitCount) return false;
  if (a.BitCount == 16) return a.Rgb565 == b.Rgb565;
  if (a.BitCount > 8) return true;
  if (a.Palette.size() != b.Palette.size()) return false;
  for (size_t i = 0; i < a.Palette.size(); ++i)
    if (std::memcmp(&a.Palette[i], &b.Palette[i], 3) != 0) return false;
  return true;
}

// Copies rows between surfaces of the same width, converting the format.
void CopyRows(const TGdiSurface& src, int sy, const TGdiSurface& dst, int dy, int rows) {
  int w = std::min(src.Width, dst.Width);
  if (SameFormat(src, dst)) {
    size_t bytes = (static_cast<size_t>(w) * src.BitCount + 7) / 8;
    for (int i = 0; i < rows; ++i) std::memcpy(dst.Row(dy + i), src.Row(sy + i), bytes);
    return;
  }
  std::vector<uint32_t> buf(static_cast<size_t>(w));
  for (int i = 0; i < rows; ++i) {
    LoadRGBRow(src, sy + i, 0, w, buf.data());
    if (dst.BitCount == 24 || dst.BitCount == 32) {
      if (dst.BitCount == 24 || src.BitCount != 32)
        for (uint32_t& v : buf) v &= 0xFFFFFF;
    } else {
      uint32_t last = 0xFFFFFFFF, out = 0;
      for (uint32_t& v : buf) {
        uint32_t c = v & 0xFFFFFF;
        if (c != last) {
          last = c;
          out = ToNative(dst, ((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16));
        }
        v = out;
      }
    }
    StoreNativeRow(dst, dy + i, 0, w, buf.data());
  }
}
}  // namespace

TGdiBitmapObj* NewBitmapObj(int w, int h, int bpp, bool topDown, const RGBQUAD* pal, int palCount) {
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || !ValidDepth(bpp)) return nullptr;
  int64_t stride = StrideOf(w, bpp);
  if (stride * h > kMaxBytes) return nullptr;
  auto* o = new TGdiBitmapObj;
  o->Own.assign(static_cast<size_t>(stride * h), 0);
  TGdiSurface& s = o->Surf;
  s.Width = w;
  s.Height = h;
  s.BitCount = bpp;
  if (topDown) {
    s.Top = o->Own.data();
    s.Stride = stride;
  } else {
    s.Top = o->Own.data() + (h - 1) * stride;
    s.Stride = -stride;
  }
  if (bpp <= 8) {
    if (pal && palCount > 0) s.Palette.assign(pal, pal + std::min(palCount, 1 << bpp));
    else s.Palette = DefaultPalette(bpp);
  }
  o->Bih = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, topDown ? -h : h, 1, static_cast<WORD>(bpp), BI_RGB,
                            static_cast<DWORD>(stride * h), 0, 0, 0, 0};
  return o;
}

TGdiSurface* GetBitmapSurface(HBITMAP bm) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  return o ? &o->Surf : nullptr;
}

HBITMAP CreateBitmap(int w, int h, UINT planes, UINT bpp, const void* bits) {
  if (planes != 1) return nullptr;
  if (bpp == 15) bpp = 16;
  TGdiBitmapObj* o = NewBitmapObj(w, h, static_cast<int>(bpp), true, nullptr, 0);
  if (!o) return nullptr;
  if (bits) {
    // Device-dependent rows are word-aligned.
    size_t in = static_cast<size_t>(((w * static_cast<int>(bpp) + 15) / 16) * 2);
    size_t row = (static_cast<size_t>(w) * bpp + 7) / 8;
    for (int y = 0; y < h; ++y)
      std::memcpy(o->Surf.Row(y), static_cast<const uint8_t*>(bits) + y * in, row);
  }
  return static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP));
}

HBITMAP CreateBitmapIndirect(const BITMAP* bm) {
  return bm ? CreateBitmap(bm->bmWidth, bm->bmHeight, bm->bmPlanes, bm->bmBitsPixel, bm->bmBits) : nullptr;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int w, int h) {
  if (!ValidDC(dc)) return nullptr;
  // Compatible with what the DC draws on: a memory DC still holding its initial 1x1 bitmap
  // gives a monochrome bitmap, as on the original platform.
  int bpp = 32;
  if (dc->Kind == TDCKind::Memory && dc->Surf && dc->Surf->BitCount == 1) {
    auto* cur = GdiAs<TGdiBitmapObj>(dc->Bitmap, OBJ_BITMAP);
    if (cur && !cur->DibSection) bpp = 1;
  }
  if (w == 0 || h == 0) { w = 1; h = 1; bpp = 1; }
  TGdiBitmapObj* o = NewBitmapObj(w, h, bpp, true, nullptr, 0);
  return o ? static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP)) : nullptr;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  TGdiSurface desc;
  if (!WrapDIB(bmi, usage, dc, nullptr, desc)) return nullptr;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  TGdiBitmapObj* o = NewBitmapObj(desc.Width, desc.Height, desc.BitCount, h.biHeight < 0,
                                  desc.Palette.empty() ? nullptr : desc.Palette.data(), static_cast<int>(desc.Palette.size()));
  if (!o) return nullptr;
  o->DibSection = true;
  o->Surf.Dib = true;
  o->Surf.Rgb565 = desc.Rgb565;
  o->Bih = h;
  o->Bih.biSize = sizeof(BITMAPINFOHEADER);
  o->Bih.biSizeImage = static_cast<DWORD>(o->Own.size());
  if (h.biCompression == BI_BITFIELDS)
    std::memcpy(o->Masks, reinterpret_cast<const uint8_t*>(bmi) + h.biSize, sizeof o->Masks);
  if (bits) *bits = o->Own.data();
  return static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP));
}

HBITMAP CreateDIB32(int w, int h, void** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

int SetDIBits(HDC dc, HBITMAP bm, UINT start, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  TGdiSurface src;
  if (!o || !bits || !WrapDIB(bmi, usage, dc, bits, src)) return 0;
  // Scan lines count from the bottom of a bottom-up DIB and from the top of a top-down one.
  bool bottomUp = bmi->bmiHeader.biHeight > 0;
  int h = std::min(src.Height, o->Surf.Height);
  if (start >= static_cast<UINT>(h)) return 0;
  int n = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(h) - start));
  // Only the given lines exist in memory: rebase the wrapped surface onto them.
  TGdiSurface part = src;
  part.Height = n;
  ptrdiff_t stride = StrideOf(src.Width, src.BitCount);
  auto* base = static_cast<uint8_t*>(const_cast<void*>(bits));
  if (bottomUp) {
    // Line `start` is the bottom row of the given lines, counted from the bitmap's bottom.
    part.Top = base + (n - 1) * stride;
    CopyRows(part, 0, o->Surf, o->Surf.Height - static_cast<int>(start) - n, n);
  } else {
    part.Top = base;
    CopyRows(part, 0, o->Surf, static_cast<int>(start), n);
  }
  return n;
}

int GetDIBits(HDC, HBITMAP bm, UINT start, UINT lines, void* bits, BITMAPINFO* bmi, UINT usage) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  if (!o || !bmi) return 0;
  BITMAPINFOHEADER& h = bmi->bmiHeader;
  const TGdiSurface& s = o->Surf;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (h.biBitCount == 0) {
    // Header query.
    h.biWidth = s.Width;
    h.biHeight = s.Height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(s.BitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(StrideOf(s.Width, s.BitCount) * s.Height);
    h.biClrUsed = 0;
    return s.Height;
  }
  if (!ValidDepth(h.biBitCount) || h.biWidth <= 0) return 0;
  // The colour table: the bitmap's own for its own depth, the default one otherwise.
  auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(bmi) + h.biSize);
  std::vector<RGBQUAD> pal;
  if (h.biBitCount <= 8) {
    pal = s.BitCount == h.biBitCount && !s.Palette.empty() ? s.Palette : DefaultPalette(h.biBitCount);
    pal.resize(static_cast<size_t>(1) << h.biBitCount, RGBQUAD{0, 0, 0, 0});
    if (usage == DIB_RGB_COLORS) std::memcpy(table, pal.data(), pal.size() * sizeof(RGBQUAD));
    h.biClrUsed = 0;
  } else if (h.biCompression == BI_BITFIELDS) {
    DWORD m[3] = {0x7C00, 0x03E0, 0x001F};
    if (h.biBitCount == 32) { m[0] = 0xFF0000; m[1] = 0xFF00; m[2] = 0xFF; }
    std::memcpy(table, m, sizeof m);
  }
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  h.biSizeImage = static_cast<DWORD>(StrideOf(h.biWidth, h.biBitCount) * height);
  if (!bits) return s.Height;
  TGdiSurface dst;
  dst.Width = h.biWidth;
  dst.BitCount = h.biBitCount;
  dst.Palette = pal;
  dst.Rgb565 = h.biCompression == BI_BITFIELDS && h.biBitCount == 16 &&
               reinterpret_cast<DWORD*>(table)[1] == 0x07E0;
  int avail = std::min(height, s.Height);
  if (start >= static_cast<UINT>(avail)) return 0;
  int n = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(avail) - start));
  ptrdiff_t stride = StrideOf(h.biWidth, h.biBitCount);
  dst.Height = n;
  auto* base = static_cast<uint8_t*>(bits);
  TGdiSurface srcPart = s;
  srcPart.Width = std::min(s.Width, h.biWidth);
  if (h.biHeight > 0) {
    // Bottom-up: line `start` is the (start)th row from the bottom of the bitmap.
    dst.Top = base + (n - 1) * stride;
    dst.Stride = -stride;
    CopyRows(srcPart, s.Height - static_cast<int>(start) - n, dst, 0, n);
  } else {
    dst.Top = base;
    dst.Stride = stride;
    CopyRows(srcPart, static_cast<int>(start), dst, 0, n);
  }
  return n;
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* bmi, UINT usage) {
  if (!header) return nullptr;
  int w = header->biWidth, h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  TGdiBitmapObj* o = NewBitmapObj(w, h, header->biBitCount == 1 && !dc ? 1 : 32, true, nullptr, 0);
  if (!o) return nullptr;
  HBITMAP bm = static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP));
  if ((init & CBM_INIT) && bits && bmi) SetDIBits(dc, bm, 0, static_cast<UINT>(h), bits, bmi, usage);
  return bm;
}

int StretchDIBits(HDC dc, int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop) {
  if (!ValidDC(dc)) return 0;
  TGdiSurface s;
  if (!bits || !WrapDIB(bmi, usage, dc, bits, s)) return 0;
  if (dc->Rec) {
    MetaRecordBits(dc, EMR_STRETCHDIBITS, {xd, yd, wd, hd, static_cast<int32_t>(rop)}, nullptr, 0, 0, 0, 0);
  }
  // The source rectangle of a bottom-up DIB is measured from its lower-left corner.
  if (bmi->bmiHeader.biHeight > 0) ys = s.Height - ys - hs;
  TBlitSource src;
  src.S = &s;
  BlitSurface(dc, xd, yd, wd, hd, src, xs, ys, ws, hs, rop);
  return std::abs(hs);
}

int SetDIBitsToDevice(HDC dc, int xd, int yd, DWORD w, DWORD h, int xs, int ys, UINT startScan, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage) {
  if (!ValidDC(dc) || !bits || !bmi) return 0;
  TGdiSurface s;
  BITMAPINFO* copy = nullptr;
  (void)copy;
  if (!WrapDIB(bmi, usage, dc, bits, s)) return 0;
  bool bottomUp = bmi->bmiHeader.biHeight > 0;
  // The memory holds scan lines startScan .. startScan + lines - 1 only.
  int total = s.Height;
  int n = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(total)));
  if (n <= 0) return 0;
  ptrdiff_t stride = StrideOf(s.Width, s.BitCount);
  auto* base = static_cast<uint8_t*>(const_cast<void*>(bits));
  TGdiSurface part = s;
  part.Height = n;
  int sy;
  if (bottomUp) {
    part.Top = base + (n - 1) * stride;
    part.Stride = -stride;
    // Source y is measured from the bottom; line startScan is the part's bottom row.
    int fromBottom = ys - static_cast<int>(startScan);
    sy = n - fromBottom - static_cast<int>(h);
  } else {
    part.Top = base;
    part.Stride = stride;
    sy = ys - static_cast<int>(startScan);
  }
  TBlitSource src;
  src.S = &part;
  int old = dc->S.StretchMode;
  BlitSurface(dc, xd, yd, static_cast<int>(w), static_cast<int>(h), src, xs, sy, static_cast<int>(w), static_cast<int>(h), SRCCOPY);
  dc->S.StretchMode = old;
  return n;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* out) {
  if (!ValidDC(dc) || !out) return 0;
  auto* o = GdiAs<TGdiBitmapObj>(dc->Bitmap, OBJ_BITMAP);
  if (!o || !o->DibSection || o->Surf.Palette.empty() || start >= o->Surf.Palette.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(o->Surf.Palette.size()) - start);
  std::copy_n(o->Surf.Palette.begin() + start, n, out);
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* in) {
  if (!ValidDC(dc) || !in) return 0;
  auto* o = GdiAs<TGdiBitmapObj>(dc->Bitmap, OBJ_BITMAP);
  if (!o || !o->DibSection || o->Surf.Palette.empty() || start >= o->Surf.Palette.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(o->Surf.Palette.size()) - start);
  std::copy_n(in, n, o->Surf.Palette.begin() + start);
  for (UINT i = 0; i < n; ++i) o->Surf.Palette[start + i].rgbReserved = 0;
  return n;
}

LONG GetBitmapBits(HBITMAP bm, LONG size, void* out) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  if (!o) return 0;
  const TGdiSurface& s = o->Surf;
  size_t in = static_cast<size_t>(((s.Width * s.BitCount + 15) / 16) * 2);
  size_t total = in * s.Height;
  if (!out) return static_cast<LONG>(total);
  size_t n = std::min<size_t>(total, static_cast<size_t>(std::max(size, 0)));
  size_t row = (static_cast<size_t>(s.Width) * s.BitCount + 7) / 8;
  auto* p = static_cast<uint8_t*>(out);
  std::memset(p, 0, n);
  for (int y = 0; y < s.Height && static_cast<size_t>(y) * in < n; ++y)
    std::memcpy(p + y * in, s.Row(y), std::min(row, n - y * in));
  return static_cast<LONG>(n);
}

LONG SetBitmapBits(HBITMAP bm, DWORD size, const void* in) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  if (!o || !in) return 0;
  const TGdiSurface& s = o->Surf;
  size_t stride = static_cast<size_t>(((s.Width * s.BitCount + 15) / 16) * 2);
  size_t row = (static_cast<size_t>(s.Width) * s.BitCount + 7) / 8;
  size_t done = 0;
  for (int y = 0; y < s.Height && done < size; ++y) {
    size_t n = std::min<size_t>(row, size - done);
    std::memcpy(s.Row(y), static_cast<const uint8_t*>(in) + y * stride, n);
    done = (y + 1) * stride;
  }
  return static_cast<LONG>(std::min<size_t>(size, stride * s.Height));
}

BOOL GetBitmapDimensionEx(HBITMAP bm, SIZE* s) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  if (!o || !s) return FALSE;
  *s = o->Dimension;
  return TRUE;
}
