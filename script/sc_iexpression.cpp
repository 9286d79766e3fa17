// The expression tree: building by priority insertion, type check and evaluation.
#include "script/sc_iexpression.h"

#include <cstring>

#include "platform/rtl/sysutils.h"
#include "script/sc_itools.h"

namespace {

// Operator codes.
enum : uint8_t {
  ocNone = 0, ocGreat = 1, ocLess = 2, ocLessEq = 3, ocGreatEq = 4, ocNonEq = 5, ocEq = 6,
  ocPlus = 7, ocMinus = 8, ocOr = 9, ocXor = 10, ocMul = 11, ocDivFloat = 12, ocDivInt = 13,
  ocMod = 14, ocAnd = 15, ocShl = 16, ocShr = 17, ocLeftBracket = 18, ocRightBracket = 19,
  ocNot = 20, ocUnMinus = 21, ocIn = 22, ocIs = 23
};
// "strcat" shares the code of "+" (so that Optimize treats it alike); its own flag tells them apart.
constexpr uint8_t ocStrCatFlag = 0x80;

// Priorities, ten times the classic ones so that the C-like logical operators can sit between
// the comparisons (40) and the closing bracket (50).
constexpr int prNone = 70, prLeftBracket = 60, prRightBracket = 50, prCompare = 40, prAdd = 30,
              prMul = 20, prPrefix = 10, prCAnd = 44, prCOr = 46;

class TNoneNode : public TscOperatorNode {
public:
  TNoneNode() : TscOperatorNode(ocNone, prNone) {}
  Variant GetValue() override { return Left ? Left->GetValue() : Null(); }
};

class TStrCatNode : public TscOperatorNode {
public:
  TStrCatNode() : TscOperatorNode(ocPlus, prAdd) {}
  Variant GetValue() override {
    Variant l = Left->GetValue();
    Variant r = Right->GetValue();
    if (l.IsString()) {
      std::string s = *l.StringPtr();
      s += VarToStr(r);
      return Variant(std::move(s));
    }
    return l + r;
  }
};

inline int32_t ToInt(const Variant& V) {
  return V.VType() == varInteger ? V.Data().I32 : V.AsInteger();
}
inline bool ToBool(const Variant& V) {
  return V.VType() == varBoolean ? V.Data().Bool : V.AsBoolean();
}

bool IsComparison(uint8_t Op) { return Op >= ocGreat && Op <= ocEq; }

bool SameOp(const char* a, const std::string& b) {
  return strcasecmp(a, b.c_str()) == 0;
}

}  // namespace

TscExpressionNode::~TscExpressionNode() {
  delete Left;
  delete Right;
}

TscOperandNode::TscOperandNode(const Variant& V) {
  Value = V;
  switch (V.VType()) {
    case varBoolean: TypeCode = tcBoolean; break;
    case varSingle: case varDouble: case varCurrency: TypeCode = tcFloat; break;
    case varString: case varOleStr: TypeCode = tcString; break;
    default: TypeCode = tcInteger;
  }
}

TscDesignatorNode::TscDesignatorNode(TscDesignator* D) : Designator(D) {
  Value = 0;
  TypeCode = D->TypeCode;
  TypeName = D->TypeName;
  Target = dynamic_cast<TscVariableDesignator*>(D) ? D->Reference : D;
}

TscDesignatorNode::~TscDesignatorNode() { delete Designator; }

TscSetNode::TscSetNode(TscSetExpression* S) : SetExpression(S) {
  Value = 0;
  TypeCode = tcVariant;
}

TscSetNode::~TscSetNode() { delete SetExpression; }

Variant TscSetNode::GetValue() { return SetExpression->GetValue(); }

