// Flat scroll bars: the flat functions move the window's own bars, the flat state with its
// properties belongs to one window until it is uninitialized or destroyed, and the properties
// decide the bars' sizes, hit-testing, colours and look.
#include "platform/win/commctrl.h"
#include "wnd_test_util.h"

TEST_F(WndTest, FlatScrollInfoDrivesTheWindowBars) {
  HWND w = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  ASSERT_TRUE(InitializeFlatSB(w));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 500;
  si.nPage = 100;
  si.nPos = 1000;
  // Position clamps to Max - Page + 1, the vertical bar appears.
  EXPECT_EQ(FlatSB_SetScrollInfo(w, SB_VERT, &si, TRUE), 401);
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  SCROLLINFO back;
  back.fMask = SIF_ALL;
  ASSERT_TRUE(FlatSB_GetScrollInfo(w, SB_VERT, &back));
  EXPECT_EQ(back.nMax, 500);
  EXPECT_EQ(back.nPage, 100u);
  EXPECT_EQ(back.nPos, 401);
  EXPECT_EQ(back.nTrackPos, 401);

  // SetScrollPos returns the old position, the new one reads back through both APIs.
  EXPECT_EQ(FlatSB_SetScrollPos(w, SB_VERT, 50, TRUE), 401);
  EXPECT_EQ(FlatSB_GetScrollPos(w, SB_VERT), 50);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 50);

  FlatSB_SetScrollRange(w, SB_HORZ, 10, 90, FALSE);
  int lo = 0, hi = 0;
  ASSERT_TRUE(FlatSB_GetScrollRange(w, SB_HORZ, &lo, &hi));
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 90);

  ASSERT_TRUE(FlatSB_ShowScrollBar(w, SB_BOTH, FALSE));
  EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
  ASSERT_TRUE(FlatSB_ShowScrollBar(w, SB_VERT, TRUE));
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & WS_HSCROLL);

  ASSERT_TRUE(FlatSB_EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH));
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
  ASSERT_TRUE(FlatSB_EnableScrollBar(w, SB_VERT, ESB_ENABLE_BOTH));
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_FALSE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_FALSE(FlatSB_EnableScrollBar(w, 7, ESB_DISABLE_BOTH));
}

TEST_F(WndTest, FlatFunctionsWorkWithoutInitialization) {
  HWND w = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  EXPECT_FALSE(FlatSB_IsFlat(w));
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_POS;
  si.nMax = 300;
  si.nPos = 120;
  EXPECT_EQ(FlatSB_SetScrollInfo(w, SB_HORZ, &si, FALSE), 120);
  EXPECT_EQ(GetScrollPos(w, SB_HORZ), 120);
  SCROLLINFO back;
  back.fMask = SIF_POS;
  EXPECT_FALSE(FlatSB_GetScrollInfo(nullptr, SB_HORZ, &back));
  EXPECT_FALSE(FlatSB_GetScrollInfo(w, SB_HORZ, nullptr));
}

