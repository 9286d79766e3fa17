// Message queues: sending (with cross-thread marshalling), posting, retrieving with the
// original's priorities (sent, posted, input, quit, paint, timer), hooks, timers, hot keys and
// the input fed in by display back ends and tests.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#include "platform/rtl/threads.h"
#include "platform/win/wnd_internal.h"

struct HHOOK__ {
  int Id;
  HOOKPROC Proc;
  std::thread::id Thread;
};

namespace {

std::map<std::thread::id, std::unique_ptr<TQueue>>& Queues() {
  static std::map<std::thread::id, std::unique_ptr<TQueue>> q;
  return q;
}
std::vector<HHOOK>& Hooks() {  // newest first
  static std::vector<HHOOK> h;
  return h;
}
struct THotKey {
  HWND Wnd;
  int Id;
  UINT Mods, Vk;
};
std::vector<THotKey>& HotKeys() {
  static std::vector<THotKey> h;
  return h;
}
std::atomic<UINT> gDoubleClick{500};
BYTE gKeys[256] = {};
BYTE gSyncKeys[256] = {};
POINT gCursor{0, 0};
UINT_PTR gNextTimerId = 0x7F00;

// Double-click detection state.
struct TClickState {
  HWND Wnd = nullptr;
  int Button = -1;
  uint64_t Time = 0;
  POINT Pt{0, 0};
} gClick;
HWND gLastMouseWnd = nullptr;
std::string gLastKeyChar;  // the character the last WM_KEYDOWN will make (for InjectText)

bool MatchesFilter(const MSG& m, HWND wnd, UINT lo, UINT hi) {
  if (wnd == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (wnd && m.hwnd != wnd && !IsChild(wnd, m.hwnd)) {
    return false;
  }
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

DWORD MsgTime() { return static_cast<DWORD>(NowMs()); }

// Runs the sent messages and tasks waiting in q (on q's own thread).
bool RunSent(TQueue* q) {
  bool any = false;
  for (;;) {
    std::shared_ptr<TSentItem> it;
    {
      std::lock_guard<std::recursive_mutex> g(WmLock());
      if (q->Sent.empty()) break;
      it = q->Sent.front();
      q->Sent.pop_front();
    }
    any = true;
    LRESULT r = 0;
    if (it->Task) it->Task();
    else if (ValidWnd(it->Wnd)) {
      ++q->InSend;
      r = DeliverMessage(it->Wnd, it->Msg, it->W, it->L, false);
      --q->InSend;
    }
    std::lock_guard<std::recursive_mutex> g(WmLock());
    it->Result = r;
    it->Done = true;
    q->Cv.notify_all();
  }
  return any;
}

// Finds a window of this thread that needs painting, parents before children.
HWND FindPaintWindow(HWND parent, std::thread::id me, HWND filter) {
  for (HWND c : parent->Children) {
    if (c->Thread != me || !(c->Style & WS_VISIBLE) || PaintLocked(c)) continue;
    bool want = c->FrameDirty || c->Update || c->InternalPaint;
    if (want && (!filter || filter == c || IsChild(filter, c))) return c;
    if (HWND d = FindPaintWindow(c, me, filter)) return d;
  }
  return nullptr;
}

bool FilterAllows(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

// The input message hooks: WH_MOUSE / WH_KEYBOARD may eat the message.
bool InputHooksEat(const MSG& m, bool remove) {
  int code = remove ? HC_ACTION : HC_NOREMOVE;
  if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST && HasHooks(WH_MOUSE)) {
    MOUSEHOOKSTRUCT mh{m.pt, m.hwnd, HTCLIENT, 0};
    return CallHookChain(WH_MOUSE, code, m.message, reinterpret_cast<LPARAM>(&mh)) != 0;
  }
  if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST && HasHooks(WH_KEYBOARD))
    return CallHookChain(WH_KEYBOARD, code, m.wParam, m.lParam) != 0;
  return false;
}

// One attempt to take a message off the queue. Returns true with *out filled.
bool TryGet(TQueue* q, MSG* out, HWND wnd, UINT lo, UINT hi, bool remove) {
  RunSent(q);
  CaretBlinkTick(q->Thread);
  for (int pass = 0; pass < 2; ++pass) {
    std::unique_lock<std::recursive_mutex> g(WmLock());
    auto& dq = pass == 0 ? q->Posted : q->Input;
    for (auto it = dq.begin(); it != dq.end(); ++it) {
      if (!MatchesFilter(*it, wnd, lo, hi)) continue;
      MSG m = *it;
      // Keyboard input goes to the window that has the focus when it is taken, as typed-ahead
      // keys follow focus changes made by the keys before them.
      if (pass == 1 && ((m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST))) {
        HWND f = GetFocus() ? GetFocus() : GetActiveWindow();
        if (f && f->Thread == q->Thread) {
          m.hwnd = f;
          it->hwnd = f;
        }
      }
      // Mouse input made before a window took the capture goes to the capture window when it
      // is taken (a button-down starts a tracking loop before the moves behind it are read).
      bool mouse = (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) ||
                   (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK);
      if (pass == 1 && mouse && m.message != WM_MOUSEWHEEL) {
        HWND cap = GetCapture();
        if (cap && cap->Thread == q->Thread && m.hwnd != cap) {
          if (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK) m.message += WM_MOUSEMOVE - WM_NCMOUSEMOVE;
          POINT c = m.pt;
          ScreenToClient(cap, &c);
          m.hwnd = cap;
          m.lParam = MAKELPARAM(static_cast<WORD>(c.x), static_cast<WORD>(c.y));
          *it = m;
        } else if (!m.hwnd) {
          // Nothing was under the pointer and nothing holds the capture: the input is dropped.
          if (remove) {
            q->InputKeys.erase(q->InputKeys.begin() + (it - dq.begin()));
            dq.erase(it);
            g.unlock();
            return TryGet(q, out, wnd, lo, hi, remove);
          }
          continue;
        }
      }
      if (pass == 1) {
        auto k = q->InputKeys.begin() + (it - dq.begin());
        std::memcpy(gSyncKeys, k->data(), 256);
        if (remove) q->InputKeys.erase(k);
      }
      if (remove) dq.erase(it);
      g.unlock();
      if (pass == 1 && InputHooksEat(m, remove)) {
        if (!remove) {
          std::lock_guard<std::recursive_mutex> g2(WmLock());
          auto& d2 = q->Input;
          for (auto j = d2.begin(); j != d2.end(); ++j)
            if (j->hwnd == m.hwnd && j->message == m.message && j->time == m.time) {
              q->InputKeys.erase(q->InputKeys.begin() + (j - d2.begin()));
              d2.erase(j);
              break;
            }
        }
        return TryGet(q, out, wnd, lo, hi, remove);
      }
      *out = m;
      q->LastTime = m.time;
      q->LastPos = m.pt;
      return true;
    }
  }
  if (q->Quit && FilterAllows(WM_QUIT, lo, hi)) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->QuitCode), 0, MsgTime(), gCursor};
    if (remove) q->Quit = false;
    return true;
  }
  if (FilterAllows(WM_PAINT, lo, hi) && wnd != reinterpret_cast<HWND>(-1)) {
    HWND pw = nullptr;
    {
      std::lock_guard<std::recursive_mutex> g(WmLock());
      pw = FindPaintWindow(Desktop(), q->Thread, wnd);
    }
    if (pw) {
      *out = MSG{pw, WM_PAINT, 0, 0, MsgTime(), gCursor};
      return true;
    }
  }
  if (FilterAllows(WM_TIMER, lo, hi)) {
    uint64_t now = NowMs();
    std::lock_guard<std::recursive_mutex> g(WmLock());
    for (TTimer& t : q->Timers) {
      if (t.Due > now) continue;
      if (wnd && wnd != reinterpret_cast<HWND>(-1) && t.Wnd != wnd) continue;
      *out = MSG{t.Wnd, WM_TIMER, t.Id, reinterpret_cast<LPARAM>(t.Proc), MsgTime(), gCursor};
      if (remove) t.Due = now + std::max<UINT>(t.Elapse, 1);
      return true;
    }
  }
  return false;
}

