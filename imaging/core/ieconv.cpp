// Pixel-format conversion of TIEBitmap: SetPixelFormat and CopyAndConvertFormat.
//
// One loop per (source, target) pair, each over whole rows, so that the compiler can vectorise
// the common ones; pairs without a rule of their own go through ie24RGB (the source is converted
// in place first). Grey levels use the library's luminance weights; floats are truncated and,
// where a rule says so, keep only their low bits.
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iecmykprofile.h"
#include "imaging/core/ieutils.h"
#include "platform/vcl/graphics.h"

namespace {

// Truncation toward zero of a float that may be out of any integer range (the rules keep only
// the low bits of the result).
inline int64_t TruncWide(double v) {
  if (!(v > -9.2e18 && v < 9.2e18)) return 0;
  return static_cast<int64_t>(v);
}

inline int Y8(int r, int g, int b) { return (r * IEGrayWeightRed + g * IEGrayWeightGreen + b * IEGrayWeightBlue) / 100; }
inline int Y16(int r, int g, int b) { return (r * 54484 + g * 183241 + b * 19275) / 1000; }
inline float Yf(int r, int g, int b) { return static_cast<float>((0.2126 * r + 0.7152 * g + 0.0722 * b) / 255.0); }

void SetGreyRamp(TIEBitmap* bmp) {
  for (int i = 0; i < 256; ++i) bmp->SetPaletteEntry(i, TIERGBPixel{uint8_t(i), uint8_t(i), uint8_t(i)});
}

// Writes the ordered-dither bit of every pixel of a row from its level (0..63 scale).
template <typename LevelOf>
void DitherRow(uint8_t* d, int w, int y, LevelOf level) {
  std::memset(d, 0, static_cast<size_t>((w + 7) / 8));
  for (int x = 0; x < w; ++x)
    if (IEBayer8[x & 7][y & 7] < level(x)) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

// Converts Source (format sf) into Dest (format df), both of the same size; answers false for a
// pair without a rule of its own.
bool ConvertRows(TIEBitmap* S, TIEBitmap* D) {
  const TIEPixelFormat sf = S->PixelFormat(), df = D->PixelFormat();
  const int w = S->Width(), h = S->Height();
  auto rows = [&](auto fn) {
    for (int y = 0; y < h; ++y) fn(S->Scanline(y), D->Scanline(y), y);
  };
  auto perPixel = [&](auto fn) {
    rows([&](uint8_t* s, uint8_t* d, int) {
      for (int x = 0; x < w; ++x) fn(s, d, x);
    });
  };
  const bool ordered = D->DitherMethod == 0;
  switch (sf) {
    case ie1g:
      switch (df) {
        case ie8p:
          D->SetPaletteEntry(0, TIERGBPixel{0, 0, 0});
          D->SetPaletteEntry(1, TIERGBPixel{255, 255, 255});
          perPixel([](uint8_t* s, uint8_t* d, int x) { d[x] = IEGetBit(s, x) ? 1 : 0; });
          return true;
        case ie8g:
          perPixel([](uint8_t* s, uint8_t* d, int x) { d[x] = IEGetBit(s, x) ? 255 : 0; });
          return true;
        case ie16g:
          perPixel([](uint8_t* s, uint8_t* d, int x) { reinterpret_cast<uint16_t*>(d)[x] = IEGetBit(s, x) ? 65535 : 0; });
          return true;
        case ie24RGB:
          perPixel([](uint8_t* s, uint8_t* d, int x) { std::memset(d + 3 * x, IEGetBit(s, x) ? 255 : 0, 3); });
          return true;
        case ie32f:
          perPixel([](uint8_t* s, uint8_t* d, int x) { reinterpret_cast<float*>(d)[x] = IEGetBit(s, x) ? 1.0f : 0.0f; });
          return true;
        case ieRGB48:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            const uint16_t v = IEGetBit(s, x) ? 65535 : 0;
            reinterpret_cast<TIERGB48Pixel*>(d)[x] = TIERGB48Pixel{v, v, v};
          });
          return true;
        case ie32RGB:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            const uint8_t v = IEGetBit(s, x) ? 255 : 0;
            d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = v;
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    case ie8p: {
      TIERGBPixel pal[256];
      for (int i = 0; i < 256; ++i) pal[i] = S->GetPaletteEntry(i);
      switch (df) {
        case ie1g:
          if (ordered) rows([&](uint8_t* s, uint8_t* d, int y) {
              DitherRow(d, w, y, [&](int x) { const auto& p = pal[s[x]]; return Y8(p.r, p.g, p.b) / 4; });
            });
          return true;
        case ie8g: {
          uint8_t lut[256];
          for (int i = 0; i < 256; ++i) lut[i] = static_cast<uint8_t>(Y8(pal[i].r, pal[i].g, pal[i].b));
          perPixel([&](uint8_t* s, uint8_t* d, int x) { d[x] = lut[s[x]]; });
          return true;
        }
        case ie16g:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto& p = pal[s[x]];
            reinterpret_cast<uint16_t*>(d)[x] = static_cast<uint16_t>(Y16(p.r, p.g, p.b));
          });
          return true;
        case ie24RGB:
          perPixel([&](uint8_t* s, uint8_t* d, int x) { std::memcpy(d + 3 * x, &pal[s[x]], 3); });
          return true;
        case ie32f:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto& p = pal[s[x]];
            reinterpret_cast<float*>(d)[x] = Yf(p.r, p.g, p.b);
          });
          return true;
        case ieRGB48:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto& p = pal[s[x]];
            reinterpret_cast<TIERGB48Pixel*>(d)[x] =
                TIERGB48Pixel{uint16_t(p.r * 257), uint16_t(p.g * 257), uint16_t(p.b * 257)};
          });
          return true;
        case ie32RGB:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            std::memcpy(d + 4 * x, &pal[s[x]], 3);
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    }
    case ie8g:
      switch (df) {
        case ie1g:
          if (ordered) rows([&](uint8_t* s, uint8_t* d, int y) { DitherRow(d, w, y, [&](int x) { return s[x] / 4; }); });
          return true;
        case ie8p:
          SetGreyRamp(D);
          rows([&](uint8_t* s, uint8_t* d, int) { std::memcpy(d, s, static_cast<size_t>(w)); });
          return true;
        case ie16g:
          perPixel([](uint8_t* s, uint8_t* d, int x) { reinterpret_cast<uint16_t*>(d)[x] = static_cast<uint16_t>(s[x] * 257); });
          return true;
        case ie24RGB:
          perPixel([](uint8_t* s, uint8_t* d, int x) { d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[x]; });
          return true;
        case ie32f:
          perPixel([](uint8_t* s, uint8_t* d, int x) { reinterpret_cast<float*>(d)[x] = static_cast<float>(s[x] / 255.0); });
          return true;
        case ieRGB48:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            const uint16_t v = static_cast<uint16_t>(s[x] * 257);
            reinterpret_cast<TIERGB48Pixel*>(d)[x] = TIERGB48Pixel{v, v, v};
          });
          return true;
        case ie32RGB:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = s[x];
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    case ie16g:
      switch (df) {
        case ie1g:
          if (ordered) rows([&](uint8_t* s, uint8_t* d, int y) {
              const uint16_t* s16 = reinterpret_cast<const uint16_t*>(s);
              DitherRow(d, w, y, [&](int x) { return s16[x] / 1024; });
            });
          return true;
        case ie8p:
          SetGreyRamp(D);
          [[fallthrough]];
        case ie8g:
          perPixel([](uint8_t* s, uint8_t* d, int x) { d[x] = static_cast<uint8_t>(reinterpret_cast<uint16_t*>(s)[x] >> 8); });
          return true;
        case ie24RGB: {
          const double bv = D->BlackValue, wv = D->WhiteValue;
          if (bv != wv) {
            const int64_t lo = TruncWide(bv), hi = TruncWide(wv);
            perPixel([&](uint8_t* s, uint8_t* d, int x) {
              int64_t v = reinterpret_cast<uint16_t*>(s)[x];
              if (v <= lo) v = lo;
              if (v >= hi) v = hi;
              const uint8_t g = static_cast<uint8_t>(TruncWide((v - lo) / (wv - bv) * 255.0));
              d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = g;
            });
          } else {
            perPixel([](uint8_t* s, uint8_t* d, int x) {
              const uint8_t g = static_cast<uint8_t>(reinterpret_cast<uint16_t*>(s)[x] >> 8);
              d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = g;
            });
          }
          return true;
        }
        case ie32f:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            reinterpret_cast<float*>(d)[x] = static_cast<float>(reinterpret_cast<uint16_t*>(s)[x] / 65535.0);
          });
          return true;
        case ieRGB48:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            const uint16_t v = reinterpret_cast<uint16_t*>(s)[x];
            reinterpret_cast<TIERGB48Pixel*>(d)[x] = TIERGB48Pixel{v, v, v};
          });
          return true;
        case ie32RGB:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = static_cast<uint8_t>(reinterpret_cast<uint16_t*>(s)[x] >> 8);
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    case ie24RGB:
      switch (df) {
        case ie1g:
          if (ordered) rows([&](uint8_t* s, uint8_t* d, int y) {
              DitherRow(d, w, y, [&](int x) { return Y8(s[3 * x + 2], s[3 * x + 1], s[3 * x]) / 4; });
            });
          return true;
        case ie8p: {
          TIERGBPixel pal[256] = {};
          const int n = D->PaletteUsed < 1 ? 1 : (D->PaletteUsed > 256 ? 256 : D->PaletteUsed);
          std::unique_ptr<TIEColorReducer> q(IECreateColorReducer(S, pal, n));
          for (int i = 0; i < 256; ++i) D->SetPaletteEntry(i, pal[i]);
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            d[x] = static_cast<uint8_t>(q->ColorIndex(reinterpret_cast<TIERGBPixel*>(s)[x]));
          });
          return true;
        }
        case ie8g:
          perPixel([](uint8_t* s, uint8_t* d, int x) { d[x] = static_cast<uint8_t>(Y8(s[3 * x + 2], s[3 * x + 1], s[3 * x])); });
          return true;
        case ie16g:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            reinterpret_cast<uint16_t*>(d)[x] = static_cast<uint16_t>(Y16(s[3 * x + 2], s[3 * x + 1], s[3 * x]));
          });
          return true;
        case ie32f:
          perPixel([](uint8_t* s, uint8_t* d, int x) { reinterpret_cast<float*>(d)[x] = Yf(s[3 * x + 2], s[3 * x + 1], s[3 * x]); });
          return true;
        case ieCMYK:
          rows([&](uint8_t* s, uint8_t* d, int) { IEConvertColorRow(s, 1, d, w, 2); });
          return true;
        case ieRGB48:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            reinterpret_cast<TIERGB48Pixel*>(d)[x] =
                TIERGB48Pixel{uint16_t(s[3 * x + 2] * 257), uint16_t(s[3 * x + 1] * 257), uint16_t(s[3 * x] * 257)};
          });
          return true;
        case ieCIELab:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            reinterpret_cast<TIECIELabPixel*>(d)[x] = IERGBToCIELab(reinterpret_cast<TIERGBPixel*>(s)[x]);
          });
          return true;
        case ie32RGB:
          perPixel([](uint8_t* s, uint8_t* d, int x) {
            std::memcpy(d + 4 * x, s + 3 * x, 3);
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    case ie32f: {
      auto f = [](uint8_t* s, int x) { return static_cast<double>(reinterpret_cast<float*>(s)[x]); };
      switch (df) {
        case ie1g:
          // The ordered level of a float is taken on the 0..63 scale of the other grey formats.
          if (ordered) rows([&](uint8_t* s, uint8_t* d, int y) {
              DitherRow(d, w, y, [&](int x) { return static_cast<int>(TruncWide(f(s, x) * 255.0) / 4); });
            });
          return true;
        case ie8p:
          SetGreyRamp(D);
          [[fallthrough]];
        case ie8g:
          perPixel([&](uint8_t* s, uint8_t* d, int x) { d[x] = static_cast<uint8_t>(TruncWide(f(s, x) * 255.0)); });
          return true;
        case ie16g:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            reinterpret_cast<uint16_t*>(d)[x] = static_cast<uint16_t>(TruncWide(f(s, x) * 65535.0));
          });
          return true;
        case ie24RGB:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = static_cast<uint8_t>(TruncWide(f(s, x) * 255.0));
          });
          return true;
        case ieRGB48:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const uint16_t v = static_cast<uint16_t>(TruncWide(f(s, x) * 65535.0));
            reinterpret_cast<TIERGB48Pixel*>(d)[x] = TIERGB48Pixel{v, v, v};
          });
          return true;
        case ie32RGB:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = static_cast<uint8_t>(TruncWide(f(s, x) * 255.0));
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    }
    case ieCMYK:
      if (df != ie24RGB && df != ie32RGB) return false;
      if (df == ie24RGB) {  // whole rows, so that the colour-managed route converts a row at a time
        rows([&](uint8_t* s, uint8_t* d, int) { IEConvertColorRow(s, 2, d, w, 1); });
        return true;
      }
      perPixel([df](uint8_t* s, uint8_t* d, int x) {
        const TIERGBPixel p = IECMYK2RGB(reinterpret_cast<TIECMYK*>(s)[x]);
        if (df == ie24RGB) {
          reinterpret_cast<TIERGBPixel*>(d)[x] = p;
        } else {
          std::memcpy(d + 4 * x, &p, 3);
          d[4 * x + 3] = 255;
        }
      });
      return true;
    case ieCIELab:
      if (df != ie24RGB && df != ie32RGB) return false;
      perPixel([df](uint8_t* s, uint8_t* d, int x) {
        const TIERGBPixel p = IECIELabToRGB(reinterpret_cast<TIECIELabPixel*>(s)[x]);
        if (df == ie24RGB) {
          reinterpret_cast<TIERGBPixel*>(d)[x] = p;
        } else {
          std::memcpy(d + 4 * x, &p, 3);
          d[4 * x + 3] = 255;
        }
      });
      return true;
    case ieRGB48: {
      auto px = [](uint8_t* s, int x) { return reinterpret_cast<TIERGB48Pixel*>(s)[x]; };
      switch (df) {
        case ie1g:
          if (ordered) rows([&](uint8_t* s, uint8_t* d, int y) {
              DitherRow(d, w, y, [&](int x) { const auto p = px(s, x); return Y8(p.r >> 8, p.g >> 8, p.b >> 8) / 4; });
            });
          return true;
        case ie8g:
          perPixel([&](uint8_t* s, uint8_t* d, int x) { const auto p = px(s, x); d[x] = static_cast<uint8_t>(Y8(p.r >> 8, p.g >> 8, p.b >> 8)); });
          return true;
        case ie16g:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto p = px(s, x);
            reinterpret_cast<uint16_t*>(d)[x] = static_cast<uint16_t>((p.r * 212 + p.g * 713 + p.b * 75) / 1000);
          });
          return true;
        case ie24RGB:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto p = px(s, x);
            d[3 * x] = static_cast<uint8_t>(p.b >> 8);
            d[3 * x + 1] = static_cast<uint8_t>(p.g >> 8);
            d[3 * x + 2] = static_cast<uint8_t>(p.r >> 8);
          });
          return true;
        case ie32f:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto p = px(s, x);
            reinterpret_cast<float*>(d)[x] =
                static_cast<float>((0.2126 * p.r / 256 + 0.7152 * p.g / 256 + 0.0722 * p.b / 256) / 255);
          });
          return true;
        case ie32RGB:
          perPixel([&](uint8_t* s, uint8_t* d, int x) {
            const auto p = px(s, x);
            d[4 * x] = static_cast<uint8_t>(p.b >> 8);
            d[4 * x + 1] = static_cast<uint8_t>(p.g >> 8);
            d[4 * x + 2] = static_cast<uint8_t>(p.r >> 8);
            d[4 * x + 3] = 255;
          });
          return true;
        default:
          return false;
      }
    }
    case ie32RGB:
      if (df != ie24RGB) return false;
      perPixel([](uint8_t* s, uint8_t* d, int x) { std::memcpy(d + 3 * x, s + 4 * x, 3); });
      return true;
    default:
      return false;
  }
}

