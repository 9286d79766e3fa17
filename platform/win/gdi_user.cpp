// User-level drawing: system colours and metrics, FillRect and friends, edges, focus
// rectangles, frame controls and DrawText.
#include <algorithm>
#include <cstring>

#include "platform/win/gdi_text.h"
#include "platform/win/gdi_user.h"
#include "platform/win/winuser.h"

namespace {

std::mutex& SysLock() {
  static std::mutex m;
  return m;
}

// The colour scheme of the original desktop the program was designed on.
COLORREF gSysColors[COLOR_ENDCOLORS + 1] = {
    RGB(212, 208, 200), RGB(0, 78, 152),    RGB(0, 84, 227),    RGB(122, 150, 223), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(49, 106, 197),  RGB(255, 255, 255),
    RGB(236, 233, 216), RGB(172, 168, 153), RGB(172, 168, 153), RGB(0, 0, 0),       RGB(216, 228, 248),
    RGB(255, 255, 255), RGB(113, 111, 100), RGB(241, 239, 226), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(61, 149, 255),  RGB(157, 185, 235), RGB(49, 106, 197),
    RGB(236, 233, 216)};
HBRUSH gSysBrushes[COLOR_ENDCOLORS + 1] = {};

// A brush argument that is a system colour index + 1 stands for that colour's brush.
HBRUSH RealBrush(HBRUSH br) {
  auto v = reinterpret_cast<uintptr_t>(br);
  if (v >= 1 && v <= COLOR_ENDCOLORS + 1) return GetSysColorBrush(static_cast<int>(v - 1));
  return br;
}

TPaint CopyPaint(HDC dc, HBRUSH br) {
  TPaint p = BrushPaint(dc, RealBrush(br));
  p.Rop2 = R2_COPYPEN;
  return p;
}

void FillDeviceRect(HDC dc, RECT r, COLORREF c) {
  TPaint p = SolidPaint(dc, c);
  p.Rop2 = R2_COPYPEN;
  PaintRect(dc, r, p);
}

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index > COLOR_ENDCOLORS) return 0;
  std::lock_guard<std::mutex> g(SysLock());
  return gSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > COLOR_ENDCOLORS) return nullptr;
  std::lock_guard<std::mutex> g(SysLock());
  if (!gSysBrushes[index]) {
    gSysBrushes[index] = CreateSolidBrush(gSysColors[index]);
    if (TGdiObject* o = GdiLookup(gSysBrushes[index])) o->Stock = true;
  }
  return gSysBrushes[index];
}

BOOL SetSysColors(int count, const INT* idx, const COLORREF* colours) {
  if (!idx || !colours) return FALSE;
  std::lock_guard<std::mutex> g(SysLock());
  for (int i = 0; i < count; ++i) {
    if (idx[i] < 0 || idx[i] > COLOR_ENDCOLORS) continue;
    gSysColors[idx[i]] = colours[i] & 0xFFFFFF;
    if (auto* b = GdiAs<TGdiBrushObj>(gSysBrushes[idx[i]], OBJ_BRUSH)) b->Color = colours[i] & 0xFFFFFF;
  }
  return TRUE;
}

