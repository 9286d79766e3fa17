// The format registry: look-ups by id and extension, extension lists, registration.
#include <gtest/gtest.h>

#include <iterator>

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

// The whole built-in registry in registration order: id, name, extensions, dialog page, reader
// and writer present, internal, and a content test that answers false.
TEST_F(FileFormats, EveryBuiltInEntryInRegistrationOrder) {
  struct Row {
    int32_t FileType;
    const char* FullName;
    const char* Extensions;
    TIEDialogPages Page;
    bool R, W;
  } rows[] = {
      {1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", 8, true, true},
      {2, "CompuServe Bitmap", "GIF", 16, true, true},
      {3, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", 4, true, true},
      {4, "PaintBrush", "PCX", 64, true, true},
      {5, "Windows Bitmap", "BMP;DIB;RLE", 32, true, true},
      {21, "Raw Bitmap", "", 0, true, true},
      {6, "Windows Icon", "ICO", 0, true, true},
      {7, "Windows Cursor", "CUR", 0, true, false},
      {8, "Portable Network Graphics", "PNG", 128, true, true},
      {28, "DICOM Bitmap", "DCM;DIC;DICOM", 0, true, false},
      {9, "Windows Metafile", "WMF", 0, true, false},
      {10, "Enhanced Windows Metafile", "EMF", 0, true, false},
      {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", 256, true, true},
      {12, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
      {16, "Wireless Bitmap", "WBMP", 0, true, true},
      {13, "JPEG2000", "JP2", 512, true, true},
      {14, "JPEG2000 Code Stream", "J2K;JPC;J2C", 512, true, true},
      {17, "PostScript Level 2", "PS;EPS", 0, false, true},
      {18, "Adobe PDF", "PDF", 0, false, true},
      {19, "Multipage PCX", "DCX", 0, true, true},
      {20, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR;SR2", 0, true, false},
      {24, "Photoshop PSD", "PSD", 0, true, true},
      {25, "Vectorial objects", "IEV", 0, true, true},
      {26, "Layers", "LYR", 0, true, true},
      {27, "Layers and objects", "ALL", 0, true, true},
      {29, "Microsoft HD Photo", "WDP;HDP", 0, true, true},
  };
  const int n = static_cast<int>(std::size(rows));
  for (bool wic : {false, true}) {
    IEWICAvailable = wic;
    IEInitFileFormats();
    ASSERT_EQ(IEFileFormatCount(), wic ? n : n - 1);
    for (int i = 0; i < IEFileFormatCount(); ++i) {
      const Row& r = rows[i];
      TIEFileFormatInfo* e = IEFileFormatByIndex(i);
      ASSERT_NE(e, nullptr) << i;
      EXPECT_EQ(e->FileType, r.FileType) << i;
      EXPECT_EQ(e->FullName, r.FullName) << r.FileType;
      EXPECT_EQ(e->Extensions, r.Extensions) << r.FileType;
      EXPECT_EQ(e->DialogPage, r.Page) << r.FileType;
      EXPECT_EQ(e->ReadFunction != nullptr, r.R) << r.FileType;
      EXPECT_EQ(e->WriteFunction != nullptr, r.W) << r.FileType;
      EXPECT_TRUE(e->InternalFormat) << r.FileType;
      ASSERT_NE(e->TryFunction, nullptr) << r.FileType;
      EXPECT_FALSE(e->TryFunction(nullptr, r.FileType)) << r.FileType;
      EXPECT_EQ(IEFindFileFormatInfo(r.FileType), e) << r.FileType;
    }
  }
  for (int32_t unused : {0, 15, 22, 23}) EXPECT_EQ(IEFindFileFormatInfo(unused), nullptr) << unused;
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
