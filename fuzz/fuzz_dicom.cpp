// DICOM: the element walk into the tag list, the frame count, and the pixel data of the first and
// of a later frame (native, RLE, JPEG lossless and baseline decoding).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/dicomfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 22)) return 0;
  try {
    TIEMemStream ms(Data, static_cast<int64_t>(Size));
    DicomFrameCount(&ms);
  } catch (const std::exception&) {
  }
  for (int index : {0, 2}) {
    try {
      TIEMemStream ms(Data, static_cast<int64_t>(Size));
      TIEBitmap bitmap;
      TIOParamsVals p;
      p.ImageIndex = index;
      std::atomic<bool> abort{false};
      TIEProgressRec rec;
      rec.Aborting = &abort;
      DicomReadImage(&ms, p, &bitmap, false, rec);
    } catch (const std::exception&) {
    }
  }
  return 0;
}
