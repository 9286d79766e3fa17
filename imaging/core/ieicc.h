// ICC colour profiles and transforms (TIEICC), the built-in sRGB and CMYK profiles, the CMYK
// transforms behind IECMYK2RGB and IERGB2CMYK, and the row colour converter that readers and
// writers call. Colour management goes through lcms2, kept inside ieicc.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"

class TIEBitmap;
class TStream;

// Pixel kinds of rows: 0 RGB, 1 BGR, 2 CMYK inverted (255 = no ink), 3 CMYK (0 = no ink) in
// 6-byte pixels, 4 CIELab, 5 grey, 6 RGB48 little-endian, 7 RGB48 big-endian, 8 YCbCr.
class TIEICC : public TObject {
  ORV_CLASS(TIEICC, TObject)
public:
  TIEICC();
  ~TIEICC() override;
  void LoadFromBuffer(const void* Data, int Length);
  void Assign(TIEICC* Source);
  void Clear();
  bool IsValid() const { return FProfile != nullptr; }
  void SaveToStream(TStream* Stream, bool RawOnly);
  void OpenProfile();
  void CloseProfile();
  bool HasTransform() const { return FTransform != nullptr; }
  void FreeTransform();
  // Converts Count pixels of kind InKind from InBuffer into OutBuffer (kinds 1 and 2 are
  // written) through this profile and Dest's profile.
  bool Transform(TIEICC* Dest, int InKind, int Count, void* OutBuffer, const void* InBuffer, uint32_t Flags,
                 int Intent, int OutKind);
  // Converts the bitmap (ie8g, ie24RGB, ieCMYK, ieRGB48, ieCIELab) to TargetFormat through Dest.
  bool TransformBitmap(TIEBitmap* Bitmap, TIEPixelFormat TargetFormat, TIEICC* Dest);
  // The built-in sRGB profile (the raw bytes stay empty).
  void LoadSRGBProfile();

  const std::vector<uint8_t>& Raw() const { return FRaw; }
  const std::string& Copyright() const { return FCopyright; }
  const std::string& Description() const { return FDescription; }
  bool Applied() const { return FApplied; }

private:
  std::vector<uint8_t> FRaw;
  std::string FCopyright, FDescription;
  void* FProfile = nullptr;
  void* FTransform = nullptr;
  int FInKind = -1, FOutKind = -1, FIntent = -1;
  uint32_t FFlags = 0;
  bool FApplied = false;
};

// Library-wide switches: ICC colour management of embedded profiles (off at start-up) and CMYK
// through the built-in profile (on at start-up).
extern bool IEColorManagement;
extern bool IECMYKThroughICC;

// True when the built-in CMYK transforms exist (made on first use, guarded for worker threads).
bool IEInitCMYKTransform();
void IEFreeCMYKTransform();
// Installs the ICC route of IECMYK2RGB and IERGB2CMYK (the library start-up calls it).
void IEInstallCMYKTransform();

// Converts Count pixels of SourceKind into DestKind (1 BGR, 2 CMYK, 4 CIELab, 5 grey): through
// the profiles when colour management is on and a usable input profile is given (Output nil:
// sRGB), else by the fixed formulas.
void IEConvertColorRow(const void* Source, int SourceKind, void* Dest, int Count, int DestKind, TIEICC* Input = nullptr,
                       TIEICC* Output = nullptr, TIEICC* Default = nullptr);
