// The compiler of the intermediate script and the designator compiler (second stage of
// TscILParser): declarations, statements, expressions and designators.
#include <cstring>

#include "platform/rtl/sysutils.h"
#include "script/sc_iconst.h"
#include "script/sc_iexpression.h"
#include "script/sc_iilparser.h"
#include "script/sc_itools.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool Is(TscXMLItem* E, const char* Name) { return E && strcasecmp(E->Name.c_str(), Name) == 0; }

TscXMLItem* Child(TscXMLItem* E, int I) { return I < E->Count() ? E->Items(I) : nullptr; }

TscXMLItem* ChildNamed(TscXMLItem* E, const char* Name) {
  for (int i = 0; i < E->Count(); ++i)
    if (Is(E->Items(i), Name)) return E->Items(i);
  return nullptr;
}

std::string Quoted(const std::string& S) { return "'" + S + "'"; }

// Counts a construct around the statements being compiled, also when compiling them fails.
struct DepthGuard {
  int& Depth;
  bool Active;
  explicit DepthGuard(int& D, bool A = true) : Depth(D), Active(A) {
    if (Active) ++Depth;
  }
  ~DepthGuard() {
    if (Active) --Depth;
  }
};

// The compile error carries only the message; the position and unit come from the parser.
struct CompileError {
  std::string Message;
};

}  // namespace

void TscILParser::SetErrorPos(TscXMLItem* Element) {
  if (Element) ErrorPos = Element->Prop("pos");
}

void TscILParser::Error(const std::string& Message) { throw CompileError{Message}; }

void TscILParser::IncompatibleTypes(const TscCustomVariable* A, const TscCustomVariable* B) {
  Error(std::string(SIncompatibleTypes) + ": " + Quoted(A->TypeDisplayName()) + ", " + Quoted(B->TypeDisplayName()));
}

void TscILParser::ParseIntermediateScript() {
  WithList.clear();
  if (Program) Program->ErrorUnitName.clear();
  UnitName.clear();
  FLoopDepth = FSwitchDepth = 0;
  try {
    CompileBlock(ILScript.Root(), Program);
    Program->ErrorPosition.clear();
  } catch (const CompileError& e) {
    Program->ErrorText = e.Message;
    Program->ErrorPosition = ErrorPos;
    Program->ErrorUnitName = UnitName;
  } catch (const Exception& e) {
    Program->ErrorText = e.Message();
    Program->ErrorPosition = ErrorPos;
    Program->ErrorUnitName = UnitName;
  }
}

void TscILParser::CompileBlock(TscXMLItem* Element, TscScript* Script) {
  TscXMLItem* saved = ProgRoot;
  ProgRoot = Element;
  // Declaration pass: every routine of the block is known before any body is compiled.
  std::function<void(TscXMLItem*)> declare = [&](TscXMLItem* E) {
    for (int i = 0; i < E->Count(); ++i) {
      TscXMLItem* c = E->Items(i);
      if (Is(c, "compoundstmt")) declare(c);
      else if (Is(c, "procedure")) DeclareRoutine(c, Script, false);
      else if (Is(c, "function")) DeclareRoutine(c, Script, true);
    }
  };
  declare(Element);
  for (int i = 0; i < Element->Count(); ++i) CompileStatement(Element->Items(i), Script, Script->MainStatement);
  ProgRoot = saved;
}

void TscILParser::CheckIdentNotRedeclared(TscScript* Script, const std::string& Name) {
  if (Script->FindLocal(Name)) Error(std::string(SIdentRedeclared) + Quoted(Name));
}

TscClassVariable* TscILParser::FindClassOrFail(const std::string& Name) {
  TscClassVariable* c = Program->FindClassItem(Name);
  if (!c) Error(std::string(SUnknownType) + Quoted(Name));
  return c;
}

TscCustomVariable* TscILParser::FindVariableOrDeclare(TscScript* Script, const std::string& Name) {
  TscCustomVariable* v = Script->Find(Name);
  if (v) return v;
  if (NeedDeclareVars) Error(std::string(SUndeclaredIdent) + Quoted(Name));
  auto* nv = new TscVariable(Name, tcVariant, "");
  Script->AddItem(Name, nv);
  return nv;
}

TscTypeCode TscILParser::TypeCodeOfTypeName(std::string& TypeName) {
  // Type aliases of the language, from the nearest enclosing program element.
  TscXMLItem* p = ProgRoot;
  while (p && !Is(p, "program")) p = p->Parent;
  if (p) {
    TscXMLItem* types = nullptr;
    for (int i = p->Count() - 1; i >= 0; --i)
      if (Is(p->Items(i), "types")) { types = p->Items(i); break; }
    if (types) {
      int k = types->Find(TypeName);
      if (k >= 0) TypeName = types->Items(k)->Prop("type");
    }
  }
  TscTypeCode code = ScriptTypeCodeOf(TypeName, Program);
  if (code == tcClass) FindClassOrFail(TypeName);
  return code;
}

