// The display renderer: a source rectangle of any pixel format drawn into a 24-bit bitmap.
//
// One row loop per source format (a template over a pixel-fetch function), so that no per-pixel
// virtual call or format switch remains; the 1:1 copy of plain 24-bit rows is a memcpy per row.
// Scaling goes through integer column and row tables built once per call (or kept by the view).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieblend.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieprocdefs.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/ieutils.h"

namespace {

inline uint8_t Lim(int v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<uint8_t>(v)); }

// Everything a row renderer needs besides the rows.
struct TRenderCtx {
  TIEBitmap* Src;
  const TIERGBPixel* Palette;
  double Black, White;
  bool Range;      // BlackValue differs from WhiteValue
  bool Adjust;     // offsets or contrast apply (24, 32 and 48-bit sources)
  int Off[3];      // red, green, blue offsets
  int64_t K;       // contrast factor in 1/65536
  double Kf;       // the same as a float (48-bit sources)
  uint8_t Blend;
  bool Weighted;   // transparency or alpha in use
  int Transparency;
  TIEBitmap* Alpha;  // the source alpha channel when in use
};

// A level of a display range as a grey. The range's ends come from stored pictures as any values
// (fractional, reversed, a hair apart), so the level is held within 0..255 (NaN as 0) before it
// is converted.
inline uint8_t RangeLevel(double x) { return x > 0 ? (x < 255 ? static_cast<uint8_t>(static_cast<int64_t>(x)) : 255) : 0; }

inline uint8_t RangeGrey(double v, const TRenderCtx& c) {
  const int64_t lo = static_cast<int64_t>(c.Black), hi = static_cast<int64_t>(c.White);
  if (v <= lo) v = static_cast<double>(lo);
  if (v >= hi) v = static_cast<double>(hi);
  return RangeLevel((v - lo) / (c.White - c.Black) * 255);
}

// Offsets and contrast come from stored layers, as any 32-bit values. A channel that far from the
// middle is saturated whatever the factor (and a factor that large saturates any change), so
// the sum and the product are held within bounds where they give the same colour, never
// overflowing.
constexpr int64_t kAdjustMaxChange = int64_t(1) << 24;
constexpr int64_t kAdjustMaxFactor = int64_t(1) << 32;

inline TIERGBPixel Adjust8(TIERGBPixel p, const TRenderCtx& c) {
  auto ch = [&](int v, int off) {
    const int64_t d = std::clamp<int64_t>(int64_t{v} + off - 128, -kAdjustMaxChange, kAdjustMaxChange);
    return Lim(static_cast<int>(std::clamp<int64_t>(c.K * d / 65536, -256, 256)) + 128);
  };
  return TIERGBPixel{ch(p.b, c.Off[2]), ch(p.g, c.Off[1]), ch(p.r, c.Off[0])};
}

// Colour of source pixel x of row s, by format.
template <TIEPixelFormat PF>
inline TIERGBPixel Fetch(const uint8_t* s, int x, const TRenderCtx& c) {
  if constexpr (PF == ie24RGB) {
    const TIERGBPixel p = reinterpret_cast<const TIERGBPixel*>(s)[x];
    return c.Adjust ? Adjust8(p, c) : p;
  } else if constexpr (PF == ie32RGB) {
    TIERGBPixel p;
    std::memcpy(&p, s + 4 * x, 3);
    return c.Adjust ? Adjust8(p, c) : p;
  } else if constexpr (PF == ie1g) {
    const uint8_t v = IEGetBit(s, x) ? 255 : 0;
    return TIERGBPixel{v, v, v};
  } else if constexpr (PF == ie8g) {
    const uint8_t v = c.Range ? RangeGrey(s[x], c) : s[x];
    return TIERGBPixel{v, v, v};
  } else if constexpr (PF == ie8p) {
    return c.Palette[s[x]];
  } else if constexpr (PF == ie16g) {
    const uint16_t w = reinterpret_cast<const uint16_t*>(s)[x];
    const uint8_t v = c.Range ? RangeGrey(w, c) : static_cast<uint8_t>(w >> 8);
    return TIERGBPixel{v, v, v};
  } else if constexpr (PF == ie32f) {
    const double f = reinterpret_cast<const float*>(s)[x];
    uint8_t v;
    if (c.Range) {
      double g = f;
      if (g <= c.Black) g = c.Black;
      if (g >= c.White) g = c.White;
      v = RangeLevel((g - c.Black) / (c.White - c.Black) * 255);
    } else {
      v = (f > -1e15 && f < 1e15) ? static_cast<uint8_t>(static_cast<int64_t>(f * 255)) : 0;
    }
    return TIERGBPixel{v, v, v};
  } else if constexpr (PF == ieCMYK) {
    return IECMYK2RGB(reinterpret_cast<const TIECMYK*>(s)[x]);
  } else if constexpr (PF == ieCIELab) {
    return IECIELabToRGB(reinterpret_cast<const TIECIELabPixel*>(s)[x]);
  } else {  // ieRGB48
    const TIERGB48Pixel w = reinterpret_cast<const TIERGB48Pixel*>(s)[x];
    if (!c.Adjust) return TIERGBPixel{uint8_t(w.b >> 8), uint8_t(w.g >> 8), uint8_t(w.r >> 8)};
    auto ch = [&](int v, int off) {
      const double x = (double(v) + off - 32768) * c.Kf + 32768;
      return Lim(static_cast<int>(static_cast<int64_t>(std::clamp(x, -65536.0, 131072.0)) >> 8));
    };
    return TIERGBPixel{ch(w.b, c.Off[2]), ch(w.g, c.Off[1]), ch(w.r, c.Off[0])};
  }
}

