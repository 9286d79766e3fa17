// The movie parser: header, tags, shapes, placements. Readers never go past the end of the tag
// they read; a read beyond it marks the reader bad and the load fails.
#include "swf/swfmovie.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include <zlib.h>

#include "swf/swfdecode.h"

namespace {

// Tag codes the parser acts on; every other tag is skipped by its length.
enum SwfTagCode : int {
  kSwfTagEnd = 0,
  kSwfTagShowFrame = 1,
  kSwfTagDefineShape = 2,
  kSwfTagPlaceObject = 4,
  kSwfTagRemoveObject = 5,
  kSwfTagDefineBits = 6,
  kSwfTagJpegTables = 8,
  kSwfTagSetBackgroundColor = 9,
  kSwfTagDefineBitsLossless = 20,
  kSwfTagDefineBitsJpeg2 = 21,
  kSwfTagDefineShape2 = 22,
  kSwfTagPlaceObject2 = 26,
  kSwfTagRemoveObject2 = 28,
  kSwfTagDefineShape3 = 32,
  kSwfTagDefineBitsJpeg3 = 35,
  kSwfTagDefineBitsLossless2 = 36,
};

// A bounded reader of bytes and of the format's big-endian bit fields.
class SwfBitReader {
public:
  SwfBitReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
  bool Bad() const { return FBad; }
  size_t Pos() const { return FPos; }
  size_t Left() const { return FBad || FPos >= FSize ? 0 : FSize - FPos; }
  const uint8_t* Here() const { return FData + FPos; }
  void Align() {
    if (FBit) {
      FBit = 0;
      ++FPos;
    }
  }
  uint8_t U8() {
    Align();
    if (FPos + 1 > FSize) return Fault();
    return FData[FPos++];
  }
  uint16_t U16() {
    Align();
    if (FPos + 2 > FSize) return Fault();
    const uint16_t v = static_cast<uint16_t>(FData[FPos] | (FData[FPos + 1] << 8));
    FPos += 2;
    return v;
  }
  uint32_t U32() {
    Align();
    if (FPos + 4 > FSize) return Fault();
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | FData[FPos + i];
    FPos += 4;
    return v;
  }
  void Skip(size_t N) {
    Align();
    if (N > Left()) {
      Fault();
      return;
    }
    FPos += N;
  }
  // N unsigned bits (N <= 32).
  uint32_t UB(int N) {
    uint32_t v = 0;
    for (int i = 0; i < N; ++i) {
      if (FPos >= FSize) return Fault();
      v = (v << 1) | ((FData[FPos] >> (7 - FBit)) & 1);
      if (++FBit == 8) {
        FBit = 0;
        ++FPos;
      }
    }
    return v;
  }
  // N signed bits, sign-extended.
  int32_t SB(int N) {
    if (N == 0) return 0;
    const uint32_t v = UB(N);
    if (N < 32 && (v & (1u << (N - 1)))) return static_cast<int32_t>(v | ~((1u << N) - 1));
    return static_cast<int32_t>(v);
  }
  // N bits of a signed 16.16 fixed value.
  double FB(int N) { return SB(N) / 65536.0; }
  std::string String() {
    Align();
    std::string s;
    while (FPos < FSize && FData[FPos]) s.push_back(static_cast<char>(FData[FPos++]));
    if (FPos >= FSize) {
      Fault();
      return s;
    }
    ++FPos;
    return s;
  }

private:
  uint8_t Fault() {
    FBad = true;
    FPos = FSize;
    FBit = 0;
    return 0;
  }
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
  int FBit = 0;
  bool FBad = false;
};

TSwfRGBA SwfReadRGB(SwfBitReader& R) {
  TSwfRGBA c;
  c.R = R.U8();
  c.G = R.U8();
  c.B = R.U8();
  return c;
}

TSwfRGBA SwfReadColor(SwfBitReader& R, bool WithAlpha) {
  TSwfRGBA c = SwfReadRGB(R);
  if (WithAlpha) c.A = R.U8();
  return c;
}

TSwfMatrix SwfReadMatrix(SwfBitReader& R) {
  TSwfMatrix m;
  R.Align();
  if (R.UB(1)) {
    const int n = static_cast<int>(R.UB(5));
    m.ScaleX = R.FB(n);
    m.ScaleY = R.FB(n);
  }
  if (R.UB(1)) {
    const int n = static_cast<int>(R.UB(5));
    m.Skew0 = R.FB(n);
    m.Skew1 = R.FB(n);
  }
  const int n = static_cast<int>(R.UB(5));
  m.TX = R.SB(n);
  m.TY = R.SB(n);
  R.Align();
  return m;
}

TSwfColorTransform SwfReadColorTransform(SwfBitReader& R, bool WithAlpha) {
  TSwfColorTransform t;
  R.Align();
  const bool add = R.UB(1), mul = R.UB(1);
  const int n = static_cast<int>(R.UB(4));
  const int channels = WithAlpha ? 4 : 3;
  if (mul)
    for (int i = 0; i < channels; ++i) t.Mul[i] = R.SB(n) / 256.0;
  if (add)
    for (int i = 0; i < channels; ++i) t.Add[i] = R.SB(n);
  R.Align();
  return t;
}

// Reads a fill style array. Version: 1, 2 or 3 of the shape tags.
bool SwfReadFills(SwfBitReader& R, int Version, std::vector<TSwfFillStyle>& Out) {
  uint32_t count = R.U8();
  if (count == 0xFF && Version >= 2) count = R.U16();
  for (uint32_t i = 0; i < count && !R.Bad(); ++i) {
    TSwfFillStyle f;
    const uint8_t type = R.U8();
    if (type == 0x00) {
      f.Color = SwfReadColor(R, Version >= 3);
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
      // Gradients are drawn in their first colour.
      f.Kind = TSwfFillKind::Solid;
      SwfReadMatrix(R);
      const uint32_t stops = R.U8() & 0x0F;
      for (uint32_t k = 0; k < stops; ++k) {
        R.U8();
        const TSwfRGBA c = SwfReadColor(R, Version >= 3);
        if (k == 0) f.Color = c;
      }
      if (type == 0x13) R.U16();
    } else if (type >= 0x40 && type <= 0x43) {
      f.Kind = TSwfFillKind::Bitmap;
      f.BitmapId = R.U16();
      f.Matrix = SwfReadMatrix(R);
      f.Repeat = type == 0x40 || type == 0x42;
      f.Smooth = type == 0x40 || type == 0x41;
    } else {
      return false;
    }
    Out.push_back(f);
  }
  return !R.Bad();
}

bool SwfReadLines(SwfBitReader& R, int Version, std::vector<TSwfLineStyle>& Out) {
  uint32_t count = R.U8();
  if (count == 0xFF && Version >= 2) count = R.U16();
  for (uint32_t i = 0; i < count && !R.Bad(); ++i) {
    TSwfLineStyle l;
    l.Width = R.U16();
    l.Color = SwfReadColor(R, Version >= 3);
    Out.push_back(l);
  }
  return !R.Bad();
}

// Reads the shape records after the bounds. Style indices of later style groups (new styles in
// the middle of a shape) are made absolute; an index beyond its group fails the shape.
bool SwfReadShape(SwfBitReader& R, int Version, TSwfShape& S, std::string& Error) {
  if (!SwfReadFills(R, Version, S.Fills) || !SwfReadLines(R, Version, S.Lines)) {
    Error = "damaged shape styles";
    return false;
  }
  int fillBits = static_cast<int>(R.UB(4)), lineBits = static_cast<int>(R.UB(4));
  uint32_t fillBase = 0, lineBase = 0;
  uint32_t fillCount = static_cast<uint32_t>(S.Fills.size());
  uint32_t lineCount = static_cast<uint32_t>(S.Lines.size());
  int32_t x = 0, y = 0;
  TSwfPath cur;
  auto flush = [&] {
    if (!cur.Edges.empty()) S.Paths.push_back(cur);
    cur.Edges.clear();
  };
  auto style = [&](uint32_t Index, uint32_t Base, uint32_t Count, uint32_t& Out) {
    if (Index > Count) return false;
    Out = Index ? Base + Index : 0;
    return true;
  };
  while (!R.Bad()) {
    if (R.UB(1) == 0) {
      const uint32_t flags = R.UB(5);
      if (flags == 0) break;  // end of shape
      flush();
      if (flags & 1) {
        const int n = static_cast<int>(R.UB(5));
        x = R.SB(n);
        y = R.SB(n);
      }
      bool ok = true;
      if (flags & 2) ok &= style(R.UB(fillBits), fillBase, fillCount, cur.Fill0);
      if (flags & 4) ok &= style(R.UB(fillBits), fillBase, fillCount, cur.Fill1);
      if (flags & 8) ok &= style(R.UB(lineBits), lineBase, lineCount, cur.Line);
      if (!ok) {
        Error = "shape style index out of range";
        return false;
      }
      if (flags & 16) {
        if (Version < 2) {
          Error = "new styles in a first-kind shape";
          return false;
        }
        fillBase = static_cast<uint32_t>(S.Fills.size());
        lineBase = static_cast<uint32_t>(S.Lines.size());
        if (!SwfReadFills(R, Version, S.Fills) || !SwfReadLines(R, Version, S.Lines)) {
          Error = "damaged shape styles";
          return false;
        }
        fillCount = static_cast<uint32_t>(S.Fills.size()) - fillBase;
        lineCount = static_cast<uint32_t>(S.Lines.size()) - lineBase;
        fillBits = static_cast<int>(R.UB(4));
        lineBits = static_cast<int>(R.UB(4));
        cur.Fill0 = cur.Fill1 = cur.Line = 0;
      }
      continue;
    }
    TSwfEdge e{};
    e.X0 = x;
    e.Y0 = y;
    if (R.UB(1)) {  // straight
      const int n = static_cast<int>(R.UB(4)) + 2;
      int32_t dx = 0, dy = 0;
      if (R.UB(1)) {
        dx = R.SB(n);
        dy = R.SB(n);
      } else if (R.UB(1)) {
        dy = R.SB(n);
      } else {
        dx = R.SB(n);
      }
      x += dx;
      y += dy;
      e.Curve = false;
    } else {
      const int n = static_cast<int>(R.UB(4)) + 2;
      e.CX = x + R.SB(n);
      e.CY = y + R.SB(n);
      x = e.CX + R.SB(n);
      y = e.CY + R.SB(n);
      e.Curve = true;
    }
    e.X1 = x;
    e.Y1 = y;
    cur.Edges.push_back(e);
  }
  if (R.Bad()) {
    Error = "shape records run past their tag";
    return false;
  }
  flush();
  return true;
}

bool SwfReadPlace2(SwfBitReader& R, TSwfPlaceOp& Op) {
  const uint8_t flags = R.U8();
  Op.Depth = R.U16();
  Op.Move = flags & 0x01;
  Op.HasCharacter = flags & 0x02;
  if (Op.HasCharacter) Op.CharacterId = R.U16();
  Op.HasMatrix = flags & 0x04;
  if (Op.HasMatrix) Op.Matrix = SwfReadMatrix(R);
  Op.HasColorTransform = flags & 0x08;
  if (Op.HasColorTransform) Op.ColorTransform = SwfReadColorTransform(R, true);
  if (flags & 0x10) R.U16();     // morph ratio
  if (flags & 0x20) R.String();  // instance name
  if (flags & 0x40) {
    R.U16();
    Op.IsClipLayer = true;
  }
  // Clip actions (scripts) follow; this player runs none.
  return !R.Bad();
}

}  // namespace

