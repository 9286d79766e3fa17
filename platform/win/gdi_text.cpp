// Fonts and text through FreeType and fontconfig.
//
// A font's LOGFONT is resolved, per device height, to a face file through our own fontconfig
// setup (data/fonts.conf maps the families the program names to the shipped fonts). Faces are
// shared between equal fonts and keep a cache of rendered glyphs. Metrics follow the rules a
// Windows programmer relies on: a negative height is the em size, a positive one the cell
// height (ascent + descent from the OS/2 "win" metrics); advances are whole pixels.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <unordered_map>

#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_text.h"

#ifndef ORVANTA_SOURCE_DIR
#define ORVANTA_SOURCE_DIR "."
#endif

namespace {

std::mutex& FtLock() {
  static std::mutex m;
  return m;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    FT_Init_FreeType(&l);
    return l;
  }();
  return lib;
}

std::string FindFontsConf() {
  std::vector<std::string> tries;
  if (const char* e = getenv("ORVANTA_FONTS_CONF")) tries.push_back(e);
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    std::string dir(exe);
    dir = dir.substr(0, dir.rfind('/'));
    tries.push_back(dir + "/fonts.conf");
    tries.push_back(dir + "/data/fonts.conf");
    tries.push_back(dir + "/../data/fonts.conf");
  }
  if (const char* s = getenv("ORVANTA_SOURCE_DIR")) tries.push_back(std::string(s) + "/data/fonts.conf");
  tries.push_back(std::string(ORVANTA_SOURCE_DIR) + "/data/fonts.conf");
  for (const std::string& t : tries)
    if (access(t.c_str(), R_OK) == 0) return t;
  return {};
}

std::string& LoadedConfFile() {
  static std::string path;
  return path;
}

// Our fontconfig: only the shipped fonts and our mapping; the system setup when our file is
// missing or finds no fonts.
FcConfig* Config() {
  static FcConfig* cfg = [] {
    std::string path = FindFontsConf();
    if (!path.empty()) {
      FcConfig* c = FcConfigCreate();
      if (FcConfigParseAndLoad(c, reinterpret_cast<const FcChar8*>(path.c_str()), FcTrue) && FcConfigBuildFonts(c)) {
        FcFontSet* fs = FcConfigGetFonts(c, FcSetSystem);
        if (fs && fs->nfont > 0) {
          LoadedConfFile() = path;
          std::atexit([] { FcConfigDestroy(Config()); FcFini(); });
          return c;
        }
      }
      FcConfigDestroy(c);
    }
    return FcInitLoadConfigAndFonts();
  }();
  return cfg;
}

struct TFaceFile {
  std::string Path;
  int Index = 0;
  bool Bold = false;
  bool Italic = false;
  int Spacing = -1;  // fontconfig's FC_SPACING; -1 when it does not say
  std::string Family;
};

TFaceFile MatchFace(const std::string& family, bool bold, bool italic, bool cjk) {
  FcPattern* m = MatchFontPattern(family, bold, italic, cjk);
  TFaceFile f;
  if (m) {
    FcChar8* file = nullptr;
    FcChar8* fam = nullptr;
    int idx = 0, w = FC_WEIGHT_REGULAR, sl = FC_SLANT_ROMAN;
    if (FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch) f.Path = reinterpret_cast<char*>(file);
    if (FcPatternGetString(m, FC_FAMILY, 0, &fam) == FcResultMatch) f.Family = reinterpret_cast<char*>(fam);
    FcPatternGetInteger(m, FC_INDEX, 0, &idx);
    FcPatternGetInteger(m, FC_WEIGHT, 0, &w);
    FcPatternGetInteger(m, FC_SLANT, 0, &sl);
    FcPatternGetInteger(m, FC_SPACING, 0, &f.Spacing);
    f.Index = idx;
    f.Bold = w >= FC_WEIGHT_DEMIBOLD;
    f.Italic = sl != FC_SLANT_ROMAN;
    FcPatternDestroy(m);
  }
  return f;
}

int Round26(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

}  // namespace

FcConfig* FontConfig() { return Config(); }
const std::string& FontConfigFile() {
  Config();
  return LoadedConfFile();
}

