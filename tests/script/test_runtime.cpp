// The runtime: native classes and handles, calls, flags, the line hook, termination, evaluation
// and the registration operations.
#include <gtest/gtest.h>

#include "platform/rtl/sysutils.h"
#include "script/sc_itools.h"
#include "script/sc_xml.h"
#include "script_test_util.h"

namespace {

class TTestObj : public TObject {
  ORV_CLASS(TTestObj, TObject)
public:
  static int Live;
  TTestObj() { ++Live; }
  ~TTestObj() override { --Live; }
  int Value = 0;
  std::vector<std::string> Items{"a", "b", "c"};
};
int TTestObj::Live = 0;
ORV_CLASS_IMPL(TTestObj, TObject)

// Registers TObject (Create, Free) and TTestObj on the program, the way a binding unit does.
void RegisterTestClasses(TscScript& S) {
  TscMethodCallback cb = [](TObject* Inst, TClass Cls, const std::string& Name, TscArgs& P) -> Variant {
    if (Cls == TObject::StaticClass()) {
      if (Name == "CREATE") return scObjectToValue(scConstructingClass()->Factory(nullptr));
      if (Name == "FREE") delete Inst;
      return 0;
    }
    auto* t = static_cast<TTestObj*>(Inst);
    if (Name == "TWICE") return P[0].AsInteger() * 2;
    if (Name == "ITEMS.GET") return Variant(t->Items.at(static_cast<size_t>(P[0].AsInteger())));
    if (Name == "ITEMS.SET") t->Items.at(static_cast<size_t>(P[0].AsInteger())) = VarToStr(P[1]);
    return 0;
  };
  TscClassVariable* obj = S.AddClass(TObject::StaticClass(), "");
  obj->AddConstructor("constructor Create", cb);
  obj->AddMethod("procedure Free", cb);
  TscClassVariable* t = S.AddClass(TTestObj::StaticClass(), "TObject");
  t->AddProperty(
      "Value", "Integer",
      [](TObject* I, TClass, const std::string&) { return Variant(static_cast<TTestObj*>(I)->Value); },
      [](TObject* I, TClass, const std::string&, const Variant& V) { static_cast<TTestObj*>(I)->Value = V.AsInteger(); });
  t->AddMethod("function Twice(x: Integer): Integer", cb);
  t->AddDefaultProperty("Items", "Integer", "String", cb, false);
}

}  // namespace

TEST(ScriptRuntime, NativeClassMembersAndConstruction) {
  TTestObj::Live = 0;
  {
    TestProgram p("PascalScript",
                  "var o: TTestObj;\n"
                  "begin o := TTestObj.Create; o.Value := 21; Print(o.Value); Print(o.Twice(o.Value));\n"
                  "  Print(o[1]); o[1] := 'x'; Print(o.Items[1]);\n"
                  "  with o do begin Value := 5; Print(Twice(Value)) end;\n"
                  "  Print(o is TTestObj); Print(TObject(o) = o); o.Free end.");
    RegisterTestClasses(p.Script);
    EXPECT_EQ(p.Run(), "");
    EXPECT_EQ(p.Joined(), "21|42|b|x|10|True|True");
  }
  EXPECT_EQ(TTestObj::Live, 0);
}

// The with statement of each language that has one (C++Script has none) finds the members
// of the object without qualification, and the object is freed at the end.
TEST(ScriptRuntime, WithStatementInEachLanguageThatHasIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"PascalScript",
       "var o: TTestObj;\n"
       "begin o := TTestObj.Create; with o do begin Value := 5; Print(Twice(Value)) end; Print(o.Value); o.Free end."},
      {"BasicScript",
       "dim o as TTestObj\no = new TTestObj\nwith o\n  Value = 5\n  Print(Twice(Value))\nend with\nPrint(o.Value)\ndelete o\n"},
      {"JScript", "var o = new TTestObj; with (o) { Value = 5; Print(Twice(Value)); } Print(o.Value); delete o;"},
  };
  for (const auto& [lang, text] : cases) {
    TTestObj::Live = 0;
    {
      TestProgram p(lang, text);
      RegisterTestClasses(p.Script);
      EXPECT_EQ(p.Run(), "") << lang;
      EXPECT_EQ(p.Joined(), "10|5") << lang;
    }
    EXPECT_EQ(TTestObj::Live, 0) << lang;
  }
}

