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
#include <vector>

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

// The IO plug-ins: libraries that registered a file format of their own. This program loads
// none, but the list is kept and emptied at shut-down like the original's.
struct TIEIOPlugin {
  void* LibHandle = nullptr;  // dlopen handle, closed when the plug-in is freed
  int32_t FileType = 0;       // the format it registered
  void* CriticalSection = nullptr;  // a TCriticalSection the plug-in's calls share
  uint32_t Flags = 0;               // ieplNoCriticalSection: it has none
};
constexpr uint32_t ieplNoCriticalSection = 1;
// The list (owned records); valid between IEIOInit and IEIOFree.
std::vector<TIEIOPlugin*>& IEIOPlugins();
// Unregisters each plug-in's format, frees its critical section and library, empties the list.
void IEFreePlugins();

// The debug log: nothing while IEDebugLogFileName is empty (it is by default). Otherwise one line
// "<short date> <time> : <message>" is appended to that file; EInOutError when it cannot be
// written.
extern std::string IEDebugLogFileName;
void IEDebugLog(const std::string& Message);
