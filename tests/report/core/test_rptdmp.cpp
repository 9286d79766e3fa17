// Dot-matrix objects: grid snapping, page paper and margins, the page's font style passed to the
// objects that follow its font, stored form in .rp3 files, differences and prepared pages.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>
#include <string>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdmp.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptregistry.h"
#include "report/core/rptxml.h"
#include "script/sc_iinterpreter.h"

namespace {

class DMPFixture : public ::testing::Test {
protected:
  void SetUp() override {
    rptInstallEngine();
    Report = std::make_unique<TrptReport>(nullptr);
    Report->EngineOptions()->SilentMode = true;
    Report->DotMatrixReport = true;
    Page = new TrptDMPPage(Report.get());
    Page->SetName("Page1");
    Band = new TrptMasterData(Report.get());
    Band->SetName("Band1");
    Band->SetParent(Page);
    Band->SetRowCount(1);
    Band->SetTop(17);
    Band->SetHeight(34);
  }
  void TearDown() override {
    Report.reset();
    if (!File.empty()) DeleteFile(File);
  }
  template <class T> T* Add(const std::string& Name) {
    auto* o = new T(Report.get());
    o->SetName(Name);
    o->SetParent(Band);
    return o;
  }
  // Saves the report to a .rp3 file and loads it into a fresh report.
  std::unique_ptr<TrptReport> RoundTrip() {
    File = GetTempFileName(GetTempPath(), "rdmp");
    Report->SaveToFile(File);
    auto other = std::make_unique<TrptReport>(nullptr);
    EXPECT_TRUE(other->LoadFromFile(File));
    EXPECT_EQ(other->Errors()->Count(), 0);
    return other;
  }
  std::string FileText() const {
    TFileStream f(File, fmOpenRead);
    std::string s(static_cast<size_t>(f.Size()), '\0');
    f.ReadBuffer(s.data(), static_cast<int64_t>(s.size()));
    return s;
  }
  std::unique_ptr<TrptReport> Report;
  TrptDMPPage* Page = nullptr;
  TrptMasterData* Band = nullptr;
  std::string File;
};

}  // namespace

