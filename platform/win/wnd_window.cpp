// Windows: classes, creation and destruction, the tree, styles and long values, text,
// geometry and SetWindowPos, show states, activation, focus, capture and enabling.
#include <algorithm>
#include <cstring>
#include <set>

#include "platform/win/wnd_internal.h"

namespace {

std::map<std::string, std::shared_ptr<TWndClass>>& Classes() {
  static std::map<std::string, std::shared_ptr<TWndClass>> c;
  return c;
}
std::string ClassKey(LPCSTR name) {
  std::string k = name ? name : "";
  for (char& ch : k) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return k;
}
std::set<HWND>& Live() {
  static std::set<HWND> s;
  return s;
}
// Destroyed windows. A handle is the address of its window record, so the record of a destroyed
// window is never given back to the allocator: its address can then never become the handle of
// a new window, and a stale handle stays invalid (and harmless) for the life of the process. Only
// the bare record is kept; everything it owned is released when the window goes.
std::vector<HWND>& Retired() {
  static auto* r = new std::vector<HWND>;  // never destroyed: windows may go at exit too
  return *r;
}
// Call with the lock held and the window already out of Live().
void RetireWnd(HWND w) {
  *w = HWND__{};
  w->Magic = 0;
  Retired().push_back(w);
}

HWND gActive = nullptr, gFocus = nullptr, gCapture = nullptr;

HWND__* MakeDesktop() {
  auto* d = new HWND__;
  d->Style = WS_VISIBLE | WS_CLIPCHILDREN;
  d->Rect = {0, 0, ScreenWidth, ScreenHeight};
  d->Client = d->Rect;
  d->Text = "Desktop";
  return d;
}

void SendNotifyParent(HWND w, UINT event) {
  if (!IsTopLevel(w) && !(w->ExStyle & WS_EX_NOPARENTNOTIFY) && w->Parent != Desktop())
    SendMessage(w->Parent, WM_PARENTNOTIFY, MAKEWPARAM(static_cast<WORD>(event), static_cast<WORD>(w->Id)),
                reinterpret_cast<LPARAM>(w));
}

void Unlink(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!w->Parent) return;
  auto& v = w->Parent->Children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
}

// Places w in its parent's z-order after 'after' (HWND_TOP / HWND_BOTTOM allowed).
void PlaceInZOrder(HWND w, HWND after) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto& v = w->Parent->Children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
  auto firstNonTopmost = [&] {
    auto it = v.begin();
    if (IsTopLevel(w) && !(w->ExStyle & WS_EX_TOPMOST))
      while (it != v.end() && ((*it)->ExStyle & WS_EX_TOPMOST)) ++it;
    return it;
  };
  if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    v.insert(firstNonTopmost(), w);
  } else if (after == HWND_BOTTOM) {
    v.push_back(w);
  } else {
    auto it = std::find(v.begin(), v.end(), after);
    if (it == v.end()) v.insert(firstNonTopmost(), w);
    else v.insert(it + 1, w);
  }
}

void DestroyTree(HWND w);

// The active window w hides, goes or is minimised: activation passes to its owner when that can
// take it, else to the topmost visible enabled window of its thread; with none, the application
// loses activation (WM_ACTIVATEAPP FALSE).
void ActivateOtherWindow(HWND w) {
  if (GetActiveWindow() != w) return;
  auto fits = [w](HWND t) {
    return t != w && ValidWnd(t) && !t->MessageOnly && (t->Style & WS_VISIBLE) &&
           !(t->Style & (WS_DISABLED | WS_MINIMIZE)) && !(t->ExStyle & WS_EX_NOACTIVATE) && t->Thread == w->Thread;
  };
  HWND next = fits(w->Owner) ? w->Owner : nullptr;
  if (!next) {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    for (HWND t : Desktop()->Children)
      if (fits(t)) {
        next = t;
        break;
      }
  }
  SetActiveWindow(next);
  if (next && GetActiveWindow() == next && Backend()) Backend()->ActivationPassed(next);
}

}  // namespace

const HWND HWND_TOP = nullptr;
const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
const HWND HWND_MESSAGE = reinterpret_cast<HWND>(-3);

std::recursive_mutex& WmLock() {
  static std::recursive_mutex m;
  return m;
}

HWND Desktop() {
  static HWND__* d = MakeDesktop();
  return d;
}

bool ValidWnd(HWND w) {
  if (!w) return false;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  return Live().count(w) != 0;
}

bool IsTopLevel(HWND w) { return w && w->Parent == Desktop(); }

HWND RootOf(HWND w) {
  while (w && w->Parent && w->Parent != Desktop()) w = w->Parent;
  return w;
}

POINT WindowOriginInRoot(HWND w) {
  POINT p{0, 0};
  while (w && !IsTopLevel(w) && w->Parent) {
    p.x += w->Rect.left + w->Parent->Client.left;
    p.y += w->Rect.top + w->Parent->Client.top;
    w = w->Parent;
  }
  return p;
}

POINT ClientOriginInRoot(HWND w) {
  POINT p = WindowOriginInRoot(w);
  p.x += w->Client.left;
  p.y += w->Client.top;
  return p;
}

POINT ClientOriginOnScreen(HWND w) {
  POINT p = ClientOriginInRoot(w);
  HWND r = RootOf(w);
  p.x += r->Rect.left;
  p.y += r->Rect.top;
  return p;
}

