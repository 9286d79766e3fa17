// Window manager: the message protocol of the non-client area (WM_NCCALCSIZE, default hit
// testing), size limits and maximising, window DCs with regions, WM_PRINT, activation, and the
// smaller rules (captions, fErase, WM_MOVE, window regions, caption buttons, destroyed children,
// the call hook, non-client metrics). Each test records the messages a window gets and compares
// them with the expected sequence, or reads the pixels.
#include <thread>

#include "tests/platform/win/wnd_test_util.h"

namespace {

class WndProtocolTest : public WndTest {};

using TSeq = std::vector<std::pair<HWND, UINT>>;

// The (window, message) pairs of the log, limited to the listed messages.
TSeq Recorded(std::initializer_list<UINT> only) {
  TSeq out;
  for (auto& l : MsgLog())
    if (std::find(only.begin(), only.end(), l.Msg) != only.end()) out.push_back({l.Wnd, l.Msg});
  return out;
}

std::vector<UINT> MessagesOf(HWND w, std::initializer_list<UINT> only) {
  std::vector<UINT> out;
  for (auto& [wnd, msg] : Recorded(only))
    if (wnd == w) out.push_back(msg);
  return out;
}

RECT WindowRectOf(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return r;
}

RECT ClientOf(HWND w) {
  RECT r;
  GetClientRect(w, &r);
  return r;
}

// What a WM_NCCALCSIZE handler was given.
struct TCalcSeen {
  WPARAM W = 0;
  RECT New{}, Old{}, OldClient{};
  WINDOWPOS Pos{};
};

// A class whose procedure insets the client area by 5 pixels on every side, but only when
// WM_NCCALCSIZE comes with wParam TRUE; it records what it saw. It never calls the default
// procedure for WM_NCCALCSIZE.
std::vector<TCalcSeen>& CalcSeen() {
  static std::vector<TCalcSeen> v;
  return v;
}

LRESULT InsetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  MsgLog().push_back({w, m, wp, lp});
  if (m == WM_NCCALCSIZE) {
    TCalcSeen seen;
    seen.W = wp;
    if (wp) {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp);
      seen.New = p->rgrc[0];
      seen.Old = p->rgrc[1];
      seen.OldClient = p->rgrc[2];
      if (p->lppos) seen.Pos = *p->lppos;
      InflateRect(&p->rgrc[0], -5, -5);
    }
    CalcSeen().push_back(seen);
    return 0;
  }
  return DefWindowProc(w, m, wp, lp);
}

void RegisterInsetClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = InsetProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "OrvInset";
  RegisterClass(&wc);
}

// ---- 1. WM_NCCALCSIZE ----

