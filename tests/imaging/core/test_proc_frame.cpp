// The processing component: attachment, the operation frame (accepted formats, automatic
// conversion, progress and finish order), the undo and redo lists and the whole-image operations.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/ieview.h"
#include "imaging/core/imageryproc.h"
#include "imaging/core/ietransform.h"
#include "imgtestutil.h"
#include "platform/vcl/graphics.h"
#include "platform/rtl/streams.h"

namespace {

class TFrameTestView : public TIEView {
public:
  TIEBitmap Image;
  int Changes = 0;
  TIEBitmap* GetIEBitmap() override { return &Image; }
  TIEBitmap* GetAlphaChannel() override { return Image.GetAlphaChannel(); }
  bool HasAlphaChannel() override { return Image.HasAlphaChannel(); }
  void RemoveAlphaChannel(bool Merge) override { Image.RemoveAlphaChannel(Merge); }
  void LockPaint() override {}
  int UnlockPaint() override { return 0; }
  int UnlockPaintNoRefresh() override { return 0; }
  void ImageChange() override { ++Changes; }
};

// A component whose work area is a given mask (what the single-image view supplies).
class TMaskedProc : public TImageryProc {
public:
  using TImageryProc::TImageryProc;
  TIEMask* Mask = nullptr;
  bool GetWorkArea(int& X1, int& Y1, int& X2, int& Y2, TIEMask*& M, TIEPoint*& P, int& N) override {
    TImageryProc::GetWorkArea(X1, Y1, X2, Y2, M, P, N);
    if (!Mask) return false;
    M = Mask;
    if (!Mask->IsEmpty()) X1 = Mask->X1, Y1 = Mask->Y1, X2 = Mask->X2 + 1, Y2 = Mask->Y2 + 1;
    return true;
  }
};

class ProcTest : public ::testing::Test {
protected:
  void SetUp() override { IESetGrayCoefficients(); }
  TTempFolder temp;
  TComponent owner{nullptr};
};

TEST_F(ProcTest, CreationDefaults) {
  TImageryProc withOwner(&owner), alone(nullptr);
  EXPECT_TRUE(withOwner.AutoUndo);
  EXPECT_FALSE(alone.AutoUndo);
  EXPECT_TRUE(alone.AutoConvertFormat);
  EXPECT_EQ(alone.UndoLimit(), 1);
  EXPECT_EQ(alone.GetBackground(), 0);
  EXPECT_EQ(alone.PreviewsParams, (1 << prppShowResetButton) | (1 << prppHardReset));
  ASSERT_NE(alone.GetIEBitmap(), nullptr);
  EXPECT_TRUE(alone.GetIEBitmap()->IsEmpty());
  EXPECT_EQ(alone.DialogParams().PageIndex(0), -1);
  ASSERT_NE(alone.PreviewFont(), nullptr);
  TFont f;
  f.SetSize(23);
  alone.SetPreviewFont(&f);
  EXPECT_EQ(alone.PreviewFont()->Size(), 23);
  EXPECT_NE(alone.PreviewFont(), &f);
}

TEST_F(ProcTest, PrepareBitmapWalksThePreferredRowThenDownward) {
  struct Case {
    TIEPixelFormat from;
    TIEPixelFormatSet allowed;
    bool ok;
    TIEPixelFormat result;
  } cases[] = {
      {ie8p, 0, true, ie8p},
      {ie8p, IEPixelFormatBit(ie24RGB), true, ie24RGB},
      {ie1g, IEPixelFormatBit(ie32RGB), true, ie32RGB},  // no row match, downward search finds 10
      {ie8g, IEPixelFormatBit(ie24RGB) | IEPixelFormatBit(ie16g), true, ie16g},
      {ie32RGB, IEPixelFormatBit(ie8g) | IEPixelFormatBit(ie1g), true, ie8g},
      {ie24RGB, IEPixelFormatBit(ie1g), true, ie1g},
  };
  for (const auto& c : cases) {
    TImageryProc p(nullptr);
    p.GetIEBitmap()->Allocate(4, 4, c.from);
    EXPECT_EQ(p.PrepareBitmap(c.allowed), c.ok);
    EXPECT_EQ(p.GetIEBitmap()->PixelFormat(), c.result) << int(c.from);
  }
  TImageryProc p(nullptr);
  p.GetIEBitmap()->Allocate(4, 4, ie8p);
  p.AutoConvertFormat = false;
  EXPECT_FALSE(p.PrepareBitmap(IEPixelFormatBit(ie24RGB)));
  EXPECT_EQ(p.GetIEBitmap()->PixelFormat(), ie8p);
}

TEST_F(ProcTest, ProgressHundredComesBeforeFinish) {
  TImageryProc p(nullptr);
  p.GetIEBitmap()->Allocate(4, 4, ie24RGB);
  std::vector<std::string> log;
  p.OnProgress = [&](TObject*, int per) { log.push_back("p" + std::to_string(per)); };
  p.OnFinishWork = [&](TObject*) { log.push_back("finish"); };
  p.Flip(1);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "p100");
  EXPECT_EQ(log.back(), "finish");
}

