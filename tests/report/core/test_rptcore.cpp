// The report core: XML layer, file format round trips and load errors, component tree, report
// options and password, variables, styles, datasets and the report script.
#include <gtest/gtest.h>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptscript.h"
#include "report/core/rptservices.h"
#include "report/core/rptstyles.h"
#include "report/core/rptutils.h"
#include "report/core/rptvariables.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"
#include "script/sc_iinterpreter.h"

// A small printable object standing for the view classes in these tests.
class TTestView : public TrptReportComponent {
  ORV_CLASS(TTestView, TrptReportComponent)
public:
  explicit TTestView(TComponent* AOwner) : TrptReportComponent(AOwner) {}
  static void Publish(TPublisher<TTestView>& P) {
    P.Prop("Left", &TTestView::Left, &TTestView::SetLeft);
    P.Prop("Top", &TTestView::Top, &TTestView::SetTop);
    P.Prop("Width", &TTestView::Width, &TTestView::SetWidth);
    P.Prop("Height", &TTestView::Height, &TTestView::SetHeight);
    P.Prop("Font", &TTestView::Font, &TTestView::SetFont).Stored(&TTestView::IsFontStored);
    P.Prop("ParentFont", &TTestView::ParentFont, &TTestView::SetParentFont).Default(true);
    P.Prop("Frame", &TTestView::Frame);
    P.Prop("Memo", &TTestView::Memo);
    P.Prop("Align", &TTestView::Align).Default(baNone);
    P.Prop("Caption", &TTestView::Caption);
    P.Prop("Printable", &TTestView::Printable).Default(true);
    P.Prop("Link", &TTestView::Link, &TTestView::SetLink);
    P.Prop("OnBeforePrint", &TTestView::OnBeforePrint).Type("TrptNotifyEvent");
  }
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  bool IsView() const override { return true; }
  TrptAlign GetAlign() const override { return Align; }
  TrptFrame* Frame() { return &FFrame; }
  TStringList* Memo() { return &FMemo; }
  TrptComponent* Link() const { return FLink; }
  void SetLink(TrptComponent* V) { FLink = V; }
  TrptAlign Align = baNone;
  std::string Caption;
  bool Printable = true;

private:
  TrptFrame FFrame;
  TStringList FMemo;
  TrptComponent* FLink = nullptr;
};
ORV_CLASS_IMPL(TTestView, TrptReportComponent)

class TTestPage : public TrptPage {
  ORV_CLASS(TTestPage, TrptPage)
public:
  explicit TTestPage(TComponent* AOwner) : TrptPage(AOwner) {}
  static void Publish(TPublisher<TTestPage>& P) {
    P.Prop("Width", &TTestPage::Width, &TTestPage::SetWidth);
    P.Prop("Height", &TTestPage::Height, &TTestPage::SetHeight);
  }
};
ORV_CLASS_IMPL(TTestPage, TrptPage)

namespace {

struct ReportFixture : ::testing::Test {
  void SetUp() override {
    RegisterClasses({TTestView::StaticClass(), TTestPage::StaticClass()});
    Report = std::make_unique<TrptReport>(nullptr);
    Report->EngineOptions()->SilentMode = true;
    rptServices().AskPassword = nullptr;
  }
  void TearDown() override { rptServices().AskPassword = nullptr; }
  std::string Save() {
    TStringStream s;
    Report->SaveToStream(&s);
    return s.DataString();
  }
  void Load(const std::string& Text) {
    TStringStream s(Text);
    Report->LoadFromStream(&s);
  }
  std::unique_ptr<TrptReport> Report;
};

const char* const kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

}  // namespace

// ---- XML layer ----

TEST(RptXml, EscapingRoundTripsSpecialCharacters) {
  std::string v = "a\"b<c>d&e\r\nf'g\xC3\xA9";
  std::string e = rptEscapeAttr(v);
  EXPECT_EQ(e, "a&#34;b&#60;c&#62;d&#38;e&#13;&#10;f'g\xC3\xA9");
  EXPECT_EQ(rptUnescapeAttr(e), v);
  EXPECT_EQ(rptUnescapeAttr("&#65;&amp;"), "A&amp;");
  EXPECT_EQ(rptUnescapeAttr("x&#6"), "x&#6");
}

TEST(RptXml, AttributeLookupAndChange) {
  TrptXMLItem item;
  item.AttrText = "Left=\"5\" Top=\"2\"";
  EXPECT_EQ(item.Prop("left"), "5");
  EXPECT_EQ(item.Prop("eft"), "");
  item.AttrText = "Left=\"5\" Top=\"2\" Width=\"9\"";
  item.SetProp("Top", "7");
  EXPECT_EQ(item.AttrText, "Left=\"5\" Top=\"7\" Width=\"9\"");
  TrptXMLItem empty;
  empty.SetProp("Height", "1");
  EXPECT_EQ(empty.AttrText, "Height=\"1\"");
}

