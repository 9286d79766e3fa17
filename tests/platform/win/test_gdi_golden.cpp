// Golden images where anti-aliasing makes exact expectations impractical: text in the shipped
// fonts and smooth shapes, compared with a tolerance. ORVANTA_UPDATE_GOLDEN=1 rewrites them.
#include <cstdlib>
#include <cstring>
#include <thread>

#include "gdi_test_util.h"
#include "platform/win/gdiplus.h"

namespace {

std::string GoldenPath(const char* name) {
  const char* src = std::getenv("ORVANTA_SOURCE_DIR");
  return std::string(src ? src : ".") + "/tests/platform/win/golden/" + name;
}

// Fails when more than maxBad pixels differ by more than tol in a channel.
void ExpectMatchesGolden(const TCanvasDC& c, const char* name, int tol, long maxBad) {
  std::string path = GoldenPath(name);
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
    ASSERT_TRUE(SaveDCToPng(c.dc, path));
  }
  HBITMAP golden = LoadPngToBitmap(path);
  ASSERT_NE(golden, nullptr) << path;
  long bad = ComparePixels(*GetBitmapSurface(c.bm), *GetBitmapSurface(golden), tol);
  EXPECT_GE(bad, 0) << "size differs from " << path;
  EXPECT_LE(bad, maxBad) << name;
  DeleteObject(golden);
}

void DrawCaptions(HDC dc) {
  const struct { const char* face; int height; int weight; const char* text; } rows[] = {
      {"Tahoma", -11, FW_NORMAL, "IMG_0042.JPG  3/24"},
      {"Arial", -16, FW_BOLD, "Proof sheet (A4)"},
      {"Times New Roman", -15, FW_NORMAL, "Wedding, 10 December"},
      {"Courier New", -13, FW_NORMAL, "0123456789 {}[]"},
      {"宋体", -14, FW_NORMAL, "照片选择 Photo picking"},
  };
  SetBkMode(dc, TRANSPARENT);
  int y = 2;
  for (const auto& r : rows) {
    HFONT f = CreateFont(r.height, 0, 0, 0, r.weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, r.face);
    HGDIOBJ old = SelectObject(dc, f);
    TextOut(dc, 3, y, r.text, static_cast<int>(std::strlen(r.text)));
    TEXTMETRICA tm;
    GetTextMetrics(dc, &tm);
    y += tm.tmHeight + 2;
    SelectObject(dc, old);
    DeleteObject(f);
  }
}

TEST(GdiGolden, CaptionsInTheShippedFonts) {
  TCanvasDC c(200, 100);
  DrawCaptions(c.dc);
  ExpectMatchesGolden(c, "captions.png", 32, 20);
}

TEST(GdiGolden, SmoothShapes) {
  ULONG_PTR token;
  GdiplusStartupInput in;
  ASSERT_EQ(GdiplusStartup(&token, &in, nullptr), Ok);
  TCanvasDC c(80, 60);
  GpGraphics* g;
  ASSERT_EQ(GdipCreateFromHDC(c.dc, &g), Ok);
  GdipSetSmoothingMode(g, SmoothingModeAntiAlias);
  GpPen* pen;
  GdipCreatePen1(0xFF203080, 2.5f, UnitPixel, &pen);
  GpSolidFill* fill;
  GdipCreateSolidFill(0x80E04020, &fill);
  GdipFillEllipse(g, AsBrush(fill), 5, 5, 50, 35);
  GdipDrawEllipse(g, pen, 5, 5, 50, 35);
  GdipSetPenLineJoin(pen, LineJoinRound);
  GpPoint zig[] = {{10, 55}, {30, 42}, {50, 55}, {75, 10}};
  GdipDrawLinesI(g, pen, zig, 4);
  GdipDeletePen(pen);
  GdipDeleteBrush(AsBrush(fill));
  GdipDeleteGraphics(g);
  GdiplusShutdown(token);
  ExpectMatchesGolden(c, "shapes.png", 32, 10);
}

TEST(GdiGolden, TextFromSeveralThreadsMatchesTextFromOne) {
  // Threads share the font faces and their glyph caches.
  TCanvasDC single(200, 100);
  DrawCaptions(single.dc);
  std::vector<std::unique_ptr<TCanvasDC>> canvases;
  for (int i = 0; i < 4; ++i) canvases.push_back(std::make_unique<TCanvasDC>(200, 100));
  std::vector<std::thread> threads;
  for (auto& c : canvases) threads.emplace_back([&c] { for (int k = 0; k < 5; ++k) DrawCaptions(c->dc); });
  for (auto& t : threads) t.join();
  // Drawn five times over itself, transparent text only darkens its edges: the ink positions
  // must agree with the single drawing exactly.
  for (auto& c : canvases)
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x)
        ASSERT_EQ(c->At(x, y) == RGB(255, 255, 255), single.At(x, y) == RGB(255, 255, 255)) << x << "," << y;
}

}  // namespace