namespace {
// The primary monitor's rectangle, or the bounding box of all monitors.
RECT MonitorBox(bool all) {
  if (!all) {
    MONITORINFO mi;
    if (GetMonitorInfo(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return mi.rcMonitor;
    return RECT{0, 0, ScreenWidth, ScreenHeight};
  }
  RECT box{};
  EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR, HDC, RECT* r, LPARAM p) -> BOOL {
    auto* b = reinterpret_cast<RECT*>(p);
    if (IsRectEmpty(b)) *b = *r;
    else UnionRect(b, b, r);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&box));
  return box;
}

int MonitorCount() {
  int n = 0;
  EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR, HDC, RECT*, LPARAM p) -> BOOL {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&n));
  return n;
}
}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: { RECT r = MonitorBox(false); return r.right - r.left; }
    case SM_CYSCREEN: { RECT r = MonitorBox(false); return r.bottom - r.top; }
    case SM_XVIRTUALSCREEN: return MonitorBox(true).left;
    case SM_YVIRTUALSCREEN: return MonitorBox(true).top;
    case SM_CXVIRTUALSCREEN: { RECT r = MonitorBox(true); return r.right - r.left; }
    case SM_CYVIRTUALSCREEN: { RECT r = MonitorBox(true); return r.bottom - r.top; }
    case SM_CMONITORS: return MonitorCount();
    case SM_CXFULLSCREEN: return ScreenWidth;
    case SM_CYFULLSCREEN: return ScreenHeight - 26 - 30;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVTHUMB: case SM_CXHTHUMB:
    case SM_CYVSCROLL: case SM_CXHSCROLL: return 17;
    case SM_CYCAPTION: return 26;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXMENUSIZE: case SM_CYMENUSIZE: return 18;
    case SM_CXSIZE: case SM_CYSIZE: return 25;
    case SM_CYSMCAPTION: case SM_CXSMSIZE: case SM_CYSMSIZE: return 17;
    case SM_CXMIN: case SM_CXMINTRACK: return 112;
    case SM_CYMIN: case SM_CYMINTRACK: return 27;
    // The largest a window may be sized to: the whole virtual screen and a sizing frame beyond.
    case SM_CXMAXTRACK: { RECT r = MonitorBox(true); return r.right - r.left + 12; }
    case SM_CYMAXTRACK: { RECT r = MonitorBox(true); return r.bottom - r.top + 12; }
    case SM_CXMAXIMIZED: return ScreenWidth + 8;
    case SM_CYMAXIMIZED: return ScreenHeight - 30 + 8;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXICONSPACING: case SM_CYICONSPACING: return 75;
    case SM_CXMENUCHECK: case SM_CYMENUCHECK: return 13;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_SWAPBUTTON: case SM_REMOTESESSION: return 0;
    default: return 0;
  }
}

int FillRect(HDC dc, const RECT* r, HBRUSH br) {
  if (!ValidDC(dc) || !r || !GdiAs<TGdiBrushObj>(RealBrush(br), OBJ_BRUSH)) return 0;
  if (dc->Rec) {
    MetaRecordObject(dc, RealBrush(br));
    MetaRecord(dc, EMR_FILLRECT_PRIVATE, {r->left, r->top, r->right, r->bottom});
  }
  PaintRect(dc, dc->MapRect(r->left, r->top, r->right, r->bottom), CopyPaint(dc, br));
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH br) {
  if (!ValidDC(dc) || !r || !GdiAs<TGdiBrushObj>(RealBrush(br), OBJ_BRUSH)) return 0;
  RECT d = dc->MapRect(r->left, r->top, r->right, r->bottom);
  if (IsRectEmpty(&d)) return 1;
  TPaint p = CopyPaint(dc, br);
  TRegion ring = FrameOf(TRegion::FromRect(d), 1, 1);
  PaintRegion(dc, ring, p);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* r) {
  if (!ValidDC(dc) || !r) return FALSE;
  TPaint p;
  p.Null = !dc->Surf;
  p.Rop2 = R2_NOT;
  PaintRect(dc, dc->MapRect(r->left, r->top, r->right, r->bottom), p);
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* r) {
  if (!ValidDC(dc) || !r) return FALSE;
  if (!dc->Surf) return TRUE;
  RECT d = dc->MapRect(r->left, r->top, r->right, r->bottom);
  if (IsRectEmpty(&d)) return TRUE;
  // Every other pixel of the one-pixel frame is inverted, so a second call restores it.
  TRegion ring = TRegion::Combine(FrameOf(TRegion::FromRect(d), 1, 1), dc->Clip(), RGN_AND);
  TPaint p;
  p.Null = false;
  p.Rop2 = R2_NOT;
  for (const TBand& b : ring.Bands)
    for (int y = b.top; y < b.bottom; ++y)
      for (const TSpan& s : b.spans)
        for (int x = s.x0; x < s.x1; ++x)
          if (((x + y) & 1) == 0) PaintSpan(*dc->Surf, y, x, x + 1, p);
  return TRUE;
}

