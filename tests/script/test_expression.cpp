// Expression values, grouping, type checks and the compile errors of statements and designators.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/sysutils.h"
#include "script/sc_iexpression.h"
#include "script_test_util.h"

namespace {

Variant Eval(const std::string& Text) {
  TscScript s;
  s.Parent = scGlobalScript();
  return s.Evaluate(Text);
}

}  // namespace

TEST(ScriptExpression, ValuesAndGrouping) {
  struct {
    const char* Text;
    const char* Value;
  } cases[] = {
      {"1 + 2 * 3", "7"},      {"(1 + 2) * 3", "9"},     {"2 * 3 + 1", "7"},   {"10 - 4 - 3", "3"},
      {"7 div 2", "3"},        {"7 / 2", "3.5"},         {"-7 mod 3", "-1"},   {"-2 * 3", "-6"},
      {"not True = False", "True"}, {"'a' + 'b'", "ab"}, {"'b' > 'a'", "True"}, {"3 in [1, 3..5]", "True"},
      {"2 in [1, 3..5]", "False"}, {"5 in [1, 3..5]", "True"}, {"$10 shl 2", "64"}, {"6 xor 3", "5"},
      {"2147483647 + 1", "-2147483648"}, {"1.5 * 2", "3"},  {"'x' = 'x'", "True"}, {"((2))", "2"},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToStr(Eval(c.Text)), c.Value) << c.Text;
}

TEST(ScriptExpression, TypeErrorsAreCompileErrors) {
  for (const char* text : {"'a' + 1", "'a' * 'b'", "True + 1", "True + False"}) {
    Variant v = Eval(text);
    ASSERT_TRUE(v.IsString()) << text;
    EXPECT_EQ(v.AsString(), "Incompatible types") << text;
  }
  // An incomplete expression gives its syntax error as the value.
  EXPECT_EQ(Eval("1 +").AsString(), "';' expected");
  EXPECT_EQ(Eval("2 * 3").AsInteger(), 6);
}

TEST(ScriptExpression, IntegerDivisionByZeroRaisesAtRunTime) {
  TestProgram p("PascalScript", "var a, b: Integer; begin a := 7; b := 0; Print(a div b) end.");
  EXPECT_EQ(p.Run().compare(0, 11, "exception: "), 0);
}

TEST(ScriptExpression, LogicalOperatorsBindBelowComparisonsInCLikeLanguages) {
  for (const char* lang : {"C++Script", "JScript"}) {
    std::string body = "Print(1 < 2 && 3 < 4); Print(1 > 2 || 3 < 4); Print(true || false && false);";
    TestProgram p(lang, std::string(lang) == "C++Script" ? "{ " + body + " }" : body);
    EXPECT_EQ(p.Run(), "") << lang;
    EXPECT_EQ(p.Joined(), "True|True|True") << lang;
  }
  // Pascal keeps its own precedence: "and" binds like "*", so this does not type-check.
  TestProgram pas("PascalScript", "begin Print(1 < 2 and 3 < 4) end.");
  EXPECT_EQ(pas.Run().substr(0, 18), "Incompatible types");
}

// PascalScript and BasicScript keep their own precedence: "and" at the level of "*", "or" and
// "xor" at the level of "+".
TEST(ScriptExpression, PascalAndBasicKeepTheirOperatorLevels) {
  const std::pair<const char*, const char*> cases[] = {
      {"PascalScript", "begin Print(6 and 3 + 1); Print(1 + 6 or 8 * 2); Print(12 xor 5 and 4) end."},
      {"BasicScript", "Print(6 and 3 + 1)\nPrint(1 + 6 or 8 * 2)\nPrint(12 xor 5 and 4)\n"},
  };
  for (const auto& [lang, text] : cases) {
    TestProgram p(lang, text);
    EXPECT_EQ(p.Run(), "") << lang;
    EXPECT_EQ(p.Joined(), "3|23|8") << lang;
  }
}

TEST(ScriptExpression, ShortCircuitOnlyWithBooleanOperands) {
  const char* text =
      "var calls: Integer; a: Boolean; v: Variant;\n"
      "function F(x: Integer): Boolean; begin calls := calls + 1; Result := True end;\n"
      "begin a := True; v := True; calls := 0;\n"
      "  if a or F(1) then Print(calls);\n"
      "  if v or F(1) then Print(calls) end.";
  TestProgram p("PascalScript", text);
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "0|1");
}

