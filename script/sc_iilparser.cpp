// The grammar-driven parser: language selection, grammar matching and the intermediate script.
#include "script/sc_iilparser.h"

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/rtl/sysutils.h"
#include "script/sc_iconst.h"
#include "script/sc_istack.h"
#include "script/sc_itools.h"

// A grammar element prepared for matching: the attributes the matcher reads on every visit are
// decoded once per language instead of being looked up in the attribute text each time.
struct TscGrammarNode {
  enum Kind { kRule, kChar, kKeyword, kIdent, kNumber, kString, kRPString, kEol, kSequence, kSwitch,
              kOptSwitch, kLoop, kOptLoop, kOptional, kRef };
  Kind K = kSequence;
  bool IsRule = false;
  std::string Text;      // attribute text, lower case
  std::string RawText;   // attribute text as written (loop separators, char tokens)
  std::string NodeName;  // lower case
  std::string Add;
  std::string AddText;
  bool HasAddText = false;
  bool HasErr = false;
  std::string ErrText;
  bool Term = false;
  bool SkipLoop = false;   // skip="1" on a loop
  bool NoSkip = false;     // skip="0" on a char
  std::string RefName;
  const TscGrammarNode* Ref = nullptr;
  std::vector<std::unique_ptr<TscGrammarNode>> Children;
};

struct TscGrammar {
  std::string Text;
  TscXMLDocument Doc;  // the grammar document, read once
  std::map<std::string, std::unique_ptr<TscGrammarNode>> Rules;  // lower-case names
  const TscGrammarNode* Program = nullptr;
  bool EndsWithMark = false;
};

