// Helpers for the PNG picture's tests: PNG streams made chunk by chunk (with zlib's own CRC),
// reference images of any colour type, depth and interlace written by libpng, and libpng's
// reading of a stream as 8-bit RGBA, so that our coder is checked against an independent one.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/pngpicture.h"
#include "platform/rtl/streams.h"

namespace {

using TBytes = std::vector<uint8_t>;

inline void PutBE32(TBytes& Out, uint32_t V) {
  for (int s = 24; s >= 0; s -= 8) Out.push_back(uint8_t(V >> s));
}

// One chunk: length, type, data, CRC (zlib's crc32).
inline TBytes Chunk(const std::string& Type, const TBytes& Data) {
  TBytes out;
  PutBE32(out, static_cast<uint32_t>(Data.size()));
  out.insert(out.end(), Type.begin(), Type.end());
  out.insert(out.end(), Data.begin(), Data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(Type.data()), 4);
  if (!Data.empty()) crc = crc32(crc, Data.data(), static_cast<uInt>(Data.size()));
  PutBE32(out, static_cast<uint32_t>(crc));
  return out;
}

inline TBytes Signature() { return TBytes(PngSignature, PngSignature + 8); }

inline TBytes IhdrData(uint32_t W, uint32_t H, uint8_t Depth = 8, uint8_t ColorType = 0,
                       uint8_t Interlace = 0) {
  TBytes d;
  PutBE32(d, W);
  PutBE32(d, H);
  d.insert(d.end(), {Depth, ColorType, 0, 0, Interlace});
  return d;
}

inline TBytes Deflate(const TBytes& Raw) {
  uLongf n = compressBound(static_cast<uLong>(Raw.size()));
  TBytes out(n);
  compress2(out.data(), &n, Raw.data(), static_cast<uLong>(Raw.size()), 9);
  out.resize(n);
  return out;
}

// A stream of the signature and the chunks given.
inline TBytes PngStream(std::initializer_list<TBytes> Chunks) {
  TBytes out = Signature();
  for (const TBytes& c : Chunks) out.insert(out.end(), c.begin(), c.end());
  return out;
}

// A small valid 8-bit grey image (W x H, rows filtered None, value x + y) in one IDAT.
inline TBytes GreyImageData(uint32_t W, uint32_t H) {
  TBytes raw;
  for (uint32_t y = 0; y < H; ++y) {
    raw.push_back(0);
    for (uint32_t x = 0; x < W; ++x) raw.push_back(uint8_t(x + y));
  }
  return Deflate(raw);
}

inline void LoadBytes(TPNGObject& P, const TBytes& Bytes) {
  TBytesStream s(Bytes);
  P.LoadFromStream(&s);
}

inline TBytes SaveBytes(TPNGObject& P) {
  TBytesStream s;
  P.SaveToStream(&s);
  return s.Bytes();
}

// ---- libpng ----

// The sample of channel C at (X, Y) of a test image of the given depth: a pattern that uses the
// whole range and differs from pixel to pixel.
inline uint32_t TestSample(uint32_t X, uint32_t Y, int C, int Depth) {
  const uint32_t max = (1u << Depth) - 1;
  return (X * 7 + Y * 13 + uint32_t(C) * 5 + X * Y) * (Depth == 16 ? 2311u : 1u) % (max + 1);
}

struct TPngLayout {
  uint32_t Width = 0, Height = 0;
  int Depth = 8, ColorType = 0;
  bool Interlaced = false;
  std::vector<png_color> Palette;  // colour type 3
  TBytes Trns;                     // palette alpha values, or raw key samples (grey, RGB)
};

inline int Channels(int ColorType) {
  switch (ColorType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

inline void PngWriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
inline void PngFlushNothing(png_structp) {}

// A PNG stream written by libpng whose samples are TestSample.
inline TBytes MakePng(const TPngLayout& S) {
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &out, PngWriteToVector, PngFlushNothing);
  png_set_IHDR(png, info, S.Width, S.Height, S.Depth, S.ColorType,
               S.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!S.Palette.empty())
    png_set_PLTE(png, info, S.Palette.data(), static_cast<int>(S.Palette.size()));
  if (!S.Trns.empty()) {
    if (S.ColorType == 3) {
      png_set_tRNS(png, info, S.Trns.data(), static_cast<int>(S.Trns.size()), nullptr);
    } else {
      png_color_16 key{};
      auto sample = [&](int i) { return png_uint_16((S.Trns[2 * i] << 8) | S.Trns[2 * i + 1]); };
      if (S.ColorType == 0)
        key.gray = sample(0);
      else {
        key.red = sample(0);
        key.green = sample(1);
        key.blue = sample(2);
      }
      png_set_tRNS(png, info, nullptr, 0, &key);
    }
  }
  png_write_info(png, info);
  const int channels = Channels(S.ColorType);
  const size_t rowBytes = (size_t(S.Width) * channels * S.Depth + 7) / 8;
  std::vector<TBytes> rows(S.Height, TBytes(rowBytes, 0));
  for (uint32_t y = 0; y < S.Height; ++y)
    for (uint32_t x = 0; x < S.Width; ++x)
      for (int c = 0; c < channels; ++c) {
        const uint32_t v = TestSample(x, y, c, S.Depth);
        const size_t k = size_t(x) * channels + c;
        if (S.Depth == 16) {
          rows[y][2 * k] = uint8_t(v >> 8);
          rows[y][2 * k + 1] = uint8_t(v);
        } else if (S.Depth == 8) {
          rows[y][k] = uint8_t(v);
        } else {
          const size_t bit = k * S.Depth;
          rows[y][bit / 8] |= uint8_t(v << (8 - S.Depth - bit % 8));
        }
      }
  std::vector<png_bytep> pointers;
  for (TBytes& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct TPngRead {
  const TBytes* Data;
  size_t At = 0;
};
inline void PngReadFromVector(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<TPngRead*>(png_get_io_ptr(png));
  if (r->At + n > r->Data->size()) png_error(png, "read past the end");
  std::memcpy(out, r->Data->data() + r->At, n);
  r->At += n;
}

// libpng's reading of a stream as 8-bit RGBA rows (tRNS expanded to alpha), with the image's
// depth, colour type and interlace method. Throws when libpng refuses the stream.
struct TRgbaImage {
  uint32_t Width = 0, Height = 0;
  int Depth = 0, ColorType = 0, Interlace = 0;
  std::vector<uint8_t> Pixels;  // RGBA, rows top first
  const uint8_t* At(uint32_t X, uint32_t Y) const { return &Pixels[(size_t(Y) * Width + X) * 4]; }
};
inline TRgbaImage ReadWithLibpng(const TBytes& Data) {
  TRgbaImage img;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    throw std::runtime_error("libpng refused the stream");
  }
  TPngRead reader{&Data};
  png_set_read_fn(png, &reader, PngReadFromVector);
  png_read_info(png, info);
  img.Width = png_get_image_width(png, info);
  img.Height = png_get_image_height(png, info);
  img.Depth = png_get_bit_depth(png, info);
  img.ColorType = png_get_color_type(png, info);
  img.Interlace = png_get_interlace_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  img.Pixels.resize(size_t(img.Width) * img.Height * 4);
  std::vector<png_bytep> rows;
  for (uint32_t y = 0; y < img.Height; ++y) rows.push_back(&img.Pixels[size_t(y) * img.Width * 4]);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return img;
}

// The chunk types of a stream in order (the signature skipped).
inline std::vector<std::string> ChunkTypes(const TBytes& Data) {
  std::vector<std::string> out;
  for (size_t at = 8; at + 8 <= Data.size();) {
    const uint32_t n = (uint32_t(Data[at]) << 24) | (uint32_t(Data[at + 1]) << 16) |
                       (uint32_t(Data[at + 2]) << 8) | Data[at + 3];
    out.emplace_back(reinterpret_cast<const char*>(&Data[at + 4]), 4);
    at += size_t(n) + 12;
  }
  return out;
}

// The data of the first chunk of a type (empty when there is none).
inline TBytes ChunkData(const TBytes& Data, const std::string& Type, int Nth = 0) {
  for (size_t at = 8; at + 8 <= Data.size();) {
    const uint32_t n = (uint32_t(Data[at]) << 24) | (uint32_t(Data[at + 1]) << 16) |
                       (uint32_t(Data[at + 2]) << 8) | Data[at + 3];
    if (std::string(reinterpret_cast<const char*>(&Data[at + 4]), 4) == Type && Nth-- == 0)
      return TBytes(Data.begin() + static_cast<ptrdiff_t>(at + 8),
                    Data.begin() + static_cast<ptrdiff_t>(at + 8 + n));
    at += size_t(n) + 12;
  }
  return {};
}

}  // namespace

namespace {
// Image data of zero samples (rows filtered None) for any header.
inline TBytes ZeroImageData(uint32_t W, uint32_t H, int Depth, int ColorType) {
  const size_t rowBytes = (size_t(W) * Channels(ColorType) * Depth + 7) / 8;
  return Deflate(TBytes((rowBytes + 1) * H, 0));
}
}  // namespace
