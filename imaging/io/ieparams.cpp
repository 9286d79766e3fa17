// TIOParamsVals: defaults, copying and the setters that keep paired fields together.
#include "imaging/io/ieparams.h"

#include <cmath>
#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieview.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

ORV_CLASS_IMPL(TIOParamsVals, TObject)

TIOParamsVals::TIOParamsVals(TImageryIO* Owner) : FOwner(Owner) {
  JPEG_MarkerList = new TIEMarkerList();
  IPTC_Info = new TIEIPTCInfoList();
  PXM_Comments = new TStringList();
  GIF_Comments = new TStringList();
  PNG_TextKeys = new TStringList();
  PNG_TextValues = new TStringList();
  DICOM_Tags = new TIEDICOMTags();
  EXIF_MakerNote = new TIETagsHandler();
  SetDefaultParams();
}

TIOParamsVals::~TIOParamsVals() {
  delete EXIF_MakerNote;
  delete EXIF_Bitmap;
  FreeColorMap();
  delete JPEG_MarkerList;
  delete IPTC_Info;
  delete FImagingAnnot;
  delete PXM_Comments;
  delete GIF_Comments;
  delete PNG_TextKeys;
  delete PNG_TextValues;
  delete DICOM_Tags;
  delete FInputICCProfile;
  delete FOutputICCProfile;
  delete FDefaultICCProfile;
}

void TIOParamsVals::FreeColorMap() {
  delete[] ColorMap;
  ColorMap = nullptr;
  ColorMapCount = 0;
}

void TIOParamsVals::SetColorMap(const TIERGBPixel* Map, int32_t Count) {
  FreeColorMap();
  if (Map == nullptr || Count <= 0) return;
  ColorMap = new TIERGBPixel[Count];
  std::memcpy(ColorMap, Map, sizeof(TIERGBPixel) * Count);
  ColorMapCount = Count;
}

TIEBitmap* TIOParamsVals::EnsureEXIFBitmap() {
  if (EXIF_Bitmap == nullptr) EXIF_Bitmap = new TIEBitmap();
  EXIF_Bitmap->Allocate(0, 0, ie24RGB);
  return EXIF_Bitmap;
}

