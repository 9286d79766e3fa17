// The flat anti-aliased drawing interface over cairo.
//
// Each drawing call builds its path twice: once on a 1x1 scratch context to learn its extents,
// once on a transparent ARGB surface just big enough for it. That surface is then blended
// (premultiplied "over") onto the DC's pixels, span by span inside the DC's clip region.
#include "platform/win/gdiplus.h"

#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <vector>

#include "platform/win/gdi_internal.h"

struct GpGraphics {
  HDC Dc = nullptr;
  GpSmoothingMode Smoothing = SmoothingModeNone;
};
struct GpPen {
  ARGB Color = 0xFF000000;
  REAL Width = 1;
  GpDashStyle Dash = DashStyleSolid;
  std::vector<REAL> Custom;
  GpLineJoin Join = LineJoinMiter;
};
struct GpBrush {
  bool Hatch = false;
  ARGB Fore = 0xFF000000, Back = 0;
  GpHatchStyle Style = 0;
};
struct GpSolidFill : GpBrush {};
struct GpHatch : GpBrush {};
struct GpPath {
  GpFillMode Mode = FillModeAlternate;
  struct Seg {
    enum { Line, Arc, Close } Kind;
    REAL A[6];
  };
  std::vector<Seg> Segs;
};

namespace {

std::atomic<int> gStarted{0};

bool Started() { return gStarted.load() > 0; }

void SetColour(cairo_t* cr, ARGB c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, (c >> 24) / 255.0);
}

// Hatch pattern: 8x8 tiles of the two colours, anchored at the surface origin.
cairo_pattern_t* HatchPattern(const GpBrush& b, double ox, double oy) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_surface_flush(s);
  auto* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  auto premul = [](ARGB c) {
    uint32_t a = c >> 24;
    auto ch = [&](int sh) { return (((c >> sh) & 0xFF) * a + 127) / 255; };
    return (a << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
  };
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool on;
      switch (b.Style) {
        case HatchStyleHorizontal: on = y == 0; break;
        case HatchStyleVertical: on = x == 0; break;
        case HatchStyleForwardDiagonal: on = x == y; break;
        case HatchStyleBackwardDiagonal: on = x + y == 7; break;
        case HatchStyleCross: on = x == 0 || y == 0; break;
        default: on = x == y || x + y == 7; break;
      }
      reinterpret_cast<uint32_t*>(data + y * stride)[x] = premul(on ? b.Fore : b.Back);
    }
  cairo_surface_mark_dirty(s);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
  cairo_surface_destroy(s);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, ox, oy);
  cairo_pattern_set_matrix(p, &m);
  return p;
}

struct TMapping {
  double OX, OY, SX, SY;  // device = O + logical * S (pixel centres on whole numbers)
};

TMapping MappingOf(HDC dc) {
  TMapping m;
  m.OX = dc->MapX(0);
  m.OY = dc->MapY(0);
  m.SX = (dc->MapX(10000) - m.OX) / 10000.0;
  m.SY = (dc->MapY(10000) - m.OY) / 10000.0;
  return m;
}

using TBuild = std::function<void(cairo_t*)>;

void ApplyPen(cairo_t* cr, const GpPen& p, const TMapping& m) {
  double scale = std::max(std::fabs(m.SX), 1e-6);
  double w = std::max<double>(p.Width, 1.0 / scale);  // never thinner than a pixel
  cairo_set_line_width(cr, w);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, p.Join == LineJoinRound ? CAIRO_LINE_JOIN_ROUND : p.Join == LineJoinBevel ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_MITER);
  std::vector<double> d;
  switch (p.Dash) {
    case DashStyleDash: d = {3, 1}; break;
    case DashStyleDot: d = {1, 1}; break;
    case DashStyleDashDot: d = {3, 1, 1, 1}; break;
    case DashStyleDashDotDot: d = {3, 1, 1, 1, 1, 1}; break;
    case DashStyleCustom: d.assign(p.Custom.begin(), p.Custom.end()); break;
    default: break;
  }
  for (double& v : d) v *= w;
  cairo_set_dash(cr, d.empty() ? nullptr : d.data(), static_cast<int>(d.size()), 0);
}

