// Window manager: the display's late word that a window came forward (InjectActivate). A
// progress window disables the window it works for, shows, hides and goes; reports that arrive
// for the disabled window meanwhile, or for the progress window after it was hidden or destroyed,
// must not take the activation, so the window the progress worked for takes keys and text again.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win/wnd_internal.h"
#include "tests/platform/win/wnd_test_util.h"

namespace {

class WndActivateTest : public WndTest {};

// When the late report arrives.
enum class TActivateReportAt { WorkWindowWhileDisabled, ProgressAfterHidden, ProgressAfterDestroyed, OtherShownWindow };

struct TActivateCase {
  const char* Name;
  TActivateReportAt At;
  BOOL Expected;  // what InjectActivate answers
};

const TActivateCase kActivateCases[] = {
    {"work window while disabled under the progress", TActivateReportAt::WorkWindowWhileDisabled, FALSE},
    {"progress window after it was hidden", TActivateReportAt::ProgressAfterHidden, FALSE},
    {"progress window after it was destroyed", TActivateReportAt::ProgressAfterDestroyed, FALSE},
    {"another shown, enabled window", TActivateReportAt::OtherShownWindow, TRUE},
};

bool InTreeOf(HWND root, HWND w) { return w && (w == root || IsChild(root, w)); }

}  // namespace

TEST_F(WndActivateTest, LateReportsLeaveTheWorkWindowTakingInput) {
  for (const TActivateCase& c : kActivateCases) {
    SCOPED_TRACE(c.Name);
    HWND work = Top(10, 10, 300, 200);
    HWND edit = Child(work, 10, 10, 100, 20);
    ASSERT_EQ(GetActiveWindow(), work);
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);

    // The progress window: the work window is disabled first, then the progress shows.
    EnableWindow(work, FALSE);
    HWND progress = Top(60, 60, 200, 80, WS_POPUP | WS_VISIBLE);
    ASSERT_EQ(GetActiveWindow(), progress);
    if (c.At == TActivateReportAt::WorkWindowWhileDisabled) {
      EXPECT_EQ(InjectActivate(work), c.Expected);
      EXPECT_EQ(GetActiveWindow(), progress);
    }

    // Done: the work window is enabled again, then the progress hides and goes.
    EnableWindow(work, TRUE);
    ShowWindow(progress, SW_HIDE);
    ASSERT_EQ(GetActiveWindow(), work);
    if (c.At == TActivateReportAt::ProgressAfterHidden) {
      EXPECT_EQ(InjectActivate(progress), c.Expected);
    }
    DestroyWindow(progress);
    if (c.At == TActivateReportAt::ProgressAfterDestroyed) {
      EXPECT_EQ(InjectActivate(progress), c.Expected);
    }
    Pump();

    if (c.At == TActivateReportAt::OtherShownWindow) {
      HWND other = Top(400, 10, 100, 100);
      SetActiveWindow(work);
      ASSERT_EQ(GetActiveWindow(), work);
      EXPECT_EQ(InjectActivate(other), c.Expected);
      EXPECT_EQ(GetActiveWindow(), other);
      DestroyWindow(other);
      Pump();
    }

    // The work window is active, has the keyboard, and a click, a key and typed text reach it.
    EXPECT_EQ(GetActiveWindow(), work);
    EXPECT_TRUE(InTreeOf(work, GetFocus()));
    MsgLog().clear();
    InjectMouseButton(30, 50, 0, true);
    InjectMouseButton(30, 50, 0, false);
    InjectKey('A', true);
    InjectText("a");
    InjectKey('A', false);
    Pump();
    bool clicked = false, keyed = false, typed = false;
    for (const TLogged& l : Logged(WM_LBUTTONDOWN)) clicked = clicked || InTreeOf(work, l.Wnd);
    for (const TLogged& l : Logged(WM_KEYDOWN)) keyed = keyed || (InTreeOf(work, l.Wnd) && l.W == 'A');
    for (const TLogged& l : Logged(WM_CHAR)) typed = typed || (InTreeOf(work, l.Wnd) && l.W == 'a');
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(keyed);
    EXPECT_TRUE(typed);
    DestroyWindow(work);
    Pump();
  }
}

