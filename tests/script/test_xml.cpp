// Script XML layer: reading, writing, escapes and the item operations.
#include <gtest/gtest.h>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/streams.h"
#include "script/sc_xml.h"

#include <cstdio>
#include <unistd.h>

TEST(ScriptXml, LoadsElementsAndDecodesAttributes) {
  TscXMLDocument doc;
  doc.LoadFromString("<?xml version=\"1.0\"?><a x=\"1\"><b/><c y=\"&#60;&#62;\"/></a>");
  TscXMLItem* a = doc.Root();
  EXPECT_EQ(a->Name, "a");
  ASSERT_EQ(a->Count(), 2);
  EXPECT_EQ(a->Items(0)->Name, "b");
  EXPECT_EQ(a->Items(1)->Prop("y"), "<>");
  EXPECT_EQ(a->Prop("X"), "1");
  EXPECT_EQ(a->Prop("missing"), "");
}

TEST(ScriptXml, DropsTextAndComments) {
  TscXMLDocument doc;
  doc.LoadFromString("<?xml version=\"1.0\"?><a>hello<!-- a -- b --><b/></a>");
  ASSERT_EQ(doc.Root()->Count(), 1);
  EXPECT_EQ(doc.Root()->Items(0)->Name, "b");
}

TEST(ScriptXml, MalformedInputRaises) {
  const char* bad[] = {
      "<?xml version=\"1.0\"?><a><b></a>",  // closing tag does not match
      "<a/>",                                // no header
      "<?xml version=\"1.0\"?><a <b/>",      // "<" inside a tag
      "<?xml version=\"1.0\"?><a x=\"1\"",   // tag open at the end
  };
  for (const char* text : bad) {
    TscXMLDocument doc;
    try {
      doc.LoadFromString(text);
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid file format") << text;
    }
  }
  TscXMLDocument ok;
  EXPECT_NO_THROW(ok.LoadFromString("<?xml version=\"1.0\"?><a><b/>"));
  EXPECT_EQ(ok.Root()->Count(), 1);
}

TEST(ScriptXml, SavesOneLineOrIndented) {
  TscXMLDocument doc;
  doc.Root()->Name = "a";
  doc.Root()->Text = "x=\"1\"";
  doc.Root()->Add()->Name = "b";
  EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\"?><a x=\"1\"><b/></a>");
  doc.AutoIndent = true;
  EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\"?>\r\n<a x=\"1\">\r\n  <b/>\r\n</a>\r\n");
}

TEST(ScriptXml, AmpersandSurvivesSaveAndReload) {
  // A text that looks like an escape must come back as written.
  std::string value = "A&B &#65; \"q\" <t>\n";
  TscXMLDocument doc;
  doc.Root()->Name = "a";
  doc.Root()->Text = "v=\"" + scStrToXML(value) + "\"";
  TscXMLDocument back;
  back.LoadFromString(doc.SaveToString());
  EXPECT_EQ(back.Root()->Prop("v"), value);
  EXPECT_EQ(scXMLToStr("&#65;&#66;&#$43;"), "ABC");
}

TEST(ScriptXml, FindItemAddsFindDoesNot) {
  TscXMLItem root;
  EXPECT_EQ(root.Find("parser"), -1);
  TscXMLItem* p = root.FindItem("parser");
  EXPECT_EQ(root.Count(), 1);
  EXPECT_EQ(root.FindItem("PARSER"), p);
  EXPECT_EQ(p->Root(), &root);
}

TEST(ScriptXml, AddItemMovesAndAssignCopies) {
  TscXMLItem a, b;
  TscXMLItem* c = a.Add();
  c->Name = "c";
  c->Add()->Name = "d";
  b.AddItem(c);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_EQ(c->Parent, &b);
  TscXMLItem copy;
  copy.Assign(&b);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy.Items(0)->Items(0)->Name, "d");
  EXPECT_NE(copy.Items(0), c);
  delete c;  // leaves its parent's list
  EXPECT_EQ(b.Count(), 0);
}

TEST(ScriptXml, ReaderLeavesTheStreamAfterTheDocument) {
  std::string text = "<?xml version=\"1.0\"?><a><b/></a>TAIL";
  TStringStream s(text);
  TscXMLDocument doc;
  doc.LoadFromStream(&s);
  EXPECT_EQ(s.Position(), static_cast<int64_t>(text.size() - 4));
}

TEST(ScriptXml, FilesRoundTrip) {
  char dir[] = "/tmp/orv-scxml-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string file = std::string(dir) + "/doc.xml";
  TscXMLDocument doc;
  doc.AutoIndent = true;
  doc.Root()->Name = "root";
  doc.Root()->Add()->Text = "text=\"" + scStrToXML("a<b>&c") + "\"";
  doc.Root()->Items(0)->Name = "item";
  doc.SaveToFile(file);
  TscXMLDocument back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.Root()->Items(0)->Prop("text"), "a<b>&c");
  std::remove(file.c_str());
  rmdir(dir);
  EXPECT_THROW(back.LoadFromFile(file), Exception);
}
