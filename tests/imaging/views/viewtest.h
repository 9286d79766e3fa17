// Helpers of the single-image view tests: a headless form holding one view, generated pictures,
// painting on demand, injected mouse input and golden-image comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/forms.h"
#include "platform/win/pngsnap.h"
#include "platform/win/winuser.h"

namespace viewtest {

inline std::string SourceDir() {
  const char* s = std::getenv("ORVANTA_SOURCE_DIR");
  return s ? s : ".";
}

// A picture whose every pixel tells its position: red = x mod 256, green = y mod 256, blue 77.
inline void MakeCoordPicture(TIEBitmap& B, int W, int H) {
  B.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < W; ++x) row[x] = TIERGBPixel{77, static_cast<uint8_t>(y), static_cast<uint8_t>(x)};
  }
}

// A photo-like picture: gradients with a disc.
inline void MakePhoto(TIEBitmap& B, int W, int H) {
  B.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < W; ++x) {
      const bool disc = (x - W / 2) * (x - W / 2) + (y - H / 2) * (y - H / 2) < (H / 3) * (H / 3);
      row[x].r = static_cast<uint8_t>(disc ? 230 : x * 255 / W);
      row[x].g = static_cast<uint8_t>(disc ? 120 : y * 255 / H);
      row[x].b = static_cast<uint8_t>(disc ? 40 : (x + y) * 127 / (W + H) + 64);
    }
  }
}

// A shown headless form with one borderless view of ClientW x ClientH at (0, 0).
class ViewFixture : public ::testing::Test {
protected:
  void SetUp() override {
    IEImagingStartup();
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(10, 10, 700, 500);
    View = new TImageryView(Form);
    View->SetParent(Form);
    View->SetBorderStyle(TIEBorderStyle::bsNone);
    View->SetBounds(0, 0, 400, 300);
    Form->Show();
    Run();
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    IEImagingShutdown();
  }
  void Run() { Application()->ProcessMessages(); }
  void PaintNow() {
    ::InvalidateRect(View->Handle(), nullptr, FALSE);
    UpdateWindow(View->Handle());
  }
  void Load(int W, int H, bool Coord = true) {
    TIEBitmap b;
    if (Coord)
      MakeCoordPicture(b, W, H);
    else
      MakePhoto(b, W, H);
    View->GetIEBitmap()->Assign(&b);
    View->Update();
  }
  TIERGBPixel Back(int x, int y) { return View->BackBuffer()->GetPixelRGB(x, y); }
  TIERGBPixel Screen(int x, int y) {
    HBITMAP shot = RenderWindowToBitmap(View->Handle());
    const TIERGBPixel p = PixelOf(shot, x, y);
    DeleteObject(shot);
    return p;
  }
  static TIERGBPixel PixelOf(HBITMAP Bmp, int x, int y) {
    const TGdiSurface* s = GetBitmapSurface(Bmp);
    const uint8_t* p = s->Row(y) + 4 * x;
    return TIERGBPixel{p[0], p[1], p[2]};
  }
  void Mouse(int X, int Y, int Button, bool Down) {
    POINT s = View->ClientToScreen(POINT{X, Y});
    InjectMouseButton(s.x, s.y, Button, Down);
    Run();
  }
  void MoveTo(int X, int Y) {
    POINT s = View->ClientToScreen(POINT{X, Y});
    InjectMouseMove(s.x, s.y);
    Run();
  }
  void Click(int X, int Y, int Button = 0) {
    Mouse(X, Y, Button, true);
    Mouse(X, Y, Button, false);
  }
  void Drag(int X1, int Y1, int X2, int Y2) {
    MoveTo(X1, Y1);
    Mouse(X1, Y1, 0, true);
    MoveTo((X1 + X2) / 2, (Y1 + Y2) / 2);
    MoveTo(X2, Y2);
    Mouse(X2, Y2, 0, false);
  }
  // Compares the window with a golden image (ORVANTA_UPDATE_GOLDEN rewrites it).
  void ExpectGolden(const std::string& Name) {
    PaintNow();
    HBITMAP shot = RenderWindowToBitmap(View->Handle());
    ASSERT_TRUE(shot);
    const std::string golden = SourceDir() + "/tests/imaging/views/golden/" + Name;
    if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
    HBITMAP want = LoadPngToBitmap(golden);
    ASSERT_TRUE(want) << "missing golden image " << golden;
    EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 40) << Name;
    DeleteObject(want);
    DeleteObject(shot);
  }
  TForm* Form = nullptr;
  TImageryView* View = nullptr;
};

}  // namespace viewtest
