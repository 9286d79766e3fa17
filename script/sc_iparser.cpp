// The script lexer.
#include "script/sc_iparser.h"

#include <algorithm>
#include <strings.h>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}
bool KeyLess(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; }

void SplitPair(const std::string& V, std::string& Open, std::string& Close) {
  Open.clear();
  Close.clear();
  int item = 0;
  for (char c : V) {
    if (c == ',') {
      ++item;
      continue;
    }
    if (item == 0) Open.push_back(c);
    else if (item == 1) Close.push_back(c);
  }
}

}  // namespace

TscParser::TscParser() {
  Reset();
  SetText("");
}

void TscParser::Reset() {
  FKeywords.clear();
  SetCommentBlock1("{,}");
  SetCommentBlock2("(*,*)");
  CommentLine1.assign(2, '/');
  HexSequence.assign(1, '$');
  SetIdentChars("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  SkipChar.clear();
  SkipEOL = true;
  SkipSpacesFirst = true;
  StringQuotes.assign(1, '\'');
}

void TscParser::SetCommentBlock1(const std::string& Value) {
  CommentBlock1 = Value;
  SplitPair(Value, CommentBlock1Open, CommentBlock1Close);
}

void TscParser::SetCommentBlock2(const std::string& Value) {
  CommentBlock2 = Value;
  SplitPair(Value, CommentBlock2Open, CommentBlock2Close);
}

void TscParser::SetIdentChars(const std::string& Chars) {
  IdentChars.reset();
  for (char c : Chars) IdentChars.set(static_cast<unsigned char>(c));
}

void TscParser::SetText(const std::string& AText) {
  Text = AText;
  Text += '\0';
  Size = static_cast<int>(AText.size());
  Position = TokenStart = 1;
  UnterminatedComment = 0;
  LineStarts.clear();
  LineStarts.push_back(0);
  for (int i = 0; i < Size; ++i)
    if (AText[static_cast<size_t>(i)] == '\n') LineStarts.push_back(i + 1);
}

void TscParser::AddKeyword(const std::string& Word) {
  auto it = std::lower_bound(FKeywords.begin(), FKeywords.end(), Word, KeyLess);
  if (it != FKeywords.end() && !KeyLess(Word, *it)) return;
  FKeywords.insert(it, Word);
}

bool TscParser::IsKeyword(const std::string& Word) const {
  return std::binary_search(FKeywords.begin(), FKeywords.end(), Word, KeyLess);
}

bool TscParser::StartsAt(int P, const std::string& S) const {
  if (S.empty() || P < 1 || P + static_cast<int>(S.size()) - 1 > Size + 1) return false;
  if (Text[static_cast<size_t>(P - 1)] != S[0]) return false;  // the usual answer, at once
  return Text.compare(static_cast<size_t>(P - 1), S.size(), S) == 0;
}

void TscParser::SkipSpaces() {
  for (;;) {
    for (;;) {
      if (Position > Size) break;
      unsigned char c = static_cast<unsigned char>(At(Position));
      if (c > 32) break;
      if (!SkipEOL && (c == 10 || c == 13)) break;
      ++Position;
    }
    if (Position <= Size) {
      // A character that starts no comment and is not the line-continuation character ends
      // the blanks without the comparisons below (the parser asks here again and again).
      char c = Text[static_cast<size_t>(Position - 1)];
      auto starts = [c](const std::string& S) { return !S.empty() && S[0] == c; };
      if (!starts(SkipChar) && !starts(CommentLine1) && !starts(CommentLine2) &&
          !(starts(CommentBlock1Open) && !CommentBlock1.empty()) &&
          !(starts(CommentBlock2Open) && !CommentBlock2.empty()))
        break;
    }
    if (Position <= Size && !SkipChar.empty() && At(Position) == SkipChar[0]) {
      ++Position;
      GetEOL();
      continue;
    }
    if (Position < Size) {
      if ((!CommentLine1.empty() && StartsAt(Position, CommentLine1)) ||
          (!CommentLine2.empty() && StartsAt(Position, CommentLine2))) {
        while (Position <= Size && At(Position) != '\n') ++Position;
        continue;
      }
      const std::string* closer = nullptr;
      if (!CommentBlock1.empty() && StartsAt(Position, CommentBlock1Open))
        closer = &CommentBlock1Close;
      else if (!CommentBlock2.empty() && StartsAt(Position, CommentBlock2Open))
        closer = &CommentBlock2Close;
      if (closer) {
        int len = static_cast<int>(closer->size());
        int opener = Position;
        Position += std::max(len, 1);
        while (Position <= Size && !StartsAt(Position, *closer)) ++Position;
        if (Position > Size && (UnterminatedComment == 0 || opener < UnterminatedComment))
          UnterminatedComment = opener;
        Position = std::min(Position + len, Size + 1);
        continue;
      }
    }
    break;
  }
  TokenStart = Position;
}

bool TscParser::GetEOL() {
  SkipSpaces();
  char c = At(Position);
  if (c != '\r' && c != '\n') return false;
  while (Position <= Size && (At(Position) == '\r' || At(Position) == '\n')) ++Position;
  return true;
}

std::string TscParser::GetWord() {
  if (SkipSpacesFirst) SkipSpaces();
  char c = At(Position);
  if (!IdentChars.test(static_cast<unsigned char>(c)) || IsDigit(c) || Position > Size) return {};
  int start = Position;
  while (Position <= Size && IdentChars.test(static_cast<unsigned char>(At(Position)))) ++Position;
  return Text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(Position - start));
}

