// Drawing of vector objects: real pixels of each kind burnt into images, transparency, highlight,
// arrow heads, stretched bitmaps, texts and memos, the draw events, and painting over the view.
#include "imaging/views/iegdiplus.h"
#include "vectdrawtest.h"

namespace {

using vectdrawtest::VectDrawFixture;

class VectDraw : public VectDrawFixture {
protected:
  void SetUp() override {
    VectDrawFixture::SetUp();
    View->SetObjAntialias(false);
  }
  // Burns the objects into a white 100 x 80 image.
  void Burn(TIEBitmap& B, TColor Back = 0xFFFFFF) {
    Plain(B, 100, 80, Back);
    ASSERT_TRUE(View->CopyObjectsToBitmap(&B, false));
  }
  // Pixels of the rectangle that differ from the background.
  static int Marked(TIEBitmap& B, int x1, int y1, int x2, int y2, TIERGBPixel Back = TIERGBPixel{255, 255, 255}) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) {
        const TIERGBPixel p = B.GetPixelRGB(x, y);
        if (p.r != Back.r || p.g != Back.g || p.b != Back.b) ++n;
      }
    return n;
  }
};

TEST_F(VectDraw, ABoxIsFilledWithItsBrushAndOutlinedWithItsPen) {
  const int h = Add(iekBOX, 10, 10, 40, 30);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0x0000FF;  // red
  Obj(h)->PenColor = 0xFF0000;    // blue
  TIEBitmap b;
  Burn(b);
  EXPECT_TRUE(Near(b.GetPixelRGB(25, 20), 255, 0, 0)) << "fill";
  const TIERGBPixel edge = b.GetPixelRGB(10, 20);
  EXPECT_GT(edge.b, 150) << "outline";
  EXPECT_LT(edge.r, 100) << "outline";
  EXPECT_TRUE(Near(b.GetPixelRGB(5, 20), 255, 255, 255)) << "outside";
  EXPECT_TRUE(Near(b.GetPixelRGB(45, 20), 255, 255, 255)) << "outside";
}

TEST_F(VectDraw, AHalfTransparentBoxBlendsWithTheImage) {
  const int h = Add(iekBOX, 10, 10, 40, 30);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0x0000FF;
  Obj(h)->Transparency = 128;
  TIEBitmap b;
  Burn(b);
  const TIERGBPixel p = b.GetPixelRGB(25, 20);
  EXPECT_EQ(p.r, 255);
  EXPECT_NEAR(p.g, 127, 3);
  EXPECT_NEAR(p.b, 127, 3);
}

TEST_F(VectDraw, AHalfTransparentTextBlendsThroughTheWorkBitmap) {
  const int h = Add(iekTEXT, 0, 0, 99, 79);
  Obj(h)->Text = "MMMM";
  Obj(h)->PenStyle = psClear;
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0x000000;
  Obj(h)->Transparency = 100;
  TIEBitmap b;
  Burn(b);
  // The black box at 100/255 over white: 255 - 100 = 155 everywhere the box lies.
  const TIERGBPixel p = b.GetPixelRGB(2, 75);
  EXPECT_NEAR(p.r, 155, 3);
  EXPECT_NEAR(p.g, 155, 3);
}

TEST_F(VectDraw, AHighlightBoxMultipliesTheImageByItsBrush) {
  struct Case {
    TColor Image, Brush;
    int R, G, B;
  } cases[] = {
      {0xFFFFFF, 0x00FFFF, 255, 255, 0},  // yellow on white stays yellow
      {0x000000, 0x00FFFF, 0, 0, 0},      // on black it stays black
      {0x808080, 0xFF00FF, 128, 0, 128},  // magenta keeps red and blue of grey
  };
  for (const Case& c : cases) {
    View->ClearObjects();
    const int h = Add(iekBOX, 10, 10, 40, 30);
    Obj(h)->Highlight = true;
    Obj(h)->BrushStyle = bsSolid;
    Obj(h)->BrushColor = c.Brush;
    TIEBitmap b;
    Burn(b, c.Image);
    EXPECT_TRUE(Near(b.GetPixelRGB(25, 20), c.R, c.G, c.B)) << std::hex << c.Image << " " << c.Brush;
    const TIERGBPixel out = b.GetPixelRGB(60, 20);
    EXPECT_TRUE(Near(out, c.Image & 0xFF, (c.Image >> 8) & 0xFF, (c.Image >> 16) & 0xFF)) << "outside untouched";
  }
}