uint64_t NextTimerDue(TQueue* q) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  uint64_t due = UINT64_MAX;
  for (const TTimer& t : q->Timers) due = std::min(due, t.Due);
  return due;
}

void WaitForWork(TQueue* q, int maxMs) {
  uint64_t due = std::min(NextTimerDue(q), CaretBlinkTick(q->Thread));
  uint64_t now = NowMs();
  int wait = maxMs;
  if (due != UINT64_MAX) wait = static_cast<int>(std::min<uint64_t>(due > now ? due - now : 0, static_cast<uint64_t>(maxMs)));
  if (wait <= 0) return;
  if (q->ThreadId == MainThreadID && Backend() && Backend()->Pump(std::min(wait, 10))) return;
  std::unique_lock<std::recursive_mutex> g(WmLock());
  if (!q->Posted.empty() || !q->Input.empty() || !q->Sent.empty() || q->Quit) return;
  q->Cv.wait_for(g, std::chrono::milliseconds(wait));
}

void PostInput(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  TQueue* q = QueueOf(w ? w->Thread : std::this_thread::get_id());
  std::lock_guard<std::recursive_mutex> g(WmLock());
  q->Input.push_back(MSG{w, msg, wp, lp, MsgTime(), gCursor});
  std::array<uint8_t, 256> keys;
  std::memcpy(keys.data(), gKeys, 256);
  q->InputKeys.push_back(keys);
  WakeQueue(q);
}

