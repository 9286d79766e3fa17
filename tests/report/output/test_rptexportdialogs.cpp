// The export filters' option dialogs, driven through their controls headless: what they show,
// what they refuse, and that an export through the dialogs writes what the direct export writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "platform/rtl/strings.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/pngsnap.h"
#include "platform/win/winuser.h"
#include "report/core/rptres.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexporthtml.h"
#include "report/output/rptexportimage.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexporttxt.h"
#include "report/output/rptexportxls.h"
#include "report/output/rptuicontrols.h"
#include "threepagereport.h"

namespace fs = std::filesystem;

namespace {

void ExpDlgKey(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

// Runs F from a timer once the modal loop that is about to start gets to it.
void ExpDlgLater(std::function<void()> F) {
  auto* t = new TTimer(Application());
  t->SetInterval(1);
  t->SetOnTimer([t, F](TObject*) {
    t->SetEnabled(false);
    F();
  });
}

std::string ExpDlgRead(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Types a file name into the save dialog that is showing and accepts it.
void ExpDlgTypeSaveName(const std::string& Name) {
  InjectKey(VK_CONTROL, true);
  ExpDlgKey('A');
  InjectKey(VK_CONTROL, false);
  InjectText(Name);
  ExpDlgKey(VK_RETURN);
}

// Compares a dialog's look with its golden image (written anew with ORVANTA_UPDATE_GOLDEN).
void ExpDlgLooksLike(TForm* Form, const std::string& Name) {
  Form->Show();
  Application()->ProcessMessages();
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  const char* src = std::getenv("ORVANTA_SOURCE_DIR");
  const std::string golden = std::string(src ? src : ".") + "/tests/report/output/golden/" + Name;
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
    fs::create_directories(fs::path(golden).parent_path());
    SaveBitmapToPng(shot, golden);
  }
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20) << Name;
  DeleteObject(want);
  DeleteObject(shot);
  Form->Hide();
}

class RptExportDialogs : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    char tmpl[] = "/tmp/rptexpdlgXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    Report = ThreePageReport();
    ASSERT_TRUE(Report->PrepareReport());
  }
  void TearDown() override {
    Report.reset();
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
  std::string Dir;
  std::unique_ptr<TrptReport> Report;
};

}  // namespace

TEST_F(RptExportDialogs, CaptionsAndOptionsFromTheTextTable) {
  const struct {
    std::function<TrptExportDialog*()> Make;
    int Caption;
    size_t Options;
    int FirstOption;
  } cases[] = {
      {[] { return new TrptPDFExportDialog(nullptr); }, 8700, 6, 8701},
      {[] { return new TrptXLSExportDialog(nullptr); }, 8000, 9, 8001},
      {[] { return new TrptXMLExportDialog(nullptr); }, 8100, 5, 8101},
      {[] { return new TrptHTMLExportDialog(nullptr); }, 8200, 9, 8201},
      {[] { return new TrptRTFExportDialog(nullptr); }, 8500, 4, 8501},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TrptExportDialog> d(c.Make());
    SCOPED_TRACE(d->ClassName());
    EXPECT_EQ(d->Caption(), rptTextById(c.Caption));
    ASSERT_EQ(d->Options.size(), c.Options);
    EXPECT_EQ(d->Options[0]->Caption(), rptTextById(c.FirstOption));
    EXPECT_TRUE(d->AllRB->Checked());
    EXPECT_EQ(d->OkB->Caption(), rptTextById(1));
    // Typing a page list chooses "Pages:".
    d->PageNumbersE->SetText("2");
    EXPECT_TRUE(d->PageNumbersRB->Checked());
  }
}

