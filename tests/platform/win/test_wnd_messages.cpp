// Window manager: creation order, messages and queues, threads, timers, hooks, subclassing,
// focus and activation, input.
#include <atomic>
#include <thread>

#include "tests/platform/win/wnd_test_util.h"

namespace {

std::vector<UINT> Sequence(HWND w, std::initializer_list<UINT> only) {
  std::vector<UINT> out;
  for (auto& l : MsgLog())
    if (l.Wnd == w && std::find(only.begin(), only.end(), l.Msg) != only.end()) out.push_back(l.Msg);
  return out;
}

}  // namespace

TEST_F(WndTest, CreationSendsNcCreateCalcSizeCreateSizeMoveInOrder) {
  HWND w = Top(10, 20, 300, 200, WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(w);
  EXPECT_EQ(Sequence(w, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}),
            (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  RECT c;
  GetClientRect(w, &c);
  // Sizing frame (4) on each side, caption (26) on top.
  EXPECT_EQ(c.right, 300 - 8);
  EXPECT_EQ(c.bottom, 200 - 8 - 26);
  EXPECT_FALSE(IsWindowVisible(w));
}

TEST_F(WndTest, CreateRefusedByNcCreateOrCreateLeavesNoWindow) {
  struct Case { UINT msg; LRESULT result; } cases[] = {{WM_NCCREATE, 0}, {WM_CREATE, -1}};
  for (auto c : cases) {
    Handlers().clear();
    static Case current;
    current = c;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == current.msg) return current.result;
      return DefWindowProc(w, m, wp, lp);
    };
    wc.lpszClassName = "Refusing";
    RegisterClass(&wc);
    EXPECT_EQ(CreateWindowEx(0, "Refusing", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    UnregisterClass("Refusing", nullptr);
  }
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WndTest, SentMessagesRunBeforePostedAndPostedKeepTheirOrder) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP);
  PostMessage(w, WM_USER + 1, 1, 0);
  PostMessage(w, WM_USER + 2, 2, 0);
  SendMessage(w, WM_USER + 3, 3, 0);  // runs at once
  Pump();
  EXPECT_EQ(Sequence(w, {WM_USER + 1, WM_USER + 2, WM_USER + 3}),
            (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
  EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
}

TEST_F(WndTest, PostedFromThreadsArriveInOrderAndCrossThreadSendWaitsForTheOwner) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP);
  std::atomic<LRESULT> sendResult{0};
  Handlers()[w] = [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m == WM_USER + 9) {
      *r = static_cast<LRESULT>(wp) * 2;
      return true;
    }
    return false;
  };
  std::thread t([&] {
    for (int i = 0; i < 50; ++i) PostMessage(w, 8024, static_cast<WPARAM>(i), 0);
    sendResult = SendMessage(w, WM_USER + 9, 21, 0);
    PostMessage(w, 8028, 0, 0);
  });
  MSG m;
  std::vector<WPARAM> got;
  while (GetMessage(&m, nullptr, 0, 0)) {
    DispatchMessage(&m);
    if (m.message == 8024) got.push_back(m.wParam);
    if (m.message == 8028) break;
  }
  t.join();
  ASSERT_EQ(got.size(), 50u);
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], i);
  EXPECT_EQ(sendResult.load(), 42);
  // The sent message ran on this thread before the message posted after it was taken.
  auto seq = Sequence(w, {WM_USER + 9, 8028});
  EXPECT_EQ(seq, (std::vector<UINT>{WM_USER + 9, 8028}));
}

TEST_F(WndTest, ThreadMessagesAndQuit) {
  EXPECT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_USER + 5, 7, 8));
  PostQuitMessage(3);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER + 5u);
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PostThreadMessage(0x7777777, WM_USER, 0, 0));
}

TEST_F(WndTest, TimersComeAfterPostedMessagesAndStopWhenKilled) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  EXPECT_EQ(SetTimer(w, 7, 5, nullptr), 7u);
  PostMessage(w, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));  // blocks until the timer is due
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_TRUE(KillTimer(w, 7));
  EXPECT_FALSE(KillTimer(w, 7));
  std::this_thread::sleep_for(std::chrono::milliseconds(15));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(WndTest, TimerProcIsCalledByDispatch) {
  static int calls = 0;
  calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  ASSERT_NE(id, 0u);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  DispatchMessage(&m);
  EXPECT_EQ(calls, 1);
  KillTimer(nullptr, id);
}