TEST(RptXml, SwappableElementMarkerAndPartialLoad) {
  TrptXMLDocument doc;
  doc.Root()->ElementName = "preparedreport";
  TrptXMLItem* page = doc.Root()->AddChild();
  page->ElementName = "page0";
  page->AttrText = "a=\"1\"";
  page->Swappable = true;
  page->AddChild()->ElementName = "obj";
  TStringStream out;
  doc.SaveToStream(&out);
  EXPECT_NE(out.DataString().find("<page0 a=\"1\"ld=\"0\">"), std::string::npos);

  TrptXMLDocument all;
  TStringStream in(out.DataString());
  all.LoadFromStream(&in);
  ASSERT_EQ(all.Root()->GetCount(), 1);
  EXPECT_EQ(all.Root()->GetItems(0)->AttrText, "a=\"1\"");
  EXPECT_EQ(all.Root()->GetItems(0)->GetCount(), 1);

  TrptXMLDocument partial;
  auto* stream = new TStringStream(out.DataString());
  partial.LoadFromStream(stream, true);
  TrptXMLItem* p = partial.Root()->GetItems(0);
  EXPECT_FALSE(p->InMemory);
  EXPECT_EQ(p->GetCount(), 0);
  partial.SwapIn(p);
  EXPECT_EQ(p->GetCount(), 1);
  EXPECT_EQ(p->GetItems(0)->ElementName, "obj");
}

TEST(RptXml, SwapOutAndBackThroughTheSwapFile) {
  TrptXMLDocument doc;
  doc.Root()->ElementName = "r";
  TrptXMLItem* page = doc.Root()->AddChild();
  page->ElementName = "page";
  page->Swappable = true;
  page->AddChild()->AttrText = "x=\"1\"";
  page->GetItems(0)->ElementName = "o";
  doc.SwapOut(page);
  EXPECT_FALSE(page->InMemory);
  EXPECT_TRUE(doc.SwapFileOpen());
  std::string swap = doc.SwapFileName();
  EXPECT_TRUE(FileExists(swap));
  TStringStream out;
  doc.SaveToStream(&out);  // written from the swap file without staying in memory
  EXPECT_NE(out.DataString().find("<o x=\"1\"/>"), std::string::npos);
  EXPECT_FALSE(page->InMemory);
  doc.SwapIn(page);
  EXPECT_EQ(page->GetCount(), 1);
  doc.ClearDocument();
  EXPECT_FALSE(FileExists(swap));
}

TEST(RptXml, MalformedDocumentsRaiseInvalidFileFormat) {
  const char* cases[] = {
      "<root/>",                                 // no header
      "<?xml?><root><a<b></root>",               // "<" inside a tag
      "<?xml?><root><a x=\"1\"",                 // input ends inside a tag
      "<?xml?><root><a></b></root>",             // closing tag does not match
  };
  for (const char* c : cases) {
    TrptXMLDocument doc;
    TStringStream s(c);
    try {
      doc.LoadFromStream(&s);
      ADD_FAILURE() << c;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid file format") << c;
    }
  }
  // Comments are skipped; input ending before the root's closing tag is accepted.
  TrptXMLDocument doc;
  TStringStream s("<?xml?><!-- a -- b --><root><a/>");
  doc.LoadFromStream(&s);
  EXPECT_EQ(doc.Root()->ElementName, "root");
  EXPECT_EQ(doc.Root()->GetCount(), 1);
}

TEST(RptXml, DeeplyNestedHostileInputFailsCleanly) {
  std::string text = "<?xml?>";
  for (int i = 0; i < 5000; ++i) text += "<a>";
  TrptXMLDocument doc;
  TStringStream s(text);
  EXPECT_THROW(doc.LoadFromStream(&s), Exception);
}

TEST(RptXml, DatesKeepTheirTime) {
  Variant d = Variant::FromDate(45000.75);  // 18:00
  std::string text = rptVariantToAttr(d);
  EXPECT_NE(text.find("18:00"), std::string::npos) << text;
}

// ---- Resources and utilities ----

TEST(RptResources, LookupRulesAndTables) {
  TrptResources r;
  EXPECT_EQ(r.Get("noSuchKey"), "noSuchKey");
  r.AddStrings("a=1\r\nA=2\nx=y=z\r=skip\nnokey\nempty=\n");
  EXPECT_EQ(r.Get("a"), "2");
  EXPECT_EQ(r.Get("x"), "y=z");
  EXPECT_EQ(r.Get("empty"), "empty");
  r.Add("8000", "eight");
  r.Add("MBERROR", "boom");
  EXPECT_EQ(r.Get("mbError"), "boom");
  EXPECT_EQ(rptTextById(123456), "123456");
  EXPECT_EQ(rptGet("clErrors"), "发生下列的错误:");
  EXPECT_EQ(rptGet("prDupl"), "Duplicate name");
  EXPECT_EQ(rptGet("clDSNotExist"), "数据库 \"%s\" 不存在");
}

TEST(RptUtils, NumbersPagesSplittingAndHex) {
  EXPECT_EQ(rptFloatToText(3), "3");
  EXPECT_EQ(rptFloatToText(2.5), "2.50");
  EXPECT_DOUBLE_EQ(rptTextToFloat("1 234,5"), 1234.5);
  EXPECT_THROW(rptTextToFloat("abc"), EConvertError);
  TStringList l;
  struct Case { const char* Text; const char* Expected; };
  for (Case c : {Case{"1,3-5", "1,3,4,5"}, Case{"8-", "8,9,10"}, Case{"5-3", ""}, Case{"", ""}}) {
    rptParsePageNumbers(c.Text, &l, 10);
    EXPECT_EQ(l.CommaText(), c.Expected) << c.Text;
  }
  EXPECT_THROW(rptParsePageNumbers("a", &l, 10), EConvertError);
  rptSplitText("a;;b", &l, ';');
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Get(1), "");
  rptSplitText("a;", &l, ';');
  EXPECT_EQ(l.Count(), 1);
  TMemoryStream m;
  uint8_t bytes[] = {0, 255};
  m.WriteBuffer(bytes, 2);
  EXPECT_EQ(rptStreamToHex(&m), "00FF");
  TMemoryStream back;
  rptHexToStream("00FF10", &back);
  EXPECT_EQ(back.Size(), 3);
  EXPECT_EQ(rptColorToHex(0x0000FF), "#FF0000");
  EXPECT_EQ(rptColorToHex(0xFFFFFF), "#FFFFFF");
  EXPECT_EQ(rptComponentByPath(nullptr, "Memo1"), nullptr);
}

