// The preview control over a prepared three-page report: page list layout, navigation, zoom
// modes, search hits, outline positions, painting, and the status texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptpreview.h"
#include "report/output/rptprinters.h"
#include "report/output/rptsearch.h"
#include "report/output/rptuitexts.h"

#include "tests/report/output/threepagereport.h"

namespace {

class RptPreviewFixture : public ::testing::Test {
protected:
  void SetUp() override {
    Report = ThreePageReport();
    ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
    ASSERT_EQ(Report->PreviewPages()->PageCount(), 3);
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(0, 0, 900, 700);
    Preview = new TrptPreview(Form.get());
    Preview->SetParent(Form.get());
    Preview->SetAlign(alClient);
    Preview->OnPageChanged = [this](TrptPreview*, int N) { Changes.push_back(N); };
    Form->HandleNeeded();
    Report->SetPreview(Preview);
  }
  void TearDown() override {
    Report->SetPreview(nullptr);
    Form.reset();
    Report.reset();
  }
  int PageWidth() {
    int w = 0, h = 0;
    Report->PreviewPages()->PageSizeAt(0, w, h);
    return w;
  }
  int PageHeight() {
    int w = 0, h = 0;
    Report->PreviewPages()->PageSizeAt(0, w, h);
    return h;
  }
  std::unique_ptr<TrptReport> Report;
  std::unique_ptr<TForm> Form;
  TrptPreview* Preview = nullptr;
  std::vector<int> Changes;
};

}  // namespace

TEST(RptPreviewPageList, RowsOfOneAndTwoColumns) {
  TrptPageList list;
  list.AddPage(794, 1123);
  list.AddPage(794, 1123);
  EXPECT_EQ(list.Items(1).Top, 10 + 1123 + 10);
  EXPECT_EQ(list.MaxWidth, 804);

  TrptPageList two;
  two.ColumnCount = 2;
  two.AddPage(794, 1123);
  two.AddPage(500, 1200);
  two.AddPage(794, 1123);
  EXPECT_EQ(two.Items(0).Top, 10);
  EXPECT_EQ(two.Items(1).Top, 10);
  EXPECT_EQ(two.Items(1).Column, 1);
  EXPECT_EQ(two.Items(2).Column, 0);
  EXPECT_EQ(two.Items(2).Top, 10 + 1200 + 10);  // below the taller page of the first row
  EXPECT_EQ(two.MaxWidth, 794 + 10 + 500 + 10);
  // Rows are centred; the second page sits right of the first with a 10 pixel gap.
  RECT r0 = two.GetPageBounds(0, 2000, 1.0), r1 = two.GetPageBounds(1, 2000, 1.0);
  EXPECT_EQ(r0.left, (2000 - (794 + 10 + 500)) / 2);
  EXPECT_EQ(r1.left, r0.left + 804);
  // A window narrower than the row keeps a 10 pixel margin, never a negative left.
  EXPECT_EQ(two.GetPageBounds(0, 300, 1.0).left, 10);
  // Placeholder for an index outside the list.
  RECT none = two.GetPageBounds(7, 1000, 1.0);
  EXPECT_EQ(none.right - none.left, 794);
  EXPECT_EQ(none.bottom - none.top, 1123);
}

TEST(RptPreviewPageList, FindPageExactAndWithSlack) {
  TrptPageList list;
  for (int i = 0; i < 3; ++i) list.AddPage(800, 1000);
  // Tops 10, 1020, 2030.
  const struct {
    int Position;
    bool Exact;
    int Want;
  } cases[] = {{0, true, -1}, {10, true, 0}, {1019, true, 0}, {1020, true, 1}, {2500, true, 2},
               {819, false, 0}, {820, false, 1}, {5, false, 0}};
  for (const auto& c : cases) EXPECT_EQ(list.FindPage(c.Position, c.Exact, 1.0), c.Want) << c.Position;
  EXPECT_EQ(TrptPageList().FindPage(100, true, 1.0), -1);
  EXPECT_EQ(TrptPageList().GetMaxBounds(1.0).x, 0);
}

