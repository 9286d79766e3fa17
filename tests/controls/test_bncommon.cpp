// The buttons' toolkit: colours in hue, saturation and luminance, gradients, borders, keyed
// bitmaps, the visual-style library and the theme services.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/bncommon.h"
#include "controls/bngrafx.h"
#include "controls/bnthemesrv.h"
#include "controls/bnuxtheme.h"
#include "platform/win/winuser.h"

namespace {

// A 32-bit bitmap filled with Background to draw on.
std::unique_ptr<TBitmap> Canvas(int W, int H, TColor Background = clWhite) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(Background);
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  return b;
}
TColor At(TBitmap& B, int X, int Y) { return B.Canvas()->Pixels(X, Y); }

TEST(BnColours, HueSaturationAndLuminanceRoundTrip) {
  uint8_t h, s, l;
  SplitHSL(clRed, h, s, l);
  EXPECT_EQ((std::vector<int>{h, s, l}), (std::vector<int>{0, 240, 120}));
  SplitHSL(clWhite, h, s, l);
  EXPECT_EQ((std::vector<int>{h, s, l}), (std::vector<int>{0, 0, 240}));
  EXPECT_EQ(JoinHSL(0, 240, 120), clRed);
  EXPECT_EQ(JoinHSL(239, 240, 120), clRed);
  // Hues are scaled by 239: 160 is not quite pure blue, 80 not quite pure green.
  EXPECT_EQ(JoinHSL(160, 240, 120), TColor(RGB(4, 0, 255)));
  EXPECT_EQ(JoinHSL(80, 240, 120), TColor(RGB(0, 255, 2)));
  EXPECT_EQ(JoinHSL(0, 0, 0), clBlack);
  EXPECT_EQ(HueOf(TColor(RGB(0, 0, 255))), 160);
  // System colours are taken as their RGB values.
  SplitHSL(clBtnFace, h, s, l);
  uint8_t h2, s2, l2;
  SplitHSL(TColor(ColorToRGB(clBtnFace)), h2, s2, l2);
  EXPECT_EQ(l, l2);
}

TEST(BnColours, ShadesMixesAndOpposites) {
  const TColor darkGrey = TColor(RGB(10, 10, 12));  // luminance about 10
  uint8_t h, s, l;
  SplitHSL(darkGrey, h, s, l);
  ASSERT_LT(l, 20);
  EXPECT_EQ(ShadeDown(darkGrey, 20), clBlack);
  EXPECT_EQ(ShadeUp(clWhite, 50), clWhite);
  EXPECT_EQ(ShadeUp(TColor(RGB(128, 128, 128)), 240), clWhite);
  EXPECT_EQ(MixColors(clWhite, clBlack, 255), clWhite);
  EXPECT_EQ(MixColors(clWhite, clBlack, 0), clBlack);
  EXPECT_EQ(MixColors(TColor(RGB(200, 100, 0)), TColor(RGB(0, 100, 200)), 128),
            TColor(RGB(100, 100, 100)));
  EXPECT_TRUE(ColorsNear(TColor(RGB(200, 0, 0)), TColor(RGB(230, 20, 20))));
  EXPECT_FALSE(ColorsNear(clRed, clBlue));
  EXPECT_FALSE(ColorsNear(TColor(RGB(40, 0, 0)), TColor(RGB(255, 180, 180))));
  EXPECT_EQ(HueOf(OppositeHue(clRed, 120)), 120);
  EXPECT_EQ(HueOf(OppositeHue(clBlue, 120)), 40);
}

TEST(BnGradients, AnEmptyRectangleDrawsNothing) {
  auto b = Canvas(10, 10);
  DrawRamp(b->Canvas(), RECT{2, 2, 2, 8}, 2, 1, clRed, clBlue);
  DrawRamp(b->Canvas(), RECT{2, 2, 8, 2}, 2, 1, clRed, clBlue);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(At(*b, x, y), clWhite);
}

