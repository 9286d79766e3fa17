// Small components and helpers: palette picker, settings objects, painters, orientation,
// folders, URL kinds and the tolerant float parser.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iesmall.h"
#include "imaging/core/iestreams.h"
#include "imgtestutil.h"

namespace {

TEST(SmallComponents, PaletteDialogCellsAndClick) {
  TIERGBPixel pal[256];
  for (int i = 0; i < 256; ++i) pal[i] = TIERGBPixel{uint8_t(i), 0, uint8_t(255 - i)};
  TImageryPaletteDialog d;
  EXPECT_EQ(d.Selected, -1);
  d.SetPalette(pal, 256);
  // A click with nothing selected does nothing (no entry -1 is read).
  EXPECT_FALSE(d.Click());
  EXPECT_EQ(d.ModalResult, 0);
  EXPECT_TRUE(d.MouseMove(17, 1));
  EXPECT_EQ(d.Selected, 1);
  EXPECT_FALSE(d.MouseMove(18, 2));  // the same entry: no repaint
  EXPECT_TRUE(d.MouseMove(1, 17));
  EXPECT_EQ(d.Selected, 32);
  EXPECT_FALSE(d.MouseMove(515, 5));  // right of the cells
  EXPECT_FALSE(d.MouseMove(5, 150));  // below the eighth row
  EXPECT_EQ(d.Selected, 32);
  EXPECT_TRUE(d.Click());
  EXPECT_EQ(d.ModalResult, 1);
  EXPECT_EQ(d.ChosenColor, 223 | (0 << 8) | (32 << 16));  // pal[32]: red 223, blue 32
  TIEBitmap canvas(TImageryPaletteDialog::ClientWidth, TImageryPaletteDialog::ClientHeight, ie24RGB);
  canvas.Fill(0x808080);
  d.Paint(&canvas);
  EXPECT_EQ(canvas.GetPixelRGB(1, 17), (TIERGBPixel{0, 0, 0}));        // selected outline black
  EXPECT_EQ(canvas.GetPixelRGB(17, 1), (TIERGBPixel{255, 255, 255}));  // others white
  EXPECT_EQ(canvas.GetPixelRGB(8 + 16, 8), pal[1]);
}

TEST(SmallComponents, SettingsDefaults) {
  TIEScrollBarParams s;
  EXPECT_EQ(s.LineStep, -1);
  EXPECT_EQ(s.PageStep, -1);
  EXPECT_TRUE(s.Tracking);
  TIEMouseWheelParams m;
  EXPECT_FALSE(m.InvertDirection);
  EXPECT_EQ(m.Action, 2);
  EXPECT_EQ(m.StepKind, 1);
  EXPECT_EQ(m.Step, 8);
  EXPECT_FALSE(m.ZoomAtMouse);
}

TEST(SmallComponents, PaintersAndBellCurve) {
  TIEBitmap stripe;
  IEMakeStripeBitmap(&stripe, 3, 6);
  const int levels[6] = {240, 251, 255, 251, 240, 251};
  for (int y = 0; y < 6; ++y) EXPECT_EQ(stripe.GetPixelRGB(2, y).r, levels[y]) << y;
  TIEBitmap tex;
  IEMakeTextureBitmap(&tex, 50, 4);
  EXPECT_GE(tex.GetPixelRGB(25, 0).r, 207);
  EXPECT_LE(tex.GetPixelRGB(0, 0).r, 160 + 10 + 1);

  TIEBitmap b(20, 40, ie24RGB);
  b.Fill(0xC8C8C8);  // 200
  IEDrawShadowRight(&b, 10, 0, 18, 39, 2);
  EXPECT_EQ(b.GetPixelRGB(10, 20).r, static_cast<int>(200 * std::exp(-1.6)));
  EXPECT_EQ(b.GetPixelRGB(18, 20).r, static_cast<int>(200 * std::exp(-0.1 - 1.0 / 54)));
  EXPECT_EQ(b.GetPixelRGB(10, 5).r, 200);  // above y1 + w
  TIEBitmap f(30, 30, ie24RGB);
  f.Fill(0xFFFFFF);
  IEDrawSoftShadowFrame(&f, 10, 10, 20, 20);
  EXPECT_EQ(f.GetPixelRGB(15, 15).r, 255);  // the object itself stays
  EXPECT_LT(f.GetPixelRGB(21, 21).r, 255);  // shadow lower right
  EXPECT_GT(f.GetPixelRGB(6, 6).r, f.GetPixelRGB(21, 21).r);
}

TEST(SmallComponents, OrientationAndColour) {
  for (int o : {1, 9}) {
    TIEBitmap b(40, 30, ie24RGB);
    PaintPattern(b);
    IEApplyOrientation(&b, o);
    EXPECT_TRUE(HasPattern(b));
  }
  TIEBitmap b(40, 30, ie24RGB);
  b.Fill(0);
  b.SetPixelRGB(0, 0, TIERGBPixel{9, 9, 9});
  b.GetAlphaChannel()->SetPixel8(0, 0, 7);
  IEApplyOrientation(&b, 6);  // clockwise quarter turn
  EXPECT_EQ(b.Width(), 30);
  EXPECT_EQ(b.Height(), 40);
  EXPECT_EQ(b.GetPixelRGB(29, 0), (TIERGBPixel{9, 9, 9}));
  EXPECT_EQ(b.GetAlphaChannel()->GetPixel8(29, 0), 7);
  TIERGBPixel p;
  IEYCbCrToRGB(p, 100, 128, 228);
  EXPECT_EQ(p.r, 240);  // 100 + 1.402 x 100, truncated
  EXPECT_EQ(p.g, static_cast<int>(100 - 0.71414 * 100));
  EXPECT_EQ(p.b, 100);
}

TEST(SmallComponents, FoldersUrlsAndFloats) {
  TTempFolder temp;
  const std::string deep = temp.Path + "a/b/";
  IEForceDirectories(deep);
  EXPECT_TRUE(IEDirectoryExists(temp.Path + "a"));
  EXPECT_TRUE(IEDirectoryExists(temp.Path + "a/b"));
  EXPECT_THROW(IEForceDirectories(""), EIEException);
  ::rmdir((temp.Path + "a/b").c_str());
  ::rmdir((temp.Path + "a").c_str());
  EXPECT_EQ(IEGetURLType(u"HTTPS://x"), 2);
  EXPECT_EQ(IEGetURLType(u"http://x"), 1);
  EXPECT_EQ(IEGetURLTypeA("ftp:/x"), 0);
  EXPECT_EQ(IEGetURLTypeA("FTP://x"), 3);
  EXPECT_DOUBLE_EQ(IEStrToFloatDef("1,5", 0), 1.5);
  EXPECT_DOUBLE_EQ(IEStrToFloatDef("2.25", 0), 2.25);
  EXPECT_DOUBLE_EQ(IEStrToFloatDef("abc", 7), 7);
}

}  // namespace
