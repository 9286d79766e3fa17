// Internal state of the window manager, shared by its .cpp files (wnd_*.cpp, msg_*.cpp,
// display_*.cpp). Nothing outside platform/win includes this.
//
// Locking: the window tree, classes and queues are guarded by one recursive mutex (WmLock()).
// Window procedures, hooks and timer procedures are always called with it released, so they may
// call back into anything. Posting from other threads takes the lock briefly.
#pragma once

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/iconfile.h"
#include "platform/win/winuser.h"

struct TWndClass {
  std::string Name;
  WNDCLASSA Info{};
};

struct TScrollBarState {
  int Min = 0, Max = 100;
  UINT Page = 0;
  int Pos = 0, TrackPos = 0;
  UINT Arrows = ESB_ENABLE_BOTH;  // ESB_DISABLE_* bits
  bool Tracking = false;
};

struct HWND__ {
  uint32_t Magic = 0x574E4457;
  std::shared_ptr<TWndClass> Class;
  WNDPROC Proc = nullptr;
  DWORD Style = 0, ExStyle = 0;
  std::string Text;
  HWND Parent = nullptr;  // the desktop for top-level windows
  HWND Owner = nullptr;
  std::vector<HWND> Children;  // z-order, topmost first
  RECT Rect{};    // relative to the parent's client area (screen for top-level windows)
  RECT Client{};  // client area relative to the window's top-left corner
  RECT NormalRect{};  // restored position of a maximised or minimised window
  LONG_PTR UserData = 0, Id = 0;
  HINSTANCE Instance = nullptr;
  HMENU Menu = nullptr;
  int MenuRows = 1;  // rows of the menu bar at the last frame calculation (it wraps when narrow)
  std::map<std::string, HANDLE> Props;
  HRGN Update = nullptr;      // client coordinates; null when nothing to paint
  bool EraseNeeded = false;
  bool FrameDirty = false;    // WM_NCPAINT pending
  bool InternalPaint = false;
  HRGN WindowRgn = nullptr;   // window coordinates, owned
  TScrollBarState Bars[2];
  std::thread::id Thread;
  bool Destroying = false;
  bool TrackLeave = false;
  bool AcceptFiles = false;
  bool NcActive = false;  // caption drawn as active (WM_NCACTIVATE)
  bool MessageOnly = false;  // made with HWND_MESSAGE: never shown, never enumerated
  bool ShapeChanged = false;  // a new window region: the next SetWindowPos reports a change
  bool SizeStateChanged = false;  // maximised, minimised or restored: the next move sends WM_SIZE
  // Top-level windows: the pixels of the whole window and whether the back end should show them
  // again.
  std::unique_ptr<TGdiSurface> Surface;
  std::vector<uint8_t> Pixels;
  bool Presentable = false;
  void* BackendData = nullptr;
};

// The calling thread's message queue and everything that lives per thread.
struct TSentItem {
  HWND Wnd;
  UINT Msg;
  WPARAM W;
  LPARAM L;
  std::function<void()> Task;  // a closure instead of a message (cross-thread invalidation)
  LRESULT Result = 0;
  bool Done = false;
  bool Wait = false;
};

struct TTimer {
  HWND Wnd;
  UINT_PTR Id;
  UINT Elapse;
  TIMERPROC Proc;
  uint64_t Due;  // ms on the steady clock
  bool Pending = false;
};

struct THookRec;

struct TQueue {
  std::thread::id Thread;
  DWORD ThreadId = 0;
  std::condition_variable_any Cv;
  std::deque<MSG> Posted;
  std::deque<MSG> Input;
  // The key state at the time each input message was made (GetKeyState follows the messages
  // as they are taken, GetAsyncKeyState the injected state).
  std::deque<std::array<uint8_t, 256>> InputKeys;
  std::deque<std::shared_ptr<TSentItem>> Sent;
  std::vector<TTimer> Timers;
  bool Quit = false;
  int QuitCode = 0;
  DWORD LastTime = 0;
  POINT LastPos{0, 0};
  int InSend = 0;
};