TEST(BnGradients, VerticalRampsRunFromTheBottomOrTheMiddle) {
  auto b = Canvas(30, 20);
  DrawRamp(b->Canvas(), RECT{0, 0, 30, 20}, 2, 1, TColor(RGB(0, 0, 0)), TColor(RGB(200, 200, 200)));
  EXPECT_EQ(At(*b, 0, 19), clBlack);
  EXPECT_EQ(At(*b, 29, 19), clBlack);                   // tiled across
  EXPECT_EQ(At(*b, 5, 0), TColor(RGB(190, 190, 190)));  // 19 steps of 200/20
  EXPECT_EQ(At(*b, 5, 10), TColor(RGB(90, 90, 90)));
  // Two-sided: the first colour in the middle row, the second towards both edges.
  DrawRamp(b->Canvas(), RECT{0, 0, 30, 20}, 3, 1, clBlack, TColor(RGB(220, 220, 220)));
  EXPECT_EQ(At(*b, 3, 10), clBlack);
  EXPECT_GT(GetRValue(At(*b, 3, 0)), 180);
  EXPECT_GT(GetRValue(At(*b, 3, 19)), 180);
  // Horizontal: the first colour at the right edge.
  DrawRamp(b->Canvas(), RECT{0, 0, 30, 20}, 5, 1, clBlack, clWhite);
  EXPECT_EQ(At(*b, 29, 3), clBlack);
  EXPECT_GT(GetRValue(At(*b, 0, 17)), 240);
}

TEST(BnGradients, QualitySetsTheLeastBandLength) {
  EXPECT_EQ(RampBandLength(1), 0);
  EXPECT_EQ(RampBandLength(8), 7);
  EXPECT_EQ(RampBandLength(16), 15);  // 255 div 16 + 1 - 1
  EXPECT_EQ(RampBandLength(16, true), 16);
  EXPECT_EQ(RampBandLength(0), 0);
  // With bands of at least 16 rows a 40-row ramp has at most 3 colours.
  auto b = Canvas(8, 40);
  DrawRamp(b->Canvas(), RECT{0, 0, 8, 40}, 2, 16, clBlack, clWhite);
  std::vector<TColor> seen;
  for (int y = 39; y >= 0; --y)
    if (seen.empty() || seen.back() != At(*b, 0, y)) seen.push_back(At(*b, 0, y));
  EXPECT_LE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), clBlack);
}

TEST(BnGradients, BoxAndDiagonalRampsCoverTheArea) {
  for (int dir : {0, 1, 4, 7, 8, 9}) {
    auto b = Canvas(24, 16, clLime);
    DrawRamp(b->Canvas(), RECT{0, 0, 24, 16}, dir, 1, clBlack, clWhite);
    int lime = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) lime += At(*b, x, y) == clLime;
    EXPECT_EQ(lime, 0) << "direction " << dir;
  }
  // Boxes are symmetric: corners alike, the centre the second colour.
  auto b = Canvas(24, 16);
  DrawRamp(b->Canvas(), RECT{0, 0, 24, 16}, 8, 1, clBlack, clWhite);
  EXPECT_EQ(At(*b, 0, 0), At(*b, 23, 15));
  EXPECT_EQ(At(*b, 0, 0), clBlack);
  EXPECT_GT(GetRValue(At(*b, 11, 7)), 200);
}

TEST(BnBorders, EdgeLinesInsetOnlyTheirSides) {
  auto b = Canvas(10, 10);
  const RECT r =
      DrawEdgeLines(b->Canvas(), RECT{0, 0, 10, 10}, clRed, clBlue, bsLeftSide | bsTopSide);
  EXPECT_EQ(r, (RECT{1, 1, 10, 10}));
  EXPECT_EQ(At(*b, 0, 9), clRed);
  EXPECT_EQ(At(*b, 9, 0), clRed);
  EXPECT_EQ(At(*b, 9, 9), clWhite);
  const RECT all = DrawEdgeLines(b->Canvas(), RECT{0, 0, 10, 10}, clRed, clBlue);
  EXPECT_EQ(all, (RECT{1, 1, 9, 9}));
  EXPECT_EQ(At(*b, 9, 0), clBlue);  // the lower-right colour takes the corners it shares
  EXPECT_EQ(At(*b, 0, 9), clBlue);
  // A side whose colour is none is neither drawn nor inset.
  auto c = Canvas(10, 10);
  EXPECT_EQ(DrawEdgeLines(c->Canvas(), RECT{0, 0, 10, 10}, clNone, clBlue), (RECT{0, 0, 9, 9}));
  EXPECT_EQ(At(*c, 0, 5), clWhite);
}