std::string TscParser::GetIdent() {
  std::string w = GetWord();
  if (!w.empty() && IsKeyword(w)) return {};
  return w;
}

std::string TscParser::GetChar() {
  if (Position > Size) return {};
  unsigned char c = static_cast<unsigned char>(At(Position));
  if ((c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126)) {
    ++Position;
    return std::string(1, static_cast<char>(c));
  }
  return {};
}

bool TscParser::ReadIntPart(int& P) const {
  if (StartsAt(P, HexSequence)) {
    int q = P + static_cast<int>(HexSequence.size());
    if (!IsHexDigit(At(q)) || q > Size) return false;
    while (q <= Size && IsHexDigit(At(q))) ++q;
    P = q;
    return true;
  }
  if (!IsDigit(At(P)) || P > Size) return false;
  while (P <= Size && IsDigit(At(P))) ++P;
  return true;
}

std::string TscParser::GetNumber() {
  if (SkipSpacesFirst) SkipSpaces();
  int start = Position;
  int p = start;
  bool ok = ReadIntPart(p);
  if (ok) {
    // Float form: a "." must be followed by digits, else the float form fails as a whole.
    int q = p;
    bool floatOk = true;
    if (At(q) == '.' && q <= Size) {
      if (IsDigit(At(q + 1))) {
        q += 1;
        while (q <= Size && IsDigit(At(q))) ++q;
      } else {
        floatOk = false;
      }
    }
    if (floatOk) {
      if ((At(q) == 'E' || At(q) == 'e') && q <= Size) {
        int e = q + 1;
        if (At(e) == '+' || At(e) == '-') ++e;
        if (IsDigit(At(e)) && e <= Size) {
          while (e <= Size && IsDigit(At(e))) ++e;
          q = e;
        }
      }
      p = q;
    }
  }
  if (!ok) {
    Position = start;
    return {};
  }
  Position = p;
  std::string r = Text.substr(static_cast<size_t>(TokenStart - 1), static_cast<size_t>(Position - TokenStart));
  if (HexSequence == "$" || HexSequence.empty()) return r;
  std::string out;
  for (size_t i = 0; i < r.size();) {
    if (r.compare(i, HexSequence.size(), HexSequence) == 0) {
      out.push_back('$');
      i += HexSequence.size();
    } else {
      out.push_back(r[i++]);
    }
  }
  return out;
}

