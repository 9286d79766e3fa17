// TIEBitmap: construction, allocation and storage, row access, alpha channel and palette.
#include "imaging/core/iebitmap.h"

#include <cstdlib>
#include <cstring>

#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

ORV_CLASS_IMPL(TIEBaseBitmap, TObject)
ORV_CLASS_IMPL(TIEBitmap, TIEBaseBitmap)

namespace {
// Images up to this size live in memory: the override when set, else the physical memory / 1.3.
int64_t DefaultMemoryThreshold() {
  if (IEMemoryThresholdOverride != -1) return IEMemoryThresholdOverride;
  uint64_t total = IEGetPhysicalMemory(false);
  if (total == 0) return 33554432;
  return static_cast<int64_t>(static_cast<double>(total) / 1.3);
}
bool HeapBlockAllowed(int64_t Size) { return IEMaxBlockSize < 0 || Size <= IEMaxBlockSize; }
constexpr int64_t kMinFragmentSize = 10485760;
}  // namespace

TIEBitmap::TIEBitmap() : MemoryThreshold(DefaultMemoryThreshold()), FFileBuffer(new TIEFileBuffer) {}

TIEBitmap::TIEBitmap(int Width, int Height, TIEPixelFormat PixelFormat) : TIEBitmap() {
  Allocate(Width, Height, PixelFormat);
}

TIEBitmap* TIEBitmap::CreateSized(int Width, int Height, TIEPixelFormat PixelFormat) {
  return new TIEBitmap(Width, Height, PixelFormat);
}

TIEBitmap* TIEBitmap::CreateAsAlpha(int Width, int Height, TIELocation Location) {
  auto* b = new TIEBitmap();
  b->IsAlpha = true;
  b->FLocation = Location == ieTBitmap ? ieMemory : Location;
  b->Allocate(Width, Height, ie8g);
  b->Fill(255);
  return b;
}

TIEBitmap::~TIEBitmap() {
  FreeImage(true);
  delete FFileBuffer;
}

// ---- allocation ----

bool TIEBitmap::Allocate(int Width, int Height, TIEPixelFormat PixelFormat) {
  if (!FullReallocate && Width == FWidth && Height == FHeight && PixelFormat == FPixelFormat) return true;
  if (!EncapsulatedBitmap) {
    FreeImage(true);
  } else {
    delete FAlphaChannel;
    FAlphaChannel = nullptr;
  }
  FWidth = Width;
  FHeight = Height;
  FPixelFormat = PixelFormat;
  bool ok = SetupStorage();
  if (!ok) {
    FreeImage(false);  // nothing half-made stays; Width and Height become 0
    if (PixelFormat >= IEPixelFormatCount) FPixelFormat = ieNone;
  }
  FullReallocate = false;
  return ok;
}

bool TIEBitmap::SetupStorage() {
  if (FWidth < 1 || FHeight < 1 || FPixelFormat == ieNone || FPixelFormat >= IEPixelFormatCount) return false;
  if (FPixelFormat == ie8p) {
    try {
      AllocatePalette();
    } catch (EOutOfMemory&) {
      return false;
    }
  }
  FBitCount = IEBitsPerPixel[FPixelFormat];
  FChannelCount = IEChannelsPerPixel[FPixelFormat];
  if (!IERowLengthFits(FWidth, FBitCount)) return false;  // a row longer than 2 GB
  FRowLen = IERowLength(FWidth, FBitCount, FRowAlignment);
  const int64_t size = static_cast<int64_t>(FRowLen) * FHeight;

  // A size equal to the threshold keeps the location asked for.
  if (FLocation == ieFile && size < MemoryThreshold) FLocation = ieMemory;
  if (FLocation == ieMemory && size > MemoryThreshold) FLocation = ieFile;

  if (FLocation == ieFile && !AllocateFileStore(size)) FLocation = ieMemory;
  if (FLocation == ieMemory && !AllocateMemoryBlock(size)) {
    if (!(IEAutoFragmentRows && AllocateFragments(size))) {
      if (!IEAutoFallBackToFile) return false;
      FLocation = ieFile;
      if (!AllocateFileStore(size)) return false;
    }
  }
  if (FLocation == ieTBitmap && !AllocateTBitmapStore(size)) return false;
  Full = false;
  return true;
}

void TIEBitmap::AllocatePalette() {
  FreePalette();
  FPalette = static_cast<TIERGBPixel*>(std::calloc(1, 1024));
  if (!FPalette) throw EOutOfMemory("Out of memory");
  FPaletteLength = 256;
}