TEST_F(WndTest, FlatStateAndPropertiesBelongToOneWindow) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND b = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  EXPECT_FALSE(InitializeFlatSB(nullptr));
  ASSERT_TRUE(InitializeFlatSB(a));
  EXPECT_TRUE(FlatSB_IsFlat(a));
  EXPECT_FALSE(FlatSB_IsFlat(b));

  INT_PTR v = 0;
  ASSERT_TRUE(FlatSB_GetScrollProp(a, WSB_PROP_VSTYLE, &v));
  EXPECT_EQ(v, FSB_FLAT_MODE);
  struct Case { UINT Index; INT_PTR Value; BOOL Ok; } cases[] = {
    {WSB_PROP_CXVSCROLL, 12, TRUE},
    {WSB_PROP_CYHSCROLL, 9, TRUE},
    {WSB_PROP_VBKGCOLOR, 0x00FF00, TRUE},
    {WSB_PROP_HSTYLE, FSB_ENCARTA_MODE, TRUE},
    {WSB_PROP_VSTYLE, 7, FALSE},                       // not a style
    {WSB_PROP_CXVSCROLL, -4, FALSE},                   // no negative sizes
    {WSB_PROP_HBKGCOLOR, 0x1000000, FALSE},            // not a colour
    {WSB_PROP_CXHSCROLL | WSB_PROP_CYVSCROLL, 3, FALSE},  // one property at a time
    {0x10000, 1, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Index);
    INT_PTR before = -99;
    FlatSB_GetScrollProp(a, c.Index, &before);
    EXPECT_EQ(FlatSB_SetScrollProp(a, c.Index, c.Value, TRUE), c.Ok);
    INT_PTR after = -99;
    EXPECT_EQ(FlatSB_GetScrollProp(a, c.Index, &after), FlatSB_GetScrollProp(a, c.Index, &before));
    EXPECT_EQ(after, c.Ok ? c.Value : before);
  }
  // The other window has no flat bars, so no properties.
  EXPECT_FALSE(FlatSB_SetScrollProp(b, WSB_PROP_CXVSCROLL, 5, FALSE));
  EXPECT_FALSE(FlatSB_GetScrollProp(b, WSB_PROP_CXVSCROLL, &v));

  // Uninitializing drops the state but keeps the bars' values.
  FlatSB_SetScrollRange(a, SB_VERT, 0, 50, FALSE);
  FlatSB_SetScrollPos(a, SB_VERT, 20, FALSE);
  ASSERT_TRUE(UninitializeFlatSB(a));
  EXPECT_FALSE(FlatSB_IsFlat(a));
  EXPECT_FALSE(FlatSB_GetScrollProp(a, WSB_PROP_CXVSCROLL, &v));
  EXPECT_EQ(GetScrollPos(a, SB_VERT), 20);
  // Initializing again starts from the defaults.
  ASSERT_TRUE(InitializeFlatSB(a));
  ASSERT_TRUE(FlatSB_GetScrollProp(a, WSB_PROP_CXVSCROLL, &v));
  EXPECT_EQ(v, GetSystemMetrics(SM_CXVSCROLL));

  // A destroyed window loses its flat state.
  DestroyWindow(a);
  EXPECT_FALSE(FlatSB_IsFlat(a));
  EXPECT_FALSE(UninitializeFlatSB(a));
}

namespace {

// A 200x200 window with both bars, each showing a tenth of its range.
class FlatTest : public WndTest {
protected:
  HWND FlatWindow() {
    HWND w = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 0;
    SetScrollInfo(w, SB_VERT, &si, FALSE);
    SetScrollInfo(w, SB_HORZ, &si, FALSE);
    return w;
  }
};

LRESULT HitAt(HWND w, int x, int y) { return SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(x, y)); }

}  // namespace

