// A small writer of uncompressed Flash movies for the simulation's product templates, and the
// cutting of such a movie into the pieces of a template database (table a2).
//
// A template movie: the header "FWS", the frame size and rate, a background colour, one
// DefineBitsJPEG2 tag per picture slot (always with the long tag header, so that its 4-byte
// length can be patched), a shape filled with each bitmap, and frames that move, scale and fade
// the shapes in. Cut into pieces, row k holds the bytes before slot k's JPEG data (ending with
// the tag's length field and character id), a = the JPEG data's offset - 1 (so the length field
// lies at a - 5), b = the JPEG's size, c = "WxH"; the last row holds the rest of the movie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One picture slot: where the picture stands at the end of the animation (pixels) and the JPEG
// file it holds in the template (its picture must be Width x Height).
struct TSwfSlot {
  int Left = 0, Top = 0;
  std::string Jpeg;
};

struct TSwfMovieLayout {
  int Width = 800, Height = 600;  // frame size in pixels
  int FrameRate = 24;             // frames per second
  int FrameCount = 48;
  uint32_t Background = 0xFFFFFF;  // 0xRRGGBB
  int SlotWidth = 0, SlotHeight = 0;
  std::vector<TSwfSlot> Slots;
};

// A row of table a2: empty A, B or C are stored as null.
struct TSwfTemplateRow {
  std::string A, B, C, D;
};

struct TSwfTemplate {
  std::string Movie;
  std::vector<TSwfTemplateRow> Rows;
};

// Writes the movie and cuts it into rows (one per slot and the closing piece).
TSwfTemplate SwfBuildTemplate(const TSwfMovieLayout& Layout);

// One tag of a movie: its code, the offset of its header, the offset and length of its body.
struct TSwfTag {
  int Code = 0;
  size_t HeaderOffset = 0, BodyOffset = 0, Length = 0;
};

// Reads the tags of an uncompressed movie. False (with Error set) when the signature is not
// "FWS", the header's length is not the size of Movie, a tag runs beyond the end, or the last tag
// is not End at the very end.
bool SwfListTags(const std::string& Movie, std::vector<TSwfTag>& Tags, std::string& Error);

// Writes a template database: the statements of SchemaSql (the a2 table) and the rows. The file
// is replaced. False with Error set on failure.
bool SwfWriteTemplateDatabase(const std::string& File, const std::string& SchemaSql,
                              const std::vector<TSwfTemplateRow>& Rows, std::string& Error);
