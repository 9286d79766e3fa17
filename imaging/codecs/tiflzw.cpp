// TIFF LZW coder (see tiflzw.h).
#include "imaging/codecs/tiflzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/streams.h"

namespace {

constexpr int kTifLzwClear = 256;
constexpr int kTifLzwEnd = 257;
constexpr int kTifLzwFirstFree = 258;
constexpr int kTifLzwMaxEntries = 4096;

// Decoder state of one strip. The dictionary holds each string as (prefix code, last byte,
// length, first byte); strings are written backwards from their last byte.
struct TTifLzwDecoder {
  std::vector<uint8_t> Input;
  int64_t BitPos = 0;
  int Width = 9;
  int NextFree = kTifLzwFirstFree;
  int Previous = -1;
  bool Ended = false;
  int RowBytes = 0;
  std::vector<uint8_t> Out;  // decoded bytes not yet returned (front) and the row returned last
  size_t Held = 0;           // bytes in Out
  size_t Returned = 0;       // bytes of Out handed out by the previous call
  uint16_t Prefix[kTifLzwMaxEntries + 1];
  uint8_t Suffix[kTifLzwMaxEntries + 1];
  uint8_t First[kTifLzwMaxEntries + 1];
  uint16_t Length[kTifLzwMaxEntries + 1];
};

// The next code, or -1 when it would start past the data.
int TifLzwReadCode(TTifLzwDecoder& D) {
  const int64_t totalBits = static_cast<int64_t>(D.Input.size()) * 8;
  if (D.BitPos + D.Width > totalBits) return -1;
  uint32_t acc = 0;
  const size_t at = static_cast<size_t>(D.BitPos >> 3);
  for (int i = 0; i < 4; ++i) acc = (acc << 8) | (at + i < D.Input.size() ? D.Input[at + i] : 0);
  acc <<= (D.BitPos & 7);
  D.BitPos += D.Width;
  return static_cast<int>(acc >> (32 - D.Width));
}

void TifLzwReset(TTifLzwDecoder& D) {
  D.NextFree = kTifLzwFirstFree;
  D.Width = 9;
}

// Appends the string of Code to the output.
void TifLzwEmit(TTifLzwDecoder& D, int Code) {
  const int len = D.Length[Code];
  if (D.Held + len > D.Out.size()) D.Out.resize(D.Held + len + 1024);
  uint8_t* p = D.Out.data() + D.Held + len;
  int c = Code;
  for (int i = 0; i < len; ++i) {
    *--p = D.Suffix[c];
    c = D.Prefix[c];
  }
  D.Held += len;
}

// Adds Previous + FirstByte as the next entry; false when the table is full.
bool TifLzwAdd(TTifLzwDecoder& D, int Previous, uint8_t FirstByte) {
  if (D.NextFree >= kTifLzwMaxEntries) return false;
  const int n = D.NextFree;
  D.Prefix[n] = static_cast<uint16_t>(Previous);
  D.Suffix[n] = FirstByte;
  D.First[n] = D.First[Previous];
  D.Length[n] = static_cast<uint16_t>(std::min<int>(D.Length[Previous] + 1, 65535));
  ++D.NextFree;
  if (D.NextFree == 511) D.Width = 10;
  else if (D.NextFree == 1023) D.Width = 11;
  else if (D.NextFree == 2047) D.Width = 12;
  return true;
}

uint8_t* TifLzwDecodeRow(TTifLzwDecoder& D) {
  // drop the row returned by the previous call
  if (D.Returned > 0) {
    std::memmove(D.Out.data(), D.Out.data() + D.Returned, D.Held - D.Returned);
    D.Held -= D.Returned;
    D.Returned = 0;
  }
  while (D.Held < static_cast<size_t>(D.RowBytes) && !D.Ended) {
    int c = TifLzwReadCode(D);
    if (c < 0 || c == kTifLzwEnd) {
      D.Ended = true;
      break;
    }
    if (c == kTifLzwClear) {
      TifLzwReset(D);
      c = TifLzwReadCode(D);
      if (c < 0 || c == kTifLzwEnd) {
        D.Ended = true;
        break;
      }
      if (c >= D.NextFree) return nullptr;
      TifLzwEmit(D, c);
      D.Previous = c;
      continue;
    }
    if (D.Previous < 0) {
      // data that do not start with a Clear code: the first code must be a byte
      if (c > 255) return nullptr;
      TifLzwEmit(D, c);
      D.Previous = c;
      continue;
    }
    if (c > D.NextFree) return nullptr;
    if (c == D.NextFree) {
      if (!TifLzwAdd(D, D.Previous, D.First[D.Previous])) return nullptr;
      TifLzwEmit(D, c);
    } else {
      TifLzwEmit(D, c);
      if (!TifLzwAdd(D, D.Previous, D.First[c])) return nullptr;
    }
    D.Previous = c;
  }
  if (D.Held < static_cast<size_t>(D.RowBytes)) {
    // the data ended early: the rest of the row is zero
    if (D.Out.size() < static_cast<size_t>(D.RowBytes)) D.Out.resize(D.RowBytes);
    std::memset(D.Out.data() + D.Held, 0, D.RowBytes - D.Held);
    D.Held = D.RowBytes;
  }
  D.Returned = D.RowBytes;
  return D.Out.data();
}

// ---- encoder ----

constexpr int kTifLzwHashSize = 5003;
constexpr int kTifLzwHashShift = 4;

struct TTifLzwEncoder {
  TStream* Output = nullptr;
  uint32_t Acc = 0;
  int AccBits = 0;
  int Width = 9;
  int MaxCode = 511;
  int NextFree = kTifLzwFirstFree;
  int Prefix = -1;
  bool ClearPending = false;
  int32_t HashKey[kTifLzwHashSize];
  uint16_t HashCode[kTifLzwHashSize];
  uint8_t Buf[254];
  int BufLen = 0;
};

void TifLzwFlushBuf(TTifLzwEncoder& E) {
  if (E.BufLen > 0) E.Output->Write(E.Buf, E.BufLen);
  E.BufLen = 0;
}

void TifLzwPutByte(TTifLzwEncoder& E, uint8_t b) {
  E.Buf[E.BufLen++] = b;
  if (E.BufLen == static_cast<int>(sizeof(E.Buf))) TifLzwFlushBuf(E);
}

void TifLzwPutCode(TTifLzwEncoder& E, int Code) {
  E.Acc |= static_cast<uint32_t>(Code) << (32 - E.AccBits - E.Width);
  E.AccBits += E.Width;
  while (E.AccBits >= 8) {
    TifLzwPutByte(E, static_cast<uint8_t>(E.Acc >> 24));
    E.Acc <<= 8;
    E.AccBits -= 8;
  }
  if (E.ClearPending) {
    E.Width = 9;
    E.MaxCode = 511;
    E.ClearPending = false;
  } else if (E.NextFree >= E.MaxCode && E.Width < 12) {
    ++E.Width;
    E.MaxCode = (1 << E.Width) - 1;
  }
}

void TifLzwClearHash(TTifLzwEncoder& E) { std::fill(std::begin(E.HashKey), std::end(E.HashKey), -1); }

void TifLzwEncodeBytes(TTifLzwEncoder& E, const uint8_t* Data, int Count) {
  int i = 0;
  if (E.Prefix < 0 && Count > 0) E.Prefix = Data[i++];
  for (; i < Count; ++i) {
    const int k = Data[i];
    const int32_t key = (k << 12) + E.Prefix;
    int slot = (k << kTifLzwHashShift) ^ E.Prefix;
    if (E.HashKey[slot] == key) {
      E.Prefix = E.HashCode[slot];
      continue;
    }
    bool found = false;
    if (E.HashKey[slot] >= 0) {
      const int disp = slot == 0 ? 1 : kTifLzwHashSize - slot;
      for (;;) {
        slot -= disp;
        if (slot < 0) slot += kTifLzwHashSize;
        if (E.HashKey[slot] == key) {
          E.Prefix = E.HashCode[slot];
          found = true;
          break;
        }
        if (E.HashKey[slot] < 0) break;
      }
    }
    if (found) continue;
    TifLzwPutCode(E, E.Prefix);
    E.Prefix = k;
    if (E.NextFree > 4093) {
      TifLzwClearHash(E);
      E.NextFree = kTifLzwFirstFree;
      E.ClearPending = true;
      TifLzwPutCode(E, kTifLzwClear);
    } else {
      E.HashKey[slot] = key;
      E.HashCode[slot] = static_cast<uint16_t>(E.NextFree++);
    }
  }
}

}  // namespace

