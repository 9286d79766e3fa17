// The band engine end to end: a template with a page, bands and text objects, saved as .rp3 and
// loaded again, prepared over a SQLite table, the prepared pages saved as .pp3, drawn on a bitmap
// and printed to the PDF printer; groups with totals, double pass, dataset errors.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/printers.h"
#include "platform/win/wingdi.h"
#include "platform/win/winspool.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdbset.h"
#include "report/core/rptdataset.h"
#include "report/core/rptdrawtext.h"
#include "report/core/rptengine.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptres.h"
#include "report/core/rptvariables.h"
#include "report/core/rptview.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"

namespace fs = std::filesystem;

namespace {

// A SQLite table "t" with rows (id, name, grp, amount) and a report dataset "Data" over it.
class EngineFixture : public ::testing::Test {
protected:
  void SetUp() override {
    rptInstallEngine();
    File = GetTempFileName(GetTempPath(), "rpen");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "create table t (id integer, name varchar(40), grp varchar(10), amount integer)", nullptr,
                 nullptr, nullptr);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    for (int i = 1; i <= 100; ++i) {
      std::string sql = "insert into t values (" + std::to_string(i) + ", 'Row " + std::to_string(i) + "', '" +
                        (i <= 30 ? "A" : i <= 70 ? "B" : "C") + "', " + std::to_string(i) + ")";
      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Conn.SetLoginPrompt(false);
    Conn.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + File);
    Conn.Open();
    Query = std::make_unique<TADOQuery>();
    Query->SetConnection(&Conn);
    Query->SetSQLText("select * from t order by id");
    // The dataset lives outside the report, as datasets on a form do, so that reloading the
    // template keeps it.
    Data = std::make_unique<TrptDBDataset>(nullptr);
    Data->SetName("Data");
    Data->SetDataSet(Query.get());
    Report = NewReport();
  }
  void TearDown() override {
    Report.reset();
    Data.reset();
    Query.reset();
    Conn.Close();
    DeleteFile(File);
    for (auto& f : Extra) DeleteFile(f);
  }
  std::unique_ptr<TrptReport> NewReport() {
    auto r = std::make_unique<TrptReport>(nullptr);
    r->EngineOptions()->SilentMode = true;
    r->EngineOptions()->DestroyForms = false;
    r->DataSets()->Add(Data.get());
    return r;
  }
  template <class T> T* Band(TrptComponent* Page, const std::string& Name, Extended Top, Extended Height) {
    auto* b = new T(Report.get());
    b->SetName(Name);
    b->SetParent(Page);
    b->SetBounds(0, Top, 718, Height);
    return b;
  }
  TrptMemoView* Memo(TrptComponent* Band, const std::string& Name, const std::string& Text, Extended Left,
                     Extended Width, Extended Height) {
    auto* m = new TrptMemoView(Report.get());
    m->SetName(Name);
    m->SetParent(Band);
    m->SetBounds(Left, 0, Width, Height);
    m->SetText(Text);
    return m;
  }
  // The standard template: A4 without margins, a page header of 80 with the page counter, and a
  // master band of 20 over all rows.
  TrptReportPage* Template() {
    auto* page = new TrptReportPage(Report.get());
    page->SetName("Page1");
    page->SetParent(Report.get());
    auto* header = Band<TrptPageHeader>(page, "PageHeader1", 0, 80);
    auto* m = Memo(header, "PageNo", "Page [Page#] of [TotalPages#]", 10, 300, 30);
    m->Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    m->Frame()->Width = 2;
    auto* master = Band<TrptMasterData>(page, "MasterData1", 100, 20);
    master->SetDataSetName("Data");
    Memo(master, "RowName", "[Data.\"name\"]", 10, 200, 18);
    return page;
  }
  // The band marks of a prepared page: name and top, in order.
  static std::vector<std::pair<std::string, double>> Bands(TrptPreviewPages* P, int Page) {
    std::vector<std::pair<std::string, double>> out;
    TrptXMLItem* item = P->PageItem(Page);
    for (int i = 0; item && i < item->Count(); ++i)
      if (item->GetItems(i)->ElementName == "band")
        out.emplace_back(item->GetItems(i)->Prop("n"), StrToFloat(item->GetItems(i)->Prop("t")));
    return out;
  }
  static std::vector<std::string> MemoTexts(TrptPreviewPages* P, int Page) {
    std::vector<std::string> out;
    TrptPage* p = P->PageAt(Page);
    for (TrptComponent* c : p->Objects)
      if (auto* m = dynamic_cast<TrptCustomMemoView*>(c)) out.push_back(Trim(m->Text()));
    return out;
  }
  TrptPreviewPages* Pages() { return static_cast<TrptPreviewPages*>(Report->PreviewPages()); }

  std::string File;
  std::vector<std::string> Extra;
  TADOConnection Conn;
  std::unique_ptr<TADOQuery> Query;
  std::unique_ptr<TrptDBDataset> Data;
  std::unique_ptr<TrptReport> Report;
};

