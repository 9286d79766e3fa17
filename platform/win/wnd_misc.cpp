// The smaller services of the window manager: caret, cursors (standard ones and .cur files),
// the clipboard with named formats, dropped files, accelerator tables, dialog navigation,
// system parameters, and the choice of display back end.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/win/wnd_internal.h"

// ---- Display back end ----
namespace {
std::unique_ptr<TDisplayBackend>& BackendSlot() {
  static std::unique_ptr<TDisplayBackend> b;
  return b;
}
}  // namespace

TDisplayBackend* Backend() {
  auto& b = BackendSlot();
  if (!b) {
    // ORVANTA_DISPLAY=headless|sdl chooses; by default SDL2 where a display is present.
    const char* want = std::getenv("ORVANTA_DISPLAY");
    std::string w = want ? want : "";
    bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (w == "sdl" || (w.empty() && display)) b = CreateSdlBackend();
    if (!b) b = CreateHeadlessBackend();
  }
  return b.get();
}

std::unique_ptr<TDisplayBackend> ReplaceDisplayBackend(std::unique_ptr<TDisplayBackend> b) {
  Backend();
  std::swap(BackendSlot(), b);
  return b;
}

const char* DisplayBackendName() { return Backend()->Name(); }

// ---- Caret ----
// One caret at a time, as on the original: the window manager draws it by inverting its
// rectangle (or XOR-ing the bitmap given to CreateCaret) in the owner's client area, so drawing it
// a second time restores the pixels exactly. Every change of place, visibility or owner first
// takes the drawn caret off the screen. The blinking is driven by the owner thread's message
// retrieval (CaretBlinkTick), so it needs no timer of its own that an application could see.
namespace {
struct TCaret {
  HWND Wnd = nullptr;
  HBITMAP Bitmap = nullptr;  // not owned; null or (HBITMAP)1 give a solid (inverted) block
  int W = 1, H = 1;
  POINT Pos{0, 0};
  int Hidden = 1;         // ShowCaret decrements; visible at 0
  bool On = false;        // drawn on the screen now
  bool PaintHide = false;  // taken off by BeginPaint, back at EndPaint
  uint64_t NextToggle = 0;
} gCaret;
UINT gBlinkTime = 530;
constexpr UINT kNoBlink = 0xFFFFFFFFu;  // SetCaretBlinkTime(INFINITE): a steady caret

// Draws (or undraws, the same operation) the caret through a client DC that ignores
// LockWindowUpdate, so the pixels under it always come back.
void InvertCaret() {
  HWND w = gCaret.Wnd;
  if (!ValidWnd(w)) return;
  HDC dc = GetDCEx(w, nullptr, DCX_LOCKWINDOWUPDATE);
  if (!dc) return;
  BITMAP bm{};
  bool bitmap = gCaret.Bitmap && gCaret.Bitmap != reinterpret_cast<HBITMAP>(1) &&
                GetObject(gCaret.Bitmap, sizeof bm, &bm);
  if (bitmap) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, gCaret.Bitmap);
    BitBlt(dc, gCaret.Pos.x, gCaret.Pos.y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCINVERT);
    SelectObject(mem, old);
    DeleteDC(mem);
  } else {
    PatBlt(dc, gCaret.Pos.x, gCaret.Pos.y, gCaret.W, gCaret.H, DSTINVERT);
  }
  ReleaseDC(w, dc);
  gCaret.On = !gCaret.On;
}

void CaretOff() {
  if (gCaret.On) InvertCaret();
}

// Shows the caret at once and starts a new blink period (after a move or ShowCaret, the caret is
// seen straight away, as a user typing expects).
void CaretOnNow() {
  if (gCaret.Hidden > 0 || gCaret.PaintHide || !gCaret.Wnd || !VisibleChain(gCaret.Wnd)) return;
  if (!gCaret.On) InvertCaret();
  gCaret.NextToggle = NowMs() + gBlinkTime;
}

