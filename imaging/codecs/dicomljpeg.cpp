// JPEG lossless (process 14) decoder of the DICOM reader (see dicomfilt.h).
#include <algorithm>
#include <cstring>

#include "imaging/codecs/dicomfilt.h"
#include "imaging/codecs/iecodecutil.h"

namespace {

// One Huffman table: the 8-bit lookup and, for longer codes, the canonical limits per length.
struct TLjpegHuffTable {
  uint8_t FastLength[256] = {};  // 0: the code is longer than 8 bits
  uint8_t FastValue[256] = {};
  int32_t MaxCode[18] = {};
  int32_t ValPtr[17] = {};
  int32_t MinCode[17] = {};
  uint8_t Values[17] = {};
};

void LjpegBuildTable(const uint8_t* Counts, const uint8_t* Values, int Total, TLjpegHuffTable& T) {
  std::memcpy(T.Values, Values, static_cast<size_t>(Total));
  int code = 0, k = 0;
  for (int len = 1; len <= 16; ++len) {
    T.ValPtr[len] = k;
    T.MinCode[len] = code;
    for (int i = 0; i < Counts[len - 1]; ++i) {
      if (len <= 8) {
        const int shift = 8 - len;
        for (int f = 0; f < (1 << shift); ++f) {
          const int idx = (code << shift) | f;
          if (idx < 256) {
            T.FastLength[idx] = static_cast<uint8_t>(len);
            T.FastValue[idx] = Values[k];
          }
        }
      }
      ++code;
      ++k;
    }
    T.MaxCode[len] = Counts[len - 1] != 0 ? code - 1 : -1;
    code <<= 1;
  }
  T.MaxCode[17] = 0x7FFFFFFF;
}

// Bits of the unstuffed scan data, most significant first; zeros past the end.
class TLjpegBits {
public:
  TLjpegBits(const std::vector<uint8_t>& Data) : D(Data) {}
  int Bit() {
    if (FCount == 0) {
      FByte = FPos < D.size() ? D[FPos] : 0;
      ++FPos;
      FCount = 8;
    }
    --FCount;
    return (FByte >> FCount) & 1;
  }
  int Bits(int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) v = (v << 1) | Bit();
    return v;
  }
  int Peek8() {
    int v = 0;
    const size_t savePos = FPos;
    const int saveCount = FCount, saveByte = FByte;
    v = Bits(8);
    FPos = savePos;
    FCount = saveCount;
    FByte = saveByte;
    return v;
  }
  void Reset(size_t Pos) {
    FPos = Pos;
    FCount = 0;
  }
  size_t BytePos() const { return FPos; }

private:
  const std::vector<uint8_t>& D;
  size_t FPos = 0;
  int FCount = 0, FByte = 0;
};

int LjpegDecodeValue(TLjpegBits& B, const TLjpegHuffTable& T) {
  const int peek = B.Peek8();
  if (T.FastLength[peek] != 0) {
    B.Bits(T.FastLength[peek]);
    return T.FastValue[peek];
  }
  int code = B.Bits(8);
  for (int len = 9; len <= 16; ++len) {
    code = (code << 1) | B.Bit();
    if (T.MaxCode[len] >= 0 && code <= T.MaxCode[len] && code >= T.MinCode[len]) {
      const int k = T.ValPtr[len] + code - T.MinCode[len];
      return k >= 0 && k < 17 ? T.Values[k] : 0;
    }
  }
  return 0;
}

int LjpegDifference(TLjpegBits& B, int Ssss) {
  if (Ssss == 0) return 0;
  if (Ssss == 16) return 32768;
  const int v = B.Bits(Ssss);
  return v < (1 << (Ssss - 1)) ? v - (1 << Ssss) + 1 : v;
}

}  // namespace