// A call with fewer arguments than the one before starts the missing ones from their defaults,
// in script calls as in native ones, and recursion levels keep their own values.
TEST(ScriptRuntime, ScriptCallsWithFewerArgumentsDoNotSeeThePreviousValues) {
  TestProgram p("PascalScript",
                "function F(a: Integer; b: Integer = 10): Integer; begin Result := a + b end;\n"
                "function G(n: Integer; acc: Integer = 0): Integer;\n"
                "begin if n = 0 then Result := acc else Result := G(n - 1, acc + n) + G(0) end;\n"
                "begin Print(F(1, 2)); Print(F(5)); Print(F(7, 1)); Print(F(7)); Print(G(3)); Print(G(3)) end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "3|15|8|17|6|6");
}

TEST(ScriptRuntime, NewAndDeleteInCLikeLanguages) {
  TTestObj::Live = 0;
  {
    TestProgram p("C++Script", "TTestObj o; { o = new TTestObj; o.Value = 3; Print(o.Value); delete o; }");
    RegisterTestClasses(p.Script);
    EXPECT_EQ(p.Run(), "");
    EXPECT_EQ(p.Joined(), "3");
  }
  EXPECT_EQ(TTestObj::Live, 0);
}

TEST(ScriptRuntime, ReadingAClassWithoutConstructingCreatesNothing) {
  TTestObj::Live = 0;
  {
    TestProgram p("PascalScript", "var v: Variant; begin v := TTestObj; Print(VarType(v)) end.");
    RegisterTestClasses(p.Script);
    EXPECT_EQ(p.Run(), "");
    EXPECT_EQ(p.Joined(), "1");  // Null
    EXPECT_EQ(TTestObj::Live, 0);
  }
  EXPECT_EQ(TTestObj::Live, 0);
}

TEST(ScriptRuntime, StaleHandlesAndNonHandlesAreErrors) {
  TestProgram p("PascalScript", "var o: TTestObj; begin o := TTestObj.Create; o.Free; Print(o.Value) end.");
  RegisterTestClasses(p.Script);
  EXPECT_EQ(p.Run(), "exception: Invalid object reference");
  TestProgram q("PascalScript", "begin Print(Bogus.Value) end.");
  RegisterTestClasses(q.Script);
  q.Script.AddVariable("Bogus", "TTestObj", 987654);
  EXPECT_EQ(q.Run(), "exception: Invalid object reference");
  TestProgram r("PascalScript", "var o: TObject; begin o[1] := 2 end.");
  RegisterTestClasses(r.Script);
  EXPECT_EQ(r.Run(), "Class TObject does not have a default property@1:25");
}

TEST(ScriptRuntime, CallFunctionStartsMissingParametersFromTheirDefaults) {
  TestProgram p("PascalScript",
                "function F(a: Integer; b: Integer = 10): Integer; begin Result := a + b end; begin end.");
  ASSERT_EQ(p.Run(), "");
  EXPECT_EQ(p.Script.CallFunction("F", VarArrayOf({1, 2})).AsInteger(), 3);
  EXPECT_EQ(p.Script.CallFunction("F", VarArrayOf({5})).AsInteger(), 15);
  EXPECT_TRUE(p.Script.CallFunction("IntToStr", VarArrayOf({5})).IsNull());  // only the parent has it
  EXPECT_THROW(p.Script.CallFunction("F", VarArrayOf({1, 2, 3})), EListError);
  TestProgram v("PascalScript", "procedure P(var x: Integer); begin x := x * 2 end; begin end.");
  ASSERT_EQ(v.Run(), "");
  Variant args = VarArrayOf({21});
  v.Script.CallFunctionVarParams("P", args);
  EXPECT_EQ(args[0].AsInteger(), 42);
}

TEST(ScriptRuntime, BreakEndsOnlyItsOwnConstruct) {
  TestProgram js("JScript", "for (var i = 1; i <= 3; i++) { switch (i) { case 2: break; } Print(i); }");
  EXPECT_EQ(js.Run(), "");
  EXPECT_EQ(js.Joined(), "1|2|3");
  TestProgram pas("PascalScript",
                  "var i: Integer; begin for i := 1 to 3 do case i of 2: break; end; Print(i) end.");
  EXPECT_EQ(pas.Run(), "");
  EXPECT_EQ(pas.Joined(), "2");
  // A second run is not affected by anything the first left behind.
  EXPECT_NO_THROW(pas.Script.Execute());
  EXPECT_EQ(pas.Joined(), "2|2");
}

TEST(ScriptRuntime, LoopsWithoutABody) {
  const std::pair<const char*, const char*> cases[] = {
      {"PascalScript", "var c: Boolean; begin c := False; while c do ; Print('ok') end."},
      {"BasicScript", "c = false\nwhile c\nwend\nPrint(\"ok\")\n"},
      {"C++Script", "int i; { for (i = 0; i < 3; i++) ; Print(\"ok\"); }"},
  };
  for (const auto& [lang, text] : cases) {
    TestProgram p(lang, text);
    EXPECT_EQ(p.Run(), "") << lang;
    EXPECT_EQ(p.Joined(), "ok") << lang;
  }
}

TEST(ScriptRuntime, CountingLoops) {
  struct {
    const char* Language;
    const char* Text;
    const char* Output;
  } cases[] = {
      {"PascalScript", "var i, n: Integer; begin n := 0; for i := 1 to 0 do n := n + 1; Print(n) end.", "0"},
      {"PascalScript", "var i, n: Integer; begin n := 0; for i := 5 downto 1 do n := n + 1; Print(n); Print(i) end.",
       "5|1"},
      {"PascalScript", "var i, e, n: Integer; begin e := 3; n := 0; for i := 1 to e do begin e := 10; n := n + 1 end; Print(n) end.",
       "3"},
      {"PascalScript", "var i, n: Integer; begin n := 0; for i := 1 to 3 do begin i := 10; n := n + 1 end; Print(n); Print(i) end.",
       "3|10"},
      {"BasicScript", "for i = 10 to 1 step -2\nPrint(i)\nnext\n", "10|8|6|4|2"},
      {"BasicScript", "n = 0\nfor x = 0 to 2 step 0.5\nn = n + 1\nnext\nPrint(n)\n", "5"},
      // Loops that test at the end run their body once even when the test fails at once.
      {"BasicScript", "i = 0\ndo\ni = i + 3\nloop while i < 10\nPrint(i)\n", "12"},
      {"BasicScript", "i = 20\ndo\ni = i + 3\nloop while i < 10\nPrint(i)\n", "23"},
      {"BasicScript", "i = 5\ndo\ni = i + 1\nloop until true\nPrint(i)\n", "6"},
      {"PascalScript", "var i: Integer; begin i := 9; repeat i := i + 1 until True; Print(i) end.", "10"},
      {"C++Script", "int i; { i = 9; do i++; while (i < 5); Print(i); }", "10"},
      {"JScript", "var i = 9; do i++; while (i < 5); Print(i);", "10"},
      {"JScript", "var n = 0; for (var i = 0; i < 10; i += 3) n++; Print(n); Print(i);", "4|12"},
  };
  for (const auto& c : cases) {
    TestProgram p(c.Language, c.Text);
    EXPECT_EQ(p.Run(), "") << c.Text;
    EXPECT_EQ(p.Joined(), c.Output) << c.Text;
  }
}

TEST(ScriptRuntime, ExitRunsFinallyThenLeaves) {
  TestProgram p("PascalScript",
                "procedure P; begin try Print('body'); exit; Print('no') finally Print('finally') end; Print('no') end;\n"
                "begin P; Print('after') end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "body|finally|after");
}

TEST(ScriptRuntime, LineHookReportsStatementsButNotJumps) {
  TestProgram p("PascalScript",
                "var i: Integer;\nbegin\n  for i := 1 to 2 do\n  begin\n    if i = 2 then break;\n    Print(i)\n  end\nend.");
  std::vector<std::string> lines;
  p.Script.OnRunLine = [&](TscScript*, const std::string&, const std::string& Pos) { lines.push_back(Pos); };
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(lines, (std::vector<std::string>{"3:3", "5:5", "6:5", "5:5"}));
  EXPECT_TRUE(p.Script.IsExecutableLine(5));
  EXPECT_FALSE(p.Script.IsExecutableLine(1));
  EXPECT_FALSE(p.Script.IsExecutableLine(4));
}

TEST(ScriptRuntime, TerminateStopsCalledProceduresAndTheNextRunIsNormal) {
  TestProgram p("PascalScript",
                "var n: Integer;\nprocedure Loop; begin while True do n := n + 1 end;\nbegin n := 0; Loop; Print('not here') end.");
  int calls = 0;
  p.Script.OnRunLine = [&](TscScript*, const std::string&, const std::string&) {
    if (++calls == 50) p.Script.Terminate();
  };
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "");
  calls = -1000000;  // no termination in the second run
  p.Script.OnRunLine = nullptr;
  TestProgram q("PascalScript", "var n: Integer; begin n := 0; while n < 3 do n := n + 1; Print(n) end.");
  q.Script.OnRunLine = [&](TscScript*, const std::string&, const std::string&) { q.Script.Terminate(); };
  EXPECT_EQ(q.Run(), "");
  q.Script.OnRunLine = nullptr;
  q.Script.Execute();
  EXPECT_EQ(q.Joined(), "3");
}

TEST(ScriptRuntime, EvaluateSeesTheLocalsOfTheRunningProcedure) {
  TestProgram p("PascalScript", "procedure P(n: Integer); var k: Integer;\nbegin\n  k := n + 1;\n  Print(k)\nend;\nbegin P(4) end.");
  Variant seen;
  p.Script.OnRunLine = [&](TscScript*, const std::string&, const std::string& Pos) {
    if (Pos == "4:3") seen = p.Script.Evaluate("k * 10");
  };
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(VarToStr(seen), "50");
}

TEST(ScriptRuntime, MacroRoutinesReceiveTheTextOfTheirArguments) {
  TestProgram p("PascalScript", "var a, b: Integer; begin Print(Show(a + b)) end.");
  p.Script.AddMethod("macrofunction Show(x: Variant): String",
                     [](TObject*, TClass, const std::string&, TscArgs& P) { return P[0]; });
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "a + b");
}

