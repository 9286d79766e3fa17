// The preview window (status texts, zoom box, buttons), the progress window, the password and
// dialog-page forms, and the toolbar docks with their placement store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dock.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptdock.h"
#include "report/output/rptoutputhooks.h"
#include "report/output/rptpassword.h"
#include "report/output/rptpreview.h"
#include "report/output/rptpreviewform.h"
#include "report/output/rptprogress.h"
#include "report/output/rptuicontrols.h"

#include "tests/report/output/threepagereport.h"

namespace {

class RptPreviewFormFixture : public ::testing::Test {
protected:
  void SetUp() override {
    Report = ThreePageReport();
    ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
    Form = std::make_unique<TrptPreviewForm>(nullptr);
    Report->PreviewOptions()->Maximized = false;
    Report->SetPreview(Form->Preview);
  }
  void TearDown() override {
    Report->SetPreview(nullptr);
    Form.reset();
    Report.reset();
  }
  std::unique_ptr<TrptReport> Report;
  std::unique_ptr<TrptPreviewForm> Form;
};

}  // namespace

// With the preview option MDIChild the preview window is a document of the program's MDI form.
TEST_F(RptPreviewFormFixture, RptPreviewFormMdiChildOptionMakesADocument) {
  TCustomForm* saved = Application()->MainForm();
  auto main = std::make_unique<TForm>(nullptr);
  main->SetFormStyle(fsMDIForm);
  main->SetBounds(0, 0, 900, 700);
  Application()->SetMainForm(main.get());
  main->Show();
  Report->PreviewOptions()->MDIChild = true;
  Form->ApplyPreviewOptions();
  EXPECT_EQ(Form->FormStyle(), fsMDIChild);
  Form->Show();
  Application()->ProcessMessages();
  EXPECT_EQ(GetParent(Form->Handle()), main->ClientHandle());
  EXPECT_EQ(main->ActiveMDIChild(), Form.get());
  EXPECT_EQ(main->MDIChildCount(), 1);
  Report->SetPreview(nullptr);
  Form.reset();
  EXPECT_EQ(main->MDIChildCount(), 0);
  Application()->SetMainForm(saved);
  main.reset();
  Application()->ProcessMessages();
}

TEST_F(RptPreviewFormFixture, RptPreviewFormStatusTextsFollowThePage) {
  Form->ApplyPreviewOptions();
  EXPECT_EQ(Form->StatusBar->Panels(0).Text, "页 1 / 3");
  Form->NextB->Click();
  EXPECT_EQ(Form->StatusBar->Panels(0).Text, "页 2 / 3");
  EXPECT_EQ(Form->PageE->Text(), "2");
  Form->PageE->SetText("3");
  Form->PageEClick();
  EXPECT_EQ(Form->Preview->PageNo(), 3);
  Form->ShowStatusText("hovering");
  EXPECT_EQ(Form->StatusBar->Panels(1).Text, "hovering");
  EXPECT_TRUE(Form->PrintB->Enabled());
  EXPECT_EQ(Form->CancelB->Caption(), rptGet("clClose"));
  // While a report is prepared into the window: Cancel instead of Close, no page commands, and
  // the window refuses to close.
  Form->Preview->BeginProgress(Report.get(), 0, 0);
  EXPECT_EQ(Form->CancelB->Caption(), rptGet("clCancel"));
  EXPECT_FALSE(Form->PrintB->Enabled());
  EXPECT_FALSE(Form->CloseQuery());
  Form->ShowStatusText("Preparing page 1");
  Form->Preview->EndProgress(Report.get(), 0, 0);
  EXPECT_EQ(Form->CancelB->Caption(), rptGet("clClose"));
  EXPECT_EQ(Form->StatusBar->Panels(1).Text, "");
  EXPECT_TRUE(Form->CloseQuery());
  EXPECT_EQ(Form->Caption(), rptTextById(100));
}

