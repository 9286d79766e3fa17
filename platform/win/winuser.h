// The window manager of the Windows API stand-in: window classes and procedures, the window
// tree, styles, positions, show states, activation, focus and capture, messages and their
// queues, timers, hot keys, hooks and subclassing, painting and update regions, the
// non-client area with frames, captions and scroll bars, caret, cursors and the clipboard.
//
// Semantics follow what a Windows programmer relies on: a sent message runs the window
// procedure at once (or, from another thread, when the owning thread next looks at its queue,
// before any posted message); posted messages keep their order; WM_PAINT and WM_TIMER are made
// when the queue has nothing else; rectangles exclude their right and bottom edges.
// Window coordinates: a child's window rectangle is kept relative to its parent's client area,
// a top-level window's in screen coordinates. Everything works without a display; a display
// back end (wnd_display.h) only mirrors top-level windows and feeds input in.
#pragma once

#include <string>
#include <vector>

#include "platform/win/gdi_user.h"
#include "platform/win/gdi_surface.h"

// ---- Messages ----
enum : UINT {
  WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003, WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A,
  WM_SETREDRAW = 0x000B, WM_SETTEXT = 0x000C, WM_GETTEXT = 0x000D, WM_GETTEXTLENGTH = 0x000E,
  WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUERYENDSESSION = 0x0011, WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014, WM_SYSCOLORCHANGE = 0x0015, WM_SHOWWINDOW = 0x0018,
  WM_SETTINGCHANGE = 0x001A, WM_ACTIVATEAPP = 0x001C, WM_CANCELMODE = 0x001F,
  WM_SETCURSOR = 0x0020, WM_MOUSEACTIVATE = 0x0021, WM_GETMINMAXINFO = 0x0024,
  WM_DRAWITEM = 0x002B, WM_MEASUREITEM = 0x002C, WM_DELETEITEM = 0x002D, WM_SETFONT = 0x0030,
  WM_GETFONT = 0x0031, WM_WINDOWPOSCHANGING = 0x0046, WM_WINDOWPOSCHANGED = 0x0047,
  WM_NOTIFY = 0x004E, WM_HELP = 0x0053, WM_CONTEXTMENU = 0x007B, WM_STYLECHANGING = 0x007C,
  WM_STYLECHANGED = 0x007D, WM_GETICON = 0x007F, WM_SETICON = 0x0080, WM_NCCREATE = 0x0081,
  WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083, WM_NCHITTEST = 0x0084, WM_NCPAINT = 0x0085,
  WM_NCACTIVATE = 0x0086, WM_GETDLGCODE = 0x0087, WM_NCMOUSEMOVE = 0x00A0,
  WM_NCLBUTTONDOWN = 0x00A1, WM_NCLBUTTONUP = 0x00A2, WM_NCLBUTTONDBLCLK = 0x00A3,
  WM_NCRBUTTONDOWN = 0x00A4, WM_NCRBUTTONUP = 0x00A5, WM_NCRBUTTONDBLCLK = 0x00A6,
  WM_NCMBUTTONDOWN = 0x00A7, WM_NCMBUTTONUP = 0x00A8, WM_NCMBUTTONDBLCLK = 0x00A9,
  WM_KEYFIRST = 0x0100, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
  WM_DEADCHAR = 0x0103, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105, WM_SYSCHAR = 0x0106,
  WM_KEYLAST = 0x0109, WM_INITDIALOG = 0x0110, WM_COMMAND = 0x0111, WM_SYSCOMMAND = 0x0112,
  WM_TIMER = 0x0113, WM_HSCROLL = 0x0114, WM_VSCROLL = 0x0115, WM_INITMENU = 0x0116,
  WM_INITMENUPOPUP = 0x0117, WM_MENUSELECT = 0x011F, WM_MENUCHAR = 0x0120, WM_ENTERIDLE = 0x0121,
  WM_CTLCOLORMSGBOX = 0x0132, WM_CTLCOLOREDIT = 0x0133, WM_CTLCOLORLISTBOX = 0x0134,
  WM_CTLCOLORBTN = 0x0135, WM_CTLCOLORDLG = 0x0136, WM_CTLCOLORSCROLLBAR = 0x0137,
  WM_CTLCOLORSTATIC = 0x0138, WM_MOUSEFIRST = 0x0200, WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209,
  WM_MOUSEWHEEL = 0x020A, WM_MOUSELAST = 0x020A, WM_PARENTNOTIFY = 0x0210,
  WM_ENTERMENULOOP = 0x0211, WM_EXITMENULOOP = 0x0212, WM_SIZING = 0x0214,
  WM_CAPTURECHANGED = 0x0215, WM_MOVING = 0x0216, WM_ENTERSIZEMOVE = 0x0231,
  WM_EXITSIZEMOVE = 0x0232, WM_DROPFILES = 0x0233, WM_MOUSEHOVER = 0x02A1,
  WM_MOUSELEAVE = 0x02A3, WM_CUT = 0x0300, WM_COPY = 0x0301, WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303, WM_UNDO = 0x0304, WM_PRINT = 0x0317, WM_PRINTCLIENT = 0x0318,
  WM_HOTKEY = 0x0312, WM_THEMECHANGED = 0x031A, WM_USER = 0x0400, WM_APP = 0x8000,
};

// Key and mouse state flags in wParam of mouse messages.
enum : UINT {
  MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008,
  MK_MBUTTON = 0x0010,
};
constexpr int WHEEL_DELTA = 120;
constexpr short GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<short>(HIWORD(w)); }
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<short>(LOWORD(static_cast<uint64_t>(l))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<short>(HIWORD(static_cast<uint64_t>(l))); }

