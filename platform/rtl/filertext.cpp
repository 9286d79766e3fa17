// The text form of component streams ("object Name: TClass ... end"), converted to and from the
// binary component format, so that component trees can be kept and edited as text files.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

// Bounds the nesting of objects, lists and collections so that damaged input cannot exhaust the
// stack; real forms nest a few levels.
struct NestingGuard {
  int& depth;
  NestingGuard(int& d, const char* what) : depth(d) {
    if (++depth > 256) {
      --depth;
      throw EParserError(std::string(what) + " nested too deeply");
    }
  }
  ~NestingGuard() { --depth; }
};

// ---- binary to text ----

std::string FloatText(double v, char suffix) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);  // shortest text that reads back exactly
  std::string s(buf, r.ptr);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";  // "n": inf and nan
  if (suffix) s += suffix;
  return s;
}

// Quoted text: printable characters inside quotes (a quote doubled), control characters as #n.
std::string QuotedText(const std::string& s) {
  if (s.empty()) return "''";
  std::string out;
  bool open = false;
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32) {
      if (open) out += '\'';
      open = false;
      out += "#" + std::to_string(c);
    } else {
      if (!open) out += '\'';
      open = true;
      out += ch;
      if (ch == '\'') out += '\'';
    }
  }
  if (open) out += '\'';
  return out;
}

class TextWriter {
public:
  TextWriter(TReader& R, std::string& Out) : r(R), out(Out) {}

  void Object(int indent) {
    NestingGuard guard(depth, "Objects");
    uint8_t flags = 0;
    int64_t childPos = -1;
    uint8_t b = 0;
    r.Read(&b, 1);
    if ((b & 0xF0) == 0xF0) {
      flags = b & 0x0F;
      if (flags & 2) childPos = r.ReadInt64();
    } else {
      r.SetPosition(r.Position() - 1);
    }
    std::string cls = r.ReadStr();
    std::string name = r.ReadStr();
    std::string pad(static_cast<size_t>(indent), ' ');
    out += pad + ((flags & 1) ? "inherited " : (flags & 4) ? "inline " : "object ");
    out += name.empty() ? cls : name + ": " + cls;
    if (childPos >= 0) out += " [" + std::to_string(childPos) + "]";
    out += "\n";
    Properties(indent + 2);
    while (!r.EndOfList()) Object(indent + 2);
    r.ReadListEnd();
    out += pad + "end\n";
  }

private:
  void Properties(int indent) {
    while (!r.EndOfList()) {
      out += std::string(static_cast<size_t>(indent), ' ') + r.ReadStr() + " = ";
      Value(indent);
      out += "\n";
    }
    r.ReadListEnd();
  }

  void Value(int indent) {
    NestingGuard guard(depth, "Values");
    const std::string pad(static_cast<size_t>(indent) + 2, ' ');
    switch (r.NextValue()) {
      case vaList:
        r.ReadListBegin();
        out += "(";
        while (!r.EndOfList()) {
          out += "\n" + pad;
          Value(indent + 2);
        }
        r.ReadListEnd();
        out += ")";
        break;
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64: out += std::to_string(r.ReadInt64()); break;
      case vaExtended: out += FloatText(r.ReadFloat(), 0); break;
      case vaSingle: out += FloatText(r.ReadSingle(), 's'); break;
      case vaCurrency: out += FloatText(r.ReadCurrency(), 'c'); break;
      case vaDate: out += FloatText(r.ReadDate(), 'd'); break;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String: out += QuotedText(r.ReadString()); break;
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
      case vaNull: out += r.ReadIdent(); break;
      case vaSet: {
        out += "[";
        bool first = true;
        for (const auto& n : r.ReadSet()) {
          out += (first ? "" : ", ") + n;
          first = false;
        }
        out += "]";
        break;
      }
      case vaBinary: {
        static const char digits[] = "0123456789ABCDEF";
        std::vector<uint8_t> data = r.ReadBinary();
        out += "{";
        for (size_t i = 0; i < data.size(); ++i) {
          if (i % 32 == 0) out += "\n" + pad;
          out += digits[data[i] >> 4];
          out += digits[data[i] & 15];
        }
        out += "}";
        break;
      }
      case vaCollection: {
        r.ReadValue();
        out += "<";
        while (!r.EndOfList()) {
          out += "\n" + pad + "item";
          TValueType v = r.NextValue();
          if (v == vaInt8 || v == vaInt16 || v == vaInt32 || v == vaInt64)
            out += " [" + std::to_string(r.ReadInt64()) + "]";
          out += "\n";
          r.ReadListBegin();
          Properties(indent + 4);
          out += pad + "end";
        }
        r.ReadListEnd();
        out += ">";
        break;
      }
    }
  }

