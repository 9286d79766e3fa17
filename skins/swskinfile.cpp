// Skin archive extraction and the skin record reader (see swskinfile.h).
#include "skins/swskinfile.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/rtl/automation.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

const char* const KeyNames[SkinKeyCount] = {
    // colours
    "SKIN2_TRANSCOLOR", "SKIN2_TITLEFONTCOLOR", "SKIN2_FORMCOLOR", "SKIN2_MENUBARSTARTCOLOR",
    "SKIN2_MENUBARENDCOLOR", "SKIN2_TOPSELECTEDMENUCOLOR", "SKIN2_TOPSELECTEDMENUBORDERCOLOR",
    "SKIN2_TOPSELECTEDMENUFONTCOLOR", "SKIN2_TOPMENUFONTCOLOR", "SKIN2_LEFTBARSTARTCOLOR",
    "SKIN2_LEFTBARENDCOLOR", "SKIN2_MENUITEMCOLOR", "SKIN2_MENUITEMFONTCOLOR",
    "SKIN2_SELECTEDMENUCOLOR", "SKIN2_SELECTEDMENUBORDERCOLOR", "SKIN2_SELECTEDMENUFONTCOLOR",
    "SKIN2_TOOLBARSTARTCOLOR", "SKIN2_TOOLBARENDCOLOR", "SKIN2_TOOLBARONCOLOR",
    "SKIN2_TOOLBARBORDERCOLOR", "SKIN2_TOOLBARDOWNCOLOR", "SKIN2_CONTROLCOLOR",
    "SKIN2_CONTROLBORDERCOLOR", "SKIN2_CONTROLFONTCOLOR", "SKIN2_BUTTONFONTCOLOR",
    "SKIN2_SCROLLBARCOLOR", "SKIN2_TABCONTROLCOLOR", "SKIN2_TABCONTROLBORDERCOLOR",
    "SKIN2_TABCONTROLACTIVEFONTCOLOR", "SKIN2_TABCONTROLINACTIVEFONTCOLOR",
    "SKIN2_SIDECHANNELCOLOR", "SKIN2_SIDECHANNELBORDERCOLOR",
    // bitmaps
    "SKIN2_TITLEBAR1", "SKIN2_TITLEBAR2", "SKIN2_TITLEBAR3", "SKIN2_TITLEBAR4", "SKIN2_TITLEBAR5",
    "SKIN2_FORMLEFTBORDER", "SKIN2_FORMRIGHTBORDER", "SKIN2_FORMBOTTOMBORDER1",
    "SKIN2_FORMBOTTOMBORDER2", "SKIN2_FORMBOTTOMBORDER3", "SKIN2_MINIMIZEDTITLE",
    "SKIN2_TITLEBUTTONS", "SKIN2_CHECKEDMENUICON", "SKIN2_MENUBAR", "SKIN2_TOOLBAR",
    "SKIN2_BUTTON", "SKIN2_CHECKBOX", "SKIN2_CHECKBOXLIST", "SKIN2_RADIOBUTTON",
    "SKIN2_PROGRESSBAR1", "SKIN2_PROGRESSBAR2", "SKIN2_PROGRESSBAR3", "SKIN2_PROGRESSBAR4",
    "SKIN2_TRACKBAR", "SKIN2_TRACKBARSLIDER", "SKIN2_TRACKBARVSLIDER", "SKIN2_SCROLLBARUPBUTTON",
    "SKIN2_SCROLLBAR", "SKIN2_SCROLLBARDOWNBUTTON", "SKIN2_TABCONTROL", "SKIN2_TABCONTROLLINE",
    "SKIN2_SIDECHANNELBAR", "SKIN2_SIDECHANNELTITLE", "SKIN2_SCROLLBUTTON",
    // metrics
    "SKIN2_TITLEBARICONPOSX", "SKIN2_TITLEBARICONPOSY", "SKIN2_TITLEBARCAPTIONTOP",
    "SKIN2_TITLEBARBUTTONPOSX", "SKIN2_TITLEBARBUTTONPOSY", "SKIN2_TITLEBARREGIONMINY",
    "SKIN2_TITLEBARREGIONMAXY", "SKIN2_BOTTOMREGIONMINY", "SKIN2_BOTTOMREGIONMAXY",
    // flags
    "SKIN2_TITLEFIVESECT", "SKIN2_BOTTOMBORDERTHREESECT", "SKIN2_TITLEBARNEEDREGION",
    "SKIN2_BOTTOMBORDERNEEDREGION", "SKIN2_TITLEBTNTRANS", "SKIN2_BUTTONTRANS",
    "SKIN2_CHECKBOXTRANS", "SKIN2_RADIOBUTTONTRANS", "SKIN2_TABCONTROLTRANS"};

