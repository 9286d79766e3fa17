// TStrings and TStringList.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {
using Lines = std::vector<std::string>;

int Live = 0;
class TTag : public TObject {
  ORV_CLASS(TTag, TObject)
public:
  TTag() { ++Live; }
  ~TTag() override { --Live; }
};
ORV_CLASS_IMPL(TTag, TObject)

// A fresh folder under /tmp, removed with its files.
struct TTempDir {
  std::string Path;
  TTempDir() {
    char tmpl[] = "/tmp/orv-strings-XXXXXX";
    Path = mkdtemp(tmpl);
  }
  ~TTempDir() { std::system(("rm -rf '" + Path + "'").c_str()); }
};
}  // namespace

TEST(StringList, AddInsertDeleteIndexOfAndErrors) {
  TStringList l;
  EXPECT_EQ(l.Add("alpha"), 0);
  EXPECT_EQ(l.Add("Beta"), 1);
  l.Insert(1, "gamma");
  EXPECT_EQ(l.ToVector(), (Lines{"alpha", "gamma", "Beta"}));
  EXPECT_EQ(l.IndexOf("BETA"), 2);  // without regard to case by default
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf("BETA"), -1);
  l.SetStrings(0, "first");
  EXPECT_EQ(l[0], "first");
  l.Delete(1);
  EXPECT_EQ(l.ToVector(), (Lines{"first", "Beta"}));
  for (int bad : {-1, 2}) {
    try {
      l.Strings(bad);
      ADD_FAILURE();
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(l.Delete(2), EStringListError);
  EXPECT_THROW(l.Insert(3, "x"), EStringListError);
}

TEST(StringList, NamesValuesAndValueFromIndex) {
  TStringList l;
  l.SetText("a=1\nb=2\nplain\nc==x\n");
  EXPECT_EQ(l.Values("B"), "2");
  EXPECT_EQ(l.Names(0), "a");
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.ValueFromIndex(2), "");
  EXPECT_EQ(l.Values("c"), "=x");
  EXPECT_EQ(l.IndexOfName("C"), 3);
  EXPECT_EQ(l.IndexOfName("plain"), -1);
  l.SetValues("b", "20");
  l.SetValues("d", "4");
  l.SetValues("a", "");  // deletes the entry
  EXPECT_EQ(l.ToVector(), (Lines{"b=20", "plain", "c==x", "d=4"}));
  l.SetValueFromIndex(0, "200");
  EXPECT_EQ(l[0], "b=200");
  l.SetNameValueSeparator(':');
  l.Add("key:val");
  EXPECT_EQ(l.Values("key"), "val");
}

TEST(StringList, TextSplitsEveryLineBreakAndJoinsWithLineBreak) {
  struct Case {
    const char* Text;
    Lines Expected;
  };
  const Case cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\n", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\rtwo", {"one", "two"}},
      {"a\n\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"x\r\n\r\n", {"x", ""}},
  };
  TStringList l;
  for (const Case& c : cases) {
    l.SetText(c.Text);
    EXPECT_EQ(l.ToVector(), c.Expected) << c.Text;
  }
  l.SetText("a\r\nb");
  EXPECT_EQ(l.Text(), "a\nb\n");
  l.SetLineBreak("\r\n");
  EXPECT_EQ(l.Text(), "a\r\nb\r\n");
}

