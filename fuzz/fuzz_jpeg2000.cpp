// JPEG 2000 input: the bytes go to the JPEG 2000 reader as a JP2 file or code stream, once for
// the parameters only and once for the whole picture.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/iecodecs.h"
#include "imaging/codecs/jp2filt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = [] {
    IEImagingStartup();
    return true;
  }();
  (void)started;
  for (bool preview : {true, false}) {
    try {
      TIEMemStream ms(Data, static_cast<int64_t>(Size));
      TIEBitmap bitmap;
      TIOParamsVals params;
      std::atomic<bool> abort{false};
      TIEProgressRec progress;
      progress.Aborting = &abort;
      Jpeg2000ReadImage(&ms, &bitmap, params, progress, preview);
    } catch (const std::exception&) {
    }
  }
  return 0;
}
