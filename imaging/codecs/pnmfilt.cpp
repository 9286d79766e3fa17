// PNM, WBMP and raw pixel codecs (see pnmfilt.h).
#include "imaging/codecs/pnmfilt.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iecolor.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

bool IsAlnum(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The next header token: a run of letters and digits (the character ending it is consumed), or a
// comment "#text" (trimmed) running to the end of its line. Empty at the end of the stream.
std::string Token(TIECodecReader& R) {
  int c;
  do {
    c = R.Get();
  } while (c >= 0 && !IsAlnum(c) && c != '#');
  std::string t;
  if (c < 0) return t;
  if (c == '#') {
    while ((c = R.Get()) >= 0 && c != '\n' && c != '\r') t.push_back(static_cast<char>(c));
    size_t a = 0, b = t.size();
    while (a < b && std::isspace(static_cast<unsigned char>(t[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(t[b - 1]))) --b;
    return "#" + t.substr(a, b - a);
  }
  t.push_back(static_cast<char>(c));
  while ((c = R.Get()) >= 0 && IsAlnum(c)) t.push_back(static_cast<char>(c));
  return t;
}

// A decimal token as a number, Default when it is not one or does not fit 31 bits.
int64_t Number(const std::string& T, int64_t Default) {
  int64_t v = 0;
  auto r = std::from_chars(T.data(), T.data() + T.size(), v);
  if (r.ec != std::errc() || r.ptr != T.data() + T.size() || v < 0 || v > 0x7FFFFFFF) return Default;
  return v;
}

// Reads a multi-byte integer of at most MaxBytes bytes; -1 when it is cut short or longer.
int64_t MultiByte(TIECodecReader& R, int MaxBytes) {
  int64_t v = 0;
  for (int i = 0; i < MaxBytes; ++i) {
    const int c = R.Get();
    if (c < 0) return -1;
    v = (v << 7) | (c & 0x7F);
    if (!(c & 0x80)) return v;
  }
  return -1;
}

void PutMultiByte(std::vector<uint8_t>& Out, uint32_t V) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<uint8_t>(V & 0x7F);
    V >>= 7;
  } while (V != 0);
  while (n > 1) Out.push_back(groups[--n] | 0x80);
  Out.push_back(groups[0]);
}

}  // namespace

bool PnmDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  bool result = false;
  try {
    TIECodecReader R(Stream, 1024);
    std::string magic;
    int64_t w = -1, h = -1;
    int state = 0;  // 0 magic, 1 width, 2 height, 3 maximum
    for (int i = 0; i < 501; ++i) {
      const std::string t = Token(R);
      if (t.empty()) break;
      if (t[0] == '#') continue;
      if (state == 0) {
        if (t.size() != 2 || t[0] != 'P' || t[1] < '1' || t[1] > '6') break;
        magic = t;
        state = 1;
      } else if (state == 1) {
        w = Number(t, -1);
        state = 2;
      } else if (state == 2) {
        h = Number(t, -1);
        if (magic == "P1" || magic == "P4") break;
        state = 3;
      } else {
        break;
      }
    }
    result = !magic.empty() && w > 0 && h > 0;
  } catch (...) {
    result = false;
  }
  Stream->SetPosition(start);
  return result;
}

void PnmReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress, bool Preview) {
  try {
    TIECodecReader R(Stream);
    P.PXM_Comments->Clear();
    std::string magic;
    int64_t w = -1, h = -1, maxv = -1;
    int need = 4;  // magic, width, height, maximum
    int got = 0;
    while (got < need) {
      const std::string t = Token(R);
      if (t.empty()) break;
      if (t[0] == '#') {
        P.PXM_Comments->Add(t.substr(1));
        continue;
      }
      switch (got++) {
        case 0:
          magic = t;
          if (magic == "P1" || magic == "P4") {
            maxv = 1;
            need = 3;
          }
          break;
        case 1: w = Number(t, -1); break;
        case 2: h = Number(t, -1); break;
        default: maxv = Number(t, -1); break;
      }
    }
    if (w <= 0 || h <= 0 || w > 0xFFFFFF || h > 0xFFFFFF) return Progress.Abort();
    P.SetColorMap(nullptr, 0);
    P.Width = P.OriginalWidth = static_cast<int32_t>(w);
    P.Height = P.OriginalHeight = static_cast<int32_t>(h);
    P.SetDpiX(IEDefaultDpiX);
    P.SetDpiY(IEDefaultDpiY);
    const char kind = magic.size() == 2 && magic[0] == 'P' ? magic[1] : 0;
    if (kind < '1' || kind > '6' || maxv <= 0 || maxv > 65535) return Progress.Abort();
    const bool bits = kind == '1' || kind == '4';
    const bool grey = kind == '2' || kind == '5';
    P.BitsPerSample = bits ? 1 : (kind == '6' && maxv > 255 ? 16 : 8);
    P.SamplesPerPixel = bits || grey ? 1 : 3;
    if (kind == '5' && maxv > 255) P.BitsPerSample = 16;
    if (Preview) return;

    const int W = static_cast<int>(w), H = static_cast<int>(h);
    if (!IEPlausibleImageSize(W, H, Stream->Size() - R.Position())) return Progress.Abort();
    auto progress = [&](int done) { IECodecSay(Progress, static_cast<int>(int64_t(done) * 100 / H)); };
    auto scale = [&](int64_t v) { return static_cast<uint8_t>(std::min<int64_t>(255, v * 255 / maxv)); };
    const bool wide = maxv > 255;

    if (bits) {
      if (!Bitmap->Allocate(W, H, ie1g)) return Progress.Abort();
      const int rowBytes = (W + 7) / 8;
      for (int y = 0; y < H; ++y) std::memset(Bitmap->Scanline(y), 0, Bitmap->RowLen());
      if (kind == '1') {
        int x = 0, y = 0;
        for (int c; y < H && (c = R.Get()) >= 0;) {
          if (c != '0' && c != '1') continue;
          if (c == '0') Bitmap->Scanline(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          if (++x == W) {
            x = 0;
            ++y;
            if (y < H) progress(y);
          }
        }
      } else {
        for (int y = 0; y < H; ++y) {
          uint8_t* row = Bitmap->Scanline(y);
          const int64_t n = R.Read(row, rowBytes);
          for (int i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
          if (n < rowBytes) std::memset(row + std::max<int64_t>(n, 0), 0, rowBytes - std::max<int64_t>(n, 0));
          progress(y + 1);
          if (n < rowBytes) break;
        }
      }
      // Row padding past the width stays clear.
      if (W % 8)
        for (int y = 0; y < H; ++y) Bitmap->Scanline(y)[rowBytes - 1] &= static_cast<uint8_t>(0xFF00 >> (W % 8));
      return;
    }

    const bool native48 = kind == '6' && wide && P.IsNativePixelFormat;
    if (!Bitmap->Allocate(W, H, native48 ? ieRGB48 : ie24RGB)) return Progress.Abort();
    for (int y = 0; y < H; ++y) std::memset(Bitmap->Scanline(y), 0, Bitmap->RowLen());
    if (kind == '2' || kind == '3') {
      const int per = kind == '2' ? 1 : 3;
      bool end = false;
      for (int y = 0; y < H && !end; ++y) {
        auto* px = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
        for (int x = 0; x < W && !end; ++x) {
          uint8_t s[3] = {0, 0, 0};
          for (int k = 0; k < per; ++k) {
            const std::string t = Token(R);
            if (t.empty()) {
              end = true;
              break;
            }
            s[k] = t[0] == '#' ? 0 : scale(Number(t, 0));
          }
          if (end) break;
          px[x] = per == 1 ? TIERGBPixel{s[0], s[0], s[0]} : TIERGBPixel{s[2], s[1], s[0]};
        }
        progress(y + 1);
      }
      return;
    }
    const int bytesPerSample = wide ? 2 : 1;
    const int samples = kind == '5' ? 1 : 3;
    std::vector<uint8_t> line(static_cast<size_t>(W) * samples * bytesPerSample);
    for (int y = 0; y < H; ++y) {
      const int64_t n = R.Read(line.data(), static_cast<int64_t>(line.size()));
      if (n < static_cast<int64_t>(line.size())) std::fill(line.begin() + std::max<int64_t>(n, 0), line.end(), 0);
      uint8_t* row = Bitmap->Scanline(y);
      if (native48) {
        auto* out = reinterpret_cast<uint16_t*>(row);
        for (int i = 0; i < W * 3; ++i) out[i] = static_cast<uint16_t>(line[2 * i] << 8 | line[2 * i + 1]);
      } else if (kind == '5') {
        auto* px = reinterpret_cast<TIERGBPixel*>(row);
        for (int x = 0; x < W; ++x) {
          // Samples wider than a byte are read as 16-bit values; every maximum other than 255
          // is scaled to 0..255.
          const int64_t v = wide ? (line[2 * x] << 8 | line[2 * x + 1]) : line[x];
          const uint8_t g = maxv == 255 ? static_cast<uint8_t>(v) : scale(v);
          px[x] = TIERGBPixel{g, g, g};
        }
      } else {
        auto* px = reinterpret_cast<TIERGBPixel*>(row);
        for (int x = 0; x < W; ++x) {
          uint8_t s[3];
          for (int k = 0; k < 3; ++k) {
            if (wide) {
              s[k] = line[(3 * x + k) * 2];  // the high byte of the 16-bit sample
            } else {
              const uint8_t v = line[3 * x + k];
              s[k] = maxv == 255 ? v : scale(v);  // maximums below 255 are scaled as well
            }
          }
          px[x] = TIERGBPixel{s[2], s[1], s[0]};
        }
      }
      progress(y + 1);
      if (n < static_cast<int64_t>(line.size())) break;
    }
  } catch (...) {
    Progress.Abort();
  }
}

void PnmWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return;
  bool failed = false;
  auto write = [&](const void* d, int64_t n) { IECodecWrite(Stream, d, n, failed, Progress); };
  const int W = Bitmap->Width(), H = Bitmap->Height();
  std::string comments;
  for (int i = 0; i < P.PXM_Comments->Count(); ++i) comments += "\n# " + P.PXM_Comments->Strings(i) + "\n";
  auto header = [&](const char* magic, const char* maxText) {
    const std::string t = std::string(magic) + " " + comments + std::to_string(W) + " " + std::to_string(H) + maxText + "\n";
    write(t.data(), static_cast<int64_t>(t.size()));
  };
  auto progress = [&](int done) { IECodecSay(Progress, static_cast<int>(int64_t(done) * 100 / H)); };
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  // Rows of a format other than the case needs come from a converted copy.
  std::unique_ptr<TIEBitmap> conv;
  auto source = [&](TIEPixelFormat want) -> TIEBitmap* {
    if (Bitmap->PixelFormat() == want) return Bitmap;
    conv.reset(IEConvertedCopy(Bitmap, want));
    return conv.get();
  };
  if ((P.BitsPerSample == 1 && P.SamplesPerPixel == 1) || pf == ie1g) {
    TIEBitmap* s = source(ie1g);
    header("P4", "");
    const int rowBytes = (W + 7) / 8;
    std::vector<uint8_t> line(rowBytes);
    for (int y = 0; y < H; ++y) {
      const uint8_t* row = s->Scanline(y);
      for (int i = 0; i < rowBytes; ++i) line[i] = static_cast<uint8_t>(~row[i]);
      write(line.data(), rowBytes);
      progress(y + 1);
    }
  } else if (P.BitsPerSample == 8 && P.SamplesPerPixel == 1) {
    TIEBitmap* s = source(ie24RGB);
    header("P5", " 255");
    std::vector<uint8_t> line(W);
    for (int y = 0; y < H; ++y) {
      IEConvertColorFunction(s->Scanline(y), 1, line.data(), &P, W, 5);
      write(line.data(), W);
      progress(y + 1);
    }
  } else if ((P.BitsPerSample == 16 && P.SamplesPerPixel == 3 && pf == ie24RGB) || pf == ieRGB48) {
    header("P6", " 65535");
    std::vector<uint8_t> line(static_cast<size_t>(W) * 6);
    for (int y = 0; y < H; ++y) {
      const uint8_t* row = Bitmap->Scanline(y);
      for (int x = 0; x < W; ++x)
        for (int k = 0; k < 3; ++k) {
          uint16_t v;
          if (pf == ieRGB48)
            v = reinterpret_cast<const uint16_t*>(row)[3 * x + k];
          else
            v = static_cast<uint16_t>(row[3 * x + 2 - k] * 257);  // red, green, blue from blue-first
          line[6 * x + 2 * k] = static_cast<uint8_t>(v >> 8);
          line[6 * x + 2 * k + 1] = static_cast<uint8_t>(v & 0xFF);
        }
      write(line.data(), static_cast<int64_t>(line.size()));
      progress(y + 1);
    }
  } else if ((P.BitsPerSample == 8 && P.SamplesPerPixel == 3) || pf == ie24RGB) {
    TIEBitmap* s = source(ie24RGB);
    header("P6", " 255");
    std::vector<uint8_t> line(static_cast<size_t>(W) * 3);
    for (int y = 0; y < H; ++y) {
      const uint8_t* row = s->Scanline(y);
      for (int x = 0; x < W; ++x) {
        line[3 * x] = row[3 * x + 2];
        line[3 * x + 1] = row[3 * x + 1];
        line[3 * x + 2] = row[3 * x];
      }
      write(line.data(), static_cast<int64_t>(line.size()));
      progress(y + 1);
    }
  }
}

void WbmpReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress, bool Preview) {
  try {
    TIECodecReader R(Stream);
    const int64_t type = MultiByte(R, 4), fixed = MultiByte(R, 4);
    const int64_t w = MultiByte(R, 4), h = MultiByte(R, 4);
    // Sides are taken whole (up to 28 bits), never modulo 256.
    if (type != 0 || fixed != 0 || w <= 0 || h <= 0 || w > 0xFFFFFF || h > 0xFFFFFF) return Progress.Abort();
    P.BitsPerSample = 1;
    P.SamplesPerPixel = 1;
    P.Width = P.OriginalWidth = static_cast<int32_t>(w);
    P.Height = P.OriginalHeight = static_cast<int32_t>(h);
    P.SetDpiX(IEDefaultDpiX);
    P.SetDpiY(IEDefaultDpiY);
    P.SetColorMap(nullptr, 0);
    if (Preview) return;
    const int W = static_cast<int>(w), H = static_cast<int>(h);
    const int rowBytes = (W + 7) / 8;
    if (int64_t(rowBytes) * H > Stream->Size() - R.Position() + rowBytes) return Progress.Abort();
    if (!Bitmap->Allocate(W, H, ie1g)) return Progress.Abort();
    for (int y = 0; y < H; ++y) {
      uint8_t* row = Bitmap->Scanline(y);
      std::memset(row, 0, Bitmap->RowLen());
      R.Read(row, rowBytes);
      IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
    }
  } catch (...) {
    Progress.Abort();
  }
}

void WbmpWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals&, TIEProgressRec& Progress) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return;
  std::unique_ptr<TIEBitmap> work;
  TIEBitmap* s = Bitmap;
  if (s->PixelFormat() != ie1g) {
    work.reset(IEConvertedCopy(Bitmap, ie1g));
    s = work.get();
  }
  int W = s->Width(), H = s->Height();
  if (W > 255 || H > 255) {
    if (W > H) {
      H = std::max(1, static_cast<int>(int64_t(H) * 255 / W));
      W = 255;
    } else {
      W = std::max(1, static_cast<int>(int64_t(W) * 255 / H));
      H = 255;
    }
    std::unique_ptr<TIEBitmap> small(IEResampleCopy(s, W, H));
    work = std::move(small);
    s = work.get();
  }
  bool failed = false;
  std::vector<uint8_t> head = {0, 0};
  PutMultiByte(head, static_cast<uint32_t>(W));
  PutMultiByte(head, static_cast<uint32_t>(H));
  IECodecWrite(Stream, head.data(), static_cast<int64_t>(head.size()), failed, Progress);
  const int rowBytes = (W + 7) / 8;
  for (int y = 0; y < H; ++y) {
    IECodecWrite(Stream, s->Scanline(y), rowBytes, failed, Progress);
    IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
  }
}

