// TIOParamsVals: the parameter record of one image. Readers fill it (size, depth, resolution,
// per-format header values, metadata); writers read their save settings from it. Every IO
// component owns one; the codecs receive it by reference and reach the fields directly.
//
// Text fields are UTF-8 std::string. The set owns every object it references (marker list, IPTC
// list, string lists, DICOM tags, maker note, annotations, ICC profiles, EXIF thumbnail, palette).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"

class TStream;
class TStringList;
class TIEBitmap;
class TImageryIO;
class TIEMarkerList;
class TIEIPTCInfoList;
class TIEDICOMTags;
class TIETagsHandler;
class TIEImagingAnnot;
class TIEICC;

// LZW routine shapes (see iefileformats.h for the process-wide hooks).
// GIF decoder: stream at the minimum-code-size byte; fills Output (Width x Height indexes) and
// leaves the stream after the image data.
using TGIFLZWDecompFunc = void (*)(TStream* Stream, int Height, int Width, uint8_t* Output, bool Interlaced);
// GIF encoder: writes the minimum code size and the data sub-blocks.
using TGIFLZWCompFunc = void (*)(TStream* Stream, int Height, int Width, int BitsPerPixel, const uint8_t* Buffer,
                                 bool Interlaced);
// TIFF strip decoder: returns a pointer to DecodedLength decoded bytes (owned by the context; the
// caller copies them). The first call on a nil Context creates it; a call with nil CompData frees it.
using TTIFFLZWDecompFunc = uint8_t* (*)(const uint8_t* CompData, int DecodedLength, void*& Context, int CompLength);
// TIFF strip encoder: one row per call; the first call creates Context; nil Row flushes and frees it.
using TTIFFLZWCompFunc = void (*)(const uint8_t* Row, int RowLength, TStream* Output, void*& Context);

// One icon image size (width, height).
struct TIEIcoSize {
  int32_t Width = 0, Height = 0;
};
constexpr int IEMaxIcoImages = 16;

class TIOParamsVals : public TObject {
  ORV_CLASS(TIOParamsVals, TObject)
public:
  explicit TIOParamsVals(TImageryIO* Owner = nullptr);
  ~TIOParamsVals() override;
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  TImageryIO* Owner() const { return FOwner; }

  void SetDefaultParams();
  void Assign(TIOParamsVals* Source);
  void AssignCompressionInfo(TIOParamsVals* Source);
  // Clears what a read fills; the readers call it before filling the set.
  void ResetInfo();
  // Clears the EXIF and GPS side (and the first "Exif" APP1 marker).
  void ResetEXIF();

  void SetDpiX(int32_t Value);
  void SetDpiY(int32_t Value);
  void SetEXIF_XResolution(double Value);
  void SetEXIF_YResolution(double Value);
  void SetTIFF_Orientation(int32_t Value);
  void SetEXIF_Orientation(int32_t Value);
  void SetImageIndex(int32_t Value);
  void SetImageCount(int32_t Value);
  void SetEnableAdjustOrientation(bool Value);
  void SetGetExifThumbnail(bool Value);
  void SetRAW_GetExifThumbnail(bool Value) { RAW_GetExifThumbnail = Value; }

  void SetEXIF_ISOSpeedRatings(int Index, int32_t Value) { EXIF_ISOSpeedRatings[Index] = Value; }
  int32_t GetEXIF_ISOSpeedRatings(int Index) const { return EXIF_ISOSpeedRatings[Index]; }
  void SetEXIF_WhitePoint(int Index, double Value) { EXIF_WhitePoint[Index] = Value; }
  double GetEXIF_WhitePoint(int Index) const { return EXIF_WhitePoint[Index]; }
  void SetEXIF_PrimaryChromaticities(int Index, double Value) { EXIF_PrimaryChromaticities[Index] = Value; }
  double GetEXIF_PrimaryChromaticities(int Index) const { return EXIF_PrimaryChromaticities[Index]; }
  void SetEXIF_YCbCrCoefficients(int Index, double Value) { EXIF_YCbCrCoefficients[Index] = Value; }
  double GetEXIF_YCbCrCoefficients(int Index) const { return EXIF_YCbCrCoefficients[Index]; }
  void SetEXIF_ReferenceBlackWhite(int Index, double Value) { EXIF_ReferenceBlackWhite[Index] = Value; }
  double GetEXIF_ReferenceBlackWhite(int Index) const { return EXIF_ReferenceBlackWhite[Index]; }