TEST(ScriptExpression, AssignmentsBecomeModifiedAssignments) {
  struct {
    const char* Text;
    bool Modified;
  } cases[] = {{"x + 1", true}, {"1 + x", true}, {"x * 2", true}, {"2 - x", false}};
  for (const auto& c : cases) {
    TestProgram p("PascalScript", std::string("var x: Integer; begin x := ") + c.Text + " end.");
    ASSERT_EQ(p.Run(), "") << c.Text;
    auto* st = dynamic_cast<TscAssignmentStmt*>(p.Script.MainStatement->Statement(0));
    ASSERT_NE(st, nullptr);
    bool modified = dynamic_cast<TscAssignPlusStmt*>(st) || dynamic_cast<TscAssignMulStmt*>(st);
    EXPECT_EQ(modified, c.Modified) << c.Text;
  }
  TestProgram s("PascalScript", "var s: String; begin s := 'b'; s := 'a' + s; Print(s) end.");
  EXPECT_EQ(s.Run(), "");
  EXPECT_EQ(s.Joined(), "ab");
}

TEST(ScriptExpression, CompileErrorsWithPositions) {
  TscScript* g = scGlobalScript();
  if (!g->FindLocal("ArrValue")) g->AddVariable("ArrValue", "Variant", VarArrayOf({1, 2}));
  struct {
    const char* Text;
    const char* Error;
  } cases[] = {
      {"var i: Integer; i: Integer; begin end.", "Identifier redeclared: 'i'@1:18"},
      {"begin x := 1 end.", "Undeclared identifier: 'x'@1:8"},
      {"var s: String; i: Integer; begin i := s end.", "Incompatible types: 'Integer', 'String'@1:34"},
      {"var i: Integer; begin i := 1.5 end.", "Incompatible types: 'Integer', 'Extended'@1:23"},
      {"var s: String; begin for s := 1 to 3 do end.", "For loop variable must be numeric variable@1:27"},
      {"procedure P(i: Integer); begin for i := 1 to 2 do end; begin end.",
       "For loop variable must be numeric variable@1:37"},
      {"var x: Foo; begin end.", "Unknown type: 'Foo'@1:11"},
      {"const c = 1; begin c := 2 end.", "Left side cannot be assigned to@1:20"},
      {"begin Inc() end.", "Not enough actual parameters@1:10"},
      {"var i: Integer; begin Inc(i, 1, 2) end.", "Too many actual parameters@1:26"},
      {"var s: String; begin s.Length end.", "Strings doesn't have properties or methods@1:30"},
      {"var i: Integer; begin with i do end.", "Class type required@1:29"},
      {"var s: String; begin s := @a.b end.", "Variable required@1:28"},
      {"var i: Integer; begin i[1] := 2 end.", "Array type required@1:25"},
      {"begin ArrValue.Foo end.", "Index required@1:19"},
      {"begin break end.", "BREAK or CONTINUE outside of loop@1:7"},
  };
  for (const auto& c : cases) {
    TestProgram p("PascalScript", c.Text);
    EXPECT_EQ(p.Run(), c.Error) << c.Text;
  }
}

TEST(ScriptExpression, RoutinesMayBeCalledBeforeTheirText) {
  TestProgram p("PascalScript",
                "procedure A; begin B end; procedure B; begin Print('b') end; begin A end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "b");
}

TEST(ScriptExpression, DeclarationsOfEachLanguage) {
  struct {
    const char* Language;
    const char* Text;
    const char* Output;
  } cases[] = {
      {"BasicScript", "x = 5\nPrint(x)\n", "5"},  // declared on first use
      {"C++Script", "int a[3]; { a[0] = 1; a[2] = 3; Print(a[0] + a[2]); }", "4"},
      {"PascalScript", "var a: array of Integer; begin a[0] := 4; Print(a[0]) end.", "4"},
      {"PascalScript", "var a, b: Integer = 5; begin Print(a + b) end.", "10"},
      {"C++Script", "{ int a = 1, b[3]; b[2] = a; Print(b[2]); }", "1"},
      {"C++Script", "int F() { int x; x = 2; return x + 1; } { Print(F()); }", "3"},
      {"PascalScript", "var x, y: Integer; begin x := 2; case x of 1: ; 2: y := 7; end; Print(y) end.", "7"},
  };
  for (const auto& c : cases) {
    TestProgram p(c.Language, c.Text);
    EXPECT_EQ(p.Run(), "") << c.Text;
    EXPECT_EQ(p.Joined(), c.Output) << c.Text;
  }
  TestProgram outside("C++Script", "int a[3]; { a[3] = 1; }");  // bounds 0..2
  EXPECT_EQ(outside.Run().compare(0, 11, "exception: "), 0);
}
