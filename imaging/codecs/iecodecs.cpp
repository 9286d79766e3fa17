// Start-up of the codec library and of the imaging library (see iecodecs.h).
#include "imaging/codecs/iecodecs.h"

#include "imaging/codecs/bmpfilt.h"
#include "imaging/codecs/dicomfilt.h"
#include "imaging/codecs/giffilt.h"
#include "imaging/codecs/hdpfilt.h"
#include "imaging/codecs/ieicofilt.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/codecs/iemetafile.h"
#include "imaging/codecs/jp2filt.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/pcxfilt.h"
#include "imaging/codecs/pngfilt.h"
#include "imaging/codecs/pnmfilt.h"
#include "imaging/codecs/psdfilt.h"
#include "imaging/codecs/psfilt.h"
#include "imaging/codecs/rawfilt.h"
#include "imaging/codecs/tgafilt.h"
#include "imaging/codecs/tiffilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecmykprofile.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/ieprocinit.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iecolor.h"
#include "imaging/io/ieinit.h"

void IERegisterCodecs() {
  IERegisterJpegCodec();
  IERegisterPngCodec();
  IERegisterBmpCodec();
  IERegisterIcoCodec();
  IERegisterGifCodec();
  IERegisterTiffCodec();
  IERegisterTgaCodec();
  IERegisterPnmCodec();
  IERegisterPcxCodec();
  IERegisterPsCodec();
  IERegisterPsdCodec();
  IERegisterDicomCodec();
  IERegisterMetafileDetection();
  IERegisterJpeg2000Codec();
  IERegisterCameraRawCodec();
  IERegisterHdPhotoCodec();
}

namespace {

// The codecs' quantizer behind the container's colour-reducer interface. The quantizer answers -1
// for a colour outside an exact palette; such colours take the nearest palette entry.
class TQuantizerReducer final : public TIEColorReducer {
public:
  TQuantizerReducer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N)
      : FQuantizer(Bitmap, Palette, N), FPalette(Palette),
        FCount(FQuantizer.HasExactColors() ? FQuantizer.ExactCount() : FQuantizer.NColors) {}

  int ColorIndex(TIERGBPixel Color) override {
    const int i = FQuantizer.GetColorIndex(Color);
    if (i >= 0 && i < FCount) return i;
    return FCount > 0 ? IENearestPaletteIndex(FPalette, FCount, Color) : 0;
  }

private:
  TIEQuantizer FQuantizer;
  TIERGBPixel* FPalette;
  int FCount;
};

// The quantizer handles 24-bit images of up to 256 colours; anything else is left to the
// container's own reducer (nil).
TIEColorReducer* QuantizerFactory(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N) {
  if (Bitmap == nullptr || Bitmap->PixelFormat() != ie24RGB || Bitmap->IsEmpty() || N < 1 || N > 256) return nullptr;
  return new TQuantizerReducer(Bitmap, Palette, N);
}

// The processing slot: runs after the IO module's step, which has set IECMYKThroughICC.
void ProcInit() {
  IEProcInitialize();
  IEColorReducerFactory = &QuantizerFactory;
  if (IECMYKThroughICC) IEInstallCMYKTransform();
}

void ProcFree() {
  IECMYKTransform = TIECMYKTransformHook{};
  IEColorReducerFactory = nullptr;
  IEProcFinalize();
}

}  // namespace

void IEImagingStartup() {
  IERegisterCodecs();
  IESetLibraryStep(lsProc, &ProcInit, &ProcFree);
  IELibraryStartup();
}

void IEImagingShutdown() { IELibraryShutdown(); }
