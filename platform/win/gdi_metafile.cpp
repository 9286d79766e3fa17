// Enhanced metafiles: a recording DC, the record list, playback at any scale and enumeration.
//
// Records are kept in the enhanced-metafile shape (type, size, parameters), 4-byte aligned, in
// one byte block that can be saved and loaded. Coordinates are recorded in the reference
// device's pixels (the recording DC's mapping already applied), so playback only has to map
// the picture frame onto the target rectangle. Text records use the EMREXTTEXTOUTW layout with
// UTF-16 text, so a search can walk the text of a page.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_text.h"
#include "platform/win/gdi_user.h"

struct TMetaRecorder {
  std::vector<uint8_t> Bytes;  // records after the header
  DWORD Records = 0;
  DWORD Handles = 1;           // index 0 is the metafile itself
  RECT Bounds{0, 0, 0, 0};
  bool HasBounds = false;
  RECT Frame{0, 0, 0, 0};      // 0.01 mm; empty: from the bounds
  std::string File;
  std::string Description;
  int DpiX = ScreenDpi, DpiY = ScreenDpi;
  SIZE Device{ScreenWidth, ScreenHeight};
};

namespace {

struct TEnhMetaObj : TGdiObject {
  std::vector<uint8_t> Bytes;  // the whole metafile: header first, EOF last
};

const ENHMETAHEADER* HeaderOf(const TEnhMetaObj* m) { return reinterpret_cast<const ENHMETAHEADER*>(m->Bytes.data()); }

void AddBounds(TMetaRecorder& r, int l, int t, int rr, int b) {
  if (l > rr) std::swap(l, rr);
  if (t > b) std::swap(t, b);
  if (!r.HasBounds) {
    r.Bounds = RECT{l, t, rr, b};
    r.HasBounds = true;
    return;
  }
  r.Bounds.left = std::min<LONG>(r.Bounds.left, l);
  r.Bounds.top = std::min<LONG>(r.Bounds.top, t);
  r.Bounds.right = std::max<LONG>(r.Bounds.right, rr);
  r.Bounds.bottom = std::max<LONG>(r.Bounds.bottom, b);
}

void Append(TMetaRecorder& r, DWORD type, const void* payload, size_t n) {
  DWORD size = static_cast<DWORD>((8 + n + 3) & ~size_t(3));
  size_t at = r.Bytes.size();
  r.Bytes.resize(at + size, 0);
  std::memcpy(&r.Bytes[at], &type, 4);
  std::memcpy(&r.Bytes[at + 4], &size, 4);
  if (n) std::memcpy(&r.Bytes[at + 8], payload, n);
  ++r.Records;
}

// Which parameters of a record are points (pairs) and which are lengths.
void ToDevice(HDC dc, DWORD type, std::vector<int32_t>& v) {
  auto pt = [&](size_t i) {
    if (i + 1 >= v.size() + 0 && i + 1 > v.size() - 1 + 1) return;
    v[i] = dc->MapX(v[i]) - dc->Origin.x;
    v[i + 1] = dc->MapY(v[i + 1]) - dc->Origin.y;
  };
  TMetaRecorder& r = *dc->Rec;
  switch (type) {
    case EMR_RECTANGLE: case EMR_ELLIPSE: case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT:
    case EMR_FILLRECT_PRIVATE:
      pt(0); pt(2);
      AddBounds(r, v[0], v[1], v[2], v[3]);
      break;
    case EMR_ROUNDRECT:
      pt(0); pt(2);
      v[4] = dc->ScaleX(v[4]);
      v[5] = dc->ScaleY(v[5]);
      AddBounds(r, v[0], v[1], v[2], v[3]);
      break;
    case EMR_ARC: case EMR_CHORD: case EMR_PIE:
      pt(0); pt(2); pt(4); pt(6);
      AddBounds(r, v[0], v[1], v[2], v[3]);
      break;
    case EMR_MOVETOEX: case EMR_LINETO: case EMR_SETPIXELV:
      pt(0);
      AddBounds(r, v[0], v[1], v[0] + 1, v[1] + 1);
      break;
    case EMR_POLYLINE: case EMR_POLYGON:
      for (size_t i = 1; i + 1 < v.size(); i += 2) { pt(i); AddBounds(r, v[i], v[i + 1], v[i] + 1, v[i + 1] + 1); }
      break;
    case EMR_POLYPOLYGON: {
      size_t first = 1 + static_cast<size_t>(v[0]);
      for (size_t i = first; i + 1 < v.size(); i += 2) { pt(i); AddBounds(r, v[i], v[i + 1], v[i] + 1, v[i + 1] + 1); }
      break;
    }
    case EMR_FILLRGN:
      for (size_t i = 0; i + 3 < v.size(); i += 4) { pt(i); pt(i + 2); AddBounds(r, v[i], v[i + 1], v[i + 2], v[i + 3]); }
      break;
    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_STRETCHDIBITS: {
      int x0 = dc->MapX(v[0]) - dc->Origin.x, y0 = dc->MapY(v[1]) - dc->Origin.y;
      int x1 = dc->MapX(v[0] + v[2]) - dc->Origin.x, y1 = dc->MapY(v[1] + v[3]) - dc->Origin.y;
      v[0] = x0; v[1] = y0; v[2] = x1 - x0; v[3] = y1 - y0;
      AddBounds(r, x0, y0, x1, y1);
      break;
    }
    default: break;
  }
}

TEnhMetaObj* Meta(HENHMETAFILE h) { return GdiAs<TEnhMetaObj>(h, OBJ_ENHMETAFILE); }

HENHMETAFILE NewMeta(std::vector<uint8_t>&& bytes) {
  auto* m = new TEnhMetaObj;
  m->Bytes = std::move(bytes);
  return static_cast<HENHMETAFILE>(GdiRegister(m, OBJ_ENHMETAFILE));
}

bool ValidBytes(const std::vector<uint8_t>& b) {
  if (b.size() < sizeof(ENHMETAHEADER)) return false;
  const auto* h = reinterpret_cast<const ENHMETAHEADER*>(b.data());
  if (h->iType != EMR_HEADER || h->dSignature != 0x464D4520 || h->nBytes != b.size()) return false;
  size_t at = 0;
  while (at < b.size()) {
    if (at + 8 > b.size()) return false;
    DWORD size;
    std::memcpy(&size, &b[at + 4], 4);
    if (size < 8 || size % 4 || at + size > b.size()) return false;
    at += size;
  }
  return true;
}

}  // namespace

