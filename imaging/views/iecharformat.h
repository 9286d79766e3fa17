// The character-format record of memo text: kept as is in the memo editor's format list, in the
// memo vector objects and their files, and in the memo clipboard block, so its layout is a byte
// format (280 bytes, little-endian) and every byte, padding included, takes part in comparisons.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/vcl/graphics.h"

#pragma pack(push, 1)
struct TIECharFormat {
  int32_t UseCount;        // characters of the text that refer to this record (format lists only)
  uint8_t FontName[256];   // length byte, then up to 255 characters
  int32_t FontHeight;      // the class library's font Height (negative: character height in pixels)
  uint8_t FontStyle;       // bit 0 bold, 1 italic, 2 underline, 3 strike-out
  uint8_t Padding1[3];
  TColor FontColor;
  TColor BackColor;        // behind the character
  uint8_t BackBrushStyle;  // TBrushStyle ordinal
  uint8_t Alignment;       // 0 left, 1 right, 2 centre, 3 justify
  uint8_t Padding2[2];
};
#pragma pack(pop)
static_assert(sizeof(TIECharFormat) == 280, "the memo character format is a 280-byte record");

// Two records are the same format when everything but the use count is equal.
inline bool IESameCharFormat(const TIECharFormat& A, const TIECharFormat& B) {
  return std::memcmp(reinterpret_cast<const uint8_t*>(&A) + 4, reinterpret_cast<const uint8_t*>(&B) + 4, 276) == 0;
}
