// TImageryVect: the IEV and ALL streams and files, their detectors and the IO front end's hooks
// (see imageryvect.h).
//
// An IEV stream: "IEV", a version byte ("1" to "Q"; written as "Q"), the total length, the scale
// factor, the shared bitmaps (PNG, BMP in the two oldest versions) and a deflated section with the
// object records. An ALL stream: the absolute position of its IEV stream, a layer stream, then the
// IEV stream.
//
// Damaged data: every length and count is checked against what the stream (or, inside the
// deflated section, a sane bound) can hold before anything is allocated; a load that fails half
// way puts the objects back as they were before it and raises EIEVectorFileError.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/iezlib.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryvect.h"
#include "platform/rtl/streams.h"

namespace {

constexpr uint8_t kIevFirstVersion = '1';
constexpr uint8_t kIevVersion = 'Q';
// Bounds of a sound stream inside the deflated section (texts, user data, counts).
constexpr int32_t kIevMaxBlock = 64 << 20;
constexpr int32_t kIevMaxCount = 16 << 20;
constexpr int kIevMaxNesting = 64;

struct TIevDamaged {
  const char* What;
};

void IevPutInt(TStream* s, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 24)};
  s->WriteBuffer(b, 4);
}
void IevPutByte(TStream* s, uint8_t v) { s->WriteBuffer(&v, 1); }
void IevPutBool(TStream* s, bool v) { IevPutByte(s, v ? 1 : 0); }
void IevPutDouble(TStream* s, double v) {
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  s->WriteBuffer(b, 8);
}
void IevPutString(TStream* s, const std::string& t) {
  IevPutInt(s, static_cast<int32_t>(t.size()));
  if (!t.empty()) s->WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

// Reads with every short read counted as damage. Left is what may still be read (-1: unknown,
// inside the deflated section).
struct TIevReader {
  TStream* S;
  int64_t End;  // -1: unknown
  void Bytes(void* p, int64_t n) {
    if (n < 0) throw TIevDamaged{"negative length"};
    if (End >= 0 && n > End - S->Position()) throw TIevDamaged{"truncated"};
    int64_t got = 0;
    while (got < n) {
      const int64_t r = S->Read(static_cast<uint8_t*>(p) + got, n - got);
      if (r <= 0) throw TIevDamaged{"truncated"};
      got += r;
    }
  }
  uint8_t Byte() {
    uint8_t b = 0;
    Bytes(&b, 1);
    return b;
  }
  bool Bool() { return Byte() != 0; }
  int32_t Int() {
    uint8_t b[4];
    Bytes(b, 4);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
  double Double() {
    double v = 0;
    Bytes(&v, 8);
    return v;
  }
  int32_t Length(int32_t Max = kIevMaxBlock) {
    const int32_t n = Int();
    if (n < 0 || n > Max) throw TIevDamaged{"bad length"};
    if (End >= 0 && n > End - S->Position()) throw TIevDamaged{"truncated"};
    return n;
  }
  // Inside the deflated section the size of what follows is unknown: blocks are read in pieces,
  // so a damaged length costs no more memory than the data that is really there.
  void Block(std::vector<uint8_t>& Out, int32_t n) {
    Out.clear();
    while (static_cast<int32_t>(Out.size()) < n) {
      const size_t at = Out.size();
      const size_t piece = std::min<size_t>(static_cast<size_t>(n) - at, 65536);
      Out.resize(at + piece);
      Bytes(Out.data() + at, static_cast<int64_t>(piece));
    }
  }
  std::string String() {
    std::vector<uint8_t> b;
    Block(b, Length());
    return std::string(b.begin(), b.end());
  }
  // Room for n elements, reserved only as far as a small first step.
  template <class T> void Reserve(std::vector<T>& v, int32_t n) { v.reserve(static_cast<size_t>(std::min(n, 4096))); }
};

// The length of the PNG file at the stream's position (signature and chunks up to IEND).
int64_t IevPngLength(TIevReader& R) {
  const int64_t start = R.S->Position();
  uint8_t sig[8];
  R.Bytes(sig, 8);
  if (std::memcmp(sig, "\x89PNG\r\n\x1A\n", 8) != 0) throw TIevDamaged{"bitmap is not a PNG image"};
  for (;;) {
    uint8_t h[8];
    R.Bytes(h, 8);
    const uint32_t len = static_cast<uint32_t>(h[0]) << 24 | static_cast<uint32_t>(h[1]) << 16 |
                         static_cast<uint32_t>(h[2]) << 8 | h[3];
    if (len > 0x7FFFFFFFu || static_cast<int64_t>(len) + 4 > R.End - R.S->Position())
      throw TIevDamaged{"truncated PNG image"};
    R.S->Seek(static_cast<int64_t>(len) + 4, soCurrent);
    if (std::memcmp(h + 4, "IEND", 4) == 0) break;
  }
  const int64_t n = R.S->Position() - start;
  R.S->SetPosition(start);
  return n;
}

bool IevValidPenStyle(uint8_t v) { return v <= psInsideFrame; }
bool IevValidBrushStyle(uint8_t v) { return v <= bsDiagCross; }

}  // namespace

// The view's internals the file code uses.
struct TIEVFileAccess {
  static void WriteRecord(TImageryVect& V, TStream* S, int h);
  static int ReadRecord(TImageryVect& V, TIevReader& R, uint8_t Version, int Depth);
  static void ReadSlots(TImageryVect& V, TIevReader& R, uint8_t Version, int N);
  static void LoadBody(TImageryVect& V, TStream* Stream, uint8_t Version);
};

// ================================================================ writing

void TIEVFileAccess::WriteRecord(TImageryVect& V, TStream* S, int h) {
  const TIEVObject& o = V.Rec(h);
  IevPutInt(S, h);
  IevPutInt(S, o.X1);
  IevPutInt(S, o.Y1);
  IevPutInt(S, o.X2);
  IevPutInt(S, o.Y2);
  IevPutByte(S, o.Kind);
  IevPutBool(S, o.KeepAspect);
  IevPutBool(S, o.SoftShadow.Enabled);
  IevPutDouble(S, o.SoftShadow.Radius);
  IevPutInt(S, o.SoftShadow.OffsetX);
  IevPutInt(S, o.SoftShadow.OffsetY);
  IevPutInt(S, o.SoftShadow.Intensity);
  IevPutByte(S, o.SoftShadow.ShadowColor.b);
  IevPutByte(S, o.SoftShadow.ShadowColor.g);
  IevPutByte(S, o.SoftShadow.ShadowColor.r);
  IevPutString(S, o.Name);
  IevPutInt(S, o.Tag);
  IevPutInt(S, o.PenColor);
  IevPutByte(S, static_cast<uint8_t>(o.PenStyle));
  IevPutInt(S, o.PenWidth);
  IevPutInt(S, o.BrushColor);
  IevPutByte(S, static_cast<uint8_t>(o.BrushStyle));
  IevPutByte(S, o.Style);
  IevPutInt(S, o.Transparency);
  IevPutBool(S, o.Highlight);
  IevPutByte(S, o.FontQuality);
  const int32_t user = o.UserData != nullptr ? std::max(o.UserDataLength, 0) : 0;
  IevPutInt(S, user);
  if (user > 0) S->WriteBuffer(o.UserData, user);
  if (o.Kind == iekLINELABEL) {
    IevPutInt(S, o.LabelBrushColor);
    IevPutByte(S, static_cast<uint8_t>(o.LabelBrushStyle));
    IevPutByte(S, o.LabelPosition);
    IevPutByte(S, o.LabelBorder);
  }
  if (o.Kind == iekLINE || o.Kind == iekLINELABEL) {
    IevPutByte(S, o.BeginShape);
    IevPutByte(S, o.EndShape);
    IevPutInt(S, o.ShapeWidth);
    IevPutInt(S, o.ShapeLength);
  }
  if (o.Kind == iekARC) {
    IevPutDouble(S, o.ArcStart);
    IevPutDouble(S, o.ArcEnd);
  }
  if (o.Kind == iekBITMAP) {
    IevPutInt(S, o.BitmapSlot);
    IevPutBool(S, o.BitmapBorder);
    IevPutString(S, o.Text);
  }
  if (o.Kind == iekTEXT || o.Kind == iekLINELABEL || o.Kind == iekEXTENDED) {
    IevPutByte(S, o.TextAlign);
    IevPutBool(S, o.AutoSize);
    IevPutString(S, o.Text);
    IevPutBool(S, o.Font != nullptr);
    if (o.Font) S->WriteBuffer(o.Font.get(), sizeof(LOGFONT));
    IevPutInt(S, static_cast<int32_t>(o.CurvePoints.size()));
    if (!o.CurvePoints.empty()) {
      for (const TIEDPoint& p : o.CurvePoints) {
        IevPutDouble(S, p.X);
        IevPutDouble(S, p.Y);
      }
      IevPutInt(S, o.CharAngle);
    }
  }
  if (o.Kind == iekMEMO) {
    IevPutString(S, o.Text);
    IevPutBool(S, o.Font != nullptr);
    if (o.Font) S->WriteBuffer(o.Font.get(), sizeof(LOGFONT));
    IevPutBool(S, !o.MemoCharFormat.empty());
    if (!o.MemoCharFormat.empty())
      for (size_t i = 0; i < o.Text.size(); ++i) IevPutInt(S, i < o.MemoCharFormat.size() ? o.MemoCharFormat[i] : 0);
    IevPutInt(S, static_cast<int32_t>(o.MemoFormats.size()));
    if (!o.MemoFormats.empty())
      for (const TIECharFormat& f : o.MemoFormats) {
        uint8_t rec[IECharFormatSize];
        f.WriteTo(rec);
        S->WriteBuffer(rec, IECharFormatSize);
      }
    IevPutBool(S, o.MemoFixedFont);
    IevPutBool(S, o.AutoSize);
    IevPutInt(S, o.MemoLineSpacing);
    IevPutInt(S, o.MemoBorderColor);
    IevPutByte(S, static_cast<uint8_t>(o.MemoBorderStyle));
    IevPutByte(S, o.TextAlign);
    IevPutInt(S, o.MemoLineHeight);
    IevPutBool(S, o.MemoHasBitmap);
    if (o.MemoHasBitmap) {
      IevPutInt(S, o.BitmapSlot);
      IevPutBool(S, o.BitmapBorder);
    }
    for (double m : o.MemoMargins) IevPutDouble(S, m);
    IevPutByte(S, static_cast<uint8_t>(o.MemoTextBrushStyle));
  }
  IevPutBool(S, o.TextEditable);
  if (o.Kind == iekRULER) {
    IevPutByte(S, static_cast<uint8_t>(o.RulerUnit));
    IevPutByte(S, o.RulerType);
    IevPutBool(S, o.Font != nullptr);
    if (o.Font) S->WriteBuffer(o.Font.get(), sizeof(LOGFONT));
  }
  if (o.Kind == iekPOLYLINE) {
    IevPutInt(S, static_cast<int32_t>(o.Points.size()));
    for (const TIEPoint& p : o.Points) {
      IevPutInt(S, p.X);
      IevPutInt(S, p.Y);
    }
    IevPutInt(S, o.PointsBounds.Left);
    IevPutInt(S, o.PointsBounds.Top);
    IevPutInt(S, o.PointsBounds.Right);
    IevPutInt(S, o.PointsBounds.Bottom);
    IevPutBool(S, o.Closed);
  }
  if (o.Kind == iekANGLE) {
    for (const TIEPoint& p : o.AnglePoints) {
      IevPutInt(S, p.X);
      IevPutInt(S, p.Y);
    }
    IevPutBool(S, o.Font != nullptr);
    if (o.Font) S->WriteBuffer(o.Font.get(), sizeof(LOGFONT));
  }
  if (o.Kind == iekEXTENDED) {
    const std::string name = o.Extended ? TImageryVect::GetExtendedObjectName(o.Extended.get()) : std::string();
    // An instance whose class is not registered could not be read back: it is stored as none.
    IevPutBool(S, !name.empty());
    if (!name.empty()) {
      IevPutString(S, name);
      o.Extended->SaveToStream(S);
    }
  }
}

void TImageryVect::SaveObjectToStream(TStream* Stream, int hobj) {
  if (hobj == IEV_ALL_OBJECTS) {
    for (int h : FDrawingOrder) TIEVFileAccess::WriteRecord(*this, Stream, h);
  } else {
    TIEVFileAccess::WriteRecord(*this, Stream, hobj == IEV_LAST_ADDED ? FLastAdded : hobj);
  }
}

void TImageryVect::SaveToStreamIEV(TStream* Stream) {
  CompactBitmapSlots();
  const int64_t start = Stream->Position();
  Stream->WriteBuffer("IEV", 3);
  IevPutByte(Stream, kIevVersion);
  IevPutInt(Stream, 0);
  IevPutDouble(Stream, FScaleFactor);
  IevPutInt(Stream, static_cast<int32_t>(FBitmapSlots.size()));
  for (size_t i = 0; i < FBitmapSlots.size(); ++i) {
    int32_t r = FBitmapSlots[i].RefCount;
    if (static_cast<int>(i) == FTemplate.BitmapSlot) --r;
    IevPutInt(Stream, r);
    if (r > 0) {
      TImageryIO io(nullptr);
      io.AttachBitmap(FBitmapSlots[i].Bitmap.get());
      io.Aborting.store(false);
      io.SaveToStreamPNG(Stream);
      if (io.Aborting.load()) throw EIEVectorFileError("Cannot write the bitmap of a vector object");
    }
  }
  {
    TZCompressionStream z(Stream, 2);
    IevPutInt(&z, static_cast<int32_t>(FDrawingOrder.size()));
    SaveObjectToStream(&z, IEV_ALL_OBJECTS);
    z.Finish();
  }
  Stream->Seek(0, soEnd);
  const int64_t end = Stream->Position();
  Stream->SetPosition(start + 4);
  IevPutInt(Stream, static_cast<int32_t>(end - start));
  Stream->SetPosition(end);
}

void TImageryVect::SaveToFileIEV(const std::string& FileName) {
  TFileStream fs(FileName, fmCreate);
  SaveToStreamIEV(&fs);
}

void TImageryVect::SaveToStreamAll(TStream* Stream, int ImageFormat) {
  // The offset of the objects is absolute and is patched in at position 0: written anywhere else
  // it would overwrite what the stream holds there and the stream could not be read back.
  if (Stream->Position() != 0)
    throw EIEVectorFileError("A layers-and-objects stream must start at the beginning of its stream");
  IevPutInt(Stream, 0);
  SaveLayersToStream(Stream, ImageFormat);
  Stream->Seek(0, soEnd);
  const int64_t p = Stream->Position();
  if (p > 0x7FFFFFFF) throw EIEVectorFileError("Layers too large for a layers-and-objects stream");
  Stream->SetPosition(0);
  IevPutInt(Stream, static_cast<int32_t>(p));
  Stream->SetPosition(p);
  SaveToStreamIEV(Stream);
}

void TImageryVect::SaveToFileAll(const std::string& FileName, int ImageFormat) {
  TFileStream fs(FileName, fmCreate);
  SaveToStreamAll(&fs, ImageFormat);
}

// ================================================================ reading

int TIEVFileAccess::ReadRecord(TImageryVect& V, TIevReader& R, uint8_t v, int Depth) {
  if (Depth > kIevMaxNesting) throw TIevDamaged{"groups nested too deeply"};
  TIEVObject o;
  auto readFont = [&]() {
    if (R.Bool()) {
      o.Font = std::make_unique<LOGFONT>();
      R.Bytes(o.Font.get(), sizeof(LOGFONT));
    }
  };
  if (v >= '<') R.Int();
  o.X1 = R.Int();
  o.Y1 = R.Int();
  o.X2 = R.Int();
  o.Y2 = R.Int();
  const uint8_t kind = R.Byte();
  if (kind >= IEVObjectKindCount) throw TIevDamaged{"unknown object kind"};
  o.Kind = static_cast<TIEVObjectKind>(kind);
  o.KeepAspect = v >= 'M' ? R.Bool() : false;
  o.SoftShadow.Enabled = false;
  o.SoftShadow.Radius = 3.0;
  o.SoftShadow.OffsetX = 2;
  o.SoftShadow.OffsetY = 2;
  if (v >= '=') {
    o.SoftShadow.Enabled = R.Bool();
    o.SoftShadow.Radius = R.Double();
    o.SoftShadow.OffsetX = R.Int();
    o.SoftShadow.OffsetY = R.Int();
  }
  if (v >= 'O') {
    o.SoftShadow.Intensity = R.Int();
    o.SoftShadow.ShadowColor.b = R.Byte();
    o.SoftShadow.ShadowColor.g = R.Byte();
    o.SoftShadow.ShadowColor.r = R.Byte();
  }
  o.Name = R.String();
  o.Tag = R.Int();
  o.PenColor = R.Int();
  const uint8_t ps = R.Byte();
  o.PenWidth = R.Int();
  o.BrushColor = R.Int();
  const uint8_t bs = R.Byte();
  if (!IevValidPenStyle(ps) || !IevValidBrushStyle(bs)) throw TIevDamaged{"bad pen or brush style"};
  o.PenStyle = static_cast<TPenStyle>(ps);
  o.BrushStyle = static_cast<TBrushStyle>(bs);
  o.Style = R.Byte();
  o.Transparency = v >= '=' ? R.Int() : 255;
  o.Highlight = v >= '@' ? R.Bool() : false;
  o.FontQuality = v >= 'Q' ? R.Byte() : 0;
  std::vector<uint8_t> user;
  if (v >= 'I') R.Block(user, R.Length());
  int32_t nested = 0;
  if (o.Kind == iekNONE) {
    nested = R.Int();
    if (nested < 0 || nested > kIevMaxCount) throw TIevDamaged{"bad group count"};
  }
  if (o.Kind == iekLINELABEL && v >= 'P') {
    o.LabelBrushColor = R.Int();
    const uint8_t lbs = R.Byte();
    if (!IevValidBrushStyle(lbs)) throw TIevDamaged{"bad label brush style"};
    o.LabelBrushStyle = static_cast<TBrushStyle>(lbs);
    o.LabelPosition = R.Byte();
    o.LabelBorder = R.Byte();
  }
  if (o.Kind == iekLINE || o.Kind == iekLINELABEL) {
    o.BeginShape = R.Byte();
    o.EndShape = R.Byte();
    o.ShapeWidth = R.Int();
    o.ShapeLength = R.Int();
  }
  if (o.Kind == iekARC) {
    o.ArcStart = R.Double();
    o.ArcEnd = R.Double();
  }
  if (o.Kind == iekBITMAP) {
    o.BitmapSlot = R.Int();
    o.BitmapBorder = v >= 'B' ? R.Bool() : false;
    if (v >= 'F') o.Text = R.String();
  }
  o.CharAngle = -10;
  if (o.Kind == iekTEXT || o.Kind == iekLINELABEL || o.Kind == iekEXTENDED) {
    if (v >= '4') o.TextAlign = R.Byte();
    if (v >= '9') o.AutoSize = R.Bool();
    o.Text = R.String();
    readFont();
    if (v >= '?') {
      const int32_t n = R.Int();
      if (n > kIevMaxCount) throw TIevDamaged{"bad curve point count"};
      if (n > 0) {
        R.Reserve(o.CurvePoints, n);
        for (int32_t i = 0; i < n; ++i) {
          const double x = R.Double();
          o.CurvePoints.push_back(TIEDPoint{x, R.Double()});
        }
        o.CharAngle = R.Int();
      }
    }
  }
  if (o.Kind == iekMEMO) {
    o.Text = R.String();
    readFont();
    const bool formats = v >= 'C' ? R.Bool() : true;
    if (formats && !o.Text.empty()) {
      o.MemoCharFormat.resize(o.Text.size());
      for (int32_t& f : o.MemoCharFormat) f = R.Int();
    }
    const int32_t nf = R.Int();
    if (nf < 0 || nf > kIevMaxCount) throw TIevDamaged{"bad memo format count"};
    R.Reserve(o.MemoFormats, nf);
    for (int32_t i = 0; i < nf; ++i) {
      uint8_t rec[IECharFormatSize];
      R.Bytes(rec, IECharFormatSize);
      o.MemoFormats.push_back(TIECharFormat::ReadFrom(rec));
    }
    // A character format index must name one of the formats.
    for (int32_t f : o.MemoCharFormat)
      if (f < 0 || f >= nf) throw TIevDamaged{"memo character format out of range"};
    o.MemoFixedFont = R.Bool();
    o.AutoSize = R.Bool();
    o.MemoLineSpacing = R.Int();
    o.MemoBorderColor = R.Int();
    const uint8_t mbs = R.Byte();
    if (!IevValidPenStyle(mbs)) throw TIevDamaged{"bad memo border style"};
    o.MemoBorderStyle = static_cast<TPenStyle>(mbs);
    o.TextAlign = R.Byte();
    o.MemoLineHeight = R.Int();
    o.MemoHasBitmap = v >= 'I' ? R.Bool() : false;
    if (o.MemoHasBitmap) {
      o.BitmapSlot = R.Int();
      o.BitmapBorder = v >= 'B' ? R.Bool() : false;
    }
    if (v >= 'H')
      for (double& m : o.MemoMargins) m = R.Double();
    if (v >= 'L') {
      const uint8_t tbs = R.Byte();
      if (!IevValidBrushStyle(tbs)) throw TIevDamaged{"bad memo text brush style"};
      o.MemoTextBrushStyle = static_cast<TBrushStyle>(tbs);
    }
  }
  o.TextEditable = v >= 'J' ? R.Bool() : true;
  auto templateFont = [&](int Height) {
    // Older files carry no font for measuring kinds: the template's face Arial at a fixed height.
    o.Font = std::make_unique<LOGFONT>(V.FTemplate.Font ? *V.FTemplate.Font : LOGFONT{});
    o.Font->lfHeight = Height;
    std::memset(o.Font->lfFaceName, 0, sizeof o.Font->lfFaceName);
    std::memcpy(o.Font->lfFaceName, "Arial", 5);
  };
  if (o.Kind == iekRULER) {
    // Before rulers carried their unit and type they measured like a new ruler of the view.
    o.RulerUnit = V.FTemplate.RulerUnit;
    o.RulerType = V.FTemplate.RulerType;
    if (v >= '5') {
      const uint8_t unit = R.Byte();
      if (unit > ieuNANOMETERS) throw TIevDamaged{"bad ruler unit"};
      o.RulerUnit = static_cast<TIEUnits>(unit);
      o.RulerType = R.Byte();
      if (v >= 'A') readFont();
    }
    if (!o.Font) templateFont(12);
  }
  if (o.Kind == iekPOLYLINE && v >= '8') {
    const int32_t n = R.Int();
    if (n < 0 || n > kIevMaxCount) throw TIevDamaged{"bad vertex count"};
    R.Reserve(o.Points, n);
    for (int32_t i = 0; i < n; ++i) {
      const int32_t x = R.Int();
      o.Points.push_back(TIEPoint{x, R.Int()});
    }
    o.PointsBounds.Left = R.Int();
    o.PointsBounds.Top = R.Int();
    o.PointsBounds.Right = R.Int();
    o.PointsBounds.Bottom = R.Int();
    o.Closed = v >= ';' ? R.Bool() : false;
  }
  if (o.Kind == iekANGLE) {
    // Before angles carried their points they are placed like a new angle of the view.
    std::memcpy(o.AnglePoints, V.FTemplate.AnglePoints, sizeof o.AnglePoints);
    if (v >= ':')
      for (TIEPoint& p : o.AnglePoints) {
        p.X = R.Int();
        p.Y = R.Int();
      }
    if (v >= 'K') readFont();
    if (!o.Font) templateFont(10);
  }
  if (o.Kind == iekEXTENDED && v >= 'N' && R.Bool()) {
    const std::string name = R.String();
    std::unique_ptr<TIEVExtendedObject> x(V.CreateExtendedObject(name));
    // The instance's data belongs to its class and cannot be skipped without it.
    if (!x) throw TIevDamaged{"extended object of an unregistered class"};
    x->Owner = &V;
    x->Initialize();
    x->LoadFromStream(R.S);
    o.Extended = std::move(x);
  }
  int h = IEV_NO_OBJECT;
  if (o.Kind != iekNONE) {
    h = V.AddObjectRecord(o);
    if (!user.empty()) {
      void* block = std::malloc(user.size());
      if (block == nullptr) throw EOutOfMemory("Out of memory");
      std::memcpy(block, user.data(), user.size());
      TIEVObject& n = V.FObjects[static_cast<size_t>(h)];
      n.UserData = block;
      n.UserDataLength = static_cast<int32_t>(user.size());
    }
  }
  for (int32_t i = 0; i < nested; ++i) {
    const int nh = ReadRecord(V, R, v, Depth + 1);
    if (nh >= 0) h = nh;
  }
  return h;
}

int TImageryVect::LoadObjectFromStream(TStream* Stream, uint8_t Version) {
  TIevReader R{Stream, -1};
  try {
    return TIEVFileAccess::ReadRecord(*this, R, Version, 0);
  } catch (const TIevDamaged& d) {
    throw EIEVectorFileError(std::string("Damaged vector object: ") + d.What);
  }
}

void TIEVFileAccess::ReadSlots(TImageryVect& V, TIevReader& R, uint8_t v, int N) {
  V.ResetBitmapSlots(N);
  for (int i = 0; i < N; ++i) {
    const int32_t refs = R.Int();
    if (refs <= 0) continue;
    int64_t len = 0;
    if (v >= '3') {
      len = IevPngLength(R);
    } else {
      const int64_t at = R.S->Position();
      uint8_t h[6];
      R.Bytes(h, 6);
      R.S->SetPosition(at);
      if (h[0] != 'B' || h[1] != 'M') throw TIevDamaged{"bitmap is not a BMP image"};
      len = static_cast<int64_t>(static_cast<uint32_t>(h[2]) | static_cast<uint32_t>(h[3]) << 8 |
                                 static_cast<uint32_t>(h[4]) << 16 | static_cast<uint32_t>(h[5]) << 24);
      if (len < 14 || len > R.End - at) throw TIevDamaged{"truncated BMP image"};
    }
    TMemoryStream image;
    image.SetSize(len);
    R.Bytes(image.Memory(), len);
    image.SetPosition(0);
    auto bmp = std::make_unique<TIEBitmap>();
    {
      TImageryIO io(nullptr);
      io.AttachBitmap(bmp.get());
      io.Aborting.store(false);
      if (v >= '3')
        io.LoadFromStreamPNG(&image);
      else
        io.LoadFromStreamBMP(&image);
      if (io.Aborting.load() || bmp->Width() <= 0 || bmp->Height() <= 0) throw TIevDamaged{"unreadable bitmap"};
    }
    if (v >= '7' && v <= '<') {
      const int32_t l = R.Length();
      std::vector<uint8_t> packed(static_cast<size_t>(l));
      if (l > 0) R.Bytes(packed.data(), l);
      TIEBitmap* alpha = bmp->GetAlphaChannel();
      const int64_t need = static_cast<int64_t>(alpha->RowLen()) * alpha->Height();
      void* out = nullptr;
      int outSize = 0;
      try {
        ZDecompressBuffer(packed.data(), l, out, static_cast<int>(std::min<int64_t>(need, 0x7FFFFFFF)), outSize);
      } catch (const Exception&) {
        throw TIevDamaged{"damaged alpha channel"};
      }
      std::unique_ptr<void, decltype(&std::free)> hold(out, &std::free);
      if (outSize < need) throw TIevDamaged{"truncated alpha channel"};
      const uint8_t* src = static_cast<const uint8_t*>(out);
      for (int y = alpha->Height() - 1; y >= 0; --y, src += alpha->RowLen())
        std::memcpy(alpha->Scanline(y), src, static_cast<size_t>(alpha->RowLen()));
    }
    V.PutSlotBitmap(i, std::move(bmp));
  }
}

void TIEVFileAccess::LoadBody(TImageryVect& V, TStream* Stream, uint8_t v) {
  TIevReader R{Stream, Stream->Size()};
  R.Int();  // the total length is not needed
  V.FScaleFactor = v == '1' ? static_cast<double>(R.Int()) : R.Double();
  const int32_t n = R.Int();
  if (n < 0 || n > (R.End - Stream->Position()) / 4) throw TIevDamaged{"bad bitmap count"};
  ReadSlots(V, R, v, n);
  TZDecompressionStream z(Stream);
  TIevReader Z{&z, -1};
  const int32_t count = Z.Int();
  if (count < 0 || count > kIevMaxCount) throw TIevDamaged{"bad object count"};
  for (int32_t i = 0; i < count; ++i) ReadRecord(V, Z, v, 0);
}

bool TImageryVect::LoadFromStreamIEV(TStream* Stream) {
  if (Stream == nullptr) return false;
  const int64_t start = Stream->Position();
  uint8_t h[4] = {0, 0, 0, 0};
  if (Stream->Read(h, 4) != 4 || std::memcmp(h, "IEV", 3) != 0 || h[3] < kIevFirstVersion || h[3] > kIevVersion) {
    Stream->SetPosition(start);
    return false;
  }
  // What the view holds now, to put back if the stream turns out damaged.
  TMemoryStream before;
  const double scale = FScaleFactor;
  SaveToStreamIEV(&before);
  const bool share = ShareBitmaps;
  ShareBitmaps = true;
  std::unique_ptr<TIEBitmap> templateBitmap;
  if (TIEBitmap* tb = GetSlotBitmap(FTemplate.BitmapSlot)) {
    templateBitmap = std::make_unique<TIEBitmap>();
    templateBitmap->Assign(tb);
  }
  SetObjectBitmap(IEV_TEMPLATE, nullptr);
  const bool autoUndo = ObjAutoUndo;
  ObjAutoUndo = false;
  ClearObjects();
  ObjAutoUndo = autoUndo;
  std::string failure;
  try {
    TIEVFileAccess::LoadBody(*this, Stream, h[3]);
  } catch (const TIevDamaged& d) {
    failure = d.What;
  } catch (const EOutOfMemory&) {
    failure = "out of memory";
  } catch (const Exception& e) {
    failure = e.Message();
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  }
  if (!failure.empty()) {
    // Put the view back as it was: objects, bitmaps, template bitmap and scale.
    for (TIEVObject& o : FObjects) FreeObjectData(o);
    FObjects.clear();
    FDrawingOrder.clear();
    FSelection.clear();
    FLastAdded = -1;
    FBitmapSlots.clear();
    FTemplate.BitmapSlot = -1;
    before.SetPosition(4);
    try {
      TIEVFileAccess::LoadBody(*this, &before, kIevVersion);
    } catch (...) {
      // our own stream of a moment ago reads back
    }
    FScaleFactor = scale;
    ShareBitmaps = share;
    if (templateBitmap) SetObjectBitmap(IEV_TEMPLATE, templateBitmap.get());
    UpdateUnitFactors();
    Update();
    throw EIEVectorFileError("Damaged vector-object stream: " + failure);
  }
  ShareBitmaps = share;
  if (templateBitmap) SetObjectBitmap(IEV_TEMPLATE, templateBitmap.get());
  UpdateUnitFactors();
  Update();
  return true;
}

bool TImageryVect::LoadFromFileIEV(const std::string& FileName) {
  if (FileName.empty()) return false;
  TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
  return LoadFromStreamIEV(&fs);
}

bool TImageryVect::LoadFromStreamAll(TStream* Stream) {
  // The offset of the objects is absolute: a stream that does not start at position 0 would be
  // read wrongly. The layers are refused before anything changes when the offset is wrong.
  if (Stream == nullptr || Stream->Position() != 0 || !AllDetect(Stream)) return false;
  Stream->SetPosition(0);
  TIevReader R{Stream, Stream->Size()};
  const int32_t o = R.Int();
  if (!LoadLayersFromStream(Stream)) return false;
  Stream->SetPosition(o);
  return LoadFromStreamIEV(Stream);
}

bool TImageryVect::LoadFromFileAll(const std::string& FileName) {
  if (FileName.empty()) return false;
  TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
  return LoadFromStreamAll(&fs);
}

// ================================================================ detectors and hooks

bool IevDetect(TStream* Stream) {
  if (Stream == nullptr) return false;
  const int64_t start = Stream->Position();
  bool found = false;
  try {
    uint8_t h[4];
    found = Stream->Read(h, 4) == 4 && std::memcmp(h, "IEV", 3) == 0 && h[3] >= kIevFirstVersion && h[3] <= kIevVersion;
  } catch (const Exception&) {
    found = false;
  }
  Stream->SetPosition(start);
  return found;
}

bool AllDetect(TStream* Stream) {
  if (Stream == nullptr) return false;
  const int64_t start = Stream->Position();
  bool found = false;
  try {
    uint8_t b[4];
    if (Stream->Read(b, 4) == 4) {
      const int32_t o = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                             static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
      if (o >= 4 && o <= Stream->Size() && LyrDetect(Stream)) {
        Stream->SetPosition(o);
        found = IevDetect(Stream);
      }
    }
  } catch (const Exception&) {
    found = false;
  }
  Stream->SetPosition(start);
  return found;
}

namespace {

bool IevLoadHook(TIEView* View, TStream* Stream, int32_t FileType, TIEBitmap* Bitmap, bool& IntoView) {
  auto load = [&](TImageryVect& v) {
    try {
      return FileType == ioALL ? v.LoadFromStreamAll(Stream) : v.LoadFromStreamIEV(Stream);
    } catch (const Exception&) {
      return false;  // damaged: the view kept what it had
    }
  };
  if (auto* vect = dynamic_cast<TImageryVect*>(View)) {
    IntoView = true;
    return load(*vect);
  }
  IntoView = false;
  if (Bitmap == nullptr) return false;
  // An unseen vector view loads the file, the image is sized to the objects' extent and the
  // objects are burnt into it. The image starts white, as a new page would; a file without
  // objects has no extent and loads nothing.
  TImageryVect temp(nullptr);
  if (!load(temp)) return false;
  TIEBitmap* image = temp.GetIEBitmap();
  if (FileType != ioALL) {
    const RECT e = temp.GetObjectsExtent();
    if (e.right <= 0 || e.bottom <= 0 || e.right > IEMaxZoomedExtent || e.bottom > IEMaxZoomedExtent) return false;
    image->Allocate(e.right, e.bottom, ie24RGB);
    image->Fill(0xFFFFFF);
  } else {
    temp.FlattenLayers();
  }
  temp.CopyObjectsToImage(true);
  Bitmap->Assign(temp.GetIEBitmap());
  return true;
}

}  // namespace

void IEInstallVectorFileHooks(bool Install) {
  IECodecs.IsVectorObjectsFile = Install ? &IevDetect : nullptr;
  IECodecs.IsLayersObjectsFile = Install ? &AllDetect : nullptr;
  IECodecs.LoadVectorObjectsFile = Install ? &IevLoadHook : nullptr;
}
