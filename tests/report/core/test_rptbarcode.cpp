// The barcode generator: symbologies module by module on the drawn metafile, check digits and
// text rewriting, element widths and ratio limits, rotation, and an independent decoder reading
// the rendered pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"
#include "report/core/rptbarcode.h"

namespace {

struct Poly {
  int MinX, MaxX, MinY, MaxY;
  int32_t Color;
};

// The filled polygons of a metafile with the brush colour each was filled with.
std::vector<Poly> Polygons(TMetafile* Mf) {
  struct State {
    std::vector<Poly> Out;
    std::vector<int32_t> Brushes;
    int32_t Current = -1;
  } st;
  EnumEnhMetaFile(nullptr, Mf->Handle(), [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM d) {
    auto* s = reinterpret_cast<State*>(d);
    const auto* p = reinterpret_cast<const int32_t*>(reinterpret_cast<const uint8_t*>(r) + 8);
    if (r->iType == EMR_CREATEBRUSHINDIRECT) {
      if (s->Brushes.size() <= static_cast<size_t>(p[0])) s->Brushes.resize(p[0] + 1, -1);
      s->Brushes[p[0]] = p[2];
    } else if (r->iType == EMR_SELECTOBJECT && static_cast<size_t>(p[0]) < s->Brushes.size() &&
               s->Brushes[p[0]] != -1) {
      s->Current = s->Brushes[p[0]];
    } else if (r->iType == EMR_POLYGON) {
      Poly q{1 << 30, -(1 << 30), 1 << 30, -(1 << 30), s->Current};
      for (int i = 0; i < p[0]; ++i) {
        q.MinX = std::min(q.MinX, p[1 + 2 * i]);
        q.MaxX = std::max(q.MaxX, p[1 + 2 * i]);
        q.MinY = std::min(q.MinY, p[2 + 2 * i]);
        q.MaxY = std::max(q.MaxY, p[2 + 2 * i]);
      }
      s->Out.push_back(q);
    }
    return 1;
  }, &st, nullptr);
  return st.Out;
}

// The drawn elements of a horizontal barcode, one character per unit: "B" a full bar, "b" a
// short bar, "." a space. Checks on the way that the elements follow each other without gaps.
std::string DrawnModules(TrptBarcode& B) {
  std::unique_ptr<TMetafile> mf = B.MakeMetafile(RECT{0, 0, 400, 800}, false);
  std::string s;
  int next = 0;
  for (const Poly& p : Polygons(mf.get())) {
    EXPECT_EQ(p.MinX, next) << "elements follow each other";
    int w = p.MaxX - p.MinX + 1;
    next = p.MaxX + 1;
    char c = p.Color == B.ColorBar ? (p.MaxY - p.MinY < B.Height ? 'b' : 'B') : '.';
    s += std::string(static_cast<size_t>(w), c);
  }
  return s;
}

// Module counts (bar first, alternating) as the drawn form of DrawnModules.
std::string FromCounts(const std::string& Counts) {
  std::string s;
  bool bar = true;
  for (char c : Counts) {
    s += std::string(static_cast<size_t>(c - '0'), bar ? 'B' : '.');
    bar = !bar;
  }
  return s;
}

struct SymbologyCase {
  const char* Name;
  TrptBarcodeType Type;
  const char* Text;
  bool Checksum;
  const char* TextAfter;
  std::string Drawn;  // DrawnModules form
};

}  // namespace

