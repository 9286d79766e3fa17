// Font enumeration: the families our font setup finds, reported with the facts of their files.
//
// The list is made once per process (the font setup does not change while the program runs):
// the English family names of the files in the configured folders, plus the names the shipped
// mapping (data/fonts.conf) rewrites to those families. Each family is described by the face
// fontconfig chooses for its regular style: outline format, pitch, family kind and the character
// sets its coverage fills. Metrics are taken through the DC, so they follow its scale.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_text.h"

namespace {

// A character set is covered when fontconfig finds every language listed (space separated)
// fully covered by the face: the face's coverage, not what its header claims.
struct TCharsetCoverage {
  BYTE Charset;
  const char* Script;
  const char* Langs;
};
const TCharsetCoverage kCharsets[] = {
    {ANSI_CHARSET, "Western", "en fr de es"},
    {EASTEUROPE_CHARSET, "Central European", "pl cs hu"},
    {RUSSIAN_CHARSET, "Cyrillic", "ru"},
    {GREEK_CHARSET, "Greek", "el"},
    {TURKISH_CHARSET, "Turkish", "tr"},
    {HEBREW_CHARSET, "Hebrew", "he"},
    {ARABIC_CHARSET, "Arabic", "ar"},
    {BALTIC_CHARSET, "Baltic", "lt lv et"},
    {VIETNAMESE_CHARSET, "Vietnamese", "vi"},
    {THAI_CHARSET, "Thai", "th"},
    {SHIFTJIS_CHARSET, "Japanese", "ja"},
    {HANGEUL_CHARSET, "Hangul", "ko"},
    {GB2312_CHARSET, "CHINESE_GB2312", "zh-cn"},
    {CHINESEBIG5_CHARSET, "CHINESE_BIG5", "zh-tw"},
};

const char* ScriptName(BYTE charset) {
  if (charset == SYMBOL_CHARSET) return "Symbol";
  for (const TCharsetCoverage& c : kCharsets)
    if (c.Charset == charset) return c.Script;
  return "";
}

struct TFamilyEntry {
  std::string Name;
  std::string Style;
  DWORD FontType = 0;
  TFaceFacts Facts;
  std::vector<BYTE> Charsets;  // in the order of kCharsets
  DWORD NtmFlags = 0;
  UINT SizeEM = 0, CellHeight = 0, AvgWidth = 0;
};

std::vector<BYTE> CharsetsOf(FcPattern* m, const TFaceFacts& facts) {
  if (facts.Symbol) return {SYMBOL_CHARSET};
  FcLangSet* langs = nullptr;
  std::vector<BYTE> out;
  if (FcPatternGetLangSet(m, FC_LANG, 0, &langs) == FcResultMatch) {
    for (const TCharsetCoverage& c : kCharsets) {
      bool covered = true;
      std::istringstream words(c.Langs);
      std::string lang;
      while (covered && words >> lang)
        covered =
            FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(lang.c_str())) == FcLangEqual;
      if (covered) out.push_back(c.Charset);
    }
  }
  // A face that covers none of them (a font of other scripts) is still offered, as Western.
  if (out.empty()) out.push_back(ANSI_CHARSET);
  return out;
}

