// Helpers shared by the script engine tests: a program under the global script that prints
// through a native procedure into a list of lines.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/variant.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_isysrtti.h"

struct TestProgram {
  TscScript Script;
  std::vector<std::string> Output;

  explicit TestProgram(const std::string& Language, const std::string& Text = "") {
    Script.Parent = scGlobalScript();
    Script.SyntaxType = Language;
    Script.AddMethod("procedure Print(v: Variant)",
                     [this](TObject*, TClass, const std::string&, TscArgs& P) {
                       Output.push_back(VarToStr(P[0]));
                       return Variant(0);
                     });
    if (!Text.empty()) Script.SetText(Text);
  }

  // Compiles and runs; returns "" on success, else "error@pos" or "exception: message".
  std::string Run() {
    if (!Script.Compile()) return Script.ErrorText + "@" + Script.ErrorPosition;
    try {
      Script.Execute();
    } catch (const std::exception& e) {
      return std::string("exception: ") + e.what();
    }
    return "";
  }

  std::string Joined() const {
    std::string r;
    for (const std::string& l : Output) r += (r.empty() ? "" : "|") + l;
    return r;
  }
};