std::string ReadAll(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST_F(EngineFixture, RptEngineTemplateLoadsPreparesPaginatesAndRoundTrips) {
  Template();
  // The template travels through a .rp3 file into a fresh report.
  std::string rp3 = GetTempFileName(GetTempPath(), "rp3");
  Extra.push_back(rp3);
  Report->SaveToFile(rp3);
  Report = NewReport();
  ASSERT_TRUE(Report->LoadFromFile(rp3));
  auto* page = dynamic_cast<TrptReportPage*>(Report->FindObject("Page1"));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(dynamic_cast<TrptMasterData*>(Report->FindObject("MasterData1")), nullptr);
  EXPECT_EQ(dynamic_cast<TrptMasterData*>(Report->FindObject("MasterData1"))->DataSetName(), "Data");

  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  TrptPreviewPages* pp = Pages();
  ASSERT_EQ(pp->PageCount(), 2);
  // A4: 297 mm = 1122.52041 units; 80 for the header leaves room for 52 rows of 20.
  auto b1 = Bands(pp, 0), b2 = Bands(pp, 1);
  ASSERT_EQ(b1.size(), 53u);
  ASSERT_EQ(b2.size(), 49u);
  EXPECT_EQ(b1[0], (std::pair<std::string, double>("PageHeader1", 0)));
  for (int i = 0; i < 52; ++i) EXPECT_DOUBLE_EQ(b1[static_cast<size_t>(i) + 1].second, 80 + 20.0 * i);
  EXPECT_DOUBLE_EQ(b2[1].second, 80);
  EXPECT_DOUBLE_EQ(b2.back().second, 80 + 20.0 * 47);
  auto t1 = MemoTexts(pp, 0);
  EXPECT_EQ(t1[0], "Page 1 of [TotalPages#]");
  EXPECT_EQ(t1[1], "Row 1");
  EXPECT_EQ(t1.back(), "Row 52");
  EXPECT_EQ(MemoTexts(pp, 1).back(), "Row 100");

  // The prepared pages survive a .pp3 file unchanged.
  TStringStream first;
  pp->SaveToStream(&first);
  std::string pp3 = GetTempFileName(GetTempPath(), "pp3");
  Extra.push_back(pp3);
  pp->SaveToFile(pp3);
  TrptPreviewPages loaded(Report.get());
  ASSERT_TRUE(loaded.LoadFromFile(pp3));
  TStringStream second;
  loaded.SaveToStream(&second);
  EXPECT_EQ(first.DataString(), second.DataString());
  EXPECT_EQ(loaded.PageCount(), 2);

  // Drawing page 1: the page counter reads "Page 1 of 2" and its frame lies where it belongs.
  TBitmap bmp;
  bmp.SetSize(794, 1123);
  bmp.Canvas()->Brush()->SetColor(clWhite);
  bmp.Canvas()->FillRect(RECT{0, 0, 794, 1123});
  loaded.DrawPage(0, bmp.Canvas(), 1, 1, 0, 0);
  TrptPage* drawn = loaded.PageAt(0);
  auto* counter = dynamic_cast<TrptCustomMemoView*>(drawn->Objects.at(0));
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(Trim(counter->Text()), "Page 1 of 2");
  HDC dc = bmp.Canvas()->Handle();
  EXPECT_EQ(GetPixel(dc, 100, 0) & 0xFFFFFF, 0u);     // top frame line (2 px wide: rows -1 and 0)
  EXPECT_EQ(GetPixel(dc, 100, 30) & 0xFFFFFF, 0u);    // bottom frame line
  EXPECT_EQ(GetPixel(dc, 150, 50) & 0xFFFFFF, 0xFFFFFFu);  // below the header text object
  int dark = 0;
  for (int y = 3; y < 28; ++y)
    for (int x = 12; x < 200; ++x)
      if ((GetPixel(dc, x, y) & 0xFF) < 128) ++dark;
  EXPECT_GT(dark, 50);  // the counter's glyphs
  int rowInk = 0;
  for (int y = 80; y < 100; ++y)
    for (int x = 10; x < 210; ++x)
      if ((GetPixel(dc, x, y) & 0xFF) < 128) ++rowInk;
  EXPECT_GT(rowInk, 20);  // "Row 1"
}

TEST_F(EngineFixture, RptEngineDoublePassKnowsTheTotalWhileBuilding) {
  TrptReportPage* page = Template();
  auto* summary = Band<TrptReportSummary>(page, "Summary", 900, 20);
  Memo(summary, "Total", "of [TotalPages]", 0, 200, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  auto last = MemoTexts(Pages(), Pages()->PageCount() - 1);
  EXPECT_EQ(last.back(), "of 0");
  Report->EngineOptions()->DoublePass = true;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  EXPECT_EQ(Pages()->PageCount(), 2);
  last = MemoTexts(Pages(), 1);
  EXPECT_EQ(last.back(), "of 2");
}

TEST_F(EngineFixture, RptEngineGroupFootersShowTheirOwnSums) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* gh = Band<TrptGroupHeader>(page, "GroupHeader1", 20, 20);
  gh->Condition = "Data.\"grp\"";
  gh->OutlineText = "'Group ' + <Data.\"grp\">";
  Memo(gh, "GroupName", "Group [Data.\"grp\"]", 0, 200, 18);
  auto* master = Band<TrptMasterData>(page, "MasterData1", 60, 10);
  master->SetDataSetName("Data");
  auto* gf = Band<TrptGroupFooter>(page, "GroupFooter1", 100, 20);
  Memo(gf, "GroupSum", "Sum [SUM(<Data.\"amount\">)] Avg [AVG(<Data.\"amount\">)] Count [COUNT()]", 0, 500, 18);
  auto* summary = Band<TrptReportSummary>(page, "Summary", 200, 20);
  Memo(summary, "GrandSum", "All [SUM(<Data.\"amount\">, MasterData1)]", 0, 300, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  std::vector<std::string> texts;
  for (int p = 0; p < Pages()->PageCount(); ++p)
    for (auto& t : MemoTexts(Pages(), p)) texts.push_back(t);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[0], "Group A");
  EXPECT_EQ(texts[1], "Sum 465 Avg 15.5 Count 30");
  EXPECT_EQ(texts[2], "Group B");
  EXPECT_EQ(texts[3], "Sum 2020 Avg 50.5 Count 40");
  EXPECT_EQ(texts[5], "Sum 2565 Avg 85.5 Count 30");
  EXPECT_EQ(texts[6], "All 5050");
  // The outline has one entry per group, with its page and top.
  TrptCustomOutline* o = Pages()->Outline();
  o->LevelRoot();
  ASSERT_EQ(o->ItemCount(), 3);
  std::string text;
  int pg = -1, top = -1;
  o->ReadItem(1, text, pg, top);
  EXPECT_EQ(text, "Group B");
  EXPECT_EQ(pg, 0);
  EXPECT_EQ(top, 20 + 300 + 20);  // after group A: its header, 30 rows of 10 and its footer
}

TEST_F(EngineFixture, RptEngineAverageOverNoRowsIsZero) {
  Query->SetSQLText("select * from t where id < 0");
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* master = Band<TrptMasterData>(page, "MasterData1", 60, 10);
  master->SetDataSetName("Data");
  auto* summary = Band<TrptReportSummary>(page, "Summary", 200, 20);
  Memo(summary, "Avg", "[AVG(<Data.\"amount\">, MasterData1)]|[COUNT(MasterData1)]|[SUM(<Data.\"amount\">, MasterData1)]",
       0, 300, 18);
  Report->EngineOptions()->PrintIfEmpty = true;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 1);
  EXPECT_EQ(MemoTexts(Pages(), 0).back(), "0|0|");
}