TEST(ScriptRuntime, ItemTableAndRegistration) {
  TscScript s;
  s.Parent = scGlobalScript();
  auto* first = new TscVariable("x", tcInteger, "");
  auto* second = new TscVariable("X", tcInteger, "");
  s.AddItem("x", first);
  s.AddItem("X", second);
  EXPECT_EQ(s.FindLocal("x"), second);  // the last added of equal names
  s.AddEnumSet("TSet", "a, b, c");
  EXPECT_EQ(s.FindLocal("c")->Value.AsInteger(), 4);
  s.AddEnum("TEnum", "e0, e1, e2");
  EXPECT_EQ(s.FindLocal("e2")->Value.AsInteger(), 2);
  EXPECT_EQ(s.FindLocal("e2")->TypeCode, tcEnum);
  int before = s.ItemCount();
  s.AddVariable("True", "Boolean", false);  // the parent has it: nothing is added
  EXPECT_EQ(s.ItemCount(), before);
  EXPECT_EQ(s.Find("True")->GetValue().AsBoolean(), true);
  TObject owner;
  s.Registrar = &owner;
  s.AddConst("Mine", "Integer", 1);
  s.Registrar = nullptr;
  s.RemoveItems(&owner);
  EXPECT_EQ(s.FindLocal("Mine"), nullptr);
  EXPECT_NE(s.FindLocal("x"), nullptr);
}

