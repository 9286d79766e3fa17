// Caption tables and the language of the user's locale.
#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/io/iewords.h"

class Words : public ::testing::Test {
protected:
  void SetUp() override { IEInitCaptionTables(); }
  void TearDown() override { IEFreeCaptionTables(); }
};

TEST_F(Words, EveryBuiltinRowIsFilled) {
  for (int lang = msEnglish; lang <= msKorean; ++lang) {
    int empty = 0;
    for (int i = 0; i < IECaptionCount; ++i)
      if (IEGetCaption(uint8_t(i), TMsgLanguage(lang)) == IEGetCaption(uint8_t(i), msEnglish) && lang != msEnglish &&
          IEGetCaption(uint8_t(i), msEnglish).size() > 4 && i != 125)
        ++empty;
    // a translated row shares only a few long texts with English (names such as "Histogram")
    EXPECT_LT(empty, 20) << "language " << lang;
  }
  EXPECT_EQ(IEGetCaption(0, msEnglish), "Preview");
  EXPECT_EQ(IEGetCaption(145, msEnglish), "Fit");
  EXPECT_EQ(IEGetCaption(128, msEnglish), "Automatically updates your preview with the changes you have selected");
}

TEST_F(Words, LookupsAndFallbacks) {
  EXPECT_EQ(IEGetCaption(4, msGerman), "Abbrechen");
  EXPECT_EQ(IEGetCaption(123, msPolish), "Rate");  // the Polish entry is empty
  EXPECT_EQ(IEGetCaption(0, msFrench), "Aperçu");
  EXPECT_EQ(IEGetCaption(3, msRussian), "OK");
  EXPECT_EQ(IEGetCaption(0, msUser), "Preview");  // nothing set yet
  IESetCaption(msUser, 0, "Mine");
  EXPECT_EQ(IEGetCaption(0, msUser), "Mine");
  IESetCaption(30, 0, "ignored");
  EXPECT_EQ(IEGetCaption(200, msEnglish), "");
}

TEST_F(Words, SystemLanguageFromTheLocale) {
  struct Case {
    const char* Locale;
    TMsgLanguage Want;
  } cases[] = {{"fr_FR.UTF-8", msFrench}, {"ar_EG.UTF-8", msEnglish}, {"zh_CN.UTF-8", msChinese},
               {"zh_TW.UTF-8", msChineseTraditional}, {"zh_HK", msChineseTraditional}, {"zh", msEnglish},
               {"de_AT@euro", msGerman}, {"C", msEnglish}, {"POSIX", msEnglish}, {"pt_BR", msPortuguese},
               {"fa_IR", msFarsi}, {"", msEnglish}};
  for (const Case& c : cases) EXPECT_EQ(IELanguageFromLocale(c.Locale), c.Want) << c.Locale;

  const char* saved = std::getenv("LC_ALL");
  std::string keep = saved ? saved : "";
  ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
  IEReadUserLocale();
  EXPECT_EQ(IEGetCaption(0, msSystem), "Aperçu");
  ::setenv("LC_ALL", "ar_SA.UTF-8", 1);
  IEReadUserLocale();
  EXPECT_EQ(IEGetCaption(0, msSystem), "Preview");
  if (saved) ::setenv("LC_ALL", keep.c_str(), 1); else ::unsetenv("LC_ALL");
  IEReadUserLocale();
}

TEST(WordsConstants, CharacterSetsAndVersion) {
  EXPECT_EQ(IELanguageCharInfo[msGreek].Charset, 161);
  EXPECT_EQ(IELanguageCharInfo[msRussian].Charset, 204);
  EXPECT_EQ(IELanguageCharInfo[msFarsi].Charset, 178);
  EXPECT_STREQ(IELanguageCharInfo[msFarsi].FontName, "Tahoma");
  EXPECT_EQ(IELanguageCharInfo[msUser].Charset, 1);
  EXPECT_STREQ(IEVersion, "3.0.3");
}