TEST_F(VectDraw, ALineReachesItsEndsAndCarriesArrowHeads) {
  const int h = Add(iekLINE, 10, 40, 90, 40);
  Obj(h)->PenColor = 0x000000;
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0x000000;
  Obj(h)->EndShape = 2;  // the usual head, tip at the end point, base 20 pixels back
  Obj(h)->BeginShape = 1;  // base across the start point, apex 20 pixels inward
  TIEBitmap b;
  Burn(b);
  const TIERGBPixel white{255, 255, 255};
  EXPECT_FALSE(Near(b.GetPixelRGB(50, 40), 255, 255, 255)) << "the line";
  // End head: the triangle between x 70 (width 10) and the tip at 90.
  EXPECT_GT(Marked(b, 74, 37, 76, 43), 12) << "end head is filled";
  EXPECT_EQ(Marked(b, 74, 46, 76, 50), 0) << "nothing beyond the head's width";
  // Start head: base across x 10 (height 10), apex at x 30.
  EXPECT_GT(Marked(b, 11, 36, 13, 44), 20) << "start head's wide base";
  EXPECT_EQ(Marked(b, 91, 30, 99, 50), 0) << "nothing past the tip";
  (void)white;
}

TEST_F(VectDraw, ALineWithoutShapesHasNoHead) {
  Add(iekLINE, 10, 40, 90, 40);
  TIEBitmap b;
  Burn(b);
  EXPECT_EQ(Marked(b, 70, 36, 80, 38, TIERGBPixel{255, 255, 255}), 0);
}

TEST_F(VectDraw, ABitmapObjectIsStretchedIntoItsBox) {
  TIEBitmap pic;
  pic.Allocate(2, 2, ie24RGB);
  pic.SetPixelRGB(0, 0, TIERGBPixel{0, 0, 255});
  pic.SetPixelRGB(1, 0, TIERGBPixel{0, 255, 0});
  pic.SetPixelRGB(0, 1, TIERGBPixel{255, 0, 0});
  pic.SetPixelRGB(1, 1, TIERGBPixel{0, 0, 0});
  const int h = Add(iekBITMAP, 10, 10, 49, 49);
  View->SetObjectBitmap(h, &pic);
  TIEBitmap b;
  Burn(b);
  EXPECT_TRUE(Near(b.GetPixelRGB(12, 12), 255, 0, 0));
  EXPECT_TRUE(Near(b.GetPixelRGB(47, 12), 0, 255, 0));
  EXPECT_TRUE(Near(b.GetPixelRGB(12, 47), 0, 0, 255));
  EXPECT_TRUE(Near(b.GetPixelRGB(47, 47), 0, 0, 0));
  EXPECT_TRUE(Near(b.GetPixelRGB(29, 29), 255, 0, 0)) << "the first quarter reaches the middle";
  EXPECT_TRUE(Near(b.GetPixelRGB(30, 30), 0, 0, 0));
  EXPECT_TRUE(Near(b.GetPixelRGB(50, 50), 255, 255, 255)) << "nothing outside the box";
}

TEST_F(VectDraw, ABitmapObjectWithoutPictureShowsACrossedBox) {
  const int h = Add(iekBITMAP, 10, 10, 50, 50);
  View->SetObjectBitmap(h, nullptr);  // drop the template's picture
  ASSERT_EQ(Obj(h)->BitmapSlot, -1);
  Obj(h)->PenColor = 0x000000;
  TIEBitmap b;
  Burn(b);
  EXPECT_LT(b.GetPixelRGB(30, 30).r, 128) << "the diagonals cross in the middle";
  EXPECT_LT(b.GetPixelRGB(10, 30).r, 128) << "the box's left edge";
  EXPECT_TRUE(Near(b.GetPixelRGB(30, 20), 255, 255, 255)) << "between the diagonals";
}

TEST_F(VectDraw, TextIsWrittenInsideItsBoxOnly) {
  const int h = Add(iekTEXT, 20, 20, 80, 50);
  Obj(h)->Text = "HHHH";
  Obj(h)->PenStyle = psClear;
  Obj(h)->PenColor = 0x000000;
  TIEBitmap b;
  Burn(b);
  const TIERGBPixel white{255, 255, 255};
  EXPECT_GT(Marked(b, 20, 20, 80, 50, white), 20);
  EXPECT_EQ(Marked(b, 0, 0, 99, 18, white), 0);
  EXPECT_EQ(Marked(b, 0, 52, 99, 79, white), 0);
  // An empty text draws nothing at all, not even its box.
  View->ClearObjects();
  const int e = Add(iekTEXT, 20, 20, 80, 50);
  Obj(e)->BrushStyle = bsSolid;
  Burn(b);
  EXPECT_EQ(Marked(b, 0, 0, 99, 79, white), 0);
}

