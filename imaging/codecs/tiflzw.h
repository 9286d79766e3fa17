// The LZW coding of TIFF compression 5 (and of the PDF writer's LZW streams): the library's
// default routines of the two TIFF LZW hooks, installed by IERegisterTiffCodec.
//
// Both are incremental: the first call creates a context in the caller's slot, later calls
// continue it, and a closing call (nil data) frees it. Codes grow from 9 to 12 bits one code
// before the table reaches the width's limit (the "early change" of TIFF LZW).
#pragma once

#include <cstdint>

class TStream;

// Decodes one row of DecodedLength bytes from the strip CompData (CompLength bytes, most
// significant bit first). First call (nil Context): creates the context for this strip. Later
// calls ignore CompData except for nil, which frees the context and returns nil. Returns nil on an
// impossible code or a full table; a row that runs past the end of the data or meets the end code
// is completed with zero bytes.
uint8_t* TiffLzwDecompress(const uint8_t* CompData, int DecodedLength, void*& Context, int CompLength);
// Appends RowLength bytes to the code stream written to Output; the first call (nil Context)
// writes the Clear code first. A nil Row ends the stream (prefix code, end code, last byte) and
// frees the context.
void TiffLzwCompress(const uint8_t* Row, int RowLength, TStream* Output, void*& Context);