TEST_F(WndProtocolTest, NcCalcSizeComesWithParametersInParentCoordinates) {
  RegisterInsetClass();
  CalcSeen().clear();
  HWND top = CreateWindowEx(0, "OrvInset", "t", WS_OVERLAPPEDWINDOW, 30, 40, 300, 200, nullptr,
                            nullptr, nullptr, nullptr);
  ASSERT_TRUE(top);
  ASSERT_EQ(CalcSeen().size(), 1u);
  EXPECT_EQ(CalcSeen()[0].W, WPARAM(TRUE));
  EXPECT_EQ(CalcSeen()[0].New, (RECT{30, 40, 330, 240}));  // screen coordinates
  EXPECT_EQ(ClientOf(top), (RECT{0, 0, 290, 190}));        // the handler's inset, not the frame

  HWND parent = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
  CalcSeen().clear();
  HWND child = CreateWindowEx(0, "OrvInset", "c", WS_CHILD | WS_VISIBLE, 10, 20, 100, 50, parent,
                              nullptr, nullptr, nullptr);
  ASSERT_EQ(CalcSeen().size(), 1u);
  EXPECT_EQ(CalcSeen()[0].New, (RECT{10, 20, 110, 70}));  // the parent's client coordinates
  POINT origin{0, 0};
  ClientToScreen(child, &origin);
  EXPECT_EQ(origin, (POINT{15, 25}));

  // Each change that asks for it: the new rectangle, the old one and the old client area.
  struct Case {
    const char* name;
    std::function<void()> act;
    size_t calls;
    RECT newRect, oldRect, oldClient;
  } cases[] = {
      {"size",
       [&] { SetWindowPos(child, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER); },
       1,
       {10, 20, 130, 80},
       {10, 20, 110, 70},
       {15, 25, 105, 65}},
      {"move only",
       [&] { SetWindowPos(child, nullptr, 12, 22, 0, 0, SWP_NOSIZE | SWP_NOZORDER); },
       0,
       {},
       {},
       {}},
      {"frame changed",
       [&] {
         SetWindowPos(child, nullptr, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
       },
       1,
       {12, 22, 132, 82},
       {12, 22, 132, 82},
       {17, 27, 127, 77}},
      {"move and size",
       [&] { MoveWindow(child, 0, 0, 50, 40, TRUE); },
       1,
       {0, 0, 50, 40},
       {12, 22, 132, 82},
       {17, 27, 127, 77}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    CalcSeen().clear();
    c.act();
    ASSERT_EQ(CalcSeen().size(), c.calls);
    if (!c.calls) continue;
    EXPECT_EQ(CalcSeen()[0].W, WPARAM(TRUE));
    EXPECT_EQ(CalcSeen()[0].New, c.newRect);
    EXPECT_EQ(CalcSeen()[0].Old, c.oldRect);
    EXPECT_EQ(CalcSeen()[0].OldClient, c.oldClient);
    EXPECT_EQ(CalcSeen()[0].Pos.hwnd, child);
    EXPECT_EQ(CalcSeen()[0].Pos.cx, c.newRect.right - c.newRect.left);
    RECT cr = ClientOf(child);
    EXPECT_EQ(cr.right, c.newRect.right - c.newRect.left - 10);
    EXPECT_EQ(cr.bottom, c.newRect.bottom - c.newRect.top - 10);
  }
}

TEST_F(WndProtocolTest, DefaultNcCalcSizeTakesEitherForm) {
  HWND w = Top(100, 50, 300, 200, WS_OVERLAPPEDWINDOW);
  NCCALCSIZE_PARAMS p{};
  p.rgrc[0] = {100, 50, 400, 250};
  SendMessage(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
  EXPECT_EQ(p.rgrc[0], (RECT{104, 80, 396, 246}));  // frame 4, caption 26
  RECT plain{0, 0, 300, 200};
  SendMessage(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&plain));
  EXPECT_EQ(plain, (RECT{4, 30, 296, 196}));
}

// ---- 2. Default hit testing ----

TEST_F(WndProtocolTest, HitTestingAnswersFromTheRealClientArea) {
  // A captioned, sizable window whose handler takes the whole window as its client area.
  HWND w = Top(0, 0, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Handlers()[w] = [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m != WM_NCCALCSIZE || !wp) return false;
    *r = 0;  // the rectangle stays: all client
    return true;
  };
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_EQ(ClientOf(w), (RECT{0, 0, 300, 200}));
  struct Case {
    POINT p;
    LRESULT hit;
  } all[] = {
      {{150, 10}, HTCLIENT}, {{1, 1}, HTCLIENT}, {{298, 198}, HTCLIENT}, {{400, 10}, HTNOWHERE}};
  for (auto& c : all)
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(c.p.x, c.p.y)), c.hit)
        << c.p.x << "," << c.p.y;
  // A handler that keeps a band of 20 pixels on top for itself: that band is no client area.
  Handlers()[w] = [](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT* r) {
    if (m != WM_NCCALCSIZE || !wp) return false;
    reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0].top += 20;
    *r = 0;
    return true;
  };
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_NE(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(150, 10)), HTCLIENT);
  EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(150, 30)), HTCLIENT);
}

// ---- 3. WM_GETMINMAXINFO ----

