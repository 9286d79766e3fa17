// Fonts and text against the shipped fonts: family mapping, metrics, extents, output position,
// alignment, clipping, rotation, outlines and font data, DrawText formatting.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "gdi_test_util.h"

namespace {

struct TFontSel {
  HDC dc;
  HFONT font;
  HGDIOBJ old;
  TFontSel(HDC d, int height, const char* face, int weight = FW_NORMAL, int esc = 0, BYTE quality = DEFAULT_QUALITY, bool italic = false, bool underline = false)
      : dc(d) {
    font = CreateFont(height, 0, esc, esc, weight, italic, underline, 0, DEFAULT_CHARSET, 0, 0, quality, 0, face);
    old = SelectObject(dc, font);
  }
  ~TFontSel() {
    SelectObject(dc, old);
    DeleteObject(font);
  }
};

// Bounding box of the pixels that are not white.
RECT InkBox(const TCanvasDC& c) {
  RECT r{c.w, c.h, -1, -1};
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x)
      if (c.At(x, y) != RGB(255, 255, 255)) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

int Width(HDC dc, const char* s) {
  SIZE sz{};
  GetTextExtentPoint32(dc, s, static_cast<int>(std::strlen(s)), &sz);
  return sz.cx;
}

TEST(GdiText, NamedFamiliesMapToTheShippedFonts) {
  struct Case { const char* asked; const char* family; };
  // The condensed cut of DejaVu Sans names its family "DejaVu Sans" too.
  const Case cases[] = {{"Arial", "Liberation Sans"},        {"MS Sans Serif", "DejaVu Sans"},
                        {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
                        {"Tahoma", "DejaVu Sans"},              {"Verdana", "DejaVu Sans"},
                        {"System", "DejaVu Sans"},              {"SimSun", "WenQuanYi Zen Hei"},
                        {"宋体", "WenQuanYi Zen Hei"}};
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Case& k : cases) {
    TFontSel f(dc, -12, k.asked);
    OUTLINETEXTMETRICA otm;
    ASSERT_EQ(GetOutlineTextMetrics(dc, sizeof otm, &otm), sizeof otm) << k.asked;
    EXPECT_STREQ(otm.otmpFamilyName, k.family) << k.asked;
    char face[LF_FACESIZE];
    GetTextFace(dc, sizeof face, face);
    EXPECT_STREQ(face, k.asked);  // the program sees the name it asked for
  }
  DeleteDC(dc);
}

TEST(GdiText, HeightsFollowTheEmAndCellRules) {
  HDC dc = CreateCompatibleDC(nullptr);
  // Negative: the em size; the cell adds the internal leading.
  const struct { int h; int height, ascent, descent; } em[] = {{-11, 12, 10, 2}, {-16, 17, 14, 3}, {-32, 36, 29, 7}};
  for (auto k : em) {
    TFontSel f(dc, k.h, "Arial");
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    EXPECT_EQ(tm.tmHeight, k.height) << k.h;
    EXPECT_EQ(tm.tmAscent, k.ascent) << k.h;
    EXPECT_EQ(tm.tmDescent, k.descent) << k.h;
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight + k.h) << k.h;
  }
  // Positive: the cell height.
  for (int h : {13, 20, 40, 100}) {
    TFontSel f(dc, h, "Tahoma");
    TEXTMETRICA tm;
    GetTextMetrics(dc, &tm);
    EXPECT_NEAR(tm.tmHeight, h, 1) << h;
  }
  DeleteDC(dc);
}

TEST(GdiText, PitchFlagAndAverageWidthOfFixedAndProportionalFonts) {
  HDC dc = CreateCompatibleDC(nullptr);
  {
    TFontSel f(dc, -13, "Courier New");
    TEXTMETRICA tm;
    GetTextMetrics(dc, &tm);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);  // set means variable pitch
    EXPECT_EQ(Width(dc, "iiii"), Width(dc, "WWWW"));
    EXPECT_EQ(Width(dc, "iiii"), 4 * tm.tmAveCharWidth);
  }
  {
    TFontSel f(dc, -13, "Arial");
    TEXTMETRICA tm;
    GetTextMetrics(dc, &tm);
    EXPECT_NE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
    EXPECT_LT(Width(dc, "iiii"), Width(dc, "WWWW"));
  }
  DeleteDC(dc);
}

