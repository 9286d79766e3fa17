// The graphic classes: TGraphic, TBitmap (DIB sections, BMP streaming), TIcon (.ico), TMetafile
// with its recording canvas, TPicture with the file-format registry, and TImageList.
#include <algorithm>
#include <cctype>
#include <strings.h>
#include <cstring>
#include <mutex>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_jpeg.h"
#include "platform/win/gdi_user.h"
#include "platform/win/iconfile.h"
#include "platform/win/wingdi.h"

// ---- TGraphic ----
ORV_CLASS_IMPL(TGraphic, TPersistent)

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}
void TGraphic::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Changed();
}
void TGraphic::SetModified(bool Value) {
  if (Value) Changed();
  else FModified = false;
}
void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&s);
}
void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream s(FileName, fmCreate);
  SaveToStream(&s);
}

// ---- TBitmap ----
namespace {
int BitsOf(TPixelFormat pf) {
  switch (pf) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}
int Stride(int w, int bpp) { return ((w * bpp + 31) / 32) * 4; }

// A DIB header with room for a full colour table (or the three 16-bit masks).
struct TDibInfo {
  BITMAPINFOHEADER h;
  RGBQUAD colours[256];
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

[[noreturn]] void BadBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// Unpacks run-length rows (8 or 4 bits) into bottom-up rows of the DIB stride. Runs that leave
// the picture are cut; a missing end leaves the rest at index 0, as a truncated file shows.
void DecodeRle(const std::vector<uint8_t>& in, int w, int h, int bpp, std::vector<uint8_t>& out) {
  int stride = Stride(w, bpp);
  auto put = [&](int x, int y, uint8_t v) {
    if (x < 0 || x >= w || y < 0 || y >= h) return;
    uint8_t* row = &out[static_cast<size_t>(y) * stride];
    if (bpp == 8) row[x] = v;
    else row[x >> 1] = static_cast<uint8_t>((x & 1) ? (row[x >> 1] & 0xF0) | (v & 15) : (row[x >> 1] & 0x0F) | (v << 4));
  };
  int x = 0, y = 0;
  size_t i = 0;
  while (i + 1 < in.size() && y < h) {
    uint8_t count = in[i], value = in[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k, ++x) put(x, y, bpp == 8 ? value : ((k & 1) ? value & 15 : value >> 4));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // delta
      if (i + 1 >= in.size()) break;
      x += in[i];
      y += in[i + 1];
      i += 2;
    } else {  // a literal run of `value` pixels, padded to a whole word
      size_t bytes = bpp == 8 ? value : (value + 1u) / 2;
      if (i + bytes > in.size()) break;
      for (int k = 0; k < value; ++k, ++x) {
        uint8_t b = bpp == 8 ? in[i + k] : in[i + k / 2];
        put(x, y, bpp == 8 ? b : ((k & 1) ? b & 15 : b >> 4));
      }
      i += (bytes + 1) & ~size_t(1);
    }
  }
}

BITMAPINFO Info32(int w, int h) {
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  return bi;
}
// A bitmap's pixels as top-down 32-bit rows, and back.
std::vector<uint32_t> Rows32(HBITMAP bm, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  BITMAPINFO bi = Info32(w, h);
  if (!px.empty()) GetDIBits(nullptr, bm, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
  return px;
}
void PutRows32(HBITMAP bm, int w, int h, const std::vector<uint32_t>& px) {
  BITMAPINFO bi = Info32(w, h);
  if (!px.empty()) SetDIBits(nullptr, bm, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
}

// A canvas over the bitmap: a memory DC with the bitmap selected, made on first use.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* B) : FBitmap(B) {}
  ~TBitmapCanvas() override { FreeContext(); }
  void FreeContext() {
    if (!FHandle) return;
    HDC dc = FHandle;
    DeselectHandles();
    SetHandle(nullptr);
    SelectObject(dc, FOld);
    DeleteDC(dc);
  }
  // The bitmap's handle changed: select the new one.
  void Reselect(HBITMAP bm) {
    if (FHandle) SelectObject(FHandle, bm ? static_cast<HGDIOBJ>(bm) : FOld);
  }

protected:
  // An empty bitmap's canvas still has a DC (text can be measured on it); drawing on it
  // lands on the DC's initial 1x1 bitmap.
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    FOld = GetCurrentObject(dc, OBJ_BITMAP);
    if (HBITMAP bm = FBitmap->Handle()) SelectObject(dc, bm);
    SetHandle(dc);
  }
  void Changed() override {
    TCanvas::Changed();
    FBitmap->SetModified(true);
  }

private:
  TBitmap* FBitmap;
  HGDIOBJ FOld = nullptr;
};
}  // namespace

ORV_CLASS_IMPL(TBitmap, TGraphic)

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  FCanvas.reset();
  if (FHandle) DeleteObject(FHandle);
  if (FPalette) DeleteObject(FPalette);
}