void MetaRecord(HDC dc, DWORD type, const std::vector<int32_t>& params, const void* extra, size_t extraSize) {
  if (!dc->Rec) return;
  std::vector<int32_t> v = params;
  ToDevice(dc, type, v);
  std::vector<uint8_t> payload(v.size() * 4 + extraSize);
  if (!v.empty()) std::memcpy(payload.data(), v.data(), v.size() * 4);
  if (extraSize) std::memcpy(payload.data() + v.size() * 4, extra, extraSize);
  Append(*dc->Rec, type, payload.data(), payload.size());
}

// Objects are recorded when selected: a create record with a new handle index, then the select.
void MetaRecordObject(HDC dc, HGDIOBJ obj) {
  TMetaRecorder& r = *dc->Rec;
  TGdiObject* o = GdiLookup(obj);
  if (!o) return;
  DWORD ih = r.Handles++;
  switch (o->Type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: {
      auto* p = static_cast<TGdiPenObj*>(o);
      int32_t v[5] = {static_cast<int32_t>(ih), static_cast<int32_t>(p->Style), dc->ScaleX(p->Width), 0, static_cast<int32_t>(p->Color)};
      Append(r, EMR_CREATEPEN, v, sizeof v);
      break;
    }
    case OBJ_BRUSH: {
      auto* b = static_cast<TGdiBrushObj*>(o);
      // Pattern brushes are recorded as their average colour.
      COLORREF c = b->Color;
      UINT style = b->Style == BS_PATTERN ? BS_SOLID : b->Style;
      if (b->Style == BS_PATTERN && !b->PatColors.empty()) c = b->PatColors[0];
      int32_t v[4] = {static_cast<int32_t>(ih), static_cast<int32_t>(style), static_cast<int32_t>(c), b->Hatch};
      Append(r, EMR_CREATEBRUSHINDIRECT, v, sizeof v);
      break;
    }
    case OBJ_FONT: {
      auto* f = static_cast<TGdiFontObj*>(o);
      LOGFONTA lf = f->Lf;
      lf.lfHeight = dc->ScaleY(std::abs(lf.lfHeight)) * (lf.lfHeight < 0 ? -1 : 1);
      lf.lfWidth = dc->ScaleX(lf.lfWidth);
      std::vector<uint8_t> p(4 + sizeof lf);
      std::memcpy(p.data(), &ih, 4);
      std::memcpy(p.data() + 4, &lf, sizeof lf);
      Append(r, EMR_EXTCREATEFONTINDIRECTW, p.data(), p.size());
      break;
    }
    default:
      --r.Handles;
      return;
  }
  Append(r, EMR_SELECTOBJECT, &ih, 4);
}

