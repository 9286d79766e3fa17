// The PNG picture, its chunk stream and the chunk classes other than the image data (see
// pngpicture.h). zlib is used only for the compressed texts here; the image data is coded in
// pngpicture_idat.cpp.
#include "controls/pngpicture.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "controls/pnglang.h"
#include "controls/pngpicture_internal.h"
#include "platform/rtl/streams.h"

using namespace pnglang;
using namespace pngdetail;

namespace {

// The largest image the picture holds: the DIB and the alpha plane must each stay below 2 GiB
// (what a DIB section can address), whatever the header claims.
constexpr int64_t kMaxImageBytes = INT32_MAX;
// A compressed text never inflates beyond this; more is taken for hostile data.
constexpr size_t kMaxInflatedText = size_t(1) << 26;

// Whether a colour type and bit depth make a valid PNG image.
bool ValidDepth(uint8_t ColorType, uint8_t Depth) {
  switch (ColorType) {
    case ctGrayscale:
      return Depth == 1 || Depth == 2 || Depth == 4 || Depth == 8 || Depth == 16;
    case ctPalette:
      return Depth == 1 || Depth == 2 || Depth == 4 || Depth == 8;
    case ctRGB:
    case ctGrayscaleAlpha:
    case ctRGBAlpha:
      return Depth == 8 || Depth == 16;
    default:
      return false;
  }
}

// ---- Chunk class registry ----
struct TChunkClassEntry {
  TClass Class;
  TChunkFactory Create;
};
template <class T>
std::unique_ptr<TChunk> Make(TPNGObject* Owner) {
  return std::make_unique<T>(Owner);
}
std::mutex& RegistryLock() {
  static std::mutex m;
  return m;
}
// The registered classes in registration order; the nine classes of this unit come first.
std::vector<TChunkClassEntry>& ChunkClasses() {
  static std::vector<TChunkClassEntry> list{
      {TChunkIEND::StaticClass(), &Make<TChunkIEND>},
      {TChunkIHDR::StaticClass(), &Make<TChunkIHDR>},
      {TChunkIDAT::StaticClass(), &Make<TChunkIDAT>},
      {TChunkPLTE::StaticClass(), &Make<TChunkPLTE>},
      {TChunkgAMA::StaticClass(), &Make<TChunkgAMA>},
      {TChunktRNS::StaticClass(), &Make<TChunktRNS>},
      {TChunktIME::StaticClass(), &Make<TChunktIME>},
      {TChunktEXt::StaticClass(), &Make<TChunktEXt>},
      {TChunkzTXt::StaticClass(), &Make<TChunkzTXt>},
  };
  return list;
}

}  // namespace

// ---- CRC ----
uint32_t PngCrcUpdate(uint32_t Crc, const uint8_t* Data, size_t Size) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  for (size_t i = 0; i < Size; ++i) Crc = table[(Crc ^ Data[i]) & 0xFF] ^ (Crc >> 8);
  return Crc;
}

// ---- Registry ----
void AddChunkClass(TClass ChunkClass, TChunkFactory Factory) {
  std::lock_guard<std::mutex> g(RegistryLock());
  ChunkClasses().push_back(TChunkClassEntry{ChunkClass, Factory});
}

std::unique_ptr<TChunk> NewChunkForType(TPNGObject* Owner, const std::string& Type) {
  TChunkFactory make = nullptr;
  {
    std::lock_guard<std::mutex> g(RegistryLock());
    for (const TChunkClassEntry& e : ChunkClasses())
      if (TChunk::TypeCode(e.Class) == Type) {
        make = e.Create;
        break;
      }
  }
  std::unique_ptr<TChunk> c = make ? make(Owner) : std::make_unique<TChunk>(Owner);
  c->SetChunkType(Type);
  return c;
}

std::unique_ptr<TChunk> NewChunkOfClass(TPNGObject* Owner, TClass ChunkClass) {
  TChunkFactory make = nullptr;
  {
    std::lock_guard<std::mutex> g(RegistryLock());
    for (const TChunkClassEntry& e : ChunkClasses())
      if (e.Class == ChunkClass) make = e.Create;
  }
  return make ? make(Owner) : std::make_unique<TChunk>(Owner);
}

