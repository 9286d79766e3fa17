// Language registry, grammar matching, syntax errors with positions and the intermediate script.
#include <gtest/gtest.h>

#include "platform/rtl/sysutils.h"
#include "script/sc_iilparser.h"
#include "script/sc_isysrtti.h"
#include "script_test_util.h"

namespace {

struct Parsed {
  bool Ok;
  std::string Error;
  std::string Position;
};

Parsed Parse(const std::string& Language, const std::string& Text, TscScript* Program = nullptr) {
  TscScript local;
  TscScript* s = Program ? Program : &local;
  TscILParser p(s);
  p.SelectScriptLanguage(Language);
  bool ok = p.MakeIntermediateScript(Text);
  return {ok, s->ErrorText, s->ErrorPosition};
}

}  // namespace

TEST(ScriptGrammar, RegistryListsTheFourLanguagesAndKeepsTheFirst) {
  std::vector<std::string> names;
  scGetScriptLanguageList(names);
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
            (std::vector<std::string>{"PascalScript", "C++Script", "BasicScript", "JScript"}));
  std::string pascal = scGetScriptLanguageGrammar("pascalscript");
  RegisterScriptLanguage("PascalScript", "<?xml version=\"1.0\"?><language/>");
  EXPECT_EQ(scGetScriptLanguageGrammar("PascalScript"), pascal);
  try {
    scGetScriptLanguageGrammar("Lua");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Language 'Lua' not found");
  }
  // The grammar texts are single-line XML documents.
  EXPECT_EQ(pascal.find('\n'), std::string::npos);
  EXPECT_EQ(pascal.compare(0, 5, "<?xml"), 0);
}

