// Shared routines of the script engine.
#include "script/sc_itools.h"

#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdlib>
#include <strings.h>

#include "platform/rtl/sysutils.h"
#include "script/sc_iparser.h"
#include "script/sc_xml.h"

int scCompareNames(const std::string& A, const std::string& B) { return strcasecmp(A.c_str(), B.c_str()); }
bool scSameName(const std::string& A, const std::string& B) {
  return A.size() == B.size() && strcasecmp(A.c_str(), B.c_str()) == 0;
}
std::string scUpper(const std::string& S) {
  std::string r = S;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

TscTypeCode ScriptTypeCodeOf(const std::string& ATypeName, const TscScript* Script) {
  const TscCustomVariable* item = Script ? Script->Find(ATypeName) : nullptr;
  return item ? item->TypeCode : static_cast<TscTypeCode>(tcClass);
}

namespace {

// Only the first 31 characters of a type name take part in comparisons.
std::string Cut(const std::string& S) { return S.size() > 31 ? S.substr(0, 31) : S; }

TClass ClassOfName(const std::string& N, const TscScript* Script) {
  TscClassVariable* c = Script ? Script->FindClassItem(N) : nullptr;
  return c ? c->ClassRef : nullptr;
}

}  // namespace

bool AreScriptTypesCompatible(TscTypeCode LCode, const std::string& LName, TscTypeCode RCode,
                              const std::string& RName, const TscScript* Script) {
  switch (LCode) {
    case tcInteger: return RCode == tcInteger || RCode == tcFloat || RCode == tcVariant || RCode == tcEnum;
    case tcBoolean: return RCode == tcBoolean || RCode == tcVariant;
    case tcFloat: return RCode == tcInteger || RCode == tcFloat || RCode == tcVariant;
    case tcChar: case tcString: return RCode == tcChar || RCode == tcString || RCode == tcVariant;
    case tcClass: {
      if (RCode == tcVariant) return true;
      if (RCode != tcClass) return false;
      TClass l = ClassOfName(Cut(LName), Script), r = ClassOfName(Cut(RName), Script);
      return l && r && r->InheritsFrom(l);
    }
    case tcArray: return RCode == tcArray || RCode == tcVariant;
    case tcVariant: return true;
    case tcEnum:
      return RCode == tcInteger || RCode == tcVariant || (RCode == tcEnum && scSameName(Cut(LName), Cut(RName)));
    default: return false;
  }
}

bool IsAssignCompatible(const TscCustomVariable* Target, const TscCustomVariable* Value, const TscScript* Script) {
  if (Target->TypeCode == tcInteger && Value->TypeCode == tcFloat) return false;
  return AreScriptTypesCompatible(Target->TypeCode, Target->TypeName, Value->TypeCode, Value->TypeName, Script);
}

Variant LiteralToVariant(const std::string& Text) {
  if (Text.empty()) return Null();
  if (Text[0] == '\'') return Variant(Text.size() >= 2 ? Text.substr(1, Text.size() - 2) : std::string());
  // A 64-bit integer, decimal or hexadecimal with "$".
  bool hex = Text[0] == '$';
  const char* s = Text.c_str() + (hex ? 1 : 0);
  bool allDigits = *s != 0;
  for (const char* p = s; *p; ++p)
    if (!(hex ? isxdigit(static_cast<unsigned char>(*p)) : isdigit(static_cast<unsigned char>(*p)))) allDigits = false;
  if (allDigits) {
    errno = 0;
    unsigned long long v = strtoull(s, nullptr, hex ? 16 : 10);
    if (errno == 0) {
      int64_t i = static_cast<int64_t>(v);
      if (i >= 0 && i <= 2147483647) return static_cast<int32_t>(i);
      if (i > 2147483647) return i;
      return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(i) & 0xFFFFFFFFu));
    }
  }
  // A float: literals always use "." whatever the locale says, so convert without the locale.
  double d = 0;
  auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), d);
  if (ec == std::errc() && end == Text.data() + Text.size()) return d;
  throw EConvertError("'" + Text + "' is not a valid floating point value");
}

