// ICO and CUR codecs and shell icons (see ieicofilt.h).
#include "imaging/codecs/ieicofilt.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "imaging/codecs/bmpfilt.h"
#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/codecs/pngfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

// Icon images above this side are refused as hostile (stored PNG icons go up to 1024).
constexpr int MaxIconSide = 16384;

struct TDirEntry {
  uint8_t Width, Height, ColorCount, Reserved;
  uint16_t Planes, BitCount;
  uint32_t Size, Offset;
};

TDirEntry ParseEntry(const uint8_t* e) {
  return TDirEntry{e[0], e[1], e[2], e[3], IELE16(e + 4), IELE16(e + 6), IELE32(e + 8), IELE32(e + 12)};
}

bool DetectType(TStream* Stream, int wanted) {
  int64_t p = Stream->Position();
  bool ok = false;
  if (Stream->Size() - p >= 23) {
    uint8_t h[6];
    if (Stream->Read(h, 6) == 6 && IELE16(h) == 0 && IELE16(h + 2) == wanted && IELE16(h + 4) != 0) {
      ok = true;
      int n = IELE16(h + 4);
      for (int i = 0; i < n && ok; ++i) {
        uint8_t e[16];
        if (Stream->Read(e, 16) != 16) {
          ok = false;
          break;
        }
        TDirEntry d = ParseEntry(e);
        int64_t after = Stream->Position() - p;
        ok = d.Reserved == 0 && d.Size != 0 && static_cast<int64_t>(d.Offset) >= after;
      }
    }
  }
  Stream->SetPosition(p);
  return ok;
}

int DpiFromPpm(int32_t ppm) { return ppm > 0 ? IEDpiFromPpm(ppm) : 0; }

// Reads a stored PNG icon image at the stream position; the alpha goes to the mask.
void ReadPngImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIEProgressRec& Progress,
                  TIEMask*& AlphaMask, bool IgnoreAlpha) {
  PngReadImage(Stream, Bitmap, P, Preview, Progress);
  if (Preview || Progress.IsAborting()) return;
  if (!IgnoreAlpha && Bitmap->HasAlphaChannel()) {
    TIEBitmap* a = Bitmap->GetAlphaChannel();
    if (!AlphaMask) AlphaMask = new TIEMask();
    AlphaMask->AllocateBits(Bitmap->Width(), Bitmap->Height(), 8);
    for (int y = 0; y < Bitmap->Height(); ++y) std::memcpy(AlphaMask->GetScanline(y), a->Scanline(y), Bitmap->Width());
    AlphaMask->UpdateAllSetFlag();
  }
  Bitmap->RemoveAlphaChannel();
}

