// The PNG picture's drawing (opaque, colour-keyed, alpha-blended), its transparency and key
// colour, its palette, conversions to and from bitmaps and the clipboard, and pixel access
// (see pngpicture.h).
#include <cstring>

#include "controls/pngpicture.h"
#include "controls/pngpicture_internal.h"
#include "platform/win/winuser.h"

using namespace pnglang;

namespace {

// Frees GDI objects made for one drawing, in reverse order, however the drawing ends.
class TGdiScope {
public:
  TGdiScope() = default;
  TGdiScope(const TGdiScope&) = delete;
  TGdiScope& operator=(const TGdiScope&) = delete;
  ~TGdiScope() {
    for (auto it = FSelections.rbegin(); it != FSelections.rend(); ++it)
      SelectObject(it->first, it->second);
    for (auto it = FObjects.rbegin(); it != FObjects.rend(); ++it) DeleteObject(*it);
    for (auto it = FDCs.rbegin(); it != FDCs.rend(); ++it) DeleteDC(*it);
  }
  // A memory DC compatible with Ref, freed with the scope.
  HDC NewDC(HDC Ref) {
    HDC dc = CreateCompatibleDC(Ref);
    if (dc) FDCs.push_back(dc);
    return dc;
  }
  // Selects Bitmap into DC; the bitmap is deleted with the scope. Null when either is missing.
  HDC Select(HDC DC, HBITMAP Bitmap) {
    if (!Bitmap) return nullptr;
    FObjects.push_back(Bitmap);
    if (!DC) return nullptr;
    FSelections.emplace_back(DC, SelectObject(DC, Bitmap));
    return DC;
  }
  HDC Hold(HDC Ref, HBITMAP Bitmap) { return Select(NewDC(Ref), Bitmap); }

private:
  std::vector<HDC> FDCs;
  std::vector<HGDIOBJ> FObjects;
  std::vector<std::pair<HDC, HGDIOBJ>> FSelections;
};

// Draws a DIB stretched into R, leaving out the pixels of the key colour (the target shows
// through there): a mask of the key colour cuts the target, the source with its key pixels
// turned black fills the holes.
void DrawKeyedDib(HDC DC, const void* Bits, const BITMAPINFO* Info, COLORREF Key, const RECT& R) {
  const int w = R.right - R.left, h = R.bottom - R.top;
  const int sw = std::abs(Info->bmiHeader.biWidth), sh = std::abs(Info->bmiHeader.biHeight);
  if (w <= 0 || h <= 0) return;
  TGdiScope scope;
  HDC src =
      scope.Hold(DC, CreateDIBitmap(DC, &Info->bmiHeader, CBM_INIT, Bits, Info, DIB_RGB_COLORS));
  HDC mask = scope.Hold(DC, CreateBitmap(w, h, 1, 1, nullptr));
  HDC inverse = scope.Hold(DC, CreateBitmap(w, h, 1, 1, nullptr));
  HDC work = scope.Hold(DC, CreateCompatibleBitmap(DC, w, h));
  if (!src || !mask || !inverse || !work) TPNGObject::Fail<EPNGOutMemory>(OutMemoryText);
  const COLORREF oldBk = SetBkColor(src, Key);
  StretchBlt(mask, 0, 0, w, h, src, 0, 0, sw, sh, SRCCOPY);
  SetBkColor(src, oldBk);
  BitBlt(inverse, 0, 0, w, h, mask, 0, 0, NOTSRCCOPY);
  BitBlt(work, 0, 0, w, h, DC, R.left, R.top, SRCCOPY);
  BitBlt(work, 0, 0, w, h, mask, 0, 0, SRCAND);
  StretchBlt(src, 0, 0, sw, sh, inverse, 0, 0, w, h, SRCAND);
  StretchBlt(work, 0, 0, w, h, src, 0, 0, sw, sh, SRCPAINT);
  BitBlt(DC, R.left, R.top, w, h, work, 0, 0, SRCCOPY);
}

inline uint8_t Blend(uint32_t A, uint32_t S, uint32_t D) {
  return uint8_t((A * S + (255 - A) * D + 255) >> 8);
}

// The index at column X of an indexed DIB row of Bits bits per pixel.
inline uint32_t IndexAt(const uint8_t* Row, int X, int Bits) {
  switch (Bits) {
    case 1:
      return (Row[X / 8] >> (7 - X % 8)) & 1;
    case 4:
      return X % 2 == 0 ? Row[X / 2] >> 4 : Row[X / 2] & 0x0F;
    default:
      return Row[X];
  }
}

inline TColor ColorOfEntry(const RGBQUAD& Q) {
  return TColor(RGB(Q.rgbRed, Q.rgbGreen, Q.rgbBlue));
}

// The entry of the colour table nearest to C among the first Count.
uint32_t NearestEntry(const RGBQUAD* Table, uint32_t Count, COLORREF C) {
  const int r = GetRValue(C), g = GetGValue(C), b = GetBValue(C);
  uint32_t best = 0;
  int bestDistance = INT32_MAX;
  for (uint32_t i = 0; i < Count; ++i) {
    const int dr = Table[i].rgbRed - r, dg = Table[i].rgbGreen - g, db = Table[i].rgbBlue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

}  // namespace

// ---- Transparency ----
int TPNGObject::TransparencyKind() const {
  const TChunkIHDR* h = HeaderChunk();
  const auto* trns = FChunkList.FirstOf<TChunktRNS>();
  switch (h->ColorType()) {
    case ctGrayscale:
    case ctRGB:
      return trns ? ptmBit : ptmNone;
    case ctPalette:
      if (!trns) return ptmNone;
      return trns->SingleKey() ? ptmBit : ptmPartial;
    case ctGrayscaleAlpha:
    case ctRGBAlpha:
      return ptmPartial;
    default:
      return ptmNone;
  }
}

TColor TPNGObject::KeyColor() const {
  const auto* trns = FChunkList.FirstOf<TChunktRNS>();
  return trns ? trns->GetKeyColor() : 0;
}

// The key samples are stored as the file has them; the key colour is what they look like in
// the bitmap: the high byte of a 16-bit sample (the bitmap keeps high bytes), a grey level
// spread over 0..255, and through the picture's gamma, so that it matches the drawn pixels.
TColor TChunktRNS::GetKeyColor() const {
  const TChunkIHDR* h = Header();
  const auto& gamma = Owner()->DecodeGamma();
  const int depth = h->BitDepth();
  auto level = [&](int i) {
    const uint32_t v = (uint32_t(FAlpha[2 * i]) << 8) | FAlpha[2 * i + 1];
    if (depth == 16) return gamma[v >> 8];
    const uint32_t max = (1u << depth) - 1;
    return gamma[std::min<uint32_t>(v, max) * 255 / max];
  };
  switch (h->ColorType()) {
    case ctGrayscale: {
      const uint8_t v = level(0);
      return TColor(RGB(v, v, v));
    }
    case ctRGB:
      return TColor(RGB(level(0), level(1), level(2)));
    case ctPalette: {
      for (uint32_t i = 0; i < PayloadSize() && i < 256; ++i)
        if (FAlpha[i] == 0) {
          const auto* plte = Owner()->ChunkList().FirstOf<TChunkPLTE>();
          if (!plte) return ColorOfEntry(h->BitmapInfo().Colors[i]);
          const uint32_t e = plte->EntryAt(i);
          return TColor(RGB((e >> 16) & 0xFF, (e >> 8) & 0xFF, e & 0xFF));
        }
      return 0;
    }
    default:
      return 0;
  }
}

void TChunktRNS::SetKeyColor(TColor Value) {
  const TChunkIHDR* h = Header();
  const COLORREF c = ColorToRGB(Value);
  const auto& gamma = Owner()->EncodeGamma();
  const int depth = h->BitDepth();
  FAlpha.fill(0);
  FSingleKey = true;
  auto put = [&](int i, uint8_t component) {
    const uint32_t v = gamma[component];
    const uint32_t max = depth >= 8 ? 255 : (1u << depth) - 1;
    const uint32_t sample = depth == 16 ? v << 8 : (v * max + 127) / 255;
    FAlpha[2 * i] = uint8_t(sample >> 8);
    FAlpha[2 * i + 1] = uint8_t(sample);
  };
  switch (h->ColorType()) {
    case ctGrayscale:
      ResizePayload(2);
      put(0, GetRValue(c));
      break;
    case ctRGB:
      ResizePayload(6);
      put(0, GetRValue(c));
      put(1, GetGValue(c));
      put(2, GetBValue(c));
      break;
    case ctPalette: {
      uint32_t index = 0;
      const RGBQUAD* colors = h->BitmapInfo().Colors;
      for (uint32_t i = 0; i < 256; ++i)
        if (colors[i].rgbRed == GetRValue(c) && colors[i].rgbGreen == GetGValue(c) &&
            colors[i].rgbBlue == GetBValue(c)) {
          index = i;
          break;
        }
      // Entries after the key stay opaque, as entries a tRNS chunk does not list are.
      FAlpha.fill(255);
      FAlpha[index] = 0;
      ResizePayload(index + 1);
      break;
    }
    default:
      break;
  }
}

// ---- Palette ----
HPALETTE TPNGObject::GetPalette() const {
  const TChunkIHDR* h = HeaderChunk();
  if (h->ColorType() != ctGrayscale && h->ColorType() != ctPalette) return nullptr;
  if (!FPaletteHandle) {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
      const RGBQUAD& q = h->BitmapInfo().Colors[i];
      lp->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    FPaletteHandle = CreatePalette(lp);
  }
  return FPaletteHandle;
}

// ---- Drawing ----
void TPNGObject::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (!HasHeader()) return;
  TChunkIHDR* h = HeaderChunk();
  HDC dc = ACanvas->Handle();
  switch (TransparencyKind()) {
    case ptmBit:
      DrawKeyedDib(dc, h->ImageData(), h->BitmapInfo().Info(), ColorToRGB(KeyColor()), Rect);
      break;
    case ptmPartial:
      DrawBlended(dc, Rect);
      break;
    default:
      StretchDIBits(dc, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, 0, 0,
                    static_cast<int>(h->Width()), static_cast<int>(h->Height()), h->ImageData(),
                    h->BitmapInfo().Info(), DIB_RGB_COLORS, SRCCOPY);
      break;
  }
}

void TPNGObject::DrawBlended(HDC DC, const RECT& Rect) {
  const TChunkIHDR* h = HeaderChunk();
  const int w = static_cast<int>(h->Width()), ht = static_cast<int>(h->Height());
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -ht, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  TGdiScope scope;
  HDC work = scope.NewDC(nullptr);
  if (!work) Fail<EPNGOutMemory>(OutMemoryText);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(work, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!scope.Select(work, dib) || !bits) Fail<EPNGOutMemory>(OutMemoryText);
  BitBlt(work, 0, 0, w, ht, DC, Rect.left, Rect.top, SRCCOPY);

  const uint8_t* alpha = h->AlphaData();
  const RGBQUAD* colors = h->BitmapInfo().Colors;
  const auto* plte = FChunkList.FirstOf<TChunkPLTE>();
  const auto* trns = FChunkList.FirstOf<TChunktRNS>();
  const int bitCount = h->DibBitCount();
  for (int y = 0; y < ht; ++y) {
    const uint8_t* src = RowPointer(y);
    uint8_t* dst = static_cast<uint8_t*>(bits) + size_t(y) * w * 4;
    const uint8_t* a = alpha ? alpha + size_t(y) * w : nullptr;
    if (h->ColorType() == ctRGBAlpha) {
      for (int x = 0; x < w; ++x, dst += 4)
        for (int k = 0; k < 3; ++k) dst[k] = Blend(a[x], src[3 * x + k], dst[k]);
    } else if (h->ColorType() == ctGrayscaleAlpha) {
      // The grey index through the colour table, which holds the gamma.
      for (int x = 0; x < w; ++x, dst += 4) {
        const uint8_t v = colors[src[x]].rgbRed;
        for (int k = 0; k < 3; ++k) dst[k] = Blend(a[x], v, dst[k]);
      }
    } else {
      for (int x = 0; x < w; ++x, dst += 4) {
        const uint32_t i = IndexAt(src, x, bitCount);
        // Without a PLTE chunk the colour table (black) stands in.
        const uint32_t e = plte
                               ? plte->EntryAt(i)
                               : uint32_t(colors[i].rgbBlue) | (uint32_t(colors[i].rgbGreen) << 8) |
                                     (uint32_t(colors[i].rgbRed) << 16);
        const uint32_t av = trns ? trns->AlphaValues()[i] : 255;
        dst[0] = Blend(av, e & 0xFF, dst[0]);
        dst[1] = Blend(av, (e >> 8) & 0xFF, dst[1]);
        dst[2] = Blend(av, (e >> 16) & 0xFF, dst[2]);
      }
    }
  }
  BitBlt(DC, Rect.left, Rect.top, w, ht, work, 0, 0, SRCCOPY);
}

// ---- Conversions ----
void TPNGObject::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPNGObject*>(Source)) {
    CopyPNG(p);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    FromBitmapHandle(b->Handle(), b->Transparent(), ColorToRGB(b->TransparentColor()));
    return;
  }
  TGraphic::Assign(Source);
}

