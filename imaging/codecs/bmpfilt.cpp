// BMP (DIB) codec (see bmpfilt.h).
#include "imaging/codecs/bmpfilt.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

// Largest image the reader allocates; IEPlausibleImageSize bounds it by the data as well (RLE
// deltas skip areas cheaply, so the bound is generous).
constexpr int64_t MaxPixels = int64_t(1) << 28;

// The reason of the last failed read on this thread (empty after a successful one).
thread_local std::string BmpLastError;

struct TRleTarget {
  TIEBitmap* Bitmap;
  const TIERGBPixel* Palette;  // 256 entries
  bool Indexes;                // ie8p: store the index; else the palette colour
  bool TopDown;
  int Width, Height;
  int ImageRow(int stored) const { return TopDown ? stored : Height - 1 - stored; }
  void Put(int x, int stored, uint8_t index) const {
    uint8_t* row = Bitmap->Scanline(ImageRow(stored));
    if (Indexes)
      row[x] = index;
    else
      reinterpret_cast<TIERGBPixel*>(row)[x] = Palette[index];
  }
};

// Decodes RLE8 or RLE4 codes into the target. Pixels past the row width are dropped (writers pad
// rows that way). Returns false when the data end before the image does (no end-of-bitmap code
// and rows still to come); the caller has filled the bitmap beforehand, so skipped and missing
// pixels keep that colour.
bool RleDecode(const uint8_t* data, int64_t n, bool rle4, const TRleTarget& t, TIEProgressRec& Progress) {
  int64_t i = 0;
  int x = 0, row = 0;
  auto put = [&](uint8_t index) {
    if (row < t.Height && x < t.Width) t.Put(x, row, index);
    ++x;
  };
  while (row < t.Height) {
    if (i + 1 >= n) return false;
    uint8_t a = data[i], b = data[i + 1];
    i += 2;
    if (a > 0) {
      const int count = std::min<int>(a, std::max(0, t.Width - x));
      for (int k = 0; k < count; ++k) put(rle4 ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b);
      x += a - count;
      continue;
    }
    if (b == 0) {  // end of line
      x = 0;
      ++row;
      int per = static_cast<int>(static_cast<int64_t>(row) * 100 / t.Height);
      if (Progress.Callback && per != Progress.LastPer) {
        Progress.LastPer = per;
        Progress.Callback(Progress.Data, Progress.Sender, per);
      }
      if (Progress.IsAborting()) return true;
      continue;
    }
    if (b == 1) return true;  // end of bitmap
    if (b == 2) {             // delta
      if (i + 1 >= n) return false;
      x += data[i];
      row += data[i + 1];
      i += 2;
      continue;  // a delta beyond the last stored row ends decoding
    }
    // Absolute mode: b pixels, padded to a 16-bit boundary.
    int bytes = rle4 ? (b + 1) / 2 : b;
    if (i + bytes > n) return false;
    for (int k = 0; k < b; ++k) {
      const uint8_t v = data[i + (rle4 ? k / 2 : k)];
      put(rle4 ? ((k & 1) ? (v & 0x0F) : (v >> 4)) : v);
    }
    i += bytes + (bytes & 1);
  }
  return true;
}

// One colour channel of a bit-field pixel: the bits under Mask, widened to 0..255.
struct TBitField {
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;
  explicit TBitField(uint32_t mask) : Mask(mask) {
    if (!mask) return;
    while (!((mask >> Shift) & 1)) ++Shift;
    Max = mask >> Shift;
  }
  uint8_t operator()(uint32_t v) const {
    if (!Max) return 0;
    const uint64_t c = (v & Mask) >> Shift;
    return static_cast<uint8_t>((c * 255 + Max / 2) / Max);
  }
};

// Fills the image rows of the stored rows From..Height-1 with zero bytes: rows a short file did
// not reach never keep what the block held before.
void ClearStoredRows(TIEBitmap* Bitmap, int From, int Height, bool TopDown) {
  for (int i = std::max(0, From); i < Height; ++i)
    std::memset(Bitmap->Scanline(TopDown ? i : Height - 1 - i), 0, static_cast<size_t>(Bitmap->RowLen()));
}

}  // namespace

