// Measurement of the vector-object view: unit factors, measurement texts, ruler lengths, angles,
// the selection's length and area, the drag length and the floating hint, and ruler drawing.
#include <cmath>

#include "imaging/views/iegdiplus.h"
#include "vectdrawtest.h"

namespace {

using vectdrawtest::VectDrawFixture;

class VectMeasure : public VectDrawFixture {};

TEST_F(VectMeasure, UnitFactorsFollowTheUnitTheResolutionAndTheScale) {
  struct Case {
    TIEUnits Unit;
    int Dpi;
    double Scale, Expected;
  } cases[] = {
      {ieuPIXELS, 254, 1, 1.0},         {ieuPIXELS, 254, 2, 2.0},
      {ieuCENTIMETERS, 254, 1, 0.01},   {ieuCENTIMETERS, 254, 2, 0.02},
      {ieuINCHES, 100, 1, 0.01},        {ieuMILLIMETERS, 254, 1, 0.1},
      {ieuMETERS, 254, 1, 0.0001},      {ieuKM, 254, 1, 0.0000001},
      {ieuMICRONS, 254, 1, 100.0},      {ieuNANOMETERS, 254, 1, 100000.0},
  };
  for (const Case& c : cases) {
    View->SetDpi(c.Dpi, c.Dpi);
    View->SetScaleFactor(c.Scale);
    double x = 0, y = 0;
    View->GetUnitFactors(x, y, c.Unit);
    EXPECT_NEAR(x, c.Expected, c.Expected * 1e-9) << View->GetUnitName(c.Unit) << " " << c.Dpi << " " << c.Scale;
    EXPECT_NEAR(y, c.Expected, c.Expected * 1e-9);
    View->SetMUnit(c.Unit);
    EXPECT_NEAR(View->UnitFactorX(), c.Expected, c.Expected * 1e-9) << "kept for the current unit";
  }
  View->SetDpi(100, 200);
  View->SetScaleFactor(1);
  double x = 0, y = 0;
  View->GetUnitFactors(x, y, ieuINCHES);
  EXPECT_DOUBLE_EQ(x, 0.01);
  EXPECT_DOUBLE_EQ(y, 0.005);
}

TEST_F(VectMeasure, UnitNamesAndTheTemplateRulerUnit) {
  const char* names[] = {"pixels", "inches", "km", "mt", "cm", "mm", "microns", "nanometers"};
  for (int u = 0; u < 8; ++u) EXPECT_EQ(TImageryVect::GetUnitName(static_cast<TIEUnits>(u)), names[u]);
  View->SetMUnit(ieuMILLIMETERS);
  EXPECT_EQ(View->GetObjectRecord(-1)->RulerUnit, ieuMILLIMETERS);
}

TEST_F(VectMeasure, MeasurementsAreWrittenWithTheDigitsAsked) {
  EXPECT_EQ(View->FormatMeasure(50), "50.00");
  EXPECT_EQ(View->FormatMeasure(std::sqrt(2.0)), "1.41");
  View->SetFloatDigits(4);
  EXPECT_EQ(View->FormatMeasure(std::sqrt(2.0)), "1.4142");
  View->SetFloatDigits(0);
  EXPECT_EQ(View->FormatMeasure(2.5), "3");
}

TEST_F(VectMeasure, ARulerMeasuresItsLengthInItsOwnUnit) {
  const int h = Add(iekRULER, 0, 0, 30, 40);
  EXPECT_DOUBLE_EQ(View->GetObjectLength(h), 50.0);
  EXPECT_EQ(View->FormatMeasure(View->GetObjectLength(h)) + " " + TImageryVect::GetUnitName(ieuPIXELS), "50.00 pixels");
  View->SetDpi(254, 254);
  View->GetObjectRecord(h)->RulerUnit = ieuCENTIMETERS;
  EXPECT_NEAR(View->GetObjectLength(h), 0.5, 1e-12);
  // Drawn right to left the length is the same.
  const int back = Add(iekRULER, 30, 40, 0, 0);
  EXPECT_DOUBLE_EQ(View->GetObjectLength(back), 50.0);
}

TEST_F(VectMeasure, AnglesMeasureFromTheFirstArmToTheSecond) {
  const int a = Add(iekANGLE, 0, 0, 0, 0);
  TIEVObject* o = View->GetObjectRecord(a);
  o->AnglePoints[0] = TIEPoint{10, 0};
  o->AnglePoints[1] = TIEPoint{0, 0};
  o->AnglePoints[2] = TIEPoint{0, 10};
  const double one = View->GetObjectAngle(a);
  std::swap(o->AnglePoints[0], o->AnglePoints[2]);
  const double other = View->GetObjectAngle(a);
  EXPECT_NEAR(one + other, 360, 1e-9);
  EXPECT_NEAR(std::max(one, other), 270, 1e-9);
  View->ReflexAngleComplement = true;
  EXPECT_NEAR(View->GetObjectAngle(a), 90, 1e-9);
  std::swap(o->AnglePoints[0], o->AnglePoints[2]);
  EXPECT_NEAR(View->GetObjectAngle(a), 90, 1e-9);
  o->AnglePoints[2] = TIEPoint{-1000000, -1000000};
  EXPECT_EQ(View->GetObjectAngle(a), 0) << "an angle not placed yet measures nothing";
}

TEST_F(VectMeasure, TheSelectionLengthWalksEveryPolygonClosed) {
  auto& pts = View->SelectionRecord().Points;
  pts = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_DOUBLE_EQ(View->GetSelectionLength(), 40);
  pts = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {IESelBreak, 0}, {20, 20}, {50, 20}, {50, 24}, {20, 24}};
  EXPECT_DOUBLE_EQ(View->GetSelectionLength(), 40 + 68);
  View->SetDpi(254, 254);
  View->SetMUnit(ieuCENTIMETERS);
  EXPECT_NEAR(View->GetSelectionLength(), 1.08, 1e-12);
  pts.clear();
  EXPECT_EQ(View->GetSelectionLength(), 0);
}

