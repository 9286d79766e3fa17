// Helpers of the codec tests: generated images, PSNR, byte buffers (little-endian values written
// and read), a progress record with its own abort flag and the result of one read.
#pragma once

#include <atomic>
#include <cmath>
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