// WM_SIZE wParam
enum : UINT { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
// WM_ACTIVATE wParam
enum : UINT { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// WM_NCHITTEST results
enum : int {
  HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTSYSMENU = 3,
  HTGROWBOX = 4, HTSIZE = 4, HTMENU = 5, HTHSCROLL = 6, HTVSCROLL = 7, HTMINBUTTON = 8,
  HTMAXBUTTON = 9, HTLEFT = 10, HTRIGHT = 11, HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14,
  HTBOTTOM = 15, HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17, HTBORDER = 18, HTREDUCE = HTMINBUTTON,
  HTZOOM = HTMAXBUTTON, HTCLOSE = 20, HTHELP = 21,
};
// WM_NCCALCSIZE results
enum : UINT {
  WVR_ALIGNTOP = 0x0010, WVR_ALIGNLEFT = 0x0020, WVR_ALIGNBOTTOM = 0x0040,
  WVR_ALIGNRIGHT = 0x0080, WVR_HREDRAW = 0x0100, WVR_VREDRAW = 0x0200,
  WVR_REDRAW = 0x0300, WVR_VALIDRECTS = 0x0400,
};
// WM_SYSCOMMAND wParam (the low four bits are the system's own)
enum : UINT {
  SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030,
  SC_NEXTWINDOW = 0xF040, SC_PREVWINDOW = 0xF050, SC_CLOSE = 0xF060, SC_VSCROLL = 0xF070,
  SC_HSCROLL = 0xF080, SC_MOUSEMENU = 0xF090, SC_KEYMENU = 0xF100, SC_RESTORE = 0xF120,
  SC_TASKLIST = 0xF130, SC_DEFAULT = 0xF160, SC_CONTEXTHELP = 0xF180,
};
// WM_H/VSCROLL codes
enum : UINT {
  SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
  SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5,
  SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8,
};
// WM_GETDLGCODE results
enum : UINT {
  DLGC_WANTARROWS = 0x0001, DLGC_WANTTAB = 0x0002, DLGC_WANTALLKEYS = 0x0004,
  DLGC_WANTMESSAGE = 0x0004, DLGC_HASSETSEL = 0x0008, DLGC_DEFPUSHBUTTON = 0x0010,
  DLGC_UNDEFPUSHBUTTON = 0x0020, DLGC_RADIOBUTTON = 0x0040, DLGC_WANTCHARS = 0x0080,
  DLGC_STATIC = 0x0100, DLGC_BUTTON = 0x2000,
};
// WM_MOUSEACTIVATE results
enum : int { MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4 };

// ---- Styles ----
enum : DWORD {
  WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
  WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
  WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000, WS_MAXIMIZE = 0x01000000,
  WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_DLGFRAME = 0x00400000,
  WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000, WS_SYSMENU = 0x00080000,
  WS_THICKFRAME = 0x00040000, WS_SIZEBOX = 0x00040000, WS_GROUP = 0x00020000,
  WS_TABSTOP = 0x00010000, WS_MINIMIZEBOX = 0x00020000, WS_MAXIMIZEBOX = 0x00010000,
  WS_OVERLAPPEDWINDOW = 0x00CF0000, WS_POPUPWINDOW = 0x80880000, WS_CHILDWINDOW = WS_CHILD,
};
enum : DWORD {
  WS_EX_DLGMODALFRAME = 0x00000001, WS_EX_NOPARENTNOTIFY = 0x00000004, WS_EX_TOPMOST = 0x00000008,
  WS_EX_ACCEPTFILES = 0x00000010, WS_EX_TRANSPARENT = 0x00000020, WS_EX_MDICHILD = 0x00000040,
  WS_EX_TOOLWINDOW = 0x00000080, WS_EX_WINDOWEDGE = 0x00000100, WS_EX_CLIENTEDGE = 0x00000200,
  WS_EX_CONTEXTHELP = 0x00000400, WS_EX_RIGHT = 0x00001000, WS_EX_RTLREADING = 0x00002000,
  WS_EX_LEFTSCROLLBAR = 0x00004000, WS_EX_CONTROLPARENT = 0x00010000,
  WS_EX_STATICEDGE = 0x00020000, WS_EX_APPWINDOW = 0x00040000, WS_EX_LAYERED = 0x00080000,
  WS_EX_NOACTIVATE = 0x08000000,
};
enum : UINT {
  CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DBLCLKS = 0x0008, CS_OWNDC = 0x0020,
  CS_CLASSDC = 0x0040, CS_PARENTDC = 0x0080, CS_NOCLOSE = 0x0200, CS_SAVEBITS = 0x0800,
  CS_GLOBALCLASS = 0x4000,
};
// Get/SetWindowLongPtr indexes (the 32-bit names are the same numbers)
enum : int {
  GWL_WNDPROC = -4, GWLP_WNDPROC = -4, GWL_HINSTANCE = -6, GWLP_HINSTANCE = -6,
  GWL_HWNDPARENT = -8, GWLP_HWNDPARENT = -8, GWL_STYLE = -16, GWL_EXSTYLE = -20,
  GWL_USERDATA = -21, GWLP_USERDATA = -21, GWL_ID = -12, GWLP_ID = -12,
};

// ---- Records ----
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
struct WNDCLASSA {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;  // a brush, or a system colour index + 1
  LPCSTR lpszMenuName = nullptr;
  LPCSTR lpszClassName = nullptr;
};
using WNDCLASS = WNDCLASSA;
struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy, cx, y, x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};
using CREATESTRUCT = CREATESTRUCTA;
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{0, 0};
};
using LPMSG = MSG*;
struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint{0, 0, 0, 0};
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};
struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x, y, cx, cy;
  UINT flags;
};
struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos;
};
struct MINMAXINFO {
  POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize;
};
struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;
  POINT ptMinPosition{}, ptMaxPosition{};
  RECT rcNormalPosition{};
};
struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};
enum : DWORD { TME_HOVER = 1, TME_LEAVE = 2, TME_CANCEL = 0x80000000 };

// ---- Classes and windows ----
ATOM RegisterClass(const WNDCLASSA* wc);
inline ATOM RegisterClassA(const WNDCLASSA* wc) { return RegisterClass(wc); }
BOOL UnregisterClass(LPCSTR name, HINSTANCE inst);
BOOL GetClassInfo(HINSTANCE inst, LPCSTR name, WNDCLASSA* out);
int GetClassName(HWND wnd, LPSTR buf, int size);
inline int GetClassNameA(HWND w, LPSTR b, int n) { return GetClassName(w, b, n); }

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);
const HWND HWND_DESKTOP = nullptr;
// As the parent of CreateWindowEx: a message-only window. It is never shown, has no place on
// any monitor, is not listed by EnumWindows, EnumThreadWindows or FindWindow, and gets its
// messages (sent or posted, from any thread) like any other window of its thread.
extern const HWND HWND_MESSAGE;
HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int w, int h, HWND parent, HMENU menu, HINSTANCE inst, LPVOID param);
inline HWND CreateWindowExA(DWORD e, LPCSTR c, LPCSTR n, DWORD s, int x, int y, int w, int h,
                            HWND p, HMENU m, HINSTANCE i, LPVOID a) {
  return CreateWindowEx(e, c, n, s, x, y, w, h, p, m, i, a);
}
inline HWND CreateWindow(LPCSTR c, LPCSTR n, DWORD s, int x, int y, int w, int h, HWND p, HMENU m,
                         HINSTANCE i, LPVOID a) {
  return CreateWindowEx(0, c, n, s, x, y, w, h, p, m, i, a);
}
BOOL DestroyWindow(HWND wnd);
BOOL IsWindow(HWND wnd);
BOOL IsChild(HWND parent, HWND wnd);
HWND GetParent(HWND wnd);  // the parent of a child, the owner of a top-level window
HWND SetParent(HWND wnd, HWND newParent);
enum : UINT { GA_PARENT = 1, GA_ROOT = 2, GA_ROOTOWNER = 3 };
HWND GetAncestor(HWND wnd, UINT flags);
enum : UINT {
  GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3, GW_OWNER = 4, GW_CHILD = 5,
};
HWND GetWindow(HWND wnd, UINT cmd);
HWND GetTopWindow(HWND wnd);
HWND GetDesktopWindow();
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM param);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM param);
HWND FindWindow(LPCSTR className, LPCSTR windowName);
DWORD GetWindowThreadProcessId(HWND wnd, DWORD* processId);
DWORD GetCurrentThreadId();

