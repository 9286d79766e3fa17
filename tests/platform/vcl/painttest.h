// Helpers for tests that look at pixels: a window painted (WM_PAINT with a device context) into a
// 32-bit bitmap of its client size, and image lists of plain coloured squares.
#pragma once

#include <initializer_list>

#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"

class TPaintShot {
public:
  // Fills the bitmap with Background, then lets the window paint itself on it.
  explicit TPaintShot(HWND Wnd, COLORREF Background = RGB(255, 255, 255)) {
    GetClientRect(Wnd, &FRect);
    FDC = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    FBitmap = CreateDIB32(FRect.right, FRect.bottom, &bits);
    FOld = SelectObject(FDC, FBitmap);
    HBRUSH back = CreateSolidBrush(Background);
    FillRect(FDC, &FRect, back);
    DeleteObject(back);
    SendMessage(Wnd, WM_PAINT, reinterpret_cast<WPARAM>(FDC), 0);
  }
  ~TPaintShot() {
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TPaintShot(const TPaintShot&) = delete;
  TPaintShot& operator=(const TPaintShot&) = delete;
  int Width() const { return FRect.right; }
  int Height() const { return FRect.bottom; }
  COLORREF At(int X, int Y) const { return GetPixel(FDC, X, Y); }
  // The first column, from the left, where colour C shows in row Y; -1 when nowhere.
  int FirstX(COLORREF C, int Y) const {
    for (int x = 0; x < FRect.right; ++x)
      if (At(x, Y) == C) return x;
    return -1;
  }

private:
  RECT FRect{};
  HDC FDC;
  HBITMAP FBitmap;
  HGDIOBJ FOld;
};

// An image list owned by Owner with one Size x Size square per colour, in that order.
inline TImageList* SquareImages(TComponent* Owner, std::initializer_list<TColor> Colors, int Size = 16) {
  auto* il = new TImageList(Owner);
  il->SetWidth(Size);
  il->SetHeight(Size);
  for (TColor c : Colors) {
    TBitmap b;
    b.SetWidth(Size);
    b.SetHeight(Size);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(RECT{0, 0, Size, Size});
    il->Add(&b, nullptr);
  }
  return il;
}