TEST(GdiText, ExtentsAddUpTheCharacterWidths) {
  HDC dc = CreateCompatibleDC(nullptr);
  TFontSel f(dc, -15, "Arial");
  const char* s = "Hello, World";
  int sum = 0;
  for (const char* p = s; *p; ++p) {
    INT w;
    GetCharWidth32(dc, static_cast<UINT>(*p), static_cast<UINT>(*p), &w);
    ABC abc;
    GetCharABCWidths(dc, static_cast<UINT>(*p), static_cast<UINT>(*p), &abc);
    EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, w) << *p;
    sum += w;
  }
  SIZE sz;
  GetTextExtentPoint32(dc, s, static_cast<int>(std::strlen(s)), &sz);
  TEXTMETRICA tm;
  GetTextMetrics(dc, &tm);
  EXPECT_EQ(sz.cx, sum);
  EXPECT_EQ(sz.cy, tm.tmHeight);
  GetTextExtentPoint32(dc, "", 0, &sz);
  EXPECT_EQ(sz.cx, 0);
  int plain = Width(dc, "abc");
  SetTextCharacterExtra(dc, 2);
  EXPECT_EQ(Width(dc, "abc"), plain + 6);
  EXPECT_EQ(Width(dc, "abc"), Width(dc, "a") + Width(dc, "b") + Width(dc, "c"));
  DeleteDC(dc);
}

TEST(GdiText, ExtentExGivesCumulativeWidthsTheFitAndSaturates) {
  HDC dc = CreateCompatibleDC(nullptr);
  {
    TFontSel f(dc, -14, "Verdana");
    INT dx[5], fit = -1;
    SIZE sz;
    ASSERT_TRUE(GetTextExtentExPoint(dc, "abcde", 5, Width(dc, "abc"), &fit, dx, &sz));
    EXPECT_EQ(fit, 3);
    EXPECT_EQ(dx[2], Width(dc, "abc"));
    EXPECT_EQ(dx[4], sz.cx);
    for (int i = 1; i < 5; ++i) EXPECT_GT(dx[i], dx[i - 1]);
    GetTextExtentExPoint(dc, "abcde", 5, 0, &fit, nullptr, nullptr);
    EXPECT_EQ(fit, 0);
  }
  {
    TFontSel f(dc, -400, "Arial");
    std::string wide(100, 'W');
    std::vector<INT> dx(wide.size());
    GetTextExtentExPoint(dc, wide.c_str(), static_cast<int>(wide.size()), 0, nullptr, dx.data(), nullptr);
    EXPECT_EQ(dx.back(), 32767);
    EXPECT_LT(dx[0], 32767);
  }
  DeleteDC(dc);
}

TEST(GdiText, BoldItalicAndNarrowFontsMeasureDifferently) {
  HDC dc = CreateCompatibleDC(nullptr);
  int regular, bold, narrow;
  { TFontSel f(dc, -20, "Arial"); regular = Width(dc, "Photograph"); }
  { TFontSel f(dc, -20, "Arial", FW_BOLD); bold = Width(dc, "Photograph"); }
  {
    HFONT n = CreateFont(-20, 4, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(dc, n);
    narrow = Width(dc, "Photograph");
    SelectObject(dc, old);
    DeleteObject(n);
  }
  EXPECT_GT(bold, regular);
  EXPECT_LT(narrow, regular);
  OUTLINETEXTMETRICA otm;
  {
    TFontSel f(dc, -20, "Arial", FW_NORMAL, 0, DEFAULT_QUALITY, true);
    GetOutlineTextMetrics(dc, sizeof otm, &otm);
    EXPECT_EQ(otm.otmItalicAngle, -120);
  }
  DeleteDC(dc);
}

TEST(GdiText, TextOutPlacesInkByTheAlignment) {
  struct Case { UINT align; };
  for (UINT align : {TA_LEFT | TA_TOP, TA_LEFT | TA_BASELINE, TA_RIGHT | TA_TOP, TA_CENTER | TA_BOTTOM}) {
    TCanvasDC c(120, 60);
    TFontSel f(c.dc, -20, "Arial");
    TEXTMETRICA tm;
    GetTextMetrics(c.dc, &tm);
    SetTextAlign(c.dc, align);
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 60, 30, "HH", 2);
    RECT ink = InkBox(c);
    int w = Width(c.dc, "HH");
    int left = (align & TA_CENTER) == TA_CENTER ? 60 - w / 2 : (align & TA_RIGHT) ? 60 - w : 60;
    int top = (align & TA_BASELINE) == TA_BASELINE ? 30 - tm.tmAscent : (align & TA_BOTTOM) ? 30 - tm.tmHeight : 30;
    EXPECT_GE(ink.left, left) << align;
    EXPECT_LE(ink.right, left + w) << align;
    EXPECT_GE(ink.top, top) << align;
    // Capital H sits on the baseline.
    EXPECT_EQ(ink.bottom, top + tm.tmAscent) << align;
  }
}

