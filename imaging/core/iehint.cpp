// Canvas helpers and colour tables of class-library bitmaps.
#include "imaging/core/iehint.h"

#include <algorithm>

#include "imaging/core/iebitmap.h"
#include "platform/vcl/graphics.h"
#include "platform/win/gdi_user.h"

void IEDrawEdgeRect(TCanvas* Canvas, int x1, int y1, TColor BottomRightColor, TColor TopLeftColor, int y2, int x2) {
  if (!Canvas) return;
  TPen* pen = Canvas->Pen();
  pen->SetMode(pmCopy);
  pen->SetStyle(psSolid);
  pen->SetWidth(1);
  pen->SetColor(TopLeftColor);
  Canvas->MoveTo(x1, y2);
  Canvas->LineTo(x1, y1);
  Canvas->LineTo(x2, y1);
  pen->SetColor(BottomRightColor);
  Canvas->MoveTo(x1, y2);
  Canvas->LineTo(x2, y2);
  Canvas->LineTo(x2, y1);
}

void IEDrawHintBox(TCanvas* Canvas, int& x, int& y, TColor BottomRightColor, TColor TopLeftColor, int MaxY, int MaxX,
                   TBitmap* SaveBitmap, TBrush* Brush, TFont* Font, const std::string& Text) {
  if (!Canvas) return;
  if (Font) Canvas->Font()->Assign(Font);
  if (Brush) Canvas->Brush()->Assign(Brush);
  const int w = Canvas->TextWidth(Text) + 12, h = Canvas->TextHeight(Text) + 12;
  x = std::max(x, 0);
  y = std::max(y, 0);
  x = std::min(x, MaxX - w - 1);
  y = std::min(y, MaxY - h - 1);
  if (SaveBitmap) {
    SaveBitmap->SetPixelFormat(pf24bit);
    SaveBitmap->SetSize(w, h);
    const TCopyMode mode = SaveBitmap->Canvas()->CopyMode();
    SaveBitmap->Canvas()->SetCopyMode(SRCCOPY);
    SaveBitmap->Canvas()->CopyRect(RECT{0, 0, w, h}, Canvas, RECT{x, y, x + w, y + h});
    SaveBitmap->Canvas()->SetCopyMode(mode);
  }
  Canvas->FillRect(RECT{x + 6, y + 6, x + w, y + h});
  IEDrawEdgeRect(Canvas, x + 6, y + 6, BottomRightColor, TopLeftColor, y + h - 1, x + w - 1);
  Canvas->TextOut(x + 9, y + 9, Text);
}

void IESetGrayPalette(TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return;
  RGBQUAD t[256];
  for (int i = 0; i < 256; ++i) t[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  SetDIBColorTable(Bitmap->Canvas()->Handle(), 0, 256, t);
}

bool IEIsGrayPalette(TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return false;
  RGBQUAD t[256];
  const UINT n = GetDIBColorTable(Bitmap->Canvas()->Handle(), 0, 256, t);
  for (UINT i = 0; i < n; ++i)
    if (t[i].rgbRed != i || t[i].rgbGreen != i || t[i].rgbBlue != i) return false;
  return true;
}

void IECopyTBitmapPalette(TBitmap* Bitmap, TIEBitmap* Image) {
  if (!Bitmap || !Image || Bitmap->Empty() || Bitmap->PixelFormat() != pf8bit || Image->PixelFormat() != ie8p) return;
  RGBQUAD t[256];
  const UINT n = GetDIBColorTable(Bitmap->Canvas()->Handle(), 0, 256, t);
  for (UINT i = 0; i < n; ++i) Image->SetPaletteEntry(static_cast<int>(i), TIERGBPixel{t[i].rgbBlue, t[i].rgbGreen, t[i].rgbRed});
}

bool IEIsPrimaryButtonDown() { return false; }  // the headless window layer reports no held buttons