// True for the pairs whose source is first turned into ie24RGB.
bool GoesThrough24(TIEPixelFormat sf, TIEPixelFormat df) {
  if (sf == ie24RGB) return false;
  if (df == ieCMYK || df == ieCIELab) return true;
  if (sf == ieRGB48 && df == ie8p) return true;
  if ((sf == ieCMYK || sf == ieCIELab || sf == ie32RGB) && df != ie24RGB && df != ie32RGB) return true;
  return false;
}

}  // namespace

void TIEBitmap::CopyAndConvertFormat(TIEBitmap* Source) {
  if (!Source || Source == this) return;
  if (Source->Width() != FWidth || Source->Height() != FHeight || FLocation == ieTBitmap) return;
  TIEPixelFormat sf = Source->PixelFormat();
  if (sf == ieNone) return;
  const TIEPixelFormat df = FPixelFormat;
  if (sf != df && !IsEmpty()) {
    if (GoesThrough24(sf, df)) {
      Source->SetPixelFormat(ie24RGB);
      sf = Source->PixelFormat();
    }
    if (df == ie1g && DitherMethod == 1) {
      if (sf == ieRGB48) Source->SetPixelFormat(ie24RGB);
      IEConvertToBWThreshold(Source, this, -1, nullptr, nullptr);
    } else if (sf != df) {
      ConvertRows(Source, this);
    }
  }
  // The source's alpha channel comes over; one this bitmap had is dropped either way.
  RemoveAlphaChannel(false);
  if (Source->HasAlphaChannel()) AttachAlphaChannel(Source->DetachAlphaChannel());
  SyncTBitmapPalette();
}

