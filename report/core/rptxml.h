// The report library's small XML dialect: an element tree (TrptXMLItem) owned by a document
// (TrptXMLDocument) with a buffered reader and writer. Used for report templates, prepared
// pages, style sheets and variable lists.
//
// Elements keep their attribute text raw and attributes are found by text search; character data
// between tags is ignored; the only entity decoded is "&#N;". Text is written and read without
// conversion. An element can be swappable: its children then go to a temporary swap file (or stay
// in the stream a partial load read them from) and are read back when needed, which keeps long
// prepared reports within a memory budget.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

class TStream;
class Variant;
class TrptXMLDocument;

class TrptXMLItem : public TObject {
  ORV_CLASS(TrptXMLItem, TObject)
public:
  TrptXMLItem() = default;
  // Destroys the children and leaves the parent's list.
  ~TrptXMLItem() override;

  int GetCount() const { return static_cast<int>(FChildList.size()); }
  int Count() const { return GetCount(); }
  // EListError for an index outside the list.
  TrptXMLItem* GetItems(int Index) const;
  TrptXMLItem* operator[](int Index) const { return GetItems(Index); }
  TrptXMLItem* AddChild();
  // Appends Item (taking it from its former parent; a child of this element moves to the end).
  void AdoptChild(TrptXMLItem* Item);
  void AdoptChildAt(int Index, TrptXMLItem* Item);
  // First child whose name equals Name without regard to case; -1 when none.
  int IndexOfName(const std::string& Name) const;
  // That child, or a new child of that name appended.
  TrptXMLItem* FindItem(const std::string& Name);
  int IndexOfChild(TrptXMLItem* Item) const;
  // Destroys all children; a swappable element is then marked as not in memory.
  void DropChildren();
  // Destroys the children and empties the name and attributes.
  void Clear();

  // Attribute value by name (without regard to case), unescaped; empty when absent.
  std::string Prop(const std::string& Name) const;
  void SetProp(const std::string& Name, const std::string& Value);

  bool InMemory = true;
  int64_t StreamPos = 0;
  std::string ElementName;
  TrptXMLItem* ParentItem = nullptr;
  std::string AttrText;
  bool Swappable = false;

private:
  friend class TrptXMLReader;
  std::vector<TrptXMLItem*> FChildList;  // owned
};

// Reads tags from a stream through a 4096-byte buffer (internal to the document).
class TrptXMLReader {
public:
  explicit TrptXMLReader(TStream* Source);
  // Leaves the stream just after the last consumed character.
  ~TrptXMLReader();
  void SeekTo(int64_t Position);
  int64_t Position() const { return FLogicalPos; }
  // The header: the first tag's name must begin with "?xml".
  void ReadProlog();
  // The next tag's text (name and attributes); empty at the end of input.
  std::string NextTag();
  // Reads one element into Item; true when the tag read closes the parent or input ended.
  bool ReadElement(TrptXMLItem* Item, bool LoadAll);
  // Reads Item's element with everything below it.
  void ReadElementTree(TrptXMLItem* Item, bool LoadAll);

private:
  bool NextChar(char& C);
  std::vector<char> FChunk;
  int FChunkPos = 0;
  int FChunkEnd = 0;
  int64_t FLogicalPos = 0;
  int64_t FStreamSize = 0;
  TStream* FSource;
  std::string FLastTagName;
  int FDepth = 0;
};

// Writes elements to a stream, flushing whenever more than 4096 characters are pending.
class TrptXMLWriter {
public:
  TrptXMLWriter(TStream* Target, TStream* BackingStream, bool Indented);
  ~TrptXMLWriter();
  void EmitLine(const std::string& Text);
  void FlushPending();
  void EmitProlog();
  void EmitTag(TrptXMLItem* Item, int Level);
  void EmitTree(TrptXMLItem* Item, int Level);
  void EmitRoot(TrptXMLItem* Item);

private:
  bool FIndented;
  std::string FPending;
  TStream* FTarget;
  TStream* FBackingStream;
};

class TrptXMLDocument : public TObject {
  ORV_CLASS(TrptXMLDocument, TObject)
public:
  TrptXMLDocument();
  ~TrptXMLDocument() override;

  void ClearDocument();
  // Reads the header and the root element tree from Stream. With PartialLoad the document takes
  // Stream over (it frees it) and swappable elements keep only their offsets in it.
  // Malformed input raises Exception "Invalid file format".
  void LoadFromStream(TStream* Stream, bool PartialLoad = false);
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // Moves a loaded swappable element's children out to the swap file / back into memory.
  void SwapOut(TrptXMLItem* Item);
  void SwapIn(TrptXMLItem* Item);
  void OpenSwapFile();
  void CloseSwapFile();

  bool Indented = false;
  TrptXMLItem* Root() const { return FRoot.get(); }
  std::string SwapFolder;
  const std::string& SwapFileName() const { return FSwapFileName; }
  TStream* BackingStream() const { return FBackingStream; }
  bool SwapFileOpen() const { return FSwapFileOpen; }

private:
  std::unique_ptr<TrptXMLItem> FRoot;
  std::string FSwapFileName;
  TStream* FBackingStream = nullptr;  // owned
  bool FSwapFileOpen = false;
};

// Escapes line feed, carriage return, '"', '&', '<' and '>' as "&#N;".
std::string rptEscapeAttr(const std::string& S);
// Decodes every "&#N;" (N taken modulo 256); other "&" sequences stay. A malformed number raises
// EConvertError.
std::string rptUnescapeAttr(const std::string& S);
// A variant as attribute text (numbers, dates with their time, text escaped, Booleans as 1/0).
std::string rptVariantToAttr(const Variant& V);
