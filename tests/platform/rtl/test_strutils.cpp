// Replacing, matching, delimiters, wrapping, splitting, hex text and code pages.
#include <gtest/gtest.h>

#include "platform/rtl/strings.h"
#include "platform/rtl/strutils.h"
#include "raised.h"

namespace {

TEST(StrUtils, ReplaceAndMatch) {
  EXPECT_EQ(AnsiReplaceStr("a-b-c", "-", "+"), "a+b+c");
  EXPECT_EQ(AnsiReplaceStr("Aa", "a", "x"), "Ax");
  EXPECT_EQ(AnsiReplaceText("Aa", "a", "x"), "xx");
  EXPECT_EQ(ReplaceText("Ölbild ÖL", "öl", "Öl"), "Ölbild Öl");  // letters beyond ASCII too
  EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");

  const std::vector<std::string> Values{"Jpg", "png", "tif"};
  EXPECT_EQ(AnsiIndexStr("png", Values), 1);
  EXPECT_EQ(AnsiIndexStr("jpg", Values), -1);
  EXPECT_EQ(AnsiIndexText("JPG", Values), 0);
  EXPECT_TRUE(AnsiMatchText("TIF", Values));
  EXPECT_FALSE(AnsiMatchStr("TIF", Values));

  EXPECT_TRUE(StartsText("IMG", "img_001.jpg"));
  EXPECT_FALSE(StartsStr("IMG", "img_001.jpg"));
  EXPECT_TRUE(EndsText(".JPG", "img_001.jpg"));
  EXPECT_FALSE(EndsStr(".JPG", "img_001.jpg"));
  EXPECT_TRUE(ContainsText("Customer Name", "NAME"));
  EXPECT_FALSE(ContainsStr("Customer Name", "NAME"));
}

TEST(StrUtils, CharacterCountingFormsNeverSplitACharacter) {
  const std::string S = "日本語ab";  // three 3-byte characters, two ASCII
  struct Case { std::string Got, Want; };
  for (const Case& C : {Case{AnsiLeftStr(S, 2), "日本"}, Case{AnsiLeftStr(S, 99), S},
                        Case{AnsiLeftStr(S, 0), ""}, Case{AnsiRightStr(S, 3), "語ab"},
                        Case{AnsiRightStr(S, 9), S}, Case{AnsiMidStr(S, 2, 2), "本語"},
                        Case{AnsiMidStr(S, 4, 9), "ab"}, Case{AnsiMidStr(S, 9, 1), ""},
                        Case{AnsiMidStr(S, 0, 1), "日"}})
    EXPECT_EQ(C.Got, C.Want);

  EXPECT_EQ(StuffString("abcdef", 2, 3, "XY"), "aXYef");
  EXPECT_EQ(StuffString("abc", 4, 2, "Z"), "abcZ");
  EXPECT_EQ(StuffString("abc", 9, 2, "Z"), "abcZ");
  EXPECT_EQ(StuffString("abc", 1, 0, "Z"), "Zabc");
}

TEST(StrUtils, DelimitersAndMemory) {
  const std::string Path = "/photos/2024.01/img.jpg";
  EXPECT_EQ(LastDelimiter("/", Path), 16);
  EXPECT_EQ(LastDelimiter("./", Path), 20);
  EXPECT_EQ(LastDelimiter("\\", Path), 0);
  EXPECT_EQ(LastDelimiter("", Path), 0);
  EXPECT_TRUE(IsDelimiter("/.", Path, 1));
  EXPECT_TRUE(IsDelimiter("/.", Path, 20));
  EXPECT_FALSE(IsDelimiter("/.", Path, 2));
  EXPECT_FALSE(IsDelimiter("/.", Path, 0));
  EXPECT_FALSE(IsDelimiter("/.", Path, 99));

  const char A[] = "abcdef", B[] = "abcxef";
  EXPECT_TRUE(CompareMem(A, B, 3));
  EXPECT_FALSE(CompareMem(A, B, 4));
  EXPECT_TRUE(CompareMem(A, nullptr, 0));
}

TEST(StrUtils, AdjustLineBreaksNormalisesEveryForm) {
  const std::string Mixed = "a\r\nb\nc\rd\n\re";
  EXPECT_EQ(AdjustLineBreaks(Mixed), "a\nb\nc\nd\n\ne");
  EXPECT_EQ(AdjustLineBreaks(Mixed, tlbsCRLF), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(AdjustLineBreaks("x\r\n", tlbsCR), "x\r");
  EXPECT_EQ(AdjustLineBreaks(""), "");
}

TEST(StrUtils, WrapTextBreaksAfterTheLastBreakCharacterThatFits) {
  struct Case { std::string Line; int MaxCol; std::string Want; };
  for (const Case& C : {
           Case{"aaaa bbbb cccc", 10, "aaaa bbbb \ncccc"},
           Case{"aaaa bbbb cccc", 7, "aaaa \nbbbb \ncccc"},
           Case{"short", 45, "short"},
           // A word longer than the line stays whole; the break comes after it.
           Case{"abcdefghijkl mn", 5, "abcdefghijkl \nmn"},
           // Existing line breaks restart the count; no break is added at the very end.
           Case{"aaa bbb\nccc ddd ", 7, "aaa bbb\nccc ddd "},
           Case{"well-known words", 8, "well-\nknown \nwords"},
           // Characters, not bytes, are counted.
           Case{"日本 語本 日日", 5, "日本 語本 \n日日"},
       })
    EXPECT_EQ(WrapText(C.Line, C.MaxCol), C.Want) << C.Line << " @" << C.MaxCol;
  EXPECT_EQ(WrapText("a,b,c,d", "|", ",", 3), "a,b,|c,d");
}

TEST(StrUtils, ExtractStringsAndSplitString) {
  TStringList L;
  int N = ExtractStrings(",;", " ", "  one, two;;'three, four' ,\"5;6\"\r\nseven", &L);
  EXPECT_EQ(N, 5);
  EXPECT_EQ(L.ToVector(), (std::vector<std::string>{"one", "two", "'three, four' ", "\"5;6\"",
                                                    "seven"}));
  // Strings already in the list stay; a null list only counts.
  EXPECT_EQ(ExtractStrings(",", "", "x,y", &L), 2);
  EXPECT_EQ(L.Count(), 7);
  EXPECT_EQ(ExtractStrings(",", "", "x,,y,", nullptr), 2);
  EXPECT_EQ(ExtractStrings(",", " ", "", &L), 0);

  EXPECT_EQ(SplitString("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitString("a;b,c", ",;"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitString("", ","), (std::vector<std::string>{""}));
}

TEST(StrUtils, HexText) {
  const unsigned char Bytes[] = {0x00, 0xA3, 0xBA, 0xFF};
  EXPECT_EQ(BinToHex(Bytes, 4), "00A3BAFF");
  EXPECT_EQ(BinToHex(Bytes, 0), "");
  unsigned char Out[4] = {1, 1, 1, 1};
  EXPECT_EQ(HexToBin("00a3BAff", Out, 4), 4);
  EXPECT_EQ(BinToHex(Out, 4), "00A3BAFF");
  unsigned char Short[4] = {0, 0, 0, 0};
  EXPECT_EQ(HexToBin("0102zz04", Short, 4), 2);  // stops at the first pair that is not hex
  EXPECT_EQ(HexToBin("010203", Short, 2), 2);    // never past the buffer
}

TEST(StrUtils, LeadBytesAndCharacterLengthsOfUtf8) {
  EXPECT_EQ(GetACP(), CP_UTF8);
  EXPECT_FALSE(IsDBCSLeadByte('A'));
  EXPECT_FALSE(IsDBCSLeadByte(0x80));  // continuation byte
  EXPECT_FALSE(IsDBCSLeadByte(0xC0));  // only overlong forms would start with it
  EXPECT_TRUE(IsDBCSLeadByte(0xC3));
  EXPECT_TRUE(IsDBCSLeadByte(0xE4));

  const std::string S = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xE4\xB8";  // a é 中 😀, cut 中
  struct Case { int Index, Want; };
  for (const Case& C : {Case{1, 1}, Case{2, 2}, Case{3, 1}, Case{4, 3}, Case{7, 4}, Case{11, 1},
                        Case{0, 1}, Case{99, 1}})
    EXPECT_EQ(CharLength(S, C.Index), C.Want) << C.Index;
  EXPECT_EQ(CharLength("\xE0\x80\x80", 1), 1);  // overlong
  EXPECT_EQ(CharLength("\xED\xA0\x80", 1), 1);  // surrogate
}

TEST(StrUtils, CodePageConversions) {
  // The full-width colon is A3 BA in code page 936.
  EXPECT_EQ(Utf8ToCodePage("Total memo\xEF\xBC\x9A", 936), "Total memo\xA3\xBA");
  EXPECT_EQ(CodePageToUtf8("\xA3\xBA", 936), "\xEF\xBC\x9A");
  EXPECT_EQ(CodePageToUtf8("\xD6\xD0\xCE\xC4", 936), "中文");
  EXPECT_EQ(Utf8ToCodePage("Привет", 1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(CodePageToUtf8("caf\xE9", 1252), "café");
  EXPECT_EQ(CodePageToUtf8("x", CP_UTF8), "x");
  EXPECT_EQ(Utf8ToCodePage("\xFFx", CP_ACP), "\xFFx");  // the process's own text is left alone

  // Characters a code page lacks become "?", bytes that are no text U+FFFD.
  EXPECT_EQ(Utf8ToCodePage("a中b", 1252), "a?b");
  EXPECT_EQ(Utf8ToCodePage("a\xFF" "b", 1252), "a?b");
  EXPECT_EQ(CodePageToUtf8("a\x81", 936), "a\xEF\xBF\xBD");  // cut-off double-byte character

  // Texts longer than the converter's output buffer come through whole.
  std::string Long;
  for (int I = 0; I < 5000; ++I) Long += "中x";
  const std::string Gbk = Utf8ToCodePage(Long, 936);
  EXPECT_EQ(Gbk.size(), 15000u);
  EXPECT_EQ(CodePageToUtf8(Gbk, 936), Long);

  // Box drawing of text exports in the OEM code page.
  EXPECT_EQ(CharToOem("┌─┐"), "\xDA\xC4\xBF");
  EXPECT_EQ(OemToChar("\xDA\xC4\xBF"), "┌─┐");

  EXPECT_EQ(Raised([] { Utf8ToCodePage("x", 12345); }),
            "EConvertError: Code page 12345 is not supported");
}

}  // namespace
