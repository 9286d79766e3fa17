// The same programs in the four languages give the same output.
#include <gtest/gtest.h>

#include "script_test_util.h"

namespace {

struct Case {
  const char* Name;
  const char* Pascal;
  const char* Cpp;
  const char* Basic;
  const char* JS;
  const char* Expected;
};

const Case kCases[] = {
    {"arithmetic",
     "begin Print(1 + 2 * 3); Print((1 + 2) * 3); Print(7 div 2); Print(7 mod 3); Print(10 - 4 - 3);\n"
     "  Print(-2 * 3); Print(7 / 2) end.",
     "{ Print(1 + 2 * 3); Print((1 + 2) * 3); Print(7 div 2); Print(7 % 3); Print(10 - 4 - 3);\n"
     "  Print(-2 * 3); Print(7 / 2); }",
     "Print(1 + 2 * 3)\nPrint((1 + 2) * 3)\nPrint(7 \\ 2)\nPrint(7 mod 3)\nPrint(10 - 4 - 3)\n"
     "Print(-2 * 3)\nPrint(7 / 2)\n",
     "Print(1 + 2 * 3); Print((1 + 2) * 3); Print(7 div 2); Print(7 % 3); Print(10 - 4 - 3);\n"
     "Print(-2 * 3); Print(7 / 2);",
     "7|9|3|1|3|-6|3.5"},
    {"loops",
     "var i, n: Integer;\nbegin\n  n := 0; for i := 1 to 10 do n := n + i; Print(n);\n"
     "  n := 0; for i := 5 downto 1 do n := n + 1; Print(n);\n"
     "  i := 0; while i < 5 do i := i + 1; Print(i);\n"
     "  i := 0; repeat i := i + 2 until i >= 7; Print(i)\nend.",
     "int i, n;\n{\n  n = 0; for (i = 1; i <= 10; i++) n += i; Print(n);\n"
     "  n = 0; for (i = 5; i >= 1; i--) n++; Print(n);\n"
     "  i = 0; while (i < 5) i++; Print(i);\n"
     "  i = 0; do i += 2; while (i < 7); Print(i);\n}",
     "n = 0\nfor i = 1 to 10\n  n = n + i\nnext\nPrint(n)\n"
     "n = 0\nfor i = 5 to 1 step -1\n  n = n + 1\nnext\nPrint(n)\n"
     "i = 0\nwhile i < 5\n  i = i + 1\nwend\nPrint(i)\n"
     "i = 0\ndo\n  i = i + 2\nloop until i >= 7\nPrint(i)\n",
     "var i, n;\nn = 0; for (i = 1; i <= 10; i++) n += i; Print(n);\n"
     "n = 0; for (i = 5; i >= 1; i--) n++; Print(n);\n"
     "i = 0; while (i < 5) i++; Print(i);\n"
     "i = 0; do i += 2; while (i < 7); Print(i);",
     "55|5|5|8"},
    {"recursion",
     "function Fact(n: Integer): Integer; begin if n <= 1 then Result := 1 else Result := n * Fact(n - 1) end;\n"
     "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2) end;\n"
     "begin Print(Fact(6)); Print(Fib(10)) end.",
     "int Fact(int n) { if (n <= 1) return 1; return n * Fact(n - 1); }\n"
     "int Fib(int n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\n"
     "{ Print(Fact(6)); Print(Fib(10)); }",
     "function Fact(n)\n  if n <= 1 then\n    return 1\n  end if\n  return n * Fact(n - 1)\nend function\n"
     "function Fib(n)\n  if n < 2 then return n\n  return Fib(n - 1) + Fib(n - 2)\nend function\n"
     "Print(Fact(6))\nPrint(Fib(10))\n",
     "function Fact(n) { if (n <= 1) return 1; return n * Fact(n - 1); }\n"
     "function Fib(n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\n"
     "Print(Fact(6)); Print(Fib(10));",
     "720|55"},
    {"strings",
     "var s: String;\nbegin s := 'Hello'; Print(Length(s)); Print(Copy(s, 2, 3)); Print(Pos('l', s));\n"
     "  Print(Uppercase(s)); Print(s[2]); s[1] := 'J'; s := s + ', world'; Print(s) end.",
     "string s;\n{ s = \"Hello\"; Print(Length(s)); Print(Copy(s, 2, 3)); Print(Pos(\"l\", s));\n"
     "  Print(Uppercase(s)); Print(s[2]); s[1] = \"J\"; s += \", world\"; Print(s); }",
     "dim s as string\ns = \"Hello\"\nPrint(Length(s))\nPrint(Copy(s, 2, 3))\nPrint(Pos(\"l\", s))\n"
     "Print(Uppercase(s))\nPrint(s[2])\ns[1] = \"J\"\ns = s & \", world\"\nPrint(s)\n",
     "var s = \"Hello\"; Print(Length(s)); Print(Copy(s, 2, 3)); Print(Pos(\"l\", s));\n"
     "Print(Uppercase(s)); Print(s[2]); s[1] = \"J\"; s += \", world\"; Print(s);",
     "5|ell|3|HELLO|e|Jello, world"},
    {"arrays",
     "var a: array [1..5] of Integer; b: array [0..2, 0..2] of Integer; i, t: Integer;\n"
     "begin for i := 1 to 5 do a[i] := i * i; t := 0; for i := 1 to 5 do t := t + a[i]; Print(t);\n"
     "  b[1, 2] := 7; Print(b[1, 2] + 1) end.",
     "int a[6]; int b[3][3]; int i, t;\n"
     "{ for (i = 1; i <= 5; i++) a[i] = i * i; t = 0; for (i = 1; i <= 5; i++) t += a[i]; Print(t);\n"
     "  b[1][2] = 7; Print(b[1][2] + 1); }",
     "dim a[6], b[3, 3]\nfor i = 1 to 5\n  a[i] = i * i\nnext\nt = 0\nfor i = 1 to 5\n  t = t + a[i]\nnext\nPrint(t)\n"
     "b[1, 2] = 7\nPrint(b[1, 2] + 1)\n",
     "var a[6], b[3, 3]; var i, t;\n"
     "for (i = 1; i <= 5; i++) a[i] = i * i; t = 0; for (i = 1; i <= 5; i++) t += a[i]; Print(t);\n"
     "b[1, 2] = 7; Print(b[1, 2] + 1);",
     "55|8"},
    {"try",
     "begin\n  try RaiseException('boom'); Print('not here') except Print('caught') end;\n"
     "  try try RaiseException('x') finally Print('finally') end except Print('caught2') end;\n"
     "  try Print('body') finally Print('done') end\nend.",
     "{\n  try { RaiseException(\"boom\"); Print(\"not here\"); } except { Print(\"caught\"); }\n"
     "  try { try { RaiseException(\"x\"); } finally { Print(\"finally\"); } } except { Print(\"caught2\"); }\n"
     "  try { Print(\"body\"); } finally { Print(\"done\"); }\n}",
     "try\n  RaiseException(\"boom\")\n  Print(\"not here\")\ncatch\n  Print(\"caught\")\nend try\n"
     "try\n  try\n    RaiseException(\"x\")\n  finally\n    Print(\"finally\")\n  end try\ncatch\n  Print(\"caught2\")\nend try\n"
     "try\n  Print(\"body\")\nfinally\n  Print(\"done\")\nend try\n",
     "try { RaiseException(\"boom\"); Print(\"not here\"); } except { Print(\"caught\"); }\n"
     "try { try { RaiseException(\"x\"); } finally { Print(\"finally\"); } } except { Print(\"caught2\"); }\n"
     "try { Print(\"body\"); } finally { Print(\"done\"); }",
     "caught|finally|caught2|body|done"},
    {"case",
     "var i: Integer;\nbegin for i := 1 to 6 do case i of 1: Print('one'); 2, 3: Print('two-three');\n"
     "  5..6: Print('five-six'); else Print('other') end end.",
     "int i;\n{ for (i = 1; i <= 6; i++) switch (i) { case 1: Print(\"one\"); case 2, 3: Print(\"two-three\");\n"
     "  case 5..6: Print(\"five-six\"); default: Print(\"other\"); } }",
     "for i = 1 to 6\n  select case i\n  case 1: Print(\"one\")\n  case 2, 3: Print(\"two-three\")\n"
     "  case 5..6: Print(\"five-six\")\n  case else: Print(\"other\")\n  end select\nnext\n",
     "for (var i = 1; i <= 6; i++) switch (i) { case 1: Print(\"one\"); case 2, 3: Print(\"two-three\");\n"
     "  case 5..6: Print(\"five-six\"); default: Print(\"other\"); }",
     "one|two-three|two-three|other|five-six|five-six"},
    {"var parameters",
     "procedure Swap(var a, b: Integer); var t: Integer; begin t := a; a := b; b := t end;\n"
     "var x, y: Integer; yy, mm, dd: Integer;\n"
     "begin x := 1; y := 2; Swap(x, y); Print(x); Print(y); Inc(x, 5); Print(x);\n"
     "  DecodeDate(EncodeDate(2020, 2, 29), yy, mm, dd); Print(yy); Print(mm); Print(dd) end.",
     "void Swap(int &a, int &b) { int t; t = a; a = b; b = t; }\nint x, y, yy, mm, dd;\n"
     "{ x = 1; y = 2; Swap(x, y); Print(x); Print(y); Inc(x, 5); Print(x);\n"
     "  DecodeDate(EncodeDate(2020, 2, 29), yy, mm, dd); Print(yy); Print(mm); Print(dd); }",
     "sub Swap(byref a, byref b)\n  dim t\n  t = a\n  a = b\n  b = t\nend sub\n"
     "x = 1\ny = 2\nSwap(x, y)\nPrint(x)\nPrint(y)\nInc(x, 5)\nPrint(x)\n"
     "DecodeDate(EncodeDate(2020, 2, 29), yy, mm, dd)\nPrint(yy)\nPrint(mm)\nPrint(dd)\n",
     "function Swap(&a, &b) { var t = a; a = b; b = t; }\n"
     "var x = 1, y = 2; Swap(x, y); Print(x); Print(y); Inc(x, 5); Print(x);\n"
     "var yy, mm, dd; DecodeDate(EncodeDate(2020, 2, 29), yy, mm, dd); Print(yy); Print(mm); Print(dd);",
     "2|1|7|2020|2|29"},
    {"comments and literals",
     "begin { block } (* block\n two *) // line\n  Print($FF); Print('it''s'); Print('A'#66'C'); Print(1.5E3)\nend.",
     "{ /* block */ /* block\n two */ // line\n  Print(0xFF); Print(\"it's\"); Print(\"A\\x42\\x43\"); Print(1.5E3); }",
     "' line\nrem another line\nPrint(0xFF) ' after\nPrint(\"it's\")\nPrint(\"A\\x42\\x43\")\nPrint(1.5E3)\n",
     "/* block */ /* block\n two */ // line\nPrint(0xFF); Print(\"it's\"); Print(\"A\\x42\\x43\"); Print(1.5E3);",
     "255|it's|ABC|1500"},
    {"break and continue",
     "var i, n: Integer;\nbegin i := 0; n := 0;\n  while True do begin i := i + 1; if i > 10 then break; if i mod 2 = 0 then continue; n := n + i end;\n"
     "  Print(n); for i := 1 to 3 do begin if i = 2 then continue; Print(i) end end.",
     "int i, n;\n{ i = 0; n = 0;\n  while (true) { i++; if (i > 10) break; if (i % 2 == 0) continue; n += i; }\n"
     "  Print(n); for (i = 1; i <= 3; i++) { if (i == 2) continue; Print(i); } }",
     "i = 0\nn = 0\nwhile true\n  i = i + 1\n  if i > 10 then break\n  if i mod 2 = 0 then continue\n  n = n + i\nwend\n"
     "Print(n)\nfor i = 1 to 3\n  if i = 2 then continue\n  Print(i)\nnext\n",
     "var i = 0, n = 0;\nwhile (true) { i++; if (i > 10) break; if (i % 2 == 0) continue; n += i; }\n"
     "Print(n); for (i = 1; i <= 3; i++) { if (i == 2) continue; Print(i); }",
     "25|1|3"},
    {"exit and conditions",
     "function Sign(x: Integer): Integer; begin Result := 0; if x < 0 then begin Result := -1; exit end;\n"
     "  if x > 0 then Result := 1 end;\nbegin Print(Sign(-5)); Print(Sign(0)); Print(Sign(9));\n"
     "  if (1 < 2) and (3 > 2) then Print('yes') else Print('no') end.",
     "int Sign(int x) { if (x < 0) return -1; if (x > 0) return 1; return 0; }\n"
     "{ Print(Sign(-5)); Print(Sign(0)); Print(Sign(9)); if (1 < 2 && 3 > 2) Print(\"yes\"); else Print(\"no\"); }",
     "function Sign(x)\n  if x < 0 then\n    return -1\n  elseif x > 0 then\n    return 1\n  else\n    return 0\n  end if\nend function\n"
     "Print(Sign(-5))\nPrint(Sign(0))\nPrint(Sign(9))\nif (1 < 2) and (3 > 2) then\n  Print(\"yes\")\nelse\n  Print(\"no\")\nend if\n",
     "function Sign(x) { if (x < 0) return -1; if (x > 0) return 1; return 0; }\n"
     "Print(Sign(-5)); Print(Sign(0)); Print(Sign(9)); if (1 < 2 && 3 > 2) Print(\"yes\"); else Print(\"no\");",
     "-1|0|1|yes"},
    {"constants and globals",
     "const Limit = 3; Greeting = 'hi';\nvar i: Integer; s: String;\n"
     "begin s := ''; for i := 1 to Limit do s := s + Greeting; Print(s); Print(Round(2.5)); Print(Trunc(-2.7)) end.",
     "#define Limit 3\n#define Greeting \"hi\"\nint i; string s;\n"
     "{ s = \"\"; for (i = 1; i <= Limit; i++) s += Greeting; Print(s); Print(Round(2.5)); Print(Trunc(-2.7)); }",
     "dim s as string\ns = \"\"\nfor i = 1 to 3\n  s = s & \"hi\"\nnext\nPrint(s)\nPrint(Round(2.5))\nPrint(Trunc(-2.7))\n",
     "var s = \"\"; for (var i = 1; i <= 3; i++) s += \"hi\"; Print(s); Print(Round(2.5)); Print(Trunc(-2.7));",
     "hihihi|2|-2"},
};

}  // namespace

class SameProgramInFourLanguages : public ::testing::TestWithParam<Case> {};

TEST_P(SameProgramInFourLanguages, GivesTheSameOutput) {
  const Case& c = GetParam();
  const std::pair<const char*, const char*> langs[] = {
      {"PascalScript", c.Pascal}, {"C++Script", c.Cpp}, {"BasicScript", c.Basic}, {"JScript", c.JS}};
  for (const auto& [lang, text] : langs) {
    TestProgram p(lang, text);
    EXPECT_EQ(p.Run(), "") << lang;
    EXPECT_EQ(p.Joined(), c.Expected) << lang;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, SameProgramInFourLanguages, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string n = info.param.Name;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });
