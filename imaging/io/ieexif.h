// EXIF and GPS metadata: moving the parameter set's EXIF fields between the set and an APP1 EXIF
// block (a small TIFF structure with IFD0, the EXIF and GPS sub-directories and an optional
// thumbnail directory), a TIFF stream and the TIFF-structured block inside camera RAW files.
//
// The directory reader here never follows an offset outside the block, visits each directory at
// most once (offset loops end the walk) and bounds every count by the data it has.
#pragma once

#include <cstdint>
#include <vector>

class TStream;
class TIOParamsVals;

// The data (as zero-terminated text) equals "Exif".
bool IEIsEXIFMarker(const void* Data, int Length);
// Loads an APP1 EXIF block into P; false when it is not one or its TIFF structure is unusable.
bool IELoadEXIFFromStandardBuffer(const void* Data, int Length, TIOParamsVals* P);
// Loads the EXIF, GPS and XP fields of a TIFF structure held in memory (header, first directory
// and the EXIF and GPS directories it points at) into P; no thumbnail is read. False when the
// data are not a TIFF structure. The TIFF reader hands each page's metadata here.
bool IELoadEXIFFromTIFFBlock(const void* Data, int Length, TIOParamsVals* P);
// Builds the EXIF block of P: with App1, "Exif\0\0" followed by the TIFF structure.
void IESaveEXIFToStandardBuffer(TIOParamsVals* P, std::vector<uint8_t>& Buffer, bool App1);
// Reads the first directory of the TIFF stream into P (position restored); true.
bool IELoadEXIFFromTIFF(TStream* Stream, TIOParamsVals* P);
// Offset (from the current position) of the first plausible TIFF header within 128 KB, or -1.
int64_t IEFindRawTIFFHeader(TStream* Stream);
// Loads the EXIF of a RAW file's TIFF structure at the stream position (restored); true.
bool IELoadRawEXIF(TStream* Stream, TIOParamsVals* P);
// Copies every EXIF and GPS field of Source into Dest (not EXIF_HasEXIFData nor EXIF_Bitmap).
void IECopyEXIF(TIOParamsVals* Source, TIOParamsVals* Dest);
