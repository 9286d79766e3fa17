// The PDF document writer, its fonts and its text services.
#include "report/output/rptpdffile.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/rtl/strutils.h"
#include "platform/vcl/graphics_jpeg.h"
#include "platform/win/wingdi.h"
#include "report/core/rptbands.h"
#include "report/core/rptdrawtext.h"
#include "report/core/rptservices.h"
#include "report/core/rptutils.h"
#include "report/core/rptview.h"
#include "report/output/rptzlib.h"

namespace {

std::string F4(Extended V) {
  char b[64];
  std::snprintf(b, sizeof b, "%.4f", static_cast<double>(V));
  return b;
}

std::string Oct(uint8_t B) {
  char b[8];
  std::snprintf(b, sizeof b, "\\%03o", B);
  return b;
}

// Code points of UTF-8 text; a byte that starts no valid sequence stands for itself.
std::vector<uint32_t> CodePoints(const std::string& S) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < S.size();) {
    const int n = CharLength(S, static_cast<int>(i) + 1);
    const auto c = static_cast<uint8_t>(S[i]);
    uint32_t cp = c;
    if (n == 2) cp = (c & 0x1Fu) << 6 | (static_cast<uint8_t>(S[i + 1]) & 0x3Fu);
    else if (n == 3)
      cp = (c & 0x0Fu) << 12 | (static_cast<uint8_t>(S[i + 1]) & 0x3Fu) << 6 | (static_cast<uint8_t>(S[i + 2]) & 0x3Fu);
    else if (n == 4)
      cp = (c & 0x07u) << 18 | (static_cast<uint8_t>(S[i + 1]) & 0x3Fu) << 12 |
           (static_cast<uint8_t>(S[i + 2]) & 0x3Fu) << 6 | (static_cast<uint8_t>(S[i + 3]) & 0x3Fu);
    out.push_back(cp);
    i += static_cast<size_t>(n);
  }
  return out;
}

