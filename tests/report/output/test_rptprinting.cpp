// Printers, the print and page-settings dialogs, and printing a prepared report to the PDF
// printer (checked with pdfinfo).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winspool.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptview.h"
#include "report/output/rptpagesetup.h"
#include "report/output/rptprintdlg.h"
#include "report/output/rptprinters.h"
#include "report/output/rptuitexts.h"

namespace fs = std::filesystem;

#include "tests/report/output/threepagereport.h"

namespace {

// A private settings and documents folder for each test: the profile (default printer) and the
// PDF printer's output live there.
class RptPrintingFixture : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-rptout-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    fs::create_directories(Dir / "home" / "Documents");
    fs::create_directories(Dir / "config");
    OldHome = getenv("HOME") ? getenv("HOME") : "";
    const char* xdg = getenv("XDG_CONFIG_HOME");
    HadXdg = xdg != nullptr;
    OldXdg = xdg ? xdg : "";
    setenv("HOME", (Dir / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
    rptFreeGlobalPrinters();
    rptInstallPreviewTexts();
  }
  void TearDown() override {
    rptFreeGlobalPrinters();
    setenv("HOME", OldHome.c_str(), 1);
    if (HadXdg)
      setenv("XDG_CONFIG_HOME", OldXdg.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(Dir);
  }
  fs::path Dir;
  std::string OldHome, OldXdg;
  bool HadXdg = false;
};

// What pdfinfo says about a file ("" when it cannot read it).
std::string PdfInfo(const fs::path& File) {
  std::string out;
  FILE* p = popen(("pdfinfo '" + File.string() + "' 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) out += buf;
  pclose(p);
  return out;
}

// The page count pdfinfo reads (-1 when it cannot read the file).
int PdfPages(const fs::path& File) {
  const std::string info = PdfInfo(File);
  const size_t at = info.find("Pages:");
  if (at == std::string::npos) return -1;
  return std::atoi(info.c_str() + at + 6);
}

}  // namespace

TEST(RptPrintersPaper, TableSizes) {
  Extended w = 1, h = 2;
  EXPECT_FALSE(rptPaperSizeMM(48, w, h));
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 2);
  ASSERT_TRUE(rptPaperSizeMM(9, w, h));
  EXPECT_DOUBLE_EQ(w, 210);
  EXPECT_DOUBLE_EQ(h, 297);
  ASSERT_TRUE(rptPaperSizeMM(4, w, h));
  EXPECT_GT(w, h);  // stored wider than high
  EXPECT_EQ(rptPaperTable().size(), 66u);
}

TEST(RptPrintersVirtual, A4At600DpiWithFiveMillimetreMargins) {
  TrptVirtualPrinter p("Virtual", "");
  p.Init();
  EXPECT_EQ(p.DPI.x, 600);
  EXPECT_EQ(p.DPI.y, 600);
  EXPECT_EQ(p.DefPaper, 9);
  EXPECT_DOUBLE_EQ(p.DefPaperWidth, 210);
  EXPECT_EQ(p.Papers->Count(), 67);  // the custom entry and the 66 table papers
  p.SetPaperForView(9, true, 0, 0);
  EXPECT_DOUBLE_EQ(p.PaperWidth, 297);
  EXPECT_DOUBLE_EQ(p.PaperHeight, 210);
  EXPECT_DOUBLE_EQ(p.LeftMargin, 5);
  p.SetPaperForView(256, false, 100, 50);
  EXPECT_EQ(p.Paper, 256);
  EXPECT_DOUBLE_EQ(p.PaperWidth, 100);
  EXPECT_EQ(p.PaperNumberOfName("no such paper"), 256);
  EXPECT_EQ(p.BinNumberOfName(rptGet("prDefault")), 7);
  EXPECT_EQ(p.IndexOfPaper(48), -1);
}

TEST_F(RptPrintingFixture, RptPrintersListThePdfPrinterAndItsPapers) {
  TrptPrinters* printers = rptGlobalPrinters();
  ASSERT_GE(printers->Count(), 1);
  EXPECT_TRUE(printers->HasPhysicalPrinters());
  const int pdf = printers->IndexOf("pdf FILE");
  ASSERT_GE(pdf, 0);
  printers->SetPrinterIndex(pdf);
  TrptCustomPrinter* p = printers->GetPrinter();
  EXPECT_TRUE(p->Initialized);
  EXPECT_GT(p->DPI.x, 0);
  EXPECT_GT(p->Papers->Count(), 1);
  EXPECT_GE(p->IndexOfPaper(9), 1);
  p->SetPaperForView(9, true, 0, 0);
  EXPECT_NEAR(p->PaperWidth, 297, 1);
  EXPECT_NEAR(p->PaperHeight, 210, 1);
}

TEST_F(RptPrintingFixture, RptPrintersUnknownOrLongDefaultNeverCrashes) {
  // A default printer that is not installed, and one whose name is far longer than any buffer.
  for (const std::string& name : {std::string("No such printer"), std::string(600, 'P')}) {
    ASSERT_TRUE(WriteProfileString("windows", "device", (name + ",driver,port").c_str()));
    rptFreeGlobalPrinters();
    TrptPrinters* printers = rptGlobalPrinters();
    ASSERT_GE(printers->PrinterIndex(), 0) << name.size();
    EXPECT_NE(printers->GetPrinter(), nullptr);
  }
  // A long default name that does exist is found whole.
  ASSERT_TRUE(WriteProfileString("windows", "device", "PDF file,driver,FILE:"));
  rptFreeGlobalPrinters();
  EXPECT_EQ(rptGlobalPrinters()->GetPrinter()->Name, "PDF file");
  EXPECT_THROW(rptGlobalPrinters()->GetItems(-1), Exception);
}

TEST_F(RptPrintingFixture, RptPrintsToThePdfPrinter) {
  auto report = ThreePageReport();
  ASSERT_TRUE(report->PrepareReport()) << report->Errors()->Text();
  report->ReportOptions()->Name = "Three pages";
  TrptPrinters* printers = rptGlobalPrinters();
  printers->SetPrinterIndex(printers->IndexOf("PDF file"));
  const fs::path out = Dir / "out.pdf";
  printers->GetPrinter()->FileName = out.string();
  ASSERT_TRUE(rptPrintPreparedPages(report->PreviewPages(), report.get(), TrptPrintSettings{}));
  std::string info = PdfInfo(out);
  EXPECT_EQ(PdfPages(out), 3) << info;

  // Two uncollated copies of pages 1 and 3.
  TrptPrintSettings s;
  s.Copies = 2;
  s.Collate = false;
  s.PageNumbers = "1,3";
  ASSERT_TRUE(rptPrintPreparedPages(report->PreviewPages(), report.get(), s));
  EXPECT_EQ(PdfPages(out), 4) << PdfInfo(out);
  // Even pages only: page 2.
  s = TrptPrintSettings{};
  s.PrintPages = 2;
  ASSERT_TRUE(rptPrintPreparedPages(report->PreviewPages(), report.get(), s));
  EXPECT_EQ(PdfPages(out), 1) << PdfInfo(out);
  // Nothing to print is no job.
  s.PageNumbers = "7";
  s.PrintPages = 0;
  EXPECT_FALSE(rptPrintPreparedPages(report->PreviewPages(), report.get(), s));
}

TEST_F(RptPrintingFixture, RptPrintDialogValidatesAndRestoresThePrinter) {
  TrptPrintDialog dlg(nullptr);
  dlg.LoadPrinters();
  std::string error;
  const struct {
    const char* Copies;
    bool PageList;
    const char* Pages;
    bool Valid;
  } cases[] = {{"1", false, "", true},  {"3", true, "1,3-5", true}, {"x", false, "", false},
               {"0", false, "", false}, {"2", true, "1;a", false},  {"2", false, "1;a", true}};
  for (const auto& c : cases) {
    dlg.CopiesE->SetText(c.Copies);
    dlg.PageNumbersRB->SetChecked(c.PageList);
    if (!c.PageList) dlg.AllRB->SetChecked(true);
    dlg.PageNumbersE->SetText(c.Pages);
    EXPECT_EQ(dlg.Validate(error), c.Valid) << c.Copies << " " << c.Pages;
  }
  // Another printer chosen, then Cancel: the earlier one is current again.
  const int before = rptGlobalPrinters()->PrinterIndex();
  if (rptGlobalPrinters()->Count() > 1) {
    dlg.PrintersCB->SetItemIndex(before == 0 ? 1 : 0);
    dlg.PrintersCBClick();
    EXPECT_NE(rptGlobalPrinters()->PrinterIndex(), before);
  }
  EXPECT_FALSE(dlg.FinishDialog(false, ""));
  EXPECT_EQ(rptGlobalPrinters()->PrinterIndex(), before);
  // Print to file takes the chosen name with ".prn"; no name cancels.
  dlg.FileCB->SetChecked(true);
  EXPECT_FALSE(dlg.FinishDialog(true, ""));
  EXPECT_TRUE(dlg.FinishDialog(true, "/tmp/x/out.txt"));
  EXPECT_EQ(rptGlobalPrinters()->GetPrinter()->FileName, "/tmp/x/out.prn");
}

TEST_F(RptPrintingFixture, RptPageSettingsConvertAndNeverHalfApply) {
  auto report = ThreePageReport();
  report->IniFile = (Dir / "settings.ini").string();
  auto* page = dynamic_cast<TrptReportPage*>(report->PageAt(0));
  ASSERT_NE(page, nullptr);
  page->LeftMargin = 10;
  {
    std::unique_ptr<TCustomIniFile> ini(report->OpenSettingsStore());
    ini->WriteInteger("Form.TrptDesignerForm", "Units", 1);
  }
  TrptPageSettingsForm dlg(nullptr);
  dlg.Page = page;
  dlg.Report = report.get();
  dlg.LoadPage();
  EXPECT_EQ(dlg.WidthE->Text(), "8.27");
  EXPECT_EQ(dlg.UnitL1->Caption(), rptGet("uInch"));
  // A value that does not parse: nothing of the page changes, not even the fields before it.
  dlg.WidthE->SetText("8");
  dlg.MarginLeftE->SetText("1");
  dlg.MarginBottomE->SetText("abc");
  std::string error;
  EXPECT_FALSE(dlg.Validate(error));
  EXPECT_NE(error.find("abc"), std::string::npos);
  EXPECT_FALSE(dlg.ApplyToPage());
  EXPECT_DOUBLE_EQ(page->PaperWidth(), 210);
  EXPECT_DOUBLE_EQ(page->LeftMargin, 10);
  // Fixed: the page takes every value, converted from inches.
  dlg.MarginBottomE->SetText("0.5");
  dlg.SizeCB->SetItemIndex(0);  // the custom size
  ASSERT_TRUE(dlg.ApplyToPage());
  EXPECT_NEAR(page->PaperWidth(), 8 * 25.4, 1e-9);
  EXPECT_NEAR(page->LeftMargin, 25.4, 1e-9);
  EXPECT_NEAR(page->BottomMargin, 12.7, 1e-9);
  EXPECT_EQ(page->PaperSize(), 256);

  // A stored unit outside 0..3 shows no values to convert and changes nothing.
  {
    std::unique_ptr<TCustomIniFile> ini(report->OpenSettingsStore());
    ini->WriteInteger("Form.TrptDesignerForm", "Units", 7);
  }
  TrptPageSettingsForm other(nullptr);
  other.Page = page;
  other.Report = report.get();
  other.LoadPage();
  EXPECT_EQ(other.UnitL1->Caption(), "");
  EXPECT_FALSE(other.ApplyToPage());
  EXPECT_NEAR(page->PaperWidth(), 8 * 25.4, 1e-9);
  EXPECT_NEAR(page->LeftMargin, 25.4, 1e-9);
}
