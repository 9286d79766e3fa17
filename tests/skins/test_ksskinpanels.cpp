// The skin panels: geometry, rolling, caption buttons, check boxes, and their looks (golden
// images in the default look and in the skin "Slate", rolled and unrolled).
#include <vector>

#include "paneltest.h"
#include "skins/ksskinobjects.h"

namespace {

class KsSkinPanelTest : public PanelFormTest {};

// The main window's left pane as the application places it.
class KsSkinExPanelTest : public PanelFormTest {
protected:
  TksSkinExPanel* MakeLeftPane() {
    auto* p = new TksSkinExPanel(Form);
    p->SetParent(Form);
    p->SetCaption("select photo path");
    p->DefaultFont()->SetName("SimSun");
    p->DefaultFont()->SetHeight(-12);
    p->DefaultFont()->SetColor(clBlue);
    p->DefaultFont()->SetCharset(134);
    p->SetDefaultCaptionHeight(21);
    p->SetShowRollButton(true);
    p->SetShowCloseButton(false);
    p->SetRollKind(ks::rkRollHorizontal);
    p->SetBounds(0, 0, 224, 300);
    p->SetAlign(alLeft);
    Tree = new TPanel(Form);
    Tree->SetParent(p);
    Tree->SetHeight(100);
    Tree->SetAlign(alTop);
    Rest = new TPanel(Form);
    Rest->SetParent(p);
    Rest->SetAlign(alClient);
    Run();
    return p;
  }
  TPanel* Tree = nullptr;
  TPanel* Rest = nullptr;
};

}  // namespace

TEST_F(KsSkinExPanelTest, LeftPaneGeometry) {
  TksSkinExPanel* p = MakeLeftPane();
  EXPECT_EQ(p->SkinDataName(), "expanel");
  EXPECT_TRUE(SameRect(p->Button(TksSkinExPanel::RollButton).ButtonRect, RECT{207, 3, 222, 18}));
  EXPECT_TRUE(SameRect(Tree->BoundsRect(), RECT{1, 21, 223, 121}));
  EXPECT_TRUE(SameRect(Rest->BoundsRect(), RECT{1, 121, 223, p->Height() - 1}));
  // The roll button shows a left-pointing arrow: its tip column at cx - 2.
  EXPECT_EQ(PixelOf(p, 212, 10), COLORREF(0));
  EXPECT_EQ(PixelOf(p, 215, 7), COLORREF(0));  // the last column, 7 pixels high
  EXPECT_NE(PixelOf(p, 212, 9), COLORREF(0));
}

TEST_F(KsSkinExPanelTest, RollButtonRollsToAStripAndBack) {
  TksSkinExPanel* p = MakeLeftPane();
  int changes = 0;
  p->OnChangeRollState = [&](TObject*) { ++changes; };
  ClickAt(p, 214, 10);
  EXPECT_TRUE(p->RollState());
  EXPECT_EQ(p->Width(), 21);
  EXPECT_EQ(p->RealWidth(), 224);
  EXPECT_FALSE(Tree->Visible());
  EXPECT_FALSE(Rest->Visible());
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(SameRect(p->Button(TksSkinExPanel::RollButton).ButtonRect, RECT{3, 3, 18, 18}));
  // Alignment and splitters cannot widen a rolled pane.
  p->SetWidth(300);
  EXPECT_EQ(p->Width(), 21);
  ClickAt(p, 10, 10);
  EXPECT_FALSE(p->RollState());
  EXPECT_EQ(p->Width(), 224);
  EXPECT_EQ(p->RealWidth(), 0);
  EXPECT_TRUE(Tree->Visible());
  EXPECT_TRUE(Rest->Visible());
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(SameRect(Tree->BoundsRect(), RECT{1, 21, 223, 121}));
}

TEST_F(KsSkinExPanelTest, ReleaseOutsideOnlyClearsThePress) {
  TksSkinExPanel* p = MakeLeftPane();
  Press(p, 214, 10);
  EXPECT_EQ(p->PressedButton(), TksSkinExPanel::RollButton);
  EXPECT_TRUE(p->Button(TksSkinExPanel::RollButton).Down);
  Release(p, 100, 100);
  EXPECT_FALSE(p->RollState());
  EXPECT_FALSE(p->Button(TksSkinExPanel::RollButton).Down);
  EXPECT_EQ(p->PressedButton(), -1);
  // Pressing, moving off and back on, and releasing runs the action.
  Press(p, 214, 10);
  MoveTo(p, 150, 10);
  EXPECT_FALSE(p->Button(TksSkinExPanel::RollButton).MouseIn);
  MoveTo(p, 215, 11);
  EXPECT_TRUE(p->Button(TksSkinExPanel::RollButton).MouseIn);
  Release(p, 215, 11);
  EXPECT_TRUE(p->RollState());
}