void MetaRecordText(HDC dc, int x, int y, UINT options, const RECT* rc, const std::u16string& text, const INT* dx) {
  TMetaRecorder& r = *dc->Rec;
  EMREXTTEXTOUTW e{};
  e.emr.iType = EMR_EXTTEXTOUTW;
  e.iGraphicsMode = static_cast<DWORD>(dc->S.GraphicsMode);
  e.exScale = e.eyScale = 1.0f;
  POINT ref = (dc->S.TextAlign & TA_UPDATECP) ? dc->S.CurPos : POINT{x, y};
  e.emrtext.ptlReference = POINT{dc->MapX(ref.x) - dc->Origin.x, dc->MapY(ref.y) - dc->Origin.y};
  e.emrtext.nChars = static_cast<DWORD>(text.size());
  e.emrtext.fOptions = options;
  if (rc) {
    RECT d = dc->MapRect(rc->left, rc->top, rc->right, rc->bottom);
    OffsetRect(&d, -dc->Origin.x, -dc->Origin.y);
    e.emrtext.rcl = d;
  }
  // Advances in device units: given ones, or the font's.
  std::u32string u32;
  for (char16_t c : text) u32.push_back(c);
  std::vector<int32_t> adv(text.size());
  SIZE ext{0, 0};
  if (dx) {
    for (size_t i = 0; i < text.size(); ++i) adv[i] = dc->ScaleX(dx[i]);
  } else if (auto f = FaceOf(dc)) {
    std::vector<TPlacedGlyph> g;
    LayoutText(*f, TextToU32(text.data(), static_cast<int>(text.size())), g);
    for (size_t i = 0; i < text.size() && i < g.size(); ++i) adv[i] = static_cast<int32_t>((g[i].G.AdvX + 32) >> 6);
  }
  for (int32_t a : adv) ext.cx += a;
  TEXTMETRICA tm{};
  if (auto f = FaceOf(dc)) tm = *FaceMetrics(*f);
  ext.cy = tm.tmHeight;
  size_t textBytes = (text.size() * 2 + 3) & ~size_t(3);
  e.emrtext.offString = sizeof(EMREXTTEXTOUTW);
  e.emrtext.offDx = static_cast<DWORD>(sizeof(EMREXTTEXTOUTW) + textBytes);
  int left = e.emrtext.ptlReference.x, top = e.emrtext.ptlReference.y;
  UINT h = dc->S.TextAlign & (TA_CENTER | TA_RIGHT);
  if (h == TA_CENTER) left -= ext.cx / 2;
  else if (h == TA_RIGHT) left -= ext.cx;
  UINT v = dc->S.TextAlign & TA_BASELINE;
  if (v == TA_BASELINE) top -= tm.tmAscent;
  else if (v == TA_BOTTOM) top -= ext.cy;
  e.rclBounds = RECT{left, top, left + ext.cx, top + ext.cy};
  AddBounds(r, left, top, left + ext.cx, top + ext.cy);
  std::vector<uint8_t> p(sizeof e - 8 + textBytes + adv.size() * 4, 0);
  std::memcpy(p.data(), reinterpret_cast<const uint8_t*>(&e) + 8, sizeof e - 8);
  if (!text.empty()) std::memcpy(p.data() + sizeof e - 8, text.data(), text.size() * 2);
  if (!adv.empty()) std::memcpy(p.data() + sizeof e - 8 + textBytes, adv.data(), adv.size() * 4);
  Append(r, EMR_EXTTEXTOUTW, p.data(), p.size());
}

