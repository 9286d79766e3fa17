// Basic types of the imaging library: pixel formats, storage locations, pixel records, the two
// per-format tables, colours and the library-wide settings that steer allocation and conversion.
//
// Kept small on purpose: every imaging header includes it, so it pulls in only <cstdint> and
// <string>.
#pragma once

#include <cstdint>
#include <string>

// A colour of the class library: red in the low byte, then green and blue (0x00BBGGRR);
// negative values are system colours (resolved by IEColorToRGB).
using TColor = int32_t;

// Pixel format of a TIEBitmap; the ordinal is stored in files (raw bitmaps, undo snapshots).
enum TIEPixelFormat : uint8_t {
  ieNone = 0,
  ie1g = 1,      // 1 bit, 1 = white, leftmost pixel in the most significant bit
  ie8p = 2,      // 8-bit index into a 256-entry palette
  ie8g = 3,      // 8-bit grey; also every alpha channel
  ie16g = 4,     // 16-bit grey, native (little-endian) words
  ie24RGB = 5,   // TIERGBPixel: blue, green, red
  ie32f = 6,     // 32-bit float grey, 0.0 black .. 1.0 white
  ieCMYK = 7,    // four inverted bytes C, M, Y, K (255 = no ink)
  ieRGB48 = 8,   // TIERGB48Pixel: red, green, blue words
  ieCIELab = 9,  // TIECIELabPixel
  ie32RGB = 10,  // blue, green, red and a fourth byte
};
constexpr int IEPixelFormatCount = 11;

// Where a TIEBitmap keeps its pixels.
enum TIELocation : uint8_t { ieMemory = 0, ieFile = 1, ieTBitmap = 2 };

// Access flags of TIEBaseBitmap.Access: read fills a mapped row window from the file store,
// write stores it back when it is unmapped.
enum : uint8_t { iaRead = 1, iaWrite = 2, iaReadWrite = 3 };

#pragma pack(push, 1)
struct TIERGBPixel {
  uint8_t b, g, r;
};
struct TIERGB48Pixel {
  uint16_t r, g, b;
};
struct TIECIELabPixel {
  uint8_t l;
  int8_t a, b;
};
struct TIECMYK {
  uint8_t c, m, y, k;  // inverted: 255 = no ink
};
#pragma pack(pop)
static_assert(sizeof(TIERGBPixel) == 3 && sizeof(TIERGB48Pixel) == 6 && sizeof(TIECIELabPixel) == 3 &&
              sizeof(TIECMYK) == 4);

inline bool operator==(const TIERGBPixel& a, const TIERGBPixel& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator==(const TIERGB48Pixel& a, const TIERGB48Pixel& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

// Bits per pixel and channel count of each pixel format, indexed by the format value.
inline constexpr int IEBitsPerPixel[IEPixelFormatCount] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24, 32};
inline constexpr int IEChannelsPerPixel[IEPixelFormatCount] = {0, 1, 1, 1, 1, 3, 1, 4, 3, 3, 4};

// Library-wide settings, with the values the library start-up gives them.
extern int64_t IEMemoryThresholdOverride;  // -1: not set (threshold from the physical memory)
extern bool IEAutoFallBackToFile;          // use a temporary file when memory cannot be had
extern bool IEAutoFragmentRows;            // try row fragments when one block cannot be had
extern std::string IETempFolder;           // empty: the system's temporary folder
extern bool IEFileExistsByLibrary;         // how IEFileExists tests a name
extern int32_t IEGrayWeightRed, IEGrayWeightGreen, IEGrayWeightBlue;  // hundredths: 21, 71, 8
extern int32_t IEDefaultDpiX, IEDefaultDpiY;                          // 300, 300

// Sets the luminance weights red 21, green 71, blue 8 (hundredths).
void IESetGrayCoefficients();
