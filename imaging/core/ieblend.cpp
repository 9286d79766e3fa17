// Layer blend modes. Integer divisions truncate; "limited" results are clamped to 0..255.
#include "imaging/core/ieblend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/core/ieutils.h"

namespace {
inline int Lim(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
}  // namespace

int32_t IECosineBlendTable[256];

void IEBuildCosineBlendTable() {
  for (int i = 0; i < 256; ++i)
    IECosineBlendTable[i] = static_cast<int32_t>(std::lround(64.0 - 64.0 * std::cos(i * 3.1415926535897932385 / 255)));
}

namespace {
// Filled before main as well, so that blending works in programs that never start the library.
const bool CosineTableBuilt = (IEBuildCosineBlendTable(), true);
}  // namespace

int IEBlendChannel(int s, int d, TIEBlendMode Mode) {
  switch (Mode) {
    case 0: return s;
    case 1: return Lim(s + d);
    case 2: return std::abs(d - s);
    case 3: return Lim(d / std::max(s, 1));
    case 4: return (s * d) >> 8;
    case 5: return d | s;
    case 6: return d & s;
    case 7: return d ^ s;
    case 8: return std::max(d, s);
    case 9: return std::min(d, s);
    case 10: return (d + s) >> 1;
    case 11: return 255 - (((255 - d) * (255 - s)) >> 8);
    case 12: return 255 - std::abs(255 - s - d);
    case 13: return (d + s - (s * d) / 128) & 255;
    case 14: return d >= 128 ? 255 - (((255 - d) * (255 - s)) >> 7) : (s * d) >> 7;
    case 15: return s >= 128 ? 255 - (((255 - d) * (255 - s)) >> 7) : (s * d) >> 7;
    case 16: {
      const double a = s / 255.0, b = d / 255.0;
      const double r = a >= 0.5 ? std::sqrt(b) * (2 * a - 1) + 2 * b * (1 - a) : b * b * (1 - 2 * a) + 2 * a * b;
      return Lim(static_cast<int>(r * 255));
    }
    case 17: {
      const int m = (s * d) >> 8;
      const int c = 255 - (((255 - d) * (255 - s)) >> 8) - m;
      return m + ((d * c) >> 8);
    }
    case 18: return s == 255 ? 255 : std::min((d * 256) / (255 - s), 255);
    case 19: return s == 0 ? 0 : std::max(255 - ((255 - d) * 256) / s, 0);
    case 20: return d == 255 ? 255 : std::min((s * 256) / (255 - d), 255);
    case 21: return d == 0 ? 0 : std::max(255 - ((255 - s) * 256) / d, 0);
    case 22:
      if (s + d < 256) return s == 255 ? 255 : std::min((d * 128) / (255 - s), 255);
      return std::max(255 - ((255 - s) * 128) / d, 0);
    case 23:
      if (s + d < 256) return d == 255 ? 255 : std::min((s * 128) / (255 - d), 255);
      return std::max(255 - ((255 - d) * 128) / s, 0);
    case 24: return s == 255 ? 255 : std::min(d * d / (255 - s), 255);
    case 25: return d == 255 ? 255 : std::min(s * s / (255 - d), 255);
    case 26: return s == 0 ? 0 : std::max(255 - (255 - d) * (255 - d) / s, 0);
    case 27: return d == 0 ? 0 : std::max(255 - (255 - s) * (255 - s) / d, 0);
    case 28: return Lim(d + s - 256);
    case 29: {
      return std::min(IECosineBlendTable[s] + IECosineBlendTable[d], 255);
    }
    case 30: return Lim(d + 2 * s - 256);
    default: return d;
  }
}

TIERGBPixel IEBlendRGB(TIERGBPixel s, TIERGBPixel d, TIEBlendMode Mode) {
  if (Mode <= 30)
    return TIERGBPixel{static_cast<uint8_t>(IEBlendChannel(s.b, d.b, Mode)),
                       static_cast<uint8_t>(IEBlendChannel(s.g, d.g, Mode)),
                       static_cast<uint8_t>(IEBlendChannel(s.r, d.r, Mode))};
  switch (Mode) {
    case 31: return TIERGBPixel{d.b, d.g, s.r};
    case 32: return TIERGBPixel{d.b, s.g, d.r};
    case 33: return TIERGBPixel{s.b, d.g, d.r};
    case 34:
    case 35:
    case 36:
    case 37: {
      double hs, ss, ls, hd, sd, ld;
      IERGBToHSL(IEPackRGB(s), hs, ss, ls);
      IERGBToHSL(IEPackRGB(d), hd, sd, ld);
      if (Mode == 34) return IEHSLToRGB(hs, sd, ld);
      if (Mode == 35) return IEHSLToRGB(hd, ss, ld);
      if (Mode == 36) return IEHSLToRGB(hs, ss, ld);
      return IEHSLToRGB(hs, sd, ls);
    }
    default: return d;
  }
}
