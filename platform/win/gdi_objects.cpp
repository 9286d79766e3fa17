// The GDI object table, stock objects, pens, brushes, palettes and the generic object calls.
//
// A handle is the object's address, but every call first checks it in the table of live
// objects, so a stale or foreign handle fails cleanly instead of touching freed memory.
// Deleting an object that is still selected into a DC only marks it; it goes when deselected.
#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_set>

#include "platform/win/gdi_internal.h"

namespace {
std::mutex& TableLock() {
  static std::mutex m;
  return m;
}
std::unordered_set<const TGdiObject*>& Table() {
  static std::unordered_set<const TGdiObject*> t;
  return t;
}
}  // namespace

HGDIOBJ GdiRegister(TGdiObject* obj, int type) {
  obj->Type = type;
  std::lock_guard<std::mutex> g(TableLock());
  Table().insert(obj);
  return static_cast<HGDIOBJ>(obj);
}

TGdiObject* GdiLookup(HGDIOBJ h) {
  if (!h) return nullptr;
  auto* o = static_cast<TGdiObject*>(h);
  std::lock_guard<std::mutex> g(TableLock());
  return Table().count(o) ? o : nullptr;
}

void GdiDestroy(TGdiObject* obj) {
  {
    std::lock_guard<std::mutex> g(TableLock());
    Table().erase(obj);
  }
  if (obj->Type == OBJ_FONT) DestroyFontFace(static_cast<TGdiFontObj*>(obj));
  delete obj;
}

// ---- Rectangles and integer helpers ----
BOOL SetRect(RECT* r, int l, int t, int rr, int b) {
  if (!r) return FALSE;
  *r = RECT{l, t, rr, b};
  return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL CopyRect(RECT* d, const RECT* s) {
  if (!d || !s) return FALSE;
  *d = *s;
  return TRUE;
}
BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx; r->right += dx; r->top -= dy; r->bottom += dy;
  return TRUE;
}
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx; r->right += dx; r->top += dy; r->bottom += dy;
  return TRUE;
}
BOOL IsRectEmpty(const RECT* r) { return !r || r->left >= r->right || r->top >= r->bottom; }
BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL EqualRect(const RECT* a, const RECT* b) { return a && b && *a == *b; }
BOOL IntersectRect(RECT* d, const RECT* a, const RECT* b) {
  if (!d || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (r.left >= r.right || r.top >= r.bottom) {
    *d = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *d = r;
  return TRUE;
}
BOOL UnionRect(RECT* d, const RECT* a, const RECT* b) {
  if (!d || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    if (IsRectEmpty(b)) { *d = RECT{0, 0, 0, 0}; return FALSE; }
    *d = *b;
    return TRUE;
  }
  if (IsRectEmpty(b)) { *d = *a; return TRUE; }
  *d = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
            std::max(a->bottom, b->bottom)};
  return TRUE;
}
BOOL SubtractRect(RECT* d, const RECT* a, const RECT* b) {
  if (!d || !a || !b) return FALSE;
  RECT r = *a, i;
  if (IntersectRect(&i, a, b)) {
    if (i.left == r.left && i.right == r.right) {
      if (i.top == r.top) r.top = i.bottom;
      else if (i.bottom == r.bottom) r.bottom = i.top;
    } else if (i.top == r.top && i.bottom == r.bottom) {
      if (i.left == r.left) r.left = i.right;
      else if (i.right == r.right) r.right = i.left;
    }
  }
  *d = r;
  return !IsRectEmpty(d);
}
// ---- Pens ----
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count, const DWORD* styles) {
  if (!brush) return nullptr;
  UINT kind = style & PS_STYLE_MASK;
  if (kind > PS_ALTERNATE) return nullptr;
  if (kind == PS_USERSTYLE && (count == 0 || !styles || count > 16)) return nullptr;
  auto* p = new TGdiPenObj;
  p->Style = style;
  p->Width = static_cast<int>(std::min<DWORD>(width, 1u << 20));
  p->Color = brush->lbStyle == BS_NULL ? 0 : brush->lbColor;
  if (brush->lbStyle == BS_NULL) p->Style = (style & ~PS_STYLE_MASK) | PS_NULL;
  p->Extended = true;
  if (kind == PS_USERSTYLE) p->User.assign(styles, styles + count);
  return static_cast<HPEN>(GdiRegister(p, OBJ_EXTPEN));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < 0 || style > static_cast<int>(PS_INSIDEFRAME)) style = PS_SOLID;
  auto* p = new TGdiPenObj;
  p->Style = static_cast<DWORD>(style);
  p->Width = std::clamp(width, 0, 1 << 20);
  p->Color = color;
  return static_cast<HPEN>(GdiRegister(p, OBJ_PEN));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  return lp ? CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor) : nullptr;
}

