// The headless display back end: windows exist only as surfaces in memory. Nothing is shown and
// no input arrives except what tests inject; this is the default without a display.
#include "platform/win/wnd_internal.h"

namespace {
class THeadlessBackend : public TDisplayBackend {
public:
  const char* Name() const override { return "headless"; }
};
}  // namespace

std::unique_ptr<TDisplayBackend> CreateHeadlessBackend() { return std::make_unique<THeadlessBackend>(); }
