// The thumbnail store (see ievirtualimagelist.h).
#include "imaging/views/ievirtualimagelist.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/sysutils.h"

namespace {

// Bytes of one alpha row: the width rounded up to a multiple of 4.
int AlphaRowBytes(int Width) { return IERowLength(Width, 8); }

int64_t EntryBytes(int Width, int Height, bool HasAlpha, int BitsPerPixel) {
  int64_t n = static_cast<int64_t>(TIEVirtualImageList::RowBytes(Width, BitsPerPixel)) * Height;
  if (HasAlpha) n += static_cast<int64_t>(Height) * AlphaRowBytes(Width) + 1;
  return n;
}

// Copies Height rows of RowBytes from (or to) a bitmap in stored order: last bitmap row first.
// One-block memory images already hold their rows in that order.
void RowsToStore(TIEBitmap* Bitmap, uint8_t* Store, int RowBytes, int Height) {
  if (Bitmap->Bits() != nullptr && Bitmap->RowLen() == RowBytes) {
    std::memcpy(Store, Bitmap->Bits(), static_cast<size_t>(RowBytes) * Height);
    return;
  }
  for (int y = 0; y < Height; ++y)
    std::memcpy(Store + static_cast<int64_t>(y) * RowBytes, Bitmap->Scanline(Height - 1 - y),
                RowBytes);
}

void RowsFromStore(TIEBitmap* Bitmap, const uint8_t* Store, int RowBytes, int Height) {
  if (Bitmap->Bits() != nullptr && Bitmap->RowLen() == RowBytes) {
    std::memcpy(Bitmap->Bits(), Store, static_cast<size_t>(RowBytes) * Height);
    return;
  }
  for (int y = 0; y < Height; ++y)
    std::memcpy(Bitmap->Scanline(Height - 1 - y), Store + static_cast<int64_t>(y) * RowBytes,
                RowBytes);
}

}  // namespace

int TIEVirtualImageList::RowBytes(int Width, int BitsPerPixel) {
  return IERowLength(Width, BitsPerPixel);
}

TIEVirtualImageList::TIEVirtualImageList(const std::string& Name, bool InFile)
    : FInFile(InFile), FName(Name) {
  Init();
}

TIEVirtualImageList::~TIEVirtualImageList() { Done(); }

void TIEVirtualImageList::Init() {
  FStore = std::make_unique<TIEFileBuffer>();
  FCapacity = FGrowthStep;
  FNextFree = 0;
  FEntries.clear();
  FMapped.clear();
  FFreeBlocks.clear();
  FFetched.clear();
  FMappedCount = 0;
  ResizeStore();
}

void TIEVirtualImageList::Done() {
  ClearAll();
  FStore.reset();
}

int64_t TIEVirtualImageList::StoreSize() const {
  return FStore && FStore->Store != nullptr ? FStore->Store->Size() : 0;
}

const std::string& TIEVirtualImageList::StoreFileName() const {
  static const std::string none;
  return FStore ? FStore->FileName() : none;
}

void TIEVirtualImageList::ResizeStore() {
  // Windows are memory blocks of their own, so a store that grows keeps every mapped entry and
  // every free block as they are.
  if (FStore->IsAllocated()) {
    FStore->SetSize(FCapacity);
    return;
  }
  ClearAll();
  if (!FStore->AllocateStore(FName, FInFile, FCapacity))
    throw EInOutError("Unable to create the picture store " + FName);
}

void TIEVirtualImageList::ClearAll() {
  while (!FEntries.empty()) FreeEntry(FEntries.back().get());
  FMapped.clear();
  FMappedCount = 0;
  FFreeBlocks.clear();
  FFetched.clear();
  if (FStore) FStore->Close();
  FNextFree = 0;
}

TIEVirtualImageEntry* TIEVirtualImageList::NewEntry(int Width, int Height, bool HasAlpha,
                                                    TIEPixelFormat PixelFormat, int BitsPerPixel) {
  auto owned = std::make_unique<TIEVirtualImageEntry>();
  TIEVirtualImageEntry* e = owned.get();
  FEntries.push_back(std::move(owned));
  AllocEntry(e, Width, HasAlpha, PixelFormat, BitsPerPixel, Height);
  return e;
}

