// Menus of the API beyond a flat popup: the item calls on nested menus, sub-menus opened by mouse
// and keys inside TrackPopupMenu, the alignment flags and the screen edges, and the window's
// menu bar (its keyboard loop, clicks and owner-drawn items).
#include "tests/platform/win/menu_steps.h"
#include "tests/platform/win/wnd_test_util.h"

#include <functional>
#include <string>
#include <vector>

namespace {

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Moves to and clicks the centre of item pos of an open popup (or of wnd's menu bar).
std::function<void()> ClickItem(HWND wnd, HMENU* menu, int pos) {
  return [wnd, menu, pos] {
    RECT r{};
    ASSERT_TRUE(GetMenuItemRect(wnd, *menu, static_cast<UINT>(pos), &r));
    POINT p = Centre(r);
    InjectMouseMove(p.x, p.y);
    InjectMouseButton(p.x, p.y, 0, true);
    InjectMouseButton(p.x, p.y, 0, false);
  };
}
std::function<void()> HoverItem(HMENU* menu, int pos) {
  return [menu, pos] {
    RECT r{};
    ASSERT_TRUE(GetMenuItemRect(nullptr, *menu, static_cast<UINT>(pos), &r));
    POINT p = Centre(r);
    InjectMouseMove(p.x, p.y);
  };
}

// Open, Recent > (a.jpg, More > (x), b.jpg), -, Exit
struct Nested {
  HMENU Root = CreatePopupMenu(), Recent = CreatePopupMenu(), More = CreatePopupMenu();
  Nested() {
    AppendMenu(More, MF_STRING, 301, "x");
    AppendMenu(Recent, MF_STRING, 201, "a.jpg");
    AppendMenu(Recent, MF_POPUP, reinterpret_cast<UINT_PTR>(More), "More");
    AppendMenu(Recent, MF_STRING, 202, "b.jpg");
    AppendMenu(Root, MF_STRING, 101, "Open");
    AppendMenu(Root, MF_POPUP, reinterpret_cast<UINT_PTR>(Recent), "&Recent");
    AppendMenu(Root, MF_SEPARATOR, 0, nullptr);
    AppendMenu(Root, MF_STRING, 102, "E&xit");
  }
  ~Nested() { DestroyMenu(Root); }
};

}  // namespace

TEST_F(WndTest, NestedMenusAnswerTheItemCalls) {
  Nested n;
  EXPECT_EQ(GetMenuItemCount(n.Root), 4);
  EXPECT_EQ(GetSubMenu(n.Root, 1), n.Recent);
  EXPECT_EQ(GetSubMenu(n.Root, 0), nullptr);
  EXPECT_EQ(GetMenuItemID(n.Root, 0), 101u);
  EXPECT_EQ(GetMenuItemID(n.Root, 1), static_cast<UINT>(-1));  // a sub-menu item has no id
  EXPECT_EQ(GetMenuItemID(n.Root, 9), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(n.Root, 1, MF_BYPOSITION), MF_POPUP | (3u << 8));

  MENUITEMINFOA mii{};
  char text[32];
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
  mii.dwTypeData = text;
  mii.cch = sizeof text;
  ASSERT_TRUE(GetMenuItemInfo(n.Root, 1, TRUE, &mii));
  EXPECT_EQ(mii.hSubMenu, n.Recent);
  EXPECT_STREQ(text, "&Recent");
  EXPECT_EQ(mii.cch, 7u);
  // By command the search goes into the sub-menus.
  mii.cch = sizeof text;
  ASSERT_TRUE(GetMenuItemInfo(n.Root, 301, FALSE, &mii));
  EXPECT_STREQ(text, "x");
  EXPECT_EQ(mii.wID, 301u);
  EXPECT_EQ(CheckMenuItem(n.Root, 202, MF_CHECKED), 0u);
  EXPECT_EQ(GetMenuState(n.Recent, 2, MF_BYPOSITION), MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(n.Root, 102, MF_GRAYED), 0);
  EXPECT_EQ(GetMenuState(n.Root, 102, MF_BYCOMMAND), MF_GRAYED);

  // Inserting by position and by command, and through MENUITEMINFO.
  EXPECT_TRUE(InsertMenu(n.Root, 0, MF_BYPOSITION | MF_STRING, 100, "New"));
  EXPECT_TRUE(InsertMenu(n.Root, 202, MF_BYCOMMAND | MF_STRING, 199, "c.jpg"));  // lands in Recent
  EXPECT_EQ(GetMenuItemID(n.Recent, 2), 199u);
  MENUITEMINFOA add{};
  add.cbSize = sizeof add;
  add.fMask = MIIM_ID | MIIM_STRING | MIIM_DATA | MIIM_FTYPE;
  add.wID = 103;
  add.dwTypeData = const_cast<char*>("Close");
  add.dwItemData = 77;
  EXPECT_TRUE(InsertMenuItem(n.Root, 99, TRUE, &add));  // past the end: appended
  EXPECT_EQ(GetMenuItemID(n.Root, 5), 103u);
  MENUITEMINFOA data{};
  data.cbSize = sizeof data;
  data.fMask = MIIM_DATA;
  ASSERT_TRUE(GetMenuItemInfo(n.Root, 103, FALSE, &data));
  EXPECT_EQ(data.dwItemData, 77u);
  add.fMask = MIIM_STRING;
  add.dwTypeData = const_cast<char*>("Close all");
  EXPECT_TRUE(SetMenuItemInfo(n.Root, 103, FALSE, &add));
  EXPECT_EQ(GetMenuString(n.Root, 5, text, sizeof text, MF_BYPOSITION), 9);
  EXPECT_STREQ(text, "Close all");

  // Bad sub-menus are refused: not a menu, or the menu itself.
  EXPECT_FALSE(AppendMenu(n.Root, MF_POPUP, 12345, "bad"));
  EXPECT_FALSE(AppendMenu(n.Root, MF_POPUP, reinterpret_cast<UINT_PTR>(n.Root), "self"));
  MENUITEMINFOA self{};
  self.cbSize = sizeof self;
  self.fMask = MIIM_SUBMENU;
  self.hSubMenu = n.Recent;
  EXPECT_FALSE(SetMenuItemInfo(n.Recent, 0, TRUE, &self));

  // RemoveMenu keeps the sub-menu alive, DeleteMenu and DestroyMenu destroy it with the item.
  HMENU more = n.More;
  EXPECT_TRUE(RemoveMenu(n.Recent, 1, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(more));
  EXPECT_TRUE(AppendMenu(n.Recent, MF_POPUP, reinterpret_cast<UINT_PTR>(more), "More"));
  EXPECT_TRUE(DeleteMenu(n.Recent, static_cast<UINT>(GetMenuItemCount(n.Recent) - 1), MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(more));
  HMENU recent = n.Recent;
  EXPECT_TRUE(DestroyMenu(n.Root));
  EXPECT_FALSE(IsMenu(recent));
  n.Root = CreatePopupMenu();  // for the destructor
}

TEST_F(WndTest, SubMenusOpenByKeysAndMouseAndGiveTheNestedId) {
  HWND owner = Top(0, 0, 300, 200);
  Nested n;
  struct Case {
    const char* Name;
    std::vector<std::function<void()>> Input;
    int Want;
  };
  std::vector<Case> cases = {
      {"right opens, enter chooses two levels down",
       {K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_DOWN), K(VK_RIGHT), K(VK_RETURN)}, 301},
      {"enter opens a sub-menu", {K(VK_DOWN), K(VK_DOWN), K(VK_RETURN), K(VK_UP), K(VK_RETURN)}, 202},
      {"left closes one level", {K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_LEFT), K(VK_DOWN), K(VK_RETURN)}, 102},
      {"escape closes one level", {K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_ESCAPE), K(VK_UP), K(VK_RETURN)}, 101},
      {"escape twice cancels", {K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_ESCAPE), K(VK_ESCAPE)}, 0},
      {"accelerators", {[] { Key('R'); }, K(VK_UP), K(VK_RETURN)}, 202},
      {"hover opens, click chooses", {HoverItem(&n.Root, 1), ClickItem(nullptr, &n.Recent, 2)}, 202},
      {"hover two levels", {HoverItem(&n.Root, 1), HoverItem(&n.Recent, 1), ClickItem(nullptr, &n.More, 0)}, 301},
      {"a sub-menu item click does not choose", {ClickItem(nullptr, &n.Root, 1), K(VK_ESCAPE), K(VK_ESCAPE)}, 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    MsgLog().clear();
    StartSteps(c.Input);
    int got = TrackPopupMenu(n.Root, TPM_RETURNCMD, 400, 300, 0, owner, nullptr);
    Steps().clear();
    EXPECT_EQ(got, c.Want);
    Pump();
    EXPECT_TRUE(Logged(WM_COMMAND, owner).empty());
  }
  // The owner hears the loop: enter, the popups as they open (with their item positions), the
  // highlight moving, the close, exit.
  MsgLog().clear();
  StartSteps({K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_DOWN), K(VK_RIGHT), K(VK_RETURN)});
  EXPECT_TRUE(TrackPopupMenu(n.Root, TPM_LEFTALIGN, 400, 300, 0, owner, nullptr));
  Steps().clear();
  Pump();
  std::vector<std::string> seen;
  for (const TLogged& l : MsgLog()) {
    if (l.Wnd != owner) continue;
    if (l.Msg == WM_ENTERMENULOOP) seen.push_back("enter" + std::to_string(l.W));
    if (l.Msg == WM_EXITMENULOOP) seen.push_back("exit" + std::to_string(l.W));
    if (l.Msg == WM_COMMAND) seen.push_back("cmd" + std::to_string(LOWORD(l.W)));
    if (l.Msg == WM_INITMENUPOPUP) {
      HMENU m = reinterpret_cast<HMENU>(l.W);
      std::string which = m == n.Root ? "root" : m == n.Recent ? "recent" : m == n.More ? "more" : "?";
      seen.push_back("init:" + which + "@" + std::to_string(LOWORD(l.L)));
    }
    if (l.Msg == WM_MENUSELECT) {
      bool popup = HIWORD(l.W) & MF_POPUP;
      if (HIWORD(l.W) == 0xFFFF) seen.push_back("select:none");
      else seen.push_back("select:" + std::string(popup ? "popup" : "") + std::to_string(LOWORD(l.W)));
    }
  }
  std::vector<std::string> want = {"enter1",         "init:root@0", "select:101",      "select:popup1",
                                   "init:recent@1",  "select:201",  "select:popup1",   "init:more@1",
                                   "select:301",     "select:none", "exit1",           "cmd301"};
  EXPECT_EQ(seen, want);
}

