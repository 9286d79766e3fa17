// Programs written for other engines and hostile texts: whatever the text, compiling ends with
// a result or an error and a position, never a crash; a program that does not parse never runs.
#include <gtest/gtest.h>

#include <string>

#include "script_test_util.h"

namespace {

struct Source {
  const char* Language;
  std::string Text;
};

std::string Repeat(const std::string& S, int N) {
  std::string r;
  r.reserve(S.size() * static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) r += S;
  return r;
}

// Compiles; a compile error is "error@pos". On success the program runs and its output is
// returned (or "exception: ...").
std::string CompileAndRun(const Source& S, std::vector<std::string>* Output = nullptr) {
  TestProgram p(S.Language, S.Text);
  std::string r = p.Run();
  if (Output) *Output = p.Output;
  if (!r.empty()) return r;
  return "ran:" + p.Joined();
}

void ExpectCompileError(const Source& S) {
  TestProgram p(S.Language, S.Text);
  bool ok = p.Script.Compile();
  EXPECT_FALSE(ok) << S.Language << ": " << S.Text.substr(0, 80);
  if (!ok) {
    EXPECT_FALSE(p.Script.ErrorText.empty()) << S.Language << ": " << S.Text.substr(0, 80);
    EXPECT_NE(p.Script.ErrorPosition.find(':'), std::string::npos)
        << S.Language << ": " << S.Text.substr(0, 80) << " -> " << p.Script.ErrorText;
  }
}

}  // namespace

