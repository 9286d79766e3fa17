// The binary property filer: value records, the extended-float conversion, defined properties.
#include "platform/rtl/filer.h"

#include <cmath>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TFiler, TObject)
ORV_CLASS_IMPL(TReader, TFiler)
ORV_CLASS_IMPL(TWriter, TFiler)

// ---- extended floats ----

// 80-bit layout: 64-bit mantissa with an explicit integer bit, 15-bit exponent biased by 16383,
// sign in the top bit; little-endian. Every double is exactly representable.
void DoubleToExtended(double Value, uint8_t Out[10]) {
  uint64_t mant = 0;
  uint16_t se = std::signbit(Value) ? 0x8000 : 0;
  if (std::isnan(Value)) {
    se |= 0x7FFF;
    mant = 0xC000000000000000ull;
  } else if (std::isinf(Value)) {
    se |= 0x7FFF;
    mant = 0x8000000000000000ull;
  } else if (Value != 0) {
    int e = 0;
    double m = std::frexp(std::fabs(Value), &e);  // m in [0.5, 1), at most 53 significant bits
    mant = static_cast<uint64_t>(std::ldexp(m, 64));
    se |= static_cast<uint16_t>(e - 1 + 16383);
  }
  for (int i = 0; i < 8; ++i) Out[i] = static_cast<uint8_t>(mant >> (8 * i));
  Out[8] = static_cast<uint8_t>(se);
  Out[9] = static_cast<uint8_t>(se >> 8);
}

double ExtendedToDouble(const uint8_t In[10]) {
  uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= static_cast<uint64_t>(In[i]) << (8 * i);
  uint16_t se = static_cast<uint16_t>(In[8] | (In[9] << 8));
  bool neg = (se & 0x8000) != 0;
  int exp = se & 0x7FFF;
  double v;
  if (exp == 0x7FFF) {
    v = (mant << 1) == 0 ? INFINITY : NAN;
  } else {
    if (exp == 0) exp = 1;  // denormal extended: same scale as the smallest normal
    // Rounds to the nearest double once (the mantissa), then scales exactly.
    v = std::ldexp(static_cast<double>(mant), exp - 16383 - 63);
  }
  return neg ? -v : v;
}

