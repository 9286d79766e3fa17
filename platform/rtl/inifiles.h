// Settings files in the INI format: TCustomIniFile (the typed reading and writing every store
// shares), TMemIniFile (the whole file in memory, written by UpdateFile) and TIniFile (every
// write goes to the file at once, every read sees the file as it is now).
//
// Format: "[Section]" lines, then "Name=Value" lines; blanks around names, values and section
// names are ignored; sections and names are matched without regard to case; lines starting with
// ";" or "#" and lines without "=" are kept as they are but hold no value. A name written twice
// in a section reads as its first occurrence (which is also the one a write changes); a section
// written twice is one section. A missing file is an empty one. Files are UTF-8 (a leading byte
// order mark is skipped); a file read with CR LF line breaks is written back with them, others
// with "\n". Names, sections and values that would break the line structure (a line break, or
// "=" in a name, or "]" in a section name) raise EIniFileException and change nothing.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/object.h"

class TStrings;
class TStream;
struct TIniData;

class TCustomIniFile : public TObject {
  ORV_CLASS(TCustomIniFile, TObject)
public:
  explicit TCustomIniFile(const std::string& AFileName) : FFileName(AFileName) {}
  const std::string& FileName() const { return FFileName; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) = 0;
  // Decimal, or hexadecimal with "$" or "0x"; Default when missing or not a number.
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // Written as "1"/"0"; a non-zero number or "True" reads as true, "0" or "False" as false,
  // anything else as Default.
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  // Floats and dates in the text forms of the current locale settings (FloatToStr, DateToStr,
  // TimeToStr, DateTimeToStr); Default when missing or not a value of that kind.
  double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
  void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
  TDateTime ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default);
  void WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value);
  TDateTime ReadDateTime(const std::string& Section, const std::string& Ident, TDateTime Default);
  void WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value);
  TDateTime ReadTime(const std::string& Section, const std::string& Ident, TDateTime Default);
  void WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value);
  // Bytes as upper-case hexadecimal text. ReadBinaryStream writes the bytes at Value's position
  // and returns their count (0 when missing; EIniFileException for text that is not hex).
  int ReadBinaryStream(const std::string& Section, const std::string& Name, TStream* Value);
  void WriteBinaryStream(const std::string& Section, const std::string& Name, TStream* Value);

  // The lists are cleared first.
  virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;  // names
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const std::string& Section, TStrings* Strings) = 0;  // Name=Value
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  virtual void UpdateFile() = 0;
  virtual bool SectionExists(const std::string& Section);
  virtual bool ValueExists(const std::string& Section, const std::string& Ident);

protected:
  std::string FFileName;
};

// The whole file in memory; changes reach the file only through UpdateFile.
class TMemIniFile : public TCustomIniFile {
  ORV_CLASS(TMemIniFile, TCustomIniFile)
public:
  // Reads the file when it exists; EIniFileException when it exists but cannot be read.
  explicit TMemIniFile(const std::string& AFileName);
  ~TMemIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  bool SectionExists(const std::string& Section) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;
  // Writes the content to FileName (replacing the file in one step); EIniFileException
  // "Unable to write to %s" when that fails, with the file left as it was.
  void UpdateFile() override;

  void Clear();
  // The content as the lines of an INI file, and back.
  void GetStrings(TStrings* List);
  void SetStrings(TStrings* List);
  // Changes the file name; with Reload the content is read from the new file.
  void Rename(const std::string& AFileName, bool Reload);

private:
  std::unique_ptr<TIniData> FData;
};

// Reads see the file as it is at the call; writes rewrite the file at once.
class TIniFile : public TCustomIniFile {
  ORV_CLASS(TIniFile, TCustomIniFile)
public:
  explicit TIniFile(const std::string& AFileName);
  ~TIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  // EIniFileException "Unable to write to %s" when the file cannot be written.
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  bool SectionExists(const std::string& Section) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override {}  // nothing is pending

private:
  TIniData& Fresh();                    // the file's current content
  void Store(const TIniData& Data);     // replaces the file
  std::unique_ptr<TIniData> FData;
};