WPARAM MouseKeys() {
  WPARAM k = 0;
  if (gKeys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (gKeys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (gKeys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (gKeys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (gKeys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

// The deepest visible, enabled window under a screen point, asking WM_NCHITTEST so that
// HTTRANSPARENT windows let the point through to what lies below them.
HWND HitWindow(HWND parent, POINT screen, int* hit) {
  std::vector<HWND> kids = parent->Children;
  for (HWND c : kids) {
    if (!ValidWnd(c) || !(c->Style & WS_VISIBLE)) continue;
    RECT wr;
    GetWindowRect(c, &wr);
    if (!PtInRect(&wr, screen)) continue;
    if (c->WindowRgn && !PtInRegion(c->WindowRgn, screen.x - wr.left, screen.y - wr.top)) continue;
    if (c->Style & WS_DISABLED) {
      if (IsTopLevel(c)) {
        *hit = HTERROR;
        return c;
      }
      continue;
    }
    // Children inside the client area first.
    POINT co = ClientOriginOnScreen(c);
    RECT cr{co.x, co.y, co.x + (c->Client.right - c->Client.left), co.y + (c->Client.bottom - c->Client.top)};
    if (PtInRect(&cr, screen))
      if (HWND d = HitWindow(c, screen, hit)) return d;
    int h = static_cast<int>(SendMessage(c, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y))));
    if (h == HTTRANSPARENT) continue;
    *hit = h;
    return c;
  }
  return nullptr;
}

HWND TargetForKeys() {
  HWND f = GetFocus();
  if (f) return f;
  return GetActiveWindow();
}

}  // namespace

static std::atomic<uint64_t> gClockShift{0};  // AdvanceMessageClock

uint64_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()) + gClockShift;
}

void AdvanceMessageClock(DWORD ms) { gClockShift += ms; }

DWORD ThreadIdOf(std::thread::id t) {
  TQueue* q = QueueOf(t);
  return q->ThreadId;
}

TQueue* QueueOf(std::thread::id t) {
  static DWORD nextId = 1;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto& p = Queues()[t];
  if (!p) {
    p = std::make_unique<TQueue>();
    p->Thread = t;
    // Queues are made by their own thread (window creation, posting to oneself); a queue asked
    // for from elsewhere before that gets a private number.
    p->ThreadId = t == std::this_thread::get_id() ? ::GetCurrentThreadId() : 0x40000000u + ++nextId;
  }
  return p.get();
}

TQueue* MyQueue() { return QueueOf(std::this_thread::get_id()); }

void WakeQueue(TQueue* q) {
  q->Cv.notify_all();
  if (q->ThreadId == MainThreadID && Backend()) Backend()->Wake();
}


// ---- Hooks ----
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (!proc) return nullptr;
  std::thread::id t = std::this_thread::get_id();
  if (threadId && threadId != GetCurrentThreadId()) {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    bool found = false;
    for (auto& [tid, q] : Queues())
      if (q->ThreadId == threadId) { t = tid; found = true; }
    if (!found) return nullptr;
  }
  auto* h = new HHOOK__{idHook, proc, t};
  std::lock_guard<std::recursive_mutex> g(WmLock());
  Hooks().insert(Hooks().begin(), h);
  return h;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = std::find(Hooks().begin(), Hooks().end(), hook);
  if (it == Hooks().end()) return FALSE;
  Hooks().erase(it);
  delete hook;
  return TRUE;
}

