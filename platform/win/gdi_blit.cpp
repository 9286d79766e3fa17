// Blits: BitBlt, StretchBlt (all stretch modes, mirroring), PatBlt, MaskBlt, TransparentBlt,
// AlphaBlend and the surface-to-surface core StretchDIBits shares.
//
// The core works a destination row at a time: the clipped spans of the row get their source
// pixels (sampled, averaged or combined by the stretch mode) converted to the destination's
// native format, then the raster operation combines pattern, source and destination. 1:1
// copies between 32-bit surfaces are a plain memcpy per span.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "platform/win/gdi_blit.h"
#include "platform/win/gdi_internal.h"

namespace {

// Converts 0xAARRGGBB values to the destination's native values.
class TToNative {
public:
  TToNative(const TGdiSurface& d, const TBlitSource* src) : D(d) {
    MonoRule = d.BitCount == 1 && !d.Dib && src && src->S && src->S->BitCount != 1;
    if (MonoRule) SrcBk = SwapRB(src->BkColor & 0xFFFFFF);
  }
  void Run(uint32_t* v, int n) {
    switch (D.BitCount) {
      case 32: return;
      case 24: for (int i = 0; i < n; ++i) v[i] &= 0xFFFFFF; return;
      default: break;
    }
    if (MonoRule) {
      // Colour to monochrome: the source's background colour becomes 1 (white), the rest 0.
      for (int i = 0; i < n; ++i) v[i] = (v[i] & 0xFFFFFF) == SrcBk ? 1 : 0;
      return;
    }
    for (int i = 0; i < n; ++i) {
      uint32_t c = v[i] & 0xFFFFFF;
      if (c == LastIn) { v[i] = LastOut; continue; }
      LastIn = c;
      LastOut = ToNative(D, SwapRB(c));
      v[i] = LastOut;
    }
  }

private:
  const TGdiSurface& D;
  bool MonoRule = false;
  uint32_t SrcBk = 0;
  uint32_t LastIn = 0xFFFFFFFF, LastOut = 0;
};

// One axis of a stretch: for each destination index, the source index (nearest sampling) or
// the source interval with weights (HALFTONE) or the whole interval (AND/OR scans).
struct TAxis {
  int DstStart = 0, DstLen = 0;  // destination pixels [DstStart, DstStart + DstLen)
  int SrcStart = 0, SrcLen = 0;  // source pixels [SrcStart, SrcStart + SrcLen)
  bool Flip = false;
  // Source index for destination index d (absolute coordinates).
  int Nearest(int d) const {
    __int128 i = static_cast<int64_t>(d) - DstStart;
    int64_t s = static_cast<int64_t>(((2 * i + 1) * SrcLen) / (2 * static_cast<__int128>(DstLen)));
    if (Flip) s = SrcLen - 1 - s;
    return SrcStart + static_cast<int>(s);
  }
  // Source interval [a, b) covering destination index d (at least one pixel).
  void Box(int d, int& a, int& b) const {
    __int128 i = static_cast<int64_t>(d) - DstStart;
    int64_t s0 = static_cast<int64_t>(i * SrcLen / DstLen), s1 = static_cast<int64_t>((i + 1) * SrcLen / DstLen);
    if (s1 <= s0) s1 = s0 + 1;
    if (Flip) {
      int64_t t0 = SrcLen - s1, t1 = SrcLen - s0;
      s0 = t0;
      s1 = t1;
    }
    a = SrcStart + static_cast<int>(s0);
    b = SrcStart + static_cast<int>(s1);
  }
  // Area weights (sum 1 << 14) of the source pixels covering destination index d.
  void Weights(int d, std::vector<std::pair<int, int>>& out) const {
    out.clear();
    int64_t i = Flip ? (DstLen - 1 - (d - DstStart)) : (d - DstStart);
    // Destination pixel i covers source [i * S / D, (i + 1) * S / D) in continuous coordinates.
    double f0 = static_cast<double>(i) * SrcLen / DstLen, f1 = static_cast<double>(i + 1) * SrcLen / DstLen;
    int a = static_cast<int>(std::floor(f0)), b = static_cast<int>(std::ceil(f1));
    int total = 0, best = 0;
    for (int s = a; s < b; ++s) {
      double ov = std::min<double>(s + 1, f1) - std::max<double>(s, f0);
      int w = static_cast<int>(std::lround(ov / (f1 - f0) * (1 << 14)));
      if (w <= 0) continue;
      out.emplace_back(SrcStart + s, w);
      total += w;
      if (w > out[best].second) best = static_cast<int>(out.size()) - 1;
    }
    if (out.empty()) out.emplace_back(SrcStart + std::min(a, SrcLen - 1), 1 << 14);
    else out[best].second += (1 << 14) - total;
  }
};

struct TBlitJob {
  HDC Dst = nullptr;
  const TBlitSource* Src = nullptr;
  TAxis X, Y;
  DWORD Rop = SRCCOPY;
  int Mode = COLORONCOLOR;
  enum { Raster, Transparent, Alpha, Mask } Kind = Raster;
  uint32_t TransparentRGB = 0;
  BLENDFUNCTION Blend{};
  const TGdiSurface* MaskSurf = nullptr;
  int MaskDX = 0, MaskDY = 0;  // mask pixel = destination pixel + offset
};

bool Stretched(const TBlitJob& j) {
  return j.X.SrcLen != j.X.DstLen || j.Y.SrcLen != j.Y.DstLen || j.X.Flip || j.Y.Flip;
}

// Loads the source pixels for destination span [a, b) of destination row y as 0xAARRGGBB.
// Column mappings and halftone weights are worked out once per blit for the columns the blit
// touches; halftone rows are resampled horizontally once per source row and then combined.
class TSourceSampler {
public:
  TSourceSampler(const TBlitJob& j, int colA, int colB) : J(j), S(*j.Src->S), ColA(colA), ColB(colB) {
    if (j.Src->MonoRule && S.BitCount == 1) {
      COLORREF t = ResolveColor(j.Dst, j.Dst->S.TextColor), b = ResolveColor(j.Dst, j.Dst->S.BkColor);
      Over[0] = RGBQUAD{GetBValue(t), GetGValue(t), GetRValue(t), 0};
      Over[1] = RGBQUAD{GetBValue(b), GetGValue(b), GetRValue(b), 0};
      Pal = Over;
    }
    Mode = j.Mode;
    bool shrinkX = j.X.SrcLen > j.X.DstLen, shrinkY = j.Y.SrcLen > j.Y.DstLen;
    if (Mode != HALFTONE && !((Mode == BLACKONWHITE || Mode == WHITEONBLACK) && (shrinkX || shrinkY)))
      Mode = COLORONCOLOR;
    if (Mode == HALFTONE && !Stretched(j)) Mode = COLORONCOLOR;
    if (!Stretched(j)) return;
    int n = ColB - ColA;
    if (Mode == COLORONCOLOR) {
      NearX.resize(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) NearX[i] = std::clamp(J.X.Nearest(ColA + i), 0, S.Width - 1);
    } else if (Mode == HALFTONE) {
      XStart.resize(static_cast<size_t>(n) + 1);
      std::vector<std::pair<int, int>> w;
      for (int i = 0; i < n; ++i) {
        XStart[i] = static_cast<int>(XSrc.size());
        J.X.Weights(ColA + i, w);
        for (auto [sx, wx] : w) {
          XSrc.push_back(std::clamp(sx, 0, S.Width - 1));
          XW.push_back(wx);
        }
      }
      XStart[n] = static_cast<int>(XSrc.size());
      if (!XSrc.empty()) {
        XMin = *std::min_element(XSrc.begin(), XSrc.end());
        XMax = *std::max_element(XSrc.begin(), XSrc.end()) + 1;
      }
    }
  }