TEST(StringList, CommaTextQuotesWhatNeedsItAndParsesBack) {
  struct Case {
    Lines Entries;
    const char* Comma;
  };
  const Case cases[] = {
      {{"a", "b", "c"}, "a,b,c"},
      {{"with space", "x"}, "\"with space\",x"},
      {{"q\"uote"}, "\"q\"\"uote\""},
      {{"a,b"}, "\"a,b\""},
      {{""}, "\"\""},
      {{}, ""},
      {{"a", "", "b"}, "a,,b"},
  };
  TStringList l;
  for (const Case& c : cases) {
    l.Clear();
    l.AddStrings(c.Entries);
    EXPECT_EQ(l.CommaText(), c.Comma);
    l.SetCommaText(c.Comma);
    EXPECT_EQ(l.ToVector(), c.Entries) << c.Comma;
  }
  // Reading: blanks separate entries outside quotes, a trailing delimiter adds an empty entry.
  struct Parse {
    const char* Text;
    Lines Expected;
  };
  const Parse parses[] = {
      {"one two, three", {"one", "two", "three"}},
      {"  lead", {"lead"}},
      {"a,", {"a", ""}},
      {"\"unclosed", {"unclosed"}},
      {"\"x\"y", {"x", "y"}},
  };
  for (const Parse& p : parses) {
    l.SetCommaText(p.Text);
    EXPECT_EQ(l.ToVector(), p.Expected) << p.Text;
  }
}

TEST(StringList, DelimitedTextWithOwnDelimiterAndStrictDelimiter) {
  TStringList l;
  l.SetDelimiter(';');
  l.SetQuoteChar('\'');
  l.SetDelimitedText("a b;'c;d';e");
  EXPECT_EQ(l.ToVector(), (Lines{"a", "b", "c;d", "e"}));
  l.SetStrictDelimiter(true);
  l.SetDelimitedText("a b; c;'d;e'");
  EXPECT_EQ(l.ToVector(), (Lines{"a b", " c", "d;e"}));
  EXPECT_EQ(l.DelimitedText(), "a b; c;'d;e'");
  EXPECT_EQ(l.CommaText(), "\"a b\",\" c\",d;e");  // CommaText keeps its own rules
  EXPECT_EQ(l.Delimiter(), ';');
}