FcPattern* MatchFontPattern(const std::string& family, bool bold, bool italic, bool cjk) {
  FcConfig* cfg = Config();
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(
      p, FC_FAMILY,
      reinterpret_cast<const FcChar8*>(family.empty() ? "sans-serif" : family.c_str()));
  if (cjk) FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddInteger(p, FC_WIDTH, FC_WIDTH_NORMAL);
  FcConfigSubstitute(cfg, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult res;
  FcPattern* m = FcFontMatch(cfg, p, &res);
  FcPatternDestroy(p);
  return m;
}

namespace {
// The family kind from the face's own classification: the PANOSE digits first (family type,
// serif style, proportion), then the IBM font class of the OS/2 table.
BYTE FamilyKind(const TT_OS2* os2) {
  if (!os2 || os2->version == 0xFFFF) return FF_DONTCARE;
  const FT_Byte* pan = os2->panose;
  if (pan[0] == 2 && pan[3] == 9) return FF_MODERN;  // Latin text, monospaced
  if (pan[0] == 2 && pan[1] >= 2 && pan[1] <= 10) return FF_ROMAN;
  if (pan[0] == 2 && pan[1] >= 11 && pan[1] <= 15) return FF_SWISS;
  if (pan[0] == 3) return FF_SCRIPT;
  if (pan[0] == 4 || pan[0] == 5) return FF_DECORATIVE;
  int ibm = os2->sFamilyClass >> 8;
  if ((ibm >= 1 && ibm <= 5) || ibm == 7) return FF_ROMAN;
  if (ibm == 8) return FF_SWISS;
  if (ibm == 10) return FF_SCRIPT;
  if (ibm == 9 || ibm == 12) return FF_DECORATIVE;
  return FF_DONTCARE;
}
}  // namespace

TFaceFacts FaceFactsOf(FT_Face face, int spacing) {
  TFaceFacts f;
  f.Scalable = FT_IS_SCALABLE(face);
  f.TrueType = f.Scalable && FT_IS_SFNT(face);
  // Fixed pitch: one advance for every glyph (fontconfig's mono or character-cell spacing, or
  // the file's own flag). Dual-width faces (half and full width) are not fixed pitch.
  f.FixedPitch = spacing >= FC_MONO || FT_IS_FIXED_WIDTH(face);
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL) f.Symbol = true;
  f.Family = f.FixedPitch ? BYTE{FF_MODERN} : FamilyKind(os2);
  return f;
}

BYTE TextMetricPitchAndFamily(const TFaceFacts& f) {
  // Deliberate: the "fixed pitch" bit is set for variable-pitch fonts, as callers expect.
  return static_cast<BYTE>(f.Family | (f.FixedPitch ? 0 : TMPF_FIXED_PITCH) |
                           (f.Scalable ? TMPF_VECTOR : 0) | (f.TrueType ? TMPF_TRUETYPE : 0));
}

// One resolved face at one size: the FreeType face, its metrics and its glyph cache.
struct TFontFace {
  std::mutex Lock;
  FT_Face Face = nullptr;
  TFaceFile File;
  std::string RequestedName;
  LOGFONTA Lf{};
  int PpemY = 0;
  double ScaleY = 0, ScaleX = 0;  // pixels per font unit
  bool SynthBold = false, SynthItalic = false;
  bool Mono = false;
  bool Rotated = false;
  double Angle = 0;  // escapement in radians
  TEXTMETRICA Tm{};
  int UnderlinePos = 0, UnderlineSize = 1, StrikePos = 0, StrikeSize = 1;
  std::unordered_map<char32_t, TGlyph> Glyphs;
  std::shared_ptr<TFontFace> Fallback;  // for characters the face lacks (CJK)
  bool FallbackTried = false;
  std::string Names[4];  // family, face, style, full

  ~TFontFace() {
    std::lock_guard<std::mutex> g(FtLock());
    if (Face) FT_Done_Face(Face);
  }
};

namespace {

std::shared_ptr<TFontFace> OpenFace(const LOGFONTA& lf, int deviceHeight, bool forceCjk);

// The common text metrics of a face at its chosen size.
void InitTextMetrics(TFontFace& f, const LOGFONTA& lf, TEXTMETRICA& tm) {
  tm.tmWeight = lf.lfWeight ? lf.lfWeight : (f.File.Bold ? FW_BOLD : FW_NORMAL);
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 30;
  tm.tmLastChar = 255;
  tm.tmDefaultChar = 31;
  tm.tmBreakChar = 32;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  tm.tmPitchAndFamily = TextMetricPitchAndFamily(FaceFactsOf(f.Face, f.File.Spacing));
  tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? static_cast<BYTE>(ANSI_CHARSET) : lf.lfCharSet;
}

void InitFaceNames(TFontFace& f, const std::string& requested) {
  FT_Face face = f.Face;
  f.Names[0] = face->family_name ? face->family_name : "";
  f.Names[2] = face->style_name ? face->style_name : "";
  f.Names[1] = requested.empty() ? f.Names[0] : requested;
  f.Names[3] = f.Names[0] + (f.Names[2].empty() || f.Names[2] == "Regular" || f.Names[2] == "Book"
                                 ? ""
                                 : " " + f.Names[2]);
}

// A face made of bitmap strikes only (no outlines): the strike nearest the wanted height is
// used as it is, and the metrics come from that strike. False when the face has no strike.
bool InitBitmapFace(TFontFace& f, const LOGFONTA& lf, int height, const std::string& requested) {
  FT_Face face = f.Face;
  if (face->num_fixed_sizes <= 0) return false;
  int want = height == 0 ? 12 : std::abs(height);
  int best = 0;
  for (int i = 1; i < face->num_fixed_sizes; ++i)
    if (std::abs(face->available_sizes[i].height - want) <
        std::abs(face->available_sizes[best].height - want))
      best = i;
  if (FT_Select_Size(face, best) != 0) return false;
  const FT_Size_Metrics& m = face->size->metrics;
  f.PpemY = std::max(1, static_cast<int>(m.y_ppem));
  f.ScaleY = f.ScaleX = 0;  // no font units: outline queries are refused for such faces
  TEXTMETRICA& tm = f.Tm;
  tm.tmAscent = Round26(m.ascender);
  tm.tmDescent = Round26(-m.descender);
  tm.tmHeight = std::max<LONG>(face->available_sizes[best].height, tm.tmAscent + tm.tmDescent);
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - f.PpemY);
  tm.tmExternalLeading = 0;
  tm.tmMaxCharWidth = Round26(m.max_advance);
  tm.tmAveCharWidth = tm.tmMaxCharWidth;
  FT_UInt x = FT_Get_Char_Index(face, 'x');
  if (x && FT_Load_Glyph(face, x, FT_LOAD_DEFAULT) == 0)
    tm.tmAveCharWidth = Round26(face->glyph->advance.x);
  InitTextMetrics(f, lf, tm);
  f.UnderlineSize = f.StrikeSize = 1;
  f.UnderlinePos = std::max<int>(1, tm.tmDescent / 2);
  f.StrikePos = std::max<int>(1, tm.tmAscent / 3);
  InitFaceNames(f, requested);
  return true;
}