TEST(GdiText, OpaqueBackgroundFillsExactlyTheTextCell) {
  TCanvasDC c(100, 40);
  TFontSel f(c.dc, -16, "Tahoma");
  SetBkColor(c.dc, RGB(255, 0, 0));
  SetBkMode(c.dc, OPAQUE);
  TextOut(c.dc, 10, 5, "Ag", 2);
  SIZE sz;
  GetTextExtentPoint32(c.dc, "Ag", 2, &sz);
  EXPECT_EQ(InkBox(c), (RECT{10, 5, 10 + sz.cx, 5 + sz.cy}));
  EXPECT_EQ(c.At(10, 5), RGB(255, 0, 0));
}

TEST(GdiText, ExtTextOutClipsOpaquesAndHonoursAdvances) {
  TCanvasDC c(100, 40);
  TFontSel f(c.dc, -24, "Arial");
  SetBkMode(c.dc, TRANSPARENT);
  RECT rc{10, 0, 20, 40};
  ExtTextOut(c.dc, 5, 5, ETO_CLIPPED, &rc, "WWW", 3, nullptr);
  RECT ink = InkBox(c);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 20);
  TCanvasDC o(50, 20);
  RECT box{2, 2, 30, 18};
  SetBkColor(o.dc, RGB(0, 0, 255));
  ExtTextOut(o.dc, 0, 0, ETO_OPAQUE, &box, "", 0, nullptr);
  EXPECT_EQ(o.Count(RGB(0, 0, 255)), 28 * 16);
  TCanvasDC d(200, 40);
  TFontSel g(d.dc, -20, "Arial");
  SetBkMode(d.dc, TRANSPARENT);
  const INT dx[] = {50, 50};
  ExtTextOut(d.dc, 10, 5, 0, nullptr, "II", 2, dx);
  RECT i2 = InkBox(d);
  EXPECT_GT(i2.right - i2.left, 50);
  EXPECT_LT(i2.right - i2.left, 50 + 12);
}

TEST(GdiText, EscapementRotatesTheBaseline) {
  TCanvasDC c(80, 120);
  TFontSel f(c.dc, -20, "Arial", FW_NORMAL, 900);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 20, 110, "HHHH", 4);
  RECT ink = InkBox(c);
  EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left));  // runs upwards
  EXPECT_LE(ink.bottom, 111);
  EXPECT_GE(ink.left, 19);  // the glyphs hang to the right of the reference point (top alignment)
}

TEST(GdiText, QualitySelectsAntialiasedOrBinaryGlyphs) {
  for (BYTE q : {NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY}) {
    TCanvasDC c(60, 30);
    TFontSel f(c.dc, -18, "Arial", FW_NORMAL, 0, q);
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 2, 2, "Sao", 3);
    int grey = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        COLORREF v = c.At(x, y);
        grey += v != 0 && v != RGB(255, 255, 255);
      }
    if (q == NONANTIALIASED_QUALITY) EXPECT_EQ(grey, 0);
    else EXPECT_GT(grey, 10);
  }
}

TEST(GdiText, UnderlineRunsUnderTheWholeText) {
  TCanvasDC c(100, 40);
  TFontSel f(c.dc, -20, "Arial", FW_NORMAL, 0, NONANTIALIASED_QUALITY, false, true);
  TEXTMETRICA tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_EQ(tm.tmUnderlined, 1);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 10, 5, "a a", 3);
  int y = 5 + tm.tmAscent + 1;
  bool full = false;
  for (int yy = y; yy < 5 + tm.tmHeight; ++yy) {
    bool row = true;
    for (int x = 11; x < 10 + Width(c.dc, "a a") - 1; ++x) row = row && c.At(x, yy) == 0;
    full = full || row;
  }
  EXPECT_TRUE(full);
}

