// Base classes reached from scripts (lists, string lists, streams, components, XML items) and
// script procedures bound to events through event adapters.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/rtl/component.h"
#include "platform/rtl/handletable.h"
#include "platform/rtl/typinfo.h"
#include "script/sc_iclassesrtti.h"
#include "script/sc_ievents.h"
#include "script_test_util.h"

// A component with a published event and a counter, for binding script handlers.
class TClassesTestSource : public TComponent {
  ORV_CLASS(TClassesTestSource, TComponent)
public:
  explicit TClassesTestSource(TComponent* AOwner) : TComponent(AOwner) {}
  static void Publish(TPublisher<TClassesTestSource>& P) {
    P.Event("OnFire", &TClassesTestSource::OnFire).Type("TNotifyEvent");
  }
  TNotifyEvent OnFire;
  void Fire() {
    if (OnFire) OnFire(this);
  }
};
ORV_CLASS_IMPL(TClassesTestSource, TComponent)

namespace {

struct ClassesFixture : ::testing::Test {
  void SetUp() override {
    scStartClassesRTTI();
    if (TscScript* g = scGlobalScript()) {
      if (!g->FindLocal("TClassesTestSource")) {
        TObject* saved = g->Registrar;
        g->Registrar = nullptr;
        if (TscClassVariable* c = g->AddClass(TClassesTestSource::StaticClass(), "TComponent"))
          c->AddEvent("OnFire", TscNotifyEvent::StaticClass());
        g->Registrar = saved;
      }
    }
  }
};

std::string RunIn(const std::string& Language, const std::string& Text) {
  TestProgram p(Language, Text);
  std::string r = p.Run();
  return r.empty() ? p.Joined() : r;
}

}  // namespace

using ClassesRtti = ClassesFixture;

// String lists: Add returns the index, Values and Names split name=value entries, the default
// property reads and writes entries, Find on a sorted list gives the insertion point.
TEST_F(ClassesRtti, StringListsFromEveryLanguage) {
  const char* expected = "0|1|2|a|b=2|x|2|False|1|3";
  EXPECT_EQ(
      RunIn("PascalScript",
            "var l: TStringList; i: Integer; begin l := TStringList.Create; Print(l.Add('a=1')); "
            "Print(l.Add('b=2')); Print(l.Values['b']); Print(l.Names[0]); Print(l[1]); l[1] := "
            "'x'; Print(l[1]); "
            "l[1] := 'b=2'; Print(l.Count); l.Sorted := True; Print(l.Find('a=0', i)); Print(i); "
            "Print(l.CommaText); l.Free end."),
      std::string("0|1|2|a|b=2|x|2|False|0|a=1,b=2"));
  EXPECT_EQ(
      RunIn("JScript",
            "var l = new TStringList; Print(l.Add(\"a=1\")); Print(l.Add(\"b=2\")); "
            "Print(l.Add(\"c\")); "
            "Print(l.Names[0]); Print(l[1]); l[2] = \"x\"; Print(l[2]); Print(l.IndexOf(\"x\")); "
            "l.Sorted = true; var i = 0; Print(l.Find(\"b\", i)); Print(i); Print(l.Count); "
            "l.Free();"),
      expected);
  EXPECT_EQ(RunIn("BasicScript",
                  "l = new TStringList\nPrint(l.Add(\"one\"))\nl.Add(\"two\")\nl.Insert(0, "
                  "\"zero\")\nPrint(l[0])\n"
                  "l.Move(0, 2)\nPrint(l.Text)\nl.Free\n"),
            "0|zero|one\ntwo\nzero\n");
  EXPECT_EQ(RunIn("C++Script",
                  "TStringList l; { l = new TStringList; l.CommaText = \"c,a,b\"; l.Sort(); "
                  "Print(l.CommaText); "
                  "Print(l.Values[\"z\"] == \"\"); delete l; }"),
            "a,b,c|True");
}

