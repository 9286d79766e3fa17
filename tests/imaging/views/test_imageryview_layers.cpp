// Layers of the single-image view: the list operations, current-layer rules, rendering all layers
// into one bitmap, flattening, the layer record, and layers as painted in the view.
#include <cstring>

#include "platform/rtl/streams.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

class ImageryViewLayers : public ViewFixture {
protected:
  void FillCurrent(int W, int H, TColor C) {
    View->GetIEBitmap()->Allocate(W, H, ie24RGB);
    View->GetIEBitmap()->Fill(C);
    View->Update();
  }
};

TEST_F(ImageryViewLayers, RenderLayersToTakesTheUnionOfTheLayers) {
  View->SetBackground(0x00FF00);
  FillCurrent(100, 80, 0x0000FF);  // red
  const int l = View->AddLayer();
  FillCurrent(50, 40, 0xFF0000);  // blue
  View->GetLayer(l)->Left = -10;
  View->GetLayer(l)->Top = -5;
  TIEBitmap out;
  View->RenderLayersTo(&out);
  ASSERT_EQ(out.Width(), 110);
  ASSERT_EQ(out.Height(), 85);
  auto is = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    const TIERGBPixel p = out.GetPixelRGB(x, y);
    return p.r == r && p.g == g && p.b == b;
  };
  EXPECT_TRUE(is(0, 0, 0, 0, 255)) << "the further layer at (0, 0)";
  EXPECT_TRUE(is(49, 39, 0, 0, 255));
  EXPECT_TRUE(is(50, 40, 255, 0, 0)) << "layer 0 around it";
  EXPECT_TRUE(is(109, 84, 255, 0, 0)) << "layer 0 ends at (109, 84)";
  EXPECT_TRUE(is(5, 60, 0, 255, 0)) << "outside both: the background";
  EXPECT_TRUE(is(60, 2, 0, 255, 0));
  // The view is as it was.
  EXPECT_DOUBLE_EQ(View->ZoomX(), 100);
  EXPECT_EQ(View->LayersCurrent(), l);
}

TEST_F(ImageryViewLayers, FlattenLeavesOneLayerWithEverything) {
  FillCurrent(60, 40, 0x0000FF);
  View->AddLayer();
  FillCurrent(10, 10, 0xFF0000);
  View->GetLayer(1)->Left = 20;
  View->GetLayer(1)->Top = 10;
  View->GetLayer(1)->Opacity = 255;
  View->FlattenLayers();
  EXPECT_EQ(View->GetLayersCount(), 1);
  TIEBitmap* b = View->GetIEBitmap();
  ASSERT_EQ(b->Width(), 60);
  ASSERT_EQ(b->Height(), 40);
  EXPECT_EQ(b->GetPixelRGB(25, 15).b, 255);
  EXPECT_EQ(b->GetPixelRGB(5, 5).r, 255);
  EXPECT_TRUE(View->GetLayer(0)->Locked);
}

TEST_F(ImageryViewLayers, RemovingLayers) {
  FillCurrent(20, 20, 0);
  View->AddLayer();
  View->AddLayer();
  View->AddLayer();
  ASSERT_EQ(View->LayersCurrent(), 3);
  View->RemoveLayer(3);
  EXPECT_EQ(View->GetLayersCount(), 3);
  EXPECT_EQ(View->LayersCurrent(), 2) << "the new last layer becomes current";
  EXPECT_EQ(View->GetIEBitmap(), View->GetLayer(2)->Bitmap);
  View->GetLayer(2)->IsMask = true;
  View->RemoveLayer(1);
  EXPECT_EQ(View->GetLayersCount(), 1) << "a layer followed by a mask goes with it";
  EXPECT_EQ(View->LayersCurrent(), 0);
  View->RemoveLayer(0);
  EXPECT_EQ(View->GetLayersCount(), 1) << "the last layer stays";
  View->RemoveLayer(7);
}

TEST_F(ImageryViewLayers, UnselectableLayersAreSkippedUnlessIgnored) {
  FillCurrent(20, 20, 0);
  View->AddLayer();
  View->AddLayer();
  View->AddLayer();
  View->SetLayersCurrent(0);
  View->GetLayer(2)->Selectable = false;
  View->GetLayer(3)->Selectable = false;
  View->SetLayersCurrent(3);
  EXPECT_EQ(View->LayersCurrent(), 1);
  View->SetLayersCurrent(0);
  View->HonourSelectable = false;
  View->SetLayersCurrent(3);
  EXPECT_EQ(View->LayersCurrent(), 3);
  View->SetLayersCurrent(9);
  EXPECT_EQ(View->LayersCurrent(), 3);
}

