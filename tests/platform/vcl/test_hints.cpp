// Hints: the pause before a hint shows, CM_HINTSHOW and OnShowHint changing or cancelling it,
// the hint window's size and colours, hiding on leaving the control, and ShowHint inheritance.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"

namespace {

// A panel that answers CM_HINTSHOW with what the test asks for.
class THintPanel : public TPanel {
public:
  using TPanel::TPanel;
  std::function<LRESULT(THintInfo&)> OnHintShow;
  int HintShows = 0;
  void WndProc(TMessage& M) override {
    if (M.Msg == CM_HINTSHOW) {
      ++HintShows;
      M.Result = OnHintShow ? OnHintShow(*reinterpret_cast<THintInfo*>(M.LParam)) : 0;
      return;
    }
    TPanel::WndProc(M);
  }
};

class HintTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Form->SetShowHint(true);
    A = new THintPanel(Form);
    A->SetParent(Form);
    A->SetBounds(10, 10, 100, 50);
    A->SetHint("Open|Opens a picture");
    B = new THintPanel(Form);
    B->SetParent(Form);
    B->SetBounds(200, 10, 100, 50);
    B->SetHint("Save");
    Form->Show();
    Application()->ProcessMessages();
  }
  void TearDown() override {
    Application()->CancelHint();
    Application()->OnHint = nullptr;
    Application()->OnShowHint = nullptr;
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void MoveTo(TControl* c, int x, int y) {
    POINT s = c->ClientToScreen(POINT{x, y});
    InjectMouseMove(s.x, s.y);
    Application()->ProcessMessages();
  }
  // What the show timer would do once HintPause has passed.
  void FireTimer(UINT_PTR id) {
    PostMessage(Application()->HintWindow()->Handle(), WM_TIMER, id, 0);
    Application()->ProcessMessages();
  }
  bool HintVisible() {
    THintWindow* w = Application()->HintWindow();
    return w->HandleAllocated() && IsWindowVisible(w->Handle());
  }
  TForm* Form = nullptr;
  THintPanel *A = nullptr, *B = nullptr;
};

}  // namespace

TEST_F(HintTest, RestingOverAControlShowsItsShortHintBelowTheCursor) {
  MoveTo(A, 20, 20);
  EXPECT_EQ(Application()->HintControl(), A);
  EXPECT_EQ(Application()->Hint(), "Opens a picture");
  EXPECT_FALSE(HintVisible());  // not before the pause
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  THintWindow* w = Application()->HintWindow();
  EXPECT_EQ(w->Caption(), "Open");
  RECT r{};
  GetWindowRect(w->Handle(), &r);
  POINT s = A->ClientToScreen(POINT{20, 20});
  EXPECT_EQ(r.left, s.x);
  EXPECT_GT(r.top, s.y);
  RECT need = w->CalcHintRect(1000, "Open");
  EXPECT_EQ(r.right - r.left, need.right - need.left);
  EXPECT_EQ(r.bottom - r.top, need.bottom - need.top);
  EXPECT_GT(need.right, 10);
  EXPECT_EQ(A->HintShows, 1);
}

TEST_F(HintTest, LongerTextsMakeWiderHintWindows) {
  THintWindow* w = Application()->HintWindow();
  RECT a = w->CalcHintRect(1000, "Hi");
  RECT b = w->CalcHintRect(1000, "A much longer hint text");
  EXPECT_GT(b.right, a.right);
  EXPECT_EQ(a.bottom, b.bottom);
  RECT wrapped = w->CalcHintRect(60, "A much longer hint text");
  EXPECT_GT(wrapped.bottom, b.bottom);
}

