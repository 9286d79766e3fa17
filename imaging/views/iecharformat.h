// The character format of memo text, shared by the memo editor (ietextcontrol.cpp, where its
// members are defined) and the memo vector objects and their files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcl/graphics.h"

constexpr int IECharFormatSize = 280;

// One character format. Its stored form (format lists of files, the clipboard block) is the
// 280-byte little-endian record written by WriteTo and read by ReadFrom:
//   0 use count (int32), 4 face (length byte + up to 255 characters), 260 height (int32),
//   264 style bits (bold 1, italic 2, underline 4, strike-out 8), 265..267 zero,
//   268 text colour, 272 background colour, 276 brush style ordinal, 277 alignment, 278..279 zero.
struct TIECharFormat {
  int32_t RefCount = 0;    // characters of the text that refer to this record (list entries only)
  std::string Name;        // at most 255 characters are stored
  int32_t Height = 0;      // font Height: negative values are the character height in pixels
  uint8_t Style = 0;       // TFontStyles bits
  TColor Color = 0;        // text colour
  TColor BackColor = 0;    // background behind the character
  uint8_t BrushStyle = 0;  // TBrushStyle ordinal of the background
  uint8_t Align = 0;       // 0 left, 1 right, 2 centre, 3 justify

  // Writes the 280 bytes at Dest (padding and unused face bytes zero).
  void WriteTo(uint8_t* Dest) const;
  std::vector<uint8_t> ToBytes() const;
  // Reads 280 bytes from Src; a face length above 255 cannot occur (one byte).
  static TIECharFormat ReadFrom(const uint8_t* Src);
  // Same format: equal record bytes 4 to 279 (the use count does not count).
  bool SameFormat(const TIECharFormat& Other) const;
  TFontStyles FontStyle() const { return TFontStyles::FromBits(Style & 0x0F); }
  void SetFontStyle(TFontStyles S) { Style = static_cast<uint8_t>(S.Bits() & 0x0F); }
};

using TIEFormatList = std::vector<TIECharFormat>;
