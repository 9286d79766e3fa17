// TIEDibbitmap and TIEWorkBitmap (see iedibbitmap.h).
#include "imaging/core/iedibbitmap.h"

#include <cstdlib>
#include <cstring>

#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "platform/win/wingdi.h"

ORV_CLASS_IMPL(TIEDibbitmap, TIEBaseBitmap)
ORV_CLASS_IMPL(TIEWorkBitmap, TObject)

namespace {
void DibPutLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
}  // namespace

TIEDibbitmap::TIEDibbitmap() {
  DibPutLE32(Header, 40);
  Header[12] = 1;  // planes
  // colour table: entry 0 black, entry 1 white
  Header[44] = Header[45] = Header[46] = 255;
}

TIEDibbitmap::~TIEDibbitmap() { FreeDib(); }

TIEPixelFormat TIEDibbitmap::GetPixelFormat() {
  if (BitCount == 1) return ie1g;
  if (BitCount == 24) return ie24RGB;
  return ieNone;
}

bool TIEDibbitmap::Allocate(int AWidth, int AHeight, TIEPixelFormat PixelFormat) {
  if (PixelFormat == ie1g) return AllocateDib(AWidth, AHeight, 1);
  if (PixelFormat == ie24RGB) return AllocateDib(AWidth, AHeight, 24);
  return false;
}

void TIEDibbitmap::Assign(TObject* Source) {
  auto* src = dynamic_cast<TIEDibbitmap*>(Source);
  if (!src || src == this || src->Width == 0 || src->Height == 0 || !src->Bits) return;
  if (!AllocateDib(src->Width, src->Height, src->BitCount)) return;
  std::memcpy(Bits, src->Bits, static_cast<size_t>(RowLen) * Height);
}

bool TIEDibbitmap::AllocateDib(int AWidth, int AHeight, int ABitCount) {
  if (AWidth <= 0 || AHeight <= 0 || !IERowLengthFits(AWidth, ABitCount)) return false;
  FreeDib();
  Width = AWidth;
  Height = AHeight;
  BitCount = ABitCount;
  RowLen = IERowLength(AWidth, ABitCount, 32);
  DibPutLE32(Header + 4, static_cast<uint32_t>(AWidth));
  DibPutLE32(Header + 8, static_cast<uint32_t>(AHeight));
  Header[14] = static_cast<uint8_t>(ABitCount);
  DibPutLE32(Header + 20, static_cast<uint32_t>(static_cast<int64_t>(RowLen) * AHeight));
  DC = CreateCompatibleDC(nullptr);
  if (!DC) return false;
  void* bits = nullptr;
  DIB = CreateDIBSection(DC, reinterpret_cast<const BITMAPINFO*>(Header), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!DIB || !bits) return false;
  Bits = static_cast<uint8_t*>(bits);
  SelectObject(DC, DIB);
  return true;
}

void TIEDibbitmap::FreeDib() {
  if (DC) DeleteDC(DC);  // releases the selection before the section goes
  if (DIB) DeleteObject(DIB);
  Bits = nullptr;
  DC = nullptr;
  DIB = nullptr;
  Width = Height = BitCount = 0;
}

TIEWorkBitmap::TIEWorkBitmap(int AWidth, int AHeight, int ABitsPerPixel) {
  if (AWidth > 0 && AHeight > 0) Allocate(AWidth, AHeight, ABitsPerPixel);
}

TIEWorkBitmap::~TIEWorkBitmap() { FreeBits(); }

void TIEWorkBitmap::Allocate(int AWidth, int AHeight, int ABitsPerPixel) {
  if (AWidth == Width && AHeight == Height && ABitsPerPixel == BitsPerPixel) return;
  FreeBits();
  if (!IERowLengthFits(AWidth, ABitsPerPixel) || AWidth < 0 || AHeight < 0) return;  // Bits stays nil
  Width = AWidth;
  Height = AHeight;
  BitsPerPixel = ABitsPerPixel;
  RowLen = IERowLength(AWidth, ABitsPerPixel, 32);
  Bits = IEAutoAlloc(static_cast<int64_t>(RowLen) * AHeight);
}

void TIEWorkBitmap::FreeBits() {
  if (Bits) IEAutoFree(Bits);
  Width = Height = BitsPerPixel = RowLen = 0;
}
