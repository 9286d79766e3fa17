// The headless display back end: windows exist only as surfaces in memory. Nothing is shown and
// no input arrives except what tests inject; this is the default without a display. Its one
// monitor is the pretended screen (1920 x 1080, a 30-pixel task bar at the bottom), which the
// monitor code makes when a back end reports no displays; tests set other layouts through
// SetMonitorLayout.
#include "platform/win/wnd_internal.h"

namespace {
class THeadlessBackend : public TDisplayBackend {
public:
  const char* Name() const override { return "headless"; }
};
}  // namespace

std::unique_ptr<TDisplayBackend> CreateHeadlessBackend() { return std::make_unique<THeadlessBackend>(); }
