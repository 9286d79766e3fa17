// Popup menus of the API: TrackPopupMenu fed by mouse and keys from a timer, the chosen id
// given back with TPM_RETURNCMD (no WM_COMMAND) or posted to the owner without it.
#include "tests/platform/win/menu_steps.h"
#include "tests/platform/win/wnd_test_util.h"

#include <functional>
#include <vector>

namespace {

HMENU Sample() {
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_STRING, 101, "Open");        // row 2..22
  AppendMenu(m, MF_SEPARATOR, 0, nullptr);      // 22..30
  AppendMenu(m, MF_STRING | MF_GRAYED, 102, "Rename");  // 30..50
  AppendMenu(m, MF_STRING | MF_CHECKED, 103, "Delete");  // 50..70
  return m;
}

}  // namespace

TEST_F(WndTest, TrackPopupMenuReturnsTheChosenCommand) {
  HWND owner = Top(0, 0, 300, 200);
  HMENU m = Sample();
  EXPECT_EQ(GetMenuItemCount(m), 4);
  struct Case {
    const char* Name;
    std::vector<std::function<void()>> Input;
    int Want;
  };
  const int X = 400, Y = 300;
  std::vector<Case> cases = {
      {"click on Delete", {[&] { InjectMouseMove(X + 30, Y + 60); }, [&] {
         InjectMouseButton(X + 30, Y + 60, 0, true);
         InjectMouseButton(X + 30, Y + 60, 0, false);
       }}, 103},
      {"click on the grayed item", {[&] {
         InjectMouseButton(X + 30, Y + 40, 0, true);
         InjectMouseButton(X + 30, Y + 40, 0, false);
       }, [] { Key(VK_ESCAPE); }}, 0},
      {"keys skip separator and grayed", {[] { Key(VK_DOWN); }, [] { Key(VK_DOWN); }, [] { Key(VK_RETURN); }}, 103},
      {"keys wrap upwards", {[] { Key(VK_UP); }, [] { Key(VK_UP); }, [] { Key(VK_RETURN); }}, 101},
      {"escape", {[] { Key(VK_ESCAPE); }}, 0},
      {"click outside", {[&] {
         InjectMouseButton(X - 50, Y - 50, 0, true);
         InjectMouseButton(X - 50, Y - 50, 0, false);
       }}, 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    MsgLog().clear();
    StartSteps(c.Input);
    int got = TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON, X, Y, 0, owner, nullptr);
    EXPECT_EQ(got, c.Want);
    Pump();
    EXPECT_TRUE(Logged(WM_COMMAND, owner).empty());  // the command is returned, never sent
    Steps().clear();
  }
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(DestroyMenu(m));
  EXPECT_EQ(GetMenuItemCount(m), -1);
}

TEST_F(WndTest, TrackPopupMenuWithoutReturnCmdPostsTheCommand) {
  HWND owner = Top(0, 0, 300, 200);
  HMENU m = Sample();
  StartSteps({K(VK_DOWN), K(VK_RETURN)});
  EXPECT_TRUE(TrackPopupMenu(m, 0, 400, 300, 0, owner, nullptr));
  Pump();
  auto cmds = Logged(WM_COMMAND, owner);
  ASSERT_EQ(cmds.size(), 1u);
  EXPECT_EQ(LOWORD(cmds[0].W), 101);
  // An empty menu or a handle that is no popup menu shows nothing.
  HMENU empty = CreatePopupMenu();
  EXPECT_FALSE(TrackPopupMenu(empty, TPM_RETURNCMD, 0, 0, 0, owner, nullptr));
  EXPECT_FALSE(AppendMenu(reinterpret_cast<HMENU>(owner), MF_STRING, 1, "x"));
  DestroyMenu(empty);
  DestroyMenu(m);
}
