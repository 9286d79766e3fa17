// The global script: base types, constants, system functions and late binding.
#include <gtest/gtest.h>

#include "platform/rtl/automation.h"
#include "platform/rtl/sysutils.h"
#include "script/sc_itools.h"
#include "script/sc_xml.h"
#include "script_test_util.h"

namespace {

std::string SystemEval(const std::string& Text) {
  TscScript s;
  s.Parent = scGlobalScript();
  Variant v = s.Evaluate(Text);
  return VarToStr(v);
}

}  // namespace

TEST(ScriptSystem, FunctionValues) {
  struct {
    const char* Text;
    const char* Value;
  } cases[] = {
      {"IntToStr(5)", "5"},
      {"Round(2.5)", "2"},
      {"Round(3.5)", "4"},
      {"Int(2.7)", "2"},
      {"Trunc(-2.7)", "-2"},
      {"Frac(2.5)", "0.5"},
      {"Sqrt(16)", "4"},
      {"Abs(-2)", "2"},
      {"DaysInMonth(2000, 2)", "29"},
      {"DaysInMonth(1900, 2)", "28"},
      {"DaysInMonth(2023, 12)", "31"},
      {"IsLeapYear(1900)", "False"},
      {"Length(VarArrayCreate([0, 4], varVariant))", "5"},
      {"Length(123)", "3"},
      {"NameCase('jOHN smith')", "John Smith"},
      {"Copy('abc', 2, 10)", "bc"},
      {"Pos('x', 'abc')", "0"},
      {"Uppercase('abc') + Lowercase('DEF')", "ABCdef"},
      {"Trim('  x ')", "x"},
      {"CompareText('abc', 'ABC')", "0"},
      {"Chr(65)", "A"},
      {"Ord('A')", "65"},
      {"StrToInt('12') + 1", "13"},
      {"ValidInt('x')", "False"},
      {"ValidInt('42')", "True"},
      {"ValidFloat('1.5')", "True"},
      {"FormatFloat('0.00', 1.5)", "1.50"},
      {"Format('%d-%s', [1, 'a'])", "1-a"},
      {"VarType(1)", "3"},
      {"VarType('a')", "256"},
      {"varString + varArray", "8448"},
      {"nil", "0"},
      {"VarToStr(Null)", ""},
      {"DayOfWeek(EncodeDate(2024, 1, 7))", "1"},
      {"Random < 1", "True"},
      {"Length([1, 3..5])", "4"},
      {"FormatMaskText('000-000;0;_', '123456')", "123-456"},
      {"FormatDateTime('yyyy-mm-dd', EncodeDate(2024, 3, 9))", "2024-03-09"},
      {"IntToStr(7) + FloatToStr(0.5)", "70.5"},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemEval(c.Text), c.Value) << c.Text;
}

TEST(ScriptSystem, DaysInMonthRejectsAMonthOutsideTheYear) {
  for (const char* text : {"begin Print(DaysInMonth(2000, 13)) end.", "begin Print(DaysInMonth(2000, 0)) end."}) {
    TestProgram p("PascalScript", text);
    EXPECT_EQ(p.Run().compare(0, 11, "exception: "), 0) << text;
  }
}

TEST(ScriptSystem, VarParametersOfNativeRoutines) {
  TestProgram p("PascalScript",
                "var s: String; h, m, sec, ms: Word; i: Integer;\n"
                "begin s := 'abcdef'; Delete(s, 2, 3); Print(s); Insert('XY', s, 2); Print(s);\n"
                "  DecodeTime(EncodeTime(13, 45, 30, 250), h, m, sec, ms); Print(h); Print(m); Print(sec); Print(ms);\n"
                "  i := 1; Inc(i); Inc(i, 5); Dec(i); Print(i) end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "aef|aXYef|13|45|30|250|6");
}

TEST(ScriptSystem, RaiseExceptionIsCatchableAndOtherwiseLeavesExecute) {
  TestProgram p("PascalScript", "begin RaiseException('custom') end.");
  EXPECT_EQ(p.Run(), "exception: custom");
}

TEST(ScriptSystem, ScriptNamesHideGlobalOnes) {
  TestProgram p("PascalScript",
                "function IntToStr(i: Integer): String; begin Result := 'mine' end; begin Print(IntToStr(1)) end.");
  EXPECT_EQ(p.Run(), "");
  EXPECT_EQ(p.Joined(), "mine");
}

TEST(ScriptSystem, FunctionCatalogListsCategories) {
  TscXMLItem root;
  scBuildFunctionCatalog(scGlobalScript(), &root, true);
  TscXMLItem* functions = root.FindItem("functions");
  int conv = functions->Find("ctConv");
  ASSERT_GE(conv, 0);
  TscXMLItem* cat = functions->Items(conv);
  EXPECT_EQ(cat->Prop("text"), "ctConv");
  bool found = false;
  for (int i = 0; i < cat->Count(); ++i)
    if (cat->Items(i)->Prop("text") == "function IntToStr(i: Integer): String") found = true;
  EXPECT_TRUE(found);
  EXPECT_EQ(root.FindItem("Constants")->Count(), 0);  // functions only
}

TEST(ScriptSystem, ToolsParseSignaturesPositionsAndLiterals) {
  std::unique_ptr<TscCustomVariable> sum(ParseMethodSignature(
      "function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", scGlobalScript()));
  ASSERT_EQ(sum->ParamCount(), 3);
  EXPECT_EQ(sum->RequiredParamCount(), 1);
  EXPECT_EQ(sum->Param(2)->DefaultValue.AsInteger(), 0);
  std::unique_ptr<TscCustomVariable> dd(ParseMethodSignature(
      "procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", scGlobalScript()));
  ASSERT_EQ(dd->ParamCount(), 4);
  EXPECT_FALSE(dd->Param(0)->ByReference);
  EXPECT_TRUE(dd->Param(3)->ByReference);
  TscPoint pt = scParsePosition("12:5");
  EXPECT_EQ(pt.X, 5);
  EXPECT_EQ(pt.Y, 12);
  EXPECT_EQ(scParsePosition("").X, 0);
  EXPECT_EQ(LiteralToVariant("'abc'").AsString(), "abc");
  EXPECT_EQ(LiteralToVariant("$FF").AsInteger(), 255);
  EXPECT_EQ(LiteralToVariant("2147483648").VType(), varInt64);
  EXPECT_EQ(LiteralToVariant("1.5").AsFloat(), 1.5);
  EXPECT_EQ(LiteralToVariant("1E3").AsFloat(), 1000.0);
  EXPECT_TRUE(LiteralToVariant("").IsNull());
}

namespace {

class TTestAuto : public TAutoDispatch {
public:
  std::vector<std::string>* Log;
  explicit TTestAuto(std::vector<std::string>* L) : Log(L) {
    AddProperty("Value", [this](TAutoArgs&) { return Variant(FValue); },
                [this](TAutoArgs&, const Variant& V) { FValue = V.AsInteger(); });
    AddMethod("Twice", [](TAutoArgs& A) { return Variant(A[0].AsInteger() * 2); }, 1);
    AddMethod("Touch", [this](TAutoArgs&) {
      Log->push_back("touch");
      return Variant(1);
    }, 0);
  }

private:
  int FValue = 0;
};

}  // namespace

TEST(ScriptSystem, LateBindingToAutomationObjects) {
  std::vector<std::string> log;
  RegisterOleObject("Orvanta.ScriptTest", [&log] { return static_cast<IDispatch*>(new TTestAuto(&log)); });
  TestProgram p("PascalScript",
                "var o: Variant; begin o := CreateOleObject('Orvanta.ScriptTest'); o.Value := 21;\n"
                "  Print(o.Value); Print(o.Twice(o.Value)); o.Touch;\n"
                "  try o.Missing except Print('caught') end; o.Missing end.");
  std::string r = p.Run();
  EXPECT_EQ(p.Joined(), "21|42|caught");
  EXPECT_EQ(log, std::vector<std::string>{"touch"});
  EXPECT_EQ(r.compare(0, 21, "exception: OLE error "), 0) << r;
  EXPECT_EQ(r.substr(r.size() - 9), ": Missing") << r;
  TestProgram w("PascalScript",
                "var o, n: Variant; begin o := CreateOleObject('Orvanta.ScriptTest');\n"
                "  with o do begin Value := 5; Print(Twice(Value)) end;\n"
                "  n := Null; try Print(n.Value) except Print('no object') end end.");
  EXPECT_EQ(w.Run(), "");
  EXPECT_EQ(w.Joined(), "10|no object");
  TestProgram js("JScript", "var o = CreateOleObject(\"Orvanta.ScriptTest\"); o.Value = 4; Print(o.Twice(o.Value));");
  EXPECT_EQ(js.Run(), "");
  EXPECT_EQ(js.Joined(), "8");
  UnRegisterOleObject("Orvanta.ScriptTest");
}