TEST(RptBarcodeSymbology, DrawsEachSymbologyModuleByModule) {
  const std::vector<SymbologyCase> cases = {
      {"EAN-13 with its check digit", bcCodeEAN13, "400638133393", true, "4006381333931",
       FromCounts("111" "3211" "1123" "1114" "1411" "3121" "1222" "11111" "1411" "1411" "1411" "3112" "1411"
                  "2221" "111")},
      {"EAN-8 encodes the check digit but keeps the text", bcCodeEAN8, "1234567", true, "1234567",
       FromCounts("111" "2221" "2122" "1411" "1132" "11111" "1231" "1114" "1312" "3211" "111")},
      {"Code 128 C in pairs", bcCode128C, "12345", false, "12345",
       FromCounts("211232" "222122" "312131" "113123" "121142" "2331112")},
      {"Code 128 B", bcCode128B, "Ab", false, "Ab",
       FromCounts("211214" "111323" "121421" "111224" "2331112")},
      {"Code 39 skips lower case", bcCode39, "abc", false, "abc", FromCounts("121121211" "1" "121121211")},
      {"interleaved 2 of 5 drops an odd last digit", bcCode_2_5_interleaved, "12345", false, "12345",
       FromCounts("1111" "2112111122" "2121121112" "211")},
      {"MSI with its check digit", bcCodeMSI, "1234", false, "1234",
       FromCounts("21" "12121221" "12122112" "12122121" "12211212" "12211212" "121")},
      {"Codabar between A and B", bcCodeCodabar, "1-2", false, "1-2",
       FromCounts("1122121" "1" "1111221" "1" "1112211" "1" "1112112" "1" "1212112")},
      {"industrial 2 of 5", bcCode_2_5_industrial, "1", false, "1",
       FromCounts("212111" "2111111121" "211121")},
      {"matrix 2 of 5", bcCode_2_5_matrix, "1", false, "1", FromCounts("311111" "211121" "31111")},
      {"Code 128 A with a control character", bcCode128A, "A\t", false, "A\t",
       FromCounts("211412" "111323" "142112" "221114" "2331112")},
      {"EAN-128 C starts with FNC1", bcCodeEAN128C, "12", false, "12",
       FromCounts("211232" "411131" "112232" "321122" "2331112")},
      {"Code 93 with its two check characters", bcCode93, "A", false, "A",
       FromCounts("111141" "211113" "211113" "221121" "1111411")},
      {"UPC-E0 parity from the check digit", bcCodeUPC_E0, "123456", false, "0123456",
       FromCounts("111" "1123" "2221" "2212" "1411" "2311" "1231" "111111")},
      {"two-digit supplement", bcCodeUPC_Supp2, "34", false, "34", FromCounts("112" "1141" "11" "1132")},
      {"PostNet full and short bars", bcCodePostNet, "12", false, "12",
       "B.." "b..b..b..B..B.." "b..b..B..b..B.." "B"},
  };
  for (const SymbologyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TrptBarcode b(nullptr);
    b.Typ = c.Type;
    b.Text = c.Text;
    b.Checksum = c.Checksum;
    EXPECT_EQ(DrawnModules(b), c.Drawn);
    EXPECT_EQ(b.Text, c.TextAfter);
    EXPECT_EQ(b.Width(), static_cast<int>(c.Drawn.size()));
    // Encoding again changes nothing.
    EXPECT_EQ(DrawnModules(b), c.Drawn);
    EXPECT_EQ(b.Text, c.TextAfter);
  }
}

TEST(RptBarcodeSymbology, RejectsTextTheSymbologyCannotTake) {
  struct Bad {
    TrptBarcodeType Type;
    const char* Text;
    const char* Message;
  };
  for (const Bad& c : std::vector<Bad>{{bcCode93, "abc", "TrptBarcode:Code93 bad Data <abc>"},
                                       {bcCodeEAN13, "ABC", "Barcode must be numeric"},
                                       {bcCode_2_5_interleaved, "12 34", "Barcode must be numeric"},
                                       {bcCodeEAN13, "12345678901234", "Invalid Text len (EAN13)"},
                                       {bcCodeEAN8, "123456789", "Invalid Text len (EAN8)"}}) {
    SCOPED_TRACE(c.Text);
    TrptBarcode b(nullptr);
    b.Typ = c.Type;
    b.Text = c.Text;
    try {
      b.Width();
      ADD_FAILURE() << "no error";
    } catch (const Exception& E) {
      EXPECT_EQ(E.Message(), c.Message);
    }
  }
  // Digits-only text is trimmed of its blanks and written back.
  TrptBarcode b(nullptr);
  b.Typ = bcCodeEAN13;
  b.Text = "  4006381333931 ";
  b.Width();
  EXPECT_EQ(b.Text, "4006381333931");
}