// ---- Brushes ----
HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new TGdiBrushObj;
  b->Style = BS_SOLID;
  b->Color = color;
  return static_cast<HBRUSH>(GdiRegister(b, OBJ_BRUSH));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto* b = new TGdiBrushObj;
  b->Style = BS_HATCHED;
  b->Color = color;
  b->Hatch = hatch;
  return static_cast<HBRUSH>(GdiRegister(b, OBJ_BRUSH));
}

HBRUSH CreatePatternBrush(HBITMAP bm) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  if (!o) return nullptr;
  auto* b = new TGdiBrushObj;
  b->Style = BS_PATTERN;
  const TGdiSurface& s = o->Surf;
  b->PatW = s.Width;
  b->PatH = s.Height;
  b->PatMono = s.BitCount == 1 && !o->DibSection;
  size_t n = static_cast<size_t>(s.Width) * s.Height;
  if (b->PatMono) {
    b->PatBits.resize(n);
    for (int y = 0; y < s.Height; ++y)
      for (int x = 0; x < s.Width; ++x)
        b->PatBits[static_cast<size_t>(y) * s.Width + x] = static_cast<uint8_t>(GetNative(s, x, y));
  } else {
    b->PatColors.resize(n);
    for (int y = 0; y < s.Height; ++y)
      for (int x = 0; x < s.Width; ++x)
        b->PatColors[static_cast<size_t>(y) * s.Width + x] = FromNative(s, GetNative(s, x, y));
  }
  if (n == 0) {
    delete b;
    return nullptr;
  }
  return static_cast<HBRUSH>(GdiRegister(b, OBJ_BRUSH));
}

HBRUSH CreateDIBPatternBrushPt(const void* packed, UINT usage) {
  if (!packed) return nullptr;
  const auto* bmi = static_cast<const BITMAPINFO*>(packed);
  int bpp = bmi->bmiHeader.biBitCount;
  int colours = bpp <= 8 ? (bmi->bmiHeader.biClrUsed ? static_cast<int>(bmi->bmiHeader.biClrUsed) : 1 << bpp) : 0;
  if (bmi->bmiHeader.biCompression == BI_BITFIELDS) colours = 3;
  const uint8_t* bits = static_cast<const uint8_t*>(packed) + bmi->bmiHeader.biSize + colours * sizeof(RGBQUAD);
  HBITMAP tmp = CreateDIBitmap(nullptr, &bmi->bmiHeader, CBM_INIT, bits, bmi, usage);
  if (!tmp) return nullptr;
  HBRUSH b = CreatePatternBrush(tmp);
  DeleteObject(tmp);
  return b;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT: return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch), DIB_RGB_COLORS);
    case BS_NULL: {
      auto* b = new TGdiBrushObj;
      b->Style = BS_NULL;
      return static_cast<HBRUSH>(GdiRegister(b, OBJ_BRUSH));
    }
    default: return nullptr;
  }
}

// ---- Palettes ----
HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (!lp || lp->palVersion != 0x300 || lp->palNumEntries == 0) return nullptr;
  auto* p = new TGdiPaletteObj;
  p->Entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
  return static_cast<HPALETTE>(GdiRegister(p, OBJ_PAL));
}

