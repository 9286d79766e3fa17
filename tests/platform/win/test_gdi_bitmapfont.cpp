// A bitmap-only face: the enumeration reports it as a raster font, and text draws its strike
// pixel for pixel with the strike's own metrics.
#include <algorithm>
#include <cstring>
#include <vector>

#include "bitmap_font_setup.h"
#include "gdi_test_util.h"

namespace {

struct TFound {
  DWORD Type = 0xFFFFFFFF;
  LOGFONTA Lf{};
  TEXTMETRICA Tm{};
};

TFound Find(HDC dc, const char* face) {
  TFound found;
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(lf.lfFaceName, face);
  auto take = [](const ENUMLOGFONTEXA* e, const NEWTEXTMETRICEXA* tm, DWORD type, LPARAM d) {
    auto* f = reinterpret_cast<TFound*>(d);
    *f = TFound{type, e->elfLogFont, tm->ntmTm};
    return 0;
  };
  EnumFontFamiliesEx(dc, &lf, take, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

TEST(GdiBitmapFont, EnumerationTellsBitmapFacesFromOutlineFaces) {
  HDC dc = CreateCompatibleDC(nullptr);
  struct TCase {
    const char* Face;
    DWORD Type;
    BYTE LfPitchAndFamily, TmPitchAndFamily;
  } cases[] = {
      // Raster: no TMPF_VECTOR, no TMPF_TRUETYPE; a character-cell font is fixed pitch.
      {"Orvanta Pixel", RASTER_FONTTYPE, FIXED_PITCH | FF_MODERN, FF_MODERN},
      {"Liberation Sans", TRUETYPE_FONTTYPE, VARIABLE_PITCH | FF_SWISS,
       BYTE{FF_SWISS} | TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE},
      {"Liberation Mono", TRUETYPE_FONTTYPE, FIXED_PITCH | FF_MODERN,
       BYTE{FF_MODERN} | TMPF_VECTOR | TMPF_TRUETYPE},
  };
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.Face);
    TFound f = Find(dc, k.Face);
    EXPECT_EQ(f.Type, k.Type);
    EXPECT_STREQ(f.Lf.lfFaceName, k.Face);
    EXPECT_EQ(f.Lf.lfPitchAndFamily, k.LfPitchAndFamily);
    EXPECT_EQ(f.Tm.tmPitchAndFamily, k.TmPitchAndFamily);
  }
  // The strike's own metrics, whatever height is asked for.
  TFound pixel = Find(dc, "Orvanta Pixel");
  EXPECT_EQ(pixel.Tm.tmHeight, 8);
  EXPECT_EQ(pixel.Tm.tmAscent, 7);
  EXPECT_EQ(pixel.Tm.tmDescent, 1);
  EXPECT_EQ(pixel.Tm.tmAveCharWidth, 6);
  DeleteDC(dc);
}

TEST(GdiBitmapFont, TextDrawsTheStrikePixelForPixel) {
  TCanvasDC c(16, 10);
  HFONT font =
      CreateFont(-8, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Orvanta Pixel");
  HGDIOBJ old = SelectObject(c.dc, font);
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
  EXPECT_EQ(tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE), 0);
  SIZE sz{};
  GetTextExtentPoint32(c.dc, "AA", 2, &sz);
  EXPECT_EQ(sz.cx, 12);
  EXPECT_EQ(sz.cy, 8);
  // No outlines: no outline metrics and no font tables.
  OUTLINETEXTMETRICA otm;
  EXPECT_EQ(GetOutlineTextMetrics(c.dc, sizeof otm, &otm), 0u);
  EXPECT_EQ(GetFontData(c.dc, 0, 0, nullptr, 0), GDI_ERROR);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 1, 1, "A", 1);
  std::string want = Pic({"........"});
  for (const char* row : bitmap_font_setup::kGlyphA) want += std::string(".") + row + ".\n";
  want += Pic({"........"});
  EXPECT_EQ(c.Art(RECT{0, 0, 8, 10}), want);
  SelectObject(c.dc, old);
  DeleteObject(font);
}

}  // namespace
