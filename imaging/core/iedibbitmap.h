// Two plain pixel buffers beside TIEBitmap: TIEDibbitmap, a 1-bit or 24-bit image with
// bottom-up rows that system drawing can paint into, and TIEWorkBitmap, a bare scratch buffer
// used by the resamplers.
// TIEDibbitmap's rows are a DIB section selected into its own memory device context.
#pragma once

#include <cstdint>

#include "imaging/core/iebitmap.h"
#include "platform/win/windef.h"

class TIEDibbitmap : public TIEBaseBitmap {
  ORV_CLASS(TIEDibbitmap, TIEBaseBitmap)
public:
  TIEDibbitmap();
  ~TIEDibbitmap() override;

  void* GetScanline(int Row) final { return Bits + static_cast<intptr_t>(Height - 1 - Row) * RowLen; }
  int GetBitCount() final { return BitCount; }
  int GetHeight() final { return Height; }
  int GetWidth() final { return Width; }
  TIEPixelFormat GetPixelFormat() final;
  int GetRowLen() final { return RowLen; }
  TIERGBPixel GetPaletteEntry(int) final { return TIERGBPixel{0, 0, 0}; }
  void SetPaletteEntry(int, TIERGBPixel) final {}
  int GetPaletteLength() final { return 0; }
  // ie1g and ie24RGB only; other formats answer false and change nothing.
  bool Allocate(int Width, int Height, TIEPixelFormat PixelFormat) final;
  // Copies another TIEDibbitmap; an empty one or another kind of source changes nothing.
  void Assign(TObject* Source) final;
  void CopyPaletteTo(TIEBaseBitmap*) final {}

  // False (keeping the current pixels) for a zero width or height.
  bool AllocateDib(int AWidth, int AHeight, int ABitCount);
  void FreeDib();

  int Width = 0, Height = 0, BitCount = 0, RowLen = 0;
  // Memory device context (compatible with the screen) and the DIB section selected into it:
  // drawing calls on DC paint into Bits.
  HDC DC = nullptr;
  HBITMAP DIB = nullptr;
  // BITMAPINFOHEADER (40 bytes) followed by the colour table black, white.
  alignas(4) uint8_t Header[48] = {};
  uint8_t* Bits = nullptr;  // rows bottom-up
};

class TIEWorkBitmap : public TObject {
  ORV_CLASS(TIEWorkBitmap, TObject)
public:
  TIEWorkBitmap(int AWidth = 0, int AHeight = 0, int ABitsPerPixel = 0);
  ~TIEWorkBitmap() override;
  // Keeps the buffer (and its content) when nothing changes.
  void Allocate(int AWidth, int AHeight, int ABitsPerPixel);
  void* GetScanline(int Row) { return static_cast<uint8_t*>(Bits) + static_cast<intptr_t>(RowLen) * (Height - 1 - Row); }
  void FreeBits();

  int Width = 0, Height = 0, BitsPerPixel = 0, RowLen = 0;
  void* Bits = nullptr;  // from IEAutoAlloc
};