void TscILParser::DeclareRoutine(TscXMLItem* Element, TscScript* Script, bool IsFunction) {
  std::string name, typeName, written;
  TscTypeCode code = 0;
  if (!IsFunction) {
    TscXMLItem* n = Child(Element, 0);
    if (!n) return;
    name = n->Prop("text");
    SetErrorPos(n);
  } else {
    TscXMLItem* t = ChildNamed(Element, "type");
    if (t) {
      SetErrorPos(t);
      typeName = written = t->Prop("text");
      code = TypeCodeOfTypeName(typeName);
    } else if (scSameName(LangName, "JScript") || scSameName(LangName, "BasicScript")) {
      // These grammars have no result types: a function returns whatever it assigns.
      typeName = "Variant";
      code = tcVariant;
    }
    TscXMLItem* n = ChildNamed(Element, "name");
    if (!n) return;
    name = n->Prop("text");
    SetErrorPos(n);
  }
  CheckIdentNotRedeclared(Script, name);
  bool isFunc = IsFunction && !scSameName(written, "void");
  auto* proc = new TscProcVariable(name, isFunc, Script, typeName, code);
  proc->SourcePos = Element->Prop("pos");
  Script->AddItem(name, proc);
  for (int i = 0; i < Element->Count(); ++i)
    if (Is(Element->Items(i), "parameters")) CompileParameters(Element->Items(i), proc);
}

void TscILParser::CompileParameters(TscXMLItem* Element, TscProcVariable* Proc) {
  bool byRefGroup = false;
  for (int i = 0; i < Element->Count(); ++i) {
    TscXMLItem* c = Element->Items(i);
    if (Is(c, "varparams")) {
      byRefGroup = true;
      continue;
    }
    if (!Is(c, "var")) continue;
    bool byRef = false;
    for (int k = 0; k < c->Count(); ++k) {
      TscXMLItem* v = c->Items(k);
      if (Is(v, "varparam")) {
        byRef = true;
      } else if (Is(v, "ident")) {
        SetErrorPos(v);
        std::string name = v->Prop("text");
        CheckIdentNotRedeclared(Proc->LocalScope, name);
        auto* p = static_cast<TscParamItem*>(
            CreateVariableFromDeclaration(c, Proc->LocalScope, true, byRefGroup || byRef, nullptr, name));
        p->DefaultValue = p->Value;
        Proc->AddItem(p);
        Proc->LocalScope->AddItem(name, p);
        byRef = false;
      }
    }
    byRefGroup = false;
  }
}

