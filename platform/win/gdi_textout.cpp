// Text output and measurement: TextOut, ExtTextOut, GetTextExtentPoint32, GetTextExtentExPoint.
//
// Glyphs are blended with their coverage onto 16- to 32-bit surfaces and thresholded onto
// indexed ones. The reference point follows the DC's text alignment (left/centre/right,
// top/baseline/bottom, update-current-position) along the font's escapement.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/win/gdi_text.h"

namespace {


// Blends one glyph's coverage at surface position (gx, gy) inside the clip region.
void BlendGlyph(const TGdiSurface& s, const TRegion& clip, const TGlyph& g, int gx, int gy, COLORREF colour) {
  if (g.W <= 0 || g.H <= 0) return;
  uint32_t nat = ToNative(s, colour);
  uint32_t rgb = SwapRB(colour & 0xFFFFFF);
  bool deep = s.BitCount >= 24;
  for (int row = 0; row < g.H; ++row) {
    int y = gy + row;
    const TBand* b = clip.BandAt(y);
    if (!b) continue;
    const uint8_t* cov = g.Cov.data() + static_cast<size_t>(row) * g.W;
    for (const TSpan& sp : b->spans) {
      int a = std::max(sp.x0, gx), e = std::min(sp.x1, gx + g.W);
      for (int x = a; x < e; ++x) {
        uint32_t c = cov[x - gx];
        if (c == 0) continue;
        if (s.BitCount <= 8) {
          if (c >= 128) PutNative(s, x, y, nat);
          continue;
        }
        if (c == 255) {
          uint32_t v = nat;
          if (s.BitCount == 32) v = (v & 0xFFFFFF) | (GetNative(s, x, y) & 0xFF000000u);
          PutNative(s, x, y, v);
          continue;
        }
        uint32_t d = deep ? GetNative(s, x, y) : SwapRB(FromNative(s, GetNative(s, x, y)));
        uint32_t o = 0;
        for (int k = 0; k < 3; ++k) {
          uint32_t dc = (d >> (8 * k)) & 0xFF, tc = (rgb >> (8 * k)) & 0xFF;
          o |= ((tc * c + dc * (255 - c) + 127) / 255) << (8 * k);
        }
        if (s.BitCount == 32) o |= d & 0xFF000000u;
        PutNative(s, x, y, deep ? o : ToNative(s, SwapRB(o)));
      }
    }
  }
}

// Fills a (possibly rotated) rectangle given by its origin, its along-baseline length and its
// extent above/below, in surface pixels.
void FillBox(HDC dc, const TRegion& clip, double ox, double oy, double len, double up, double down, double angle, COLORREF colour) {
  double ux = std::cos(angle), uy = -std::sin(angle);  // along the baseline (screen)
  double nx = -uy, ny = ux;                            // downwards from the baseline
  double pts[4][2] = {{ox - nx * up, oy - ny * up}, {ox + ux * len - nx * up, oy + uy * len - ny * up},
                      {ox + ux * len + nx * down, oy + uy * len + ny * down}, {ox + nx * down, oy + ny * down}};
  POINT p[4];
  for (int i = 0; i < 4; ++i) p[i] = POINT{static_cast<LONG>(std::lround(pts[i][0])), static_cast<LONG>(std::lround(pts[i][1]))};
  int four = 4;
  TRegion r = TRegion::Combine(PolygonRegion(p, &four, 1, WINDING), clip, RGN_AND);
  TPaint paint;
  paint.Null = false;
  paint.Pixel = ToNative(*dc->Surf, colour);
  for (const TBand& b : r.Bands)
    for (int y = b.top; y < b.bottom; ++y)
      for (const TSpan& sp : b.spans) PaintSpan(*dc->Surf, y, sp.x0, sp.x1, paint);
}

}  // namespace