void TIEBitmap::FreePalette() {
  std::free(FPalette);
  FPalette = nullptr;
  FPaletteLength = 0;
}

bool TIEBitmap::AllocateMemoryBlock(int64_t Size) {
  const int64_t total = Size + 128;
  void* block = nullptr;
  switch (Allocator) {
    case 0:
      block = HeapBlockAllowed(total) ? std::malloc(static_cast<size_t>(total)) : nullptr;
      break;
    case 1:
      block = IEGlobalAlloc(total);
      break;
    default:
      block = IEAutoAlloc(total);
      break;
  }
  if (!block) return false;
  FRealBits = block;
  FBitsAllocator = Allocator > 2 ? 2 : Allocator;
  uintptr_t p = reinterpret_cast<uintptr_t>(block);
  FBits = reinterpret_cast<uint8_t*>((p + 63) & ~static_cast<uintptr_t>(63));
  return true;
}

void TIEBitmap::FreeMemoryBlock() {
  if (!FRealBits) return;
  switch (FBitsAllocator) {
    case 0:
      std::free(FRealBits);
      FRealBits = nullptr;
      break;
    case 1:
      IEGlobalFree(FRealBits);
      break;
    default:
      IEAutoFree(FRealBits);
      break;
  }
}

// Splits the rows over N blocks (N = 4, 8, 16, ...) of at least 10 MB each when one block
// cannot be had.
bool TIEBitmap::AllocateFragments(int64_t) {
  for (int n = 4;;) {
    const int rowsPer = (FHeight + n - 1) / n;
    const int64_t fragSize = static_cast<int64_t>(FRowLen) * rowsPer;
    if (fragSize < kMinFragmentSize && n > 4) return false;
    std::vector<uint8_t*> frags(n, nullptr);
    bool ok = true;
    for (int i = 0; i < n && ok; ++i) {
      frags[i] = static_cast<uint8_t*>(IEGlobalAlloc(fragSize));
      ok = frags[i] != nullptr;
    }
    if (ok) {
      FFragments = std::move(frags);
      FFragmentCount = n;
      FRowsPerFragment = rowsPer;
      return true;
    }
    for (auto* f : frags) std::free(f);
    n *= 2;
    if (n >= FHeight) return false;
  }
}

bool TIEBitmap::AllocateFileStore(int64_t Size) {
  if (FFileBuffer->IsAllocated()) FFileBuffer->Close();
  if (FFileBuffer->AllocateStore("IMG", true, Size)) return true;
  try {
    FFileBuffer->Close();
  } catch (...) {
  }
  return false;
}

namespace {
// A palette handle of n entries (0x00RRGGBB order of the library's pixels), or a grey ramp.
HPALETTE MakePalette(const TIERGBPixel* entries, int n) {
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
  auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(n);
  for (int i = 0; i < n; ++i) {
    PALETTEENTRY& e = lp->palPalEntry[i];
    if (entries) {
      e.peRed = entries[i].r;
      e.peGreen = entries[i].g;
      e.peBlue = entries[i].b;
    } else {
      e.peRed = e.peGreen = e.peBlue = static_cast<BYTE>(i);
    }
    e.peFlags = 0;
  }
  return CreatePalette(lp);
}
}  // namespace

void TIEBitmap::BuildBitmapRows() {
  FBitmapRows.assign(FHeight, nullptr);
  for (int r = 0; r < FHeight; ++r) FBitmapRows[r] = static_cast<uint8_t*>(FBitmap->ScanLine(r));
}