std::recursive_mutex& WmLock();
// A live window (FALSE for stale or foreign handles). Takes the lock.
bool ValidWnd(HWND w);
HWND Desktop();
// The queue of a thread, created on first use.
TQueue* QueueOf(std::thread::id t);
TQueue* MyQueue();
DWORD ThreadIdOf(std::thread::id t);
uint64_t NowMs();
void WakeQueue(TQueue* q);

// Delivers a message to the window procedure on the calling thread, with the WH_CALLWNDPROC(RET)
// hooks (whose wParam tells whether the calling thread sent it); the window must belong to this
// thread.
LRESULT DeliverMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp, bool sentByThisThread = true);
// Runs the closure on the window's thread (at once when that is the calling thread).
void RunOnWindowThread(HWND w, std::function<void()> task);
// The WH_CBT chain; non-zero means refused.
LRESULT CallCbtHook(int code, WPARAM w, LPARAM l);
LRESULT CallHookChain(int idHook, int code, WPARAM w, LPARAM l);
bool HasHooks(int idHook);

// Geometry helpers.
HWND RootOf(HWND w);               // the top-level window (itself for a top-level window)
POINT WindowOriginInRoot(HWND w);  // the window's top-left corner in its root's coordinates
POINT ClientOriginInRoot(HWND w);
POINT ClientOriginOnScreen(HWND w);
bool IsTopLevel(HWND w);
bool VisibleChain(HWND w);
// Recomputes the client rectangle through WM_NCCALCSIZE with wParam TRUE: rgrc[0] is the
// window's (new) rectangle in its parent's client coordinates (screen for top-level windows),
// rgrc[1] the rectangle before the change (oldRect, or the same), rgrc[2] the old client area in
// the same coordinates, lppos the move (pos, or one describing no change). The client area is
// what the handler leaves in rgrc[0], kept inside the window.
void RecalcClient(HWND w, const RECT* oldRect = nullptr, WINDOWPOS* pos = nullptr);
// The width of a window's outer frame by its styles: the sizing frame, the dialog frame, a thin
// border, or none.
int FrameThickness(DWORD style, DWORD exStyle);
// Multiple-document windows (wnd_mdi.cpp): the "MDICLIENT" class is registered with the standard
// classes; a minimised document window goes to the client's row of icons and passes the
// activation on; a maximised one covers the client area with its frame and caption outside.
void RegisterMdiClientClass();
void MdiChildMinimized(HWND child);
void MdiMaximizedPlacement(HWND child, MINMAXINFO* mm);
// Windows that get WM_GETMINMAXINFO and have their size held to its tracking limits when created
// or moved: sizable ones and overlapped ones (neither popup nor child).
bool HasSizeLimits(DWORD style);
// The default MINMAXINFO of a window, before its procedure sees it: maximised onto the work
// area of its monitor (a child: its parent's client area) with the frame outside it, tracking
// between SM_CXMINTRACK/SM_CYMINTRACK and SM_CXMAXTRACK/SM_CYMAXTRACK. Positions are screen
// coordinates (a child's: its parent's client coordinates).
void DefaultMinMaxInfo(HWND w, DWORD style, MINMAXINFO* mm);
// Sends WM_GETMINMAXINFO with the defaults and returns the answer.
MINMAXINFO QueryMinMaxInfo(HWND w);
// Allocates or resizes a top-level window's surface to its window size (keeps the pixels).
void EnsureSurface(HWND root);
// The region of the root surface this window may draw on (window or client area), or null
// when nothing is visible. Caller deletes it.
HRGN VisibleRegion(HWND w, bool client);
// Adds rect (client coordinates; null for all) to the update region; with children, the
// children covering it too. Frame marks the non-client area for WM_NCPAINT.
void InvalidateInternal(HWND w, const RECT* r, bool erase, bool children, bool frame);
// Invalidates the area of a window's old rectangle in its parent (after a hide or move).
void InvalidateParentArea(HWND w, const RECT& rectInParent);
// Removes everything queued for a window going away.
void PurgeWindowMessages(HWND w);
void KillWindowTimers(HWND w);
void ForgetWindowInput(HWND w);

