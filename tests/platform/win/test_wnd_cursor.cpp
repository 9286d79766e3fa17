// Window manager: cursors from .cur files with several images (choice by size and depth, hot
// spots, PNG-compressed images) and damaged files refused.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/win/pngsnap.h"
#include "tests/platform/win/icon_file_builder.h"
#include "tests/platform/win/wnd_test_util.h"

namespace {

using namespace icon_file_builder;

class CursorFileTest : public WndTest {
protected:
  void SetUp() override {
    WndTest::SetUp();
    Dir = std::filesystem::temp_directory_path() / ("orv_curfile_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override {
    std::filesystem::remove_all(Dir);
    WndTest::TearDown();
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = (Dir / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // Loads the file and reports what it gave (false for a null handle).
  bool Load(const std::vector<uint8_t>& bytes, TCursorInfo* info) {
    HCURSOR c = LoadCursorFromFile(Write("c.cur", bytes).c_str());
    if (!c) return false;
    bool ok = GetCursorInfoOf(c, info);
    Saved.assign(info->Pixels, info->Pixels + info->Width * info->Height);
    DestroyCursor(c);
    return ok;
  }
  std::filesystem::path Dir;
  std::vector<uint32_t> Saved;  // the pixels of the last cursor loaded
};

}  // namespace

TEST_F(CursorFileTest, ImageNearestTheSystemCursorSizeWinsAndDepthBreaksTies) {
  ASSERT_EQ(GetSystemMetrics(SM_CXCURSOR), 32);
  struct TCase {
    const char* Name;
    std::vector<TImage> Images;
    int W, H, HotX;
    uint32_t Pixel;
  } cases[] = {
      {"exact size among others",
       {{DibImage(16, 16, 32, 0x111111), 16, 16, 1, 1},
        {DibImage(32, 32, 8, 0x222222), 32, 32, 2, 2},
        {DibImage(48, 48, 32, 0x333333), 48, 48, 3, 3}},
       32,
       32,
       2,
       0xFF222222u},
      {"deeper of two at the same size",
       {{DibImage(32, 32, 8, 0x444444), 32, 32, 4, 4},
        {DibImage(32, 32, 32, 0x555555), 32, 32, 5, 5}},
       32,
       32,
       5,
       0xFF555555u},
      {"deeper of two equally near sizes",
       {{DibImage(24, 24, 32, 0x666666), 24, 24, 6, 6},
        {DibImage(40, 40, 8, 0x777777), 40, 40, 7, 7}},
       24,
       24,
       6,
       0xFF666666u},
      {"nearest when none fits",
       {{DibImage(64, 64, 32, 0x888888), 64, 64, 8, 8},
        {DibImage(20, 20, 8, 0x999999), 20, 20, 9, 9}},
       20,
       20,
       9,
       0xFF999999u},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TCursorInfo info;
    ASSERT_TRUE(Load(CurFile(c.Images), &info));
    EXPECT_EQ(info.Width, c.W);
    EXPECT_EQ(info.Height, c.H);
    EXPECT_EQ(info.HotX, c.HotX);
    EXPECT_EQ(info.HotY, c.HotX);
    EXPECT_EQ(Saved[static_cast<size_t>(c.W) * c.H / 2], c.Pixel);
  }
}

TEST_F(CursorFileTest, PngCompressedImageDecodesWithItsAlpha) {
  uint32_t* px = nullptr;
  HBITMAP bm = NewDib32(32, 32, &px);
  ASSERT_TRUE(bm);
  for (int i = 0; i < 32 * 32; ++i) px[i] = 0x80FF0000u;  // half-transparent red
  px[0] = 0xFF0000FFu;                                    // opaque blue at the top left
  std::string pngPath = (Dir / "img.png").string();
  ASSERT_TRUE(SaveBitmapToPng(bm, pngPath, true));
  DeleteObject(bm);
  std::ifstream in(pngPath, std::ios::binary);
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TCursorInfo info;
  ASSERT_TRUE(Load(CurFile({{DibImage(16, 16, 32, 0x00FF00), 16, 16, 0, 0}, {png, 32, 32, 10, 12}}),
                   &info));
  EXPECT_EQ(info.Width, 32);
  EXPECT_EQ(info.HotX, 10);
  EXPECT_EQ(info.HotY, 12);
  EXPECT_EQ(Saved[0], 0xFF0000FFu);
  EXPECT_EQ(Saved[33], 0x80FF0000u);
}

TEST_F(CursorFileTest, IconFileLoadsPointingWithItsCentre) {
  std::vector<uint8_t> ico = CurFile({{DibImage(32, 32, 32, 0x123456), 32, 32, 1, 32}}, 1);
  TCursorInfo info;
  ASSERT_TRUE(Load(ico, &info));
  EXPECT_EQ(info.HotX, 16);
  EXPECT_EQ(info.HotY, 16);
}

TEST_F(CursorFileTest, DamagedFilesAreRefused) {
  std::vector<uint8_t> good = CurFile({{DibImage(32, 32, 8, 0x222222), 32, 32, 2, 2}});
  TCursorInfo info;
  ASSERT_TRUE(Load(good, &info));
  struct TCase {
    const char* Name;
    std::function<void(std::vector<uint8_t>&)> Damage;
  } cases[] = {
      {"no images", [](auto& f) { Put16(f, 4, 0); }},
      {"more entries than the file holds", [](auto& f) { Put16(f, 4, 500); }},
      {"neither cursor nor icon", [](auto& f) { Put16(f, 2, 3); }},
      {"offset past the end",
       [](auto& f) { Put32(f, 6 + 12, static_cast<uint32_t>(f.size() + 10)); }},
      {"size past the end", [](auto& f) { Put32(f, 6 + 8, 0xFFFFFFF0u); }},
      {"offset into the directory", [](auto& f) { Put32(f, 6 + 12, 2); }},
      {"image cut short",
       [](auto& f) {
         f.resize(f.size() - 100);
         Put32(f, 6 + 8, static_cast<uint32_t>(f.size() - 22));
       }},
      {"palette larger than the depth", [](auto& f) { Put32(f, 22 + 32, 0x40000000u); }},
      {"zero width", [](auto& f) { Put32(f, 22 + 4, 0); }},
      {"huge height", [](auto& f) { Put32(f, 22 + 8, 0x7FFFFFFEu); }},
      {"unknown depth", [](auto& f) { Put16(f, 22 + 14, 7); }},
      {"truncated directory", [](auto& f) { f.resize(12); }},
      {"empty file", [](auto& f) { f.clear(); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> f = good;
    c.Damage(f);
    EXPECT_FALSE(Load(f, &info));
  }
  // A damaged PNG image refuses the file instead of decoding garbage.
  std::vector<uint8_t> badPng = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0,    0, 0, 13,
                                 'I',  'H', 'D', 'R', 0,    0,    0,    32,   0,    0, 0, 32,
                                 8,    6,   0,   0,   0,    0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3};
  EXPECT_FALSE(Load(CurFile({{badPng, 32, 32, 0, 0}}), &info));
}