// The class-library bitmap location: a TBitmap in the bitmap format of the pixel format, rows
// addressed through a table of its scan lines. The four formats a TBitmap cannot hold are refused
// with the messages the views show.
bool TIEBitmap::AllocateTBitmapStore(int64_t Size) {
  if (static_cast<uint64_t>(Size) > IEGetPhysicalMemory(false)) return false;
  const bool created = FBitmap == nullptr;
  if (created) FBitmap = new TBitmap;
  try {
    FBitmap->SetSize(1, 1);
    FBitmap->SetPixelFormat(pfDevice);
    switch (FPixelFormat) {
      case ie1g:
        FBitmap->SetPixelFormat(pf1bit);
        break;
      case ie8p:
      case ie8g:
        FBitmap->SetPixelFormat(pf8bit);
        break;
      case ie16g:  // held as 8 bits per pixel
        FBitmap->SetPixelFormat(pf8bit);
        FPixelFormat = ie8g;
        FBitCount = 8;
        FChannelCount = 1;
        break;
      case ie24RGB:
        FBitmap->SetPixelFormat(pf24bit);
        break;
      case ie32RGB:
        FBitmap->SetPixelFormat(pf32bit);
        break;
      case ie32f:
        throw Exception("ie32f pixel format not allowed when Location=ieTBitmap Please set TImageryView.LegacyBitmap=false.");
      case ieCMYK:
        throw Exception("ieCMYK pixel format not allowed when Location=ieTBitmap. Please set TImageryView.LegacyBitmap=false.");
      case ieRGB48:
        throw Exception("ieRGB48 pixel format not allowed when Location=ieTBitmap Please set TImageryView.LegacyBitmap=false.");
      case ieCIELab:
        throw Exception("ieCIELab pixel format not allowed when Location=ieTBitmap Please set TImageryView.LegacyBitmap=false.");
      default:
        throw Exception("Invalid pixel format");
    }
    FBitmap->SetSize(FWidth, FHeight);
    if (FBitmap->Empty() || FBitmap->Width() != FWidth || FBitmap->Height() != FHeight) throw Exception("Out of resources");
    if (FPixelFormat == ie8g) FBitmap->SetPalette(MakePalette(nullptr, 256));
    FRowLen = IERowLength(FWidth, FBitCount, 32);  // scan lines of a DIB are 32-bit aligned
    BuildBitmapRows();
  } catch (Exception&) {
    if (created) {
      delete FBitmap;
      FBitmap = nullptr;
    }
    FBitmapRows.clear();
    return false;
  }
  SyncTBitmapPalette();
  return true;
}

// Re-reads the class-library bitmap, which its owner may have changed through its own canvas or
// properties. Depths other than 1, 8, 24 and 32 bits are first converted to 24 bits, so the rows
// always have the layout the pixel format says.
void TIEBitmap::UpdateFromTBitmap() {
  if (FLocation != ieTBitmap || !FBitmap) return;
  if (FBitmap->Empty() || FBitmap->Width() < 1 || FBitmap->Height() < 1) {
    ResetGeometry();
    FBitmapRows.clear();
    return;
  }
  switch (FBitmap->PixelFormat()) {
    case pf1bit:
    case pf8bit:
    case pf24bit:
    case pf32bit:
      break;
    default:
      FBitmap->SetPixelFormat(pf24bit);
      break;
  }
  RGBQUAD table[256];
  UINT tableCount = 0;
  TIEPixelFormat pf;
  switch (FBitmap->PixelFormat()) {
    case pf1bit:
      pf = ie1g;
      break;
    case pf8bit: {
      tableCount = GetDIBColorTable(FBitmap->Canvas()->Handle(), 0, 256, table);
      bool grey = true;
      for (UINT i = 0; i < tableCount && grey; ++i)
        grey = table[i].rgbRed == i && table[i].rgbGreen == i && table[i].rgbBlue == i;
      pf = (IsAlpha || grey) ? ie8g : ie8p;
      break;
    }
    case pf32bit:
      pf = ie32RGB;
      break;
    default:
      pf = ie24RGB;
      break;
  }
  const int w = FBitmap->Width(), h = FBitmap->Height();
  if (w != FWidth || h != FHeight || pf != FPixelFormat) {
    FWidth = w;
    FHeight = h;
    FPixelFormat = pf;
    FBitCount = IEBitsPerPixel[pf];
    FChannelCount = IEChannelsPerPixel[pf];
    FRowLen = IERowLength(w, FBitCount, 32);
    if (FAlphaChannel && (FAlphaChannel->Width() != w || FAlphaChannel->Height() != h)) {
      FAlphaChannel->Allocate(w, h, ie8g);
      FAlphaChannel->Fill(255);
    }
    BuildBitmapRows();
  } else if (FBitmapRows.empty() || FBitmapRows[0] != FBitmap->ScanLine(0)) {
    BuildBitmapRows();
  }
  if (pf == ie8p) {
    if (!FPalette) AllocatePalette();
    for (UINT i = 0; i < tableCount; ++i) FPalette[i] = TIERGBPixel{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed};
  } else if (FPalette) {
    FreePalette();
  }
}

TBitmap* TIEBitmap::GetTBitmap() {
  SetLocation(ieTBitmap);
  return FLocation == ieTBitmap ? FBitmap : nullptr;
}

TCanvas* TIEBitmap::GetCanvas() {
  TBitmap* b = GetTBitmap();
  return b ? b->Canvas() : nullptr;
}