TEST_F(ProcTest, UndoRestoresTheExactPixelsAndKeepsTheEntry) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(13, 9, ie24RGB);
  PaintPattern(*img, 5);
  img->GetAlphaChannel()->Fill(200);
  TIEBitmap before;
  before.Assign(img);
  p.IntensityRGBall(-50, 20, -50);
  EXPECT_FALSE(IESameBitmaps(img, &before));
  ASSERT_EQ(p.GetUndoCount(), 1);
  EXPECT_EQ(p.UndoCaptions(0), "IntensityRGBall -50,20,-50");
  EXPECT_EQ(p.GetUndoSource(0), ieuImage);
  p.Undo();
  EXPECT_TRUE(IESameBitmaps(img, &before));
  p.Undo();  // the same snapshot again
  EXPECT_TRUE(IESameBitmaps(img, &before));
  EXPECT_EQ(p.GetUndoCount(), 1);
  EXPECT_EQ(p.GetUndoSource(5), 0);
}

// Every pixel format, for operations that move pixels and ones that change the size: the undo
// snapshot gives back the exact rows, the format, the palette and the alpha channel.
TEST_F(ProcTest, UndoRestoresExactPixelsOfEveryFormat) {
  for (TIEPixelFormat pf : kAllFormats) {
    for (int op = 0; op < 3; ++op) {
      SCOPED_TRACE(testing::Message() << "format " << int(pf) << " operation " << op);
      TImageryProc p(&owner);
      ASSERT_TRUE(p.AutoUndo);
      TIEBitmap* img = p.GetIEBitmap();
      ASSERT_TRUE(img->Allocate(11, 7, pf));
      PaintPattern(*img, 3 + op);
      if (pf == ie8p) img->SetPaletteEntry(17, IEMakeRGB(1, 2, 3));
      img->GetAlphaChannel()->Fill(90);
      img->GetAlphaChannel()->Scanline(2)[4] = 7;
      TIEBitmap before;
      before.Assign(img);
      if (op == 0) p.Flip(0);
      if (op == 1) p.Rotate(90);
      if (op == 2) p.Resample(5, 3, rfNone);
      ASSERT_EQ(p.GetUndoCount(), 1);
      EXPECT_FALSE(IESameBitmaps(img, &before)) << "the operation changed nothing";
      p.Undo();
      EXPECT_EQ(img->PixelFormat(), pf);
      EXPECT_TRUE(IESameBitmaps(img, &before));
      if (pf == ie8p) {
        EXPECT_EQ(img->GetPaletteEntry(17), IEMakeRGB(1, 2, 3));
      }
    }
  }
}

TEST_F(ProcTest, UndoThenRedoReturnsToTheChangedState) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(8, 8, ie24RGB);
  PaintPattern(*img);
  p.Rotate(90);
  TIEBitmap turned;
  turned.Assign(img);
  EXPECT_EQ(p.UndoCaptions(0), "Rotate 90");
  p.UndoAt(0, true);
  EXPECT_EQ(p.GetRedoCount(), 1);
  EXPECT_FALSE(IESameBitmaps(img, &turned));
  p.Redo();
  EXPECT_TRUE(IESameBitmaps(img, &turned));
  p.ClearRedo();
  EXPECT_EQ(p.GetRedoCount(), 0);
}