TEST(RptUtils, ExtractBracketed) {
  int i = 1, j = 0;
  EXPECT_EQ(rptExtractBracketed("[a[b]c]", "[", "]", i, j), "a[b]c");
  EXPECT_EQ(i, 1);
  EXPECT_EQ(j, 7);
  i = 1;
  EXPECT_EQ(rptExtractBracketed("[a']'b]", "[", "]", i, j), "a']'b");
  i = 1;
  EXPECT_EQ(rptExtractBracketed("x[y]", "[", "]", i, j), "");
  EXPECT_EQ(j, 1);
}

// ---- Component tree ----

TEST_F(ReportFixture, TreeOwnershipNamesAndFonts) {
  auto* page = new TTestPage(Report.get());
  auto* a = new TTestView(page);
  auto* b = new TTestView(a);
  EXPECT_EQ(a->Owner(), Report.get());
  EXPECT_EQ(b->Parent(), a);
  EXPECT_EQ(Report->PageCount(), 1);
  a->SetName("Memo1");
  page->SetName("Page1");
  EXPECT_EQ(Report->FindObject("memo1"), a);
  EXPECT_EQ(b->GetPage(), page);
  EXPECT_EQ(b->GetReport(), Report.get());
  try {
    b->SetName("MEMO1");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Duplicate name");
  }
  auto* c = new TTestView(page);
  c->SetName("TTest3");
  b->SetName("TTest1");
  auto* d = new TTestView(page);
  EXPECT_EQ(d->BaseName(), "TTest");  // the class name without "Trpt" and "View"
  d->MakeUniqueName();
  EXPECT_EQ(d->Name(), "TTest2");

  // Following fonts.
  EXPECT_TRUE(b->ParentFont());
  a->Font()->SetSize(20);
  EXPECT_FALSE(a->ParentFont());
  EXPECT_EQ(b->Font()->Size(), 20);
  TFont own;
  own.SetName("Courier New");
  c->SetFont(&own);
  page->Font()->SetName("Times New Roman");
  EXPECT_EQ(c->Font()->Name(), "Courier New");

  delete a;  // children go with it
  EXPECT_EQ(Report->FindObject("TTest1"), nullptr);
  EXPECT_EQ(page->Objects.size(), 2u);
}

TEST_F(ReportFixture, DesignRestrictionsAndAlignment) {
  auto* page = new TTestPage(Report.get());
  page->SetBounds(0, 0, 200, 100);
  auto* v1 = new TTestView(page);
  auto* v2 = new TTestView(page);
  v1->SetBounds(10, 0, 30, 20);
  v2->SetBounds(50, 5, 40, 20);
  v1->Align = v2->Align = baLeft;
  page->AlignChildren();
  EXPECT_DOUBLE_EQ(v1->Left(), 0);
  EXPECT_DOUBLE_EQ(v2->Left(), 30);

  v1->IsDesigning = true;
  v1->Restrictions.Include(rfDontMove);
  v1->SetLeft(77);
  EXPECT_DOUBLE_EQ(v1->Left(), 0);
}

TEST_F(ReportFixture, DiffAgainstACopy) {
  auto* page = new TTestPage(Report.get());
  auto* v = new TTestView(page);
  v->SetBounds(1, 2, 3, 4);
  auto* copy = new TTestView(page);
  copy->SetBounds(1, 2, 3, 4);
  EXPECT_EQ(v->Diff(copy), "");
  v->SetLeft(10);
  v->SetTag(3);
  EXPECT_EQ(v->Diff(copy), " l=\"10\" Tag=\"3\"");
}

// ---- File format ----

