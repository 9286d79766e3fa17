// The form skin engine's skin archive (".ssk": a ZIP-style archive whose local header starts
// with "SK", holding the deflated record file "SKINDATA.SK2", optionally with the traditional
// archive encryption) and the reader of its records.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/vcl/graphics.h"

// Number of key names of the skin records: colours 0-31, bitmaps 32-65, metrics 66-74,
// flags 75-83.
constexpr int SkinKeyCount = 84;
constexpr int SkinColorBase = 0;
constexpr int SkinBitmapBase = 32;
constexpr int SkinMetricBase = 66;
constexpr int SkinFlagBase = 75;
// The key name at Index (0-83); "" outside.
const char* SkinKeyName(int Index);

// Extraction results.
constexpr uint8_t SkinExtractOk = 0;
constexpr uint8_t SkinExtractFailed = 1;
constexpr uint8_t SkinExtractWrongPassword = 2;

// The archive's traditional encryption: three keys, each plain byte updating them. The skin
// tool and the tests write encrypted entries with the same schedule the reader undoes.
struct TswArchiveKeys {
  uint32_t K0 = 0x12345678, K1 = 0x23456789, K2 = 0x34567890;
  explicit TswArchiveKeys(const std::string& Password = std::string());
  void Update(uint8_t Plain);
  uint8_t Stream() const;
  uint8_t Encrypt(uint8_t Plain);
  uint8_t Decrypt(uint8_t Cipher);
};

// Writes the inflated entry EntryName (compared without regard to case) of the archive to
// OutputFile. 0 extracted, 1 failed (missing or unreadable archive, no such entry, damaged
// data), 2 wrong password (encrypted entry with an empty password, a check byte that does not
// match, or an encrypted entry whose decrypted data do not inflate to its recorded size). On any
// result but 0 the output file is deleted.
uint8_t SkinArchiveExtract(const std::string& ArchiveFile, const std::string& EntryName,
                           const std::string& OutputFile, const std::string& Password);

// The records of one skin archive, loaded by the constructor. Raises Exception
// "Wrong password!" or "Failed to read skin file!"; a damaged record file (header size above
// 24, integer data above 4 bytes, offsets outside the file, a record chain that comes back to
// a record already read, a bitmap that does not load) is "Failed to read skin file!".
class Tsk2SkinFileReader {
public:
  Tsk2SkinFileReader(const std::string& ArchiveFile, const std::string& Password);
  ~Tsk2SkinFileReader();
  Tsk2SkinFileReader(const Tsk2SkinFileReader&) = delete;
  Tsk2SkinFileReader& operator=(const Tsk2SkinFileReader&) = delete;

  // The bitmap of that name (first match, any case), owned by the reader; nullptr when absent.
  TBitmap* GetBitmap(const std::string& Name) const;
  // The integer record's value; -1 when absent or not a number.
  int GetInteger(const std::string& Name) const;
  // The byte record's value; 0 when absent.
  uint8_t GetByte(const std::string& Name) const;
  // Every bitmap gets fixed transparency with this colour.
  void SetTransparentColor(TColor Color);

  int BitmapCount() const { return static_cast<int>(FBitmaps.size()); }
  int IntegerCount() const { return static_cast<int>(FIntegers.size()); }
  int ByteCount() const { return static_cast<int>(FBytes.size()); }
  int StringCount() const { return static_cast<int>(FStrings.size()); }

private:
  // Parses the record file held in Data.
  void SkinRecordsLoad(const std::vector<uint8_t>& Data);
  std::vector<std::pair<std::string, std::unique_ptr<TBitmap>>> FBitmaps;
  // "name=value" lines, as the record file gave them.
  std::vector<std::string> FIntegers, FBytes, FStrings;
};