namespace {
HHOOK NextHook(int idHook, HHOOK after) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto& v = Hooks();
  auto it = v.begin();
  if (after) {
    it = std::find(v.begin(), v.end(), after);
    if (it == v.end()) return nullptr;
    ++it;
  }
  for (; it != v.end(); ++it)
    if ((*it)->Id == idHook && (*it)->Thread == std::this_thread::get_id()) return *it;
  return nullptr;
}
}  // namespace

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM w, LPARAM l) {
  if (!hook) return 0;
  HHOOK next = NextHook(hook->Id, hook);
  return next ? next->Proc(code, w, l) : 0;
}

bool HasHooks(int idHook) { return NextHook(idHook, nullptr) != nullptr; }

LRESULT CallHookChain(int idHook, int code, WPARAM w, LPARAM l) {
  HHOOK first = NextHook(idHook, nullptr);
  return first ? first->Proc(code, w, l) : 0;
}

LRESULT CallCbtHook(int code, WPARAM w, LPARAM l) { return CallHookChain(WH_CBT, code, w, l); }

// ---- Sending ----
LRESULT DeliverMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp, bool sentByThisThread) {
  if (HasHooks(WH_CALLWNDPROC)) {
    CWPSTRUCT cwp{lp, wp, msg, w};
    CallHookChain(WH_CALLWNDPROC, HC_ACTION, sentByThisThread ? 1 : 0, reinterpret_cast<LPARAM>(&cwp));
  }
  if (!ValidWnd(w)) return 0;
  WNDPROC p = w->Proc;
  LRESULT r = p ? p(w, msg, wp, lp) : DefWindowProc(w, msg, wp, lp);
  if (HasHooks(WH_CALLWNDPROCRET)) {
    CWPRETSTRUCT ret{r, lp, wp, msg, w};
    CallHookChain(WH_CALLWNDPROCRET, HC_ACTION, sentByThisThread ? 1 : 0, reinterpret_cast<LPARAM>(&ret));
  }
  return r;
}

LRESULT SendMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!ValidWnd(w)) return 0;
  if (w->Thread == std::this_thread::get_id()) return DeliverMessage(w, msg, wp, lp);
  // Another thread's window: queue the message there and wait, answering messages sent to us
  // meanwhile so that two threads sending to each other do not deadlock.
  auto item = std::make_shared<TSentItem>();
  item->Wnd = w;
  item->Msg = msg;
  item->W = wp;
  item->L = lp;
  item->Wait = true;
  TQueue* target = QueueOf(w->Thread);
  TQueue* me = MyQueue();
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    target->Sent.push_back(item);
    WakeQueue(target);
  }
  for (;;) {
    RunSent(me);
    std::unique_lock<std::recursive_mutex> g(WmLock());
    if (item->Done) return item->Result;
    if (!ValidWnd(w)) return 0;
    target->Cv.wait_for(g, std::chrono::milliseconds(5));
  }
}

void RunOnWindowThread(HWND w, std::function<void()> task) {
  if (!ValidWnd(w)) return;
  if (w->Thread == std::this_thread::get_id()) {
    task();
    return;
  }
  auto item = std::make_shared<TSentItem>();
  item->Task = std::move(task);
  TQueue* q = QueueOf(w->Thread);
  std::lock_guard<std::recursive_mutex> g(WmLock());
  q->Sent.push_back(item);
  WakeQueue(q);
}

BOOL InSendMessage() { return MyQueue()->InSend > 0; }

// ---- Posting ----
BOOL PostMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  TQueue* q;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    if (w && !ValidWnd(w)) return FALSE;
    q = QueueOf(w ? w->Thread : std::this_thread::get_id());
    q->Posted.push_back(MSG{w, msg, wp, lp, MsgTime(), gCursor});
  }
  WakeQueue(q);
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wp, LPARAM lp) {
  TQueue* q = nullptr;
  if (threadId == ::GetCurrentThreadId()) MyQueue();  // a thread's own queue exists on first use
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    for (auto& [t, p] : Queues())
      if (p->ThreadId == threadId) q = p.get();
    if (!q) return FALSE;
    q->Posted.push_back(MSG{nullptr, msg, wp, lp, MsgTime(), gCursor});
  }
  WakeQueue(q);
  return TRUE;
}

