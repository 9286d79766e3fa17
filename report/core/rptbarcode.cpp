#include "report/core/rptbarcode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

ORV_CLASS_IMPL(TrptBarcode, TComponent)

namespace {

const double kPi = 3.14159265358979323846;

int Near(double V) { return static_cast<int>(std::nearbyint(V)); }

// Module counts (starting with a bar, alternating) as pattern characters: counts at odd
// positions (1st, 3rd, ...) become bars "5".."8", the others spaces "0".."3".
std::string ModulesToPattern(const std::string& Counts) {
  std::string s = Counts;
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i % 2 == 0 ? s[i] + 4 : s[i] - 1);
  return s;
}

// Module counts that start with a space (EAN left-hand sets) as pattern characters.
std::string SpaceFirst(const char* Counts) {
  std::string s = Counts;
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i % 2 == 0 ? s[i] - 1 : s[i] + 4);
  return s;
}

// The 2 of 5 element patterns (1 = wide) of the digits.
const char* const k25[10] = {"00110", "10001", "01001", "11000", "00101",
                             "10100", "01100", "00011", "10010", "01010"};

// Code 39: characters in value order and their nine elements (bar first, 1 = wide).
const char kC39Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
const char* const kC39[44] = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000", "000100101",
    "100100100", "001100100", "100001001", "001001001", "101001000", "000011001", "100011000", "001011000",
    "000001101", "100001100", "001001100", "000011100", "100000011", "001000011", "101000010", "000010011",
    "100010010", "001010010", "000000111", "100000110", "001000110", "000010110", "110000001", "011000001",
    "111000000", "010010001", "110010000", "011010000", "010000101", "110000100", "011000100", "010101000",
    "010100010", "010001010", "000101010", "010010100" /* the start/stop character "*" */};

std::string C39Pattern(int Index) {
  std::string s;
  const char* e = kC39[Index];
  for (int i = 0; i < 9; ++i) s += i % 2 == 0 ? (e[i] == '1' ? '6' : '5') : (e[i] == '1' ? '1' : '0');
  return s;
}

// Full-ASCII sequences of the codes 0-127 (Code 39 form; Code 93 writes its shift characters
// "$", "%", "/", "+" as "[", "]", "{", "}").
const char* const kFullAscii[128] = {
    "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G", "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",
    "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W", "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",
    " ",  "/A", "/B", "/C", "/D", "/E", "/F", "/G", "/H", "/I", "/J", "/K", "/L", "-",  ".",  "/O",
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "/Z", "%F", "%G", "%H", "%I", "%J",
    "%V", "A",  "B",  "C",  "D",  "E",  "F",  "G",  "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",  "X",  "Y",  "Z",  "%K", "%L", "%M", "%N", "%O",
    "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G", "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",
    "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W", "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", "%T"};

