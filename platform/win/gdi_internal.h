// Internal structures of the software GDI: the object table, regions, device contexts and the
// pixel-level helpers the drawing files share. Not for use outside platform/win.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/gdi_surface.h"

// ---- Regions: y-bands of sorted, disjoint x-spans (half-open in both directions) ----
struct TSpan {
  int x0, x1;
};
struct TBand {
  int top, bottom;
  std::vector<TSpan> spans;
};
class TRegion {
public:
  std::vector<TBand> Bands;  // sorted by top, disjoint, no empty bands

  static TRegion FromRect(int l, int t, int r, int b);
  static TRegion FromRect(const RECT& r) { return FromRect(r.left, r.top, r.right, r.bottom); }
  // Builds from one span list per row, rows top .. top + rows.size() - 1 (spans may overlap).
  static TRegion FromRows(int top, std::vector<std::vector<TSpan>>& rows);
  static TRegion Combine(const TRegion& a, const TRegion& b, int mode);
  bool Empty() const { return Bands.empty(); }
  RECT Box() const;
  int Kind() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION
  void Offset(int dx, int dy);
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& r) const;
  const TBand* BandAt(int y) const;
  std::vector<RECT> Rects() const;
  bool operator==(const TRegion& o) const;
};
// Rasterises polygons with the GDI fill rule (pixel centres inside, right and bottom edges out).
TRegion PolygonRegion(const POINT* pts, const int* counts, int polys, int mode);
TRegion EllipseRegion(int l, int t, int r, int b);
TRegion RoundRectRegion(int l, int t, int r, int b, int w, int h);

// ---- GDI objects ----
struct TGdiObject {
  int Type = 0;
  bool Stock = false;
  int Selected = 0;          // number of DC states it is selected into
  bool PendingDelete = false;
  virtual ~TGdiObject() = default;
};
struct TGdiPenObj : TGdiObject {
  DWORD Style = PS_SOLID;    // full style with type, caps and joins
  int Width = 0;
  COLORREF Color = 0;
  bool Extended = false;
  std::vector<DWORD> User;   // PS_USERSTYLE dash lengths
  UINT Kind() const { return Style & PS_STYLE_MASK; }
  bool Geometric() const { return (Style & PS_TYPE_MASK) == PS_GEOMETRIC || Width > 1; }
};
struct TGdiBrushObj : TGdiObject {
  UINT Style = BS_SOLID;
  COLORREF Color = 0;
  int Hatch = 0;
  // Pattern brushes: a copy of the pattern, as colours, or as bits of a monochrome pattern
  // (which take the text and background colours of the DC it is used on).
  int PatW = 0, PatH = 0;
  std::vector<COLORREF> PatColors;
  std::vector<uint8_t> PatBits;  // monochrome: 1 = background colour
  bool PatMono = false;
};
struct TGdiBitmapObj : TGdiObject {
  TGdiSurface Surf;
  std::vector<uint8_t> Own;
  bool DibSection = false;
  BITMAPINFOHEADER Bih{};
  DWORD Masks[3] = {0, 0, 0};
  HDC SelectedIn = nullptr;
  SIZE Dimension{0, 0};
};
struct TGdiRegionObj : TGdiObject {
  TRegion Rgn;
};
struct TGdiPaletteObj : TGdiObject {
  std::vector<PALETTEENTRY> Entries;
};
struct TFontFace;
struct TGdiFontObj : TGdiObject {
  LOGFONTA Lf{};
  std::mutex FaceLock;
  std::shared_ptr<TFontFace> Face;  // resolved on first use
};

// The object table: handles are the objects' addresses, known only while they live.
HGDIOBJ GdiRegister(TGdiObject* obj, int type);
TGdiObject* GdiLookup(HGDIOBJ h);
template <class T> T* GdiAs(HGDIOBJ h, int type) {
  TGdiObject* o = GdiLookup(h);
  return o && o->Type == type ? static_cast<T*>(o) : nullptr;
}
void GdiDestroy(TGdiObject* obj);  // removes from the table and deletes

