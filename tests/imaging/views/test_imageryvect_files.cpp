// Vector-object files: round trips of every object kind through IEV and ALL streams, the layout of
// a small stream, older versions, detection by content, loading through the IO front end, and
// damaged streams refused with the view's objects kept.
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "imaging/codecs/iezlib.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"
#include "vecttest.h"

namespace {

using vecttest::AddFullObject;
using vecttest::VectFixture;

void VectFilesExpectSame(TImageryVect* A, int ha, TImageryVect* B, int hb) {
  const TIEVObject& a = *A->GetObjectRecord(ha);
  const TIEVObject& b = *B->GetObjectRecord(hb);
  SCOPED_TRACE("kind " + std::to_string(a.Kind));
  EXPECT_EQ(a.Kind, b.Kind);
  EXPECT_EQ(a.X1, b.X1);
  EXPECT_EQ(a.Y1, b.Y1);
  EXPECT_EQ(a.X2, b.X2);
  EXPECT_EQ(a.Y2, b.Y2);
  EXPECT_EQ(a.Transparency, b.Transparency);
  EXPECT_EQ(a.KeepAspect, b.KeepAspect);
  EXPECT_EQ(a.SoftShadow.Enabled, b.SoftShadow.Enabled);
  EXPECT_EQ(a.SoftShadow.Radius, b.SoftShadow.Radius);
  EXPECT_EQ(a.SoftShadow.OffsetX, b.SoftShadow.OffsetX);
  EXPECT_EQ(a.SoftShadow.OffsetY, b.SoftShadow.OffsetY);
  EXPECT_EQ(a.SoftShadow.Intensity, b.SoftShadow.Intensity);
  EXPECT_EQ(a.SoftShadow.ShadowColor.r, b.SoftShadow.ShadowColor.r);
  EXPECT_EQ(a.SoftShadow.ShadowColor.b, b.SoftShadow.ShadowColor.b);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Tag, b.Tag);
  EXPECT_EQ(a.PenColor, b.PenColor);
  EXPECT_EQ(a.PenStyle, b.PenStyle);
  EXPECT_EQ(a.PenWidth, b.PenWidth);
  EXPECT_EQ(a.BrushColor, b.BrushColor);
  EXPECT_EQ(a.BrushStyle, b.BrushStyle);
  EXPECT_EQ(a.Style, b.Style);
  EXPECT_EQ(a.Highlight, b.Highlight);
  EXPECT_EQ(a.FontQuality, b.FontQuality);
  EXPECT_EQ(a.TextEditable, b.TextEditable);
  EXPECT_EQ(a.UserDataLength, b.UserDataLength);
  if (a.UserDataLength > 0 && b.UserDataLength == a.UserDataLength)
    EXPECT_EQ(0, std::memcmp(a.UserData, b.UserData, static_cast<size_t>(a.UserDataLength)));
  EXPECT_EQ(a.LabelBrushColor, b.LabelBrushColor);
  EXPECT_EQ(a.LabelBrushStyle, b.LabelBrushStyle);
  EXPECT_EQ(a.LabelPosition, b.LabelPosition);
  EXPECT_EQ(a.LabelBorder, b.LabelBorder);
  EXPECT_EQ(a.BeginShape, b.BeginShape);
  EXPECT_EQ(a.EndShape, b.EndShape);
  EXPECT_EQ(a.ShapeWidth, b.ShapeWidth);
  EXPECT_EQ(a.ShapeLength, b.ShapeLength);
  EXPECT_EQ(a.ArcStart, b.ArcStart);
  EXPECT_EQ(a.ArcEnd, b.ArcEnd);
  EXPECT_EQ(a.BitmapBorder, b.BitmapBorder);
  EXPECT_EQ(a.Text, b.Text);
  ASSERT_EQ(a.Font != nullptr, b.Font != nullptr);
  if (a.Font) EXPECT_EQ(0, std::memcmp(a.Font.get(), b.Font.get(), sizeof(LOGFONT)));
  EXPECT_EQ(a.TextAlign, b.TextAlign);
  EXPECT_EQ(a.AutoSize, b.AutoSize);
  ASSERT_EQ(a.CurvePoints.size(), b.CurvePoints.size());
  for (size_t i = 0; i < a.CurvePoints.size(); ++i) {
    EXPECT_EQ(a.CurvePoints[i].X, b.CurvePoints[i].X);
    EXPECT_EQ(a.CurvePoints[i].Y, b.CurvePoints[i].Y);
  }
  EXPECT_EQ(a.CharAngle, b.CharAngle);
  EXPECT_EQ(a.MemoCharFormat, b.MemoCharFormat);
  ASSERT_EQ(a.MemoFormats.size(), b.MemoFormats.size());
  for (size_t i = 0; i < a.MemoFormats.size(); ++i) EXPECT_EQ(a.MemoFormats[i].ToBytes(), b.MemoFormats[i].ToBytes());
  EXPECT_EQ(a.MemoFixedFont, b.MemoFixedFont);
  EXPECT_EQ(a.MemoLineSpacing, b.MemoLineSpacing);
  EXPECT_EQ(a.MemoBorderColor, b.MemoBorderColor);
  EXPECT_EQ(a.MemoBorderStyle, b.MemoBorderStyle);
  EXPECT_EQ(a.MemoLineHeight, b.MemoLineHeight);
  EXPECT_EQ(a.MemoHasBitmap, b.MemoHasBitmap);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a.MemoMargins[i], b.MemoMargins[i]);
  EXPECT_EQ(a.MemoTextBrushStyle, b.MemoTextBrushStyle);
  EXPECT_EQ(a.RulerUnit, b.RulerUnit);
  EXPECT_EQ(a.RulerType, b.RulerType);
  ASSERT_EQ(a.Points.size(), b.Points.size());
  for (size_t i = 0; i < a.Points.size(); ++i) {
    EXPECT_EQ(a.Points[i].X, b.Points[i].X);
    EXPECT_EQ(a.Points[i].Y, b.Points[i].Y);
  }
  EXPECT_EQ(a.PointsBounds.Right, b.PointsBounds.Right);
  EXPECT_EQ(a.PointsBounds.Bottom, b.PointsBounds.Bottom);
  EXPECT_EQ(a.Closed, b.Closed);
  if (a.Kind == iekANGLE)
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(a.AnglePoints[i].X, b.AnglePoints[i].X);
      EXPECT_EQ(a.AnglePoints[i].Y, b.AnglePoints[i].Y);
    }
  TIEBitmap* ba = A->GetObjectBitmap(ha);
  TIEBitmap* bb = B->GetObjectBitmap(hb);
  ASSERT_EQ(ba != nullptr, bb != nullptr);
  if (ba != nullptr) {
    ASSERT_EQ(ba->Width(), bb->Width());
    ASSERT_EQ(ba->Height(), bb->Height());
    for (int y = 0; y < ba->Height(); y += 7)
      for (int x = 0; x < ba->Width(); x += 5) {
        EXPECT_EQ(ba->GetPixelRGB(x, y).r, bb->GetPixelRGB(x, y).r);
        EXPECT_EQ(ba->GetPixelRGB(x, y).g, bb->GetPixelRGB(x, y).g);
      }
  }
}