// Code 93: characters in value order (shifts as "[", "]", "{", "}") and their module counts.
const char kC93Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%[]{}";
const char* const kC93[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211"};

// Codabar: characters and their seven elements (bar first, 1 = wide).
const char kCodabarChars[] = "0123456789-$:/.+ABCD";
const char* const kCodabar[20] = {"0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001",
                                  "0100100", "0110000", "1001000", "0001100", "0011000", "1000101", "1010001",
                                  "1010100", "0010101", "0011010", "0101001", "0001011", "0001110"};

std::string CodabarPattern(int Index) {
  std::string s;
  const char* e = kCodabar[Index];
  for (int i = 0; i < 7; ++i) s += i % 2 == 0 ? (e[i] == '1' ? '6' : '5') : (e[i] == '1' ? '1' : '0');
  return s;
}

// PostNet: the five bars of each digit (1 = full bar).
const char* const kPostNet[10] = {"11000", "00011", "00101", "00110", "01001",
                                  "01010", "01100", "10001", "10010", "10100"};

// EAN/UPC left-hand odd set as module counts (space first); the right-hand set has the same
// counts bar first, the even set the counts reversed.
const char* const kEanA[10] = {"3211", "2221", "2122", "1411", "1132", "1231", "1114", "1312", "1213", "3112"};
// Parity of EAN-13 digits 2-7 by the first digit (o odd, E even).
const char* const kEan13Parity[10] = {"oooooo", "ooEoEE", "ooEEoE", "ooEEEo", "oEooEE",
                                      "oEEooE", "oEEEoo", "oEoEoE", "oEoEEo", "oEEoEo"};
// Parity of UPC-E digits (number system 0) by the check digit.
const char* const kUpcEParity[10] = {"EEEooo", "EEoEoo", "EEooEo", "EEoooE", "EoEEoo",
                                     "EooEEo", "EoooEE", "EoEoEo", "EoEooE", "EooEoE"};

int Digit(char C) { return C >= '0' && C <= '9' ? C - '0' : 0; }

std::string EanOdd(char C) { return SpaceFirst(kEanA[Digit(C)]); }
std::string EanEven(char C) {
  std::string r = kEanA[Digit(C)];
  std::reverse(r.begin(), r.end());
  return SpaceFirst(r.c_str());
}
std::string EanRight(char C) { return ModulesToPattern(kEanA[Digit(C)]); }

// Code 128 module counts of the values 0-105.
const char* const kC128[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232"};

std::string PadLeft(const std::string& S, size_t N) { return S.size() >= N ? S : std::string(N - S.size(), '0') + S; }

bool IsEanLike(TrptBarcodeType T) {
  return T == bcCodeEAN8 || T == bcCodeEAN13 || T == bcCodeUPC_A || T == bcCodeUPC_E0 || T == bcCodeUPC_E1;
}

}  // namespace

TrptBarcode::TrptBarcode(TComponent* AOwner) : TComponent(AOwner) {}
TrptBarcode::~TrptBarcode() = default;

void TrptBarcode::Publish(TPublisher<TrptBarcode>& P) {
  P.Prop("Angle", &TrptBarcode::Angle);
  P.Prop("Color", &TrptBarcode::Color).Type("TColor");
  P.Prop("ColorBar", &TrptBarcode::ColorBar).Type("TColor");
  P.Prop("Checksum", &TrptBarcode::Checksum);
  P.Prop("CheckSumMethod", &TrptBarcode::CheckSumMethod);
  P.Prop("Height", &TrptBarcode::Height);
  P.Prop("Modul", &TrptBarcode::Modul);
  P.Prop("Ratio", &TrptBarcode::Ratio);
  P.Prop("Text", &TrptBarcode::Text);
  P.Prop("Typ", &TrptBarcode::Typ);
}

void TrptBarcode::Assign(TPersistent* Source) {
  auto* b = dynamic_cast<TrptBarcode*>(Source);
  if (!b) return;
  Height = b->Height;
  Text = b->Text;
  TopOffset = b->TopOffset;
  LeftOffset = b->LeftOffset;
  Modul = b->Modul;
  Ratio = b->Ratio;
  Typ = b->Typ;
  Checksum = b->Checksum;
  Angle = b->Angle;
  Color = b->Color;
  ColorBar = b->ColorBar;
  CheckSumMethod = b->CheckSumMethod;
}

void TrptBarcode::CalcElementWidths() {
  // Each width is held in 8 bits: widths past 255 units are clamped there instead of wrapping
  // round to a narrow element, and a negative module counts as none.
  auto clamp8 = [](long V) { return static_cast<uint8_t>(std::clamp<long>(V, 0, 255)); };
  long w2 = std::lround(std::nearbyint(static_cast<double>(Modul) * Ratio));
  FWidths[0] = clamp8(Modul);
  FWidths[1] = clamp8(w2);
  FWidths[2] = clamp8(w2 * 3 / 2);
  FWidths[3] = clamp8(w2 * 2);
}

int TrptBarcode::ElementWidth(char C) const {
  switch (C) {
    case '0': case '5': case 'A': return FWidths[0];
    case '1': case '6': case 'B': return FWidths[1];
    case '2': case '7': case 'C': return FWidths[2];
    case '3': case '8': case 'D': return FWidths[3];
    default: return 0;
  }
}

std::string TrptBarcode::DoCheckSumming(const std::string& Data) const {
  if (CheckSumMethod != csmModulo10) return Data;
  int sum = 0;
  int weight = 3;
  for (size_t i = Data.size(); i-- > 0;) {
    sum += Digit(Data[i]) * weight;
    weight = 4 - weight;
  }
  return Data + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string TrptBarcode::BuildPattern() {
  // Ratio limits of the type (the property itself changes).
  double lower = 0;
  switch (Typ) {
    case bcCode_2_5_matrix: lower = 2.25; break;
    case bcCode128A: case bcCode128B: case bcCode128C: case bcCode93: case bcCode93Extended: case bcCodeMSI:
    case bcCodePostNet: case bcCodeEAN128A: case bcCodeEAN128B: case bcCodeEAN128C: break;
    default: lower = 2; break;
  }
  if (lower > 0) Ratio = std::clamp(Ratio, lower, 3.0);
  CalcElementWidths();

  bool digitsOnly = false;
  switch (Typ) {
    case bcCode_2_5_interleaved: case bcCode_2_5_industrial: case bcCode_2_5_matrix: case bcCodeMSI:
    case bcCodePostNet: case bcCodeEAN8: case bcCodeEAN13: case bcCodeUPC_A: case bcCodeUPC_E0:
    case bcCodeUPC_E1: case bcCodeUPC_Supp2: case bcCodeUPC_Supp5: case bcCodeEAN128C: digitsOnly = true; break;
    default: break;
  }
  if (digitsOnly) {
    Text = Trim(Text);
    for (char ch : Text)
      if (ch < '0' || ch > '9') throw Exception("Barcode must be numeric");
  }
  if (static_cast<int>(Typ) < 0 || static_cast<int>(Typ) > 22) throw Exception(ClassName() + ": wrong BarcodeType");

  switch (Typ) {
    case bcCode_2_5_interleaved: return Code_2_5_interleaved();
    case bcCode_2_5_industrial: return Code_2_5_industrial();
    case bcCode_2_5_matrix: return Code_2_5_matrix();
    case bcCode39: return Code_39();
    case bcCode39Extended: return Code_39Extended();
    case bcCode93: return Code_93();
    case bcCode93Extended: return Code_93Extended();
    case bcCodeMSI: return Code_MSI();
    case bcCodePostNet: return Code_PostNet();
    case bcCodeCodabar: return Code_Codabar();
    case bcCodeEAN8: return Code_EAN8();
    case bcCodeEAN13: return Code_EAN13();
    case bcCodeUPC_A: return Code_UPC_A();
    case bcCodeUPC_E0: return Code_UPC_E(false);
    case bcCodeUPC_E1: return Code_UPC_E(true);
    case bcCodeUPC_Supp2: return Code_Supp2();
    case bcCodeUPC_Supp5: return Code_Supp5();
    default: return Code_128();
  }
}

int TrptBarcode::Width() {
  std::string p = BuildPattern();
  int w = 0;
  for (char c : p) w += ElementWidth(c);
  return w;
}

std::string TrptBarcode::Code_2_5_interleaved() {
  std::string r = "5050";
  for (size_t i = 0; i + 1 < Text.size(); i += 2) {
    const char* a = k25[Digit(Text[i])];
    const char* b = k25[Digit(Text[i + 1])];
    for (int j = 0; j < 5; ++j) {
      r += a[j] == '1' ? '6' : '5';
      r += b[j] == '1' ? '1' : '0';
    }
  }
  return r + "605";
}

std::string TrptBarcode::Code_2_5_industrial() {
  std::string r = "606050";
  for (char c : Text)
    for (int j = 0; j < 5; ++j) r += k25[Digit(c)][j] == '1' ? "60" : "50";
  return r + "605060";
}

std::string TrptBarcode::Code_2_5_matrix() {
  std::string r = "705050";
  for (char c : Text) {
    for (int j = 0; j < 5; ++j) {
      bool wide = k25[Digit(c)][j] == '1';
      r += j % 2 == 0 ? (wide ? '6' : '5') : (wide ? '1' : '0');
    }
    r += '0';
  }
  return r + "70505";
}

std::string TrptBarcode::Code_39() {
  std::string r = C39Pattern(43) + "0";
  int sum = 0;
  for (char c : Text) {
    const char* at = c ? std::strchr(kC39Chars, c) : nullptr;
    if (!at) continue;  // characters outside the table are skipped
    int v = static_cast<int>(at - kC39Chars);
    sum += v;
    r += C39Pattern(v) + "0";
  }
  if (Checksum) r += C39Pattern(sum % 43) + "0";
  return r + C39Pattern(43);
}

std::string TrptBarcode::Code_39Extended() {
  std::string saved = Text, ext;
  for (char c : Text) {
    auto u = static_cast<unsigned char>(c);
    if (u < 128) ext += kFullAscii[u];
  }
  Text = ext;
  std::string r;
  try {
    r = Code_39();
  } catch (...) {
    Text = saved;
    throw;
  }
  Text = saved;
  return r;
}

std::string TrptBarcode::Code_93() {
  std::vector<int> values;
  for (char c : Text) {
    const char* at = c ? std::strchr(kC93Chars, c) : nullptr;
    if (!at) throw Exception(ClassName() + ":Code93 bad Data <" + Text + ">");
    values.push_back(static_cast<int>(at - kC93Chars));
  }
  std::string m = "111141";
  for (int v : values) m += kC93[v];
  // C: weights 1..20 from the right; K: weights 1..15 from the right over the data and C.
  int sum = 0, w = 1;
  for (size_t i = values.size(); i-- > 0;) {
    sum += values[i] * w;
    w = w == 20 ? 1 : w + 1;
  }
  int cc = sum % 47;
  sum = cc;
  w = 2;
  for (size_t i = values.size(); i-- > 0;) {
    sum += values[i] * w;
    w = w == 15 ? 1 : w + 1;
  }
  int kc = sum % 47;
  m += kC93[cc];
  m += kC93[kc];
  m += "1111411";
  return ModulesToPattern(m);
}

std::string TrptBarcode::Code_93Extended() {
  std::string saved = Text, ext;
  for (char c : Text) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 128) continue;
    std::string seq = kFullAscii[u];
    if (seq.size() == 2) {
      switch (seq[0]) {
        case '$': seq[0] = '['; break;
        case '%': seq[0] = ']'; break;
        case '/': seq[0] = '{'; break;
        case '+': seq[0] = '}'; break;
        default: break;
      }
    }
    ext += seq;
  }
  Text = ext;
  std::string r;
  try {
    r = Code_93();
  } catch (...) {
    Text = saved;
    throw;
  }
  Text = saved;
  return r;
}

