// Monitors: the headless screen, a two-monitor layout set by the test hook, the MonitorFrom*
// rules, monitor information, enumeration and the system metrics that follow the layout.
#include "platform/win/gdi_user.h"
#include "tests/platform/win/wnd_test_util.h"

namespace {

// Two monitors side by side: the primary on the left with a task bar of 40 pixels, a smaller
// one on the right without one.
const RECT LeftFull{0, 0, 1920, 1080}, LeftWork{0, 0, 1920, 1040};
const RECT RightFull{1920, 0, 3200, 1024}, RightWork{1920, 0, 3200, 1024};

class MonitorTest : public WndTest {
protected:
  void TearDown() override {
    SetMonitorLayout({});
    WndTest::TearDown();
  }
  void SideBySide() { SetMonitorLayout({{LeftFull, LeftWork}, {RightFull, RightWork}}); }
  static MONITORINFO Info(HMONITOR m) {
    MONITORINFO mi;
    EXPECT_TRUE(GetMonitorInfo(m, &mi));
    return mi;
  }
  static std::vector<HMONITOR> All() {
    std::vector<HMONITOR> out;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR m, HDC, RECT*, LPARAM p) -> BOOL {
          reinterpret_cast<std::vector<HMONITOR>*>(p)->push_back(m);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
  }
};

TEST_F(MonitorTest, HeadlessScreenIsOnePrimaryMonitorWithTheReportedWorkArea) {
  std::vector<HMONITOR> mons = All();
  ASSERT_EQ(mons.size(), 1u);
  MONITORINFO mi = Info(mons[0]);
  EXPECT_EQ(mi.rcMonitor, (RECT{0, 0, 1920, 1080}));
  EXPECT_EQ(mi.rcWork, (RECT{0, 0, 1920, 1050}));
  EXPECT_EQ(mi.dwFlags, DWORD(MONITORINFOF_PRIMARY));
  RECT wa;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0));
  EXPECT_EQ(wa, mi.rcWork);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  // Far away from the only monitor, the nearest is still that monitor.
  EXPECT_EQ(MonitorFromPoint(POINT{-5000, 9000}, MONITOR_DEFAULTTONEAREST), mons[0]);
}

TEST_F(MonitorTest, PointsFindTheMonitorThatHoldsThemOrFollowTheDefault) {
  SideBySide();
  std::vector<HMONITOR> m = All();
  ASSERT_EQ(m.size(), 2u);
  HMONITOR L = m[0], R = m[1];
  struct Case {
    POINT Pt;
    HMONITOR Null, Primary, Nearest;
  } cases[] = {
      {{100, 100}, L, L, L},         {{1919, 1079}, L, L, L},  // last pixel of the left monitor
      {{1920, 0}, R, R, R},  // first pixel of the right one: edges belong to one side only
      {{3199, 1023}, R, R, R},       {{3200, 0}, nullptr, L, R},  // just past the right edge
      {{2500, 1050}, nullptr, L, R},  // below the smaller monitor: 27 pixels from it
      {{-5, 500}, nullptr, L, L},    {{1900, 2000}, nullptr, L, L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Pt.x << "," << c.Pt.y);
    EXPECT_EQ(MonitorFromPoint(c.Pt, MONITOR_DEFAULTTONULL), c.Null);
    EXPECT_EQ(MonitorFromPoint(c.Pt, MONITOR_DEFAULTTOPRIMARY), c.Primary);
    EXPECT_EQ(MonitorFromPoint(c.Pt, MONITOR_DEFAULTTONEAREST), c.Nearest);
  }
}

TEST_F(MonitorTest, RectanglesGoToTheMonitorSharingTheLargestArea) {
  SideBySide();
  std::vector<HMONITOR> m = All();
  HMONITOR L = m[0], R = m[1];
  struct Case {
    RECT R;
    DWORD Flags;
    HMONITOR Want;
  } cases[] = {
      {{1800, 100, 2100, 200}, MONITOR_DEFAULTTONULL, R},  // 120 on the left, 180 on the right
      {{1700, 100, 2000, 200}, MONITOR_DEFAULTTONULL, L},
      {{3300, 10, 3400, 20}, MONITOR_DEFAULTTONULL, nullptr},
      {{3300, 10, 3400, 20}, MONITOR_DEFAULTTONEAREST, R},
      {{3300, 10, 3400, 20}, MONITOR_DEFAULTTOPRIMARY, L},
      {{2000, 50, 2000, 50}, MONITOR_DEFAULTTONULL, R},  // empty: its top-left point
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.R.left << "," << c.R.top << "," << c.R.right << "," << c.R.bottom);
    EXPECT_EQ(MonitorFromRect(&c.R, c.Flags), c.Want);
  }
}