  void Load(int y, int a, int b, uint32_t* out) {
    int n = b - a;
    if (!Stretched(J)) {
      LoadRGBRow(S, J.Y.Nearest(y), J.X.Nearest(a), n, out, Pal);
      return;
    }
    if (Mode == COLORONCOLOR) {
      const uint32_t* row = Row(std::clamp(J.Y.Nearest(y), 0, S.Height - 1));
      const int* map = NearX.data() + (a - ColA);
      for (int i = 0; i < n; ++i) out[i] = row[map[i]];
      return;
    }
    if (Mode == HALFTONE) {
      HalftoneRow(y, a, b, out);
      return;
    }
    // AND (black on white) or OR (white on black) of every source pixel the destination
    // pixel covers, so thin lines survive a reduction.
    bool andMode = Mode == BLACKONWHITE;
    int ya, yb;
    J.Y.Box(y, ya, yb);
    for (int i = 0; i < n; ++i) {
      int xa, xb;
      J.X.Box(a + i, xa, xb);
      uint32_t acc = andMode ? 0xFFFFFFFF : 0;
      for (int sy = ya; sy < yb; ++sy) {
        const uint32_t* row = Row(Clamp(sy, S.Height));
        for (int sx = xa; sx < xb; ++sx) {
          uint32_t v = row[Clamp(sx, S.Width)];
          acc = andMode ? (acc & v) : (acc | v);
        }
      }
      out[i] = acc;
    }
  }

private:
  static int Clamp(int v, int n) { return v < 0 ? 0 : v >= n ? n - 1 : v; }
  // Whole source rows converted to 0xAARRGGBB, cached by row index.
  const uint32_t* Row(int sy) {
    auto it = Rows.find(sy);
    if (it != Rows.end()) return it->second.data();
    if (Rows.size() > 64) Rows.clear();
    std::vector<uint32_t>& v = Rows[sy];
    v.resize(static_cast<size_t>(S.Width));
    LoadRGBRow(S, sy, 0, S.Width, v.data(), Pal);
    return v.data();
  }
  // Halftone is a box filter with integer area weights (each axis's weights sum to 1 << 14),
  // worked vertically first: the source rows under a destination row are weighed into one row
  // of four channel planes (contiguous, so the loop runs in vector registers), rounded to 8
  // fractional bits (at most 255 << 8), and that row is then weighed horizontally into the
  // destination pixels (at most 255 << 22 before the final rounding). All sums fit 32 bits.
  void VerticalRow(int y) {
    if (VRowY == y) return;
    VRowY = y;
    J.Y.Weights(y, WY);
    const int m = XMax - XMin;
    for (auto& plane : V) plane.assign(static_cast<size_t>(m), 0);
    uint32_t* c0 = V[0].data();
    uint32_t* c1 = V[1].data();
    uint32_t* c2 = V[2].data();
    uint32_t* c3 = V[3].data();
    for (auto [sy, wy] : WY) {
      const int row = Clamp(sy, S.Height);
      const uint32_t* src;
      if (S.BitCount == 32 && !Pal) {
        src = reinterpret_cast<const uint32_t*>(S.Row(row)) + XMin;
      } else {
        Scratch.resize(static_cast<size_t>(m));
        LoadRGBRow(S, row, XMin, m, Scratch.data(), Pal);
        src = Scratch.data();
      }
      const uint32_t w = static_cast<uint32_t>(wy);
      for (int x = 0; x < m; ++x) {
        const uint32_t v = src[x];
        c0[x] += (v & 0xFF) * w;
        c1[x] += ((v >> 8) & 0xFF) * w;
        c2[x] += ((v >> 16) & 0xFF) * w;
        c3[x] += (v >> 24) * w;
      }
    }
    // Rounded and paired for the horizontal pass: blue and red, green and alpha, each channel in
    // a 32-bit lane of a 64-bit word, so one multiply weighs two channels.
    BR.resize(static_cast<size_t>(m));
    GA.resize(static_cast<size_t>(m));
    for (int x = 0; x < m; ++x) {
      BR[x] = ((c0[x] + 32) >> 6) | (static_cast<uint64_t>((c2[x] + 32) >> 6) << 32);
      GA[x] = ((c1[x] + 32) >> 6) | (static_cast<uint64_t>((c3[x] + 32) >> 6) << 32);
    }
  }
  void HalftoneRow(int y, int a, int b, uint32_t* out) {
    VerticalRow(y);
    const uint64_t* br = BR.data() - XMin;
    const uint64_t* ga = GA.data() - XMin;
    const int* src = XSrc.data();
    const int* wt = XW.data();
    constexpr uint64_t half = (uint64_t(1) << 53) | (uint64_t(1) << 21);  // rounding, both lanes
    auto lane = [](uint64_t v) { return std::min(static_cast<uint32_t>(v >> 22) & 0x3FFu, 255u); };
    for (int i = a - ColA, e = b - ColA; i < e; ++i) {
      uint64_t s0 = half, s1 = half;
      for (int k = XStart[i], end = XStart[i + 1]; k < end; ++k) {
        const uint64_t w = static_cast<uint64_t>(wt[k]);
        s0 += br[src[k]] * w;
        s1 += ga[src[k]] * w;
      }
      *out++ = lane(s0) | (lane(s1) << 8) | (lane(s0 >> 32) << 16) | (lane(s1 >> 32) << 24);
    }
  }