Variant TscOperatorNode::GetValue() {
  switch (OpCode) {
    case ocGreat: case ocLess: case ocLessEq: case ocGreatEq: case ocNonEq: case ocEq: {
      Variant l = Left->GetValue();
      Variant r = Right->GetValue();
      if (l.VType() == varInteger && r.VType() == varInteger) {
        int32_t a = l.Data().I32, b = r.Data().I32;
        switch (OpCode) {
          case ocGreat: return a > b;
          case ocLess: return a < b;
          case ocLessEq: return a <= b;
          case ocGreatEq: return a >= b;
          case ocNonEq: return a != b;
          default: return a == b;
        }
      }
      static const TVarOp ops[] = {opCmpEQ, opCmpGT, opCmpLT, opCmpLE, opCmpGE, opCmpNE, opCmpEQ};
      return VarCompareOp(ops[OpCode], l, r);
    }
    case ocPlus: case ocMinus: case ocMul: {
      Variant l = Left->GetValue();
      Variant r = Right->GetValue();
      if (IntOps) {
        uint32_t a = static_cast<uint32_t>(ToInt(l)), b = static_cast<uint32_t>(ToInt(r));
        uint32_t v = OpCode == ocPlus ? a + b : OpCode == ocMinus ? a - b : a * b;
        return static_cast<int32_t>(v);
      }
      if (l.VType() == varInteger && r.VType() == varInteger) {
        // Untyped (Variant) operands holding integers: the variant result without its dispatch;
        // an overflow goes the general way, which widens the result.
        int64_t a = l.Data().I32, b = r.Data().I32;
        int64_t v = OpCode == ocPlus ? a + b : OpCode == ocMinus ? a - b : a * b;
        if (v >= INT32_MIN && v <= INT32_MAX) return static_cast<int32_t>(v);
      }
      return VarBinaryOp(OpCode == ocPlus ? opAdd : OpCode == ocMinus ? opSubtract : opMultiply, l, r);
    }
    case ocDivFloat: {
      Variant l = Left->GetValue();
      Variant r = Right->GetValue();
      return VarBinaryOp(opDivide, l, r);
    }
    case ocDivInt: case ocMod: {
      Variant l = Left->GetValue();
      Variant r = Right->GetValue();
      if (IntOps || (l.VType() == varInteger && r.VType() == varInteger && r.Data().I32 != 0)) {
        int32_t a = ToInt(l), b = ToInt(r);
        if (b == 0) throw EDivByZero("Division by zero");
        if (b == -1) return OpCode == ocDivInt ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : 0;
        return OpCode == ocDivInt ? a / b : a % b;
      }
      return VarBinaryOp(OpCode == ocDivInt ? opIntDivide : opModulus, l, r);
    }
    case ocOr: case ocAnd: {
      Variant l = Left->GetValue();
      if (BoolOps) {
        bool lb = ToBool(l);
        if (OpCode == ocOr ? lb : !lb) return l;
        return Right->GetValue();
      }
      Variant r = Right->GetValue();
      return VarBinaryOp(OpCode == ocOr ? opOr : opAnd, l, r);
    }
    case ocXor: case ocShl: case ocShr: {
      Variant l = Left->GetValue();
      Variant r = Right->GetValue();
      return VarBinaryOp(OpCode == ocXor ? opXor : OpCode == ocShl ? opShiftLeft : opShiftRight, l, r);
    }
    case ocNot: return VarUnaryOp(opNot, Left->GetValue());
    case ocUnMinus: {
      Variant l = Left->GetValue();
      if (l.VType() == varInteger && l.Data().I32 != INT32_MIN) return -l.Data().I32;
      return VarUnaryOp(opNegate, l);
    }
    case ocIn: {
      Variant l = Left->GetValue();
      auto* set = dynamic_cast<TscSetNode*>(Right);
      if (!set) throw EVariantInvalidOpError("Invalid variant operation");
      return set->SetExpression->Contains(l);
    }
    case ocIs: {
      TObject* obj = scValueToObject(Left->GetValue());
      if (!obj) return false;
      auto* dn = dynamic_cast<TscDesignatorNode*>(Right);
      if (!dn || dn->Designator->Count() == 0) return false;
      auto* cls = dynamic_cast<TscClassVariable*>(dn->Designator->Item(0)->Target);
      if (!cls) return false;
      return obj->InheritsFrom(cls->ClassRef);
    }
    default:
      return Left ? Left->GetValue() : Null();
  }
}

TscExpression::TscExpression(TscScript* AScript) : Script(AScript) {
  Root = Current = new TNoneNode();
}

TscExpression::~TscExpression() { delete Root; }

void TscExpression::Attach(TscExpressionNode* Above, TscExpressionNode* N) {
  if (!Above->Left)
    Above->Left = N;
  else
    Above->Right = N;
  N->Parent = Above;
}

void TscExpression::AddNode(TscExpressionNode* N) {
  N->SourcePos = SourcePos;
  Attach(Current, N);
  Current = N;
}

