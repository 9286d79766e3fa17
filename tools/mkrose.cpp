// mkrose <file>: writes the picking-sheet template "rose.rp3" that "Print Selected" prepares.
//
// The sheet, on A4 with 10 mm margins: a title with the studio's name in red, "Selected Photos",
// the studio's address and telephone (Memo30), and a strip with the customer's name (Memo8) and
// telephone (Memo9), which the print window fills before they print; one group per production
// requirement of the staged photos (a2, sorted by requirement) with a tinted header naming it,
// the thumbnails in seven columns, each above its file name, and a footer with the group's
// count; the design requirements of the catalog (a5); the folder memo (rptDBDataset3); the
// lines for dates and signatures; and a page footer with the page numbers and the print date.
//
// The datasets are named only: the print window supplies datasets of these names. The file is
// kept in data/ and copied beside the executable by the build.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptdbset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptstyles.h"
#include "report/core/rptview.h"

namespace {

// The printable width of A4 with 10 mm margins, in report units (96 per inch).
constexpr double kWidth = 190 * 96 / 25.4;
constexpr int kColumns = 7;

struct Builder {
  TrptReport* Report;
  TrptReportPage* Page;

  template <class T>
  T* Band(const char* Name, double Top, double Height) {
    auto* b = new T(Report);
    b->SetName(Name);
    b->SetParent(Page);
    b->SetBounds(0, Top, kWidth, Height);
    return b;
  }
  TrptMemoView* Memo(TrptComponent* Parent, const char* Name, const std::string& Text, double Left,
                     double Top, double Width, double Height, int Size = 10, bool Bold = false) {
    auto* m = new TrptMemoView(Report);
    m->SetName(Name);
    m->SetParent(Parent);
    m->SetBounds(Left, Top, Width, Height);
    m->SetText(Text);
    m->Font()->SetName("Arial");
    m->Font()->SetSize(Size);
    if (Bold) m->Font()->SetStyle(TFontStyles{fsBold});
    return m;
  }
  TrptLineView* Line(TrptComponent* Parent, const char* Name, double Left, double Top, double Width) {
    auto* l = new TrptLineView(Report);
    l->SetName(Name);
    l->SetParent(Parent);
    l->SetBounds(Left, Top, Width, 0);
    return l;
  }
};

void Build(TrptReport* Report) {
  Report->EngineOptions()->DoublePass = true;
  auto* page = new TrptReportPage(Report);
  page->SetName("Page1");
  page->SetParent(Report);
  page->SetPaperSize(9);  // A4
  page->LeftMargin = page->RightMargin = page->TopMargin = page->BottomMargin = 10;
  Builder b{Report, page};
  const double half = kWidth / 2;

  // Title: studio, caption, address and telephone, the customer strip.
  auto* title = b.Band<TrptReportTitle>("ReportTitle1", 0, 132);
  auto* studio = b.Memo(title, "Memo1", "[a3.\"gsname\"]", 0, 0, kWidth, 30, 18, true);
  studio->HAlign = haCenter;
  studio->Font()->SetColor(clRed);
  auto* caption = b.Memo(title, "Memo2", "Selected Photos", 0, 32, kWidth, 24, 14, true);
  caption->HAlign = haCenter;
  auto* address = b.Memo(title, "Memo3", "[a3.\"addr\"]", 0, 58, kWidth, 18);
  address->HAlign = haCenter;
  auto* studioTel = b.Memo(title, "Memo30", "", 0, 76, kWidth, 18);
  studioTel->HAlign = haCenter;
  const double third = kWidth / 3;
  for (auto* m : {b.Memo(title, "Memo8", "", 0, 102, third, 22), b.Memo(title, "Memo9", "", third, 102, third, 22),
                  b.Memo(title, "Memo10", "Branch store:", 2 * third, 102, third, 22)}) {
    m->VAlign = vaCenter;
    m->Frame()->Typ = TrptFrameTypes{ftTop, ftBottom};
  }

  // One group per production requirement: a tinted header, the thumbnails, the count.
  auto* header = b.Band<TrptGroupHeader>("GroupHeader1", 150, 26);
  header->Condition = "Copy(<a2.\"yongtu\">, 1, 6000)";
  auto* requirement = b.Memo(header, "Memo11", "[a2.\"yongtu\"]", 0, 2, kWidth, 22, 11, true);
  requirement->VAlign = vaCenter;
  requirement->Color = static_cast<int32_t>(RGB(0xE6, 0xD8, 0xF5));  // a light purple

  const double cell = kWidth / kColumns;
  auto* master = b.Band<TrptMasterData>("Band4", 190, 112);
  master->SetDataSetName("a2");
  master->Columns = kColumns;
  master->ColumnWidth = cell;
  auto* picture = new TrptPictureView(Report);
  picture->SetName("Picture1");
  picture->SetParent(master);
  picture->SetBounds(4, 4, cell - 8, 86);
  picture->SetDataSetName("a2");
  picture->DataField = "logo";
  picture->Center = true;
  auto* name = b.Memo(master, "Memo12", "[a2.\"fname\"]", 0, 92, cell, 18, 8);
  name->HAlign = haCenter;

  auto* footer = b.Band<TrptGroupFooter>("GroupFooter1", 320, 24);
  auto* total = b.Memo(footer, "Memo13", "Total: [Count(Band4)]", 0, 2, kWidth, 20, 10, true);
  total->HAlign = haRight;

  // The design requirements of the catalog.
  auto* needsHeader = b.Band<TrptHeader>("Header1", 360, 26);
  b.Memo(needsHeader, "Memo14", "Special needs", 0, 4, kWidth, 20, 11, true);
  auto* needs = b.Band<TrptMasterData>("MasterData2", 400, 20);
  needs->SetDataSetName("a5");
  b.Memo(needs, "Memo15", "[a5.\"Fname\"]", 0, 0, kWidth * 0.2, 20, 9);
  b.Memo(needs, "Memo16", "[a5.\"xiugai\"]", kWidth * 0.2, 0, kWidth * 0.4, 20, 9);
  b.Memo(needs, "Memo17", "[a5.\"yongtu\"]", kWidth * 0.6, 0, kWidth * 0.4, 20, 9);

  // The folder memo.
  auto* memoHeader = b.Band<TrptHeader>("Header2", 440, 26);
  b.Memo(memoHeader, "Memo18", "Whole Memo\xEF\xBC\x9A", 0, 4, kWidth, 20, 11, true);
  auto* memo = b.Band<TrptMasterData>("MasterData3", 480, 20);
  memo->SetDataSetName("rptDBDataset3");
  auto* memoText = b.Memo(memo, "Memo19", "[rptDBDataset3.\"beizhu\"]", 0, 0, kWidth, 20, 10);
  memoText->StretchMode = smActualHeight;

  // Dates and signatures at the end of the sheet.
  auto* summary = b.Band<TrptReportSummary>("ReportSummary1", 520, 72);
  b.Memo(summary, "Memo20", "See Sample datetime:", 0, 8, half, 20);
  b.Memo(summary, "Memo21", "Pickup datetime:", half, 8, half, 20);
  b.Memo(summary, "Memo22", "Customer Signature:", 0, 44, half, 20);
  b.Memo(summary, "Memo23", "Shop Signature:", half, 44, half, 20);
  b.Line(summary, "Line1", 150, 28, half - 170);
  b.Line(summary, "Line2", half + 120, 28, half - 140);
  b.Line(summary, "Line3", 140, 64, half - 160);
  b.Line(summary, "Line4", half + 110, 64, half - 130);

  // Page numbers and the print date.
  auto* pageFooter = b.Band<TrptPageFooter>("PageFooter1", 620, 22);
  b.Memo(pageFooter, "Memo24", "[Page#]Pages   Total[TotalPages#]Pages", 0, 2, half, 18, 9);
  auto* date = b.Memo(pageFooter, "Memo25",
                      "Print date:[YEAROF(DATE)] - [MONTHOF(DATE)] - [DAYOF(DATE)] ", half, 2, half, 18, 9);
  date->HAlign = haRight;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkrose <file>\n");
    return 2;
  }
  try {
    // The datasets the template names; the print window has datasets of the same names.
    TrptReport report(nullptr);
    std::vector<std::unique_ptr<TrptDBDataset>> datasets;
    for (const char* name : {"a1", "a2", "a3", "a5", "rptDBDataset3"}) {
      auto d = std::make_unique<TrptDBDataset>(nullptr);
      d->SetUserName(name);
      report.DataSets()->Add(d.get());
      datasets.push_back(std::move(d));
    }
    Build(&report);
    report.SaveToFile(argv[1]);
  } catch (const std::exception& E) {
    std::fprintf(stderr, "mkrose: %s\n", E.what());
    return 1;
  }
  return 0;
}