TEST_F(DMPFixture, RptDMPObjectsSnapToTheCharacterGrid) {
  auto* text = Add<TrptDMPMemoView>("Text1");
  auto* line = Add<TrptDMPLineView>("Line1");
  auto* cmd = Add<TrptDMPCommand>("Cmd1");
  struct Case {
    const char* What;
    std::function<void(Extended)> Set;
    std::function<Extended()> Get;
    Extended In, Out;
  };
  const std::vector<Case> cases = {
      {"text left", [&](Extended v) { text->SetLeft(v); }, [&] { return text->Left(); }, 20, 19.2},
      {"text left at a half goes to even", [&](Extended v) { text->SetLeft(v); }, [&] { return text->Left(); }, 24, 19.2},
      {"text left past a half", [&](Extended v) { text->SetLeft(v); }, [&] { return text->Left(); }, 25, 28.8},
      {"text top", [&](Extended v) { text->SetTop(v); }, [&] { return text->Top(); }, 25, 17},
      {"text width", [&](Extended v) { text->SetWidth(v); }, [&] { return text->Width(); }, 30, 28.8},
      {"text height", [&](Extended v) { text->SetHeight(v); }, [&] { return text->Height(); }, 40, 34},
      {"line left", [&](Extended v) { line->SetLeft(v); }, [&] { return line->Left(); }, 10, 14.4},
      {"line left below zero", [&](Extended v) { line->SetLeft(v); }, [&] { return line->Left(); }, -10, -14.4},
      {"line top", [&](Extended v) { line->SetTop(v); }, [&] { return line->Top(); }, 20, 25.5},
      {"line width", [&](Extended v) { line->SetWidth(v); }, [&] { return line->Width(); }, 34, 38.4},
      {"command left", [&](Extended v) { cmd->SetLeft(v); }, [&] { return cmd->Left(); }, 14, 9.6},
      {"command top", [&](Extended v) { cmd->SetTop(v); }, [&] { return cmd->Top(); }, 9, 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    c.Set(c.In);
    EXPECT_NEAR(c.Get(), c.Out, 1e-9);
    // A stored position reads back as itself.
    c.Set(c.Get());
    EXPECT_NEAR(c.Get(), c.Out, 1e-9);
  }
  // Right-aligned text is cut toward zero, right-aligned lines rounded and moved half a cell back.
  text->Align = baRight;
  text->SetLeft(28);
  EXPECT_NEAR(text->Left(), 19.2, 1e-9);
  line->Align = baRight;
  line->SetLeft(10);
  EXPECT_NEAR(line->Left(), 4.8, 1e-9);
  line->Align = baWidth;
  line->SetWidth(34);
  EXPECT_NEAR(line->Width(), 28.8, 1e-9);
}

TEST_F(DMPFixture, RptDMPPagePaperAndMarginsFollowTheGrid) {
  const double P = 3.77953;
  Page->SetDefaults();
  EXPECT_EQ(Page->PaperSize(), 9);
  EXPECT_NEAR(Page->PaperWidth(), 82 * 9.6 / P, 1e-9);
  EXPECT_NEAR(Page->PaperHeight(), 66 * 17 / P, 1e-9);
  EXPECT_NEAR(Page->LeftMargin, 9.6 / P, 1e-9);
  EXPECT_NEAR(Page->RightMargin, 9.6 / P, 1e-9);
  EXPECT_NEAR(Page->TopMargin, 17 / P, 1e-9);
  EXPECT_NEAR(Page->BottomMargin, 17 / P, 1e-9);
  EXPECT_EQ(Page->Width(), 787);  // 82 columns of 9.6 pixels
  EXPECT_EQ(Page->Height(), 1122);
  // Setting a size rounds to whole columns and rows.
  Page->SetPaperWidth(100);
  EXPECT_NEAR(Page->PaperWidth(), 39 * 9.6 / P, 1e-9);
  Page->SetPaperHeight(100);
  EXPECT_NEAR(Page->PaperHeight(), 22 * 17 / P, 1e-9);
  Page->SetPaperSize(9);
  EXPECT_EQ(Page->PaperSize(), 9);
  EXPECT_NEAR(Page->PaperWidth(), 83 * 9.6 / P, 1e-9);
  EXPECT_NEAR(Page->PaperHeight(), 66 * 17 / P, 1e-9);
  // The page's font is the fixed-pitch screen font.
  EXPECT_EQ(Page->Font()->Name(), "Courier New");
  EXPECT_EQ(Page->Font()->Size(), 12);
}

TEST_F(DMPFixture, RptDMPPageStylePassesToObjectsThatFollowItsFont) {
  auto* follower = Add<TrptDMPMemoView>("Text1");
  auto* line = Add<TrptDMPLineView>("Line1");
  auto* own = Add<TrptDMPMemoView>("Text2");
  own->SetFontStyle(TrptDMPFontStyles{fsxCondensed});
  EXPECT_FALSE(own->ParentFont());
  EXPECT_TRUE(follower->ParentFont());
  Page->SetFontStyle(TrptDMPFontStyles{fsxBold, fsxWide});
  EXPECT_EQ(follower->FontStyle(), (TrptDMPFontStyles{fsxBold, fsxWide}));
  EXPECT_EQ(line->FontStyle(), (TrptDMPFontStyles{fsxBold, fsxWide}));
  EXPECT_EQ(own->FontStyle(), TrptDMPFontStyles{fsxCondensed});
  EXPECT_TRUE(follower->Font()->Style().Contains(fsBold));
  EXPECT_TRUE(follower->ParentFont());
  EXPECT_FALSE(own->Font()->Style().Contains(fsBold));
  EXPECT_EQ(own->Font()->Name(), "Courier New");
  // Italic and underline reach the screen font; the character-printer styles do not.
  own->SetFontStyle(TrptDMPFontStyles{fsxItalic, fsxUnderline, fsx15cpi});
  EXPECT_EQ(own->Font()->Style(), (TFontStyles{fsItalic, fsUnderline}));
  EXPECT_EQ(own->CharSpacing, 0);
  EXPECT_EQ(own->GapX, 0);
  EXPECT_EQ(own->LineSpacing, 1);
  // Turning ParentFont back on takes the page's style again.
  own->SetParentFont(true);
  EXPECT_EQ(own->FontStyle(), (TrptDMPFontStyles{fsxBold, fsxWide}));
}

TEST_F(DMPFixture, RptDMPObjectsRoundTripThroughAnRp3File) {
  Page->SetDefaults();
  Page->SetFontStyle(TrptDMPFontStyles{fsxBold});
  auto* follower = Add<TrptDMPMemoView>("Text1");
  follower->SetBounds(19.2, 0, 96, 17);
  follower->SetText("Customer");
  auto* own = Add<TrptDMPMemoView>("Text2");
  own->SetBounds(124.8, 17, 48, 17);
  own->SetFontStyle(TrptDMPFontStyles{fsxCondensed, fsx12cpi});
  auto* line = Add<TrptDMPLineView>("Line1");
  line->SetBounds(4.8, 8.5, 96, 0);
  line->SetFontStyle(TrptDMPFontStyles{fsxItalic});
  auto* cmd = Add<TrptDMPCommand>("Cmd1");
  cmd->Command = std::string("\x1b@\x1b" "E", 4);
  auto other = RoundTrip();
  std::string text = FileText();
  // An object that follows the page's font does not store a style of its own.
  size_t at = text.find("Name=\"Text1\"");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.substr(at, text.find('>', at) - at).find("FontStyle"), std::string::npos);

  auto* page = dynamic_cast<TrptDMPPage*>(other->FindObject("Page1"));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->FontStyle(), TrptDMPFontStyles{fsxBold});
  EXPECT_NEAR(page->PaperWidth(), Page->PaperWidth(), 1e-6);
  auto* t1 = dynamic_cast<TrptDMPMemoView*>(other->FindObject("Text1"));
  auto* t2 = dynamic_cast<TrptDMPMemoView*>(other->FindObject("Text2"));
  auto* l1 = dynamic_cast<TrptDMPLineView*>(other->FindObject("Line1"));
  auto* c1 = dynamic_cast<TrptDMPCommand*>(other->FindObject("Cmd1"));
  ASSERT_TRUE(t1 && t2 && l1 && c1);
  EXPECT_EQ(t1->FontStyle(), TrptDMPFontStyles{fsxBold});
  EXPECT_TRUE(t1->ParentFont());
  EXPECT_NEAR(t1->Left(), 19.2, 1e-9);
  EXPECT_EQ(t1->Memo()->Get(0), "Customer");
  EXPECT_EQ(t2->FontStyle(), (TrptDMPFontStyles{fsxCondensed, fsx12cpi}));
  EXPECT_FALSE(t2->ParentFont());
  EXPECT_NEAR(t2->Left(), 124.8, 1e-9);
  EXPECT_NEAR(t2->Top(), 17, 1e-9);
  EXPECT_EQ(l1->FontStyle(), TrptDMPFontStyles{fsxItalic});
  EXPECT_NEAR(l1->Left(), 4.8, 1e-9);
  EXPECT_NEAR(l1->Top(), 8.5, 1e-9);
  EXPECT_EQ(c1->Command, cmd->Command);
}

