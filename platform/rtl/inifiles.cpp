// INI settings files: parsing, typed values, the in-memory and write-through stores.
#include "platform/rtl/inifiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TCustomIniFile, TObject)
ORV_CLASS_IMPL(TMemIniFile, TCustomIniFile)
ORV_CLASS_IMPL(TIniFile, TCustomIniFile)

namespace {

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

bool SameAscii(const std::string& a, const std::string& b) { return SameText(a, b); }

bool ParseInt(std::string s, int& out) {
  s = TrimBlanks(s);
  bool neg = false;
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d = c >= '0' && c <= '9' ? c - '0'
            : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
    if (d < 0) return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFll) return false;
  }
  if (base == 10) {
    if (neg) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int>(v);
  } else {
    // Hexadecimal text covers the full 32-bit pattern ("$FFFFFFFF" is -1).
    auto u = static_cast<uint32_t>(v);
    out = static_cast<int>(neg ? 0u - u : u);
  }
  return true;
}

void CheckName(const std::string& Section, const std::string& Ident) {
  auto bad = [](const std::string& s, const char* extra) {
    return s.find_first_of(std::string("\r\n") + extra) != std::string::npos;
  };
  if (bad(Section, "]")) throw EIniFileException("Invalid section name \"" + Section + "\"");
  if (bad(Ident, "=") || TrimBlanks(Ident).empty())
    throw EIniFileException("Invalid value name \"" + Ident + "\"");
}

void CheckValue(const std::string& Value) {
  if (Value.find_first_of("\r\n") != std::string::npos)
    throw EIniFileException("A value cannot hold a line break");
}

}  // namespace

// ---- the parsed file ----

// One line of a section: a value ("Name=Value", Name non-empty) or a line kept verbatim.
struct TIniLine {
  bool IsValue = false;
  std::string Name;
  std::string Value;
  std::string Raw;
};

struct TIniSection {
  std::string Name;
  std::vector<TIniLine> Lines;
};

struct TIniData {
  std::vector<std::string> Preamble;  // lines before the first section
  std::vector<TIniSection> Sections;
  std::string LineBreak = "\n";

  TIniSection* Find(const std::string& Section) {
    for (auto& s : Sections)
      if (SameAscii(s.Name, TrimBlanks(Section))) return &s;
    return nullptr;
  }

  TIniLine* FindValue(const std::string& Section, const std::string& Ident) {
    TIniSection* s = Find(Section);
    if (!s) return nullptr;
    std::string id = TrimBlanks(Ident);
    for (auto& l : s->Lines)
      if (l.IsValue && SameAscii(l.Name, id)) return &l;
    return nullptr;
  }

  void Clear() {
    Preamble.clear();
    Sections.clear();
  }

