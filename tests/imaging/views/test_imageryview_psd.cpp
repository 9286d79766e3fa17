// PSD documents through the view's IO companion: a document's layers become the view's layers,
// and the view's layers are saved as a layered document with their flattened image.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "imaging/codecs/psdfilt.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

class ImageryViewPsd : public ViewFixture {
protected:
  void SetUp() override {
    ViewFixture::SetUp();
    char tmpl[] = "/tmp/orv_viewpsd_XXXXXX";
    const char* d = mkdtemp(tmpl);
    Dir = d != nullptr ? d : "";
  }
  void TearDown() override {
    if (!Dir.empty()) (void)std::system(("rm -rf '" + Dir + "'").c_str());
    ViewFixture::TearDown();
  }
  void FillCurrent(int W, int H, TIERGBPixel C) {
    View->GetIEBitmap()->Allocate(W, H, ie24RGB);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) View->GetIEBitmap()->SetPixelRGB(x, y, C);
    View->Update();
  }
  std::string Dir;
};

TIERGBPixel PsdViewRGB(int r, int g, int b) {
  return TIERGBPixel{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)};
}

}  // namespace

TEST_F(ImageryViewPsd, SavedLayersLoadBackAsTheViewsLayers) {
  FillCurrent(40, 30, PsdViewRGB(200, 0, 0));
  const int l = View->AddLayer();
  FillCurrent(10, 8, PsdViewRGB(0, 0, 220));
  View->GetLayer(l)->Left = 5;
  View->GetLayer(l)->Top = 6;
  View->GetLayer(l)->Opacity = 255;
  View->GetLayer(l)->Name = "Blue";
  View->SetLayersCurrent(0);
  TImageryIO* io = View->GetIO();
  const std::string f = Dir + "/layers.psd";
  io->SaveToFile(f);
  ASSERT_FALSE(io->Aborting.load());
  // The view's layers are left as they were.
  ASSERT_EQ(View->GetLayersCount(), 2);
  EXPECT_EQ(View->GetLayer(l)->Bitmap->Width(), 10);
  EXPECT_FALSE(View->GetLayer(l)->Bitmap->HasAlphaChannel());

  // The document: two layers, and a composite showing both.
  {
    TFileStream fs(f, fmOpenRead);
    TIEBitmap composite;
    TIOParamsVals p;
    std::atomic<bool> abort{false};
    TIEProgressRec rec;
    rec.Aborting = &abort;
    PsdReadImage(&fs, &composite, p, nullptr, false, rec);
    ASSERT_FALSE(abort.load());
    ASSERT_EQ(composite.Width(), 40);
    EXPECT_TRUE(composite.GetPixelRGB(6, 7) == PsdViewRGB(0, 0, 220));
    EXPECT_TRUE(composite.GetPixelRGB(30, 20) == PsdViewRGB(200, 0, 0));
  }

  View->ClearLayers();
  FillCurrent(3, 3, PsdViewRGB(1, 1, 1));
  io->Params->PSD_LoadLayers = true;
  io->LoadFromFile(f);
  ASSERT_FALSE(io->Aborting.load());
  ASSERT_EQ(View->GetLayersCount(), 2);
  EXPECT_EQ(View->LayersCurrent(), 0);
  TIELayer* base = View->GetLayer(0);
  ASSERT_EQ(base->Bitmap->Width(), 40);
  EXPECT_TRUE(base->Bitmap->GetPixelRGB(0, 0) == PsdViewRGB(200, 0, 0));
  EXPECT_TRUE(base->Locked);
  TIELayer* top = View->GetLayer(1);
  EXPECT_EQ(top->Left, 5);
  EXPECT_EQ(top->Top, 6);
  EXPECT_EQ(top->Name, "Blue");
  ASSERT_EQ(top->Bitmap->Width(), 10);
  ASSERT_EQ(top->Bitmap->Height(), 8);
  EXPECT_TRUE(top->Bitmap->GetPixelRGB(9, 7) == PsdViewRGB(0, 0, 220));
  EXPECT_EQ(View->GetIEBitmap(), base->Bitmap);

  // Without layers asked for, the composite alone replaces the image.
  View->ClearLayers();
  io->Params->PSD_LoadLayers = false;
  io->LoadFromFile(f);
  ASSERT_FALSE(io->Aborting.load());
  EXPECT_EQ(View->GetLayersCount(), 1);
  EXPECT_TRUE(View->GetIEBitmap()->GetPixelRGB(6, 7) == PsdViewRGB(0, 0, 220));
}

TEST_F(ImageryViewPsd, LayersNotCoveringTheDocumentLieOverATransparentCanvas) {
  TIEBitmap merged(40, 30, ie24RGB);
  merged.Fill(0x00FF00);
  TList layers;
  auto* L = new TIEPsdLayer();
  L->Bitmap = new TIEBitmap(10, 8, ie24RGB);
  L->Bitmap->Fill(0xFF0000);
  L->Left = 5;
  L->Top = 6;
  layers.Add(L);
  const std::string f = Dir + "/small_layer.psd";
  {
    TFileStream fs(f, fmCreate);
    TIOParamsVals p;
    std::atomic<bool> abort{false};
    TIEProgressRec rec;
    rec.Aborting = &abort;
    PsdWriteImage(&fs, p, rec, &layers, &merged);
    ASSERT_FALSE(abort.load());
  }
  PsdFreeLayers(&layers);
  TImageryIO* io = View->GetIO();
  io->Params->PSD_LoadLayers = true;
  io->LoadFromFile(f);
  ASSERT_FALSE(io->Aborting.load());
  ASSERT_EQ(View->GetLayersCount(), 2);
  TIEBitmap* base = View->GetLayer(0)->Bitmap;
  ASSERT_EQ(base->Width(), 40);
  ASSERT_EQ(base->Height(), 30);
  ASSERT_TRUE(base->HasAlphaChannel());
  EXPECT_EQ(base->GetAlpha(20, 20), 0);
  EXPECT_EQ(View->GetLayer(1)->Left, 5);
  EXPECT_EQ(View->GetLayer(1)->Bitmap->Width(), 10);
}