std::string TrptBarcode::Code_MSI() {
  auto digit = [](int d) {
    std::string s;
    for (int bit = 3; bit >= 0; --bit) s += (d >> bit) & 1 ? "60" : "51";
    return s;
  };
  std::string r = "60";
  for (char c : Text) r += digit(Digit(c));
  // The check digit: the digits at even positions form a number that is doubled; the digit sum
  // of the product plus the digits at odd positions is the total.
  std::string evenDigits;
  int total = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (i % 2 == 1) evenDigits += Text[i];
    else total += Digit(Text[i]);
  }
  // Doubling a decimal string digit by digit (it can be longer than any integer type).
  std::string doubled;
  int carry = 0;
  for (size_t i = evenDigits.size(); i-- > 0;) {
    int v = Digit(evenDigits[i]) * 2 + carry;
    doubled.insert(doubled.begin(), static_cast<char>('0' + v % 10));
    carry = v / 10;
  }
  if (carry) doubled.insert(doubled.begin(), static_cast<char>('0' + carry));
  for (char c : doubled) total += Digit(c);
  r += digit((10 - total % 10) % 10);
  return r + "515";
}

std::string TrptBarcode::Code_PostNet() {
  std::string r = "51";
  for (char c : Text)
    for (int j = 0; j < 5; ++j) {
      r += kPostNet[Digit(c)][j] == '1' ? '5' : 'A';
      r += '1';
    }
  return r + "5";
}