TEST_F(ReportFixture, TemplateRoundTripIsByteExact) {
  Report->ReportOptions()->Author = "Studio \"Rose\" & Co";
  Report->ScriptText()->SetText("begin\nShowMessage('<hi>');\nend.");
  Report->EngineOptions()->DoublePass = true;
  Report->Variables()->SetVariables(" Totals", Null());
  Report->Variables()->SetVariables("Title", Variant(std::string("'Selected Photos'")));
  auto* page = new TTestPage(Report.get());
  page->SetName("Page1");
  page->SetBounds(0, 0, 793.7, 1122.5);
  auto* v = new TTestView(page);
  v->SetName("Memo1");
  v->SetBounds(10.5, 20, 100, 18);
  v->Memo()->SetText("line 1\nline \"2\"");
  v->Frame()->Typ.Include(ftLeft).Include(ftBottom);
  v->Frame()->Width = 2;
  v->Align = baWidth;
  v->Caption = "";
  v->Printable = false;
  v->OnBeforePrint = "Memo1OnBeforePrint";
  TFont f;
  f.SetName("Tahoma");
  f.SetStyle(TFontStyles().Include(fsBold).Include(fsItalic));
  v->SetFont(&f);
  auto* w = new TTestView(page);
  w->SetName("Memo2");
  w->SetLink(v);
  auto* ds = new TrptUserDataSet(page);
  ds->SetName("Photos");
  ds->Fields()->SetText("fname\nlogo");
  Report->DataSets()->Add(ds);
  Report->SetDataSet(ds);

  std::string first = Save();
  EXPECT_EQ(first.rfind(kHeader, 0), 0u);
  EXPECT_NE(first.find("\r\n  <TTestPage Name=\"Page1\""), std::string::npos);
  EXPECT_NE(first.find("Memo.Text=\"line 1&#13;&#10;line &#34;2&#34;\""), std::string::npos);
  EXPECT_NE(first.find("Frame.Typ=\"9\""), std::string::npos);
  EXPECT_NE(first.find("Align=\"baWidth\""), std::string::npos);
  EXPECT_NE(first.find("Printable=\"False\""), std::string::npos);
  EXPECT_NE(first.find("Link=\"Memo1\""), std::string::npos);
  EXPECT_NE(first.find("Font.Name=\"Tahoma\""), std::string::npos);
  EXPECT_EQ(first.find("Font.Size"), std::string::npos);
  EXPECT_NE(first.find("<TrptReport Name=\"\""), std::string::npos);
  EXPECT_NE(first.find("PropData=\""), std::string::npos);

  Load(first);
  EXPECT_EQ(Report->Errors()->Count(), 0) << Report->Errors()->Text();
  auto* v2 = dynamic_cast<TTestView*>(Report->FindObject("Memo1"));
  ASSERT_NE(v2, nullptr);
  EXPECT_EQ(v2->Memo()->Get(1), "line \"2\"");
  EXPECT_EQ(v2->Font()->Style().Bits(), 3u);
  EXPECT_EQ(v2->Align, baWidth);
  EXPECT_FALSE(v2->Printable);
  EXPECT_DOUBLE_EQ(v2->Left(), 10.5);
  EXPECT_EQ(v2->OnBeforePrint, "Memo1OnBeforePrint");
  auto* w2 = dynamic_cast<TTestView*>(Report->FindObject("Memo2"));
  ASSERT_NE(w2, nullptr);
  EXPECT_EQ(w2->Link(), v2);
  EXPECT_EQ(Report->ReportOptions()->Author, "Studio \"Rose\" & Co");
  EXPECT_TRUE(Report->EngineOptions()->DoublePass);
  ASSERT_EQ(Report->DataSets()->Count(), 1);
  EXPECT_EQ(Report->DataSets()->Items(0)->DataSet(), Report->FindObject("Photos"));
  EXPECT_EQ(Report->DataSet(), Report->FindObject("Photos"));
  EXPECT_EQ(Report->Variables()->Count(), 2);
  EXPECT_EQ(VarToStr(Report->Variables()->GetVariables("Title")), "'Selected Photos'");
  EXPECT_EQ(Save(), first);
}

TEST_F(ReportFixture, SaveAndLoadFilesAndMissingFiles) {
  std::string dir = GetTempPath();
  std::string file = IncludeTrailingPathDelimiter(dir) + "rpt_core_test.rp3";
  auto* page = new TTestPage(Report.get());
  page->SetName("Page1");
  Report->SaveToFile(file);
  TrptReport other(nullptr);
  other.EngineOptions()->SilentMode = true;
  EXPECT_TRUE(other.LoadFromFile(file));
  EXPECT_EQ(other.FileName, file);
  EXPECT_EQ(other.PageCount(), 1);
  DeleteFile(file);
  EXPECT_FALSE(other.LoadFromFile(file));
  EXPECT_EQ(other.PageCount(), 0);
  EXPECT_THROW(other.LoadFromFile(file, true), EFOpenError);
}

TEST_F(ReportFixture, UnknownClassesAndAttributesSkipOnlyTheirSubtree) {
  std::string text = std::string(kHeader) +
                     "<TrptReport Name=\"\" DotMatrixReport=\"False\">"
                     "<TTestPage Name=\"Page1\" Width=\"100\">"
                     "<TNoSuchView Name=\"Ghost\"><TTestView Name=\"Inner\"/></TNoSuchView>"
                     "<TForm Name=\"Evil\"/>"
                     "<TTestView Name=\"Memo1\" Misspelt=\"3\" Left=\"abc\" Top=\"7\" Align=\"baSideways\" "
                     "Frame.Nothing=\"1\" l=\"10\"/>"
                     "</TTestPage></TrptReport>";
  Load(text);
  EXPECT_EQ(Report->FindObject("Ghost"), nullptr);
  EXPECT_EQ(Report->FindObject("Inner"), nullptr);
  EXPECT_EQ(Report->FindObject("Evil"), nullptr);
  auto* v = dynamic_cast<TTestView*>(Report->FindObject("Memo1"));
  ASSERT_NE(v, nullptr);
  EXPECT_DOUBLE_EQ(v->Top(), 7);
  EXPECT_DOUBLE_EQ(v->Left(), 10);
  EXPECT_EQ(v->Align, baNone);  // an unknown enumeration name is an error, never a stored -1
  TStringList* e = Report->Errors();
  EXPECT_GE(e->IndexOf("不明的类别 TNoSuchView"), 0) << e->Text();
  EXPECT_GE(e->IndexOf("不明的类别 TForm"), 0);
  bool enumError = false, floatError = false;
  for (int i = 0; i < e->Count(); ++i) {
    enumError |= e->Get(i).find("baSideways") != std::string::npos;
    floatError |= e->Get(i).find("abc") != std::string::npos;
  }
  EXPECT_TRUE(enumError) << e->Text();
  EXPECT_TRUE(floatError) << e->Text();
}

