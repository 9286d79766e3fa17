// Reading icon and cursor files (.ico, .cur): the directory of images, the choice of the image
// that suits the wanted size (the system cursor size for cursors, the largest for TIcon), and
// decoding that image (a DIB with its AND mask, or a PNG stream) into 32-bit pixels.
//
// Files come from outside, so every offset and size is checked against the data before use; a
// directory that points outside the file, or an image that cannot be decoded, refuses the file.
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/win/iconfile.h"

namespace {

uint16_t Rd16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Rd32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                               (static_cast<uint32_t>(p[3]) << 24));
}
uint32_t Rd32BE(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kMaxSide = 256;

bool IsPng(const uint8_t* p, size_t n) { return n >= 8 && std::memcmp(p, kPngSignature, 8) == 0; }

// Size and depth of an image without decoding it. False when the header is not one we read.
bool PeekImage(const uint8_t* p, size_t n, int* w, int* h, int* bpp) {
  if (IsPng(p, n)) {
    // The IHDR chunk must come first: length, "IHDR", width, height, bit depth, colour type.
    if (n < 33 || std::memcmp(p + 12, "IHDR", 4) != 0) return false;
    *w = static_cast<int>(std::min<uint32_t>(Rd32BE(p + 16), 0x7FFFFFFF));
    *h = static_cast<int>(std::min<uint32_t>(Rd32BE(p + 20), 0x7FFFFFFF));
    static const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
    int type = p[25];
    if (type > 6 || channels[type] == 0) return false;
    *bpp = p[24] * channels[type];
  } else {
    if (n < 40 || Rd32(p) < 40) return false;
    *w = static_cast<int32_t>(Rd32(p + 4));
    *h = static_cast<int32_t>(Rd32(p + 8)) / 2;  // colour bits and mask: height doubled
    *bpp = Rd16(p + 14);
  }
  return *w > 0 && *h > 0 && *w <= kMaxSide && *h <= kMaxSide;
}

// A DIB image: colour bits (bottom-up) followed by the 1-bit AND mask. Only uncompressed
// images are read. A 32-bit image whose alpha is zero throughout is an old-style image and takes
// its transparency from the mask; one with any alpha keeps its alpha as it is, whatever the mask
// says (writers often leave the mask empty). A 32-bit image may come without its mask.
bool DecodeDib(const uint8_t* p, size_t n, TCursorImage* c) {
  if (n < 40) return false;
  uint32_t hs = Rd32(p);
  if (hs < 40 || hs > n) return false;
  int w = static_cast<int32_t>(Rd32(p + 4));
  int h = static_cast<int32_t>(Rd32(p + 8)) / 2;
  int bpp = Rd16(p + 14);
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  if (Rd32(p + 16) != 0) return false;  // compressed (run lengths, bit fields): not an icon image
  uint32_t used = Rd32(p + 32);
  if (bpp <= 8 && used > (1u << bpp)) return false;  // a palette larger than the depth allows
  size_t colours = bpp <= 8 ? (used ? used : 1u << bpp) : 0;
  size_t xorStride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  size_t andStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  size_t colourEnd = hs + colours * 4 + xorStride * h;
  bool hasMask = colourEnd + andStride * h <= n;
  if (colourEnd > n || (!hasMask && bpp != 32)) return false;
  const uint8_t* pal = p + hs;
  const uint8_t* bits = pal + colours * 4;
  const uint8_t* andBits = bits + xorStride * h;
  bool anyAlpha = false;
  if (bpp == 32)
    for (int y = 0; y < h && !anyAlpha; ++y)
      for (int x = 0; x < w && !anyAlpha; ++x) anyAlpha = bits[xorStride * y + x * 4 + 3] != 0;
  c->W = w;
  c->H = h;
  c->Pixels.assign(static_cast<size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bits + xorStride * (h - 1 - y);
    const uint8_t* arow = andBits + andStride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      uint32_t px = 0;
      if (bpp == 32) {
        px = Rd32(row + x * 4);
      } else if (bpp == 24) {
        px = 0xFF000000u | row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
      } else {
        size_t idx = bpp == 8   ? row[x]
                     : bpp == 4 ? ((row[x / 2] >> ((x & 1) ? 0 : 4)) & 15)
                                : ((row[x / 8] >> (7 - x % 8)) & 1);
        if (idx < colours) px = 0xFF000000u | (Rd32(pal + idx * 4) & 0xFFFFFF);
      }
      bool transparent = hasMask && ((arow[x / 8] >> (7 - x % 8)) & 1);
      if (bpp != 32 && transparent) px = 0;
      if (bpp == 32 && !anyAlpha) px = transparent ? 0 : px | 0xFF000000u;
      c->Pixels[static_cast<size_t>(y) * w + x] = px;
    }
  }
  return true;
}