std::string TrptBarcode::Code_Codabar() {
  std::string r = CodabarPattern(16) + "0";
  for (char c : Text) {
    // A character outside the Codabar set has no pattern: it is skipped, as Code 39 does.
    const char* at = c ? std::strchr(kCodabarChars, c) : nullptr;
    if (!at) continue;
    r += CodabarPattern(static_cast<int>(at - kCodabarChars)) + "0";
  }
  return r + CodabarPattern(17);
}

std::string TrptBarcode::Code_EAN8() {
  std::string t;
  if (DigitCheck()) {
    t = PadLeft(Text, 7);
    t = DoCheckSumming(t.substr(t.size() - 7));
  } else {
    t = PadLeft(Text, 8);
  }
  if (t.size() != 8) throw Exception("Invalid Text len (EAN8)");
  std::string r = "505";
  for (int i = 0; i < 4; ++i) r += EanOdd(t[i]);
  r += "05050";
  for (int i = 4; i < 8; ++i) r += EanRight(t[i]);
  return r + "505";
}

std::string TrptBarcode::Code_EAN13() {
  if (Text.size() != 13) {
    Text = PadLeft(Text, 13);
    if (DigitCheck()) Text = DoCheckSumming(Text.substr(1, 12));
  }
  if (Text.size() != 13) throw Exception("Invalid Text len (EAN13)");
  const char* parity = kEan13Parity[Digit(Text[0])];
  std::string r = "505";
  for (int i = 1; i < 7; ++i) r += parity[i - 1] == 'o' ? EanOdd(Text[i]) : EanEven(Text[i]);
  r += "05050";
  for (int i = 7; i < 13; ++i) r += EanRight(Text[i]);
  return r + "505";
}