namespace {

// Grammar elements matched inside one another at most: some ten elements per level of
// brackets, blocks or calls, so programs nest a few hundred levels deep and no more.
constexpr int kMaxMatchDepth = 12000;

std::string ParserLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::unique_ptr<TscGrammarNode> BuildNode(TscXMLItem* E, TscXMLItem* Errors, bool IsRule) {
  static const std::map<std::string, TscGrammarNode::Kind> kinds = {
      {"char", TscGrammarNode::kChar},         {"keyword", TscGrammarNode::kKeyword},
      {"ident", TscGrammarNode::kIdent},       {"number", TscGrammarNode::kNumber},
      {"string", TscGrammarNode::kString},     {"rpstring", TscGrammarNode::kRPString},
      {"eol", TscGrammarNode::kEol},           {"sequence", TscGrammarNode::kSequence},
      {"switch", TscGrammarNode::kSwitch},     {"optionalswitch", TscGrammarNode::kOptSwitch},
      {"loop", TscGrammarNode::kLoop},         {"optionalloop", TscGrammarNode::kOptLoop},
      {"optional", TscGrammarNode::kOptional}};
  auto n = std::make_unique<TscGrammarNode>();
  std::string name = ParserLower(E->Name);
  n->IsRule = IsRule;
  if (IsRule) {
    n->K = TscGrammarNode::kRule;
  } else {
    auto it = kinds.find(name);
    if (it != kinds.end()) {
      n->K = it->second;
    } else {
      n->K = TscGrammarNode::kRef;
      n->RefName = name;
    }
  }
  n->RawText = E->Prop("text");
  n->Text = ParserLower(n->RawText);
  n->NodeName = ParserLower(E->Prop("node"));
  n->Add = E->Prop("add");
  if (E->Text.find("addtext=") != std::string::npos || E->Text.find("ADDTEXT=") != std::string::npos) {
    n->HasAddText = true;
    n->AddText = E->Prop("addtext");
  }
  std::string err = E->Prop("err");
  if (!err.empty()) {
    n->HasErr = true;
    int i = Errors ? Errors->Find(err) : -1;
    n->ErrText = i >= 0 ? Errors->Items(i)->Prop("text") : std::string();
  }
  n->Term = E->Prop("term") == "1";
  std::string skip = E->Prop("skip");
  n->SkipLoop = skip == "1";
  n->NoSkip = skip == "0";
  for (int i = 0; i < E->Count(); ++i) n->Children.push_back(BuildNode(E->Items(i), Errors, false));
  return n;
}

void Resolve(TscGrammarNode* N, const TscGrammar& G) {
  if (N->K == TscGrammarNode::kRef) {
    auto it = G.Rules.find(N->RefName);
    N->Ref = it == G.Rules.end() ? nullptr : it->second.get();
  }
  for (auto& c : N->Children) Resolve(c.get(), G);
}

// Prepared grammars, one per registered language, built on first use.
std::shared_ptr<const TscGrammar> PreparedGrammar(const std::string& Text) {
  // Scripts may compile on a report's worker thread too; the cache is the only shared state.
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  static std::map<std::string, std::shared_ptr<const TscGrammar>> cache;
  auto it = cache.find(Text);
  if (it != cache.end()) return it->second;
  auto g = std::make_shared<TscGrammar>();
  g->Text = Text;
  g->Doc.LoadFromString(Text);
  TscXMLItem* root = g->Doc.Root();
  TscXMLItem* parser = root->FindItem("parser");
  int ei = parser->Find("errors");
  TscXMLItem* errors = ei >= 0 ? parser->Items(ei) : nullptr;
  for (int i = 0; i < root->Count(); ++i) {
    TscXMLItem* e = root->Items(i);
    std::string name = ParserLower(e->Name);
    if (name == "parser" || name == "types") continue;
    if (g->Rules.count(name)) continue;  // the first rule of a name is the one found
    g->Rules[name] = BuildNode(e, errors, true);
  }
  for (auto& r : g->Rules) Resolve(r.second.get(), *g);
  auto p = g->Rules.find("program");
  g->Program = p == g->Rules.end() ? nullptr : p->second.get();
  // A program that ends with a closing mark ("end.") leaves the text after it unread.
  g->EndsWithMark = g->Program && !g->Program->Children.empty() &&
                    g->Program->Children.back()->K == TscGrammarNode::kChar &&
                    g->Program->Children.back()->RawText == ".";
  cache[Text] = g;
  return g;
}

char UpAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// The intermediate script is written one tag per line. Reading those lines straight into the
// document's tree gives the tree that reading the joined text as XML gives, without writing and
// scanning the text again. Any line that is not one plain tag (a unit's script inserted whole,
// a comment), or tags that do not nest, make it return false: the caller then reads the text.
bool BuildILTree(const std::vector<std::string>& Lines, TscXMLItem* Root) {
  Root->Clear();
  Root->Name = "program";
  Root->Text.clear();
  std::vector<TscXMLItem*> open{Root};
  for (const std::string& line : Lines) {
    size_t n = line.size();
    if (n == 0) continue;
    if (n < 3 || line[0] != '<' || line[n - 1] != '>' || line[1] == '!' || line[1] == '?') return false;
    size_t end = n - 1;  // the tag is line[1, end)
    if (std::memchr(line.data() + 1, '<', end - 1) || std::memchr(line.data() + 1, '>', end - 1)) return false;
    if (line[end - 1] == ' ') --end;
    size_t blank = line.find(' ', 1);
    size_t nameEnd = blank == std::string::npos || blank >= end ? end : blank;
    if (nameEnd == 1) return false;
    if (line[1] == '/') {
      const std::string& name = open.back()->Name;
      if (open.size() < 2 || nameEnd - 2 != name.size()) return false;
      for (size_t i = 0; i < name.size(); ++i)
        if (UpAscii(line[2 + i]) != UpAscii(name[i])) return false;
      open.pop_back();
      continue;
    }
    TscXMLItem* item = open.back()->Add();
    item->Name.assign(line, 1, nameEnd - 1);
    if (nameEnd < end) item->Text.assign(line, nameEnd + 1, end - nameEnd - 1);
    if (item->Name.back() == '/') {
      item->Name.pop_back();
      if (item->Name.empty()) return false;
    } else if (!item->Text.empty() && item->Text.back() == '/') {
      item->Text.pop_back();
    } else {
      open.push_back(item);
    }
  }
  return open.size() == 1;
}

std::string ReadTextFile(const std::string& FileName) {
  std::ifstream f(FileName, std::ios::binary);
  if (!f) throw EFOpenError("Cannot open file \"" + FileName + "\". No such file or directory");
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

TscILParser::TscILParser(TscScript* AProgram) : Program(AProgram) {}

TscILParser::~TscILParser() = default;

void TscILParser::SelectScriptLanguage(const std::string& Name) {
  // Every lexer setting comes from the selected language: a second selection on the same parser
  // does not keep the comment markers or the declaration rule of the first.
  Lexer.Reset();
  Lexer.CommentLine2.clear();
  NeedDeclareVars = true;
  LangName = Name;
  const std::string& text = scGetScriptLanguageGrammar(Name);
  // The grammar document is shared by every parser of the language and never changed.
  FGrammar = PreparedGrammar(text);
  GrammarRoot = FGrammar->Doc.Root();
  FLogicalBelowComparisons = scSameName(Name, "C++Script") || scSameName(Name, "JScript");
  int pi = GrammarRoot->Find("parser");  // present: preparing the grammar made it
  TscXMLItem* parser = GrammarRoot->Items(pi);
  int k = parser->Find("keywords");
  if (k >= 0) {
    TscXMLItem* kw = parser->Items(k);
    for (int i = 0; i < kw->Count(); ++i) Lexer.AddKeyword(kw->Items(i)->Name);
  }
  for (int i = 0; i < parser->Count(); ++i) {
    TscXMLItem* e = parser->Items(i);
    std::string n = ParserLower(e->Name);
    std::string v = e->Prop("text");
    if (n == "identchars") Lexer.SetIdentChars(v);
    else if (n == "commentline1") Lexer.CommentLine1 = v;
    else if (n == "commentline2") Lexer.CommentLine2 = v;
    else if (n == "commentblock1") Lexer.SetCommentBlock1(v);
    else if (n == "commentblock2") Lexer.SetCommentBlock2(v);
    else if (n == "stringquotes") Lexer.StringQuotes = v;
    else if (n == "hexsequence") Lexer.HexSequence = v;
    else if (n == "declarevars") { if (v == "0") NeedDeclareVars = false; }
    else if (n == "skipeol") { if (v == "0") Lexer.SkipEOL = false; }
    else if (n == "skipchar") Lexer.SkipChar = v;
  }
  if (Program && Program->ExtendedIdentChars)
    for (int c = 128; c < 256; ++c) Lexer.IdentChars.set(static_cast<size_t>(c));
}

bool TscILParser::MakeIntermediateScript(const std::string& Text) {
  Lexer.SetText(Text);
  int start = 1;
  Lexer.SkipSpacesFirst = true;
  if (Lexer.GetChar() == "#" && scSameName(Lexer.GetIdent(), "language")) {
    size_t from = static_cast<size_t>(Lexer.Position - 1);
    size_t cr = Text.find('\r', from);
    size_t lf = Text.find('\n', from);
    size_t end = std::min(cr, lf);
    std::string lang = Trim(Text.substr(from, end == std::string::npos ? std::string::npos : end - from));
    SelectScriptLanguage(lang);
    Lexer.SetText(Text);
    if (end == std::string::npos)
      start = static_cast<int>(Text.size()) + 1;
    else if (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n')
      start = static_cast<int>(end) + 3;  // the line with its carriage return and line feed
    else
      start = static_cast<int>(end) + 2;
  }
  Lexer.SetPosition(start);
  FWordMemo.From = -1;
  FLines.clear();
  FSyntaxError.clear();
  FSyntaxErrorPos.clear();
  FTermFlag = false;
  FFarthestPos = 0;
  FFarthestError.clear();
  FMatchDepth = 0;
  if (!FGrammar || !FGrammar->Program) throw Exception(SInvalidLanguage);
  FTooDeepAt = 0;
  bool matched = MatchGrammarNode(FGrammar->Program);
  if (FTooDeepAt > 0) {
    // Nothing of a half-matched text is kept.
    matched = false;
    FLines.clear();
    FSyntaxError = SNestedTooDeeply;
    FSyntaxErrorPos = Lexer.PositionText(FTooDeepAt);
  }
  if (matched && FSyntaxError.empty()) {
    // The whole text must be read: a statement the grammar could not take, or any other text
    // after the program, is an error (except after a program's closing mark such as "end.",
    // after which a language ignores the text).
    const int end = Lexer.Position;
    SkipBlankText();
    if (Lexer.UnterminatedComment > 0 && (!FGrammar->EndsWithMark || Lexer.UnterminatedComment < end)) {
      FSyntaxError = SUnterminatedComment;
      FSyntaxErrorPos = Lexer.PositionText(Lexer.UnterminatedComment);
    } else if (!FGrammar->EndsWithMark && Lexer.Position <= Lexer.Size) {
      if (!FFarthestError.empty() && FFarthestPos >= Lexer.Position) {
        FSyntaxError = FFarthestError;
        FSyntaxErrorPos = Lexer.PositionText(FFarthestPos);
      } else {
        FSyntaxError = SStatementExpected;
        FSyntaxErrorPos = Lexer.GetPosition();
      }
    }
  } else if (!matched && FSyntaxError.empty()) {
    // The start rule failed without saying why: unless the text is blank, that is an error too.
    Lexer.SetPosition(start);
    SkipBlankText();
    if (Lexer.Position <= Lexer.Size) {
      FSyntaxError = FFarthestError.empty() ? std::string(SStatementExpected) : FFarthestError;
      FSyntaxErrorPos = Lexer.PositionText(FFarthestError.empty() ? Lexer.Position : FFarthestPos);
    }
  }
  if ((!matched || !FSyntaxError.empty()) && Lexer.UnterminatedComment > 0 && FSyntaxError != SNestedTooDeeply) {
    // A comment that swallowed the rest of the text is the cause of what the grammar missed.
    matched = false;
    FSyntaxError = SUnterminatedComment;
    FSyntaxErrorPos = Lexer.PositionText(Lexer.UnterminatedComment);
  }
  bool ok = false;
  if (matched && FSyntaxError.empty()) {
    FSyntaxErrorPos.clear();
    if (!BuildILTree(FLines, ILScript.Root())) {
      std::string doc = "<?xml version=\"1.0\"?>\r\n<program>\r\n";
      size_t total = doc.size() + 12;
      for (const std::string& l : FLines) total += l.size() + 2;
      doc.reserve(total);
      for (const std::string& l : FLines) {
        doc += l;
        doc += "\r\n";
      }
      doc += "</program>\r\n";
      ILScript.LoadFromString(doc);
    }
    int t = GrammarRoot->Find("types");
    TscXMLItem* types = ILScript.Root()->Add();
    if (t >= 0) types->Assign(GrammarRoot->Items(t));
    else types->Name = "types";
    ok = true;
  }
  if (Program) {
    Program->ErrorPosition = FSyntaxErrorPos;
    Program->ErrorText = FSyntaxError;
  }
  return ok;
}

void TscILParser::SkipBlankText() {
  for (;;) {
    Lexer.SkipSpaces();
    if (Lexer.Position > Lexer.Size) return;
    char c = Lexer.Text[static_cast<size_t>(Lexer.Position - 1)];
    if (c != '\r' && c != '\n') return;
    Lexer.SetPosition(Lexer.Position + 1);
  }
}

void TscILParser::RecordGrammarError(const TscGrammarNode* Node, int EntryPos) {
  if (!Node->HasErr) return;
  Lexer.SetPosition(EntryPos);
  Lexer.SkipSpaces();
  if (Lexer.Position >= FFarthestPos) {
    FFarthestPos = Lexer.Position;
    FFarthestError = Node->ErrText;
  }
  if (!FSyntaxError.empty()) return;
  FSyntaxError = Node->ErrText;
  FSyntaxErrorPos = Lexer.GetPosition();
  FTermFlag = Node->Term;
}

void TscILParser::EmitGrammarNode(const TscGrammarNode* Node, bool Success, size_t EntryCount, int EntryPos) {
  if (Node->NodeName == "uses") {
    // The file leaves are replaced by the included units, the last named first.
    size_t count = EntryCount;
    while (FLines.size() > count) {
      const std::string& line = FLines.back();
      size_t at = line.find("text=\"");
      std::string name;
      if (at != std::string::npos) {
        size_t from = at + 6;
        size_t to = line.find("\" ", from);
        if (to == std::string::npos) to = line.rfind('"');
        name = scXMLToStr(line.substr(from, to - from));
        if (name.size() >= 2) name = name.substr(1, name.size() - 2);
      }
      IncludeScriptUnit(name, count);
      FLines.pop_back();
    }
    return;
  }
  if (Node->NodeName.empty()) return;
  if (Success) {
    int saved = Lexer.Position;
    Lexer.SetPosition(EntryPos);
    Lexer.SkipSpaces();
    std::string p = Lexer.GetPosition();
    Lexer.SetPosition(saved);
    // Built in place: alternatives that fail throw many of these lines away again.
    std::string open;
    open.reserve(Node->NodeName.size() + p.size() + 32);
    open.append(1, '<').append(Node->NodeName).append(" pos=\"").append(p).append(1, '"');
    if (Node->NodeName == "expr") open.append(" pos1=\"").append(Lexer.PositionText(saved)).append(1, '"');
    open.append(1, '>');
    FLines.insert(FLines.begin() + static_cast<long>(EntryCount), std::move(open));
    std::string close;
    close.reserve(Node->NodeName.size() + 3);
    close.append("</").append(Node->NodeName).append(1, '>');
    FLines.push_back(std::move(close));
  } else {
    FLines.resize(EntryCount);
  }
}

void TscILParser::IncludeScriptUnit(const std::string& Name, size_t& EntryCount) {
  for (const std::string& u : UsesList)
    if (scSameName(u, Name)) return;
  UsesList.push_back(Name);
  std::string text;
  if (Program && Program->OnGetUnit)
    Program->OnGetUnit(Program, Name, text);
  else
    text = ReadTextFile(Name);
  std::string unitIL;
  if (!text.empty()) {
    TscILParser child(Program);
    child.UnitName = Name;
    child.SelectScriptLanguage(LangName);
    child.UsesList = UsesList;
    if (child.MakeIntermediateScript(text)) {
      UsesList = child.UsesList;
      std::string all = child.ILScript.SaveToString();
      size_t q = all.find("?>");
      unitIL = q == std::string::npos ? all : all.substr(q + 2);
    } else {
      if (FSyntaxError.empty()) {
        FSyntaxError = Program ? Program->ErrorText : std::string();
        FSyntaxErrorPos = Program ? Program->ErrorPosition : std::string();
      }
      if (Program) Program->ErrorUnitName = Name;
    }
  }
  std::vector<std::string> add = {"<uses unit=\"" + scStrToXML(Name) + "\">", unitIL, "</uses>"};
  FLines.insert(FLines.begin() + static_cast<long>(EntryCount), add.begin(), add.end());
  EntryCount += 3;
}

std::string TscILParser::ReadWord(bool Ident) {
  // GetKeyword is GetWord; GetIdent is GetWord refusing keywords (its position moves on all the
  // same).
  WordMemo& m = FWordMemo;
  if (m.From != Lexer.Position || !Lexer.SkipSpacesFirst) {
    m.From = Lexer.Position;
    m.Word = Lexer.GetWord();
    m.Keyword = !m.Word.empty() && Lexer.IsKeyword(m.Word);
    m.To = Lexer.Position;
    m.TokenStart = Lexer.TokenStart;
    if (!Lexer.SkipSpacesFirst) m.From = -1;
  } else {
    Lexer.Position = m.To;
    Lexer.TokenStart = m.TokenStart;
  }
  if (Ident && m.Keyword) return {};
  return m.Word;
}

bool TscILParser::MatchGrammarNode(const TscGrammarNode* N) {
  // Elements nest as deep as the text: a text nested beyond any real program is refused before
  // the recursion can exhaust the stack.
  struct Depth {
    int& D;
    explicit Depth(int& AD) : D(AD) { ++D; }
    ~Depth() { --D; }
  } depth(FMatchDepth);
  // Once too deep, every element fails at once, so the whole match unwinds without trying
  // further alternatives.
  if (FTooDeepAt > 0) return false;
  if (FMatchDepth > kMaxMatchDepth || ((FMatchDepth & 63) == 0 && scStackLow())) {
    FTooDeepAt = Lexer.Position;
    return false;
  }
  const int entryPos = Lexer.Position;
  const size_t entryCount = FLines.size();
  std::string token;
  bool result = true;
  bool success = true;
  bool terminal = false;
  using K = TscGrammarNode;
  switch (N->K) {
    case K::kRule:
      success = true;
      break;
    case K::kChar:
      if (!N->NoSkip) Lexer.SkipSpaces();
      token = Lexer.GetChar();
      terminal = true;
      break;
    case K::kKeyword:
      token = ReadWord(false);
      terminal = true;
      break;
    case K::kIdent:
      token = ReadWord(true);
      terminal = true;
      break;
    case K::kNumber:
      token = Lexer.GetNumber();
      terminal = true;
      break;
    case K::kString:
      token = Lexer.GetString();
      terminal = true;
      break;
    case K::kRPString: {
      token = Lexer.GetRPString();
      std::string p = Lexer.GetPosition();
      std::string pos = " pos=\"" + p + "\"";
      FLines.push_back("<dsgn" + pos + ">");
      FLines.push_back("<node text=\"Get\"" + pos + "/>");
      FLines.push_back("<expr" + pos + ">");
      FLines.push_back("<string text=\"" + scStrToXML("'" + token + "'") + "\"" + pos + "/>");
      FLines.push_back("</expr>");
      FLines.push_back("</dsgn>");
      terminal = true;
      break;
    }
    case K::kEol:
      success = Lexer.GetEOL();
      break;
    case K::kSequence:
      success = true;
      break;
    case K::kSwitch:
    case K::kOptSwitch: {
      for (const auto& c : N->Children)
        if (MatchGrammarNode(c.get())) return true;
      if (N->K == K::kOptSwitch) return true;
      RecordGrammarError(N, entryPos);
      return false;
    }
    case K::kLoop:
    case K::kOptLoop: {
      int count = 0;
      int after = Lexer.Position;
      bool stop;
      do {
        ++count;
        stop = false;
        int iterStart = Lexer.Position;
        result = true;
        for (const auto& c : N->Children) {
          if (!MatchGrammarNode(c.get())) {
            result = false;
            stop = true;
            break;
          }
        }
        after = Lexer.Position;
        if (result && !N->RawText.empty()) {
          Lexer.SkipSpaces();
          std::string ch = Lexer.GetChar();
          if (ch != N->RawText) {
            Lexer.SetPosition(after);
            stop = true;
          }
        }
        if (Lexer.Position == iterStart) stop = true;
      } while (!stop);
      if (count >= 2) {
        if (N->SkipLoop || FTermFlag) FSyntaxError.clear();
        Lexer.SetPosition(after);
        result = true;
      }
      if (N->K == K::kOptLoop && !result) {
        Lexer.SetPosition(entryPos);
        return true;
      }
      return result;
    }
    case K::kOptional: {
      for (const auto& c : N->Children) {
        if (!MatchGrammarNode(c.get())) {
          Lexer.SetPosition(entryPos);
          break;
        }
      }
      return true;
    }
    case K::kRef:
      if (!N->Ref) throw Exception(SInvalidLanguage);
      success = MatchGrammarNode(N->Ref);
      break;
  }
  if (terminal) success = !token.empty() && (N->Text.empty() || scSameName(token, N->Text));

  if (success) {
    if (!N->IsRule) EmitGrammarNode(N, true, entryCount, entryPos);
    if (!N->Add.empty()) {
      const std::string& leaf = N->HasAddText ? N->AddText : token;
      std::string text = scStrToXML(leaf), pos = Lexer.GetPosition();
      std::string line;
      line.reserve(N->Add.size() + text.size() + pos.size() + 20);
      line.append(1, '<').append(N->Add).append(" text=\"").append(text).append("\" pos=\"").append(pos).append("\"/>");
      FLines.push_back(std::move(line));
    }
    result = true;
    for (const auto& c : N->Children) {
      result = MatchGrammarNode(c.get());
      if (!result) break;
    }
  } else {
    RecordGrammarError(N, entryPos);
    result = false;
  }
  if (!result) Lexer.SetPosition(entryPos);
  if (N->IsRule) EmitGrammarNode(N, result, entryCount, entryPos);
  return result;
}
