// A small writer of movie files for the player's tests and the fuzz seeds: bit fields, tags,
// shapes, placements, and pictures packed with libjpeg and zlib.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

namespace swfbuild {

using Bytes = std::vector<uint8_t>;

// Bit fields are written most significant bit first; byte values little-endian.
class BitWriter {
public:
  Bytes Out;
  void UB(uint32_t V, int N) {
    for (int i = N - 1; i >= 0; --i) {
      if (FBit == 0) Out.push_back(0);
      if ((V >> i) & 1) Out.back() |= static_cast<uint8_t>(0x80 >> FBit);
      FBit = (FBit + 1) & 7;
    }
  }
  void SB(int32_t V, int N) { UB(static_cast<uint32_t>(V) & (N == 32 ? ~0u : ((1u << N) - 1)), N); }
  void Align() { FBit = 0; }
  void U8(uint8_t V) {
    Align();
    Out.push_back(V);
  }
  void U16(uint16_t V) {
    U8(V & 0xFF);
    U8(V >> 8);
  }
  void U32(uint32_t V) {
    U16(V & 0xFFFF);
    U16(V >> 16);
  }
  void Raw(const Bytes& B) {
    Align();
    Out.insert(Out.end(), B.begin(), B.end());
  }

private:
  int FBit = 0;
};

// Bits needed for a signed value.
inline int SignedBits(int32_t V) {
  int n = 1;
  while (n < 32 && (V < -(1 << (n - 1)) || V >= (1 << (n - 1)))) ++n;
  return n;
}

inline int SignedBits(std::initializer_list<int32_t> Vs) {
  int n = 1;
  for (int32_t v : Vs) n = std::max(n, SignedBits(v));
  return n;
}

inline void Rect(BitWriter& W, int32_t X0, int32_t X1, int32_t Y0, int32_t Y1) {
  const int n = SignedBits({X0, X1, Y0, Y1});
  W.Align();
  W.UB(n, 5);
  W.SB(X0, n);
  W.SB(X1, n);
  W.SB(Y0, n);
  W.SB(Y1, n);
  W.Align();
}

// A matrix: scale (16.16 as double), no skew, translation in twips.
inline void Matrix(BitWriter& W, double SX, double SY, int32_t TX, int32_t TY) {
  W.Align();
  const bool scaled = SX != 1 || SY != 1;
  W.UB(scaled, 1);
  if (scaled) {
    const int32_t a = static_cast<int32_t>(SX * 65536), d = static_cast<int32_t>(SY * 65536);
    const int n = SignedBits({a, d});
    W.UB(n, 5);
    W.SB(a, n);
    W.SB(d, n);
  }
  W.UB(0, 1);
  const int n = SignedBits({TX, TY});
  W.UB(n, 5);
  W.SB(TX, n);
  W.SB(TY, n);
  W.Align();
}

// A colour transform with alpha: multipliers in 1/256, additions.
inline void ColorTransform(BitWriter& W, const int (&Mul)[4], const int (&Add)[4]) {
  W.Align();
  W.UB(1, 1);
  W.UB(1, 1);
  int n = 1;
  for (int i = 0; i < 4; ++i) n = std::max({n, SignedBits(Mul[i]), SignedBits(Add[i])});
  W.UB(n, 4);
  for (int i = 0; i < 4; ++i) W.SB(Mul[i], n);
  for (int i = 0; i < 4; ++i) W.SB(Add[i], n);
  W.Align();
}

inline Bytes Tag(int Code, const Bytes& Body, bool ForceLong = false) {
  BitWriter w;
  if (Body.size() < 0x3F && !ForceLong) {
    w.U16(static_cast<uint16_t>((Code << 6) | Body.size()));
  } else {
    w.U16(static_cast<uint16_t>((Code << 6) | 0x3F));
    w.U32(static_cast<uint32_t>(Body.size()));
  }
  w.Raw(Body);
  return w.Out;
}

// A whole movie: header with a W x H pixel stage, the rate (frames a second) and the tags.
inline Bytes Movie(int W, int H, double Rate, const std::vector<Bytes>& Tags) {
  BitWriter w;
  w.U8('F');
  w.U8('W');
  w.U8('S');
  w.U8(8);
  w.U32(0);
  Rect(w, 0, W * 20, 0, H * 20);
  w.U16(static_cast<uint16_t>(Rate * 256));
  int frames = 0;
  for (const Bytes& t : Tags)
    if ((((t[0] | (t[1] << 8)) >> 6)) == 1) ++frames;
  w.U16(static_cast<uint16_t>(frames));
  for (const Bytes& t : Tags) w.Raw(t);
  const uint32_t size = static_cast<uint32_t>(w.Out.size());
  std::memcpy(w.Out.data() + 4, &size, 4);
  return w.Out;
}

// The same movie with its body packed ("CWS").
inline Bytes Packed(const Bytes& Plain) {
  uLongf len = compressBound(static_cast<uLong>(Plain.size() - 8));
  Bytes out(8 + len);
  std::memcpy(out.data(), Plain.data(), 8);
  out[0] = 'C';
  compress(out.data() + 8, &len, Plain.data() + 8, static_cast<uLong>(Plain.size() - 8));
  out.resize(8 + len);
  return out;
}

inline Bytes Deflate(const Bytes& Raw) {
  uLongf len = compressBound(static_cast<uLong>(Raw.size()));
  Bytes out(len);
  compress(out.data(), &len, Raw.data(), static_cast<uLong>(Raw.size()));
  out.resize(len);
  return out;
}

// RGB pixels, W x H, row by row.
using RGB = std::vector<uint8_t>;

// A JPEG of the pixels; with Tables set, the tables go there and the picture has none.
inline Bytes Jpeg(const RGB& Pixels, int W, int H, Bytes* Tables = nullptr) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  c.image_width = static_cast<JDIMENSION>(W);
  c.image_height = static_cast<JDIMENSION>(H);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  if (Tables) {
    jpeg_mem_dest(&c, &buf, &size);
    jpeg_write_tables(&c);
    Tables->assign(buf, buf + size);
    free(buf);
    buf = nullptr;
    size = 0;
    jpeg_suppress_tables(&c, TRUE);
  }
  jpeg_mem_dest(&c, &buf, &size);
  jpeg_start_compress(&c, Tables ? FALSE : TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(Pixels.data() + c.next_scanline * W * 3);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(buf, buf + size);
  free(buf);
  jpeg_destroy_compress(&c);
  return out;
}

// W x H pixels: the left half Left, the right half Right (RGB triples).
inline RGB TwoHalves(int W, int H, uint32_t Left, uint32_t Right) {
  RGB p(static_cast<size_t>(W) * H * 3);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint32_t c = x < W / 2 ? Left : Right;
      uint8_t* d = &p[(static_cast<size_t>(y) * W + x) * 3];
      d[0] = (c >> 16) & 0xFF;
      d[1] = (c >> 8) & 0xFF;
      d[2] = c & 0xFF;
    }
  return p;
}

