// The expression tree: building by priority insertion, type check and evaluation.
#include "script/sc_iexpression.h"

#include <cstring>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "script/sc_iconst.h"
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

// Evaluates both operands of a binary node, left first. The left value is copied into TmpL
// when it is a reference to a variable and evaluating the right operand may run code that
// changes that variable.
#define EVAL_OPERANDS(N, TmpL, TmpR, L, R)                             \
  Variant TmpL, TmpR;                                                   \
  const Variant* L##Ptr = scLeafValue((N)->Left);                       \
  if (!L##Ptr) L##Ptr = &(N)->Left->Eval(TmpL);                         \
  if ((N)->Right->RunsCode && L##Ptr != &TmpL) {                        \
    scStore(TmpL, *L##Ptr);                                             \
    L##Ptr = &TmpL;                                                     \
  }                                                                     \
  const Variant& L = *L##Ptr;                                           \
  const Variant* R##Ptr = scLeafValue((N)->Right);                      \
  const Variant& R = R##Ptr ? *R##Ptr : (N)->Right->Eval(TmpR)

class TNoneNode : public TscOperatorNode {
public:
  TNoneNode() : TscOperatorNode(ocNone, prNone) {}
  Variant GetValue() override { return Left ? Left->GetValue() : Null(); }
  const Variant& Eval(Variant& Tmp) override {
    if (Left) return Left->Eval(Tmp);
    scStore(Tmp, Null());
    return Tmp;
  }
};

class TStrCatNode : public TscOperatorNode {
public:
  TStrCatNode() : TscOperatorNode(ocPlus, prAdd) {}
  Variant GetValue() override {
    Variant t;
    return Eval(t);
  }
  const Variant& Eval(Variant& Tmp) override {
    EVAL_OPERANDS(this, tl, tr, l, r);
    if (l.IsString()) {
      std::string s = *l.StringPtr();
      if (const std::string* rs = r.StringPtr()) s += *rs;
      else s += VarToStr(r);
      scStore(Tmp, Variant(std::move(s)));
    } else {
      scStore(Tmp, l + r);
    }
    return Tmp;
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
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return !b.empty() && lower(a[0]) == lower(b[0]) && strcasecmp(a, b.c_str()) == 0;
}

}  // namespace

TscExpressionNode::~TscExpressionNode() {
  // Freed without recursion: a tree refused for its depth may be far deeper than the stack
  // allows to walk recursively.
  std::vector<TscExpressionNode*> pending;
  auto take = [&](TscExpressionNode* N) {
    if (!N) return;
    if (N->Left) pending.push_back(N->Left);
    if (N->Right) pending.push_back(N->Right);
    N->Left = N->Right = nullptr;
  };
  take(this);
  while (!pending.empty()) {
    TscExpressionNode* n = pending.back();
    pending.pop_back();
    take(n);
    delete n;
  }
}

TscOperandNode::TscOperandNode(const Variant& V) {
  RunsCode = false;
  EvalKind = ekConstant;
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
  Slot = scPlainSlot(Target);
  RunsCode = Slot == nullptr;
  EvalKind = Slot ? ekSlot : ekGeneral;
}

TscDesignatorNode::~TscDesignatorNode() { delete Designator; }

TscSetNode::TscSetNode(TscSetExpression* S) : SetExpression(S) {
  RunsCode = true;
  Value = 0;
  TypeCode = tcVariant;
}

TscSetNode::~TscSetNode() { delete SetExpression; }

Variant TscSetNode::GetValue() { return SetExpression->GetValue(); }

Variant TscOperatorNode::GetValue() {
  Variant t;
  return Eval(t);
}


namespace {

inline const Variant& Put(Variant& Tmp, Variant&& V) {
  scStore(Tmp, std::move(V));
  return Tmp;
}

// An Integer-typed operand as an integer: read in place, computed without variants, or
// evaluated and converted.
inline int32_t IntOf(TscExpressionNode* N) {
  if (const Variant* v = scLeafValue(N)) return ToInt(*v);
  if (N->EvalKind == TscExpressionNode::ekIntOp) return static_cast<TscOperatorNode*>(N)->IntEval();
  Variant t;
  return ToInt(N->Eval(t));
}

}  // namespace

// Both values first, then their conversions, in the order of the general path: the right
// operand runs code.
[[gnu::noinline]] static void IntOperandsInOrder(TscExpressionNode* Left, TscExpressionNode* Right, int32_t& A, int32_t& B) {
  Variant tl, tr;
  const Variant& l = Left->Eval(tl);
  if (&l != &tl) scStore(tl, l);
  const Variant& r = Right->Eval(tr);
  A = ToInt(tl);
  B = ToInt(r);
}

int32_t TscOperatorNode::IntEval() {
  int32_t a, b;
  if (Right->RunsCode) {
    IntOperandsInOrder(Left, Right, a, b);
  } else {
    a = IntOf(Left);
    b = IntOf(Right);
  }
  switch (OpCode) {
    case ocPlus: return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    case ocMinus: return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
    case ocMul: return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
    default:
      if (b == 0) throw EDivByZero("Division by zero");
      if (b == -1) return OpCode == ocDivInt ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : 0;
      return OpCode == ocDivInt ? a / b : a % b;
  }
}

namespace {

// An operand of an integer comparison: a leaf holding an integer, or integer arithmetic.
inline bool IntOperand(TscExpressionNode* N, int32_t& Out) { return scTryInt(N, Out); }

}  // namespace

bool scTryIntOp(TscExpressionNode* N, int32_t& Out) {
  // A general node that runs no code is an operator node (designators and sets that are not
  // read in place run code).
  if (N->EvalKind != TscExpressionNode::ekGeneral || N->RunsCode) return false;
  auto* op = static_cast<TscOperatorNode*>(N);
  if (!op->IntArithmetic) return false;
  int32_t a, b;
  if (!scTryInt(op->Left, a) || !scTryInt(op->Right, b)) return false;
  // The untyped rules of TscOperatorNode::Eval for two integers.
  switch (op->OpCode) {
    case ocPlus: case ocMinus: case ocMul: {
      int64_t v = op->OpCode == ocPlus ? int64_t(a) + b : op->OpCode == ocMinus ? int64_t(a) - b : int64_t(a) * b;
      if (v < INT32_MIN || v > INT32_MAX) return false;
      Out = static_cast<int32_t>(v);
      return true;
    }
    default:
      if (b == 0) return false;
      if (b == -1) Out = op->OpCode == ocDivInt ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : 0;
      else Out = op->OpCode == ocDivInt ? a / b : a % b;
      return true;
  }
}

bool TscExpression::EvalBool() {
  if (FCompare) {
    // Operands that run no code: reading them twice, when the general path is needed after
    // all, changes nothing.
    int32_t a, b;
    if (IntOperand(FCompare->Left, a) && IntOperand(FCompare->Right, b)) {
      switch (FCompare->OpCode) {
        case ocGreat: return a > b;
        case ocLess: return a < b;
        case ocLessEq: return a <= b;
        case ocGreatEq: return a >= b;
        case ocNonEq: return a != b;
        default: return a == b;
      }
    }
  }
  Variant t;
  return ToBool(Eval(t));
}

const Variant& TscOperatorNode::Eval(Variant& Tmp) {
  if (EvalKind == ekIntOp) return Put(Tmp, Variant(IntEval()));
  switch (OpCode) {
    case ocGreat: case ocLess: case ocLessEq: case ocGreatEq: case ocNonEq: case ocEq: {
      EVAL_OPERANDS(this, tl, tr, l, r);
      if (l.VType() == varInteger && r.VType() == varInteger) {
        int32_t a = l.Data().I32, b = r.Data().I32;
        bool v;
        switch (OpCode) {
          case ocGreat: v = a > b; break;
          case ocLess: v = a < b; break;
          case ocLessEq: v = a <= b; break;
          case ocGreatEq: v = a >= b; break;
          case ocNonEq: v = a != b; break;
          default: v = a == b;
        }
        return Put(Tmp, Variant(v));
      }
      static const TVarOp ops[] = {opCmpEQ, opCmpGT, opCmpLT, opCmpLE, opCmpGE, opCmpNE, opCmpEQ};
      return Put(Tmp, Variant(VarCompareOp(ops[OpCode], l, r)));
    }
    case ocPlus: case ocMinus: case ocMul: {
      EVAL_OPERANDS(this, tl, tr, l, r);
      if (IntOps) {
        uint32_t a = static_cast<uint32_t>(ToInt(l)), b = static_cast<uint32_t>(ToInt(r));
        uint32_t v = OpCode == ocPlus ? a + b : OpCode == ocMinus ? a - b : a * b;
        return Put(Tmp, Variant(static_cast<int32_t>(v)));
      }
      if (l.VType() == varInteger && r.VType() == varInteger) {
        // Untyped (Variant) operands holding integers: the variant result without its dispatch;
        // an overflow goes the general way, which widens the result.
        int64_t a = l.Data().I32, b = r.Data().I32;
        int64_t v = OpCode == ocPlus ? a + b : OpCode == ocMinus ? a - b : a * b;
        if (v >= INT32_MIN && v <= INT32_MAX) return Put(Tmp, Variant(static_cast<int32_t>(v)));
      }
      return Put(Tmp, VarBinaryOp(OpCode == ocPlus ? opAdd : OpCode == ocMinus ? opSubtract : opMultiply, l, r));
    }
    case ocDivFloat: {
      EVAL_OPERANDS(this, tl, tr, l, r);
      return Put(Tmp, VarBinaryOp(opDivide, l, r));
    }
    case ocDivInt: case ocMod: {
      EVAL_OPERANDS(this, tl, tr, l, r);
      if (IntOps || (l.VType() == varInteger && r.VType() == varInteger && r.Data().I32 != 0)) {
        int32_t a = ToInt(l), b = ToInt(r);
        if (b == 0) throw EDivByZero("Division by zero");
        if (b == -1) return Put(Tmp, Variant(OpCode == ocDivInt ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : 0));
        return Put(Tmp, Variant(OpCode == ocDivInt ? a / b : a % b));
      }
      return Put(Tmp, VarBinaryOp(OpCode == ocDivInt ? opIntDivide : opModulus, l, r));
    }
    case ocOr: case ocAnd: {
      if (BoolOps) {
        const Variant& l = Left->Eval(Tmp);
        bool lb = ToBool(l);
        if (OpCode == ocOr ? lb : !lb) return l;
        return Right->Eval(Tmp);
      }
      EVAL_OPERANDS(this, tl, tr, l, r);
      return Put(Tmp, VarBinaryOp(OpCode == ocOr ? opOr : opAnd, l, r));
    }
    case ocXor: case ocShl: case ocShr: {
      EVAL_OPERANDS(this, tl, tr, l, r);
      return Put(Tmp, VarBinaryOp(OpCode == ocXor ? opXor : OpCode == ocShl ? opShiftLeft : opShiftRight, l, r));
    }
    case ocNot: {
      Variant t;
      return Put(Tmp, VarUnaryOp(opNot, Left->Eval(t)));
    }
    case ocUnMinus: {
      Variant t;
      const Variant& l = Left->Eval(t);
      if (l.VType() == varInteger && l.Data().I32 != INT32_MIN) return Put(Tmp, Variant(-l.Data().I32));
      return Put(Tmp, VarUnaryOp(opNegate, l));
    }
    case ocIn: {
      Variant t;
      const Variant& l = Left->Eval(t);
      auto* set = dynamic_cast<TscSetNode*>(Right);
      if (!set) throw EVariantInvalidOpError("Invalid variant operation");
      bool in;
      if (set->RunsCode && &l != &t) {
        Variant copy = l;
        in = set->SetExpression->Contains(copy);
      } else {
        in = set->SetExpression->Contains(l);
      }
      return Put(Tmp, Variant(in));
    }
    case ocIs: {
      TObject* obj = scValueToObject(Left->GetValue());
      if (!obj) return Put(Tmp, Variant(false));
      auto* dn = dynamic_cast<TscDesignatorNode*>(Right);
      if (!dn || dn->Designator->Count() == 0) return Put(Tmp, Variant(false));
      auto* cls = dynamic_cast<TscClassVariable*>(dn->Designator->Item(0)->Target);
      if (!cls) return Put(Tmp, Variant(false));
      return Put(Tmp, Variant(obj->InheritsFrom(cls->ClassRef)));
    }
    default:
      if (Left) return Left->Eval(Tmp);
      return Put(Tmp, Null());
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

// The type of an operator node from the types of its operands (TypeOf of the children, null
// children counting as Variant); records the first bad operator's position in ErrorPos.
TypePair OperatorType(TscOperatorNode* op, const TypePair& l, const TypePair& r, TscScript* Script,
                      std::string& ErrorPos) {
  op->RunsCode = (op->Left && op->Left->RunsCode) || (op->Right && op->Right->RunsCode);
  op->IntOps = l.Code == tcInteger && r.Code == tcInteger;
  op->BoolOps = l.Code == tcBoolean && r.Code == tcBoolean;
  uint8_t code = op->OpCode;
  op->IntArithmetic = (code == ocPlus || code == ocMinus || code == ocMul || code == ocDivInt || code == ocMod) &&
                      !dynamic_cast<TStrCatNode*>(op);
  if (op->IntOps && op->IntArithmetic) op->EvalKind = TscExpressionNode::ekIntOp;
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

// TypeOf of the whole tree, bottom-up without recursion. Every node's pair is kept in its
// TypeCode/TypeName while its parent waits (operand nodes hold their own already).
TypePair TypeOf(TscExpressionNode* Root, TscScript* Script, std::string& ErrorPos) {
  if (!Root) return {tcVariant, ""};
  struct Frame {
    TscExpressionNode* N;
    bool ChildrenDone;
  };
  std::vector<Frame> stack{{Root, false}};
  auto pairOf = [](TscExpressionNode* N) -> TypePair {
    if (!N) return {tcVariant, ""};
    return {N->TypeCode, N->TypeName};
  };
  while (!stack.empty()) {
    Frame f = stack.back();
    auto* op = dynamic_cast<TscOperatorNode*>(f.N);
    if (!op) {
      stack.pop_back();
      continue;
    }
    if (!f.ChildrenDone) {
      stack.back().ChildrenDone = true;
      if (op->Right) stack.push_back({op->Right, false});
      if (op->Left) stack.push_back({op->Left, false});
      continue;
    }
    stack.pop_back();
    TypePair r = OperatorType(op, pairOf(op->Left), pairOf(op->Right), Script, ErrorPos);
    op->TypeName = r.Name;
  }
  return pairOf(Root);
}

// The first fault that keeps the finished tree from being evaluated, with its position: an
// operator without an operand, a bracket left open, an operand with something hanging under it,
// or a nesting deeper than scMaxExpressionDepth. Walks without recursion.
bool CheckShape(TscExpressionNode* Root, std::string& Message, std::string& Pos) {
  if (!Root) {
    Message = "Expression expected";
    return false;
  }
  std::vector<std::pair<TscExpressionNode*, int>> stack{{Root, 1}};
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    Pos = n->SourcePos;
    if (depth > scMaxExpressionDepth) {
      Message = "Expression too complex";
      return false;
    }
    auto* op = dynamic_cast<TscOperatorNode*>(n);
    if (!op) {
      if (n->Left || n->Right) {
        Message = "Operator expected";
        return false;
      }
      continue;
    }
    uint8_t code = op->OpCode & ~ocStrCatFlag;
    if (code == ocLeftBracket || code == ocRightBracket) {
      Message = "')' expected";
      return false;
    }
    bool prefix = code == ocNot || code == ocUnMinus;
    if (!op->Left || (prefix ? op->Right != nullptr : !op->Right)) {
      Message = "Expression expected";
      return false;
    }
    stack.push_back({op->Left, depth + 1});
    if (op->Right) stack.push_back({op->Right, depth + 1});
  }
  return true;
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
  FinalizeMessage = SIncompatibleTypes;
  std::string shapePos;
  if (!CheckShape(Root, FinalizeMessage, shapePos)) {
    // Nothing of the tree runs: it is freed with the expression.
    ReadOnly = true;
    return shapePos.empty() ? "0:0" : shapePos;
  }
  TypePair t = TypeOf(Root, Script, errorPos);
  auto* op = dynamic_cast<TscOperatorNode*>(Root);
  FCompare = op && IsComparison(op->OpCode) && !op->RunsCode && op->Left && op->Right ? op : nullptr;
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
