// Painting of the single-image view: the background pass and its hiding test, the background
// styles around the image, the version line, and screenshots of the view in several states
// against golden images.
#include "platform/vcl/extctrls.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

class ImageryViewPaint : public ViewFixture {
protected:
  void SetUp() override {
    ViewFixture::SetUp();
    View->SetScrollBars(ssNone);
  }
  bool IsColor(TIERGBPixel p, uint8_t r, uint8_t g, uint8_t b) { return p.r == r && p.g == g && p.b == b; }
};

TEST_F(ImageryViewPaint, AOnePixelImageDrawsOnlyTheBackground) {
  View->SetBackground(0x203040);
  Load(1, 1);
  PaintNow();
  for (int y : {0, 150, 299})
    for (int x : {0, 200, 399}) EXPECT_TRUE(IsColor(Back(x, y), 0x40, 0x30, 0x20)) << x << "," << y;
}

TEST_F(ImageryViewPaint, AnOpaqueImageCoveringTheAreaSkipsTheBackground) {
  int backgrounds = 0;
  View->OnDrawBackground = [&](TObject*, TCanvas*, const RECT&, bool&) { ++backgrounds; };
  Load(800, 600);
  PaintNow();
  EXPECT_EQ(backgrounds, 0);
  Load(100, 100);
  PaintNow();
  EXPECT_EQ(backgrounds, 1);
}

TEST_F(ImageryViewPaint, AHandledBackgroundKeepsTheOldContent) {
  View->SetBackground(0x0000FF);
  Load(100, 100);
  PaintNow();
  EXPECT_TRUE(IsColor(Back(5, 5), 255, 0, 0));
  View->OnDrawBackground = [&](TObject*, TCanvas*, const RECT&, bool& Handled) { Handled = true; };
  View->SetBackground(0x00FF00);
  PaintNow();
  EXPECT_TRUE(IsColor(Back(5, 5), 255, 0, 0)) << "the previous frame's background stays";
}

TEST_F(ImageryViewPaint, TheZoomedImageLandsOnExactPixels) {
  View->SetCenter(false);
  Load(200, 150);
  View->SetZoom(300);
  View->SetViewOrigin(31, 0);  // inside column 10: snapped to its start
  PaintNow();
  EXPECT_EQ(Back(0, 0).r, 10);
  EXPECT_EQ(Back(2, 0).r, 10);
  EXPECT_EQ(Back(3, 0).r, 11);
  EXPECT_EQ(Back(0, 5).g, 1);
  EXPECT_EQ(View->ScreenToBitmapX(3), 11);
  // Centred at 50 %: the 100 x 75 image sits in the middle.
  View->SetCenter(true);
  View->SetZoom(50);
  PaintNow();
  EXPECT_EQ(View->OffsetX(), 150);
  EXPECT_EQ(View->OffsetY(), 112);
  EXPECT_EQ(Back(150, 112).r, 0);
  EXPECT_EQ(Back(151, 112).r, 2);
}

TEST_F(ImageryViewPaint, TheChessboardStartsWithAFullSquare) {
  View->SetBackground(0x000000);
  View->SetBackgroundStyle(iebsChessboard);
  Load(10, 10);
  PaintNow();
  EXPECT_TRUE(IsColor(Back(0, 0), 0, 0, 0));
  EXPECT_TRUE(IsColor(Back(15, 15), 0, 0, 0));
  EXPECT_TRUE(IsColor(Back(16, 0), 255, 255, 255));
  EXPECT_TRUE(IsColor(Back(0, 16), 255, 255, 255));
}