TEST(GdiText, StrikeOutRunsThroughTheWholeTextAboveTheBaseline) {
  for (bool strike : {false, true}) {
    TCanvasDC c(100, 40);
    HFONT font = CreateFont(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, strike, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Arial");
    HGDIOBJ old = SelectObject(c.dc, font);
    TEXTMETRICA tm;
    GetTextMetrics(c.dc, &tm);
    EXPECT_EQ(tm.tmStruckOut, strike ? 1 : 0);
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 10, 5, "a a", 3);
    // A row of ink across the whole text, the gap of the space included, lies between the top
    // of the cell and the baseline only when the font strikes out.
    int fullRow = -1;
    for (int y = 5; y < 5 + tm.tmAscent && fullRow < 0; ++y) {
      bool row = true;
      for (int x = 11; x < 10 + Width(c.dc, "a a") - 1; ++x) row = row && c.At(x, y) == 0;
      if (row) fullRow = y;
    }
    if (strike) {
      EXPECT_GT(fullRow, 5 + tm.tmInternalLeading);
      EXPECT_LT(fullRow, 5 + tm.tmAscent);
    } else {
      EXPECT_EQ(fullRow, -1);
    }
    SelectObject(c.dc, old);
    DeleteObject(font);
  }
}

TEST(GdiText, ChineseTextDrawsWithTheCJKFontAndAsFallback) {
  for (const char* face : {"宋体", "Arial"}) {
    TCanvasDC c(100, 40);
    TFontSel f(c.dc, -16, face);
    SetBkMode(c.dc, TRANSPARENT);
    const char* text = "照片";
    TextOut(c.dc, 5, 5, text, static_cast<int>(std::strlen(text)));
    RECT ink = InkBox(c);
    EXPECT_GT(ink.right - ink.left, 20) << face;
    EXPECT_EQ(Width(c.dc, text), 32) << face;  // full-width characters: one em each
  }
}

TEST(GdiText, WideTextOutMatchesUtf8) {
  TCanvasDC a(80, 30), b(80, 30);
  TFontSel fa(a.dc, -16, "Arial"), fb(b.dc, -16, "Arial");
  TextOut(a.dc, 2, 2, "Größe", static_cast<int>(std::strlen("Größe")));
  TextOutW(b.dc, 2, 2, u"Größe", 5);
  EXPECT_EQ(a.Art({0, 0, 80, 30}, {{RGB(255, 255, 255), '.'}}), b.Art({0, 0, 80, 30}, {{RGB(255, 255, 255), '.'}}));
  SIZE sa, sb;
  GetTextExtentPoint32(a.dc, "Größe", static_cast<int>(std::strlen("Größe")), &sa);
  GetTextExtentPoint32W(b.dc, u"Größe", 5, &sb);
  EXPECT_EQ(sa.cx, sb.cx);
}

TEST(GdiText, UpdateCurrentPositionAdvancesThePen) {
  TCanvasDC c(100, 30);
  TFontSel f(c.dc, -16, "Arial");
  SetTextAlign(c.dc, TA_UPDATECP);
  MoveToEx(c.dc, 3, 2, nullptr);
  TextOut(c.dc, 0, 0, "abc", 3);
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p.x, 3 + Width(c.dc, "abc"));
  EXPECT_EQ(p.y, 2);
}

TEST(GdiText, OutlineMetricsAndGlyphsForEmbedding) {
  HDC dc = CreateCompatibleDC(nullptr);
  TFontSel f(dc, -1000, "Arial");
  OUTLINETEXTMETRICA otm;
  ASSERT_EQ(GetOutlineTextMetrics(dc, sizeof otm, &otm), sizeof otm);
  EXPECT_EQ(otm.otmEMSquare, 2048u);
  EXPECT_GT(otm.otmAscent, 600);
  EXPECT_LT(otm.otmDescent, -100);
  EXPECT_LT(otm.otmrcFontBox.left, otm.otmrcFontBox.right);
  EXPECT_GT(otm.otmrcFontBox.top, otm.otmrcFontBox.bottom);
  EXPECT_GT(otm.otmsXHeight, 400u);
  EXPECT_LT(otm.otmsXHeight, otm.otmsCapEmHeight);
  EXPECT_EQ(otm.otmItalicAngle, 0);
  GLYPHMETRICS gm;
  EXPECT_EQ(GetGlyphOutline(dc, 'A', GGO_METRICS, &gm, 0, nullptr, nullptr), 0u);
  EXPECT_GT(gm.gmBlackBoxX, 500u);
  DWORD n = GetGlyphOutline(dc, 'O', GGO_NATIVE, &gm, 0, nullptr, nullptr);
  ASSERT_NE(n, GDI_ERROR);
  std::vector<uint8_t> buf(n);
  ASSERT_EQ(GetGlyphOutline(dc, 'O', GGO_NATIVE, &gm, n, buf.data(), nullptr), n);
  TTPOLYGONHEADER h;
  std::memcpy(&h, buf.data(), sizeof h);
  EXPECT_EQ(h.dwType, static_cast<DWORD>(TT_POLYGON_TYPE));
  EXPECT_LT(h.cb, n);  // 'O' has two contours
  DeleteDC(dc);
}