// A caret whose window was destroyed goes with it.
bool CaretAlive() {
  if (gCaret.Wnd && !ValidWnd(gCaret.Wnd)) gCaret = TCaret{};
  return gCaret.Wnd != nullptr;
}
}  // namespace

BOOL CreateCaret(HWND w, HBITMAP bm, int wd, int ht) {
  if (!ValidWnd(w)) return FALSE;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (CaretAlive()) CaretOff();
  // A zero width or height is the width or height of a window border.
  gCaret = TCaret{w, bm, wd > 0 ? wd : GetSystemMetrics(SM_CXBORDER), ht > 0 ? ht : GetSystemMetrics(SM_CYBORDER)};
  BITMAP info{};
  if (bm && bm != reinterpret_cast<HBITMAP>(1) && GetObject(bm, sizeof info, &info)) {
    gCaret.W = info.bmWidth;
    gCaret.H = info.bmHeight;
  }
  return TRUE;
}
BOOL DestroyCaret() {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive()) return FALSE;
  CaretOff();
  gCaret = TCaret{};
  return TRUE;
}
BOOL ShowCaret(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive() || (w && w != gCaret.Wnd)) return FALSE;
  if (gCaret.Hidden > 0 && --gCaret.Hidden == 0) CaretOnNow();
  return TRUE;
}
BOOL HideCaret(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive() || (w && w != gCaret.Wnd)) return FALSE;
  CaretOff();
  ++gCaret.Hidden;
  return TRUE;
}
BOOL SetCaretPos(int x, int y) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive()) return FALSE;
  if (gCaret.Pos.x == x && gCaret.Pos.y == y) return TRUE;
  CaretOff();
  gCaret.Pos = {x, y};
  CaretOnNow();
  return TRUE;
}
BOOL GetCaretPos(POINT* p) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!p || !CaretAlive()) return FALSE;
  *p = gCaret.Pos;
  return TRUE;
}
UINT GetCaretBlinkTime() { return gBlinkTime; }
BOOL SetCaretBlinkTime(UINT ms) {
  if (ms == 0) return FALSE;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  gBlinkTime = ms;
  if (gCaret.Wnd) gCaret.NextToggle = NowMs() + ms;
  return TRUE;
}

void CaretHideForPaint(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive() || gCaret.Wnd != w || gCaret.PaintHide) return;
  CaretOff();
  gCaret.PaintHide = true;
}

void CaretShowAfterPaint(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive() || gCaret.Wnd != w || !gCaret.PaintHide) return;
  gCaret.PaintHide = false;
  CaretOnNow();
}

uint64_t CaretBlinkTick(std::thread::id thread) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!CaretAlive() || gCaret.Wnd->Thread != thread || gBlinkTime == kNoBlink) return UINT64_MAX;
  if (gCaret.Hidden > 0 || gCaret.PaintHide || !VisibleChain(gCaret.Wnd)) return UINT64_MAX;
  uint64_t now = NowMs();
  if (now >= gCaret.NextToggle) {
    InvertCaret();
    gCaret.NextToggle = now + gBlinkTime;
  }
  return gCaret.NextToggle;
}

// ---- Cursors ----
struct TCursorObj {
  uintptr_t Id = 0;
  int W = 32, H = 32, HotX = 0, HotY = 0;
  std::vector<uint32_t> Pixels;
};

