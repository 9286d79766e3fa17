// The exports of one prepared report, each checked by an independent reader: PDF by qpdf and the
// poppler tools, HTML and SpreadsheetML by xmllint, and the structures the writers promise.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/rtl/automation.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/printers.h"
#include "platform/win/winspool.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptexporthtml.h"
#include "report/output/rptexportimage.h"
#include "report/output/rptexporttxt.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexportrtf.h"
#include "report/output/rptexportxls.h"
#include "report/output/rptexportxml.h"
#include "platform/win/spreadsheet.h"
#include "report/output/rptpdffile.h"
#include "report/output/rptzlib.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool HaveTool(const std::string& Tool) { return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0; }

// Runs a command; its standard output and error go to Out.
int RunTool(const std::string& Cmd, std::string* Out = nullptr) {
  char tmpl[] = "/tmp/rptexpoutXXXXXX";
  int fd = mkstemp(tmpl);
  close(fd);
  int rc = std::system((Cmd + " >" + tmpl + " 2>&1").c_str());
  if (Out) *Out = ReadAll(tmpl);
  std::remove(tmpl);
  return rc;
}

// A report of two pages: texts with characters that every format must escape, a Chinese text,
// a leading-zero number, a framed text, a line, a filled and a transparent rectangle, and an
// ellipse (a picture for every writer).
class RptExports : public ::testing::Test {
protected:
  void SetUp() override {
    rptInstallEngine();
    char tmpl[] = "/tmp/rptexpXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    Report = std::make_unique<TrptReport>(nullptr);
    Report->EngineOptions()->SilentMode = true;
    Report->ReportOptions()->Name = "Picking (sheet)";
    for (int p = 1; p <= 2; ++p) {
      auto* page = new TrptReportPage(Report.get());
      page->SetName("Page" + std::to_string(p));
      page->SetParent(Report.get());
      auto* band = new TrptPageHeader(Report.get());
      band->SetName("Header" + std::to_string(p));
      band->SetParent(page);
      band->SetBounds(0, 0, 718, 200);
      Memo(band, "Title" + std::to_string(p), "Page " + std::to_string(p) + " (a) \\ b", 10, 10, 300, 20, true);
      if (p == 1) {
        Memo(band, "Markup", "<b>A & B</b> \"q\"", 10, 40, 300, 20, false);
        Memo(band, "Chinese", "中文报表", 10, 70, 300, 20, false);
        Memo(band, "Zero", "007", 320, 40, 100, 20, false);
        auto* line = new TrptLineView(Report.get());
        line->SetName("Line1");
        line->SetParent(band);
        line->SetBounds(10, 100, 400, 0);
        auto* filled = new TrptShapeView(Report.get());
        filled->SetName("Filled");
        filled->SetParent(band);
        filled->SetBounds(10, 110, 50, 30);
        filled->Color = 0x00FF00;
        auto* clear = new TrptShapeView(Report.get());
        clear->SetName("Clear");
        clear->SetParent(band);
        clear->SetBounds(70, 110, 50, 30);
        clear->Color = clNone;
        auto* ellipse = new TrptShapeView(Report.get());
        ellipse->SetName("Ellipse");
        ellipse->SetParent(band);
        ellipse->SetBounds(130, 110, 40, 40);
        ellipse->Shape = skEllipse;
        ellipse->Color = 0x0000FF;
      }
    }
    ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
    ASSERT_EQ(Report->PreviewPages()->PageCount(), 2);
  }
  void TearDown() override {
    Report.reset();
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
  TrptMemoView* Memo(TrptComponent* Band, const std::string& Name, const std::string& Text, Extended L, Extended T,
                     Extended W, Extended H, bool Framed) {
    auto* m = new TrptMemoView(Report.get());
    m->SetName(Name);
    m->SetParent(Band);
    m->SetBounds(L, T, W, H);
    m->SetText(Text);
    m->Font()->SetName("Liberation Sans");
    if (Name == "Chinese") m->Font()->SetName("WenQuanYi Zen Hei");
    if (Framed) m->Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    return m;
  }
  bool Export(TrptCustomExportFilter& F, const std::string& Name) {
    F.ShowDialog = false;
    F.FileName = Dir + "/" + Name;
    return Report->PreviewPages()->Export(&F);
  }
  std::string Dir;
  std::unique_ptr<TrptReport> Report;
};

}  // namespace

