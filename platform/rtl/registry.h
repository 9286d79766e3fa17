// The registry stand-in: TRegistry keeps keys and typed values in one text file,
// $XDG_CONFIG_HOME/orvanta/registry.ini (XDG_CONFIG_HOME defaults to ~/.config), so settings
// persist across instances and runs. TRegistryIniFile is the TCustomIniFile view of one key.
//
// Keys are paths below a root key, separated by "\", matched without regard to case; every
// change is written to the file at once (replacing it in one step, under an advisory lock so
// that concurrent processes do not lose each other's changes), and every read sees the file as
// it is. The file holds one "[ROOT\Path]" section per key and one line per value:
//   "Name"=sz:"text"   "Name"=dword:123   "Name"=hex:0A0B   @=sz:"default value"
// with \\, \", \r and \n escapes in quoted text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/object.h"

class TStrings;

using HKEY = uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;
};

// The folder of the store: $XDG_CONFIG_HOME/orvanta, or ~/.config/orvanta.
std::string RegistryStoreFolder();

class TRegistry : public TObject {
  ORV_CLASS(TRegistry, TObject)
public:
  TRegistry() = default;
  explicit TRegistry(uint32_t AAccess) : FAccess(AAccess) {}
  ~TRegistry() override { CloseKey(); }

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value);  // closes the open key
  uint32_t Access() const { return FAccess; }
  void SetAccess(uint32_t Value) { FAccess = Value; }
  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool Value) { FLazyWrite = Value; }  // kept; writes are immediate anyway
  // Nonzero while a key is open.
  HKEY CurrentKey() const { return FOpen ? FRootKey : 0; }
  // The open key's path below the root, without a leading "\" ("" when none is open).
  const std::string& CurrentPath() const { return FCurrentPath; }

  // Key is absolute when it starts with "\", else relative to the open key. With CanCreate a
  // missing key and its parents are made. False when the key does not exist (and is not made).
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  bool CreateKey(const std::string& Key);
  void CloseKey();
  bool KeyExists(const std::string& Key);
  // Removes the key with all its subkeys and values; false when it does not exist.
  bool DeleteKey(const std::string& Key);
  bool HasSubKeys();
  void GetKeyNames(TStrings* Strings);    // direct subkeys of the open key
  void GetValueNames(TStrings* Strings);  // values of the open key ("" is the default value)

  bool ValueExists(const std::string& Name);
  bool DeleteValue(const std::string& Name);
  TRegDataType GetDataType(const std::string& Name);  // rdUnknown when missing
  int GetDataSize(const std::string& Name);            // -1 when missing
  bool GetDataInfo(const std::string& Name, TRegDataInfo& Value);
  void RenameValue(const std::string& OldName, const std::string& NewName);

  // Reads raise ERegistryException "Failed to get data for '%s'" for a missing value (ReadString
  // answers "" instead, as callers expect) and "Invalid data type for '%s'" for a value of
  // another type. Writes raise "Failed to set data for '%s'" when no key is open or the store
  // cannot be written.
  std::string ReadString(const std::string& Name);  // rdString or rdExpandString
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  int ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name);  // an integer, nonzero is true
  void WriteBool(const std::string& Name, bool Value);
  double ReadFloat(const std::string& Name);  // 8 binary bytes
  void WriteFloat(const std::string& Name, double Value);
  TDateTime ReadDateTime(const std::string& Name);
  void WriteDateTime(const std::string& Name, TDateTime Value);
  // Binary data: ReadBinaryData copies at most BufSize bytes and returns the value's size.
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize);
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

private:
  std::string Resolve(const std::string& Key) const;  // absolute path below the root
  std::string RootName() const;
  std::vector<uint8_t> GetValue(const std::string& Name, TRegDataType Want1,
                                TRegDataType Want2 = rdUnknown);
  void PutValue(const std::string& Name, TRegDataType Type, const std::string& Data);

  HKEY FRootKey = HKEY_CURRENT_USER;
  uint32_t FAccess = 0xF003F;  // all access
  bool FLazyWrite = true;
  bool FOpen = false;
  bool FReadOnly = false;
  std::string FCurrentPath;
};

// Settings in the INI shape over a registry key: FileName is the key (such as
// "\Software\Rede Vivedad" below HKEY_CURRENT_USER), sections are its subkeys, idents their
// values. Integers and Booleans are stored as integer values; everything else as strings.
class TRegistryIniFile : public TCustomIniFile {
  ORV_CLASS(TRegistryIniFile, TCustomIniFile)
public:
  explicit TRegistryIniFile(const std::string& AFileName, HKEY Root = HKEY_CURRENT_USER);
  ~TRegistryIniFile() override;
  TRegistry* RegIniFile() const { return FReg.get(); }

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) override;
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value) override;
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  bool SectionExists(const std::string& Section) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override {}

private:
  bool OpenSection(const std::string& Section, bool Create);
  std::unique_ptr<TRegistry> FReg;
};