TEST(RptBarcodeSymbology, CheckDigitsAndTextRewriting) {
  TrptBarcode b(nullptr);
  // A 13-digit text is used unchanged even when its check digit is wrong.
  b.Typ = bcCodeEAN13;
  b.Checksum = true;
  b.Text = "4006381333932";
  b.Width();
  EXPECT_EQ(b.Text, "4006381333932");
  // UPC-A pads to 12 and recomputes the last digit from the first 11.
  b.Typ = bcCodeUPC_A;
  b.Text = "12345";
  b.Width();
  EXPECT_EQ(b.Text, "000000012348");
  // UPC-E pads to 7; with Checksum the six digits plus their check digit.
  b.Typ = bcCodeUPC_E0;
  b.Text = "123456";
  b.Width();
  EXPECT_EQ(b.Text, "0123457");
  // The five-digit supplement appends its check value once, however often it is encoded.
  b.Typ = bcCodeUPC_Supp5;
  b.Text = "52495";
  b.Width();
  b.Width();
  EXPECT_EQ(b.Text, "524951");
  // The two-digit supplement has no check digit to add: its text stays.
  b.Typ = bcCodeUPC_Supp2;
  b.Text = "34";
  b.Width();
  b.Width();
  EXPECT_EQ(b.Text, "34");
  // EAN-128 appends its check digit once, though sizing and drawing both encode.
  b.Typ = bcCodeEAN128C;
  b.Text = "0123456789012";
  b.Width();
  b.Width();
  EXPECT_EQ(b.Text, "01234567890128");
  // Without the modulo-10 method nothing is appended and nothing is one digit short.
  b.CheckSumMethod = csmNone;
  b.Typ = bcCodeUPC_A;
  b.Text = "12345678901";
  b.Width();
  EXPECT_EQ(b.Text, "012345678901");
  // Code 39's own check character: A (10) + B (11) = 21, the letter L.
  TrptBarcode with(nullptr), plain(nullptr), l(nullptr);
  with.Typ = plain.Typ = l.Typ = bcCode39;
  with.Checksum = true;
  with.Text = "AB";
  plain.Text = "ABL";
  EXPECT_EQ(DrawnModules(with), DrawnModules(plain));
}

TEST(RptBarcodeSymbology, ElementWidthsAndRatioLimits) {
  TrptBarcode b(nullptr);
  b.Typ = bcCode39;
  b.Text = "1";
  b.Width();
  EXPECT_EQ(b.ElementWidth('0'), 1);
  EXPECT_EQ(b.ElementWidth('6'), 2);
  EXPECT_EQ(b.ElementWidth('C'), 3);
  EXPECT_EQ(b.ElementWidth('8'), 4);
  b.Ratio = 5;
  b.Width();
  EXPECT_EQ(b.Ratio, 3);
  b.Typ = bcCode128B;
  b.Ratio = 5;
  b.Width();
  EXPECT_EQ(b.Ratio, 5);
  b.Typ = bcCode_2_5_matrix;
  b.Ratio = 2;
  b.Width();
  EXPECT_EQ(b.Ratio, 2.25);
  // Widths past 8 bits are held at 255 instead of wrapping round to narrow elements.
  b.Typ = bcCode39;
  b.Modul = 100;
  b.Ratio = 3;
  b.Width();
  EXPECT_EQ(b.ElementWidth('5'), 100);
  EXPECT_EQ(b.ElementWidth('6'), 255);
  EXPECT_EQ(b.ElementWidth('8'), 255);
}

TEST(RptBarcodeSymbology, CodabarSkipsCharactersOutsideItsSet) {
  TrptBarcode odd(nullptr), clean(nullptr);
  odd.Typ = clean.Typ = bcCodeCodabar;
  odd.Text = "1*2x";
  clean.Text = "12";
  EXPECT_EQ(DrawnModules(odd), DrawnModules(clean));
}

TEST(RptBarcodeSymbology, RotationShapesTheMetafile) {
  TrptBarcode b(nullptr);
  b.Typ = bcCode128C;
  b.Text = "12345";
  const int w = b.Width();
  b.Angle = 90;
  std::unique_ptr<TMetafile> mf = b.MakeMetafile(RECT{0, 0, 40, 2 * w}, true);
  EXPECT_EQ(mf->Height(), w);
  EXPECT_EQ(mf->Width(), 20);
  EXPECT_EQ(b.Height, 20 - 16);
  // Bars run across: every bar polygon spans the bar height horizontally.
  for (const Poly& p : Polygons(mf.get()))
    if (p.Color == b.ColorBar && p.MaxX - p.MinX > 1) { EXPECT_EQ(p.MaxX - p.MinX, b.Height); }
  // Any other angle draws as the nearest right angle.
  b.Angle = 100;
  std::unique_ptr<TMetafile> near = b.MakeMetafile(RECT{0, 0, 40, 2 * w}, true);
  EXPECT_EQ(near->Height(), w);
  std::vector<Poly> a = Polygons(mf.get()), c = Polygons(near.get());
  ASSERT_EQ(a.size(), c.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].MinY, c[i].MinY);
  // 180 and 270 keep the drawing inside the metafile.
  for (double angle : {180.0, 270.0}) {
    b.Angle = angle;
    std::unique_ptr<TMetafile> m = b.MakeMetafile(RECT{0, 0, 2 * w, 2 * w}, true);
    for (const Poly& p : Polygons(m.get())) {
      EXPECT_GE(p.MinX, 0);
      EXPECT_GE(p.MinY, 0);
      EXPECT_LE(p.MaxX, m->Width());
      EXPECT_LE(p.MaxY, m->Height());
    }
  }
  // An empty rectangle draws nothing and divides by nothing.
  b.Angle = 0;
  EXPECT_TRUE(b.MakeMetafile(RECT{5, 5, 5, 5}, true)->Empty());
}