// Lists of objects and streams.
TEST_F(ClassesRtti, ListsAndStreams) {
  EXPECT_EQ(
      RunIn("PascalScript",
            "var l: TList; a, b: TStringList; begin l := TList.Create; a := TStringList.Create; "
            "b := TStringList.Create; Print(l.Add(a)); Print(l.Add(b)); Print(l.IndexOf(b)); "
            "Print(TStringList(l[1]).Count); l.Remove(a); Print(l.Count); Print(l[0] = b); "
            "a.Free; b.Free; l.Free end."),
      "0|1|1|0|1|True");
  // Reading more than remains gives the shorter count and text.
  EXPECT_EQ(
      RunIn("JScript",
            "var m = new TMemoryStream; Print(m.Write(\"hello world\", 11)); Print(m.Size); "
            "m.Position = 6; "
            "var s = \"\"; Print(m.Read(s, 100)); Print(s); Print(m.Seek(0, soFromBeginning)); "
            "m.Read(s, 5); Print(s); var n = new TMemoryStream; Print(n.CopyFrom(m, 0)); "
            "Print(n.Size); "
            "m.Free(); n.Free();"),
      "11|11|5|world|0|hello|11|11");
  EXPECT_EQ(
      RunIn("C++Script",
            "TList l; TMemoryStream m; string t; { l = new TList; m = new TMemoryStream; l.Add(m); "
            "Print(l.Count); "
            "m.Write(\"abc\", 3); m.Position = 1; Print(m.Read(t, 2)); Print(t); "
            "Print(TMemoryStream(l[0]).Size); l.Remove(m); Print(l.Count); delete m; delete l; }"),
      "1|2|bc|3|0");
  EXPECT_EQ(RunIn("BasicScript",
                  "m = new TMemoryStream\nm.Write(\"xyz\", 3)\nPrint(m.Size)\nm.Seek(-2, "
                  "soFromEnd)\nt = \"\"\n"
                  "m.Read(t, 5)\nPrint(t)\nl = new "
                  "TList\nPrint(l.Add(m))\nPrint(l.IndexOf(m))\nm.Free\nl.Free\n"),
            "3|yz|0|0");
  std::string file = (std::filesystem::temp_directory_path() / "orv_script_stream.txt").string();
  std::remove(file.c_str());
  EXPECT_EQ(RunIn("PascalScript",
                  "var f: TFileStream; l: TStringList; begin f := TFileStream.Create('" + file +
                      "', fmCreate); f.Write('a' + Chr(10) + 'b' + Chr(10), 4); f.Free; "
                      "l := TStringList.Create; l.LoadFromFile('" +
                      file + "'); Print(l.Count); Print(l[1]); l.Free end."),
            "2|b");
  std::remove(file.c_str());
  // A missing file raises the stream error the script can see.
  EXPECT_EQ(
      RunIn("PascalScript",
            "var f: TFileStream; begin f := TFileStream.Create('/nonexistent/x', fmOpenRead) end.")
          .rfind("exception: ", 0),
      0u);
}

// Components made by scripts join their owner; published Name and Tag need no registration.
TEST_F(ClassesRtti, ComponentsAndXmlItems) {
  TComponent owner(nullptr);
  TestProgram p(
      "PascalScript",
      "var c: TComponent; begin c := TComponent.Create(Owner1); c.Name := 'Child'; c.Tag := 7; "
      "Print(c.Owner = Owner1); Print(c.ClassName) end.");
  p.Script.AddObject("Owner1", &owner);
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "True|TComponent");
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0)->Name(), "Child");
  EXPECT_EQ(owner.Components(0)->Tag(), 7);

  EXPECT_EQ(RunIn("JScript",
                  "var d = new TscXMLDocument; var r = d.Root; r.Name = \"report\"; var x = "
                  "r.Add(); x.Name = \"page\"; "
                  "x.Text = \"width=\\\"10\\\"\"; Print(r.Count); Print(r.Find(\"page\")); "
                  "Print(r[0].Prop(\"width\")); "
                  "Print(x.Parent == r); d.Free();"),
            "1|0|10|True");
}

