// GIF codec (see giffilt.h).
#include "imaging/codecs/giffilt.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/giflzw.h"
#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iemask.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

void GifSay(TIEProgressRec& Progress, int Per) {
  if (Progress.Callback == nullptr) return;
  Progress.LastPer = Per;
  Progress.Callback(Progress.Data, Progress.Sender, Per);
}

// Reads a colour table of Count file entries (red, green, blue) into blue-green-red entries.
bool ReadTable(TStream* S, int Count, TIERGBPixel* Out) {
  uint8_t raw[768];
  if (S->Read(raw, Count * 3) != Count * 3) return false;
  for (int i = 0; i < Count; ++i) Out[i] = TIERGBPixel{raw[3 * i + 2], raw[3 * i + 1], raw[3 * i]};
  return true;
}

// Skips data sub-blocks up to the zero length or the end of the stream.
void SkipSubBlocks(TStream* S, int64_t Size) {
  for (;;) {
    uint8_t len = 0;
    if (S->Read(&len, 1) != 1 || len == 0) return;
    const int64_t to = S->Position() + len;
    if (to >= Size) {
      S->SetPosition(Size);
      return;
    }
    S->SetPosition(to);
  }
}

// The most pixels LZW data of this many bytes can fill: codes are at least 3 bits wide and none
// stands for more than 4,096 pixels.
int64_t GifMostPixelsFor(int64_t DataBytes) { return (DataBytes * 8 / 3 + 1) * 4096; }

// A logical screen up to this area is always kept as the file gives it.
constexpr int64_t kGifScreenAlwaysKept = int64_t(1) << 22;
// A logical screen that the frames reach is kept up to this area even when their data could not
// fill it.
constexpr int64_t kGifReachedScreenKept = int64_t(1) << 23;

}  // namespace