namespace {
std::vector<std::unique_ptr<TCursorObj>>& CursorTable() {
  static std::vector<std::unique_ptr<TCursorObj>> t;
  return t;
}
HCURSOR gCursorNow = nullptr;
int gShowCount = 0;

HCURSOR AsHandle(TCursorObj* c) { return reinterpret_cast<HCURSOR>(c); }
TCursorObj* FromHandle(HCURSOR h) {
  for (auto& c : CursorTable())
    if (AsHandle(c.get()) == h) return c.get();
  return nullptr;
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE, LPCSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  static const uintptr_t known[] = {IDC_ARROW_ID, IDC_IBEAM_ID, IDC_WAIT_ID, IDC_CROSS_ID, IDC_UPARROW_ID,
                                    IDC_SIZENWSE_ID, IDC_SIZENESW_ID, IDC_SIZEWE_ID, IDC_SIZENS_ID,
                                    IDC_SIZEALL_ID, IDC_NO_ID, IDC_HAND_ID, IDC_APPSTARTING_ID, IDC_HELP_ID};
  if (std::find(std::begin(known), std::end(known), id) == std::end(known)) return nullptr;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (auto& c : CursorTable())
    if (c->Id == id) return AsHandle(c.get());
  auto c = std::make_unique<TCursorObj>();
  c->Id = id;
  CursorTable().push_back(std::move(c));
  return AsHandle(CursorTable().back().get());
}

HCURSOR LoadCursorFromFile(LPCSTR fileName) {
  if (!fileName) return nullptr;
  std::ifstream f(fileName, std::ios::binary);
  if (!f) return nullptr;
  std::vector<uint8_t> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  TCursorImage img;
  if (!DecodeCursorFile(d.data(), d.size(), GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR), &img))
    return nullptr;
  auto c = std::make_unique<TCursorObj>();
  c->W = img.W;
  c->H = img.H;
  c->HotX = img.HotX;
  c->HotY = img.HotY;
  c->Pixels = std::move(img.Pixels);
  std::lock_guard<std::recursive_mutex> g(WmLock());
  CursorTable().push_back(std::move(c));
  return AsHandle(CursorTable().back().get());
}

HCURSOR SetCursor(HCURSOR c) {
  HCURSOR old = gCursorNow;
  gCursorNow = c;
  if (c != old && Backend()) Backend()->SetCursor(c);
  return old;
}
HCURSOR GetCursor() { return gCursorNow; }
BOOL DestroyCursor(HCURSOR h) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto& t = CursorTable();
  for (auto it = t.begin(); it != t.end(); ++it)
    if (AsHandle(it->get()) == h) {
      if ((*it)->Id) return TRUE;  // standard cursors are shared and stay
      if (gCursorNow == h) gCursorNow = nullptr;
      t.erase(it);
      return TRUE;
    }
  return FALSE;
}
int ShowCursor(BOOL show) { return show ? ++gShowCount : --gShowCount; }

bool GetCursorInfoOf(HCURSOR h, TCursorInfo* info) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  TCursorObj* c = FromHandle(h);
  if (!c || !info) return false;
  info->StandardId = c->Id;
  info->Width = c->W;
  info->Height = c->H;
  info->HotX = c->HotX;
  info->HotY = c->HotY;
  info->Pixels = c->Pixels.empty() ? nullptr : c->Pixels.data();
  return true;
}

// ---- Clipboard ----
namespace {
struct TClipboard {
  HWND OpenBy = nullptr;
  bool Open = false;
  std::map<UINT, std::vector<uint8_t>> Data;
  std::map<UINT, HBITMAP> Bitmaps;
  std::map<std::string, UINT> Names;
} gClip;

HBITMAP CopyBitmap(HBITMAP src) {
  BITMAP bm{};
  if (!GetObject(src, sizeof bm, &bm)) return nullptr;
  HDC s = CreateCompatibleDC(nullptr), d = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP out = CreateDIB32(bm.bmWidth, bm.bmHeight, &bits);
  HGDIOBJ o1 = SelectObject(s, src), o2 = SelectObject(d, out);
  BitBlt(d, 0, 0, bm.bmWidth, bm.bmHeight, s, 0, 0, SRCCOPY);
  SelectObject(s, o1);
  SelectObject(d, o2);
  DeleteDC(s);
  DeleteDC(d);
  return out;
}
}  // namespace

UINT RegisterClipboardFormat(LPCSTR name) {
  if (!name || !*name) return 0;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  // Names compare without regard to case, as the original's atoms do.
  std::string k = name;
  for (char& ch : k) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (auto& [n, v] : gClip.Names) {
    std::string l = n;
    for (char& ch : l) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (l == k) return v;
  }
  UINT v = 0xC000 + static_cast<UINT>(gClip.Names.size());
  gClip.Names[name] = v;
  return v;
}