void TBitmap::NewImage(int W, int H, TPixelFormat PF, const RGBQUAD* Pal, int PalCount, bool Blank) {
  if (FPalette) {
    DeleteObject(FPalette);
    FPalette = nullptr;
  }
  HBITMAP old = FHandle;
  FHandle = nullptr;
  FBits = nullptr;
  FWidth = std::max(W, 0);
  FHeight = std::max(H, 0);
  FPixelFormat = PF;
  if (FWidth > 0 && FHeight > 0) {
    TDibInfo bi{};
    int bpp = BitsOf(PF);
    bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), FWidth, FHeight, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    if (PF == pf16bit) {
      bi.h.biCompression = BI_BITFIELDS;
      DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
      std::memcpy(bi.colours, masks, sizeof masks);
    } else if (bpp <= 8) {
      int n = 1 << bpp;
      if (Pal && PalCount > 0) {
        std::copy_n(Pal, std::min(n, PalCount), bi.colours);
      } else if (bpp == 1) {
        bi.colours[1] = RGBQUAD{255, 255, 255, 0};
      } else {
        HPALETTE hp = CreateHalftonePalette(nullptr);
        PALETTEENTRY e[256];
        UINT got = GetPaletteEntries(hp, 0, 256, e);
        if (bpp == 4) {
          HPALETTE def = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
          got = GetPaletteEntries(def, 0, 16, e);
        }
        for (UINT i = 0; i < got && i < static_cast<UINT>(n); ++i) bi.colours[i] = RGBQUAD{e[i].peBlue, e[i].peGreen, e[i].peRed, 0};
        DeleteObject(hp);
      }
    }
    void* bits = nullptr;
    FHandle = CreateDIBSection(nullptr, bi.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!FHandle) {
      FWidth = FHeight = 0;
      if (old) DeleteObject(old);
      throw EOutOfResources("Out of system resources");
    }
    FBits = static_cast<uint8_t*>(bits);
    FStride = Stride(FWidth, bpp);
    FBottomUp = true;
    if (Blank) {
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ o = SelectObject(dc, FHandle);
      PatBlt(dc, 0, 0, FWidth, FHeight, WHITENESS);
      SelectObject(dc, o);
      DeleteDC(dc);
    }
  }
  if (FCanvas) {
    auto* c = static_cast<TBitmapCanvas*>(FCanvas.get());
    c->Reselect(FHandle);
  }
  if (old) DeleteObject(old);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  TDibInfo pal{};
  int palCount = 0;
  if (FHandle && BitsOf(FPixelFormat) <= 8) palCount = static_cast<int>(GetDIBColorTable(CanvasDC(), 0, 256, pal.colours));
  // The old image stays alive (NewImage only deselects it) until its pixels are copied.
  HBITMAP old = FHandle;
  int ow = FWidth, oh = FHeight;
  FHandle = nullptr;
  try {
    NewImage(AWidth, AHeight, FPixelFormat, palCount ? pal.colours : nullptr, palCount, true);
  } catch (...) {
    // A size no image can be made of leaves the bitmap empty: the old image goes too.
    if (old) DeleteObject(old);
    throw;
  }
  if (old && FHandle) {
    // Through 32-bit rows, so that neither bitmap has to leave the canvas' DC.
    std::vector<uint32_t> from = Rows32(old, ow, oh), to = Rows32(FHandle, FWidth, FHeight);
    for (int y = 0; y < std::min(oh, FHeight); ++y)
      std::copy_n(&from[static_cast<size_t>(y) * ow], std::min(ow, FWidth), &to[static_cast<size_t>(y) * FWidth]);
    PutRows32(FHandle, FWidth, FHeight, to);
  }
  if (old) DeleteObject(old);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == pfCustom) Value = pf32bit;
  if (Value == FPixelFormat) return;
  if (!FHandle) {
    FPixelFormat = Value;
    return;
  }
  // Convert through 32-bit rows; indexed targets take the nearest palette entries.
  TDibInfo bi{};
  bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), FWidth, -FHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint8_t> px(static_cast<size_t>(FWidth) * FHeight * 4);
  GetDIBits(nullptr, FHandle, 0, static_cast<UINT>(FHeight), px.data(), bi.Info(), DIB_RGB_COLORS);
  HBITMAP old = FHandle;
  FHandle = nullptr;
  try {
    NewImage(FWidth, FHeight, Value, nullptr, 0, false);
  } catch (...) {
    // The bitmap is left empty: the old image goes too.
    DeleteObject(old);
    throw;
  }
  SetDIBits(nullptr, FHandle, 0, static_cast<UINT>(FHeight), px.data(), bi.Info(), DIB_RGB_COLORS);
  DeleteObject(old);
  Changed();
}

void* TBitmap::ScanLine(int Row) {
  if (Row < 0 || Row >= FHeight || !FBits) throw ERangeError("Scan line index out of range");
  return FBits + static_cast<ptrdiff_t>(FBottomUp ? FHeight - 1 - Row : Row) * FStride;
}

HBITMAP TBitmap::Handle() { return FHandle; }

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle) return;
  if (FCanvas) static_cast<TBitmapCanvas*>(FCanvas.get())->FreeContext();
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  FBits = nullptr;
  FWidth = FHeight = 0;
  if (Value) {
    DIBSECTION ds{};
    int n = GetObject(Value, sizeof ds, &ds);
    if (n == static_cast<int>(sizeof ds)) {
      // A DIB section: used as it is.
      FHandle = Value;
      FBits = static_cast<uint8_t*>(ds.dsBm.bmBits);
      FWidth = ds.dsBm.bmWidth;
      FHeight = ds.dsBm.bmHeight;
      FStride = ds.dsBm.bmWidthBytes;
      FBottomUp = ds.dsBmih.biHeight > 0;
      switch (ds.dsBm.bmBitsPixel) {
        case 1: FPixelFormat = pf1bit; break;
        case 4: FPixelFormat = pf4bit; break;
        case 8: FPixelFormat = pf8bit; break;
        case 16: FPixelFormat = ds.dsBitfields[1] == 0x07E0 ? pf16bit : pf15bit; break;
        case 24: FPixelFormat = pf24bit; break;
        default: FPixelFormat = pf32bit; break;
      }
    } else if (n > 0) {
      // A device bitmap: copied into a DIB section of its depth.
      BITMAP bm;
      GetObject(Value, sizeof bm, &bm);
      TPixelFormat pf = bm.bmBitsPixel == 1 ? pf1bit : bm.bmBitsPixel == 8 ? pf8bit : bm.bmBitsPixel == 24 ? pf24bit : pfDevice;
      NewImage(bm.bmWidth, bm.bmHeight, pf, nullptr, 0, false);
      PutRows32(FHandle, FWidth, FHeight, Rows32(Value, bm.bmWidth, bm.bmHeight));
      DeleteObject(Value);
    }
  }
  if (FCanvas && FHandle) static_cast<TBitmapCanvas*>(FCanvas.get())->Reselect(FHandle);
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  if (FCanvas) static_cast<TBitmapCanvas*>(FCanvas.get())->FreeContext();
  HBITMAP h = FHandle;
  FHandle = nullptr;
  FBits = nullptr;
  FWidth = FHeight = 0;
  return h;
}