TEST_F(VectMeasure, TheSelectionAreaAddsSeparatePolygons) {
  auto& pts = View->SelectionRecord().Points;
  pts = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_DOUBLE_EQ(View->GetSelectionArea(), 100);
  pts = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {IESelBreak, 0}, {20, 20}, {40, 20}, {40, 25}, {20, 25}};
  EXPECT_DOUBLE_EQ(View->GetSelectionArea(), 200);
  pts = {{0, 0}, {10, 0}, {0, 10}};
  EXPECT_DOUBLE_EQ(View->GetSelectionArea(), 50) << "a triangle";
  View->SetDpi(254, 254);
  View->SetMUnit(ieuMILLIMETERS);
  EXPECT_NEAR(View->GetSelectionArea(), 0.5, 1e-12);
}

TEST_F(VectMeasure, TheSelectionAreaOfFewPointsCountsTheMask) {
  TIEBitmap pic;
  Plain(pic, 100, 80, 0xFFFFFF);
  View->GetIEBitmap()->Assign(&pic);
  View->Update();
  View->SelectionRecord().Points.clear();
  EXPECT_EQ(View->GetSelectionArea(), 0) << "empty mask";
  TIEMask* m = View->SelectionMask();
  m->AllocateBits(100, 80, 1);
  for (int y = 10; y < 15; ++y)
    for (int x = 20; x < 26; ++x) m->SetPixel(x, y, 1);
  m->RecalcBounds();
  EXPECT_DOUBLE_EQ(View->GetSelectionArea(), 30);
}

