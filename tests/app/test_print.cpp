// "Print Selected": the staging database with its thumbnails, the picking sheet prepared from the
// shipped template, the print window's status, commands and lifetime, and where the staging
// database is written.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/formdayin2.h"
#include "app/printstaging.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptservices.h"
#include "report/core/rptview.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexporthtml.h"
#include "report/output/rptexportimage.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexportrtf.h"
#include "report/output/rptexporttxt.h"
#include "report/output/rptexportxls.h"
#include "report/output/rptpreview.h"
#include "windowtest.h"

using namespace apptest;
using namespace windowtest;

namespace {

const std::string kAlbumRequirement = "Album  [Quantity]2  [Size]8x10";
const std::string kPrintRequirement = "Print  [Quantity]1  [Size]5x7";

// The print windows that exist now.
std::vector<TFormdayin2*> PrintWindows() {
  std::vector<TFormdayin2*> out;
  for (int i = 0; i < Screen()->FormCount(); ++i)
    if (auto* f = dynamic_cast<TFormdayin2*>(Screen()->Forms(i))) out.push_back(f);
  return out;
}

// The decoded picture of a JPEG file held in memory.
struct TDecoded {
  int Width = 0, Height = 0;
  TIERGBPixel Centre{};
};
TDecoded Decode(const std::string& Jpeg) {
  TIEBitmap b;
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  TStringStream s(Jpeg);
  io.LoadFromStreamJpeg(&s);
  TDecoded d{b.Width(), b.Height(), {}};
  if (d.Width > 0) d.Centre = reinterpret_cast<TIERGBPixel*>(b.Scanline(d.Height / 2))[d.Width / 2];
  return d;
}

// The first value of the first quantisation table of a JPEG file (the DC step of the
// luminance table: 13 for quality 60 on the standard table), -1 when there is none.
int FirstQuantStep(const std::string& Jpeg) {
  for (size_t i = 2; i + 5 < Jpeg.size(); ++i)
    if (static_cast<uint8_t>(Jpeg[i]) == 0xFF && static_cast<uint8_t>(Jpeg[i + 1]) == 0xDB)
      return static_cast<uint8_t>(Jpeg[i + 5]);
  return -1;
}

class PrintTest : public ShootWindow {
protected:
  void SetUp() override {
    ShootWindow::SetUp();
    for (const char* f : {"dayin.dll", "rose.rp3"})
      std::filesystem::copy_file(ShippedDir() + f, Prog + f);
  }
  // Catalog rows: fname, yongtu ("" null), xiugai ("" null).
  void AddRows(const std::vector<std::vector<std::string>>& Rows) {
    auto c = Open(Shoot + "/ImageTag.dll");
    for (const auto& r : Rows) {
      auto text = [](const std::string& S) { return S.empty() ? std::string("null") : "'" + S + "'"; };
      const std::string type = r[1].empty() ? "" : r[1].substr(0, r[1].find("  ["));
      c->Execute("insert into pic (fname, yongtu, xiugai, dalei) values ('" + r[0] + "', " + text(r[1]) +
                 ", " + text(r[2]) + ", " + text(type) + ")");
    }
  }
  // Presses "Print Selected" and returns the print window it opened (nullptr when none); the
  // message boxes it showed are answered and kept in Boxes.
  TFormdayin2* PrintSelected() {
    const size_t before = PrintWindows().size();
    TMessageBoxes boxes;
    Form->BitBtn3Click(nullptr);
    Application()->ProcessMessages();
    Boxes = boxes.Texts;
    auto windows = PrintWindows();
    return windows.size() > before ? windows.back() : nullptr;
  }
  // Staging rows: fname, yongtu, xiugai (null as "<null>"), logo bytes; in id order.
  struct TRow {
    std::string Name, Type, Design, Logo;
  };
  std::vector<TRow> Staged(const std::string& File) {
    auto c = Open(File);
    TADOQuery q;
    q.SetConnection(c.get());
    q.SetSQLText("select * from pic order by id");
    q.Open();
    std::vector<TRow> rows;
    auto text = [&q](const char* F) {
      TField* f = q.FieldByName(F);
      return f->IsNull() ? std::string("<null>") : f->AsString();
    };
    for (; !q.Eof(); q.Next())
      rows.push_back({text("fname"), text("yongtu"), text("xiugai"), q.FieldByName("logo")->AsString()});
    return rows;
  }
  // The texts of every memo on prepared page Page of a window.
  static std::vector<std::string> PageTexts(TFormdayin2* W, int Page) {
    std::vector<std::string> out;
    auto* pages = static_cast<TrptPreviewPages*>(W->fr1->PreviewPages());
    TrptPage* p = pages->PageAt(Page);
    for (TrptComponent* c : p->Objects)
      if (auto* m = dynamic_cast<TrptCustomMemoView*>(c)) out.push_back(Trim(m->Text()));
    return out;
  }
  static std::vector<std::string> AllTexts(TFormdayin2* W) {
    std::vector<std::string> out;
    for (int p = 0; p < W->rptP1->GetPageCount(); ++p)
      for (auto& t : PageTexts(W, p)) out.push_back(t);
    return out;
  }
  std::vector<std::string> Boxes;
  static bool Has(const std::vector<std::string>& Texts, const std::string& T) {
    return std::find(Texts.begin(), Texts.end(), T) != Texts.end();
  }
};

}  // namespace