TEST_F(RptExportDialogs, PageListsAndNumbersAreCheckedBeforeOk) {
  TrptIMGExportDialog d(nullptr);
  const struct {
    bool PageList;
    const char* Pages;
    const char* Quality;
    bool QualityOn;
    const char* Resolution;
    bool Valid;
  } cases[] = {{false, "x", "90", true, "96", true},   {true, "1,3-5", "90", true, "96", true},
               {true, "", "90", true, "96", false},    {true, "1;2", "90", true, "96", false},
               {false, "", "0", true, "96", false},    {false, "", "101", true, "96", false},
               {false, "", "abc", false, "96", true},  {false, "", "90", true, "0", false},
               {false, "", "90", true, "3000", false}, {false, "", "90", true, " 300 ", true}};
  for (const auto& c : cases) {
    d.PageNumbersE->SetText(c.Pages);
    if (c.PageList) d.PageNumbersRB->SetChecked(true);
    else d.AllRB->SetChecked(true);
    d.Quality->SetText(c.Quality);
    d.Quality->SetEnabled(c.QualityOn);
    d.Resolution->SetText(c.Resolution);
    std::string error;
    EXPECT_EQ(d.Validate(error), c.Valid) << c.Pages << " " << c.Quality << " " << c.Resolution;
    EXPECT_EQ(error.empty(), c.Valid);
  }
  TrptTXTExportDialog t(nullptr);
  EXPECT_EQ(t.E_ScaleX->Text(), "100");
  const struct {
    const char* ScaleX;
    const char* Range;
    bool Valid;
  } txt[] = {{"100", "", true}, {"500", "1-2", true}, {"5", "", false}, {"510", "", false}, {"1o0", "", false},
             {"100", "a", false}};
  for (const auto& c : txt) {
    t.E_ScaleX->SetText(c.ScaleX);
    t.E_Range->SetText(c.Range);
    std::string error;
    EXPECT_EQ(t.Validate(error), c.Valid) << c.ScaleX << " " << c.Range;
  }
}

TEST_F(RptExportDialogs, TextDialogGraphicFramesOnlyWithTheOemCodePage) {
  TrptTXTExportDialog d(nullptr);
  d.CB_OEM->SetChecked(true);
  d.CB_OEMClick();
  d.RB_Graph->SetChecked(true);
  EXPECT_TRUE(d.RB_Graph->Enabled());
  d.CB_OEM->SetChecked(false);
  d.CB_OEMClick();
  EXPECT_FALSE(d.RB_Graph->Enabled());
  EXPECT_TRUE(d.RB_Simple->Checked());
  EXPECT_FALSE(d.RB_Graph->Checked());
}

TEST_F(RptExportDialogs, TextPreviewFollowsTheFrameChoice) {
  // Framed rows, so that the frame choice shows.
  auto* memo = dynamic_cast<TrptMemoView*>(Report->FindObject("RowText"));
  ASSERT_NE(memo, nullptr);
  memo->Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  ASSERT_TRUE(Report->PrepareReport());
  TrptTXTExport owner(TrptCustomExportFilter::TUnregistered{});
  TrptTXTExportDialog d(nullptr);
  d.Report = Report.get();
  d.Export = &owner;
  d.SetPagesCount(Report->PreviewPages()->PageCount());
  d.RB_Simple->SetChecked(true);
  const int narrow = d.ClientWidth();
  d.BtnPreview->SetDown(true);
  d.BtnPreviewClick();
  ASSERT_TRUE(d.PreviewShown());
  EXPECT_EQ(d.ClientWidth(), 631);
  EXPECT_TRUE(d.Panel2->Visible());
  const std::string framed = d.Preview->Text();
  EXPECT_NE(framed.find("Row 1"), std::string::npos) << framed;
  EXPECT_EQ(framed.find("Row 4"), std::string::npos) << framed;  // page 1 only
  EXPECT_NE(framed.find("+-"), std::string::npos) << framed;
  const std::string framedHeight = d.PgHeight->Caption();
  EXPECT_NE(d.PgWidth->Caption(), "0");
  // "None": the same rows without frame characters, and fewer lines.
  d.RB_NoneFrames->SetChecked(true);
  d.RefreshPreview();
  const std::string plain = d.Preview->Text();
  EXPECT_NE(plain.find("Row 1"), std::string::npos) << plain;
  EXPECT_EQ(plain.find("+-"), std::string::npos) << plain;
  EXPECT_EQ(plain.find('|'), std::string::npos) << plain;
  EXPECT_NE(d.PgHeight->Caption(), framedHeight);
  // Page 2 shows rows 4 to 6.
  d.EPage->SetText("2");
  d.RefreshPreview();
  EXPECT_NE(d.Preview->Text().find("Row 4"), std::string::npos);
  d.BtnPreview->SetDown(false);
  d.BtnPreviewClick();
  EXPECT_EQ(d.ClientWidth(), narrow);
  EXPECT_FALSE(d.Panel2->Visible());
}

