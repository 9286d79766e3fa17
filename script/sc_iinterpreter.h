// The script program (TscScript), its items (variables, parameters, procedures, native classes,
// members and helpers, designators) and the statements that run them.
//
// Every script value is a Variant; an object travels as its 32-bit handle from the handle table
// (scObjectToValue / scValueToObject) and the item's type code, not the variant, says it is an object.
// Names are resolved once at compile time; at run time designators walk pre-resolved targets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"

class TscScript;
class TscXMLItem;
class TscClassVariable;
class TscStatement;
class TscExpression;
class TscSetExpression;

// Script type codes.
using TscTypeCode = uint8_t;
enum : TscTypeCode {
  tcInteger = 0, tcBoolean = 1, tcFloat = 2, tcChar = 3, tcString = 4, tcClass = 5,
  tcArray = 6, tcVariant = 7, tcEnum = 8, tcConstructor = 9
};

// Arguments of a native call, element 0 being the first declared parameter. Elements of var
// parameters are copied back into the script after the call.
using TscArgs = std::vector<Variant>;
// Native method: (instance or null, class reference of the registering class item, routine name
// in upper case, arguments). For a global function instance and class are null. For a
// constructor the instance is null and scConstructingClass() names the class to build.
using TscMethodCallback =
    std::function<Variant(TObject* Instance, TClass ClassRef, const std::string& Name, TscArgs& Params)>;
using TscPropertyGetCallback =
    std::function<Variant(TObject* Instance, TClass ClassRef, const std::string& Name)>;
using TscPropertySetCallback =
    std::function<void(TObject* Instance, TClass ClassRef, const std::string& Name, const Variant& Value)>;
using TscGetUnitEvent = std::function<void(TscScript* Sender, const std::string& UnitName, std::string& UnitText)>;
using TscRunLineEvent =
    std::function<void(TscScript* Sender, const std::string& UnitName, const std::string& SourcePos)>;

// While a constructor callback runs: the class the script asked to construct.
TClass scConstructingClass();

// The object of a script value. Null, Unassigned and 0 give nil; an integer that is no live
// handle raises EInvalidPointer "Invalid object reference" instead of being dereferenced.
TObject* scValueToObject(const Variant& V);
// The script value of an object: its handle as a 32-bit integer (0 for nil).
Variant scObjectToValue(TObject* Obj);

// An owned list of items (base of items and statements).
class TscItemList {
public:
  TscItemList() = default;
  TscItemList(const TscItemList&) = delete;
  TscItemList& operator=(const TscItemList&) = delete;
  virtual ~TscItemList();
  virtual void Clear();
  int Count() const { return static_cast<int>(FList.size()); }
  void AddItem(TscItemList* Item) { FList.push_back(Item); }
  void InsertItem(int Index, TscItemList* Item);
  void RemoveItem(TscItemList* Item);
  // Raises EListError for an index outside the list.
  TscItemList* Get(int Index) const;
  TscItemList* operator[](int Index) const { return Get(Index); }

protected:
  std::vector<TscItemList*> FList;
  friend class TscDesignator;
};

class TscParamItem;

// Kind bits of an item, so that the run-time paths test a byte instead of the class hierarchy.
enum : uint8_t {
  kfVariable = 1, kfStringVariable = 2, kfParam = 4, kfProc = 8, kfHelper = 16, kfDesignator = 32, kfClass = 64
};

class TscCustomVariable : public TscItemList {
public:
  TscCustomVariable(const std::string& AName, TscTypeCode ATypeCode, const std::string& ATypeName);
  uint8_t ItemKind = 0;
  bool Is(uint8_t KindBit) const { return (ItemKind & KindBit) != 0; }

  TObject* Registrar = nullptr;
  bool IsMacro = false;
  bool ReadOnly = false;
  std::string Name;
  bool ResultWanted = true;
  TscCustomVariable* Reference = nullptr;
  std::string SourcePos;
  TscTypeCode TypeCode;
  std::string TypeName;
  Variant Value;

  virtual void SetValue(const Variant& V);
  virtual Variant GetValue();

  TscParamItem* Param(int Index) const;
  int ParamCount() const { return Count(); }
  int RequiredParamCount() const;
  std::string TypeDisplayName() const;
};

// The value slot of an item whose GetValue and SetValue only read and write Value (a plain
// variable, constant or parameter), so that the run-time paths can use it without a virtual call
// or a copy; null for every other item. Writers still honour ReadOnly.
Variant* scPlainSlot(TscCustomVariable* Item);