TEST_F(VectDraw, AMemoWritesEachCharacterInItsOwnFormat) {
  const int h = Add(iekMEMO, 0, 0, 99, 79);
  TIEVObject* o = Obj(h);
  o->Text = "AAAA\nBBBB";
  o->MemoFixedFont = false;
  o->BrushStyle = bsClear;
  o->MemoBorderStyle = psClear;
  TIECharFormat red{}, blue{};
  for (TIECharFormat* f : {&red, &blue}) {
    f->Name = "Arial";
    f->Height = -18;
    f->BrushStyle = bsClear;
  }
  red.Color = 0x0000FF;
  blue.Color = 0xFF0000;
  o->MemoFormats = {red, blue};
  o->MemoCharFormat = {0, 0, 0, 0, 0, 1, 1, 1, 1};
  TIEBitmap b;
  Burn(b);
  // The first line is red, the second blue.
  int reds = 0, blues = 0, redsBelow = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      const TIERGBPixel p = b.GetPixelRGB(x, y);
      if (p.r > 200 && p.b < 60) (y < 22 ? reds : redsBelow)++;
      if (p.b > 200 && p.r < 60 && y >= 20) ++blues;
    }
  EXPECT_GT(reds, 10);
  EXPECT_GT(blues, 10);
  EXPECT_EQ(redsBelow, 0);
}

TEST_F(VectDraw, AMemoWithFormatIndexesOutsideItsListUsesTheObjectFont) {
  const int h = Add(iekMEMO, 0, 0, 99, 79);
  TIEVObject* o = Obj(h);
  o->Text = "XX";
  o->MemoFixedFont = false;
  o->MemoBorderStyle = psClear;
  o->MemoFormats.resize(1);
  o->MemoFormats[0] = TIECharFormat{};
  o->MemoCharFormat = {7, -3};  // damaged indexes
  TIEBitmap b;
  Burn(b);
  EXPECT_GT(Marked(b, 0, 0, 99, 79, TIERGBPixel{255, 255, 255}), 5);
}

TEST_F(VectDraw, AnInvisibleObjectIsNeverDrawnNorAnnounced) {
  const int h = Add(iekBOX, 10, 10, 40, 30);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0;
  Obj(h)->Style = 7;
  int before = 0;
  View->OnBeforeDrawObject = [&](TObject*, int, TBitmap*, const RECT&, bool, bool&) { ++before; };
  TIEBitmap b;
  Burn(b);
  EXPECT_EQ(before, 0);
  EXPECT_TRUE(Near(b.GetPixelRGB(25, 20), 255, 255, 255));
}

TEST_F(VectDraw, AHandledObjectIsNotDrawnButTheAfterEventFollows) {
  const int h = Add(iekBOX, 10, 10, 40, 30);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0;
  int after = 0;
  RECT seen{};
  View->OnBeforeDrawObject = [&](TObject*, int, TBitmap*, const RECT&, bool, bool& Handled) { Handled = true; };
  View->OnAfterDrawObject = [&](TObject*, int hobj, TBitmap*, const RECT& R, bool, bool& Handled) {
    EXPECT_EQ(hobj, h);
    EXPECT_TRUE(Handled);
    seen = R;
    ++after;
  };
  TIEBitmap b;
  Burn(b);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(seen.left, 10);
  EXPECT_EQ(seen.bottom, 30);
  EXPECT_TRUE(Near(b.GetPixelRGB(25, 20), 255, 255, 255));
}

TEST_F(VectDraw, BurningIntoAPalettedImageKeepsItsFormat) {
  TIEBitmap b;
  b.Allocate(60, 40, ie8p);
  for (int i = 0; i < 256; ++i) b.SetPaletteEntry(i, TIERGBPixel{uint8_t(i), uint8_t(i), uint8_t(i)});
  b.Fill(255);
  const int h = Add(iekBOX, 10, 10, 30, 30);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0;
  ASSERT_TRUE(View->CopyObjectsToBitmap(&b, false));
  EXPECT_EQ(b.PixelFormat(), ie8p);
  const TIERGBPixel in = b.GetPixelAsRGB(20, 20), out = b.GetPixelAsRGB(50, 5);
  EXPECT_LT(in.r, 40);
  EXPECT_GT(out.r, 215);
}