bool VisibleChain(HWND w) {
  for (; w && w != Desktop(); w = w->Parent)
    if (!(w->Style & WS_VISIBLE)) return false;
  return w != nullptr;
}

void RecalcClient(HWND w, const RECT* oldRect, WINDOWPOS* pos) {
  const RECT now = w->Rect;
  const RECT before = oldRect ? *oldRect : now;
  RECT oldClient = w->Client;
  OffsetRect(&oldClient, before.left, before.top);
  WINDOWPOS same{w, nullptr, now.left, now.top, now.right - now.left, now.bottom - now.top,
                 UINT(SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)};
  NCCALCSIZE_PARAMS p{};
  p.rgrc[0] = now;
  p.rgrc[1] = before;
  p.rgrc[2] = oldClient;
  p.lppos = pos ? pos : &same;
  SendMessage(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
  if (!ValidWnd(w)) return;
  // Back to window coordinates, kept inside the window.
  RECT c = p.rgrc[0];
  OffsetRect(&c, -w->Rect.left, -w->Rect.top);
  const LONG wd = w->Rect.right - w->Rect.left, ht = w->Rect.bottom - w->Rect.top;
  c.left = std::clamp<LONG>(c.left, 0, wd);
  c.top = std::clamp<LONG>(c.top, 0, ht);
  c.right = std::clamp<LONG>(c.right, c.left, wd);
  c.bottom = std::clamp<LONG>(c.bottom, c.top, ht);
  w->Client = c;
}

bool HasSizeLimits(DWORD style) { return (style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD)); }

void DefaultMinMaxInfo(HWND w, DWORD style, MINMAXINFO* mm) {
  *mm = MINMAXINFO{};
  RECT area{};
  MONITORINFO mi;
  if (!IsTopLevel(w)) GetClientRect(w->Parent, &area);
  else if (GetMonitorInfo(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi)) area = mi.rcWork;
  else SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
  const int f = FrameThickness(style, w->ExStyle);
  mm->ptMaxPosition = {area.left - f, area.top - f};
  mm->ptMaxSize = {area.right - area.left + 2 * f, area.bottom - area.top + 2 * f};
  mm->ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mm->ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  if (w->ExStyle & WS_EX_MDICHILD) MdiMaximizedPlacement(w, mm);
}

MINMAXINFO QueryMinMaxInfo(HWND w) {
  MINMAXINFO mm;
  DefaultMinMaxInfo(w, w->Style, &mm);
  SendMessage(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
  return mm;
}

void EnsureSurface(HWND root) {
  int wdt = std::max(1, static_cast<int>(root->Rect.right - root->Rect.left));
  int hgt = std::max(1, static_cast<int>(root->Rect.bottom - root->Rect.top));
  if (root->Surface && root->Surface->Width == wdt && root->Surface->Height == hgt) return;
  std::vector<uint8_t> px(static_cast<size_t>(wdt) * hgt * 4, 0xFF);
  if (root->Surface) {
    int cw = std::min(wdt, root->Surface->Width), ch = std::min(hgt, root->Surface->Height);
    for (int y = 0; y < ch; ++y)
      std::memcpy(&px[static_cast<size_t>(y) * wdt * 4], root->Surface->Row(y), static_cast<size_t>(cw) * 4);
  } else {
    root->Surface = std::make_unique<TGdiSurface>();
  }
  root->Pixels.swap(px);
  root->Surface->Width = wdt;
  root->Surface->Height = hgt;
  root->Surface->BitCount = 32;
  root->Surface->Top = root->Pixels.data();
  root->Surface->Stride = static_cast<ptrdiff_t>(wdt) * 4;
}

TGdiSurface* GetWindowSurface(HWND top) { return ValidWnd(top) ? top->Surface.get() : nullptr; }

// ---- Classes ----
ATOM RegisterClass(const WNDCLASSA* wc) {
  RegisterStandardClasses();
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName) return 0;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  std::string key = ClassKey(wc->lpszClassName);
  if (Classes().count(key)) return 0;
  auto c = std::make_shared<TWndClass>();
  c->Name = wc->lpszClassName;
  c->Info = *wc;
  c->Info.lpszClassName = c->Name.c_str();
  c->Info.lpszMenuName = nullptr;
  Classes()[key] = c;
  return static_cast<ATOM>(0xC000 + Classes().size());
}

BOOL UnregisterClass(LPCSTR name, HINSTANCE) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  return Classes().erase(ClassKey(name)) ? TRUE : FALSE;
}

BOOL GetClassInfo(HINSTANCE, LPCSTR name, WNDCLASSA* out) {
  RegisterStandardClasses();
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = Classes().find(ClassKey(name));
  if (it == Classes().end()) return FALSE;
  if (out) *out = it->second->Info;
  return TRUE;
}

int GetClassName(HWND w, LPSTR buf, int size) {
  if (!ValidWnd(w) || !buf || size <= 0) return 0;
  std::string n = w->Class->Name;
  int len = std::min(static_cast<int>(n.size()), size - 1);
  std::memcpy(buf, n.data(), static_cast<size_t>(len));
  buf[len] = 0;
  return len;
}