namespace {

const char* kInvalidValue = "Invalid property value";

// Property names are identifiers: compared without regard to ASCII case.
bool SameName(const std::string& a, const std::string& b) { return SameText(a, b); }

void AppendUtf8(std::string& s, uint32_t cp) {
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-8 to UTF-16; a byte that does not start a valid sequence is taken as Latin-1 so that no
// text is lost.
std::u16string Utf8ToUtf16(const std::string& s) {
  std::u16string out;
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<uint8_t>(s[i]);
    uint32_t cp = b;
    size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    if (ok && len > 1) {
      cp = b & (0x7F >> len);
      for (size_t k = 1; k < len; ++k) {
        auto c = static_cast<uint8_t>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (c & 0x3F);
      }
      if (ok && (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))) ok = false;
    }
    if (!ok) {
      cp = b;
      len = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& w) {
  std::string out;
  for (size_t i = 0; i < w.size(); ++i) {
    uint32_t c = w[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // unpaired surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

// ---- TFiler ----

TFiler::TFiler(TStream* AStream, int) : FStream(AStream) {}

// ---- TReader ----

TReader::TReader(TStream* AStream, int BufSize) : TFiler(AStream, BufSize) {}

int64_t TReader::Position() const { return FStream->Position(); }
void TReader::SetPosition(int64_t Value) { FStream->SetPosition(Value); }

void TReader::Read(void* Buffer, int64_t Count) { FStream->ReadBuffer(Buffer, Count); }

TValueType TReader::ReadValue() {
  uint8_t b = 0;
  Read(&b, 1);
  if (b > vaUTF8String) throw EReadError(kInvalidValue);
  return static_cast<TValueType>(b);
}

bool TReader::EndOfList() {
  uint8_t b = 0;
  Read(&b, 1);
  FStream->Seek(-1, soCurrent);
  return b == vaNull;
}

TValueType TReader::NextValue() {
  TValueType v = ReadValue();
  FStream->Seek(-1, soCurrent);
  return v;
}

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) {
    FStream->Seek(-1, soCurrent);
    throw EReadError(kInvalidValue);
  }
}

namespace {

template <class T> T ReadLE(TReader* r) {
  uint8_t b[sizeof(T)];
  r->Read(b, sizeof(T));
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(b[i]) << (8 * i);
  T out;
  if constexpr (sizeof(T) == 8) {
    std::memcpy(&out, &v, 8);
  } else {
    auto narrow = static_cast<std::conditional_t<sizeof(T) == 4, uint32_t,
                                                 std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>>>(v);
    std::memcpy(&out, &narrow, sizeof(T));
  }
  return out;
}

template <class T> void WriteLE(TWriter* w, T value) {
  uint64_t v = 0;
  if constexpr (sizeof(T) == 8) {
    std::memcpy(&v, &value, 8);
  } else {
    std::conditional_t<sizeof(T) == 4, uint32_t, std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>> n;
    std::memcpy(&n, &value, sizeof(T));
    v = n;
  }
  uint8_t b[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  w->Write(b, sizeof(T));
}

// Reads a 4-byte length and checks it against what the stream still holds, so that a damaged
// length raises a read error instead of allocating gigabytes.
int64_t ReadLength(TReader* r, TStream* s) {
  int64_t n = static_cast<uint32_t>(ReadLE<int32_t>(r));
  if (n > s->Size() - s->Position()) throw EReadError("Stream read error");
  return n;
}

}  // namespace

int64_t TReader::ReadInt64() {
  switch (ReadValue()) {
    case vaInt8: return ReadLE<int8_t>(this);
    case vaInt16: return ReadLE<int16_t>(this);
    case vaInt32: return ReadLE<int32_t>(this);
    case vaInt64: return ReadLE<int64_t>(this);
    default: FStream->Seek(-1, soCurrent); throw EReadError(kInvalidValue);
  }
}

int32_t TReader::ReadInteger() {
  int64_t start = Position();
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) {
    SetPosition(start);
    throw EReadError(kInvalidValue);
  }
  return static_cast<int32_t>(v);
}

double TReader::ReadFloat() {
  switch (NextValue()) {
    case vaExtended: {
      ReadValue();
      uint8_t b[10];
      Read(b, 10);
      return ExtendedToDouble(b);
    }
    case vaSingle: return ReadSingle();
    case vaDate: return ReadDate();
    case vaCurrency: return ReadCurrency();
    default: return static_cast<double>(ReadInt64());
  }
}

float TReader::ReadSingle() {
  if (NextValue() != vaSingle) return static_cast<float>(ReadInt64());
  ReadValue();
  return ReadLE<float>(this);
}

double TReader::ReadDate() {
  if (NextValue() != vaDate) return static_cast<double>(ReadInt64());
  ReadValue();
  return ReadLE<double>(this);
}

double TReader::ReadCurrency() {
  if (NextValue() != vaCurrency) return static_cast<double>(ReadInt64());
  ReadValue();
  return static_cast<double>(ReadLE<int64_t>(this)) / 10000.0;
}

bool TReader::ReadBoolean() {
  TValueType v = ReadValue();
  if (v == vaTrue) return true;
  if (v == vaFalse) return false;
  FStream->Seek(-1, soCurrent);
  throw EReadError(kInvalidValue);
}

char TReader::ReadChar() {
  int64_t start = Position();
  std::string s = ReadString();
  if (s.size() != 1) {
    SetPosition(start);
    throw EReadError(kInvalidValue);
  }
  return s[0];
}

std::string TReader::ReadStr() {
  uint8_t n = 0;
  Read(&n, 1);
  std::string s(n, '\0');
  Read(s.data(), n);
  return s;
}

std::string TReader::ReadString() {
  switch (ReadValue()) {
    case vaString: return ReadStr();
    case vaLString:
    case vaUTF8String: {
      std::string s(static_cast<size_t>(ReadLength(this, FStream)), '\0');
      Read(s.data(), static_cast<int64_t>(s.size()));
      return s;
    }
    case vaWString: {
      int64_t units = static_cast<uint32_t>(ReadLE<int32_t>(this));
      if (units * 2 > FStream->Size() - FStream->Position()) throw EReadError("Stream read error");
      std::u16string w(static_cast<size_t>(units), u'\0');
      for (auto& c : w) c = static_cast<char16_t>(ReadLE<uint16_t>(this));
      return Utf16ToUtf8(w);
    }
    default: FStream->Seek(-1, soCurrent); throw EReadError(kInvalidValue);
  }
}

std::string TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: FStream->Seek(-1, soCurrent); throw EReadError(kInvalidValue);
  }
}

std::vector<std::string> TReader::ReadSet() {
  CheckValue(vaSet);
  std::vector<std::string> names;
  for (;;) {
    std::string s = ReadStr();
    if (s.empty()) break;
    names.push_back(std::move(s));
  }
  return names;
}

std::vector<uint8_t> TReader::ReadBinary() {
  CheckValue(vaBinary);
  std::vector<uint8_t> b(static_cast<size_t>(ReadLength(this, FStream)));
  Read(b.data(), static_cast<int64_t>(b.size()));
  return b;
}

void TReader::SkipValue() {
  struct Depth {
    int& d;
    explicit Depth(int& v) : d(v) {
      if (++d > 512) {
        --d;
        throw EReadError(kInvalidValue);
      }
    }
    ~Depth() { --d; }
  } depth(FSkipDepth);
  auto skip = [this](int64_t n) { FStream->Seek(n, soCurrent); };
  auto need = [this](int64_t n) {
    if (n > FStream->Size() - FStream->Position()) throw EReadError("Stream read error");
  };
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil: break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaInt8: need(1); skip(1); break;
    case vaInt16: need(2); skip(2); break;
    case vaInt32:
    case vaSingle: need(4); skip(4); break;
    case vaInt64:
    case vaCurrency:
    case vaDate: need(8); skip(8); break;
    case vaExtended: need(10); skip(10); break;
    case vaString:
    case vaIdent: ReadStr(); break;
    case vaLString:
    case vaUTF8String:
    case vaBinary: skip(ReadLength(this, FStream)); break;
    case vaWString: {
      int64_t units = static_cast<uint32_t>(ReadLE<int32_t>(this));
      need(units * 2);
      skip(units * 2);
      break;
    }
    case vaSet:
      while (!ReadStr().empty()) {
      }
      break;
    case vaCollection:
      while (!EndOfList()) {
        TValueType v = NextValue();
        if (v == vaInt8 || v == vaInt16 || v == vaInt32 || v == vaInt64) ReadInt64();
        ReadListBegin();
        while (!EndOfList()) SkipProperty();
        ReadListEnd();
      }
      ReadListEnd();
      break;
  }
}

