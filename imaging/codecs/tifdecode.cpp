// TIFF decoding of strips and tiles (see tifinternal.h).
//
// Each strip or tile is read whole (its byte count capped at the stream), decompressed into rows
// of samples, and each row is unpacked, un-predicted and converted into the bitmap. Rows that the
// data do not reach are left as allocated; nothing is ever read past a buffer. Pages with
// separate planes decompress every plane and interleave the samples, so they go through the same
// row converter.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/tifccitt.h"
#include "imaging/codecs/tifinternal.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecolor.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

uint8_t TifDecReverse(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Bytes of one compressed row of Width pixels (Samples samples per pixel in the row).
int64_t TifDecRowBytes(int64_t Width, int Samples, int Bits) { return (Width * Samples * Bits + 7) / 8; }

// One strip, tile or plane being decompressed into Rows x RowBytes bytes.
struct TTifDecBlock {
  std::vector<uint8_t> Data;   // compressed bytes as read
  std::vector<uint8_t> Rows;   // decompressed rows
  int RowsDone = 0;            // rows the data reached
};

// Reads Count bytes at base + Offset (capped at the stream); a count of 0 reads to the end.
void TifDecReadBlock(const TTIFFVars& V, int64_t Offset, int64_t Count, std::vector<uint8_t>& Out) {
  Out.clear();
  const int64_t size = V.Stream->Size();
  const int64_t pos = V.Base + Offset;
  if (Offset < 0 || pos >= size) return;
  if (Count <= 0 || Count > size - pos) Count = size - pos;
  Out.resize(static_cast<size_t>(Count));
  V.Stream->SetPosition(pos);
  Out.resize(static_cast<size_t>(std::max<int64_t>(0, V.Stream->Read(Out.data(), Count))));
}

// Inflates Data into Out (Out's size fixed); returns the bytes produced (truncated data give
// what they hold).
int64_t TifDecInflate(const std::vector<uint8_t>& Data, std::vector<uint8_t>& Out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return 0;
  z.next_in = const_cast<Bytef*>(Data.data());
  z.avail_in = static_cast<uInt>(std::min<size_t>(Data.size(), 0x7FFFFFFF));
  z.next_out = Out.data();
  z.avail_out = static_cast<uInt>(std::min<size_t>(Out.size(), 0x7FFFFFFF));
  while (z.avail_out > 0) {
    const int r = inflate(&z, Z_SYNC_FLUSH);
    if (r != Z_OK) break;
  }
  const int64_t produced = static_cast<int64_t>(Out.size() - z.avail_out);
  inflateEnd(&z);
  return produced;
}

// Decompresses Rows rows of RowBytes (Width pixels) from B.Data into B.Rows. False when the
// LZW routine fails (the page aborts).
bool TifDecDecompress(const TTIFFVars& V, TTifDecBlock& B, int Rows, int64_t RowBytes, int Width) {
  const int64_t n = static_cast<int64_t>(B.Data.size());
  B.Rows.assign(static_cast<size_t>(Rows * RowBytes), 0);
  B.RowsDone = 0;
  const bool reverse = V.FillOrder == 2;
  switch (V.Compression) {
    case 1: {
      const int64_t bytes = std::min<int64_t>(n, Rows * RowBytes);
      if (bytes > 0) std::memcpy(B.Rows.data(), B.Data.data(), static_cast<size_t>(bytes));
      if (reverse && V.BitsPerSample <= 8)
        for (int64_t i = 0; i < bytes; ++i) B.Rows[size_t(i)] = TifDecReverse(B.Rows[size_t(i)]);
      B.RowsDone = static_cast<int>(std::min<int64_t>(Rows, (bytes + RowBytes - 1) / RowBytes));
      return true;
    }
    case 2: case 3: case 4: {
      if (V.BitsPerSample != 1 || V.SamplesPerPixel != 1) return true;
      int64_t at = 0, bit = 0;
      std::vector<uint8_t> ref(static_cast<size_t>(RowBytes), 0xFF);
      const bool twoD = V.Compression == 4 || (V.Compression == 3 && (V.T4Options & 1));
      const bool eol = V.Compression == 3 || (V.T4Options & 4);
      for (int r = 0; r < Rows; ++r) {
        uint8_t* row = B.Rows.data() + r * RowBytes;
        if (V.Compression == 2) {
          if (at >= n) break;
          at += std::max<int64_t>(1, IECCITTDecodeRowMH(row, B.Data.data() + at, n - at, V.FillOrder, Width));
        } else {
          if (bit >= n * 8) break;
          if (twoD)
            bit = IECCITTDecodeRow2D(row, B.Data.data(), n, eol, V.FillOrder, bit, ref.data(), Width);
          else
            bit = IECCITTDecodeRow1D(row, B.Data.data(), n, V.FillOrder, bit, Width);
        }
        B.RowsDone = r + 1;
      }
      return true;
    }
    case 5: {
      if (n == 0) return true;
      std::vector<uint8_t> data = B.Data;
      if (reverse)
        for (uint8_t& b : data) b = TifDecReverse(b);
      void* ctx = nullptr;
      bool ok = true;
      for (int r = 0; r < Rows; ++r) {
        const uint8_t* row = V.LzwDecompress(data.data(), static_cast<int>(RowBytes), ctx, static_cast<int>(n));
        if (row == nullptr) {
          ok = false;
          break;
        }
        std::memcpy(B.Rows.data() + r * RowBytes, row, static_cast<size_t>(RowBytes));
        B.RowsDone = r + 1;
      }
      if (ctx != nullptr) V.LzwDecompress(nullptr, 0, ctx, 0);
      return ok;
    }
    case 8: case 32946: {
      if (n == 0) return true;
      const int64_t got = TifDecInflate(B.Data, B.Rows);
      B.RowsDone = static_cast<int>(std::min<int64_t>(Rows, (got + RowBytes - 1) / RowBytes));
      return true;
    }
    case 32773: {
      int64_t consumed = 0;
      for (int r = 0; r < Rows && consumed < n; ++r) {
        TiffPackBitsRow(B.Data.data(), n, consumed, B.Rows.data() + r * RowBytes, RowBytes, reverse);
        B.RowsDone = r + 1;
      }
      return true;
    }
    default:
      return true;  // not decoded
  }
}

// Undoes horizontal differencing on one row of Count samples per pixel.
void TifDecPredict(const TTIFFVars& V, uint8_t* Row, int Width, int Samples) {
  if (V.Predictor != 2) return;
  if (V.Compression != 5 && V.Compression != 8 && V.Compression != 32946) return;
  const int64_t n = int64_t(Width) * Samples;
  if (V.BitsPerSample == 8) {
    for (int64_t i = Samples; i < n; ++i) Row[i] = static_cast<uint8_t>(Row[i] + Row[i - Samples]);
  } else if (V.BitsPerSample == 16) {
    // words in the file's byte order
    for (int64_t i = Samples; i < n; ++i) {
      const uint16_t v = static_cast<uint16_t>(IEGet16(Row + 2 * i, V.LittleEndian) +
                                               IEGet16(Row + 2 * (i - Samples), V.LittleEndian));
      IEPut16(Row + 2 * i, v, V.LittleEndian);
    }
  }
}

// Unpacks samples of 2..7 bits to one byte each (Out holds Count bytes) and scales grey values.
void TifDecUnpack(const TTIFFVars& V, const uint8_t* In, uint8_t* Out, int64_t Count) {
  const int b = V.BitsPerSample;
  for (int64_t i = 0; i < Count; ++i) {
    const int64_t bit = i * b;
    uint32_t v = 0;
    for (int k = 0; k < b; ++k) {
      const int64_t p = bit + k;
      v = (v << 1) | ((In[p >> 3] >> (7 - (p & 7))) & 1u);
    }
    Out[i] = static_cast<uint8_t>(v);
  }
  if (V.Photometric == 0 || V.Photometric == 1) {
    const int mul = b == 4 ? 17 : b == 2 ? 85 : b == 7 ? 2 : 1;
    if (mul != 1)
      for (int64_t i = 0; i < Count; ++i) Out[i] = static_cast<uint8_t>(Out[i] * mul);
  }
}

// The converter: one row of samples (8 bits and up as in the file, fewer bits unpacked to bytes,
// 1 bit packed) into bitmap row Y from pixel column X0, Width pixels (clipped to the bitmap).
class TTifDecConverter {
public:
  TTifDecConverter(const TTIFFVars& V, TIEBitmap* B) : FV(V), FB(B), FPf(B->PixelFormat()) {
    FLook = V.Software.compare(0, 15, "Look@Molli v1.1") == 0;
    FAlpha = V.AlphaMask != nullptr && !V.IgnoreAlpha;
  }

  void Row(const uint8_t* S, int Y, int X0, int Width) {
    if (Y < 0 || Y >= FB->Height() || X0 >= FB->Width()) return;
    const int w = std::min(Width, FB->Width() - X0);
    if (w <= 0) return;
    const int P = FV.Photometric, N = FV.SamplesPerPixel, Bi = FV.BitsPerSample;
    uint8_t* d = FB->Scanline(Y);
    uint8_t* m = FAlpha ? FV.AlphaMask->GetScanline(Y) : nullptr;
    const bool le = FV.LittleEndian;
    auto bgr = [&](int x, uint8_t r, uint8_t g, uint8_t b) {
      uint8_t* p = d + 3 * (X0 + x);
      p[0] = b, p[1] = g, p[2] = r;
    };
    auto markAlpha = [&] { FV.AlphaMask->Full = false; };
    const bool associated = !FV.ExtraSamples.empty() && FV.ExtraSamples[0] == 1;
    if (P == 2 && Bi == 8 && (N == 3 || (N == 4 && !associated))) {
      if (FPf != ie24RGB) return;
      if (N == 4 && m != nullptr) markAlpha();
      for (int x = 0; x < w; ++x) {
        const uint8_t* s = S + x * N;
        bgr(x, s[0], s[1], s[2]);
        if (N == 4 && m != nullptr) m[X0 + x] = s[3];
      }
    } else if (P == 2 && Bi == 8 && N >= 4 && !FV.ExtraSamples.empty()) {
      if (FPf != ie24RGB) return;
      bool alpha = false;
      for (int32_t e : FV.ExtraSamples) alpha = alpha || e == 1 || e == 2;
      alpha = alpha && m != nullptr;
      if (alpha) markAlpha();
      for (int x = 0; x < w; ++x) {
        const uint8_t* s = S + x * N;
        uint8_t r = s[0], g = s[1], b = s[2];
        if (alpha) {
          for (size_t k = 0; k < FV.ExtraSamples.size() && 3 + int(k) < N; ++k) {
            const uint8_t a = s[3 + k];
            if (FV.ExtraSamples[k] == 1) {
              m[X0 + x] = a;
              // un-premultiplied colours are clamped: damaged data may exceed the alpha
              const int div = std::max<int>(a, 1);
              r = static_cast<uint8_t>(std::min(255, r * 255 / div));
              g = static_cast<uint8_t>(std::min(255, g * 255 / div));
              b = static_cast<uint8_t>(std::min(255, b * 255 / div));
            } else if (FV.ExtraSamples[k] == 2) {
              m[X0 + x] = a;
            }
          }
        }
        bgr(x, r, g, b);
      }
    } else if (P == 2 && Bi == 16 && (N == 3 || N == 4)) {
      if (FPf == ieRGB48) {
        uint16_t* o = reinterpret_cast<uint16_t*>(d) + 3 * X0;
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 3; ++c) o[3 * x + c] = IEGet16(S + 2 * (x * N + c), le);
      } else if (FPf == ie24RGB) {
        std::vector<uint8_t> tmp(static_cast<size_t>(w) * 6);
        for (int x = 0; x < w; ++x) std::memcpy(&tmp[size_t(x) * 6], S + 2 * x * N, 6);
        IEConvertColorFunction(tmp.data(), le ? 6 : 7, d + 3 * X0, FV.Params, w, 1);
      }
    } else if (P == 2 && Bi == 16 && N == 1) {
      if (FPf != ie24RGB) return;
      for (int x = 0; x < w; ++x) {
        const uint16_t v = IEGet16(S + 2 * x, le);
        bgr(x, uint8_t(((v >> 10) & 31) * 8), uint8_t(((v >> 5) & 31) * 8), uint8_t((v & 31) * 8));
      }
    } else if (P == 3 && Bi <= 8 && N == 2 && Bi == 8) {
      if (FPf != ie24RGB) return;
      if (m != nullptr) markAlpha();
      for (int x = 0; x < w; ++x) {
        const TIERGBPixel c = Map(S[2 * x]);
        bgr(x, c.r, c.g, c.b);
        if (m != nullptr) m[X0 + x] = static_cast<uint8_t>(255 - S[2 * x + 1]);
      }
    } else if (P == 3 && Bi <= 8) {
      if (FPf == ie8p) {
        std::memcpy(d + X0, S, static_cast<size_t>(w));
      } else if (FPf == ie24RGB) {
        for (int x = 0; x < w; ++x) {
          const TIERGBPixel c = Map(S[x * N]);
          bgr(x, c.r, c.g, c.b);
        }
      }
    } else if ((P == 0 || P == 1) && N == 1 && (Bi == 8 || Bi == 4 || Bi == 2 || Bi == 7)) {
      if (FPf == ie8g) {
        for (int x = 0; x < w; ++x) d[X0 + x] = P == 0 ? uint8_t(255 - S[x]) : S[x];
      } else if (FPf == ie24RGB) {
        for (int x = 0; x < w; ++x) {
          const uint8_t v = P == 0 ? uint8_t(255 - S[x]) : S[x];
          bgr(x, v, v, v);
        }
      }
    } else if ((P == 0 || P == 1) && N == 2 && Bi == 8) {
      if (FPf != ie24RGB) return;
      if (m != nullptr) markAlpha();
      for (int x = 0; x < w; ++x) {
        const uint8_t v = P == 0 ? uint8_t(255 - S[2 * x]) : S[2 * x];
        bgr(x, v, v, v);
        if (m != nullptr) m[X0 + x] = S[2 * x + 1];
      }
    } else if ((P == 0 || P == 1) && N == 1 && Bi == 16) {
      const int k = FLook ? 4 : 8;
      if (FPf == ie16g) {
        uint16_t* o = reinterpret_cast<uint16_t*>(d) + X0;
        for (int x = 0; x < w; ++x) {
          const uint16_t v = IEGet16(S + 2 * x, le);
          o[x] = P == 0 ? uint16_t(~v) : v;
        }
      } else if (FPf == ie24RGB) {
        for (int x = 0; x < w; ++x) {
          const uint16_t v = IEGet16(S + 2 * x, le);
          const uint8_t g = static_cast<uint8_t>(std::min(255, (P == 0 ? 65535 - v : v) >> k));
          bgr(x, g, g, g);
        }
      }
    } else if ((P == 0 || P == 1) && N == 1 && Bi == 1) {
      if (FPf != ie1g || (X0 & 7) != 0) return;
      const int c = FV.Compression;
      const bool invert = (P == 0 && (c == 1 || c >= 5)) || (P == 1 && c >= 2 && c <= 4);
      uint8_t* o = d + X0 / 8;
      const int bytes = (w + 7) / 8;
      for (int i = 0; i < bytes; ++i) {
        uint8_t v = invert ? uint8_t(~S[i]) : S[i];
        if (i == bytes - 1 && (w & 7)) {
          const uint8_t keep = static_cast<uint8_t>(0xFF >> (w & 7));
          v = static_cast<uint8_t>((v & ~keep) | (o[i] & keep));
        }
        o[i] = v;
      }
    } else if (P == 5 && Bi == 8 && N >= 4) {
      if (FPf == ieCMYK) {
        uint8_t* o = d + 4 * X0;
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 4; ++c) o[4 * x + c] = static_cast<uint8_t>(255 - S[x * N + c]);
      } else if (FPf == ie24RGB) {
        std::vector<uint8_t> tmp(static_cast<size_t>(w) * 4);
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 4; ++c) tmp[size_t(x) * 4 + c] = static_cast<uint8_t>(255 - S[x * N + c]);
        IEConvertColorFunction(tmp.data(), 2, d + 3 * X0, FV.Params, w, 1);
      }
    } else if (P == 5 && Bi == 16 && N == 4) {
      std::vector<uint8_t> hi(static_cast<size_t>(w) * 4);
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 4; ++c) hi[size_t(x) * 4 + c] = S[2 * (x * 4 + c) + (le ? 1 : 0)];
      TTIFFVars v8 = FV;
      v8.BitsPerSample = 8;
      TTifDecConverter(v8, FB).Row(hi.data(), Y, X0, w);
    } else if (P == 8 && N == 3 && Bi == 8) {
      if (FPf == ie24RGB) IEConvertColorFunction(S, 4, d + 3 * X0, FV.Params, w, 1);
    } else if (P == 6 && N == 3 && Bi == 8 && FV.YCbCrSubH == 2 && FV.YCbCrSubV == 1) {
      if (FPf != ie24RGB) return;
      std::vector<uint8_t> ycc(static_cast<size_t>(w) * 3);
      for (int x = 0; x < w; ++x) {
        const uint8_t* g = S + (x / 2) * 4;
        ycc[size_t(x) * 3] = g[x & 1];
        ycc[size_t(x) * 3 + 1] = g[2];
        ycc[size_t(x) * 3 + 2] = g[3];
      }
      IEConvertColorFunction(ycc.data(), 8, d + 3 * X0, FV.Params, w, 1);
    }
  }

