// Helpers of the codec tests: generated images, PSNR, byte buffers (little-endian values written
// and read), a progress record with its own abort flag and the result of one read.
#pragma once

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <cstring>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

struct TTestProgress {
  std::atomic<bool> Abort{false};
  TIEProgressRec Rec;
  TTestProgress() { Rec.Aborting = &Abort; }
  bool Aborted() const { return Abort.load(); }
};

inline TIERGBPixel PixRGB(int r, int g, int b) {
  return TIERGBPixel{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)};
}

// A smooth photo-like ie24RGB image: gradients plus a soft disc.
inline void MakePhoto(TIEBitmap& bmp, int w, int h) {
  bmp.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double dx = x - w / 2.0, dy = y - h / 2.0;
      double d = std::sqrt(dx * dx + dy * dy) / (std::min(w, h) / 2.0);
      int disc = d < 0.6 ? 60 : (d < 0.8 ? static_cast<int>(60 * (0.8 - d) / 0.2) : 0);
      bmp.SetPixelRGB(x, y, PixRGB(std::min(255, x * 200 / w + disc), std::min(255, y * 200 / h + disc / 2),
                                std::min(255, 128 + (x - y) * 64 / (w + h) + disc)));
    }
}

inline double PSNR(TIEBitmap& a, TIEBitmap& b) {
  double se = 0;
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      TIERGBPixel p = a.GetPixelAsRGB(x, y), q = b.GetPixelAsRGB(x, y);
      se += (p.r - q.r) * (p.r - q.r) + (p.g - q.g) * (p.g - q.g) + (p.b - q.b) * (p.b - q.b);
      n += 3;
    }
  if (se == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 / (se / n));
}

// Little-endian values appended to and read from a byte buffer (file headers built by hand).
inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xFF);
}
inline uint16_t Get16(const std::vector<uint8_t>& v, size_t at) { return static_cast<uint16_t>(v[at] | v[at + 1] << 8); }
inline uint32_t Get32(const std::vector<uint8_t>& v, size_t at) {
  return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | static_cast<uint32_t>(v[at + 3]) << 24;
}

// What one call of a reader gave: the image, the parameter set, the alpha mask (when the reader
// returns one) and whether it aborted.
struct TRead {
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  TIEMask* Mask = nullptr;
  bool Aborted = false;
  ~TRead() { delete Mask; }
};

inline std::vector<uint8_t> Bytes(TMemoryStream& s) {
  std::vector<uint8_t> v(static_cast<size_t>(s.Size()));
  if (!v.empty()) std::memcpy(v.data(), s.Memory(), v.size());
  return v;
}

inline void Load(TMemoryStream& s, const std::vector<uint8_t>& v) {
  s.Clear();
  if (!v.empty()) s.Write(v.data(), static_cast<int64_t>(v.size()));
  s.SetPosition(0);
}

// Registers the codecs once per test program.
struct TRegisterCodecs {
  TRegisterCodecs() { IERegisterCodecs(); }
};
inline TRegisterCodecs RegisterCodecsOnce;

// ---- independent readers and writers (netpbm tools, installed by tools/deps.sh) ----

// A folder of this test program's own, made once and removed with everything in it when the
// program ends.
struct TCodecTestDir {
  std::string Path;
  TCodecTestDir() {
    char tmpl[] = "/tmp/orv_codectest_XXXXXX";
    const char* d = mkdtemp(tmpl);
    Path = d != nullptr ? d : "";
  }
  ~TCodecTestDir() {
    if (!Path.empty()) (void)std::system(("rm -rf '" + Path + "'").c_str());
  }
};

inline const std::string& CodecTestDir() {
  static TCodecTestDir dir;
  return dir.Path;
}