TEST(BnBorders, FrameStylesDrawTheirRings) {
  struct TCase {
    int Style, Inset;
  };
  for (const TCase& c :
       {TCase{0, 0}, TCase{1, 1}, TCase{2, 2}, TCase{3, 2}, TCase{4, 2}, TCase{5, 2}, TCase{6, 2},
        TCase{7, 2}, TCase{8, 1}, TCase{9, 1}, TCase{10, 2}, TCase{11, 2}}) {
    auto b = Canvas(12, 12);
    const RECT r = DrawFrameStyle(b->Canvas(), RECT{0, 0, 12, 12}, c.Style);
    EXPECT_EQ(r, (RECT{c.Inset, c.Inset, 12 - c.Inset, 12 - c.Inset})) << "style " << c.Style;
    auto t = Canvas(12, 12);
    EXPECT_EQ(DrawTintedFrameStyle(t->Canvas(), RECT{0, 0, 12, 12}, clBtnFace, c.Style), r)
        << "style " << c.Style;
    // Something is drawn on the ring's sides (some sides are white, as the highlight is).
    const bool drawn =
        At(*b, 0, 5) != clWhite || At(*b, 1, 5) != clWhite || At(*b, 11, 5) != clWhite;
    EXPECT_EQ(drawn, c.Style > 0) << "style " << c.Style;
  }
  // A groove: shadow outside at the upper left, highlight inside.
  auto g = Canvas(12, 12);
  DrawFrameStyle(g->Canvas(), RECT{0, 0, 12, 12}, 2);
  EXPECT_EQ(ColorToRGB(At(*g, 0, 5)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(ColorToRGB(At(*g, 1, 5)), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(ColorToRGB(At(*g, 11, 5)), ColorToRGB(clBtnHighlight));
  // Lowered button edges: a dark outer ring.
  auto e = Canvas(12, 12);
  EXPECT_EQ(DrawButtonEdges(e->Canvas(), RECT{0, 0, 12, 12}, true), (RECT{2, 2, 10, 10}));
  EXPECT_EQ(ColorToRGB(At(*e, 0, 0)), ColorToRGB(clBtnText));
}

TEST(BnBorders, DottedFramesAndHotRings) {
  auto b = Canvas(8, 6);
  EXPECT_EQ(DrawDottedFrame(b->Canvas(), RECT{0, 0, 8, 6}), (RECT{1, 1, 7, 5}));
  // Every second pixel from the second one, not at the far end.
  EXPECT_EQ(At(*b, 0, 0), clWhite);
  EXPECT_EQ(At(*b, 1, 0), clBlack);
  EXPECT_EQ(At(*b, 2, 0), clWhite);
  EXPECT_EQ(At(*b, 5, 0), clBlack);
  EXPECT_EQ(At(*b, 7, 0), clWhite);
  EXPECT_EQ(At(*b, 0, 1), clBlack);
  EXPECT_EQ(At(*b, 0, 3), clBlack);
  EXPECT_EQ(At(*b, 7, 1), clBlack);
  auto r = Canvas(20, 20);
  EXPECT_EQ(DrawHotRing(r->Canvas(), RECT{2, 2, 18, 18}, 2, clRed, clRed), (RECT{4, 4, 16, 16}));
  EXPECT_EQ(At(*r, 2, 10), clRed);
  EXPECT_EQ(At(*r, 3, 10), clRed);
  EXPECT_EQ(At(*r, 4, 10), clWhite);
  EXPECT_EQ(At(*r, 1, 10), clWhite);
  // A later drawing is not clipped by the ring.
  r->Canvas()->Brush()->SetColor(clBlue);
  r->Canvas()->FillRect(RECT{5, 5, 6, 6});
  EXPECT_EQ(At(*r, 5, 5), clBlue);
  // Displays of 256 colours or fewer get no ring.
  TrueColorDisplay = false;
  auto n = Canvas(20, 20);
  DrawHotRing(n->Canvas(), RECT{2, 2, 18, 18}, 2, clRed, clRed);
  TrueColorDisplay = true;
  EXPECT_EQ(At(*n, 2, 10), clWhite);
}

TEST(BnBitmaps, KeyedBitmapsLeaveOutTheKeyAtTheCanvasOrigin) {
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(4, 2);
  glyph.Canvas()->Brush()->SetColor(clOlive);
  glyph.Canvas()->FillRect(RECT{0, 0, 4, 2});
  glyph.Canvas()->SetPixels(2, 0, clRed);
  glyph.Canvas()->SetPixels(3, 1, clBlue);
  auto b = Canvas(10, 10, clWhite);
  // The second cell (2..4) stretched to 4 x 4; the destination gives only the size.
  DrawKeyedBitmap(b->Canvas(), &glyph, RECT{5, 5, 9, 9}, clOlive, RECT{2, 0, 4, 2});
  EXPECT_EQ(At(*b, 0, 0), clRed);
  EXPECT_EQ(At(*b, 1, 1), clRed);
  EXPECT_EQ(At(*b, 3, 0), clWhite);
  EXPECT_EQ(At(*b, 3, 3), clBlue);
  EXPECT_EQ(At(*b, 6, 6), clWhite);
}

// ---- The visual-style library ----

// A stand-in library that has visual styles: every call is counted.
struct TFakeTheme {
  static inline int Opened = 0, Closed = 0, Drawn = 0;
  static inline int LastPart = 0, LastState = 0;
  static HTHEME Open(HWND, LPCWSTR) {
    return reinterpret_cast<HTHEME>(static_cast<intptr_t>(++Opened));
  }
  static HRESULT Close(HTHEME) {
    ++Closed;
    return 0;
  }
  static HRESULT Draw(HTHEME, HDC, int Part, int State, const RECT*, const RECT*) {
    ++Drawn;
    LastPart = Part;
    LastState = State;
    return 0;
  }
  static BOOL Yes() { return TRUE; }
  static DWORD Properties() { return STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS; }
  static TVisualStyleProc Library(const char* Name) {
    const std::string n = Name;
    if (n == "OpenThemeData") return reinterpret_cast<TVisualStyleProc>(&Open);
    if (n == "CloseThemeData") return reinterpret_cast<TVisualStyleProc>(&Close);
    if (n == "DrawThemeBackground") return reinterpret_cast<TVisualStyleProc>(&Draw);
    if (n == "IsAppThemed" || n == "IsThemeActive") return reinterpret_cast<TVisualStyleProc>(&Yes);
    if (n == "GetThemeAppProperties") return reinterpret_cast<TVisualStyleProc>(&Properties);
    return nullptr;
  }
};

class BnVisualStyles : public ::testing::Test {
protected:
  void TearDown() override { SetVisualStyleLibrary(&PlatformVisualStyleLibrary); }
};

TEST_F(BnVisualStyles, ThePlatformLibraryLoadsAndSaysThereAreNoVisualStyles) {
  const int before = VisualStylesRefCount();
  EXPECT_TRUE(LoadVisualStyles());
  EXPECT_EQ(VisualStylesRefCount(), before + 1);
  EXPECT_FALSE(VisualStylesActive());
  int resolved = 0;
  for (const char* name : VisualStyleFunctionNames) resolved += VisualStyleProc(name) != nullptr;
  EXPECT_EQ(resolved, 15);
  EXPECT_EQ(VisualStyleProc("GetThemeColor"), nullptr);
  ReleaseVisualStyles();
  EXPECT_EQ(VisualStylesRefCount(), before);
  TThemeServices services(nullptr);
  EXPECT_TRUE(services.ThemesAvailable());
  EXPECT_FALSE(services.ThemedControls());
  EXPECT_EQ(services.ThemeHandle(teButton), nullptr);
}

TEST_F(BnVisualStyles, WithoutTheLibraryEveryThemedCheckIsFalse) {
  // Only a fresh load sees the library in its place.
  if (VisualStylesRefCount() != 0) GTEST_SKIP() << "the library is held elsewhere in this program";
  SetVisualStyleLibrary(nullptr);
  EXPECT_FALSE(LoadVisualStyles());
  EXPECT_FALSE(VisualStylesActive());
  EXPECT_EQ(bnux::OpenThemeData, nullptr);
  EXPECT_EQ(bnux::IsAppThemed, nullptr);
  {
    TThemeServices services(nullptr);
    EXPECT_FALSE(services.ThemesAvailable());
    EXPECT_FALSE(services.ThemedControls());
    services.PaintPart(nullptr, services.ButtonDetails(tbPushButtonNormal), RECT{0, 0, 1, 1});
  }
  ReleaseVisualStyles();
}

TEST_F(BnVisualStyles, AThemeChangeClosesTheHandlesAndFiresTheEventOnce) {
  if (VisualStylesRefCount() != 0) GTEST_SKIP() << "the library is held elsewhere in this program";
  SetVisualStyleLibrary(&TFakeTheme::Library);
  HWND wnd =
      CreateWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(wnd);
  const LONG_PTR original = GetWindowLongPtr(wnd, GWLP_WNDPROC);
  TFakeTheme::Opened = TFakeTheme::Closed = 0;
  {
    TThemeServices services(wnd);
    EXPECT_TRUE(services.ThemedControls());
    const HTHEME h = services.ThemeHandle(teButton);
    EXPECT_NE(h, nullptr);
    EXPECT_EQ(services.ThemeHandle(teButton), h);  // cached
    services.ThemeHandle(teEdit);
    EXPECT_EQ(TFakeTheme::Opened, 2);
    int changes = 0;
    services.OnThemeChange = [&](TObject*) { ++changes; };
    SendMessage(wnd, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(TFakeTheme::Closed, 2);
    EXPECT_NE(services.ThemeHandle(teButton), h);  // opened again
    services.PaintPart(nullptr, services.ButtonDetails(tbPushButtonDefaulted), RECT{0, 0, 4, 4});
    EXPECT_EQ(TFakeTheme::LastPart, 1);
    EXPECT_EQ(TFakeTheme::LastState, 5);
  }
  // The window's own procedure is back.
  EXPECT_EQ(GetWindowLongPtr(wnd, GWLP_WNDPROC), original);
  DestroyWindow(wnd);
}

TEST(BnThemeDetails, ThemedButtonValuesMapToPartsAndStates) {
  TThemeServices services(nullptr);
  struct TCase {
    int Value, Part, State;
  };
  for (const TCase& c :
       {TCase{tbButtonDontCare, 0, 1}, TCase{tbButtonRoot, 0, 2}, TCase{tbPushButtonNormal, 1, 1},
        TCase{tbPushButtonDefaulted, 1, 5}, TCase{tbRadioButtonUncheckedNormal, 2, 1},
        TCase{tbRadioButtonCheckedDisabled, 2, 8}, TCase{tbCheckBoxUncheckedNormal, 3, 1},
        TCase{tbCheckBoxMixedDisabled, 3, 12}, TCase{tbGroupBoxNormal, 4, 1},
        TCase{tbGroupBoxDisabled, 4, 2}, TCase{tbUserButton, 5, 1}}) {
    const TThemedElementDetails d = services.ButtonDetails(c.Value);
    EXPECT_EQ(d.Element, teButton);
    EXPECT_EQ(d.Part, c.Part) << c.Value;
    EXPECT_EQ(d.State, c.State) << c.Value;
  }
  EXPECT_EQ(std::u16string(ThemedElementClassName(teTrayNotify)), u"traynotify");
}

TEST(BnNamedColours, TheTablesHoldTheirEntries) {
  EXPECT_STREQ(BnColorTable[1].Name, "Brown");
  EXPECT_EQ(BnColorTable[1].Color, TColor(RGB(0x99, 0x33, 0x00)));
  EXPECT_STREQ(BnColorTable[39].Name, "White");
  EXPECT_EQ(BnColorTable[40].Color, clScrollBar);
  EXPECT_EQ(BnColorTable[65].Color, clHotLight);  // system colour 25 is left out
  EXPECT_STREQ(BnColorTable[69].Name, "Menu Bar");
  EXPECT_STREQ(BnColorIdents[0].Name, "Default");
  EXPECT_EQ(BnColorIdents[11].Color, clRed);
  EXPECT_STREQ(BnColorIdents[42].Name, "InfoBk");
}

}  // namespace