TEST_F(ProcTest, UndoLimitsAndSmallImages) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(4, 4, ie24RGB);
  int saves = 0;
  p.OnSaveUndo = [&](TObject*, TIEUndoSource) { ++saves; };
  p.Flip(0);
  p.Flip(1);
  EXPECT_EQ(p.GetUndoCount(), 1);  // limit 1: each snapshot replaces the last
  p.SetUndoLimit(3);
  p.Flip(0);
  p.Flip(0);
  p.Flip(0);
  EXPECT_EQ(p.GetUndoCount(), 3);
  p.ClearUndoAt(0);
  EXPECT_EQ(p.GetUndoCount(), 2);
  p.SetUndoLimit(0);
  saves = 0;
  p.Flip(0);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(p.GetUndoCount(), 2);

  TImageryProc q(&owner);
  q.GetIEBitmap()->Allocate(1, 1, ie24RGB);
  int qsaves = 0;
  q.OnSaveUndo = [&](TObject*, TIEUndoSource) { ++qsaves; };
  q.SaveUndoCaptioned("x");
  EXPECT_EQ(qsaves, 0);
  q.SaveUndo(ieuImage);
  EXPECT_EQ(qsaves, 1);  // fired, although nothing was stored
  EXPECT_EQ(q.GetUndoCount(), 0);
  q.SaveUndo(ieuSelection);  // no view of the needed class: nothing stored, event still fired
  EXPECT_EQ(qsaves, 2);
}

TEST_F(ProcTest, UndoSnapshotsLiveInTemporaryFiles) {
  TImageryProc p(&owner);
  p.GetIEBitmap()->Allocate(16, 16, ie24RGB);
  const size_t before = temp.Files().size();
  p.Flip(0);
  EXPECT_GT(temp.Files().size(), before);
}

TEST_F(ProcTest, ViewAttachmentAndBackground) {
  TFrameTestView view;
  view.Image.Allocate(6, 4, ie24RGB);
  view.Image.Fill(0);
  {
    TImageryProc p(nullptr);
    p.SetAttachedImagery(&view);
    EXPECT_EQ(p.GetIEBitmap(), &view.Image);
    EXPECT_EQ(view.ListenerCount(), 1);
    p.SetBackground(0x00FF00);
    EXPECT_EQ(view.Background(), 0x00FF00);
    p.Rotate(90, 0, 0, -1);
    EXPECT_EQ(view.Image.Width(), 4);
    EXPECT_GE(view.Changes, 1);
    p.SetAttachedImagery(nullptr);
    EXPECT_EQ(view.ListenerCount(), 0);
    EXPECT_NE(p.GetIEBitmap(), &view.Image);
    EXPECT_TRUE(p.GetIEBitmap()->IsEmpty());
    EXPECT_EQ(p.GetBackground(), 0);
    p.SetAttachedImagery(&view);
  }
  EXPECT_EQ(view.ListenerCount(), 0);  // the destructor unregisters
}

// A view whose picture exists only as a class-library bitmap.
class TBitmapView : public TFrameTestView {
public:
  TBitmap Picture;
  TIEBitmap* GetIEBitmap() override { return nullptr; }
  TBitmap* GetBitmap() override { return &Picture; }
};

TEST_F(ProcTest, ClassLibraryBitmapViewIsWorkedOnThroughEncapsulation) {
  TBitmapView view;
  view.Picture.SetPixelFormat(pf24bit);
  view.Picture.SetSize(6, 4);
  TImageryProc p(nullptr);
  p.SetAttachedImagery(&view);
  ASSERT_EQ(p.GetIEBitmap()->Location(), ieTBitmap);
  p.GetIEBitmap()->Fill(0);
  p.GetIEBitmap()->GetAlphaChannel();
  p.IntensityRGBall(10, 0, 0);
  EXPECT_EQ(static_cast<uint8_t*>(view.Picture.ScanLine(3))[2], 10);  // red, seen in the TBitmap
  EXPECT_FALSE(p.GetIEBitmap()->HasAlphaChannel());                  // dropped by the update
  p.Rotate(90);
  EXPECT_EQ(view.Picture.Width(), 4);
  EXPECT_EQ(view.Picture.Height(), 6);
}

