// DICOM reader: files of our own making turned by dcmtk's tools into every transfer syntax read,
// windowing and stretch, MONOCHROME1, multi-frame files frame by frame, the tag list, the lossless
// JPEG decoder, and hostile files.
#include <gtest/gtest.h>

#include <algorithm>

#include "codectest.h"
#include "imaging/codecs/dicomfilt.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/imageryio.h"

namespace {

// One element of a file built here (explicit VR little endian).
struct TDcmElement {
  uint16_t Group, Element;
  std::string VR;
  std::vector<uint8_t> Value;
};

std::vector<uint8_t> DcmText(const std::string& s, char pad = ' ') {
  std::vector<uint8_t> v(s.begin(), s.end());
  if (v.size() & 1) v.push_back(static_cast<uint8_t>(pad));
  return v;
}
std::vector<uint8_t> DcmU16(uint16_t x) { return {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8)}; }

void DcmPutElement(std::vector<uint8_t>& out, const TDcmElement& e) {
  Put16(out, e.Group);
  Put16(out, e.Element);
  out.push_back(static_cast<uint8_t>(e.VR[0]));
  out.push_back(static_cast<uint8_t>(e.VR[1]));
  if (e.VR == "OB" || e.VR == "OW" || e.VR == "SQ" || e.VR == "UN") {
    Put16(out, 0);
    Put32(out, static_cast<uint32_t>(e.Value.size()));
  } else {
    Put16(out, static_cast<uint32_t>(e.Value.size()));
  }
  out.insert(out.end(), e.Value.begin(), e.Value.end());
}

// The picture of a test file: grey (1 sample, 8 or 16 bits) or RGB (3 samples of 8 bits).
struct TDcmPicture {
  int Width = 0, Height = 0, Samples = 1, BitsAllocated = 8, BitsStored = 8, Signed = 0, Frames = 1;
  int Planar = 0;
  std::string Photometric = "MONOCHROME2";
  std::string Centre, Width_, Intercept, Slope;  // empty: not written
  std::vector<uint8_t> Pixels;  // native pixel data, little endian
};

std::vector<uint8_t> DcmFile(const TDcmPicture& p) {
  const std::string sop = "1.2.840.10008.5.1.4.1.1.7", inst = "1.2.3.4.5.6.7";
  std::vector<TDcmElement> meta = {
      {0x0002, 0x0001, "OB", {0, 1}},
      {0x0002, 0x0002, "UI", DcmText(sop, '\0')},
      {0x0002, 0x0003, "UI", DcmText(inst, '\0')},
      {0x0002, 0x0010, "UI", DcmText("1.2.840.10008.1.2.1", '\0')},
      {0x0002, 0x0012, "UI", DcmText("1.2.3.4", '\0')},
  };
  std::vector<uint8_t> metaBytes;
  for (auto& e : meta) DcmPutElement(metaBytes, e);
  std::vector<uint8_t> out(128, 0);
  out.insert(out.end(), {'D', 'I', 'C', 'M'});
  std::vector<uint8_t> len;
  Put32(len, static_cast<uint32_t>(metaBytes.size()));
  DcmPutElement(out, {0x0002, 0x0000, "UL", len});
  out.insert(out.end(), metaBytes.begin(), metaBytes.end());
  std::vector<TDcmElement> ds = {
      {0x0008, 0x0016, "UI", DcmText(sop, '\0')},
      {0x0008, 0x0018, "UI", DcmText(inst, '\0')},
      {0x0008, 0x0064, "CS", DcmText("WSD")},
      {0x0010, 0x0010, "PN", DcmText("Test^Patient")},
      {0x0010, 0x0020, "LO", DcmText("ID1")},
      {0x0020, 0x000D, "UI", DcmText("1.2.3.4.5.1", '\0')},
      {0x0020, 0x000E, "UI", DcmText("1.2.3.4.5.2", '\0')},
      {0x0028, 0x0002, "US", DcmU16(static_cast<uint16_t>(p.Samples))},
      {0x0028, 0x0004, "CS", DcmText(p.Photometric)},
  };
  if (p.Samples == 3) ds.push_back({0x0028, 0x0006, "US", DcmU16(static_cast<uint16_t>(p.Planar))});
  if (p.Frames > 1) ds.push_back({0x0028, 0x0008, "IS", DcmText(std::to_string(p.Frames))});
  ds.push_back({0x0028, 0x0010, "US", DcmU16(static_cast<uint16_t>(p.Height))});
  ds.push_back({0x0028, 0x0011, "US", DcmU16(static_cast<uint16_t>(p.Width))});
  ds.push_back({0x0028, 0x0100, "US", DcmU16(static_cast<uint16_t>(p.BitsAllocated))});
  ds.push_back({0x0028, 0x0101, "US", DcmU16(static_cast<uint16_t>(p.BitsStored))});
  ds.push_back({0x0028, 0x0102, "US", DcmU16(static_cast<uint16_t>(p.BitsStored - 1))});
  ds.push_back({0x0028, 0x0103, "US", DcmU16(static_cast<uint16_t>(p.Signed))});
  if (!p.Centre.empty()) ds.push_back({0x0028, 0x1050, "DS", DcmText(p.Centre)});
  if (!p.Width_.empty()) ds.push_back({0x0028, 0x1051, "DS", DcmText(p.Width_)});
  if (!p.Intercept.empty()) ds.push_back({0x0028, 0x1052, "DS", DcmText(p.Intercept)});
  if (!p.Slope.empty()) ds.push_back({0x0028, 0x1053, "DS", DcmText(p.Slope)});
  ds.push_back({0x7FE0, 0x0010, p.BitsAllocated > 8 ? "OW" : "OB", p.Pixels});
  for (auto& e : ds) DcmPutElement(out, e);
  return out;
}

