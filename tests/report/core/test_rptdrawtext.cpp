// Text layout pictures: wrapped, aligned and tagged text drawn at two scales, compared with golden
// images (fonts come from the program's own font setup), and the layout's independence of scale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdrawtext.h"
#include "report/core/rptview.h"

namespace {

std::string RptGoldenPath(const std::string& Name) {
  const char* src = std::getenv("ORVANTA_SOURCE_DIR");
  return std::string(src ? src : ".") + "/tests/report/core/golden/" + Name;
}

// Compares the bitmap with the golden image (written instead when ORVANTA_UPDATE_GOLDEN is set).
void RptExpectGolden(TBitmap* Bmp, const std::string& Name) {
  HBITMAP shot = Bmp->Handle();
  const std::string golden = RptGoldenPath(Name);
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
    SaveBitmapToPng(shot, golden);
  }
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20) << Name;
  DeleteObject(want);
}

const char* const kText =
    "The quick brown fox jumps over the lazy dog, then <b>runs</b> into the <font color=\"#C00000\">red</font> "
    "woods.\r\nA second paragraph, justified across the box.";

class RptTextPictures : public ::testing::Test {
protected:
  void SetUp() override {
    Report = std::make_unique<TrptReport>(nullptr);
    Page = new TrptReportPage(Report.get());
    Page->SetParent(Report.get());
    Band = new TrptMasterData(Report.get());
    Band->SetParent(Page);
  }
  TrptMemoView* Memo(Extended Left, Extended Top, TrptHAlign Align) {
    auto* m = new TrptMemoView(Report.get());
    m->SetParent(Band);
    m->SetBounds(Left, Top, 180, 90);
    m->SetText(kText);
    m->AllowHTMLTags = true;
    m->HAlign = Align;
    m->Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    m->Font()->SetName("Arial");
    m->Font()->SetSize(9);
    return m;
  }
  std::unique_ptr<TBitmap> Draw(Extended Scale) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(static_cast<int>(400 * Scale), static_cast<int>(400 * Scale));
    bmp->Canvas()->Brush()->SetColor(clWhite);
    bmp->Canvas()->FillRect(RECT{0, 0, bmp->Width(), bmp->Height()});
    for (TrptComponent* c : Band->Objects) static_cast<TrptView*>(c)->Draw(bmp->Canvas(), Scale, Scale, 0, 0);
    return bmp;
  }
  std::unique_ptr<TrptReport> Report;
  TrptReportPage* Page = nullptr;
  TrptMasterData* Band = nullptr;
};

}  // namespace

TEST_F(RptTextPictures, WrappedAlignedAndTaggedTextMatchesTheGoldenImages) {
  Memo(5, 5, haLeft);
  Memo(200, 5, haBlock);
  TrptMemoView* c = Memo(5, 100, haCenter);
  c->VAlign = vaCenter;
  TrptMemoView* r = Memo(200, 100, haRight);
  r->VAlign = vaBottom;
  // Turned text: a quarter turn, and a slant.
  TrptMemoView* q = Memo(5, 200, haLeft);
  q->SetBounds(5, 200, 90, 190);
  q->SetRotation(90);
  q->SetText("Turned a quarter, <b>bold</b> too");
  TrptMemoView* t = Memo(200, 200, haLeft);
  t->SetBounds(200, 200, 180, 190);
  t->SetRotation(30);
  t->SetText("Slanted by thirty degrees");
  RptExpectGolden(Draw(1).get(), "text_layout_1x.png");
  RptExpectGolden(Draw(2).get(), "text_layout_2x.png");
}

TEST_F(RptTextPictures, LinesAreTheSameAtEveryScale) {
  TrptMemoView* m = Memo(5, 5, haLeft);
  TrptDrawText* r = rptDrawText();
  std::vector<std::string> lines[3];
  const Extended scales[3] = {1, 2, 4.1667};
  for (int i = 0; i < 3; ++i) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(10, 10);
    m->Draw(bmp->Canvas(), scales[i], scales[i], 0, 0);
    lines[i] = r->Lines();
  }
  ASSERT_GE(lines[0].size(), 4u);
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_EQ(lines[0], lines[2]);
  EXPECT_EQ(m->CalcHeight(), std::nearbyint(lines[0].size() * (r->GetLineHeight()) + 2 + 0.5));
}