// ---- Creation and destruction ----
HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int w, int h, HWND parent, HMENU menu, HINSTANCE inst, LPVOID param) {
  RegisterStandardClasses();
  std::shared_ptr<TWndClass> cls;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    auto it = Classes().find(ClassKey(className));
    if (it == Classes().end()) return nullptr;
    cls = it->second;
  }
  MyQueue();
  // A message-only window is a top-level window without owner that can never be shown.
  const bool messageOnly = parent == HWND_MESSAGE;
  if (messageOnly) {
    parent = nullptr;
    style &= ~(WS_CHILD | WS_VISIBLE);
  }
  if ((style & WS_CHILD) && !ValidWnd(parent)) return nullptr;
  if (parent && !ValidWnd(parent)) return nullptr;
  if (x == CW_USEDEFAULT) x = y = 40;
  if (w == CW_USEDEFAULT) { w = 640; h = 480; }
  auto* wnd = new HWND__;
  wnd->Class = cls;
  wnd->Proc = cls->Info.lpfnWndProc;
  wnd->Style = style & ~WS_VISIBLE;
  wnd->ExStyle = exStyle;
  if ((style & (WS_CHILD | WS_POPUP)) == 0) wnd->Style |= WS_CLIPSIBLINGS | WS_CAPTION;
  wnd->Text = windowName ? windowName : "";
  wnd->Instance = inst;
  wnd->Thread = std::this_thread::get_id();
  wnd->MessageOnly = messageOnly;
  if (style & WS_CHILD) {
    wnd->Parent = parent;
    wnd->Id = reinterpret_cast<LONG_PTR>(menu);
  } else {
    wnd->Parent = Desktop();
    wnd->Owner = parent ? RootOf(parent) : nullptr;
    wnd->Menu = menu;
  }
  CREATESTRUCTA cs{param, inst, menu, parent, h, w, y, x, static_cast<LONG>(style), windowName,
                   cls->Name.c_str(), exStyle};
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    Live().insert(wnd);
  }
  CBT_CREATEWNDA cbt{&cs, HWND_TOP};
  if (CallCbtHook(HCBT_CREATEWND, reinterpret_cast<WPARAM>(wnd), reinterpret_cast<LPARAM>(&cbt))) {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    Live().erase(wnd);
    RetireWnd(wnd);
    return nullptr;
  }
  // The hook may have changed the creation parameters.
  wnd->Style = (static_cast<DWORD>(cs.style) & ~WS_VISIBLE) | (wnd->Style & WS_CLIPSIBLINGS);
  wnd->ExStyle = cs.dwExStyle;
  wnd->Rect = {cs.x, cs.y, cs.x + std::max(0, cs.cx), cs.y + std::max(0, cs.cy)};
  PlaceInZOrder(wnd, HWND_TOP);
  if (HasSizeLimits(wnd->Style)) {
    // The size limits hold from the start: the window is made within its tracking sizes.
    MINMAXINFO mm = QueryMinMaxInfo(wnd);
    if (!ValidWnd(wnd)) return nullptr;
    cs.cx = std::clamp<int>(cs.cx, mm.ptMinTrackSize.x, std::max(mm.ptMinTrackSize.x, mm.ptMaxTrackSize.x));
    cs.cy = std::clamp<int>(cs.cy, mm.ptMinTrackSize.y, std::max(mm.ptMinTrackSize.y, mm.ptMaxTrackSize.y));
    wnd->Rect = {cs.x, cs.y, cs.x + std::max(0, cs.cx), cs.y + std::max(0, cs.cy)};
  }
  if (!SendMessage(wnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyTree(wnd);
    return nullptr;
  }
  RecalcClient(wnd);
  if (SendMessage(wnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyTree(wnd);
    return nullptr;
  }
  if (!ValidWnd(wnd)) return nullptr;
  SendMessage(wnd, WM_SIZE, SIZE_RESTORED,
              MAKELPARAM(static_cast<WORD>(wnd->Client.right - wnd->Client.left),
                         static_cast<WORD>(wnd->Client.bottom - wnd->Client.top)));
  // WM_MOVE carries the client area's origin in the parent's client coordinates (screen).
  SendMessage(wnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(wnd->Rect.left + wnd->Client.left),
                                          static_cast<WORD>(wnd->Rect.top + wnd->Client.top)));
  SendNotifyParent(wnd, WM_CREATE);
  if (style & WS_VISIBLE) ShowWindow(wnd, SW_SHOW);
  return ValidWnd(wnd) ? wnd : nullptr;
}

namespace {

void SendDestroy(HWND w) {
  SendMessage(w, WM_DESTROY, 0, 0);
  std::vector<HWND> kids = w->Children;
  for (HWND c : kids)
    if (ValidWnd(c)) SendDestroy(c);
}

void FreeTree(HWND w) {
  std::vector<HWND> kids = w->Children;
  for (HWND c : kids)
    if (ValidWnd(c)) FreeTree(c);
  SendMessage(w, WM_NCDESTROY, 0, 0);
  if (gFocus == w) gFocus = nullptr;
  if (gCapture == w) gCapture = nullptr;
  if (gActive == w) gActive = nullptr;
  KillWindowTimers(w);
  PurgeWindowMessages(w);
  ForgetWindowInput(w);
  if (w->Surface && Backend()) Backend()->WindowDestroyed(w);
  Unlink(w);
  if (w->Update) DeleteObject(w->Update);
  if (w->WindowRgn) DeleteObject(w->WindowRgn);
  std::lock_guard<std::recursive_mutex> g(WmLock());
  Live().erase(w);
  RetireWnd(w);
}

void DestroyTree(HWND w) {
  w->Destroying = true;
  SendDestroy(w);
  FreeTree(w);
}

}  // namespace