TEST_F(PrintTest, PrintStagingHoldsEveryPickedRowWithItsThumbnail) {
  OpenShoot(5, 400, 300);
  // IMG_0001 has two requirements, IMG_0002 is a bare pick, IMG_0003 has a design requirement,
  // a row of a removed photo lies between them and IMG_0005.
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""},
           {"IMG_0002.jpg", "", ""},
           {"IMG_0001.jpg", kPrintRequirement, ""},
           {"IMG_0003.jpg", kPrintRequirement, "Slim face"},
           {"IMG_0099.jpg", kAlbumRequirement, ""},
           {"img_0005.JPG", kAlbumRequirement, ""}});
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr) << (Boxes.empty() ? "" : Boxes[0]);

  auto rows = Staged(Prog + "dayin.dll");
  ASSERT_EQ(rows.size(), 5u);
  const std::vector<std::vector<std::string>> want = {{"IMG_0001.jpg", kAlbumRequirement, "<null>"},
                                                      {"IMG_0002.jpg", "<null>", "<null>"},
                                                      {"IMG_0001.jpg", kPrintRequirement, "<null>"},
                                                      {"IMG_0003.jpg", kPrintRequirement, "Slim face"},
                                                      {"img_0005.JPG", kAlbumRequirement, "<null>"}};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].Name, want[i][0]) << i;
    EXPECT_EQ(rows[i].Type, want[i][1]) << i;
    EXPECT_EQ(rows[i].Design, want[i][2]) << i;
    // A complete JPEG file at quality 60, within 150 x 150 with the photo's proportions.
    ASSERT_GE(rows[i].Logo.size(), 4u) << i;
    EXPECT_EQ(rows[i].Logo.substr(0, 2), "\xFF\xD8") << i;
    EXPECT_EQ(FirstQuantStep(rows[i].Logo), 13) << i;
    TDecoded d = Decode(rows[i].Logo);
    EXPECT_EQ(d.Width, 150) << i;
    EXPECT_NEAR(d.Height, 112, 1) << i;
  }
  // The photo staged twice has the same thumbnail; each thumbnail is its own photo (red, lime,
  // blue, ..., fuchsia), also after the removed photo's row.
  TDecoded once = Decode(rows[0].Logo), twice = Decode(rows[2].Logo);
  EXPECT_EQ(once.Width, twice.Width);
  EXPECT_EQ(once.Height, twice.Height);
  EXPECT_NEAR(once.Centre.r, twice.Centre.r, 4);
  EXPECT_NEAR(once.Centre.g, twice.Centre.g, 4);
  EXPECT_NEAR(once.Centre.b, twice.Centre.b, 4);
  auto dominant = [](const TIERGBPixel& P) { return P.r > 150 ? 'r' : P.g > 150 ? 'g' : 'b'; };
  EXPECT_EQ(dominant(Decode(rows[0].Logo).Centre), 'r');
  EXPECT_EQ(dominant(Decode(rows[1].Logo).Centre), 'g');
  EXPECT_EQ(dominant(Decode(rows[3].Logo).Centre), 'b');
  TIERGBPixel fuchsia = Decode(rows[4].Logo).Centre;
  EXPECT_GT(fuchsia.r, 150);
  EXPECT_GT(fuchsia.b, 150);
  EXPECT_LT(fuchsia.g, 60);
  // The progress bar is back at 0.
  EXPECT_EQ(Form->pb->Position(), 0);
}

