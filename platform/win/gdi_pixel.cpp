// Pixel formats, ROP2 and ternary raster operations, and span painting.
//
// Every drawing call ends here: shapes become spans, spans are clipped, and PaintSpan writes
// them with one loop per pixel format (no call per pixel on the common 32- and 24-bit paths).
#include <algorithm>
#include <cstring>

#include "platform/win/gdi_internal.h"

namespace {
inline uint32_t Pack16(const TGdiSurface& s, COLORREF c) {
  uint32_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  if (s.Rgb565) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
}
inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }
inline uint32_t Unpack16(const TGdiSurface& s, uint32_t v) {
  uint32_t r, g, b;
  if (s.Rgb565) {
    r = Expand5((v >> 11) & 31); g = Expand6((v >> 5) & 63); b = Expand5(v & 31);
  } else {
    r = Expand5((v >> 10) & 31); g = Expand5((v >> 5) & 31); b = Expand5(v & 31);
  }
  return (r << 16) | (g << 8) | b;
}
}  // namespace

int NearestIndex(const std::vector<RGBQUAD>& pal, COLORREF c) {
  int best = 0;
  int bestD = 1 << 30;
  int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  for (size_t i = 0; i < pal.size(); ++i) {
    int dr = pal[i].rgbRed - r, dg = pal[i].rgbGreen - g, db = pal[i].rgbBlue - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestD) {
      bestD = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

uint32_t NativeMask(const TGdiSurface& s) {
  switch (s.BitCount) {
    case 32: return 0xFFFFFFFFu;
    case 24: return 0xFFFFFFu;
    case 16: return 0xFFFFu;
    default: return (1u << s.BitCount) - 1;
  }
}

uint32_t ToNative(const TGdiSurface& s, COLORREF c) {
  c &= 0xFFFFFF;
  switch (s.BitCount) {
    case 32:
    case 24: return SwapRB(c);
    case 16: return Pack16(s, c);
    default: return static_cast<uint32_t>(NearestIndex(s.Palette, c));
  }
}

COLORREF FromNative(const TGdiSurface& s, uint32_t v) {
  switch (s.BitCount) {
    case 32:
    case 24: return SwapRB(v & 0xFFFFFF);
    case 16: return SwapRB(Unpack16(s, v));
    default: {
      if (v >= s.Palette.size()) return 0;
      const RGBQUAD& q = s.Palette[v];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
  }
}

uint32_t GetNative(const TGdiSurface& s, int x, int y) {
  const uint8_t* row = s.Row(y);
  switch (s.BitCount) {
    case 32: { uint32_t v; std::memcpy(&v, row + 4 * x, 4); return v; }
    case 24: { const uint8_t* p = row + 3 * x; return p[0] | (p[1] << 8) | (p[2] << 16); }
    case 16: { uint16_t v; std::memcpy(&v, row + 2 * x, 2); return v; }
    case 8: return row[x];
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void PutNative(const TGdiSurface& s, int x, int y, uint32_t v) {
  uint8_t* row = s.Row(y);
  switch (s.BitCount) {
    case 32: std::memcpy(row + 4 * x, &v, 4); break;
    case 24: { uint8_t* p = row + 3 * x; p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; p[2] = (v >> 16) & 0xFF; break; }
    case 16: { uint16_t w = static_cast<uint16_t>(v); std::memcpy(row + 2 * x, &w, 2); break; }
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 4: {
      uint8_t& b = row[x >> 1];
      if (x & 1) b = static_cast<uint8_t>((b & 0xF0) | (v & 15));
      else b = static_cast<uint8_t>((b & 0x0F) | ((v & 15) << 4));
      break;
    }
    default: {
      uint8_t& b = row[x >> 3];
      uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
      b = (v & 1) ? (b | m) : (b & ~m);
    }
  }
}

void LoadNativeRow(const TGdiSurface& s, int y, int x, int n, uint32_t* out) {
  const uint8_t* row = s.Row(y);
  switch (s.BitCount) {
    case 32: std::memcpy(out, row + 4 * x, 4 * static_cast<size_t>(n)); return;
    case 24: {
      const uint8_t* p = row + 3 * x;
      for (int i = 0; i < n; ++i, p += 3) out[i] = p[0] | (p[1] << 8) | (p[2] << 16);
      return;
    }
    case 8: for (int i = 0; i < n; ++i) out[i] = row[x + i]; return;
    default: for (int i = 0; i < n; ++i) out[i] = GetNative(s, x + i, y);
  }
}

void StoreNativeRow(const TGdiSurface& s, int y, int x, int n, const uint32_t* in) {
  uint8_t* row = s.Row(y);
  switch (s.BitCount) {
    case 32: std::memcpy(row + 4 * x, in, 4 * static_cast<size_t>(n)); return;
    case 24: {
      uint8_t* p = row + 3 * x;
      for (int i = 0; i < n; ++i, p += 3) {
        p[0] = in[i] & 0xFF; p[1] = (in[i] >> 8) & 0xFF; p[2] = (in[i] >> 16) & 0xFF;
      }
      return;
    }
    case 8: for (int i = 0; i < n; ++i) row[x + i] = static_cast<uint8_t>(in[i]); return;
    default: for (int i = 0; i < n; ++i) PutNative(s, x + i, y, in[i]);
  }
}

void LoadRGBRow(const TGdiSurface& s, int y, int x, int n, uint32_t* out, const RGBQUAD* pal) {
  const uint8_t* row = s.Row(y);
  switch (s.BitCount) {
    case 32: std::memcpy(out, row + 4 * x, 4 * static_cast<size_t>(n)); return;
    case 24: LoadNativeRow(s, y, x, n, out); return;
    case 16:
      for (int i = 0; i < n; ++i) {
        uint16_t v; std::memcpy(&v, row + 2 * (x + i), 2);
        out[i] = Unpack16(s, v);
      }
      return;
    default: {
      const RGBQUAD* p = pal ? pal : s.Palette.data();
      size_t count = pal ? 2 : s.Palette.size();
      for (int i = 0; i < n; ++i) {
        uint32_t v = GetNative(s, x + i, y);
        if (v >= count) { out[i] = 0; continue; }
        out[i] = (static_cast<uint32_t>(p[v].rgbRed) << 16) | (p[v].rgbGreen << 8) | p[v].rgbBlue;
      }
    }
  }
}

uint32_t Rop2Apply(int rop2, uint32_t P, uint32_t D) {
  switch (rop2) {
    case R2_BLACK: return 0;
    case R2_NOTMERGEPEN: return ~(P | D);
    case R2_MASKNOTPEN: return ~P & D;
    case R2_NOTCOPYPEN: return ~P;
    case R2_MASKPENNOT: return P & ~D;
    case R2_NOT: return ~D;
    case R2_XORPEN: return P ^ D;
    case R2_NOTMASKPEN: return ~(P & D);
    case R2_MASKPEN: return P & D;
    case R2_NOTXORPEN: return ~(P ^ D);
    case R2_NOP: return D;
    case R2_MERGENOTPEN: return ~P | D;
    case R2_MERGEPEN: return P | D;
    case R2_WHITE: return 0xFFFFFFFFu;
    case R2_MERGEPENNOT: return P | ~D;
    default: return P;  // R2_COPYPEN
  }
}

namespace {
// Writes one colour over [x0, x1) of row y with a ROP2; the copy mode of the two deep formats
// is a plain fill, every other case goes through the native value.
void SolidSpan(const TGdiSurface& s, int y, int x0, int x1, uint32_t v, int rop2) {
  const uint32_t mask = NativeMask(s);
  // Modes that ignore the destination reduce to a fill.
  bool constant = rop2 == R2_COPYPEN || rop2 == R2_NOTCOPYPEN || rop2 == R2_BLACK || rop2 == R2_WHITE;
  if (rop2 == R2_NOP) return;
  uint8_t* row = s.Row(y);
  if (constant) {
    uint32_t c = Rop2Apply(rop2, v, 0);
    // GDI leaves the alpha byte of 32-bit pixels at zero when it draws.
    if (s.BitCount == 32) c &= 0xFFFFFF;
    else c &= mask;
    switch (s.BitCount) {
      case 32: std::fill_n(reinterpret_cast<uint32_t*>(row) + x0, x1 - x0, c); return;
      case 24: {
        uint8_t b0 = c & 0xFF, b1 = (c >> 8) & 0xFF, b2 = (c >> 16) & 0xFF;
        uint8_t* p = row + 3 * x0;
        for (int x = x0; x < x1; ++x, p += 3) { p[0] = b0; p[1] = b1; p[2] = b2; }
        return;
      }
      case 16: std::fill_n(reinterpret_cast<uint16_t*>(row) + x0, x1 - x0, static_cast<uint16_t>(c)); return;
      case 8: std::memset(row + x0, static_cast<int>(c), static_cast<size_t>(x1 - x0)); return;
      default: for (int x = x0; x < x1; ++x) PutNative(s, x, y, c); return;
    }
  }
  if (s.BitCount == 32) {
    uint32_t* p = reinterpret_cast<uint32_t*>(row);
    switch (rop2) {
      case R2_XORPEN: for (int x = x0; x < x1; ++x) p[x] ^= (v & 0xFFFFFF); return;
      case R2_NOT: for (int x = x0; x < x1; ++x) p[x] ^= 0xFFFFFF; return;
      default: for (int x = x0; x < x1; ++x) p[x] = (Rop2Apply(rop2, v, p[x]) & 0xFFFFFF) | (p[x] & 0xFF000000u); return;
    }
  }
  for (int x = x0; x < x1; ++x) PutNative(s, x, y, Rop2Apply(rop2, v, GetNative(s, x, y)) & mask);
}
}  // namespace

void PatternRow(const TPaint& p, int y, int x, int n, uint32_t* out) {
  int py = ((y - p.OY) % p.PH + p.PH) % p.PH;
  const uint32_t* row = p.Pat.data() + static_cast<size_t>(py) * p.PW;
  int px = ((x - p.OX) % p.PW + p.PW) % p.PW;
  for (int i = 0; i < n; ++i) {
    out[i] = row[px];
    if (++px == p.PW) px = 0;
  }
}

void PaintSpan(const TGdiSurface& s, int y, int x0, int x1, const TPaint& p) {
  if (p.Null || x0 >= x1) return;
  if (!p.Pattern) {
    SolidSpan(s, y, x0, x1, p.Pixel, p.Rop2);
    return;
  }
  const uint32_t mask = NativeMask(s);
  int py = ((y - p.OY) % p.PH + p.PH) % p.PH;
  const uint32_t* row = p.Pat.data() + static_cast<size_t>(py) * p.PW;
  const uint8_t* mrow = p.Mask.empty() ? nullptr : p.Mask.data() + static_cast<size_t>(py) * p.PW;
  int px = ((x0 - p.OX) % p.PW + p.PW) % p.PW;
  for (int x = x0; x < x1; ++x) {
    if (!mrow || mrow[px]) {
      uint32_t d = GetNative(s, x, y);
      uint32_t v = Rop2Apply(p.Rop2, row[px], d);
      if (s.BitCount == 32) v = (v & 0xFFFFFF) | (p.Rop2 == R2_COPYPEN ? 0 : (d & 0xFF000000u));
      PutNative(s, x, y, v & mask);
    }
    if (++px == p.PW) px = 0;
  }
}

void PaintRegion(HDC dc, const TRegion& rgn, const TPaint& p) {
  if (p.Null || !dc->Surf) return;
  const TRegion& clip = dc->Clip();
  TRegion r = TRegion::Combine(rgn, clip, RGN_AND);
  for (const TBand& b : r.Bands)
    for (int y = b.top; y < b.bottom; ++y)
      for (const TSpan& sp : b.spans) PaintSpan(*dc->Surf, y, sp.x0, sp.x1, p);
}

void PaintRect(HDC dc, RECT r, const TPaint& p) {
  if (p.Null || !dc->Surf) return;
  if (r.left >= r.right || r.top >= r.bottom) return;
  const TRegion& clip = dc->Clip();
  for (const TBand& b : clip.Bands) {
    if (b.bottom <= r.top) continue;
    if (b.top >= r.bottom) break;
    int y0 = std::max(b.top, static_cast<int>(r.top)), y1 = std::min(b.bottom, static_cast<int>(r.bottom));
    for (const TSpan& sp : b.spans) {
      int x0 = std::max(sp.x0, static_cast<int>(r.left)), x1 = std::min(sp.x1, static_cast<int>(r.right));
      if (x0 >= x1) continue;
      for (int y = y0; y < y1; ++y) PaintSpan(*dc->Surf, y, x0, x1, p);
    }
  }
}

// ---- Ternary raster operations ----
bool RopUsesSource(DWORD rop) {
  uint8_t c = static_cast<uint8_t>(rop >> 16);
  return ((c >> 2) & 0x33) != (c & 0x33);
}
bool RopUsesPattern(DWORD rop) {
  uint8_t c = static_cast<uint8_t>(rop >> 16);
  return ((c >> 4) & 0x0F) != (c & 0x0F);
}

void ApplyRop3(uint8_t rop, const uint32_t* P, const uint32_t* S, uint32_t* D, int n) {
  switch (rop) {
    case 0xCC: std::memcpy(D, S, 4 * static_cast<size_t>(n)); return;                  // SRCCOPY
    case 0x88: for (int i = 0; i < n; ++i) D[i] &= S[i]; return;                         // SRCAND
    case 0xEE: for (int i = 0; i < n; ++i) D[i] |= S[i]; return;                         // SRCPAINT
    case 0x66: for (int i = 0; i < n; ++i) D[i] ^= S[i]; return;                         // SRCINVERT
    case 0x33: for (int i = 0; i < n; ++i) D[i] = ~S[i]; return;                         // NOTSRCCOPY
    case 0x44: for (int i = 0; i < n; ++i) D[i] = S[i] & ~D[i]; return;                  // SRCERASE
    case 0x11: for (int i = 0; i < n; ++i) D[i] = ~(S[i] | D[i]); return;                // NOTSRCERASE
    case 0xBB: for (int i = 0; i < n; ++i) D[i] = ~S[i] | D[i]; return;                  // MERGEPAINT
    case 0xC0: for (int i = 0; i < n; ++i) D[i] = P[i] & S[i]; return;                   // MERGECOPY
    case 0x55: for (int i = 0; i < n; ++i) D[i] = ~D[i]; return;                         // DSTINVERT
    case 0xF0: std::memcpy(D, P, 4 * static_cast<size_t>(n)); return;                    // PATCOPY
    case 0x5A: for (int i = 0; i < n; ++i) D[i] ^= P[i]; return;                         // PATINVERT
    case 0x00: std::fill_n(D, n, 0u); return;                                            // BLACKNESS
    case 0xFF: std::fill_n(D, n, 0xFFFFFFFFu); return;                                   // WHITENESS
    case 0xAA: return;                                                                   // D
    case 0xB8: for (int i = 0; i < n; ++i) D[i] = (S[i] & P[i]) | (~S[i] & D[i]); return;  // PSDPxax
    case 0xE2: for (int i = 0; i < n; ++i) D[i] = (S[i] & D[i]) | (~S[i] & P[i]); return;  // DSPDxax
    default: break;
  }
  // Any other code: the operation's bit for (p, s, d) is bit 4p + 2s + d of the code.
  for (int i = 0; i < n; ++i) {
    uint32_t p = P ? P[i] : 0, s = S ? S[i] : 0, d = D[i], r = 0;
    for (int k = 0; k < 8; ++k) {
      if (!((rop >> k) & 1)) continue;
      uint32_t t = ((k & 4) ? p : ~p) & ((k & 2) ? s : ~s) & ((k & 1) ? d : ~d);
      r |= t;
    }
    D[i] = r;
  }
}