  void Parse(const std::string& text) {
    Clear();
    LineBreak = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    TIniSection* cur = nullptr;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pos = end + 1;
      std::string t = TrimBlanks(line);
      if (!t.empty() && t[0] == '[' && t.find(']') != std::string::npos) {
        std::string name = TrimBlanks(t.substr(1, t.find(']') - 1));
        cur = Find(name);
        if (!cur) {
          Sections.push_back(TIniSection{name, {}});
          cur = &Sections.back();
        }
        continue;
      }
      TIniLine l;
      l.Raw = line;
      size_t eq = t.find('=');
      if (!t.empty() && t[0] != ';' && t[0] != '#' && eq != std::string::npos && eq > 0) {
        l.Name = TrimBlanks(t.substr(0, eq));
        l.Value = TrimBlanks(t.substr(eq + 1));
        l.IsValue = !l.Name.empty();
      }
      if (cur)
        cur->Lines.push_back(std::move(l));
      else
        Preamble.push_back(line);
    }
  }

  std::string Text() const {
    std::string out;
    for (const auto& p : Preamble) out += p + LineBreak;
    for (const auto& s : Sections) {
      out += "[" + s.Name + "]" + LineBreak;
      for (const auto& l : s.Lines) out += (l.IsValue ? l.Name + "=" + l.Value : l.Raw) + LineBreak;
    }
    return out;
  }

  void Write(const std::string& Section, const std::string& Ident, const std::string& Value) {
    CheckName(Section, Ident);
    CheckValue(Value);
    if (TIniLine* l = FindValue(Section, Ident)) {
      l->Value = TrimBlanks(Value);
      return;
    }
    TIniSection* s = Find(Section);
    if (!s) {
      // A blank line separates a new section from the one before it.
      if (!Sections.empty() && (Sections.back().Lines.empty() ||
                                !TrimBlanks(Sections.back().Lines.back().Raw).empty() ||
                                Sections.back().Lines.back().IsValue))
        Sections.back().Lines.push_back(TIniLine{});
      Sections.push_back(TIniSection{TrimBlanks(Section), {}});
      s = &Sections.back();
    }
    TIniLine l;
    l.IsValue = true;
    l.Name = TrimBlanks(Ident);
    l.Value = TrimBlanks(Value);
    // New values go after the section's last value; in a section without values, after its
    // leading comment lines and before its trailing blank lines.
    size_t at = 0;
    for (size_t i = 0; i < s->Lines.size(); ++i)
      if (s->Lines[i].IsValue) at = i + 1;
    if (at == 0)
      while (at < s->Lines.size() && !TrimBlanks(s->Lines[at].Raw).empty()) ++at;
    s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(l));
  }

  void Erase(const std::string& Section) {
    for (size_t i = 0; i < Sections.size(); ++i)
      if (SameAscii(Sections[i].Name, TrimBlanks(Section))) {
        Sections.erase(Sections.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
  }

  void Delete(const std::string& Section, const std::string& Ident) {
    TIniSection* s = Find(Section);
    if (!s) return;
    std::string id = TrimBlanks(Ident);
    for (auto it = s->Lines.begin(); it != s->Lines.end(); ++it)
      if (it->IsValue && SameAscii(it->Name, id)) {
        s->Lines.erase(it);
        return;
      }
  }

  void Names(const std::string& Section, TStrings* Strings, bool WithValues) {
    Strings->BeginUpdate();
    Strings->Clear();
    if (TIniSection* s = Find(Section)) {
      std::vector<std::string> seen;
      for (const auto& l : s->Lines) {
        if (!l.IsValue) continue;
        bool dup = false;
        for (const auto& n : seen) dup = dup || SameAscii(n, l.Name);
        if (dup) continue;  // only the first occurrence counts
        seen.push_back(l.Name);
        Strings->Add(WithValues ? l.Name + "=" + l.Value : l.Name);
      }
    }
    Strings->EndUpdate();
  }

  void SectionNames(TStrings* Strings) {
    Strings->BeginUpdate();
    Strings->Clear();
    for (const auto& s : Sections) Strings->Add(s.Name);
    Strings->EndUpdate();
  }

  // Reads FileName; a missing file is empty. EIniFileException when it cannot be read.
  void Load(const std::string& FileName) {
    Clear();
    LineBreak = "\n";
    struct stat st;
    if (::stat(FileName.c_str(), &st) != 0 && errno == ENOENT) return;
    std::ifstream in(FileName, std::ios::binary);
    if (!in || S_ISDIR(st.st_mode)) throw EIniFileException("Unable to read " + FileName);
    std::ostringstream buf;
    buf << in.rdbuf();
    Parse(buf.str());
  }

  void Save(const std::string& FileName) const {
    if (!ReplaceFileContent(FileName, Text()))
      throw EIniFileException("Unable to write to " + FileName);
  }
};

// ---- TCustomIniFile ----

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                int Default) {
  int v;
  return ParseInt(ReadString(Section, Ident, ""), v) ? v : Default;
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident,
                                  int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident,
                              bool Default) {
  std::string s = TrimBlanks(ReadString(Section, Ident, ""));
  int v;
  if (ParseInt(s, v)) return v != 0;
  if (SameAscii(s, "True")) return true;
  if (SameAscii(s, "False")) return false;
  return Default;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident,
                                 double Default) {
  Extended v;
  std::string s = ReadString(Section, Ident, "");
  return !s.empty() && TryStrToFloat(s, v) ? static_cast<double>(v) : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident,
                                double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

namespace {
template <class F> TDateTime ReadDateText(const std::string& s, TDateTime Default, F parse) {
  if (s.empty()) return Default;
  try {
    return parse(s);
  } catch (const EConvertError&) {
    return Default;
  }
}
}  // namespace

TDateTime TCustomIniFile::ReadDate(const std::string& Section, const std::string& Ident,
                                   TDateTime Default) {
  return ReadDateText(ReadString(Section, Ident, ""), Default,
                      [](const std::string& s) { return StrToDate(s); });
}

void TCustomIniFile::WriteDate(const std::string& Section, const std::string& Ident,
                               TDateTime Value) {
  WriteString(Section, Ident, DateToStr(Value));
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& Section, const std::string& Ident,
                                       TDateTime Default) {
  return ReadDateText(ReadString(Section, Ident, ""), Default,
                      [](const std::string& s) { return StrToDateTime(s); });
}

void TCustomIniFile::WriteDateTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

TDateTime TCustomIniFile::ReadTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Default) {
  return ReadDateText(ReadString(Section, Ident, ""), Default,
                      [](const std::string& s) { return StrToTime(s); });
}