void TBitmap::SetPalette(HPALETTE Value) {
  if (FPalette && FPalette != Value) DeleteObject(FPalette);
  FPalette = Value;
  if (Value && FHandle && BitsOf(FPixelFormat) <= 8) {
    PALETTEENTRY e[256];
    UINT n = GetPaletteEntries(Value, 0, 256, e);
    RGBQUAD q[256];
    for (UINT i = 0; i < n; ++i) q[i] = RGBQUAD{e[i].peBlue, e[i].peGreen, e[i].peRed, 0};
    SetDIBColorTable(CanvasDC(), 0, n, q);
  }
  Changed();
}

HDC TBitmap::CanvasDC() { return Canvas()->Handle(); }

HPALETTE TBitmap::Palette() const {
  if (FPalette || !FHandle || BitsOf(FPixelFormat) > 8) return FPalette;
  RGBQUAD q[256];
  UINT n = GetDIBColorTable(const_cast<TBitmap*>(this)->CanvasDC(), 0, 256, q);
  if (n == 0) return nullptr;
  std::vector<uint8_t> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(n);
  for (UINT i = 0; i < n; ++i) lp->palPalEntry[i] = PALETTEENTRY{q[i].rgbRed, q[i].rgbGreen, q[i].rgbBlue, 0};
  FPalette = CreatePalette(lp);
  return FPalette;
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColor == clDefault || FTransparentMode == tmAuto) {
    if (!FHandle || FHeight == 0) return clDefault;
    // The bottom-left pixel, by convention.
    uint32_t v = Rows32(FHandle, FWidth, FHeight)[static_cast<size_t>(FHeight - 1) * FWidth];
    return static_cast<TColor>(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
  }
  return FTransparentColor;
}

void TBitmap::SetTransparentColor(TColor Value) {
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    if (!b->FHandle) {
      NewImage(0, 0, b->FPixelFormat, nullptr, 0, false);
    } else {
      TDibInfo pal{};
      int palCount = 0;
      if (BitsOf(b->FPixelFormat) <= 8) palCount = static_cast<int>(GetDIBColorTable(b->CanvasDC(), 0, 256, pal.colours));
      NewImage(b->FWidth, b->FHeight, b->FPixelFormat, palCount ? pal.colours : nullptr, palCount, false);
      DIBSECTION ds;
      GetObject(b->FHandle, sizeof ds, &ds);
      std::memcpy(FBits, b->FBits, static_cast<size_t>(ds.dsBm.bmWidthBytes) * FHeight);
    }
    FTransparent = b->FTransparent;
    FTransparentColor = b->FTransparentColor;
    FTransparentMode = b->FTransparentMode;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (!FHandle) return;
  HDC dst = ACanvas->Handle();
  HDC src = CanvasDC();
  int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  if (FTransparent) {
    TransparentBlt(dst, Rect.left, Rect.top, w, h, src, 0, 0, FWidth, FHeight, ColorToRGB(TransparentColor()));
    return;
  }
  int oldMode = 0;
  if (w != FWidth || h != FHeight) oldMode = SetStretchBltMode(dst, COLORONCOLOR);
  StretchBlt(dst, Rect.left, Rect.top, w, h, src, 0, 0, FWidth, FHeight, ACanvas->CopyMode());
  if (oldMode) SetStretchBltMode(dst, oldMode);
}

void TBitmap::LoadFromStream(TStream* Stream) {
  const int64_t fileStart = Stream->Position();
  BITMAPFILEHEADER fh;
  if (Stream->Read(&fh, sizeof fh) != sizeof fh || fh.bfType != 0x4D42) BadBitmap();
  DWORD hsize;
  if (Stream->Read(&hsize, 4) != 4) BadBitmap();
  TDibInfo bi{};
  if (hsize == 12) {
    // The old core header: 16-bit sizes, three-byte colour entries.
    uint16_t core[4];
    if (Stream->Read(core, 8) != 8) BadBitmap();
    bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), core[0], core[1], core[2], core[3], BI_RGB, 0, 0, 0, 0, 0};
    int n = bi.h.biBitCount <= 8 ? 1 << bi.h.biBitCount : 0;
    for (int i = 0; i < n; ++i) {
      RGBTRIPLE t;
      if (Stream->Read(&t, 3) != 3) BadBitmap();
      bi.colours[i] = RGBQUAD{t.rgbtBlue, t.rgbtGreen, t.rgbtRed, 0};
    }
  } else {
    if (hsize < sizeof(BITMAPINFOHEADER) || hsize > 1024) BadBitmap();
    std::vector<uint8_t> h(hsize);
    std::memcpy(h.data(), &hsize, 4);
    if (Stream->Read(h.data() + 4, hsize - 4) != static_cast<int64_t>(hsize - 4)) BadBitmap();
    std::memcpy(&bi.h, h.data(), sizeof bi.h);
    bi.h.biSize = sizeof(BITMAPINFOHEADER);
    if (bi.h.biCompression == BI_BITFIELDS) {
      if (hsize >= 52) std::memcpy(bi.colours, h.data() + 40, 12);  // masks inside a V4/V5 header
      else if (Stream->Read(bi.colours, 12) != 12) BadBitmap();
    }
    int n = 0;
    if (bi.h.biBitCount <= 8) n = bi.h.biClrUsed ? static_cast<int>(std::min<DWORD>(bi.h.biClrUsed, 1u << bi.h.biBitCount)) : 1 << bi.h.biBitCount;
    if (bi.h.biBitCount <= 8 && Stream->Read(bi.colours, n * 4) != n * 4) BadBitmap();
    bi.h.biClrUsed = static_cast<DWORD>(n);
  }
  const BITMAPINFOHEADER& h = bi.h;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  int bpp = h.biBitCount;
  if (h.biWidth <= 0 || height <= 0 || h.biWidth > 65536 || height > 65536 || h.biPlanes != 1) BadBitmap();
  if (!(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) BadBitmap();
  bool rle = (h.biCompression == BI_RLE8 && bpp == 8) || (h.biCompression == BI_RLE4 && bpp == 4);
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS && !rle) BadBitmap();
  if (rle && h.biHeight < 0) BadBitmap();  // run-length files are always bottom-up
  size_t size = static_cast<size_t>(Stride(h.biWidth, bpp)) * height;
  // The pixels start at bfOffBits from the file's start; some writers leave a gap.
  if (fh.bfOffBits > 0) Stream->SetPosition(fileStart + fh.bfOffBits);
  std::vector<uint8_t> bits(size);
  if (rle) {
    int64_t n = h.biSizeImage ? static_cast<int64_t>(h.biSizeImage) : Stream->Size() - Stream->Position();
    if (n <= 0 || n > Stream->Size() - Stream->Position()) BadBitmap();
    std::vector<uint8_t> packed(static_cast<size_t>(n));
    Stream->ReadBuffer(packed.data(), n);
    DecodeRle(packed, h.biWidth, height, bpp, bits);
  } else if (Stream->Read(bits.data(), static_cast<int64_t>(size)) != static_cast<int64_t>(size)) {
    BadBitmap();
  }
  TPixelFormat pf = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 24 ? pf24bit : bpp == 32 ? pf32bit : pf16bit;
  if (bpp == 16) {
    DWORD g;
    std::memcpy(&g, reinterpret_cast<uint8_t*>(bi.colours) + 4, 4);
    pf = h.biCompression == BI_BITFIELDS && g == 0x07E0 ? pf16bit : pf15bit;
  }
  int palCount = bpp <= 8 ? static_cast<int>(h.biClrUsed ? h.biClrUsed : 1u << bpp) : 0;
  NewImage(h.biWidth, height, pf, bpp <= 8 ? bi.colours : nullptr, palCount, false);
  // Same format: copy rows (turning top-down files the right way up).
  int stride = Stride(h.biWidth, bpp);
  for (int y = 0; y < height; ++y) {
    int fileRow = h.biHeight < 0 ? y : height - 1 - y;  // file row holding picture row y
    std::memcpy(ScanLine(y), bits.data() + static_cast<size_t>(fileRow) * stride, static_cast<size_t>(stride));
  }
  FModified = false;
  if (OnChange) OnChange(this);
}