LONG_PTR GetWindowLongPtr(HWND wnd, int index);
LONG_PTR SetWindowLongPtr(HWND wnd, int index, LONG_PTR value);
inline LONG GetWindowLong(HWND w, int i) { return static_cast<LONG>(GetWindowLongPtr(w, i)); }
inline LONG SetWindowLong(HWND w, int i, LONG v) { return static_cast<LONG>(SetWindowLongPtr(w, i, v)); }
// Named window properties (SetProp/GetProp/RemoveProp).
BOOL SetProp(HWND wnd, LPCSTR name, HANDLE data);
HANDLE GetProp(HWND wnd, LPCSTR name);
HANDLE RemoveProp(HWND wnd, LPCSTR name);

int GetWindowText(HWND wnd, LPSTR buf, int size);
int GetWindowTextLength(HWND wnd);
BOOL SetWindowText(HWND wnd, LPCSTR text);
inline int GetWindowTextA(HWND w, LPSTR b, int n) { return GetWindowText(w, b, n); }
inline BOOL SetWindowTextA(HWND w, LPCSTR t) { return SetWindowText(w, t); }

// ---- Geometry ----
BOOL GetWindowRect(HWND wnd, RECT* r);   // screen coordinates
BOOL GetClientRect(HWND wnd, RECT* r);   // (0, 0, width, height) of the client area
BOOL ClientToScreen(HWND wnd, POINT* p);
BOOL ScreenToClient(HWND wnd, POINT* p);
int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT count);
BOOL MoveWindow(HWND wnd, int x, int y, int w, int h, BOOL repaint);
enum : UINT {
  SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010, SWP_FRAMECHANGED = 0x0020, SWP_DRAWFRAME = 0x0020,
  SWP_SHOWWINDOW = 0x0040, SWP_HIDEWINDOW = 0x0080, SWP_NOCOPYBITS = 0x0100,
  SWP_NOOWNERZORDER = 0x0200, SWP_NOREPOSITION = 0x0200, SWP_NOSENDCHANGING = 0x0400,
  SWP_DEFERERASE = 0x2000, SWP_ASYNCWINDOWPOS = 0x4000,
  // Set by the window manager in WM_WINDOWPOSCHANGED when the client area kept its size or its
  // place: the default procedure then sends no WM_SIZE or no WM_MOVE.
  SWP_NOCLIENTSIZE = 0x0800, SWP_NOCLIENTMOVE = 0x1000,
};
extern const HWND HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST;
BOOL SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int w, int h, UINT flags);
BOOL BringWindowToTop(HWND wnd);
HWND WindowFromPoint(POINT screenPt);
enum : UINT { CWP_ALL = 0, CWP_SKIPINVISIBLE = 1, CWP_SKIPDISABLED = 2, CWP_SKIPTRANSPARENT = 4 };
HWND ChildWindowFromPoint(HWND parent, POINT clientPt);
HWND ChildWindowFromPointEx(HWND parent, POINT clientPt, UINT flags);
BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD exStyle);
inline BOOL AdjustWindowRect(RECT* r, DWORD s, BOOL m) { return AdjustWindowRectEx(r, s, m, 0); }
// The window takes a copy of nothing: it owns rgn from now on (null removes the region).
// The region is in window coordinates (0, 0 is the window's top-left corner).
int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw);
int GetWindowRgn(HWND wnd, HRGN out);
BOOL GetWindowPlacement(HWND wnd, WINDOWPLACEMENT* wp);

// ---- Show state, enabling, activation, focus, capture ----
enum : int {
  SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
  SW_MAXIMIZE = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7,
  SW_SHOWNA = 8, SW_RESTORE = 9, SW_SHOWDEFAULT = 10,
};
BOOL ShowWindow(HWND wnd, int cmd);  // returns whether the window was visible before
BOOL IsWindowVisible(HWND wnd);      // this window and all its ancestors have WS_VISIBLE
BOOL IsIconic(HWND wnd);
BOOL IsZoomed(HWND wnd);
BOOL EnableWindow(HWND wnd, BOOL enable);  // returns whether it was disabled before
BOOL IsWindowEnabled(HWND wnd);
HWND SetActiveWindow(HWND wnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND wnd);
HWND GetForegroundWindow();
HWND SetFocus(HWND wnd);  // returns the window that had the focus
HWND GetFocus();
HWND SetCapture(HWND wnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
inline BOOL _TrackMouseEvent(TRACKMOUSEEVENT* tme) { return TrackMouseEvent(tme); }

// ---- Messages ----
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l);
inline LRESULT SendMessageA(HWND w, UINT m, WPARAM a, LPARAM b) { return SendMessage(w, m, a, b); }
inline LRESULT SendMessageW(HWND w, UINT m, WPARAM a, LPARAM b) { return SendMessage(w, m, a, b); }
// Posts to the queue of the window's thread (HWND null: the calling thread's queue). Safe from
// any thread; FALSE for a window that does not exist.
BOOL PostMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l);
inline BOOL PostMessageA(HWND w, UINT m, WPARAM a, LPARAM b) { return PostMessage(w, m, a, b); }
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM w, LPARAM l);
void PostQuitMessage(int exitCode);
// Blocks until a message arrives; FALSE on WM_QUIT, -1 for a bad window filter.
BOOL GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax);
enum : UINT { PM_NOREMOVE = 0, PM_REMOVE = 1, PM_NOYIELD = 2 };
BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeFlags);
inline BOOL PeekMessageA(MSG* m, HWND w, UINT a, UINT b, UINT r) { return PeekMessage(m, w, a, b, r); }
inline BOOL GetMessageA(MSG* m, HWND w, UINT a, UINT b) { return GetMessage(m, w, a, b); }
// WM_KEYDOWN of a key that makes a character posts WM_CHAR (characters come from the back end's
// text input, or from the key code for plain keys).
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
inline LRESULT DispatchMessageA(const MSG* m) { return DispatchMessage(m); }
BOOL WaitMessage();
BOOL InSendMessage();
DWORD GetQueueStatus(UINT flags);
DWORD GetMessagePos();
LONG GetMessageTime();
UINT RegisterWindowMessage(LPCSTR name);
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM w, LPARAM l);
inline LRESULT DefWindowProcA(HWND w, UINT m, WPARAM a, LPARAM b) { return DefWindowProc(w, m, a, b); }
LRESULT CallWindowProc(WNDPROC proc, HWND wnd, UINT msg, WPARAM w, LPARAM l);
inline LRESULT CallWindowProcA(WNDPROC p, HWND w, UINT m, WPARAM a, LPARAM b) { return CallWindowProc(p, w, m, a, b); }

// ---- Timers and hot keys ----
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
// A window timer posts WM_TIMER (id in wParam) to the window's queue when due and nothing else
// is waiting; a timer without window gets a new id and is reported to the thread's queue.
UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND wnd, UINT_PTR id);
enum : UINT { MOD_ALT = 0x0001, MOD_CONTROL = 0x0002, MOD_SHIFT = 0x0004, MOD_WIN = 0x0008 };
// Registered hot keys arrive as WM_HOTKEY (id in wParam, modifiers | vk << 16 in lParam) when
// the key is pressed anywhere in the program (the display back end reports keys to us only).
BOOL RegisterHotKey(HWND wnd, int id, UINT modifiers, UINT vk);
BOOL UnregisterHotKey(HWND wnd, int id);
ATOM GlobalAddAtom(LPCSTR name);
ATOM GlobalFindAtom(LPCSTR name);
ATOM GlobalDeleteAtom(ATOM atom);
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);
DWORD GetTickCount();

