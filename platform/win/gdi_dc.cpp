// Device contexts: creation, selection, saved states, coordinate mapping, clipping, attributes
// and device capabilities.
//
// Coordinates pass through the window/viewport mapping and then the DC origin (nonzero for a
// DC over part of a window surface). The clip region the caller selects is kept in device
// coordinates; the effective clip (that region, the surface and the visible region) is cached.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/win/gdi_internal.h"

namespace {
std::mutex& DCLock() {
  static std::mutex m;
  return m;
}
std::unordered_set<const HDC__*>& DCs() {
  static std::unordered_set<const HDC__*> s;
  return s;
}
HDC RegisterDC(HDC dc) {
  std::lock_guard<std::mutex> g(DCLock());
  DCs().insert(dc);
  return dc;
}

// The 1x1 monochrome bitmap every new memory DC starts with.
HBITMAP StockBitmap() {
  static HBITMAP bm = [] {
    TGdiBitmapObj* o = NewBitmapObj(1, 1, 1, true, nullptr, 0);
    o->Stock = true;
    return static_cast<HBITMAP>(GdiRegister(o, OBJ_BITMAP));
  }();
  return bm;
}

void InitState(HDC dc) {
  SelectInState(dc->S, GetStockObject(BLACK_PEN), OBJ_PEN);
  SelectInState(dc->S, GetStockObject(WHITE_BRUSH), OBJ_BRUSH);
  SelectInState(dc->S, GetStockObject(SYSTEM_FONT), OBJ_FONT);
  SelectInState(dc->S, GetStockObject(DEFAULT_PALETTE), OBJ_PAL);
}

void AttachBitmap(HDC dc, HBITMAP bm) {
  auto* o = GdiAs<TGdiBitmapObj>(bm, OBJ_BITMAP);
  dc->Bitmap = bm;
  dc->Surf = o ? &o->Surf : nullptr;
  if (o && !o->Stock) o->SelectedIn = dc;
  dc->Touch();
}

void DetachBitmap(HDC dc) {
  auto* o = GdiAs<TGdiBitmapObj>(dc->Bitmap, OBJ_BITMAP);
  if (o && !o->Stock) {
    o->SelectedIn = nullptr;
    if (o->PendingDelete) GdiDestroy(o);
  }
  dc->Bitmap = nullptr;
  dc->Surf = nullptr;
}

int64_t ScaleRound(int64_t v, int64_t num, int64_t den) {
  if (den == 0) return v;
  int64_t p = v * num;
  int64_t q = p / den, r = p % den;
  if (2 * std::llabs(r) >= std::llabs(den)) q += ((p < 0) != (den < 0)) ? -1 : 1;
  return q;
}

int ClampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); }
}  // namespace

bool ValidDC(HDC dc) {
  if (!dc) return false;
  std::lock_guard<std::mutex> g(DCLock());
  return DCs().count(dc) != 0;
}

void SelectInState(TDCState& st, HGDIOBJ obj, int type) {
  HGDIOBJ* slot = nullptr;
  switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: slot = reinterpret_cast<HGDIOBJ*>(&st.Pen); break;
    case OBJ_BRUSH: slot = reinterpret_cast<HGDIOBJ*>(&st.Brush); break;
    case OBJ_FONT: slot = reinterpret_cast<HGDIOBJ*>(&st.Font); break;
    case OBJ_PAL: slot = reinterpret_cast<HGDIOBJ*>(&st.Palette); break;
    default: return;
  }
  if (TGdiObject* n = GdiLookup(obj)) ++n->Selected;
  if (TGdiObject* o = GdiLookup(*slot)) {
    if (--o->Selected <= 0 && o->PendingDelete) GdiDestroy(o);
  }
  *slot = obj;
}

void ReleaseState(TDCState& st) {
  SelectInState(st, nullptr, OBJ_PEN);
  SelectInState(st, nullptr, OBJ_BRUSH);
  SelectInState(st, nullptr, OBJ_FONT);
  SelectInState(st, nullptr, OBJ_PAL);
}