inline bool HaveTool(const char* Name) {
  return std::system((std::string("command -v ") + Name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command line; true when it exits with 0.
inline bool RunTool(const std::string& Command) { return std::system((Command + " 2>/dev/null").c_str()) == 0; }

inline void WriteFileBytes(const std::string& Name, const std::vector<uint8_t>& Data) {
  FILE* f = std::fopen(Name.c_str(), "wb");
  if (f == nullptr) return;
  if (!Data.empty()) std::fwrite(Data.data(), 1, Data.size(), f);
  std::fclose(f);
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& Name) {
  std::vector<uint8_t> v;
  FILE* f = std::fopen(Name.c_str(), "rb");
  if (f == nullptr) return v;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) v.insert(v.end(), buf, buf + n);
  std::fclose(f);
  return v;
}

// A raw PPM ("P6", maximum 255) or PGM ("P5") or PBM ("P4") file as the tools write it, turned
// into red, green, blue triples; empty on anything else. Parsed here, independently of the codec.
struct TRgbImage {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;  // Width x Height x 3
  TIERGBPixel At(int x, int y) const {
    const uint8_t* p = &Rgb[(static_cast<size_t>(y) * Width + x) * 3];
    return PixRGB(p[0], p[1], p[2]);
  }
};

inline TRgbImage ParseNetpbm(const std::vector<uint8_t>& v) {
  TRgbImage img;
  size_t i = 0;
  auto skipSpace = [&] {
    for (;;) {
      while (i < v.size() && std::isspace(v[i])) ++i;
      if (i < v.size() && v[i] == '#') {
        while (i < v.size() && v[i] != '\n') ++i;
      } else {
        return;
      }
    }
  };
  auto number = [&] {
    skipSpace();
    int n = 0;
    while (i < v.size() && std::isdigit(v[i])) n = n * 10 + (v[i++] - '0');
    return n;
  };
  if (v.size() < 3 || v[0] != 'P') return img;
  const char kind = static_cast<char>(v[1]);
  i = 2;
  const int w = number(), h = number();
  const int maxv = kind == '4' ? 1 : number();
  ++i;  // the single white-space character before the data
  if (w <= 0 || h <= 0 || maxv != (kind == '4' ? 1 : 255)) return img;
  img.Width = w;
  img.Height = h;
  img.Rgb.resize(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t r, g, b;
      if (kind == '6') {
        const size_t at = i + (static_cast<size_t>(y) * w + x) * 3;
        if (at + 2 >= v.size()) return TRgbImage{};
        r = v[at], g = v[at + 1], b = v[at + 2];
      } else if (kind == '5') {
        const size_t at = i + static_cast<size_t>(y) * w + x;
        if (at >= v.size()) return TRgbImage{};
        r = g = b = v[at];
      } else if (kind == '4') {
        const size_t at = i + static_cast<size_t>(y) * ((w + 7) / 8) + x / 8;
        if (at >= v.size()) return TRgbImage{};
        r = g = b = (v[at] & (0x80 >> (x & 7))) ? 0 : 255;
      } else {
        return TRgbImage{};
      }
      uint8_t* p = &img.Rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = r, p[1] = g, p[2] = b;
    }
  return img;
}

// Writes Bitmap's pixels as a raw PPM file (the input of the tools' writers).
inline std::vector<uint8_t> MakePpm(TIEBitmap& Bitmap) {
  const std::string head = "P6\n" + std::to_string(Bitmap.Width()) + " " + std::to_string(Bitmap.Height()) + "\n255\n";
  std::vector<uint8_t> v(head.begin(), head.end());
  for (int y = 0; y < Bitmap.Height(); ++y)
    for (int x = 0; x < Bitmap.Width(); ++x) {
      const TIERGBPixel p = Bitmap.GetPixelAsRGB(x, y);
      v.insert(v.end(), {p.r, p.g, p.b});
    }
  return v;
}

// Number of pixels where the two images differ (their sizes must match: else -1).
inline int64_t CountDiffs(TIEBitmap& Bitmap, const TRgbImage& Ref) {
  if (Bitmap.Width() != Ref.Width || Bitmap.Height() != Ref.Height) return -1;
  int64_t n = 0;
  for (int y = 0; y < Ref.Height; ++y)
    for (int x = 0; x < Ref.Width; ++x) {
      const TIERGBPixel p = Bitmap.GetPixelAsRGB(x, y), q = Ref.At(x, y);
      if (p.r != q.r || p.g != q.g || p.b != q.b) ++n;
    }
  return n;
}

// A small image of at most Colors distinct colours (blocks and stripes), for palette formats.
inline void MakeFewColors(TIEBitmap& bmp, int w, int h, int Colors) {
  bmp.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int c = ((x / 3) + (y / 2) * 5 + (x * y) % 7) % Colors;
      bmp.SetPixelRGB(x, y, PixRGB((c * 37) & 255, (c * 91 + 20) & 255, (255 - c * 53) & 255));
    }
}
