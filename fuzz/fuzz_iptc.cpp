// IPTC records: an APP13 Photoshop block or a raw IPTC block, read and written back.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "imaging/io/iemarkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 24)) return 0;
  try {
    TIEIPTCInfoList list;
    if (list.LoadFromStandardBuffer(Data, static_cast<int>(Size))) {
      std::vector<uint8_t> out;
      list.SaveToStandardBuffer(out, true);
      TIEIPTCInfoList back;
      back.LoadFromStandardBuffer(out.data(), static_cast<int>(out.size()));
    }
  } catch (const std::exception&) {
  }
  return 0;
}