void MetaRecordBits(HDC dc, DWORD type, const std::vector<int32_t>& params, HDC src, int sx, int sy, int sw, int sh) {
  // The source pixels go with the record as a 32-bit top-down block: width, height, pixels.
  std::vector<int32_t> v = params;
  ToDevice(dc, type, v);
  std::vector<uint8_t> p(v.size() * 4);
  std::memcpy(p.data(), v.data(), p.size());
  int32_t wh[2] = {0, 0};
  std::vector<uint32_t> px;
  if (src && ValidDC(src) && src->Surf && sw != 0 && sh != 0) {
    int x0 = src->MapX(sx), y0 = src->MapY(sy), x1 = src->MapX(sx + sw), y1 = src->MapY(sy + sh);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    x0 = std::max(x0, 0); y0 = std::max(y0, 0);
    x1 = std::min(x1, src->Surf->Width); y1 = std::min(y1, src->Surf->Height);
    if (x1 > x0 && y1 > y0 && static_cast<int64_t>(x1 - x0) * (y1 - y0) <= (1 << 24)) {
      wh[0] = x1 - x0;
      wh[1] = y1 - y0;
      px.resize(static_cast<size_t>(wh[0]) * wh[1]);
      for (int y = y0; y < y1; ++y) LoadRGBRow(*src->Surf, y, x0, wh[0], &px[static_cast<size_t>(y - y0) * wh[0]]);
    }
  }
  size_t at = p.size();
  p.resize(at + 8 + px.size() * 4);
  std::memcpy(&p[at], wh, 8);
  if (!px.empty()) std::memcpy(&p[at + 8], px.data(), px.size() * 4);
  Append(*dc->Rec, type, p.data(), p.size());
}

void MetaDestroy(HDC dc) {
  delete dc->Rec;
  dc->Rec = nullptr;
}

HDC CreateEnhMetaFile(HDC ref, LPCSTR file, const RECT* frame, LPCSTR description) {
  HDC dc = CreateCompatibleDC(ref && ValidDC(ref) ? ref : nullptr);
  if (!dc) return nullptr;
  // A metafile DC draws nowhere; it only records (its initial bitmap is the shared stock one).
  dc->Kind = TDCKind::Metafile;
  dc->Bitmap = nullptr;
  dc->Surf = nullptr;
  dc->Touch();
  auto* r = new TMetaRecorder;
  if (file) r->File = file;
  if (description) r->Description = description;
  if (frame) r->Frame = *frame;
  if (ref && ValidDC(ref)) {
    r->DpiX = GetDeviceCaps(ref, LOGPIXELSX);
    r->DpiY = GetDeviceCaps(ref, LOGPIXELSY);
    r->Device = SIZE{GetDeviceCaps(ref, HORZRES), GetDeviceCaps(ref, VERTRES)};
  }
  dc->Rec = r;
  return dc;
}

HENHMETAFILE CloseEnhMetaFile(HDC dc) {
  if (!ValidDC(dc) || !dc->Rec) return nullptr;
  TMetaRecorder& r = *dc->Rec;
  Append(r, EMR_EOF, nullptr, 0);
  ENHMETAHEADER h{};
  h.iType = EMR_HEADER;
  h.nSize = sizeof h;
  h.rclBounds = r.HasBounds ? r.Bounds : RECT{0, 0, 0, 0};
  if (r.Frame.right > r.Frame.left && r.Frame.bottom > r.Frame.top) {
    h.rclFrame = r.Frame;
  } else {
    // The frame from the bounds, in 0.01 mm.
    RECT b = h.rclBounds;
    h.rclFrame = RECT{MulDiv(b.left, 2540, r.DpiX), MulDiv(b.top, 2540, r.DpiY), MulDiv(b.right, 2540, r.DpiX), MulDiv(b.bottom, 2540, r.DpiY)};
  }
  h.dSignature = 0x464D4520;  // " EMF"
  h.nVersion = 0x10000;
  h.nRecords = r.Records + 1;
  h.nHandles = static_cast<WORD>(std::min<DWORD>(r.Handles, 0xFFFF));
  h.szlDevice = r.Device;
  h.szlMillimeters = SIZE{MulDiv(r.Device.cx, 254, r.DpiX * 10), MulDiv(r.Device.cy, 254, r.DpiY * 10)};
  std::vector<uint8_t> bytes(sizeof h);
  bytes.insert(bytes.end(), r.Bytes.begin(), r.Bytes.end());
  h.nBytes = static_cast<DWORD>(bytes.size());
  std::memcpy(bytes.data(), &h, sizeof h);
  std::string file = r.File;
  DeleteDC(dc);
  if (!file.empty()) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return nullptr;
  }
  return NewMeta(std::move(bytes));
}