void PostQuitMessage(int code) {
  TQueue* q = MyQueue();
  std::lock_guard<std::recursive_mutex> g(WmLock());
  q->Quit = true;
  q->QuitCode = code;
  WakeQueue(q);
}

void PurgeWindowMessages(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (auto& [t, q] : Queues()) {
    auto drop = [w](const MSG& m) { return m.hwnd == w; };
    q->Posted.erase(std::remove_if(q->Posted.begin(), q->Posted.end(), drop), q->Posted.end());
    for (size_t i = q->Input.size(); i-- > 0;)
      if (q->Input[i].hwnd == w) {
        q->Input.erase(q->Input.begin() + static_cast<ptrdiff_t>(i));
        q->InputKeys.erase(q->InputKeys.begin() + static_cast<ptrdiff_t>(i));
      }
  }
  for (auto it = HotKeys().begin(); it != HotKeys().end();)
    it = it->Wnd == w ? HotKeys().erase(it) : it + 1;
}

// ---- Retrieving ----
BOOL PeekMessage(MSG* msg, HWND wnd, UINT lo, UINT hi, UINT flags) {
  if (!msg) return FALSE;
  TQueue* q = MyQueue();
  bool remove = flags & PM_REMOVE;
  if (!TryGet(q, msg, wnd, lo, hi, remove)) {
    PresentDirtyWindows();
    if (q->ThreadId == MainThreadID && Backend()) Backend()->Pump(0);
    if (!TryGet(q, msg, wnd, lo, hi, remove)) return FALSE;
  }
  if (remove && HasHooks(WH_GETMESSAGE)) CallHookChain(WH_GETMESSAGE, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(msg));
  return TRUE;
}

BOOL GetMessage(MSG* msg, HWND wnd, UINT lo, UINT hi) {
  if (!msg) return -1;
  if (wnd && wnd != reinterpret_cast<HWND>(-1) && !ValidWnd(wnd)) return -1;
  TQueue* q = MyQueue();
  for (;;) {
    if (TryGet(q, msg, wnd, lo, hi, true)) break;
    PresentDirtyWindows();
    WaitForWork(q, 1000);
  }
  if (HasHooks(WH_GETMESSAGE)) CallHookChain(WH_GETMESSAGE, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(msg));
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage() {
  TQueue* q = MyQueue();
  MSG m;
  while (!TryGet(q, &m, nullptr, 0, 0, false)) {
    PresentDirtyWindows();
    WaitForWork(q, 1000);
  }
  return TRUE;
}

DWORD GetQueueStatus(UINT) {
  TQueue* q = MyQueue();
  std::lock_guard<std::recursive_mutex> g(WmLock());
  return static_cast<DWORD>(q->Posted.size() + q->Input.size() + q->Sent.size());
}

DWORD GetMessagePos() {
  POINT p = MyQueue()->LastPos;
  return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}
LONG GetMessageTime() { return static_cast<LONG>(MyQueue()->LastTime); }

LRESULT DispatchMessage(const MSG* m) {
  if (!m) return 0;
  if (m->message == WM_TIMER && m->lParam) {
    reinterpret_cast<TIMERPROC>(m->lParam)(m->hwnd, WM_TIMER, m->wParam, MsgTime());
    return 0;
  }
  if (!m->hwnd || !ValidWnd(m->hwnd)) return 0;
  if (m->hwnd->Thread != std::this_thread::get_id()) return 0;
  WNDPROC p = m->hwnd->Proc;
  LRESULT r = p ? p(m->hwnd, m->message, m->wParam, m->lParam) : DefWindowProc(m->hwnd, m->message, m->wParam, m->lParam);
  // A window that ignored WM_PAINT still has to be validated, or the loop would spin.
  if (m->message == WM_PAINT && ValidWnd(m->hwnd) && (m->hwnd->Update || m->hwnd->FrameDirty || m->hwnd->InternalPaint)) {
    m->hwnd->InternalPaint = false;
  }
  return r;
}

BOOL TranslateMessage(const MSG* m) {
  if (!m || (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN)) return FALSE;
  UINT vk = static_cast<UINT>(m->wParam);
  bool shift = gSyncKeys[VK_SHIFT] & 0x80, ctrl = gSyncKeys[VK_CONTROL] & 0x80, alt = gSyncKeys[VK_MENU] & 0x80;
  int ch = -1;
  if (vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_ESCAPE) ch = static_cast<int>(vk);
  else if (ctrl && vk >= 'A' && vk <= 'Z') ch = static_cast<int>(vk - 'A' + 1);
  else if (Backend() && Backend()->TextInputFromBackend()) ch = -1;  // characters come as text
  else if (vk >= 'A' && vk <= 'Z') ch = shift ? static_cast<int>(vk) : static_cast<int>(vk + 32);
  else if (vk >= '0' && vk <= '9' && !shift) ch = static_cast<int>(vk);
  else if (vk == VK_SPACE) ch = ' ';
  if (ch < 0) return FALSE;
  PostMessage(m->hwnd, alt ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(ch), m->lParam);
  return TRUE;
}

// ---- Registered messages and atoms ----
namespace {
std::map<std::string, UINT>& NamedMessages() {
  static std::map<std::string, UINT> m;
  return m;
}
std::map<std::string, ATOM>& Atoms() {
  static std::map<std::string, ATOM> a;
  return a;
}
}  // namespace

UINT RegisterWindowMessage(LPCSTR name) {
  if (!name || !*name) return 0;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto& m = NamedMessages();
  auto it = m.find(name);
  if (it != m.end()) return it->second;
  UINT v = 0xC000 + static_cast<UINT>(m.size());
  m[name] = v;
  return v;
}

ATOM GlobalAddAtom(LPCSTR name) {
  if (!name || !*name) return 0;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto& a = Atoms();
  auto it = a.find(name);
  if (it != a.end()) return it->second;
  ATOM v = static_cast<ATOM>(0xC000 + a.size());
  a[name] = v;
  return v;
}

ATOM GlobalFindAtom(LPCSTR name) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = Atoms().find(name ? name : "");
  return it == Atoms().end() ? 0 : it->second;
}

