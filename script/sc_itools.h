// Shared routines of the script engine: type codes and compatibility, literal values, native
// method signatures, positions and the function catalog.
#pragma once

#include <string>
#include <vector>

#include "script/sc_iinterpreter.h"

struct TVarRec;

struct TscPoint {
  int X = 0;  // column
  int Y = 0;  // line
};

// Type code of the item named TypeName in Script or its parents; 5 (class) when none.
TscTypeCode ScriptTypeCodeOf(const std::string& ATypeName, const TscScript* Script);
// May a value of type R meet a value of type L (L is the target or the left operand)?
bool AreScriptTypesCompatible(TscTypeCode LCode, const std::string& LName, TscTypeCode RCode,
                              const std::string& RName, const TscScript* Script);
// As above, except that a float is not assignable to an integer.
bool IsAssignCompatible(const TscCustomVariable* Target, const TscCustomVariable* Value, const TscScript* Script);
// "'abc'" -> text, "42" -> integer, "$FF" -> 255, "1.5" -> float, "" -> Null.
Variant LiteralToVariant(const std::string& Text);
// Parses "function Name(a: T; var b: U = 1): R" into an item with its parameters (the caller
// owns the result).
TscCustomVariable* ParseMethodSignature(const std::string& Declaration, const TscScript* Script);
TscPoint scParsePosition(const std::string& Text);
// Fills Root's "Functions", "Classes", "Types", "Variables" and "Constants" children.
void scBuildFunctionCatalog(TscScript* Script, TscXMLItem* Root, bool FunctionsOnly);
// Native formatting arguments: a record as a value, and a variant array as records (integer
// kinds as integers, floating, currency and date kinds as floats, texts as strings, Booleans as
// Booleans, other kinds as the integer 0). The records own their data, so nothing is freed by hand.
Variant ArgsToVariant(const TVarRec& Arg);
std::vector<TVarRec> VariantToArgs(const Variant& Array);
// Case-insensitive ASCII comparison used for script names.
int scCompareNames(const std::string& A, const std::string& B);
bool scSameName(const std::string& A, const std::string& B);
std::string scUpper(const std::string& S);
