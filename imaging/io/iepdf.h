// A minimal PDF object model and the routines that write a document of such objects as a PDF 1.4
// file (header, numbered indirect objects, cross-reference table, trailer). Used by the PDF image
// writer of the codec library. Texts are written as 8-bit bytes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TStream;

class TIEPDFObject {
public:
  virtual ~TIEPDFObject() = default;
  // Records the stream position, then writes the object.
  virtual void WriteToStream(TStream* Stream) = 0;
  int32_t Number = 0;    // 0 for a direct object
  int32_t Position = 0;  // where the object (its header line, when indirect) was last written
  bool Shared = false;   // containers do not free a shared item
};

class TIEPDFRefObject : public TIEPDFObject {
public:
  TIEPDFRefObject(int32_t ObjectNumber, int32_t Generation) : ObjectNumber(ObjectNumber), Generation(Generation) {}
  void WriteToStream(TStream* Stream) override;
  int32_t ObjectNumber, Generation;
};

class TIEPDFBooleanObject : public TIEPDFObject {
public:
  explicit TIEPDFBooleanObject(bool Value) : Value(Value) {}
  void WriteToStream(TStream* Stream) override;
  bool Value;
};

class TIEPDFNumericObject : public TIEPDFObject {
public:
  explicit TIEPDFNumericObject(double Value) : Value(Value) {}
  void WriteToStream(TStream* Stream) override;
  double Value;
};

class TIEPDFStringObject : public TIEPDFObject {
public:
  explicit TIEPDFStringObject(std::string Value) : Value(std::move(Value)) {}
  void WriteToStream(TStream* Stream) override;
  std::string Value;
};

class TIEPDFNameObject : public TIEPDFObject {
public:
  explicit TIEPDFNameObject(std::string Value) : Value(std::move(Value)) {}
  void WriteToStream(TStream* Stream) override;
  std::string Value;
};

class TIEPDFArrayObject : public TIEPDFObject {
public:
  ~TIEPDFArrayObject() override;
  void WriteToStream(TStream* Stream) override;
  void Add(TIEPDFObject* Item) { Items.push_back(Item); }
  std::vector<TIEPDFObject*> Items;  // owned unless shared
};

class TIEPDFDictionaryObject : public TIEPDFObject {
public:
  ~TIEPDFDictionaryObject() override;
  void WriteToStream(TStream* Stream) override;
  void Add(const std::string& Key, TIEPDFObject* Item) { Items.emplace_back(Key, Item); }
  void Insert(int Index, const std::string& Key, TIEPDFObject* Item);
  // The item of that key, nil when absent.
  TIEPDFObject* Find(const std::string& Key) const;
  std::vector<std::pair<std::string, TIEPDFObject*>> Items;  // owned unless shared
};

class TIEPDFStreamObject : public TIEPDFObject {
public:
  TIEPDFStreamObject();
  TIEPDFStreamObject(const void* Data, int Length);  // holds a copy
  ~TIEPDFStreamObject() override;
  void WriteToStream(TStream* Stream) override;
  TIEPDFDictionaryObject* Dictionary;  // owned; "Length" is set to the data size when written
  std::vector<uint8_t> Data;
};

using TIEPDFObjectList = std::vector<TIEPDFObject*>;  // the document; its order numbers the objects

void IEPDFWriteHeader(TStream* Stream);
void IEPDFAddObject(TIEPDFObjectList& Objects, TIEPDFObject* Object);
TIEPDFDictionaryObject* IEPDFCreateCatalog(TIEPDFObjectList& Objects);
TIEPDFDictionaryObject* IEPDFCreatePage(TIEPDFObjectList& Objects, TIEPDFObjectList& Pages,
                                        TIEPDFDictionaryObject* Resources, int32_t ContentNumber,
                                        TIEPDFArrayObject* MediaBox);
TIEPDFDictionaryObject* IEPDFCreatePages(TIEPDFObjectList& Objects, TIEPDFObjectList& Pages);
void IEPDFWriteObjects(TStream* Stream, TIEPDFObjectList& Objects);
void IEPDFWriteXRefAndTrailer(TStream* Stream, TIEPDFObjectList& Objects, TIEPDFDictionaryObject* Info);
void IEPDFWriteLine(TStream* Stream, const std::string& Text);
void IEPDFWriteText(TStream* Stream, const std::string& Text);
// Frees every object of the list (shared ones too: the list is their owner) and empties it.
void IEPDFFreeObjects(TIEPDFObjectList& Objects);
