// Window manager: painting, update regions, clipping by children, siblings and window
// regions, scrolling, the non-client area (hit-testing, frames, scroll bars and their tracking
// loop, system commands), rendering to PNG, cursors from files.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/win/pngsnap.h"
#include "tests/platform/win/wnd_test_util.h"

namespace {

// Paints the client area of w with one colour in WM_PAINT.
void PaintSolid(HWND w, COLORREF c) {
  static std::map<HWND, COLORREF> colours;
  colours[w] = c;
  Handlers()[w] = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    HBRUSH b = CreateSolidBrush(colours[h]);
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return true;
  };
}

struct TRendered {
  HBITMAP Bm;
  explicit TRendered(HWND w) : Bm(RenderWindowToBitmap(w)) {}
  ~TRendered() { DeleteObject(Bm); }
  COLORREF At(int x, int y) const { return PixelOf(Bm, x, y); }
};

}  // namespace

TEST_F(WndTest, PaintComesOnlyWhenTheQueueIsEmptyAndValidates) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  Pump();
  MsgLog().clear();
  InvalidateRect(w, nullptr, TRUE);
  PostMessage(w, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
  DispatchMessage(&m);
  EXPECT_EQ(Logged(WM_ERASEBKGND, w).size(), 1u);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));  // validated by the default paint
  RECT r{10, 10, 20, 30};
  InvalidateRect(w, &r, FALSE);
  RECT u;
  EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u, r);
  ValidateRect(w, nullptr);
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
}

TEST_F(WndTest, ParentPaintLeavesChildrenAndSiblingsAboveAlone) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND low = Child(a, 10, 10, 40, 40);
  HWND high = Child(a, 30, 30, 40, 40);  // created later: above 'low'
  PaintSolid(a, RGB(255, 0, 0));
  PaintSolid(low, RGB(0, 255, 0));
  PaintSolid(high, RGB(0, 0, 255));
  {
    TRendered r(a);
    EXPECT_EQ(r.At(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(r.At(15, 15), RGB(0, 255, 0));
    EXPECT_EQ(r.At(35, 35), RGB(0, 0, 255));  // the overlap belongs to the upper sibling
    EXPECT_EQ(r.At(65, 65), RGB(0, 0, 255));
  }
  // Repainting the parent and the lower child does not touch the upper one.
  PaintSolid(a, RGB(255, 255, 0));
  PaintSolid(low, RGB(0, 255, 255));
  InvalidateRect(a, nullptr, TRUE);
  InvalidateRect(low, nullptr, TRUE);
  TRendered r(a);
  EXPECT_EQ(r.At(5, 5), RGB(255, 255, 0));
  EXPECT_EQ(r.At(15, 15), RGB(0, 255, 255));
  EXPECT_EQ(r.At(35, 35), RGB(0, 0, 255));
  // Hiding a child repaints what was below it.
  ShowWindow(high, SW_HIDE);
  TRendered r2(a);
  EXPECT_EQ(r2.At(65, 65), RGB(255, 255, 0));
  EXPECT_EQ(r2.At(35, 35), RGB(0, 255, 255));
}

TEST_F(WndTest, WindowRegionClipsPaintingAndHitTesting) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND c = Child(a, 0, 0, 60, 60);
  PaintSolid(a, RGB(255, 255, 255));
  PaintSolid(c, RGB(0, 0, 0));
  SetWindowRgn(c, CreateEllipticRgn(0, 0, 60, 60), TRUE);
  TRendered r(a);
  EXPECT_EQ(r.At(30, 30), RGB(0, 0, 0));
  EXPECT_EQ(r.At(1, 1), RGB(255, 255, 255));  // corner outside the ellipse
  EXPECT_EQ(WindowFromPoint(POINT{30, 30}), c);
  EXPECT_EQ(WindowFromPoint(POINT{1, 1}), a);
  EXPECT_EQ(SendMessage(c, WM_NCHITTEST, 0, MAKELPARAM(1, 1)), HTNOWHERE);
}

TEST_F(WndTest, NonClientHitTestingFollowsTheFrameLayout) {
  HWND w = Top(100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(w, SB_VERT, &si, FALSE);
  SetScrollInfo(w, SB_HORZ, &si, FALSE);
  struct Case { int x, y; int hit; } cases[] = {
      {150, 150, HTCLIENT},      {150, 110, HTCAPTION},     {100 + 300 - 10, 110, HTCLOSE},
      {101, 150, HTLEFT},        {100 + 298, 150, HTRIGHT},  {150, 101, HTTOP},
      {150, 100 + 198, HTBOTTOM}, {101, 101, HTTOPLEFT},     {100 + 298, 100 + 198, HTBOTTOMRIGHT},
      {100 + 300 - 4 - 8, 170, HTVSCROLL}, {150, 100 + 200 - 4 - 8, HTHSCROLL}, {50, 50, HTNOWHERE},
  };
  for (auto c : cases)
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), c.hit) << c.x << "," << c.y;
  // A borderless popup has no frame at all: everything is client.
  HWND p = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(SendMessage(p, WM_NCHITTEST, 0, MAKELPARAM(0, 0)), HTCLIENT);
  RECT rc{0, 0, 100, 50};
  AdjustWindowRectEx(&rc, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(rc, (RECT{-6, -32, 106, 56}));
}