namespace {
// One ring of an edge: top/left in one colour, bottom/right in another (device rect).
void EdgeRing(HDC dc, const RECT& d, UINT flags, COLORREF lt, COLORREF rb) {
  if (flags & BF_TOP) FillDeviceRect(dc, RECT{d.left, d.top, d.right - 1, d.top + 1}, lt);
  if (flags & BF_LEFT) FillDeviceRect(dc, RECT{d.left, d.top, d.left + 1, d.bottom - 1}, lt);
  if (flags & BF_BOTTOM) FillDeviceRect(dc, RECT{d.left, d.bottom - 1, d.right, d.bottom}, rb);
  if (flags & BF_RIGHT) FillDeviceRect(dc, RECT{d.right - 1, d.top, d.right, d.bottom}, rb);
}
}  // namespace

BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags) {
  if (!ValidDC(dc) || !r) return FALSE;
  RECT d = dc->MapRect(r->left, r->top, r->right, r->bottom);
  UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  auto colours = [&](UINT bdr, bool isOuter, COLORREF& lt, COLORREF& rb) {
    if (flags & BF_MONO) { lt = rb = GetSysColor(COLOR_WINDOWFRAME); return; }
    if (flags & BF_FLAT) { lt = rb = GetSysColor(COLOR_BTNSHADOW); return; }
    bool raised = bdr & (BDR_RAISEDOUTER | BDR_RAISEDINNER);
    if (isOuter) {
      lt = GetSysColor(raised ? (flags & BF_SOFT ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT) : COLOR_BTNSHADOW);
      rb = GetSysColor(raised ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT);
    } else {
      lt = GetSysColor(raised ? (flags & BF_SOFT ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT) : COLOR_3DDKSHADOW);
      rb = GetSysColor(raised ? COLOR_BTNSHADOW : COLOR_3DLIGHT);
    }
  };
  RECT cur = d;
  COLORREF lt, rb;
  if (outer) {
    colours(outer, true, lt, rb);
    EdgeRing(dc, cur, flags, lt, rb);
  }
  auto shrink = [&](RECT& q) {
    if (flags & BF_LEFT) ++q.left;
    if (flags & BF_TOP) ++q.top;
    if (flags & BF_RIGHT) --q.right;
    if (flags & BF_BOTTOM) --q.bottom;
  };
  if (outer) shrink(cur);
  if (inner && !(flags & (BF_MONO | BF_FLAT))) {
    colours(inner, false, lt, rb);
    EdgeRing(dc, cur, flags, lt, rb);
    shrink(cur);
  } else if (inner) {
    shrink(cur);
  }
  if (flags & BF_MIDDLE) FillDeviceRect(dc, cur, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) {
    POINT p[2] = {{cur.left - dc->Origin.x, cur.top - dc->Origin.y}, {cur.right - dc->Origin.x, cur.bottom - dc->Origin.y}};
    DPtoLP(dc, p, 2);
    *r = RECT{p[0].x, p[0].y, p[1].x, p[1].y};
  }
  return TRUE;
}

BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state) {
  if (!ValidDC(dc) || !r) return FALSE;
  RECT box = *r;
  bool inactive = state & DFCS_INACTIVE, pushed = state & DFCS_PUSHED, checked = state & DFCS_CHECKED;
  COLORREF glyph = GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  RECT d = dc->MapRect(box.left, box.top, box.right, box.bottom);
  int w = d.right - d.left, h = d.bottom - d.top;
  if (w <= 0 || h <= 0) return TRUE;
  auto plot = [&](int x, int y, COLORREF c) { FillDeviceRect(dc, RECT{x, y, x + 1, y + 1}, c); };
  if (type == DFC_BUTTON) {
    UINT kind = state & 0xFF;
    if (kind == DFCS_BUTTONPUSH) {
      FillDeviceRect(dc, d, GetSysColor(COLOR_BTNFACE));
      DrawEdge(dc, &box, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | (state & DFCS_FLAT ? static_cast<UINT>(BF_FLAT) : 0u));
      return TRUE;
    }
    // Check boxes and radio buttons: a 13-pixel square (or circle) centred in the rectangle.
    int s = std::min({w, h, 13});
    RECT q{d.left + (w - s) / 2, d.top + (h - s) / 2, 0, 0};
    q.right = q.left + s;
    q.bottom = q.top + s;
    COLORREF face = GetSysColor(inactive || pushed ? COLOR_BTNFACE : COLOR_WINDOW);
    if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
      TRegion disc = EllipseRegion(q.left, q.top, q.right, q.bottom);
      PaintRegion(dc, FrameOf(disc, 1, 1), SolidPaint(dc, GetSysColor(COLOR_BTNSHADOW)));
      TRegion in = EllipseRegion(q.left + 1, q.top + 1, q.right - 1, q.bottom - 1);
      TPaint fp = SolidPaint(dc, face);
      fp.Rop2 = R2_COPYPEN;
      PaintRegion(dc, in, fp);
      if (checked) {
        int c = s / 3;
        TPaint gp = SolidPaint(dc, glyph);
        gp.Rop2 = R2_COPYPEN;
        PaintRegion(dc, EllipseRegion(q.left + c, q.top + c, q.right - c, q.bottom - c), gp);
      }
      return TRUE;
    }
    RECT qe = q;
    POINT p[2] = {{qe.left - dc->Origin.x, qe.top - dc->Origin.y}, {qe.right - dc->Origin.x, qe.bottom - dc->Origin.y}};
    DPtoLP(dc, p, 2);
    RECT lq{p[0].x, p[0].y, p[1].x, p[1].y};
    DrawEdge(dc, &lq, EDGE_SUNKEN, BF_RECT | (state & DFCS_FLAT ? static_cast<UINT>(BF_FLAT) : 0u) | (state & DFCS_MONO ? static_cast<UINT>(BF_MONO) : 0u));
    FillDeviceRect(dc, RECT{q.left + 2, q.top + 2, q.right - 2, q.bottom - 2}, face);
    if (checked) {
      // The tick: a 7x7 check mark, 3 pixels thick.
      int ox = q.left + (s - 7) / 2, oy = q.top + (s - 7) / 2;
      static const int ys[7] = {2, 3, 4, 3, 2, 1, 0};
      for (int i = 0; i < 7; ++i)
        for (int k = 0; k < 3; ++k) plot(ox + i, oy + ys[i] + k, glyph);
    }
    return TRUE;
  }
  // Caption, scroll and menu buttons: a face with a glyph.
  if (type != DFC_MENU) {
    FillDeviceRect(dc, d, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &box, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | (state & DFCS_FLAT ? static_cast<UINT>(BF_FLAT) : 0u));
  }
  int cx = d.left + w / 2 + (pushed ? 1 : 0), cy = d.top + h / 2 + (pushed ? 1 : 0);
  int g = std::max(2, std::min(w, h) / 4);
  UINT kind = state & 0xFF;
  if (type == DFC_CAPTION) {
    if (kind == DFCS_CAPTIONCLOSE) {
      for (int i = -g; i <= g; ++i) {
        plot(cx + i, cy + i, glyph); plot(cx + i + 1, cy + i, glyph);
        plot(cx + i, cy - i, glyph); plot(cx + i + 1, cy - i, glyph);
      }
    } else if (kind == DFCS_CAPTIONMIN) {
      FillDeviceRect(dc, RECT{cx - g, cy + g - 1, cx + g, cy + g + 1}, glyph);
    } else {
      FillDeviceRect(dc, RECT{cx - g, cy - g, cx + g, cy - g + 2}, glyph);
      RECT f{cx - g, cy - g, cx + g, cy + g};
      PaintRegion(dc, FrameOf(TRegion::FromRect(f), 1, 1), SolidPaint(dc, glyph));
    }
    return TRUE;
  }
  if (type == DFC_SCROLL || type == DFC_MENU) {
    // A filled triangle pointing the button's way.
    int dir = kind == DFCS_SCROLLUP ? 0 : kind == DFCS_SCROLLDOWN || kind == DFCS_SCROLLCOMBOBOX ? 1 : kind == DFCS_SCROLLLEFT ? 2 : 3;
    if (type == DFC_MENU) {
      if (kind == DFCS_MENUCHECK) {
        for (int i = 0; i < 7; ++i)
          for (int k = 0; k < 3; ++k) plot(cx - 3 + i, cy - 2 + (i < 2 ? i : i < 3 ? 2 : 5 - i) + k, glyph);
        return TRUE;
      }
      if (kind == DFCS_MENUBULLET) {
        TPaint gp = SolidPaint(dc, glyph);
        gp.Rop2 = R2_COPYPEN;
        PaintRegion(dc, EllipseRegion(cx - 3, cy - 3, cx + 3, cy + 3), gp);
        return TRUE;
      }
      dir = 3;
    }
    int k = std::max(2, g);
    for (int i = 0; i < k; ++i) {
      switch (dir) {
        case 0: FillDeviceRect(dc, RECT{cx - i, cy - k / 2 + i, cx + i + 1, cy - k / 2 + i + 1}, glyph); break;
        case 1: FillDeviceRect(dc, RECT{cx - (k - 1 - i), cy - k / 2 + i, cx + (k - 1 - i) + 1, cy - k / 2 + i + 1}, glyph); break;
        case 2: FillDeviceRect(dc, RECT{cx - k / 2 + i, cy - i, cx - k / 2 + i + 1, cy + i + 1}, glyph); break;
        default: FillDeviceRect(dc, RECT{cx - k / 2 + i, cy - (k - 1 - i), cx - k / 2 + i + 1, cy + (k - 1 - i) + 1}, glyph); break;
      }
    }
  }
  return TRUE;
}