TEST(GdiText, FontDataIsTheWholeFileOrOneTable) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (const char* face : {"Arial", "SimSun"}) {
    TFontSel f(dc, -12, face);
    DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
    ASSERT_NE(size, GDI_ERROR) << face;
    std::vector<uint8_t> file(size);
    ASSERT_EQ(GetFontData(dc, 0, 0, file.data(), size), size);
    // A single TrueType face (a collection is cut down to the selected face).
    EXPECT_EQ(file[0], 0);
    EXPECT_EQ(file[1], 1);
    int tables = (file[4] << 8) | file[5];
    bool glyf = false;
    for (int t = 0; t < tables; ++t) glyf = glyf || std::memcmp(&file[12 + 16 * t], "glyf", 4) == 0;
    EXPECT_TRUE(glyf) << face;
    const DWORD head = 'h' | ('e' << 8) | ('a' << 16) | (static_cast<DWORD>('d') << 24);
    EXPECT_EQ(GetFontData(dc, head, 0, nullptr, 0), 54u) << face;
  }
  DeleteDC(dc);
}

// One call of the enumeration callback.
struct TEnumCall {
  std::string Face, Script;
  DWORD Type;
  BYTE Charset, LfPitchAndFamily, TmPitchAndFamily;
};

std::vector<TEnumCall> Enumerate(HDC dc, const char* face, BYTE charset) {
  std::vector<TEnumCall> calls;
  auto collect = [](const ENUMLOGFONTEXA* e, const NEWTEXTMETRICEXA* tm, DWORD type, LPARAM d) {
    reinterpret_cast<std::vector<TEnumCall>*>(d)->push_back(
        {e->elfLogFont.lfFaceName, e->elfScript, type, e->elfLogFont.lfCharSet,
         e->elfLogFont.lfPitchAndFamily, tm->ntmTm.tmPitchAndFamily});
    return 1;
  };
  LOGFONTA lf{};
  lf.lfCharSet = charset;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  EnumFontFamiliesEx(dc, &lf, collect, reinterpret_cast<LPARAM>(&calls), 0);
  return calls;
}

bool Has(const std::vector<TEnumCall>& calls, const std::string& face) {
  return std::any_of(calls.begin(), calls.end(),
                     [&](const TEnumCall& c) { return c.Face == face; });
}

TEST(GdiText, EnumerationReportsTheFactsOfTheFontFiles) {
  // Pitch and kind of family as the font files (reached through the mapping) say them; every
  // shipped face is a TrueType outline face, and only the WenQuanYi faces cover Chinese.
  struct TCase {
    const char* Face;
    bool Fixed;
    BYTE Kind;
    bool Chinese;
  } cases[] = {
      {"Arial", false, FF_SWISS, false},
      {"Times New Roman", false, FF_ROMAN, false},
      {"Courier New", true, FF_MODERN, false},
      {"Tahoma", false, FF_SWISS, false},
      {"Terminal", true, FF_MODERN, false},
      {"Liberation Serif", false, FF_ROMAN, false},
      {"DejaVu Sans Mono", true, FF_MODERN, false},
      {"DejaVu Serif", false, FF_ROMAN, false},
      {"WenQuanYi Zen Hei", false, FF_DONTCARE, true},
      {"SimSun", false, FF_DONTCARE, true},
      {"宋体", false, FF_DONTCARE, true},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.Face);
    std::vector<TEnumCall> calls = Enumerate(dc, k.Face, DEFAULT_CHARSET);
    ASSERT_FALSE(calls.empty());
    BYTE tmBits =
        static_cast<BYTE>(k.Kind | TMPF_VECTOR | TMPF_TRUETYPE | (k.Fixed ? 0 : TMPF_FIXED_PITCH));
    std::vector<BYTE> charsets;
    for (const TEnumCall& c : calls) {
      EXPECT_EQ(c.Face, k.Face);
      EXPECT_EQ(c.Type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
      EXPECT_EQ(c.LfPitchAndFamily, (k.Fixed ? FIXED_PITCH : VARIABLE_PITCH) | k.Kind);
      EXPECT_EQ(c.TmPitchAndFamily, tmBits);
      charsets.push_back(c.Charset);
    }
    // With a face name, one call per character set the face covers, Western first.
    EXPECT_EQ(charsets.front(), ANSI_CHARSET);
    EXPECT_EQ(calls.front().Script, "Western");
    EXPECT_EQ(std::count(charsets.begin(), charsets.end(), GB2312_CHARSET), k.Chinese ? 1 : 0);
    EXPECT_EQ(std::set<BYTE>(charsets.begin(), charsets.end()).size(), charsets.size());
    // The text metrics of the selected font say the same.
    TFontSel f(dc, -12, k.Face);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    EXPECT_EQ(tm.tmPitchAndFamily, tmBits);
  }
  DeleteDC(dc);
}

