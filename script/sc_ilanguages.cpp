// The language registry: name=grammar entries in registration order. The four built-in grammars
// are registered when the registry is first used, so the order never depends on the order in
// which the linker runs initialisers.
#include <stdexcept>

#include "platform/rtl/sysutils.h"
#include "script/sc_iconst.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_itools.h"

extern const char* const scGrammar_pascal;
extern const char* const scGrammar_cpp;
extern const char* const scGrammar_basic;
extern const char* const scGrammar_js;

namespace {

struct LanguageEntry {
  std::string Name;
  std::string Grammar;
};

std::vector<LanguageEntry>& Registry() {
  static std::vector<LanguageEntry> list = [] {
    std::vector<LanguageEntry> l;
    l.push_back({"PascalScript", scGrammar_pascal});
    l.push_back({"C++Script", scGrammar_cpp});
    l.push_back({"BasicScript", scGrammar_basic});
    l.push_back({"JScript", scGrammar_js});
    return l;
  }();
  return list;
}

}  // namespace

void RegisterScriptLanguage(const std::string& AName, const std::string& Grammar) {
  for (const LanguageEntry& e : Registry())
    if (scSameName(e.Name, AName)) return;  // the first registration wins
  Registry().push_back({AName, Grammar});
}

const std::string& scGetScriptLanguageGrammar(const std::string& AName) {
  for (const LanguageEntry& e : Registry())
    if (scSameName(e.Name, AName)) return e.Grammar;
  // SLangNotFound is "Language '%s' not found".
  std::string msg;
  for (const char* p = SLangNotFound; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      msg.append(AName);
      ++p;
    } else {
      msg.push_back(*p);
    }
  }
  throw Exception(msg);
}

void scGetScriptLanguageList(std::vector<std::string>& List) {
  List.clear();
  for (const LanguageEntry& e : Registry()) List.push_back(e.Name);
}
