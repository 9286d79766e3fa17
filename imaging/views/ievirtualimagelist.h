// TIEVirtualImageList: the thumbnail store. Many pictures (pixel rows, optional alpha channel,
// geometry) packed one after another in one growing store, a delete-on-close temporary file by
// default, of which only a bounded number are held in memory at a time (least recently used
// first out). Each thumbnail grid owns two: "ILIST" (the stored picture of every image) and
// "ICACHE" (the display-size copies).
//
// An entry's bytes in the store: its rows from the last bitmap row to the first, each padded to a
// multiple of 4 bytes; with alpha one "full" mark byte (non-zero: fully opaque, no alpha rows
// matter) and the 8-bit alpha rows in the same order. So a mapped entry is a bottom-up bitmap
// that a TIEBitmap can wrap without copying (EncapsulateMemory).
//
// Space of deleted entries is reused: freed blocks are merged with their neighbours, a block
// larger than what is asked keeps its rest, a block that reaches the end of the used part goes
// back to it, and growing the store keeps them all. A store of pictures that come and go
// therefore stays as large as the pictures alive at once, not as all pictures ever stored.
//
// Not thread-safe: the grid calls it under its own lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iedefs.h"

class TIEBitmap;
class TIEFileBuffer;

// One stored picture.
struct TIEVirtualImageEntry {
  int64_t Offset = 0;  // of its bytes in the store
  int64_t Size = 0;
  uint8_t* Data = nullptr;  // its memory window; nil when not mapped
  bool Fetched = false;     // a TIEBitmap for it exists (GetBitmap)
  int32_t Info1 = 0,
          Info2 = 0;  // the picture's size when made; the grid puts the original size here
  bool HasAlpha = false;
  uint8_t Access = 0;  // of the current window: 1 read, 2 write, 3 both
  int32_t Width = 0, Height = 0, BitsPerPixel = 0;
  TIEPixelFormat PixelFormat = ieNone;
  // The colour table of an ie8p picture (the store holds indexes only).
  std::vector<TIERGBPixel> Palette;
};

// A block of the store that a deleted entry left free.
struct TIEVirtualFreeBlock {
  int64_t Offset = 0;
  int64_t Size = 0;
};

class TIEVirtualImageList {
public:
  // Name: the prefix of the temporary file ("ILIST", "ICACHE"); InFile false keeps the store in
  // memory (used while a form is designed).
  TIEVirtualImageList(const std::string& Name, bool InFile);
  ~TIEVirtualImageList();
  TIEVirtualImageList(const TIEVirtualImageList&) = delete;
  TIEVirtualImageList& operator=(const TIEVirtualImageList&) = delete;

  // A new entry of the bitmap's geometry holding a copy of its pixels (and alpha channel). An
  // entry of a picture of width or height 0 holds nothing.
  TIEVirtualImageEntry* AddBitmap(TIEBitmap* Bitmap);
  // Removes an entry (fetched bitmaps of it included) and frees its space for reuse.
  void Delete(TIEVirtualImageEntry* Entry);

  // A counted TIEBitmap copy of the entry (the same bitmap while fetched); nil for an entry that
  // holds nothing. ReleaseBitmap / ReleaseEntryBitmap count it down, writing its pixels back into
  // the entry when WriteBack is set, and free it at 0.
  TIEBitmap* GetBitmap(TIEVirtualImageEntry* Entry);
  void ReleaseBitmap(TIEBitmap* Bitmap, bool WriteBack);
  void ReleaseEntryBitmap(TIEVirtualImageEntry* Entry, bool WriteBack);