BOOL DeleteEnhMetaFile(HENHMETAFILE mf) {
  TEnhMetaObj* m = Meta(mf);
  if (!m) return FALSE;
  GdiDestroy(m);
  return TRUE;
}

HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE mf, LPCSTR file) {
  TEnhMetaObj* m = Meta(mf);
  if (!m) return nullptr;
  if (file) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(m->Bytes.data()), static_cast<std::streamsize>(m->Bytes.size()));
    if (!out) return nullptr;
  }
  return NewMeta(std::vector<uint8_t>(m->Bytes));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
  if (!data) return nullptr;
  std::vector<uint8_t> b(data, data + size);
  if (!ValidBytes(b)) return nullptr;
  return NewMeta(std::move(b));
}

HENHMETAFILE GetEnhMetaFile(LPCSTR file) {
  if (!file) return nullptr;
  std::ifstream in(file, std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!ValidBytes(b)) return nullptr;
  return NewMeta(std::move(b));
}

UINT GetEnhMetaFileBits(HENHMETAFILE mf, UINT size, BYTE* out) {
  TEnhMetaObj* m = Meta(mf);
  if (!m) return 0;
  if (!out) return static_cast<UINT>(m->Bytes.size());
  if (size < m->Bytes.size()) return 0;
  std::memcpy(out, m->Bytes.data(), m->Bytes.size());
  return static_cast<UINT>(m->Bytes.size());
}

UINT GetEnhMetaFileHeader(HENHMETAFILE mf, UINT size, ENHMETAHEADER* out) {
  TEnhMetaObj* m = Meta(mf);
  if (!m) return 0;
  if (!out) return sizeof(ENHMETAHEADER);
  if (size < sizeof(ENHMETAHEADER)) return 0;
  std::memcpy(out, m->Bytes.data(), sizeof(ENHMETAHEADER));
  return sizeof(ENHMETAHEADER);
}

// ---- Playback ----
namespace {

struct TPlayer {
  HDC Dc;
  double SX = 1, SY = 1, OX = 0, OY = 0;  // device = O + (recorded - frame origin) * S
  double FX = 0, FY = 0;
  std::vector<HGDIOBJ> Handles;
  HGDIOBJ OldPen = nullptr, OldBrush = nullptr, OldFont = nullptr;
  int Saved = 0;

  int X(double v) const { return static_cast<int>(std::lround(OX + (v - FX) * SX)); }
  int Y(double v) const { return static_cast<int>(std::lround(OY + (v - FY) * SY)); }
  int W(double v) const { return static_cast<int>(std::lround(v * std::fabs(SX))); }
  int H(double v) const { return static_cast<int>(std::lround(v * std::fabs(SY))); }

  void Select(DWORD ih, HGDIOBJ obj) {
    if (ih >= Handles.size()) Handles.resize(ih + 1, nullptr);
    if (Handles[ih]) DeleteObject(Handles[ih]);  // goes once deselected
    Handles[ih] = obj;
  }