// Every kind but the extended one (which needs a registered class).
const TIEVObjectKind kVectFilesKinds[] = {iekLINE,  iekBOX,  iekELLIPSE,  iekARC,  iekBITMAP,
                                          iekTEXT,  iekRULER, iekPOLYLINE, iekANGLE, iekMEMO, iekLINELABEL};

class VectFilesTest : public VectFixture {
protected:
  // Adds every kind; the bitmap objects get a picture of their own.
  void AddEveryKind(TImageryVect* V) {
    int seed = 1;
    for (TIEVObjectKind k : kVectFilesKinds) {
      const int h = AddFullObject(V, k, seed++);
      if (k == iekBITMAP || k == iekMEMO) {
        TIEBitmap b;
        vecttest::MakePicture(b, 20 + seed, 12, seed * 13);
        V->SetObjectBitmap(h, &b);
      }
      if (k == iekBOX) {
        void* data = std::malloc(5);
        std::memcpy(data, "hello", 5);
        V->SetObjectUserData(h, data);
        V->SetObjectUserDataLength(h, 5);
      }
    }
  }
};

TEST_F(VectFilesTest, EveryKindRoundTripsThroughIevAndAll) {
  AddEveryKind(View);
  View->SetScaleFactor(2.5);
  vecttest::MakePicture(*View->GetIEBitmap(), 50, 40, 3);  // the layers part needs an image
  View->Update();
  for (bool all : {false, true}) {
    SCOPED_TRACE(all ? "ALL" : "IEV");
    TMemoryStream s;
    if (all) {
      View->SaveToStreamAll(&s, -1);
    } else {
      View->SaveToStreamIEV(&s);
    }
    TImageryVect other(nullptr);
    s.SetPosition(0);
    ASSERT_TRUE(all ? other.LoadFromStreamAll(&s) : other.LoadFromStreamIEV(&s));
    ASSERT_EQ(other.ObjectsCount(), View->ObjectsCount());
    EXPECT_EQ(other.ScaleFactor(), 2.5);
    for (int i = 0; i < View->ObjectsCount(); ++i)
      VectFilesExpectSame(View, View->GetObjectAtDrawingOrder(i), &other, other.GetObjectAtDrawingOrder(i));
  }
}