void TPNGObject::AssignTo(TPersistent* Dest) {
  if (auto* p = dynamic_cast<TPNGObject*>(Dest)) {
    p->CopyPNG(this);
    return;
  }
  auto* b = dynamic_cast<TBitmap*>(Dest);
  if (b && HasHeader()) {
    // A copy of the DIB with its colour table, so that indexed pictures keep their colours;
    // the bitmap takes the format of its bit count. The alpha plane does not travel.
    const TChunkIHDR* h = HeaderChunk();
    void* bits = nullptr;
    HBITMAP copy =
        CreateDIBSection(nullptr, h->BitmapInfo().Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy || !bits) Fail<EPNGOutMemory>(OutMemoryText);
    std::memcpy(bits, h->ImageData(), size_t(h->RowStride()) * h->Height());
    b->SetHandle(copy);
    if (HasHeader() && TransparencyKind() == ptmBit) {
      b->SetTransparentColor(KeyColor());
      b->SetTransparent(true);
    }
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TPNGObject::FromBitmapHandle(HBITMAP Bitmap, bool Transparent, COLORREF KeyColor) {
  BITMAP bm{};
  GetObject(Bitmap, sizeof bm, &bm);
  const int w = bm.bmWidth, ht = std::abs(bm.bmHeight), bpp = bm.bmBitsPixel;
  ClearChunkList();
  if (w <= 0 || ht <= 0) {
    Changed();
    return;  // an empty bitmap gives an empty picture
  }
  auto* h = static_cast<TChunkIHDR*>(FChunkList.Append(std::make_unique<TChunkIHDR>(this)));
  TChunkPLTE* plte =
      bpp < 16 ? static_cast<TChunkPLTE*>(FChunkList.Append(std::make_unique<TChunkPLTE>(this)))
               : nullptr;
  TChunktRNS* trns =
      Transparent ? static_cast<TChunktRNS*>(FChunkList.Append(std::make_unique<TChunktRNS>(this)))
                  : nullptr;
  FChunkList.Append(std::make_unique<TChunkIDAT>(this));
  FChunkList.Append(std::make_unique<TChunkIEND>(this));
  h->SetWidth(static_cast<uint32_t>(w));
  h->SetHeight(static_cast<uint32_t>(ht));
  if (bpp < 16) {
    h->SetBitDepth(static_cast<uint8_t>(bpp));
    h->SetColorType(ctPalette);
  } else {
    h->SetBitDepth(8);
    h->SetColorType(ctRGB);
  }
  h->SetCompressionMethod(0);
  h->SetFilterMethod(0);
  h->SetInterlaceMethod(0);
  h->PrepareDib();
  GetDIBits(nullptr, Bitmap, 0, static_cast<UINT>(ht), h->ImageData(), h->BitmapInfo().Info(),
            DIB_RGB_COLORS);
  if (plte) plte->SetCount(1u << bpp);
  if (trns) trns->SetKeyColor(TColor(KeyColor));
  Changed();
}

void TPNGObject::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE) {
  auto* source = static_cast<HBITMAP>(Data);
  BITMAP bm{};
  if (Format != CF_BITMAP || !GetObject(source, sizeof bm, &bm))
    throw EInvalidGraphic("Unsupported clipboard format");
  // A copy: the clipboard keeps its bitmap.
  TBitmap temp;
  temp.SetPixelFormat(pf24bit);
  temp.SetSize(bm.bmWidth, std::abs(bm.bmHeight));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, source);
  BitBlt(temp.Canvas()->Handle(), 0, 0, temp.Width(), temp.Height(), dc, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  FromBitmapHandle(temp.Handle(), false, 0);
}

void TPNGObject::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& APalette) {
  TBitmap temp;
  temp.SetPixelFormat(pf24bit);
  temp.SetSize(Width(), Height());
  Draw(temp.Canvas(), RECT{0, 0, Width(), Height()});
  Format = CF_BITMAP;
  Data = temp.ReleaseHandle();
  APalette = nullptr;
}