TEST_F(WndTest, AlignmentFlagsPlaceThePopupAndTheScreenEdgesFlipOrShiftIt) {
  HWND owner = Top(0, 0, 300, 200);
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_STRING, 1, "Open");
  AppendMenu(m, MF_STRING, 2, "Exit");
  const int W = 160, H = 44;  // two 20-pixel rows in a 2-pixel frame
  const int SW = GetSystemMetrics(SM_CXSCREEN), SH = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    const char* Name;
    UINT Flags;
    int X, Y, Left, Top;
  };
  const Case cases[] = {
      {"left top", TPM_LEFTALIGN | TPM_TOPALIGN, 100, 100, 100, 100},
      {"right", TPM_RIGHTALIGN, 300, 100, 300 - W, 100},
      {"centre", TPM_CENTERALIGN, 300, 100, 300 - W / 2, 100},
      {"bottom", TPM_BOTTOMALIGN, 100, 300, 100, 300 - H},
      {"vcentre", TPM_VCENTERALIGN, 100, 300, 100, 300 - H / 2},
      {"right edge flips left", TPM_LEFTALIGN, SW - 50, 100, SW - 50 - W, 100},
      {"bottom edge flips up", TPM_TOPALIGN, 100, SH - 10, 100, SH - 10 - H},
      {"left edge flips right", TPM_RIGHTALIGN, 50, 100, 50, 100},
      {"top edge flips down", TPM_BOTTOMALIGN, 100, 20, 100, 20},
      {"centre shifts inside", TPM_CENTERALIGN | TPM_VCENTERALIGN, 10, SH - 5, 0, SH - H},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RECT row{};
    StartSteps({[&] { GetMenuItemRect(nullptr, m, 0, &row); }, K(VK_ESCAPE)});
    TrackPopupMenu(m, c.Flags | TPM_RETURNCMD, c.X, c.Y, 0, owner, nullptr);
    Steps().clear();
    EXPECT_EQ(row.left - 2, c.Left);
    EXPECT_EQ(row.top - 2, c.Top);
    EXPECT_EQ(row.right - row.left, W - 4);
  }
  // A sub-menu that would leave the screen on the right opens on the left of its parent.
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 3, "Inner");
  AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  RECT parentRow{}, subRow{};
  StartSteps({[&] { GetMenuItemRect(nullptr, m, 2, &parentRow); }, K(VK_UP), K(VK_RIGHT),
              [&] { GetMenuItemRect(nullptr, sub, 0, &subRow); }, K(VK_ESCAPE), K(VK_ESCAPE)});
  TrackPopupMenu(m, TPM_RETURNCMD, SW - W - 5, 100, 0, owner, nullptr);
  Steps().clear();
  EXPECT_EQ(subRow.right + 2, parentRow.left - 2);  // its right edge at the parent's left edge
  EXPECT_EQ(subRow.top, parentRow.top);
  DestroyMenu(m);
}

