// CCITT fax coding of bilevel rows: modified Huffman (TIFF compression 2), Group 3 one- and
// two-dimensional (compression 3) and Group 4 (compression 4), for the TIFF codec and the
// PostScript and PDF writers.
//
// Rows are packed 8 pixels per byte, the first pixel in the most significant bit. The decoders
// produce rows with 1 = white (the row starts white and black runs clear bits); the encoders take
// rows with 0 = white and 1 = black. Fill order 1: code bits fill each byte from its most
// significant bit; 2: from its least significant bit.
#pragma once

#include <cstdint>
#include <vector>

class TStream;
struct TIEProgressRec;

// Builds the two run-length decoding trees (also done on first use); frees them.
void IECCITTInit();
void IECCITTFree();

// One modified Huffman row from the first bit of Data; returns the bytes used (rounded up).
int64_t IECCITTDecodeRowMH(uint8_t* Row, const uint8_t* Data, int64_t DataBytes, int FillOrder, int Width);
// One one-dimensional row from bit StartBit; returns the bit position after the row.
int64_t IECCITTDecodeRow1D(uint8_t* Row, const uint8_t* Data, int64_t DataBytes, int FillOrder, int64_t StartBit,
                           int Width);
// One two-dimensional row against RefLine ((Width + 7) / 8 bytes, 1 = white; the row is copied
// into it afterwards); EolMode reads end-of-line codes with their fill bits and tag bit.
int64_t IECCITTDecodeRow2D(uint8_t* Row, const uint8_t* Data, int64_t DataBytes, bool EolMode, int FillOrder,
                           int64_t StartBit, uint8_t* RefLine, int Width);

// Encoder state of one strip: the reference line and the unfinished last byte.
struct TIECCITTEncodeState {
  std::vector<uint8_t> RefLine;  // empty before the first row of a strip
  int PendingBits = 0;
  uint8_t PendingByte = 0;
};

// One modified Huffman row, padded with zero bits to a whole byte. A failed write aborts.
void IECCITTEncodeRowMH(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress);
// Group 3 one-dimensional row, an end of line first; nil Row ends the strip (pending bits written).
void IECCITTEncodeRowG3(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress,
                        TIECCITTEncodeState& State);
// Group 3 two-dimensional row (end of line and tag bit first); nil Row ends the strip with one end
// of line.
void IECCITTEncodeRowG3_2D(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress,
                           TIECCITTEncodeState& State);
// Group 4 row; nil Row ends the strip with two ends of line.
void IECCITTEncodeRowG4(const uint8_t* Row, int Width, TStream* Stream, int FillOrder, TIEProgressRec& Progress,
                        TIECCITTEncodeState& State);