TEST_F(WndProtocolTest, MinMaxInfoComesFirstAndLimitsSetWindowPos) {
  // Limits of 150 x 100 to 300 x 200.
  auto limits = [](HWND, UINT m, WPARAM, LPARAM lp, LRESULT*) {
    if (m == WM_GETMINMAXINFO) {
      auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
      mm->ptMinTrackSize = {150, 100};
      mm->ptMaxTrackSize = {300, 200};
    }
    return false;
  };
  // Sizable and overlapped windows are limited; a plain popup is not.
  struct Case {
    DWORD style;
    bool limited;
  } cases[] = {{WS_OVERLAPPEDWINDOW, true}, {WS_POPUP | WS_THICKFRAME, true}, {WS_POPUP, false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.style);
    MsgLog().clear();
    HWND w = CreateWindowEx(0, "OrvTest", "m", c.style, 0, 0, 500, 400, nullptr, nullptr, nullptr,
                            nullptr);
    ASSERT_TRUE(w);
    auto seq = MessagesOf(w, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE});
    if (c.limited)
      EXPECT_EQ(seq, (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    else
      EXPECT_EQ(seq, (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    Handlers()[w] = limits;
    struct Move {
      int cx, cy, wantCx, wantCy;
    } moves[] = {{500, 500, 300, 200}, {50, 50, 150, 100}, {200, 150, 200, 150}};
    for (auto& mv : moves) {
      MsgLog().clear();
      SetWindowPos(w, nullptr, 0, 0, mv.cx, mv.cy, SWP_NOMOVE | SWP_NOZORDER);
      RECT r = WindowRectOf(w);
      EXPECT_EQ(r.right - r.left, c.limited ? mv.wantCx : mv.cx);
      EXPECT_EQ(r.bottom - r.top, c.limited ? mv.wantCy : mv.cy);
      EXPECT_EQ(Logged(WM_GETMINMAXINFO, w).size(), c.limited ? 1u : 0u);
    }
    DestroyWindow(w);
  }
  // The default limits hold at creation: an overlapped window is never smaller than them.
  HWND tiny = Top(0, 0, 20, 10, WS_OVERLAPPEDWINDOW);
  RECT r = WindowRectOf(tiny);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYMINTRACK));
}

TEST_F(WndProtocolTest, MaximizePutsTheFrameOutsideTheWorkAreaWithOneWmSize) {
  RECT wa;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0);
  struct Case {
    DWORD style;
    int frame;
  } cases[] = {{WS_OVERLAPPEDWINDOW | WS_VISIBLE, 4},
               {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 3},
               {WS_POPUP | WS_VISIBLE, 0}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.style);
    HWND w = Top(50, 60, 300, 200, c.style);
    MsgLog().clear();
    ShowWindow(w, SW_MAXIMIZE);
    RECT want = wa;
    InflateRect(&want, c.frame, c.frame);
    EXPECT_EQ(WindowRectOf(w), want);
    auto sizes = Logged(WM_SIZE, w);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].W, WPARAM(SIZE_MAXIMIZED));
    EXPECT_EQ(LOWORD(sizes[0].L), ClientOf(w).right);
    EXPECT_GE(Logged(WM_GETMINMAXINFO, w).size(), 1u);
    // The client area starts inside the work area: left at its edge.
    POINT o{0, 0};
    ClientToScreen(w, &o);
    EXPECT_EQ(o.x, wa.left);
    MsgLog().clear();
    ShowWindow(w, SW_RESTORE);
    EXPECT_EQ(WindowRectOf(w), (RECT{50, 60, 350, 260}));
    sizes = Logged(WM_SIZE, w);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].W, WPARAM(SIZE_RESTORED));
    DestroyWindow(w);
  }
  // The window's own answer places it.
  HWND w = Top(50, 60, 300, 200);
  Handlers()[w] = [](HWND, UINT m, WPARAM, LPARAM lp, LRESULT*) {
    if (m == WM_GETMINMAXINFO) {
      auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
      mm->ptMaxPosition = {100, 100};
      mm->ptMaxSize = {640, 480};
    }
    return false;
  };
  ShowWindow(w, SW_MAXIMIZE);
  EXPECT_EQ(WindowRectOf(w), (RECT{100, 100, 740, 580}));
}

// ---- 4. Window DCs ----

// The documented frame painter: GetDCEx with WM_NCPAINT's wParam, filling all it may in red.
bool PaintsFrameRed(HWND h, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
  if (m != WM_NCPAINT) return false;
  HDC dc = GetDCEx(h, reinterpret_cast<HRGN>(wp), DCX_WINDOW | DCX_INTERSECTRGN);
  RECT all{0, 0, 120, 80};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);
  DeleteObject(red);
  ReleaseDC(h, dc);
  *r = 0;
  return true;
}

