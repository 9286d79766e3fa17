// Bitmap decoders of the movie parser: JPEG (libjpeg, errors and warnings end the decode) and
// the lossless formats (zlib). Pixels come out premultiplied, 0xAARRGGBB.
#include "swf/swfdecode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

namespace {

struct SwfJpegError {
  jpeg_error_mgr Base;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void SwfJpegErrorExit(j_common_ptr Info) {
  auto* e = reinterpret_cast<SwfJpegError*>(Info->err);
  (*Info->err->format_message)(Info, e->Message);
  longjmp(e->Jump, 1);
}

// Warnings (corrupt or truncated data) end the decode as errors do: a damaged picture is
// refused rather than drawn with made-up rows.
void SwfJpegEmitMessage(j_common_ptr Info, int Level) {
  if (Level < 0) SwfJpegErrorExit(Info);
}

void SwfJpegSilent(j_common_ptr) {}

uint32_t SwfPremultiply(uint32_t A, uint32_t R, uint32_t G, uint32_t B) {
  if (A != 255) {
    R = (R * A + 127) / 255;
    G = (G * A + 127) / 255;
    B = (B * A + 127) / 255;
  }
  return (A << 24) | (R << 16) | (G << 8) | B;
}

enum SwfJpegResult { kSwfJpegOk, kSwfJpegDamaged, kSwfJpegTooLarge, kSwfJpegCmyk };

// Runs libjpeg over a cleaned stream. Kept apart from the caller so that no object with a
// destructor is made across the setjmp; libjpeg's message lands in Message.
SwfJpegResult SwfJpegRun(const uint8_t* Data, size_t Size, int64_t MaxPixels, TSwfBitmap& Out,
                         char* Message) {
  jpeg_decompress_struct info;
  SwfJpegError err;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err.Base);
  err.Base.error_exit = SwfJpegErrorExit;
  err.Base.emit_message = SwfJpegEmitMessage;
  err.Base.output_message = SwfJpegSilent;
  err.Message[0] = 0;
  // Out belongs to the caller, which drops it after a failure; a long jump leaves it valid.
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&info);
    std::memcpy(Message, err.Message, JMSG_LENGTH_MAX);
    return kSwfJpegDamaged;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, Data, static_cast<unsigned long>(Size));
  jpeg_read_header(&info, TRUE);
  const int64_t pixels = static_cast<int64_t>(info.image_width) * info.image_height;
  if (info.image_width == 0 || info.image_height == 0 || pixels > MaxPixels) {
    jpeg_destroy_decompress(&info);
    return kSwfJpegTooLarge;
  }
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    jpeg_destroy_decompress(&info);
    return kSwfJpegCmyk;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  Out.Width = static_cast<int>(info.output_width);
  Out.Height = static_cast<int>(info.output_height);
  Out.Pixels.resize(static_cast<size_t>(pixels));
  // The row buffer comes from libjpeg's own pool, so a long jump out of a read frees it too.
  JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(Out.Width) * 3, 1);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    uint32_t* dst = Out.Pixels.data() + static_cast<size_t>(y) * Out.Width;
    const uint8_t* src = rows[0];
    for (int x = 0; x < Out.Width; ++x, src += 3)
      dst[x] = 0xFF000000u | (uint32_t(src[0]) << 16) | (uint32_t(src[1]) << 8) | src[2];
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return kSwfJpegOk;
}

}  // namespace

bool SwfInflateExact(const uint8_t* Data, size_t Size, uint8_t* Out, size_t Expected) {
  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (inflateInit(&z) != Z_OK) return false;
  size_t inDone = 0, outDone = 0;
  int rc = Z_OK;
  // zlib counts in 32-bit units; feed at most 1 GiB at a time.
  while (rc == Z_OK) {
    const size_t inChunk = std::min<size_t>(Size - inDone, 1u << 30);
    const size_t outChunk = std::min<size_t>(Expected - outDone, 1u << 30);
    z.next_in = const_cast<uint8_t*>(Data + inDone);
    z.avail_in = static_cast<uInt>(inChunk);
    z.next_out = Out + outDone;
    z.avail_out = static_cast<uInt>(outChunk);
    if (outChunk == 0) break;
    rc = inflate(&z, Z_NO_FLUSH);
    inDone += inChunk - z.avail_in;
    outDone += outChunk - z.avail_out;
    if (rc == Z_BUF_ERROR || (rc == Z_OK && inChunk == 0)) break;
  }
  inflateEnd(&z);
  return outDone == Expected;
}