TEST_F(RptExportDialogs, TextExportThroughTheDialogWritesWhatTheDirectExportWrites) {
  // Directly, with the options set on the filter.
  TrptTXTExport direct(TrptCustomExportFilter::TUnregistered{});
  direct.ShowDialog = false;
  direct.Borders = true;
  direct.LeadSpaces = true;
  direct.ScaleWidth = 1.5;
  direct.PageNumbers = "2";
  direct.FileName = Dir + "/direct.prn";
  ASSERT_TRUE(Report->PreviewPages()->Export(&direct));
  // Through the dialog: the same choices made with its controls, then the file named.
  TrptTXTExport viaDialog(TrptCustomExportFilter::TUnregistered{});
  viaDialog.DefaultPath = Dir;
  std::string shownCaption;
  ExpDlgLater([&] {
    auto* d = dynamic_cast<TrptTXTExportDialog*>(Screen()->ActiveForm());
    ASSERT_NE(d, nullptr);
    shownCaption = d->Caption();
    d->RB_Simple->SetChecked(true);
    d->CB_LeadSpaces->SetChecked(true);
    d->E_ScaleX->SetText("150");
    d->E_Range->SetText("2");
    ExpDlgLater([] { ExpDlgTypeSaveName("dialog"); });
    d->OkB->Click();
  });
  ASSERT_TRUE(Report->PreviewPages()->Export(&viaDialog));
  EXPECT_EQ(shownCaption, rptTextById(8300));
  EXPECT_EQ(viaDialog.FileName, Dir + "/dialog.prn");
  EXPECT_DOUBLE_EQ(viaDialog.ScaleWidth, 1.5);
  const std::string a = ExpDlgRead(Dir + "/direct.prn"), b = ExpDlgRead(Dir + "/dialog.prn");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a.find("Row 4"), std::string::npos) << a;
  EXPECT_EQ(a.find("Row 1"), std::string::npos) << a;
  EXPECT_EQ(a, b);
}

TEST_F(RptExportDialogs, HtmlExportThroughTheDialogWritesWhatTheDirectExportWrites) {
  TrptHTMLExport direct(TrptCustomExportFilter::TUnregistered{});
  direct.ShowDialog = false;
  direct.ShowProgress = false;
  direct.ExportStyles = false;
  direct.FixedWidth = false;
  direct.CurPage = false;
  direct.PageNumbers = "1,3";
  direct.FileName = Dir + "/same.html";
  ASSERT_TRUE(Report->PreviewPages()->Export(&direct));
  const std::string a = ExpDlgRead(Dir + "/same.html");
  fs::remove(Dir + "/same.html");
  TrptHTMLExport viaDialog(TrptCustomExportFilter::TUnregistered{});
  viaDialog.ShowProgress = false;
  viaDialog.DefaultPath = Dir;
  bool stylesShown = false;
  ExpDlgLater([&] {
    auto* d = dynamic_cast<TrptHTMLExportDialog*>(Screen()->ActiveForm());
    ASSERT_NE(d, nullptr);
    stylesShown = d->StylesCB->Checked();
    d->StylesCB->SetChecked(false);
    d->FixedWidthCB->SetChecked(false);
    d->PageNumbersE->SetText("1,3");
    ExpDlgLater([] { ExpDlgTypeSaveName("same"); });
    d->OkB->Click();
  });
  ASSERT_TRUE(Report->PreviewPages()->Export(&viaDialog));
  EXPECT_TRUE(stylesShown);  // filled from the filter
  EXPECT_FALSE(viaDialog.ExportStyles);
  EXPECT_EQ(viaDialog.PageNumbers, "1,3");
  const std::string b = ExpDlgRead(Dir + "/same.html");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a.find("Row 7"), std::string::npos);
  EXPECT_EQ(a.find("Row 4"), std::string::npos);
  EXPECT_EQ(a, b);
}

