// mkart: the frame picture, the splash and the two cursors it draws.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/win/iconfile.h"
#include "platform/win/winuser.h"

namespace {

std::string BuildDir() {
  if (const char* b = std::getenv("ORVANTA_BINARY_DIR")) return b;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path() / "../..").lexically_normal().string();
}

class MkArt : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    IEImagingStartup();
    char tmpl[] = "/tmp/orv_mkart_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    ASSERT_EQ(std::system((BuildDir() + "/tools/mkart " + Dir).c_str()), 0);
  }
  static void TearDownTestSuite() {
    std::filesystem::remove_all(Dir);
    IEImagingShutdown();
  }
  static std::string Bytes(const std::string& Name) {
    std::ifstream in(Dir + "/" + Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static unsigned U16(const std::string& B, size_t At) {
    return static_cast<uint8_t>(B[At]) | static_cast<uint8_t>(B[At + 1]) << 8;
  }
  static std::string Dir;
};
std::string MkArt::Dir;

uint8_t AlphaAt(TIEBitmap* B, int X, int Y) {
  return static_cast<uint8_t*>(B->GetAlphaChannel()->GetScanline(Y))[X];
}

}  // namespace

TEST_F(MkArt, FrameHasAlphaAroundThePhotoBox) {
  TImageryIO io(nullptr);
  io.LoadFromFile(Dir + "/thumb.png");
  ASSERT_FALSE(io.Aborting.load());
  TIEBitmap* b = io.IEBitmap();
  EXPECT_GE(b->Width(), 168);
  EXPECT_GE(b->Height(), 180);
  ASSERT_TRUE(b->HasAlphaChannel());
  EXPECT_EQ(AlphaAt(b, 0, 0), 0);      // transparent corner
  EXPECT_EQ(AlphaAt(b, 12, 90), 255);  // the mat
  EXPECT_EQ(AlphaAt(b, 84, 90), 255);  // the photo box
  EXPECT_GT(AlphaAt(b, 163, 176), 0);  // the shadow
  EXPECT_LT(AlphaAt(b, 163, 176), 255);
  auto* mat = static_cast<TIERGBPixel*>(b->GetScanline(90)) + 12;
  EXPECT_GT(mat->r, 220);
  EXPECT_GT(mat->b, 220);
}

TEST_F(MkArt, SplashIsAPictureWithoutTransparency) {
  TImageryIO io(nullptr);
  io.LoadFromFile(Dir + "/splash.png");
  ASSERT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.IEBitmap()->Width(), 480);
  EXPECT_EQ(io.IEBitmap()->Height(), 300);
}

TEST_F(MkArt, CursorsAreCursorFilesWithTheirHotSpots) {
  const struct {
    const char* name;
    unsigned hotX, hotY;
    int opaqueX, opaqueY;  // a point of the drawing
  } cursors[] = {{"find.cur", 12, 12, 26, 26}, {"3dgarro.cur", 1, 1, 5, 10}};
  for (const auto& c : cursors) {
    const std::string b = Bytes(c.name);
    ASSERT_GT(b.size(), 22u) << c.name;
    EXPECT_EQ(U16(b, 0), 0u);
    EXPECT_EQ(U16(b, 2), 2u);  // a cursor
    EXPECT_EQ(U16(b, 4), 1u);
    EXPECT_EQ(static_cast<uint8_t>(b[6]), 32);
    EXPECT_EQ(U16(b, 10), c.hotX) << c.name;
    EXPECT_EQ(U16(b, 12), c.hotY) << c.name;
    EXPECT_NE(LoadCursorFromFile((Dir + "/" + c.name).c_str()), nullptr) << c.name;
    // The window manager's reader sees the picture with its transparency and hot spot.
    TCursorImage image;
    ASSERT_TRUE(
        DecodeCursorFile(reinterpret_cast<const uint8_t*>(b.data()), b.size(), 32, 32, &image))
        << c.name;
    EXPECT_EQ(image.W, 32);
    EXPECT_EQ(image.HotX, static_cast<int>(c.hotX));
    EXPECT_EQ(image.HotY, static_cast<int>(c.hotY));
    EXPECT_EQ(image.Pixels[31] >> 24, 0u) << c.name;  // top right: transparent
    EXPECT_EQ(image.Pixels[c.opaqueY * 32 + c.opaqueX] >> 24, 255u) << c.name;
  }
}

TEST_F(MkArt, EveryRunDrawsTheSameFiles) {
  char tmpl[] = "/tmp/orv_mkart_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string again = tmpl;
  ASSERT_EQ(std::system((BuildDir() + "/tools/mkart " + again).c_str()), 0);
  for (const char* f : {"thumb.png", "find.cur", "3dgarro.cur", "splash.png"}) {
    std::ifstream in(again + "/" + f, std::ios::binary);
    std::string other((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(other, Bytes(f)) << f;
  }
  std::filesystem::remove_all(again);
  EXPECT_NE(std::system((BuildDir() + "/tools/mkart /proc/no/such 2>/dev/null").c_str()), 0);
}
