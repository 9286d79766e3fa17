// A windowed control freed while it has the focus: the form and the parent forget it at once,
// so the next focus change and the tab order never touch the freed control.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"

namespace {
class FreeFocused : public FormTestBase {};
}  // namespace

TEST_F(FreeFocused, TheFormForgetsAFocusedControlThatIsFreed) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  auto* a = new TEdit(Form);
  a->SetParent(panel);
  auto* b = new TEdit(Form);
  b->SetParent(Form);
  b->SetTop(100);
  Form->Show();
  a->SetFocus();
  EXPECT_EQ(Form->ActiveControl(), a);
  delete a;
  // The focus went to the freed control's parent, as the window manager hands it up.
  EXPECT_EQ(Form->ActiveControl(), panel);
  EXPECT_EQ(GetFocus(), panel->Handle());
  EXPECT_EQ(panel->ControlCount(), 0);
  b->SetFocus();  // leaves the freed control: would read it without the unlink
  EXPECT_EQ(Form->ActiveControl(), b);
  // Tab goes round the controls that are left.
  SendMessage(b->Handle(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(Form->ActiveControl(), b);
}