const TRegion& HDC__::Clip() {
  if (!ClipDirty) return EffClip;
  ClipDirty = false;
  if (!Surf) {
    EffClip = TRegion{};
    return EffClip;
  }
  TRegion r = TRegion::FromRect(0, 0, Surf->Width, Surf->Height);
  if (Visible) r = TRegion::Combine(r, *Visible, RGN_AND);
  if (S.Clip) {
    TRegion c = *S.Clip;
    c.Offset(Origin.x, Origin.y);
    r = TRegion::Combine(r, c, RGN_AND);
  }
  EffClip = std::move(r);
  return EffClip;
}

int HDC__::MapX(int x) const {
  int64_t v = static_cast<int64_t>(x) - S.WindowOrg.x;
  if (S.ViewportExt.cx != S.WindowExt.cx) v = ScaleRound(v, S.ViewportExt.cx, S.WindowExt.cx);
  return ClampInt(v + S.ViewportOrg.x + Origin.x);
}
int HDC__::MapY(int y) const {
  int64_t v = static_cast<int64_t>(y) - S.WindowOrg.y;
  if (S.ViewportExt.cy != S.WindowExt.cy) v = ScaleRound(v, S.ViewportExt.cy, S.WindowExt.cy);
  return ClampInt(v + S.ViewportOrg.y + Origin.y);
}
int HDC__::ScaleX(int dx) const {
  return ClampInt(std::llabs(ScaleRound(dx, S.ViewportExt.cx, S.WindowExt.cx)));
}
int HDC__::ScaleY(int dy) const {
  return ClampInt(std::llabs(ScaleRound(dy, S.ViewportExt.cy, S.WindowExt.cy)));
}
RECT HDC__::MapRect(int l, int t, int r, int b) const {
  RECT o{MapX(l), MapY(t), MapX(r), MapY(b)};
  if (o.left > o.right) std::swap(o.left, o.right);
  if (o.top > o.bottom) std::swap(o.top, o.bottom);
  return o;
}

// ---- Creation ----
HDC CreateCompatibleDC(HDC ref) {
  HDC dc = new HDC__;
  dc->Kind = TDCKind::Memory;
  if (ref && ValidDC(ref) && ref->Kind == TDCKind::Printer) dc->Page = ref->Page;
  InitState(dc);
  AttachBitmap(dc, StockBitmap());
  return RegisterDC(dc);
}

HDC CreateSurfaceDC(TGdiSurface* surface, POINT origin, HRGN visible) {
  HDC dc = new HDC__;
  dc->Kind = TDCKind::Surface;
  dc->Surf = surface;
  InitState(dc);
  RegisterDC(dc);
  SetSurfaceDCVisible(dc, visible, origin);
  return dc;
}

void SetSurfaceDCVisible(HDC dc, HRGN visible, POINT origin) {
  if (!ValidDC(dc)) return;
  dc->Origin = origin;
  if (auto* r = GdiAs<TGdiRegionObj>(visible, OBJ_REGION)) dc->Visible = r->Rgn;
  else dc->Visible.reset();
  dc->Touch();
}

void SetPrinterDCPage(HDC dc, const TPrinterPage& page, bool withSurface) {
  dc->Page = page;
  if (dc->Page.PhysicalWidth < page.Width + page.OffsetX) dc->Page.PhysicalWidth = page.Width + 2 * page.OffsetX;
  if (dc->Page.PhysicalHeight < page.Height + page.OffsetY) dc->Page.PhysicalHeight = page.Height + 2 * page.OffsetY;
  dc->Surf = nullptr;
  dc->OwnSurface.reset();
  std::vector<uint8_t>().swap(dc->OwnPixels);
  dc->Touch();
  if (!withSurface) return;
  int w = std::clamp(page.Width, 0, 1 << 15), h = std::clamp(page.Height, 0, 1 << 15);
  dc->OwnSurface = std::make_unique<TGdiSurface>();
  dc->OwnSurface->Width = w;
  dc->OwnSurface->Height = h;
  dc->OwnSurface->BitCount = 32;
  dc->OwnPixels.assign(static_cast<size_t>(w) * h * 4, 0xFF);
  for (size_t i = 3; i < dc->OwnPixels.size(); i += 4) dc->OwnPixels[i] = 0;
  dc->OwnSurface->Top = dc->OwnPixels.data();
  dc->OwnSurface->Stride = static_cast<ptrdiff_t>(w) * 4;
  dc->Surf = dc->OwnSurface.get();
}