constexpr bool Blends(TIEPixelFormat pf) { return pf == ie24RGB || pf == ie32RGB || pf == ieRGB48; }
constexpr bool ReusesRows(TIEPixelFormat pf) { return pf == ie1g || pf == ie24RGB || pf == ie32RGB; }

template <TIEPixelFormat PF>
void RenderRows(const TRenderCtx& c, uint8_t* const* rows, int x1, int x2, int y1, int y2, const int* xt,
                const int* yt, bool reuse) {
  int prevSrc = -1;
  for (int y = y1; y <= y2; ++y) {
    const int sy = yt[y];
    TIERGBPixel* d = reinterpret_cast<TIERGBPixel*>(rows[y]);
    if (ReusesRows(PF) && reuse && y > y1 && sy == prevSrc) {
      std::memcpy(d + x1, reinterpret_cast<TIERGBPixel*>(rows[y - 1]) + x1, static_cast<size_t>(x2 - x1 + 1) * 3);
      continue;
    }
    prevSrc = sy;
    const uint8_t* s = c.Src->Scanline(sy);
    const uint8_t* a = c.Alpha ? c.Alpha->Scanline(sy) : nullptr;
    for (int x = x1; x <= x2; ++x) {
      const int sx = xt[x];
      TIERGBPixel p = Fetch<PF>(s, sx, c);
      if (Blends(PF) && c.Blend != 0) p = IEBlendRGB(p, d[x], c.Blend);
      if (c.Weighted) {
        const int av = std::min(c.Transparency, a ? static_cast<int>(a[sx]) : c.Transparency);
        TIERGBPixel& q = d[x];
        q.r = static_cast<uint8_t>(q.r + ((av * (p.r - q.r)) >> 8));
        q.g = static_cast<uint8_t>(q.g + ((av * (p.g - q.g)) >> 8));
        q.b = static_cast<uint8_t>(q.b + ((av * (p.b - q.b)) >> 8));
      } else {
        d[x] = p;
      }
    }
  }
}

using TRowRenderer = void (*)(const TRenderCtx&, uint8_t* const*, int, int, int, int, const int*, const int*, bool);
TRowRenderer RendererFor(TIEPixelFormat pf) {
  switch (pf) {
    case ie1g: return RenderRows<ie1g>;
    case ie8p: return RenderRows<ie8p>;
    case ie8g: return RenderRows<ie8g>;
    case ie16g: return RenderRows<ie16g>;
    case ie24RGB: return RenderRows<ie24RGB>;
    case ie32f: return RenderRows<ie32f>;
    case ieCMYK: return RenderRows<ieCMYK>;
    case ieRGB48: return RenderRows<ieRGB48>;
    case ieCIELab: return RenderRows<ieCIELab>;
    case ie32RGB: return RenderRows<ie32RGB>;
    default: return nullptr;
  }
}