TEST_F(WndTest, FrameAndCaptionArePaintedInTheWindowBitmap) {
  HWND w = Top(0, 0, 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  PaintSolid(w, RGB(255, 255, 255));
  SetWindowText(w, "Frame");
  TRendered r(w);
  EXPECT_EQ(r.At(100, 8), GetSysColor(COLOR_ACTIVECAPTION) & 0xFFFFFF);
  EXPECT_EQ(r.At(100, 100), RGB(255, 255, 255));
  EXPECT_EQ(r.At(100, 118), GetSysColor(COLOR_3DSHADOW));  // raised outer edge at the bottom
  SetActiveWindow(nullptr);
  HWND other = Top(300, 0, 50, 50);
  (void)other;
  TRendered r2(w);
  EXPECT_EQ(r2.At(100, 8), GetSysColor(COLOR_INACTIVECAPTION) & 0xFFFFFF);
}

TEST_F(WndTest, ScrollInfoClampsShowsAndHidesTheBar) {
  HWND w = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  RECT before;
  GetClientRect(w, &before);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 65535;
  si.nPage = 1000;
  si.nPos = 70000;
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 65535 - 999);
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  RECT after;
  GetClientRect(w, &after);
  EXPECT_EQ(after.right, before.right - GetSystemMetrics(SM_CXVSCROLL));
  si.fMask = SIF_RANGE;
  si.nMax = 0;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  si.fMask = SIF_RANGE | SIF_DISABLENOSCROLL;
  si.nMax = 100;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  si.nMax = 0;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(sbi.rcScrollBar.right, 200);
}

TEST_F(WndTest, PostedNcButtonDownOnTheScrollBarRunsTheTrackingLoop) {
  HWND w = Top(0, 0, 200, 220, WS_POPUP | WS_VSCROLL | WS_VISIBLE);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 0;
  SetScrollInfo(w, SB_VERT, &si, FALSE);
  SCROLLBARINFO sbi;
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  int x = (sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2;
  int thumbY = sbi.rcScrollBar.top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2;
  EXPECT_EQ(sbi.dxyLineButton, 17);
  EXPECT_EQ(sbi.xyThumbBottom - sbi.xyThumbTop, 18);  // 186-pixel track, a tenth of the range
  // As a skinner does: post the button-down; the drag is already queued behind it.
  PostMessage(w, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(x, thumbY));
  InjectMouseMove(x, thumbY + 100);
  InjectMouseButton(x, thumbY + 100, 0, false);
  Pump();
  std::vector<std::pair<WORD, WORD>> seq;
  for (auto& l : Logged(WM_VSCROLL, w)) seq.push_back({LOWORD(l.W), HIWORD(l.W)});
  // 100 pixels of a 168-pixel travel over positions 0..90.
  std::vector<std::pair<WORD, WORD>> want{{SB_THUMBTRACK, 53}, {SB_THUMBPOSITION, 53}, {SB_ENDSCROLL, 0}};
  EXPECT_EQ(seq, want);
  EXPECT_EQ(GetCapture(), nullptr);
  // A click on the track below the thumb pages down.
  MsgLog().clear();
  PostMessage(w, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(x, sbi.rcScrollBar.bottom - 30));
  InjectMouseButton(x, sbi.rcScrollBar.bottom - 30, 0, false);
  Pump();
  seq.clear();
  for (auto& l : Logged(WM_VSCROLL, w)) seq.push_back({LOWORD(l.W), HIWORD(l.W)});
  EXPECT_EQ(seq, (std::vector<std::pair<WORD, WORD>>{{SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}}));
}

TEST_F(WndTest, CaptionDragMovesTheWindowAndCloseButtonCloses) {
  HWND w = Top(100, 100, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  InjectMouseButton(150, 110, 0, true);  // on the caption
  InjectMouseMove(180, 140);
  InjectMouseButton(180, 140, 0, false);
  Pump();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, (RECT{130, 130, 330, 280}));
  EXPECT_EQ(Logged(WM_ENTERSIZEMOVE, w).size(), 1u);
  // Dragging the right border resizes, down to the minimum tracking size.
  InjectMouseButton(329, 200, 0, true);
  InjectMouseMove(100, 200);
  InjectMouseButton(100, 200, 0, false);
  Pump();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));
  SendMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(WndTest, ScrollWindowMovesPixelsAndInvalidatesTheUncoveredStrip) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  PaintSolid(w, RGB(255, 255, 255));
  {
    TRendered r(w);
  }
  HDC dc = GetDC(w);
  RECT band{0, 40, 100, 50};
  HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &band, b);
  DeleteObject(b);
  ReleaseDC(w, dc);
  RECT upd;
  ScrollWindowEx(w, 0, -20, nullptr, nullptr, nullptr, &upd, SW_INVALIDATE);
  EXPECT_EQ(upd, (RECT{0, 80, 100, 100}));
  RECT u;
  GetUpdateRect(w, &u, FALSE);
  EXPECT_EQ(u, upd);
  ValidateRect(w, nullptr);
  TRendered r(w);
  EXPECT_EQ(r.At(50, 25), RGB(0, 0, 255));
  EXPECT_EQ(r.At(50, 45), RGB(255, 255, 255));
}

