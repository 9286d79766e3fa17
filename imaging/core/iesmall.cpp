// Small components and drawing helpers of the imaging library.
#include "imaging/core/iesmall.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieblur.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ietransform.h"
#include "imaging/core/ierotate.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TImageryPaletteDialog, TObject)
ORV_CLASS_IMPL(TIEScrollBarParams, TObject)
ORV_CLASS_IMPL(TIEMouseWheelParams, TObject)

TImageryPaletteDialog::TImageryPaletteDialog() = default;

void TImageryPaletteDialog::SetPalette(const TIERGBPixel* APalette, int ACount) {
  FPalette = APalette;
  Count = std::clamp(ACount, 0, 256);
  if (Selected >= Count) Selected = -1;
}

void TImageryPaletteDialog::Paint(TIEBitmap* Canvas) {
  if (!Canvas || Canvas->PixelFormat() != ie24RGB || !FPalette) return;
  for (int i = 0; i < Count; ++i) {
    const int col = i % 32, row = i / 32;
    const int x1 = col * 16 + 1, y1 = row * 16 + 1, x2 = col * 16 + 16, y2 = row * 16 + 16;
    const TIERGBPixel c = FPalette[i];
    const TColor fill = c.r | (c.g << 8) | (c.b << 16);
    Canvas->FillRect(x1, y1, x2 - 1, y2 - 1, fill);
    const double outline = i == Selected ? 0 : 0xFFFFFF;
    Canvas->FillRect(x1, y1, x2 - 1, y1, outline);
    Canvas->FillRect(x1, y2 - 1, x2 - 1, y2 - 1, outline);
    Canvas->FillRect(x1, y1, x1, y2 - 1, outline);
    Canvas->FillRect(x2 - 1, y1, x2 - 1, y2 - 1, outline);
  }
}

bool TImageryPaletteDialog::MouseMove(int x, int y) {
  const int i = (x - 1) / 16 + ((y - 1) / 16) * 32;
  // Columns beyond the 32nd would wrap into the next row; they hold no cell.
  if ((x - 1) / 16 >= 32 || x < 1 || y < 1) return false;
  if (i < 0 || i >= Count || i == Selected) return false;
  Selected = i;
  return true;
}

bool TImageryPaletteDialog::Click() {
  if (Selected < 0 || Selected >= Count || !FPalette) return false;
  const TIERGBPixel c = FPalette[Selected];
  ChosenColor = c.r | (c.g << 8) | (c.b << 16);
  ModalResult = 1;
  return true;
}

namespace {
inline void Darken(TIERGBPixel& p, double f) {
  p.r = static_cast<uint8_t>(p.r * f);
  p.g = static_cast<uint8_t>(p.g * f);
  p.b = static_cast<uint8_t>(p.b * f);
}
inline bool Inside(TIEBitmap* b, int x, int y) { return x >= 0 && y >= 0 && x < b->Width() && y < b->Height(); }
inline void PutGrey(TIEBitmap* b, int x, int y, int v) {
  if (!Inside(b, x, y)) return;
  const uint8_t g = static_cast<uint8_t>(std::clamp(v, 0, 255));
  b->SetPixelRGB(x, y, TIERGBPixel{g, g, g});
}
}  // namespace

void IEDrawShadowRight(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, int Style, TColor Color) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB) return;
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  if (w <= 0 || h <= 0) return;
  if (Style == 1) {
    Bitmap->FillRect(std::max(x1, 0), std::max(y1 + w, 0), std::min(x2 - 1, Bitmap->Width() - 1),
                     std::min(y2, Bitmap->Height() - 1), Color);
  } else if (Style == 2) {
    for (int k = 0; k < w; ++k) {
      const double d = (w - k) / (w / 3.0), f = std::exp(-0.1 - d * d / 6);
      for (int y = y1 + w; y <= y2 - w + k + 3; ++y)
        if (Inside(Bitmap, x1 + k, y)) Darken(*Bitmap->GetRGBPixelPtr(x1 + k, y), f);
    }
  } else if (Style == 3) {
    int start = 0;
    for (int i = 0; i <= h; ++i) {
      const int v = std::min(255, std::max(0, static_cast<int>(std::exp(double(h - 3 * i) / h) / M_E * 255)));
      if (i > h - w + 1) ++start;
      for (int k = start; k <= w; ++k)
        PutGrey(Bitmap, x1 + k, y1 + i, std::max(v, static_cast<int>(std::exp(double(k) / w) / M_E * 255)));
    }
  }
}

