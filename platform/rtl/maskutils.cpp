// FormatMaskText and the picture parsing behind it.
#include "platform/rtl/maskutils.h"

#include <cctype>
#include <vector>

#include "platform/rtl/sysutils.h"

namespace {

enum class TCase { None, Upper, Lower };

struct TMaskPos {
  bool Literal;
  char Ch;  // the literal, or the picture character of a data position
  TCase Case;
};

struct TMask {
  std::vector<TMaskPos> Positions;
  bool SaveLiterals = true;
  char Blank = '_';
  bool LeadingBlanks = false;
};

// Splits at ";" that is not escaped by "\".
std::vector<std::string> Fields(const std::string& M) {
  std::vector<std::string> R(1);
  for (size_t I = 0; I < M.size(); ++I) {
    if (M[I] == '\\' && I + 1 < M.size()) {
      R.back() += M[I];
      R.back() += M[++I];
    } else if (M[I] == ';') {
      R.emplace_back();
    } else {
      R.back() += M[I];
    }
  }
  return R;
}

TMask ParseMask(const std::string& EditMask) {
  TMask Mask;
  std::vector<std::string> F = Fields(EditMask);
  if (F.size() > 1 && !F[1].empty()) Mask.SaveLiterals = F[1][0] != '0';
  if (F.size() > 2 && !F[2].empty()) Mask.Blank = F[2][0];
  const std::string& P = F[0];
  TCase Case = TCase::None;
  for (size_t I = 0; I < P.size(); ++I) {
    char C = P[I];
    switch (C) {
      case '!': Mask.LeadingBlanks = true; break;
      case '>':
        if (I + 1 < P.size() && P[I + 1] == '<') {
          Case = TCase::None;
          ++I;
        } else {
          Case = TCase::Upper;
        }
        break;
      case '<': Case = TCase::Lower; break;
      case '\\':
        if (I + 1 < P.size()) Mask.Positions.push_back({true, P[++I], TCase::None});
        break;
      case ':': Mask.Positions.push_back({true, FormatSettings.TimeSeparator, TCase::None}); break;
      case '/': Mask.Positions.push_back({true, FormatSettings.DateSeparator, TCase::None}); break;
      case '_': Mask.Positions.push_back({true, ' ', TCase::None}); break;
      case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C': case 'c':
        Mask.Positions.push_back({false, C, Case});
        break;
      default: Mask.Positions.push_back({true, C, TCase::None}); break;
    }
  }
  return Mask;
}

char ApplyCase(char C, TCase Case) {
  unsigned char U = static_cast<unsigned char>(C);
  if (Case == TCase::Upper) return static_cast<char>(std::toupper(U));
  if (Case == TCase::Lower) return static_cast<char>(std::tolower(U));
  return C;
}

}  // namespace

std::string FormatMaskText(const std::string& EditMask, const std::string& Value) {
  TMask Mask = ParseMask(EditMask);
  if (Mask.Positions.empty()) return Value;
  // The positions the value's characters fill: every position when the value carries the
  // literals, else the data positions only.
  size_t Slots = 0;
  for (const TMaskPos& P : Mask.Positions)
    if (Mask.SaveLiterals || !P.Literal) ++Slots;
  // With "!" a short value is right-aligned: the missing characters lead.
  size_t Skip = Mask.LeadingBlanks && Value.size() < Slots ? Slots - Value.size() : 0;
  std::string R;
  size_t Slot = 0;
  for (const TMaskPos& P : Mask.Positions) {
    bool Fills = Mask.SaveLiterals || !P.Literal;
    if (P.Literal) {
      R += P.Ch;
    } else {
      size_t K = Slot - Skip;
      R += (Slot >= Skip && K < Value.size() && Value[K] != ' ') ? ApplyCase(Value[K], P.Case) : Mask.Blank;
    }
    if (Fills) ++Slot;
  }
  return R;
}