TscCustomVariable* TscILParser::CreateVariableFromDeclaration(TscXMLItem* Element, TscScript* Script,
                                                              bool IsParameter, bool ByRef, TscStatement* List,
                                                              const std::string& Name) {
  std::string typeName = "Variant";
  bool typeAfterNames = false;
  for (int i = 0; i < Element->Count(); ++i) {
    if (Is(Element->Items(i), "type")) {
      SetErrorPos(Element->Items(i));
      typeName = Element->Items(i)->Prop("text");
      typeAfterNames = i != 0;
      break;
    }
  }
  TscTypeCode code = TypeCodeOfTypeName(typeName);
  Variant init;
  switch (code) {
    case tcBoolean: init = false; break;
    case tcChar: case tcString: init = std::string(); break;
    case tcInteger: case tcFloat: case tcClass: init = 0; break;
    default: init = Null();
  }
  // The name's own initializer and dimensions: up to the next name unless the type follows all
  // names ("var a, b: Integer = 5" shares them, "int a = 1, b[3]" does not).
  int at = -1;
  for (int i = 0; i < Element->Count(); ++i)
    if (scSameName(Element->Items(i)->Prop("text"), Name) && Is(Element->Items(i), "ident")) { at = i; break; }
  TscXMLItem* initElement = nullptr;
  TscXMLItem* arrayElement = nullptr;
  if (at >= 0) {
    for (int i = at + 1; i < Element->Count(); ++i) {
      TscXMLItem* c = Element->Items(i);
      if (!typeAfterNames && Is(c, "ident")) break;
      if (Is(c, "array")) arrayElement = c;
      else if (Is(c, "init")) initElement = c;
    }
  }
  TscArrayHelper* helper = nullptr;
  if (arrayElement) {
    std::vector<int> bounds;
    for (int i = 0; i < arrayElement->Count(); ++i) {
      TscXMLItem* d = arrayElement->Items(i);
      if (!Is(d, "dim")) continue;
      std::vector<int> vals;
      for (int k = 0; k < d->Count(); ++k) {
        if (!Is(d->Items(k), "expr")) continue;
        std::unique_ptr<TscExpression> e(CompileExpression(d->Items(k), Script));
        vals.push_back(e->GetValue().AsInteger());
      }
      if (vals.size() >= 2) {
        bounds.push_back(vals[0]);
        bounds.push_back(vals[1]);
      } else if (vals.size() == 1) {
        bounds.push_back(0);
        bounds.push_back(vals[0] - 1);
      }
    }
    if (bounds.empty()) bounds = {0, 0};
    long long elements = 1;
    for (size_t i = 0; i + 1 < bounds.size(); i += 2) {
      long long n = static_cast<long long>(bounds[i + 1]) - bounds[i] + 1;
      elements *= n > 0 ? n : 0;
      if (elements > scMaxArrayElements) Error(SArrayTooLarge);
    }
    init = VarArrayCreate(bounds, varVariant);
    helper = new TscArrayHelper("", code, typeName);
    int dims = static_cast<int>(bounds.size() / 2);
    for (int i = 0; i < dims; ++i) helper->AddItem(new TscParamItem("", tcInteger, ""));
    Script->AddItem("", helper);
    code = tcArray;
  }
  if (initElement && !List) {
    std::unique_ptr<TscExpression> e(CompileExpression(Child(initElement, 0), Script));
    TscVariable tmp("", code, typeName);
    if (!IsAssignCompatible(&tmp, e.get(), Program)) IncompatibleTypes(&tmp, e.get());
    init = e->GetValue();
  }
  // Owned here until it is handed back: a failing initial value frees it.
  std::unique_ptr<TscCustomVariable> item;
  if (IsParameter) {
    auto* p = new TscParamItem(Name, code, typeName);
    p->ByReference = ByRef;
    p->Optional = initElement != nullptr;
    item.reset(p);
  } else if (code == tcChar || code == tcString) {
    item.reset(new TscStringVariable(Name, code, typeName));
  } else {
    item.reset(new TscVariable(Name, code, typeName));
  }
  item->SetValue(init);
  item->Reference = helper;
  if (initElement && List) {
    std::unique_ptr<TscAssignmentStmt> st(NewStatement<TscAssignmentStmt>(Element, Script));
    auto* target = new TscVariableDesignator(Script);
    st->Target = target;
    auto* di = new TscDesignatorItem();
    di->Target = item.get();
    target->AddItem(di);
    target->ComputeKind();
    st->Source = CompileExpression(Child(initElement, 0), Script);
    if (!IsAssignCompatible(item.get(), st->Source, Program)) IncompatibleTypes(item.get(), st->Source);
    st->Optimize();
    AddStatement(List, st.release());
  }
  return item.release();
}

TscScript* TscILParser::StatementProgram(TscScript* Script) { return Script; }

template <class T> T* TscILParser::NewStatement(TscXMLItem* Element, TscScript* Script) {
  return new T(Script, Element ? Element->Prop("pos") : std::string(), UnitName);
}

void TscILParser::AddStatement(TscStatement* List, TscStatement* S) {
  List->AddItem(S);
  Program->NoteExecutableLine(S->UnitName, S->SourcePos);
}

TscExpression* TscILParser::CompileExpression(TscXMLItem* Element, TscScript* Script) {
  auto* e = new TscExpression(Script);
  e->LogicalBelowComparisons = FLogicalBelowComparisons;
  try {
    std::function<void(TscXMLItem*)> add = [&](TscXMLItem* E) {
      for (int i = 0; i < E->Count(); ++i) {
        TscXMLItem* c = E->Items(i);
        SetErrorPos(c);
        e->SourcePos = ErrorPos;
        if (Is(c, "op")) e->AddOperator(Lower(c->Prop("text")));
        else if (Is(c, "number") || Is(c, "string")) e->AddConst(LiteralToVariant(c->Prop("text")));
        else if (Is(c, "dsgn")) e->AddDesignator(CompileDesignator(c, Script, 0));
        else if (Is(c, "set")) e->AddSet(CompileSetExpression(c, Script));
        else if (Is(c, "new")) e->AddDesignator(CompileDesignator(Child(c, 0), Script, 1));
        else if (Is(c, "expr")) add(c);
      }
    };
    if (Element) add(Element);
    if (Element) {
      std::string p0 = Element->Prop("pos"), p1 = Element->Prop("pos1");
      TscPoint a = scParsePosition(p0), b = scParsePosition(p1);
      int from = Lexer.PositionOf(a.X, a.Y), to = Lexer.PositionOf(b.X, b.Y);
      if (from >= 1 && to >= from && to <= Lexer.Size + 1)
        e->SourceText = Lexer.Text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from));
    }
    std::string bad = e->Finalize();
    if (!bad.empty()) {
      ErrorPos = bad;
      Error(e->FinalizeMessage);
    }
  } catch (...) {
    delete e;
    throw;
  }
  return e;
}

