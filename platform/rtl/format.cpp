// Format: the platform's printf-like formatting.
//
// A specifier is "%" [index ":"] ["-"] [width] ["." precision] type. The index picks the
// argument (later specifiers continue after it); "-" aligns left within width; "*" for width or
// precision takes the next argument, which must be an integer. Types:
//   d  integer, precision = minimum digits      u  integer as unsigned
//   x  integer in upper-case hex, precision = minimum digits
//   e  scientific, precision = significant digits (default 15), three exponent digits
//   f  fixed, precision = decimals (default 2)  n  like f with thousand separators
//   g  shortest of fixed and scientific, precision = significant digits (default 15)
//   m  money, precision = decimals (default CurrencyDecimals)
//   p  pointer as upper-case hex
//   s  string or character, precision = most bytes (never cutting a UTF-8 character)
// A variant argument is converted to what the type asks for (integer, float or text). An
// argument of the wrong kind, an unknown type or a broken specifier raises EConvertError
// "Format '%s' invalid or incompatible with argument"; a missing argument raises
// "No argument for format '%s'".
#include <cstdint>
#include <string>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"

TVarRec::TVarRec(const Variant& V) : VType(vtVariant), VVariant(std::make_shared<const Variant>(V)) {}

namespace {

[[noreturn]] void RaiseInvalid(const std::string& Fmt) {
  throw EConvertError("Format '" + Fmt + "' invalid or incompatible with argument");
}

[[noreturn]] void RaiseMissing(const std::string& Fmt) {
  throw EConvertError("No argument for format '" + Fmt + "'");
}

bool IsIntegerArg(const TVarRec& A) { return A.VType == TVarRec::vtInteger || A.VType == TVarRec::vtInt64; }

std::string Pad(std::string S, int Width, bool Left) {
  if (Width > 0 && static_cast<int>(S.size()) < Width) {
    std::string Fill(static_cast<size_t>(Width) - S.size(), ' ');
    S = Left ? S + Fill : Fill + S;
  }
  return S;
}

// Digits with a minimum count, the sign kept in front of the zeros.
std::string MinDigits(std::string Digits, int Prec) {
  bool Neg = !Digits.empty() && Digits[0] == '-';
  if (Neg) Digits.erase(0, 1);
  if (Prec > 0 && static_cast<int>(Digits.size()) < Prec)
    Digits.insert(0, static_cast<size_t>(Prec) - Digits.size(), '0');
  return Neg ? "-" + Digits : Digits;
}

}  // namespace