TEST_F(RptPreviewFormFixture, RptPreviewFormZoomBox) {
  Form->ApplyPreviewOptions();
  Form->ZoomCB->SetText("150 %");
  Form->ZoomCBClick();
  EXPECT_DOUBLE_EQ(Form->Preview->Zoom(), 1.5);
  Form->UpdateZoom();
  EXPECT_EQ(Form->ZoomCB->Text(), "150%");
  // Text without digits is ignored.
  Form->ZoomCB->SetText(" % ");
  Form->ZoomCBClick();
  EXPECT_DOUBLE_EQ(Form->Preview->Zoom(), 1.5);
  // The last two entries choose the page width and whole page modes.
  Form->ZoomCB->SetItemIndex(7);
  Form->ZoomCBClick();
  EXPECT_EQ(Form->Preview->ZoomMode(), zmWholePage);
  Form->Zoom100B->Click();
  EXPECT_DOUBLE_EQ(Form->Preview->Zoom(), 1.0);
  EXPECT_EQ(Form->ZoomCB->Text(), "100%");
}

TEST_F(RptPreviewFormFixture, RptPreviewFormWithoutButtons) {
  Report->PreviewOptions()->Buttons = TrptPreviewButtons();
  Form->ApplyPreviewOptions();
  EXPECT_EQ(Form->Sep1, nullptr);
  EXPECT_EQ(Form->Sep2, nullptr);
  EXPECT_EQ(Form->Sep5, nullptr);
  EXPECT_EQ(Form->Sep6, nullptr);
  EXPECT_EQ(Form->Sep7, nullptr);
  EXPECT_FALSE(Form->PrintB->Visible());
  EXPECT_FALSE(Form->FirstB->Visible());
  EXPECT_TRUE(Form->CancelB->Visible());
  EXPECT_TRUE(Form->rpTBPanel1->Visible());
}

TEST(RptProgressTest, OpenTickAndCancel) {
  TrptProgress p(nullptr);
  p.Open(10, "Working", false, true);
  EXPECT_FALSE(p.ShowProgressBar());
  EXPECT_EQ(p.LMessage->Top(), 35);
  EXPECT_EQ(p.Message(), "Working");
  p.SetShowProgressBar(true);
  EXPECT_EQ(p.LMessage->Top(), 15);
  p.Tick();
  p.Tick();
  EXPECT_EQ(p.Position(), 2);
  p.CancelB->Click();
  EXPECT_TRUE(p.Terminated());
  EXPECT_FALSE(p.Visible());
  p.Open(5, "Again", true, false);
  EXPECT_FALSE(p.Terminated());
  EXPECT_EQ(p.Position(), 0);
  p.Hide();
}

// A progress window opened over a second form (the print window over the main window) hands the
// activation back to that form when it goes, hidden first or destroyed at once. Every form is
// owned by the main form, so left to the window manager the main form would come in front and
// take the clicks meant for the form the user was working in.
TEST(RptProgressTest, TheFormItDisabledIsActiveAgainWhenItGoes) {
  for (const bool hideFirst : {false, true}) {
    SCOPED_TRACE(hideFirst ? "hidden, then destroyed" : "destroyed");
    TForm mainForm(nullptr);
    mainForm.SetBounds(0, 0, 400, 300);
    Application()->SetMainForm(&mainForm);
    mainForm.Show();
    TForm work(nullptr);
    work.SetBounds(50, 50, 300, 200);
    work.Show();
    ASSERT_EQ(GetActiveWindow(), work.Handle());
    {
      auto progress = std::make_unique<TrptProgress>(nullptr);
      EXPECT_FALSE(work.Enabled());
      progress->Open(10, "Working", true, true);
      EXPECT_EQ(GetActiveWindow(), progress->Handle());
      if (hideFirst) progress->Hide();
    }
    EXPECT_TRUE(work.Enabled());
    EXPECT_EQ(GetActiveWindow(), work.Handle());
    // The form is in front: a click in it reaches it, not the main form beneath.
    POINT p{120, 120};
    EXPECT_EQ(GetAncestor(WindowFromPoint(p), GA_ROOT), work.Handle());
    work.Hide();
    mainForm.Hide();
    Application()->SetMainForm(nullptr);
  }
}

