// SDL2 and CUPS are opened the first time a display is made or the printers are asked for: a
// program that only makes windows off screen, paints them and prints to a PDF file never maps
// either library. Each run happens in a fresh process of this program (a death test in the
// threadsafe style starts the program anew), so what other tests loaded does not count.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/winspool.h"
#include "platform/win/winuser.h"
#include "platform/win/wnd_internal.h"

namespace {

// Whether a library whose file name starts with this is mapped into the process.
bool LazyLibMapped(const char* prefix) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    const size_t slash = line.rfind('/');
    if (slash != std::string::npos && line.compare(slash + 1, std::strlen(prefix), prefix) == 0)
      return true;
  }
  return false;
}

// Ends the fresh process with the verdict on stderr, where the parent matches it; no exit
// handlers run (the process is a copy made for one check only).
[[noreturn]] void LazyFinish(bool ok, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", ok ? "lazy-ok" : "lazy-failed", what.c_str());
  std::fflush(stderr);
  _exit(ok ? 0 : 1);
}

std::string LazyMappedReport() {
  return std::string("libSDL2 ") + (LazyLibMapped("libSDL2") ? "mapped" : "not mapped") +
         ", libcups " + (LazyLibMapped("libcups") ? "mapped" : "not mapped");
}

LRESULT LazyPaintProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    HBRUSH b = CreateSolidBrush(RGB(200, 30, 40));
    FillRect(dc, &ps.rcPaint, b);
    DeleteObject(b);
    EndPaint(w, &ps);
    return 0;
  }
  return DefWindowProc(w, m, wp, lp);
}

// Printer names EnumPrinters gives at level 4.
std::vector<std::string> LazyPrinterNames() {
  DWORD needed = 0, count = 0;
  EnumPrinters(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed);
  std::vector<std::string> out;
  if (!EnumPrinters(PRINTER_ENUM_LOCAL, nullptr, 4, buf.data(), needed, &needed, &count))
    return out;
  auto* p = reinterpret_cast<PRINTER_INFO_4A*>(buf.data());
  for (DWORD i = 0; i < count; ++i) out.emplace_back(p[i].pPrinterName);
  return out;
}

// Off screen: a window painted, the printers listed and a page printed to a PDF file, with
// CUPS left out of the printer list.
void LazyHeadlessRun() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("ORVANTA_DISPLAY", "headless", 1);
  setenv("ORVANTA_CUPS", "0", 1);
  if (LazyLibMapped("libSDL2") || LazyLibMapped("libcups"))
    LazyFinish(false, "at start: " + LazyMappedReport());

  WNDCLASSA wc{};
  wc.lpfnWndProc = LazyPaintProc;
  wc.lpszClassName = "OrvLazyLibraries";
  RegisterClass(&wc);
  HWND w = CreateWindowEx(0, "OrvLazyLibraries", "Lazy", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                          200, 120, nullptr, nullptr, nullptr, nullptr);
  if (!w) LazyFinish(false, "no window");
  UpdateWindow(w);
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  if (std::string(DisplayBackendName()) != "headless") LazyFinish(false, "display is not headless");

  const std::vector<std::string> names = LazyPrinterNames();
  if (names.empty() || names.front() != "PDF file")
    LazyFinish(false, "the PDF printer is not listed");

  char dirTemplate[] = "/tmp/orv-lazy-XXXXXX";
  if (!mkdtemp(dirTemplate)) LazyFinish(false, "no temporary folder");
  const std::filesystem::path out = std::filesystem::path(dirTemplate) / "page.pdf";
  HDC dc = CreateDC("WINSPOOL", "PDF file", nullptr, nullptr);
  DOCINFOA di{sizeof(DOCINFOA), "Lazy", out.c_str(), nullptr, 0};
  const bool printed = dc && StartDoc(dc, &di) > 0 && StartPage(dc) > 0 &&
                       Rectangle(dc, 10, 10, 200, 200) && EndPage(dc) > 0 && EndDoc(dc) > 0;
  if (dc) DeleteDC(dc);
  std::error_code error;
  const bool written = std::filesystem::file_size(out, error) > 0 && !error;
  std::filesystem::remove_all(dirTemplate);
  if (!printed || !written) LazyFinish(false, "the page did not print to the PDF file");
  DestroyWindow(w);

  const bool unloaded = !LazyLibMapped("libSDL2") && !LazyLibMapped("libcups");
  LazyFinish(unloaded, LazyMappedReport());
}

// Asking for the printers with CUPS wanted opens libcups, and only it; the list still starts
// with the program's own PDF printer whether or not a CUPS server answers.
void LazyCupsRun() {
  unsetenv("ORVANTA_CUPS");
  if (LazyLibMapped("libcups")) LazyFinish(false, "at start: " + LazyMappedReport());
  const std::vector<std::string> names = LazyPrinterNames();
  if (names.empty() || names.front() != "PDF file")
    LazyFinish(false, "the PDF printer is not listed");
  LazyFinish(LazyLibMapped("libcups") && !LazyLibMapped("libSDL2"), LazyMappedReport());
}

// Making the SDL display opens libSDL2, and the display answers through the loaded functions
// (the library's display-less driver has one screen).
void LazySdlRun() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (LazyLibMapped("libSDL2")) LazyFinish(false, "at start: " + LazyMappedReport());
  std::unique_ptr<TDisplayBackend> display = CreateSdlBackend();
  if (!display) LazyFinish(false, "no SDL display with the dummy driver");
  int width = 0, height = 0;
  if (!display->ScreenSize(&width, &height) || width <= 0 || height <= 0)
    LazyFinish(false, "no screen size");
  const bool mapped = LazyLibMapped("libSDL2") && !LazyLibMapped("libcups");
  LazyFinish(mapped, LazyMappedReport());
}

class LazyLibraries : public ::testing::Test {
protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(LazyLibraries, HeadlessWindowsAndPdfPrintingMapNeither) {
  EXPECT_EXIT(LazyHeadlessRun(), ::testing::ExitedWithCode(0),
              "lazy-ok: libSDL2 not mapped, libcups not mapped");
}

TEST_F(LazyLibraries, ListingPrintersWithCupsMapsOnlyLibcups) {
  EXPECT_EXIT(LazyCupsRun(), ::testing::ExitedWithCode(0),
              "lazy-ok: libSDL2 not mapped, libcups mapped");
}

TEST_F(LazyLibraries, MakingTheSdlDisplayMapsOnlyLibSdl) {
  EXPECT_EXIT(LazySdlRun(), ::testing::ExitedWithCode(0),
              "lazy-ok: libSDL2 mapped, libcups not mapped");
}

}  // namespace