// ---- TPNGList ----
TChunk* TPNGList::ItemAt(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[static_cast<size_t>(Index)].get();
}

TChunk* TPNGList::Append(std::unique_ptr<TChunk> Chunk) {
  FItems.push_back(std::move(Chunk));
  return FItems.back().get();
}

std::unique_ptr<TChunk> TPNGList::Extract(TChunk* Chunk) {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FItems[i].get() == Chunk) {
      std::unique_ptr<TChunk> c = std::move(FItems[i]);
      FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(i));
      return c;
    }
  return nullptr;
}

TChunk* TPNGList::FirstOfClass(TClass ChunkClass) const {
  for (const auto& c : FItems)
    if (c->InheritsFrom(ChunkClass)) return c.get();
  return nullptr;
}

// ---- TChunk ----
ORV_CLASS_IMPL(TChunk, TObject)

TChunk::TChunk(TPNGObject* Owner) : FPayload(1, 0), FOwner(Owner) {}

std::string TChunk::ChunkType() const {
  if (!FChunkType.empty()) return FChunkType;
  std::string code = TypeCode();
  return code.size() == 4 ? code : std::string();
}

TChunk::~TChunk() = default;

std::string TChunk::TypeCode(TClass ChunkClass) {
  std::string name = ChunkClass ? ChunkClass->Name : "";
  return name.size() > 6 ? name.substr(6) : std::string();
}

void TChunk::ResizePayload(uint32_t N) {
  FPayload.resize(size_t(N) + 1, 0);
  FPayloadSize = N;
}

TChunkIHDR* TChunk::Header() const { return ObjectAs<TChunkIHDR>(FOwner->ChunkList().ItemAt(0)); }

void TChunk::CopyFrom(TChunk* Source) {
  FChunkType = Source->ChunkType();
  FPayload = Source->FPayload;
  FPayloadSize = Source->FPayloadSize;
}

bool TChunk::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  // Data running past the end of the stream is a cut-off chunk, which its CRC reports; nothing
  // is reserved for bytes that are not there.
  if (int64_t(Length) + 4 > Stream->Size() - Stream->Position())
    TPNGObject::Fail<EPngInvalidCRC>(InvalidCRCText);
  ResizePayload(Length);
  if (Length > 0) Stream->ReadBuffer(FPayload.data(), Length);
  uint8_t crc[4];
  Stream->ReadBuffer(crc, 4);
  uint32_t c = PngCrcUpdate(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(Type.data()), 4);
  c = PngCrcUpdate(c, FPayload.data(), Length);
  if ((c ^ 0xFFFFFFFFu) != ReadBE32(crc)) TPNGObject::Fail<EPngInvalidCRC>(InvalidCRCText);
  return true;
}

bool TChunk::WriteRaw(TStream* Stream) {
  std::vector<uint8_t> out(size_t(FPayloadSize) + 12);
  WriteBE32(out.data(), FPayloadSize);
  std::string type = ChunkType();
  type.resize(4, '\0');
  std::memcpy(out.data() + 4, type.data(), 4);
  if (FPayloadSize) std::memcpy(out.data() + 8, FPayload.data(), FPayloadSize);
  uint32_t crc = PngCrcUpdate(0xFFFFFFFFu, out.data() + 4, size_t(FPayloadSize) + 4);
  WriteBE32(out.data() + 8 + FPayloadSize, crc ^ 0xFFFFFFFFu);
  Stream->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
  return true;
}

bool TChunk::WriteTo(TStream* Stream) { return WriteRaw(Stream); }

// ---- IHDR ----
ORV_CLASS_IMPL(TChunkIHDR, TChunk)

TChunkIHDR::TChunkIHDR(TPNGObject* Owner) : TChunk(Owner) {}

TChunkIHDR::~TChunkIHDR() { ReleaseDib(); }