TEST_F(WndProtocolTest, NcPaintRegionsAreOnScreenAndOneMeansTheWholeWindow) {
  HWND w = Top(200, 100, 120, 80, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Pump();
  Handlers()[w] = PaintsFrameRed;
  auto pixels = [&](std::initializer_list<POINT> pts) {
    HBITMAP bm = RenderWindowToBitmap(w);
    std::vector<COLORREF> v;
    for (POINT p : pts) v.push_back(PixelOf(bm, p.x, p.y));
    DeleteObject(bm);
    return v;
  };
  const COLORREF red = RGB(255, 0, 0);
  SendMessage(w, WM_NCPAINT, 1, 0);
  auto v = pixels({{0, 0}, {60, 10}, {119, 79}, {60, 50}});
  EXPECT_EQ(v[0], red);
  EXPECT_EQ(v[1], red);
  EXPECT_EQ(v[2], red);
  EXPECT_EQ(v[3], red);  // the window DC covers the client area too
  // Repaint normally, then a region in screen coordinates: only its square turns red.
  Handlers().erase(w);
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
  Handlers()[w] = PaintsFrameRed;
  HRGN rgn = CreateRectRgn(200 + 10, 100 + 10, 200 + 20, 100 + 20);
  SendMessage(w, WM_NCPAINT, reinterpret_cast<WPARAM>(rgn), 0);
  DeleteObject(rgn);
  v = pixels({{10, 10}, {19, 19}, {9, 10}, {20, 20}, {60, 50}});
  EXPECT_EQ(v[0], red);
  EXPECT_EQ(v[1], red);
  EXPECT_NE(v[2], red);
  EXPECT_NE(v[3], red);
  EXPECT_NE(v[4], red);
  // Excluding a screen region leaves it untouched.
  HRGN out = CreateRectRgn(200, 100, 200 + 60, 100 + 80);
  HDC dc = GetDCEx(w, out, DCX_WINDOW | DCX_EXCLUDERGN);
  RECT all{0, 0, 120, 80};
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &all, blue);
  DeleteObject(blue);
  ReleaseDC(w, dc);
  DeleteObject(out);
  v = pixels({{59, 40}, {60, 40}});
  EXPECT_NE(v[0], RGB(0, 0, 255));
  EXPECT_EQ(v[1], RGB(0, 0, 255));
}

// ---- 5. WM_PRINT / WM_PRINTCLIENT ----

// Paints its client area in a colour of its own (from the window's user data) on WM_PAINT and
// WM_PRINTCLIENT alike, with a black diagonal.
bool PaintsItself(HWND w, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
  if (m != WM_PAINT && m != WM_PRINTCLIENT) return false;
  TPaintDC dc(w, m, wp);
  RECT c;
  GetClientRect(w, &c);
  HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtr(w, GWLP_USERDATA)));
  FillRect(dc, &c, b);
  DeleteObject(b);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, c.right, c.bottom);
  *r = 0;
  return true;
}