bool TSwfColorTransform::IsIdentity() const {
  for (int i = 0; i < 4; ++i)
    if (Mul[i] != 1 || Add[i] != 0) return false;
  return true;
}

bool TSwfColorTransform::IsAlphaOnly() const {
  for (int i = 0; i < 3; ++i)
    if (Mul[i] != 1 || Add[i] != 0) return false;
  return Add[3] == 0;
}

void TSwfMovie::Clear() {
  FLoaded = false;
  FVersion = 0;
  FXMin = FYMin = FXMax = FYMax = 0;
  FFrameRate = 12;
  FBackground = TSwfRGBA{255, 255, 255, 255};
  FFrames.clear();
  FBitmaps.clear();
  FShapes.clear();
  FTotalPixels = 0;
}

bool TSwfMovie::Fail(const std::string& Why) {
  Clear();
  FError = Why;
  return false;
}

const TSwfBitmap* TSwfMovie::Bitmap(uint16_t Id) const {
  auto it = FBitmaps.find(Id);
  return it == FBitmaps.end() ? nullptr : it->second.get();
}

const TSwfShape* TSwfMovie::Shape(uint16_t Id) const {
  auto it = FShapes.find(Id);
  return it == FShapes.end() ? nullptr : it->second.get();
}

bool TSwfMovie::AddBitmap(uint16_t Id, TSwfBitmap&& B) {
  FTotalPixels += static_cast<int64_t>(B.Width) * B.Height;
  if (FTotalPixels > kSwfMaxTotalPixels) return false;
  FShapes.erase(Id);
  FBitmaps[Id] = std::make_shared<const TSwfBitmap>(std::move(B));
  return true;
}