// The pixel part shared by the icon and cursor readers, from the info header on.
void ReadDibImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIEProgressRec& Progress,
                  TIEMask*& AlphaMask, bool IgnoreAlpha, const TDirEntry& entry, bool cursor, TIERGBPixel background) {
  uint8_t ih[40];
  if (Stream->Read(ih, 40) != 40) {
    Progress.Abort();
    return;
  }
  const int32_t hw = static_cast<int32_t>(IELE32(ih + 4)), hh = static_cast<int32_t>(IELE32(ih + 8));
  int dx = DpiFromPpm(static_cast<int32_t>(IELE32(ih + 24))), dy = DpiFromPpm(static_cast<int32_t>(IELE32(ih + 28)));
  P.SetDpiX(dx ? dx : IEDefaultDpiX);
  P.SetDpiY(dy ? dy : IEDefaultDpiY);
  int bits = IELE16(ih + 14);
  if (bits == 0 && !cursor) bits = entry.BitCount;
  if (bits == 0 && entry.ColorCount != 0) bits = IEBitsForCount(entry.ColorCount);
  if (bits <= 0) {
    Progress.Abort();
    return;
  }
  if (cursor) {
    P.SamplesPerPixel = 1;
    P.BitsPerSample = bits;
  } else if (bits > 8) {
    P.BitsPerSample = 8;
    P.SamplesPerPixel = bits == 32 ? 4 : 3;
  } else {
    P.BitsPerSample = bits;
    P.SamplesPerPixel = 1;
  }
  int width = entry.Width ? entry.Width : hw;
  int height = entry.Height ? entry.Height : hh / 2;
  if (!cursor && entry.Width != 0 && hw != 0 && entry.Width != hw && hw < 2048 && hh < 2048) {
    width = hw;
    height = hh / 2;
  }
  int paletteSize = bits <= 8 ? (1 << bits) : 0;
  if (cursor && bits <= 8) paletteSize = entry.ColorCount == 0 ? (1 << bits) : entry.ColorCount == 255 ? 256 : entry.ColorCount;
  // Indexes beyond a short colour table read as black.
  TIERGBPixel palette[256];
  std::memset(palette, 0, sizeof palette);
  if (bits <= 8) {
    std::vector<uint8_t> raw(static_cast<size_t>(paletteSize) * 4);
    int64_t got = Stream->Read(raw.data(), static_cast<int64_t>(raw.size()));
    for (int i = 0; i < paletteSize && (i + 1) * 4 <= got; ++i) palette[i] = TIERGBPixel{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]};
    P.SetColorMap(palette, std::min(paletteSize, 256));
  }
  P.Width = P.OriginalWidth = width;
  P.Height = P.OriginalHeight = height;
  if (Preview) return;
  if (width <= 0 || height <= 0 || width > MaxIconSide || height > MaxIconSide) {
    Progress.Abort();
    return;
  }
  const int xorLen = IERowLength(width, bits), andLen = IERowLength(width, 1);
  const int64_t remaining = Stream->Size() - Stream->Position();
  if (static_cast<int64_t>(xorLen) * height > remaining) {  // truncated or lying sizes
    Progress.Abort();
    return;
  }
  // A cursor's 1-bit image is black and white only when its table has two entries.
  const bool mono = bits == 1 && (!cursor || paletteSize == 2);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {  // no stale pixels
    Progress.Abort();
    return;
  }
  if (!Bitmap->Allocate(width, height, mono ? ie1g : ie24RGB)) {
    Progress.Abort();
    return;
  }
  const bool wantAlpha = !IgnoreAlpha;
  if (wantAlpha) {
    if (!AlphaMask) AlphaMask = new TIEMask();
    AlphaMask->AllocateBits(width, height, 8);
    AlphaMask->Fill(255);
    AlphaMask->Full = false;
  }
  std::vector<uint8_t> xorBlock(static_cast<size_t>(xorLen) * height);
  Stream->Read(xorBlock.data(), static_cast<int64_t>(xorBlock.size()));
  auto readAnd = [&]() {
    std::vector<uint8_t> andBlock(static_cast<size_t>(andLen) * height, 0);
    Stream->Read(andBlock.data(), static_cast<int64_t>(andBlock.size()));
    return andBlock;
  };
  const bool whiteBackground = background == TIERGBPixel{255, 255, 255};
  if (bits == 1 && mono) {
    auto andBlock = readAnd();
    for (int i = 0; i < height; ++i) {
      int y = height - 1 - i;
      uint8_t* d = Bitmap->Scanline(y);
      std::memcpy(d, &xorBlock[static_cast<size_t>(i) * xorLen], std::min(xorLen, Bitmap->RowLen()));
      const uint8_t* a = &andBlock[static_cast<size_t>(i) * andLen];
      for (int x = 0; x < width; ++x) {
        if (!(a[x >> 3] & (0x80 >> (x & 7)))) continue;
        if (wantAlpha) AlphaMask->GetScanline(y)[x] = 0;
        bool bit = (d[x >> 3] & (0x80 >> (x & 7))) != 0;
        bool v = bit != whiteBackground;  // XOR bit exclusive-or "background is white"
        if (v)
          d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        else
          d[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
      }
    }
  } else if (bits <= 8) {
    auto andBlock = readAnd();
    for (int i = 0; i < height; ++i) {
      int y = height - 1 - i;
      const uint8_t* s = &xorBlock[static_cast<size_t>(i) * xorLen];
      const uint8_t* a = &andBlock[static_cast<size_t>(i) * andLen];
      auto* d = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
      for (int x = 0; x < width; ++x) {
        if (a[x >> 3] & (0x80 >> (x & 7))) {
          d[x] = background;
          if (wantAlpha) AlphaMask->GetScanline(y)[x] = 0;
          continue;
        }
        int idx = bits == 8 ? s[x] : bits == 4 ? ((x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4))
                                               : ((s[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0);
        d[x] = palette[idx];
      }
    }
  } else if (bits == 24) {
    for (int i = 0; i < height; ++i)
      std::memcpy(Bitmap->Scanline(height - 1 - i), &xorBlock[static_cast<size_t>(i) * xorLen], static_cast<size_t>(width) * 3);
  } else {  // 32
    bool allZero = true;
    for (int i = 0; i < height; ++i) {
      int y = height - 1 - i;
      const uint8_t* s = &xorBlock[static_cast<size_t>(i) * xorLen];
      auto* d = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
      for (int x = 0; x < width; ++x) {
        std::memcpy(&d[x], s + 4 * x, 3);
        if (s[4 * x + 3]) allZero = false;
        if (wantAlpha) AlphaMask->GetScanline(y)[x] = s[4 * x + 3];
      }
    }
    if (allZero && wantAlpha && Stream->Size() - Stream->Position() >= static_cast<int64_t>(andLen) * height) {
      auto andBlock = readAnd();
      for (int i = 0; i < height; ++i) {
        uint8_t* m = AlphaMask->GetScanline(height - 1 - i);
        const uint8_t* a = &andBlock[static_cast<size_t>(i) * andLen];
        for (int x = 0; x < width; ++x) m[x] = (a[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
      }
    }
  }
  if (wantAlpha && !cursor) {
    AlphaMask->UpdateAllSetFlag();
    if (AlphaMask->Full) {
      delete AlphaMask;
      AlphaMask = nullptr;
    }
  }
}

bool IsPngAt(TStream* Stream) {
  int64_t p = Stream->Position();
  uint8_t sig[8] = {};
  int64_t n = Stream->Read(sig, 8);
  Stream->SetPosition(p);
  static const uint8_t png[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  return n == 8 && std::memcmp(sig, png, 8) == 0;
}

// Reads the 6-byte directory header at the stream position; false (and the abort flag set) when
// the stream ends first.
bool ReadDirHeader(TStream* Stream, uint8_t (&h)[6], TIEProgressRec& Progress) {
  if (Stream->Read(h, 6) == 6) return true;
  Progress.Abort();
  return false;
}

// The image a directory entry points at, from the stream position: stored PNG data or a DIB.
void ReadEntryImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIEProgressRec& Progress,
                    TIEMask*& AlphaMask, bool IgnoreAlpha, const TDirEntry& entry, bool cursor,
                    TIERGBPixel background) {
  if (IsPngAt(Stream)) {
    ReadPngImage(Stream, Bitmap, P, Preview, Progress, AlphaMask, IgnoreAlpha);
    return;
  }
  ReadDibImage(Stream, Bitmap, P, Preview, Progress, AlphaMask, IgnoreAlpha, entry, cursor, background);
}

}  // namespace

bool IcoDetect(TStream* Stream) { return DetectType(Stream, 1); }
bool CurDetect(TStream* Stream) { return DetectType(Stream, 2); }

int IcoImageCount(TStream* Stream) {
  int64_t p = Stream->Position();
  uint8_t h[6] = {};
  int64_t n = Stream->Read(h, 6);
  Stream->SetPosition(p);
  return n == 6 ? IELE16(h + 4) : 0;
}

void IcoReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEProgressRec& Progress,
                  TIEMask*& AlphaMask, bool IgnoreAlpha) {
  TIOParamsVals& P = IOParams;
  const int64_t start = Stream->Position();
  uint8_t h[6];
  if (!ReadDirHeader(Stream, h, Progress)) return;
  if (h[0] == 'B' && h[1] == 'M') {
    Stream->SetPosition(start);
    BmpReadImage(Stream, Bitmap, Stream->Size(), P, Progress, Preview, false, AlphaMask, IgnoreAlpha);
    return;
  }
  const int count = IELE16(h + 4);
  const int index = P.ICO_ImageIndex;
  if (index < 0 || index >= count) return;
  std::vector<TDirEntry> entries;
  for (int i = 0; i < count; ++i) {
    uint8_t e[16];
    if (Stream->Read(e, 16) != 16) break;
    entries.push_back(ParseEntry(e));
  }
  for (auto& s : P.ICO_Sizes) s = TIEIcoSize{0, 0};
  int listed = 0;
  for (int i = 0; i < std::min<int>(static_cast<int>(entries.size()), IEMaxIcoImages); ++i) {
    const TDirEntry& d = entries[i];
    if (!d.Width || !d.Height) continue;
    P.ICO_Sizes[listed] = TIEIcoSize{d.Width, d.Height};
    P.ICO_BitCount[listed] = d.BitCount ? d.BitCount : d.ColorCount ? IEBitsForCount(d.ColorCount) : 24;
    ++listed;
  }
  for (int i = listed; i < IEMaxIcoImages; ++i) P.ICO_BitCount[i] = 0;
  // The index-th entry (entries of 256 pixels, width byte 0, count too: they are real images).
  if (index >= static_cast<int>(entries.size())) {
    Progress.Abort();
    return;
  }
  const TDirEntry& entry = entries[index];
  Stream->SetPosition(start + entry.Offset);
  ReadEntryImage(Stream, Bitmap, P, Preview, Progress, AlphaMask, IgnoreAlpha, entry, false, P.ICO_Background);
}

void CurReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEProgressRec& Progress,
                  TIEMask*& AlphaMask, bool IgnoreAlpha) {
  TIOParamsVals& P = IOParams;
  const int64_t start = Stream->Position();
  uint8_t h[6];
  if (!ReadDirHeader(Stream, h, Progress)) return;
  if (IELE16(h + 2) == 1) {  // an icon whatever the file was called: read it as one
    Stream->SetPosition(start);
    P.ICO_ImageIndex = P.CUR_ImageIndex;
    IcoReadImage(Stream, Bitmap, P, Preview, Progress, AlphaMask, IgnoreAlpha);
    return;
  }
  const int count = IELE16(h + 4);
  const int index = P.CUR_ImageIndex;
  if (index < 0 || index >= count) return;
  Stream->SetPosition(start + 6 + 16 * static_cast<int64_t>(index));
  uint8_t e[16];
  if (Stream->Read(e, 16) != 16) {
    Progress.Abort();
    return;
  }
  TDirEntry entry = ParseEntry(e);
  P.CUR_XHotSpot = entry.Planes;
  P.CUR_YHotSpot = entry.BitCount;
  Stream->SetPosition(start + entry.Offset);
  ReadEntryImage(Stream, Bitmap, P, Preview, Progress, AlphaMask, IgnoreAlpha, entry, true, P.CUR_Background);
}

void IcoWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                   const TIEIcoSize* Sizes, const int32_t* BitCounts, int Count) {
  TIOParamsVals& P = IOParams;
  bool failed = false;
  auto write = [&](const void* d, int64_t n) { IECodecWrite(Stream, d, n, failed, Progress); };
  if (Count <= 0 || Bitmap->IsEmpty()) {
    Progress.Abort();
    return;
  }
  const int64_t start = Stream->Position();
  uint8_t hdr[6] = {0, 0, 1, 0, 0, 0};
  IEPutLE16(hdr + 4, Count);
  write(hdr, 6);
  std::vector<uint8_t> dir(static_cast<size_t>(Count) * 16, 0);
  write(dir.data(), static_cast<int64_t>(dir.size()));
  P.SetColorMap(nullptr, 0);
  if (Bitmap->PixelFormat() != ie24RGB) {
    P.BitsPerSample = 1;
    P.SamplesPerPixel = 1;
  }
  int written = 0;
  for (int k = 0; k < Count; ++k) {
    if (Progress.Callback) Progress.Callback(Progress.Data, Progress.Sender, k * 100 / Count);
    if (Progress.IsAborting() || failed) break;
    const int w = std::clamp(Sizes[k].Width, 1, 256), h = std::clamp(Sizes[k].Height, 1, 256);
    int depth;
    switch (BitCounts[k]) {
      case 8: depth = 8; break;
      case 32: depth = 32; break;
      case 4: depth = 4; break;
      case 1: depth = 1; break;
      case 0:
        if (P.SamplesPerPixel == 3 && P.BitsPerSample == 8) depth = 24;
        else if (P.SamplesPerPixel == 4 && P.BitsPerSample == 8) depth = 32;
        else if (P.SamplesPerPixel == 1 && P.BitsPerSample == 1) depth = 1;
        else if (P.SamplesPerPixel == 1 && P.BitsPerSample == 4) depth = 4;
        else depth = 8;
        break;
      default: depth = 24; break;
    }
    // The work image: ie1g for depth 1, ie24RGB (with the alpha channel) for the others.
    std::unique_ptr<TIEBitmap> work(IEResampleCopy(Bitmap, w, h));
    if (depth == 1 && work->PixelFormat() != ie1g) {
      TIERGBPixel c1, c2;
      std::unique_ptr<TIEBitmap> mono(IETwoColorTo1Bit(work.get(), c1, c2));
      if (!mono) mono.reset(IEConvertedCopy(work.get(), ie1g));
      TIEBitmap* alpha = work->HasAlphaChannel() ? work->DetachAlphaChannel() : nullptr;
      work.reset(mono.release());
      if (alpha) work->AttachAlphaChannel(alpha);
    } else if (depth != 1 && work->PixelFormat() != ie24RGB) {
      work.reset(IEConvertedCopy(work.get(), ie24RGB));
    }
    const int64_t imageStart = Stream->Position();
    const int xorLen = IERowLength(w, depth), andLen = IERowLength(w, 1);
    uint8_t ih[40] = {};
    IEPutLE32(ih, 40);
    IEPutLE32(ih + 4, w);
    IEPutLE32(ih + 8, 2 * h);
    IEPutLE16(ih + 12, 1);
    IEPutLE16(ih + 14, depth);
    IEPutLE32(ih + 20, depth >= 24 ? 0 : static_cast<uint32_t>(h * xorLen + (w * h) / 8));
    int dpx = P.DpiX > 0 ? P.DpiX : IEDefaultDpiX, dpy = P.DpiY > 0 ? P.DpiY : IEDefaultDpiY;
    IEPutLE32(ih + 24, static_cast<uint32_t>(IEPpmFromDpi(dpx)));
    IEPutLE32(ih + 28, static_cast<uint32_t>(IEPpmFromDpi(dpy)));
    write(ih, 40);
    TIEBitmap* alpha = work->HasAlphaChannel() ? work->GetAlphaChannel() : nullptr;
    std::vector<uint8_t> row(static_cast<size_t>(xorLen) + 8);
    if (depth == 24 || depth == 32) {
      for (int y = h - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const uint8_t* s = work->Scanline(y);
        for (int x = 0; x < w; ++x) {
          if (depth == 24) {
            std::memcpy(&row[3 * x], s + 3 * x, 3);
          } else {
            std::memcpy(&row[4 * x], s + 3 * x, 3);
            row[4 * x + 3] = alpha ? alpha->Scanline(y)[x] : 255;
          }
        }
        write(row.data(), xorLen);
      }
    } else if (depth == 1) {
      uint8_t pal[8] = {0, 0, 0, 0, 255, 255, 255, 0};
      write(pal, 8);
      for (int y = h - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        std::memcpy(row.data(), work->Scanline(y), std::min(xorLen, work->RowLen()));
        write(row.data(), xorLen);
      }
    } else {
      const int n = depth == 4 ? 16 : 256;
      TIERGBPixel qpal[256] = {};
      TIEQuantizer q(work.get(), qpal, n - 1);
      std::vector<TIERGBPixel> map(n);
      map[0] = TIERGBPixel{0, 0, 0};
      for (int i = 1; i < n; ++i) map[i] = qpal[i - 1];
      P.SetColorMap(map.data(), n);
      for (int i = 0; i < n; ++i) {
        uint8_t e[4] = {map[i].b, map[i].g, map[i].r, 0};
        write(e, 4);
      }
      for (int y = h - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const auto* s = reinterpret_cast<const TIERGBPixel*>(work->Scanline(y));
        for (int x = 0; x < w; ++x) {
          int idx = (alpha && alpha->Scanline(y)[x] < 255) ? 0 : 1 + std::clamp(q.GetColorIndex(s[x]), 0, n - 2);
          if (depth == 8)
            row[x] = static_cast<uint8_t>(idx);
          else
            row[x >> 1] |= static_cast<uint8_t>((x & 1) ? idx : idx << 4);
        }
        write(row.data(), xorLen);
      }
    }
    std::vector<uint8_t> andRow(static_cast<size_t>(andLen));
    for (int y = h - 1; y >= 0; --y) {
      std::fill(andRow.begin(), andRow.end(), 0);
      if (alpha && depth != 24)
        for (int x = 0; x < w; ++x)
          if (alpha->Scanline(y)[x] < 255) andRow[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      write(andRow.data(), andLen);
    }
    const int64_t size = Stream->Position() - imageStart;
    uint8_t* e = &dir[static_cast<size_t>(k) * 16];
    e[0] = static_cast<uint8_t>(w & 0xFF);
    e[1] = static_cast<uint8_t>(h & 0xFF);
    if (depth >= 24) {
      e[2] = 0;
      IEPutLE16(e + 4, 1);
      IEPutLE16(e + 6, depth);
    } else {
      e[2] = static_cast<uint8_t>(std::min(1 << depth, 255));
    }
    IEPutLE32(e + 8, static_cast<uint32_t>(size));
    IEPutLE32(e + 12, static_cast<uint32_t>(imageStart - start));
    ++written;
  }
  // The directory lists the images actually written (an aborted write keeps a readable file).
  const int64_t end = Stream->Position();
  IEPutLE16(hdr + 4, written);
  Stream->SetPosition(start);
  write(hdr, 6);
  write(dir.data(), static_cast<int64_t>(written) * 16);
  Stream->SetPosition(end);
}

// ======================= shell icons =======================

namespace {

std::vector<std::string> DataDirs() {
  std::vector<std::string> dirs;
  const char* home = std::getenv("XDG_DATA_HOME");
  if (home && *home) dirs.push_back(home);
  else if (const char* h = std::getenv("HOME")) dirs.push_back(std::string(h) + "/.local/share");
  const char* env = std::getenv("XDG_DATA_DIRS");
  std::string list = env && *env ? env : "/usr/local/share:/usr/share";
  std::stringstream ss(list);
  std::string d;
  while (std::getline(ss, d, ':'))
    if (!d.empty()) dirs.push_back(d);
  return dirs;
}

bool FileExists(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string BaseName(const std::string& path) {
  size_t p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

// The built-in icon: a white page with a folded corner and a grey outline on transparency.
void BuiltInIcon(TIEBitmap* Bitmap) {
  const int n = 32;
  Bitmap->Allocate(n, n, ie24RGB);
  TIEBitmap* a = Bitmap->GetAlphaChannel();
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      bool inside = x >= 6 && x <= 25 && y >= 2 && y <= 29 && !(x > 19 && y < 2 + (x - 19));
      bool edge = inside && (x == 6 || x == 25 || y == 2 || y == 29 || x - 19 == y - 2 + 0 || (x == 19 && y <= 8) ||
                             (y == 8 && x >= 19));
      uint8_t v = edge ? 96 : 255;
      Bitmap->SetPixelRGB(x, y, TIERGBPixel{v, v, v});
      a->Scanline(y)[x] = inside ? 255 : 0;
    }
  a->Full = false;
}

}  // namespace

std::string IEMimeTypeOfFile(const std::string& FileName) {
  struct stat st;
  if (stat(FileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "inode/directory";
  const std::string base = BaseName(FileName);
  std::string best = "application/octet-stream";
  int bestWeight = -1;
  size_t bestLen = 0;
  for (const std::string& dir : DataDirs()) {
    std::ifstream in(dir + "/mime/globs2");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      size_t a = line.find(':'), b = a == std::string::npos ? a : line.find(':', a + 1);
      if (b == std::string::npos) continue;
      int weight = std::atoi(line.substr(0, a).c_str());
      std::string mime = line.substr(a + 1, b - a - 1);
      std::string rest = line.substr(b + 1);
      size_t c = rest.find(':');
      std::string pattern = rest.substr(0, c);
      bool caseSensitive = c != std::string::npos && rest.find("cs", c) != std::string::npos;
      if (fnmatch(pattern.c_str(), base.c_str(), caseSensitive ? 0 : FNM_CASEFOLD) != 0) continue;
      if (weight > bestWeight || (weight == bestWeight && pattern.size() > bestLen)) {
        best = mime;
        bestWeight = weight;
        bestLen = pattern.size();
      }
    }
    if (bestWeight >= 0) break;
  }
  return best;
}

std::string IEFindMimeIcon(const std::string& MimeType, int Size) {
  std::vector<std::string> names;
  std::string n = MimeType;
  std::replace(n.begin(), n.end(), '/', '-');
  names.push_back(n);
  auto dirs = DataDirs();
  for (const std::string& dir : dirs) {
    std::ifstream in(dir + "/mime/generic-icons");
    std::string line;
    while (std::getline(in, line))
      if (line.compare(0, MimeType.size() + 1, MimeType + ":") == 0) names.push_back(line.substr(MimeType.size() + 1));
  }
  if (MimeType == "inode/directory") names.push_back("folder");
  names.push_back(MimeType.substr(0, MimeType.find('/')) + "-x-generic");
  names.push_back("text-x-generic");
  const char* env = std::getenv("ORVANTA_ICON_THEME");
  std::vector<std::string> themes;
  if (env && *env) themes.push_back(env);
  for (const char* t : {"Adwaita", "hicolor", "gnome", "breeze", "oxygen", "Tango"}) themes.push_back(t);
  std::vector<int> sizes = {Size, 32, 48, 24, 64, 16, 96, 256};
  for (const std::string& name : names)
    for (const std::string& theme : themes)
      for (int s : sizes)
        for (const std::string& dir : dirs)
          for (const char* context : {"mimetypes", "places"}) {
            std::string path = dir + "/icons/" + theme + "/" + std::to_string(s) + "x" + std::to_string(s) + "/" + context +
                               "/" + name + ".png";
            if (FileExists(path)) return path;
          }
  return "";
}

void ShellIconToBitmap(const std::string& FileName, TIEBitmap* Bitmap) {
  Bitmap->RemoveAlphaChannel();
  std::string icon = IEFindMimeIcon(IEMimeTypeOfFile(FileName));
  if (!icon.empty()) {
    try {
      TFileStream fs(icon, fmOpenRead | fmShareDenyNone);
      TIOParamsVals p;
      std::atomic<bool> abort{false};
      TIEProgressRec pr;
      pr.Aborting = &abort;
      PngReadImage(&fs, Bitmap, p, false, pr);
      if (!abort.load() && !Bitmap->IsEmpty()) {
        Bitmap->SetPixelFormat(ie24RGB);
        return;
      }
    } catch (const std::exception&) {
      // An unreadable theme file: fall back to the built-in icon.
    }
  }
  BuiltInIcon(Bitmap);
}

namespace {

void IcoReadHook(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEMask*& AlphaMask,
                 TIEProgressRec& Progress, bool Switch) {
  IcoReadImage(Stream, Bitmap, IOParams, Preview, Progress, AlphaMask, Switch);
}
void CurReadHook(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEMask*& AlphaMask,
                 TIEProgressRec& Progress, bool Switch) {
  CurReadImage(Stream, Bitmap, IOParams, Preview, Progress, AlphaMask, Switch);
}
void IcoWriteHook(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, const int32_t* BitCounts,
                  const TIEIcoSize* Sizes, int Count, TIEProgressRec& Progress) {
  IcoWriteImage(Stream, Bitmap, IOParams, Progress, Sizes, BitCounts, Count);
}

}  // namespace

void IERegisterIcoCodec() {
  IECodecs.IcoReadImage = IcoReadHook;
  IECodecs.CurReadImage = CurReadHook;
  IECodecs.IcoWriteImage = IcoWriteHook;
  IECodecs.IcoImageCount = IcoImageCount;
}