TEST_F(VectFilesTest, EmptyViewWritesTheTemplateSlotWithoutImage) {
  TMemoryStream s;
  View->SaveToStreamIEV(&s);
  const uint8_t* p = static_cast<const uint8_t*>(s.Memory());
  ASSERT_GE(s.Size(), 24);
  EXPECT_EQ(0, std::memcmp(p, "IEVQ", 4));
  int32_t len, n, r;
  double scale;
  std::memcpy(&len, p + 4, 4);
  std::memcpy(&scale, p + 8, 8);
  std::memcpy(&n, p + 16, 4);
  std::memcpy(&r, p + 20, 4);
  EXPECT_EQ(len, s.Size());
  EXPECT_EQ(scale, 1.0);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(r, 0);
  void* out = nullptr;
  int outSize = 0;
  ZDecompressBuffer(p + 24, static_cast<int>(s.Size() - 24), out, 0, outSize);
  ASSERT_EQ(outSize, 4);
  int32_t count;
  std::memcpy(&count, out, 4);
  std::free(out);
  EXPECT_EQ(count, 0);
}

TEST_F(VectFilesTest, TwoObjectsSharingAPictureWriteOneSlot) {
  TIEBitmap b;
  vecttest::MakePicture(b, 9, 9, 40);
  for (int i = 0; i < 2; ++i) View->SetObjectBitmap(AddFullObject(View, iekBITMAP, i), &b);
  TMemoryStream s;
  View->SaveToStreamIEV(&s);
  const uint8_t* p = static_cast<const uint8_t*>(s.Memory());
  int32_t n, r0, r1;
  std::memcpy(&n, p + 16, 4);
  ASSERT_EQ(n, 2);  // the template's own and the shared picture
  std::memcpy(&r0, p + 20, 4);
  EXPECT_EQ(r0, 0);
  std::memcpy(&r1, p + 24, 4);
  EXPECT_EQ(r1, 2);
  EXPECT_EQ(0, std::memcmp(p + 28, "\x89PNG", 4));
}

