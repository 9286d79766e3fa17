// TscParser: the configurable lexer under the grammar-driven parser and the code editor.
//
// One reading operation per kind of token; each consumes its token and returns its text, or
// returns an empty text and consumes only the blanks and comments before it. Every lexical
// convention is a setting, filled from the selected grammar's "parser" section.
#pragma once

#include <bitset>
#include <string>
#include <vector>

struct TPoint;

class TscParser {
public:
  TscParser();

  // Settings (filled by Reset and by the grammar).
  std::string CommentBlock1, CommentBlock1Open, CommentBlock1Close;
  std::string CommentBlock2, CommentBlock2Open, CommentBlock2Close;
  std::string CommentLine1;
  std::string CommentLine2;
  std::string HexSequence;
  std::bitset<256> IdentChars;
  std::string SkipChar;
  bool SkipEOL = true;
  bool SkipSpacesFirst = true;
  std::string StringQuotes;

  // Reading state.
  int TokenStart = 1;
  int Position = 1;
  int Size = 0;
  std::string Text;  // the script text followed by one NUL character
  std::vector<int> LineStarts;
  // Position of the first block comment found running to the end of the text (0: none).
  int UnterminatedComment = 0;

  void Reset();
  void SetCommentBlock1(const std::string& Value);
  void SetCommentBlock2(const std::string& Value);
  void SetIdentChars(const std::string& Chars);
  void SetText(const std::string& AText);
  void SetPosition(int APosition) { Position = TokenStart = APosition; }

  // Keywords: sorted, compared without regard to case.
  void ClearKeywords() { FKeywords.clear(); }
  void AddKeyword(const std::string& Word);
  bool IsKeyword(const std::string& Word) const;
  const std::vector<std::string>& Keywords() const { return FKeywords; }

  void SkipSpaces();
  bool GetEOL();
  std::string GetWord();
  std::string GetKeyword() { return GetWord(); }
  std::string GetIdent();
  std::string GetChar();
  std::string GetNumber();
  std::string GetString();
  std::string GetRPString();
  // "line:col" of Position (both from 1).
  std::string GetPosition() const { return PositionText(Position); }
  std::string PositionText(int APosition) const;
  // Position of (column, line), -1 when the line does not exist.
  int PositionOf(int Column, int Line) const;

private:
  char At(int P) const { return (P >= 1 && P <= Size + 1) ? Text[static_cast<size_t>(P - 1)] : '\0'; }
  bool StartsAt(int P, const std::string& S) const;
  bool ReadIntPart(int& P) const;
  bool ReadQuotedPart(std::string& Out);
  bool ReadCharCode(std::string& Out);
  std::vector<std::string> FKeywords;
};