class TscVariable : public TscCustomVariable {
public:
  TscVariable(const std::string& AName, TscTypeCode ATypeCode, const std::string& ATypeName)
      : TscCustomVariable(AName, ATypeCode, ATypeName) {
    ItemKind |= kfVariable;
  }
};

class TscTypeVariable : public TscCustomVariable {
public:
  using TscCustomVariable::TscCustomVariable;
};

// Char and String variables: the text lives in a native string.
class TscStringVariable : public TscVariable {
public:
  TscStringVariable(const std::string& AName, TscTypeCode ATypeCode, const std::string& ATypeName)
      : TscVariable(AName, ATypeCode, ATypeName) {
    ItemKind |= kfStringVariable;
  }
  std::string StringValue;
  void SetValue(const Variant& V) override;
  Variant GetValue() override { return Variant(StringValue); }
};

class TscParamItem : public TscCustomVariable {
public:
  TscParamItem(const std::string& AName, TscTypeCode ATypeCode, const std::string& ATypeName)
      : TscCustomVariable(AName, ATypeCode, ATypeName) {
    ItemKind |= kfParam;
  }
  Variant DefaultValue = Null();
  bool Optional = false;
  bool ByReference = false;
};

class TscProcVariable : public TscCustomVariable {
public:
  TscProcVariable(const std::string& AName, bool AIsFunction, TscScript* AParent,
                  const std::string& ATypeName, TscTypeCode ATypeCode);
  ~TscProcVariable() override;
  bool Executing = false;
  bool IsFunction = false;
  TscScript* LocalScope;
  Variant GetValue() override;
  // The variables and parameters of LocalScope that a recursive call saves and restores.
  inline const std::vector<TscCustomVariable*>& Locals();

private:
  Variant Call();
  void CollectLocals();
  std::vector<TscCustomVariable*> FLocals;
  int FLocalsItemCount = -1;
  Variant* FResultSlot = nullptr;  // Result's value when it is a plain variable
};

// Members reached after a dot or an index: the designator fills the three fields before each use.
class TscCustomHelper : public TscCustomVariable {
public:
  TscCustomHelper(const std::string& AName, TscTypeCode ATypeCode, const std::string& ATypeName)
      : TscCustomVariable(AName, ATypeCode, ATypeName) {
    ItemKind |= kfHelper;
  }
  TscCustomVariable* PrevItem = nullptr;
  Variant PrevValue;
  TscScript* CallerProgram = nullptr;
};

class TscPropertyHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  TClass ClassRef = nullptr;
  bool ViaTypeInfo = false;
  TscPropertyGetCallback ReadCallback;
  TscPropertySetCallback WriteCallback;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;
};

class TscMethodHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  std::string Category;
  TClass ClassRef = nullptr;
  std::string Description;
  bool IsIndexedProperty = false;
  TscMethodCallback Callback;
  std::string Declaration;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;

private:
  std::string FUpperName;  // the name the callback receives, made on the first call
};

class TscEventHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  TClass ClassRef = nullptr;
  // The event adapter class (a descendant of the engine's event adapter base) that connects a
  // script procedure to the native event.
  TClass AdapterClass = nullptr;
  // Reading an event property gives the empty string; writing binds the script procedure the
  // value names (nil or 0 removes the handler), see sc_ievents.h.
  Variant GetValue() override { return Variant(std::string()); }
  void SetValue(const Variant& V) override;
};

class TscArrayHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;
  // Number of index parameters that take part (1..3).
  int DimCount() const;
};

class TscStringHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;
};

class TscOLEHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;
  // Calls the member through the automation interface of PrevValue. Flags: 1 method, 2 get,
  // 4 put. Raises "OLE error XXXXXXXX: Name" when the call fails.
  void Invoke(const TscArgs& Args, Variant& Result, uint16_t Flags);
};

class TscClassVariable : public TscCustomVariable {
public:
  // Published properties of the class (run-time type information) become members at once.
  TscClassVariable(TClass AClassRef, const std::string& AAncestorName);
  void AddTypeInfoProperties(TClass AClass);
  ~TscClassVariable() override;
  std::string AncestorName;
  TClass ClassRef;
  TscCustomVariable* DefaultProperty = nullptr;
  TscItemList Members;
  TscScript* Program = nullptr;