bool TChunkIHDR::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunk::ReadBody(Stream, Type, Length);
  if (PayloadSize() < 13) TPNGObject::Fail<EPngInvalidIHDR>(InvalidIHDRText);
  const uint8_t* p = Payload();
  FWidth = ReadBE32(p);
  FHeight = ReadBE32(p + 4);
  FBitDepth = p[8];
  FColorType = p[9];
  FCompressionMethod = p[10];
  FFilterMethod = p[11];
  FInterlaceMethod = p[12];
  if (FWidth > 65535 || FHeight > 65535) TPNGObject::Fail<EPNGSizeExceeds>(SizeExceedsText);
  if (FCompressionMethod != 0) TPNGObject::Fail<EPNGUnknownCompression>(UnknownCompressionText);
  if (FInterlaceMethod > 1) TPNGObject::Fail<EPNGUnknownInterlace>(UnknownInterlaceText);
  // An empty image, or a depth the colour type does not have, has no row layout: refused here,
  // before any row is read.
  if (FWidth == 0 || FHeight == 0 || !ValidDepth(FColorType, FBitDepth))
    TPNGObject::Fail<EPngInvalidIHDR>(InvalidIHDRText);
  Owner()->SetInterlaceMode(FInterlaceMethod);
  PrepareDib();
  return true;
}

void TChunkIHDR::ReleaseDib() {
  if (FImageDC) {
    if (FOldBitmap) SelectObject(FImageDC, FOldBitmap);
    DeleteDC(FImageDC);
  }
  if (FImageHandle) DeleteObject(FImageHandle);
  FImageDC = nullptr;
  FOldBitmap = nullptr;
  FImageHandle = nullptr;
  FImageData = nullptr;
  FAlpha.clear();
  FAlpha.shrink_to_fit();
}

void TChunkIHDR::PrepareDib() {
  FBitmapInfo = TPngBitmapInfo{};
  ReleaseDib();
  int bits = 24;
  switch (FColorType) {
    case ctGrayscale:
    case ctPalette:
    case ctGrayscaleAlpha:
      FIndexed = true;
      bits = FBitDepth == 1 ? 1 : FBitDepth <= 4 ? 4 : 8;
      break;
    case ctRGB:
    case ctRGBAlpha:
      FIndexed = false;
      break;
    default:
      TPNGObject::Fail<EPngInvalidIHDR>(InvalidIHDRText);
  }
  BITMAPINFOHEADER& h = FBitmapInfo.Header;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = static_cast<LONG>(FWidth);
  h.biHeight = static_cast<LONG>(FHeight);  // positive: rows bottom-up
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bits);
  h.biCompression = BI_RGB;
  const int64_t stride = ((int64_t(bits) * FWidth + 31) / 32) * 4;
  if (stride * FHeight > kMaxImageBytes || int64_t(FWidth) * FHeight > kMaxImageBytes)
    TPNGObject::Fail<EPNGSizeExceeds>(SizeExceedsText);
  FRowStride = static_cast<uint32_t>(stride);
  if (FColorType == ctGrayscaleAlpha || FColorType == ctRGBAlpha)
    FAlpha.assign(size_t(FWidth) * FHeight, 0);
  FImageDC = CreateCompatibleDC(nullptr);
  void* pixels = nullptr;
  if (FImageDC)
    FImageHandle =
        CreateDIBSection(FImageDC, FBitmapInfo.Info(), DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!FImageDC || !FImageHandle || !pixels) {
    ReleaseDib();
    TPNGObject::Fail<EPNGOutMemory>(OutMemoryText);
  }
  FOldBitmap = SelectObject(FImageDC, FImageHandle);
  FImageData = static_cast<uint8_t*>(pixels);
  Owner()->DeletePaletteHandle();
  std::memset(FImageData, 0, size_t(FRowStride) * FHeight);
}

bool TChunkIHDR::WriteTo(TStream* Stream) {
  // 2-bit samples are held with 4 bits per pixel, and written that way.
  if (FBitDepth == 2) {
    FBitDepth = 4;
    // A grey key sample follows its samples to the 4-bit scale (v -> 5v, as the rows do).
    if (FColorType == ctGrayscale)
      if (auto* trns = Owner()->ChunkList().FirstOf<TChunktRNS>()) {
        auto& a = trns->AlphaValues();
        uint16_t v = uint16_t((a[0] << 8) | a[1]);
        v = uint16_t(std::min<int>(v, 3) * 5);
        a[0] = uint8_t(v >> 8);
        a[1] = uint8_t(v);
      }
  }
  ResizePayload(13);
  uint8_t* p = Payload();
  WriteBE32(p, FWidth);
  WriteBE32(p + 4, FHeight);
  p[8] = FBitDepth;
  p[9] = FColorType;
  p[10] = FCompressionMethod;
  p[11] = FFilterMethod;
  p[12] = Owner()->InterlaceMode();
  return WriteRaw(Stream);
}

