// Change notification over inotify: files and folders created, renamed and deleted in a watched
// folder reach the registered window as its message, with the item lists of the paths; folders
// below are reported only to recursive registrations; deregistering stops the reports.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/win/shlobj.h"
#include "tests/platform/win/wnd_test_util.h"
#include "tests/support/shell_sandbox.h"

namespace {

constexpr UINT kNotify = 2011;

struct TReport {
  LONG Event;
  std::string Path1, Path2;
};

class ShellNotify : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterTestClass();
    Wnd =
        CreateWindowEx(0, "OrvTest", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    Handlers()[Wnd] = [this](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT* r) {
      if (m != kNotify) return false;
      auto* pidls = reinterpret_cast<LPCITEMIDLIST*>(wp);
      Reports.push_back(
          {static_cast<LONG>(lp), ShellPathOf(pidls[0]), pidls[1] ? ShellPathOf(pidls[1]) : ""});
      *r = 0;
      return true;
    };
  }
  void TearDown() override {
    for (ULONG id : Ids) SHChangeNotifyDeregister(id);
    Handlers().erase(Wnd);
    DestroyWindow(Wnd);
  }
  ULONG Register(const std::string& path, bool recursive, LONG events = SHCNE_ALLEVENTS) {
    TPidl p = ParseShellPath(path);
    SHChangeNotifyEntry e{p, recursive};
    ULONG id = SHChangeNotifyRegister(Wnd, SHCNRF_InterruptLevel | SHCNRF_ShellLevel, events,
                                      kNotify, 1, &e);
    if (id) Ids.push_back(id);
    return id;
  }
  // Pumps until a report of the event arrives (or two seconds pass).
  bool WaitFor(LONG event, int ms = 2000) {
    for (int i = 0; i < ms / 5; ++i) {
      Pump();
      for (const auto& r : Reports)
        if (r.Event == event) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  // Pumps until a report of the event for that path arrives.
  bool WaitForPath(LONG event, const std::string& path, int ms = 2000) {
    for (int i = 0; i < ms / 5; ++i) {
      Pump();
      for (const auto& r : Reports)
        if (r.Event == event && r.Path1 == path) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  const TReport* Find(LONG event) const {
    for (const auto& r : Reports)
      if (r.Event == event) return &r;
    return nullptr;
  }
  TShellSandbox Box;
  HWND Wnd = nullptr;
  std::vector<ULONG> Ids;
  std::vector<TReport> Reports;
};

TEST_F(ShellNotify, CreateRenameAndDeleteAreReportedWithTheirPaths) {
  ASSERT_NE(Register(Box.Root, false), 0u);
  const std::string file = Box.Root + "/new.txt", moved = Box.Root + "/moved.txt",
                    dir = Box.Root + "/Made";

  TShellSandbox::Write(file, "x");
  ASSERT_TRUE(WaitFor(SHCNE_CREATE));
  EXPECT_EQ(Find(SHCNE_CREATE)->Path1, file);

  std::filesystem::rename(file, moved);
  ASSERT_TRUE(WaitFor(SHCNE_RENAMEITEM));
  EXPECT_EQ(Find(SHCNE_RENAMEITEM)->Path1, file);
  EXPECT_EQ(Find(SHCNE_RENAMEITEM)->Path2, moved);

  std::filesystem::remove(moved);
  ASSERT_TRUE(WaitFor(SHCNE_DELETE));
  EXPECT_EQ(Find(SHCNE_DELETE)->Path1, moved);

  std::filesystem::create_directory(dir);
  ASSERT_TRUE(WaitFor(SHCNE_MKDIR));
  EXPECT_EQ(Find(SHCNE_MKDIR)->Path1, dir);
  std::filesystem::rename(dir, dir + "2");
  ASSERT_TRUE(WaitFor(SHCNE_RENAMEFOLDER));
  EXPECT_EQ(Find(SHCNE_RENAMEFOLDER)->Path2, dir + "2");
  std::filesystem::remove(dir + "2");
  ASSERT_TRUE(WaitFor(SHCNE_RMDIR));
  EXPECT_EQ(Find(SHCNE_RMDIR)->Path1, dir + "2");
}

TEST_F(ShellNotify, OnlyRecursiveRegistrationsHearFromFoldersBelow) {
  ASSERT_NE(Register(Box.Root, false, SHCNE_CREATE | SHCNE_MKDIR), 0u);
  TShellSandbox::Write(Box.Root + "/Alpha/deep.txt", "x");
  EXPECT_FALSE(WaitForPath(SHCNE_CREATE, Box.Root + "/Alpha/deep.txt", 300));
  ASSERT_NE(Register(Box.Root, true, SHCNE_CREATE | SHCNE_MKDIR), 0u);
  TShellSandbox::Write(Box.Root + "/Alpha/Sub/deeper.txt", "x");
  EXPECT_TRUE(WaitForPath(SHCNE_CREATE, Box.Root + "/Alpha/Sub/deeper.txt"));
  // A folder made later is watched too, once its creation has been seen.
  std::filesystem::create_directory(Box.Root + "/Later");
  ASSERT_TRUE(WaitForPath(SHCNE_MKDIR, Box.Root + "/Later"));
  TShellSandbox::Write(Box.Root + "/Later/inside.txt", "x");
  EXPECT_TRUE(WaitForPath(SHCNE_CREATE, Box.Root + "/Later/inside.txt"));
}

TEST_F(ShellNotify, EventsOutsideTheMaskAndAfterDeregisteringAreNotSent) {
  ULONG id = Register(Box.Root, false, SHCNE_DELETE);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(SHChangeNotifyRegistrationCount(), 1);
  TShellSandbox::Write(Box.Root + "/ignored.txt", "x");
  std::filesystem::remove(Box.Root + "/beta.jpg");
  ASSERT_TRUE(WaitFor(SHCNE_DELETE));
  EXPECT_EQ(Find(SHCNE_CREATE), nullptr);
  EXPECT_TRUE(SHChangeNotifyDeregister(id));
  Ids.clear();
  EXPECT_FALSE(SHChangeNotifyDeregister(id));
  EXPECT_EQ(SHChangeNotifyRegistrationCount(), 0);
  Reports.clear();
  std::filesystem::remove(Box.Root + "/zeta.PNG");
  EXPECT_FALSE(WaitFor(SHCNE_DELETE, 300));
}

TEST_F(ShellNotify, FoldersNamedThroughHomeReportThroughHome) {
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  LPITEMIDLIST home = nullptr;
  ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, "::Home", nullptr, &home, nullptr), S_OK);
  desktop->Release();
  SHChangeNotifyEntry e{home, FALSE};
  ULONG id = SHChangeNotifyRegister(Wnd, SHCNRF_ShellLevel, SHCNE_MKDIR, kNotify, 1, &e);
  ASSERT_NE(id, 0u);
  Ids.push_back(id);
  std::filesystem::create_directory(Box.Home + "/Photos");
  ASSERT_TRUE(WaitFor(SHCNE_MKDIR));
  EXPECT_EQ(Find(SHCNE_MKDIR)->Path1, Box.Home + "/Photos");
  ILFree(home);
}

}  // namespace