TEST_F(ProcTest, OperationsOnASmallFixture) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(400, 200, ie24RGB);
  img->Fill(0xFFFFFF);
  p.Resample(-1, 300, rfNone);
  EXPECT_EQ(img->Width(), 600);
  EXPECT_EQ(img->Height(), 300);
  EXPECT_EQ(p.UndoCaptions(0), "Resample -1,300");
  p.Resample(-1, -1, rfTriangle);  // nothing
  EXPECT_EQ(img->Width(), 600);
  p.Crop(10, 10, 19, 29);
  EXPECT_EQ(img->Width(), 10);
  EXPECT_EQ(img->Height(), 20);
  const int count = p.GetUndoCount();
  p.Crop(0, 0, 9, 19);  // the whole image: nothing, no snapshot
  EXPECT_EQ(img->Width(), 10);
  EXPECT_EQ(p.GetUndoCount(), count);
  // The rectangle form: Right and Bottom are inclusive too.
  img->SetPixelRGB(2, 3, TIERGBPixel{1, 2, 3});
  p.CropToRect(TIERect{2, 3, 6, 12});
  EXPECT_EQ(img->Width(), 5);
  EXPECT_EQ(img->Height(), 10);
  EXPECT_EQ(img->GetPixelRGB(0, 0), (TIERGBPixel{1, 2, 3}));
  EXPECT_EQ(p.UndoCaptions(0), "Crop");
  const int count2 = p.GetUndoCount();
  p.CropToRect(TIERect{0, 0, 4, 9});  // the whole image: nothing
  EXPECT_EQ(img->Width(), 5);
  EXPECT_EQ(p.GetUndoCount(), count2);
  p.SetBackground(0x0000FF);
  p.ImageResize(12, 20, 2, 0);
  EXPECT_EQ(img->GetPixelRGB(0, 0), (TIERGBPixel{0, 0, 255}));  // new area on the left
  EXPECT_EQ(img->GetPixelRGB(11, 0), (TIERGBPixel{255, 255, 255}));
  EXPECT_EQ(p.UndoCaptions(0), "ImageResize 12,20");
  p.Rotate(0);  // no change, no snapshot
  EXPECT_EQ(p.UndoCaptions(0), "ImageResize 12,20");
}

TEST_F(ProcTest, ColourOperationsThroughTheFrame) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(2, 1, ie8g);
  img->SetPixel8(0, 0, 255);
  img->SetPixel8(1, 0, 0);
  p.IntensityRGBall(-50, 20, -50);  // converted to ie24RGB first
  ASSERT_EQ(img->PixelFormat(), ie24RGB);
  EXPECT_EQ(img->GetPixelRGB(0, 0), (TIERGBPixel{205, 255, 205}));
  EXPECT_EQ(img->GetPixelRGB(1, 0), (TIERGBPixel{0, 20, 0}));

  img->Allocate(2, 2, ie8p);
  img->Fill(1);
  p.ConvertToGray();  // snapshot, pixels unchanged
  EXPECT_EQ(img->PixelFormat(), ie8p);
  EXPECT_EQ(p.UndoCaptions(0), "ConvertToGray");

  img->Allocate(3, 3, ie8g);
  img->Fill(100);
  p.ConvertTo(5000);
  EXPECT_EQ(img->PixelFormat(), ie24RGB);
  EXPECT_EQ(img->GetPixelRGB(2, 2), (TIERGBPixel{100, 100, 100}));
  EXPECT_EQ(p.UndoCaptions(0), "ConvertTo 5000");

  TIERGBPixel pal[2] = {{9, 9, 9}, {9, 9, 9}};
  img->Allocate(4, 1, ie24RGB);
  img->Fill(0);
  img->FillRect(2, 0, 3, 0, 0xFFFFFF);
  p.ConvertToPalette(2, pal, 1);
  EXPECT_EQ(img->PixelFormat(), ie1g);
  EXPECT_EQ(pal[0], (TIERGBPixel{0, 0, 0}));
  EXPECT_EQ(pal[1], (TIERGBPixel{255, 255, 255}));
  EXPECT_FALSE(IEGetBit(img->Scanline(0), 0));
  EXPECT_TRUE(IEGetBit(img->Scanline(0), 3));
}

