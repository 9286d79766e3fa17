// The PDF object writer: object texts, a one-page document with its cross-reference table.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "imaging/io/iepdf.h"
#include "platform/rtl/streams.h"

static std::string Text(TIEPDFObject& o) {
  TMemoryStream ms;
  o.WriteToStream(&ms);
  return std::string(static_cast<const char*>(ms.Memory()), size_t(ms.Size()));
}

TEST(PDF, ObjectTexts) {
  TIEPDFStringObject s("a(b)\\c");
  EXPECT_EQ(Text(s), "(a\\(b\\)\\\\c)");
  TIEPDFNameObject n("A B");
  EXPECT_EQ(Text(n), "/A#20B");
  TIEPDFNumericObject half(0.5), whole(595);
  EXPECT_EQ(Text(half), "0.5");
  EXPECT_EQ(Text(whole), "595");
  TIEPDFRefObject r(3, 0);
  EXPECT_EQ(Text(r), "3 0 R");
  TIEPDFBooleanObject b(true);
  EXPECT_EQ(Text(b), "true");
  TIEPDFArrayObject a;
  a.Add(new TIEPDFNumericObject(0));
  a.Add(new TIEPDFNumericObject(842));
  EXPECT_EQ(Text(a), "[0 842 ]");
  TIEPDFStreamObject st("abc", 3);
  EXPECT_EQ(Text(st), "<< /Length 3\n>>\nstream\nabc\nendstream");
}

TEST(PDF, NumbersIgnoreTheLocaleSeparator) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string keep = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  TIEPDFNumericObject half(0.5);
  EXPECT_EQ(Text(half), "0.5");
  std::setlocale(LC_NUMERIC, keep.c_str());
}

TEST(PDF, SharedItemsOutliveTheirContainers) {
  auto* shared = new TIEPDFDictionaryObject();
  shared->Shared = true;
  {
    TIEPDFDictionaryObject d;
    d.Add("Resources", shared);
  }
  shared->Add("X", new TIEPDFNumericObject(1));  // still alive
  EXPECT_EQ(shared->Items.size(), 1u);
  delete shared;
}

TEST(PDF, OnePageDocument) {
  TIEPDFObjectList objs, pages;
  TIEPDFDictionaryObject* catalog = IEPDFCreateCatalog(objs);
  auto* content = new TIEPDFStreamObject("q Q", 3);
  auto* box = new TIEPDFArrayObject();
  for (double v : {0.0, 0.0, 595.0, 842.0}) box->Add(new TIEPDFNumericObject(v));
  // pages after the page: the page refers to content number 4
  IEPDFCreatePage(objs, pages, nullptr, 4, box);
  IEPDFCreatePages(objs, pages);
  IEPDFAddObject(objs, content);
  auto* info = new TIEPDFDictionaryObject();
  info->Add("Title", new TIEPDFStringObject("T"));
  IEPDFAddObject(objs, info);
  TMemoryStream ms;
  IEPDFWriteHeader(&ms);
  IEPDFWriteObjects(&ms, objs);
  IEPDFWriteXRefAndTrailer(&ms, objs, info);
  std::string pdf(static_cast<const char*>(ms.Memory()), size_t(ms.Size()));
  EXPECT_EQ(pdf.rfind("%PDF-1.4\n%\xC8\xD2\xF0\xFE\n", 0), 0u);
  EXPECT_NE(pdf.find("/Root 1 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("/Info 5 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("0 6\n0000000000 65535 f \n"), std::string::npos);
  EXPECT_NE(catalog->Find("Pages"), nullptr);
  for (TIEPDFObject* o : objs) {
    std::string head = std::to_string(o->Number) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(size_t(o->Position), head.size(), head), 0) << o->Number;
  }
  size_t sx = pdf.find("startxref\n");
  ASSERT_NE(sx, std::string::npos);
  size_t x = std::stoul(pdf.substr(sx + 10));
  EXPECT_EQ(pdf.compare(x, 5, "xref\n"), 0);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  IEPDFFreeObjects(objs);
}
