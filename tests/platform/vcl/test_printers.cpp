// TPrinter: the printer list, the current printer's settings and documents printed through it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/printers.h"
#include "platform/win/winspool.h"

namespace fs = std::filesystem;

namespace {

class PrinterTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-printers-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    fs::create_directories(docs());
    fs::create_directories(dir / "config");
    setenv("HOME", (dir / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    // The PDF printer is the default, whatever CUPS queues the machine has.
    ASSERT_TRUE(WriteProfileString("windows", "device", "PDF file,Orvanta PDF,FILE:"));
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path docs() const { return dir / "home" / "Documents"; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Page sizes (points) of a PDF, in order.
  static std::vector<std::pair<double, double>> Pages(const std::string& pdf) {
    std::vector<std::pair<double, double>> out;
    std::regex page(
        R"(/Type\s*/Page[^s][\s\S]*?/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), page); it != std::sregex_iterator();
         ++it)
      out.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    return out;
  }
  fs::path dir;
};

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EPrinter& e) {
    return e.Message();
  }
  return "";
}

TEST_F(PrinterTest, ListsThePrintersAndStartsWithTheDefault) {
  TPrinter p;
  ASSERT_GE(p.Printers()->Count(), 1);
  EXPECT_EQ(p.Printers()->Strings(0), "PDF file");
  EXPECT_EQ(p.PrinterIndex(), 0);  // the default printer
  EXPECT_EQ(Message([&] { p.SetPrinterIndex(p.Printers()->Count()); }),
            "Printer index out of range");
  p.SetPrinterIndex(-1);
  EXPECT_EQ(p.PrinterIndex(), 0);
  std::string device, driver, port;
  DEVMODEA dm{};
  p.GetPrinter(device, driver, port, dm);
  EXPECT_EQ(device, "PDF file");
  EXPECT_EQ(port, "FILE:");
  EXPECT_EQ(dm.dmPaperSize, DMPAPER_A4);
  EXPECT_NE(p.Handle(), nullptr);
}

TEST_F(PrinterTest, SettingsChangeThePageOfTheCurrentPrinter) {
  TPrinter p;
  EXPECT_EQ(p.Orientation(), poPortrait);
  EXPECT_EQ(p.PageWidth(), 2480);  // A4 at 300 dpi
  EXPECT_EQ(p.PageHeight(), 3508);
  p.SetOrientation(poLandscape);
  EXPECT_EQ(p.Orientation(), poLandscape);
  EXPECT_EQ(p.PageWidth(), 3508);
  EXPECT_EQ(p.PageHeight(), 2480);
  p.SetCopies(3);
  EXPECT_EQ(p.Copies(), 3);
  EXPECT_EQ(p.Orientation(), poLandscape);  // copies keep the other settings
  DEVMODEA letter{};
  letter.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
  letter.dmPaperSize = DMPAPER_LETTER;
  letter.dmOrientation = DMORIENT_PORTRAIT;
  p.SetPrinter("PDF file", "", "", &letter);
  EXPECT_EQ(p.PageWidth(), 2550);
  EXPECT_EQ(p.PageHeight(), 3300);
  std::string device, driver, port;
  DEVMODEA dm{};
  p.GetPrinter(device, driver, port, dm);
  EXPECT_EQ(dm.dmPaperSize, DMPAPER_LETTER);
  EXPECT_EQ(Message([&] { p.SetPrinter("Nobody", "", "", nullptr); }),
            "Printer selected is not valid");
}

TEST_F(PrinterTest, ADocumentBecomesAPdfNamedAfterItsTitle) {
  TPrinter p;
  p.SetTitle("Invoice 7");
  p.SetOrientation(poLandscape);
  EXPECT_EQ(Message([&] { p.NewPage(); }), "Printer is not currently printing");
  p.BeginDoc();
  EXPECT_TRUE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 1);
  EXPECT_EQ(Message([&] { p.SetOrientation(poPortrait); }), "Printing in progress");
  EXPECT_EQ(Message([&] { p.BeginDoc(); }), "Printing in progress");
  // The canvas draws on the page, with point sizes at the printer's resolution.
  TCanvas* c = p.Canvas();
  c->Font()->SetSize(10);
  c->TextOut(100, 100, "Total");
  EXPECT_EQ(c->Font()->PixelsPerInch(), 300);
  EXPECT_EQ(c->Font()->Size(), 10);
  EXPECT_NEAR(c->TextHeight("Total"), 10 * 300 / 72, 12);
  c->Brush()->SetColor(clBlack);
  c->FillRect(RECT{200, 200, 300, 300});
  EXPECT_EQ(GetPixel(c->Handle(), 250, 250), 0u);
  p.NewPage();
  EXPECT_EQ(p.PageNumber(), 2);
  EXPECT_EQ(GetPixel(c->Handle(), 250, 250), 0xFFFFFFu);  // a fresh page
  p.EndDoc();
  EXPECT_FALSE(p.Printing());
  EXPECT_FALSE(p.Aborted());
  auto pages = Pages(Read(docs() / "Invoice 7.pdf"));
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NEAR(pages[1].first, 841.89, 0.5);  // A4 landscape
  EXPECT_NEAR(pages[1].second, 595.28, 0.5);
  // After the document the canvas measures on the printer again.
  EXPECT_EQ(GetDeviceCaps(c->Handle(), HORZRES), 3508);
}

TEST_F(PrinterTest, AbortLeavesNoDocument) {
  TPrinter p;
  p.SetTitle("Draft");
  p.BeginDoc();
  p.Canvas()->TextOut(10, 10, "x");
  p.Abort();
  EXPECT_TRUE(p.Aborted());
  EXPECT_FALSE(p.Printing());
  EXPECT_TRUE(fs::is_empty(docs()));
  // A document started after an abort prints normally.
  p.BeginDoc();
  EXPECT_FALSE(p.Aborted());
  p.EndDoc();
  EXPECT_TRUE(fs::exists(docs() / "Draft.pdf"));
}

TEST_F(PrinterTest, TheProcessPrinterCanBeReplaced) {
  TPrinter* first = Printer();
  EXPECT_EQ(Printer(), first);
  TPrinter* mine = new TPrinter;
  TPrinter* old = SetPrinter(mine);
  EXPECT_EQ(old, first);
  EXPECT_EQ(Printer(), mine);
  delete SetPrinter(old);
  EXPECT_EQ(Printer(), first);
}

}  // namespace