void TIOParamsVals::SetDefaultParams() {
  // 1. palette, names, depth
  FreeColorMap();
  FileName.clear();
  FileType = 0;
  BitsPerSample = 8;
  SamplesPerPixel = 3;
  IsNativePixelFormat = false;
  // 2. size and DPI come from the owner; a free-standing set keeps them
  if (FOwner != nullptr) {
    if (TIEBitmap* B = FOwner->IEBitmap()) {
      Width = B->Width();
      Height = B->Height();
    }
    SetDpiX(IEDefaultDpiX);
    SetDpiY(IEDefaultDpiY);
  }
  // 3. general and GIF
  ImageIndex = 0;
  ImageCount = 0;
  GetThumbnail = false;
  EnableAdjustOrientation = false;
  GIF_Version = "GIF89a";
  SetImageIndex(0);
  GIF_XPos = GIF_YPos = 0;
  GIF_DelayTime = 0;
  GIF_FlagTranspColor = false;
  GIF_TranspColor = {0, 0, 0};
  GIF_Interlaced = false;
  GIF_WinWidth = GIF_WinHeight = 0;
  GIF_Background = {0, 0, 0};
  GIF_Ratio = 0;
  GIF_Comments->Clear();
  GIF_Action = 2;
  GIF_LZWDecompFunc = IEGifLzwDecompressHook;
  GIF_LZWCompFunc = IEGifLzwCompressHook;
  GIF_ImageCount = 0;
  // 4. TIFF
  TIFF_Compression = 0;
  TIFF_PhotometInterpret = 2;
  TIFF_PlanarConf = 1;
  TIFF_SubIndex = -1;
  TIFF_XPos = TIFF_YPos = 0;
  TIFF_GetTile = -1;
  TIFF_DocumentName.clear();
  TIFF_ImageDescription.clear();
  TIFF_PageName.clear();
  TIFF_PageNumber = TIFF_PageCount = -1;
  SetTIFF_Orientation(1);
  TIFF_LZWDecompFunc = IETiffLzwDecompressHook;
  TIFF_LZWCompFunc = IETiffLzwCompressHook;
  TIFF_ImageCount = 0;
  TIFF_EnableAdjustOrientation = false;
  TIFF_JPEGQuality = 80;
  TIFF_JPEGColorSpace = 2;
  TIFF_FillOrder = 1;
  TIFF_ZIPCompression = 1;
  TIFF_ByteOrder = 1;
  // 5. JPEG and JPEG 2000
  JPEG_ColorSpace = 2;
  JPEG_Quality = 80;
  JPEG_DCTMethod = 0;
  JPEG_ChromaSubsampling = 1;
  JPEG_OptimalHuffman = false;
  JPEG_Smooth = 0;
  JPEG_Progressive = false;
  JPEG_Scale = 1;
  JPEG_MarkerList->Clear();
  JPEG_Scale_Used = 1;
  OriginalWidth = OriginalHeight = 0;
  JPEG_EnableAdjustOrientation = false;
  SetGetExifThumbnail(false);
  J2000_ColorSpace = 1;
  J2000_Rate = 1.0;
  J2000_ProgressionOrder = 0;
  // 6. PCX, BMP, ICO, CUR, PNG, DICOM, PSD, HD Photo
  PCX_Version = 5;
  PCX_Compression = 1;
  BMP_Version = 1;
  BMP_Compression = 0;
  BMP_HandleTransparency = false;
  ICO_Background = {255, 255, 255};
  for (int i = 0; i < IEMaxIcoImages; ++i) {
    ICO_Sizes[i] = {0, 0};
    ICO_BitCount[i] = 0;
  }
  ICO_Sizes[0] = {64, 64};
  ICO_BitCount[0] = 8;
  CUR_XHotSpot = CUR_YHotSpot = 0;
  CUR_Background = {255, 255, 255};
  PNG_Interlaced = false;
  PNG_Background = {0, 0, 0};
  PNG_Filter = 0;
  PNG_Compression = 5;
  PNG_TextKeys->Clear();
  PNG_TextValues->Clear();
  DICOM_Tags->Clear();
  PSD_LoadLayers = false;
  PSD_ReplaceLayers = true;
  HDP_ImageQuality = 0.9;
  HDP_Lossless = false;
  // 7. TGA
  TGA_XPos = TGA_YPos = 0;
  TGA_Compressed = true;
  TGA_Descriptor.clear();
  TGA_Author.clear();
  TGA_Date = Date();
  TGA_ImageName.clear();
  TGA_Background = {0, 0, 0};
  TGA_AspectRatio = 1.0;
  TGA_Gamma = 2.2;
  TGA_GrayLevel = false;
  // 8. AVI, IPTC, comments, EXIF
  AVI_FrameCount = AVI_FrameDelayTime = 0;
  IPTC_Info->Clear();
  PXM_Comments->Clear();
  ResetEXIF();
  // 9. PostScript and PDF
  PS_PaperWidth = 595;
  PS_PaperHeight = 842;
  PS_Compression = 1;
  PS_Title = "No Title";
  PDF_PaperWidth = 595;
  PDF_PaperHeight = 842;
  PDF_Compression = 2;
  PDF_Title.clear();
  PDF_Author.clear();
  PDF_Subject.clear();
  PDF_Keywords.clear();
  PDF_Creator.clear();
  PDF_Producer.clear();
  // 10. annotations and profiles
  delete FImagingAnnot;
  FImagingAnnot = nullptr;
  delete FInputICCProfile;
  FInputICCProfile = nullptr;
  delete FOutputICCProfile;
  FOutputICCProfile = nullptr;
  delete FDefaultICCProfile;
  FDefaultICCProfile = nullptr;
  // 11. RAW, headerless pixels, XMP
  RAW_HalfSize = false;
  RAW_Gamma = 0.6;
  RAW_Bright = RAW_RedScale = RAW_BlueScale = 1.0;
  RAW_QuickInterpolate = true;
  RAW_UseAutoWB = RAW_UseCameraWB = RAW_FourColorRGB = false;
  RAW_Camera.clear();
  RAW_GetExifThumbnail = false;
  RAW_AutoAdjustColors = false;
  BMPRAW_ChannelOrder = 0;
  BMPRAW_Planar = 0;
  BMPRAW_RowAlign = 8;
  BMPRAW_DataStart = 0;
  XMP_Info.clear();
}

// Copies one owned optional object: created when the source has one, freed when it has none.
template <class T, class MakeFn> static void AssignOptional(T*& Dest, T* Source, MakeFn Make) {
  if (Source == nullptr) {
    delete Dest;
    Dest = nullptr;
    return;
  }
  if (Dest == nullptr) Dest = Make();
  Dest->Assign(Source);
}

