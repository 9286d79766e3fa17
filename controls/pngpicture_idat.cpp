// The PNG picture's image data: TChunkIDAT decodes the zlib-compressed, filtered rows of every
// consecutive IDAT chunk into the header's DIB and alpha plane, and encodes them back with one
// filter chosen per row (see pngpicture.h).
//
// Decoding reads straight from the stream through a 65535-byte input block, so only two rows of
// decoded data exist at a time; the CRC of each IDAT chunk is checked as its data is read.
// Samples are placed by one routine for every colour type, depth and interlace pass (a pass is
// a start column and a column step); the kind of row is chosen once per image.
#include <zlib.h>

#include <cstring>

#include "controls/pngpicture.h"
#include "controls/pngpicture_internal.h"
#include "platform/rtl/streams.h"

using namespace pnglang;
using namespace pngdetail;

namespace {

constexpr uint32_t kInputBlock = 65535;

// Adam7 passes: row start, column start, row step, column step.
struct TPass {
  uint32_t RowStart, ColStart, RowInc, ColInc;
};
constexpr TPass kAdam7[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                             {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
constexpr TPass kWholeImage{0, 0, 1, 1};

// The layouts a row can have; each has its own sample loop.
enum TRowKind {
  rkPacked,  // grey and palette with 1, 4 or 8 bits: DIB indices as stored
  rkPal2,    // palette with 2 bits: each index into a 4-bit half
  rkGrey2,   // grey with 2 bits: each sample v into a 4-bit half as 5v (0..15, full range)
  rkGrey16,  // grey with 16 bits: the high byte
  rkRGB,     // 3 samples of 8 or 16 bits, through the gamma table
  rkGreyAlpha,
  rkRGBAlpha,
};

TRowKind RowKindOf(uint8_t ColorType, uint8_t Depth) {
  switch (ColorType) {
    case ctGrayscale:
      return Depth == 2 ? rkGrey2 : Depth == 16 ? rkGrey16 : rkPacked;
    case ctPalette:
      return Depth == 2 ? rkPal2 : rkPacked;
    case ctRGB:
      return rkRGB;
    case ctGrayscaleAlpha:
      return rkGreyAlpha;
    default:
      return rkRGBAlpha;
  }
}

uint32_t BytesForPixels(uint32_t Pixels, uint8_t ColorType, uint8_t Depth) {
  const uint64_t p = Pixels, d = Depth;
  switch (ColorType) {
    case ctGrayscale:
    case ctPalette:
      return static_cast<uint32_t>((p * d + 7) / 8);
    case ctRGB:
      return static_cast<uint32_t>(p * d * 3 / 8);
    case ctGrayscaleAlpha:
      return static_cast<uint32_t>(p * d * 2 / 8);
    case ctRGBAlpha:
      return static_cast<uint32_t>(p * d * 4 / 8);
    default:
      return 0;
  }
}

uint8_t PaethPredictor(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  return uint8_t(pb <= pc ? b : c);
}

// Undoes the filter of Row (Row[0] is the type, the samples follow) against Prior (same layout).
void UnfilterRow(uint8_t* Row, const uint8_t* Prior, uint32_t N, uint32_t Bpp) {
  uint8_t* r = Row + 1;
  const uint8_t* up = Prior + 1;
  switch (Row[0]) {
    case pfSub:
      for (uint32_t i = Bpp; i < N; ++i) r[i] = uint8_t(r[i] + r[i - Bpp]);
      break;
    case pfUp:
      for (uint32_t i = 0; i < N; ++i) r[i] = uint8_t(r[i] + up[i]);
      break;
    case pfAverage:
      for (uint32_t i = 0; i < N; ++i)
        r[i] = uint8_t(r[i] + ((i >= Bpp ? r[i - Bpp] : 0) + up[i]) / 2);
      break;
    case pfPaeth:
      for (uint32_t i = 0; i < N; ++i)
        r[i] = uint8_t(
            r[i] + PaethPredictor(i >= Bpp ? r[i - Bpp] : 0, up[i], i >= Bpp ? up[i - Bpp] : 0));
      break;
    default:
      break;  // None, or an unknown type: the row as it is
  }
}

// Filter type T of Raw against Prior into Out.
void FilterRow(int T, const uint8_t* Raw, const uint8_t* Prior, uint8_t* Out, uint32_t N,
               uint32_t Bpp) {
  for (uint32_t i = 0; i < N; ++i) {
    const int left = i >= Bpp ? Raw[i - Bpp] : 0, up = Prior[i], ul = i >= Bpp ? Prior[i - Bpp] : 0;
    int pred = 0;
    switch (T) {
      case pfSub:
        pred = left;
        break;
      case pfUp:
        pred = up;
        break;
      case pfAverage:
        pred = (left + up) / 2;
        break;
      case pfPaeth:
        pred = PaethPredictor(left, up, ul);
        break;
      default:
        break;
    }
    Out[i] = uint8_t(Raw[i] - pred);
  }
}

// The sample of Depth bits at index K of a packed row (most significant bits first).
inline uint32_t PackedSample(const uint8_t* Row, uint32_t K, uint32_t Depth) {
  const uint32_t bit = K * Depth;
  return (Row[bit / 8] >> (8 - Depth - bit % 8)) & ((1u << Depth) - 1);
}
inline void OrPackedSample(uint8_t* Row, uint32_t C, uint32_t Depth, uint32_t V) {
  const uint32_t bit = C * Depth;
  Row[bit / 8] |= uint8_t(V << (8 - Depth - bit % 8));
}

}  // namespace

// The state of one decoding or encoding.
struct TChunkIDAT::TCoder {
  TPNGObject* Owner = nullptr;
  TChunkIHDR* Header = nullptr;
  TStream* Stream = nullptr;
  uint32_t Width = 0, Height = 0, RowBytes = 0, PixelDistance = 0;
  uint8_t ColorType = 0, Depth = 0;
  TRowKind Kind = rkPacked;
  z_stream Z{};
  int ZMode = 0;  // 1 inflating, 2 deflating: the zlib stream to end
  std::vector<uint8_t> Block;
  // Decoding: the rows (type byte first), the current one, where the IDAT data ends, the CRC
  // register of the chunk being read, and whether the data ran out.
  std::vector<uint8_t> Rows[2];
  int Current = 1;
  int64_t EndPosition = 0;
  uint32_t Crc = 0;
  bool StreamEnded = false, DataEnded = false;
  // Encoding: 0 previous raw row (and the None candidate), 1..4 the filter candidates, 5 raw row.
  std::vector<uint8_t> Enc[6];

  TCoder() = default;
  TCoder(const TCoder&) = delete;
  TCoder& operator=(const TCoder&) = delete;
  ~TCoder() {
    if (ZMode == 1) inflateEnd(&Z);
    if (ZMode == 2) deflateEnd(&Z);
  }

  uint8_t* DibRow(uint32_t Y) const {
    return Header->ImageData() + size_t(Header->RowStride()) * (Height - 1 - Y);
  }
  uint8_t* AlphaRow(uint32_t Y) const {
    uint8_t* a = Header->AlphaData();
    return a ? a + size_t(Width) * Y : nullptr;
  }

  // ---- Decoding ----
  size_t ReadData(uint8_t* Buffer, size_t N);
  void DecodePass(const TPass& Pass);
  void PlaceRow(const uint8_t* Src, uint8_t* Dst, uint8_t* Alpha, const TPass& Pass,
                uint32_t Count) const;

  // ---- Encoding ----
  void GatherRow(uint8_t* Out, const uint8_t* Dib, const uint8_t* Alpha, const TPass& Pass,
                 uint32_t Count) const;
  int ChooseFilter(uint32_t N);
  void EncodePass(const TPass& Pass);
  void Feed(const uint8_t* Data, size_t N);
  void Finish();
  void WriteChunk(const uint8_t* Data, uint32_t N);
};

ORV_CLASS_IMPL(TChunkIDAT, TChunk)

// Fills Buffer with N inflated bytes, following the data from one IDAT chunk into the next.
// Returns fewer when the stream ends; raises when the data runs into another chunk.
size_t TChunkIDAT::TCoder::ReadData(uint8_t* Buffer, size_t N) {
  Z.next_out = Buffer;
  Z.avail_out = static_cast<uInt>(N);
  while (Z.avail_out > 0) {
    if (StreamEnded) {
      // The compressed stream said it was complete while rows are still expected.
      TPNGObject::Fail<EPNGMissingMultipleIDAT>(MissingMultipleIDATText);
    }
    if (Stream->Position() >= EndPosition && Z.avail_in == 0) {
      // This chunk is used up: check its CRC and go on into the next, which must be IDAT.
      uint8_t head[8];
      if (Stream->Read(head, 4) != 4) break;
      if ((Crc ^ 0xFFFFFFFFu) != ReadBE32(head)) TPNGObject::Fail<EPngInvalidCRC>(InvalidCRCText);
      if (Stream->Read(head, 8) != 8) break;
      if (std::memcmp(head + 4, "IDAT", 4) != 0)
        TPNGObject::Fail<EPNGMissingMultipleIDAT>(MissingMultipleIDATText);
      Crc = PngCrcUpdate(0xFFFFFFFFu, head + 4, 4);
      EndPosition = Stream->Position() + ReadBE32(head);
      continue;
    }
    if (Z.avail_in == 0) {
      const int64_t want = std::min<int64_t>(kInputBlock, EndPosition - Stream->Position());
      const int64_t got = Stream->Read(Block.data(), want);
      if (got <= 0) break;
      Crc = PngCrcUpdate(Crc, Block.data(), static_cast<size_t>(got));
      Z.next_in = Block.data();
      Z.avail_in = static_cast<uInt>(got);
    }
    const int r = inflate(&Z, Z_NO_FLUSH);
    if (r == Z_STREAM_END)
      StreamEnded = true;
    else if (r < 0 || r == Z_NEED_DICT)
      FailZlib(r);
  }
  if (Z.avail_out > 0) DataEnded = true;
  return N - Z.avail_out;
}

// Places Count samples of a decoded row at columns Pass.ColStart + k * Pass.ColInc.
void TChunkIDAT::TCoder::PlaceRow(const uint8_t* Src, uint8_t* Dst, uint8_t* Alpha, const TPass& P,
                                  uint32_t Count) const {
  const auto& g = Owner->DecodeGamma();
  const uint32_t s = Depth == 16 ? 2 : 1;  // bytes per sample; the first one is kept
  uint32_t c = P.ColStart;
  switch (Kind) {
    case rkPacked:
      if (P.ColInc == 1) {
        std::memcpy(Dst, Src, BytesForPixels(Count, ColorType, Depth));
        break;
      }
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc)
        OrPackedSample(Dst, c, Depth, PackedSample(Src, k, Depth));
      break;
    case rkPal2:
    case rkGrey2: {
      const uint32_t scale = Kind == rkGrey2 ? 5 : 1;
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc)
        OrPackedSample(Dst, c, 4, PackedSample(Src, k, 2) * scale);
      break;
    }
    case rkGrey16:
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) Dst[c] = Src[2 * k];
      break;
    case rkRGB:
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) {
        const uint8_t* px = Src + 3 * s * k;
        Dst[3 * c] = g[px[2 * s]];
        Dst[3 * c + 1] = g[px[s]];
        Dst[3 * c + 2] = g[px[0]];
      }
      break;
    case rkGreyAlpha:
      // No gamma on the grey index: the grey colour table carries it.
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) {
        Dst[c] = Src[2 * s * k];
        Alpha[c] = Src[2 * s * k + s];
      }
      break;
    case rkRGBAlpha:
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) {
        const uint8_t* px = Src + 4 * s * k;
        Dst[3 * c] = g[px[2 * s]];
        Dst[3 * c + 1] = g[px[s]];
        Dst[3 * c + 2] = g[px[0]];
        Alpha[c] = px[3 * s];
      }
      break;
  }
}