// Loads the face and computes its metrics; false when the file cannot be opened.
bool InitFace(TFontFace& f, const LOGFONTA& lf, int height, bool cjk) {
  f.Lf = lf;
  std::string name(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  f.RequestedName = name;
  bool bold = lf.lfWeight >= FW_SEMIBOLD;
  bool italic = lf.lfItalic != 0;
  bool wantCjk = cjk || lf.lfCharSet == GB2312_CHARSET || lf.lfCharSet == CHINESEBIG5_CHARSET;
  f.File = MatchFace(name, bold, italic, wantCjk && name.empty());
  if (f.File.Path.empty()) return false;
  {
    std::lock_guard<std::mutex> g(FtLock());
    if (FT_New_Face(Library(), f.File.Path.c_str(), f.File.Index, &f.Face) != 0) {
      f.Face = nullptr;
      return false;
    }
  }
  FT_Face face = f.Face;
  f.SynthBold = bold && !f.File.Bold;
  f.SynthItalic = italic && !f.File.Italic;
  f.Mono = lf.lfQuality == NONANTIALIASED_QUALITY;
  if (!FT_IS_SCALABLE(face)) return InitBitmapFace(f, lf, height, name);
  double upem = face->units_per_EM ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  double winA = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
  double winD = os2 && os2->usWinDescent ? os2->usWinDescent : -face->descender;
  if (height == 0) height = -12;
  double ppem = height < 0 ? -static_cast<double>(height) : height * upem / (winA + winD);
  ppem = std::clamp(ppem, 1.0, 4096.0);
  f.PpemY = static_cast<int>(std::lround(ppem));
  f.ScaleY = ppem / upem;
  double ppemX = ppem;
  if (lf.lfWidth != 0 && os2 && os2->xAvgCharWidth > 0) {
    double natural = os2->xAvgCharWidth * f.ScaleY;
    ppemX = std::clamp(ppem * std::abs(lf.lfWidth) / natural, 1.0, 4096.0);
  }
  f.ScaleX = ppemX / upem;
  FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(ppemX * 64)), static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72);
  if (lf.lfEscapement % 3600 != 0) {
    f.Rotated = true;
    f.Angle = lf.lfEscapement / 10.0 * 3.14159265358979323846 / 180.0;
    FT_Matrix m;
    m.xx = static_cast<FT_Fixed>(std::lround(std::cos(f.Angle) * 65536));
    m.xy = static_cast<FT_Fixed>(std::lround(-std::sin(f.Angle) * 65536));
    m.yx = static_cast<FT_Fixed>(std::lround(std::sin(f.Angle) * 65536));
    m.yy = m.xx;
    FT_Set_Transform(face, &m, nullptr);
  }
  TEXTMETRICA& tm = f.Tm;
  tm.tmAscent = static_cast<LONG>(std::lround(winA * f.ScaleY));
  tm.tmDescent = static_cast<LONG>(std::lround(winD * f.ScaleY));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - f.PpemY);
  double lineGap = hhea ? (hhea->Ascender - hhea->Descender + hhea->Line_Gap) - (winA + winD) : 0;
  tm.tmExternalLeading = std::max<LONG>(0, static_cast<LONG>(std::lround(lineGap * f.ScaleY)));
  tm.tmAveCharWidth = os2 ? static_cast<LONG>(std::lround(os2->xAvgCharWidth * f.ScaleX)) : f.PpemY / 2;
  tm.tmMaxCharWidth = static_cast<LONG>(std::lround(face->max_advance_width * f.ScaleX));
  if (f.SynthBold) {
    tm.tmAveCharWidth += 1;
    tm.tmMaxCharWidth += 1;
  }
  InitTextMetrics(f, lf, tm);
  double ulPos = post ? -post->underlinePosition : upem / 10.0;
  double ulSize = post && post->underlineThickness ? post->underlineThickness : upem / 20.0;
  f.UnderlinePos = static_cast<int>(std::lround(ulPos * f.ScaleY));
  f.UnderlineSize = std::max(1, static_cast<int>(std::lround(ulSize * f.ScaleY)));
  double stPos = os2 && os2->yStrikeoutPosition ? os2->yStrikeoutPosition : upem * 0.26;
  double stSize = os2 && os2->yStrikeoutSize ? os2->yStrikeoutSize : ulSize;
  f.StrikePos = static_cast<int>(std::lround(stPos * f.ScaleY));
  f.StrikeSize = std::max(1, static_cast<int>(std::lround(stSize * f.ScaleY)));
  InitFaceNames(f, name);
  return true;
}