void TscExpression::AddConst(const Variant& V) { AddNode(new TscOperandNode(V)); }
void TscExpression::AddDesignator(TscDesignator* D) { AddNode(new TscDesignatorNode(D)); }
void TscExpression::AddSet(TscSetExpression* S) { AddNode(new TscSetNode(S)); }

void TscExpression::AddOperator(const std::string& OpName) {
  struct OpDef {
    const char* Name;
    uint8_t Code;
    int Priority;
  };
  static const OpDef defs[] = {
      {">", ocGreat, prCompare},   {"<", ocLess, prCompare},     {"<=", ocLessEq, prCompare},
      {">=", ocGreatEq, prCompare}, {"<>", ocNonEq, prCompare},  {"=", ocEq, prCompare},
      {"+", ocPlus, prAdd},        {"strcat", ocPlus | ocStrCatFlag, prAdd},
      {"-", ocMinus, prAdd},       {"or", ocOr, prAdd},          {"xor", ocXor, prAdd},
      {"*", ocMul, prMul},         {"/", ocDivFloat, prMul},     {"div", ocDivInt, prMul},
      {"mod", ocMod, prMul},       {"and", ocAnd, prMul},        {"shl", ocShl, prMul},
      {"shr", ocShr, prMul},       {"(", ocLeftBracket, prLeftBracket},
      {")", ocRightBracket, prRightBracket}, {"not", ocNot, prPrefix},
      {"unminus", ocUnMinus, prPrefix}, {"in", ocIn, prCompare}, {"is", ocIs, prCompare},
  };
  const OpDef* def = nullptr;
  for (const OpDef& d : defs)
    if (SameOp(d.Name, OpName)) def = &d;
  if (!def) throw Exception("Invalid operator: " + OpName);
  int priority = def->Priority;
  if (LogicalBelowComparisons && def->Code == ocAnd) priority = prCAnd;
  if (LogicalBelowComparisons && def->Code == ocOr) priority = prCOr;

  if (def->Code == ocRightBracket) {
    TscExpressionNode* s = Current;
    while (s && prRightBracket >= s->Priority()) s = s->Parent;
    if (!s || s == Root) return;  // a stray ")" is ignored
    TscExpressionNode* above = s->Parent;
    TscExpressionNode* inner = s->Left;
    if (above->Left == s) above->Left = inner; else above->Right = inner;
    if (inner) inner->Parent = above;
    s->Left = nullptr;
    delete s;
    Current = inner ? inner : above;
    return;
  }

  TscOperatorNode* n;
  if ((def->Code & ocStrCatFlag) != 0)
    n = new TStrCatNode();
  else
    n = new TscOperatorNode(def->Code, priority);
  n->SourcePos = SourcePos;
  if (def->Code == ocLeftBracket || def->Code == ocNot || def->Code == ocUnMinus) {
    AddNode(n);
    return;
  }
  if (Current == Root) {
    Attach(Root, n);
    Current = n;
    return;
  }
  TscExpressionNode* below = Current;
  TscExpressionNode* above = Current->Parent;
  if (Current->Priority() == prLeftBracket) {
    below = nullptr;
    above = Current;
  }
  while (above->Parent && priority >= above->Priority()) {
    below = above;
    above = above->Parent;
  }
  if (below) {
    if (above->Left == below) above->Left = nullptr; else if (above->Right == below) above->Right = nullptr;
  }
  Attach(above, n);
  if (below) {
    n->Left = below;
    below->Parent = n;
  }
  Current = n;
}

namespace {

struct TypePair {
  TscTypeCode Code;
  std::string Name;
};

TypePair TypeOf(TscExpressionNode* N, TscScript* Script, std::string& ErrorPos) {
  if (!N) return {tcVariant, ""};
  auto* op = dynamic_cast<TscOperatorNode*>(N);
  if (!op) return {N->TypeCode, N->TypeName};
  TypePair l = TypeOf(op->Left, Script, ErrorPos);
  TypePair r = TypeOf(op->Right, Script, ErrorPos);
  op->IntOps = l.Code == tcInteger && r.Code == tcInteger;
  op->BoolOps = l.Code == tcBoolean && r.Code == tcBoolean;
  uint8_t code = op->OpCode;
  bool bad;
  if (code == ocIs && l.Code == tcClass && r.Code == tcClass) {
    bad = false;
  } else {
    bad = !AreScriptTypesCompatible(l.Code, l.Name, r.Code, r.Name, Script);
    if (!bad) {
      switch (l.Code) {
        case tcBoolean:
          bad = !(code == ocNonEq || code == ocEq || code == ocOr || code == ocXor || code == ocAnd || code == ocNot);
          break;
        case tcChar: case tcString:
          bad = !(IsComparison(code) || code == ocPlus || code == ocIn);
          break;
        case tcClass: case tcArray:
          bad = !(code == ocNonEq || code == ocEq);
          break;
        default: break;
      }
    }
  }
  if (bad) {
    if (ErrorPos.empty()) ErrorPos = op->SourcePos.empty() ? "0:0" : op->SourcePos;
    op->TypeCode = l.Code;
    return l;
  }
  TypePair res = l;
  if ((l.Code == tcInteger && r.Code == tcFloat) || (l.Code == tcFloat && r.Code == tcInteger)) res = {tcFloat, ""};
  if (code == ocDivFloat && op->IntOps) res = {tcFloat, ""};
  if (IsComparison(code) || code == ocIn || code == ocIs) res = {tcBoolean, ""};
  op->TypeCode = res.Code;
  return res;
}

}  // namespace

std::string TscExpression::Finalize() {
  TscExpressionNode* placeholder = Root;
  Root = placeholder->Left;
  placeholder->Left = nullptr;
  delete placeholder;
  if (Root) Root->Parent = nullptr;
  Current = Root;
  std::string errorPos;
  TypePair t = TypeOf(Root, Script, errorPos);
  TypeCode = t.Code;
  TypeName = t.Name;
  auto* dn = dynamic_cast<TscDesignatorNode*>(Root);
  ReadOnly = !(dn && !dn->Designator->ReadOnly);
  return errorPos;
}

void TscExpression::SetValue(const Variant& V) {
  if (ReadOnly) return;
  if (auto* dn = dynamic_cast<TscDesignatorNode*>(Root)) dn->Designator->SetValue(V);
}

TscCustomVariable* TscExpression::SingleItem() const {
  if (auto* dn = dynamic_cast<TscDesignatorNode*>(Root)) {
    if (dynamic_cast<TscVariableDesignator*>(dn->Designator)) return dn->Designator->Reference;
    return dn->Designator;
  }
  if (Root && !dynamic_cast<TscOperatorNode*>(Root) && !dynamic_cast<TscSetNode*>(Root)) return Root;
  return nullptr;
}

void TscExpression::Optimize(TscDesignator* Target, char& Sign) {
  Sign = ' ';
  auto* vd = dynamic_cast<TscVariableDesignator*>(Target);
  auto* op = dynamic_cast<TscOperatorNode*>(Root);
  if (!vd || !op) return;
  uint8_t code = op->OpCode;
  if (code != ocPlus && code != ocMinus && code != ocMul && code != ocDivFloat) return;
  auto isTarget = [&](TscExpressionNode* n) {
    auto* dn = dynamic_cast<TscDesignatorNode*>(n);
    return dn && dynamic_cast<TscVariableDesignator*>(dn->Designator) && dn->Designator->Reference == vd->Reference;
  };
  TscExpressionNode* keep = nullptr;
  // "s = s & t" stays a concatenation (a plus-assignment would add numbers instead of joining);
  // on a String variable it becomes an append in place.
  if (dynamic_cast<TStrCatNode*>(op)) {
    if (isTarget(op->Left) && vd->Reference->Is(kfStringVariable)) {
      TscExpressionNode* right = op->Right;
      op->Right = nullptr;
      delete Root;
      Root = right;
      if (Root) Root->Parent = nullptr;
      Sign = '&';
    }
    return;
  }
  if (isTarget(op->Left)) {
    keep = op->Right;
    op->Right = nullptr;
    Sign = code == ocPlus ? '+' : code == ocMinus ? '-' : code == ocMul ? '*' : '/';
  } else if (isTarget(op->Right) && (code == ocPlus || code == ocMul) && vd->Reference->TypeCode != tcString &&
             vd->Reference->TypeCode != tcVariant && dynamic_cast<TStrCatNode*>(op) == nullptr) {
    keep = op->Left;
    op->Left = nullptr;
    Sign = code == ocPlus ? '+' : '*';
  } else {
    return;
  }
  delete Root;
  Root = keep;
  if (Root) Root->Parent = nullptr;
}