uint8_t* TiffLzwDecompress(const uint8_t* CompData, int DecodedLength, void*& Context, int CompLength) {
  auto* d = static_cast<TTifLzwDecoder*>(Context);
  if (CompData == nullptr) {
    delete d;
    Context = nullptr;
    return nullptr;
  }
  if (d == nullptr) {
    if (DecodedLength <= 0) return nullptr;
    d = new TTifLzwDecoder();
    d->Input.assign(CompData, CompData + std::max(CompLength, 0));
    d->RowBytes = DecodedLength;
    d->Out.resize(static_cast<size_t>(DecodedLength) + 1);
    for (int i = 0; i < 256; ++i) {
      d->Prefix[i] = 0;
      d->Suffix[i] = static_cast<uint8_t>(i);
      d->First[i] = static_cast<uint8_t>(i);
      d->Length[i] = 1;
    }
    for (int i = 256; i <= kTifLzwMaxEntries; ++i) {
      d->Prefix[i] = 0;
      d->Suffix[i] = d->First[i] = 0;
      d->Length[i] = 0;
    }
    Context = d;
  }
  return TifLzwDecodeRow(*d);
}

void TiffLzwCompress(const uint8_t* Row, int RowLength, TStream* Output, void*& Context) {
  auto* e = static_cast<TTifLzwEncoder*>(Context);
  if (e == nullptr) {
    if (Row == nullptr) return;
    e = new TTifLzwEncoder();
    e->Output = Output;
    TifLzwClearHash(*e);
    e->ClearPending = true;
    TifLzwPutCode(*e, kTifLzwClear);
    Context = e;
  }
  if (Row != nullptr) {
    TifLzwEncodeBytes(*e, Row, RowLength);
    return;
  }
  if (e->Prefix >= 0) TifLzwPutCode(*e, e->Prefix);
  TifLzwPutCode(*e, kTifLzwEnd);
  if (e->AccBits > 0) TifLzwPutByte(*e, static_cast<uint8_t>(e->Acc >> 24));
  TifLzwFlushBuf(*e);
  delete e;
  Context = nullptr;
}
