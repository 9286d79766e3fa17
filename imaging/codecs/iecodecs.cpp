// Start-up of the codec library (see iecodecs.h).
#include "imaging/codecs/iecodecs.h"

#include "imaging/codecs/bmpfilt.h"
#include "imaging/codecs/ieicofilt.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/pngfilt.h"

void IERegisterCodecs() {
  IERegisterJpegCodec();
  IERegisterPngCodec();
  IERegisterBmpCodec();
  IERegisterIcoCodec();
}