std::string Utf8Of(uint32_t cp) {
  std::string s;
  if (cp < 0x80) s += static_cast<char>(cp);
  else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

int CharsetCodePage(int Charset) {
  switch (Charset) {
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 204: return 1251;
    case 238: return 1250;
    default: return 1252;
  }
}

bool IsEastAsian(int Charset) { return Charset == 128 || Charset == 129 || Charset == 134 || Charset == 136; }

// Whether the UTF-8 text survives the single-byte code page unchanged.
bool FitsCodePage(const std::string& S, int CodePage) {
  for (unsigned char c : S)
    if (c >= 0x80) {
      try {
        return CodePageToUtf8(Utf8ToCodePage(S, CodePage), CodePage) == S;
      } catch (...) {
        return false;
      }
    }
  return true;
}

// A scratch canvas whose font has an em of 1000 pixels, so metrics come in thousandths of an em.
struct TMeasure {
  explicit TMeasure(TFont* Font) {
    bmp.SetSize(1, 1);
    bmp.Canvas()->Font()->Assign(Font);
    bmp.Canvas()->Font()->SetHeight(-1000);
    dc = bmp.Canvas()->Handle();
    SelectObject(dc, bmp.Canvas()->Font()->Handle());
  }
  TBitmap bmp;
  HDC dc;
};

const char* const kDifferences161[] = {
    "/Differences [ 128 /Euro 160 /quoteleft/quoteright 175 /afii00208", " 180 /tonos/dieresistonos/Alphatonos",
    " 184 /Epsilontonos/Etatonos/Iotatonos", " 188 /Omicrontonos 190 /Upsilontonos",
    "/Omegatonos/iotadieresistonos/Alpha/Beta/Gamma/Delta/Epsilon/Zeta",
    "/Eta/Theta/Iota/Kappa/Lambda/Mu/Nu/Xi/Omicron/Pi/Rho", " 211 /Sigma/Tau/Upsilon/Phi",
    "/Chi/Psi/Omega/Iotadieresis/Upsilondieresis/alphatonos/epsilontonos",
    "/etatonos/iotatonos/upsilondieresistonos/alpha/beta/gamma/delta/epsilon",
    "/zeta/eta/theta/iota/kappa/lambda/mu/nu/xi/omicron/pi/rho/sigma1/sigma",
    "/tau/upsilon/phi/chi/psi/omega/iotadieresis/upsilondieresis/omicrontonos", "/upsilontonos/omegatonos ]", nullptr};
const char* const kDifferences162[] = {"/Differences [ 128 /Euro",
                                       " 130 /quotesinglbase/florin/quotedblbase/ellipsis/dagger",
                                       " /daggerdbl/circumflex/perthousand/Scaron/guilsinglleft/OE",
                                       " 145 /quoteleft/quoteright/quotedblleft/quotedblright",
                                       " /bullet/endash/emdash/tilde/trademark/scaron/guilsinglright/oe",
                                       " 159 /Ydieresis 208 /Gbreve 221 /Idotaccent/Scedilla",
                                       " 240 /gbreve 253 /dotlessi/scedilla]", nullptr};
const char* const kDifferences163[] = {"/Differences [128 /Euro 142 /Zcaron 158 /zcaron]", nullptr};
const char* const kDifferences177[] = {
    "/Differences [ 128 /Euro 130 /quotesinglbase/florin/quotedblbase/ellipsis",
    " /dagger/daggerdbl/circumflex/perthousand 139 /guilsinglleft",
    " 145 /quoteleft/quoteright/quotedblleft/quotedblright", " /bullet/endash/emdash/tilde/trademark 155 /perthousand",
    " 164 /afii57636 170 /multiply 186 /divide", " 192 /afii57799/afii57801/afii57800/afii57802/afii57793",
    " /afii57794/afii57795/afii57798/afii57797/afii57806",
    " 203 /afii57796/afii57807/afii57839/afii57645/afii57841/afii57842",
    " /afii57804/afii57803/afii57658/afii57716/afii57717/afii57718",
    " 224 /afii57664/afii57665/afii57666/afii57667/afii57668/afii57669",
    " /afii57670/afii57671/afii57672/afii57673/afii57674/afii57675",
    " /afii57676/afii57677/afii57678/afii57679/afii57680/afii57681",
    " /afii57682/afii57683/afii57684/afii57685/afii57686/afii57687", " /afii57688/afii57689/afii57690 253 /afii299/afii300]",
    nullptr};
const char* const kDifferences178[] = {"/Differences [ 128 /Euro/afii57506/quotesinglbase/florin/quotedblbase",
                                       "/ellipsis/dagger/daggerdbl/circumflex/perthousand/afii57511",
                                       "/guilsinglleft/OE/afii57507/afii57508",
                                       " 144 /afii57509/quoteleft/quoteright/quotedblleft",
                                       "/quotedblright/bullet/endash/emdash",
                                       " 153 /trademark/afii57513/guilsinglright/oe/afii61664",
                                       "/afii301/afii57514 161 /afii57388",
                                       " 186 /afii57403 191 /afii57407",
                                       " 193 /afii57409/afii57410/afii57411/afii57412/afii57413",
                                       "/afii57414/afii57415/afii57416/afii57417/afii57418/afii57419",
                                       "/afii57420/afii57421/afii57422/afii57423/afii57424/afii57425",
                                       "/afii57426/afii57427/afii57428/afii57429/afii57430",
                                       " 216 /afii57431/afii57432/afii57433/afii57434/afii57440",
                                       "/afii57441/afii57442/afii57443/afii57444",
                                       " 227 /afii57445/afii57446/afii57470/afii57448/afii57449",
                                       "/afii57450 240 /afii57451/afii57452/afii57453/afii57454",
                                       "/afii57455/afii57456 248 /afii57457 250 /afii57458",
                                       " 253 /afii299/afii300/afii57519]",
                                       nullptr};
const char* const kDifferences204[] = {
    "/Differences [129 /afii10052",
    "/quotesinglbase/afii10100/quotedblbase/ellipsis/dagger/daggerdbl/Euro/perthousand/afii10058/guilsinglleft/"
    "afii10059/afii10061/afii10060/afii10145/afii10099/quoteleft",
    "/quoteright/quotedblleft/quotedblright/bullet/endash/emdash/space/trademark/afii10106/guilsinglright/afii10107/"
    "afii10109/afii10108/afii10193/space/afii10062",
    "/afii10110/afii10057/currency/afii10050/brokenbar/section/afii10023/copyright/afii10053/guillemotleft/logicalnot/"
    "hyphen/registered/afii10056/degree/plusminus",
    "/afii10055/afii10103/afii10098/mu/paragraph/periodcentered/afii10071/afii61352/afii10101/guillemotright/"
    "afii10105/afii10054/afii10102/afii10104/afii10017/afii10018",
    "/afii10019/afii10020/afii10021/afii10022/afii10024/afii10025/afii10026/afii10027/afii10028/afii10029/afii10030/"
    "afii10031/afii10032/afii10033/afii10034/afii10035",
    "/afii10036/afii10037/afii10038/afii10039/afii10040/afii10041/afii10042/afii10043/afii10044/afii10045/afii10046/"
    "afii10047/afii10048/afii10049/afii10065/afii10066",
    "/afii10067/afii10068/afii10069/afii10070/afii10072/afii10073/afii10074/afii10075/afii10076/afii10077/afii10078/"
    "afii10079/afii10080/afii10081/afii10082/afii10083",
    "/afii10084/afii10085/afii10086/afii10087/afii10088/afii10089/afii10090/afii10091/afii10092/afii10093/afii10094/"
    "afii10095/afii10096/afii10097/space]",
    nullptr};
const char* const kDifferences238[] = {
    "/Differences [128 /Euro 140 /Sacute /Tcaron /Zcaron /Zacute",
    " 156 /sacute /tcaron /zcaron /zacute 161 /caron /breve /Lslash",
    " 165 /Aogonek 170 /Scedilla 175 /Zdotaccent 178 /ogonek /lslash",
    " 185 /aogonek /scedilla 188 /Lcaron /hungarumlaut /lcaron /zdotaccent /Racute",
    " 195 /Abreve 197 /Lacute /Cacute 200 /Ccaron 202 /Eogonek 204 /Ecaron 207 /Dcaron /Dslash",
    " 209 /Nacute /Ncaron /Oacute 213 /Ohungarumlaut 216 /Rcaron /Uring 219 /Uhungarumlaut",
    " 222 /Tcedilla 224 /racute 227 /abreve 229 /lacute /cacute /ccedilla /ccaron",
    " 234 /eogonek 236 /ecaron 239 /dcaron /dmacron /nacute /ncaron 245 /ohungarumlaut",
    " 248 /rcaron /uring 251 /uhungarumlaut 254 /tcedilla /dotaccent]",
    nullptr};

const char* const* Differences(int Charset) {
  switch (Charset) {
    case 161: return kDifferences161;
    case 162: return kDifferences162;
    case 163: return kDifferences163;
    case 177: return kDifferences177;
    case 178: return kDifferences178;
    case 204: return kDifferences204;
    case 238: return kDifferences238;
    default: return nullptr;
  }
}

std::string BaseFontName(TFont* Font) {
  std::string s;
  for (char c : Font->Name()) s += c == ' ' ? std::string("#20") : std::string(1, c);
  const bool b = Font->Style().Contains(fsBold), i = Font->Style().Contains(fsItalic);
  if (b || i) s += std::string(",") + (b ? "Bold" : "") + (i ? "Italic" : "");
  std::string out;
  for (unsigned char c : s) {
    if (c >= 128) {
      char h[4];
      std::snprintf(h, sizeof h, "#%02X", c);
      out += h;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Hex4(unsigned V) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", V & 0xFFFF);
  return b;
}

uint16_t Be16(const std::vector<uint8_t>& D, size_t At) {
  return At + 2 <= D.size() ? static_cast<uint16_t>(D[At] << 8 | D[At + 1]) : 0;
}
uint32_t Be32(const std::vector<uint8_t>& D, size_t At) {
  return At + 4 <= D.size() ? (static_cast<uint32_t>(D[At]) << 24 | static_cast<uint32_t>(D[At + 1]) << 16 |
                               static_cast<uint32_t>(D[At + 2]) << 8 | D[At + 3])
                            : 0;
}

// The glyph of a code point from a TrueType 'cmap' table (formats 4 and 12); 0 when none.
uint16_t CmapLookup(const std::vector<uint8_t>& D, uint32_t Cp) {
  const uint16_t n = Be16(D, 2);
  size_t best = 0;
  int bestFormat = 0;
  for (uint16_t i = 0; i < n; ++i) {
    const uint16_t pid = Be16(D, 4 + i * 8u), eid = Be16(D, 6 + i * 8u);
    const uint32_t off = Be32(D, 8 + i * 8u);
    const uint16_t fmt = Be16(D, off);
    const bool unicode = pid == 0 || (pid == 3 && (eid == 1 || eid == 10));
    if (!unicode) continue;
    if (fmt == 12 && bestFormat != 12) {
      best = off;
      bestFormat = 12;
    } else if (fmt == 4 && bestFormat == 0) {
      best = off;
      bestFormat = 4;
    }
  }
  if (bestFormat == 12) {
    const uint32_t groups = Be32(D, best + 12);
    for (uint32_t g = 0; g < groups; ++g) {
      const size_t at = best + 16 + g * 12u;
      const uint32_t start = Be32(D, at), end = Be32(D, at + 4), gid = Be32(D, at + 8);
      if (Cp >= start && Cp <= end) return static_cast<uint16_t>(gid + (Cp - start));
    }
    return 0;
  }
  if (bestFormat == 4 && Cp <= 0xFFFF) {
    const uint16_t segX2 = Be16(D, best + 6);
    const size_t ends = best + 14, starts = ends + segX2 + 2, deltas = starts + segX2, ranges = deltas + segX2;
    for (uint16_t s = 0; s < segX2 / 2; ++s) {
      const uint16_t end = Be16(D, ends + s * 2u);
      if (Cp > end) continue;
      const uint16_t start = Be16(D, starts + s * 2u);
      if (Cp < start) return 0;
      const uint16_t delta = Be16(D, deltas + s * 2u), ro = Be16(D, ranges + s * 2u);
      if (ro == 0) return static_cast<uint16_t>(Cp + delta);
      const size_t at = ranges + s * 2u + ro + (Cp - start) * 2u;
      const uint16_t g = Be16(D, at);
      return g == 0 ? 0 : static_cast<uint16_t>(g + delta);
    }
  }
  return 0;
}

}  // namespace

std::vector<uint8_t> rptPDFFontData(TFont* Font, uint32_t Table) {
  TMeasure m(Font);
  const DWORD n = GetFontData(m.dc, Table, 0, nullptr, 0);
  if (n == GDI_ERROR || n == 0) return {};
  std::vector<uint8_t> data(n);
  if (GetFontData(m.dc, Table, 0, data.data(), n) != n) return {};
  return data;
}

// ---- Elements ----

void TrptPDFElement::Write(TStream* Stream, const std::string& Text) {
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void TrptPDFElement::WriteLn(TStream* Stream, const std::string& Text) { Write(Stream, Text + "\r\n"); }

// ---- Toolkit ----

TrptPDFToolkit::TrptPDFToolkit() {
  const char* lang = std::getenv("LANG");
  if (lang && std::isalpha(static_cast<unsigned char>(lang[0])) && std::isalpha(static_cast<unsigned char>(lang[1])))
    Language = LowerCase(std::string(lang, 2));
  if (Language == "c") Language.clear();
  LanguageEscape = std::string("\xFE\xFF\x00\x1B", 4) + Language + std::string("\x00\x1B", 2);
}

std::string TrptPDFToolkit::PrepareText(const std::string& Line) {
  std::string s = Line;
  if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
  std::string out;
  for (char c : s) {
    if (c == '\x01') continue;
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    out += c;
  }
  return out;
}

std::string TrptPDFToolkit::PrepareString(const std::string& Text) const {
  bool plain = true;
  for (unsigned char c : Text)
    if (c < 32 || c > 122) plain = false;
  std::string out;
  if (plain) {
    // Parentheses and backslashes are escaped so that the string stays one PDF string.
    for (char c : Text) {
      if (c == '\\' || c == '(' || c == ')') out += '\\';
      out += c;
    }
    return out;
  }
  const std::string head = Language.empty() ? std::string("\xFE\xFF") : LanguageEscape;
  for (unsigned char c : head) out += Oct(c);
  for (uint32_t cp : CodePoints(Text)) {
    std::vector<uint16_t> units;
    if (cp >= 0x10000) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(cp));
    }
    for (uint16_t u : units) out += Oct(static_cast<uint8_t>(u >> 8)) + Oct(static_cast<uint8_t>(u & 0xFF));
  }
  return out;
}

std::string TrptPDFToolkit::ColorString(TColor Color) {
  uint32_t c = Color == clNone ? 0xFFFFFFu : static_cast<uint32_t>(ColorToRGB(Color));
  auto part = [](uint32_t v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2g", v / 255.0);
    return std::string(b);
  };
  return part(c & 0xFF) + " " + part((c >> 8) & 0xFF) + " " + part((c >> 16) & 0xFF);
}

void TrptPDFToolkit::SetMemo(TrptCustomMemoView* View) {
  FView = View;
  TrptDrawText* r = View->Renderer();
  r->Acquire();
  r->AssignFont(View->Font());
  r->SetSpacing(0, 0, View->LineSpacing);
  LineHeight = r->GetLineHeight();
  r->Release();
}

Extended TrptPDFToolkit::GetLineWidth(const std::string& Line) {
  TrptDrawText* r = FView->Renderer();
  r->Acquire();
  r->AssignFont(FView->Font());
  Extended w = r->TextWidth(Line);
  r->Release();
  return w;
}

Extended TrptPDFToolkit::GetHTextPos(const std::string& Line) {
  const Extended left = FView->GetAbsLeft() + FView->GapX, a = FView->Width() - 2 * FView->GapX;
  const Extended w = GetLineWidth(Line);
  switch (FView->HAlign) {
    case haCenter: return left + a / 2 - w / 2;
    case haRight: return left + a - w;
    default: return left;
  }
}

Extended TrptPDFToolkit::GetVTextPos(int I, int N) const {
  const Extended top = FView->GetAbsTop() + FView->GapY - 2, a = FView->Height() - 2 * FView->GapY, h = LineHeight;
  switch (FView->VAlign) {
    case vaCenter: return top + a / 2 - N * h / 2 + (I + 1) * h;
    case vaBottom: return top + a - (N - I - 1) * h;
    default: return top + (I + 1) * h;
  }
}

std::string TrptPDFToolkit::MirrorLine(const std::string& Line) {
  // Characters are reversed (whole UTF-8 characters, not bytes); runs of Latin letters, digits and
  // most punctuation keep their reading order.
  std::vector<uint32_t> cps = CodePoints(Line);
  std::reverse(cps.begin(), cps.end());
  size_t i = 0;
  while (i < cps.size()) {
    if (cps[i] > 32 && cps[i] < 122) {
      size_t j = i;
      while (j < cps.size() && cps[j] > 32 && cps[j] < 122) ++j;
      std::reverse(cps.begin() + static_cast<std::ptrdiff_t>(i), cps.begin() + static_cast<std::ptrdiff_t>(j));
      i = j;
    } else {
      ++i;
    }
  }
  std::string out;
  for (uint32_t c : cps) out += Utf8Of(c);
  return out;
}

// ---- Fonts ----

TrptPDFFont::TrptPDFFont(TrptPDFFile* AFile, TFont* AFont, bool AUnicode)
    : Font(std::make_unique<TFont>()), File(AFile), Unicode(AUnicode) {
  Font->Assign(AFont);
}

int TrptPDFFont::CodePage() const { return CharsetCodePage(Font->Charset()); }

uint16_t TrptPDFFont::Glyph(uint32_t CodePoint) {
  if (!FCmapLoaded) {
    FCmapLoaded = true;
    try {
      FCmap = File->FontData(Font.get(), 'c' | 'm' << 8 | 'a' << 16 | static_cast<uint32_t>('p') << 24);
    } catch (...) {
      FCmap.clear();
    }
  }
  return FCmap.empty() ? 0 : CmapLookup(FCmap, CodePoint);
}

std::string TrptPDFFont::Operand(const std::string& PreparedUtf8) {
  if (!Unicode) {
    std::string bytes;
    try {
      bytes = Utf8ToCodePage(PreparedUtf8, CodePage());
    } catch (...) {
      bytes = PreparedUtf8;
    }
    return "(" + bytes + ")";
  }
  // Composite font: the escapes of the prepared line are taken off again, the text is written as
  // glyph numbers in hexadecimal.
  std::string raw;
  for (size_t i = 0; i < PreparedUtf8.size(); ++i) {
    if (PreparedUtf8[i] == '\\' && i + 1 < PreparedUtf8.size()) ++i;
    raw += PreparedUtf8[i];
  }
  std::string out = "<";
  for (uint32_t cp : CodePoints(raw)) {
    Used.insert(cp);
    out += Hex4(Glyph(cp));
  }
  return out + ">";
}

void TrptPDFFont::WriteObjects(TStream* S, int O) {
  TMeasure m(Font.get());
  OUTLINETEXTMETRICA otm{};
  if (GetOutlineTextMetricsA(m.dc, sizeof otm, &otm) == 0) throw Exception("The font has no outline metrics");
  const TEXTMETRICA& tm = otm.otmTextMetrics;
  const int charset = Font->Charset();
  const std::string base = BaseFontName(Font.get());
  const double weight = tm.tmWeight;
  const int stemV = rptRound(std::pow(weight / 65, 2)) + 50;
  const std::string bbox = "/FontBBox [" + IntToStr(otm.otmrcFontBox.left) + " " + IntToStr(otm.otmrcFontBox.bottom) +
                           " " + IntToStr(otm.otmrcFontBox.right) + " " + IntToStr(otm.otmrcFontBox.top) + " ]";
  const std::string italic = "/ItalicAngle " + IntToStr(otm.otmItalicAngle / 10);
  const int k = NameNumber();
  std::vector<uint8_t> fontFile;
  if (File->EmbeddedFonts) {
    fontFile = File->FontData(Font.get(), 0);
    if (fontFile.empty()) throw Exception("The font's file cannot be read");
  }
  File->AddXRef(S);
  WriteLn(S, IntToStr(O) + " 0 obj");
  WriteLn(S, "<<");
  WriteLn(S, "/Type /Font");
  WriteLn(S, "/Name /F" + IntToStr(k));
  WriteLn(S, "/BaseFont /" + base);
  if (Unicode) {
    WriteLn(S, "/Subtype /Type0");
    WriteLn(S, "/DescendantFonts [" + IntToStr(O + 1) + " 0 R]");
    WriteLn(S, "/Encoding /Identity-H");
    WriteLn(S, "/ToUnicode " + IntToStr(ToUnicodeObj) + " 0 R");
    WriteLn(S, ">>");
    WriteLn(S, "endobj");
    File->AddXRef(S);
    WriteLn(S, IntToStr(O + 1) + " 0 obj");
    WriteLn(S, "<<");
    WriteLn(S, "/Type /Font");
    WriteLn(S, "/Subtype");
    WriteLn(S, "/CIDFontType2");
    WriteLn(S, "/BaseFont /" + base);
    WriteLn(S, "/WinCharSet " + IntToStr(charset));
    WriteLn(S, "/FontDescriptor <<");
    WriteLn(S, "/Type /FontDescriptor");
    if (File->EmbeddedFonts) WriteLn(S, "/FontFile2 " + IntToStr(O + 2) + " 0 R");
    WriteLn(S, "/FontName /" + base);
    WriteLn(S, "/Flags 4");
    WriteLn(S, bbox);
    WriteLn(S, "/Ascent " + IntToStr(otm.otmAscent));
    WriteLn(S, "/Descent " + IntToStr(otm.otmDescent));
    WriteLn(S, "/CapHeight " + IntToStr(tm.tmHeight));
    WriteLn(S, "/StemV " + IntToStr(stemV));
    WriteLn(S, italic);
    WriteLn(S, ">>");
    WriteLn(S, "/CIDSystemInfo");
    WriteLn(S, "<<");
    WriteLn(S, "/Registry(Adobe)");
    WriteLn(S, "/Ordering(Identity)");
    WriteLn(S, "/Supplement 0");
    WriteLn(S, ">>");
    WriteLn(S, "/DW 1000");
    std::string w = "/W [";
    std::set<uint16_t> done;
    for (uint32_t cp : Used) {
      const uint16_t g = Glyph(cp);
      if (!done.insert(g).second) continue;
      ABC abc{};
      int width = 1000;
      if (GetCharABCWidths(m.dc, cp, cp, &abc)) width = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
      w += IntToStr(g) + " [" + IntToStr(width) + "] ";
    }
    WriteLn(S, w + "]");
    WriteLn(S, "/CIDToGIDMap /Identity");
    WriteLn(S, ">>");
    WriteLn(S, "endobj");
  } else {
    WriteLn(S, "/Subtype /TrueType");
    if (charset == 0 || charset == 1 || charset == 2) {
      WriteLn(S, "/Encoding /WinAnsiEncoding");
    } else if (const char* const* d = Differences(charset)) {
      WriteLn(S, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding");
      std::string line;
      for (int i = 0; d[i]; ++i) line += d[i];
      if (charset == 204) {
        WriteLn(S, line);
        WriteLn(S, ">>");
      } else {
        WriteLn(S, line + ">>");
      }
    }
    WriteLn(S, "/FontDescriptor " + IntToStr(O + 1) + " 0 R");
    WriteLn(S, "/FirstChar 32");
    WriteLn(S, "/LastChar 255");
    std::string widths = "/Widths [";
    for (int code = 32; code <= 255; ++code) {
      uint32_t cp = static_cast<uint32_t>(code);
      if (code >= 128) {
        std::vector<uint32_t> c;
        try {
          c = CodePoints(CodePageToUtf8(std::string(1, static_cast<char>(code)), CodePage()));
        } catch (...) {
        }
        cp = c.empty() ? 0xFFFD : c[0];
      }
      ABC abc{};
      int width = 0;
      if (GetCharABCWidths(m.dc, cp, cp, &abc)) width = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
      widths += IntToStr(width) + " ";
    }
    WriteLn(S, widths + "]");
    WriteLn(S, ">>");
    WriteLn(S, "endobj");
    File->AddXRef(S);
    WriteLn(S, IntToStr(O + 1) + " 0 obj");
    WriteLn(S, "<<");
    WriteLn(S, "/Type /FontDescriptor");
    WriteLn(S, "/FontName /" + base);
    WriteLn(S, "/Flags 32");
    WriteLn(S, bbox);
    WriteLn(S, italic);
    WriteLn(S, "/Ascent " + IntToStr(otm.otmAscent));
    WriteLn(S, "/Descent " + IntToStr(otm.otmDescent));
    WriteLn(S, "/Leading " + IntToStr(tm.tmInternalLeading));
    WriteLn(S, "/CapHeight " + IntToStr(tm.tmHeight));
    WriteLn(S, "/XHeight " + IntToStr(otm.otmsXHeight));
    WriteLn(S, "/StemV " + IntToStr(stemV));
    WriteLn(S, "/AvgWidth " + IntToStr(tm.tmAveCharWidth));
    WriteLn(S, "/MaxWidth " + IntToStr(tm.tmMaxCharWidth));
    WriteLn(S, "/MissingWidth " + IntToStr(tm.tmAveCharWidth));
    if (File->EmbeddedFonts) WriteLn(S, "/FontFile2 " + IntToStr(O + 2) + " 0 R");
    WriteLn(S, ">>");
    WriteLn(S, "endobj");
  }
  if (File->EmbeddedFonts) {
    TMemoryStream src, packed;
    src.WriteBuffer(fontFile.data(), static_cast<int64_t>(fontFile.size()));
    rptCompressStream(&src, &packed, 3);
    File->AddXRef(S);
    WriteLn(S, IntToStr(O + 2) + " 0 obj");
    WriteLn(S, "<< /Length " + IntToStr(static_cast<int>(packed.Size())) + " /Filter /FlateDecode /Length1 " +
                   IntToStr(static_cast<int>(fontFile.size())) + " >>");
    WriteLn(S, "stream");
    S->WriteBuffer(packed.Memory(), packed.Size());
    WriteLn(S, "");
    WriteLn(S, "endstream");
    WriteLn(S, "endobj");
  }
}

void TrptPDFFont::SaveToStream(TStream* Stream) {
  TrptPDFElement::SaveToStream(Stream);
  const int o = Number + File->PagesObj;
  // The font's objects are made in memory first: a font that cannot be described or read still
  // gets every object number it was given (a standard font and empty dictionaries), so the
  // numbering and the cross-reference table stay in step.
  TMemoryStream buf;
  const size_t xrefBefore = File->XRef.size();
  const uint32_t base = static_cast<uint32_t>(Stream->Position());
  std::vector<std::string> offsets;
  try {
    // Offsets are recorded relative to the buffer and moved to the stream's position afterwards.
    std::vector<std::string> saved;
    saved.swap(File->XRef);
    try {
      WriteObjects(&buf, o);
    } catch (...) {
      saved.swap(File->XRef);
      throw;
    }
    offsets.swap(File->XRef);
    File->XRef.swap(saved);
  } catch (...) {
    File->XRef.resize(xrefBefore);
    buf.SetSize(0);
    offsets.clear();
    const std::string name = "/F" + IntToStr(NameNumber());
    for (int i = 0; i < File->FontObjCount; ++i) {
      offsets.push_back(IntToStr(static_cast<int>(buf.Position())));
      WriteLn(&buf, IntToStr(o + i) + " 0 obj");
      if (i == 0)
        WriteLn(&buf, "<< /Type /Font /Subtype /Type1 /Name " + name +
                          " /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
      else
        WriteLn(&buf, "<< >>");
      WriteLn(&buf, "endobj");
    }
  }
  for (const std::string& off : offsets) {
    char b[16];
    std::snprintf(b, sizeof b, "%010u", base + static_cast<uint32_t>(std::strtoul(off.c_str(), nullptr, 10)));
    File->XRef.push_back(b);
  }
  Stream->WriteBuffer(buf.Memory(), buf.Size());
}

void TrptPDFFont::SaveToUnicode(TStream* S) {
  std::string body =
      "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\r\n"
      "/CMapName /Adobe-Identity-UCS def\r\n/CMapType 2 def\r\n"
      "1 begincodespacerange\r\n<0000> <FFFF>\r\nendcodespacerange\r\n";
  std::vector<std::pair<uint16_t, uint32_t>> map;
  std::set<uint16_t> seen;
  for (uint32_t cp : Used) {
    const uint16_t g = Glyph(cp);
    if (g != 0 && seen.insert(g).second) map.emplace_back(g, cp);
  }
  for (size_t i = 0; i < map.size(); i += 100) {
    const size_t n = std::min<size_t>(100, map.size() - i);
    body += IntToStr(static_cast<int>(n)) + " beginbfchar\r\n";
    for (size_t j = i; j < i + n; ++j) {
      std::string dst;
      const uint32_t cp = map[j].second;
      if (cp >= 0x10000)
        dst = Hex4(0xD800 + ((cp - 0x10000) >> 10)) + Hex4(0xDC00 + ((cp - 0x10000) & 0x3FF));
      else
        dst = Hex4(cp);
      body += "<" + Hex4(map[j].first) + "> <" + dst + ">\r\n";
    }
    body += "endbfchar\r\n";
  }
  body += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
  File->AddXRef(S);
  WriteLn(S, IntToStr(ToUnicodeObj) + " 0 obj");
  WriteLn(S, "<< /Length " + IntToStr(static_cast<int>(body.size())) + " >>");
  WriteLn(S, "stream");
  Write(S, body);
  WriteLn(S, "endstream");
  WriteLn(S, "endobj");
}

// ---- Pages ----

TrptPDFPage::TrptPDFPage(TrptPDFFile* AFile, TrptReportPage* Page) : File(AFile), Content(AFile->Content.get()) {
  PageWidth = Page->Width() * 0.75;
  PageHeight = Page->Height() * 0.75;
  MarginLeft = Page->LeftMargin * 0.5;
  MarginTop = Page->TopMargin * 0.5;
  ContentStart = static_cast<uint32_t>(Content->Position());
}

// The objects of a prepared page carry the page margins in their absolute positions already, so
// the margins are not added a second time.
std::string TrptPDFPage::X(Extended V) const { return F4(V * 0.75); }
std::string TrptPDFPage::Y(Extended V) const { return F4(PageHeight - V * 0.75); }

void TrptPDFPage::Line(const std::string& S) { WriteLn(Content, S); }

void TrptPDFPage::Frame(TrptView* View, Extended L, Extended T, Extended W, Extended H) {
  TrptFrame* f = View->Frame();
  if (f->Typ.Empty() || f->Color == clNone) return;
  Line(TrptPDFToolkit::ColorString(f->Color) + " RG");
  Line(F4(f->Width * 0.75) + " w");
  auto seg = [&](Extended x1, Extended y1, Extended x2, Extended y2) {
    Line(X(x1) + " " + Y(y1) + " m");
    Line(X(x2) + " " + Y(y2) + " l");
    Line("S");
  };
  if (f->Typ.Contains(ftTop)) seg(L, T, L + W, T);
  if (f->Typ.Contains(ftLeft)) seg(L, T, L, T + H);
  if (f->Typ.Contains(ftBottom)) seg(L, T + H, L + W, T + H);
  if (f->Typ.Contains(ftRight)) seg(L + W, T, L + W, T + H);
}

namespace {

std::vector<std::string> SplitLines(const std::string& S) {
  std::vector<std::string> out;
  if (S.empty()) return out;
  size_t p = 0;
  for (;;) {
    size_t q = S.find("\r\n", p);
    if (q == std::string::npos) {
      out.push_back(S.substr(p));
      break;
    }
    out.push_back(S.substr(p, q - p));
    p = q + 2;
  }
  return out;
}

}  // namespace

void TrptPDFPage::AddObject(TrptView* View) {
  Extended L = View->GetAbsLeft(), T = View->GetAbsTop(), W = View->Width(), H = View->Height();
  Line("q");
  Line(X(L) + " " + Y(T + H) + " " + F4(W * 0.75) + " " + F4(H * 0.75) + " re");
  Line("W");
  Line("n");
  auto* memo = dynamic_cast<TrptCustomMemoView*>(View);
  const bool html = memo && File->HTMLTags && memo->Text().find('<') != std::string::npos &&
                    memo->Text().find('>') != std::string::npos;
  if (memo && memo->Rotation() == 0 && (memo->BrushStyle == bsSolid || memo->BrushStyle == bsClear) && !html) {
    TrptFrame* f = memo->Frame();
    if (f->DropShadow) {
      const Extended s = f->ShadowWidth;
      W -= s;
      H -= s;
      memo->SetBounds(memo->Left(), memo->Top(), W, H);
      Line(TrptPDFToolkit::ColorString(f->ShadowColor) + " rg");
      Line(TrptPDFToolkit::ColorString(f->ShadowColor) + " RG");
      Line(X(L + W) + " " + Y(T + H + s) + " " + F4(s * 0.75) + " " + F4(H * 0.75) + " re");
      Line("B");
      Line(X(L + s) + " " + Y(T + H + s) + " " + F4(W * 0.75) + " " + F4(s * 0.75) + " re");
      Line("B");
    }
    TFont* font = memo->Font();
    TColor color = memo->Color;
    if (memo->Highlight()->Active) {
      font = memo->Highlight()->Font();
      color = memo->Highlight()->Color;
    }
    if (color != clNone) {
      Line(TrptPDFToolkit::ColorString(color) + " rg");
      Line(X(L) + " " + Y(T + H) + " " + F4(W * 0.75) + " " + F4(H * 0.75) + " re");
      Line("f");
    }
    Frame(memo, L, T, W, H);
    std::vector<std::string> lines = SplitLines(memo->LayoutText(true));
    if (!lines.empty()) {
      std::string all;
      for (const auto& l : lines) all += l;
      const bool unicode = IsEastAsian(font->Charset()) || !FitsCodePage(all, CharsetCodePage(font->Charset()));
      TrptPDFFont* pf = File->Fonts[static_cast<size_t>(File->AddFont(font, unicode))].get();
      const int size = font->Size();
      Line("/F" + IntToStr(pf->NameNumber()) + " " + IntToStr(size) + " Tf");
      Line(TrptPDFToolkit::ColorString(font->Color()) + " rg");
      TrptPDFToolkit* tk = File->Toolkit.get();
      tk->SetMemo(memo);
      const int n = static_cast<int>(lines.size());
      for (int i = 0; i < n; ++i) {
        std::string p = TrptPDFToolkit::PrepareText(lines[static_cast<size_t>(i)]);
        if (memo->RTLReading) p = TrptPDFToolkit::MirrorLine(p);
        if (Trim(p).empty()) continue;
        const Extended x = tk->GetHTextPos(lines[static_cast<size_t>(i)]) * 0.75;
        const Extended y = PageHeight - tk->GetVTextPos(i, n) * 0.75;
        Line("BT");
        Line(F4(x) + " " + F4(y) + " Td");
        Line(pf->Operand(p) + " Tj");
        Line("ET");
        if (font->Style().Contains(fsUnderline)) {
          const Extended w = tk->GetLineWidth(lines[static_cast<size_t>(i)]);
          Line(TrptPDFToolkit::ColorString(font->Color()) + " RG");
          Line(F4(size * 0.08) + " w");
          Line(F4(x) + " " + F4(y - size * 0.12) + " m");
          Line(F4(x + w * 0.75) + " " + F4(y - size * 0.12) + " l");
          Line("S");
        }
      }
    }
    if (f->DropShadow) memo->SetBounds(memo->Left(), memo->Top(), W + f->ShadowWidth, H + f->ShadowWidth);
  } else if (dynamic_cast<TrptCustomLineView*>(View)) {
    Line(TrptPDFToolkit::ColorString(View->Frame()->Color) + " RG");
    Line(F4(View->Frame()->Width * 0.75) + " w");
    Line(X(L) + " " + Y(T) + " m");
    Line(X(L + W) + " " + Y(T + H) + " l");
    Line("S");
  } else if (dynamic_cast<TrptShapeView*>(View) && static_cast<TrptShapeView*>(View)->Shape == skRectangle) {
    Line(TrptPDFToolkit::ColorString(View->Frame()->Color) + " RG");
    Line(F4(View->Frame()->Width * 0.75) + " w");
    // A transparent rectangle is only outlined.
    if (View->Color != clNone) Line(TrptPDFToolkit::ColorString(View->Color) + " rg");
    Line(X(L) + " " + Y(T + H) + " " + F4(W * 0.75) + " " + F4(H * 0.75) + " re");
    Line(View->Color != clNone ? "B" : "S");
  } else if (!(View->Name() == "_pagebackground" && !File->Background)) {
    TrptFrame* f = View->Frame();
    const double savedWidth = f->Width;
    if (f->Width > 0) f->Width = 0;
    try {
      const Extended s = (File->PrintOptimized || memo) ? 4 : 1;
      TBitmap bmp;
      bmp.SetPixelFormat(pf24bit);
      bmp.SetSize(rptRound(s * W) + 1, rptRound(s * H) + 1);
      bmp.Canvas()->Brush()->SetColor(clWhite);
      bmp.Canvas()->FillRect(RECT{0, 0, bmp.Width(), bmp.Height()});
      View->Draw(bmp.Canvas(), s, s, -L * s, -T * s);
      TJPEGImage jpg;
      jpg.Assign(&bmp);
      jpg.SetCompressionQuality(100);
      TMemoryStream data;
      jpg.SaveToStream(&data);
      Line("q");
      Line(F4(W * 0.75) + " 0 0 " + F4(H * 0.75) + " " + X(L) + " " + Y(T + H) + " cm");
      Line("BI");
      Line("/W " + IntToStr(bmp.Width()));
      Line("/H " + IntToStr(bmp.Height()));
      Line("/CS /RGB");
      Line("/BPC 8");
      Line("/I true");
      Line("/F [/DCT]");
      Line("ID");
      Content->WriteBuffer(data.Memory(), data.Size());
      Line("");
      Line("EI");
      Line("Q");
    } catch (...) {
      f->Width = savedWidth;
      throw;
    }
    f->Width = savedWidth;
    Frame(View, L, T, W, H);
  }
  Line("Q");
}

void TrptPDFPage::SaveToStream(TStream* Stream) {
  TrptPDFElement::SaveToStream(Stream);
  const int g = File->FirstPageObj + 2 * Number - 1;
  File->AddXRef(Stream);
  WriteLn(Stream, IntToStr(g) + " 0 obj");
  WriteLn(Stream, "<<");
  WriteLn(Stream, "/Type /Page");
  WriteLn(Stream, "/Parent " + IntToStr(File->PagesObj) + " 0 R");
  WriteLn(Stream, "/MediaBox [0 0 " + F4(PageWidth) + " " + F4(PageHeight) + " ]");
  WriteLn(Stream, "/Resources <<");
  WriteLn(Stream, "/Font <<");
  for (auto& f : File->Fonts)
    WriteLn(Stream, "/F" + IntToStr(f->NameNumber()) + " " + IntToStr(f->Number + File->PagesObj) + " 0 R");
  WriteLn(Stream, ">>");
  WriteLn(Stream, "/XObject <<");
  WriteLn(Stream, ">>");
  WriteLn(Stream, "/ProcSet [/PDF /Text /ImageC ]");
  WriteLn(Stream, ">>");
  WriteLn(Stream, "/Contents " + IntToStr(g + 1) + " 0 R");
  WriteLn(Stream, ">>");
  WriteLn(Stream, "endobj");
  File->AddXRef(Stream);
  WriteLn(Stream, IntToStr(g + 1) + " 0 obj");
  Write(Stream, "<< ");
  TMemoryStream plain;
  Content->SetPosition(ContentStart);
  if (ContentLength > 0) plain.CopyFrom(Content, ContentLength);
  if (File->Compressed) {
    TMemoryStream packed;
    rptCompressStream(&plain, &packed, 3);
    WriteLn(Stream, "/Filter /FlateDecode /Length " + IntToStr(static_cast<int>(packed.Size())) + " /Length1 " +
                        IntToStr(static_cast<int>(plain.Size())) + " >>");
    WriteLn(Stream, "stream");
    Stream->WriteBuffer(packed.Memory(), packed.Size());
    WriteLn(Stream, "");
  } else {
    WriteLn(Stream, "/Length " + IntToStr(static_cast<int>(plain.Size())) + " >>");
    WriteLn(Stream, "stream");
    Stream->WriteBuffer(plain.Memory(), plain.Size());
  }
  WriteLn(Stream, "endstream");
  WriteLn(Stream, "endobj");
  Content->Seek(0, soEnd);
}

// ---- Document ----

TrptPDFFile::TrptPDFFile(bool UseFileCache, const std::string& TempDir) : Toolkit(std::make_unique<TrptPDFToolkit>()) {
  FontData = rptPDFFontData;
  if (UseFileCache) {
    ContentFileName = rptNewTempFileName(TempDir);
    Content = std::make_unique<TFileStream>(ContentFileName, fmCreate);
  } else {
    Content = std::make_unique<TMemoryStream>();
  }
}

TrptPDFFile::~TrptPDFFile() {
  Pages.clear();
  Fonts.clear();
  Content.reset();
  if (!ContentFileName.empty()) std::remove(ContentFileName.c_str());
}

TrptPDFPage* TrptPDFFile::AddPage(TrptReportPage* Page) {
  auto p = std::make_unique<TrptPDFPage>(this, Page);
  if (!Pages.empty()) Pages.back()->ContentLength = p->ContentStart - Pages.back()->ContentStart;
  Pages.push_back(std::move(p));
  Pages.back()->Number = static_cast<int>(Pages.size());
  FontObjCount = EmbeddedFonts ? 3 : 2;
  return Pages.back().get();
}

int TrptPDFFile::AddFont(TFont* Font, bool Unicode) {
  for (size_t i = 0; i < Fonts.size(); ++i) {
    TFont* f = Fonts[i]->Font.get();
    if (f->Name() == Font->Name() && f->Style() == Font->Style() && f->Charset() == Font->Charset() &&
        Fonts[i]->Unicode == Unicode)
      return static_cast<int>(i);
  }
  FontObjCount = EmbeddedFonts ? 3 : 2;
  Fonts.push_back(std::make_unique<TrptPDFFont>(this, Font, Unicode));
  Fonts.back()->Number = FontObjCount * static_cast<int>(Fonts.size() - 1) + 1;
  return static_cast<int>(Fonts.size()) - 1;
}

void TrptPDFFile::AddXRef(TStream* Stream) {
  char b[16];
  std::snprintf(b, sizeof b, "%010u", static_cast<unsigned>(Stream->Position()));
  XRef.push_back(b);
}

namespace {

struct TOutlineNode {
  std::string Title;
  int Page = -1, Top = 0, Number = 0, Count = 0;
  std::vector<std::unique_ptr<TOutlineNode>> Children;
};

void BuildOutline(TrptCustomOutline* O, TOutlineNode* Node) {
  const int n = O->ItemCount();
  for (int i = 0; i < n; ++i) {
    auto c = std::make_unique<TOutlineNode>();
    O->ReadItem(i, c->Title, c->Page, c->Top);
    O->EnterItem(i);
    BuildOutline(O, c.get());
    O->LevelUp();
    Node->Count += 1 + c->Count;
    Node->Children.push_back(std::move(c));
  }
}

void NumberOutline(TOutlineNode* Node, int& Counter) {
  for (auto& c : Node->Children) {
    c->Number = Counter++;
    NumberOutline(c.get(), Counter);
  }
}

}  // namespace

void TrptPDFFile::SaveToStream(TStream* S) {
  TrptPDFElement::SaveToStream(S);
  XRef.clear();
  TOutlineNode root;
  if (Outline && !OutlineSource) Outline = false;
  if (Outline) {
    OutlineSource->LevelRoot();
    BuildOutline(OutlineSource, &root);
    OutlineSource->LevelRoot();
    if (root.Children.empty()) Outline = false;  // an outline without entries is left out
  }
  ObjCounter = 1;
  char date[32];
  std::time_t now = std::time(nullptr);
  std::tm tmv{};
  localtime_r(&now, &tmv);
  std::strftime(date, sizeof date, "%Y%m%d%H%M%S", &tmv);
  const int c = Outline ? root.Count : 0;
  const int p = Outline ? c + 4 : 3;
  PagesObj = p;
  FontObjCount = EmbeddedFonts ? 3 : 2;
  for (size_t i = 0; i < Fonts.size(); ++i) Fonts[i]->Number = FontObjCount * static_cast<int>(i) + 1;
  FirstPageObj = static_cast<int>(Fonts.size()) * FontObjCount + p;
  int extra = FirstPageObj + 2 * static_cast<int>(Pages.size()) + 1;
  for (auto& f : Fonts)
    if (f->Unicode) f->ToUnicodeObj = extra++;

  WriteLn(S, "%PDF-1.3");
  WriteLn(S, std::string("%\xE2\xE3\xCF\xD3"));
  AddXRef(S);
  WriteLn(S, "1 0 obj");
  WriteLn(S, "<<");
  WriteLn(S, "/Type /Catalog");
  WriteLn(S, "/Pages " + IntToStr(p) + " 0 R");
  WriteLn(S, std::string("/PageMode ") + (Outline ? "/UseOutlines" : "/UseNone"));
  if (Outline) WriteLn(S, "/Outlines 3 0 R");
  if (!Title.empty()) WriteLn(S, "/ViewerPreferences << /DisplayDocTitle true >>");
  WriteLn(S, ">>");
  WriteLn(S, "endobj");
  AddXRef(S);
  WriteLn(S, "2 0 obj");
  WriteLn(S, "<<");
  WriteLn(S, "/Producer (" + Toolkit->PrepareString(Producer) + ")");
  WriteLn(S, "/Author (" + Toolkit->PrepareString(Author) + ")");
  WriteLn(S, "/Subject (" + Toolkit->PrepareString(Subject) + ")");
  WriteLn(S, "/Creator (" + Toolkit->PrepareString(Creator) + ")");
  WriteLn(S, "/Title (" + Toolkit->PrepareString(Title) + ")");
  WriteLn(S, std::string("/CreationDate (D:") + date + ")");
  WriteLn(S, std::string("/ModDate (D:") + date + ")");
  WriteLn(S, ">>");
  WriteLn(S, "endobj");
  if (Outline) {
    int counter = 4;
    NumberOutline(&root, counter);
    AddXRef(S);
    WriteLn(S, "3 0 obj");
    WriteLn(S, "<<");
    WriteLn(S, "/Count " + IntToStr(static_cast<int>(root.Children.size())));
    WriteLn(S, "/First 4 0 R");
    WriteLn(S, "/Last " + IntToStr(root.Children.back()->Number) + " 0 R");
    WriteLn(S, ">>");
    WriteLn(S, "endobj");
    std::function<void(TOutlineNode*, int)> write = [&](TOutlineNode* parent, int parentNumber) {
      for (size_t i = 0; i < parent->Children.size(); ++i) {
        TOutlineNode* n = parent->Children[i].get();
        AddXRef(S);
        WriteLn(S, IntToStr(n->Number) + " 0 obj");
        WriteLn(S, "<<");
        WriteLn(S, "/Title (" + Toolkit->PrepareString(n->Title) + ")");
        WriteLn(S, "/Parent " + IntToStr(parentNumber) + " 0 R");
        if (i > 0) WriteLn(S, "/Prev " + IntToStr(parent->Children[i - 1]->Number) + " 0 R");
        if (!n->Children.empty()) {
          WriteLn(S, "/First " + IntToStr(n->Number + 1) + " 0 R");
          WriteLn(S, "/Last " + IntToStr(n->Children.back()->Number) + " 0 R");
          WriteLn(S, "/Count " + IntToStr(static_cast<int>(n->Children.size())));
        }
        if (i + 1 < parent->Children.size()) WriteLn(S, "/Next " + IntToStr(n->Number + n->Count + 1) + " 0 R");
        const int page = std::clamp(n->Page, 0, std::max(0, static_cast<int>(Pages.size()) - 1));
        const Extended ph = Pages.empty() ? 0 : Pages[static_cast<size_t>(page)]->PageHeight;
        WriteLn(S, "/Dest [" + IntToStr(FirstPageObj + 2 * page + 1) + " 0 R /XYZ 0 " +
                       IntToStr(rptRound(ph - n->Top * 0.75)) + " 0]");
        WriteLn(S, ">>");
        WriteLn(S, "endobj");
        write(n, n->Number);
      }
    };
    write(&root, 3);
  }
  AddXRef(S);
  WriteLn(S, IntToStr(p) + " 0 obj");
  WriteLn(S, "<<");
  WriteLn(S, "/Type /Pages");
  if (!Pages.empty()) Pages.back()->ContentLength = static_cast<uint32_t>(Content->Size()) - Pages.back()->ContentStart;
  std::string kids = "/Kids [";
  for (size_t i = 0; i < Pages.size(); ++i) kids += IntToStr(FirstPageObj + 2 * static_cast<int>(i) + 1) + " 0 R ";
  WriteLn(S, kids + "]");
  WriteLn(S, "/Count " + IntToStr(static_cast<int>(Pages.size())));
  WriteLn(S, ">>");
  WriteLn(S, "endobj");
  // Composite fonts learned their glyphs while the pages were exported, before this point.
  for (auto& f : Fonts) f->SaveToStream(S);
  for (auto& pg : Pages) pg->SaveToStream(S);
  for (auto& f : Fonts)
    if (f->Unicode) f->SaveToUnicode(S);
  XRefPos = static_cast<uint32_t>(S->Position());
  WriteLn(S, "xref");
  WriteLn(S, "0 " + IntToStr(static_cast<int>(XRef.size()) + 1));
  WriteLn(S, "0000000000 65535 f");
  for (const auto& x : XRef) WriteLn(S, x + " 00000 n");
  WriteLn(S, "trailer");
  WriteLn(S, "<<");
  WriteLn(S, "/Size " + IntToStr(static_cast<int>(XRef.size()) + 1));
  WriteLn(S, "/Root 1 0 R");
  WriteLn(S, "/Info 2 0 R");
  WriteLn(S, ">>");
  WriteLn(S, "startxref");
  WriteLn(S, IntToStr(static_cast<int>(XRefPos)));
  WriteLn(S, "%%EOF");
}