TEST(ScriptRuntime, CompileReportsAndClearsErrors) {
  TestProgram p("PascalScript", "begin\n\n  x := ;\nend.");
  EXPECT_FALSE(p.Script.Compile());
  EXPECT_EQ(p.Script.ErrorText, "Expression expected");
  EXPECT_EQ(p.Script.ErrorPosition, "3:8");
  p.Script.SetText("begin end.");
  EXPECT_TRUE(p.Script.Compile());
  EXPECT_EQ(p.Script.ErrorText, "");
  EXPECT_EQ(p.Script.ErrorPosition, "");
  TscScript bad;
  bad.SyntaxType = "Lua";
  EXPECT_THROW(bad.Compile(), Exception);
}

TEST(ScriptRuntime, PublishedPropertiesThroughTypeInformation) {
  TComponent owner(nullptr);
  auto* c = new TComponent(&owner);
  c->SetName("First");
  TestProgram p("PascalScript", "begin Print(Comp.Name); Comp.Name := 'Second'; Comp.Tag := 7; Print(Comp.Tag + 1) end.");
  RegisterTestClasses(p.Script);
  p.Script.AddClass(TComponent::StaticClass(), "TObject");
  p.Script.AddObject("Comp", c);
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "First|8");
  EXPECT_EQ(c->Name(), "Second");
  EXPECT_EQ(c->Tag(), 7);
}