void TIEVirtualImageList::AllocEntry(TIEVirtualImageEntry* Entry, int Width, bool HasAlpha,
                                     TIEPixelFormat PixelFormat, int BitsPerPixel, int Height) {
  const int64_t needed =
      Width > 0 && Height > 0 ? EntryBytes(Width, Height, HasAlpha, BitsPerPixel) : 0;
  int64_t offset = FNextFree;
  bool appended = false;
  if (needed > 0) {
    auto fit = std::find_if(FFreeBlocks.begin(), FFreeBlocks.end(),
                            [&](const TIEVirtualFreeBlock& b) { return b.Size >= needed; });
    if (fit != FFreeBlocks.end()) {
      offset = fit->Offset;
      // What is left of the block beyond the entry stays free.
      if (fit->Size > needed) {
        fit->Offset += needed;
        fit->Size -= needed;
      } else {
        FFreeBlocks.erase(fit);
      }
    } else {
      if (needed > FGrowthStep)
        FGrowthStep = static_cast<int32_t>(std::min<int64_t>(needed + FLastAllocSize, INT32_MAX));
      FLastAllocSize = needed;
      if (FNextFree + needed > FCapacity) {
        while (FNextFree + needed > FCapacity) FCapacity += FGrowthStep;
        ResizeStore();
      }
      offset = FNextFree;
      appended = true;
    }
  }
  Entry->Offset = offset;
  Entry->Size = needed;
  Entry->Data = nullptr;
  Entry->Fetched = false;
  Entry->Info1 = Width;
  Entry->Info2 = Height;
  Entry->HasAlpha = HasAlpha;
  Entry->Width = Width;
  Entry->Height = Height;
  Entry->BitsPerPixel = BitsPerPixel;
  Entry->PixelFormat = PixelFormat;
  Entry->Access = 0;
  if (needed == 0) return;  // holds nothing, occupies nothing
  if (appended) FNextFree = offset + needed;
  MapEntry(Entry, iaWrite);
}

bool TIEVirtualImageList::MapEntry(TIEVirtualImageEntry* Entry, uint8_t Access) {
  if (Entry->Data != nullptr && Entry->Access != Access) UnmapEntry(Entry);
  if (Entry->Data == nullptr) {
    while (FMappedCount > FLimit && !FMapped.empty()) UnmapOldest();
    Entry->Data = static_cast<uint8_t*>(FStore->Map(Access, Entry->Offset, Entry->Size));
    if (Entry->Data != nullptr) {
      ++FMappedCount;
      FMapped.push_back(Entry);
    }
  } else {
    auto it = std::find(FMapped.begin(), FMapped.end(), Entry);
    if (it != FMapped.end()) {
      FMapped.erase(it);
      FMapped.push_back(Entry);
    }
  }
  Entry->Access = Access;
  return Entry->Data != nullptr;
}

void TIEVirtualImageList::UnmapEntry(TIEVirtualImageEntry* Entry) {
  if (Entry->Data == nullptr) return;
  uint8_t* data = Entry->Data;
  Entry->Data = nullptr;
  auto it = std::find(FMapped.begin(), FMapped.end(), Entry);
  if (it != FMapped.end()) FMapped.erase(it);
  --FMappedCount;
  FStore->Unmap(data);
}

void TIEVirtualImageList::UnmapOldest() {
  if (!FMapped.empty()) UnmapEntry(FMapped.front());
}

void TIEVirtualImageList::UnmapAll() {
  while (!FMapped.empty()) UnmapOldest();
}

void TIEVirtualImageList::FreeEntry(TIEVirtualImageEntry* Entry) {
  if (Entry->Fetched) {
    FFetched.erase(std::remove_if(FFetched.begin(), FFetched.end(),
                                  [&](const TFetched& f) { return f.Entry == Entry; }),
                   FFetched.end());
    Entry->Fetched = false;
  }
  UnmapEntry(Entry);
  auto it = std::find_if(FEntries.begin(), FEntries.end(),
                         [&](const auto& e) { return e.get() == Entry; });
  if (it != FEntries.end()) FEntries.erase(it);
}

void TIEVirtualImageList::FreeBlock(int64_t Offset, int64_t Size) {
  if (Size <= 0) return;
  auto it = std::lower_bound(FFreeBlocks.begin(), FFreeBlocks.end(), Offset,
                             [](const TIEVirtualFreeBlock& b, int64_t o) { return b.Offset < o; });
  it = FFreeBlocks.insert(it, TIEVirtualFreeBlock{Offset, Size});
  // Merge with the following block, then with the preceding one.
  if (it + 1 != FFreeBlocks.end() && it->Offset + it->Size == (it + 1)->Offset) {
    it->Size += (it + 1)->Size;
    FFreeBlocks.erase(it + 1);
  }
  if (it != FFreeBlocks.begin() && (it - 1)->Offset + (it - 1)->Size == it->Offset) {
    (it - 1)->Size += it->Size;
    it = FFreeBlocks.erase(it) - 1;
  }
  // A block that reaches the end of the used part shortens it instead.
  if (it->Offset + it->Size == FNextFree) {
    FNextFree = it->Offset;
    FFreeBlocks.erase(it);
  }
}