std::string TrptBarcode::Code_UPC_A() {
  Text = PadLeft(Text, 12);
  if (DigitCheck()) Text = DoCheckSumming(Text.substr(0, 11));
  std::string t = PadLeft(Text, 12);
  std::string r = "505";
  for (int i = 0; i < 6; ++i) r += EanOdd(t[i]);
  r += "05050";
  for (int i = 6; i < 12; ++i) r += EanRight(t[i]);
  return r + "505";
}

std::string TrptBarcode::Code_UPC_E(bool E1) {
  Text = PadLeft(Text, 7);
  std::string six = Text.substr(0, 6);
  // The check digit always comes from the six digits (by the modulo-10 rule, whatever the
  // method, since it chooses the parity row).
  int sum = 0, weight = 3;
  for (size_t i = six.size(); i-- > 0;) {
    sum += Digit(six[i]) * weight;
    weight = 4 - weight;
  }
  char check = static_cast<char>('0' + (10 - sum % 10) % 10);
  if (Checksum) Text = six + check;
  const char* parity = kUpcEParity[check - '0'];
  std::string r = "505";
  for (int i = 0; i < 6; ++i) {
    bool even = (parity[i] == 'E') != E1;
    r += even ? EanEven(six[i]) : EanOdd(six[i]);
  }
  return r + "050505";
}

std::string TrptBarcode::Code_Supp2() {
  // A two-digit supplement carries no check digit of its own (its parity is its check), so
  // Checksum leaves the text as it is instead of growing it on every encoding.
  Text = PadLeft(Text, 2);
  int value = Digit(Text[0]) * 10 + Digit(Text[1]);
  static const char* const kParity[4] = {"oo", "oE", "Eo", "EE"};
  const char* p = kParity[value % 4];
  std::string r = "506";
  r += p[0] == 'o' ? EanOdd(Text[0]) : EanEven(Text[0]);
  r += "05";
  r += p[1] == 'o' ? EanOdd(Text[1]) : EanEven(Text[1]);
  return r;
}

std::string TrptBarcode::Code_Supp5() {
  Text = PadLeft(Text, 5);
  int sum = 0;
  for (int i = 0; i < 5; ++i) sum += Digit(Text[i]) * (i % 2 == 0 ? 3 : 9);
  int check = sum % 10;
  // The check value is appended once: a text that already carries it keeps its length.
  if (Checksum && Text.size() == 5) Text += static_cast<char>('0' + check);
  const char* row = kUpcEParity[check] + 1;
  std::string r = "506";
  for (int i = 0; i < 5; ++i) {
    if (i > 0) r += "05";
    r += row[i] == 'o' ? EanOdd(Text[i]) : EanEven(Text[i]);
  }
  return r;
}