TEST_F(DMPFixture, RptDMPDifferencesCarryStyleAndCommand) {
  auto* text = Add<TrptDMPMemoView>("Text1");
  auto* ref = new TrptDMPMemoView(nullptr);
  text->SetFontStyle(TrptDMPFontStyles{fsxBold, fsxCondensed});
  std::string d = text->Diff(ref);
  EXPECT_NE(d.find(" FontStyle=\"33\""), std::string::npos) << d;
  EXPECT_EQ(ref->Diff(ref).find("FontStyle"), std::string::npos);
  auto* cmd = Add<TrptDMPCommand>("Cmd1");
  TrptDMPCommand cref(nullptr);
  cmd->Command = std::string("\x1b@", 2);
  EXPECT_NE(cmd->Diff(&cref).find(" Command=\"" + rptEscapeAttr(std::string("\x1b@", 2)) + "\""), std::string::npos);
  cmd->Command = "a\"b";
  EXPECT_NE(cmd->Diff(&cref).find(" Command=\"a&#34;b\""), std::string::npos);
  EXPECT_EQ(cref.Diff(&cref).find("Command"), std::string::npos);
  delete ref;
  EXPECT_EQ(text->GetKindCaption(), "Dot-matrix Text object");
  EXPECT_EQ(cmd->GetKindCaption(), "Dot-matrix Command object");
}