private:
  TIERGBPixel Map(uint8_t I) const {
    return I < FV.ColorMap.size() ? FV.ColorMap[I] : TIERGBPixel{0, 0, 0};
  }
  const TTIFFVars& FV;
  TIEBitmap* FB;
  TIEPixelFormat FPf;
  bool FLook = false;
  bool FAlpha = false;
};

// Reports one decoded row.
void TifDecStep(TIEProgressRec& Progress) {
  ++Progress.Val;
  Progress.Report();
}

// Bytes of one decompressed row of a block of Width pixels: contiguous samples, or one plane.
int64_t TifDecBlockRowBytes(const TTIFFVars& V, int Width, bool Planar) {
  if (V.Photometric == 6 && V.Compression != 7 && V.YCbCrSubH == 2 && V.YCbCrSubV == 1 && !Planar &&
      V.SamplesPerPixel == 3 && V.BitsPerSample == 8)
    return int64_t((Width + 1) / 2) * 4;
  return TifDecRowBytes(Width, Planar ? 1 : V.SamplesPerPixel, V.BitsPerSample);
}

// A JPEG-compressed strip or tile (compression 7) decoded whole and copied to (X0, Y0).
void TifDecJpegBlock(const TTIFFVars& V, const std::vector<uint8_t>& Data, TIEBitmap* Bitmap, int X0, int Y0,
                     int Rows, bool Single, TIEProgressRec& Progress) {
  if (Data.empty()) return;
  TIEMemStream ms(Data.data(), int64_t(Data.size()));
  std::unique_ptr<TIEMemStream> tables;
  if (!V.JpegTables.empty()) tables = std::make_unique<TIEMemStream>(V.JpegTables.data(), int64_t(V.JpegTables.size()));
  TIEBitmap tmp;
  TIOParamsVals p(nullptr);
  TIEProgressRec rec;
  rec.Aborting = Progress.Aborting;
  if (Single) rec = Progress;
  const bool raw = tables != nullptr && V.Photometric == 2;
  try {
    JpegReadImage(&ms, tables.get(), &tmp, p, rec, false, raw, false, true, false, false, Rows, false);
  } catch (...) {
    if (tables == nullptr) throw;
  }
  if (tmp.IsEmpty() || Progress.IsAborting()) return;
  if (tmp.PixelFormat() != ie24RGB) tmp.SetPixelFormat(ie24RGB);
  if (raw)
    for (int y = 0; y < tmp.Height(); ++y) IESwapRB(tmp.Scanline(y), tmp.Width());
  const int w = std::min(tmp.Width(), Bitmap->Width() - X0), h = std::min({tmp.Height(), Rows, Bitmap->Height() - Y0});
  if (w <= 0 || h <= 0) return;
  if (Bitmap->PixelFormat() == ie24RGB) {
    tmp.CopyRectTo(Bitmap, 0, 0, X0, Y0, w, h);
  } else {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const TIERGBPixel c = tmp.GetPixelRGB(x, y);
        if (Bitmap->PixelFormat() == ie8g) Bitmap->Scanline(Y0 + y)[X0 + x] = c.g;
      }
  }
}

