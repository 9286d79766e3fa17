// TscExpression: a compiled expression, a tree of operand and operator nodes built operator by
// operator in source order by priority insertion, typed once when finished and evaluated over
// variants each time its value is read. Integer and Boolean operands typed at compile time take
// fast paths that neither convert through the general variant operators nor allocate.
#pragma once

#include "script/sc_iinterpreter.h"

class TscExpressionNode : public TscCustomVariable {
public:
  TscExpressionNode() : TscCustomVariable("", tcVariant, "") {}
  ~TscExpressionNode() override;
  TscExpressionNode* Left = nullptr;
  TscExpressionNode* Right = nullptr;
  TscExpressionNode* Parent = nullptr;
  // A larger number binds more loosely; operands are 0.
  virtual int Priority() const = 0;
  // The node's value without copying where a copy can be avoided: a reference to a value that
  // lives on (a constant's, a plain variable's) or to Tmp, filled with the value. The reference
  // is read before any other script code runs. This is the evaluation path of running scripts;
  // GetValue returns a copy of it.
  virtual const Variant& Eval(Variant& Tmp) {
    scStore(Tmp, GetValue());
    return Tmp;
  }
  // Evaluating the node may run script or native code (a call, a property, an automation
  // member), which could change the variable behind a reference Eval returned for a sibling.
  bool RunsCode = true;
  // How the hot paths read the node without a virtual call: ekConstant reads Value, ekSlot the
  // plain variable's slot, ekIntOp computes an integer operator (TscOperatorNode::IntEval).
  enum : uint8_t { ekGeneral, ekConstant, ekSlot, ekIntOp };
  uint8_t EvalKind = ekGeneral;
};

class TscOperandNode : public TscExpressionNode {
public:
  explicit TscOperandNode(const Variant& V);
  TscOperandNode() = default;
  int Priority() const override { return 0; }
  Variant GetValue() override { return Value; }
  const Variant& Eval(Variant&) override { return Value; }
};

class TscDesignatorNode : public TscOperandNode {
public:
  explicit TscDesignatorNode(TscDesignator* D);
  ~TscDesignatorNode() override;
  TscDesignator* Designator;
  TscCustomVariable* Target;
  // The value of a plain variable or parameter read directly, null for other targets.
  Variant* Slot = nullptr;
  Variant GetValue() override { return Slot ? *Slot : Target->GetValue(); }
  const Variant& Eval(Variant& Tmp) override {
    if (Slot) return *Slot;
    scStore(Tmp, Target->GetValue());
    return Tmp;
  }
};

class TscSetNode : public TscOperandNode {
public:
  explicit TscSetNode(TscSetExpression* S);
  ~TscSetNode() override;
  TscSetExpression* SetExpression;
  Variant GetValue() override;
  const Variant& Eval(Variant& Tmp) override {
    scStore(Tmp, GetValue());
    return Tmp;
  }
};

class TscOperatorNode : public TscExpressionNode {
public:
  TscOperatorNode(uint8_t AOpCode, int APriority) : OpCode(AOpCode), FPriority(APriority) {}
  uint8_t OpCode;
  bool IntOps = false;
  bool BoolOps = false;
  int Priority() const override { return FPriority; }
  Variant GetValue() override;
  const Variant& Eval(Variant& Tmp) override;
  // The value of +, -, * (wrapping), div and mod on two Integer-typed operands (EvalKind
  // ekIntOp), without variants.
  int32_t IntEval();
  // +, -, *, div or mod, typed or not: TryInt can compute it when its operands hold integers.
  bool IntArithmetic = false;

private:
  int FPriority;
};

// The value of a node that is read in place (a constant or a plain variable), else null.
inline const Variant* scLeafValue(TscExpressionNode* N) {
  if (N->EvalKind == TscExpressionNode::ekConstant) return &N->Value;
  if (N->EvalKind == TscExpressionNode::ekSlot) return static_cast<TscDesignatorNode*>(N)->Slot;
  return nullptr;
}