// ---- DrawText ----
namespace {

struct TLine {
  std::u32string Text;
  int Underline = -1;  // index of the prefixed character in Text
};

// Tab stops of the text being formatted (0: tabs are ordinary characters). DrawText runs on
// one thread per DC, and sets and clears this around its work.
thread_local int tTabWidth = 0;

// Width of a line; with tab expansion each tab moves to the next multiple of the tab width.
int Width(HDC dc, const std::u32string& s) {
  if (tTabWidth <= 0 || s.find(U'\t') == std::u32string::npos) return TextExtentU32(dc, s).cx;
  int x = 0;
  size_t start = 0;
  for (;;) {
    size_t tab = s.find(U'\t', start);
    x += TextExtentU32(dc, s.substr(start, tab == std::u32string::npos ? std::u32string::npos : tab - start)).cx;
    if (tab == std::u32string::npos) return x;
    x = (x / tTabWidth + 1) * tTabWidth;
    start = tab + 1;
  }
}

// Draws a line, segment by segment between tabs when they expand.
void DrawLine(HDC dc, int x, int y, UINT options, const std::u32string& s) {
  if (tTabWidth <= 0 || s.find(U'\t') == std::u32string::npos) {
    TextOutU32(dc, x, y, options, nullptr, s, nullptr);
    return;
  }
  size_t start = 0;
  int pos = 0;
  for (;;) {
    size_t tab = s.find(U'\t', start);
    std::u32string seg = s.substr(start, tab == std::u32string::npos ? std::u32string::npos : tab - start);
    TextOutU32(dc, x + pos, y, options, nullptr, seg, nullptr);
    pos += TextExtentU32(dc, seg).cx;
    if (tab == std::u32string::npos) return;
    pos = (pos / tTabWidth + 1) * tTabWidth;
    start = tab + 1;
  }
}

bool BreakableCJK(char32_t c) { return c >= 0x2E80 && c < 0xFFEF; }

// Cuts a line to fit maxW, ending it with "...".
std::u32string EndEllipsis(HDC dc, const std::u32string& s, int maxW, bool words) {
  const std::u32string dots = U"...";
  if (Width(dc, s) <= maxW) return s;
  std::u32string cut = s;
  while (!cut.empty()) {
    cut.pop_back();
    if (words) {
      size_t sp = cut.find_last_of(U' ');
      cut = sp == std::u32string::npos ? std::u32string() : cut.substr(0, sp);
    }
    if (Width(dc, cut + dots) <= maxW) break;
  }
  return cut + dots;
}

std::u32string PathEllipsis(HDC dc, const std::u32string& s, int maxW) {
  if (Width(dc, s) <= maxW) return s;
  size_t slash = s.find_last_of(U"\\/");
  if (slash == std::u32string::npos) return EndEllipsis(dc, s, maxW, false);
  std::u32string head = s.substr(0, slash), tail = s.substr(slash);
  while (!head.empty()) {
    head.pop_back();
    if (Width(dc, head + U"..." + tail) <= maxW) break;
  }
  return head + U"..." + tail;
}

}  // namespace

