// GIF LZW coder (see giflzw.h).
#include "imaging/codecs/giflzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/streams.h"

namespace {

constexpr int kTableSize = 4096;
constexpr int kHashSize = 5003;

// Where the next decoded index goes: rows in file order, or the four interlace passes.
struct TRowWalk {
  int Width, Height;
  bool Interlaced;
  int Row = 0, Col = 0, Pass = 0, Step = 8;
  TRowWalk(int W, int H, bool I) : Width(W), Height(H), Interlaced(I) { Step = I ? 8 : 1; }
  // Moves to the next row after a full one.
  void NextRow() {
    Col = 0;
    Row += Step;
    if (!Interlaced) return;
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    while (Row >= Height && Pass < 3) {
      ++Pass;
      Row = kStart[Pass];
      Step = kStep[Pass];
    }
  }
};

// LSB-first codes of a given size (at most 12 bits) from the collected bytes, which carry three
// zero bytes of padding past Size so that a code is one three-byte load.
struct TBitReader {
  const uint8_t* Data;
  size_t Size;
  size_t BitPos = 0;
  // -1 when fewer than Bits bits remain.
  int Get(int Bits) {
    if (BitPos + static_cast<size_t>(Bits) > Size * 8) return -1;
    const uint8_t* p = Data + (BitPos >> 3);
    const uint32_t v = (p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16) >> (BitPos & 7);
    BitPos += Bits;
    return static_cast<int>(v & ((1u << Bits) - 1));
  }
  bool Exhausted(int Bits) const { return BitPos + static_cast<size_t>(Bits) > Size * 8; }
  bool BytesLeft() const { return (BitPos + 7) / 8 < Size; }
};

}  // namespace

void GifLzwDecompress(TStream* Stream, int Height, int Width, uint8_t* Output, bool Interlaced) {
  const int64_t p0 = Stream->Position();
  auto fail = [&] { Stream->SetPosition(p0); };
  uint8_t m = 0;
  if (Stream->Read(&m, 1) != 1 || m < 2 || m > 9) return fail();
  // Collect the sub-blocks; a stream that ends without the zero length ends the data.
  std::vector<uint8_t> data;
  uint8_t block[256];
  for (;;) {
    uint8_t len = 0;
    if (Stream->Read(&len, 1) != 1 || len == 0) break;
    const int64_t got = Stream->Read(block, len);
    if (got > 0) data.insert(data.end(), block, block + got);
    if (got < len) break;
  }
  if (data.empty()) return;

  const int clear = 1 << m, end = clear + 1;
  int codeSize = m + 1, nextFree = end + 1, limit = 1 << (m + 1);
  std::vector<int16_t> prefix(kTableSize, -1);
  std::vector<uint8_t> suffix(kTableSize, 0), first(kTableSize, 0);
  for (int i = 0; i < clear && i < kTableSize; ++i) suffix[i] = first[i] = static_cast<uint8_t>(i);
  uint8_t stack[kTableSize];
  TRowWalk walk(Width, Height, Interlaced);
  const bool canWrite = Width > 0 && Height > 0 && Output != nullptr;
  auto put = [&](uint8_t v) {
    if (!canWrite) return;
    if (walk.Row < Height) Output[static_cast<size_t>(walk.Row) * Width + walk.Col] = v;
    if (++walk.Col >= Width) walk.NextRow();
  };
  // Pushes the string of Code (at most the table's depth) and empties it into the output.
  auto emit = [&](int Code) {
    int sp = 0;
    while (Code > end && sp < kTableSize - 1) {
      stack[sp++] = suffix[Code];
      Code = prefix[Code];
    }
    stack[sp++] = static_cast<uint8_t>(Code);
    while (sp > 0) put(stack[--sp]);
  };
  bool tableFull = false;
  auto add = [&](int Prev, uint8_t Byte) {
    if (nextFree > limit || nextFree >= kTableSize) return;
    prefix[nextFree] = static_cast<int16_t>(Prev);
    suffix[nextFree] = Byte;
    first[nextFree] = first[Prev];
    ++nextFree;
    if (nextFree >= limit) {
      if (codeSize >= 12)
        tableFull = true;
      else {
        ++codeSize;
        limit <<= 1;
      }
    }
  };

  const size_t collected = data.size();
  data.resize(collected + 3, 0);
  TBitReader bits{data.data(), collected};
  int code = bits.Get(codeSize);
  if (code < 0) return;
  // A stream that does not begin with a clear code starts from the state a clear code gives:
  // the first code is taken as a literal, as after a clear.
  bool afterClear = true;
  int prev = 0;
  while (code != end) {
    if (code == clear || afterClear) {
      if (code == clear) {
        codeSize = m + 1;
        nextFree = end + 1;
        limit = 1 << (m + 1);
        tableFull = false;
        do {
          code = bits.Get(codeSize);
          if (code < 0) return;
        } while (code == clear);
        if (code == end) {
          if (bits.BytesLeft()) fail();
          return;
        }
      }
      afterClear = false;
      if (code >= nextFree) code = 0;
      emit(code);
      prev = code;
    } else if (code < nextFree) {
      emit(code);
      add(prev, first[code]);
      prev = code;
    } else if (code == nextFree && nextFree < kTableSize) {
      add(prev, first[prev]);
      emit(code);
      prev = code;
    } else {
      return fail();
    }
    if (bits.Exhausted(codeSize)) return;
    code = bits.Get(codeSize);
    if (tableFull) {
      if (code != clear) return fail();
      tableFull = false;
    }
  }
}