TEST_F(PrintTest, PrintSheetShowsStudioCustomerGroupsAndPageStatus) {
  OpenShoot(4, 300, 200);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""},
           {"IMG_0002.jpg", kAlbumRequirement, ""},
           {"IMG_0003.jpg", kPrintRequirement, "Slim face"},
           {"IMG_0004.jpg", "", ""}});
  {
    auto c = Open(Shoot + "/ImageTag.dll");
    c->Execute("insert into beizhu (beizhu) values ('Deliver by Friday')");
  }
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr) << (Boxes.empty() ? "" : Boxes[0]);
  EXPECT_TRUE(Boxes.empty()) << Boxes[0];
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->Caption(), "Print");
  ASSERT_EQ(w->rptP1->GetPageCount(), 1);
  auto texts = AllTexts(w);
  for (const char* t : {"Photo Studio", "Selected Photos", "Studio address", "Telephone:000-00000000",
                        "Customer Name:John", "Telephone:80013578", "Branch store:", "Total: 2", "Total: 1",
                        "Special needs", "Slim face", "Deliver by Friday", "Customer Signature:",
                        "Shop Signature:", "IMG_0001.jpg", "IMG_0004.jpg"})
    EXPECT_TRUE(Has(texts, t)) << t;
  EXPECT_TRUE(Has(texts, kAlbumRequirement));
  EXPECT_TRUE(Has(texts, kPrintRequirement));
  // The bare pick has its group (empty requirement), listed first by the sort.
  auto first = std::find(texts.begin(), texts.end(), "IMG_0004.jpg");
  auto album = std::find(texts.begin(), texts.end(), kAlbumRequirement);
  EXPECT_LT(first - texts.begin(), album - texts.begin());
  // The status panel shows the page.
  EXPECT_EQ(w->StatusBar1->Panels(0).Text, "1page  Total1pages");
  EXPECT_EQ(w->StatusBar1->Panels(0).Width, 250);
  EXPECT_EQ(w->StatusBar1->Panels(1).Width, 50);
}

TEST_F(PrintTest, PrintWindowPagesThroughAndShowsTheStatus) {
  // 60 photos in one requirement need more than one page.
  OpenShoot(60, 64, 48);
  std::vector<std::vector<std::string>> rows;
  for (const std::string& n : Names) rows.push_back({n, kAlbumRequirement, ""});
  AddRows(rows);
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr);
  const int count = w->rptP1->GetPageCount();
  ASSERT_GE(count, 2);
  const std::string total = std::to_string(count);
  EXPECT_EQ(w->StatusBar1->Panels(0).Text, "1page  Total" + total + "pages");
  w->BitBtn5Click(nullptr);  // "Next"
  Application()->ProcessMessages();
  EXPECT_EQ(w->StatusBar1->Panels(0).Text, "2page  Total" + total + "pages");
  w->BitBtn6Click(nullptr);  // "End"
  Application()->ProcessMessages();
  EXPECT_EQ(w->StatusBar1->Panels(0).Text, total + "page  Total" + total + "pages");
  w->BitBtn3Click(nullptr);  // "First"
  Application()->ProcessMessages();
  EXPECT_EQ(w->StatusBar1->Panels(0).Text, "1page  Total" + total + "pages");
  EXPECT_TRUE(Has(PageTexts(w, 1), "2Pages   Total[TotalPages#]Pages") ||
              Has(PageTexts(w, 1), "2Pages   Total" + total + "Pages"));
}