// A statement the grammar cannot read, and any text after the program, are compile errors: the
// program never runs, so nothing is printed.
TEST(ScriptHostileParse, UnreadTextIsAnErrorAndNothingRuns) {
  const struct {
    Source S;
    const char* Error;
    const char* Pos;
  } cases[] = {
      {{"JScript", "Print(\"a\"); ++i; Print(\"b\");"}, nullptr, "1:13"},
      {{"JScript", "Print(\"a\");\n}"}, "Statement expected", "2:1"},
      {{"JScript", "Print(\"a\"); @@@"}, "Statement expected", "1:13"},
      {{"JScript", "Print(\"a\"); var 5x=1;"}, nullptr, nullptr},
      {{"JScript", "Print(\"a\"); /* never closed\nPrint(\"b\");"}, "Unterminated comment", "1:13"},
      {{"BasicScript", "Print(\"a\")\n++i\nPrint(\"b\")"}, nullptr, "2:1"},
      {{"BasicScript", "Print(\"a\")\n@@@\n"}, nullptr, "2:1"},
      {{"C++Script", "{ Print(\"a\"); } }"}, "Statement expected", "1:17"},
      {{"C++Script", "{ Print(\"a\"); } /* open"}, "Unterminated comment", "1:17"},
      {{"PascalScript", "begin Print('a'); @@@ end."}, nullptr, nullptr},
      {{"PascalScript", "begin Print('a') { never closed\nend."}, "Unterminated comment", "1:18"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> out;
    TestProgram p(c.S.Language, c.S.Text);
    EXPECT_FALSE(p.Script.Compile()) << c.S.Text;
    EXPECT_TRUE(p.Output.empty()) << c.S.Text;
    EXPECT_FALSE(p.Script.ErrorText.empty()) << c.S.Text;
    if (c.Error) { EXPECT_EQ(p.Script.ErrorText, c.Error) << c.S.Text; }
    if (c.Pos) {
      EXPECT_EQ(p.Script.ErrorPosition, c.Pos) << c.S.Text << " -> " << p.Script.ErrorText;
    }
  }
  // The text after a Pascal program's "end." stays unread, and blank text is an empty program.
  EXPECT_EQ(CompileAndRun({"PascalScript", "begin Print('a') end. anything { open"}), "ran:a");
  EXPECT_EQ(CompileAndRun({"JScript", "Print(\"a\"); // a comment\n\n"}), "ran:a");
  EXPECT_EQ(CompileAndRun({"BasicScript", "Print(\"a\")\n\n' a comment\n"}), "ran:a");
  EXPECT_EQ(CompileAndRun({"C++Script", "{ Print(\"a\"); }\n  "}), "ran:a");
}

// An operator without its operand never reaches evaluation.
TEST(ScriptHostileParse, OperatorWithoutOperandIsACompileError) {
  const Source cases[] = {
      {"JScript", "var j = 1 +;"},
      {"JScript", "var i = 1; var j = i++;"},
      {"JScript", "var y = 7 * -3; Print(y);"},
      {"JScript", "var x = 2; var y = 1 - -x; Print(y);"},
      {"C++Script", "{ int j = 1 +; }"},
      {"PascalScript", "var j: Integer; begin j := 1 + ; end."},
      {"BasicScript", "j = 1 +\n"},
  };
  for (const Source& s : cases) ExpectCompileError(s);
}

// Nesting beyond any real program, and expressions of tens of thousands of operands, are compile
// errors with a position; a modest nesting still compiles and runs.
TEST(ScriptHostileParse, DeepNestingAndLongExpressionsAreErrors) {
  const int n = 5000;
  const Source cases[] = {
      {"PascalScript",
       "var x: Integer; begin x := " + Repeat("(", n) + "1" + Repeat(")", n) + " end."},
      {"PascalScript", Repeat("begin ", n) + Repeat("end; ", n - 1) + "end."},
      {"PascalScript", "var x: Integer; begin " + Repeat("if x = 0 then ", n) + "x := 1 end."},
      {"PascalScript",
       "var x: Integer; begin x := " + Repeat("Abs(", n) + "1" + Repeat(")", n) + " end."},
      {"C++Script", "{ int x; x = " + Repeat("(", n) + "1" + Repeat(")", n) + "; }"},
      {"C++Script", Repeat("{ ", n) + Repeat("} ", n)},
      {"JScript", Repeat("{ ", n) + Repeat("} ", n)},
      {"JScript", "var x = " + Repeat("(", n) + "1" + Repeat(")", n) + ";"},
      {"JScript", "var x = 0; " + Repeat("if (x == 0) ", n) + "x = 1;"},
      {"JScript", "var x = " + Repeat("Abs(", n) + "1" + Repeat(")", n) + ";"},
      {"BasicScript", "x = " + Repeat("(", n) + "1" + Repeat(")", n) + "\n"},
      {"BasicScript", Repeat("if x = 0 then\n", n) + "x = 1\n" + Repeat("end if\n", n)},
      // A flat sum of 50,000 operands, and one-line programs of a megabyte.
      {"PascalScript", "var x: Integer; begin x := 0" + Repeat("+1", 50000) + " end."},
      {"JScript", "var x = 0" + Repeat("+1", 50000) + ";"},
      {"JScript", "var x = " + Repeat("(", 1 << 20)},
      {"C++Script", "{ int x; x = " + Repeat("f(", 1 << 19) + "}"},
      {"BasicScript", "x = 1 " + Repeat("@", 1 << 20)},
  };
  for (const Source& s : cases) ExpectCompileError(s);

  const int m = 50;
  EXPECT_EQ(CompileAndRun({"PascalScript", "var x: Integer; begin x := " + Repeat("(", m) + "1" +
                                               Repeat(")", m) + "; Print(x) end."}),
            "ran:1");
  EXPECT_EQ(CompileAndRun({"JScript", Repeat("{ ", m) + "Print(2);" + Repeat("} ", m)}), "ran:2");
  EXPECT_EQ(CompileAndRun({"JScript", "var x = 0" + Repeat("+1", 1000) + "; Print(x);"}),
            "ran:1000");
}

// The in-place paths (x := x op e, x++, Inc) give what the expression gives: Integer variables
// wrap at 32 bits like the integer operators, Variant variables follow the variant rules.
TEST(ScriptHostileInteger, InPlaceAndExpressionPathsAgree) {
  const struct {
    const char* Init;  // value of a
    const char* Op;    // e in "b := a e" and "a := a e"
  } cases[] = {
      {"2147483647", "+ 1"},        {"-2147483648", "- 1"}, {"2147483647", "* 2"},
      {"-2147483648", "* (0 - 1)"}, {"1073741824", "* 4"},  {"5", "+ 7"},
  };
  for (const auto& c : cases) {
    std::string text = std::string("var a, b: Integer; begin a := ") + c.Init + "; b := a " + c.Op +
                       "; a := a " + c.Op + "; Print(a = b); Print(a) end.";
    std::vector<std::string> out;
    EXPECT_EQ(CompileAndRun({"PascalScript", text}, &out).substr(0, 9), "ran:True|") << text;
  }
  EXPECT_EQ(
      CompileAndRun({"PascalScript",
                     "var a, b: Integer; begin a := 2147483647; b := a; Inc(a); a := a - b; "
                     "Print(a); Inc(b, 1); Print(b); b := -2147483647 - 1; Dec(b); Print(b) end."}),
      "ran:1|-2147483648|2147483647");
  EXPECT_EQ(
      CompileAndRun({"C++Script",
                     "int a, b; { a = 2147483647; b = a + 1; a++; Print(a == b); Print(a); a--; "
                     "Print(a); a += 1; Print(a); }"}),
      "ran:True|-2147483648|2147483647|-2147483648");
  // Untyped values follow the variant rules on both paths: the sum widens.
  EXPECT_EQ(CompileAndRun({"JScript",
                           "var a = 2147483647; var b = a + 1; a = a + 1; Print(a == b); Print(a); "
                           "a = 2147483647; a++; Print(a);"}),
            "ran:True|2147483648|2147483648");
}

// Recursion goes as deep as the stack allows: 100,000 nested script calls work, and a runaway
// recursion ends with the script's error.
TEST(ScriptHostileRecursion, DeepRecursionWorksAndRunawayEndsInError) {
  EXPECT_EQ(CompileAndRun({"PascalScript",
                           "function Depth(n: Integer): Integer; begin if n = 0 then Result := 0 "
                           "else Result := Depth(n - 1) + 1 end; begin Print(Depth(100000)) end."}),
            "ran:100000");
  EXPECT_EQ(CompileAndRun(
                {"JScript",
                 "function f(n) { if (n == 0) return 0; return f(n - 1) + 1; } Print(f(100000));"}),
            "ran:100000");
  // A runaway recursion ends with the script error after more than 100,000 calls.
  TestProgram p("JScript", "var n = 0; function f() { n++; f(); } f();");
  EXPECT_EQ(p.Run(), "exception: Stack overflow: too many nested calls of f");
  ASSERT_NE(p.Script.FindLocal("n"), nullptr);
  EXPECT_GT(p.Script.FindLocal("n")->Value.AsInteger(), 100000);
  // The engine is whole afterwards: the next run of the same program starts from the top.
  EXPECT_EQ(CompileAndRun(
                {"JScript",
                 "function f(n) { if (n == 0) return 0; return f(n - 1) + 1; } Print(f(1000));"}),
            "ran:1000");
}

// A declaration too large for memory is an error with a message, not an allocation failure.
TEST(ScriptHostileArrays, HugeArraysAreErrors) {
  TestProgram p("PascalScript", "var a: array[1..2000000000] of Integer; begin end.");
  EXPECT_FALSE(p.Script.Compile());
  EXPECT_EQ(p.Script.ErrorText, "Array too large");
  EXPECT_FALSE(p.Script.ErrorPosition.empty());
  ExpectCompileError({"C++Script", "{ int a[100000][100000]; }"});
  EXPECT_EQ(CompileAndRun({"JScript", "var a = VarArrayCreate([0, 2000000000], varVariant);"}),
            "exception: Array too large");
  EXPECT_EQ(CompileAndRun({"PascalScript",
                           "var a: array[1..3] of Integer; begin a[2] := 5; Print(a[2]) end."}),
            "ran:5");
}

// JScript and BasicScript functions, whose grammars give no result type, return any value.
TEST(ScriptHostileFunctions, UntypedFunctionsReturnVariants) {
  EXPECT_EQ(CompileAndRun({"JScript",
                           "function f(n) { if (n < 2) return false; return true; } Print(f(1)); "
                           "Print(f(5)); function g() { return \"text\"; } Print(g());"}),
            "ran:False|True|text");
  EXPECT_EQ(CompileAndRun({"BasicScript",
                           "Function Greet(name)\n  Greet = \"Hello, \" & name\nEnd Function\n"
                           "Print(Greet(\"Ann\"))\n"}),
            "ran:Hello, Ann");
  TestProgram js("JScript", "function f(n) { return n; }");
  ASSERT_TRUE(js.Script.Compile());
  TscCustomVariable* f = js.Script.FindLocal("f");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->TypeCode, tcVariant);
  EXPECT_EQ(f->TypeName, "Variant");
  // The typed languages keep their rules.
  ExpectCompileError({"PascalScript", "function f: Integer; begin Result := 'x' end; begin end."});
}