TEST_F(WndActivateTest, HiddenOrDisabledWindowIsNotActivated) {
  HWND a = Top(10, 10, 200, 100);
  HWND hidden = Top(300, 10, 200, 100, WS_OVERLAPPEDWINDOW);
  HWND disabled = Top(10, 300, 200, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_DISABLED);
  HWND child = Child(a, 5, 5, 50, 20);
  SetActiveWindow(a);
  ASSERT_EQ(GetActiveWindow(), a);
  EXPECT_FALSE(InjectActivate(hidden));
  EXPECT_FALSE(InjectActivate(disabled));
  EXPECT_FALSE(InjectActivate(nullptr));
  EXPECT_EQ(GetActiveWindow(), a);
  // A report naming a child stands for its top-level window.
  EXPECT_TRUE(InjectActivate(child));
  EXPECT_EQ(GetActiveWindow(), a);
}

namespace {

// Hears what the window manager tells the display of the z-order.
struct TRaiseLog : TDisplayBackend {
  std::vector<HWND>* Raised;
  explicit TRaiseLog(std::vector<HWND>* r) : Raised(r) {}
  const char* Name() const override { return "log"; }
  void WindowRaised(HWND w) override { Raised->push_back(w); }
};

enum class TRaiseBy { ActivatingTheLowerWindow, ActivatingTheFrontWindow, SentToTheBottom, NewlyShown, OwnedWindowGoes };

struct TRaiseCase {
  const char* Name;
  TRaiseBy By;
  bool LowerRaised;  // the display hears that the lower window came forward
};

const TRaiseCase kRaiseCases[] = {
    {"activating the window that lies beneath", TRaiseBy::ActivatingTheLowerWindow, true},
    {"activating the window already in front", TRaiseBy::ActivatingTheFrontWindow, false},
    {"sending the front window to the bottom", TRaiseBy::SentToTheBottom, false},
    {"a window newly shown", TRaiseBy::NewlyShown, false},
    // An active window owned by the lower one goes: its owner takes the activation and comes
    // forward, and the display must show it in front too, or clicks meet a window it hides.
    {"the active owned window goes", TRaiseBy::OwnedWindowGoes, true},
};

}  // namespace

TEST_F(WndActivateTest, TheDisplayStacksItsWindowsAsTheWindowManager) {
  for (const TRaiseCase& c : kRaiseCases) {
    SCOPED_TRACE(c.Name);
    std::vector<HWND> raised;
    std::unique_ptr<TDisplayBackend> old = ReplaceDisplayBackend(std::make_unique<TRaiseLog>(&raised));
    HWND lower = Top(10, 10, 300, 200);
    HWND front = Top(50, 50, 300, 200);
    ASSERT_EQ(GetActiveWindow(), front);
    switch (c.By) {
      case TRaiseBy::ActivatingTheLowerWindow: SetActiveWindow(lower); break;
      case TRaiseBy::ActivatingTheFrontWindow: SetActiveWindow(front); break;
      case TRaiseBy::SentToTheBottom: SetWindowPos(front, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); break;
      case TRaiseBy::NewlyShown: DestroyWindow(Top(400, 10, 100, 100)); break;
      case TRaiseBy::OwnedWindowGoes: {
        HWND owned = CreateWindowEx(0, "OrvTest", "Owned", WS_POPUP | WS_VISIBLE, 80, 80, 100, 60, lower, nullptr, nullptr, nullptr);
        ASSERT_EQ(GetActiveWindow(), owned);
        DestroyWindow(owned);
        ASSERT_EQ(GetActiveWindow(), lower);
        break;
      }
    }
    EXPECT_EQ(std::count(raised.begin(), raised.end(), lower), c.LowerRaised ? 1 : 0);
    if (c.LowerRaised) {
      // The display and the window manager agree on which window a click in the overlap meets.
      POINT p{100, 100};
      EXPECT_EQ(GetAncestor(WindowFromPoint(p), GA_ROOT), lower);
    }
    ReplaceDisplayBackend(std::move(old));
    DestroyWindow(front);
    DestroyWindow(lower);
    Pump();
  }
}