void TChunkIHDR::CopyFrom(TChunk* Source) {
  auto* s = dynamic_cast<TChunkIHDR*>(Source);
  if (!s) TPNGObject::Fail<EPngError>(CannotAssignChunkText);
  FWidth = s->FWidth;
  FHeight = s->FHeight;
  FBitDepth = s->FBitDepth;
  FColorType = s->FColorType;
  FCompressionMethod = s->FCompressionMethod;
  FFilterMethod = s->FFilterMethod;
  FInterlaceMethod = s->FInterlaceMethod;
  PrepareDib();
  if (s->FImageData) std::memcpy(FImageData, s->FImageData, size_t(FRowStride) * FHeight);
  if (!FAlpha.empty() && s->FAlpha.size() == FAlpha.size())
    std::memcpy(FAlpha.data(), s->FAlpha.data(), FAlpha.size());
  std::memcpy(FBitmapInfo.Colors, s->FBitmapInfo.Colors, sizeof FBitmapInfo.Colors);
}

// ---- PLTE ----
ORV_CLASS_IMPL(TChunkPLTE, TChunk)

bool TChunkPLTE::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunk::ReadBody(Stream, Type, Length);
  if (Length % 3 != 0 || Length / 3 > 256) TPNGObject::Fail<EPNGInvalidPalette>(InvalidPaletteText);
  FCount = Length / 3;
  TChunkIHDR* h = Header();
  const auto& gamma = Owner()->DecodeGamma();
  const uint8_t* p = Payload();
  for (uint32_t i = 0; i < FCount; ++i) {
    RGBQUAD& q = h->BitmapInfo().Colors[i];
    q.rgbRed = gamma[p[3 * i]];
    q.rgbGreen = gamma[p[3 * i + 1]];
    q.rgbBlue = gamma[p[3 * i + 2]];
    q.rgbReserved = 0;
  }
  return true;
}

bool TChunkPLTE::WriteTo(TStream* Stream) {
  const uint32_t n = std::min<uint32_t>(FCount, 256);
  ResizePayload(n * 3);
  const TChunkIHDR* h = Header();
  const auto& gamma = Owner()->EncodeGamma();
  uint8_t* p = Payload();
  for (uint32_t i = 0; i < n; ++i) {
    const RGBQUAD& q = h->BitmapInfo().Colors[i];
    p[3 * i] = gamma[q.rgbRed];
    p[3 * i + 1] = gamma[q.rgbGreen];
    p[3 * i + 2] = gamma[q.rgbBlue];
  }
  return WriteRaw(Stream);
}

void TChunkPLTE::CopyFrom(TChunk* Source) {
  auto* s = dynamic_cast<TChunkPLTE*>(Source);
  if (!s) TPNGObject::Fail<EPngError>(CannotAssignChunkText);
  FCount = s->FCount;
}

uint32_t TChunkPLTE::EntryAt(uint32_t Index) const {
  if (Index >= FCount) TPNGObject::Fail<EPngError>(InvalidPixelText);
  const RGBQUAD& q = Header()->BitmapInfo().Colors[Index];
  return uint32_t(q.rgbBlue) | (uint32_t(q.rgbGreen) << 8) | (uint32_t(q.rgbRed) << 16);
}

// ---- tRNS ----
ORV_CLASS_IMPL(TChunktRNS, TChunk)

