// Hints: the pause before a hint shows, CM_HINTSHOW and OnShowHint changing or cancelling it,
// the hint window's size and colours, hiding on leaving the control, and ShowHint inheritance.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/wingdi.h"

namespace {

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

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