TscCustomVariable* ParseMethodSignature(const std::string& Declaration, const TscScript* Script) {
  TscParser p;
  p.SetText(Declaration);
  std::string word = p.GetWord();
  bool macro = false;
  if (word.size() >= 5 && scSameName(word.substr(0, 5), "macro")) {
    macro = true;
    word = word.substr(5);
  }
  bool isFunction = scSameName(word, "function");
  std::string name = p.GetWord();
  std::string resultType;
  if (isFunction) {
    size_t colon = Declaration.rfind(':');
    if (colon != std::string::npos) resultType = Trim(Declaration.substr(colon + 1));
    while (!resultType.empty() && (resultType.back() == ';' || resultType.back() == ' ')) resultType.pop_back();
  }
  auto* item = new TscCustomVariable(name, ScriptTypeCodeOf(resultType, Script), resultType);
  if (!isFunction) item->TypeCode = tcInteger;
  item->IsMacro = macro;
  p.SkipSpaces();
  if (p.GetChar() != "(") return item;
  for (;;) {
    std::vector<std::string> names;
    bool byRef = false;
    std::string t;
    for (;;) {
      p.SkipSpaces();
      std::string w = p.GetWord();
      if (!w.empty()) {
        if (scSameName(w, "var")) byRef = true;
        else if (!scSameName(w, "const")) names.push_back(w);
        continue;
      }
      t = p.GetChar();
      if (t == ",") continue;
      break;
    }
    if (t == ":") {
      std::string typeName = p.GetWord();
      Variant def = Null();
      p.SkipSpaces();
      std::string c = p.GetChar();
      if (c == "=") {
        std::string lit = p.GetNumber();
        if (!lit.empty()) {
          def = LiteralToVariant(lit);
        } else if (!(lit = p.GetString()).empty()) {
          def = LiteralToVariant(lit);
        } else {
          p.SkipSpaces();
          int save = p.Position;
          if (p.GetChar() == "-" && !(lit = p.GetNumber()).empty()) {
            def = VarUnaryOp(opNegate, LiteralToVariant(lit));
          } else {
            p.SetPosition(save);
            std::string w = p.GetWord();
            const TscCustomVariable* v = Script ? Script->Find(w) : nullptr;
            if (v) def = const_cast<TscCustomVariable*>(v)->GetValue();
          }
        }
        p.SkipSpaces();
        c = p.GetChar();
      }
      for (size_t i = 0; i < names.size(); ++i) {
        auto* prm = new TscParamItem(names[i], ScriptTypeCodeOf(typeName, Script), typeName);
        prm->ByReference = byRef;
        if (i + 1 == names.size()) {
          prm->Optional = !def.IsNull();
          prm->DefaultValue = def;
        }
        item->AddItem(prm);
      }
      t = c;
    }
    if (t != ";") break;
  }
  return item;
}

Variant ArgsToVariant(const TVarRec& Arg) {
  switch (Arg.VType) {
    case TVarRec::vtInteger: return static_cast<int32_t>(Arg.VInteger);
    case TVarRec::vtInt64: return Arg.VInteger;
    case TVarRec::vtPointer: return static_cast<int32_t>(reinterpret_cast<intptr_t>(Arg.VPointer));
    case TVarRec::vtBoolean: return Arg.VInteger != 0;
    case TVarRec::vtChar: return Variant(std::string(1, static_cast<char>(Arg.VInteger)));
    case TVarRec::vtExtended: return Arg.VExtended;
    case TVarRec::vtCurrency: return Arg.VExtended;  // read as the extended value it carries
    case TVarRec::vtVariant: return Arg.VVariant ? *Arg.VVariant : Null();
    case TVarRec::vtString: return Variant(Arg.VString);
  }
  return Null();
}

std::vector<TVarRec> VariantToArgs(const Variant& A) {
  std::vector<TVarRec> r;
  if (!A.IsArray()) return r;
  int lo = VarArrayLowBound(A, 1), hi = VarArrayHighBound(A, 1);
  for (int i = lo; i <= hi; ++i) {
    Variant v = A.GetElement(&i, 1);
    switch (v.VType()) {
      case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
        r.emplace_back(v.AsInteger());
        break;
      case varLongWord: case varInt64:
        r.emplace_back(static_cast<long long>(v.AsInt64()));
        break;
      case varSingle: case varDouble: case varCurrency: case varDate:
        r.emplace_back(v.AsFloat());
        break;
      case varBoolean: r.emplace_back(v.AsBoolean()); break;
      case varString: case varOleStr: r.emplace_back(v.AsString()); break;
      default: r.emplace_back(0);
    }
  }
  return r;
}

