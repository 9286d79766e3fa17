// Content detection over a table of small generated files of every format the registry knows,
// of non-image data and of damaged headers; the extension corrections of file detection.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/iestreams.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;
using Bytes = std::vector<uint8_t>;

static Bytes Pad(Bytes b, size_t n, uint8_t v = 0) {
  b.resize(std::max(b.size(), n), v);
  return b;
}
static Bytes Str(const std::string& s, size_t n = 0) { return Pad(Bytes(s.begin(), s.end()), n); }
static Bytes At(size_t off, const std::string& s, size_t n) {
  Bytes b(off, 0);
  b.insert(b.end(), s.begin(), s.end());
  return Pad(b, n);
}
static Bytes Icon(uint16_t Type) {
  Bytes b = {0, 0, uint8_t(Type), 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 40, 0, 0, 0, 22, 0, 0, 0};
  return Pad(b, 22 + 40);
}

struct DetectCase {
  const char* Name;
  Bytes Data;
  int32_t Want;
};

static std::vector<DetectCase> Cases() {
  return {
      {"jpeg stream header", Pad(Str("JFIF", 5), 20), ioJPEG},
      {"plain jpeg", Pad({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'}, 64), ioJPEG},
      {"jpeg after 100 bytes of junk", Pad(At(100, "\xFF\xD8\xFF", 110), 160, 1), ioJPEG},
      {"gif", Str("GIF89a", 20), ioGIF},
      {"gif of 13 bytes is too small", Str("GIF89a", 13), 0},
      {"pcx stream header", Str("PCX2", 20), ioPCX},
      {"old pcx header", Str("PCX", 8), ioPCX},
      {"bmp", Str("BM", 60), ioBMP},
      {"pcx file", Pad({0x0A, 5, 1, 8}, 200), ioPCX},
      {"tiff stream header", Str("TIFF", 20), ioTIFF},
      {"tiff intel", Pad({'I', 'I', 42, 0, 8, 0, 0, 0}, 32), ioTIFF},
      {"tiff motorola", Pad({'M', 'M', 0, 42, 0, 0, 0, 8}, 32), ioTIFF},
      {"png", Pad({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13}, 40), ioPNG},
      {"dicom", At(128, "DICM", 200), ioDICOM},
      {"icon", Icon(1), ioICO},
      {"cursor", Icon(2), ioCUR},
      {"targa", Pad({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0}, 18 + 48), ioTGA},
      {"pnm", Str("P6\n4 4\n255\n", 60), ioPXM},
      {"jp2", Pad({0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10}, 40), ioJP2},
      {"j2k", Pad({0xFF, 0x4F, 0xFF, 0x51}, 40), ioJ2K},
      {"avi", Pad({'R', 'I', 'F', 'F', 0x10, 0, 0, 0, 'A', 'V', 'I', ' ', 'L', 'I', 'S', 'T'}, 40), ioAVI},
      {"dcx", Pad({0xB1, 0x68, 0xDE, 0x3A}, 40), ioDCX},
      {"placeable wmf", Pad({0xD7, 0xCD, 0xC6, 0x9A}, 40), ioWMF},
      {"plain wmf", Pad({1, 0, 9, 0, 0, 3}, 40), ioWMF},
      {"psd", Str("8BPS", 40), ioPSD},
      {"raf raw", Str("FUJIFILMCCD-RAW", 64), ioRAW},
      {"mrw raw", Pad({0, 'M', 'R', 'M', 0, 0, 0, 8}, 64), ioRAW},
      {"x3f raw", Str("FOVb", 64), ioRAW},
      {"crw raw", Pad({'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'}, 64), ioRAW},
      {"gif87a", Str("GIF87a", 20), ioGIF},
      {"jpeg without JFIF at the start", Pad({0xFF, 0xD8, 0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f'}, 64), ioJPEG},
      {"pbm plain", Str("P1\n2 2\n0 1 1 0\n", 40), ioPXM},
      {"pgm with a comment", Str("P5#c\n4 4\n255\n", 60), ioPXM},
      {"not a pnm: P7", Str("P7\n4 4\n", 40), 0},
      {"bm of 14 bytes is too small", Str("BM", 14), 0},
      // the first test that matches decides: signatures before a JPEG start found further on
      {"png holding a jpeg start", Pad(Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0xFF, 0xD8, 0xFF, 0xE0}, 40), ioPNG},
      {"bmp holding a jpeg start", Pad(Bytes{'B', 'M', 0xFF, 0xD8, 0xFF}, 60), ioBMP},
      {"psd after a jpeg start", Pad(Bytes{'8', 'B', 'P', 'S', 0xFF, 0xD8, 0xFF}, 40), ioJPEG},
      {"random binary", Bytes{0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}, 0},
      {"text", Str("hello, this is not an image at all, just words.", 64), 0},
      {"zeros", Bytes(300, 0), 0},
      {"empty", Bytes(), 0},
      {"tga with a bad depth", Pad({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 23, 0}, 66), 0},
      {"icon whose data lies outside", Bytes{0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 40, 0, 0, 0, 0xFF, 0xFF, 0, 0}, 0},
  };
}

static Bytes Emf() {
  Bytes b = At(40, " EMF", 88);
  b[0] = 1;
  return b;
}

TEST(Detect, StreamFormatOfEveryKind) {
  IEInitFileFormats();
  auto cases = Cases();
  cases.push_back({"emf", Emf(), ioEMF});
  for (auto& c : cases) {
    // at a non-zero position inside a larger stream, restored afterwards
    Bytes whole(7, 0xEE);
    whole.insert(whole.end(), c.Data.begin(), c.Data.end());
    TIEMemStream s(whole.data(), int64_t(whole.size()));
    s.SetPosition(7);
    int32_t want = c.Want;
    // the size tests look at the whole stream: the small "GIF" case needs its exact size
    if (std::string(c.Name).find("too small") != std::string::npos) {
      TIEMemStream exact(c.Data.data(), int64_t(c.Data.size()));
      EXPECT_EQ(IEFindStreamFormat(&exact), want) << c.Name;
      continue;
    }
    EXPECT_EQ(IEFindStreamFormat(&s), want) << c.Name;
    EXPECT_EQ(s.Position(), 7) << c.Name;
  }
  IEFreeFileFormats();
}

static bool TryMine(TStream* S, int32_t) {
  char b[4] = {};
  return S->Read(b, 4) == 4 && std::memcmp(b, "MINE", 4) == 0;
}

TEST(Detect, PluginContentTestsAndCodecHooks) {
  IEInitFileFormats();
  auto* e = new TIEFileFormatInfo();
  e->FileType = 120;
  e->Extensions = "MIN";
  e->TryFunction = &TryMine;
  IERegisterFileFormat(e);
  Bytes mine = Str("MINE", 32);
  TIEMemStream s(mine.data(), int64_t(mine.size()));
  EXPECT_EQ(IEFindStreamFormat(&s), 120);
  // a TIFF that the RAW identification claims is camera RAW
  TIECodecs saved = IECodecs;
  IECodecs.IsCameraRaw = [](TStream*) { return true; };
  Bytes t = Pad({'I', 'I', 42, 0, 8, 0, 0, 0}, 32);
  TIEMemStream ts(t.data(), int64_t(t.size()));
  EXPECT_EQ(IEFindStreamFormat(&ts), ioRAW);
  IECodecs = saved;
  // The formats only a codec or a view can recognise: layers, vector objects, both, HD Photo.
  struct HookCase {
    bool (*TIECodecs::*Hook)(TStream*);
    int32_t Want;
  } hooks[] = {{&TIECodecs::IsVectorObjectsFile, ioIEV},
               {&TIECodecs::IsLayersFile, ioLYR},
               {&TIECodecs::IsLayersObjectsFile, ioALL}};
  Bytes other = Str("no known signature here", 40);
  for (const auto& h : hooks) {
    TIEMemStream os(other.data(), int64_t(other.size()));
    EXPECT_EQ(IEFindStreamFormat(&os), 0) << h.Want;
    IECodecs.*(h.Hook) = [](TStream*) { return true; };
    os.SetPosition(3);
    EXPECT_EQ(IEFindStreamFormat(&os), h.Want);
    EXPECT_EQ(os.Position(), 3) << h.Want;
    IECodecs = saved;
  }
  const bool wic = IEWICAvailable;
  Bytes hdp = Pad({'I', 'I', 0xBC, 1, 8, 0, 0, 0}, 40);
  TIEMemStream hs(hdp.data(), int64_t(hdp.size()));
  IEWICAvailable = false;
  EXPECT_NE(IEFindStreamFormat(&hs), ioHDP);
  IEWICAvailable = true;
  EXPECT_EQ(IEFindStreamFormat(&hs), ioHDP);
  IEWICAvailable = wic;
  IEFreeFileFormats();
}

TEST(Detect, ReadFailuresEndDetectionQuietly) {
  // A stream whose reads raise: detection answers 0 and does not raise.
  class TBrokenStream : public TStream {
  public:
    int64_t Read(void*, int64_t) override { throw EReadError("broken"); }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
    int64_t Size() override { return 1000; }
  } broken;
  EXPECT_EQ(IEFindStreamFormat(&broken), 0);
}

TEST(Detect, FileFormatWithExtensionCorrections) {
  IEInitFileFormats();
  TTempDir dir;
  Bytes png = Pad({0x89, 'P', 'N', 'G', 13, 10, 26, 10}, 40);
  Bytes tiff = Pad({'I', 'I', 42, 0, 8, 0, 0, 0}, 32);
  WriteFile(dir / "icon.cur", Icon(1));
  WriteFile(dir / "png.jpg", png);
  WriteFile(dir / "png.png", png);
  WriteFile(dir / "shot.nef", tiff);
  WriteFile(dir / "noext", png);
  struct Case {
    std::string Name;
    bool Verify;
    int32_t Want;
  } cases[] = {
      {dir / "icon.cur", true, ioCUR}, {dir / "png.jpg", true, 0},        {dir / "png.jpg", false, ioPNG},
      {dir / "png.png", true, ioPNG},  {dir / "shot.nef", false, ioRAW},  {dir / "noext", true, 0},
      {dir / "noext", false, ioPNG},   {dir / "missing.png", false, 0},   {dir.Path, false, 0},
      {"", false, 0},
  };
  for (auto& c : cases) EXPECT_EQ(IEFindFileFormat(c.Name, c.Verify), c.Want) << c.Name << " " << c.Verify;
  IEFreeFileFormats();
}