  const TBlitJob& J;
  const TGdiSurface& S;
  int ColA, ColB;
  RGBQUAD Over[2]{};
  const RGBQUAD* Pal = nullptr;
  int Mode;
  std::unordered_map<int, std::vector<uint32_t>> Rows;
  std::vector<int> NearX, XStart, XSrc, XW;
  int XMin = 0, XMax = 0;  // the source columns the halftone taps read: [XMin, XMax)
  std::vector<std::pair<int, int>> WY;
  std::vector<uint32_t> V[4], Scratch;  // the weighed row of VerticalRow, one plane per channel
  std::vector<uint64_t> BR, GA;         // the same, rounded and paired
  int VRowY = INT32_MIN;
};

// Runs a job over the destination's clip. Destination pixels whose (nearest) source pixel lies
// outside the source surface are left alone.
bool RunJobOn(TBlitJob& j);

// A blit within one surface (scrolling) reads a snapshot of the source, so rows it has already
// written are never read again.
bool RunJob(TBlitJob& j) {
  HDC dc = j.Dst;
  if (!dc->Surf || !j.Src || j.Src->S != dc->Surf) return RunJobOn(j);
  const TGdiSurface& S = *dc->Surf;
  TGdiSurface copy = S;
  size_t rowBytes = static_cast<size_t>(S.Stride < 0 ? -S.Stride : S.Stride);
  std::vector<uint8_t> pixels(rowBytes * S.Height);
  copy.Top = pixels.data();
  copy.Stride = static_cast<ptrdiff_t>(rowBytes);
  for (int y = 0; y < S.Height; ++y) std::memcpy(copy.Row(y), S.Row(y), rowBytes);
  TBlitSource src = *j.Src;
  src.S = &copy;
  const TBlitSource* saved = j.Src;
  j.Src = &src;
  bool ok = RunJobOn(j);
  j.Src = saved;
  return ok;
}

bool RunJobOn(TBlitJob& j) {
  HDC dc = j.Dst;
  if (!dc->Surf || j.X.DstLen <= 0 || j.Y.DstLen <= 0) return TRUE;
  const TGdiSurface& D = *dc->Surf;
  RECT area{j.X.DstStart, j.Y.DstStart, j.X.DstStart + j.X.DstLen, j.Y.DstStart + j.Y.DstLen};
  bool hasSrc = j.Src && j.Src->S;
  if (hasSrc) {
    if (j.X.SrcLen <= 0 || j.Y.SrcLen <= 0) return FALSE;
    // Restrict to destination pixels whose source sample lies inside the source.
    // The source index is monotonic along each axis, so the usable destination pixels form
    // one interval, found by bisection.
    auto inside = [&](const TAxis& ax, int limit, LONG& lo, LONG& hi) {
      auto first = [&](LONG l, LONG h, auto pred) {  // first d in [l, h) with pred(d), else h
        while (l < h) {
          LONG m = l + (h - l) / 2;
          if (pred(m)) h = m;
          else l = m + 1;
        }
        return l;
      };
      LONG a, b;
      if (!ax.Flip) {
        a = first(lo, hi, [&](LONG d) { return ax.Nearest(d) >= 0; });
        b = first(a, hi, [&](LONG d) { return ax.Nearest(d) >= limit; });
      } else {
        a = first(lo, hi, [&](LONG d) { return ax.Nearest(d) < limit; });
        b = first(a, hi, [&](LONG d) { return ax.Nearest(d) < 0; });
      }
      lo = a;
      hi = b;
    };
    const RECT cb = dc->Clip().Box();
    RECT lim;
    if (!IntersectRect(&lim, &area, &cb)) return TRUE;
    area = lim;
    inside(j.X, j.Src->S->Width, area.left, area.right);
    inside(j.Y, j.Src->S->Height, area.top, area.bottom);
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
  }
  TPaint pat;
  if (j.Kind == TBlitJob::Raster && RopUsesPattern(j.Rop)) pat = BrushPaint(dc, dc->S.Brush);
  uint8_t code = static_cast<uint8_t>(j.Rop >> 16);
  std::vector<uint32_t> sbuf, dbuf, pbuf, d2;
  std::unique_ptr<TSourceSampler> sampler;
  if (hasSrc) sampler = std::make_unique<TSourceSampler>(j, area.left, area.right);
  TToNative conv(D, j.Src);
  const uint32_t mask = NativeMask(D);
  bool fast32 = hasSrc && j.Kind == TBlitJob::Raster && code == 0xCC && !Stretched(j) &&
                D.BitCount == 32 && j.Src->S->BitCount == 32;
  // A plain copy onto a 32-bit surface: the sampled pixels go straight into the row.
  const bool copy32 = hasSrc && !fast32 && j.Kind == TBlitJob::Raster && code == 0xCC && D.BitCount == 32 &&
                      mask == 0xFFFFFFFFu;
  const TRegion& clip = dc->Clip();
  for (const TBand& band : clip.Bands) {
    if (band.bottom <= area.top) continue;
    if (band.top >= area.bottom) break;
    int y0 = std::max<int>(band.top, area.top), y1 = std::min<int>(band.bottom, area.bottom);
    for (int y = y0; y < y1; ++y) {
      for (const TSpan& sp : band.spans) {
        int a = std::max<int>(sp.x0, area.left), b = std::min<int>(sp.x1, area.right);
        if (a >= b) continue;
        int n = b - a;
        if (fast32) {
          const uint8_t* s = j.Src->S->Row(j.Y.Nearest(y)) + 4 * static_cast<size_t>(j.X.Nearest(a));
          std::memcpy(D.Row(y) + 4 * static_cast<size_t>(a), s, 4 * static_cast<size_t>(n));
          continue;
        }
        if (copy32) {
          sampler->Load(y, a, b, reinterpret_cast<uint32_t*>(D.Row(y)) + a);
          continue;
        }
        sbuf.resize(static_cast<size_t>(n));
        dbuf.resize(static_cast<size_t>(n));
        if (hasSrc) sampler->Load(y, a, b, sbuf.data());
        if (j.Kind == TBlitJob::Alpha) {
          // Blend in RGB, then convert.
          for (int i = 0; i < n; ++i) dbuf[i] = SwapRB(FromNative(D, GetNative(D, a + i, y)));
          const BLENDFUNCTION& bf = j.Blend;
          uint32_t sca = bf.SourceConstantAlpha;
          for (int i = 0; i < n; ++i) {
            uint32_t s = sbuf[i], d = dbuf[i];
            uint32_t sa = (bf.AlphaFormat & AC_SRC_ALPHA) ? (s >> 24) : 255;
            uint32_t ea = (sa * sca + 127) / 255;  // effective source alpha
            uint32_t r = 0;
            for (int k = 0; k < 3; ++k) {
              uint32_t sc = (s >> (8 * k)) & 0xFF, dc2 = (d >> (8 * k)) & 0xFF;
              // Premultiplied source (with AC_SRC_ALPHA) scaled by the constant alpha.
              uint32_t sp2 = (bf.AlphaFormat & AC_SRC_ALPHA) ? (sc * sca + 127) / 255 : (sc * sca + 127) / 255;
              uint32_t v = sp2 + (dc2 * (255 - ea) + 127) / 255;
              r |= std::min<uint32_t>(v, 255) << (8 * k);
            }
            uint32_t da = d >> 24;
            uint32_t oa = std::min<uint32_t>(255, ea + (da * (255 - ea) + 127) / 255);
            dbuf[i] = r | (D.BitCount == 32 ? (oa << 24) : 0);
          }
          if (D.BitCount == 32) {
            StoreNativeRow(D, y, a, n, dbuf.data());
          } else {
            for (int i = 0; i < n; ++i) dbuf[i] = ToNative(D, SwapRB(dbuf[i] & 0xFFFFFF));
            StoreNativeRow(D, y, a, n, dbuf.data());
          }
          continue;
        }
        if (j.Kind == TBlitJob::Transparent) {
          LoadNativeRow(D, y, a, n, dbuf.data());
          for (int i = 0; i < n; ++i) {
            if ((sbuf[i] & 0xFFFFFF) == j.TransparentRGB) continue;
            uint32_t v = sbuf[i];
            conv.Run(&v, 1);
            dbuf[i] = v;
          }
          StoreNativeRow(D, y, a, n, dbuf.data());
          continue;
        }
        if (hasSrc) conv.Run(sbuf.data(), n);
        if (!pat.Null) {
          pbuf.resize(static_cast<size_t>(n));
          if (pat.Pattern) PatternRow(pat, y, a, n, pbuf.data());
          else std::fill(pbuf.begin(), pbuf.end(), pat.Pixel);
        } else if (RopUsesPattern(j.Rop)) {
          pbuf.assign(static_cast<size_t>(n), 0);
        }
        LoadNativeRow(D, y, a, n, dbuf.data());
        if (j.Kind == TBlitJob::Mask && j.MaskSurf) {
          d2 = dbuf;
          uint8_t back = static_cast<uint8_t>(j.Rop >> 24);
          ApplyRop3(code, pbuf.empty() ? nullptr : pbuf.data(), sbuf.data(), dbuf.data(), n);
          ApplyRop3(back, pbuf.empty() ? nullptr : pbuf.data(), sbuf.data(), d2.data(), n);
          const TGdiSurface& M = *j.MaskSurf;
          int my = y + j.MaskDY;
          for (int i = 0; i < n; ++i) {
            int mx = a + i + j.MaskDX;
            bool fore = mx >= 0 && my >= 0 && mx < M.Width && my < M.Height && GetNative(M, mx, my) != 0;
            if (!fore) dbuf[i] = d2[i];
          }
        } else {
          ApplyRop3(code, pbuf.empty() ? nullptr : pbuf.data(), hasSrc ? sbuf.data() : nullptr, dbuf.data(), n);
        }
        if (mask != 0xFFFFFFFFu)
          for (int i = 0; i < n; ++i) dbuf[i] &= mask;
        StoreNativeRow(D, y, a, n, dbuf.data());
      }
    }
  }
  return TRUE;
}

// Fills the job's axes from logical destination and source rectangles.
void SetAxes(TBlitJob& j, HDC dst, int x, int y, int w, int h, const TBlitSource* src, int sx, int sy, int sw, int sh) {
  int dx0 = dst->MapX(x), dx1 = dst->MapX(x + w), dy0 = dst->MapY(y), dy1 = dst->MapY(y + h);
  bool fx = dx1 < dx0, fy = dy1 < dy0;
  j.X.DstStart = std::min(dx0, dx1);
  j.X.DstLen = std::abs(dx1 - dx0);
  j.Y.DstStart = std::min(dy0, dy1);
  j.Y.DstLen = std::abs(dy1 - dy0);
  if (src) {
    if (sw < 0) { fx = !fx; sx += sw; sw = -sw; }
    if (sh < 0) { fy = !fy; sy += sh; sh = -sh; }
    j.X.SrcStart = sx;
    j.X.SrcLen = sw;
    j.Y.SrcStart = sy;
    j.Y.SrcLen = sh;
  } else {
    j.X.SrcLen = j.X.DstLen;
    j.Y.SrcLen = j.Y.DstLen;
  }
  j.X.Flip = fx;
  j.Y.Flip = fy;
}

// The source side of a blit from a DC: its surface and the rule for monochrome bitmaps.
bool SourceOf(HDC src, int& sx, int& sy, int& sw, int& sh, TBlitSource& out) {
  if (!ValidDC(src) || !src->Surf) return false;
  out.S = src->Surf;
  auto* bm = GdiAs<TGdiBitmapObj>(src->Bitmap, OBJ_BITMAP);
  out.MonoRule = src->Surf->BitCount == 1 && !(bm && bm->DibSection);
  out.BkColor = ResolveColor(src, src->S.BkColor);
  int x0 = src->MapX(sx), y0 = src->MapY(sy), x1 = src->MapX(sx + sw), y1 = src->MapY(sy + sh);
  sx = x0;
  sy = y0;
  sw = x1 - x0;
  sh = y1 - y0;
  return true;
}

}  // namespace