TEST_F(FlatTest, FlatBarSizesMoveTheClientAreaAndTheHitTesting) {
  HWND w = FlatWindow();
  ASSERT_TRUE(InitializeFlatSB(w));
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c, (RECT{0, 0, 183, 183}));  // the system sizes to begin with
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_CXVSCROLL, 10, FALSE));
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_CYHSCROLL, 8, FALSE));
  GetClientRect(w, &c);
  EXPECT_EQ(c, (RECT{0, 0, 190, 192}));
  struct THit { int X, Y; LRESULT Hit; } hits[] = {
      {195, 50, HTVSCROLL}, {189, 50, HTCLIENT}, {190, 50, HTVSCROLL},
      {50, 195, HTHSCROLL}, {50, 191, HTCLIENT}, {50, 192, HTHSCROLL}, {195, 195, HTGROWBOX},
  };
  for (const THit& h : hits) {
    SCOPED_TRACE(testing::Message() << h.X << "," << h.Y);
    EXPECT_EQ(HitAt(w, h.X, h.Y), h.Hit);
  }

  // Arrow and thumb lengths: a 30-pixel arrow and a 40-pixel thumb for a page-less bar.
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_CYVSCROLL, 30, FALSE));
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_CYVTHUMB, 40, FALSE));
  SCROLLINFO si;
  si.fMask = SIF_PAGE;
  si.nPage = 0;
  SetScrollInfo(w, SB_VERT, &si, FALSE);
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rcScrollBar.right - sbi.rcScrollBar.left, 10);
  EXPECT_EQ(sbi.dxyLineButton, 30);
  EXPECT_EQ(sbi.xyThumbTop, 30);
  EXPECT_EQ(sbi.xyThumbBottom - sbi.xyThumbTop, 40);
  // A click 25 pixels down is on the longer arrow, not on the track.
  MsgLog().clear();
  PostMessage(w, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(195, 25));
  InjectMouseButton(195, 25, 0, false);
  Pump();
  auto v = Logged(WM_VSCROLL, w);
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(LOWORD(v[0].W), SB_LINEUP);

  // Standard bars again: the system sizes come back.
  ASSERT_TRUE(UninitializeFlatSB(w));
  GetClientRect(w, &c);
  EXPECT_EQ(c, (RECT{0, 0, 183, 183}));
}

TEST_F(FlatTest, FlatBarsAreDrawnInTheirStyleAndBackgroundColour) {
  HWND w = FlatWindow();
  ASSERT_TRUE(InitializeFlatSB(w));
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  int left = sbi.rcScrollBar.left, right = sbi.rcScrollBar.right - 1;
  int thumbTop = sbi.xyThumbTop, thumbBottom = sbi.xyThumbBottom - 1;
  struct TCase {
    const char* Name;
    INT_PTR Style;
    COLORREF TopLeft, BottomRight;  // the corners of the thumb and of the up arrow
  } cases[] = {
      {"regular", FSB_REGULAR_MODE, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW)},
      {"encarta", FSB_ENCARTA_MODE, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)},
      {"flat", FSB_FLAT_MODE, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_VSTYLE, c.Style, TRUE));
    HBITMAP bm = RenderWindowToBitmap(w);
    EXPECT_EQ(PixelOf(bm, left, thumbTop), c.TopLeft);
    EXPECT_EQ(PixelOf(bm, right, thumbBottom), c.BottomRight);
    EXPECT_EQ(PixelOf(bm, left, 0), c.TopLeft);
    EXPECT_EQ(PixelOf(bm, right, sbi.dxyLineButton - 1), c.BottomRight);
    DeleteObject(bm);
  }
  // The distinct-colour check above only means something if the looks differ.
  ASSERT_NE(cases[0].BottomRight, cases[1].BottomRight);
  ASSERT_NE(cases[1].TopLeft, cases[2].TopLeft);

  // Track colours: each bar its own, the system colour by default and after -1.
  int trackY = thumbBottom + 20, trackX = 150;
  int hbarY = 190;
  HBITMAP bm = RenderWindowToBitmap(w);
  EXPECT_EQ(PixelOf(bm, left + 5, trackY), GetSysColor(COLOR_SCROLLBAR));
  DeleteObject(bm);
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_VBKGCOLOR, RGB(200, 0, 0), TRUE));
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_HBKGCOLOR, RGB(0, 0, 200), TRUE));
  bm = RenderWindowToBitmap(w);
  EXPECT_EQ(PixelOf(bm, left + 5, trackY), RGB(200, 0, 0));
  EXPECT_EQ(PixelOf(bm, trackX, hbarY), RGB(0, 0, 200));
  DeleteObject(bm);
  ASSERT_TRUE(FlatSB_SetScrollProp(w, WSB_PROP_VBKGCOLOR, -1, TRUE));
  bm = RenderWindowToBitmap(w);
  EXPECT_EQ(PixelOf(bm, left + 5, trackY), GetSysColor(COLOR_SCROLLBAR));
  DeleteObject(bm);
}
