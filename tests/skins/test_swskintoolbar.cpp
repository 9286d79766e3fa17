// The skinned tool bar and menu bar draw through the tool bar's custom-draw events: the tool
// bar gradient (or picture) behind the buttons, hot, pressed and down buttons in the skin's tool
// bar colours with the drop-down arrow, the events gone with the skin; the menu bar from its own
// picture and colours, its hot button Tag 888.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "paneltest.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/menus.h"
#include "skins/swskinengine.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinwindow.h"

namespace {

enum { kTbTestStart = 16, kTbTestEnd = 17, kTbTestOn = 18, kTbTestBorder = 19, kTbTestDown = 20 };

class SwSkinToolBarTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    Form->SetCaption("Tool bar");
    Form->SetBounds(40, 40, 360, 220);
    Bar = new TToolBar(Form);
    Bar->SetParent(Form);
    Bar->SetFlat(false);
    for (TToolButtonStyle st : {tbsButton, tbsCheck, tbsDropDown, tbsButton}) {
      auto* b = new TToolButton(Form);
      b->SetParent(Bar);
      b->SetStyle(st);
      B.push_back(b);
    }
    B[1]->SetDown(true);
    Run();
  }
  TswSkinEngine* Skin(const std::string& File) {
    auto* e = new TswSkinEngine(Form);
    e->SetSkinFile(File);
    EXPECT_TRUE(e->Ready());
    e->SetActive(true);
    e->SkinForm(Form);
    Run();
    return e;
  }
  COLORREF At(TControl* C, int X, int Y) {
    const RECT r = C->BoundsRect();
    return PixelOf(Bar, r.left + X, r.top + Y);
  }
  COLORREF Rgb(TswSkinEngine* E, int Colour) { return ColorToRGB(E->SkinColor(Colour)); }
  TToolBar* Bar = nullptr;
  std::vector<TToolButton*> B;
};

// A folder with a copy of harbour whose keys also name a menu-bar and a tool-bar picture, each
// of one colour, packed into "pictures.ssk".
std::string ToolBarTestPictureSkin(const std::string& Dir) {
  std::filesystem::copy(SourceDir() + "/data/swskins/harbour", Dir + "/skin");
  for (auto [name, colour] : {std::pair<const char*, TColor>{"menubar.bmp", clRed}, {"toolbar.bmp", clBlue}}) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(8, 8);
    b.Canvas()->Brush()->SetColor(colour);
    b.Canvas()->FillRect(RECT{0, 0, 8, 8});
    b.SaveToFile(Dir + "/skin/" + name);
  }
  std::ofstream(Dir + "/skin/keys.txt", std::ios::app) << "SKIN2_MENUBAR=menubar.bmp\nSKIN2_TOOLBAR=toolbar.bmp\n";
  const std::string pack = BinaryDir() + "/tools/mkswskin pack " + Dir + "/skin " + Dir + "/pictures.ssk";
  EXPECT_EQ(std::system(pack.c_str()), 0) << pack;
  return Dir + "/pictures.ssk";
}

}  // namespace