BOOL DestroyWindow(HWND w) {
  if (!ValidWnd(w) || w->Destroying) return FALSE;
  if (CallCbtHook(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(w), 0)) return FALSE;
  // Owned top-level windows go first.
  if (IsTopLevel(w)) {
    std::vector<HWND> owned;
    for (HWND o : Desktop()->Children)
      if (o->Owner == w) owned.push_back(o);
    for (HWND o : owned) DestroyWindow(o);
  }
  if (!ValidWnd(w) || w->Destroying) return TRUE;
  // The parent hears of it before anything changes.
  SendNotifyParent(w, WM_DESTROY);
  if (!ValidWnd(w) || w->Destroying) return TRUE;
  w->Destroying = true;
  // Hidden first: a child through ShowWindow (WM_SHOWWINDOW FALSE; a focus inside it goes to the
  // parent), a top-level window by SetWindowPos, which passes activation on if it was active.
  if (w->Style & WS_VISIBLE) {
    if (IsTopLevel(w)) SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    else ShowWindow(w, SW_HIDE);
    if (!ValidWnd(w)) return TRUE;
  }
  if (gActive == w) ActivateOtherWindow(w);  // active while hidden
  if (gFocus && (gFocus == w || IsChild(w, gFocus))) {
    HWND old = gFocus;
    gFocus = nullptr;
    if (ValidWnd(old)) SendMessage(old, WM_KILLFOCUS, 0, 0);
  }
  if (gCapture && (gCapture == w || IsChild(w, gCapture))) ReleaseCapture();
  if (!ValidWnd(w)) return TRUE;
  SendDestroy(w);
  FreeTree(w);
  return TRUE;
}

void DestroyAllThreadWindows() {
  std::vector<HWND> mine;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    for (HWND t : Desktop()->Children)
      if (t->Thread == std::this_thread::get_id()) mine.push_back(t);
  }
  for (HWND t : mine)
    if (ValidWnd(t)) DestroyWindow(t);
  gActive = gFocus = gCapture = nullptr;
}

BOOL IsWindow(HWND w) { return ValidWnd(w) ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND w) {
  if (!ValidWnd(parent) || !ValidWnd(w)) return FALSE;
  for (HWND p = w->Parent; p && p != Desktop(); p = p->Parent)
    if (p == parent) return TRUE;
  return FALSE;
}

HWND GetParent(HWND w) {
  if (!ValidWnd(w)) return nullptr;
  if (w->Style & WS_CHILD) return w->Parent;
  return w->Owner;
}

HWND SetParent(HWND w, HWND newParent) {
  if (!ValidWnd(w)) return nullptr;
  if (newParent && !ValidWnd(newParent)) return nullptr;
  HWND np = newParent ? newParent : Desktop();
  if (np == w || (newParent && IsChild(w, newParent))) return nullptr;
  HWND old = w->Parent == Desktop() ? nullptr : w->Parent;
  bool visible = w->Style & WS_VISIBLE;
  if (visible) InvalidateParentArea(w, w->Rect);
  Unlink(w);
  if (IsTopLevel(w) && w->Surface && Backend()) Backend()->WindowDestroyed(w);
  w->Parent = np;
  if (np == Desktop()) {
    w->Surface.reset();
    w->Pixels.clear();
  } else {
    w->Surface.reset();
    w->Pixels.clear();
  }
  PlaceInZOrder(w, HWND_TOP);
  if (visible) {
    if (IsTopLevel(w)) {
      EnsureSurface(w);
      if (Backend()) Backend()->WindowShown(w, true);
    }
    InvalidateInternal(w, nullptr, true, true, true);
  }
  return old ? old : Desktop();
}

HWND GetAncestor(HWND w, UINT flags) {
  if (!ValidWnd(w)) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->Parent;
    case GA_ROOT: return RootOf(w);
    case GA_ROOTOWNER: {
      HWND r = RootOf(w);
      while (r->Owner) r = r->Owner;
      return r;
    }
  }
  return nullptr;
}

HWND GetDesktopWindow() { return Desktop(); }

HWND GetWindow(HWND w, UINT cmd) {
  if (!ValidWnd(w) && w != Desktop()) return nullptr;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (cmd == GW_OWNER) return w->Owner;
  // Message-only windows are siblings of each other only, never of the ordinary top-level
  // windows, so walking the desktop's z-order does not meet them.
  auto siblings = [](HWND parent, bool messageOnly) {
    std::vector<HWND> v;
    for (HWND c : parent->Children)
      if (c->MessageOnly == messageOnly) v.push_back(c);
    return v;
  };
  if (cmd == GW_CHILD) {
    std::vector<HWND> v = siblings(w, false);
    return v.empty() ? nullptr : v.front();
  }
  if (!w->Parent) return nullptr;
  std::vector<HWND> v = siblings(w->Parent, w->MessageOnly);
  auto it = std::find(v.begin(), v.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return v.front();
    case GW_HWNDLAST: return v.back();
    case GW_HWNDNEXT: return (it == v.end() || it + 1 == v.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == v.begin() || it == v.end()) ? nullptr : *(it - 1);
  }
  return nullptr;
}

HWND GetTopWindow(HWND w) { return GetWindow(w ? w : Desktop(), GW_CHILD); }

