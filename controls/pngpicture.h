// The PNG picture: a graphic class of the picture machinery (platform/vcl TGraphic) that reads
// and writes PNG streams chunk by chunk and holds the decoded image as a DIB section plus, for
// images with an alpha channel, a separate alpha plane.
//
// Every chunk read is kept as an object in the picture's chunk list, in file order, and written
// back in that order; registered chunk classes understand their data (IHDR, PLTE, tRNS, gAMA,
// tIME, tEXt, zTXt, IDAT, IEND), any other ancillary chunk travels unchanged. The image lives in
// the IHDR chunk: palette and grey images as indexed DIBs (1, 4 or 8 bits), RGB images as 24-bit
// DIBs, rows bottom-up as the class library keeps them; the alpha plane runs top-down.
//
// pngpicture.cpp: the picture, the chunk stream and the chunk classes; pngpicture_idat.cpp: the
// image data coding; pngpicture_draw.cpp: drawing, transparency, conversions and pixel access.
// Every failure raises an EPngError descendant with a fixed text (pnglang.h).
//
// The unit registers TPNGObject with the picture loader for the extension "PNG" as soon as it is
// linked; a program that meets PNG pictures only by class name in form resources calls
// PngPictureStartup() once so that the linker keeps the unit.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/sets.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"

// ---- Errors ----
ORV_EXCEPTION(EPngError, Exception)
ORV_EXCEPTION(EPngInvalidCRC, EPngError)
ORV_EXCEPTION(EPngInvalidIHDR, EPngError)
ORV_EXCEPTION(EPNGMissingMultipleIDAT, EPngError)
ORV_EXCEPTION(EPNGZLIBError, EPngError)
ORV_EXCEPTION(EPNGInvalidPalette, EPngError)
ORV_EXCEPTION(EPNGInvalidFileHeader, EPngError)
ORV_EXCEPTION(EPNGIHDRNotFirst, EPngError)
ORV_EXCEPTION(EPNGSizeExceeds, EPngError)
ORV_EXCEPTION(EPNGUnknownCriticalChunk, EPngError)
ORV_EXCEPTION(EPNGUnknownCompression, EPngError)
ORV_EXCEPTION(EPNGUnknownInterlace, EPngError)
ORV_EXCEPTION(EPngUnexpectedEnd, EPngError)
ORV_EXCEPTION(EPNGNoImageData, EPngError)
ORV_EXCEPTION(EPNGOutMemory, EPngError)
ORV_EXCEPTION(EPNGHeaderNotPresent, EPngError)

// The row filters of the PNG format; bit n of a set stands for filter type n.
enum TFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
using TFilters = TSet<TFilter>;

// PNG colour types.
enum : uint8_t {
  ctGrayscale = 0,
  ctRGB = 2,
  ctPalette = 3,
  ctGrayscaleAlpha = 4,
  ctRGBAlpha = 6,
};

// Transparency kinds (TPNGObject::TransparencyKind).
enum : int { ptmNone = 0, ptmBit = 1, ptmPartial = 2 };

// The PNG signature every stream starts with.
inline constexpr uint8_t PngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// CRC-32 of the PNG format: the register runs over the bytes; start with 0xFFFFFFFF and store
// the ones' complement of the result.
uint32_t PngCrcUpdate(uint32_t Crc, const uint8_t* Data, size_t Size);

class TPNGObject;
class TChunkIHDR;

// ---- Chunks ----

// One chunk of the stream: its four-letter type and its data. The base class keeps the data of
// chunks no class understands and writes it back unchanged.
class TChunk : public TObject {
  ORV_CLASS(TChunk, TObject)
public:
  explicit TChunk(TPNGObject* Owner);
  ~TChunk() override;

  // The type a chunk class stands for: its class name from the 7th character on ("TChunkIHDR"
  // gives "IHDR"); empty for TChunk itself.
  static std::string TypeCode(TClass ChunkClass);
  std::string TypeCode() const { return TypeCode(ClassType()); }