void TCustomIniFile::WriteTime(const std::string& Section, const std::string& Ident,
                               TDateTime Value) {
  WriteString(Section, Ident, TimeToStr(Value));
}

int TCustomIniFile::ReadBinaryStream(const std::string& Section, const std::string& Name,
                                     TStream* Value) {
  std::string text = ReadString(Section, Name, "");
  if (text.size() % 2 != 0) throw EIniFileException("Invalid binary value of " + Name);
  std::vector<uint8_t> bytes(text.size() / 2);
  auto hex = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw EIniFileException("Invalid binary value of " + Name);
  };
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(hex(text[2 * i]) * 16 + hex(text[2 * i + 1]));
  Value->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return static_cast<int>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const std::string& Section, const std::string& Name,
                                       TStream* Value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  Value->SetPosition(0);
  uint8_t buf[4096];
  for (int64_t n; (n = Value->Read(buf, sizeof buf)) > 0;)
    for (int64_t i = 0; i < n; ++i) {
      text += digits[buf[i] >> 4];
      text += digits[buf[i] & 15];
    }
  WriteString(Section, Name, text);
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
  TStringList list;
  ReadSection(Section, &list);
  return list.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  TStringList list;
  ReadSection(Section, &list);
  return list.IndexOf(TrimBlanks(Ident)) >= 0;
}

// ---- TMemIniFile ----

TMemIniFile::TMemIniFile(const std::string& AFileName)
    : TCustomIniFile(AFileName), FData(std::make_unique<TIniData>()) {
  if (!FFileName.empty()) FData->Load(FFileName);
}

TMemIniFile::~TMemIniFile() = default;

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  TIniLine* l = FData->FindValue(Section, Ident);
  return l ? l->Value : Default;
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  FData->Write(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  FData->Names(Section, Strings, false);
}

void TMemIniFile::ReadSections(TStrings* Strings) { FData->SectionNames(Strings); }

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  FData->Names(Section, Strings, true);
}

void TMemIniFile::EraseSection(const std::string& Section) { FData->Erase(Section); }

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  FData->Delete(Section, Ident);
}

bool TMemIniFile::SectionExists(const std::string& Section) {
  return FData->Find(Section) != nullptr;
}

bool TMemIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  return FData->FindValue(Section, Ident) != nullptr;
}

void TMemIniFile::UpdateFile() { FData->Save(FFileName); }

void TMemIniFile::Clear() { FData->Clear(); }

void TMemIniFile::GetStrings(TStrings* List) {
  std::string text = FData->Text();
  // Lines without the line breaks the text carries.
  List->BeginUpdate();
  List->Clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    List->Add(line);
    pos = end + 1;
  }
  List->EndUpdate();
}

void TMemIniFile::SetStrings(TStrings* List) {
  std::string text;
  for (int i = 0; i < List->Count(); ++i) text += List->Get(i) + "\n";
  std::string lb = FData->LineBreak;
  FData->Parse(text);
  FData->LineBreak = lb;
}

void TMemIniFile::Rename(const std::string& AFileName, bool Reload) {
  FFileName = AFileName;
  if (Reload) FData->Load(FFileName);
}

// ---- TIniFile ----

TIniFile::TIniFile(const std::string& AFileName)
    : TCustomIniFile(AFileName), FData(std::make_unique<TIniData>()) {}

TIniFile::~TIniFile() = default;

TIniData& TIniFile::Fresh() {
  FData->Load(FFileName);
  return *FData;
}

void TIniFile::Store(const TIniData& Data) { Data.Save(FFileName); }

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
  TIniLine* l = Fresh().FindValue(Section, Ident);
  return l ? l->Value : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
  TIniData& d = Fresh();
  d.Write(Section, Ident, Value);
  Store(d);
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  Fresh().Names(Section, Strings, false);
}

void TIniFile::ReadSections(TStrings* Strings) { Fresh().SectionNames(Strings); }

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  Fresh().Names(Section, Strings, true);
}

void TIniFile::EraseSection(const std::string& Section) {
  TIniData& d = Fresh();
  if (!d.Find(Section)) return;
  d.Erase(Section);
  Store(d);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  TIniData& d = Fresh();
  if (!d.FindValue(Section, Ident)) return;
  d.Delete(Section, Ident);
  Store(d);
}

bool TIniFile::SectionExists(const std::string& Section) { return Fresh().Find(Section) != nullptr; }

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  return Fresh().FindValue(Section, Ident) != nullptr;
}
