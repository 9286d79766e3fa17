// TIEMask: which pixels of an image are selected. A 1-bit mask answers selected or not; an 8-bit
// mask holds a strength 0..255. The mask keeps the bounding rectangle of its non-zero values
// (X1, Y1, X2, Y2 inclusive; empty is X1 = Y1 = 2147483647, X2 = Y2 = 0) so operations stay
// inside it, and Full, set when every value is full (1, or 255 for 8 bits).
//
// Rows are stored bottom-up, padded to 32 bits; in a 1-bit row the first pixel is the most
// significant bit. The drawing helpers paint on a device context (the view's canvas handle) or,
// for the outline, through any pixel-plotting callback.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"
#include "platform/win/windef.h"

class TIEBitmap;
class TBitmap;
class TCanvas;
struct TIEPoint;
struct TIERect;

// Draws one pixel of the given colour at screen position x, y.
using TIEPlotPixel = std::function<void(int x, int y, TColor Color)>;

class TIEMask : public TObject {
  ORV_CLASS(TIEMask, TObject)
public:
  TIEMask();
  ~TIEMask() override;

  void FreeBits();
  void AllocateBits(int AWidth, int AHeight, int ABitsPerPixel);
  void Resize(int AWidth, int AHeight);
  uint8_t* GetScanline(int Row) const { return Bits + static_cast<intptr_t>(Height - 1 - Row) * RowLength; }

  int GetPixel(int x, int y) const;
  bool IsPointInside(int x, int y) const { return GetPixel(x, y) != 0; }
  void SetPixel(int x, int y, int Value);
  int FillSpan(int Value, int x1, int y, int x2);
  void Fill(int Value);
  void Clear();
  bool IsEmpty() const { return X1 == 2147483647; }
  void RecalcBounds();
  void UpdateAllSetFlag();
  // Points are (x, y) pairs; a point whose x is 0xFFFFF separates polygons.
  void FillPolygons(int Value, const TIEPoint* Points, int Count);
  void FillPolygon(int Value, const TIEPoint* Points, int Count);
  // Moves the selected area; without Clip the offsets are reduced so the area stays inside.
  void Translate(int& dx, int& dy, bool Clip);

  void CopyBitmap(TIEBitmap* Destination, TIEBitmap* Source, bool WithAlpha, bool SourceAtBox, bool DestinationAtBox);
  void CopyAlpha(TIEBitmap* Destination, TIEBitmap* Source, bool SourceAtBox, bool DestinationAtBox);

  // Inverts the canvas under the selected pixels of a 1-bit mask (the window XSrc, YSrc, WSrc x
  // HSrc of the mask stretched to XDst, YDst, WDst x HDst).
  void DrawInverted(TCanvas* Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc);
  void DrawOutline(TCanvas* Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc,
                   int Phase, TColor Color1, TColor Color2, TIERect* CoveredRect = nullptr);
  void DrawInverted(HDC Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc);
  void DrawOutline(HDC Canvas, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc,
                   int Phase, TColor Color1, TColor Color2, TIERect* CoveredRect = nullptr);
  // Two-colour dashed border of the selection, the window XSrc, YSrc, WSrc x HSrc of the mask
  // shown at XDst, YDst with size WDst x HDst. CoveredRect, when given, receives the scanned area.
  void DrawOutline(const TIEPlotPixel& Plot, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc,
                   int HSrc, int Phase, TColor Color1, TColor Color2, TIERect* CoveredRect = nullptr);
  // Dots every second unselected pixel of a 24-bit bitmap grey (97, 97, 97) in a checkerboard.
  void MarkOuterArea(TBitmap* Bitmap, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc);
  void MarkOuterArea(TIEBitmap* Bitmap, int XDst, int YDst, int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc);
  // Nearest-neighbour stretch of the mask window into the display buffer (rebuilt only when the
  // display size changes).
  void StretchToDisplay(int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc);
  bool DisplayValue(int c, int r) const;

  int32_t Width = 0, Height = 0, BitsPerPixel = 0, RowLength = 0;
  uint8_t* Bits = nullptr;
  int32_t X1 = 2147483647, Y1 = 2147483647, X2 = 0, Y2 = 0;
  bool Full = false;
  // BITMAPINFOHEADER of a 1-bit image and the colour table black, white (for device drawing).
  alignas(4) uint8_t DrawHeader[48] = {};
  std::vector<uint8_t> DisplayBuffer;
  int32_t DisplayWidth = 0, DisplayHeight = 0, DisplayRowLength = 0;

private:
  void EmptyBounds() {
    X1 = Y1 = 2147483647;
    X2 = Y2 = 0;
  }
  void ClampBounds();
  void MarkRows(const std::function<TIERGBPixel*(int)>& Row, int BitmapWidth, int BitmapHeight, int XDst, int YDst,
                int WDst, int HDst, int XSrc, int YSrc, int WSrc, int HSrc);
};