std::string FaceKey(const LOGFONTA& lf, int height, bool cjk) {
  LOGFONTA k = lf;
  k.lfHeight = height;
  std::string s(reinterpret_cast<const char*>(&k), offsetof(LOGFONTA, lfFaceName));
  s.append(k.lfFaceName, strnlen(k.lfFaceName, LF_FACESIZE));
  s.push_back(cjk ? '1' : '0');
  return s;
}

std::shared_ptr<TFontFace> OpenFace(const LOGFONTA& lf, int height, bool cjk) {
  static std::mutex m;
  static std::map<std::string, std::shared_ptr<TFontFace>> cache;
  std::string key = FaceKey(lf, height, cjk);
  std::lock_guard<std::mutex> g(m);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  auto f = std::make_shared<TFontFace>();
  if (!InitFace(*f, lf, height, cjk)) return nullptr;
  if (cache.size() > 256) {
    for (auto i = cache.begin(); i != cache.end();)
      i = i->second.use_count() == 1 ? cache.erase(i) : std::next(i);
  }
  cache[key] = f;
  return f;
}

// Renders (or finds) the glyph of a character. Caller holds f.Lock.
const TGlyph* GlyphOf(TFontFace& f, char32_t ch) {
  auto it = f.Glyphs.find(ch);
  if (it != f.Glyphs.end()) return &it->second;
  TGlyph g;
  FT_Face face = f.Face;
  FT_UInt index = FT_Get_Char_Index(face, ch);
  g.Missing = index == 0 && ch >= 0x80;
  // Outlines even where a face carries bitmap strikes too; a bitmap-only face gives its bitmaps.
  FT_Int32 flags = (FT_IS_SCALABLE(face) ? FT_LOAD_NO_BITMAP : FT_LOAD_DEFAULT) |
                   (f.Mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(face, index, flags) == 0) {
    FT_GlyphSlot slot = face->glyph;
    if (f.SynthItalic) {
      FT_Matrix shear{0x10000, static_cast<FT_Fixed>(0.2 * 0x10000), 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (f.SynthBold) FT_Outline_Embolden(&slot->outline, 64);
    g.AdvX = slot->advance.x;
    g.AdvY = slot->advance.y;
    if (!f.Rotated) g.AdvX = static_cast<FT_Pos>(Round26(slot->advance.x)) * 64;
    if (f.SynthBold) {
      g.AdvX += static_cast<FT_Pos>(std::lround(64 * std::cos(f.Angle)));
      g.AdvY += static_cast<FT_Pos>(std::lround(64 * std::sin(f.Angle)));
    }
    g.BearingX = Round26(slot->metrics.horiBearingX);
    g.BoxW = Round26(slot->metrics.width) + (f.SynthBold ? 1 : 0);
    if (FT_Render_Glyph(slot, f.Mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0) {
      const FT_Bitmap& bm = slot->bitmap;
      g.Left = slot->bitmap_left;
      g.Top = slot->bitmap_top;
      g.W = static_cast<int>(bm.width);
      g.H = static_cast<int>(bm.rows);
      g.Cov.resize(static_cast<size_t>(g.W) * g.H);
      for (int y = 0; y < g.H; ++y) {
        const uint8_t* row = bm.buffer + y * bm.pitch;
        for (int x = 0; x < g.W; ++x)
          g.Cov[static_cast<size_t>(y) * g.W + x] =
              bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : row[x];
      }
    }
  }
  return &f.Glyphs.emplace(ch, std::move(g)).first->second;
}

std::u32string Utf8ToU32(const char* s, size_t n) {
  std::u32string out;
  out.reserve(n);
  for (size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    int len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c >> 5) == 6) { cp = c & 0x1F; len = 2; }
    else if ((c >> 4) == 14) { cp = c & 0x0F; len = 3; }
    else if ((c >> 3) == 30) { cp = c & 0x07; len = 4; }
    else { out.push_back(0xFFFD); ++i; continue; }
    if (i + len > n) { out.push_back(0xFFFD); break; }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc >> 6) != 2) { ok = false; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) { out.push_back(0xFFFD); ++i; continue; }
    out.push_back(cp);
    i += len;
  }
  return out;
}

}  // namespace

