// The barcode view: sizing to the barcode, zoom, rotation, alignment, the red error text, the
// transparent colour, data from fields and expressions, and the round trip through an .rp3 file.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptbarcodeview.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptregistry.h"
#include "script/sc_iinterpreter.h"

namespace {

class BarcodeViewFixture : public ::testing::Test {
protected:
  void SetUp() override {
    rptInstallEngine();
    Report = std::make_unique<TrptReport>(nullptr);
    auto* page = new TrptReportPage(Report.get());
    page->SetName("Page1");
    Band = new TrptMasterData(Report.get());
    Band->SetName("Band1");
    Band->SetParent(page);
    View = new TrptBarCodeView(Report.get());
    View->SetName("Bar1");
    View->SetParent(Band);
    View->SetBounds(20, 0, 100, 60);
    Canvas = std::make_unique<TBitmap>();
    Canvas->SetPixelFormat(pf24bit);
    Canvas->SetSize(600, 300);
    Clear(clLime);
  }
  void Clear(TColor C) {
    Canvas->Canvas()->Brush()->SetColor(C);
    Canvas->Canvas()->FillRect(RECT{0, 0, 600, 300});
  }
  void Draw() { View->Draw(Canvas->Canvas(), 1, 1, 0, 0); }
  static int Code39Width(const std::string& Text) {
    TrptBarcode b(nullptr);
    b.Typ = bcCode39;
    b.Text = Text;
    return b.Width();
  }
  std::unique_ptr<TrptReport> Report;
  TrptMasterData* Band = nullptr;
  TrptBarCodeView* View = nullptr;
  std::unique_ptr<TBitmap> Canvas;
};

}  // namespace

TEST_F(BarcodeViewFixture, RptBarCodeViewSizesItselfToTheBarcode) {
  EXPECT_EQ(View->BarType, bcCode39);
  EXPECT_EQ(View->Text, "12345678");
  EXPECT_TRUE(View->ShowText);
  EXPECT_EQ(View->GetKindCaption(), "Barcode object");
  Draw();
  EXPECT_TRUE(View->ErrorText().empty());
  EXPECT_DOUBLE_EQ(View->Width(), Code39Width("12345678"));
  View->Zoom = 2;
  Draw();
  EXPECT_DOUBLE_EQ(View->Width(), 2 * Code39Width("12345678"));
  // Zoom 0 draws as 1 and stays 1.
  View->Zoom = 0;
  Draw();
  EXPECT_EQ(View->Zoom, 1);
  EXPECT_DOUBLE_EQ(View->Width(), Code39Width("12345678"));
  // Rotated by 90 degrees the height follows the barcode's length.
  View->Rotation = 90;
  View->SetWidth(50);
  Draw();
  EXPECT_DOUBLE_EQ(View->Height(), Code39Width("12345678"));
  EXPECT_DOUBLE_EQ(View->Width(), 50);
}

TEST_F(BarcodeViewFixture, RptBarCodeViewKeepsItsRightEdgeOrCentre) {
  View->SetWidth(400);
  View->HAlign = haRight;
  Draw();
  const Extended w = Code39Width("12345678");
  EXPECT_DOUBLE_EQ(View->Left() + View->Width(), 420);
  EXPECT_DOUBLE_EQ(View->Width(), w);
  View->Text = "123456789012";  // a longer barcode grows to the left
  Draw();
  EXPECT_DOUBLE_EQ(View->Left() + View->Width(), 420);
  View->HAlign = haCenter;
  View->SetBounds(20, 0, 400, 60);
  Draw();
  EXPECT_DOUBLE_EQ(View->Left() + View->Width() / 2, 220);
}

TEST_F(BarcodeViewFixture, RptBarCodeViewShowsTheErrorInRed) {
  View->BarType = bcCodeEAN13;
  View->Text = "ABC";
  View->SetWidth(150);
  Draw();
  EXPECT_EQ(View->ErrorText(), "Barcode must be numeric");
  EXPECT_DOUBLE_EQ(View->Width(), 150);
  EXPECT_EQ(View->Barcode()->Text, "12345678");
  int red = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 20; x < 170; ++x)
      if (COLORREF c = Canvas->Canvas()->Pixels(x, y); (c & 0xFF) > 180 && ((c >> 8) & 0xFF) < 100 && (c >> 16) < 100) ++red;
  EXPECT_GT(red, 10);
  // No bars: nothing black in the rectangle.
  for (int x = 20; x < 170; ++x) EXPECT_NE(Canvas->Canvas()->Pixels(x, 30), RGB(0, 0, 0));
}