void TReader::SkipProperty() {
  ReadStr();
  SkipValue();
}

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                             const TWriterProc&, bool) {
  if (FPropHandled || FPropName.empty() || !SameName(Name, FPropName) || !ReadData) return;
  FPropHandled = true;
  ReadData(this);
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                   const TStreamProc&, bool) {
  if (FPropHandled || FPropName.empty() || !SameName(Name, FPropName) || !ReadData) return;
  FPropHandled = true;
  std::vector<uint8_t> data = ReadBinary();
  TMemoryStream m;
  m.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  m.SetPosition(0);
  ReadData(&m);
}

// ---- TWriter ----

TWriter::TWriter(TStream* AStream, int BufSize) : TFiler(AStream, BufSize) {}

int64_t TWriter::Position() const { return FStream->Position(); }

void TWriter::Write(const void* Buffer, int64_t Count) { FStream->WriteBuffer(Buffer, Count); }

void TWriter::WriteValue(TValueType Value) {
  auto b = static_cast<uint8_t>(Value);
  Write(&b, 1);
}

void TWriter::WriteInteger(int64_t Value) {
  if (Value >= INT8_MIN && Value <= INT8_MAX) {
    WriteValue(vaInt8);
    WriteLE<int8_t>(this, static_cast<int8_t>(Value));
  } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
    WriteValue(vaInt16);
    WriteLE<int16_t>(this, static_cast<int16_t>(Value));
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    WriteLE<int32_t>(this, static_cast<int32_t>(Value));
  } else {
    WriteValue(vaInt64);
    WriteLE<int64_t>(this, Value);
  }
}

