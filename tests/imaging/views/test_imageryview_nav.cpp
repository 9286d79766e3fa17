// The navigator of the single-image view and the binding of external bitmaps.
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

class ImageryViewNav : public ViewFixture {
protected:
  void SetUp() override {
    ViewFixture::SetUp();
    Nav = new TImageryView(Form);
    Nav->SetParent(Form);
    Nav->SetBorderStyle(TIEBorderStyle::bsNone);
    Nav->SetBounds(420, 0, 200, 160);
    Run();
  }
  TImageryView* Nav = nullptr;
};

TEST_F(ImageryViewNav, TheRectangleFollowsTheViewAndTheViewFollowsTheRectangle) {
  View->SetScrollBars(ssNone);
  Load(1000, 800);
  View->SetNavigator(Nav);
  EXPECT_TRUE(Nav->IsNavigator());
  EXPECT_TRUE(Nav->AutoFit());
  EXPECT_EQ(Nav->GetIEBitmap(), View->GetIEBitmap());
  EXPECT_DOUBLE_EQ(Nav->ZoomX(), 20);
  ASSERT_TRUE(Nav->Selected());
  EXPECT_EQ(Nav->SelX1(), 0);
  EXPECT_EQ(Nav->SelY1(), 0);
  View->SetViewOrigin(300, 200);
  EXPECT_EQ(Nav->SelX1(), 300);
  EXPECT_EQ(Nav->SelY1(), 200);
  // Moving the rectangle to the far right scrolls the view to its horizontal maximum.
  Nav->MoveSelection(10000, 0);
  Nav->OnSelectionChanging(Nav);
  int mx = 0, my = 0;
  View->GetMaxViewOrigin(mx, my);
  EXPECT_EQ(View->ViewX(), mx);
  EXPECT_EQ(View->ViewY(), 200);
  View->SetNavigator(nullptr);
  EXPECT_FALSE(Nav->IsNavigator());
  EXPECT_NE(Nav->GetIEBitmap(), View->GetIEBitmap());
}

TEST_F(ImageryViewNav, ANavigatorDestroyedFirstIsForgotten) {
  Load(500, 400);
  View->SetNavigator(Nav);
  delete Nav;
  Nav = nullptr;
  EXPECT_EQ(View->Navigator(), nullptr);
  View->SetViewOrigin(10, 10);
}

TEST_F(ImageryViewNav, AnExternalBitmapIsNotOwned) {
  auto* ext = new TIEBitmap();
  viewtest::MakeCoordPicture(*ext, 30, 20);
  Nav->SetExternalBitmap(ext);
  EXPECT_EQ(Nav->GetIEBitmap(), ext);
  EXPECT_EQ(Nav->ImageWidth(), 30);
  Nav->SetExternalBitmap(nullptr);
  EXPECT_NE(Nav->GetIEBitmap(), ext);
  EXPECT_EQ(ext->Width(), 30) << "still alive";
  delete ext;
}

}  // namespace