HDC CreatePrinterDC(const TPrinterPage& page, bool withSurface) {
  HDC dc = new HDC__;
  dc->Kind = withSurface ? TDCKind::Printer : TDCKind::Info;
  SetPrinterDCPage(dc, page, withSurface);
  InitState(dc);
  return RegisterDC(dc);
}

HDC CreateDC(LPCSTR driver, LPCSTR device, LPCSTR, const void* devmode) {
  if (driver && std::strcmp(driver, "DISPLAY") == 0) {
    // The screen: one surface of the pretended screen size, white at first, shared by every
    // screen DC as the one screen is. It is made once: controls ask for a screen DC each time
    // they measure a text, and filling eight megabytes for each of them was most of the cost
    // of building a form.
    struct TScreenPixels {
      TGdiSurface Surface;
      std::vector<uint8_t> Pixels;
      TScreenPixels() {
        Pixels.assign(static_cast<size_t>(ScreenWidth) * ScreenHeight * 4, 0xFF);
        for (size_t i = 3; i < Pixels.size(); i += 4) Pixels[i] = 0;
        Surface.Width = ScreenWidth;
        Surface.Height = ScreenHeight;
        Surface.BitCount = 32;
        Surface.Top = Pixels.data();
        Surface.Stride = static_cast<ptrdiff_t>(ScreenWidth) * 4;
      }
    };
    static TScreenPixels screen;
    TPrinterPage p;
    p.Width = p.PhysicalWidth = ScreenWidth;
    p.Height = p.PhysicalHeight = ScreenHeight;
    HDC dc = CreatePrinterDC(p, false);
    dc->Kind = TDCKind::Surface;
    dc->Surf = &screen.Surface;
    dc->Touch();
    return dc;
  }
  return CreatePrinterDeviceDC(device, devmode, false);
}

HDC CreateIC(LPCSTR driver, LPCSTR device, LPCSTR output, const void* devmode) {
  if (driver && std::strcmp(driver, "DISPLAY") == 0) return CreateDC(driver, device, output, devmode);
  return CreatePrinterDeviceDC(device, devmode, true);
}

TGdiSurface* GetDCSurface(HDC dc) { return ValidDC(dc) ? dc->Surf : nullptr; }

BOOL DeleteDC(HDC dc) {
  if (!ValidDC(dc)) return FALSE;
  {
    std::lock_guard<std::mutex> g(DCLock());
    DCs().erase(dc);
  }
  if (dc->Rec) MetaDestroy(dc);
  if (dc->Printer) DestroyPrinterState(dc);
  if (dc->Kind == TDCKind::Memory) DetachBitmap(dc);
  for (TDCState& s : dc->Saved) ReleaseState(s);
  ReleaseState(dc->S);
  delete dc;
  return TRUE;
}

// ---- Selection and saved states ----
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  if (!ValidDC(dc)) return nullptr;
  TGdiObject* o = GdiLookup(obj);
  if (!o) return nullptr;
  if (dc->Rec) MetaRecordObject(dc, obj);
  HGDIOBJ old = nullptr;
  switch (o->Type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: old = dc->S.Pen; SelectInState(dc->S, obj, OBJ_PEN); return old;
    case OBJ_BRUSH: old = dc->S.Brush; SelectInState(dc->S, obj, OBJ_BRUSH); return old;
    case OBJ_FONT: old = dc->S.Font; SelectInState(dc->S, obj, OBJ_FONT); return old;
    case OBJ_REGION: {
      int k = SelectClipRgn(dc, static_cast<HRGN>(obj));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(k));
    }
    case OBJ_BITMAP: {
      if (dc->Kind != TDCKind::Memory) return nullptr;
      auto* b = static_cast<TGdiBitmapObj*>(o);
      // A bitmap lives in one DC at a time.
      if (b->SelectedIn && b->SelectedIn != dc) return nullptr;
      old = dc->Bitmap;
      DetachBitmap(dc);
      AttachBitmap(dc, static_cast<HBITMAP>(obj));
      return old;
    }
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  if (!ValidDC(dc)) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->S.Pen;
    case OBJ_BRUSH: return dc->S.Brush;
    case OBJ_FONT: return dc->S.Font;
    case OBJ_PAL: return dc->S.Palette;
    case OBJ_BITMAP: return dc->Bitmap;
    default: return nullptr;
  }
}

HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL) {
  if (!ValidDC(dc) || !GdiAs<TGdiPaletteObj>(pal, OBJ_PAL)) return nullptr;
  HPALETTE old = dc->S.Palette;
  SelectInState(dc->S, pal, OBJ_PAL);
  return old;
}

UINT RealizePalette(HDC dc) {
  auto* p = ValidDC(dc) ? GdiAs<TGdiPaletteObj>(dc->S.Palette, OBJ_PAL) : nullptr;
  return p ? static_cast<UINT>(p->Entries.size()) : GDI_ERROR;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }

int SaveDC(HDC dc) {
  if (!ValidDC(dc)) return 0;
  if (dc->Rec) MetaRecord(dc, EMR_SAVEDC, {});
  TDCState copy = dc->S;
  for (HGDIOBJ h : {static_cast<HGDIOBJ>(copy.Pen), static_cast<HGDIOBJ>(copy.Brush),
                    static_cast<HGDIOBJ>(copy.Font), static_cast<HGDIOBJ>(copy.Palette)})
    if (TGdiObject* o = GdiLookup(h)) ++o->Selected;
  dc->Saved.push_back(std::move(copy));
  return static_cast<int>(dc->Saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
  if (!ValidDC(dc)) return FALSE;
  int n = static_cast<int>(dc->Saved.size());
  int target = saved < 0 ? n + saved + 1 : saved;
  if (target < 1 || target > n) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_RESTOREDC, {saved});
  while (static_cast<int>(dc->Saved.size()) > target) {
    ReleaseState(dc->Saved.back());
    dc->Saved.pop_back();
  }
  ReleaseState(dc->S);
  dc->S = std::move(dc->Saved.back());
  dc->Saved.pop_back();
  dc->Touch();
  return TRUE;
}

// ---- Mapping ----
int SetMapMode(HDC dc, int mode) {
  if (!ValidDC(dc) || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  if (dc->Rec) MetaRecord(dc, EMR_SETMAPMODE, {mode});
  int old = dc->S.MapMode;
  dc->S.MapMode = mode;
  int dx = GetDeviceCaps(dc, LOGPIXELSX), dy = GetDeviceCaps(dc, LOGPIXELSY);
  auto set = [&](int per) {  // logical units per inch; y grows upwards
    dc->S.WindowExt = SIZE{per, per};
    dc->S.ViewportExt = SIZE{dx, -dy};
  };
  switch (mode) {
    case MM_TEXT: dc->S.WindowExt = dc->S.ViewportExt = SIZE{1, 1}; break;
    case MM_LOMETRIC: dc->S.WindowExt = SIZE{254, 254}; dc->S.ViewportExt = SIZE{dx, -dy}; break;
    case MM_HIMETRIC: dc->S.WindowExt = SIZE{2540, 2540}; dc->S.ViewportExt = SIZE{dx, -dy}; break;
    case MM_LOENGLISH: set(100); break;
    case MM_HIENGLISH: set(1000); break;
    case MM_TWIPS: set(1440); break;
    default: break;  // the isotropic modes keep the current extents
  }
  return old;
}
int GetMapMode(HDC dc) { return ValidDC(dc) ? dc->S.MapMode : 0; }

namespace {
BOOL SetPointField(HDC dc, POINT TDCState::*f, int x, int y, POINT* old, DWORD rec) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec && rec) MetaRecord(dc, rec, {x, y});
  if (old) *old = dc->S.*f;
  dc->S.*f = POINT{x, y};
  return TRUE;
}
BOOL GetPointField(HDC dc, POINT TDCState::*f, POINT* p) {
  if (!ValidDC(dc) || !p) return FALSE;
  *p = dc->S.*f;
  return TRUE;
}
}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) { return SetPointField(dc, &TDCState::ViewportOrg, x, y, old, EMR_SETVIEWPORTORGEX); }
BOOL GetViewportOrgEx(HDC dc, POINT* p) { return GetPointField(dc, &TDCState::ViewportOrg, p); }
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  if (!ValidDC(dc)) return FALSE;
  POINT o = dc->S.ViewportOrg;
  return SetViewportOrgEx(dc, o.x + dx, o.y + dy, old);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) { return SetPointField(dc, &TDCState::WindowOrg, x, y, old, EMR_SETWINDOWORGEX); }