bool DecodePng(const uint8_t* p, size_t n, TCursorImage* c) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, p, n)) return false;
  if (img.width == 0 || img.height == 0 || img.width > kMaxSide || img.height > kMaxSide) {
    png_image_free(&img);
    return false;
  }
  img.format = PNG_FORMAT_BGRA;  // byte order B, G, R, A: the 0xAARRGGBB pixels of the cursor
  std::vector<uint32_t> px(static_cast<size_t>(img.width) * img.height);
  if (!png_image_finish_read(&img, nullptr, px.data(), 0, nullptr)) {
    png_image_free(&img);
    return false;
  }
  c->W = static_cast<int>(img.width);
  c->H = static_cast<int>(img.height);
  c->Pixels = std::move(px);
  return true;
}

struct TEntry {
  const uint8_t* Data;
  size_t Size;
  int W, H, Bpp, HotX, HotY;
};

// The header's type and count and the directory's entries (offset, size), checked: false when
// the header is not an icon's or cursor's or an entry points into the directory or is empty.
bool ReadDirectory(const uint8_t* d, size_t n, int* type,
                   std::vector<std::pair<uint32_t, uint32_t>>* entries) {
  if (!d || n < 6 || Rd16(d) != 0) return false;
  *type = Rd16(d + 2);
  int count = Rd16(d + 4);
  if ((*type != 1 && *type != 2) || count == 0) return false;
  size_t dirEnd = 6 + static_cast<size_t>(count) * 16;
  if (dirEnd > n) return false;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = d + 6 + i * 16;
    uint32_t size = Rd32(e + 8), off = Rd32(e + 12);
    if (off < dirEnd || size == 0) return false;
    entries->emplace_back(off, size);
  }
  return true;
}

}  // namespace

size_t IconFileExtent(const uint8_t* d, size_t n) {
  int type = 0;
  std::vector<std::pair<uint32_t, uint32_t>> dir;
  if (!ReadDirectory(d, n, &type, &dir)) return 0;
  size_t end = 0;
  for (auto [off, size] : dir) end = std::max<size_t>(end, static_cast<size_t>(off) + size);
  return end;
}

bool DecodeCursorFile(const uint8_t* d, size_t n, int wantW, int wantH, TCursorImage* out) {
  int type = 0;
  std::vector<std::pair<uint32_t, uint32_t>> dir;
  if (!out || !ReadDirectory(d, n, &type, &dir)) return false;
  std::vector<TEntry> entries;
  for (size_t i = 0; i < dir.size(); ++i) {
    const uint8_t* e = d + 6 + i * 16;
    auto [off, size] = dir[i];
    // A damaged directory (an entry past the end of the file) refuses the file.
    if (off >= n || size > n - off) return false;
    TEntry t{d + off, size, 0, 0, 0, 0, 0};
    if (!PeekImage(t.Data, t.Size, &t.W, &t.H, &t.Bpp)) continue;
    if (type == 2) {
      t.HotX = Rd16(e + 4);
      t.HotY = Rd16(e + 6);
    } else {
      t.HotX = t.W / 2;  // an icon used as a cursor points with its centre
      t.HotY = t.H / 2;
    }
    entries.push_back(t);
  }
  // The image nearest the wanted size first; among equally near ones, the deepest; then the
  // directory order.
  std::stable_sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    int da = std::abs(a.W - wantW) + std::abs(a.H - wantH),
        db = std::abs(b.W - wantW) + std::abs(b.H - wantH);
    if (da != db) return da < db;
    return a.Bpp > b.Bpp;
  });
  for (const TEntry& e : entries) {
    TCursorImage img;
    bool ok =
        IsPng(e.Data, e.Size) ? DecodePng(e.Data, e.Size, &img) : DecodeDib(e.Data, e.Size, &img);
    if (!ok) continue;
    img.HotX = std::clamp(e.HotX, 0, img.W - 1);
    img.HotY = std::clamp(e.HotY, 0, img.H - 1);
    *out = std::move(img);
    return true;
  }
  return false;
}