bool TscParser::ReadQuotedPart(std::string& Out) {
  char q = StringQuotes.empty() ? '\'' : StringQuotes[0];
  if (At(Position) != q || Position > Size) return false;
  bool cStyle = StringQuotes == "\"";
  int p = Position + 1;
  std::string s;
  for (;;) {
    unsigned char c = static_cast<unsigned char>(At(p));
    if ((c < 32 && c != 9) || p > Size) return false;  // line end or end of text: no part
    if (cStyle && c == '\\') {
      char n = At(p + 1);
      if ((static_cast<unsigned char>(n) < 32 && n != 9) || p + 1 > Size) return false;
      p += 2;
      switch (n) {
        case 'n': case 'N': s += '\n'; break;
        case 'r': case 'R': s += '\r'; break;
        case 'x': case 'X': {
          if (!IsHexDigit(At(p)) || p > Size) break;  // "\x" without digits gives nothing
          int v = 0;
          while (p <= Size && IsHexDigit(At(p))) v = (v * 16 + HexValue(At(p++))) & 0xFFFF;
          s += static_cast<char>(v & 0xFF);
          break;
        }
        default: s += n;
      }
      continue;
    }
    if (c == static_cast<unsigned char>(q)) {
      if (!cStyle && At(p + 1) == q && p + 1 <= Size) {
        s += q;
        p += 2;
        continue;
      }
      Position = p + 1;
      Out += s;
      return true;
    }
    s += static_cast<char>(c);
    ++p;
  }
}

bool TscParser::ReadCharCode(std::string& Out) {
  if (At(Position) != '#' || Position > Size) return false;
  int p = Position + 1;
  int start = p;
  if (!ReadIntPart(p)) return false;
  std::string digits = Text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(p - start));
  unsigned v = 0;
  if (StartsAt(start, HexSequence)) {
    for (size_t i = HexSequence.size(); i < digits.size(); ++i) v = v * 16 + static_cast<unsigned>(HexValue(digits[i]));
  } else {
    for (char d : digits) v = v * 10 + static_cast<unsigned>(d - '0');
  }
  Out += static_cast<char>(v & 0xFF);
  Position = p;
  return true;
}

std::string TscParser::GetString() {
  if (SkipSpacesFirst) SkipSpaces();
  std::string joined;
  bool any = false;
  for (;;) {
    if (ReadQuotedPart(joined) || ReadCharCode(joined)) {
      any = true;
      continue;
    }
    break;
  }
  if (!any) return {};
  return "'" + joined + "'";
}

std::string TscParser::GetRPString() {
  int start = Position;
  int depth = 1;
  bool inSingle = false, inDouble = false;
  int p = start;
  while (p <= Size) {
    char c = At(p);
    if (c == '\r' || c == '\n') {
      Position = start;
      return {};
    }
    if (!inSingle && !inDouble) {
      if (c == '<') ++depth;
      else if (c == '>') {
        if (--depth == 0) {
          Position = p;
          return Text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(p - start));
        }
      }
    }
    if (c == '"' && !inSingle) inDouble = !inDouble;
    else if (c == '\'' && !inDouble) inSingle = !inSingle;
    ++p;
  }
  Position = p;
  return Text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(Size + 1 - start));
}

std::string TscParser::PositionText(int APosition) const {
  // line := number of entries smaller than the position, or the index of an equal entry.
  auto it = std::lower_bound(LineStarts.begin(), LineStarts.end(), APosition);
  int line = static_cast<int>(it - LineStarts.begin());
  if (it != LineStarts.end() && *it == APosition) line = static_cast<int>(it - LineStarts.begin());
  if (line < 1) line = 1;
  int col = APosition - LineStarts[static_cast<size_t>(line - 1)];
  return std::to_string(line) + ":" + std::to_string(col);
}

int TscParser::PositionOf(int Column, int Line) const {
  if (Line - 1 < 0 || Line - 1 >= static_cast<int>(LineStarts.size())) return -1;
  return LineStarts[static_cast<size_t>(Line - 1)] + Column;
}
