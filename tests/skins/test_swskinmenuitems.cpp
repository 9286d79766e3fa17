// Skinned menu rows of right-to-left menus (the mirror image of left-to-right ones, the caption
// kept clear of the bar) and the menu bar's drop-down menu taking AutoHotkeys from the menu of
// the hot button.
#include <gtest/gtest.h>

#include <string>

#include "paneltest.h"
#include "platform/vcl/menus.h"
#include "skins/swskinengine.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinwindow.h"

namespace {

constexpr int kMenuRowW = 200, kMenuRowH = 24;
enum { kMenuItemsClLeftBarStart = 9, kMenuItemsClItem = 11 };

class SwSkinMenuItemsTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    Engine = new TswSkinEngine(Form);
    Engine->SetSkinFile(SourceDir() + "/data/swskins/harbour.ssk");
    ASSERT_TRUE(Engine->Ready());
    Engine->SetActive(true);
    Popup = new TPopupMenu(Form);
  }
  TMenuItem* Item(const std::string& Caption) {
    auto* i = new TMenuItem(Form);
    i->SetCaption(Caption);
    Popup->Items()->Add(i);
    return i;
  }
  // The row of Item drawn by the engine, in the menu's reading order.
  void Draw(TMenuItem* Item, TBiDiMode Mode, TBitmap* Into) {
    Popup->SetBiDiMode(Mode);
    Into->SetPixelFormat(pf24bit);
    Into->SetSize(kMenuRowW, kMenuRowH);
    Engine->DrawMenuItem(Item, Into->Canvas(), RECT{0, 0, kMenuRowW, kMenuRowH}, false);
  }
  // Pixels of A and B that differ inside columns [X1, X2).
  static int Differ(TBitmap* A, TBitmap* B, int X1, int X2) {
    int n = 0;
    for (int y = 0; y < kMenuRowH; ++y)
      for (int x = X1; x < X2; ++x)
        if (A->Canvas()->Pixels(x, y) != B->Canvas()->Pixels(x, y)) ++n;
    return n;
  }
  TswSkinEngine* Engine = nullptr;
  TPopupMenu* Popup = nullptr;
};

}  // namespace

TEST_F(SwSkinMenuItemsTest, RightToLeftRowsAreMirrored) {
  const COLORREF barStart = ColorToRGB(Engine->SkinColor(kMenuItemsClLeftBarStart));
  const COLORREF itemColour = ColorToRGB(Engine->SkinColor(kMenuItemsClItem));
  TMenuItem* plain = Item("");
  TMenuItem* text = Item("Wide caption");
  TMenuItem* checked = Item("");
  checked->SetChecked(true);
  TMenuItem* pictured = Item("");
  TBitmap red;
  red.SetPixelFormat(pf24bit);
  red.SetSize(8, 8);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(RECT{0, 0, 8, 8});
  pictured->SetBitmap(&red);
  TMenuItem* separator = Item("-");
  TBitmap ltr, rtl, empty;
  // The bar: at the left edge, or at the right edge, its start colour outside.
  Draw(plain, bdLeftToRight, &ltr);
  Draw(plain, bdRightToLeft, &rtl);
  EXPECT_EQ(ltr.Canvas()->Pixels(0, 10), barStart);
  EXPECT_EQ(rtl.Canvas()->Pixels(kMenuRowW - 1, 10), barStart);
  EXPECT_EQ(rtl.Canvas()->Pixels(1, 10), itemColour);
  EXPECT_EQ(ltr.Canvas()->Pixels(kMenuRowW - 2, 10), itemColour);
  empty.Assign(&rtl);
  // Check mark and picture at the right edge, in the mirrored place.
  struct Case {
    const char* name;
    TMenuItem* item;
  };
  for (const Case& k : {Case{"check mark", checked}, Case{"picture", pictured}}) {
    SCOPED_TRACE(k.name);
    Draw(k.item, bdRightToLeft, &rtl);
    EXPECT_GT(Differ(&rtl, &empty, kMenuRowW - 20, kMenuRowW - 4), 8);
    EXPECT_EQ(Differ(&rtl, &empty, 0, kMenuRowW - 26), 0);
  }
  Draw(pictured, bdRightToLeft, &rtl);
  EXPECT_EQ(rtl.Canvas()->Pixels(kMenuRowW - 12, 11), RGB(255, 0, 0));
  Draw(pictured, bdLeftToRight, &ltr);
  EXPECT_EQ(ltr.Canvas()->Pixels(11, 11), RGB(255, 0, 0));
  // The caption right-aligned, clear of the bar.
  Draw(text, bdRightToLeft, &rtl);
  EXPECT_EQ(Differ(&rtl, &empty, kMenuRowW - 30, kMenuRowW), 0);
  EXPECT_GT(Differ(&rtl, &empty, kMenuRowW - 80, kMenuRowW - 30), 10);
  EXPECT_EQ(Differ(&rtl, &empty, 0, 60), 0);
  // The separator line from left + 2 to right - 30.
  Draw(separator, bdRightToLeft, &rtl);
  const COLORREF line = rtl.Canvas()->Pixels(2, 2);
  EXPECT_NE(line, itemColour);
  EXPECT_EQ(rtl.Canvas()->Pixels(kMenuRowW - 31, 2), line);
  EXPECT_EQ(rtl.Canvas()->Pixels(kMenuRowW - 29, 2), itemColour);
  EXPECT_EQ(rtl.Canvas()->Pixels(1, 2), itemColour);
}

