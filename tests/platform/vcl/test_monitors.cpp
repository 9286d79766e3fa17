// The screen's monitors: count, order, rectangles, the primary one, the MonitorFrom* queries and
// a layout change seen on the next call.
#include <cstdlib>

#include "tests/platform/vcl/formtest.h"

namespace {

const RECT LeftFull{0, 0, 1920, 1080}, LeftWork{0, 0, 1920, 1040};
const RECT RightFull{1920, 0, 3200, 1024}, RightWork{1920, 0, 3200, 1000};

class MonitorsTest : public FormTestBase {
protected:
  void TearDown() override {
    SetMonitorLayout({});
    FormTestBase::TearDown();
  }
  void SideBySide() { SetMonitorLayout({{LeftFull, LeftWork}, {RightFull, RightWork}}); }
};

TEST_F(MonitorsTest, HeadlessScreenHasOneMonitor) {
  TScreen* S = Screen();
  ASSERT_EQ(S->MonitorCount(), 1);
  TMonitor* M = S->Monitors(0);
  EXPECT_EQ(M->MonitorNum(), 0);
  EXPECT_TRUE(M->Primary());
  EXPECT_EQ(M->BoundsRect(), (RECT{0, 0, 1920, 1080}));
  EXPECT_EQ(M->WorkareaRect(), S->WorkAreaRect());
  EXPECT_EQ(S->PrimaryMonitor(), M);
  EXPECT_THROW(S->Monitors(1), EListError);
  EXPECT_THROW(S->Monitors(-1), EListError);
  EXPECT_EQ(S->DesktopWidth(), 1920);
}

TEST_F(MonitorsTest, TwoMonitorsSideBySide) {
  SideBySide();
  TScreen* S = Screen();
  ASSERT_EQ(S->MonitorCount(), 2);
  TMonitor* L = S->Monitors(0);
  TMonitor* R = S->Monitors(1);
  struct Case {
    TMonitor* M;
    int Num, Left, Top, Width, Height;
    RECT Work;
    bool Primary;
  } cases[] = {
      {L, 0, 0, 0, 1920, 1080, LeftWork, true},
      {R, 1, 1920, 0, 1280, 1024, RightWork, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.M->MonitorNum(), c.Num);
    EXPECT_EQ(c.M->Left(), c.Left);
    EXPECT_EQ(c.M->Top(), c.Top);
    EXPECT_EQ(c.M->Width(), c.Width);
    EXPECT_EQ(c.M->Height(), c.Height);
    EXPECT_EQ(c.M->WorkareaRect(), c.Work);
    EXPECT_EQ(c.M->Primary(), c.Primary);
    EXPECT_NE(c.M->Handle(), nullptr);
  }
  EXPECT_EQ(S->DesktopLeft(), 0);
  EXPECT_EQ(S->DesktopTop(), 0);
  EXPECT_EQ(S->DesktopWidth(), 3200);
  EXPECT_EQ(S->DesktopHeight(), 1080);
  // The same layout keeps the same objects.
  EXPECT_EQ(S->Monitors(1), R);
}

// What a drop-down menu uses as its right limit: the work area of the first monitor, in the
// screen's order, whose full rectangle holds the point; else the width of the work area of the
// monitor nearest to the window.
int RightLimit(POINT P, HWND Parent) {
  TScreen* S = Screen();
  for (int i = 0; i < S->MonitorCount(); ++i) {
    RECT B = S->Monitors(i)->BoundsRect();
    if (PtInRect(&B, P)) return S->Monitors(i)->WorkareaRect().right;
  }
  RECT W = S->MonitorFromWindow(Parent)->WorkareaRect();
  return W.right - W.left;
}

TEST_F(MonitorsTest, MonitorOfAPointAndTheMenuLimitRule) {
  SideBySide();
  Form->SetBounds(2000, 100, 400, 300);
  struct Case {
    POINT P;
    int Monitor;  // -1: none holds it
    int Limit;
  } cases[] = {
      {{10, 10}, 0, 1920},      {{1919, 500}, 0, 1920}, {{1920, 500}, 1, 3200},
      {{2500, 1050}, -1, 1280},  // under the right monitor: the form's monitor (right) gives its
                                 // width
      {{4000, 10}, -1, 1280},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.P.x << "," << c.P.y);
    TMonitor* M = Screen()->MonitorFromPoint(c.P, mdNull);
    if (c.Monitor < 0)
      EXPECT_EQ(M, nullptr);
    else
      EXPECT_EQ(M, Screen()->Monitors(c.Monitor));
    EXPECT_EQ(RightLimit(c.P, Form->Handle()), c.Limit);
  }
  EXPECT_EQ(Screen()->MonitorFromPoint(POINT{4000, 10}), Screen()->Monitors(1));
  EXPECT_EQ(Screen()->MonitorFromPoint(POINT{4000, 10}, mdPrimary), Screen()->Monitors(0));
  EXPECT_EQ(Screen()->MonitorFromRect(RECT{1000, 0, 3000, 10}), Screen()->Monitors(1));
  EXPECT_EQ(Screen()->MonitorFromWindow(Form->Handle()), Screen()->Monitors(1));
  Form->SetBounds(100, 100, 400, 300);
  EXPECT_EQ(Screen()->MonitorFromWindow(Form->Handle()), Screen()->Monitors(0));
}

TEST_F(MonitorsTest, ALayoutChangeIsSeenOnTheNextCall) {
  TScreen* S = Screen();
  ASSERT_EQ(S->MonitorCount(), 1);
  SideBySide();
  EXPECT_EQ(S->MonitorCount(), 2);
  EXPECT_EQ(S->Monitors(1)->BoundsRect(), RightFull);
  SetMonitorLayout({});
  EXPECT_EQ(S->MonitorCount(), 1);
  EXPECT_EQ(S->Monitors(0)->BoundsRect(), (RECT{0, 0, 1920, 1080}));
}

}  // namespace