void TIEBitmap::SetPixelFormat(TIEPixelFormat Value) {
  if (Value == FPixelFormat || Value >= IEPixelFormatCount) return;
  const int w = FWidth, h = FHeight;
  const TIEPixelFormat old = FPixelFormat;
  if (FLocation == ieTBitmap) {
    // The class-library bitmap holds the rows: convert in memory, then hand the rows back. A
    // format the class-library bitmap cannot hold moves the image to memory rather than losing it.
    if (IsEmpty()) {
      // No pixels to convert: the format is taken as it is; an existing class-library bitmap
      // takes the depths it holds directly (1 and 24 bits).
      if (FBitmap != nullptr && (Value == ie1g || Value == ie24RGB)) FBitmap->SetPixelFormat(Value == ie1g ? pf1bit : pf24bit);
      FPixelFormat = Value;
      FBitCount = IEBitsPerPixel[Value];
      FChannelCount = IEChannelsPerPixel[Value];
      FRowLen = IERowLength(w, FBitCount, 32);
      return;
    }
    TIEBitmap src, conv;
    src.SetLocation(ieMemory);
    conv.SetLocation(ieMemory);
    src.CopyImageFrom(this);
    conv.DitherMethod = DitherMethod;
    conv.PaletteUsed = PaletteUsed;
    conv.BlackValue = BlackValue;
    conv.WhiteValue = WhiteValue;
    if (!conv.Allocate(w, h, Value)) return;
    conv.CopyAndConvertFormat(&src);
    CopyImageFrom(&conv);
    if (FPixelFormat != Value || FWidth != w || FHeight != h) {
      SetLocation(ieMemory);
      CopyImageFrom(&conv);
    }
    return;
  }
  TIEBitmap tmp;
  tmp.DitherMethod = DitherMethod;
  MoveContentTo(&tmp);
  // The alpha channel travels with the content and is handed back by CopyAndConvertFormat.
  FullReallocate = true;
  Allocate(w, h, Value);
  if (old != ieNone) CopyAndConvertFormat(&tmp);
}
