// The menu bar of a narrow window: items that do not fit wrap onto further rows, the frame grows
// by one menu height per row, and hit-testing, item rectangles, keys and drop-downs follow.
// Items are owner-drawn so that their widths are exact.
#include "tests/platform/win/menu_steps.h"
#include "tests/platform/win/wnd_test_util.h"

#include <functional>
#include <vector>

namespace {

POINT RowCentre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class MenuRowsTest : public WndTest {
protected:
  void SetUp() override {
    WndTest::SetUp();
    Wnd = Top(100, 100, 400, 300);
    // Item widths come from the item data: a third of the bar, less a pixel, so three fit.
    Handlers()[Wnd] = [this](HWND, UINT m, WPARAM, LPARAM lp, LRESULT* r) {
      if (m != WM_MEASUREITEM) return false;
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      mis->itemWidth = static_cast<UINT>(ItemWidth);
      *r = TRUE;
      return true;
    };
    RECT wr;
    GetWindowRect(Wnd, &wr);
    RECT client;
    GetClientRect(Wnd, &client);
    Frame = ((wr.right - wr.left) - client.right) / 2;
    ItemWidth = (400 - 2 * Frame) / 3 - 1;
    Bar = CreateMenu();
    Drop = CreatePopupMenu();
    AppendMenu(Drop, MF_STRING, 90, "Inside");
    for (int i = 0; i < 5; ++i) {
      if (i == 3) AppendMenu(Bar, MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(Drop), nullptr);
      else AppendMenu(Bar, MF_OWNERDRAW, static_cast<UINT_PTR>(10 + i), nullptr);
    }
    SetMenu(Wnd, Bar);
    SetFocus(Wnd);
    Pump();
  }
  void TearDown() override {
    WndTest::TearDown();
    DestroyMenu(Bar);
  }
  int BarHeight() {
    RECT b{};
    return GetMenuBarRect(Wnd, &b) ? b.bottom - b.top : 0;
  }
  // The client's top edge below the window's top edge.
  int ClientTop() {
    RECT wr;
    GetWindowRect(Wnd, &wr);
    POINT p{0, 0};
    ClientToScreen(Wnd, &p);
    return p.y - wr.top;
  }
  RECT Item(int i) {
    RECT r{};
    EXPECT_TRUE(GetMenuItemRect(Wnd, Bar, static_cast<UINT>(i), &r));
    return r;
  }
  HWND Wnd = nullptr;
  HMENU Bar = nullptr, Drop = nullptr;
  int Frame = 0, ItemWidth = 0;
};

}  // namespace