TEST_F(EngineFixture, RptEngineDatasetErrorsStopTheRunWithTheirTexts) {
  TrptReportPage* page = Template();
  // The same dataset for the report and a band.
  Report->SetDataSetName("Data");
  EXPECT_FALSE(Report->PrepareReport());
  EXPECT_NE(Report->Errors()->Text().find("Cannot use the same dataset for Report.DataSet and Band.DataSet"),
            std::string::npos);
  Report->SetDataSet(nullptr);
  page->SetDataSetName("Data");
  EXPECT_FALSE(Report->PrepareReport());
  EXPECT_NE(Report->Errors()->Text().find("Cannot use the same dataset for Page.DataSet and Band.DataSet"),
            std::string::npos);
  page->SetDataSet(nullptr);
  // A dataset the report lists but that does not exist.
  TrptDataSetItem* item = static_cast<TrptDataSetItem*>(Report->DataSets()->Add(nullptr));
  item->SetDataSetName("Missing");
  EXPECT_FALSE(Report->PrepareReport());
  EXPECT_NE(Report->Errors()->Text().find(Format(rptGet("clDSNotExist"), {std::string("Missing")})),
            std::string::npos);
}

TEST_F(EngineFixture, RptEngineBandsWithEqualTopAllPrintInPageOrder) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* m1 = Band<TrptMasterData>(page, "First", 40, 10);
  m1->SetRowCount(2);
  auto* m2 = Band<TrptMasterData>(page, "Second", 40, 10);
  m2->SetRowCount(1);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  auto b = Bands(Pages(), 0);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].first, "First");
  EXPECT_EQ(b[1].first, "First");
  EXPECT_EQ(b[2].first, "Second");
}

TEST_F(EngineFixture, RptEngineObjectTallerThanAPageNeverLoops) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* m = Band<TrptMasterData>(page, "Tall", 40, 3000);
  m->SetRowCount(2);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 2);  // each row cut at the page bottom
  // A splittable band with a long text continues it over the following pages.
  Report->Clear();
  page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* s = Band<TrptMasterData>(page, "Split", 40, 20);
  s->SetRowCount(1);
  s->Stretched = true;
  s->AllowSplit = true;
  std::string text;
  for (int i = 1; i <= 120; ++i) text += "Line " + std::to_string(i) + "\r\n";
  auto* memo = Memo(s, "Long", text, 0, 300, 20);
  memo->StretchMode = smActualHeight;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  EXPECT_GE(Pages()->PageCount(), 2);
  std::string all;
  for (int p = 0; p < Pages()->PageCount(); ++p)
    for (auto& t : MemoTexts(Pages(), p)) all += t + "\n";
  // Every line arrives exactly once, in order.
  size_t at = 0;
  for (int i = 1; i <= 120; ++i) {
    size_t next = all.find("Line " + std::to_string(i) + "\n", at);
    ASSERT_NE(next, std::string::npos) << i;
    at = next + 1;
  }
  size_t count = 0;
  for (size_t p = all.find("Line "); p != std::string::npos; p = all.find("Line ", p + 1)) ++count;
  EXPECT_EQ(count, 120u);
}

TEST_F(EngineFixture, RptEnginePrintsThroughThePdfPrinter) {
  Template();
  char tmpl[] = "/tmp/orv-rptprint-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  fs::path dir = tmpl;
  fs::create_directories(dir / "home" / "Documents");
  fs::create_directories(dir / "config");
  std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", (dir / "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  ASSERT_TRUE(WriteProfileString("windows", "device", "PDF file,Orvanta PDF,FILE:"));
  TPrinter* old = SetPrinter(new TPrinter());
  Report->ReportOptions()->Name = "Rows report";
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  bool printed = Pages()->Print();
  delete SetPrinter(old);
  setenv("HOME", oldHome.c_str(), 1);
  ASSERT_TRUE(printed);
  std::string pdf = ReadAll((dir / "home" / "Documents" / "Rows report.pdf").string());
  fs::remove_all(dir);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  size_t pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_EQ(pages, 2u);
}

TEST(RptViewParts, LinkOpensOnlyWebAndMailAddresses) {
  EXPECT_FALSE(TrptPreviewPages::OpenURL("file:///etc/passwd"));
  EXPECT_FALSE(TrptPreviewPages::OpenURL("/usr/bin/xterm"));
  EXPECT_FALSE(TrptPreviewPages::OpenURL("javascript:alert(1)"));
  EXPECT_FALSE(TrptPreviewPages::OpenURL("http://a\nb"));
}

TEST(RptViewParts, DisplayFormatsNeverTouchTheProcessSeparator) {
  TrptFormat f;
  f.Kind = fkNumeric;
  f.FormatStr = "%2.2f";
  f.DecimalSeparator = ",";
  const char before = FormatSettings.DecimalSeparator;
  EXPECT_EQ(f.FormatValue(Variant(3.14159)), "3,14");
  EXPECT_EQ(FormatSettings.DecimalSeparator, before);
  f.FormatStr = "#,##0.00";
  f.DecimalSeparator = "";
  EXPECT_EQ(f.FormatValue(Variant(1234.5)), "1,234.50");
  // A format that takes more arguments than there are falls back to the plain value.
  f.FormatStr = "%s%s%n";
  EXPECT_EQ(f.FormatValue(Variant(7)), "7");
  TrptFormat b;
  b.Kind = fkBoolean;
  b.FormatStr = "No,Yes";
  EXPECT_EQ(b.FormatValue(Variant(true)), "Yes");
  EXPECT_EQ(b.FormatValue(Variant(false)), "No");
  EXPECT_EQ(b.FormatValue(Variant(1)), "No");
  b.FormatStr = "Yes";
  EXPECT_EQ(b.FormatValue(Variant(true)), "Yes");
  EXPECT_EQ(b.FormatValue(Variant(false)), "");
}