TEST_F(VectMeasure, TheDragLengthCountsBothEndPixels) {
  EXPECT_NEAR(View->GetDragLength(10, 10, 10, 10), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(View->GetDragLength(39, 49, 10, 10), 50, 1e-12);
  View->SetZoom(200);
  EXPECT_NEAR(View->GetDragLength(69, 89, 10, 10), 50, 1e-12) << "client pixels at 200 % are half image pixels";
}

TEST_F(VectMeasure, TheHintShowsTheDragAndKeepsTheLastValueForZero) {
  TIEBitmap pic;
  Plain(pic, 100, 80, 0xFFFFFF);
  View->GetIEBitmap()->Assign(&pic);
  View->Update();
  View->SetMeasureHintOn(true);
  View->SetMouseInteractVt(TIEMouseInteractVt{mivMeasureDrag});
  View->SetMeasurePoints(10, 10, 10, 10);
  View->ShowMeasureHint(50, 50);
  EXPECT_EQ(View->LastHintText(), "1.41 pixels");
  View->SetMeasurePoints(10, 10, 39, 49);
  View->RefreshMeasureHint(-1000000, -1000000);
  EXPECT_EQ(View->LastHintText(), "50.00 pixels");
  // An empty selection path measures 0: the last value stays on show.
  View->SelectionRecord().Points.clear();
  View->SetMouseInteractVt(TIEMouseInteractVt{mivMeasurePath});
  View->RefreshMeasureHint(-1000000, -1000000);
  EXPECT_EQ(View->LastHintText(), "50.00 pixels");
  View->SelectionRecord().Points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  View->SetMouseInteractVt(TIEMouseInteractVt{mivMeasureArea});
  double seen = 0;
  View->OnMeasureHint = [&](TObject*, std::string& Text, double Value) {
    seen = Value;
    Text = "area " + Text;
  };
  View->RefreshMeasureHint(-1000000, -1000000);
  EXPECT_EQ(seen, 100);
  EXPECT_EQ(View->LastHintText(), "area 100.00 pixels\xB2");
}

TEST_F(VectMeasure, HidingTheHintRestoresWhatItCovered) {
  TIEBitmap pic;
  Plain(pic, 400, 300, 0xFFFFFF);
  View->GetIEBitmap()->Assign(&pic);
  View->Update();
  ::InvalidateRect(View->Handle(), nullptr, FALSE);
  UpdateWindow(View->Handle());
  View->SetMeasureHintOn(true);
  View->SetMouseInteractVt(TIEMouseInteractVt{mivMeasureDrag});
  View->SetMeasurePoints(10, 10, 60, 60);
  View->ShowMeasureHint(100, 100);
  const COLORREF inside = View->Canvas()->Pixels(110, 110);
  EXPECT_NE(inside & 0xFFFFFF, 0xFFFFFFu) << "the hint box covers the image";
  View->HideMeasureHint();
  EXPECT_EQ(View->Canvas()->Pixels(110, 110) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(VectMeasure, ALabelledRulerDrawsItsLineEndBarsAndLabel) {
  const int h = Add(iekRULER, 10, 40, 90, 40);
  View->GetObjectRecord(h)->PenColor = 0;
  View->SetObjAntialias(false);
  TIEBitmap b;
  Plain(b, 100, 80, 0xFFFFFF);
  ASSERT_TRUE(View->CopyObjectsToBitmap(&b, false));
  EXPECT_LT(b.GetPixelRGB(50, 40).r, 128) << "the line";
  EXPECT_LT(b.GetPixelRGB(10, 33).r, 128) << "the bar across the start";
  EXPECT_LT(b.GetPixelRGB(90, 47).r, 128) << "the bar across the end";
  int text = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 15; x < 85; ++x)
      if (y != 40 && b.GetPixelRGB(x, y).r < 128) ++text;
  EXPECT_GT(text, 20) << "the label";
}

TEST_F(VectMeasure, AGraduatedRulerTicksEveryTenthOfAUnit) {
  View->SetDpi(100, 100);
  const int h = Add(iekRULER, 0, 40, 99, 40);
  TIEVObject* o = View->GetObjectRecord(h);
  o->PenColor = 0;
  o->RulerType = 0;
  o->RulerUnit = ieuINCHES;  // 10 pixels per tenth of an inch
  View->SetObjAntialias(false);
  TIEBitmap b;
  Plain(b, 100, 80, 0xFFFFFF);
  ASSERT_TRUE(View->CopyObjectsToBitmap(&b, false));
  int ticks = 0;
  for (int x = 0; x < 100; ++x)
    if (b.GetPixelRGB(x, 36).r < 128) ++ticks;
  EXPECT_GE(ticks, 9);
  EXPECT_LE(ticks, 20);
  EXPECT_LT(b.GetPixelRGB(50, 36).r, 128) << "a tick at 50 pixels";
  EXPECT_GT(b.GetPixelRGB(45, 36).r, 128) << "none between";
}

}  // namespace