int GetClipboardFormatName(UINT format, LPSTR buf, int size) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (auto& [n, v] : gClip.Names)
    if (v == format && buf && size > 0) {
      int len = std::min(static_cast<int>(n.size()), size - 1);
      std::memcpy(buf, n.data(), static_cast<size_t>(len));
      buf[len] = 0;
      return len;
    }
  return 0;
}

BOOL OpenClipboard(HWND owner) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (gClip.Open) return FALSE;
  gClip.Open = true;
  gClip.OpenBy = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!gClip.Open) return FALSE;
  gClip.Open = false;
  gClip.OpenBy = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!gClip.Open) return FALSE;
  gClip.Data.clear();
  for (auto& [f, b] : gClip.Bitmaps) DeleteObject(b);
  gClip.Bitmaps.clear();
  return TRUE;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (gClip.Data.count(format) || gClip.Bitmaps.count(format)) return TRUE;
  if (format == CF_TEXT || format == CF_UNICODETEXT) {
    std::string t;
    return Backend()->GetText(&t) && !t.empty();
  }
  return FALSE;
}

UINT EnumClipboardFormats(UINT format) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  std::vector<UINT> all;
  for (auto& [f, d] : gClip.Data) all.push_back(f);
  for (auto& [f, b] : gClip.Bitmaps) all.push_back(f);
  std::sort(all.begin(), all.end());
  auto it = std::upper_bound(all.begin(), all.end(), format);
  return it == all.end() ? 0 : *it;
}

int CountClipboardFormats() {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  return static_cast<int>(gClip.Data.size() + gClip.Bitmaps.size());
}

BOOL SetClipboardBytes(UINT format, const void* data, size_t size) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!gClip.Open || format == 0) return FALSE;
  auto* p = static_cast<const uint8_t*>(data);
  gClip.Data[format].assign(p, p + size);
  if (format == CF_TEXT) {
    std::string t(reinterpret_cast<const char*>(p), size);
    if (!t.empty() && t.back() == 0) t.pop_back();
    Backend()->SetText(t);
  }
  return TRUE;
}

bool GetClipboardBytes(UINT format, void* out, size_t* size) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = gClip.Data.find(format);
  if (it == gClip.Data.end()) {
    if (size) *size = 0;
    return false;
  }
  if (out && size) std::memcpy(out, it->second.data(), std::min(*size, it->second.size()));
  if (size) *size = it->second.size();
  return true;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  if (!gClip.Open || format != CF_BITMAP || !data) return nullptr;
  if (gClip.Bitmaps.count(format)) DeleteObject(gClip.Bitmaps[format]);
  gClip.Bitmaps[format] = static_cast<HBITMAP>(data);
  return data;
}

HANDLE GetClipboardData(UINT format) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = gClip.Bitmaps.find(format);
  return it == gClip.Bitmaps.end() ? nullptr : it->second;
}