BOOL BlitSurface(HDC dst, int x, int y, int w, int h, const TBlitSource& src, int sx, int sy, int sw, int sh, DWORD rop) {
  if (!ValidDC(dst)) return FALSE;
  TBlitJob j;
  j.Dst = dst;
  j.Src = &src;
  j.Rop = rop;
  j.Mode = dst->S.StretchMode;
  SetAxes(j, dst, x, y, w, h, &src, sx, sy, sw, sh);
  return RunJob(j);
}

BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
  if (!ValidDC(dc)) return FALSE;
  if (RopUsesSource(rop)) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_BITBLT, {x, y, w, h, static_cast<int32_t>(rop)});
  TBlitJob j;
  j.Dst = dc;
  j.Rop = rop;
  SetAxes(j, dc, x, y, w, h, nullptr, 0, 0, 0, 0);
  return RunJob(j);
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  if (!ValidDC(dst)) return FALSE;
  if (!RopUsesSource(rop)) return PatBlt(dst, x, y, w, h, rop);
  if (dst->Rec) {
    MetaRecordBits(dst, EMR_STRETCHBLT, {x, y, w, h, static_cast<int32_t>(rop)}, src, sx, sy, sw, sh);
    if (!dst->Surf) return TRUE;
  }
  TBlitSource s;
  if (!SourceOf(src, sx, sy, sw, sh, s)) return FALSE;
  return BlitSurface(dst, x, y, w, h, s, sx, sy, sw, sh, rop);
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  if (!ValidDC(dst)) return FALSE;
  if (!RopUsesSource(rop)) return PatBlt(dst, x, y, w, h, rop);
  if (!ValidDC(src)) return FALSE;
  // Without stretching the source extent is the destination extent in the source's units.
  int dw = dst->ScaleX(w) * (w < 0 ? -1 : 1), dh = dst->ScaleY(h) * (h < 0 ? -1 : 1);
  int sw = dw, sh = dh;
  if (!src->Identity()) {
    sw = static_cast<int>(static_cast<int64_t>(dw) * src->S.WindowExt.cx / src->S.ViewportExt.cx);
    sh = static_cast<int>(static_cast<int64_t>(dh) * src->S.WindowExt.cy / src->S.ViewportExt.cy);
  }
  return StretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
}

BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my, DWORD rop4) {
  if (!ValidDC(dst)) return FALSE;
  if (!mask) return BitBlt(dst, x, y, w, h, src, sx, sy, rop4 & 0xFFFFFF);
  auto* m = GdiAs<TGdiBitmapObj>(mask, OBJ_BITMAP);
  if (!m || m->Surf.BitCount != 1) return FALSE;
  TBlitSource s;
  int sw = w, sh = h;
  bool useSrc = RopUsesSource(rop4) || RopUsesSource(rop4 >> 8);
  if (useSrc && !SourceOf(src, sx, sy, sw, sh, s)) return FALSE;
  TBlitJob j;
  j.Dst = dst;
  j.Src = useSrc ? &s : nullptr;
  j.Rop = rop4;
  j.Kind = TBlitJob::Mask;
  j.MaskSurf = &m->Surf;
  SetAxes(j, dst, x, y, w, h, useSrc ? &s : nullptr, sx, sy, sw, sh);
  j.MaskDX = mx - j.X.DstStart;
  j.MaskDY = my - j.Y.DstStart;
  return RunJob(j);
}

BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, UINT transparent) {
  if (!ValidDC(dst) || w < 0 || h < 0 || sw < 0 || sh < 0) return FALSE;
  TBlitSource s;
  if (!SourceOf(src, sx, sy, sw, sh, s)) return FALSE;
  TBlitJob j;
  j.Dst = dst;
  j.Src = &s;
  j.Kind = TBlitJob::Transparent;
  j.Mode = COLORONCOLOR;
  // Compare in the source's own colours (a 16-bit source rounds its colours).
  COLORREF t = FromNative(*s.S, ToNative(*s.S, transparent & 0xFFFFFF));
  j.TransparentRGB = SwapRB(t);
  SetAxes(j, dst, x, y, w, h, &s, sx, sy, sw, sh);
  return RunJob(j);
}

BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION bf) {
  if (!ValidDC(dst) || w < 0 || h < 0 || sw < 0 || sh < 0 || bf.BlendOp != AC_SRC_OVER) return FALSE;
  TBlitSource s;
  if (!SourceOf(src, sx, sy, sw, sh, s)) return FALSE;
  if ((bf.AlphaFormat & AC_SRC_ALPHA) && s.S->BitCount != 32) return FALSE;
  if (sx < 0 || sy < 0 || sx + sw > s.S->Width || sy + sh > s.S->Height) return FALSE;
  TBlitJob j;
  j.Dst = dst;
  j.Src = &s;
  j.Kind = TBlitJob::Alpha;
  j.Blend = bf;
  j.Mode = COLORONCOLOR;
  SetAxes(j, dst, x, y, w, h, &s, sx, sy, sw, sh);
  return RunJob(j);
}
