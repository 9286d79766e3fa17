// The codec calling convention, the progress record every codec receives, and the process-wide
// file-format registry with the four LZW routine hooks.
//
// Built-in formats are dispatched by their FileType through the codec table of iecodechooks.h;
// the routines stored in their registry entries are placeholders. Formats registered later with
// InternalFormat false are dispatched through their own ReadFunction / WriteFunction / TryFunction.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/io/ieparams.h"

class TStream;
class TIEBitmap;
class TObject;

// Progress callback: (callback data, Sender, percent).
using TIEProgressCallback = void (*)(void* Data, TObject* Sender, int Per);

// Handed to every reader and writer. The IO component fills Callback, Data, Sender and Aborting;
// the codec owns Val and Per and reports Trunc(Val * Per) whenever that percentage changes.
// Bad data: the codec sets *Aborting = true instead of raising, and polls it to stop early.
struct TIEProgressRec {
  TIEProgressCallback Callback = nullptr;  // nil: no progress reports
  void* Data = nullptr;
  TObject* Sender = nullptr;
  int32_t Val = 0;
  double Per = 0;
  std::atomic<bool>* Aborting = nullptr;

  // Calls the callback with Trunc(Val * Per) when it has changed since the last report.
  void Report();
  bool IsAborting() const { return Aborting != nullptr && Aborting->load(); }
  void Abort() {
    if (Aborting != nullptr) Aborting->store(true);
  }
  int LastPer = -1;
};

// Reader: decodes from the stream's position into Bitmap and fills IOParams; with Preview only
// IOParams is filled.
using TIEReadImageProc = void (*)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                                  TIEProgressRec& Progress, bool Preview);
// Writer: encodes Bitmap at the stream's position with the save parameters of IOParams.
using TIEWriteImageProc = void (*)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                                   TIEProgressRec& Progress);
// Content test: the caller positions the stream and restores the position afterwards.
using TIETryImageProc = bool (*)(TStream* Stream, int32_t FileType);

// Pages of the parameters dialog.
using TIEDialogPages = uint16_t;
enum : uint16_t {
  ppAUTO = 2, ppJPEG = 4, ppTIFF = 8, ppGIF = 16, ppBMP = 32, ppPCX = 64, ppPNG = 128, ppTGA = 256, ppJ2000 = 512
};

// Format ids.
enum : int32_t {
  ioUnknown = 0, ioTIFF = 1, ioGIF = 2, ioJPEG = 3, ioPCX = 4, ioBMP = 5, ioICO = 6, ioCUR = 7, ioPNG = 8,
  ioWMF = 9, ioEMF = 10, ioTGA = 11, ioPXM = 12, ioJP2 = 13, ioJ2K = 14, ioAVI = 15, ioWBMP = 16, ioPS = 17,
  ioPDF = 18, ioDCX = 19, ioRAW = 20, ioBMPRAW = 21, ioPSD = 24, ioIEV = 25, ioLYR = 26, ioALL = 27,
  ioDICOM = 28, ioHDP = 29
};

class TIEFileFormatInfo {
public:
  int32_t FileType = 0;
  std::string FullName;
  std::string Extensions;  // upper case, without dot, ";"-separated
  bool InternalFormat = false;
  TIEDialogPages DialogPage = 0;
  TIEReadImageProc ReadFunction = nullptr;
  TIEWriteImageProc WriteFunction = nullptr;
  TIETryImageProc TryFunction = nullptr;
};

TIEFileFormatInfo* IEFindFileFormatInfo(int32_t FileType);
// The Index-th extension (from 0), lower-case-insensitive source text as registered; empty past
// the end or for an unknown id.
std::string IEFileFormatGetExt(int32_t FileType, int Index);
int IEFileFormatExtCount(int32_t FileType);
// Case-insensitive; one leading "." is dropped; nil for no match and for an empty text.
TIEFileFormatInfo* IEFindFileFormatInfoByExt(const std::string& Ext);
// Appends; the registry takes ownership. Returns the list index.
int IERegisterFileFormat(TIEFileFormatInfo* Info);
void IEUnregisterFileFormat(int32_t FileType);
// Builds the registry (the built-in table; HD Photo only when IEWICAvailable).
void IEInitFileFormats();
void IEFreeFileFormats();
// Number of entries and entry by list index (nil out of range).
int IEFileFormatCount();
TIEFileFormatInfo* IEFileFormatByIndex(int Index);

void IEDummyReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                      bool Preview);
void IEDummyWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);
bool IEDummyTryImage(TStream* Stream, int32_t FileType);

// Whether the HD Photo route is usable (set by the codec start-up; false on this platform unless
// a codec provides one).
extern bool IEWICAvailable;

// The four process-wide LZW hooks; the codec start-up installs its default routines, and every
// new parameter set copies them.
extern TGIFLZWDecompFunc IEGifLzwDecompressHook;
extern TGIFLZWCompFunc IEGifLzwCompressHook;
extern TTIFFLZWDecompFunc IETiffLzwDecompressHook;
extern TTIFFLZWCompFunc IETiffLzwCompressHook;

// The colour-management switch: off at start-up; when on, readers convert pixels through the
// file's input ICC profile.
extern bool IEColorManagement;
