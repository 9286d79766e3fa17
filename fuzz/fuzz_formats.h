// The formats of the "formats" fuzz target in the order its first byte selects them (shared with
// the seed generator, which writes that byte in front of each seed).
#pragma once

#include <cstdint>

#include "imaging/io/iefileformats.h"

inline constexpr int32_t FuzzFormatsTypes[] = {ioGIF,    ioTGA, ioPXM, ioWBMP, ioPCX, ioDCX, ioBMPRAW,
                                               ioTIFF,   ioICO, ioCUR, ioPNG,  ioBMP, ioJPEG, ioPSD,
                                               ioDICOM,  ioJP2, ioJ2K, ioRAW,  ioHDP};
inline constexpr int FuzzFormatsTypeCount = static_cast<int>(sizeof FuzzFormatsTypes / sizeof FuzzFormatsTypes[0]);

// The selector byte of a format (0 when it is not in the list).
inline uint8_t FuzzFormatsSelector(int32_t Type) {
  for (int i = 0; i < FuzzFormatsTypeCount; ++i)
    if (FuzzFormatsTypes[i] == Type) return static_cast<uint8_t>(i);
  return 0;
}
