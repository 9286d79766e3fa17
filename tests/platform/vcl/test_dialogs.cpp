// Open, save and colour dialogs, driven by injected keys and clicks from a timer inside their
// modal loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/printers.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

namespace fs = std::filesystem;

void SelectAllAndType(const std::string& s) {
  InjectKey(VK_CONTROL, true);
  Key('A');
  InjectKey(VK_CONTROL, false);
  InjectText(s);
}

void Later(std::function<void()> f) {
  auto* t = new TTimer(Application());
  t->SetInterval(1);
  t->SetOnTimer([t, f](TObject*) {
    t->SetEnabled(false);
    f();
  });
}

class DialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Cwd = fs::current_path();
    Dir = fs::temp_directory_path() / ("orv_dlg_" + std::to_string(::getpid()));
    fs::create_directories(Dir / "sub");
    std::ofstream(Dir / "a.jpg") << "x";
    std::ofstream(Dir / "b.png") << "x";
  }
  void TearDown() override {
    fs::current_path(Cwd);
    fs::remove_all(Dir);
    DestroyAllThreadWindows();
  }
  fs::path Dir, Cwd;
};

}  // namespace

TEST_F(DialogTest, OpenDialogReturnsTheTypedFileAndRefusesMissingOnes) {
  TOpenDialog d(nullptr);
  d.SetInitialDir(Dir.string());
  d.SetFilter("JPEG files|*.jpg|All files|*.*");
  d.Options() += ofFileMustExist;
  Later([] {
    SelectAllAndType("a.jpg");
    Key(VK_RETURN);
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(d.FileName(), (Dir / "a.jpg").string());
  EXPECT_EQ(d.Files()->Count(), 1);
  // A missing file brings a warning box (answered with Enter); then the dialog is cancelled.
  bool warned = false;
  Later([&] {
    SelectAllAndType("missing.jpg");
    Key(VK_RETURN);
    Later([&] {
      warned = Screen()->ActiveForm() && Screen()->ActiveForm()->Caption() == "Open";
      Key(VK_RETURN);
      Later([] { Key(VK_ESCAPE); });
    });
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_TRUE(warned);
  EXPECT_EQ(d.FileName(), (Dir / "a.jpg").string());
}

TEST_F(DialogTest, SaveDialogAddsTheDefaultExtensionAndAsksBeforeReplacing) {
  TSaveDialog d(nullptr);
  d.SetInitialDir(Dir.string());
  d.SetDefaultExt("jpg");
  d.Options() += ofOverwritePrompt;
  Later([] {
    SelectAllAndType("new");
    Key(VK_RETURN);
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(d.FileName(), (Dir / "new.jpg").string());
  // "a" becomes a.jpg, which exists: the question is answered No, then Yes.
  Later([] {
    SelectAllAndType("a");
    Key(VK_RETURN);
    Later([] {
      Key(VK_TAB);  // to "No"
      Key(VK_SPACE);
      Later([] {
        Key(VK_RETURN);
        Later([] { Key(VK_RETURN); });  // Yes is the default button
      });
    });
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(d.FileName(), (Dir / "a.jpg").string());
  EXPECT_EQ(d.ResolveName("/x", "/abs/file"), "/abs/file.jpg");
  EXPECT_EQ(d.ResolveName("/x", "rel.png"), "/x/rel.png");
}

TEST_F(DialogTest, TypingAFolderNameOpensTheFolder) {
  TOpenDialog d(nullptr);
  d.SetInitialDir(Dir.string());
  std::ofstream(Dir / "sub" / "c.jpg") << "x";
  Later([] {
    SelectAllAndType("sub");
    Key(VK_RETURN);
    InjectText("c.jpg");
    Key(VK_RETURN);
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(d.FileName(), (Dir / "sub" / "c.jpg").string());
}

TEST_F(DialogTest, ColorDialogPicksTheClickedColour) {
  TColorDialog d(nullptr);
  Later([] {
    TCustomForm* f = Screen()->ActiveForm();
    ASSERT_TRUE(f);
    POINT p = f->ClientToScreen(POINT{8 + 24 * 1 + 10, 8 + 10});  // second cell: red 85
    InjectMouseButton(p.x, p.y, 0, true);
    InjectMouseButton(p.x, p.y, 0, false);
    Later([] { Key(VK_RETURN); });
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(d.Color(), static_cast<TColor>(RGB(85, 0, 0)));
  Later([] { Key(VK_ESCAPE); });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.Color(), static_cast<TColor>(RGB(85, 0, 0)));
}

namespace {

TTreeView* TreeOfActiveForm() {
  TCustomForm* f = Screen()->ActiveForm();
  if (!f) return nullptr;
  for (int i = 0; i < f->ControlCount(); ++i)
    if (auto* t = dynamic_cast<TTreeView*>(f->Controls(i))) return t;
  return nullptr;
}

std::vector<std::string> ChildTexts(TTreeNode* n) {
  std::vector<std::string> out;
  for (int i = 0; i < n->Count(); ++i) out.push_back(n->Item(i)->Text());
  return out;
}

}  // namespace

TEST_F(DialogTest, SelectDirectoryWalksTheFolderTreeWithKeys) {
  fs::create_directories(Dir / "sub" / "deep");
  fs::create_directories(Dir / ".hidden" / "inner");
  fs::create_directories(Dir / "Zed");
  struct Case {
    std::string start;              // relative to Dir; "" = the root
    std::vector<UINT> keys;         // typed before Enter
    std::string want;               // relative to Dir
  } cases[] = {
      {"", {}, ""},
      {"", {VK_DOWN}, "sub"},
      {"", {VK_DOWN, VK_DOWN}, "Zed"},
      {"sub", {VK_RIGHT, VK_DOWN}, "sub/deep"},
      {"sub/deep", {VK_UP, VK_UP}, ""},
      {"../", {VK_DOWN}, "sub"},  // outside the root: starts at the root
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start + " -> " + c.want);
    std::string d = c.start.empty() ? "" : (Dir / c.start).string();
    std::vector<std::string> rootChildren;
    std::string caption;
    Later([&] {
      if (TTreeView* t = TreeOfActiveForm()) {
        rootChildren = ChildTexts(t->Items()->GetFirstNode());
        caption = Screen()->ActiveForm()->Caption();
        char cls[32] = {};
        GetClassName(Screen()->ActiveForm()->Handle(), cls, 32);
        caption += std::string("/") + cls;
      }
      for (UINT k : c.keys) Key(k);
      Key(VK_RETURN);
    });
    ASSERT_TRUE(SelectDirectory("Pick a folder", Dir.string(), d));
    EXPECT_EQ(fs::path(d), c.want.empty() ? Dir : Dir / c.want);
    EXPECT_EQ(caption, "Pick a folder/#32770");
    EXPECT_EQ(rootChildren, (std::vector<std::string>{"sub", "Zed"}));
  }
}

TEST_F(DialogTest, SelectDirectoryCancelKeepsTheFolderAndRefusesAMissingRoot) {
  std::string d = (Dir / "sub").string();
  Later([] { Key(VK_DOWN); Key(VK_ESCAPE); });
  EXPECT_FALSE(SelectDirectory("", Dir.string(), d));
  EXPECT_EQ(d, (Dir / "sub").string());
  EXPECT_FALSE(SelectDirectory("", (Dir / "nope").string(), d));
  EXPECT_EQ(d, (Dir / "sub").string());
}

namespace {

template <class T>
T* Find(const char* name) {
  TCustomForm* f = Screen()->ActiveForm();
  return f ? dynamic_cast<T*>(f->FindComponent(name)) : nullptr;
}

void ClickOn(TControl* c) {
  ASSERT_TRUE(c);
  POINT p = c->ClientToScreen(POINT{6, 6});
  InjectMouseButton(p.x, p.y, 0, true);
  InjectMouseButton(p.x, p.y, 0, false);
}

}  // namespace

TEST_F(DialogTest, FontDialogTakesFamilySizeStylesAndKeepsTheColour) {
  std::vector<std::string> fams = TFontDialog::FontFamilies();
  auto arial = std::find(fams.begin(), fams.end(), "Arial");
  ASSERT_NE(arial, fams.end());
  ASSERT_NE(arial + 1, fams.end());
  EXPECT_TRUE(std::is_sorted(fams.begin(), fams.end(), [](auto& a, auto& b) { return CompareText(a, b) < 0; }));
  TFontDialog d(nullptr);
  d.Font()->SetName("Arial");
  d.Font()->SetSize(10);
  d.Font()->SetColor(clRed);
  d.Font()->SetStyle(TFontStyles{fsItalic});
  int shownIndex = -2;
  std::string shownColor;
  Later([&] {
    auto* list = Find<TListBox>("FamilyList");
    ASSERT_TRUE(list);
    shownIndex = list->ItemIndex();
    auto* combo = Find<TComboBox>("ColorCombo");
    shownColor = combo->Items()->Strings(combo->ItemIndex());
    ClickOn(Find<TCheckBox>("BoldCheck"));
    ClickOn(list);  // the click selects the first row; Home/Down make the choice explicit
    Key(VK_HOME);
    for (auto i = fams.begin(); i != arial + 1; ++i) Key(VK_DOWN);
    ClickOn(Find<TEdit>("SizeEdit"));
    SelectAllAndType("14");
    Key(VK_RETURN);
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(shownIndex, arial - fams.begin());
  EXPECT_EQ(shownColor, "Red");
  EXPECT_EQ(d.Font()->Name(), *(arial + 1));
  EXPECT_EQ(d.Font()->Size(), 14);
  EXPECT_EQ(d.Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(d.Font()->Color(), clRed);
}

TEST_F(DialogTest, FontDialogRefusesBadSizesAndCancelRestoresTheFont) {
  struct Case {
    std::string typed;
    bool limit;
  } cases[] = {{"abc", false}, {"0", false}, {"99999", false}, {"14", true}, {"6", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    TFontDialog d(nullptr);
    d.Font()->SetName("Arial");
    d.Font()->SetSize(10);
    if (c.limit) {
      d.Options() += fdLimitSize;
      d.SetMinFontSize(8);
      d.SetMaxFontSize(12);
    }
    bool warned = false;
    Later([&] {
      TCustomForm* dlg = Screen()->ActiveForm();
      ClickOn(Find<TEdit>("SizeEdit"));
      SelectAllAndType(c.typed);
      Key(VK_RETURN);
      Later([&, dlg] {
        warned = Screen()->ActiveForm() && Screen()->ActiveForm() != dlg;
        Key(VK_RETURN);  // closes the warning
        Later([] { Key(VK_ESCAPE); });
      });
    });
    EXPECT_FALSE(d.Execute());
    EXPECT_TRUE(warned);
    EXPECT_EQ(d.Font()->Size(), 10);
  }
}

TEST_F(DialogTest, FontDialogApplyButtonReportsTheChoiceBeforeCancel) {
  TFontDialog d(nullptr);
  d.Font()->SetSize(10);
  int applied = 0;
  HWND applyWnd = nullptr;
  d.OnApply = [&](TObject*, HWND w) {
    applied = d.Font()->Size();
    applyWnd = w;
  };
  bool hadApply = true;
  Later([&] {
    hadApply = Find<TButton>("ApplyButton") != nullptr;
    Key(VK_ESCAPE);
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_FALSE(hadApply);  // no Apply button without fdApplyButton
  EXPECT_EQ(applied, 0);
  d.Options() += fdApplyButton;
  Later([] {
    ClickOn(Find<TEdit>("SizeEdit"));
    SelectAllAndType("20");
    ClickOn(Find<TButton>("ApplyButton"));
    Key(VK_ESCAPE);
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(applied, 20);
  EXPECT_NE(applyWnd, nullptr);
  EXPECT_EQ(d.Font()->Size(), 10);
}

TEST_F(DialogTest, FontDialogListsTheFamiliesOfTheKindsItsOptionsAsk) {
  // Made-up families of every kind, so each filter has something to drop.
  std::vector<TFontFamilyInfo> all = {
      {"Mono", true, true, true, false},      // fixed-pitch TrueType
      {"Sans", false, true, true, false},     // proportional TrueType
      {"Bitmap", true, false, false, false},  // a fixed-pitch bitmap screen font
      {"Outline", false, true, false, false}, // scalable, not TrueType
      {"Printer", false, false, false, true}, // resident in the printer
  };
  using V = std::vector<std::string>;
  struct TCase {
    const char* Name;
    TFontDialogOptions Options;
    TFontDialogDevice Device;
    V Want;
  } cases[] = {
      {"screen", {}, fdScreen, {"Mono", "Sans", "Bitmap", "Outline"}},
      {"printer", {}, fdPrinter, {"Mono", "Sans", "Outline", "Printer"}},
      {"both", {}, fdBoth, {"Mono", "Sans", "Bitmap", "Outline", "Printer"}},
      {"what you see is what you get", {fdWysiwyg}, fdBoth, {"Mono", "Sans", "Outline"}},
      {"TrueType only", {fdTrueTypeOnly}, fdBoth, {"Mono", "Sans"}},
      {"fixed pitch only", {fdFixedPitchOnly}, fdScreen, {"Mono", "Bitmap"}},
      {"scalable only", {fdScalableOnly}, fdScreen, {"Mono", "Sans", "Outline"}},
      {"fixed pitch scalable", {fdFixedPitchOnly, fdScalableOnly}, fdBoth, {"Mono"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFontDialog d(nullptr);
    d.Options() = c.Options;
    d.SetDevice(c.Device);
    EXPECT_EQ(d.OfferedFamilies(all), c.Want);
  }
}

TEST_F(DialogTest, FontDialogReadsFixedPitchFromTheInstalledFonts) {
  std::vector<TFontFamilyInfo> infos = TFontDialog::FontFamilyInfos();
  auto info = [&](const char* name) {
    auto it = std::find_if(infos.begin(), infos.end(), [&](auto& f) { return f.Name == name; });
    return it == infos.end() ? TFontFamilyInfo{} : *it;
  };
  ASSERT_EQ(info("Courier New").Name, "Courier New");
  EXPECT_TRUE(info("Courier New").FixedPitch);
  EXPECT_FALSE(info("Arial").FixedPitch);
  EXPECT_TRUE(info("Arial").Scalable);
  // The dialog with fdFixedPitchOnly lists the first and not the second.
  TFontDialog d(nullptr);
  d.Options() += fdFixedPitchOnly;
  std::vector<std::string> listed;
  Later([&] {
    auto* list = Find<TListBox>("FamilyList");
    ASSERT_TRUE(list);
    for (int i = 0; i < list->Items()->Count(); ++i) listed.push_back(list->Items()->Strings(i));
    Key(VK_ESCAPE);
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_NE(std::find(listed.begin(), listed.end(), "Courier New"), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), "Arial"), listed.end());
}

TEST_F(DialogTest, FontDialogKnowsTheKindsOfTheShippedFamilies) {
  // Every shipped family is a TrueType outline family; the pitch is the font file's.
  std::vector<TFontFamilyInfo> infos = TFontDialog::FontFamilyInfos();
  struct TCase {
    const char* Name;
    bool FixedPitch;
  } cases[] = {
      {"Courier New", true},      {"Terminal", true}, {"DejaVu Sans Mono", true}, {"Arial", false},
      {"Times New Roman", false}, {"Tahoma", false},  {"SimSun", false},          {"宋体", false}};
  TFontDialog d(nullptr);
  d.Options() = TFontDialogOptions{fdTrueTypeOnly, fdScalableOnly, fdFixedPitchOnly};
  std::vector<std::string> offered = d.OfferedFamilies(infos);
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.Name);
    auto it = std::find_if(infos.begin(), infos.end(),
                           [&](const TFontFamilyInfo& f) { return f.Name == k.Name; });
    ASSERT_NE(it, infos.end());
    EXPECT_EQ(it->FixedPitch, k.FixedPitch);
    EXPECT_TRUE(it->TrueType);
    EXPECT_TRUE(it->Scalable);
    EXPECT_FALSE(it->Device);
    EXPECT_EQ(std::find(offered.begin(), offered.end(), k.Name) != offered.end(), k.FixedPitch);
  }
}

TEST_F(DialogTest, FontDialogOffersSizesWithinItsLimits) {
  using V = std::vector<int>;
  struct TCase {
    bool Limit;
    int Min, Max;
    V Want;
  } cases[] = {
      {false, 8, 12, {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72}},  // limits off
      {true, 8, 12, {8, 9, 10, 11, 12}},
      {true, 30, 0, {36, 48, 72}},  // no upper limit
      {true, 0, 9, {8, 9}},         // no lower limit
      {true, 13, 13, {13}},         // no usual size fits: the limits themselves
      {true, 29, 35, {29, 35}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Limit << " " << c.Min << ".." << c.Max);
    TFontDialog d(nullptr);
    if (c.Limit) d.Options() += fdLimitSize;
    d.SetMinFontSize(c.Min);
    d.SetMaxFontSize(c.Max);
    EXPECT_EQ(d.OfferedSizes(), c.Want);
  }
  // The size list shows them, and choosing one from it is accepted.
  TFontDialog d(nullptr);
  d.Font()->SetSize(10);
  d.Options() += fdLimitSize;
  d.SetMinFontSize(10);
  d.SetMaxFontSize(16);
  std::vector<std::string> shown;
  int selected = -2;
  Later([&] {
    auto* list = Find<TListBox>("SizeList");
    ASSERT_TRUE(list);
    for (int i = 0; i < list->Items()->Count(); ++i) shown.push_back(list->Items()->Strings(i));
    selected = list->ItemIndex();
    ClickOn(list);  // the first row, 10
    Key(VK_END);    // 16
    Key(VK_RETURN);
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(shown, (std::vector<std::string>{"10", "11", "12", "14", "16"}));
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(d.Font()->Size(), 16);
}

TEST_F(DialogTest, PrintDialogChecksThePageRange) {
  struct Case {
    std::string from, to;
    bool accepted;
  } cases[] = {{"2", "5", true}, {"10", "10", true}, {"0", "5", false},
               {"3", "11", false}, {"6", "4", false}, {"x", "4", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from + ".." + c.to);
    TPrintDialog d(nullptr);
    d.Options() += poPageNums;
    d.SetMinPage(1);
    d.SetMaxPage(10);
    d.SetFromPage(1);
    d.SetToPage(1);
    bool warned = false;
    Later([&] {
      TCustomForm* dlg = Screen()->ActiveForm();
      ClickOn(Find<TEdit>("FromEdit"));
      SelectAllAndType(c.from);
      ClickOn(Find<TEdit>("ToEdit"));
      SelectAllAndType(c.to);
      Key(VK_RETURN);
      if (!c.accepted)
        Later([&, dlg] {
          warned = Screen()->ActiveForm() && Screen()->ActiveForm() != dlg;
          Key(VK_RETURN);
          Later([] { Key(VK_ESCAPE); });
        });
    });
    EXPECT_EQ(d.Execute(), c.accepted);
    EXPECT_EQ(warned, !c.accepted);
    EXPECT_EQ(d.PrintRange(), c.accepted ? prPageNums : prAllPages);
    EXPECT_EQ(d.FromPage(), c.accepted ? std::stoi(c.from) : 1);
    EXPECT_EQ(d.ToPage(), c.accepted ? std::stoi(c.to) : 1);
  }
}

TEST_F(DialogTest, PrintDialogTakesCopiesCollateAndPrintToFile) {
  // The PDF file printer comes first (CUPS queues, where a server runs, follow it).
  ASSERT_FALSE(TPrintDialog::Printers().empty());
  ASSERT_EQ(TPrintDialog::Printers().front(), "PDF file");
  TPrintDialog d(nullptr);
  d.Options() += poPrintToFile;
  bool pagesEnabled = true, selectionEnabled = true;
  Later([&] {
    pagesEnabled = Find<TRadioButton>("PagesRadio")->Enabled();
    selectionEnabled = Find<TRadioButton>("SelectionRadio")->Enabled();
    ClickOn(Find<TCheckBox>("CollateCheck"));
    ClickOn(Find<TCheckBox>("PrintToFileCheck"));
    ClickOn(Find<TEdit>("CopiesEdit"));
    SelectAllAndType("3");
    Key(VK_RETURN);
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_FALSE(pagesEnabled);
  EXPECT_FALSE(selectionEnabled);
  EXPECT_EQ(d.Copies(), 3);
  EXPECT_TRUE(d.Collate());
  EXPECT_TRUE(d.PrintToFile());
  EXPECT_EQ(d.PrintRange(), prAllPages);
  // OK made the printer shown (the current one) Printer()'s printer.
  EXPECT_EQ(d.PrinterName(), TPrintDialog::Printers()[static_cast<size_t>(Printer()->PrinterIndex())]);
  EXPECT_EQ(d.PrinterIndex(), Printer()->PrinterIndex());
  // Zero copies are refused; Cancel keeps the earlier answers.
  Later([] {
    ClickOn(Find<TEdit>("CopiesEdit"));
    SelectAllAndType("0");
    Key(VK_RETURN);
    Later([] {
      Key(VK_RETURN);
      Later([] { Key(VK_ESCAPE); });
    });
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.Copies(), 3);
}

TEST_F(DialogTest, EveryDialogRunsThroughTheCommonBase) {
  TOpenDialog open(nullptr);
  TSaveDialog save(nullptr);
  TColorDialog color(nullptr);
  TFontDialog font(nullptr);
  TPrintDialog print(nullptr);
  TPrinterSetupDialog setup(nullptr);
  TCommonDialog* all[] = {&open, &save, &color, &font, &print, &setup};
  for (TCommonDialog* d : all) {
    SCOPED_TRACE(d->ClassName());
    EXPECT_TRUE(d->InheritsFrom(TCommonDialog::StaticClass()));
    std::string shownClass;
    int shows = 0, closes = 0;
    d->OnShow = [&](TObject*) { ++shows; };
    d->OnClose = [&](TObject*) { ++closes; };
    Later([&] {
      char cls[32] = {};
      if (TCustomForm* f = Screen()->ActiveForm()) GetClassName(f->Handle(), cls, 32);
      shownClass = cls;
      Key(VK_ESCAPE);
    });
    EXPECT_FALSE(d->Execute());
    EXPECT_EQ(shownClass, "#32770");
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, 1);
    d->OnShow = nullptr;
    d->OnClose = nullptr;
  }
  Later([] { Key(VK_RETURN); });
  EXPECT_TRUE(setup.Execute());
  EXPECT_EQ(setup.PrinterIndex(), Printer()->PrinterIndex());  // the current printer, kept
}