std::string GetClipboardText() {
  std::string t;
  if (Backend()->GetText(&t)) return t;
  size_t n = 0;
  if (!GetClipboardBytes(CF_TEXT, nullptr, &n) || n == 0) return "";
  std::string s(n, '\0');
  GetClipboardBytes(CF_TEXT, s.data(), &n);
  if (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

bool SetClipboardText(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  SetClipboardBytes(CF_TEXT, text.c_str(), text.size() + 1);
  CloseClipboard();
  return true;
}

// A bitmap for the clipboard made from a copy (used by the class library).
HBITMAP CopyBitmapForClipboard(HBITMAP src) { return CopyBitmap(src); }

// ---- Dropped files ----
struct HDROP__ {
  std::vector<std::string> Files;
  POINT Pt;
};

UINT DragQueryFile(HDROP d, UINT index, LPSTR buf, UINT size) {
  if (!d) return 0;
  if (index == 0xFFFFFFFF) return static_cast<UINT>(d->Files.size());
  if (index >= d->Files.size()) return 0;
  const std::string& f = d->Files[index];
  if (buf && size) {
    size_t n = std::min<size_t>(f.size(), size - 1);
    std::memcpy(buf, f.data(), n);
    buf[n] = 0;
    return static_cast<UINT>(n);
  }
  return static_cast<UINT>(f.size());
}
BOOL DragQueryPoint(HDROP d, POINT* pt) {
  if (!d || !pt) return FALSE;
  *pt = d->Pt;
  return TRUE;
}
void DragFinish(HDROP d) { delete d; }
void DragAcceptFiles(HWND w, BOOL accept) {
  if (!ValidWnd(w)) return;
  w->AcceptFiles = accept;
  if (accept) w->ExStyle |= WS_EX_ACCEPTFILES;
  else w->ExStyle &= ~WS_EX_ACCEPTFILES;
}

void InjectDropFiles(int x, int y, const std::vector<std::string>& files) {
  HWND w = WindowFromPoint(POINT{x, y});
  while (w && !(w->ExStyle & WS_EX_ACCEPTFILES)) w = (w->Style & WS_CHILD) ? w->Parent : nullptr;
  if (!w) return;
  POINT p{x, y};
  ScreenToClient(w, &p);
  auto* d = new HDROP__{files, p};
  if (!PostMessage(w, WM_DROPFILES, reinterpret_cast<WPARAM>(d), 0)) delete d;
}

// ---- Accelerators ----
struct HACCEL__ {
  std::vector<ACCEL> Items;
};
HACCEL CreateAcceleratorTable(const ACCEL* a, int n) {
  if (!a || n <= 0) return nullptr;
  return new HACCEL__{std::vector<ACCEL>(a, a + n)};
}
BOOL DestroyAcceleratorTable(HACCEL t) {
  delete t;
  return TRUE;
}
int TranslateAccelerator(HWND w, HACCEL t, MSG* m) {
  if (!t || !m || !ValidWnd(w)) return 0;
  if (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN) return 0;
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  for (const ACCEL& a : t->Items) {
    if (!(a.fVirt & FVIRTKEY) || a.key != m->wParam) continue;
    if (bool(a.fVirt & FSHIFT) != shift || bool(a.fVirt & FCONTROL) != ctrl || bool(a.fVirt & FALT) != alt) continue;
    SendMessage(w, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
    return 1;
  }
  return 0;
}

// ---- Dialog helpers ----
namespace {
void Collect(HWND p, std::vector<HWND>* out) {
  // Tab order is the order the children were made in (z-order from the bottom, as new windows
  // go on top), depth first through WS_EX_CONTROLPARENT children.
  for (auto it = p->Children.rbegin(); it != p->Children.rend(); ++it) {
    HWND c = *it;
    if (!(c->Style & WS_VISIBLE) || (c->Style & WS_DISABLED)) continue;
    out->push_back(c);
    if (c->ExStyle & WS_EX_CONTROLPARENT) Collect(c, out);
  }
}
}  // namespace

HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous) {
  if (!ValidWnd(dlg)) return nullptr;
  std::vector<HWND> all, stops;
  Collect(dlg, &all);
  for (HWND c : all)
    if (c->Style & WS_TABSTOP) stops.push_back(c);
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), ctl);
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  if (previous) return it == stops.begin() ? stops.back() : *(it - 1);
  return (it + 1 == stops.end()) ? stops.front() : *(it + 1);
}

HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous) {
  if (!ValidWnd(dlg) || !ValidWnd(ctl)) return nullptr;
  std::vector<HWND> all;
  Collect(dlg, &all);
  auto it = std::find(all.begin(), all.end(), ctl);
  if (it == all.end()) return nullptr;
  // The group runs from the item with WS_GROUP up to the next one with WS_GROUP.
  size_t i = static_cast<size_t>(it - all.begin()), start = i, end = i;
  while (start > 0 && !(all[start]->Style & WS_GROUP)) --start;
  end = i + 1;
  while (end < all.size() && !(all[end]->Style & WS_GROUP)) ++end;
  if (previous) return i == start ? all[end - 1] : all[i - 1];
  return i + 1 == end ? all[start] : all[i + 1];
}

