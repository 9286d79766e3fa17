// Byte-order reads and writes of 16- and 32-bit values in file data: little-endian (BMP, ICO,
// the EXIF of Intel files), big-endian (JPEG markers, PSD, Motorola files) and either, for the
// TIFF structures that say their order in their header. The IO front end and the codecs share
// these; callers check that the bytes lie inside their data before calling.
#pragma once

#include <cstdint>

inline uint16_t IELE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t IELE32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t IEBE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t IEBE32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline uint16_t IEGet16(const uint8_t* p, bool Little) { return Little ? IELE16(p) : IEBE16(p); }
inline uint32_t IEGet32(const uint8_t* p, bool Little) { return Little ? IELE32(p) : IEBE32(p); }

// The low 16 / 32 bits of v.
inline void IEPutLE16(uint8_t* p, uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
inline void IEPutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}
inline void IEPut16(uint8_t* p, uint32_t v, bool Little) {
  p[Little ? 0 : 1] = v & 0xFF;
  p[Little ? 1 : 0] = (v >> 8) & 0xFF;
}
inline void IEPut32(uint8_t* p, uint32_t v, bool Little) {
  for (int i = 0; i < 4; ++i) p[Little ? i : 3 - i] = (v >> (8 * i)) & 0xFF;
}