TEST(GdiText, EnumerationListsEachFamilyOnceUnderTheNamesTheMappingPresents) {
  HDC dc = CreateCompatibleDC(nullptr);
  std::vector<TEnumCall> all = Enumerate(dc, "", DEFAULT_CHARSET);
  std::set<std::string> names;
  for (const TEnumCall& c : all) EXPECT_TRUE(names.insert(c.Face).second) << c.Face << " twice";
  for (const char* want : {"Arial", "Tahoma", "Courier New", "SimSun", "宋体", "Liberation Sans",
                           "DejaVu Sans", "WenQuanYi Zen Hei"})
    EXPECT_TRUE(names.count(want)) << want;
  // Generic names and the translated names of the Chinese faces are not families of their own.
  for (const char* not_listed : {"sans-serif", "serif", "monospace", "文泉驿正黑"})
    EXPECT_FALSE(names.count(not_listed)) << not_listed;
  // A name is found without regard to case and reported as the mapping writes it.
  std::vector<TEnumCall> tahoma = Enumerate(dc, "tahoma", DEFAULT_CHARSET);
  ASSERT_FALSE(tahoma.empty());
  EXPECT_EQ(tahoma[0].Face, "Tahoma");
  EXPECT_TRUE(Enumerate(dc, "No Such Family", DEFAULT_CHARSET).empty());
  DeleteDC(dc);
}

TEST(GdiText, EnumerationOfOneCharacterSetListsTheFacesThatCoverIt) {
  HDC dc = CreateCompatibleDC(nullptr);
  std::vector<TEnumCall> chinese = Enumerate(dc, "", GB2312_CHARSET);
  for (const char* want : {"WenQuanYi Zen Hei", "SimSun", "宋体"})
    EXPECT_TRUE(Has(chinese, want)) << want;
  for (const char* latin : {"Arial", "Tahoma", "Liberation Sans", "DejaVu Sans Mono"})
    EXPECT_FALSE(Has(chinese, latin)) << latin;
  for (const TEnumCall& c : chinese) {
    EXPECT_EQ(c.Charset, GB2312_CHARSET) << c.Face;
    EXPECT_EQ(c.Script, "CHINESE_GB2312") << c.Face;
  }
  std::vector<TEnumCall> cyrillic = Enumerate(dc, "Arial", RUSSIAN_CHARSET);
  ASSERT_EQ(cyrillic.size(), 1u);
  EXPECT_EQ(cyrillic[0].Script, "Cyrillic");
  EXPECT_TRUE(Enumerate(dc, "Arial", GB2312_CHARSET).empty());
  // The callback ends the enumeration by returning 0, and that is what the call returns.
  int calls = 0;
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  auto stop = [](const ENUMLOGFONTEXA*, const NEWTEXTMETRICEXA*, DWORD, LPARAM d) {
    ++*reinterpret_cast<int*>(d);
    return 0;
  };
  EXPECT_EQ(EnumFontFamiliesEx(dc, &lf, stop, reinterpret_cast<LPARAM>(&calls), 0), 0);
  EXPECT_EQ(calls, 1);
  DeleteDC(dc);
}

