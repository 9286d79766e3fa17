// The skin resources and drawing functions of the form skin engine: regions from the
// transparent colour, nine-part drawing, rotations, gradients, shortened captions, the reader's
// lookups and the cut pieces of our skins.
#include <gtest/gtest.h>

#include <string>

#include "paneltest.h"
#include "platform/vcl/forms.h"
#include "skins/swskinfile.h"
#include "skins/swskinres.h"

namespace {

constexpr TColor kMagenta = 0xFF00FF;

std::unique_ptr<TBitmap> Solid(int W, int H, TColor C) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  FillRectColor(b->Canvas(), RECT{0, 0, W, H}, C);
  return b;
}

TColor At(TBitmap* B, int X, int Y) { return static_cast<TColor>(B->Canvas()->Pixels(X, Y)); }

class SwSkinResTest : public PanelFormTest {};

}  // namespace

TEST_F(SwSkinResTest, RegionBandsFromTheTransparentColour) {
  // A 10 x 8 title: row 3 transparent except its last pixel; rows 6-7 fully transparent.
  auto title = Solid(10, 8, 0x123456);
  for (int x = 0; x < 9; ++x) title->Canvas()->SetPixels(x, 3, kMagenta);
  for (int y = 6; y < 8; ++y)
    for (int x = 0; x < 10; ++x) title->Canvas()->SetPixels(x, y, kMagenta);
  HWND h = Form->Handle();
  struct Case {
    int Min, Max;
    bool Row7Filled;  // rows above/below the scanned band are full-width strips
  };
  for (const Case& c : {Case{-1, -1, false}, Case{2, 5, true}}) {
    SkinSetWindowRegion(h, title.get(), nullptr, true, false, c.Min, c.Max, -1, -1, kMagenta, 100, 40);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(h, r), ERROR);
    EXPECT_FALSE(PtInRegion(r, 0, 3));
    EXPECT_TRUE(PtInRegion(r, 9, 3)) << "one opaque pixel at the last column";
    EXPECT_FALSE(PtInRegion(r, 10, 3)) << "scanned rows stop at the bitmap";
    EXPECT_EQ(PtInRegion(r, 5, 7) != FALSE, c.Row7Filled);
    EXPECT_EQ(PtInRegion(r, 30, 0) != FALSE, c.Min == 2) << "rows above the band span the window";
    EXPECT_TRUE(PtInRegion(r, 20, 50)) << "the middle";
    EXPECT_TRUE(PtInRegion(r, 39, 99));
    DeleteObject(r);
  }
}

TEST_F(SwSkinResTest, NinePartCornersAndStops) {
  // 49 x 23 bitmap into 20 x 10: corners of 10 x 5 (top) and 10 x 4 (bottom).
  auto src = Solid(49, 23, 0x0000FF);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 49; ++x) {
      TColor c = 0x00FF00;
      if (x < 24 && y < 11) c = 0x0000FF;            // top-left quarter
      else if (x < 24 && y >= 12) c = 0xFF0000;      // bottom-left quarter
      src->Canvas()->SetPixels(x, y, c);
    }
  auto dst = Solid(20, 10, 0xFFFFFF);
  DrawBitmapNinePart(src.get(), dst->Canvas(), RECT{0, 0, 20, 10}, kMagenta, false);
  EXPECT_EQ(At(dst.get(), 0, 0), 0x0000FFu);
  EXPECT_EQ(At(dst.get(), 9, 4), 0x0000FFu);
  EXPECT_EQ(At(dst.get(), 0, 9), 0xFF0000u);
  EXPECT_EQ(At(dst.get(), 8, 6), 0xFF0000u);  // column 9 belongs to the bottom edge
  EXPECT_EQ(At(dst.get(), 19, 0), 0x00FF00u);
  // Three rows high: only the top-left corner.
  auto low = Solid(20, 3, 0xFFFFFF);
  DrawBitmapNinePart(src.get(), low->Canvas(), RECT{0, 0, 20, 3}, kMagenta, false);
  EXPECT_EQ(At(low.get(), 0, 0), 0x0000FFu);
  EXPECT_EQ(At(low.get(), 19, 0), 0xFFFFFFu);
  EXPECT_EQ(At(low.get(), 0, 2), 0xFFFFFFu);
}

TEST_F(SwSkinResTest, RotationsMovePixels) {
  auto b = Solid(3, 2, 0);
  b->Canvas()->SetPixels(0, 0, 0x0000FF);  // marked corner
  RotateBitmapCCW(b.get());
  EXPECT_EQ(b->Width(), 2);
  EXPECT_EQ(b->Height(), 3);
  EXPECT_EQ(At(b.get(), 0, 2), 0x0000FFu);  // (x, y) -> (y, W - 1 - x)
  RotateBitmapCW(b.get());
  EXPECT_EQ(At(b.get(), 0, 0), 0x0000FFu);
  RotateBitmap180(b.get());
  EXPECT_EQ(At(b.get(), 2, 1), 0x0000FFu);
  EXPECT_TRUE(IsRowUniform(b.get()));  // 3 wide: always uniform
}