TEST(RptViewParts, FrameShadowAndThickLinesAtScale) {
  TrptReport report(nullptr);
  auto* page = new TrptReportPage(&report);
  page->SetParent(&report);
  auto* shape = new TrptShapeView(&report);
  shape->SetParent(page);
  shape->SetBounds(10, 10, 100, 50);
  shape->Frame()->DropShadow = true;
  shape->BeginDraw(nullptr, 1, 1, 0, 0);
  EXPECT_EQ(shape->FX, 10);
  EXPECT_EQ(shape->FX1, 106);  // the shadow lies inside the object
  EXPECT_EQ(shape->FDX, 96);
  auto* memo = new TrptMemoView(&report);
  memo->SetParent(page);
  memo->SetBounds(0, 0, 100, 40);
  memo->Frame()->Typ = TrptFrameTypes{ftBottom};
  memo->Frame()->Width = 1;
  TBitmap bmp;
  bmp.SetSize(120, 60);
  bmp.Canvas()->Brush()->SetColor(clWhite);
  bmp.Canvas()->FillRect(RECT{0, 0, 120, 60});
  memo->Draw(bmp.Canvas(), 1, 1, 0, 0);
  HDC dc = bmp.Canvas()->Handle();
  EXPECT_EQ(GetPixel(dc, 100, 40) & 0xFFFFFF, 0u);  // a one-pixel bottom line reaches X1
  EXPECT_EQ(GetPixel(dc, 50, 39) & 0xFFFFFF, 0xFFFFFFu);
  memo->SetRotation(-90);
  EXPECT_EQ(memo->Rotation(), -90);
}

TEST(RptViewParts, TextLayoutWrapsAndOverflows) {
  TrptDrawText r;
  TFont font;
  font.SetName("Arial");
  font.SetSize(10);
  r.AssignFont(&font);
  r.SetOptions(true, false, false, false, true, 0);
  r.SetSpacing(0, 0, 2);
  RECT box{0, 0, 100, 40};
  r.SetDimensions(1, 1, box, box);
  // Long text without spaces breaks inside the word; no fixed buffer limits the line length.
  std::string longWord(5000, 'x');
  r.SetText(std::vector<std::string>{"alpha beta gamma delta epsilon zeta eta theta", longWord});
  ASSERT_GE(r.Lines().size(), 3u);
  EXPECT_EQ(r.Lines()[0].rfind("alpha", 0), 0u);
  for (const std::string& l : r.Lines()) EXPECT_LE(r.TextWidth(l), 100.5) << l.substr(0, 20);
  EXPECT_EQ(r.LineFlags()[0] & 1, 1);
  // The 600-dpi font of 10 points is 83 pixels high: 83 / 6.25 report units, plus the spacing.
  EXPECT_NEAR(r.GetLineHeight(), 83 / 6.25 + 2, 0.0001);
  std::string rest = r.GetOverflowText();
  EXPECT_FALSE(rest.empty());
  EXPECT_LE(r.Lines().size(), 3u);
  // Tags change the style of the characters between them.
  r.SetOptions(true, true, false, false, true, 0);
  EXPECT_EQ(r.RemoveTags("a<b>bold</b> <font color=\"#FF0000\">red</font>"), "abold red");
}

TEST_F(EngineFixture, RptScriptBindingsReachObjectsAndConstants) {
  Template();
  Report->ScriptText()->SetText(
      "var N: Integer;\n"
      "procedure RowBefore(Sender: Variant);\n"
      "begin\n"
      "  N := N + 1;\n"
      "  if N = 2 then RowName.Text := 'Second ' + IntToStr(YearOf(36526));\n"
      "end;\n"
      "begin N := 0; end.");
  static_cast<TrptView*>(Report->FindObject("RowName"))->OnBeforePrint = "RowBefore";
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  auto texts = MemoTexts(Pages(), 0);
  EXPECT_EQ(texts[1], "Row 1");
  EXPECT_EQ(texts[2], "Second 2000");
  EXPECT_EQ(texts[3], "Row 3");
  // Script constants carry the values the properties really take.
  EXPECT_EQ(Report->Calc("skDiagonal2").AsInteger(), skDiagonal2);
  EXPECT_EQ(Report->Calc("skDiamond").AsInteger(), skDiamond);
  EXPECT_EQ(Report->Calc("baClient").AsInteger(), baClient);
  EXPECT_EQ(Report->Calc("ftBottom").AsInteger(), 8);
  EXPECT_NEAR(Report->Calc("rp1cm").AsFloat(), 37.7953, 1e-9);
  EXPECT_EQ(Report->Calc("MonthOf(36526) + DayOf(36526)").AsInteger(), 2);
}

namespace {

// Records what the export protocol hands over.
class TRptEngineTestFilter : public TrptCustomExportFilter {
public:
  TRptEngineTestFilter() : TrptCustomExportFilter(TUnregistered{}) { ShowDialog = false; }
  void ExportObject(TrptComponent* Obj) override {
    std::string t = Obj->Name();
    if (auto* m = dynamic_cast<TrptCustomMemoView*>(Obj)) t = Trim(m->Text());
    Log.push_back(t);
  }
  void StartPage(TrptPage*, int Index) override { Log.push_back("start " + std::to_string(Index)); }
  void FinishPage(TrptPage* Page, int Index) override {
    Log.push_back("finish " + std::to_string(Index) + " at " + FloatToStr(Page->Left()));
  }
  std::vector<std::string> Log;
};

}  // namespace

TEST_F(EngineFixture, RptEngineExportFeedsPagesWithTheirBackground) {
  TrptReportPage* page = Template();
  page->LeftMargin = 10;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  TRptEngineTestFilter f;
  f.PageNumbers = "2";
  ASSERT_TRUE(Pages()->Export(&f)) << Report->Errors()->Text();
  ASSERT_GE(f.Log.size(), 4u);
  EXPECT_EQ(f.Log[0], "start 1");
  EXPECT_EQ(f.Log[1], "_pagebackground");
  EXPECT_EQ(f.Log[2], "Page 2 of 2");
  EXPECT_EQ(f.Log[3], "Row 53");
  EXPECT_EQ(f.Log.back(), "finish 1 at " + FloatToStr(10 * rptMM));
  EXPECT_EQ(Pages()->PageAt(1)->Left(), 0);
}