// Decodes one block (strip or tile) given the compressed data of each plane, placing Rows rows of
// Width pixels at (X0, Y0). False when the page must abort.
bool TifDecBlock(const TTIFFVars& V, std::vector<TTifDecBlock>& Planes, int X0, int Y0, int Rows, int Width,
                 TIEProgressRec& Progress, TTifDecConverter& Conv) {
  const bool planar = V.PlanarConfig == 2;
  const int bits = V.BitsPerSample;
  const int64_t rowBytes = TifDecBlockRowBytes(V, Width, planar);
  if (rowBytes <= 0 || Rows <= 0) return true;
  for (TTifDecBlock& b : Planes)
    if (!TifDecDecompress(V, b, Rows, rowBytes, Width)) return false;
  int rowsDone = Rows;
  for (TTifDecBlock& b : Planes) rowsDone = std::min(rowsDone, b.RowsDone);
  const int N = V.SamplesPerPixel;
  std::vector<uint8_t> row;
  for (int r = 0; r < rowsDone; ++r) {
    const uint8_t* src;
    if (!planar) {
      uint8_t* raw = Planes[0].Rows.data() + r * rowBytes;
      if (bits == 8 || bits == 16) TifDecPredict(V, raw, Width, N);
      // samples below 8 bits become one byte each, except bilevel grey rows, which the
      // converter copies packed
      const bool bilevel = bits == 1 && N == 1 && (V.Photometric == 0 || V.Photometric == 1);
      if (bits < 8 && !bilevel) {
        row.resize(static_cast<size_t>(Width) * N);
        TifDecUnpack(V, raw, row.data(), int64_t(Width) * N);
        src = row.data();
      } else {
        src = raw;
      }
    } else {
      // interleave the planes' samples (8 and 16 bits only)
      const int bytes = bits / 8;
      row.resize(static_cast<size_t>(Width) * N * bytes);
      for (int p = 0; p < N; ++p) {
        uint8_t* raw = Planes[size_t(p)].Rows.data() + r * rowBytes;
        TifDecPredict(V, raw, Width, 1);
        for (int x = 0; x < Width; ++x)
          std::memcpy(&row[(size_t(x) * N + p) * bytes], raw + size_t(x) * bytes, size_t(bytes));
      }
      src = row.data();
    }
    Conv.Row(src, Y0 + r, X0, Width);
    TifDecStep(Progress);
    if (Progress.IsAborting()) return false;
  }
  return true;
}

