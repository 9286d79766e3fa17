// PCX and DCX codecs (see pcxfilt.h).
#include "imaging/codecs/pcxfilt.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

constexpr uint32_t kDcxMagic = 987654321u;
constexpr int kDcxMaxPages = 1024;

// Page offsets of a DCX table read from the stream position after the magic.
std::vector<uint32_t> ReadTable(TStream* S) {
  std::vector<uint32_t> t;
  for (int i = 0; i < kDcxMaxPages; ++i) {
    uint8_t b[4];
    if (S->Read(b, 4) != 4) break;
    const uint32_t v = IELE32(b);
    if (v == 0) break;
    t.push_back(v);
  }
  return t;
}

// The size of each page: up to the nearest larger offset, or to the end of the stream.
std::vector<int64_t> PageSizes(const std::vector<uint32_t>& T, int64_t Size) {
  std::vector<int64_t> sizes;
  for (uint32_t o : T) {
    int64_t next = Size;
    for (uint32_t p : T)
      if (p > o) next = std::min<int64_t>(next, p);
    sizes.push_back(std::max<int64_t>(0, next - o));
  }
  return sizes;
}

// Run-length encodes Count values taken from every Step-th byte of Data (one channel of a row);
// an odd count gets one 0 byte so the line decodes to the even bytes-per-line value.
void EncodeLine(const uint8_t* Data, int Count, int Step, std::vector<uint8_t>& Out) {
  int i = 0;
  while (i < Count) {
    const uint8_t v = Data[static_cast<size_t>(i) * Step];
    int run = 1;
    while (i + run < Count && run < 63 && Data[static_cast<size_t>(i + run) * Step] == v) ++run;
    if (run > 1 || v >= 0xC0) {
      Out.push_back(static_cast<uint8_t>(0xC0 + run));
      Out.push_back(v);
    } else {
      Out.push_back(v);
    }
    i += run;
  }
  if (Count & 1) Out.push_back(0);
}

}  // namespace

void PcxReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIEProgressRec& Progress,
                  int64_t DataSize) {
  try {
    const int64_t start = Stream->Position();
    if (DataSize <= 0 || DataSize > Stream->Size() - start) DataSize = Stream->Size() - start;
    uint8_t h[128];
    if (Stream->Read(h, 128) != 128 || h[0] != 10 || h[3] > 8 || h[2] > 1) return Progress.Abort();
    const int bits = h[3], planes = h[65];
    const int xmin = IELE16(h + 4), ymin = IELE16(h + 6), xmax = IELE16(h + 8), ymax = IELE16(h + 10);
    const int W = xmax - xmin + 1, H = ymax - ymin + 1;
    const int bpl = IELE16(h + 66);
    if (W <= 0 || H <= 0 || bpl == 0) return Progress.Abort();
    P.SetImageCount(1);
    const int dx = IELE16(h + 12), dy = IELE16(h + 14);
    P.SetDpiX(dx == 0 || dy == 0 ? IEDefaultDpiX : dx);
    P.SetDpiY(dx == 0 || dy == 0 ? IEDefaultDpiY : dy);

    TIERGBPixel map16[16], pal[256] = {};
    for (int i = 0; i < 16; ++i) map16[i] = TIERGBPixel{h[16 + 3 * i + 2], h[16 + 3 * i + 1], h[16 + 3 * i]};
    if (planes == 1 && bits > 4 && DataSize >= 128 + 768) {
      uint8_t raw[768];
      Stream->SetPosition(start + DataSize - 768);
      if (Stream->Read(raw, 768) != 768) return Progress.Abort();
      for (int i = 0; i < 256; ++i) pal[i] = TIERGBPixel{raw[3 * i + 2], raw[3 * i + 1], raw[3 * i]};
      Stream->SetPosition(start + 128);
    }

    P.BitsPerSample = bits;
    P.SamplesPerPixel = planes;
    P.Width = P.OriginalWidth = W;
    P.Height = P.OriginalHeight = H;
    P.PCX_Version = h[1];
    P.SetColorMap(nullptr, 0);
    if (bits == 8) {
      P.SetColorMap(pal, 256);
    } else if (bits == 1 && planes == 4) {
      P.SetColorMap(map16, 16);
      P.BitsPerSample = 4;
      P.SamplesPerPixel = 1;
    } else if (bits < 8 && bits > 0) {
      P.SetColorMap(map16, std::min(16, 1 << bits));
    }
    if (Preview) return;

    // A width needing more bytes than a line holds cannot be decoded.
    const bool known = (planes == 1 && (bits == 8 || bits == 4 || bits == 1)) || (planes == 3 && bits == 8) ||
                       (planes == 4 && bits == 1);
    if (!known) return Progress.Abort();
    const int64_t needBytes = bits == 8 ? W : (bits == 4 ? (int64_t(W) + 1) / 2 : (int64_t(W) + 7) / 8);
    if (needBytes > bpl) return Progress.Abort();
    const int64_t dataBytes = DataSize - 128;
    if (dataBytes <= 0 || !IEPlausibleImageSize(W, H, dataBytes)) return Progress.Abort();
    std::vector<uint8_t> data(static_cast<size_t>(dataBytes));
    Stream->SetPosition(start + 128);
    const int64_t got = Stream->Read(data.data(), dataBytes);
    data.resize(static_cast<size_t>(std::max<int64_t>(0, got)));

    const bool oneBit = bits == 1 && planes == 1;
    if (!Bitmap->Allocate(W, H, oneBit ? ie1g : ie24RGB)) return Progress.Abort();
    std::vector<uint8_t> line(static_cast<size_t>(bpl) * planes * 2 + 32);
    size_t at = 0;
    int pending = 0;
    uint8_t pendingValue = 0;
    const bool rle = h[2] == 1;
    // Decodes one line of bpl bytes into Out; false when the data run out.
    auto decodeLine = [&](uint8_t* Out) {
      int n = 0;
      if (!rle) {
        if (at + bpl > data.size()) return false;
        std::memcpy(Out, data.data() + at, bpl);
        at += bpl;
        return true;
      }
      while (n < bpl) {
        if (pending > 0) {
          const int take = std::min(pending, bpl - n);
          std::memset(Out + n, pendingValue, take);
          n += take;
          pending -= take;
          continue;
        }
        if (at >= data.size()) return false;
        const uint8_t c = data[at++];
        if (c < 0xC0) {
          Out[n++] = c;
          continue;
        }
        if (at >= data.size()) return false;
        pending = c & 0x3F;
        pendingValue = data[at++];
      }
      return true;
    };
    for (int y = 0; y < H; ++y) {
      if (Progress.Callback) IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
      if (Progress.IsAborting()) return;
      for (int k = 0; k < planes; ++k)
        if (!decodeLine(line.data() + static_cast<size_t>(k) * bpl)) {
          for (int r = y; r < H; ++r) std::memset(Bitmap->Scanline(r), 0, Bitmap->RowLen());
          return Progress.Abort();
        }
      uint8_t* row = Bitmap->Scanline(y);
      auto* px = reinterpret_cast<TIERGBPixel*>(row);
      if (oneBit) {
        std::memcpy(row, line.data(), (W + 7) / 8);
        if (W % 8) row[(W + 7) / 8 - 1] &= static_cast<uint8_t>(0xFF00 >> (W % 8));
      } else if (planes == 1 && bits == 8) {
        for (int x = 0; x < W; ++x) px[x] = pal[line[x]];
      } else if (planes == 1 && bits == 4) {
        for (int x = 0; x < W; ++x) px[x] = map16[(x & 1) ? (line[x / 2] & 15) : (line[x / 2] >> 4)];
      } else if (planes == 3) {
        for (int x = 0; x < W; ++x) px[x] = TIERGBPixel{line[2 * bpl + x], line[bpl + x], line[x]};
      } else {
        for (int x = 0; x < W; ++x) {
          int idx = 0;
          for (int k = 0; k < 4; ++k)
            if (line[static_cast<size_t>(k) * bpl + x / 8] & (0x80 >> (x & 7))) idx |= 1 << k;
          px[x] = map16[idx];
        }
      }
    }
  } catch (...) {
    Progress.Abort();
  }
}

void PcxWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return;
  bool failed = false;
  auto write = [&](const void* d, int64_t n) { IECodecWrite(Stream, d, n, failed, Progress); };
  if (P.SamplesPerPixel > 3) P.SamplesPerPixel = 3;
  int depth = P.BitsPerSample == 1 ? 1 : P.BitsPerSample * P.SamplesPerPixel;
  // Products without a layout of their own are written as 24-bit colour.
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) depth = 24;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* src = Bitmap;
  TIERGBPixel two[2] = {TIERGBPixel{0, 0, 0}, TIERGBPixel{255, 255, 255}};
  if (depth == 1) {
    if (src->PixelFormat() != ie1g) {
      TIERGBPixel c1, c2;
      owned.reset(IETwoColorTo1Bit(Bitmap, c1, c2));
      if (owned) {
        two[0] = c1;
        two[1] = c2;
      } else {
        owned.reset(IEConvertedCopy(Bitmap, ie1g));
      }
      src = owned.get();
    }
  } else if (src->PixelFormat() != ie24RGB) {
    owned.reset(IEConvertedCopy(Bitmap, ie24RGB));
    src = owned.get();
  }
  int bpl = depth == 1 ? (W + 7) / 8 : (depth == 4 ? (W + 1) / 2 : W);
  if (bpl & 1) ++bpl;
  uint8_t h[128] = {};
  h[0] = 10;
  h[1] = static_cast<uint8_t>(P.PCX_Version);
  const bool rle = P.PCX_Compression != 0;
  h[2] = rle ? 1 : 0;
  h[3] = static_cast<uint8_t>(depth == 1 ? 1 : (depth == 4 ? 4 : 8));
  IEPutLE16(h + 8, static_cast<uint32_t>(W - 1));
  IEPutLE16(h + 10, static_cast<uint32_t>(H - 1));
  IEPutLE16(h + 12, static_cast<uint32_t>(P.DpiX) & 0xFFFF);
  IEPutLE16(h + 14, static_cast<uint32_t>(P.DpiY) & 0xFFFF);
  h[65] = depth == 24 ? 3 : 1;
  IEPutLE16(h + 66, static_cast<uint32_t>(bpl));
  IEPutLE16(h + 68, depth == 24 ? 0 : 1);
  TIERGBPixel pal[256] = {};
  std::unique_ptr<TIEQuantizer> quant;
  if (depth == 1) {
    pal[0] = two[0];
    pal[1] = two[1];
  } else if (depth == 4 || depth == 8) {
    quant = std::make_unique<TIEQuantizer>(src, pal, depth == 4 ? 16 : 256);
  }
  if (depth <= 4)
    for (int i = 0; i < 16; ++i) {
      h[16 + 3 * i] = pal[i].r;
      h[17 + 3 * i] = pal[i].g;
      h[18 + 3 * i] = pal[i].b;
    }
  write(h, 128);
  auto indexOf = [&](TIERGBPixel c) {
    const int n = depth == 4 ? 16 : 256;
    int i = quant->GetColorIndex(c);
    if (i < 0 || i >= n) i = IENearestPaletteIndex(pal, n, c);
    return static_cast<uint8_t>(i);
  };
  std::vector<uint8_t> line(static_cast<size_t>(bpl) * 3 + 8), out;
  for (int y = 0; y < H; ++y) {
    if (Progress.Callback) IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
    if (Progress.IsAborting()) return;
    const uint8_t* row = src->Scanline(y);
    std::fill(line.begin(), line.end(), 0);
    out.clear();
    auto emit = [&](const uint8_t* d, int count, int step) {
      if (rle) {
        EncodeLine(d, count, step, out);
      } else {
        // Uncompressed: bpl bytes, the even-making pad byte 0.
        const size_t at = out.size();
        out.resize(at + bpl, 0);
        for (int i = 0; i < count; ++i) out[at + i] = d[static_cast<size_t>(i) * step];
      }
    };
    if (depth == 1) {
      emit(row, (W + 7) / 8, 1);
    } else if (depth == 4) {
      const auto* px = reinterpret_cast<const TIERGBPixel*>(row);
      for (int x = 0; x < W; ++x) line[x / 2] |= static_cast<uint8_t>(indexOf(px[x]) << ((x & 1) ? 0 : 4));
      emit(line.data(), (W + 1) / 2, 1);
    } else if (depth == 8) {
      const auto* px = reinterpret_cast<const TIERGBPixel*>(row);
      for (int x = 0; x < W; ++x) line[x] = indexOf(px[x]);
      emit(line.data(), W, 1);
    } else {
      emit(row + 2, W, 3);  // red
      emit(row + 1, W, 3);  // green
      emit(row, W, 3);      // blue
    }
    write(out.data(), static_cast<int64_t>(out.size()));
  }
  if (depth == 8 && !Progress.IsAborting()) {
    std::vector<uint8_t> tail = {12};
    for (int i = 0; i < 256; ++i) tail.insert(tail.end(), {pal[i].r, pal[i].g, pal[i].b});
    write(tail.data(), static_cast<int64_t>(tail.size()));
  }
}