ATOM GlobalDeleteAtom(ATOM atom) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (auto it = Atoms().begin(); it != Atoms().end(); ++it)
    if (it->second == atom) {
      Atoms().erase(it);
      return 0;
    }
  return atom;
}

// ---- Timers ----
UINT_PTR SetTimer(HWND w, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (w && !ValidWnd(w)) return 0;
  TQueue* q = QueueOf(w ? w->Thread : std::this_thread::get_id());
  std::lock_guard<std::recursive_mutex> g(WmLock());
  elapse = std::max<UINT>(elapse, 1);
  if (w) {
    for (TTimer& t : q->Timers)
      if (t.Wnd == w && t.Id == id) {
        t.Elapse = elapse;
        t.Proc = proc;
        t.Due = NowMs() + elapse;
        return id ? id : 1;
      }
  } else {
    id = ++gNextTimerId;
  }
  q->Timers.push_back(TTimer{w, id, elapse, proc, NowMs() + elapse});
  WakeQueue(q);
  return w ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND w, UINT_PTR id) {
  TQueue* q = QueueOf(w && ValidWnd(w) ? w->Thread : std::this_thread::get_id());
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = std::find_if(q->Timers.begin(), q->Timers.end(), [&](const TTimer& t) { return t.Wnd == w && t.Id == id; });
  if (it == q->Timers.end()) return FALSE;
  q->Timers.erase(it);
  return TRUE;
}

void KillWindowTimers(HWND w) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (auto& [t, q] : Queues())
    q->Timers.erase(std::remove_if(q->Timers.begin(), q->Timers.end(), [w](const TTimer& x) { return x.Wnd == w; }),
                    q->Timers.end());
}

// ---- Hot keys ----
BOOL RegisterHotKey(HWND w, int id, UINT mods, UINT vk) {
  if (w && !ValidWnd(w)) return FALSE;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  for (const THotKey& h : HotKeys())
    if ((h.Mods & 0xF) == (mods & 0xF) && h.Vk == vk) return FALSE;
  HotKeys().push_back({w, id, mods & 0xF, vk});
  return TRUE;
}

BOOL UnregisterHotKey(HWND w, int id) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = std::find_if(HotKeys().begin(), HotKeys().end(), [&](const THotKey& h) { return h.Wnd == w && h.Id == id; });
  if (it == HotKeys().end()) return FALSE;
  HotKeys().erase(it);
  return TRUE;
}