  TIEICC* GetInputICCProfile();
  TIEICC* GetDefaultICCProfile();
  // Created on first use holding an sRGB profile; the same object afterwards.
  TIEICC* GetOutputICCProfile();
  TIEImagingAnnot* GetImagingAnnot();
  // Present only when created (nil otherwise); for Assign and tests.
  TIEICC* InputICCProfileOrNil() const { return FInputICCProfile; }
  TIEICC* OutputICCProfileOrNil() const { return FOutputICCProfile; }
  TIEICC* DefaultICCProfileOrNil() const { return FDefaultICCProfile; }
  TIEImagingAnnot* ImagingAnnotOrNil() const { return FImagingAnnot; }

  // Replaces the palette with a copy of Count RGB triples (nil or 0 frees it).
  void SetColorMap(const TIERGBPixel* Map, int32_t Count);
  // Creates EXIF_Bitmap when absent and empties it.
  TIEBitmap* EnsureEXIFBitmap();

  // ---- General ----
  int32_t BitsPerSample = 8;
  std::string FileName;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0, Height = 0;
  int32_t DpiX = 0, DpiY = 0;  // write through SetDpiX / SetDpiY
  int32_t FileType = 0;
  int32_t ImageIndex = 0;
  int32_t ImageCount = 0;
  bool GetThumbnail = false;
  bool EnableAdjustOrientation = false;
  int32_t OriginalWidth = 0, OriginalHeight = 0;

  // ---- TIFF ----
  uint8_t TIFF_Compression = 0;
  int32_t TIFF_ImageIndex = 0;
  int32_t TIFF_SubIndex = -1;
  uint8_t TIFF_PhotometInterpret = 2;
  int32_t TIFF_PlanarConf = 1;
  int32_t TIFF_XPos = 0, TIFF_YPos = 0;
  int32_t TIFF_GetTile = -1;
  std::string TIFF_DocumentName, TIFF_ImageDescription, TIFF_PageName;
  int32_t TIFF_PageNumber = -1, TIFF_PageCount = -1;
  int32_t TIFF_Orientation = 1;
  TTIFFLZWDecompFunc TIFF_LZWDecompFunc = nullptr;
  TTIFFLZWCompFunc TIFF_LZWCompFunc = nullptr;
  bool TIFF_EnableAdjustOrientation = false;
  int32_t TIFF_JPEGQuality = 80;
  uint8_t TIFF_JPEGColorSpace = 2;
  int32_t TIFF_ZIPCompression = 1;
  int32_t TIFF_ImageCount = 0;
  int32_t TIFF_FillOrder = 1;
  uint8_t TIFF_ByteOrder = 1;

  // ---- DCX and GIF ----
  int32_t DCX_ImageIndex = 0;
  std::string GIF_Version = "GIF89a";
  int32_t GIF_ImageIndex = 0;
  int32_t GIF_XPos = 0, GIF_YPos = 0;
  int32_t GIF_DelayTime = 0;
  bool GIF_FlagTranspColor = false;
  TIERGBPixel GIF_TranspColor{0, 0, 0};
  bool GIF_Interlaced = false;
  int32_t GIF_WinWidth = 0, GIF_WinHeight = 0;
  TIERGBPixel GIF_Background{0, 0, 0};
  int32_t GIF_Ratio = 0;
  TStringList* GIF_Comments = nullptr;  // owned
  uint8_t GIF_Action = 2;
  TGIFLZWDecompFunc GIF_LZWDecompFunc = nullptr;
  TGIFLZWCompFunc GIF_LZWCompFunc = nullptr;
  int32_t GIF_ImageCount = 0;