void TIEVirtualImageList::Delete(TIEVirtualImageEntry* Entry) {
  if (Entry == nullptr) return;
  FreeBlock(Entry->Offset, Entry->Size);
  FreeEntry(Entry);
  if (FEntries.empty()) {
    FCapacity = FGrowthStep;
    FNextFree = 0;
    FFreeBlocks.clear();
    ResizeStore();
  }
}

void TIEVirtualImageList::WriteRows(TIEVirtualImageEntry* Entry, TIEBitmap* Bitmap) {
  const int R = RowBytes(Entry->Width, Entry->BitsPerPixel);
  RowsToStore(Bitmap, Entry->Data, R, Entry->Height);
  if (Entry->PixelFormat == ie8p && Bitmap->Palette() != nullptr) {
    const int n = std::max(0, std::min(Bitmap->PaletteLength(), 256));
    Entry->Palette.assign(Bitmap->Palette(), Bitmap->Palette() + n);
  } else {
    Entry->Palette.clear();
  }
  if (!Entry->HasAlpha) return;
  TIEBitmap* alpha = Bitmap->GetAlphaChannel();
  uint8_t* mark = Entry->Data + static_cast<int64_t>(R) * Entry->Height;
  *mark = alpha->Full ? 1 : 0;
  RowsToStore(alpha, mark + 1, AlphaRowBytes(Entry->Width), Entry->Height);
}

TIEVirtualImageEntry* TIEVirtualImageList::AddBitmap(TIEBitmap* Bitmap) {
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  const bool hasAlpha = Bitmap->HasAlphaChannel() && !Bitmap->IsAlpha;
  const int w = Bitmap->IsEmpty() ? 0 : Bitmap->Width(),
            h = Bitmap->IsEmpty() ? 0 : Bitmap->Height();
  TIEVirtualImageEntry* e = NewEntry(w, h, hasAlpha, pf, IEBitsPerPixel[pf]);
  if (e->Data != nullptr) WriteRows(e, Bitmap);
  return e;
}

void TIEVirtualImageList::CopyToBitmap(TIEVirtualImageEntry* Entry, TIEBitmap* Bitmap) {
  if (!MapEntry(Entry, iaRead)) return;
  if (Bitmap->PixelFormat() != Entry->PixelFormat || Bitmap->Width() != Entry->Width ||
      Bitmap->Height() != Entry->Height) {
    Bitmap->FullReallocate = true;
    Bitmap->Allocate(Entry->Width, Entry->Height, Entry->PixelFormat);
  }
  if (Bitmap->Width() != Entry->Width || Bitmap->Height() != Entry->Height)
    return;  // no memory for it
  const int R = RowBytes(Entry->Width, Entry->BitsPerPixel);
  RowsFromStore(Bitmap, Entry->Data, R, Entry->Height);
  for (size_t i = 0; i < Entry->Palette.size(); ++i)
    Bitmap->SetPaletteEntry(static_cast<int>(i), Entry->Palette[i]);
  const uint8_t* mark = Entry->Data + static_cast<int64_t>(R) * Entry->Height;
  if (!Entry->HasAlpha || *mark != 0) {
    Bitmap->RemoveAlphaChannel(false);
    return;
  }
  if (Bitmap->HasAlphaChannel() && (Bitmap->GetAlphaChannel()->Width() != Entry->Width ||
                                    Bitmap->GetAlphaChannel()->Height() != Entry->Height))
    Bitmap->RemoveAlphaChannel(false);
  TIEBitmap* alpha = Bitmap->GetAlphaChannel();
  RowsFromStore(alpha, mark + 1, AlphaRowBytes(Entry->Width), Entry->Height);
  alpha->Full = false;
}

void TIEVirtualImageList::CopyFromBitmap(TIEVirtualImageEntry* Entry, TIEBitmap* Bitmap) {
  if (!MapEntry(Entry, iaReadWrite)) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  const bool hasAlpha = Bitmap->HasAlphaChannel() && !Bitmap->IsAlpha;
  const int w = Bitmap->IsEmpty() ? 0 : Bitmap->Width(),
            h = Bitmap->IsEmpty() ? 0 : Bitmap->Height();
  if (w != Entry->Width || h != Entry->Height || IEBitsPerPixel[pf] != Entry->BitsPerPixel ||
      hasAlpha != Entry->HasAlpha) {
    // The entry moves to space of the new size; its old space becomes free.
    UnmapEntry(Entry);
    FreeBlock(Entry->Offset, Entry->Size);
    const int32_t info1 = Entry->Info1, info2 = Entry->Info2;
    AllocEntry(Entry, w, hasAlpha, pf, IEBitsPerPixel[pf], h);
    Entry->Info1 = info1;
    Entry->Info2 = info2;
    if (Entry->Data == nullptr) return;
  }
  Entry->PixelFormat = pf;
  WriteRows(Entry, Bitmap);
}

