// The movie file of the simulation window: a parser of the tagged movie format ("FWS", or "CWS"
// with a zlib body) into a timeline — stage size, frame rate, background colour, the characters
// (bitmaps and shapes) and, per frame, the changes to the display list. Bitmaps are decoded here
// once, to premultiplied 32-bit pixels. Every length, count and offset is checked against the
// data; a damaged movie fails to load with a reason and never reads past its buffer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An affine matrix in the movie's own terms: x' = ScaleX x + Skew1 y + TX,
// y' = Skew0 x + ScaleY y + TY (translation in twips, 1/20 of a pixel).
struct TSwfMatrix {
  double ScaleX = 1, Skew0 = 0, Skew1 = 0, ScaleY = 1, TX = 0, TY = 0;
};

// A colour transform: each channel (red, green, blue, alpha; 0..255) becomes
// channel * Mul + Add, clamped to 0..255.
struct TSwfColorTransform {
  double Mul[4] = {1, 1, 1, 1};
  double Add[4] = {0, 0, 0, 0};
  bool IsIdentity() const;
  // True when only the alpha factor differs from the identity.
  bool IsAlphaOnly() const;
};

// A colour as red, green, blue, alpha bytes.
struct TSwfRGBA {
  uint8_t R = 0, G = 0, B = 0, A = 255;
};

// A decoded bitmap: Width x Height premultiplied pixels, 0xAARRGGBB in native byte order.
struct TSwfBitmap {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
};

enum class TSwfFillKind { Solid, Bitmap };

struct TSwfFillStyle {
  TSwfFillKind Kind = TSwfFillKind::Solid;
  TSwfRGBA Color;          // solid fills, and gradients drawn in their first colour
  uint16_t BitmapId = 0;   // bitmap fills
  TSwfMatrix Matrix;       // bitmap fills: bitmap pixels to shape twips
  bool Repeat = false;     // bitmap fills: tiled (true) or clipped to the bitmap (false)
  bool Smooth = true;
};

struct TSwfLineStyle {
  uint16_t Width = 20;  // twips
  TSwfRGBA Color;
};

// One edge of a shape in twips; a curve is quadratic with control point (CX, CY).
struct TSwfEdge {
  int32_t X0, Y0, X1, Y1;
  int32_t CX, CY;
  bool Curve;
};

// A run of edges drawn with the same styles. Fill0 fills to the left of the edges' direction and
// Fill1 to the right; indices are 1-based into the shape's Fills/Lines, 0 = none.
struct TSwfPath {
  uint32_t Fill0 = 0, Fill1 = 0, Line = 0;
  std::vector<TSwfEdge> Edges;
};

struct TSwfShape {
  std::vector<TSwfFillStyle> Fills;
  std::vector<TSwfLineStyle> Lines;
  std::vector<TSwfPath> Paths;
};

// One change of the display list.
struct TSwfPlaceOp {
  enum Kind { Place, Remove } Op = Place;
  uint16_t Depth = 0;
  bool Move = false;           // modifies the object at Depth instead of placing a new one
  bool HasCharacter = false;
  uint16_t CharacterId = 0;
  bool HasMatrix = false;
  TSwfMatrix Matrix;
  bool HasColorTransform = false;
  TSwfColorTransform ColorTransform;
  bool IsClipLayer = false;    // a mask layer: kept in the list, not drawn
};

struct TSwfFrame {
  std::vector<TSwfPlaceOp> Ops;
};

// What the parser refuses: one bitmap larger than this many pixels, and all bitmaps of a movie
// together larger than the second figure; an inflated movie larger than the third.
inline constexpr int64_t kSwfMaxBitmapPixels = 32ll * 1024 * 1024;
inline constexpr int64_t kSwfMaxTotalPixels = 64ll * 1024 * 1024;
inline constexpr uint32_t kSwfMaxMovieBytes = 256u * 1024 * 1024;

class TSwfMovie {
public:
  // Parses a whole movie file. On failure returns false, leaves the movie empty and sets Error().
  bool LoadFromBuffer(const uint8_t* Data, size_t Size);
  bool LoadFromFile(const std::string& Path);
  void Clear();

  bool Loaded() const { return FLoaded; }
  const std::string& Error() const { return FError; }
  int Version() const { return FVersion; }
  // The stage in twips.
  int32_t StageXMin() const { return FXMin; }
  int32_t StageYMin() const { return FYMin; }
  int32_t StageXMax() const { return FXMax; }
  int32_t StageYMax() const { return FYMax; }
  // The stage size in pixels (twips / 20).
  double StageWidth() const { return (FXMax - FXMin) / 20.0; }
  double StageHeight() const { return (FYMax - FYMin) / 20.0; }
  double FrameRate() const { return FFrameRate; }
  TSwfRGBA Background() const { return FBackground; }
  const std::vector<TSwfFrame>& Frames() const { return FFrames; }
  const TSwfBitmap* Bitmap(uint16_t Id) const;
  const TSwfShape* Shape(uint16_t Id) const;

private:
  bool Fail(const std::string& Why);
  bool ParseTags(const uint8_t* Data, size_t Size, size_t Pos);
  bool AddBitmap(uint16_t Id, TSwfBitmap&& B);

  bool FLoaded = false;
  std::string FError;
  int FVersion = 0;
  int32_t FXMin = 0, FYMin = 0, FXMax = 0, FYMax = 0;
  double FFrameRate = 12;
  TSwfRGBA FBackground{255, 255, 255, 255};
  std::vector<TSwfFrame> FFrames;
  std::map<uint16_t, std::shared_ptr<const TSwfBitmap>> FBitmaps;
  std::map<uint16_t, std::shared_ptr<const TSwfShape>> FShapes;
  int64_t FTotalPixels = 0;
};
