// Helpers shared by the imaging core tests: a fresh temporary folder for the library's temporary
// files, and deterministic pixel patterns compared row by row.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedefs.h"

// Points IETempFolder at a new folder under /tmp for the life of the object and removes it after.
class TTempFolder {
public:
  TTempFolder() {
    char tmpl[] = "/tmp/orv_imgcore_XXXXXX";
    Path = mkdtemp(tmpl);
    Path += "/";
    Saved = IETempFolder;
    IETempFolder = Path;
  }
  ~TTempFolder() {
    for (const auto& f : Files()) ::unlink((Path + f).c_str());
    ::rmdir(Path.c_str());
    IETempFolder = Saved;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(Path.c_str())) {
      while (dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) out.push_back(e->d_name);
      ::closedir(d);
    }
    return out;
  }
  std::string Path, Saved;
};

// Bytes of pixel data in one row (without the alignment padding).
inline int PixelBytes(TIEBitmap& b) { return (b.Width() * b.BitCount() + 7) / 8; }

// Writes a pattern that depends on the row, the byte and a seed into every pixel byte.
inline void PaintPattern(TIEBitmap& b, int seed = 0) {
  const int n = PixelBytes(b);
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.Scanline(y);
    for (int i = 0; i < n; ++i) row[i] = static_cast<uint8_t>((y * 131 + i * 7 + seed * 29) ^ (i >> 3));
  }
}

// True when every pixel byte carries the pattern PaintPattern wrote.
inline bool HasPattern(TIEBitmap& b, int seed = 0) {
  const int n = PixelBytes(b);
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.Scanline(y);
    for (int i = 0; i < n; ++i)
      if (row[i] != static_cast<uint8_t>((y * 131 + i * 7 + seed * 29) ^ (i >> 3))) return false;
  }
  return true;
}

inline const TIEPixelFormat kAllFormats[] = {ie1g, ie8p, ie8g, ie16g, ie24RGB, ie32f, ieCMYK, ieRGB48, ieCIELab, ie32RGB};