  // The member of this class or of its ancestors (case-insensitive), null when none.
  TscCustomVariable* Find(const std::string& MemberName) const;
  int MemberCount() const { return Members.Count(); }
  TscCustomVariable* Member(int Index) const;

  TscMethodHelper* AddMethod(const std::string& Declaration, TscMethodCallback Callback);
  TscMethodHelper* AddConstructor(const std::string& Declaration, TscMethodCallback Callback);
  TscPropertyHelper* AddProperty(const std::string& AName, const std::string& ATypeName,
                                 TscPropertyGetCallback Read, TscPropertySetCallback Write = nullptr);
  TscMethodHelper* AddIndexProperty(const std::string& AName, const std::string& IndexTypes,
                                    const std::string& ATypeName, TscMethodCallback Callback, bool IsReadOnly);
  TscMethodHelper* AddDefaultProperty(const std::string& AName, const std::string& IndexTypes,
                                      const std::string& ATypeName, TscMethodCallback Callback, bool IsReadOnly);
  TscEventHelper* AddEvent(const std::string& AName, TClass AAdapterClass = nullptr);

  // A type cast when the parameter holds a value; otherwise nothing is built here (construction
  // happens when the constructor member runs), so reading a class alone creates no object.
  Variant GetValue() override;
};

class TscDesignatorItem : public TscItemList {
public:
  TscCustomVariable* Target = nullptr;
  std::string SourcePos;
  bool IndexApplied = false;
  TscExpression* Arg(int Index) const;
  // Some argument is passed to a var parameter (found on the first call).
  bool HasVarParams();

private:
  int8_t FHasVarParams = -1;
};

class TscDesignator : public TscCustomVariable {
public:
  explicit TscDesignator(TscScript* AProgram);
  ~TscDesignator() override;
  uint8_t Kind = 0;
  TscScript* Program;
  TscCustomVariable* LinkedItem = nullptr;
  TscDesignatorItem* IndexList = nullptr;
  std::unique_ptr<TscXMLItem> DeferredElement;
  // The language the deferred element was written in, and the with-variables in scope there.
  std::string DeferredLanguage;
  std::vector<std::string> DeferredWith;

  TscDesignatorItem* Item(int Index) const { return static_cast<TscDesignatorItem*>(Get(Index)); }
  TscDesignatorItem* LastItem() const { return Item(Count() - 1); }
  void DeferredCompile() {
    if (DeferredElement) CompileDeferredElement();
  }
  void ComputeKind();
  void TakeOver(TscDesignator* Other);
  Variant GetValue() override;
  void SetValue(const Variant& V) override;

protected:
  Variant Walk(bool Assign, const Variant* AssignValue);
  // A designator of one item read for its value (a variable, F(args) with F a script routine or
  // a native function): Walk's steps for that item without the bookkeeping of a chain.
  Variant ReadSingle(TscDesignatorItem* Item, TscCustomVariable* T);

private:
  void CompileDeferredElement();
};

// Stores a value into a variant slot. The variant's assignment operators are out of line; a
// destroy-and-construct pair is inline and does the same for every kind (the copy constructor
// only takes a reference and cannot fail), which matters on the paths that run per statement.
// A slot holding a number, Null or Empty owns nothing and is simply overwritten.
[[gnu::always_inline]] inline void scStore(Variant& Slot, const Variant& V) {
  if (&Slot == &V) return;
  if (Variant::IsManagedType(Slot.VType())) Slot.~Variant();
  new (&Slot) Variant(V);
}
[[gnu::always_inline]] inline void scStore(Variant& Slot, Variant&& V) {
  if (&Slot == &V) return;
  if (Variant::IsManagedType(Slot.VType())) Slot.~Variant();
  new (&Slot) Variant(std::move(V));
}
[[gnu::always_inline]] inline void scStoreInt(Variant& Slot, int32_t V) {
  if (Variant::IsManagedType(Slot.VType())) Slot.~Variant();
  new (&Slot) Variant(V);
}

class TscVariableDesignator : public TscDesignator {
public:
  using TscDesignator::TscDesignator;
  Variant GetValue() override { return Reference->GetValue(); }
  void SetValue(const Variant& V) override { Reference->SetValue(V); }
};

class TscStringDesignator : public TscDesignator {
public:
  using TscDesignator::TscDesignator;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;
};

class TscArrayDesignator : public TscDesignator {
public:
  using TscDesignator::TscDesignator;
  Variant GetValue() override;
  void SetValue(const Variant& V) override;

private:
  void Prepare();
};