TEST_F(ReportFixture, CorruptFilesFailWithAClearError) {
  for (const char* bad : {"", "garbage", "<?xml?><TrptReport><TTestPage></TrptReport>"}) {
    try {
      Load(bad);
      ADD_FAILURE() << bad;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid file format") << bad;
    }
  }
}

TEST_F(ReportFixture, LoadingKeepsTheObjectsNameAndApplicationOptions) {
  auto* page = new TTestPage(Report.get());
  page->SetName("Page1");
  TStringStream s(std::string(kHeader) + "<TTestPage Name=\"Other\" Width=\"5\"/>");
  page->LoadFromStream(&s);
  EXPECT_EQ(page->Name(), "Page1");
  EXPECT_DOUBLE_EQ(page->Width(), 5);

  Report->EngineOptions()->MaxMemSize = 33;
  Report->EngineOptions()->TempDir = "/app/tmp";
  Load(std::string(kHeader) +
       "<TrptReport Name=\"\" EngineOptions.MaxMemSize=\"1\" EngineOptions.TempDir=\"/x\" "
       "EngineOptions.DoublePass=\"True\" EngineOptions.ConvertNulls=\"False\" Version=\"1.0\"/>");
  EXPECT_EQ(Report->EngineOptions()->MaxMemSize, 33);
  EXPECT_EQ(Report->EngineOptions()->TempDir, "/app/tmp");
  EXPECT_TRUE(Report->EngineOptions()->SilentMode);
  EXPECT_TRUE(Report->EngineOptions()->DoublePass);
  EXPECT_FALSE(Report->EngineOptions()->ConvertNulls);
  EXPECT_EQ(Report->Version(), "3.15");
}

TEST_F(ReportFixture, PasswordIsScrambledInTheFileOnly) {
  Report->ReportOptions()->Password = "Key,0";
  std::string text = Save();
  EXPECT_EQ(Report->ReportOptions()->Password, "Key,0");
  EXPECT_NE(text.find("ReportOptions.Password=\"A[o&#34;&#38;\""), std::string::npos) << text;
  auto* page = new TTestPage(Report.get());
  page->SetName("Page1");
  text = Save();

  rptServices().AskPassword = [](std::string& typed) {
    typed = "Key,0";
    return true;
  };
  Load(text);
  EXPECT_EQ(Report->ReportOptions()->Password, "Key,0");
  EXPECT_EQ(Report->PageCount(), 1);

  rptServices().AskPassword = [](std::string& typed) {
    typed = "key,0";
    return true;
  };
  Load(text);
  EXPECT_EQ(Report->PageCount(), 0);  // wrong letter case: the report is cleared silently
  EXPECT_TRUE(Report->ReportOptions()->Password.empty());

  rptServices().AskPassword = [](std::string&) { return false; };
  EXPECT_FALSE([&] {
    TrptReportOptions o;
    o.Password = "x";
    return o.CheckPassword();
  }());
}

// ---- Options ----

TEST(RptOptions, DefaultsAssignAndClear) {
  TrptEngineOptions a, b;
  b.DestroyForms = false;
  a.MaxMemSize = 5;
  a.DestroyForms = true;
  b.Assign(&a);
  EXPECT_EQ(b.MaxMemSize, 5);
  EXPECT_FALSE(b.DestroyForms);
  TrptReport r(nullptr);
  r.EngineOptions()->MaxMemSize = 20;
  r.EngineOptions()->SilentMode = true;
  r.PrintOptions()->Copies = 4;
  r.Clear();
  EXPECT_EQ(r.EngineOptions()->MaxMemSize, 20);
  EXPECT_TRUE(r.EngineOptions()->SilentMode);
  EXPECT_EQ(r.PrintOptions()->Copies, 1);
  EXPECT_EQ(r.PrintOptions()->Printer, "预设");
  EXPECT_EQ(r.PreviewOptions()->Buttons.Bits(), 0x7FFu);
  EXPECT_EQ(r.ScriptText()->Count(), 3);
  EXPECT_EQ(r.ScriptLanguage, "PascalScript");
  EXPECT_EQ(r.IniFile, "\\Software\\Rede Vivedad");
}

// ---- Variables ----

TEST(RptVariables, Categories) {
  TrptVariables v;
  for (const char* n : {" Totals", "A", "B", " Dates", "C"}) v.SetVariables(n, Null());
  TStringList l;
  v.GetCategoriesList(&l);
  EXPECT_EQ(l.CommaText(), "Totals,Dates");
  v.GetVariablesList("totals", &l);
  EXPECT_EQ(l.CommaText(), "A,B");
  v.GetVariablesList("", &l);
  EXPECT_EQ(l.Count(), 0);
  v.AddVariable("Totals", "X", Variant(1));
  EXPECT_EQ(v.IndexOf("X"), 3);
  v.AddVariable("Dates", "Y", Variant(2));
  EXPECT_EQ(v.IndexOf("Y"), v.Count() - 1);
  v.AddVariable("Nope", "Z", Variant(3));
  EXPECT_EQ(v.IndexOf("Z"), -1);
  v.DeleteCategory("TOTALS");
  EXPECT_EQ(v.IndexOf("A"), -1);
  EXPECT_EQ(v.IndexOf(" Dates"), 0);
  EXPECT_TRUE(v.GetVariables("absent").IsNull());

  TStringStream s;
  v.SaveToStream(&s);
  EXPECT_NE(s.DataString().find("<variables>"), std::string::npos);
  TrptVariables w;
  s.SetPosition(0);
  w.LoadFromStream(&s);
  EXPECT_EQ(w.Count(), v.Count());
  EXPECT_EQ(VarToStr(w.GetVariables("Y")), "2");
}