TEST(RptBarcodeSymbology, TextUnderTheBars) {
  TrptBarcode b(nullptr);
  b.Typ = bcCodeEAN8;
  b.Checksum = true;
  b.Text = "1234567";
  std::unique_ptr<TMetafile> mf = b.MakeMetafile(RECT{0, 0, 134, 80}, true);
  std::string text;
  EnumEnhMetaFile(nullptr, mf->Handle(), [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM d) {
    if (r->iType == EMR_EXTTEXTOUTW || r->iType == EMR_EXTTEXTOUTA)
      *reinterpret_cast<std::string*>(d) += GetEnhMetaRecordText(r) + "|";
    return 1;
  }, &text, nullptr);
  EXPECT_EQ(text, "1234|567|");
}

namespace {

// Renders the barcode with 3 pixels per unit and a quiet zone into a bitmap file and reads it
// back with the zbar decoder; "" when it finds nothing.
std::string Decode(TrptBarcode& B, const std::string& Dir, const std::string& Name) {
  const int w = B.Width();
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(w * 3 + 120, 160);
  bmp->Canvas()->Brush()->SetColor(clWhite);
  bmp->Canvas()->FillRect(RECT{0, 0, w * 3 + 120, 160});
  B.DrawToCanvas(bmp->Canvas(), RECT{60, 20, 60 + w * 3, 140}, true);
  std::string file = Dir + "/" + Name + ".bmp";
  bmp->SaveToFile(file);
  std::string cmd = "zbarimg --raw -q '" + file + "' 2>/dev/null";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

TEST(RptBarcodeDecoder, AnIndependentDecoderReadsTheRenderedBarcodes) {
  if (std::system("command -v zbarimg >/dev/null 2>&1") != 0) GTEST_SKIP() << "zbarimg is not installed";
  std::string tmpl = GetTempPath() + "/rptbarcode-XXXXXX";
  std::vector<char> dir(tmpl.begin(), tmpl.end());
  dir.push_back(0);
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  struct Case {
    TrptBarcodeType Type;
    const char* Text;
    bool Checksum;
    const char* Expected;
  };
  const std::vector<Case> cases = {
      {bcCodeEAN13, "400638133393", true, "4006381333931"},
      {bcCodeEAN8, "1234567", true, "12345670"},
      {bcCodeUPC_A, "036000291450", true, "036000291452"},
      {bcCode39, "ORVANTA-42", false, "ORVANTA-42"},
      {bcCode128B, "Picks 2026!", false, "Picks 2026!"},
      {bcCode128C, "123456", false, "123456"},
      {bcCode93, "CODE 93", false, "CODE 93"},
      {bcCode93Extended, "Photo#1", false, "Photo#1"},
      {bcCode_2_5_interleaved, "123456", false, "123456"},
      {bcCodeCodabar, "40156", false, "40156"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    TrptBarcode b(nullptr);
    b.Typ = c.Type;
    b.Text = c.Text;
    b.Checksum = c.Checksum;
    std::string got = Decode(b, dir.data(), "code" + std::to_string(n++));
    if (c.Type == bcCodeUPC_A && got.size() == 13 && got[0] == '0') got.erase(0, 1);  // read as EAN-13
    if (c.Type == bcCodeCodabar && got.size() >= 2) got = got.substr(1, got.size() - 2);  // start and stop
    EXPECT_EQ(got, c.Expected);
  }
  std::system(("rm -rf '" + std::string(dir.data()) + "'").c_str());
}
