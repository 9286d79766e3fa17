// Helpers for the GDI tests: a white 32-bit canvas in a memory DC and an ASCII view of its
// pixels, so pixel-exact expectations read as small pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/win/gdi_surface.h"
#include "platform/win/gdi_user.h"
#include "platform/win/pngsnap.h"

struct TCanvasDC {
  HDC dc = nullptr;
  HBITMAP bm = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  int w = 0, h = 0;

  TCanvasDC(int width, int height, int bpp = 32, bool topDown = true) : w(width), h(height) {
    struct {
      BITMAPINFOHEADER h;
      RGBQUAD pal[256];
    } bi{};
    bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, topDown ? -height : height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    if (bpp == 1) { bi.pal[0] = RGBQUAD{0, 0, 0, 0}; bi.pal[1] = RGBQUAD{255, 255, 255, 0}; }
    if (bpp == 8)
      for (int i = 0; i < 256; ++i) bi.pal[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    void* p = nullptr;
    bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bm);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~TCanvasDC() {
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
  }
  // The pixel at surface coordinates, whatever the DC's clip and mapping.
  COLORREF At(int x, int y) const {
    int saved = SaveDC(dc);
    SelectClipRgn(dc, nullptr);
    SetMapMode(dc, MM_TEXT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    COLORREF c = GetPixel(dc, x, y);
    RestoreDC(dc, saved);
    return c;
  }
  // One character per pixel: the legend's character for known colours, '?' otherwise.
  std::string Art(RECT r, const std::map<COLORREF, char>& legend) const {
    std::string s;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        auto it = legend.find(At(x, y));
        s += it == legend.end() ? '?' : it->second;
      }
      s += '\n';
    }
    return s;
  }
  std::string Art(RECT r) const { return Art(r, {{RGB(255, 255, 255), '.'}, {RGB(0, 0, 0), '#'}}); }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += At(x, y) == c;
    return n;
  }
};

// Joins picture rows written one per line in the test source.
inline std::string Pic(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) { s += r; s += '\n'; }
  return s;
}

// A fresh folder under /tmp, removed at the end of the test.
struct TTempDir {
  std::filesystem::path path;
  TTempDir() {
    char tmpl[] = "/tmp/orvanta-gdi-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TTempDir() { std::filesystem::remove_all(path); }
};