TEST_F(SwSkinMenuItemsTest, MenusFollowTheirFormsReadingOrderUnlessGivenTheirOwn) {
  EXPECT_EQ(Popup->BiDiMode(), bdLeftToRight);
  Form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(Popup->BiDiMode(), bdRightToLeft);
  EXPECT_FALSE(Popup->IsBiDiModeStored());
  Popup->SetBiDiMode(bdLeftToRight);
  EXPECT_EQ(Popup->BiDiMode(), bdLeftToRight);
  EXPECT_TRUE(Popup->IsBiDiModeStored());
  Form->SetBiDiMode(bdLeftToRight);
}

TEST_F(SwSkinMenuItemsTest, DropDownMenuTakesAutoHotkeysOfTheHotButtonsMenu) {
  auto* menu = new TMainMenu(Form);
  for (const char* caption : {"&File", "&Help"}) {
    auto* i = new TMenuItem(Form);
    i->SetCaption(caption);
    menu->Items()->Add(i);
  }
  menu->SetAutoHotkeys(maManual);
  Form->SetMenu(menu);
  Engine->SkinForm(Form);
  Run();
  auto* w = dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(Form->Handle()));
  ASSERT_NE(w, nullptr);
  TswSkinMenuBar* bar = w->MenuBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->ButtonCount(), 2);
  struct Case {
    const char* name;
    int hot;  // the button with Tag 888, or -1
    TMenuAutoFlag menuFlag, before, want;
  };
  const Case cases[] = {
      {"hot button's menu is manual", 1, maManual, maAutomatic, maManual},
      {"hot button's menu is automatic", 0, maAutomatic, maManual, maAutomatic},
      {"no hot button", -1, maManual, maAutomatic, maAutomatic},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    menu->SetAutoHotkeys(k.menuFlag);
    auto* drop = new TPopupMenu(nullptr);
    drop->SetAutoHotkeys(k.before);
    bar->InsertComponent(drop);
    ASSERT_TRUE(drop->OnPopup);
    for (int i = 0; i < bar->ButtonCount(); ++i)
      bar->Buttons(i)->SetTag(i == k.hot ? TswSkinMenuBarButton::HotTag : 0);
    drop->OnPopup(drop);
    EXPECT_EQ(drop->AutoHotkeys(), k.want);
    delete drop;
  }
}