TEST_F(RptExports, PdfPassesTheCheckerAndExtractsAsText) {
  if (!HaveTool("pdftotext")) GTEST_SKIP() << "poppler-utils missing";
  for (int variant = 0; variant < 4; ++variant) {
    TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
    pdf.Compressed = variant & 1;
    pdf.EmbeddedFonts = variant & 2;
    pdf.HTMLTags = false;  // the text with angle brackets stays text
    const std::string name = "r" + std::to_string(variant) + ".pdf";
    ASSERT_TRUE(Export(pdf, name)) << Report->Errors()->Text();
    const std::string file = Dir + "/" + name;
    std::string out;
    if (HaveTool("qpdf")) { EXPECT_EQ(RunTool("qpdf --check " + file, &out), 0) << out; }
    ASSERT_EQ(RunTool("pdftotext -layout " + file + " -", &out), 0) << out;
    EXPECT_NE(out.find("Page 1 (a) \\ b"), std::string::npos) << out;
    EXPECT_NE(out.find("Page 2 (a) \\ b"), std::string::npos) << out;
    EXPECT_NE(out.find("<b>A & B</b>"), std::string::npos) << out;
    EXPECT_NE(out.find("中文报表"), std::string::npos) << out;
    ASSERT_EQ(RunTool("pdffonts " + file, &out), 0) << out;
    EXPECT_NE(out.find("CID TrueType"), std::string::npos) << out;
    ASSERT_EQ(RunTool("pdftoppm -r 20 -f 1 -l 1 -png " + file + " " + Dir + "/pg", &out), 0) << out;
  }
}

TEST_F(RptExports, PdfStructureAndEscapes) {
  TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
  pdf.Compressed = false;
  ASSERT_TRUE(Export(pdf, "plain.pdf"));
  const std::string s = ReadAll(Dir + "/plain.pdf");
  EXPECT_EQ(s.rfind("%PDF-1.3\r\n", 0), 0u);
  // Parentheses and backslashes are escaped in page text and in the information strings.
  EXPECT_NE(s.find("(Page 1 \\(a\\) \\\\ b) Tj"), std::string::npos);
  EXPECT_NE(s.find("/Title (Picking \\(sheet\\))"), std::string::npos);
  // The transparent rectangle is outlined, not filled: exactly one rectangle fill with "B".
  size_t fills = 0;
  for (size_t p = s.find("\r\nB\r\n"); p != std::string::npos; p = s.find("\r\nB\r\n", p + 1)) ++fills;
  EXPECT_EQ(fills, 1u);
  // The cross-reference table lists every object at its offset.
  size_t xref = s.rfind("xref\r\n0 ");
  ASSERT_NE(xref, std::string::npos);
  int count = std::atoi(s.c_str() + xref + 8);
  size_t at = s.find("0000000000 65535 f\r\n", xref) + 20;
  for (int i = 1; i < count; ++i) {
    unsigned long off = std::strtoul(s.substr(at + (i - 1) * 20, 10).c_str(), nullptr, 10);
    EXPECT_EQ(s.compare(off, std::to_string(i).size() + 6, std::to_string(i) + " 0 obj"), 0) << "object " << i;
  }
}

TEST_F(RptExports, PdfFontThatCannotBeReadKeepsTheNumberingInStep) {
  TrptPDFFile f(false, "");
  f.EmbeddedFonts = true;
  f.FontData = [](TFont*, uint32_t) -> std::vector<uint8_t> { return {}; };
  TrptReportPage* page = static_cast<TrptReportPage*>(Report->PreviewPages()->PageAt(0));
  TrptPDFPage* p = f.AddPage(page);
  for (TrptComponent* c : page->GetAllObjects())
    if (auto* v = dynamic_cast<TrptView*>(c)) p->AddObject(v);
  ASSERT_GE(f.Fonts.size(), 2u);
  const std::string file = Dir + "/broken.pdf";
  {
    TFileStream out(file, fmCreate);
    f.SaveToStream(&out);
  }
  // 2 fonts x 3 objects + catalog, info, page tree, page and content (+ the character map).
  EXPECT_EQ(f.XRef.size(), 3 + f.Fonts.size() * 3 + 2 + 1);
  if (HaveTool("qpdf")) {
    std::string out;
    EXPECT_EQ(RunTool("qpdf --check " + file, &out), 0) << out;
  }
}

TEST(RptPdfParts, NumberingColoursStringsAndDeflate) {
  TrptPDFToolkit tk;
  EXPECT_EQ(TrptPDFToolkit::ColorString(0x0080FF), "1 0.5 0");
  EXPECT_EQ(TrptPDFToolkit::ColorString(clNone), "1 1 1");
  EXPECT_EQ(TrptPDFToolkit::PrepareText("a\\(b)\x01\r\n"), "a\\\\\\(b\\)");
  EXPECT_EQ(tk.PrepareString("Plain"), "Plain");
  const std::string cn = tk.PrepareString("\xE4\xB8\xAD");  // one Chinese character: U+4E2D
  EXPECT_NE(cn.find("\\116\\055"), std::string::npos) << cn;
  // An empty source still gives a whole deflate stream; reading and seeking elsewhere fail.
  TMemoryStream src, dst;
  rptCompressStream(&src, &dst, 3);
  EXPECT_GT(dst.Size(), 0);
  rptzlib::TZCompressionStream z(&dst, 2);
  z.Write("abc", 3);
  EXPECT_EQ(z.Seek(0, soCurrent), 3);
  char b;
  EXPECT_THROW(z.Read(&b, 1), rptzlib::EZCompressionError);
  EXPECT_THROW(z.Seek(1, soBeginning), rptzlib::EZCompressionError);
}

