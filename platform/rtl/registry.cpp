// The registry stand-in over one text file, and its INI-shaped view.
#include "platform/rtl/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TRegistry, TObject)
ORV_CLASS_IMPL(TRegistryIniFile, TCustomIniFile)

namespace {

bool SameAscii(const std::string& a, const std::string& b) { return SameText(a, b); }

// True when Path lies below Parent ("Parent\...").
bool IsBelow(const std::string& Path, const std::string& Parent) {
  return Path.size() > Parent.size() + 1 && Path[Parent.size()] == '\\' &&
         SameAscii(Path.substr(0, Parent.size()), Parent);
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

// Reads a quoted text at s[i] (at the opening quote); i ends after the closing quote.
bool Unquote(const std::string& s, size_t& i, std::string& out) {
  if (i >= s.size() || s[i] != '"') return false;
  out.clear();
  for (++i; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (c == '\\' && i + 1 < s.size()) {
      char e = s[++i];
      out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    } else {
      out += c;
    }
  }
  return false;
}

struct RegValue {
  std::string Name;
  TRegDataType Type = rdUnknown;
  std::string Data;  // bytes: text for strings, 4 little-endian bytes for integers
};

struct RegKey {
  std::string Path;  // "HKEY_CURRENT_USER\Software\..."
  std::vector<RegValue> Values;
};

// The whole store as read from the file.
struct RegStore {
  std::vector<RegKey> Keys;

  static std::string FileName() { return RegistryStoreFolder() + "/registry.ini"; }

  RegKey* Find(const std::string& Path) {
    for (auto& k : Keys)
      if (SameAscii(k.Path, Path)) return &k;
    return nullptr;
  }

  // A root key always exists; other keys when they have a section or a descendant has one.
  bool Exists(const std::string& Path) {
    if (Path.find('\\') == std::string::npos) return true;
    for (auto& k : Keys)
      if (SameAscii(k.Path, Path) || IsBelow(k.Path, Path)) return true;
    return false;
  }

  RegKey& Make(const std::string& Path) {
    // Parents first, so that every key of the path is listed.
    size_t p = Path.find('\\');
    while ((p = Path.find('\\', p + 1)) != std::string::npos)
      if (!Find(Path.substr(0, p))) Keys.push_back(RegKey{Path.substr(0, p), {}});
    if (RegKey* k = Find(Path)) return *k;
    Keys.push_back(RegKey{Path, {}});
    return Keys.back();
  }

  RegValue* FindValue(const std::string& Path, const std::string& Name) {
    RegKey* k = Find(Path);
    if (!k) return nullptr;
    for (auto& v : k->Values)
      if (SameAscii(v.Name, Name)) return &v;
    return nullptr;
  }

  void Load() {
    Keys.clear();
    std::ifstream in(FileName(), std::ios::binary);
    if (!in) return;
    std::string line;
    RegKey* cur = nullptr;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[' && line.back() == ']') {
        cur = &Make(line.substr(1, line.size() - 2));
        continue;
      }
      if (!cur) continue;
      RegValue v;
      size_t i = 0;
      if (line[0] == '@') {
        i = 1;
      } else if (!Unquote(line, i, v.Name)) {
        continue;  // a damaged line is skipped; the rest of the store stays readable
      }
      if (i >= line.size() || line[i] != '=') continue;
      size_t colon = line.find(':', i + 1);
      if (colon == std::string::npos) continue;
      std::string type = line.substr(i + 1, colon - i - 1);
      size_t j = colon + 1;
      if (type == "sz" || type == "expand") {
        if (!Unquote(line, j, v.Data)) continue;
        v.Type = type == "sz" ? rdString : rdExpandString;
      } else if (type == "dword") {
        char* end = nullptr;
        long n = std::strtol(line.c_str() + j, &end, 10);
        auto u = static_cast<uint32_t>(n);
        v.Data = std::string{static_cast<char>(u), static_cast<char>(u >> 8),
                             static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
        v.Type = rdInteger;
      } else if (type == "hex") {
        std::string hex = line.substr(j);
        if (hex.size() % 2) continue;
        for (size_t k = 0; k < hex.size(); k += 2)
          v.Data += static_cast<char>(std::strtol(hex.substr(k, 2).c_str(), nullptr, 16));
        v.Type = rdBinary;
      } else {
        continue;
      }
      if (RegValue* old = FindValue(cur->Path, v.Name))
        *old = std::move(v);  // a name given twice keeps its last value
      else
        cur->Values.push_back(std::move(v));
    }
  }

  bool Save() const {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "; Settings of Orvanta programs, kept like a registry.\n";
    for (const auto& k : Keys) {
      out += "\n[" + k.Path + "]\n";
      for (const auto& v : k.Values) {
        out += v.Name.empty() ? std::string("@") : Quote(v.Name);
        switch (v.Type) {
          case rdString: out += "=sz:" + Quote(v.Data); break;
          case rdExpandString: out += "=expand:" + Quote(v.Data); break;
          case rdInteger: {
            uint32_t u = 0;
            for (size_t b = 0; b < 4 && b < v.Data.size(); ++b)
              u |= static_cast<uint32_t>(static_cast<uint8_t>(v.Data[b])) << (8 * b);
            out += "=dword:" + std::to_string(static_cast<int32_t>(u));
            break;
          }
          default:
            out += "=hex:";
            for (char c : v.Data) {
              out += digits[static_cast<uint8_t>(c) >> 4];
              out += digits[static_cast<uint8_t>(c) & 15];
            }
        }
        out += "\n";
      }
    }
    return ForceDirectories(RegistryStoreFolder()) && ReplaceFileContent(FileName(), out);
  }
};

// Holds the store's advisory lock for one operation: shared to read, exclusive to change.
class StoreLock {
public:
  explicit StoreLock(bool Exclusive) {
    std::string folder = RegistryStoreFolder();
    if (Exclusive) ForceDirectories(folder);
    FFd = ::open((folder + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (FFd >= 0)
      while (::flock(FFd, Exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
      }
  }
  ~StoreLock() {
    if (FFd >= 0) ::close(FFd);
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

private:
  int FFd = -1;
};

std::string Quoted(const std::string& Name) { return "'" + Name + "'"; }

}  // namespace

std::string RegistryStoreFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;  // relative values are ignored, as the XDG rules ask
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      struct passwd* pw = ::getpwuid(::getuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.config";
  }
  return ExcludeTrailingPathDelimiter(base) + "/orvanta";
}

// ---- TRegistry ----

std::string TRegistry::RootName() const {
  switch (FRootKey) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: return "HKEY_CURRENT_USER";
  }
}

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  FRootKey = Value;
}

std::string TRegistry::Resolve(const std::string& Key) const {
  std::string joined = (!Key.empty() && Key[0] == '\\') || !FOpen ? Key : FCurrentPath + "\\" + Key;
  std::string out;
  size_t i = 0;
  while (i <= joined.size()) {
    size_t j = joined.find('\\', i);
    if (j == std::string::npos) j = joined.size();
    if (j > i) out += (out.empty() ? "" : "\\") + joined.substr(i, j - i);
    i = j + 1;
  }
  return out;
}

namespace {
std::string Full(const std::string& Root, const std::string& Path) {
  return Path.empty() ? Root : Root + "\\" + Path;
}
bool ValidKey(const std::string& Path) { return Path.find_first_of("\r\n") == std::string::npos; }
}  // namespace

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  std::string path = Resolve(Key);
  if (!ValidKey(path)) return false;
  std::string full = Full(RootName(), path);
  {
    StoreLock lock(false);
    RegStore s;
    s.Load();
    if (!s.Exists(full) && !CanCreate) return false;
    if (s.Exists(full)) {
      CloseKey();
      FOpen = true;
      FReadOnly = false;
      FCurrentPath = path;
      return true;
    }
  }
  if (!CreateKey(path.empty() ? path : "\\" + path)) return false;
  CloseKey();
  FOpen = true;
  FReadOnly = false;
  FCurrentPath = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  if (!OpenKey(Key, false)) return false;
  FReadOnly = true;
  return true;
}