bool DcxDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  bool result = false;
  try {
    uint8_t b[4];
    if (Stream->Read(b, 4) == 4 && IELE32(b) == kDcxMagic) {
      const int64_t size = Stream->Size();
      const auto t = ReadTable(Stream);
      result = std::all_of(t.begin(), t.end(), [&](uint32_t o) { return int64_t(o) < size; });
    }
  } catch (...) {
    result = false;
  }
  Stream->SetPosition(start);
  return result;
}

int DcxPageCount(TStream* Stream) {
  const int64_t start = Stream->Position();
  int n = 0;
  try {
    uint8_t b[4];
    if (Stream->Read(b, 4) == 4) n = static_cast<int>(ReadTable(Stream).size());
  } catch (...) {
    n = 0;
  }
  Stream->SetPosition(start);
  return n;
}

void DcxReadPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIEProgressRec& Progress) {
  try {
    if (!DcxDetect(Stream)) return Progress.Abort();
    Stream->SetPosition(Stream->Position() + 4);
    const auto t = ReadTable(Stream);
    if (t.empty()) return Progress.Abort();  // a table without pages has nothing to read
    const int index = std::clamp(P.DCX_ImageIndex, 0, static_cast<int>(t.size()) - 1);
    P.SetImageIndex(index);
    P.DCX_ImageIndex = index;
    const auto sizes = PageSizes(t, Stream->Size());
    Stream->SetPosition(t[index]);
    PcxReadImage(Stream, Bitmap, P, Preview, Progress, sizes[index]);
    P.SetImageCount(static_cast<int>(t.size()));
  } catch (...) {
    Progress.Abort();
  }
}

void DcxInsertPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  try {
    std::vector<uint32_t> t;
    const int64_t size = Stream->Size();
    if (size > 0) {
      Stream->SetPosition(0);
      if (!DcxDetect(Stream)) return Progress.Abort();
      Stream->SetPosition(4);
      t = ReadTable(Stream);
    }
    const int count = static_cast<int>(t.size());
    const int index = P.DCX_ImageIndex;
    if (index < 0 || index > count || count >= kDcxMaxPages) return;  // nowhere to insert
    const auto sizes = PageSizes(t, size);
    TMemoryStream m;
    std::vector<uint8_t> head(4 + 4 * (static_cast<size_t>(count) + 2), 0);
    IEPutLE32(head.data(), kDcxMagic);
    m.Write(head.data(), static_cast<int64_t>(head.size()));
    std::vector<uint32_t> offsets;
    auto addNew = [&] {
      offsets.push_back(static_cast<uint32_t>(m.Position()));
      PcxWriteImage(&m, Bitmap, P, Progress);
    };
    std::vector<uint8_t> page;
    for (int i = 0; i < count && !Progress.IsAborting(); ++i) {
      if (i == index) addNew();
      offsets.push_back(static_cast<uint32_t>(m.Position()));
      page.resize(static_cast<size_t>(sizes[i]));
      Stream->SetPosition(t[i]);
      const int64_t got = Stream->Read(page.data(), sizes[i]);
      if (got > 0) m.Write(page.data(), got);
    }
    if (index == count && !Progress.IsAborting()) addNew();
    if (Progress.IsAborting()) return;  // the caller's file is left as it was
    for (size_t i = 0; i < offsets.size(); ++i) IEPutLE32(head.data() + 4 + 4 * i, offsets[i]);
    m.SetPosition(0);
    m.Write(head.data(), static_cast<int64_t>(head.size()));
    Stream->SetSize(0);
    Stream->SetPosition(0);
    bool failed = false;
    IECodecWrite(Stream, m.Memory(), m.Size(), failed, Progress);
  } catch (...) {
    Progress.Abort();
  }
}

void IERegisterPcxCodec() {
  IECodecs.DcxDetect = DcxDetect;
  IECodecs.PcxReadImage = PcxReadImage;
  IECodecs.PcxWriteImage = PcxWriteImage;
  IECodecs.DcxReadPage = DcxReadPage;
  IECodecs.DcxInsertPage = DcxInsertPage;
  IECodecs.DcxPageCount = DcxPageCount;
}