namespace {
bool EnumTree(HWND parent, WNDENUMPROC proc, LPARAM param) {
  std::vector<HWND> kids = parent->Children;
  for (HWND c : kids) {
    if (!ValidWnd(c) || c->MessageOnly) continue;
    if (!proc(c, param)) return false;
    if (ValidWnd(c) && !EnumTree(c, proc, param)) return false;
  }
  return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
  if (!proc) return FALSE;
  EnumTree(parent ? parent : Desktop(), proc, param);
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM param) {
  std::vector<HWND> tops = Desktop()->Children;
  for (HWND t : tops)
    if (ValidWnd(t) && !t->MessageOnly && !proc(t, param)) break;
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM param) {
  std::vector<HWND> tops = Desktop()->Children;
  for (HWND t : tops)
    if (ValidWnd(t) && !t->MessageOnly && ThreadIdOf(t->Thread) == threadId && !proc(t, param)) break;
  return TRUE;
}

HWND FindWindow(LPCSTR className, LPCSTR windowName) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (HWND t : Desktop()->Children) {
    if (t->MessageOnly) continue;
    if (className && ClassKey(className) != ClassKey(t->Class->Name.c_str())) continue;
    if (windowName && t->Text != windowName) continue;
    return t;
  }
  return nullptr;
}

DWORD GetWindowThreadProcessId(HWND w, DWORD* pid) {
  if (pid) *pid = 1;
  return ValidWnd(w) ? ThreadIdOf(w->Thread) : 0;
}

// ---- Long values, properties, text ----
LONG_PTR GetWindowLongPtr(HWND w, int index) {
  if (!ValidWnd(w)) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->Proc);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->Style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->ExStyle);
    case GWLP_USERDATA: return w->UserData;
    case GWLP_ID: return w->Id;
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->Instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(GetParent(w));
  }
  return 0;
}