SIZE TextExtentU32(HDC dc, const std::u32string& text) {
  SIZE sz{0, 0};
  auto f = FaceOf(dc);
  if (!f) return sz;
  std::vector<TPlacedGlyph> g;
  LayoutText(*f, text, g);
  int64_t w = 0;
  int extra = dc->ScaleX(dc->S.CharExtra) * (dc->S.CharExtra < 0 ? -1 : 1);
  for (const TPlacedGlyph& p : g) w += ((p.G.AdvX + 32) >> 6) + extra;
  if (FaceRotated(*f)) {
    // Extents are along the baseline whatever the escapement.
    double len = 0;
    for (const TPlacedGlyph& p : g) len += std::hypot(static_cast<double>(p.G.AdvX), static_cast<double>(p.G.AdvY)) / 64.0 + extra;
    w = std::lround(len);
  }
  int h = FaceMetrics(*f)->tmHeight;
  if (!dc->Identity()) {
    w = w * std::abs(dc->S.WindowExt.cx) / std::max(1, std::abs(dc->S.ViewportExt.cx));
    h = static_cast<int>(static_cast<int64_t>(h) * std::abs(dc->S.WindowExt.cy) / std::max(1, std::abs(dc->S.ViewportExt.cy)));
  }
  sz.cx = static_cast<LONG>(std::min<int64_t>(w, 1 << 30));
  sz.cy = h;
  return sz;
}