// Non-client area (wnd_nonclient.cpp).
void NcPaintDefault(HWND w, HDC dc);
// Scroll bar rectangles in window coordinates; empty when the bar is not shown.
RECT ScrollBarRect(HWND w, int bar);
void PaintScrollBar(HWND w, HDC windowDc, int bar);
// Draws bar's state into rectangle r of dc (scroll bar controls fill their client area).
void PaintScrollBarInto(HWND w, HDC dc, int bar, RECT r);

// Display back end.
struct TDisplayBackend {
  virtual ~TDisplayBackend() = default;
  virtual const char* Name() const = 0;
  // Called on the GUI thread when a top-level window appears, goes, moves or was repainted.
  virtual void WindowShown(HWND, bool) {}
  virtual void WindowDestroyed(HWND) {}
  virtual void WindowMoved(HWND) {}
  virtual void WindowTextChanged(HWND) {}
  // Activation passed to this window because the active one was hidden or went: the display's
  // keyboard focus, left with the window that went, follows it.
  virtual void ActivationPassed(HWND) {}
  // A shown top-level window came forward in the window manager's z-order (activation or
  // SetWindowPos): the display stacks its windows the same way, or a click on a window it shows
  // in front would reach the one the window manager has in front.
  virtual void WindowRaised(HWND) {}
  virtual void Present(HWND) {}
  // Waits up to timeoutMs for input or a wake-up and feeds input in; false when the back end has
  // no event source (the queue's condition variable is used then).
  virtual bool Pump(int) { return false; }
  virtual void Wake() {}
  virtual void SetCursor(HCURSOR) {}
  virtual bool GetText(std::string*) { return false; }
  virtual bool SetText(const std::string&) { return false; }
  virtual bool ScreenSize(int*, int*) { return false; }
  // Every display's full rectangle and usable area, in the display order; false (or an empty
  // list) leaves one monitor of ScreenSize.
  virtual bool Monitors(std::vector<TMonitorLayout>*) { return false; }
  virtual bool TextInputFromBackend() const { return false; }
};
TDisplayBackend* Backend();
// Puts b in place of the back end in use and gives that one back (tests watch the window
// manager's word to the display through it).
std::unique_ptr<TDisplayBackend> ReplaceDisplayBackend(std::unique_ptr<TDisplayBackend> b);
std::unique_ptr<TDisplayBackend> CreateHeadlessBackend();
std::unique_ptr<TDisplayBackend> CreateSdlBackend();  // null when SDL2 has no display
// Presents the surfaces of visible top-level windows that changed.
void PresentDirtyWindows();

// The window LockWindowUpdate holds (null: none): it and its descendants are not painted until
// it is unlocked; their update regions keep growing meanwhile.
HWND& LockedUpdateWindow();
bool PaintLocked(HWND w);


// Caret (wnd_misc.cpp). BeginPaint takes the caret of the window off the screen and EndPaint
// puts it back, so painting never leaves a half-inverted caret behind.
void CaretHideForPaint(HWND w);
void CaretShowAfterPaint(HWND w);
// Blinks the caret when it belongs to a window of this thread and its time has come; returns
// when it is next due (UINT64_MAX: nothing to blink).
uint64_t CaretBlinkTick(std::thread::id thread);

// The sizes and look of a window's own scroll bars (wnd_flatsb.cpp): the system metrics for
// standard bars, the FlatSB_SetScrollProp values for flat ones. Thick is the bar's thickness,
// Arrow the length of its arrow buttons, Thumb the thumb length (0: the standard rule, the arrow
// length without a page and 8 pixels at least with one), Style an FSB_*_MODE value (0, regular,
// for standard bars) and Bkg the track colour (CLR_INVALID: COLOR_SCROLLBAR).
struct TScrollLook {
  int Thick = 0, Arrow = 0, Thumb = 0, Style = 0;
  COLORREF Bkg = CLR_INVALID;
};
TScrollLook ScrollLookOf(HWND w, int bar);