TEST(ScriptRuntime, JumpsOutsideTheirConstructsAreCompileErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"PascalScript", "procedure P; begin continue end; begin end."},
      {"C++Script", "{ switch (1) { case 1: continue; } }"},
      {"JScript", "break;"},
      {"BasicScript", "if true then break\n"},
  };
  for (const auto& [lang, text] : cases) {
    TestProgram p(lang, text);
    std::string r = p.Run();
    EXPECT_EQ(r.substr(0, r.find('@')), "BREAK or CONTINUE outside of loop") << lang << ": " << text;
  }
  TestProgram ok("C++Script", "{ switch (1) { case 1: break; } Print(\"after\"); }");
  EXPECT_EQ(ok.Run(), "");
  EXPECT_EQ(ok.Joined(), "after");
}

TEST(ScriptRuntime, AddressOfGivesTheNameAsText) {
  TestProgram p("PascalScript", "procedure Handler; begin end; var s: String; begin s := @Handler; Print(s) end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "Handler");
}

TEST(ScriptRuntime, UnitsFromIntermediateText) {
  TestProgram p("PascalScript", "uses 'u.pas'; begin Print(U) end.");
  p.Script.OnGetUnit = [](TscScript*, const std::string&, std::string& Text) { Text = "begin end."; };
  p.Script.OnGetILUnit = [](TscScript*, const std::string& Name, std::string& Text) {
    if (Name == "u.pas")
      Text = "<?xml version=\"1.0\"?><program><const pos=\"1:7\"><ident text=\"U\" pos=\"1:8\"/>"
             "<expr pos=\"1:11\"><number text=\"42\" pos=\"1:13\"/></expr></const><types/></program>";
  };
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "42");
}

TEST(ScriptRuntime, DeepRecursionWorksAndRunawayRecursionIsAnError) {
  TestProgram deep("PascalScript",
                   "function Depth(n: Integer): Integer; begin if n = 0 then Result := 0 else Result := 1 + Depth(n - 1) end;\n"
                   "begin Print(Depth(500)) end.");
  EXPECT_EQ(deep.Run(), "");
  EXPECT_EQ(deep.Joined(), "500");
  TestProgram runaway("PascalScript", "function F: Integer; begin Result := F end; begin F end.");
  EXPECT_EQ(runaway.Run().substr(0, 26), "exception: Stack overflow:");
  // The script is usable again afterwards.
  EXPECT_NO_THROW(deep.Script.Execute());
}