UINT GetDoubleClickTime() { return gDoubleClick; }
BOOL SetDoubleClickTime(UINT ms) {
  gDoubleClick = ms ? ms : 500;
  return TRUE;
}

// ---- Keyboard state ----
SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE s = gSyncKeys[vk];
  return static_cast<SHORT>(((s & 0x80) ? 0x8000 : 0) | (s & 1));
}
SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return static_cast<SHORT>((gKeys[vk] & 0x80) ? 0x8000 : 0);
}
BOOL GetKeyboardState(BYTE* keys) {
  if (!keys) return FALSE;
  std::memcpy(keys, gSyncKeys, 256);
  return TRUE;
}
BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  *p = gCursor;
  return TRUE;
}
BOOL SetCursorPos(int x, int y) {
  gCursor = {x, y};
  return TRUE;
}

// ---- Hit testing ----
HWND WindowFromPoint(POINT pt) {
  int hit = HTNOWHERE;
  HWND w = HitWindow(Desktop(), pt, &hit);
  return w;
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  if (!ValidWnd(parent)) return nullptr;
  RECT cr;
  GetClientRect(parent, &cr);
  if (!PtInRect(&cr, pt)) return nullptr;
  for (HWND c : parent->Children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(c->Style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->Style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->ExStyle & WS_EX_TRANSPARENT)) continue;
    if (PtInRect(&c->Rect, pt)) return c;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme || !ValidWnd(tme->hwndTrack)) return FALSE;
  if (tme->dwFlags & TME_CANCEL) tme->hwndTrack->TrackLeave = false;
  else if (tme->dwFlags & TME_LEAVE) {
    tme->hwndTrack->TrackLeave = true;
    // Already outside: the leave message comes at once, as the original does.
    if (gLastMouseWnd != tme->hwndTrack && GetCapture() != tme->hwndTrack) {
      tme->hwndTrack->TrackLeave = false;
      PostMessage(tme->hwndTrack, WM_MOUSELEAVE, 0, 0);
    }
  }
  return TRUE;
}

// ---- Injected input ----
void ResetInputState() {
  std::memset(gKeys, 0, sizeof gKeys);
  std::memset(gSyncKeys, 0, sizeof gSyncKeys);
  gClick = TClickState{};
  gLastMouseWnd = nullptr;
  gLastKeyChar.clear();
}

void ForgetWindowInput(HWND w) {
  if (gClick.Wnd == w) gClick = TClickState{};
  if (gLastMouseWnd == w) gLastMouseWnd = nullptr;
}

namespace {

void MouseMessage(int x, int y, UINT clientMsg, UINT ncMsg, WPARAM extra, bool isDown, int button) {
  gCursor = {x, y};
  HWND target = GetCapture();
  int hit = HTCLIENT;
  if (!target) target = HitWindow(Desktop(), gCursor, &hit);
  if (target != gLastMouseWnd) {
    if (gLastMouseWnd && ValidWnd(gLastMouseWnd) && gLastMouseWnd->TrackLeave) {
      gLastMouseWnd->TrackLeave = false;
      PostMessage(gLastMouseWnd, WM_MOUSELEAVE, 0, 0);
    }
    gLastMouseWnd = target;
  }
  if (!target) {
    // Kept for a capture that may be taken before the message is read.
    PostInput(nullptr, clientMsg, MouseKeys() | extra, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    return;
  }
  if (hit == HTERROR || hit == HTNOWHERE) return;
  if (clientMsg == WM_MOUSEMOVE || isDown)
    SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(clientMsg)));
  if (isDown && IsTopLevel(RootOf(target)) && GetActiveWindow() != RootOf(target)) {
    LRESULT ma = SendMessage(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(RootOf(target)),
                             MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(clientMsg)));
    if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) SetActiveWindow(RootOf(target));
    if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
    if (!ValidWnd(target)) return;
  }
  UINT msg = hit == HTCLIENT ? clientMsg : ncMsg;
  if (isDown) {
    uint64_t now = NowMs();
    int dx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, dy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    bool dbl = gClick.Wnd == target && gClick.Button == button && now - gClick.Time <= gDoubleClick &&
               std::abs(gClick.Pt.x - x) <= dx && std::abs(gClick.Pt.y - y) <= dy;
    bool classDbl = (target->Class->Info.style & CS_DBLCLKS) || hit != HTCLIENT;
    if (dbl && classDbl) {
      msg += 2;  // the *BUTTONDBLCLK numbers follow the *BUTTONDOWN numbers by two
      gClick = TClickState{};
    } else {
      gClick = TClickState{target, button, now, {x, y}};
    }
  }
  if (hit == HTCLIENT) {
    POINT c{x, y};
    ScreenToClient(target, &c);
    PostInput(target, msg, MouseKeys() | extra, MAKELPARAM(static_cast<WORD>(c.x), static_cast<WORD>(c.y)));
  } else {
    PostInput(target, msg, static_cast<WPARAM>(hit), MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }
}

}  // namespace