// ---- Styles ----

TEST(RptStyles, NamesFilesAndSheets) {
  TrptStyles set;
  set.Name = "Blue";
  set.Add()->SetName("Style1");
  set.Add()->SetName("Style3");
  TrptStyleItem* n = set.Add();
  n->MakeUniqueName();
  EXPECT_EQ(n->Name(), "Style2");
  try {
    n->SetName("style1");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Duplicate name");
  }
  set.Items(0)->Color = 0xFF0000;
  set.Items(0)->Frame()->Typ.Include(ftTop);
  TStringStream s;
  set.SaveToStream(&s);
  TrptStyles back;
  s.SetPosition(0);
  back.LoadFromStream(&s);
  EXPECT_EQ(back.Name, "Blue");
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Find("STYLE1")->Color, 0xFF0000);
  EXPECT_TRUE(back.Find("Style1")->Frame()->Typ.Contains(ftTop));

  std::string body = s.DataString().substr(s.DataString().find("<style"));
  TStringStream sheet(std::string(kHeader) + "<stylesheet>" + body + body + "<other/>" + body +
                      "</stylesheet>");
  TrptStyleSheet ss;
  ss.LoadFromStream(&sheet);
  EXPECT_EQ(ss.Count(), 3);
  EXPECT_NE(ss.Find("blue"), nullptr);
  TStringStream wrong(std::string(kHeader) + "<nostyle/>");
  back.LoadFromStream(&wrong);
  EXPECT_EQ(back.Count(), 0);
}

// ---- Datasets ----

TEST_F(ReportFixture, UserDataSetProtocol) {
  auto* page = new TTestPage(Report.get());
  auto* ds = new TrptUserDataSet(page);
  EXPECT_DOUBLE_EQ(ds->Left(), -10000);
  ds->SetName("Users");
  EXPECT_EQ(ds->UserName(), "Users");
  ds->SetName("Users2");
  EXPECT_EQ(ds->UserName(), "Users2");
  ds->SetUserName("Custom");
  ds->SetName("Users3");
  EXPECT_EQ(ds->UserName(), "Custom");
  try {
    ds->SetUserName("  ");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid property value");
  }
  int nexts = 0;
  ds->OnNext = [&](TObject*) { ++nexts; };
  ds->RangeEnd = reCount;
  ds->RangeEndCount = 3;
  ds->First();
  int steps = 0;
  while (!ds->Eof()) {
    ds->Next();
    ++steps;
  }
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(nexts, 2);
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->Fields()->SetText("a\nb");
  EXPECT_TRUE(ds->HasField("B"));
  ds->OnGetValue = [](const std::string& Name, Variant& V) { V = Variant(Name + "!"); };
  EXPECT_EQ(ds->GetDisplayText("a"), "a!");

  // A dataset that goes leaves the report's list.
  Report->DataSets()->Add(ds);
  EXPECT_EQ(Report->DataSetUserName(ds), "Custom");
  delete ds;
  EXPECT_EQ(Report->DataSets()->Count(), 0);
}

TEST_F(ReportFixture, PrepareChecksDatasetsFirst) {
  Report->DataSets()->Add(nullptr)->SetDataSetName("Gone");
  EXPECT_FALSE(Report->PrepareReport());
  ASSERT_EQ(Report->Errors()->Count(), 1);
  EXPECT_EQ(Report->Errors()->Get(0), "数据库 \"Gone\" 不存在");
}

// ---- Report script and expressions ----

namespace {
struct ScriptFixture : ReportFixture {
  void SetUp() override {
    ReportFixture::SetUp();
    Page = new TTestPage(Report.get());
    Page->SetName("Page1");
    Data = new TrptUserDataSet(Page);
    Data->SetName("a2");
    Data->Fields()->SetText("num\ntext\nflag");
    Data->OnGetValue = [this](const std::string& Name, Variant& V) {
      if (Name == "text" && !NullFields) V = Variant(std::string("hello"));
      if (Name == "num" && !NullFields) V = Variant(7);
    };
    Report->DataSets()->Add(Data);
  }
  TTestPage* Page;
  TrptUserDataSet* Data;
  bool NullFields = false;
};
}  // namespace

TEST_F(ScriptFixture, NamesAndExpressions) {
  ASSERT_TRUE(Report->CompileReportScript()) << Report->Errors()->Text();
  EXPECT_EQ(Report->Calc("a2.\"num\"").AsInteger(), 7);
  EXPECT_EQ(Report->Calc("1 + 2 * 3").AsInteger(), 7);
  Report->Variables()->SetVariables("V", Variant(std::string("1+2")));
  EXPECT_EQ(Report->Calc("V").AsInteger(), 3);
  Report->Variables()->SetVariables("Two", Variant(std::string("a\r\nb")));
  EXPECT_EQ(Report->Calc("Two").AsString(), "a\r\nb");
  Report->OnGetValue = [](const std::string& Name, Variant& V) {
    if (Name == "Studio") V = Variant(std::string("Rose"));
  };
  EXPECT_EQ(Report->Calc("Studio").AsString(), "Rose");

  NullFields = true;
  EXPECT_EQ(Report->Calc("a2.\"num\"").AsInteger(), 0);
  EXPECT_EQ(Report->Calc("a2.\"flag\"").AsInteger(), 0);
  Report->EngineOptions()->ConvertNulls = false;
  EXPECT_TRUE(Report->Calc("a2.\"num\"").IsNull());
}