TEST(RptDialogFormTest, CloseBoxNeverClosesADialogPage) {
  TrptDialogForm f(nullptr);
  EXPECT_FALSE(f.CloseQuery());
  int moved = 0;
  f.OnModify = [&](TObject*) { ++moved; };
  f.Perform(WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(f.Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTTAB);
  TrptPasswordForm pw(nullptr);
  EXPECT_EQ(pw.PasswordE->PasswordChar(), '*');
}

TEST(RptScrollWinTest, PositionsStayInRange) {
  TForm host(nullptr);
  auto* w = new TrptScrollWin(&host);
  w->SetParent(&host);
  w->SetVRange(1000);
  w->SetVPageSize(300);
  w->SetVPos(-5);
  EXPECT_EQ(w->VertPosition(), 0);
  w->SetVPos(5000);
  EXPECT_EQ(w->VertPosition(), 700);
  w->SetHRange(100);
  w->SetHPageSize(300);
  w->SetHPos(50);
  EXPECT_EQ(w->HorzPosition(), 0);
  // Scroll messages step by the line and page sizes.
  w->SmallChange = 8;
  w->LargeChange = 300;
  w->SetVPos(100);
  w->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(w->VertPosition(), 108);
  w->Perform(WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(w->VertPosition(), 0);
  w->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(w->VertPosition(), 700);
}

TEST(RptDockTest, EmptyRowsCloseUpAndEmptyDocksShrink) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 600, 400);
  auto* dock = new TrptDock(&form);
  dock->SetName("TopDock");
  dock->SetParent(&form);
  dock->ArrangeToolbars();
  EXPECT_EQ(dock->Height(), 1);
  dock->SetHeight(3 * 26 + 1);
  auto* a = new TrptToolBar(&form);
  a->SetName("A");
  a->SetParent(dock);
  a->SetBounds(0, 0, 100, 26);
  auto* b = new TrptToolBar(&form);
  b->SetName("B");
  b->SetParent(dock);
  b->SetBounds(0, 52, 100, 26);
  dock->ArrangeToolbars();
  EXPECT_EQ(b->Top(), 26);  // the empty middle row is gone
  EXPECT_EQ(dock->Height(), 2 * 26 + 1);
  delete a;
  delete b;
  dock->ArrangeToolbars();
  EXPECT_EQ(dock->Height(), 1);
}

TEST(RptDockTest, DockSiteKeepsTheDraggedWidthAndShowsItsSizer) {
  TForm host(nullptr);
  host.SetBounds(0, 0, 600, 400);
  auto* site = new TrptDockSite(&host);
  site->SetParent(&host);
  ASSERT_EQ(site->Width(), 10);
  EXPECT_FALSE(site->Sizer()->Visible());
  auto* a = new TForm(&host);
  a->SetBounds(0, 0, 180, 120);
  auto* b = new TForm(&host);
  b->SetBounds(0, 0, 140, 120);
  // Dragged over the narrow site, then dropped: the form keeps its width, the sizer shows.
  TDragDockObject dragA(a);
  bool accept = false;
  site->DockOver(&dragA, 2, 2, dsDragMove, accept);
  EXPECT_TRUE(accept);
  EXPECT_EQ(site->DraggedWidth(), 180);
  ASSERT_TRUE(a->ManualDock(site));
  EXPECT_EQ(a->Width(), 180);
  EXPECT_TRUE(site->Sizer()->Visible());
  TDragDockObject dragB(b);
  site->DockOver(&dragB, 2, 2, dsDragMove, accept);
  ASSERT_TRUE(b->ManualDock(site));
  EXPECT_TRUE(site->Sizer()->Visible());
  // One form leaves and one remains: the sizer hides.
  ASSERT_TRUE(b->ManualDock(nullptr));
  EXPECT_FALSE(site->Sizer()->Visible());
}