TEST_F(KsSkinExPanelTest, HotAndPressedLooks) {
  TksSkinExPanel* p = MakeLeftPane();
  MoveTo(p, 214, 10);
  EXPECT_EQ(p->HotButton(), TksSkinExPanel::RollButton);
  EXPECT_EQ(PixelOf(p, 207, 3), COLORREF(RGB(0, 0, 128)));
  EXPECT_EQ(PixelOf(p, 209, 5), COLORREF(RGB(182, 189, 210)));
  Press(p, 214, 10);
  EXPECT_EQ(PixelOf(p, 209, 5), COLORREF(RGB(133, 147, 181)));
  // The arrow moved one pixel right and down: its tip at (cx - 1, cy + 1).
  EXPECT_EQ(PixelOf(p, 213, 11), COLORREF(0));
  EXPECT_NE(PixelOf(p, 212, 10), COLORREF(0));
  Release(p, 150, 10);
  MoveTo(p, 100, 100);  // into a child: the pane hears that the mouse left it
  EXPECT_FALSE(p->Button(TksSkinExPanel::RollButton).MouseIn);
  EXPECT_EQ(PixelOf(p, 209, 5), ColorToRGB(clBtnFace));
}

TEST_F(KsSkinPanelTest, ExPanelWithBothButtons) {
  auto* p = new TksSkinExPanel(Form);
  p->SetParent(Form);
  p->SetBounds(10, 10, 200, 120);
  p->SetCaption("A caption long enough to be cut by the caption buttons");
  bool closed = false;
  p->OnClose = [&](TObject*) { closed = true; };
  Run();
  EXPECT_TRUE(SameRect(p->Button(TksSkinExPanel::CloseButton).ButtonRect, RECT{183, 3, 198, 18}));
  EXPECT_TRUE(SameRect(p->Button(TksSkinExPanel::RollButton).ButtonRect, RECT{168, 3, 183, 18}));
  // The caption text stops before W - 34.
  for (int y = 4; y < 17; ++y) EXPECT_EQ(PixelOf(p, 166, y), ColorToRGB(clBtnFace)) << y;
  // The roll button rolls it to its caption bar (the default kind), the close button hides it.
  ClickAt(p, 175, 10);
  EXPECT_TRUE(p->RollState());
  EXPECT_EQ(p->Height(), 21);
  EXPECT_EQ(p->RealHeight(), 120);
  ClickAt(p, 175, 10);
  EXPECT_EQ(p->Height(), 120);
  ClickAt(p, 190, 10);
  EXPECT_FALSE(p->Visible());
  EXPECT_TRUE(closed);
}

TEST_F(KsSkinPanelTest, PanelCaptionClickChecksAndRollsUp) {
  auto* p = new TksSkinPanel(Form);
  p->SetParent(Form);
  p->SetBounds(10, 10, 200, 150);
  p->SetCaption("Options");
  p->SetCaptionMode(true);
  p->SetCheckedMode(true);
  p->SetRollUpMode(true);
  auto* child = new TPanel(Form);
  child->SetParent(p);
  child->SetAlign(alClient);
  int checkedEvents = 0, rollEvents = 0;
  p->OnChecked = [&](TObject*) { ++checkedEvents; };
  p->OnChangeRollUpState = [&](TObject*) { ++rollEvents; };
  Run();
  EXPECT_TRUE(SameRect(child->BoundsRect(), RECT{1, 23, 199, 149}));
  ClickAt(p, 60, 10);
  EXPECT_TRUE(p->Checked());
  EXPECT_TRUE(child->Enabled());
  EXPECT_TRUE(p->RollUpState());
  EXPECT_EQ(p->Height(), 23);
  EXPECT_EQ(p->RealHeight(), 150);
  EXPECT_FALSE(child->Visible());
  ClickAt(p, 60, 10);
  EXPECT_FALSE(p->Checked());
  EXPECT_FALSE(child->Enabled());
  EXPECT_FALSE(p->RollUpState());
  EXPECT_EQ(p->Height(), 150);
  EXPECT_EQ(p->RealHeight(), -1);
  EXPECT_TRUE(child->Visible());
  EXPECT_EQ(checkedEvents, 2);
  EXPECT_EQ(rollEvents, 2);
  // A click below the caption does nothing.
  ClickAt(p, 60, 60);
  EXPECT_FALSE(p->Checked());
}

TEST_F(KsSkinPanelTest, PanelRollUpClearsAndRestoresConstraints) {
  auto* p = new TksSkinPanel(Form);
  p->SetParent(Form);
  p->SetBounds(10, 10, 200, 150);
  // Refused while RollUpMode is off.
  p->SetRollUpState(true);
  EXPECT_FALSE(p->RollUpState());
  p->Constraints().MinHeight = 100;
  p->SetRollUpMode(true);
  p->SetRollUpState(true);
  EXPECT_EQ(p->Constraints().MinHeight, 0);
  EXPECT_EQ(p->Height(), 23);
  p->SetRollUpState(false);
  EXPECT_EQ(p->Constraints().MinHeight, 100);
  EXPECT_EQ(p->Height(), 150);
}

