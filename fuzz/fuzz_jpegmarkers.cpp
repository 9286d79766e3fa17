// JPEG markers: the bytes as a JPEG file read for its parameters (markers, EXIF, IPTC, XMP, ICC
// chunks), then the kept markers sorted as the writer does before it writes them.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = [] {
    IEImagingStartup();
    return true;
  }();
  (void)started;
  try {
    TImageryIO io(nullptr);
    TIEMemStream ms(Data, static_cast<int64_t>(Size));
    io.ParamsFromStreamFormat(&ms, ioJPEG);
    if (io.Params->JPEG_MarkerList) io.Params->JPEG_MarkerList->SortMarkers();
  } catch (const std::exception&) {
  }
  return 0;
}