TEST_F(RptExports, HtmlIsValidEscapesDataAndKeepsPicturesBesideIt) {
  // The working folder is elsewhere: the pictures still go beside the document.
  const fs::path cwd = fs::current_path();
  fs::create_directories(Dir + "/elsewhere");
  fs::create_directories(Dir + "/out");
  fs::current_path(Dir + "/elsewhere");
  TrptHTMLExport html(TrptCustomExportFilter::TUnregistered{});
  bool ok = Export(html, "out/r.html");
  fs::current_path(cwd);
  ASSERT_TRUE(ok) << Report->Errors()->Text();
  const std::string s = ReadAll(Dir + "/out/r.html");
  EXPECT_NE(s.find("&lt;b&gt;A &amp; B&lt;/b&gt; &quot;q&quot;"), std::string::npos);
  EXPECT_NE(s.find("<a name=PageN2></a>"), std::string::npos);
  EXPECT_NE(s.find("class=\"page_break\""), std::string::npos);
  EXPECT_TRUE(fs::exists(Dir + "/out/r.files/img0.jpg"));
  EXPECT_FALSE(fs::exists(Dir + "/elsewhere/r.files"));
  if (!HaveTool("xmllint")) GTEST_SKIP() << "xmllint missing";
  std::string out;
  EXPECT_EQ(RunTool("xmllint --html --noout " + Dir + "/out/r.html", &out), 0) << out;
  EXPECT_EQ(out.find("error"), std::string::npos) << out;
}

TEST_F(RptExports, SpreadsheetMLIsWellFormed) {
  TrptXMLExport xml(TrptCustomExportFilter::TUnregistered{});
  ASSERT_TRUE(Export(xml, "r.xml")) << Report->Errors()->Text();
  const std::string s = ReadAll(Dir + "/r.xml");
  EXPECT_NE(s.find("<Data ss:Type=\"String\">&#48;&#48;&#55;</Data>"), std::string::npos);
  EXPECT_NE(s.find("&lt;b&gt;A &amp; B&lt;/b&gt; &quot;q&quot;"), std::string::npos);
  EXPECT_NE(s.find("<RowBreak>"), std::string::npos);
  if (!HaveTool("xmllint")) GTEST_SKIP() << "xmllint missing";
  std::string out;
  EXPECT_EQ(RunTool("xmllint --noout " + Dir + "/r.xml", &out), 0) << out;
}

TEST(RptMatrix, BoundariesMergeAndCellsCut) {
  TrptReport report(nullptr);
  TrptIEMatrix m(false, "");
  m.Inaccuracy = 10;
  TrptMemoView a(nullptr), b(nullptr);
  a.SetBounds(0, 0, 100, 20);
  b.SetBounds(103, 0, 50, 20);
  m.AddObject(&a);
  m.AddObject(&b);
  m.Prepare();
  // The right edge of the first (100) and the left of the second (103) merge into one boundary.
  ASSERT_EQ(m.Width, 3);
  EXPECT_DOUBLE_EQ(m.GetXPosById(1), 103);
  EXPECT_EQ(m.GetCell(0, 0), 0);
  EXPECT_EQ(m.GetCell(1, 0), 1);
  EXPECT_EQ(m.GetCell(5, 5), -1);

  TrptIEMatrix c(false, "");
  c.MaxCellHeight = 537.835;
  TrptMemoView top(nullptr), below(nullptr);
  top.SetBounds(0, 0, 10, 10);
  below.SetBounds(0, 1210, 10, 10);
  c.AddObject(&top);
  c.AddObject(&below);
  c.Prepare();
  ASSERT_EQ(c.Height, 6);
  EXPECT_NEAR(c.GetYPosById(2), 10 + 537.835, 1e-9);
  EXPECT_NEAR(c.GetYPosById(3), 10 + 1075.67, 1e-9);

  // An object covered in part by a later one is cut; one piece keeps the text and each piece
  // keeps only the frame sides on the source's outline.
  TrptIEMatrix k(false, "");
  TrptMemoView big(nullptr), cover(nullptr);
  big.SetBounds(0, 0, 100, 100);
  big.SetText("big");
  big.Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  cover.SetBounds(50, 0, 50, 50);
  k.AddObject(&big);
  k.AddObject(&cover);
  k.Prepare();
  int withText = 0;
  for (int i = 0; i < k.ObjectsCount(); ++i)
    if (k.GetObjectById(i)->Memo->Count() == 1 && k.GetObjectById(i)->Memo->Strings(0) == "big") ++withText;
  EXPECT_EQ(withText, 1);
  TrptIEMObject* corner = k.GetObject(1, 1);  // the lower right piece
  ASSERT_NE(corner, nullptr);
  EXPECT_TRUE(corner->Style->FrameTyp == (TrptFrameTypes{ftRight, ftBottom}));
}