// Blends the premultiplied ARGB rectangle (device rect r) onto the DC inside its clip.
void Blend(HDC dc, cairo_surface_t* s, const RECT& r) {
  const TGdiSurface& d = *dc->Surf;
  cairo_surface_flush(s);
  const uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  bool deep = d.BitCount >= 24;
  for (int y = r.top; y < r.bottom; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y - r.top) * stride);
    ForClipSpans(dc, y, r.left, r.right, [&](int x0, int x1) {
      for (int x = x0; x < x1; ++x) {
        uint32_t p = src[x - r.left];
        uint32_t a = p >> 24;
        if (a == 0) continue;
        uint32_t dv = GetNative(d, x, y);
        uint32_t drgb = deep ? dv : [&] {
          COLORREF c = FromNative(d, dv);
          return (uint32_t(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }();
        uint32_t out = 0;
        for (int k = 0; k < 3; ++k) {
          uint32_t sc = (p >> (8 * k)) & 0xFF, dc2 = (drgb >> (8 * k)) & 0xFF;
          out |= std::min<uint32_t>(255, sc + (dc2 * (255 - a) + 127) / 255) << (8 * k);
        }
        if (deep) {
          if (d.BitCount == 32) out |= dv & 0xFF000000u;
          PutNative(d, x, y, out);
        } else {
          PutNative(d, x, y, ToNative(d, RGB((out >> 16) & 0xFF, (out >> 8) & 0xFF, out & 0xFF)));
        }
      }
    });
  }
}

// Draws one path: filled with the brush or stroked with the pen.
GpStatus Render(GpGraphics* g, const GpPen* pen, const GpBrush* brush, GpFillMode mode, const TBuild& build) {
  if (!Started()) return GdiplusNotInitialized;
  if (!g || (!pen && !brush)) return InvalidParameter;
  HDC dc = g->Dc;
  if (!ValidDC(dc) || !dc->Surf) return WrongState;
  TMapping m = MappingOf(dc);
  auto setup = [&](cairo_t* cr, double dx, double dy) {
    cairo_translate(cr, m.OX + 0.5 - dx, m.OY + 0.5 - dy);
    cairo_scale(cr, m.SX, m.SY);
    cairo_set_fill_rule(cr, mode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    if (pen) ApplyPen(cr, *pen, m);
    cairo_new_path(cr);
    build(cr);
  };
  // Extents on a scratch context.
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  setup(cr, 0, 0);
  double ux1, uy1, ux2, uy2;
  if (pen) cairo_stroke_extents(cr, &ux1, &uy1, &ux2, &uy2);
  else cairo_fill_extents(cr, &ux1, &uy1, &ux2, &uy2);
  // The user-space box to device space (the mapping may mirror).
  double xs[4] = {ux1, ux2, ux1, ux2}, ys[4] = {uy1, uy1, uy2, uy2};
  double x1 = 1e18, y1 = 1e18, x2 = -1e18, y2 = -1e18;
  for (int i = 0; i < 4; ++i) {
    cairo_user_to_device(cr, &xs[i], &ys[i]);
    x1 = std::min(x1, xs[i]); x2 = std::max(x2, xs[i]);
    y1 = std::min(y1, ys[i]); y2 = std::max(y2, ys[i]);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);
  RECT want{static_cast<LONG>(std::floor(std::max(x1, -1e9))) - 1, static_cast<LONG>(std::floor(std::max(y1, -1e9))) - 1,
            static_cast<LONG>(std::ceil(std::min(x2, 1e9))) + 1, static_cast<LONG>(std::ceil(std::min(y2, 1e9))) + 1};
  RECT clip = dc->Clip().Box(), r;
  if (!IntersectRect(&r, &want, &clip)) return Ok;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, r.right - r.left, r.bottom - r.top);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return OutOfMemory;
  }
  cr = cairo_create(s);
  bool smooth = g->Smoothing == SmoothingModeAntiAlias || g->Smoothing == SmoothingModeHighQuality;
  cairo_set_antialias(cr, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  setup(cr, r.left, r.top);
  if (pen) {
    SetColour(cr, pen->Color);
    cairo_stroke(cr);
  } else if (brush->Hatch) {
    cairo_pattern_t* p = HatchPattern(*brush, r.left, r.top);
    cairo_identity_matrix(cr);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  } else {
    SetColour(cr, brush->Fore);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  Blend(dc, s, r);
  cairo_surface_destroy(s);
  return Ok;
}

// An arc of the ellipse in (x, y, w, h): angles are geometric, clockwise, in degrees.
void ArcPath(cairo_t* cr, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep, bool connect) {
  double a = w / 2.0, b = h / 2.0;
  if (a <= 0 || b <= 0) return;
  auto param = [&](double deg) {
    double t = deg * M_PI / 180.0;
    // The parameter of the point seen at geometric angle t from the centre.
    double p = std::atan2(a * std::sin(t), b * std::cos(t));
    // Keep whole turns so long sweeps stay long.
    double turns = std::floor(t / (2 * M_PI) + 0.5);
    p += turns * 2 * M_PI;
    while (p - t > M_PI) p -= 2 * M_PI;
    while (t - p > M_PI) p += 2 * M_PI;
    return p;
  };
  double p0 = param(start), p1 = std::fabs(sweep) >= 360 ? p0 + (sweep > 0 ? 2 * M_PI : -2 * M_PI) : param(start + sweep);
  if (sweep > 0 && p1 < p0) p1 += 2 * M_PI;
  if (sweep < 0 && p1 > p0) p1 -= 2 * M_PI;
  cairo_save(cr);
  cairo_translate(cr, x + a, y + b);
  cairo_scale(cr, a, b);
  if (!connect) cairo_new_sub_path(cr);
  if (sweep >= 0) cairo_arc(cr, 0, 0, 1, p0, p1);
  else cairo_arc_negative(cr, 0, 0, 1, p0, p1);
  cairo_restore(cr);
}

}  // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void*) {
  if (!token || !input) return InvalidParameter;
  if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
  *token = static_cast<ULONG_PTR>(++gStarted);
  return Ok;
}