void TIEBitmap::ResetGeometry() {
  FWidth = FHeight = FRowLen = FBitCount = FChannelCount = 0;
}

void TIEBitmap::FreeImage(bool FreeAlpha) {
  if (FreeAlpha) {
    delete FAlphaChannel;
    FAlphaChannel = nullptr;
  }
  FreePalette();
  try {
    UnmapAll();
  } catch (...) {
    // The pixels are being dropped; a failed write-back loses nothing the caller keeps.
  }
  FWorkingRow = nullptr;
  FKeptRows.clear();
  FKeptRowIndexes.clear();
  try {
    FFileBuffer->Close();
  } catch (...) {
  }
  if (!EncapsulatedMemory) FreeMemoryBlock();
  FRealBits = nullptr;
  FBits = nullptr;
  if (!EncapsulatedBitmap) delete FBitmap;
  FBitmap = nullptr;
  FBitmapRows.clear();
  for (auto* f : FFragments) std::free(f);
  FFragments.clear();
  FFragmentCount = FRowsPerFragment = 0;
  ResetGeometry();
  Full = EncapsulatedBitmap = EncapsulatedMemory = false;
}

void TIEBitmap::EncapsulateMemory(void* Buffer, int Width, int Height, TIEPixelFormat PixelFormat, bool FreeCurrent) {
  if (FreeCurrent) FreeImage(true);
  if (!Buffer || Width < 1 || Height < 1 || PixelFormat == ieNone || PixelFormat >= IEPixelFormatCount ||
      !IERowLengthFits(Width, IEBitsPerPixel[PixelFormat]))
    return;
  FWidth = Width;
  FHeight = Height;
  FPixelFormat = PixelFormat;
  FBitCount = IEBitsPerPixel[PixelFormat];
  FChannelCount = IEChannelsPerPixel[PixelFormat];
  FRowLen = IERowLength(Width, FBitCount, FRowAlignment);
  FLocation = ieMemory;
  FBits = static_cast<uint8_t*>(Buffer);
  EncapsulatedMemory = true;
  if (PixelFormat == ie8p && !FPalette) AllocatePalette();
}

// ---- rows ----

void* TIEBitmap::ScanlineOther(int Row) {
  if (FFragmentCount > 0)
    return FFragments[Row / FRowsPerFragment] + static_cast<intptr_t>(Row % FRowsPerFragment) * FRowLen;
  switch (FLocation) {
    case ieFile: {
      if (!FFileBuffer->IsAllocated()) return nullptr;
      // The same row mapped with the same access is still valid: no need to store and reread it.
      if (FWorkingRow && FWorkingRowIndex == Row && FWorkingAccess == Access) return FWorkingRow;
      UnmapWorkingRow();
      FWorkingRow = FFileBuffer->Map(Access, static_cast<int64_t>(Row) * FRowLen, FRowLen);
      FWorkingRowIndex = Row;
      FWorkingAccess = Access;
      return FWorkingRow;
    }
    case ieTBitmap:
      // The owner of the class-library bitmap may have resized or converted it meanwhile.
      if (FBitmap && (FBitmap->Width() != FWidth || FBitmap->Height() != FHeight || FBitmapRows.empty()))
        UpdateFromTBitmap();
      return FBitmapRows.empty() ? nullptr : FBitmapRows[Row];
    default:
      return nullptr;
  }
}

void TIEBitmap::UnmapWorkingRow() {
  if (!FWorkingRow) return;
  void* w = FWorkingRow;
  FWorkingRow = nullptr;
  FWorkingRowIndex = -1;
  FFileBuffer->Unmap(w);
}

void* TIEBitmap::AcquireScanline(int Row) {
  if (FLocation != ieFile || FFragmentCount > 0 || !FFileBuffer->IsAllocated()) return GetScanline(Row);
  UnmapWorkingRow();
  void* p = FFileBuffer->Map(Access, static_cast<int64_t>(Row) * FRowLen, FRowLen);
  FKeptRows.push_back(p);
  FKeptRowIndexes.push_back(Row);
  return p;
}

void TIEBitmap::ReleaseScanline(int Row) {
  for (size_t i = 0; i < FKeptRowIndexes.size(); ++i) {
    if (FKeptRowIndexes[i] != Row) continue;
    void* p = FKeptRows[i];
    FKeptRows.erase(FKeptRows.begin() + i);
    FKeptRowIndexes.erase(FKeptRowIndexes.begin() + i);
    FFileBuffer->Unmap(p);
    return;
  }
}

