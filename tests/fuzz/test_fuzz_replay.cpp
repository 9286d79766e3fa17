// Replays the stored inputs of every fuzz target (fuzz/regressions/<target>/) through the same
// entry points the fuzzers run. An input that once crashed a parser must now pass under the
// sanitizers; every stored folder must belong to a target, so none is silently skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#define ORV_FUZZ_ENTRY(name) extern "C" int orvFuzz_##name(const uint8_t* Data, size_t Size);
#include "fuzz_entries.inc"
#undef ORV_FUZZ_ENTRY

namespace {

struct FuzzEntry {
  const char* Name;
  int (*Run)(const uint8_t* Data, size_t Size);
};

void PrintTo(const FuzzEntry& E, std::ostream* Out) { *Out << E.Name; }

const std::vector<FuzzEntry>& Entries() {
  static const std::vector<FuzzEntry> entries = {
#define ORV_FUZZ_ENTRY(name) {#name, orvFuzz_##name},
#include "fuzz_entries.inc"
#undef ORV_FUZZ_ENTRY
  };
  return entries;
}

std::filesystem::path RegressionsFolder() {
  const char* src = std::getenv("ORVANTA_SOURCE_DIR");
  return std::filesystem::path(src ? src : ".") / "fuzz" / "regressions";
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& File) {
  std::ifstream in(File, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class FuzzReplay : public ::testing::TestWithParam<FuzzEntry> {};

}  // namespace

TEST_P(FuzzReplay, StoredInputsPass) {
  const FuzzEntry& e = GetParam();
  // The empty input reaches every parser's shortest path.
  static const uint8_t none = 0;
  EXPECT_EQ(e.Run(&none, 0), 0);
  const std::filesystem::path dir = RegressionsFolder() / e.Name;
  if (!std::filesystem::is_directory(dir)) return;
  std::vector<std::filesystem::path> files;
  for (const auto& f : std::filesystem::directory_iterator(dir))
    if (f.is_regular_file()) files.push_back(f.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    const std::vector<uint8_t> bytes = ReadBytes(f);
    EXPECT_EQ(e.Run(bytes.data(), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(Entries()),
                         [](const ::testing::TestParamInfo<FuzzEntry>& I) {
                           return std::string(I.param.Name);
                         });

TEST(FuzzReplayFolders, EveryStoredFolderBelongsToATarget) {
  ASSERT_TRUE(std::filesystem::is_directory(RegressionsFolder()));
  for (const auto& d : std::filesystem::directory_iterator(RegressionsFolder())) {
    if (!d.is_directory()) continue;
    bool known = false;
    for (const FuzzEntry& e : Entries()) known = known || d.path().filename() == e.Name;
    EXPECT_TRUE(known) << d.path().filename() << " is no fuzz target";
  }
}
