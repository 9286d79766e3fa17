// TIEBitmap: whole-image operations (hand-over of the storage, copies, relocation, row alignment,
// width and height changes, canvas resize and region moves).
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iefilebuffer.h"

void TIEBitmap::MoveContentTo(TIEBitmap* Target) {
  if (!Target || Target == this) return;
  Target->FreeImage(true);
  std::swap(Target->FFileBuffer, FFileBuffer);  // the target's own (now closed) buffer comes here
  Target->FWidth = FWidth;
  Target->FHeight = FHeight;
  Target->FBitCount = FBitCount;
  Target->FChannelCount = FChannelCount;
  Target->FWorkingRow = FWorkingRow;
  Target->FWorkingRowIndex = FWorkingRowIndex;
  Target->FWorkingAccess = FWorkingAccess;
  Target->FRowLen = FRowLen;
  Target->FPixelFormat = FPixelFormat;
  Target->FPalette = FPalette;
  Target->FPaletteLength = FPaletteLength;
  Target->FAlphaChannel = FAlphaChannel;
  Target->IsAlpha = IsAlpha;
  Target->FBits = FBits;
  Target->FRealBits = FRealBits;
  Target->FBitsAllocator = FBitsAllocator;
  Target->FBitmap = FBitmap;
  Target->FBitmapRows = std::move(FBitmapRows);
  Target->FLocation = FLocation;
  Target->Full = Full;
  Target->EncapsulatedBitmap = EncapsulatedBitmap;
  Target->EncapsulatedMemory = EncapsulatedMemory;
  Target->FFragmentCount = FFragmentCount;
  Target->FRowsPerFragment = FRowsPerFragment;
  Target->FFragments = std::move(FFragments);
  Target->FKeptRows = std::move(FKeptRows);
  Target->FKeptRowIndexes = std::move(FKeptRowIndexes);
  Target->DitherMethod = DitherMethod;
  Target->FRowAlignment = FRowAlignment;
  Target->Allocator = Allocator;

  FWidth = FHeight = FBitCount = FChannelCount = FRowLen = 0;
  FWorkingRow = nullptr;
  FWorkingRowIndex = -1;
  FPixelFormat = ieNone;
  FPalette = nullptr;
  FPaletteLength = 0;
  FAlphaChannel = nullptr;
  FBits = nullptr;
  FRealBits = nullptr;
  FBitmap = nullptr;
  FBitmapRows.clear();
  Full = EncapsulatedBitmap = EncapsulatedMemory = false;
  FFragmentCount = FRowsPerFragment = 0;
  FFragments.clear();
  FKeptRows.clear();
  FKeptRowIndexes.clear();
  FullReallocate = true;
}

// Copies every row of Source (min of both row lengths); rows of file images are staged so that
// the two row windows never alias.
void TIEBitmap::CopyRowsFrom(TIEBitmap* Source) {
  const int rows = std::min(FHeight, Source->Height());
  const int len = std::min(FRowLen, Source->RowLen());
  if (rows <= 0 || len <= 0) return;
  const uint8_t srcAccess = Source->Access, dstAccess = Access;
  Source->Access = iaRead;
  // Whole rows are written only when the row lengths agree; otherwise the tail must be read.
  Access = len == FRowLen ? iaWrite : iaReadWrite;
  try {
    if (Source->Location() == ieFile && FLocation == ieFile && Source->FragmentCount() == 0 && FFragmentCount == 0 &&
        Source->RowLen() == FRowLen && Source->FileBuffer()->IsAllocated() && FFileBuffer->IsAllocated()) {
      // Both in temporary files of the same layout: copy the stores in one pass.
      Source->UnmapAll();
      UnmapAll();
      Source->FileBuffer()->CopyTo(FFileBuffer, 0, static_cast<int64_t>(FRowLen) * rows);
    } else {
      std::vector<uint8_t> buffer(len);
      for (int y = 0; y < rows; ++y) {
        std::memcpy(buffer.data(), Source->Scanline(y), len);
        std::memcpy(Scanline(y), buffer.data(), len);
      }
    }
  } catch (...) {
    Source->Access = srcAccess;
    Access = dstAccess;
    throw;
  }
  Source->Access = srcAccess;
  Access = dstAccess;
}