bool TifDecPlanarUsable(const TTIFFVars& V) {
  if (V.PlanarConfig != 2) return true;
  return V.SamplesPerPixel <= kTiffMaxPlanes && (V.BitsPerSample == 8 || V.BitsPerSample == 16);
}

}  // namespace

bool TiffPackBitsRow(const uint8_t* Data, int64_t DataBytes, int64_t& Consumed, uint8_t* Row, int64_t RowBytes,
                     bool ReverseBits) {
  int64_t out = 0;
  auto next = [&]() -> int {
    if (Consumed >= DataBytes) return -1;
    const uint8_t b = Data[Consumed++];
    return ReverseBits ? TifDecReverse(b) : b;
  };
  while (out < RowBytes) {
    const int c = next();
    if (c < 0) return false;
    const int8_t sc = static_cast<int8_t>(c);
    if (sc >= 0) {
      for (int i = 0; i <= sc; ++i) {
        const int v = next();
        if (v < 0) return false;
        if (out < RowBytes) Row[out++] = static_cast<uint8_t>(v);
      }
    } else if (sc != -128) {
      const int v = next();
      if (v < 0) return false;
      for (int i = 0; i < 1 - sc; ++i)
        if (out < RowBytes) Row[out++] = static_cast<uint8_t>(v);
    }
  }
  return true;
}