// A script procedure bound to an event runs with the object as Sender; nil unbinds it; a name
// that is no procedure is refused; assigning again replaces the adapter; Free frees adapters.
TEST_F(ClassesRtti, EventsBindScriptProcedures) {
  TClassesTestSource source(nullptr);
  TestProgram p("PascalScript",
                "var n: Integer; procedure Fired(Sender: TObject); begin n := n + 1; Print(Sender "
                "= Src) end;\n"
                "procedure Other(Sender: TObject); begin Print('other') end;\n"
                "begin Src.OnFire := 'Fired'; Print(Src.OnFire = '') end.");
  p.Script.AddObject("Src", &source);
  ASSERT_EQ(p.Run(), "");
  int before = GlobalEventList()->Count();
  source.Fire();
  source.Fire();
  EXPECT_EQ(p.Joined(), "True|True|True");
  EXPECT_EQ(p.Script.FindLocal("n")->Value.AsInteger(), 2);
  // Assigning another handler replaces the adapter; nil removes the handler.
  TestProgram q("PascalScript",
                "procedure Other(Sender: TObject); begin Print('other') end;\nbegin Src.OnFire := "
                "'Other' end.");
  q.Script.AddObject("Src", &source);
  ASSERT_EQ(q.Run(), "");
  EXPECT_EQ(GlobalEventList()->Count(), before);
  source.Fire();
  EXPECT_EQ(q.Joined(), "other");
  TestProgram r("JScript", "Src.OnFire = nil;");
  r.Script.AddObject("Src", &source);
  ASSERT_EQ(r.Run(), "");
  EXPECT_FALSE(source.OnFire);
  EXPECT_EQ(GlobalEventList()->Count(), before - 1);
  // Something that is no procedure.
  TestProgram bad("PascalScript", "var v: Integer; begin Src.OnFire := 'v' end.");
  bad.Script.AddObject("Src", &source);
  EXPECT_EQ(bad.Run(), "exception: Event handler must be a procedure");
  // An object the script frees takes its adapters with it.
  TestProgram own(
      "PascalScript",
      "var s: TClassesTestSource; procedure F(Sender: TObject); begin end;\n"
      "begin s := TClassesTestSource.Create(nil); s.OnFire := 'F'; s.OnFire := 'F'; s.Free end.");
  int count = GlobalEventList()->Count();
  ASSERT_EQ(own.Run(), "");
  EXPECT_EQ(GlobalEventList()->Count(), count);
}

// A handler that fires its own event again is not re-entered.
TEST_F(ClassesRtti, EventsAreNotReentered) {
  TClassesTestSource source(nullptr);
  TestProgram p("PascalScript",
                "var n: Integer; procedure Fired(Sender: TObject); begin n := n + 1; Fire end;\n"
                "begin Src.OnFire := 'Fired' end.");
  p.Script.AddObject("Src", &source);
  p.Script.AddMethod("procedure Fire", [&](TObject*, TClass, const std::string&, TscArgs&) {
    source.Fire();
    return Variant(0);
  });
  ASSERT_EQ(p.Run(), "");
  source.Fire();
  EXPECT_EQ(p.Script.FindLocal("n")->Value.AsInteger(), 1);
  source.OnFire = nullptr;
}

// A script destroyed while a native object still has its procedure as a handler: the adapter
// goes with the procedure and the event calls nothing.
TEST_F(ClassesRtti, EventsOfADestroyedScriptAreNotCalled) {
  TClassesTestSource source(nullptr);
  int count = GlobalEventList()->Count();
  {
    TestProgram p(
        "PascalScript",
        "procedure F(Sender: TObject); begin Print('x') end; begin Src.OnFire := 'F' end.");
    p.Script.AddObject("Src", &source);
    ASSERT_EQ(p.Run(), "");
    EXPECT_EQ(GlobalEventList()->Count(), count + 1);
  }
  EXPECT_EQ(GlobalEventList()->Count(), count);
  EXPECT_NO_THROW(source.Fire());
}