void TIOParamsVals::Assign(TIOParamsVals* S) {
  if (S == nullptr || S == this) return;
  // 1. names, depth, size, DPI, palette
  FileName = S->FileName;
  FileType = S->FileType;
  Width = S->Width;
  Height = S->Height;
  SetDpiX(S->DpiX);
  SetDpiY(S->DpiY);
  IsNativePixelFormat = S->IsNativePixelFormat;
  SetColorMap(S->ColorMap, S->ColorMapCount);
  // 2. plain values: the compression settings, then the rest. Each format's own image index is
  // copied as it is (not one index into all).
  AssignCompressionInfo(S);
  ImageIndex = S->ImageIndex;
  TIFF_ImageIndex = S->TIFF_ImageIndex;
  GIF_ImageIndex = S->GIF_ImageIndex;
  DCX_ImageIndex = S->DCX_ImageIndex;
  ICO_ImageIndex = S->ICO_ImageIndex;
  CUR_ImageIndex = S->CUR_ImageIndex;
  ImageCount = S->ImageCount;
  DCX_ImageCount = S->DCX_ImageCount;
  EnableAdjustOrientation = S->EnableAdjustOrientation;
  OriginalWidth = S->OriginalWidth;
  OriginalHeight = S->OriginalHeight;
  TIFF_SubIndex = S->TIFF_SubIndex;
  TIFF_XPos = S->TIFF_XPos;
  TIFF_YPos = S->TIFF_YPos;
  TIFF_GetTile = S->TIFF_GetTile;
  TIFF_DocumentName = S->TIFF_DocumentName;
  TIFF_ImageDescription = S->TIFF_ImageDescription;
  TIFF_PageName = S->TIFF_PageName;
  TIFF_PageNumber = S->TIFF_PageNumber;
  TIFF_PageCount = S->TIFF_PageCount;
  TIFF_ImageCount = S->TIFF_ImageCount;
  TIFF_ByteOrder = S->TIFF_ByteOrder;
  GIF_Version = S->GIF_Version;
  GIF_XPos = S->GIF_XPos;
  GIF_YPos = S->GIF_YPos;
  GIF_DelayTime = S->GIF_DelayTime;
  GIF_FlagTranspColor = S->GIF_FlagTranspColor;
  GIF_TranspColor = S->GIF_TranspColor;
  GIF_WinWidth = S->GIF_WinWidth;
  GIF_WinHeight = S->GIF_WinHeight;
  GIF_Background = S->GIF_Background;
  GIF_Ratio = S->GIF_Ratio;
  GIF_Action = S->GIF_Action;
  GIF_ImageCount = S->GIF_ImageCount;
  JPEG_Scale = S->JPEG_Scale;
  JPEG_Scale_Used = S->JPEG_Scale_Used;
  JPEG_EnableAdjustOrientation = S->JPEG_EnableAdjustOrientation;
  SetGetExifThumbnail(S->JPEG_GetExifThumbnail);
  ICO_Background = S->ICO_Background;
  CUR_XHotSpot = S->CUR_XHotSpot;
  CUR_YHotSpot = S->CUR_YHotSpot;
  CUR_Background = S->CUR_Background;
  PNG_Background = S->PNG_Background;
  TGA_XPos = S->TGA_XPos;
  TGA_YPos = S->TGA_YPos;
  TGA_Descriptor = S->TGA_Descriptor;
  TGA_Author = S->TGA_Author;
  TGA_Date = S->TGA_Date;
  TGA_ImageName = S->TGA_ImageName;
  TGA_Background = S->TGA_Background;
  TGA_AspectRatio = S->TGA_AspectRatio;
  TGA_Gamma = S->TGA_Gamma;
  AVI_FrameCount = S->AVI_FrameCount;
  AVI_FrameDelayTime = S->AVI_FrameDelayTime;
  PS_PaperWidth = S->PS_PaperWidth;
  PS_PaperHeight = S->PS_PaperHeight;
  PS_Compression = S->PS_Compression;
  PS_Title = S->PS_Title;
  PDF_PaperWidth = S->PDF_PaperWidth;
  PDF_PaperHeight = S->PDF_PaperHeight;
  PDF_Compression = S->PDF_Compression;
  PDF_Title = S->PDF_Title;
  PDF_Author = S->PDF_Author;
  PDF_Subject = S->PDF_Subject;
  PDF_Keywords = S->PDF_Keywords;
  PDF_Creator = S->PDF_Creator;
  PDF_Producer = S->PDF_Producer;
  RAW_HalfSize = S->RAW_HalfSize;
  RAW_Gamma = S->RAW_Gamma;
  RAW_Bright = S->RAW_Bright;
  RAW_RedScale = S->RAW_RedScale;
  RAW_BlueScale = S->RAW_BlueScale;
  RAW_QuickInterpolate = S->RAW_QuickInterpolate;
  RAW_UseAutoWB = S->RAW_UseAutoWB;
  RAW_UseCameraWB = S->RAW_UseCameraWB;
  RAW_FourColorRGB = S->RAW_FourColorRGB;
  RAW_Camera = S->RAW_Camera;
  RAW_GetExifThumbnail = S->RAW_GetExifThumbnail;
  RAW_AutoAdjustColors = S->RAW_AutoAdjustColors;
  BMPRAW_ChannelOrder = S->BMPRAW_ChannelOrder;
  BMPRAW_Planar = S->BMPRAW_Planar;
  BMPRAW_RowAlign = S->BMPRAW_RowAlign;
  BMPRAW_DataStart = S->BMPRAW_DataStart;
  PSD_LoadLayers = S->PSD_LoadLayers;
  PSD_ReplaceLayers = S->PSD_ReplaceLayers;
  HDP_ImageQuality = S->HDP_ImageQuality;
  HDP_Lossless = S->HDP_Lossless;
  XMP_Info = S->XMP_Info;
  std::memcpy(ICO_Sizes, S->ICO_Sizes, sizeof ICO_Sizes);
  std::memcpy(ICO_BitCount, S->ICO_BitCount, sizeof ICO_BitCount);
  // 3. owned objects
  JPEG_MarkerList->Assign(S->JPEG_MarkerList);
  IPTC_Info->Assign(S->IPTC_Info);
  GIF_Comments->Assign(S->GIF_Comments);
  PNG_TextKeys->Assign(S->PNG_TextKeys);
  PNG_TextValues->Assign(S->PNG_TextValues);
  PXM_Comments->Assign(S->PXM_Comments);
  DICOM_Tags->Assign(S->DICOM_Tags);
  AssignOptional(FImagingAnnot, S->FImagingAnnot, [this] { return new TIEImagingAnnot(this); });
  AssignOptional(FInputICCProfile, S->FInputICCProfile, [] { return new TIEICC(); });
  AssignOptional(FOutputICCProfile, S->FOutputICCProfile, [] { return new TIEICC(); });
  AssignOptional(FDefaultICCProfile, S->FDefaultICCProfile, [] { return new TIEICC(); });
  if (S->EXIF_Bitmap != nullptr) {
    if (EXIF_Bitmap == nullptr) EXIF_Bitmap = new TIEBitmap();
    EXIF_Bitmap->Assign(S->EXIF_Bitmap);
  }
  // 4. EXIF (fields, arrays, maker note)
  EXIF_HasEXIFData = S->EXIF_HasEXIFData;
  CopyEXIFFields(*S);
  EXIF_ImageDescription = S->EXIF_ImageDescription;
  SetEXIF_Orientation(S->EXIF_Orientation);
  SetTIFF_Orientation(S->TIFF_Orientation);
}

