// The movie's bitmap decoders (JPEG through libjpeg, the zlib-packed lossless formats), used by
// the parser. Each checks the declared size against the limits and the data, and returns false
// with a reason on damaged input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "swf/swfmovie.h"

// Decodes JPEG bytes as a movie stores them: possibly with a stray end/start marker pair between
// the tables and the picture. MaxPixels bounds the picture's size.
bool SwfDecodeJpeg(const uint8_t* Data, size_t Size, int64_t MaxPixels, TSwfBitmap& Out,
                   std::string& Error);
// Applies a zlib-packed alpha plane (one byte per pixel) to a decoded bitmap, premultiplying.
bool SwfApplyAlphaPlane(const uint8_t* Data, size_t Size, TSwfBitmap& B, std::string& Error);
// Decodes a lossless bitmap body: format byte, width, height, [colour count], zlib data.
// WithAlpha: the second lossless kind (RGBA colour table, ARGB pixels).
bool SwfDecodeLossless(const uint8_t* Data, size_t Size, bool WithAlpha, int64_t MaxPixels,
                       TSwfBitmap& Out, std::string& Error);
// Inflates exactly Expected bytes of zlib data; false when the data is damaged or shorter.
bool SwfInflateExact(const uint8_t* Data, size_t Size, uint8_t* Out, size_t Expected);