void TIEBitmap::TakeGeometryFrom(int Width, int Height, TIEPixelFormat PixelFormat) {
  FWidth = Width;
  FHeight = Height;
  FPixelFormat = PixelFormat;
  bool ok = SetupStorage();
  if (!ok && FLocation == ieTBitmap) {
    // A format that class-library storage refuses is kept in memory rather than lost.
    FreeImage(false);
    FWidth = Width;
    FHeight = Height;
    FPixelFormat = PixelFormat;
    FLocation = ieMemory;
    ok = SetupStorage();
  }
  if (!ok) FreeImage(false);
}

void TIEBitmap::Assign(TObject* Source) {
  FullReallocate = true;
  auto* src = dynamic_cast<TIEBitmap*>(Source);
  if (!src || src == this) return;
  if (FLocation == ieTBitmap && src->IsEmpty()) return;
  FreeImage(true);
  FRowAlignment = src->RowAlignment();
  if (!src->IsEmpty()) {
    TakeGeometryFrom(src->Width(), src->Height(), src->PixelFormat());
    if (!IsEmpty()) {
      Full = src->Full;
      CopyRowsFrom(src);
    }
  }
  if (!IsAlpha) {
    if (src->HasAlphaChannel() && !IsEmpty())
      GetAlphaChannel()->Assign(src->FAlphaChannel);
    else
      RemoveAlphaChannel(false, 0xFFFFFF);
  }
  src->CopyPaletteTo(this);
  DitherMethod = src->DitherMethod;
}

void TIEBitmap::CopyImageFrom(TIEBitmap* Source) {
  FullReallocate = true;
  if (!Source || Source == this || Source->IsEmpty()) return;
  FreeImage(false);
  TakeGeometryFrom(Source->Width(), Source->Height(), Source->PixelFormat());
  Full = false;
  if (!IsEmpty()) CopyRowsFrom(Source);
  Source->CopyPaletteTo(this);
}

void TIEBitmap::SetLocation(TIELocation Value) {
  if (Value == FLocation) return;
  if (IsEmpty()) {  // nothing to move: the location is a request for the next Allocate
    FLocation = Value;
    return;
  }
  FullReallocate = true;
  TIEBitmap tmp;
  MoveContentTo(&tmp);
  FLocation = Value;
  FRowAlignment = tmp.RowAlignment();
  if (!Allocate(tmp.Width(), tmp.Height(), tmp.PixelFormat())) {
    // The new place cannot hold the image (no memory, no file, refused format): keep it where it was.
    tmp.MoveContentTo(this);
    return;
  }
  CopyRowsFrom(&tmp);
  for (int i = 0; i < std::min(FPaletteLength, tmp.PaletteLength()); ++i) FPalette[i] = tmp.Palette()[i];
  SyncTBitmapPalette();
  IsAlpha = tmp.IsAlpha;
  FAlphaChannel = tmp.DetachAlphaChannel();
}

void TIEBitmap::SetRowAlignment(int Bits) {
  if (Bits == FRowAlignment || Bits <= 0 || Bits % 8 != 0) return;
  FullReallocate = true;
  if (IsEmpty()) {  // no rows yet: the alignment applies to the next Allocate
    FRowAlignment = Bits;
    return;
  }
  if (FLocation != ieMemory) return;  // file and class-library rows keep their layout
  TIEBitmap tmp;
  MoveContentTo(&tmp);
  FRowAlignment = Bits;
  FLocation = ieMemory;
  Allocate(tmp.Width(), tmp.Height(), tmp.PixelFormat());
  CopyRowsFrom(&tmp);
  tmp.CopyPaletteTo(this);
  IsAlpha = tmp.IsAlpha;
  FAlphaChannel = tmp.DetachAlphaChannel();
}