TEST(PrintStatusText, PagesReadAsTheWindowShowsThem) {
  const struct {
    int Page, Count;
    const char* Text;
  } cases[] = {{1, 3, "1page  Total3pages"}, {2, 5, "2page  Total5pages"}, {12, 120, "12page  Total120pages"}};
  for (const auto& c : cases) EXPECT_EQ(PageStatusText(c.Page, c.Count), c.Text);
}

TEST_F(PrintTest, WithoutAPickedPhotoTheUserIsToldAndNoWindowOpens) {
  OpenShoot(2);
  // Only a row of a photo that is no longer in the folder.
  AddRows({{"IMG_0099.jpg", kAlbumRequirement, ""}});
  EXPECT_EQ(PrintSelected(), nullptr);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0], kNoPickedPhotoMessage);
  EXPECT_TRUE(Staged(Prog + "dayin.dll").empty());
}

TEST_F(PrintTest, AMissingTemplateGivesAnEmptyPreviewWithoutError) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}});
  std::filesystem::remove(Prog + "rose.rp3");
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(w->rptP1->GetPageCount(), 0);
  EXPECT_EQ(Staged(Prog + "dayin.dll").size(), 1u);
}

TEST_F(PrintTest, ATemplateWithoutTheFilledMemosPrintsWithoutThem) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}});
  {
    TrptReport r(nullptr);
    auto* page = new TrptReportPage(&r);
    page->SetName("Page1");
    page->SetParent(&r);
    auto* title = new TrptReportTitle(&r);
    title->SetName("ReportTitle1");
    title->SetParent(page);
    title->SetBounds(0, 0, 700, 40);
    auto* m = new TrptMemoView(&r);
    m->SetName("Caption1");
    m->SetParent(title);
    m->SetBounds(0, 0, 300, 20);
    m->SetText("Plain sheet");
    r.SaveToFile(Prog + "rose.rp3");
  }
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(Boxes.empty());
  ASSERT_EQ(w->rptP1->GetPageCount(), 1);
  EXPECT_EQ(PageTexts(w, 0), std::vector<std::string>{"Plain sheet"});
}

TEST_F(PrintTest, ClosingAPrintWindowFreesIt) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}});
  TFormdayin2* first = PrintSelected();
  TFormdayin2* second = PrintSelected();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(PrintWindows().size(), 2u);
  second->BitBtn13Click(nullptr);  // "Close"
  Application()->ProcessMessages();
  EXPECT_EQ(PrintWindows(), std::vector<TFormdayin2*>{first});
  first->Close();
  Application()->ProcessMessages();
  EXPECT_TRUE(PrintWindows().empty());
}

TEST_F(PrintTest, EachPrintWindowShowsTheStagingOfItsOwnPress) {
  OpenShoot(3);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}});
  TFormdayin2* first = PrintSelected();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(Has(AllTexts(first), "IMG_0001.jpg"));
  AddRows({{"IMG_0003.jpg", kPrintRequirement, ""}});
  TFormdayin2* second = PrintSelected();
  ASSERT_NE(second, nullptr);
  auto texts = AllTexts(second);
  EXPECT_TRUE(Has(texts, "IMG_0001.jpg"));
  EXPECT_TRUE(Has(texts, "IMG_0003.jpg"));
  // The older window keeps the pages it prepared.
  EXPECT_FALSE(Has(AllTexts(first), "IMG_0003.jpg"));
}

