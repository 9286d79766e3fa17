// The skinned menu bar of a skinned form: built from the form's main menu, controls moved below
// it and back, its buttons opening their sub-items or clicking, Enter on a hot item, the hidden
// menu's shortcuts, and its look (golden image).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "paneltest.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "skins/swskinengine.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinwindow.h"

namespace {

// Runs Action from a timer of Owner (so also inside a menu's modal loop).
void MenuBarTestLater(TComponent* Owner, std::function<void()> Action) {
  auto* t = new TTimer(Owner);
  t->SetInterval(1);
  t->SetOnTimer([t, Action](TObject*) {
    t->SetEnabled(false);
    Action();
  });
}

class SwSkinMenuBarTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    Form->SetCaption("Menu bar");
    Form->SetBounds(40, 40, 360, 220);
    Menu = new TMainMenu(Form);
    File = Item(Menu->Items(), "&File");
    Open = Item(File, "&Open");
    Open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    Open->OnClick = [this](TObject*) { ++Opened; };
    Item(File, "-");
    Item(File, "&Quit");
    Help = Item(Menu->Items(), "&Help");
    Help->OnClick = [this](TObject*) { ++Helped; };
    Tools = Item(Menu->Items(), "&Tools");
    Item(Tools, "Options");
    Tools->SetEnabled(false);
    Form->SetMenu(Menu);
    Button = new TButton(Form);
    Button->SetParent(Form);
    Button->SetBounds(16, 16, 90, 26);
    Button->SetCaption("Button");
    Tall = new TPanel(Form);
    Tall->SetParent(Form);
    Tall->SetBounds(200, 16, 120, 100);
    Tall->SetAnchors(TAnchors{akLeft, akTop, akBottom});
    Low = new TEdit(Form);
    Low->SetParent(Form);
    Low->SetBounds(16, 120, 120, 24);
    Low->SetAnchors(TAnchors{akLeft, akBottom});
    Run();
  }
  TMenuItem* Item(TMenuItem* Parent, const std::string& Caption) {
    auto* i = new TMenuItem(Form);
    i->SetCaption(Caption);
    Parent->Add(i);
    return i;
  }
  TswSkinWindowVCL* Skin(const std::string& Skin) {
    Engine = new TswSkinEngine(Form);
    Engine->SetSkinFile(SourceDir() + "/data/swskins/" + Skin + ".ssk");
    EXPECT_TRUE(Engine->Ready());
    Engine->SetActive(true);
    Engine->SkinForm(Form);
    Run();
    return dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(Form->Handle()));
  }
  TswSkinEngine* Engine = nullptr;
  TMainMenu* Menu = nullptr;
  TMenuItem *File = nullptr, *Open = nullptr, *Help = nullptr, *Tools = nullptr;
  TButton* Button = nullptr;
  TPanel* Tall = nullptr;
  TEdit* Low = nullptr;
  int Opened = 0, Helped = 0;
};

}  // namespace

// The bar holds one button per top-level item; unaligned controls move below it (a control
// anchored to the bottom only stays with the bottom edge), and everything goes back when the
// skin goes.
TEST_F(SwSkinMenuBarTest, BarTakesTheMenuAndControlsMoveBelowIt) {
  const RECT button = Button->BoundsRect(), tall = Tall->BoundsRect(), low = Low->BoundsRect();
  const int ch = Form->ClientHeight();
  TswSkinWindowVCL* w = Skin("harbour");
  ASSERT_NE(w, nullptr);
  TswSkinMenuBar* bar = w->MenuBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->ButtonCount(), 3);
  EXPECT_EQ(bar->Top(), 0);
  const int h = bar->Height();
  EXPECT_EQ(Form->ClientHeight(), ch + h);
  TMenuItem* items[] = {File, Help, Tools};
  for (int i = 0; i < 3; ++i) {
    auto* b = dynamic_cast<TswSkinMenuBarButton*>(bar->Buttons(i));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->MenuItem(), items[i]);
    EXPECT_EQ(b->Enabled(), items[i] != Tools);
  }
  EXPECT_EQ(Button->Top(), button.top + h);
  EXPECT_EQ(Tall->Top(), tall.top + h);
  EXPECT_EQ(Tall->Height(), tall.bottom - tall.top);
  EXPECT_EQ(Low->Top(), low.top + h) << "follows the grown client area's bottom";
  Engine->UnskinHandle(Form->Handle());
  Run();
  EXPECT_EQ(Form->Menu(), Menu);
  EXPECT_EQ(Form->ClientHeight(), ch);
  EXPECT_TRUE(SameRect(Button->BoundsRect(), button));
  EXPECT_TRUE(SameRect(Tall->BoundsRect(), tall));
  EXPECT_TRUE(SameRect(Low->BoundsRect(), low));
}

