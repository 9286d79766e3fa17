// XMP: an APP1 XMP marker read into the parameter set and written back.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "imaging/io/ieparams.h"
#include "imaging/io/iexmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 24)) return 0;
  try {
    TIOParamsVals p;
    IECheckXMPMarker(Data, static_cast<int>(Size));
    if (IELoadXMPFromMarker(Data, static_cast<int>(Size), &p)) {
      std::vector<uint8_t> out;
      IESaveXMPToMarker(&p, out);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