TscSetExpression* TscILParser::CompileSetExpression(TscXMLItem* Element, TscScript* Script) {
  auto* s = new TscSetExpression();
  try {
    for (int i = 0; i < Element->Count(); ++i) {
      TscXMLItem* c = Element->Items(i);
      if (Is(c, "expr")) s->AddEntry(CompileExpression(c, Script));
      else if (Is(c, "range")) s->AddRange();
    }
  } catch (...) {
    delete s;
    throw;
  }
  return s;
}

void TscILParser::CompileStatement(TscXMLItem* Element, TscScript* Script, TscStatement* List) {
  std::string name = Lower(Element->Name);
  SetErrorPos(Element);
  auto compileChildren = [&](TscXMLItem* E, TscStatement* L) {
    if (!E) return;
    for (int i = 0; i < E->Count(); ++i) CompileStatement(E->Items(i), Script, L);
  };
  auto loopBody = [&](TscXMLItem* E, TscStatement* L) {
    {
      DepthGuard loop(FLoopDepth);
      if (E) CompileStatement(E, Script, L);
    }
  };

  if (name == "assignstmt") {
    std::unique_ptr<TscDesignator> target;
    // Inside a function, its own name alone on the left is its result ("Greet = ..." in a
    // BasicScript Function, "Fact := 1" in Pascal).
    TscXMLItem* d0 = Child(Element, 0);
    if (Is(d0, "dsgn") && d0->Count() == 1 && Is(d0->Items(0), "node")) {
      auto* f = dynamic_cast<TscProcVariable*>(Script->Find(d0->Items(0)->Prop("text")));
      if (f && f->IsFunction && f->LocalScope == Script && f->Reference) {
        target.reset(new TscVariableDesignator(Script));
        auto* di = new TscDesignatorItem();
        di->Target = f->Reference;
        di->SourcePos = d0->Prop("pos");
        target->AddItem(di);
        target->ComputeKind();
      }
    }
    if (!target) target.reset(CompileDesignator(d0, Script, 0));
    TscXMLItem* mod = ChildNamed(Element, "modificator");
    TscXMLItem* ex = ChildNamed(Element, "expr");
    std::unique_ptr<TscExpression> e(CompileExpression(ex, Script));
    SetErrorPos(Element);
    if (target->ReadOnly) Error(SLeftCantAssigned);
    if (!IsAssignCompatible(target.get(), e.get(), Program)) IncompatibleTypes(target.get(), e.get());
    char sign = ' ';
    if (mod) sign = mod->Prop("text").empty() ? ' ' : mod->Prop("text")[0];
    else e->Optimize(target.get(), sign);
    TscAssignmentStmt* st;
    switch (sign) {
      case '+': st = NewStatement<TscAssignPlusStmt>(Element, Script); break;
      case '-': st = NewStatement<TscAssignMinusStmt>(Element, Script); break;
      case '*': st = NewStatement<TscAssignMulStmt>(Element, Script); break;
      case '/': st = NewStatement<TscAssignDivStmt>(Element, Script); break;
      case '&': st = NewStatement<TscAssignCatStmt>(Element, Script); break;
      default: st = NewStatement<TscAssignmentStmt>(Element, Script);
    }
    st->Target = target.release();
    st->Source = e.release();
    st->Optimize();
    AddStatement(List, st);
  } else if (name == "callstmt") {
    std::unique_ptr<TscDesignator> target(CompileDesignator(Child(Element, 0), Script, 0));
    auto* st = NewStatement<TscCallStmt>(Element, Script);
    st->Target = target.release();
    if (TscXMLItem* m = Child(Element, 1)) {
      st->Modifier = m->Prop("text");
      if (st->Target->ReadOnly) {
        delete st;
        SetErrorPos(Element);
        Error(SLeftCantAssigned);
      }
    }
    AddStatement(List, st);
  } else if (name == "ifstmt") {
    auto* st = NewStatement<TscIfStmt>(Element, Script);
    AddStatement(List, st);
    st->Condition = CompileExpression(Child(Element, 0), Script);
    compileChildren(ChildNamed(Element, "thenstmt"), st);
    compileChildren(ChildNamed(Element, "elsestmt"), st->ElseList);
  } else if (name == "casestmt") {
    auto* st = NewStatement<TscCaseStmt>(Element, Script);
    // In the C-like languages "break" ends a switch branch.
    st->BreakEndsCase = FLogicalBelowComparisons;
    AddStatement(List, st);
    st->Condition = CompileExpression(Child(Element, 0), Script);
    for (int i = 1; i < Element->Count(); ++i) {
      TscXMLItem* c = Element->Items(i);
      if (Is(c, "caseselector")) {
        if (c->Count() != 2) continue;  // a selector with an empty statement is dropped
        auto* sel = NewStatement<TscCaseSelector>(c, Script);
        st->AddItem(sel);
        sel->Values = CompileSetExpression(Child(c, 0), Script);
        DepthGuard branch(FSwitchDepth, st->BreakEndsCase);
        CompileStatement(Child(c, 1), Script, sel);
      } else if (i == Element->Count() - 1) {
        CompileStatement(c, Script, st->ElseList);
      }
    }
  } else if (name == "forstmt" || name == "vbforstmt") {
    TscXMLItem* id = Child(Element, 0);
    SetErrorPos(id);
    TscCustomVariable* v = FindVariableOrDeclare(Script, id ? id->Prop("text") : std::string());
    if (!dynamic_cast<TscVariable*>(v) || !(v->TypeCode == tcInteger || v->TypeCode == tcFloat || v->TypeCode == tcVariant))
      Error(SForError);
    // A bound of the wrong type is freed with the error, before the statement owns it.
    auto check = [&](TscExpression* e) {
      std::unique_ptr<TscExpression> hold(e);
      if (!IsAssignCompatible(v, e, Program)) IncompatibleTypes(v, e);
      return hold.release();
    };
    if (name == "forstmt") {
      auto* st = NewStatement<TscForStmt>(Element, Script);
      AddStatement(List, st);
      st->LoopVariable = v;
      st->BeginValue = check(CompileExpression(Child(Element, 1), Script));
      int next = 2;
      if (Is(Child(Element, 2), "downto")) {
        st->Descending = true;
        next = 3;
      }
      st->EndValue = check(CompileExpression(Child(Element, next), Script));
      loopBody(Child(Element, next + 1), st);
    } else {
      auto* st = NewStatement<TscVbForStmt>(Element, Script);
      AddStatement(List, st);
      st->LoopVariable = v;
      st->BeginValue = check(CompileExpression(Child(Element, 1), Script));
      st->EndValue = check(CompileExpression(Child(Element, 2), Script));
      int next = 3;
      if (Is(Child(Element, 3), "expr")) {
        st->StepValue = check(CompileExpression(Child(Element, 3), Script));
        next = 4;
      }
      // The body is a compound statement; every further child belongs to it.
      {
        DepthGuard loop(FLoopDepth);
        for (int i = next; i < Element->Count(); ++i) CompileStatement(Element->Items(i), Script, st);
      }
    }
  } else if (name == "cppforstmt") {
    auto* st = NewStatement<TscCppForStmt>(Element, Script);
    AddStatement(List, st);
    if (TscXMLItem* init = Child(Element, 0)) CompileStatement(init, Script, st->InitList);
    TscXMLItem* cond = Child(Element, 1);
    st->Condition = CompileExpression(cond, Script);
    {
      DepthGuard loop(FLoopDepth);
      if (TscXMLItem* step = Child(Element, 2)) CompileStatement(step, Script, st->StepList);
      if (TscXMLItem* body = Child(Element, 3)) CompileStatement(body, Script, st);  // may be absent
    }
  } else if (name == "whilestmt") {
    auto* st = NewStatement<TscWhileStmt>(Element, Script);
    AddStatement(List, st);
    st->Condition = CompileExpression(Child(Element, 0), Script);
    // "while c do ;" has no body element: an empty loop.
    {
      DepthGuard loop(FLoopDepth);
      for (int i = 1; i < Element->Count(); ++i) CompileStatement(Element->Items(i), Script, st);
    }
  } else if (name == "repeatstmt") {
    auto* st = NewStatement<TscRepeatStmt>(Element, Script);
    AddStatement(List, st);
    int last = Element->Count() - 1;
    if (last >= 0 && Is(Element->Items(last), "inverse")) {
      st->InvertedCondition = true;
      --last;
    }
    if (last < 0) Error(std::string("Expression expected"));
    st->Condition = CompileExpression(Element->Items(last), Script);
    {
      DepthGuard loop(FLoopDepth);
      for (int i = 0; i < last; ++i) CompileStatement(Element->Items(i), Script, st);
    }
  } else if (name == "trystmt") {
    auto* st = NewStatement<TscTryStmt>(Element, Script);
    AddStatement(List, st);
    for (int i = 0; i < Element->Count(); ++i) {
      TscXMLItem* c = Element->Items(i);
      if (Is(c, "exceptstmt")) {
        st->IsExcept = true;
        compileChildren(c, st->HandlerList);
      } else if (Is(c, "finallystmt")) {
        compileChildren(c, st->HandlerList);
      } else {
        CompileStatement(c, Script, st);
      }
    }
  } else if (name == "break" || name == "continue") {
    // A break or continue outside a loop would stop the lists around it and stay set; refuse it.
    if (FLoopDepth == 0 && (name == "continue" || FSwitchDepth == 0)) Error(SBreakOutsideLoop);
    if (name == "break") AddStatement(List, NewStatement<TscBreakStmt>(Element, Script));
    else AddStatement(List, NewStatement<TscContinueStmt>(Element, Script));
  } else if (name == "exit") {
    AddStatement(List, NewStatement<TscExitStmt>(Element, Script));
  } else if (name == "return") {
    if (Element->Count() == 1) {
      std::string pos = Element->Items(0)->Prop("pos");
      auto* d = new TscXMLItem();
      d->Name = "dsgn";
      d->Text = "pos=\"" + pos + "\"";
      TscXMLItem* n = d->Add();
      n->Name = "node";
      n->Text = "text=\"Result\" pos=\"" + pos + "\"";
      Element->InsertItem(0, d);
      TscXMLItem assign;
      assign.Name = "assignstmt";
      assign.Text = Element->Text;
      assign.Assign(Element);
      assign.Name = "assignstmt";
      CompileStatement(&assign, Script, List);
    }
    AddStatement(List, NewStatement<TscExitStmt>(Element, Script));
  } else if (name == "with") {
    size_t added = 0;
    // The designators come first; the body, when the statement is not empty, is the last child.
    int bodyAt = Element->Count() > 0 && !Is(Element->Items(Element->Count() - 1), "dsgn") ? Element->Count() - 1 : -1;
    for (int i = 0; i < Element->Count(); ++i) {
      if (i == bodyAt) continue;
      TscXMLItem* c = Element->Items(i);
      std::unique_ptr<TscDesignator> d(CompileDesignator(c, Script, 0));
      if (d->TypeCode != tcClass && d->TypeCode != tcVariant) Error(SClassRequired);
      int n = 0;
      auto inWith = [&](const std::string& s) {
        for (auto& w : WithList)
          if (w.first == s) return true;
        return false;
      };
      while (Script->FindLocal(std::to_string(n)) || inWith(std::to_string(n))) ++n;
      std::string wname = std::to_string(n);
      auto* wv = new TscVariable(wname, d->TypeCode, d->TypeName);
      Script->AddItem(wname, wv);
      auto* st = NewStatement<TscWithStmt>(c, Script);
      st->WithVariable = wv;
      st->Target = d.release();
      AddStatement(List, st);
      WithList.emplace_back(wname, st);
      ++added;
    }
    try {
      if (bodyAt >= 0) CompileStatement(Element->Items(bodyAt), Script, List);
    } catch (...) {
      WithList.resize(WithList.size() - added);
      throw;
    }
    WithList.resize(WithList.size() - added);
  } else if (name == "delete") {
    auto* st = NewStatement<TscCallStmt>(Element, Script);
    try {
      st->Target = CompileDesignator(Child(Element, 0), Script, 2);
    } catch (...) {
      delete st;
      throw;
    }
    AddStatement(List, st);
  } else if (name == "compoundstmt") {
    compileChildren(Element, List);
  } else if (name == "uses") {
    std::string savedUnit = UnitName;
    UnitName = Element->Prop("unit");
    std::string il;
    if (Program->OnGetILUnit) Program->OnGetILUnit(Program, UnitName, il);
    if (!il.empty()) {
      TscXMLDocument doc;
      doc.LoadFromString(il);
      CompileBlock(doc.Root(), Script);
    } else {
      for (int i = 0; i < Element->Count(); ++i) CompileBlock(Element->Items(i), Script);
    }
    UnitName = savedUnit;
  } else if (name == "var") {
    for (int i = 0; i < Element->Count(); ++i) {
      TscXMLItem* c = Element->Items(i);
      if (!Is(c, "ident")) continue;
      SetErrorPos(c);
      std::string vname = c->Prop("text");
      CheckIdentNotRedeclared(Script, vname);
      TscCustomVariable* v = CreateVariableFromDeclaration(Element, Script, false, false, List, vname);
      Script->AddItem(vname, v);
    }
  } else if (name == "const") {
    TscXMLItem* n = Child(Element, 0);
    SetErrorPos(n);
    std::string cname = n ? n->Prop("text") : std::string();
    CheckIdentNotRedeclared(Script, cname);
    std::unique_ptr<TscExpression> e(CompileExpression(Child(Element, 1), Script));
    auto* v = new TscVariable(cname, e->TypeCode, e->TypeName);
    v->Value = e->GetValue();
    v->ReadOnly = true;
    Script->AddItem(cname, v);
  } else if (name == "procedure" || name == "function") {
    TscXMLItem* n = name == "procedure" ? Child(Element, 0) : ChildNamed(Element, "name");
    if (!n) return;
    SetErrorPos(n);
    auto* proc = dynamic_cast<TscProcVariable*>(Script->FindLocal(n->Prop("text")));
    if (!proc) proc = dynamic_cast<TscProcVariable*>(FindVariableOrDeclare(Script, n->Prop("text")));
    if (!proc) Error(std::string(SUndeclaredIdent) + Quoted(n->Prop("text")));
    int savedDepth = FLoopDepth, savedSwitch = FSwitchDepth;
    FLoopDepth = FSwitchDepth = 0;
    auto savedWith = WithList;
    WithList.clear();
    try {
      CompileBlock(Element, proc->LocalScope);
    } catch (...) {
      FLoopDepth = savedDepth;
      FSwitchDepth = savedSwitch;
      WithList = savedWith;
      throw;
    }
    FLoopDepth = savedDepth;
    FSwitchDepth = savedSwitch;
    WithList = savedWith;
  }
}