// One failing text per syntax error message of each grammar, with the position reported.
TEST(ScriptGrammar, SyntaxErrorsWithPositions) {
  struct {
    const char* Language;
    const char* Text;
    const char* Error;
    const char* Position;
  } cases[] = {
      {"PascalScript", "program ; begin end.", "Identifier expected", "1:9"},
      {"PascalScript", "begin x := ; end.", "Expression expected", "1:12"},
      {"PascalScript", "var x Integer; begin end.", "':' expected", "1:7"},
      {"PascalScript", "begin a := b c; end.", "';' expected", "1:14"},
      {"PascalScript", "begin x := 1 + ; end.", "';' expected", "1:14"},
      {"PascalScript", "begin end", "'.' expected", "1:10"},
      {"PascalScript", "begin x := (1 + 2; end.", "')' expected", "1:18"},
      {"PascalScript", "var a: array [1..2 of Integer; begin end.", "']' expected", "1:20"},
      {"PascalScript", "const a 1; begin end.", "'=' expected", "1:9"},
      {"PascalScript", "", "'BEGIN' expected", "1:1"},
      {"PascalScript", "begin try x := 1 finally y := 2 z end.", "'END' expected", "1:33"},
      {"PascalScript", "begin case x do end.", "'OF' expected", "1:14"},
      {"PascalScript", "begin if x do y := 1 end.", "'THEN' expected", "1:12"},
      {"PascalScript", "begin repeat x := 1 end.", "'UNTIL' expected", "1:21"},
      {"PascalScript", "begin for i := 1 do x := 1 end.", "'TO' or 'DOWNTO' expected", "1:18"},
      {"PascalScript", "begin while x y := 1 end.", "'DO' expected", "1:15"},
      {"PascalScript", "begin try x := 1 end.", "'FINALLY' or 'EXCEPT' expected", "1:18"},
      {"PascalScript", "begin x := <abc", "'>' expected", "1:16"},
      {"C++Script", "#include x {}", "Identifier expected", "1:10"},
      {"C++Script", "{ x = ; }", "Expression expected", "1:7"},
      {"C++Script", "{ switch (x) { case 1 x = 1; } }", "':' expected", "1:23"},
      {"C++Script", "{ x = 1 }", "';' expected", "1:9"},
      {"C++Script", "{ x = (1; }", "')' expected", "1:9"},
      {"C++Script", "{ x = a[1; }", "']' expected", "1:10"},
      {"C++Script", "", "'{' expected", "1:1"},
      {"C++Script", "{ x = 1;", "'}' expected", "1:9"},
      {"C++Script", "{ if x) y = 1; }", "'(' expected", "1:6"},
      {"C++Script", "#foo x 1 {}", "'DEFINE' expected", "1:2"},
      {"C++Script", "{ do x = 1; until (x); }", "'WHILE' expected", "1:13"},
      {"C++Script", "{ try { x = 1; } }", "'FINALLY' or 'EXCEPT' expected", "1:18"},
      {"C++Script", "{ x = <abc", "'>' expected", "1:11"},
      {"JScript", "import x", "Identifier expected", "1:8"},
      {"JScript", "x = ;", "Expression expected", "1:5"},
      {"JScript", "switch (x) { case 1 x = 1; }", "':' expected", "1:21"},
      {"JScript", "for (x = 1 x < 2; x++) y = 1;", "';' expected", "1:12"},
      {"JScript", "x = (1;", "')' expected", "1:7"},
      {"JScript", "x = a[1;", "']' expected", "1:8"},
      {"JScript", "switch (x) x = 1;", "'{' expected", "1:12"},
      {"JScript", "{ x = 1;", "'}' expected", "1:9"},
      {"JScript", "if x) y = 1;", "'(' expected", "1:4"},
      {"JScript", "do x = 1; until (x);", "'WHILE' expected", "1:11"},
      {"JScript", "try { x = 1; }", "'FINALLY' or 'EXCEPT' expected", "1:15"},
      {"JScript", "x = <abc", "'>' expected", "1:9"},
      {"BasicScript", "imports x", "Identifier expected", "1:9"},
      {"BasicScript", "x = ", "Expression expected", "1:5"},
      {"BasicScript", "x = 1 y", "End of line expected", "1:7"},
      {"BasicScript", "select case x\ncase 1 y = 1", "':' expected", "2:8"},
      {"BasicScript", "x = (1", "')' expected", "1:7"},
      {"BasicScript", "x = a[1", "']' expected", "1:8"},
      {"BasicScript", "for i 1 to 2", "'=' expected", "1:7"},
      {"BasicScript", "for i = 1 2", "'TO' expected", "1:11"},
      {"BasicScript", "if x then\n", "'END' expected", "2:1"},
      {"BasicScript", "if x y = 1", "'THEN' expected", "1:6"},
      {"BasicScript", "do\nloop x", "'WHILE' expected", "2:6"},
      {"BasicScript", "select x", "'CASE' expected", "1:8"},
      {"BasicScript", "select case x\ncase 1: y = 1\nend if", "'SELECT' expected", "3:5"},
      {"BasicScript", "try\n", "'FINALLY' or 'CATCH' expected", "2:1"},
      {"BasicScript", "x = <abc", "'>' expected", "1:9"},
      {"BasicScript", "while x\n", "'WEND' expected", "2:1"},
      {"BasicScript", "for i = 1 to 2\n", "'NEXT' expected", "2:1"},
      {"BasicScript", "with x\ny = 1\nend if", "'WITH' expected", "3:5"},
      {"BasicScript", "try\ny = 1\ncatch\nend if", "'TRY' expected", "4:5"},
      {"BasicScript", "sub a\nend if", "'SUB' expected", "2:5"},
      {"BasicScript", "function a\nend sub", "'FUNCTION' expected", "2:5"},
      {"BasicScript", "select case x\ncase 1: y = 1\ncase : y = 2\nend select", "'ELSE' expected", "3:6"},
      {"BasicScript", "if x then\ny = 1\nend sub", "'IF' expected", "3:5"},
  };
  for (const auto& c : cases) {
    Parsed r = Parse(c.Language, c.Text);
    EXPECT_FALSE(r.Ok) << c.Language << ": " << c.Text;
    EXPECT_EQ(r.Error, c.Error) << c.Language << ": " << c.Text;
    EXPECT_EQ(r.Position, c.Position) << c.Language << ": " << c.Text;
  }
}

TEST(ScriptGrammar, TextsThatParse) {
  struct {
    const char* Language;
    const char* Text;
  } cases[] = {
      {"PascalScript", "begin case x of 1: y := 1; 2: y := 2; end end."},  // ";" before END
      {"PascalScript", "const a = 1; b = 2; begin end."},
      {"PascalScript", "begin end. anything after the end"},
      {"JScript", ""},
      {"BasicScript", "x = 1 : y = 2\nz = x + _\n  y\n"},
      {"C++Script", "{ x = a == b; a = b; }"},
  };
  for (const auto& c : cases) {
    Parsed r = Parse(c.Language, c.Text);
    EXPECT_TRUE(r.Ok) << c.Language << ": " << c.Text << " -> " << r.Error << " " << r.Position;
  }
}

