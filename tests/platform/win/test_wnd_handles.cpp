// Window handles: a destroyed window's handle is never given to a new window, so a stale handle
// can never reach the wrong window.
#include <set>

#include "tests/platform/win/wnd_test_util.h"

// Freed memory is handed out again at once here (no delay before reuse), as it is in an
// ordinary build: a handle taken from recycled memory would show up within a few windows.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=0:thread_local_quarantine_size_kb=0"; }

namespace {

struct THandleCase {
  const char* Name;
  bool AsChild;        // the destroyed window is a child (else a top-level window)
  bool DestroyParent;  // it goes with its parent instead of on its own
};

}  // namespace

TEST_F(WndTest, DestroyedHandlesAreNeverReusedAndStayInvalid) {
  const THandleCase cases[] = {
      {"top-level", false, false},
      {"child", true, false},
      {"child destroyed with its parent", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    HWND host = Top(0, 0, 200, 200, WS_POPUP);
    HWND old = c.AsChild ? Child(host, 0, 0, 20, 20) : Top(10, 10, 50, 50, WS_POPUP);
    ASSERT_TRUE(IsWindow(old));
    if (c.DestroyParent)
      DestroyWindow(host);
    else
      DestroyWindow(old);
    ASSERT_FALSE(IsWindow(old));
    if (c.DestroyParent) host = Top(0, 0, 200, 200, WS_POPUP);

    // Many windows of the same kind come and go; none may take the old handle.
    std::set<HWND> seen;
    for (int i = 0; i < 200; ++i) {
      HWND n = c.AsChild ? Child(host, 0, 0, 20, 20) : Top(10, 10, 50, 50, WS_POPUP);
      ASSERT_NE(n, nullptr);
      EXPECT_NE(n, old) << "after " << i << " new windows";
      EXPECT_TRUE(seen.insert(n).second) << "a handle came back after " << i << " new windows";
      if (i % 2 == 0) DestroyWindow(n);  // half are kept alive while the others come and go
    }
    EXPECT_FALSE(IsWindow(old));

    // The stale handle reaches no window: messages, text and queries all fail.
    MsgLog().clear();
    EXPECT_EQ(SendMessage(old, WM_USER + 7, 1, 2), 0);
    EXPECT_FALSE(PostMessage(old, WM_USER + 8, 0, 0));
    EXPECT_FALSE(SetWindowText(old, "stale"));
    char buf[16] = "x";
    EXPECT_EQ(GetClassName(old, buf, sizeof buf), 0);
    Pump();
    EXPECT_TRUE(Logged(WM_USER + 7).empty());
    EXPECT_TRUE(Logged(WM_USER + 8).empty());
    EXPECT_TRUE(Logged(WM_SETTEXT).empty());
    DestroyAllThreadWindows();
  }
}

TEST_F(WndTest, RefusedCreationLeavesNoHandleForLaterWindows) {
  // A window refused in WM_CREATE had a handle for the duration of its creation messages.
  HWND probe = Top(0, 0, 10, 10, WS_POPUP);
  ASSERT_NE(probe, nullptr);
  DestroyWindow(probe);
  // Catch the handle the refused window had from its first message.
  static HWND sCaught = nullptr;
  sCaught = nullptr;
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_NCCREATE) sCaught = w;
    if (m == WM_CREATE) return -1;
    return DefWindowProc(w, m, wp, lp);
  };
  wc.lpszClassName = "OrvRefuse";
  RegisterClass(&wc);
  EXPECT_EQ(CreateWindowEx(0, "OrvRefuse", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  HWND refused = sCaught;
  ASSERT_NE(refused, nullptr);
  EXPECT_FALSE(IsWindow(refused));
  for (int i = 0; i < 100; ++i) {
    HWND n = Top(0, 0, 10, 10, WS_POPUP);
    EXPECT_NE(n, refused);
    EXPECT_NE(n, probe);
    DestroyWindow(n);
  }
  EXPECT_FALSE(IsWindow(refused));
  EXPECT_FALSE(IsWindow(probe));
}