void TBitmap::SaveToStream(TStream* Stream) {
  int bpp = BitsOf(FPixelFormat);
  int colours = bpp <= 8 ? 1 << bpp : 0;
  int masks = FPixelFormat == pf16bit ? 12 : 0;
  int stride = Stride(FWidth, bpp);
  DWORD imageSize = static_cast<DWORD>(stride) * static_cast<DWORD>(FHeight);
  BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, 0};
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + sizeof(BITMAPINFOHEADER) + masks + colours * 4);
  fh.bfSize = fh.bfOffBits + imageSize;
  BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), FWidth, FHeight, 1, static_cast<WORD>(bpp),
                     static_cast<DWORD>(masks ? BI_BITFIELDS : BI_RGB), imageSize, 3780, 3780, static_cast<DWORD>(colours), 0};
  Stream->WriteBuffer(&fh, sizeof fh);
  Stream->WriteBuffer(&h, sizeof h);
  if (masks) {
    DWORD m[3] = {0xF800, 0x07E0, 0x001F};
    Stream->WriteBuffer(m, sizeof m);
  }
  if (colours) {
    RGBQUAD pal[256]{};
    if (FHandle) GetDIBColorTable(CanvasDC(), 0, static_cast<UINT>(colours), pal);
    Stream->WriteBuffer(pal, colours * 4);
  }
  for (int y = FHeight - 1; y >= 0; --y) Stream->WriteBuffer(ScanLine(y), stride);
}

void TBitmap::ReadData(TStream* Stream) {
  int32_t size = 0;
  Stream->ReadBuffer(&size, 4);
  if (size < 0 || size > Stream->Size() - Stream->Position()) BadBitmap();
  if (size == 0) {
    NewImage(0, 0, FPixelFormat, nullptr, 0, false);
    Changed();
    return;
  }
  TMemoryStream m;
  m.CopyFrom(Stream, size);
  m.SetPosition(0);
  LoadFromStream(&m);
}

void TBitmap::WriteData(TStream* Stream) {
  TMemoryStream m;
  if (!Empty()) SaveToStream(&m);
  int32_t size = static_cast<int32_t>(m.Size());
  Stream->WriteBuffer(&size, 4);
  if (size) Stream->WriteBuffer(m.Memory(), size);
}

// ---- TIcon ----
ORV_CLASS_IMPL(TIcon, TGraphic)

TIcon::TIcon() = default;
TIcon::~TIcon() { FreeHandle(); }

void TIcon::FreeHandle() {
  if (FHandle) DestroyIcon(FHandle);
  FHandle = nullptr;
}

void TIcon::AssignTo(TPersistent* Dest) {
  auto* b = dynamic_cast<TBitmap*>(Dest);
  if (b && FImage) {
    b->Assign(FImage.get());
    return;
  }
  TGraphic::AssignTo(Dest);
}

HICON TIcon::ReleaseHandle() {
  HICON h = Handle();
  FHandle = nullptr;
  return h;
}