TEST_F(ProcTest, OrderedTwoColourDitherOfMidGrey) {
  TImageryProc p(nullptr);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(8, 8, ie24RGB);
  img->Fill(0x808080);
  p.ConvertTo(2, 0);
  ASSERT_EQ(img->PixelFormat(), ie1g);
  int white = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) white += IEGetBit(img->Scanline(y), x);
  EXPECT_EQ(white, 32);  // level 128 div 4 = 32: matrix entries 0..31
  img->Allocate(8, 8, ie24RGB);
  img->Fill(0xFBFBFB);
  p.ConvertTo(2, 0);
  for (int y = 0; y < 8; ++y) EXPECT_EQ(img->Scanline(y)[0], 0xFF);
}

TEST_F(ProcTest, FillHonoursTheSelectionMask) {
  TMaskedProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(6, 4, ie24RGB);
  img->Fill(0);
  TIEMask mask;
  mask.AllocateBits(6, 4, 1);
  mask.SetPixel(2, 1, 1);
  mask.SetPixel(4, 2, 1);
  mask.RecalcBounds();
  p.Mask = &mask;
  p.Fill(TIERGBPixel{1, 2, 3});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool sel = (x == 2 && y == 1) || (x == 4 && y == 2);
      EXPECT_EQ(img->GetPixelRGB(x, y), sel ? (TIERGBPixel{1, 2, 3}) : (TIERGBPixel{0, 0, 0})) << x << "," << y;
    }
  p.Mask = nullptr;
  p.Fill(TIERGBPixel{7, 7, 7});
  EXPECT_EQ(img->GetPixelRGB(0, 0), (TIERGBPixel{7, 7, 7}));
}

TEST_F(ProcTest, CropSelUsesTheMaskAndBackground) {
  TMaskedProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(10, 10, ie24RGB);
  img->Fill(0xFFFFFF);
  p.SetBackground(0x0000FF);
  TIEMask mask;
  mask.AllocateBits(10, 10, 1);
  mask.SetPixel(3, 3, 1);
  mask.SetPixel(5, 4, 1);
  mask.RecalcBounds();
  p.Mask = &mask;
  p.CropSel();
  ASSERT_EQ(img->Width(), 3);
  ASSERT_EQ(img->Height(), 2);
  EXPECT_EQ(img->GetPixelRGB(0, 0), (TIERGBPixel{255, 255, 255}));
  EXPECT_EQ(img->GetPixelRGB(1, 0), (TIERGBPixel{0, 0, 255}));  // outside the selection
  EXPECT_EQ(p.UndoCaptions(0), "CropSel");
  // Without a selection nothing is cut, but the snapshot and the finish still happen.
  p.Mask = nullptr;
  int finished = 0;
  p.OnFinishWork = [&](TObject*) { ++finished; };
  p.CropSel();
  EXPECT_EQ(img->Width(), 3);
  EXPECT_EQ(finished, 1);
}