// ---- Hooks ----
enum : int {
  WH_MSGFILTER = -1, WH_KEYBOARD = 2, WH_GETMESSAGE = 3, WH_CALLWNDPROC = 4, WH_CBT = 5,
  WH_MOUSE = 7, WH_CALLWNDPROCRET = 12,
};
enum : int {
  HCBT_MOVESIZE = 0, HCBT_MINMAX = 1, HCBT_QS = 2, HCBT_CREATEWND = 3, HCBT_DESTROYWND = 4,
  HCBT_ACTIVATE = 5, HCBT_CLICKSKIPPED = 6, HCBT_KEYSKIPPED = 7, HCBT_SYSCOMMAND = 8,
  HCBT_SETFOCUS = 9,
};
enum : int { HC_ACTION = 0, HC_NOREMOVE = 3 };
struct HHOOK__;
using HHOOK = HHOOK__*;
using HOOKPROC = LRESULT (*)(int code, WPARAM w, LPARAM l);
struct CBT_CREATEWNDA {
  CREATESTRUCTA* lpcs;
  HWND hwndInsertAfter;
};
using CBT_CREATEWND = CBT_CREATEWNDA;
struct CBTACTIVATESTRUCT {
  BOOL fMouse;
  HWND hWndActive;
};
struct CWPSTRUCT {
  LPARAM lParam;
  WPARAM wParam;
  UINT message;
  HWND hwnd;
};
struct CWPRETSTRUCT {
  LRESULT lResult;
  LPARAM lParam;
  WPARAM wParam;
  UINT message;
  HWND hwnd;
};
struct MOUSEHOOKSTRUCT {
  POINT pt;
  HWND hwnd;
  UINT wHitTestCode;
  ULONG_PTR dwExtraInfo;
};
// Thread hooks: threadId 0 means the calling thread (there are no system-wide hooks). The
// newest hook is called first; each passes on with CallNextHookEx. A WH_CBT hook that returns
// non-zero for HCBT_CREATEWND refuses the window, for HCBT_ACTIVATE the activation.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE inst, DWORD threadId);
inline HHOOK SetWindowsHookExA(int i, HOOKPROC p, HINSTANCE h, DWORD t) { return SetWindowsHookEx(i, p, h, t); }
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM w, LPARAM l);

// ---- Painting ----
HDC BeginPaint(HWND wnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND wnd, const PAINTSTRUCT* ps);
// The DC a window procedure paints into for WM_PAINT (BeginPaint..EndPaint) and WM_PRINTCLIENT
// (the DC in wParam) alike, so one piece of painting code answers both.
class TPaintDC {
public:
  TPaintDC(HWND wnd, UINT msg, WPARAM wp) : FWnd(wnd), FPrint(msg == WM_PRINTCLIENT) {
    FDC = FPrint ? reinterpret_cast<HDC>(wp) : BeginPaint(wnd, &FPs);
  }
  ~TPaintDC() {
    if (!FPrint) EndPaint(FWnd, &FPs);
  }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC Handle() const { return FDC; }
  operator HDC() const { return FDC; }

private:
  HWND FWnd;
  bool FPrint;
  PAINTSTRUCT FPs{};
  HDC FDC = nullptr;
};
HDC GetDC(HWND wnd);        // client area, clipped to what is visible; null window: the screen
HDC GetWindowDC(HWND wnd);  // the whole window, non-client area included
enum : DWORD {
  DCX_WINDOW = 0x1, DCX_CACHE = 0x2, DCX_PARENTCLIP = 0x20, DCX_CLIPSIBLINGS = 0x10,
  DCX_CLIPCHILDREN = 0x8, DCX_EXCLUDERGN = 0x40, DCX_INTERSECTRGN = 0x80,
  DCX_LOCKWINDOWUPDATE = 0x400,
};
// While LockWindowUpdate holds a window, GetDC, GetWindowDC and GetDCEx on it or on any of its
// descendants give DCs whose visible region is empty (drawing reaches nothing), unless GetDCEx is
// given DCX_LOCKWINDOWUPDATE.
HDC GetDCEx(HWND wnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND wnd, HDC dc);
HWND WindowFromDC(HDC dc);
BOOL InvalidateRect(HWND wnd, const RECT* r, BOOL erase);
BOOL InvalidateRgn(HWND wnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND wnd, const RECT* r);
BOOL ValidateRgn(HWND wnd, HRGN rgn);
BOOL GetUpdateRect(HWND wnd, RECT* r, BOOL erase);
int GetUpdateRgn(HWND wnd, HRGN rgn, BOOL erase);
BOOL UpdateWindow(HWND wnd);
enum : UINT {
  RDW_INVALIDATE = 0x0001, RDW_INTERNALPAINT = 0x0002, RDW_ERASE = 0x0004, RDW_VALIDATE = 0x0008,
  RDW_NOINTERNALPAINT = 0x0010, RDW_NOERASE = 0x0020, RDW_NOCHILDREN = 0x0040,
  RDW_ALLCHILDREN = 0x0080, RDW_UPDATENOW = 0x0100, RDW_ERASENOW = 0x0200, RDW_FRAME = 0x0400,
  RDW_NOFRAME = 0x0800,
};
BOOL RedrawWindow(HWND wnd, const RECT* r, HRGN rgn, UINT flags);
enum : UINT { SW_SCROLLCHILDREN = 0x0001, SW_INVALIDATE = 0x0002, SW_ERASE = 0x0004 };
// Moves the pixels of the client area (clip rectangle limits what moves), invalidates what was
// uncovered (SW_INVALIDATE) and moves the children along with SW_SCROLLCHILDREN.
int ScrollWindowEx(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   RECT* updateRect, UINT flags);
BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip);
// Holds one window (null: releases it; FALSE when another is held or the window is not valid).
// The held window and its descendants get no WM_PAINT and their DCs draw nothing; on release they
// are repainted, frame and children included, since nothing they drew meanwhile was shown.
BOOL LockWindowUpdate(HWND wnd);
enum : UINT { PW_CLIENTONLY = 1 };
// Paints the window (and its children) now and copies it into dc at (0, 0).
BOOL PrintWindow(HWND wnd, HDC dc, UINT flags);
enum : UINT { PRF_CHECKVISIBLE = 1, PRF_NONCLIENT = 2, PRF_CLIENT = 4, PRF_ERASEBKGND = 8, PRF_CHILDREN = 0x10 };

