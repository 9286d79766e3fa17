// Multiple-document windows: the "MDICLIENT" class, which makes, activates, arranges and destroys
// the document windows (WS_EX_MDICHILD children) of a frame, and the default procedures of the
// frame (DefFrameProc) and of the document windows (DefMDIChildProc).
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/win/gdi_user.h"
#include "platform/win/winuser.h"
#include "platform/win/wnd_internal.h"

namespace {

// What a client window keeps: its window menu and the children in the order they were made.
struct TMdiClientRec {
  HMENU WindowMenu = nullptr;
  UINT FirstId = 0;
  HWND Active = nullptr;
  std::vector<HWND> Order;
  int ListedItems = -1;  // items this client put into the window menu (-1: none, not even the separator)
};

std::map<HWND, TMdiClientRec>& MdiClientRecs() {
  static std::map<HWND, TMdiClientRec> recs;
  return recs;
}

TMdiClientRec* MdiRecOf(HWND client) {
  auto it = MdiClientRecs().find(client);
  return it == MdiClientRecs().end() ? nullptr : &it->second;
}

bool MdiIsChildOf(HWND client, HWND w) {
  return w && IsWindow(w) && GetParent(w) == client && (GetWindowLongPtr(w, GWL_EXSTYLE) & WS_EX_MDICHILD);
}

// The live children of a client, in creation order (destroyed ones are dropped).
std::vector<HWND> MdiLiveChildren(HWND client, TMdiClientRec& rec) {
  rec.Order.erase(std::remove_if(rec.Order.begin(), rec.Order.end(), [client](HWND w) { return !MdiIsChildOf(client, w); }),
                  rec.Order.end());
  return rec.Order;
}

// The children in z-order (topmost first).
std::vector<HWND> MdiZOrder(HWND client) {
  std::vector<HWND> out;
  for (HWND w = GetWindow(client, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (MdiIsChildOf(client, w)) out.push_back(w);
  return out;
}

bool MdiVisible(HWND w) { return (GetWindowLongPtr(w, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT MdiClientArea(HWND client) {
  RECT r{};
  GetClientRect(client, &r);
  return r;
}

// The window rectangle a maximised child takes: its frame and caption outside the client area.
RECT MdiMaximizedRect(HWND client, HWND child) {
  RECT r = MdiClientArea(client);
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE)) & ~DWORD(WS_MAXIMIZE | WS_MINIMIZE);
  AdjustWindowRectEx(&r, style, FALSE, static_cast<DWORD>(GetWindowLongPtr(child, GWL_EXSTYLE)));
  return r;
}

int MdiStep() { return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME); }

// Lists the visible children in the window menu: a separator, then "&1 caption" ... (at most 9),
// the active one checked; the items this client listed before go first.
void MdiListInMenu(HWND client, TMdiClientRec& rec) {
  HMENU m = rec.WindowMenu;
  if (!m || !IsMenu(m)) {
    rec.ListedItems = -1;
    return;
  }
  if (rec.ListedItems >= 0) {
    for (int i = 0; i < rec.ListedItems; ++i) RemoveMenu(m, rec.FirstId + i, MF_BYCOMMAND);
    RemoveMenu(m, rec.FirstId - 1, MF_BYCOMMAND);
    rec.ListedItems = -1;
  }
  std::vector<HWND> kids = MdiLiveChildren(client, rec);
  int n = 0;
  for (HWND w : kids) {
    if (!MdiVisible(w) || n >= 9) continue;
    if (n == 0) AppendMenu(m, MF_SEPARATOR, rec.FirstId - 1, nullptr);
    char title[260] = {};
    GetWindowText(w, title, sizeof title);
    std::string text = "&" + std::to_string(n + 1) + " " + title;
    AppendMenu(m, MF_STRING | (w == rec.Active ? MF_CHECKED : 0u), rec.FirstId + n, text.c_str());
    ++n;
  }
  rec.ListedItems = n > 0 ? n : -1;
}

// The child behind window-menu command Id, or null.
HWND MdiChildOfCommand(HWND client, TMdiClientRec& rec, UINT id) {
  if (rec.ListedItems <= 0 || id < rec.FirstId || id >= rec.FirstId + static_cast<UINT>(rec.ListedItems)) return nullptr;
  int n = 0;
  for (HWND w : MdiLiveChildren(client, rec)) {
    if (!MdiVisible(w) || n >= 9) continue;
    if (rec.FirstId + n == id) return w;
    ++n;
  }
  return nullptr;
}

void MdiActivate(HWND client, HWND child) {
  TMdiClientRec* rec = MdiRecOf(client);
  if (!rec) return;
  if (child && !MdiIsChildOf(client, child)) return;
  HWND old = MdiIsChildOf(client, rec->Active) ? rec->Active : nullptr;
  if (old == child) {
    if (child) SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return;
  }
  const bool wasMaximized = old && IsZoomed(old);
  rec->Active = child;
  if (old) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(old, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
  }
  if (child && IsWindow(child)) {
    // A maximised document hands its state to the one taking its place.
    if (wasMaximized && !IsZoomed(child) && (GetWindowLongPtr(child, GWL_STYLE) & WS_MAXIMIZEBOX)) {
      if (old && IsWindow(old) && IsZoomed(old)) ShowWindow(old, SW_RESTORE);
      if (IsWindow(child)) ShowWindow(child, SW_SHOWMAXIMIZED);
    }
    if (!IsWindow(child)) return;
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessage(child, WM_NCACTIVATE, TRUE, 0);
    SendMessage(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
    HWND focus = GetFocus();
    HWND root = GetAncestor(client, GA_ROOT);
    if (rec == MdiRecOf(client) && IsWindow(child) && GetActiveWindow() == root && focus != child && !IsChild(child, focus) &&
        !IsIconic(child))
      SetFocus(child);
  }
  if ((rec = MdiRecOf(client)) != nullptr) MdiListInMenu(client, *rec);
}

// The next (or previous) child after From in z-order, skipping hidden ones.
HWND MdiNeighbour(HWND client, HWND from, bool previous) {
  std::vector<HWND> z = MdiZOrder(client);
  z.erase(std::remove_if(z.begin(), z.end(), [](HWND w) { return !MdiVisible(w); }), z.end());
  if (z.empty()) return nullptr;
  auto it = std::find(z.begin(), z.end(), from);
  if (it == z.end()) return z.front();
  if (previous) return z.back() == from ? z.front() : z.back();
  return z.size() > 1 ? z[1] : z.front();
}

// After a child went (destroyed or hidden): the topmost other visible child becomes active.
void MdiChildLeaving(HWND client, HWND child) {
  TMdiClientRec* rec = MdiRecOf(client);
  if (!rec || rec->Active != child) return;
  HWND next = nullptr;
  for (HWND w : MdiZOrder(client))
    if (w != child && MdiVisible(w)) {
      next = w;
      break;
    }
  const bool wasMaximized = IsZoomed(child);
  rec->Active = nullptr;
  SendMessage(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), reinterpret_cast<LPARAM>(next));
  if (!next) {
    if ((rec = MdiRecOf(client)) != nullptr) MdiListInMenu(client, *rec);
    return;
  }
  if (wasMaximized && (GetWindowLongPtr(next, GWL_STYLE) & WS_MAXIMIZEBOX)) ShowWindow(next, SW_SHOWMAXIMIZED);
  MdiActivate(client, next);
}

// Places a minimised child in the row of icons along the client's bottom edge.
void MdiPlaceIcon(HWND client, HWND child) {
  RECT area = MdiClientArea(client);
  const int h = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  const int w = 160;
  int slot = 0;
  for (HWND o : MdiZOrder(client))
    if (o != child && IsIconic(o) && MdiVisible(o)) ++slot;
  const int perRow = std::max(1, static_cast<int>((area.right - area.left) / w));
  int x = area.left + (slot % perRow) * w, y = area.bottom - h * (1 + slot / perRow);
  SetWindowPos(child, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MdiRestoreIfMaximized(HWND client) {
  for (HWND w : MdiZOrder(client))
    if (IsZoomed(w)) ShowWindow(w, SW_RESTORE);
}

// Children that an arrangement moves: visible, not minimised (and enabled when asked).
std::vector<HWND> MdiArranged(HWND client, bool skipDisabled, bool* someIconic) {
  std::vector<HWND> out;
  *someIconic = false;
  for (HWND w : MdiZOrder(client)) {
    if (!MdiVisible(w)) continue;
    if (IsIconic(w)) {
      *someIconic = true;
      continue;
    }
    if (skipDisabled && !IsWindowEnabled(w)) continue;
    out.push_back(w);
  }
  return out;
}

void MdiCascade(HWND client, UINT how) {
  MdiRestoreIfMaximized(client);
  bool iconic = false;
  std::vector<HWND> kids = MdiArranged(client, (how & MDITILE_SKIPDISABLED) != 0, &iconic);
  if (kids.empty()) return;
  RECT a = MdiClientArea(client);
  if (iconic) a.bottom -= GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  const int n = static_cast<int>(kids.size()), step = MdiStep();
  const int cw = a.right - a.left, ch = a.bottom - a.top;
  const int w = std::max(cw * 2 / 3, cw - (n - 1) * step), h = std::max(ch * 2 / 3, ch - (n - 1) * step);
  // The bottom of the z-order goes first (top-left), the active one ends on top, furthest in.
  for (int i = 0; i < n; ++i) {
    HWND k = kids[n - 1 - i];
    SetWindowPos(k, HWND_TOP, a.left + i * step, a.top + i * step, w, h, SWP_NOACTIVATE);
  }
}

void MdiTile(HWND client, UINT how) {
  MdiRestoreIfMaximized(client);
  bool iconic = false;
  std::vector<HWND> kids = MdiArranged(client, (how & MDITILE_SKIPDISABLED) != 0, &iconic);
  if (kids.empty()) return;
  RECT a = MdiClientArea(client);
  if (iconic) a.bottom -= GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  const int n = static_cast<int>(kids.size());
  const bool horizontal = (how & MDITILE_HORIZONTAL) != 0;
  const int cw = a.right - a.left, ch = a.bottom - a.top;
  for (int i = 0; i < n; ++i) {
    if (horizontal) {
      int y0 = a.top + ch * i / n, y1 = a.top + ch * (i + 1) / n;
      SetWindowPos(kids[i], nullptr, a.left, y0, cw, y1 - y0, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      int x0 = a.left + cw * i / n, x1 = a.left + cw * (i + 1) / n;
      SetWindowPos(kids[i], nullptr, x0, a.top, x1 - x0, ch, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

HWND MdiCreateChild(HWND client, const MDICREATESTRUCTA* mc) {
  TMdiClientRec* rec = MdiRecOf(client);
  if (!rec || !mc || !mc->szClass) return nullptr;
  RECT a = MdiClientArea(client);
  const int cw = a.right - a.left, ch = a.bottom - a.top;
  const int count = static_cast<int>(MdiLiveChildren(client, *rec).size());
  const int step = MdiStep();
  int x = mc->x, y = mc->y, cx = mc->cx, cy = mc->cy;
  if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) {
    // Each new document one caption lower and further right than the last, starting over when
    // it would leave a quarter of the client area.
    int slots = std::max(1, std::min(cw, ch) / 4 / std::max(1, step));
    x = a.left + (count % slots) * step;
    y = a.top + (count % slots) * step;
  }
  if (cx == CW_USEDEFAULT || cy == CW_USEDEFAULT) {
    cx = std::max(100, cw * 3 / 4);
    cy = std::max(60, ch * 3 / 4);
  }
  HWND old = MdiIsChildOf(client, rec->Active) ? rec->Active : nullptr;
  DWORD style = (mc->style & ~DWORD(WS_POPUP | WS_MAXIMIZE | WS_MINIMIZE)) | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                WS_CAPTION | WS_SYSMENU;
  const bool wantVisible = (mc->style & WS_VISIBLE) != 0;
  const bool wantMax = (mc->style & WS_MAXIMIZE) || (old && IsZoomed(old) && (mc->style & WS_MAXIMIZEBOX));
  const bool wantMin = (mc->style & WS_MINIMIZE) != 0;
  style &= ~DWORD(WS_VISIBLE);
  HWND w = CreateWindowEx(WS_EX_MDICHILD, mc->szClass, mc->szTitle ? mc->szTitle : "", style, x, y, cx, cy, client,
                          nullptr, nullptr, reinterpret_cast<LPVOID>(mc->lParam));
  if (!w) return nullptr;
  if ((rec = MdiRecOf(client)) == nullptr) return w;
  rec->Order.push_back(w);
  if (wantVisible) {
    ShowWindow(w, wantMax ? SW_SHOWMAXIMIZED : wantMin ? SW_SHOWMINNOACTIVE : SW_SHOW);
    if (IsWindow(w) && !wantMin) MdiActivate(client, w);
  }
  if ((rec = MdiRecOf(client)) != nullptr) MdiListInMenu(client, *rec);
  return w;
}

LRESULT MdiClientProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE: {
      TMdiClientRec rec;
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      if (cs && cs->lpCreateParams) {
        auto* ccs = static_cast<CLIENTCREATESTRUCT*>(cs->lpCreateParams);
        rec.WindowMenu = static_cast<HMENU>(ccs->hWindowMenu);
        rec.FirstId = ccs->idFirstChild;
      }
      MdiClientRecs()[w] = rec;
      return DefWindowProc(w, msg, wp, lp);
    }
    case WM_NCDESTROY:
      MdiClientRecs().erase(w);
      return DefWindowProc(w, msg, wp, lp);
    case WM_MDICREATE: return reinterpret_cast<LRESULT>(MdiCreateChild(w, reinterpret_cast<const MDICREATESTRUCTA*>(lp)));
    case WM_MDIDESTROY: {
      HWND child = reinterpret_cast<HWND>(wp);
      if (MdiIsChildOf(w, child)) DestroyWindow(child);
      return 0;
    }
    case WM_MDIACTIVATE: MdiActivate(w, reinterpret_cast<HWND>(wp)); return 0;
    case WM_MDIGETACTIVE: {
      TMdiClientRec* rec = MdiRecOf(w);
      HWND a = rec && MdiIsChildOf(w, rec->Active) ? rec->Active : nullptr;
      if (lp) *reinterpret_cast<BOOL*>(lp) = a && IsZoomed(a) ? TRUE : FALSE;
      return reinterpret_cast<LRESULT>(a);
    }
    case WM_MDINEXT: {
      TMdiClientRec* rec = MdiRecOf(w);
      HWND from = wp ? reinterpret_cast<HWND>(wp) : (rec ? rec->Active : nullptr);
      HWND to = MdiNeighbour(w, from, lp != 0);
      if (to && to != from) {
        // Moving on, the one left goes to the bottom so that the next "next" reaches another.
        if (from && !lp) SetWindowPos(from, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        MdiActivate(w, to);
      }
      return 0;
    }
    case WM_MDIMAXIMIZE:
      if (MdiIsChildOf(w, reinterpret_cast<HWND>(wp))) ShowWindow(reinterpret_cast<HWND>(wp), SW_SHOWMAXIMIZED);
      return 0;
    case WM_MDIRESTORE:
      if (MdiIsChildOf(w, reinterpret_cast<HWND>(wp))) ShowWindow(reinterpret_cast<HWND>(wp), SW_RESTORE);
      return 0;
    case WM_MDICASCADE: MdiCascade(w, static_cast<UINT>(wp)); return TRUE;
    case WM_MDITILE: MdiTile(w, static_cast<UINT>(wp)); return TRUE;
    case WM_MDIICONARRANGE: {
      std::vector<HWND> icons;
      for (HWND c : MdiZOrder(w))
        if (IsIconic(c)) icons.push_back(c);
      for (HWND c : icons) SetWindowPos(c, nullptr, -32000, -32000, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
      for (HWND c : icons) MdiPlaceIcon(w, c);
      return 0;
    }
    case WM_MDISETMENU: {
      TMdiClientRec* rec = MdiRecOf(w);
      HWND frame = GetParent(w);
      HMENU old = frame ? GetMenu(frame) : nullptr;
      if (rec && lp) {
        if (rec->WindowMenu && IsMenu(rec->WindowMenu) && rec->ListedItems >= 0) {
          for (int i = 0; i < rec->ListedItems; ++i) RemoveMenu(rec->WindowMenu, rec->FirstId + i, MF_BYCOMMAND);
          RemoveMenu(rec->WindowMenu, rec->FirstId - 1, MF_BYCOMMAND);
        }
        rec->ListedItems = -1;
        rec->WindowMenu = reinterpret_cast<HMENU>(lp);
      }
      if (frame && wp) SetMenu(frame, reinterpret_cast<HMENU>(wp));
      if ((rec = MdiRecOf(w)) != nullptr) MdiListInMenu(w, *rec);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_MDIREFRESHMENU: {
      if (TMdiClientRec* rec = MdiRecOf(w)) MdiListInMenu(w, *rec);
      HWND frame = GetParent(w);
      if (frame && GetMenu(frame)) DrawMenuBar(frame);
      return reinterpret_cast<LRESULT>(frame ? GetMenu(frame) : nullptr);
    }
    case WM_PARENTNOTIFY:
      if (LOWORD(wp) == WM_DESTROY && MdiIsChildOf(w, reinterpret_cast<HWND>(lp))) {
        HWND child = reinterpret_cast<HWND>(lp);
        if (TMdiClientRec* rec = MdiRecOf(w)) rec->Order.erase(std::remove(rec->Order.begin(), rec->Order.end(), child), rec->Order.end());
        MdiChildLeaving(w, child);
        if (TMdiClientRec* rec = MdiRecOf(w)) MdiListInMenu(w, *rec);
      }
      return 0;
    case WM_SIZE: {
      // A maximised child keeps covering the client area.
      LRESULT r = DefWindowProc(w, msg, wp, lp);
      for (HWND c : MdiZOrder(w))
        if (IsZoomed(c)) {
          RECT m = MdiMaximizedRect(w, c);
          SetWindowPos(c, nullptr, m.left, m.top, m.right - m.left, m.bottom - m.top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
      return r;
    }
    case WM_SETFOCUS: {
      TMdiClientRec* rec = MdiRecOf(w);
      if (rec && MdiIsChildOf(w, rec->Active) && !IsIconic(rec->Active)) SetFocus(rec->Active);
      return 0;
    }
    default: return DefWindowProc(w, msg, wp, lp);
  }
}

}  // namespace

void RegisterMdiClientClass() {
  WNDCLASSA existing;
  if (GetClassInfo(nullptr, "MDICLIENT", &existing)) return;
  WNDCLASSA wc{};
  wc.style = 0;
  wc.lpfnWndProc = MdiClientProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_APPWORKSPACE + 1));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "MDICLIENT";
  RegisterClass(&wc);
}

void MdiChildMinimized(HWND child) {
  HWND client = GetParent(child);
  if (!MdiRecOf(client)) return;
  MdiPlaceIcon(client, child);
  MdiChildLeaving(client, child);
}

void MdiMaximizedPlacement(HWND child, MINMAXINFO* mm) {
  HWND client = GetParent(child);
  if (!client) return;
  RECT m = MdiMaximizedRect(client, child);
  mm->ptMaxPosition = {m.left, m.top};
  mm->ptMaxSize = {m.right - m.left, m.bottom - m.top};
}

LRESULT DefFrameProc(HWND frame, HWND client, UINT msg, WPARAM wp, LPARAM lp) {
  TMdiClientRec* rec = client ? MdiRecOf(client) : nullptr;
  if (rec) {
    switch (msg) {
      case WM_COMMAND:
        if (HIWORD(wp) == 0 && lp == 0) {
          if (HWND child = MdiChildOfCommand(client, *rec, LOWORD(wp))) {
            if (IsIconic(child)) ShowWindow(child, SW_RESTORE);
            MdiActivate(client, child);
            return 0;
          }
        }
        break;
      case WM_SIZE: {
        RECT r{};
        GetClientRect(frame, &r);
        MoveWindow(client, 0, 0, r.right, r.bottom, TRUE);
        break;
      }
      case WM_SETFOCUS:
        if (MdiIsChildOf(client, rec->Active) && !IsIconic(rec->Active)) SetFocus(rec->Active);
        else SetFocus(client);
        return 0;
      case WM_NCACTIVATE:
        if (MdiIsChildOf(client, rec->Active)) SendMessage(rec->Active, WM_NCACTIVATE, wp, 0);
        break;
      case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_NEXTWINDOW || (wp & 0xFFF0) == SC_PREVWINDOW) {
          SendMessage(client, WM_MDINEXT, 0, (wp & 0xFFF0) == SC_PREVWINDOW);
          return 0;
        }
        break;
      default: break;
    }
  }
  return DefWindowProc(frame, msg, wp, lp);
}

LRESULT DefMDIChildProc(HWND child, UINT msg, WPARAM wp, LPARAM lp) {
  HWND client = GetParent(child);
  TMdiClientRec* rec = client ? MdiRecOf(client) : nullptr;
  if (rec) {
    switch (msg) {
      case WM_MOUSEACTIVATE: {
        LRESULT r = DefWindowProc(child, msg, wp, lp);
        if ((rec = MdiRecOf(client)) != nullptr && rec->Active != child) MdiActivate(client, child);
        return r;
      }
      case WM_CHILDACTIVATE:
        if (rec->Active != child) MdiActivate(client, child);
        return 0;
      case WM_SETFOCUS:
        if (rec->Active != child && MdiVisible(child)) MdiActivate(client, child);
        return DefWindowProc(child, msg, wp, lp);
      case WM_CLOSE: SendMessage(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0); return 0;
      case WM_SHOWWINDOW:
        if (!wp) MdiChildLeaving(client, child);
        break;
      case WM_SETTEXT: {
        LRESULT r = DefWindowProc(child, msg, wp, lp);
        if ((rec = MdiRecOf(client)) != nullptr) MdiListInMenu(client, *rec);
        return r;
      }
      case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_NEXTWINDOW || (wp & 0xFFF0) == SC_PREVWINDOW) {
          SendMessage(client, WM_MDINEXT, reinterpret_cast<WPARAM>(child), (wp & 0xFFF0) == SC_PREVWINDOW);
          return 0;
        }
        break;
      default: break;
    }
  }
  return DefWindowProc(child, msg, wp, lp);
}

HWND CreateMDIWindow(LPCSTR className, LPCSTR title, DWORD style, int x, int y, int cx, int cy, HWND client, HINSTANCE,
                     LPARAM param) {
  MDICREATESTRUCTA mc{className, title, nullptr, x, y, cx, cy, style, param};
  return reinterpret_cast<HWND>(SendMessage(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
}