// ---- Pixels ----
uint8_t* TPNGObject::RowPointer(int Y) const {
  const TChunkIHDR* h = HeaderChunk();
  if (Y < 0 || uint32_t(Y) >= h->Height()) return nullptr;
  return h->ImageData() + size_t(h->RowStride()) * (h->Height() - 1 - uint32_t(Y));
}

TColor TPNGObject::PixelAt(int X, int Y) const {
  if (!HasHeader() || X < 0 || Y < 0 || X >= Width() || Y >= Height()) return 0;
  const TChunkIHDR* h = HeaderChunk();
  const uint8_t* row = RowPointer(Y);
  const int b = h->DibBitCount();
  if (!h->Indexed()) return TColor(RGB(row[3 * X + 2], row[3 * X + 1], row[3 * X]));
  const uint32_t v = IndexAt(row, X, b);
  if (h->ColorType() == ctPalette) {
    // The palette entries hold their gamma already: read as they are.
    const auto* plte = FChunkList.FirstOf<TChunkPLTE>();
    if (!plte) return ColorOfEntry(h->BitmapInfo().Colors[v]);
    const uint32_t e = plte->EntryAt(v);
    return TColor(RGB((e >> 16) & 0xFF, (e >> 8) & 0xFF, e & 0xFF));
  }
  // Grey, with or without alpha: the level the index stands for.
  const uint8_t level = FDecodeGamma[v * 255 / ((1u << b) - 1)];
  return TColor(RGB(level, level, level));
}

void TPNGObject::SetPixelAt(int X, int Y, TColor Value) {
  if (!HasHeader() || X < 0 || Y < 0 || X >= Width() || Y >= Height()) return;
  TChunkIHDR* h = HeaderChunk();
  uint8_t* row = RowPointer(Y);
  const COLORREF c = ColorToRGB(Value);
  if (!h->Indexed()) {
    row[3 * X] = GetBValue(c);
    row[3 * X + 1] = GetGValue(c);
    row[3 * X + 2] = GetRValue(c);
    return;
  }
  // The nearest entry among those the index can reach (and the palette holds).
  const int b = h->DibBitCount();
  uint32_t count = 1u << b;
  if (h->ColorType() == ctPalette)
    if (const auto* plte = FChunkList.FirstOf<TChunkPLTE>())
      count = std::min(count, std::max<uint32_t>(plte->Count(), 1));
  const uint32_t v = NearestEntry(h->BitmapInfo().Colors, count, c);
  const int per = 8 / b, shift = 8 - b - b * (X % per);
  uint8_t& byte = row[X / per];
  byte = uint8_t((byte & ~(((1u << b) - 1) << shift)) | (v << shift));
}
