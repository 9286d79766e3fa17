// Skin image composition of the skin-forms library: a control's look is cut out of a skin
// picture by keeping some parts at their own size and tiling or stretching the parts between
// (three-part and nine-part images, the four edge strips around a client area), rectangles of a
// description are moved along when the control is larger than the skin, and black pixels of a
// mask picture give a window its outline.
//
// Coordinates: SR is the skin rectangle in the source picture; the corner points LT, RT, LB, RB
// and the client rectangle CR are relative to SR's top-left corner; SW, SH are SR's size. For a
// target size W x H the fitted values NLT..NCR are the corner points and client rectangle moved
// by the growth (TksSkinGeometry::Fit). A "tile run" of period p over [a, b) copies tile i to
// [a + i*p, a + (i+1)*p) and cuts the last one at b; runs whose period is not positive draw
// nothing, so bad geometry can never loop.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win/windef.h"

class TBitmap;

// ---- Rectangle helpers ----
// Width or height below 1.
bool IsEmptyRect(const RECT& R);
// A coordinate is 0.
bool IsNullPoint(POINT P);
// Edges included on all four sides.
bool PointInRect(const RECT& R, POINT P);
// Both corners of R inside Region by the platform's point test (right and bottom edges out).
bool RectInRect(const RECT& R, const RECT& Region);
inline int RectWidth(const RECT& R) { return R.right - R.left; }
inline int RectHeight(const RECT& R) { return R.bottom - R.top; }
inline constexpr RECT EmptyRect{0, 0, 0, 0};

// The geometry of a custom-control description and its values fitted to a size.
struct TksSkinGeometry {
  POINT LT{}, RT{}, LB{}, RB{};
  RECT CR{}, SR{};
  // Fitted to a target size (Fit).
  POINT NLT{}, NRT{}, NLB{}, NRB{};
  RECT NCR{};
  int SW() const { return RectWidth(SR); }
  int SH() const { return RectHeight(SR); }
  // NLT = LT, NRT = RT + (dW, 0), NLB = LB + (0, dH), NRB = RB + (dW, dH), NCR = CR with its
  // right and bottom moved by dW, dH; dW = W - SW, dH = H - SH.
  void Fit(int W, int H);
};

// A 24-bit top-down DIB section with a row table, for direct pixel access (blue, green, red).
class TksFBitmap {
public:
  // Copies the picture of Bitmap (any depth) into a new 24-bit DIB section.
  explicit TksFBitmap(HBITMAP Bitmap);
  ~TksFBitmap();
  TksFBitmap(const TksFBitmap&) = delete;
  TksFBitmap& operator=(const TksFBitmap&) = delete;
  int Width = 0, Height = 0;
  int RowInc = 0;  // Width * 3 + Width mod 4: the row length with its padding
  int Gap = 0;     // Width mod 4
  int Size = 0;    // RowInc * Height
  uint8_t* Bits = nullptr;
  std::vector<uint8_t*> Pixels;  // row pointers, row 0 at the top
  HBITMAP Handle = nullptr;
  HDC DC = nullptr;

private:
  HGDIOBJ FOldBitmap = nullptr;
};

// Horizontal three-part image: Dest becomes Width x H(SR); the left Left and right Right columns
// of SR keep their size, the middle is stretched or tiled between them (a middle of width 0
// counts as 1 column).
void MakeThreePartH(int Left, int Right, TBitmap* Dest, bool Stretch, int Width, const RECT& SR,
                    TBitmap* Source);
// The same with rows: Dest becomes W(SR) x Height; a middle of height 0 draws no tiles.
void MakeThreePartV(int Top, int Bottom, TBitmap* Dest, bool Stretch, int Height, const RECT& SR,
                    TBitmap* Source);

// Nine-part image of G (already fitted to W x H) into Dest (made W x H): edges tiled, the eight
// corner pieces at their own size, and with TileClient the client part tiled over NCR.
void MakeNinePart(const TksSkinGeometry& G, bool TileClient, int W, int H, TBitmap* Source,
                  TBitmap* Dest);

// The four strips around NCR for the edge-strip paint road (see the file comment); a strip whose
// size or tile period is not positive is left as it was.
struct TksEdgeStrips {
  TBitmap* Top = nullptr;
  TBitmap* Left = nullptr;
  TBitmap* Right = nullptr;
  TBitmap* Bottom = nullptr;
};
struct TksStretchFlags {
  bool Left = false, Top = false, Right = false, Bottom = false;
};
void MakeEdgeStrips(const TksSkinGeometry& G, TksStretchFlags Stretch, int W, int H,
                    TBitmap* Source, const TksEdgeStrips& Strips);

// Tiles Source's part Tile over Dest's rectangle Area from its top-left corner, the last column
// and row cut to Area.
void TileBitmap(TBitmap* Dest, const RECT& Area, TBitmap* Source, const RECT& Tile);

// Moves or grows R (skin coordinates) for the control's size W x H by the resize mode (1: nine
// parts, 2: horizontal, 3: vertical three parts; others leave R alone).
RECT FitRectToSize(const RECT& R, int ResizeMode, const TksSkinGeometry& G, int W, int H);

// Region data (32-byte header, then one 16-byte rectangle per run) of the pure black pixels of
// Mask, shifted by OffsetX, OffsetY: one rectangle per horizontal run, rows from the top. Empty
// (no bytes) for an empty mask. Any number of runs is collected.
std::vector<uint8_t> MaskRegionData(TBitmap* Mask, int OffsetX, int OffsetY);
// The region of MaskRegionData(Mask, 0, 0); null for an empty mask. The caller owns it.
HRGN MaskRegion(TBitmap* Mask);
// The window region of a mask laid out like the picture, for resize modes 1 to 3 at W x H (G
// fitted to that size): NCR together with the black pixels of the four mask strips. Null when
// the fitted corners cross. The caller owns it.
HRGN MakeNinePartRegion(const TksSkinGeometry& G, int ResizeMode, int W, int H, TBitmap* Mask);