TEST_F(VectDraw, CopyObjectsToImageBurnsIntoTheViewImage) {
  TIEBitmap pic;
  Plain(pic, 100, 80, 0xFFFFFF);
  View->GetIEBitmap()->Assign(&pic);
  View->Update();
  const int h = Add(iekELLIPSE, 20, 20, 60, 60);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0x00FF00;
  View->CopyObjectsToImage(false);
  EXPECT_TRUE(Near(View->GetIEBitmap()->GetPixelRGB(40, 40), 0, 255, 0));
  EXPECT_TRUE(Near(View->GetIEBitmap()->GetPixelRGB(21, 21), 255, 255, 255)) << "the ellipse's corner is outside";
  EXPECT_EQ(View->ObjectsCount(), 1) << "the objects stay";
}

TEST_F(VectDraw, ObjectsArePaintedOverTheImageWithTheZoom) {
  TIEBitmap pic;
  Plain(pic, 100, 80, 0xFFFFFF);
  View->SetCenter(false);
  View->GetIEBitmap()->Assign(&pic);
  View->SetZoom(200);
  const int h = Add(iekLINE, 0, 20, 99, 20);
  Obj(h)->PenWidth = 3;
  auto thickness = [&]() {
    ::InvalidateRect(View->Handle(), nullptr, FALSE);
    UpdateWindow(View->Handle());
    int n = 0;
    for (int y = 20; y < 70; ++y)
      if (View->BackBuffer()->GetPixelRGB(100, y).r < 128) ++n;
    return n;
  };
  EXPECT_NEAR(thickness(), 6, 1) << "3 pixels at 200 %";
  EXPECT_GE(View->DrawnObjectsCount(), 1);
  View->SetZoomObjectsWidth(false);
  EXPECT_NEAR(thickness(), 3, 1);
  View->HideObjectsInPaint = true;
  View->Update();
  EXPECT_EQ(thickness(), 0);
}

TEST_F(VectDraw, SelectedObjectsShowGrips) {
  TIEBitmap pic;
  Plain(pic, 200, 150, 0xFFFFFF);
  View->SetCenter(false);
  View->GetIEBitmap()->Assign(&pic);
  View->Update();
  const int h = Add(iekBOX, 40, 40, 120, 100);
  Obj(h)->PenStyle = psClear;
  View->GripBrush()->SetColor(0x0000FF);
  auto at = [&](int x, int y) {
    ::InvalidateRect(View->Handle(), nullptr, FALSE);
    UpdateWindow(View->Handle());
    return View->BackBuffer()->GetPixelRGB(x, y);
  };
  EXPECT_TRUE(Near(at(80, 40), 255, 255, 255)) << "no grip before selection";
  View->SelectObject(h);
  View->Update();
  // The grips are blended at 180/255 over white: red stays high, green and blue fall.
  for (const POINT& p : {POINT{40, 40}, POINT{120, 100}, POINT{120, 40}, POINT{40, 100}, POINT{80, 40}, POINT{40, 70}}) {
    const TIERGBPixel g = at(p.x, p.y);
    EXPECT_GT(g.r, 200) << p.x << "," << p.y;
    EXPECT_LT(g.g, 140) << p.x << "," << p.y;
  }
}

TEST_F(VectDraw, AClosedPolylineIsFilledAndRecordsItsDrawnVertices) {
  const int h = Add(iekPOLYLINE, 10, 10, 50, 50);
  TIEVObject* o = Obj(h);
  o->Points = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};  // its own point space, mapped into the box
  o->PointsBounds = TIERect{0, 0, 100, 100};
  o->Closed = true;
  o->BrushStyle = bsSolid;
  o->BrushColor = 0x00FF00;
  TIEBitmap b;
  Burn(b);
  EXPECT_TRUE(Near(b.GetPixelRGB(30, 30), 0, 255, 0));
  EXPECT_TRUE(Near(b.GetPixelRGB(55, 30), 255, 255, 255));
  ASSERT_EQ(o->DrawnPoints.size(), 4u);
  EXPECT_EQ(o->DrawnPoints[2].X, 50);
  EXPECT_EQ(o->DrawnPoints[2].Y, 50);
  o->Closed = false;
  Burn(b);
  EXPECT_TRUE(Near(b.GetPixelRGB(30, 30), 255, 255, 255)) << "an open polyline is not filled";
}