// A view with a selection, layers (a property byte and an image each) and vector objects.
class TLayerView : public TFrameTestView, public TIEProcViewServices {
public:
  struct TLayer {
    uint8_t Guid[16];
    uint8_t Prop;
    TIEBitmap Image;
  };
  std::vector<std::unique_ptr<TLayer>> Layers;
  int Current = 0, Selection = 0, Objects = 0, Updates = 0;
  TIEBitmap* GetIEBitmap() override { return &Layers[Current]->Image; }
  TLayer& Add(uint8_t id) {
    Layers.push_back(std::make_unique<TLayer>());
    TLayer& l = *Layers.back();
    std::memset(l.Guid, id, 16);
    l.Prop = id;
    l.Image.Allocate(4, 4, ie24RGB);
    l.Image.Fill(id);
    return l;
  }
  bool HasLayers() override { return true; }
  void SaveSelectionToStream(TStream* S) override { S->WriteBuffer(&Selection, 4); }
  void LoadSelectionFromStream(TStream* S, int) override { S->ReadBuffer(&Selection, 4); }
  int LayersCount() override { return static_cast<int>(Layers.size()); }
  int CurrentLayerIndex() override { return Current; }
  TIEBitmap* LayerBitmap(int i) override { return &Layers[i]->Image; }
  void LayerSaveToStream(int i, TStream* S, bool WithImage) override {
    const int32_t len = 4 + 16 + 1 + 1 + (WithImage ? 1 : 0);
    S->WriteBuffer(&len, 4);
    S->WriteBuffer(Layers[i]->Guid, 16);
    S->WriteBuffer(&Layers[i]->Prop, 1);
    const uint8_t flag = WithImage;
    S->WriteBuffer(&flag, 1);
    if (WithImage) {
      const uint8_t v = Layers[i]->Image.GetPixelRGB(0, 0).r;
      S->WriteBuffer(&v, 1);
    }
  }
  void LayerLoadFromStream(int i, TStream* S) override {
    int32_t len;
    S->ReadBuffer(&len, 4);
    S->ReadBuffer(Layers[i]->Guid, 16);
    S->ReadBuffer(&Layers[i]->Prop, 1);
    uint8_t flag;
    S->ReadBuffer(&flag, 1);
    if (flag) {
      uint8_t v;
      S->ReadBuffer(&v, 1);
      Layers[i]->Image.Fill(v);
    }
  }
  void LayerGUID(int i, uint8_t* g) override { std::memcpy(g, Layers[i]->Guid, 16); }
  void UpdateView() override { ++Updates; }
  TIEMask Mask;
  TIEMask* SelectionMask() override { return &Mask; }
  bool Selected() override { return !Mask.IsEmpty(); }
  bool HasVectorObjects() override { return true; }
  void SaveToStreamIEV(TStream* S) override { S->WriteBuffer(&Objects, 4); }
  bool LoadFromStreamIEV(TStream* S) override { S->ReadBuffer(&Objects, 4); return true; }
};

TEST_F(ProcTest, UndoOfSelectionLayersAndObjects) {
  TLayerView view;
  for (uint8_t id = 1; id <= 4; ++id) view.Add(id);
  view.Current = 3;
  TImageryProc p(&owner);
  p.SetAttachedImagery(&view);
  p.SetUndoLimit(10);
  view.Selection = 7;
  view.Objects = 3;
  p.SaveUndo(ieuSelection);
  p.SaveUndo(ieuObject);
  p.SaveUndo(ieuLayerPropsAndImage);
  p.SaveUndo(ieuImage);  // taken on layer 3
  ASSERT_EQ(p.GetUndoCount(), 4);
  EXPECT_EQ(p.GetUndoSource(0), ieuSelection);
  view.Selection = 0;
  view.Objects = 0;
  for (auto& l : view.Layers) l->Prop = 0;
  view.Layers[3]->Image.Fill(0x99);
  view.Layers[1]->Image.Fill(0x55);
  std::memset(view.Layers[0]->Guid, 0xEE, 16);  // this layer's record matches nothing now
  p.UndoAt(1);                                   // layers: properties, and the current layer's image
  EXPECT_EQ(view.Layers[1]->Prop, 2);
  EXPECT_EQ(view.Layers[3]->Prop, 4);
  EXPECT_EQ(view.Layers[0]->Prop, 0);                        // skipped
  EXPECT_EQ(view.Layers[3]->Image.GetPixelRGB(0, 0).r, 4);   // written with its image
  EXPECT_EQ(view.Layers[1]->Image.GetPixelRGB(0, 0).r, 0x55);  // written without
  EXPECT_EQ(view.Updates, 1);
  p.UndoAt(2);
  EXPECT_EQ(view.Objects, 3);
  p.UndoAt(3);
  EXPECT_EQ(view.Selection, 7);
  // The image snapshot of layer 3 goes into the last layer once only two are left.
  view.Layers.resize(2);
  view.Current = 0;
  view.CallListeners();  // the view tells its components that its image changed
  p.Undo();
  EXPECT_EQ(view.Layers[1]->Image.GetPixelRGB(0, 0).r, 4);
}

