// ICO and CUR codecs and shell icons: detection, the icon and cursor readers (1/4/8/24/32-bit
// images with AND masks, icon images stored as PNG data, "BM" data handed to the BMP reader),
// the multi-size icon writer, and a file's icon from the installed icon theme.
#pragma once

#include <cstdint>
#include <string>

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIEProgressRec;
struct TIEIcoSize;

bool IcoDetect(TStream* Stream);
bool CurDetect(TStream* Stream);
// The image count field (no validation); position restored.
int IcoImageCount(TStream* Stream);
// Read image ICO_ImageIndex (CUR_ImageIndex); AlphaMask receives the transparency (created when
// nil; an icon's fully opaque mask is freed and set nil). Never raises.
void IcoReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEProgressRec& Progress,
                  TIEMask*& AlphaMask, bool IgnoreAlpha);
void CurReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEProgressRec& Progress,
                  TIEMask*& AlphaMask, bool IgnoreAlpha);
// One icon image per element of Sizes and BitCounts (Count elements each).
void IcoWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                   const TIEIcoSize* Sizes, const int32_t* BitCounts, int Count);

// The file's icon: its MIME type from the shared MIME database (by name; folders are
// "inode/directory"), the matching icon of the installed icon themes, or a built-in document
// icon. The bitmap becomes ie24RGB with an alpha channel.
void ShellIconToBitmap(const std::string& FileName, TIEBitmap* Bitmap);
// The MIME type the shared MIME database gives the name ("application/octet-stream" when none).
std::string IEMimeTypeOfFile(const std::string& FileName);
// Path of the themed icon file used for the MIME type ("" when none is installed).
std::string IEFindMimeIcon(const std::string& MimeType, int Size = 32);

// Fills the ICO and CUR entries of the IO front end's codec table.
void IERegisterIcoCodec();