HICON TIcon::Handle() {
  if (FHandle || Empty()) return FHandle;
  // Colour: the image as it is; mask: 1 where the image is transparent.
  int w = FImage->Width(), h = FImage->Height();
  std::vector<uint8_t> bits(static_cast<size_t>(((w + 15) / 16) * 2) * h, 0);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<const uint8_t*>(FImage->ScanLine(y));
    for (int x = 0; x < w; ++x)
      if (row[x * 4 + 3] < 128) bits[static_cast<size_t>(y) * ((w + 15) / 16) * 2 + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  HBITMAP mask = CreateBitmap(w, h, 1, 1, bits.data());
  ICONINFO ii{TRUE, 0, 0, mask, FImage->Handle()};
  FHandle = CreateIconIndirect(&ii);
  DeleteObject(mask);
  return FHandle;
}

void TIcon::SetHandle(HICON Value) {
  ICONINFO ii;
  if (!GetIconInfo(Value, &ii)) return;
  BITMAP bm;
  GetObject(ii.hbmMask, sizeof bm, &bm);
  int w = bm.bmWidth, h = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  auto img = std::make_unique<TBitmap>();
  img->SetPixelFormat(pf32bit);
  img->SetSize(w, h);
  std::vector<uint32_t> colour = ii.hbmColor ? Rows32(ii.hbmColor, w, h) : std::vector<uint32_t>(static_cast<size_t>(w) * h, 0);
  std::vector<uint32_t> mask = Rows32(ii.hbmMask, w, bm.bmHeight);
  bool anyAlpha = false;
  for (uint32_t v : colour) anyAlpha = anyAlpha || (v >> 24);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<uint32_t*>(img->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      uint32_t c = colour[static_cast<size_t>(y) * w + x];
      if (!anyAlpha) c = (c & 0xFFFFFF) | ((mask[static_cast<size_t>(y) * w + x] & 0xFFFFFF) ? 0u : 0xFF000000u);
      row[x] = c;
    }
  }
  DeleteObject(ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  FreeHandle();
  FImage = std::move(img);
  FHandle = Value;
  Changed();
}

int TIcon::Width() const { return FImage ? FImage->Width() : 0; }
int TIcon::Height() const { return FImage ? FImage->Height() : 0; }
void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::Assign(TPersistent* Source) {
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    FreeHandle();
    if (i->FImage) {
      FImage = std::make_unique<TBitmap>();
      FImage->Assign(i->FImage.get());
    } else {
      FImage.reset();
    }
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

namespace {
[[noreturn]] void BadIcon() { throw EInvalidGraphic("Icon image is not valid"); }
#pragma pack(push, 1)
struct TIconDirEntry {
  BYTE Width, Height, ColorCount, Reserved;
  WORD Planes, BitCount;
  DWORD BytesInRes, ImageOffset;
};
#pragma pack(pop)
constexpr int kLargestIcon = 256;  // the wanted size: the nearest image is the largest
}  // namespace

void TIcon::LoadFromStream(TStream* Stream) {
  // The header and the directory first: they say how far the images reach, so the stream is
  // read to the end of the icon and no further (an icon may sit inside a larger stream).
  int64_t base = Stream->Position();
  std::vector<uint8_t> data(6);
  if (Stream->Read(data.data(), 6) != 6) BadIcon();
  size_t dirEnd = 6 + 16 * static_cast<size_t>(data[4] | (data[5] << 8));
  data.resize(dirEnd);
  if (Stream->Read(data.data() + 6, static_cast<int64_t>(dirEnd - 6)) !=
      static_cast<int64_t>(dirEnd - 6))
    BadIcon();
  size_t extent = IconFileExtent(data.data(), data.size());
  if (extent == 0 || static_cast<int64_t>(extent) > Stream->Size() - base) BadIcon();
  data.resize(extent);
  if (Stream->Read(data.data() + dirEnd, static_cast<int64_t>(extent - dirEnd)) !=
      static_cast<int64_t>(extent - dirEnd))
    BadIcon();
  TCursorImage decoded;
  if (!DecodeCursorFile(data.data(), data.size(), kLargestIcon, kLargestIcon, &decoded)) BadIcon();
  auto img = std::make_unique<TBitmap>();
  img->SetPixelFormat(pf32bit);
  img->SetSize(decoded.W, decoded.H);
  for (int y = 0; y < decoded.H; ++y)
    std::memcpy(img->ScanLine(y), decoded.Pixels.data() + static_cast<size_t>(y) * decoded.W,
                static_cast<size_t>(decoded.W) * 4);
  FreeHandle();
  FImage = std::move(img);
  FModified = false;
  if (OnChange) OnChange(this);
}

void TIcon::SaveToStream(TStream* Stream) {
  if (Empty()) throw EInvalidGraphic("Icon image is not valid");
  int w = FImage->Width(), h = FImage->Height();
  if (w > 256 || h > 256) throw EInvalidGraphic("Icon image is not valid");
  size_t xorSize = static_cast<size_t>(w) * h * 4, andSize = static_cast<size_t>(Stride(w, 1)) * h;
  WORD head[3] = {0, 1, 1};
  TIconDirEntry e{static_cast<BYTE>(w == 256 ? 0 : w), static_cast<BYTE>(h == 256 ? 0 : h), 0, 0, 1, 32,
                  static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + xorSize + andSize), 6 + sizeof(TIconDirEntry)};
  BITMAPINFOHEADER bh{sizeof(BITMAPINFOHEADER), w, 2 * h, 1, 32, BI_RGB, static_cast<DWORD>(xorSize + andSize), 0, 0, 0, 0};
  Stream->WriteBuffer(head, 6);
  Stream->WriteBuffer(&e, sizeof e);
  Stream->WriteBuffer(&bh, sizeof bh);
  std::vector<uint8_t> mask(andSize, 0);
  for (int y = h - 1; y >= 0; --y) {
    auto* row = static_cast<const uint8_t*>(FImage->ScanLine(y));
    Stream->WriteBuffer(row, w * 4);
    for (int x = 0; x < w; ++x)
      if (row[x * 4 + 3] < 128) mask[static_cast<size_t>(h - 1 - y) * Stride(w, 1) + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  Stream->WriteBuffer(mask.data(), static_cast<int64_t>(mask.size()));
}

void TIcon::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (Empty()) return;
  // Alpha blending wants premultiplied colours.
  TBitmap pre;
  pre.Assign(FImage.get());
  for (int y = 0; y < pre.Height(); ++y) {
    auto* row = static_cast<uint8_t*>(pre.ScanLine(y));
    for (int x = 0; x < pre.Width(); ++x)
      for (int k = 0; k < 3; ++k) row[x * 4 + k] = static_cast<uint8_t>((row[x * 4 + k] * row[x * 4 + 3] + 127) / 255);
  }
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(ACanvas->Handle(), Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, pre.Canvas()->Handle(), 0, 0,
             pre.Width(), pre.Height(), bf);
}

// ---- TMetafile ----
ORV_CLASS_IMPL(TMetafile, TGraphic)

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() { Clear(); }

void TMetafile::Clear() {
  if (FHandle) DeleteEnhMetaFile(FHandle);
  FHandle = nullptr;
}

int TMetafile::MMWidth() const {
  if (FWidth || !FHandle) return FWidth;
  ENHMETAHEADER h;
  GetEnhMetaFileHeader(FHandle, sizeof h, &h);
  return h.rclFrame.right - h.rclFrame.left;
}
int TMetafile::MMHeight() const {
  if (FHeight || !FHandle) return FHeight;
  ENHMETAHEADER h;
  GetEnhMetaFileHeader(FHandle, sizeof h, &h);
  return h.rclFrame.bottom - h.rclFrame.top;
}
void TMetafile::SetMMWidth(int Value) { FWidth = Value; Changed(); }
void TMetafile::SetMMHeight(int Value) { FHeight = Value; Changed(); }
int TMetafile::Width() const { return MulDiv(MMWidth(), ScreenPixelsPerInch, 2540); }
int TMetafile::Height() const { return MulDiv(MMHeight(), ScreenPixelsPerInch, 2540); }
void TMetafile::SetWidth(int Value) { SetMMWidth(MulDiv(Value, 2540, ScreenPixelsPerInch)); }
void TMetafile::SetHeight(int Value) { SetMMHeight(MulDiv(Value, 2540, ScreenPixelsPerInch)); }

void TMetafile::SetHandle(HENHMETAFILE Value) {
  if (Value == FHandle) return;
  Clear();
  FHandle = Value;
  Changed();
}

void TMetafile::Assign(TPersistent* Source) {
  if (auto* m = dynamic_cast<TMetafile*>(Source)) {
    if (m == this) return;
    Clear();
    FHandle = m->FHandle ? CopyEnhMetaFile(m->FHandle, nullptr) : nullptr;
    FWidth = m->FWidth;
    FHeight = m->FHeight;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TMetafile::LoadFromStream(TStream* Stream) {
  int64_t n = Stream->Size() - Stream->Position();
  if (n <= 0 || n > (256 << 20)) throw EInvalidGraphic("Metafile is not valid");
  std::vector<uint8_t> data(static_cast<size_t>(n));
  Stream->ReadBuffer(data.data(), n);
  HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(n), data.data());
  if (!h) throw EInvalidGraphic("Metafile is not valid");
  Clear();
  FHandle = h;
  FWidth = FHeight = 0;
  FModified = false;
  if (OnChange) OnChange(this);
}

void TMetafile::SaveToStream(TStream* Stream) {
  if (!FHandle) return;
  UINT n = GetEnhMetaFileBits(FHandle, 0, nullptr);
  std::vector<uint8_t> data(n);
  GetEnhMetaFileBits(FHandle, n, data.data());
  Stream->WriteBuffer(data.data(), n);
}

void TMetafile::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (FHandle) PlayEnhMetaFile(ACanvas->Handle(), FHandle, &Rect);
}

ORV_CLASS_IMPL(TMetafileCanvas, TCanvas)

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice)
    : TMetafileCanvas(AMetafile, ReferenceDevice, "", "") {}

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice, const std::string& CreatedBy, const std::string& Description)
    : FMetafile(AMetafile) {
  RECT frame{0, 0, AMetafile->MMWidth(), AMetafile->MMHeight()};
  std::string desc = CreatedBy + std::string(1, '\0') + Description;
  HDC dc = CreateEnhMetaFile(ReferenceDevice, nullptr, frame.right > 0 && frame.bottom > 0 ? &frame : nullptr, desc.c_str());
  SetHandle(dc);
}

