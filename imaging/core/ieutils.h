// Number, bit, text and colour helpers of the imaging library: row lengths, bit arithmetic, powers,
// byte-order swaps, a quicksort over indexes, decimal text with a fixed dot, clamping and rounding,
// colour packing, HSL, the CMYK and CIELab pixel formulas and a 3 x 3 grey convolution.
//
// Pure functions; the pixel loops of every other imaging file call the small ones, so those are
// inline here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "imaging/core/iedefs.h"

class TIEBitmap;

// ---- rows and bits ----

// Bytes per row of width pixels of bitsPerPixel bits, rows padded to alignment bits.
inline int IERowLength(int width, int bitsPerPixel, int alignment = 32) {
  int64_t bits = static_cast<int64_t>(width) * bitsPerPixel;
  if (alignment == 32) return static_cast<int>(((bits + 31) / 32) * 4);
  if (alignment <= 0) alignment = 8;
  return static_cast<int>(((bits + alignment - 1) / alignment) * (alignment / 8));
}
// True when rows of width pixels of bitsPerPixel bits fit the 32-bit row length of the library.
inline bool IERowLengthFits(int width, int bitsPerPixel) {
  return width >= 0 && bitsPerPixel >= 0 && static_cast<int64_t>(width) * bitsPerPixel <= int64_t(2147483647) * 8 - 512;
}
// Bits per pixel of a class-library bitmap pixel format (low 7 bits of its value).
int IETBitmapPixelFormatBits(int pixelFormat);
int IETBitmapRowLength(int width, int pixelFormat);
// Length of the run of 1 bits starting at the lowest set bit among bits 0..30 (bit 31 when none).
int IEMaskBitCount(uint32_t mask);
// Exponent of a power of two, else one past the highest set bit; -1 for 0.
int IEBitsForCount(uint32_t n);
// (2^bitsPerSample)^samplesPerPixel in 32-bit arithmetic (overflow wraps to 0 as documented).
uint32_t IEColorCount(int bitsPerSample, int samplesPerPixel);
void IEReverseByteBits(uint8_t& b);
void IEReverseDWordBits(uint32_t& v);

// ---- powers ----
double IEIntPower(int exponent, double base);
long double IEPower(long double base, long double exponent);
double IEPowerD(double base, double exponent);

// ---- byte order and selection ----
inline uint32_t IESwapWord(uint32_t v) { return (v & 0xFFFF0000u) | ((v & 0xFF) << 8) | ((v >> 8) & 0xFF); }
inline uint32_t IESwapDWord(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
inline uint32_t IECondSwapWord(uint32_t v, bool swap) {
  return swap ? (((v & 0xFF) << 8) | ((v >> 8) & 0xFF)) : v;
}
inline uint32_t IECondSwapDWord(uint32_t v, bool swap) { return swap ? IESwapDWord(v) : v; }
inline int IEIfThenInt(bool condition, int a, int b) { return condition ? a : b; }
inline double IEIfThenFloat(bool condition, double a, double b) { return condition ? a : b; }

// ---- sorting ----
using TIESortCompareMethod = std::function<int(int Index1, int Index2)>;
using TIESortExchangeMethod = std::function<void(int Index1, int Index2)>;
// Sorts items 0..count-1 of any container addressed by index through the two methods.
void IEQuickSort(int count, const TIESortCompareMethod& compare, const TIESortExchangeMethod& exchange);

// ---- decimal text and string wrappers ----
// Shortest general text of value (15 significant digits) with "." as the decimal separator,
// whatever the locale says.
void IEFloatToStrDot(std::string& text, double value);
std::string IEFloatToDotStr(double value);
// format: 0 general, 1 exponent, 2 fixed, 3 number (thousands grouped with ",").
std::string IEFloatToStrF(double value, int format, int precision, int digits);
std::string IETrimStr(const std::string& text);
std::string IEUpperCase(const std::string& text);
std::string IELowerCase(const std::string& text);
std::string IEIntToStr(int64_t n);
int IEStrToIntDef(const std::string& text, int def);
std::string IEIntToHex(int64_t n, int digits);
std::string IECopyStr(const std::string& text, int index, int count);  // 1-based
int IEPosStr(const std::string& sub, const std::string& text);          // 1-based, 0 absent
std::string IEExtractFileExtLower(const std::string& name, bool withDot);
std::string IEGetFileExt(const std::string& name);  // lower case, with the dot
std::u16string IEExtractFileExtW(const std::u16string& name);
char* IEStrNew(const char* text);  // new[]-allocated copy; nil for nil
char16_t* IEWStrCopy(char16_t* destination, const char16_t* source);
bool IESameGUID(const void* a, const void* b);

// ---- numbers ----
int IECeil(double x);
int IEFloor(double x);
inline int IEMinInt(int a, int b) { return a < b ? a : b; }
inline int IEMaxInt(int a, int b) { return a > b ? a : b; }
inline double IEMinFloat(double a, double b) { return b < a ? b : a; }
inline double IEMaxFloat(double a, double b) { return b > a ? b : a; }
inline int IEClampInt(int value, int low, int high) {
  if (value <= low) return low;
  return value < high ? value : high;
}
// Trunc of a floating-point value that may lie outside int32 (metadata read from files):
// values beyond the range give its nearest end, NaN gives 0.
inline int32_t IETruncToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(value);
}
inline uint8_t IEClampByte(int value) { return value < 0 ? 0 : (value > 255 ? 255 : static_cast<uint8_t>(value)); }
inline void IESwapInt(int& a, int& b) { int t = a; a = b; b = t; }
inline void IESwapByte(uint8_t& a, uint8_t& b) { uint8_t t = a; a = b; b = t; }
inline void IEOrderRect(int& x1, int& y1, int& x2, int& y2) {
  if (x2 < x1) IESwapInt(x1, x2);
  if (y2 < y1) IESwapInt(y1, y2);
}