TEST_F(WndTest, CbtHookSeesCreateStructAndCanRefuseWindowsAndActivation) {
  static std::string seenClass;
  static DWORD seenStyle = 0;
  static bool refuseCreate = false, refuseActivate = false;
  static HHOOK hook = nullptr;
  seenClass.clear();
  refuseCreate = refuseActivate = false;
  hook = SetWindowsHookEx(WH_CBT, [](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_CREATEWND) {
      auto* c = reinterpret_cast<CBT_CREATEWNDA*>(l);
      seenClass = c->lpcs->lpszClass;
      seenStyle = static_cast<DWORD>(c->lpcs->style);
      c->lpcs->style |= WS_BORDER;  // a hook may change the window before it exists
      if (refuseCreate) return 1;
    }
    if (code == HCBT_ACTIVATE && refuseActivate) return 1;
    return CallNextHookEx(hook, code, w, l);
  }, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  HWND a = Top(0, 0, 100, 100, WS_POPUP);
  EXPECT_EQ(seenClass, "OrvTest");
  EXPECT_EQ(seenStyle, static_cast<DWORD>(WS_POPUP));
  EXPECT_TRUE(GetWindowLongPtr(a, GWL_STYLE) & WS_BORDER);
  refuseCreate = true;
  EXPECT_EQ(Top(0, 0, 10, 10, WS_POPUP), nullptr);
  refuseCreate = false;
  refuseActivate = true;
  HWND b = Top(0, 0, 100, 100, WS_POPUP);
  ShowWindow(b, SW_SHOW);
  EXPECT_NE(GetActiveWindow(), b);
  UnhookWindowsHookEx(hook);
}

TEST_F(WndTest, SubclassChainCallsNewProcFirstAndPassesOnWithCallWindowProc) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  static WNDPROC oldProc = nullptr;
  static std::vector<std::string> order;
  order.clear();
  oldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(
      +[](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER + 1) order.push_back("sub");
        LRESULT r = CallWindowProc(oldProc, h, m, wp, lp);
        return m == WM_USER + 1 ? r + 100 : r;
      })));
  EXPECT_EQ(oldProc, &LoggingProc);
  Handlers()[w] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_USER + 1) return false;
    order.push_back("original");
    *r = 5;
    return true;
  };
  // WH_CALLWNDPROC sees the message before any procedure, WH_CALLWNDPROCRET sees the result.
  static LRESULT retSeen = 0;
  static HHOOK h1, h2;
  h1 = SetWindowsHookEx(WH_CALLWNDPROC, [](int c, WPARAM w, LPARAM l) -> LRESULT {
    if (reinterpret_cast<CWPSTRUCT*>(l)->message == WM_USER + 1) order.push_back("hook");
    return CallNextHookEx(h1, c, w, l);
  }, nullptr, 0);
  h2 = SetWindowsHookEx(WH_CALLWNDPROCRET, [](int c, WPARAM w, LPARAM l) -> LRESULT {
    auto* r = reinterpret_cast<CWPRETSTRUCT*>(l);
    if (r->message == WM_USER + 1) retSeen = r->lResult;
    return CallNextHookEx(h2, c, w, l);
  }, nullptr, 0);
  EXPECT_EQ(SendMessage(w, WM_USER + 1, 0, 0), 105);
  EXPECT_EQ(order, (std::vector<std::string>{"hook", "sub", "original"}));
  EXPECT_EQ(retSeen, 105);
  UnhookWindowsHookEx(h1);
  UnhookWindowsHookEx(h2);
}

