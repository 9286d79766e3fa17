// The format registry: look-ups by id and extension, extension lists, registration.
#include <gtest/gtest.h>

#include "imaging/io/iefileformats.h"

class FileFormats : public ::testing::Test {
protected:
  void SetUp() override { IEInitFileFormats(); }
  void TearDown() override {
    IEWICAvailable = false;
    IEInitFileFormats();
  }
};

TEST_F(FileFormats, ExtensionLookUpIgnoresCaseAndOneDot) {
  struct Case {
    const char* Ext;
    int32_t Want;  // 0: nil
  } cases[] = {{".TIFF", 1}, {"tiff", 1}, {"G3F", 1}, {"jif", 3}, {"avi", 0}, {"", 0}, {".", 0},
               {"..tif", 0}, {"dcm", 28}, {"nef", 20}, {"eps", 17}, {"PIX", 11}};
  for (const Case& c : cases) {
    TIEFileFormatInfo* e = IEFindFileFormatInfoByExt(c.Ext);
    EXPECT_EQ(e ? e->FileType : 0, c.Want) << c.Ext;
  }
}

TEST_F(FileFormats, ExtensionCountsAndItems) {
  EXPECT_EQ(IEFileFormatExtCount(1), 6);
  EXPECT_EQ(IEFileFormatExtCount(20), 13);
  EXPECT_EQ(IEFileFormatExtCount(21), 0);
  EXPECT_EQ(IEFileFormatExtCount(99), 0);
  EXPECT_EQ(IEFileFormatGetExt(3, 1), "JPEG");
  EXPECT_EQ(IEFileFormatGetExt(3, 4), "");
}

TEST_F(FileFormats, ReadersAndWritersAsRegistered) {
  for (int ft : {17, 18}) EXPECT_EQ(IEFindFileFormatInfo(ft)->ReadFunction, nullptr) << ft;
  for (int ft : {7, 9, 10, 20, 28}) EXPECT_EQ(IEFindFileFormatInfo(ft)->WriteFunction, nullptr) << ft;
  TIEFileFormatInfo* jpeg = IEFindFileFormatInfo(3);
  EXPECT_EQ(jpeg->FullName, "JPEG Bitmap");
  EXPECT_TRUE(jpeg->InternalFormat);
  EXPECT_EQ(jpeg->DialogPage, ppJPEG);
  EXPECT_FALSE(jpeg->TryFunction(nullptr, 3));
  EXPECT_EQ(IEFindFileFormatInfo(15), nullptr);  // AVI has no entry
}

TEST_F(FileFormats, HDPhotoOnlyWhenSupported) {
  EXPECT_EQ(IEFindFileFormatInfo(29), nullptr);
  IEWICAvailable = true;
  IEInitFileFormats();
  ASSERT_NE(IEFindFileFormatInfo(29), nullptr);
  EXPECT_EQ(IEFindFileFormatInfoByExt("wdp")->FileType, 29);
}

TEST_F(FileFormats, PluginRegistrationAndRemoval) {
  int before = IEFileFormatCount();
  auto* e = new TIEFileFormatInfo();
  e->FileType = 100;
  e->Extensions = "ABC;XYZ";
  EXPECT_EQ(IERegisterFileFormat(e), before);
  EXPECT_EQ(IEFindFileFormatInfoByExt("xyz"), e);
  IEUnregisterFileFormat(100);
  EXPECT_EQ(IEFindFileFormatInfo(100), nullptr);
  IEUnregisterFileFormat(100);  // absent: nothing
  EXPECT_EQ(IEFileFormatCount(), before);
}
