// Prepared pages: the bytes as a .pp3 file loaded into a report's prepared pages; the first
// pages are taken out of the file and drawn small, as the preview does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  rptServices().AskPassword = nullptr;
  try {
    TrptReport report(nullptr);
    report.EngineOptions()->SilentMode = true;
    TrptPreviewPages pages(&report);
    TMemoryStream in;
    if (Size) in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    pages.LoadFromStream(&in);
    TBitmap canvas;
    canvas.SetSize(64, 64);
    for (int i = 0; i < std::min(pages.PageCount(), 2); ++i) {
      int w = 0, h = 0;
      pages.PageSizeAt(i, w, h);
      pages.DrawPage(i, canvas.Canvas(), 0.05, 0.05, 0, 0);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