// Writes an IEV stream of an older version by hand: no bitmaps, one record of kind Kind.
std::string VectFilesOldStream(char Version, uint8_t Kind, bool WithFont) {
  TMemoryStream body;
  auto i32 = [&](int32_t v) { body.WriteBuffer(&v, 4); };
  auto u8 = [&](uint8_t v) { body.WriteBuffer(&v, 1); };
  auto f64 = [&](double v) { body.WriteBuffer(&v, 8); };
  i32(1);
  if (Version >= '<') i32(0);
  i32(10), i32(20), i32(30), i32(40);
  u8(Kind);
  if (Version >= 'M') u8(0);
  if (Version >= '=') u8(0), f64(3.0), i32(2), i32(2);  // the values older files default to
  i32(0);  // name
  i32(7);  // tag
  i32(0xFF), u8(0), i32(2), i32(0xFFFFFF), u8(1), u8(15);
  if (Version >= '=') i32(255);
  if (Version >= '@') u8(0);
  if (Version >= 'I') i32(0);
  if (Version >= 'J') u8(1);
  if (Kind == iekRULER) {
    u8(ieuCENTIMETERS), u8(1);
    if (Version >= 'A') u8(WithFont ? 1 : 0);
  }
  if (Kind == iekANGLE) {
    for (int v : {1, 2, 3, 4, 5, 6}) i32(v);
    if (Version >= 'K') u8(0);
  }
  TMemoryStream packed;
  {
    TZCompressionStream z(&packed, 2);
    z.WriteBuffer(body.Memory(), body.Size());
    z.Finish();
  }
  std::string s = std::string("IEV") + Version;
  s.append(4, '\0');
  if (Version == '1') {
    const int32_t scale = 3;
    s.append(reinterpret_cast<const char*>(&scale), 4);
  } else {
    const double scale = 3.0;
    s.append(reinterpret_cast<const char*>(&scale), 8);
  }
  s.append(4, '\0');  // no bitmap slots
  s.append(static_cast<const char*>(packed.Memory()), static_cast<size_t>(packed.Size()));
  return s;
}

TEST_F(VectFilesTest, OlderVersionsTakeTheDefaultsOfTheirTime) {
  struct Case {
    char Version;
    uint8_t Kind;
    int FontHeight;  // 0: no font expected
  } cases[] = {{'<', iekBOX, 0}, {'5', iekRULER, 12}, {'@', iekRULER, 12}, {':', iekANGLE, 10}, {'J', iekANGLE, 10},
               {'1', iekELLIPSE, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("version ") + c.Version);
    const std::string bytes = VectFilesOldStream(c.Version, c.Kind, false);
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    ASSERT_TRUE(View->LoadFromStreamIEV(&s));
    ASSERT_EQ(View->ObjectsCount(), 1);
    const TIEVObject& o = *View->GetObjectRecord(0);
    EXPECT_EQ(o.Kind, c.Kind);
    EXPECT_EQ(o.Tag, 7);
    EXPECT_EQ(View->ScaleFactor(), 3.0);
    EXPECT_FALSE(o.SoftShadow.Enabled);
    EXPECT_EQ(o.SoftShadow.Radius, 3.0);
    EXPECT_EQ(o.SoftShadow.OffsetX, 2);
    EXPECT_EQ(o.SoftShadow.OffsetY, 2);
    EXPECT_EQ(o.Transparency, 255);
    EXPECT_TRUE(o.TextEditable);
    if (c.FontHeight != 0) {
      ASSERT_TRUE(o.Font);
      EXPECT_EQ(o.Font->lfHeight, c.FontHeight);
      EXPECT_STREQ(o.Font->lfFaceName, "Arial");
    }
    if (c.Kind == iekANGLE) EXPECT_EQ(o.AnglePoints[2].Y, 6);
    if (c.Kind == iekRULER) EXPECT_EQ(o.RulerUnit, ieuCENTIMETERS);
  }
}

TEST_F(VectFilesTest, LoadingKeepsTheTemplateBitmap) {
  TIEBitmap b;
  vecttest::MakePicture(b, 17, 11, 99);
  View->SetObjectBitmap(IEV_TEMPLATE, &b);
  AddFullObject(View, iekBOX, 1);
  TMemoryStream s;
  View->SaveToStreamIEV(&s);
  s.SetPosition(0);
  ASSERT_TRUE(View->LoadFromStreamIEV(&s));
  TIEBitmap* t = View->GetObjectBitmap(IEV_TEMPLATE);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Width(), 17);
  EXPECT_EQ(t->GetPixelRGB(3, 4).r, b.GetPixelRGB(3, 4).r);
}