std::u32string TextToU32(const char* s, int bytes) {
  if (!s) return {};
  size_t n = bytes < 0 ? std::strlen(s) : static_cast<size_t>(bytes);
  return Utf8ToU32(s, n);
}

std::u32string TextToU32(const char16_t* s, int chars) {
  std::u32string out;
  if (!s) return out;
  size_t n = 0;
  if (chars < 0) while (s[n]) ++n;
  else n = static_cast<size_t>(chars);
  for (size_t i = 0; i < n; ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

std::string U32ToUtf8(const std::u32string& s) {
  std::string o;
  for (char32_t c : s) {
    if (c < 0x80) o.push_back(static_cast<char>(c));
    else if (c < 0x800) { o.push_back(static_cast<char>(0xC0 | (c >> 6))); o.push_back(static_cast<char>(0x80 | (c & 0x3F))); }
    else if (c < 0x10000) { o.push_back(static_cast<char>(0xE0 | (c >> 12))); o.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F))); o.push_back(static_cast<char>(0x80 | (c & 0x3F))); }
    else { o.push_back(static_cast<char>(0xF0 | (c >> 18))); o.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F))); o.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F))); o.push_back(static_cast<char>(0x80 | (c & 0x3F))); }
  }
  return o;
}

std::u16string U32ToU16(const std::u32string& s) {
  std::u16string o;
  for (char32_t c : s) {
    if (c >= 0x10000) {
      c -= 0x10000;
      o.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      o.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      o.push_back(static_cast<char16_t>(c));
    }
  }
  return o;
}

void DestroyFontFace(TGdiFontObj* f) {
  std::lock_guard<std::mutex> g(f->FaceLock);
  f->Face.reset();
}

// ---- Fonts ----
HFONT CreateFontIndirect(const LOGFONTA* lf) {
  if (!lf) return nullptr;
  auto* f = new TGdiFontObj;
  f->Lf = *lf;
  f->Lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(GdiRegister(f, OBJ_FONT));
}

HFONT CreateFont(int height, int width, int esc, int orient, int weight, DWORD italic, DWORD underline, DWORD strike, DWORD charset, DWORD outp, DWORD clipp, DWORD quality, DWORD pitch, LPCSTR face) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = esc;
  lf.lfOrientation = orient;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfStrikeOut = strike ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(charset);
  lf.lfOutPrecision = static_cast<BYTE>(outp);
  lf.lfClipPrecision = static_cast<BYTE>(clipp);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
  if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

std::shared_ptr<TFontFace> FaceOf(HDC dc) {
  auto* fo = GdiAs<TGdiFontObj>(dc->S.Font, OBJ_FONT);
  if (!fo) fo = GdiAs<TGdiFontObj>(GetStockObject(SYSTEM_FONT), OBJ_FONT);
  if (!fo) return nullptr;
  int h = fo->Lf.lfHeight;
  int dh = dc->ScaleY(std::abs(h));
  if (h < 0) dh = -dh;
  std::lock_guard<std::mutex> g(fo->FaceLock);
  std::shared_ptr<TFontFace> f = OpenFace(fo->Lf, dh, false);
  if (!f) {
    LOGFONTA lf = fo->Lf;
    lf.lfFaceName[0] = 0;
    f = OpenFace(lf, dh, false);
  }
  fo->Face = f;
  return f;
}

const TEXTMETRICA* FaceMetrics(const TFontFace& f) { return &f.Tm; }

// Shapes a run: each character's glyph, its face (the fallback for missing CJK characters)
// and its advance in 26.6 pixels.
void LayoutText(TFontFace& f, const std::u32string& text, std::vector<TPlacedGlyph>& out) {
  out.clear();
  out.reserve(text.size());
  for (char32_t ch : text) {
    TPlacedGlyph p;
    p.Ch = ch;
    {
      std::lock_guard<std::mutex> g(f.Lock);
      p.G = *GlyphOf(f, ch);
    }
    if (p.G.Missing) {
      std::shared_ptr<TFontFace> fb;
      {
        std::lock_guard<std::mutex> g(f.Lock);
        if (!f.FallbackTried) {
          f.FallbackTried = true;
          LOGFONTA lf = f.Lf;
          std::strcpy(lf.lfFaceName, "WenQuanYi Zen Hei");
          f.Fallback = OpenFace(lf, -f.PpemY, true);
        }
        fb = f.Fallback;
      }
      if (fb && fb.get() != &f) {
        std::lock_guard<std::mutex> g(fb->Lock);
        const TGlyph* fg = GlyphOf(*fb, ch);
        if (!fg->Missing) p.G = *fg;
      }
    }
    out.push_back(std::move(p));
  }
}

