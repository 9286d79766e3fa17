// PNG codec around libpng 1.6 (see pngfilt.h).
//
// libpng reports errors through our error routine, which throws a C++ exception out through the
// library (built with unwind tables); each entry point catches it.
#include "imaging/codecs/pngfilt.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

struct TIEPngFailure {};

[[noreturn]] void PngErrorImpl() { throw TIEPngFailure{}; }
void PngError(png_structp, png_const_charp) { PngErrorImpl(); }
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep data, png_size_t length) {
  auto* s = static_cast<TStream*>(png_get_io_ptr(png));
  if (s->Read(data, static_cast<int64_t>(length)) != static_cast<int64_t>(length)) PngErrorImpl();
}

struct TWriteTarget {
  TStream* Stream;
  std::atomic<bool>* Aborting;
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* t = static_cast<TWriteTarget*>(png_get_io_ptr(png));
  if (t->Aborting && t->Aborting->load()) return;  // after a short write nothing more goes out
  bool abort = false;
  IEStreamWrite(t->Stream, abort, data, static_cast<int64_t>(length));
  if (abort && t->Aborting) t->Aborting->store(true);
}

void PngFlush(png_structp) {}

struct TReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TReadStructs() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

struct TWriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TWriteStructs() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

}  // namespace

bool PngDetect(TStream* Stream) {
  uint8_t sig[8] = {};
  int64_t n = Stream->Read(sig, 8);
  if (n > 0) Stream->Seek(-n, soCurrent);
  return n >= 4 && sig[0] == 137 && sig[1] == 80 && sig[2] == 78 && sig[3] == 71;
}

void PngReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEProgressRec& Progress) {
  TIOParamsVals& P = IOParams;
  TReadStructs s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (s.png) s.info = png_create_info_struct(s.png);
  if (!s.png || !s.info) {
    Progress.Abort();
    return;
  }
  // Rows from this one on were not decoded (-1: no pixels allocated yet); a read that ends early
  // clears them, so no row keeps what the block held before.
  int undecodedFrom = -1;
  TIEBitmap* alpha = nullptr;
  try {
    png_set_read_fn(s.png, Stream, PngRead);
    // Images are limited by the container, not by libpng's default user limits.
    png_set_user_limits(s.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(s.png, s.info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);

    // Text chunks.
    if (P.PNG_TextKeys) P.PNG_TextKeys->Clear();
    if (P.PNG_TextValues) P.PNG_TextValues->Clear();
    png_textp text = nullptr;
    int ntext = 0;
    if (png_get_text(s.png, s.info, &text, &ntext) > 0)
      for (int i = 0; i < ntext; ++i) {
        if (P.PNG_TextKeys) P.PNG_TextKeys->Add(text[i].key ? text[i].key : "");
        if (P.PNG_TextValues) P.PNG_TextValues->Add(std::string(text[i].text ? text[i].text : "", text[i].text_length));
      }

    // Palette (needed by the background and the pixels).
    png_colorp plte = nullptr;
    int nplte = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_get_PLTE(s.png, s.info, &plte, &nplte);

    png_color_16p bkgd = nullptr;
    if (png_get_bKGD(s.png, s.info, &bkgd) && bkgd) {
      auto level = [&](png_uint_16 v) { return static_cast<uint8_t>(depth == 16 ? v >> 8 : v); };
      if (colorType == PNG_COLOR_TYPE_PALETTE) {
        if (bkgd->index < nplte) P.PNG_Background = IEMakeRGB(plte[bkgd->index].red, plte[bkgd->index].green, plte[bkgd->index].blue);
      } else if (colorType & PNG_COLOR_MASK_COLOR) {
        P.PNG_Background = IEMakeRGB(level(bkgd->red), level(bkgd->green), level(bkgd->blue));
      } else {
        uint8_t g = level(bkgd->gray);
        P.PNG_Background = IEMakeRGB(g, g, g);
      }
    }

    const bool grey = colorType == PNG_COLOR_TYPE_GRAY;
    const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
    const bool native = P.IsNativePixelFormat && (depth == 8 || depth == 16) && (grey || palette);
    if (native) {
      if (depth == 16) png_set_swap(s.png);
    } else {
      if (palette && depth >= 2) png_set_expand(s.png);
      if (grey && depth >= 2 && depth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
      if (depth == 16) png_set_strip_16(s.png);
      if (depth >= 2 && depth < 8) png_set_packing(s.png);
      if ((colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) && depth > 1)
        png_set_gray_to_rgb(s.png);
      if (depth > 1) {
        png_set_bgr(s.png);
        if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
      }
    }
    int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    P.SetImageCount(1);
    P.Width = P.OriginalWidth = static_cast<int>(width);
    P.Height = P.OriginalHeight = static_cast<int>(height);
    P.BitsPerSample = depth;
    switch (colorType) {
      case 0: P.SamplesPerPixel = 1; break;
      case 2: P.SamplesPerPixel = 3; break;
      case 3: P.SamplesPerPixel = 1; break;
      case 4: P.SamplesPerPixel = 2; break;
      default: P.SamplesPerPixel = 4; break;
    }
    png_uint_32 xppm = 0, yppm = 0;
    int unit = 0;
    int dx = 0, dy = 0;
    if (png_get_pHYs(s.png, s.info, &xppm, &yppm, &unit) && unit == PNG_RESOLUTION_METER) {
      dx = IEDpiFromPpm(xppm);
      dy = IEDpiFromPpm(yppm);
    }
    P.SetDpiX(dx ? dx : IEDefaultDpiX);
    P.SetDpiY(dy ? dy : IEDefaultDpiY);
    P.SetColorMap(nullptr, 0);
    if (palette && nplte > 0) {
      std::vector<TIERGBPixel> map(nplte);
      for (int i = 0; i < nplte; ++i) map[i] = IEMakeRGB(plte[i].red, plte[i].green, plte[i].blue);
      P.SetColorMap(map.data(), nplte);
    }
    P.PNG_Interlaced = interlace != PNG_INTERLACE_NONE;
    if (Preview) return;

    if (!IEPlausibleImageSize(width, height, Stream->Size() - Stream->Position())) {
      Progress.Abort();  // a header claiming far more pixels than its data can hold
      return;
    }
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    TIEPixelFormat pf = ie24RGB;
    if (depth == 1 && !palette)
      pf = ie1g;
    else if (native)
      pf = palette ? ie8p : (depth == 8 ? ie8g : ie16g);
    if (!Bitmap->Allocate(w, h, pf)) {
      Progress.Abort();
      return;
    }
    if (pf == ie8p) {
      Bitmap->PaletteUsed = 1 << depth;
      for (int i = 0; i < P.ColorMapCount && i < 256; ++i) Bitmap->SetPaletteEntry(i, P.ColorMap[i]);
    }
    const int channels = png_get_channels(s.png, s.info);
    const bool withAlpha = channels == 4;
    const bool packedPalette = palette && depth == 1;
    std::vector<uint8_t> work;
    if (withAlpha) {
      work.resize(static_cast<size_t>(4) * w * (passes > 1 ? h : 1));
      alpha = Bitmap->GetAlphaChannel();
      alpha->Full = false;
    } else if (packedPalette) {
      work.assign(static_cast<size_t>(w / 8 + 1) * (passes > 1 ? h : 1), 0);
    }
    if (passes > 1) {
      // Interlaced passes fill rows pixel by pixel: a cut file leaves holes in every row.
      for (int y = 0; y < h; ++y) std::memset(Bitmap->Scanline(y), 0, static_cast<size_t>(Bitmap->RowLen()));
      if (alpha) alpha->Fill(0);
    } else {
      undecodedFrom = 0;
    }
    TIERGBPixel c0{0, 0, 0}, c1{0, 0, 0};
    if (P.ColorMapCount > 0) c0 = P.ColorMap[0];
    if (P.ColorMapCount > 1) c1 = P.ColorMap[1];
    Progress.Per = 100.0 / (static_cast<double>(h) * passes);
    Progress.Val = 0;
    Progress.LastPer = -1;
    for (int pass = 0; pass < passes && !Progress.IsAborting(); ++pass)
      for (int r = 0; r < h; ++r) {
        if (withAlpha) {
          uint8_t* wr = work.data() + (passes > 1 ? static_cast<size_t>(4) * w * r : 0);
          png_read_row(s.png, wr, nullptr);
          uint8_t* d = Bitmap->Scanline(r);
          for (int x = 0; x < w; ++x) std::memcpy(d + 3 * x, wr + 4 * x, 3);
          uint8_t* a = alpha->Scanline(r);
          for (int x = 0; x < w; ++x) a[x] = wr[4 * x + 3];
        } else if (packedPalette) {
          uint8_t* wr = work.data() + (passes > 1 ? static_cast<size_t>(w / 8 + 1) * r : 0);
          png_read_row(s.png, wr, nullptr);
          auto* d = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(r));
          for (int x = 0; x < w; ++x) d[x] = (wr[x >> 3] & (0x80 >> (x & 7))) ? c1 : c0;
        } else {
          png_read_row(s.png, Bitmap->Scanline(r), nullptr);
        }
        if (passes == 1) undecodedFrom = r + 1;
        ++Progress.Val;
        Progress.Report();
        if (Progress.IsAborting()) break;
      }
    if (!Progress.IsAborting()) png_read_end(s.png, nullptr);
  } catch (...) {
    Progress.Abort();
  }
  if (undecodedFrom >= 0 && undecodedFrom < Bitmap->Height()) {
    for (int y = undecodedFrom; y < Bitmap->Height(); ++y) {
      std::memset(Bitmap->Scanline(y), 0, static_cast<size_t>(Bitmap->RowLen()));
      if (alpha) std::memset(alpha->Scanline(y), 0, static_cast<size_t>(alpha->RowLen()));
    }
  }
  if (alpha) alpha->UpdateOpaqueFlag();  // recomputed on every path, also after a cut read
}

void PngWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEMask* AlphaMask,
                   TIEProgressRec& Progress) {
  TIOParamsVals& P = IOParams;
  if (Bitmap->IsEmpty()) {
    Progress.Abort();
    return;
  }
  if (P.SamplesPerPixel == 1 && P.BitsPerSample != 1 && P.BitsPerSample != 8 && P.BitsPerSample != 16)
    P.BitsPerSample = 8;
  TIEMask* mask = (AlphaMask && !AlphaMask->Full && AlphaMask->BitsPerPixel == 8 &&
                   AlphaMask->Width == Bitmap->Width() && AlphaMask->Height == Bitmap->Height())
                      ? AlphaMask
                      : nullptr;
  // Source image.
  std::unique_ptr<TIEBitmap> copy;
  TIEBitmap* src = Bitmap;
  const bool oneSample = P.SamplesPerPixel == 1;
  if (oneSample && P.BitsPerSample == 1) {
    if (src->PixelFormat() != ie1g) {
      TIERGBPixel a, b;
      copy.reset(IETwoColorTo1Bit(src, a, b));
      if (!copy) copy.reset(IEConvertedCopy(src, ie1g));
      src = copy.get();
    }
  } else if (!oneSample || (src->PixelFormat() != ie8p && src->PixelFormat() != ie8g && src->PixelFormat() != ie16g &&
                            src->PixelFormat() != ie24RGB) ||
             (mask && src->PixelFormat() == ie8p)) {
    // RGB output reads 24-bit rows; palette output with a mask maps colours, not indexes.
    if (src->PixelFormat() != ie24RGB) {
      copy.reset(IEConvertedCopy(src, ie24RGB));
      src = copy.get();
    }
  }
  const int w = src->Width(), h = src->Height();

  int colorType, depth;
  if (oneSample && src->PixelFormat() == ie1g) {
    colorType = PNG_COLOR_TYPE_GRAY;
    depth = 1;
  } else if (oneSample) {
    colorType = PNG_COLOR_TYPE_PALETTE;
    depth = P.BitsPerSample;
  } else {
    colorType = mask ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    depth = 8;
  }

  TWriteStructs s;
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (s.png) s.info = png_create_info_struct(s.png);
  if (!s.png || !s.info) throw EInvalidGraphic("Error on creating PNG");
  std::unique_ptr<TIEQuantizer> quantizer;
  TIERGBPixel qpal[256] = {};
  bool paletteWithMask = false;
  TWriteTarget target{Stream, Progress.Aborting};
  try {
    png_set_write_fn(s.png, &target, PngWrite, PngFlush);
    png_color pngPal[256];
    int npal = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
      if (mask) {
        paletteWithMask = true;
        depth = 8;
        int n = std::min(1 << std::min(P.BitsPerSample, 16), 255);
        quantizer.reset(new TIEQuantizer(src, qpal, n));
        npal = std::min((1 << std::min(P.BitsPerSample, 16)) + 1, 256);
        pngPal[0] = png_color{P.PNG_Background.r, P.PNG_Background.g, P.PNG_Background.b};
        for (int i = 1; i < npal; ++i) pngPal[i] = png_color{qpal[i - 1].r, qpal[i - 1].g, qpal[i - 1].b};
      } else {
        quantizer.reset(new TIEQuantizer(src, qpal, 256));
        if (quantizer->GrayScale) {
          colorType = PNG_COLOR_TYPE_GRAY;
        } else {
          // A palette holds 8-bit indexes at most.
          depth = 8;
          npal = 256;
          for (int i = 0; i < 256; ++i) pngPal[i] = png_color{qpal[i].r, qpal[i].g, qpal[i].b};
        }
      }
    }
    png_set_IHDR(s.png, s.info, w, h, depth, colorType, P.PNG_Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (npal > 0) png_set_PLTE(s.png, s.info, pngPal, npal);
    if (paletteWithMask) {
      png_byte trans[1] = {0};
      png_set_tRNS(s.png, s.info, trans, 1, nullptr);
    }
    int dpix = P.DpiX > 0 ? P.DpiX : IEDefaultDpiX, dpiy = P.DpiY > 0 ? P.DpiY : IEDefaultDpiY;
    png_set_pHYs(s.png, s.info, static_cast<png_uint_32>(IEPpmFromDpi(dpix)), static_cast<png_uint_32>(IEPpmFromDpi(dpiy)),
                 PNG_RESOLUTION_METER);
    switch (P.PNG_Filter) {
      case 0: png_set_filter(s.png, 0, PNG_FILTER_NONE); break;
      case 1: png_set_filter(s.png, 0, PNG_FILTER_SUB); break;
      case 2: png_set_filter(s.png, 0, PNG_FILTER_PAETH); break;
      default: break;
    }
    png_color_16 bk{};
    if (paletteWithMask) {
      bk.index = 0;  // the background entry
      png_set_bKGD(s.png, s.info, &bk);
    } else if (quantizer && colorType == PNG_COLOR_TYPE_PALETTE) {
      int i = quantizer->GetColorIndex(P.PNG_Background);
      bk.index = static_cast<png_byte>(i < 0 ? 0 : i);
      png_set_bKGD(s.png, s.info, &bk);
    } else if (colorType & PNG_COLOR_MASK_COLOR) {
      bk.red = P.PNG_Background.r;
      bk.green = P.PNG_Background.g;
      bk.blue = P.PNG_Background.b;
      png_set_bKGD(s.png, s.info, &bk);
    } else {
      bk.gray = 0;
      png_set_bKGD(s.png, s.info, &bk);
    }
    png_set_compression_level(s.png, std::clamp(P.PNG_Compression, 0, 9));
    png_set_bgr(s.png);
    std::vector<std::string> keys, values;
    int ntext = 0;
    if (P.PNG_TextKeys && P.PNG_TextValues) {
      ntext = std::min(P.PNG_TextKeys->Count(), P.PNG_TextValues->Count());
      for (int i = 0; i < ntext; ++i) {
        keys.push_back(P.PNG_TextKeys->Get(i).substr(0, 79));
        values.push_back(P.PNG_TextValues->Get(i));
      }
    }
    std::vector<png_text> texts(ntext);
    for (int i = 0; i < ntext; ++i) {
      texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
      texts[i].key = keys[i].data();
      texts[i].text = values[i].data();
      texts[i].text_length = values[i].size();
    }
    if (ntext > 0) png_set_text(s.png, s.info, texts.data(), ntext);
    png_write_info(s.png, s.info);
    int passes = png_set_interlace_handling(s.png);

    std::vector<uint8_t> row(static_cast<size_t>(w) * 4 + 16);
    // ie8p with index 0 taken by the background: index 0 maps to the nearest other entry.
    Progress.Per = 100.0 / (static_cast<double>(h) * passes);
    Progress.Val = 0;
    Progress.LastPer = -1;
    for (int pass = 0; pass < passes && !Progress.IsAborting(); ++pass)
      for (int r = 0; r < h; ++r) {
        const uint8_t* line = src->Scanline(r);
        const uint8_t* out = row.data();
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
          const bool rgb = src->PixelFormat() == ie24RGB;
          const uint8_t* m = paletteWithMask ? mask->GetScanline(r) : nullptr;
          for (int x = 0; x < w; ++x) {
            if (m && m[x] < 255) {
              row[x] = 0;
              continue;
            }
            int idx = rgb ? quantizer->GetColorIndex(reinterpret_cast<const TIERGBPixel*>(line)[x])
                          : quantizer->GetColorIndex(src->GetPixelAsRGB(x, r));
            if (src->PixelFormat() == ie8p && !m) idx = line[x];
            if (idx < 0) idx = 0;
            row[x] = static_cast<uint8_t>(m ? std::min(idx + 1, 255) : idx);
          }
        } else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
          const uint8_t* m = mask->GetScanline(r);
          for (int x = 0; x < w; ++x) {
            std::memcpy(&row[4 * x], line + 3 * x, 3);
            row[4 * x + 3] = m[x];
          }
        } else if (colorType == PNG_COLOR_TYPE_RGB) {
          out = line;
        } else if (depth == 16) {
          for (int x = 0; x < w; ++x) {
            uint8_t hi = src->PixelFormat() == ie16g ? static_cast<uint8_t>(reinterpret_cast<const uint16_t*>(line)[x] >> 8)
                                                     : static_cast<uint8_t>(quantizer->GetColorIndex(src->GetPixelAsRGB(x, r)));
            row[2 * x] = hi;  // big-endian sample
            row[2 * x + 1] = 0;
          }
        } else if (depth == 8) {
          if (src->PixelFormat() == ie8g)
            out = line;
          else
            for (int x = 0; x < w; ++x) {
              int idx = quantizer->GetColorIndex(src->GetPixelAsRGB(x, r));
              row[x] = static_cast<uint8_t>(std::clamp(idx, 0, 255));
            }
        } else {
          out = line;  // ie1g
        }
        png_write_row(s.png, out);
        ++Progress.Val;
        Progress.Report();
        if (Progress.IsAborting()) break;
      }
    if (!Progress.IsAborting()) png_write_end(s.png, s.info);
  } catch (const TIEPngFailure&) {
    throw EInvalidGraphic("Error on creating PNG");
  }
}

namespace {

void PngWriteHook(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEMask* AlphaMask,
                  TIEProgressRec& Progress) {
  PngWriteImage(Stream, Bitmap, IOParams, AlphaMask, Progress);
}

}  // namespace

void IERegisterPngCodec() {
  IECodecs.PngReadImage = PngReadImage;
  IECodecs.PngWriteImage = PngWriteHook;
}
