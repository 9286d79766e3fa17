// TscILParser: turns script text into program objects in two stages. MakeIntermediateScript
// matches the text against the selected language's grammar (a recursive backtracking interpreter
// of the grammar document) and writes the intermediate script; ParseIntermediateScript compiles
// that document into variables, routines, statements, expressions and designators.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script/sc_iinterpreter.h"
#include "script/sc_iparser.h"
#include "script/sc_xml.h"

struct TscGrammarNode;
struct TscGrammar;

class TscILParser {
public:
  explicit TscILParser(TscScript* AProgram);
  ~TscILParser();

  // Root element of the selected grammar document (shared and read-only).
  TscXMLItem* GrammarRoot = nullptr;
  TscXMLDocument ILScript;
  TscParser Lexer;
  TscScript* Program;
  std::vector<std::string> UsesList;
  std::vector<std::pair<std::string, TscWithStmt*>> WithList;
  bool NeedDeclareVars = true;
  std::string LangName;
  std::string UnitName;
  std::string ErrorPos;
  TscXMLItem* ProgRoot = nullptr;

  // Raises Exception "Language '%s' not found" for an unregistered name.
  void SelectScriptLanguage(const std::string& Name);
  bool MakeIntermediateScript(const std::string& Text);
  void ParseIntermediateScript();

  void CompileBlock(TscXMLItem* Element, TscScript* Script);
  void CompileStatement(TscXMLItem* Element, TscScript* Script, TscStatement* List);
  TscDesignator* CompileDesignator(TscXMLItem* Element, TscScript* Script, int Mode);
  // A deferred designator compiled when it first runs; compile errors become exceptions with
  // the engine's message and position.
  TscDesignator* CompileDeferredDesignator(TscXMLItem* Element, TscScript* Script);
  TscExpression* CompileExpression(TscXMLItem* Element, TscScript* Script);
  TscSetExpression* CompileSetExpression(TscXMLItem* Element, TscScript* Script);
  TscCustomVariable* CreateVariableFromDeclaration(TscXMLItem* Element, TscScript* Script, bool IsParameter,
                                                   bool ByRef, TscStatement* List, const std::string& Name);
  TscTypeCode TypeCodeOfTypeName(std::string& TypeName);
  TscCustomVariable* FindVariableOrDeclare(TscScript* Script, const std::string& Name);

private:
  struct MatchState;
  bool MatchGrammarNode(const TscGrammarNode* Node);
  void EmitGrammarNode(const TscGrammarNode* Node, bool Success, size_t EntryCount, int EntryPos);
  void RecordGrammarError(const TscGrammarNode* Node, int EntryPos);
  // Moves the lexer over blanks, comments and line ends.
  void SkipBlankText();
  void IncludeScriptUnit(const std::string& Name, size_t& EntryCount);

  void DeclareRoutine(TscXMLItem* Element, TscScript* Script, bool IsFunction);
  void CompileParameters(TscXMLItem* Element, TscProcVariable* Proc);
  void CheckIdentNotRedeclared(TscScript* Script, const std::string& Name);
  TscClassVariable* FindClassOrFail(const std::string& Name);
  bool ResolveWithIdentifier(const std::string& T, TscDesignator* D, TscDesignatorItem* I, TscXMLItem* Element,
                             TscScript* Script);
  void CompileOLEMembers(TscXMLItem* Element, int From, TscDesignator* D, TscScript* Script);
  void SetErrorPos(TscXMLItem* Element);
  [[noreturn]] void Error(const std::string& Message);
  void IncompatibleTypes(const TscCustomVariable* A, const TscCustomVariable* B);
  void AddStatement(TscStatement* List, TscStatement* S);
  template <class T> T* NewStatement(TscXMLItem* Element, TscScript* Script);
  TscScript* StatementProgram(TscScript* Script);

  // The grammar tries many alternatives at one place: the last word read (keyword or identifier)
  // is kept with the lexer's position before and after it, so that trying the next alternative
  // does not read it again. Valid for one text and one set of lexer settings.
  struct WordMemo {
    int From = -1;
    int To = 0;
    int TokenStart = 0;
    bool Keyword = false;
    std::string Word;
  } FWordMemo;
  std::string ReadWord(bool Ident);
  std::shared_ptr<const TscGrammar> FGrammar;
  std::vector<std::string> FLines;
  std::string FSyntaxError;
  std::string FSyntaxErrorPos;
  bool FTermFlag = false;
  // The error recorded farthest into the text, kept even when a loop clears the first error: it
  // names what was expected where unread text is left after the program.
  int FFarthestPos = 0;
  std::string FFarthestError;
  int FMatchDepth = 0;   // grammar elements being matched inside one another
  int FTooDeepAt = 0;    // where the match went too deep (0: it did not)
  int FLoopDepth = 0;    // loops around the statement being compiled
  int FSwitchDepth = 0;  // C-like switch branches around it (a break ends them)
  bool FLogicalBelowComparisons = false;
};
