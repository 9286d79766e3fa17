// Caption tables of the imaging library's dialogs: 22 rows (one per TMsgLanguage) of 146 texts,
// the language of msSystem resolved from the user's locale (LC_ALL, LC_MESSAGES or LANG), and
// the per-language character-set records.
#pragma once

#include <cstdint>
#include <string>

// The ordinal is the row of the caption table.
enum TMsgLanguage : uint8_t {
  msSystem, msEnglish, msItalian, msGerman, msSpanish, msFrench, msPortuguese, msGreek, msRussian, msDutch,
  msSwedish, msPolish, msJapanese, msCzech, msFinnish, msFarsi, msChinese, msChineseTraditional, msDanish,
  msTurkish, msKorean, msUser
};
constexpr int IELanguageCount = 22;
constexpr int IECaptionCount = 146;

struct TIELANGUAGECHARINFO {
  int32_t Charset;
  const char* FontName;
};
extern const TIELANGUAGECHARINFO IELanguageCharInfo[IELanguageCount];
extern const char* const IEVersion;  // "3.0.3"

// Stores Text (UTF-8) at row Language, column Index; out-of-range arguments are ignored.
void IESetCaption(uint8_t Language, uint8_t Index, const std::string& Text);
// The caption in that language; msSystem is resolved from the user's locale; an empty entry gives
// the English text.
std::string IEGetCaption(uint8_t Index, TMsgLanguage Language);
// Fills rows 1 to 20 with the built-in texts.
void IEInitCaptionTables();
// Empties every row.
void IEFreeCaptionTables();

// The language a POSIX locale name ("fr_FR.UTF-8", "zh_TW", "C") selects for msSystem.
TMsgLanguage IELanguageFromLocale(const std::string& LocaleName);
// Reads the user's locale from the environment (LC_ALL, then LC_MESSAGES, then LANG); the result
// is what msSystem resolves to until the next call. Called by IEInitCaptionTables.
void IEReadUserLocale();
TMsgLanguage IESystemLanguage();