// A button without sub-items clicks its item; one with sub-items opens them (drawn as open
// meanwhile) and the chosen item runs after the menu closed; the hidden menu's shortcut works.
TEST_F(SwSkinMenuBarTest, ButtonsOpenOrClickAndShortcutsStillWork) {
  TswSkinWindowVCL* w = Skin("harbour");
  ASSERT_NE(w, nullptr);
  TswSkinMenuBar* bar = w->MenuBar();
  TswSkinMenuBarButton* help = bar->ButtonOf(Help);
  TswSkinMenuBarButton* file = bar->ButtonOf(File);
  ASSERT_TRUE(help && file);
  ClickAt(help, 6, 6);
  EXPECT_EQ(Helped, 1);
  int tagWhileOpen = -1;
  MoveTo(file, 6, 6);
  // The timer starts now, so it runs inside the menu's loop.
  MenuBarTestLater(Form, [&] {
    tagWhileOpen = file->Tag();
    InjectKey(VK_DOWN, true);
    InjectKey(VK_DOWN, false);
    InjectKey(VK_RETURN, true);
    InjectKey(VK_RETURN, false);
  });
  const POINT at = Screen(file, 6, 6);
  InjectMouseButton(at.x, at.y, 0, true);
  Run();
  InjectMouseButton(at.x, at.y, 0, false);
  Run();
  EXPECT_EQ(tagWhileOpen, TswSkinMenuBarButton::HotTag);
  EXPECT_EQ(Opened, 1);
  EXPECT_EQ(Helped, 1);
  // Ctrl+O reaches the menu that is no longer on the form.
  SetActiveWindow(Form->Handle());
  Button->SetFocus();
  Run();
  InjectKey(VK_CONTROL, true);
  InjectKey('O', true);
  InjectKey('O', false);
  InjectKey(VK_CONTROL, false);
  Run();
  EXPECT_EQ(Opened, 2);
}