// The facts of the face fontconfig chooses for the family's regular style; false when there
// is no face or its file cannot be read.
bool DescribeFamily(FT_Library lib, TFamilyEntry& e) {
  FcPattern* m = MatchFontPattern(e.Name, false, false, false);
  if (!m) return false;
  FcChar8* file = nullptr;
  int index = 0, spacing = -1, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  bool ok = FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch;
  FcPatternGetInteger(m, FC_INDEX, 0, &index);
  FcPatternGetInteger(m, FC_SPACING, 0, &spacing);
  FcPatternGetInteger(m, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(m, FC_SLANT, 0, &slant);
  FT_Face face = nullptr;
  if (ok && FT_New_Face(lib, reinterpret_cast<const char*>(file), index, &face) == 0) {
    e.Facts = FaceFactsOf(face, spacing);
    e.FontType = e.Facts.TrueType   ? DWORD{TRUETYPE_FONTTYPE}
                 : e.Facts.Scalable ? DWORD{0}
                                    : DWORD{RASTER_FONTTYPE};
    e.Charsets = CharsetsOf(m, e.Facts);
    e.Style = face->style_name ? face->style_name : "Regular";
    if (weight >= FC_WEIGHT_DEMIBOLD) e.NtmFlags |= NTM_BOLD;
    if (slant != FC_SLANT_ROMAN) e.NtmFlags |= NTM_ITALIC;
    if (!e.NtmFlags) e.NtmFlags = NTM_REGULAR;
    if (e.Facts.Scalable) {
      auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      e.SizeEM = face->units_per_EM;
      e.CellHeight = os2 && os2->usWinAscent ? os2->usWinAscent + os2->usWinDescent
                                             : static_cast<UINT>(face->ascender - face->descender);
      e.AvgWidth = os2 ? static_cast<UINT>(std::max<int>(0, os2->xAvgCharWidth)) : e.SizeEM / 2;
    } else if (face->num_fixed_sizes > 0) {
      e.SizeEM = e.CellHeight = static_cast<UINT>(face->available_sizes[0].height);
      e.AvgWidth = static_cast<UINT>(face->available_sizes[0].width);
    }
    FT_Done_Face(face);
  } else {
    ok = false;
  }
  FcPatternDestroy(m);
  return ok;
}

std::string XmlText(std::string s) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (auto& [from, to] : kEntities)
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += std::strlen(to))
      s.replace(at, std::strlen(from), to);
  return s;
}

// The family names our mapping file rewrites: the strings tested on "family" in its <match>
// rules that also edit the family. Each is kept only when fontconfig really rewrites it.
std::vector<std::string> MappedNames() {
  std::vector<std::string> out;
  const std::string& path = FontConfigFile();
  if (path.empty()) return out;
  std::ifstream in(path, std::ios::binary);
  std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t at = 0; (at = xml.find("<match", at)) != std::string::npos;) {
    size_t end = xml.find("</match>", at);
    if (end == std::string::npos) break;
    std::string rule = xml.substr(at, end - at);
    at = end;
    if (rule.find("<edit name=\"family\"") == std::string::npos) continue;
    for (size_t t = 0; (t = rule.find("<test", t)) != std::string::npos;) {
      size_t close = rule.find("</test>", t);
      if (close == std::string::npos) break;
      std::string test = rule.substr(t, close - t);
      t = close;
      size_t s0 = test.find("<string>"), s1 = test.find("</string>");
      if (test.find("name=\"family\"") == std::string::npos || s0 == std::string::npos || s1 < s0)
        continue;
      out.push_back(XmlText(test.substr(s0 + 8, s1 - s0 - 8)));
    }
  }
  // Only names the setup really rewrites (a rule may be limited in ways this reading ignores).
  std::erase_if(out, [](const std::string& name) {
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(FontConfig(), p, FcMatchPattern);
    FcChar8* first = nullptr;
    bool same = FcPatternGetString(p, FC_FAMILY, 0, &first) == FcResultMatch &&
                strcasecmp(reinterpret_cast<const char*>(first), name.c_str()) == 0;
    FcPatternDestroy(p);
    return same;
  });
  return out;
}

// The English family names of the installed files (localized names are left out, as the
// mapping names families in English).
std::vector<std::string> FileFamilyNames() {
  std::vector<std::string> out;
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr);
  FcPattern* pat = FcPatternCreate();
  FcFontSet* fs = FcFontList(FontConfig(), pat, os);
  for (int i = 0; fs && i < fs->nfont; ++i) {
    FcChar8* fam = nullptr;
    for (int k = 0; FcPatternGetString(fs->fonts[i], FC_FAMILY, k, &fam) == FcResultMatch; ++k) {
      FcChar8* lang = nullptr;
      if (FcPatternGetString(fs->fonts[i], FC_FAMILYLANG, k, &lang) == FcResultMatch &&
          std::strcmp(reinterpret_cast<const char*>(lang), "en") != 0)
        continue;
      out.emplace_back(reinterpret_cast<const char*>(fam));
    }
  }
  if (fs) FcFontSetDestroy(fs);
  FcPatternDestroy(pat);
  FcObjectSetDestroy(os);
  return out;
}