// ---- Scroll bars ----
enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : UINT {
  SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8, SIF_TRACKPOS = 0x10,
  SIF_ALL = 0x17,
};
struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
enum : UINT { ESB_ENABLE_BOTH = 0, ESB_DISABLE_LTUP = 1, ESB_DISABLE_RTDN = 2, ESB_DISABLE_BOTH = 3 };
enum : DWORD {
  STATE_SYSTEM_UNAVAILABLE = 0x1, STATE_SYSTEM_PRESSED = 0x8, STATE_SYSTEM_INVISIBLE = 0x8000,
  STATE_SYSTEM_OFFSCREEN = 0x10000,
};
struct SCROLLBARINFO {
  DWORD cbSize = sizeof(SCROLLBARINFO);
  RECT rcScrollBar{};   // screen coordinates
  int dxyLineButton = 0;
  int xyThumbTop = 0;   // relative to rcScrollBar
  int xyThumbBottom = 0;
  int reserved = 0;
  DWORD rgstate[6] = {};
};
enum : LONG { OBJID_HSCROLL = -6, OBJID_VSCROLL = -5, OBJID_CLIENT = -4 };
// Scroll bars of windows (SB_HORZ, SB_VERT) and of "SCROLLBAR" controls (SB_CTL). Returns the new
// position; the position is clamped to nMin..nMax - max(nPage - 1, 0).
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* si, BOOL redraw);
BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* si);
int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND wnd, int bar);
BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND wnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND wnd, UINT bar, UINT arrows);
BOOL GetScrollBarInfo(HWND wnd, LONG idObject, SCROLLBARINFO* sbi);
enum : UINT {
  SBM_SETPOS = 0x00E0, SBM_GETPOS = 0x00E1, SBM_SETRANGE = 0x00E2, SBM_GETRANGE = 0x00E3,
  SBM_ENABLE_ARROWS = 0x00E4, SBM_SETRANGEREDRAW = 0x00E6, SBM_SETSCROLLINFO = 0x00E9,
  SBM_GETSCROLLINFO = 0x00EA, SBM_GETSCROLLBARINFO = 0x00EB,
};

// ---- Combo boxes ----
// The kind of a combo box is in the low bits of its window style.
constexpr DWORD CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3;
enum : UINT { CB_GETCOMBOBOXINFO = 0x0164 };
struct COMBOBOXINFO {
  DWORD cbSize = sizeof(COMBOBOXINFO);
  RECT rcItem{};    // the edit or selection area, client coordinates
  RECT rcButton{};  // the drop-down button, client coordinates
  DWORD stateButton = 0;  // STATE_SYSTEM_PRESSED while the list is down, INVISIBLE without one
  HWND hwndCombo = nullptr;
  HWND hwndItem = nullptr;
  HWND hwndList = nullptr;
};
// Asks the combo box (CB_GETCOMBOBOXINFO) for its parts. cbSize must be the structure's size or
// 52, the size it had with 4-byte handles. FALSE for other windows.
BOOL GetComboBoxInfo(HWND wnd, COMBOBOXINFO* info);

// ---- Standard control classes ("BUTTON", "STATIC", "SCROLLBAR", "#32770") ----
// Control styles combine with the WS_* styles, so they are plain DWORD constants.
constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2, BS_AUTOCHECKBOX = 0x3,
                BS_RADIOBUTTON = 0x4, BS_3STATE = 0x5, BS_AUTO3STATE = 0x6, BS_GROUPBOX = 0x7,
                BS_AUTORADIOBUTTON = 0x9, BS_OWNERDRAW = 0xB;
constexpr DWORD SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2;
constexpr DWORD SBS_HORZ = 0x0, SBS_VERT = 0x1;
enum : UINT {
  BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1, BM_GETSTATE = 0x00F2, BM_SETSTATE = 0x00F3,
  BM_SETSTYLE = 0x00F4, BM_CLICK = 0x00F5,
};
enum : UINT { BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2, BST_PUSHED = 4, BST_FOCUS = 8 };
enum : WORD { BN_CLICKED = 0 };
// Registers the standard classes (done on first use of the class functions; safe to repeat).
void RegisterStandardClasses();

// ---- Menu bar ----
// A top-level window with a menu keeps rows of SM_CYMENU pixels under its caption for it
// (WM_NCHITTEST answers HTMENU there): one row, and one more for each time the items wrap
// because the window is too narrow or an item has MF_MENUBREAK/MF_MENUBARBREAK. DrawMenuBar
// after changing the items works the rows out again. When the menu is one made with CreateMenu the window
// manager lays out and paints its items (owner-drawn ones through WM_MEASUREITEM/WM_DRAWITEM to
// the window) and DefWindowProc runs it: a click on an item, Alt pressed and released alone,
// F10, or Alt+letter (SC_KEYMENU) enter the menu-bar loop. Any other handle is left to whoever
// set it.
BOOL SetMenu(HWND wnd, HMENU menu);
HMENU GetMenu(HWND wnd);
BOOL DrawMenuBar(HWND wnd);
// The menu row in window coordinates (not Windows API; FALSE without a menu).
BOOL GetMenuBarRect(HWND wnd, RECT* r);