int FaceUnderline(const TFontFace& f, int* size) { *size = f.UnderlineSize; return f.UnderlinePos; }
int FaceStrike(const TFontFace& f, int* size) { *size = f.StrikeSize; return f.StrikePos; }
double FaceAngle(const TFontFace& f) { return f.Angle; }
bool FaceRotated(const TFontFace& f) { return f.Rotated; }
const std::string& FaceName(const TFontFace& f, int which) { return f.Names[which]; }

// ---- Metrics ----
BOOL GetTextMetrics(HDC dc, TEXTMETRICA* tm) {
  if (!ValidDC(dc) || !tm) return FALSE;
  auto f = FaceOf(dc);
  if (!f) return FALSE;
  *tm = f->Tm;
  // Back to logical units.
  if (!dc->Identity()) {
    auto L = [&](LONG v) { return static_cast<LONG>(static_cast<int64_t>(v) * std::abs(dc->S.WindowExt.cy) / std::max(1, std::abs(dc->S.ViewportExt.cy))); };
    tm->tmHeight = L(tm->tmHeight); tm->tmAscent = L(tm->tmAscent); tm->tmDescent = L(tm->tmDescent);
    tm->tmInternalLeading = L(tm->tmInternalLeading); tm->tmExternalLeading = L(tm->tmExternalLeading);
    tm->tmAveCharWidth = L(tm->tmAveCharWidth); tm->tmMaxCharWidth = L(tm->tmMaxCharWidth);
  }
  return TRUE;
}

int GetTextFace(HDC dc, int size, LPSTR out) {
  if (!ValidDC(dc)) return 0;
  auto f = FaceOf(dc);
  if (!f) return 0;
  const std::string& n = f->Names[1];
  if (!out) return static_cast<int>(n.size()) + 1;
  if (size <= 0) return 0;
  size_t k = std::min(n.size(), static_cast<size_t>(size - 1));
  std::memcpy(out, n.data(), k);
  out[k] = 0;
  return static_cast<int>(k);
}

namespace {
// The glyphs of the characters first..last in the DC's font; false on bad arguments.
bool GlyphRange(HDC dc, UINT first, UINT last, const void* out, std::vector<TPlacedGlyph>& g) {
  if (!ValidDC(dc) || !out || last < first || last - first > 0x10FFFF) return false;
  auto f = FaceOf(dc);
  if (!f) return false;
  std::u32string s;
  for (UINT c = first; c <= last; ++c) s.push_back(c);
  LayoutText(*f, s, g);
  return true;
}
}  // namespace

BOOL GetCharWidth32(HDC dc, UINT first, UINT last, INT* widths) {
  std::vector<TPlacedGlyph> g;
  if (!GlyphRange(dc, first, last, widths, g)) return FALSE;
  for (size_t i = 0; i < g.size(); ++i) widths[i] = Round26(g[i].G.AdvX);
  return TRUE;
}

BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* out) {
  std::vector<TPlacedGlyph> g;
  if (!GlyphRange(dc, first, last, out, g)) return FALSE;
  for (size_t i = 0; i < g.size(); ++i) {
    int adv = Round26(g[i].G.AdvX);
    out[i].abcA = g[i].G.BearingX;
    out[i].abcB = static_cast<UINT>(std::max(0, g[i].G.BoxW));
    out[i].abcC = adv - out[i].abcA - static_cast<int>(out[i].abcB);
  }
  return TRUE;
}