TEST_F(ImageryViewLayers, RotationsOfWholeTurnsAreZero) {
  TIELayer* l = View->GetLayer(0);
  struct Case {
    double In, Out;
  } cases[] = {{720, 0}, {-360, 0}, {360.5, 360.5}, {45, 45}};
  for (const Case& c : cases) {
    l->SetRotate(c.In);
    EXPECT_DOUBLE_EQ(l->RotateAngle, c.Out) << c.In;
  }
}

TEST_F(ImageryViewLayers, ClearLayersLeavesLayerZeroClearedAndLocked) {
  View->SetBackground(0x123456);
  FillCurrent(30, 30, 0xFFFFFF);
  View->AddLayer();
  View->GetLayer(0)->Locked = false;
  View->ClearLayers();
  EXPECT_EQ(View->GetLayersCount(), 1);
  EXPECT_TRUE(View->GetLayer(0)->Locked);
  EXPECT_FALSE(View->GetLayer(0)->ShowBox);
  const TIERGBPixel p = View->GetIEBitmap()->GetPixelRGB(3, 3);
  EXPECT_EQ(p.r, 0x56);
  EXPECT_EQ(p.g, 0x34);
  EXPECT_EQ(p.b, 0x12);
}

TEST_F(ImageryViewLayers, TheLayerRecordRoundTrips) {
  FillCurrent(12, 9, 0x00FF00);
  View->AddLayer();
  FillCurrent(7, 5, 0x0000FF);
  TIELayer* l = View->GetLayer(1);
  l->Left = -3;
  l->Top = 4;
  l->Opacity = 128;
  l->Name = "logo";
  l->MagnifyRate = 3.5;
  l->RotateCenterX = 0.25;
  l->SetRotate(30);
  TMemoryStream m;
  View->LayerSaveToStream(1, &m, true);
  int32_t size = 0;
  m.SetPosition(0);
  m.ReadBuffer(&size, 4);
  EXPECT_EQ(size, m.Size());
  TIELayer copy(View, false, nullptr);
  m.SetPosition(0);
  copy.LoadFromStream(&m);
  EXPECT_EQ(copy.Left, -3);
  EXPECT_EQ(copy.Top, 4);
  EXPECT_EQ(copy.Opacity, 128);
  EXPECT_EQ(copy.Name, "logo");
  EXPECT_DOUBLE_EQ(copy.MagnifyRate, 3.5);
  EXPECT_DOUBLE_EQ(copy.RotateCenterX, 0.25);
  EXPECT_DOUBLE_EQ(copy.RotateAngle, 30);
  EXPECT_EQ(0, std::memcmp(copy.GUID, l->GUID, 16));
  ASSERT_EQ(copy.Bitmap->Width(), 7);
  EXPECT_EQ(copy.Bitmap->GetPixelRGB(2, 2).r, 255);
}

TEST_F(ImageryViewLayers, ALayerIsPaintedAtItsPositionWithItsOpacity) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  FillCurrent(200, 150, 0x000000);
  View->AddLayer();
  FillCurrent(20, 10, 0xFFFFFF);
  View->GetLayer(1)->Left = 30;
  View->GetLayer(1)->Top = 40;
  View->SetZoom(200);
  View->SetViewOrigin(0, 0);
  PaintNow();
  EXPECT_EQ(Back(60, 80).r, 255) << "layer corner at 2 x (30, 40)";
  EXPECT_EQ(Back(59, 80).r, 0);
  EXPECT_EQ(Back(99, 99).r, 255) << "last pixel of the 40 x 20 zoomed layer";
  EXPECT_EQ(Back(100, 99).r, 0);
  EXPECT_EQ(View->GetLayer(1)->ClientRect.left, 60);
  View->GetLayer(1)->Opacity = 128;
  View->Update();
  PaintNow();
  EXPECT_NEAR(Back(70, 85).r, 128, 2);
  EXPECT_EQ(View->FindLayerAt(70, 85, true), 1);
  EXPECT_EQ(View->FindLayerAt(10, 10, true), 0);
}

TEST_F(ImageryViewLayers, AMaskLayerCutsTheLayerBelow) {
  View->SetScrollBars(ssNone);
  View->SetCenter(false);
  FillCurrent(40, 40, 0x000000);
  View->AddLayer();
  FillCurrent(40, 40, 0xFFFFFF);
  View->AddLayer();
  TIEBitmap* m = View->GetIEBitmap();
  m->Allocate(40, 40, ie8g);
  m->Fill(0);
  m->FillRect(0, 0, 19, 39, 255);
  View->GetLayer(2)->IsMask = true;
  View->Update();
  PaintNow();
  EXPECT_GE(Back(5, 5).r, 250) << "the mask lets the white layer through on the left";
  EXPECT_EQ(Back(30, 5).r, 0) << "and hides it on the right";
}

}  // namespace