// 0x00bbggrr <-> 0x00rrggbb
inline uint32_t SwapRB(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// ---- Device contexts ----
enum class TDCKind { Memory, Surface, Printer, Info, Metafile };
struct TMetaRecorder;
struct TPrinterState;

struct TDCState {
  HPEN Pen = nullptr;
  HBRUSH Brush = nullptr;
  HFONT Font = nullptr;
  HPALETTE Palette = nullptr;
  COLORREF TextColor = 0;
  COLORREF BkColor = 0xFFFFFF;
  COLORREF DCBrushColor = 0xFFFFFF;
  COLORREF DCPenColor = 0;
  int BkMode = OPAQUE;
  int Rop2 = R2_COPYPEN;
  int StretchMode = BLACKONWHITE;
  int PolyFillMode = ALTERNATE;
  UINT TextAlign = 0;
  int CharExtra = 0;
  int MapMode = MM_TEXT;
  int GraphicsMode = GM_COMPATIBLE;
  int ArcDirection = AD_COUNTERCLOCKWISE;
  POINT ViewportOrg{0, 0}, WindowOrg{0, 0};
  SIZE ViewportExt{1, 1}, WindowExt{1, 1};
  POINT BrushOrg{0, 0};
  POINT CurPos{0, 0};
  std::optional<TRegion> Clip;  // device coordinates, relative to the DC origin
};

struct HDC__ {
  TDCKind Kind = TDCKind::Memory;
  TGdiSurface* Surf = nullptr;
  HBITMAP Bitmap = nullptr;            // memory DCs: the selected bitmap
  std::unique_ptr<TGdiSurface> OwnSurface;
  std::vector<uint8_t> OwnPixels;
  POINT Origin{0, 0};                  // where the DC's (0,0) lies on the surface
  std::optional<TRegion> Visible;      // surface coordinates
  TPrinterPage Page;
  TDCState S;
  std::vector<TDCState> Saved;
  TMetaRecorder* Rec = nullptr;        // metafile DCs
  TPrinterState* Printer = nullptr;    // DCs of a named printer: its settings and the job (owned)
  // Effective clip in surface coordinates, recomputed after any change.
  bool ClipDirty = true;
  TRegion EffClip;

  const TRegion& Clip();
  void Touch() { ClipDirty = true; }
  bool Identity() const {
    return S.ViewportExt.cx == S.WindowExt.cx && S.ViewportExt.cy == S.WindowExt.cy;
  }
  // Logical to surface coordinates.
  int MapX(int x) const;
  int MapY(int y) const;
  POINT Map(int x, int y) const { return POINT{MapX(x), MapY(y)}; }
  int ScaleX(int dx) const;  // a logical length to device pixels
  int ScaleY(int dy) const;
  // Logical rectangle to a normalised surface rectangle.
  RECT MapRect(int l, int t, int r, int b) const;
};
bool ValidDC(HDC dc);
void SelectInState(TDCState& st, HGDIOBJ obj, int type);  // selection bookkeeping
void ReleaseState(TDCState& st);

// ---- Pixels ----
// Native pixel values: the raw bits of one pixel (0x00RRGGBB for 24 and 32 bits, the packed
// word for 16 bits, the index for 1, 4 and 8 bits). ROP2 and ternary operations work on them.
uint32_t ToNative(const TGdiSurface& s, COLORREF c);
COLORREF FromNative(const TGdiSurface& s, uint32_t v);
uint32_t NativeMask(const TGdiSurface& s);
uint32_t GetNative(const TGdiSurface& s, int x, int y);
void PutNative(const TGdiSurface& s, int x, int y, uint32_t v);
// Reads n pixels of row y from x as 0x00RRGGBB (32-bit surfaces keep their alpha byte).
void LoadRGBRow(const TGdiSurface& s, int y, int x, int n, uint32_t* out, const RGBQUAD* paletteOverride = nullptr);
void LoadNativeRow(const TGdiSurface& s, int y, int x, int n, uint32_t* out);
void StoreNativeRow(const TGdiSurface& s, int y, int x, int n, const uint32_t* in);
uint32_t Rop2Apply(int rop2, uint32_t pen, uint32_t dst);
COLORREF ResolveColor(HDC dc, COLORREF c);  // palette-relative colours to RGB
int NearestIndex(const std::vector<RGBQUAD>& pal, COLORREF c);

// What a fill paints: one colour or a pattern repeating from the brush origin.
struct TPaint {
  bool Null = true;
  bool Pattern = false;
  uint32_t Pixel = 0;               // native
  int Rop2 = R2_COPYPEN;
  int PW = 0, PH = 0, OX = 0, OY = 0;
  std::vector<uint32_t> Pat;        // native pixels
  std::vector<uint8_t> Mask;        // pattern pixels to paint (empty: all)
};
TPaint BrushPaint(HDC dc, HBRUSH br);    // honours ROP2, bk mode and brush origin
TPaint SolidPaint(HDC dc, COLORREF c);  // honours ROP2
// Paints a span of row y, [x0, x1) in surface coordinates, already clipped.
void PaintSpan(const TGdiSurface& s, int y, int x0, int x1, const TPaint& p);
// Paints the part of a region (surface coordinates) inside the DC's clip.
void PaintRegion(HDC dc, const TRegion& rgn, const TPaint& p);
void PaintRect(HDC dc, RECT r, const TPaint& p);  // r in surface coordinates
// Calls fn(x0, x1) for the parts of row y, [x0, x1), inside the clip.
template <class F> void ForClipSpans(HDC dc, int y, int x0, int x1, F&& fn) {
  const TBand* b = dc->Clip().BandAt(y);
  if (!b) return;
  for (const TSpan& s : b->spans) {
    if (s.x1 <= x0) continue;
    if (s.x0 >= x1) break;
    int a = s.x0 > x0 ? s.x0 : x0, e = s.x1 < x1 ? s.x1 : x1;
    fn(a, e);
  }
}
// Paints a region's outline pixels (4-connected boundary, width w x h) with a brush.
TRegion FrameOf(const TRegion& r, int w, int h);

// ---- Bitmaps shared by the DIB and blit code ----
TGdiBitmapObj* NewBitmapObj(int w, int h, int bpp, bool topDown, const RGBQUAD* pal, int palCount);
std::vector<RGBQUAD> DefaultPalette(int bpp);
// Ternary raster operation on arrays of native pixels; P or S may be null when unused.
void ApplyRop3(uint8_t rop, const uint32_t* P, const uint32_t* S, uint32_t* D, int n);
bool RopUsesSource(DWORD rop);
bool RopUsesPattern(DWORD rop);
// Fills n native pattern pixels of row y starting at x (surface coordinates).
void PatternRow(const TPaint& p, int y, int x, int n, uint32_t* out);

// ---- Text (gdi_text.cpp) ----
void DestroyFontFace(TGdiFontObj* f);

// ---- Printer DCs (gdi_print.cpp) ----
// A DC (or, with info, an information context) of a named printer; null with the reason in
// GetLastError for an unknown printer.
HDC CreatePrinterDeviceDC(LPCSTR device, const void* devmode, bool info);
// Aborts a job still running and frees the printer state; called by DeleteDC.
void DestroyPrinterState(HDC dc);
// Sets a printer DC's page metrics; with a surface, a white page of the printable size is made
// (any earlier page surface is released first).
void SetPrinterDCPage(HDC dc, const TPrinterPage& page, bool withSurface);

// ---- Metafile recording (gdi_metafile.cpp) ----
// Each drawing call on a metafile DC reports itself here first; the recorder keeps a record
// and the call then also draws on the DC's own reference surface (for extents and bounds).
void MetaRecord(HDC dc, DWORD type, const std::vector<int32_t>& params, const void* extra = nullptr, size_t extraSize = 0);
void MetaRecordObject(HDC dc, HGDIOBJ obj);
void MetaRecordText(HDC dc, int x, int y, UINT options, const RECT* rc, const std::u16string& text, const INT* dx);
void MetaRecordBits(HDC dc, DWORD type, const std::vector<int32_t>& params, HDC src, int sx, int sy, int sw, int sh);
void MetaDestroy(HDC dc);
