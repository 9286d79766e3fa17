// Imaging library start-up and shut-down.
#include "imaging/io/ieinit.h"
#include "imaging/io/iepresets.h"
#include "imaging/io/ieurl.h"

#include <fstream>
#include <memory>
#include <mutex>

#include "imaging/core/ieblend.h"
#include "imaging/core/iedefs.h"
#include "imaging/io/iecolor.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iewords.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/threads.h"

#include <dlfcn.h>

uint8_t IEDialogBackground = 0;
void* IEColorManagementLibrary = nullptr;

namespace {

void GrayCoefficientsInit() {
  IESetGrayCoefficients();
  IEDialogBackground = 0;
}

void UtilsInit() {
  IEInitCaptionTables();
  IEMemoryThresholdOverride = -1;
  IEAutoFallBackToFile = true;
  IEAutoFragmentRows = true;
  IEColorManagementLibrary = nullptr;
  IEBuildCosineBlendTable();
}

void UtilsFree() {
  IEColorManagementLibrary = nullptr;
  IEFreeCaptionTables();
}

void ImageryViewInit() {
  IEDefaultDpiX = 300;
  IEDefaultDpiY = 300;
}

void WICInit() { IEWICAvailable = false; }  // no imaging component on this platform

struct TSlot {
  TIELibraryStepProc Init, Free;
};
TSlot Slots[IELibraryStepCount] = {
    {nullptr, nullptr},                        // lsGdiPlus
    {&WICInit, nullptr},                       // lsWIC
    {&GrayCoefficientsInit, nullptr},          // lsGrayCoefficients
    {&UtilsInit, &UtilsFree},                  // lsUtils
    {nullptr, nullptr},                        // lsJ2000
    {nullptr, nullptr},                        // lsVect
    {&IEIOInit, &IEIOFree},                    // lsIO
    {nullptr, nullptr},                        // lsProc
    {&ImageryViewInit, nullptr},               // lsImageryView
    {nullptr, nullptr},                        // lsCCITT
    {nullptr, nullptr},                        // lsTextControl
    {&IEPresetImagesInit, &IEPresetImagesFree},  // lsPresetImages
};

std::string Marker;
int32_t RefCount = 0;
std::unique_ptr<std::mutex> Lock;

}  // namespace

int32_t IEMetafileSizeLimit = 8000;

// The LZW hooks keep what the codec library installed (it fills them when it registers itself).
void IEIOInit() {
  IEFileExistsByLibrary = false;
  IEInitFileFormats();
  IEConvertColorFunction = &IEDefaultConvertColor;
  IEColorManagement = false;
  IECMYKThroughICC = true;
  IEMetafileSizeLimit = 8000;
  // The transfer library of downloads is loaded at the first download (IEInitWinInet), so the
  // start-up of programs that never download stays as light as before.
}

void IEIOFree() {
  IEFreePlugins();
  IEFreeFileFormats();
  IEFreeWinInet();
}

std::vector<TIEIOPlugin*>& IEIOPlugins() {
  static std::vector<TIEIOPlugin*> plugins;
  return plugins;
}

void IEFreePlugins() {
  for (TIEIOPlugin* p : IEIOPlugins()) {
    IEUnregisterFileFormat(p->FileType);
    if ((p->Flags & ieplNoCriticalSection) == 0) delete static_cast<TCriticalSection*>(p->CriticalSection);
    if (p->LibHandle != nullptr) dlclose(p->LibHandle);
    delete p;
  }
  IEIOPlugins().clear();
}

std::string IEDebugLogFileName;

void IEDebugLog(const std::string& Message) {
  if (IEDebugLogFileName.empty()) return;
  // The log stays open between messages; each message reopens it under the current name, so a
  // name changed in between takes effect at once.
  static std::ofstream log;
  static std::mutex logLock;
  std::lock_guard<std::mutex> g(logLock);
  if (log.is_open()) log.close();
  log.clear();
  log.open(IEDebugLogFileName, std::ios::app | std::ios::binary);
  const TDateTime now = Now();
  if (log.is_open()) log << DateToStr(now) << " " << TimeToStr(now) << " : " << Message << "\n";
  if (!log.is_open() || !log.flush()) {
    log.close();
    throw EInOutError("Unable to write the debug log \"" + IEDebugLogFileName + "\"");
  }
}

void IESetLibraryStep(TIELibraryStep Step, TIELibraryStepProc Init, TIELibraryStepProc Free) {
  if (Step >= IELibraryStepCount) return;
  Slots[Step] = {Init, Free};
}

void IELibraryStartup() {
  // The first start-up (and the last shut-down) come from one thread while no other uses the
  // library, as module initialisation guarantees: this test is outside the lock.
  if (Marker != "STATICINIT") {
    Marker = "STATICINIT";
    RefCount = 0;
    Lock = std::make_unique<std::mutex>();
  }
  std::lock_guard<std::mutex> g(*Lock);
  if (RefCount == 0)
    for (const TSlot& s : Slots)
      if (s.Init != nullptr) s.Init();
  ++RefCount;
}

void IELibraryShutdown() {
  if (Marker != "STATICINIT") return;
  bool last = false;
  {
    std::lock_guard<std::mutex> g(*Lock);
    --RefCount;
    if (RefCount <= 0) {
      RefCount = 0;
      for (int i = IELibraryStepCount - 1; i >= 0; --i)
        if (Slots[i].Free != nullptr) Slots[i].Free();
      Marker.clear();
      last = true;
    }
  }
  if (last) Lock.reset();
}

int32_t IELibraryRefCount() { return RefCount; }
std::string IELibraryMarker() { return Marker; }
