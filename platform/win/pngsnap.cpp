// PNG snapshots through libpng's simplified API.
#include "platform/win/pngsnap.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/win/gdi_internal.h"

bool SaveSurfaceToPng(const TGdiSurface& s, const std::string& path, bool withAlpha) {
  if (s.Width <= 0 || s.Height <= 0 || !s.Top) return false;
  int ch = withAlpha ? 4 : 3;
  std::vector<uint8_t> px(static_cast<size_t>(s.Width) * s.Height * ch);
  std::vector<uint32_t> row(static_cast<size_t>(s.Width));
  for (int y = 0; y < s.Height; ++y) {
    LoadRGBRow(s, y, 0, s.Width, row.data());
    uint8_t* o = &px[static_cast<size_t>(y) * s.Width * ch];
    for (int x = 0; x < s.Width; ++x, o += ch) {
      uint32_t v = row[x];
      o[0] = (v >> 16) & 0xFF;
      o[1] = (v >> 8) & 0xFF;
      o[2] = v & 0xFF;
      if (withAlpha) o[3] = s.BitCount == 32 ? (v >> 24) : 255;
    }
  }
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(s.Width);
  img.height = static_cast<png_uint_32>(s.Height);
  img.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  bool ok = png_image_write_to_file(&img, path.c_str(), 0, px.data(), 0, nullptr) != 0;
  png_image_free(&img);
  return ok;
}

bool SaveDCToPng(HDC dc, const std::string& path) {
  TGdiSurface* s = GetDCSurface(dc);
  return s && SaveSurfaceToPng(*s, path);
}

bool SaveBitmapToPng(HBITMAP bm, const std::string& path, bool withAlpha) {
  TGdiSurface* s = GetBitmapSurface(bm);
  return s && SaveSurfaceToPng(*s, path, withAlpha);
}

HBITMAP LoadPngToBitmap(const std::string& path) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return nullptr;
  img.format = PNG_FORMAT_BGRA;
  if (img.width == 0 || img.height == 0 || img.width > 65536 || img.height > 65536) {
    png_image_free(&img);
    return nullptr;
  }
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), static_cast<LONG>(img.width), -static_cast<LONG>(img.height), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bm) {
    png_image_free(&img);
    return nullptr;
  }
  if (!png_image_finish_read(&img, nullptr, bits, 0, nullptr)) {
    png_image_free(&img);
    DeleteObject(bm);
    return nullptr;
  }
  return bm;
}

long ComparePixels(const TGdiSurface& a, const TGdiSurface& b, int tol) {
  if (a.Width != b.Width || a.Height != b.Height) return -1;
  std::vector<uint32_t> ra(static_cast<size_t>(a.Width)), rb(static_cast<size_t>(a.Width));
  long bad = 0;
  for (int y = 0; y < a.Height; ++y) {
    LoadRGBRow(a, y, 0, a.Width, ra.data());
    LoadRGBRow(b, y, 0, b.Width, rb.data());
    for (int x = 0; x < a.Width; ++x)
      for (int k = 0; k < 3; ++k) {
        int d = static_cast<int>((ra[x] >> (8 * k)) & 0xFF) - static_cast<int>((rb[x] >> (8 * k)) & 0xFF);
        if (std::abs(d) > tol) { ++bad; break; }
      }
  }
  return bad;
}