namespace {
int DrawTextU32(HDC dc, std::u32string text, RECT* r, UINT fmt, std::u32string* modified) {
  auto f = FaceOf(dc);
  if (!f) return 0;
  TEXTMETRICA tm{};
  GetTextMetrics(dc, &tm);
  int lineH = tm.tmHeight + ((fmt & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  // Tab stops: every eight average characters, or the count in the format's second byte.
  struct TTabScope {
    explicit TTabScope(int w) { tTabWidth = w; }
    ~TTabScope() { tTabWidth = 0; }
  } tabs((fmt & DT_EXPANDTABS) ? std::max(1, static_cast<int>((fmt & DT_TABSTOP) ? (fmt >> 8) & 0xFF : 8)) * std::max<int>(1, tm.tmAveCharWidth) : 0);
  // With DT_TABSTOP the second byte is the tab count, not flags.
  if (fmt & DT_TABSTOP) fmt &= ~0xFF00u;
  // Prefix characters.
  std::vector<TLine> paragraphs(1);
  bool prefix = !(fmt & DT_NOPREFIX);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (prefix && c == U'&') {
      if (i + 1 < text.size() && text[i + 1] == U'&') {
        paragraphs.back().Text.push_back(U'&');
        ++i;
        continue;
      }
      if (i + 1 < text.size() && !(fmt & DT_HIDEPREFIX)) paragraphs.back().Underline = static_cast<int>(paragraphs.back().Text.size());
      continue;
    }
    if (!(fmt & DT_SINGLELINE) && (c == U'\r' || c == U'\n')) {
      if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
      paragraphs.emplace_back();
      continue;
    }
    if ((fmt & DT_SINGLELINE) && (c == U'\r' || c == U'\n')) continue;
    paragraphs.back().Text.push_back(c);
  }
  int maxW = r->right - r->left;
  // Word wrapping.
  std::vector<TLine> lines;
  for (TLine& p : paragraphs) {
    if (!(fmt & DT_WORDBREAK) || (fmt & DT_SINGLELINE) || Width(dc, p.Text) <= maxW) {
      lines.push_back(p);
      continue;
    }
    std::u32string rest = p.Text;
    int ul = p.Underline;
    while (!rest.empty()) {
      // Longest prefix that fits, broken after a space or between CJK characters.
      size_t best = 0;
      size_t lo = 1;
      for (size_t k = lo; k <= rest.size(); ++k) {
        bool canBreak = k == rest.size() || rest[k] == U' ' || rest[k - 1] == U' ' ||
                        BreakableCJK(rest[k - 1]) || BreakableCJK(rest[k]) || (fmt & DT_EDITCONTROL);
        if (!canBreak) continue;
        std::u32string part = rest.substr(0, k);
        while (!part.empty() && part.back() == U' ') part.pop_back();
        if (Width(dc, part) <= maxW) best = k;
        else break;
      }
      if (best == 0) {
        // A word longer than the line: it stands alone and overflows.
        size_t sp = rest.find(U' ');
        best = sp == std::u32string::npos ? rest.size() : sp + 1;
        if (fmt & DT_EDITCONTROL) best = 1;
      }
      TLine l;
      l.Text = rest.substr(0, best);
      while (!l.Text.empty() && l.Text.back() == U' ') l.Text.pop_back();
      if (ul >= 0 && ul < static_cast<int>(best)) l.Underline = ul;
      ul -= static_cast<int>(best);
      lines.push_back(l);
      rest = rest.substr(best);
      size_t skip = 0;
      while (skip < rest.size() && rest[skip] == U' ') ++skip;
      rest = rest.substr(skip);
      ul -= static_cast<int>(skip);
    }
  }
  if (lines.empty()) lines.emplace_back();
  // Ellipses.
  if (fmt & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    for (TLine& l : lines) {
      std::u32string before = l.Text;
      if (fmt & DT_PATH_ELLIPSIS) l.Text = PathEllipsis(dc, l.Text, maxW);
      else l.Text = EndEllipsis(dc, l.Text, maxW, fmt & DT_WORD_ELLIPSIS);
      if (l.Text != before && l.Underline >= static_cast<int>(l.Text.size()) - 3) l.Underline = -1;
    }
    if (modified && lines.size() == 1) *modified = lines[0].Text;
  }
  int total = lineH * static_cast<int>(lines.size());
  if (fmt & DT_SINGLELINE) total = lineH;
  if (fmt & DT_CALCRECT) {
    int w = 0;
    for (const TLine& l : lines) w = std::max(w, Width(dc, l.Text));
    r->right = r->left + w;
    r->bottom = r->top + total;
    return total;
  }
  int y = r->top;
  if (fmt & DT_SINGLELINE) {
    if (fmt & DT_VCENTER) y = r->top + (r->bottom - r->top - lineH) / 2;
    else if (fmt & DT_BOTTOM) y = r->bottom - lineH;
  }
  int saved = 0;
  if (!(fmt & DT_NOCLIP)) {
    saved = SaveDC(dc);
    IntersectClipRect(dc, r->left, r->top, r->right, r->bottom);
  }
  UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  for (const TLine& l : lines) {
    int w = Width(dc, l.Text);
    int x = r->left;
    if (fmt & DT_CENTER) x = r->left + (maxW - w) / 2;
    else if (fmt & DT_RIGHT) x = r->right - w;
    if (!(fmt & DT_PREFIXONLY)) DrawLine(dc, x, y, (fmt & DT_RTLREADING) ? static_cast<UINT>(ETO_RTLREADING) : 0u, l.Text);
    if (l.Underline >= 0 && l.Underline < static_cast<int>(l.Text.size())) {
      int ux = x + Width(dc, l.Text.substr(0, static_cast<size_t>(l.Underline)));
      int uw = Width(dc, l.Text.substr(static_cast<size_t>(l.Underline), 1));
      RECT u = dc->MapRect(ux, y + tm.tmAscent + 1, ux + uw, y + tm.tmAscent + 2);
      FillDeviceRect(dc, u, dc->S.TextColor);
    }
    y += lineH;
  }
  SetTextAlign(dc, oldAlign);
  if (saved) RestoreDC(dc, saved);
  if (fmt & DT_SINGLELINE && (fmt & (DT_VCENTER | DT_BOTTOM))) return y - r->top;
  return total;
}
}  // namespace

int DrawText(HDC dc, LPCSTR text, int count, RECT* r, UINT fmt) {
  if (!ValidDC(dc) || !text || !r) return 0;
  std::u32string s = TextToU32(text, count);
  std::u32string mod;
  int h = DrawTextU32(dc, s, r, fmt, (fmt & DT_MODIFYSTRING) ? &mod : nullptr);
  if ((fmt & DT_MODIFYSTRING) && !mod.empty()) {
    std::string u = U32ToUtf8(mod);
    // The caller's buffer holds the text plus four bytes.
    size_t room = (count < 0 ? std::strlen(text) : static_cast<size_t>(count)) + 4;
    size_t n = std::min(u.size(), room - 1);
    std::memcpy(const_cast<char*>(text), u.data(), n);
    const_cast<char*>(text)[n] = 0;
  }
  return h;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* r, UINT fmt) {
  if (!ValidDC(dc) || !text || !r) return 0;
  return DrawTextU32(dc, TextToU32(text, count), r, fmt & ~DT_MODIFYSTRING, nullptr);
}
