// TIETIFFHandler: every directory (page) of a TIFF held in memory as an editable tag table, with
// the data its tags point to, written back with all offsets recomputed. Used to put EXIF tags
// into an existing TIFF page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;

// One directory entry. Tag, type and count are held as numbers; Value holds the 4 value bytes in
// the byte order of the file the entry came from, and Data the value bytes that do not fit there
// (also in that order). A sub-directory tag (34665, 34853, 40965) holds its directory in Nested;
// a data-offset tag (273, 324, 513, and 48320, 48322 in files of version 444) holds the blocks
// it points to in Blocks and has type LONG.
struct TIETIFFTag {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {0, 0, 0, 0};
  std::vector<uint8_t> Data;
  std::vector<TIETIFFTag> Nested;
  std::vector<std::vector<uint8_t>> Blocks;
  bool HasNested = false;
  bool HasBlocks = false;
};

using TIETIFFPage = std::vector<TIETIFFTag>;

class TIETIFFHandler {
public:
  TIETIFFHandler() = default;
  static std::unique_ptr<TIETIFFHandler> CreateFromFile(const std::string& FileName);
  static std::unique_ptr<TIETIFFHandler> CreateFromStream(TStream* Stream);

  // False when the file does not exist (or is not a TIFF).
  bool ReadFile(const std::string& FileName);
  // Clears the pages and reads every directory from the stream position; false when the header
  // is not "II" or "MM".
  bool ReadStream(TStream* Stream);
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TIETIFFPage* Page(int Index) { return Index >= 0 && Index < PageCount() ? &FPages[size_t(Index)] : nullptr; }
  // Entry index of Tag in page PageIndex; -1 when absent or when the page does not exist.
  int FindTag(int PageIndex, int Tag) const;
  void DeleteTag(int PageIndex, int EntryIndex);
  // Value Index of Tag in Entries as an integer (0 when absent or of a non-integer type).
  int32_t GetIntegerValue(const TIETIFFPage& Entries, int Tag, int Index) const;
  // Replaces Tag with a one-value entry of Type (ASCII: Text; RATIONAL: Value x 10000 / 10000).
  void SetTagValue(TIETIFFPage& Entries, int Tag, double Value, int Type, const std::string& Text = "");
  // Copies entry EntryIndex of Source's page SourcePage into this handler's page DestPage, with
  // its data; nothing when the byte orders differ or a page does not exist.
  void CopyTag(int SourcePage, int EntryIndex, int DestPage, TIETIFFHandler* Source);
  void SortPage(int PageIndex);
  void DeletePage(int PageIndex);
  void Clear() { FPages.clear(); }
  // Writes the header and page PageIndex, or every page when the index is outside the list.
  void WriteStream(TStream* Stream, int PageIndex);
  void WriteFile(const std::string& FileName, int PageIndex);

  bool Motorola() const { return FMotorola; }
  uint16_t Version() const { return FVersion; }

private:
  bool ReadDirectory(TStream* S, int64_t Base, int64_t Pos, TIETIFFPage& Out, bool Nested, int64_t& Next);
  void WriteDirectory(TStream* S, int64_t Base, TIETIFFPage& L);
  bool IsDataOffsetTag(int Tag) const;
  int ByteCountTag(int Tag) const;

  std::vector<TIETIFFPage> FPages;
  bool FMotorola = false;
  uint16_t FVersion = 42;
  uint64_t FBlockBudget = 0;  // bytes the data blocks of the stream being read may still take
};