class MenuBarTest : public WndTest {
protected:
  void SetUp() override {
    WndTest::SetUp();
    Wnd = Top(100, 100, 400, 300);
    Bar = CreateMenu();
    File = CreatePopupMenu();
    Edit = CreatePopupMenu();
    AppendMenu(File, MF_STRING, 11, "&Open");
    AppendMenu(File, MF_STRING, 12, "E&xit");
    AppendMenu(Edit, MF_STRING, 21, "&Copy");
    AppendMenu(Edit, MF_STRING, 22, "&Paste");
    AppendMenu(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(File), "&File");
    AppendMenu(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Edit), "&Edit");
    AppendMenu(Bar, MF_STRING, 31, "&Help");
    SetMenu(Wnd, Bar);
    SetFocus(Wnd);
    Pump();
  }
  void TearDown() override {
    WndTest::TearDown();
    DestroyMenu(Bar);  // a window's menu is its maker's to destroy
  }
  // Runs keys or clicks: the first step enters the loop, the others run inside it; gives the
  // command posted to the window (0: none).
  int Run(std::function<void()> Enter, std::vector<std::function<void()>> Input) {
    MsgLog().clear();
    StartSteps(std::move(Input));
    Enter();
    Pump();
    Steps().clear();
    Pump();
    auto cmds = Logged(WM_COMMAND, Wnd);
    EXPECT_LE(cmds.size(), 1u);
    return cmds.empty() ? 0 : LOWORD(cmds[0].W);
  }
  static void AltTap() { Key(VK_MENU); }
  HWND Wnd = nullptr;
  HMENU Bar = nullptr, File = nullptr, Edit = nullptr;
};

