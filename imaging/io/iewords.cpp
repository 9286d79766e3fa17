// Caption storage, lookup and the language of the user's locale.
#include "imaging/io/iewords.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace iewords_detail {
extern const char* const* const BuiltinRows[20];
}

const TIELANGUAGECHARINFO IELanguageCharInfo[IELanguageCount] = {
    {1, ""}, {1, ""}, {1, ""},   {1, ""}, {1, ""},   {1, ""}, {1, ""},        {161, ""}, {204, ""}, {1, ""}, {1, ""},
    {1, ""}, {1, ""}, {1, ""},   {1, ""}, {178, "Tahoma"}, {1, ""}, {1, ""}, {1, ""},   {1, ""},   {1, ""}, {1, ""},
};
const char* const IEVersion = "3.0.3";

namespace {
std::string Table[IELanguageCount][IECaptionCount];
TMsgLanguage SystemLanguage = msEnglish;
}  // namespace

void IESetCaption(uint8_t Language, uint8_t Index, const std::string& Text) {
  if (Language >= IELanguageCount || Index >= IECaptionCount) return;
  Table[Language][Index] = Text;
}

std::string IEGetCaption(uint8_t Index, TMsgLanguage Language) {
  if (Index >= IECaptionCount || Language >= IELanguageCount) return {};
  if (Language == msSystem) Language = SystemLanguage;
  const std::string& s = Table[Language][Index];
  return s.empty() ? Table[msEnglish][Index] : s;
}

void IEInitCaptionTables() {
  IEReadUserLocale();
  for (int row = 0; row < 20; ++row)
    for (int i = 0; i < IECaptionCount; ++i) IESetCaption(uint8_t(row + 1), uint8_t(i), iewords_detail::BuiltinRows[row][i]);
}

void IEFreeCaptionTables() {
  for (auto& row : Table)
    for (auto& s : row) s.clear();
}

TMsgLanguage IELanguageFromLocale(const std::string& Name) {
  // language code, then the territory (for Chinese)
  size_t end = Name.find_first_of("_.@-");
  std::string lang = Name.substr(0, end);
  for (char& c : lang) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string territory;
  if (end != std::string::npos && (Name[end] == '_' || Name[end] == '-')) {
    size_t t = Name.find_first_of(".@", end + 1);
    territory = Name.substr(end + 1, t == std::string::npos ? std::string::npos : t - end - 1);
    for (char& c : territory) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (lang == "zh") {
    // traditional: Taiwan, Hong Kong, Macao; simplified: mainland China, Singapore
    if (territory == "TW" || territory == "HK" || territory == "MO" || territory == "HANT") return msChineseTraditional;
    if (territory == "CN" || territory == "SG" || territory == "HANS") return msChinese;
    return msEnglish;
  }
  static const struct {
    const char* Code;
    TMsgLanguage Language;
  } map[] = {{"cs", msCzech},   {"da", msDanish},   {"de", msGerman},     {"el", msGreek},   {"en", msEnglish},
             {"es", msSpanish}, {"fi", msFinnish},  {"fr", msFrench},     {"it", msItalian}, {"ja", msJapanese},
             {"ko", msKorean},  {"nl", msDutch},    {"pl", msPolish},     {"pt", msPortuguese}, {"ru", msRussian},
             {"sv", msSwedish}, {"tr", msTurkish},  {"fa", msFarsi}};
  for (const auto& m : map)
    if (lang == m.Code) return m.Language;
  return msEnglish;
}

void IEReadUserLocale() {
  const char* name = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != 0) {
      name = v;
      break;
    }
  }
  SystemLanguage = IELanguageFromLocale(name != nullptr ? name : "C");
}

TMsgLanguage IESystemLanguage() { return SystemLanguage; }