TEST_F(ScriptFixture, ExpressionCacheCompilesOncePerDistinctText) {
  ASSERT_TRUE(Report->CompileReportScript());
  TrptExpressionCache* cache = Report->ExpressionCache();
  EXPECT_EQ(Report->Calc("'Yes' + 'no'").AsString(), "Yesno");
  EXPECT_EQ(Report->Calc("'Yes' + 'no'").AsString(), "Yesno");
  EXPECT_EQ(cache->CompileCount(), 1);
  EXPECT_EQ(Report->Calc("1 + 1").AsInteger(), 2);
  EXPECT_EQ(Report->Calc("1 + 1").AsInteger(), 2);
  EXPECT_EQ(cache->CompileCount(), 2);
  // Texts that differ only inside string literals are different expressions.
  EXPECT_EQ(Report->Calc("'YES' + 'no'").AsString(), "YESno");
  EXPECT_EQ(cache->CompileCount(), 3);
  // Outside literals letter case does not matter.
  EXPECT_EQ(Report->Calc("LENGTH('abc')").AsInteger(), 3);
  EXPECT_EQ(Report->Calc("length('abc')").AsInteger(), 3);
  EXPECT_EQ(cache->CompileCount(), 4);
  ASSERT_TRUE(Report->CompileReportScript());
  EXPECT_EQ(cache->CompileCount(), 0);
  Report->Calc("1 + 1");
  EXPECT_EQ(cache->CompileCount(), 1);
}

TEST_F(ScriptFixture, CachedFunctionIsNotReusedInAnotherScope) {
  // Two procedures with a local X each: the expression text is the same, the names are not.
  Report->ScriptText()->SetText(
      "procedure A; var X: Integer; begin X := 1; end;\n"
      "procedure B; var X: Integer; begin X := 2; end;\n"
      "begin end.");
  ASSERT_TRUE(Report->CompileReportScript()) << Report->Errors()->Text();
  auto* a = dynamic_cast<TscProcVariable*>(Report->Script()->FindLocal("A"));
  auto* b = dynamic_cast<TscProcVariable*>(Report->Script()->FindLocal("B"));
  ASSERT_TRUE(a && b);
  a->LocalScope->FindLocal("X")->SetValue(Variant(1));
  b->LocalScope->FindLocal("X")->SetValue(Variant(2));
  EXPECT_EQ(Report->Calc("X + 10", a->LocalScope).AsInteger(), 11);
  EXPECT_EQ(Report->Calc("X + 10", b->LocalScope).AsInteger(), 12);
}

TEST_F(ScriptFixture, ScriptSetStoresDataThatIsNeverExecuted) {
  Report->ScriptText()->SetText("begin Set('Name', '1+1'); end.");
  ASSERT_TRUE(Report->CompileReportScript()) << Report->Errors()->Text();
  Report->Script()->Execute();
  EXPECT_EQ(Report->Calc("Name").AsString(), "1+1");
  EXPECT_EQ(Report->Calc("Get('Name')").AsString(), "1+1");
}

TEST_F(ScriptFixture, IifEvaluatesOnlyTheChosenBranch) {
  ASSERT_TRUE(Report->CompileReportScript());
  EXPECT_EQ(Report->Calc("IIF(False, 1 div 0, 2)").AsInteger(), 2);
  EXPECT_EQ(Report->Calc("IIF(1 < 2, 'a', 1 div 0)").AsString(), "a");
}

TEST_F(ScriptFixture, ErrorsCarryTheExactTexts) {
  Report->ScriptText()->SetText("begin x := ; end.");
  EXPECT_FALSE(Report->CompileReportScript());
  ASSERT_EQ(Report->Errors()->Count(), 1);
  EXPECT_EQ(Report->Errors()->Get(0).rfind("Script 错误在 1:", 0), 0u) << Report->Errors()->Get(0);

  Report->Errors()->Clear();
  Report->ScriptText()->SetText("begin end.");
  ASSERT_TRUE(Report->CompileReportScript());
  Report->CurObjectName = "Memo1";
  try {
    Report->Calc("nosuch.\"field\" + 1");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Memo1: 运算式错误 'nosuch.\"field\" + 1': ", 0), 0u) << e.Message();
  }
  EXPECT_EQ(Report->Errors()->Count(), 1);
  Report->CurObjectName.clear();
  Report->Errors()->Clear();
  EXPECT_TRUE(Report->Calc("Get('Missing')").IsNull());
  EXPECT_EQ(Report->Errors()->Get(0), "未知的变量或数据库字段: Missing");
}

TEST_F(ScriptFixture, SelfReferringVariableFailsInsteadOfRecursing) {
  ASSERT_TRUE(Report->CompileReportScript());
  Report->Variables()->SetVariables("Loop", Variant(std::string("Loop")));
  EXPECT_THROW(Report->Calc("Loop"), Exception);
}

TEST_F(ScriptFixture, EventsCallScriptProceduresWithTheObject) {
  Report->ScriptText()->SetText(
      "var Seen: Integer;\n"
      "procedure Clicked(Sender: Variant; Button, Shift: Integer; var Modified: Boolean);\n"
      "begin Seen := Button + Shift; Modified := True; end;\n"
      "begin end.");
  ASSERT_TRUE(Report->CompileReportScript()) << Report->Errors()->Text();
  auto* v = new TTestView(Page);
  v->OnPreviewClick = "Clicked";
  bool modified = false;
  Report->DoPreviewClick(v, 1, 4, modified);
  EXPECT_TRUE(modified);
  EXPECT_EQ(Report->Script()->FindLocal("Seen")->GetValue().AsInteger(), 5);
}

