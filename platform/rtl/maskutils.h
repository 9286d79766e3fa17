// Edit masks: the picture language of masked edits, and FormatMaskText which lays a value out
// by such a mask (scripts call it directly).
//
// A mask is up to three fields split by ";": the picture, "0" or "1" (whether the value carries
// the picture's literal characters; default "1"), and the character shown for a missing one
// (default "_"). Picture characters:
//   0 digit   9 optional digit   # optional digit or sign   L letter   l optional letter
//   A letter or digit   a optional letter or digit   C any character   c optional character
//   > upper case from here   < lower case from here   <> no case change from here
//   \ the next character is a literal   : time separator   / date separator   _ a blank
//   ! missing optional characters are leading rather than trailing blanks
// Every other character is a literal.
#pragma once

#include <string>

// Lays Value out by EditMask. Characters are placed as they come (no validation); missing ones
// are written as the mask's blank character; letters take the case the picture asks for.
std::string FormatMaskText(const std::string& EditMask, const std::string& Value);
