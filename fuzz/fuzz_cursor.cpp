// Cursor files: the bytes as a .cur (or .ico) file loaded as a cursor.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_common.h"
#include "platform/win/winuser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  const std::string path = orvfuzz::WriteScratchFile("fuzz.cur", Data, Size);
  if (HCURSOR cursor = LoadCursorFromFile(path.c_str())) DestroyCursor(cursor);
  return 0;
}