TEST_F(WndProtocolTest, PrintRendersFrameClientAndChildrenAsTheScreenShowsThem) {
  HWND top = Top(0, 0, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND a = Child(top, 10, 10, 80, 60, WS_CHILD | WS_VISIBLE | WS_BORDER);
  HWND b = Child(top, 60, 40, 80, 60, WS_CHILD | WS_VISIBLE, 2);
  HWND btn = CreateWindowEx(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 100, 5, 60,
                            24, top, nullptr, nullptr, nullptr);
  SetWindowLongPtr(top, GWLP_USERDATA, RGB(200, 220, 240));
  SetWindowLongPtr(a, GWLP_USERDATA, RGB(250, 200, 0));
  SetWindowLongPtr(b, GWLP_USERDATA, RGB(0, 160, 90));
  for (HWND h : {top, a, b}) Handlers()[h] = PaintsItself;
  SetActiveWindow(nullptr);  // an inactive caption both ways
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
  HBITMAP screen = RenderWindowToBitmap(top);
  ASSERT_TRUE(screen);
  uint32_t* bits = nullptr;
  HBITMAP printed = NewDib32(200, 150, &bits);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, printed);
  MsgLog().clear();
  SendMessage(top, WM_PRINT, reinterpret_cast<WPARAM>(mem),
              PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  SelectObject(mem, old);
  DeleteDC(mem);
  int differ = 0;
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x)
      if (PixelOf(screen, x, y) != PixelOf(printed, x, y)) ++differ;
  EXPECT_EQ(differ, 0);
  // The order: the window's own parts, then the children bottom first.
  TSeq want{{top, WM_PRINT}, {top, WM_ERASEBKGND}, {top, WM_PRINTCLIENT},
            {a, WM_PRINT},   {a, WM_ERASEBKGND},   {a, WM_PRINTCLIENT},
            {b, WM_PRINT},   {b, WM_ERASEBKGND},   {b, WM_PRINTCLIENT}};
  TSeq got;
  for (auto& l : MsgLog())
    if ((l.Wnd == top || l.Wnd == a || l.Wnd == b) &&
        (l.Msg == WM_PRINT || l.Msg == WM_ERASEBKGND || l.Msg == WM_PRINTCLIENT))
      got.push_back({l.Wnd, l.Msg});
  EXPECT_EQ(got, want);
  DeleteObject(screen);
  DeleteObject(printed);

  // The flags choose the parts: the client alone touches no frame pixel and no child.
  struct Case {
    LPARAM flags;
    TSeq seq;
  } cases[] = {
      {PRF_CLIENT, {{top, WM_PRINT}, {top, WM_PRINTCLIENT}}},
      {PRF_ERASEBKGND, {{top, WM_PRINT}, {top, WM_ERASEBKGND}}},
      {PRF_CLIENT | PRF_CHILDREN,
       {{top, WM_PRINT},
        {top, WM_PRINTCLIENT},
        {a, WM_PRINT},
        {a, WM_PRINTCLIENT},
        {b, WM_PRINT},
        {b, WM_PRINTCLIENT}}},
  };
  for (auto& c : cases) {
    printed = NewDib32(200, 150, &bits);
    std::fill(bits, bits + 200 * 150, 0x00123456u);
    mem = CreateCompatibleDC(nullptr);
    old = SelectObject(mem, printed);
    MsgLog().clear();
    SendMessage(top, WM_PRINT, reinterpret_cast<WPARAM>(mem), c.flags);
    SelectObject(mem, old);
    DeleteDC(mem);
    got.clear();
    for (auto& l : MsgLog())
      if ((l.Wnd == top || l.Wnd == a || l.Wnd == b) &&
          (l.Msg == WM_PRINT || l.Msg == WM_ERASEBKGND || l.Msg == WM_PRINTCLIENT))
        got.push_back({l.Wnd, l.Msg});
    EXPECT_EQ(got, c.seq) << c.flags;
    EXPECT_EQ(bits[0], 0x00123456u);  // the frame corner stays
    DeleteObject(printed);
  }
  // A hidden window prints nothing under PRF_CHECKVISIBLE.
  ShowWindow(top, SW_HIDE);
  MsgLog().clear();
  HDC scratch = CreateCompatibleDC(nullptr);
  SendMessage(top, WM_PRINT, reinterpret_cast<WPARAM>(scratch), PRF_CHECKVISIBLE | PRF_CLIENT);
  DeleteDC(scratch);
  EXPECT_TRUE(Logged(WM_PRINTCLIENT).empty());
  (void)btn;
}

// ---- 6. Activation ----