UINT GetOutlineTextMetrics(HDC dc, UINT size, OUTLINETEXTMETRICA* otm) {
  if (!ValidDC(dc)) return 0;
  auto f = FaceOf(dc);
  if (!f) return 0;
  if (!FT_IS_SCALABLE(f->Face)) return 0;  // a bitmap face has no outline metrics
  if (!otm) return sizeof(OUTLINETEXTMETRICA);
  if (size < sizeof(OUTLINETEXTMETRICA)) return 0;
  std::lock_guard<std::mutex> g(f->Lock);
  FT_Face face = f->Face;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  OUTLINETEXTMETRICA o{};
  o.otmSize = sizeof o;
  o.otmTextMetrics = f->Tm;
  if (os2) std::memcpy(&o.otmPanoseNumber, os2->panose, sizeof o.otmPanoseNumber);
  o.otmfsSelection = os2 ? os2->fsSelection : 0;
  o.otmfsType = os2 ? os2->fsType : 0;
  o.otmsCharSlopeRise = 1;
  o.otmsCharSlopeRun = 0;
  o.otmItalicAngle = post ? static_cast<int>(std::lround((post->italicAngle / 65536.0) * 10)) : 0;
  o.otmEMSquare = face->units_per_EM;
  auto S = [&](double v) { return static_cast<int>(std::lround(v * f->ScaleY)); };
  o.otmAscent = S(os2 ? os2->sTypoAscender : face->ascender);
  o.otmDescent = S(os2 ? os2->sTypoDescender : face->descender);
  o.otmLineGap = static_cast<UINT>(std::max(0, S(os2 ? os2->sTypoLineGap : 0)));
  o.otmsCapEmHeight = static_cast<UINT>(std::max(0, S(os2 && os2->version >= 2 ? os2->sCapHeight : face->ascender * 0.7)));
  o.otmsXHeight = static_cast<UINT>(std::max(0, S(os2 && os2->version >= 2 ? os2->sxHeight : face->ascender * 0.5)));
  o.otmrcFontBox = RECT{S(face->bbox.xMin), S(face->bbox.yMax), S(face->bbox.xMax), S(face->bbox.yMin)};
  o.otmMacAscent = S(hhea ? hhea->Ascender : face->ascender);
  o.otmMacDescent = S(hhea ? hhea->Descender : face->descender);
  o.otmMacLineGap = static_cast<UINT>(std::max(0, S(hhea ? hhea->Line_Gap : 0)));
  o.otmusMinimumPPEM = 9;
  if (os2) {
    o.otmptSubscriptSize = POINT{S(os2->ySubscriptXSize), S(os2->ySubscriptYSize)};
    o.otmptSubscriptOffset = POINT{S(os2->ySubscriptXOffset), S(os2->ySubscriptYOffset)};
    o.otmptSuperscriptSize = POINT{S(os2->ySuperscriptXSize), S(os2->ySuperscriptYSize)};
    o.otmptSuperscriptOffset = POINT{S(os2->ySuperscriptXOffset), S(os2->ySuperscriptYOffset)};
  }
  o.otmsStrikeoutSize = static_cast<UINT>(f->StrikeSize);
  o.otmsStrikeoutPosition = f->StrikePos;
  o.otmsUnderscoreSize = f->UnderlineSize;
  o.otmsUnderscorePosition = -f->UnderlinePos;
  o.otmpFamilyName = f->Names[0].c_str();
  o.otmpFaceName = f->Names[1].c_str();
  o.otmpStyleName = f->Names[2].c_str();
  o.otmpFullName = f->Names[3].c_str();
  *otm = o;
  return sizeof o;
}

namespace {
FIXED ToFixed(double v) {
  int32_t x = static_cast<int32_t>(std::lround(v * 65536));
  FIXED f;
  f.value = static_cast<short>(x >> 16);
  f.fract = static_cast<WORD>(x & 0xFFFF);
  return f;
}
}  // namespace

DWORD GetGlyphOutline(HDC dc, UINT ch, UINT format, GLYPHMETRICS* gm, DWORD size, void* buffer, const MAT2*) {
  if (!ValidDC(dc) || !gm) return GDI_ERROR;
  auto f = FaceOf(dc);
  if (!f) return GDI_ERROR;
  bool byIndex = format & GGO_GLYPH_INDEX;
  format &= ~GGO_GLYPH_INDEX;
  std::lock_guard<std::mutex> g(f->Lock);
  FT_Face face = f->Face;
  FT_UInt index = byIndex ? ch : FT_Get_Char_Index(face, ch);
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | (format == GGO_NATIVE ? FT_LOAD_NO_HINTING : 0)) != 0) return GDI_ERROR;
  FT_GlyphSlot slot = face->glyph;
  if (f->SynthBold) FT_Outline_Embolden(&slot->outline, 64);
  FT_BBox box;
  FT_Outline_Get_CBox(&slot->outline, &box);
  int x0 = static_cast<int>(box.xMin >> 6), y1 = static_cast<int>((box.yMax + 63) >> 6);
  int x1 = static_cast<int>((box.xMax + 63) >> 6), y0 = static_cast<int>(box.yMin >> 6);
  gm->gmBlackBoxX = static_cast<UINT>(std::max(1, x1 - x0));
  gm->gmBlackBoxY = static_cast<UINT>(std::max(1, y1 - y0));
  gm->gmptGlyphOrigin = POINT{x0, y1};
  gm->gmCellIncX = static_cast<short>(Round26(slot->advance.x));
  gm->gmCellIncY = static_cast<short>(Round26(slot->advance.y));
  if (format == GGO_METRICS) return 0;
  if (format == GGO_BITMAP || format == GGO_GRAY8_BITMAP) {
    bool mono = format == GGO_BITMAP;
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return GDI_ERROR;
    const FT_Bitmap& bm = slot->bitmap;
    int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
    gm->gmBlackBoxX = static_cast<UINT>(std::max(1, w));
    gm->gmBlackBoxY = static_cast<UINT>(std::max(1, h));
    gm->gmptGlyphOrigin = POINT{slot->bitmap_left, slot->bitmap_top};
    DWORD pitch = mono ? ((gm->gmBlackBoxX + 31) / 32) * 4 : ((gm->gmBlackBoxX + 3) / 4) * 4;
    DWORD need = pitch * gm->gmBlackBoxY;
    if (!buffer || size == 0) return need;
    if (size < need) return GDI_ERROR;
    auto* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0, need);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* row = bm.buffer + y * bm.pitch;
        if (mono) {
          if ((row[x >> 3] >> (7 - (x & 7))) & 1) out[y * pitch + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
        } else {
          out[y * pitch + x] = static_cast<uint8_t>((row[x] * 64 + 127) / 255);  // 65 levels
        }
      }
    return need;
  }
  if (format != GGO_NATIVE) return GDI_ERROR;
  // Quadratic outline records in 16.16 pixels.
  std::vector<uint8_t> data;
  FT_Outline& ol = slot->outline;
  int start = 0;
  auto put = [&](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data.insert(data.end(), b, b + n);
  };
  for (int c = 0; c < ol.n_contours; ++c) {
    int end = ol.contours[c];
    size_t headerAt = data.size();
    TTPOLYGONHEADER hdr{};
    hdr.dwType = TT_POLYGON_TYPE;
    auto pt = [&](int i) { return POINTFX{ToFixed(ol.points[i].x / 64.0), ToFixed(ol.points[i].y / 64.0)}; };
    hdr.pfxStart = pt(start);
    put(&hdr, sizeof hdr);
    // Each point after the start becomes a line or part of a q-spline record.
    int i = start + 1;
    while (i <= end + 1) {
      int idx = i > end ? start : i;
      bool on = ol.tags[idx] & 1;
      std::vector<POINTFX> pts;
      WORD type = on ? TT_PRIM_LINE : TT_PRIM_QSPLINE;
      while (i <= end + 1) {
        int k = i > end ? start : i;
        bool kon = ol.tags[k] & 1;
        if (type == TT_PRIM_LINE && !kon) break;
        pts.push_back(pt(k));
        ++i;
        if (type == TT_PRIM_QSPLINE && kon) break;
      }
      if (pts.empty()) break;
      WORD n = static_cast<WORD>(pts.size());
      put(&type, 2);
      put(&n, 2);
      put(pts.data(), pts.size() * sizeof(POINTFX));
    }
    DWORD cb = static_cast<DWORD>(data.size() - headerAt);
    std::memcpy(data.data() + headerAt, &cb, 4);
    start = end + 1;
  }
  if (!buffer || size == 0) return static_cast<DWORD>(data.size());
  if (size < data.size()) return GDI_ERROR;
  std::memcpy(buffer, data.data(), data.size());
  return static_cast<DWORD>(data.size());
}