void GdiplusShutdown(ULONG_PTR) {
  if (gStarted.load() > 0) --gStarted;
}

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics) {
  if (!graphics) return InvalidParameter;
  *graphics = nullptr;
  if (!Started()) return GdiplusNotInitialized;
  if (!ValidDC(hdc)) return InvalidParameter;
  if (!hdc->Surf) return GenericError;
  *graphics = new GpGraphics{hdc, SmoothingModeNone};
  return Ok;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
  if (!graphics) return InvalidParameter;
  delete graphics;
  return Ok;
}

GpStatus GdipSetSmoothingMode(GpGraphics* g, GpSmoothingMode mode) {
  if (!g || mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias) return InvalidParameter;
  g->Smoothing = mode == SmoothingModeDefault ? SmoothingModeNone : mode;
  return Ok;
}

GpStatus GdipGetSmoothingMode(GpGraphics* g, GpSmoothingMode* mode) {
  if (!g || !mode) return InvalidParameter;
  *mode = g->Smoothing;
  return Ok;
}

GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit, GpPen** pen) {
  if (!pen) return InvalidParameter;
  if (!Started()) return GdiplusNotInitialized;
  *pen = new GpPen{color, width, DashStyleSolid, {}, LineJoinMiter};
  return Ok;
}
GpStatus GdipDeletePen(GpPen* pen) {
  if (!pen) return InvalidParameter;
  delete pen;
  return Ok;
}
GpStatus GdipSetPenWidth(GpPen* pen, REAL width) {
  if (!pen) return InvalidParameter;
  pen->Width = width;
  return Ok;
}
GpStatus GdipSetPenColor(GpPen* pen, ARGB color) {
  if (!pen) return InvalidParameter;
  pen->Color = color;
  return Ok;
}
GpStatus GdipSetPenDashStyle(GpPen* pen, GpDashStyle style) {
  if (!pen || style < DashStyleSolid || style > DashStyleCustom) return InvalidParameter;
  pen->Dash = style;
  return Ok;
}
GpStatus GdipSetPenDashArray(GpPen* pen, const REAL* dashes, INT count) {
  if (!pen || !dashes || count <= 0) return InvalidParameter;
  for (INT i = 0; i < count; ++i)
    if (dashes[i] <= 0) return InvalidParameter;
  pen->Custom.assign(dashes, dashes + count);
  pen->Dash = DashStyleCustom;
  return Ok;
}
GpStatus GdipSetPenLineJoin(GpPen* pen, GpLineJoin join) {
  if (!pen) return InvalidParameter;
  pen->Join = join;
  return Ok;
}

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
  if (!brush) return InvalidParameter;
  if (!Started()) return GdiplusNotInitialized;
  auto* b = new GpSolidFill;
  b->Fore = color;
  *brush = b;
  return Ok;
}
GpStatus GdipCreateHatchBrush(GpHatchStyle style, ARGB fore, ARGB back, GpHatch** brush) {
  if (!brush || style < HatchStyleHorizontal || style > HatchStyleDiagonalCross) return InvalidParameter;
  if (!Started()) return GdiplusNotInitialized;
  auto* b = new GpHatch;
  b->Hatch = true;
  b->Fore = fore;
  b->Back = back;
  b->Style = style;
  *brush = b;
  return Ok;
}
GpStatus GdipDeleteBrush(GpBrush* brush) {
  if (!brush) return InvalidParameter;
  delete brush;
  return Ok;
}