// A 12-bit signed CT-like picture: values -1024..1000 in a pattern, per frame shifted.
TDcmPicture DcmCtPicture(int w, int h, int frames = 1) {
  TDcmPicture p;
  p.Width = w;
  p.Height = h;
  p.BitsAllocated = 16;
  p.BitsStored = 12;
  p.Signed = 1;
  p.Frames = frames;
  for (int f = 0; f < frames; ++f)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int v = -1000 + (x * 97 + y * 31 + f * 400) % 2000;
        Put16(p.Pixels, static_cast<uint16_t>(static_cast<int16_t>(v)));
      }
  return p;
}

TDcmPicture DcmGrey8(int w, int h, int frames = 1) {
  TDcmPicture p;
  p.Width = w;
  p.Height = h;
  p.Frames = frames;
  for (int f = 0; f < frames; ++f)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p.Pixels.push_back(static_cast<uint8_t>(x * 9 + y * 5 + f * 80));
  // Each frame spans 0..255, so the stretch of compressed 8-bit data leaves it as it is.
  for (int f = 0; f < frames; ++f) {
    p.Pixels[static_cast<size_t>(f) * w * h + 1] = 0;
    p.Pixels[static_cast<size_t>(f + 1) * w * h - 2] = 255;
  }
  return p;
}

TDcmPicture DcmRgb8(int w, int h, int planar) {
  TDcmPicture p;
  p.Width = w;
  p.Height = h;
  p.Samples = 3;
  p.Planar = planar;
  p.Photometric = "RGB";
  p.Pixels.resize(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t c[3] = {static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 30), static_cast<uint8_t>(x == w - 1 && y == h - 1 ? 255 : x * y)};
      for (int s = 0; s < 3; ++s) {
        const size_t i = static_cast<size_t>(y) * w + x;
        p.Pixels[planar ? s * static_cast<size_t>(w) * h + i : i * 3 + s] = c[s];
      }
    }
  return p;
}

struct TDcmRead {
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  bool Aborted = false;
};

void DcmReadBytes(const std::vector<uint8_t>& data, TDcmRead& r, int index = 0, bool preview = false) {
  TMemoryStream s;
  Load(s, data);
  TTestProgress p;
  r.Params.ImageIndex = index;
  DicomReadImage(&s, r.Params, &r.Bitmap, preview, p.Rec);
  r.Aborted = p.Aborted();
}

bool DcmHaveTools() { return HaveTool("dcmconv") && HaveTool("dcmcrle") && HaveTool("dcmcjpeg"); }

// Writes data to a file, runs the dcmtk command line (IN and OUT replaced) and reads the result.
std::vector<uint8_t> DcmConvert(const std::vector<uint8_t>& data, const std::string& tool, const std::string& name) {
  const std::string in = CodecTestDir() + "/" + name + "_in.dcm", out = CodecTestDir() + "/" + name + "_out.dcm";
  WriteFileBytes(in, data);
  std::remove(out.c_str());
  if (!RunTool(tool + " '" + in + "' '" + out + "'")) return {};
  return ReadFileBytes(out);
}

bool DcmSamePixels(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const size_t n = static_cast<size_t>((a.Width() * a.BitCount() + 7) / 8);
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.Scanline(y), b.Scanline(y), n) != 0) return false;
  return true;
}

