// EXIF and GPS metadata between parameter sets and EXIF blocks.
#include "imaging/io/ieexif.h"

#include <cstring>

bool IEIsEXIFMarker(const void* Data, int Length) {
  if (Data == nullptr || Length < 4) return false;
  const auto* d = static_cast<const char*>(Data);
  // Read as zero-terminated text: "Exif" followed by a zero byte or the end of the data.
  return std::memcmp(d, "Exif", 4) == 0 && (Length == 4 || d[4] == 0);
}