GpStatus GdipDrawLine(GpGraphics* g, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
  if (!pen) return InvalidParameter;
  return Render(g, pen, nullptr, FillModeAlternate, [&](cairo_t* cr) {
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
  });
}

GpStatus GdipDrawLinesI(GpGraphics* g, GpPen* pen, const GpPoint* pts, INT count) {
  if (!pen || !pts || count < 2) return InvalidParameter;
  return Render(g, pen, nullptr, FillModeAlternate, [&](cairo_t* cr) {
    cairo_move_to(cr, pts[0].X, pts[0].Y);
    for (INT i = 1; i < count; ++i) cairo_line_to(cr, pts[i].X, pts[i].Y);
  });
}

GpStatus GdipDrawRectangle(GpGraphics* g, GpPen* pen, REAL x, REAL y, REAL w, REAL h) {
  if (!pen) return InvalidParameter;
  return Render(g, pen, nullptr, FillModeAlternate, [&](cairo_t* cr) { cairo_rectangle(cr, x, y, w, h); });
}

GpStatus GdipFillRectangle(GpGraphics* g, GpBrush* brush, REAL x, REAL y, REAL w, REAL h) {
  if (!brush) return InvalidParameter;
  // Fills cover pixel areas: shift back by half a pixel so (x, y, w, h) covers w x h pixels.
  return Render(g, nullptr, brush, FillModeAlternate, [&](cairo_t* cr) { cairo_rectangle(cr, x - 0.5, y - 0.5, w, h); });
}

GpStatus GdipDrawEllipse(GpGraphics* g, GpPen* pen, REAL x, REAL y, REAL w, REAL h) {
  if (!pen) return InvalidParameter;
  return Render(g, pen, nullptr, FillModeAlternate, [&](cairo_t* cr) { ArcPath(cr, x, y, w, h, 0, 360, false); cairo_close_path(cr); });
}

GpStatus GdipFillEllipse(GpGraphics* g, GpBrush* brush, REAL x, REAL y, REAL w, REAL h) {
  if (!brush) return InvalidParameter;
  return Render(g, nullptr, brush, FillModeAlternate, [&](cairo_t* cr) { ArcPath(cr, x - 0.5f, y - 0.5f, w, h, 0, 360, false); });
}