// The 16-bit window and stretch computed here from the stored values, for comparison.
std::vector<uint16_t> DcmExpectedWindow(const TDcmPicture& p, double centre, double width, double intercept) {
  std::vector<double> w;
  for (size_t i = 0; i + 1 < p.Pixels.size() && w.size() < static_cast<size_t>(p.Width) * p.Height; i += 2) {
    const double v = static_cast<int16_t>(p.Pixels[i] | p.Pixels[i + 1] << 8) + intercept;
    const double c = centre - 0.5, s = width - 1;
    const double lo = std::trunc(c - s / 2), hi = std::trunc(c + s / 2);
    w.push_back(v <= lo ? 0 : v >= hi ? 65535 : ((v - c) / s + 0.5) * 65535);
  }
  std::vector<uint16_t> t;
  for (double x : w) t.push_back(static_cast<uint16_t>(std::trunc(x)));
  const int mn = *std::min_element(t.begin(), t.end()), mx = *std::max_element(t.begin(), t.end());
  for (auto& x : t) x = static_cast<uint16_t>(std::trunc((x - mn) * (65535.0 / (mx - mn))));
  return t;
}

}  // namespace

TEST(DicomReader, CtWindowUsesTheFirstCentreAndStretches) {
  TDcmPicture p = DcmCtPicture(24, 16);
  p.Intercept = "-24";
  p.Width_ = "400";
  struct Case { std::string centre; double used; } cases[] = {{"40\\50", 40}, {"40", 40}, {"50", 50}, {"40,0", 40}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.centre);
    p.Centre = c.centre;
    TDcmRead r;
    DcmReadBytes(DcmFile(p), r);
    ASSERT_FALSE(r.Aborted);
    ASSERT_EQ(r.Bitmap.PixelFormat(), ie16g);
    EXPECT_EQ(r.Params.BitsPerSample, 12);
    const std::vector<uint16_t> want = DcmExpectedWindow(p, c.used, 400, -24);
    int mn = 65535, mx = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) {
        const uint16_t v = reinterpret_cast<uint16_t*>(r.Bitmap.Scanline(y))[x];
        ASSERT_EQ(v, want[static_cast<size_t>(y) * 24 + x]) << x << "," << y;
        mn = std::min<int>(mn, v);
        mx = std::max<int>(mx, v);
      }
    EXPECT_EQ(mn, 0);
    EXPECT_EQ(mx, 65535);
  }
}

TEST(DicomReader, DegenerateWindowsAndFlatImagesNeverDivideByZero) {
  // Width 0 and 1 (threshold windows), and pictures whose samples all come out equal.
  struct Case { std::string centre, width; bool flat; } cases[] = {
      {"100", "0", false}, {"100", "1", false}, {"100", "1", true}, {"", "", true}, {"5", "-1", true}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.centre + "/" + c.width);
    TDcmPicture p = DcmCtPicture(8, 4);
    if (c.flat) std::fill(p.Pixels.begin(), p.Pixels.end(), 7);
    p.Centre = c.centre;
    p.Width_ = c.width;
    TDcmRead r;
    DcmReadBytes(DcmFile(p), r);
    ASSERT_FALSE(r.Aborted);
    ASSERT_EQ(r.Bitmap.Width(), 8);
    if (!c.flat) {
      // A threshold: every sample is 0 or 65535.
      for (int x = 0; x < 8; ++x) {
        const uint16_t v = reinterpret_cast<uint16_t*>(r.Bitmap.Scanline(1))[x];
        EXPECT_TRUE(v == 0 || v == 65535) << v;
      }
    } else {
      const uint16_t first = reinterpret_cast<uint16_t*>(r.Bitmap.Scanline(0))[0];
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(reinterpret_cast<uint16_t*>(r.Bitmap.Scanline(y))[x], first);
    }
  }
}

