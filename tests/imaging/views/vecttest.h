// Helpers of the vector-object view tests: a started imaging library, a headless vector view, and
// objects of every kind with every stored field set to a value of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/views/imageryvect.h"

namespace vecttest {

class VectFixture : public ::testing::Test {
protected:
  void SetUp() override {
    IEImagingStartup();
    View = new TImageryVect(nullptr);
  }
  void TearDown() override {
    delete View;
    IEImagingShutdown();
  }
  TImageryVect* View = nullptr;
};

// A small picture whose pixels depend on Seed.
inline void MakePicture(TIEBitmap& B, int W, int H, int Seed) {
  B.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      B.SetPixelRGB(x, y, TIERGBPixel{static_cast<uint8_t>(x * 7 + Seed), static_cast<uint8_t>(y * 5 + Seed),
                                      static_cast<uint8_t>(Seed)});
}

inline LOGFONT MakeFont(int Height, const char* Face) {
  LOGFONT f{};
  f.lfHeight = Height;
  f.lfWeight = 700;
  f.lfItalic = 1;
  std::strncpy(f.lfFaceName, Face, sizeof f.lfFaceName - 1);
  return f;
}

// Adds an object of Kind with every field its kind stores set to a value derived from Seed.
inline int AddFullObject(TImageryVect* V, TIEVObjectKind Kind, int Seed) {
  TIEVObject& t = *V->GetObjectRecord(IEV_TEMPLATE);
  TIEVObject o;
  o.Kind = Kind;
  o.X1 = 10 + Seed;
  o.Y1 = 20 + Seed;
  o.X2 = 70 + Seed;
  o.Y2 = 90 + Seed;
  o.Transparency = 200 + Seed % 50;
  o.KeepAspect = true;
  o.SoftShadow.Enabled = true;
  o.SoftShadow.Radius = 4.5;
  o.SoftShadow.OffsetX = 3;
  o.SoftShadow.OffsetY = -2;
  o.SoftShadow.Intensity = 70;
  o.SoftShadow.ShadowColor = TIERGBPixel{1, 2, 3};
  o.Name = "object " + std::to_string(Seed);
  o.Tag = 1000 + Seed;
  o.PenColor = 0x123456 + Seed;
  o.PenStyle = psDash;
  o.PenWidth = 3;
  o.BrushColor = 0x654321;
  o.BrushStyle = bsCross;
  o.Style = ievsSelectable | ievsVisible;
  o.Highlight = Kind == iekBOX;
  o.FontQuality = 5;
  o.TextEditable = false;
  o.CharAngle = -10;
  switch (Kind) {
    case iekLINELABEL:
      o.LabelBrushColor = 0x00AA00;
      o.LabelBrushStyle = bsHorizontal;
      o.LabelPosition = 1;
      o.LabelBorder = 3;
      [[fallthrough]];
    case iekLINE:
      o.X2 = 5;  // a line keeps its direction
      o.BeginShape = 1;
      o.EndShape = 2;
      o.ShapeWidth = 11;
      o.ShapeLength = 22;
      if (Kind == iekLINE) break;
      [[fallthrough]];
    case iekTEXT:
    case iekEXTENDED:
      o.TextAlign = 2;
      o.AutoSize = true;
      o.Text = "text " + std::to_string(Seed);
      o.Font = std::make_unique<LOGFONT>(MakeFont(-17, "DejaVu Sans"));
      o.CurvePoints = {{0.0, 0.5}, {0.5, 0.25}, {1.0, 0.5}};
      o.CharAngle = 450;
      break;
    case iekARC:
      o.ArcStart = 0.25;
      o.ArcEnd = 4.5;
      break;
    case iekBITMAP:
      o.BitmapSlot = t.BitmapSlot;
      o.BitmapBorder = true;
      o.Text = "kept";
      break;
    case iekRULER:
      o.RulerUnit = ieuMILLIMETERS;
      o.RulerType = 3;
      o.Font = std::make_unique<LOGFONT>(MakeFont(-9, "Liberation Serif"));
      break;
    case iekPOLYLINE:
      o.Points = {{0, 0}, {100, 20}, {50, 200}};
      o.PointsBounds = TIERect{0, 0, 100, 200};
      o.Closed = true;
      break;
    case iekANGLE:
      o.AnglePoints[0] = {1, 2};
      o.AnglePoints[1] = {30, 40};
      o.AnglePoints[2] = {5, 60};
      o.Font = std::make_unique<LOGFONT>(MakeFont(-11, "Liberation Sans"));
      break;
    case iekMEMO: {
      o.Text = "ab\ncd";
      o.Font = std::make_unique<LOGFONT>(MakeFont(-13, "DejaVu Serif"));
      o.MemoCharFormat = {0, 1, 1, 0, 1};
      TIECharFormat f{};
      f.Name = "DejaVu Serif";
      f.Height = -12;
      f.Color = 0x0000FF;
      o.MemoFormats = {f, f};
      o.MemoFormats[1].Style = 3;
      o.MemoFixedFont = false;
      o.AutoSize = true;
      o.MemoLineSpacing = 4;
      o.MemoBorderColor = 0x111111;
      o.MemoBorderStyle = psDot;
      o.TextAlign = 3;
      o.MemoLineHeight = 18;
      o.MemoHasBitmap = true;
      o.BitmapSlot = t.BitmapSlot;
      o.BitmapBorder = true;
      o.MemoMargins[0] = 1.5;
      o.MemoMargins[1] = 2.5;
      o.MemoMargins[2] = 3.5;
      o.MemoMargins[3] = 4.5;
      o.MemoTextBrushStyle = bsClear;
      break;
    }
    default: break;
  }
  return V->AddObjectRecord(o);
}

}  // namespace vecttest