TEST_F(EngineFixture, RptEngineDialogPagesDecideWhetherTheRunGoesOn) {
  Template();
  auto* dialog = new TrptDialogPage(Report.get());
  dialog->SetName("DialogPage1");
  dialog->SetParent(Report.get());
  dialog->SetCaption("Choose");
  dialog->SetBounds(10, 20, 300, 200);
  EXPECT_EQ(dialog->Form()->Width(), 300);
  EXPECT_EQ(dialog->Form()->Caption(), "Choose");
  auto* hidden = new TrptUserDataSet(Report.get());  // something on the dialog
  hidden->SetName("Choice");
  hidden->SetParent(dialog);
  int shown = 0;
  int answer = mrCancel;
  static_cast<TrptEngine*>(Report->Engine())->RunDialogHandler = [&](TrptPage* Page) {
    ++shown;
    static_cast<TrptDialogPage*>(Page)->SetModalResult(answer);
  };
  EXPECT_FALSE(Report->PrepareReport());
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Pages()->PageCount(), 0);
  answer = mrOk;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(Pages()->PageCount(), 2);
  // Scripts read and set the dialog's result.
  dialog->SetModalResult(mrOk);
  EXPECT_EQ(Report->Calc("DialogPage1.ModalResult").AsInteger(), mrOk);
  // The dialog page travels through the report file with its settings.
  TStringStream s;
  Report->SaveToStream(&s);
  EXPECT_NE(s.DataString().find("TrptDialogPage"), std::string::npos);
  EXPECT_NE(s.DataString().find("Caption=\"Choose\""), std::string::npos);
}

TEST_F(EngineFixture, RptEngineColumnsOfBandsAndPages) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* band = Band<TrptMasterData>(page, "Cells", 0, 20);
  band->SetRowCount(7);
  band->Columns = 3;
  band->ColumnWidth = 200;
  band->ColumnGap = 10;
  TrptMemoView* m = Memo(band, "Cell", "[Line]", 0, 100, 18);
  (void)m;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  TrptPage* p = Pages()->PageAt(0);
  ASSERT_EQ(p->Objects.size(), 7u);
  const double want[7][2] = {{0, 0}, {210, 0}, {420, 0}, {0, 20}, {210, 20}, {420, 20}, {0, 40}};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_DOUBLE_EQ(p->Objects[i]->Left(), want[i][0]) << i;
    EXPECT_DOUBLE_EQ(p->Objects[i]->Top(), want[i][1]) << i;
  }

  // Page columns: a full column continues at the top of the next one.
  Report->Clear();
  page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  page->SetColumns(2);
  auto* rows = Band<TrptMasterData>(page, "Rows", 0, 20);
  rows->SetRowCount(60);
  Memo(rows, "RowNo", "[Line]", 0, 100, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 1);
  p = Pages()->PageAt(0);
  ASSERT_EQ(p->Objects.size(), 60u);
  EXPECT_DOUBLE_EQ(p->Objects[55]->Top(), 55 * 20);
  EXPECT_EQ(Trim(static_cast<TrptCustomMemoView*>(p->Objects[56])->Text()), "57");
  EXPECT_NEAR(p->Objects[56]->Left(), 105 * rptMM, 1e-6);
  EXPECT_DOUBLE_EQ(p->Objects[56]->Top(), 0);
}

TEST_F(EngineFixture, RptEngineKeptGroupsMoveWholeAndPageTotalsFollow) {
  // Groups of 30, 40 and 30 rows of 20 units: group B does not fit under group A and moves whole
  // to page 2; the page footer's total counts only the rows on its page.
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* gh = Band<TrptGroupHeader>(page, "GroupHeader1", 20, 20);
  gh->Condition = "Data.\"grp\"";
  gh->KeepTogether = true;
  gh->OutlineText = "<Data.\"grp\">";
  Memo(gh, "GroupName", "Group [Data.\"grp\"]", 0, 200, 18);
  auto* master = Band<TrptMasterData>(page, "MasterData1", 60, 20);
  master->SetDataSetName("Data");
  Memo(master, "Amount", "[Data.\"amount\"]", 0, 200, 18);
  auto* gf = Band<TrptGroupFooter>(page, "GroupFooter1", 100, 20);
  Memo(gf, "GroupCount", "n=[COUNT()]", 0, 200, 18);
  auto* pf = Band<TrptPageFooter>(page, "PageFooter1", 300, 20);
  Memo(pf, "PageSum", "page sum [SUM(<Data.\"amount\">, MasterData1)]", 0, 300, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 3);
  auto p1 = MemoTexts(Pages(), 0), p2 = MemoTexts(Pages(), 1);
  EXPECT_EQ(p1.front(), "Group A");
  EXPECT_EQ(p1[31], "n=30");
  EXPECT_EQ(p1.back(), "page sum 465");  // 1 + ... + 30
  EXPECT_EQ(p2.front(), "Group B");
  EXPECT_EQ(p2[1], "31");
  EXPECT_EQ(p2[41], "n=40");
  EXPECT_EQ(p2.back(), "page sum 2020");  // 31 + ... + 70
  EXPECT_EQ(Bands(Pages(), 1).front().first, "GroupHeader1");
  EXPECT_DOUBLE_EQ(Bands(Pages(), 1).front().second, 0);
  // The outline entry of the moved group points at its new place.
  TrptCustomOutline* o = Pages()->Outline();
  o->LevelRoot();
  ASSERT_EQ(o->ItemCount(), 3);
  std::string text;
  int pg = -1, top = -1;
  o->ReadItem(1, text, pg, top);
  EXPECT_EQ(text, "B");
  EXPECT_EQ(pg, 1);
  EXPECT_EQ(top, 0);
}