TEST_F(PrintTest, TheExportMenuWritesEveryFormat) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}, {"IMG_0002.jpg", kAlbumRequirement, ""}});
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr);
  const std::vector<std::string> captions = {"Excel", "RTF-Word ", "Html", "PDF", "BMP", "JPG", "TIF", "Txt"};
  ASSERT_EQ(w->PopupMenu1->Items()->Count(), static_cast<int>(captions.size()));
  for (int i = 0; i < w->PopupMenu1->Items()->Count(); ++i)
    EXPECT_EQ(w->PopupMenu1->Items()->Items(i)->Caption(), captions[static_cast<size_t>(i)]);
  // Each item exports the prepared sheet with its filter, here to a named file without asking.
  const std::string out = Shoot + "/exports";
  std::filesystem::create_directories(out);
  struct Case {
    TMenuItem* Item;
    TrptCustomExportFilter* Filter;
    const char* Ext;
  } cases[] = {{w->EXCEL2, w->rptXLSExport1, "xlsx"}, {w->RTF2, w->rptRTFExport1, "rtf"},
               {w->html2, w->rptHTMLExport1, "html"}, {w->PDF2, w->rptPDFExport1, "pdf"},
               {w->BMP2, w->rptBMPExport1, "bmp"},    {w->JPG2, w->rptJPEGExport1, "jpg"},
               {w->tif2, w->rptTIFFExport1, "tif"},   {w->txt2, w->rptTXTExport1, "txt"}};
  for (const Case& c : cases) {
    ASSERT_NE(c.Filter, nullptr) << c.Ext;
    c.Filter->ShowDialog = false;
    c.Filter->FileName = out + "/sheet." + c.Ext;
    c.Item->Click();
    Application()->ProcessMessages();
    bool found = false;
    for (const auto& e : std::filesystem::directory_iterator(out))
      if (e.path().extension() == std::string(".") + c.Ext && std::filesystem::file_size(e.path()) > 0) found = true;
    EXPECT_TRUE(found) << c.Ext;
  }
  // The PDF has the sheet's pages; the text export has the picked names.
  FILE* p = popen(("pdfinfo '" + out + "/sheet.pdf' 2>/dev/null").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string info;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) info += buf;
  pclose(p);
  const size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos) << "pdfinfo cannot read the export";
  EXPECT_EQ(std::atoi(info.c_str() + at + 6), w->rptP1->GetPageCount()) << info;
  std::ifstream txt(out + "/sheet.txt");
  std::string text((std::istreambuf_iterator<char>(txt)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("IMG_0002.jpg"), std::string::npos);
}

TEST_F(PrintTest, TheExportMenuAsksForOptionsThenForTheFile) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbum, ""}, {"IMG_0002.jpg", kAlbum, ""}});
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr);
  const std::string out = Shoot + "/asked";
  std::filesystem::create_directories(out);
  // The text export: its options dialog, then the save dialog in the default folder.
  w->rptTXTExport1->ShowDialog = true;
  w->rptTXTExport1->DefaultPath = out;
  std::string caption;
  Later([&] {
    auto* d = dynamic_cast<TrptTXTExportDialog*>(Screen()->ActiveForm());
    ASSERT_NE(d, nullptr);
    caption = d->Caption();
    d->RB_Simple->SetChecked(true);
    Later([] {
      InjectKey(VK_CONTROL, true);
      Key('A');
      InjectKey(VK_CONTROL, false);
      InjectText("picked");
      Key(VK_RETURN);
    });
    d->OkB->Click();
  });
  w->txt2->Click();
  Application()->ProcessMessages();
  EXPECT_FALSE(caption.empty());
  EXPECT_TRUE(w->rptTXTExport1->Borders);
  std::ifstream txt(out + "/picked.prn");
  std::string text((std::istreambuf_iterator<char>(txt)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("IMG_0002.jpg"), std::string::npos);
  EXPECT_EQ(w->rptTXTExport1->FileName, out + "/picked.prn");
  // The spreadsheet through its dialogs too; the window takes clicks again afterwards.
  w->rptXLSExport1->ShowDialog = true;
  w->rptXLSExport1->DefaultPath = out;
  Later([&] {
    auto* d = dynamic_cast<TrptXLSExportDialog*>(Screen()->ActiveForm());
    ASSERT_NE(d, nullptr);
    Later([] {
      InjectKey(VK_CONTROL, true);
      Key('A');
      InjectKey(VK_CONTROL, false);
      InjectText("picked.xlsx");
      Key(VK_RETURN);
    });
    d->OkB->Click();
  });
  w->EXCEL2->Click();
  Application()->ProcessMessages();
  EXPECT_TRUE(std::filesystem::exists(out + "/picked.xlsx"));
  EXPECT_TRUE(IsWindowEnabled(w->Handle()));
  EXPECT_TRUE(IsWindowEnabled(Form->Handle()));
}