// An incompatible initial value inside a block is reported with nothing freed twice or leaked
// (the sanitizer build checks both).
TEST(ScriptHostileCompiler, IncompatibleInitialValuesInBlocks) {
  const Source cases[] = {
      {"JScript", "function f() { var x[1] = \"\"; } f();"},
      {"C++Script", "{ { int a = \"x\"; } }"},
      {"PascalScript", "procedure P; var a: Integer = 'x'; begin end; begin P end."},
      {"BasicScript", "Sub S\n  Dim a As Integer = \"x\"\nEnd Sub\nS\n"},
      {"PascalScript", "var a: Integer; begin a := 'x' + ; end."},
  };
  for (const Source& s : cases) ExpectCompileError(s);
}

// An exit inside a finally part ends the finally part only; the statements after the try run.
TEST(ScriptHostileStatements, ExitInsideFinallyEndsOnlyTheFinallyPart) {
  EXPECT_EQ(
      CompileAndRun(
          {"PascalScript",
           "procedure P; begin try Print('body') finally Print('fin'); exit; Print('no') end; "
           "Print('after') end; begin P end."}),
      "ran:body|fin|after");
  // An exit of the body still leaves after the finally part has run.
  EXPECT_EQ(CompileAndRun(
                {"PascalScript",
                 "procedure P; begin try exit finally Print('fin') end; Print('no') end; begin P; "
                 "Print('end') end."}),
            "ran:fin|end");
}