TscPoint scParsePosition(const std::string& Text) {
  TscPoint pt;
  if (Text.empty()) return pt;
  size_t colon = Text.find(':');
  pt.Y = atoi(Text.substr(0, colon).c_str());
  if (colon != std::string::npos) pt.X = atoi(Text.substr(colon + 1).c_str());
  return pt;
}

namespace {

void SetTextValue(TscXMLItem* Item, const std::string& Text, const std::string* Description = nullptr) {
  Item->Text = "text=\"" + Text + "\"";
  if (Description) Item->Text += " description=\"" + *Description + "\"";
}

std::string ValueText(TscCustomVariable* V) {
  try {
    return VarToStr(V->GetValue());
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

void scBuildFunctionCatalog(TscScript* Script, TscXMLItem* Root, bool FunctionsOnly) {
  TscXMLItem* functions = Root->FindItem("Functions");
  TscXMLItem* classes = Root->FindItem("Classes");
  TscXMLItem* types = Root->FindItem("Types");
  TscXMLItem* variables = Root->FindItem("Variables");
  TscXMLItem* constants = Root->FindItem("Constants");
  for (int i = 0; i < Script->ItemCount(); ++i) {
    TscCustomVariable* v = Script->ItemAt(i);
    if (auto* m = dynamic_cast<TscMethodHelper*>(v)) {
      TscXMLItem* cat = functions->FindItem(m->Category);
      SetTextValue(cat, m->Category);
      SetTextValue(cat->Add(), m->Declaration, &m->Description);
      cat->Items(cat->Count() - 1)->Name = "item";
      continue;
    }
    if (FunctionsOnly) continue;
    if (auto* c = dynamic_cast<TscClassVariable*>(v)) {
      TscXMLItem* ci = classes->Add();
      ci->Name = "item";
      SetTextValue(ci, c->Name + " = class(" + c->AncestorName + ")");
      for (int k = 0; k < c->MemberCount(); ++k) {
        TscCustomVariable* mem = c->Member(k);
        TscXMLItem* mi = ci->Add();
        mi->Name = "item";
        if (auto* mh = dynamic_cast<TscMethodHelper*>(mem)) {
          std::string d = mh->Declaration;
          if (mh->IsIndexedProperty) {
            size_t blank = d.find(' ');
            d = "index property" + (blank == std::string::npos ? std::string() : d.substr(blank));
          }
          SetTextValue(mi, d);
        } else if (dynamic_cast<TscEventHelper*>(mem)) {
          SetTextValue(mi, "event " + mem->Name);
        } else {
          SetTextValue(mi, "property " + mem->Name + ": " + mem->TypeDisplayName());
        }
      }
      continue;
    }
    if (dynamic_cast<TscVariable*>(v) || dynamic_cast<TscTypeVariable*>(v)) {
      if (v->Name.empty() || v->Name.compare(0, 2, "__") == 0) continue;
      if (v->TypeCode == tcEnum) {
        TscXMLItem* t = types->FindItem(v->TypeName);
        if (!scSameName(v->Name, v->TypeName)) t->Text += (t->Text.empty() ? "" : ",") + v->Name;
        continue;
      }
      if (dynamic_cast<TscTypeVariable*>(v)) continue;
      TscXMLItem* vi = (v->ReadOnly ? constants : variables)->Add();
      vi->Name = "item";
      std::string t = v->Name + ": " + v->TypeDisplayName();
      if (v->ReadOnly) t += " = " + ValueText(v);
      SetTextValue(vi, t);
    }
  }
  for (int i = 0; i < types->Count(); ++i) {
    TscXMLItem* t = types->Items(i);
    if (t->Name == "item") continue;
    std::string names = t->Text;
    t->Text = "text=\"" + t->Name + ": (" + names + ")\"";
    t->Name = "item";
  }
}
