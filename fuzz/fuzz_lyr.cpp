// Layer files: detection, then loading into a view without a window; a file that loads is
// flattened when its picture is small, saved again with deflated images and loaded back.
#include <algorithm>
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
    // The flattened picture spans every layer: the first layer's size, widened by the farthest
    // right edge and the leftmost start before 0, and likewise down, so two small layers far
    // apart make a large picture.
    if (view.GetLayersCount() == 0) return 0;
    int64_t left = 0, top = 0, right = view.GetLayer(0)->GetWidth(), bottom = view.GetLayer(0)->GetHeight();
    for (int i = 0; i < view.GetLayersCount(); ++i) {
      TIELayer* l = view.GetLayer(i);
      left = std::min<int64_t>(left, l->Left);
      top = std::min<int64_t>(top, l->Top);
      right = std::max<int64_t>(right, int64_t{l->Left} + l->GetWidth());
      bottom = std::max<int64_t>(bottom, int64_t{l->Top} + l->GetHeight());
    }
    if ((right - left) * (bottom - top) < (1 << 20)) view.FlattenLayers();
  } catch (const std::exception&) {
  }
  return 0;
}