std::string TrptBarcode::Code_128() {
  int start;
  bool ean = Typ == bcCodeEAN128A || Typ == bcCodeEAN128B || Typ == bcCodeEAN128C;
  switch (Typ) {
    case bcCode128A: case bcCodeEAN128A: start = 103; break;
    case bcCode128B: case bcCodeEAN128B: start = 104; break;
    case bcCode128C: case bcCodeEAN128C: start = 105; break;
    default: throw Exception(ClassName() + ": wrong BarcodeType in Code_128");
  }
  std::vector<int> values;
  if (ean) {
    values.push_back(102);  // FNC1
    // The check digit is appended once: the text this generator wrote back last time (a second
    // encoding of the same data, as sizing and drawing both encode) is left as it is.
    if (DigitCheck() && !(FChecked && Text == FCheckedText)) {
      Text = DoCheckSumming(Text);
      FChecked = true;
      FCheckedText = Text;
    }
  }
  if (start == 105) {
    std::string t = Text.size() % 2 ? "0" + Text : Text;
    for (size_t i = 0; i + 1 < t.size(); i += 2) {
      bool digits = t[i] >= '0' && t[i] <= '9' && t[i + 1] >= '0' && t[i + 1] <= '9';
      values.push_back(digits ? Digit(t[i]) * 10 + Digit(t[i + 1]) : 0);
    }
  } else {
    for (char ch : Text) {
      int c = static_cast<unsigned char>(ch);
      int v = 0;  // a character not in the set's column is encoded as a blank
      if (start == 103) {
        if (c >= 32 && c <= 95) v = c - 32;
        else if (c < 32) v = c + 64;
      } else if (c >= 32 && c <= 127) {
        v = c - 32;
      }
      values.push_back(v);
    }
  }
  long sum = start;
  std::string m = kC128[start];
  for (size_t i = 0; i < values.size(); ++i) {
    sum += static_cast<long>(values[i]) * static_cast<long>(i + 1);
    m += kC128[values[i]];
  }
  m += kC128[sum % 103];
  m += "2331112";
  return ModulesToPattern(m);
}

std::unique_ptr<TMetafile> TrptBarcode::MakeMetafile(const RECT& Rect, bool ShowText) {
  std::string pattern = BuildPattern();
  int w = 0;
  for (char c : pattern) {
    if (!std::strchr("01235678ABCD", c) || c == 0)
      throw Exception(ClassName() + ": internal Error");
    w += ElementWidth(c);
  }
  LeftOffset = TopOffset = 0;
  auto mf = std::make_unique<TMetafile>();
  // The layout is made for right angles: any other angle is drawn at the nearest one.
  double a = std::fmod(Angle, 360.0);
  if (a < 0) a += 360;
  int right = static_cast<int>(std::nearbyint(a / 90)) % 4 * 90;
  bool horizontal = right == 0 || right == 180;
  int gap = IsEanLike(Typ) ? 7 : 16;
  double extent = horizontal ? Rect.right - Rect.left : Rect.bottom - Rect.top;
  if (w <= 0 || extent <= 0) return mf;  // nothing to draw into
  double scale = extent / w;
  int mfW, mfH;
  if (horizontal) {
    mfW = w;
    mfH = Near((Rect.bottom - Rect.top) / scale);
    Height = mfH - gap;
    if (right == 180) TopOffset = gap == 7 ? 8 : 16;
  } else {
    mfW = Near((Rect.right - Rect.left) / scale);
    mfH = w;
    Height = mfW - gap;
    if (right == 270) LeftOffset = gap == 7 ? 8 : 16;
  }
  if (Height < 0) Height = 0;
  if (mfW <= 0 || mfH <= 0) return mf;
  mf->SetWidth(mfW);
  mf->SetHeight(mfH);
  double saved = Angle;
  Angle = right;
  {
    TMetafileCanvas mc(mf.get(), nullptr);
    DrawBars(&mc, pattern, w, Height);
    if (ShowText) DrawText(&mc, mfW, mfH, w);
  }
  Angle = saved;
  return mf;
}

