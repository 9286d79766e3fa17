// The report script and expression evaluation: script preparation, name resolution, Calc with
// its expression cache, the report's script functions and script procedures called as events.
#include "report/core/rptscript.h"

#include <set>

#include "platform/rtl/strings.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptservices.h"
#include "report/core/rptvariables.h"
#include "script/sc_iinterpreter.h"

ORV_CLASS_IMPL(TrptExpressionCache, TObject)

// ---- TrptExpressionCache ----------------------------------------------------------------------

TrptExpressionCache::TrptExpressionCache(TscScript* AScript)
    : FMainScript(AScript), FCacheScript(std::make_unique<TscScript>(nullptr)) {
  FCacheScript->ExtendedIdentChars = true;
}

TrptExpressionCache::~TrptExpressionCache() = default;

void TrptExpressionCache::Clear() {
  FExpressions.clear();
  FCacheScript->Clear();
  FCompileCount = 0;
}

std::string TrptExpressionCache::KeyOf(const std::string& Expression) {
  std::string key = Expression;
  char quote = 0;
  for (char& c : key) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return key;
}

void TrptExpressionCache::Calc(const std::string& Expression, std::string& ErrorText, Variant& Value,
                               TscScript* AScript) {
  ErrorText.clear();
  FCacheScript->Parent = AScript;
  auto key = std::make_pair(AScript, KeyOf(Expression));
  auto it = FExpressions.find(key);
  TscCustomVariable* func;
  if (it == FExpressions.end()) {
    std::string name = "_f" + IntToStr(FCompileCount++);
    FCacheScript->SetLines({"function " + name + ": Variant; begin Result := " + Expression + " end; begin end."});
    FCacheScript->SyntaxType = "PascalScript";
    if (!FCacheScript->Compile()) {
      ErrorText = rptGet("clExprError") + " '" + Expression + "': " + FCacheScript->ErrorText;
      Value = Null();
      return;
    }
    func = FCacheScript->FindLocal(name);
    if (!func) {
      ErrorText = rptGet("clExprError") + " '" + Expression + "'";
      Value = Null();
      return;
    }
    FExpressions.emplace(key, func);
  } else {
    func = it->second;
  }
  // Running the function must not replace the main script's active local scope.
  FMainScript->RanAsMain = false;
  struct Restore {
    TscScript* S;
    ~Restore() { S->RanAsMain = true; }
  } restore{FMainScript};
  Value = func->GetValue();
}

// ---- Script preparation -----------------------------------------------------------------------