TEST_F(BarcodeViewFixture, RptBarCodeViewDrawsTransparentSpacesWhite) {
  View->Zoom = 3;
  View->ShowText = false;
  Draw();
  // The start character begins with a narrow bar (3 pixels) and a wide space (6 pixels).
  EXPECT_EQ(Canvas->Canvas()->Pixels(21, 5), RGB(0, 0, 0));
  EXPECT_EQ(Canvas->Canvas()->Pixels(26, 5), RGB(255, 255, 255));
  View->Color = 0x00FFFF;  // yellow spaces
  Draw();
  EXPECT_EQ(Canvas->Canvas()->Pixels(26, 5), RGB(255, 255, 0));
}

TEST_F(BarcodeViewFixture, RptBarCodeViewTakesItsTextFromTheExpression) {
  ASSERT_TRUE(Report->CompileReportScript());
  View->Expression = "'40' + '0638133393'";
  View->GetData();
  EXPECT_EQ(View->Text, "400638133393");
  View->Expression.clear();
  View->Text = "kept";
  View->GetData();
  EXPECT_EQ(View->Text, "kept");
}

TEST_F(BarcodeViewFixture, RptBarCodeViewTakesItsTextFromADataFieldFirst) {
  auto* data = new TrptUserDataSet(Report.get());
  data->SetName("Codes");
  data->Fields()->SetText("code");
  data->OnGetValue = [](const std::string& Name, Variant& V) {
    if (Name == "code") V = Variant(4006381333931LL);
  };
  Report->DataSets()->Add(data);
  ASSERT_TRUE(Report->CompileReportScript());
  View->SetDataSet(data);
  View->DataField = "code";
  View->Expression = "'never'";
  View->GetData();
  EXPECT_EQ(View->Text, "4006381333931");
  View->BarType = bcCodeEAN13;
  Draw();
  EXPECT_TRUE(View->ErrorText().empty());
  EXPECT_DOUBLE_EQ(View->Width(), 95);
}

TEST_F(BarcodeViewFixture, RptBarCodeViewRoundTripsThroughAnRp3File) {
  auto* second = new TrptBarCodeView(Report.get());
  second->SetName("Bar2");
  second->SetParent(Band);
  second->BarType = bcCodeEAN13;
  second->CalcCheckSum = true;
  second->Expression = "[Data.\"code\"]";
  second->HAlign = haRight;
  second->Rotation = 90;
  second->ShowText = false;
  second->Text = "400638133393";
  second->Zoom = 2.5;
  second->Color = 0xCCEEFF;
  std::string file = GetTempFileName(GetTempPath(), "rbar");
  Report->SaveToFile(file);
  std::string text;
  {
    TFileStream f(file, fmOpenRead);
    text.resize(static_cast<size_t>(f.Size()));
    f.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  }
  size_t at = text.find("Name=\"Bar1\"");
  ASSERT_NE(at, std::string::npos);
  std::string el = text.substr(at, text.find('>', at) - at);
  EXPECT_NE(el.find("BarType=\"bcCode39\""), std::string::npos) << el;
  EXPECT_EQ(el.find("ShowText"), std::string::npos) << el;
  TrptReport other(nullptr);
  ASSERT_TRUE(other.LoadFromFile(file));
  DeleteFile(file);
  auto* b = dynamic_cast<TrptBarCodeView*>(other.FindObject("Bar2"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->BarType, bcCodeEAN13);
  EXPECT_TRUE(b->CalcCheckSum);
  EXPECT_EQ(b->Expression, "[Data.\"code\"]");
  EXPECT_EQ(b->HAlign, haRight);
  EXPECT_EQ(b->Rotation, 90);
  EXPECT_FALSE(b->ShowText);
  EXPECT_EQ(b->Text, "400638133393");
  EXPECT_DOUBLE_EQ(b->Zoom, 2.5);
  EXPECT_EQ(b->Color, 0xCCEEFF);
  auto* first = dynamic_cast<TrptBarCodeView*>(other.FindObject("Bar1"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Color, 536870911);
  EXPECT_EQ(first->Text, "12345678");
}

TEST(RptBarCodeViewRegistration, PaletteAndScriptNames) {
  TrptReport report(nullptr);
  bool found = false;
  for (int i = 0; i < rptObjectRegistry().Count(); ++i) {
    const TrptObjectItem& it = rptObjectRegistry().GetItems(i);
    if (it.ClassRef != TrptBarCodeView::StaticClass()) continue;
    found = true;
    EXPECT_EQ(it.ButtonImageIndex, 23);
    EXPECT_EQ(it.CategoryName, "Other");
  }
  EXPECT_TRUE(found);
  EXPECT_NE(scGlobalScript()->Find("TrptBarCodeView"), nullptr);
  ASSERT_TRUE(report.CompileReportScript());
  EXPECT_EQ(report.Calc("bcCodeEAN13").AsInteger(), 14);
  EXPECT_EQ(report.Calc("bcCodeEAN128C").AsInteger(), 22);
}
