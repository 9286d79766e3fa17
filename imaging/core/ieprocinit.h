// Start-up and shut-down duties of the processing unit, called by the imaging library's start-up
// sequence: the 1-bit expansion table, the filter presets, the clipboard
// format of raw images; the shut-down frees the presets and the built-in CMYK transforms. (The
// start-up that runs these installs the ICC route of the CMYK conversions, IEInstallCMYKTransform,
// when CMYK goes through ICC.)
#pragma once

#include <cstdint>

// The clipboard format name of raw images and the identifier the start-up registered for it.
inline constexpr const char* IEClipboardRawFormatName = "IMAGERY RAW FORMAT";
extern uint32_t IEClipboardRawFormat;

void IEProcInitialize();
void IEProcFinalize();