inline Bytes DefineJpeg2(uint16_t Id, const Bytes& Jpeg) {
  BitWriter w;
  w.U16(Id);
  w.Raw(Jpeg);
  return Tag(21, w.Out);
}

// A 32-bit lossless picture (second kind: premultiplied ARGB; Pixels as 0xAARRGGBB).
inline Bytes DefineLossless2(uint16_t Id, int W, int H, const std::vector<uint32_t>& Pixels) {
  Bytes raw;
  for (uint32_t p : Pixels) {
    raw.push_back(p >> 24);
    raw.push_back((p >> 16) & 0xFF);
    raw.push_back((p >> 8) & 0xFF);
    raw.push_back(p & 0xFF);
  }
  BitWriter w;
  w.U16(Id);
  w.U8(5);
  w.U16(static_cast<uint16_t>(W));
  w.U16(static_cast<uint16_t>(H));
  w.Raw(Deflate(raw));
  return Tag(36, w.Out);
}

// A rectangle shape (third kind) of W x H pixels at the origin with one fill: a solid colour
// (BitmapId 0, Color 0xAARRGGBB) or a picture fill of the given kind (0x40..0x43) whose pixels
// are Scale stage pixels each.
struct ShapeFill {
  uint16_t BitmapId = 0;
  uint32_t Color = 0xFF000000;
  uint8_t Kind = 0x41;
  double Scale = 1;
};