TEST(GdiText, DrawTextCalcRectWrapsAndAligns) {
  TCanvasDC c(200, 100);
  TFontSel f(c.dc, -14, "Arial");
  TEXTMETRICA tm;
  GetTextMetrics(c.dc, &tm);
  RECT r{0, 0, 200, 0};
  EXPECT_EQ(DrawText(c.dc, "Proof sheet", -1, &r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
  EXPECT_EQ(r.right, Width(c.dc, "Proof sheet"));
  EXPECT_EQ(c.Count(RGB(255, 255, 255)), 200 * 100);  // measuring draws nothing
  RECT narrow{0, 0, Width(c.dc, "sheet") + 2, 0};
  EXPECT_EQ(DrawText(c.dc, "proof sheet order", -1, &narrow, DT_CALCRECT | DT_WORDBREAK), 3 * tm.tmHeight);
  RECT lines{0, 0, 200, 0};
  EXPECT_EQ(DrawText(c.dc, "one\ntwo\r\nthree", -1, &lines, DT_CALCRECT), 3 * tm.tmHeight);
  EXPECT_EQ(lines.right, Width(c.dc, "three"));
  // The prefix character is not measured; "&&" is one ampersand.
  RECT p1{0, 0, 200, 0}, p2{0, 0, 200, 0};
  DrawText(c.dc, "&File", -1, &p1, DT_CALCRECT | DT_SINGLELINE);
  DrawText(c.dc, "File", -1, &p2, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(p1.right, p2.right);
  RECT p3{0, 0, 200, 0};
  DrawText(c.dc, "a&&b", -1, &p3, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(p3.right, Width(c.dc, "a&b"));
  // Centred in both directions.
  RECT box{0, 0, 200, 100};
  SetBkMode(c.dc, TRANSPARENT);
  DrawText(c.dc, "HHH", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT ink = InkBox(c);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 2);
  EXPECT_NEAR(ink.top, (100 - tm.tmHeight) / 2 + tm.tmInternalLeading, 3);
}

TEST(GdiText, DrawTextExpandsTabsToTabStops) {
  TCanvasDC c(300, 40);
  TFontSel f(c.dc, -14, "Arial");
  TEXTMETRICA tm;
  GetTextMetrics(c.dc, &tm);
  RECT r{0, 0, 300, 0};
  DrawText(c.dc, "a\tb", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(r.right, 8 * tm.tmAveCharWidth + Width(c.dc, "b"));
  // Drawn: the text after the tab starts at the stop; DT_TABSTOP puts the tab count in the
  // second byte (which then cannot carry flags such as DT_CALCRECT).
  for (int stops : {8, 4}) {
    TCanvasDC d(300, 40);
    TFontSel g(d.dc, -14, "Arial");
    RECT box{0, 0, 300, 40};
    SetBkMode(d.dc, TRANSPARENT);
    UINT fmt = DT_SINGLELINE | DT_EXPANDTABS | (stops == 8 ? 0u : DT_TABSTOP | (static_cast<UINT>(stops) << 8));
    DrawText(d.dc, "\tI", -1, &box, fmt);
    int left = 300;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 300; ++x)
        if (d.At(x, y) != RGB(255, 255, 255)) left = std::min(left, x);
    EXPECT_GE(left, stops * tm.tmAveCharWidth) << stops;
    EXPECT_LE(left, stops * tm.tmAveCharWidth + 3) << stops;
  }
}

TEST(GdiText, DrawTextEllipsisAndClipping) {
  TCanvasDC c(200, 40);
  TFontSel f(c.dc, -14, "Arial");
  char text[64] = "C:/photos/2026/wedding/IMG_0001.JPG";
  RECT r{0, 0, Width(c.dc, "C:/photos/...") + Width(c.dc, "/IMG_0001.JPG"), 20};
  DrawText(c.dc, text, -1, &r, DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_SINGLELINE);
  EXPECT_NE(std::string(text).find("..."), std::string::npos);
  EXPECT_NE(std::string(text).find("/IMG_0001.JPG"), std::string::npos);
  char end[64] = "A very long caption for a small cell";
  RECT e{0, 0, 60, 20};
  DrawText(c.dc, end, -1, &e, DT_END_ELLIPSIS | DT_MODIFYSTRING | DT_SINGLELINE);
  EXPECT_EQ(std::string(end).substr(std::strlen(end) - 3), "...");
  EXPECT_LE(Width(c.dc, end), 60);
  TCanvasDC k(100, 40);
  TFontSel g(k.dc, -20, "Arial");
  SetBkMode(k.dc, TRANSPARENT);
  RECT clip{10, 10, 30, 40};
  DrawText(k.dc, "WWWWWW", -1, &clip, DT_SINGLELINE);
  RECT ink = InkBox(k);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 30);
}

TEST(GdiText, DrawTextRightAndBottomAlignment) {
  TCanvasDC c(200, 100);
  TFontSel f(c.dc, -14, "Arial");
  TEXTMETRICA tm;
  GetTextMetrics(c.dc, &tm);
  SetBkMode(c.dc, TRANSPARENT);
  RECT box{0, 0, 200, 100};
  // The return value of a single bottom-aligned line is the offset of its bottom.
  EXPECT_EQ(DrawText(c.dc, "HHH", -1, &box, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE), 100);
  RECT ink = InkBox(c);
  EXPECT_NEAR(ink.right, 200, 2);
  EXPECT_NEAR(ink.left, 200 - Width(c.dc, "HHH"), 2);
  // Capital H sits on the baseline: its ink ends at the descent above the bottom.
  EXPECT_NEAR(ink.bottom, 100 - tm.tmDescent, 1);
  EXPECT_GT(ink.top, 100 - tm.tmHeight);
}

TEST(GdiText, DrawTextPrefixFlags) {
  TCanvasDC c(200, 40);
  TFontSel f(c.dc, -14, "Arial");
  struct {
    UINT Flags;
    const char* Measured;
  } cases[] = {
      {0, "File"},
      {DT_HIDEPREFIX, "File"},
      {DT_NOPREFIX, "&File"},
  };
  for (const auto& k : cases) {
    RECT r{0, 0, 200, 0};
    DrawText(c.dc, "&File", -1, &r, DT_CALCRECT | DT_SINGLELINE | k.Flags);
    EXPECT_EQ(r.right, Width(c.dc, k.Measured)) << k.Flags;
  }
  // Drawn: the shown prefix underlines its letter, DT_HIDEPREFIX draws no underline and
  // DT_PREFIXONLY draws only the underline.
  auto ink = [](UINT flags) {
    TCanvasDC d(200, 40);
    TFontSel g(d.dc, -14, "Arial");
    SetBkMode(d.dc, TRANSPARENT);
    RECT box{0, 0, 200, 40};
    DrawText(d.dc, "&File", -1, &box, DT_SINGLELINE | flags);
    return std::pair<int, RECT>(200 * 40 - d.Count(RGB(255, 255, 255)), InkBox(d));
  };
  auto [shown, shownBox] = ink(0);
  auto [hidden, hiddenBox] = ink(DT_HIDEPREFIX);
  auto [only, onlyBox] = ink(DT_PREFIXONLY);
  EXPECT_GT(shown, hidden);
  EXPECT_GT(only, 0);
  EXPECT_LT(only, hidden);
  EXPECT_GE(onlyBox.top, hiddenBox.bottom - 3);  // the underline lies under the letters
}

TEST(GdiText, DrawTextWordEllipsisCutsAtAWordBoundary) {
  TCanvasDC c(300, 40);
  TFontSel f(c.dc, -14, "Arial");
  char words[64] = "Alpha Bravo Charlie";
  RECT w{0, 0, Width(c.dc, "Alpha Bravo...") + 1, 20};
  DrawText(c.dc, words, -1, &w, DT_WORD_ELLIPSIS | DT_MODIFYSTRING | DT_SINGLELINE);
  EXPECT_STREQ(words, "Alpha Bravo...");
  char fits[64] = "Alpha";
  RECT r{0, 0, 300, 20};
  DrawText(c.dc, fits, -1, &r, DT_WORD_ELLIPSIS | DT_MODIFYSTRING | DT_SINGLELINE);
  EXPECT_STREQ(fits, "Alpha");
}

TEST(GdiText, CharWidthsMatchTheExtentsOfSingleCharacters) {
  TCanvasDC c(10, 10);
  for (const char* face : {"Arial", "Courier New"}) {
    TFontSel f(c.dc, -16, face);
    INT widths[26] = {};
    ASSERT_TRUE(GetCharWidth(c.dc, 'A', 'Z', widths)) << face;
    for (int i = 0; i < 26; ++i) {
      char s[2] = {static_cast<char>('A' + i), 0};
      EXPECT_EQ(widths[i], Width(c.dc, s)) << face << " " << s;
    }
    // The fixed-pitch face gives every letter the same advance, the proportional one does not.
    if (std::string(face) == "Courier New")
      EXPECT_EQ(widths['W' - 'A'], widths['I' - 'A']);
    else
      EXPECT_GT(widths['W' - 'A'], widths['I' - 'A']);
  }
}

}  // namespace