TEST_F(DMPFixture, RptDMPPreparedPagesCarryStyleAndCommandForTextOutput) {
  Page->SetDefaults();
  Page->SetFontStyle(TrptDMPFontStyles{fsxWide});
  auto* own = Add<TrptDMPMemoView>("Text1");
  own->SetBounds(0, 0, 96, 17);
  own->SetText("Total");
  own->SetFontStyle(TrptDMPFontStyles{fsxBold, fsx15cpi});
  auto* cmd = Add<TrptDMPCommand>("Cmd1");
  cmd->Command = std::string("\x1b" "E", 2);
  ASSERT_TRUE(Report->PrepareReport());
  TMemoryStream s;
  Report->PreviewPages()->SaveToStream(&s);
  std::string pp(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
  EXPECT_NE(pp.find("FontStyle=\"64\""), std::string::npos) << "the page's style";
  size_t at = pp.find("<TrptDMPMemoView");
  ASSERT_NE(at, std::string::npos) << pp;
  std::string el = pp.substr(at, pp.find('>', at) - at);
  EXPECT_NE(el.find("FontStyle=\"257\""), std::string::npos) << el;
  at = pp.find("<TrptDMPCommand");
  ASSERT_NE(at, std::string::npos);
  el = pp.substr(at, pp.find('>', at) - at);
  EXPECT_NE(el.find("Command=\"\x1b" "E\""), std::string::npos) << el;
}

TEST(RptDMPRegistration, PaletteEntriesAndScriptNames) {
  TrptReport report(nullptr);  // starts the report library
  int found = 0;
  for (int i = 0; i < rptObjectRegistry().Count(); ++i) {
    const TrptObjectItem& it = rptObjectRegistry().GetItems(i);
    if (it.ClassRef == TrptDMPMemoView::StaticClass()) { EXPECT_EQ(it.ButtonImageIndex, 2); ++found; }
    if (it.ClassRef == TrptDMPLineView::StaticClass()) { EXPECT_EQ(it.ButtonImageIndex, 5); ++found; }
    if (it.ClassRef == TrptDMPCommand::StaticClass()) { EXPECT_EQ(it.ButtonImageIndex, 53); ++found; }
  }
  EXPECT_EQ(found, 3);
  EXPECT_NE(GetClass("TrptDMPPage"), nullptr);
  EXPECT_NE(GetClass("TrptDMPCommand"), nullptr);
  for (const char* name : {"TrptDMPMemoView", "TrptDMPLineView", "TrptDMPPage", "TrptDMPFontStyles"})
    EXPECT_NE(scGlobalScript()->Find(name), nullptr) << name;
  ASSERT_TRUE(report.CompileReportScript());
  EXPECT_DOUBLE_EQ(report.Calc("rp1CharX").AsFloat(), 9.6);
  EXPECT_EQ(report.Calc("fsx15cpi").AsInteger(), 256);  // set members are their bits
}

TEST_F(DMPFixture, RptDMPTextFrameRunsHalfACellOutsideAndSizesStayOnTheGrid) {
  auto* text = Add<TrptDMPMemoView>("Text1");
  text->SetText("x");
  text->SetBounds(96, 34, 96, 34);  // band top 17: absolute top 51
  text->Frame()->Typ = TrptFrameTypes{ftLeft, ftTop};
  text->Color = clNone;
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(300, 200);
  bmp->Canvas()->Brush()->SetColor(clWhite);
  bmp->Canvas()->FillRect(RECT{0, 0, 300, 200});
  text->Draw(bmp->Canvas(), 1, 1, 0, 0);
  // Left edge at 96 - 4.8 (rounds to 91), top edge at 51 - 8.5 (rounds to 42, halves to even).
  EXPECT_EQ(bmp->Canvas()->Pixels(91, 60), RGB(0, 0, 0));
  EXPECT_EQ(bmp->Canvas()->Pixels(120, 42), RGB(0, 0, 0));
  EXPECT_NE(bmp->Canvas()->Pixels(96, 80), RGB(0, 0, 0));
  // The measured sizes are whole cells.
  const Extended w = text->CalcWidth(), h = text->CalcHeight();
  EXPECT_GT(w, 0);
  EXPECT_NEAR(w / 9.6, std::nearbyint(w / 9.6), 1e-9);
  EXPECT_GT(h, 0);
  EXPECT_NEAR(h / 17, std::nearbyint(h / 17), 1e-9);
}