TEST_F(ProcTest, TheViewsSelectionIsTheWorkArea) {
  TLayerView view;
  view.Add(0);
  view.Mask.AllocateBits(4, 4, 1);
  TImageryProc p(&owner);
  p.SetAttachedImagery(&view);
  p.Fill(TIERGBPixel{9, 9, 9});  // no selection: the whole image
  EXPECT_EQ(view.Layers[0]->Image.GetPixelRGB(3, 3), (TIERGBPixel{9, 9, 9}));
  view.Mask.SetPixel(1, 2, 1);
  view.Mask.RecalcBounds();
  p.Fill(TIERGBPixel{1, 1, 1});
  EXPECT_EQ(view.Layers[0]->Image.GetPixelRGB(1, 2), (TIERGBPixel{1, 1, 1}));
  EXPECT_EQ(view.Layers[0]->Image.GetPixelRGB(2, 2), (TIERGBPixel{9, 9, 9}));
  p.CropSel();
  EXPECT_EQ(view.Layers[0]->Image.Width(), 1);
}

TEST_F(ProcTest, TransparentBorderBoundsAndCrop) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(10, 8, ie24RGB);
  TIERectangle r;
  IEAlphaBoundingRect(img, r);
  EXPECT_EQ(r.Right, 9);
  EXPECT_EQ(r.Bottom, 7);
  TIEBitmap* a = img->GetAlphaChannel();
  a->Fill(0);
  IEAlphaBoundingRect(img, r);
  EXPECT_EQ(r.Left, 10);
  EXPECT_EQ(r.Right, -1);
  EXPECT_EQ(r.Top, 8);
  EXPECT_EQ(r.Bottom, -1);
  a->SetPixel8(2, 3, 9);
  a->SetPixel8(6, 5, 9);
  IEAlphaBoundingRect(img, r);
  EXPECT_EQ(r.Left, 2);
  EXPECT_EQ(r.Top, 3);
  EXPECT_EQ(r.Right, 6);
  EXPECT_EQ(r.Bottom, 5);
  p.CropTransparentBorder();
  EXPECT_EQ(img->Width(), 5);
  EXPECT_EQ(img->Height(), 3);
  EXPECT_EQ(img->GetAlphaChannel()->GetPixel8(0, 0), 9);
  EXPECT_EQ(p.GetUndoCount(), 0);  // without undo
  EXPECT_TRUE(p.AutoUndo);
}

TEST_F(ProcTest, HostileSizesFailCleanly) {
  TImageryProc p(&owner);
  TIEBitmap* img = p.GetIEBitmap();
  // Empty image: every operation is a no-op.
  p.Rotate(30);
  p.Flip(0);
  p.Resample(10, 10, rfLanczos3);
  p.ConvertTo(16);
  p.Crop(0, 0, 5, 5);
  EXPECT_TRUE(img->IsEmpty());
  EXPECT_EQ(p.GetUndoCount(), 0);
  // 1 x 1 image.
  img->Allocate(1, 1, ie24RGB);
  img->Fill(0x123456);
  p.Rotate(45);
  p.Resample(3, 3, rfBicubic);
  EXPECT_EQ(img->Width(), 3);
  p.Crop(5, 5, 9, 9);  // outside: refused
  EXPECT_EQ(img->Width(), 3);
  // A size that cannot be allocated leaves the image as it was.
  p.Resample(2000000000, 2000000000, rfNone);
  EXPECT_EQ(img->Width(), 3);
}

}  // namespace