void TiffDecodeStrips(TTIFFVars& V, TIEBitmap* Bitmap, TIEProgressRec& Progress) {
  if (!TifDecPlanarUsable(V)) return Progress.Abort();
  const int rps = std::max(1, std::min(V.RowsPerStrip, V.ImageLength));
  const int planes = V.PlanarConfig == 2 ? V.SamplesPerPixel : 1;
  const int strips = static_cast<int>(V.StripOffsets.size());
  const int perPlane = strips / planes;
  Progress.Val = 0;
  Progress.Per = 100.0 / std::max(1, V.ImageLength);
  TTifDecConverter conv(V, Bitmap);
  std::vector<TTifDecBlock> blocks(static_cast<size_t>(planes));
  for (int i = 0; i < perPlane; ++i) {
    const int64_t row = int64_t(i) * rps;
    if (row >= V.ImageLength) break;
    const int rows = static_cast<int>(std::min<int64_t>(rps, V.ImageLength - row));
    for (int p = 0; p < planes; ++p) {
      const int k = p * perPlane + i;
      int64_t count = size_t(k) < V.StripByteCounts.size() ? uint32_t(V.StripByteCounts[size_t(k)]) : 0;
      TifDecReadBlock(V, uint32_t(V.StripOffsets[size_t(k)]), count, blocks[size_t(p)].Data);
    }
    if (V.Compression == 7) {
      TifDecJpegBlock(V, blocks[0].Data, Bitmap, 0, int(row), rows, perPlane == 1, Progress);
      Progress.Val += rows;
      Progress.Report();
    } else if (!TifDecBlock(V, blocks, 0, int(row), rows, V.ImageWidth, Progress, conv)) {
      return Progress.Abort();
    }
    if (Progress.IsAborting()) return;
  }
}