bool LosslessJpegDecode(const uint8_t* Data, int64_t Length, std::vector<uint8_t>& Bytes,
                        std::vector<uint16_t>& Words, int& Width, int& Height, int& Components, int& Precision) {
  Width = Height = Components = Precision = 0;
  if (Data == nullptr || Length < 32) return false;
  std::vector<TLjpegHuffTable> tables;
  bool lossless = false, sos = false;
  int ss = 1, pt = 0, restart = 0;
  int64_t pos = 2, scan = 0;
  while (pos + 1 < Length && !sos) {
    if (Data[pos] != 0xFF) break;
    const int m = Data[pos + 1];
    if (m == 0xFF) {
      pos += 1;
      continue;
    }
    if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      pos += 2;
      continue;
    }
    if (pos + 4 > Length) break;
    const int64_t segEnd = pos + 2 + (Data[pos + 2] << 8 | Data[pos + 3]);
    if (segEnd > Length) break;
    const uint8_t* s = Data + pos + 4;
    const int64_t segLen = segEnd - pos - 4;
    if ((m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xCB) || (m >= 0xCD && m <= 0xCF)) {
      if (segLen >= 6) {
        Precision = s[0];
        Height = s[1] << 8 | s[2];
        Width = s[3] << 8 | s[4];
        Components = s[5];
        lossless = m == 0xC3;
      }
    } else if (m == 0xC4) {
      tables.clear();
      int64_t p = 0;
      bool bad = false;
      while (segLen - p > 17) {
        const uint8_t* counts = s + p + 1;
        int total = 0;
        for (int i = 0; i < 16; ++i) total += counts[i];
        if (total > 17 || p + 17 + total > segLen) {
          bad = true;
          break;
        }
        const uint8_t* values = s + p + 17;
        for (int i = 0; i < total; ++i)
          if (values[i] > 16) bad = true;
        if (bad) break;
        tables.emplace_back();
        LjpegBuildTable(counts, values, total, tables.back());
        p += 17 + total;
      }
      if (bad) break;
    } else if (m == 0xDA) {
      if (segLen >= 1) {
        const int n = s[0];
        if (segLen >= 1 + 2 * n + 3) {
          ss = s[1 + 2 * n];
          pt = s[3 + 2 * n] & 0x0F;
          sos = true;
          scan = segEnd;
        }
      }
    } else if (m == 0xDD) {
      if (segLen >= 2) restart = s[0] << 8 | s[1];
    }
    pos = segEnd;
  }
  if (!sos || !lossless || tables.empty()) return false;
  if (Width <= 0 || Height <= 0 || Components < 1 || Components > 4 || Precision < 2 || Precision > 16) return false;
  if (!IEPlausibleImageSize(Width, Height, Length)) return false;

  // Scan data without the stuffed zeros, up to the end-of-image marker; restart marker positions
  // (in the unstuffed data) remembered.
  std::vector<uint8_t> d;
  std::vector<size_t> rst;
  d.reserve(static_cast<size_t>(Length - scan));
  for (int64_t i = scan; i < Length; ++i) {
    if (Data[i] != 0xFF) {
      d.push_back(Data[i]);
      continue;
    }
    if (i + 1 >= Length) break;
    const int n = Data[i + 1];
    if (n == 0x00) {
      d.push_back(0xFF);
      ++i;
    } else if (n >= 0xD0 && n <= 0xD7) {
      rst.push_back(d.size());
      ++i;
    } else if (n == 0xD9) {
      break;
    } else if (n == 0xFF) {
      continue;
    } else {
      ++i;
    }
  }

  const int nc = Components;
  const bool eight = Precision == 8;
  const int outComps = eight ? nc : 1;
  const size_t pixels = static_cast<size_t>(Width) * static_cast<size_t>(Height);
  if (eight)
    Bytes.assign(pixels * static_cast<size_t>(nc), 0);
  else
    Words.assign(pixels, 0);
  const int mask = eight ? 0xFF : 0xFFFF;
  const int initial = Precision - pt - 1 >= 0 ? 1 << (Precision - pt - 1) : 0;
  std::vector<int> prev(static_cast<size_t>(Width) * nc, 0), cur(static_cast<size_t>(Width) * nc, 0);
  TLjpegBits bits(d);
  int mcus = 0;
  size_t rstIdx = 0;
  bool intervalStart = true, firstLine = true;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      if (restart > 0 && mcus == restart) {
        // To the data after the next restart marker.
        while (rstIdx < rst.size() && rst[rstIdx] < bits.BytePos()) ++rstIdx;
        if (rstIdx < rst.size()) bits.Reset(rst[rstIdx++]);
        else bits.Reset(bits.BytePos());
        mcus = 0;
        intervalStart = true;
        firstLine = true;
      }
      for (int c = 0; c < nc; ++c) {
        const TLjpegHuffTable& t = tables[static_cast<size_t>(static_cast<int>(tables.size()) >= nc ? c : 0)];
        const int diff = LjpegDifference(bits, LjpegDecodeValue(bits, t));
        int pred;
        const size_t at = static_cast<size_t>(x) * nc + c;
        if (intervalStart) {
          pred = initial;
        } else if (firstLine) {
          pred = x > 0 ? cur[at - nc] : prev[at];
        } else if (x == 0) {
          pred = prev[at];
        } else {
          const int ra = cur[at - nc], rb = prev[at], rc = prev[at - nc];
          switch (ss) {
            case 1: pred = ra; break;
            case 2: pred = rb; break;
            case 3: pred = rc; break;
            case 4: pred = ra + rb - rc; break;
            case 5: pred = ra + ((rb - rc) >> 1); break;
            case 6: pred = rb + ((ra - rc) >> 1); break;
            case 7: pred = (ra + rb) / 2; break;
            default: pred = ra; break;
          }
        }
        const int v = (pred + diff) & mask;
        cur[at] = v;
        if (c < outComps) {
          const size_t o = static_cast<size_t>(y) * Width + x;
          if (eight) Bytes[o * nc + c] = static_cast<uint8_t>(v);
          else Words[o] = static_cast<uint16_t>(v);
        }
      }
      intervalStart = false;
      ++mcus;
    }
    firstLine = false;
    std::swap(prev, cur);
  }
  return true;
}