// A set constructor such as [1, 3..5]: entries are expressions; a null entry marks a range.
class TscSetExpression : public TscCustomVariable {
public:
  TscSetExpression() : TscCustomVariable("", tcVariant, "") {}
  void AddEntry(TscExpression* E);
  void AddRange() { FEntries.push_back(nullptr); }
  Variant GetValue() override;
  bool Contains(const Variant& V);
  ~TscSetExpression() override;

private:
  std::vector<TscExpression*> FEntries;
};

// ---- Statements ------------------------------------------------------------------------------

class TscStatement : public TscItemList {
public:
  TscStatement(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName);
  TscScript* Program;
  std::string SourcePos;
  std::string UnitName;
  TscStatement* Statement(int Index) const { return static_cast<TscStatement*>(FList[static_cast<size_t>(Index)]); }
  virtual void Execute();
  // Calls the first line hook (OnRunLine) found from the statement's program outwards.
  inline void ReportLine();

protected:
  // Runs the statements of the list; stops on break, continue, exit and termination.
  void RunList();
};

class TscAssignmentStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscAssignmentStmt() override;
  TscDesignator* Target = nullptr;
  TscExpression* Source = nullptr;
  TscCustomVariable* TargetItem = nullptr;
  TscCustomVariable* SourceItem = nullptr;
  // The value slot of a plain target variable (see scPlainSlot), stored into directly.
  Variant* TargetSlot = nullptr;
  void Optimize();
  void Execute() override;
};

class TscAssignPlusStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};
class TscAssignMinusStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};
class TscAssignMulStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};
class TscAssignDivStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};
// "s := s & e" on a String variable: the text of e is appended in place.
class TscAssignCatStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};

class TscCallStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscCallStmt() override;
  TscDesignator* Target = nullptr;
  std::string Modifier;
  void Execute() override;

private:
  char FModifier = 0;
  Variant* FSlot = nullptr;  // "x++" and "x--" on a plain variable change its value in place
};

class TscIfStmt : public TscStatement {
public:
  TscIfStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName);
  ~TscIfStmt() override;
  TscExpression* Condition = nullptr;
  TscStatement* ElseList;
  void Execute() override;
};

class TscCaseSelector : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscCaseSelector() override;
  TscSetExpression* Values = nullptr;
  bool Matches(const Variant& V);
};

class TscCaseStmt : public TscStatement {
public:
  TscCaseStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName);
  ~TscCaseStmt() override;
  TscExpression* Condition = nullptr;
  TscStatement* ElseList;
  // C++Script and JScript: a break inside a branch leaves the switch (and is cleared there).
  bool BreakEndsCase = false;
  void Execute() override;
};

class TscRepeatStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscRepeatStmt() override;
  TscExpression* Condition = nullptr;
  bool InvertedCondition = false;
  void Execute() override;
};

class TscWhileStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscWhileStmt() override;
  TscExpression* Condition = nullptr;
  void Execute() override;
};

class TscForStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscForStmt() override;
  TscExpression* BeginValue = nullptr;
  bool Descending = false;
  TscExpression* EndValue = nullptr;
  TscCustomVariable* LoopVariable = nullptr;
  void Execute() override;
};

class TscVbForStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscVbForStmt() override;
  TscExpression* BeginValue = nullptr;
  TscExpression* EndValue = nullptr;
  TscExpression* StepValue = nullptr;
  TscCustomVariable* LoopVariable = nullptr;
  void Execute() override;
};

class TscCppForStmt : public TscStatement {
public:
  TscCppForStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName);
  ~TscCppForStmt() override;
  TscStatement* InitList;
  TscExpression* Condition = nullptr;
  TscStatement* StepList;
  void Execute() override;
};

class TscTryStmt : public TscStatement {
public:
  TscTryStmt(TscScript* AProgram, const std::string& ASourcePos, const std::string& AUnitName);
  ~TscTryStmt() override;
  bool IsExcept = false;
  TscStatement* HandlerList;
  void Execute() override;
};

class TscBreakStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  void Execute() override;
};
class TscContinueStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  void Execute() override;
};
class TscExitStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  void Execute() override;
};

class TscWithStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscWithStmt() override;
  TscDesignator* Target = nullptr;
  TscCustomVariable* WithVariable = nullptr;
  void Execute() override;
};

// ---- The program -----------------------------------------------------------------------------