HPALETTE CreateHalftonePalette(HDC) {
  // 6x6x6 colour cube plus the 16 standard colours and greys: 256 entries.
  std::vector<RGBQUAD> pal = DefaultPalette(8);
  auto* p = new TGdiPaletteObj;
  for (const RGBQUAD& q : pal) p->Entries.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
  return static_cast<HPALETTE>(GdiRegister(p, OBJ_PAL));
}

UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* out) {
  auto* p = GdiAs<TGdiPaletteObj>(pal, OBJ_PAL);
  if (!p) return 0;
  if (!out) return static_cast<UINT>(p->Entries.size());
  if (start >= p->Entries.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(p->Entries.size()) - start);
  std::copy_n(p->Entries.begin() + start, n, out);
  return n;
}

UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* in) {
  auto* p = GdiAs<TGdiPaletteObj>(pal, OBJ_PAL);
  if (!p || !in || p->Stock || start >= p->Entries.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(p->Entries.size()) - start);
  std::copy_n(in, n, p->Entries.begin() + start);
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF c) {
  auto* p = GdiAs<TGdiPaletteObj>(pal, OBJ_PAL);
  if (!p || p->Entries.empty()) return CLR_INVALID;
  std::vector<RGBQUAD> q;
  q.reserve(p->Entries.size());
  for (const PALETTEENTRY& e : p->Entries) q.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  return static_cast<UINT>(NearestIndex(q, c & 0xFFFFFF));
}

// ---- Stock objects ----
namespace {
HGDIOBJ MakeStock(int index) {
  HGDIOBJ h = nullptr;
  switch (index) {
    case WHITE_BRUSH: h = CreateSolidBrush(RGB(255, 255, 255)); break;
    case LTGRAY_BRUSH: h = CreateSolidBrush(RGB(192, 192, 192)); break;
    case GRAY_BRUSH: h = CreateSolidBrush(RGB(128, 128, 128)); break;
    case DKGRAY_BRUSH: h = CreateSolidBrush(RGB(64, 64, 64)); break;
    case BLACK_BRUSH: h = CreateSolidBrush(RGB(0, 0, 0)); break;
    case NULL_BRUSH: {
      LOGBRUSH lb{BS_NULL, 0, 0};
      h = CreateBrushIndirect(&lb);
      break;
    }
    case DC_BRUSH: h = CreateSolidBrush(RGB(255, 255, 255)); break;
    case WHITE_PEN: h = CreatePen(PS_SOLID, 0, RGB(255, 255, 255)); break;
    case BLACK_PEN: h = CreatePen(PS_SOLID, 0, RGB(0, 0, 0)); break;
    case NULL_PEN: h = CreatePen(PS_NULL, 0, 0); break;
    case DC_PEN: h = CreatePen(PS_SOLID, 0, 0); break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
      h = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH | FF_MODERN, "Courier New");
      break;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      h = CreateFont(16, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, "System");
      break;
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
      h = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
      break;
    case DEFAULT_PALETTE: {
      auto* p = new TGdiPaletteObj;
      for (const RGBQUAD& q : DefaultPalette(4)) p->Entries.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
      h = GdiRegister(p, OBJ_PAL);
      break;
    }
    default: return nullptr;
  }
  if (auto* o = GdiLookup(h)) o->Stock = true;
  return h;
}
}  // namespace

HGDIOBJ GetStockObject(int index) {
  static HGDIOBJ cache[DC_PEN + 1] = {};
  static std::mutex m;
  if (index < 0 || index > DC_PEN) return nullptr;
  std::lock_guard<std::mutex> g(m);
  if (!cache[index]) cache[index] = MakeStock(index);
  return cache[index];
}

// ---- Generic object calls ----
int GetObjectType(HGDIOBJ h) {
  if (!h) return 0;
  if (ValidDC(static_cast<HDC>(h))) {
    HDC dc = static_cast<HDC>(h);
    if (dc->Kind == TDCKind::Memory) return OBJ_MEMDC;
    if (dc->Kind == TDCKind::Metafile) return OBJ_ENHMETADC;
    return OBJ_DC;
  }
  TGdiObject* o = GdiLookup(h);
  // Icons share the table under a private type; they are not GDI objects.
  return o && o->Type < 0x100 ? o->Type : 0;
}