TEST_F(EngineFixture, RptEngineSubreportPrintsItsPageInPlace) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* title = Band<TrptReportTitle>(page, "Title", 0, 40);
  Memo(title, "Heading", "Heading", 0, 100, 18);
  auto* sub = new TrptSubreport(Report.get());
  sub->SetName("Sub1");
  sub->SetParent(title);
  sub->SetBounds(300, 20, 200, 20);
  auto* inner = new TrptReportPage(Report.get());
  inner->SetName("Page2");
  inner->SetParent(Report.get());
  sub->SetPage(inner);
  auto* rows = Band<TrptMasterData>(inner, "InnerRows", 0, 15);
  rows->SetRowCount(3);
  Memo(rows, "InnerNo", "inner [Line]", 0, 100, 14);
  auto* summary = Band<TrptReportSummary>(page, "Summary", 200, 20);
  Memo(summary, "End", "end", 0, 100, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 1);  // the subreport's page is no page of its own
  TrptPage* p = Pages()->PageAt(0);
  std::vector<std::string> texts = MemoTexts(Pages(), 0);
  ASSERT_EQ(texts, (std::vector<std::string>{"Heading", "inner 1", "inner 2", "inner 3", "end"}));
  EXPECT_DOUBLE_EQ(p->Objects[1]->Left(), 300);
  EXPECT_DOUBLE_EQ(p->Objects[1]->Top(), 20);
  EXPECT_DOUBLE_EQ(p->Objects[3]->Top(), 50);
  EXPECT_DOUBLE_EQ(p->Objects[4]->Top(), 65);  // the summary follows the subreport's last row
  delete sub;
  EXPECT_FALSE(inner->IsSubReport());
}

TEST_F(EngineFixture, RptEngineHeadersRepeatOnNewPagesWhenAsked) {
  TrptReportPage* page = Template();
  auto* header = Band<TrptHeader>(page, "ColumnTitles", 90, 20);
  header->ReprintOnNewPage = true;
  Memo(header, "Titles", "Name", 0, 100, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 2);
  auto b2 = Bands(Pages(), 1);
  ASSERT_GE(b2.size(), 3u);
  EXPECT_EQ(b2[1], (std::pair<std::string, double>("ColumnTitles", 80)));
  EXPECT_EQ(b2[2], (std::pair<std::string, double>("MasterData1", 100)));
}

TEST(RptViewParts, RussianWordsBreakBetweenSyllables) {
  // "МОЛОКО" (milk) in code page 1251: breaks after МО and МОЛО.
  const std::string w = "\xCC\xCE\xCB\xCE\xCA\xCE";
  EXPECT_EQ(rptBreakWord(w), (std::vector<int>{2, 4}));
  EXPECT_TRUE(rptBreakWord("\xCC\xCE\xCB").empty());  // fewer than four letters
  EXPECT_TRUE(rptBreakWord("ABCDEFG").empty());       // no Russian vowels
}

TEST(RptViewParts, TextLayoutOverflowKeepsTheFormatAndEmptyLines) {
  TrptDrawText r;
  TFont font;
  font.SetName("Arial");
  font.SetSize(10);
  r.AssignFont(&font);
  r.SetOptions(true, true, false, false, true, 0);
  r.SetSpacing(0, 0, 2);
  RECT box{0, 0, 400, 20};  // room for one line
  r.SetDimensions(1, 1, box, box);
  r.SetText(std::vector<std::string>{"", "<b><i>first</i> second</b>"});
  ASSERT_EQ(r.Lines().size(), 2u);
  EXPECT_EQ(r.Lines()[0], " ");  // an empty line holds a space
  EXPECT_EQ(r.Lines()[1], "first second");
  EXPECT_DOUBLE_EQ(r.GetSpaceLeft(), 21 - (83 / 6.25 + 2));
  std::string rest = r.GetOverflowText();
  // The part that moves on starts at its first character, with the markup that restores that
  // character's colour, italic and bold in front.
  EXPECT_EQ(rest, "<font color=\"#000000\"><i><b>first</i> second</b>\r\n");
  EXPECT_EQ(r.GetFittingText(), " \r\n<b><i>");
  RECT none{0, 0, 400, 5};
  r.SetDimensions(1, 1, none, none);
  EXPECT_EQ(r.GetSpaceLeft(), 0);
}

TEST_F(EngineFixture, RptEnginePagesGoToTheSwapFileAndComeBack) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* rows = Band<TrptMasterData>(page, "Rows", 0, 20);
  rows->SetRowCount(300);
  Memo(rows, "RowNo", "row [Line]", 0, 100, 18);
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  TStringStream plain;
  Pages()->SaveToStream(&plain);
  const int count = Pages()->PageCount();
  ASSERT_EQ(count, 6);  // 56 rows a page

  Report->EngineOptions()->UseFileCache = true;
  Report->EngineOptions()->MaxMemSize = 0;  // every check is over the limit
  Report->EngineOptions()->TempDir = GetTempPath();
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  std::vector<bool> inMemory;
  for (int i = 0; i < count; ++i) inMemory.push_back(Pages()->PageItem(i)->InMemory);
  EXPECT_EQ(inMemory, (std::vector<bool>{true, true, false, false, true, true}));
  EXPECT_EQ(Trim(static_cast<TrptCustomMemoView*>(Pages()->PageAt(2)->Objects.at(0))->Text()), "row 113");
  TStringStream swapped;
  Pages()->SaveToStream(&swapped);
  EXPECT_EQ(swapped.DataString(), plain.DataString());
}

TEST_F(EngineFixture, RptScriptDrivesTheEngineAndTheOutline) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* rows = Band<TrptMasterData>(page, "Rows", 0, 20);
  rows->SetRowCount(3);
  rows->OnAfterPrint = "RowsAfter";
  Memo(rows, "RowNo", "row [Line]", 0, 100, 18);
  Report->ScriptText()->SetText(
      "var N: Integer;\n"
      "procedure RowsAfter(Sender: Variant);\n"
      "begin\n"
      "  N := N + 1;\n"
      "  Outline.AddItem('row ' + IntToStr(N));\n"
      "  Outline.LevelRoot;\n"
      "  if N = 1 then begin Set('Free', Engine.FreeSpace); Engine.NewPage; end;\n"
      "end;\n"
      "begin N := 0; end.");
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 2);
  EXPECT_EQ(MemoTexts(Pages(), 1), (std::vector<std::string>{"row 2", "row 3"}));
  EXPECT_NEAR(Report->Variables()->GetVariables("Free").AsFloat(), 297 * rptMM - 20, 1e-6);
  TrptCustomOutline* o = Pages()->Outline();
  o->LevelRoot();
  ASSERT_EQ(o->ItemCount(), 3);
  std::string text;
  int pg = -1, top = -1;
  o->ReadItem(2, text, pg, top);
  EXPECT_EQ(text, "row 3");
  EXPECT_EQ(pg, 1);
}

