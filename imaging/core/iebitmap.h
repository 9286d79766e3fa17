// The image container of the imaging library: the abstract image interface TIEBaseBitmap and
// TIEBitmap, which holds a rectangle of pixels in one of the ten pixel formats, in memory (one
// 64-byte aligned block, or row fragments), in a delete-on-close temporary file seen one row at a
// time, or in class-library bitmap storage; with a 256-entry palette for ie8p, an optional alpha
// channel (itself an ie8g TIEBitmap) and the display settings the renderer reads.
//
// Rows: row 0 is the top row; in memory rows are stored bottom-up and padded to RowAlignment bits
// (32 by default). GetScanline is the only way to a row: for a memory image it is a few inline
// instructions, for a file image it maps the row (valid until the next row access; use
// AcquireScanline to hold several rows at once).
//
// Members implemented elsewhere in this library: the pixel-format conversion (SetPixelFormat,
// CopyAndConvertFormat), the renderer (DrawTo..., StretchRectTo) and the exchange with masks,
// DIB images, class-library bitmaps and the raw format (CopyFromMask, SaveRaw, LoadRaw, ...).
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"

class TIEFileBuffer;
class TIEMask;
class TIEDibbitmap;
class TStream;
class TBitmap;
class TCanvas;
struct TIERect;
enum TResampleFilter : uint8_t;

// Lookup tables of the renderer that a view may keep between paints: destination row addresses
// and, for each destination column and row of the drawn area, the source column and row. Empty
// tables are built by the renderer and handed back.
struct TIERenderTables {
  std::vector<uint8_t*> Rows;
  std::vector<int> X, Y;
};

// The abstract image: what TIEBitmap and the DIB-section image TIEDibbitmap share.
class TIEBaseBitmap : public TObject {
  ORV_CLASS(TIEBaseBitmap, TObject)
public:
  // Bit 0 read, bit 1 write (iaRead, iaWrite). For file-located images it decides whether a row
  // window is filled from the store when mapped and written back when unmapped.
  uint8_t Access = iaReadWrite;

  virtual void* GetScanline(int Row) = 0;
  virtual int GetBitCount() = 0;
  virtual int GetHeight() = 0;
  virtual int GetWidth() = 0;
  virtual TIEPixelFormat GetPixelFormat() = 0;
  virtual int GetRowLen() = 0;
  virtual TIERGBPixel GetPaletteEntry(int Index) = 0;
  virtual void SetPaletteEntry(int Index, TIERGBPixel Color) = 0;
  virtual int GetPaletteLength() = 0;
  virtual bool Allocate(int Width, int Height, TIEPixelFormat PixelFormat) = 0;
  virtual void Assign(TObject* Source) = 0;
  virtual void CopyPaletteTo(TIEBaseBitmap* Dest) = 0;
};

class TIEBitmap : public TIEBaseBitmap {
  ORV_CLASS(TIEBitmap, TIEBaseBitmap)
public:
  TIEBitmap();
  // CreateSized: Create, then Allocate.
  TIEBitmap(int Width, int Height, TIEPixelFormat PixelFormat);
  static TIEBitmap* CreateSized(int Width, int Height, TIEPixelFormat PixelFormat);
  // An alpha channel: IsAlpha, ie8g, filled with 255 (Full); ieTBitmap becomes ieMemory.
  static TIEBitmap* CreateAsAlpha(int Width, int Height, TIELocation Location);
  ~TIEBitmap() override;

  // ---- abstract interface ----
  void* GetScanline(int Row) final {
    if (FBits) return FBits + static_cast<intptr_t>(FRowLen) * (FHeight - 1 - Row);
    return ScanlineOther(Row);
  }
  // The geometry getters first re-read class-library storage (UpdateFromTBitmap); the fast
  // accessors below (Width(), ...) do not.
  int GetBitCount() final { return SyncTBitmap(), FBitCount; }
  int GetHeight() final { return SyncTBitmap(), FHeight; }
  int GetWidth() final { return SyncTBitmap(), FWidth; }
  TIEPixelFormat GetPixelFormat() final { return SyncTBitmap(), FPixelFormat; }
  int GetRowLen() final { return SyncTBitmap(), FRowLen; }
  TIERGBPixel GetPaletteEntry(int Index) final;
  void SetPaletteEntry(int Index, TIERGBPixel Color) final;
  int GetPaletteLength() final { return FPaletteLength; }
  // Allocates storage for the size and format (see the .cpp for the location rule). False, with
  // Width and Height 0, when no storage can be had.
  bool Allocate(int Width, int Height, TIEPixelFormat PixelFormat) final;
  // Copies a TIEBitmap with its alpha channel and palette; other sources are ignored.
  void Assign(TObject* Source) final;
  void CopyPaletteTo(TIEBaseBitmap* Dest) final;