TEST_F(RptExports, TextExportPlacesFramesAndPageBreaks) {
  TrptTXTExport txt(TrptCustomExportFilter::TUnregistered{});
  txt.Borders = true;
  ASSERT_TRUE(Export(txt, "r.txt")) << Report->Errors()->Text();
  const std::string s = ReadAll(Dir + "/r.txt");
  EXPECT_NE(s.find("Page 1 (a) \\ b"), std::string::npos) << s;
  EXPECT_NE(s.find("007"), std::string::npos) << s;
  EXPECT_NE(s.find("+-----"), std::string::npos) << s;
  EXPECT_EQ(std::count(s.begin(), s.end(), '\x0C'), 2);
  // Printer-command settings: the type, then one line per command.
  txt.SelectedType = 1;
  txt.PrinterTypes[1].Commands[0].Trigger = true;
  txt.SavePrinterInit(Dir + "/p.fpi");
  txt.PrinterTypes[1].Commands[0].Trigger = false;
  txt.LoadPrinterInit(Dir + "/p.fpi");
  EXPECT_EQ(txt.InitString.substr(0, 2), "\x1B@");
}

TEST_F(RptExports, ImagesAsSeparateFilesAndTiff) {
  TrptBMPExport bmp(TrptCustomExportFilter::TUnregistered{});
  ASSERT_TRUE(Export(bmp, "r.bmp"));
  EXPECT_TRUE(fs::exists(Dir + "/r.1.bmp"));
  EXPECT_TRUE(fs::exists(Dir + "/r.2.bmp"));
  TrptTIFFExport tif(TrptCustomExportFilter::TUnregistered{});
  tif.SeparateFiles = false;
  ASSERT_TRUE(Export(tif, "all.tif"));
  ASSERT_TRUE(fs::exists(Dir + "/all.tif"));
  TrptJPEGExport jpg(TrptCustomExportFilter::TUnregistered{});
  ASSERT_TRUE(Export(jpg, "r.jpg"));
  EXPECT_TRUE(fs::exists(Dir + "/r.1.jpg"));
  if (!HaveTool("tiffinfo")) GTEST_SKIP() << "libtiff-tools missing";
  std::string out;
  EXPECT_EQ(RunTool("tiffinfo " + Dir + "/all.tif", &out), 0) << out;
  EXPECT_NE(out.find("Image Width: 794 Image Length: 224"), std::string::npos) << out;  // two A4 pages
  EXPECT_NE(out.find("Samples/Pixel: 3"), std::string::npos) << out;
}

TEST(RptTiff, SixteenBitBlackStaysBlackAndMonochromeRows) {
  TBitmap b;
  b.SetPixelFormat(pf15bit);
  b.SetSize(3, 2);
  b.Canvas()->Brush()->SetColor(clBlack);
  b.Canvas()->FillRect(RECT{0, 0, 3, 2});
  TMemoryStream m;
  rptSaveTIFF(&b, 300, &m);
  const auto* d = static_cast<const unsigned char*>(m.Memory());
  for (int i = 40; i < 40 + 18; ++i) EXPECT_EQ(d[i], 0) << i;
  EXPECT_EQ(d[8] | d[9] << 8, 3000);  // the resolution rational 3000/10
  TBitmap mono;
  mono.SetMonochrome(true);
  mono.SetSize(10, 2);
  TMemoryStream t;
  rptSaveTIFF(&mono, 96, &t);
  const auto* e = static_cast<const unsigned char*>(t.Memory());
  EXPECT_EQ(e[34] | e[35] << 8, 14);                   // entries of the IFD
  EXPECT_EQ(t.Size(), 34 + 2 + 14 * 12 + 4 + 2 * 2);  // rows of (10 + 7) div 8 bytes
}