  // ---- JPEG and JPEG 2000 ----
  uint8_t JPEG_ColorSpace = 2;  // 0 RGB, 1 grey, 2 YCbCr, 3 CMYK, 4 YCbCrK
  int32_t JPEG_Quality = 80;
  uint8_t JPEG_DCTMethod = 0;  // 0 accurate integer, 1 fast integer, 2 float
  uint8_t JPEG_ChromaSubsampling = 1;
  bool JPEG_OptimalHuffman = false;
  int32_t JPEG_Smooth = 0;
  bool JPEG_Progressive = false;
  uint8_t JPEG_Scale = 1;  // 0 auto, 1 full, 2 half, 3 quarter, 4 eighth
  TIEMarkerList* JPEG_MarkerList = nullptr;  // owned
  int32_t JPEG_Scale_Used = 1;
  int32_t JPEG_WarningTot = 0, JPEG_WarningCode = 0;  // not reset by SetDefaultParams
  bool JPEG_EnableAdjustOrientation = false;
  bool JPEG_GetExifThumbnail = false;
  uint8_t J2000_ColorSpace = 1;
  double J2000_Rate = 1.0;
  uint8_t J2000_ProgressionOrder = 0;

  // ---- PCX, BMP, ICO, CUR, PNG, DICOM, TGA ----
  int32_t PCX_Version = 5;
  uint8_t PCX_Compression = 1;
  uint8_t BMP_Version = 1;
  uint8_t BMP_Compression = 0;
  bool BMP_HandleTransparency = false;
  int32_t ICO_ImageIndex = 0;
  TIERGBPixel ICO_Background{255, 255, 255};
  int32_t CUR_ImageIndex = 0;
  int32_t CUR_XHotSpot = 0, CUR_YHotSpot = 0;
  TIERGBPixel CUR_Background{255, 255, 255};
  bool PNG_Interlaced = false;
  TIERGBPixel PNG_Background{0, 0, 0};
  uint8_t PNG_Filter = 0;
  int32_t PNG_Compression = 5;
  TStringList* PNG_TextKeys = nullptr;    // owned
  TStringList* PNG_TextValues = nullptr;  // owned
  TIEDICOMTags* DICOM_Tags = nullptr;     // owned
  int32_t TGA_XPos = 0, TGA_YPos = 0;
  bool TGA_Compressed = true;
  std::string TGA_Descriptor;
  std::string TGA_Author;
  TDateTime TGA_Date = 0;
  std::string TGA_ImageName;
  TIERGBPixel TGA_Background{0, 0, 0};
  double TGA_AspectRatio = 1.0;
  double TGA_Gamma = 2.2;
  bool TGA_GrayLevel = false;

  // ---- Metadata ----
  TIEIPTCInfoList* IPTC_Info = nullptr;  // owned
  TStringList* PXM_Comments = nullptr;   // owned
  bool EXIF_HasEXIFData = false;
  int32_t EXIF_Orientation = 0;
  TIEBitmap* EXIF_Bitmap = nullptr;  // owned, nil until a thumbnail is read or set