TEST_F(RptExportDialogs, CancelInTheOptionsDialogExportsNothing) {
  TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
  pdf.FileName = Dir + "/never.pdf";
  bool outlineEnabled = true;
  ExpDlgLater([&] {
    auto* d = dynamic_cast<TrptPDFExportDialog*>(Screen()->ActiveForm());
    ASSERT_NE(d, nullptr);
    outlineEnabled = d->OutlineCB->Enabled();
    ExpDlgKey(VK_ESCAPE);
  });
  EXPECT_FALSE(Report->PreviewPages()->Export(&pdf));
  EXPECT_FALSE(outlineEnabled);  // the preview shows no outline
  EXPECT_FALSE(fs::exists(Dir + "/never.pdf"));
}

TEST_F(RptExportDialogs, ImageDialogSetsTheFilter) {
  TrptJPEGExport jpg(TrptCustomExportFilter::TUnregistered{});
  jpg.DefaultPath = Dir;
  ExpDlgLater([&] {
    auto* d = dynamic_cast<TrptIMGExportDialog*>(Screen()->ActiveForm());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Quality->Text(), "90");
    EXPECT_TRUE(d->Quality->Enabled());
    EXPECT_TRUE(d->SeparateCB->Checked());
    d->Quality->SetText("55");
    d->Resolution->SetText("48");
    d->SeparateCB->SetChecked(false);
    d->PageNumbersE->SetText("1-2");
    ExpDlgLater([] { ExpDlgTypeSaveName("pages"); });
    d->OkB->Click();
  });
  ASSERT_TRUE(Report->PreviewPages()->Export(&jpg));
  EXPECT_EQ(jpg.JPEGQuality, 55);
  EXPECT_EQ(jpg.Resolution, 48);
  EXPECT_FALSE(jpg.SeparateFiles);
  EXPECT_EQ(jpg.PageNumbers, "1-2");
  EXPECT_TRUE(fs::exists(Dir + "/pages.jpg"));
}

TEST_F(RptExportDialogs, DialogsLookAsBefore) {
  TrptXLSExportDialog xls(nullptr);
  ExpDlgLooksLike(&xls, "export_xls.png");
  TrptIMGExportDialog img(nullptr);
  img.Quality->SetText("90");
  img.Resolution->SetText("96");
  ExpDlgLooksLike(&img, "export_img.png");
  TrptTXTExportDialog txt(nullptr);
  ExpDlgLooksLike(&txt, "export_txt.png");
}

TEST(RptFlatComboBoxTest, FlatFrameAndButtonLookAsBefore) {
  ResetInputState();
  TForm host(nullptr);
  host.SetBounds(0, 0, 240, 110);
  host.SetColor(clBtnFace);
  auto* normal = new TrptComboBox(&host);
  normal->SetParent(&host);
  normal->SetBounds(10, 10, 120, 21);
  normal->Items()->Add("100%");
  normal->SetItemIndex(0);
  auto* disabled = new TrptComboBox(&host);
  disabled->SetParent(&host);
  disabled->SetBounds(10, 40, 120, 21);
  disabled->SetEnabled(false);
  ExpDlgLooksLike(&host, "flat_combo.png");
  // Under the mouse the box is active: its button is raised, so the look changes.
  EXPECT_FALSE(normal->Active());
  normal->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(normal->Active());
  normal->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(normal->Active());
}

