// HD Photo reader and writer. The imaging-component binding (TIEWICReader, TIEWICWriter) stands on
// the Debian jxrlib here: its decoder and encoder serve FileType 29, the only type the codec
// entries use. The writer's options go through a property bag of named values, which it then
// maps onto the encoder's parameters.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/iedefs.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

// Variant types of the property bag's values.
enum class TIEWICVarType : uint16_t { VT_R4 = 4, VT_BOOL = 11, VT_UI1 = 17, VT_UI2 = 18 };

struct TIEWICProperty {
  std::string Name;
  double Value = 0;
  TIEWICVarType VarType = TIEWICVarType::VT_UI1;
};
using TIEWICPropertyBag = std::vector<TIEWICProperty>;

class TIEWICReader {
public:
  TIEWICReader();
  ~TIEWICReader();
  TIEWICReader(const TIEWICReader&) = delete;
  TIEWICReader& operator=(const TIEWICReader&) = delete;
  bool IsAvailable() const;
  // False when not available, for a FileType other than 29, or when the data are not decodable.
  bool Open(TStream* Stream, int32_t FileType);
  // Decodes frame Index into Bitmap (abort flag set, when given, on failure) and fills IOParams.
  void ReadFrame(int Index, TIEBitmap* Bitmap, std::atomic<bool>* Aborting, TIOParamsVals* IOParams);
  int32_t GetFrameWidth() const;
  int32_t GetFrameHeight() const;
  void Close();
  double DpiX = 0, DpiY = 0;

private:
  bool CopyToBitmap(TIEBitmap* Bitmap, bool Native);
  struct TImpl;
  TImpl* FImpl;
};

class TIEWICWriter {
public:
  TIEWICWriter();
  ~TIEWICWriter();  // commits the frame written
  TIEWICWriter(const TIEWICWriter&) = delete;
  TIEWICWriter& operator=(const TIEWICWriter&) = delete;
  bool IsAvailable() const;
  bool Open(TStream* Stream, int32_t FileType);
  // Writes the options into a property bag and encodes Bitmap; false when nothing was written.
  bool WriteFrame(TIEBitmap* Bitmap, TIOParamsVals* IOParams);
  static void WriteProperty(TIEWICPropertyBag& Bag, const std::string& Name, double Value, TIEWICVarType VarType);
  // The bag the options make, in the writer's order.
  TIEWICPropertyBag MakePropertyBag() const;
  void Close();

  double DpiX, DpiY;
  double ImageQuality = -1, CompressionQuality = -1;
  bool Lossless = false, UseCodecOptions = false;
  int Quality = 1, Overlap = 1, Subsampling = 3;
  int HorizontalTileSlices = 0, VerticalTileSlices = 0;
  bool FrequencyOrder = true;
  int TiffCompression = 1;

private:
  TStream* FStream = nullptr;
  int64_t FStart = 0;
  bool FOpen = false;
};

// HD Photo entries of the codec table.
void HdPhotoReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                      bool Preview);
void HdPhotoWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);
// The HD Photo content test, HdPhotoDetect, is one of the TIFF-structured detectors (tiffilt.h).

// Start-up step: sets IEWICAvailable when the codec library can be started.
void IEWICInit();
void IEWICFree();
// Fills the HD Photo entries of the IO front end's codec table and its start-up step.
void IERegisterHdPhotoCodec();