// Reallocates at the new size keeping the common top-left content, the palette and the alpha
// channel (which the caller has resized already).
void TIEBitmap::ReallocateKeeping(int NewWidth, int NewHeight) {
  TIEBitmap tmp;
  MoveContentTo(&tmp);
  FRowAlignment = tmp.RowAlignment();
  if (tmp.Location() == ieTBitmap) FLocation = ieTBitmap;
  Allocate(NewWidth, NewHeight, tmp.PixelFormat());
  CopyRowsFrom(&tmp);
  tmp.CopyPaletteTo(this);
  IsAlpha = tmp.IsAlpha;
  FAlphaChannel = tmp.DetachAlphaChannel();
  Full = false;
}

void TIEBitmap::SetWidth(int Value) {
  if (Value == FWidth) return;
  if (FAlphaChannel) FAlphaChannel->SetWidth(Value);
  if (FPixelFormat == ieNone || FHeight <= 0 || IsEmpty()) {
    FWidth = Value;  // nothing allocated: only the field changes
    return;
  }
  ReallocateKeeping(Value, FHeight);
}

void TIEBitmap::SetHeight(int Value) {
  if (Value == FHeight) return;
  if (FAlphaChannel) FAlphaChannel->SetHeight(Value);
  if (FPixelFormat == ieNone || FWidth <= 0 || IsEmpty()) {
    FHeight = Value;
    return;
  }
  ReallocateKeeping(FWidth, Value);
}

void TIEBitmap::MoveRegion(int x1, int y1, int x2, int y2, int NewX, int NewY, double FillValue) {
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  if (w <= 0 || h <= 0 || IsEmpty()) return;
  TIEBitmap temp;
  temp.FLocation = ieMemory;
  if (!temp.Allocate(w, h, FPixelFormat)) return;
  CopyRectTo(&temp, x1, y1, 0, 0, w, h);
  FillRect(x1, y1, x2, y2, FillValue);
  temp.CopyRectTo(this, 0, 0, NewX, NewY, w, h);
}

void TIEBitmap::Resize(int NewWidth, int NewHeight, double FillValue, int AlphaFillValue, int HorizontalAlign,
                       int VerticalAlign) {
  const int oldW = FWidth, oldH = FHeight;
  // Before shrinking, the kept columns and rows move to the top-left corner.
  auto shrink = [&](TIEBitmap* b, double fill) {
    if (NewWidth < oldW && HorizontalAlign != 0) {
      int from = HorizontalAlign == 1 ? (oldW - NewWidth) / 2 : oldW - NewWidth;
      b->MoveRegion(from, 0, oldW - 1, oldH - 1, 0, 0, fill);
    }
    if (NewHeight < oldH && VerticalAlign != 0) {
      int from = VerticalAlign == 1 ? (oldH - NewHeight) / 2 : oldH - NewHeight;
      b->MoveRegion(0, from, oldW - 1, oldH - 1, 0, 0, fill);
    }
  };
  // After growing, the new area is filled and the old block moves to its aligned place.
  auto grow = [&](TIEBitmap* b, double fill) {
    if (oldW < NewWidth) {
      b->FillRect(oldW, 0, NewWidth - 1, NewHeight - 1, fill);
      if (HorizontalAlign != 0) {
        int shift = HorizontalAlign == 1 ? (NewWidth - oldW) / 2 : NewWidth - oldW;
        b->MoveRegion(0, 0, oldW - 1, NewHeight - 1, shift, 0, fill);
      }
    }
    if (oldH < NewHeight) {
      b->FillRect(0, oldH, NewWidth - 1, NewHeight - 1, fill);
      if (VerticalAlign != 0) {
        int shift = VerticalAlign == 1 ? (NewHeight - oldH) / 2 : NewHeight - oldH;
        b->MoveRegion(0, 0, NewWidth - 1, oldH - 1, 0, shift, fill);
      }
    }
  };
  shrink(this, FillValue);
  if (FAlphaChannel) shrink(FAlphaChannel, AlphaFillValue);
  SetWidth(NewWidth);
  SetHeight(NewHeight);
  grow(this, FillValue);
  if (FAlphaChannel) grow(FAlphaChannel, AlphaFillValue);
}