class TscScript : public TComponent {
  ORV_CLASS(TscScript, TComponent)
public:
  explicit TscScript(TComponent* AOwner = nullptr);
  ~TscScript() override;

  TObject* Registrar = nullptr;
  bool BreakFlag = false, ContinueFlag = false, ExitFlag = false;
  std::string ErrorText;
  std::string ErrorPosition;
  std::string ErrorUnitName;
  bool ExtendedIdentChars = false;
  bool Running = false;
  std::vector<std::string> Lines;
  bool RanAsMain = false;
  TscGetUnitEvent OnGetILUnit;
  TscGetUnitEvent OnGetUnit;
  TscRunLineEvent OnRunLine;
  TscScript* Parent = nullptr;
  TscScript* ActiveLocalScope = nullptr;
  TscStatement* MainStatement;
  std::string SyntaxType = "PascalScript";
  bool Terminated = false;
  // One "unit=12,14,15," entry per unit.
  std::vector<std::string> ExecutableLines;

  // Item table: sorted by name without regard to case; among equal names the last added wins.
  void AddItem(const std::string& AName, TscCustomVariable* Item);
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  TscCustomVariable* ItemAt(int Index) const { return FItems[static_cast<size_t>(Index)].Item; }
  const std::string& ItemNameAt(int Index) const { return FItems[static_cast<size_t>(Index)].Name; }
  void RemoveItem(TscCustomVariable* Item);
  void Clear();
  void RemoveItems(TObject* ARegistrar);
  void ClearItems(TObject* ARegistrar);
  TscCustomVariable* FindLocal(const std::string& AName) const;
  TscCustomVariable* Find(const std::string& AName) const;
  TscClassVariable* FindClassItem(const std::string& AName) const;
  void SetLines(const std::vector<std::string>& ALines) { Lines = ALines; }
  void SetText(const std::string& Text);
  std::string Text() const;

  bool Compile();
  void Execute();
  void Terminate();
  Variant Evaluate(const std::string& Expression);
  Variant CallFunction(const std::string& AName, const Variant& Params);
  Variant CallFunctionVarParams(const std::string& AName, Variant& Params);
  void ReportLine(const std::string& AUnitName, const std::string& ASourcePos);
  void NoteExecutableLine(const std::string& AUnitName, const std::string& ASourcePos);
  bool IsExecutableLine(int Line, const std::string& AUnitName = "") const;

  // Registration.
  void AddBaseType(const std::string& AName, TscTypeCode ACode);
  TscClassVariable* AddClass(TClass AClass, const std::string& AncestorName);
  void AddConst(const std::string& AName, const std::string& ATypeName, const Variant& AValue);
  void AddVariable(const std::string& AName, const std::string& ATypeName, const Variant& AValue);
  void AddObject(const std::string& AName, TObject* Obj);
  void AddEnum(const std::string& ATypeName, const std::string& Names);
  void AddEnumSet(const std::string& ATypeName, const std::string& Names);
  TscMethodHelper* AddMethod(const std::string& Declaration, TscMethodCallback Callback,
                             const std::string& Category = "", const std::string& Description = "");

private:
  struct Entry {
    std::string Name;
    TscCustomVariable* Item;
  };
  int LowerBound(const std::string& AName) const;
  Variant CallProc(const std::string& AName, const Variant& Params, Variant* Out);
  std::vector<Entry> FItems;
  // The lines already noted per unit, so that noting stays cheap for long scripts.
  std::vector<std::pair<std::string, std::vector<bool>>> FNotedLines;
};

inline const std::vector<TscCustomVariable*>& TscProcVariable::Locals() {
  if (FLocalsItemCount != LocalScope->ItemCount()) CollectLocals();
  return FLocals;
}

inline void TscStatement::ReportLine() {
  for (TscScript* s = Program; s; s = s->Parent)
    if (s->OnRunLine) {
      s->OnRunLine(Program, UnitName, SourcePos);
      return;
    }
}

// Language registry.
void RegisterScriptLanguage(const std::string& AName, const std::string& Grammar);
// Raises Exception "Language '%s' not found".
const std::string& scGetScriptLanguageGrammar(const std::string& AName);
void scGetScriptLanguageList(std::vector<std::string>& List);

// The process-wide global script: base types, constants, system functions and every binding.
TscScript* scGlobalScript();
// Frees the global script; later calls of scGlobalScript return null.
void scShutdownGlobalScript();