void GifReadImage(TStream* Stream, TIEBitmap* Bitmap, int& FrameCount, TIOParamsVals& P,
                  TIEProgressRec& Progress, bool Preview, TIEMask*& AlphaMask, bool NoMask) {
  FrameCount = 0;
  try {
    GifSay(Progress, 0);
    if (Progress.IsAborting()) return;
    const int64_t size = Stream->Size();
    const int target = P.GIF_ImageIndex;
    uint8_t gce[6] = {};  // size byte, packed, delay (2), transparent index, terminator

    uint8_t h[13];
    if (Stream->Read(h, 13) != 13 || std::memcmp(h, "GIF", 3) != 0) return Progress.Abort();
    P.GIF_Version.assign(reinterpret_cast<const char*>(h), 6);
    P.GIF_WinWidth = IELE16(h + 6);
    P.GIF_WinHeight = IELE16(h + 8);
    // The logical screen becomes the canvas animated frames are composed on. A screen far larger
    // than the file could describe is forged; it is taken as absent (the canvas then covers the
    // frames) rather than allocated for every frame composed.
    if (!IEPlausibleImageSize(P.GIF_WinWidth, P.GIF_WinHeight, size)) P.GIF_WinWidth = P.GIF_WinHeight = 0;
    P.GIF_Ratio = h[12];
    P.SetDpiX(IEDefaultDpiX);
    P.SetDpiY(IEDefaultDpiY);
    P.SamplesPerPixel = 1;

    TIERGBPixel global[256] = {};
    int globalBits = 0;  // 0: no global table
    if (h[10] & 0x80) {
      globalBits = (h[10] & 7) + 1;
      if (!ReadTable(Stream, 1 << globalBits, global)) return Progress.Abort();
      P.GIF_Background = global[h[11]];
    }
    if (Stream->Position() >= size) Progress.Abort();

    // How far the frames that their image data could fill reach to the right and down (the data
    // measured as the bytes from the code size byte to where the frame's reading stopped).
    // Also the widest and the tallest frame and the image data of all frames together.
    int64_t reachW = 0, reachH = 0, widest = 0, tallest = 0, allData = 0;
    auto gifReach = [&](const uint8_t* Desc, int64_t DataBytes) {
      const int64_t fw = IELE16(Desc + 4), fh = IELE16(Desc + 6);
      widest = std::max(widest, fw);
      tallest = std::max(tallest, fh);
      allData += std::max<int64_t>(DataBytes, 0);
      // a frame without pixels covers nothing, wherever it is placed
      if (fw == 0 || fh == 0 || fw * fh > GifMostPixelsFor(DataBytes)) return;
      reachW = std::max(reachW, IELE16(Desc) + fw);
      reachH = std::max(reachH, IELE16(Desc + 2) + fh);
    };
    int frame = 0;
    while (!Progress.IsAborting()) {
      uint8_t tag = 0;
      if (Stream->Read(&tag, 1) != 1) break;  // the end of the stream counts as the trailer
      if (tag == 0x3B) break;
      if (tag == 0x21) {
        uint8_t label = 0;
        if (Stream->Read(&label, 1) != 1) break;
        if (label == 0xF9 && frame == target) {
          // The size byte and up to four data bytes; whatever follows is skipped as sub-blocks
          // (normally just the terminator).
          uint8_t len = 0;
          if (Stream->Read(&len, 1) != 1) break;
          uint8_t data[255] = {};
          const int64_t got = Stream->Read(data, len);
          if (got < len) break;
          std::memset(gce, 0, sizeof(gce));
          gce[0] = len;
          std::memcpy(gce + 1, data, 4);
          SkipSubBlocks(Stream, size);
        } else if (label == 0xFE) {
          for (;;) {
            uint8_t len = 0;
            if (Stream->Read(&len, 1) != 1 || len == 0) break;
            char text[256];
            const int64_t got = Stream->Read(text, len);
            if (got <= 0) break;
            const std::string line(text, strnlen(text, static_cast<size_t>(got)));
            if (!line.empty()) P.GIF_Comments->Add(line);
            if (got < len) break;
          }
        } else {
          SkipSubBlocks(Stream, size);
        }
        continue;
      }
      if (tag != 0x2C) continue;  // any other byte is ignored

      uint8_t d[9];
      if (Stream->Read(d, 9) != 9) break;
      TIERGBPixel local[256] = {};
      int localBits = 0;
      if (d[8] & 0x80) {
        localBits = (d[8] & 7) + 1;
        if (!ReadTable(Stream, 1 << localBits, local)) break;
      }
      if (frame != target) {
        const int64_t dataStart = Stream->Position();
        uint8_t m = 0;
        if (Stream->Read(&m, 1) != 1) break;
        SkipSubBlocks(Stream, size);
        gifReach(d, Stream->Position() - dataStart);
        ++frame;
        continue;
      }

      GifSay(Progress, 30);
      if (Progress.IsAborting()) break;
      const int w = IELE16(d + 4), hh = IELE16(d + 6);
      const bool interlaced = (d[8] & 0x40) != 0;
      const bool transparent = (gce[1] & 1) != 0;
      const uint8_t transIndex = gce[4];
      // The table the frame uses: its own, else the global one; a frame with neither is shown
      // through a grey ramp so that its pixels keep their order of brightness.
      TIERGBPixel table[256] = {};
      int tableBits;
      if (localBits) {
        std::memcpy(table, local, sizeof(table));
        tableBits = localBits;
      } else if (globalBits) {
        std::memcpy(table, global, sizeof(table));
        tableBits = globalBits;
      } else {
        for (int i = 0; i < 256; ++i) table[i] = TIERGBPixel{uint8_t(i), uint8_t(i), uint8_t(i)};
        tableBits = 8;
      }
      P.GIF_TranspColor = table[transIndex];
      P.GIF_XPos = IELE16(d);
      P.GIF_YPos = IELE16(d + 2);
      P.GIF_DelayTime = IELE16(gce + 2);
      P.GIF_FlagTranspColor = transparent;
      P.GIF_Interlaced = interlaced;
      P.GIF_Action = static_cast<uint8_t>((gce[1] >> 2) & 7);
      P.Width = P.OriginalWidth = w;
      P.Height = P.OriginalHeight = hh;

      std::vector<uint8_t> indexes;
      if (Preview) {
        const int64_t dataStart = Stream->Position();
        uint8_t m = 0;
        if (Stream->Read(&m, 1) == 1) SkipSubBlocks(Stream, size);
        gifReach(d, Stream->Position() - dataStart);
      } else {
        // Sizes are checked against the data before anything is allocated.
        const int64_t remaining = size - Stream->Position();
        // LZW codes are at least 3 bits wide and none stands for more than 4,096 pixels, so the
        // data left cannot fill a larger frame: such a header is forged, and converting its
        // hundreds of megabytes of empty pixels would hold the reader for seconds.
        if (w == 0 || hh == 0 || !IEPlausibleImageSize(w, hh, remaining) ||
            int64_t(w) * hh > GifMostPixelsFor(remaining)) {
          Progress.Abort();
          break;
        }
        indexes.assign(static_cast<size_t>(w) * hh, 0);
        const int64_t before = Stream->Position();
        TGIFLZWDecompFunc decode = P.GIF_LZWDecompFunc != nullptr ? P.GIF_LZWDecompFunc : IEGifLzwDecompressHook;
        if (decode != nullptr) decode(Stream, hh, w, indexes.data(), interlaced);
        if (Stream->Position() == before) {
          Progress.Abort();
          break;
        }
        gifReach(d, Stream->Position() - before);
        GifSay(Progress, 70);
        if (Progress.IsAborting()) break;
      }

      P.BitsPerSample = tableBits;
      P.SetColorMap(table, 1 << tableBits);

      if (!Preview) {
        const bool blackWhite = tableBits == 1 && table[0].r == 0 && table[0].g == 0 && table[0].b == 0 &&
                                table[1].r == 255 && table[1].g == 255 && table[1].b == 255;
        const TIEPixelFormat fmt = blackWhite ? ie1g : (P.IsNativePixelFormat ? ie8p : ie24RGB);
        if (!Bitmap->Allocate(w, hh, fmt)) {
          Progress.Abort();
          break;
        }
        const bool buildMask = !NoMask && transparent;
        if (buildMask) {
          if (AlphaMask == nullptr) AlphaMask = new TIEMask();
          AlphaMask->AllocateBits(w, hh, 8);
          AlphaMask->Fill(255);
        }
        if (fmt == ie8p) {
          // Indexes past the table show entry values that are black (the table is zero-filled).
          for (int i = 0; i < 256; ++i) Bitmap->SetPaletteEntry(i, table[i]);
        }
        for (int y = 0; y < hh; ++y) {
          const uint8_t* src = indexes.data() + static_cast<size_t>(y) * w;
          uint8_t* row = Bitmap->Scanline(y);
          if (fmt == ie1g) {
            std::memset(row, 0, (w + 7) / 8);
            for (int x = 0; x < w; ++x)
              if (src[x] == 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          } else if (fmt == ie8p) {
            std::memcpy(row, src, w);
          } else {
            auto* px = reinterpret_cast<TIERGBPixel*>(row);
            for (int x = 0; x < w; ++x) px[x] = table[src[x]];  // past the table: black
          }
          if (buildMask) {
            uint8_t* mrow = AlphaMask->GetScanline(y);
            for (int x = 0; x < w; ++x)
              if (src[x] == transIndex) mrow[x] = 0;
          }
        }
        if (buildMask) {
          AlphaMask->RecalcBounds();
          AlphaMask->UpdateAllSetFlag();
          if (AlphaMask->Full) {
            delete AlphaMask;
            AlphaMask = nullptr;
          }
        }
      }
      ++frame;
    }
    // Animated frames are composed on a canvas of the logical screen. A large screen that reaches
    // beyond everything the frames' data could cover would only add background, yet the canvas and
    // every composed copy would be allocated and filled at its full size: it is cut to the frames'
    // reach (a file of a few kilobytes could otherwise cost gigabytes). The canvas takes the
    // larger of the screen and the frames in each direction, so a screen wide but of no height
    // (or the reverse) counts with the frames' extent in the other direction.
    if (std::max<int64_t>(P.GIF_WinWidth, reachW) * std::max<int64_t>(P.GIF_WinHeight, reachH) >
        kGifScreenAlwaysKept) {
      P.GIF_WinWidth = static_cast<int>(std::min<int64_t>(P.GIF_WinWidth, reachW));
      P.GIF_WinHeight = static_cast<int>(std::min<int64_t>(P.GIF_WinHeight, reachH));
    }
    // The canvas also grows to the widest and to the tallest frame, which may be two different
    // frames: a wide, short frame and a narrow, tall one of a few hundred bytes each would make
    // a canvas of billions of pixels. Frames that grow the canvas beyond the screen to more than
    // all their data together could fill are refused, as the file's frames cannot be composed.
    // A screen the frames reach is kept up to kGifReachedScreenKept; a larger one must be one
    // the frames' data could fill too (a small frame placed far off on a screen of a few
    // kilobytes' file made a canvas of 248 megapixels, copied for every frame composed).
    const int64_t screen = int64_t(P.GIF_WinWidth) * P.GIF_WinHeight;
    const int64_t canvas = std::max<int64_t>(P.GIF_WinWidth, widest) * std::max<int64_t>(P.GIF_WinHeight, tallest);
    const int64_t fillable = std::max(kGifScreenAlwaysKept, GifMostPixelsFor(allData));
    if (frame > 1 && canvas > fillable && (canvas > screen || canvas > kGifReachedScreenKept)) Progress.Abort();
    FrameCount = frame;
    P.SetImageCount(frame);
    P.GIF_ImageCount = frame;
    if (!Progress.IsAborting()) GifSay(Progress, 100);
  } catch (...) {
    Progress.Abort();
  }
}

void GifWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  GifSay(Progress, 0);
  if (Progress.IsAborting() || Bitmap == nullptr || Bitmap->IsEmpty()) return;
  bool failed = false;
  auto write = [&](const void* d, int64_t n) { IECodecWrite(Stream, d, n, failed, Progress); };
  const int bps = std::clamp(P.BitsPerSample, 1, 8);
  const int w = Bitmap->Width(), h = Bitmap->Height();
  const bool hasAlpha = Bitmap->HasAlphaChannel();
  TIEBitmap* alpha = hasAlpha ? Bitmap->GetAlphaChannel() : nullptr;

  // The source: ie1g for one bit (two colours kept as they are), else ie24RGB.
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* src = Bitmap;
  TIERGBPixel pal[256] = {};
  TIERGBPixel two[2] = {TIERGBPixel{0, 0, 0}, TIERGBPixel{255, 255, 255}};
  if (bps == 1) {
    if (Bitmap->PixelFormat() != ie1g) {
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
  } else if (Bitmap->PixelFormat() != ie24RGB) {
    owned.reset(IEConvertedCopy(Bitmap, ie24RGB));
    src = owned.get();
  }

  int n = 1 << bps;
  if (hasAlpha) {
    n -= 1;
    P.GIF_FlagTranspColor = true;
  }
  std::vector<uint8_t> indexes(static_cast<size_t>(w) * h, 0);
  std::unique_ptr<TIEQuantizer> quant;
  int palCount = n;
  if (src->PixelFormat() == ie1g) {
    pal[0] = two[0];
    pal[1] = two[1];
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = src->Scanline(y);
      for (int x = 0; x < w; ++x) indexes[static_cast<size_t>(y) * w + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
  } else {
    quant = std::make_unique<TIEQuantizer>(src, pal, std::max(1, n));
    if (quant->HasExactColors()) palCount = std::min(n, quant->ExactCount());
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const TIERGBPixel*>(src->Scanline(y));
      for (int x = 0; x < w; ++x) {
        int i = quant->GetColorIndex(row[x]);
        if (i < 0 || i >= n) i = IENearestPaletteIndex(pal, std::max(1, palCount), row[x]);
        indexes[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(i);
      }
    }
  }
  if (alpha != nullptr)
    for (int y = 0; y < h; ++y) {
      const uint8_t* a = alpha->Scanline(y);
      for (int x = 0; x < w; ++x)
        if (a[x] != 255) indexes[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(n);
    }
  // Colour index of a parameter colour: the quantizer's when it knows it, else the nearest entry.
  auto indexOf = [&](TIERGBPixel c) {
    int i = quant ? quant->GetColorIndex(c) : -1;
    if (i < 0 || i >= n) i = IENearestPaletteIndex(pal, std::max(1, std::min(palCount, n)), c);
    return i;
  };
  GifSay(Progress, 30);
  if (Progress.IsAborting()) return;

  std::string version = P.GIF_Version.size() >= 6 ? P.GIF_Version.substr(0, 6) : std::string("GIF89a");
  std::vector<uint8_t> head(version.begin(), version.end());
  auto put16 = [&](int v) {
    head.push_back(static_cast<uint8_t>(v & 0xFF));
    head.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  };
  put16(w);
  put16(h);
  head.push_back(static_cast<uint8_t>(0x80 | (bps - 1) << 4 | (bps - 1)));
  head.push_back(static_cast<uint8_t>(indexOf(P.GIF_Background)));
  head.push_back(0);
  for (int i = 0; i < (1 << bps); ++i) {  // unused and transparent entries stay black
    head.push_back(pal[i].r);
    head.push_back(pal[i].g);
    head.push_back(pal[i].b);
  }
  const int transIndex = hasAlpha ? n : indexOf(P.GIF_TranspColor);
  head.insert(head.end(), {0x21, 0xF9, 0x04});
  head.push_back(static_cast<uint8_t>((P.GIF_Action & 7) << 2 | (P.GIF_FlagTranspColor ? 1 : 0)));
  put16(P.GIF_DelayTime);
  head.push_back(static_cast<uint8_t>(transIndex));
  head.push_back(0);
  head.push_back(0x2C);
  put16(P.GIF_XPos);
  put16(P.GIF_YPos);
  put16(w);
  put16(h);
  head.push_back(P.GIF_Interlaced ? 0x40 : 0);
  write(head.data(), static_cast<int64_t>(head.size()));
  GifSay(Progress, 70);
  if (Progress.IsAborting()) return;

  TGIFLZWCompFunc encode = P.GIF_LZWCompFunc != nullptr ? P.GIF_LZWCompFunc : IEGifLzwCompressHook;
  if (encode == nullptr) return Progress.Abort();
  encode(Stream, h, w, bps, indexes.data(), P.GIF_Interlaced);

  // Comments: each line in sub-blocks of at most 255 characters; empty lines are skipped (a zero
  // length would end the extension).
  std::vector<uint8_t> tail = {0x21, 0xFE};
  for (int i = 0; i < P.GIF_Comments->Count(); ++i) {
    const std::string line = P.GIF_Comments->Strings(i);
    for (size_t at = 0; at < line.size(); at += 255) {
      const size_t len = std::min<size_t>(255, line.size() - at);
      tail.push_back(static_cast<uint8_t>(len));
      tail.insert(tail.end(), line.begin() + at, line.begin() + at + len);
    }
  }
  tail.push_back(0);
  tail.push_back(0x3B);
  write(tail.data(), static_cast<int64_t>(tail.size()));
  if (!Progress.IsAborting()) GifSay(Progress, 100);
}

namespace {

void GifReadHook(TStream* Stream, TIEBitmap* Bitmap, int& FrameCount, bool Preview, TIEMask*& AlphaMask,
                 bool ParamsRead, TIEProgressRec& Progress, TIOParamsVals& IOParams) {
  GifReadImage(Stream, Bitmap, FrameCount, IOParams, Progress, Preview, AlphaMask, ParamsRead);
}

}  // namespace

void IERegisterGifCodec() {
  IEGifLzwDecompressHook = GifLzwDecompress;
  IEGifLzwCompressHook = GifLzwCompress;
  IECodecs.GifReadImage = GifReadHook;
  IECodecs.GifWriteImage = GifWriteImage;
}