TEST_F(WndTest, RenderedWindowSavesAsPng) {
  HWND w = Top(0, 0, 120, 80, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  auto dir = std::filesystem::temp_directory_path() / ("orv_wnd_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / "w.png").string();
  ASSERT_TRUE(SaveWindowToPng(w, path));
  HBITMAP back = LoadPngToBitmap(path);
  ASSERT_TRUE(back);
  TRendered r(w);
  EXPECT_EQ(ComparePixels(*GetBitmapSurface(back), *GetBitmapSurface(r.Bm), 0), 0);
  DeleteObject(back);
  ShowWindow(w, SW_HIDE);
  EXPECT_FALSE(SaveWindowToPng(w, path));  // hidden windows have nothing to show
  std::filesystem::remove_all(dir);
}

TEST_F(WndTest, CursorsLoadFromCurFilesAndBadFilesFail) {
  auto dir = std::filesystem::temp_directory_path() / ("orv_cur_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  // A 2x2 1-bit cursor with hot spot (1, 0): colour rows black/white, AND mask all opaque.
  std::vector<uint8_t> f = {0, 0, 2, 0, 1, 0,               // directory: type 2, one image
                            2, 2, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 22, 0, 0, 0};
  uint32_t size = 40 + 8 + 8 + 8;
  f[14] = static_cast<uint8_t>(size);
  std::vector<uint8_t> hdr(40, 0);
  hdr[0] = 40;
  hdr[4] = 2;
  hdr[8] = 4;  // height doubled
  hdr[12] = 1;
  hdr[14] = 1;
  f.insert(f.end(), hdr.begin(), hdr.end());
  uint8_t pal[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  f.insert(f.end(), pal, pal + 8);
  uint8_t xorBits[8] = {0x40, 0, 0, 0, 0x80, 0, 0, 0};  // bottom row: 0 1, top row: 1 0
  f.insert(f.end(), xorBits, xorBits + 8);
  uint8_t andBits[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  f.insert(f.end(), andBits, andBits + 8);
  f[6 + 4] = 1;  // hot spot x
  std::string path = (dir / "c.cur").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
  HCURSOR c = LoadCursorFromFile(path.c_str());
  ASSERT_TRUE(c);
  TCursorInfo info;
  ASSERT_TRUE(GetCursorInfoOf(c, &info));
  EXPECT_EQ(info.Width, 2);
  EXPECT_EQ(info.Height, 2);
  EXPECT_EQ(info.HotX, 1);
  EXPECT_EQ(info.Pixels[0], 0xFFFFFFFFu);  // top-left white
  EXPECT_EQ(info.Pixels[1], 0xFF000000u);
  EXPECT_EQ(info.Pixels[3], 0xFFFFFFFFu);
  std::ofstream(dir / "bad.cur") << "not a cursor";
  EXPECT_EQ(LoadCursorFromFile((dir / "bad.cur").string().c_str()), nullptr);
  EXPECT_EQ(LoadCursorFromFile((dir / "missing.cur").string().c_str()), nullptr);
  EXPECT_TRUE(LoadCursor(nullptr, IDC_HAND));
  EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), LoadCursor(nullptr, IDC_HAND));
  DestroyCursor(c);
  std::filesystem::remove_all(dir);
}

TEST_F(WndTest, LockedWindowAndItsChildrenPaintOnlyAfterUnlocking) {
  HWND top = Top(10, 10, 200, 150);
  HWND child = Child(top, 10, 10, 50, 40);
  HWND other = Top(300, 10, 100, 100);
  PaintSolid(top, RGB(255, 0, 0));
  PaintSolid(child, RGB(0, 0, 255));
  Pump();
  {
    TRendered r(top);
    EXPECT_EQ(r.At(150, 100), RGB(255, 0, 0));
  }
  ASSERT_TRUE(LockWindowUpdate(top));
  EXPECT_FALSE(LockWindowUpdate(other));  // one lock at a time
  MsgLog().clear();
  PaintSolid(top, RGB(0, 255, 0));
  InvalidateRect(top, nullptr, TRUE);
  InvalidateRect(child, nullptr, TRUE);
  InvalidateRect(other, nullptr, TRUE);
  Pump();
  UpdateWindow(top);
  UpdateWindow(child);
  EXPECT_TRUE(Logged(WM_PAINT, top).empty());
  EXPECT_TRUE(Logged(WM_PAINT, child).empty());
  EXPECT_EQ(Logged(WM_PAINT, other).size(), 1u);  // other windows paint as usual
  {
    TRendered r(top);
    EXPECT_EQ(r.At(150, 100), RGB(255, 0, 0));  // still the old picture
  }
  ASSERT_TRUE(LockWindowUpdate(nullptr));
  Pump();
  EXPECT_EQ(Logged(WM_PAINT, top).size(), 1u);
  EXPECT_EQ(Logged(WM_PAINT, child).size(), 1u);
  {
    TRendered r(top);
    RECT c;
    GetClientRect(top, &c);
    POINT p{150, 100};
    ClientToScreen(top, &p);
    RECT w;
    GetWindowRect(top, &w);
    EXPECT_EQ(r.At(p.x - w.left, p.y - w.top), RGB(0, 255, 0));
  }
  EXPECT_TRUE(LockWindowUpdate(other));  // free again
  EXPECT_TRUE(LockWindowUpdate(nullptr));
}

TEST_F(WndTest, DestroyingTheLockedWindowReleasesTheLock) {
  HWND a = Top(10, 10, 100, 100);
  HWND b = Top(200, 10, 100, 100);
  ASSERT_TRUE(LockWindowUpdate(a));
  DestroyWindow(a);
  EXPECT_TRUE(LockWindowUpdate(b));
  MsgLog().clear();
  InvalidateRect(b, nullptr, TRUE);
  Pump();
  EXPECT_TRUE(Logged(WM_PAINT, b).empty());
  EXPECT_TRUE(LockWindowUpdate(nullptr));
  Pump();
  EXPECT_EQ(Logged(WM_PAINT, b).size(), 1u);
}

TEST_F(WndTest, DcsOfTheLockedWindowDrawNothingUnlessAskedToIgnoreTheLock) {
  HWND top = Top(10, 10, 200, 150, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 100, 10, 50, 40);
  HWND other = Top(300, 10, 100, 100, WS_POPUP | WS_VISIBLE);
  Pump();
  auto fill = [](HDC dc, COLORREF c) {
    RECT r{0, 0, 30, 30};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
  };
  const COLORREF bg = GetSysColor(COLOR_WINDOW), red = RGB(255, 0, 0);
  ASSERT_TRUE(LockWindowUpdate(top));
  struct TCase {
    const char* Name;
    HWND Wnd;
    std::function<HDC(HWND)> Get;
    POINT At;  // in the top-level window
    bool Reaches;
  } cases[] = {
      {"GetDC on the locked window", top, [](HWND w) { return GetDC(w); }, {5, 5}, false},
      {"GetWindowDC on the locked window", top, [](HWND w) { return GetWindowDC(w); }, {5, 5}, false},
      {"GetDC on a child of the locked window", child, [](HWND w) { return GetDC(w); }, {105, 15}, false},
      {"GetDCEx without the flag", child, [](HWND w) { return GetDCEx(w, nullptr, 0); }, {105, 15}, false},
      {"GetDCEx with DCX_LOCKWINDOWUPDATE", child,
       [](HWND w) { return GetDCEx(w, nullptr, DCX_LOCKWINDOWUPDATE); }, {105, 15}, true},
      {"GetDC on another window", other, [](HWND w) { return GetDC(w); }, {5, 5}, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    HDC dc = c.Get(c.Wnd);
    ASSERT_TRUE(dc);
    fill(dc, red);
    ReleaseDC(c.Wnd, dc);
    HWND root = c.Wnd == other ? other : top;
    HDC probe = GetDCEx(root, nullptr, DCX_LOCKWINDOWUPDATE | DCX_WINDOW);
    EXPECT_EQ(GetPixel(probe, c.At.x, c.At.y), c.Reaches ? red : bg);
    ReleaseDC(root, probe);
  }
  // Unlocking repaints what the locked windows could not show.
  ASSERT_TRUE(LockWindowUpdate(nullptr));
  Pump();
  HDC probe = GetWindowDC(top);
  EXPECT_EQ(GetPixel(probe, 105, 15), bg);
  ReleaseDC(top, probe);
  HDC dc = GetDC(child);
  fill(dc, red);
  ReleaseDC(child, dc);
  probe = GetWindowDC(top);
  EXPECT_EQ(GetPixel(probe, 105, 15), red);  // drawing reaches the surface again
  ReleaseDC(top, probe);
}