bool TSwfMovie::LoadFromFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) return Fail("cannot open " + Path);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > kSwfMaxMovieBytes)
    return Fail("movie file too large: " + Path);
  in.seekg(0);
  std::vector<uint8_t> data(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), size))
    return Fail("cannot read " + Path);
  return LoadFromBuffer(data.data(), data.size());
}

bool TSwfMovie::LoadFromBuffer(const uint8_t* Data, size_t Size) {
  Clear();
  FError.clear();
  if (!Data || Size < 8) return Fail("not a movie: header truncated");
  const bool packed = Data[0] == 'C';
  if (!((Data[0] == 'F' || packed) && Data[1] == 'W' && Data[2] == 'S'))
    return Fail("not a movie: unknown signature");
  const int version = Data[3];
  const uint32_t declared = Data[4] | (Data[5] << 8) | (Data[6] << 16) | (uint32_t(Data[7]) << 24);
  std::vector<uint8_t> body;
  const uint8_t* movie = Data;
  size_t movieSize = Size;
  if (packed) {
    if (declared < 8 || declared > kSwfMaxMovieBytes) return Fail("packed movie size refused");
    body.resize(declared);
    std::memcpy(body.data(), Data, 8);
    if (!SwfInflateExact(Data + 8, Size - 8, body.data() + 8, declared - 8))
      return Fail("packed movie body damaged or truncated");
    movie = body.data();
    movieSize = body.size();
  }
  SwfBitReader r(movie, movieSize);
  r.Skip(8);
  const int n = static_cast<int>(r.UB(5));
  const int32_t xmin = r.SB(n), xmax = r.SB(n), ymin = r.SB(n), ymax = r.SB(n);
  r.Align();
  const uint16_t rate = r.U16();
  r.U16();  // declared frame count; the tags decide
  if (r.Bad()) return Fail("not a movie: header truncated");
  if (xmax <= xmin || ymax <= ymin) return Fail("movie stage is empty");
  FVersion = version;
  FXMin = xmin;
  FXMax = xmax;
  FYMin = ymin;
  FYMax = ymax;
  FFrameRate = rate / 256.0;
  if (!ParseTags(movie, movieSize, r.Pos())) return false;
  FLoaded = true;
  return true;
}

