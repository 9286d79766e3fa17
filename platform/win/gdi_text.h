// Internal interface of the text engine (gdi_text.cpp) for text output and formatted text.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>
#include <vector>

#include "platform/win/gdi_internal.h"

struct TGlyph {
  int Left = 0, Top = 0, W = 0, H = 0;  // bitmap offset from the pen position (Top: up)
  std::vector<uint8_t> Cov;             // coverage 0..255, W x H
  FT_Pos AdvX = 0, AdvY = 0;            // 26.6 pixels (whole pixels for upright text)
  int BearingX = 0, BoxW = 0;
  bool Missing = false;
};
struct TPlacedGlyph {
  char32_t Ch = 0;
  TGlyph G;
};
struct TFontFace;
struct _FcConfig;
struct _FcPattern;

// Our fontconfig setup (data/fonts.conf, or the system's when ours is missing) and the mapping
// file it was read from (empty for the system's).
_FcConfig* FontConfig();
const std::string& FontConfigFile();
// The face fontconfig chooses for a family name after our mapping; the caller destroys it.
_FcPattern* MatchFontPattern(const std::string& family, bool bold, bool italic, bool cjk);

// What a face file is, as the font enumeration and the text metrics report it.
struct TFaceFacts {
  bool Scalable = true;  // outlines, not only fixed bitmap strikes
  bool TrueType = true;  // TrueType or OpenType (sfnt) outlines
  bool FixedPitch = false;
  bool Symbol = false;        // a symbol character map instead of a Unicode one
  BYTE Family = FF_DONTCARE;  // FF_ROMAN, FF_SWISS, FF_MODERN, FF_SCRIPT, FF_DECORATIVE
};
// Spacing is fontconfig's FC_SPACING for the face (-1 when unknown).
TFaceFacts FaceFactsOf(FT_Face face, int spacing);
// tmPitchAndFamily of the facts: the family kind and the TMPF_* bits (TMPF_FIXED_PITCH set for
// a variable pitch).
BYTE TextMetricPitchAndFamily(const TFaceFacts& f);

// The face of the DC's font at the DC's scale, or null when no font file can be found.
std::shared_ptr<TFontFace> FaceOf(HDC dc);
const TEXTMETRICA* FaceMetrics(const TFontFace& f);
void LayoutText(TFontFace& f, const std::u32string& text, std::vector<TPlacedGlyph>& out);
int FaceUnderline(const TFontFace& f, int* size);  // offset below the baseline
int FaceStrike(const TFontFace& f, int* size);     // offset above the baseline
double FaceAngle(const TFontFace& f);
bool FaceRotated(const TFontFace& f);
const std::string& FaceName(const TFontFace& f, int which);

std::u32string TextToU32(const char* utf8, int bytes);      // bytes < 0: zero-terminated
std::u32string TextToU32(const char16_t* utf16, int chars);  // chars < 0: zero-terminated
std::string U32ToUtf8(const std::u32string& s);
std::u16string U32ToU16(const std::u32string& s);

// Draws or measures text already decoded (gdi_textout.cpp).
BOOL TextOutU32(HDC dc, int x, int y, UINT options, const RECT* rc, const std::u32string& text, const INT* dx);
SIZE TextExtentU32(HDC dc, const std::u32string& text);