bool TChunktRNS::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunk::ReadBody(Stream, Type, Length);
  if (Length > 256) TPNGObject::Fail<EPNGInvalidPalette>(InvalidPaletteText);
  FAlpha.fill(255);
  std::memcpy(FAlpha.data(), Payload(), Length);
  switch (Header()->ColorType()) {
    case ctGrayscale:
    case ctRGB:
      FSingleKey = true;
      break;
    case ctPalette: {
      // One fully transparent entry among opaque ones is a colour key; any partly transparent
      // entry (1 to 254) needs blending, as do several transparent entries.
      int below = 0;
      bool clear = false;
      for (uint32_t i = 0; i < Length; ++i)
        if (FAlpha[i] < 255) {
          ++below;
          clear = FAlpha[i] == 0;
        }
      FSingleKey = below == 1 && clear;
      break;
    }
    default:
      break;
  }
  return true;
}

bool TChunktRNS::WriteTo(TStream* Stream) {
  if (PayloadSize() <= 256) std::memcpy(Payload(), FAlpha.data(), PayloadSize());
  return WriteRaw(Stream);
}

void TChunktRNS::CopyFrom(TChunk* Source) {
  auto* s = dynamic_cast<TChunktRNS*>(Source);
  if (!s) TPNGObject::Fail<EPngError>(CannotAssignChunkText);
  FAlpha = s->FAlpha;
  FSingleKey = s->FSingleKey;
  TChunk::CopyFrom(Source);
}

// ---- gAMA ----
ORV_CLASS_IMPL(TChunkgAMA, TChunk)

TChunkgAMA::TChunkgAMA(TPNGObject* Owner) : TChunk(Owner) { SetGamma(1); }

uint32_t TChunkgAMA::Gamma() {
  if (PayloadSize() == 4) return ReadBE32(Payload());
  SetGamma(1);
  return 1;
}

void TChunkgAMA::SetGamma(uint32_t Value) {
  if (PayloadSize() != 4) ResizePayload(4);
  WriteBE32(Payload(), Value);
}

bool TChunkgAMA::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunk::ReadBody(Stream, Type, Length);
  const uint32_t v = Gamma();
  if (v == 0) return true;
  auto& decode = Owner()->DecodeGamma();
  auto& encode = Owner()->EncodeGamma();
  const double exponent = 1.0 / (v / 100000.0 * 2.2);
  std::array<bool, 256> reached{};
  for (int i = 0; i < 256; ++i) {
    int x = i == 0 ? 0 : static_cast<int>(std::nearbyint(255.0 * std::pow(i / 255.0, exponent)));
    x = std::clamp(x, 0, 255);
    decode[i] = uint8_t(x);
    encode[x] = uint8_t(i);
    reached[x] = true;
  }
  // Bitmap values no sample decodes to (pixels set by a program) encode to the sample whose
  // decoded value is nearest, so that writing brings every value back to its own scale.
  for (int y = 0; y < 256; ++y) {
    if (reached[y]) continue;
    int best = 0;
    for (int i = 1; i < 256; ++i)
      if (std::abs(decode[i] - y) < std::abs(decode[best] - y)) best = i;
    encode[y] = uint8_t(best);
  }
  return true;
}

void TChunkgAMA::CopyFrom(TChunk* Source) {
  auto* s = dynamic_cast<TChunkgAMA*>(Source);
  if (!s) TPNGObject::Fail<EPngError>(CannotAssignChunkText);
  SetGamma(s->Gamma());
}

// ---- tIME ----
ORV_CLASS_IMPL(TChunktIME, TChunk)

bool TChunktIME::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunk::ReadBody(Stream, Type, Length);
  if (Length == 7) {
    const uint8_t* p = Payload();
    Year = uint16_t((p[0] << 8) | p[1]);
    Month = p[2];
    Day = p[3];
    Hour = p[4];
    Minute = p[5];
    Second = p[6];
  }
  return true;
}

bool TChunktIME::WriteTo(TStream* Stream) {
  ResizePayload(7);
  uint8_t* p = Payload();
  p[0] = uint8_t(Year >> 8);
  p[1] = uint8_t(Year);
  p[2] = Month;
  p[3] = Day;
  p[4] = Hour;
  p[5] = Minute;
  p[6] = Second;
  return WriteRaw(Stream);
}

void TChunktIME::CopyFrom(TChunk* Source) {
  TChunk::CopyFrom(Source);
  if (auto* s = dynamic_cast<TChunktIME*>(Source)) {
    Year = s->Year;
    Month = s->Month;
    Day = s->Day;
    Hour = s->Hour;
    Minute = s->Minute;
    Second = s->Second;
  }
}