TEST_F(WndTest, GetMessageHookMayRewriteAndMouseHookMayEat) {
  HWND w = Top(100, 100, 200, 150, WS_POPUP | WS_VISIBLE);
  static HHOOK g, mh;
  g = SetWindowsHookEx(WH_GETMESSAGE, [](int c, WPARAM wp, LPARAM l) -> LRESULT {
    auto* m = reinterpret_cast<MSG*>(l);
    if (m->message == WM_USER + 1) m->wParam = 99;
    return CallNextHookEx(g, c, wp, l);
  }, nullptr, 0);
  mh = SetWindowsHookEx(WH_MOUSE, [](int c, WPARAM wp, LPARAM l) -> LRESULT {
    if (wp == WM_RBUTTONDOWN) return 1;  // swallowed application-wide
    return CallNextHookEx(mh, c, wp, l);
  }, nullptr, 0);
  PostMessage(w, WM_USER + 1, 1, 0);
  InjectMouseButton(150, 150, 1, true);
  InjectMouseButton(150, 150, 1, false);
  Pump();
  auto u = Logged(WM_USER + 1, w);
  ASSERT_EQ(u.size(), 1u);
  EXPECT_EQ(u[0].W, 99u);
  EXPECT_TRUE(Logged(WM_RBUTTONDOWN, w).empty());
  EXPECT_EQ(Logged(WM_RBUTTONUP, w).size(), 1u);
  UnhookWindowsHookEx(g);
  UnhookWindowsHookEx(mh);
}

TEST_F(WndTest, ActivationAndFocusMessagesInOrder) {
  HWND a = Top(0, 0, 200, 200);
  HWND e1 = Child(a, 10, 10, 50, 20);
  HWND e2 = Child(a, 10, 40, 50, 20);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);  // the default WM_ACTIVATE gives the window the focus
  MsgLog().clear();
  EXPECT_EQ(SetFocus(e1), a);
  SetFocus(e2);
  std::vector<std::pair<HWND, UINT>> seq;
  for (auto& l : MsgLog())
    if (l.Msg == WM_SETFOCUS || l.Msg == WM_KILLFOCUS) seq.push_back({l.Wnd, l.Msg});
  std::vector<std::pair<HWND, UINT>> want{{a, WM_KILLFOCUS}, {e1, WM_SETFOCUS}, {e1, WM_KILLFOCUS}, {e2, WM_SETFOCUS}};
  EXPECT_EQ(seq, want);
  // Another top-level window takes activation; the first hears WA_INACTIVE and loses focus.
  MsgLog().clear();
  HWND b = Top(50, 50, 100, 100);
  EXPECT_EQ(GetActiveWindow(), b);
  auto act = Logged(WM_ACTIVATE, a);
  ASSERT_EQ(act.size(), 1u);
  EXPECT_EQ(LOWORD(act[0].W), WA_INACTIVE);
  EXPECT_EQ(Logged(WM_KILLFOCUS, e2).size(), 1u);
  // Disabling the focused control takes the focus away.
  SetFocus(a);
  SetFocus(e1);
  EnableWindow(e1, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(e1));
  // Destroying the active window passes activation on.
  DestroyWindow(b);
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(WndTest, MouseGoesToTheDeepestEnabledChildAndDoubleClicksNeedTheClassStyle) {
  HWND a = Top(100, 100, 300, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(a, 20, 30, 100, 50);
  HWND off = Child(a, 150, 30, 100, 50, WS_CHILD | WS_VISIBLE | WS_DISABLED);
  InjectMouseButton(100 + 25, 100 + 35, 0, true);
  InjectMouseButton(100 + 25, 100 + 35, 0, false);
  InjectMouseButton(100 + 26, 100 + 35, 0, true);
  InjectMouseButton(100 + 26, 100 + 35, 0, false);
  InjectMouseButton(100 + 160, 100 + 40, 0, true);  // disabled child: the parent gets it
  Pump();
  auto downs = Logged(WM_LBUTTONDOWN, c);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(downs[0].L), 5);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].L), 5);
  EXPECT_EQ(Logged(WM_LBUTTONDBLCLK, c).size(), 1u);
  EXPECT_TRUE(Logged(WM_LBUTTONDOWN, off).empty());
  auto parentDown = Logged(WM_LBUTTONDOWN, a);
  ASSERT_EQ(parentDown.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(parentDown[0].L), 160);
  // Capture sends everything to the capturing window in its client coordinates.
  InjectMouseButton(100 + 160, 100 + 40, 0, false);
  SetCapture(c);
  InjectMouseMove(50, 60);
  Pump();
  auto moves = Logged(WM_MOUSEMOVE, c);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(GET_X_LPARAM(moves.back().L), 50 - 120);
  ReleaseCapture();
  EXPECT_EQ(Logged(WM_CAPTURECHANGED, c).size(), 1u);
}

