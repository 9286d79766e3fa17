// The skin store: the bytes as an inflated stored skin (version, pictures, description text),
// deflated into a stored skin as the skin file is, then loaded into a skin store.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "platform/rtl/streams.h"
#include "skins/ksskindata.h"
#include "skins/kszlibcompress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  try {
    TMemoryStream raw;
    if (Size) raw.WriteBuffer(Data, static_cast<int64_t>(Size));
    raw.SetPosition(0);
    TksCompressedStoredSkin stored(nullptr);
    CompressStream(&raw, &stored.CompressedData());
    TksSkinData store(nullptr);
    store.LoadCompressedStoredSkin(&stored);
  } catch (const std::exception&) {
  }
  return 0;
}