const std::string& BmpLastErrorText() { return BmpLastError; }

void BmpReadImage(TStream* Stream, TIEBitmap* Bitmap, int64_t DataSize, TIOParamsVals& IOParams,
                  TIEProgressRec& Progress, bool Preview, bool Headerless, TIEMask*& AlphaMask, bool IgnoreAlpha) {
  TIOParamsVals& P = IOParams;
  BmpLastError.clear();
  auto fail = [&](const char* why) {
    if (BmpLastError.empty()) BmpLastError = why;
    Progress.Abort();
  };
  const int64_t start = Stream->Position();
  const int64_t streamSize = Stream->Size();
  uint8_t fh[14] = {};
  uint16_t type = 0x4D42;
  uint32_t fileSize = 0, pixelOffset = 0;
  if (!Headerless) {
    if (Stream->Read(fh, 14) != 14) return fail("BMP file header cut short");
    type = IELE16(fh);
    fileSize = IELE32(fh + 2);
    pixelOffset = IELE32(fh + 10);
  } else {
    fileSize = static_cast<uint32_t>(std::min<int64_t>(streamSize, 0xFFFFFFFF));
  }
  if (fileSize > 0 && DataSize <= 0) DataSize = fileSize;
  if (type != 0x4D42) return fail("Not a BMP file");
  uint8_t sz[4];
  if (Stream->Read(sz, 4) != 4) return fail("BMP info header cut short");
  Stream->Seek(-4, soCurrent);
  const uint32_t headerSize = IELE32(sz);
  const int64_t headerStart = Stream->Position();
  P.SetColorMap(nullptr, 0);

  int32_t width = 0, height = 0;
  int bitCount = 0;
  uint32_t compression = 0, imageSize = 0;
  bool topDown = false;
  TIERGBPixel palette[256];
  std::memset(palette, 0, sizeof palette);  // indexes beyond the colour table read as black
  int paletteCount = 0;
  uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};  // red, green, blue, alpha
  bool masksSet = false;
  if (headerSize == 12) {
    uint8_t h[12];
    if (Stream->Read(h, 12) != 12) return fail("BMP info header cut short");
    P.BMP_Version = 2;
    width = IELE16(h + 4);
    height = IELE16(h + 6);
    bitCount = IELE16(h + 10);
    P.SetDpiX(IEDefaultDpiX);
    P.SetDpiY(IEDefaultDpiY);
    if (bitCount <= 8) {
      paletteCount = 1 << bitCount;
      uint8_t raw[256 * 3];
      int64_t got = Stream->Read(raw, paletteCount * 3);
      for (int i = 0; i < paletteCount && (i + 1) * 3 <= got; ++i) palette[i] = TIERGBPixel{raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]};
      P.SetColorMap(palette, paletteCount);
    }
  } else {
    // Too short to hold even the size fields, or longer than the data that follow.
    if (headerSize < 16 || static_cast<int64_t>(headerSize) > streamSize - headerStart)
      return fail("Damaged BMP header size");
    // The longest known header is 124 bytes; what goes beyond is skipped.
    uint8_t h[124] = {};
    int take = static_cast<int>(std::min<uint32_t>(sizeof h, headerSize));
    if (Stream->Read(h, take) != take) return fail("BMP info header cut short");
    if (headerSize > sizeof h) Stream->Seek(headerSize - sizeof h, soCurrent);
    P.BMP_Version = headerSize == 64 ? 3 : headerSize == 40 ? 1 : 0;
    width = static_cast<int32_t>(IELE32(h + 4));
    height = static_cast<int32_t>(IELE32(h + 8));
    bitCount = IELE16(h + 14);
    compression = IELE32(h + 16);
    imageSize = IELE32(h + 20);
    if (height < 0) {
      topDown = true;
      height = height == INT32_MIN ? 0 : -height;
    }
    int dx = IEDpiFromPpm(static_cast<int32_t>(IELE32(h + 24))), dy = IEDpiFromPpm(static_cast<int32_t>(IELE32(h + 28)));
    P.SetDpiX(dx > 0 ? dx : IEDefaultDpiX);
    P.SetDpiY(dy > 0 ? dy : IEDefaultDpiY);
    // Bit fields (3) and bit fields with alpha (6): the headers of 52 bytes and more (not the
    // 64-byte OS/2 one) hold the masks themselves at offset 40; the 40-byte header is followed
    // by them.
    const bool bitFields = compression == 3 || compression == 6;
    const bool masksInHeader = bitFields && headerSize >= 52 && headerSize != 64;
    if (masksInHeader) {
      for (int k = 0; k < 3; ++k) masks[k] = IELE32(h + 40 + 4 * k);
      if (headerSize >= 56) masks[3] = IELE32(h + 52);
      masksSet = true;
    }
    uint32_t used = IELE32(h + 32);
    if (used > 256) used = 0;
    if (used == 0 && bitCount <= 8) used = 1u << bitCount;
    if (used) {
      paletteCount = static_cast<int>(used);
      uint8_t raw[256 * 4];
      int64_t got = Stream->Read(raw, paletteCount * 4);
      for (int i = 0; i < paletteCount && (i + 1) * 4 <= got; ++i) palette[i] = TIERGBPixel{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]};
      P.SetColorMap(palette, paletteCount);
    }
    if (bitFields && !masksInHeader) {
      uint8_t m[16] = {};
      Stream->Read(m, compression == 6 ? 16 : 12);
      for (int k = 0; k < 4; ++k) masks[k] = IELE32(m + 4 * k);
      masksSet = true;
    }
  }
  P.Width = P.OriginalWidth = std::max(width, 0);
  P.Height = P.OriginalHeight = height;
  P.SetImageCount(1);
  if (compression == 0 || compression == 3 || compression == 6) P.BMP_Compression = 0;
  if (compression == 1 || compression == 2) P.BMP_Compression = 1;
  switch (bitCount) {
    case 1: P.BitsPerSample = 1; P.SamplesPerPixel = 1; break;
    case 4: P.BitsPerSample = 4; P.SamplesPerPixel = 1; break;
    case 8: P.BitsPerSample = 8; P.SamplesPerPixel = 1; break;
    case 16: P.BitsPerSample = 5; P.SamplesPerPixel = 3; break;
    case 24: P.BitsPerSample = 8; P.SamplesPerPixel = 3; break;
    case 32: P.BitsPerSample = 8; P.SamplesPerPixel = 4; break;
    default: break;
  }
  if (width <= 0 || height <= 0) return fail("BMP image without pixels (zero or negative size)");
  if (pixelOffset != 0) {
    // An offset inside the headers or beyond the data is damage, not a layout.
    const int64_t headersEnd = Headerless ? 0 : 14 + static_cast<int64_t>(std::max<uint32_t>(headerSize, 12));
    if (pixelOffset < headersEnd || static_cast<int64_t>(pixelOffset) > streamSize - start)
      return fail("Damaged BMP pixel data offset");
    Stream->SetPosition(start + pixelOffset);
  }
  if (Preview) return;
  int64_t compressedCount = DataSize > 0 ? DataSize - (Stream->Position() - start) : imageSize;
  if (compressedCount < 0) compressedCount = 0;

  // Layouts this reader decodes; anything else is an error rather than an image of stale bytes.
  const bool rle = (bitCount == 8 && compression == 1) || (bitCount == 4 && compression == 2);
  bool supported = false;
  switch (bitCount) {
    case 1:
    case 24: supported = compression == 0; break;
    case 4:
    case 8: supported = compression == 0 || rle; break;
    case 16:
    case 32: supported = compression == 0 || compression == 3 || compression == 6; break;
    default: break;
  }
  if (!supported) return fail("Unsupported BMP bit count or compression");

  // Hostile sizes: a row length that does not fit, or far more pixels than the data can hold.
  const int64_t rowLen64 = (static_cast<int64_t>(width) * bitCount + 31) / 32 * 4;
  const int64_t pixels = static_cast<int64_t>(width) * height;
  const int64_t remaining = std::max<int64_t>(0, streamSize - Stream->Position());
  if (rowLen64 > 0x7FFFFFF || pixels > MaxPixels || !IEPlausibleImageSize(width, height, remaining))
    return fail("BMP image larger than its data");
  const int L = static_cast<int>(rowLen64);

  // A two-colour table other than black, white (either order) keeps its colours: the image
  // becomes paletted (native format) or 24-bit instead of black and white.
  const TIERGBPixel black{0, 0, 0}, white{255, 255, 255};
  const bool mono = bitCount == 1 && ((palette[0] == black && palette[1] == white) ||
                                      (palette[0] == white && palette[1] == black));
  TIEPixelFormat pf = ie24RGB;
  if (mono)
    pf = ie1g;
  else if (bitCount <= 8 && P.IsNativePixelFormat)
    pf = ie8p;
  if (!Bitmap->Allocate(width, height, pf)) return fail("Not enough memory for the BMP image");
  auto imageRow = [&](int stored) { return topDown ? stored : height - 1 - stored; };
  auto report = [&](int done) {
    int per = static_cast<int>(static_cast<int64_t>(done) * 100 / height);
    if (Progress.Callback && per != Progress.LastPer) {
      Progress.LastPer = per;
      Progress.Callback(Progress.Data, Progress.Sender, per);
    }
    return !Progress.IsAborting();
  };
  // Reads stored row i; a short read ends the image: the rows not reached are cleared.
  std::vector<uint8_t> buf(L);
  auto readRow = [&](int i) {
    if (Stream->Read(buf.data(), L) == L) return true;
    ClearStoredRows(Bitmap, i, height, topDown);
    fail("BMP pixel data cut short");
    return false;
  };
  Progress.LastPer = -1;
  const bool indexes = pf == ie8p;
  if (indexes) {
    for (int i = 0; i < 256; ++i) Bitmap->SetPaletteEntry(i, palette[i]);
    Bitmap->PaletteUsed = bitCount == 1 ? 2 : bitCount == 4 ? 16 : 256;
  }
  // Stored row i's indexes (1, 4 or 8 bits) as palette indexes or colours into its image row.
  auto expandIndexes = [&](int i) {
    uint8_t* d = Bitmap->Scanline(imageRow(i));
    for (int x = 0; x < width; ++x) {
      uint8_t idx = bitCount == 8   ? buf[x]
                    : bitCount == 4 ? ((x & 1) ? (buf[x >> 1] & 0x0F) : (buf[x >> 1] >> 4))
                                    : ((buf[x >> 3] >> (7 - (x & 7))) & 1);
      if (indexes)
        d[x] = idx;
      else
        reinterpret_cast<TIERGBPixel*>(d)[x] = palette[idx];
    }
  };
  switch (bitCount) {
    case 1:
      for (int i = 0; i < height && report(i); ++i) {
        if (!readRow(i)) break;
        if (mono)
          std::memcpy(Bitmap->Scanline(imageRow(i)), buf.data(), Bitmap->RowLen() < L ? Bitmap->RowLen() : L);
        else
          expandIndexes(i);
      }
      if (mono && palette[0] == white) IEInvertBits(Bitmap);  // bit 1 always means white
      break;
    case 4:
    case 8:
      if (rle) {
        // Pixels the codes skip (deltas, early ends of line) take colour 0 of the table.
        if (indexes) {
          Bitmap->Fill(0);
        } else {
          for (int y = 0; y < height; ++y) {
            auto* d = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
            std::fill(d, d + width, palette[0]);
          }
        }
        std::vector<uint8_t> data(static_cast<size_t>(std::min(compressedCount, remaining)));
        int64_t got = Stream->Read(data.data(), static_cast<int64_t>(data.size()));
        TRleTarget t{Bitmap, palette, indexes, topDown, width, height};
        if (!RleDecode(data.data(), got, bitCount == 4, t, Progress)) fail("BMP run-length data cut short");
      } else {
        for (int i = 0; i < height && report(i); ++i) {
          if (!readRow(i)) break;
          expandIndexes(i);
        }
      }
      break;
    case 16:
    case 32: {
      // 32-bit files without bit fields are blue, green, red and a fourth byte; bit fields
      // without an alpha mask keep the fourth byte as alpha when no colour uses it.
      if (bitCount == 32 && !masksSet) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
      }
      if (bitCount == 32 && masks[3] == 0 && ((masks[0] | masks[1] | masks[2]) & 0xFF000000u) == 0) masks[3] = 0xFF000000u;
      if (bitCount == 16) masks[3] = 0;  // 16-bit alpha is not kept
      const TBitField rf(masks[0]), gf(masks[1]), bf(masks[2]), af(masks[3]);
      const bool plain32 = bitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
      const bool wantAlpha = !IgnoreAlpha && masks[3] != 0;
      if (wantAlpha) {
        if (!AlphaMask) AlphaMask = new TIEMask();
        AlphaMask->AllocateBits(width, height, 8);
        AlphaMask->Fill(255);
      }
      bool allZero = true;
      for (int i = 0; i < height && report(i); ++i) {
        if (!readRow(i)) break;
        int y = imageRow(i);
        auto* d = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
        uint8_t* m = wantAlpha ? AlphaMask->GetScanline(y) : nullptr;
        if (bitCount == 16) {
          for (int x = 0; x < width; ++x) {
            uint32_t v = IELE16(&buf[2 * x]);
            d[x] = TIERGBPixel{bf(v), gf(v), rf(v)};
          }
          continue;
        }
        for (int x = 0; x < width; ++x) {
          const uint8_t* s = &buf[4 * x];
          uint8_t a;
          if (plain32) {
            std::memcpy(&d[x], s, 3);
            a = s[3];
          } else {
            uint32_t v = IELE32(s);
            d[x] = TIERGBPixel{bf(v), gf(v), rf(v)};
            a = af(v);
          }
          if (a) allZero = false;
          if (m) m[x] = a;
        }
      }
      if (wantAlpha) {
        AlphaMask->UpdateAllSetFlag();
        if (allZero || AlphaMask->Full) {
          delete AlphaMask;
          AlphaMask = nullptr;
        }
      }
      break;
    }
    case 24:
      for (int i = 0; i < height && report(i); ++i) {
        if (!readRow(i)) break;
        std::memcpy(Bitmap->Scanline(imageRow(i)), buf.data(), static_cast<size_t>(width) * 3);
      }
      break;
    default: break;
  }
}