void TrptBarcode::DrawToCanvas(TCanvas* Canvas, const RECT& Rect, bool ShowText) {
  std::unique_ptr<TMetafile> mf = MakeMetafile(Rect, ShowText);
  if (!mf->Empty()) Canvas->StretchDraw(Rect, mf.get());
}

void TrptBarcode::DrawBars(TCanvas* Canvas, const std::string& Pattern, int W, int H) {
  double rad = Angle / 180 * kPi;
  double s = std::sin(rad), c = std::cos(rad);
  POINT origin{LeftOffset, TopOffset};
  if (s >= 0 && c >= 0) {
    origin.y += Near(W * s);
  } else if (s >= 0) {
    origin.x += -Near(W * c);
    origin.y += Near(W * s - H * c);
  } else if (c >= 0) {
    origin.x += -Near(H * s);
  } else {
    origin.x += -Near(W * c) - Near(H * s);
    origin.y += -Near(H * c);
  }
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Brush()->SetStyle(bsSolid);
  auto rotate = [&](int X, int Y) {
    return POINT{Near(X * c + Y * s) + origin.x, Near(-X * s + Y * c) + origin.y};
  };
  int x = 0;
  for (char ch : Pattern) {
    int ew = ElementWidth(ch);
    bool bar = (ch >= '5' && ch <= '8') || (ch >= 'A' && ch <= 'D');
    int h = ch >= 'A' && ch <= 'D' ? H * 2 / 5 : H;
    int32_t color = bar ? ColorBar : Color;
    Canvas->Pen()->SetColor(color);
    Canvas->Brush()->SetColor(color);
    if (ew > 0)
      Canvas->Polygon({rotate(x, 0), rotate(x, h), rotate(x + ew - 1, h), rotate(x + ew - 1, 0)});
    x += ew;
  }
}

void TrptBarcode::DrawText(TCanvas* Canvas, int F, int G, int W) {
  int angle = static_cast<int>(Angle);
  Canvas->Font()->SetName("Arial");
  Canvas->Font()->SetSize(9);
  Canvas->Font()->SetColor(ColorBar);
  Canvas->Font()->SetOrientation(angle * 10);
  auto part = [&](int X, int X1, int X2, const std::string& S) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->Pen()->SetStyle(psClear);
    RECT box;
    POINT at;
    switch (angle) {
      case 90: box = RECT{F - 14, G - X2 - 1, F, G - X1}; at = POINT{F - 14, G - X}; break;
      case 180: box = RECT{F - X2 - 1, 0, F - X1, 16}; at = POINT{F - X, 14}; break;
      case 270: box = RECT{0, X1, 14, X2 + 1}; at = POINT{14, X}; break;
      default: box = RECT{X1, G - 16, X2 + 1, G}; at = POINT{X, G - 14}; break;
    }
    Canvas->FillRect(box);
    Canvas->Brush()->SetStyle(bsClear);
    SetBkMode(Canvas->Handle(), TRANSPARENT);
    Canvas->TextOut(at.x, at.y, S);
    Canvas->Pen()->SetStyle(psSolid);
  };
  auto chars = [&](size_t From, size_t Count) { return From < Text.size() ? Text.substr(From, Count) : std::string(); };
  switch (Typ) {
    case bcCodeEAN8:
      part(3, 3, 30, chars(0, 4));
      part(35, 35, W - 4, chars(4, 4));
      break;
    case bcCodeEAN13:
      if (!Text.empty() && Text[0] != '0') part(-8, -8, -2, chars(0, 1));
      part(3, 3, 44, chars(1, 6));
      part(49, 49, W - 4, chars(7, 6));
      break;
    case bcCodeUPC_A:
      part(-8, -8, -2, chars(0, 1));
      part(10, 10, 44, chars(1, 5));
      part(49, 49, 83, chars(6, 5));
      part(W + 1, W + 1, W + 8, chars(11, 1));
      break;
    case bcCodeUPC_E0: case bcCodeUPC_E1:
      part(3, 3, 44, chars(0, 6));
      part(W + 1, W + 1, W + 8, chars(6, 1));
      break;
    default: {
      int x = (W - Canvas->TextWidth(Text)) / 2;
      part(x, 0, W, Text);
      break;
    }
  }
}