void TChunkIDAT::TCoder::DecodePass(const TPass& P) {
  if (P.ColStart >= Width) return;
  const uint32_t count = (Width - P.ColStart + P.ColInc - 1) / P.ColInc;
  const uint32_t n = BytesForPixels(count, ColorType, Depth);
  if (n == 0) return;
  std::memset(Rows[1 - Current].data(), 0, Rows[1 - Current].size());
  for (uint32_t y = P.RowStart; y < Height && !DataEnded; y += P.RowInc) {
    uint8_t* row = Rows[Current].data();
    const size_t got = ReadData(row, n + 1);
    if (got == 0) break;
    // A row cut short by the end of the data keeps zero samples where data is missing.
    if (got < n + 1) std::memset(row + got, 0, n + 1 - got);
    UnfilterRow(row, Rows[1 - Current].data(), n, PixelDistance);
    PlaceRow(row + 1, DibRow(y), AlphaRow(y), P, count);
    Current = 1 - Current;
  }
}

bool TChunkIDAT::ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) {
  TCoder k;
  k.Owner = Owner();
  k.Header = Header();
  k.Stream = Stream;
  TChunkIHDR* h = k.Header;
  if (h->Indexed() && (h->ColorType() == ctGrayscale || h->ColorType() == ctGrayscaleAlpha)) {
    // The grey colour table spreads the DIB's index range over black to white.
    const int n = 1 << h->DibBitCount();
    const auto& g = Owner()->DecodeGamma();
    for (int i = 0; i < n; ++i) {
      const uint8_t v = g[MulDiv(i, 255, n - 1)];
      h->BitmapInfo().Colors[i] = RGBQUAD{v, v, v, 0};
    }
  }
  k.Width = h->Width();
  k.Height = h->Height();
  k.ColorType = h->ColorType();
  k.Depth = h->BitDepth();
  k.Kind = RowKindOf(k.ColorType, k.Depth);
  k.Crc = PngCrcUpdate(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(Type.data()), 4);
  Owner()->RowLayout(k.RowBytes, k.PixelDistance);
  k.PixelDistance = std::max<uint32_t>(k.PixelDistance, 1);
  k.Block.resize(kInputBlock);
  k.EndPosition = Stream->Position() + Length;
  if (inflateInit(&k.Z) != Z_OK) TPNGObject::Fail<EPNGOutMemory>(OutMemoryText);
  k.ZMode = 1;
  k.Rows[0].assign(size_t(k.RowBytes) + 1, 0);
  k.Rows[1].assign(size_t(k.RowBytes) + 1, 0);
  k.Current = 1;
  if (Owner()->InterlaceMode() == 0) {
    k.DecodePass(kWholeImage);
  } else {
    for (const TPass& p : kAdam7) {
      k.DataEnded = false;
      k.DecodePass(p);
    }
  }
  // What is left of the last chunk's data (the end of the zlib stream) counts for its CRC.
  while (Stream->Position() < k.EndPosition) {
    const int64_t want = std::min<int64_t>(kInputBlock, k.EndPosition - Stream->Position());
    const int64_t got = Stream->Read(k.Block.data(), want);
    if (got <= 0) break;
    k.Crc = PngCrcUpdate(k.Crc, k.Block.data(), static_cast<size_t>(got));
  }
  uint8_t crc[4];
  const bool read = Stream->Read(crc, 4) == 4;
  if (!read || (k.Crc ^ 0xFFFFFFFFu) != ReadBE32(crc))
    TPNGObject::Fail<EPngInvalidCRC>(InvalidCRCText);
  return true;
}