// ---- colours ----
inline uint32_t IEMakeRGBA(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  return a | (b << 8) | (c << 16) | (static_cast<uint32_t>(d) << 24);
}
inline TIERGBPixel IEMakeRGB(uint8_t r, uint8_t g, uint8_t b) { return TIERGBPixel{b, g, r}; }
// A TIERGBPixel packed into an integer: blue low, then green, red (0x00RRGGBB).
inline uint32_t IEPackRGB(TIERGBPixel p) { return p.b | (p.g << 8) | (p.r << 16); }
inline int IERGBToGray(uint32_t packed) {
  return (((packed >> 16) & 0xFF) * IEGrayWeightRed + ((packed >> 8) & 0xFF) * IEGrayWeightGreen +
          (packed & 0xFF) * IEGrayWeightBlue) / 100;
}
inline int IERGBToGray(TIERGBPixel p) { return IERGBToGray(IEPackRGB(p)); }
inline TColor IERGBToColor(uint32_t packed) {
  return static_cast<TColor>(((packed >> 16) & 0xFF) | (packed & 0xFF00) | ((packed & 0xFF) << 16));
}
// Resolves a system colour (negative TColor) to its RGB value; others come back unchanged.
TColor IEColorToRGBValue(TColor color);
TIERGBPixel IEColorToRGB(TColor color);
uint32_t IEColorToARGB(TColor color, uint8_t alpha);
inline bool IESameRGB(TIERGBPixel p, TIERGBPixel q) { return p.r == q.r && p.g == q.g && p.b == q.b; }
void IERGBToHSL(uint32_t packed, double& H, double& S, double& L);
TIERGBPixel IEHSLToRGB(double H, double S, double L);

// CMYK pixels (inverted bytes) and CIELab pixels. The CMYK formulas are the plain route; the IO
// module may install a colour-managed route through IECMYKTransformHook.
TIECMYK IERGB2CMYK(TIERGBPixel rgb);
TIERGBPixel IECMYK2RGB(TIECMYK cmyk);
struct TIECMYKTransformHook {
  bool (*ToRGB)(TIECMYK in, TIERGBPixel& out) = nullptr;   // false: use the formula
  bool (*ToCMYK)(TIERGBPixel in, TIECMYK& out) = nullptr;  // false: use the formula
};
extern TIECMYKTransformHook IECMYKTransform;
TIECIELabPixel IERGBToCIELab(TIERGBPixel rgb);
TIERGBPixel IECIELabToRGB(TIECIELabPixel lab);

// Filters the rectangle X1 <= x < X2, Y1 <= y < Y2 of an ie8g bitmap with a 3 x 3 kernel: Kernel
// holds nine int32 weights row by row and an int32 divisor (0 taken as 1). Other formats stay.
void IEConvolve3x3Gray(TIEBitmap* Bitmap, const int32_t* Kernel, int X1, int Y1, int X2, int Y2);