TEST(RptFlatComboBoxTest, FontSampleWindowBesideTheBox) {
  TForm host(nullptr);
  host.SetBounds(20, 20, 300, 120);
  auto* box = new TrptFontComboBox(&host);
  box->SetParent(&host);
  box->SetBounds(10, 10, 150, 21);
  box->RefreshFonts();
  ASSERT_GT(box->Items()->Count(), 0);
  box->SetItemIndex(0);
  host.Show();
  box->PlacePreview();
  TrptFontPreview* p = box->Preview();
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->Visible());
  EXPECT_EQ(p->Width(), 200);
  EXPECT_EQ(p->Height(), 50);
  const POINT corner = box->ClientToScreen(POINT{box->Width(), box->Height()});
  EXPECT_EQ(p->Left(), corner.x);
  EXPECT_EQ(p->Top(), corner.y);
  EXPECT_EQ(p->Panel->Caption(), box->Items()->Strings(0));
  EXPECT_EQ(p->Panel->Font()->Name(), box->Items()->Strings(0));
  // Near the screen's right edge the sample goes left of the box.
  host.SetLeft(GetSystemMetrics(SM_CXSCREEN) - host.Width());
  box->PlacePreview();
  EXPECT_EQ(p->Left() + p->Width() + 1, box->ClientToScreen(POINT{0, 0}).x);
  p->Hide();
}

