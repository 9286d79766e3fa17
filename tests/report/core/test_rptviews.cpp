// Text objects (expressions, delimiters, inline formats, zeros, repeated values, flowing text),
// lines and pictures (blob data with its header, formats sniffed from the data, scaling).
#include <gtest/gtest.h>

#include <memory>

#include "controls/pngpicture.h"
#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_jpeg.h"
#include "platform/win/wingdi.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptregistry.h"
#include "report/core/rptview.h"

namespace {

class ViewFixture : public ::testing::Test {
protected:
  void SetUp() override {
    rptInstallEngine();
    Report = std::make_unique<TrptReport>(nullptr);
    Report->EngineOptions()->SilentMode = true;
    Page = new TrptReportPage(Report.get());
    Page->SetParent(Report.get());
    Band = new TrptMasterData(Report.get());
    Band->SetParent(Page);
    ASSERT_TRUE(Report->CompileReportScript());
  }
  TrptMemoView* NewMemo(const std::string& Text) {
    auto* m = new TrptMemoView(Report.get());
    m->SetParent(Band);
    m->SetBounds(0, 0, 200, 20);
    m->SetText(Text);
    return m;
  }
  // One output of the memo as the engine does it: its text after GetData, then restored.
  static std::string Output(TrptCustomMemoView* M) {
    M->BeforePrint();
    M->GetData();
    std::string t = Trim(M->Text());
    M->AfterPrint();
    return t;
  }
  std::unique_ptr<TrptReport> Report;
  TrptReportPage* Page = nullptr;
  TrptMasterData* Band = nullptr;
};

// A bitmap of W x H pixels filled with one colour.
std::unique_ptr<TBitmap> Filled(int W, int H, TColor C) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(C);
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  return b;
}

}  // namespace

TEST_F(ViewFixture, RptMemoExpressionsAndFormats) {
  struct Case {
    std::string Text, Delimiters, Expected;
  };
  const Case cases[] = {
      {"Sum [1+2] here", "[,]", "Sum 3 here"},
      {"[1+2] <1+2>", "<,>", "[1+2] 3"},
      {"[IIF(1 = 1, '[yes]', 'no')]", "[,]", "[yes]"},
      {"[3.14159 #n%2.2f]", "[,]", "3.14"},
      {"[3.14159 #n%2,2f]", "[,]", "3,14"},
      {"[1 = 1 #bNo,Yes]", "[,]", "Yes"},
      {"[36526 #ddd.mm.yyyy]", "[,]", "01.01.2000"},
      {"no delimiters", "", "no delimiters"},
  };
  for (const Case& c : cases) {
    TrptMemoView* m = NewMemo(c.Text);
    if (c.Delimiters != "[,]") m->ExpressionDelimiters = c.Delimiters;
    EXPECT_EQ(Output(m), c.Expected) << c.Text;
    EXPECT_EQ(Trim(m->Text()), c.Text);  // the template comes back
  }
}

TEST_F(ViewFixture, RptMemoZerosRepeatsTotalPagesAndFlow) {
  TrptMemoView* z = NewMemo("[0]");
  z->HideZeros = true;
  EXPECT_EQ(Output(z), "");
  TrptMemoView* s = NewMemo("['0']");
  s->HideZeros = true;
  EXPECT_EQ(Output(s), "0");

  TrptMemoView* r = NewMemo("[1+1]");
  r->SuppressRepeated = true;
  EXPECT_EQ(Output(r), "2");
  EXPECT_EQ(Output(r), "");
  r->LastValue = Null();  // what the engine does when the band's loop starts again
  EXPECT_EQ(Output(r), "2");

  TrptMemoView* t = NewMemo("of [TotalPages#]");
  EXPECT_EQ(Output(t), "of [TotalPages#]");

  TrptMemoView* target = NewMemo("");
  TrptMemoView* src = NewMemo("");
  src->SetBounds(0, 0, 200, 20);
  src->SetText("first line\r\n[literal]\r\nthird");
  src->AllowExpressions = false;
  src->SetFlowTo(target);
  src->BeforePrint();
  src->GetData();
  EXPECT_EQ(Trim(src->Text()), "first line");
  EXPECT_EQ(Trim(target->Text()), "[literal]\nthird");
  EXPECT_FALSE(target->AllowExpressions);
  src->AfterPrint();
}