TEST_F(MonitorTest, InformationOfBothMonitorsAndTheirDeviceNames) {
  SideBySide();
  std::vector<HMONITOR> m = All();
  MONITORINFOEXA ex;
  ASSERT_TRUE(GetMonitorInfo(m[1], &ex));
  EXPECT_EQ(ex.rcMonitor, RightFull);
  EXPECT_EQ(ex.rcWork, RightWork);
  EXPECT_EQ(ex.dwFlags, 0u);
  EXPECT_STREQ(ex.szDevice, "\\\\.\\DISPLAY2");
  MONITORINFO mi = Info(m[0]);
  EXPECT_EQ(mi.rcWork, LeftWork);
  EXPECT_EQ(mi.dwFlags, DWORD(MONITORINFOF_PRIMARY));
  // A wrong structure size is refused.
  MONITORINFO bad;
  bad.cbSize = 12;
  EXPECT_FALSE(GetMonitorInfo(m[0], &bad));
  EXPECT_FALSE(GetMonitorInfo(nullptr, &mi));
}

TEST_F(MonitorTest, PrimaryIsTheMonitorAtTheOriginAndMetricsCoverTheVirtualScreen) {
  // A monitor left of the primary comes first in the list.
  SetMonitorLayout({{RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 1024}}, {LeftFull, LeftWork}});
  std::vector<HMONITOR> m = All();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(Info(m[0]).dwFlags, 0u);
  EXPECT_EQ(Info(m[1]).dwFlags, DWORD(MONITORINFOF_PRIMARY));
  EXPECT_EQ(MonitorFromPoint(POINT{-9999, 0}, MONITOR_DEFAULTTOPRIMARY), m[1]);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
  EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
  EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  RECT wa;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0);
  EXPECT_EQ(wa, LeftWork);
}

TEST_F(MonitorTest, HandlesOfAnOldLayoutAreRefused) {
  HMONITOR before = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONULL);
  ASSERT_NE(before, nullptr);
  SideBySide();
  HMONITOR after = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONULL);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  MONITORINFO mi;
  EXPECT_FALSE(GetMonitorInfo(before, &mi));
  // The same layout again keeps the handles.
  SideBySide();
  EXPECT_EQ(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONULL), after);
}

TEST_F(MonitorTest, EnumerationClipsAndStops) {
  SideBySide();
  struct Seen {
    std::vector<RECT> Rects;
    size_t StopAfter = 99;
  } seen;
  auto proc = [](HMONITOR, HDC, RECT* r, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Seen*>(p);
    s->Rects.push_back(*r);
    return s->Rects.size() < s->StopAfter;
  };
  RECT clip{1800, 10, 2000, 20};
  EXPECT_TRUE(EnumDisplayMonitors(nullptr, &clip, proc, reinterpret_cast<LPARAM>(&seen)));
  ASSERT_EQ(seen.Rects.size(), 2u);
  EXPECT_EQ(seen.Rects[0], (RECT{1800, 10, 1920, 20}));
  EXPECT_EQ(seen.Rects[1], (RECT{1920, 10, 2000, 20}));
  seen = Seen{};
  RECT onlyRight{2000, 10, 2100, 20};
  EnumDisplayMonitors(nullptr, &onlyRight, proc, reinterpret_cast<LPARAM>(&seen));
  ASSERT_EQ(seen.Rects.size(), 1u);
  EXPECT_EQ(seen.Rects[0], onlyRight);
  seen = Seen{};
  seen.StopAfter = 1;
  EnumDisplayMonitors(nullptr, nullptr, proc, reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen.Rects.size(), 1u);
  EXPECT_FALSE(EnumDisplayMonitors(nullptr, nullptr, nullptr, 0));
}

TEST_F(MonitorTest, EnumerationWithAWindowDcIsInClientCoordinates) {
  SideBySide();
  HWND w = Top(1800, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HDC dc = GetDC(w);
  std::vector<RECT> rects;
  EnumDisplayMonitors(
      dc, nullptr,
      [](HMONITOR, HDC, RECT* r, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<RECT>*>(p)->push_back(*r);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&rects));
  ReleaseDC(w, dc);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0], (RECT{0, 0, 120, 300}));
  EXPECT_EQ(rects[1], (RECT{120, 0, 400, 300}));
}

TEST_F(MonitorTest, WindowsBelongToTheMonitorOfMostOfTheirAreaAndMaximiseThere) {
  SideBySide();
  std::vector<HMONITOR> m = All();
  HWND w = Top(1850, 100, 400, 300);
  EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTONULL), m[1]);
  HWND child = Child(w, 0, 0, 50, 50);  // at x 1850 + frame: on the left monitor
  EXPECT_EQ(MonitorFromWindow(child, MONITOR_DEFAULTTONULL), m[0]);
  ShowWindow(w, SW_SHOWMAXIMIZED);
  RECT r;
  GetWindowRect(w, &r);
  // The sizing frame lies outside the work area.
  RECT framed = RightWork;
  InflateRect(&framed, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
  EXPECT_EQ(r, framed);
  HWND gone = Top(0, 0, 10, 10);
  DestroyWindow(gone);
  EXPECT_EQ(MonitorFromWindow(gone, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromWindow(gone, MONITOR_DEFAULTTOPRIMARY), m[0]);
}

}  // namespace