void TIOParamsVals::CopyEXIFFields(const TIOParamsVals& S) {
  EXIF_Make = S.EXIF_Make;
  EXIF_Model = S.EXIF_Model;
  SetEXIF_XResolution(S.EXIF_XResolution);
  SetEXIF_YResolution(S.EXIF_YResolution);
  EXIF_ResolutionUnit = S.EXIF_ResolutionUnit;
  EXIF_Software = S.EXIF_Software;
  EXIF_Artist = S.EXIF_Artist;
  EXIF_DateTime = S.EXIF_DateTime;
  for (int i = 0; i < 2; ++i) EXIF_WhitePoint[i] = S.EXIF_WhitePoint[i];
  for (int i = 0; i < 6; ++i) EXIF_PrimaryChromaticities[i] = S.EXIF_PrimaryChromaticities[i];
  for (int i = 0; i < 3; ++i) EXIF_YCbCrCoefficients[i] = S.EXIF_YCbCrCoefficients[i];
  EXIF_YCbCrPositioning = S.EXIF_YCbCrPositioning;
  for (int i = 0; i < 6; ++i) EXIF_ReferenceBlackWhite[i] = S.EXIF_ReferenceBlackWhite[i];
  EXIF_Copyright = S.EXIF_Copyright;
  EXIF_ExposureTime = S.EXIF_ExposureTime;
  EXIF_FNumber = S.EXIF_FNumber;
  EXIF_ExposureProgram = S.EXIF_ExposureProgram;
  for (int i = 0; i < 2; ++i) EXIF_ISOSpeedRatings[i] = S.EXIF_ISOSpeedRatings[i];
  EXIF_ExifVersion = S.EXIF_ExifVersion;
  EXIF_DateTimeOriginal = S.EXIF_DateTimeOriginal;
  EXIF_DateTimeDigitized = S.EXIF_DateTimeDigitized;
  EXIF_CompressedBitsPerPixel = S.EXIF_CompressedBitsPerPixel;
  EXIF_ShutterSpeedValue = S.EXIF_ShutterSpeedValue;
  EXIF_ApertureValue = S.EXIF_ApertureValue;
  EXIF_BrightnessValue = S.EXIF_BrightnessValue;
  EXIF_ExposureBiasValue = S.EXIF_ExposureBiasValue;
  EXIF_MaxApertureValue = S.EXIF_MaxApertureValue;
  EXIF_SubjectDistance = S.EXIF_SubjectDistance;
  EXIF_MeteringMode = S.EXIF_MeteringMode;
  EXIF_LightSource = S.EXIF_LightSource;
  EXIF_Flash = S.EXIF_Flash;
  EXIF_FocalLength = S.EXIF_FocalLength;
  EXIF_SubsecTime = S.EXIF_SubsecTime;
  EXIF_SubsecTimeOriginal = S.EXIF_SubsecTimeOriginal;
  EXIF_SubsecTimeDigitized = S.EXIF_SubsecTimeDigitized;
  EXIF_FlashPixVersion = S.EXIF_FlashPixVersion;
  EXIF_ColorSpace = S.EXIF_ColorSpace;
  EXIF_PixelXDimension = S.EXIF_PixelXDimension;
  EXIF_PixelYDimension = S.EXIF_PixelYDimension;
  EXIF_RelatedSoundFile = S.EXIF_RelatedSoundFile;
  EXIF_FocalPlaneXResolution = S.EXIF_FocalPlaneXResolution;
  EXIF_FocalPlaneYResolution = S.EXIF_FocalPlaneYResolution;
  EXIF_FocalPlaneResolutionUnit = S.EXIF_FocalPlaneResolutionUnit;
  EXIF_ExposureIndex = S.EXIF_ExposureIndex;
  EXIF_SensingMethod = S.EXIF_SensingMethod;
  EXIF_FileSource = S.EXIF_FileSource;
  EXIF_SceneType = S.EXIF_SceneType;
  EXIF_UserComment = S.EXIF_UserComment;
  EXIF_UserCommentCode = S.EXIF_UserCommentCode;
  EXIF_MakerNote->Assign(S.EXIF_MakerNote);
  EXIF_Rating = S.EXIF_Rating;
  EXIF_XPTitle = S.EXIF_XPTitle;
  EXIF_XPComment = S.EXIF_XPComment;
  EXIF_XPAuthor = S.EXIF_XPAuthor;
  EXIF_XPKeywords = S.EXIF_XPKeywords;
  EXIF_XPSubject = S.EXIF_XPSubject;
  EXIF_ExposureMode = S.EXIF_ExposureMode;
  EXIF_WhiteBalance = S.EXIF_WhiteBalance;
  EXIF_DigitalZoomRatio = S.EXIF_DigitalZoomRatio;
  EXIF_FocalLengthIn35mmFilm = S.EXIF_FocalLengthIn35mmFilm;
  EXIF_SceneCaptureType = S.EXIF_SceneCaptureType;
  EXIF_GainControl = S.EXIF_GainControl;
  EXIF_Contrast = S.EXIF_Contrast;
  EXIF_Saturation = S.EXIF_Saturation;
  EXIF_Sharpness = S.EXIF_Sharpness;
  EXIF_SubjectDistanceRange = S.EXIF_SubjectDistanceRange;
  EXIF_ImageUniqueID = S.EXIF_ImageUniqueID;
  EXIF_GPSVersionID = S.EXIF_GPSVersionID;
  EXIF_GPSLatitudeRef = S.EXIF_GPSLatitudeRef;
  EXIF_GPSLatitudeDegrees = S.EXIF_GPSLatitudeDegrees;
  EXIF_GPSLatitudeMinutes = S.EXIF_GPSLatitudeMinutes;
  EXIF_GPSLatitudeSeconds = S.EXIF_GPSLatitudeSeconds;
  EXIF_GPSLongitudeRef = S.EXIF_GPSLongitudeRef;
  EXIF_GPSLongitudeDegrees = S.EXIF_GPSLongitudeDegrees;
  EXIF_GPSLongitudeMinutes = S.EXIF_GPSLongitudeMinutes;
  EXIF_GPSLongitudeSeconds = S.EXIF_GPSLongitudeSeconds;
  EXIF_GPSAltitudeRef = S.EXIF_GPSAltitudeRef;
  EXIF_GPSAltitude = S.EXIF_GPSAltitude;
  EXIF_GPSTimeStampHour = S.EXIF_GPSTimeStampHour;
  EXIF_GPSTimeStampMinute = S.EXIF_GPSTimeStampMinute;
  EXIF_GPSTimeStampSecond = S.EXIF_GPSTimeStampSecond;
  EXIF_GPSSatellites = S.EXIF_GPSSatellites;
  EXIF_GPSStatus = S.EXIF_GPSStatus;
  EXIF_GPSMeasureMode = S.EXIF_GPSMeasureMode;
  EXIF_GPSDOP = S.EXIF_GPSDOP;
  EXIF_GPSSpeedRef = S.EXIF_GPSSpeedRef;
  EXIF_GPSSpeed = S.EXIF_GPSSpeed;
  EXIF_GPSTrackRef = S.EXIF_GPSTrackRef;
  EXIF_GPSTrack = S.EXIF_GPSTrack;
  EXIF_GPSImgDirectionRef = S.EXIF_GPSImgDirectionRef;
  EXIF_GPSImgDirection = S.EXIF_GPSImgDirection;
  EXIF_GPSMapDatum = S.EXIF_GPSMapDatum;
  EXIF_GPSDestLatitudeRef = S.EXIF_GPSDestLatitudeRef;
  EXIF_GPSDestLatitudeDegrees = S.EXIF_GPSDestLatitudeDegrees;
  EXIF_GPSDestLatitudeMinutes = S.EXIF_GPSDestLatitudeMinutes;
  EXIF_GPSDestLatitudeSeconds = S.EXIF_GPSDestLatitudeSeconds;
  EXIF_GPSDestLongitudeRef = S.EXIF_GPSDestLongitudeRef;
  EXIF_GPSDestLongitudeDegrees = S.EXIF_GPSDestLongitudeDegrees;
  EXIF_GPSDestLongitudeMinutes = S.EXIF_GPSDestLongitudeMinutes;
  EXIF_GPSDestLongitudeSeconds = S.EXIF_GPSDestLongitudeSeconds;
  EXIF_GPSDestBearingRef = S.EXIF_GPSDestBearingRef;
  EXIF_GPSDestBearing = S.EXIF_GPSDestBearing;
  EXIF_GPSDestDistanceRef = S.EXIF_GPSDestDistanceRef;
  EXIF_GPSDestDistance = S.EXIF_GPSDestDistance;
  EXIF_GPSDateStamp = S.EXIF_GPSDateStamp;
}

