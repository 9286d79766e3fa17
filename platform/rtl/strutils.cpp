// String helpers beyond sysutils: see strutils.h.
#include "platform/rtl/strutils.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/strings.h"

std::string AnsiReplaceStr(const std::string& AText, const std::string& AFromText,
                           const std::string& AToText) {
  return StringReplace(AText, AFromText, AToText, {rfReplaceAll});
}

std::string AnsiReplaceText(const std::string& AText, const std::string& AFromText,
                            const std::string& AToText) {
  return StringReplace(AText, AFromText, AToText, {rfReplaceAll, rfIgnoreCase});
}

std::string ReplaceStr(const std::string& AText, const std::string& AFromText,
                       const std::string& AToText) {
  return AnsiReplaceStr(AText, AFromText, AToText);
}

std::string ReplaceText(const std::string& AText, const std::string& AFromText,
                        const std::string& AToText) {
  return AnsiReplaceText(AText, AFromText, AToText);
}

int AnsiIndexStr(const std::string& AText, const std::vector<std::string>& AValues) {
  for (size_t I = 0; I < AValues.size(); ++I)
    if (AValues[I] == AText) return static_cast<int>(I);
  return -1;
}

int AnsiIndexText(const std::string& AText, const std::vector<std::string>& AValues) {
  for (size_t I = 0; I < AValues.size(); ++I)
    if (AnsiSameText(AValues[I], AText)) return static_cast<int>(I);
  return -1;
}

bool AnsiMatchStr(const std::string& AText, const std::vector<std::string>& AValues) {
  return AnsiIndexStr(AText, AValues) >= 0;
}

bool AnsiMatchText(const std::string& AText, const std::vector<std::string>& AValues) {
  return AnsiIndexText(AText, AValues) >= 0;
}

bool StartsStr(const std::string& ASubText, const std::string& AText) {
  return AnsiStartsStr(ASubText, AText);
}
bool StartsText(const std::string& ASubText, const std::string& AText) {
  return AnsiStartsText(ASubText, AText);
}
bool EndsStr(const std::string& ASubText, const std::string& AText) {
  return AnsiEndsStr(ASubText, AText);
}
bool EndsText(const std::string& ASubText, const std::string& AText) {
  return AnsiEndsText(ASubText, AText);
}
bool ContainsStr(const std::string& AText, const std::string& ASubText) {
  return AnsiContainsStr(AText, ASubText);
}
bool ContainsText(const std::string& AText, const std::string& ASubText) {
  return AnsiContainsText(AText, ASubText);
}

namespace {

bool IsContinuation(unsigned char C) { return (C & 0xC0) == 0x80; }

// Byte offset of character number Chars (from 0) of S, or S.size() when S has fewer.
size_t OffsetOfChar(const std::string& S, int64_t Chars) {
  size_t P = 0;
  while (P < S.size() && Chars > 0) {
    P += static_cast<size_t>(CharLength(S, static_cast<int>(P) + 1));
    --Chars;
  }
  return P < S.size() ? P : S.size();
}

}  // namespace

std::string AnsiLeftStr(const std::string& AText, int ACount) {
  if (ACount <= 0) return "";
  return AText.substr(0, OffsetOfChar(AText, ACount));
}

std::string AnsiRightStr(const std::string& AText, int ACount) {
  if (ACount <= 0) return "";
  int Total = Utf8Length(AText);
  if (ACount >= Total) return AText;
  return AText.substr(OffsetOfChar(AText, Total - ACount));
}

std::string AnsiMidStr(const std::string& AText, int AStart, int ACount) {
  if (ACount <= 0) return "";
  if (AStart < 1) AStart = 1;
  size_t From = OffsetOfChar(AText, AStart - 1);
  size_t To = From + OffsetOfChar(AText.substr(From), ACount);
  return AText.substr(From, To - From);
}

std::string StuffString(const std::string& AText, int AStart, int ALength,
                        const std::string& ASubText) {
  std::string R = AText;
  if (AStart < 1) AStart = 1;
  if (static_cast<size_t>(AStart) > R.size() + 1) AStart = static_cast<int>(R.size()) + 1;
  Delete(R, AStart, ALength);
  Insert(ASubText, R, AStart);
  return R;
}

bool IsDelimiter(const std::string& Delimiters, const std::string& S, int Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size()) return false;
  return Delimiters.find(S[static_cast<size_t>(Index) - 1]) != std::string::npos;
}

int LastDelimiter(const std::string& Delimiters, const std::string& S) {
  size_t P = S.find_last_of(Delimiters);
  return P == std::string::npos ? 0 : static_cast<int>(P) + 1;
}

