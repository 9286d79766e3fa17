// The gradient view: stripes by pixel for every style, the narrow centred gradients, the stored
// defaults and the round trip through an .rp3 file.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptgradient.h"
#include "report/core/rptregistry.h"
#include "script/sc_iinterpreter.h"

namespace {

// The gradient drawn at scale 1 onto a green bitmap of W x H.
std::unique_ptr<TBitmap> Render(TrptGradientView& G, int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(clLime);
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  G.SetBounds(0, 0, W, H);
  G.Draw(b->Canvas(), 1, 1, 0, 0);
  return b;
}

int Grey(TBitmap* B, int X, int Y) { return static_cast<int>(B->Canvas()->Pixels(X, Y) & 0xFF); }

// a * b / c rounded to the nearest, halves away from zero.
int Scaled(int A, int B, int C) {
  double v = static_cast<double>(A) * B / C;
  return static_cast<int>(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
}

}  // namespace

TEST(RptGradientView, HorizontalStripesByPixel) {
  TrptGradientView g(nullptr);
  g.BeginColor = 0;
  g.EndColor = 0xFFFFFF;
  auto b = Render(g, 256, 4);
  for (int k : {0, 1, 128, 200, 255}) EXPECT_EQ(b->Canvas()->Pixels(k, 2), RGB(k, k, k)) << k;
  // White to black: the differences are negative and the bytes stay within range.
  g.BeginColor = 0xFFFFFF;
  g.EndColor = 0;
  b = Render(g, 256, 4);
  for (int k : {0, 100, 255}) EXPECT_EQ(Grey(b.get(), k, 1), 255 - k) << k;
  // 100 pixels: many stripes are empty, and every column belongs to exactly one stripe.
  g.BeginColor = 0;
  g.EndColor = 0xFFFFFF;
  b = Render(g, 100, 3);
  for (int x = 0; x < 100; ++x) {
    int stripe = -1;
    for (int k = 0; k <= 255; ++k)
      if (Scaled(k, 100, 256) <= x && x < Scaled(k + 1, 100, 256)) {
        EXPECT_EQ(stripe, -1) << "stripes overlap at " << x;
        stripe = k;
      }
    ASSERT_NE(stripe, -1) << x;
    EXPECT_EQ(Grey(b.get(), x, 1), Scaled(stripe, 255, 255)) << x;
  }
}

TEST(RptGradientView, VerticalAndCentredStripes) {
  TrptGradientView g(nullptr);
  g.BeginColor = 0x0000FF;  // red
  g.EndColor = 0xFF0000;    // blue
  g.Style = gsVertical;
  auto b = Render(g, 5, 256);
  EXPECT_EQ(b->Canvas()->Pixels(2, 0), RGB(255, 0, 0));
  EXPECT_EQ(b->Canvas()->Pixels(2, 255), RGB(0, 0, 255));
  EXPECT_EQ(b->Canvas()->Pixels(2, 51), RGB(255 - 51, 0, 51));
  // Centred: begin colour at both edges, end colour in the middle.
  g.BeginColor = 0;
  g.EndColor = 0xFFFFFF;
  g.Style = gsVertCenter;
  b = Render(g, 4, 10);
  EXPECT_EQ(Grey(b.get(), 1, 0), 0);
  EXPECT_EQ(Grey(b.get(), 1, 9), 0);
  EXPECT_EQ(Grey(b.get(), 1, 1), 51);
  EXPECT_EQ(Grey(b.get(), 1, 8), 51);
  EXPECT_EQ(Grey(b.get(), 1, 4), 255);
  EXPECT_EQ(Grey(b.get(), 1, 5), 255);
  g.Style = gsHorizCenter;
  b = Render(g, 10, 4);
  EXPECT_EQ(Grey(b.get(), 0, 2), 0);
  EXPECT_EQ(Grey(b.get(), 9, 2), 0);
  EXPECT_EQ(Grey(b.get(), 2, 2), 102);
  EXPECT_EQ(Grey(b.get(), 5, 2), 255);
}

TEST(RptGradientView, CentredGradientUnderTwoPixelsFillsWithTheBeginColour) {
  TrptGradientView g(nullptr);
  g.BeginColor = 0x336699;
  g.EndColor = 0xFFFFFF;
  g.Style = gsVertCenter;
  auto b = Render(g, 6, 1);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(b->Canvas()->Pixels(x, 0), static_cast<COLORREF>(0x336699));
  g.Style = gsHorizCenter;
  b = Render(g, 1, 6);
  for (int y = 0; y < 6; ++y) EXPECT_EQ(b->Canvas()->Pixels(0, y), static_cast<COLORREF>(0x336699));
  // Nothing at all to fill: nothing is drawn outside the object.
  b = Render(g, 0, 6);
  EXPECT_EQ(b->Width(), 0);
}

TEST(RptGradientView, EllipticAndRectangleRunFromTheEdgesToTheCentre) {
  TrptGradientView g(nullptr);
  g.BeginColor = 0;
  g.EndColor = 0xFFFFFF;
  g.Style = gsElliptic;
  auto b = Render(g, 100, 60);
  // The corner lies inside the first eight ellipses: colour 7 of 155 (about 12).
  EXPECT_NEAR(Grey(b.get(), 0, 0), 12, 4);
  EXPECT_GE(Grey(b.get(), 50, 30), 230);
  EXPECT_LT(Grey(b.get(), 20, 30), Grey(b.get(), 40, 30));
  g.Style = gsRectangle;
  b = Render(g, 100, 60);
  EXPECT_LE(Grey(b.get(), 0, 0), 8);
  EXPECT_GE(Grey(b.get(), 50, 29), 230);
  EXPECT_LT(Grey(b.get(), 10, 30), Grey(b.get(), 30, 30));
  // A style outside the six draws no gradient.
  g.Style = static_cast<TrptGradientStyle>(7);
  b = Render(g, 20, 20);
  EXPECT_EQ(b->Canvas()->Pixels(10, 10), static_cast<COLORREF>(clLime));
}

TEST(RptGradientView, StoresItsStyleAlwaysAndColoursWhenChanged) {
  rptInstallEngine();
  TrptReport report(nullptr);
  auto* page = new TrptReportPage(&report);
  page->SetName("Page1");
  auto* band = new TrptMasterData(&report);
  band->SetName("Band1");
  band->SetParent(page);
  auto* g = new TrptGradientView(&report);
  g->SetName("Grad1");
  g->SetParent(band);
  g->SetBounds(10, 0, 200, 30);
  EXPECT_EQ(g->BeginColor, 16777215);
  EXPECT_EQ(g->EndColor, 8421504);
  EXPECT_EQ(g->GetKindCaption(), "Gradient object");
  auto* g2 = new TrptGradientView(&report);
  g2->SetName("Grad2");
  g2->SetParent(band);
  g2->BeginColor = 255;
  g2->EndColor = 0;
  g2->Style = gsHorizCenter;
  std::string file = GetTempFileName(GetTempPath(), "rgrd");
  report.SaveToFile(file);
  std::string text;
  {
    TFileStream f(file, fmOpenRead);
    text.resize(static_cast<size_t>(f.Size()));
    f.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  }
  size_t at = text.find("Name=\"Grad1\"");
  ASSERT_NE(at, std::string::npos);
  std::string el = text.substr(at, text.find('>', at) - at);
  EXPECT_NE(el.find("Style=\"gsHorizontal\""), std::string::npos) << el;
  EXPECT_EQ(el.find("BeginColor"), std::string::npos) << el;
  EXPECT_EQ(el.find("EndColor"), std::string::npos) << el;
  TrptReport other(nullptr);
  ASSERT_TRUE(other.LoadFromFile(file));
  DeleteFile(file);
  auto* back = dynamic_cast<TrptGradientView*>(other.FindObject("Grad2"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->BeginColor, 255);
  EXPECT_EQ(back->EndColor, 0);
  EXPECT_EQ(back->Style, gsHorizCenter);
  auto* first = dynamic_cast<TrptGradientView*>(other.FindObject("Grad1"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->EndColor, 8421504);
  EXPECT_DOUBLE_EQ(first->Width(), 200);
}

TEST(RptGradientView, RegistersWithThePaletteAndTheScripts) {
  TrptReport report(nullptr);
  bool found = false;
  for (int i = 0; i < rptObjectRegistry().Count(); ++i) {
    const TrptObjectItem& it = rptObjectRegistry().GetItems(i);
    if (it.ClassRef != TrptGradientView::StaticClass()) continue;
    found = true;
    EXPECT_EQ(it.ButtonImageIndex, 50);
    EXPECT_EQ(it.CategoryName, "Other");
  }
  EXPECT_TRUE(found);
  EXPECT_NE(scGlobalScript()->Find("TrptGradientView"), nullptr);
  ASSERT_TRUE(report.CompileReportScript());
  EXPECT_EQ(report.Calc("gsElliptic").AsInteger(), 2);
}
