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
};

class TscOperandNode : public TscExpressionNode {
public:
  explicit TscOperandNode(const Variant& V);
  TscOperandNode() = default;
  int Priority() const override { return 0; }
  Variant GetValue() override { return Value; }
};

class TscDesignatorNode : public TscOperandNode {
public:
  explicit TscDesignatorNode(TscDesignator* D);
  ~TscDesignatorNode() override;
  TscDesignator* Designator;
  TscCustomVariable* Target;
  Variant GetValue() override { return Target->GetValue(); }
};

class TscSetNode : public TscOperandNode {
public:
  explicit TscSetNode(TscSetExpression* S);
  ~TscSetNode() override;
  TscSetExpression* SetExpression;
  Variant GetValue() override;
};

class TscOperatorNode : public TscExpressionNode {
public:
  TscOperatorNode(uint8_t AOpCode, int APriority) : OpCode(AOpCode), FPriority(APriority) {}
  uint8_t OpCode;
  bool IntOps = false;
  bool BoolOps = false;
  int Priority() const override { return FPriority; }
  Variant GetValue() override;

private:
  int FPriority;
};

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
  // operand types do not fit, empty when they do.
  std::string Finalize();
  // Turns "x op e" (or "e op x" for + and * on non-strings) into e and reports the sign, for a
  // modified assignment to x. Sign is " " when nothing changed.
  void Optimize(TscDesignator* Target, char& Sign);
  // The variable of a lone variable designator, the designator of a lone designator, the node of
  // a lone constant, else null.
  TscCustomVariable* SingleItem() const;

  Variant GetValue() override { return Root ? Root->GetValue() : Null(); }
  void SetValue(const Variant& V) override;

private:
  void Attach(TscExpressionNode* Above, TscExpressionNode* N);
};
