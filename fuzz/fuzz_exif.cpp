// EXIF and TIFF directories: the bytes as an APP1 EXIF block, as a TIFF stream and as a camera
// file searched for its TIFF header; what was read is written back out, as a save after a load
// does.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "imaging/core/iestreams.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/ieparams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 24)) return 0;
  const int length = static_cast<int>(Size);
  try {
    TIOParamsVals p;
    if (IELoadEXIFFromStandardBuffer(Data, length, &p)) {
      std::vector<uint8_t> out;
      IESaveEXIFToStandardBuffer(&p, out, true);
    }
  } catch (const std::exception&) {
  }
  try {
    TIOParamsVals p;
    TIEMemStream ms(Data, length);
    if (IELoadEXIFFromTIFF(&ms, &p)) {
      std::vector<uint8_t> out;
      IESaveEXIFToStandardBuffer(&p, out, false);
    }
  } catch (const std::exception&) {
  }
  try {
    TIOParamsVals p;
    TIEMemStream ms(Data, length);
    IELoadRawEXIF(&ms, &p);
  } catch (const std::exception&) {
  }
  return 0;
}