TEST_F(ViewFixture, RptLineNormalisesToOneSide) {
  auto* line = new TrptLineView(Report.get());
  line->SetParent(Band);
  line->SetBounds(0, 0, 100, 5);
  line->Frame()->Typ = TrptFrameTypes{ftLeft};
  auto bmp = Filled(120, 40, clWhite);
  line->Draw(bmp->Canvas(), 1, 1, 0, 10);
  EXPECT_EQ(line->Height(), 0);
  EXPECT_TRUE(line->Frame()->Typ.Contains(ftTop));
  EXPECT_FALSE(line->Frame()->Typ.Contains(ftLeft));
  EXPECT_EQ(GetPixel(bmp->Canvas()->Handle(), 50, 10) & 0xFFFFFF, 0u);
  line->SetBounds(0, 0, 7, 7);
  line->Draw(bmp->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(line->Width(), 0);  // a square line becomes vertical
}

TEST_F(ViewFixture, RptPictureScalingAndBlobs) {
  auto* pic = new TrptPictureView(Report.get());
  pic->SetParent(Band);
  pic->SetBounds(0, 0, 100, 100);
  pic->Frame()->Typ = TrptFrameTypes();
  auto red = Filled(200, 100, clRed);
  pic->Picture()->SetGraphic(red.get());
  auto bmp = Filled(120, 120, clBlue);
  pic->Draw(bmp->Canvas(), 1, 1, 0, 0);
  HDC dc = bmp->Canvas()->Handle();
  EXPECT_EQ(GetPixel(dc, 50, 25) & 0xFFFFFF, 0x0000FFu);  // red, in COLORREF order
  EXPECT_EQ(GetPixel(dc, 50, 75) & 0xFFFFFF, 0xFFFFFFu);  // the white fill below the picture
  pic->Center = true;
  pic->Draw(bmp->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(GetPixel(dc, 50, 50) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(GetPixel(dc, 50, 10) & 0xFFFFFF, 0xFFFFFFu);

  // A JPEG behind the 8-byte header of a picture field loads; with a wrong length it does not.
  TJPEGImage jpeg;
  jpeg.Assign(Filled(16, 8, clGreen).get());
  TMemoryStream data;
  jpeg.SaveToStream(&data);
  auto withHeader = [&](uint32_t Length) {
    auto s = std::make_unique<TMemoryStream>();
    uint8_t h[8] = {1, 0, 0, 1, static_cast<uint8_t>(Length), static_cast<uint8_t>(Length >> 8),
                    static_cast<uint8_t>(Length >> 16), static_cast<uint8_t>(Length >> 24)};
    s->WriteBuffer(h, 8);
    data.SetPosition(0);
    s->CopyFrom(&data, data.Size());
    s->SetPosition(0);
    return s;
  };
  auto good = withHeader(static_cast<uint32_t>(data.Size()));
  EXPECT_TRUE(pic->LoadFromBlob(good.get()));
  EXPECT_EQ(pic->Picture()->Width(), 16);
  auto bad = withHeader(static_cast<uint32_t>(data.Size()) + 5);
  EXPECT_FALSE(pic->LoadFromBlob(bad.get()));
  EXPECT_EQ(pic->Picture()->Graphic(), nullptr);

  // PNG data loads too (once the PNG picture class is registered).
  PngPictureStartup();
  TPNGObject png;
  png.Assign(Filled(12, 6, clRed).get());
  TMemoryStream pngData;
  png.SaveToStream(&pngData);
  pngData.SetPosition(0);
  EXPECT_TRUE(pic->LoadFromBlob(&pngData));
  EXPECT_EQ(pic->Picture()->Width(), 12);
  TMemoryStream junk;
  junk.WriteBuffer("not a picture at all", 20);
  junk.SetPosition(0);
  EXPECT_FALSE(pic->LoadFromBlob(&junk));

  // GIF data loads through the imaging library; a damaged copy is refused with the picture error.
  IEImagingStartup();
  TIEBitmap image;
  image.Allocate(10, 5, ie24RGB);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) image.SetPixelRGB(x, y, TIERGBPixel{0, 0, 255});  // blue, green, red
  TImageryIO io(nullptr);
  io.AttachBitmap(&image);
  TMemoryStream gifData;
  io.SaveToStreamGIF(&gifData);
  ASSERT_GT(gifData.Size(), 6);
  gifData.SetPosition(0);
  EXPECT_TRUE(pic->LoadFromBlob(&gifData));
  ASSERT_NE(pic->Picture()->Graphic(), nullptr);
  EXPECT_EQ(pic->Picture()->Width(), 10);
  EXPECT_EQ(pic->Picture()->Height(), 5);
  auto* gif = dynamic_cast<TBitmap*>(pic->Picture()->Graphic());
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->Canvas()->Pixels(3, 2) & 0xFFFFFF, 0x0000FFu);  // red, as COLORREF
  TMemoryStream cut;
  cut.CopyFrom(&gifData, 0);
  cut.SetSize(13);
  cut.SetPosition(0);
  EXPECT_THROW(pic->LoadFromBlob(&cut), EInvalidGraphic);
}

TEST_F(ViewFixture, RptBandsNamesKindsAndColumns) {
  EXPECT_EQ(Band->GetBandName(), "MasterData");
  EXPECT_EQ(Band->KindIndex(), 6);
  TrptDataBand4 d4(nullptr);
  EXPECT_EQ(d4.GetBandName(), "Data4");
  TrptNullBand nb(nullptr);
  EXPECT_EQ(nb.GetBandName(), "Null");
  EXPECT_EQ(TrptOverlay(nullptr).KindIndex(), 17);
  Band->Columns = 2;
  Band->ColumnWidth = 100;
  Band->ColumnGap = 10;
  Band->SetCurColumn(2);
  EXPECT_EQ(Band->Left(), 110);
  Band->SetCurColumn(3);
  EXPECT_EQ(Band->CurColumn(), 1);
  EXPECT_EQ(Band->Left(), 0);
  EXPECT_EQ(Page->Width(), 794);
  EXPECT_EQ(Page->Height(), 1123);
  Page->LeftMargin = Page->RightMargin = 10;
  Page->SetColumns(3);
  EXPECT_NEAR(Page->ColumnWidth, 63.3333, 0.001);
  EXPECT_EQ(Page->ColumnPositions()->Strings(0), "0");
  Page->SetPaperWidth(210);
  EXPECT_EQ(Page->PaperSize(), 256);
}

namespace {
class TRptRegistryTestEditor : public TrptComponentEditor {
public:
  using TrptComponentEditor::TrptComponentEditor;
  bool HasEditDialog() override { return true; }
};
}  // namespace

TEST(RptRegistries, PaletteWizardsEditorsAndPropertyEntries) {
  TrptObjectCollection palette;
  palette.AddObjectClass(TrptShapeView::StaticClass(), nullptr, "obShape", "", 0);
  palette.AddObjectClass(TrptShapeView::StaticClass(), nullptr, "obShape", "", 0);
  palette.AddObjectClass(TrptShapeView::StaticClass(), nullptr, "obShape", "", 2);
  palette.AddCategory("Other", nullptr, "");
  EXPECT_EQ(palette.Count(), 3);
  EXPECT_EQ(palette.GetItems(2).ClassRef, nullptr);

  TrptWizardCollection wizards;
  wizards.AddWizard(TrptMemoView::StaticClass(), nullptr);
  wizards.AddWizard(TrptMemoView::StaticClass(), nullptr);
  EXPECT_EQ(wizards.Count(), 1);
  wizards.RemoveWizard(TrptMemoView::StaticClass());
  EXPECT_EQ(wizards.Count(), 0);

  TrptComponentEditorCollection editors;
  editors.AddEditor(TrptView::StaticClass(), [](TrptComponent* C, TrptCustomDesigner* D, TPopupMenu* M) {
    return new TRptRegistryTestEditor(C, D, M);
  });
  TrptMemoView memo(nullptr);
  std::unique_ptr<TrptComponentEditor> e(editors.CreateEditorFor(&memo, nullptr, nullptr));
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->HasEditDialog());
  TrptMasterData band(nullptr);
  EXPECT_EQ(editors.CreateEditorFor(&band, nullptr, nullptr), nullptr);

  TrptPropertyEditorCollection props;
  PTypeInfo ext = GetPropInfo(&memo, "GapX")->PropType;
  props.AddEditor(ext, nullptr, "", TrptMemoView::StaticClass());                                  // 0
  props.AddEditor(nullptr, TrptComponent::StaticClass(), "GapX", TrptShapeView::StaticClass());    // 1
  props.AddEditor(ext, nullptr, "", TrptLineView::StaticClass());                                  // 2
  EXPECT_EQ(props.FindEditor(ext, &memo, "GapX"), 1);
  EXPECT_EQ(props.FindEditor(ext, &memo, "GapY"), 0);  // the earliest type-only entry
  props.SetEventEditor(TrptSysMemoView::StaticClass());
  PTypeInfo ev = GetPropInfo(&memo, "OnBeforePrint")->PropType;
  EXPECT_EQ(props.FindEditor(ev, &memo, "OnBeforePrint"), props.EventEditorIndex());
}