void IECopyEXIF(TIOParamsVals* S, TIOParamsVals* D) {
  if (S == nullptr || D == nullptr || S == D) return;
  D->CopyEXIFFields(*S);
  D->EXIF_ImageDescription = S->TIFF_ImageDescription;
  D->SetEXIF_Orientation(S->EXIF_Orientation);
}

void TIOParamsVals::AssignCompressionInfo(TIOParamsVals* S) {
  if (S == nullptr || S == this) return;
  BitsPerSample = S->BitsPerSample;
  SamplesPerPixel = S->SamplesPerPixel;
  TIFF_Compression = S->TIFF_Compression;
  TIFF_PhotometInterpret = S->TIFF_PhotometInterpret;
  TIFF_PlanarConf = S->TIFF_PlanarConf;
  SetTIFF_Orientation(S->TIFF_Orientation);
  TIFF_LZWDecompFunc = S->TIFF_LZWDecompFunc;
  TIFF_LZWCompFunc = S->TIFF_LZWCompFunc;
  TIFF_EnableAdjustOrientation = S->TIFF_EnableAdjustOrientation;
  TIFF_JPEGQuality = S->TIFF_JPEGQuality;
  TIFF_JPEGColorSpace = S->TIFF_JPEGColorSpace;
  TIFF_FillOrder = S->TIFF_FillOrder;
  TIFF_ZIPCompression = S->TIFF_ZIPCompression;
  GIF_Interlaced = S->GIF_Interlaced;
  GIF_LZWDecompFunc = S->GIF_LZWDecompFunc;
  GIF_LZWCompFunc = S->GIF_LZWCompFunc;
  JPEG_ColorSpace = S->JPEG_ColorSpace;
  JPEG_Quality = S->JPEG_Quality;
  JPEG_DCTMethod = S->JPEG_DCTMethod;
  JPEG_ChromaSubsampling = S->JPEG_ChromaSubsampling;
  JPEG_OptimalHuffman = S->JPEG_OptimalHuffman;
  JPEG_Smooth = S->JPEG_Smooth;
  JPEG_Progressive = S->JPEG_Progressive;
  J2000_ColorSpace = S->J2000_ColorSpace;
  J2000_Rate = S->J2000_Rate;
  J2000_ProgressionOrder = S->J2000_ProgressionOrder;
  PCX_Version = S->PCX_Version;
  PCX_Compression = S->PCX_Compression;
  BMP_Version = S->BMP_Version;
  BMP_Compression = S->BMP_Compression;
  BMP_HandleTransparency = S->BMP_HandleTransparency;
  PNG_Interlaced = S->PNG_Interlaced;
  PNG_Filter = S->PNG_Filter;
  PNG_Compression = S->PNG_Compression;
  TGA_Compressed = S->TGA_Compressed;
  TGA_GrayLevel = S->TGA_GrayLevel;
}

