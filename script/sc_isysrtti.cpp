// The global script and the system functions every script sees without declaring them.
#include "script/sc_isysrtti.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "platform/rtl/automation.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/maskutils.h"
#include "platform/rtl/sysutils.h"
#include "script/sc_iconst.h"
#include "script/sc_ievents.h"
#include "script/sc_itools.h"

std::function<void(const std::string&)> scShowMessageHandler = [](const std::string& S) {
  std::fprintf(stderr, "%s\n", S.c_str());
};

namespace {

// The registration object of the system functions: registrar of its items and owner of the
// callbacks they point to.
class TSysFunctions : public TObject {
public:
  const std::string ctConv = "ctConv", ctFormat = "ctFormat", ctDate = "ctDate", ctString = "ctString",
                    ctMath = "ctMath", ctOther = "ctOther";
  explicit TSysFunctions(TscScript* S);
  Variant CallMethod(TObject* Instance, TClass ClassRef, const std::string& Name, TscArgs& P);

private:
  std::mt19937_64 FRandom{12345};
};

bool gShutDown = false;
TscScript* gGlobal = nullptr;
TSysFunctions* gSysFunctions = nullptr;

Variant DateValue(TDateTime D) { return Variant::FromDate(D); }

int32_t DaysInMonth(int Year, int Month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // A month outside 1..12 is an error rather than a read beyond the table.
  if (Month < 1 || Month > 12) throw EConvertError("Invalid month: " + std::to_string(Month));
  return days[Month - 1] + (Month == 2 && IsLeapYear(static_cast<Word>(Year)) ? 1 : 0);
}

TSysFunctions::TSysFunctions(TscScript* S) {
  S->Registrar = this;
  auto cb = [this](TObject* I, TClass C, const std::string& N, TscArgs& P) { return CallMethod(I, C, N, P); };
  struct Def {
    const char* Decl;
    const std::string* Cat;
  };
  const Def defs[] = {
      {"function IntToStr(i: Integer): String", &ctConv},
      {"function FloatToStr(e: Extended): String", &ctConv},
      {"function DateToStr(e: Extended): String", &ctConv},
      {"function TimeToStr(e: Extended): String", &ctConv},
      {"function DateTimeToStr(e: Extended): String", &ctConv},
      {"function VarToStr(v: Variant): String", &ctConv},
      {"function StrToInt(s: String): Integer", &ctConv},
      {"function StrToFloat(s: String): Extended", &ctConv},
      {"function StrToDate(s: String): Extended", &ctConv},
      {"function StrToTime(s: String): Extended", &ctConv},
      {"function StrToDateTime(s: String): Extended", &ctConv},
      {"function Format(Fmt: String; Args: array): String", &ctFormat},
      {"function FormatFloat(Fmt: String; Value: Extended): String", &ctFormat},
      {"function FormatDateTime(Fmt: String; DateTime: TDateTime): String", &ctFormat},
      {"function FormatMaskText(EditMask: string; Value: string): string", &ctFormat},
      {"function EncodeDate(Year, Month, Day: Word): TDateTime", &ctDate},
      {"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", &ctDate},
      {"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", &ctDate},
      {"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", &ctDate},
      {"function Date: TDateTime", &ctDate},
      {"function Time: TDateTime", &ctDate},
      {"function Now: TDateTime", &ctDate},
      {"function DayOfWeek(aDate: TDateTime): Integer", &ctDate},
      {"function IsLeapYear(Year: Word): Boolean", &ctDate},
      {"function DaysInMonth(nYear, nMonth: Integer): Integer", &ctDate},
      {"function Length(s: Variant): Integer", &ctString},
      {"function Copy(s: String; from, count: Integer): String", &ctString},
      {"function Pos(substr, s: String): Integer", &ctString},
      {"procedure Delete(var s: String; from, count: Integer)", &ctString},
      {"procedure Insert(s: String; var s2: String; pos: Integer)", &ctString},
      {"function Uppercase(s: String): String", &ctString},
      {"function Lowercase(s: String): String", &ctString},
      {"function Trim(s: String): String", &ctString},
      {"function NameCase(s: String): String", &ctString},
      {"function CompareText(s, s1: String): Integer", &ctString},
      {"function Chr(i: Integer): Char", &ctString},
      {"function Ord(ch: Char): Integer", &ctString},
      {"procedure SetLength(var S: Variant; L: Integer)", &ctString},
      {"function Round(e: Extended): Integer", &ctMath},
      {"function Trunc(e: Extended): Integer", &ctMath},
      {"function Int(e: Extended): Integer", &ctMath},
      {"function Frac(X: Extended): Extended", &ctMath},
      {"function Sqrt(e: Extended): Extended", &ctMath},
      {"function Abs(e: Extended): Extended", &ctMath},
      {"function Sin(e: Extended): Extended", &ctMath},
      {"function Cos(e: Extended): Extended", &ctMath},
      {"function ArcTan(X: Extended): Extended", &ctMath},
      {"function Tan(X: Extended): Extended", &ctMath},
      {"function Exp(X: Extended): Extended", &ctMath},
      {"function Ln(X: Extended): Extended", &ctMath},
      {"function Pi: Extended", &ctMath},
      {"procedure Inc(var i: Integer; incr: Integer = 1)", &ctOther},
      {"procedure Dec(var i: Integer; decr: Integer = 1)", &ctOther},
      {"procedure RaiseException(Param: String)", &ctOther},
      {"procedure ShowMessage(Msg: Variant)", &ctOther},
      {"procedure Randomize", &ctOther},
      {"function Random: Extended", &ctOther},
      {"function ValidInt(cInt: String): Boolean", &ctOther},
      {"function ValidFloat(cFlt: String): Boolean", &ctOther},
      {"function ValidDate(cDate: String): Boolean", &ctOther},
      {"function CreateOleObject(ClassName: String): Variant", &ctOther},
      {"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", &ctOther},
      {"function VarType(V: Variant): Integer", &ctOther},
  };
  for (const Def& d : defs) S->AddMethod(d.Decl, cb, *d.Cat, "");
  const std::pair<const char*, int> vars[] = {
      {"varEmpty", 0},      {"varNull", 1},       {"varSmallint", 2},   {"varInteger", 3},  {"varSingle", 4},
      {"varDouble", 5},     {"varCurrency", 6},   {"varDate", 7},       {"varOleStr", 8},   {"varDispatch", 9},
      {"varError", 10},     {"varBoolean", 11},   {"varVariant", 12},   {"varUnknown", 13}, {"varShortInt", 16},
      {"varByte", 17},      {"varWord", 18},      {"varLongWord", 19},  {"varInt64", 20},   {"varStrArg", 72},
      {"varString", 256},   {"varAny", 257},      {"varTypeMask", 4095}, {"varArray", 8192}, {"varByRef", 16384}};
  for (const auto& v : vars) S->AddConst(v.first, "Integer", v.second);
  S->Registrar = nullptr;
}

Variant TSysFunctions::CallMethod(TObject*, TClass, const std::string& N, TscArgs& P) {
  auto f = [&](size_t i) { return P[i].AsFloat(); };
  auto s = [&](size_t i) { return VarToStr(P[i]); };
  auto i32 = [&](size_t i) { return P[i].AsInteger(); };
  // Conversion.
  if (N == "INTTOSTR") return Variant(std::to_string(P[0].AsInt64()));
  if (N == "FLOATTOSTR") return Variant(FloatToStr(f(0)));
  if (N == "DATETOSTR") return Variant(DateToStr(f(0)));
  if (N == "TIMETOSTR") return Variant(TimeToStr(f(0)));
  if (N == "DATETIMETOSTR") return Variant(DateTimeToStr(f(0)));
  if (N == "VARTOSTR") return Variant(VarToStr(P[0]));
  if (N == "STRTOINT") return StrToInt(s(0));
  if (N == "STRTOFLOAT") return static_cast<double>(StrToFloat(s(0)));
  if (N == "STRTODATE") return DateValue(StrToDate(s(0)));
  if (N == "STRTOTIME") return DateValue(StrToTime(s(0)));
  if (N == "STRTODATETIME") return DateValue(StrToDateTime(s(0)));
  // Formatting.
  if (N == "FORMAT") return Variant(Format(s(0), VariantToArgs(P[1])));
  if (N == "FORMATFLOAT") return Variant(FormatFloat(s(0), f(1)));
  if (N == "FORMATDATETIME") return Variant(FormatDateTime(s(0), f(1)));
  if (N == "FORMATMASKTEXT") return Variant(FormatMaskText(s(0), s(1)));
  // Dates.
  if (N == "ENCODEDATE") return DateValue(EncodeDate(static_cast<Word>(i32(0)), static_cast<Word>(i32(1)), static_cast<Word>(i32(2))));
  if (N == "DECODEDATE") {
    Word y, m, d;
    DecodeDate(f(0), y, m, d);
    P[1] = static_cast<int32_t>(y);
    P[2] = static_cast<int32_t>(m);
    P[3] = static_cast<int32_t>(d);
    return 0;
  }
  if (N == "ENCODETIME")
    return DateValue(EncodeTime(static_cast<Word>(i32(0)), static_cast<Word>(i32(1)), static_cast<Word>(i32(2)), static_cast<Word>(i32(3))));
  if (N == "DECODETIME") {
    Word h, m, sec, ms;
    DecodeTime(f(0), h, m, sec, ms);
    P[1] = static_cast<int32_t>(h);
    P[2] = static_cast<int32_t>(m);
    P[3] = static_cast<int32_t>(sec);
    P[4] = static_cast<int32_t>(ms);
    return 0;
  }
  if (N == "DATE") return DateValue(Date());
  if (N == "TIME") return DateValue(Time());
  if (N == "NOW") return DateValue(Now());
  if (N == "DAYOFWEEK") return DayOfWeek(f(0));
  if (N == "ISLEAPYEAR") return IsLeapYear(static_cast<Word>(i32(0)));
  if (N == "DAYSINMONTH") return DaysInMonth(i32(0), i32(1));
  // Strings.
  if (N == "LENGTH") {
    if (P[0].IsArray()) return VarArrayHighBound(P[0], 1) - VarArrayLowBound(P[0], 1) + 1;
    return static_cast<int32_t>(VarToStr(P[0]).size());
  }
  if (N == "COPY") return Variant(Copy(s(0), i32(1), i32(2)));
  if (N == "POS") return Pos(s(0), s(1));
  if (N == "DELETE") {
    std::string t = s(0);
    Delete(t, i32(1), i32(2));
    P[0] = Variant(t);
    return 0;
  }
  if (N == "INSERT") {
    std::string t = s(1);
    Insert(s(0), t, i32(2));
    P[1] = Variant(t);
    return 0;
  }
  if (N == "UPPERCASE") return Variant(AnsiUpperCase(s(0)));
  if (N == "LOWERCASE") return Variant(AnsiLowerCase(s(0)));
  if (N == "TRIM") return Variant(Trim(s(0)));
  if (N == "NAMECASE") {
    std::string t = AnsiLowerCase(s(0));
    for (size_t i = 0; i < t.size(); ++i)
      if ((i == 0 || t[i - 1] == ' ') && t[i] >= 'a' && t[i] <= 'z') t[i] = static_cast<char>(t[i] - 32);
    return Variant(t);
  }
  if (N == "COMPARETEXT") return AnsiCompareText(s(0), s(1));
  if (N == "CHR") return Variant(std::string(1, static_cast<char>(i32(0) & 0xFF)));
  if (N == "ORD") {
    std::string t = s(0);
    if (t.empty()) throw ERangeError("Ord of an empty string");
    return static_cast<int32_t>(static_cast<unsigned char>(t[0]));
  }
  if (N == "SETLENGTH") {
    int l = i32(1);
    if (P[0].IsString()) {
      std::string t = s(0);
      t.resize(static_cast<size_t>(std::max(l, 0)), ' ');
      P[0] = Variant(t);
    } else {
      if (l > scMaxArrayElements) throw ERangeError(SArrayTooLarge);
      VarArrayRedim(P[0], l - 1);
    }
    return 0;
  }
  // Mathematics.
  if (N == "ROUND") return static_cast<int32_t>(Round(f(0)));
  if (N == "TRUNC") return static_cast<int32_t>(std::trunc(f(0)));
  if (N == "INT") return std::trunc(f(0));
  if (N == "FRAC") return f(0) - std::trunc(f(0));
  if (N == "SQRT") return std::sqrt(f(0));
  if (N == "ABS") return std::fabs(f(0));
  if (N == "SIN") return std::sin(f(0));
  if (N == "COS") return std::cos(f(0));
  if (N == "ARCTAN") return std::atan(f(0));
  if (N == "TAN") return std::sin(f(0)) / std::cos(f(0));
  if (N == "EXP") return std::exp(f(0));
  if (N == "LN") return std::log(f(0));
  if (N == "PI") return 3.1415926535897932385;
  // Other.
  if (N == "INC" || N == "DEC") {
    const Variant& a = P[0];
    const Variant& b = P[1];
    if (a.VType() == varInteger && VarIsOrdinal(b) && b.VType() != varBoolean) {
      // Both parameters are Integer: the 32-bit sum, wrapping as "i := i + incr" does.
      uint32_t x = static_cast<uint32_t>(a.Data().I32), y = static_cast<uint32_t>(b.AsInteger());
      P[0] = static_cast<int32_t>(N == "INC" ? x + y : x - y);
      return 0;
    }
    P[0] = VarBinaryOp(N == "INC" ? opAdd : opSubtract, a, b);
    return 0;
  }
  if (N == "RAISEEXCEPTION") throw Exception(s(0));
  if (N == "SHOWMESSAGE") {
    if (scShowMessageHandler) scShowMessageHandler(s(0));
    return 0;
  }
  if (N == "RANDOMIZE") {
    FRandom.seed(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return 0;
  }
  if (N == "RANDOM") return std::uniform_real_distribution<double>(0.0, 1.0)(FRandom);
  if (N == "VALIDINT") {
    int v;
    return TryStrToInt(s(0), v);
  }
  if (N == "VALIDFLOAT") {
    Extended v;
    return TryStrToFloat(s(0), v);
  }
  if (N == "VALIDDATE") {
    TDateTime v;
    return TryStrToDate(s(0), v);
  }
  if (N == "CREATEOLEOBJECT") return CreateOleObject(s(0));
  if (N == "VARARRAYCREATE") {
    std::vector<int> bounds;
    const Variant& b = P[0];
    if (b.IsArray())
      for (int i = VarArrayLowBound(b, 1); i <= VarArrayHighBound(b, 1); ++i) bounds.push_back(b.GetElement(&i, 1).AsInteger());
    long long elements = 1;
    for (size_t i = 0; i + 1 < bounds.size(); i += 2) {
      long long n = static_cast<long long>(bounds[i + 1]) - bounds[i] + 1;
      elements *= n > 0 ? n : 0;
      if (elements > scMaxArrayElements) throw ERangeError(SArrayTooLarge);
    }
    return VarArrayCreate(bounds, static_cast<TVarType>(i32(1)));
  }
  if (N == "VARTYPE") return static_cast<int32_t>(VarType(P[0]));
  return 0;
}

}  // namespace

TscScript* scGlobalScript() {
  if (gShutDown) return nullptr;
  if (!gGlobal) {
    GlobalEventList();
    gGlobal = new TscScript(nullptr);
    const std::pair<const char*, TscTypeCode> types[] = {
        {"Byte", 0},     {"Word", 0},     {"Integer", 0},   {"Longint", 0},  {"Cardinal", 0},  {"TColor", 0},
        {"Boolean", 1},  {"Real", 2},     {"Single", 2},    {"Double", 2},   {"Extended", 2},  {"Currency", 2},
        {"TDate", 2},    {"TTime", 2},    {"TDateTime", 2}, {"Char", 3},     {"String", 4},    {"Variant", 7},
        {"Pointer", 7},  {"Array", 6},    {"Constructor", 9}};
    for (const auto& t : types) gGlobal->AddBaseType(t.first, t.second);
    gGlobal->AddConst("True", "Boolean", true);
    gGlobal->AddConst("False", "Boolean", false);
    gGlobal->AddConst("nil", "Variant", 0);
    gGlobal->AddConst("Null", "Variant", Null());
    gSysFunctions = new TSysFunctions(gGlobal);
  }
  return gGlobal;
}

void scShutdownGlobalScript() {
  scFreeGlobalEventList();
  if (gSysFunctions && gGlobal) gGlobal->RemoveItems(gSysFunctions);
  delete gSysFunctions;
  gSysFunctions = nullptr;
  delete gGlobal;
  gGlobal = nullptr;
  gShutDown = true;
}
