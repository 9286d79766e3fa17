// Builders of icon and cursor files for the tests of their reader (the window manager's cursors
// and the class library's TIcon): DIB images and directories written byte by byte.
#pragma once

#include <cstdint>
#include <vector>

namespace icon_file_builder {

inline void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}
inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// How a DIB image is written beyond its size, depth and colour.
struct TDibLook {
  uint8_t Alpha = 0xFF;      // of every pixel of a 32-bit image
  uint32_t Compression = 0;  // biCompression (0: uncompressed)
  bool MaskTopLeft = false;  // the AND mask's bit of the top-left pixel set (all others clear)
};

// A DIB image of w x h at 8 or 32 bits, every pixel the colour 0x00RRGGBB: at 8 bits through a
// two-colour palette (index 1 is the colour), at 32 bits with look.Alpha.
inline std::vector<uint8_t> DibImage(int w, int h, int bpp, uint32_t colour, TDibLook look = {}) {
  std::vector<uint8_t> d(40, 0);
  Put32(d, 0, 40);
  Put32(d, 4, static_cast<uint32_t>(w));
  Put32(d, 8, static_cast<uint32_t>(h * 2));  // colour bits and mask: height doubled
  Put16(d, 12, 1);
  Put16(d, 14, static_cast<uint32_t>(bpp));
  Put32(d, 16, look.Compression);
  if (bpp == 8) {
    Put32(d, 32, 2);
    for (uint32_t c : {0u, colour})
      d.insert(d.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
  }
  size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  size_t maskStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  for (int y = 0; y < h; ++y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < w; ++x) {
      if (bpp == 8)
        row[x] = 1;
      else
        Put32(row, x * 4, (static_cast<uint32_t>(look.Alpha) << 24) | colour);
    }
    d.insert(d.end(), row.begin(), row.end());
  }
  std::vector<uint8_t> mask(maskStride * h, 0);
  if (look.MaskTopLeft) mask[maskStride * (h - 1)] = 0x80;  // rows bottom-up: the top row last
  d.insert(d.end(), mask.begin(), mask.end());
  return d;
}

struct TImage {
  std::vector<uint8_t> Data;
  int W, H, HotX, HotY;
};

// A cursor (type 2) or icon (type 1) file: directory entries in the given order, then the images.
inline std::vector<uint8_t> CurFile(const std::vector<TImage>& images, uint16_t type = 2) {
  std::vector<uint8_t> f(6 + 16 * images.size(), 0);
  Put16(f, 2, type);
  Put16(f, 4, static_cast<uint32_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    size_t e = 6 + 16 * i;
    f[e] = static_cast<uint8_t>(images[i].W);  // 256 is written as 0
    f[e + 1] = static_cast<uint8_t>(images[i].H);
    Put16(f, e + 4, static_cast<uint32_t>(images[i].HotX));
    Put16(f, e + 6, static_cast<uint32_t>(images[i].HotY));
    Put32(f, e + 8, static_cast<uint32_t>(images[i].Data.size()));
    Put32(f, e + 12, static_cast<uint32_t>(f.size()));
    f.insert(f.end(), images[i].Data.begin(), images[i].Data.end());
  }
  return f;
}

}  // namespace icon_file_builder
