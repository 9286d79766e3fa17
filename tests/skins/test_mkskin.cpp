// mkskin writes the skin kept in data/skins: the same folder, the same stored skin.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "skins/ksskindata.h"
#include "skinstest.h"

namespace {

std::string FileBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Inflated(const std::string& CompressedFile) {
  TksCompressedStoredSkin s(nullptr);
  s.LoadFromCompressedFile(CompressedFile);
  TMemoryStream raw;
  s.DeCompress(&raw);
  return std::string(static_cast<const char*>(raw.Memory()), static_cast<size_t>(raw.Size()));
}

}  // namespace

TEST(MkSkin, WritesTheSkinKeptInTheRepository) {
  char tmpl[] = "/tmp/orv_mkskin_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const std::string cmd = BinaryDir() + "/tools/mkskin " + dir + "/slate " + dir + "/slate.skn";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  for (const char* name : {"slate.ini", "slate.bmp", "slatemask.bmp"}) {
    const std::string made = FileBytes(dir + "/slate/" + name);
    EXPECT_FALSE(made.empty()) << name;
    EXPECT_EQ(made, FileBytes(SourceDir() + "/data/skins/slate/" + name))
        << name << " differs from data/skins";
  }
  EXPECT_EQ(Inflated(dir + "/slate.skn"), Inflated(ShippedSkin()));
  std::filesystem::remove_all(dir);
}

TEST(MkSkin, RefusesWrongArguments) {
  EXPECT_NE(std::system((BinaryDir() + "/tools/mkskin 2>/dev/null").c_str()), 0);
}