TEST(RptPrnInitTest, TypesCommandsSettingsFilesAndCopies) {
  char tmpl[] = "/tmp/rptprninitXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  TrptTXTExport txt(TrptCustomExportFilter::TUnregistered{});
  {
    TrptPrnInit d(nullptr, &txt);
    EXPECT_EQ(d.Caption(), rptTextById(8400));
    EXPECT_EQ(d.E1->Text(), "1");
    EXPECT_EQ(d.ComboBox1->Items()->Count(), static_cast<int>(txt.PrinterTypes.size()));
    EXPECT_EQ(d.CheckListBox1->Items()->Count(), 0);  // "NONE" has no commands
    // Another type lists its commands; checking one sets its flag in the export.
    d.ComboBox1->SetItemIndex(2);
    d.ComboBox1Change();
    EXPECT_EQ(txt.SelectedType, 2);
    ASSERT_EQ(d.CheckListBox1->Items()->Count(), static_cast<int>(txt.PrinterTypes[2].Commands.size()));
    EXPECT_EQ(d.CheckListBox1->Items()->Strings(0), "Reset");
    d.CheckListBox1->SetChecked(1, true);
    d.CheckListBox1ClickCheck();
    EXPECT_TRUE(txt.PrinterTypes[2].Commands[1].Trigger);
    // Saved, changed, loaded back.
    d.SaveSettings(dir + "/hp.fpi");
    txt.PrinterTypes[2].Commands[1].Trigger = false;
    d.ComboBox1->SetItemIndex(0);
    d.ComboBox1Change();
    d.LoadSettings(dir + "/hp.fpi");
    EXPECT_EQ(d.ComboBox1->ItemIndex(), 2);
    EXPECT_TRUE(d.CheckListBox1->Checked(1));
    // A file with fewer lines than commands leaves the others as they are.
    {
      std::ofstream f(dir + "/short.fpi");
      f << "2\r\nTrue\r\n";
    }
    d.LoadSettings(dir + "/short.fpi");
    EXPECT_TRUE(txt.PrinterTypes[2].Commands[0].Trigger);
    EXPECT_TRUE(txt.PrinterTypes[2].Commands[1].Trigger);
    const struct {
      const char* Copies;
      bool Valid;
    } cases[] = {{"1", true}, {"9999", true}, {"0", false}, {"x", false}, {"", false}};
    for (const auto& c : cases) {
      d.E1->SetText(c.Copies);
      std::string error;
      EXPECT_EQ(d.Validate(error), c.Valid) << c.Copies;
    }
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

namespace {

struct FontBoxDropCase {
  const char* Name;
  bool NearBottom;
  int ListWidth;
};

// Colour of pixel (X, Y) of a bitmap as 0x00BBGGRR.
COLORREF FontBoxPixel(TBitmap& Bmp, int X, int Y) { return Bmp.Canvas()->Pixels(X, Y) & 0x00FFFFFF; }

bool FontBoxRowHas(TBitmap& Bmp, int X0, int X1, int Y0, int Y1, COLORREF Want) {
  for (int y = Y0; y < Y1; ++y)
    for (int x = X0; x < X1; ++x)
      if (FontBoxPixel(Bmp, x, y) == Want) return true;
  return false;
}

}  // namespace

TEST(RptFlatComboBoxTest, ListOpensUpwardOnlyWithoutRoomBelow) {
  const FontBoxDropCase cases[] = {
      {"top, box width", false, 0},
      {"bottom, box width", true, 0},
      {"bottom, own list width", true, 230},
  };
  for (const FontBoxDropCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm host(nullptr);
    host.SetBounds(20, 20, 300, 120);
    auto* box = new TrptComboBox(&host);
    box->SetParent(&host);
    box->SetBounds(10, 10, 150, 21);
    box->SetListWidth(c.ListWidth);
    for (int i = 0; i < 12; ++i) box->Items()->Add("item " + IntToStr(i));
    if (c.NearBottom) host.SetTop(GetSystemMetrics(SM_CYSCREEN) - host.Height());
    host.Show();
    const RECT r = box->DropDownBounds(16);
    const POINT top = box->ClientToScreen(POINT{0, 0});
    EXPECT_EQ(box->DroppedUp(), c.NearBottom);
    EXPECT_EQ(r.right - r.left, c.ListWidth > 0 ? c.ListWidth : box->Width() - 1);
    EXPECT_EQ(r.bottom - r.top, 16 * 8 + 4);  // DropDownCount items
    if (c.NearBottom) {
      EXPECT_EQ(r.bottom, top.y);
      EXPECT_GE(r.top, 0);
    } else {
      EXPECT_EQ(r.top, top.y + box->Height() - 2);
    }
    host.Hide();
  }
  // An empty list still has one row.
  TForm host(nullptr);
  auto* empty = new TrptComboBox(&host);
  empty->SetParent(&host);
  const RECT r = empty->DropDownBounds(16);
  EXPECT_EQ(r.bottom - r.top, 20);
}

TEST(RptFlatComboBoxTest, FontSampleAboveTheBoxWhenTheListOpensUpward) {
  TForm host(nullptr);
  host.SetBounds(20, 20, 300, 120);
  auto* box = new TrptFontComboBox(&host);
  box->SetParent(&host);
  box->SetBounds(10, 10, 150, 21);
  box->RefreshFonts();
  ASSERT_GT(box->Items()->Count(), 0);
  host.SetTop(GetSystemMetrics(SM_CYSCREEN) - host.Height());
  host.Show();
  box->DropDownBounds(box->ItemHeight());
  ASSERT_TRUE(box->DroppedUp());
  TrptFontPreview* p = box->Preview();
  EXPECT_TRUE(p->Visible());
  EXPECT_EQ(p->Top() + p->Height(), box->ClientToScreen(POINT{0, 0}).y);
  EXPECT_EQ(p->Left(), box->ClientToScreen(POINT{box->Width(), 0}).x);
  p->Hide();
}

TEST(RptFlatComboBoxTest, FontItemsShowTheTrueTypeMarkAndTheRecentBlockLine) {
  TForm host(nullptr);
  auto* box = new TrptFontComboBox(&host);
  box->SetParent(&host);
  EXPECT_GE(box->ItemHeight(), 12);  // the mark's height + 1 at least
  box->Items()->AddObject("Outline Face", reinterpret_cast<TObject*>(intptr_t{TRUETYPE_FONTTYPE}));
  box->Items()->AddObject("Raster Face", reinterpret_cast<TObject*>(intptr_t{RASTER_FONTTYPE}));
  box->Items()->AddObject("Other Face", reinterpret_cast<TObject*>(intptr_t{TRUETYPE_FONTTYPE}));
  box->MRUCount = 0;  // item 0 is a recently used name
  TBitmap bmp;
  bmp.SetWidth(150);
  bmp.SetHeight(60);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->Font()->SetColor(clBlack);
  const COLORREF black = 0, shadow = ColorToRGB(clBtnShadow) & 0x00FFFFFF;
  const RECT rows[] = {{0, 0, 150, 20}, {0, 20, 150, 40}, {0, 40, 150, 60}};
  for (int i = 0; i < 3; ++i) box->DrawFontItem(c, i, rows[i], false);
  // The mark (black, in the first 15 pixels) only on TrueType items; no olive key shows.
  EXPECT_TRUE(FontBoxRowHas(bmp, 1, 16, 4, 16, black));
  EXPECT_FALSE(FontBoxRowHas(bmp, 1, 16, 22, 36, black));
  EXPECT_TRUE(FontBoxRowHas(bmp, 1, 16, 44, 56, black));
  EXPECT_FALSE(FontBoxRowHas(bmp, 0, 150, 0, 60, 0x00008080));
  // The block's line: 2 pixels up from the foot of item 0 and at the head of item 1, not item 2.
  EXPECT_EQ(FontBoxPixel(bmp, 100, 18), shadow);
  EXPECT_EQ(FontBoxPixel(bmp, 100, 20), shadow);
  EXPECT_NE(FontBoxPixel(bmp, 100, 40), shadow);
  // Without a recent block there is no line.
  box->MRUCount = -1;
  box->DrawFontItem(c, 0, rows[0], false);
  EXPECT_NE(FontBoxPixel(bmp, 100, 18), shadow);
}

TEST(RptPrnInitTest, PrinterListShowsThePrinterPictureBeforeEachName) {
  TrptTXTExport txt(TrptCustomExportFilter::TUnregistered{});
  TrptPrnInit d(nullptr, &txt);
  ASSERT_GT(d.CB1->Items()->Count(), 0);  // the file printer is always there
  ASSERT_TRUE(d.CB1->OnDrawItem);
  EXPECT_EQ(d.Image1->Picture()->Bitmap()->Width(), 18);
  EXPECT_EQ(d.Image1->Picture()->Bitmap()->Height(), 16);
  TBitmap bmp;
  bmp.SetWidth(170);
  bmp.SetHeight(18);
  bmp.Canvas()->Brush()->SetColor(clWhite);
  bmp.Canvas()->FillRect(RECT{0, 0, 170, 18});
  d.CB1->Canvas()->SetHandle(bmp.Canvas()->Handle());
  d.CB1->Canvas()->Brush()->SetColor(clWhite);
  d.CB1->Canvas()->Font()->SetColor(clBlack);
  d.CB1->OnDrawItem(d.CB1, 0, RECT{0, 0, 170, 18}, TOwnerDrawState{});
  d.CB1->Canvas()->SetHandle(nullptr);
  // The picture's lamp at left + 2, its olive background left out, the name from x 24 on.
  EXPECT_EQ(FontBoxPixel(bmp, 2 + 13, 9), ColorToRGB(clGreen));
  EXPECT_FALSE(FontBoxRowHas(bmp, 0, 170, 0, 18, ColorToRGB(clOlive)));
  EXPECT_FALSE(FontBoxRowHas(bmp, 0, 2, 0, 18, 0));
  bool inked = false;  // the name's text (smoothed, so any colour but the white ground)
  for (int y = 1; y < 18 && !inked; ++y)
    for (int x = 24; x < 170 && !inked; ++x) inked = FontBoxPixel(bmp, x, y) != 0x00FFFFFF;
  EXPECT_TRUE(inked);
}