TEST_F(WndTest, WheelHasSignedDeltaAndMouseLeaveIsTracked) {
  HWND a = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(a, 0, 0, 100, 100);
  SetFocus(c);
  InjectMouseWheel(10, 10, -WHEEL_DELTA);
  InjectMouseMove(10, 10);
  Pump();
  auto wheel = Logged(WM_MOUSEWHEEL, c);
  ASSERT_EQ(wheel.size(), 1u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].W), -120);
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = c;
  TrackMouseEvent(&tme);
  InjectMouseMove(20, 20);  // still inside: nothing
  Pump();
  EXPECT_TRUE(Logged(WM_MOUSELEAVE, c).empty());
  InjectMouseMove(200, 20);
  Pump();
  EXPECT_EQ(Logged(WM_MOUSELEAVE, c).size(), 1u);
}

TEST_F(WndTest, KeysGoToTheFocusAndTranslateMakesCharacters) {
  HWND a = Top(0, 0, 100, 100);
  HWND c = Child(a, 0, 0, 50, 50);
  SetFocus(c);
  InjectKey('A', true);
  InjectKey('A', false);
  InjectKey(VK_SHIFT, true);
  InjectKey('B', true);
  InjectKey('B', false);
  InjectKey(VK_SHIFT, false);
  InjectText("é");
  Pump();
  std::string chars;
  std::vector<WPARAM> codes;
  for (auto& l : Logged(WM_CHAR, c)) codes.push_back(l.W);
  EXPECT_EQ(codes, (std::vector<WPARAM>{'a', 'B', 0xE9}));
  auto downs = Logged(WM_KEYDOWN, c);
  ASSERT_GE(downs.size(), 2u);
  EXPECT_EQ(downs[0].W, static_cast<WPARAM>('A'));
  EXPECT_FALSE(downs[0].L & (1 << 30));  // was up before
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
  // Alt+key is a system key.
  InjectKey(VK_MENU, true);
  InjectKey('X', true);
  InjectKey('X', false);
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_FALSE(Logged(WM_SYSKEYDOWN, c).empty());
}

TEST_F(WndTest, HotKeyArrivesAsWmHotkeyAndDuplicatesAreRefused) {
  HWND a = Top(0, 0, 100, 100);
  ATOM id = GlobalAddAtom("MyHotKey");
  EXPECT_EQ(GlobalAddAtom("MyHotKey"), id);
  ASSERT_TRUE(RegisterHotKey(a, id, MOD_CONTROL, 76));
  EXPECT_FALSE(RegisterHotKey(a, id + 1, MOD_CONTROL, 76));
  InjectKey(VK_CONTROL, true);
  InjectKey(76, true);
  InjectKey(76, false);
  InjectKey(VK_CONTROL, false);
  Pump();
  auto hk = Logged(WM_HOTKEY, a);
  ASSERT_EQ(hk.size(), 1u);
  EXPECT_EQ(hk[0].W, id);
  EXPECT_EQ(HIWORD(hk[0].L), 76);
  EXPECT_EQ(LOWORD(hk[0].L), MOD_CONTROL);
  EXPECT_TRUE(UnregisterHotKey(a, id));
  GlobalDeleteAtom(id);
}

TEST_F(WndTest, DestroyNotifiesParentFirstAndChildrenBeforeNcDestroyOfParent) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP);
  HWND c = Child(a, 0, 0, 10, 10);
  SetTimer(a, 1, 1000, nullptr);
  PostMessage(a, WM_USER, 0, 0);
  DestroyWindow(a);
  std::vector<std::pair<HWND, UINT>> seq;
  for (auto& l : MsgLog())
    if (l.Msg == WM_DESTROY || l.Msg == WM_NCDESTROY) seq.push_back({l.Wnd, l.Msg});
  std::vector<std::pair<HWND, UINT>> want{{a, WM_DESTROY}, {c, WM_DESTROY}, {c, WM_NCDESTROY}, {a, WM_NCDESTROY}};
  EXPECT_EQ(seq, want);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(c));
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));  // its posted message went with it
}

