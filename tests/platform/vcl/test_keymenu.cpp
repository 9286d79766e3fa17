// Keyboard menus: Alt+letter on a form with a main menu runs or opens the menu bar item whose
// caption marks that letter with "&".
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace {

class KeyMenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Menu = new TMainMenu(Form);
    Add("&Help");
    Add("Save && &Quit");
    Add("&Disabled")->SetEnabled(false);
    Add("&hidden")->SetVisible(false);
    Add("Ex&tra");
    Add("&Hello");  // a second "H": the first item wins
    Form->SetMenu(Menu);
    Edit = new TEdit(Form);
    Edit->SetParent(Form);
    Form->Show();
    Edit->SetFocus();
    Application()->ProcessMessages();
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  TMenuItem* Add(const char* Caption) {
    auto* it = new TMenuItem(Menu);
    it->SetCaption(Caption);
    it->OnClick = [this, it](TObject*) { Log += it->Caption() + ";"; };
    Menu->Items()->Add(it);
    return it;
  }
  void Press(bool Alt, UINT K) {
    if (Alt) InjectKey(VK_MENU, true);
    InjectKey(K, true);
    InjectKey(K, false);
    if (Alt) InjectKey(VK_MENU, false);
    Application()->ProcessMessages();
  }
  TForm* Form = nullptr;
  TMainMenu* Menu = nullptr;
  TEdit* Edit = nullptr;
  std::string Log;
};

}  // namespace

TEST_F(KeyMenuTest, AltLetterRunsTheItemWithThatAccelerator) {
  struct Case { bool Alt; UINT Key; const char* Want; } cases[] = {
    {true, 'H', "&Help;"},
    {true, 'Q', "Save && &Quit;"},  // "&&" is no accelerator, "&Q" is
    {true, 'T', "Ex&tra;"},
    {true, 'D', ""},                // disabled
    {true, 'X', ""},                // no such accelerator
    {true, 'S', ""},                // "S" is not marked
    {false, 'H', ""},               // without Alt the key goes to the edit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Alt ? "Alt+" : "") << static_cast<char>(c.Key));
    Log.clear();
    Press(c.Alt, c.Key);
    EXPECT_EQ(Log, c.Want);
  }
}

TEST_F(KeyMenuTest, KeyMenuCommandWithoutAMatchOrMenuDoesNothing) {
  // The command itself, as other code sends it: lower case matches too.
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'q');
  EXPECT_EQ(Log, "Save && &Quit;");
  Log.clear();
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'z');
  Form->SetMenu(nullptr);
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'h');
  Press(true, 'H');
  EXPECT_EQ(Log, "");
  EXPECT_TRUE(Form->Visible());
}
