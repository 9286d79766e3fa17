// The variable-length-code LZW coder of GIF image data. The codec registration installs both
// routines as the library's default GIF hooks (IEGifLzwDecompressHook, IEGifLzwCompressHook),
// which every new parameter set copies; the GIF codec calls whatever its parameter set holds.
#pragma once

#include <cstdint>

class TStream;

// Reads the minimum code size and the data sub-blocks at the stream position and decodes them
// into Output (Height rows of Width indexes, top row first; interlaced data land in their rows).
// On success the stream stands after the terminating zero-length sub-block. Bad data (minimum
// code size outside 2..9, a code beyond the table, a full table not followed by a clear code, a
// clear code directly followed by the end code with data left) move the stream back to where the
// call began. Data that do not start with a clear code decode as if they did. Data that stop
// early leave the rest of Output as it was.
void GifLzwDecompress(TStream* Stream, int Height, int Width, uint8_t* Output, bool Interlaced);
// Writes the minimum code size (BitsPerPixel, at least 2), the data sub-blocks and the
// terminating zero byte for Height x Width indexes, in interlaced row order when asked.
void GifLzwCompress(TStream* Stream, int Height, int Width, int BitsPerPixel, const uint8_t* Buffer,
                    bool Interlaced);