TEST(DicomReader, EveryTransferSyntaxReadsTheSameImage) {
  if (!DcmHaveTools()) GTEST_SKIP() << "dcmtk is not installed";
  struct Source { const char* name; TDcmPicture pic; } sources[] = {
      {"ct16", DcmCtPicture(21, 13)}, {"grey8", DcmGrey8(19, 11)}, {"rgb8", DcmRgb8(17, 9, 0)}};
  sources[0].pic.Centre = "40";
  sources[0].pic.Width_ = "400";
  const char* tools[] = {"dcmconv +ti", "dcmconv +tb", "dcmcrle", "dcmcjpeg +e1", "dcmcjpeg +el +sv 1",
                         "dcmcjpeg +el +sv 4", "dcmcjpeg +el +sv 5", "dcmcjpeg +el +sv 6", "dcmcjpeg +el +sv 7"};
  for (auto& s : sources) {
    const std::vector<uint8_t> native = DcmFile(s.pic);
    TDcmRead ref;
    DcmReadBytes(native, ref);
    ASSERT_FALSE(ref.Aborted) << s.name;
    ASSERT_FALSE(ref.Bitmap.IsEmpty()) << s.name;
    for (const char* tool : tools) {
      SCOPED_TRACE(std::string(s.name) + " " + tool);
      const std::vector<uint8_t> conv = DcmConvert(native, tool, s.name);
      ASSERT_FALSE(conv.empty());
      TDcmRead r;
      DcmReadBytes(conv, r);
      ASSERT_FALSE(r.Aborted);
      EXPECT_TRUE(DcmSamePixels(ref.Bitmap, r.Bitmap));
    }
  }
  // Compressed 8-bit grey is stretched to the full range; native 8-bit data are not.
  TDcmPicture narrow = DcmGrey8(8, 4);
  for (auto& v : narrow.Pixels) v = static_cast<uint8_t>(10 + v % 100);
  const std::vector<uint8_t> rle = DcmConvert(DcmFile(narrow), "dcmcrle", "narrow");
  for (const auto* data : {&rle}) {
    TDcmRead r;
    DcmReadBytes(*data, r);
    ASSERT_FALSE(r.Aborted);
    int mn = 255, mx = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) {
        mn = std::min<int>(mn, r.Bitmap.Scanline(y)[x]);
        mx = std::max<int>(mx, r.Bitmap.Scanline(y)[x]);
      }
    EXPECT_EQ(mn, 0);
    EXPECT_EQ(mx, 255);
  }
  // Baseline JPEG is lossy: close to the native picture.
  TDcmPicture g = DcmGrey8(32, 24);
  const std::vector<uint8_t> base = DcmConvert(DcmFile(g), "dcmcjpeg +eb +q 95", "base");
  ASSERT_FALSE(base.empty());
  TDcmRead ref, r;
  DcmReadBytes(DcmFile(g), ref);
  DcmReadBytes(base, r);
  ASSERT_FALSE(r.Aborted);
  ASSERT_EQ(r.Bitmap.Width(), 32);
  ref.Bitmap.SetPixelFormat(ie24RGB);
  r.Bitmap.SetPixelFormat(ie24RGB);
  EXPECT_GT(PSNR(ref.Bitmap, r.Bitmap), 30);
}

TEST(DicomReader, ImplicitAndExplicitGiveTheSameTagList) {
  if (!DcmHaveTools()) GTEST_SKIP() << "dcmtk is not installed";
  TDcmPicture p = DcmGrey8(4, 3);
  const std::vector<uint8_t> expl = DcmFile(p);
  const std::vector<uint8_t> impl = DcmConvert(expl, "dcmconv +ti", "implicit");
  TDcmRead a, b;
  DcmReadBytes(expl, a, 0, true);
  DcmReadBytes(impl, b, 0, true);
  ASSERT_FALSE(a.Aborted);
  ASSERT_FALSE(b.Aborted);
  EXPECT_TRUE(a.Bitmap.IsEmpty());  // preview: parameters and tags only
  EXPECT_EQ(a.Params.Width, 4);
  EXPECT_EQ(b.Params.Height, 3);
  const TIEDICOMTags* ta = a.Params.DICOM_Tags;
  const TIEDICOMTags* tb = b.Params.DICOM_Tags;
  for (uint16_t e : {0x0010, 0x0011, 0x0100}) {
    const int ia = ta->IndexOf(0x0028, e), ib = tb->IndexOf(0x0028, e);
    ASSERT_GE(ia, 0);
    ASSERT_GE(ib, 0);
    EXPECT_EQ(ta->GetTag(ia).VR, "US");
    EXPECT_EQ(tb->GetTag(ib).VR, "US");
    EXPECT_EQ(ta->GetTag(ia).Data, tb->GetTag(ib).Data);
  }
  const int name = tb->IndexOf(0x0010, 0x0010);
  ASSERT_GE(name, 0);
  const std::vector<uint8_t>& d = tb->GetTag(name).Data;
  EXPECT_EQ(std::string(d.begin(), d.end()), "Test^Patient");
  EXPECT_GE(ta->IndexOf(0x7FE0, 0x0010), 0);
}