  // Copies the type and the data of Source (descendants copy their own fields too).
  virtual void CopyFrom(TChunk* Source);
  // Reads the data and the CRC of a chunk whose length and type were read already; raises
  // EPngInvalidCRC when the CRC does not match.
  virtual bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length);
  // Writes the whole chunk: length, type, data, CRC.
  virtual bool WriteTo(TStream* Stream);

  // The type read or set; until then the class's type code (a constructor cannot ask for it).
  std::string ChunkType() const;
  void SetChunkType(const std::string& Value) { FChunkType = Value; }
  uint8_t* Payload() { return FPayload.data(); }
  const uint8_t* Payload() const { return FPayload.data(); }
  uint32_t PayloadSize() const { return FPayloadSize; }
  // Size := N, the contents kept (new bytes are zero).
  void ResizePayload(uint32_t N);
  // The owner's first chunk as its header; EInvalidCast when it is another chunk.
  TChunkIHDR* Header() const;
  TPNGObject* Owner() const { return FOwner; }

protected:
  bool WriteRaw(TStream* Stream);

private:
  std::vector<uint8_t> FPayload;  // always one byte longer than the payload
  uint32_t FPayloadSize = 0;
  TPNGObject* FOwner;
  std::string FChunkType;
};

// The DIB description of the image: the info header and a colour table of 256 entries.
struct TPngBitmapInfo {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// The image header; it also holds the decoded image (DIB section, colour table, alpha plane).
class TChunkIHDR : public TChunk {
  ORV_CLASS(TChunkIHDR, TChunk)
public:
  explicit TChunkIHDR(TPNGObject* Owner);
  ~TChunkIHDR() override;
  void CopyFrom(TChunk* Source) override;
  // Checks the header (size, depth and colour type, methods) and prepares an empty image.
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;

  // Makes a zero-filled DIB section (and alpha plane) for the header's size, colour type and
  // depth. EPNGSizeExceeds when the image is too large to be held; EPNGOutMemory when the
  // system cannot make it.
  void PrepareDib();
  void ReleaseDib();

  uint32_t Width() const { return FWidth; }
  void SetWidth(uint32_t Value) { FWidth = Value; }
  uint32_t Height() const { return FHeight; }
  void SetHeight(uint32_t Value) { FHeight = Value; }
  uint8_t BitDepth() const { return FBitDepth; }
  void SetBitDepth(uint8_t Value) { FBitDepth = Value; }
  uint8_t ColorType() const { return FColorType; }
  void SetColorType(uint8_t Value) { FColorType = Value; }
  uint8_t CompressionMethod() const { return FCompressionMethod; }
  void SetCompressionMethod(uint8_t Value) { FCompressionMethod = Value; }
  uint8_t FilterMethod() const { return FFilterMethod; }
  void SetFilterMethod(uint8_t Value) { FFilterMethod = Value; }
  uint8_t InterlaceMethod() const { return FInterlaceMethod; }
  void SetInterlaceMethod(uint8_t Value) { FInterlaceMethod = Value; }

