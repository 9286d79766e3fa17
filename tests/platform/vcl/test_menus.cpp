// Menus: shortcut numbers and their texts, and menu items' shortcuts taken from the form's keys
// before the control and the form see them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// The modifier bits as plain numbers (they and the virtual keys are different enumerations).
constexpr int kShift = scShift, kCtrl = scCtrl, kAlt = scAlt;

}  // namespace

TEST(ShortCuts, NumbersAndTextsBothWays) {
  struct Case {
    WORD Key;
    TShiftState Shift;
    int Code;
    const char* Text;
  };
  const Case cases[] = {
      {'L', TShiftState{ssCtrl}, kCtrl | 'L', "Ctrl+L"},
      {VK_F10, TShiftState{ssShift}, kShift | VK_F10, "Shift+F10"},
      {VK_DELETE, TShiftState{}, VK_DELETE, "Del"},
      {VK_INSERT, TShiftState{ssCtrl}, kCtrl | VK_INSERT, "Ctrl+Ins"},
      {VK_BACK, TShiftState{ssShift, ssAlt}, kShift | kAlt | VK_BACK, "Shift+Alt+BkSp"},
      {'Z', TShiftState{ssCtrl, ssAlt}, kCtrl | kAlt | 'Z', "Ctrl+Alt+Z"},
      {VK_F1 + 11, TShiftState{ssShift, ssCtrl}, kShift | kCtrl | (VK_F1 + 11), "Shift+Ctrl+F12"},
      {'7', TShiftState{}, '7', "7"},
      {VK_RETURN, TShiftState{}, VK_RETURN, "Enter"},
      {VK_ESCAPE, TShiftState{}, VK_ESCAPE, "Esc"},
      {VK_NEXT, TShiftState{ssCtrl}, kCtrl | VK_NEXT, "Ctrl+PgDn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ShortCut(c.Key, c.Shift), c.Code);
    EXPECT_EQ(ShortCutToText(c.Code), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), c.Code);
    WORD k = 0;
    TShiftState s;
    ShortCutToKey(c.Code, k, s);
    EXPECT_EQ(k, c.Key);
    EXPECT_TRUE(s == c.Shift);
  }
}

TEST(ShortCuts, LooseTextsAndTextsThatAreNoShortCut) {
  // Any case and order of the modifier words.
  EXPECT_EQ(TextToShortCut("ctrl+l"), kCtrl | 'L');
  EXPECT_EQ(TextToShortCut("ALT+SHIFT+f4"), kShift | kAlt | VK_F4);
  EXPECT_EQ(TextToShortCut("del"), VK_DELETE);
  for (const char* bad : {"", "(None)", "Ctrl+", "Ctrl", "Hyper+A", "Ctrl+F13", "Ctrl+LL", "+A"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(TextToShortCut(bad), 0);
  }
  EXPECT_EQ(ShortCutToText(0), "");
  EXPECT_EQ(ShortCutToText(kCtrl | VK_SHIFT), "");  // a key without a name
  EXPECT_EQ(ShortCut(0, TShiftState{ssCtrl}), 0);
}

class MenuFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Menu = new TMainMenu(Form);
    File = Add(Menu->Items(), "File", 0);
    Open = Add(File, "Open", TextToShortCut("Ctrl+O"));
    Del = Add(File, "Delete", TextToShortCut("Del"));
    Add(Menu->Items(), "Help", TextToShortCut("F1"));
    Form->SetMenu(Menu);
    Edit = new TEdit(Form);
    Edit->SetParent(Form);
    Edit->OnKeyDown = [this](TObject*, WORD& K, TShiftState) {
      if (K != VK_SHIFT && K != VK_CONTROL && K != VK_MENU) Log += "edit:" + std::to_string(K) + " ";
    };
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  TMenuItem* Add(TMenuItem* Parent, const char* Caption, TShortCut Sc) {
    auto* it = new TMenuItem(Menu);
    it->SetCaption(Caption);
    it->SetShortCut(Sc);
    it->OnClick = [this, it](TObject*) { Log += it->Caption() + " "; };
    Parent->Add(it);
    return it;
  }
  void Press(std::initializer_list<UINT> Mods, UINT K) {
    for (UINT m : Mods) InjectKey(m, true);
    Key(K);
    for (UINT m : Mods) InjectKey(m, false);
    Application()->ProcessMessages();
  }
  // The edit heard the key once and no item ran.
  bool Ordinary(int Key) const { return Log == "edit:" + std::to_string(Key) + " "; }
  TForm* Form = nullptr;
  TMainMenu* Menu = nullptr;
  TMenuItem *File = nullptr, *Open = nullptr, *Del = nullptr;
  TEdit* Edit = nullptr;
  std::string Log;
};

TEST_F(MenuFormTest, ItemShortCutsRunFromTheFocusedControlsKeys) {
  Form->Show();
  Edit->SetFocus();
  Press({VK_CONTROL}, 'O');
  EXPECT_EQ(Log, "Open ");  // taken: the edit never saw the O
  Log.clear();
  Press({}, 'O');  // without Ctrl it is an ordinary key
  EXPECT_TRUE(Ordinary(79)) << Log;
  Log.clear();
  Press({}, VK_F1);  // a top item's shortcut
  EXPECT_EQ(Log, "Help ");
  Log.clear();
  Press({VK_SHIFT}, VK_F1);  // other modifiers: not the shortcut
  EXPECT_TRUE(Ordinary(112)) << Log;
}

