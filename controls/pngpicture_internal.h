// Helpers shared by the PNG picture's source files (not part of its interface).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "controls/pnglang.h"
#include "controls/pngpicture.h"

namespace pngdetail {

inline uint32_t ReadBE32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline void WriteBE32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

// EPNGZLIBError with the description of a zlib result.
[[noreturn]] inline void FailZlib(int Result) {
  int i = std::clamp(Result, -6, 2) + 6;
  throw EPNGZLIBError(std::string(pnglang::ZLIBErrorText) + pnglang::ZlibResultTexts[i]);
}

}  // namespace pngdetail
