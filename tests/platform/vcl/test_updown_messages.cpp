// Up-down window messages: range, position and buddy through SendMessage on the control's handle,
// as code that only knows the window (a skinner) drives it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/gdi_user.h"

namespace {

class UpDownMsgTest : public ::testing::Test {
protected:
  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 300, 200);
    Ud = new TUpDown(Form);
    Ud->SetParent(Form);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  LRESULT Send(UINT m, WPARAM w = 0, LPARAM l = 0) { return SendMessage(Ud->Handle(), m, w, l); }
  TForm* Form = nullptr;
  TUpDown* Ud = nullptr;
};

}  // namespace

TEST_F(UpDownMsgTest, SixteenBitRangeAndPosition) {
  struct Case { int Min, Max, SetPos, WantPos; } cases[] = {
    {0, 10, 5, 5},
    {-5, 5, -3, -3},
    {0, 10, 50, 10},     // clamped to the range
    {-100, -10, 0, -10},
    {10, 0, 4, 4},       // reversed range keeps positions between the two
    {10, 0, 20, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Min << ".." << c.Max << " pos " << c.SetPos);
    Send(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(c.Max), static_cast<WORD>(c.Min)));
    EXPECT_EQ(Ud->Min(), c.Min);
    EXPECT_EQ(Ud->Max(), c.Max);
    LRESULT r = Send(UDM_GETRANGE);
    EXPECT_EQ(static_cast<int16_t>(LOWORD(r)), c.Max);
    EXPECT_EQ(static_cast<int16_t>(HIWORD(r)), c.Min);
    int old = Ud->Position();
    LRESULT prev = Send(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(c.SetPos), 0));
    EXPECT_EQ(static_cast<int16_t>(LOWORD(prev)), old);
    EXPECT_EQ(Ud->Position(), c.WantPos);
    LRESULT g = Send(UDM_GETPOS);
    EXPECT_EQ(static_cast<int16_t>(LOWORD(g)), c.WantPos);
    EXPECT_EQ(HIWORD(g), 0);
  }
}

TEST_F(UpDownMsgTest, ThirtyTwoBitRangeAndPosition) {
  Send(UDM_SETRANGE32, static_cast<WPARAM>(-100000), 100000);
  int lo = 0, hi = 0;
  Send(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, -100000);
  EXPECT_EQ(hi, 100000);
  EXPECT_EQ(Send(UDM_SETPOS32, 0, 70000), 0);
  EXPECT_EQ(Send(UDM_SETPOS32, 0, 200000), 70000);
  BOOL err = TRUE;
  EXPECT_EQ(Send(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&err)), 100000);
  EXPECT_FALSE(err);
  EXPECT_EQ(Send(UDM_GETPOS32), 100000);  // no error flag wanted
}

TEST_F(UpDownMsgTest, BuddyIsSetAndReadByHandle) {
  auto* e = new TEdit(Form);
  e->SetParent(Form);
  e->SetBounds(10, 10, 60, 21);
  Ud->SetMax(50);
  Ud->SetPosition(7);
  EXPECT_EQ(Send(UDM_GETBUDDY), 0);
  EXPECT_EQ(Send(UDM_SETBUDDY, reinterpret_cast<WPARAM>(e->Handle())), 0);
  EXPECT_EQ(Ud->Associate(), e);
  EXPECT_EQ(Send(UDM_GETBUDDY), reinterpret_cast<LRESULT>(e->Handle()));
  EXPECT_EQ(e->Text(), "7");
  EXPECT_EQ(Ud->Left(), 70);  // placed beside the buddy
  Send(UDM_SETPOS, 0, 12);
  EXPECT_EQ(e->Text(), "12");
  // Clearing the buddy returns the old one.
  EXPECT_EQ(Send(UDM_SETBUDDY, 0), reinterpret_cast<LRESULT>(e->Handle()));
  EXPECT_EQ(Ud->Associate(), nullptr);
  EXPECT_EQ(Send(UDM_GETBUDDY), 0);
}