void TIEBitmap::UnmapAll() {
  if (!FFileBuffer->IsAllocated()) {
    FWorkingRow = nullptr;
    FKeptRows.clear();
    FKeptRowIndexes.clear();
    return;
  }
  UnmapWorkingRow();
  while (!FKeptRows.empty()) {
    void* p = FKeptRows.back();
    FKeptRows.pop_back();
    FKeptRowIndexes.pop_back();
    FFileBuffer->Unmap(p);
  }
}

// ---- alpha channel ----

TIEBitmap* TIEBitmap::GetAlphaChannel() {
  if (IsAlpha) return nullptr;
  if (!FAlphaChannel) FAlphaChannel = CreateAsAlpha(FWidth, FHeight, FLocation);
  return FAlphaChannel;
}

void TIEBitmap::AttachAlphaChannel(TIEBitmap* Bitmap) {
  FAlphaChannel = Bitmap;
  if (Bitmap) Bitmap->IsAlpha = true;
}

TIEBitmap* TIEBitmap::DetachAlphaChannel() {
  TIEBitmap* a = FAlphaChannel;
  FAlphaChannel = nullptr;
  return a;
}

void TIEBitmap::RemoveAlphaChannel(bool Merge, TColor BackgroundColor) {
  if (IsAlpha || !FAlphaChannel) return;
  if (Merge && FPixelFormat == ie24RGB && FAlphaChannel->Width() == FWidth && FAlphaChannel->Height() == FHeight) {
    const TIERGBPixel bg = IEColorToRGB(BackgroundColor);
    for (int y = 0; y < FHeight; ++y) {
      const uint8_t* a = FAlphaChannel->Scanline(y);
      TIERGBPixel* p = reinterpret_cast<TIERGBPixel*>(Scanline(y));
      // (c - bg) * a / 256 rounded toward minus infinity, kept as the original fixed-point form.
      for (int x = 0; x < FWidth; ++x) {
        p[x].r = static_cast<uint8_t>(bg.r + (((p[x].r - bg.r) * a[x] * 1024) >> 18));
        p[x].g = static_cast<uint8_t>(bg.g + (((p[x].g - bg.g) * a[x] * 1024) >> 18));
        p[x].b = static_cast<uint8_t>(bg.b + (((p[x].b - bg.b) * a[x] * 1024) >> 18));
      }
    }
  }
  delete FAlphaChannel;
  FAlphaChannel = nullptr;
}

uint8_t TIEBitmap::GetAlpha(int x, int y) {
  TIEBitmap* a = IsAlpha ? this : GetAlphaChannel();
  return a->Scanline(y)[x];
}

void TIEBitmap::SetAlpha(int x, int y, uint8_t v) {
  TIEBitmap* a = IsAlpha ? this : GetAlphaChannel();
  a->Scanline(y)[x] = v;
  if (v != 255) {
    a->Full = false;
    Full = false;
  }
}

// ---- palette ----

TIERGBPixel TIEBitmap::GetPaletteEntry(int Index) {
  if (Index < 0 || Index >= FPaletteLength) return TIERGBPixel{0, 0, 0};
  return FPalette[Index];
}

void TIEBitmap::SetPaletteEntry(int Index, TIERGBPixel Color) {
  if (Index < 0 || Index >= FPaletteLength) return;
  FPalette[Index] = Color;
  SyncTBitmapPalette();
}

void TIEBitmap::SyncTBitmapPalette() {
  if (FLocation != ieTBitmap || !FBitmap || FPaletteLength < 1 || !FPalette) return;
  FBitmap->SetPalette(MakePalette(FPalette, std::min(FPaletteLength, 256)));
}

void TIEBitmap::CopyPaletteTo(TIEBaseBitmap* Dest) {
  auto* d = dynamic_cast<TIEBitmap*>(Dest);
  if (!d || d == this) return;
  d->FreePalette();
  d->PaletteUsed = 256;
  if (FPaletteLength > 0) {
    d->FPalette = static_cast<TIERGBPixel*>(std::malloc(4 * static_cast<size_t>(FPaletteLength)));
    if (!d->FPalette) throw EOutOfMemory("Out of memory");
    std::memcpy(d->FPalette, FPalette, 4 * static_cast<size_t>(FPaletteLength));
    d->FPaletteLength = FPaletteLength;
    d->PaletteUsed = PaletteUsed;
    d->SyncTBitmapPalette();
  }
}