  HBITMAP ImageHandle() const { return FImageHandle; }
  HDC ImageDC() const { return FImageDC; }
  // The DIB has a colour table (grey and palette images).
  bool Indexed() const { return FIndexed; }
  TPngBitmapInfo& BitmapInfo() { return FBitmapInfo; }
  const TPngBitmapInfo& BitmapInfo() const { return FBitmapInfo; }
  int DibBitCount() const { return FBitmapInfo.Header.biBitCount; }
  // Bytes per DIB row (a multiple of 4).
  uint32_t RowStride() const { return FRowStride; }
  // The DIB's pixels: the bottom row of the image first.
  uint8_t* ImageData() const { return FImageData; }
  // Width x height alpha bytes, the top row first; null without an alpha channel.
  uint8_t* AlphaData() { return FAlpha.empty() ? nullptr : FAlpha.data(); }
  const uint8_t* AlphaData() const { return FAlpha.empty() ? nullptr : FAlpha.data(); }

private:
  HBITMAP FImageHandle = nullptr;
  HDC FImageDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  bool FIndexed = false;
  TPngBitmapInfo FBitmapInfo{};
  uint32_t FRowStride = 0;
  uint8_t* FImageData = nullptr;
  std::vector<uint8_t> FAlpha;
  uint32_t FWidth = 0, FHeight = 0;
  uint8_t FBitDepth = 0, FColorType = 0, FCompressionMethod = 0, FFilterMethod = 0,
          FInterlaceMethod = 0;
};

// The palette; its colours live in the header's colour table (through the decode gamma).
class TChunkPLTE : public TChunk {
  ORV_CLASS(TChunkPLTE, TChunk)
public:
  explicit TChunkPLTE(TPNGObject* Owner) : TChunk(Owner) {}
  void CopyFrom(TChunk* Source) override;
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;
  uint32_t Count() const { return FCount; }
  void SetCount(uint32_t Value) { FCount = Value; }
  // Entry Index as blue (low byte), green, red, 0; EPngError "There is no such palette entry."
  // for an index not below the count.
  uint32_t EntryAt(uint32_t Index) const;

private:
  uint32_t FCount = 0;
};

// Transparency: a colour key (grey and RGB images: the raw big-endian key samples in the first
// 2 or 6 alpha bytes) or alpha values for the palette entries.
class TChunktRNS : public TChunk {
  ORV_CLASS(TChunktRNS, TChunk)
public:
  explicit TChunktRNS(TPNGObject* Owner) : TChunk(Owner) { FAlpha.fill(255); }
  void CopyFrom(TChunk* Source) override;
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;
  // The chunk keys one colour out instead of blending: always for grey and RGB images; for
  // palette images when exactly one entry is below 255 and that entry is fully transparent.
  bool SingleKey() const { return FSingleKey; }
  void SetSingleKey(bool Value) { FSingleKey = Value; }
  std::array<uint8_t, 256>& AlphaValues() { return FAlpha; }
  const std::array<uint8_t, 256>& AlphaValues() const { return FAlpha; }
  // The key colour as drawn (red, green, blue as a colour value); 0 when there is none.
  TColor GetKeyColor() const;
  // Makes Value the key colour (for palette images: the first entry of that colour).
  void SetKeyColor(TColor Value);

private:
  bool FSingleKey = false;
  std::array<uint8_t, 256> FAlpha{};
};

// The image gamma (times 100000); reading it builds the picture's gamma tables.
class TChunkgAMA : public TChunk {
  ORV_CLASS(TChunkgAMA, TChunk)
public:
  explicit TChunkgAMA(TPNGObject* Owner);
  void CopyFrom(TChunk* Source) override;
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  uint32_t Gamma();
  void SetGamma(uint32_t Value);
};

// The last modification time.
class TChunktIME : public TChunk {
  ORV_CLASS(TChunktIME, TChunk)
public:
  explicit TChunktIME(TPNGObject* Owner) : TChunk(Owner) {}
  void CopyFrom(TChunk* Source) override;
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;
  uint16_t Year = 0;
  uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// A keyword and its text.
class TChunktEXt : public TChunk {
  ORV_CLASS(TChunktEXt, TChunk)
public:
  explicit TChunktEXt(TPNGObject* Owner) : TChunk(Owner) {}
  void CopyFrom(TChunk* Source) override;
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;
  const std::string& Keyword() const { return FKeyword; }
  void SetKeyword(const std::string& Value) { FKeyword = Value; }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value) { FText = Value; }

private:
  std::string FKeyword, FText;
};

// A keyword and its zlib-compressed text. A text that cannot be inflated (or a method other
// than 0) raises EPNGZLIBError when read, and one that cannot be deflated when written, so
// that no text is lost without a word.
class TChunkzTXt : public TChunktEXt {
  ORV_CLASS(TChunkzTXt, TChunktEXt)
public:
  explicit TChunkzTXt(TPNGObject* Owner) : TChunktEXt(Owner) {}
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;
};

// The image data: reading decodes the rows of every consecutive IDAT chunk into the header's
// DIB; writing encodes the DIB into one or more IDAT chunks. Keeps no data itself.
class TChunkIDAT : public TChunk {
  ORV_CLASS(TChunkIDAT, TChunk)
public:
  explicit TChunkIDAT(TPNGObject* Owner) : TChunk(Owner) {}
  bool ReadBody(TStream* Stream, const std::string& Type, uint32_t Length) override;
  bool WriteTo(TStream* Stream) override;

private:
  struct TCoder;  // the state of one decoding or encoding
};

class TChunkIEND : public TChunk {
  ORV_CLASS(TChunkIEND, TChunk)
public:
  explicit TChunkIEND(TPNGObject* Owner) : TChunk(Owner) {}
};

// ---- Chunk class registry ----
using TChunkFactory = std::unique_ptr<TChunk> (*)(TPNGObject* Owner);
// Registers a chunk class: chunks whose type equals its type code become objects of it. The
// nine classes above are registered from the start.
void AddChunkClass(TClass ChunkClass, TChunkFactory Factory);
template <class T>
void AddChunkClass() {
  AddChunkClass(T::StaticClass(),
                [](TPNGObject* o) -> std::unique_ptr<TChunk> { return std::make_unique<T>(o); });
}
// A chunk object for a type: of the first registered class whose type code equals it (exact
// case), else a TChunk; its chunk type is set to Type.
std::unique_ptr<TChunk> NewChunkForType(TPNGObject* Owner, const std::string& Type);
// A chunk object of the same class as Source.
std::unique_ptr<TChunk> NewChunkOfClass(TPNGObject* Owner, TClass ChunkClass);

// The picture's chunks in file order; owns them.
class TPNGList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // Null for an index outside the list.
  TChunk* ItemAt(int Index) const;
  TChunk* Append(std::unique_ptr<TChunk> Chunk);
  // Takes the last occurrence of Chunk out of the list; null when it is not there.
  std::unique_ptr<TChunk> Extract(TChunk* Chunk);
  // The first chunk of ChunkClass or a descendant, else null.
  TChunk* FirstOfClass(TClass ChunkClass) const;
  template <class T>
  T* FirstOf() const {
    return static_cast<T*>(FirstOfClass(T::StaticClass()));
  }
  void Clear() { FItems.clear(); }
  void Reserve(int N) { FItems.reserve(static_cast<size_t>(N)); }

private:
  std::vector<std::unique_ptr<TChunk>> FItems;
};