  void Play(const ENHMETARECORD* rec) {
    const auto* p = reinterpret_cast<const int32_t*>(reinterpret_cast<const uint8_t*>(rec) + 8);
    size_t n = (rec->nSize - 8) / 4;
    auto need = [&](size_t k) { return n >= k; };
    switch (rec->iType) {
      case EMR_CREATEPEN:
        if (need(5)) Select(static_cast<DWORD>(p[0]), CreatePen(p[1] & PS_STYLE_MASK, W(p[2]), static_cast<COLORREF>(p[4])));
        break;
      case EMR_CREATEBRUSHINDIRECT:
        if (need(4)) {
          LOGBRUSH lb{static_cast<UINT>(p[1]), static_cast<COLORREF>(p[2]), static_cast<uintptr_t>(p[3])};
          Select(static_cast<DWORD>(p[0]), CreateBrushIndirect(&lb));
        }
        break;
      case EMR_EXTCREATEFONTINDIRECTW:
        if (rec->nSize >= 8 + 4 + sizeof(LOGFONTA)) {
          LOGFONTA lf;
          std::memcpy(&lf, reinterpret_cast<const uint8_t*>(p) + 4, sizeof lf);
          lf.lfHeight = H(std::abs(lf.lfHeight)) * (lf.lfHeight < 0 ? -1 : 1);
          if (lf.lfHeight == 0) lf.lfHeight = -1;
          lf.lfWidth = W(lf.lfWidth);
          Select(static_cast<DWORD>(p[0]), CreateFontIndirect(&lf));
        }
        break;
      case EMR_SELECTOBJECT:
        if (need(1) && static_cast<size_t>(p[0]) < Handles.size() && Handles[p[0]]) SelectObject(Dc, Handles[p[0]]);
        break;
      case EMR_SETTEXTCOLOR: if (need(1)) SetTextColor(Dc, static_cast<COLORREF>(p[0])); break;
      case EMR_SETBKCOLOR: if (need(1)) SetBkColor(Dc, static_cast<COLORREF>(p[0])); break;
      case EMR_SETBKMODE: if (need(1)) SetBkMode(Dc, p[0]); break;
      case EMR_SETROP2: if (need(1)) SetROP2(Dc, p[0]); break;
      case EMR_SETPOLYFILLMODE: if (need(1)) SetPolyFillMode(Dc, p[0]); break;
      case EMR_SETSTRETCHBLTMODE: if (need(1)) SetStretchBltMode(Dc, p[0]); break;
      case EMR_SETTEXTALIGN: if (need(1)) SetTextAlign(Dc, static_cast<UINT>(p[0])); break;
      case EMR_SAVEDC: SaveDC(Dc); ++Saved; break;
      case EMR_RESTOREDC:
        if (Saved > 0 && need(1)) { RestoreDC(Dc, -1); --Saved; }
        break;
      case EMR_MOVETOEX: if (need(2)) MoveToEx(Dc, X(p[0]), Y(p[1]), nullptr); break;
      case EMR_LINETO: if (need(2)) LineTo(Dc, X(p[0]), Y(p[1])); break;
      case EMR_SETPIXELV: if (need(3)) SetPixelV(Dc, X(p[0]), Y(p[1]), static_cast<COLORREF>(p[2])); break;
      case EMR_RECTANGLE: if (need(4)) Rectangle(Dc, X(p[0]), Y(p[1]), X(p[2]), Y(p[3])); break;
      case EMR_ELLIPSE: if (need(4)) Ellipse(Dc, X(p[0]), Y(p[1]), X(p[2]), Y(p[3])); break;
      case EMR_ROUNDRECT: if (need(6)) RoundRect(Dc, X(p[0]), Y(p[1]), X(p[2]), Y(p[3]), W(p[4]), H(p[5])); break;
      case EMR_ARC: case EMR_CHORD: case EMR_PIE:
        if (need(8)) {
          auto fn = rec->iType == EMR_ARC ? &Arc : rec->iType == EMR_CHORD ? &Chord : &Pie;
          fn(Dc, X(p[0]), Y(p[1]), X(p[2]), Y(p[3]), X(p[4]), Y(p[5]), X(p[6]), Y(p[7]));
        }
        break;
      case EMR_EXCLUDECLIPRECT: if (need(4)) ExcludeClipRect(Dc, X(p[0]), Y(p[1]), X(p[2]), Y(p[3])); break;
      case EMR_INTERSECTCLIPRECT: if (need(4)) IntersectClipRect(Dc, X(p[0]), Y(p[1]), X(p[2]), Y(p[3])); break;
      case EMR_POLYLINE: case EMR_POLYGON:
        if (need(1) && p[0] >= 0 && n >= 1 + 2 * static_cast<size_t>(p[0])) {
          std::vector<POINT> pts(static_cast<size_t>(p[0]));
          for (int i = 0; i < p[0]; ++i) pts[i] = POINT{X(p[1 + 2 * i]), Y(p[2 + 2 * i])};
          if (rec->iType == EMR_POLYLINE) Polyline(Dc, pts.data(), p[0]);
          else Polygon(Dc, pts.data(), p[0]);
        }
        break;
      case EMR_POLYPOLYGON:
        if (need(1) && p[0] > 0 && n >= 1 + static_cast<size_t>(p[0])) {
          std::vector<INT> counts(p + 1, p + 1 + p[0]);
          size_t total = 0;
          for (INT c : counts) total += static_cast<size_t>(std::max(c, 0));
          if (n >= 1 + counts.size() + 2 * total) {
            std::vector<POINT> pts(total);
            const int32_t* q = p + 1 + counts.size();
            for (size_t i = 0; i < total; ++i) pts[i] = POINT{X(q[2 * i]), Y(q[2 * i + 1])};
            PolyPolygon(Dc, pts.data(), counts.data(), static_cast<int>(counts.size()));
          }
        }
        break;
      case EMR_FILLRECT_PRIVATE:
        if (need(4)) {
          RECT r{X(p[0]), Y(p[1]), X(p[2]), Y(p[3])};
          FillRect(Dc, &r, static_cast<HBRUSH>(GetCurrentObject(Dc, OBJ_BRUSH)));
        }
        break;
      case EMR_FILLRGN:
        for (size_t i = 0; i + 3 < n; i += 4) {
          RECT r{X(p[i]), Y(p[i + 1]), X(p[i + 2]), Y(p[i + 3])};
          FillRect(Dc, &r, static_cast<HBRUSH>(GetCurrentObject(Dc, OBJ_BRUSH)));
        }
        break;
      case EMR_EXTTEXTOUTW: {
        if (rec->nSize < sizeof(EMREXTTEXTOUTW)) break;
        EMREXTTEXTOUTW e;
        std::memcpy(&e, rec, sizeof e);
        const auto* base = reinterpret_cast<const uint8_t*>(rec);
        DWORD nc = e.emrtext.nChars;
        if (e.emrtext.offString + nc * 2ull > rec->nSize) break;
        std::u16string text(nc, u'\0');
        std::memcpy(text.data(), base + e.emrtext.offString, nc * 2);
        std::vector<INT> dx;
        if (e.emrtext.offDx && e.emrtext.offDx + nc * 4ull <= rec->nSize) {
          dx.resize(nc);
          std::memcpy(dx.data(), base + e.emrtext.offDx, nc * 4);
          for (INT& d : dx) d = W(d);
        }
        RECT rc{X(e.emrtext.rcl.left), Y(e.emrtext.rcl.top), X(e.emrtext.rcl.right), Y(e.emrtext.rcl.bottom)};
        bool hasRect = e.emrtext.rcl.right > e.emrtext.rcl.left;
        ExtTextOutW(Dc, X(e.emrtext.ptlReference.x), Y(e.emrtext.ptlReference.y), e.emrtext.fOptions, hasRect ? &rc : nullptr,
                    text.data(), nc, dx.empty() ? nullptr : dx.data());
        break;
      }
      case EMR_BITBLT:
        if (need(5)) PatBlt(Dc, X(p[0]), Y(p[1]), W(p[2]) * (p[2] < 0 ? -1 : 1), H(p[3]) * (p[3] < 0 ? -1 : 1), static_cast<DWORD>(p[4]));
        break;
      case EMR_STRETCHBLT:
      case EMR_STRETCHDIBITS:
        if (need(7)) {
          int w = p[5], h = p[6];
          if (w <= 0 || h <= 0 || n < 7 + static_cast<size_t>(w) * h) break;
          BITMAPINFO bi{};
          bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
          int dx0 = X(p[0]), dy0 = Y(p[1]), dx1 = X(p[0] + p[2]), dy1 = Y(p[1] + p[3]);
          StretchDIBits(Dc, dx0, dy0, dx1 - dx0, dy1 - dy0, 0, 0, w, h, p + 7, &bi, DIB_RGB_COLORS, static_cast<DWORD>(p[4]));
        }
        break;
      default: break;
    }
  }
};

BOOL Enumerate(HDC dc, TEnhMetaObj* m, const RECT* rc, ENHMFENUMPROC proc, void* data) {
  const ENHMETAHEADER* h = HeaderOf(m);
  TPlayer pl;
  pl.Dc = dc;
  if (rc && dc) {
    // The picture frame (0.01 mm) in recorded device units, mapped onto rc.
    double dpx = h->szlMillimeters.cx ? h->szlDevice.cx / (h->szlMillimeters.cx * 100.0) : ScreenDpi / 2540.0;
    double dpy = h->szlMillimeters.cy ? h->szlDevice.cy / (h->szlMillimeters.cy * 100.0) : ScreenDpi / 2540.0;
    double fl = h->rclFrame.left * dpx, ft = h->rclFrame.top * dpy;
    double fw = (h->rclFrame.right - h->rclFrame.left) * dpx, fh = (h->rclFrame.bottom - h->rclFrame.top) * dpy;
    pl.FX = fl;
    pl.FY = ft;
    pl.OX = rc->left;
    pl.OY = rc->top;
    pl.SX = fw > 0 ? (rc->right - rc->left) / fw : 1;
    pl.SY = fh > 0 ? (rc->bottom - rc->top) / fh : 1;
  }
  int saved = dc ? SaveDC(dc) : 0;
  std::vector<HGDIOBJ> table(std::max<size_t>(h->nHandles, 1), nullptr);
  size_t at = 0;
  BOOL ok = TRUE;
  while (at + 8 <= m->Bytes.size()) {
    const auto* rec = reinterpret_cast<const ENHMETARECORD*>(&m->Bytes[at]);
    if (rec->nSize < 8 || at + rec->nSize > m->Bytes.size()) break;
    if (proc) {
      if (!proc(dc, reinterpret_cast<HANDLETABLE*>(table.data()), rec, static_cast<int>(table.size()), reinterpret_cast<LPARAM>(data))) {
        ok = FALSE;
        break;
      }
    } else if (dc) {
      pl.Play(rec);
    }
    at += rec->nSize;
  }
  if (dc) {
    for (int i = 0; i < pl.Saved; ++i) RestoreDC(dc, -1);
    RestoreDC(dc, saved);
    for (HGDIOBJ o : pl.Handles)
      if (o) DeleteObject(o);
  }
  return ok;
}

}  // namespace

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE mf, const RECT* rc) {
  TEnhMetaObj* m = Meta(mf);
  if (!ValidDC(dc) || !m || !rc) return FALSE;
  return Enumerate(dc, m, rc, nullptr, nullptr);
}