// A cross-tab: rows from the table, six columns from a vertical band, a vertical header with
// the row titles and a vertical footer with each row's total; the host's footer totals each
// column. Six columns of 150 after a header of 100 do not fit 718 units: the row continues on a
// second page, whose rows line up with the first page's.
TEST_F(EngineFixture, RptEngineVerticalBandsPrintAGridAcrossPages) {
  Query->SetSQLText("select * from t where id <= 3 order by id");
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto vband = [&](TrptBand* b, const std::string& Name, Extended Left, Extended Width) {
    b->SetName(Name);
    b->SetParent(page);
    b->Vertical = true;
    b->SetBounds(Left, 0, Width, 400);
    return b;
  };
  vband(new TrptHeader(Report.get()), "VHead", 0, 100);
  auto* cols = static_cast<TrptMasterData*>(vband(new TrptMasterData(Report.get()), "Cols", 100, 150));
  cols->SetRowCount(6);
  vband(new TrptFooter(Report.get()), "VFoot", 250, 120);
  auto* head = Band<TrptHeader>(page, "Head", 60, 20);
  Memo(head, "ColTitle", "Col [Line]", 110, 100, 18);
  Memo(head, "TotalTitle", "Total", 260, 100, 18);
  auto* rows = Band<TrptMasterData>(page, "Rows", 100, 20);
  rows->SetDataSetName("Data");
  Memo(rows, "RowTitle", "[Data.\"name\"]", 0, 90, 18);
  Memo(rows, "Cell", "[<Data.\"amount\"> * <Line>]", 110, 100, 18);
  Memo(rows, "RowSum", "[SUM(<Data.\"amount\"> * <Line>)]", 260, 100, 18);
  auto* foot = Band<TrptFooter>(page, "Foot", 140, 20);
  Memo(foot, "All", "All", 0, 90, 18);
  Memo(foot, "ColSum", "[SUM(<Data.\"amount\"> * <Line>, Rows)]", 110, 100, 18);

  for (int run = 0; run < 2; ++run) {  // the second run finds the template as the first left it
    ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
    ASSERT_EQ(Pages()->PageCount(), 2) << run;
    EXPECT_EQ(MemoTexts(Pages(), 0), (std::vector<std::string>{
                                          "Col 1", "Col 2", "Col 3", "Col 4",                    //
                                          "Row 1", "1", "2", "3", "4", "Row 2", "2", "4", "6", "8",  //
                                          "Row 3", "3", "6", "9", "12", "All", "6", "12", "18", "24"}))
        << run;
    EXPECT_EQ(MemoTexts(Pages(), 1), (std::vector<std::string>{"Col 5", "Col 6", "Total",             //
                                                               "Row 1", "5", "6", "21",               //
                                                               "Row 2", "10", "12", "42",             //
                                                               "Row 3", "15", "18", "63", "All", "30", "36"}))
        << run;
    // The rows stand at the same heights on both pages; the copies go left to right.
    EXPECT_EQ(Bands(Pages(), 0), Bands(Pages(), 1));
    TrptPage* p1 = Pages()->PageAt(0);
    ASSERT_GE(p1->Objects.size(), 9u);
    EXPECT_DOUBLE_EQ(p1->Objects[4]->Left(), 0);    // Row 1 in the header column
    EXPECT_DOUBLE_EQ(p1->Objects[5]->Left(), 110);  // column 1
    EXPECT_DOUBLE_EQ(p1->Objects[6]->Left(), 260);  // column 2
    EXPECT_DOUBLE_EQ(p1->Objects[5]->Top(), 20);
    TrptPage* p2 = Pages()->PageAt(1);
    ASSERT_GE(p2->Objects.size(), 7u);
    EXPECT_DOUBLE_EQ(p2->Objects[4]->Left(), 110);  // column 5 after the repeated header
    EXPECT_DOUBLE_EQ(p2->Objects[6]->Left(), 410);  // the row total after column 6
    // The cells are back in their bands, in their order, at their places.
    ASSERT_EQ(rows->Objects.size(), 3u);
    EXPECT_EQ(rows->Objects[0]->Name(), "RowTitle");
    EXPECT_EQ(rows->Objects[1]->Name(), "Cell");
    EXPECT_DOUBLE_EQ(rows->Objects[1]->Left(), 110);
    EXPECT_EQ(rows->Objects[2]->CrossHost, nullptr);
    EXPECT_TRUE(page->FindBand(TrptMasterData::StaticClass()) != nullptr);
  }
}

// Appending: a report prepared without clearing adds its pages after the pages already there.
TEST_F(EngineFixture, RptEnginePreparingWithoutClearingAppends) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* rows = Band<TrptMasterData>(page, "Rows", 0, 20);
  rows->SetRowCount(2);
  Memo(rows, "No", "[Line]", 0, 100, 18);
  ASSERT_TRUE(Report->PrepareReport());
  ASSERT_EQ(Pages()->PageCount(), 1);
  ASSERT_TRUE(Report->PrepareReport(false));
  ASSERT_EQ(Pages()->PageCount(), 2);
  EXPECT_EQ(MemoTexts(Pages(), 1), (std::vector<std::string>{"1", "2"}));
  ASSERT_TRUE(Report->PrepareReport());
  EXPECT_EQ(Pages()->PageCount(), 1);
}

