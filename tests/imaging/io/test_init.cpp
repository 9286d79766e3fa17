// Library start-up and shut-down: order of the module set-ups, reference counting, the settings.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/ieblend.h"
#include "imaging/core/iedefs.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/iepresets.h"
#include "platform/rtl/lists.h"
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

namespace {

uint32_t PresetBigEndian(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

struct TPresetCase {
  int32_t Length;
  uint32_t Width, Height;
  uint8_t ColourType;  // 6 RGBA, 2 RGB, 3 palette
  TIERect Rect;
};

const TPresetCase kPresetCases[] = {
    {9376, 162, 159, 6, {18, 29, 140, 119}},
    {1055, 112, 100, 2, {13, 1, 95, 98}},
    {1252, 163, 108, 3, {30, 14, 147, 92}},
    {3329, 150, 150, 3, {17, 17, 131, 131}},
};

}  // namespace

TEST(LibraryInit, PresetImagesLiveFromStartupToShutdown) {
  ASSERT_EQ(IEPresetImages, nullptr);
  IELibraryStartup();
  ASSERT_NE(IEPresetImages, nullptr);
  ASSERT_EQ(IEPresetImages->Count(), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TPresetCase& c = kPresetCases[i];
    const auto* p = static_cast<const TIEPresetImage*>(IEPresetImages->Items(i));
    EXPECT_EQ(p->DataLength, c.Length);
    EXPECT_EQ(p->FileType, ioPNG);
    EXPECT_EQ(p->Rect.Left, c.Rect.Left);
    EXPECT_EQ(p->Rect.Top, c.Rect.Top);
    EXPECT_EQ(p->Rect.Right, c.Rect.Right);
    EXPECT_EQ(p->Rect.Bottom, c.Rect.Bottom);
    // A PNG signature, then the header chunk with the picture's size and colour type.
    ASSERT_GT(p->DataLength, 33);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p->Data) + 1, 3), "PNG");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p->Data) + 12, 4), "IHDR");
    EXPECT_EQ(PresetBigEndian(p->Data + 16), c.Width);
    EXPECT_EQ(PresetBigEndian(p->Data + 20), c.Height);
    EXPECT_EQ(p->Data[25], c.ColourType);
    // The window lies inside the picture.
    EXPECT_LE(uint32_t(c.Rect.Right), c.Width);
    EXPECT_LE(uint32_t(c.Rect.Bottom), c.Height);
  }
  IELibraryStartup();  // counted: the list stays the same
  IELibraryShutdown();
  EXPECT_NE(IEPresetImages, nullptr);
  IELibraryShutdown();
  EXPECT_EQ(IEPresetImages, nullptr);
}