namespace {
uint32_t BE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
void PutBE32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = x >> 24; v[at + 1] = (x >> 16) & 0xFF; v[at + 2] = (x >> 8) & 0xFF; v[at + 3] = x & 0xFF;
}

// The font file of one face: the file itself, or a single-face font cut out of a collection.
std::vector<uint8_t> FaceFileBytes(const std::string& path, int index) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 12 || std::memcmp(file.data(), "ttcf", 4) != 0) return file;
  uint32_t count = BE32(&file[8]);
  if (static_cast<uint32_t>(index) >= count || 12 + 4 * static_cast<size_t>(index + 1) > file.size()) return {};
  uint32_t off = BE32(&file[12 + 4 * index]);
  if (off + 12 > file.size()) return {};
  uint16_t tables = BE16(&file[off + 4]);
  if (off + 12 + 16ull * tables > file.size()) return {};
  std::vector<uint8_t> out(file.begin() + off, file.begin() + off + 12 + 16 * tables);
  for (uint16_t t = 0; t < tables; ++t) {
    size_t rec = 12 + 16 * t;
    uint32_t toff = BE32(&out[rec + 8]), len = BE32(&out[rec + 12]);
    if (static_cast<uint64_t>(toff) + len > file.size()) return {};
    while (out.size() % 4) out.push_back(0);
    PutBE32(out, rec + 8, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), file.begin() + toff, file.begin() + toff + len);
  }
  while (out.size() % 4) out.push_back(0);
  return out;
}
}  // namespace

DWORD GetFontData(HDC dc, DWORD table, DWORD offset, void* buffer, DWORD size) {
  if (!ValidDC(dc)) return GDI_ERROR;
  auto f = FaceOf(dc);
  if (!f || !FT_IS_SFNT(f->Face))
    return GDI_ERROR;  // font tables exist in TrueType/OpenType files only
  std::vector<uint8_t> data;
  if (table == 0) {
    data = FaceFileBytes(f->File.Path, f->File.Index);
  } else {
    // The tag as its four bytes in memory order ('glyf' -> 'g' first).
    FT_ULong tag = FT_MAKE_TAG(table & 0xFF, (table >> 8) & 0xFF, (table >> 16) & 0xFF, table >> 24);
    std::lock_guard<std::mutex> g(f->Lock);
    FT_ULong len = 0;
    if (FT_Load_Sfnt_Table(f->Face, tag, 0, nullptr, &len) != 0) return GDI_ERROR;
    data.resize(len);
    if (FT_Load_Sfnt_Table(f->Face, tag, 0, data.data(), &len) != 0) return GDI_ERROR;
  }
  if (data.empty() || offset > data.size()) return GDI_ERROR;
  DWORD avail = static_cast<DWORD>(data.size() - offset);
  if (!buffer || size == 0) return avail;
  DWORD n = std::min(avail, size);
  std::memcpy(buffer, data.data() + offset, n);
  return n;
}