TEST_F(WndTest, TreeQueriesAndLongValues) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP);
  HWND c1 = Child(a, 0, 0, 10, 10, WS_CHILD, 11);
  HWND c2 = Child(a, 0, 0, 10, 10, WS_CHILD, 12);
  HWND owned = CreateWindowEx(0, "OrvTest", "owned", WS_POPUP, 0, 0, 10, 10, c1, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetParent(c1), a);
  EXPECT_EQ(GetParent(owned), a);  // the owner is the top-level window
  EXPECT_EQ(GetAncestor(c2, GA_ROOT), a);
  EXPECT_EQ(GetWindow(a, GW_CHILD), c2);  // newest on top
  EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), c1);
  EXPECT_EQ(GetDlgItem(a, 11), c1);
  EXPECT_TRUE(IsChild(a, c1));
  SetWindowLongPtr(c1, GWLP_USERDATA, 1234);
  EXPECT_EQ(GetWindowLongPtr(c1, GWLP_USERDATA), 1234);
  SetWindowText(a, "Caption");
  char buf[8];
  EXPECT_EQ(GetWindowText(a, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "Caption");
  EXPECT_EQ(GetWindowText(a, buf, 4), 3);
  EXPECT_STREQ(buf, "Cap");
  EXPECT_EQ(GetClassName(a, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "OrvTest");
  EXPECT_EQ(FindWindow("orvtest", "Caption"), a);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(owned));  // owned windows go with their owner
}

TEST_F(WndTest, SetWindowPosMovesResizesAndReportsThroughWmSize) {
  HWND a = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(a, 10, 10, 50, 50);
  MsgLog().clear();
  SetWindowPos(c, nullptr, 20, 30, 80, 40, SWP_NOZORDER);
  auto sizes = Logged(WM_SIZE, c);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(LOWORD(sizes[0].L), 80);
  EXPECT_EQ(HIWORD(sizes[0].L), 40);
  RECT r;
  GetWindowRect(c, &r);
  EXPECT_EQ(r, (RECT{20, 30, 100, 70}));
  POINT p{0, 0};
  ClientToScreen(c, &p);
  EXPECT_EQ(p, (POINT{20, 30}));
  // A changing handler may veto the move.
  Handlers()[c] = [](HWND, UINT m, WPARAM, LPARAM l, LRESULT*) {
    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->flags |= SWP_NOMOVE;
    return false;
  };
  SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  GetWindowRect(c, &r);
  EXPECT_EQ(r.left, 20);
  ShowWindow(a, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(a));
  RECT wa;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0);
  GetWindowRect(a, &r);
  EXPECT_EQ(r, wa);
  ShowWindow(a, SW_RESTORE);
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{0, 0, 200, 200}));
}

TEST_F(WndTest, ClipboardNamedFormatsAndText) {
  UINT raw = RegisterClipboardFormat("IMAGERY RAW FORMAT");
  EXPECT_GE(raw, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("imagery raw format"), raw);
  EXPECT_NE(RegisterClipboardFormat("IMAGERY VECT"), raw);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));  // already open
  EmptyClipboard();
  const char data[] = {1, 2, 3};
  SetClipboardBytes(raw, data, 3);
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(raw));
  char out[8];
  size_t n = sizeof out;
  ASSERT_TRUE(GetClipboardBytes(raw, out, &n));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(out[2], 3);
  EXPECT_TRUE(SetClipboardText("héllo"));
  EXPECT_EQ(GetClipboardText(), "héllo");
  EXPECT_FALSE(IsClipboardFormatAvailable(raw));  // emptied by the text
}

TEST_F(WndTest, DroppedFilesReachTheAcceptingWindow) {
  HWND a = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(a, 0, 0, 100, 100);
  DragAcceptFiles(a, TRUE);
  static std::vector<std::string> got;
  got.clear();
  Handlers()[a] = [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m != WM_DROPFILES) return false;
    HDROP d = reinterpret_cast<HDROP>(wp);
    UINT n = DragQueryFile(d, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      char buf[256];
      DragQueryFile(d, i, buf, sizeof buf);
      got.push_back(buf);
    }
    DragFinish(d);
    return true;
  };
  InjectDropFiles(10, 10, {"/tmp/a.jpg", "/tmp/b.jpg"});  // over the child: goes to the parent
  Pump();
  EXPECT_EQ(got, (std::vector<std::string>{"/tmp/a.jpg", "/tmp/b.jpg"}));
  (void)c;
}