TEST_F(RptExports, RtfIsReadableAndKeepsPageBreakRows) {
  TrptRTFExport rtf(TrptCustomExportFilter::TUnregistered{});
  ASSERT_TRUE(Export(rtf, "r.rtf")) << Report->Errors()->Text();
  const std::string s = ReadAll(Dir + "/r.rtf");
  EXPECT_EQ(std::count(s.begin(), s.end(), '{'), std::count(s.begin(), s.end(), '}'));
  EXPECT_NE(s.find("\\pard\\sect"), std::string::npos);
  // The second page's row that starts at the break is written, not dropped.
  EXPECT_NE(s.find("Page 2 (a) \\\\ b"), std::string::npos);
  EXPECT_NE(s.find("{\\pict\\wmetafile8"), std::string::npos);
  if (!HaveTool("unrtf")) GTEST_SKIP() << "unrtf missing";
  std::string out;
  EXPECT_EQ(RunTool("unrtf --text " + Dir + "/r.rtf", &out), 0) << out;
  EXPECT_NE(out.find("Page 1 (a)"), std::string::npos) << out;
  EXPECT_NE(out.find("Page 2 (a)"), std::string::npos) << out;
}

TEST(RptRtfParts, SplicedRichTextRenumbersWholeControlWords) {
  TrptRTFExport rtf(TrptCustomExportFilter::TUnregistered{});
  rtf.FontTable = {"Arial", "Courier"};
  const std::string body = rtf.SpliceRichText(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Times;}{\\f1\\fnil Courier;}}"
      "{\\colortbl;\\red0\\green0\\blue255;\\red1\\green2\\blue3;}"
      "\\f0\\fs20\\cf1 a\\f1 b\\cf2 c\\par\r\n}");
  // Times joins as font 2, Courier keeps 1; "\fs20" is not taken for font 0.
  EXPECT_NE(body.find("\\f2\\fs20\\cf1 a\\f1 b\\cf2 c"), std::string::npos) << body;
  ASSERT_EQ(rtf.FontTable.size(), 3u);
  EXPECT_EQ(rtf.FontTable[2], "Times");
}