TEST_F(KsSkinPanelTest, DisabledPanelShowsTheSecondGlyph) {
  auto* p = new TksSkinPanel(Form);
  p->SetParent(Form);
  p->SetBounds(10, 10, 200, 80);
  p->SetCaptionMode(true);
  p->SetCaption("Glyph");
  TBitmap strip;
  strip.SetSize(16, 8);
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(RECT{0, 0, 8, 8});
  strip.Canvas()->Brush()->SetColor(clLime);
  strip.Canvas()->FillRect(RECT{8, 0, 16, 8});
  strip.Canvas()->SetPixels(0, 7, clFuchsia);  // the key colour of each picture
  strip.Canvas()->SetPixels(8, 7, clFuchsia);
  p->SetGlyph(&strip);
  p->SetNumGlyphs(2);
  Run();
  // Glyph at x = R.Left + 2 = 4, vertically centred in (2, 2, 198, 20).
  EXPECT_EQ(PixelOf(p, 6, 9), COLORREF(RGB(255, 0, 0)));
  EXPECT_EQ(PixelOf(p, 4, 14), ColorToRGB(clBtnFace));  // the key pixel is transparent
  p->SetEnabled(false);
  Run();
  EXPECT_EQ(PixelOf(p, 6, 9), COLORREF(RGB(0, 255, 0)));
}

// ---- Looks ----
namespace {

// Three panels side by side: the left pane (horizontal roll), a panel rolling to its caption
// bar with both buttons, and a captioned panel with check box and roll-up marker.
struct TLookPanels {
  TksSkinExPanel* Left;
  TksSkinExPanel* Top;
  TksSkinPanel* Panel;
};

TLookPanels MakeLookPanels(TForm* Form, TksSkinData* Skin) {
  TLookPanels l{};
  l.Left = new TksSkinExPanel(Form);
  l.Left->SetParent(Form);
  l.Left->SetBounds(0, 0, 180, 300);
  l.Left->SetCaption("select photo path");
  l.Left->SetShowCloseButton(false);
  l.Left->SetRollKind(ks::rkRollHorizontal);
  l.Left->DefaultFont()->SetName("SimSun");
  l.Left->DefaultFont()->SetHeight(-12);
  l.Left->DefaultFont()->SetColor(clBlue);
  l.Top = new TksSkinExPanel(Form);
  l.Top->SetParent(Form);
  l.Top->SetBounds(200, 10, 280, 120);
  l.Top->SetCaption("Preview");
  l.Panel = new TksSkinPanel(Form);
  l.Panel->SetParent(Form);
  l.Panel->SetBounds(200, 150, 280, 130);
  l.Panel->SetCaption("drag photos Thumbnail  over here");
  l.Panel->SetCaptionMode(true);
  l.Panel->SetCheckedMode(true);
  l.Panel->SetChecked(true);
  l.Panel->SetRollUpMode(true);
  if (Skin) {
    l.Left->SetSkinData(Skin);
    l.Top->SetSkinData(Skin);
    l.Panel->SetSkinData(Skin);
  }
  return l;
}

void RollAll(const TLookPanels& L) {
  L.Left->SetRollState(true);
  L.Top->SetRollState(true);
  L.Panel->SetRollUpState(true);
}

}  // namespace

TEST_F(KsSkinPanelTest, DefaultLookGolden) {
  TLookPanels l = MakeLookPanels(Form, nullptr);
  ExpectGolden("default_unrolled.png");
  RollAll(l);
  EXPECT_EQ(l.Left->Width(), 21);
  EXPECT_EQ(l.Top->Height(), 21);
  EXPECT_EQ(l.Panel->Height(), 23);
  ExpectGolden("default_rolled.png");
}

TEST_F(KsSkinPanelTest, SlateLookGolden) {
  TksSkinData* skin = SlateSkin();
  TLookPanels l = MakeLookPanels(Form, skin);
  Run();
  EXPECT_EQ(l.Left->SkinIndex(), 0);
  EXPECT_EQ(l.Panel->SkinIndex(), 1);
  EXPECT_EQ(l.Left->ResizeMode(), 1);
  // Children go into the skin's client area, fitted to the size.
  EXPECT_TRUE(SameRect(l.Top->ResizedClientRect(), RECT{2, 26, 278, 118}));
  // The close button sits at the caption rectangle's right end, 15 x 15.
  EXPECT_TRUE(
      SameRect(l.Top->Button(TksSkinExPanel::CloseButton).ButtonRect, RECT{261, 3, 276, 18}));
  EXPECT_TRUE(
      SameRect(l.Top->Button(TksSkinExPanel::RollButton).ButtonRect, RECT{244, 3, 259, 18}));
  ExpectGolden("slate_unrolled.png");
  RollAll(l);
  EXPECT_EQ(l.Left->Width(), 25);  // the width of the skin's strip picture
  EXPECT_EQ(l.Top->Height(), 25);  // the height of the skin's caption-bar picture
  ExpectGolden("slate_rolled.png");
  // Hot caption button: the skin's hot chip.
  MoveTo(l.Top, 268, 10);
  EXPECT_EQ(l.Top->HotButton(), TksSkinExPanel::CloseButton);
  l.Left->SetRollState(false);
  l.Top->SetRollState(false);
  EXPECT_EQ(l.Left->Width(), 180);
  EXPECT_EQ(l.Top->Height(), 120);
}