TEST(ScriptGrammar, IntermediateScriptOfAnAssignment) {
  TscScript s;
  TscILParser p(&s);
  p.SelectScriptLanguage("PascalScript");
  ASSERT_TRUE(p.MakeIntermediateScript("var i: Integer; begin i := i + 1 end."));
  TscXMLItem* root = p.ILScript.Root();
  EXPECT_EQ(root->Name, "program");
  ASSERT_EQ(root->Count(), 3);
  TscXMLItem* var = root->Items(0);
  EXPECT_EQ(var->Name, "var");
  EXPECT_EQ(var->Prop("pos"), "1:5");
  EXPECT_EQ(var->Items(0)->Prop("text"), "i");
  EXPECT_EQ(var->Items(0)->Prop("pos"), "1:6");
  EXPECT_EQ(var->Items(1)->Name, "type");
  EXPECT_EQ(var->Items(1)->Prop("pos"), "1:15");
  TscXMLItem* block = root->Items(1);
  EXPECT_EQ(block->Name, "compoundstmt");
  EXPECT_EQ(block->Prop("pos"), "1:17");
  TscXMLItem* assign = block->Items(0);
  EXPECT_EQ(assign->Name, "assignstmt");
  EXPECT_EQ(assign->Prop("pos"), "1:23");
  TscXMLItem* expr = assign->Items(1);
  EXPECT_EQ(expr->Name, "expr");
  EXPECT_EQ(expr->Prop("pos"), "1:28");
  EXPECT_EQ(expr->Prop("pos1"), "1:33");
  ASSERT_EQ(expr->Count(), 3);
  EXPECT_EQ(expr->Items(1)->Prop("text"), "+");
  EXPECT_EQ(expr->Items(2)->Prop("text"), "1");
  EXPECT_EQ(root->Items(2)->Name, "types");
}

TEST(ScriptGrammar, ReportExpressionBecomesACallOfGet) {
  TscScript s;
  TscILParser p(&s);
  p.SelectScriptLanguage("PascalScript");
  ASSERT_TRUE(p.MakeIntermediateScript("begin x := <Sum(a)> end."));
  TscXMLItem* expr = p.ILScript.Root()->Items(0)->Items(0)->Items(1);
  TscXMLItem* d = expr->Items(0);
  EXPECT_EQ(d->Name, "dsgn");
  EXPECT_EQ(d->Items(0)->Prop("text"), "Get");
  EXPECT_EQ(d->Items(1)->Items(0)->Prop("text"), "'Sum(a)'");
}

TEST(ScriptGrammar, LanguageLineSelectsTheLanguage) {
  for (const char* first : {"#language JScript", "# Language  JScript "}) {
    TestProgram p("PascalScript", std::string(first) + "\r\nvar x = 2; Print(x * 3);");
    EXPECT_EQ(p.Run(), "") << first;
    EXPECT_EQ(p.Joined(), "6") << first;
  }
}

TEST(ScriptGrammar, SelectingAnotherLanguageResetsEveryLexerSetting) {
  TscScript s;
  TscILParser p(&s);
  p.SelectScriptLanguage("BasicScript");
  EXPECT_EQ(p.Lexer.CommentLine2, "rem");
  EXPECT_FALSE(p.NeedDeclareVars);
  p.SelectScriptLanguage("PascalScript");
  EXPECT_EQ(p.Lexer.CommentLine2, "");
  EXPECT_TRUE(p.NeedDeclareVars);
  EXPECT_TRUE(p.Lexer.SkipEOL);
  EXPECT_EQ(p.Lexer.SkipChar, "");
  // "rem" is an ordinary word again, and undeclared names are errors again.
  TestProgram prog("PascalScript", "begin x := 1 end.");
  EXPECT_EQ(prog.Run(), "Undeclared identifier: 'x'@1:8");
}

TEST(ScriptGrammar, UnitsAreIncludedOnceLastNamedFirst) {
  TestProgram p("PascalScript", "uses 'a.pas', 'b.pas';\nbegin Print(A); Print(B) end.");
  std::vector<std::string> asked;
  p.Script.OnGetUnit = [&](TscScript*, const std::string& Name, std::string& Text) {
    asked.push_back(Name);
    if (Name == "a.pas") Text = "var A: Integer = 1; begin end.";
    if (Name == "b.pas") Text = "uses 'a.pas'; var B: Integer = 2; begin end.";
  };
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(asked, (std::vector<std::string>{"b.pas", "a.pas"}));
  EXPECT_EQ(p.Joined(), "1|2");
}

TEST(ScriptGrammar, SyntaxErrorInAUnitNamesTheUnit) {
  TestProgram p("PascalScript", "uses 'bad.pas';\nbegin end.");
  p.Script.OnGetUnit = [](TscScript*, const std::string&, std::string& Text) { Text = "begin x := end."; };
  EXPECT_FALSE(p.Script.Compile());
  EXPECT_EQ(p.Script.ErrorText, "Expression expected");
  EXPECT_EQ(p.Script.ErrorPosition, "1:12");
  EXPECT_EQ(p.Script.ErrorUnitName, "bad.pas");
}