TEST_F(VectFilesTest, DamagedStreamsAreRefusedAndTheObjectsKept) {
  AddFullObject(View, iekTEXT, 1);
  AddFullObject(View, iekPOLYLINE, 2);
  TMemoryStream good;
  View->SaveToStreamIEV(&good);
  const std::string bytes(static_cast<const char*>(good.Memory()), static_cast<size_t>(good.Size()));
  TImageryVect other(nullptr);
  AddFullObject(&other, iekLINE, 5);
  struct Case {
    const char* Name;
    std::string Bytes;
    bool Foreign;
  } cases[] = {
      {"foreign magic", "XYZQ" + bytes.substr(4), true},
      {"version beyond the newest", "IEVR" + bytes.substr(4), true},
      {"truncated header", bytes.substr(0, 18), false},
      {"truncated objects", bytes.substr(0, bytes.size() - 12), false},
      {"negative slot count", bytes.substr(0, 16) + std::string("\xFF\xFF\xFF\xFF", 4) + bytes.substr(20), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream s;
    s.WriteBuffer(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
    s.SetPosition(0);
    if (c.Foreign) {
      EXPECT_FALSE(other.LoadFromStreamIEV(&s));
    } else {
      EXPECT_THROW(other.LoadFromStreamIEV(&s), EIEVectorFileError);
    }
    ASSERT_EQ(other.ObjectsCount(), 1);
    EXPECT_EQ(other.GetObjectRecord(0)->Kind, iekLINE);
    EXPECT_EQ(other.GetObjectRecord(0)->Tag, 1005);
  }
}

TEST_F(VectFilesTest, DetectorsAndTheirBounds) {
  AddFullObject(View, iekELLIPSE, 1);
  TMemoryStream iev, all;
  View->SaveToStreamIEV(&iev);
  View->SaveToStreamAll(&all, -1);
  iev.SetPosition(0);
  all.SetPosition(0);
  EXPECT_TRUE(IevDetect(&iev));
  EXPECT_FALSE(AllDetect(&iev));
  EXPECT_TRUE(AllDetect(&all));
  EXPECT_FALSE(IevDetect(&all));
  EXPECT_EQ(IEFindStreamFormat(&iev), ioIEV);
  EXPECT_EQ(IEFindStreamFormat(&all), ioALL);
  EXPECT_EQ(iev.Position(), 0);
  // An offset beyond the end of the stream.
  all.SetPosition(0);
  const int32_t beyond = static_cast<int32_t>(all.Size()) + 1;
  all.WriteBuffer(&beyond, 4);
  all.SetPosition(0);
  EXPECT_FALSE(AllDetect(&all));
  EXPECT_EQ(all.Position(), 0);
}

TEST_F(VectFilesTest, TheIOFrontEndLoadsIevFilesIntoAnyView) {
  TIEVObject line;
  line.Kind = iekLINE;
  line.X1 = 10;
  line.Y1 = 20;
  line.X2 = 5;
  line.Y2 = 40;
  line.Style = ievsVisible;
  line.Transparency = 255;
  line.PenWidth = 3;
  line.PenColor = 0x000000;
  View->AddObjectRecord(line);
  const std::string file = "/tmp/vect_io_" + std::to_string(getpid()) + ".iev";
  View->SaveToFileIEV(file);
  EXPECT_EQ(IEFindFileFormat(file, true), ioIEV);
  // A plain bitmap target: an image of the objects' extent.
  TIEBitmap target;
  {
    TImageryIO io(nullptr);
    io.AttachBitmap(&target);
    io.LoadFromFile(file);
    EXPECT_FALSE(io.Aborting.load());
  }
  EXPECT_EQ(target.Width(), 11);
  EXPECT_EQ(target.Height(), 41);
  {
    // The objects are burnt into the white image: the line's pixels are dark, a far corner white.
    TIEBitmap* rgb = &target;
    ASSERT_EQ(rgb->GetPixelFormat(), ie24RGB);
    const uint8_t* mid = rgb->Scanline(30) + 7 * 3;  // on the line from (10, 20) to (5, 40)
    EXPECT_LT(int(mid[0]) + mid[1] + mid[2], 3 * 128);
    const uint8_t* corner = rgb->Scanline(2) + 1 * 3;
    EXPECT_EQ(int(corner[0]) + corner[1] + corner[2], 3 * 255);
  }
  // An attached vector view takes the objects themselves.
  TImageryVect other(nullptr);
  {
    TImageryIO io(nullptr);
    io.SetAttachedImagery(&other);
    io.LoadFromFile(file);
    EXPECT_FALSE(io.Aborting.load());
  }
  ASSERT_EQ(other.ObjectsCount(), 1);
  EXPECT_EQ(other.GetObjectRecord(0)->X2, 5);
  // A damaged file is not loaded and leaves the target as it was.
  ASSERT_EQ(truncate(file.c_str(), 30), 0);
  {
    TImageryIO io(nullptr);
    io.SetAttachedImagery(&other);
    io.LoadFromFile(file);
    EXPECT_TRUE(io.Aborting.load());
  }
  EXPECT_EQ(other.ObjectsCount(), 1);
  std::remove(file.c_str());
}

}  // namespace

namespace {

TEST_F(VectFilesTest, AllStreamsLiveAtPositionZeroOnly) {
  AddFullObject(View, iekBOX, 1);
  vecttest::MakePicture(*View->GetIEBitmap(), 20, 10, 3);
  View->Update();
  TMemoryStream s;
  s.WriteBuffer("keep", 4);
  EXPECT_THROW(View->SaveToStreamAll(&s, -1), EIEVectorFileError);
  ASSERT_EQ(s.Size(), 4);
  EXPECT_EQ(0, std::memcmp(s.Memory(), "keep", 4));
  TMemoryStream all;
  all.WriteBuffer("pad!", 4);
  all.SetPosition(0);
  View->SaveToStreamAll(&all, -1);
  TImageryVect other(nullptr);
  all.SetPosition(4);
  EXPECT_FALSE(other.LoadFromStreamAll(&all));
  all.SetPosition(0);
  EXPECT_TRUE(other.LoadFromStreamAll(&all));
  EXPECT_EQ(other.ObjectsCount(), 1);
  EXPECT_EQ(other.GetIEBitmap()->Width(), 20);
}

}  // namespace

namespace {

// Every prefix of a stream holding every kind, and every single byte flipped in its deflated
// section: the load either succeeds or is refused with the target's objects kept.
TEST_F(VectFilesTest, EveryTruncationAndByteFlipIsRefusedSoundly) {
  AddEveryKind(View);
  TMemoryStream good;
  View->SaveToStreamIEV(&good);
  const std::string bytes(static_cast<const char*>(good.Memory()), static_cast<size_t>(good.Size()));
  TImageryVect other(nullptr);
  AddFullObject(&other, iekLINE, 5);
  auto attempt = [&](const std::string& b) {
    TMemoryStream s;
    s.WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
    s.SetPosition(0);
    bool loaded = false;
    try {
      loaded = other.LoadFromStreamIEV(&s);
    } catch (const EIEVectorFileError&) {
      loaded = false;
    }
    if (!loaded) {
      ASSERT_EQ(other.ObjectsCount(), 1);
      ASSERT_EQ(other.GetObjectRecord(0)->Tag, 1005);
    } else {
      other.ClearObjects();
      AddFullObject(&other, iekLINE, 5);
    }
  };
  for (size_t n = 0; n < bytes.size(); n += 3) attempt(bytes.substr(0, n));
  // The deflated section starts after the last PNG image.
  const size_t packed = bytes.rfind("IEND") + 8;
  ASSERT_LT(packed, bytes.size());
  for (size_t i = packed; i < bytes.size(); ++i) {
    std::string b = bytes;
    b[i] = static_cast<char>(b[i] ^ 0x5A);
    attempt(b);
  }
}

}  // namespace