void BmpRleEncodeRow(const uint8_t* idx, int n, bool rle4, std::vector<uint8_t>& out) {
  int lit = 0, pos = 0;
  auto flush = [&](int end) {
    while (end - lit > 0) {
      int a = std::min(end - lit, 255);
      const uint8_t* p = idx + lit;
      if (!rle4) {
        if (a == 1) {
          out.insert(out.end(), {1, p[0]});
        } else if (a == 2) {
          out.insert(out.end(), {1, p[0], 1, p[1]});
        } else {
          out.push_back(0);
          out.push_back(static_cast<uint8_t>(a));
          out.insert(out.end(), p, p + a);
          if (a & 1) out.push_back(0);
        }
      } else {
        if (a == 1) {
          out.insert(out.end(), {1, static_cast<uint8_t>(p[0] << 4)});
        } else if (a == 2) {
          out.insert(out.end(), {2, static_cast<uint8_t>(p[0] << 4 | (p[1] & 0x0F))});
        } else {
          out.push_back(0);
          out.push_back(static_cast<uint8_t>(a));
          int bytes = (a + 1) / 2;
          for (int k = 0; k < bytes; ++k) {
            uint8_t hi = p[2 * k] & 0x0F, lo = (2 * k + 1 < a) ? (p[2 * k + 1] & 0x0F) : 0;
            out.push_back(static_cast<uint8_t>(hi << 4 | lo));
          }
          if (bytes & 1) out.push_back(0);
        }
      }
      lit += a;
    }
  };
  while (pos < n) {
    if (pos - lit > 255) flush(lit + 255);
    if (pos + 1 < n && idx[pos] == idx[pos + 1]) {
      flush(pos);
      int run = 1;
      while (pos + run < n && idx[pos + run] == idx[pos] && run < 255) ++run;
      uint8_t v = rle4 ? static_cast<uint8_t>((idx[pos] & 0x0F) * 16 + (idx[pos] & 0x0F)) : idx[pos];
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(v);
      pos += run;
      lit = pos;
    } else {
      ++pos;
    }
  }
  flush(n);
  out.push_back(0);
  out.push_back(0);
}

void BmpWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool WithAlpha,
                   TIEProgressRec& Progress) {
  TIOParamsVals& P = IOParams;
  bool aborting = Progress.IsAborting();
  auto write = [&](const void* d, int64_t n) { IECodecWrite(Stream, d, n, aborting, Progress); };
  if (Bitmap->IsEmpty()) {
    Progress.Abort();
    return;
  }
  int B;
  if (P.BitsPerSample == 1)
    B = 1;
  else if (P.BitsPerSample == 4)
    B = 4;
  else if (P.SamplesPerPixel == 1)
    B = 8;
  else
    B = Bitmap->HasAlphaChannel() ? 32 : 24;
  // Sources: ie1g for 1 bit, ie8p or ie24RGB for 4 and 8 bits, ie24RGB otherwise.
  std::unique_ptr<TIEBitmap> copy;
  TIEBitmap* src = Bitmap;
  if (B != 1 && src->PixelFormat() != ie24RGB && !((B == 4 || B == 8) && src->PixelFormat() == ie8p)) {
    copy.reset(IEConvertedCopy(src, ie24RGB));
    src = copy.get();
  }
  const int w = src->Width(), h = src->Height();
  const int64_t start = Stream->Position();
  uint8_t fh[14] = {'B', 'M'};
  write(fh, 14);
  const bool core = P.BMP_Version == 2;
  const int headerSize = core ? 12 : (P.BMP_Version == 3 ? 64 : 40);
  uint8_t ih[64] = {};
  uint32_t compression = 0;
  if (!core && P.BMP_Compression == 1 && B == 4) compression = 2;
  if (!core && P.BMP_Compression == 1 && B == 8) compression = 1;
  const int64_t infoPos = Stream->Position();
  auto fillInfo = [&](uint32_t imageSizeField) {
    std::memset(ih, 0, sizeof ih);
    if (core) {
      IEPutLE32(ih, 12);
      IEPutLE16(ih + 4, w);
      IEPutLE16(ih + 6, h);
      IEPutLE16(ih + 8, 1);
      IEPutLE16(ih + 10, B);
      return;
    }
    IEPutLE32(ih, headerSize);
    IEPutLE32(ih + 4, w);
    IEPutLE32(ih + 8, h);
    IEPutLE16(ih + 12, 1);
    IEPutLE16(ih + 14, B);
    IEPutLE32(ih + 16, compression);
    IEPutLE32(ih + 20, imageSizeField);
    IEPutLE32(ih + 24, static_cast<uint32_t>(IEPpmFromDpi(P.DpiX > 0 ? P.DpiX : IEDefaultDpiX)));
    IEPutLE32(ih + 28, static_cast<uint32_t>(IEPpmFromDpi(P.DpiY > 0 ? P.DpiY : IEDefaultDpiY)));
    IEPutLE32(ih + 32, B <= 8 ? (1u << B) : 0);
    IEPutLE32(ih + 36, 1u << (B % 32));
  };
  fillInfo(0);
  write(ih, headerSize);
  const int L = IERowLength(w, B);
  std::vector<uint8_t> row(static_cast<size_t>(L) + 16);
  auto progress = [&](int done) {
    if (Progress.Callback) Progress.Callback(Progress.Data, Progress.Sender, static_cast<int>(static_cast<int64_t>(done) * 100 / h));
    return !Progress.IsAborting() && !aborting;
  };
  auto writePalette = [&](const TIERGBPixel* pal, int n) {
    for (int i = 0; i < n; ++i) {
      uint8_t e[4] = {pal[i].b, pal[i].g, pal[i].r, 0};
      write(e, core ? 3 : 4);
    }
  };
  int64_t pixelStart = 0;
  if (B == 4 || B == 8) {
    std::unique_ptr<TIEBitmap> rgb;
    TIEBitmap* qsrc = src;
    if (src->PixelFormat() == ie1g) {
      rgb.reset(IEConvertedCopy(src, ie24RGB));
      qsrc = rgb.get();
    }
    const int n = 1 << B;
    TIERGBPixel pal[256] = {};
    TIEQuantizer q(qsrc, pal, n);
    P.SetColorMap(pal, n);
    writePalette(pal, n);
    pixelStart = Stream->Position();
    std::vector<uint8_t> idx(w);
    std::vector<uint8_t> enc;
    for (int done = 0; done < h && progress(done); ++done) {
      int y = h - 1 - done;
      const uint8_t* line = qsrc->Scanline(y);
      for (int x = 0; x < w; ++x) {
        int i = qsrc->PixelFormat() == ie8p ? line[x] : q.GetColorIndex(reinterpret_cast<const TIERGBPixel*>(line)[x]);
        idx[x] = static_cast<uint8_t>(std::clamp(i, 0, n - 1));
      }
      if (compression != 0) {
        enc.clear();
        BmpRleEncodeRow(idx.data(), w, B == 4, enc);
        write(enc.data(), static_cast<int64_t>(enc.size()));
      } else {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x) {
          if (B == 8)
            row[x] = idx[x];
          else
            row[x >> 1] |= static_cast<uint8_t>((x & 1) ? idx[x] : idx[x] << 4);
        }
        write(row.data(), L);
      }
    }
    if (compression != 0 && !aborting) {
      uint8_t eob[2] = {0, 1};
      write(eob, 2);
    }
  } else if (B == 1) {
    std::unique_ptr<TIEBitmap> mono;
    TIEBitmap* m = src;
    TIERGBPixel pal[2] = {{0, 0, 0}, {255, 255, 255}};
    if (src->PixelFormat() != ie1g) {
      TIERGBPixel c1, c2;
      mono.reset(IETwoColorTo1Bit(src, c1, c2));
      if (mono) {
        pal[0] = c1;
        pal[1] = c2;
      } else {
        mono.reset(IEConvertedCopy(src, ie1g));
      }
      m = mono.get();
    }
    P.SetColorMap(pal, 2);
    writePalette(pal, 2);
    pixelStart = Stream->Position();
    for (int done = 0; done < h && progress(done); ++done) {
      std::fill(row.begin(), row.end(), 0);
      std::memcpy(row.data(), m->Scanline(h - 1 - done), std::min(L, m->RowLen()));
      write(row.data(), L);
    }
  } else if (B == 24) {
    pixelStart = Stream->Position();
    for (int done = 0; done < h && progress(done); ++done) {
      std::fill(row.begin(), row.end(), 0);
      std::memcpy(row.data(), src->Scanline(h - 1 - done), static_cast<size_t>(w) * 3);
      write(row.data(), L);
    }
  } else {  // 32
    pixelStart = Stream->Position();
    TIEBitmap* alpha = src->HasAlphaChannel() ? src->GetAlphaChannel() : nullptr;
    for (int done = 0; done < h && progress(done); ++done) {
      int y = h - 1 - done;
      const uint8_t* line = src->Scanline(y);
      for (int x = 0; x < w; ++x) {
        std::memcpy(&row[4 * x], line + 3 * x, 3);
        row[4 * x + 3] = (WithAlpha && alpha) ? alpha->Scanline(y)[x] : 255;
      }
      write(row.data(), L);
    }
  }
  if (aborting || Progress.IsAborting()) return;
  const int64_t end = Stream->Position();
  IEPutLE32(fh + 2, static_cast<uint32_t>(end - start));
  IEPutLE32(fh + 10, static_cast<uint32_t>(pixelStart - start));
  fillInfo(static_cast<uint32_t>(end - pixelStart));
  Stream->SetPosition(start);
  write(fh, 14);
  Stream->SetPosition(infoPos);
  write(ih, headerSize);
  Stream->SetPosition(end);
}

namespace {

void BmpReadHook(TStream* Stream, TIEBitmap* Bitmap, int64_t DataSize, bool IgnoreTransparency, TIEMask*& AlphaMask,
                 bool Switch, bool Preview, TIEProgressRec& Progress, TIOParamsVals& IOParams) {
  BmpReadImage(Stream, Bitmap, DataSize, IOParams, Progress, Preview, Switch, AlphaMask, IgnoreTransparency);
}

}  // namespace

void IERegisterBmpCodec() {
  IECodecs.BmpReadImage = BmpReadHook;
  IECodecs.BmpWriteImage = BmpWriteImage;
}