BOOL GetWindowOrgEx(HDC dc, POINT* p) { return GetPointField(dc, &TDCState::WindowOrg, p); }
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
  if (!ValidDC(dc)) return FALSE;
  POINT o = dc->S.WindowOrg;
  return SetWindowOrgEx(dc, o.x + dx, o.y + dy, old);
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) { return SetPointField(dc, &TDCState::BrushOrg, x, y, old, 0); }
BOOL GetBrushOrgEx(HDC dc, POINT* p) { return GetPointField(dc, &TDCState::BrushOrg, p); }
BOOL GetDCOrgEx(HDC dc, POINT* p) {
  if (!ValidDC(dc) || !p) return FALSE;
  *p = dc->Origin;
  return TRUE;
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old) {
  if (!ValidDC(dc)) return FALSE;
  if (old) *old = dc->S.ViewportExt;
  if (dc->S.MapMode != MM_ISOTROPIC && dc->S.MapMode != MM_ANISOTROPIC) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_SETVIEWPORTEXTEX, {x, y});
  dc->S.ViewportExt = SIZE{x, y};
  return TRUE;
}
BOOL GetViewportExtEx(HDC dc, SIZE* s) {
  if (!ValidDC(dc) || !s) return FALSE;
  *s = dc->S.ViewportExt;
  return TRUE;
}
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old) {
  if (!ValidDC(dc)) return FALSE;
  if (old) *old = dc->S.WindowExt;
  if (dc->S.MapMode != MM_ISOTROPIC && dc->S.MapMode != MM_ANISOTROPIC) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_SETWINDOWEXTEX, {x, y});
  dc->S.WindowExt = SIZE{x, y};
  return TRUE;
}
BOOL GetWindowExtEx(HDC dc, SIZE* s) {
  if (!ValidDC(dc) || !s) return FALSE;
  *s = dc->S.WindowExt;
  return TRUE;
}

BOOL LPtoDP(HDC dc, POINT* pts, int count) {
  if (!ValidDC(dc) || !pts) return FALSE;
  for (int i = 0; i < count; ++i)
    pts[i] = POINT{dc->MapX(pts[i].x) - dc->Origin.x, dc->MapY(pts[i].y) - dc->Origin.y};
  return TRUE;
}
BOOL DPtoLP(HDC dc, POINT* pts, int count) {
  if (!ValidDC(dc) || !pts) return FALSE;
  const TDCState& s = dc->S;
  for (int i = 0; i < count; ++i) {
    int64_t x = pts[i].x - s.ViewportOrg.x, y = pts[i].y - s.ViewportOrg.y;
    x = ScaleRound(x, s.WindowExt.cx, s.ViewportExt.cx) + s.WindowOrg.x;
    y = ScaleRound(y, s.WindowExt.cy, s.ViewportExt.cy) + s.WindowOrg.y;
    pts[i] = POINT{ClampInt(x), ClampInt(y)};
  }
  return TRUE;
}