TMetafileCanvas::~TMetafileCanvas() {
  HDC dc = FHandle;
  DeselectHandles();
  SetHandle(nullptr);
  FMetafile->SetHandle(CloseEnhMetaFile(dc));
}

// ---- TPicture ----
namespace {
struct TFileFormat {
  std::string Extension;  // lower case, no dot
  std::string Description;
  TGraphicClass Class;
};
std::vector<TFileFormat>& Formats() {
  static std::vector<TFileFormat> f = {
      {"jpg", "JPEG Image File", TJPEGImage::StaticClass()},
      {"jpeg", "JPEG Image File", TJPEGImage::StaticClass()},
      {"bmp", "Bitmaps", TBitmap::StaticClass()},
      {"ico", "Icons", TIcon::StaticClass()},
      {"emf", "Enhanced Metafiles", TMetafile::StaticClass()},
      {"wmf", "Metafiles", TMetafile::StaticClass()},
  };
  return f;
}
std::mutex& FormatsLock() {
  static std::mutex m;
  return m;
}
std::string ExtOf(const std::string& FileName) {
  size_t dot = FileName.find_last_of('.');
  size_t slash = FileName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return FileName.substr(dot + 1);
}
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
TGraphic* NewGraphic(TGraphicClass C) {
  if (!C || !C->Factory) throw EInvalidGraphic("Cannot create the graphic");
  TObject* o = C->Factory(nullptr);
  auto* g = dynamic_cast<TGraphic*>(o);
  if (!g) {
    delete o;
    throw EInvalidGraphic("Cannot create the graphic");
  }
  return g;
}
}  // namespace