void RawPixelsRead(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return;
  try {
    const int W = Bitmap->Width(), H = Bitmap->Height();
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    TIECodecReader R(Stream);
    R.Skip(std::max(0, P.RAWPIXELS_HeaderSize));
    const int align = P.RAWPIXELS_RowAlign > 0 ? P.RAWPIXELS_RowAlign : 8;
    const bool planarKind = pf == ie24RGB || pf == ieCMYK || pf == ieRGB48;
    const bool interleaved = pf == ie1g || pf == ie8p || pf == ie8g || pf == ie16g || pf == ie32f ||
                             (planarKind && P.RAWPIXELS_Planar == 0);
    if (interleaved) {
      const int64_t srcLen = IERowLength(W, Bitmap->BitCount(), align);
      const int64_t n = std::min<int64_t>(srcLen, Bitmap->RowLen());
      for (int y = 0; y < H; ++y) {
        R.Read(Bitmap->Scanline(y), n);
        if (srcLen > n) R.Skip(srcLen - n);
        IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
      }
    } else if (planarKind && P.RAWPIXELS_Planar == 1) {
      const int planes = pf == ieCMYK ? 4 : 3;
      const int sampleBytes = pf == ieRGB48 ? 2 : 1;
      const int64_t planeRow = IERowLength(W, 8 * sampleBytes, align);
      std::vector<uint8_t> line(static_cast<size_t>(std::max<int64_t>(planeRow, int64_t(W) * sampleBytes)));
      IECodecSay(Progress, 0);
      for (int k = 0; k < planes; ++k) {
        for (int y = 0; y < H; ++y) {
          std::fill(line.begin(), line.end(), 0);
          R.Read(line.data(), planeRow);
          uint8_t* row = Bitmap->Scanline(y);
          for (int x = 0; x < W; ++x)
            std::memcpy(row + (static_cast<size_t>(x) * planes + k) * sampleBytes,
                        line.data() + static_cast<size_t>(x) * sampleBytes, sampleBytes);
        }
        IECodecSay(Progress, (k + 1) * 100 / planes);
      }
    } else {
      return;  // other layouts and formats read nothing
    }
    if ((pf == ie24RGB || pf == ieRGB48) && P.RAWPIXELS_ChannelOrder == 0) {
      for (int y = 0; y < H; ++y) {
        uint8_t* row = Bitmap->Scanline(y);
        if (pf == ie24RGB) {
          for (int x = 0; x < W; ++x) std::swap(row[3 * x], row[3 * x + 2]);
        } else {
          auto* s = reinterpret_cast<uint16_t*>(row);
          for (int x = 0; x < W; ++x) std::swap(s[3 * x], s[3 * x + 2]);
        }
      }
    }
    R.Sync();
  } catch (...) {
    Progress.Abort();
  }
}

void IERegisterPnmCodec() {
  IECodecs.PnmDetect = PnmDetect;
  IECodecs.PnmReadImage = PnmReadImage;
  IECodecs.PnmWriteImage = PnmWriteImage;
  IECodecs.WbmpReadImage = WbmpReadImage;
  IECodecs.WbmpWriteImage = WbmpWriteImage;
  IECodecs.RawPixelsRead = RawPixelsRead;
}