bool TSwfMovie::ParseTags(const uint8_t* Data, size_t Size, size_t Pos) {
  SwfBitReader r(Data, Size);
  r.Skip(Pos);
  std::vector<uint8_t> jpegTables;
  TSwfFrame pending;
  bool pendingOps = false;
  while (r.Left() > 0) {
    const uint16_t head = r.U16();
    const int code = head >> 6;
    uint32_t len = head & 0x3F;
    if (len == 0x3F) len = r.U32();
    if (r.Bad() || len > r.Left()) return Fail("tag runs past the end of the movie");
    const uint8_t* body = r.Here();
    r.Skip(len);
    SwfBitReader t(body, len);
    std::string error;
    switch (code) {
      case kSwfTagEnd:
        if (pendingOps) FFrames.push_back(std::move(pending));
        return true;
      case kSwfTagShowFrame:
        FFrames.push_back(std::move(pending));
        pending = TSwfFrame{};
        pendingOps = false;
        break;
      case kSwfTagSetBackgroundColor:
        FBackground = SwfReadRGB(t);
        if (t.Bad()) return Fail("background colour truncated");
        break;
      case kSwfTagJpegTables:
        jpegTables.assign(body, body + len);
        break;
      case kSwfTagDefineBits:
      case kSwfTagDefineBitsJpeg2:
      case kSwfTagDefineBitsJpeg3: {
        const uint16_t id = t.U16();
        uint32_t jpegLen = len >= 2 ? len - 2 : 0;
        if (code == kSwfTagDefineBitsJpeg3) {
          jpegLen = t.U32();
          if (!t.Bad() && jpegLen > t.Left()) return Fail("picture offset beyond its tag");
        }
        if (t.Bad()) return Fail("picture tag truncated");
        std::vector<uint8_t> jpeg;
        if (code == kSwfTagDefineBits) jpeg = jpegTables;
        jpeg.insert(jpeg.end(), t.Here(), t.Here() + jpegLen);
        TSwfBitmap b;
        if (!SwfDecodeJpeg(jpeg.data(), jpeg.size(), kSwfMaxBitmapPixels, b, error))
          return Fail("picture " + std::to_string(id) + ": " + error);
        if (code == kSwfTagDefineBitsJpeg3 &&
            !SwfApplyAlphaPlane(t.Here() + jpegLen, t.Left() - jpegLen, b, error))
          return Fail("picture " + std::to_string(id) + ": " + error);
        if (!AddBitmap(id, std::move(b))) return Fail("the movie's pictures are too large");
        break;
      }
      case kSwfTagDefineBitsLossless:
      case kSwfTagDefineBitsLossless2: {
        const uint16_t id = t.U16();
        if (t.Bad()) return Fail("picture tag truncated");
        TSwfBitmap b;
        if (!SwfDecodeLossless(t.Here(), t.Left(), code == kSwfTagDefineBitsLossless2,
                               kSwfMaxBitmapPixels, b, error))
          return Fail("picture " + std::to_string(id) + ": " + error);
        if (!AddBitmap(id, std::move(b))) return Fail("the movie's pictures are too large");
        break;
      }
      case kSwfTagDefineShape:
      case kSwfTagDefineShape2:
      case kSwfTagDefineShape3: {
        const uint16_t id = t.U16();
        // Bounds.
        const int bits = static_cast<int>(t.UB(5));
        for (int i = 0; i < 4; ++i) t.SB(bits);
        t.Align();
        auto shape = std::make_shared<TSwfShape>();
        const int version = code == kSwfTagDefineShape ? 1 : code == kSwfTagDefineShape2 ? 2 : 3;
        if (t.Bad() || !SwfReadShape(t, version, *shape, error))
          return Fail("shape " + std::to_string(id) + ": " + (error.empty() ? "truncated" : error));
        FBitmaps.erase(id);
        FShapes[id] = std::move(shape);
        break;
      }
      case kSwfTagPlaceObject: {
        TSwfPlaceOp op;
        op.CharacterId = t.U16();
        op.Depth = t.U16();
        op.HasCharacter = true;
        op.HasMatrix = true;
        op.Matrix = SwfReadMatrix(t);
        if (t.Left() > 0) {
          op.HasColorTransform = true;
          op.ColorTransform = SwfReadColorTransform(t, false);
        }
        if (t.Bad()) return Fail("placement truncated");
        pending.Ops.push_back(op);
        pendingOps = true;
        break;
      }
      case kSwfTagPlaceObject2: {
        TSwfPlaceOp op;
        if (!SwfReadPlace2(t, op)) return Fail("placement truncated");
        pending.Ops.push_back(op);
        pendingOps = true;
        break;
      }
      case kSwfTagRemoveObject:
      case kSwfTagRemoveObject2: {
        TSwfPlaceOp op;
        op.Op = TSwfPlaceOp::Remove;
        if (code == kSwfTagRemoveObject) t.U16();
        op.Depth = t.U16();
        if (t.Bad()) return Fail("removal truncated");
        pending.Ops.push_back(op);
        pendingOps = true;
        break;
      }
      default:
        break;
    }
  }
  // A movie without its end tag: what was read stands.
  if (pendingOps) FFrames.push_back(std::move(pending));
  return true;
}