BOOL TextOutU32(HDC dc, int x, int y, UINT options, const RECT* rc, const std::u32string& textIn, const INT* dx) {
  if (dc->Rec) {
    MetaRecordText(dc, x, y, options, rc, U32ToU16(textIn), dx);
    if (!dc->Surf) return TRUE;
  }
  if (!dc->Surf) return TRUE;
  auto f = FaceOf(dc);
  if (!f) return FALSE;
  const TEXTMETRICA& tm = *FaceMetrics(*f);
  UINT align = dc->S.TextAlign;
  bool rtl = (options & ETO_RTLREADING) || (align & TA_RTLREADING);
  std::u32string text = textIn;
  std::vector<TPlacedGlyph> glyphs;
  LayoutText(*f, text, glyphs);
  size_t n = glyphs.size();
  // Advances along the baseline in device pixels (26.6), from lpDx or from the font.
  double angle = FaceAngle(*f);
  std::vector<double> adv(n), advY(n, 0);
  int extra = dc->ScaleX(std::abs(dc->S.CharExtra)) * (dc->S.CharExtra < 0 ? -1 : 1);
  for (size_t i = 0; i < n; ++i) {
    if (dx) {
      int v = (options & ETO_PDY) ? dx[2 * i] : dx[i];
      adv[i] = dc->ScaleX(std::abs(v)) * (v < 0 ? -1 : 1);
      if (options & ETO_PDY) advY[i] = dc->ScaleY(std::abs(dx[2 * i + 1])) * (dx[2 * i + 1] < 0 ? -1 : 1);
    } else if (FaceRotated(*f)) {
      adv[i] = std::hypot(static_cast<double>(glyphs[i].G.AdvX), static_cast<double>(glyphs[i].G.AdvY)) / 64.0 + extra;
    } else {
      adv[i] = static_cast<double>((glyphs[i].G.AdvX + 32) >> 6) + extra;
    }
  }
  double total = 0;
  for (double a : adv) total += a;
  if (rtl) {
    std::reverse(glyphs.begin(), glyphs.end());
    std::reverse(adv.begin(), adv.end());
    std::reverse(advY.begin(), advY.end());
  }
  POINT ref = (align & TA_UPDATECP) ? dc->S.CurPos : POINT{x, y};
  double ox = dc->MapX(ref.x), oy = dc->MapY(ref.y);
  double ux = std::cos(angle), uy = -std::sin(angle), nx = -uy, ny = ux;
  UINT h = align & (TA_CENTER | TA_RIGHT);
  double shift = h == TA_CENTER ? -total / 2 : h == TA_RIGHT ? -total : 0;
  if (h == TA_CENTER) shift = -std::floor(total / 2);
  ox += ux * shift;
  oy += uy * shift;
  UINT v = align & TA_BASELINE;
  double down = v == TA_BASELINE ? 0 : v == TA_BOTTOM ? -tm.tmDescent : tm.tmAscent;
  ox += nx * down;
  oy += ny * down;
  // (ox, oy) is now the left end of the baseline.
  TRegion clip = dc->Clip();
  if (rc) {
    RECT r = dc->MapRect(rc->left, rc->top, rc->right, rc->bottom);
    if (options & ETO_OPAQUE) {
      TPaint p;
      p.Null = false;
      p.Pixel = ToNative(*dc->Surf, ResolveColor(dc, dc->S.BkColor));
      PaintRect(dc, r, p);
    }
    if (options & ETO_CLIPPED) clip = TRegion::Combine(clip, TRegion::FromRect(r), RGN_AND);
  }
  if (dc->S.BkMode == OPAQUE && !(rc && (options & ETO_OPAQUE)))
    FillBox(dc, clip, ox, oy, total, tm.tmAscent, tm.tmDescent, angle, ResolveColor(dc, dc->S.BkColor));
  COLORREF colour = ResolveColor(dc, dc->S.TextColor);
  double px = ox, py = oy;
  for (size_t i = 0; i < n; ++i) {
    const TGlyph& g = glyphs[i].G;
    int gx = static_cast<int>(std::lround(px)) + g.Left, gy = static_cast<int>(std::lround(py)) - g.Top;
    BlendGlyph(*dc->Surf, clip, g, gx, gy, colour);
    px += ux * adv[i] + (advY[i] ? 0 : 0);
    py += uy * adv[i] - advY[i];
  }
  if (tm.tmUnderlined) {
    int size, pos = FaceUnderline(*f, &size);
    pos = std::max(pos, 1);
    FillBox(dc, clip, ox + nx * pos, oy + ny * pos, total, 0, size, angle, colour);
  }
  if (tm.tmStruckOut) {
    int size, pos = FaceStrike(*f, &size);
    FillBox(dc, clip, ox - nx * pos, oy - ny * pos, total, 0, size, angle, colour);
  }
  if (align & TA_UPDATECP) {
    int w = static_cast<int>(std::lround(total));
    if (!dc->Identity()) w = w * std::abs(dc->S.WindowExt.cx) / std::max(1, std::abs(dc->S.ViewportExt.cx));
    dc->S.CurPos.x += (h == TA_RIGHT) ? -w : (h == TA_CENTER ? 0 : w);
  }
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int bytes) {
  if (!ValidDC(dc) || (!text && bytes > 0) || bytes < 0) return FALSE;
  return TextOutU32(dc, x, y, 0, nullptr, TextToU32(text, bytes), nullptr);
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int chars) {
  if (!ValidDC(dc) || (!text && chars > 0) || chars < 0) return FALSE;
  return TextOutU32(dc, x, y, 0, nullptr, TextToU32(text, chars), nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rc, LPCSTR text, UINT bytes, const INT* dx) {
  if (!ValidDC(dc) || (!text && bytes > 0)) return FALSE;
  return TextOutU32(dc, x, y, options, rc, TextToU32(text ? text : "", static_cast<int>(bytes)), dx);
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT chars, const INT* dx) {
  if (!ValidDC(dc) || (!text && chars > 0)) return FALSE;
  return TextOutU32(dc, x, y, options, rc, TextToU32(text ? text : u"", static_cast<int>(chars)), dx);
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int bytes, SIZE* size) {
  if (!ValidDC(dc) || !size || bytes < 0 || (!text && bytes > 0)) return FALSE;
  *size = TextExtentU32(dc, TextToU32(text ? text : "", bytes));
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int chars, SIZE* size) {
  if (!ValidDC(dc) || !size || chars < 0 || (!text && chars > 0)) return FALSE;
  *size = TextExtentU32(dc, TextToU32(text ? text : u"", chars));
  return TRUE;
}

BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int bytes, int maxExtent, INT* fit, INT* dx, SIZE* size) {
  if (!ValidDC(dc) || bytes < 0 || (!text && bytes > 0)) return FALSE;
  std::u32string s = TextToU32(text ? text : "", bytes);
  auto f = FaceOf(dc);
  if (!f) return FALSE;
  std::vector<TPlacedGlyph> g;
  LayoutText(*f, s, g);
  int extra = dc->ScaleX(std::abs(dc->S.CharExtra)) * (dc->S.CharExtra < 0 ? -1 : 1);
  int64_t sum = 0;
  int fitted = 0;
  bool scaled = !dc->Identity();
  for (size_t i = 0; i < g.size(); ++i) {
    sum += ((g[i].G.AdvX + 32) >> 6) + extra;
    int64_t logical = scaled ? sum * std::abs(dc->S.WindowExt.cx) / std::max(1, std::abs(dc->S.ViewportExt.cx)) : sum;
    // Cumulative extents saturate at 32767, as the 16-bit fields of the original did.
    if (dx) dx[i] = static_cast<INT>(std::min<int64_t>(logical, 32767));
    if (logical <= maxExtent && fitted == static_cast<int>(i)) fitted = static_cast<int>(i) + 1;
  }
  if (fit) *fit = fitted;
  if (size) *size = TextExtentU32(dc, s);
  return TRUE;
}