// A subreport printed on its parent: its rows become objects of the parent band, which grows to
// hold them; no band of the subreport's page reaches the prepared page, and the template keeps
// its objects.
TEST_F(EngineFixture, RptEngineSubreportOnParentGrowsItsBand) {
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  auto* title = Band<TrptReportTitle>(page, "Title", 0, 40);
  title->Stretched = true;
  Memo(title, "Heading", "Heading", 0, 100, 18);
  auto* sub = new TrptSubreport(Report.get());
  sub->SetName("Sub1");
  sub->SetParent(title);
  sub->SetBounds(300, 20, 200, 20);
  sub->PrintOnParent = true;
  auto* inner = new TrptReportPage(Report.get());
  inner->SetName("Page2");
  inner->SetParent(Report.get());
  sub->SetPage(inner);
  auto* rows = Band<TrptMasterData>(inner, "InnerRows", 0, 15);
  rows->SetRowCount(3);
  Memo(rows, "InnerNo", "inner [Line]", 5, 100, 14);
  auto* summary = Band<TrptReportSummary>(page, "Summary", 200, 20);
  Memo(summary, "End", "end", 0, 100, 18);
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
    ASSERT_EQ(Pages()->PageCount(), 1);
    EXPECT_EQ(MemoTexts(Pages(), 0), (std::vector<std::string>{"Heading", "inner 1", "inner 2", "inner 3", "end"}));
    TrptPage* p = Pages()->PageAt(0);
    EXPECT_DOUBLE_EQ(p->Objects[1]->Left(), 305);
    EXPECT_DOUBLE_EQ(p->Objects[1]->Top(), 20);
    EXPECT_DOUBLE_EQ(p->Objects[3]->Top(), 50);
    EXPECT_DOUBLE_EQ(p->Objects[4]->Top(), 64);  // the title grew to the last row's bottom
    auto marks = Bands(Pages(), 0);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].first, "Title");
    EXPECT_EQ(marks[1].first, "Summary");
    EXPECT_EQ(title->Objects.size(), 2u);
  }
}

// A prepared report stored the compact way: each object by the short name of its source object
// with only its differences; the pages take their source page's paper.
TEST_F(EngineFixture, RptPreparedPagesReadObjectsStoredAsDifferences) {
  TrptReportPage* page = Template();
  page->SetPaperWidth(148);
  page->SetPaperHeight(210);
  TrptXMLSerializer s;
  auto* master = static_cast<TrptBand*>(page->FindObject("MasterData1"));
  auto* memo = page->FindObject("RowName");
  ASSERT_NE(master, nullptr);
  ASSERT_NE(memo, nullptr);
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<preparedreport><previewpages>"
      "<page0><b1 t=\"0\"/><m1 t=\"0\" x=\"First &#38; one\"/><m1 t=\"20\" h=\"30\" x=\"Second\"/></page0>"
      "<TrptReportPage PaperWidth=\"100\" PaperHeight=\"100\"><TrptMemoView Left=\"1\" Top=\"2\" Width=\"3\" "
      "Height=\"4\" x=\"Whole\"/></TrptReportPage>"
      "</previewpages><sourcepages><TrptReportPage Name=\"Page1\"" + s.BuildAttrText(page) +
      "><TrptMasterData Name=\"MasterData1\"" + s.BuildAttrText(master) + "><TrptMemoView Name=\"RowName\"" +
      s.BuildAttrText(memo) +
      "/></TrptMasterData></TrptReportPage></sourcepages>"
      "<dictionary><b1 name=\"Page0.MasterData1\"/><m1 name=\"Page0.RowName\"/></dictionary></preparedreport>";
  const std::string file = GetTempFileName(GetTempPath(), "rppp");
  Extra.push_back(file);
  {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }
  ASSERT_TRUE(Pages()->LoadFromFile(file));
  ASSERT_EQ(Pages()->PageCount(), 2);
  EXPECT_EQ(MemoTexts(Pages(), 0), (std::vector<std::string>{"First & one", "Second"}));
  TrptPage* p = Pages()->PageAt(0);
  auto* p0 = dynamic_cast<TrptReportPage*>(p);
  ASSERT_NE(p0, nullptr);
  EXPECT_DOUBLE_EQ(p0->PaperWidth(), 148);
  std::vector<TrptComponent*> memos;
  for (TrptComponent* c : p->Objects)
    if (dynamic_cast<TrptCustomMemoView*>(c)) memos.push_back(c);
  ASSERT_EQ(memos.size(), 2u);
  EXPECT_DOUBLE_EQ(memos[0]->Left(), 10);  // from the source object
  EXPECT_DOUBLE_EQ(memos[0]->Height(), 18);
  EXPECT_DOUBLE_EQ(memos[1]->Top(), 20);   // from the difference
  EXPECT_DOUBLE_EQ(memos[1]->Height(), 30);
  // A whole page in the same file reads as it is.
  EXPECT_EQ(MemoTexts(Pages(), 1), std::vector<std::string>{"Whole"});
  EXPECT_DOUBLE_EQ(static_cast<TrptReportPage*>(Pages()->PageAt(1))->PaperWidth(), 100);
  EXPECT_EQ(Report->Errors()->Count(), 0);
}

TEST_F(EngineFixture, RptEngineGroupsOfColumnsEndBelowTheirLastRow) {
  // Groups A (30 rows), B (40) and C (30) in 4 columns: A and C end in a half-filled row.
  auto* page = new TrptReportPage(Report.get());
  page->SetName("Page1");
  page->SetParent(Report.get());
  page->SetColumns(1);
  auto* gh = Band<TrptGroupHeader>(page, "GroupHeader1", 0, 10);
  gh->Condition = "Data.\"grp\"";
  auto* master = Band<TrptMasterData>(page, "MasterData1", 20, 5);
  master->SetDataSetName("Data");
  master->Columns = 4;
  master->ColumnWidth = 100;
  Band<TrptGroupFooter>(page, "GroupFooter1", 40, 10);
  Report->EngineOptions()->PrintIfEmpty = true;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  ASSERT_EQ(Pages()->PageCount(), 1);
  auto b = Bands(Pages(), 0);
  // Group headers and footers start below every band printed before them.
  double bottom = 0;
  int footers = 0;
  for (auto& [name, top] : b) {
    if (name != "MasterData1") {
      EXPECT_GE(top + 1e-6, bottom) << name << " at " << top;
      if (name == "GroupFooter1") ++footers;
    }
    bottom = std::max(bottom, top + (name == "MasterData1" ? 5 : 10));
  }
  EXPECT_EQ(footers, 3);
  // Group A: header 10, 8 rows of 5 (the last one half full), then its footer.
  auto footer = std::find_if(b.begin(), b.end(), [](auto& p) { return p.first == "GroupFooter1"; });
  ASSERT_NE(footer, b.end());
  EXPECT_DOUBLE_EQ(footer->second, 10 + 8 * 5);
}