bool TRegistry::CreateKey(const std::string& Key) {
  std::string path = Resolve(Key);
  if (!ValidKey(path)) return false;
  StoreLock lock(true);
  RegStore s;
  s.Load();
  s.Make(Full(RootName(), path));
  return s.Save();
}

void TRegistry::CloseKey() {
  FOpen = false;
  FReadOnly = false;
  FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::string& Key) {
  StoreLock lock(false);
  RegStore s;
  s.Load();
  return s.Exists(Full(RootName(), Resolve(Key)));
}

bool TRegistry::DeleteKey(const std::string& Key) {
  std::string path = Resolve(Key);
  if (path.empty()) return false;  // a root key cannot go
  std::string full = Full(RootName(), path);
  StoreLock lock(true);
  RegStore s;
  s.Load();
  if (!s.Exists(full)) return false;
  std::vector<RegKey> kept;
  for (auto& k : s.Keys)
    if (!SameAscii(k.Path, full) && !IsBelow(k.Path, full)) kept.push_back(std::move(k));
  s.Keys = std::move(kept);
  if (FOpen && (SameAscii(FCurrentPath, path) || IsBelow(FCurrentPath, path))) CloseKey();
  return s.Save();
}

namespace {
// Direct subkey names of Full, in the order of the store, each once.
std::vector<std::string> SubKeys(RegStore& s, const std::string& Full) {
  std::vector<std::string> names;
  for (const auto& k : s.Keys) {
    if (!IsBelow(k.Path, Full)) continue;
    std::string rest = k.Path.substr(Full.size() + 1);
    std::string name = rest.substr(0, rest.find('\\'));
    bool dup = false;
    for (const auto& n : names) dup = dup || SameAscii(n, name);
    if (!dup) names.push_back(name);
  }
  return names;
}
}  // namespace