// ---- Designators -------------------------------------------------------------------------------

bool TscILParser::ResolveWithIdentifier(const std::string& T, TscDesignator* D, TscDesignatorItem* I,
                                        TscXMLItem* Element, TscScript* Script) {
  for (auto it = WithList.rbegin(); it != WithList.rend(); ++it) {
    TscCustomVariable* w = Script->FindLocal(it->first);
    if (!w) continue;
    if (w->TypeCode == tcVariant) {
      if (Script->Find(T)) return false;
      I->Target = w;
      D->ComputeKind();
      auto* copy = new TscXMLItem();
      copy->Assign(Element);
      auto* n = new TscXMLItem();
      n->Name = "node";
      n->Text = "text=\"" + scStrToXML(w->Name) + "\" pos=\"" + I->SourcePos + "\"";
      copy->InsertItem(0, n);
      D->DeferredElement.reset(copy);
      D->DeferredLanguage = LangName;
      for (auto& w : WithList) D->DeferredWith.push_back(w.first);
      return true;
    }
    TscClassVariable* k = FindClassOrFail(w->TypeName);
    if (TscCustomVariable* m = k->Find(T)) {
      I->Target = m;
      auto* wi = new TscDesignatorItem();
      wi->Target = w;
      wi->SourcePos = I->SourcePos;
      D->InsertItem(D->Count() - 1, wi);
      return false;
    }
  }
  return false;
}