void TWriter::WriteFloat(double Value) {
  uint8_t b[10];
  DoubleToExtended(Value, b);
  WriteValue(vaExtended);
  Write(b, 10);
}

void TWriter::WriteSingle(float Value) {
  WriteValue(vaSingle);
  WriteLE<float>(this, Value);
}

void TWriter::WriteDate(double Value) {
  WriteValue(vaDate);
  WriteLE<double>(this, Value);
}

void TWriter::WriteCurrency(double Value) {
  double scaled = std::nearbyint(Value * 10000.0);
  if (!(std::fabs(scaled) < 9.2e18)) throw EWriteError(kInvalidValue);
  WriteValue(vaCurrency);
  WriteLE<int64_t>(this, static_cast<int64_t>(scaled));
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TWriter::WriteChar(char Value) { WriteString(std::string(1, Value)); }

void TWriter::WriteStr(const std::string& Value) {
  if (Value.size() > 255) throw EWriteError("Stream write error");
  auto n = static_cast<uint8_t>(Value.size());
  Write(&n, 1);
  Write(Value.data(), n);
}

void TWriter::WriteString(const std::string& Value) {
  bool ascii = true;
  for (char c : Value)
    if (static_cast<uint8_t>(c) >= 0x80) ascii = false;
  if (!ascii) {
    WriteUTF8String(Value);
  } else if (Value.size() <= 255) {
    WriteValue(vaString);
    WriteStr(Value);
  } else {
    WriteLString(Value);
  }
}

void TWriter::WriteLString(const std::string& Value) {
  if (Value.size() > UINT32_MAX) throw EWriteError("Stream write error");
  WriteValue(vaLString);
  WriteLE<uint32_t>(this, static_cast<uint32_t>(Value.size()));
  Write(Value.data(), static_cast<int64_t>(Value.size()));
}

void TWriter::WriteUTF8String(const std::string& Value) {
  if (Value.size() > UINT32_MAX) throw EWriteError("Stream write error");
  WriteValue(vaUTF8String);
  WriteLE<uint32_t>(this, static_cast<uint32_t>(Value.size()));
  Write(Value.data(), static_cast<int64_t>(Value.size()));
}

void TWriter::WriteWideString(const std::string& Value) {
  std::u16string w = Utf8ToUtf16(Value);
  if (w.size() > UINT32_MAX) throw EWriteError("Stream write error");
  WriteValue(vaWString);
  WriteLE<uint32_t>(this, static_cast<uint32_t>(w.size()));
  for (char16_t c : w) WriteLE<uint16_t>(this, static_cast<uint16_t>(c));
}

void TWriter::WriteIdent(const std::string& Ident) {
  if (SameName(Ident, "False")) {
    WriteValue(vaFalse);
  } else if (SameName(Ident, "True")) {
    WriteValue(vaTrue);
  } else if (SameName(Ident, "nil")) {
    WriteValue(vaNil);
  } else if (SameName(Ident, "Null")) {
    WriteValue(vaNull);
  } else {
    WriteValue(vaIdent);
    WriteStr(Ident);
  }
}

void TWriter::WriteSet(const std::vector<std::string>& Names) {
  WriteValue(vaSet);
  for (const auto& n : Names) {
    if (n.empty()) continue;  // an empty name would end the set early
    WriteStr(n);
  }
  WriteStr(std::string());
}

void TWriter::WriteBinary(const void* Data, int64_t Count) {
  if (Count < 0 || Count > UINT32_MAX) throw EWriteError("Stream write error");
  WriteValue(vaBinary);
  WriteLE<uint32_t>(this, static_cast<uint32_t>(Count));
  Write(Data, Count);
}

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&,
                             const TWriterProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(FPropPath + Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&,
                                   const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream m;
  WriteData(&m);
  WritePropName(FPropPath + Name);
  WriteBinary(m.Memory(), m.Size());
}