bool TRegistry::HasSubKeys() {
  StoreLock lock(false);
  RegStore s;
  s.Load();
  return !SubKeys(s, Full(RootName(), FCurrentPath)).empty();
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  StoreLock lock(false);
  RegStore s;
  s.Load();
  Strings->BeginUpdate();
  Strings->Clear();
  for (const auto& n : SubKeys(s, Full(RootName(), FCurrentPath))) Strings->Add(n);
  Strings->EndUpdate();
}

void TRegistry::GetValueNames(TStrings* Strings) {
  StoreLock lock(false);
  RegStore s;
  s.Load();
  Strings->BeginUpdate();
  Strings->Clear();
  if (FOpen)
    if (RegKey* k = s.Find(Full(RootName(), FCurrentPath)))
      for (const auto& v : k->Values) Strings->Add(v.Name);
  Strings->EndUpdate();
}

bool TRegistry::ValueExists(const std::string& Name) { return GetDataSize(Name) >= 0; }

bool TRegistry::DeleteValue(const std::string& Name) {
  if (!FOpen || FReadOnly) return false;
  StoreLock lock(true);
  RegStore s;
  s.Load();
  RegKey* k = s.Find(Full(RootName(), FCurrentPath));
  if (!k) return false;
  for (auto it = k->Values.begin(); it != k->Values.end(); ++it)
    if (SameAscii(it->Name, Name)) {
      k->Values.erase(it);
      return s.Save();
    }
  return false;
}

bool TRegistry::GetDataInfo(const std::string& Name, TRegDataInfo& Value) {
  Value = TRegDataInfo{};
  if (!FOpen) return false;
  StoreLock lock(false);
  RegStore s;
  s.Load();
  RegValue* v = s.FindValue(Full(RootName(), FCurrentPath), Name);
  if (!v) return false;
  Value.RegData = v->Type;
  // Strings count their terminating zero, as callers sizing buffers expect.
  bool text = v->Type == rdString || v->Type == rdExpandString;
  Value.DataSize = static_cast<int>(v->Data.size()) + (text ? 1 : 0);
  return true;
}

TRegDataType TRegistry::GetDataType(const std::string& Name) {
  TRegDataInfo info;
  return GetDataInfo(Name, info) ? info.RegData : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& Name) {
  TRegDataInfo info;
  return GetDataInfo(Name, info) ? info.DataSize : -1;
}

void TRegistry::RenameValue(const std::string& OldName, const std::string& NewName) {
  if (!FOpen || FReadOnly) return;
  StoreLock lock(true);
  RegStore s;
  s.Load();
  std::string full = Full(RootName(), FCurrentPath);
  RegValue* v = s.FindValue(full, OldName);
  if (!v || s.FindValue(full, NewName)) return;  // never overwrites another value
  v->Name = NewName;
  s.Save();
}

std::vector<uint8_t> TRegistry::GetValue(const std::string& Name, TRegDataType Want1,
                                         TRegDataType Want2) {
  if (!FOpen) throw ERegistryException("Failed to get data for " + Quoted(Name));
  StoreLock lock(false);
  RegStore s;
  s.Load();
  RegValue* v = s.FindValue(Full(RootName(), FCurrentPath), Name);
  if (!v) throw ERegistryException("Failed to get data for " + Quoted(Name));
  if (v->Type != Want1 && v->Type != Want2)
    throw ERegistryException("Invalid data type for " + Quoted(Name));
  return std::vector<uint8_t>(v->Data.begin(), v->Data.end());
}

void TRegistry::PutValue(const std::string& Name, TRegDataType Type, const std::string& Data) {
  if (!FOpen || FReadOnly) throw ERegistryException("Failed to set data for " + Quoted(Name));
  StoreLock lock(true);
  RegStore s;
  s.Load();
  RegKey& k = s.Make(Full(RootName(), FCurrentPath));
  RegValue* v = nullptr;
  for (auto& x : k.Values)
    if (SameAscii(x.Name, Name)) v = &x;
  if (!v) {
    k.Values.push_back(RegValue{Name, Type, Data});
  } else {
    v->Type = Type;
    v->Data = Data;
  }
  if (!s.Save()) throw ERegistryException("Failed to set data for " + Quoted(Name));
}

std::string TRegistry::ReadString(const std::string& Name) {
  if (!ValueExists(Name)) return std::string();
  auto d = GetValue(Name, rdString, rdExpandString);
  return std::string(d.begin(), d.end());
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  PutValue(Name, rdString, Value);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  PutValue(Name, rdExpandString, Value);
}