TEST(StringList, SortedFindAndDuplicates) {
  TStringList l;
  l.AddStrings(Lines{"pear", "Apple", "fig"});
  l.SetSorted(true);
  EXPECT_EQ(l.ToVector(), (Lines{"Apple", "fig", "pear"}));
  int index = -1;
  EXPECT_TRUE(l.Find("FIG", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(l.Find("grape", index));
  EXPECT_EQ(index, 2);  // insertion point
  EXPECT_EQ(l.Add("banana"), 1);
  EXPECT_EQ(l.Add("APPLE"), 0);  // dupIgnore: the existing index, nothing added
  EXPECT_EQ(l.Count(), 4);
  l.SetDuplicates(dupError);
  try {
    l.Add("pear");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  l.SetDuplicates(dupAccept);
  l.Add("fig");
  EXPECT_EQ(l.ToVector(), (Lines{"Apple", "banana", "fig", "fig", "pear"}));
  EXPECT_EQ(l.IndexOf("fig"), 2);
  for (auto call : {+[](TStringList& s) { s.Insert(0, "x"); }, +[](TStringList& s) { s.SetStrings(0, "x"); },
                    +[](TStringList& s) { s.Move(0, 1); }})
    EXPECT_THROW(call(l), EStringListError);
  l.SetCaseSensitive(true);  // re-sorts by bytes: upper case first
  l.Add("Zebra");
  EXPECT_EQ(l[0], "Apple");
  EXPECT_EQ(l[1], "Zebra");
}

TEST(StringList, CustomSortMoveExchangeKeepObjects) {
  TStringList l;
  TTag t1, t2, t3;
  l.AddObject("ccc", &t1);
  l.AddObject("a", &t2);
  l.AddObject("bb", &t3);
  l.CustomSort([](TStringList* s, int i, int j) {
    return static_cast<int>(s->Strings(i).size()) - static_cast<int>(s->Strings(j).size());
  });
  EXPECT_EQ(l.ToVector(), (Lines{"a", "bb", "ccc"}));
  EXPECT_EQ(l.Objects(0), &t2);
  l.Move(0, 2);
  EXPECT_EQ(l.ToVector(), (Lines{"bb", "ccc", "a"}));
  EXPECT_EQ(l.Objects(2), &t2);
  l.Exchange(0, 1);
  EXPECT_EQ(l.Objects(0), &t1);
  EXPECT_EQ(l.IndexOfObject(&t3), 1);
  l.InsertObject(0, "z", &t3);
  EXPECT_EQ(l.Objects(0), &t3);
}

TEST(StringList, OwnsObjectsFreesThem) {
  Live = 0;
  {
    TStringList l(true);
    l.AddObject("a", new TTag);
    l.AddObject("b", new TTag);
    l.AddObject("c", new TTag);
    l.Delete(0);
    EXPECT_EQ(Live, 2);
    l.SetObjects(0, new TTag);  // replaces and frees the old one
    EXPECT_EQ(Live, 2);
  }
  EXPECT_EQ(Live, 0);
}

TEST(StringList, ChangeEventsAndUpdateNesting) {
  TStringList l;
  int changing = 0, changed = 0;
  l.OnChanging = [&](TObject* s) { EXPECT_EQ(s, &l); ++changing; };
  l.OnChange = [&](TObject*) { ++changed; };
  l.Add("a");
  l.SetStrings(0, "b");
  l.Delete(0);
  EXPECT_EQ(changing, 3);
  EXPECT_EQ(changed, 3);
  l.BeginUpdate();
  l.BeginUpdate();
  l.Add("x");
  l.Add("y");
  l.EndUpdate();
  EXPECT_EQ(changed, 3);
  l.EndUpdate();
  EXPECT_EQ(changing, 4);
  EXPECT_EQ(changed, 4);
  l.SetText("p\nq\nr");  // one change for the whole text
  EXPECT_EQ(changed, 5);
}

TEST(StringList, AssignEqualsAndAssignErrors) {
  TStringList a, b;
  a.SetDelimiter(';');
  a.AddStrings(Lines{"1", "2"});
  b.Add("old");
  b.Assign(&a);
  EXPECT_TRUE(b.Equals(&a));
  EXPECT_EQ(b.Delimiter(), ';');
  b.Add("3");
  EXPECT_FALSE(b.Equals(&a));
  b.AddStrings(&b);  // adding a list to itself doubles it
  EXPECT_EQ(b.Count(), 6);
  EXPECT_THROW(b.Assign(nullptr), EConvertError);
}

TEST(StringList, FilesAreUtf8LoadedWithAnyLineBreakSavedWithLineBreak) {
  TTempDir dir;
  std::string in = dir.Path + "/in.txt";
  {
    std::ofstream f(in, std::ios::binary);
    f << "\xEF\xBB\xBF" << "名前=値\r\nsecond\nthird";
  }
  TStringList l;
  l.LoadFromFile(in);
  EXPECT_EQ(l.ToVector(), (Lines{"名前=値", "second", "third"}));
  EXPECT_EQ(l.Values("名前"), "値");
  std::string out = dir.Path + "/out.txt";
  l.SaveToFile(out);
  std::stringstream ss;
  ss << std::ifstream(out, std::ios::binary).rdbuf();
  EXPECT_EQ(ss.str(), "名前=値\nsecond\nthird\n");
  l.SetLineBreak("\r\n");
  l.SaveToFile(out);
  std::stringstream ss2;
  ss2 << std::ifstream(out, std::ios::binary).rdbuf();
  EXPECT_EQ(ss2.str(), "名前=値\r\nsecond\r\nthird\r\n");
  EXPECT_THROW(l.LoadFromFile(dir.Path + "/missing.txt"), EFOpenError);
  EXPECT_EQ(l.Count(), 3);  // a failed load loses nothing

  TMemoryStream ms;
  l.SaveToStream(&ms);
  ms.SetPosition(0);
  TStringList back;
  back.LoadFromStream(&ms);
  EXPECT_TRUE(back.Equals(&l));
}
