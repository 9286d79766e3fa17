// A font setup with one bitmap-only font, for the tests of what the font layer reports and draws
// for faces without outlines. The shipped fonts are all outline fonts, so the test program
// points the font layer at a setup of its own: Liberation (outlines) and "Orvanta Pixel", a
// 6 x 8 character-cell font written here in the text bitmap format. Including this header in a
// test program installs the setup before any font is used; the folder goes when the program ends.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace bitmap_font_setup {

// The glyph of "A" as drawn: 6 pixels wide, rows from the top of the 8-pixel cell (ascent 7).
inline const char* const kGlyphA[8] = {"......", "..##..", ".#..#.", "#....#",
                                       "######", "#....#", "#....#", "......"};

struct TSetup {
  std::filesystem::path Dir;
  TSetup() {
    char tmpl[] = "/tmp/orvanta-bitmapfont-XXXXXX";
    Dir = mkdtemp(tmpl);
    std::ofstream bdf(Dir / "pixel.bdf");
    bdf << "STARTFONT 2.1\n"
           "FONT -orvanta-Orvanta Pixel-Medium-R-Normal--8-80-75-75-C-60-ISO10646-1\n"
           "SIZE 8 75 75\nFONTBOUNDINGBOX 6 8 0 -1\n"
           "STARTPROPERTIES 10\nFAMILY_NAME \"Orvanta Pixel\"\nWEIGHT_NAME \"Medium\"\nSLANT "
           "\"R\"\n"
           "PIXEL_SIZE 8\nFONT_ASCENT 7\nFONT_DESCENT 1\nSPACING \"C\"\nDEFAULT_CHAR "
           "32\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\n"
           "CHARS 3\n";
    auto glyph = [&](const char* name, int code, const char* const rows[8]) {
      bdf << "STARTCHAR " << name << "\nENCODING " << code
          << "\nSWIDTH 750 0\nDWIDTH 6 0\nBBX 6 8 0 -1\nBITMAP\n";
      for (int y = 0; y < 8; ++y) {
        int bits = 0;
        for (int x = 0; x < 6; ++x)
          if (rows[y][x] == '#') bits |= 0x80 >> x;
        char hex[4];
        snprintf(hex, sizeof hex, "%02X", bits);
        bdf << hex << "\n";
      }
      bdf << "ENDCHAR\n";
    };
    const char* const blank[8] = {"......", "......", "......", "......",
                                  "......", "......", "......", "......"};
    const char* const x[8] = {"......", "......", "#....#", ".#..#.",
                              "..##..", ".#..#.", "#....#", "......"};
    glyph("space", 32, blank);
    glyph("A", 65, kGlyphA);
    glyph("x", 120, x);
    bdf << "ENDFONT\n";
    bdf.close();
    std::ofstream conf(Dir / "fonts.conf");
    conf << "<?xml version=\"1.0\"?>\n<fontconfig>\n"
            "  <dir>/usr/share/fonts/truetype/liberation2</dir>\n"
            "  <dir>"
         << Dir.string()
         << "</dir>\n"
            "  <cachedir>"
         << (Dir / "cache").string()
         << "</cachedir>\n"
            "</fontconfig>\n";
    conf.close();
    setenv("ORVANTA_FONTS_CONF", (Dir / "fonts.conf").c_str(), 1);
  }
  ~TSetup() { std::filesystem::remove_all(Dir); }
};

inline TSetup setup;

}  // namespace bitmap_font_setup