void TIOParamsVals::ResetInfo() {
  IPTC_Info->Clear();
  delete FImagingAnnot;
  FImagingAnnot = nullptr;
  JPEG_MarkerList->Clear();
  ResetEXIF();
  GIF_Comments->Clear();
  DICOM_Tags->Clear();
  PNG_TextKeys->Clear();
  PNG_TextValues->Clear();
  TIFF_DocumentName.clear();
  TIFF_ImageDescription.clear();
  TIFF_PageName.clear();
  TGA_Descriptor.clear();
  TGA_Author.clear();
  TGA_ImageName.clear();
  PXM_Comments->Clear();
  XMP_Info.clear();
  delete FInputICCProfile;
  FInputICCProfile = nullptr;
}

void TIOParamsVals::ResetEXIF() {
  EXIF_HasEXIFData = false;
  delete EXIF_Bitmap;
  EXIF_Bitmap = nullptr;
  // Orientation: only the EXIF side (TIFF_Orientation keeps its value).
  EXIF_Orientation = 0;
  EXIF_ImageDescription.clear();
  EXIF_Make.clear();
  EXIF_Model.clear();
  EXIF_XResolution = EXIF_YResolution = 0;
  EXIF_ResolutionUnit = 0;
  EXIF_Software.clear();
  EXIF_Artist.clear();
  EXIF_DateTime.clear();
  for (double& v : EXIF_WhitePoint) v = 0;
  for (double& v : EXIF_PrimaryChromaticities) v = 0;
  for (double& v : EXIF_YCbCrCoefficients) v = 0;
  EXIF_YCbCrPositioning = 0;
  for (double& v : EXIF_ReferenceBlackWhite) v = 0;
  EXIF_Copyright.clear();
  EXIF_ExposureTime = EXIF_FNumber = 0;
  EXIF_ExposureProgram = 0;
  EXIF_ISOSpeedRatings[0] = EXIF_ISOSpeedRatings[1] = 0;
  EXIF_ExifVersion.clear();
  EXIF_DateTimeOriginal.clear();
  EXIF_DateTimeDigitized.clear();
  EXIF_CompressedBitsPerPixel = EXIF_ShutterSpeedValue = EXIF_ApertureValue = EXIF_BrightnessValue = 0;
  EXIF_ExposureBiasValue = EXIF_MaxApertureValue = EXIF_SubjectDistance = 0;
  EXIF_MeteringMode = EXIF_LightSource = EXIF_Flash = 0;
  EXIF_FocalLength = 0;
  EXIF_SubsecTime.clear();
  EXIF_SubsecTimeOriginal.clear();
  EXIF_SubsecTimeDigitized.clear();
  EXIF_FlashPixVersion.clear();
  EXIF_ColorSpace = EXIF_PixelXDimension = EXIF_PixelYDimension = 0;
  EXIF_RelatedSoundFile.clear();
  EXIF_FocalPlaneXResolution = EXIF_FocalPlaneYResolution = 0;
  EXIF_FocalPlaneResolutionUnit = 0;
  EXIF_ExposureIndex = 0;
  EXIF_SensingMethod = EXIF_FileSource = EXIF_SceneType = 0;
  EXIF_UserComment.clear();
  EXIF_UserCommentCode.clear();
  EXIF_MakerNote->Clear();
  EXIF_Rating = -1;
  EXIF_XPTitle.clear();
  EXIF_XPComment.clear();
  EXIF_XPAuthor.clear();
  EXIF_XPKeywords.clear();
  EXIF_XPSubject.clear();
  EXIF_ExposureMode = EXIF_WhiteBalance = -1;
  EXIF_DigitalZoomRatio = -1.0;
  EXIF_FocalLengthIn35mmFilm = EXIF_SceneCaptureType = EXIF_GainControl = EXIF_Contrast = -1;
  EXIF_Saturation = EXIF_Sharpness = EXIF_SubjectDistanceRange = -1;
  EXIF_ImageUniqueID.clear();
  EXIF_GPSVersionID.clear();
  EXIF_GPSLatitudeRef.clear();
  EXIF_GPSLatitudeDegrees = EXIF_GPSLatitudeMinutes = EXIF_GPSLatitudeSeconds = 0;
  EXIF_GPSLongitudeRef.clear();
  EXIF_GPSLongitudeDegrees = EXIF_GPSLongitudeMinutes = EXIF_GPSLongitudeSeconds = 0;
  EXIF_GPSAltitudeRef.clear();
  EXIF_GPSAltitude = 0;
  EXIF_GPSTimeStampHour = EXIF_GPSTimeStampMinute = EXIF_GPSTimeStampSecond = 0;
  EXIF_GPSSatellites.clear();
  EXIF_GPSStatus.clear();
  EXIF_GPSMeasureMode.clear();
  EXIF_GPSDOP = 0;
  EXIF_GPSSpeedRef.clear();
  EXIF_GPSSpeed = 0;
  EXIF_GPSTrackRef.clear();
  EXIF_GPSTrack = 0;
  EXIF_GPSImgDirectionRef.clear();
  EXIF_GPSImgDirection = 0;
  EXIF_GPSMapDatum.clear();
  EXIF_GPSDestLatitudeRef.clear();
  EXIF_GPSDestLatitudeDegrees = EXIF_GPSDestLatitudeMinutes = EXIF_GPSDestLatitudeSeconds = 0;
  EXIF_GPSDestLongitudeRef.clear();
  EXIF_GPSDestLongitudeDegrees = EXIF_GPSDestLongitudeMinutes = EXIF_GPSDestLongitudeSeconds = 0;
  EXIF_GPSDestBearingRef.clear();
  EXIF_GPSDestBearing = 0;
  EXIF_GPSDestDistanceRef.clear();
  EXIF_GPSDestDistance = 0;
  EXIF_GPSDateStamp.clear();
  // Only the first EXIF APP1 marker goes.
  for (int i = 0; i < JPEG_MarkerList->GetCount(); ++i) {
    if (JPEG_MarkerList->GetMarkerType(i) == 0xE1 &&
        IEIsEXIFMarker(JPEG_MarkerList->GetMarkerData(i), JPEG_MarkerList->GetMarkerLength(i))) {
      JPEG_MarkerList->DeleteMarker(i);
      break;
    }
  }
}

