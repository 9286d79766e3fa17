// CCITT fax codec (see tifccitt.h). The run-length codes are the terminating, make-up and
// extended make-up codes of the T.4 recommendation; they are kept here as bit texts and turned
// into two binary decoding trees and two encoding tables once.
#include "imaging/codecs/tifccitt.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/io/iefileformats.h"

namespace {

const char* const kCcittWhiteTerm[64] = {
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111", "10011", "10100", "00111", "01000",
    "001000", "000011", "110100", "110101", "101010", "101011", "0100111", "0001100", "0001000", "0010111",
    "0000011", "0000100", "0101000", "0101011", "0010011", "0100100", "0011000", "00000010", "00000011",
    "00011010", "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010", "00001011",
    "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000", "01011001", "01011010",
    "01011011", "01001010", "01001011", "00110010", "00110011", "00110100"};
const char* const kCcittWhiteMakeup[27] = {
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101", "01101000",
    "01100111", "011001100", "011001101", "011010010", "011010011", "011010100", "011010101", "011010110",
    "011010111", "011011000", "011011001", "011011010", "011011011", "010011000", "010011001", "010011010",
    "011000", "010011011"};
const char* const kCcittBlackTerm[64] = {
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011", "000101", "000100", "0000100", "0000101",
    "0000111", "00000100", "00000111", "000011000", "0000010111", "0000011000", "0000001000", "00001100111",
    "00001101000", "00001101100", "00000110111", "00000101000", "00000010111", "00000011000", "000011001010",
    "000011001011", "000011001100", "000011001101", "000001101000", "000001101001", "000001101010",
    "000001101011", "000011010010", "000011010011", "000011010100", "000011010101", "000011010110",
    "000011010111", "000001101100", "000001101101", "000011011010", "000011011011", "000001010100",
    "000001010101", "000001010110", "000001010111", "000001100100", "000001100101", "000001010010",
    "000001010011", "000000100100", "000000110111", "000000111000", "000000100111", "000000101000",
    "000001011000", "000001011001", "000000101011", "000000101100", "000001011010", "000001100110",
    "000001100111"};
const char* const kCcittBlackMakeup[27] = {
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101"};
// 1792 .. 2560, the same for both colours
const char* const kCcittExtMakeup[13] = {"00000001000", "00000001100", "00000001101", "000000010010",
                                         "000000010011", "000000010100", "000000010101", "000000010110",
                                         "000000010111", "000000011100", "000000011101", "000000011110",
                                         "000000011111"};

constexpr int kCcittEntries = 128;
constexpr int kCcittEolEntry = 104;
constexpr int kCcittEndOfData = 127;
constexpr int kCcittInner = 128;

struct TCcittEntry {
  int Length = 0;
  uint32_t Code = 0;
  int Run = 0;  // -1 ignored, -3 end of line
};

struct TCcittNode {
  int Value = kCcittInner;
  int Child[2] = {-1, -1};
};

struct TCcittTables {
  TCcittEntry Entry[2][kCcittEntries];  // 0 white, 1 black
  std::vector<TCcittNode> Tree[2];
};

TCcittEntry CcittFromText(const std::string& Bits, int Run) {
  TCcittEntry e;
  e.Length = static_cast<int>(Bits.size());
  for (char c : Bits) e.Code = (e.Code << 1) | (c == '1' ? 1u : 0u);
  e.Run = Run;
  return e;
}

void CcittAddToTree(std::vector<TCcittNode>& Tree, const TCcittEntry& E, int Index) {
  int node = 0;
  for (int i = E.Length - 1; i >= 0; --i) {
    const int bit = static_cast<int>((E.Code >> i) & 1u);
    if (Tree[node].Child[bit] < 0) {
      Tree[node].Child[bit] = static_cast<int>(Tree.size());
      Tree.emplace_back();
    }
    node = Tree[node].Child[bit];
  }
  Tree[node].Value = Index;
}

TCcittTables* CcittBuild() {
  auto* t = new TCcittTables();
  for (int c = 0; c < 2; ++c) {
    const char* const* term = c == 0 ? kCcittWhiteTerm : kCcittBlackTerm;
    const char* const* makeup = c == 0 ? kCcittWhiteMakeup : kCcittBlackMakeup;
    for (int i = 0; i < 64; ++i) t->Entry[c][i] = CcittFromText(term[i], i);
    for (int i = 0; i < 27; ++i) t->Entry[c][64 + i] = CcittFromText(makeup[i], (i + 1) * 64);
    for (int i = 0; i < 13; ++i) t->Entry[c][91 + i] = CcittFromText(kCcittExtMakeup[i], 1792 + i * 64);
    t->Entry[c][104] = CcittFromText("000000000001", -3);
    t->Entry[c][105] = CcittFromText("000000001", -1);
    t->Entry[c][106] = CcittFromText("0000000001", -1);
    t->Entry[c][107] = CcittFromText("00000000001", -1);
    for (int i = 108; i < kCcittEntries; ++i) {
      // 12 to 31 zero bits and a 1: an end of line after fill bits; kept as a bit count only
      t->Entry[c][i].Length = 13 + (i - 108);
      t->Entry[c][i].Code = 1;
      t->Entry[c][i].Run = -3;
    }
    t->Tree[c].emplace_back();
    for (int i = 0; i < kCcittEntries; ++i) CcittAddToTree(t->Tree[c], t->Entry[c][i], i);
  }
  return t;
}

std::mutex CcittLock;
TCcittTables* CcittTablesPtr = nullptr;

TCcittTables& CcittTables() {
  std::lock_guard<std::mutex> g(CcittLock);
  if (CcittTablesPtr == nullptr) CcittTablesPtr = CcittBuild();
  return *CcittTablesPtr;
}

uint8_t CcittReverse(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Bit reader over the data: bits past the end read as 0.
struct TCcittBits {
  const uint8_t* Data;
  int64_t Bytes;
  int FillOrder;
  int64_t Pos;
  uint8_t ByteAt(int64_t i) const {
    if (i < 0 || i >= Bytes) return 0;
    return FillOrder == 2 ? CcittReverse(Data[i]) : Data[i];
  }
  // The 32 bits from Pos, the current bit on top.
  uint32_t Peek32() const {
    const int64_t b = Pos >> 3;
    uint64_t v = 0;
    for (int i = 0; i < 5; ++i) v = (v << 8) | ByteAt(b + i);
    return static_cast<uint32_t>(v >> (8 - (Pos & 7)));
  }
  int Bit() {
    const int v = (ByteAt(Pos >> 3) >> (7 - (Pos & 7))) & 1;
    ++Pos;
    return v;
  }
  bool AtEnd() const { return (Pos >> 3) >= Bytes; }
};

constexpr int kCcittInvalid = -1;

// Index of the run code at the reader's position (not consumed), kCcittEndOfData past the data,
// or kCcittInvalid.
int CcittReadRun(const TCcittTables& T, const TCcittBits& B, int Colour) {
  if (B.AtEnd()) return kCcittEndOfData;
  const uint32_t bits = B.Peek32();
  const std::vector<TCcittNode>& tree = T.Tree[Colour];
  int node = 0;
  for (int i = 0; i < 32; ++i) {
    node = tree[node].Child[(bits >> (31 - i)) & 1u];
    if (node < 0) return kCcittInvalid;
    if (tree[node].Value != kCcittInner) return tree[node].Value;
  }
  return kCcittInvalid;
}

// Clears bits [From, To) of a row (black in the decoders' convention), clipped to Width.
void CcittPaintBlack(uint8_t* Row, int64_t From, int64_t To, int Width) {
  From = std::max<int64_t>(From, 0);
  To = std::min<int64_t>(To, Width);
  for (int64_t x = From; x < To; ++x) Row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
}

inline int CcittPixel(const uint8_t* Line, int64_t x) { return x < 0 ? 1 : (Line[x >> 3] >> (7 - (x & 7))) & 1; }

int64_t CcittDecode1D(uint8_t* Row, TCcittBits& B, int Width) {
  const TCcittTables& t = CcittTables();
  std::memset(Row, 0xFF, static_cast<size_t>((Width + 7) / 8));
  int colour = 0;  // 0 white, 1 black
  int64_t pos = 0;
  bool makeup = false, codeRead = false;
  while (pos < Width || makeup) {
    const int e = CcittReadRun(t, B, colour);
    if (e == kCcittEndOfData) break;
    if (e == kCcittInvalid) {
      ++B.Pos;
      continue;
    }
    const TCcittEntry& en = t.Entry[colour][e];
    if (en.Run == -3) {
      B.Pos += en.Length;
      if (!codeRead) continue;
      if (colour == 1) CcittPaintBlack(Row, pos, Width, Width);
      break;
    }
    codeRead = true;
    B.Pos += en.Length;
    if (en.Run >= 0) {
      if (colour == 1) CcittPaintBlack(Row, pos, pos + en.Run, Width);
      pos += en.Run;
    }
    makeup = e >= 64;
    if (e < 64) colour ^= 1;
  }
  return B.Pos;
}

// Mode codes of two-dimensional rows, tried in this order.
struct TCcittMode {
  int Length;
  uint32_t Code;
};
const TCcittMode kCcittModes[13] = {{12, 0x000}, {4, 0x1},  {3, 0x1},  {7, 0x02}, {6, 0x02}, {3, 0x2}, {1, 0x1},
                                    {3, 0x3},    {6, 0x03}, {7, 0x03}, {10, 0x0F}, {12, 0x0F}, {12, 0x001}};
enum : int {
  kCcittModeZeros = 0, kCcittModePass = 1, kCcittModeHoriz = 2, kCcittModeV0 = 6, kCcittModeExt2D = 10,
  kCcittModeExt1D = 11, kCcittModeEol = 12
};

int CcittReadMode(const TCcittBits& B) {
  const uint32_t bits = B.Peek32();
  for (int m = 0; m < 13; ++m)
    if ((bits >> (32 - kCcittModes[m].Length)) == kCcittModes[m].Code) return m;
  return kCcittModeZeros;
}

// A run of one colour in a horizontal mode: make-up codes added until a terminating code; -1 on
// a special code or the end of the data.
int64_t CcittHorizontalRun(const TCcittTables& T, TCcittBits& B, int Colour) {
  int64_t total = 0;
  for (int guard = 0; guard < 1 << 16; ++guard) {
    const int e = CcittReadRun(T, B, Colour);
    if (e == kCcittEndOfData || e == kCcittInvalid) return -1;
    const TCcittEntry& en = T.Entry[Colour][e];
    B.Pos += en.Length;
    if (en.Run < 0) return -1;
    total += en.Run;
    if (e < 64) return total;
  }
  return -1;
}

// b1 and b2 of the reference line for a0 of colour Colour (0 white, 1 black in code terms).
void CcittFindB(const uint8_t* Ref, int64_t A0, int Colour, int Width, int64_t& B1, int64_t& B2) {
  const int a0Pixel = Colour == 0 ? 1 : 0;  // pixel value of a0's colour in the reference line
  int64_t x = A0;
  while (x < Width && CcittPixel(Ref, x) != a0Pixel) ++x;
  while (x < Width && CcittPixel(Ref, x) == a0Pixel) ++x;
  B1 = x;
  while (x < Width && CcittPixel(Ref, x) != a0Pixel) ++x;
  B2 = x;
}

}  // namespace

void IECCITTInit() { (void)CcittTables(); }

void IECCITTFree() {
  std::lock_guard<std::mutex> g(CcittLock);
  delete CcittTablesPtr;
  CcittTablesPtr = nullptr;
}

int64_t IECCITTDecodeRowMH(uint8_t* Row, const uint8_t* Data, int64_t DataBytes, int FillOrder, int Width) {
  TCcittBits b{Data, DataBytes, FillOrder, 0};
  const int64_t end = CcittDecode1D(Row, b, Width);
  return std::min<int64_t>((end + 7) / 8, std::max<int64_t>(DataBytes, 0));
}

int64_t IECCITTDecodeRow1D(uint8_t* Row, const uint8_t* Data, int64_t DataBytes, int FillOrder, int64_t StartBit,
                           int Width) {
  TCcittBits b{Data, DataBytes, FillOrder, StartBit};
  return CcittDecode1D(Row, b, Width);
}

int64_t IECCITTDecodeRow2D(uint8_t* Row, const uint8_t* Data, int64_t DataBytes, bool EolMode, int FillOrder,
                           int64_t StartBit, uint8_t* RefLine, int Width) {
  const TCcittTables& t = CcittTables();
  const size_t rowBytes = static_cast<size_t>((Width + 7) / 8);
  std::memset(Row, 0xFF, rowBytes);
  TCcittBits b{Data, DataBytes, FillOrder, StartBit};
  int64_t a0 = -1;
  int colour = 0;
  bool first = true;
  while (a0 < Width && !b.AtEnd()) {
    int mode = CcittReadMode(b);
    const int64_t modeStart = b.Pos;
    b.Pos += kCcittModes[mode].Length;
    if (mode == kCcittModeZeros && EolMode) {
      // fill bits: zeros up to and including the next 1 make an end of line
      while (!b.AtEnd() && b.Bit() == 0) {
      }
      mode = kCcittModeEol;
    }
    if (mode == kCcittModeEol) {
      if (first) {
        if (b.Bit() == 1) {
          const int64_t end = CcittDecode1D(Row, b, Width);
          std::memcpy(RefLine, Row, rowBytes);
          return end;
        }
        first = false;
        continue;
      }
      if (colour == 1 && a0 >= 0) CcittPaintBlack(Row, a0, Width, Width);
      b.Pos = modeStart;
      break;
    }
    first = false;
    int64_t b1, b2;
    switch (mode) {
      case kCcittModePass:
        CcittFindB(RefLine, a0, colour, Width, b1, b2);
        if (colour == 1) CcittPaintBlack(Row, a0, b2, Width);
        a0 = b2;
        break;
      case kCcittModeHoriz: {
        const int64_t start = std::max<int64_t>(a0, 0);
        const int64_t r1 = CcittHorizontalRun(t, b, colour);
        if (r1 < 0) break;
        const int64_t r2 = CcittHorizontalRun(t, b, colour ^ 1);
        if (r2 < 0) break;
        if (colour == 1) CcittPaintBlack(Row, start, start + r1, Width);
        else CcittPaintBlack(Row, start + r1, start + r1 + r2, Width);
        a0 = start + r1 + r2;
        break;
      }
      case kCcittModeExt2D:
      case kCcittModeExt1D: {
        // uncompressed mode: runs of white pixels ended by a black pixel or by the exit code
        int64_t x = std::max<int64_t>(a0, 0);
        bool done = false;
        while (!done && !b.AtEnd() && x < Width) {
          int g = 0;
          while (g < 11 && !b.AtEnd()) {
            ++g;
            if (b.Bit() == 1) break;
          }
          if (g <= 5) {
            x += g - 1;
            CcittPaintBlack(Row, x, x + 1, Width);
            ++x;
          } else if (g == 6) {
            x += 5;
          } else {
            x += g - 7;
            colour = b.Bit() == 1 ? 1 : 0;
            done = true;
          }
        }
        a0 = x;
        break;
      }
      case kCcittModeZeros:
        break;
      default: {  // vertical
        CcittFindB(RefLine, a0, colour, Width, b1, b2);
        const int64_t a1 = b1 + (mode - kCcittModeV0);
        if (colour == 1) CcittPaintBlack(Row, a0, a1, Width);
        a0 = std::max<int64_t>(a1, 0);
        colour ^= 1;
        break;
      }
    }
  }
  std::memcpy(RefLine, Row, rowBytes);
  return b.Pos;
}

// ---------------------------------------------------------------- encoders

namespace {

struct TCcittWriter {
  std::vector<uint8_t> Out;
  int Bits;       // bits used in Cur
  uint8_t Cur;    // unfinished byte, bits from the top
  int FillOrder;
  void Put(uint32_t Code, int Count) {
    for (int i = Count - 1; i >= 0; --i) {
      Cur = static_cast<uint8_t>(Cur | (((Code >> i) & 1u) << (7 - Bits)));
      if (++Bits == 8) {
        Out.push_back(FillOrder == 2 ? CcittReverse(Cur) : Cur);
        Cur = 0;
        Bits = 0;
      }
    }
  }
  void PadToByte() {
    if (Bits > 0) Put(0, 8 - Bits);
  }
};

void CcittPutRun(const TCcittTables& T, TCcittWriter& W, int Colour, int64_t N) {
  while (N >= 64) {
    int64_t m = N > 2560 ? 2560 : (N / 64) * 64;
    const int idx = m <= 1728 ? 63 + static_cast<int>(m / 64) : 91 + static_cast<int>((m - 1792) / 64);
    W.Put(T.Entry[Colour][idx].Code, T.Entry[Colour][idx].Length);
    N -= m;
  }
  W.Put(T.Entry[Colour][N].Code, T.Entry[Colour][N].Length);
}

// Pixel of an encoder row: 1 black, 0 white; before the row white.
inline int CcittEncPixel(const uint8_t* Row, int64_t x) { return x < 0 ? 0 : (Row[x >> 3] >> (7 - (x & 7))) & 1; }

// The changing elements of a row (pixels whose colour differs from the one before them; the
// pixel before the row counts as white) in increasing order, then Width twice as the end marks
// the two-dimensional coder may look at. Whole bytes of one colour are passed over at once.
void CcittChanges(const uint8_t* Row, int Width, std::vector<int64_t>& Out) {
  Out.clear();
  int colour = 0;
  int64_t x = 0;
  while (x < Width) {
    if ((x & 7) == 0 && x + 8 <= Width && Row[x >> 3] == (colour ? 0xFF : 0x00)) {
      x += 8;
      continue;
    }
    if (CcittEncPixel(Row, x) != colour) {
      Out.push_back(x);
      colour ^= 1;
    }
    ++x;
  }
  Out.push_back(Width);
  Out.push_back(Width);
}

void CcittEncode1D(const TCcittTables& T, TCcittWriter& W, const uint8_t* Row, int Width) {
  int64_t pos = 0;
  int colour = 0;
  while (pos < Width) {
    int64_t end = pos;
    while (end < Width && CcittEncPixel(Row, end) == colour) ++end;
    CcittPutRun(T, W, colour, end - pos);
    pos = end;
    colour ^= 1;
  }
  if (Width == 0) CcittPutRun(T, W, 0, 0);
}

// Codes a row against its reference line. The changing elements of both are listed first, and
// a0 only moves forward, so each list is walked once: the work is linear in the row's width
// (searching each element anew from a0 made a wide row of many changes quadratic).
void CcittEncode2D(const TCcittTables& T, TCcittWriter& W, const uint8_t* Row, const uint8_t* Ref, int Width) {
  std::vector<int64_t> rowChanges, refChanges;
  CcittChanges(Row, Width, rowChanges);
  CcittChanges(Ref, Width, refChanges);
  size_t i = 0, j = 0;  // first change past a0 in the row and in the reference line
  int64_t a0 = -1;
  int colour = 0;
  while (a0 < Width) {
    while (rowChanges[i] <= a0) ++i;
    while (refChanges[j] <= a0) ++j;
    const int64_t a1 = rowChanges[i];
    const int64_t a2 = a1 < Width ? rowChanges[i + 1] : Width;
    // b1: first change of the reference line after a0 whose colour is opposite to a0's colour
    size_t k = j;
    if (refChanges[k] < Width && CcittEncPixel(Ref, refChanges[k]) == colour) ++k;
    const int64_t b1 = refChanges[k];
    const int64_t b2 = b1 < Width ? refChanges[k + 1] : Width;
    if (b2 < a1) {
      W.Put(0x1, 4);  // pass
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      const TCcittMode& m = kCcittModes[kCcittModeV0 + static_cast<int>(a1 - b1)];
      W.Put(m.Code, m.Length);
      a0 = a1;
      colour ^= 1;
    } else {
      W.Put(0x1, 3);  // horizontal
      const int64_t start = std::max<int64_t>(a0, 0);
      CcittPutRun(T, W, colour, a1 - start);
      CcittPutRun(T, W, colour ^ 1, a2 - a1);
      a0 = a2;
    }
  }
}

void CcittFlush(TCcittWriter& W, TStream* Stream, TIEProgressRec& Progress, TIECCITTEncodeState* State) {
  bool failed = false;
  if (!W.Out.empty()) IECodecWrite(Stream, W.Out.data(), static_cast<int64_t>(W.Out.size()), failed, Progress);
  W.Out.clear();
  if (State != nullptr) {
    State->PendingBits = W.Bits;
    State->PendingByte = W.Cur;
  }
}

TCcittWriter CcittWriterFor(const TIECCITTEncodeState& State, int FillOrder) {
  return TCcittWriter{{}, State.PendingBits, State.PendingByte, FillOrder};
}

// Ends a strip: pads the pending bits to a byte and writes them; the reference line is dropped.
void CcittEndStrip(TCcittWriter& W, TStream* Stream, TIEProgressRec& Progress, TIECCITTEncodeState& State) {
  W.PadToByte();
  CcittFlush(W, Stream, Progress, &State);
  State.RefLine.clear();
  State.PendingBits = 0;
  State.PendingByte = 0;
}

}  // namespace

void IECCITTEncodeRowMH(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress) {
  const TCcittTables& t = CcittTables();
  TCcittWriter w{{}, 0, 0, FillOrder};
  CcittEncode1D(t, w, Row, Width);
  w.PadToByte();
  CcittFlush(w, Stream, Progress, nullptr);
}

void IECCITTEncodeRowG3(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress,
                        TIECCITTEncodeState& State) {
  const TCcittTables& t = CcittTables();
  TCcittWriter w = CcittWriterFor(State, FillOrder);
  if (Row == nullptr) return CcittEndStrip(w, Stream, Progress, State);
  // every row starts with an end of line: readers of Group 3 data synchronise on it
  w.Put(0x001, 12);
  CcittEncode1D(t, w, Row, Width);
  CcittFlush(w, Stream, Progress, &State);
}

void IECCITTEncodeRowG3_2D(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress,
                           TIECCITTEncodeState& State) {
  const TCcittTables& t = CcittTables();
  TCcittWriter w = CcittWriterFor(State, FillOrder);
  if (Row == nullptr) {
    w.Put(0x001, 12);
    return CcittEndStrip(w, Stream, Progress, State);
  }
  const size_t rowBytes = static_cast<size_t>((Width + 7) / 8);
  w.Put(0x001, 12);
  if (State.RefLine.empty()) {
    w.Put(1, 1);
    CcittEncode1D(t, w, Row, Width);
  } else {
    w.Put(0, 1);
    CcittEncode2D(t, w, Row, State.RefLine.data(), Width);
  }
  State.RefLine.assign(Row, Row + rowBytes);
  CcittFlush(w, Stream, Progress, &State);
}

void IECCITTEncodeRowG4(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress,
                        TIECCITTEncodeState& State) {
  const TCcittTables& t = CcittTables();
  TCcittWriter w = CcittWriterFor(State, FillOrder);
  if (Row == nullptr) {
    w.Put(0x001, 12);
    w.Put(0x001, 12);
    return CcittEndStrip(w, Stream, Progress, State);
  }
  const size_t rowBytes = static_cast<size_t>((Width + 7) / 8);
  if (State.RefLine.empty()) State.RefLine.assign(rowBytes, 0);
  CcittEncode2D(t, w, Row, State.RefLine.data(), Width);
  State.RefLine.assign(Row, Row + rowBytes);
  CcittFlush(w, Stream, Progress, &State);
}