const std::vector<TFamilyEntry>& Families() {
  static const std::vector<TFamilyEntry> families = [] {
    std::vector<std::string> names = FileFamilyNames();
    for (std::string& n : MappedNames()) names.push_back(std::move(n));
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string& a, const std::string& b) {
                              return strcasecmp(a.c_str(), b.c_str()) == 0;
                            }),
                names.end());
    std::vector<TFamilyEntry> out;
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return out;
    for (std::string& n : names) {
      TFamilyEntry e;
      e.Name = std::move(n);
      if (e.Name.size() < LF_FACESIZE && DescribeFamily(lib, e)) out.push_back(std::move(e));
    }
    FT_Done_FreeType(lib);
    return out;
  }();
  return families;
}

void CopyText(char* to, size_t size, const std::string& from) {
  size_t n = std::min(from.size(), size - 1);
  std::memcpy(to, from.data(), n);
  to[n] = 0;
}

}  // namespace

int EnumFontFamiliesEx(HDC dc, const LOGFONTA* lf, FONTENUMPROCA proc, LPARAM data, DWORD) {
  if (!ValidDC(dc) || !proc) return 0;
  std::string want = lf ? std::string(lf->lfFaceName, strnlen(lf->lfFaceName, LF_FACESIZE)) : "";
  BYTE charset = lf ? lf->lfCharSet : static_cast<BYTE>(DEFAULT_CHARSET);
  int ret = 1;
  for (const TFamilyEntry& f : Families()) {
    if (!want.empty() && strcasecmp(want.c_str(), f.Name.c_str()) != 0) continue;
    std::vector<BYTE> sets;
    if (charset != DEFAULT_CHARSET) {
      if (std::find(f.Charsets.begin(), f.Charsets.end(), charset) == f.Charsets.end()) continue;
      sets = {charset};
    } else if (want.empty()) {
      sets = {f.Charsets.front()};
    } else {
      sets = f.Charsets;
    }
    // Metrics of the family at a 16-pixel cell, through the DC (and so at its scale).
    NEWTEXTMETRICEXA tm{};
    LOGFONTA probe{};
    probe.lfHeight = 16;
    probe.lfWeight = FW_NORMAL;
    probe.lfCharSet = sets.front();
    CopyText(probe.lfFaceName, LF_FACESIZE, f.Name);
    HFONT font = CreateFontIndirect(&probe);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetrics(dc, &tm.ntmTm);
    SelectObject(dc, old);
    DeleteObject(font);
    tm.ntmTm.tmPitchAndFamily = TextMetricPitchAndFamily(f.Facts);
    tm.ntmFlags = f.NtmFlags;
    tm.ntmSizeEM = f.SizeEM;
    tm.ntmCellHeight = f.CellHeight;
    tm.ntmAvgWidth = f.AvgWidth;
    for (BYTE cs : sets) {
      ENUMLOGFONTEXA e{};
      e.elfLogFont.lfHeight = tm.ntmTm.tmHeight;
      e.elfLogFont.lfWidth = tm.ntmTm.tmAveCharWidth;
      e.elfLogFont.lfWeight = tm.ntmTm.tmWeight;
      e.elfLogFont.lfItalic = tm.ntmTm.tmItalic;
      e.elfLogFont.lfCharSet = cs;
      e.elfLogFont.lfOutPrecision = f.Facts.Scalable ? OUT_STROKE_PRECIS : OUT_STRING_PRECIS;
      e.elfLogFont.lfClipPrecision = f.Facts.Scalable ? CLIP_STROKE_PRECIS : CLIP_DEFAULT_PRECIS;
      e.elfLogFont.lfPitchAndFamily =
          static_cast<BYTE>((f.Facts.FixedPitch ? FIXED_PITCH : VARIABLE_PITCH) | f.Facts.Family);
      CopyText(e.elfLogFont.lfFaceName, LF_FACESIZE, f.Name);
      // The full name: the family and its style, unless the style is the plain one or already
      // part of the family's name ("DejaVu Sans Condensed").
      bool plain = f.Style.empty() || f.Style == "Regular" || f.Style == "Book" ||
                   (f.Name.size() > f.Style.size() && f.Name.ends_with(" " + f.Style));
      CopyText(e.elfFullName, sizeof e.elfFullName, plain ? f.Name : f.Name + " " + f.Style);
      CopyText(e.elfStyle, sizeof e.elfStyle, f.Style);
      CopyText(e.elfScript, sizeof e.elfScript, ScriptName(cs));
      tm.ntmTm.tmCharSet = cs;
      ret = proc(&e, &tm, f.FontType, data);
      if (!ret) return ret;
    }
  }
  return ret;
}