bool CompareMem(const void* P1, const void* P2, int Length) {
  if (Length <= 0) return true;
  return std::memcmp(P1, P2, static_cast<size_t>(Length)) == 0;
}

std::string AdjustLineBreaks(const std::string& S, TTextLineBreakStyle Style) {
  const char* Break = Style == tlbsCRLF ? "\r\n" : (Style == tlbsCR ? "\r" : "\n");
  std::string R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '\r') {
      if (I + 1 < S.size() && S[I + 1] == '\n') ++I;
      R += Break;
    } else if (S[I] == '\n') {
      R += Break;
    } else {
      R += S[I];
    }
  }
  return R;
}

std::string WrapText(const std::string& Line, const std::string& BreakStr,
                     const std::string& BreakChars, int MaxCol) {
  std::string R;
  R.reserve(Line.size() + Line.size() / 8);
  size_t LineStart = 0;             // offset in R where the current line starts
  size_t BreakAt = std::string::npos;  // offset in R just after the last break character
  int Col = 0;                      // characters on the current line
  for (size_t I = 0; I < Line.size(); ++I) {
    const char C = Line[I];
    if (C == '\r' || C == '\n') {
      R += C;
      LineStart = R.size();
      BreakAt = std::string::npos;
      Col = 0;
      continue;
    }
    const bool StartsChar = !IsContinuation(static_cast<unsigned char>(C));
    const bool IsBreakChar = BreakChars.find(C) != std::string::npos;
    // A break character may hang past the end of the line; any other character that does not
    // fit ends the line after the last break character.
    if (StartsChar && !IsBreakChar && Col >= MaxCol && BreakAt != std::string::npos &&
        BreakAt > LineStart) {
      R.insert(BreakAt, BreakStr);
      LineStart = BreakAt + BreakStr.size();
      BreakAt = std::string::npos;
      Col = Utf8Length(R.substr(LineStart));
    }
    R += C;
    if (StartsChar) ++Col;
    if (IsBreakChar) BreakAt = R.size();
  }
  return R;
}

std::string WrapText(const std::string& Line, int MaxCol) {
  return WrapText(Line, sLineBreak, " \t-", MaxCol);
}

int ExtractStrings(const std::string& Separators, const std::string& WhiteSpace,
                   const std::string& Content, TStrings* Strings) {
  int Added = 0;
  size_t I = 0;
  const size_t N = Content.size();
  if (Strings) Strings->BeginUpdate();
  try {
    while (I < N) {
      while (I < N && (WhiteSpace.find(Content[I]) != std::string::npos || Content[I] == '\r' ||
                       Content[I] == '\n'))
        ++I;
      const size_t Head = I;
      char Quote = 0;
      while (I < N) {
        const char C = Content[I];
        if (Quote) {
          if (C == Quote) Quote = 0;
        } else if (C == '\'' || C == '"') {
          Quote = C;
        } else if (C == '\r' || C == '\n' || Separators.find(C) != std::string::npos) {
          break;
        }
        ++I;
      }
      if (I > Head) {
        if (Strings) Strings->Add(Content.substr(Head, I - Head));
        ++Added;
      }
      ++I;  // past the separator
    }
  } catch (...) {
    if (Strings) Strings->EndUpdate();
    throw;
  }
  if (Strings) Strings->EndUpdate();
  return Added;
}

std::vector<std::string> SplitString(const std::string& S, const std::string& Delimiters) {
  std::vector<std::string> R;
  size_t From = 0;
  while (true) {
    size_t P = S.find_first_of(Delimiters, From);
    if (P == std::string::npos) break;
    R.push_back(S.substr(From, P - From));
    From = P + 1;
  }
  R.push_back(S.substr(From));
  return R;
}

std::string BinToHex(const void* Buffer, int BufSize) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string R;
  if (BufSize <= 0) return R;
  R.reserve(static_cast<size_t>(BufSize) * 2);
  const auto* P = static_cast<const unsigned char*>(Buffer);
  for (int I = 0; I < BufSize; ++I) {
    R += Digits[P[I] >> 4];
    R += Digits[P[I] & 15];
  }
  return R;
}

namespace {
int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}
}  // namespace

int HexToBin(const std::string& Text, void* Buffer, int BufSize) {
  auto* P = static_cast<unsigned char*>(Buffer);
  int Written = 0;
  for (size_t I = 0; I + 1 < Text.size() && Written < BufSize; I += 2) {
    int Hi = HexValue(Text[I]), Lo = HexValue(Text[I + 1]);
    if (Hi < 0 || Lo < 0) break;
    P[Written++] = static_cast<unsigned char>(Hi * 16 + Lo);
  }
  return Written;
}

// ---- Code pages ----