TEST_F(WndProtocolTest, ActivationSequencesOnSwitchHideAndDestroy) {
  const std::initializer_list<UINT> kinds{WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP,
                                          WM_KILLFOCUS,  WM_SETFOCUS, WM_DESTROY};
  HWND a = Top(0, 0, 200, 200);
  HWND edit = Child(a, 10, 10, 50, 20);
  SetFocus(edit);
  HWND b = Top(300, 0, 200, 200, WS_OVERLAPPEDWINDOW);
  MsgLog().clear();
  // Switching: the old window is deactivated first and keeps its focus until the new one takes it.
  SetActiveWindow(b);
  EXPECT_EQ(Recorded(kinds), (TSeq{{a, WM_NCACTIVATE},
                                   {a, WM_ACTIVATE},
                                   {b, WM_NCACTIVATE},
                                   {b, WM_ACTIVATE},
                                   {edit, WM_KILLFOCUS},
                                   {b, WM_SETFOCUS}}));
  EXPECT_EQ(Logged(WM_NCACTIVATE, a)[0].W, WPARAM(FALSE));
  EXPECT_EQ(LOWORD(Logged(WM_ACTIVATE, a)[0].W), WA_INACTIVE);
  // Destroying the active window: it is deactivated before it goes and the other takes over.
  MsgLog().clear();
  DestroyWindow(b);
  EXPECT_EQ(Recorded(kinds), (TSeq{{b, WM_NCACTIVATE},
                                   {b, WM_ACTIVATE},
                                   {a, WM_NCACTIVATE},
                                   {a, WM_ACTIVATE},
                                   {b, WM_KILLFOCUS},
                                   {a, WM_SETFOCUS},
                                   {b, WM_DESTROY}}));
  EXPECT_EQ(GetActiveWindow(), a);
  // Hiding the last window: the application loses activation and the focus goes.
  SetFocus(edit);
  MsgLog().clear();
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(
      Recorded(kinds),
      (TSeq{{a, WM_NCACTIVATE}, {a, WM_ACTIVATE}, {a, WM_ACTIVATEAPP}, {edit, WM_KILLFOCUS}}));
  EXPECT_EQ(Logged(WM_ACTIVATEAPP, a)[0].W, WPARAM(FALSE));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  // Showing it again: the application is activated before the window.
  MsgLog().clear();
  ShowWindow(a, SW_SHOW);
  auto seq = Recorded({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP});
  EXPECT_EQ(seq, (TSeq{{a, WM_ACTIVATEAPP}, {a, WM_NCACTIVATE}, {a, WM_ACTIVATE}}));
  // Destroying the only window: deactivation and WM_ACTIVATEAPP FALSE before WM_DESTROY.
  MsgLog().clear();
  DestroyWindow(a);
  EXPECT_EQ(Recorded({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_DESTROY}),
            (TSeq{{a, WM_NCACTIVATE},
                  {a, WM_ACTIVATE},
                  {a, WM_ACTIVATEAPP},
                  {a, WM_DESTROY},
                  {edit, WM_DESTROY}}));
}

// ---- 7. The smaller rules ----

TEST_F(WndProtocolTest, SetWindowTextRepaintsOnlyTheCaption) {
  HWND w = Top(0, 0, 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Pump();
  MsgLog().clear();
  SetWindowText(w, "A new caption");
  auto nc = Logged(WM_NCPAINT, w);
  ASSERT_EQ(nc.size(), 1u);
  // The region is the caption bar on the screen.
  RECT box;
  ASSERT_GT(nc[0].W, 1u);
  Pump();
  EXPECT_TRUE(Logged(WM_PAINT, w).empty());
  EXPECT_TRUE(Logged(WM_ERASEBKGND, w).empty());
  EXPECT_FALSE(GetUpdateRect(w, &box, FALSE));
  char text[32];
  GetWindowText(w, text, sizeof text);
  EXPECT_STREQ(text, "A new caption");
}

TEST_F(WndProtocolTest, BeginPaintSaysEraseOnlyWhenAskedAndNotDone) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  Pump();
  static BOOL seen = -1;
  static LRESULT eraseAnswer = 0;
  Handlers()[w] = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m == WM_ERASEBKGND) {
      *r = eraseAnswer;
      return true;
    }
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    seen = ps.fErase;
    EndPaint(h, &ps);
    *r = 0;
    return true;
  };
  struct Case {
    BOOL erase;
    LRESULT answer;
    BOOL fErase;
  } cases[] = {{FALSE, 0, FALSE}, {TRUE, 0, TRUE}, {TRUE, 1, FALSE}};
  for (auto& c : cases) {
    seen = -1;
    eraseAnswer = c.answer;
    InvalidateRect(w, nullptr, c.erase);
    UpdateWindow(w);
    EXPECT_EQ(seen, c.fErase) << c.erase << " " << c.answer;
  }
}

TEST_F(WndProtocolTest, WmMoveCarriesTheClientOrigin) {
  HWND top = Top(10, 20, 300, 200, WS_OVERLAPPEDWINDOW);
  auto moves = Logged(WM_MOVE, top);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(moves[0].L), 10 + 4);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].L), 20 + 4 + 26);
  HWND child = Child(top, 5, 6, 50, 50, WS_CHILD | WS_BORDER);
  moves = Logged(WM_MOVE, child);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(moves[0].L), 6);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].L), 7);
  MsgLog().clear();
  SetWindowPos(child, nullptr, 15, 16, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  moves = Logged(WM_MOVE, child);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(moves[0].L), 16);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].L), 17);
}

