// HD Photo input: the bytes go to the HD Photo reader (whose decoder runs in a child process), once
// with the native pixel format and once with 24-bit output.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/iecodecs.h"
#include "imaging/codecs/hdpfilt.h"
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
  for (bool native : {true, false}) {
    try {
      TIEMemStream ms(Data, static_cast<int64_t>(Size));
      TIEBitmap bitmap;
      TIOParamsVals params;
      std::atomic<bool> abort{false};
      TIEProgressRec progress;
      progress.Aborting = &abort;
      params.IsNativePixelFormat = native;
      HdPhotoReadImage(&ms, &bitmap, params, progress, false);
    } catch (const std::exception&) {
    }
  }
  return 0;
}