bool TrptReport::CompileReportScript() {
  FExpressionCache->Clear();
  if (FEngine) FEngine->NotifyObjects.clear();
  FScript->ClearItems(this);
  FScript->Registrar = this;
  FScript->RanAsMain = true;
  struct Restore {
    TscScript* S;
    ~Restore() { S->Registrar = nullptr; }
  } restore{FScript.get()};
  FValueVariable = nullptr;
  for (TrptComponent* o : std::vector<TrptComponent*>(GetAllObjects())) {
    o->IsDesigning = false;
    o->BeforeRun();
    if (!o->Name().empty()) FScript->AddObject(o->Name(), o);
  }
  FScript->AddObject("Report", this);
  if (FEngine) FScript->AddObject("Engine", FEngine);
  if (FPreviewPages && FPreviewPages->Outline()) FScript->AddObject("Outline", FPreviewPages->Outline());
  FScript->AddVariable("Value", "Variant", Null());
  FScript->AddMethod("function Get(Name: String): Variant",
                     [this](TObject*, TClass, const std::string&, TscArgs& P) {
                       return GetHandler(P.empty() ? std::string() : VarToStr(P[0]));
                     });
  FScript->AddMethod("procedure Set(Name: String; Value: Variant)",
                     [this](TObject*, TClass, const std::string&, TscArgs& P) {
                       if (P.size() < 2) return Null();
                       std::string name = VarToStr(P[0]);
                       FVariables->SetVariables(name, P[1]);
                       // A value written by the script is data, never an expression.
                       FVariables->Items(FVariables->IndexOf(name))->IsData = true;
                       return Null();
                     });
  auto macro = [this](TObject*, TClass, const std::string& Name, TscArgs& P) {
    return MacroFunction(UpperCase(Name), P);
  };
  FScript->AddMethod("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", macro);
  for (const char* f : {"SUM", "AVG", "MIN", "MAX"})
    FScript->AddMethod(std::string("macrofunction ") + f +
                           "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                       macro);
  FScript->AddMethod("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", macro);
  FValueVariable = FScript->FindLocal("Value");
  FScript->SetLines(FScriptText->ToVector());
  FScript->SyntaxType = ScriptLanguage;
  bool ok = FScript->Compile();
  if (!ok) AddError(Format(rptGet("clScrError"), {FScript->ErrorPosition, FScript->ErrorText}));
  return ok;
}

// ---- Names and expressions --------------------------------------------------------------------

namespace {
// Report variables being evaluated as expressions, so that a variable whose text names itself
// (directly or through others) ends with an error instead of exhausting the stack.
thread_local std::set<const TrptVariable*> gEvaluating;
}  // namespace

bool TrptReport::GetVariableValue(const std::string& AName, Variant& Value) {
  Value = Null();
  TrptDataSet* ds;
  std::string field;
  SplitFieldReference(AName, ds, field);
  if (ds && !field.empty()) {
    Value = ds->GetValue(field);
    if (FEngineOptions->ConvertNulls && Value.IsNull()) {
      switch (ds->GetFieldType(field)) {
        case fftNumeric: Value = Variant(0); break;
        case fftString: Value = Variant(std::string()); break;
        case fftBoolean: Value = Variant(false); break;
      }
    }
    return true;
  }
  int sys = FSysVariables->IndexOf(AName);
  if (sys >= 0) {
    TrptCustomEngine* e = FEngine;
    TrptCustomPreviewPages* pp = FPreviewPages;
    int cur = pp ? pp->FillPage : 0, first = pp ? pp->RunFirstPage : 0, total = e ? e->TotalPages : 0;
    switch (sys) {
      case 0: Value = Variant::FromDate(e ? e->StartDate : 0); break;
      case 1: Value = Variant::FromDate(e ? e->StartTime : 0); break;
      case 2: Value = Variant(cur - first + 1); break;
      case 3: Value = Variant(cur + 1); break;
      case 4: Value = Variant(total - first); break;
      case 5: Value = Variant(total); break;
      case 6: Value = Variant(e ? e->LineNumber : 0); break;
      default: Value = Variant(e ? e->GlobalLineNumber : 0); break;
    }
    return true;
  }
  if (OnGetValue) {
    Variant v;
    OnGetValue(AName, v);
    if (!v.IsEmpty()) {
      Value = v;
      return true;
    }
  }
  int vi = FVariables->IndexOf(AName);
  if (vi >= 0) {
    TrptVariable* var = FVariables->Items(vi);
    Value = var->Value;
    if (!var->IsData && Value.IsString() && Value.AsString().find("\r\n") == std::string::npos) {
      if (gEvaluating.count(var)) throw Exception("Circular reference in variable " + var->Name);
      gEvaluating.insert(var);
      struct Done {
        const TrptVariable* V;
        ~Done() { gEvaluating.erase(V); }
      } done{var};
      Value = Calc(Value.AsString());
    }
    return true;
  }
  if (TscCustomVariable* item = FScript->FindLocal(AName)) {
    Value = item->GetValue();
    return true;
  }
  return false;
}

Variant TrptReport::Calc(const std::string& Expr, TscScript* AScript) {
  if (!AScript) AScript = FScript.get();
  Variant v;
  if (GetVariableValue(Expr, v)) return v;
  std::string error;
  FExpressionCache->Calc(Expr, error, v, AScript);
  if (!error.empty()) {
    if (!CurObjectName.empty()) error = CurObjectName + ": " + error;
    AddError(error);
    throw Exception(error);
  }
  return v;
}

void TrptReport::SetLocalValue(const Variant& V) {
  if (FValueVariable) FValueVariable->SetValue(V);
}

Variant TrptReport::GetHandler(const std::string& Name) {
  Variant v;
  if (GetVariableValue(Name, v)) return v;
  size_t paren = Name.find('(');
  if (paren != std::string::npos) {
    std::string f = UpperCase(Trim(Name.substr(0, paren)));
    if (f == "SUM" || f == "MIN" || f == "MAX" || f == "AVG" || f == "COUNT") return Calc(Name);
  }
  AddError(rptGet("clUnknownVar") + " " + Name);
  return Null();
}

Variant TrptReport::MacroFunction(const std::string& Name, std::vector<Variant>& Params) {
  TscScript* scope = FScript->ActiveLocalScope ? FScript->ActiveLocalScope : FScript.get();
  auto text = [&Params](size_t i) { return i < Params.size() ? VarToStr(Params[i]) : std::string(); };
  auto numberOrCalc = [&](size_t i) -> Variant {
    std::string t = Trim(text(i));
    return t.empty() ? Variant(0) : Calc(t, scope);
  };
  if (Name == "IIF") {
    Variant cond = Calc(text(0), scope);
    bool yes = VarType(cond) == varBoolean ? cond.AsBoolean() : false;
    return Calc(yes ? text(1) : text(2), scope);
  }
  std::string expression;
  Variant band, flags;
  if (Name == "COUNT") {
    band = numberOrCalc(0);
    flags = numberOrCalc(1);
  } else {
    expression = text(0);
    band = numberOrCalc(1);
    flags = numberOrCalc(2);
  }
  if (!FEngine) throw Exception("The report engine is not available");
  auto* bandObj = dynamic_cast<TrptComponent*>(band.IsNull() || VarToStr(band) == "0" ? nullptr : scValueToObject(band));
  return FEngine->AggregateValue(Name, expression, bandObj, flags.AsInteger());
}

void TrptReport::DoNotifyEvent(TObject* Obj, const std::string& ProcName, bool RunAlways) {
  if (ProcName.empty()) return;
  if (!RunAlways && !(FEngine && FEngine->IsRunning)) return;
  FScript->CallFunction(ProcName, VarArrayOf({scObjectToValue(Obj)}));
}

void TrptReport::DoParamEvent(const std::string& ProcName, Variant& Params, bool RunAlways) {
  if (ProcName.empty()) return;
  if (!RunAlways && !(FEngine && FEngine->IsRunning)) return;
  FScript->CallFunctionVarParams(ProcName, Params);
}
