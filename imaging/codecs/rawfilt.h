// Camera RAW reader around LibRaw: camera identification, decoding to 24-bit or 48-bit RGB
// through the library's own white point and gamma table, the EXIF information and embedded
// thumbnail of the file (from its TIFF structure, from the heaps of "HEAPCCDR" files, or from
// LibRaw's thumbnail), and the thumbnail-only read the thumbnail grid uses.
#pragma once

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

// True when LibRaw recognises a camera format in the stream (from its position); position
// restored.
bool CameraRawDetect(TStream* Stream);
// Never raises: an unrecognised or undecodable file sets the abort flag. With
// RAW_GetExifThumbnail set and an embedded thumbnail, the bitmap is the thumbnail.
void CameraRawReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                        bool Preview);
// Reads the description, make, model, software, image size, maker-note tags 1 and 4 and the
// smallest embedded JPEG of a "HEAPCCDR" file from the stream position (restored). Each heap is walked
// once, at most eight levels deep; records pointing outside their heap are skipped. Always false.
bool RawEmbeddedInfoRead(TStream* Stream, TIOParamsVals& IOParams);

// Fills the camera RAW entries of the IO front end's codec table.
void IERegisterCameraRawCodec();
