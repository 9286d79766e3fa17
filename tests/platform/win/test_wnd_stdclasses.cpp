// The standard control classes: buttons, statics, scroll bar controls and dialogs.
#include "tests/platform/win/wnd_test_util.h"

namespace {
HWND Make(const char* cls, const char* text, DWORD style, HWND parent, int id, int x, int y, int w, int h) {
  return CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
}
}  // namespace

TEST_F(WndTest, ButtonsToggleCheckRadioGroupsAndNotifyTheParent) {
  HWND dlg = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
  HWND cb = Make("BUTTON", "Bold", BS_AUTOCHECKBOX | WS_TABSTOP, dlg, 10, 10, 10, 100, 20);
  HWND r1 = Make("BUTTON", "One", BS_AUTORADIOBUTTON | WS_GROUP, dlg, 11, 10, 40, 100, 20);
  HWND r2 = Make("BUTTON", "Two", BS_AUTORADIOBUTTON, dlg, 12, 10, 70, 100, 20);
  ASSERT_TRUE(cb && r1 && r2);
  char cls[16];
  GetClassName(cb, cls, sizeof cls);
  EXPECT_STREQ(cls, "BUTTON");
  SendMessage(cb, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessage(cb, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessage(cb, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessage(cb, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  auto cmds = Logged(WM_COMMAND, dlg);
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(LOWORD(cmds[0].W), 10);
  EXPECT_EQ(HIWORD(cmds[0].W), BN_CLICKED);
  EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].L), cb);
  SendMessage(r1, BM_CLICK, 0, 0);
  SendMessage(r2, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessage(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
  // A mouse click on the check box toggles it too.
  InjectMouseButton(15, 15, 0, true);
  InjectMouseButton(15, 15, 0, false);
  Pump();
  EXPECT_EQ(SendMessage(cb, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(GetFocus(), cb);
}

TEST_F(WndTest, ScrollBarControlsKeepTheirStateAndReportToTheParent) {
  HWND dlg = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
  HWND sb = Make("SCROLLBAR", "", SBS_VERT, dlg, 20, 200, 0, 17, 150);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 200;
  si.nPage = 50;
  si.nPos = 500;
  EXPECT_EQ(SetScrollInfo(sb, SB_CTL, &si, TRUE), 151);
  SCROLLINFO back;
  back.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(sb, SB_CTL, &back));
  EXPECT_EQ(back.nPos, 151);
  EXPECT_EQ(back.nPage, 50u);
  EXPECT_EQ(SendMessage(sb, SBM_SETPOS, 10, TRUE), 151);
  EXPECT_EQ(GetScrollPos(sb, SB_CTL), 10);
  InjectMouseButton(205, 5, 0, true);  // the up arrow
  InjectMouseButton(205, 5, 0, false);
  Pump();
  auto v = Logged(WM_VSCROLL, dlg);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(LOWORD(v[0].W), SB_LINEUP);
  EXPECT_EQ(LOWORD(v[1].W), SB_ENDSCROLL);
  EXPECT_EQ(reinterpret_cast<HWND>(v[0].L), sb);
}

TEST_F(WndTest, StaticTextIsTransparentToTheMouseAndDialogsCloseAsCancel) {
  HWND dlg = CreateWindowEx(0, "#32770", "Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(dlg);
  static UINT lastCmd = 0;
  lastCmd = 0;
  static WNDPROC old;
  old = reinterpret_cast<WNDPROC>(SetWindowLongPtr(dlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(
      +[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_COMMAND) lastCmd = LOWORD(wp);
        return CallWindowProc(old, w, m, wp, lp);
      })));
  HWND st = Make("STATIC", "Label", SS_LEFT, dlg, 1, 10, 10, 100, 20);
  POINT p{0, 0};
  ClientToScreen(dlg, &p);
  EXPECT_EQ(WindowFromPoint(POINT{p.x + 15, p.y + 15}), dlg);
  (void)st;
  SendMessage(dlg, WM_CLOSE, 0, 0);
  EXPECT_EQ(lastCmd, static_cast<UINT>(IDCANCEL));
  EXPECT_TRUE(IsWindow(dlg));
}
