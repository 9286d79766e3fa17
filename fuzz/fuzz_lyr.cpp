// Layer files: detection, then loading into a view without a window; a file that loads is
// flattened when its picture is small, saved again with deflated images and loaded back.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iestreams.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = [] {
    IEImagingStartup();
    return true;
  }();
  (void)started;
  if (Size > (1u << 22)) return 0;
  try {
    TIEMemStream ms(Data, static_cast<int64_t>(Size));
    (void)LyrDetect(&ms);
    TImageryView view(nullptr);
    if (!view.LoadLayersFromStream(&ms) || view.GetLayersCount() > 16) return 0;
    TMemoryStream again;
    view.SaveLayersToStream(&again, -1);
    again.SetPosition(0);
    (void)view.LoadLayersFromStream(&again);
    int64_t area = 0;
    for (int i = 0; i < view.GetLayersCount(); ++i) {
      TIELayer* l = view.GetLayer(i);
      area += (int64_t{l->GetWidth()} + (l->Left < 0 ? -int64_t{l->Left} : l->Left)) *
              (int64_t{l->GetHeight()} + (l->Top < 0 ? -int64_t{l->Top} : l->Top));
    }
    if (area < (1 << 20)) view.FlattenLayers();
  } catch (const std::exception&) {
  }
  return 0;
}
