// Report templates: the bytes as a .rp3 file loaded into a report, which is then saved again.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "platform/rtl/streams.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  rptServices().AskPassword = nullptr;
  try {
    TrptReport report(nullptr);
    report.EngineOptions()->SilentMode = true;
    TMemoryStream in;
    if (Size) in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    report.LoadFromStream(&in);
    TMemoryStream out;
    report.SaveToStream(&out);
  } catch (const std::exception&) {
  }
  return 0;
}