struct TAccessRestore {
  TIEBitmap* B;
  uint8_t Saved;
  TAccessRestore(TIEBitmap* b, uint8_t a) : B(b), Saved(b->Access) { b->Access = a; }
  ~TAccessRestore() { B->Access = Saved; }
};

// Clips the rectangles as the renderer does (negative offsets, overflow, limits); false when
// nothing is left to draw.
bool ClipRects(TIEBitmap* src, TIEBitmap* dst, int& DestX, int& DestY, int& DestWidth, int& DestHeight, int& SourceX,
               int& SourceY, int& SourceWidth, int& SourceHeight) {
  if (DestWidth <= 0 || DestHeight <= 0 || SourceWidth <= 0 || SourceHeight <= 0) return false;
  if (DestY > dst->Height() - 1 || DestX > dst->Width() - 1) return false;
  const double scaleY = double(SourceHeight) / DestHeight, scaleX = double(SourceWidth) / DestWidth;
  if (DestY < 0) {
    const int k = static_cast<int>(std::nearbyint(-DestY * scaleY));
    SourceY += k;
    SourceHeight -= k;
    DestHeight -= -DestY;
    DestY = 0;
  }
  if (DestX < 0) {
    const int k = static_cast<int>(std::nearbyint(-DestX * scaleX));
    SourceX += k;
    SourceWidth -= k;
    DestWidth -= -DestX;
    DestX = 0;
  }
  if (DestY + DestHeight > dst->Height()) {
    SourceHeight -= static_cast<int>((DestY + DestHeight - dst->Height()) * scaleY);
    DestHeight = dst->Height() - DestY;
  }
  if (DestX + DestWidth > dst->Width()) {
    SourceWidth -= static_cast<int>((DestX + DestWidth - dst->Width()) * scaleX);
    DestWidth = dst->Width() - DestX;
  }
  DestX = std::clamp(DestX, 0, dst->Width() - 1);
  DestY = std::clamp(DestY, 0, dst->Height() - 1);
  DestWidth = std::clamp(DestWidth, 0, dst->Width());
  DestHeight = std::clamp(DestHeight, 0, dst->Height());
  SourceX = std::clamp(SourceX, 0, src->Width() - 1);
  SourceY = std::clamp(SourceY, 0, src->Height() - 1);
  SourceWidth = std::clamp(SourceWidth, 0, src->Width());
  SourceHeight = std::clamp(SourceHeight, 0, src->Height());
  return DestWidth > 0 && DestHeight > 0 && SourceWidth > 0 && SourceHeight > 0;
}

// Copies the source rectangle (with its alpha when wanted) and resamples it to w x h.
std::unique_ptr<TIEBitmap> ResampledRect(TIEBitmap* src, int sx, int sy, int sw, int sh, int w, int h, bool withAlpha,
                                         TResampleFilter filter) {
  TIEBitmap part;
  part.SetLocation(ieMemory);
  if (!part.Allocate(sw, sh, src->PixelFormat())) return nullptr;
  src->CopyRectTo(&part, sx, sy, 0, 0, sw, sh);
  if (withAlpha) {
    TIEBitmap* a = src->GetAlphaChannel();
    a->CopyRectTo(part.GetAlphaChannel(), sx, sy, 0, 0, sw, sh);
    part.GetAlphaChannel()->Full = a->Full;
  }
  auto res = std::make_unique<TIEBitmap>();
  res->SetLocation(ieMemory);
  if (src->PixelFormat() == ie1g) {
    const bool project = filter == rfProjectBW || filter == rfProjectWB;
    if (!res->Allocate(w, h, project ? ie1g : ie24RGB)) return nullptr;
    IEResampleBW(&part, res.get(), filter);
  } else {
    if (!res->Allocate(w, h, ie24RGB)) return nullptr;
    IEResampleColor(&part, res.get(), filter, nullptr, nullptr);
  }
  if (withAlpha) {
    IEResampleGray8(part.GetAlphaChannel(), res->GetAlphaChannel(), filter);
    res->GetAlphaChannel()->Full = part.GetAlphaChannel()->Full;
  }
  std::memcpy(res->ChannelOffset, src->ChannelOffset, sizeof(res->ChannelOffset));
  res->EnableChannelOffset = src->EnableChannelOffset;
  res->Contrast = src->Contrast;
  return res;
}

}  // namespace