TEST_F(WndProtocolTest, SetWindowRgnGoesThroughWindowPosMessages) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  struct Case {
    BOOL redraw;
    std::vector<UINT> seq;
  } cases[] = {
      {TRUE, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED}},
      {FALSE, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}},
  };
  for (auto& c : cases) {
    MsgLog().clear();
    SetWindowRgn(w, CreateEllipticRgn(0, 0, 100, 100), c.redraw);
    EXPECT_EQ(
        MessagesOf(w, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}),
        c.seq)
        << c.redraw;
  }
}

TEST_F(WndProtocolTest, CaptionButtonsActOnReleaseOverTheButton) {
  // The close button sits at the right end of the caption.
  struct Case {
    const char* name;
    POINT up;
    bool closes;
  } cases[] = {{"released over the button", {0, 0}, true},
               {"released elsewhere", {-60, 40}, false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Top(100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Pump();
    RECT wr = WindowRectOf(w);
    POINT btn{wr.right - 4 - 12, wr.top + 4 + 13};
    ASSERT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(btn.x, btn.y)), HTCLOSE);
    MsgLog().clear();
    InjectMouseMove(btn.x, btn.y);
    InjectMouseButton(btn.x, btn.y, 0, true);
    InjectMouseMove(btn.x + c.up.x, btn.y + c.up.y);
    InjectMouseButton(btn.x + c.up.x, btn.y + c.up.y, 0, false);
    Pump();
    auto sys = Logged(WM_SYSCOMMAND, w);
    EXPECT_EQ(sys.size(), c.closes ? 1u : 0u);
    EXPECT_EQ(IsWindow(w) != FALSE, !c.closes);
    if (IsWindow(w)) DestroyWindow(w);
  }
}

TEST_F(WndProtocolTest, DestroyedChildNotifiesItsParentFirstAndHandsTheFocusUp) {
  HWND top = Top(0, 0, 200, 200);
  HWND panel = Child(top, 0, 0, 150, 150);
  HWND edit = Child(panel, 10, 10, 50, 20);
  SetFocus(edit);
  MsgLog().clear();
  DestroyWindow(edit);
  EXPECT_EQ(Recorded({WM_PARENTNOTIFY, WM_SHOWWINDOW, WM_KILLFOCUS, WM_SETFOCUS, WM_DESTROY,
                      WM_NCDESTROY}),
            (TSeq{{panel, WM_PARENTNOTIFY},
                  {edit, WM_SHOWWINDOW},
                  {edit, WM_KILLFOCUS},
                  {panel, WM_SETFOCUS},
                  {edit, WM_DESTROY},
                  {edit, WM_NCDESTROY}}));
  auto notify = Logged(WM_PARENTNOTIFY, panel);
  EXPECT_EQ(LOWORD(notify[0].W), WM_DESTROY);
  EXPECT_EQ(Logged(WM_SHOWWINDOW, edit)[0].W, WPARAM(FALSE));
  EXPECT_EQ(GetFocus(), panel);
}

std::vector<WPARAM>& HookFlags() {
  static std::vector<WPARAM> v;
  return v;
}

TEST_F(WndProtocolTest, CallWndProcHookTellsWhoSentTheMessage) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP);
  HHOOK h = SetWindowsHookEx(
      WH_CALLWNDPROC,
      [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(lp);
        if (cwp->message == WM_USER + 7) HookFlags().push_back(wp);
        return CallNextHookEx(nullptr, code, wp, lp);
      },
      nullptr, GetCurrentThreadId());
  HookFlags().clear();
  SendMessage(w, WM_USER + 7, 0, 0);
  std::thread other([w] { SendMessage(w, WM_USER + 7, 0, 0); });
  // Answer the other thread's message from here.
  for (int i = 0; i < 500 && HookFlags().size() < 2; ++i) {
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  other.join();
  UnhookWindowsHookEx(h);
  EXPECT_EQ(HookFlags(), (std::vector<WPARAM>{1, 0}));
}

TEST_F(WndProtocolTest, NonClientMetricsCaptionHeightIsOneLessThanTheCaptionBar) {
  NONCLIENTMETRICS m;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
  EXPECT_EQ(m.iCaptionHeight, GetSystemMetrics(SM_CYCAPTION) - 1);
  EXPECT_EQ(m.iSmCaptionHeight, GetSystemMetrics(SM_CYSMCAPTION) - 1);
}

}  // namespace