TIEVirtualImageList::TFetched* TIEVirtualImageList::FindFetched(TIEVirtualImageEntry* Entry) {
  for (TFetched& f : FFetched)
    if (f.Entry == Entry) return &f;
  return nullptr;
}

TIEVirtualImageList::TFetched* TIEVirtualImageList::FindFetched(TIEBitmap* Bitmap) {
  for (TFetched& f : FFetched)
    if (f.Bitmap.get() == Bitmap) return &f;
  return nullptr;
}

TIEBitmap* TIEVirtualImageList::GetBitmap(TIEVirtualImageEntry* Entry) {
  if (Entry == nullptr || !MapEntry(Entry, iaRead)) return nullptr;
  if (TFetched* f = FindFetched(Entry)) {
    ++f->Count;
    return f->Bitmap.get();
  }
  auto bmp = std::make_unique<TIEBitmap>();
  TIEBitmap* b = bmp.get();
  FFetched.push_back(TFetched{Entry, std::move(bmp), 1});
  CopyToBitmap(Entry, b);
  Entry->Fetched = true;
  return b;
}

void TIEVirtualImageList::ReleaseBitmap(TIEBitmap* Bitmap, bool WriteBack) {
  if (Bitmap == nullptr) return;
  if (Bitmap->Location() == ieTBitmap) Bitmap->UpdateFromTBitmap();
  TFetched* f = FindFetched(Bitmap);
  if (f == nullptr) return;
  --f->Count;
  TIEVirtualImageEntry* entry = f->Entry;
  if (WriteBack) CopyFromBitmap(entry, Bitmap);
  f = FindFetched(Bitmap);  // CopyFromBitmap may not move the list, but stay safe
  if (f != nullptr && f->Count <= 0) {
    entry->Fetched = false;
    FFetched.erase(FFetched.begin() + (f - FFetched.data()));
  }
}

void TIEVirtualImageList::ReleaseEntryBitmap(TIEVirtualImageEntry* Entry, bool WriteBack) {
  if (TFetched* f = FindFetched(Entry)) ReleaseBitmap(f->Bitmap.get(), WriteBack);
}

int TIEVirtualImageList::GetWidth(TIEVirtualImageEntry* Entry) {
  if (Entry->Fetched)
    if (TFetched* f = FindFetched(Entry)) return f->Bitmap->GetWidth();
  return Entry->Width;
}

int TIEVirtualImageList::GetHeight(TIEVirtualImageEntry* Entry) {
  if (Entry->Fetched)
    if (TFetched* f = FindFetched(Entry)) return f->Bitmap->GetHeight();
  return Entry->Height;
}

TIEPixelFormat TIEVirtualImageList::GetPixelFormat(TIEVirtualImageEntry* Entry) {
  if (Entry->Fetched)
    if (TFetched* f = FindFetched(Entry)) return f->Bitmap->GetPixelFormat();
  return Entry->PixelFormat;
}

uint8_t* TIEVirtualImageList::GetPixels(TIEVirtualImageEntry* Entry) {
  if (Entry->Fetched) {
    TFetched* f = FindFetched(Entry);
    if (f == nullptr || f->Bitmap->IsEmpty()) return nullptr;
    return f->Bitmap->Scanline(f->Bitmap->GetHeight() - 1);
  }
  return MapEntry(Entry, iaRead) ? Entry->Data : nullptr;
}

uint8_t* TIEVirtualImageList::GetAlphaPixels(TIEVirtualImageEntry* Entry) {
  if (!Entry->HasAlpha) return nullptr;
  if (Entry->Fetched) {
    TFetched* f = FindFetched(Entry);
    if (f == nullptr || !f->Bitmap->HasAlphaChannel()) return nullptr;
    TIEBitmap* a = f->Bitmap->GetAlphaChannel();
    return a->Scanline(a->Height() - 1);
  }
  if (!MapEntry(Entry, iaRead)) return nullptr;
  uint8_t* mark = Entry->Data +
                  static_cast<int64_t>(RowBytes(Entry->Width, Entry->BitsPerPixel)) * Entry->Height;
  return *mark == 0 ? mark + 1 : nullptr;
}

void TIEVirtualImageList::ReserveSpace(int Width, int Height, int BitsPerPixel, int Count) {
  if (Width <= 0 || Height <= 0 || Count <= 0) return;
  FCapacity += static_cast<int64_t>(RowBytes(Width, BitsPerPixel)) * Height * Count;
  ResizeStore();
}