TEST(ScriptRuntime, FunctionCatalogOfClassesTypesVariablesAndConstants) {
  TscScript s;
  s.Parent = scGlobalScript();
  RegisterTestClasses(s);
  s.AddEnum("TMode", "mdA, mdB");
  s.AddVariable("Counter", "Integer", 3);
  s.AddConst("Limit", "Integer", 9);
  TscXMLItem root;
  scBuildFunctionCatalog(&s, &root, false);
  auto texts = [](TscXMLItem* E) {
    std::vector<std::string> r;
    for (int i = 0; i < E->Count(); ++i) r.push_back(E->Items(i)->Prop("text"));
    return r;
  };
  EXPECT_EQ(texts(root.FindItem("Variables")), std::vector<std::string>{"Counter: Integer"});
  EXPECT_EQ(texts(root.FindItem("Constants")), std::vector<std::string>{"Limit: Integer = 9"});
  EXPECT_EQ(texts(root.FindItem("Types")), std::vector<std::string>{"TMode: (mdA,mdB)"});
  std::vector<std::string> classes = texts(root.FindItem("Classes"));
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0], "TObject = class()");
  EXPECT_EQ(classes[1], "TTestObj = class(TObject)");
  TscXMLItem* testObj = root.FindItem("Classes")->Items(1);
  EXPECT_EQ(texts(testObj), (std::vector<std::string>{"property Value: Integer", "function Twice(x: Integer): Integer",
                                                       "index property Items(p0: Integer): String"}));
}

TEST(ScriptRuntime, RecursionKeepsEachLevelsValuesWhenAnInnerCallRaises) {
  TestProgram p("PascalScript",
                "procedure F(n: Integer);\nbegin\n  if n = 0 then RaiseException('bottom');\n"
                "  try F(n - 1) except Print(n) end\nend;\nbegin F(2) end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "1");
}

TEST(ScriptRuntime, CallFunctionFromNativeCodeWhileTheRoutineRuns) {
  TestProgram p("PascalScript",
                "function F(n: Integer): Integer; begin if n > 0 then Native(n - 1); Result := n end;\n"
                "begin Print(F(2)) end.");
  p.Script.AddMethod("procedure Native(n: Integer)", [&p](TObject*, TClass, const std::string&, TscArgs& A) {
    p.Script.CallFunction("F", VarArrayOf({A[0]}));
    return Variant(0);
  });
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "2");
}

TEST(ScriptRuntime, SmallerRulesOfClassesCasesAndEvents) {
  TestProgram p("PascalScript",
                "var o: TTestObj; i: Integer;\n"
                "begin o := TTestObj.Create; Print(o.OnChange); i := 3;\n"
                "  case i of 1..4: Print('first'); 3: Print('second') end; o.Free end.");
  RegisterTestClasses(p.Script);
  p.Script.FindClassItem("TTestObj")->AddEvent("OnChange");
  EXPECT_EQ(p.Script.AddClass(TTestObj::StaticClass(), "TObject"), nullptr);  // registered already
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Output, (std::vector<std::string>{"", "first"}));  // an event reads as empty text
  TestProgram c("C++Script", "int x; { x = new x; }");
  EXPECT_EQ(c.Run().substr(0, 19), "Class type required");
  TestProgram u("C++Script", "Foo x; { }");
  EXPECT_EQ(u.Run().substr(0, 19), "Unknown type: 'Foo'");
}