LONG_PTR SetWindowLongPtr(HWND w, int index, LONG_PTR value) {
  if (!ValidWnd(w)) return 0;
  LONG_PTR old = GetWindowLongPtr(w, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (value) w->Proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      struct { DWORD oldS, newS; } ss{static_cast<DWORD>(old), static_cast<DWORD>(value)};
      SendMessage(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
      DWORD nv = ss.newS;
      if (index == GWL_STYLE) {
        // Visibility changes through ShowWindow only, as the original keeps WS_VISIBLE in step
        // with the window's real state... except that setting the bit makes it visible without
        // painting, which is what callers that toggle it around updates expect.
        w->Style = nv;
      } else {
        w->ExStyle = nv;
      }
      SendMessage(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    case GWLP_USERDATA: w->UserData = value; break;
    case GWLP_ID: w->Id = value; break;
    case GWLP_HINSTANCE: w->Instance = reinterpret_cast<HINSTANCE>(value); break;
    case GWLP_HWNDPARENT:
      if (IsTopLevel(w)) w->Owner = ValidWnd(reinterpret_cast<HWND>(value)) ? reinterpret_cast<HWND>(value) : nullptr;
      break;
    default: return 0;
  }
  return old;
}

BOOL SetProp(HWND w, LPCSTR name, HANDLE data) {
  if (!ValidWnd(w) || !name) return FALSE;
  w->Props[name] = data;
  return TRUE;
}

HANDLE GetProp(HWND w, LPCSTR name) {
  if (!ValidWnd(w) || !name) return nullptr;
  auto it = w->Props.find(name);
  return it == w->Props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND w, LPCSTR name) {
  if (!ValidWnd(w) || !name) return nullptr;
  auto it = w->Props.find(name);
  if (it == w->Props.end()) return nullptr;
  HANDLE h = it->second;
  w->Props.erase(it);
  return h;
}

int GetWindowText(HWND w, LPSTR buf, int size) {
  if (!ValidWnd(w) || !buf || size <= 0) return 0;
  return static_cast<int>(SendMessage(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buf)));
}

int GetWindowTextLength(HWND w) {
  return ValidWnd(w) ? static_cast<int>(SendMessage(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL SetWindowText(HWND w, LPCSTR text) {
  if (!ValidWnd(w)) return FALSE;
  return SendMessage(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

// ---- Geometry ----
BOOL GetWindowRect(HWND w, RECT* r) {
  if (!r || (!ValidWnd(w) && w != Desktop())) return FALSE;
  if (w == Desktop()) {
    *r = w->Rect;
    return TRUE;
  }
  POINT o = WindowOriginInRoot(w);
  HWND root = RootOf(w);
  int x = root->Rect.left + o.x, y = root->Rect.top + o.y;
  *r = {x, y, x + (w->Rect.right - w->Rect.left), y + (w->Rect.bottom - w->Rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND w, RECT* r) {
  if (!r || (!ValidWnd(w) && w != Desktop())) return FALSE;
  *r = {0, 0, w->Client.right - w->Client.left, w->Client.bottom - w->Client.top};
  return TRUE;
}

BOOL ClientToScreen(HWND w, POINT* p) {
  if (!ValidWnd(w) || !p) return FALSE;
  POINT o = ClientOriginOnScreen(w);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND w, POINT* p) {
  if (!ValidWnd(w) || !p) return FALSE;
  POINT o = ClientOriginOnScreen(w);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT count) {
  POINT a = (from && from != Desktop()) ? ClientOriginOnScreen(from) : POINT{0, 0};
  POINT b = (to && to != Desktop()) ? ClientOriginOnScreen(to) : POINT{0, 0};
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    pts[i].x += dx;
    pts[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL MoveWindow(HWND w, int x, int y, int cx, int cy, BOOL repaint) {
  return SetWindowPos(w, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD exStyle) {
  if (!r) return FALSE;
  // The same rule as the default WM_NCCALCSIZE, applied outwards.
  int frame = FrameThickness(style, exStyle);
  if (exStyle & WS_EX_CLIENTEDGE) frame += 2;
  if (exStyle & WS_EX_STATICEDGE) frame += 1;
  InflateRect(r, frame, frame);
  if ((style & WS_CAPTION) == WS_CAPTION)
    r->top -= (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  if (menu) r->top -= GetSystemMetrics(SM_CYMENU);
  return TRUE;
}

// A new window region is a change of the window's shape: it goes through SetWindowPos, so the
// window hears WM_WINDOWPOSCHANGING/CHANGED, and when it is to be redrawn the frame is worked
// out again (WM_NCCALCSIZE) and repainted.
int SetWindowRgn(HWND w, HRGN rgn, BOOL redraw) {
  if (!ValidWnd(w)) return 0;
  if (w->WindowRgn) DeleteObject(w->WindowRgn);
  w->WindowRgn = rgn;
  if (redraw && !IsTopLevel(w) && (w->Style & WS_VISIBLE)) InvalidateParentArea(w, w->Rect);
  w->ShapeChanged = true;
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
               (redraw ? UINT(SWP_FRAMECHANGED) : UINT(SWP_NOREDRAW)));
  return 1;
}

int GetWindowRgn(HWND w, HRGN out) {
  if (!ValidWnd(w) || !w->WindowRgn || !out) return ERROR;
  return CombineRgn(out, w->WindowRgn, nullptr, RGN_COPY);
}

BOOL GetWindowPlacement(HWND w, WINDOWPLACEMENT* wp) {
  if (!ValidWnd(w) || !wp) return FALSE;
  wp->showCmd = (w->Style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : (w->Style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                : (w->Style & WS_VISIBLE) ? SW_SHOWNORMAL : SW_HIDE;
  wp->rcNormalPosition = (w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->NormalRect : w->Rect;
  return TRUE;
}

BOOL SetWindowPos(HWND w, HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (!ValidWnd(w)) return FALSE;
  WINDOWPOS wp{w, after, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) { wp.x = w->Rect.left; wp.y = w->Rect.top; }
  if (flags & SWP_NOSIZE) { wp.cx = w->Rect.right - w->Rect.left; wp.cy = w->Rect.bottom - w->Rect.top; }
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessage(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!ValidWnd(w)) return FALSE;
  }
  flags = wp.flags;
  if (w->MessageOnly) flags = (flags & ~UINT(SWP_SHOWWINDOW)) | SWP_NOACTIVATE;
  if (flags & SWP_NOMOVE) { wp.x = w->Rect.left; wp.y = w->Rect.top; }
  if (flags & SWP_NOSIZE) { wp.cx = w->Rect.right - w->Rect.left; wp.cy = w->Rect.bottom - w->Rect.top; }
  wp.cx = std::max(0, wp.cx);
  wp.cy = std::max(0, wp.cy);
  RECT old = w->Rect;
  const RECT oldClient = w->Client;
  RECT nr{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  bool moved = nr.left != old.left || nr.top != old.top;
  bool sized = (nr.right - nr.left) != (old.right - old.left) || (nr.bottom - nr.top) != (old.bottom - old.top);
  bool wasVisible = w->Style & WS_VISIBLE;
  bool show = flags & SWP_SHOWWINDOW, hide = flags & SWP_HIDEWINDOW;
  bool zchange = !(flags & SWP_NOZORDER);
  bool redraw = !(flags & SWP_NOREDRAW);
  // The old area of a visible window that moves, changes size or hides shows what lies below.
  if (wasVisible && redraw && (moved || sized || hide)) InvalidateParentArea(w, old);
  w->Rect = nr;
  bool raised = false;
  if (zchange) {
    HWND a = wp.hwndInsertAfter;
    const auto& order = w->Parent->Children;
    const auto before = std::find(order.begin(), order.end(), w) - order.begin();
    if (a == HWND_TOPMOST) w->ExStyle |= WS_EX_TOPMOST;
    if (a == HWND_NOTOPMOST) w->ExStyle &= ~WS_EX_TOPMOST;
    PlaceInZOrder(w, a);
    raised = std::find(order.begin(), order.end(), w) - order.begin() < before;
  }
  if (sized || (flags & SWP_FRAMECHANGED)) {
    RecalcClient(w, &old, &wp);
    if (!ValidWnd(w)) return FALSE;
  }
  if (show) w->Style |= WS_VISIBLE;
  if (hide) w->Style &= ~WS_VISIBLE;
  bool nowVisible = w->Style & WS_VISIBLE;
  if (IsTopLevel(w) && nowVisible) EnsureSurface(w);
  if (nowVisible && redraw && (!wasVisible || moved || sized || zchange || (flags & SWP_FRAMECHANGED))) {
    if (!wasVisible || sized || (flags & SWP_FRAMECHANGED) || !IsTopLevel(w))
      InvalidateInternal(w, nullptr, true, true, true);
  }
  if (IsTopLevel(w) && Backend()) {
    if (show && !wasVisible) Backend()->WindowShown(w, true);
    if (hide && wasVisible) Backend()->WindowShown(w, false);
    if (moved || sized) Backend()->WindowMoved(w);
    // A newly shown window is made in front by the display itself.
    if (raised && wasVisible && !hide) Backend()->WindowRaised(w);
  }
  if (hide && wasVisible) {
    // A focus inside a hidden child goes to the child's parent; a hidden active window passes
    // activation on (and its focus with it).
    if (gFocus && (gFocus == w || IsChild(w, gFocus)) && !IsTopLevel(w) && ValidWnd(w->Parent)) SetFocus(w->Parent);
    if (gActive == w) ActivateOtherWindow(w);
    if (!ValidWnd(w)) return TRUE;
  }
  if (show && !wasVisible && IsTopLevel(w) && !(flags & SWP_NOACTIVATE) && !(w->ExStyle & WS_EX_NOACTIVATE))
    SetActiveWindow(w);
  if (!ValidWnd(w)) return TRUE;
  const bool shaped = w->ShapeChanged;
  w->ShapeChanged = false;
  if (moved || sized || show || hide || zchange || shaped || (flags & SWP_FRAMECHANGED)) {
    wp.x = nr.left; wp.y = nr.top; wp.cx = nr.right - nr.left; wp.cy = nr.bottom - nr.top;
    // Whether the client area changed size or place (a new show state counts as a new size).
    const RECT& c = w->Client;
    bool clientSized = c.right - c.left != oldClient.right - oldClient.left ||
                       c.bottom - c.top != oldClient.bottom - oldClient.top || w->SizeStateChanged;
    bool clientMoved = nr.left + c.left != old.left + oldClient.left || nr.top + c.top != old.top + oldClient.top;
    w->SizeStateChanged = false;
    wp.flags = (flags & ~UINT(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE)) | (moved ? 0u : UINT(SWP_NOMOVE)) |
               (sized ? 0u : UINT(SWP_NOSIZE)) | (clientSized ? 0u : UINT(SWP_NOCLIENTSIZE)) |
               (clientMoved ? 0u : UINT(SWP_NOCLIENTMOVE));
    SendMessage(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  }
  return TRUE;
}

BOOL BringWindowToTop(HWND w) { return SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

// ---- Show states ----
BOOL ShowWindow(HWND w, int cmd) {
  if (!ValidWnd(w) || w->MessageOnly) return FALSE;
  bool was = w->Style & WS_VISIBLE;
  UINT noAct = IsTopLevel(w) ? 0u : UINT(SWP_NOACTIVATE);
  auto restoreFrom = [&](DWORD bit) {
    if (w->Style & bit) {
      w->Style &= ~bit;
      w->SizeStateChanged = true;
      RECT n = w->NormalRect;
      SetWindowPos(w, nullptr, n.left, n.top, n.right - n.left, n.bottom - n.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return true;
    }
    return false;
  };
  switch (cmd) {
    case SW_HIDE:
      if (!was) return FALSE;
      SendMessage(w, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | noAct);
      return TRUE;
    case SW_SHOWMAXIMIZED: {
      if (!(w->Style & WS_MAXIMIZE)) {
        if (!(w->Style & WS_MINIMIZE)) w->NormalRect = w->Rect;
        // The window takes the work area of its own monitor (a child: its parent's client
        // area) with its frame outside it, as its WM_GETMINMAXINFO answer places it.
        MINMAXINFO mm;
        DefaultMinMaxInfo(w, (w->Style & ~WS_MINIMIZE) | WS_MAXIMIZE, &mm);
        SendMessage(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
        if (!ValidWnd(w)) return FALSE;
        w->Style = (w->Style & ~WS_MINIMIZE) | WS_MAXIMIZE;
        w->SizeStateChanged = true;
        int cx = std::min(mm.ptMaxSize.x, std::max(mm.ptMaxTrackSize.x, mm.ptMinTrackSize.x));
        int cy = std::min(mm.ptMaxSize.y, std::max(mm.ptMaxTrackSize.y, mm.ptMinTrackSize.y));
        if (!was) SendMessage(w, WM_SHOWWINDOW, TRUE, 0);
        // One WM_SIZE (SIZE_MAXIMIZED) follows from the frame change.
        SetWindowPos(w, HWND_TOP, mm.ptMaxPosition.x, mm.ptMaxPosition.y, cx, cy, SWP_SHOWWINDOW | SWP_FRAMECHANGED | noAct);
      } else if (!was) {
        SendMessage(w, WM_SHOWWINDOW, TRUE, 0);
        SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | noAct);
      }
      return was;
    }
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!(w->Style & WS_MINIMIZE)) {
        if (!(w->Style & WS_MAXIMIZE)) w->NormalRect = w->Rect;
        w->Style |= WS_MINIMIZE;
        ActivateOtherWindow(w);
        if (!ValidWnd(w)) return FALSE;
        if (!was) {
          SendMessage(w, WM_SHOWWINDOW, TRUE, 0);
          SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        }
        SendMessage(w, WM_SIZE, SIZE_MINIMIZED, 0);
        if (ValidWnd(w) && (w->ExStyle & WS_EX_MDICHILD)) MdiChildMinimized(w);
      }
      return was;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
      if (!was) SendMessage(w, WM_SHOWWINDOW, TRUE, 0);
      if (!restoreFrom(WS_MAXIMIZE) && !restoreFrom(WS_MINIMIZE)) {}
      SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | noAct);
      return was;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
      if (!was) SendMessage(w, WM_SHOWWINDOW, TRUE, 0);
      SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE |
                   (cmd == SW_SHOWNA ? UINT(SWP_NOZORDER) : 0u));
      return was;
    case SW_SHOW:
    default:
      if (!was) SendMessage(w, WM_SHOWWINDOW, TRUE, 0);
      SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | noAct | (was ? UINT(SWP_NOZORDER) : 0u));
      if (was && IsTopLevel(w) && gActive != w) SetActiveWindow(w);
      return was;
  }
}

BOOL IsWindowVisible(HWND w) { return ValidWnd(w) && VisibleChain(w) ? TRUE : FALSE; }
BOOL IsIconic(HWND w) { return ValidWnd(w) && (w->Style & WS_MINIMIZE) ? TRUE : FALSE; }
BOOL IsZoomed(HWND w) { return ValidWnd(w) && (w->Style & WS_MAXIMIZE) ? TRUE : FALSE; }

BOOL EnableWindow(HWND w, BOOL enable) {
  if (!ValidWnd(w)) return FALSE;
  bool wasDisabled = w->Style & WS_DISABLED;
  if (enable == !wasDisabled) return wasDisabled;
  if (enable) {
    w->Style &= ~WS_DISABLED;
  } else {
    w->Style |= WS_DISABLED;
    if (gFocus && (gFocus == w || IsChild(w, gFocus))) SetFocus(nullptr);
    if (gCapture == w) ReleaseCapture();
  }
  SendMessage(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND w) { return ValidWnd(w) && !(w->Style & WS_DISABLED) ? TRUE : FALSE; }

// ---- Activation, focus, capture ----
HWND SetActiveWindow(HWND w) {
  if (w && !ValidWnd(w)) return nullptr;
  if (w) w = RootOf(w);
  if (w && w->MessageOnly) return nullptr;
  HWND old = gActive;
  if (w == old) return old;
  CBTACTIVATESTRUCT cas{FALSE, old};
  if (w && CallCbtHook(HCBT_ACTIVATE, reinterpret_cast<WPARAM>(w), reinterpret_cast<LPARAM>(&cas))) return nullptr;
  // The old window hears first; its focus stays until the new window takes the focus (or, when
  // the activation leaves the focus behind, is taken away at the end).
  if (old && ValidWnd(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    if (ValidWnd(old)) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(w));
  }
  gActive = w;
  // The application gains or loses activation: every top-level window of the thread hears it.
  if (!old || !w) {
    HWND any = w ? w : old;
    std::vector<HWND> tops;
    if (ValidWnd(any)) {
      std::lock_guard<std::recursive_mutex> g(WmLock());
      for (HWND t : Desktop()->Children)
        if (!t->MessageOnly && t->Thread == any->Thread) tops.push_back(t);
    }
    for (HWND t : tops)
      if (ValidWnd(t)) SendMessage(t, WM_ACTIVATEAPP, w ? TRUE : FALSE, 0);
  }
  if (w && ValidWnd(w) && gActive == w) {
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    SendMessage(w, WM_NCACTIVATE, TRUE, 0);
    if (ValidWnd(w)) SendMessage(w, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  }
  if (gFocus && (!gActive || RootOf(gFocus) != gActive)) {
    HWND f = gFocus;
    gFocus = nullptr;
    if (ValidWnd(f)) SendMessage(f, WM_KILLFOCUS, 0, 0);
  }
  return old;
}

HWND GetActiveWindow() { return gActive; }

BOOL InjectActivate(HWND w) {
  // The display's word comes late: by the time it is read the program may have hidden the window
  // or disabled it for a modal or progress state. Such a window is not made active (the user can
  // neither see nor use it); the active window keeps the activation and its focus.
  if (!ValidWnd(w) || w->MessageOnly) return FALSE;
  w = RootOf(w);
  if (!(w->Style & WS_VISIBLE) || (w->Style & WS_DISABLED)) return FALSE;
  if (gActive != w) SetActiveWindow(w);
  return gActive == w ? TRUE : FALSE;
}
BOOL SetForegroundWindow(HWND w) { return SetActiveWindow(w) != nullptr || gActive == RootOf(w); }
HWND GetForegroundWindow() { return gActive; }

HWND SetFocus(HWND w) {
  HWND old = gFocus;
  if (w && !ValidWnd(w)) return nullptr;
  if (w == old) return old;
  if (CallCbtHook(HCBT_SETFOCUS, reinterpret_cast<WPARAM>(w), reinterpret_cast<LPARAM>(old))) return nullptr;
  if (w) {
    if (w->Style & WS_DISABLED) return nullptr;
    HWND root = RootOf(w);
    if (gActive != root) {
      SetActiveWindow(root);
      if (gActive != root) return nullptr;
      old = gFocus;  // activation may have moved the focus
      if (w == old) return old;
    }
  }
  gFocus = w;
  if (old && ValidWnd(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w), 0);
  if (w && ValidWnd(w) && gFocus == w) SendMessage(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return gFocus; }

HWND SetCapture(HWND w) {
  if (!ValidWnd(w)) return nullptr;
  HWND old = gCapture;
  gCapture = w;
  if (old && old != w && ValidWnd(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = gCapture;
  gCapture = nullptr;
  if (old && ValidWnd(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return gCapture; }