  int GetWidth(TIEVirtualImageEntry* Entry);
  int GetHeight(TIEVirtualImageEntry* Entry);
  TIEPixelFormat GetPixelFormat(TIEVirtualImageEntry* Entry);
  // The first stored row (the bitmap's last row); stays valid until the entry is unmapped (by
  // another entry being mapped past the limit, Delete, growth, or a change of access).
  uint8_t* GetPixels(TIEVirtualImageEntry* Entry);
  // The first alpha row, nil for an entry without alpha or whose alpha is marked full.
  uint8_t* GetAlphaPixels(TIEVirtualImageEntry* Entry);
  int GetOriginalWidth(TIEVirtualImageEntry* Entry) const { return Entry->Info1; }
  int GetOriginalHeight(TIEVirtualImageEntry* Entry) const { return Entry->Info2; }
  void SetOriginalWidth(TIEVirtualImageEntry* Entry, int Value) { Entry->Info1 = Value; }
  void SetOriginalHeight(TIEVirtualImageEntry* Entry, int Value) { Entry->Info2 = Value; }

  // Grows the store in advance by Count rows blocks of Width x Height pixels of BitsPerPixel.
  void ReserveSpace(int Width, int Height, int BitsPerPixel, int Count);

  // Entries held in memory beyond which the least recently used are given back (10 at creation;
  // up to Limit + 1 windows exist at once).
  int Limit() const { return FLimit; }
  void SetLimit(int Value) { FLimit = Value; }

  // ---- state, for the grid and for tests ----
  const std::string& Name() const { return FName; }
  int64_t Capacity() const { return FCapacity; }
  int64_t NextFree() const { return FNextFree; }
  int32_t GrowthStep() const { return FGrowthStep; }
  int MappedCount() const { return FMappedCount; }
  int EntryCount() const { return static_cast<int>(FEntries.size()); }
  // Mapped entries, least recently used first.
  const std::vector<TIEVirtualImageEntry*>& Mapped() const { return FMapped; }
  const std::vector<TIEVirtualFreeBlock>& FreeBlocks() const { return FFreeBlocks; }
  // Size of the store (its temporary file), in bytes.
  int64_t StoreSize() const;
  const std::string& StoreFileName() const;

  // Bytes per stored row of Width pixels of BitsPerPixel (padded to 4).
  static int RowBytes(int Width, int BitsPerPixel);

private:
  struct TFetched {
    TIEVirtualImageEntry* Entry;
    std::unique_ptr<TIEBitmap> Bitmap;
    int32_t Count;
  };

  void Init();
  void Done();
  void ResizeStore();
  void ClearAll();
  TIEVirtualImageEntry* NewEntry(int Width, int Height, bool HasAlpha, TIEPixelFormat PixelFormat,
                                 int BitsPerPixel);
  void AllocEntry(TIEVirtualImageEntry* Entry, int Width, bool HasAlpha, TIEPixelFormat PixelFormat,
                  int BitsPerPixel, int Height);
  bool MapEntry(TIEVirtualImageEntry* Entry, uint8_t Access);
  void UnmapEntry(TIEVirtualImageEntry* Entry);
  void UnmapOldest();
  void UnmapAll();
  void FreeEntry(TIEVirtualImageEntry* Entry);
  TFetched* FindFetched(TIEVirtualImageEntry* Entry);
  TFetched* FindFetched(TIEBitmap* Bitmap);
  void CopyToBitmap(TIEVirtualImageEntry* Entry, TIEBitmap* Bitmap);
  void CopyFromBitmap(TIEVirtualImageEntry* Entry, TIEBitmap* Bitmap);
  // Copies the rows (and alpha) of Bitmap into the mapped entry.
  void WriteRows(TIEVirtualImageEntry* Entry, TIEBitmap* Bitmap);
  // Gives a block back: merged with its neighbours, or returned to the end of the used part.
  void FreeBlock(int64_t Offset, int64_t Size);

  std::unique_ptr<TIEFileBuffer> FStore;
  bool FInFile;
  int64_t FCapacity = 0;
  std::vector<std::unique_ptr<TIEVirtualImageEntry>> FEntries;
  std::vector<TIEVirtualImageEntry*> FMapped;
  std::vector<TIEVirtualFreeBlock> FFreeBlocks;  // by offset, never adjacent
  int64_t FNextFree = 0;
  int32_t FGrowthStep = 0x40000;
  int32_t FLimit = 10;
  int32_t FMappedCount = 0;
  std::vector<TFetched> FFetched;
  int64_t FLastAllocSize = 0;
  std::string FName;
};