void TIEBitmap::DrawToBitmapEx(TIEBitmap* Dest, TIERenderTables* Tables, const TIERect* ClipRect, int DestX, int DestY,
                               int DestWidth, int DestHeight, int SourceX, int SourceY, int SourceWidth,
                               int SourceHeight, bool UseAlpha, bool ReuseRows, int Transparency,
                               TResampleFilter Filter, uint8_t BlendMode) {
  if (!Dest || Dest == this || IsEmpty() || Dest->IsEmpty() || Dest->PixelFormat() != ie24RGB) return;
  if (Dest->Location() == ieFile || Dest->FragmentCount() > 0) return;  // rows are written through addresses
  TAccessRestore access(this, iaRead);
  if (!ClipRects(this, Dest, DestX, DestY, DestWidth, DestHeight, SourceX, SourceY, SourceWidth, SourceHeight)) return;
  const bool alphaWanted = UseAlpha && HasAlphaChannel();
  if (Filter != rfNone && (SourceWidth != DestWidth || SourceHeight != DestHeight) &&
      (FPixelFormat == ie1g || FPixelFormat == ie24RGB)) {
    std::unique_ptr<TIEBitmap> res;
    if (FPixelFormat == ie1g && SourceWidth >= DestWidth && !alphaWanted && Filter != rfProjectBW &&
        Filter != rfProjectWB) {
      res = std::make_unique<TIEBitmap>();
      res->SetLocation(ieMemory);
      if (!res->Allocate(DestWidth, DestHeight, ie24RGB)) return;
      IEShrinkBWToGray(this, SourceX, SourceY, SourceX + SourceWidth - 1, SourceY + SourceHeight - 1, res.get());
    } else {
      res = ResampledRect(this, SourceX, SourceY, SourceWidth, SourceHeight, DestWidth, DestHeight, alphaWanted, Filter);
      if (!res) return;
    }
    TIERenderTables own;
    if (Tables) own.Rows = Tables->Rows;
    res->DrawToBitmapEx(Dest, &own, ClipRect, DestX, DestY, DestWidth, DestHeight, 0, 0, DestWidth, DestHeight,
                        UseAlpha, ReuseRows, Transparency, rfNone, BlendMode);
    return;
  }
  if (FPixelFormat == ie8p && !FPalette) return;
  const int dW = Dest->Width(), dH = Dest->Height();
  TIERenderTables local;
  TIERenderTables& t = Tables ? *Tables : local;
  if (t.Rows.size() != static_cast<size_t>(dH)) {
    t.Rows.resize(static_cast<size_t>(dH));
    for (int y = 0; y < dH; ++y) t.Rows[y] = Dest->Scanline(y);
  }
  // Drawn area.
  int x1 = DestX, y1 = DestY, x2 = std::min(DestX + DestWidth - 1, dW - 1), y2 = std::min(DestY + DestHeight - 1, dH - 1);
  if (ClipRect) {
    x1 = std::max(x1, ClipRect->Left);
    y1 = std::max(y1, ClipRect->Top);
    x2 = std::min(x2, ClipRect->Right);
    y2 = std::min(y2, ClipRect->Bottom);
  }
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, dW - 1);
  y2 = std::min(y2, dH - 1);
  if (x2 < x1 || y2 < y1) return;
  const int FY = static_cast<int>(double(SourceHeight) / DestHeight * 16384);
  const int FX = static_cast<int>(double(SourceWidth) / DestWidth * 16384);
  TIEBitmap* alpha = alphaWanted && !FAlphaChannel->Full ? FAlphaChannel : nullptr;
  const bool adjust = EnableChannelOffset || Contrast != 0;
  if (FY == 16384 && FX == 16384 && FPixelFormat == ie24RGB && Transparency == 255 && !alpha && !adjust &&
      BlendMode == 0) {
    for (int y = y1; y <= y2; ++y)
      std::memcpy(t.Rows[y] + 3 * x1, Scanline(SourceY + y - DestY) + 3 * (SourceX + x1 - DestX),
                  static_cast<size_t>(x2 - x1 + 1) * 3);
    return;
  }
  // Tables indexed by destination column and row; kept tables are indexed from DestX, DestY.
  const double scaleX = double(SourceWidth) / DestWidth, scaleY = double(SourceHeight) / DestHeight;
  std::vector<int> xt(static_cast<size_t>(x2 + 1)), yt(static_cast<size_t>(y2 + 1));
  const bool keptX = !t.X.empty(), keptY = !t.Y.empty();
  if (!keptX) {
    t.X.resize(static_cast<size_t>(DestWidth));
    for (int i = 0; i < DestWidth; ++i) t.X[i] = std::clamp(static_cast<int>(i * scaleX + SourceX), 0, FWidth - 1);
  }
  if (!keptY) {
    t.Y.resize(static_cast<size_t>(DestHeight));
    for (int i = 0; i < DestHeight; ++i) t.Y[i] = std::clamp(static_cast<int>(i * scaleY + SourceY), 0, FHeight - 1);
  }
  auto entry = [](const std::vector<int>& v, int i) { return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : 2147483647; };
  while (x2 >= x1 && entry(t.X, x2 - DestX) >= FWidth) --x2;
  while (y2 >= y1 && entry(t.Y, y2 - DestY) >= FHeight) --y2;
  if (x2 < x1 || y2 < y1) return;
  for (int x = x1; x <= x2; ++x) xt[x] = t.X[x - DestX];
  for (int y = y1; y <= y2; ++y) yt[y] = t.Y[y - DestY];
  TRenderCtx c{};
  c.Src = this;
  c.Palette = FPalette;
  // The display range's ends may be any stored doubles: they are held finite (NaN as 0) so that
  // their whole parts convert.
  auto finite = [](double v) { return v == v ? std::clamp(v, -1e15, 1e15) : 0.0; };
  c.Black = finite(BlackValue);
  c.White = finite(WhiteValue);
  c.Range = c.Black != c.White;
  c.Adjust = adjust;
  for (int i = 0; i < 3; ++i) c.Off[i] = EnableChannelOffset ? ChannelOffset[i] : 0;
  c.Kf = Contrast < 0 ? 1 - std::sqrt(-static_cast<double>(Contrast)) / 10 : Contrast / 10.0 + 1;
  c.K = std::clamp<int64_t>(static_cast<int64_t>(c.Kf * 65536), -kAdjustMaxFactor, kAdjustMaxFactor);
  c.Blend = BlendMode;
  c.Transparency = std::clamp(Transparency, 0, 255);
  c.Alpha = alpha;
  c.Weighted = Transparency < 255 || alpha;
  if (TRowRenderer r = RendererFor(FPixelFormat)) {
    try {
      r(c, t.Rows.data(), x1, x2, y1, y2, xt.data(), yt.data(), ReuseRows);
    } catch (...) {
      // a renderer never takes the paint down
    }
  }
}