TEST_F(MenuFormTest, DisabledOrHiddenItemsAndBranchesDoNotRun) {
  Form->Show();
  Edit->SetFocus();
  Del->SetEnabled(false);
  Press({}, VK_DELETE);
  EXPECT_TRUE(Ordinary(46)) << Log;
  Log.clear();
  Del->SetEnabled(true);
  File->SetVisible(false);  // the whole branch is hidden
  Press({VK_CONTROL}, 'O');
  EXPECT_TRUE(Ordinary(79)) << Log;
  Log.clear();
  File->SetVisible(true);
  Press({}, VK_DELETE);
  EXPECT_EQ(Log, "Delete ");
  Log.clear();
  // Without a main menu the key is ordinary again.
  Form->SetMenu(nullptr);
  Press({VK_CONTROL}, 'O');
  EXPECT_TRUE(Ordinary(79)) << Log;
}

TEST(PopupMenuShortCuts, IsShortCutRunsTheEnabledItem) {
  TPopupMenu menu(nullptr);
  TMenuItem a(nullptr), b(nullptr);
  int runs = 0;
  a.SetShortCut(kCtrl | 'A');
  a.OnClick = [&](TObject*) { ++runs; };
  b.SetShortCut(kCtrl | 'B');
  b.SetEnabled(false);
  b.OnClick = [&](TObject*) { runs += 100; };
  menu.Items()->Add(&a);
  menu.Items()->Add(&b);
  EXPECT_TRUE(menu.IsShortCut(kCtrl | 'A'));
  EXPECT_FALSE(menu.IsShortCut(kCtrl | 'B'));
  EXPECT_FALSE(menu.IsShortCut(0));
  EXPECT_EQ(runs, 1);
  menu.Items()->Remove(&a);
  menu.Items()->Remove(&b);
}

TEST(OwnerDrawMenus, MeasuredRowsAreDrawnByTheItemsAndHitInTheirPlaces) {
  ResetInputState();
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  struct Row {
    const char* Caption;
    int Height;  // 0: no measure event
    bool Advanced;
  };
  const Row rows[] = {{"A", 30, true}, {"B", 10, true}, {"C", 0, false}};
  std::string chosen, drawn;
  std::vector<RECT> rects(3, RECT{0, 0, 0, 0});
  bool bSelected = false;
  int measures = 0;
  for (int i = 0; i < 3; ++i) {
    const Row& r = rows[i];
    auto* it = new TMenuItem(&owner);
    it->SetCaption(r.Caption);
    it->OnClick = [&chosen, it](TObject*) { chosen = it->Caption(); };
    if (r.Height)
      it->OnMeasureItem = [&measures, r](TObject*, TCanvas* c, int& W, int& H) {
        ASSERT_NE(c, nullptr);
        EXPECT_GT(c->TextWidth("Wide"), 0);
        ++measures;
        W = 250;
        H = r.Height;
      };
    if (r.Advanced)
      it->OnAdvancedDrawItem = [&, i](TObject*, TCanvas* c, RECT R, TOwnerDrawState S) {
        rects[static_cast<size_t>(i)] = R;
        drawn += rows[i].Caption;
        if (i == 1 && S.Contains(odSelected)) bSelected = true;
        c->FillRect(R);
      };
    menu->Items()->Add(it);
  }
  // The popup's rows: A 2..32, B 32..42, C 42..62; the menu is 254 wide.
  menu->SetOwnerDraw(true);
  Later(&owner, [&owner] {
    InjectMouseMove(300 + 20, 200 + 36);
    Later(&owner, [] {
      InjectMouseButton(300 + 20, 200 + 36, 0, true);
      InjectMouseButton(300 + 20, 200 + 36, 0, false);
    });
  });
  menu->Popup(300, 200);
  Application()->ProcessMessages();
  EXPECT_EQ(measures, 2);
  EXPECT_EQ(chosen, "B");
  EXPECT_NE(drawn.find('A'), std::string::npos);
  EXPECT_EQ(drawn.find('C'), std::string::npos);  // C has no draw event: the menu paints it
  auto same = [](RECT a, RECT b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  EXPECT_TRUE(same(rects[0], RECT{2, 2, 252, 32}));
  EXPECT_TRUE(same(rects[1], RECT{2, 32, 252, 42}));
  EXPECT_TRUE(bSelected);

  // Without OwnerDraw the events are not used and the rows keep their usual height.
  menu->SetOwnerDraw(false);
  measures = 0;
  drawn.clear();
  chosen.clear();
  Later(&owner, [] {
    InjectMouseButton(300 + 20, 200 + 2 + 25, 0, true);  // the second 20-pixel row
    InjectMouseButton(300 + 20, 200 + 2 + 25, 0, false);
  });
  menu->Popup(300, 200);
  Application()->ProcessMessages();
  EXPECT_EQ(measures, 0);
  EXPECT_EQ(drawn, "");
  EXPECT_EQ(chosen, "B");
  DestroyAllThreadWindows();
}