void IEDrawShadowBottom(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, int Style, TColor Color) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB) return;
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  if (w <= 0 || h <= 0) return;
  if (Style == 1) {
    Bitmap->FillRect(std::max(x1 + h, 0), std::max(y1, 0), std::min(x2, Bitmap->Width() - 1),
                     std::min(y2 - 1, Bitmap->Height() - 1), Color);
  } else if (Style == 2) {
    for (int k = 0; k < h; ++k) {
      const double d = (k - h) / (h / 3.0), f = std::exp(-0.1 - d * d / 6);
      for (int x = x1 + h; x <= x2 - h + k + 1; ++x)
        if (Inside(Bitmap, x, y1 + k)) Darken(*Bitmap->GetRGBPixelPtr(x, y1 + k), f);
    }
  } else if (Style == 3) {
    int start = 0;
    for (int i = 0; i <= w; ++i) {
      const int v = std::min(255, std::max(0, static_cast<int>(std::exp(double(w - 3 * i) / w) / M_E * 255)));
      if (i > w - h + 1) ++start;
      for (int k = start; k <= h; ++k)
        PutGrey(Bitmap, x1 + i, y1 + k, std::max(v, static_cast<int>(std::exp(double(k) / h) / M_E * 255)));
    }
  }
}

void IEDrawSoftShadowFrame(TIEBitmap* Bitmap, int Left, int Top, int Right, int Bottom) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB || Right <= Left || Bottom <= Top) return;
  const int64_t area = int64_t(Right - Left + 11) * (Bottom - Top + 11);
  if (area > int64_t(1) << 31) return;
  TIEBitmap m;
  m.SetLocation(ieMemory);
  if (!m.Allocate(Right - Left + 11, Bottom - Top + 11, ie8g)) return;
  m.Fill(0);
  m.FillRect(5, 5, Right - Left + 7, Bottom - Top + 7, 255);
  IEGaussBlurRect(&m, 0, 0, m.Width() - 1, m.Height() - 1, 2.5);
  for (int y = Top - 5; y <= Bottom + 5; ++y)
    for (int x = Left - 5; x <= Right + 5; ++x) {
      if (!Inside(Bitmap, x, y) || (x >= Left && x < Right && y >= Top && y < Bottom)) continue;
      const int mx = x - Left + 5, my = y - Top + 5;
      if (mx < 0 || my < 0 || mx >= m.Width() || my >= m.Height()) continue;
      Darken(*Bitmap->GetRGBPixelPtr(x, y), 1 - m.GetPixel8(mx, my) / 255.0);
    }
}

void IEBellCurve(int Count, double Low, double High, double* Values, double Sigma) {
  if (Count <= 0 || !Values) return;
  std::vector<double> g(static_cast<size_t>(Count));
  double gmax = -100000;
  for (int i = 0; i < Count; ++i) {
    const double x = double(i) / Count * 2 - 1;
    g[i] = std::exp(-Sigma * Sigma * x * x / 2) / (Sigma * std::sqrt(2 * M_PI));
    gmax = std::max(gmax, g[i]);
  }
  for (int i = 0; i < Count; ++i) Values[i] = g[i] / gmax * (High - Low) + Low;
}

void IEMakeStripeBitmap(TIEBitmap* Bitmap, int Width, int Height) {
  if (!Bitmap || !Bitmap->Allocate(Width, Height, ie24RGB)) return;
  double lv[4];
  IEBellCurve(4, 130, 255, lv, 0.5);
  for (int y = 0; y < Height; ++y) {
    const uint8_t g = static_cast<uint8_t>(lv[y % 4]);
    std::fill_n(reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y)), Width, TIERGBPixel{g, g, g});
  }
}