// ---- The picture ----
class TPNGObject : public TGraphic {
  ORV_CLASS(TPNGObject, TGraphic)
public:
  TPNGObject();
  ~TPNGObject() override;

  // From another TPNGObject (a deep copy) or a TBitmap (FromBitmapHandle); anything else goes to
  // the default, which raises.
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return FChunkList.Count() == 0; }
  int Width() const override;
  int Height() const override;
  // Always EPngError: a picture is resized by assigning a bitmap to it.
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  // Whether the picture has a transparency (false without a header).
  bool Transparent() const override { return HasHeader() && GetTransparent(); }
  // The palette of grey and palette pictures (cached); null for others and without a header.
  HPALETTE Palette() const override { return HasHeader() ? GetPalette() : nullptr; }

  // Reads a PNG stream: the signature, then chunk after chunk up to IEND. Failures raise; the
  // chunks read before stay in the list.
  void LoadFromStream(TStream* Stream) override;
  // Writes the signature and every chunk in list order.
  void SaveToStream(TStream* Stream) override;
  // Opaque and colour-keyed pictures are stretched into Rect; pictures with alpha are blended
  // at their own size at Rect's top-left corner.
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

  bool HasHeader() const;
  // The header; EPNGHeaderNotPresent without one.
  TChunkIHDR* HeaderChunk() const;
  // Bytes of one row of the whole image and bytes per complete pixel (0 and 0 without a
  // header or for an unknown colour type).
  void RowLayout(uint32_t& RowBytes, uint32_t& PixelDistance) const;
  // Raises E with Message.
  template <class E>
  [[noreturn]] static void Fail(const char* Message) {
    throw E(Message);
  }
  // Frees every chunk and resets the gamma tables.
  void ClearChunkList();
  // A deep copy of Source: its settings, then a copy of each of its chunks.
  void CopyPNG(TPNGObject* Source);
  TPNGList& ChunkList() { return FChunkList; }
  const TPNGList& ChunkList() const { return FChunkList; }

  // Stored sample value -> value in the bitmap, and back (identity until a gAMA chunk is read).
  std::array<uint8_t, 256>& DecodeGamma() { return FDecodeGamma; }
  const std::array<uint8_t, 256>& DecodeGamma() const { return FDecodeGamma; }
  std::array<uint8_t, 256>& EncodeGamma() { return FEncodeGamma; }
  const std::array<uint8_t, 256>& EncodeGamma() const { return FEncodeGamma; }
  void ResetGamma();

  // Writing settings: the filters tried per row (default {Sub}), the zlib level (0..9, default
  // 7), the size of full IDAT chunks (at least 65535) and the interlace method (0 or 1).
  TFilters RowFilters() const { return FRowFilters; }
  void SetRowFilters(TFilters Value) { FRowFilters = Value; }
  uint8_t DeflateLevel() const { return FDeflateLevel; }
  void SetDeflateLevel(uint8_t Value) { FDeflateLevel = Value > 9 ? 9 : Value; }
  uint32_t DataChunkLimit() const { return FDataChunkLimit; }
  void SetDataChunkLimit(uint32_t Value);
  uint8_t InterlaceMode() const { return FInterlaceMode; }
  void SetInterlaceMode(uint8_t Value) { FInterlaceMode = Value; }

  // ---- Transparency, palette, conversions, pixels (pngpicture_draw.cpp) ----
  // ptmNone, ptmBit (a colour key) or ptmPartial (alpha); EPNGHeaderNotPresent without a header.
  int TransparencyKind() const;
  bool GetTransparent() const { return TransparencyKind() != ptmNone; }
  // The key colour of the tRNS chunk, or 0 when there is none.
  TColor KeyColor() const;
  // A palette of the 256 colour-table entries for grey and palette pictures (cached until the
  // image is prepared again), null for others; EPNGHeaderNotPresent without a header.
  HPALETTE GetPalette() const;
  HPALETTE PaletteHandle() const { return FPaletteHandle; }
  // Deletes the cached palette (the header does when it prepares a new image).
  void DeletePaletteHandle();
  // Blends the alpha picture over DC at Rect's top-left corner, at the picture's own size.
  void DrawBlended(HDC DC, const RECT& Rect);
  // Builds the picture from a bitmap: below 16 bits per pixel a palette picture of that depth,
  // else 8-bit RGB; with Transparent a tRNS chunk keys KeyColor out.
  void FromBitmapHandle(HBITMAP Bitmap, bool Transparent, COLORREF KeyColor);
  // The clipboard's bitmap format (CF_BITMAP) in and out; EInvalidGraphic for others.
  void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE APalette);
  void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& APalette);
  // Address of image row Y in the DIB; EPNGHeaderNotPresent without a header.
  uint8_t* RowPointer(int Y) const;
  // One pixel as a colour value; outside the image reading gives 0 and writing is ignored.
  virtual TColor PixelAt(int X, int Y) const;
  virtual void SetPixelAt(int X, int Y, TColor Value);

protected:
  void AssignTo(TPersistent* Dest) override;

private:
  std::array<uint8_t, 256> FDecodeGamma{}, FEncodeGamma{};
  mutable HPALETTE FPaletteHandle = nullptr;
  TFilters FRowFilters{pfSub};
  uint8_t FDeflateLevel = 7;
  uint32_t FDataChunkLimit = 65535;
  uint8_t FInterlaceMode = 0;
  TPNGList FChunkList;
};

// Registers TPNGObject with the picture loader (extension "PNG"); runs when the unit is linked,
// and may be called again (it does its work once).
void PngPictureStartup();
// Unregisters the picture class.
void PngPictureShutdown();

// zlib over whole blocks (compressed texts): the inflated or deflated bytes of Input, or false
// with zlib's message in Error.
bool InflateBlock(const uint8_t* Input, size_t InputSize, std::vector<uint8_t>& Output,
                  std::string& Error);
bool DeflateBlock(const uint8_t* Input, size_t InputSize, int Level, std::vector<uint8_t>& Output,
                  std::string& Error);