TEST_F(MenuBarTest, KeyboardWalksTheBarAndItsDropDowns) {
  auto alt = [] { AltTap(); };
  auto f10 = [] { Key(VK_F10); };
  auto altF = [] {
    InjectKey(VK_MENU, true);
    Key('F');
    InjectKey(VK_MENU, false);
  };
  struct Case {
    const char* Name;
    std::function<void()> Enter;
    std::vector<std::function<void()>> Input;
    int Want;
  };
  std::vector<Case> cases = {
      {"alt, down opens the first item", alt, {K(VK_DOWN), K(VK_RETURN)}, 11},
      {"right moves along the bar", alt, {K(VK_RIGHT), K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)}, 22},
      {"left wraps to the last item", alt, {K(VK_LEFT), K(VK_RETURN)}, 31},
      {"f10, right wraps to the first", f10, {K(VK_RIGHT), K(VK_RIGHT), K(VK_RIGHT), K(VK_RETURN), K(VK_RETURN)}, 11},
      {"right in a drop-down opens the next", alt, {K(VK_DOWN), K(VK_RIGHT), K(VK_DOWN), K(VK_RETURN)}, 22},
      {"left in a drop-down wraps", alt, {K(VK_DOWN), K(VK_LEFT), K(VK_RETURN)}, 31},
      {"escape leaves the drop-down only", alt, {K(VK_DOWN), K(VK_ESCAPE), K(VK_RIGHT), K(VK_RETURN), K(VK_RETURN)}, 21},
      {"escape on the bar leaves", alt, {K(VK_ESCAPE), K(VK_RETURN)}, 0},
      {"alt again leaves", alt, {[] { AltTap(); }, K(VK_RETURN)}, 0},
      {"alt+letter opens that item", altF, {K(VK_DOWN), K(VK_RETURN)}, 12},
      {"letters choose inside", alt, {[] { Key('E'); }, [] { Key('P'); }}, 22},
      {"a click elsewhere leaves", alt,
       {[] {
          InjectMouseButton(900, 700, 0, true);
          InjectMouseButton(900, 700, 0, false);
        },
        K(VK_RETURN)},
       0},
      {"a click on the bar opens, a click in the drop-down chooses", [this] { ClickItem(Wnd, &Bar, 1)(); },
       {ClickItem(nullptr, &Edit, 1)}, 22},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Run(c.Enter, c.Input), c.Want);
  }
  // Alt with another key in between is no menu key: nothing opens, so the Down is the window's.
  InjectKey(VK_MENU, true);
  Key(VK_SHIFT);
  InjectKey(VK_MENU, false);
  Pump();
  MsgLog().clear();
  Key(VK_DOWN);
  Pump();
  EXPECT_EQ(Logged(WM_KEYDOWN, Wnd).size(), 1u);
  EXPECT_TRUE(Logged(WM_ENTERMENULOOP, Wnd).empty());
}

