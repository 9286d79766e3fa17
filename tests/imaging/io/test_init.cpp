// Library start-up and shut-down: order of the module set-ups, reference counting, the settings.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/ieblend.h"
#include "imaging/core/iedefs.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/iewords.h"

namespace {
std::string Trace;
void CodecInit() { Trace += "J"; }
void CodecFree() { Trace += "j"; }
void ProcInit() { Trace += "P"; }
void ProcFree() { Trace += "p"; }
void WicInit() {
  Trace += "W";
  IEWICAvailable = true;
}
}  // namespace

TEST(LibraryInit, CountedStartupsAndOrderedSteps) {
  IELibraryShutdown();  // before any start-up: nothing
  EXPECT_EQ(IELibraryMarker(), "");
  IESetLibraryStep(lsJ2000, &CodecInit, &CodecFree);
  IESetLibraryStep(lsProc, &ProcInit, &ProcFree);
  Trace.clear();
  IECosineBlendTable[128] = 0;  // a caller's change; the start-up builds the table again
  IELibraryStartup();
  IELibraryStartup();
  EXPECT_EQ(Trace, "JP");  // once, in slot order
  EXPECT_EQ(IELibraryRefCount(), 2);
  EXPECT_EQ(IELibraryMarker(), "STATICINIT");
  EXPECT_NE(IEFindFileFormatInfo(3), nullptr);
  EXPECT_EQ(IEFindFileFormatInfo(29), nullptr);  // no HD Photo support
  EXPECT_EQ(IEGetCaption(3, msEnglish), "OK");
  EXPECT_EQ(IECosineBlendTable[0], 0);
  EXPECT_EQ(IECosineBlendTable[128], 64);
  EXPECT_EQ(IECosineBlendTable[255], 128);
  EXPECT_EQ(IEGrayWeightRed + IEGrayWeightGreen + IEGrayWeightBlue, 100);
  EXPECT_EQ(IEDefaultDpiX, 300);
  EXPECT_EQ(IEMemoryThresholdOverride, -1);
  EXPECT_TRUE(IEAutoFallBackToFile && IEAutoFragmentRows);
  IELibraryShutdown();
  EXPECT_EQ(Trace, "JP");
  EXPECT_NE(IEFindFileFormatInfo(3), nullptr);  // still started (count 1)
  IELibraryShutdown();
  EXPECT_EQ(Trace, "JPpj");  // reverse order
  EXPECT_EQ(IELibraryMarker(), "");
  EXPECT_EQ(IEFindFileFormatInfo(3), nullptr);
  EXPECT_EQ(IEGetCaption(3, msEnglish), "");

  // a later start-up builds everything again; with the imaging component the HD Photo entry exists
  IESetLibraryStep(lsWIC, &WicInit, nullptr);
  IELibraryStartup();
  EXPECT_EQ(Trace, "JPpjWJP");
  EXPECT_NE(IEFindFileFormatInfo(29), nullptr);
  IELibraryShutdown();
  IEWICAvailable = false;
  IESetLibraryStep(lsJ2000, nullptr, nullptr);
  IESetLibraryStep(lsProc, nullptr, nullptr);
}