// Enter while an item without sub-items is hot runs it once; a hot item with sub-items does not.
TEST_F(SwSkinMenuBarTest, EnterOnAHotItemRunsIt) {
  TswSkinWindowVCL* w = Skin("prism");
  ASSERT_NE(w, nullptr);
  TswSkinMenuBar* bar = w->MenuBar();
  TswSkinMenuBarButton* help = bar->ButtonOf(Help);
  ASSERT_NE(help, nullptr);
  SendMessage(bar->Handle(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(Helped, 0) << "nothing is hot";
  MoveTo(help, 6, 6);
  EXPECT_TRUE(help->Hot());
  EXPECT_EQ(help->Tag(), TswSkinMenuBarButton::HotTag);
  SendMessage(bar->Handle(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(Helped, 1);
  MoveTo(bar->ButtonOf(File), 6, 6);
  EXPECT_EQ(help->Tag(), 0);
  SendMessage(bar->Handle(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(Helped, 1);
  EXPECT_EQ(Opened, 0);
}

// A menu freed while the form is skinned takes the bar's buttons along; skinning and unskinning
// many times keeps the menu on the form.
TEST_F(SwSkinMenuBarTest, MenuSurvivesManySkinningsAndMayGoWhileSkinned) {
  Skin("prism");
  for (int i = 0; i < 20; ++i) {
    Engine->UnskinHandle(Form->Handle());
    ASSERT_EQ(Form->Menu(), Menu);
    Engine->SkinForm(Form);
    ASSERT_EQ(Form->Menu(), nullptr);
  }
  Run();
  auto* w = dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(Form->Handle()));
  ASSERT_NE(w, nullptr);
  delete Menu;
  Menu = nullptr;
  Run();
  EXPECT_EQ(w->MenuBar()->ButtonCount(), 0);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_MENUBARHEIGHT, 0, 0), 0);
  Engine->UnskinHandle(Form->Handle());
  EXPECT_EQ(Form->Menu(), nullptr);
}

TEST_F(SwSkinMenuBarTest, GoldenMenuBar) {
  for (const char* skin : {"harbour", "prism"}) {
    Skin(skin);
    InjectMouseMove(2, 2);
    SetActiveWindow(Form->Handle());
    SendMessage(Form->Handle(), WM_NCACTIVATE, TRUE, 0);
    ExpectGolden(std::string("swmenubar_") + skin + ".png");
    delete Engine;
    Engine = nullptr;
    Run();
  }
}

// A checked item without an image shows the skin's check mark, or our own mark with a skin that
// has none; an item with a picture of its own shows it stretched into the image place.
TEST_F(SwSkinMenuBarTest, CheckMarksAndItemPictures) {
  // A copy of harbour without its check-mark picture.
  char tmpl[] = "/tmp/orv_swmenucheck_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::filesystem::copy(SourceDir() + "/data/swskins/harbour", dir + "/skin");
  {
    std::ifstream in(dir + "/skin/keys.txt");
    std::string all, line;
    while (std::getline(in, line))
      if (line.rfind("SKIN2_CHECKEDMENUICON=", 0) != 0) all += line + "\n";
    in.close();
    std::ofstream(dir + "/skin/keys.txt") << all;
  }
  const std::string pack = BinaryDir() + "/tools/mkswskin pack " + dir + "/skin " + dir + "/plain.ssk";
  ASSERT_EQ(std::system(pack.c_str()), 0) << pack;
  auto* popup = new TPopupMenu(Form);
  auto* checked = Item(popup->Items(), "Checked");
  checked->SetChecked(true);
  auto* pictured = Item(popup->Items(), "Pictured");
  TBitmap red;
  red.SetPixelFormat(pf24bit);
  red.SetSize(8, 8);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(RECT{0, 0, 8, 8});
  pictured->SetBitmap(&red);
  for (const std::string& skin : {SourceDir() + "/data/swskins/harbour.ssk", dir + "/plain.ssk"}) {
    SCOPED_TRACE(skin);
    auto* e = new TswSkinEngine(Form);
    e->SetSkinFile(skin);
    ASSERT_TRUE(e->Ready());
    e->SetActive(true);
    TBitmap b, plain;
    for (TBitmap* x : {&b, &plain}) {
      x->SetPixelFormat(pf24bit);
      x->SetSize(160, 24);
    }
    checked->SetChecked(false);
    e->DrawMenuItem(checked, plain.Canvas(), RECT{0, 0, 160, 24}, false);
    checked->SetChecked(true);
    e->DrawMenuItem(checked, b.Canvas(), RECT{0, 0, 160, 24}, false);
    int marked = 0;
    for (int y = 3; y < 19; ++y)
      for (int x = 4; x < 20; ++x)
        if (b.Canvas()->Pixels(x, y) != plain.Canvas()->Pixels(x, y)) ++marked;
    EXPECT_GT(marked, 8) << "a check mark in the left bar";
    e->DrawMenuItem(pictured, b.Canvas(), RECT{0, 0, 160, 24}, false);
    EXPECT_EQ(b.Canvas()->Pixels(12, 11), ColorToRGB(clRed));
    EXPECT_EQ(b.Canvas()->Pixels(28, 11), ColorToRGB(e->SkinColor(11)));
    delete e;
  }
  std::filesystem::remove_all(dir);
}

// Alt with an item's accelerator opens it from the bar (or clicks an item without sub-items);
// a letter no item marks does nothing.
TEST_F(SwSkinMenuBarTest, AltWithAnAcceleratorOpensTheItem) {
  TswSkinWindowVCL* w = Skin("harbour");
  ASSERT_NE(w, nullptr);
  TswSkinMenuBar* bar = w->MenuBar();
  EXPECT_EQ(bar->ButtonOfAccelerator('f'), bar->ButtonOf(File));
  EXPECT_EQ(bar->ButtonOfAccelerator('H'), bar->ButtonOf(Help));
  EXPECT_EQ(bar->ButtonOfAccelerator('T'), nullptr) << "Tools is disabled";
  EXPECT_EQ(bar->ButtonOfAccelerator('X'), nullptr);
  SetActiveWindow(Form->Handle());
  Button->SetFocus();
  Run();
  auto alt = [&](WORD Key) {
    InjectKey(VK_MENU, true);
    InjectKey(Key, true);
    InjectKey(Key, false);
    InjectKey(VK_MENU, false);
  };
  alt('H');
  Run();
  EXPECT_EQ(Helped, 1);
  int tagWhileOpen = -1;
  alt('F');
  MenuBarTestLater(Form, [&] {
    tagWhileOpen = bar->ButtonOf(File)->Tag();
    InjectKey(VK_ESCAPE, true);
    InjectKey(VK_ESCAPE, false);
  });
  Run();
  EXPECT_EQ(tagWhileOpen, TswSkinMenuBarButton::HotTag);
  EXPECT_EQ(Opened, 0);
  alt('X');
  Run();
  EXPECT_EQ(Helped, 1);
}

// A main menu whose Tag is the engine's DisabledTag stays on the window layer's menu row, above
// the client area.
TEST_F(SwSkinMenuBarTest, DisabledMenuStaysOnTheForm) {
  Menu->SetTag(9999);
  Run();
  TswSkinWindowVCL* w = Skin("prism");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Form->Menu(), Menu);
  EXPECT_NE(GetMenu(Form->Handle()), nullptr);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_MENUBARHEIGHT, 0, 0), 0);
  RECT row{}, wr{};
  ASSERT_TRUE(GetMenuBarRect(Form->Handle(), &row));
  GetWindowRect(Form->Handle(), &wr);
  POINT o{0, 0};
  ClientToScreen(Form->Handle(), &o);
  EXPECT_GE(o.y - wr.top, row.bottom) << "the client area starts below the menu row";
}
