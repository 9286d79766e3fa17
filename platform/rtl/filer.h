// The binary property filer: TReader and TWriter read and write typed value records on a stream,
// and carry an object's defined properties (TPersistent::DefineProperties) by name.
//
// A value record is one TValueType byte followed by its data, little-endian:
//   vaNull         end of a list, set or collection (no data)
//   vaList         values up to a vaNull
//   vaInt8/16/32/64 signed integer of 1/2/4/8 bytes (writers pick the smallest that holds it)
//   vaExtended     10-byte extended float; doubles convert to it and back exactly
//   vaSingle/vaDate 4-byte float / 8-byte double (days since 1899-12-30)
//   vaCurrency     8-byte integer holding the value times 10000
//   vaString/vaIdent 1-byte length + bytes; vaLString/vaUTF8String/vaBinary 4-byte length + bytes
//   vaWString      4-byte count of UTF-16 units + UTF-16LE
//   vaFalse/vaTrue/vaNil no data
//   vaSet          element names (1-byte length + bytes) up to an empty name
//   vaCollection   items, each an optional integer index then vaList-less property records ended
//                  by vaNull; the collection ends with vaNull
// A property record is the name (1-byte length + bytes) followed by one value.
// Strings are this system's UTF-8 text; wide strings are converted on the way in and out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

class TStream;
class TPersistent;
class TComponent;
class TReader;
class TWriter;

enum TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

// Common part of TReader and TWriter: the stream, the root component for references, and the
// defined-property interface that TPersistent::DefineProperties calls.
class TFiler : public TObject {
  ORV_CLASS(TFiler, TObject)
public:
  // BufSize is accepted for the callers' sake; the filer reads and writes the stream directly so
  // that its position and the stream's always agree.
  TFiler(TStream* AStream, int BufSize);
  TStream* Stream() const { return FStream; }

  TComponent* Root() const { return FRoot; }
  virtual void SetRoot(TComponent* Value) { FRoot = Value; }
  TComponent* LookupRoot() const { return FLookupRoot; }
  TPersistent* Ancestor() const { return FAncestor; }
  void SetAncestor(TPersistent* Value) { FAncestor = Value; }
  bool IgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool Value) { FIgnoreChildren = Value; }

  // A property whose value the object reads and writes itself with the filer's value calls.
  // The writer writes it when HasData is true (and WriteData is set); the reader calls ReadData
  // when the record being read carries this name.
  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;
  // Same for a block of bytes, stored as one vaBinary value.
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;
  // Kept for callers that flush before using the stream; nothing is buffered.
  virtual void FlushBuffer() {}

protected:
  TStream* FStream;
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};

// Reads value records. Every read checks the value type: a type that cannot give the asked
// value raises EReadError "Invalid property value"; running out of bytes raises EReadError
// "Stream read error".
class TReader : public TFiler {
  ORV_CLASS(TReader, TFiler)
public:
  TReader(TStream* AStream, int BufSize = 4096);

  int64_t Position() const;
  void SetPosition(int64_t Value);

  TValueType ReadValue();  // consumes the type byte
  TValueType NextValue();  // peeks at it
  void CheckValue(TValueType Value);  // consumes it; EReadError when it differs
  bool EndOfList() { return NextValue() == vaNull; }
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }

  int32_t ReadInteger();  // vaInt8/16/32 (and vaInt64 within range)
  int64_t ReadInt64();    // any integer type
  double ReadFloat();     // vaExtended, vaDouble-like types, vaSingle, vaCurrency or any integer
  float ReadSingle();
  double ReadDate();
  double ReadCurrency();
  bool ReadBoolean();
  char ReadChar();            // a one-byte string
  std::string ReadString();   // vaString, vaLString, vaUTF8String, vaWString
  std::string ReadIdent();    // vaIdent; vaFalse/vaTrue/vaNil/vaNull give their names
  std::vector<std::string> ReadSet();  // vaSet: the names of the elements present
  std::vector<uint8_t> ReadBinary();   // vaBinary
  std::string ReadStr();      // a bare short string (1-byte length), as used for names
  std::string ReadPropName() { return ReadStr(); }
  void SkipValue();           // one value of any type, lists and collections included
  void SkipProperty();        // name and value

  // Reads one property record into Instance: its name, then the value through the instance's
  // defined properties (names compared without regard to case). A name that none claims is
  // skipped with its value and then raises EReadError "Property %s does not exist", so the
  // caller may go on with the next record.
  void ReadProperty(TPersistent* Instance);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  void Read(void* Buffer, int64_t Count);  // raw bytes; EReadError when short

private:
  std::string FPropName;  // name of the record ReadProperty is dispatching
  bool FPropHandled = false;
};

// Writes value records; the matching reader gives back exactly what was written.
class TWriter : public TFiler {
  ORV_CLASS(TWriter, TFiler)
public:
  TWriter(TStream* AStream, int BufSize = 4096);

  int64_t Position() const;

  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteInteger(int64_t Value);  // smallest of vaInt8/16/32/64
  void WriteFloat(double Value);     // vaExtended
  void WriteSingle(float Value);
  void WriteDate(double Value);
  void WriteCurrency(double Value);  // rounded to 1/10000
  void WriteBoolean(bool Value);
  void WriteChar(char Value);
  // vaString up to 255 bytes of plain ASCII, vaLString for longer ASCII, vaUTF8String when the
  // text holds other characters.
  void WriteString(const std::string& Value);
  void WriteLString(const std::string& Value);     // always vaLString
  void WriteUTF8String(const std::string& Value);  // always vaUTF8String
  void WriteWideString(const std::string& Value);  // vaWString from UTF-8 text
  void WriteIdent(const std::string& Ident);  // "False"/"True"/"nil"/"Null" get their own types
  void WriteSet(const std::vector<std::string>& Names);
  void WriteBinary(const void* Data, int64_t Count);
  void WriteStr(const std::string& Value);  // bare short string; EWriteError above 255 bytes
  void WritePropName(const std::string& Name) { WriteStr(Name); }

  // Writes Instance's defined properties: one record for each that has data.
  void WriteProperties(TPersistent* Instance);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  void Write(const void* Buffer, int64_t Count);  // raw bytes; EWriteError when short
};

// Exact conversions between doubles and the 10-byte extended format of vaExtended.
void DoubleToExtended(double Value, uint8_t Out[10]);
double ExtendedToDouble(const uint8_t In[10]);