  // ---- fast accessors ----
  uint8_t* Scanline(int Row) { return static_cast<uint8_t*>(GetScanline(Row)); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int BitCount() const { return FBitCount; }
  int ChannelCount() const { return FChannelCount; }
  int GetChannelCount() { return SyncTBitmap(), FChannelCount; }
  int RowLen() const { return FRowLen; }
  TIEPixelFormat PixelFormat() const { return FPixelFormat; }
  TIELocation Location() const { return FLocation; }
  int RowAlignment() const { return FRowAlignment; }
  int PaletteLength() const { return FPaletteLength; }
  TIERGBPixel* Palette() const { return FPalette; }
  // The aligned pixel block of a one-block memory image (nil otherwise).
  uint8_t* Bits() const { return FBits; }
  int FragmentCount() const { return FFragmentCount; }
  int RowsPerFragment() const { return FRowsPerFragment; }
  TIEFileBuffer* FileBuffer() const { return FFileBuffer; }
  void* WorkingRow() const { return FWorkingRow; }
  TBitmap* Bitmap() const { return FBitmap; }
  bool IsEmpty() const { return FWidth == 0 || FHeight == 0 || FRowLen == 0 || FBitCount == 0; }

  // Releases everything that holds pixels and zeroes the geometry; format and location stay.
  void FreeImage(bool FreeAlpha = true);

  // ---- rows of file-located images ----
  // Address that stays mapped until ReleaseScanline(Row) or UnmapAll.
  void* AcquireScanline(int Row);
  void ReleaseScanline(int Row);
  // Unmaps the working row and every kept row (written back when Access has the write bit).
  void UnmapAll();

  // ---- alpha channel ----
  TIEBitmap* GetAlphaChannel();  // created on demand, fully opaque; nil for an alpha bitmap
  bool HasAlphaChannel() const { return FAlphaChannel != nullptr; }
  // Makes Bitmap the (owned) alpha channel. A channel that was there before is not freed: the
  // caller keeps it.
  void AttachAlphaChannel(TIEBitmap* Bitmap);
  // Frees the alpha channel; with Merge an ie24RGB image is first blended toward the background.
  void RemoveAlphaChannel(bool Merge = false, TColor BackgroundColor = 0xFFFFFF);
  // Detaches the alpha channel without freeing it and hands it to the caller.
  TIEBitmap* DetachAlphaChannel();

  // ---- palette ----
  // Writes the palette into the class-library bitmap's colour table (ieTBitmap only).
  void SyncTBitmapPalette();

  // ---- class-library bitmap ----
  // The image moved to class-library storage (nil when that storage refuses its format).
  TBitmap* GetTBitmap();
  TCanvas* GetCanvas();
  // Re-reads size, format, rows and colour table of the class-library bitmap (ieTBitmap only).
  void UpdateFromTBitmap();

  // ---- pixel access (x column, y row; no range checks) ----
  uint8_t GetPixel8(int x, int y) { return Scanline(y)[x]; }
  void SetPixel8(int x, int y, uint8_t v) {
    Scanline(y)[x] = v;
    if (v != 255) Full = false;
  }
  uint16_t GetPixel16(int x, int y) { return reinterpret_cast<uint16_t*>(Scanline(y))[x]; }
  void SetPixel16(int x, int y, uint16_t v) {
    reinterpret_cast<uint16_t*>(Scanline(y))[x] = v;
    if (v != 65535) Full = false;
  }
  float GetPixelFloat(int x, int y) { return reinterpret_cast<float*>(Scanline(y))[x]; }
  void SetPixelFloat(int x, int y, float v) {
    reinterpret_cast<float*>(Scanline(y))[x] = v;
    if (v < 1.0f) Full = false;
  }
  uint32_t GetPixelCMYK(int x, int y) { return reinterpret_cast<uint32_t*>(Scanline(y))[x]; }
  void SetPixelCMYK(int x, int y, uint32_t v) { reinterpret_cast<uint32_t*>(Scanline(y))[x] = v; }
  TIERGBPixel GetPixelRGB(int x, int y) { return reinterpret_cast<TIERGBPixel*>(Scanline(y))[x]; }
  void SetPixelRGB(int x, int y, TIERGBPixel v) { reinterpret_cast<TIERGBPixel*>(Scanline(y))[x] = v; }
  TIERGBPixel* GetRGBPixelPtr(int x, int y) { return reinterpret_cast<TIERGBPixel*>(Scanline(y)) + x; }
  TIERGB48Pixel GetPixelRGB48(int x, int y) { return reinterpret_cast<TIERGB48Pixel*>(Scanline(y))[x]; }
  void SetPixelRGB48(int x, int y, TIERGB48Pixel v) {
    reinterpret_cast<TIERGB48Pixel*>(Scanline(y))[x] = v;
    if (v.r != 65535 || v.g != 65535 || v.b != 65535) Full = false;
  }
  // Alpha of the pixel: the bitmap itself when IsAlpha, else its alpha channel (created on demand).
  uint8_t GetAlpha(int x, int y);
  void SetAlpha(int x, int y, uint8_t v);
  // Any format as a 24-bit colour.
  TIERGBPixel GetPixelAsRGB(int x, int y);

  // ---- fills, copies, tests ----
  // Value by format: ie1g non-zero = white; ie8p/ie8g low 8 bits; ie16g low 16 bits; ie32f the
  // value; colour formats a TColor.
  void Fill(double Value);
  // The clipped rectangle x1..x2, y1..y2, corners included; Full stays as it was.
  void FillRect(int x1, int y1, int x2, int y2, double Value);
  // Copies a clipped rectangle into Dest: same format, ie1g to ie1g or ie1g to ie24RGB.
  void CopyRectTo(TIEBitmap* Dest, int SourceX, int SourceY, int DestX, int DestY, int Width, int Height);
  void MaxAlphaRectTo(TIEBitmap* Dest, int SourceX, int SourceY, int DestX, int DestY, int Width, int Height);
  void UpdateOpaqueFlag();
  bool IsAllZero();
  bool IsGrayScale();
  void SetChannelBias(int Index, int Value);

  // ---- whole-image operations ----
  // Hands the storage to Target and leaves this bitmap empty.
  void MoveContentTo(TIEBitmap* Target);
  // Pixels and palette of Source, keeping this bitmap's alpha channel and location.
  void CopyImageFrom(TIEBitmap* Source);
  void SetLocation(TIELocation Value);
  void SetRowAlignment(int Bits);
  void SetWidth(int Value);
  void SetHeight(int Value);
  // Align: 0 left/top, 1 centre, 2 right/bottom.
  void Resize(int NewWidth, int NewHeight, double FillValue, int AlphaFillValue, int HorizontalAlign,
              int VerticalAlign);
  // Moves the rectangle x1..x2, y1..y2 so its top-left lands at NewX, NewY; the area it leaves is
  // filled with FillValue.
  void MoveRegion(int x1, int y1, int x2, int y2, int NewX, int NewY, double FillValue);
  // Makes Buffer (rows bottom-up, RowLen-aligned) the storage without owning it.
  void EncapsulateMemory(void* Buffer, int Width, int Height, TIEPixelFormat PixelFormat, bool FreeCurrent = true);

  // ---- implemented by the conversion, exchange and raw-format files ----
  void SetPixelFormat(TIEPixelFormat Value);
  void CopyAndConvertFormat(TIEBitmap* Source);
  void CopyFromMask(TIEMask* Mask);
  void CopyToMask(TIEMask* Mask);
  void CopyFromDibbitmap(TIEDibbitmap* Source);
  // Makes a caller's class-library bitmap the storage without owning it (ieTBitmap).
  void EncapsulateTBitmap(TBitmap* Bitmap, bool FreeCurrent = true);
  // Copies a class-library bitmap: 1 bit to ie1g (ie8p with a colour table that is not black and
  // white), 4 and 8 bits to ie8p, 15, 16 and 24 bits to ie24RGB, 32 bits to ie32RGB.
  void CopyFromTBitmap(TBitmap* Bitmap);
  void SaveRaw(TStream* Stream);
  bool LoadRaw(TStream* Stream);

  // ---- renderer into 24-bit bitmaps (implemented with the pixel algorithms) ----
  // Draws the source rectangle into the destination rectangle of Dest (ie24RGB in one memory
  // block), scaling by nearest pixel or through Filter, with the channel offsets, contrast,
  // display range, BlendMode, Transparency (255 opaque) and, with UseAlpha, the alpha channel.
  // Tables nil: the tables are built for the call and freed. ClipRect nil: no clipping.
  void DrawToBitmapEx(TIEBitmap* Dest, TIERenderTables* Tables, const TIERect* ClipRect, int DestX, int DestY,
                      int DestWidth, int DestHeight, int SourceX, int SourceY, int SourceWidth, int SourceHeight,
                      bool UseAlpha, bool ReuseRows, int Transparency, TResampleFilter Filter, uint8_t BlendMode);
  void DrawToBitmap(TIEBitmap* Dest, int DestX, int DestY, int DestWidth, int DestHeight, int SourceX, int SourceY,
                    int SourceWidth, int SourceHeight, int Transparency, TResampleFilter Filter, uint8_t BlendMode);
  // The same into a 24-bit class-library bitmap (wrapped in a temporary image for the call).
  void DrawToTBitmapEx(TBitmap* Dest, TIERenderTables* Tables, const TIERect* ClipRect, int DestX, int DestY,
                       int DestWidth, int DestHeight, int SourceX, int SourceY, int SourceWidth, int SourceHeight,
                       bool UseAlpha, bool ReuseRows, int Transparency, TResampleFilter Filter, uint8_t BlendMode);
  void DrawToTBitmap(TBitmap* Dest, int DestX, int DestY, int DestWidth, int DestHeight, int SourceX, int SourceY,
                     int SourceWidth, int SourceHeight, int Transparency, TResampleFilter Filter, uint8_t BlendMode);
  // ie1g and ie24RGB sources into an ie24RGB Dest, writing Dest's alpha channel as well.
  void StretchRectTo(TIEBitmap* Dest, int DestX, int DestY, int DestWidth, int DestHeight, int SourceX, int SourceY,
                     int SourceWidth, int SourceHeight, TResampleFilter Filter, int Transparency);

  // ---- settings (defaults are the constructor's) ----
  bool IsAlpha = false;                 // this bitmap is somebody's alpha channel
  bool Full = false;                    // every pixel byte is 255
  bool EncapsulatedBitmap = false;      // Bitmap belongs to the caller
  bool EncapsulatedMemory = false;      // the pixel block belongs to the caller
  int64_t MemoryThreshold;              // images larger than this go to ieFile
  uint8_t DitherMethod = 1;             // 0 ordered dithering, 1 threshold (conversion to ie1g)
  int32_t PaletteUsed = 256;            // palette colours wanted when converting to ie8p
  double BlackValue = 0, WhiteValue = 0;  // display range of ie16g
  int32_t ChannelOffset[4] = {0, 0, 0, 0};
  bool EnableChannelOffset = false;
  int32_t Contrast = 0;
  uint8_t Allocator = 2;                // 0 heap, 1 zero-filled system memory, 2 IEAutoAlloc
  bool FullReallocate = true;           // the next Allocate rebuilds the storage
  int32_t UndoTag = 0;

private:
  void SyncTBitmap() {
    if (FLocation == ieTBitmap) UpdateFromTBitmap();
  }
  void* ScanlineOther(int Row);
  bool SetupStorage();
  bool AllocateMemoryBlock(int64_t Size);
  bool AllocateFragments(int64_t Size);
  bool AllocateFileStore(int64_t Size);
  bool AllocateTBitmapStore(int64_t Size);
  void BuildBitmapRows();
  void FreeMemoryBlock();
  void UnmapWorkingRow();
  void ResetGeometry();
  void TakeGeometryFrom(int Width, int Height, TIEPixelFormat PixelFormat);
  void FreePalette();
  void AllocatePalette();
  void CopyRowsFrom(TIEBitmap* Source);
  void ReallocateKeeping(int NewWidth, int NewHeight);

  TIEFileBuffer* FFileBuffer;
  void* FWorkingRow = nullptr;
  int FWorkingRowIndex = -1;
  uint8_t FWorkingAccess = 0;
  TIERGBPixel* FPalette = nullptr;  // 4 * PaletteLength bytes, entries 3 bytes each
  int32_t FPaletteLength = 0;
  TIEBitmap* FAlphaChannel = nullptr;
  uint8_t* FBits = nullptr;      // 64-byte aligned start of the pixel block
  void* FRealBits = nullptr;     // the block as allocated
  uint8_t FBitsAllocator = 0;    // the allocator FRealBits came from
  TBitmap* FBitmap = nullptr;    // class-library bitmap (ieTBitmap)
  std::vector<uint8_t*> FBitmapRows;
  std::vector<void*> FKeptRows;
  std::vector<int> FKeptRowIndexes;
  int32_t FWidth = 0, FHeight = 0, FBitCount = 0, FChannelCount = 0, FRowLen = 0;
  TIEPixelFormat FPixelFormat = ieNone;
  TIELocation FLocation = ieFile;
  int32_t FRowAlignment = 32;
  int32_t FFragmentCount = 0, FRowsPerFragment = 0;
  std::vector<uint8_t*> FFragments;
};

// Pixel-format-independent helpers used by the container and its users.
// Bytes of one pixel for the byte-addressable formats (0 for ie1g and ieNone).
inline int IEBytesPerPixel(TIEPixelFormat pf) { return IEBitsPerPixel[pf] / 8; }