// ---- Export protocol ----

namespace {
class TTestFilter : public TrptCustomExportFilter {
public:
  using TrptCustomExportFilter::TrptCustomExportFilter;
  bool StartResult = true;
  int FailOnPage = -1;
  std::string Log;
  bool Start() override {
    Log += "S";
    return StartResult;
  }
  void StartPage(TrptPage*, int I) override { Log += "p" + IntToStr(I); Current = I; }
  void ExportObject(TrptComponent*) override {
    if (Current == FailOnPage) throw Exception("fail");
    Log += "o";
  }
  void FinishPage(TrptPage*, int I) override { Log += "f" + IntToStr(I); }
  void Finish() override { Log += "F"; }
  int Current = 0;
};
}  // namespace

TEST_F(ReportFixture, ExportFilterRegistryAndProtocol) {
  int before = rptExportFilterRegistry().Count();
  {
    TTestFilter registered(nullptr);
    EXPECT_EQ(rptExportFilterRegistry().Count(), before + 1);
    TTestFilter internal(TrptCustomExportFilter::TUnregistered{});
    EXPECT_EQ(rptExportFilterRegistry().Count(), before + 1);
    EXPECT_TRUE(registered.ShowDialog);
    EXPECT_TRUE(registered.UseFileCache);
  }
  EXPECT_EQ(rptExportFilterRegistry().Count(), before);

  auto* p1 = new TTestPage(Report.get());
  new TTestView(p1);
  auto* p2 = new TTestPage(Report.get());
  new TTestView(p2);
  TTestFilter f(TrptCustomExportFilter::TUnregistered{});
  f.StartResult = false;
  EXPECT_FALSE(rptRunExportFilter(&f, Report.get(), {p1, p2}));
  EXPECT_EQ(f.Log, "S");
  f.Log.clear();
  f.StartResult = true;
  f.FailOnPage = 1;
  EXPECT_THROW(rptRunExportFilter(&f, Report.get(), {p1, p2}), Exception);
  EXPECT_EQ(f.Log, "Sp0of0p1f1F");
}

// ---- One-line object texts (prepared pages, clipboard) ----

TEST_F(ReportFixture, ObjectTextsAndSingleElements) {
  auto* page = new TTestPage(Report.get());
  page->SetName("Page1");
  auto* v = new TTestView(page);
  v->SetName("Memo1");
  v->SetBounds(1, 2, 3, 4);
  v->Caption = "a<b";
  TrptXMLSerializer s;
  s.RefRoot = Report.get();
  std::string text = s.ObjectToText(v);
  EXPECT_EQ(text.rfind("TTestView Left=\"1\" Top=\"2\"", 0), 0u) << text;
  EXPECT_NE(text.find("Caption=\"a&#60;b\""), std::string::npos);

  TrptComponent* copy = s.ObjectFromText(page, text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Parent(), page);
  EXPECT_EQ(static_cast<TTestView*>(copy)->Caption, "a<b");
  EXPECT_DOUBLE_EQ(copy->Height(), 4);
  EXPECT_EQ(copy->Diff(v), "");
  EXPECT_EQ(s.ObjectFromText(page, "   "), nullptr);
  EXPECT_THROW(s.ObjectFromText(page, "TNoSuchClass a=\"1\""), EClassNotFound);

  TStringStream stream;
  TrptXMLSerializer w(&stream);
  w.RefRoot = Report.get();
  w.WriteComponent(v);
  w.WriteComponent(v);
  EXPECT_EQ(stream.DataString().find('\n'), std::string::npos);
  stream.SetPosition(0);
  TrptXMLSerializer r(&stream);
  EXPECT_NE(r.ReadComponent(page), nullptr);
  EXPECT_NE(r.ReadComponent(page), nullptr);
  EXPECT_EQ(r.ReadComponent(page), nullptr);
  EXPECT_EQ(page->Objects.size(), 4u);

  std::string full = v->FullDiff(nullptr);
  EXPECT_EQ(full.rfind("Left=\"1\"", 0), 0u) << full;
  EXPECT_EQ(full.find("/>"), std::string::npos);
}

TEST_F(ReportFixture, AssignCopiesAnObjectWithoutItsChildren) {
  auto* page = new TTestPage(Report.get());
  auto* a = new TTestView(page);
  a->SetBounds(5, 6, 7, 8);
  a->Caption = "x";
  new TTestView(a);
  auto* b = new TTestView(page);
  b->Assign(a);
  EXPECT_EQ(b->Caption, "x");
  EXPECT_DOUBLE_EQ(b->Left(), 5);
  EXPECT_TRUE(b->Objects.empty());
  b->AssignWithChildren(a);
  EXPECT_EQ(b->Objects.size(), 1u);
}

TEST_F(ReportFixture, DamagedPropDataEndsQuietly) {
  Load(std::string(kHeader) +
       "<TrptReport Name=\"\" PropData=\"0844617461736574730101 0CFFFFFF7F41\" ScriptLanguage=\"JScript\"/>");
  EXPECT_EQ(Report->ScriptLanguage, "JScript");
  EXPECT_EQ(Report->DataSets()->Count(), 0);
  Load(std::string(kHeader) + "<TrptReport Name=\"\" PropData=\"ZZZZ\"/>");
  EXPECT_EQ(Report->ScriptLanguage, "PascalScript");
}