TEST_F(PrintTest, AProgramFolderThatCannotBeWrittenStagesIntoTheDataFolder) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}});
  const std::string shipped = ReadFile(Prog + "dayin.dll");
  // Read-only for an ordinary user; a privileged one needs the immutable flag.
  chmod(Prog.c_str(), 0555);
  bool immutable = false;
  if (access(Prog.c_str(), W_OK) == 0 || std::ofstream(Prog + "probe").is_open()) {
    std::filesystem::remove(Prog + "probe");
    immutable = std::system(("chattr +i '" + Prog + "' 2>/dev/null").c_str()) == 0 &&
                !std::ofstream(Prog + "probe").is_open();
    if (!immutable) {
      chmod(Prog.c_str(), 0755);
      GTEST_SKIP() << "the program folder cannot be made read-only here";
    }
  }
  TFormdayin2* w = PrintSelected();
  if (immutable) std::system(("chattr -i '" + Prog + "'").c_str());
  chmod(Prog.c_str(), 0755);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(Boxes.empty());
  const std::string own = Root + "/data/orvanta/dayin.dll";
  ASSERT_EQ(Staged(own).size(), 1u);
  EXPECT_EQ(Staged(own)[0].Name, "IMG_0001.jpg");
  EXPECT_EQ(ReadFile(Prog + "dayin.dll"), shipped);
  EXPECT_TRUE(Has(AllTexts(w), "IMG_0001.jpg"));
}

TEST_F(PrintTest, AStagingDatabaseThatIsNeitherBesideNorCopiedIsReported) {
  OpenShoot(2);
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}});
  std::filesystem::remove(Prog + "dayin.dll");
  EXPECT_EQ(PrintSelected(), nullptr);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("dayin.dll"), std::string::npos) << Boxes[0];
  EXPECT_EQ(Form->pb->Position(), 0);
}

TEST_F(PrintTest, APhotoThatCannotBeReadStopsTheStagingWithItsName) {
  OpenShoot(3);
  WriteFile(Photo(1), "not a picture");
  AddRows({{"IMG_0001.jpg", kAlbumRequirement, ""}, {"IMG_0002.jpg", kAlbumRequirement, ""}});
  EXPECT_EQ(PrintSelected(), nullptr);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("IMG_0002.jpg"), std::string::npos) << Boxes[0];
  EXPECT_EQ(Form->pb->Position(), 0);
}

TEST_F(PrintTest, TheMouseWheelOverThePrintWindowScrollsThePreview) {
  OpenShoot(20, 64, 48);
  std::vector<std::vector<std::string>> rows;
  for (const std::string& n : Names) rows.push_back({n, kAlbumRequirement, ""});
  AddRows(rows);
  TFormdayin2* w = PrintSelected();
  ASSERT_NE(w, nullptr);
  w->BitBtn7Click(nullptr);  // "100%": the page is taller than the window
  Application()->ProcessMessages();
  const int top = w->rptP1->Workspace()->VertPosition();
  auto wheel = [w](int Delta) {
    TMessage m;
    m.Msg = 522;
    m.WParam = static_cast<WPARAM>(static_cast<uint16_t>(static_cast<int16_t>(Delta))) << 16;
    w->WndProc(m);
    Application()->ProcessMessages();
  };
  wheel(-120);  // down by one notch of 20 pixels
  EXPECT_EQ(w->rptP1->Workspace()->VertPosition(), top + 20);
  wheel(-240);  // still one notch
  EXPECT_EQ(w->rptP1->Workspace()->VertPosition(), top + 40);
  wheel(120);
  EXPECT_EQ(w->rptP1->Workspace()->VertPosition(), top + 20);
}