HWND GetDlgItem(HWND dlg, int id) {
  if (!ValidWnd(dlg)) return nullptr;
  for (HWND c : dlg->Children)
    if (c->Id == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND w) { return ValidWnd(w) ? static_cast<int>(w->Id) : 0; }

BOOL IsDialogMessage(HWND dlg, MSG* m) {
  if (!ValidWnd(dlg) || !m || !m->hwnd || (m->hwnd != dlg && !IsChild(dlg, m->hwnd))) return FALSE;
  if (m->message != WM_KEYDOWN && m->message != WM_CHAR) return FALSE;
  UINT code = static_cast<UINT>(SendMessage(m->hwnd, WM_GETDLGCODE, m->wParam, reinterpret_cast<LPARAM>(m)));
  if (code & DLGC_WANTALLKEYS) return FALSE;
  if (m->message == WM_CHAR) {
    if (m->wParam == VK_TAB || m->wParam == VK_RETURN || m->wParam == VK_ESCAPE) return TRUE;  // eaten, handled on keydown
    return FALSE;
  }
  switch (m->wParam) {
    case VK_TAB:
      if (code & DLGC_WANTTAB) return FALSE;
      if (HWND n = GetNextDlgTabItem(dlg, GetFocus(), GetKeyState(VK_SHIFT) < 0)) SetFocus(n);
      return TRUE;
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
      if (code & DLGC_WANTARROWS) return FALSE;
      if (HWND n = GetNextDlgGroupItem(dlg, GetFocus(), m->wParam == VK_LEFT || m->wParam == VK_UP)) SetFocus(n);
      return TRUE;
    case VK_RETURN:
      SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
      return TRUE;
    case VK_ESCAPE:
      SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
      return TRUE;
  }
  return FALSE;
}

// ---- System parameters ----
// How long the mouse rests on a menu item before its sub-menu opens (ms), for every thread.
static std::atomic<UINT> gMenuShowDelay{400};

BOOL SystemParametersInfo(UINT action, UINT ui, void* pv, UINT) {
  if (action == SPI_SETMENUSHOWDELAY) {
    gMenuShowDelay = ui;
    return TRUE;
  }
  if (!pv) return FALSE;
  switch (action) {
    case SPI_GETMENUSHOWDELAY: *static_cast<UINT*>(pv) = gMenuShowDelay; return TRUE;
    case SPI_GETWORKAREA: {
      // The primary monitor's work area.
      MONITORINFO mi;
      if (!GetMonitorInfo(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return FALSE;
      *static_cast<RECT*>(pv) = mi.rcWork;
      return TRUE;
    }
    case SPI_GETWHEELSCROLLLINES: *static_cast<UINT*>(pv) = 3; return TRUE;
    case SPI_GETFONTSMOOTHING: *static_cast<BOOL*>(pv) = TRUE; return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
      auto* m = static_cast<NONCLIENTMETRICSA*>(pv);
      *m = NONCLIENTMETRICSA{};
      // The caption's buttons are one pixel lower than the caption bar (SM_CYCAPTION).
      m->iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
      m->iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
      m->iMenuHeight = GetSystemMetrics(SM_CYMENU);
      m->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
      m->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
      auto font = [](LOGFONTA& lf, int weight) {
        lf = LOGFONTA{};
        lf.lfHeight = -11;
        lf.lfWeight = weight;
        lf.lfCharSet = DEFAULT_CHARSET;
        std::strcpy(lf.lfFaceName, "Tahoma");
      };
      font(m->lfCaptionFont, FW_BOLD);
      font(m->lfSmCaptionFont, FW_BOLD);
      font(m->lfMenuFont, FW_NORMAL);
      font(m->lfStatusFont, FW_NORMAL);
      font(m->lfMessageFont, FW_NORMAL);
      return TRUE;
    }
  }
  return FALSE;
}

void MessageBeep(UINT) {}
