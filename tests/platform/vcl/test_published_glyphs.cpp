// The glyph properties the buttons publish act on their own painting: one cell of the strip
// (the second while disabled), on the Layout side, Margin pixels from the edge.
#include <gtest/gtest.h>

#include "platform/vcl/buttons.h"
#include "tests/platform/vcl/formtest.h"
#include "tests/platform/vcl/painttest.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

class GlyphLayoutTest : public FormTestBase {
protected:
  // A speed button of 40 x 20 at (10, 10) with a strip of two 8 x 8 cells: red, then blue.
  TSpeedButton* MakeButton() {
    auto* b = new TSpeedButton(Form);
    b->SetParent(Form);
    b->SetBounds(10, 10, 40, 20);
    TBitmap strip;
    strip.SetSize(16, 8);
    strip.Canvas()->Brush()->SetColor(TColor(kRed));
    strip.Canvas()->FillRect(RECT{0, 0, 8, 8});
    strip.Canvas()->Brush()->SetColor(TColor(kBlue));
    strip.Canvas()->FillRect(RECT{8, 0, 16, 8});
    b->SetGlyph(&strip);
    b->SetNumGlyphs(2);
    Form->Show();
    return b;
  }
};

TEST_F(GlyphLayoutTest, OneCellOfTheStripShowsTheSecondWhileDisabled) {
  struct TCase {
    bool Enabled;
    COLORREF Shown, Hidden;
  };
  for (const TCase& c : {TCase{true, kRed, kBlue}, TCase{false, kBlue, kRed}}) {
    SCOPED_TRACE(c.Enabled);
    TSpeedButton* b = MakeButton();
    b->SetEnabled(c.Enabled);
    TPaintShot shot(Form->Handle());
    // Centred: (40 - 8 + 1) / 2 = 16 across, (20 - 8 + 1) / 2 = 6 down.
    EXPECT_EQ(shot.FirstX(c.Shown, 20), 10 + 16);
    EXPECT_EQ(shot.FirstX(c.Hidden, 20), -1);
    delete b;
  }
}

TEST_F(GlyphLayoutTest, LayoutAndMarginPlaceTheGlyph) {
  struct TCase {
    TButtonLayout Layout;
    int Margin;
    int X, Y;  // where the cell's top-left pixel lands in the form
  };
  const TCase cases[] = {
      {blGlyphLeft, 3, 10 + 3, 10 + 6},
      {blGlyphRight, 3, 10 + 40 - 3 - 8, 10 + 6},
      {blGlyphTop, 2, 10 + 16, 10 + 2},
      {blGlyphBottom, 2, 10 + 16, 10 + 20 - 2 - 8},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.Layout));
    TSpeedButton* b = MakeButton();
    b->SetLayout(c.Layout);
    b->SetMargin(c.Margin);
    TPaintShot shot(Form->Handle());
    EXPECT_EQ(shot.At(c.X, c.Y), kRed);
    EXPECT_NE(shot.At(c.X - 1, c.Y), kRed);
    EXPECT_NE(shot.At(c.X, c.Y - 1), kRed);
    delete b;
  }
}

}  // namespace