inline Bytes DefineRectShape(uint16_t Id, int W, int H, const ShapeFill& F, int Code = 32,
                             int FillIndex = 1) {
  BitWriter w;
  w.U16(Id);
  Rect(w, 0, W * 20, 0, H * 20);
  w.U8(1);  // one fill
  if (F.BitmapId == 0) {
    w.U8(0x00);
    w.U8((F.Color >> 16) & 0xFF);
    w.U8((F.Color >> 8) & 0xFF);
    w.U8(F.Color & 0xFF);
    if (Code == 32) w.U8(F.Color >> 24);
  } else {
    w.U8(F.Kind);
    w.U16(F.BitmapId);
    Matrix(w, 20 * F.Scale, 20 * F.Scale, 0, 0);
  }
  w.U8(0);  // no lines
  w.UB(2, 4);
  w.UB(0, 4);
  // Move to the origin, fill 1 on the right of a clockwise outline.
  w.UB(0, 1);
  w.UB(0x04 | 0x01, 5);
  w.UB(1, 5);
  w.SB(0, 1);
  w.SB(0, 1);
  w.UB(FillIndex, 2);
  const int32_t dx = W * 20, dy = H * 20;
  const int n = SignedBits({dx, dy, -dx, -dy});
  auto straight = [&](bool Vertical, int32_t D) {
    w.UB(1, 1);
    w.UB(1, 1);
    w.UB(n - 2, 4);
    w.UB(0, 1);
    w.UB(Vertical, 1);
    w.SB(D, n);
  };
  straight(false, dx);
  straight(true, dy);
  straight(false, -dx);
  straight(true, -dy);
  w.UB(0, 6);  // end
  w.Align();
  return Tag(Code, w.Out);
}

// A new object at Depth (second kind of placement), at (X, Y) stage pixels.
inline Bytes Place(uint16_t Depth, uint16_t Id, int X, int Y) {
  BitWriter w;
  w.U8(0x02 | 0x04);
  w.U16(Depth);
  w.U16(Id);
  Matrix(w, 1, 1, X * 20, Y * 20);
  return Tag(26, w.Out);
}

// Moves the object at Depth to (X, Y).
inline Bytes Move(uint16_t Depth, int X, int Y) {
  BitWriter w;
  w.U8(0x01 | 0x04);
  w.U16(Depth);
  Matrix(w, 1, 1, X * 20, Y * 20);
  return Tag(26, w.Out);
}

// Sets the colour transform of the object at Depth.
inline Bytes Tint(uint16_t Depth, const int (&Mul)[4], const int (&Add)[4]) {
  BitWriter w;
  w.U8(0x01 | 0x08);
  w.U16(Depth);
  ColorTransform(w, Mul, Add);
  return Tag(26, w.Out);
}

inline Bytes Remove(uint16_t Depth) {
  BitWriter w;
  w.U16(Depth);
  return Tag(28, w.Out);
}

inline Bytes Background(uint32_t RGB) {
  return Tag(9, {static_cast<uint8_t>(RGB >> 16), static_cast<uint8_t>(RGB >> 8),
                 static_cast<uint8_t>(RGB)});
}

inline Bytes ShowFrame() { return Tag(1, {}); }
inline Bytes End() { return Tag(0, {}); }

}  // namespace swfbuild
