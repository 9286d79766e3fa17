// Image input with content detection: the bytes go through the IO front end exactly as a file of
// unknown type does (every registered format's detector, then its reader), once for the whole
// picture and once for its parameters only.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/imageryio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = [] {
    IEImagingStartup();
    return true;
  }();
  (void)started;
  try {
    TImageryIO io(nullptr);
    io.LoadFromBuffer(Data, static_cast<int64_t>(Size), 0);
  } catch (const std::exception&) {
  }
  try {
    TImageryIO io(nullptr);
    TIEMemStream ms(Data, static_cast<int64_t>(Size));
    io.ParamsFromStream(&ms);
  } catch (const std::exception&) {
  }
  return 0;
}