std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args, const TFormatSettings& FS) {
  std::string R;
  size_t ArgIndex = 0;
  const size_t N = Fmt.size();
  size_t I = 0;
  auto NextArg = [&]() -> const TVarRec& {
    if (ArgIndex >= Args.size()) RaiseMissing(Fmt);
    return Args[ArgIndex++];
  };
  // Reads digits or "*" (from the arguments); -1 when neither is there.
  auto ReadNumber = [&]() -> int {
    if (I < N && Fmt[I] == '*') {
      ++I;
      const TVarRec& A = NextArg();
      if (!IsIntegerArg(A)) RaiseInvalid(Fmt);
      return static_cast<int>(A.VInteger);
    }
    if (I >= N || Fmt[I] < '0' || Fmt[I] > '9') return -1;
    int64_t V = 0;
    while (I < N && Fmt[I] >= '0' && Fmt[I] <= '9') {
      V = V * 10 + (Fmt[I++] - '0');
      if (V > 1000000) RaiseInvalid(Fmt);
    }
    return static_cast<int>(V);
  };

  while (I < N) {
    size_t P = Fmt.find('%', I);
    if (P == std::string::npos) {
      R.append(Fmt, I, std::string::npos);
      break;
    }
    R.append(Fmt, I, P - I);
    I = P + 1;
    if (I >= N) RaiseInvalid(Fmt);
    if (Fmt[I] == '%') {
      R += '%';
      ++I;
      continue;
    }
    // Index, then alignment, width and precision.
    int Width = ReadNumber();
    if (I < N && Fmt[I] == ':') {
      if (Width < 0) Width = 0;  // "%:s" means index 0
      ArgIndex = static_cast<size_t>(Width);
      ++I;
      Width = -1;
    }
    bool Left = false;
    if (Width < 0 && I < N && Fmt[I] == '-') {
      Left = true;
      ++I;
    }
    if (Width < 0) Width = ReadNumber();
    int Prec = -1;
    if (I < N && Fmt[I] == '.') {
      ++I;
      Prec = ReadNumber();
      if (Prec < 0) RaiseInvalid(Fmt);
    }
    if (I >= N) RaiseInvalid(Fmt);
    char Type = static_cast<char>(Fmt[I] | 0x20);  // lower case
    ++I;
    if (std::string("duxefgnmps").find(Type) == std::string::npos || Fmt[I - 1] < 'A') RaiseInvalid(Fmt);
    const TVarRec& Given = NextArg();
    // A variant argument becomes the kind its specifier reads.
    TVarRec FromVariant(0);
    if (Given.VType == TVarRec::vtVariant && Given.VVariant) {
      const Variant& V = *Given.VVariant;
      if (Type == 'd' || Type == 'u' || Type == 'x') {
        int64_t I = V.AsInt64();
        FromVariant = (I >= INT32_MIN && I <= INT32_MAX) ? TVarRec(static_cast<int>(I)) : TVarRec(static_cast<long long>(I));
      } else if (Type == 's') {
        FromVariant = TVarRec(VarToStr(V));  // Null reads as the empty text
      }
      else if (Type != 'p') FromVariant = TVarRec(V.AsFloat());
    }
    const TVarRec& A = Given.VType == TVarRec::vtVariant ? FromVariant : Given;
    std::string Text;
    switch (Type) {
      case 'd':
        if (!IsIntegerArg(A)) RaiseInvalid(Fmt);
        Text = MinDigits(IntToStr(A.VInteger), Prec);
        break;
      case 'u':
        if (!IsIntegerArg(A)) RaiseInvalid(Fmt);
        // A 32-bit argument is read as a 32-bit unsigned value, as the platform passes it.
        Text = MinDigits(A.VType == TVarRec::vtInteger ? UIntToStr(static_cast<uint32_t>(A.VInteger))
                                                       : UIntToStr(static_cast<uint64_t>(A.VInteger)),
                         Prec);
        break;
      case 'x':
        if (!IsIntegerArg(A)) RaiseInvalid(Fmt);
        Text = A.VType == TVarRec::vtInteger ? IntToHex(static_cast<int>(A.VInteger), Prec < 0 ? 0 : Prec)
                                             : IntToHex(A.VInteger, Prec < 0 ? 0 : Prec);
        break;
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        if (A.VType != TVarRec::vtExtended && A.VType != TVarRec::vtCurrency) RaiseInvalid(Fmt);
        double V = A.VExtended;
        if (Type == 'e') Text = FloatToStrF(V, ffExponent, Prec < 0 ? 15 : Prec, 3, FS);
        else if (Type == 'g') Text = FloatToStrF(V, ffGeneral, Prec < 0 ? 15 : Prec, 0, FS);
        else if (Type == 'f') Text = FloatToStrF(V, ffFixed, 18, Prec < 0 ? 2 : Prec, FS);
        else if (Type == 'n') Text = FloatToStrF(V, ffNumber, 18, Prec < 0 ? 2 : Prec, FS);
        else Text = FloatToStrF(V, ffCurrency, 18, Prec < 0 ? FS.CurrencyDecimals : Prec, FS);
        break;
      }
      case 'p':
        if (A.VType != TVarRec::vtPointer) RaiseInvalid(Fmt);
        Text = IntToHex(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(A.VPointer)),
                        static_cast<int>(sizeof(void*) * 2));
        break;
      case 's':
        if (A.VType == TVarRec::vtString) Text = A.VString;
        else if (A.VType == TVarRec::vtChar) Text = std::string(1, static_cast<char>(A.VInteger));
        else RaiseInvalid(Fmt);
        if (Prec >= 0 && static_cast<size_t>(Prec) < Text.size()) {
          // Precision counts bytes; a UTF-8 character is never cut in half.
          size_t Cut = static_cast<size_t>(Prec);
          while (Cut > 0 && (static_cast<unsigned char>(Text[Cut]) & 0xC0) == 0x80) --Cut;
          Text.resize(Cut);
        }
        break;
    }
    R += Pad(std::move(Text), Width, Left);
  }
  return R;
}

std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args) {
  return Format(Fmt, Args, FormatSettings);
}