TEST_F(RptExports, SpreadsheetAutomationSavesStyledWorkbookWithBothWriters) {
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip missing";
  for (bool fast : {true, false}) {
    SCOPED_TRACE(fast ? "grouped writer" : "cell-by-cell writer");
    SetSpreadsheetFolder(Dir + "/sheets");
    for (const char* name : {"Page1", "Page2"}) {
      auto* page = dynamic_cast<TrptReportPage*>(Report->FindObject(name));
      ASSERT_NE(page, nullptr);
      page->SetOrientation(poLandscape);
      page->LeftMargin = 20;  // 52 points, 0.7222 inch
    }
    ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
    TrptXLSExport xls(TrptCustomExportFilter::TUnregistered{});
    xls.FastExport = fast;
    xls.ShowProgress = false;
    const std::string name = fast ? "fast.xlsx" : "slow.xlsx";
    ASSERT_TRUE(Export(xls, name)) << Report->Errors()->Text();
    SetSpreadsheetFolder("");
    EXPECT_EQ(Report->Errors()->Count(), 0) << Report->Errors()->Text();
    // Saved under the chosen name by the workbook itself; nothing left behind elsewhere.
    ASSERT_TRUE(fs::exists(Dir + "/" + name));
    EXPECT_FALSE(fs::exists(Dir + "/sheets/Book1.xlsx"));
    std::string sheet, strings, styles;
    ASSERT_EQ(RunTool("unzip -p " + Dir + "/" + name + " xl/worksheets/sheet1.xml", &sheet), 0) << sheet;
    RunTool("unzip -p " + Dir + "/" + name + " xl/sharedStrings.xml", &strings);
    RunTool("unzip -p " + Dir + "/" + name + " xl/styles.xml", &styles);
    EXPECT_NE(strings.find("Page 1 (a) \\ b"), std::string::npos) << strings;
    EXPECT_NE(strings.find("Page 2 (a) \\ b"), std::string::npos) << strings;
    EXPECT_NE(strings.find("&lt;b&gt;A &amp; B&lt;/b&gt;"), std::string::npos) << strings;
    EXPECT_NE(strings.find(">007<"), std::string::npos) << strings;  // leading zeros stay text
    // Styles: the memo font, wrapping, left/top alignment and thin borders of the framed titles.
    EXPECT_NE(styles.find("Liberation Sans"), std::string::npos) << styles;
    EXPECT_NE(styles.find("wrapText=\"1\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("vertical=\"top\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("<left style=\"thin\">"), std::string::npos) << styles;
    // Page setup from the first page (margins in millimetres x 2.6 points, landscape).
    EXPECT_NE(sheet.find("<pageMargins left=\"0.722"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("orientation=\"landscape\""), std::string::npos) << sheet;
    // A manual break after each page, and custom row heights.
    EXPECT_NE(sheet.find("<rowBreaks count=\"2\""), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("customHeight=\"1\""), std::string::npos) << sheet;
    // The shapes are pictures placed on the sheet.
    std::string list;
    RunTool("unzip -l " + Dir + "/" + name, &list);
    EXPECT_NE(list.find("xl/media/image1"), std::string::npos) << list;
    EXPECT_NE(list.find("xl/drawings/drawing1.xml"), std::string::npos) << list;
  }
}

TEST_F(RptExports, SpreadsheetAutomationReportsAWorkbookThatCannotBeSaved) {
  SetSpreadsheetFolder(Dir + "/sheets");
  TrptXLSExport xls(TrptCustomExportFilter::TUnregistered{});
  xls.ShowProgress = false;
  ASSERT_TRUE(Export(xls, "missing-folder/r.xlsx"));
  SetSpreadsheetFolder("");
  EXPECT_FALSE(fs::exists(Dir + "/missing-folder/r.xlsx"));
  EXPECT_GT(Report->Errors()->Count(), 0);
  // The workbook is not lost: it went to the spreadsheet folder.
  EXPECT_TRUE(fs::exists(Dir + "/sheets/Book1.xlsx"));
}

TEST(RptXlsParts, ColumnNamesAndNumberTexts) {
  EXPECT_EQ(TrptExcel::ColumnName(1), "A");
  EXPECT_EQ(TrptExcel::ColumnName(27), "AA");
  EXPECT_EQ(TrptExcel::ColumnName(52), "AZ");
  EXPECT_EQ(TrptExcel::ColumnName(53), "BA");
  const struct {
    const char* Text;
    bool Number;
  } cases[] = {{"12.5", true}, {"-5", true}, {"007", false}, {"0.5", true}, {"1234567890123456", false},
               {"12a", false}, {"", false}, {"1e5", false}};
  for (const auto& c : cases) {
    double v = 0;
    EXPECT_EQ(TrptXLSExport::IsNumberText(c.Text, v), c.Number) << c.Text;
  }
}

namespace {
// The style number ("s" attribute) of a cell in a sheet's XML, "" when the cell is not there.
std::string XlsCellStyle(const std::string& Sheet, const std::string& Cell) {
  const size_t at = Sheet.find("<c r=\"" + Cell + "\"");
  if (at == std::string::npos) return "";
  const size_t s = Sheet.find(" s=\"", at);
  const size_t end = Sheet.find('>', at);
  if (s == std::string::npos || s > end) return "0";
  return Sheet.substr(s + 4, Sheet.find('"', s + 4) - s - 4);
}
}  // namespace

TEST(RptXlsParts, GroupedRowHeightsStylesFramesAndMerges) {
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip missing";
  char tmpl[] = "/tmp/rptxlsXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/grouped.xlsx";
  SetSpreadsheetFolder(dir + "/sheets");
  {
    TrptExcel x;
    x.Open();
    ASSERT_TRUE(x.IsOpened);
    Variant styles = DispInvoke(DispInvoke(x.Excel, "ActiveWorkbook", DISPATCH_METHOD), "Styles", DISPATCH_METHOD);
    Variant bold = DispInvoke(styles, "Add", DISPATCH_METHOD, {Variant("S0")});
    DispInvoke(DispInvoke(bold, "Font", DISPATCH_METHOD), "Bold", DISPATCH_PROPERTYPUT, {Variant(true)});
    DispInvoke(bold, "HorizontalAlignment", DISPATCH_PROPERTYPUT, {Variant(-4108)});
    // Rows of 12, 12 and 20 points: all rows get 12, then row 3 gets 20.
    x.SetRowHeights({{"A1:A2", 0}, {"A3:A3", 1}}, {12, 20}, 0, 3, nullptr);
    x.ApplyRanges({{"A1", 0}, {"B2", 0}}, 0, nullptr);
    x.ApplyRanges({{"A4:B4", 0}}, 2, nullptr);
    x.ApplyRanges({{"C3", rptFrameBits(TrptFrameTypes{ftLeft, ftBottom})}}, 1, nullptr);
    DispInvoke(x.Workbook, "SaveAs", DISPATCH_METHOD, {Variant(file)});
    x.Workbook.Clear();
    x.Worksheet.Clear();
    x.Range.Clear();
    x.Excel.Clear();
  }
  SetSpreadsheetFolder("");
  std::string sheet, stylesXml;
  ASSERT_EQ(RunTool("unzip -p " + file + " xl/worksheets/sheet1.xml", &sheet), 0) << sheet;
  RunTool("unzip -p " + file + " xl/styles.xml", &stylesXml);
  const struct {
    const char* Row;
    const char* Height;
  } rows[] = {{"1", "12"}, {"2", "12"}, {"3", "20"}};
  for (const auto& r : rows)
    EXPECT_NE(sheet.find(std::string("<row r=\"") + r.Row + "\" spans=\"1:3\" ht=\"" + r.Height + "\""),
              std::string::npos) << r.Row << sheet;
  EXPECT_NE(sheet.find("<mergeCell ref=\"A4:B4\"/>"), std::string::npos) << sheet;
  // A1 and B2 share the bold, centred style; C3 has another one (its two borders).
  EXPECT_NE(XlsCellStyle(sheet, "A1"), "0");
  EXPECT_EQ(XlsCellStyle(sheet, "A1"), XlsCellStyle(sheet, "B2"));
  EXPECT_NE(XlsCellStyle(sheet, "C3"), XlsCellStyle(sheet, "A1"));
  EXPECT_NE(stylesXml.find("<b/>"), std::string::npos) << stylesXml;
  EXPECT_NE(stylesXml.find("horizontal=\"center\""), std::string::npos) << stylesXml;
  EXPECT_NE(stylesXml.find("<left style=\"thin\">"), std::string::npos) << stylesXml;
  EXPECT_NE(stylesXml.find("<bottom style=\"thin\">"), std::string::npos) << stylesXml;
  EXPECT_FALSE(fs::exists(dir + "/sheets/Book1.xlsx"));  // saved, so not written again on release
  std::error_code ec;
  fs::remove_all(dir, ec);
}

TEST_F(RptExports, TextPrintAfterExportKeepsTheFileAndSendsItRaw) {
  // A private home with the file printer as the default printer: its raw jobs become .prn files.
  fs::create_directories(Dir + "/home/Documents");
  fs::create_directories(Dir + "/config");
  const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  const std::string oldConfig = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("HOME", (Dir + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (Dir + "/config").c_str(), 1);
  ASSERT_TRUE(WriteProfileString("windows", "device", "PDF file,Orvanta PDF,FILE:"));
  TPrinter* old = SetPrinter(new TPrinter());
  TrptTXTExport txt(TrptCustomExportFilter::TUnregistered{});
  txt.PrintAfter = true;
  txt.PrinterDialog = false;
  txt.SelectedType = 1;
  txt.PrinterTypes[1].Commands[0].Trigger = true;  // Reset: ESC @
  const bool ok = Export(txt, "r.prn");
  delete SetPrinter(old);
  setenv("HOME", oldHome.c_str(), 1);
  if (oldConfig.empty()) unsetenv("XDG_CONFIG_HOME");
  else setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
  ASSERT_TRUE(ok) << Report->Errors()->Text();
  // The exported file stays, with the printer commands in front.
  ASSERT_TRUE(fs::exists(Dir + "/r.prn"));
  const std::string s = ReadAll(Dir + "/r.prn");
  EXPECT_EQ(s.rfind("\x1B@", 0), 0u);
  EXPECT_NE(s.find("Page 1 (a)"), std::string::npos);
  EXPECT_TRUE(Report->Errors()->Text().empty()) << Report->Errors()->Text();
  // The raw job reached the printer: a file of the same bytes in the documents folder.
  bool sent = false;
  for (const auto& e : fs::directory_iterator(Dir + "/home/Documents")) sent = sent || ReadAll(e.path().string()) == s;
  EXPECT_TRUE(sent);
}

TEST_F(RptExports, PdfAddsThePageMarginOnce) {
  for (TrptComponent* c : Report->Objects)
    if (auto* p = dynamic_cast<TrptReportPage*>(c)) p->LeftMargin = 20;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
  pdf.Compressed = false;
  ASSERT_TRUE(Export(pdf, "m.pdf"));
  const std::string s = ReadAll(Dir + "/m.pdf");
  const size_t tj = s.find("(Page 1 \\(a\\) \\\\ b) Tj");
  ASSERT_NE(tj, std::string::npos);
  const size_t td = s.rfind("BT\r\n", tj);
  ASSERT_NE(td, std::string::npos);
  const double x = std::atof(s.c_str() + td + 4);
  // 20 mm of margin, 10 units of left and 2 of gap, in points.
  EXPECT_NEAR(x, (20 * 3.77953 + 10 + 2) * 0.75, 0.5);
}

TEST_F(RptExports, PdfOutlineNumbersItsEntriesDepthFirst) {
  TrptCustomOutline* o = Report->PreviewPages()->Outline();
  ASSERT_NE(o, nullptr);
  o->LevelRoot();
  o->AddItem("One", 0);
  o->AddItem("Child", 10);
  o->LevelUp();
  o->LevelUp();
  o->AddItem("Two (2)", 20);
  o->LevelRoot();
  TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
  pdf.Compressed = false;
  pdf.Outline = true;
  ASSERT_TRUE(Export(pdf, "o.pdf"));
  const std::string s = ReadAll(Dir + "/o.pdf");
  EXPECT_NE(s.find("/PageMode /UseOutlines\r\n/Outlines 3 0 R"), std::string::npos);
  EXPECT_NE(s.find("3 0 obj\r\n<<\r\n/Count 2\r\n/First 4 0 R\r\n/Last 6 0 R\r\n>>"), std::string::npos);
  EXPECT_NE(s.find("4 0 obj\r\n<<\r\n/Title (One)\r\n/Parent 3 0 R\r\n/First 5 0 R\r\n/Last 5 0 R\r\n/Count 1\r\n"
                   "/Next 6 0 R\r\n"),
            std::string::npos);
  EXPECT_NE(s.find("/Title (Two \\(2\\))\r\n/Parent 3 0 R\r\n/Prev 4 0 R"), std::string::npos);
  EXPECT_NE(s.find("/Pages 7 0 R"), std::string::npos);
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  std::string out;
  EXPECT_EQ(RunTool("qpdf --check " + Dir + "/o.pdf", &out), 0) << out;
}

TEST(RptImageExport, SingleImageKeepsPagesPast30000Rows) {
  rptInstallEngine();
  char tmpl[] = "/tmp/rptimgXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  TrptReport report(nullptr);
  report.EngineOptions()->SilentMode = true;
  // Three narrow pages 4 m tall, each with a black block at its top.
  for (int p = 1; p <= 3; ++p) {
    auto* page = new TrptReportPage(&report);
    page->SetName("Tall" + std::to_string(p));
    page->SetParent(&report);
    page->SetPaperWidth(10);
    page->SetPaperHeight(4000);
    auto* band = new TrptPageHeader(&report);
    band->SetName("Band" + std::to_string(p));
    band->SetParent(page);
    band->SetBounds(0, 0, 30, 20);
    auto* m = new TrptMemoView(&report);
    m->SetName("Block" + std::to_string(p));
    m->SetParent(band);
    m->SetBounds(0, 0, 30, 20);
    m->Color = clBlack;
  }
  ASSERT_TRUE(report.PrepareReport()) << report.Errors()->Text();
  TrptTIFFExport tif(TrptCustomExportFilter::TUnregistered{});
  tif.ShowDialog = false;
  tif.SeparateFiles = false;
  tif.FileName = dir + "/tall.tif";
  ASSERT_TRUE(report.PreviewPages()->Export(&tif));
  const std::string s = ReadAll(dir + "/tall.tif");
  fs::remove_all(dir);
  ASSERT_GT(s.size(), 40u);
  // Width and height from the first two entries of the IFD.
  const auto* d = reinterpret_cast<const unsigned char*>(s.data());
  const uint32_t ifd = d[4] | d[5] << 8 | d[6] << 16 | static_cast<uint32_t>(d[7]) << 24;
  const unsigned w = d[ifd + 2 + 12 + 8] | d[ifd + 2 + 12 + 9] << 8;
  const unsigned h = d[ifd + 2 + 24 + 8] | d[ifd + 2 + 24 + 9] << 8;
  int pageRows = 0, pw = 0;
  report.PreviewPages()->PageSizeAt(0, pw, pageRows);
  ASSERT_EQ(h, static_cast<unsigned>(rptRound(3.0 * report.PreviewPages()->PageAt(0)->Height())));
  ASSERT_GT(h, 30000u);
  // The third page's block, below row 30,000, is there.
  const size_t row = static_cast<size_t>(2 * pageRows + 5);
  ASSERT_GT(row, 30000u);
  const size_t at = 40 + (row * w + 5) * 3;
  ASSERT_LT(at + 2, s.size());
  EXPECT_EQ(d[at], 0);
  EXPECT_EQ(d[at + 1], 0);
  EXPECT_EQ(d[at + 2], 0);
}

TEST_F(RptExports, ExportIntoAGivenStreamAsksNothing) {
  TMemoryStream out;
  TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
  pdf.Stream = &out;  // ShowDialog stays on: a stream needs no file, so no dialog is shown
  ASSERT_TRUE(Report->PreviewPages()->Export(&pdf)) << Report->Errors()->Text();
  const std::string head(static_cast<const char*>(out.Memory()), 8);
  EXPECT_EQ(head, "%PDF-1.3");
  out.Write("x", 1);  // still open
  TMemoryStream html;
  TrptHTMLExport h(TrptCustomExportFilter::TUnregistered{});
  h.Stream = &html;
  ASSERT_TRUE(Report->PreviewPages()->Export(&h));
  EXPECT_GT(html.Size(), 0);
}