TEST_F(MenuBarTest, TheLoopIsAnnouncedAndAHelpItemClickRunsAtOnce) {
  RECT help{};
  ASSERT_TRUE(GetMenuItemRect(Wnd, Bar, 2, &help));
  POINT p = Centre(help);
  EXPECT_EQ(SendMessage(Wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTMENU);
  int got = Run(
      [p] {
        InjectMouseButton(p.x, p.y, 0, true);
        InjectMouseButton(p.x, p.y, 0, false);
      },
      {});
  EXPECT_EQ(got, 31);
  // Keyboard entry: enter (FALSE: not a popup loop), WM_INITMENU with the bar, the drop-down's
  // WM_INITMENUPOPUP with its position, exit.
  Run([] { AltTap(); }, {K(VK_RIGHT), K(VK_DOWN), K(VK_ESCAPE), K(VK_ESCAPE)});
  std::vector<std::string> seen;
  for (const TLogged& l : MsgLog()) {
    if (l.Wnd != Wnd) continue;
    if (l.Msg == WM_ENTERMENULOOP) seen.push_back("enter" + std::to_string(l.W));
    if (l.Msg == WM_INITMENU && reinterpret_cast<HMENU>(l.W) == Bar) seen.push_back("init");
    if (l.Msg == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(l.W) == Edit) seen.push_back("popup@" + std::to_string(l.L));
    if (l.Msg == WM_EXITMENULOOP) seen.push_back("exit" + std::to_string(l.W));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"enter0", "init", "popup@1", "exit0"}));
}

