// Hidden message windows: AllocateHWnd hands every message to its method (also those posted by
// other threads), the window is never shown nor listed, and DeallocateHWnd ends it.
#include <gtest/gtest.h>
#include <cstdlib>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/vcl/forms.h"
#include "platform/vcl/msgwnd.h"
#include "tests/platform/win/menu_steps.h"

namespace {

class AllocateHWndTest : public ::testing::Test {
protected:
  void TearDown() override {
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
};

BOOL CountWindow(HWND w, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

TEST_F(AllocateHWndTest, MessagesReachTheMethodWithItsResult) {
  std::vector<UINT> seen;
  HWND W = AllocateHWnd([&](TMessage& M) {
    seen.push_back(M.Msg);
    if (M.Msg == WM_USER + 7)
      M.Result = static_cast<LRESULT>(M.WParam + M.LParam);
    else
      M.Result = DefWindowProc(nullptr, M.Msg, M.WParam, M.LParam);
  });
  ASSERT_TRUE(IsWindow(W));
  EXPECT_EQ(SendMessage(W, WM_USER + 7, 40, 2), 42);
  PostMessage(W, 2011, 0, 0);
  Application()->ProcessMessages();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[seen.size() - 2], UINT(WM_USER + 7));
  EXPECT_EQ(seen.back(), 2011u);
  DeallocateHWnd(W);
  EXPECT_FALSE(IsWindow(W));
  // Posting to the window after it went is refused and nothing reaches the method.
  size_t before = seen.size();
  EXPECT_FALSE(PostMessage(W, 2011, 0, 0));
  Application()->ProcessMessages();
  EXPECT_EQ(seen.size(), before);
}

TEST_F(AllocateHWndTest, WorkerThreadsPostToTheWindowAndTheMethodRunsOnItsThread) {
  std::vector<LPARAM> got;
  std::thread::id ui = std::this_thread::get_id();
  std::atomic<bool> wrongThread{false};
  HWND W = AllocateHWnd([&](TMessage& M) {
    if (M.Msg != 2011) {
      M.Result = DefWindowProc(nullptr, M.Msg, M.WParam, M.LParam);
      return;
    }
    if (std::this_thread::get_id() != ui) wrongThread = true;
    got.push_back(M.LParam);
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([W, t] {
      for (int i = 0; i < 25; ++i) PostMessage(W, 2011, 0, t * 100 + i);
    });
  for (auto& w : workers) w.join();
  Application()->ProcessMessages();
  EXPECT_FALSE(wrongThread);
  ASSERT_EQ(got.size(), 100u);
  // Each worker's messages keep their order.
  for (int t = 0; t < 4; ++t) {
    LPARAM last = -1;
    for (LPARAM v : got)
      if (v / 100 == t) {
        EXPECT_GT(v, last);
        last = v;
      }
  }
  DeallocateHWnd(W);
}

TEST_F(AllocateHWndTest, TheWindowIsNeverShownNorListed) {
  TForm* Form = new TForm(nullptr);
  Form->Show();
  HWND W = AllocateHWnd(nullptr);
  HWND Plain = CreateWindowEx(0, "#32770", "hidden", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(IsWindow(Plain));
  EXPECT_FALSE(ShowWindow(W, SW_SHOW));
  SetWindowPos(Plain, HWND_TOP, 0, 0, 50, 50, SWP_SHOWWINDOW);
  EXPECT_FALSE(IsWindowVisible(W));
  EXPECT_FALSE(IsWindowVisible(Plain));
  std::vector<HWND> listed;
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&listed));
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&listed));
  EnumChildWindows(nullptr, CountWindow, reinterpret_cast<LPARAM>(&listed));
  EXPECT_NE(std::find(listed.begin(), listed.end(), Form->Handle()), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), W), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), Plain), listed.end());
  EXPECT_EQ(FindWindow("#32770", "hidden"), nullptr);
  // Walking the top-level z-order from the top never meets them, though they are newer.
  for (HWND T = GetTopWindow(nullptr); T; T = GetWindow(T, GW_HWNDNEXT)) {
    EXPECT_NE(T, W);
    EXPECT_NE(T, Plain);
  }
  EXPECT_EQ(GetTopWindow(nullptr), Form->Handle());
  EXPECT_EQ(MonitorFromWindow(W, MONITOR_DEFAULTTONULL), nullptr);
  SetActiveWindow(W);
  EXPECT_NE(GetActiveWindow(), W);
  // Without a method every message gets the default handling.
  EXPECT_EQ(SendMessage(W, WM_USER, 1, 2), 0);
  DeallocateHWnd(Plain);  // not one of ours: left alone
  EXPECT_TRUE(IsWindow(Plain));
  DestroyWindow(Plain);
  DeallocateHWnd(W);
  DeallocateHWnd(nullptr);
  delete Form;
}

TEST_F(AllocateHWndTest, AMethodMayDeallocateItsOwnWindow) {
  HWND W = nullptr;
  int calls = 0;
  W = AllocateHWnd([&](TMessage& M) {
    ++calls;
    if (M.Msg == WM_USER) DeallocateHWnd(W);
  });
  SendMessage(W, WM_USER, 0, 0);
  EXPECT_FALSE(IsWindow(W));
  EXPECT_EQ(calls, 1);
}

TEST_F(AllocateHWndTest, AHiddenWindowOwnsAPopupMenuThatReturnsTheChoice) {
  std::vector<UINT> seen;
  HWND W = AllocateHWnd([&](TMessage& M) {
    seen.push_back(M.Msg);
    M.Result = DefWindowProc(nullptr, M.Msg, M.WParam, M.LParam);
  });
  HMENU Menu = CreatePopupMenu();
  AppendMenu(Menu, MF_STRING, 101, "Open");
  AppendMenu(Menu, MF_STRING, 102, "Delete");
  StartSteps({K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)});
  EXPECT_EQ(TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 400, 300, 0, W, nullptr), 102);
  Steps().clear();
  Application()->ProcessMessages();
  EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT(WM_COMMAND)), 0);
  EXPECT_FALSE(IsWindowVisible(W));
  DestroyMenu(Menu);
  DeallocateHWnd(W);
}

}  // namespace