void IEMakeTextureBitmap(TIEBitmap* Bitmap, int Width, int Height) {
  if (!Bitmap || !Bitmap->Allocate(Width, Height, ie24RGB)) return;
  std::vector<double> col(static_cast<size_t>(Width));
  IEBellCurve(Width, 160, 208, col.data(), 3);
  std::mt19937 rnd(12345);
  int offset = 0, counter = 0, limit = static_cast<int>(rnd() % static_cast<unsigned>(Width)) + 100;
  for (int y = 0; y < Height; ++y) {
    TIERGBPixel* r = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
    for (int x = 0; x < Width; ++x) {
      const uint8_t g = static_cast<uint8_t>(std::min(255, static_cast<int>(col[x]) + offset));
      r[x] = TIERGBPixel{g, g, g};
      if (++counter > limit) {
        offset = static_cast<int>(rnd() % 11);
        counter = 0;
        limit = static_cast<int>(rnd() % static_cast<unsigned>(Width)) + 100;
      }
    }
  }
}

void IEYCbCrToRGB(TIERGBPixel& Dest, int Y, int Cb, int Cr) {
  auto lim = [](double v) { return static_cast<uint8_t>(std::clamp(static_cast<int>(v), 0, 255)); };
  Dest.r = lim(Y + 1.402 * (Cr - 128));
  Dest.g = lim(Y - 0.34414 * (Cb - 128) - 0.71414 * (Cr - 128));
  Dest.b = lim(Y + 1.772 * (Cb - 128));
}

void IEApplyOrientation(TIEBitmap* Bitmap, int Orientation) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  // Quarter turns take the alpha channel along (the flips already do).
  auto turn = [&](double angle) {
    IERotateGeneral(Bitmap, 0, nullptr, nullptr, angle);
    if (Bitmap->HasAlphaChannel()) IERotateGeneral(Bitmap->GetAlphaChannel(), 0, nullptr, nullptr, angle);
  };
  switch (Orientation) {
    case 2: IEFlipBitmap(Bitmap, 0); break;
    case 3: IEFlipBitmap(Bitmap, 1); IEFlipBitmap(Bitmap, 0); break;
    case 4: IEFlipBitmap(Bitmap, 1); break;
    // 5 is the transpose and 7 the transverse: a clockwise turn then a left-right flip maps
    // (x, y) to (y, x), the counter-clockwise one to (H-1-y, W-1-x).
    case 5: turn(-90); IEFlipBitmap(Bitmap, 0); break;
    case 6: turn(-90); break;
    case 7: turn(90); IEFlipBitmap(Bitmap, 0); break;
    case 8: turn(90); break;
    default: break;
  }
}

bool IEDirectoryExists(const std::string& Path) {
  struct stat st{};
  return !Path.empty() && ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void IEForceDirectories(const std::string& Path) {
  if (Path.empty()) throw EIEException("Cannot Create Directory");
  std::string p = Path;
  if (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  if (p.size() <= 2 || IEDirectoryExists(p)) return;
  const size_t sep = p.find_last_of("/\\");
  const std::string parent = sep == std::string::npos ? p : p.substr(0, sep);
  if (!parent.empty() && parent != p) IEForceDirectories(parent);
  ::mkdir(p.c_str(), 0777);  // a folder that cannot be made is not reported
}

int IEGetURLTypeA(const std::string& Name) {
  std::string l = Name.substr(0, 8);
  for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (l.rfind("http://", 0) == 0) return 1;
  if (l.rfind("https://", 0) == 0) return 2;
  if (l.rfind("ftp://", 0) == 0) return 3;
  return 0;
}

int IEGetURLType(const std::u16string& Name) {
  std::string a;
  for (size_t i = 0; i < Name.size() && i < 8; ++i) a += Name[i] < 128 ? static_cast<char>(Name[i]) : '?';
  return IEGetURLTypeA(a);
}

bool IEIsRemoteSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

bool IEIsMMXSupported() {
#if defined(__x86_64__) || defined(__i386__)
  return __builtin_cpu_supports("mmx");
#else
  return false;
#endif
}

double IEStrToFloatDef(const std::string& Text, double Default) {
  Extended v;
  if (TryStrToFloat(Text, v)) return static_cast<double>(v);
  std::string t = Text;
  const size_t comma = t.find(',');
  if (comma != std::string::npos) {
    t[comma] = '.';
  } else {
    const size_t dot = t.find('.');
    if (dot == std::string::npos) return Default;
    t[dot] = ',';
  }
  if (TryStrToFloat(t, v)) return static_cast<double>(v);
  return Default;
}