int GetObject(HGDIOBJ h, int size, void* out) {
  TGdiObject* o = GdiLookup(h);
  if (!o) return 0;
  switch (o->Type) {
    case OBJ_PEN: {
      auto* p = static_cast<TGdiPenObj*>(o);
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      LOGPEN lp{p->Style, POINT{p->Width, 0}, p->Color};
      std::memcpy(out, &lp, sizeof lp);
      return sizeof lp;
    }
    case OBJ_EXTPEN: {
      auto* p = static_cast<TGdiPenObj*>(o);
      int need = static_cast<int>(sizeof(EXTLOGPEN) + (p->User.size() > 1 ? (p->User.size() - 1) * sizeof(DWORD) : 0));
      if (!out) return need;
      if (size < need) return 0;
      auto* e = static_cast<EXTLOGPEN*>(out);
      e->elpPenStyle = p->Style;
      e->elpWidth = static_cast<DWORD>(p->Width);
      e->elpBrushStyle = p->Kind() == PS_NULL ? BS_NULL : BS_SOLID;
      e->elpColor = p->Color;
      e->elpHatch = 0;
      e->elpNumEntries = static_cast<DWORD>(p->User.size());
      for (size_t i = 0; i < p->User.size(); ++i) e->elpStyleEntry[i] = p->User[i];
      return need;
    }
    case OBJ_BRUSH: {
      auto* b = static_cast<TGdiBrushObj*>(o);
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      LOGBRUSH lb{b->Style, b->Color, static_cast<uintptr_t>(b->Hatch)};
      std::memcpy(out, &lb, sizeof lb);
      return sizeof lb;
    }
    case OBJ_FONT: {
      auto* f = static_cast<TGdiFontObj*>(o);
      if (!out) return sizeof(LOGFONTA);
      int n = std::min<int>(size, sizeof(LOGFONTA));
      if (n <= 0) return 0;
      std::memcpy(out, &f->Lf, static_cast<size_t>(n));
      return n;
    }
    case OBJ_PAL: {
      auto* p = static_cast<TGdiPaletteObj*>(o);
      if (!out || size < 2) return out ? 0 : 2;
      WORD n = static_cast<WORD>(p->Entries.size());
      std::memcpy(out, &n, 2);
      return 2;
    }
    case OBJ_BITMAP: {
      auto* b = static_cast<TGdiBitmapObj*>(o);
      const TGdiSurface& s = b->Surf;
      BITMAP bm{0, s.Width, s.Height, static_cast<LONG>(s.Stride < 0 ? -s.Stride : s.Stride), 1,
                static_cast<WORD>(s.BitCount), nullptr};
      if (b->DibSection) bm.bmBits = s.Stride < 0 ? s.Top + (s.Height - 1) * s.Stride : s.Top;
      if (!b->DibSection) bm.bmWidthBytes = ((s.Width * s.BitCount + 15) / 16) * 2;
      if (!out) return b->DibSection ? sizeof(DIBSECTION) : sizeof(BITMAP);
      if (b->DibSection && size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds{};
        ds.dsBm = bm;
        ds.dsBmih = b->Bih;
        std::memcpy(ds.dsBitfields, b->Masks, sizeof ds.dsBitfields);
        std::memcpy(out, &ds, sizeof ds);
        return sizeof ds;
      }
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      std::memcpy(out, &bm, sizeof bm);
      return sizeof bm;
    }
    default: return 0;
  }
}

BOOL DeleteObject(HGDIOBJ h) {
  TGdiObject* o = GdiLookup(h);
  if (!o || o->Type >= 0x100) return FALSE;
  if (o->Stock) return TRUE;
  if (o->Selected > 0 || (o->Type == OBJ_BITMAP && static_cast<TGdiBitmapObj*>(o)->SelectedIn)) {
    o->PendingDelete = true;
    return TRUE;
  }
  GdiDestroy(o);
  return TRUE;
}

BOOL GdiFlush() { return TRUE; }