int GetACP() { return CP_UTF8; }
int GetOEMCP() { return 437; }

bool IsDBCSLeadByte(Byte TestChar) { return TestChar >= 0xC2 && TestChar <= 0xF4; }

int CharLength(const std::string& S, int Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size()) return 1;
  const size_t P = static_cast<size_t>(Index) - 1;
  const auto B = [&](size_t K) { return static_cast<unsigned char>(S[K]); };
  const unsigned char C = B(P);
  int Len;
  if (C >= 0xC2 && C <= 0xDF) Len = 2;
  else if (C >= 0xE0 && C <= 0xEF) Len = 3;
  else if (C >= 0xF0 && C <= 0xF4) Len = 4;
  else return 1;
  if (P + static_cast<size_t>(Len) > S.size()) return 1;
  for (int K = 1; K < Len; ++K)
    if (!IsContinuation(B(P + static_cast<size_t>(K)))) return 1;
  // Overlong forms and surrogates are not characters.
  if (C == 0xE0 && B(P + 1) < 0xA0) return 1;
  if (C == 0xED && B(P + 1) > 0x9F) return 1;
  if (C == 0xF0 && B(P + 1) < 0x90) return 1;
  if (C == 0xF4 && B(P + 1) > 0x8F) return 1;
  return Len;
}

namespace {

bool IsUtf8CodePage(int CodePage) { return CodePage == CP_ACP || CodePage == CP_UTF8; }

// The converter's name of a code page.
std::string IconvName(int CodePage) {
  if (CodePage == CP_OEMCP) return "CP437";
  if (CodePage == 20866) return "KOI8-R";
  if (CodePage == 21866) return "KOI8-U";
  if (CodePage >= 28591 && CodePage <= 28605) return "ISO-8859-" + std::to_string(CodePage - 28590);
  if (CodePage == 20127) return "ASCII";
  return "CP" + std::to_string(CodePage);
}

class TConverter {
public:
  TConverter(const std::string& To, const std::string& From, int CodePage)
      : FHandle(iconv_open(To.c_str(), From.c_str())) {
    if (FHandle == reinterpret_cast<iconv_t>(-1))
      throw EConvertError(Format("Code page %d is not supported", {CodePage}));
  }
  ~TConverter() { iconv_close(FHandle); }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  // Converts S; a sequence the converter cannot take is skipped (SkipLen(offset) bytes) and
  // Replacement written in its place.
  template <class F>
  std::string Run(const std::string& S, const std::string& Replacement, F SkipLen) {
    std::string R;
    std::vector<char> In(S.begin(), S.end());
    char* InP = In.data();
    size_t InLeft = In.size();
    char Out[4096];
    while (InLeft > 0) {
      char* OutP = Out;
      size_t OutLeft = sizeof(Out);
      size_t Rc = iconv(FHandle, &InP, &InLeft, &OutP, &OutLeft);
      const int Err = errno;  // before anything else can change it
      R.append(Out, static_cast<size_t>(OutP - Out));
      if (Rc != static_cast<size_t>(-1)) continue;
      if (Err == E2BIG) continue;
      // EILSEQ or EINVAL: an invalid or unconvertible sequence, or one cut off at the end.
      size_t Skip = SkipLen(static_cast<size_t>(InP - In.data()));
      if (Skip > InLeft) Skip = InLeft;
      InP += Skip;
      InLeft -= Skip;
      R += Replacement;
      iconv(FHandle, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
    // Flush a stateful encoding's closing sequence.
    char* OutP = Out;
    size_t OutLeft = sizeof(Out);
    iconv(FHandle, nullptr, nullptr, &OutP, &OutLeft);
    R.append(Out, static_cast<size_t>(OutP - Out));
    return R;
  }

private:
  iconv_t FHandle;
};

}  // namespace

std::string CodePageToUtf8(const std::string& S, int CodePage) {
  if (IsUtf8CodePage(CodePage)) return S;
  TConverter Conv("UTF-8", IconvName(CodePage), CodePage);
  return Conv.Run(S, "\xEF\xBF\xBD", [](size_t) { return size_t(1); });
}

std::string Utf8ToCodePage(const std::string& S, int CodePage) {
  if (IsUtf8CodePage(CodePage)) return S;
  TConverter Conv(IconvName(CodePage), "UTF-8", CodePage);
  return Conv.Run(S, "?", [&S](size_t Offset) {
    return static_cast<size_t>(CharLength(S, static_cast<int>(Offset) + 1));
  });
}

std::string CharToOem(const std::string& S) { return Utf8ToCodePage(S, GetOEMCP()); }
std::string OemToChar(const std::string& S) { return CodePageToUtf8(S, GetOEMCP()); }
