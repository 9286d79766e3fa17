// Forms tell their controls which one has the focus (CM_FOCUSCHANGED) and offer Alt and a
// character to them as an accelerator (CM_DIALOGCHAR); image lists tell any number of change
// links of their changes.
#include <gtest/gtest.h>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"

namespace {

// A button that records the messages the form sends it.
class TListeningButton : public TButton {
public:
  explicit TListeningButton(TComponent* AOwner) : TButton(AOwner) {}
  void WndProc(TMessage& M) override {
    if (M.Msg == CM_FOCUSCHANGED) Focused = reinterpret_cast<TControl*>(M.LParam);
    if (M.Msg == CM_DIALOGCHAR) {
      Chars += static_cast<char>(M.WParam);
      M.Result = Takes;
      return;
    }
    TButton::WndProc(M);
  }
  TControl* Focused = nullptr;
  std::string Chars;
  LRESULT Takes = 0;
};

class FocusChangeTest : public FormTestBase {};

TEST_F(FocusChangeTest, EveryControlLearnsWhichControlHasTheFocus) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  panel->SetBounds(0, 0, 200, 100);
  auto* inner = new TListeningButton(Form);
  inner->SetParent(panel);
  auto* outer = new TListeningButton(Form);
  outer->SetParent(Form);
  outer->SetTop(120);
  auto* edit = new TEdit(Form);
  edit->SetParent(Form);
  edit->SetTop(160);
  Form->Show();
  edit->SetFocus();
  Run();
  EXPECT_EQ(inner->Focused, edit);
  EXPECT_EQ(outer->Focused, edit);
  outer->SetFocus();
  Run();
  EXPECT_EQ(inner->Focused, outer);
}

TEST_F(FocusChangeTest, AltAndACharacterNoMenuTakesGoToTheControls) {
  auto* a = new TListeningButton(Form);
  a->SetParent(Form);
  auto* b = new TListeningButton(Form);
  b->SetParent(Form);
  b->SetTop(40);
  b->Takes = 1;
  Form->Show();
  Run();
  InjectKey(VK_MENU, true);
  InjectKey('K', true);
  InjectKey('K', false);
  InjectKey(VK_MENU, false);
  Run();
  EXPECT_EQ(a->Chars.size(), 1u);
  EXPECT_EQ(b->Chars.size(), 1u);
  EXPECT_EQ(toupper(b->Chars[0]), 'K');
}

TEST(ImageListChangeLinks, EveryLinkHearsOfChangesUntilItGoes) {
  auto list = std::make_unique<TImageList>(nullptr);
  int own = 0, first = 0, second = 0;
  list->OnChange = [&](TObject*) { ++own; };
  auto a = std::make_unique<TChangeLink>();
  a->OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, list.get());
    ++first;
  };
  TChangeLink b;
  b.OnChange = [&](TObject*) { ++second; };
  list->RegisterChanges(a.get());
  list->RegisterChanges(&b);
  list->RegisterChanges(&b);  // once only
  EXPECT_EQ(a->Sender, list.get());
  TBitmap square;
  square.SetSize(16, 16);
  list->Add(&square, nullptr);
  EXPECT_EQ((std::vector<int>{own, first, second}), (std::vector<int>{1, 1, 1}));
  a.reset();  // a freed link unregisters
  list->Clear();
  EXPECT_EQ((std::vector<int>{own, first, second}), (std::vector<int>{2, 1, 2}));
  list.reset();  // a freed list lets go of its links
  EXPECT_EQ(b.Sender, nullptr);
}

}  // namespace
