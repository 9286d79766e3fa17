// Number, bit, text and colour helpers (see ieutils.h).
#include "imaging/core/ieutils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "platform/rtl/sysutils.h"

int64_t IEMemoryThresholdOverride = -1;
bool IEAutoFallBackToFile = true;
bool IEAutoFragmentRows = true;
std::string IETempFolder;
bool IEFileExistsByLibrary = false;
int32_t IEGrayWeightRed = 21, IEGrayWeightGreen = 71, IEGrayWeightBlue = 8;
int32_t IEDefaultDpiX = 300, IEDefaultDpiY = 300;
TIECMYKTransformHook IECMYKTransform;

void IESetGrayCoefficients() {
  IEGrayWeightRed = 21;
  IEGrayWeightGreen = 71;
  IEGrayWeightBlue = 8;
}

int IETBitmapPixelFormatBits(int pixelFormat) {
  static const int bits[8] = {0, 1, 4, 8, 15, 16, 24, 32};
  int v = pixelFormat & 0x7F;
  return v < 8 ? bits[v] : 0;
}

int IETBitmapRowLength(int width, int pixelFormat) {
  return IERowLength(width, IETBitmapPixelFormatBits(pixelFormat), 32);
}

int IEMaskBitCount(uint32_t mask) {
  if (mask == 0) return 0;
  int start = 31;
  for (int i = 0; i <= 30; ++i)
    if (mask & (1u << i)) {
      start = i;
      break;
    }
  int n = 0;
  for (int i = start; i < 32 && (mask & (1u << i)); ++i) ++n;
  return n;
}

int IEBitsForCount(uint32_t n) {
  if (n == 0) return -1;
  int high = 31;
  while (!(n & (1u << high))) --high;
  if ((n & (n - 1)) == 0) return high;
  return high + 1;
}

uint32_t IEColorCount(int bitsPerSample, int samplesPerPixel) {
  uint32_t base = 1;
  for (int i = 0; i < bitsPerSample; ++i) base *= 2;
  uint32_t r = 1;
  for (int i = 0; i < samplesPerPixel; ++i) r *= base;
  return r;
}

namespace {
struct TReverseTable {
  uint8_t t[256];
  TReverseTable() {
    for (int i = 0; i < 256; ++i) {
      uint8_t r = 0;
      for (int b = 0; b < 8; ++b)
        if (i & (1 << b)) r |= static_cast<uint8_t>(0x80 >> b);
      t[i] = r;
    }
  }
};
const TReverseTable& ReverseTable() {
  static const TReverseTable table;
  return table;
}
}  // namespace

void IEReverseByteBits(uint8_t& b) { b = ReverseTable().t[b]; }

void IEReverseDWordBits(uint32_t& v) {
  const auto& t = ReverseTable().t;
  v = (static_cast<uint32_t>(t[v & 0xFF]) << 24) | (t[(v >> 8) & 0xFF] << 16) | (t[(v >> 16) & 0xFF] << 8) |
      t[v >> 24];
}

double IEIntPower(int exponent, double base) {
  uint32_t e = exponent < 0 ? 0u - static_cast<uint32_t>(exponent) : static_cast<uint32_t>(exponent);
  double result = 1.0, b = base;
  while (e) {
    if (e & 1) result *= b;
    b *= b;
    e >>= 1;
  }
  return exponent < 0 ? 1.0 / result : result;
}

long double IEPower(long double base, long double exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (std::floor(exponent) == exponent && std::fabs(exponent) <= 2147483647.0L)
    return IEIntPower(static_cast<int>(exponent), static_cast<double>(base));
  return std::exp(exponent * std::log(base));
}

double IEPowerD(double base, double exponent) {
  if (std::fabs(exponent) < 2147483647.0 && std::floor(exponent) == exponent) {
    int n = static_cast<int>(exponent);
    if (base == 0) return n == 0 ? 1.0 : 0.0;
    switch (n) {
      case 0: return 1.0;
      case 1: return base;
      case 2: return base * base;
      case -1: return 1.0 / base;
      case -2: return 1.0 / (base * base);
      default: return IEIntPower(n, base);
    }
  }
  if (base == 0) return 0;
  return std::exp(exponent * std::log(base));
}