// ---- Encoding ----

// Builds the stored row of Count pixels taken at columns Pass.ColStart + k * Pass.ColInc.
void TChunkIDAT::TCoder::GatherRow(uint8_t* Out, const uint8_t* Dib, const uint8_t* Alpha,
                                   const TPass& P, uint32_t Count) const {
  const auto& g = Owner->EncodeGamma();
  uint32_t c = P.ColStart;
  switch (Kind) {
    case rkPacked:
    case rkPal2:
    case rkGrey2:  // (written with 4 bits: the header says so by now)
      if (P.ColInc == 1) {
        std::memcpy(Out, Dib, BytesForPixels(Count, ColorType, Depth));
        break;
      }
      std::memset(Out, 0, BytesForPixels(Count, ColorType, Depth));
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc)
        OrPackedSample(Out, k, Depth, PackedSample(Dib, c, Depth));
      break;
    case rkGrey16:
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) {
        Out[2 * k] = Dib[c];
        Out[2 * k + 1] = 0;
      }
      break;
    case rkRGB:
    case rkRGBAlpha: {
      const bool alpha = Kind == rkRGBAlpha;
      const uint32_t s = Depth == 16 ? 2 : 1, step = (alpha ? 4 : 3) * s;
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) {
        uint8_t* px = Out + step * k;
        if (s == 2) std::memset(px, 0, step);
        px[0] = g[Dib[3 * c + 2]];
        px[s] = g[Dib[3 * c + 1]];
        px[2 * s] = g[Dib[3 * c]];
        if (alpha) px[3 * s] = Alpha[c];
      }
      break;
    }
    case rkGreyAlpha: {
      const uint32_t s = Depth == 16 ? 2 : 1;
      for (uint32_t k = 0; k < Count; ++k, c += P.ColInc) {
        uint8_t* px = Out + 2 * s * k;
        if (s == 2) std::memset(px, 0, 4);
        px[0] = Dib[c];
        px[s] = Alpha[c];
      }
      break;
    }
  }
}