// Archives and record files are small (the program's skins are about 16 KB); anything far
// larger is refused instead of being read into memory.
constexpr uint64_t MaxArchiveSize = 64u << 20;
constexpr uint32_t MaxEntrySize = 64u << 20;
// Entry names are held in 260 bytes with their terminator.
constexpr uint32_t MaxEntryName = 259;
constexpr uint32_t RecordSize = 77;
constexpr uint32_t MaxHeaderSize = 24;
// A skin bitmap above this many pixels is taken as damage.
constexpr int64_t MaxBitmapPixels = int64_t(1) << 24;

uint16_t U16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
uint32_t SkinFileU32(const uint8_t* P) {
  return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}

std::string SkinFileUpper(std::string S) {
  for (char& c : S) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return S;
}

bool SameName(const std::string& A, const std::string& B) { return SkinFileUpper(A) == SkinFileUpper(B); }

bool ReadWholeFile(const std::string& Name, std::vector<uint8_t>& Data, uint64_t Limit) {
  std::ifstream f(Name, std::ios::binary | std::ios::ate);
  if (!f) return false;
  std::streamoff size = f.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > Limit) return false;
  Data.resize(static_cast<size_t>(size));
  f.seekg(0);
  if (size > 0 && !f.read(reinterpret_cast<char*>(Data.data()), size)) return false;
  return true;
}

void ZipTraditionalDecrypt(TswArchiveKeys& Keys, uint8_t* Data, size_t Count) {
  for (size_t i = 0; i < Count; ++i) Data[i] = Keys.Decrypt(Data[i]);
}

// Inflates a raw deflate stream. True when the final block was reached; Out is limited to
// Limit + 1 bytes so that an oversized result shows without growing without bound.
bool InflateRaw(const uint8_t* In, size_t InSize, std::vector<uint8_t>& Out, size_t Limit) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(In);
  z.avail_in = static_cast<uInt>(InSize);
  uint8_t buf[32768];
  bool done = false;
  for (;;) {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    int rc = inflate(&z, Z_NO_FLUSH);
    size_t got = sizeof buf - z.avail_out;
    Out.insert(Out.end(), buf, buf + std::min(got, Limit + 1 - std::min(Out.size(), Limit + 1)));
    if (rc == Z_STREAM_END) {
      done = true;
      break;
    }
    if (rc != Z_OK || Out.size() > Limit) break;
    if (got == 0 && z.avail_in == 0) break;  // input ended before the final block
  }
  inflateEnd(&z);
  return done;
}

}  // namespace

const char* SkinKeyName(int Index) {
  return Index >= 0 && Index < SkinKeyCount ? KeyNames[Index] : "";
}

