// ICC profiles: the bytes as an input profile, converting a few pixels to the built-in sRGB
// profile as a reader does.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/io/iemetadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 24)) return 0;
  try {
    TIEICC in, out;
    in.LoadFromBuffer(Data, static_cast<int>(Size));
    out.LoadSRGB();
    if (in.IsValid()) {
      const uint8_t src[12] = {0, 0, 0, 255, 255, 255, 10, 200, 30, 128, 64, 32};
      uint8_t dst[16] = {};
      in.Transform(src, 1, dst, 1, 4, &out);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