TEST_F(MenuRowsTest, ItemsThatDoNotFitGoOnTheNextRowAndTheClientShrinks) {
  const int H = GetSystemMetrics(SM_CYMENU);
  RECT bar{};
  ASSERT_TRUE(GetMenuBarRect(Wnd, &bar));
  EXPECT_EQ(bar.bottom - bar.top, 2 * H);
  EXPECT_EQ(ClientTop(), bar.bottom);  // the client starts under the second row
  RECT r0 = Item(0), r2 = Item(2), r3 = Item(3), r4 = Item(4);
  EXPECT_EQ(r2.top, r0.top);
  EXPECT_EQ(r3.left, r0.left);
  EXPECT_EQ(r3.top, r0.top + H);
  EXPECT_EQ(r4.left, r3.right);
  EXPECT_EQ(r4.bottom - r4.top, H);

  // A click on the second row hits its item.
  POINT p = RowCentre(r4);
  EXPECT_EQ(SendMessage(Wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTMENU);
  MsgLog().clear();
  InjectMouseButton(p.x, p.y, 0, true);
  InjectMouseButton(p.x, p.y, 0, false);
  Pump();
  auto cmds = Logged(WM_COMMAND, Wnd);
  ASSERT_EQ(cmds.size(), 1u);
  EXPECT_EQ(LOWORD(cmds[0].W), 14);
}

TEST_F(MenuRowsTest, KeysWalkOntoTheNextRowAndItsDropDownOpensUnderTheItem) {
  RECT r3 = Item(3), drop{};
  MsgLog().clear();
  StartSteps({K(VK_RIGHT), K(VK_RIGHT), K(VK_RIGHT), K(VK_DOWN),
              [&] { EXPECT_TRUE(GetMenuItemRect(nullptr, Drop, 0, &drop)); }, K(VK_RETURN)});
  Key(VK_MENU);
  Pump();
  Steps().clear();
  Pump();
  auto cmds = Logged(WM_COMMAND, Wnd);
  ASSERT_EQ(cmds.size(), 1u);
  EXPECT_EQ(LOWORD(cmds[0].W), 90);
  EXPECT_EQ(drop.left, r3.left + 2);  // inside the popup's 2-pixel frame
  EXPECT_EQ(drop.top, r3.bottom + 2);
}

TEST_F(MenuRowsTest, ResizingAndChangingTheItemsRewrapTheBar) {
  const int H = GetSystemMetrics(SM_CYMENU);
  struct Case {
    const char* Name;
    int Width;  // of the window
    int Rows;
  };
  const Case cases[] = {
      {"wide enough for all five", 2 * Frame + 5 * ItemWidth + 10, 1},
      {"two to a row", 2 * Frame + 2 * ItemWidth + 10, 3},
      {"narrower than one item: one to a row", 2 * Frame + ItemWidth / 2, 5},
      {"back to three to a row", 400, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetWindowPos(Wnd, nullptr, 0, 0, c.Width, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(BarHeight(), c.Rows * H);
    RECT bar{};
    GetMenuBarRect(Wnd, &bar);
    EXPECT_EQ(ClientTop(), bar.bottom);
  }
  // An item wider than the bar is cut at the bar's end.
  SetWindowPos(Wnd, nullptr, 0, 0, 2 * Frame + ItemWidth / 2, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT bar{}, wr{};
  GetMenuBarRect(Wnd, &bar);
  GetWindowRect(Wnd, &wr);
  EXPECT_EQ(Item(0).right - wr.left, bar.right);
  SetWindowPos(Wnd, nullptr, 0, 0, 400, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // Items removed: DrawMenuBar gives the client its room back.
  DeleteMenu(Bar, 4, MF_BYPOSITION);
  DeleteMenu(Bar, 3, MF_BYPOSITION);
  DrawMenuBar(Wnd);
  EXPECT_EQ(BarHeight(), H);
  EXPECT_EQ(ClientTop(), Frame + GetSystemMetrics(SM_CYCAPTION) + H);
}

TEST_F(MenuRowsTest, BreakFlagsStartANewRowEvenWhenThereIsRoom) {
  const int H = GetSystemMetrics(SM_CYMENU);
  SetWindowPos(Wnd, nullptr, 0, 0, 2 * Frame + 5 * ItemWidth + 10, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_EQ(BarHeight(), H);
  for (UINT flag : {UINT(MF_MENUBARBREAK), UINT(MF_MENUBREAK)}) {
    SCOPED_TRACE(flag);
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    mii.fType = MFT_OWNERDRAW | flag;
    ASSERT_TRUE(SetMenuItemInfo(Bar, 1, TRUE, &mii));
    DrawMenuBar(Wnd);
    EXPECT_EQ(BarHeight(), 2 * H);
    RECT r0 = Item(0), r1 = Item(1), r4 = Item(4);
    EXPECT_EQ(r1.left, r0.left);
    EXPECT_EQ(r1.top, r0.top + H);
    EXPECT_EQ(r4.top, r1.top);  // the rest follows on the new row
    // A break on the first item leaves no empty row.
    mii.fType = MFT_OWNERDRAW;
    ASSERT_TRUE(SetMenuItemInfo(Bar, 1, TRUE, &mii));
    mii.fType = MFT_OWNERDRAW | flag;
    ASSERT_TRUE(SetMenuItemInfo(Bar, 0, TRUE, &mii));
    DrawMenuBar(Wnd);
    EXPECT_EQ(BarHeight(), H);
    mii.fType = MFT_OWNERDRAW;
    ASSERT_TRUE(SetMenuItemInfo(Bar, 0, TRUE, &mii));
  }
}