bool SwfDecodeJpeg(const uint8_t* Data, size_t Size, int64_t MaxPixels, TSwfBitmap& Out,
                   std::string& Error) {
  // Movies may hold the tables and the picture as two streams, joined by an end marker followed
  // by a start marker (also at the very front). Inside coded data 0xFF is always followed by 0,
  // a restart marker or the final end marker, so dropping every FF D9 FF D8 is safe.
  std::vector<uint8_t> clean;
  clean.reserve(Size);
  for (size_t i = 0; i < Size; ++i) {
    if (i + 3 < Size && Data[i] == 0xFF && Data[i + 1] == 0xD9 && Data[i + 2] == 0xFF &&
        Data[i + 3] == 0xD8) {
      i += 3;
      continue;
    }
    clean.push_back(Data[i]);
  }
  // A stream that lost its start marker this way (it began with the pair) gets it back.
  if (clean.size() >= 2 && !(clean[0] == 0xFF && clean[1] == 0xD8))
    clean.insert(clean.begin(), {0xFF, 0xD8});
  if (clean.size() < 4) {
    Error = "JPEG data too short";
    return false;
  }
  TSwfBitmap b;
  char message[JMSG_LENGTH_MAX] = {0};
  switch (SwfJpegRun(clean.data(), clean.size(), MaxPixels, b, message)) {
    case kSwfJpegOk:
      break;
    case kSwfJpegDamaged:
      Error = std::string("damaged JPEG data: ") + message;
      return false;
    case kSwfJpegTooLarge:
      Error = "JPEG picture too large or empty";
      return false;
    case kSwfJpegCmyk:
      Error = "CMYK JPEG pictures are not supported";
      return false;
  }
  Out = std::move(b);
  return true;
}

bool SwfApplyAlphaPlane(const uint8_t* Data, size_t Size, TSwfBitmap& B, std::string& Error) {
  std::vector<uint8_t> alpha(B.Pixels.size());
  if (!SwfInflateExact(Data, Size, alpha.data(), alpha.size())) {
    Error = "damaged alpha data";
    return false;
  }
  for (size_t i = 0; i < alpha.size(); ++i) {
    const uint32_t p = B.Pixels[i];
    B.Pixels[i] = SwfPremultiply(alpha[i], (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  return true;
}

bool SwfDecodeLossless(const uint8_t* Data, size_t Size, bool WithAlpha, int64_t MaxPixels,
                       TSwfBitmap& Out, std::string& Error) {
  if (Size < 5) {
    Error = "lossless bitmap header truncated";
    return false;
  }
  const int format = Data[0];
  const int w = Data[1] | (Data[2] << 8);
  const int h = Data[3] | (Data[4] << 8);
  size_t pos = 5;
  const int64_t pixels = int64_t(w) * h;
  if (w == 0 || h == 0 || pixels > MaxPixels) {
    Error = "lossless bitmap too large or empty";
    return false;
  }
  int colours = 0;
  size_t rowBytes = 0, tableBytes = 0;
  if (format == 3) {
    if (pos >= Size) {
      Error = "lossless bitmap header truncated";
      return false;
    }
    colours = Data[pos++] + 1;
    tableBytes = size_t(colours) * (WithAlpha ? 4 : 3);
    rowBytes = (size_t(w) + 3) & ~size_t(3);
  } else if (format == 4) {
    rowBytes = (size_t(w) * 2 + 3) & ~size_t(3);
  } else if (format == 5) {
    rowBytes = size_t(w) * 4;
  } else {
    Error = "unknown lossless bitmap format";
    return false;
  }
  const size_t expected = tableBytes + rowBytes * size_t(h);
  // zlib cannot pack more than about 1032 bytes into one; a body that claims more is forged.
  if (expected / 1032 > Size - pos) {
    Error = "lossless bitmap larger than its data";
    return false;
  }
  std::vector<uint8_t> raw(expected);
  if (!SwfInflateExact(Data + pos, Size - pos, raw.data(), raw.size())) {
    Error = "damaged lossless bitmap data";
    return false;
  }
  Out.Width = w;
  Out.Height = h;
  Out.Pixels.assign(static_cast<size_t>(pixels), 0);
  std::vector<uint32_t> table(256, 0);
  for (int i = 0; i < colours; ++i) {
    const uint8_t* c = raw.data() + size_t(i) * (WithAlpha ? 4 : 3);
    // The colour table of the second kind carries straight (not premultiplied) alpha.
    table[i] = SwfPremultiply(WithAlpha ? c[3] : 255, c[0], c[1], c[2]);
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = raw.data() + tableBytes + rowBytes * size_t(y);
    uint32_t* dst = Out.Pixels.data() + size_t(y) * w;
    for (int x = 0; x < w; ++x) {
      if (format == 3) {
        dst[x] = src[x] < colours ? table[src[x]] : 0;
      } else if (format == 4) {
        const int v = (src[2 * x] << 8) | src[2 * x + 1];
        const uint32_t r = ((v >> 10) & 31) * 255 / 31, g = ((v >> 5) & 31) * 255 / 31,
                       b = (v & 31) * 255 / 31;
        dst[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
      } else {
        const uint8_t* p = src + 4 * x;
        // The second kind stores premultiplied ARGB; the first a reserved byte and RGB.
        uint32_t a = WithAlpha ? p[0] : 255;
        uint32_t r = p[1], g = p[2], b = p[3];
        if (r > a) r = a;
        if (g > a) g = a;
        if (b > a) b = a;
        dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
      }
    }
  }
  return true;
}