TEST_F(SwSkinResTest, GradientOfTwoRowsHasOnlyItsEnds) {
  auto b = Solid(4, 4, 0xFFFFFF);
  GradientVertical(b->Canvas(), RECT{0, 1, 4, 3}, 0x000010, 0x0000F0);
  EXPECT_EQ(At(b.get(), 1, 1), 0x000010u);
  EXPECT_EQ(At(b.get(), 1, 2), 0x0000F0u);
  EXPECT_EQ(At(b.get(), 1, 0), 0xFFFFFFu);
  EXPECT_EQ(At(b.get(), 1, 3), 0xFFFFFFu);
  EXPECT_EQ(InvertColor(0x102030), 0xEFDFCF);
  EXPECT_TRUE(PointInRectInclusive(10, 20, RECT{0, 0, 10, 20}));
  EXPECT_FALSE(PointInRectInclusive(11, 20, RECT{0, 0, 10, 20}));
}

// A shortened caption never runs past its limit: the longest prefix with "..." that fits.
TEST_F(SwSkinResTest, EllipsizedCaptionsStayWithinTheirLimit) {
  TCanvas* c = Form->Canvas();
  const std::string text = "A rather long caption of a skinned window";
  const int full = c->TextWidth(text);
  EXPECT_EQ(EllipsizeText(c, text, full), text);
  for (int limit : {full - 1, full / 2, 40, c->TextWidth("...")}) {
    const std::string s = EllipsizeText(c, text, limit);
    ASSERT_GE(s.size(), 3u) << limit;
    EXPECT_EQ(s.substr(s.size() - 3), "...") << limit;
    EXPECT_LE(c->TextWidth(s), limit) << limit;
    // One character more would not fit.
    const std::string prefix = s.substr(0, s.size() - 3);
    if (prefix.size() < text.size()) {
      EXPECT_GT(c->TextWidth(text.substr(0, prefix.size() + 1) + "..."), limit) << limit;
    }
  }
  EXPECT_EQ(EllipsizeText(c, text, 1), "");
}

TEST_F(SwSkinResTest, ReaderLooksUpByNumberAndCutsPieces) {
  TswSkinReader none;
  EXPECT_FALSE(none.Loaded());
  EXPECT_EQ(none.GetBitmap(0), nullptr);
  EXPECT_EQ(none.GetColor(2), -1);
  EXPECT_EQ(none.GetInteger(0), -1);
  EXPECT_EQ(none.GetBool(0), 0);
  TswSkinReader r(SourceDir() + "/data/swskins/harbour.ssk", "");
  int loads = 0;
  r.OnLoad = [&](TswSkinReader*) { ++loads; };
  r.Load(SourceDir() + "/data/swskins/prism.ssk", "");
  EXPECT_EQ(loads, 1);
  ASSERT_TRUE(r.Loaded());
  EXPECT_EQ(r.GetColor(0), 0xFF00FF);
  EXPECT_EQ(r.GetColor(128 + 0), 0xFF00FF) << "numbers are masked with 127";
  EXPECT_EQ(r.GetBool(0), 1);
  EXPECT_EQ(r.GetInteger(0), 6);
  ASSERT_NE(r.GetBitmap(0), nullptr);
  EXPECT_EQ(r.GetBitmap(0)->TransparentColor(), 0xFF00FF);
  // The track bar's transparent pixels became the form colour.
  TBitmap* track = r.GetBitmap(23);
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(At(track, 0, 0), static_cast<TColor>(r.GetColor(2)));
  TswSkinScrollBtnRes scroll;
  scroll.SetReader(&r);
  ASSERT_NE(scroll.VertButton(1), nullptr);
  EXPECT_EQ(scroll.VertButton(1)->Width(), 17);
  EXPECT_EQ(scroll.HorzButton(1)->Height(), 17);
  EXPECT_EQ(scroll.VertPart(1)->Height(), 3);
  EXPECT_EQ(scroll.VertPart(2)->Height(), (33 - 6) / 3);
  EXPECT_FALSE(scroll.WholeThumb);
  TswSkinProgressBarRes progress;
  progress.SetReader(&r);
  EXPECT_EQ(progress.FirstWidth, 5);
  EXPECT_EQ(progress.VertPart(1)->Height(), 5);
  TswSkinTabRes tabs;
  tabs.SetReader(&r);
  EXPECT_EQ(tabs.Bitmaps[4]->Width(), 40);
  EXPECT_EQ(tabs.Bitmaps[5]->Width(), 22);
  // A damaged archive leaves no skin and does not call OnLoad.
  EXPECT_THROW(r.Load(SourceDir() + "/data/swskins/harbour/keys.txt", ""), Exception);
  EXPECT_FALSE(r.Loaded());
  EXPECT_EQ(loads, 1);
  scroll.SetReader(&r);
  EXPECT_EQ(scroll.VertButton(1), nullptr);
}