int TRegistry::ReadInteger(const std::string& Name) {
  auto d = GetValue(Name, rdInteger);
  uint32_t u = 0;
  for (size_t i = 0; i < 4 && i < d.size(); ++i) u |= static_cast<uint32_t>(d[i]) << (8 * i);
  return static_cast<int>(u);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  auto u = static_cast<uint32_t>(Value);
  PutValue(Name, rdInteger,
           std::string{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                       static_cast<char>(u >> 24)});
}

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

double TRegistry::ReadFloat(const std::string& Name) {
  auto d = GetValue(Name, rdBinary);
  if (d.size() != sizeof(double)) throw ERegistryException("Invalid data type for " + Quoted(Name));
  double v;
  std::memcpy(&v, d.data(), sizeof v);
  return v;
}

void TRegistry::WriteFloat(const std::string& Name, double Value) {
  WriteBinaryData(Name, &Value, sizeof Value);
}

TDateTime TRegistry::ReadDateTime(const std::string& Name) { return ReadFloat(Name); }

void TRegistry::WriteDateTime(const std::string& Name, TDateTime Value) { WriteFloat(Name, Value); }

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) {
  auto d = GetValue(Name, rdBinary);
  size_t n = std::min(d.size(), static_cast<size_t>(std::max(BufSize, 0)));
  if (n) std::memcpy(Buffer, d.data(), n);
  return static_cast<int>(d.size());
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  const auto* p = static_cast<const char*>(Buffer);
  PutValue(Name, rdBinary, std::string(p, p + std::max(BufSize, 0)));
}

// ---- TRegistryIniFile ----

TRegistryIniFile::TRegistryIniFile(const std::string& AFileName, HKEY Root)
    : TCustomIniFile(AFileName), FReg(std::make_unique<TRegistry>()) {
  FReg->SetRootKey(Root);
}

TRegistryIniFile::~TRegistryIniFile() = default;

bool TRegistryIniFile::OpenSection(const std::string& Section, bool Create) {
  std::string key = FFileName;
  if (key.empty() || key[0] != '\\') key = "\\" + key;
  if (!Section.empty()) key += "\\" + Section;
  return FReg->OpenKey(key, Create);
}

std::string TRegistryIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                         const std::string& Default) {
  if (!OpenSection(Section, false)) return Default;
  switch (FReg->GetDataType(Ident)) {
    case rdString:
    case rdExpandString: return FReg->ReadString(Ident);
    case rdInteger: return std::to_string(FReg->ReadInteger(Ident));
    default: return Default;
  }
}

void TRegistryIniFile::WriteString(const std::string& Section, const std::string& Ident,
                                   const std::string& Value) {
  if (!OpenSection(Section, true))
    throw ERegistryException("Failed to set data for " + Quoted(Ident));
  FReg->WriteString(Ident, Value);
}

int TRegistryIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                  int Default) {
  if (!OpenSection(Section, false)) return Default;
  if (FReg->GetDataType(Ident) == rdInteger) return FReg->ReadInteger(Ident);
  return TCustomIniFile::ReadInteger(Section, Ident, Default);  // a number written as text
}

void TRegistryIniFile::WriteInteger(const std::string& Section, const std::string& Ident,
                                    int Value) {
  if (!OpenSection(Section, true))
    throw ERegistryException("Failed to set data for " + Quoted(Ident));
  FReg->WriteInteger(Ident, Value);
}

void TRegistryIniFile::WriteBool(const std::string& Section, const std::string& Ident,
                                 bool Value) {
  WriteInteger(Section, Ident, Value ? 1 : 0);
}

void TRegistryIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  Strings->Clear();
  if (OpenSection(Section, false)) FReg->GetValueNames(Strings);
}

void TRegistryIniFile::ReadSections(TStrings* Strings) {
  Strings->Clear();
  if (OpenSection("", false)) FReg->GetKeyNames(Strings);
}

void TRegistryIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  TStringList names;
  ReadSection(Section, &names);
  Strings->BeginUpdate();
  Strings->Clear();
  for (int i = 0; i < names.Count(); ++i)
    Strings->Add(names[i] + "=" + ReadString(Section, names[i], ""));
  Strings->EndUpdate();
}

void TRegistryIniFile::EraseSection(const std::string& Section) {
  if (OpenSection("", false)) FReg->DeleteKey(Section);
}

void TRegistryIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (OpenSection(Section, false)) FReg->DeleteValue(Ident);
}

bool TRegistryIniFile::SectionExists(const std::string& Section) {
  return OpenSection(Section, false);
}

bool TRegistryIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  return OpenSection(Section, false) && FReg->ValueExists(Ident);
}