  TReader& r;
  std::string& out;
  int depth = 0;
};

// ---- text to binary ----

enum class Tok { End, Ident, Integer, Float, String, Symbol };

class TextParser {
public:
  explicit TextParser(std::string Text) : s(std::move(Text)) { Next(); }

  Tok token = Tok::End;
  std::string text;    // identifier, symbol, or the decoded string
  int64_t intValue = 0;
  double floatValue = 0;
  char floatSuffix = 0;
  int line = 1;

  [[noreturn]] void Error(const std::string& What) const {
    throw EParserError(What + " on line " + std::to_string(tokenLine));
  }
  void Expect(const char* symbol) {
    if (token != Tok::Symbol || text != symbol) Error(std::string("'") + symbol + "' expected");
    Next();
  }
  bool IsSymbol(const char* symbol) const { return token == Tok::Symbol && text == symbol; }
  bool IsIdent(const char* word) const { return token == Tok::Ident && SameText(text, word); }
  std::string Ident() {
    if (token != Tok::Ident) Error("Identifier expected");
    std::string id = text;
    Next();
    return id;
  }

  void Next() {
    SkipBlanks();
    tokenLine = line;
    text.clear();
    floatSuffix = 0;
    if (p >= s.size()) {
      token = Tok::End;
      return;
    }
    char c = s[p];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t b = p;
      while (p < s.size() && (std::isalnum(static_cast<unsigned char>(s[p])) || s[p] == '_' || s[p] == '.'))
        ++p;
      text = s.substr(b, p - b);
      token = Tok::Ident;
    } else if (c == '\'' || c == '#') {
      ReadString();
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '$' ||
               ((c == '-' || c == '+') && p + 1 < s.size() &&
                (std::isdigit(static_cast<unsigned char>(s[p + 1])) || s[p + 1] == '$'))) {
      ReadNumber();
    } else {
      text = std::string(1, c);
      ++p;
      token = Tok::Symbol;
    }
  }

  // Hexadecimal digits up to "}", blanks and line breaks between them ignored.
  std::vector<uint8_t> Binary() {
    std::vector<uint8_t> out;
    int nibble = -1;
    for (; p < s.size() && s[p] != '}'; ++p) {
      char c = s[p];
      if (c == '\n') ++line;
      if (std::isspace(static_cast<unsigned char>(c))) continue;
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
              : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                          : -1;
      if (d < 0) Error("Invalid binary value");
      if (nibble < 0) {
        nibble = d;
      } else {
        out.push_back(static_cast<uint8_t>(nibble * 16 + d));
        nibble = -1;
      }
    }
    if (p >= s.size() || nibble >= 0) Error("Invalid binary value");
    ++p;
    Next();
    return out;
  }

