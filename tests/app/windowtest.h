// Shared by the tests of the viewer, crop and settings windows: the main window over a shoot of
// real JPEG photos, and the comparison of a window with its golden image.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/maincontrols.h"
#include "app/seemain.h"
#include "apptest.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/imageryio.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"

namespace windowtest {

// A W x H photo: a horizontal ramp of Color's tone with a white square in its top left quarter,
// so that turns and cuts can be told apart.
inline void WriteJpeg(const std::string& Path, int W, int H, TColor Color) {
  TIEBitmap b;
  b.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(b.Scanline(y));
    for (int x = 0; x < W; ++x) {
      const bool mark = x < W / 4 && y < H / 4;
      const int k = 128 + 127 * x / W;
      row[x].r = static_cast<uint8_t>(mark ? 255 : (Color & 0xFF) * k / 255);
      row[x].g = static_cast<uint8_t>(mark ? 255 : ((Color >> 8) & 0xFF) * k / 255);
      row[x].b = static_cast<uint8_t>(mark ? 255 : ((Color >> 16) & 0xFF) * k / 255);
    }
  }
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.SaveToFile(Path);
}

// The size of the picture in a JPEG file.
inline std::pair<int, int> JpegSize(const std::string& Path) {
  TIEBitmap b;
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.LoadFromFile(Path);
  return {b.Width(), b.Height()};
}

// Compares a window's look with a golden image under tests/app/golden/ (written anew when
// ORVANTA_UPDATE_GOLDEN is set).
inline void ExpectLooksLike(TWinControl* Form, const std::string& Name) {
  Application()->ProcessMessages();
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  const std::string golden = apptest::SourceDir() + "/tests/app/golden/" + Name;
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  // Anti-aliased text may differ by a few levels between FreeType builds.
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20) << Name;
  DeleteObject(want);
  DeleteObject(shot);
}

// The main window over a shoot folder of Count generated photos "IMG_0001.jpg" ...
class ShootWindow : public apptest::AppFolder {
protected:
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    AppFolder::TearDown();
  }
  void OpenShoot(int Count, int W = 240, int H = 160) {
    Shoot = Root + "/shoots/80013578-John";
    std::filesystem::create_directories(Shoot);
    Names = Numbered(Count);
    const TColor colors[] = {clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};
    for (size_t i = 0; i < Names.size(); ++i)
      WriteJpeg(Shoot + "/" + Names[i], W, H, colors[i % 6]);
    Form = new TFormSeeMain(nullptr);
    Form->SetCommandLine({});
    Form->FinishCreate();
    Form->Show();
    Application()->ProcessMessages();
    TreeSetSelectedFolder(Form->dir1, Shoot);
    Application()->ProcessMessages();
  }
  std::string Photo(int I) const { return Shoot + "/" + Names[static_cast<size_t>(I)]; }

  TFormSeeMain* Form = nullptr;
  std::string Shoot;
  std::vector<std::string> Names;
};

}  // namespace windowtest