void TIEBitmap::DrawToBitmap(TIEBitmap* Dest, int DestX, int DestY, int DestWidth, int DestHeight, int SourceX,
                             int SourceY, int SourceWidth, int SourceHeight, int Transparency, TResampleFilter Filter,
                             uint8_t BlendMode) {
  DrawToBitmapEx(Dest, nullptr, nullptr, DestX, DestY, DestWidth, DestHeight, SourceX, SourceY, SourceWidth,
                 SourceHeight, true, false, Transparency, Filter, BlendMode);
}

void TIEBitmap::StretchRectTo(TIEBitmap* Dest, int DestX, int DestY, int DestWidth, int DestHeight, int SourceX,
                              int SourceY, int SourceWidth, int SourceHeight, TResampleFilter Filter,
                              int Transparency) {
  if (!Dest || Dest == this || IsEmpty() || Dest->IsEmpty() || Dest->PixelFormat() != ie24RGB) return;
  if (DestWidth <= 0 || DestHeight <= 0 || SourceWidth <= 0 || SourceHeight <= 0) return;
  try {
    if (Filter != rfNone && (SourceWidth != DestWidth || SourceHeight != DestHeight) &&
        (FPixelFormat == ie1g || FPixelFormat == ie24RGB)) {
      std::unique_ptr<TIEBitmap> res;
      if (SourceWidth < DestWidth || FPixelFormat == ie24RGB || HasAlphaChannel()) {
        res = ResampledRect(this, SourceX, SourceY, SourceWidth, SourceHeight, DestWidth, DestHeight,
                            HasAlphaChannel(), Filter);
      } else {
        res = std::make_unique<TIEBitmap>();
        res->SetLocation(ieMemory);
        if (res->Allocate(DestWidth, DestHeight, ie24RGB))
          IEShrinkBWToGray(this, SourceX, SourceY, SourceX + SourceWidth - 1, SourceY + SourceHeight - 1, res.get());
      }
      if (res)
        res->StretchRectTo(Dest, DestX, DestY, DestWidth, DestHeight, 0, 0, DestWidth, DestHeight, rfNone, Transparency);
      return;
    }
    const int FY = static_cast<int>(double(SourceHeight) / DestHeight * 16384);
    const int FX = static_cast<int>(double(SourceWidth) / DestWidth * 16384);
    const int x1 = std::max(DestX, 0), x2 = std::min(DestX + DestWidth - 1, Dest->Width() - 1);
    const int y1 = std::max(DestY, 0), y2 = std::min(DestY + DestHeight - 1, Dest->Height() - 1);
    if (x2 < x1 || y2 < y1) return;
    TIEBitmap* alpha = HasAlphaChannel() && !FAlphaChannel->Full ? FAlphaChannel : nullptr;
    auto col = [&](int x) { return std::clamp(SourceX + static_cast<int>((int64_t(x - DestX) * FX) >> 14), 0, FWidth - 1); };
    auto row = [&](int y) { return std::clamp(SourceY + static_cast<int>((int64_t(FY) * (y - DestY)) >> 14), 0, FHeight - 1); };
    TIEBitmap* da = Dest->GetAlphaChannel();
    if (alpha) {
      for (int y = y1; y <= y2; ++y) {
        const uint8_t* s = alpha->Scanline(row(y));
        uint8_t* d = da->Scanline(y);
        for (int x = x1; x <= x2; ++x) d[x] = static_cast<uint8_t>(std::min<int>(s[col(x)], Transparency));
      }
      da->Full = false;
    } else {
      da->FillRect(x1, y1, x2, y2, std::clamp(Transparency, 0, 255));
      if (Transparency < 255) da->Full = false;
    }
    if (FPixelFormat != ie1g && FPixelFormat != ie24RGB) return;
    for (int y = y1; y <= y2; ++y) {
      const uint8_t* s = Scanline(row(y));
      TIERGBPixel* d = reinterpret_cast<TIERGBPixel*>(Dest->Scanline(y));
      if (FPixelFormat == ie24RGB && FX == 16384) {
        std::memcpy(d + x1, s + 3 * col(x1), static_cast<size_t>(x2 - x1 + 1) * 3);
        continue;
      }
      for (int x = x1; x <= x2; ++x) {
        if (FPixelFormat == ie1g) {
          const uint8_t v = IEGetBit(s, col(x)) ? 255 : 0;
          d[x] = TIERGBPixel{v, v, v};
        } else {
          d[x] = reinterpret_cast<const TIERGBPixel*>(s)[col(x)];
        }
      }
    }
  } catch (...) {
    // drawing errors never propagate into the paint
  }
}