// The integer value of a node that runs no code, computed without variants when every operand
// holds an integer and the result is the Integer the general path would give (an untyped sum
// that leaves the 32-bit range, or a division by zero, is left to the general path). False when
// it cannot; nothing has changed then.
bool scTryIntOp(TscExpressionNode* N, int32_t& Out);
inline bool scTryInt(TscExpressionNode* N, int32_t& Out);

// Operators nest at most this deep in one expression (a flat sum of this many operands is as
// deep): evaluating, type-checking and freeing the tree stay within a bounded stack.
inline constexpr int scMaxExpressionDepth = 2000;

class TscCustomExpression : public TscCustomVariable {
public:
  TscCustomExpression() : TscCustomVariable("", tcVariant, "") {}
};

class TscExpression : public TscCustomExpression {
public:
  explicit TscExpression(TscScript* AScript);
  ~TscExpression() override;

  TscExpressionNode* Root;
  TscExpressionNode* Current;
  TscScript* Script;
  std::string SourceText;
  // C++Script and JScript: "and" and "or" bind below the comparisons ("and" tighter than "or").
  bool LogicalBelowComparisons = false;

  void AddOperator(const std::string& OpName);
  void AddConst(const Variant& V);
  void AddDesignator(TscDesignator* D);
  void AddSet(TscSetExpression* S);
  void AddNode(TscExpressionNode* N);
  // Finishes the tree and type-checks it; returns the position of the first operator whose
  // operand types do not fit, empty when they do. A tree that cannot be evaluated (an operator
  // without its operand, an unclosed bracket, two operands side by side) or that nests deeper
  // than scMaxExpressionDepth is refused the same way, with FinalizeMessage saying why.
  std::string Finalize();
  // The message of the error Finalize reported: "Incompatible types" for a type error.
  std::string FinalizeMessage;
  // Turns "x op e" (or "e op x" for + and * on non-strings) into e and reports the sign, for a
  // modified assignment to x. Sign is " " when nothing changed.
  void Optimize(TscDesignator* Target, char& Sign);
  // The variable of a lone variable designator, the designator of a lone designator, the node of
  // a lone constant, else null.
  TscCustomVariable* SingleItem() const;

  Variant GetValue() override { return Root ? Root->GetValue() : Null(); }
  // The value as TscExpressionNode::Eval gives it: a reference valid until script code runs.
  const Variant& Eval(Variant& Tmp) {
    if (Root) {
      if (const Variant* v = scLeafValue(Root)) return *v;
      return Root->Eval(Tmp);
    }
    scStore(Tmp, Null());
    return Tmp;
  }
  // The value as a condition (Boolean conversion of the value), with integer comparisons of
  // operands read in place taking a path without variants.
  bool EvalBool();
  // An expression that runs no code and is Integer arithmetic or a lone constant or variable:
  // its integer value without variants. False, having run nothing, when the value is no
  // varInteger (a Variant variable holding text, say); the caller then takes the general path.
  bool EvalInt(int32_t& Out) { return Root && !Root->RunsCode && scTryInt(Root, Out); }
  void SetValue(const Variant& V) override;

private:
  void Attach(TscExpressionNode* Above, TscExpressionNode* N);
  // The root when it is a comparison whose operands run no code (EvalBool's integer path).
  TscOperatorNode* FCompare = nullptr;
};

inline bool scTryInt(TscExpressionNode* N, int32_t& Out) {
  if (const Variant* v = scLeafValue(N)) {
    if (v->VType() != varInteger) return false;
    Out = v->Data().I32;
    return true;
  }
  if (N->EvalKind == TscExpressionNode::ekIntOp) {
    Out = static_cast<TscOperatorNode*>(N)->IntEval();
    return true;
  }
  return scTryIntOp(N, Out);
}