TEST_F(VectDraw, ASoftShadowDarkensBesideTheObject) {
  const int h = Add(iekBOX, 20, 20, 50, 50);
  TIEVObject* o = Obj(h);
  o->BrushStyle = bsSolid;
  o->BrushColor = 0xFF0000;
  TIEBitmap plain;
  Burn(plain);
  EXPECT_TRUE(Near(plain.GetPixelRGB(56, 56), 255, 255, 255));
  o->SoftShadow.Enabled = true;
  o->SoftShadow.Radius = 2;
  o->SoftShadow.OffsetX = 6;
  o->SoftShadow.OffsetY = 6;
  TIEBitmap shaded;
  Burn(shaded);
  EXPECT_TRUE(Near(shaded.GetPixelRGB(35, 35), 0, 0, 255)) << "the object itself";
  EXPECT_LT(shaded.GetPixelRGB(54, 54).r, 200) << "the shadow below and to the right";
  EXPECT_TRUE(Near(shaded.GetPixelRGB(12, 12), 255, 255, 255)) << "no shadow on the other side";
}

TEST_F(VectDraw, TextAlongACurveFollowsIt) {
  const int h = Add(iekTEXT, 0, 0, 99, 79);
  TIEVObject* o = Obj(h);
  o->Text = "WWWWWW";
  o->PenStyle = psClear;
  o->CurvePoints = {{0.05, 0.5}, {0.95, 0.5}};  // a straight curve across the middle
  TIEBitmap b;
  Burn(b);
  EXPECT_GT(Marked(b, 0, 25, 99, 45), 30) << "characters on the curve";
  EXPECT_EQ(Marked(b, 0, 60, 99, 79), 0) << "nothing far below it";
  EXPECT_LE(o->DrawnBounds.Left, 10);
  EXPECT_GE(o->DrawnBounds.Right, 85);
}

TEST_F(VectDraw, ALineLabelDrawsItsBoxAndRemembersIt) {
  const int h = Add(iekLINELABEL, 70, 40, 95, 10);
  TIEVObject* o = Obj(h);
  o->Text = "Label";
  o->LabelBrushColor = 0x00FFFF;
  o->LabelBrushStyle = bsSolid;
  o->LabelPosition = 0;  // at the start point; the far end lies right and up, so the box grows left and down
  TIEBitmap b;
  Burn(b);
  EXPECT_EQ(o->LabelRect.Right, 70);
  EXPECT_EQ(o->LabelRect.Top, 40);
  EXPECT_LT(o->LabelRect.Left, 60);
  EXPECT_GT(o->LabelRect.Bottom, 45);
  int yellow = 0, area = 0;
  for (int y = o->LabelRect.Top + 1; y < o->LabelRect.Bottom - 1; ++y)
    for (int x = std::max(o->LabelRect.Left + 1, 0); x < o->LabelRect.Right - 1; ++x, ++area)
      if (Near(b.GetPixelRGB(x, y), 255, 255, 0)) ++yellow;
  EXPECT_GT(yellow * 2, area) << "the yellow label box";
  EXPECT_LT(yellow, area) << "with the text on it";
}

TEST_F(VectDraw, WithoutTheAntialiasedCanvasObjectsAreSupersampled) {
  IESetGdiPlusAllowed(false);
  const int h = Add(iekBOX, 10, 10, 40, 30);
  Obj(h)->BrushStyle = bsSolid;
  Obj(h)->BrushColor = 0x0000FF;
  const int l = Add(iekBOX, 60, 10, 90, 30);
  Obj(l)->Highlight = true;
  Obj(l)->BrushStyle = bsSolid;
  Obj(l)->BrushColor = 0x00FFFF;
  TIEBitmap b;
  Plain(b, 100, 80, 0xFFFFFF);
  const bool done = View->CopyObjectsToBitmap(&b, true);
  IESetGdiPlusAllowed(true);
  ASSERT_TRUE(done);
  EXPECT_FALSE(View->DrawAntialiased()) << "the switch is restored";
  EXPECT_TRUE(Near(b.GetPixelRGB(25, 20), 255, 0, 0, 2)) << "the fill at full size";
  EXPECT_TRUE(Near(b.GetPixelRGB(5, 20), 255, 255, 255, 2)) << "nothing outside";
  EXPECT_TRUE(Near(b.GetPixelRGB(75, 20), 255, 255, 0, 2)) << "the highlight";
  EXPECT_TRUE(Near(b.GetPixelRGB(50, 60), 255, 255, 255)) << "untouched image";
}

}  // namespace
