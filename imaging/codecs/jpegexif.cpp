// The JPEG writer's rewrite of a kept EXIF block: orientation, pixel size and the thumbnail link
// follow the pixels being written. Every offset is checked against the block.
#include <cstring>

#include "imaging/codecs/jpegfilt.h"
#include "imaging/io/iebytes.h"

namespace {

constexpr int ExifHeader = 6;  // "Exif\0\0"

struct TTiffView {
  uint8_t* Data;  // the TIFF structure (after the EXIF header)
  int64_t Size;
  bool Little;
  uint32_t U16(int64_t o) const {
    if (o < 0 || o + 2 > Size) return 0;
    return IEGet16(Data + o, Little);
  }
  uint32_t U32(int64_t o) const {
    if (o < 0 || o + 4 > Size) return 0;
    return IEGet32(Data + o, Little);
  }
  void Put16(int64_t o, uint32_t v) {
    if (o < 0 || o + 2 > Size) return;
    IEPut16(Data + o, v, Little);
  }
  void Put32(int64_t o, uint32_t v) {
    if (o < 0 || o + 4 > Size) return;
    IEPut32(Data + o, v, Little);
  }
};

bool OpenTiff(uint8_t* data, int length, TTiffView& t) {
  if (!data || length < ExifHeader + 8 || std::memcmp(data, "Exif\0\0", 6) != 0) return false;
  t.Data = data + ExifHeader;
  t.Size = length - ExifHeader;
  if (t.Data[0] == 'I' && t.Data[1] == 'I')
    t.Little = true;
  else if (t.Data[0] == 'M' && t.Data[1] == 'M')
    t.Little = false;
  else
    return false;
  return t.U16(2) == 42;
}

// Calls fn(tag, type, count, entry offset) for every entry of the directory at dir; returns the
// offset of the next directory (0 when none or when dir is unusable).
template <class Fn> uint32_t WalkIFD(const TTiffView& t, uint32_t dir, Fn fn) {
  if (dir < 8 || dir + 2 > t.Size) return 0;
  uint32_t n = t.U16(dir);
  if (dir + 2 + 12ull * n + 4 > static_cast<uint64_t>(t.Size)) return 0;
  for (uint32_t i = 0; i < n; ++i) {
    int64_t e = dir + 2 + 12 * i;
    fn(t.U16(e), t.U16(e + 2), t.U32(e + 4), e);
  }
  return t.U32(dir + 2 + 12 * n);
}

uint32_t ShortOrLong(const TTiffView& t, int type, int64_t entry) { return type == 3 ? t.U16(entry + 8) : t.U32(entry + 8); }

}  // namespace

bool JpegPatchExifForPixels(std::vector<uint8_t>& Block, int Orientation, int Width, int Height,
                            bool* ThumbnailDropped) {
  if (ThumbnailDropped) *ThumbnailDropped = false;
  TTiffView t;
  if (!OpenTiff(Block.data(), static_cast<int>(Block.size()), t)) return false;
  uint32_t ifd0 = t.U32(4);
  uint32_t exifDir = 0;
  bool changed = false;
  int64_t nextLink = -1;
  {
    if (ifd0 < 8 || ifd0 + 2 > t.Size) return false;
    uint32_t n = t.U16(ifd0);
    nextLink = ifd0 + 2 + 12 * static_cast<int64_t>(n);
  }
  WalkIFD(t, ifd0, [&](uint32_t tag, uint32_t type, uint32_t, int64_t e) {
    if (tag == 0x0112 && Orientation > 0 && type == 3 && t.U16(e + 8) != static_cast<uint32_t>(Orientation)) {
      t.Put16(e + 8, Orientation);
      changed = true;
    }
    if (tag == 0x8769) exifDir = t.U32(e + 8);
  });
  if (exifDir && exifDir != ifd0)
    WalkIFD(t, exifDir, [&](uint32_t tag, uint32_t type, uint32_t, int64_t e) {
      uint32_t want = tag == 0xA002 ? Width : tag == 0xA003 ? Height : 0;
      if (!want || ShortOrLong(t, type, e) == want) return;
      if (type == 3)
        t.Put16(e + 8, want);
      else
        t.Put32(e + 8, want);
      changed = true;
    });
  if (changed && nextLink + 4 <= t.Size && t.U32(nextLink) != 0) {
    // The thumbnail showed the old pixels: unlink its directory.
    t.Put32(nextLink, 0);
    if (ThumbnailDropped) *ThumbnailDropped = true;
  }
  return true;
}
