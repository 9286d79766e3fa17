// Imaging library start-up and shut-down: the module set-ups run once, in a fixed order, under a
// process-wide lock and a reference count; the shut-down runs the clean-ups in reverse order when
// the last start-up is matched.
//
// Modules of other libraries (codecs, views, processing) plug their steps into the fixed slots
// with IESetLibraryStep before the first start-up; this library fills its own slots (grey
// coefficients, utilities and captions, the IO module with the format registry) and a default
// for the view slot that sets the library-wide default DPI of 300 x 300.
#pragma once

#include <cstdint>
#include <string>

enum TIELibraryStep : uint8_t {
  lsGdiPlus, lsWIC, lsGrayCoefficients, lsUtils, lsJ2000, lsVect, lsIO, lsProc, lsImageryView, lsCCITT,
  lsTextControl, lsPresetImages
};
constexpr int IELibraryStepCount = 12;

using TIELibraryStepProc = void (*)();
// Installs the set-up and clean-up routines of one slot (nil leaves the slot empty).
void IESetLibraryStep(TIELibraryStep Step, TIELibraryStepProc Init, TIELibraryStepProc Free);

void IELibraryStartup();
void IELibraryShutdown();
// The reference count and the start-up marker ("STATICINIT" while started).
int32_t IELibraryRefCount();
std::string IELibraryMarker();

// Library-wide settings of the start-up (the utilities step also rebuilds the container's
// IECosineBlendTable, imaging/core/ieblend.h).
extern uint8_t IEDialogBackground;
extern void* IEColorManagementLibrary;
extern int32_t IEMetafileSizeLimit;  // 8000 pixels  // never loaded here: colour management goes through lcms2

// The IO module's own steps (installed in the lsIO slot by default).
void IEIOInit();
void IEIOFree();
