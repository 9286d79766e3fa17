// Monitors: the layout the display back end reports (or a test's), the HMONITOR handles over it
// and the queries MonitorFromPoint/Rect/Window, GetMonitorInfo and EnumDisplayMonitors.
//
// Each layout gets its own monitor records. When the layout changes the old records are marked
// dead but kept (they are tiny and layouts rarely change), so an old handle is refused instead of
// silently naming another monitor. Records never change after creation except for that flag.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>

#include "platform/win/wnd_internal.h"

struct HMONITOR__ {
  RECT Monitor{};
  RECT Work{};
  bool Primary = false;
  bool Live = true;
  int Number = 0;  // 1-based, as in the device name
};

namespace {

struct TMonitorState {
  std::mutex Lock;
  std::vector<TMonitorLayout> Override;          // a test's layout (empty: the back end's)
  std::vector<TMonitorLayout> Layout;            // what Current was made from
  std::vector<HMONITOR> Current;                 // in enumeration order
  std::vector<std::unique_ptr<HMONITOR__>> All;  // every record ever made
};

TMonitorState& State() {
  static TMonitorState s;
  return s;
}

// The back end's layout, or one monitor of the screen size with a 30-pixel task bar at the bottom
// when the back end has no monitor list.
std::vector<TMonitorLayout> BackendLayout() {
  std::vector<TMonitorLayout> out;
  TDisplayBackend* b = Backend();
  if (b && b->Monitors(&out) && !out.empty()) return out;
  out.clear();
  int w = ScreenWidth, h = ScreenHeight;
  if (b) b->ScreenSize(&w, &h);
  out.push_back(TMonitorLayout{RECT{0, 0, w, h}, RECT{0, 0, w, std::max(0, h - 30)}});
  return out;
}

// The monitors of the current layout. The back end is asked before the lock is taken, since it
// may need the window manager's lock, which other threads hold while asking us.
std::vector<HMONITOR> Monitors() {
  TMonitorState& s = State();
  std::vector<TMonitorLayout> layout;
  {
    std::lock_guard<std::mutex> g(s.Lock);
    layout = s.Override;
  }
  if (layout.empty()) layout = BackendLayout();
  std::lock_guard<std::mutex> g(s.Lock);
  if (layout != s.Layout || s.Current.empty()) {
    for (HMONITOR m : s.Current) m->Live = false;
    s.Current.clear();
    size_t primary = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
      POINT origin{0, 0};
      if (PtInRect(&layout[i].Monitor, origin)) {
        primary = i;
        break;
      }
    }
    for (size_t i = 0; i < layout.size(); ++i) {
      auto rec = std::make_unique<HMONITOR__>();
      rec->Monitor = layout[i].Monitor;
      rec->Work = layout[i].Work;
      rec->Primary = i == primary;
      rec->Number = static_cast<int>(i) + 1;
      s.Current.push_back(rec.get());
      s.All.push_back(std::move(rec));
    }
    s.Layout = layout;
  }
  return s.Current;
}

HMONITOR Primary(const std::vector<HMONITOR>& mons) {
  for (HMONITOR m : mons)
    if (m->Primary) return m;
  return mons.empty() ? nullptr : mons.front();
}

// Squared distance between the nearest pixels of two rectangles (0 when they overlap); a point
// is the rectangle of its one pixel.
int64_t DistanceSq(const RECT& a, const RECT& b) {
  // Per axis, the gap between the two ranges (0 when they overlap).
  auto gap = [](LONG lo1, LONG hi1, LONG lo2, LONG hi2) -> int64_t {
    if (hi1 <= lo2) return int64_t(lo2) - hi1 + 1;
    if (hi2 <= lo1) return int64_t(lo1) - hi2 + 1;
    return 0;
  };
  int64_t dx = gap(a.left, a.right, b.left, b.right), dy = gap(a.top, a.bottom, b.top, b.bottom);
  return dx * dx + dy * dy;
}

