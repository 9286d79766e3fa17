// The loader thread under a stress of insertions, removals and scrolling: every finished load
// lands in the image it was started for, and the grid can go while loads still run.
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "gridtest.h"

namespace {

using gridtest::GridFixture;
using gridtest::TTempFolder;

// The disc colour MakePhoto gives the photo of Seed.
TIERGBPixel DiscColour(int Seed) {
  const int hue = (Seed * 53) % 256;
  return TIERGBPixel{static_cast<uint8_t>((hue * 3) % 256), static_cast<uint8_t>(hue),
                     static_cast<uint8_t>(255 - hue)};
}

int SeedOf(const std::string& Name) {
  const size_t p = Name.rfind("photo");
  return std::stoi(Name.substr(p + 5, 3));
}

class MViewLoader : public GridFixture {
protected:
  void SetUp() override {
    GridFixture::SetUp();
    Grid->SetStoreType(ietThumb);
    Grid->SetGridWidth(-1);
    Grid->SetThreadPoolSize(3);
    Names = Folder.Photos(24);
  }
  // Waits until nothing is queued or running (Done, when given, must hold as well).
  bool WaitIdle(const std::function<bool()>& Done = nullptr, int Ms = 30000) {
    for (int t = 0; t < Ms; t += 10) {
      Run();
      if (Grid->LoadsInFlight().empty() && Grid->QueuedLoads().empty() && (!Done || Done())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  TTempFolder Folder;
  std::vector<std::string> Names;
};

TEST_F(MViewLoader, LoadsLandInTheirOwnImagesWhileTheListChanges) {
  std::mt19937 rnd(12345);
  for (int i = 0; i < 30; ++i) {
    Grid->InsertImageKeepSelection(i);
    Grid->SetImageFileName(i, Names[rnd() % Names.size()]);
  }
  for (int step = 0; step < 300; ++step) {
    const int count = Grid->GetImageCount();
    switch (rnd() % 5) {
      case 0: {
        const int at = static_cast<int>(rnd() % (count + 1));
        Grid->InsertImageKeepSelection(at);
        Grid->SetImageFileName(at, Names[rnd() % Names.size()]);
        break;
      }
      case 1:
        if (count > 5) Grid->DeleteImage(static_cast<int>(rnd() % count));
        break;
      case 2:
        Grid->SetViewY(static_cast<int>(rnd() % 600));
        break;
      default:
        PaintNow();
        break;
    }
    Run();
    if (step % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  PaintNow();
  ASSERT_TRUE(WaitIdle());
  int checked = 0;
  for (int i = 0; i < Grid->GetImageCount(); ++i) {
    if (!Grid->HasStoredPicture(i)) continue;
    TIEBitmap* b = Grid->GetImagePicture(i);
    const TIERGBPixel want = DiscColour(SeedOf(Grid->GetImageFileName(i)));
    const TIERGBPixel got = b->GetPixelRGB(b->Width() / 2, b->Height() / 2);
    EXPECT_NEAR(got.r, want.r, 16) << "image " << i << " " << Grid->GetImageFileName(i);
    EXPECT_NEAR(got.g, want.g, 16) << "image " << i;
    EXPECT_NEAR(got.b, want.b, 16) << "image " << i;
    Grid->ReleaseImagePicture(i);
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

TEST_F(MViewLoader, TheGridGoesWhileLoadsAreRunning) {
  for (int round = 0; round < 3; ++round) {
    auto* grid = new TImageryMView(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 436, 340);
    grid->SetStoreType(ietThumb);
    grid->SetGridWidth(-1);
    grid->SetThreadPoolSize(9999);
    for (int i = 0; i < 20; ++i) {
      grid->InsertImageKeepSelection(i);
      grid->SetImageFileName(i, Names[i]);
    }
    InvalidateRect(grid->Handle(), nullptr, FALSE);
    UpdateWindow(grid->Handle());
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    delete grid;  // no IO component or target may be freed under a running load
  }
  SUCCEED();
}

TEST_F(MViewLoader, LoadsOfCellsScrolledAwayAreDroppedAndComeBack) {
  for (int i = 0; i < 60; ++i) {
    Grid->InsertImageKeepSelection(i);
    Grid->SetImageFileName(i, Names[i % Names.size()]);
  }
  int wrong = 0;
  Grid->OnWrongImage = [&](TObject*, TIEBitmap*, int, bool&) { ++wrong; };
  PaintNow();
  Grid->SetViewY(100000);  // away before most loads ran
  PaintNow();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(wrong, 0) << "a cancelled load is no failure";
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(Grid->IsCellOnScreen(i));
  Grid->SetViewY(0);
  PaintNow();
  // Every paint queues what is still missing.
  EXPECT_TRUE(WaitIdle([&] {
    for (int i = 0; i < 6; ++i)
      if (!Grid->HasStoredPicture(i)) {
        PaintNow();
        return false;
      }
    return true;
  })) << "scrolling back queues the dropped loads again";
}

}  // namespace