// ---- Menus ----
// Menus made with CreateMenu (a bar) or CreatePopupMenu hold items: strings, separators and
// owner-drawn items, each with an id, or with a sub-menu (MF_POPUP: the id argument is the
// sub-menu's handle). DestroyMenu destroys the sub-menus with their menu.
// TrackPopupMenu shows a popup at a screen point, placed by the TPM_ alignment flags and kept on
// the screen (flipped to the other side of the point, or shifted, at the edges), and runs its
// own message loop until an item is chosen (click, Enter, its accelerator) or the menu is
// cancelled (Escape on the first level, a click outside). Sub-menus open when their item is
// hovered for SPI_GETMENUSHOWDELAY ms (moving on before that cancels; 0: at once), at once when
// it is clicked or chosen with Right or Enter; Left or Escape close one. The owner gets
// WM_ENTERMENULOOP, WM_INITMENUPOPUP before each popup opens, WM_MENUSELECT as the highlight
// moves (and with 0xFFFF, 0 when the menu closes), WM_MEASUREITEM/WM_DRAWITEM for owner-drawn
// items, WM_MENUCHAR for a typed character no item text marks, and WM_EXITMENULOOP. With TPM_RETURNCMD the chosen id is returned (0 when cancelled) and
// nothing is sent; otherwise WM_COMMAND with the id is posted to the owner and the result says
// whether an item was chosen.
enum : UINT {
  MF_STRING = 0x0000, MF_ENABLED = 0x0000, MF_UNCHECKED = 0x0000, MF_BYCOMMAND = 0x0000, MF_GRAYED = 0x0001,
  MF_DISABLED = 0x0002, MF_BITMAP = 0x0004, MF_CHECKED = 0x0008, MF_POPUP = 0x0010, MF_MENUBARBREAK = 0x0020,
  MF_MENUBREAK = 0x0040, MF_HILITE = 0x0080, MF_OWNERDRAW = 0x0100, MF_BYPOSITION = 0x0400,
  MF_SEPARATOR = 0x0800, MF_DEFAULT = 0x1000, MF_SYSMENU = 0x2000, MF_MOUSESELECT = 0x8000
};
enum : UINT {
  MFT_STRING = 0x0000, MFT_BITMAP = 0x0004, MFT_MENUBARBREAK = 0x0020, MFT_MENUBREAK = 0x0040,
  MFT_OWNERDRAW = 0x0100, MFT_RADIOCHECK = 0x0200, MFT_SEPARATOR = 0x0800, MFT_RIGHTORDER = 0x2000,
  MFT_RIGHTJUSTIFY = 0x4000,
  MFS_ENABLED = 0x0000, MFS_UNCHECKED = 0x0000, MFS_UNHILITE = 0x0000, MFS_GRAYED = 0x0003,
  MFS_DISABLED = 0x0003, MFS_CHECKED = 0x0008, MFS_HILITE = 0x0080, MFS_DEFAULT = 0x1000
};
enum : UINT {
  MIIM_STATE = 0x0001, MIIM_ID = 0x0002, MIIM_SUBMENU = 0x0004, MIIM_CHECKMARKS = 0x0008, MIIM_TYPE = 0x0010,
  MIIM_DATA = 0x0020, MIIM_STRING = 0x0040, MIIM_BITMAP = 0x0080, MIIM_FTYPE = 0x0100
};
struct MENUITEMINFOA {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
};
using MENUITEMINFO = MENUITEMINFOA;
using LPMENUITEMINFOA = MENUITEMINFOA*;
using LPCMENUITEMINFOA = const MENUITEMINFOA*;
// WM_MENUCHAR answers (high word; the low word is the item's position).
enum : WORD { MNC_IGNORE = 0, MNC_CLOSE = 1, MNC_EXECUTE = 2, MNC_SELECT = 3 };
constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) { return static_cast<LRESULT>(MAKELONG(lo, hi)); }
enum : UINT {
  TPM_LEFTALIGN = 0x0000, TPM_LEFTBUTTON = 0x0000, TPM_TOPALIGN = 0x0000, TPM_RIGHTBUTTON = 0x0002,
  TPM_CENTERALIGN = 0x0004, TPM_RIGHTALIGN = 0x0008, TPM_VCENTERALIGN = 0x0010, TPM_BOTTOMALIGN = 0x0020,
  TPM_HORIZONTAL = 0x0000, TPM_VERTICAL = 0x0040, TPM_NONOTIFY = 0x0080, TPM_RETURNCMD = 0x0100
};
// Owner drawing (menus and owner-drawn controls): CtlType ODT_MENU for menu items, whose
// hwndItem is the menu's handle.
enum : UINT { ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4, ODT_STATIC = 5 };
enum : UINT { ODA_DRAWENTIRE = 0x0001, ODA_SELECT = 0x0002, ODA_FOCUS = 0x0004 };
enum : UINT {
  ODS_SELECTED = 0x0001, ODS_GRAYED = 0x0002, ODS_DISABLED = 0x0004, ODS_CHECKED = 0x0008, ODS_FOCUS = 0x0010,
  ODS_DEFAULT = 0x0020, ODS_HOTLIGHT = 0x0040, ODS_INACTIVE = 0x0080, ODS_NOACCEL = 0x0100,
  ODS_NOFOCUSRECT = 0x0200, ODS_COMBOBOXEDIT = 0x1000
};
struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  ULONG_PTR itemData;
};
struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text);
inline BOOL AppendMenuA(HMENU m, UINT f, UINT_PTR id, LPCSTR t) { return AppendMenu(m, f, id, t); }
// Inserts before the item at position (MF_BYPOSITION; -1 or the count appends) or before the
// item with that id (MF_BYCOMMAND, searched in sub-menus too).
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR text);
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
inline BOOL InsertMenuItemA(HMENU m, UINT i, BOOL p, LPCMENUITEMINFOA info) { return InsertMenuItem(m, i, p, info); }
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info);
inline BOOL GetMenuItemInfoA(HMENU m, UINT i, BOOL p, LPMENUITEMINFOA info) { return GetMenuItemInfo(m, i, p, info); }
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
inline BOOL SetMenuItemInfoA(HMENU m, UINT i, BOOL p, LPCMENUITEMINFOA info) { return SetMenuItemInfo(m, i, p, info); }
int GetMenuItemCount(HMENU menu);
// The id of the item at pos; -1 (as UINT) for a sub-menu item or a bad position.
UINT GetMenuItemID(HMENU menu, int pos);
HMENU GetSubMenu(HMENU menu, int pos);
// The item's MF_ flags (for a sub-menu item, its item count in the high byte); -1 when absent.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuString(HMENU menu, UINT item, LPSTR text, int max, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// RemoveMenu takes the item out and keeps its sub-menu; DeleteMenu destroys the sub-menu too.
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// The item's rectangle in screen coordinates, for a window's menu bar (wnd given) or for an
// open popup (wnd null).
BOOL GetMenuItemRect(HWND wnd, HMENU menu, UINT item, RECT* r);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored);
// Closes the menu being tracked, as a cancel.
BOOL EndMenu();
// Runs the menu-bar loop of wnd (not Windows API): bar item pos highlighted, its drop-down open
// when open is TRUE (with its first item highlighted when byKeyboard). Returns the chosen id (0
// when left without a choice) and posts nothing; DefWindowProc posts it as WM_COMMAND.
UINT_PTR TrackMenuBar(HWND wnd, int pos, BOOL open, BOOL byKeyboard = FALSE);

// ---- Caret ----
// One caret at a time. It is drawn by the window manager by inverting its rectangle (a bitmap
// given to CreateCaret is XOR-ed instead; null or (HBITMAP)1 give a solid block) and blinks every
// GetCaretBlinkTime() ms while shown, as the owner thread retrieves messages. It is taken off the
// screen while its window paints (BeginPaint..EndPaint), before it moves, hides or goes.
BOOL CreateCaret(HWND wnd, HBITMAP bm, int w, int h);
BOOL DestroyCaret();
BOOL ShowCaret(HWND wnd);
BOOL HideCaret(HWND wnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* p);
UINT GetCaretBlinkTime();
// 530 ms by default; 0xFFFFFFFF (INFINITE) keeps the caret steady. FALSE for 0.
BOOL SetCaretBlinkTime(UINT ms);

// ---- Cursors and the pointer ----
// Standard cursors: small integer ids passed as the name, as the original does.
#define MAKEINTRESOURCE(i) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
constexpr uintptr_t IDC_ARROW_ID = 32512, IDC_IBEAM_ID = 32513, IDC_WAIT_ID = 32514,
                    IDC_CROSS_ID = 32515, IDC_UPARROW_ID = 32516, IDC_SIZENWSE_ID = 32642,
                    IDC_SIZENESW_ID = 32643, IDC_SIZEWE_ID = 32644, IDC_SIZENS_ID = 32645,
                    IDC_SIZEALL_ID = 32646, IDC_NO_ID = 32648, IDC_HAND_ID = 32649,
                    IDC_APPSTARTING_ID = 32650, IDC_HELP_ID = 32651;
