// Flat scroll bars: the flat functions move the window's own bars, and the flat state with its
// properties belongs to one window until it is uninitialized or destroyed.
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
  EXPECT_EQ(v, 0);

  // A destroyed window loses its flat state.
  DestroyWindow(a);
  EXPECT_FALSE(FlatSB_IsFlat(a));
  EXPECT_FALSE(UninitializeFlatSB(a));
}