TEST(DicomReader, MultiFrameFilesFrameByFrame) {
  if (!DcmHaveTools()) GTEST_SKIP() << "dcmtk is not installed";
  const TDcmPicture p = DcmGrey8(10, 6, 3);
  const std::vector<uint8_t> native = DcmFile(p);
  // The frames as single pictures, for comparison.
  std::vector<TIEBitmap> frames(3);
  for (int f = 0; f < 3; ++f) {
    TDcmPicture one = DcmGrey8(10, 6);
    std::copy(p.Pixels.begin() + f * 60, p.Pixels.begin() + (f + 1) * 60, one.Pixels.begin());
    TDcmRead r;
    DcmReadBytes(DcmFile(one), r);
    frames[static_cast<size_t>(f)].Assign(&r.Bitmap);
  }
  struct Case { const char* tool; bool native; } cases[] = {
      {nullptr, true}, {"dcmcrle +ot", false}, {"dcmcrle -ot", false}, {"dcmcjpeg +e1 +ot", false},
      {"dcmcjpeg +e1 -ot", false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.tool != nullptr ? c.tool : "native");
    const std::vector<uint8_t> data = c.tool != nullptr ? DcmConvert(native, c.tool, "multi") : native;
    ASSERT_FALSE(data.empty());
    TMemoryStream s;
    Load(s, data);
    s.SetPosition(0);
    EXPECT_EQ(DicomFrameCount(&s), 3);
    EXPECT_EQ(s.Position(), 0);
    for (int index : {0, 1, 2, 9}) {
      TDcmRead r;
      DcmReadBytes(data, r, index);
      ASSERT_FALSE(r.Aborted) << index;
      EXPECT_EQ(r.Params.ImageCount, 3);
      // Native data always give the first frame; others the frame asked for, the last at most.
      const int want = c.native ? 0 : std::min(index, 2);
      EXPECT_TRUE(DcmSamePixels(r.Bitmap, frames[static_cast<size_t>(want)])) << index;
    }
  }
}

TEST(DicomReader, PhotometricAndPlanarVariants) {
  TDcmRead interleaved, planar;
  DcmReadBytes(DcmFile(DcmRgb8(7, 5, 0)), interleaved);
  DcmReadBytes(DcmFile(DcmRgb8(7, 5, 1)), planar);
  ASSERT_EQ(interleaved.Bitmap.PixelFormat(), ie24RGB);
  EXPECT_TRUE(interleaved.Bitmap.GetPixelRGB(3, 2) == PixRGB(60, 60, 6));
  EXPECT_TRUE(DcmSamePixels(interleaved.Bitmap, planar.Bitmap));

  TDcmPicture m1 = DcmGrey8(6, 2);
  TDcmRead normal, inverted;
  DcmReadBytes(DcmFile(m1), normal);
  m1.Photometric = "MONOCHROME1 ";
  DcmReadBytes(DcmFile(m1), inverted);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(inverted.Bitmap.Scanline(1)[x], 255 - normal.Bitmap.Scanline(1)[x]);

  // Fewer bits stored than a byte: shifted to the top of the byte.
  TDcmPicture six = DcmGrey8(4, 1);
  six.BitsStored = 6;
  six.Pixels = {0, 1, 32, 63};
  TDcmRead r;
  DcmReadBytes(DcmFile(six), r);
  EXPECT_EQ(r.Bitmap.Scanline(0)[3], 252);
  EXPECT_EQ(r.Bitmap.Scanline(0)[1], 4);
}

TEST(DicomReader, DetectionAndFilesWithoutPreamble) {
  const std::vector<uint8_t> file = DcmFile(DcmGrey8(5, 4));
  TMemoryStream s;
  Load(s, file);
  EXPECT_TRUE(DicomDetect(&s));
  EXPECT_EQ(s.Position(), 0);
  // The same elements from offset 0, without preamble and "DICM".
  const std::vector<uint8_t> bare(file.begin() + 132, file.end());
  Load(s, bare);
  EXPECT_FALSE(DicomDetect(&s));
  TDcmRead r;
  DcmReadBytes(bare, r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Bitmap.Width(), 5);
  EXPECT_EQ(r.Bitmap.Scanline(3)[2], 2 * 9 + 3 * 5);
}

