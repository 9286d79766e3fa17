// The skin control base: default road, binding to a store, size fitting, window regions.
#include <memory>

#include "paneltest.h"
#include "skins/ksskinobjects.h"

namespace {

class KsSkinControlTest : public PanelFormTest {};

// A store holding one custom-control description "c" over a 20 x 10 picture.
TksSkinData* StoreWith(TForm* Owner, POINT RT, POINT RB, POINT LB = POINT{0, 0}) {
  auto* store = new TksSkinData(Owner);
  auto d = std::make_unique<TksDataSkinCustomControl>("c");
  d->PictureIndex = 0;
  d->SkinRect = RECT{0, 0, 20, 10};
  d->LTPoint = POINT{3, 3};
  d->RTPoint = RT;
  d->RBPoint = RB;
  d->LBPoint = LB;
  d->ClRect = RECT{2, 2, 18, 8};
  store->CtrlList.push_back(std::move(d));
  auto picture = std::make_unique<TBitmap>();
  picture->SetSize(20, 10);
  picture->Canvas()->Brush()->SetColor(clRed);
  picture->Canvas()->FillRect(RECT{0, 0, 20, 10});
  store->ActivePictures.push_back(std::move(picture));
  store->Empty = false;
  return store;
}

TksSkinCustomControl* MakeControl(TForm* Form, const std::string& Name) {
  auto* c = new TksSkinCustomControl(Form);
  c->SetParent(Form);
  c->SetSkinDataName(Name);
  c->SetBounds(10, 10, 60, 40);
  return c;
}

}  // namespace

TEST_F(KsSkinControlTest, SkinControlWithoutSkinFillsWithButtonFace) {
  TksSkinCustomControl* c = MakeControl(Form, "c");
  Run();
  EXPECT_EQ(c->SkinIndex(), -1);
  EXPECT_EQ(PixelOf(c, 0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(PixelOf(c, 59, 39), ColorToRGB(clBtnFace));
  EXPECT_EQ(c->DefaultFont()->Name(), "Arial");
  EXPECT_EQ(c->DefaultFont()->Height(), 14);
}

TEST_F(KsSkinControlTest, SkinControlBinding) {
  TksSkinCustomControl* c = MakeControl(Form, "c");
  auto* empty = new TksSkinData(Form);
  c->SetSkinData(empty);  // an empty store changes nothing
  Run();
  EXPECT_EQ(c->SkinIndex(), -1);
  EXPECT_EQ(c->Width(), 60);
  TksSkinData* store = StoreWith(Form, POINT{17, 3}, POINT{17, 7}, POINT{3, 7});
  TksSkinCustomControl* other = MakeControl(Form, "nosuch");
  other->SetSkinData(store);
  Run();
  EXPECT_EQ(other->SkinIndex(), -1);  // a skin without a description of that name
  delete other;
  c->SetSkinData(store);
  Run();
  EXPECT_EQ(c->SkinIndex(), 0);
  EXPECT_EQ(c->ResizeMode(), 1);
  EXPECT_EQ(PixelOf(c, 30, 20), COLORREF(RGB(255, 0, 0)));
  // The store goes: the control forgets it and draws its default look again.
  delete store;
  EXPECT_EQ(c->SkinData(), nullptr);
  c->Invalidate();
  Run();
  EXPECT_EQ(PixelOf(c, 30, 20), ColorToRGB(clBtnFace));
}

TEST_F(KsSkinControlTest, SkinControlResizeModes) {
  struct Case {
    POINT RT, RB, LB;
    int Mode, Width, Height;
  } cases[] = {
      {{10, 0}, {0, 5}, {0, 0}, 2, 60, 10},   // heights are the skin's
      {{0, 0}, {0, 0}, {0, 7}, 3, 20, 40},    // widths are the skin's
      {{0, 0}, {0, 0}, {0, 0}, 0, 20, 10},    // the skin's size
      {{17, 3}, {17, 7}, {3, 7}, 1, 60, 40},  // any size
  };
  for (const Case& k : cases) {
    TksSkinData* store = StoreWith(Form, k.RT, k.RB, k.LB);
    TksSkinCustomControl* c = MakeControl(Form, "c");
    c->SetSkinData(store);
    EXPECT_EQ(c->ResizeMode(), k.Mode);
    EXPECT_EQ(c->Width(), k.Width) << k.Mode;
    EXPECT_EQ(c->Height(), k.Height) << k.Mode;
    c->SetBounds(10, 10, 70, 50);
    if (k.Mode == 2) {
      EXPECT_EQ(c->Height(), 10);
    }
    if (k.Mode == 3) {
      EXPECT_EQ(c->Width(), 20);
    }
    delete c;
    delete store;
  }
}

TEST_F(KsSkinControlTest, SkinControlDefaultSize) {
  TksSkinCustomControl* c = MakeControl(Form, "c");
  c->SetDefaultWidth(80);
  EXPECT_EQ(c->Width(), 80);
  c->SetSkinData(StoreWith(Form, POINT{17, 3}, POINT{17, 7}, POINT{3, 7}));
  c->SetDefaultWidth(90);  // with a description the value is only stored
  EXPECT_EQ(c->DefaultWidth(), 90);
  EXPECT_EQ(c->Width(), 80);
}

TEST_F(KsSkinControlTest, SkinControlRepaintsWhenTheDefaultFontChanges) {
  TksSkinCustomControl* c = MakeControl(Form, "c");
  Run();
  RECT r{};
  EXPECT_FALSE(GetUpdateRect(c->Handle(), &r, FALSE));
  c->DefaultFont()->SetHeight(20);
  EXPECT_TRUE(GetUpdateRect(c->Handle(), &r, FALSE));
}

TEST_F(KsSkinControlTest, MaskGivesTheWindowItsOutline) {
  auto* p = new TksSkinExPanel(Form);
  p->SetParent(Form);
  p->SetBounds(10, 10, 200, 120);
  p->SetSkinData(SlateSkin());
  Run();
  ASSERT_NE(p->SkinMaskPicture(), nullptr);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(p->Handle(), rgn), 0);
  // The top corners are cut round; the rest of the pane is inside.
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, 199, 0));
  EXPECT_TRUE(PtInRegion(rgn, 2, 0));
  EXPECT_TRUE(PtInRegion(rgn, 100, 60));
  EXPECT_TRUE(PtInRegion(rgn, 0, 119));
  EXPECT_TRUE(PtInRegion(rgn, 199, 119));
  // A new size cuts a new outline.
  p->SetBounds(10, 10, 300, 150);
  ASSERT_NE(GetWindowRgn(p->Handle(), rgn), 0);
  EXPECT_FALSE(PtInRegion(rgn, 299, 0));
  EXPECT_TRUE(PtInRegion(rgn, 299, 149));
  DeleteObject(rgn);
}

// A description whose skin rectangle reaches outside its picture draws and fits nothing.
TEST_F(KsSkinControlTest, SkinRectangleOutsideItsPictureIsIgnored) {
  TksSkinData* store = StoreWith(Form, POINT{0, 0}, POINT{0, 0});
  static_cast<TksDataSkinCustomControl*>(store->CtrlList[0].get())->SkinRect =
      RECT{0, 0, 2000000000, 10};
  TksSkinCustomControl* c = MakeControl(Form, "c");
  c->SetSkinData(store);
  Run();
  EXPECT_EQ(c->SkinIndex(), 0);
  EXPECT_EQ(c->ResizeMode(), -1);
  EXPECT_EQ(c->Width(), 60);
  EXPECT_EQ(c->Height(), 40);
}