// Picks the filter of the raw row in Enc[5] (the previous raw row is in Enc[0]) and leaves the
// raw row in Enc[0]. A filter scores the bytes that equal one of the two bytes before them; the
// lowest type among the best scores wins, and None when nothing scores.
int TChunkIDAT::TCoder::ChooseFilter(uint32_t N) {
  const TFilters set = Owner->RowFilters();
  for (int t = pfSub; t <= pfPaeth; ++t)
    if (set.Contains(TFilter(t)))
      FilterRow(t, Enc[5].data(), Enc[0].data(), Enc[t].data(), N, PixelDistance);
  std::memcpy(Enc[0].data(), Enc[5].data(), N);
  if (set.Empty() || set == TFilters{pfNone}) return pfNone;
  int best = pfNone;
  uint32_t bestScore = 0;
  for (int t = pfNone; t <= pfPaeth; ++t) {
    if (!set.Contains(TFilter(t))) continue;
    if (set == TFilters{TFilter(t)}) return t;
    const uint8_t* c = Enc[t].data();
    uint32_t score = 0;
    for (uint32_t j = 2; j < N; ++j)
      if (c[j] == c[j - 1] || c[j] == c[j - 2]) ++score;
    if (score > bestScore) {
      best = t;
      bestScore = score;
    }
  }
  return best;
}