// ---- tEXt and zTXt ----
ORV_CLASS_IMPL(TChunktEXt, TChunk)

namespace {
// The keyword of a text chunk: the bytes up to the first zero (or the end).
std::string KeywordOf(const uint8_t* p, uint32_t n) {
  const uint8_t* end = std::find(p, p + n, uint8_t(0));
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
}
}  // namespace

bool TChunktEXt::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunk::ReadBody(Stream, Type, Length);
  if (Length > 2) {
    FKeyword = KeywordOf(Payload(), Length);
    size_t at = FKeyword.size() + 1;
    FText =
        at < Length ? std::string(reinterpret_cast<const char*>(Payload()) + at, Length - at) : "";
  }
  return true;
}

bool TChunktEXt::WriteTo(TStream* Stream) {
  ResizePayload(static_cast<uint32_t>(FKeyword.size() + FText.size() + 1));
  uint8_t* p = Payload();
  std::memcpy(p, FKeyword.data(), FKeyword.size());
  p[FKeyword.size()] = 0;
  std::memcpy(p + FKeyword.size() + 1, FText.data(), FText.size());
  return WriteRaw(Stream);
}

void TChunktEXt::CopyFrom(TChunk* Source) {
  if (auto* s = dynamic_cast<TChunktEXt*>(Source)) {
    FKeyword = s->FKeyword;
    FText = s->FText;
  }
}

ORV_CLASS_IMPL(TChunkzTXt, TChunktEXt)

bool TChunkzTXt::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TChunktEXt::ReadBody(Stream, Type, Length);
  if (Length <= 3) return true;
  SetKeyword(KeywordOf(Payload(), Length));
  SetText("");
  const size_t method = Keyword().size() + 1;
  // A text whose compressed form is missing or damaged is an error, not an empty text: the
  // caller learns of it, and a later write cannot silently replace it with nothing.
  if (method >= Length) FailZlib(Z_DATA_ERROR);
  if (Payload()[method] != 0) TPNGObject::Fail<EPNGUnknownCompression>(UnknownCompressionText);
  std::vector<uint8_t> text;
  std::string error;  // starts with zlib's result number
  if (!InflateBlock(Payload() + method + 1, Length - method - 1, text, error))
    FailZlib(std::atoi(error.c_str()));
  SetText(std::string(text.begin(), text.end()));
  return true;
}

bool TChunkzTXt::WriteTo(TStream* Stream) {
  std::string text = Text().empty() ? std::string(" ") : Text();
  std::vector<uint8_t> packed;
  std::string error;
  if (!DeflateBlock(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                    Owner()->DeflateLevel(), packed, error))
    FailZlib(std::atoi(error.c_str()));
  const std::string& kw = Keyword();
  ResizePayload(static_cast<uint32_t>(kw.size() + 2 + packed.size()));
  uint8_t* p = Payload();
  std::memcpy(p, kw.data(), kw.size());
  p[kw.size()] = 0;
  p[kw.size() + 1] = 0;
  if (!packed.empty()) std::memcpy(p + kw.size() + 2, packed.data(), packed.size());
  return WriteRaw(Stream);
}

// ---- IEND ----
ORV_CLASS_IMPL(TChunkIEND, TChunk)

// ---- zlib over whole blocks ----
namespace {
// Runs Step (inflate or deflate) over Input through a 256-byte output buffer until the stream
// ends. The error text starts with zlib's result number.
template <class F>
bool RunZlib(z_stream& z, const uint8_t* Input, size_t InputSize, std::vector<uint8_t>& Output,
             std::string& Error, F Step) {
  Output.clear();
  z.next_in = const_cast<Bytef*>(Input);
  z.avail_in = static_cast<uInt>(InputSize);
  uint8_t buf[256];
  for (;;) {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    int r = Step();
    Output.insert(Output.end(), buf, buf + (sizeof buf - z.avail_out));
    if (r == Z_STREAM_END) return true;
    if (r < 0) {
      Error = std::to_string(r) + " " + (z.msg ? z.msg : "");
      return false;
    }
    if (Output.size() > kMaxInflatedText) {
      Error = std::to_string(Z_MEM_ERROR) + " text too long";
      return false;
    }
  }
}
}  // namespace

