// DICOM reader: walks the data elements of a DICOM stream into the parameter set's tag list and
// decodes one frame of the pixel data (native, RLE, JPEG baseline and JPEG lossless transfer
// syntaxes); grey images get the file's window and rescale and are stretched to the full range.
#pragma once

#include <cstdint>
#include <vector>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

// One row of the data dictionary.
struct TIEDicomDictEntry {
  uint16_t Group, Element;
  char VR[3];
};
// The dictionary table (sorted by group, then element).
const TIEDicomDictEntry* IEDicomDictionary(int& Count);
// The VR of a tag: the dictionary's, "xs" when the tag is not listed.
const char* IEDicomLookupVR(uint16_t Group, uint16_t Element);

// True when "DICM" follows 128 bytes from the position (which is restored).
bool DicomDetect(TStream* Stream);
// Reads the elements and, unless Preview (or no bitmap), the frame ImageIndex. Never raises: bad
// data set the abort flag.
void DicomReadImage(TStream* Stream, TIOParamsVals& IOParams, TIEBitmap* Bitmap, bool Preview,
                    TIEProgressRec& Progress);
// The number of frames (0 when the stream cannot be read); the position is restored.
int DicomFrameCount(TStream* Stream);

// Decodes one JPEG lossless (process 14) frame of Data. Precision 8 fills Bytes (components
// interleaved), other precisions fill Words (one component); the vector is sized by the decoder.
// Width, Height, Components and Precision report the frame. False when the data cannot be decoded.
bool LosslessJpegDecode(const uint8_t* Data, int64_t Length, std::vector<uint8_t>& Bytes,
                        std::vector<uint16_t>& Words, int& Width, int& Height, int& Components, int& Precision);

// Fills the DICOM entries of the IO front end's codec table.
void IERegisterDicomCodec();
