// Script engine benchmarks: recursion, an integer loop, string concatenation and native calls in
// each language, and the compile time of a 2,000-line script.
#include <benchmark/benchmark.h>

#include <string>

#include "script/sc_iinterpreter.h"
#include "script/sc_isysrtti.h"

namespace {

struct Programs {
  const char* Language;
  const char* Fib;
  const char* Loop;
  const char* Concat;
  const char* Native;
};

const Programs kPrograms[] = {
    {"PascalScript",
     "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2) end;\n"
     "var r: Integer; begin r := Fib(25) end.",
     "var i, s: Integer; begin s := 0; for i := 1 to 1000000 do s := s + i mod 7 end.",
     "var i: Integer; s: String; begin s := ''; for i := 1 to 100000 do s := s + 'x' end.",
     "var i, s: Integer; begin s := 0; for i := 1 to 100000 do s := s + Native(i) end."},
    {"C++Script",
     "int Fib(int n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\nint r; { r = Fib(25); }",
     "int i, s; { s = 0; for (i = 1; i <= 1000000; i++) s = s + i % 7; }",
     "int i; string s; { s = \"\"; for (i = 1; i <= 100000; i++) s = s + \"x\"; }",
     "int i, s; { s = 0; for (i = 1; i <= 100000; i++) s = s + Native(i); }"},
    {"BasicScript",
     "function Fib(n)\nif n < 2 then return n\nreturn Fib(n - 1) + Fib(n - 2)\nend function\nr = Fib(25)\n",
     "s = 0\nfor i = 1 to 1000000\ns = s + i mod 7\nnext\n",
     "dim s as string\ns = \"\"\nfor i = 1 to 100000\ns = s & \"x\"\nnext\n",
     "s = 0\nfor i = 1 to 100000\ns = s + Native(i)\nnext\n"},
    {"JScript",
     "function Fib(n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\nvar r = Fib(25);",
     "var s = 0; for (var i = 1; i <= 1000000; i++) s = s + i % 7;",
     "var s = \"\"; for (var i = 1; i <= 100000; i++) s = s + \"x\";",
     "var s = 0; for (var i = 1; i <= 100000; i++) s = s + Native(i);"},
};

void Run(benchmark::State& State, int Lang, int Which) {
  const Programs& p = kPrograms[Lang];
  const char* text = Which == 0 ? p.Fib : Which == 1 ? p.Loop : Which == 2 ? p.Concat : p.Native;
  TscScript s;
  s.Parent = scGlobalScript();
  s.SyntaxType = p.Language;
  s.AddMethod("function Native(i: Integer): Integer",
              [](TObject*, TClass, const std::string&, TscArgs& P) { return Variant(P[0].AsInteger() & 1); });
  s.SetText(text);
  if (!s.Compile()) {
    State.SkipWithError((s.ErrorText + " at " + s.ErrorPosition).c_str());
    return;
  }
  for (auto _ : State) s.Execute();
}

void Register() {
  const char* names[] = {"Fib25", "IntLoop1e6", "Concat1e5", "NativeCall1e5"};
  for (int lang = 0; lang < 4; ++lang)
    for (int which = 0; which < 4; ++which)
      benchmark::RegisterBenchmark((std::string(names[which]) + "/" + kPrograms[lang].Language).c_str(),
                                   [lang, which](benchmark::State& st) { Run(st, lang, which); })
          ->Unit(benchmark::kMillisecond);
}

const int kRegistered = (Register(), 0);

void Compile2000Lines(benchmark::State& State) {
  std::string text = "var a, b, c: Integer; s: String;\n";
  text += "function F(x: Integer): Integer; begin Result := x * 2 + 1 end;\nbegin\n";
  for (int i = 0; i < 2000; ++i) {
    switch (i % 4) {
      case 0: text += "  a := b + c * " + std::to_string(i) + ";\n"; break;
      case 1: text += "  if a > b then c := F(a) else c := F(b);\n"; break;
      case 2: text += "  s := s + IntToStr(a);\n"; break;
      default: text += "  for a := 1 to 3 do b := b + a;\n";
    }
  }
  text += "end.";
  for (auto _ : State) {
    TscScript s;
    s.Parent = scGlobalScript();
    s.SetText(text);
    if (!s.Compile()) State.SkipWithError(s.ErrorText.c_str());
  }
}
BENCHMARK(Compile2000Lines)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A report evaluates many small expressions; each one compiles a tiny program.
void EvaluateSmallExpression(benchmark::State& State) {
  TscScript s;
  s.Parent = scGlobalScript();
  for (auto _ : State) benchmark::DoNotOptimize(s.Evaluate("1 + 2 * 3"));
}
BENCHMARK(EvaluateSmallExpression)->Unit(benchmark::kMicrosecond);

}  // namespace