namespace {
void QuickSortRange(int lo, int hi, const TIESortCompareMethod& compare, const TIESortExchangeMethod& exchange) {
  do {
    int i = lo, j = hi, p = (lo + hi) / 2;
    do {
      while (compare(i, p) < 0) ++i;
      while (compare(j, p) > 0) --j;
      if (i <= j) {
        if (i == p)
          p = j;
        else if (j == p)
          p = i;
        exchange(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) QuickSortRange(lo, j, compare, exchange);
    lo = i;
  } while (lo < hi);
}
}  // namespace

void IEQuickSort(int count, const TIESortCompareMethod& compare, const TIESortExchangeMethod& exchange) {
  if (count <= 1) return;  // nothing to order: neither method is called
  QuickSortRange(0, count - 1, compare, exchange);
}

// The class library's general text (15 significant digits, "1E20", "1E-5") with every "," and
// every locale decimal separator turned into ".".
void IEFloatToStrDot(std::string& text, double value) {
  text = FloatToStr(value);
  for (char& c : text)
    if (c == ',' || c == DecimalSeparator) c = '.';
}

std::string IEFloatToDotStr(double value) {
  std::string s;
  IEFloatToStrDot(s, value);
  return s;
}

std::string IEFloatToStrF(double value, int format, int precision, int digits) {
  return FloatToStrF(value, static_cast<TFloatFormat>(std::clamp(format, 0, 4)), precision, digits);
}

std::string IETrimStr(const std::string& text) { return Trim(text); }

std::string IEUpperCase(const std::string& text) { return UpperCase(text); }

std::string IELowerCase(const std::string& text) { return LowerCase(text); }

std::string IEIntToStr(int64_t n) { return IntToStr(n); }

int IEStrToIntDef(const std::string& text, int def) { return StrToIntDef(text, def); }

std::string IEIntToHex(int64_t n, int digits) { return IntToHex(n, digits); }

std::string IECopyStr(const std::string& text, int index, int count) { return Copy(text, index, count); }

int IEPosStr(const std::string& sub, const std::string& text) { return Pos(sub, text); }

std::string IEExtractFileExtLower(const std::string& name, bool withDot) {
  auto dot = name.find_last_of("./\\");
  if (dot == std::string::npos || name[dot] != '.') return "";
  return IELowerCase(name.substr(withDot ? dot : dot + 1));
}

std::string IEGetFileExt(const std::string& name) { return IEExtractFileExtLower(name, true); }

std::u16string IEExtractFileExtW(const std::u16string& name) {
  auto dot = name.find_last_of(u"./\\");
  if (dot == std::u16string::npos || name[dot] != u'.') return u"";
  std::u16string s = name.substr(dot);
  for (auto& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return s;
}

char* IEStrNew(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text);
  char* r = new char[n + 1];
  std::memcpy(r, text, n + 1);
  return r;
}

char16_t* IEWStrCopy(char16_t* destination, const char16_t* source) {
  char16_t* d = destination;
  while ((*d++ = *source++) != 0) {
  }
  return destination;
}

bool IESameGUID(const void* a, const void* b) { return std::memcmp(a, b, 16) == 0; }

int IECeil(double x) {
  int t = static_cast<int>(x);
  return (x - t > 0) ? t + 1 : t;
}

int IEFloor(double x) {
  int t = static_cast<int>(x);
  return (x - t < 0) ? t - 1 : t;
}

// System colours: 0x80000000 or'ed with the colour index. Without a window system to ask, the
// classic light scheme stands in.
TColor IEColorToRGBValue(TColor color) {
  if (color >= 0) return color;
  static const TColor sys[31] = {
      0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xF0F0F0, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
      0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xF0F0F0, 0x808080, 0x808080,
      0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000,
      0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xF0F0F0};
  uint32_t index = static_cast<uint32_t>(color) & 0xFF;
  return index < 31 ? sys[index] : 0;
}

TIERGBPixel IEColorToRGB(TColor color) {
  TColor c = IEColorToRGBValue(color);
  return TIERGBPixel{static_cast<uint8_t>((c >> 16) & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                     static_cast<uint8_t>(c & 0xFF)};
}

uint32_t IEColorToARGB(TColor color, uint8_t alpha) {
  TIERGBPixel p = IEColorToRGB(color);
  return (static_cast<uint32_t>(alpha) << 24) | (p.r << 16) | (p.g << 8) | p.b;
}

void IERGBToHSL(uint32_t packed, double& H, double& S, double& L) {
  double r = ((packed >> 16) & 0xFF) / 255.0, g = ((packed >> 8) & 0xFF) / 255.0, b = (packed & 0xFF) / 255.0;
  double mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
  L = (mx + mn) / 2;
  if (mx == mn) {
    H = S = 0;
    return;
  }
  double d = mx - mn;
  S = L < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  double h6;
  if (mx == r)
    h6 = (g - b) / d;
  else if (mx == g)
    h6 = (b - r) / d + 2;
  else
    h6 = (r - g) / d + 4;
  H = h6 / 6;
  if (H < 0) H += 1;
}

TIERGBPixel IEHSLToRGB(double H, double S, double L) {
  if (H < 0) H += 1;
  if (H > 1) H -= 1;
  S = std::clamp(S, 0.0, 1.0);
  L = std::clamp(L, 0.0, 1.0);
  auto toByte = [](double v) { return IEClampByte(static_cast<int>(std::nearbyint(v * 255))); };
  if (S == 0) {
    uint8_t v = toByte(L);
    return TIERGBPixel{v, v, v};
  }
  double q = L <= 0.5 ? L * (1 + S) : L + S - L * S;
  double p = 2 * L - q;
  auto f = [&](double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (6 * t < 1) return p + (q - p) * 6 * t;
    if (2 * t < 1) return q;
    if (3 * t < 2) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
  };
  return IEMakeRGB(toByte(f(H + 1.0 / 3)), toByte(f(H)), toByte(f(H - 1.0 / 3)));
}

TIECMYK IERGB2CMYK(TIERGBPixel rgb) {
  TIECMYK out;
  if (IECMYKTransform.ToCMYK && IECMYKTransform.ToCMYK(rgb, out)) return out;
  int k = std::max<int>(rgb.r, std::max<int>(rgb.g, rgb.b));
  if (k == 0) k = 1;
  out.c = static_cast<uint8_t>(rgb.r * 255 / k);
  out.m = static_cast<uint8_t>(rgb.g * 255 / k);
  out.y = static_cast<uint8_t>(rgb.b * 255 / k);
  out.k = static_cast<uint8_t>(k);
  return out;
}

TIERGBPixel IECMYK2RGB(TIECMYK cmyk) {
  TIERGBPixel out;
  if (IECMYKTransform.ToRGB && IECMYKTransform.ToRGB(cmyk, out)) return out;
  return IEMakeRGB(static_cast<uint8_t>(cmyk.c * cmyk.k / 255), static_cast<uint8_t>(cmyk.m * cmyk.k / 255),
                   static_cast<uint8_t>(cmyk.y * cmyk.k / 255));
}

TIECIELabPixel IERGBToCIELab(TIERGBPixel rgb) {
  auto lin = [](double c) {
    c /= 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  double R = lin(rgb.r), G = lin(rgb.g), B = lin(rgb.b);
  double X = (0.412453 * R + 0.35758 * G + 0.180423 * B) / 0.95047;
  double Y = 0.212671 * R + 0.71516 * G + 0.072169 * B;
  double Z = (0.019334 * R + 0.119193 * G + 0.950227 * B) / 1.088883;
  auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
  double L = Y > 0.008856 ? 116 * f(Y) - 16 : 903.3 * Y;
  TIECIELabPixel out;
  out.l = static_cast<uint8_t>(static_cast<int>(L * 2.5));
  out.a = static_cast<int8_t>(static_cast<uint8_t>(static_cast<int>(500 * (f(X) - f(Y))) & 0xFF));
  out.b = static_cast<int8_t>(static_cast<uint8_t>(static_cast<int>(200 * (f(Y) - f(Z))) & 0xFF));
  return out;
}

TIERGBPixel IECIELabToRGB(TIECIELabPixel lab) {
  double fy = (lab.l * 0.39215686275 + 16) / 116;
  double fx = fy + lab.a / 500.0, fz = fy - lab.b / 200.0;
  auto inv = [](double f) {
    double c = f * f * f;
    return c <= 0.008856 ? (f - 0.13793103448) / 7.787 : c;
  };
  double X = inv(fx) * 0.95047, Y = inv(fy), Z = inv(fz) * 1.08883;
  double R = 3.2406 * X - 1.5372 * Y - 0.4986 * Z;
  double G = -0.9689 * X + 1.8758 * Y + 0.0415 * Z;
  double B = 0.0557 * X - 0.204 * Y + 1.057 * Z;
  auto gam = [](double c) {
    c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return IEClampByte(static_cast<int>(std::nearbyint(c * 255)));
  };
  return IEMakeRGB(gam(R), gam(G), gam(B));
}

void IEConvolve3x3Gray(TIEBitmap* Bitmap, const int32_t* Kernel, int X1, int Y1, int X2, int Y2) {
  if (!Bitmap || Bitmap->PixelFormat() != ie8g || Bitmap->IsEmpty()) return;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, W);
  Y2 = std::min(Y2, H);
  if (X2 <= X1 || Y2 <= Y1) return;
  int divisor = Kernel[9] == 0 ? 1 : Kernel[9];
  std::vector<int> tables(9 * 256);
  for (int k = 0; k < 9; ++k)
    for (int i = 0; i < 256; ++i) tables[k * 256 + i] = Kernel[k] * i;
  TIEBitmap temp(X2 - X1, Y2 - Y1, ie8g);
  std::vector<uint8_t> rows(static_cast<size_t>(3) * W);
  for (int y = Y1; y < Y2; ++y) {
    for (int k = 0; k < 3; ++k) {
      int sy = std::clamp(y - 1 + k, 0, H - 1);
      std::memcpy(&rows[static_cast<size_t>(k) * W], Bitmap->GetScanline(sy), W);
    }
    uint8_t* out = static_cast<uint8_t*>(temp.GetScanline(y - Y1));
    for (int x = X1; x < X2; ++x) {
      int sum = 0;
      for (int k = 0; k < 9; ++k) {
        int sx = std::clamp(x - 1 + k % 3, 0, W - 1);
        sum += tables[k * 256 + rows[(k / 3) * W + sx]];
      }
      out[x - X1] = IEClampByte(std::abs(sum) / divisor);
    }
  }
  temp.CopyRectTo(Bitmap, 0, 0, X1, Y1, X2 - X1, Y2 - Y1);
}