void TChunkIDAT::TCoder::WriteChunk(const uint8_t* Data, uint32_t N) {
  uint8_t head[8];
  WriteBE32(head, N);
  std::memcpy(head + 4, "IDAT", 4);
  uint32_t crc = PngCrcUpdate(0xFFFFFFFFu, head + 4, 4);
  crc = PngCrcUpdate(crc, Data, N);
  uint8_t tail[4];
  WriteBE32(tail, crc ^ 0xFFFFFFFFu);
  Stream->WriteBuffer(head, 8);
  Stream->WriteBuffer(Data, N);
  Stream->WriteBuffer(tail, 4);
}

// Deflates Data; every time the output block fills, it becomes one IDAT chunk.
void TChunkIDAT::TCoder::Feed(const uint8_t* Data, size_t N) {
  Z.next_in = const_cast<Bytef*>(Data);
  Z.avail_in = static_cast<uInt>(N);
  while (Z.avail_in > 0) {
    deflate(&Z, Z_NO_FLUSH);
    if (Z.avail_out == 0) {
      WriteChunk(Block.data(), static_cast<uint32_t>(Block.size()));
      Z.next_out = Block.data();
      Z.avail_out = static_cast<uInt>(Block.size());
    }
  }
}

void TChunkIDAT::TCoder::Finish() {
  for (;;) {
    const int r = deflate(&Z, Z_FINISH);
    if (r == Z_STREAM_END) break;
    if (Z.avail_out == 0) {
      WriteChunk(Block.data(), static_cast<uint32_t>(Block.size()));
      Z.next_out = Block.data();
      Z.avail_out = static_cast<uInt>(Block.size());
    } else if (r < 0) {
      FailZlib(r);
    }
  }
  const uint32_t used = static_cast<uint32_t>(Block.size() - Z.avail_out);
  if (used > 0) WriteChunk(Block.data(), used);
}

void TChunkIDAT::TCoder::EncodePass(const TPass& P) {
  if (P.ColStart >= Width) return;
  const uint32_t count = (Width - P.ColStart + P.ColInc - 1) / P.ColInc;
  const uint32_t n = BytesForPixels(count, ColorType, Depth);
  if (n == 0) return;
  std::memset(Enc[0].data(), 0, n);
  for (uint32_t y = P.RowStart; y < Height; y += P.RowInc) {
    GatherRow(Enc[5].data(), DibRow(y), AlphaRow(y), P, count);
    const uint8_t type = static_cast<uint8_t>(ChooseFilter(n));
    Feed(&type, 1);
    Feed(Enc[type].data(), n);
  }
}

bool TChunkIDAT::WriteTo(TStream* Stream) {
  TCoder k;
  k.Owner = Owner();
  k.Header = Header();
  k.Stream = Stream;
  k.Width = k.Header->Width();
  k.Height = k.Header->Height();
  k.ColorType = k.Header->ColorType();
  k.Depth = k.Header->BitDepth();
  k.Kind = RowKindOf(k.ColorType, k.Depth);
  Owner()->RowLayout(k.RowBytes, k.PixelDistance);
  k.PixelDistance = std::max<uint32_t>(k.PixelDistance, 1);
  const TFilters set = Owner()->RowFilters();
  for (int t = 0; t < 6; ++t)
    if (t == 0 || t == 5 || set.Contains(TFilter(t))) k.Enc[t].assign(k.RowBytes, 0);
  k.Block.resize(Owner()->DataChunkLimit());
  if (deflateInit(&k.Z, Owner()->DeflateLevel()) != Z_OK)
    TPNGObject::Fail<EPNGOutMemory>(OutMemoryText);
  k.ZMode = 2;
  k.Z.next_out = k.Block.data();
  k.Z.avail_out = static_cast<uInt>(k.Block.size());
  if (Owner()->InterlaceMode() == 0) {
    k.EncodePass(kWholeImage);
  } else {
    for (const TPass& p : kAdam7) k.EncodePass(p);
  }
  k.Finish();
  return true;
}