ORV_CLASS_IMPL(TPicture, TPersistent)

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description, TGraphicClass GraphicClass) {
  std::lock_guard<std::mutex> g(FormatsLock());
  std::string ext = Lower(Extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  auto& f = Formats();
  std::erase_if(f, [&](const TFileFormat& x) { return x.Extension == ext; });
  f.push_back(TFileFormat{ext, Description, GraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass) {
  std::lock_guard<std::mutex> g(FormatsLock());
  std::erase_if(Formats(), [&](const TFileFormat& x) { return x.Class == GraphicClass; });
}

TGraphicClass TPicture::FileFormatClass(const std::string& Extension) {
  std::lock_guard<std::mutex> g(FormatsLock());
  std::string ext = Lower(Extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (const TFileFormat& f : Formats())
    if (f.Extension == ext) return f.Class;
  return nullptr;
}

std::string TPicture::GraphicFilter(TGraphicClass GraphicClass) {
  std::lock_guard<std::mutex> g(FormatsLock());
  std::string all, each;
  for (const TFileFormat& f : Formats()) {
    if (GraphicClass && !f.Class->InheritsFrom(GraphicClass)) continue;
    std::string mask = "*." + f.Extension;
    all += (all.empty() ? "" : ";") + mask;
    each += "|" + f.Description + " (" + mask + ")|" + mask;
  }
  return "All (" + all + ")|" + all + each;
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) {
    FGraphic.reset();
    Changed(this);
    return;
  }
  std::unique_ptr<TGraphic> g(NewGraphic(Value->ClassType()));
  g->Assign(Value);
  g->OnChange = [this](TObject* s) { Changed(s); };
  FGraphic = std::move(g);
  Changed(this);
}

void TPicture::ForceType(TGraphicClass C) {
  if (FGraphic && FGraphic->ClassType() == C) return;
  FGraphic.reset(NewGraphic(C));
  FGraphic->OnChange = [this](TObject* s) { Changed(s); };
  Changed(this);
}

TBitmap* TPicture::Bitmap() {
  ForceType(TBitmap::StaticClass());
  return static_cast<TBitmap*>(FGraphic.get());
}
TIcon* TPicture::Icon() {
  ForceType(TIcon::StaticClass());
  return static_cast<TIcon*>(FGraphic.get());
}
TMetafile* TPicture::Metafile() {
  ForceType(TMetafile::StaticClass());
  return static_cast<TMetafile*>(FGraphic.get());
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(p->FGraphic.get());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(Source);
}

void TPicture::LoadFromStream(TStream* Stream, const std::string& Extension) {
  TGraphicClass c = FileFormatClass(Extension);
  std::string ext = Extension;
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (!c) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g(NewGraphic(c));
  g->LoadFromStream(Stream);
  g->OnChange = [this](TObject* s) { Changed(s); };
  FGraphic = std::move(g);
  Changed(this);
}

void TPicture::LoadFromFile(const std::string& FileName) {
  std::string ext = ExtOf(FileName);
  TGraphicClass c = FileFormatClass(ext);
  if (!c) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g(NewGraphic(c));
  g->LoadFromFile(FileName);
  g->OnChange = [this](TObject* s) { Changed(s); };
  FGraphic = std::move(g);
  Changed(this);
}

void TPicture::SaveToFile(const std::string& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::SaveToStream(TStream* Stream) {
  if (FGraphic) FGraphic->SaveToStream(Stream);
}

void TGraphic::DefineProperties(TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, !Empty());
}

void TPicture::DefineProperties(TFiler* Filer) {
  Filer->DefineBinaryProperty(
      "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
      FGraphic && !FGraphic->Empty());
}

void TPicture::ReadData(TStream* Stream) {
  uint8_t len = 0;
  Stream->ReadBuffer(&len, 1);
  std::string name(len, '\0');
  if (len) Stream->ReadBuffer(name.data(), len);
  TGraphicClass c = nullptr;
  {
    std::lock_guard<std::mutex> g(FormatsLock());
    for (const TFileFormat& f : Formats())
      if (strcasecmp(f.Class->Name, name.c_str()) == 0) c = f.Class;
  }
  if (!c) {
    c = GetClass(name);
    if (c && !c->InheritsFrom(TGraphic::StaticClass())) c = nullptr;
  }
  if (!c) throw EInvalidGraphic("Unknown picture format " + name);
  std::unique_ptr<TGraphic> g(NewGraphic(c));
  g->ReadData(Stream);
  g->OnChange = [this](TObject* s) { Changed(s); };
  FGraphic = std::move(g);
  Changed(this);
}

void TPicture::WriteData(TStream* Stream) {
  std::string name = FGraphic ? FGraphic->ClassName() : "";
  uint8_t len = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  Stream->WriteBuffer(&len, 1);
  if (len) Stream->WriteBuffer(name.data(), len);
  if (FGraphic) FGraphic->WriteData(Stream);
}

// ---- TImageList ----
ORV_CLASS_IMPL(TImageList, TComponent)

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}
TImageList::~TImageList() {
  for (TChangeLink* link : FLinks) link->Sender = nullptr;
}

void TImageList::Change() {
  if (OnChange) OnChange(this);
  for (TChangeLink* link : std::vector<TChangeLink*>(FLinks)) link->Change();
}

void TImageList::RegisterChanges(TChangeLink* Link) {
  if (!Link || std::find(FLinks.begin(), FLinks.end(), Link) != FLinks.end()) return;
  if (Link->Sender && Link->Sender != this) Link->Sender->UnRegisterChanges(Link);
  Link->Sender = this;
  FLinks.push_back(Link);
}

void TImageList::UnRegisterChanges(TChangeLink* Link) {
  if (!Link) return;
  std::erase(FLinks, Link);
  if (Link->Sender == this) Link->Sender = nullptr;
}

TChangeLink::~TChangeLink() {
  if (Sender) Sender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(Sender);
}

void TImageList::Assign(TPersistent* Source) {
  if (auto* l = dynamic_cast<TImageList*>(Source)) {
    FWidth = l->FWidth;
    FHeight = l->FHeight;
    FImages = l->FImages;
    std::copy(std::begin(l->FOverlays), std::end(l->FOverlays), std::begin(FOverlays));
    BkColor = l->BkColor;
    BlendColor = l->BlendColor;
    DrawingStyle = l->DrawingStyle;
    Masked = l->Masked;
    Change();
    return;
  }
  TComponent::Assign(Source);
}

void TImageList::SetWidth(int Value) {
  if (Value <= 0 || Value == FWidth) return;
  FWidth = Value;
  Clear();
}
void TImageList::SetHeight(int Value) {
  if (Value <= 0 || Value == FHeight) return;
  FHeight = Value;
  Clear();
}

void TImageList::Check(int Index) const {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

namespace {
// The pixels of a bitmap as 0x00RRGGBB rows, top first.
std::vector<uint32_t> PixelsOf(TBitmap* B) {
  std::vector<uint32_t> px(static_cast<size_t>(B->Width()) * B->Height());
  if (px.empty()) return px;
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), B->Width(), -B->Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(nullptr, B->Handle(), 0, static_cast<UINT>(B->Height()), px.data(), &bi, DIB_RGB_COLORS);
  for (uint32_t& v : px) v &= 0xFFFFFF;
  return px;
}
uint32_t Swap(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
}  // namespace

int TImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  std::vector<uint32_t> px = PixelsOf(Image), mk;
  if (Mask && !Mask->Empty()) mk = PixelsOf(Mask);
  int n = std::max(1, Image->Width() / FWidth);
  int first = Count();
  for (int k = 0; k < n; ++k) {
    TEntry e;
    e.Pixels.assign(static_cast<size_t>(FWidth) * FHeight, 0xFFFFFF);
    e.Mask.assign(e.Pixels.size(), 0);
    for (int y = 0; y < FHeight && y < Image->Height(); ++y)
      for (int x = 0; x < FWidth && k * FWidth + x < Image->Width(); ++x) {
        size_t src = static_cast<size_t>(y) * Image->Width() + k * FWidth + x;
        e.Pixels[static_cast<size_t>(y) * FWidth + x] = px[src];
        if (!mk.empty() && y < Mask->Height() && k * FWidth + x < Mask->Width())
          e.Mask[static_cast<size_t>(y) * FWidth + x] = (mk[static_cast<size_t>(y) * Mask->Width() + k * FWidth + x] & 0xFFFFFF) != 0;
      }
    FImages.push_back(std::move(e));
  }
  Change();
  return first;
}

int TImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  COLORREF key = MaskColor == clDefault ? static_cast<COLORREF>(Image->Canvas()->Pixels(0, Image->Height() - 1)) : ColorToRGB(MaskColor);
  std::vector<uint32_t> px = PixelsOf(Image);
  TBitmap mask;
  mask.SetPixelFormat(pf32bit);
  mask.SetSize(Image->Width(), Image->Height());
  for (int y = 0; y < Image->Height(); ++y) {
    auto* row = static_cast<uint32_t*>(mask.ScanLine(y));
    for (int x = 0; x < Image->Width(); ++x) row[x] = px[static_cast<size_t>(y) * Image->Width() + x] == Swap(key) ? 0xFFFFFF : 0;
  }
  return Add(Image, &mask);
}

int TImageList::AddIcon(TIcon* Image) {
  if (!Image || Image->Empty()) return -1;
  TBitmap* img = Image->Image();
  TBitmap mask;
  mask.SetPixelFormat(pf32bit);
  mask.SetSize(img->Width(), img->Height());
  for (int y = 0; y < img->Height(); ++y) {
    auto* src = static_cast<uint8_t*>(img->ScanLine(y));
    auto* row = static_cast<uint32_t*>(mask.ScanLine(y));
    for (int x = 0; x < img->Width(); ++x) row[x] = src[x * 4 + 3] < 128 ? 0xFFFFFF : 0;
  }
  return Add(img, &mask);
}

void TImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  Check(Index);
  int at = Add(Image, Mask);
  if (at < 0) return;
  FImages[static_cast<size_t>(Index)] = std::move(FImages[static_cast<size_t>(at)]);
  FImages.resize(static_cast<size_t>(at));
  Change();
}