#define IDC_ARROW MAKEINTRESOURCE(IDC_ARROW_ID)
#define IDC_IBEAM MAKEINTRESOURCE(IDC_IBEAM_ID)
#define IDC_WAIT MAKEINTRESOURCE(IDC_WAIT_ID)
#define IDC_CROSS MAKEINTRESOURCE(IDC_CROSS_ID)
#define IDC_UPARROW MAKEINTRESOURCE(IDC_UPARROW_ID)
#define IDC_SIZENWSE MAKEINTRESOURCE(IDC_SIZENWSE_ID)
#define IDC_SIZENESW MAKEINTRESOURCE(IDC_SIZENESW_ID)
#define IDC_SIZEWE MAKEINTRESOURCE(IDC_SIZEWE_ID)
#define IDC_SIZENS MAKEINTRESOURCE(IDC_SIZENS_ID)
#define IDC_SIZEALL MAKEINTRESOURCE(IDC_SIZEALL_ID)
#define IDC_NO MAKEINTRESOURCE(IDC_NO_ID)
#define IDC_HAND MAKEINTRESOURCE(IDC_HAND_ID)
#define IDC_APPSTARTING MAKEINTRESOURCE(IDC_APPSTARTING_ID)
#define IDC_HELP MAKEINTRESOURCE(IDC_HELP_ID)
// A standard cursor (inst null, name an IDC_* id); null for an unknown one.
HCURSOR LoadCursor(HINSTANCE inst, LPCSTR name);
// A cursor from a .cur file: of its images, the one nearest the system cursor size
// (SM_CXCURSOR x SM_CYCURSOR), the deepest among equally near ones; DIB or PNG-compressed; hot
// spot from that image's directory entry. An .ico file loads too, pointing with its centre. Null
// when the file is missing, not a cursor, or its directory is damaged.
HCURSOR LoadCursorFromFile(LPCSTR fileName);
inline HCURSOR LoadCursorFromFileA(LPCSTR f) { return LoadCursorFromFile(f); }
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL DestroyCursor(HCURSOR cursor);
int ShowCursor(BOOL show);
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(int x, int y);
// What a cursor is made of: the standard id (0 for a loaded one), size, hot spot, and for a
// loaded cursor its 32-bit top-down BGRA pixels.
struct TCursorInfo {
  uintptr_t StandardId = 0;
  int Width = 0, Height = 0, HotX = 0, HotY = 0;
  const uint32_t* Pixels = nullptr;
};
bool GetCursorInfoOf(HCURSOR cursor, TCursorInfo* info);

// ---- Keyboard ----
enum : UINT {
  VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04, VK_BACK = 0x08,
  VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
  VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
  VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_SELECT = 0x29, VK_PRINT = 0x2A, VK_SNAPSHOT = 0x2C,
  VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_HELP = 0x2F, VK_LWIN = 0x5B, VK_RWIN = 0x5C,
  VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C,
  VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71,
  VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75, VK_F7 = 0x76, VK_F8 = 0x77,
  VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
  VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3, VK_LMENU = 0xA4,
  VK_RMENU = 0xA5,
};
// High bit set while the key is down (as the back end or the injected input reported it).
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* keys256);

// ---- Accelerators ----
struct HACCEL__;
using HACCEL = HACCEL__*;
enum : BYTE { FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10 };
struct ACCEL {
  BYTE fVirt;
  WORD key;
  WORD cmd;
};
HACCEL CreateAcceleratorTable(const ACCEL* accels, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// A key message matching an entry sends WM_COMMAND (cmd, 1) to wnd and returns non-zero.
int TranslateAccelerator(HWND wnd, HACCEL table, MSG* msg);

// ---- Dialog helpers ----
// Tab and arrow navigation among the children of a dialog-like window (WS_TABSTOP, WS_GROUP),
// Enter/Escape as IDOK/IDCANCEL. Returns TRUE when the message was used.
BOOL IsDialogMessage(HWND dlg, MSG* msg);
HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous);
HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous);
HWND GetDlgItem(HWND dlg, int id);
int GetDlgCtrlID(HWND wnd);
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7,
             IDCLOSE = 8, IDHELP = 9 };

// ---- Clipboard ----
enum : UINT {
  CF_TEXT = 1, CF_BITMAP = 2, CF_METAFILEPICT = 3, CF_DIB = 8, CF_PALETTE = 9,
  CF_UNICODETEXT = 13, CF_ENHMETAFILE = 14, CF_HDROP = 15,
};
// Named formats get numbers from 0xC000 up; the same name gives the same number.
UINT RegisterClipboardFormat(LPCSTR name);
inline UINT RegisterClipboardFormatA(LPCSTR n) { return RegisterClipboardFormat(n); }
int GetClipboardFormatName(UINT format, LPSTR buf, int size);
BOOL OpenClipboard(HWND owner);  // FALSE while another window has it open
BOOL CloseClipboard();
BOOL EmptyClipboard();
BOOL IsClipboardFormatAvailable(UINT format);
UINT EnumClipboardFormats(UINT format);
int CountClipboardFormats();
// Clipboard data are byte blocks here (the original passes global memory handles): CF_TEXT is
// UTF-8 with its terminating zero; CF_BITMAP a copy of the bitmap (returned as HBITMAP cast).
BOOL SetClipboardBytes(UINT format, const void* data, size_t size);
// Copy of the data of a format, empty when absent.
bool GetClipboardBytes(UINT format, void* out, size_t* size);
HANDLE SetClipboardData(UINT format, HANDLE data);  // CF_BITMAP only (takes the bitmap)
HANDLE GetClipboardData(UINT format);               // CF_BITMAP only (still owned)
// Convenience for text: the clipboard's text (the system clipboard where a display has one).
std::string GetClipboardText();
bool SetClipboardText(const std::string& text);

// ---- Files dropped on a window (WM_DROPFILES, wParam is the HDROP) ----
struct HDROP__;
using HDROP = HDROP__*;
// Index 0xFFFFFFFF: number of files. Otherwise copies the name (UTF-8) and returns its length.
UINT DragQueryFile(HDROP drop, UINT index, LPSTR buf, UINT size);
BOOL DragQueryPoint(HDROP drop, POINT* pt);
void DragFinish(HDROP drop);
void DragAcceptFiles(HWND wnd, BOOL accept);

// ---- System parameters ----
enum : UINT {
  SPI_GETWORKAREA = 0x0030, SPI_GETNONCLIENTMETRICS = 0x0029, SPI_GETWHEELSCROLLLINES = 0x0068,
  SPI_GETFONTSMOOTHING = 0x004A, SPI_GETMENUSHOWDELAY = 0x006A, SPI_SETMENUSHOWDELAY = 0x006B,
};
struct NONCLIENTMETRICSA {
  UINT cbSize = sizeof(NONCLIENTMETRICSA);
  int iBorderWidth = 1, iScrollWidth = 16, iScrollHeight = 16, iCaptionWidth = 18,
      iCaptionHeight = 18;
  LOGFONTA lfCaptionFont{};
  int iSmCaptionWidth = 12, iSmCaptionHeight = 15;
  LOGFONTA lfSmCaptionFont{};
  int iMenuWidth = 18, iMenuHeight = 19;
  LOGFONTA lfMenuFont{}, lfStatusFont{}, lfMessageFont{};
};
using NONCLIENTMETRICS = NONCLIENTMETRICSA;
// SPI_SETMENUSHOWDELAY takes its value (ms, 400 at start) in param, not in pv.
BOOL SystemParametersInfo(UINT action, UINT param, void* pv, UINT winIni);
inline BOOL SystemParametersInfoA(UINT a, UINT p, void* v, UINT w) { return SystemParametersInfo(a, p, v, w); }
void MessageBeep(UINT type);