  // EXIF and GPS fields, in declared order.
  std::string EXIF_ImageDescription;
  std::string EXIF_Make, EXIF_Model;
  double EXIF_XResolution = 0, EXIF_YResolution = 0;  // write through the setters
  int32_t EXIF_ResolutionUnit = 0;
  std::string EXIF_Software, EXIF_Artist, EXIF_DateTime;
  double EXIF_WhitePoint[2] = {0, 0};
  double EXIF_PrimaryChromaticities[6] = {0, 0, 0, 0, 0, 0};
  double EXIF_YCbCrCoefficients[3] = {0, 0, 0};
  int32_t EXIF_YCbCrPositioning = 0;
  double EXIF_ReferenceBlackWhite[6] = {0, 0, 0, 0, 0, 0};
  std::string EXIF_Copyright;
  double EXIF_ExposureTime = 0, EXIF_FNumber = 0;
  int32_t EXIF_ExposureProgram = 0;
  int32_t EXIF_ISOSpeedRatings[2] = {0, 0};
  std::string EXIF_ExifVersion;
  std::string EXIF_DateTimeOriginal, EXIF_DateTimeDigitized;
  double EXIF_CompressedBitsPerPixel = 0, EXIF_ShutterSpeedValue = 0, EXIF_ApertureValue = 0,
         EXIF_BrightnessValue = 0, EXIF_ExposureBiasValue = 0, EXIF_MaxApertureValue = 0,
         EXIF_SubjectDistance = 0;
  int32_t EXIF_MeteringMode = 0, EXIF_LightSource = 0, EXIF_Flash = 0;
  double EXIF_FocalLength = 0;
  std::string EXIF_SubsecTime, EXIF_SubsecTimeOriginal, EXIF_SubsecTimeDigitized;
  std::string EXIF_FlashPixVersion;
  int32_t EXIF_ColorSpace = 0, EXIF_PixelXDimension = 0, EXIF_PixelYDimension = 0;
  std::string EXIF_RelatedSoundFile;
  double EXIF_FocalPlaneXResolution = 0, EXIF_FocalPlaneYResolution = 0;
  int32_t EXIF_FocalPlaneResolutionUnit = 0;
  double EXIF_ExposureIndex = 0;
  int32_t EXIF_SensingMethod = 0, EXIF_FileSource = 0, EXIF_SceneType = 0;
  std::string EXIF_UserComment;
  std::string EXIF_UserCommentCode;
  TIETagsHandler* EXIF_MakerNote = nullptr;  // owned
  int32_t EXIF_Rating = -1;
  std::string EXIF_XPTitle, EXIF_XPComment, EXIF_XPAuthor, EXIF_XPKeywords, EXIF_XPSubject;
  int32_t EXIF_ExposureMode = -1, EXIF_WhiteBalance = -1;
  double EXIF_DigitalZoomRatio = -1.0;
  int32_t EXIF_FocalLengthIn35mmFilm = -1, EXIF_SceneCaptureType = -1, EXIF_GainControl = -1, EXIF_Contrast = -1,
          EXIF_Saturation = -1, EXIF_Sharpness = -1, EXIF_SubjectDistanceRange = -1;
  std::string EXIF_ImageUniqueID;
  std::string EXIF_GPSVersionID;
  std::string EXIF_GPSLatitudeRef;
  double EXIF_GPSLatitudeDegrees = 0, EXIF_GPSLatitudeMinutes = 0, EXIF_GPSLatitudeSeconds = 0;
  std::string EXIF_GPSLongitudeRef;
  double EXIF_GPSLongitudeDegrees = 0, EXIF_GPSLongitudeMinutes = 0, EXIF_GPSLongitudeSeconds = 0;
  std::string EXIF_GPSAltitudeRef;
  double EXIF_GPSAltitude = 0;
  double EXIF_GPSTimeStampHour = 0, EXIF_GPSTimeStampMinute = 0, EXIF_GPSTimeStampSecond = 0;
  std::string EXIF_GPSSatellites, EXIF_GPSStatus, EXIF_GPSMeasureMode;
  double EXIF_GPSDOP = 0;
  std::string EXIF_GPSSpeedRef;
  double EXIF_GPSSpeed = 0;
  std::string EXIF_GPSTrackRef;
  double EXIF_GPSTrack = 0;
  std::string EXIF_GPSImgDirectionRef;
  double EXIF_GPSImgDirection = 0;
  std::string EXIF_GPSMapDatum;
  std::string EXIF_GPSDestLatitudeRef;
  double EXIF_GPSDestLatitudeDegrees = 0, EXIF_GPSDestLatitudeMinutes = 0, EXIF_GPSDestLatitudeSeconds = 0;
  std::string EXIF_GPSDestLongitudeRef;
  double EXIF_GPSDestLongitudeDegrees = 0, EXIF_GPSDestLongitudeMinutes = 0, EXIF_GPSDestLongitudeSeconds = 0;
  std::string EXIF_GPSDestBearingRef;
  double EXIF_GPSDestBearing = 0;
  std::string EXIF_GPSDestDistanceRef;
  double EXIF_GPSDestDistance = 0;
  std::string EXIF_GPSDateStamp;