void TiffDecodeTiles(TTIFFVars& V, TIEBitmap* Bitmap, TIEProgressRec& Progress) {
  if (!TifDecPlanarUsable(V) || V.TileWidth <= 0 || V.TileLength <= 0) return Progress.Abort();
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != ie24RGB && pf != ie1g && pf != ie8g && pf != ie8p && pf != ie16g) return Progress.Abort();
  if (pf == ie1g && V.TileWidth % 8 != 0) return Progress.Abort();
  const int tw = V.TileWidth, tl = V.TileLength;
  // the image size of the whole page (one tile's size was put in the context for GetTile)
  const int64_t across = V.GetTile >= 0 ? 1 : (int64_t(V.ImageWidth) + tw - 1) / tw;
  const int64_t down = V.GetTile >= 0 ? 1 : (int64_t(V.ImageLength) + tl - 1) / tl;
  const int planes = V.PlanarConfig == 2 ? V.SamplesPerPixel : 1;
  const int64_t perPlane = static_cast<int64_t>(V.TileOffsets.size()) / planes;
  if (int64_t(tw) * tl > (int64_t(1) << 28)) return Progress.Abort();
  Progress.Val = 0;
  Progress.Per = 100.0 / std::max<int64_t>(1, down * tl);
  TTifDecConverter conv(V, Bitmap);
  std::vector<TTifDecBlock> blocks(static_cast<size_t>(planes));
  const int64_t first = V.GetTile >= 0 ? V.GetTile : 0;
  for (int64_t t = 0; t < across * down; ++t) {
    const int64_t index = first + t;
    if (index >= perPlane) break;
    const int x0 = static_cast<int>((t % across) * tw), y0 = static_cast<int>((t / across) * tl);
    for (int p = 0; p < planes; ++p) {
      const size_t k = size_t(p * perPlane + index);
      const int64_t count = k < V.TileByteCounts.size() ? uint32_t(V.TileByteCounts[k]) : 0;
      TifDecReadBlock(V, uint32_t(V.TileOffsets[k]), count, blocks[size_t(p)].Data);
    }
    if (V.Compression == 7) {
      TifDecJpegBlock(V, blocks[0].Data, Bitmap, x0, y0, tl, across * down == 1, Progress);
    } else if (!TifDecBlock(V, blocks, x0, y0, tl, tw, Progress, conv)) {
      return Progress.Abort();
    }
    if (Progress.IsAborting()) return;
  }
}