// ---- Monitors ----
// The monitors come from the display back end (every display with its usable area under SDL2;
// one monitor of the pretended screen size headless). The primary monitor is the one holding
// the point (0, 0) (the first when none does). Handles stay valid while the layout does not
// change; after a change the old handles are rejected. Rectangles exclude their right and
// bottom edges, in virtual-screen coordinates.
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
enum : DWORD {
  MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1, MONITOR_DEFAULTTONEAREST = 2,
  MONITORINFOF_PRIMARY = 1,
};
struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor{};
  RECT rcWork{};
  DWORD dwFlags = 0;
};
struct MONITORINFOEXA : MONITORINFO {
  MONITORINFOEXA() { cbSize = sizeof(MONITORINFOEXA); }
  CHAR szDevice[CCHDEVICENAME]{};  // "\\.\DISPLAY1", ... in the monitors' order
};
using MONITORINFOEX = MONITORINFOEXA;
// The first monitor (in enumeration order) containing the point; else as flags say.
HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
// The monitor sharing the largest area with the rectangle (the first among equals); else as
// flags say. An empty rectangle counts as its top-left point.
HMONITOR MonitorFromRect(const RECT* r, DWORD flags);
// The monitor of the window's rectangle (message-only and invalid windows: as flags say).
HMONITOR MonitorFromWindow(HWND wnd, DWORD flags);
// Fills a MONITORINFO (cbSize must be its size) or MONITORINFOEXA; FALSE for a stale handle.
BOOL GetMonitorInfo(HMONITOR mon, MONITORINFO* info);
inline BOOL GetMonitorInfoA(HMONITOR m, MONITORINFO* i) { return GetMonitorInfo(m, i); }
using MONITORENUMPROC = BOOL (*)(HMONITOR, HDC, RECT*, LPARAM);
// Calls proc for every monitor in order (stopping when it returns FALSE). Without a DC the
// rectangle is the monitor's, cut to clip when given (monitors outside clip are skipped). With
// a DC of a window's client area the rectangles are in client coordinates: the part of each
// monitor inside the DC's clip box, cut to clip (given in the same coordinates).
BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM data);

// ---- Hooks for the rest of the platform (not Windows API) ----
// The top-level window whose surface holds this window's pixels, and the surface (null before
// the window was first shown or sized).
TGdiSurface* GetWindowSurface(HWND topLevel);
// Renders the window now (non-client area, client, children) into a new 32-bit DIB section of
// its window size; the caller deletes it.
HBITMAP RenderWindowToBitmap(HWND wnd);
// Saves what RenderWindowToBitmap gives as a PNG file.
bool SaveWindowToPng(HWND wnd, const std::string& path);
// Sends pending WM_PAINT/WM_NCPAINT messages to every window of the calling thread now.
void UpdateAllWindows();
// Input fed in by the display back end or by tests, in screen coordinates. Mouse buttons: 0 left,
// 1 right, 2 middle. The messages go to the window under the point (or the capture window) of the
// calling thread's queue, as the original's raw input thread would place them.
void InjectMouseMove(int x, int y);
void InjectMouseButton(int x, int y, int button, bool down);
void InjectMouseWheel(int x, int y, int delta);
void InjectKey(UINT vk, bool down);
// Text typed (UTF-8): one WM_CHAR per character to the focus window, unless a WM_KEYDOWN just
// produced the same character.
void InjectText(const std::string& utf8);
// Files dropped at a screen point: WM_DROPFILES to the window there that accepts files.
void InjectDropFiles(int x, int y, const std::vector<std::string>& files);
// Moves the window manager's clock forward (timers, caret blinking, message times), so tests can
// run time-driven behaviour without waiting.
void AdvanceMessageClock(DWORD ms);
// The display reports that the user brought a top-level window forward (it gained the display's
// keyboard focus). A window that is hidden or disabled by then is not activated: FALSE, and the
// active window stays as it was.
BOOL InjectActivate(HWND w);
// Resets the double-click and key state (tests start from a known state).
void ResetInputState();
// The display back end in use: "headless" or "sdl".
const char* DisplayBackendName();
// A 32-bit copy of a bitmap (what the clipboard keeps of a bitmap put on it).
HBITMAP CopyBitmapForClipboard(HBITMAP src);
// The monitor layout for tests: each monitor's full rectangle and work area, in the order the
// monitors are enumerated. It replaces what the display back end reports until it is called
// with an empty list.
struct TMonitorLayout {
  RECT Monitor{};
  RECT Work{};
  bool operator==(const TMonitorLayout&) const = default;
};
void SetMonitorLayout(const std::vector<TMonitorLayout>& monitors);
// Destroys every window of the calling thread and forgets its queue, timers and hooks.
void DestroyAllThreadWindows();

// ---- Multiple-document windows (wnd_mdi.cpp) ----
// A frame window holds one "MDICLIENT" child (made with a CLIENTCREATESTRUCT as its creation
// parameter); the client makes, activates, arranges and destroys the document windows
// (WS_EX_MDICHILD children) through the WM_MDI* messages. The frame's procedure passes what it
// does not handle to DefFrameProc, the children's to DefMDIChildProc.
enum : UINT {
  WM_CHILDACTIVATE = 0x0022, WM_MDICREATE = 0x0220, WM_MDIDESTROY = 0x0221, WM_MDIACTIVATE = 0x0222,
  WM_MDIRESTORE = 0x0223, WM_MDINEXT = 0x0224, WM_MDIMAXIMIZE = 0x0225, WM_MDITILE = 0x0226,
  WM_MDICASCADE = 0x0227, WM_MDIICONARRANGE = 0x0228, WM_MDIGETACTIVE = 0x0229,
  WM_MDISETMENU = 0x0230, WM_MDIREFRESHMENU = 0x0234,
};
// WM_MDITILE / WM_MDICASCADE flags
enum : UINT { MDITILE_VERTICAL = 0, MDITILE_HORIZONTAL = 1, MDITILE_SKIPDISABLED = 2 };
struct CLIENTCREATESTRUCT {
  HANDLE hWindowMenu;  // the frame's "Window" menu, listing the children (may be null)
  UINT idFirstChild;   // command of the first child's item in that menu
};
struct MDICREATESTRUCTA {
  LPCSTR szClass;
  LPCSTR szTitle;
  HANDLE hOwner;
  int x, y, cx, cy;  // CW_USEDEFAULT places (sizes) the child as the client chooses
  DWORD style;
  LPARAM lParam;  // the creation parameter the child's CREATESTRUCT points to
};
using MDICREATESTRUCT = MDICREATESTRUCTA;
LRESULT DefFrameProc(HWND frame, HWND mdiClient, UINT msg, WPARAM w, LPARAM l);
inline LRESULT DefFrameProcA(HWND f, HWND c, UINT m, WPARAM a, LPARAM b) { return DefFrameProc(f, c, m, a, b); }
LRESULT DefMDIChildProc(HWND child, UINT msg, WPARAM w, LPARAM l);
inline LRESULT DefMDIChildProcA(HWND c, UINT m, WPARAM a, LPARAM b) { return DefMDIChildProc(c, m, a, b); }
HWND CreateMDIWindow(LPCSTR className, LPCSTR title, DWORD style, int x, int y, int cx, int cy, HWND mdiClient,
                     HINSTANCE inst, LPARAM param);
inline HWND CreateMDIWindowA(LPCSTR c, LPCSTR t, DWORD s, int x, int y, int cx, int cy, HWND p, HINSTANCE i, LPARAM l) {
  return CreateMDIWindow(c, t, s, x, y, cx, cy, p, i, l);
}