void TscILParser::CompileOLEMembers(TscXMLItem* Element, int From, TscDesignator* D, TscScript* Script) {
  for (int i = From; i < Element->Count(); ++i) {
    TscXMLItem* c = Element->Items(i);
    SetErrorPos(c);
    if (Is(c, "node") && c->Prop("text") != "[") {
      auto* h = new TscOLEHelper(c->Prop("text"), tcVariant, "");
      Script->AddItem("", h);
      auto* item = new TscDesignatorItem();
      item->SourcePos = ErrorPos;
      item->Target = h;
      D->AddItem(item);
    } else if (Is(c, "expr") && D->Count() > 0) {
      TscDesignatorItem* last = D->LastItem();
      last->AddItem(CompileExpression(c, Script));
      last->Target->AddItem(new TscParamItem("", tcVariant, ""));
    }
  }
}

TscDesignator* TscILParser::CompileDeferredDesignator(TscXMLItem* Element, TscScript* Script) {
  try {
    return CompileDesignator(Element, Script, 0);
  } catch (const CompileError& e) {
    throw Exception(e.Message + (ErrorPos.empty() ? std::string() : " (" + ErrorPos + ")"));
  }
}

TscDesignator* TscILParser::CompileDesignator(TscXMLItem* Element, TscScript* Script, int Mode) {
  if (!Element) Error(SVarRequired);
  auto* D = new TscDesignator(Script);
  std::unique_ptr<TscDesignator> guard(D);
  for (int ci = 0; ci < Element->Count(); ++ci) {
    TscXMLItem* C = Element->Items(ci);
    SetErrorPos(C);
    if (Is(C, "node")) {
      std::string T = C->Prop("text");
      auto* I = new TscDesignatorItem();
      I->SourcePos = ErrorPos;
      D->AddItem(I);
      if (D->Count() == 1) {
        bool deferred = ResolveWithIdentifier(T, D, I, Element, Script);
        if (deferred) return guard.release();
        if (!I->Target) I->Target = FindVariableOrDeclare(Script, T);
        if (Mode == 1) {
          auto* cls = dynamic_cast<TscClassVariable*>(I->Target);
          if (!cls) Error(SClassRequired);
          auto* ctor = new TscDesignatorItem();
          ctor->SourcePos = ErrorPos;
          ctor->Target = cls->Find("Create");
          if (!ctor->Target) {
            delete ctor;
            Error(std::string(SUndeclaredIdent) + Quoted("Create"));
          }
          D->AddItem(ctor);
        }
        continue;
      }
      TscDesignatorItem* P = D->Item(D->Count() - 2);
      TscCustomVariable* R = P->Target;
      auto* mh = dynamic_cast<TscMethodHelper*>(R);
      bool indexPending = mh && mh->IsIndexedProperty && !P->IndexApplied;
      TscTypeCode code = R->TypeCode;
      std::string className = R->TypeName;
      if (code == tcVariant && !indexPending) {
        Variant v;
        try {
          v = R->GetValue();
        } catch (...) {
          v = Null();
        }
        if (v.IsNull() || v.IsEmpty()) {
          D->RemoveItem(I);
          delete I;
          D->ComputeKind();
          auto* copy = new TscXMLItem();
          copy->Assign(Element);
          D->DeferredElement.reset(copy);
          D->DeferredLanguage = LangName;
          for (auto& w : WithList) D->DeferredWith.push_back(w.first);
          return guard.release();
        }
        if (v.IsString()) {
          code = tcString;
        } else if (v.VType() == varDispatch || v.VType() == varUnknown) {
          D->RemoveItem(I);
          delete I;
          CompileOLEMembers(Element, ci, D, Script);
          D->ComputeKind();
          return guard.release();
        } else if (v.IsArray()) {
          if (T != "[") Error(SIndexRequired);
          I->Target = FindVariableOrDeclare(Script, "__ArrayHelper");
          continue;
        } else {
          // A number that is an object handle names the object's class; any other value is an
          // error rather than a guess.
          TObject* obj = scValueToObject(v);
          if (!obj) Error(SClassRequired);
          className = obj->ClassName();
          code = tcClass;
        }
      }
      if (indexPending) {
        P->IndexApplied = true;
        D->RemoveItem(I);
        delete I;
        ErrorPos = P->SourcePos;
        if (T != "[") Error(SIndexRequired);
        continue;
      }
      if (code == tcChar || code == tcString) {
        if (T != "[") Error(SStringError);
        I->Target = FindVariableOrDeclare(Script, "__StringHelper");
      } else if (code == tcClass) {
        TscClassVariable* K = FindClassOrFail(className);
        if (T != "[") {
          I->Target = K->Find(T);
          if (!I->Target) Error(std::string(SUndeclaredIdent) + Quoted(T));
        } else {
          I->IndexApplied = true;
          I->Target = K->DefaultProperty;
          if (!I->Target) {
            std::string m = SClassError;
            m.replace(m.find("%s"), 2, K->Name);
            Error(m);
          }
        }
      } else if (code == tcArray) {
        if (!R->Reference) Error(SArrayRequired);
        I->Target = R->Reference;
      } else {
        Error(SArrayRequired);
      }
    } else if (Is(C, "expr")) {
      if (D->Count() == 0) Error(SVarRequired);
      D->LastItem()->AddItem(CompileExpression(C, Script));
    } else if (Is(C, "addr")) {
      if (Element->Count() != 2) Error(SVarRequired);
      TscXMLItem* second = Element->Items(1);
      auto* sv = new TscStringVariable("", tcString, "");
      sv->StringValue = second->Prop("text");
      Script->AddItem("", sv);
      auto* I = new TscDesignatorItem();
      I->SourcePos = second->Prop("pos");
      I->Target = sv;
      D->AddItem(I);
      break;
    }
  }
  if (D->Count() == 0) Error(SVarRequired);
  if (Mode == 2) {
    TscCustomVariable* last = D->LastItem()->Target;
    if (last->TypeCode != tcClass && last->TypeCode != tcVariant) Error(SClassRequired);
    TscClassVariable* obj = Program->FindClassItem("TObject");
    TscCustomVariable* freeItem = obj ? obj->Find("Free") : nullptr;
    if (!freeItem) Error(std::string(SUndeclaredIdent) + Quoted("Free"));
    auto* fi = new TscDesignatorItem();
    fi->Target = freeItem;
    fi->SourcePos = D->LastItem()->SourcePos;
    D->AddItem(fi);
  }
  D->ComputeKind();
  TscDesignator* result = D;
  if (D->Kind == 1 || D->Kind == 2 || D->Kind == 3) {
    TscDesignator* fast;
    if (D->Kind == 1) fast = new TscVariableDesignator(Script);
    else if (D->Kind == 2) fast = new TscStringDesignator(Script);
    else fast = new TscArrayDesignator(Script);
    fast->TakeOver(D);
    guard.reset(fast);
    result = fast;
  }
  // Argument check: count, defaults and types.
  for (int i = 0; i < result->Count(); ++i) {
    TscDesignatorItem* item = result->Item(i);
    TscCustomVariable* target = item->Target;
    if (!target || dynamic_cast<TscDesignator*>(target)) continue;
    ErrorPos = item->SourcePos;
    int a = item->Count(), n = target->ParamCount(), r = target->RequiredParamCount();
    if (a < r) Error(SNotEnoughParams);
    if (a > n) Error(STooManyParams);
    for (int k = a; k < n; ++k) {
      auto* e = new TscExpression(Script);
      e->AddConst(target->Param(k)->DefaultValue);
      e->Finalize();
      item->AddItem(e);
    }
    for (int k = 0; k < a; ++k) {
      TscExpression* arg = item->Arg(k);
      ErrorPos = arg->SourcePos;
      if (!IsAssignCompatible(target->Param(k), arg, Program)) IncompatibleTypes(target->Param(k), arg);
    }
  }
  return guard.release();
}
