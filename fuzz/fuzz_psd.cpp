// PSD: a document read with every layer asked for (records, channels, masks, resources) and
// without layers (the composite), then the layers written back as a document.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/psdfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 22)) return 0;
  for (bool layers : {true, false}) {
    TList list;
    try {
      TIEMemStream ms(Data, static_cast<int64_t>(Size));
      TIEBitmap bitmap;
      TIOParamsVals p;
      p.IsNativePixelFormat = !layers;
      std::atomic<bool> abort{false};
      TIEProgressRec rec;
      rec.Aborting = &abort;
      PsdReadImage(&ms, &bitmap, p, &list, layers, rec);
      if (!abort.load() && list.Count() > 0 && list.Count() < 16) {
        TMemoryStream out;
        PsdWriteImage(&out, p, rec, &list, nullptr);
      }
    } catch (const std::exception&) {
    }
    PsdFreeLayers(&list);
  }
  return 0;
}
