// Metafile content tests (see iemetafile.h).
#include "imaging/codecs/iemetafile.h"

#include <cstdint>

#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "platform/rtl/streams.h"

bool EmfDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t h[100] = {};
  const int64_t n = Stream->Read(h, sizeof(h));
  Stream->SetPosition(start);
  // The header record: type 1, and the signature " EMF" at offset 40.
  return n >= 44 && IELE32(h) == 1 && IELE32(h + 40) == 0x464D4520u;
}

bool WmfDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  bool result = false;
  uint8_t h[22] = {};
  if (Stream->Read(h, 20) == 20) {
    // A placeable header (its key first) is 22 bytes long; the metafile header follows it.
    Stream->SetPosition(IELE32(h) == 0x9AC6CDD7u ? start + 22 : start);
    uint8_t m[18];
    if (Stream->Read(m, 18) == 18) result = IELE16(m) == 1 && IELE16(m + 2) == 9 && IELE16(m + 16) == 0;
  }
  Stream->SetPosition(start);
  return result;
}

void IERegisterMetafileDetection() {
  IECodecs.WmfDetect = WmfDetect;
  IECodecs.EmfDetect = EmfDetect;
}