void GifLzwCompress(TStream* Stream, int Height, int Width, int BitsPerPixel, const uint8_t* Buffer,
                    bool Interlaced) {
  const int c = std::max(2, std::min(BitsPerPixel, 8));
  const uint8_t cb = static_cast<uint8_t>(c);
  Stream->Write(&cb, 1);
  const int initBits = c + 1, clear = 1 << c, eof = clear + 1;
  int freeEnt = clear + 2, nBits = initBits, maxCode = (1 << nBits) - 1;
  bool clearFlag = false;
  // 8 minus the doublings that take the table size to at least 65,535.
  int hshift = 0;
  for (long f = kHashSize; f < 65536L; f *= 2) ++hshift;
  hshift = 8 - hshift;
  std::vector<int32_t> htab(kHashSize, -1);
  std::vector<uint16_t> codetab(kHashSize, 0);

  uint32_t acc = 0;
  int accBits = 0;
  uint8_t packet[255];
  int packetLen = 0;
  auto flushPacket = [&] {
    if (packetLen == 0) return;
    const uint8_t n = static_cast<uint8_t>(packetLen);
    Stream->Write(&n, 1);
    Stream->Write(packet, packetLen);
    packetLen = 0;
  };
  auto byteOut = [&](uint8_t b) {
    packet[packetLen++] = b;
    if (packetLen >= 254) flushPacket();
  };
  auto output = [&](int code) {
    acc |= static_cast<uint32_t>(code) << accBits;
    accBits += nBits;
    while (accBits >= 8) {
      byteOut(static_cast<uint8_t>(acc & 0xFF));
      acc >>= 8;
      accBits -= 8;
    }
    if (freeEnt > maxCode || clearFlag) {
      if (clearFlag) {
        nBits = initBits;
        maxCode = (1 << nBits) - 1;
        clearFlag = false;
      } else {
        ++nBits;
        maxCode = nBits == 12 ? kTableSize : (1 << nBits) - 1;
      }
    }
    if (code == eof) {
      while (accBits > 0) {
        byteOut(static_cast<uint8_t>(acc & 0xFF));
        acc >>= 8;
        accBits -= 8;
      }
      accBits = 0;
      flushPacket();
    }
  };

  // Rows in the order they are stored.
  std::vector<int> rows;
  if (Height > 0) {
    rows.reserve(Height);
    if (Interlaced) {
      static const int kStart[4] = {0, 4, 2, 1};
      static const int kStep[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int r = kStart[p]; r < Height; r += kStep[p]) rows.push_back(r);
    } else {
      for (int r = 0; r < Height; ++r) rows.push_back(r);
    }
  }
  output(clear);
  const int64_t total = static_cast<int64_t>(Width) * Height;
  if (total > 0 && Buffer != nullptr) {
    const int mask = clear - 1;  // indexes above the code size cannot be coded: kept in range
    int ent = Buffer[static_cast<size_t>(rows[0]) * Width] & mask;
    bool firstPixel = true;
    for (int r : rows) {
      const uint8_t* line = Buffer + static_cast<size_t>(r) * Width;
      for (int x = 0; x < Width; ++x) {
        if (firstPixel) {
          firstPixel = false;
          continue;
        }
        const int k = line[x] & mask;
        const int32_t fcode = (k << 12) + ent;
        int i = (k << hshift) ^ ent;
        bool found = false;
        if (htab[i] == fcode) {
          found = true;
        } else if (htab[i] >= 0) {
          const int disp = i == 0 ? 1 : kHashSize - i;
          do {
            i -= disp;
            if (i < 0) i += kHashSize;
            if (htab[i] == fcode) {
              found = true;
              break;
            }
          } while (htab[i] > 0);
        }
        if (found) {
          ent = codetab[i];
          continue;
        }
        output(ent);
        if (freeEnt < kTableSize) {
          codetab[i] = static_cast<uint16_t>(freeEnt++);
          htab[i] = fcode;
        } else {
          std::fill(htab.begin(), htab.end(), -1);
          freeEnt = clear + 2;
          clearFlag = true;
          output(clear);
        }
        ent = k;
      }
    }
    output(ent);
  }
  output(eof);
  const uint8_t zero = 0;
  Stream->Write(&zero, 1);
}