TEST_F(HintTest, HintWindowPaintsTheTextInTheHintColour) {
  Application()->SetHintColor(TColor(0x00FFFF));  // yellow
  MoveTo(A, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  HWND h = Application()->HintWindow()->Handle();
  HBITMAP bmp = RenderWindowToBitmap(h);
  ASSERT_NE(bmp, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT r{};
  GetWindowRect(h, &r);
  int yellow = 0, other = 0;
  for (int y = 1; y < r.bottom - r.top - 1; ++y)
    for (int x = 1; x < r.right - r.left - 1; ++x)
      (GetPixel(dc, x, y) == RGB(255, 255, 0) ? yellow : other)++;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  EXPECT_GT(yellow, other);  // background
  EXPECT_GT(other, 5);       // the text
}

TEST_F(HintTest, MovingToAnotherControlHidesTheHintAndStartsAgain) {
  MoveTo(A, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  MoveTo(A, 30, 25);  // still the same control: the hint stays
  EXPECT_TRUE(HintVisible());
  MoveTo(B, 20, 20);
  EXPECT_FALSE(HintVisible());
  EXPECT_EQ(Application()->HintControl(), B);
  EXPECT_EQ(Application()->Hint(), "Save");
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "Save");
  MoveTo(Form, 150, 200);  // the form has no hint
  EXPECT_FALSE(HintVisible());
  EXPECT_EQ(Application()->HintControl(), nullptr);
}

TEST_F(HintTest, HidePauseHidesTheHintUntilTheMouseLeaves) {
  MoveTo(A, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  FireTimer(TApplication::kHintHideTimer);
  EXPECT_FALSE(HintVisible());
  MoveTo(A, 25, 20);
  FireTimer(TApplication::kHintShowTimer);
  EXPECT_FALSE(HintVisible());
}

TEST_F(HintTest, ControlAndOnShowHintMayChangeOrCancelTheHint) {
  A->OnHintShow = [](THintInfo& I) {
    I.HintStr = "Changed";
    return LRESULT(0);
  };
  MoveTo(A, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "Changed");

  B->OnHintShow = [](THintInfo&) { return LRESULT(1); };
  MoveTo(B, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  EXPECT_FALSE(HintVisible());
  EXPECT_EQ(B->HintShows, 1);

  B->OnHintShow = nullptr;
  MoveTo(A, 20, 20);
  Application()->OnShowHint = [](std::string& S, bool& CanShow, THintInfo& I) {
    CanShow = S == "Open" && I.CursorPos.x == 20 && I.CursorPos.y == 20;
  };
  MoveTo(B, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  EXPECT_FALSE(HintVisible());  // "Save" is refused
  MoveTo(A, 20, 20);
  A->OnHintShow = nullptr;
  FireTimer(TApplication::kHintShowTimer);
  EXPECT_TRUE(HintVisible());
}

TEST_F(HintTest, ShowHintIsInheritedAndTheApplicationSwitchesAllHintsOff) {
  EXPECT_TRUE(A->ParentShowHint());
  EXPECT_TRUE(A->ShowHint());
  Form->SetShowHint(false);
  EXPECT_FALSE(A->ShowHint());
  MoveTo(A, 20, 20);
  EXPECT_EQ(Application()->HintControl(), nullptr);
  EXPECT_EQ(Application()->Hint(), "Opens a picture");  // the status-line hint still follows
  B->SetShowHint(true);
  EXPECT_FALSE(B->ParentShowHint());
  Application()->SetShowHint(false);
  MoveTo(B, 20, 20);
  EXPECT_EQ(Application()->HintControl(), nullptr);
  Application()->SetShowHint(true);
  MoveTo(Form, 150, 200);
  MoveTo(B, 20, 20);
  EXPECT_EQ(Application()->HintControl(), B);
}

TEST_F(HintTest, OnHintRunsWhenTheLongHintChangesAndAFreedControlCancelsItsHint) {
  int calls = 0;
  Application()->OnHint = [&](TObject*) { ++calls; };
  MoveTo(A, 20, 20);
  MoveTo(A, 22, 20);
  EXPECT_EQ(calls, 1);
  MoveTo(B, 20, 20);
  EXPECT_EQ(calls, 2);
  delete B;
  B = nullptr;
  EXPECT_EQ(Application()->HintControl(), nullptr);
  FireTimer(TApplication::kHintShowTimer);
  EXPECT_FALSE(HintVisible());
}

namespace {

RECT HintRect() {
  RECT r{};
  GetWindowRect(Application()->HintWindow()->Handle(), &r);
  return r;
}

RECT WorkArea() {
  RECT wa{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0);
  return wa;
}

}  // namespace

TEST_F(HintTest, HintWindowStaysInsideTheWorkArea) {
  const RECT wa = WorkArea();
  A->SetHint("A hint long enough to need a good many pixels of width");
  struct TCase {
    const char* Name;
    int FormX, FormY;  // the form's place; the mouse rests at (20, 20) in A
    bool MovedLeft, Above;
  } cases[] = {
      {"in the open", 100, 100, false, false},
      {"at the right edge", wa.right - 60, 100, true, false},
      {"at the bottom edge", 100, wa.bottom - 75, false, true},
      {"in the bottom right corner", wa.right - 60, wa.bottom - 75, true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Form->SetBounds(c.FormX, c.FormY, 400, 300);
    MoveTo(Form, 150, 200);
    MoveTo(A, 20, 20);
    FireTimer(TApplication::kHintShowTimer);
    ASSERT_TRUE(HintVisible());
    RECT r = HintRect();
    POINT cur = A->ClientToScreen(POINT{20, 20});
    EXPECT_LE(r.right, wa.right);
    EXPECT_GE(r.left, wa.left);
    EXPECT_LE(r.bottom, wa.bottom);
    EXPECT_GE(r.top, wa.top);
    if (c.MovedLeft) EXPECT_LT(r.left, cur.x);
    else EXPECT_EQ(r.left, cur.x);
    if (c.Above) EXPECT_LT(r.bottom, cur.y);
    else EXPECT_GT(r.top, cur.y);
  }
}

TEST_F(HintTest, HintPosAndHintMaxWidthFromTheControlAreHonoured) {
  A->SetHint("A much longer hint text that wraps");
  A->OnHintShow = [](THintInfo& I) {
    I.HintPos = POINT{300, 400};
    I.HintMaxWidth = 80;
    return LRESULT(0);
  };
  MoveTo(A, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  RECT r = HintRect();
  EXPECT_EQ(r.left, 300);
  EXPECT_EQ(r.top, 400);
  RECT line = Application()->HintWindow()->CalcHintRect(1000, "A much longer hint text that wraps");
  EXPECT_LE(r.right - r.left, 80 + 6);
  EXPECT_GT(r.bottom - r.top, 2 * (line.bottom - line.top) - 4);  // wrapped onto several lines
}

TEST_F(HintTest, LeavingThePartOrTheControlOfAShownHintStartsTheNextAfterTheShortPause) {
  Application()->SetHintPause(500);
  Application()->SetHintShortPause(50);
  // The left and right halves of A are parts with their own hints.
  A->OnHintShow = [](THintInfo& I) {
    bool left = I.CursorPos.x < 50;
    I.CursorRect = left ? RECT{0, 0, 50, 50} : RECT{50, 0, 100, 50};
    I.HintStr = left ? "left half" : "right half";
    return LRESULT(0);
  };
  MoveTo(A, 20, 20);
  AdvanceMessageClock(100);
  Application()->ProcessMessages();
  EXPECT_FALSE(HintVisible());  // the first hint waits for HintPause
  AdvanceMessageClock(450);
  Application()->ProcessMessages();
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "left half");
  MoveTo(A, 40, 30);  // still in the left half
  EXPECT_TRUE(HintVisible());
  EXPECT_EQ(A->HintShows, 1);
  MoveTo(A, 70, 30);  // the right half: hidden, and a new hint comes soon
  EXPECT_FALSE(HintVisible());
  EXPECT_EQ(Application()->HintControl(), A);
  AdvanceMessageClock(60);
  Application()->ProcessMessages();
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "right half");
  EXPECT_EQ(A->HintShows, 2);
  // On to another control while the hint shows: its hint, too, comes after the short pause.
  MoveTo(B, 20, 20);
  EXPECT_FALSE(HintVisible());
  AdvanceMessageClock(60);
  Application()->ProcessMessages();
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "Save");
  // From a place without a hint, the full pause again.
  MoveTo(Form, 150, 200);
  MoveTo(A, 20, 20);
  AdvanceMessageClock(60);
  Application()->ProcessMessages();
  EXPECT_FALSE(HintVisible());
}

TEST_F(HintTest, HideTimeoutAndReshowTimeoutFromTheHintInfo) {
  Application()->SetHintHidePause(2500);
  int shown = 0;
  A->OnHintShow = [&](THintInfo& I) {
    ++shown;
    I.HintStr = "shown " + std::to_string(shown);
    I.ReshowTimeout = shown == 1 ? 300 : 0;
    I.HideTimeout = shown == 1 ? 0 : 100;  // the first stays, the second goes after 100 ms
    return LRESULT(0);
  };
  MoveTo(A, 20, 20);
  FireTimer(TApplication::kHintShowTimer);
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "shown 1");
  AdvanceMessageClock(310);  // ReshowTimeout: asked again and shown anew
  Application()->ProcessMessages();
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application()->HintWindow()->Caption(), "shown 2");
  AdvanceMessageClock(50);
  Application()->ProcessMessages();
  EXPECT_TRUE(HintVisible());
  AdvanceMessageClock(60);  // HideTimeout of the second
  Application()->ProcessMessages();
  EXPECT_FALSE(HintVisible());
  EXPECT_EQ(shown, 2);
}