// ---- Attributes ----
namespace {
template <class T> T SetField(HDC dc, T TDCState::*f, T v, DWORD rec, T fail) {
  if (!ValidDC(dc)) return fail;
  if (dc->Rec && rec) MetaRecord(dc, rec, {static_cast<int32_t>(v)});
  T old = dc->S.*f;
  dc->S.*f = v;
  return old;
}
template <class T> T GetField(HDC dc, T TDCState::*f, T fail) { return ValidDC(dc) ? dc->S.*f : fail; }
}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF c) { return SetField(dc, &TDCState::TextColor, c, EMR_SETTEXTCOLOR, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return GetField(dc, &TDCState::TextColor, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF c) { return SetField(dc, &TDCState::BkColor, c, EMR_SETBKCOLOR, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return GetField(dc, &TDCState::BkColor, CLR_INVALID); }
int SetBkMode(HDC dc, int m) {
  if (m != TRANSPARENT && m != OPAQUE) return 0;
  return SetField(dc, &TDCState::BkMode, m, EMR_SETBKMODE, 0);
}
int GetBkMode(HDC dc) { return GetField(dc, &TDCState::BkMode, 0); }
int SetROP2(HDC dc, int r) {
  if (r < R2_BLACK || r > R2_WHITE) return 0;
  return SetField(dc, &TDCState::Rop2, r, EMR_SETROP2, 0);
}
int GetROP2(HDC dc) { return GetField(dc, &TDCState::Rop2, 0); }
int SetStretchBltMode(HDC dc, int m) {
  if (m < BLACKONWHITE || m > HALFTONE) return 0;
  return SetField(dc, &TDCState::StretchMode, m, EMR_SETSTRETCHBLTMODE, 0);
}
int GetStretchBltMode(HDC dc) { return GetField(dc, &TDCState::StretchMode, 0); }
int SetPolyFillMode(HDC dc, int m) {
  if (m != ALTERNATE && m != WINDING) return 0;
  return SetField(dc, &TDCState::PolyFillMode, m, EMR_SETPOLYFILLMODE, 0);
}
int GetPolyFillMode(HDC dc) { return GetField(dc, &TDCState::PolyFillMode, 0); }
UINT SetTextAlign(HDC dc, UINT a) { return SetField(dc, &TDCState::TextAlign, a, EMR_SETTEXTALIGN, GDI_ERROR); }
UINT GetTextAlign(HDC dc) { return GetField(dc, &TDCState::TextAlign, GDI_ERROR); }
int SetTextCharacterExtra(HDC dc, int e) { return SetField(dc, &TDCState::CharExtra, e, 0, static_cast<int>(0x80000000)); }
int GetTextCharacterExtra(HDC dc) { return GetField(dc, &TDCState::CharExtra, static_cast<int>(0x80000000)); }
int SetGraphicsMode(HDC dc, int m) {
  if (m != GM_COMPATIBLE && m != GM_ADVANCED) return 0;
  return SetField(dc, &TDCState::GraphicsMode, m, 0, 0);
}
int GetGraphicsMode(HDC dc) { return GetField(dc, &TDCState::GraphicsMode, 0); }
int SetArcDirection(HDC dc, int d) {
  if (d != AD_CLOCKWISE && d != AD_COUNTERCLOCKWISE) return 0;
  return SetField(dc, &TDCState::ArcDirection, d, 0, 0);
}
int GetArcDirection(HDC dc) { return GetField(dc, &TDCState::ArcDirection, 0); }
COLORREF SetDCBrushColor(HDC dc, COLORREF c) { return SetField(dc, &TDCState::DCBrushColor, c, 0, CLR_INVALID); }
COLORREF SetDCPenColor(HDC dc, COLORREF c) { return SetField(dc, &TDCState::DCPenColor, c, 0, CLR_INVALID); }

// ---- Clipping ----
namespace {
int ClipResult(HDC dc) {
  RECT r;
  return GetClipBox(dc, &r);
}
void CombineClip(HDC dc, const TRegion& r, int mode) {
  TRegion base = dc->S.Clip ? *dc->S.Clip
                            : TRegion::FromRect(-dc->Origin.x, -dc->Origin.y, (1 << 30), (1 << 30));
  dc->S.Clip = TRegion::Combine(base, r, mode);
  dc->Touch();
}
RECT DeviceRect(HDC dc, int l, int t, int r, int b) {
  RECT d = dc->MapRect(l, t, r, b);
  OffsetRect(&d, -dc->Origin.x, -dc->Origin.y);
  return d;
}
}  // namespace

int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) {
  if (!ValidDC(dc)) return ERROR;
  auto* r = GdiAs<TGdiRegionObj>(rgn, OBJ_REGION);
  if (!r) {
    if (mode != RGN_COPY) return ERROR;
    dc->S.Clip.reset();
    dc->Touch();
    return ClipResult(dc);
  }
  if (mode == RGN_COPY) {
    dc->S.Clip = r->Rgn;
    dc->Touch();
  } else if (mode >= RGN_AND && mode <= RGN_DIFF) {
    CombineClip(dc, r->Rgn, mode);
  } else {
    return ERROR;
  }
  return ClipResult(dc);
}
int SelectClipRgn(HDC dc, HRGN rgn) { return ExtSelectClipRgn(dc, rgn, RGN_COPY); }

int ExcludeClipRect(HDC dc, int l, int t, int r, int b) {
  if (!ValidDC(dc)) return ERROR;
  if (dc->Rec) MetaRecord(dc, EMR_EXCLUDECLIPRECT, {l, t, r, b});
  CombineClip(dc, TRegion::FromRect(DeviceRect(dc, l, t, r, b)), RGN_DIFF);
  return ClipResult(dc);
}

int IntersectClipRect(HDC dc, int l, int t, int r, int b) {
  if (!ValidDC(dc)) return ERROR;
  if (dc->Rec) MetaRecord(dc, EMR_INTERSECTCLIPRECT, {l, t, r, b});
  CombineClip(dc, TRegion::FromRect(DeviceRect(dc, l, t, r, b)), RGN_AND);
  return ClipResult(dc);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  if (!ValidDC(dc)) return ERROR;
  if (dc->S.Clip) {
    dc->S.Clip->Offset(dc->ScaleX(dx) * (dx < 0 ? -1 : 1), dc->ScaleY(dy) * (dy < 0 ? -1 : 1));
    dc->Touch();
  }
  return ClipResult(dc);
}

int GetClipBox(HDC dc, RECT* out) {
  if (!ValidDC(dc) || !out) return ERROR;
  const TRegion& c = dc->Clip();
  RECT b = c.Box();
  if (!dc->Surf) {
    // No surface (metafile or information DC): the selected clip region, or everything.
    b = dc->S.Clip ? dc->S.Clip->Box() : RECT{-(1 << 26), -(1 << 26), 1 << 26, 1 << 26};
    OffsetRect(&b, dc->Origin.x, dc->Origin.y);
  }
  // Back to logical coordinates.
  POINT p[2] = {{b.left - dc->Origin.x, b.top - dc->Origin.y}, {b.right - dc->Origin.x, b.bottom - dc->Origin.y}};
  DPtoLP(dc, p, 2);
  *out = RECT{std::min(p[0].x, p[1].x), std::min(p[0].y, p[1].y), std::max(p[0].x, p[1].x), std::max(p[0].y, p[1].y)};
  if (!dc->Surf) return dc->S.Clip ? dc->S.Clip->Kind() : SIMPLEREGION;
  return c.Kind();
}

int GetClipRgn(HDC dc, HRGN rgn) {
  if (!ValidDC(dc)) return -1;
  auto* r = GdiAs<TGdiRegionObj>(rgn, OBJ_REGION);
  if (!r) return -1;
  if (!dc->S.Clip) return 0;
  r->Rgn = *dc->S.Clip;
  return 1;
}

BOOL RectVisible(HDC dc, const RECT* r) {
  if (!ValidDC(dc) || !r) return FALSE;
  RECT d = dc->MapRect(r->left, r->top, r->right, r->bottom);
  if (!dc->Surf) return !IsRectEmpty(&d);
  return dc->Clip().Intersects(d);
}

BOOL PtVisible(HDC dc, int x, int y) {
  if (!ValidDC(dc)) return FALSE;
  return dc->Clip().Contains(dc->MapX(x), dc->MapY(y));
}

// ---- Capabilities ----
int GetDeviceCaps(HDC dc, int index) {
  if (!ValidDC(dc)) return 0;
  bool printer = dc->Kind == TDCKind::Printer || dc->Kind == TDCKind::Info ||
                 (dc->Page.Width > 0 && dc->Kind != TDCKind::Surface);
  const TPrinterPage& p = dc->Page;
  int dpiX = printer ? p.DpiX : ScreenDpi, dpiY = printer ? p.DpiY : ScreenDpi;
  int w = printer ? p.Width : ScreenWidth, h = printer ? p.Height : ScreenHeight;
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return dc->Kind == TDCKind::Metafile ? DT_METAFILE : printer ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZSIZE: return MulDiv(w, 254, dpiX * 10);
    case VERTSIZE: return MulDiv(h, 254, dpiY * 10);
    case HORZRES: return w;
    case VERTRES: return h;
    case BITSPIXEL: return printer ? 24 : 32;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS: return -1;
    case NUMFONTS: return 0;
    case RASTERCAPS: return RC_BITBLT | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX: return dpiX;
    case LOGPIXELSY: return dpiY;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    case PHYSICALWIDTH: return printer ? p.PhysicalWidth : 0;
    case PHYSICALHEIGHT: return printer ? p.PhysicalHeight : 0;
    case PHYSICALOFFSETX: return printer ? p.OffsetX : 0;
    case PHYSICALOFFSETY: return printer ? p.OffsetY : 0;
    case SHADEBLENDCAPS: return 0;
    default: return 0;
  }
}

// ---- Colours and paints ----
COLORREF ResolveColor(HDC dc, COLORREF c) {
  if ((c & 0xFF000000u) == 0x01000000u) {  // PALETTEINDEX
    auto* p = GdiAs<TGdiPaletteObj>(dc->S.Palette, OBJ_PAL);
    UINT i = c & 0xFFFF;
    if (p && i < p->Entries.size()) return RGB(p->Entries[i].peRed, p->Entries[i].peGreen, p->Entries[i].peBlue);
    return 0;
  }
  return c & 0xFFFFFF;
}

COLORREF GetNearestColor(HDC dc, COLORREF c) {
  if (!ValidDC(dc)) return CLR_INVALID;
  c = ResolveColor(dc, c);
  if (!dc->Surf) return c;
  return FromNative(*dc->Surf, ToNative(*dc->Surf, c));
}

TPaint SolidPaint(HDC dc, COLORREF c) {
  TPaint p;
  if (!dc->Surf) return p;
  p.Null = false;
  p.Pixel = ToNative(*dc->Surf, ResolveColor(dc, c));
  p.Rop2 = dc->S.Rop2;
  return p;
}

namespace {
bool HatchBit(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 7 || y == 7;
    default: return x == y || x + y == 7;  // HS_DIAGCROSS
  }
}
}  // namespace