BOOL EnumEnhMetaFile(HDC dc, HENHMETAFILE mf, ENHMFENUMPROC proc, void* data, const RECT* rc) {
  TEnhMetaObj* m = Meta(mf);
  if (!m || !proc) return FALSE;
  if (dc && !ValidDC(dc)) return FALSE;
  return Enumerate(dc, m, rc, proc, data);
}

BOOL PlayEnhMetaFileRecord(HDC dc, HANDLETABLE*, const ENHMETARECORD* rec, UINT) {
  if (!ValidDC(dc) || !rec) return FALSE;
  TPlayer pl;
  pl.Dc = dc;
  pl.Play(rec);
  for (HGDIOBJ o : pl.Handles)
    if (o) DeleteObject(o);
  return TRUE;
}

std::string GetEnhMetaRecordText(const ENHMETARECORD* rec) {
  if (!rec || (rec->iType != EMR_EXTTEXTOUTW && rec->iType != EMR_EXTTEXTOUTA) || rec->nSize < sizeof(EMREXTTEXTOUTW)) return {};
  EMREXTTEXTOUTW e;
  std::memcpy(&e, rec, sizeof e);
  DWORD nc = e.emrtext.nChars;
  if (e.emrtext.offString + nc * 2ull > rec->nSize) return {};
  std::u16string text(nc, u'\0');
  std::memcpy(text.data(), reinterpret_cast<const uint8_t*>(rec) + e.emrtext.offString, nc * 2);
  return U32ToUtf8(TextToU32(text.data(), static_cast<int>(nc)));
}