TEST_F(ViewFixture, RptMemoLayoutTextForExports) {
  TrptMemoView* m = NewMemo("alpha beta gamma delta epsilon zeta eta theta iota kappa");
  m->SetBounds(0, 0, 80, 200);
  std::string wrapped = m->LayoutText(true);
  EXPECT_NE(wrapped.find("\r\n"), std::string::npos);
  EXPECT_EQ(StringReplace(wrapped, "\r\n", " ", {rfReplaceAll}), "alpha beta gamma delta epsilon zeta eta theta iota kappa");
  m->AllowHTMLTags = true;
  m->SetText("<b>bold</b> and <i>it</i>");
  EXPECT_EQ(Trim(m->LayoutText(false)), "bold and it");
}

TEST_F(ViewFixture, RptMemoHighlightAndAutoWidth) {
  TrptMemoView* m = NewMemo("[2 * 21]");
  m->Highlight()->Condition = "Value > 40";
  m->Highlight()->Color = clYellow;
  m->BeforePrint();
  m->GetData();
  EXPECT_TRUE(m->Highlight()->Active);
  EXPECT_EQ(m->Value.AsInteger(), 42);
  auto bmp = Filled(220, 40, clWhite);
  m->Draw(bmp->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(GetPixel(bmp->Canvas()->Handle(), 190, 15) & 0xFFFFFF, ColorToRGB(clYellow));
  EXPECT_EQ(m->Color, clNone);  // the fill colour comes back after drawing
  m->AfterPrint();

  TrptMemoView* a = NewMemo("short");
  a->SetBounds(100, 0, 200, 20);
  a->AutoWidth = true;
  a->HAlign = haRight;
  auto bmp2 = Filled(400, 40, clWhite);
  a->Draw(bmp2->Canvas(), 1, 1, 0, 0);
  EXPECT_LT(a->Width(), 60);
  EXPECT_NEAR(a->Left() + a->Width(), 300, 0.001);  // the right edge stays
}