// What MonitorFrom* give when no monitor holds the place: null, the primary or the nearest one
// (the first of equally near ones).
HMONITOR Fallback(const std::vector<HMONITOR>& mons, DWORD flags, const RECT& target) {
  if (mons.empty()) return nullptr;
  if (flags == MONITOR_DEFAULTTOPRIMARY) return Primary(mons);
  if (flags != MONITOR_DEFAULTTONEAREST) return nullptr;
  HMONITOR best = nullptr;
  int64_t bestD = std::numeric_limits<int64_t>::max();
  for (HMONITOR m : mons) {
    int64_t d = DistanceSq(m->Monitor, target);
    if (d < bestD) {
      bestD = d;
      best = m;
    }
  }
  return best;
}

}  // namespace

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  std::vector<HMONITOR> mons = Monitors();
  for (HMONITOR m : mons)
    if (PtInRect(&m->Monitor, pt)) return m;
  return Fallback(mons, flags, RECT{pt.x, pt.y, pt.x + 1, pt.y + 1});
}

HMONITOR MonitorFromRect(const RECT* r, DWORD flags) {
  if (!r) return nullptr;
  if (IsRectEmpty(r)) return MonitorFromPoint(POINT{r->left, r->top}, flags);
  std::vector<HMONITOR> mons = Monitors();
  HMONITOR best = nullptr;
  int64_t bestArea = 0;
  for (HMONITOR m : mons) {
    RECT i;
    if (!IntersectRect(&i, &m->Monitor, r)) continue;
    int64_t area = int64_t(i.right - i.left) * (i.bottom - i.top);
    if (area > bestArea) {
      bestArea = area;
      best = m;
    }
  }
  return best ? best : Fallback(mons, flags, *r);
}

HMONITOR MonitorFromWindow(HWND wnd, DWORD flags) {
  RECT r{};
  bool known = false;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    if (ValidWnd(wnd) && !RootOf(wnd)->MessageOnly) {
      HWND root = RootOf(wnd);
      // A minimised window belongs to the monitor of its restored place.
      r = (root->Style & WS_MINIMIZE) && wnd == root ? root->NormalRect : root->Rect;
      if (wnd != root) {
        POINT o = WindowOriginInRoot(wnd);
        r = RECT{root->Rect.left + o.x, root->Rect.top + o.y,
                 root->Rect.left + o.x + (wnd->Rect.right - wnd->Rect.left),
                 root->Rect.top + o.y + (wnd->Rect.bottom - wnd->Rect.top)};
      }
      known = true;
    }
  }
  if (known) return MonitorFromRect(&r, flags);
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  return Primary(Monitors());
}

BOOL GetMonitorInfo(HMONITOR mon, MONITORINFO* info) {
  if (!mon || !info) return FALSE;
  if (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXA)) return FALSE;
  {
    std::lock_guard<std::mutex> g(State().Lock);
    bool known = false;
    for (const auto& rec : State().All)
      if (rec.get() == mon) known = rec->Live;
    if (!known) return FALSE;
  }
  info->rcMonitor = mon->Monitor;
  info->rcWork = mon->Work;
  info->dwFlags = mon->Primary ? DWORD(MONITORINFOF_PRIMARY) : 0u;
  if (info->cbSize == sizeof(MONITORINFOEXA))
    std::snprintf(static_cast<MONITORINFOEXA*>(info)->szDevice, CCHDEVICENAME, "\\\\.\\DISPLAY%d",
                  mon->Number);
  return TRUE;
}

BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM data) {
  if (!proc) return FALSE;
  // The area to cover in screen coordinates, and the shift back to the caller's coordinates.
  POINT shift{0, 0};
  RECT area{std::numeric_limits<LONG>::min() / 2, std::numeric_limits<LONG>::min() / 2,
            std::numeric_limits<LONG>::max() / 2, std::numeric_limits<LONG>::max() / 2};
  if (dc) {
    if (GetClipBox(dc, &area) == ERROR) return FALSE;
    if (HWND w = WindowFromDC(dc)) ClientToScreen(w, &shift);
    OffsetRect(&area, shift.x, shift.y);
  }
  if (clip) {
    RECT c = *clip;
    OffsetRect(&c, shift.x, shift.y);
    if (!IntersectRect(&area, &area, &c)) return TRUE;
  }
  for (HMONITOR m : Monitors()) {
    RECT r;
    if (!dc && !clip)
      r = m->Monitor;
    else if (!IntersectRect(&r, &m->Monitor, &area))
      continue;
    OffsetRect(&r, -shift.x, -shift.y);
    if (!proc(m, dc, &r, data)) break;
  }
  return TRUE;
}

void SetMonitorLayout(const std::vector<TMonitorLayout>& monitors) {
  std::lock_guard<std::mutex> g(State().Lock);
  State().Override = monitors;
}