TEST_F(SwSkinToolBarTest, ButtonsInTheSkinsToolBarColours) {
  TswSkinEngine* e = Skin(SourceDir() + "/data/swskins/harbour.ssk");
  ASSERT_TRUE(Bar->OnCustomDraw);
  ASSERT_TRUE(Bar->OnCustomDrawButton);
  EXPECT_TRUE(Bar->Flat());
  // Background: the gradient from the start colour at the top to the end colour at the bottom.
  EXPECT_EQ(PixelOf(Bar, Bar->Width() - 2, 0), Rgb(e, kTbTestStart));
  EXPECT_EQ(PixelOf(Bar, Bar->Width() - 2, Bar->Height() - 1), Rgb(e, kTbTestEnd));
  // A plain button is the tool bar's own: flat, the background shows through.
  const int mx = B[0]->Width() / 2, my = B[0]->Height() / 2;
  EXPECT_NE(At(B[0], mx, my), Rgb(e, kTbTestOn));
  // A down (checked) button not under the mouse: the hot look, framed in the border colour.
  EXPECT_EQ(At(B[1], mx, my), Rgb(e, kTbTestOn));
  EXPECT_EQ(At(B[1], 0, 0), Rgb(e, kTbTestBorder));
  // Under the mouse: hot; pressed: the pressed look.
  MoveTo(B[0], mx, my);
  EXPECT_EQ(At(B[0], mx, my), Rgb(e, kTbTestOn));
  Press(B[0], mx, my);
  EXPECT_EQ(At(B[0], mx, my), Rgb(e, kTbTestDown));
  Release(B[0], mx, my);
  // A hot drop-down button: the arrow in black and the line before it.
  MoveTo(B[2], 3, 3);
  const int R = B[2]->Width(), c = B[2]->Height() / 2;
  EXPECT_EQ(At(B[2], R - 7, c), RGB(0, 0, 0));
  EXPECT_EQ(At(B[2], R - 14, 2), RGB(0, 0, 0));
  EXPECT_EQ(At(B[2], R - 12, 2), Rgb(e, kTbTestOn));
  // The skin goes: the events go, the bar is as it was.
  e->SetActive(false);
  Run();
  EXPECT_FALSE(Bar->OnCustomDraw);
  EXPECT_FALSE(Bar->OnCustomDrawButton);
  EXPECT_FALSE(Bar->Flat());
  e->SetActive(true);
  Run();
  EXPECT_TRUE(Bar->OnCustomDraw);
  delete e;
  Run();
  EXPECT_FALSE(Bar->OnCustomDraw) << "the skinner's events leave with it";
  EXPECT_FALSE(Bar->OnCustomDrawButton);
  Bar->Invalidate();
  Run();
}

TEST_F(SwSkinToolBarTest, GoldenSkinnedToolBar) {
  const char* captions[] = {"Open", "Check", "Drop", "Plain"};
  for (int i = 0; i < 4; ++i) B[i]->SetCaption(captions[i]);
  Bar->SetShowCaptions(true);
  Bar->SetHeight(40);
  TswSkinEngine* e = Skin(SourceDir() + "/data/swskins/prism.ssk");
  MoveTo(B[0], 4, 4);
  ExpectGolden("swtoolbar_prism.png");
  delete e;
  Run();
}

// Each bar takes its own picture: the tool bar the skin's tool bar picture, the menu bar the
// menu bar picture; the menu bar lies above the tool bar; a hot menu-bar button has Tag 888
// and the top-selected colour.
TEST_F(SwSkinToolBarTest, ToolBarAndMenuBarPictures) {
  char tmpl[] = "/tmp/orv_swtoolbar_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  auto* menu = new TMainMenu(Form);
  for (const char* caption : {"&File", "&Help"}) {
    auto* i = new TMenuItem(Form);
    i->SetCaption(caption);
    menu->Items()->Add(i);
  }
  Form->SetMenu(menu);
  Run();
  TswSkinEngine* e = Skin(ToolBarTestPictureSkin(dir));
  auto* w = dynamic_cast<TswSkinWindowVCL*>(e->FindWindow(Form->Handle()));
  ASSERT_NE(w, nullptr);
  TswSkinMenuBar* mb = w->MenuBar();
  ASSERT_NE(mb, nullptr);
  ASSERT_TRUE(mb->Visible());
  ASSERT_TRUE(mb->OnCustomDraw);
  // The menu bar is above the form's tool bar.
  EXPECT_EQ(mb->Top(), 0);
  EXPECT_EQ(Bar->Top(), mb->Height());
  EXPECT_EQ(PixelOf(mb, mb->Width() - 2, mb->Height() / 2), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(Bar, Bar->Width() - 2, Bar->Height() / 2), RGB(0, 0, 255));
  TToolButton* help = mb->Buttons(1);
  EXPECT_EQ(help->Tag(), 0);
  const POINT p = help->ClientToScreen(POINT{2, help->Height() / 2});
  InjectMouseMove(p.x, p.y);
  Run();
  EXPECT_EQ(help->Tag(), TswSkinMenuBarButton::HotTag);
  const RECT hr = help->BoundsRect();
  EXPECT_EQ(PixelOf(mb, hr.left + 2, hr.top + 3), ColorToRGB(e->SkinColor(5)));
  EXPECT_EQ(mb->Buttons(0)->Tag(), 0);
  delete e;
  Run();
  EXPECT_EQ(Bar->Top(), 0);
  std::filesystem::remove_all(dir);
}
