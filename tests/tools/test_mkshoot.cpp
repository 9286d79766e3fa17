// mkshoot: the sample shoot folder of generated photos with their EXIF data.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"

namespace {

std::string Tool() {
  std::string build;
  if (const char* b = std::getenv("ORVANTA_BINARY_DIR")) {
    build = b;
  } else {
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    build = (exe.parent_path() / "../..").lexically_normal().string();
  }
  return build + "/tools/mkshoot";
}

class MkShoot : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    IEImagingStartup();
    char tmpl[] = "/tmp/orv_mkshoot_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Root = tmpl;
    Shoot = Root + "/80013578-John";
    ASSERT_EQ(std::system((Tool() + " " + Shoot + " 6 300").c_str()), 0);
  }
  static void TearDownTestSuite() {
    std::filesystem::remove_all(Root);
    IEImagingShutdown();
  }
  static std::string Bytes(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static std::string Root, Shoot;
};
std::string MkShoot::Root, MkShoot::Shoot;

}  // namespace

TEST_F(MkShoot, WritesNumberedPhotosWideAndTall) {
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(Shoot)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 6);  // nothing else is left in the folder
  for (int i = 1; i <= 6; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/IMG_%04d.JPG", i);
    TImageryIO io(nullptr);
    io.LoadFromFile(Shoot + name);
    ASSERT_FALSE(io.Aborting.load()) << name;
    EXPECT_EQ(io.Params->FileType, 3) << name;  // JPEG
    const bool tall = i % 3 == 0;
    EXPECT_EQ(io.IEBitmap()->Width(), tall ? 200 : 300) << name;
    EXPECT_EQ(io.IEBitmap()->Height(), tall ? 300 : 200) << name;
  }
}

TEST_F(MkShoot, PhotosCarryCameraData) {
  TImageryIO io(nullptr);
  io.LoadFromFile(Shoot + "/IMG_0003.JPG");
  const TIOParamsVals* p = io.Params;
  EXPECT_TRUE(p->EXIF_HasEXIFData);
  EXPECT_EQ(p->EXIF_Make, "Orvanta");
  EXPECT_EQ(p->EXIF_Model, "Sample Camera");
  EXPECT_EQ(p->EXIF_DateTimeOriginal, "2024:05:18 09:21:39");
  EXPECT_DOUBLE_EQ(p->EXIF_FNumber, 2.8);
  EXPECT_EQ(p->EXIF_ISOSpeedRatings[0], 200);
  EXPECT_EQ(p->EXIF_Orientation, 1);
  EXPECT_FALSE(p->EXIF_ImageDescription.empty());
  ASSERT_NE(p->EXIF_Bitmap, nullptr);
  EXPECT_EQ(p->EXIF_Bitmap->Height(), 160);
}

TEST_F(MkShoot, PicturesAreSmoothScenesNotNoise) {
  for (const char* name : {"/IMG_0001.JPG", "/IMG_0003.JPG"}) {
    TImageryIO io(nullptr);
    io.LoadFromFile(Shoot + name);
    TIEBitmap* b = io.IEBitmap();
    // Neighbouring pixels differ little on average, and the picture is not one flat colour.
    double step = 0, lo = 255, hi = 0;
    int n = 0;
    for (int y = 0; y < b->Height(); y += 3) {
      auto* row = static_cast<TIERGBPixel*>(b->GetScanline(y));
      for (int x = 1; x < b->Width(); ++x, ++n) {
        step += std::abs(row[x].g - row[x - 1].g);
        lo = std::min<double>(lo, row[x].g);
        hi = std::max<double>(hi, row[x].g);
      }
    }
    EXPECT_LT(step / n, 6.0) << name;
    EXPECT_GT(hi - lo, 60) << name;
  }
}

TEST_F(MkShoot, SameNumberSamePhoto) {
  const std::string again = Root + "/again";
  ASSERT_EQ(std::system((Tool() + " " + again + " 2 300").c_str()), 0);
  EXPECT_EQ(Bytes(again + "/IMG_0002.JPG"), Bytes(Shoot + "/IMG_0002.JPG"));
  EXPECT_NE(Bytes(Shoot + "/IMG_0001.JPG"), Bytes(Shoot + "/IMG_0002.JPG"));
  EXPECT_NE(std::system((Tool() + " " + Root + "/bad 0 2>/dev/null").c_str()), 0);
  EXPECT_NE(std::system((Tool() + " 2>/dev/null").c_str()), 0);
}