GpStatus GdipDrawPolygonI(GpGraphics* g, GpPen* pen, const GpPoint* pts, INT count) {
  if (!pen || !pts || count < 2) return InvalidParameter;
  return Render(g, pen, nullptr, FillModeAlternate, [&](cairo_t* cr) {
    cairo_move_to(cr, pts[0].X, pts[0].Y);
    for (INT i = 1; i < count; ++i) cairo_line_to(cr, pts[i].X, pts[i].Y);
    cairo_close_path(cr);
  });
}

GpStatus GdipFillPolygonI(GpGraphics* g, GpBrush* brush, const GpPoint* pts, INT count, GpFillMode mode) {
  if (!brush || !pts || count < 3) return InvalidParameter;
  return Render(g, nullptr, brush, mode, [&](cairo_t* cr) {
    cairo_move_to(cr, pts[0].X - 0.5, pts[0].Y - 0.5);
    for (INT i = 1; i < count; ++i) cairo_line_to(cr, pts[i].X - 0.5, pts[i].Y - 0.5);
    cairo_close_path(cr);
  });
}

GpStatus GdipDrawArc(GpGraphics* g, GpPen* pen, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  if (!pen) return InvalidParameter;
  return Render(g, pen, nullptr, FillModeAlternate, [&](cairo_t* cr) { ArcPath(cr, x, y, w, h, start, sweep, false); });
}

GpStatus GdipCreatePath(GpFillMode mode, GpPath** path) {
  if (!path) return InvalidParameter;
  if (!Started()) return GdiplusNotInitialized;
  *path = new GpPath;
  (*path)->Mode = mode;
  return Ok;
}
GpStatus GdipDeletePath(GpPath* path) {
  if (!path) return InvalidParameter;
  delete path;
  return Ok;
}
GpStatus GdipAddPathArc(GpPath* path, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  if (!path) return InvalidParameter;
  path->Segs.push_back(GpPath::Seg{GpPath::Seg::Arc, {x, y, w, h, start, sweep}});
  return Ok;
}
GpStatus GdipAddPathLine(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2) {
  if (!path) return InvalidParameter;
  path->Segs.push_back(GpPath::Seg{GpPath::Seg::Line, {x1, y1, x2, y2, 0, 0}});
  return Ok;
}
GpStatus GdipClosePathFigure(GpPath* path) {
  if (!path) return InvalidParameter;
  path->Segs.push_back(GpPath::Seg{GpPath::Seg::Close, {0, 0, 0, 0, 0, 0}});
  return Ok;
}

namespace {
void BuildPath(cairo_t* cr, const GpPath& p, double shift) {
  bool open = false;
  for (const GpPath::Seg& s : p.Segs) {
    switch (s.Kind) {
      case GpPath::Seg::Line:
        if (open) cairo_line_to(cr, s.A[0] + shift, s.A[1] + shift);
        else cairo_move_to(cr, s.A[0] + shift, s.A[1] + shift);
        cairo_line_to(cr, s.A[2] + shift, s.A[3] + shift);
        open = true;
        break;
      case GpPath::Seg::Arc:
        ArcPath(cr, s.A[0] + static_cast<REAL>(shift), s.A[1] + static_cast<REAL>(shift), s.A[2], s.A[3], s.A[4], s.A[5], open);
        open = true;
        break;
      case GpPath::Seg::Close:
        cairo_close_path(cr);
        open = false;
        break;
    }
  }
}
}  // namespace

GpStatus GdipFillPath(GpGraphics* g, GpBrush* brush, GpPath* path) {
  if (!brush || !path) return InvalidParameter;
  return Render(g, nullptr, brush, path->Mode, [&](cairo_t* cr) { BuildPath(cr, *path, -0.5); });
}

GpStatus GdipDrawPath(GpGraphics* g, GpPen* pen, GpPath* path) {
  if (!pen || !path) return InvalidParameter;
  return Render(g, pen, nullptr, path->Mode, [&](cairo_t* cr) { BuildPath(cr, *path, 0); });
}