  int32_t AVI_FrameCount = 0, AVI_FrameDelayTime = 0;
  int32_t MEDIAFILE_FrameCount = 0, MEDIAFILE_FrameDelayTime = 0;  // not reset, not copied

  // ---- PostScript, PDF, camera RAW, raw pixels, PSD, HD Photo, XMP, palette, icons ----
  int32_t PS_PaperWidth = 595, PS_PaperHeight = 842;
  uint8_t PS_Compression = 1;
  std::string PS_Title = "No Title";
  int32_t PDF_PaperWidth = 595, PDF_PaperHeight = 842;
  uint8_t PDF_Compression = 2;
  std::string PDF_Title, PDF_Author, PDF_Subject, PDF_Keywords, PDF_Creator, PDF_Producer;
  bool RAW_HalfSize = false;
  double RAW_Gamma = 0.6;
  double RAW_Bright = 1.0, RAW_RedScale = 1.0, RAW_BlueScale = 1.0;
  bool RAW_QuickInterpolate = true;
  bool RAW_UseAutoWB = false, RAW_UseCameraWB = false, RAW_FourColorRGB = false;
  std::string RAW_Camera;
  bool RAW_GetExifThumbnail = false;
  bool RAW_AutoAdjustColors = false;
  uint8_t BMPRAW_ChannelOrder = 0;
  uint8_t BMPRAW_Planar = 0;
  int32_t BMPRAW_RowAlign = 8;
  int32_t BMPRAW_DataStart = 0;
  bool PSD_LoadLayers = false;
  bool PSD_ReplaceLayers = true;
  double HDP_ImageQuality = 0.9;
  bool HDP_Lossless = false;
  std::string XMP_Info;
  bool IsNativePixelFormat = false;
  TIERGBPixel* ColorMap = nullptr;  // owned, ColorMapCount entries; use SetColorMap
  int32_t ColorMapCount = 0;
  TIEIcoSize ICO_Sizes[IEMaxIcoImages] = {{64, 64}};
  int32_t ICO_BitCount[IEMaxIcoImages] = {8};
  int32_t DCX_ImageCount = 0;  // written with the other image counts

  // Other names under which the codecs know some fields (the same storage).
  int32_t& RAWPIXELS_HeaderSize = BMPRAW_DataStart;
  int32_t& RAWPIXELS_RowAlign = BMPRAW_RowAlign;
  uint8_t& RAWPIXELS_Planar = BMPRAW_Planar;
  uint8_t& RAWPIXELS_ChannelOrder = BMPRAW_ChannelOrder;
  uint8_t& J2000_Progression = J2000_ProgressionOrder;
  int32_t& EXIF_ExifImageWidth = EXIF_PixelXDimension;
  int32_t& EXIF_ExifImageHeight = EXIF_PixelYDimension;
  bool GetNativePixelFormat() const { return IsNativePixelFormat; }

private:
  void FreeColorMap();
  void CopyEXIFFields(const TIOParamsVals& S);

  TImageryIO* FOwner = nullptr;
  TIEImagingAnnot* FImagingAnnot = nullptr;
  TIEICC* FInputICCProfile = nullptr;
  TIEICC* FOutputICCProfile = nullptr;
  TIEICC* FDefaultICCProfile = nullptr;

  friend void IECopyEXIF(TIOParamsVals* Source, TIOParamsVals* Dest);
};