void InjectMouseMove(int x, int y) { MouseMessage(x, y, WM_MOUSEMOVE, WM_NCMOUSEMOVE, 0, false, -1); }

void InjectMouseButton(int x, int y, int button, bool down) {
  static const UINT client[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT nc[3] = {WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN};
  static const int vk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  if (button < 0 || button > 2) return;
  gKeys[vk[button]] = down ? static_cast<BYTE>(0x80 | ((gKeys[vk[button]] & 1) ^ 1)) : static_cast<BYTE>(gKeys[vk[button]] & 1);
  MouseMessage(x, y, client[button] + (down ? 0 : 1), nc[button] + (down ? 0 : 1), 0, down, button);
}

void InjectMouseWheel(int x, int y, int delta) {
  gCursor = {x, y};
  HWND target = GetFocus();
  if (!target) {
    int hit = 0;
    target = HitWindow(Desktop(), gCursor, &hit);
  }
  if (!target) return;
  WPARAM wp = MouseKeys() | (static_cast<WPARAM>(static_cast<WORD>(static_cast<short>(delta))) << 16);
  PostInput(target, WM_MOUSEWHEEL, wp, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void InjectKey(UINT vk, bool down) {
  vk &= 0xFF;
  bool wasDown = gKeys[vk] & 0x80;
  if (down) gKeys[vk] = static_cast<BYTE>(0x80 | ((gKeys[vk] & 1) ^ (wasDown ? 0 : 1)));
  else gKeys[vk] = static_cast<BYTE>(gKeys[vk] & 1);
  // Generic modifier keys mirror their left/right forms.
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) gKeys[VK_SHIFT] = gKeys[vk];
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) gKeys[VK_CONTROL] = gKeys[vk];
  if (vk == VK_LMENU || vk == VK_RMENU) gKeys[VK_MENU] = gKeys[vk];
  if (down) {
    UINT mods = ((gKeys[VK_MENU] & 0x80) ? UINT(MOD_ALT) : 0u) | ((gKeys[VK_CONTROL] & 0x80) ? UINT(MOD_CONTROL) : 0u) |
                ((gKeys[VK_SHIFT] & 0x80) ? UINT(MOD_SHIFT) : 0u);
    std::vector<THotKey> hk;
    {
      std::lock_guard<std::recursive_mutex> g(WmLock());
      hk = HotKeys();
    }
    for (const THotKey& h : hk)
      if (h.Vk == vk && h.Mods == mods) {
        PostMessage(h.Wnd, WM_HOTKEY, static_cast<WPARAM>(h.Id), MAKELPARAM(static_cast<WORD>(mods), static_cast<WORD>(vk)));
        return;
      }
  }
  HWND target = TargetForKeys();
  if (!target) return;
  bool alt = gKeys[VK_MENU] & 0x80;
  bool sys = alt || (!GetFocus());
  UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  if ((gKeys[VK_CONTROL] & 0x80) && alt) msg = down ? WM_KEYDOWN : WM_KEYUP;
  LPARAM lp = 1 | (alt ? (1 << 29) : 0) | ((down ? wasDown : true) ? (1 << 30) : 0) |
              (down ? 0 : static_cast<LPARAM>(1u << 31));
  PostInput(target, msg, vk, lp);
}

void InjectText(const std::string& utf8) {
  HWND target = GetFocus();
  if (!target) return;
  // One WM_CHAR per character: the value is the Unicode code point.
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = c;
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (n > 1) {
      cp = c & (0x7F >> n);
      for (int k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += static_cast<size_t>(n);
    PostInput(target, WM_CHAR, cp, 1);
  }
}
