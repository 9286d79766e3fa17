// Small pieces of the imaging library's utility module: the palette picker (its model: cells,
// pointer tracking, choice), the scroll-bar and mouse-wheel settings objects of the views, the
// shadow and background painters, the JFIF colour conversion, the EXIF orientation fix-up,
// folder creation, the URL kind test, system probes and the tolerant float parser.
//
// The painters draw into 24-bit TIEBitmap images (the device-independent equivalent of a
// class-library bitmap); windows and scroll bars belong to the control layer.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"

class TIEBitmap;

// The palette picker: entry i is a 16 x 16 cell in column i mod 32, row i div 32.
class TImageryPaletteDialog : public TObject {
  ORV_CLASS(TImageryPaletteDialog, TObject)
public:
  TImageryPaletteDialog();
  static constexpr const char* Caption = "Palette";
  static constexpr int ClientWidth = 520, ClientHeight = 199;
  void SetPalette(const TIERGBPixel* APalette, int ACount);
  // Paints the cells into a 24-bit image (outline black for the selected entry, white otherwise).
  void Paint(TIEBitmap* Canvas);
  // Pointer at (x, y): the entry under it becomes Selected; true when the cells need repainting.
  bool MouseMove(int x, int y);
  // A click chooses the selected entry and closes with OK; with nothing selected it is ignored
  // (false), so that no entry outside the palette is ever read.
  bool Click();
  int Selected = -1;
  int Count = 0;
  TColor ChosenColor = 0;
  int ModalResult = 0;  // 1 OK, 2 Cancel

private:
  const TIERGBPixel* FPalette = nullptr;
};

class TIEScrollBarParams : public TObject {
  ORV_CLASS(TIEScrollBarParams, TObject)
public:
  int32_t LineStep = -1;
  int32_t PageStep = -1;
  bool Tracking = true;
};

class TIEMouseWheelParams : public TObject {
  ORV_CLASS(TIEMouseWheelParams, TObject)
public:
  bool InvertDirection = false;
  uint8_t Action = 2;    // 0 nothing, 1 scroll, 2 zoom
  uint8_t StepKind = 1;  // 0 absolute, 1 percentage
  int32_t Step = 8;
  bool ZoomAtMouse = false;
};

// Shadow bands at the right of and below an image (style 1 solid with Color, 2 fading, 3 grey
// gradient), drawn into a 24-bit image.
void IEDrawShadowRight(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, int Style, TColor Color = 0);
void IEDrawShadowBottom(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, int Style, TColor Color = 0);
void IEDrawSoftShadowFrame(TIEBitmap* Bitmap, int Left, int Top, int Right, int Bottom);
void IEBellCurve(int Count, double Low, double High, double* Values, double Sigma);
void IEMakeStripeBitmap(TIEBitmap* Bitmap, int Width, int Height);
void IEMakeTextureBitmap(TIEBitmap* Bitmap, int Width, int Height);

void IEYCbCrToRGB(TIERGBPixel& Dest, int Y, int Cb, int Cr);
// Turns an image read with an EXIF orientation (1..8) into its upright form, the alpha channel
// with it; the pixel format is kept. Other values, a nil or an empty bitmap change nothing.
void IEApplyOrientation(TIEBitmap* Bitmap, int Orientation);

// Raises EIEException "Cannot Create Directory" for an empty path.
void IEForceDirectories(const std::string& Path);
bool IEDirectoryExists(const std::string& Path);
// 1 "http://", 2 "https://", 3 "ftp://" (any case), else 0.
int IEGetURLType(const std::u16string& Name);
int IEGetURLTypeA(const std::string& Name);
bool IEIsRemoteSession();
bool IEIsMMXSupported();

// The number in Text with the locale's decimal separator, else with "," and "." exchanged once,
// else Default.
double IEStrToFloatDef(const std::string& Text, double Default);