TPaint BrushPaint(HDC dc, HBRUSH br) {
  TPaint p;
  auto* b = GdiAs<TGdiBrushObj>(br, OBJ_BRUSH);
  if (!b || !dc->Surf || b->Style == BS_NULL) return p;
  if (b->Style == BS_SOLID) {
    COLORREF c = br == GetStockObject(DC_BRUSH) ? dc->S.DCBrushColor : b->Color;
    return SolidPaint(dc, c);
  }
  const TGdiSurface& s = *dc->Surf;
  p.Null = false;
  p.Pattern = true;
  p.Rop2 = dc->S.Rop2;
  p.OX = dc->Origin.x + dc->S.BrushOrg.x;
  p.OY = dc->Origin.y + dc->S.BrushOrg.y;
  if (b->Style == BS_HATCHED) {
    p.PW = p.PH = 8;
    uint32_t fg = ToNative(s, ResolveColor(dc, b->Color)), bg = ToNative(s, ResolveColor(dc, dc->S.BkColor));
    bool transparent = dc->S.BkMode == TRANSPARENT;
    p.Pat.resize(64);
    if (transparent) p.Mask.resize(64);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        bool on = HatchBit(b->Hatch, x, y);
        p.Pat[y * 8 + x] = on ? fg : bg;
        if (transparent) p.Mask[y * 8 + x] = on;
      }
    return p;
  }
  p.PW = b->PatW;
  p.PH = b->PatH;
  size_t n = static_cast<size_t>(p.PW) * p.PH;
  p.Pat.resize(n);
  if (b->PatMono) {
    uint32_t fg = ToNative(s, ResolveColor(dc, dc->S.TextColor)), bg = ToNative(s, ResolveColor(dc, dc->S.BkColor));
    for (size_t i = 0; i < n; ++i) p.Pat[i] = b->PatBits[i] ? bg : fg;
  } else {
    for (size_t i = 0; i < n; ++i) p.Pat[i] = ToNative(s, b->PatColors[i]);
  }
  return p;
}