bool InflateBlock(const uint8_t* Input, size_t InputSize, std::vector<uint8_t>& Output,
                  std::string& Error) {
  z_stream z{};
  if (int r = inflateInit(&z); r != Z_OK) {
    Error = std::to_string(r);
    return false;
  }
  bool ok = RunZlib(z, Input, InputSize, Output, Error, [&] { return inflate(&z, Z_NO_FLUSH); });
  inflateEnd(&z);
  return ok;
}

bool DeflateBlock(const uint8_t* Input, size_t InputSize, int Level, std::vector<uint8_t>& Output,
                  std::string& Error) {
  z_stream z{};
  if (int r = deflateInit(&z, Level); r != Z_OK) {
    Error = std::to_string(r);
    return false;
  }
  bool ok = RunZlib(z, Input, InputSize, Output, Error, [&] { return deflate(&z, Z_FINISH); });
  deflateEnd(&z);
  return ok;
}

// ---- TPNGObject ----
ORV_CLASS_IMPL(TPNGObject, TGraphic)

TPNGObject::TPNGObject() { ResetGamma(); }

TPNGObject::~TPNGObject() {
  ClearChunkList();
  DeletePaletteHandle();
}

void TPNGObject::ResetGamma() {
  for (int i = 0; i < 256; ++i) FDecodeGamma[i] = FEncodeGamma[i] = uint8_t(i);
}

void TPNGObject::ClearChunkList() {
  ResetGamma();
  FChunkList.Clear();
}

void TPNGObject::DeletePaletteHandle() {
  if (FPaletteHandle) DeleteObject(FPaletteHandle);
  FPaletteHandle = nullptr;
}

bool TPNGObject::HasHeader() const {
  TChunk* first = FChunkList.ItemAt(0);
  return first && first->InheritsFrom(TChunkIHDR::StaticClass());
}

TChunkIHDR* TPNGObject::HeaderChunk() const {
  if (!HasHeader()) Fail<EPNGHeaderNotPresent>(HeaderNotPresentText);
  return static_cast<TChunkIHDR*>(FChunkList.ItemAt(0));
}

int TPNGObject::Width() const { return HasHeader() ? static_cast<int>(HeaderChunk()->Width()) : 0; }
int TPNGObject::Height() const {
  return HasHeader() ? static_cast<int>(HeaderChunk()->Height()) : 0;
}
void TPNGObject::SetWidth(int) { Fail<EPngError>(CannotChangeSizeText); }
void TPNGObject::SetHeight(int) { Fail<EPngError>(CannotChangeSizeText); }

void TPNGObject::SetDataChunkLimit(uint32_t Value) {
  // Below 65535 the chunks would only get more numerous; above 2^31 - 1 a chunk length is not
  // valid PNG.
  FDataChunkLimit = std::clamp<uint32_t>(Value, 65535, INT32_MAX);
}

void TPNGObject::RowLayout(uint32_t& RowBytes, uint32_t& PixelDistance) const {
  RowBytes = PixelDistance = 0;
  if (!HasHeader()) return;
  const TChunkIHDR* h = HeaderChunk();
  const uint64_t w = h->Width(), d = h->BitDepth();
  switch (h->ColorType()) {
    case ctGrayscale:
      RowBytes = static_cast<uint32_t>((w * d + 7) / 8);
      PixelDistance = d == 16 ? 2 : 1;
      break;
    case ctPalette:
      RowBytes = static_cast<uint32_t>((w * d + 7) / 8);
      PixelDistance = 1;
      break;
    case ctRGB:
      RowBytes = static_cast<uint32_t>(w * d * 3 / 8);
      PixelDistance = static_cast<uint32_t>(d * 3 / 8);
      break;
    case ctGrayscaleAlpha:
      RowBytes = static_cast<uint32_t>(w * d * 2 / 8);
      PixelDistance = static_cast<uint32_t>(d / 4);
      break;
    case ctRGBAlpha:
      RowBytes = static_cast<uint32_t>(w * d * 4 / 8);
      PixelDistance = static_cast<uint32_t>(d / 2);
      break;
    default:
      break;
  }
}