static void PushDpiToView(TImageryIO* Owner, int32_t X, int32_t Y, bool Horizontal) {
  if (Owner == nullptr) return;
  TIEView* View = Owner->AttachedImagery();
  if (View == nullptr) return;
  View->LockPaint();
  if (Horizontal)
    View->SetDpiX(X);
  else
    View->SetDpiY(Y);
  View->UnlockPaintNoRefresh();
}

void TIOParamsVals::SetDpiX(int32_t Value) {
  DpiX = Value;
  EXIF_XResolution = Value;
  PushDpiToView(FOwner, Value, 0, true);
}

void TIOParamsVals::SetDpiY(int32_t Value) {
  DpiY = Value;
  EXIF_YResolution = Value;
  PushDpiToView(FOwner, 0, Value, false);
}

void TIOParamsVals::SetEXIF_XResolution(double Value) {
  SetDpiX(IETruncToInt32(Value));
  EXIF_XResolution = Value;
}

void TIOParamsVals::SetEXIF_YResolution(double Value) {
  SetDpiY(IETruncToInt32(Value));
  EXIF_YResolution = Value;
}

void TIOParamsVals::SetTIFF_Orientation(int32_t Value) {
  TIFF_Orientation = Value;
  EXIF_Orientation = Value;
}

void TIOParamsVals::SetEXIF_Orientation(int32_t Value) { SetTIFF_Orientation(Value); }