TEST_F(RptPreviewFixture, RptPreviewNavigatesThePages) {
  EXPECT_EQ(Preview->GetPageCount(), 3);
  EXPECT_EQ(Preview->PageNo(), 1);
  Preview->Next();
  EXPECT_EQ(Preview->PageNo(), 2);
  // The page's top is 10 pixels below the window top.
  RECT r = Preview->Workspace()->PageList()->GetPageBounds(1, Preview->Workspace()->ClientWidth(), 1.0);
  EXPECT_EQ(Preview->Workspace()->VertPosition(), r.top - 10);
  Preview->Last();
  EXPECT_EQ(Preview->PageNo(), 3);
  Preview->Next();
  EXPECT_EQ(Preview->PageNo(), 3);
  Preview->First();
  Preview->Prior();
  EXPECT_EQ(Preview->PageNo(), 1);
  Preview->SetPageNo(-4);
  EXPECT_EQ(Preview->PageNo(), 1);
  Preview->SetPageNo(99);
  EXPECT_EQ(Preview->PageNo(), 3);
  ASSERT_FALSE(Changes.empty());
  EXPECT_EQ(Changes.back(), 3);
  // Scrolling moves the current page along.
  Preview->Workspace()->SetVPos(0);
  EXPECT_EQ(Preview->PageNo(), 1);
  // Keys: Ctrl+PgDn is the next page, End the last.
  WORD key = VK_NEXT;
  Preview->KeyDown(key, TShiftState{ssCtrl});
  EXPECT_EQ(Preview->PageNo(), 2);
  key = VK_END;
  Preview->KeyDown(key, TShiftState{});
  EXPECT_EQ(Preview->PageNo(), 3);
}

TEST_F(RptPreviewFixture, RptPreviewZoomModes) {
  Preview->SetZoom(0.1);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), 0.25);
  Preview->SetZoom(1.5);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), 1.5);
  TrptPreviewWorkspace* w = Preview->Workspace();
  // Narrow enough for no horizontal scroll bar, so the client height stays put.
  Preview->SetZoom(0.5);
  Preview->SetZoomMode(zmWholePage);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), (w->ClientHeight() - 20) / static_cast<Extended>(PageHeight()));
  Preview->SetZoomMode(zmPageWidth);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), (w->Width() - 52) / static_cast<Extended>(PageWidth()));
  Preview->SetZoomMode(zmManyPages);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), (w->ClientWidth() - 32) / (2.0 * PageWidth()));
  ASSERT_EQ(w->PageList()->ColumnCount, 2);
  EXPECT_EQ(w->PageList()->Items(1).Top, 10);
  EXPECT_EQ(w->PageList()->Items(2).Top, 10 + PageHeight() + 10);
  // A fixed zoom leaves the many-pages layout.
  Preview->SetZoom(1.0);
  EXPECT_EQ(Preview->ZoomMode(), zmDefault);
  EXPECT_EQ(w->PageList()->ColumnCount, 1);
  // Ctrl+wheel zooms in steps of a tenth, never below 0.3.
  Preview->ScrollByWheel(120, false, true);
  EXPECT_NEAR(Preview->Zoom(), 1.1, 1e-9);
  Preview->SetZoom(0.25);
  Preview->ScrollByWheel(-1, false, true);
  EXPECT_NEAR(Preview->Zoom(), 0.3, 1e-9);
  // The plain wheel scrolls 20 pixels a step.
  Preview->SetZoom(1.0);
  const int before = w->VertPosition();
  Preview->ScrollByWheel(-120, false, false);
  EXPECT_EQ(w->VertPosition(), before + 20);
  // The scroll range covers all pages plus the margin.
  EXPECT_EQ(w->VertRange(), w->PageList()->GetMaxBounds(1.0).y + 10);
}

TEST_F(RptPreviewFixture, RptPreviewFindsTextPageByPage) {
  // Row 5 is on the second page.
  EXPECT_TRUE(Preview->FindText("row 5", false, true));
  EXPECT_TRUE(rptSearchState().Found);
  EXPECT_EQ(Preview->Workspace()->SearchPage, 1);
  EXPECT_GT(rptSearchState().Bounds.right, rptSearchState().Bounds.left);
  // Case-sensitive search does not match a different case.
  EXPECT_FALSE(Preview->FindText("ROW 5", true, true));
  // "Row" occurs on every page: the next hits walk through the rows in order.
  ASSERT_TRUE(Preview->FindText("Row", true, true));
  std::vector<int> pages{Preview->Workspace()->SearchPage};
  for (int i = 0; i < 8; ++i) {
    Preview->FindNext();
    ASSERT_TRUE(rptSearchState().Found) << i;
    pages.push_back(Preview->Workspace()->SearchPage);
  }
  EXPECT_EQ(pages, (std::vector<int>{0, 0, 0, 1, 1, 1, 2, 2, 2}));
  Preview->FindNext();
  EXPECT_FALSE(rptSearchState().Found);
  // Searching from the current page skips earlier pages.
  Preview->SetPageNo(3);
  EXPECT_FALSE(Preview->FindText("Row 2", false, false));
  EXPECT_TRUE(Preview->FindText("Row 8", false, false));
  EXPECT_EQ(Preview->Workspace()->SearchPage, 2);
}