void TPNGObject::LoadFromStream(TStream* Stream) {
  ClearChunkList();
  uint8_t sig[8];
  if (Stream->Read(sig, 8) != 8 || std::memcmp(sig, PngSignature, 8) != 0)
    Fail<EPNGInvalidFileHeader>(InvalidFileHeaderText);
  FChunkList.Reserve(10);
  bool imageData = false;
  for (int number = 1;; ++number) {
    uint8_t head[8];
    if (Stream->Read(head, 4) != 4) Fail<EPngUnexpectedEnd>(UnexpectedEndText);
    if (Stream->Read(head + 4, 4) != 4) Fail<EPngUnexpectedEnd>(UnexpectedEndText);
    const uint32_t length = ReadBE32(head);
    const std::string type(reinterpret_cast<const char*>(head + 4), 4);
    if (number == 1 && type != "IHDR") Fail<EPNGIHDRNotFirst>(IHDRNotFirstText);
    // One header per image: a second one would make a second image nobody draws.
    if (number > 1 && type == "IHDR") Fail<EPngInvalidIHDR>(InvalidIHDRText);
    // The IDAT chunk object reads every consecutive IDAT chunk; later ones are passed over, as
    // are the chromaticities, which the picture does not use.
    if (type == "cHRM" || (type == "IDAT" && imageData)) {
      Stream->Seek(int64_t(length) + 4, soCurrent);
      continue;
    }
    if (type == "IDAT") imageData = true;
    TChunk* chunk = FChunkList.Append(NewChunkForType(this, type));
    const bool critical = head[4] != 0 && (head[4] & 0x20) == 0;
    if (chunk->ClassType() == TChunk::StaticClass() && critical)
      Fail<EPNGUnknownCriticalChunk>(UnknownCriticalChunkText);
    chunk->ReadBody(Stream, type, length);
    if (type == "IEND") break;
  }
  if (!imageData) Fail<EPNGNoImageData>(NoImageDataText);
  Changed();
}

void TPNGObject::SaveToStream(TStream* Stream) {
  Stream->WriteBuffer(PngSignature, 8);
  for (int i = 0; i < FChunkList.Count(); ++i) FChunkList.ItemAt(i)->WriteTo(Stream);
}

void TPNGObject::CopyPNG(TPNGObject* Source) {
  if (Source == this) return;
  FInterlaceMode = Source->FInterlaceMode;
  SetDataChunkLimit(Source->FDataChunkLimit);
  FDeflateLevel = Source->FDeflateLevel;
  FRowFilters = Source->FRowFilters;
  ClearChunkList();
  // The copied image holds values already through the source's gamma, and its gAMA chunk goes
  // along: the tables go along too, so that writing the copy applies the gamma once.
  FDecodeGamma = Source->FDecodeGamma;
  FEncodeGamma = Source->FEncodeGamma;
  FChunkList.Reserve(Source->FChunkList.Count());
  for (int i = 0; i < Source->FChunkList.Count(); ++i) {
    TChunk* src = Source->FChunkList.ItemAt(i);
    TChunk* c = FChunkList.Append(NewChunkOfClass(this, src->ClassType()));
    c->CopyFrom(src);
  }
  Changed();
}

// ---- Registration with the picture loader ----
namespace {
bool gRegistered = false;
std::mutex& StartupLock() {
  static std::mutex m;
  return m;
}
}  // namespace

void PngPictureStartup() {
  std::lock_guard<std::mutex> g(StartupLock());
  if (gRegistered) return;
  TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", TPNGObject::StaticClass());
  gRegistered = true;
}

void PngPictureShutdown() {
  std::lock_guard<std::mutex> g(StartupLock());
  if (!gRegistered) return;
  TPicture::UnregisterGraphicClass(TPNGObject::StaticClass());
  gRegistered = false;
}

namespace {
// The unit's start-up and shut-down.
struct TPngPictureUnit {
  TPngPictureUnit() { PngPictureStartup(); }
  ~TPngPictureUnit() { PngPictureShutdown(); }
} gPngPictureUnit;
}  // namespace