private:
  void SkipBlanks() {
    while (p < s.size()) {
      char c = s[p];
      if (c == '\n') ++line;
      if (!std::isspace(static_cast<unsigned char>(c))) break;
      ++p;
    }
  }

  // 'text' and #code parts, joined directly or by "+" between parts.
  void ReadString() {
    for (;;) {
      if (p < s.size() && s[p] == '\'') {
        ++p;
        for (;;) {
          if (p >= s.size() || s[p] == '\n') Error("Invalid string constant");
          if (s[p] == '\'') {
            if (p + 1 < s.size() && s[p + 1] == '\'') {
              text += '\'';
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          text += s[p++];
        }
      } else if (p < s.size() && s[p] == '#') {
        ++p;
        size_t b = p;
        while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
        if (b == p || p - b > 7) Error("Invalid string constant");
        uint32_t code = static_cast<uint32_t>(std::stoul(s.substr(b, p - b)));
        if (code > 0x10FFFF) Error("Invalid string constant");
        AppendCodePoint(code);
      } else {
        // A "+" continues the string with the next part, possibly on the next line.
        size_t save = p;
        int saveLine = line;
        SkipBlanks();
        if (p < s.size() && s[p] == '+') {
          ++p;
          SkipBlanks();
          if (p < s.size() && (s[p] == '\'' || s[p] == '#')) continue;
        }
        p = save;
        line = saveLine;
        break;
      }
    }
    token = Tok::String;
  }

  void AppendCodePoint(uint32_t cp) {
    if (cp < 0x80) {
      text += static_cast<char>(cp);
    } else if (cp < 0x800) {
      text += static_cast<char>(0xC0 | (cp >> 6));
      text += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      text += static_cast<char>(0xE0 | (cp >> 12));
      text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (cp >> 18));
      text += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  void ReadNumber() {
    size_t b = p;
    bool neg = false;
    if (s[p] == '-' || s[p] == '+') neg = s[p++] == '-';
    if (s[p] == '$') {
      ++p;
      size_t h = p;
      while (p < s.size() && std::isxdigit(static_cast<unsigned char>(s[p]))) ++p;
      if (h == p || p - h > 16) Error("Number expected");
      uint64_t v = std::stoull(s.substr(h, p - h), nullptr, 16);
      intValue = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
      token = Tok::Integer;
      return;
    }
    while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
    bool isFloat = false;
    if (p < s.size() && s[p] == '.') {
      isFloat = true;
      ++p;
      while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
    }
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
      isFloat = true;
      ++p;
      if (p < s.size() && (s[p] == '-' || s[p] == '+')) ++p;
      while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
    }
    std::string num = s.substr(b, p - b);
    if (p < s.size() && (s[p] == 's' || s[p] == 'S' || s[p] == 'c' || s[p] == 'C' || s[p] == 'd' ||
                         s[p] == 'D')) {
      isFloat = true;
      floatSuffix = static_cast<char>(std::tolower(static_cast<unsigned char>(s[p++])));
    }
    const char* first = num.data() + (num[0] == '+' ? 1 : 0);
    if (isFloat) {
      auto r = std::from_chars(first, num.data() + num.size(), floatValue);
      if (r.ec != std::errc() || r.ptr != num.data() + num.size()) Error("Number expected");
      token = Tok::Float;
    } else {
      auto r = std::from_chars(first, num.data() + num.size(), intValue);
      if (r.ec != std::errc() || r.ptr != num.data() + num.size()) Error("Number expected");
      token = Tok::Integer;
    }
  }

  std::string s;
  size_t p = 0;
  int tokenLine = 1;
};

class BinaryWriter {
public:
  BinaryWriter(TextParser& P, TWriter& W) : ps(P), w(W) {}

  void Object() {
    NestingGuard guard(depth, "Objects");
    uint8_t flags = 0;
    if (ps.IsIdent("inherited"))
      flags = 1;
    else if (ps.IsIdent("inline"))
      flags = 4;
    else if (!ps.IsIdent("object"))
      ps.Error("'object' expected");
    ps.Next();
    std::string name = ps.Ident();
    std::string cls = name;
    if (ps.IsSymbol(":")) {
      ps.Next();
      cls = ps.Ident();
    } else {
      name.clear();
    }
    int64_t childPos = -1;
    if (ps.IsSymbol("[")) {
      ps.Next();
      if (ps.token != Tok::Integer) ps.Error("Number expected");
      childPos = ps.intValue;
      ps.Next();
      ps.Expect("]");
      flags |= 2;
    }
    if (flags) {
      auto b = static_cast<uint8_t>(0xF0 | flags);
      w.Write(&b, 1);
      if (childPos >= 0) w.WriteInteger(childPos);
    }
    w.WriteStr(cls);
    w.WriteStr(name);
    while (!ps.IsIdent("end") && !ps.IsIdent("object") && !ps.IsIdent("inherited") &&
           !ps.IsIdent("inline"))
      Property();
    w.WriteListEnd();
    while (!ps.IsIdent("end")) Object();
    w.WriteListEnd();
    ps.Next();
  }

private:
  void Property() {
    std::string name = ps.Ident();
    ps.Expect("=");
    w.WritePropName(name);
    Value();
  }

  void Value() {
    NestingGuard guard(depth, "Values");
    switch (ps.token) {
      case Tok::Integer:
        w.WriteInteger(ps.intValue);
        ps.Next();
        return;
      case Tok::Float:
        switch (ps.floatSuffix) {
          case 's': w.WriteSingle(static_cast<float>(ps.floatValue)); break;
          case 'c': w.WriteCurrency(ps.floatValue); break;
          case 'd': w.WriteDate(ps.floatValue); break;
          default: w.WriteFloat(ps.floatValue);
        }
        ps.Next();
        return;
      case Tok::String:
        w.WriteString(ps.text);
        ps.Next();
        return;
      case Tok::Ident:
        w.WriteIdent(ps.text);
        ps.Next();
        return;
      case Tok::End: ps.Error("Property value expected");
      case Tok::Symbol: break;
    }
    if (ps.IsSymbol("[")) {
      ps.Next();
      std::vector<std::string> names;
      while (!ps.IsSymbol("]")) {
        names.push_back(ps.Ident());
        if (ps.IsSymbol(",")) ps.Next();
        else if (!ps.IsSymbol("]")) ps.Error("']' expected");
      }
      ps.Next();
      w.WriteSet(names);
    } else if (ps.IsSymbol("(")) {
      ps.Next();
      w.WriteListBegin();
      while (!ps.IsSymbol(")")) Value();
      ps.Next();
      w.WriteListEnd();
    } else if (ps.IsSymbol("{")) {
      std::vector<uint8_t> data = ps.Binary();
      w.WriteBinary(data.data(), static_cast<int64_t>(data.size()));
    } else if (ps.IsSymbol("<")) {
      ps.Next();
      w.WriteValue(vaCollection);
      while (!ps.IsSymbol(">")) {
        if (!ps.IsIdent("item")) ps.Error("'item' expected");
        ps.Next();
        if (ps.IsSymbol("[")) {
          ps.Next();
          if (ps.token != Tok::Integer) ps.Error("Number expected");
          w.WriteInteger(ps.intValue);
          ps.Next();
          ps.Expect("]");
        }
        w.WriteListBegin();
        while (!ps.IsIdent("end")) Property();
        ps.Next();
        w.WriteListEnd();
      }
      ps.Next();
      w.WriteListEnd();
    } else {
      ps.Error("Property value expected");
    }
  }

  TextParser& ps;
  TWriter& w;
  int depth = 0;
};

}  // namespace

void ObjectBinaryToText(TStream* Input, TStream* Output) {
  TReader r(Input, 4096);
  r.ReadSignature();
  std::string out;
  TextWriter(r, out).Object(0);
  Output->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void ObjectTextToBinary(TStream* Input, TStream* Output) {
  std::string text(static_cast<size_t>(Input->Size() - Input->Position()), '\0');
  Input->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  TextParser ps(std::move(text));
  TWriter w(Output, 4096);
  w.WriteSignature();
  BinaryWriter(ps, w).Object();
  if (ps.token != Tok::End) ps.Error("End of file expected");
}
