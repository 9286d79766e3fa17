// TGA codec (see tgafilt.h).
#include "imaging/codecs/tgafilt.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kExtSize = 495;
const char kSignature[] = "TRUEVISION-XFILE.";

bool KnownType(int t) { return t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11; }
bool KnownDepth(int d) { return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

TIERGBPixel From555(uint16_t v) {
  return TIERGBPixel{static_cast<uint8_t>((v & 0x1F) << 3), static_cast<uint8_t>(((v >> 5) & 0x1F) << 3),
                     static_cast<uint8_t>(((v >> 10) & 0x1F) << 3)};
}

std::string FieldText(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), n)); }

// One decoded unit: a colour with its alpha, or (1-bit images) one byte of eight pixels.
struct TUnit {
  TIERGBPixel C{0, 0, 0};
  uint8_t A = 255;
  uint8_t Byte = 0;
};

}  // namespace

bool TgaDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t h[18];
  const bool ok = Stream->Read(h, 18) == 18;
  Stream->SetPosition(start);
  return ok && KnownType(h[2]) && KnownDepth(h[16]) && h[1] <= 1 && IELE16(h + 12) != 0 && IELE16(h + 14) != 0;
}

void TgaReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool NoAlpha, TIEMask*& AlphaMask,
                  bool Preview, TIEProgressRec& Progress) {
  try {
    const int64_t s = Stream->Position();
    const int64_t size = Stream->Size();
    P.TGA_Author.clear();
    P.TGA_ImageName.clear();
    P.TGA_Date = Now();
    P.TGA_Background = TIERGBPixel{0, 0, 0};
    P.TGA_AspectRatio = 1.0;
    P.TGA_Gamma = 2.2;

    // Version 2: the footer's signature, then the extension area it points to.
    if (size - s >= 18 + 26) {
      uint8_t f[26];
      Stream->SetPosition(size - 26);
      if (Stream->Read(f, 26) == 26 && FieldText(f + 8, 18) == kSignature) {
        const int64_t ext = s + IELE32(f);
        uint8_t e[kExtSize];
        if (IELE32(f) != 0 && ext + kExtSize <= size) {
          Stream->SetPosition(ext);
          if (Stream->Read(e, kExtSize) == kExtSize) {
            P.TGA_Author = FieldText(e + 2, 41);
            const int mo = IELE16(e + 367), dd = IELE16(e + 369), yy = IELE16(e + 371);
            const int hh = IELE16(e + 373), mi = IELE16(e + 375), ss = IELE16(e + 377);
            TDateTime d, t;
            if (mo && dd && yy && yy < 2500 && mo <= 12 && dd <= 31 && hh < 24 && mi < 60 && ss < 60 &&
                TryEncodeDate(static_cast<Word>(yy), static_cast<Word>(mo), static_cast<Word>(dd), d) &&
                TryEncodeTime(static_cast<Word>(hh), static_cast<Word>(mi), static_cast<Word>(ss), 0, t))
              P.TGA_Date = d + t;
            P.TGA_ImageName = FieldText(e + 379, 41);
            P.TGA_Background = TIERGBPixel{e[473], e[472], e[471]};
            if (IELE16(e + 474) && IELE16(e + 476)) P.TGA_AspectRatio = double(IELE16(e + 474)) / IELE16(e + 476);
            if (IELE16(e + 478) && IELE16(e + 480)) P.TGA_Gamma = double(IELE16(e + 478)) / IELE16(e + 480);
          }
        }
      }
    }

    Stream->SetPosition(s);
    TIECodecReader R(Stream);
    uint8_t h[18];
    if (R.Read(h, 18) != 18) return Progress.Abort();
    P.TGA_XPos = IELE16(h + 8);
    P.TGA_YPos = IELE16(h + 10);
    const int type = h[2], depth = h[16], desc = h[17];
    const int W = IELE16(h + 12), H = IELE16(h + 14);
    // Packed 4-bit pixels have no reader: refused like unknown depths.
    if (!KnownType(type) || !KnownDepth(depth) || depth == 4 || W == 0 || H == 0) return Progress.Abort();
    const bool mapped = h[1] == 1;
    const int mapFirst = IELE16(h + 3), mapLen = IELE16(h + 5), mapBits = h[7];
    // A colour map past the 256 entries an 8-bit index can reach is refused.
    if (mapped && (mapFirst + mapLen > 256 || !(mapBits == 15 || mapBits == 16 || mapBits == 24 || mapBits == 32)))
      return Progress.Abort();

    char id[256] = {};
    R.Read(id, h[0]);
    P.TGA_Descriptor = std::string(id, strnlen(id, h[0]));

    TIERGBPixel pal[256];
    uint8_t palAlpha[256];
    for (int i = 0; i < 256; ++i) {
      pal[i] = TIERGBPixel{static_cast<uint8_t>((i & 3) * 64 + 60), static_cast<uint8_t>(((i >> 2) & 7) * 32 + 28),
                           static_cast<uint8_t>((i >> 5) * 32 + 28)};
      palAlpha[i] = 255;
    }
    bool mapAlpha = false;
    if (mapped) {
      for (int i = 0; i < mapLen; ++i) {
        uint8_t e[4] = {};
        const int bytes = (mapBits + 7) / 8;
        if (R.Read(e, bytes) != bytes) return Progress.Abort();
        TIERGBPixel& c = pal[mapFirst + i];
        if (bytes == 2)
          c = From555(IELE16(e));
        else
          c = TIERGBPixel{e[0], e[1], e[2]};
        if (bytes == 4) palAlpha[mapFirst + i] = e[3];
      }
      mapAlpha = mapBits == 32;
      P.SetColorMap(pal, mapLen);
      P.ColorMapCount = mapLen;
      P.TGA_GrayLevel = false;
    } else {
      P.SetColorMap(nullptr, 0);
      if (depth == 8) {
        for (int i = 0; i < 256; ++i) pal[i] = TIERGBPixel{uint8_t(i), uint8_t(i), uint8_t(i)};
        P.TGA_GrayLevel = true;
      } else if (depth == 1) {
        pal[0] = TIERGBPixel{0, 0, 0};
        pal[1] = TIERGBPixel{255, 255, 255};
      }
    }
    P.TGA_Compressed = type >= 9;
    P.Width = P.OriginalWidth = W;
    P.Height = P.OriginalHeight = H;
    P.SetDpiX(IEDefaultDpiX);
    P.SetDpiY(IEDefaultDpiY);
    P.SetImageCount(1);
    switch (depth) {
      case 1: P.BitsPerSample = 1, P.SamplesPerPixel = 1; break;
      case 8: P.BitsPerSample = 8, P.SamplesPerPixel = 1; break;
      case 16: P.BitsPerSample = 5, P.SamplesPerPixel = 3; break;
      case 24: P.BitsPerSample = 8, P.SamplesPerPixel = 3; break;
      default: P.BitsPerSample = 8, P.SamplesPerPixel = 4; break;
    }
    if (Preview) return;

    const int64_t remaining = size - R.Position();
    if (!IEPlausibleImageSize(W, H, remaining)) return Progress.Abort();
    const bool bits = depth == 1;
    // The densest coding is a run packet: a count byte and one unit (a pixel, or eight pixels of
    // a 1-bit image) for 128 units. An image needing more units than the data left could give
    // that way (a kilobyte allowed for a cut file) is not in the file: a few header bytes must
    // not make a picture, a mask and an alpha channel of many megapixels.
    const int unitBytes = bits ? 1 : (depth + 7) / 8;
    const int64_t declaredUnits = int64_t(bits ? (W + 7) / 8 : W) * H;
    if (declaredUnits > (std::max<int64_t>(remaining, 0) + 1024) / (1 + unitBytes) * 128)
      return Progress.Abort();
    if (!Bitmap->Allocate(W, H, bits ? ie1g : ie24RGB)) return Progress.Abort();
    const bool wantAlpha = !NoAlpha && (depth == 32 || mapAlpha);
    if (wantAlpha) {
      if (AlphaMask == nullptr) AlphaMask = new TIEMask();
      AlphaMask->AllocateBits(W, H, 8);
      AlphaMask->Fill(255);
      AlphaMask->Full = false;
    }

    const bool rle = type >= 9;
    const int units = bits ? (W + 7) / 8 : W;
    auto readUnit = [&](TUnit& u) -> bool {
      uint8_t b[4];
      switch (depth) {
        case 1:
          if (R.Read(b, 1) != 1) return false;
          u.Byte = b[0];
          return true;
        case 8:
          if (R.Read(b, 1) != 1) return false;
          u.C = pal[b[0]];
          u.A = mapAlpha ? palAlpha[b[0]] : 255;
          return true;
        case 16:
          if (R.Read(b, 2) != 2) return false;
          u.C = From555(IELE16(b));
          return true;
        case 24:
          if (R.Read(b, 3) != 3) return false;
          u.C = TIERGBPixel{b[0], b[1], b[2]};
          return true;
        default:
          if (R.Read(b, 4) != 4) return false;
          u.C = TIERGBPixel{b[0], b[1], b[2]};
          u.A = b[3];
          return true;
      }
    };
    std::vector<TUnit> line(units);
    // A run-length packet cut at a row end continues on the next row.
    int pending = 0;
    bool pendingRun = false;
    TUnit runValue;
    const bool topDown = (desc & 0x20) != 0, rightToLeft = (desc & 0x10) != 0;
    Progress.Per = 100.0 / H;
    bool ok = true;
    int done = 0;
    for (; done < H && ok && !Progress.IsAborting(); ++done) {
      int n = 0;
      while (n < units && ok) {
        if (!rle) {
          ok = readUnit(line[n++]);
          continue;
        }
        if (pending == 0) {
          const int c = R.Get();
          if (c < 0) {
            ok = false;
            break;
          }
          pending = (c & 0x7F) + 1;
          pendingRun = (c & 0x80) != 0;
          if (pendingRun && !readUnit(runValue)) {
            ok = false;
            break;
          }
        }
        const int take = std::min(pending, units - n);
        for (int k = 0; k < take && ok; ++k) {
          if (pendingRun)
            line[n++] = runValue;
          else
            ok = readUnit(line[n++]);
        }
        pending -= take;
      }
      if (!ok) break;
      if (rightToLeft && !bits) std::reverse(line.begin(), line.end());
      const int y = topDown ? done : H - 1 - done;
      uint8_t* row = Bitmap->Scanline(y);
      if (bits) {
        for (int i = 0; i < units; ++i) row[i] = line[i].Byte;
        if (W % 8) row[units - 1] &= static_cast<uint8_t>(0xFF00 >> (W % 8));
      } else {
        auto* px = reinterpret_cast<TIERGBPixel*>(row);
        for (int x = 0; x < W; ++x) px[x] = line[x].C;
        if (wantAlpha) {
          uint8_t* m = AlphaMask->GetScanline(y);
          for (int x = 0; x < W; ++x) m[x] = line[x].A;
        }
      }
      Progress.Val = done + 1;
      Progress.Report();
    }
    if (!ok) {
      // Rows the data never reached are cleared, never left as the bitmap held them.
      for (int d = done; d < H; ++d) {
        const int y = topDown ? d : H - 1 - d;
        std::memset(Bitmap->Scanline(y), 0, Bitmap->RowLen());
      }
      Progress.Abort();
    }
    if (wantAlpha) {
      AlphaMask->RecalcBounds();
      AlphaMask->UpdateAllSetFlag();
      if (AlphaMask->IsEmpty()) {  // every value 0: the image counts as opaque
        delete AlphaMask;
        AlphaMask = nullptr;
      }
    }
  } catch (...) {
    Progress.Abort();
  }
}

void TgaWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEMask* AlphaMask,
                   TIEProgressRec& Progress) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return;
  bool failed = false;
  auto write = [&](const void* d, int64_t n) { IECodecWrite(Stream, d, n, failed, Progress); };
  const int W = Bitmap->Width(), H = Bitmap->Height();
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* src = Bitmap;
  // Formats other than ie1g and ie24RGB are written from a 24-bit copy.
  if (src->PixelFormat() != ie1g && src->PixelFormat() != ie24RGB) {
    owned.reset(IEConvertedCopy(Bitmap, ie24RGB));
    src = owned.get();
  }
  int depth = src->PixelFormat() == ie1g ? 1 : 24;
  TIERGBPixel pal[256] = {};
  std::unique_ptr<TIEQuantizer> quant;
  bool compressed = P.TGA_Compressed;
  const bool grey8 = P.SamplesPerPixel == 1 && P.BitsPerSample == 8 && P.TGA_GrayLevel;
  if (P.SamplesPerPixel == 1 && (P.BitsPerSample == 1 || P.BitsPerSample == 4 || P.BitsPerSample == 8)) {
    if (P.BitsPerSample == 1) {
      if (src->PixelFormat() != ie1g) {
        TIERGBPixel c1, c2;
        owned.reset(IETwoColorTo1Bit(src, c1, c2));
        if (!owned) owned.reset(IEConvertedCopy(src, ie1g));
        src = owned.get();
      }
      depth = 1;
      compressed = false;
    } else {
      if (src->PixelFormat() == ie1g) {  // quantizing needs colour pixels
        owned.reset(IEConvertedCopy(src, ie24RGB));
        src = owned.get();
      }
      depth = P.BitsPerSample;
      if (!grey8) {
        quant = std::make_unique<TIEQuantizer>(src, pal, 1 << depth);
        P.SetColorMap(pal, 1 << depth);
      }
      if (depth == 4) compressed = false;
    }
  } else if (depth == 24 && AlphaMask != nullptr && !AlphaMask->Full && AlphaMask->Width == W &&
             AlphaMask->Height == H && AlphaMask->BitsPerPixel == 8) {
    depth = 32;
    compressed = false;
  } else if (depth == 1) {
    compressed = false;
  }
  P.TGA_Compressed = compressed;
  const bool hasMap = (depth == 4 || depth == 8) && !grey8;
  const std::string id = P.TGA_Descriptor.substr(0, 254);
  const int64_t start = Stream->Position();

  uint8_t h[18] = {};
  h[0] = static_cast<uint8_t>(id.size() + 1);
  h[1] = hasMap ? 1 : 0;
  int type = depth == 1 || grey8 ? 3 : (hasMap ? 1 : 2);
  if (compressed) type += 8;
  h[2] = static_cast<uint8_t>(type);
  if (hasMap) {
    IEPutLE16(h + 5, 1u << depth);
    h[7] = 24;
  }
  IEPutLE16(h + 8, static_cast<uint32_t>(P.TGA_XPos));
  IEPutLE16(h + 10, static_cast<uint32_t>(P.TGA_YPos));
  IEPutLE16(h + 12, static_cast<uint32_t>(W));
  IEPutLE16(h + 14, static_cast<uint32_t>(H));
  h[16] = static_cast<uint8_t>(depth);
  h[17] = static_cast<uint8_t>(0x20 | (depth == 32 ? 8 : 0));
  write(h, 18);
  write(id.c_str(), static_cast<int64_t>(id.size() + 1));
  if (hasMap) {
    std::vector<uint8_t> map;
    for (int i = 0; i < (1 << depth); ++i) map.insert(map.end(), {pal[i].b, pal[i].g, pal[i].r});
    write(map.data(), static_cast<int64_t>(map.size()));
  }

  auto indexOf = [&](TIERGBPixel c) {
    int i = quant->GetColorIndex(c);
    if (i < 0 || i >= (1 << depth)) i = IENearestPaletteIndex(pal, 1 << depth, c);
    return static_cast<uint8_t>(i);
  };
  const int bpp = depth == 24 ? 3 : (depth == 32 ? 4 : 1);
  std::vector<uint8_t> row, out;
  Progress.Per = 100.0 / H;
  Progress.Val = 0;
  for (int y = 0; y < H && !Progress.IsAborting(); ++y) {
    const uint8_t* line = src->Scanline(y);
    row.clear();
    if (depth == 1) {
      row.assign(line, line + (W + 7) / 8);
    } else if (depth == 4) {
      row.assign((W + 1) / 2, 0);
      const auto* px = reinterpret_cast<const TIERGBPixel*>(line);
      for (int x = 0; x < W; ++x) row[x / 2] |= static_cast<uint8_t>(indexOf(px[x]) << ((x & 1) ? 0 : 4));
    } else if (depth == 8) {
      const auto* px = reinterpret_cast<const TIERGBPixel*>(line);
      for (int x = 0; x < W; ++x) row.push_back(grey8 ? static_cast<uint8_t>(IERGBToGray(px[x])) : indexOf(px[x]));
    } else if (depth == 24) {
      row.assign(line, line + static_cast<size_t>(W) * 3);
    } else {
      const uint8_t* m = AlphaMask->GetScanline(y);
      for (int x = 0; x < W; ++x) row.insert(row.end(), {line[3 * x], line[3 * x + 1], line[3 * x + 2], m[x]});
    }
    if (compressed && (depth == 8 || depth == 24)) {
      out.clear();
      auto same = [&](int a, int b) { return std::memcmp(&row[a * bpp], &row[b * bpp], bpp) == 0; };
      int x = 0;
      while (x < W) {
        int run = 1;
        while (x + run < W && run < 128 && same(x, x + run)) ++run;
        if (run >= 2) {
          out.push_back(static_cast<uint8_t>((run - 1) | 0x80));
          out.insert(out.end(), row.begin() + x * bpp, row.begin() + (x + 1) * bpp);
          x += run;
          continue;
        }
        int n = 0;
        while (x + n < W && n < 127 && (x + n + 1 >= W || !same(x + n, x + n + 1))) ++n;
        if (n == 0) n = 1;
        out.push_back(static_cast<uint8_t>(n - 1));
        out.insert(out.end(), row.begin() + x * bpp, row.begin() + (x + n) * bpp);
        x += n;
      }
      write(out.data(), static_cast<int64_t>(out.size()));
    } else {
      write(row.data(), static_cast<int64_t>(row.size()));
    }
    Progress.Val = y + 1;
    Progress.Report();
  }

  // Extension area, then the footer pointing to it.
  const int64_t extPos = Stream->Position();
  uint8_t e[kExtSize] = {};
  IEPutLE16(e, kExtSize);
  std::memcpy(e + 2, P.TGA_Author.c_str(), std::min<size_t>(40, P.TGA_Author.size()));
  Word yy = 0, mo = 0, dd = 0, hh = 0, mi = 0, ss = 0, ms = 0;
  if (P.TGA_Date > 0) {
    DecodeDate(P.TGA_Date, yy, mo, dd);
    DecodeTime(P.TGA_Date, hh, mi, ss, ms);
  }
  IEPutLE16(e + 367, mo);
  IEPutLE16(e + 369, dd);
  IEPutLE16(e + 371, yy);
  IEPutLE16(e + 373, hh);
  IEPutLE16(e + 375, mi);
  IEPutLE16(e + 377, ss);
  std::memcpy(e + 379, P.TGA_ImageName.c_str(), std::min<size_t>(40, P.TGA_ImageName.size()));
  e[471] = P.TGA_Background.r;
  e[472] = P.TGA_Background.g;
  e[473] = P.TGA_Background.b;
  auto ratio = [](double v) {
    if (!(v > 0)) return 0u;
    return static_cast<uint32_t>(std::min(65535.0, std::trunc(v * 10000)));
  };
  IEPutLE16(e + 474, ratio(P.TGA_AspectRatio));
  IEPutLE16(e + 476, 10000);
  IEPutLE16(e + 478, ratio(P.TGA_Gamma));
  IEPutLE16(e + 480, 10000);
  write(e, kExtSize);
  uint8_t f[26] = {};
  IEPutLE32(f, static_cast<uint32_t>(extPos - start));
  std::memcpy(f + 8, kSignature, sizeof(kSignature));  // with its zero byte
  write(f, 26);
}

namespace {

void TgaReadHook(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEMask*& AlphaMask,
                 bool ParamsRead, TIEProgressRec& Progress) {
  TgaReadImage(Stream, Bitmap, IOParams, ParamsRead, AlphaMask, Preview, Progress);
}

}  // namespace

void IERegisterTgaCodec() {
  IECodecs.TgaDetect = TgaDetect;
  IECodecs.TgaReadImage = TgaReadHook;
  IECodecs.TgaWriteImage = TgaWriteImage;
}