void TIEBitmap::DrawToTBitmapEx(TBitmap* Dest, TIERenderTables* Tables, const TIERect* ClipRect, int DestX, int DestY,
                                int DestWidth, int DestHeight, int SourceX, int SourceY, int SourceWidth,
                                int SourceHeight, bool UseAlpha, bool ReuseRows, int Transparency,
                                TResampleFilter Filter, uint8_t BlendMode) {
  if (!Dest) return;
  TIEBitmap wrap;
  wrap.EncapsulateTBitmap(Dest, true);
  DrawToBitmapEx(&wrap, Tables, ClipRect, DestX, DestY, DestWidth, DestHeight, SourceX, SourceY, SourceWidth,
                 SourceHeight, UseAlpha, ReuseRows, Transparency, Filter, BlendMode);
}

void TIEBitmap::DrawToTBitmap(TBitmap* Dest, int DestX, int DestY, int DestWidth, int DestHeight, int SourceX,
                              int SourceY, int SourceWidth, int SourceHeight, int Transparency, TResampleFilter Filter,
                              uint8_t BlendMode) {
  DrawToTBitmapEx(Dest, nullptr, nullptr, DestX, DestY, DestWidth, DestHeight, SourceX, SourceY, SourceWidth,
                  SourceHeight, true, false, Transparency, Filter, BlendMode);
}