TEST_F(ImageryViewPaint, PhotoLikeFramesTheImageOnePixelOutside) {
  View->SetBackgroundStyle(iebsPhotoLike);
  Load(100, 100);
  TIEBitmap* a = View->GetIEBitmap()->GetAlphaChannel();
  a->Fill(255);
  a->FillRect(0, 0, 49, 99, 0);
  a->Full = false;
  View->Update();
  PaintNow();
  const int ox = View->OffsetX(), oy = View->OffsetY();
  EXPECT_TRUE(IsColor(Back(ox - 1, oy + 50), 0, 0, 0)) << "the frame";
  EXPECT_TRUE(IsColor(Back(ox - 3, oy + 50), 0xB0, 0xB0, 0xB0)) << "grey around";
  // The transparent half shows the chessboard: one colour within a square, its complement next.
  const TIERGBPixel a1 = Back(ox + 2, oy + 2), a2 = Back(ox + 15, oy + 15), b1 = Back(ox + 18, oy + 2);
  EXPECT_TRUE(IsColor(a2, a1.r, a1.g, a1.b));
  EXPECT_TRUE(IsColor(b1, 255 - a1.r, 255 - a1.g, 255 - a1.b));
  EXPECT_NEAR(Back(ox + 60, oy + 2).r, 60, 1) << "the opaque half shows the image";
}

TEST_F(ImageryViewPaint, TheVersionLineEndsAtTheBottomRightCorner) {
  Load(400, 300);
  View->SetDrawVersion(true);
  PaintNow();
  HBITMAP shot = RenderWindowToBitmap(View->Handle());
  int black = 0, right = 0, bottom = 0;
  for (int y = 270; y < 300; ++y)
    for (int x = 150; x < 400; ++x) {
      const TIERGBPixel p = PixelOf(shot, x, y);
      if (p.r < 40 && p.g < 40 && p.b < 40) {
        ++black;
        right = std::max(right, x);
        bottom = std::max(bottom, y);
      }
    }
  DeleteObject(shot);
  EXPECT_GT(black, 50);
  EXPECT_GE(right, 392);
  EXPECT_GE(bottom, 292);
}

TEST_F(ImageryViewPaint, GoldenFittedPhoto) {
  View->SetBackground(0x202020);
  View->SetAutoFit(true);
  Load(640, 360, false);
  ExpectGolden("iview_fit.png");
}

TEST_F(ImageryViewPaint, GoldenZoomedWithSelection) {
  View->SetBackground(0x606060);
  View->SetBackgroundStyle(iebsChessboard);
  View->SetSelectionOptions(TIESelectionOptions{iesoSizeable, iesoMoveable});
  Load(160, 100, false);
  View->SetZoom(250);
  View->SetViewOrigin(50, 20);
  View->SelectionBase = iesbBitmap;
  View->SelectRect(40, 20, 100, 70, 0);
  // The outline waits two animation ticks after a zoom or scroll.
  ASSERT_NE(View->SelectionTimer(), nullptr);
  View->SelectionTimerTick(View->SelectionTimer());
  View->SelectionTimerTick(View->SelectionTimer());
  ExpectGolden("iview_zoom_select.png");
}

TEST_F(ImageryViewPaint, GoldenLayersWithGripsAndCropShadow) {
  View->SetBackground(0xE0E0E0);
  View->SetBackgroundStyle(iebsCropShadow);
  Load(240, 180, false);
  View->AddLayer();
  View->GetIEBitmap()->Allocate(60, 40, ie24RGB);
  View->GetIEBitmap()->Fill(0x00A0FF);
  View->GetCurrentLayer()->Left = 120;
  View->GetCurrentLayer()->Top = 30;
  View->GetCurrentLayer()->Opacity = 200;
  View->AddLayer();
  View->GetIEBitmap()->Allocate(50, 30, ie24RGB);
  View->GetIEBitmap()->Fill(0xFF4000);
  View->GetCurrentLayer()->Left = 30;
  View->GetCurrentLayer()->Top = 110;
  View->GetCurrentLayer()->SetRotate(30);
  View->SetMouseInteract(TIEMouseInteract{miMoveLayers, miResizeLayers});
  View->Update();
  ExpectGolden("iview_layers.png");
}

}  // namespace