uint8_t SkinArchiveExtract(const std::string& ArchiveFile, const std::string& EntryName,
                           const std::string& OutputFile, const std::string& Password) {
  std::vector<uint8_t> a;
  if (!FileExists(ArchiveFile) || !ReadWholeFile(ArchiveFile, a, MaxArchiveSize))
    return SkinExtractFailed;
  if (a.size() < 4 || U16(a.data()) != 0x4B53) return SkinExtractFailed;
  if (a.size() < 22) return SkinExtractFailed;
  const size_t endPos = a.size() - 22;
  const uint8_t* e = a.data() + endPos;
  if (!(e[0] == 'P' && e[1] == 'K' && e[2] == 5 && e[3] == 6) || U16(e + 20) != 0)
    return SkinExtractFailed;
  size_t pos = SkinFileU32(e + 16);
  // Central records, each read directly behind the previous record's name.
  const uint8_t* found = nullptr;
  while (pos < endPos) {
    if (endPos - pos < 46) return SkinExtractFailed;
    const uint8_t* c = a.data() + pos;
    uint32_t nameLen = U16(c + 28);
    if (nameLen > MaxEntryName || endPos - pos - 46 < nameLen) return SkinExtractFailed;
    std::string name(reinterpret_cast<const char*>(c + 46), nameLen);
    if (SameName(name, EntryName)) {
      found = c;
      break;
    }
    pos += 46 + nameLen;
  }
  if (!found) return SkinExtractFailed;
  const uint16_t flags = U16(found + 8);
  const uint16_t modTime = U16(found + 12);
  const uint32_t crc = SkinFileU32(found + 16);
  const uint32_t plainSize = SkinFileU32(found + 24);
  const size_t local = SkinFileU32(found + 42);

  uint8_t result = SkinExtractFailed;
  const bool encrypted = (flags & 1) != 0;
  std::vector<uint8_t> out;
  if (local <= a.size() && a.size() - local >= 30) {
    size_t data = local + 30 + U16(a.data() + local + 26) + U16(a.data() + local + 28);
    if (data <= a.size()) {
      if (encrypted) {
        if (Password.empty()) {
          result = SkinExtractWrongPassword;
        } else if (a.size() - data >= 12) {
          TswArchiveKeys keys(Password);
          std::vector<uint8_t> rest(a.begin() + static_cast<std::ptrdiff_t>(data), a.end());
          ZipTraditionalDecrypt(keys, rest.data(), 12);
          uint32_t check = (flags & 8) ? uint32_t(modTime) << 16 : crc;
          if (rest[11] != static_cast<uint8_t>(check >> 24)) {
            result = SkinExtractWrongPassword;
          } else {
            ZipTraditionalDecrypt(keys, rest.data() + 12, rest.size() - 12);
            bool ok = plainSize <= MaxEntrySize &&
                      InflateRaw(rest.data() + 12, rest.size() - 12, out, plainSize);
            // A wrong password that passes the check byte decrypts to garbage: it either does
            // not inflate or inflates to another size.
            result = ok && !out.empty() && out.size() == plainSize ? SkinExtractOk
                                                                    : SkinExtractWrongPassword;
          }
        } else {
          result = SkinExtractFailed;
        }
      } else {
        // An entry that is not encrypted and does not inflate to its recorded size is damaged,
        // never a question of the password.
        bool ok = plainSize <= MaxEntrySize &&
                  InflateRaw(a.data() + data, a.size() - data, out, plainSize);
        result = ok && !out.empty() && out.size() == plainSize ? SkinExtractOk : SkinExtractFailed;
      }
    }
  }
  if (result == SkinExtractOk) {
    std::ofstream f(OutputFile, std::ios::binary | std::ios::trunc);
    if (!f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size())) ||
        !f.flush())
      result = SkinExtractFailed;
  }
  if (result != SkinExtractOk && FileExists(OutputFile)) DeleteFile(OutputFile);
  return result;
}

Tsk2SkinFileReader::Tsk2SkinFileReader(const std::string& ArchiveFile, const std::string& Password) {
  TGUID guid{};
  CreateGUID(guid);
  const std::string temp = GetTempPath() + GUIDToString(guid);
  uint8_t rc = SkinArchiveExtract(ArchiveFile, "SKINDATA.SK2", temp, Password);
  if (rc == SkinExtractWrongPassword) throw Exception("Wrong password!");
  if (rc != SkinExtractOk) throw Exception("Failed to read skin file!");
  std::vector<uint8_t> data;
  bool read = ReadWholeFile(temp, data, MaxEntrySize);
  DeleteFile(temp);
  if (!read) throw Exception("Failed to read skin file!");
  SkinRecordsLoad(data);
}

Tsk2SkinFileReader::~Tsk2SkinFileReader() = default;