TEST_F(RptPreviewFixture, RptPreviewOutlineOfTallPagesKeepsItsPosition) {
  TrptCustomOutline* outline = Report->PreviewPages()->Outline();
  ASSERT_NE(outline, nullptr);
  Report->PreviewPages()->FillPage = 2;
  outline->LevelRoot();
  outline->AddItem("Tall", 3000000);
  outline->LevelUp();
  outline->AddItem("Odd", 301);
  outline->LevelUp();
  Preview->UpdateOutline();
  TTreeNodes* items = Preview->OutlineTree()->Items();
  ASSERT_EQ(items->Count(), 2);
  const auto data = [](TTreeNode* N) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(N->Data())); };
  TTreeNode* tall = items->GetFirstNode();
  // Page 3 and half the top: far beyond 32 bits.
  EXPECT_EQ(data(tall), int64_t{3} + int64_t{1500000} * (int64_t{1} << 20));
  EXPECT_EQ(data(tall->GetNextSibling()), int64_t{3} + int64_t{150} * (int64_t{1} << 20));
}

TEST_F(RptPreviewFixture, RptPreviewPaintsPagesOnGrey) {
  Preview->SetZoom(0.5);
  Form->Show();
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_NE(shot, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  TrptPreviewWorkspace* w = Preview->Workspace();
  POINT origin = w->ClientToScreen(POINT{0, 0});
  RECT form{};
  GetWindowRect(Form->Handle(), &form);
  const int ox = origin.x - form.left, oy = origin.y - form.top;
  RECT page = w->PageList()->GetPageBounds(0, w->ClientWidth(), 0.5);
  // Grey left of the page, white inside it, the black frame on its edge.
  EXPECT_EQ(GetPixel(dc, ox + page.left - 4, oy + page.top + 50), RGB(128, 128, 128));
  EXPECT_EQ(GetPixel(dc, ox + page.left + 200, oy + page.top + 300), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, ox + page.left, oy + page.top + 50), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
  Form->Hide();
}

TEST_F(RptPreviewFixture, RptPreviewClearLeavesNoPages) {
  Preview->Clear();
  EXPECT_EQ(Preview->GetPageCount(), 0);
  EXPECT_EQ(Preview->PageNo(), 0);
  EXPECT_EQ(Preview->Workspace()->VertRange(), 0);
  EXPECT_EQ(Preview->Workspace()->HorzRange(), 0);
}

TEST(RptPreviewTexts, TableLoadsByKeyAndNumber) {
  rptInstallPreviewTexts();
  EXPECT_EQ(rptTextById(101), rptGlobalResources()->Get("101"));
  EXPECT_NE(rptTextById(101), "101");
  EXPECT_EQ(rptGet("clPageOf"), "页 %d / %d");
  EXPECT_EQ(Format(rptGet("clPageOf"), {2, 3}), "页 2 / 3");
  EXPECT_EQ(rptTextById(115), "100%");
  // Section headings add nothing.
  EXPECT_EQ(rptGet("======== TrptPreviewForm ========"), "======== TrptPreviewForm ========");
  int keys = 0;
  for (size_t at = 0; at < rptPreviewTextTable().size();) {
    size_t end = rptPreviewTextTable().find("\r\n", at);
    std::string line = rptPreviewTextTable().substr(at, end - at);
    if (!line.empty() && line[0] != '=') ++keys;
    at = end + 2;
  }
  EXPECT_EQ(keys, 140);
}

TEST(RptSearchDialogTest, RemembersTheTextOnOkOnly) {
  rptLastSearchText() = "first";
  {
    TrptSearchDialog dlg(nullptr);
    dlg.Show();
    EXPECT_EQ(dlg.TextE->Text(), "first");
    EXPECT_EQ(dlg.TextE->SelLength(), 5);  // selected, so typing replaces it
    dlg.TextE->SetText("second");
    dlg.SetModalResult(mrCancel);
    dlg.Hide();
  }
  EXPECT_EQ(rptLastSearchText(), "first");
  {
    TrptSearchDialog dlg(nullptr);
    dlg.Show();
    dlg.TextE->SetText("third");
    dlg.SetModalResult(mrOk);
    dlg.Hide();
  }
  EXPECT_EQ(rptLastSearchText(), "third");
}

TEST_F(RptPreviewFixture, RptPreviewPreparesIntoTheControlAndPrints) {
  // Preparing while bound fills the page list page by page and ends on page 1.
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  EXPECT_FALSE(Preview->Running());
  EXPECT_EQ(Preview->GetPageCount(), 3);
  EXPECT_EQ(Preview->Workspace()->PageList()->Count(), 3);
  // An outline position scrolls to its page.
  Preview->ScrollToPosition(2, 0);
  RECT r = Preview->Workspace()->PageList()->GetPageBounds(1, Preview->Workspace()->ClientWidth(), 1.0);
  EXPECT_EQ(Preview->Workspace()->VertPosition(), r.top - 10);
  Preview->ScrollToPosition(99, 0);  // clamped to the last page
  EXPECT_EQ(Preview->PageNo(), 3);
  // Nothing of the pages changes while a preparation runs.
  Preview->BeginProgress(Report.get(), 0, 0);
  EXPECT_TRUE(Preview->Running());
  Preview->AddPage();
  Preview->EndProgress(Report.get(), 0, 0);
  EXPECT_FALSE(Preview->Running());
}

TEST_F(RptPreviewFixture, RptPreviewAddsAndDeletesPages) {
  Preview->SetPageNo(2);
  Preview->AddPage();
  EXPECT_EQ(Preview->GetPageCount(), 4);
  EXPECT_EQ(Preview->Workspace()->PageList()->Count(), 4);
  Preview->Last();
  Preview->DeletePage();
  EXPECT_EQ(Preview->GetPageCount(), 3);
  EXPECT_EQ(Preview->PageNo(), 3);
}

TEST_F(RptPreviewFixture, RptPreviewSavesAndLoadsPreparedPages) {
  char tmpl[] = "/tmp/orv-rptpp3-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string file = std::string(tmpl) + "/pages.pp3";
  Preview->SaveToFile(file);
  EXPECT_FALSE(Preview->Locked());
  EXPECT_FALSE(Preview->MessagePanel()->Visible());
  Preview->Clear();
  ASSERT_EQ(Preview->GetPageCount(), 0);
  Preview->LoadFromFile(file);
  EXPECT_EQ(Preview->GetPageCount(), 3);
  EXPECT_EQ(Preview->Workspace()->PageList()->Count(), 3);
  EXPECT_EQ(Preview->PageNo(), 1);
  // A missing file leaves the pages and still unlocks the view.
  Preview->LoadFromFile(std::string(tmpl) + "/missing.pp3");
  EXPECT_FALSE(Preview->Locked());
  EXPECT_EQ(Preview->GetPageCount(), 3);
  // A damaged file: whatever the pages report, the view is laid out and unlocked again.
  const std::string junk = std::string(tmpl) + "/junk.pp3";
  {
    FILE* f = std::fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("<?xml version=\"1.0\"?><not a report", f);
    std::fclose(f);
  }
  try {
    Preview->LoadFromFile(junk);
  } catch (const std::exception&) {
  }
  EXPECT_FALSE(Preview->Locked());
  EXPECT_EQ(Preview->Workspace()->PageList()->Count(), Preview->GetPageCount());
  std::remove(junk.c_str());
  std::remove(file.c_str());
  rmdir(tmpl);
}

TEST_F(RptPreviewFixture, RptPreviewMouseToolsZoomAndDrag) {
  TrptPreviewWorkspace* w = Preview->Workspace();
  int clicks = 0;
  Preview->OnClick = [&](TObject*) { ++clicks; };
  // The hand tool drags the view: moving the mouse up scrolls down by as much.
  Preview->SetTool(ptHand);
  w->MouseDown(mbLeft, TShiftState{ssLeft}, 200, 300);
  w->MouseMove(TShiftState{ssLeft}, 200, 260);
  EXPECT_EQ(w->VertPosition(), 40);
  w->MouseUp(mbLeft, TShiftState{}, 200, 260);
  EXPECT_EQ(clicks, 1);
  // The zoom tool: left click zooms in, right click out, by a quarter.
  Preview->SetTool(ptZoom);
  w->MouseDown(mbLeft, TShiftState{ssLeft}, 200, 300);
  w->MouseUp(mbLeft, TShiftState{}, 200, 300);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), 1.25);
  w->MouseDown(mbRight, TShiftState{ssRight}, 200, 300);
  w->MouseUp(mbRight, TShiftState{}, 200, 300);
  EXPECT_DOUBLE_EQ(Preview->Zoom(), 1.0);
  EXPECT_EQ(w->Cursor(), 51);
}

TEST_F(RptPreviewFixture, RptPreviewPrintsWithoutDialogAndReturnsToPageOne) {
  char tmpl[] = "/tmp/orv-rptprv-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string out = std::string(tmpl) + "/preview.pdf";
  TrptPrinters* printers = rptGlobalPrinters();
  printers->SetPrinterIndex(printers->IndexOf("PDF file"));
  printers->GetPrinter()->FileName = out;
  Report->PrintOptions()->ShowDialog = false;
  Report->PrintOptions()->PageNumbers = "2-3";
  Preview->SetPageNo(3);
  Preview->Print();
  printers->GetPrinter()->FileName.clear();
  EXPECT_EQ(Preview->PageNo(), 1);
  FILE* p = popen(("pdfinfo '" + out + "' 2>/dev/null").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string info;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) info += buf;
  pclose(p);
  const size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + at + 6), 2);
  std::remove(out.c_str());
  rmdir(tmpl);
}