void TImageList::Delete(int Index) {
  Check(Index);
  FImages.erase(FImages.begin() + Index);
  Change();
}

void TImageList::Clear() {
  FImages.clear();
  std::fill(std::begin(FOverlays), std::end(FOverlays), -1);
  Change();
}

void TImageList::Move(int CurIndex, int NewIndex) {
  Check(CurIndex);
  Check(NewIndex);
  TEntry e = std::move(FImages[static_cast<size_t>(CurIndex)]);
  FImages.erase(FImages.begin() + CurIndex);
  FImages.insert(FImages.begin() + NewIndex, std::move(e));
  Change();
}

void TImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  Check(Index);
  const TEntry& e = FImages[static_cast<size_t>(Index)];
  HDC dc = Canvas->Handle();
  if (BkColor != clNone) {
    HBRUSH b = CreateSolidBrush(ColorToRGB(BkColor));
    RECT r{X, Y, X + FWidth, Y + FHeight};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  auto opaque = [&](int x, int y) { return !Masked || !e.Mask[static_cast<size_t>(y) * FWidth + x]; };
  if (Enabled) {
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        if (opaque(x, y)) SetPixelV(dc, X + x, Y + y, Swap(e.Pixels[static_cast<size_t>(y) * FWidth + x]));
    return;
  }
  // Disabled: the image's dark pixels embossed, highlight one pixel down-right, shadow on top.
  auto dark = [&](int x, int y) {
    uint32_t v = e.Pixels[static_cast<size_t>(y) * FWidth + x];
    int lum = (((v >> 16) & 0xFF) * 30 + ((v >> 8) & 0xFF) * 59 + (v & 0xFF) * 11) / 100;
    return opaque(x, y) && lum < 192;
  };
  COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (dark(x, y)) SetPixelV(dc, X + x + 1, Y + y + 1, hi);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (dark(x, y)) SetPixelV(dc, X + x, Y + y, sh);
}

bool TImageList::Overlay(int ImageIndex, int Overlay) {
  if (Overlay < 0 || Overlay >= 15 || ImageIndex < -1 || ImageIndex >= Count()) return false;
  FOverlays[Overlay] = ImageIndex;
  return true;
}

int TImageList::OverlayImage(int Overlay) const {
  return Overlay >= 0 && Overlay < 15 ? FOverlays[Overlay] : -1;
}

void TImageList::GetBitmap(int Index, TBitmap* Image) {
  Check(Index);
  if (!Image) return;
  const TEntry& e = FImages[static_cast<size_t>(Index)];
  Image->SetPixelFormat(pf32bit);
  Image->SetSize(FWidth, FHeight);
  for (int y = 0; y < FHeight; ++y) {
    auto* row = static_cast<uint32_t*>(Image->ScanLine(y));
    for (int x = 0; x < FWidth; ++x) row[x] = e.Pixels[static_cast<size_t>(y) * FWidth + x];
  }
  Image->SetModified(true);
}