void TIOParamsVals::SetImageIndex(int32_t Value) {
  ImageIndex = TIFF_ImageIndex = DCX_ImageIndex = GIF_ImageIndex = ICO_ImageIndex = CUR_ImageIndex = Value;
}

void TIOParamsVals::SetImageCount(int32_t Value) {
  ImageCount = TIFF_ImageCount = AVI_FrameCount = GIF_ImageCount = MEDIAFILE_FrameCount = DCX_ImageCount = Value;
}

void TIOParamsVals::SetEnableAdjustOrientation(bool Value) {
  EnableAdjustOrientation = TIFF_EnableAdjustOrientation = JPEG_EnableAdjustOrientation = Value;
}

void TIOParamsVals::SetGetExifThumbnail(bool Value) { GetThumbnail = JPEG_GetExifThumbnail = Value; }

TIEICC* TIOParamsVals::GetInputICCProfile() {
  if (FInputICCProfile == nullptr) FInputICCProfile = new TIEICC();
  return FInputICCProfile;
}

TIEICC* TIOParamsVals::GetDefaultICCProfile() {
  if (FDefaultICCProfile == nullptr) FDefaultICCProfile = new TIEICC();
  return FDefaultICCProfile;
}

TIEICC* TIOParamsVals::GetOutputICCProfile() {
  if (FOutputICCProfile == nullptr) {
    FOutputICCProfile = new TIEICC();
    FOutputICCProfile->LoadSRGB();
  }
  return FOutputICCProfile;
}

TIEImagingAnnot* TIOParamsVals::GetImagingAnnot() {
  if (FImagingAnnot == nullptr) FImagingAnnot = new TIEImagingAnnot(this);
  return FImagingAnnot;
}
