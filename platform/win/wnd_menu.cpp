// Popup menus of the API: item lists made with CreatePopupMenu/AppendMenu and shown by
// TrackPopupMenu in a window of class "#32768" with its own message loop.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"

namespace {

struct MenuItem {
  UINT Flags;
  UINT_PTR Id;
  std::string Text;
};

struct PopupMenu {
  std::vector<MenuItem> Items;
};

// Menus made here; HMENUs of the class library's menus (SetMenu) never reach these functions'
// item lists unless they are in this set.
std::set<PopupMenu*>& Menus() {
  static thread_local std::set<PopupMenu*> m;
  return m;
}

PopupMenu* Find(HMENU h) {
  auto* p = reinterpret_cast<PopupMenu*>(h);
  return Menus().count(p) ? p : nullptr;
}

constexpr int kRow = 20, kSeparator = 8, kWidth = 160;

// The state of the menu being tracked (one at a time per thread).
struct Tracking {
  PopupMenu* Menu = nullptr;
  std::vector<int> Tops;  // row tops, one more than items
  int Hot = -1;
  bool Done = false;
  bool DownSeen = false;
  UINT_PTR Chosen = 0;
};
thread_local Tracking* gTrack = nullptr;

bool Selectable(const MenuItem& i) { return !(i.Flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)); }

int RowAt(int y) {
  for (size_t i = 0; i + 1 < gTrack->Tops.size(); ++i)
    if (y >= gTrack->Tops[i] && y < gTrack->Tops[i + 1]) return static_cast<int>(i);
  return -1;
}

void Choose(int row) {
  if (row < 0 || row >= static_cast<int>(gTrack->Menu->Items.size())) return;
  const MenuItem& it = gTrack->Menu->Items[static_cast<size_t>(row)];
  if (!Selectable(it)) return;
  gTrack->Chosen = it.Id;
  gTrack->Done = true;
}

void SetHot(HWND w, int row) {
  if (row == gTrack->Hot) return;
  gTrack->Hot = row;
  InvalidateRect(w, nullptr, TRUE);
}

// Next selectable row from Hot in direction Step, wrapping; Hot when there is none.
int NextRow(int step) {
  int n = static_cast<int>(gTrack->Menu->Items.size());
  int r = gTrack->Hot;
  for (int k = 0; k < n; ++k) {
    r = r < 0 ? (step > 0 ? 0 : n - 1) : (r + step + n) % n;
    if (Selectable(gTrack->Menu->Items[static_cast<size_t>(r)])) return r;
  }
  return gTrack->Hot;
}

void Paint(HWND w) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w, &ps);
  RECT c;
  GetClientRect(w, &c);
  FillRect(dc, &c, GetSysColorBrush(COLOR_MENU));
  DrawEdge(dc, &c, EDGE_RAISED, BF_RECT);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < gTrack->Menu->Items.size(); ++i) {
    const MenuItem& it = gTrack->Menu->Items[i];
    RECT row{2, gTrack->Tops[i], c.right - 2, gTrack->Tops[i + 1]};
    if (it.Flags & MF_SEPARATOR) {
      RECT line{row.left + 2, (row.top + row.bottom) / 2 - 1, row.right - 2, (row.top + row.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    bool hot = static_cast<int>(i) == gTrack->Hot && Selectable(it);
    if (hot) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(!Selectable(it) ? COLOR_GRAYTEXT : hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    RECT t = row;
    t.left += 20;
    DrawText(dc, it.Text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER);
    if (it.Flags & MF_CHECKED) {
      RECT m{row.left + 4, row.top, row.left + 18, row.bottom};
      DrawText(dc, "v", -1, &m, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(w, &ps);
}

LRESULT PopupProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!gTrack) return DefWindowProc(w, msg, wp, lp);
  int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  RECT c;
  GetClientRect(w, &c);
  bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
  switch (msg) {
    case WM_PAINT:
      Paint(w);
      return 0;
    case WM_MOUSEMOVE:
      SetHot(w, inside ? RowAt(y) : -1);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      gTrack->DownSeen = true;
      if (!inside) gTrack->Done = true;
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (inside) Choose(RowAt(y));
      else if (gTrack->DownSeen) gTrack->Done = true;
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) gTrack->Done = true;
      else if (wp == VK_DOWN) SetHot(w, NextRow(1));
      else if (wp == VK_UP) SetHot(w, NextRow(-1));
      else if (wp == VK_RETURN) Choose(gTrack->Hot);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != w) gTrack->Done = true;
      return 0;
  }
  return DefWindowProc(w, msg, wp, lp);
}

void RegisterPopupClass() {
  WNDCLASSA existing;
  if (GetClassInfo(nullptr, "#32768", &existing)) return;
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = PopupProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_MENU + 1));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "#32768";
  RegisterClass(&wc);
}

}  // namespace

HMENU CreatePopupMenu() {
  auto* m = new PopupMenu;
  Menus().insert(m);
  return reinterpret_cast<HMENU>(m);
}

BOOL DestroyMenu(HMENU menu) {
  PopupMenu* m = Find(menu);
  if (!m || (gTrack && gTrack->Menu == m)) return FALSE;
  Menus().erase(m);
  delete m;
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
  PopupMenu* m = Find(menu);
  if (!m) return FALSE;
  m->Items.push_back(MenuItem{flags, id, (flags & MF_SEPARATOR) || !text ? std::string() : std::string(text)});
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  PopupMenu* m = Find(menu);
  return m ? static_cast<int>(m->Items.size()) : -1;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  PopupMenu* m = Find(menu);
  if (!m || m->Items.empty() || gTrack) return FALSE;
  RegisterPopupClass();
  Tracking t;
  t.Menu = m;
  int top = 2;
  t.Tops.push_back(top);
  for (const MenuItem& it : m->Items) {
    top += (it.Flags & MF_SEPARATOR) ? kSeparator : kRow;
    t.Tops.push_back(top);
  }
  gTrack = &t;
  HWND w = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "#32768", "", WS_POPUP, x, y, kWidth, top + 2, owner,
                          nullptr, nullptr, nullptr);
  if (!w) {
    gTrack = nullptr;
    return FALSE;
  }
  ShowWindow(w, SW_SHOWNA);
  HWND oldFocus = SetFocus(w);
  SetCapture(w);
  MSG msg;
  bool quit = false;
  int quitCode = 0;
  while (!t.Done) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  gTrack = nullptr;
  if (GetCapture() == w) ReleaseCapture();
  DestroyWindow(w);
  if (oldFocus && IsWindow(oldFocus)) SetFocus(oldFocus);
  if (quit) PostQuitMessage(quitCode);  // the caller's loop must see it too
  UINT_PTR chosen = t.Done ? t.Chosen : 0;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && owner && !(flags & TPM_NONOTIFY)) PostMessage(owner, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
  return chosen != 0;
}
