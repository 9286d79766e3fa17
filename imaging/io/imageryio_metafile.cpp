// TImageryIO's metafile import: a metafile rendered into the target at a chosen size.
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/core/iebitmap.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/ieiothread.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"

namespace {

// The colour the metafile is drawn over a second time to find what it leaves undrawn.
constexpr TColor kMetafileAlphaKey = 0x010203;  // red 3, green 2, blue 1

// Draws the metafile stretched to W x H over a solid background into a new 24-bit bitmap.
std::unique_ptr<TBitmap> RenderMetafile(TMetafile* Metafile, int W, int H, TColor Background) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(W, H);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Background);
  c->FillRect(RECT{0, 0, W, H});
  c->StretchDraw(RECT{0, 0, W, H}, Metafile);
  return bmp;
}

}  // namespace

void TImageryIO::ImportMetafile(const std::string& FileName, int Width, int Height, bool WithAlpha) {
  if (Defer(TIEIOThread::ckMetafile,
            [this, FileName, Width, Height, WithAlpha] { ImportMetafile(FileName, Width, Height, WithAlpha); }))
    return;
  try {
    TMetafile mf;
    mf.LoadFromFile(FileName);
    ImportMetafileFromTMetafile(&mf, Width, Height, WithAlpha);
    Params->FileName = FileName;
  } catch (...) {
    // The target is left as it was; the caller learns of the failure from Aborting as well.
    Aborting.store(true);
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TImageryIO::ImportMetafileFromTMetafile(TMetafile* Metafile, int Width, int Height, bool WithAlpha) {
  Aborting.store(false);
  if (Width == 0 || Height == 0 || FIEBitmap == nullptr || Metafile == nullptr) return;
  // A metafile without a size cannot be scaled or drawn: nothing of the target changes.
  const int64_t mw = Metafile->Width(), mh = Metafile->Height();
  if (mw <= 0 || mh <= 0) {
    Aborting.store(true);
    return;
  }
  int64_t w = Width, h = Height;
  if (w < 0 && h < 0) {
    w = mw;
    h = mh;
  } else if (w < 0) {
    w = h * mw / mh;
  } else if (h < 0) {
    h = mh * w / mw;
  }
  if (w <= 0 || h <= 0) {
    Aborting.store(true);
    return;
  }
  const int64_t limit = IEMetafileSizeLimit > 0 ? IEMetafileSizeLimit : 8000;
  if (w > limit || h > limit) {
    if (w < h) {
      w = w * limit / h;
      h = limit;
    } else {
      h = h * limit / w;
      w = limit;
    }
    if (w < 1) w = 1;
    if (h < 1) h = 1;
  }
  Params->ResetInfo();
  // The metafile is drawn stretched to the chosen size (the ratio-following and limited sizes
  // included), so what is imported is always the whole picture.
  std::unique_ptr<TBitmap> bmp = RenderMetafile(Metafile, int(w), int(h), Background());
  Params->FileName.clear();
  Params->FileType = ioEMF;  // this platform's metafiles are all enhanced metafiles
  Params->BitsPerSample = 8;
  Params->SamplesPerPixel = 3;
  Params->Width = int32_t(w);
  Params->Height = int32_t(h);
  Params->SetDpiX(IEDefaultDpiX);
  Params->SetDpiY(IEDefaultDpiY);
  Params->SetColorMap(nullptr, 0);  // no palette
  UpdateViewDPI();
  FIEBitmap->CopyFromTBitmap(bmp.get());
  FIEBitmap->RemoveAlphaChannel();
  if (WithAlpha) {
    std::unique_ptr<TBitmap> keyed = RenderMetafile(Metafile, int(w), int(h), kMetafileAlphaKey);
    TIEBitmap probe;
    probe.CopyFromTBitmap(keyed.get());
    TIEBitmap* alpha = FIEBitmap->GetAlphaChannel();
    bool full = true;
    for (int y = 0; y < int(h); ++y) {
      const uint8_t* src = probe.Scanline(y);  // B, G, R
      uint8_t* dst = alpha->Scanline(y);
      for (int x = 0; x < int(w); ++x, src += 3) {
        const bool key = src[0] == 1 && src[1] == 2 && src[2] == 3;
        dst[x] = key ? 0 : 255;
        if (key) full = false;
      }
    }
    alpha->Full = full;
  }
  Update();
}
