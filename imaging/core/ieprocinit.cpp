// Start-up and shut-down duties of the processing unit.
#include "imaging/core/ieprocinit.h"

#include "imaging/core/iedib.h"
#include "imaging/core/iecmykprofile.h"
#include "imaging/core/ietransform.h"

uint32_t IEClipboardRawFormat = 0;

namespace {
// Clipboard formats registered by name take identifiers from 0xC000 up, as the system does; the
// window layer has no clipboard registry of its own yet, so the identifier is kept here.
constexpr uint32_t kFirstRegisteredFormat = 0xC000;
}  // namespace

void IEProcInitialize() {
  IEBuildBitExpandTable();
  IEInitFilterPresets();
  if (!IEClipboardRawFormat) IEClipboardRawFormat = kFirstRegisteredFormat;
}

void IEProcFinalize() {
  IEFreeFilterPresets();
  IEFreeCMYKTransform();
}