TEST_F(MenuBarTest, TheHighlightedBarItemIsPaintedInTheHighlightColour) {
  RECT wr, item{};
  GetWindowRect(Wnd, &wr);
  ASSERT_TRUE(GetMenuItemRect(Wnd, Bar, 1, &item));
  auto pixel = [&] {
    HBITMAP bm = RenderWindowToBitmap(Wnd);
    COLORREF c = PixelOf(bm, item.left - wr.left + 2, item.top - wr.top + 2);
    DeleteObject(bm);
    return c;
  };
  EXPECT_EQ(pixel(), GetSysColor(COLOR_MENU));
  COLORREF during = 0;
  Run([] { AltTap(); }, {K(VK_RIGHT), [&] { during = pixel(); }, K(VK_ESCAPE)});
  EXPECT_EQ(during, GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(pixel(), GetSysColor(COLOR_MENU));
}

TEST_F(MenuBarTest, OwnerDrawnBarItemsAreMeasuredAndDrawnWithTheirState) {
  // Two owner-drawn items replace the bar: 60 and 40 pixels wide, painted in a colour for their
  // state (red selected, green hot, blue plain).
  HMENU bar = CreateMenu();
  HMENU drop = CreatePopupMenu();
  AppendMenu(drop, MF_STRING, 41, "One");
  AppendMenu(bar, MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(drop), reinterpret_cast<LPCSTR>(1001));
  AppendMenu(bar, MF_OWNERDRAW, 42, reinterpret_cast<LPCSTR>(1002));
  std::vector<UINT> states(2, 0);
  Handlers()[Wnd] = [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT* r) {
    if (m == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      EXPECT_EQ(mis->CtlType, ODT_MENU);
      mis->itemWidth = mis->itemData == 1001 ? 60 : 40;
      *r = TRUE;
      return true;
    }
    if (m == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      EXPECT_EQ(dis->CtlType, ODT_MENU);
      size_t i = dis->itemData == 1001 ? 0 : 1;
      states[i] = dis->itemState;
      COLORREF c = (dis->itemState & ODS_SELECTED) ? RGB(255, 0, 0)
                   : (dis->itemState & ODS_HOTLIGHT) ? RGB(0, 255, 0)
                                                     : RGB(0, 0, 255);
      HBRUSH b = CreateSolidBrush(c);
      FillRect(dis->hDC, &dis->rcItem, b);
      DeleteObject(b);
      *r = TRUE;
      return true;
    }
    return false;
  };
  SetMenu(Wnd, bar);
  DestroyMenu(Bar);
  Bar = bar;
  RECT wr, barRect;
  GetWindowRect(Wnd, &wr);
  ASSERT_TRUE(GetMenuBarRect(Wnd, &barRect));
  RECT r0{}, r1{};
  ASSERT_TRUE(GetMenuItemRect(Wnd, bar, 0, &r0));
  ASSERT_TRUE(GetMenuItemRect(Wnd, bar, 1, &r1));
  EXPECT_EQ(r0.right - r0.left, 60);
  EXPECT_EQ(r1.left, r0.right);
  EXPECT_EQ(r1.right - r1.left, 40);
  EXPECT_EQ(r0.left - wr.left, barRect.left);
  // Pixels of both items in a state: (item 0, item 1).
  auto shot = [&] {
    HBITMAP bm = RenderWindowToBitmap(Wnd);
    int y = barRect.top + 5;
    std::pair<COLORREF, COLORREF> got{PixelOf(bm, r0.left - wr.left + 5, y), PixelOf(bm, r1.left - wr.left + 5, y)};
    DeleteObject(bm);
    return got;
  };
  using P = std::pair<COLORREF, COLORREF>;
  EXPECT_EQ(shot(), P(RGB(0, 0, 255), RGB(0, 0, 255)));
  EXPECT_TRUE(states[0] & ODS_NOACCEL);  // accelerators stay hidden until the keyboard is used
  P hot{}, open{};
  UINT hotState = 0;
  Run([] { AltTap(); }, {[&] {
                           hot = shot();
                           hotState = states[0];
                         },
                         K(VK_DOWN), [&] { open = shot(); }, K(VK_ESCAPE), K(VK_ESCAPE)});
  EXPECT_EQ(hot, P(RGB(0, 255, 0), RGB(0, 0, 255)));
  EXPECT_FALSE(hotState & ODS_NOACCEL);
  EXPECT_EQ(open, P(RGB(255, 0, 0), RGB(0, 0, 255)));
  EXPECT_EQ(shot(), P(RGB(0, 0, 255), RGB(0, 0, 255)));  // plain again after the loop
  // A click on the plain item chooses it.
  POINT p = Centre(r1);
  EXPECT_EQ(Run(
                [p] {
                  InjectMouseButton(p.x, p.y, 0, true);
                  InjectMouseButton(p.x, p.y, 0, false);
                },
                {}),
            42);
}

TEST_F(WndTest, BreaksStartColumnsAndRadioItemsShowADot) {
  HWND owner = Top(0, 0, 300, 200);
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_STRING, 1, "One");
  AppendMenu(m, MF_STRING | MF_CHECKED | MFT_RADIOCHECK, 2, "Two");
  AppendMenu(m, MF_STRING | MF_MENUBARBREAK, 3, "Three");
  AppendMenu(m, MF_STRING | MF_DEFAULT, 4, "Four");
  RECT r[4]{};
  COLORREF dotTwo = 0, dotOne = 0;
  StartSteps({[&] {
                for (UINT i = 0; i < 4; ++i) GetMenuItemRect(nullptr, m, i, &r[i]);
                HWND popup = FindWindow("#32768", nullptr);
                ASSERT_NE(popup, nullptr);
                HBITMAP bm = RenderWindowToBitmap(popup);
                int left = r[0].left - 2, top = r[0].top - 2;
                dotOne = PixelOf(bm, r[0].left - left + 11, (r[0].top + r[0].bottom) / 2 - top);
                dotTwo = PixelOf(bm, r[1].left - left + 11, (r[1].top + r[1].bottom) / 2 - top);
                DeleteObject(bm);
              },
              K(VK_DOWN), K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 200, 200, 0, owner, nullptr), 3);  // keys go down the columns
  Steps().clear();
  EXPECT_EQ(r[2].left, r[0].right);  // the second column starts beside the first, at the top
  EXPECT_EQ(r[2].top, r[0].top);
  EXPECT_EQ(r[3].top, r[2].bottom);
  EXPECT_EQ(r[1].left, r[0].left);
  EXPECT_EQ(dotTwo, GetSysColor(COLOR_MENUTEXT));
  EXPECT_EQ(dotOne, GetSysColor(COLOR_MENU));
  // EndMenu closes the menu as a cancel.
  StartSteps({[] { EXPECT_TRUE(EndMenu()); }});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 200, 200, 0, owner, nullptr), 0);
  Steps().clear();
  EXPECT_FALSE(EndMenu());
  DestroyMenu(m);
}