TEST(DicomReader, DictionaryRows) {
  struct Case { uint16_t g, e; const char* vr; } cases[] = {{0x0002, 0x0010, "UI"}, {0x0028, 0x0010, "US"},
                                                           {0x0028, 0x1050, "DS"}, {0x7FE0, 0x0000, "UL"},
                                                           {0x7FE0, 0x0010, "xs"}, {0xFFFE, 0xE000, "!!"},
                                                           {0x0009, 0x0010, "xs"}};
  for (auto& c : cases) EXPECT_STREQ(IEDicomLookupVR(c.g, c.e), c.vr) << std::hex << c.g << "," << c.e;
  int n = 0;
  const TIEDicomDictEntry* d = IEDicomDictionary(n);
  for (int i = 1; i < n; ++i) {
    EXPECT_LT(static_cast<uint32_t>(d[i - 1].Group) << 16 | d[i - 1].Element,
              static_cast<uint32_t>(d[i].Group) << 16 | d[i].Element);
  }
}

TEST(DicomReader, HostileFilesFailCleanly) {
  // Nested undefined-length sequences far beyond any real file.
  std::vector<uint8_t> nested = DcmFile(DcmGrey8(2, 2));
  std::vector<uint8_t> deep(nested.begin(), nested.begin() + 132);
  for (int i = 0; i < 5000; ++i) {
    Put16(deep, 0x0008);
    Put16(deep, 0x1115);
    deep.insert(deep.end(), {'S', 'Q', 0, 0});
    Put32(deep, 0xFFFFFFFF);
    Put16(deep, 0xFFFE);
    Put16(deep, 0xE000);
    Put32(deep, 0xFFFFFFFF);
  }
  TDcmRead r;
  DcmReadBytes(deep, r);
  EXPECT_TRUE(r.Aborted);

  // Rows and columns far beyond the data: nothing allocated, the read fails.
  TDcmPicture big = DcmGrey8(2, 2);
  big.Width = 60000;
  big.Height = 60000;
  TDcmRead b;
  DcmReadBytes(DcmFile(big), b);
  EXPECT_TRUE(b.Aborted);
  EXPECT_TRUE(b.Bitmap.IsEmpty());

  // Every prefix of an RLE and a lossless file, and damaged copies: a clean result or the abort
  // flag, under the sanitizers.
  std::vector<std::vector<uint8_t>> files = {DcmFile(DcmCtPicture(6, 5))};
  if (DcmHaveTools()) {
    files.push_back(DcmConvert(files[0], "dcmcrle", "hostile"));
    files.push_back(DcmConvert(files[0], "dcmcjpeg +e1", "hostile"));
  }
  for (const auto& f : files) {
    for (size_t n = 0; n < f.size(); n += 7) {
      TDcmRead t;
      DcmReadBytes(std::vector<uint8_t>(f.begin(), f.begin() + static_cast<long>(n)), t, 0);
    }
    for (size_t at = 132; at < f.size(); at += 3) {
      for (uint8_t v : {0x00, 0x80, 0xFF}) {
        std::vector<uint8_t> bad = f;
        bad[at] = v;
        TDcmRead t;
        DcmReadBytes(bad, t, 1);
      }
    }
  }
}

TEST(DicomReader, LosslessDecoderRefusesBrokenStreams) {
  std::vector<uint8_t> bytes;
  std::vector<uint16_t> words;
  int w, h, c, p;
  const std::vector<uint8_t> tooShort(20, 0xFF);
  EXPECT_FALSE(LosslessJpegDecode(tooShort.data(), 20, bytes, words, w, h, c, p));
  std::vector<uint8_t> noSos = {0xFF, 0xD8, 0xFF, 0xC3, 0, 11, 8, 0, 4, 0, 4, 1, 1, 0x11, 0};
  noSos.resize(40, 0);
  EXPECT_FALSE(LosslessJpegDecode(noSos.data(), 40, bytes, words, w, h, c, p));
}

TEST(DicomReader, FrontEndLoadsByExtensionAndContent) {
  IEInitFileFormats();
  const std::string f = CodecTestDir() + "/front.dcm";
  WriteFileBytes(f, DcmFile(DcmGrey8(6, 5)));
  TImageryIO io{nullptr};
  TIEBitmap target;
  io.AttachBitmap(&target);
  io.LoadFromFile(f);
  ASSERT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.Params->FileType, ioDICOM);
  ASSERT_EQ(target.Width(), 6);
  EXPECT_GE(io.Params->DICOM_Tags->IndexOf(0x0028, 0x0010), 0);
  TIEWideFileStream fs(f, fmOpenRead);
  EXPECT_EQ(IEFindStreamFormat(&fs), ioDICOM);
  IEFreeFileFormats();
}
