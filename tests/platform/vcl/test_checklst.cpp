// The check list box: states that follow their items, toggling by mouse and space bar.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/strings.h"
#include "platform/vcl/checklst.h"
#include "platform/vcl/forms.h"

namespace {

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

class CheckListTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 300, 300);
    CL = new TCheckListBox(Form);
    CL->SetParent(Form);
    CL->SetBounds(10, 10, 150, 150);
    for (const char* s : {"a", "b", "c", "d"}) CL->Items()->Add(s);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  std::string States() {
    std::string s;
    for (int i = 0; i < CL->Count(); ++i) s += "ucg"[CL->State(i)];
    return s;
  }
  TForm* Form = nullptr;
  TCheckListBox* CL = nullptr;
};

}  // namespace

TEST_F(CheckListTest, StatesFollowTheirItemsThroughInsertsAndDeletes) {
  CL->SetChecked(1, true);
  CL->SetState(3, cbGrayed);
  EXPECT_EQ(States(), "ucug");
  struct Case { std::function<void()> change; const char* states; };
  const Case cases[] = {
      {[&] { CL->Items()->Insert(0, "new"); }, "uucug"},
      {[&] { CL->Items()->Delete(1); }, "ucug"},      // "a" goes
      {[&] { CL->Items()->Add("e"); }, "ucugu"},
      {[&] { CL->Items()->Delete(0); }, "cugu"},      // "new" goes, "b" keeps its check
      {[&] { CL->Items()->Strings(0); CL->Items()->Put(1, "C"); }, "cugu"},
  };
  for (const Case& c : cases) {
    c.change();
    EXPECT_EQ(States(), c.states);
  }
  EXPECT_THROW(CL->State(9), EListError);
  CL->CheckAll(cbChecked, false);
  EXPECT_EQ(States(), "ccgc");
  CL->Items()->Clear();
  EXPECT_EQ(States(), "");
}

TEST_F(CheckListTest, ClicksOnTheBoxAndTheSpaceBarToggleEnabledItems) {
  int checks = 0;
  CL->OnClickCheck = [&](TObject*) { ++checks; };
  CL->SetItemEnabled(2, false);
  CL->SetAllowGrayed(true);
  Form->Show();
  auto click = [&](int x, int item) {
    POINT s = CL->ClientToScreen(POINT{x, CL->ItemHeight() * item + 3});
    InjectMouseButton(s.x, s.y, 0, true);
    InjectMouseButton(s.x, s.y, 0, false);
    Application()->ProcessMessages();
  };
  click(5, 0);    // box: checks
  click(60, 1);   // text: selects only
  click(5, 2);    // disabled item
  EXPECT_EQ(States(), "cuuu");
  EXPECT_EQ(CL->ItemIndex(), 2);
  CL->SetItemIndex(0);
  InjectKey(VK_SPACE, true);
  InjectKey(VK_SPACE, false);
  Application()->ProcessMessages();
  EXPECT_EQ(States(), "guuu");  // checked -> greyed with AllowGrayed
  EXPECT_EQ(checks, 2);
}