TEST_F(WndTest, TheOwnerAnswersCharactersNoItemTextMarks) {
  HWND owner = Top(0, 0, 300, 200);
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_OWNERDRAW, 1, nullptr);
  AppendMenu(m, MF_OWNERDRAW, 2, nullptr);
  AppendMenu(m, MF_STRING, 3, "&Three");
  // 'b' executes the second row, 's' selects the first, 'q' closes, others are ignored.
  Handlers()[owner] = [m](HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT* r) {
    if (msg == WM_MEASUREITEM) {
      reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemWidth = 50;
      return true;
    }
    if (msg != WM_MENUCHAR) return false;
    EXPECT_EQ(reinterpret_cast<HMENU>(lp), m);
    EXPECT_TRUE(HIWORD(wp) & MF_POPUP);
    char c = static_cast<char>(LOWORD(wp));
    *r = c == 'b' ? MAKELRESULT(1, MNC_EXECUTE) : c == 's' ? MAKELRESULT(0, MNC_SELECT) : c == 'q' ? MAKELRESULT(0, MNC_CLOSE) : 0;
    return true;
  };
  struct Case {
    std::vector<std::function<void()>> Input;
    int Want;
  };
  std::vector<Case> cases = {
      {{[] { Key('B'); }}, 2},
      {{[] { Key('S'); }, K(VK_RETURN)}, 1},
      {{[] { Key('Q'); }, K(VK_RETURN)}, 0},
      {{[] { Key('T'); }}, 3},  // the text's own accelerator needs no owner
      {{[] { Key('Z'); }, K(VK_ESCAPE)}, 0},
  };
  MsgLog().clear();
  for (Case& c : cases) {
    StartSteps(c.Input);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 200, 200, 0, owner, nullptr), c.Want);
    Steps().clear();
  }
  EXPECT_EQ(Logged(WM_MENUCHAR, owner).size(), 4u);
  DestroyMenu(m);
}
