// Opening files, folders and addresses: what is refused, what is handed to the opener, and that
// nothing is started without a display.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "platform/win/shellapi.h"

namespace fs = std::filesystem;

namespace {

intptr_t Code(HINSTANCE h) { return reinterpret_cast<intptr_t>(h); }

class ShellExecuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("orv-shell-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "out folder");
    std::ofstream(dir_ / "sheet.xlsx") << "x";
    ClearShellRequests();
    SaveEnv("ORVANTA_DISPLAY");
    SaveEnv("DISPLAY");
    SaveEnv("ORVANTA_OPENER");
    setenv("ORVANTA_DISPLAY", "headless", 1);
  }
  void TearDown() override {
    for (auto& [name, value] : saved_)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    fs::remove_all(dir_);
  }
  void SaveEnv(const char* name) {
    const char* v = std::getenv(name);
    saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }
  fs::path dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(ShellExecuteTest, ResolvesTargetsAndRecordsThemWithoutDisplay) {
  std::string folder = (dir_ / "out folder").string();
  struct Case {
    const char* verb;
    std::string file, params, directory, target;
  } cases[] = {
      {"open", "Explorer.exe", folder, "", folder},
      {nullptr, "sheet.xlsx", "", dir_.string(), (dir_ / "sheet.xlsx").string()},
      {"open", (dir_ / "sheet.xlsx").string(), "", "", (dir_ / "sheet.xlsx").string()},
      {"open", "https://example.org/home", "", "", "https://example.org/home"},
      {"explore", "mailto:studio@example.org", "", "", "mailto:studio@example.org"},
  };
  for (const auto& c : cases) {
    HINSTANCE h = ShellExecute(nullptr, c.verb, c.file.c_str(), c.params.c_str(),
                               c.directory.c_str(), 1);
    EXPECT_GT(Code(h), 32) << c.file;
  }
  auto got = ShellRequests();
  ASSERT_EQ(got.size(), std::size(cases));
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].Target, cases[i].target);
    EXPECT_FALSE(got[i].Launched);
  }
  EXPECT_EQ(got[4].Verb, "explore");
}

TEST_F(ShellExecuteTest, RefusesWhatCannotBeOpened) {
  struct Case {
    const char* verb;
    std::string file, params;
    intptr_t code;
  } cases[] = {
      {"open", (dir_ / "missing.jpg").string(), "", SE_ERR_FNF},
      {"open", (dir_ / "no-such-dir" / "a.jpg").string(), "", SE_ERR_PNF},
      {"print", (dir_ / "sheet.xlsx").string(), "", SE_ERR_NOASSOC},
      {"open", "ftp://example.org/file", "", SE_ERR_NOASSOC},
      {"open", (dir_ / "sheet.xlsx").string(), "--flag", SE_ERR_NOASSOC},
      {"open", "", "", SE_ERR_FNF},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Code(ShellExecute(nullptr, c.verb, c.file.c_str(), c.params.c_str(), nullptr, 1)),
              c.code)
        << c.file;
  EXPECT_TRUE(ShellRequests().empty());
}

TEST_F(ShellExecuteTest, StartsTheOpenerWhenThereIsADisplay) {
  fs::path script = dir_ / "opener.sh";
  fs::path seen = dir_ / "seen.txt";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen.string() << ".part'\nmv '"
                        << seen.string() << ".part' '" << seen.string() << "'\n";
  fs::permissions(script, fs::perms::owner_all);
  unsetenv("ORVANTA_DISPLAY");
  setenv("DISPLAY", ":987", 1);
  setenv("ORVANTA_OPENER", script.c_str(), 1);
  std::string folder = (dir_ / "out folder").string();
  ASSERT_GT(Code(ShellExecute(nullptr, "open", "Explorer.exe", folder.c_str(), nullptr, 1)), 32);
  // The opener runs detached; wait for its answer (bounded, not a timing test).
  for (int i = 0; i < 500 && !fs::exists(seen); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream in(seen);
  std::string arg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(arg, folder);
  ASSERT_EQ(ShellRequests().size(), 1u);
  EXPECT_TRUE(ShellRequests()[0].Launched);

  setenv("ORVANTA_OPENER", (dir_ / "no-such-opener").c_str(), 1);
  EXPECT_EQ(Code(ShellExecute(nullptr, "open", folder.c_str(), nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
}

}  // namespace