// Values read in place, integer paths and appends in place give what the general variant path
// gives: operands read before a call that changes them, overflow that wraps in Integer
// arithmetic but widens an assignment, var parameters, recursion, shared text left alone.
TEST(ScriptRuntime, FastPathsGiveTheGeneralResults) {
  struct Case {
    const char* Language;
    const char* Text;
    const char* Output;
  } cases[] = {
      {"PascalScript",
       "var x, y: Integer; t, v: Variant; s: String;\n"
       "function F: Integer; begin x := 100; Result := 1 end;\n"
       "procedure Inc2(var a: Integer); begin a := a + 1 end;\n"
       "procedure P(n: Integer); begin Inc2(n); Print(n); n := n + 5; Print(n) end;\n"
       "function Sum(n: Integer): Integer; var k: Integer;\n"
       "begin k := n; if n > 0 then Result := n + Sum(n - 1) else Result := 0; Print(k) end;\n"
       "begin\n"
       "  x := 1; x := x + F(); Print(x); x := 1; y := x + F(); Print(y); x := 1; y := F() + x; Print(y);\n"
       "  x := 2147483647; y := x + 1; Print(y); x := x + 1; Print(x);\n"
       "  P(3); Print(Sum(3));\n"
       "  v := 'ab'; t := v; v := v + 'c'; Print(t); Print(v); v := v + v; Print(v); v := 5; v := v + '7'; Print(v);\n"
       "  x := 7; if (x mod 3 = 1) and (x > 2) then Print('yes');\n"
       "  x := 1; while x < 5 do x := x * 2; Print(x); s := 'q'; s := s + s; Print(s)\n"
       "end.",
       "101|2|101|-2147483648|-2147483648|4|9|0|1|2|3|6|ab|abc|abcabc|12|yes|8|qq"},
      {"JScript",
       "var x = 1, y = 0;\n"
       "function F() { x = 100; return 1; }\n"
       "function Sum(n) { var k = n; var r = 0; if (n > 0) r = n + Sum(n - 1); Print(k); return r; }\n"
       "x = x + F(); Print(x); x = 1; y = x + F(); Print(y); x = 1; y = F() + x; Print(y);\n"
       "var s = \"\"; for (var i = 0; i < 5; i++) s = s + \"x\";\n"
       "var t = s; s = s + \"y\"; Print(t); Print(s); s += s; Print(s);\n"
       "var n = 2147483647; n = n + 1; Print(n); n++; Print(n); var z = \"5\"; z = z + 2; Print(z);\n"
       "Print(Sum(3)); var c = 0; for (var j = 10; j > 0; j--) c += j % 3; Print(c);",
       "101|2|101|xxxxx|xxxxxy|xxxxxyxxxxxy|2147483648|2147483649|7|0|1|2|3|6|10"},
      // Recursion keeping each level's locals: many of them (text too) and a few.
      {"PascalScript",
       "function R(n: Integer; s: String): String; var a, b, c, d, e: Integer; t: String;\n"
       "begin a := n; b := n * 2; c := n * 3; d := n * 4; e := n * 5; t := s + IntToStr(n);\n"
       "  if n > 0 then Result := R(n - 1, t) else Result := '';\n"
       "  Result := Result + '[' + IntToStr(a + b + c + d + e) + t + ']' end;\n"
       "function G(n: Integer): Integer; var k: Integer;\n"
       "begin k := n; if n > 0 then Result := G(n - 1) + k else Result := 0; Print(k) end;\n"
       "begin Print(R(3, 'x')); Print(G(2)) end.",
       "[0x3210][15x321][30x32][45x3]|0|1|2|3"},
      // Integer for loops up to the end of the 32-bit range, downwards, left early, in floats.
      {"BasicScript",
       "for i = 2147483645 to 2147483647 step 2\nPrint(i)\nnext\nfor i = 5 to 1 step -2\nPrint(i)\nnext\n"
       "for i = 1 to 10\nif i = 3 then break\nPrint(i)\nnext\nPrint(i)\n"
       "for i = 1 to 3 step 1.5\nPrint(i)\nnext\n",
       "2147483645|2147483647|5|3|1|1|2|3|1|2.5"},
  };
  for (const Case& c : cases) {
    TestProgram p(c.Language, c.Text);
    EXPECT_EQ(p.Run(), "") << c.Language;
    EXPECT_EQ(p.Joined(), c.Output) << c.Language;
  }
}

// "s = s + t" on an untyped variable holding text appends in place: a long concatenation keeps
// every character, and a value taken before keeps its own text.
TEST(ScriptRuntime, UntypedConcatenationAppendsInPlace) {
  TestProgram p("JScript",
                "var s = \"\"; var half = \"\";\n"
                "for (var i = 0; i < 20000; i++) { s = s + \"ab\"; if (i == 9999) half = s; }\n"
                "Print(Length(s)); Print(Length(half)); Print(Copy(s, 39999, 2));");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "40000|20000|ab");
}
