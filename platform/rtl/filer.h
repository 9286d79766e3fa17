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
//   vaCollection   items, each an optional integer index, then vaList, the item's property
//                  records and vaNull; the collection ends with vaNull
// A property record is the name (1-byte length + bytes) followed by one value.
// Strings are this system's UTF-8 text; wide strings are converted on the way in and out.
//
// Component streams (WriteRootComponent / ReadRootComponent) start with the signature "TPF0";
// a component is its class name and name (short strings), its property records up to vaNull,
// then its streamed children (GetChildren) up to vaNull. Published properties are written when
// stored and not at their default: integers as integers (or the name RegisterIntegerConsts
// gives the value), enumerations as identifiers, sets as
// vaSet, floats as vaExtended (TDateTime as vaDate; 0 is not written), strings, events as the
// handler's name, references to other components as "Name" or "Owner.Name", sub-objects as
// dotted records ("Font.Size"), collections as vaCollection and string lists as a
// "Name.Strings" list. Defined properties follow the published ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

class TStream;
class TPersistent;
class TComponent;
class TCollection;
class TReader;
class TWriter;
struct TPropInfo;
struct TTypeInfo;

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
// Called by a reader for a failing property record; setting Handled skips the record and goes on.
using TReaderError = std::function<void(TReader* Reader, const std::string& Message, bool& Handled)>;
// Finds a top-level component (a form, a data module) by name, for references that name one.
using TFindGlobalComponent = std::function<TComponent*(const std::string& Name)>;

// The finders are asked in the order they were registered; the first non-null answer counts.
void RegisterFindGlobalComponentProc(TFindGlobalComponent Proc);
TComponent* FindGlobalComponent(const std::string& Name);

// Names for values of an integer type (such as TColor's "clRed"): component streams write a
// property of that type as the name when there is one, and read names back through it.
using TIdentToInt = std::function<bool(const std::string& Ident, int64_t& Int)>;
using TIntToIdent = std::function<bool(int64_t Int, std::string& Ident)>;
void RegisterIntegerConsts(const TTypeInfo* IntegerType, TIdentToInt IdentToInt,
                           TIntToIdent IntToIdent);

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
  // True at the zero byte that ends a list. The byte is not checked as a value type: in a list of
  // properties it is the length of the next name, which may be any number up to 255.
  bool EndOfList();
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

  // Reads one property record into Instance: its name (dotted names walk through sub-object
  // properties), then the value into the published property of that name or, when there is
  // none, through the instance's defined properties (names compared without regard to case).
  // A name that none claims is skipped with its value and then raises EReadError
  // "Property %s does not exist", so the caller may go on with the next record.
  void ReadProperty(TPersistent* Instance);
  // Reads vaCollection into Collection, replacing its items.
  void ReadCollection(TCollection* Collection);
  // "TPF0"; EReadError "Invalid stream format" otherwise.
  void ReadSignature();
  // Reads one component with its properties and children. Component null: the component is the
  // one of that name the owner already has, else a new instance of the registered class
  // (EClassNotFound "Class %s not found") owned by Owner. References are resolved and Loaded
  // is called on every component read when the outermost read ends.
  TComponent* ReadComponent(TComponent* Component);
  // Reads a signature and a whole component tree into Root (made from the stream's class when
  // null, and freed again when reading fails).
  TComponent* ReadRootComponent(TComponent* Root);
  // Resolves the component references read so far; unresolved names leave the property nil.
  void FixupReferences();

  TComponent* Owner() const { return FOwner; }
  void SetOwner(TComponent* Value) { FOwner = Value; }
  TComponent* Parent() const { return FParent; }
  void SetParent(TComponent* Value) { FParent = Value; }
  TReaderError OnError;

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  void Read(void* Buffer, int64_t Count);  // raw bytes; EReadError when short

private:
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::string Name;
  };
  void ReadPropValue(TPersistent* Instance, const TPropInfo* Prop);
  bool ReadStringsProperty(TPersistent* Instance, const std::string& Name);
  bool Error(const std::string& Message);  // true when OnError handled it
  std::string FPropName;  // name of the record ReadProperty is dispatching
  bool FPropHandled = false;
  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  int FReadDepth = 0;
  int FSkipDepth = 0;  // nesting of SkipValue, bounded so damaged data cannot exhaust the stack
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;
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

  // Writes Instance's published properties (stored, not at their default) and then its defined
  // properties: one record for each that has data.
  void WriteProperties(TPersistent* Instance);
  void WriteCollection(TCollection* Value);
  void WriteSignature();
  // Writes Component (class name, name, properties) and its streamed children.
  void WriteComponent(TComponent* Component);
  // Signature, then the tree of Root, with Root as root and owner of references.
  void WriteRootComponent(TComponent* Root);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  void Write(const void* Buffer, int64_t Count);  // raw bytes; EWriteError when short

private:
  void WriteProperty(TPersistent* Instance, const TPropInfo* Prop);
  std::string FPropPath;  // "Font." while a sub-object's properties are written
};

// The text form of a component stream, as kept in form files:
//   object Name: TClass          (or "object TClass" without a name; "inherited"/"inline" and a
//     Left = 10                   "[n]" child position keep the binary prefix flags)
//     Caption = 'It''s'#13#10'ok' (strings: quoted parts and #code characters, "+" joins parts)
//     Ratio = 0.75s               (floats: s single, c currency, d date; plain is extended)
//     Style = [fsBold, fsItalic]  Items = <item Caption = 'a' end>  Lines.Strings = ('a' 'b')
//     Data = {0A0B}               OnClick = ButtonClick
//     object Child: TButton ... end
//   end
// ObjectBinaryToText reads a signature and one component; ObjectTextToBinary writes them and
// raises EParserError "<what> expected on line <n>" for text it cannot read.
void ObjectBinaryToText(TStream* Input, TStream* Output);
void ObjectTextToBinary(TStream* Input, TStream* Output);

// Exact conversions between doubles and the 10-byte extended format of vaExtended.
void DoubleToExtended(double Value, uint8_t Out[10]);
double ExtendedToDouble(const uint8_t In[10]);