void Tsk2SkinFileReader::SkinRecordsLoad(const std::vector<uint8_t>& Data) {
  auto fail = []() { throw Exception("Failed to read skin file!"); };
  if (Data.size() < 16) fail();
  const uint32_t headerSize = SkinFileU32(Data.data() + 12);
  // The reader holds a 24-byte header: a larger header size is damage.
  if (headerSize > MaxHeaderSize || headerSize > Data.size()) fail();
  uint8_t header[MaxHeaderSize] = {};
  std::copy_n(Data.begin(), headerSize, header);
  uint32_t recordPos = SkinFileU32(header + 20);
  std::set<uint32_t> visited;
  const uint64_t size = Data.size();
  for (;;) {
    if (uint64_t(recordPos) + RecordSize > size) fail();
    // A chain that comes back to a record already read would never end.
    if (!visited.insert(recordPos).second) fail();
    const uint8_t* r = Data.data() + recordPos;
    const uint32_t next = SkinFileU32(r + 73);
    if (next == 0) break;
    const char* rawName = reinterpret_cast<const char*>(r);
    std::string name(rawName, std::find(rawName, rawName + 64, '\0'));
    const uint8_t type = r[64];
    const uint32_t dataPos = SkinFileU32(r + 65);
    const uint32_t dataSize = SkinFileU32(r + 69);
    const uint8_t* d = Data.data() + std::min<uint64_t>(dataPos, size);
    switch (type) {
      case 0: {
        if (uint64_t(dataPos) + dataSize > size || dataSize < 26) fail();
        // Checked before the bitmap class reserves its pixels.
        int64_t w = static_cast<int32_t>(SkinFileU32(d + 18)), h = static_cast<int32_t>(SkinFileU32(d + 22));
        if (d[0] != 'B' || d[1] != 'M' || w <= 0 || h == 0 || w * std::llabs(h) > MaxBitmapPixels)
          fail();
        auto bmp = std::make_unique<TBitmap>();
        TMemoryStream ms;
        ms.Write(d, dataSize);
        ms.SetPosition(0);
        try {
          bmp->LoadFromStream(&ms);
        } catch (const Exception&) {
          fail();
        }
        FBitmaps.emplace_back(name, std::move(bmp));
        break;
      }
      case 1: {
        if (dataSize > 4 || uint64_t(dataPos) + dataSize > size) fail();
        uint8_t v[4] = {};
        std::copy_n(d, dataSize, v);
        FIntegers.push_back(name + "=" + std::to_string(static_cast<int32_t>(SkinFileU32(v))));
        break;
      }
      case 2:
        if (dataSize > 1 || uint64_t(dataPos) + 1 > size) fail();
        FBytes.push_back(name + "=" + std::to_string(d[0]));
        break;
      case 3:
        if (uint64_t(dataPos) + dataSize > size) fail();
        FStrings.push_back(name + "=" + std::string(reinterpret_cast<const char*>(d), dataSize));
        break;
      default:
        break;
    }
    recordPos = next;
  }
}

namespace {

// The value text of the first line whose name matches, or nullptr.
const std::string* FindValue(const std::vector<std::string>& Lines, const std::string& Name,
                             std::string& Value) {
  for (const std::string& l : Lines) {
    if (l.size() > Name.size() && l[Name.size()] == '=' && SameName(l.substr(0, Name.size()), Name)) {
      Value = l.substr(Name.size() + 1);
      return &l;
    }
  }
  return nullptr;
}

bool ToInt(const std::string& S, long long& V) {
  if (S.empty()) return false;
  char* end = nullptr;
  V = std::strtoll(S.c_str(), &end, 10);
  return *end == '\0';
}

}  // namespace

TBitmap* Tsk2SkinFileReader::GetBitmap(const std::string& Name) const {
  for (const auto& [n, b] : FBitmaps)
    if (SameName(n, Name)) return b.get();
  return nullptr;
}

int Tsk2SkinFileReader::GetInteger(const std::string& Name) const {
  std::string v;
  long long n = 0;
  if (!FindValue(FIntegers, Name, v) || !ToInt(v, n)) return -1;
  return static_cast<int>(n);
}

uint8_t Tsk2SkinFileReader::GetByte(const std::string& Name) const {
  std::string v;
  long long n = 0;
  if (!FindValue(FBytes, Name, v) || !ToInt(v, n)) return 0;
  return static_cast<uint8_t>(n & 0xFF);
}

void Tsk2SkinFileReader::SetTransparentColor(TColor Color) {
  for (auto& [n, b] : FBitmaps) {
    b->SetTransparentMode(tmFixed);
    b->SetTransparentColor(Color);
  }
}

TswArchiveKeys::TswArchiveKeys(const std::string& Password) {
  for (char c : Password) Update(static_cast<uint8_t>(c));
}

void TswArchiveKeys::Update(uint8_t Plain) {
  // zlib's crc32 works on the complemented register; the key update is the raw table step.
  K0 = static_cast<uint32_t>(crc32(K0 ^ 0xFFFFFFFFu, &Plain, 1)) ^ 0xFFFFFFFFu;
  K1 = (K1 + (K0 & 0xFF)) * 134775813u + 1;
  uint8_t b = static_cast<uint8_t>(K1 >> 24);
  K2 = static_cast<uint32_t>(crc32(K2 ^ 0xFFFFFFFFu, &b, 1)) ^ 0xFFFFFFFFu;
}

uint8_t TswArchiveKeys::Stream() const {
  const uint32_t t = (K2 & 0xFFFFu) | 2u;
  return static_cast<uint8_t>((t * (t ^ 1u)) >> 8);
}

uint8_t TswArchiveKeys::Encrypt(uint8_t Plain) {
  const uint8_t c = static_cast<uint8_t>(Plain ^ Stream());
  Update(Plain);
  return c;
}

uint8_t TswArchiveKeys::Decrypt(uint8_t Cipher) {
  const uint8_t p = static_cast<uint8_t>(Cipher ^ Stream());
  Update(p);
  return p;
}
