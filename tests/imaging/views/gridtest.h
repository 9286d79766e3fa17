// Helpers of the thumbnail grid tests: generated photos written as JPEG files into a temporary
// folder, a headless form holding a grid, painting on demand and injected mouse and keys.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/iemview.h"
#include "platform/vcl/forms.h"
#include "platform/win/winuser.h"

namespace gridtest {

// A photo-like picture whose colours depend on Seed, so that every photo of a folder differs.
inline void MakePhoto(TIEBitmap& B, int W, int H, int Seed) {
  B.Allocate(W, H, ie24RGB);
  const int hue = (Seed * 53) % 256;
  for (int y = 0; y < H; ++y) {
    TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < W; ++x) {
      const bool disc = (x - W / 2) * (x - W / 2) + (y - H / 2) * (y - H / 2) < (H / 3) * (H / 3);
      row[x].r = static_cast<uint8_t>(disc ? 255 - hue : x * 255 / W);
      row[x].g = static_cast<uint8_t>(disc ? hue : y * 255 / H);
      row[x].b = static_cast<uint8_t>(disc ? (hue * 3) % 256 : (x + y) * 127 / (W + H) + 64);
    }
  }
}

// Writes B to FileName in the format of its extension.
inline void SaveImage(TIEBitmap& B, const std::string& FileName) {
  TImageryIO io(nullptr);
  io.AttachBitmap(&B);
  io.Params->JPEG_Quality = 90;
  io.SaveToFile(FileName);
  io.AttachBitmap(nullptr);
}

// A temporary folder removed with its content at the end of the test.
class TTempFolder {
public:
  TTempFolder() {
    char tmpl[] = "/tmp/orvgridXXXXXX";
    Path = mkdtemp(tmpl);
  }
  ~TTempFolder() { std::filesystem::remove_all(Path); }
  std::string File(const std::string& Name) const { return Path + "/" + Name; }
  // Count photos "photo000.jpg" ... of W x H; returns their names.
  std::vector<std::string> Photos(int Count, int W = 160, int H = 120) const {
    std::vector<std::string> names;
    for (int i = 0; i < Count; ++i) {
      char n[32];
      std::snprintf(n, sizeof n, "photo%03d.jpg", i);
      TIEBitmap b;
      MakePhoto(b, W, H, i);
      SaveImage(b, File(n));
      names.push_back(File(n));
    }
    return names;
  }
  std::string Path;
};

// A shown headless form with one grid filling a client area of ClientW x ClientH.
class GridFixture : public ::testing::Test {
protected:
  void SetUp() override {
    IEImagingStartup();
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(10, 10, 600, 400);
    Grid = new TImageryMView(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(TIEBorderStyle::bsNone);
    Grid->SetBounds(0, 0, 436, 340);
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
  // Paints the grid at once.
  void PaintNow() {
    InvalidateRect(Grid->Handle(), nullptr, FALSE);
    UpdateWindow(Grid->Handle());
  }
  // Lazy entries "name::0", as the multi-image input makes them, with captions.
  void AddLazy(const std::vector<std::string>& Names) {
    std::string list;
    for (const std::string& n : Names) list += (list.empty() ? "" : "|") + n;
    Grid->GetMIO()->LoadFromFiles(list, false, true);
  }
  void Click(int X, int Y, bool Down = true, bool Up = true) {
    POINT s = Grid->ClientToScreen(POINT{X, Y});
    if (Down) InjectMouseButton(s.x, s.y, 0, true);
    if (Up) InjectMouseButton(s.x, s.y, 0, false);
    Run();
  }
  void Key(UINT Vk, UINT Modifier = 0) {
    if (Modifier) InjectKey(Modifier, true);
    InjectKey(Vk, true);
    InjectKey(Vk, false);
    if (Modifier) InjectKey(Modifier, false);
    Run();
  }
  // The client point in the middle of image idx's cell.
  POINT CellCentre(int idx) {
    return POINT{Grid->GetImageX(idx) - Grid->ViewX() + Grid->ThumbWidth() / 2,
                 Grid->GetImageY(idx) - Grid->ViewY() + Grid->ThumbHeight() / 2};
  }
  TForm* Form = nullptr;
  TImageryMView* Grid = nullptr;
};

}  // namespace gridtest