TEST(RptDockTest, ToolbarPlacementRoundTrip) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 600, 400);
  auto* top = new TrptDock(&form);
  top->SetName("TopDock");
  top->SetParent(&form);
  auto* bottom = new TrptDock(&form);
  bottom->SetName("BottomDock");
  bottom->SetParent(&form);
  bottom->SetAlign(alBottom);
  auto* bar = new TrptToolBar(&form);
  bar->SetName("MainBar");
  auto* spacer = new TrptTBPanel(&form);
  spacer->SetParent(bar);
  spacer->SetWidth(40);
  bar->DockTo(top);
  EXPECT_EQ(bar->Parent(), top);
  EXPECT_EQ(bar->Width(), 8 + 40 + 4);  // grip + spacer + frame
  TMemIniFile ini("");
  rptWriteToolbarPlacement(&ini, bar);
  EXPECT_EQ(ini.ReadString("ToolBar.MainBar", "Dock", ""), "TopDock");
  EXPECT_FALSE(ini.ReadBool("ToolBar.MainBar", "Float", true));
  // A placement naming the other dock moves the toolbar there; an unknown dock leaves it.
  ini.WriteString("ToolBar.MainBar", "Dock", "BottomDock");
  rptReadToolbarPlacement(&ini, bar);
  EXPECT_EQ(bar->Parent(), bottom);
  ini.WriteString("ToolBar.MainBar", "Dock", "NoSuchDock");
  rptReadToolbarPlacement(&ini, bar);
  EXPECT_EQ(bar->Parent(), bottom);
  EXPECT_TRUE(bar->IsVisible());
  // Forms keep their bounds under "Form." + class name.
  TForm other(nullptr);
  other.SetBounds(10, 20, 300, 200);
  rptWriteFormPlacement(&ini, &other);
  EXPECT_EQ(ini.ReadInteger("Form.TForm", "Width", 0), 300);
  other.SetBounds(0, 0, 50, 50);
  rptReadFormPlacement(&ini, &other);
  EXPECT_EQ(other.Left(), 10);
  EXPECT_EQ(other.Height(), 200);
  other.Hide();
}

TEST(RptOutputHooksTest, ProgressWindowFollowsTheReport) {
  rptInstallReportOutput();
  TrptReport report(nullptr);
  ASSERT_TRUE(rptServices().OpenProgress && rptServices().ShowPreviewForm && rptServices().AskPassword);
  rptServices().OpenProgress(&report);
  rptServices().SetProgressText(&report, "Preparing page 1");
  EXPECT_FALSE(rptServices().ProgressCancelled(&report));
  rptServices().CloseProgress(&report);
  EXPECT_FALSE(rptServices().ProgressCancelled(&report));
  // Choosing an unknown printer keeps the current one.
  rptServices().SelectPrinter("no such printer");
  rptServices() = TrptReportServices();
  rptInstallEngine();
}

TEST(RptFontComboBoxTest, RecentlyUsedBlockKeepsFiveNewestFirst) {
  char tmpl[] = "/tmp/orv-rptfont-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const char* old = getenv("XDG_CONFIG_HOME");
  const std::string oldValue = old ? old : "";
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  {
    TForm host(nullptr);
    auto* box = new TrptFontComboBox(&host);
    box->SetParent(&host);
    box->SetMRURegKey("\\Software\\OrvantaTest\\MRUFont");
    box->RefreshFonts();
    ASSERT_GE(box->Items()->Count(), 6) << "too few fonts installed";
    EXPECT_EQ(box->MRUCount, -1);
    const int fonts = box->Items()->Count();
    // Choose six fonts from the list part, one after another.
    std::vector<std::string> chosen;
    for (int i = 0; i < 6; ++i) {
      const int index = box->MRUCount + 2 + i;  // below the block
      chosen.push_back(box->Items()->Strings(index));
      box->ChooseFont(index);
    }
    EXPECT_EQ(box->MRUCount, 4);
    EXPECT_EQ(box->Items()->Count(), fonts + 5);
    for (int n = 0; n < 5; ++n) EXPECT_EQ(box->Items()->Strings(n), chosen[5 - n]) << n;
    // A recent name moves to the top without growing the block.
    const std::string third = box->Items()->Strings(2);
    box->ChooseFont(2);
    EXPECT_EQ(box->Items()->Strings(0), third);
    EXPECT_EQ(box->MRUCount, 4);
    // A new box reads the block back from the settings.
    auto* again = new TrptFontComboBox(&host);
    again->SetParent(&host);
    again->SetMRURegKey("\\Software\\OrvantaTest\\MRUFont");
    again->RefreshFonts();
    EXPECT_EQ(again->MRUCount, 4);
    EXPECT_EQ(again->Items()->Strings(0), third);
    again->SetMRURegKey("");
    EXPECT_EQ(again->MRURegKey(), "\\Software\\Rede Vivedad\\MRUFont");
  }
  if (old)
    setenv("XDG_CONFIG_HOME", oldValue.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(tmpl);
}
