// String helpers beyond sysutils.h: replacing, matching against lists, delimiters, wrapping and
// line breaks, splitting into string lists, hex text, memory comparison, and the multibyte and
// 8-bit code pages.
//
// Positions count from 1 and count bytes, as in sysutils.h. The "Ansi" forms that take counts
// (AnsiLeftStr, AnsiRightStr, AnsiMidStr) count characters of the UTF-8 text instead, so they
// never cut a character in two. Case-insensitive forms ignore the case of every letter
// (sysutils.h's AnsiSameText rules).
//
// Code pages: the process's own text is UTF-8 (code page 65001), so the "system's multibyte code
// page" is UTF-8 and IsDBCSLeadByte answers for UTF-8 lead bytes. 8-bit and double-byte code
// pages of stored or exported text (936, 950, 1250-1252, 437, ...) are converted with the C
// library's converters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

class TStrings;

// Every occurrence of FromText replaced by ToText; the Text forms ignore case.
std::string AnsiReplaceStr(const std::string& AText, const std::string& AFromText,
                           const std::string& AToText);
std::string AnsiReplaceText(const std::string& AText, const std::string& AFromText,
                            const std::string& AToText);
std::string ReplaceStr(const std::string& AText, const std::string& AFromText,
                       const std::string& AToText);
std::string ReplaceText(const std::string& AText, const std::string& AFromText,
                        const std::string& AToText);

// Index of AText in AValues (-1 when absent) and whether it is there; the Text forms ignore case.
int AnsiIndexStr(const std::string& AText, const std::vector<std::string>& AValues);
int AnsiIndexText(const std::string& AText, const std::vector<std::string>& AValues);
bool AnsiMatchStr(const std::string& AText, const std::vector<std::string>& AValues);
bool AnsiMatchText(const std::string& AText, const std::vector<std::string>& AValues);

bool StartsStr(const std::string& ASubText, const std::string& AText);
bool StartsText(const std::string& ASubText, const std::string& AText);
bool EndsStr(const std::string& ASubText, const std::string& AText);
bool EndsText(const std::string& ASubText, const std::string& AText);
bool ContainsStr(const std::string& AText, const std::string& ASubText);
bool ContainsText(const std::string& AText, const std::string& ASubText);

// Character-counting forms of LeftStr/RightStr/MidStr (AStart counts characters from 1).
std::string AnsiLeftStr(const std::string& AText, int ACount);
std::string AnsiRightStr(const std::string& AText, int ACount);
std::string AnsiMidStr(const std::string& AText, int AStart, int ACount);
// AText with ALength bytes at AStart replaced by ASubText (clipped like Copy and Delete).
std::string StuffString(const std::string& AText, int AStart, int ALength,
                        const std::string& ASubText);

// Whether the byte at Index (from 1) of S is one of Delimiters; false outside S.
bool IsDelimiter(const std::string& Delimiters, const std::string& S, int Index);
// Position (from 1) of the last byte of S that is one of Delimiters; 0 when there is none.
int LastDelimiter(const std::string& Delimiters, const std::string& S);

// Whether the first Length bytes of P1 and P2 are equal (true for Length <= 0).
bool CompareMem(const void* P1, const void* P2, int Length);

// Line breaks. The line break of this platform is "\n" (sLineBreak).
inline constexpr const char* sLineBreak = "\n";
enum TTextLineBreakStyle { tlbsLF, tlbsCRLF, tlbsCR };
// Every line break of S (CR LF, LF or a lone CR) written in Style.
std::string AdjustLineBreaks(const std::string& S, TTextLineBreakStyle Style = tlbsLF);
// Breaks Line into lines of at most MaxCol characters: BreakStr goes after the last of
// BreakChars before the first character that does not fit (break characters themselves may hang
// past MaxCol, so blanks at a break stay at the end of the line). A word longer than MaxCol stays
// whole (the line breaks at the first break character after it). Line breaks already in Line start a new line; no break
// is added at the end of the text. Characters are counted, not bytes.
std::string WrapText(const std::string& Line, const std::string& BreakStr,
                     const std::string& BreakChars, int MaxCol);
std::string WrapText(const std::string& Line, int MaxCol = 45);  // "\n" at blanks, tabs and "-"

// Adds the items of Content to Strings and returns how many it added. Items end at any of
// Separators, CR or LF; WhiteSpace characters at the start of an item are skipped; separators
// inside a '...' or "..." quotation belong to the item (the quotes are kept); empty items are not
// added. Strings may be null (only counts).
int ExtractStrings(const std::string& Separators, const std::string& WhiteSpace,
                   const std::string& Content, TStrings* Strings);
// S split at every one of Delimiters; empty parts are kept ("a,,b" gives three parts, "" one).
std::vector<std::string> SplitString(const std::string& S, const std::string& Delimiters);

// Bytes as upper-case hex digits (two per byte), and hex text (either case) back to bytes;
// HexToBin stops at the first pair that is not hex and returns the number of bytes written.
std::string BinToHex(const void* Buffer, int BufSize);
int HexToBin(const std::string& Text, void* Buffer, int BufSize);

// ---- Code pages ----
enum : int { CP_ACP = 0, CP_OEMCP = 1, CP_UTF8 = 65001 };
// The process's ANSI code page (65001: its text is UTF-8) and the OEM code page of text exports
// (437).
int GetACP();
int GetOEMCP();
// Whether Byte starts a character of more than one byte in the process's code page (UTF-8: the
// bytes C2 to F4). A caller stepping over characters uses CharLength, as UTF-8 characters take up
// to four bytes.
bool IsDBCSLeadByte(Byte TestChar);
// Bytes of the UTF-8 character at Index (from 1) of S: 1 for ASCII, for a byte that starts no
// valid sequence and outside S; otherwise 2 to 4.
int CharLength(const std::string& S, int Index);
// UTF-8 text from text in CodePage (936, 950, 1250..1258, 437, 850, 866, 20866, 28591, ...;
// CP_ACP and 65001 leave it as it is), and back. Bytes that are not text in the source code page
// become U+FFFD; characters the target code page lacks become "?". An unknown code page raises
// EConvertError "Code page %d is not supported".
std::string CodePageToUtf8(const std::string& S, int CodePage);
std::string Utf8ToCodePage(const std::string& S, int CodePage);
// The platform's ANSI-to-OEM conversion of text exports: UTF-8 text to code page 437 bytes, and
// back.
std::string CharToOem(const std::string& S);
std::string OemToChar(const std::string& S);
