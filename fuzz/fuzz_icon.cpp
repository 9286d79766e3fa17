// Icon files: the bytes as an .ico stream loaded into an icon of the class library, which is then
// turned into a handle as a form's icon is.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  try {
    TMemoryStream in;
    if (Size) in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(&in);
    if (!icon.Empty()) icon.Handle();
  } catch (const std::exception&) {
  }
  return 0;
}
